// The cell tip's decisions and placement.
#include "GXCellTip.h"

#include <algorithm>
#include <cstring>

int GXCellTipKind(BOOL bHasControl, BOOL bEditControl, LPCTSTR pszText) {
  if (!bHasControl || bEditControl || pszText == nullptr)
    return GX_TIP_TEXT;
  return std::strncmp(pszText, "#BMP", 4) == 0 ? GX_TIP_BITMAP : GX_TIP_TEXT;
}

UINT GXCellTipVisibility(const CRect& rect, const CRect& rectClient, CSize sizeScreen) {
  UINT nBits = 0;
  if (rect.left < rectClient.left || rect.right > rectClient.right)
    nBits |= GX_TIP_OUTSIDE_WINDOW_X;
  if (rect.top < rectClient.top || rect.bottom > rectClient.bottom)
    nBits |= GX_TIP_OUTSIDE_WINDOW_Y;
  if (rect.left < 0 || rect.right > sizeScreen.cx)
    nBits |= GX_TIP_OFF_SCREEN_X;
  if (rect.top < 0 || rect.bottom > sizeScreen.cy)
    nBits |= GX_TIP_OFF_SCREEN_Y;
  return nBits;
}

UINT GXCellTipTextOverflow(CSize sizeText, const CRect& rectText, const CRect& rectClient, CSize sizeScreen) {
  UINT nBits = 0;
  if (sizeText.cx > rectText.Width() + 1)
    nBits |= GX_TIP_WIDER;
  if (sizeText.cy > rectText.Height())
    nBits |= GX_TIP_TALLER;
  const CRect rectNeeded(rectText.left, rectText.top, rectText.left + std::max<LONG>(sizeText.cx, rectText.Width()),
                         rectText.top + std::max<LONG>(sizeText.cy, rectText.Height()));
  return nBits | GXCellTipVisibility(rectNeeded, rectClient, sizeScreen);
}

namespace {

// One direction of the tip: its extent and its start on the screen.
void PlaceTip(LONG nCellStart, LONG nCellExtent, LONG nTextStart, LONG nContent, BOOL bOffScreen, BOOL bOutside,
              BOOL bCentred, LONG nScreen, LONG nSlack, LONG& nStart, LONG& nExtent) {
  if (bOffScreen) {
    nExtent = nContent;
  } else {
    const LONG nNeed = (nTextStart - nCellStart) + nContent;
    const LONG nCell = nCellExtent + nSlack, nRoom = nScreen - nCellStart + nSlack;
    if ((bCentred || !bOutside) && nNeed < nCell && nNeed < nRoom)
      nExtent = std::min(nCell, nRoom);
    else
      nExtent = nNeed;
  }
  nStart = nCellStart;
  if (bOffScreen)
    nStart = nCellStart + nExtent <= nScreen ? std::max<LONG>(nCellStart, 0) : nScreen - nExtent;
  nStart = std::max<LONG>(0, std::min(nStart, nScreen - nExtent));
}

}  // namespace

CRect GXCalcTextTipRect(const CRect& rectCell, const CRect& rectText, CSize sizeText, UINT nBits, BOOL bHCenter,
                        BOOL bVCenter, CSize sizeScreen) {
  const CSize content(sizeText.cx + 6, sizeText.cy + 2);
  LONG x = 0, w = 0, y = 0, h = 0;
  PlaceTip(rectCell.left, rectCell.Width(), rectText.left, content.cx, (nBits & GX_TIP_OFF_SCREEN_X) != 0,
           (nBits & GX_TIP_OUTSIDE_WINDOW_X) != 0, bHCenter, sizeScreen.cx, 1, x, w);
  PlaceTip(rectCell.top, rectCell.Height(), rectText.top, content.cy, (nBits & GX_TIP_OFF_SCREEN_Y) != 0,
           (nBits & GX_TIP_OUTSIDE_WINDOW_Y) != 0, bVCenter, sizeScreen.cy, 0, y, h);
  return CRect(x, y, x + w, y + h);
}
