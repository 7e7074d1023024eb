// CTool: the interface every mouse interaction of a view goes through, and the object of no tool
// (every handler accepts and does nothing). The view owns exactly one current tool, switches it
// by number through CTool::Create and feeds it the mouse messages of its window. A handler that
// returns FALSE ends its tool: the view goes back to the tool it had before.
// Not for: the tools themselves (each has its own file).
#pragma once

#include "FrameworkWin.h"

class CVLRView;

class CTool : public CObject {
  DECLARE_DYNCREATE(CTool)
 public:
  // Tool numbers; any other number makes the plain tool.
  enum {
    idNone = 0,
    idRasterRect = 1,
    idRasterPolygon = 2,
    idZoomGlass = 3,
    idAnnSelect = 4,
    idAnnPen = 5,
    idAnnLine = 6,
    idAnnCircle = 7,
    idAnnRect = 8,
    idAnnPolygon = 9,
    idAnnText = 10,
    idAnnTextHeight = 11,
    idLength = 12,
    idArea = 13,
    idScaleCheck = 14,
  };

  CTool() = default;

  // A new tool of that number, owned by the caller.
  static CTool* Create(int nId);

  virtual BOOL Activate(CVLRView* pView);
  virtual void Deactivate(CVLRView* pView, int nNextId);
  virtual int GetToolId() const { return idNone; }
  virtual void SetCursor();
  virtual BOOL OnLButtonDown(CVLRView* pView, int x, int y, UINT nFlags);
  // Kept in its place in the interface; nothing calls it.
  virtual BOOL OnReserved(CVLRView* pView, int x, int y, UINT nFlags);
  virtual BOOL OnLButtonUp(CVLRView* pView, int x, int y, UINT nFlags);
  virtual BOOL OnRButtonUp(CVLRView* pView, int x, int y, UINT nFlags, BOOL* pbHandled);
  virtual BOOL OnMouseMove(CVLRView* pView, int x, int y, UINT nFlags);
  virtual BOOL OnLButtonDblClk(CVLRView* pView, int x, int y, UINT nFlags);

  // The view is about to repaint: whatever band the tool drew in XOR is wiped by the paint, so the
  // tool must not erase it again (that would draw it anew).
  virtual void OnViewRepaint() {}

  // Shift held during a drag: the end point moves onto the vertical (|dx| <= |dy|, ties included)
  // or the horizontal through the start point.
  static CPoint ConstrainToAxis(CPoint start, CPoint end);

  // One of the program's own cursors, or the system's stand-in when the resources lack it.
  static void SetOwnCursor(UINT nId, LPCSTR lpszStandIn);
  // The drawing cursor (resource 197) of the tools that draw or measure.
  static void SetDrawingCursor();

  // One segment of a rubber band in client points, in XOR with the pen on the window: takes the
  // segment from `from` to `lastDrawn` off the screen unless bNoneOnScreen, and with bDraw draws
  // the one to `to` and remembers it.
  static void XorBand(CWnd* pWnd, HPEN hPen, CPoint from, CPoint to, CPoint& lastDrawn, BOOL& bNoneOnScreen,
                      BOOL bDraw);

  // The fixed lines of a polygon being clicked, in client points, with the band's pen inverted so
  // that a white pen shows black on white.
  static void DrawFixedLines(CWnd* pWnd, HPEN hPen, const POINT* pPoints, int nCount);
};
