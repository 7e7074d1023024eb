// The raster-area tools: CRasArrowTool (tool 1) drags a rectangle, CRasPolygonTool (tool 2)
// clicks a polygon and closes it with a double click. Each finished shape replaces the
// document's raster selection, joins it (Shift or Ctrl) or is cut out of it (Ctrl over a
// selection), by the rules of model/RasterArea.h.
// Not for: drawing the selection (the view) or using it (the raster commands).
#pragma once

#include "PointArray.h"
#include "Tool.h"

// Shared by both tools: the dashed white XOR pen of the band and the drawing cursor.
class CRasAreaTool : public CTool {
  DECLARE_DYNAMIC(CRasAreaTool)
 public:
  ~CRasAreaTool() override;
  void SetCursor() override;

 protected:
  CRasAreaTool() = default;
  HPEN Pen();
  // Takes the capture for the view's window; released on button up, at the end of a polygon
  // and with the tool.
  void Capture(CVLRView* pView);
  void ReleaseCapture();
  // Drops the document's selection and updates every view.
  static void DeleteSelection(CVLRView* pView);
  // Adds the shape (document points) to the document's selection by the rule.
  static void AddShape(CVLRView* pView, const CPolygon& shape, BOOL bCtrl);

 private:
  HPEN m_hPen = nullptr;          // owned
  HWND m_hCaptureWnd = nullptr;  // the view window holding the capture
};

class CRasArrowTool : public CRasAreaTool {
  DECLARE_DYNCREATE(CRasArrowTool)
 public:
  int GetToolId() const override { return idRasterRect; }
  BOOL OnLButtonDown(CVLRView* pView, int x, int y, UINT nFlags) override;
  BOOL OnMouseMove(CVLRView* pView, int x, int y, UINT nFlags) override;
  BOOL OnLButtonUp(CVLRView* pView, int x, int y, UINT nFlags) override;
  void OnViewRepaint() override { m_bFirstBand = TRUE; }

 private:
  // Takes the last rectangle off the screen unless none is there, and with bDraw draws the one
  // to the current point.
  void DrawBand(CVLRView* pView, BOOL bDraw);

  BOOL m_bFirstBand = TRUE;
  CPoint m_ptStart;  // client
  CPoint m_ptCurrent;
  CPoint m_ptLastDrawn;
  BOOL m_bDragging = FALSE;
};

class CRasPolygonTool : public CRasAreaTool {
  DECLARE_DYNCREATE(CRasPolygonTool)
 public:
  int GetToolId() const override { return idRasterPolygon; }
  BOOL OnLButtonDown(CVLRView* pView, int x, int y, UINT nFlags) override;
  BOOL OnMouseMove(CVLRView* pView, int x, int y, UINT nFlags) override;
  BOOL OnLButtonDblClk(CVLRView* pView, int x, int y, UINT nFlags) override;
  // The context menu: "Close the polygon" and "Cancel", carried out by the view.
  BOOL OnRButtonUp(CVLRView* pView, int x, int y, UINT nFlags, BOOL* pbHandled) override;
  void OnViewRepaint() override { m_bFirstBand = TRUE; }

  // The view's commands of the context menu. Closing takes the modifier keys held now.
  void Close(CVLRView* pView);
  void Cancel(CVLRView* pView);

 private:
  void DrawBand(CVLRView* pView, BOOL bDraw);
  // Ends the shape: no capture, no band, no points; every view updated.
  void Clear(CVLRView* pView);

  CPolygon m_points;  // client, until the polygon is closed
  BOOL m_bActive = FALSE;
  CPoint m_ptLastFixed;
  CPoint m_ptCurrent;
  CPoint m_ptLastDrawn;
  BOOL m_bFirstBand = TRUE;
};
