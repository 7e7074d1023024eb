// Cell styles: setters, merging in each mode, the base-style chain, the standard style, colours,
// interiors, border lines and the include word's stored order.
#include "GXStyle.h"
#include "GXStylesMap.h"

#include "GridTestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(Style, ANewStyleIncludesNothingAndTakesACopyInModeOne) {
  CGXStyle empty;
  EXPECT_TRUE(empty.IsEmpty());
  CGXStyle other;
  other.SetHAlign(2).SetValue("x").SetControl(52520).SetBorders(CGXStyle::sideTop, CGXBorderLine(0, 2, 0xFF));
  CGXFont font;
  font.SetWeight(700);
  other.SetFont(font);
  empty.MergeStyle(other, CGXStyle::modeAddMissing);
  EXPECT_EQ(empty.GetIncludeBits(), other.GetIncludeBits());
  EXPECT_TRUE(empty.CompareSubset(other));
  EXPECT_TRUE(other.CompareSubset(empty));
  EXPECT_EQ(empty.GetFont().GetWeight(), 700);
}

struct MergeCase {
  int nMode;
  bool bIncluded;
  UINT nAlign;
};

TEST(Style, MergeModesOnOneAttribute) {
  const MergeCase cases[] = {
      {CGXStyle::modeOverride, true, 2},
      {CGXStyle::modeAddMissing, true, 1},
      {CGXStyle::modeCopy, true, 2},
      {CGXStyle::modeRemove, false, 0},
  };
  for (const MergeCase& c : cases) {
    CGXStyle centre, right;
    centre.SetHAlign(1).SetValue("keep");
    right.SetHAlign(2);
    centre.MergeStyle(right, c.nMode);
    EXPECT_EQ(centre.GetInclude(CGXStyle::gxHAlign) != 0, c.bIncluded) << c.nMode;
    if (c.bIncluded) {
      EXPECT_EQ(centre.GetHAlign(), c.nAlign) << c.nMode;
    }
    EXPECT_EQ(centre.GetInclude(CGXStyle::gxValue) != 0, c.nMode != CGXStyle::modeCopy) << c.nMode;
  }
}

TEST(Style, RemovingTheValueEmptiesItButTheChoiceListOnlyLosesItsFlag) {
  CGXStyle s;
  s.SetValue("abc").SetChoiceText("a\nb");
  CGXStyle value, choices;
  value.SetValue("");
  choices.SetChoiceText("");
  s.MergeStyle(value, CGXStyle::modeRemove);
  EXPECT_FALSE(s.GetInclude(CGXStyle::gxValue));
  EXPECT_STREQ(s.GetValue(), "");
  s.MergeStyle(choices, CGXStyle::modeRemove);
  EXPECT_FALSE(s.GetInclude(CGXStyle::gxChoiceList));
  EXPECT_STREQ(s.GetChoiceList(), "a\nb");
}

TEST(Style, RemovingFromAnEmptyStyleLeavesItEmpty) {
  CGXStyle empty, other;
  other.SetHAlign(2);
  empty.MergeStyle(other, CGXStyle::modeRemove);
  EXPECT_TRUE(empty.IsEmpty());
}

TEST(Style, BordersMergeSideBySide) {
  CGXStyle a, b;
  a.SetBorders(CGXStyle::sideTop, CGXBorderLine(0, 1, 0x000001));
  b.SetBorders(CGXStyle::sideTop, CGXBorderLine(1, 3, 0x000002));
  b.SetBorders(CGXStyle::sideLeft, CGXBorderLine(2, 4, 0x000003));
  CGXStyle keep(a);
  keep.MergeStyle(b, CGXStyle::modeAddMissing);
  EXPECT_EQ(keep.GetBorders(CGXStyle::sideTop).GetWidth(), 1u);
  EXPECT_EQ(keep.GetBorders(CGXStyle::sideLeft).GetWidth(), 4u);
  CGXStyle over(a);
  over.MergeStyle(b, CGXStyle::modeOverride);
  EXPECT_EQ(over.GetBorders(CGXStyle::sideTop).GetWidth(), 3u);
  over.MergeStyle(b, CGXStyle::modeRemove);
  EXPECT_FALSE(over.GetInclude(CGXStyle::gxBorders));
}

TEST(Style, BorderSetters) {
  CGXStyle s;
  s.SetBorders(CGXStyle::sideAll, CGXBorderLine(0, 2, 0));
  for (int i = 0; i < 4; ++i)
    EXPECT_TRUE(s.GetBorders(i).IsSet());
  CGXStyle top;
  top.SetBorders(CGXStyle::sideTop, CGXBorderLine(0, 1, 0));
  top.SetBorderIncluded(CGXStyle::sideTop, FALSE);
  EXPECT_FALSE(top.GetInclude(CGXStyle::gxBorders));
  CGXBorderLine line;
  EXPECT_EQ(line.m_w0 & 0x7FFFF, 15u);
  line.SetIncluded(TRUE);
  EXPECT_EQ(line.GetStyle(), 0u);
  line.SetStyle(3).SetIncluded(TRUE);
  EXPECT_EQ(line.GetStyle(), 3u);
}

TEST(Style, AlignmentArgumentsAreTextDrawingFlags) {
  CGXStyle s;
  s.SetHAlign(7);
  EXPECT_EQ(s.GetHAlignValue(), 0u);
  s.SetVerticalAlignment(2);
  EXPECT_EQ(s.GetVAlignValue(), 0u);
  s.SetVerticalAlignment(8);
  EXPECT_EQ(s.GetVerticalAlignment(), 8u);
}

