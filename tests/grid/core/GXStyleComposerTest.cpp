// Composing a cell's effective style: the cell over its row over its column over the table over
// base styles, the header styles and numbering, the standard style, marked cells and the colour of
// negative numbers.
#include "GXStyleComposer.h"

#include "GridTestSupport.h"

#include <gtest/gtest.h>

namespace {

class ComposeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CGXStylesMap* pMap = new CGXStylesMap;
    pMap->CreateStandardStyles();
    param_.SetStylesMap(pMap);
    param_.SetData(new CGXData);
    param_.GetData()->SetRowCount(30);
    param_.GetData()->SetColCount(30);
    composer_.SetParam(&param_);
  }
  void Store(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style, int nType) {
    param_.GetData()->StoreStyleRowCol(nRow, nCol, &style, CGXStyle::modeCopy, nType);
  }
  CGXStyle Compose(ROWCOL nRow, ROWCOL nCol, BOOL bWithStandard = FALSE) {
    CGXStyle s;
    composer_.ComposeStyleRowCol(nRow, nCol, s, bWithStandard);
    return s;
  }

  CGXGridParam param_;
  CGXStyleComposer composer_;
};

CGXStyle FontStyle(BOOL bBold, int nItalic) {
  CGXFont font;
  if (bBold)
    font.SetWeight(700);
  if (nItalic >= 0)
    font.SetItalic(nItalic != 0);
  CGXStyle s;
  s.SetFont(font);
  return s;
}

TEST_F(ComposeTest, RowBoldColumnItalicAndTheCellWins) {
  Store(5, 0, FontStyle(TRUE, -1), -1);
  Store(0, 4, FontStyle(FALSE, 1), -1);
  CGXStyle s = Compose(5, 4);
  EXPECT_EQ(s.GetFont().GetWeight(), 700);
  EXPECT_TRUE(s.GetFont().GetItalic());
  Store(5, 4, FontStyle(FALSE, 0), 0);
  s = Compose(5, 4);
  EXPECT_TRUE(s.GetFont().GetIncludeItalic());
  EXPECT_FALSE(s.GetFont().GetItalic());
  EXPECT_EQ(s.GetFont().GetWeight(), 700);
}

TEST_F(ComposeTest, OrderOfTheStoredStyles) {
  struct Layer {
    ROWCOL nRow, nCol;
    int nType;
    const char* pszValue;
  };
  // Each case stores the layers from the last to the first and expects the first one's value.
  const Layer layers[] = {{3, 3, 0, "cell"}, {3, 0, -1, "row"}, {0, 3, -1, "column"}, {0, 0, -1, "table"}};
  for (int nTop = 0; nTop < 4; ++nTop) {
    param_.GetData()->FreeAll();
    for (int i = 3; i >= nTop; --i) {
      CGXStyle s;
      s.SetValue(layers[i].pszValue);
      Store(layers[i].nRow, layers[i].nCol, s, layers[i].nType);
    }
    EXPECT_STREQ(Compose(3, 3).GetValue(), layers[nTop].pszValue) << nTop;
  }
}

TEST_F(ComposeTest, BaseStylesAndTheStandardStyle) {
  CGXStyle base;
  base.SetHAlign(2).SetValue("from base");
  WORD nBase = param_.GetStylesMap()->RegisterStyle("Base", base);
  CGXStyle cell;
  cell.SetBaseStyle(nBase);
  Store(2, 2, cell, 0);
  CGXStyle s = Compose(2, 2);
  EXPECT_EQ(s.GetHAlign(), 2u);
  EXPECT_STREQ(s.GetValue(), "from base");
  EXPECT_FALSE(s.GetInclude(CGXStyle::gxControl));
  s = Compose(2, 2, TRUE);
  EXPECT_EQ(s.GetControl(), 52512);
  EXPECT_EQ(s.GetDecimalPlaces(), 13u);
}

TEST_F(ComposeTest, Headers) {
  EXPECT_STREQ(Compose(0, 28).GetValue(), "AB");
  EXPECT_STREQ(Compose(0, 26).GetValue(), "Z");
  EXPECT_STREQ(Compose(0, 27).GetValue(), "AA");
  EXPECT_STREQ(Compose(0, 1).GetValue(), "A");
  EXPECT_STREQ(Compose(12, 0).GetValue(), "12");
  EXPECT_EQ(Compose(12, 0).GetValueType(), (UINT)CGXStyle::valueNumber);
  CGXStyle col = Compose(0, 3);
  EXPECT_EQ(col.GetControl(), 52520);
  EXPECT_EQ(col.GetFont().GetWeight(), 700);
  EXPECT_FALSE(Compose(3, 0).GetInclude(CGXStyle::gxFont));
  EXPECT_EQ(Compose(3, 0).GetControl(), 52520);
  param_.m_bNumberedColHeaders = FALSE;
  EXPECT_FALSE(Compose(0, 3).GetInclude(CGXStyle::gxValue));
  // Header rows after row 0 take the column-header style, but no letters.
  param_.m_nHeaderRows = 1;
  EXPECT_EQ(Compose(1, 3).GetControl(), 52520);
  EXPECT_FALSE(Compose(1, 3).GetInclude(CGXStyle::gxValue));
  EXPECT_STREQ(GXColumnLetters(702), "ZZ");
  EXPECT_STREQ(GXColumnLetters(703), "AAA");
}

TEST_F(ComposeTest, MarkedCellsAndNegativeNumbers) {
  param_.m_markedRanges.AddRange(CGXCellRange(4, 4, 4, 4));
  param_.m_bMarking = TRUE;
  EXPECT_FALSE(Compose(4, 4).GetInclude(CGXStyle::gxInterior));
  param_.m_bCutMarking = TRUE;
  CGXStyle marked = Compose(4, 4);
  EXPECT_EQ(marked.GetInterior().GetPattern(), 17u);
  EXPECT_EQ(marked.GetInterior().GetColor(), 0xC0C0C0u);

  CGXStyle negative;
  negative.SetValue("-3.5");
  negative.SetCustomAttr(GX_IDS_UA_NEGATIVECOLOR, "255");
  Store(6, 6, negative, 0);
  EXPECT_EQ(Compose(6, 6).GetTextColor(), 255u);
  EXPECT_FALSE(param_.GetData()->GetStoredStyle(6, 6, 0)->GetInclude(CGXStyle::gxTextColor));
  negative.SetValue("3.5");
  Store(6, 6, negative, 0);
  EXPECT_FALSE(Compose(6, 6).GetInclude(CGXStyle::gxTextColor));
}

TEST_F(ComposeTest, ReadCellValueStopsAtTheCellsValue) {
  CGXStyle cell;
  cell.SetValue("v");
  Store(2, 3, cell, 0);
  EXPECT_STREQ(composer_.ReadCellValue(2, 3), "v");
  EXPECT_STREQ(composer_.ReadCellValue(0, 3), "C");
  EXPECT_STREQ(composer_.ReadCellValue(9, 9), "");
}

TEST(UndoBuffer, RangeSizes) {
  EXPECT_TRUE(GXRangeFitsUndo(100, 100));
  EXPECT_FALSE(GXRangeFitsUndo(40000, 1));
  EXPECT_FALSE(GXRangeFitsUndo(1, 32768));
}

}  // namespace
