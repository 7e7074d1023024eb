// Print preview: the page record against the printer, and the preview window with its toolbar.
#include "Preview.h"

#include "View.h"
#include "WinApp.h"

// --- the page record
// ------------------------------------------------------------------------------

CPreviewDC::~CPreviewDC() { ::DeleteEnhMetaFile(EndPage()); }

BOOL CPreviewDC::BeginPage(HDC hPrinter) {
  if (m_hDC || !hPrinter) return FALSE;
  // The record's frame is the printer's page in hundredths of a millimetre, so playing it into a
  // rectangle of the paper's proportions keeps the page's shape.
  const RECT frame = {0, 0, ::GetDeviceCaps(hPrinter, HORZSIZE) * 100, ::GetDeviceCaps(hPrinter, VERTSIZE) * 100};
  HDC record = ::CreateEnhMetaFileA(hPrinter, nullptr, &frame, nullptr);
  if (!record) return FALSE;
  m_hDC = record;
  m_hAttribDC = hPrinter;
  m_bPrinting = TRUE;
  return TRUE;
}

HENHMETAFILE CPreviewDC::EndPage() {
  if (!m_hDC) return nullptr;
  HENHMETAFILE page = ::CloseEnhMetaFile(m_hDC);
  m_hDC = m_hAttribDC = nullptr;
  return page;
}

// --- the preview window
// ---------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CPreviewView, CWnd)
  ON_WM_PAINT()
  ON_WM_SIZE()
  ON_WM_CLOSE()
  ON_COMMAND(AFX_ID_PREVIEW_NEXT, OnPreviewNext)
  ON_COMMAND(AFX_ID_PREVIEW_PREV, OnPreviewPrev)
  ON_COMMAND(AFX_ID_PREVIEW_CLOSE, OnPreviewClose)
  ON_COMMAND(AFX_ID_PREVIEW_PRINT, OnPreviewPrint)
END_MESSAGE_MAP()

namespace {

// The standard File/Print command, which the toolbar's Print button hands to the view.
const UINT kFilePrintCommand = 0xE107;

struct ToolbarButton {
  UINT nId;
  LPCSTR lpszText;
};
const ToolbarButton kButtons[] = {{AFX_ID_PREVIEW_PRINT, "&Print..."},
                                  {AFX_ID_PREVIEW_NEXT, "&Next Page"},
                                  {AFX_ID_PREVIEW_PREV, "Pre&v Page"},
                                  {AFX_ID_PREVIEW_CLOSE, "&Close"}};
const int kButtonWidth = 90, kButtonHeight = 24, kGap = 4, kMargin = 12;

}  // namespace

CPreviewView::CPreviewView(CView* pPrintView, CPrintInfo* pInfo) : m_pPrintView(pPrintView), m_pInfo(pInfo) {
  m_pInfo->m_bPreview = TRUE;
}

CPreviewView::~CPreviewView() {
  ::DeleteEnhMetaFile(m_hPage);
  delete m_pInfo;
}

BOOL CPreviewView::Start(CWnd* pOwner) {
  if (!m_pPrintView->OnPreparePrinting(m_pInfo)) return FALSE;
  HDC printer = m_pInfo->m_pPD->GetPrinterDC();
  if (!printer) return FALSE;
  {
    CPreviewDC dc;
    // As in the page loop: the end step follows only a begin step.
    if (!dc.BeginPage(printer)) return FALSE;
    m_pPrintView->OnBeginPrinting(&dc, m_pInfo);
  }
  if (m_pInfo->GetMaxPage() < m_pInfo->GetMinPage()) m_pInfo->SetMaxPage(m_pInfo->GetMinPage());
  m_pInfo->m_nCurPage = m_pInfo->GetMinPage();

  CRect rect(0, 0, 800, 600);
  HWND hOwner = pOwner ? pOwner->m_hWnd : nullptr;
  if (hOwner) ::GetWindowRect(hOwner, &rect);
  LPCSTR cls = AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW, ::LoadCursor(nullptr, IDC_ARROW),
                                   reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1));
  if (!CreateEx(0, cls, "Print preview", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, rect.left, rect.top,
                rect.Width(), rect.Height(), hOwner, nullptr)) {
    m_bEnded = TRUE;
    CDC none;
    m_pPrintView->OnEndPrinting(&none, m_pInfo);
    return FALSE;
  }
  HFONT font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  int x = kGap;
  for (int i = 0; i < 4; ++i) {
    m_hButtons[i] = ::CreateWindowExA(0, "BUTTON", kButtons[i].lpszText, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, x,
                                      kGap, kButtonWidth, kButtonHeight, m_hWnd,
                                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kButtons[i].nId)),
                                      AfxGetInstanceHandle(), nullptr);
    ::SendMessageA(m_hButtons[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    x += kButtonWidth + kGap;
  }
  m_hPageText = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT, x + kGap, kGap + 5, 150,
                                  kButtonHeight - 5, m_hWnd,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(AFX_ID_PREVIEW_NUMPAGE)),
                                  AfxGetInstanceHandle(), nullptr);
  ::SendMessageA(m_hPageText, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  m_nToolbarHeight = kButtonHeight + 2 * kGap;
  RenderPage();
  return TRUE;
}

