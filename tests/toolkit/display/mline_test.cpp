// Multilines through the recording callback block: element lines in their colours, breaks,
// line caps and miters, arc caps, the fill bands, and a closed multiline without caps.
#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "display_support.h"

namespace {

using namespace display_test;

using Point = std::pair<int32_t, int32_t>;
using Segment = std::pair<Point, Point>;

class MlineTest : public DisplayTest {
 protected:
  // A style of two elements at +5 (colour 1) and -5 (colour 2), by-layer linetypes.
  TkHandle add_style(int16_t flags, int16_t fill_colour = 3) {
    TkObjectHeader oh{};
    TkObjectData od;
    std::memset(&od, 0, sizeof od);
    oh.type = TK_OBJ_MLINESTYLE;
    tk_init_object(d, &oh, &od);
    oh.handle = H(0x7000 + next_style++);
    od.mlinestyle.flags = flags;
    od.mlinestyle.fill_colour = fill_colour;
    od.mlinestyle.element_count = 2;
    od.mlinestyle.elements = blob_alloc(TK_BLOB_CHUNK_SIZE);
    TkBlob* w = blob_create(od.mlinestyle.elements);
    const TkMlineElement elements[2] = {{1, 32767, 5.0}, {2, 32767, -5.0}};
    for (const TkMlineElement& e : elements) tk_mlstyle_element_write(w, &e);
    blob_close_write(w);
    EXPECT_EQ(tk_object_add(d, &oh, &od), 1);
    return oh.handle;
  }
  // A multiline along y = 50 through the x values, elements at +5 and -5; params[e] are each
  // element's break parameters on the first segment.
  void add_mline(const TkHandle& style, std::vector<double> xs, bool closed = false,
                 std::vector<double> breaks = {}) {
    start(TK_MLINE);
    put<double>(0, 1.0);
    put<int16_t>(10, closed ? 3 : 1);
    put<int16_t>(12, 2);
    put<int16_t>(14, int16_t(xs.size()));
    put3(16, xs[0], 50);
    put<TkHandle>(TK_MLINE_STYLE, style);
    TkBlob* b = blob_alloc(TK_BLOB_CHUNK_SIZE);
    TkBlob* w = blob_create(b);
    for (size_t j = 0; j < xs.size(); ++j) {
      const double v[9] = {xs[j], 50, 0, 1, 0, 0, 0, 1, 0};
      blob_write(w, v, sizeof v);
      for (int e = 0; e < 2; ++e) {
        std::vector<double> p = {e == 0 ? 5.0 : -5.0, 0.0};
        if (j == 0 && e == 0) p.insert(p.end(), breaks.begin(), breaks.end());
        int16_t n = int16_t(p.size()), none = 0;
        blob_write(w, &n, 2);
        blob_write(w, p.data(), sizeof(double) * p.size());
        blob_write(w, &none, 2);
      }
    }
    blob_close_write(w);
    put<TkBlob*>(TK_MLINE_BLOB, b);
    add();
  }
  // Segments drawn, by the colour they were drawn in.
  std::vector<std::pair<int32_t, Segment>> segments() {
    std::vector<std::pair<int32_t, Segment>> out;
    int32_t colour = -1;
    Point pen{};
    for (const Call& c : calls) {
      if (c.slot == 4) colour = c.a;
      if (c.slot == 0) pen = {c.a, c.b};
      if (c.slot == 1) {
        out.push_back({colour, {pen, {c.a, c.b}}});
        pen = {c.a, c.b};
      }
    }
    return out;
  }
  // Segments across the elements (vertical here) at a device x.
  size_t across_at(int32_t x) {
    size_t n = 0;
    for (auto& s : segments())
      n += s.second.first.first == x && s.second.second.first == x &&
           s.second.first.second != s.second.second.second;
    return n;
  }
  int next_style = 0;
};

TEST_F(MlineTest, ElementLinesInTheirColoursWithLineCapsAndMiters) {
  const struct {
    int16_t flags;
    bool closed;
    size_t start_caps, miters, end_caps;
  } cases[] = {
      {0, false, 0, 0, 0},
      {16 | 256, false, 2, 0, 2},  // line caps at both ends: half in each element's colour
      {2, false, 0, 2, 0},         // miters at the interior vertex
      {16 | 256, true, 0, 0, 0},   // closed: no caps, and the last vertex joins the first
  };
  for (const auto& c : cases) {
    TearDown();
    SetUp();
    add_mline(add_style(c.flags), {10, 50, 90}, c.closed);
    ASSERT_EQ(regen(), 1);
    std::set<std::pair<int32_t, int32_t>> rows;  // (colour, device y) of horizontal segments
    for (auto& s : segments())
      if (s.second.first.second == s.second.second.second)
        rows.insert({s.first, s.second.first.second});
    const std::set<std::pair<int32_t, int32_t>> want = {{1, 550}, {2, 450}};
    EXPECT_EQ(rows, want) << c.flags;
    EXPECT_EQ(across_at(100), c.start_caps) << c.flags;
    EXPECT_EQ(across_at(500), c.miters) << c.flags;
    EXPECT_EQ(across_at(900), c.end_caps) << c.flags;
  }
}

// Break parameters leave a gap in the element on its segment; the pen state carries on.
TEST_F(MlineTest, BreaksLeaveGaps) {
  add_mline(add_style(0), {10, 90}, false, {10, 20});
  ASSERT_EQ(regen(), 1);
  std::vector<Segment> top;
  for (auto& s : segments())
    if (s.first == 1) top.push_back(s.second);
  ASSERT_EQ(top.size(), 2u);
  EXPECT_EQ(top[0], Segment({100, 550}, {200, 550}));
  EXPECT_EQ(top[1], Segment({300, 550}, {900, 550}));
}

// The fill pass draws the band between the elements in the fill colour before the lines; round
// caps are arcs beyond the ends, filled as well.
TEST_F(MlineTest, FillBandsAndRoundCaps) {
  d->header->fillmode = 1;
  add_mline(add_style(1 | 64 | 1024), {10, 90});
  ASSERT_EQ(regen(), 1);
  auto fills = of(2);
  ASSERT_GE(fills.size(), 3u);
  int32_t fill_colour = -1, first_fill = -1, min_x = 1000, max_x = 0;
  for (const Call& c : calls) {
    if (c.slot == 4) fill_colour = c.a;
    if (c.slot == 2 && first_fill < 0) first_fill = fill_colour;
    if (c.slot == 1) {
      min_x = std::min(min_x, c.a);
      max_x = std::max(max_x, c.a);
    }
  }
  EXPECT_EQ(first_fill, 3);
  // The caps reach half the width (5 units) beyond the two ends.
  EXPECT_EQ(min_x, 50);
  EXPECT_EQ(max_x, 950);
}

}  // namespace
