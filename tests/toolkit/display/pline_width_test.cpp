// Polylines with widths and their meshes: wide dashes that run round a corner are mitred there
// like the solid segments; polyface meshes are drawn face by face in each face's own colour
// (set before its edges, BYLAYER from the face's layer, the mesh's colour back after).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "display_support.h"

namespace {

using display_test::DisplayTest;
using display_test::of;

class PolyfaceTest : public DisplayTest {
 protected:
  void vertex(double x, double y, uint16_t flags, std::vector<int16_t> face = {},
              int16_t colour = 256, TkHandle* layer = nullptr) {
    start(TK_VERTEX);
    put3(0, x, y);
    put<uint16_t>(TK_VERTEX_FLAGS, flags);
    for (size_t i = 0; i < face.size(); ++i) put<int16_t>(74 + 8 * i, face[i]);
    h.colour = colour;
    if (layer) h.layer = *layer;
    add();
  }
};

TEST_F(PolyfaceTest, EachFaceInItsOwnColour) {
  TkLayerRecord layer;
  tk_init_layer_record(d, &layer);
  std::strcpy(layer.name, "GREEN");
  layer.color = 3;
  ASSERT_EQ(tk_next_handle(d, nullptr, 0, &layer.handle), 1);
  ASSERT_EQ(tk_layer_add(d, &layer), 1);
  start(TK_POLYLINE);
  put<uint16_t>(34, 64);
  h.colour = 5;
  add();
  vertex(10, 10, 64 + 128);
  vertex(20, 10, 64 + 128);
  vertex(20, 20, 64 + 128);
  vertex(10, 20, 64 + 128);
  vertex(0, 0, 128, {1, 2, 3}, 1);
  vertex(0, 0, 128, {1, 3, 4}, 256, &layer.handle);
  vertex(0, 0, 128, {2, 3, 4}, 0);  // BYBLOCK outside a block: the walk's colour 7
  start(TK_SEQEND);
  add();
  ASSERT_EQ(regen(), 1);
  // The colours sent, in order, with the number of lines drawn after each.
  std::vector<std::pair<int32_t, int>> runs;
  for (const auto& c : display_test::calls) {
    if (c.slot == 4) runs.push_back({c.a, 0});
    if (c.slot == 1 && !runs.empty()) ++runs.back().second;
  }
  std::vector<std::pair<int32_t, int>> expected = {{5, 0}, {1, 3}, {3, 3}, {7, 3}, {5, 0}};
  EXPECT_EQ(runs, expected);
}

// A dashed polyline 4 wide that turns at (50, 50): the dash that runs on round the corner ends
// and begins at the mitre points of its two sides, so nothing overlaps or gapes there.
TEST_F(PolyfaceTest, WideDashesJoinAtCorners) {
  struct Case {
    const char* name;
    double turn;  // degrees left
  } cases[] = {{"quarter turn", 90}, {"slight turn", 10}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TkHandle lt = add_linetype((std::string("DASH") + c.name).c_str(), {6, -2});
    start(TK_POLYLINE);
    put<double>(8, 4.0);
    put<double>(16, 4.0);
    h.linetype = lt;
    add();
    TkHandle polyline = h.handle;
    double a = c.turn * 3.14159265358979323846 / 180;
    double pts[3][2] = {{10, 50}, {50, 50}, {50 + 40 * std::cos(a), 50 + 40 * std::sin(a)}};
    std::vector<TkHandle> parts;
    for (auto& p : pts) {
      vertex(p[0], p[1], 0);
      parts.push_back(h.handle);
    }
    start(TK_SEQEND);
    add();
    parts.push_back(h.handle);
    ASSERT_EQ(regen(), 1);
    // The mitre points of the corner, left (outside of a left turn is the right side).
    double half = 2, bis = (3.14159265358979323846 - a) / 2;
    double k = half / std::sin(bis);
    double dir = a / 2 + 3.14159265358979323846 / 2;  // bisector of the left normals
    int32_t lx = int32_t(10 * (50 + k * std::cos(dir))),
            ly = int32_t(10 * (50 + k * std::sin(dir)));
    int32_t rx = int32_t(10 * (50 - k * std::cos(dir))),
            ry = int32_t(10 * (50 - k * std::sin(dir)));
    auto fills = of(2);
    int at_corner = 0;
    for (auto& f : fills) {
      bool left = false, right = false;
      for (size_t i = 0; i + 1 < f.pts.size(); i += 2) {
        if (std::abs(f.pts[i] - lx) <= 1 && std::abs(f.pts[i + 1] - ly) <= 1) left = true;
        if (std::abs(f.pts[i] - rx) <= 1 && std::abs(f.pts[i + 1] - ry) <= 1) right = true;
      }
      if (left && right) ++at_corner;
    }
    EXPECT_EQ(at_corner, 2);  // the piece before the corner and the piece after it
    // The last dash, held back for a join that never comes, is filled at the end.
    bool end_covered = false;
    for (auto& f : fills)
      for (size_t i = 0; i + 1 < f.pts.size(); i += 2)
        if (std::hypot(f.pts[i] - 10 * pts[2][0], f.pts[i + 1] - 10 * pts[2][1]) < 25)
          end_covered = true;
    EXPECT_TRUE(end_covered);
    tk_delete_entity(d, model(), &polyline, 1);
    for (TkHandle& p : parts) tk_delete_entity(d, model(), &p, 1);
  }
}

// A dashed polyline segment whose pattern scale (LTSCALE on the screen, or twice that times the
// narrower width over LTSCALE when both ends are wide) is below 4 device units is filled solid,
// one piece per segment; otherwise it is dashed.
TEST_F(PolyfaceTest, FineDashedPolylineIsFilledSolid) {
  TkHandle lt = add_linetype("DASHED", {6, -2});
  d->header->ltscale = 0.2;
  struct Case {
    double start_width, end_width;
    bool solid;
  } cases[] = {{0, 2.0, true}, {2.0, 2.0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.start_width);
    std::vector<TkHandle> parts;
    start(TK_POLYLINE);
    put<double>(8, c.start_width);
    put<double>(16, c.end_width);
    h.linetype = lt;
    add();
    parts.push_back(h.handle);
    vertex(10, 50, 0);
    parts.push_back(h.handle);
    vertex(90, 50, 0);
    parts.push_back(h.handle);
    start(TK_SEQEND);
    add();
    parts.push_back(h.handle);
    ASSERT_EQ(regen(), 1);
    if (c.solid)
      EXPECT_EQ(of(2).size(), 1u);
    else
      EXPECT_GT(of(2).size(), 5u);
    for (TkHandle& p : parts) tk_delete_entity(d, model(), &p, 1);
  }
}

// Along a wide arc the pattern is laid shorter by how wide the arc is against its radius: a half
// circle of radius 20, 4 wide at LTSCALE 0.5 (width ratio 8), lays its pattern of 8 at 0.82 of
// the LTSCALE, so about 19 patterns along its 62.8 units in place of 15.
TEST_F(PolyfaceTest, WideDashedArcLaysItsPatternShorter) {
  TkHandle lt = add_linetype("DASHED", {6, -2});
  d->header->ltscale = 0.5;
  start(TK_POLYLINE);
  put<double>(8, 4.0);
  put<double>(16, 4.0);
  h.linetype = lt;
  add();
  start(TK_VERTEX);
  put3(0, 30, 50);
  put<double>(56, 1.0);  // bulge: a half circle to the next vertex
  add();
  vertex(70, 50, 0);
  start(TK_SEQEND);
  add();
  ASSERT_EQ(regen(), 1);
  // Dashes: runs of fills each of which shares its start corners with the one before.
  auto fills = of(2);
  ASSERT_FALSE(fills.empty());
  auto shares_two = [](const display_test::Call& a, const display_test::Call& b) {
    int shared = 0;
    for (size_t i = 0; i + 1 < a.pts.size(); i += 2)
      for (size_t j = 0; j + 1 < b.pts.size(); j += 2)
        if (std::abs(a.pts[i] - b.pts[j]) <= 1 && std::abs(a.pts[i + 1] - b.pts[j + 1]) <= 1) {
          ++shared;
          break;
        }
    return shared >= 2;
  };
  int dashes = 1;
  for (size_t i = 1; i < fills.size(); ++i)
    if (!shares_two(fills[i - 1], fills[i])) ++dashes;
  const double arc = 3.14159265358979323846 * 20, pattern = 8 * 0.5 * 0.82;
  EXPECT_NEAR(dashes, std::floor(arc / pattern) + 1, 1);
}

// Allocations above 2 MB fail: a polyline's own buffers are the only ones that large here. The
// others go on being counted as the fixture counts them.
void* large_blocks_fail(size_t size) {
  return size > (2u << 20) ? nullptr : core_test::counting_alloc(size);
}
void use_allocator(void* (*alloc)(size_t)) {
  TkHostLayer layer{};
  layer.alloc = alloc;
  layer.free = core_test::counting_free;
  tk_set_host_layer(&layer);
}
std::vector<int16_t> error_codes;
void record_error(int16_t code) { error_codes.push_back(code); }

// A polyline whose vertices or arc pieces cannot be held ends the regeneration with its own error
// number, and the application hears that memory ran out.
TEST_F(PolyfaceTest, PolylineWithoutMemoryFailsWithItsNumber) {
  struct Case {
    const char* name;
    uint32_t count;
    double bulge;
    int16_t error;
  } cases[] = {{"vertices", 60000, 0.0, 262}, {"arc pieces", 1000, 1.0, 263}};
  ASSERT_NE(tk_class_lwpolyline(d), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TkBlob* blob = blob_alloc(TK_BLOB_CHUNK_SIZE);
    TkBlob* w = blob_create(blob);
    for (uint32_t i = 0; i < c.count; ++i) {
      const double p[3] = {10 + 80.0 * i / c.count, 50.0 + (i % 2), c.bulge};
      blob_write(w, p, sizeof p);
    }
    blob_close_write(w);
    start(tk_class_lwpolyline(d));
    put<uint16_t>(TK_LWPOLYLINE_FLAGS, TK_LWPL_BULGES);
    put<uint32_t>(TK_LWPOLYLINE_COUNT, c.count);
    put(TK_LWPOLYLINE_VERTICES, blob);
    add();
    TkHandle polyline = h.handle;
    error_codes.clear();
    TkErrorCallback before = tk_state->error_callback;
    tk_state->error_callback = record_error;
    use_allocator(large_blocks_fail);
    int16_t drawn = regen();
    use_allocator(core_test::counting_alloc);
    tk_state->error_callback = before;
    EXPECT_EQ(drawn, 0);
    EXPECT_EQ(tk_get_last_error(), c.error);
    EXPECT_EQ(error_codes, std::vector<int16_t>{2});
    tk_delete_entity(d, model(), &polyline, 1);
  }
}

}  // namespace
