// The program's file dialog, the old-style folder chooser and ChooseFolder.
#include "FileDialogEx.h"

#include <shlobj.h>

#include <cstring>

IMPLEMENT_DYNAMIC(CFileDialogEx, CFileDialog)
IMPLEMENT_DYNAMIC(COldFileDirDialog, CFileDialogEx)

namespace {

// Systems of version 5 on take the larger record; version 4 on have the shell's folder browser.
BOOL SystemVersionAtLeast(BYTE major) { return LOBYTE(LOWORD(::GetVersion())) >= major; }

// The controls of the old-style file dialog.
const int kFileList = 0x460;      // lst1
const int kFolderList = 0x461;    // lst2
const int kTypeCombo = 0x470;     // cmb1
const int kTypeLabel = 0x441;     // stc2
const int kFileNameBox = 0x480;   // edt1
const char kDummyName[] = "Junk";

}  // namespace

INT_PTR CFileDialogEx::DoModal() {
  m_ofn.hwndOwner = ParentHwnd();
  memset(&m_ofnEx, 0, sizeof m_ofnEx);
  memcpy(&m_ofnEx, &m_ofn, kOldRecordSize);
  m_ofnEx.lStructSize = SystemVersionAtLeast(5) ? sizeof m_ofnEx : kOldRecordSize;
  HWND focus = ::GetFocus();
  if (m_ofn.hwndOwner) ::EnableWindow(m_ofn.hwndOwner, FALSE);
  // The old-style dialog's hook attaches the object itself, from the record.
  const BOOL explorer = (m_ofn.Flags & OFN_EXPLORER) != 0;
  if (explorer) AfxHookWindowCreate(this);
  BOOL ok = m_bOpenFileDialog ? ::GetOpenFileNameA(&m_ofnEx) : ::GetSaveFileNameA(&m_ofnEx);
  if (explorer) AfxUnhookWindowCreate();
  if (m_hWnd) Detach();
  memcpy(&m_ofn, &m_ofnEx, kOldRecordSize);
  m_ofn.lStructSize = kOldRecordSize;
  if (m_ofn.hwndOwner) ::EnableWindow(m_ofn.hwndOwner, TRUE);
  if (focus && ::IsWindow(focus)) ::SetFocus(focus);
  return ok ? IDOK : IDCANCEL;
}

BOOL CFileDialogEx::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  memcpy(&m_ofn, &m_ofnEx, kOldRecordSize);
  m_ofn.lStructSize = kOldRecordSize;
  return CFileDialog::OnNotify(wParam, lParam, pResult);
}

// --- the old-style folder chooser ------------------------------------------------------------

BEGIN_MESSAGE_MAP(COldFileDirDialog, CFileDialogEx)
  ON_WM_PAINT()
END_MESSAGE_MAP()

COldFileDirDialog::COldFileDirDialog(LPCSTR lpszInitialDir, CWnd* pParentWnd)
    : CFileDialogEx(TRUE, nullptr, kDummyName, OFN_HIDEREADONLY | OFN_PATHMUSTEXIST, nullptr, pParentWnd),
      m_strInitialDir(lpszInitialDir) {
  m_ofn.Flags &= ~OFN_EXPLORER;
  if (!m_strInitialDir.IsEmpty()) m_ofn.lpstrInitialDir = m_strInitialDir;
}

BOOL COldFileDirDialog::OnInitDialog() {
  for (int id : {kFileList, kTypeCombo, kTypeLabel}) {
    if (HWND h = ::GetDlgItem(m_hWnd, id)) ::ShowWindow(h, SW_HIDE);
  }
  ::SetDlgItemTextA(m_hWnd, kFileNameBox, kDummyName);
  return CFileDialogEx::OnInitDialog();
}

void COldFileDirDialog::OnPaint() {
  Default();
  // The dialog puts the focus on the name box after its own start; take it once it shows.
  if (m_bFirstPaint) {
    m_bFirstPaint = FALSE;
    if (HWND h = ::GetDlgItem(m_hWnd, kFolderList)) ::SetFocus(h);
  }
}

CString COldFileDirDialog::GetFolder() const {
  CString path = GetPathName();
  int slash = path.ReverseFind('\\');
  if (slash < 0) return path;
  // A drive's root keeps its "\".
  return slash == 2 && path[1] == ':' ? path.Left(3) : path.Left(slash);
}

// --- choosing a folder -------------------------------------------------------------------------

namespace {
int CALLBACK PreselectFolder(HWND hWnd, UINT message, LPARAM, LPARAM lpData) {
  if (message == BFFM_INITIALIZED && lpData) ::SendMessageA(hWnd, BFFM_SETSELECTIONA, TRUE, lpData);
  return 0;
}
}  // namespace

BOOL ChooseFolder(CString& rPath, CWnd* pParentWnd, DWORD dwFlags, LPCSTR lpszTitle) {
  if (SystemVersionAtLeast(4) && !(dwFlags & kChooseFolderOldStyle)) {
    char display[MAX_PATH] = "";
    BROWSEINFOA bi = {};
    bi.hwndOwner = AfxSafeHwnd(pParentWnd);
    bi.pszDisplayName = display;
    bi.lpszTitle = lpszTitle;
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    bi.lpfn = &PreselectFolder;
    bi.lParam = reinterpret_cast<LPARAM>(static_cast<LPCSTR>(rPath));
    LPITEMIDLIST pidl = ::SHBrowseForFolderA(&bi);
    if (!pidl) return FALSE;
    char chosen[MAX_PATH];
    BOOL ok = ::SHGetPathFromIDListA(pidl, chosen);
    ::CoTaskMemFree(pidl);
    if (!ok) return FALSE;
    rPath = chosen;
    return TRUE;
  }
  COldFileDirDialog dlg(rPath, pParentWnd);
  if (dlg.DoModal() != IDOK) return FALSE;
  rPath = dlg.GetFolder();
  return TRUE;
}
