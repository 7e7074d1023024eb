// The cells' text layout with a fake measurer (every character 7 pixels wide, lines 16 pixels): line
// breaking, alignment, the ellipsis and "#" overflow, hit testing left to right and right to left; and
// the pattern table, bitmap header and edge helpers.
#include "GXTextLayout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class FakeMeasurer : public CGXTextMeasurer {
 public:
  explicit FakeMeasurer(BOOL bRtl = FALSE) : m_bRtl(bRtl) {}
  CSize GetTextExtent(LPCTSTR, int nLength) override { return CSize(7 * nLength, 14); }
  GXTEXTMETRICS GetTextMetrics() override {
    GXTEXTMETRICS tm;
    tm.nHeight = 14;
    tm.nExternalLeading = 2;
    tm.nAscent = 11;
    tm.nAveCharWidth = 7;
    tm.nMaxCharWidth = 12;
    return tm;
  }
  BOOL IsRtlReading() override { return m_bRtl; }

 private:
  BOOL m_bRtl;
};

std::vector<std::string> Lines(const char* psz, const CRect& r, UINT nFormat) {
  FakeMeasurer m;
  CRect rect = r;
  std::vector<GXTEXTLINE> lines;
  GXBreakTextLines(m, psz, -1, rect, nFormat, lines);
  std::vector<std::string> out;
  for (const GXTEXTLINE& l : lines)
    out.push_back(std::string(psz + l.nStart, (size_t)l.nLength));
  return out;
}

