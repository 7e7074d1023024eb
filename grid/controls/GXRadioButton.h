// The radio-button cells: the non-empty lines of the style's choice list as a group of buttons, the
// cell's value the zero-based index of the chosen line. CGXRadioButton writes every choice into the cell
// at once; CGXRadioButtonEx can lay the buttons out side by side, put the texts on either side, and keeps
// a choice as an edit in progress until the grid stores it.
// Not for: check boxes (GXCheckBox.h).
#ifndef GRID_CONTROLS_GXRADIOBUTTON_H
#define GRID_CONTROLS_GXRADIOBUTTON_H

#include "GXGridCore.h"

#include <vector>

enum : WORD { GX_IDS_UA_RADIOBUTTON_ALIGN = 51057, GX_IDS_UA_RADIOBUTTONTEXTALIGN = 52568 };

// The buttons of a choice list: the non-empty lines in order.
std::vector<CString> GXRadioItems(const CString& sChoices);
// The index a value selects: -1 for an empty value, else its number (text that is no number gives 0).
int GXRadioIndex(const CString& sValue);

class CGXRadioButton : public CGXControl {
 public:
  CGXRadioButton(CGXGridCore* pGrid, BOOL bDraw3dFrame = FALSE) : CGXControl(pGrid), m_bDraw3dFrame(bDraw3dFrame) {}
  static const GXCONTROLCLASS classCGXRadioButton;
  const GXCONTROLCLASS* GetRuntimeClass() const override { return &classCGXRadioButton; }

  CSize CalcSize(CGXTextMeasurer& m, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style, BOOL bHeight) override;
  void Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style) override;
  BOOL LButtonDown(UINT nFlags, CPoint point) override;
  BOOL LButtonUp(UINT nFlags, CPoint point) override;
  BOOL ProcessKeys(UINT nMessage, UINT nChar, UINT nRepCnt, UINT nFlags) override;

  virtual int DrawRadioButtons(CGXGridSurface& surface, const CRect& rect, const CString& sValue,
                               const CString& sChoices, BOOL bDraw3d);
  virtual void DrawRadioButton(CGXGridSurface& surface, const CRect& rectItem, BOOL bSelected, BOOL bDraw3d);
  virtual int HitTest(CGXTextMeasurer& m, const CRect& rect, const CString& sChoices, CPoint point);

  // The line height: the font's, at least 12.
  static int LineHeight(CGXTextMeasurer& m);

  int m_nCount = 0;
  BOOL m_bDraw3dFrame;
};

class CGXRadioButtonEx : public CGXControl {
 public:
  CGXRadioButtonEx(CGXGridCore* pGrid, BOOL bDraw3dFrame = FALSE)
      : CGXControl(pGrid), m_bDraw3dFrame(bDraw3dFrame) {}
  static const GXCONTROLCLASS classCGXRadioButtonEx;
  const GXCONTROLCLASS* GetRuntimeClass() const override { return &classCGXRadioButtonEx; }

  void SetActive(BOOL bActive) override;
  BOOL IsActive() const override { return m_bActive; }
  void SetModify(BOOL bModified) override { m_bModified = bModified; }
  BOOL GetModify() const override { return m_bModified; }
  void Init(ROWCOL nRow, ROWCOL nCol) override;
  BOOL Store() override;
  BOOL OnCancelEditing() override;
  void Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style) override;
  BOOL LButtonDown(UINT nFlags, CPoint point) override;
  BOOL LButtonUp(UINT nFlags, CPoint point) override;
  BOOL ProcessKeys(UINT nMessage, UINT nChar, UINT nRepCnt, UINT nFlags) override;
  BOOL HandlesCoveredCellClick() const override { return TRUE; }

  // The item rectangles (button and text areas) of the layout the style asks for.
  struct Item {
    CRect button;
    CRect text;
  };
  std::vector<Item> Layout(CGXTextMeasurer& m, const CRect& rect, const CGXStyle& style);
  static void AddUserAttributes(CGXStylesMap* pStylesMap);

  BOOL m_bActive = FALSE;
  BOOL m_bModified = FALSE;
  int m_nCount = 0;
  BOOL m_bDraw3dFrame;
};

#endif  // GRID_CONTROLS_GXRADIOBUTTON_H
