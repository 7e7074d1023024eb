// Tests of the dimension and lookup helpers: arrow kinds by block name, line and vertex angles at
// their edge cases, space-block handles and the longest name.
#include <gtest/gtest.h>

#include <cmath>

#include "core_support.h"
#include "toolkit/core/dim_lookup.h"
#include "toolkit/core/drawing_life.h"

namespace {

constexpr double pi = 3.14159265358979323846;

class DimLookupTest : public core_test::StartedToolkit {};

TEST_F(DimLookupTest, ArrowKindsByBlockName) {
  const struct {
    const char* name;
    uint16_t kind;
  } cases[] = {
      {"", TK_ARROW_DEFAULT},     {"_Closed", TK_ARROW_CLOSED}, {"_CLOSED", TK_ARROW_CLOSED},
      {"_open", TK_ARROW_OPEN},   {"_DOT", TK_ARROW_DOT},       {"_ORIGIN", TK_ARROW_ORIGIN},
      {"_OPEN90", TK_ARROW_OPEN90}, {"_NONE", TK_ARROW_NONE},   {"_Oblique", TK_ARROW_OBLIQUE},
      {"ARCHTICK", TK_ARROW_USER_BLOCK}, {"CLOSED", TK_ARROW_USER_BLOCK},
  };
  for (const auto& c : cases) {
    uint16_t kind = 99;
    EXPECT_EQ(tk_arrow_kind(c.name, &kind), 1);
    EXPECT_EQ(kind, c.kind) << '"' << c.name << '"';
  }
}

TEST_F(DimLookupTest, AnglesOfLinesAndAtVertices) {
  const struct {
    double p0[2], p1[2];
    double angle;
  } lines[] = {
      {{0, 0}, {1, 0}, 0},           {{0, 0}, {0, 1}, pi / 2},      {{0, 1}, {0, 0}, -pi / 2},
      {{3, 3}, {3, 3}, pi / 2},      {{0, 0}, {-1, 0}, pi},         {{0, 0}, {-1, -1}, 1.25 * pi},
      {{0, 0}, {1, -1}, -pi / 4},
  };
  for (const auto& l : lines) EXPECT_NEAR(tk_angle_of_line(l.p0, l.p1), l.angle, 1e-12);

  const struct {
    double p0[2], p1[2], p2[2];
    double angle;
  } vertices[] = {
      {{1, 0}, {0, 0}, {0, 1}, pi / 2},
      {{1, 0}, {0, 0}, {-1, 0}, pi},
      {{1, 0}, {0, 0}, {1, -1}, pi / 4},
      {{-1, -1}, {0, 0}, {1, -1}, pi / 2},  // the rays' angles differ by more than pi
      {{1, 0}, {0, 0}, {2, 0}, 0},
  };
  for (const auto& v : vertices)
    EXPECT_NEAR(tk_angle_at_vertex(v.p0, v.p1, v.p2), v.angle, 1e-12);

  EXPECT_NEAR(tk_angle_from_sin_scaled(pi / 4, 0.5), std::atan2(0.5, 1.0), 1e-12);
  EXPECT_NEAR(tk_angle_from_cos_scaled(pi / 4, 0.5), std::atan2(1.0, 0.5), 1e-12);
}

TEST_F(DimLookupTest, SpaceBlockHandlesAndNameLength) {
  TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, 0);
  ASSERT_NE(d, nullptr);
  TkHandle h;
  ASSERT_EQ(tk_get_space_block_handle(d, &h, 1), 1);
  EXPECT_EQ(tk_handle_compare(&h, &d->fixed[TK_FIXED_MODEL_SPACE]), 0);
  ASSERT_EQ(tk_get_space_block_handle(d, &h, 0), 1);
  EXPECT_EQ(tk_handle_compare(&h, &d->fixed[TK_FIXED_PAPER_SPACE]), 0);
  EXPECT_EQ(tk_get_space_block_handle(d, &h, 2), 0);
  d->fixed[TK_FIXED_PAPER_SPACE] = TkHandle{};
  EXPECT_EQ(tk_get_space_block_handle(d, &h, 0), 0);
  tk_close_drawing(d);

  EXPECT_EQ(tk_get_max_name_length(), 26);
}

}  // namespace
