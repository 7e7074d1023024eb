// Dialogs and dialog data exchange. A dialog's window is subclassed at creation like any other
// window, so its message map sees every message; the dialog procedure only answers
// WM_INITDIALOG. Values typed by the user are parsed strictly: trailing text is an error, not
// silently dropped.
#include "Dialog.h"

#include <cerrno>
#include <cfloat>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "WinApp.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  ON_COMMAND(IDOK, OnOK)
  ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEA(nIDTemplate)), m_pParentWnd(pParentWnd) {}

CDialog::CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd)
    : m_lpszTemplateName(lpszTemplateName), m_pParentWnd(pParentWnd) {}

const DLGTEMPLATE* CDialog::LoadTemplate() const {
  HINSTANCE h = AfxGetResourceHandle();
  HRSRC res = ::FindResourceA(h, m_lpszTemplateName, reinterpret_cast<LPCSTR>(RT_DIALOG));
  if (!res) return nullptr;
  return static_cast<const DLGTEMPLATE*>(::LockResource(::LoadResource(h, res)));
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM, LPARAM) {
  if (message != WM_INITDIALOG) return FALSE;
  CDialog* dlg = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
  if (!dlg) return TRUE;
  // A failed initialisation has told the user; the focus then goes where the system puts it.
  return AfxCallGuarded(hWnd, message, [&] {
    dlg->ExecuteDlgInit(dlg->m_lpszTemplateName);
    return dlg->OnInitDialog();
  }) != 0;
}

INT_PTR CDialog::DoModal() {
  const DLGTEMPLATE* tmpl = LoadTemplate();
  if (!tmpl) return -1;
  HWND parent = AfxSafeHwnd(m_pParentWnd);
  if (!parent && AfxGetMainWnd()) parent = AfxGetMainWnd()->m_hWnd;
  m_bModal = TRUE;
  AfxHookWindowCreate(this);
  INT_PTR result = ::DialogBoxIndirectParamA(AfxGetResourceHandle(), tmpl, parent, &CDialog::DialogProc, 0);
  AfxUnhookWindowCreate();
  m_bModal = FALSE;
  return result;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) { return Create(MAKEINTRESOURCEA(nIDTemplate), pParentWnd); }

BOOL CDialog::Create(LPCSTR lpszTemplateName, CWnd* pParentWnd) {
  m_lpszTemplateName = lpszTemplateName;
  if (pParentWnd) m_pParentWnd = pParentWnd;
  const DLGTEMPLATE* tmpl = LoadTemplate();
  if (!tmpl) return FALSE;
  HWND parent = AfxSafeHwnd(m_pParentWnd);
  if (!parent && AfxGetMainWnd()) parent = AfxGetMainWnd()->m_hWnd;
  AfxHookWindowCreate(this);
  HWND h = ::CreateDialogIndirectParamA(AfxGetResourceHandle(), tmpl, parent, &CDialog::DialogProc, 0);
  AfxUnhookWindowCreate();
  return h != nullptr;
}

BOOL CDialog::ExecuteDlgInit(LPCSTR lpszResourceName) {
  HINSTANCE h = AfxGetResourceHandle();
  HRSRC res = ::FindResourceA(h, lpszResourceName, MAKEINTRESOURCEA(240));
  if (!res) return TRUE;  // a dialog without initial data
  DWORD size = ::SizeofResource(h, res);
  const BYTE* p = static_cast<const BYTE*>(::LockResource(::LoadResource(h, res)));
  if (!p) return FALSE;
  // Records: control id (WORD, 0 ends), message (WORD), data length (DWORD), data. A record
  // that claims more data than the resource holds ends the walk.
  const BYTE* end = p + size;
  while (end - p >= 2) {
    WORD id;
    memcpy(&id, p, 2);
    if (id == 0) break;
    if (end - p < 8) return FALSE;
    WORD msg;
    DWORD len;
    memcpy(&msg, p + 2, 2);
    memcpy(&len, p + 4, 4);
    p += 8;
    if (static_cast<DWORD>(end - p) < len) return FALSE;
    // The stored messages are the 16-bit ones: add a string to a list box or to a combo box.
    UINT message = msg == 0x0401 ? LB_ADDSTRING : msg == 0x0403 ? CB_ADDSTRING : 0;
    if (message) {
      CString text(reinterpret_cast<const char*>(p), static_cast<int>(strnlen(reinterpret_cast<const char*>(p), len)));
      ::SendDlgItemMessageA(m_hWnd, id, message, 0, reinterpret_cast<LPARAM>(static_cast<LPCSTR>(text)));
    }
    p += len;
  }
  return TRUE;
}

