// Display lists: the quadtree code table, where the recorders put primitives,
// replaying a view from the lists against regenerating it, and when a new view
// forces regeneration.
#include "toolkit/display/vec_output.h"

#include <algorithm>
#include <set>
#include <tuple>

#include "display_support.h"

using namespace display_test;

namespace {

using Segment = std::tuple<int32_t, int32_t, int32_t, int32_t>;

// The segments the pen drew, each with its ends in a fixed order.
std::set<Segment> segments() {
  std::set<Segment> out;
  for (const auto& s : strokes())
    for (size_t i = 1; i < s.size(); ++i) {
      Segment a{s[i - 1].first, s[i - 1].second, s[i].first, s[i].second};
      Segment b{s[i].first, s[i].second, s[i - 1].first, s[i - 1].second};
      out.insert(std::min(a, b));
    }
  return out;
}

int g_entities_read = 0;
void count_entity(TkEntityHeader*, TkEntityData*, TkUserData) { ++g_entities_read; }

struct CodeCase {
  int a, b;
  int node;
};

TEST(VecCodeTable, GivesTheSmallestNodeHoldingBothCells) {
  const CodeCase cases[] = {
      {0, 0, 0},    {63, 63, 63}, {0, 1, 64},   {0, 9, 64},   {1, 8, 64},   {0, 2, 80},
      {0, 27, 80},  {3, 4, 84},   {0, 63, 84},  {27, 36, 84}, {63, 54, 79}, {7, 6, 67},
      {60, 59, 84}, {36, 63, 83}, {32, 57, 82}, {4, 31, 81},  {56, 48, 76}, {62, 55, 79},
  };
  std::vector<uint8_t> table(TK_CODE_TABLE_SIZE);
  vec_init_code_table(table.data());
  for (const CodeCase& c : cases) {
    EXPECT_EQ(table[size_t(c.a * 64 + c.b)], c.node) << c.a << " " << c.b;
    EXPECT_EQ(table[size_t(c.b * 64 + c.a)], c.node) << c.b << " " << c.a;
  }
}

TEST(VecCodeTable, StartUpBuildsItIntoTheCallbackBlock) {
  core_test::serve_init_data(core_test::builtin_init_data());
  uint16_t status = 0;
  ASSERT_EQ(tk_init_core(nullptr, 1, &status), 1);
  ASSERT_EQ(tk_init(), 1);
  std::vector<uint8_t> table(TK_CODE_TABLE_SIZE);
  vec_init_code_table(table.data());
  EXPECT_EQ(0, std::memcmp(table.data(), tk_display_callbacks->code_table, table.size()));
  tk_shutdown();
  tk_shutdown_core();
}

TEST(VecCodeTable, CellsAtTheEdgesOfTheSpace) {
  const struct {
    int32_t x, y;
    int cell;
  } cases[] = {{0, 0, 0},       {4095, 0, 0},       {4096, 0, 1},       {0, 4096, 8},
               {31999, 0, 7},   {32000, 32000, 63}, {16383, 16384, 35}, {-5, -5, 0},
               {32767, 100, 7}, {28672, 28671, 55}};
  for (const auto& c : cases) EXPECT_EQ(vec_cell(c.x, c.y), c.cell) << c.x << "," << c.y;
}

TEST(VecCodeTable, CommonNodeOfUpperNodes) {
  EXPECT_EQ(vec_common_node('@', 'A'), 'P');
  EXPECT_EQ(vec_common_node('@', '@'), '@');
  EXPECT_EQ(vec_common_node('@', 'O'), 'T');
  EXPECT_EQ(vec_common_node('B', 'Q'), 'Q');
  EXPECT_EQ(vec_common_node('K', 'N'), 'S');
}

class VecTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    g_entities_read = 0;
    tk_set_text_hook(count_entity);
    // A grid of lines, a circle crossing the space's centre and a filled solid.
    for (int i = 0; i < 10; ++i) {
      add_line(5 + 9 * i, 3, 5 + 9 * i + 4, 90);
      add_line(2, 7 + 9 * i, 97, 7 + 9 * i + 1);
    }
    add_circle(50, 50, 20);
    add_circle(12.3, 81.7, 4);
    start(TK_SOLID);
    put3(0, 60, 10);
    put3(24, 80, 12);
    put3(48, 62, 30);
    put3(72, 79, 33);
    add();
    d->header->fillmode = 1;
  }
  // Regenerates and tells how many entities were read from the drawing.
  int draw() {
    g_entities_read = 0;
    EXPECT_EQ(regen(), 1);
    return g_entities_read;
  }
  std::vector<std::vector<int32_t>> fills() {
    std::vector<std::vector<int32_t>> out;
    for (const Call& c : of(2)) out.push_back(c.pts);
    return out;
  }
};