void CPreviewView::RenderPage() {
  ::DeleteEnhMetaFile(m_hPage);
  m_hPage = nullptr;
  HDC printer = m_pInfo->m_pPD->GetPrinterDC();
  CPreviewDC dc;
  if (dc.BeginPage(printer)) {
    m_pPrintView->OnPrepareDC(&dc, m_pInfo);
    m_pInfo->m_rectDraw.SetRect(0, 0, dc.GetDeviceCaps(HORZRES), dc.GetDeviceCaps(VERTRES));
    m_pPrintView->OnPrint(&dc, m_pInfo);
    m_hPage = dc.EndPage();
  }
  UpdateToolbar();
  if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CPreviewView::UpdateToolbar() {
  const UINT page = m_pInfo->m_nCurPage;
  if (m_hButtons[1]) ::EnableWindow(m_hButtons[1], page < m_pInfo->GetMaxPage());
  if (m_hButtons[2]) ::EnableWindow(m_hButtons[2], page > m_pInfo->GetMinPage());
  if (m_hPageText) {
    CString text;
    text.Format("Page %u of %u", page, m_pInfo->GetMaxPage());
    ::SetWindowTextA(m_hPageText, text);
  }
}

void CPreviewView::GoToPage(UINT nPage) {
  if (m_bEnded || nPage < m_pInfo->GetMinPage() || nPage > m_pInfo->GetMaxPage() || nPage == m_pInfo->m_nCurPage)
    return;
  m_pInfo->m_nCurPage = nPage;
  RenderPage();
}

CRect CPreviewView::PageRect() const {
  CRect client;
  ::GetClientRect(m_hWnd, &client);
  client.top += m_nToolbarHeight;
  client.DeflateRect(kMargin, kMargin);
  HDC printer = m_pInfo->m_pPD->GetPrinterDC();
  const int w = printer ? ::GetDeviceCaps(printer, HORZSIZE) : 210, h = printer ? ::GetDeviceCaps(printer, VERTSIZE) : 297;
  if (w <= 0 || h <= 0 || client.Width() <= 0 || client.Height() <= 0) return CRect();
  int pw = client.Width(), ph = (int)((long long)pw * h / w);
  if (ph > client.Height()) {
    ph = client.Height();
    pw = (int)((long long)ph * w / h);
  }
  const int x = client.left + (client.Width() - pw) / 2, y = client.top + (client.Height() - ph) / 2;
  return CRect(x, y, x + pw, y + ph);
}

void CPreviewView::OnPaint() {
  PAINTSTRUCT ps;
  HDC hdc = ::BeginPaint(m_hWnd, &ps);
  const CRect page = PageRect();
  if (!page.IsRectEmpty()) {
    CRect shadow = page;
    shadow.OffsetRect(3, 3);
    ::FillRect(hdc, &shadow, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    ::FillRect(hdc, &page, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    if (m_hPage) {
      const int saved = ::SaveDC(hdc);
      ::IntersectClipRect(hdc, page.left, page.top, page.right, page.bottom);
      ::PlayEnhMetaFile(hdc, m_hPage, &page);
      ::RestoreDC(hdc, saved);
    }
  }
  ::EndPaint(m_hWnd, &ps);
}

void CPreviewView::OnSize(UINT, int, int) { ::InvalidateRect(m_hWnd, nullptr, TRUE); }

void CPreviewView::OnClose() { ClosePreview(); }

void CPreviewView::OnPreviewNext() { GoToPage(m_pInfo->m_nCurPage + 1); }

void CPreviewView::OnPreviewPrev() {
  if (m_pInfo->m_nCurPage > 1) GoToPage(m_pInfo->m_nCurPage - 1);
}

void CPreviewView::OnPreviewClose() { ClosePreview(); }

void CPreviewView::OnPreviewPrint() {
  CView* view = m_pPrintView;
  ClosePreview();
  // The view's own print command, as the menu gives it, once the preview is gone.
  if (view && ::IsWindow(view->m_hWnd)) ::PostMessageA(view->m_hWnd, WM_COMMAND, kFilePrintCommand, 0);
}

void CPreviewView::ClosePreview() {
  if (!m_bEnded) {
    m_bEnded = TRUE;
    CPreviewDC dc;
    dc.BeginPage(m_pInfo->m_pPD->GetPrinterDC());
    m_pPrintView->OnEndPrinting(&dc, m_pInfo);
  }
  if (m_hWnd) DestroyWindow();  // deletes this
}
