// The About box, the version record and the hyperlink control.
#include "AboutDlg.h"

#include <shlobj.h>

#include <cstdio>
#include <vector>

#include "resource.h"

IMPLEMENT_DYNAMIC(CHLinkCtrl, CStatic)
IMPLEMENT_DYNAMIC(CHLinkPage, CPropertyPage)
IMPLEMENT_DYNAMIC(CHLinkSheet, CPropertySheet)
IMPLEMENT_DYNAMIC(CAboutDlg, CDialog)

namespace {

// The maker's addresses behind the About box's four links.
const char* const kLinkTargets[4] = {
    "https://vellview.example.org/",
    "https://vellview.example.org/support/",
    "mailto:support@vellview.example.org",
    "https://vellview.example.org/download/",
};

}  // namespace

// --- version record ------------------------------------------------------------------------------

CVersionInfo::CVersionInfo(HMODULE module) {
  char path[MAX_PATH];
  if (!::GetModuleFileNameA(module, path, sizeof path)) return;
  DWORD handle = 0;
  DWORD size = ::GetFileVersionInfoSizeA(path, &handle);
  if (size == 0) return;
  m_pBlock = new BYTE[size];
  if (!::GetFileVersionInfoA(path, 0, size, m_pBlock)) {
    delete[] m_pBlock;
    m_pBlock = nullptr;
    return;
  }
  void* value = nullptr;
  UINT length = 0;
  if (::VerQueryValueA(m_pBlock, "\\VarFileInfo\\Translation", &value, &length) && length >= 4) {
    const BYTE* b = static_cast<const BYTE*>(value);
    m_strKey.Format("%02X%02X%02X%02X", b[1], b[0], b[3], b[2]);
  }
}

CVersionInfo::~CVersionInfo() { delete[] m_pBlock; }

CString CVersionInfo::GetValue(LPCSTR name) const {
  if (!m_pBlock || m_strKey.IsEmpty()) return CString();
  CString query = CString("\\StringFileInfo\\") + m_strKey + "\\" + name;
  void* value = nullptr;
  UINT length = 0;
  if (!::VerQueryValueA(m_pBlock, query, &value, &length) || !value || length == 0) return CString();
  const char* text = static_cast<const char*>(value);
  // The length counts characters and may include the closing zero.
  UINT n = 0;
  while (n < length && text[n]) ++n;
  return CString(text, static_cast<int>(n));
}

// --- hyperlink -----------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CHLinkCtrl, CStatic)
  ON_WM_CONTEXTMENU()
  ON_WM_SETCURSOR()
END_MESSAGE_MAP()

BOOL CHLinkCtrl::Open() const {
  if (m_strTarget.IsEmpty()) return FALSE;
  return reinterpret_cast<INT_PTR>(::ShellExecuteA(nullptr, "open", m_strTarget, nullptr, nullptr, SW_SHOWNORMAL)) > 32;
}

BOOL CHLinkCtrl::OnSetCursor(CWnd*, UINT, UINT) {
  ::SetCursor(::LoadCursorA(nullptr, IDC_HAND));
  return TRUE;
}

BOOL CHLinkCtrl::CopyShortcut() const {
  if (!::OpenClipboard(m_hWnd)) return FALSE;
  ::EmptyClipboard();
  const int n = m_strTarget.GetLength() + 1;
  HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, static_cast<SIZE_T>(n));
  if (h) {
    memcpy(::GlobalLock(h), static_cast<LPCSTR>(m_strTarget), static_cast<size_t>(n));
    ::GlobalUnlock(h);
    if (!::SetClipboardData(CF_TEXT, h)) ::GlobalFree(h);
  }
  ::CloseClipboard();
  return h != nullptr;
}

BOOL CHLinkCtrl::AddShortcut(int folder) const {
  CWaitCursor wait;
  char dir[MAX_PATH];
  if (!::SHGetSpecialFolderPathA(m_hWnd, dir, folder, TRUE)) return FALSE;
  CString name;
  const_cast<CHLinkCtrl*>(this)->GetWindowText(name);
  for (const char* bad = "\\/:*?\"<>|"; *bad; ++bad) name.Replace(CString(*bad, 1), "_");
  if (name.IsEmpty()) name = "Link";
  const CString base = CString(dir) + "\\" + name;
  if (CreateShellLink(m_strTarget, base + ".lnk", name)) return TRUE;
  // A shell that has no link object for the target still takes an Internet shortcut.
  return ::WritePrivateProfileStringA("InternetShortcut", "URL", m_strTarget, base + ".url");
}

