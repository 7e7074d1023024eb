// CZoomGlasTool (tool 3): the user drags a rectangle and that part of the document fills the
// view; the rectangle shown before goes on the view's zoom stack. A right click zooms back out.
#pragma once

#include "Tool.h"

class CZoomGlasTool : public CTool {
  DECLARE_DYNCREATE(CZoomGlasTool)
 public:
  CZoomGlasTool();
  ~CZoomGlasTool() override;

  int GetToolId() const override { return idZoomGlass; }
  void SetCursor() override;
  BOOL OnLButtonDown(CVLRView* pView, int x, int y, UINT nFlags) override;
  BOOL OnMouseMove(CVLRView* pView, int x, int y, UINT nFlags) override;
  BOOL OnLButtonUp(CVLRView* pView, int x, int y, UINT nFlags) override;
  BOOL OnRButtonUp(CVLRView* pView, int x, int y, UINT nFlags, BOOL* pbHandled) override;
  void OnViewRepaint() override { m_bBandShown = FALSE; }

  BOOL IsDragging() const { return m_bDragging; }
  BOOL IsBandShown() const { return m_bBandShown; }

 private:
  // Draws the band in XOR, which shows it or, drawn a second time, erases it.
  void XorBand(CVLRView* pView);
  void EraseBand(CVLRView* pView);

  CPoint m_ptStart;
  CPoint m_ptCurrent;
  BOOL m_bDragging = FALSE;
  BOOL m_bBandShown = FALSE;
  HWND m_hCaptureWnd = nullptr;  // the view window holding the capture while dragging
  CPen m_pen;
  static BOOL s_bFirstCursor;
};