TEST(Style, SystemColours) {
  CGXStyle s;
  s.SetTextColor(0xF9000000);
  EXPECT_EQ(s.GetTextColorKind(), 3u);
  EXPECT_EQ(s.GetTextColorValue(), 5u);
  DWORD window = GXGetSysColorState()->GetColor(5);
  EXPECT_EQ(s.GetTextColorTagged(), (window & 0xFFFFFF) | 0xF9000000);
  EXPECT_EQ(s.GetTextColor(), window & 0xFFFFFF);
  s.SetTextColor(0x020000FF);
  EXPECT_EQ(s.GetTextColorKind(), 2u);
  EXPECT_EQ(s.GetTextColor(), 0x0000FFu);
  EXPECT_EQ(GXGetSysColorState()->GetColor(30), GXGetSysColorFromPlatform(30));
}

TEST(Style, InteriorFill) {
  CGXInteriorFill fill;
  EXPECT_EQ(fill.m_w0, 0u);
  EXPECT_EQ(fill.m_w1, 0x3FFFFFFFu);
  fill.SetInterior(2, 0x00123456, 5);
  EXPECT_EQ(fill.GetBrushStyle(), 2u);
  EXPECT_EQ(fill.GetHatch(), 5u);
  EXPECT_EQ(fill.GetColor(), 0x123456u);
  fill.SetBackColor(0xEF000000);
  EXPECT_EQ(fill.GetBackColor(), GXGetSysColorState()->GetColor(15) & 0xFFFFFF);
  // A pattern beyond the registered pattern bitmaps draws nothing.
  fill.SetPattern(17);
  EXPECT_EQ(fill.GetBrushStyle(), 3u);
  EXPECT_EQ(fill.GetLogBrush().lbStyle, 1u);
}

TEST(Style, StandardStyle) {
  CGXStyle s;
  s.SetDefaultStandard();
  EXPECT_EQ(s.GetDecimalPlaces(), 13u);
  EXPECT_EQ(s.GetControl(), 52512);
  for (int f = 0; f < CGXStyle::gxFlagCount; ++f) {
    bool bExpected = f != CGXStyle::gxBaseStyle && f != CGXStyle::gxBorders && f != CGXStyle::gxUserAttr;
    EXPECT_EQ(s.GetInclude(f) != 0, bExpected) << f;
  }
  EXPECT_EQ(s.GetFont().GetFaceName(), CString("Arial"));
}

TEST(Style, IncludeBitsSwapFloodAndFloatWhenStored) {
  CGXStyle s;
  s.SetFloodCell(TRUE);
  EXPECT_EQ(s.m_include.GetStored(), 1u << 22);
  CGXStyleIncludeBits bits;
  bits.m_bits = 0xFC000000;
  bits.SetStored(1u << 22);
  EXPECT_EQ(bits.m_bits, 0xFC000000 | (1u << 21));
  bits.SetStored(0);
  EXPECT_EQ(bits.m_bits, 0xFC000000);
}

TEST(Style, CopyAndAssignmentFollowTheIncludeFlags) {
  CGXStyle s;
  s.SetValue("v");
  s.SetCustomAttr(7, "seven");
  CGXFont font;
  font.SetItalic(TRUE);
  s.SetFont(font);
  CGXStyle copy(s);
  EXPECT_STREQ(copy.GetCustomAttr(7).GetValueText(), "seven");
  EXPECT_TRUE(copy.GetFont().GetItalic());
  CGXStyle empty;
  copy = empty;
  EXPECT_TRUE(copy.IsEmpty());
  EXPECT_EQ(copy.GetFontPtr(), nullptr);
  EXPECT_STREQ(copy.GetCustomAttr(7).GetValueText(), "");
  std::unique_ptr<CGXStyle> clone(s.Clone());
  EXPECT_TRUE(clone->CompareSubset(s));
}

TEST(Style, BaseStyleChain) {
  CGXStylesMap map;
  CGXStyle grand, parent, child;
  grand.SetHAlign(2).SetValue("from grand");
  WORD nGrand = map.RegisterStyle("grand", grand);
  parent.SetVerticalAlignment(8).SetBaseStyle(nGrand);
  WORD nParent = map.RegisterStyle("parent", parent);
  child.SetBaseStyle(nParent).SetValue("mine");
  child.LoadBaseStyles(map);
  EXPECT_EQ(child.GetHAlign(), 2u);
  EXPECT_EQ(child.GetVerticalAlignment(), 8u);
  EXPECT_STREQ(child.GetValue(), "mine");
  EXPECT_EQ(child.GetBaseStyle(), nParent);
}

TEST(Style, BaseStyleCycleEnds) {
  CGXStylesMap map;
  CGXStyle a, b;
  a.SetHAlign(1);
  WORD nA = map.RegisterStyle("a", a);
  b.SetVerticalAlignment(4).SetBaseStyle(nA);
  WORD nB = map.RegisterStyle("b", b);
  a.SetBaseStyle(nB);
  map.RegisterStyle("a", a);  // a -> b -> a
  CGXStyle s;
  s.SetBaseStyle(nA);
  s.LoadBaseStyles(map);
  EXPECT_EQ(s.GetHAlign(), 1u);
  EXPECT_EQ(s.GetVerticalAlignment(), 4u);
  CGXStyle unknown;
  unknown.SetBaseStyle(200);
  EXPECT_EQ(unknown.LoadBaseStyles(map), &unknown);
}

}  // namespace
