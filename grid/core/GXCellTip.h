// Cell tips: whether a cell whose content does not fit (or lies partly outside the grid window or the
// screen) needs a tip, which kind, and where the text tip lies on the screen. All rectangles are in
// screen coordinates; the window that shows the tip is the window system's.
// Not for: measuring text or drawing the tip.
#ifndef GRID_CORE_GXCELLTIP_H
#define GRID_CORE_GXCELLTIP_H

#include "Framework.h"

enum {
  GX_TIP_WIDER = 1,
  GX_TIP_TALLER = 2,
  GX_TIP_OUTSIDE_WINDOW_X = 4,
  GX_TIP_OUTSIDE_WINDOW_Y = 8,
  GX_TIP_OFF_SCREEN_X = 16,
  GX_TIP_OFF_SCREEN_Y = 32
};

enum { GX_TIP_TEXT = 1, GX_TIP_BITMAP = 2 };

// 2 (bitmap) for a control that is no edit control and shows a "#BMP" text, else 1 (text).
int GXCellTipKind(BOOL bHasControl, BOOL bEditControl, LPCTSTR pszText);

// Where a rectangle sticks out of the grid window's client area and of the screen.
UINT GXCellTipVisibility(const CRect& rect, const CRect& rectClient, CSize sizeScreen);

// Whether text of the given size overflows the visible part of its text rectangle (wider by more than
// one pixel, taller), with the visibility bits of the rectangle the text needs.
UINT GXCellTipTextOverflow(CSize sizeText, const CRect& rectText, const CRect& rectClient, CSize sizeScreen);

// The rectangle of a text tip: the cell's inner rectangle, the text's rectangle in the cell, the text's
// size, the need bits and the cell's centring; it always lies on the screen.
CRect GXCalcTextTipRect(const CRect& rectCell, const CRect& rectText, CSize sizeText, UINT nBits, BOOL bHCenter,
                        BOOL bVCenter, CSize sizeScreen);

#endif  // GRID_CORE_GXCELLTIP_H
