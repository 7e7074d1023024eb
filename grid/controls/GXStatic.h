// The static text cell and the header cell: text drawn without a window, with the static cell's text
// margins; the header adds the button look of row and column headers.
// Not for: editing (GXEditControl.h).
#ifndef GRID_CONTROLS_GXSTATIC_H
#define GRID_CONTROLS_GXSTATIC_H

#include "GXControlFactory.h"
#include "GXGridCore.h"

// Control ids of the cell controls (also the string ids of their names).
enum : WORD {
  GX_IDS_CTRL_STATIC = 52513,
  GX_IDS_CTRL_PUSHBTN = 52514,
  GX_IDS_CTRL_RADIOBTN = 52515,
  GX_IDS_CTRL_CHECKBOX = 52516,
  GX_IDS_CTRL_COMBOBOX = 52517,
  GX_IDS_CTRL_HOTSPOT = 52518,
  GX_IDS_CTRL_SPINEDIT = 52519,
  GX_IDS_CTRL_SCROLLEDIT = 52521,
  GX_IDS_CTRL_CHECKBOX3D = 52523,
  GX_IDS_CTRL_RADIOBTN3D = 52524,
  GX_IDS_CTRL_ZEROBASED = 52525,
  GX_IDS_CTRL_ONEBASED = 52526,
  GX_IDS_CTRL_TEXTFIT = 52527,
  GX_IDS_CTRL_CBS_DROPDOWN = 52528,
  GX_IDS_CTRL_ONEBASED_EX = 52531,
  GX_IDS_CTRL_ZEROBASED_EX = 52532,
  GX_IDS_CTRL_PROGRESS = 52536,
  GX_IDS_CTRL_PASSWORD = 52537,
  GX_IDS_CTRL_TABBED_DROPDOWN = 52539,
  GX_IDS_CTRL_TABBED_DROPDOWNLIST = 52540,
  GX_IDS_CTRL_TABBED_COMBO = 52541,
  GX_IDS_CTRL_DAOBITMAP = 20128,
  GX_IDS_CTRL_CHECKBOXEX = 20130,
  GX_IDS_CTRL_CHECKBOX3DEX = 20131,
  GX_IDS_CTRL_RADIOBTN3DEX = 20136,
  GX_IDS_CTRL_RADIOBTNEX = 20137
};

class CGXStatic : public CGXControl {
 public:
  explicit CGXStatic(CGXGridCore* pGrid) : CGXControl(pGrid) {}
  static const GXCONTROLCLASS classCGXStatic;
  const GXCONTROLCLASS* GetRuntimeClass() const override { return &classCGXStatic; }

  CRect GetCellRect(ROWCOL nRow, ROWCOL nCol, const CRect* pRect = nullptr, const CGXStyle* pStyle = nullptr) override;
  CSize AddBorders(CSize size, const CGXStyle& style) override;
  CSize CalcSize(CGXTextMeasurer& m, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style, BOOL bHeight) override;
  void Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style) override;

  // The text margin: 2 pixels (half the sizing frame where that is wider, which this grid does not use).
  static const int kMargin = 2;

 protected:
  // Draws a text as the static cell does.
  void DrawStaticText(CGXGridSurface& surface, const CRect& rect, const CString& s, const CGXStyle& style);
};

class CGXHeader : public CGXStatic {
 public:
  explicit CGXHeader(CGXGridCore* pGrid) : CGXStatic(pGrid) {}
  static const GXCONTROLCLASS classCGXHeader;
  const GXCONTROLCLASS* GetRuntimeClass() const override { return &classCGXHeader; }
  void DrawCurrentCellFrame(CGXGridSurface& surface, const CRect& rect) override;
  void Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style) override;
};

#endif  // GRID_CONTROLS_GXSTATIC_H
