// The in-place frame of a Vellview document.
#include "InPlaceFrame.h"

#include "resource.h"

IMPLEMENT_DYNCREATE(CInPlaceFrame, COleIPFrameWnd)

BEGIN_MESSAGE_MAP(CInPlaceFrame, COleIPFrameWnd)
  ON_WM_CREATE()
END_MESSAGE_MAP()

const UINT CInPlaceFrame::kToolbarButtons[14] = {
    ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, 0,  ID_FILE_PRINT,     0, ID_ZOOM_IN, ID_ZOOM_OUT, 0, ID_VIEW_ENTIRE,
    ID_REDLINE_SELECT, 0, ID_RASTER_ARROW, ID_TOOLS_LENGTH};

int CInPlaceFrame::OnCreate(LPCREATESTRUCT lpcs) {
  if (COleIPFrameWnd::OnCreate(lpcs) == -1) return -1;
  if (!m_wndResizeBar.Create(this, WS_CHILD | WS_VISIBLE, AFX_IDW_RESIZE_BAR)) return -1;
  // Objects dropped on the frame are refused, not passed to the container behind it.
  m_dropTarget.Register(this);
  RecalcLayout();
  return 0;
}

BOOL CInPlaceFrame::OnCreateControlBars(CFrameWnd* pWndFrame, CFrameWnd*) {
  if (!pWndFrame) return FALSE;
  if (!m_wndToolBar.CreateEx(pWndFrame, TBSTYLE_FLAT, 0x50002800, CRect(0, 0, 0, 0), AFX_IDW_TOOLBAR) ||
      !m_wndToolBar.LoadBitmap(IDR_SRVR_INPLACE) ||
      !m_wndToolBar.SetButtons(kToolbarButtons, static_cast<int>(sizeof kToolbarButtons / sizeof kToolbarButtons[0]))) {
    return FALSE;
  }
  // The bar's commands come to this frame, so they reach the document being edited.
  m_wndToolBar.SetOwner(this);
  m_wndToolBar.SendMessage(TB_SETPARENT, reinterpret_cast<WPARAM>(m_hWnd));
  m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
  pWndFrame->EnableDocking(CBRS_ALIGN_ANY);
  pWndFrame->DockControlBar(&m_wndToolBar);
  m_wndToolBar.SetBarStyle(m_wndToolBar.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY);
  return TRUE;
}
