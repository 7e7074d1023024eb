// Common dialogs and property sheets. The system runs them; the framework attaches the dialog
// window to the object while it runs (through the creation hook) and passes notifications to
// the object's handlers. Chosen file names are read from the system's buffer without reading
// past its end.
#include "CommonDialogs.h"

#include <cstring>

#include "WinApp.h"

IMPLEMENT_DYNAMIC(CCommonDialog, CDialog)
IMPLEMENT_DYNAMIC(CFileDialog, CCommonDialog)
IMPLEMENT_DYNAMIC(CPrintDialog, CCommonDialog)
IMPLEMENT_DYNAMIC(CColorDialog, CCommonDialog)
IMPLEMENT_DYNAMIC(CFontDialog, CCommonDialog)
IMPLEMENT_DYNAMIC(CPropertyPage, CDialog)
IMPLEMENT_DYNAMIC(CPropertySheet, CWnd)

COLORREF CColorDialog::s_customColors[16] = {};

BOOL CCommonDialog::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  if (nID == IDOK || nID == IDCANCEL) return FALSE;
  return CDialog::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

HWND CCommonDialog::ParentHwnd() const {
  if (m_pParentWnd) return m_pParentWnd->m_hWnd;
  CWnd* pMain = AfxGetMainWnd();
  return pMain ? pMain->m_hWnd : nullptr;
}

// --- file dialog ----------------------------------------------------------------------------------

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt, LPCSTR lpszFileName, DWORD dwFlags,
                         LPCSTR lpszFilter, CWnd* pParentWnd)
    : CCommonDialog(pParentWnd), m_bOpenFileDialog(bOpenFileDialog) {
  m_ofn = {};
  m_ofn.lStructSize = sizeof m_ofn;
  m_ofn.lpstrFile = m_szFileName;
  m_ofn.nMaxFile = sizeof m_szFileName;
  m_ofn.lpstrFileTitle = m_szFileTitle;
  m_ofn.nMaxFileTitle = sizeof m_szFileTitle;
  m_ofn.Flags = dwFlags | OFN_ENABLEHOOK | OFN_EXPLORER;
  m_ofn.lpfnHook = &CFileDialog::HookProc;
  m_ofn.lCustData = reinterpret_cast<LPARAM>(this);
  m_ofn.hInstance = AfxGetResourceHandle();
  if (lpszDefExt) {
    m_strDefExt = lpszDefExt;
    m_ofn.lpstrDefExt = m_strDefExt;
  }
  if (lpszFileName) lstrcpynA(m_szFileName, lpszFileName, sizeof m_szFileName);
  if (lpszFilter) {
    // "|" separates the parts; the system wants zeros, and two at the end.
    m_strFilter = lpszFilter;
    m_strFilter += '|';
    int n = m_strFilter.GetLength();
    char* p = m_strFilter.GetBuffer(n + 1);
    for (int i = 0; i < n; ++i) {
      if (p[i] == '|') p[i] = '\0';
    }
    p[n] = '\0';
    m_strFilter.ReleaseBuffer(n);
    m_ofn.lpstrFilter = m_strFilter;
  }
}

UINT_PTR CALLBACK CFileDialog::HookProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
  // The explorer dialog calls the hook for a child dialog of its own, whose parent is the
  // window the object is attached to; the old-style dialog calls it for the dialog itself,
  // which its creation hook (when one was set) has attached already.
  CFileDialog* dlg = dynamic_cast<CFileDialog*>(CWnd::FromHandlePermanent(hDlg));
  if (!dlg) dlg = dynamic_cast<CFileDialog*>(CWnd::FromHandlePermanent(::GetParent(hDlg)));
  if (message == WM_INITDIALOG && !dlg) {
    // An old-style dialog run without the creation hook: its record brings the object along.
    const OPENFILENAMEA* ofn = reinterpret_cast<const OPENFILENAMEA*>(lParam);
    dlg = ofn ? reinterpret_cast<CFileDialog*>(ofn->lCustData) : nullptr;
    if (!dlg || (ofn->Flags & OFN_EXPLORER)) return 0;
    dlg->SubclassWindow(hDlg);
  }
  if (!dlg) return 0;
  static const UINT kFileNameOK = ::RegisterWindowMessageA(FILEOKSTRINGA);
  return static_cast<UINT_PTR>(AfxCallGuarded(hDlg, message, [&]() -> LRESULT {
    if (message == WM_INITDIALOG) return dlg->OnInitDialog();
    // Old style: the chosen name, to be taken (0) or refused. The explorer dialog sends it
    // too, after CDN_FILEOK was taken, and must not ask twice.
    if (message == kFileNameOK) {
      const OPENFILENAMEA* ofn = reinterpret_cast<const OPENFILENAMEA*>(lParam);
      return ofn && (ofn->Flags & OFN_EXPLORER) ? 0 : dlg->OnFileNameOK();
    }
    if (message != WM_NOTIFY) return 0;
    LRESULT result = 0;
    if (!dlg->OnNotify(wParam, lParam, &result)) return 0;
    ::SetWindowLongPtrA(hDlg, DWLP_MSGRESULT, result);
    return TRUE;
  }));
}

