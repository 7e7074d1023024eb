// Fonts of styles: the packed words, conversions, merging, subsets, the face-name table and the
// shared LOGFONT records.
#include "GXFont.h"

#include "GridTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(Font, ANewFontIncludesNothing) {
  CGXFont font;
  EXPECT_EQ(font.m_a, 0x3FE000F0u);
  EXPECT_EQ(font.m_b, 1023u);
  GXLOGFONT zero{};
  EXPECT_EQ(std::memcmp(&font.GetLogFont(), &zero, sizeof(zero)), 0);
}

TEST(Font, Conversions) {
  CGXFont font;
  font.SetSize(10);
  EXPECT_EQ(font.GetSizeQuarterPoints(), 40u);
  font.SetSize(300);
  EXPECT_EQ(font.GetSizeQuarterPoints(), 1023u);
  EXPECT_DOUBLE_EQ(font.GetSize(), 255.75);
  font.SetOrientation(-900);
  EXPECT_EQ(font.GetOrientation(), 2700);
  font.SetWeight(700);
  EXPECT_EQ(font.GetWeight(), 700);
}

TEST(Font, MergeAndRemove) {
  CGXFont font;
  font.SetItalic(TRUE).SetSize(12).SetWeight(400);
  CGXFont weight;
  weight.SetWeight(700);
  CGXFont keep(font);
  keep.MergeFont(weight, 1);
  EXPECT_EQ(keep.GetWeight(), 400);
  keep.MergeFont(weight, 0);
  EXPECT_EQ(keep.GetWeight(), 700);
  keep.MergeFont(weight, 3);
  EXPECT_FALSE(keep.GetIncludeWeight());
  EXPECT_TRUE(keep.GetItalic());
  EXPECT_EQ(keep.GetSizeQuarterPoints(), 48u);
  EXPECT_TRUE(font.IsSubSet(weight) == FALSE);
  EXPECT_TRUE(keep.IsSubSet(CGXFont()));
}

TEST(Font, LogFontOfASetFont) {
  CGXFont font;
  font.SetFaceName("Arial");
  font.SetSize(12).SetWeight(700).SetUnderline(TRUE);
  const GXLOGFONT& lf = font.GetLogFont();
  EXPECT_STREQ(lf.lfFaceName, "Arial");
  EXPECT_EQ(lf.lfHeight, -(48 * GXGetFaceNameTable()->m_nLogPixelsY / 288));
  EXPECT_EQ(lf.lfWeight, 700);
  EXPECT_EQ(lf.lfUnderline, 1);
  EXPECT_EQ(font.GetLogFontZoomed(50).lfHeight, lf.lfHeight * 50 / 100);
}

TEST(Font, SetLogFontLooksTheFaceUp) {
  GXLOGFONT lf{};
  std::strcpy(lf.lfFaceName, "Grid Test Face");
  lf.lfHeight = -16;
  lf.lfWeight = 400;
  CGXFont font;
  font.SetLogFont(lf);
  EXPECT_EQ(font.GetFaceName(), CString("Grid Test Face"));
  EXPECT_EQ(CGXFont::FaceNameToIndex("Grid Test Face"), font.GetFaceIndex());
  EXPECT_EQ(CGXFont::FaceNameToIndex(""), 1023u);
  EXPECT_EQ(CGXFont::FaceNameToIndex("Arial"), GXGetFaceNameTable()->LookupFaceName("Arial"));
}

TEST(Font, RealisedFontsShareOneRecord) {
  int nBefore = CGXFont::GetFontDataCount();
  {
    CGXFont a;
    a.SetSize(31).SetItalic(TRUE);
    a.GetLogFont();
    EXPECT_EQ(CGXFont::GetFontDataRefCount(a), 1);
    CGXFont b(a);
    EXPECT_EQ(CGXFont::GetFontDataRefCount(a), 2);
    EXPECT_EQ(CGXFont::GetFontDataCount(), nBefore + 1);
  }
  EXPECT_EQ(CGXFont::GetFontDataCount(), nBefore);
}

}  // namespace