TEST(TextLayout, BreaksLinesByWordsCharactersAndLineBreaks) {
  struct Case {
    const char* text;
    CRect rect;
    UINT format;
    std::vector<std::string> lines;
  } cases[] = {
      // The line ends before the word that does not fit; the next starts at the blanks before it.
      {"Hello world", CRect(0, 0, 50, 100), GX_DT_WORDBREAK, {"Hello", " world"}},
      // A word longer than the width is cut by characters.
      {"abcdefghij", CRect(0, 0, 30, 100), GX_DT_WORDBREAK, {"abcd", "efgh", "ij"}},
      // A text that ends with a line break has a last empty line.
      {"ab\r\n", CRect(0, 0, 100, 100), GX_DT_WORDBREAK, {"ab", ""}},
      {"ab\ncd", CRect(0, 0, 100, 100), GX_DT_WORDBREAK, {"ab", "cd"}},
      // Without word wrap only the first line is laid out.
      {"ab\r\ncd", CRect(0, 0, 100, 100), GX_DT_SINGLELINE, {"ab"}},
      {"Hello world", CRect(0, 0, 50, 100), GX_DT_SINGLELINE, {"Hello w"}},
      // A cell one line high wraps no further: its one line is cut by characters.
      {"Hello world again", CRect(0, 0, 50, 16), GX_DT_WORDBREAK, {"Hello w"}},
      {"", CRect(0, 0, 50, 16), GX_DT_WORDBREAK, {}},
      // At least one character is always taken.
      {"abc", CRect(0, 0, 2, 100), GX_DT_WORDBREAK, {"a", "b", "c"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Lines(c.text, c.rect, c.format), c.lines) << c.text;
}

TEST(TextLayout, NeverMoreThanTheMostLines) {
  std::string s;
  for (int i = 0; i < 100; ++i)
    s += "x\n";
  EXPECT_EQ(Lines(s.c_str(), CRect(0, 0, 50, 100000), GX_DT_WORDBREAK).size(), (size_t)GX_MAXLINES);
}

TEST(TextLayout, VerticalAlignmentMovesTheTop) {
  FakeMeasurer m;
  std::vector<GXTEXTLINE> lines;
  CRect r(0, 0, 100, 100);
  GXBreakTextLines(m, "ab", -1, r, GX_DT_BOTTOM | GX_DT_SINGLELINE, lines);
  EXPECT_EQ(r.top, 100 - 15);  // one line of 14 + 1
  r = CRect(0, 0, 100, 100);
  GXBreakTextLines(m, "ab", -1, r, GX_DT_VCENTER | GX_DT_SINGLELINE, lines);
  EXPECT_EQ(r.top, (100 - 15 + 2) / 2);
}

TEST(TextLayout, PlacesAndTreatsOverflow) {
  struct Case {
    const char* text;
    CRect rect;
    UINT format;
    int overflow;
    std::string first;
    int x;
    BOOL clipped;
  } cases[] = {
      {"ab", CRect(0, 0, 100, 20), GX_DT_SINGLELINE | GX_DT_RIGHT, 0, "ab", 86, FALSE},
      {"ab", CRect(0, 0, 100, 20), GX_DT_SINGLELINE | GX_DT_CENTER, 0, "ab", 43, FALSE},
      {"ab", CRect(10, 0, 100, 20), GX_DT_SINGLELINE, 0, "ab", 10, FALSE},
      // Ellipsis: the line loses characters until the dots fit, then the dots shrink.
      {"abcdef", CRect(0, 0, 30, 20), GX_DT_SINGLELINE, 1, "a...", 0, FALSE},
      {"abcdef", CRect(0, 0, 20, 20), GX_DT_SINGLELINE, 1, "a.", 0, FALSE},
      {"abcdef", CRect(0, 0, 100, 20), GX_DT_SINGLELINE, 1, "abcdef", 0, FALSE},
      // A number that does not fit shows "#" across the cell, or one clipped "#".
      {"123456", CRect(0, 0, 30, 20), GX_DT_SINGLELINE, 2, "####", 0, FALSE},
      {"123456", CRect(0, 0, 5, 20), GX_DT_SINGLELINE, 2, "#", 0, TRUE},
      {"12", CRect(0, 0, 30, 20), GX_DT_SINGLELINE, 2, "12", 0, FALSE},
      // Without the single-line bit a number is never replaced.
      {"123456", CRect(0, 0, 30, 20), GX_DT_WORDBREAK, 2, "1234", 0, FALSE},
  };
  FakeMeasurer m;
  for (const Case& c : cases) {
    std::vector<GXPLACEDLINE> lines = GXPlaceTextLines(m, c.text, -1, c.rect, c.format, nullptr, c.overflow);
    ASSERT_FALSE(lines.empty()) << c.text;
    EXPECT_STREQ(lines[0].sText, c.first.c_str()) << c.text << " in " << c.rect.Width();
    EXPECT_EQ(lines[0].x, c.x) << c.text;
    EXPECT_EQ(lines[0].bClipped, c.clipped) << c.text;
  }
}

TEST(TextLayout, LinesStepByTheDrawingLineHeight) {
  FakeMeasurer m;
  std::vector<GXPLACEDLINE> lines =
      GXPlaceTextLines(m, "a\nb\nc", -1, CRect(0, 5, 100, 200), GX_DT_WORDBREAK, nullptr, 0);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1].y - lines[0].y, 16);
  GXTEXTMETRICS tall;
  tall.nHeight = 20;
  EXPECT_EQ(GXDrawLineHeight(tall), 19);
}

TEST(TextLayout, HitTestLeftToRightAndRightToLeft) {
  struct Case {
    BOOL rtl;
    UINT format;
    int x, y;
    int offset;
  } cases[] = {
      {FALSE, 0, 5, 5, 0},
      {FALSE, 0, 15, 5, 2},
      {FALSE, 0, 23, 5, 3},            // just behind the end
      {FALSE, 0, 26, 5, -1},           // beyond the tolerance
      {FALSE, 0, 5, 40, -1},           // below the last line
      {FALSE, GX_DT_RIGHT, 95, 5, 2},  // text at 79..100
      {TRUE, 0, 20, 5, 0},
      {TRUE, 0, 5, 5, 2},
      {TRUE, 0, 40, 5, -1},
  };
  for (const Case& c : cases) {
    FakeMeasurer m(c.rtl);
    EXPECT_EQ(GXHitTestText(m, "abc", -1, CRect(0, 0, 100, 20), c.format | GX_DT_SINGLELINE, c.x, c.y), c.offset)
        << "rtl " << c.rtl << " x " << c.x;
  }
}