BOOL CFileDialog::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) {
  if (reinterpret_cast<const NMHDR*>(lParam)->code != CDN_FILEOK) return FALSE;
  *pResult = OnFileNameOK();
  return TRUE;
}

INT_PTR CFileDialog::DoModal() {
  m_ofn.hwndOwner = ParentHwnd();
  HWND focus = ::GetFocus();
  if (m_ofn.hwndOwner) ::EnableWindow(m_ofn.hwndOwner, FALSE);
  AfxHookWindowCreate(this);
  BOOL ok = m_bOpenFileDialog ? ::GetOpenFileNameA(&m_ofn) : ::GetSaveFileNameA(&m_ofn);
  AfxUnhookWindowCreate();
  if (m_hWnd) Detach();
  if (m_ofn.hwndOwner) ::EnableWindow(m_ofn.hwndOwner, TRUE);
  if (focus && ::IsWindow(focus)) ::SetFocus(focus);
  return ok ? IDOK : IDCANCEL;
}

namespace {
// The length of the string at p, not looking past end.
size_t BoundedLength(const char* p, const char* end) { return p < end ? strnlen(p, static_cast<size_t>(end - p)) : 0; }
}  // namespace

POSITION CFileDialog::GetStartPosition() const {
  return m_ofn.lpstrFile && m_ofn.lpstrFile[0] ? reinterpret_cast<POSITION>(m_ofn.lpstrFile) : nullptr;
}

CString CFileDialog::GetNextPathName(POSITION& pos) const {
  const char* buf = m_ofn.lpstrFile;
  const char* end = buf + m_ofn.nMaxFile;
  const char* p = reinterpret_cast<const char*>(pos);
  pos = nullptr;
  if (!p || p < buf || p >= end) return CString();
  size_t firstLen = BoundedLength(buf, end);
  if (!(m_ofn.Flags & OFN_ALLOWMULTISELECT) || buf + firstLen + 1 >= end || buf[firstLen + 1] == '\0') {
    // One file: the buffer holds its full path.
    return CString(buf, static_cast<int>(firstLen));
  }
  // Several: the folder, then each name, each ending in a zero, two zeros at the end.
  if (p == buf) p = buf + firstLen + 1;
  size_t len = BoundedLength(p, end);
  const char* next = p + len + 1;
  if (next < end && *next) pos = reinterpret_cast<POSITION>(const_cast<char*>(next));
  CString path(buf, static_cast<int>(firstLen));
  if (!path.IsEmpty() && path[path.GetLength() - 1] != '\\') path += '\\';
  return path + CString(p, static_cast<int>(len));
}

CString CFileDialog::GetPathName() const {
  POSITION pos = GetStartPosition();
  return pos ? GetNextPathName(pos) : CString();
}

CString CFileDialog::GetFileName() const {
  CString path = GetPathName();
  return path.Mid(path.ReverseFind('\\') + 1);
}

CString CFileDialog::GetFileExt() const {
  CString name = GetFileName();
  int dot = name.ReverseFind('.');
  return dot < 0 ? CString() : name.Mid(dot + 1);
}

CString CFileDialog::GetFileTitle() const {
  CString name = GetFileName();
  int dot = name.ReverseFind('.');
  return dot < 0 ? name : name.Left(dot);
}

// --- printer set-up ---------------------------------------------------------------------------------

CPrintDialog::CPrintDialog(BOOL bPrintSetupOnly, DWORD dwFlags, CWnd* pParentWnd) : CCommonDialog(pParentWnd) {
  m_pd = {};
  m_pd.lStructSize = sizeof m_pd;
  m_pd.Flags = dwFlags | (bPrintSetupOnly ? PD_PRINTSETUP : PD_RETURNDC);
  m_pd.nCopies = 1;
  m_pd.nMinPage = m_pd.nMaxPage = 1;
}

CPrintDialog::~CPrintDialog() {
  if (m_pd.hDC) ::DeleteDC(m_pd.hDC);
}

INT_PTR CPrintDialog::DoModal() {
  m_pd.hwndOwner = ParentHwnd();
  return ::PrintDlgA(&m_pd) ? IDOK : IDCANCEL;
}

BOOL CPrintDialog::GetDefaults() {
  DWORD flags = m_pd.Flags;
  m_pd.Flags |= PD_RETURNDEFAULT;
  m_pd.hDevMode = m_pd.hDevNames = nullptr;  // the system refuses to fill set handles
  BOOL ok = ::PrintDlgA(&m_pd);
  m_pd.Flags = flags;
  return ok;
}

