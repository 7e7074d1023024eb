// CScaleCheckTool (tool 14): two clicked points and their true distance give the drawing scale,
// which the user may take. CGetDistDlg asks for the distance in a unit of the user's choice.
// Not for: the scale arithmetic (model/ScaleCheck.h).
#pragma once

#include "Tool.h"

class CGetDistDlg : public CDialog {
 public:
  explicit CGetDistDlg(CWnd* pParent);
  BOOL OnInitDialog() override;
  // Takes the text as a distance in the chosen unit; a distance below the smallest one taken
  // beeps and keeps the dialog open.
  void OnOK() override;

  double m_dDistance = 0.0;  // millimetres
  int m_nUnit;
};

class CScaleCheckTool : public CTool {
  DECLARE_DYNCREATE(CScaleCheckTool)
 public:
  ~CScaleCheckTool() override;
  // Like the length and area tools, a first point survives a switch to the zoom glass and back
  // through the view's slot for a suspended tool; leaving for any tool takes the band away.
  BOOL Activate(CVLRView* pView) override;
  void Deactivate(CVLRView* pView, int nNextId) override;
  int GetToolId() const override { return idScaleCheck; }
  void SetCursor() override;
  BOOL OnLButtonDown(CVLRView* pView, int x, int y, UINT nFlags) override;
  BOOL OnMouseMove(CVLRView* pView, int x, int y, UINT nFlags) override;
  void OnViewRepaint() override { m_bFirstBand = TRUE; }

 private:
  void DrawBand(CVLRView* pView, BOOL bDraw);
  // The second point is set: ask, offer, store. FALSE: the tool ends.
  BOOL Conclude(CVLRView* pView);
  void EraseBand(CVLRView* pView);

  BOOL m_bActive = FALSE;
  BOOL m_bFirstBand = TRUE;
  CPoint m_ptFirst;  // document
  CPoint m_ptCurrent;
  CPoint m_ptLastDrawn;
  HPEN m_hPen = nullptr;  // owned
};
