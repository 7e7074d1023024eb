// The view's printing: the printer of a job (print dialog or the default
// printer), the page loop with its abort dialog, and the application's printer
// set-up. Not for: what a page shows (the view's OnPrint) or the preview
// window.
#include <vector>

#include "Document.h"
#include "Gdi.h"
#include "Preview.h"
#include "View.h"
#include "WinApp.h"

CPrintInfo::CPrintInfo() : m_pPD(new CPrintDialog(FALSE, PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOSELECTION)) {
  SetMinPage(1);
  SetMaxPage(1);
}

CPrintInfo::~CPrintInfo() { delete m_pPD; }

namespace {

// The abort dialog is one per process: printing is modal to the whole program.
HWND g_hAbortDlg = nullptr;
BOOL g_bUserAbort = FALSE;

const int kAbortPageText = 100;

INT_PTR CALLBACK AbortDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG) return TRUE;
  if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    g_bUserAbort = TRUE;
    ::EnableWindow(::GetDlgItem(hDlg, IDCANCEL), FALSE);
    return TRUE;
  }
  return FALSE;
}

// The printer driver calls this between bands: the abort dialog stays live, so
// the user can stop a long job.
BOOL CALLBACK PrintAbortProc(HDC, int) {
  MSG msg;
  while (!g_bUserAbort && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (g_hAbortDlg && ::IsDialogMessageA(g_hAbortDlg, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return !g_bUserAbort;
}

// A dialog template in memory: the framework carries no resources of its own.
class CDlgTemplateBuilder {
 public:
  CDlgTemplateBuilder(LPCSTR title, DWORD style, short cx, short cy) {
    Dword(style);
    Dword(0);
    Word(0);  // item count, set by Add
    Word(0);
    Word(0);
    Word(static_cast<WORD>(cx));
    Word(static_cast<WORD>(cy));
    Word(0);  // no menu
    Word(0);  // the dialog class
    String(title);
    Word(8);  // point size of DS_SETFONT
    String("MS Shell Dlg");
  }
  void Add(WORD wClass, LPCSTR text, WORD id, DWORD style, short x, short y, short cx, short cy) {
    while (m_words.size() % 2) Word(0);  // items start on a DWORD
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    for (short v : {x, y, cx, cy}) Word(static_cast<WORD>(v));
    Word(id);
    Word(0xFFFF);
    Word(wClass);
    String(text);
    Word(0);
    ++m_words[8];
  }
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

 private:
  void Word(WORD w) { m_words.push_back(w); }
  void Dword(DWORD d) {
    Word(LOWORD(d));
    Word(HIWORD(d));
  }
  void String(LPCSTR s) {
    for (; *s; ++s) Word(static_cast<WORD>(static_cast<unsigned char>(*s)));
    Word(0);
  }
  std::vector<WORD> m_words;
};

HWND CreateAbortDialog(HWND hOwner, const CString& docTitle) {
  CDlgTemplateBuilder t("Printing", DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_VISIBLE, 160,
                        70);
  t.Add(0x0082, docTitle, 101, SS_CENTER | SS_NOPREFIX, 5, 8, 150, 10);
  t.Add(0x0082, "", kAbortPageText, SS_CENTER, 5, 22, 150, 10);
  t.Add(0x0080, "Cancel", IDCANCEL, BS_DEFPUSHBUTTON | WS_TABSTOP, 55, 45, 50, 14);
  return ::CreateDialogIndirectParamA(AfxGetInstanceHandle(), t.Get(), hOwner, AbortDlgProc, 0);
}

}  // namespace

BOOL CView::DoPreparePrinting(CPrintInfo* pInfo) {
  CWinApp* app = AfxGetApp();
  PRINTDLGA& pd = pInfo->m_pPD->m_pd;
  if (pInfo->GetMaxPage() > pInfo->GetMinPage()) {
    pd.Flags &= ~PD_NOPAGENUMS;
    pd.nFromPage = static_cast<WORD>(pInfo->GetMinPage());
    pd.nToPage = static_cast<WORD>(pInfo->GetMaxPage());
  }
  if (pInfo->m_bDirect || pInfo->m_bPreview) {
    if (!app || !app->GetPrinterDeviceDefaults(&pd)) return FALSE;
    return pInfo->m_pPD->CreatePrinterDC() != nullptr;
  }
  if (app) app->GetPrinterDeviceDefaults(&pd);
  if (pInfo->m_pPD->DoModal() != IDOK) return FALSE;
  // The system may have given new handles for the printer chosen: they are the
  // application's now.
  if (app) app->SelectPrinter(pd.hDevNames, pd.hDevMode, FALSE);
  return pd.hDC != nullptr;
}

void CView::OnFilePrint() {
  CPrintInfo info;
  PrintJob(&info);
}

void CView::OnFilePrintDirect() {
  CPrintInfo info;
  info.m_bDirect = TRUE;
  PrintJob(&info);
}

BOOL CView::PrintJob(CPrintInfo* pInfo) {
  if (!OnPreparePrinting(pInfo)) return FALSE;
  HDC hdc = pInfo->m_pPD->GetPrinterDC();
  if (!hdc) return FALSE;
  CDC dc;
  dc.Attach(hdc);
  dc.m_bPrinting = TRUE;

  CString title = m_pDocument ? m_pDocument->GetTitle() : CString();
  if (title.GetLength() > 31) title = title.Left(31);
  DOCINFOA di = {};
  di.cbSize = sizeof di;
  di.lpszDocName = title;

  OnBeginPrinting(&dc, pInfo);
  CWnd* main = AfxGetMainWnd();
  HWND hMain = main ? main->m_hWnd : nullptr;
  g_bUserAbort = FALSE;
  g_hAbortDlg = CreateAbortDialog(hMain, title);
  if (hMain) ::EnableWindow(hMain, FALSE);
  ::SetAbortProc(hdc, PrintAbortProc);

  BOOL ok = ::StartDocA(hdc, &di) > 0;
  if (ok) {
    for (UINT page = pInfo->GetFromPage(); page <= pInfo->GetToPage() && pInfo->m_bContinuePrinting; ++page) {
      pInfo->m_nCurPage = page;
      if (g_hAbortDlg) {
        CString text;
        text.Format("Page %u", page);
        ::SetDlgItemTextA(g_hAbortDlg, kAbortPageText, text);
      }
      OnPrepareDC(&dc, pInfo);
      if (!pInfo->m_bContinuePrinting) break;
      pInfo->m_rectDraw.SetRect(0, 0, dc.GetDeviceCaps(HORZRES), dc.GetDeviceCaps(VERTRES));
      if (::StartPage(hdc) <= 0) {
        ok = FALSE;
        break;
      }
      OnPrint(&dc, pInfo);
      if (::EndPage(hdc) <= 0 || !PrintAbortProc(hdc, 0)) {
        ok = FALSE;
        break;
      }
    }
    if (ok)
      ::EndDoc(hdc);
    else
      ::AbortDoc(hdc);
  }

  if (hMain) ::EnableWindow(hMain, TRUE);
  if (g_hAbortDlg) ::DestroyWindow(g_hAbortDlg);
  g_hAbortDlg = nullptr;
  OnEndPrinting(&dc, pInfo);
  dc.Detach();  // the print dialog owns the printer's device context
  return ok;
}

CPreviewView* CView::OnFilePrintPreview() {
  CPreviewView* preview = new CPreviewView(this, new CPrintInfo);
  if (preview->Start(AfxGetMainWnd())) return preview;
  // Never opened: the window did not take it over.
  if (!preview->m_hWnd) delete preview;
  return nullptr;
}

// --- the application's printer set-up
// ------------------------------------------------------------

void CWinApp::OnFilePrintSetup() {
  CPrintDialog pd(TRUE);
  GetPrinterDeviceDefaults(&pd.m_pd);
  if (pd.DoModal() == IDOK) SelectPrinter(pd.m_pd.hDevNames, pd.m_pd.hDevMode, FALSE);
}
