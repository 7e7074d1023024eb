// Hatch fill through the recording callback block: solid hatches as filled area (islands by
// style), pattern hatches as the length of their spans, every edge kind, and the damaged
// records that must draw what they can and never hang: a pattern line of zero spacing, line
// edges that do not meet, a style above 2, a path flagged as not used.
#include <array>
#include <cmath>
#include <vector>

#include "display_support.h"

namespace {

using namespace display_test;

constexpr double kPi = 3.141592653589793;

// Builds the path and pattern blobs of a HATCH in the record's layout.
struct Paths {
  std::vector<uint8_t> bytes;
  uint32_t count = 0;
  template <typename T>
  Paths& put(T v) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(&v);
    bytes.insert(bytes.end(), p, p + sizeof v);
    return *this;
  }
  // A closed polyline path of the points (x, y, bulge).
  Paths& polyline(const std::vector<std::array<double, 3>>& pts, int32_t flags = 2) {
    ++count;
    put(flags).put(int16_t(1)).put(int16_t(1)).put(int32_t(pts.size()));
    for (const auto& p : pts) put(p[0]).put(p[1]).put(p[2]);
    return put(int32_t(0));
  }
  Paths& square(double x0, double y0, double x1, double y1, int32_t flags = 2) {
    return polyline({{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}}, flags);
  }
  // An edge path; each edge adds itself through the callers below.
  Paths& edges(int32_t n, int32_t flags = 1) {
    ++count;
    return put(flags).put(n);
  }
  Paths& line(double x0, double y0, double x1, double y1) {
    return put(int16_t(1)).put(x0).put(y0).put(x1).put(y1);
  }
  Paths& arc(double cx, double cy, double r, double a0, double a1, bool ccw) {
    return put(int16_t(2)).put(cx).put(cy).put(r).put(a0).put(a1).put(int16_t(ccw));
  }
  Paths& ellipse(double cx, double cy, double ax, double ay, double ratio, double t0, double t1) {
    return put(int16_t(3)).put(cx).put(cy).put(ax).put(ay).put(ratio).put(t0).put(t1).put(int16_t(1));
  }
  Paths& end() { return put(int32_t(0)); }
};

TkBlob* blob_of(const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return nullptr;
  TkBlob* b = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob_create(b);
  blob_write(w, bytes.data(), bytes.size());
  blob_close_write(w);
  return b;
}

struct Family {
  double angle, bx, by, ox, oy;
  std::vector<double> dashes;
};

class HatchTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    d->header->fillmode = 1;
  }
  void add_hatch(const Paths& p, int16_t style, const std::vector<Family>& families = {},
                 bool solid = false) {
    start(tk_class_hatch(d));
    put<int16_t>(TK_HATCH_SOLID, solid ? 1 : 0);
    put<int16_t>(TK_HATCH_STYLE, style);
    put<uint32_t>(TK_HATCH_PATH_COUNT, p.count);
    put<TkBlob*>(TK_HATCH_PATHS, blob_of(p.bytes));
    Paths lines;
    for (const Family& f : families) {
      lines.put(f.angle).put(f.bx).put(f.by).put(f.ox).put(f.oy).put(int16_t(f.dashes.size()));
      for (double x : f.dashes) lines.put(x);
    }
    put<int16_t>(TK_HATCH_LINE_COUNT, int16_t(families.size()));
    put<TkBlob*>(TK_HATCH_LINES, blob_of(lines.bytes));
    add();
  }
  // A new drawing for the next case of a table.
  void fresh() {
    TearDown();
    SetUp();
  }
  // Device area the fill slot covered (drawing units squared: the view scales by ten).
  static double filled_area() {
    double area = 0;
    for (const Call& c : of(2)) {
      const std::vector<int32_t>& p = c.pts;
      double a = 0;
      for (size_t i = 0; i < p.size(); i += 2) {
        size_t j = (i + 2) % p.size();
        a += double(p[i]) * p[j + 1] - double(p[j]) * p[i + 1];
      }
      area += std::fabs(a) / 2;
    }
    return area / 100;
  }
  // Length of everything the pen drew, in drawing units.
  static double drawn_length() {
    double length = 0;
    for (const auto& s : strokes())
      for (size_t i = 1; i < s.size(); ++i)
        length += std::hypot(double(s[i].first - s[i - 1].first), double(s[i].second - s[i - 1].second));
    return length / 10;
  }
};