BOOL CHLinkCtrl::CreateShellLink(LPCSTR target, LPCSTR linkPath, LPCSTR description) {
  IShellLinkA* link = nullptr;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
    return FALSE;
  IPersistFile* file = nullptr;
  BOOL ok = SUCCEEDED(link->SetPath(target)) && SUCCEEDED(link->SetDescription(description)) &&
            SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
  if (ok) {
    WCHAR wide[MAX_PATH];
    ok = ::MultiByteToWideChar(CP_ACP, 0, linkPath, -1, wide, MAX_PATH) > 0 && SUCCEEDED(file->Save(wide, TRUE));
  }
  if (file) file->Release();
  link->Release();
  return ok;
}

void CHLinkCtrl::ShowProperties() {
  CString caption;
  GetWindowText(caption);
  CHLinkSheet sheet(caption, GetParent());
  sheet.m_page.m_strAddress = m_strTarget;
  sheet.DoModal();
}

void CHLinkCtrl::OnContextMenu(CWnd*, CPoint point) {
  HMENU bar = ::LoadMenuA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_HLINK_MENU));
  if (!bar) return;
  HMENU popup = ::GetSubMenu(bar, 0);
  if (point.x == -1 && point.y == -1) {
    RECT rc;
    GetWindowRect(&rc);
    point = CPoint(rc.left, rc.bottom);
  }
  UINT cmd = ::TrackPopupMenu(popup, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, 0, m_hWnd,
                              nullptr);
  ::DestroyMenu(bar);
  switch (cmd) {
    case ID_HLINK_OPEN:
      Open();
      break;
    case ID_HLINK_COPY:
      CopyShortcut();
      break;
    case ID_HLINK_FAVORITES:
      AddShortcut(CSIDL_FAVORITES);
      break;
    case ID_HLINK_DESKTOP:
      AddShortcut(CSIDL_DESKTOPDIRECTORY);
      break;
    case ID_HLINK_PROPERTIES:
      ShowProperties();
      break;
  }
}

CHLinkPage::CHLinkPage() : CPropertyPage(IDD_HLINK_PAGE) {}

BOOL CHLinkPage::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  SetDlgItemText(IDC_HLINK_ADDRESS, m_strAddress);
  return TRUE;
}

CHLinkSheet::CHLinkSheet(LPCSTR caption, CWnd* pParentWnd) : CPropertySheet(caption, pParentWnd) { AddPage(&m_page); }

// --- About box -----------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
  ON_CONTROL(STN_CLICKED, IDC_ABOUT_LINK1, OnLinkClicked)
  ON_CONTROL(STN_CLICKED, IDC_ABOUT_LINK2, OnLinkClicked)
  ON_CONTROL(STN_CLICKED, IDC_ABOUT_LINK3, OnLinkClicked)
  ON_CONTROL(STN_CLICKED, IDC_ABOUT_LINK4, OnLinkClicked)
END_MESSAGE_MAP()

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX), m_version(nullptr) {}

BOOL CAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CenterWindow();
  SetDlgItemText(IDC_ABOUT_VERSION, m_version.GetValue("ProductVersion"));
  SetDlgItemText(IDC_ABOUT_PRODUCT, m_version.GetValue("ProductName"));
  SetDlgItemText(IDC_ABOUT_LEGAL, m_version.GetValue("LegalCopyright"));
  for (int i = 0; i < 4; ++i) {
    m_links[i].SubclassDlgItem(IDC_ABOUT_LINK1 + i, this);
    m_links[i].SetTarget(kLinkTargets[i]);
  }
  return TRUE;
}

void CAboutDlg::OnLinkClicked() {
  const MSG* msg = CWnd::GetCurrentMessage();
  int id = msg ? LOWORD(msg->wParam) : 0;
  if (id >= IDC_ABOUT_LINK1 && id <= IDC_ABOUT_LINK4) m_links[id - IDC_ABOUT_LINK1].Open();
}
