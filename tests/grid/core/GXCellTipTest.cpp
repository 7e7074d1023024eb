// Cell tips: which kind a cell gets, when its text needs one, and where a text tip lies on the screen.
#include "GXCellTip.h"

#include <gtest/gtest.h>

namespace {

const CSize kScreen(1024, 768);
const CRect kClient(100, 100, 700, 500);

TEST(CellTip, Kinds) {
  struct Case {
    BOOL bControl, bEdit;
    const char* pszText;
    int nKind;
  } cases[] = {
      {FALSE, FALSE, "#BMP(7)", GX_TIP_TEXT},
      {TRUE, TRUE, "#BMP(7)", GX_TIP_TEXT},  // an edit cell shows the text
      {TRUE, FALSE, "#BMP(7)", GX_TIP_BITMAP},
      {TRUE, FALSE, "plain", GX_TIP_TEXT},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GXCellTipKind(c.bControl, c.bEdit, c.pszText), c.nKind) << c.pszText;
}

TEST(CellTip, TextThatFitsNeedsATipOnlyOutsideTheWindow) {
  struct Case {
    CSize text;
    CRect rect;
    UINT nBits;
  } cases[] = {
      {CSize(50, 14), CRect(200, 200, 300, 220), 0},
      {CSize(101, 14), CRect(200, 200, 300, 220), 0},  // one pixel wider still fits
      {CSize(102, 14), CRect(200, 200, 300, 220), GX_TIP_WIDER},
      {CSize(50, 30), CRect(200, 200, 300, 220), GX_TIP_TALLER},
      {CSize(50, 14), CRect(650, 200, 750, 220), GX_TIP_OUTSIDE_WINDOW_X},
      {CSize(400, 14), CRect(650, 200, 750, 220), GX_TIP_WIDER | GX_TIP_OUTSIDE_WINDOW_X | GX_TIP_OFF_SCREEN_X},
      {CSize(50, 14), CRect(200, 90, 300, 110), GX_TIP_OUTSIDE_WINDOW_Y},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GXCellTipTextOverflow(c.text, c.rect, kClient, kScreen), c.nBits) << c.rect.left << "," << c.text.cx;
}

TEST(CellTip, ATipAtTheRightScreenEdgeShiftsLeftOntoTheScreen) {
  const CRect cell(950, 300, 1020, 320);
  const CSize text(200, 14);
  const UINT nBits = GXCellTipTextOverflow(text, cell, CRect(0, 0, 1024, 768), kScreen);
  ASSERT_TRUE(nBits & GX_TIP_WIDER);
  const CRect tip = GXCalcTextTipRect(cell, cell, text, nBits, FALSE, FALSE, kScreen);
  EXPECT_EQ(tip.Width(), 206);
  EXPECT_EQ(tip.right, 1024);
  EXPECT_EQ(tip.top, 300);
  EXPECT_GE(tip.left, 0);
}

TEST(CellTip, ATipStartsAtTheCellAndHoldsItsText) {
  const CRect cell(200, 300, 260, 318);
  const CRect text(202, 301, 258, 317);
  const CSize size(120, 14);
  const CRect tip = GXCalcTextTipRect(cell, text, size, GX_TIP_WIDER, FALSE, FALSE, kScreen);
  EXPECT_EQ(tip.left, 200);
  EXPECT_EQ(tip.top, 300);
  EXPECT_EQ(tip.Width(), 2 + 126);  // the text's offset in the cell and its content
  EXPECT_EQ(tip.Height(), 18);      // the cell is higher than the one-line content
}

}  // namespace
