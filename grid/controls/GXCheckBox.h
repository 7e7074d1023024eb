// The check-box cells: the value shown as a box with an optional caption. CGXCheckBox writes every
// click into the cell at once; CGXCheckBoxEx keeps the toggled value as an edit in progress until the
// grid stores it. Checked and unchecked values come from the style (51019, 51020), "1" and "0" by
// default; a tri-state box shows every other value as undetermined.
// Not for: radio buttons (GXRadioButton.h).
#ifndef GRID_CONTROLS_GXCHECKBOX_H
#define GRID_CONTROLS_GXCHECKBOX_H

#include "GXGridCore.h"

enum : WORD { GX_IDS_UA_CHECKBOX_CHECKED = 51019, GX_IDS_UA_CHECKBOX_UNCHECKED = 51020 };

// The state bits of a box.
enum : UINT { GX_CHECK_CURRENT = 1, GX_CHECK_GREY = 2, GX_CHECK_CHECKED = 4, GX_CHECK_UNCHECKED = 8 };

class CGXCheckBox : public CGXControl {
 public:
  CGXCheckBox(CGXGridCore* pGrid, BOOL bDraw3dFrame = FALSE, UINT nBitmapResourceId = 0,
              UINT nPrintBitmapResourceId = 0);
  static const GXCONTROLCLASS classCGXCheckBox;
  const GXCONTROLCLASS* GetRuntimeClass() const override { return &classCGXCheckBox; }

  CSize CalcSize(CGXTextMeasurer& m, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style, BOOL bHeight) override;
  void Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style) override;
  BOOL ConvertControlTextToValue(CString& s, ROWCOL nRow, ROWCOL nCol, const CGXStyle* pStyle) override;
  BOOL MouseMove(UINT nFlags, CPoint point) override;
  BOOL LButtonDown(UINT nFlags, CPoint point) override;
  BOOL LButtonUp(UINT nFlags, CPoint point) override;
  BOOL LButtonDblClk(UINT nFlags, CPoint point) override;
  BOOL ProcessKeys(UINT nMessage, UINT nChar, UINT nRepCnt, UINT nFlags) override;
  BOOL OnClickedButton(CGXChild* pChild) override;
  void CancelMode() override;

  virtual UINT GetState(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style);
  virtual void DrawCheckBox(CGXGridSurface& surface, const CRect& rect, UINT nState);
  virtual CRect ComputeCheckBoxRect(CGXTextMeasurer& m, const CRect& rect, const CString& sCaption, UINT nAlign);

  static void AddUserAttributes(CGXStylesMap* pStylesMap);
  // The values of a style and the next value of a click.
  static CString CheckedValue(const CGXStyle& style);
  static CString UncheckedValue(const CGXStyle& style);
  static CString ToggledValue(const CString& sValue, const CGXStyle& style);
  // The image frame of the state bits: 0 unchecked, 1 checked, 2 and 3 the same greyed, 4 undetermined.
  static int FrameOfState(UINT nState);

  BOOL m_bDraw3dFrame;
  UINT m_nBitmapResourceId;
  UINT m_nPrintBitmapResourceId;
  int m_nBoxSize = 13;
  BOOL m_bScope = FALSE;
  CRect m_rectBox;

 protected:
  // The style the box shows for the bound cell (the cached one for the edit-in-progress kind).
  virtual const CGXStyle* BoundStyle();
  BOOL CellReadOnly(const CGXStyle* pStyle);
  UINT AlignFlags(const CGXStyle& style) const;
};

class CGXCheckBoxEx : public CGXCheckBox {
 public:
  CGXCheckBoxEx(CGXGridCore* pGrid, BOOL bDraw3dFrame = FALSE) : CGXCheckBox(pGrid, bDraw3dFrame) {}
  static const GXCONTROLCLASS classCGXCheckBoxEx;
  const GXCONTROLCLASS* GetRuntimeClass() const override { return &classCGXCheckBoxEx; }

  void SetActive(BOOL bActive) override;
  BOOL IsActive() const override { return m_bActive; }
  void SetModify(BOOL bModified) override { m_bModified = bModified; }
  BOOL GetModify() const override { return m_bModified; }
  void Init(ROWCOL nRow, ROWCOL nCol) override;
  BOOL Store() override;
  void Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style) override;
  BOOL ProcessKeys(UINT nMessage, UINT nChar, UINT nRepCnt, UINT nFlags) override;
  BOOL OnClickedButton(CGXChild* pChild) override;
  BOOL OnCancelEditing() override;

  BOOL m_bActive = FALSE;
  BOOL m_bModified = FALSE;

 protected:
  const CGXStyle* BoundStyle() override;
};

#endif  // GRID_CONTROLS_GXCHECKBOX_H