// A square of 80 with a square island of 40 holding an island of 20: style 0 alternates, style 1
// leaves out the first island with what it holds, style 2 fills through.
TEST_F(HatchTest, SolidIslandsByStyle) {
  const struct {
    int16_t style;
    double area;
  } cases[] = {{0, 6400 - 1600 + 400}, {1, 6400 - 1600}, {2, 6400}, {7, 6400 - 1600 + 400}};
  for (const auto& c : cases) {
    fresh();
    Paths p;
    p.square(10, 10, 90, 90).square(30, 30, 70, 70).square(40, 40, 60, 60);
    add_hatch(p, c.style, {}, true);
    ASSERT_EQ(regen(), 1);
    EXPECT_NEAR(filled_area(), c.area, c.area * 0.01) << "style " << c.style;
    EXPECT_TRUE(of(1).empty()) << "a solid hatch strokes nothing while fills are on";
  }
}

// Horizontal lines 10 apart over the square with its island: each line's spans stop at the
// island in style 0 and run through it in style 2.
TEST_F(HatchTest, PatternSpansByStyle) {
  const Family rows{0, 0, 5, 0, 10, {}};
  const struct {
    int16_t style;
    double length;
  } cases[] = {{0, 8 * 80 - 4 * 40}, {1, 8 * 80 - 4 * 40}, {2, 8 * 80}, {3, 8 * 80 - 4 * 40}};
  for (const auto& c : cases) {
    fresh();
    Paths p;
    p.square(10, 10, 90, 90).square(30, 30, 70, 70);
    add_hatch(p, c.style, {rows});
    ASSERT_EQ(regen(), 1);
    EXPECT_NEAR(drawn_length(), c.length, 2) << "style " << c.style;
    EXPECT_TRUE(of(2).empty());
  }
}

// Lines at 45 and 90 degrees whose spans end exactly on the boundary's corners: a line through a
// vertex counts it once, so the diamond's spans are whole.
TEST_F(HatchTest, LinesThroughCornersAndVerticalLines) {
  // A diamond around (50, 50) of half-diagonal 40; lines at 45 degrees 10 apart across it.
  const double s = std::sqrt(0.5);
  const struct {
    const char* name;
    Family f;
    double length;
  } cases[] = {
      // Vertical lines at x = 10, 20, ... 90 through the diamond: lengths 2 (40 - |x - 50|).
      {"vertical", {kPi / 2, 50, 0, -10, 0, {}}, 0 + 20 + 40 + 60 + 80 + 60 + 40 + 20 + 0},
      // Horizontal lines through the left and right corners (y = 50) and between.
      {"horizontal", {0, 0, 50, 0, 10, {}}, 0 + 20 + 40 + 60 + 80 + 60 + 40 + 20 + 0},
      // At 45 degrees the lines run along two sides: only whole sides and inner spans.
      {"45 degrees", {kPi / 4, 50, 10, -10 * s, 10 * s, {}}, 5 * 40 * std::sqrt(2.0)},
  };
  for (const auto& c : cases) {
    fresh();
    Paths p;
    p.polyline({{50, 10, 0}, {90, 50, 0}, {50, 90, 0}, {10, 50, 0}});
    add_hatch(p, 0, {c.f});
    ASSERT_EQ(regen(), 1);
    EXPECT_NEAR(drawn_length(), c.length, 3) << c.name;
  }
}