TEST_F(VecTest, ReplayOfTheRecordedViewDrawsWhatTheRecordingDrew) {
  tk_display_set_recording(d, 1);
  ASSERT_GT(draw(), 0);
  ASSERT_EQ(d->display->lists_valid, 1);
  const std::set<Segment> recorded = segments();
  const auto recorded_fills = fills();
  ASSERT_GE(recorded.size(), 100u);
  ASSERT_EQ(recorded_fills.size(), 1u);
  EXPECT_EQ(draw(), 0) << "a replay reads nothing from the drawing";
  EXPECT_EQ(segments(), recorded);
  ASSERT_EQ(fills().size(), 1u);
  // The replayed outline is the same polygon, maybe from another corner.
  std::vector<int32_t> a = recorded_fills[0], b = fills()[0];
  std::vector<std::pair<int32_t, int32_t>> pa, pb;
  for (size_t i = 0; i + 1 < a.size(); i += 2) pa.push_back({a[i], a[i + 1]});
  for (size_t i = 0; i + 1 < b.size(); i += 2) pb.push_back({b[i], b[i + 1]});
  std::sort(pa.begin(), pa.end());
  std::sort(pb.begin(), pb.end());
  EXPECT_EQ(pa, pb);
}

TEST_F(VecTest, RecordingDrawsWhatDirectOutputDrawsWithinAUnit) {
  ASSERT_GT(draw(), 0);
  const std::set<Segment> direct = segments();
  tk_display_set_recording(d, 1);
  draw();
  const std::set<Segment> recorded = segments();
  // Every direct segment has a recorded one whose ends lie within two device
  // units (the recorded space is 32 times finer than the device; the two
  // truncations and the clip at the view's edge each differ by a unit at most).
  size_t unmatched = 0;
  for (const Segment& s : direct) {
    bool found = false;
    for (const Segment& r : recorded) {
      if (std::abs(std::get<0>(s) - std::get<0>(r)) <= 2 &&
          std::abs(std::get<1>(s) - std::get<1>(r)) <= 2 &&
          std::abs(std::get<2>(s) - std::get<2>(r)) <= 2 &&
          std::abs(std::get<3>(s) - std::get<3>(r)) <= 2) {
        found = true;
        break;
      }
    }
    if (!found) ++unmatched;
  }
  // A chord of a small circle may fall a unit further either way and join its
  // neighbour.
  EXPECT_LE(unmatched, direct.size() / 100 + 1);
  EXPECT_NEAR(double(direct.size()), double(recorded.size()), direct.size() / 100.0 + 1);
}

TEST_F(VecTest, PanAndZoomInsideTheRecordedSpaceReplay) {
  tk_display_set_recording(d, 1);
  draw();
  // Half the size, moved off the centre: inside the recorded space, within its
  // resolution.
  set_view(35, 62, 50);
  ASSERT_EQ(d->display->lists_valid, 1);
  EXPECT_EQ(draw(), 0);
  const std::set<Segment> replayed = segments();
  // The same view regenerated without lists.
  tk_display_set_recording(d, 0);
  set_view(35, 62, 50);
  ASSERT_GT(draw(), 0);
  const std::set<Segment> direct = segments();
  // Segments away from the border (the clipped ends differ by the clip's
  // rounding) match within two device units.
  auto inside = [](const Segment& s) {
    auto in = [](int32_t v) { return v > 5 && v < 995; };
    return in(std::get<0>(s)) && in(std::get<1>(s)) && in(std::get<2>(s)) && in(std::get<3>(s));
  };
  size_t checked = 0, unmatched = 0;
  for (const Segment& s : direct) {
    if (!inside(s)) continue;
    ++checked;
    bool found = false;
    for (const Segment& r : replayed)
      if (std::abs(std::get<0>(s) - std::get<0>(r)) <= 2 &&
          std::abs(std::get<1>(s) - std::get<1>(r)) <= 2 &&
          std::abs(std::get<2>(s) - std::get<2>(r)) <= 2 &&
          std::abs(std::get<3>(s) - std::get<3>(r)) <= 2) {
        found = true;
        break;
      }
    if (!found) ++unmatched;
  }
  EXPECT_GT(checked, 30u);
  EXPECT_EQ(unmatched, 0u);
  // Nothing the replay drew lies off the device.
  for (const Segment& r : replayed) {
    EXPECT_GE(std::min(std::get<0>(r), std::get<2>(r)), 0);
    EXPECT_LE(std::max(std::get<0>(r), std::get<2>(r)), 1000);
  }
}