TEST(DrawingHelpers, PatternIndexIsCheckedAgainstTheTable) {
  EXPECT_EQ(GXGetPatternRows(-1), nullptr);
  EXPECT_EQ(GXGetPatternRows(41), nullptr);
  ASSERT_NE(GXGetPatternRows(0), nullptr);
  EXPECT_EQ(GXGetPatternRows(0)[0], 0x44);
  ASSERT_NE(GXGetPatternRows(40), nullptr);
  EXPECT_EQ(GXGetPatternRows(40)[7], 0xff);
}

std::vector<BYTE> Header(DWORD nSize, WORD nBits, DWORD nClrUsed, DWORD nTotal) {
  std::vector<BYTE> b(nTotal, 0);
  auto put32 = [&](size_t at, DWORD v) {
    for (int i = 0; i < 4; ++i)
      b[at + (size_t)i] = (BYTE)(v >> (8 * i));
  };
  put32(0, nSize);
  put32(4, 16);
  put32(8, 16);
  b[12] = 1;
  b[14] = (BYTE)nBits;
  put32(32, nClrUsed);
  return b;
}

TEST(DrawingHelpers, BitmapLayoutFollowsTheHeaderItsOwnSize) {
  GXDIBLAYOUT l;
  std::vector<BYTE> b = Header(40, 4, 0, 40 + 64 + 128);
  ASSERT_TRUE(GXGetDibLayout(b.data(), (DWORD)b.size(), l));
  EXPECT_EQ(l.nColors, 16u);
  EXPECT_EQ(l.nColorTableOffset, 40u);
  EXPECT_EQ(l.nBitsOffset, 104u);
  // A version 5 header (124 bytes): the colour table follows it, not a 40-byte header.
  b = Header(124, 8, 2, 124 + 8 + 256);
  ASSERT_TRUE(GXGetDibLayout(b.data(), (DWORD)b.size(), l));
  EXPECT_EQ(l.nColorTableOffset, 124u);
  EXPECT_EQ(l.nBitsOffset, 132u);
  // Lying or short headers are refused.
  b = Header(40, 8, 0, 40 + 100);
  EXPECT_FALSE(GXGetDibLayout(b.data(), (DWORD)b.size(), l));
  b = Header(12, 8, 0, 200);
  EXPECT_FALSE(GXGetDibLayout(b.data(), (DWORD)b.size(), l));
  b = Header(4000, 8, 0, 200);
  EXPECT_FALSE(GXGetDibLayout(b.data(), (DWORD)b.size(), l));
  b = Header(40, 4, 300, 4000);
  EXPECT_FALSE(GXGetDibLayout(b.data(), (DWORD)b.size(), l));
  EXPECT_FALSE(GXGetDibLayout(b.data(), 20, l));
  EXPECT_EQ(GXDibNumColors(0, 1), 2u);
  EXPECT_EQ(GXDibNumColors(0, 24), 0u);
  EXPECT_EQ(GXDibNumColors(5, 8), 5u);
}

DWORD FakeSysColor(int nIndex) { return 0x010203u * (DWORD)nIndex; }

TEST(DrawingHelpers, ButtonColoursAreMappedToSystemColours) {
  BYTE table[3 * 4] = {0x80, 0x80, 0x80, 0, 0x12, 0x34, 0x56, 0, 0xff, 0xff, 0xff, 0};
  EXPECT_EQ(GXMapSysColorTable(table, 3, &FakeSysColor), 2);
  const DWORD shadow = FakeSysColor(16);  // red low
  EXPECT_EQ(table[0], (BYTE)(shadow >> 16));
  EXPECT_EQ(table[2], (BYTE)shadow);
  EXPECT_EQ(table[4], 0x12);
}

TEST(DrawingHelpers, EdgeRectangleWithAdjustStillDrawsItsSides) {
  EXPECT_EQ(GXEdgeRectFlags(FALSE), 0x000Fu);
  EXPECT_EQ(GXEdgeRectFlags(TRUE) & 0x000Fu, 0x000Fu);
  EXPECT_EQ(GXEdgeRectFlags(TRUE) & 0x2000u, 0x2000u);
}

}  // namespace
