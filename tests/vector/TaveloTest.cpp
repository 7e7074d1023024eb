// The drawing wrapper over a started toolkit: a plot file becomes a drawing whose model space
// holds the entities on the page layer, with the extents they span; a file that is no plot file
// gives no drawing, and nothing is left allocated. The reading wrappers walk, rewrite and delete
// what the adding wrappers put in, each finding only its own kind where it must.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/toolkit/core/core_support.h"
#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/symtab.h"
#include "vector/model/Tavelo.h"

namespace {

class Tavelo : public core_test::StartedToolkit {
 protected:
  std::string Write(const std::string& bytes) {
    std::string path = ::testing::TempDir() + "tavelo_" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                       std::to_string(paths_.size()) + ".plt";
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    paths_.push_back(path);
    return path;
  }
  void TearDown() override {
    for (auto& p : paths_) std::remove(p.c_str());
    core_test::StartedToolkit::TearDown();
  }
  std::vector<std::string> paths_;
};

TEST_F(Tavelo, PlotFileBecomesADrawing) {
  int status = 0;
  TkDrawing* d = ConvertHpglFile(
      Write("IN;SP1;PA0,0;PD;PA1000,0;PU;PA400,400;CI200;PA0,400;PD;AA0,0,90;PU;LBHi\x03;PG;").c_str(),
      nullptr, &status);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(status, 0);
  TkHandle block{};
  ASSERT_TRUE(tk_find_record_by_name(d, "*MODEL_SPACE", &block));
  TkList* list = tk_block_entity_list(d, &block);
  ASSERT_NE(list, nullptr);
  static TkEntityHeader header;
  static TkEntityData data;
  std::string kinds;
  TkHandle page1{};
  ASSERT_TRUE(tk_layer_find(d, "PAGE1", &page1));
  ASSERT_TRUE(entity_list_rewind(list));
  while (entity_list_next(list, &header, &data)) {
    kinds += std::to_string(header.kind) + " ";
    EXPECT_EQ(std::memcmp(&header.layer, &page1, sizeof page1), 0);
    EXPECT_EQ(header.colour, 1);
    if (header.kind == TK_LINE) {
      EXPECT_DOUBLE_EQ(tk_data_get<double>(&data, 24), 25.0);
    }
    if (header.kind == TK_CIRCLE) {
      EXPECT_DOUBLE_EQ(tk_data_get<double>(&data, 24), 5.0);
    }
    if (header.kind == TK_TEXT) {
      EXPECT_STREQ(tk_data_text(&data, TK_TEXT_STRING), "Hi");
    }
  }
  EXPECT_EQ(kinds, "1 3 8 7 ");
  static TkLayerRecord layer;
  ASSERT_TRUE(tk_layer_get(d, &page1, &layer));
  EXPECT_EQ(layer.color, 7);
  TkHandle page2{};
  EXPECT_TRUE(tk_layer_find(d, "PAGE2", &page2));
  TkHeader* h = tk_get_header(d);
  // The arc about the origin counts with its whole circle, the label with its box.
  EXPECT_DOUBLE_EQ(h->extmin[0], -10.0);
  EXPECT_DOUBLE_EQ(h->extmax[0], 25.0);
  EXPECT_DOUBLE_EQ(h->extmin[1], -10.0);
  EXPECT_DOUBLE_EQ(h->extmax[1], 15.0);
  tk_close_drawing(d);
}

// A filled polygon of two sub-polygons, and a filled wedge whose buffer holds lines only, become
// solid hatches: one boundary path per sub-polygon, line edges from point to point.
TEST_F(Tavelo, FillsBecomeSolidHatches) {
  int status = 0;
  TkDrawing* d = ConvertHpglFile(
      Write("IN;SP2;PA0,0;PM0;PD400,0,400,400,0,400;PM1;PU1000,0;PD1200,0,1200,200;PM2;FP;").c_str(),
      nullptr, &status);
  ASSERT_NE(d, nullptr);
  TkHandle block{};
  ASSERT_TRUE(tk_find_record_by_name(d, "*MODEL_SPACE", &block));
  TkList* list = tk_block_entity_list(d, &block);
  static TkEntityHeader header;
  static TkEntityData data;
  int hatches = 0;
  ASSERT_TRUE(entity_list_rewind(list));
  while (entity_list_next(list, &header, &data)) {
    ASSERT_EQ(header.kind, tk_class_hatch(d));
    ++hatches;
    EXPECT_EQ(header.colour, 2);
    EXPECT_STREQ(tk_data_text(&data, TK_HATCH_PATTERN), "SOLID");
    EXPECT_EQ(tk_data_get<int16_t>(&data, TK_HATCH_SOLID), 1);
    ASSERT_EQ(tk_data_get<uint32_t>(&data, TK_HATCH_PATH_COUNT), 2u);
    EXPECT_EQ(tk_data_get<uint32_t>(&data, TK_HATCH_SEED_COUNT), 1u);
    TkBlob* r = blob_open_read(tk_data_blob(&data, TK_HATCH_PATHS));
    ASSERT_NE(r, nullptr);
    // Per path: flags, edge count, each line edge's type and two points (mm), the source count.
    const int32_t edges[2] = {4, 3};
    for (int path = 0; path < 2; ++path) {
      int32_t flags = 0, count = 0;
      ASSERT_TRUE(blob_read_long_raw(r, &flags));
      ASSERT_TRUE(blob_read_long_raw(r, &count));
      EXPECT_EQ(count, edges[path]);
      double first[2] = {}, last[2] = {};
      for (int32_t e = 0; e < count; ++e) {
        int16_t type = 0;
        double p[4];
        ASSERT_TRUE(blob_read_short_raw(r, &type));
        EXPECT_EQ(type, 1);
        for (double& v : p) ASSERT_TRUE(blob_read_double(r, &v));
        if (e == 0) first[0] = p[0], first[1] = p[1];
        last[0] = p[2], last[1] = p[3];
      }
      // The path ends with its source-object count, as the readers' paths do, so display reads
      // the next path where it starts.
      int32_t sources = -1;
      ASSERT_TRUE(blob_read_long_raw(r, &sources));
      EXPECT_EQ(sources, 0);
      // Each path is closed.
      EXPECT_DOUBLE_EQ(first[0], last[0]);
      EXPECT_DOUBLE_EQ(first[1], last[1]);
      EXPECT_DOUBLE_EQ(first[0], path == 0 ? 0.0 : 25.0);
    }
    blob_close(r);
  }
  EXPECT_EQ(hatches, 1);
  TkHeader* h = tk_get_header(d);
  EXPECT_DOUBLE_EQ(h->extmin[0], 0.0);
  EXPECT_DOUBLE_EQ(h->extmax[0], 30.0);
  EXPECT_DOUBLE_EQ(h->extmax[1], 10.0);
  tk_close_drawing(d);
}

std::string Word(const TkHandle& h) {
  std::string s;
  for (uint8_t b : h.bytes) s += std::to_string(b) + ".";
  return s;
}

TEST_F(Tavelo, ReadingWrappersWalkRewriteAndDeleteModelSpace) {
  CTavelo owner;
  ASSERT_NE(owner.Drawing(), nullptr);
  {
    // An empty model space has no first entity of any kind.
    CTLEntity none(&owner, nullptr, 0);
    EXPECT_FALSE(none.IsValid());
    EXPECT_FALSE(none.First(0));
    EXPECT_FALSE(none.IsValid());
  }
  CTLLayer page(&owner, "page 1", 0);
  ASSERT_TRUE(page.IsValid());
  const double a[3] = {0, 0, 0}, b[3] = {10, 5, 0};
  CTLLine line(&owner, a, b, &page.Handle(), 0x0000FF);  // red: colour 1
  CTLCircle circle(&owner, b, 3, nullptr, -1);
  const std::vector<HpglPoint> square = {{0, 0, 0}, {4, 0, 0}, {4, 0, 0}, {4, 4, 0},
                                         {4, 4, 0}, {0, 0, 0}};
  CTLHatch fill(&owner, square, nullptr, 0x00FFFF);  // yellow: colour 2
  CTLArc arc(&owner, a, 0, 1.5, 2, nullptr, -1);
  ASSERT_TRUE(line.IsValid() && circle.IsValid() && fill.IsValid() && arc.IsValid());
  const uint16_t hatch = tk_class_hatch(owner.Drawing());

  // What a walk of each kind meets, from the first entity on.
  const struct {
    uint16_t kind;
    std::string kinds;
  } walks[] = {
      {0, "1 3 " + std::to_string(hatch) + " 8 "},
      {TK_CIRCLE, "3 "},
      {TK_ARC, "8 "},
      {TK_TEXT, ""},
  };
  for (const auto& w : walks) {
    SCOPED_TRACE(w.kind);
    CTLEntity e(&owner, nullptr, w.kind);
    std::string kinds;
    for (bool found = e.IsValid(); found; found = e.FindNext(w.kind))
      kinds += std::to_string(e.Header().kind) + " ";
    EXPECT_EQ(kinds, w.kinds);
    EXPECT_FALSE(e.IsValid());
  }
  // A handle given wins over the kind; the hatch wrapper looks only for hatches.
  CTLCircle byHandle(&owner, &line.Handle());
  EXPECT_EQ(Word(byHandle.Handle()), Word(line.Handle()));
  EXPECT_EQ(byHandle.ColorIndex(), 1);
  EXPECT_EQ(byHandle.ColorRGB(), 0x0000FFu);
  CTLHatch firstHatch(&owner, nullptr);
  EXPECT_EQ(Word(firstHatch.Handle()), Word(fill.Handle()));
  EXPECT_EQ(firstHatch.ColorIndex(), 2);
  EXPECT_FALSE(firstHatch.FindNext(0));
  EXPECT_TRUE(firstHatch.First(TK_LINE));
  EXPECT_EQ(firstHatch.Header().kind, hatch);
  // Kinds the drawing does not hold.
  EXPECT_FALSE(CTLSpline(&owner, nullptr).IsValid());
  EXPECT_FALSE(CTLPLine(&owner, nullptr).IsValid());
  CTLRaster raster(&owner, nullptr);
  EXPECT_FALSE(raster.IsValid());
  EXPECT_EQ(raster.ImageFile(), "");

  // Rewrite the circle's colour, delete the line.
  CTLCircle c(&owner, &circle.Handle());
  ASSERT_NE(c.Data(), nullptr);
  c.Header().colour = 5;
  EXPECT_EQ(c.Update(), 1);
  EXPECT_EQ(CTLEntity(&owner, &circle.Handle(), 0).ColorIndex(), 5);
  CTLLine l(&owner, &line.Handle());
  EXPECT_EQ(l.Delete(), 1);
  EXPECT_FALSE(l.IsValid());
  EXPECT_EQ(l.Update(), 0);
  EXPECT_EQ(CTLEntity(&owner, nullptr, 0).Header().kind, TK_CIRCLE);
  EXPECT_FALSE(CTLLine(&owner, nullptr).IsValid());
  // An added wrapper holds no record to write back.
  EXPECT_EQ(arc.Update(), 0);

  // Layers: by handle, or the first layer ("0") without one.
  CTLLayer byLayerHandle(&owner, &page.Handle());
  EXPECT_EQ(Word(byLayerHandle.Handle()), Word(page.Handle()));
  EXPECT_EQ(byLayerHandle.ColorIndex(), 7);
  EXPECT_EQ(byLayerHandle.ColorRGB(), 0u);
  EXPECT_TRUE(byLayerHandle.IsOn());
  ASSERT_TRUE(tk_layer_set_state(owner.Drawing(), &page.Handle(), 0, 0, 0, 0));
  EXPECT_FALSE(CTLLayer(&owner, &page.Handle()).IsOn());
  EXPECT_EQ(CTLLayer(&owner, &page.Handle()).ColorRGB(), 0u);
  static TkLayerRecord first;
  ASSERT_TRUE(tk_layer_list_rewind(owner.Drawing()) && tk_layer_list_next(owner.Drawing(), &first));
  EXPECT_EQ(Word(CTLLayer(&owner, static_cast<const TkHandle*>(nullptr)).Handle()), Word(first.handle));
}

TEST_F(Tavelo, NoDrawingForWhatIsNoPlotFile) {
  int status = 0;
  EXPECT_EQ(ConvertHpglFile(Write("just some words, nothing plotted").c_str(), nullptr, &status),
            nullptr);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ConvertHpglFile("/nonexistent/x.plt", nullptr, &status), nullptr);
  EXPECT_EQ(status, 12);
}

}  // namespace
