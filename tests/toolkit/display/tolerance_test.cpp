// Tolerance frames through the recording callback block: the frame lines of the cells and rows
// (told from the cell texts by the frame colour of the dimension style) and where they stand.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "display_support.h"

namespace {

using namespace display_test;

using Segment = std::pair<std::pair<int32_t, int32_t>, std::pair<int32_t, int32_t>>;

class ToleranceTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    tk_dimstyle_rewind(d);
    ASSERT_EQ(tk_dimstyle_next(d, &style), 1);
    style.dimclrd = 1;
    style.dimclrt = 2;
    style.dimgap = -1;  // gaps of its size
    style.dimtxt = 4;
    style.dimscale = 1;
    ASSERT_EQ(tk_dimstyle_put(d, &style), 1);
  }
  void add_tolerance(const char* text) {
    start(TK_TOLERANCE);
    put3(0, 10, 50);
    put3(24, 1, 0, 0);
    put<TkHandle>(TK_TOLERANCE_DIMSTYLE, style.handle);
    std::strcpy(tk_data_text(&data, TK_TOLERANCE_STRING), text);
    add();
  }
  // The segments drawn in the frame colour.
  std::vector<Segment> frame() {
    std::vector<Segment> out;
    int32_t colour = -1;
    std::pair<int32_t, int32_t> pen{};
    for (const Call& c : calls) {
      if (c.slot == 4) colour = c.a;
      if (c.slot == 0) pen = {c.a, c.b};
      if (c.slot == 1) {
        if (colour == 1) out.push_back({pen, {c.a, c.b}});
        pen = {c.a, c.b};
      }
    }
    return out;
  }
  static bool vertical(const Segment& s) { return s.first.first == s.second.first; }
  TkDimStyleRecord style{};
};

TEST_F(ToleranceTest, CellsOfOneRow) {
  add_tolerance("A%%vB%%vC");
  ASSERT_EQ(regen(), 1);
  auto f = frame();
  std::vector<int32_t> xs;
  size_t horizontal = 0;
  for (const Segment& s : f) {
    if (vertical(s)) {
      xs.push_back(s.first.first);
      // Each frame line runs from the gap above the text to the gap below it.
      EXPECT_EQ(std::max(s.first.second, s.second.second), 530);
      EXPECT_EQ(std::min(s.first.second, s.second.second), 470);
    } else {
      ++horizontal;
    }
  }
  // The left edge and a separator after each of the three cells; the top and bottom edges.
  ASSERT_EQ(xs.size(), 4u);
  EXPECT_EQ(xs[0], 100);
  EXPECT_TRUE(std::is_sorted(xs.begin(), xs.end()));
  EXPECT_GT(xs[1], xs[0] + 10);
  EXPECT_EQ(horizontal, 2u);
  // The texts are drawn in the text colour.
  bool text_colour = false;
  for (const Call& c : of(4)) text_colour |= c.a == 2;
  EXPECT_TRUE(text_colour);
}

// A second row shorter than the first is framed as wide as the first at its top; the bottom
// edge closes the last row.
TEST_F(ToleranceTest, ShorterSecondRow) {
  add_tolerance("A%%vB%%vC\nA");
  ASSERT_EQ(regen(), 1);
  auto f = frame();
  int32_t right = 0;
  std::vector<Segment> edges;
  for (const Segment& s : f) {
    if (vertical(s))
      right = std::max(right, s.first.first);
    else
      edges.push_back(s);
  }
  ASSERT_EQ(edges.size(), 3u);
  auto end_of = [](const Segment& s) { return std::max(s.first.first, s.second.first); };
  EXPECT_EQ(end_of(edges[0]), right);
  EXPECT_EQ(end_of(edges[1]), right);
  EXPECT_LT(end_of(edges[2]), right);
  // The second row lies below the first and shares its edge.
  EXPECT_EQ(edges[1].first.second, 470);
  EXPECT_LT(edges[2].first.second, 470);
}

TEST_F(ToleranceTest, EmptyStringDrawsNothing) {
  add_tolerance("");
  ASSERT_EQ(regen(), 1);
  EXPECT_TRUE(strokes().empty());
}

}  // namespace
