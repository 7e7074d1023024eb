// Dialogs from dialog-template resources, modal and modeless, and the data exchange between a
// dialog's controls and its member variables (DDX_) with range checks (DDV_). A failed check
// tells the user, puts the focus back on the field and keeps the dialog open.
#pragma once

#include "Wnd.h"

class CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)
 public:
  CDialog() = default;
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  explicit CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd = nullptr);

  virtual INT_PTR DoModal();
  // Modeless: the dialog stays until DestroyWindow.
  BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  BOOL Create(LPCSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
  void EndDialog(int nResult);
  void NextDlgCtrl() const { ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, 0, 0); }
  void GotoDlgCtrl(CWnd* pWndCtrl) { ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(AfxSafeHwnd(pWndCtrl)), 1); }
  void SetDefID(UINT nID) { ::SendMessageA(m_hWnd, DM_SETDEFID, nID, 0); }

  virtual BOOL OnInitDialog();
  // Fills combo boxes and list boxes from the dialog's initial-data resource (type 240).
  BOOL ExecuteDlgInit(LPCSTR lpszResourceName);
  virtual void OnOK();
  virtual void OnCancel();
  BOOL PreTranslateMessage(MSG* pMsg) override;

  DECLARE_MESSAGE_MAP()

 protected:
  LPCSTR m_lpszTemplateName = nullptr;
  CWnd* m_pParentWnd = nullptr;  // borrowed
  BOOL m_bModal = FALSE;
  // Dialog procedure behind the subclassed dialog: only WM_INITDIALOG needs it.
  static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
  const DLGTEMPLATE* LoadTemplate() const;
};

class CDataExchange {
 public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;  // borrowed

  HWND PrepareCtrl(int nIDC);
  HWND PrepareEditCtrl(int nIDC);
  // The field was told wrong: focus it (selecting an edit's text) and abandon the exchange.
  [[noreturn]] void Fail();

  int m_idLastControl = 0;
  BOOL m_bEditLastControl = FALSE;
};

void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
void DDX_Text(CDataExchange* pDX, int nIDC, long& value);
void DDX_Text(CDataExchange* pDX, int nIDC, double& value);
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal);
void DDV_MinMaxLong(CDataExchange* pDX, long value, long minVal, long maxVal);
void DDV_MinMaxDouble(CDataExchange* pDX, double const& value, double minVal, double maxVal);
void DDV_MaxChars(CDataExchange* pDX, CString const& value, int nChars);
