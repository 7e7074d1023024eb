// Building a drawing from a plot file over a started toolkit: a Calcomp plot becomes a drawing
// whose model space holds one LINE a pen-down move, in the pen's colour, with the extents they
// span; a file that is no complete Calcomp plot gives no drawing, and nothing is left allocated.
// A built drawing saves as an AC1014 DWG (or a DXF) file that opens again with its lines and
// extents; a save that cannot write reports failure and leaves no file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "tests/toolkit/core/core_support.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/load.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/readers.h"
#include "vector/model/DrawingBuild.h"

namespace {

class DrawingBuild : public core_test::StartedToolkit {
 protected:
  std::string Write(const std::string& bytes) {
    std::string path = ::testing::TempDir() + "drawing_build_" + std::to_string(getpid()) + "_" +
                       std::to_string(paths_.size()) + ".907";
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

// The preamble, sync run, bias '"' and data header, then the values with the bias added.
std::string Plot(std::initializer_list<int> values) {
  std::string s = "&&&&CALCOMP DEVICE CONTROL\r\n^^^^END OF FILE\r\n!!\"";
  for (int v : {1, 0, 0, 1}) s += char(v + '"');
  for (int v : values) s += char(v + '"');
  return s;
}

TEST_F(DrawingBuild, CalcompPlotBecomesLines) {
  // Pen 3 down: (+5, +7), then pen up (-2, 0), pen down again (0, -3).
  CalcompResult result = kCalcompNoPreamble;
  TkDrawing* d = ConvertCalcompFile(Write(Plot({4, 3, 2, 24, 5, 7, 3, 37, 2, 2, 39, 3})).c_str(),
                                    &result);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(result, kCalcompConverted);
  TkHandle block{};
  ASSERT_TRUE(tk_find_record_by_name(d, "*MODEL_SPACE", &block));
  TkList* list = tk_block_entity_list(d, &block);
  ASSERT_NE(list, nullptr);
  static TkEntityHeader header;
  static TkEntityData data;
  std::string lines;
  ASSERT_TRUE(entity_list_rewind(list));
  while (entity_list_next(list, &header, &data)) {
    ASSERT_EQ(header.kind, TK_LINE);
    EXPECT_EQ(header.colour, 3);
    for (size_t at : {0, 8, 24, 32}) lines += std::to_string(int(tk_data_get<double>(&data, at))) + " ";
    lines += "| ";
  }
  EXPECT_EQ(lines, "0 0 5 7 | 3 7 3 4 | ");
  TkHeader* h = tk_get_header(d);
  EXPECT_LE(h->extmin[0], 0.0);
  EXPECT_GE(h->extmax[0], 5.0);
  EXPECT_GE(h->extmax[1], 7.0);
  tk_close_drawing(d);
}

TEST_F(DrawingBuild, NoDrawingForWhatIsNoCompleteCalcompPlot) {
  CalcompResult result = kCalcompConverted;
  EXPECT_EQ(ConvertCalcompFile(Write("IN;PD100,100;").c_str(), &result), nullptr);
  EXPECT_EQ(result, kCalcompNoPreamble);
  EXPECT_EQ(ConvertCalcompFile(Write(Plot({2, 17, 0})).c_str(), &result), nullptr);
  EXPECT_EQ(result, kCalcompTruncated);
  EXPECT_EQ(ConvertCalcompFile("/nonexistent/plot.907", &result), nullptr);
  EXPECT_EQ(result, kCalcompCannotOpen);
}

std::string Head(const std::string& path, size_t n) {
  std::string bytes(n, '\0');
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return "";
  bytes.resize(std::fread(&bytes[0], 1, n, f));
  std::fclose(f);
  return bytes;
}

TEST_F(DrawingBuild, SavedDrawingOpensWithItsLinesColoursAndExtents) {
  ASSERT_EQ(tk_install_file_readers(), 1);
  TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, 6);
  ASSERT_NE(d, nullptr);
  ASSERT_TRUE(DrawingAddLine(d, 5, 5, 10, 2, -1));
  ASSERT_TRUE(DrawingAddLine(d, -4, 1, 3, 30, 3));
  const struct {
    int32_t dwg;
    const char* head;  // what the file's first 16 bytes hold
  } kinds[] = {{1, "AC1014"}, {0, "SECTION"}};
  for (const auto& kind : kinds) {
    SCOPED_TRACE(kind.dwg);
    const std::string out = ::testing::TempDir() + "drawing_build_" + std::to_string(getpid()) +
                            (kind.dwg ? ".dwg" : ".dxf");
    paths_.push_back(out);
    ASSERT_TRUE(DrawingSaveAs(d, out.c_str(), 6, kind.dwg));
    EXPECT_NE(Head(out, 16).find(kind.head), std::string::npos) << Head(out, 16);
    TkDrawing* back = tk_open_drawing(out.c_str(), 1, 1);
    ASSERT_NE(back, nullptr) << tk_get_last_error();
    const TkHeader* h = tk_get_header(back);
    EXPECT_LE(h->extmin[0], -4.0);
    EXPECT_LE(h->extmin[1], 1.0);
    EXPECT_GE(h->extmax[0], 10.0);
    EXPECT_GE(h->extmax[1], 30.0);
    TkHandle block{};
    ASSERT_TRUE(tk_find_record_by_name(back, "*MODEL_SPACE", &block));
    TkList* list = tk_block_entity_list(back, &block);
    ASSERT_NE(list, nullptr);
    static TkEntityHeader header;
    static TkEntityData data;
    std::string lines;
    ASSERT_TRUE(entity_list_rewind(list));
    while (entity_list_next(list, &header, &data)) {
      ASSERT_EQ(header.kind, TK_LINE);
      lines += std::to_string(header.colour) + ":";
      for (size_t at : {0, 8, 24, 32}) lines += " " + std::to_string(int(tk_data_get<double>(&data, at)));
      lines += " | ";
    }
    // Colour -1 kept the new drawing's default, BYLAYER.
    EXPECT_EQ(lines, "256: 5 5 10 2 | 3: -4 1 3 30 | ");
    tk_close_drawing(back);
  }
  EXPECT_FALSE(DrawingSaveAs(d, "/nonexistent-folder/plot.dwg", 6, 1));
  EXPECT_EQ(Head("/nonexistent-folder/plot.dwg", 1), "");
  EXPECT_FALSE(DrawingSaveAs(nullptr, "plot.dwg", 6, 1));
  tk_close_drawing(d);
}

}  // namespace
