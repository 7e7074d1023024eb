// TrueType glyph outlines: flattening crafted outlines (runs of off-curve points as one Bezier
// curve, rotation to the first on-curve point, closing, malformed contours), the face sizing
// rule, code page 1256, and glyphs of a real font when the system has DejaVu Sans.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "toolkit/core/blob.h"
#include "toolkit/core/mem.h"
#include "vector/model/TrueTypeText.h"

namespace {

using Segment = std::vector<double>;  // x1, y1, x2, y2

std::vector<std::vector<Segment>> Segments(const TkTrueTypeGlyph& g) {
  std::vector<std::vector<Segment>> out;
  for (int32_t c = 0; c < g.contour_count; ++c) {
    out.emplace_back();
    TkBlob* r = blob_open_read(g.contours[c]);
    double s[4];
    for (int32_t i = 0; i < g.segment_counts[c] && blob_read(r, s, sizeof s); ++i)
      out.back().push_back({s[0], s[1], s[2], s[3]});
    blob_close(r);
  }
  return out;
}

void Free(TkTrueTypeGlyph* g) {
  for (int32_t c = 0; c < g->contour_count; ++c) blob_free(g->contours[c]);
  mem_free(g->contours);
  mem_free(g->segment_counts);
  *g = TkTrueTypeGlyph{};
}

struct FlattenCase {
  const char* name;
  std::vector<int32_t> points;  // in 1/64 units
  std::vector<uint8_t> flags;
  std::vector<int16_t> ends;
  std::vector<int32_t> segments;  // per contour
  int check_segment;              // of contour 0: its end point is checked
  double x, y;                    // without the origin
};

class FlattenTest : public ::testing::TestWithParam<FlattenCase> {};

TEST_P(FlattenTest, Segments) {
  const FlattenCase& c = GetParam();
  GlyphOutlineView view{int32_t(c.flags.size()), int32_t(c.ends.size()), c.points.data(),
                        c.flags.data(), c.ends.data()};
  const double origin[2] = {1000, 500};
  TkTrueTypeGlyph g{};
  ASSERT_EQ(FlattenGlyphOutline(view, origin, &g), 0);
  auto s = Segments(g);
  ASSERT_EQ(s.size(), c.segments.size());
  for (size_t i = 0; i < s.size(); ++i) {
    EXPECT_EQ(int32_t(s[i].size()), c.segments[i]) << "contour " << i;
    for (size_t k = 1; k < s[i].size(); ++k) {
      EXPECT_EQ(s[i][k][0], s[i][k - 1][2]) << "segments share their ends";
      EXPECT_EQ(s[i][k][1], s[i][k - 1][3]);
    }
    if (!s[i].empty()) {
      EXPECT_EQ(s[i].back()[2], s[i].front()[0]) << "the contour is closed";
      EXPECT_EQ(s[i].back()[3], s[i].front()[1]);
    }
  }
  if (c.check_segment >= 0) {
    EXPECT_NEAR(s[0][c.check_segment][2], c.x + 1000, 1e-9);
    EXPECT_NEAR(s[0][c.check_segment][3], c.y + 500, 1e-9);
  }
  Free(&g);
}

const FlattenCase kFlattenCases[] = {
    // on (0,0), off (0,4), off (4,4), off (4,0), on (8,0): one quartic sampled at five points;
    // at t = 0.5 the weights are 1, 4, 6, 4, 1 over 16.
    {"three_off_curve_points_are_one_quartic",
     {0, 0, 0, 256, 256, 256, 256, 0, 512, 0},
     {1, 0, 0, 0, 1},
     {4},
     {5},
     1,
     3.0,
     2.5},
    {"on_curve_square", {0, 0, 640, 0, 640, 640, 0, 640}, {1, 1, 1, 1}, {3}, {4}, 0, 10, 0},
    // The contour starts at its first on-curve point: the quadratic from (10,0) over the
    // off-curve first point (10,10) to (0,10).
    {"starts_at_the_first_on_curve_point",
     {640, 640, 0, 640, 0, 0, 640, 0},
     {0, 1, 1, 1},
     {3},
     {6},
     5,
     0,
     10},
    {"two_contours",
     {0, 0, 64, 0, 64, 64, 128, 128, 192, 128, 192, 192},
     {1, 1, 1, 1, 1, 1},
     {2, 5},
     {3, 3},
     0,
     1,
     0},
    {"only_off_curve_points_keep_their_order",
     {0, 0, 64, 0, 64, 64},
     {0, 0, 0},
     {2},
     {3},
     0,
     1,
     0},
    {"no_contours", {}, {}, {}, {}, -1, 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Outlines, FlattenTest, ::testing::ValuesIn(kFlattenCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Flatten, MalformedContourEndsAreRefused) {
  const int32_t points[] = {0, 0, 64, 0, 64, 64};
  const uint8_t flags[] = {1, 1, 1};
  const int16_t beyond[] = {3};
  const int16_t falling[] = {2, 0};
  const double origin[2] = {0, 0};
  for (auto* ends : {beyond, falling}) {
    GlyphOutlineView view{3, ends == beyond ? 1 : 2, points, flags, ends};
    TkTrueTypeGlyph g{};
    EXPECT_EQ(FlattenGlyphOutline(view, origin, &g), 1);
    EXPECT_EQ(g.contours, nullptr);
  }
}

TEST(Bezier, BernsteinWeightsOfDegreeFourAtAQuarter) {
  double w[5];
  BernsteinWeight(4, 0.25, w);
  const double expected[5] = {81 / 256.0, 108 / 256.0, 54 / 256.0, 12 / 256.0, 1 / 256.0};
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(w[i], expected[i], 1e-15) << i;
}

struct SizeCase {
  int32_t capital;
  uint8_t charset;
  int32_t size;
};

TEST(TrueTypeSize, CapitalHeightAndCharacterSet) {
  const SizeCase cases[] = {
      {0, 0, 1400},      // an empty "A" counts as 1000 tall
      {1020, 0, 1372},   // 1000 / 1020 * 1400
      {1000, 2, 1316},   // symbol fonts at 0.94
      {1000, 178, 1176}, // Arabic at 0.84
  };
  for (const SizeCase& c : cases)
    EXPECT_EQ(TrueTypeSizeFor(c.capital, c.charset), c.size) << c.capital << " " << +c.charset;
}

TEST(CodePage1256, ArabicBytes) {
  EXPECT_EQ(Cp1256ToUnicode(0xC7), 0x0627);
  EXPECT_EQ(Cp1256ToUnicode('A'), 'A');
  EXPECT_EQ(Cp1256ToUnicode(0x80), 0x20AC);
}

// Glyphs of a real font, through the cache.
class RealFontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* path = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (!std::ifstream(path)) GTEST_SKIP() << "DejaVu Sans is not installed";
    ResetTrueTypeFaceCache();
    spec = TkTrueTypeFontSpec{};
    std::snprintf(spec.path, sizeof spec.path, "%s", path);
  }
  void TearDown() override { FreeTrueTypeFaceCache(); }
  TkTrueTypeFontSpec spec{};
};

void Box(const TkTrueTypeGlyph& g, double box[4]) {
  box[0] = box[1] = 1e300;
  box[2] = box[3] = -1e300;
  for (auto& contour : Segments(g))
    for (auto& s : contour) {
      box[0] = std::min({box[0], s[0], s[2]});
      box[1] = std::min({box[1], s[1], s[3]});
      box[2] = std::max({box[2], s[0], s[2]});
      box[3] = std::max({box[3], s[1], s[3]});
    }
}

TEST_F(RealFontTest, CapitalAIsAThousandUnitsTallAtItsOrigin) {
  const double origin[2] = {2000, -300};
  TkTrueTypeGlyph g{};
  ASSERT_EQ(DwgDrawTrueTypeText('A', origin, &spec, &g, 0), 0);
  EXPECT_EQ(g.flags, TK_GLYPH_FILLED | TK_GLYPH_FREE);
  EXPECT_GT(g.contour_count, 0);
  double box[4];
  Box(g, box);
  EXPECT_NEAR(box[3] - box[1], 1000, 15);
  EXPECT_NEAR(box[1], -300, 15);
  EXPECT_GE(box[0], 2000 - 15);
  EXPECT_GT(g.advance, 500);
  Free(&g);
}

TEST_F(RealFontTest, ASpaceAdvancesAndDrawsNothing) {
  const double origin[2] = {0, 0};
  TkTrueTypeGlyph g{};
  ASSERT_EQ(DwgDrawTrueTypeText(' ', origin, &spec, &g, 0), 0);
  EXPECT_EQ(g.contour_count, 0);
  EXPECT_EQ(g.contours, nullptr);
  EXPECT_GT(g.advance, 100);
}

TEST_F(RealFontTest, ArabicByteIsAlefWithTwoThirdsOfItsAdvance) {
  const double origin[2] = {0, 0};
  TkTrueTypeGlyph unicode{}, arabic{};
  ASSERT_EQ(DwgDrawTrueTypeText(0x0627, origin, &spec, &unicode, 0), 0);
  spec.charset = 178;
  ASSERT_EQ(DwgDrawTrueTypeText(int16_t(0xC7), origin, &spec, &arabic, 0), 0);
  EXPECT_GT(arabic.contour_count, 0);
  EXPECT_EQ(arabic.contour_count, unicode.contour_count);
  // The Arabic face is sized at 0.84 of the ordinary one.
  EXPECT_NEAR(arabic.advance, unicode.advance * 0.84 * 2 / 3, unicode.advance * 0.03);
  Free(&unicode);
  Free(&arabic);
}

TEST_F(RealFontTest, AMissingFontFileFailsWithNothingAllocated) {
  std::snprintf(spec.path, sizeof spec.path, "%s", "/no/such/font.ttf");
  const double origin[2] = {0, 0};
  TkTrueTypeGlyph g{};
  EXPECT_NE(DwgDrawTrueTypeText('A', origin, &spec, &g, 0), 0);
  EXPECT_EQ(g.contours, nullptr);
  EXPECT_EQ(g.flags, 0);
}

}  // namespace
