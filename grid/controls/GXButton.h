// The windowless objects inside a cell: the push button, the hot-spot button, the spin arrows with their
// auto-repeat, and the combo cells' drop-down button. A button reports a completed click to its owner's
// OnClickedButton.
// Not for: the cells that own them.
#ifndef GRID_CONTROLS_GXBUTTON_H
#define GRID_CONTROLS_GXBUTTON_H

#include "GXGridCore.h"

// The system tick count the arrow buttons repeat by; tests set their own clock.
typedef DWORD (*GX_TICKCOUNT_PROC)();
void GXSetTickCountProc(GX_TICKCOUNT_PROC pfn);
DWORD GXGetTickCount();

class CGXButton : public CGXChild {
 public:
  explicit CGXButton(CGXControl* pParent) : CGXChild(pParent) {}
  void Draw(CGXGridSurface& surface, BOOL bActive) override;
  BOOL LButtonDown(UINT nFlags, CPoint point) override;
  BOOL MouseMove(UINT nFlags, CPoint point) override;
  BOOL LButtonUp(UINT nFlags, CPoint point) override;
  BOOL KeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override;
  BOOL KeyUp(UINT nChar, UINT nRepCnt, UINT nFlags) override;
  void CancelMode() override;

  BOOL m_bPressed = FALSE;
  BOOL m_bMouseDown = FALSE;
  BOOL m_bCanPress = TRUE;

 protected:
  // The face and its raised or sunken edge; the rectangle inside the edge.
  CRect DrawFace(CGXGridSurface& surface, BOOL bActive);
  BOOL ShownPressed(BOOL bActive) const { return bActive && HasFocus() && m_bPressed; }
};

class CGXArrowButton : public CGXButton {
 public:
  explicit CGXArrowButton(CGXControl* pParent) : CGXButton(pParent) {}
  BOOL LButtonDown(UINT nFlags, CPoint point) override;
  BOOL MouseMove(UINT nFlags, CPoint point) override;
  BOOL LButtonUp(UINT nFlags, CPoint point) override;

  DWORD m_dwLastTick = 0;
  int m_nRepeatDelay = 500;
};

class CGXUpArrowButton : public CGXArrowButton {
 public:
  explicit CGXUpArrowButton(CGXControl* pParent) : CGXArrowButton(pParent) {}
  void Draw(CGXGridSurface& surface, BOOL bActive) override;
};

class CGXDownArrowButton : public CGXArrowButton {
 public:
  explicit CGXDownArrowButton(CGXControl* pParent) : CGXArrowButton(pParent) {}
  void Draw(CGXGridSurface& surface, BOOL bActive) override;
};

class CGXHotSpotButton : public CGXButton {
 public:
  explicit CGXHotSpotButton(CGXControl* pParent) : CGXButton(pParent) {}
  void Draw(CGXGridSurface& surface, BOOL bActive) override;
};

class CGXComboBoxButton : public CGXButton {
 public:
  explicit CGXComboBoxButton(CGXControl* pParent) : CGXButton(pParent) {}
  void Draw(CGXGridSurface& surface, BOOL bActive) override;
  // Shown in every cell, not only in the active one.
  BOOL m_bShowAlways = FALSE;
};

// The rows of a spin arrow, as (x, y, width) one pixel high, for a button rectangle; none below 5 pixels.
struct GXARROWROW {
  int x, y, nWidth;
};
int GXSpinArrowRows(const CRect& rect, BOOL bUp, BOOL bPressed, GXARROWROW rows[4]);

#endif  // GRID_CONTROLS_GXBUTTON_H