DEVMODEA* CPrintDialog::GetDevMode() const {
  return m_pd.hDevMode ? static_cast<DEVMODEA*>(::GlobalLock(m_pd.hDevMode)) : nullptr;
}

namespace {
CString DevNamesPart(HGLOBAL hDevNames, int which) {
  if (!hDevNames) return CString();
  const DEVNAMES* dn = static_cast<const DEVNAMES*>(::GlobalLock(hDevNames));
  if (!dn) return CString();
  // The offsets are in characters from the start of the block; keep them inside it.
  SIZE_T size = ::GlobalSize(hDevNames);
  WORD offset = which == 0 ? dn->wDriverOffset : which == 1 ? dn->wDeviceOffset : dn->wOutputOffset;
  CString s;
  if (offset < size) {
    const char* base = reinterpret_cast<const char*>(dn);
    s = CString(base + offset, static_cast<int>(strnlen(base + offset, size - offset)));
  }
  ::GlobalUnlock(hDevNames);
  return s;
}
}  // namespace

CString CPrintDialog::GetDriverName() const { return DevNamesPart(m_pd.hDevNames, 0); }
CString CPrintDialog::GetDeviceName() const { return DevNamesPart(m_pd.hDevNames, 1); }
CString CPrintDialog::GetPortName() const { return DevNamesPart(m_pd.hDevNames, 2); }

HDC CPrintDialog::CreatePrinterDC() {
  if (m_pd.hDC) ::DeleteDC(m_pd.hDC);
  DEVMODEA* dm = GetDevMode();
  m_pd.hDC = ::CreateDCA(GetDriverName(), GetDeviceName(), nullptr, dm);
  if (m_pd.hDevMode) ::GlobalUnlock(m_pd.hDevMode);
  return m_pd.hDC;
}

// --- colour and font ----------------------------------------------------------------------------------

CColorDialog::CColorDialog(COLORREF clrInit, DWORD dwFlags, CWnd* pParentWnd) : CCommonDialog(pParentWnd) {
  m_cc = {};
  m_cc.lStructSize = sizeof m_cc;
  m_cc.rgbResult = clrInit;
  m_cc.lpCustColors = s_customColors;
  m_cc.Flags = dwFlags | CC_RGBINIT;
}

INT_PTR CColorDialog::DoModal() {
  m_cc.hwndOwner = ParentHwnd();
  return ::ChooseColorA(&m_cc) ? IDOK : IDCANCEL;
}

CFontDialog::CFontDialog(const LOGFONTA* lplfInitial, DWORD dwFlags, HDC hdcPrinter, CWnd* pParentWnd)
    : CCommonDialog(pParentWnd) {
  m_cf = {};
  m_lf = {};
  m_cf.lStructSize = sizeof m_cf;
  m_cf.lpLogFont = &m_lf;
  m_cf.Flags = dwFlags;
  if (lplfInitial) {
    m_lf = *lplfInitial;
    m_cf.Flags |= CF_INITTOLOGFONTSTRUCT;
  }
  if (hdcPrinter) {
    m_cf.hDC = hdcPrinter;
    m_cf.Flags |= CF_PRINTERFONTS;
  }
}

INT_PTR CFontDialog::DoModal() {
  m_cf.hwndOwner = ParentHwnd();
  return ::ChooseFontA(&m_cf) ? IDOK : IDCANCEL;
}

// --- property pages and sheets ---------------------------------------------------------------------------

CPropertyPage::CPropertyPage(UINT nIDTemplate, UINT nIDCaption) : CDialog(nIDTemplate) {
  m_psp = {};
  m_psp.dwSize = sizeof m_psp;
  m_psp.dwFlags = PSP_DEFAULT;
  m_psp.hInstance = AfxGetResourceHandle();
  m_psp.pszTemplate = MAKEINTRESOURCEA(nIDTemplate);
  m_psp.pfnDlgProc = &CPropertyPage::PageDlgProc;
  m_psp.lParam = reinterpret_cast<LPARAM>(this);
  if (nIDCaption && m_strCaption.LoadString(nIDCaption)) {
    m_psp.dwFlags |= PSP_USETITLE;
    m_psp.pszTitle = m_strCaption;
  }
}

INT_PTR CALLBACK CPropertyPage::PageDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam) {
  if (message != WM_INITDIALOG) return FALSE;
  // The sheet hands each page its copy of the page record; the record carries the page object.
  const PROPSHEETPAGEA* psp = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
  CPropertyPage* page = psp ? reinterpret_cast<CPropertyPage*>(psp->lParam) : nullptr;
  if (!page) return TRUE;
  page->SubclassWindow(hWnd);
  return AfxCallGuarded(hWnd, message, [&] {
    page->ExecuteDlgInit(page->m_lpszTemplateName);
    return page->OnInitDialog();
  }) != 0;
}

