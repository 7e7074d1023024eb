// The system's common dialogs (file open and save, printer set-up, colour, font) as framework
// dialogs: the dialog structure is a public member the caller may adjust before DoModal, the
// dialog window is attached to the object while it runs, and the results are read back through
// members. Property sheets and their pages are here too: they are dialogs the system runs.
#pragma once

#include <vector>

#include "Win32Platform.h"
#include <commdlg.h>
#include <prsht.h>

#include "Dialog.h"

class CCommonDialog : public CDialog {
  DECLARE_DYNAMIC(CCommonDialog)
 public:
  explicit CCommonDialog(CWnd* pParentWnd) : CDialog(static_cast<LPCSTR>(nullptr), pParentWnd) {}
  // The system dialog closes itself: the framework's OK and Cancel only end data exchange.
  void OnOK() override {}
  void OnCancel() override {}
  // OK and Cancel belong to the system's dialog procedure, not to a handler here.
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

 protected:
  HWND ParentHwnd() const;
};

class CFileDialog : public CCommonDialog {
  DECLARE_DYNAMIC(CFileDialog)
 public:
  OPENFILENAMEA m_ofn;
  BOOL m_bOpenFileDialog;

  // lpszFilter: pairs of "text|pattern|", ending in "||".
  explicit CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt = nullptr, LPCSTR lpszFileName = nullptr,
                       DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR lpszFilter = nullptr,
                       CWnd* pParentWnd = nullptr);

  INT_PTR DoModal() override;
  CString GetPathName() const;
  CString GetFileName() const;
  CString GetFileExt() const;
  CString GetFileTitle() const;
  // The chosen files of a multiple selection, in the dialog's order.
  POSITION GetStartPosition() const;
  CString GetNextPathName(POSITION& pos) const;

  // The explorer dialog's notifications (CDN_...), from the dialog's hook; CDN_FILEOK asks
  // OnFileNameOK.
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
  // The user chose a name: TRUE refuses it and keeps the dialog open. Asked in both styles.
  virtual BOOL OnFileNameOK() { return FALSE; }
  // OnInitDialog is called in both styles once the dialog's controls stand; the object is then
  // attached to the file dialog itself (in the explorer style the parent of the hook's dialog).

 protected:
  // Both styles: the explorer dialog's hook child and the old-style dialog itself.
  static UINT_PTR CALLBACK HookProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
  char m_szFileName[MAX_PATH] = "";
  char m_szFileTitle[MAX_PATH] = "";
  CString m_strFilter;  // with the "|" turned into the zeros the system wants
  CString m_strDefExt;
};

class CPrintDialog : public CCommonDialog {
  DECLARE_DYNAMIC(CPrintDialog)
 public:
  PRINTDLGA m_pd;

  explicit CPrintDialog(BOOL bPrintSetupOnly,
                        DWORD dwFlags = PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOPAGENUMS | PD_HIDEPRINTTOFILE |
                                        PD_NOSELECTION,
                        CWnd* pParentWnd = nullptr);
  ~CPrintDialog() override;

  INT_PTR DoModal() override;
  BOOL GetDefaults();
  DEVMODEA* GetDevMode() const;
  CString GetDriverName() const;
  CString GetDeviceName() const;
  CString GetPortName() const;
  HDC CreatePrinterDC();
  HDC GetPrinterDC() const { return m_pd.hDC; }
  int GetCopies() const { return m_pd.nCopies; }
  BOOL PrintAll() const { return (m_pd.Flags & (PD_PAGENUMS | PD_SELECTION)) == 0; }
  // The printer's DEVMODE and DEVNAMES stay the caller's (they are usually the application's
  // printer defaults); the printer DC the dialog made goes with the object.
};

class CColorDialog : public CCommonDialog {
  DECLARE_DYNAMIC(CColorDialog)
 public:
  CHOOSECOLORA m_cc;

  explicit CColorDialog(COLORREF clrInit = 0, DWORD dwFlags = 0, CWnd* pParentWnd = nullptr);
  INT_PTR DoModal() override;
  COLORREF GetColor() const { return m_cc.rgbResult; }
  void SetCurrentColor(COLORREF clr) { m_cc.rgbResult = clr; }

 private:
  static COLORREF s_customColors[16];  // kept between runs, as the user expects
};

class CFontDialog : public CCommonDialog {
  DECLARE_DYNAMIC(CFontDialog)
 public:
  CHOOSEFONTA m_cf;
  LOGFONTA m_lf;

  explicit CFontDialog(const LOGFONTA* lplfInitial = nullptr, DWORD dwFlags = CF_EFFECTS | CF_SCREENFONTS,
                       HDC hdcPrinter = nullptr, CWnd* pParentWnd = nullptr);
  INT_PTR DoModal() override;
  void GetCurrentFont(LOGFONTA* lplf) const { *lplf = m_lf; }
  CString GetFaceName() const { return CString(m_lf.lfFaceName); }
  int GetSize() const { return m_cf.iPointSize; }  // tenths of a point
  COLORREF GetColor() const { return m_cf.rgbColors; }
  BOOL IsBold() const { return m_lf.lfWeight >= FW_SEMIBOLD; }
  BOOL IsItalic() const { return m_lf.lfItalic; }
};

class CPropertySheet;

class CPropertyPage : public CDialog {
  DECLARE_DYNAMIC(CPropertyPage)
 public:
  PROPSHEETPAGEA m_psp;

  explicit CPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);

  virtual BOOL OnSetActive() { return TRUE; }
  // Leaving the page checks its data; FALSE keeps the page.
  virtual BOOL OnKillActive() { return UpdateData(TRUE); }
  virtual BOOL OnApply();
  virtual void OnReset() {}
  void OnOK() override {}
  void OnCancel() override {}
  void SetModified(BOOL bChanged = TRUE);
  CPropertySheet* GetSheet() const { return m_pSheet; }

  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

 protected:
  friend class CPropertySheet;
  static INT_PTR CALLBACK PageDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
  CString m_strCaption;
  CPropertySheet* m_pSheet = nullptr;  // borrowed while the sheet runs
};

class CPropertySheet : public CWnd {
  DECLARE_DYNAMIC(CPropertySheet)
 public:
  PROPSHEETHEADERA m_psh;

  explicit CPropertySheet(LPCSTR pszCaption = nullptr, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
  explicit CPropertySheet(UINT nIDCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);

  void AddPage(CPropertyPage* pPage);  // borrowed: the caller keeps the page
  int GetPageCount() const { return static_cast<int>(m_pages.size()); }
  CPropertyPage* GetPage(int nPage) const { return m_pages[static_cast<size_t>(nPage)]; }
  CPropertyPage* GetActivePage() const;
  int GetActiveIndex() const;
  BOOL SetActivePage(int nPage);
  void SetTitle(LPCSTR lpszText) { m_strCaption = lpszText; }
  virtual INT_PTR DoModal();
  void EndDialog(int nEndID);

 protected:
  static int CALLBACK SheetCallback(HWND hWnd, UINT message, LPARAM lParam);
  std::vector<CPropertyPage*> m_pages;
  CString m_strCaption;
  CWnd* m_pParentWnd = nullptr;  // borrowed
};