TEST_F(VecTest, ViewsOutsideTheListsRegenerate) {
  struct Case {
    const char* name;
    double cx, cy, side;
    bool replays;
  } cases[] = {
      {"pan inside", 45, 55, 60, true},
      {"zoom to the recorded resolution", 50, 50, 100.0 / 31, true},
      {"zoom past the recorded resolution", 50, 50, 100.0 / 40, false},
      {"pan past the recorded space", 80, 50, 60, false},
      {"zoom out", 50, 50, 150, false},
  };
  for (const Case& c : cases) {
    tk_display_set_recording(d, 1);
    draw();
    set_view(c.cx, c.cy, c.side);
    EXPECT_EQ(d->display->lists_valid, c.replays ? 1 : 0) << c.name;
    EXPECT_EQ(draw() == 0, c.replays) << c.name;
    tk_display_set_recording(d, 0);
    set_view(50, 50, 100);
  }
}

TEST_F(VecTest, AnotherDirectionRegenerates) {
  tk_display_set_recording(d, 1);
  draw();
  TkViewDesc v;
  ASSERT_EQ(tk_display_get_view(d, &v), 1);
  EXPECT_EQ(vec_view_needs_regen(d, &v), 0);
  TkViewDesc turned = v;
  turned.up[0] = 0.1;
  EXPECT_EQ(vec_view_needs_regen(d, &turned), 1);
  TkViewDesc tilted = v;
  tilted.direction[1] = -1;
  EXPECT_EQ(vec_view_needs_regen(d, &tilted), 1);
  TkViewDesc panned = v;
  view_pan(&panned, 10, -5);
  EXPECT_DOUBLE_EQ(panned.target[0], v.target[0] + 10);
  EXPECT_DOUBLE_EQ(panned.target[1], v.target[1] - 5);
  EXPECT_EQ(vec_view_needs_regen(d, &panned), 1) << "the recorded view fills the space";
}

TEST_F(VecTest, AnAbortedRecordingIsNotReplayed) {
  tk_display_set_recording(d, 1);
  tk_set_progress_callback([](int16_t percent, TkUserData) {
    if (percent == 0) regen_continue = 0;
  });
  draw();
  EXPECT_EQ(d->display->lists_valid, 0);
  tk_set_progress_callback(nullptr);
  EXPECT_GT(draw(), 0);
  EXPECT_EQ(d->display->lists_valid, 1);
}

TEST_F(VecTest, ChangedDrawingRegeneratesAtTheSameView) {
  tk_display_set_recording(d, 1);
  draw();
  tk_display_invalidate(d);
  EXPECT_GT(draw(), 0);
  EXPECT_EQ(draw(), 0);
}

TEST_F(VecTest, ReplayProgressEndsAtHundred) {
  tk_display_set_recording(d, 1);
  draw();
  tk_set_progress_callback(on_progress);
  draw();
  auto progress = of(5);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back().a, 100);
  for (size_t i = 1; i < progress.size(); ++i) EXPECT_GE(progress[i].a, progress[i - 1].a);
  tk_set_progress_callback(nullptr);
}

// The recorders alone, driven in recorded units.
class VecRecorderTest : public DisplayTest {
 protected:
  void begin() {
    tk_display_set_recording(d, 1);
    vec_install_default_output(d);
    vec_discard_display_lists(d);
    vec_begin_recording(d);
  }
  void end() {
    vec_close_display_lists(d);
    vec_install_direct_output(d);
  }
  const TkVecNode& node(int i) { return d->display->vec->nodes[i]; }
};