BOOL CPropertyPage::OnApply() {
  OnOK();
  return TRUE;
}

void CPropertyPage::SetModified(BOOL bChanged) {
  HWND sheet = ::GetParent(m_hWnd);
  if (sheet) ::SendMessageA(sheet, bChanged ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

BOOL CPropertyPage::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  NMHDR* nm = reinterpret_cast<NMHDR*>(lParam);
  switch (nm->code) {
    case PSN_SETACTIVE:
      *pResult = OnSetActive() ? 0 : -1;
      break;
    case PSN_KILLACTIVE:
      *pResult = OnKillActive() ? FALSE : TRUE;  // TRUE keeps the page
      break;
    case PSN_APPLY:
      *pResult = OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
      break;
    case PSN_RESET:
      OnReset();
      *pResult = 0;
      break;
    default:
      return CDialog::OnNotify(wParam, lParam, pResult);
  }
  ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, *pResult);
  return TRUE;
}

namespace {
CPropertySheet* g_pSheetInit = nullptr;  // the sheet whose window is being made (one GUI thread)
}

CPropertySheet::CPropertySheet(LPCSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage)
    : m_strCaption(pszCaption), m_pParentWnd(pParentWnd) {
  m_psh = {};
  m_psh.nStartPage = iSelectPage;
}

CPropertySheet::CPropertySheet(UINT nIDCaption, CWnd* pParentWnd, UINT iSelectPage)
    : CPropertySheet(static_cast<LPCSTR>(nullptr), pParentWnd, iSelectPage) {
  m_strCaption.LoadString(nIDCaption);
}

void CPropertySheet::AddPage(CPropertyPage* pPage) { m_pages.push_back(pPage); }

int CALLBACK CPropertySheet::SheetCallback(HWND hWnd, UINT message, LPARAM) {
  if (message == PSCB_INITIALIZED && g_pSheetInit) {
    g_pSheetInit->Attach(hWnd);
    g_pSheetInit = nullptr;
  }
  return 0;
}

INT_PTR CPropertySheet::DoModal() {
  std::vector<PROPSHEETPAGEA> pages;
  for (CPropertyPage* p : m_pages) {
    p->m_pSheet = this;
    pages.push_back(p->m_psp);
  }
  m_psh.dwSize = sizeof m_psh;
  m_psh.dwFlags |= PSH_PROPSHEETPAGE | PSH_USECALLBACK | PSH_NOAPPLYNOW;
  CWnd* pMain = AfxGetMainWnd();
  m_psh.hwndParent = m_pParentWnd ? m_pParentWnd->m_hWnd : pMain ? pMain->m_hWnd : nullptr;
  m_psh.hInstance = AfxGetResourceHandle();
  m_psh.pszCaption = m_strCaption;
  m_psh.nPages = static_cast<UINT>(pages.size());
  if (m_psh.nStartPage >= m_psh.nPages) m_psh.nStartPage = 0;
  m_psh.ppsp = pages.data();
  m_psh.pfnCallback = &CPropertySheet::SheetCallback;
  g_pSheetInit = this;
  INT_PTR result = ::PropertySheetA(&m_psh);
  g_pSheetInit = nullptr;
  if (m_hWnd) Detach();
  for (CPropertyPage* p : m_pages) {
    if (p->m_hWnd) p->UnsubclassWindow();
    p->m_pSheet = nullptr;
  }
  return result > 0 ? IDOK : IDCANCEL;
}

CPropertyPage* CPropertySheet::GetActivePage() const {
  HWND h = m_hWnd ? reinterpret_cast<HWND>(::SendMessageA(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0)) : nullptr;
  for (CPropertyPage* p : m_pages) {
    if (p->m_hWnd && p->m_hWnd == h) return p;
  }
  return m_pages.empty() ? nullptr : m_pages[m_psh.nStartPage < m_pages.size() ? m_psh.nStartPage : 0];
}

int CPropertySheet::GetActiveIndex() const {
  CPropertyPage* active = GetActivePage();
  for (size_t i = 0; i < m_pages.size(); ++i) {
    if (m_pages[i] == active) return static_cast<int>(i);
  }
  return -1;
}

BOOL CPropertySheet::SetActivePage(int nPage) {
  if (!m_hWnd) {
    m_psh.nStartPage = static_cast<UINT>(nPage);
    return TRUE;
  }
  return static_cast<BOOL>(SendMessage(PSM_SETCURSEL, static_cast<WPARAM>(nPage), 0));
}

void CPropertySheet::EndDialog(int nEndID) {
  if (m_hWnd) SendMessage(PSM_PRESSBUTTON, nEndID == IDOK ? PSBTN_OK : PSBTN_CANCEL);
}
