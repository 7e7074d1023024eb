// The measuring tools: the length of a clicked polyline (CLengthTool) and the area and perimeter
// of a clicked polygon (CAreaTool), in true millimetres through the annotation set's drawing
// scale. The status bar follows the running and current lengths; a measurement survives a switch
// to the zoom glass and back, through the view's slot for a suspended tool.
// Not for: the result dialogs (MeasureResultDlg.h).
#pragma once

#include "PointArray.h"
#include "Tool.h"

// One segment of a measuring tool's XOR rubber band, in document points: takes the segment from
// `from` to `lastDrawn` off the screen unless bNoneOnScreen, and with bDraw draws the one to `to`
// and remembers it. Returns bDraw.
BOOL XorBandSegment(CVLRView* pView, HPEN hPen, CPoint from, CPoint to, CPoint& lastDrawn, BOOL& bNoneOnScreen,
                    BOOL bDraw);

class CMeasureTool : public CTool {
  DECLARE_DYNAMIC(CMeasureTool)
 public:
  ~CMeasureTool() override;
  BOOL Activate(CVLRView* pView) override;
  void Deactivate(CVLRView* pView, int nNextId) override;
  void SetCursor() override;
  BOOL OnLButtonDown(CVLRView* pView, int x, int y, UINT nFlags) override;
  BOOL OnMouseMove(CVLRView* pView, int x, int y, UINT nFlags) override;
  BOOL OnLButtonDblClk(CVLRView* pView, int x, int y, UINT nFlags) override;
  // The context menu of the measurement: end, undo the last point, cancel.
  BOOL OnRButtonUp(CVLRView* pView, int x, int y, UINT nFlags, BOOL* pbHandled) override;
  void OnViewRepaint() override { m_bFirstBand = TRUE; }

  // The view's commands "End", "Undo last point" and "Cancel".
  virtual void Finish(CVLRView* pView) = 0;
  void UndoLastPoint(CVLRView* pView);
  void Cancel(CVLRView* pView);

  const CPolygon& GetPoints() const { return m_points; }
  // True millimetres of a length, and square millimetres of an area, in document units of the
  // view's document.
  static double TrueMm(CVLRView* pView, double dDocLength);
  static double TrueMm2(CVLRView* pView, double dDocArea);
  double GetRunningLength() const { return m_dRunning; }

 protected:
  CMeasureTool() = default;
  // A copy of the measurement's state for the view's slot.
  virtual CMeasureTool* CloneState() const = 0;
  void CopyStateFrom(const CMeasureTool& other);
  void EraseBand(CVLRView* pView);
  // The band erased and the measurement no longer following the mouse.
  void EndBand(CVLRView* pView);
  void Clear(CVLRView* pView);

 private:
  void DrawFixed(CVLRView* pView);
  void DrawBand(CVLRView* pView, BOOL bDraw);
  HPEN Pen();

  CPolygon m_points;  // document
  BOOL m_bActive = FALSE;
  CPoint m_ptLastFixed;
  CPoint m_ptCurrent;
  CPoint m_ptPrevFixed;
  CPoint m_ptLastDrawn;
  BOOL m_bFirstBand = TRUE;
  double m_dRunning = 0.0;  // document units of the fixed polyline
  HPEN m_hPen = nullptr;    // owned
};

class CLengthTool : public CMeasureTool {
  DECLARE_DYNCREATE(CLengthTool)
 public:
  int GetToolId() const override { return idLength; }
  void Finish(CVLRView* pView) override;

 protected:
  CMeasureTool* CloneState() const override;
};

class CAreaTool : public CMeasureTool {
  DECLARE_DYNCREATE(CAreaTool)
 public:
  int GetToolId() const override { return idArea; }
  void Finish(CVLRView* pView) override;

 protected:
  CMeasureTool* CloneState() const override;
};
