// The drawing wrapper over a started toolkit: a plot file becomes a drawing whose model space
// holds the entities on the page layer, with the extents they span; a file that is no plot file
// gives no drawing, and nothing is left allocated.
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
    // Per path: flags, edge count, then each line edge's type and two points (mm).
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

TEST_F(Tavelo, NoDrawingForWhatIsNoPlotFile) {
  int status = 0;
  EXPECT_EQ(ConvertHpglFile(Write("just some words, nothing plotted").c_str(), nullptr, &status),
            nullptr);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ConvertHpglFile("/nonexistent/x.plt", nullptr, &status), nullptr);
  EXPECT_EQ(status, 12);
}

}  // namespace
