// Modeler outlines: the polylines of a region's SAT text joined into one contour.
#include "toolkit/core/solid_outline.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <vector>

#include "core_support.h"
#include "tests/sat/sat_bodies.h"
#include "toolkit/core/blob.h"
#include "toolkit/core/entity.h"

namespace {

class SolidOutline : public ::testing::Test {
 protected:
  void SetUp() override { core_test::use_counting_allocator(); }
  void TearDown() override { EXPECT_EQ(core_test::counts.live, 0); }
};

TkBlob* text_blob(const std::string& text) {
  TkBlob* stored = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob_create(stored);
  EXPECT_TRUE(blob_write(w, text.data(), text.size()));
  EXPECT_TRUE(blob_close_write(w));
  return stored;
}

std::vector<sat_test::P3> outline(const std::string& text, int16_t* result) {
  TkEntityData data{};
  TkBlob* sat = text.empty() ? nullptr : text_blob(text);
  tk_data_put(&data, TK_MODELER_BLOB_1, sat);
  TkBlob* out = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob_create(out);
  std::ostringstream quiet;
  auto* saved = std::cout.rdbuf(quiet.rdbuf());
  *result = tk_solid_outline(&data, w, 8);
  std::cout.rdbuf(saved);
  EXPECT_TRUE(blob_close_write(w));
  std::vector<sat_test::P3> points;
  TkBlob* r = blob_open_read(out);
  double p[3];
  while (blob_read_point3(r, p)) points.push_back({p[0], p[1], p[2]});
  blob_close(r);
  blob_free(out);
  if (sat) blob_free(sat);
  return points;
}

}  // namespace

TEST_F(SolidOutline, RegionEdgesJoinIntoOneClosedContour) {
  sat_test::SatBuilder region;
  int v[4] = {region.vertex({0, 0, 0}), region.vertex({2, 0, 0}), region.vertex({2, 1, 0}),
              region.vertex({0, 1, 0})};
  int e[4] = {region.line(v[0], v[1]), region.line(v[2], v[1]), region.line(v[2], v[3]),
              region.line(v[3], v[0])};
  region.face("plane-surface $-1 0 0 0 0 0 1 1 0 0 forward_v I I I I", false,
              {{{e[0], false}, {e[1], true}, {e[2], false}, {e[3], false}}});
  int16_t result = 0;
  std::vector<sat_test::P3> p = outline(region.text(), &result);
  EXPECT_EQ(result, 1);
  ASSERT_EQ(p.size(), 5u);
  EXPECT_EQ(p.front().x, p.back().x);
  EXPECT_EQ(p.front().y, p.back().y);
  for (const auto& q : p) {
    EXPECT_TRUE(q.x == 0 || q.x == 2);
    EXPECT_TRUE(q.y == 0 || q.y == 1);
  }
}

TEST_F(SolidOutline, NoTextNoOutline) {
  int16_t result = 1;
  EXPECT_TRUE(outline("", &result).empty());
  EXPECT_EQ(result, 0);
  // A text that cannot be read is an empty outline, not a failure of the caller.
  EXPECT_TRUE(outline("400 0 1 0\nbody $-1", &result).empty());
  EXPECT_EQ(result, 1);
}
