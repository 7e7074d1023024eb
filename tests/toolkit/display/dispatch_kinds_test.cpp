// The dispatcher's smaller kinds and cases through the recording callback block: RTEXT that
// names a text file (read up to a cap, nothing for a file that cannot be read), the OLE frame's
// outline, the frame of a spline-fit polyline under SPLFRAME, the point figure's angle and an
// extruded point.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "display_support.h"
#include "toolkit/core/loop_set.h"
#include "toolkit/display/regen_kinds.h"

namespace {

using namespace display_test;

class DispatchKindsTest : public DisplayTest {
 protected:
  std::string temp_file(const std::string& contents) {
    char name[] = "/tmp/vv_rtext_XXXXXX";
    int fd = mkstemp(name);
    EXPECT_GE(fd, 0);
    FILE* f = fdopen(fd, "wb");
    std::fwrite(contents.data(), 1, contents.size(), f);
    std::fclose(f);
    made.push_back(name);
    return name;
  }
  void TearDown() override {
    for (const std::string& f : made) std::remove(f.c_str());
    DisplayTest::TearDown();
  }
  void add_rtext(const std::string& path, int16_t flags) {
    start(tk_class_rtext(d));
    put3(0, 10, 50);
    put(32, 5.0);
    put<int16_t>(40, flags);
    std::strcpy(tk_data_text(&data, 64), path.c_str());
    add();
  }
  std::vector<std::string> made;
};

TEST_F(DispatchKindsTest, RtextDrawsTheTextOfItsFile) {
  ASSERT_NE(tk_class_rtext(d), 0);
  const std::string file = temp_file("HELLO");
  const struct {
    std::string path;
    int16_t flags;
    bool drawn;
  } cases[] = {
      {file, 0, true},
      {file + ".none", 0, false},  // a file that cannot be read draws nothing
      {file, 1, false},            // an expression, not a file: its stored graphics (none here)
  };
  for (const auto& c : cases) {
    calls.clear();
    tk_delete_entity(d, model(), &h.handle, 1);
    add_rtext(c.path, c.flags);
    ASSERT_EQ(regen(), 1);
    EXPECT_EQ(!strokes().empty(), c.drawn) << c.path << " " << c.flags;
    if (!c.drawn) continue;
    // Five letters of height 5 from x = 10, hanging below the insertion point.
    int32_t top = -1, left = 1000;
    for (auto& s : strokes())
      for (auto& p : s) {
        top = std::max(top, p.second);
        left = std::min(left, p.first);
      }
    EXPECT_LE(top, 500);
    EXPECT_GE(top, 480);
    EXPECT_GE(left, 100);
  }
}

TEST_F(DispatchKindsTest, TextFileIsReadUpToTheCap) {
  std::string big(size_t(TK_RTEXT_FILE_MAX) + 5000, 'A');
  const std::string path = temp_file(big);
  TkBlob* blob = regen_read_text_file(path.c_str(), TK_RTEXT_FILE_MAX);
  ASSERT_NE(blob, nullptr);
  EXPECT_EQ(blob_length(blob), TK_RTEXT_FILE_MAX);
  blob_free(blob);
  EXPECT_EQ(regen_read_text_file((path + ".none").c_str(), TK_RTEXT_FILE_MAX), nullptr);
}

TEST_F(DispatchKindsTest, OleFrameOutline) {
  start(tk_class_ole2frame(d));
  put3(8, 10, 80);
  put3(32, 60, 20);
  add();
  ASSERT_EQ(regen(), 1);
  auto s = strokes();
  ASSERT_EQ(s.size(), 1u);
  const std::vector<std::pair<int32_t, int32_t>> want = {
      {100, 800}, {600, 800}, {600, 200}, {100, 200}, {100, 800}};
  EXPECT_EQ(s[0], want);
}

// A spline-fit polyline: the curve through its fitted vertices, and with SPLFRAME its frame
// through the control points as well.
TEST_F(DispatchKindsTest, SplineFrameWithSplframe) {
  for (int16_t splframe : {0, 1}) {
    TearDown();
    SetUp();
    d->header->splframe = splframe;
    start(TK_POLYLINE);
    put<uint16_t>(34, 4);
    add();
    const double frame[3][2] = {{10, 10}, {50, 90}, {90, 10}};
    for (const auto& f : frame) {
      start(TK_VERTEX);
      put3(0, f[0], f[1]);
      put<uint16_t>(TK_VERTEX_FLAGS, 16);
      add();
    }
    const double fitted[3][2] = {{10, 10}, {50, 50}, {90, 10}};
    for (const auto& f : fitted) {
      start(TK_VERTEX);
      put3(0, f[0], f[1]);
      put<uint16_t>(TK_VERTEX_FLAGS, 8);
      add();
    }
    start(TK_SEQEND);
    add();
    ASSERT_EQ(regen(), 1);
    int32_t top = 0;
    for (auto& s : strokes())
      for (auto& p : s) top = std::max(top, p.second);
    EXPECT_EQ(top, splframe ? 900 : 500) << splframe;
  }
}

// PDMODE 3 (a cross) turned by the point's angle: at 45 degrees its strokes run along the axes.
TEST_F(DispatchKindsTest, PointFigureTurnsWithItsAngle) {
  d->header->pdmode = 3;
  d->header->pdsize = 10;
  start(TK_POINT);
  put3(0, 50, 50);
  put(24, 0.7853981633974483);
  add();
  ASSERT_EQ(regen(), 1);
  auto s = strokes();
  ASSERT_EQ(s.size(), 2u);
  for (auto& st : s) {
    ASSERT_EQ(st.size(), 2u);
    bool along_axis =
        std::abs(st[0].first - st[1].first) <= 1 || std::abs(st[0].second - st[1].second) <= 1;
    EXPECT_TRUE(along_axis);
  }
}

// An extruded point draws its figure in the plane of its extrusion: with the extrusion along +x
// the cross of PDMODE 3 stands in the YZ plane and is seen edge-on from above, along y.
TEST_F(DispatchKindsTest, ExtrudedPoint) {
  d->header->pdmode = 3;
  d->header->pdsize = 10;
  start(TK_POINT);
  put3(0, 50, 50);
  h.flags |= TK_ENTITY_EXTRUDED;
  h.extrusion[0] = 1;
  h.extrusion[1] = 0;
  h.extrusion[2] = 0;
  add();
  ASSERT_EQ(regen(), 1);
  int32_t min_y = 1000, max_y = 0;
  for (auto& st : strokes())
    for (auto& p : st) {
      EXPECT_EQ(p.first, 500);
      min_y = std::min(min_y, p.second);
      max_y = std::max(max_y, p.second);
    }
  EXPECT_LT(min_y, 440);
  EXPECT_GT(max_y, 560);
}

// A SPLINE as a clipping outline goes through the display's spline evaluation once the hooks
// are installed; before that it has no outline.
TEST_F(DispatchKindsTest, SplineOutline) {
  start(TK_SPLINE);
  put<int16_t>(0, 3);
  put<int16_t>(4, 8);
  put<int16_t>(6, 4);
  TkBlob* blob = blob_alloc(4096);
  TkBlob* w = blob_create(blob);
  for (double k : {0, 0, 0, 0, 1, 1, 1, 1}) blob_write(w, &k, 8);
  for (double c : {0, 0, 0, 10, 20, 0, 30, 20, 0, 40, 0, 0}) blob_write(w, &c, 8);
  blob_close_write(w);
  put(TK_SPLINE_BLOB, blob);
  add();
  const TkHandle spline = h.handle;
  tk_state->spline_outline = nullptr;
  EXPECT_EQ(tk_entity_outline(d, model(), &spline), nullptr);
  regen_install_core_hooks();
  TkBlob* outline = tk_entity_outline(d, model(), &spline);
  ASSERT_NE(outline, nullptr);
  ASSERT_GE(blob_length(outline), 3 * 24);
  ASSERT_EQ(blob_length(outline) % 24, 0);
  std::vector<double> xyz(size_t(blob_length(outline)) / 8);
  TkBlob* r = blob_open_read(outline);
  ASSERT_EQ(blob_read(r, xyz.data(), xyz.size() * 8), 1);
  blob_close(r);
  blob_free(outline);
  EXPECT_EQ(xyz[0], 0.0);
  EXPECT_EQ(xyz[xyz.size() - 3], 40.0);
  EXPECT_NEAR(xyz[xyz.size() - 2], 0.0, 1e-12);
}

}  // namespace
