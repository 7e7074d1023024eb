// Four variants of the edit cell: the password cell (masks its text and keeps it off the clipboard), the
// cell with a vertical scroll bar, the hot-spot cell (a small button at the top right that tells the
// grid), and the spin cell (up and down arrows that count the value within bounds, wrapping if asked).
// Not for: the edit cell's own editing (GXEditControl.h).
#ifndef GRID_CONTROLS_GXEDITVARIANTS_H
#define GRID_CONTROLS_GXEDITVARIANTS_H

#include "GXButton.h"
#include "GXEditControl.h"

enum : WORD {
  GX_IDS_UA_SPINBOUND_MIN = 51014,
  GX_IDS_UA_SPINBOUND_MAX = 51015,
  GX_IDS_UA_SPINBOUND_WRAP = 51016,
  GX_IDS_UA_SPINSTART = 51021
};

class CGXPasswordControl : public CGXEditControl {
 public:
  CGXPasswordControl(CGXGridCore* pGrid, UINT nID) : CGXEditControl(pGrid, nID) {}
  static const GXCONTROLCLASS classCGXPasswordControl;
  const GXCONTROLCLASS* GetRuntimeClass() const override { return &classCGXPasswordControl; }

  BOOL GetControlText(CString& s, ROWCOL nRow, ROWCOL nCol, LPCTSTR pszValue, const CGXStyle& style) override;
  CString EditTextForValue(LPCTSTR pszValue) override;
  void Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style) override;
  BOOL CanFloatCell(ROWCOL, ROWCOL, const CGXStyle&, BOOL) override { return FALSE; }
  // Nothing of a password reaches the clipboard: a copy does nothing, and a cut, which cannot happen,
  // says so.
  BOOL Copy() override { return TRUE; }
  BOOL Cut() override { return FALSE; }
  BOOL GetSelectedText(CString& s) override;
  using CGXControl::GetControlText;

  BOOL m_bMaskText = TRUE;
  char m_chPasswordChar = '*';
};

class CGXVScrollEdit : public CGXEditControl {
 public:
  CGXVScrollEdit(CGXGridCore* pGrid, UINT nID) : CGXEditControl(pGrid, nID) {}
  static const GXCONTROLCLASS classCGXVScrollEdit;
  const GXCONTROLCLASS* GetRuntimeClass() const override { return &classCGXVScrollEdit; }
  BOOL CanFloatCell(ROWCOL, ROWCOL, const CGXStyle&, BOOL) override { return FALSE; }
};

class CGXHotSpotEdit : public CGXEditControl {
 public:
  CGXHotSpotEdit(CGXGridCore* pGrid, UINT nID);
  static const GXCONTROLCLASS classCGXHotSpotEdit;
  const GXCONTROLCLASS* GetRuntimeClass() const override { return &classCGXHotSpotEdit; }
  CRect GetCellRect(ROWCOL nRow, ROWCOL nCol, const CRect* pRect = nullptr, const CGXStyle* pStyle = nullptr) override;
  CSize AddBorders(CSize size, const CGXStyle& style) override;
  void InitChildren(ROWCOL nRow, ROWCOL nCol, const CRect& rect) override;
  void Init(ROWCOL nRow, ROWCOL nCol) override;
  BOOL CanFloatCell(ROWCOL, ROWCOL, const CGXStyle&, BOOL) override { return FALSE; }

  CGXHotSpotButton* m_pHotSpotButton;  // one of the children
};

// The bounds of a spin cell, read from its style.
struct GXSPINBOUNDS {
  BOOL bWrap = FALSE;
  long nMin = 0, nMax = 0;
  BOOL bMin = FALSE, bMax = FALSE;
  BOOL bStart = FALSE;
  long nStart = 0;
};
GXSPINBOUNDS GXReadSpinBounds(const CGXStyle& style);
// One step of a spin cell from its text.
long GXSpinStep(const CString& sText, BOOL bUp, const GXSPINBOUNDS& bounds);

class CGXSpinEdit : public CGXEditControl {
 public:
  CGXSpinEdit(CGXGridCore* pGrid, UINT nID);
  static const GXCONTROLCLASS classCGXSpinEdit;
  const GXCONTROLCLASS* GetRuntimeClass() const override { return &classCGXSpinEdit; }
  CRect GetCellRect(ROWCOL nRow, ROWCOL nCol, const CRect* pRect = nullptr, const CGXStyle* pStyle = nullptr) override;
  CSize AddBorders(CSize size, const CGXStyle& style) override;
  void InitChildren(ROWCOL nRow, ROWCOL nCol, const CRect& rect) override;
  void Init(ROWCOL nRow, ROWCOL nCol) override;
  BOOL LButtonDown(UINT nFlags, CPoint point) override;
  BOOL OnClickedButton(CGXChild* pChild) override;
  BOOL CanFloatCell(ROWCOL, ROWCOL, const CGXStyle&, BOOL) override { return FALSE; }
  static void AddUserAttributes(CGXStylesMap* pStylesMap);

  CGXUpArrowButton* m_pUpButton;      // one of the children
  CGXDownArrowButton* m_pDownButton;  // one of the children
  GXSPINBOUNDS m_bounds;
};

#endif  // GRID_CONTROLS_GXEDITVARIANTS_H