// Every edge kind closes its loop: a disc of two half-circle arcs (one clockwise) with a
// concentric circle inside, a full ellipse, a bulged polyline and a spline path.
TEST_F(HatchTest, CurvedEdgesFillTheirArea) {
  const struct {
    const char* name;
    Paths p;
    double area;
  } cases[] = {
      {"concentric circles", Paths{}.edges(2).arc(50, 50, 40, 0, kPi, true).arc(50, 50, 40, kPi, 2 * kPi, true)
                                 .end().edges(1).arc(50, 50, 20, 0, 2 * kPi, false).end(),
       kPi * (1600 - 400)},
      {"ellipse", Paths{}.edges(1).ellipse(50, 50, 40, 0, 0.5, 0, 2 * kPi).end(), kPi * 40 * 20},
      // A half disc: the bulge 1 is a half circle over the chord.
      {"bulge", Paths{}.polyline({{10, 50, 1}, {90, 50, 0}}), kPi * 1600 / 2},
  };
  for (const auto& c : cases) {
    fresh();
    add_hatch(c.p, 0, {}, true);
    ASSERT_EQ(regen(), 1);
    EXPECT_NEAR(filled_area(), c.area, c.area * 0.03) << c.name;
  }
  // A spline edge (a degree-1 spline is its control polygon) closed by a line edge: a triangle.
  fresh();
  Paths p;
  p.edges(2).put(int16_t(4)).put(int32_t(1)).put(int16_t(0)).put(int16_t(0)).put(int32_t(5)).put(int32_t(3));
  for (double k : {0.0, 0.0, 1.0, 2.0, 2.0}) p.put(k);
  for (double v : {10.0, 10.0, 90.0, 10.0, 50.0, 90.0}) p.put(v);
  p.line(50, 90, 10, 10).end();
  add_hatch(p, 0, {}, true);
  ASSERT_EQ(regen(), 1);
  EXPECT_NEAR(filled_area(), 3200, 40);
}

// Damaged records draw what they can: zero spacing lays no line (and does not hang), a path
// flagged as not used is left out, line edges with a gap are joined and counted, a path cut
// short by the end of its blob is left out and the paths before it are kept.
TEST_F(HatchTest, DamagedRecordsDrawWhatTheyCan) {
  Paths p;
  p.square(10, 10, 90, 90).square(30, 30, 70, 70, 2 | 8);
  add_hatch(p, 0, {{0, 0, 5, 10, 0, {}}, {0, 0, 5, 0, 10, {}}});
  ASSERT_EQ(regen(), 1);
  EXPECT_NEAR(drawn_length(), 8 * 80, 2) << "the family without spacing draws nothing";

  fresh();
  Paths gap;
  gap.edges(4).line(10, 10, 90, 10).line(90, 10, 90, 90).line(90, 90, 10, 90).line(10, 85, 10, 10).end();
  add_hatch(gap, 0, {}, true);
  ASSERT_EQ(regen(), 1);
  EXPECT_NEAR(filled_area(), 6400, 100);
  EXPECT_EQ(tk_regen.hatch_gaps_joined, 1u);

  fresh();
  Paths cut;
  cut.square(10, 10, 90, 90).square(30, 30, 70, 70);
  cut.bytes.resize(cut.bytes.size() - 20);
  add_hatch(cut, 0, {}, true);
  ASSERT_EQ(regen(), 1);
  EXPECT_NEAR(filled_area(), 6400, 100);
}

// Dashes keep their phase along a line across the island: the pieces lie on the line's own
// grid of dash 10, gap 10 from its base point.
TEST_F(HatchTest, DashesKeepTheirPhaseAcrossSpans) {
  Paths p;
  p.square(10, 10, 90, 90).square(35, 30, 65, 70);
  add_hatch(p, 0, {{0, 0, 50, 0, 1000, {10, -10}}});
  ASSERT_EQ(regen(), 1);
  // y = 50 only; dashes on [0,10), [20,30), ... clipped to the spans [10,35] and [65,90].
  std::vector<std::pair<int32_t, int32_t>> pieces;
  for (const auto& s : strokes()) pieces.push_back({s.front().first, s.back().first});
  const std::vector<std::pair<int32_t, int32_t>> want = {{200, 300}, {650, 700}, {800, 900}};
  EXPECT_EQ(pieces, want);
}

}  // namespace