void CDialog::EndDialog(int nResult) {
  if (m_bModal) {
    ::EndDialog(m_hWnd, nResult);
  } else {
    ::ShowWindow(m_hWnd, SW_HIDE);
  }
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;  // the system puts the focus on the first control
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;  // the user was told; the dialog stays open
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
  // Tab, arrows, Enter and Escape of a modeless dialog.
  if (!m_bModal && pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST) {
    return ::IsDialogMessageA(m_hWnd, pMsg);
  }
  return FALSE;
}

// --- data exchange --------------------------------------------------------------------------------

HWND CDataExchange::PrepareCtrl(int nIDC) {
  HWND h = ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
  m_idLastControl = nIDC;
  m_bEditLastControl = FALSE;
  return h;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC) {
  HWND h = PrepareCtrl(nIDC);
  m_bEditLastControl = TRUE;
  return h;
}

void CDataExchange::Fail() {
  if (m_bSaveAndValidate && m_idLastControl) {
    HWND h = ::GetDlgItem(m_pDlgWnd->m_hWnd, m_idLastControl);
    if (h) {
      ::SetFocus(h);
      if (m_bEditLastControl) ::SendMessageA(h, EM_SETSEL, 0, -1);
    }
  }
  AfxThrowUserException();
}

namespace {
CString WindowText(HWND h) {
  CString s;
  int n = ::GetWindowTextLengthA(h);
  ::GetWindowTextA(h, s.GetBuffer(n), n + 1);
  s.ReleaseBuffer();
  return s;
}

// Loading a member into a field leaves a field that shows it already untouched: setting an
// edit's text sends EN_CHANGE, and a change handler that exchanges the dialog's data again
// would otherwise call itself without end (and the caret would jump on every keystroke).
void SetTextIfChanged(HWND h, LPCSTR text) {
  if (WindowText(h) != text) ::SetWindowTextA(h, text);
}

bool OnlyBlanks(const char* p) {
  while (*p == ' ' || *p == '\t') ++p;
  return *p == '\0';
}

// Parses a whole field as a signed number in the range of long; FALSE on anything else.
bool ParseLong(const CString& text, long& out) {
  const char* s = text;
  char* end = nullptr;
  errno = 0;
  long v = strtol(s, &end, 10);
  if (end == s || errno == ERANGE || !OnlyBlanks(end)) return false;
  out = v;
  return true;
}

bool ParseDouble(const CString& text, double& out) {
  const char* s = text;
  char* end = nullptr;
  errno = 0;
  double v = strtod(s, &end);
  if (end == s || errno == ERANGE || !OnlyBlanks(end)) return false;
  out = v;
  return true;
}

[[noreturn]] void FailWith(CDataExchange* pDX, LPCSTR text) {
  AfxMessageBox(text, MB_ICONEXCLAMATION);
  pDX->Fail();
}

CString FormatDouble(double v) {
  char buf[64];
  snprintf(buf, sizeof buf, "%.*g", DBL_DIG, v);
  return CString(buf);
}

void FailRange(CDataExchange* pDX, LPCSTR format, const CString& lo, const CString& hi) {
  CString text;
  LPCSTR args[2] = {lo, hi};
  AfxFormatStrings(text, format, args, 2);
  FailWith(pDX, text);
}
}  // namespace

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
  HWND h = pDX->PrepareEditCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    long v;
    if (!ParseLong(WindowText(h), v) || v < INT_MIN || v > INT_MAX) FailWith(pDX, "Please enter an integer.");
    value = static_cast<int>(v);
  } else {
    char buf[32];
    snprintf(buf, sizeof buf, "%d", value);
    SetTextIfChanged(h, buf);
  }
}

void DDX_Text(CDataExchange* pDX, int nIDC, long& value) {
  HWND h = pDX->PrepareEditCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    long v;
    if (!ParseLong(WindowText(h), v) || v < LONG_MIN || v > LONG_MAX) FailWith(pDX, "Please enter an integer.");
    value = v;
  } else {
    char buf[32];
    snprintf(buf, sizeof buf, "%ld", value);
    SetTextIfChanged(h, buf);
  }
}

