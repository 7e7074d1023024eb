// The About box with the program's version record, and the small pieces it is made of: the
// version-record reader and the hyperlink control (with its right-click menu and its
// properties sheet).
#pragma once

#include "FrameworkWin.h"

// The version block of a module's file and its first translation.
class CVersionInfo {
 public:
  explicit CVersionInfo(HMODULE module = nullptr);
  ~CVersionInfo();
  CVersionInfo(const CVersionInfo&) = delete;
  CVersionInfo& operator=(const CVersionInfo&) = delete;

  // "\StringFileInfo\<key>\<name>", or an empty string.
  CString GetValue(LPCSTR name) const;
  const CString& GetTranslationKey() const { return m_strKey; }

 private:
  BYTE* m_pBlock = nullptr;  // owned
  CString m_strKey;          // eight hexadecimal digits: language, code page
};

// A static text that looks and acts as a hyperlink.
class CHLinkCtrl : public CStatic {
  DECLARE_DYNAMIC(CHLinkCtrl)
 public:
  void SetTarget(LPCSTR target) { m_strTarget = target; }
  const CString& GetTarget() const { return m_strTarget; }
  // Opens the target through the shell.
  BOOL Open() const;
  // A shell link (.lnk) at linkPath to target, through the shell's link interface.
  static BOOL CreateShellLink(LPCSTR target, LPCSTR linkPath, LPCSTR description);

  void OnContextMenu(CWnd* pWnd, CPoint point);
  BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);

  DECLARE_MESSAGE_MAP()

 private:
  BOOL CopyShortcut() const;
  BOOL AddShortcut(int folder) const;
  void ShowProperties();
  CString m_strTarget;
};

class CHLinkPage : public CPropertyPage {
  DECLARE_DYNAMIC(CHLinkPage)
 public:
  CHLinkPage();
  CString m_strAddress;
  BOOL OnInitDialog() override;
};

class CHLinkSheet : public CPropertySheet {
  DECLARE_DYNAMIC(CHLinkSheet)
 public:
  CHLinkSheet(LPCSTR caption, CWnd* pParentWnd);
  CHLinkPage m_page;
};

class CAboutDlg : public CDialog {
  DECLARE_DYNAMIC(CAboutDlg)
 public:
  CAboutDlg();
  BOOL OnInitDialog() override;
  void OnLinkClicked();

  CHLinkCtrl m_links[4];
  CVersionInfo m_version;

  DECLARE_MESSAGE_MAP()
};
