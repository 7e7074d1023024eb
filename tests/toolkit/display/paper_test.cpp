// Paper space through its viewports: model space is drawn once in each viewport that is on,
// except where the entity's layer (or the layer it is drawn through) is frozen in that
// viewport; a drawing may have all 64 viewports the masks allow; linetype dashes follow each
// viewport's scale or the paper's, as PSLTSCALE says.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "display_support.h"
#include "toolkit/core/blob.h"

namespace {

using display_test::DisplayTest;
using display_test::strokes;

struct Viewport {
  double cx, cy, size;  // paper centre and side
  double view_cx, view_cy, view_height;
  int16_t status;
  std::vector<TkHandle> frozen;
  TkHandle clip{};  // a clipping entity on the paper: a non-rectangular viewport
};

class PaperTest : public DisplayTest {
 protected:
  // Puts the drawing in paper space with the paper view (0, 0)-(100, 100) on the 1000 x 1000
  // device and the given model-space viewports; opens its display.
  void open_paper(const std::vector<Viewport>& viewports) {
    tk_display_close(d);
    d->header->tilemode = 0;
    d->version = 7;  // AC1015, a release with paper space
    add_viewport({50, 50, 100, 50, 50, 100, 1, {}});
    for (const Viewport& v : viewports) add_viewport(v);
    ASSERT_EQ(tk_display_open(d, nullptr, 1000, 1000, nullptr), 1);
    ASSERT_EQ(d->display->paper_space, 1);
    set_view(50, 50, 100);
  }
  void add_viewport(const Viewport& v) {
    start(TK_VIEWPORT);
    h.flags |= 1;  // a paper-space entity
    put3(16, v.cx, v.cy);
    put<double>(40, v.size);
    put<double>(48, v.size);
    put<int16_t>(10, v.status);
    put<int16_t>(TK_VIEWPORT_NUMBER, int16_t(++viewport_number));
    put3(736, 0, 0, 1);
    put<double>(768, v.view_height);
    put<double>(776, v.view_cx);
    put<double>(784, v.view_cy);
    put(TK_VIEWPORT_CLIP_ENTITY, v.clip);
    if (!v.frozen.empty()) {
      TkBlob* blob = blob_alloc(TK_BLOB_CHUNK_SIZE);
      TkBlob* w = blob_create(blob);
      for (const TkHandle& layer : v.frozen) blob_write(w, &layer, sizeof layer);
      blob_close_write(w);
      put(TK_VIEWPORT_BLOB, blob);
      put<uint32_t>(TK_VIEWPORT_LAYER_COUNT, uint32_t(v.frozen.size()));
    }
    add(&d->paper_entities);
  }
  TkHandle add_layer(const char* name) {
    TkLayerRecord l;
    tk_init_layer_record(d, &l);
    std::strcpy(l.name, name);
    EXPECT_EQ(tk_next_handle(d, nullptr, 0, &l.handle), 1);
    EXPECT_EQ(tk_layer_add(d, &l), 1);
    return l.handle;
  }
  TkHandle add_block(const char* name) {
    TkBlockRecord b;
    tk_init_block_record(&b);
    std::strcpy(b.name, name);
    EXPECT_EQ(tk_next_handle(d, nullptr, 0, &b.handle), 1);
    EXPECT_EQ(tk_add_block(d, &b), 1);
    return b.handle;
  }
  int viewport_number = 0;
  TkLayerRecord layer_record{};
};

// Viewport A shows model (0, 0)-(10, 10) at 40 device units a unit left of the paper's middle,
// viewport B the same at 20 units right of it. The model line (2, 5)-(8, 5) lands on device
// x 130-370 in A and 690-810 in B.
TEST_F(PaperTest, ModelSpaceIsDrawnInEachViewportThatShowsIt) {
  struct Case {
    const char* name;
    bool frozen_in_b;    // B's frozen-layer list names L
    int16_t b_status;    // 0: B is off
    bool through_block;  // the line on "0" in a block inserted on L, not on L itself
    bool frozen_in_a;
    std::vector<int32_t> starts;
  } cases[] = {
      {"both viewports", false, 1, false, false, {130, 690}},
      {"frozen in B", true, 1, false, false, {130}},
      {"B off", false, 0, false, false, {130}},
      {"frozen in A through the inserting layer", false, 1, true, true, {690}},
      {"frozen in B through the inserting layer", true, 1, true, false, {130}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tk_display_close(d);
    tk_close_drawing(d);
    d = tk_new_drawing(nullptr, nullptr, 0, 0);
    ASSERT_NE(d, nullptr);
    viewport_number = 0;
    TkHandle lay = add_layer("L");
    std::vector<TkHandle> frozen_a, frozen_b;
    if (c.frozen_in_a) frozen_a.push_back(lay);
    if (c.frozen_in_b) frozen_b.push_back(lay);
    if (c.through_block) {
      TkHandle b = add_block("B");
      add_line(2, 5, 8, 5, tk_block_entity_list(d, &b));
      start(TK_INSERT);
      put(TK_INSERT_BLOCK, b);
      h.layer = lay;
      add();
    } else {
      start(TK_LINE);
      put3(0, 2, 5);
      put3(24, 8, 5);
      h.layer = lay;
      add();
    }
    // On the paper: drawn once, whatever the viewports.
    start(TK_LINE);
    h.flags |= 1;
    put3(0, 40, 95);
    put3(24, 60, 95);
    add(&d->paper_entities);
    open_paper({{25, 50, 40, 5, 5, 10, 1, frozen_a}, {75, 50, 40, 5, 5, 20, c.b_status, frozen_b}});
    ASSERT_EQ(d->display->viewport_count, 3);
    ASSERT_EQ(regen(), 1);
    std::vector<int32_t> want = c.starts;
    want.push_back(400);  // the paper's own line
    std::sort(want.begin(), want.end());
    // The lines' left ends (the viewports' frames, closed strokes, aside).
    std::vector<int32_t> lefts;
    for (const auto& s : strokes())
      if (s.size() == 2) lefts.push_back(std::min(s.front().first, s.back().first));
    std::sort(lefts.begin(), lefts.end());
    ASSERT_EQ(lefts.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(lefts[i], want[i], 1) << i;
  }
}

// A viewport whose clipping entity is a circle on the paper shows model space only inside the
// circle: lines and fills alike.
TEST_F(PaperTest, NonRectangularViewportCutsToItsOutline) {
  start(TK_CIRCLE);
  h.flags |= 1;
  put3(0, 25, 50);
  put<double>(24, 10.0);
  add(&d->paper_entities);
  TkHandle circle = h.handle;
  add_line(0, 5, 10, 5);
  d->header->fillmode = 1;
  start(TK_SOLID);
  put3(0, 0, 4);
  put3(24, 10, 4);
  put3(48, 0, 6);
  put3(72, 10, 6);
  add();
  Viewport a{25, 50, 40, 5, 5, 10, 1, {}};
  a.clip = circle;
  open_paper({a});
  ASSERT_NE(d->display->viewports[1].outline, nullptr);
  ASSERT_EQ(regen(), 1);
  // The model line crosses the circle's middle: from paper x 15 to 35.
  bool found = false;
  for (const auto& s : strokes()) {
    if (s.size() != 2 || s.front().second != s.back().second) continue;
    if (std::abs(s.front().second - 500) > 1) continue;
    found = true;
    EXPECT_NEAR(std::min(s.front().first, s.back().first), 150, 3);
    EXPECT_NEAR(std::max(s.front().first, s.back().first), 350, 3);
  }
  EXPECT_TRUE(found);
  // The solid (paper x 5 to 45, y 46 to 54) is filled only inside the circle.
  auto fills = display_test::of(2);
  ASSERT_FALSE(fills.empty());
  for (const auto& f : fills)
    for (size_t i = 0; i + 1 < f.pts.size(); i += 2)
      EXPECT_LE(std::hypot(f.pts[i] - 250, f.pts[i + 1] - 500), 101)
          << f.pts[i] << "," << f.pts[i + 1];
}

// All 64 viewports: the paper view and 63 model viewports in a grid, each showing the line; the
// layer frozen in the last one only.
TEST_F(PaperTest, SixtyFourViewports) {
  TkHandle lay = add_layer("L");
  std::vector<Viewport> grid;
  for (int i = 0; i < 63; ++i) {
    double cx = 6.25 + 12.5 * (i % 8), cy = 6.25 + 12.5 * (i / 8);
    grid.push_back({cx, cy, 10, 5, 5, 10, 1, {}});
  }
  grid.back().frozen.push_back(lay);
  open_paper(grid);
  ASSERT_EQ(d->display->viewport_count, 64);
  start(TK_LINE);
  put3(0, 2, 5);
  put3(24, 8, 5);
  h.layer = lay;
  add();
  ASSERT_EQ(regen(), 1);
  size_t lines = 0;
  for (const auto& s : strokes()) lines += s.size() == 2;
  EXPECT_EQ(lines, 62u);
  tk_layer_get(d, &lay, &layer_record);
  EXPECT_EQ(layer_record.viewport_frozen, uint64_t(1) << 63);
}

// A dashed line seen at two scales: with PSLTSCALE on, its dashes have one length on the paper
// in both viewports; off, they keep their model length and so differ by the viewports' scales.
TEST_F(PaperTest, DashesFollowPsltscale) {
  for (int16_t psltscale : {1, 0}) {
    SCOPED_TRACE(psltscale);
    tk_display_close(d);
    tk_close_drawing(d);
    d = tk_new_drawing(nullptr, nullptr, 0, 0);
    ASSERT_NE(d, nullptr);
    viewport_number = 0;
    d->header->psltscale = psltscale;
    TkHandle dashed = add_linetype("DASHED", {0.5, -0.5});
    start(TK_LINE);
    put3(0, 0.5, 5);
    put3(24, 9.5, 5);
    h.linetype = dashed;
    add();
    // A: 40 device units a model unit; B: 20.
    open_paper({{25, 50, 40, 5, 5, 10, 1, {}}, {75, 50, 40, 5, 5, 20, 1, {}}});
    ASSERT_EQ(regen(), 1);
    // The most common dash length in each half of the device.
    auto typical = [](bool right) {
      std::map<int32_t, int> lengths;
      for (const auto& s : strokes()) {
        if ((s.front().first > 500) != right) continue;
        lengths[std::abs(s.back().first - s.front().first)]++;
      }
      int32_t best = 0;
      int most = 0;
      for (auto& [len, n] : lengths)
        if (n > most) most = n, best = len;
      return best;
    };
    int32_t a = typical(false), b = typical(true);
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    if (psltscale)
      EXPECT_NEAR(a, b, 2) << "one paper length";
    else
      EXPECT_NEAR(a, 2 * b, 2) << "the model length at each scale";
  }
}

}  // namespace