TEST_F(VecRecorderTest, SegmentsGoToTheSmallestNodeHoldingThem) {
  const struct {
    int32_t x0, y0, x1, y1;
    int node;
  } cases[] = {
      {100, 100, 4000, 4000, 0},        {4100, 100, 8000, 300, 1},
      {100, 100, 5000, 5000, 64},       {100, 100, 9000, 100, 80},
      {15000, 15000, 17000, 17000, 84}, {31000, 31000, 31999, 31999, 63},
      {28000, 100, 31999, 3000, 67},
  };
  for (const auto& c : cases) {
    begin();
    TkDisplayCallbacks* cb = tk_display_callbacks;
    cb->moveto(c.x0, c.y0, 0);
    cb->lineto(c.x1, c.y1, 0);
    end();
    for (int i = 0; i < TK_VEC_NODES; ++i)
      EXPECT_EQ(node(i).size > 0, i == c.node) << "node " << i << " for " << c.x0 << "," << c.y0;
  }
}

TEST_F(VecRecorderTest, RecordsAreShortAndAMoveToTheLastPointWritesNothing) {
  begin();
  TkDisplayCallbacks* cb = tk_display_callbacks;
  cb->color(3, 0);
  cb->moveto(1000, 1000, 0);
  cb->lineto(1010, 1000, 0);  // dx only
  const uint32_t after_first = node(0).size;
  // Attributes (colour and lineweight, 5), an absolute move (5) and a short
  // line (2).
  EXPECT_EQ(after_first, 12u);
  cb->moveto(1010, 1000, 0);
  cb->lineto(1010, 1020, 0);  // continues: no move, dy only
  EXPECT_EQ(node(0).size, after_first + 2);
  cb->moveto(1020, 1020, 0);
  cb->lineto(1030, 1030, 0);  // a short move, then dx and dy
  EXPECT_EQ(node(0).size, after_first + 2 + 2 + 3);
  cb->moveto(1030, 1030, 0);
  cb->lineto(3000, 1030, 0);  // long: absolute x
  EXPECT_EQ(node(0).size, after_first + 2 + 2 + 3 + 3);
  end();
}

TEST(VecDisplay, TallDeviceGivesANarrowerRecordedSpace) {
  core_test::serve_init_data(core_test::builtin_init_data());
  uint16_t status = 0;
  ASSERT_EQ(tk_init_core(nullptr, 1, &status), 1);
  ASSERT_EQ(tk_init(), 1);
  TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, 6);
  ASSERT_NE(d, nullptr);
  ASSERT_EQ(tk_display_open(d, nullptr, 500, 1000, nullptr), 1);
  const int32_t rect[4] = {0, 0, 500, 1000};
  int32_t recorded[4];
  vec_set_device_rect(d, rect, recorded);
  EXPECT_EQ(d->display->vec->recorded_width, 16000);
  EXPECT_EQ(d->display->vec->recorded_height, 32000);
  EXPECT_EQ(recorded[2], 16000);
  EXPECT_EQ(recorded[3], 32000);
  EXPECT_DOUBLE_EQ(d->display->vec->unit_size, 500 * 3.125e-5);
  tk_close_drawing(d);
  tk_shutdown();
  tk_shutdown_core();
}

TEST(VecClip, FillsAreClippedToTheDevice) {
  const int32_t rect[4] = {0, 0, 100, 100};
  std::vector<int32_t> out;
  const int32_t inside[] = {10, 10, 50, 10, 50, 50};
  EXPECT_EQ(vec_clip_fill_polygon(3, inside, rect, &out), 3);
  const int32_t across[] = {-50, 50, 50, -50, 150, 50, 50, 150};
  EXPECT_EQ(vec_clip_fill_polygon(4, across, rect, &out), 8);
  for (int32_t v : out) {
    EXPECT_GE(v, 0);
    EXPECT_LE(v, 100);
  }
  const int32_t outside[] = {200, 10, 300, 10, 250, 50};
  EXPECT_EQ(vec_clip_fill_polygon(3, outside, rect, &out), 0);
  // Clockwise is turned round and clipped the same.
  const int32_t clockwise[] = {-50, 50, 50, 150, 150, 50, 50, -50};
  EXPECT_EQ(vec_clip_fill_polygon(4, clockwise, rect, &out), 8);
}

}  // namespace
