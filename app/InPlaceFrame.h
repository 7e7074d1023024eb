// CInPlaceFrame: the frame of a Vellview document edited in place inside a container: a resize
// bar, a drop target, and the toolbar it puts on the container's frame.
#pragma once

#include "FrameworkWin.h"

class CInPlaceFrame : public COleIPFrameWnd {
  DECLARE_DYNCREATE(CInPlaceFrame)
 public:
  CInPlaceFrame() = default;

  // The in-place toolbar's commands, 0 a gap.
  static const UINT kToolbarButtons[14];

  BOOL OnCreateControlBars(CFrameWnd* pWndFrame, CFrameWnd* pWndDoc) override;
  int OnCreate(LPCREATESTRUCT lpcs);

  DECLARE_MESSAGE_MAP()

 protected:
  CToolBar m_wndToolBar;
  COleResizeBar m_wndResizeBar;
  COleDropTarget m_dropTarget;
};
