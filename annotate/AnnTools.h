// The annotation tools: mouse gestures in a view become annotation objects on the set's current
// layer (line, rectangle, circle, freehand, polygon, text), and the select tool picks and moves
// them and opens their context menu. Bands are drawn in XOR with a white pen, so drawing one
// twice erases it; Shift makes segments vertical or horizontal and rectangles square.
// Not for: the measuring tools, the dialogs (AnnDialogs.h).
#pragma once

#include <vector>

#include "AnnObj.h"
#include "Tool.h"

class CVlr;

// Line, rectangle and circle: a band from the button-down point to the mouse.
class CAnnDragTool : public CTool {
  DECLARE_DYNAMIC(CAnnDragTool)
 public:
  ~CAnnDragTool() override;
  void SetCursor() override;
  BOOL OnLButtonDown(CVLRView* pView, int x, int y, UINT nFlags) override;
  BOOL OnMouseMove(CVLRView* pView, int x, int y, UINT nFlags) override;
  BOOL OnLButtonUp(CVLRView* pView, int x, int y, UINT nFlags) override;
  void OnViewRepaint() override { m_bFirstBand = TRUE; }

  // Shift on a rectangle or an ellipse: the end moves onto the square from the start, the side
  // the smaller of the two drag distances, keeping the drag's direction.
  static CPoint ConstrainToSquare(CPoint start, CPoint end);

 protected:
  CAnnDragTool() = default;
  enum Band { bandLine, bandRect, bandEllipse };
  virtual Band GetBand() const = 0;
  // The object for the finished drag, in client points (null for none).
  virtual CAnnObj* MakeObject(CVLRView* pView, CPoint start, CPoint end) = 0;

 private:
  CPoint Constrain(CPoint end, UINT nFlags) const;
  void XorBand(CVLRView* pView, CPoint end);

  BOOL m_bFirstBand = TRUE;
  CPoint m_ptStart;
  CPoint m_ptCurrent;
  CPoint m_ptLastDrawn;
  BOOL m_bDragging = FALSE;
  HWND m_hCaptureWnd = nullptr;
  HPEN m_hPen = nullptr;  // owned, made at the first band
};

class CAnnLineTool : public CAnnDragTool {
  DECLARE_DYNCREATE(CAnnLineTool)
 public:
  int GetToolId() const override { return idAnnLine; }

 protected:
  Band GetBand() const override { return bandLine; }
  CAnnObj* MakeObject(CVLRView* pView, CPoint start, CPoint end) override;
};

class CAnnRectTool : public CAnnDragTool {
  DECLARE_DYNCREATE(CAnnRectTool)
 public:
  int GetToolId() const override { return idAnnRect; }

 protected:
  Band GetBand() const override { return bandRect; }
  CAnnObj* MakeObject(CVLRView* pView, CPoint start, CPoint end) override;
};

class CAnnCircTool : public CAnnDragTool {
  DECLARE_DYNCREATE(CAnnCircTool)
 public:
  int GetToolId() const override { return idAnnCircle; }

 protected:
  Band GetBand() const override { return bandEllipse; }
  CAnnObj* MakeObject(CVLRView* pView, CPoint start, CPoint end) override;
};

// Text height (tool 11): the length of a dragged line, in true millimetres, becomes the default
// height of new texts.
class CAnnTextHTool : public CAnnDragTool {
  DECLARE_DYNCREATE(CAnnTextHTool)
 public:
  int GetToolId() const override { return idAnnTextHeight; }

 protected:
  Band GetBand() const override { return bandLine; }
  // Sets the setting "TextHeight" and tells the user; makes no object.
  CAnnObj* MakeObject(CVLRView* pView, CPoint start, CPoint end) override;
};

class CAnnPenTool : public CTool {
  DECLARE_DYNCREATE(CAnnPenTool)
 public:
  ~CAnnPenTool() override;
  int GetToolId() const override { return idAnnPen; }
  void SetCursor() override;
  BOOL OnLButtonDown(CVLRView* pView, int x, int y, UINT nFlags) override;
  BOOL OnMouseMove(CVLRView* pView, int x, int y, UINT nFlags) override;
  BOOL OnLButtonUp(CVLRView* pView, int x, int y, UINT nFlags) override;

 private:
  void DrawStroke(CVLRView* pView);

  std::vector<CPoint> m_points;  // client
  BOOL m_bDrawing = FALSE;
  HWND m_hCaptureWnd = nullptr;
};

class CAnnPolygonTool : public CTool {
  DECLARE_DYNCREATE(CAnnPolygonTool)
 public:
  ~CAnnPolygonTool() override;
  int GetToolId() const override { return idAnnPolygon; }
  void SetCursor() override;
  BOOL OnLButtonDown(CVLRView* pView, int x, int y, UINT nFlags) override;
  BOOL OnMouseMove(CVLRView* pView, int x, int y, UINT nFlags) override;
  BOOL OnLButtonDblClk(CVLRView* pView, int x, int y, UINT nFlags) override;
  void OnViewRepaint() override { m_bFirstBand = TRUE; }

 private:
  void XorBand(CVLRView* pView, CPoint end);
  HPEN Pen();

  std::vector<CPoint> m_points;  // client
  BOOL m_bActive = FALSE;
  BOOL m_bFirstBand = TRUE;
  CPoint m_ptLastFixed;
  CPoint m_ptLastDrawn;
  HPEN m_hPen = nullptr;  // owned
};

// Text (tool 10): a click asks for a text in the text dialog and places it there; Cancel ends the
// tool.
class CAnnTextTool : public CTool {
  DECLARE_DYNCREATE(CAnnTextTool)
 public:
  int GetToolId() const override { return idAnnText; }
  void SetCursor() override;
  BOOL OnLButtonDown(CVLRView* pView, int x, int y, UINT nFlags) override;

  // The font every text tool starts from, made by the first one and kept to the application's
  // end, which deletes it here.
  static void DeleteSharedFont();

 private:
  static AnnLogFont GetSharedFont();
  static void SetSharedFont(const AnnLogFont& font);
  static HFONT s_hSharedFont;  // owned by the class
};

class CAnnSelectTool : public CTool {
  DECLARE_DYNCREATE(CAnnSelectTool)
 public:
  ~CAnnSelectTool() override;
  int GetToolId() const override { return idAnnSelect; }
  BOOL Activate(CVLRView* pView) override;
  void SetCursor() override;
  BOOL OnLButtonDown(CVLRView* pView, int x, int y, UINT nFlags) override;
  BOOL OnMouseMove(CVLRView* pView, int x, int y, UINT nFlags) override;
  BOOL OnLButtonUp(CVLRView* pView, int x, int y, UINT nFlags) override;
  // Selects the object under the mouse and opens the annotation context menu for the selected
  // object.
  BOOL OnRButtonUp(CVLRView* pView, int x, int y, UINT nFlags, BOOL* pbHandled) override;

 private:
  void XorDraw(CVLRView* pView, CAnnObj& obj);
  // Makes pObj the selected object; both it and the one before repaint.
  static void Select(CVLRView* pView, CVlr& set, CAnnObj* pObj);

  BOOL m_bMoveCursor = FALSE;
  CPoint m_ptLast;
  BOOL m_bMoving = FALSE;
  DWORD m_crSaved = 0;
  HWND m_hCaptureWnd = nullptr;
};
