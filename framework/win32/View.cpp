// CView: joining the document at creation, painting through OnDraw, the default refresh, and
// command routing to the document.
#include "View.h"

#include "Document.h"
#include "FrameWnd.h"
#include "Gdi.h"

IMPLEMENT_DYNAMIC(CView, CWnd)

BEGIN_MESSAGE_MAP(CView, CWnd)
  ON_WM_CREATE()
  ON_WM_DESTROY()
  ON_WM_PAINT()
  ON_MESSAGE(WM_MOUSEACTIVATE, OnMouseActivate)
  ON_MESSAGE(WM_INITIALUPDATE, OnInitialUpdateMessage)
END_MESSAGE_MAP()

CView::~CView() {
  if (m_pDocument) m_pDocument->RemoveView(this);
}

BOOL CView::PreCreateWindow(CREATESTRUCTA& cs) {
  if (!cs.lpszClass) {
    AfxRegisterDefaultClasses();
    cs.lpszClass = kAfxFrameOrView;
  }
  cs.style |= WS_CLIPSIBLINGS;
  return TRUE;
}

int CView::OnCreate(LPCREATESTRUCT lpcs) {
  if (CWnd::OnCreate(lpcs) == -1) return -1;
  CCreateContext* pContext = static_cast<CCreateContext*>(lpcs->lpCreateParams);
  if (pContext && pContext->m_pCurrentDoc) pContext->m_pCurrentDoc->AddView(this);
  return 0;
}

void CView::OnDestroy() {
  CFrameWnd* frame = GetParentFrame();
  if (frame && frame->GetActiveView() == this) frame->SetActiveView(nullptr, FALSE);
  Default();
}

void CView::OnPaint() {
  CPaintDC dc(this);
  OnPrepareDC(&dc);
  OnDraw(&dc);
}

void CView::OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }

void CView::OnUpdate(CView* pSender, LPARAM, CObject*) {
  (void)pSender;
  Invalidate(TRUE);
}

void CView::OnActivateView(BOOL bActivate, CView* pActivateView, CView*) {
  if (bActivate && pActivateView == this && m_hWnd) ::SetFocus(m_hWnd);
}

LRESULT CView::OnMouseActivate(WPARAM wParam, LPARAM lParam) {
  LRESULT result = DefWindowProc(WM_MOUSEACTIVATE, wParam, lParam);
  if (result == MA_NOACTIVATE || result == MA_NOACTIVATEANDEAT) return result;
  // A click in a view makes it the active view of its frame.
  if (CFrameWnd* frame = GetParentFrame()) frame->SetActiveView(this);
  return result;
}

LRESULT CView::OnInitialUpdateMessage(WPARAM, LPARAM) {
  OnInitialUpdate();
  return 0;
}

BOOL CView::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  return m_pDocument && m_pDocument->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}