void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) {
  HWND h = pDX->PrepareEditCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    CString text = WindowText(h);
    const char* s = text;
    while (*s == ' ' || *s == '\t') ++s;
    char* end = nullptr;
    errno = 0;
    unsigned long long v = *s == '-' ? 0 : strtoull(s, &end, 10);
    if (*s == '-' || end == s || errno == ERANGE || !OnlyBlanks(end) || v > UINT_MAX) {
      FailWith(pDX, "Please enter a positive integer.");
    }
    value = static_cast<UINT>(v);
  } else {
    char buf[32];
    snprintf(buf, sizeof buf, "%u", value);
    SetTextIfChanged(h, buf);
  }
}

void DDX_Text(CDataExchange* pDX, int nIDC, double& value) {
  HWND h = pDX->PrepareEditCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    double v;
    if (!ParseDouble(WindowText(h), v)) FailWith(pDX, "Please enter a number.");
    value = v;
  } else {
    SetTextIfChanged(h, FormatDouble(value));
  }
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
  HWND h = pDX->PrepareEditCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    value = WindowText(h);
  } else {
    SetTextIfChanged(h, value);
  }
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
  HWND h = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    value = static_cast<int>(::SendMessageA(h, BM_GETCHECK, 0, 0));
  } else {
    ::SendMessageA(h, BM_SETCHECK, static_cast<WPARAM>(value), 0);
  }
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value) {
  // The group runs from nIDC to the next control that starts a group; only radio buttons count.
  HWND first = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) value = -1;
  int index = 0;
  HWND h = first;
  do {
    if (::SendMessageA(h, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) {
      if (pDX->m_bSaveAndValidate) {
        if (::SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED) value = index;
      } else {
        ::SendMessageA(h, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
      }
      ++index;
    }
    h = ::GetWindow(h, GW_HWNDNEXT);
  } while (h && !(::GetWindowLongPtrA(h, GWL_STYLE) & WS_GROUP));
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index) {
  HWND h = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    index = static_cast<int>(::SendMessageA(h, CB_GETCURSEL, 0, 0));
  } else {
    ::SendMessageA(h, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
}

void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index) {
  HWND h = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    index = static_cast<int>(::SendMessageA(h, LB_GETCURSEL, 0, 0));
  } else {
    ::SendMessageA(h, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
  if (rControl.m_hWnd) return;
  HWND h = pDX->PrepareCtrl(nIDC);
  if (!h || !rControl.SubclassWindow(h)) AfxThrowNotSupportedException();
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal) {
  if (!pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal)) return;
  CString lo, hi;
  lo.Format("%d", minVal);
  hi.Format("%d", maxVal);
  FailRange(pDX, "Please enter an integer between %1 and %2.", lo, hi);
}

void DDV_MinMaxLong(CDataExchange* pDX, long value, long minVal, long maxVal) {
  if (!pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal)) return;
  CString lo, hi;
  lo.Format("%ld", minVal);
  hi.Format("%ld", maxVal);
  FailRange(pDX, "Please enter an integer between %1 and %2.", lo, hi);
}

void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal) {
  if (!pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal)) return;
  CString lo, hi;
  lo.Format("%u", minVal);
  hi.Format("%u", maxVal);
  FailRange(pDX, "Please enter an integer between %1 and %2.", lo, hi);
}

void DDV_MinMaxDouble(CDataExchange* pDX, double const& value, double minVal, double maxVal) {
  if (!pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal)) return;
  FailRange(pDX, "Please enter a number between %1 and %2.", FormatDouble(minVal), FormatDouble(maxVal));
}

void DDV_MaxChars(CDataExchange* pDX, CString const& value, int nChars) {
  if (!pDX->m_bSaveAndValidate) {
    // Typing stops at the limit; checking again on save catches pasted text.
    if (pDX->m_idLastControl) ::SendDlgItemMessageA(pDX->m_pDlgWnd->m_hWnd, pDX->m_idLastControl, EM_LIMITTEXT, nChars, 0);
    return;
  }
  if (value.GetLength() <= nChars) return;
  CString n;
  n.Format("%d", nChars);
  CString text;
  LPCSTR args[1] = {n};
  AfxFormatStrings(text, "Please enter no more than %1 characters.", args, 1);
  FailWith(pDX, text);
}
