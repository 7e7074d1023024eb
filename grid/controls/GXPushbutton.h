// The push-button cell: one button that fills the cell, its caption the style's choice list; a click
// tells the grid (the cell itself does not change).
// Not for: the button's own press and click handling (GXButton.h).
#ifndef GRID_CONTROLS_GXPUSHBUTTON_H
#define GRID_CONTROLS_GXPUSHBUTTON_H

#include "GXButton.h"

enum : WORD { GX_IDS_UA_PUSHBTN_FACECOLOR = 52569 };

class CGXPushbutton : public CGXControl {
 public:
  explicit CGXPushbutton(CGXGridCore* pGrid);
  static const GXCONTROLCLASS classCGXPushbutton;
  const GXCONTROLCLASS* GetRuntimeClass() const override { return &classCGXPushbutton; }

  void Init(ROWCOL nRow, ROWCOL nCol) override;
  CSize CalcSize(CGXTextMeasurer& m, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style, BOOL bHeight) override;
  void DrawCurrentCellFrame(CGXGridSurface& surface, const CRect& rect) override;
  void Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style) override;
  void InitChildren(ROWCOL nRow, ROWCOL nCol, const CRect& rect) override;

  CGXButton* m_pButton;  // one of the children

 private:
  CString m_sCaption;  // the caption of the cell being laid out
};

#endif  // GRID_CONTROLS_GXPUSHBUTTON_H
