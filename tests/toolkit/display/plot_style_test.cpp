// Plot style tables: a colour-dependent and a named table made here (a 60-byte head and the
// zlib-compressed text, as the format is), read through the current layout and applied to the
// lineweights of what regeneration draws; damaged tables fail with their error and the drawing
// is drawn without them.
#include "toolkit/display/plot_style.h"

#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "display_support.h"

using namespace display_test;

namespace {

std::vector<uint8_t> table_file(const std::string& text, int32_t plain_override = -1,
                                int32_t packed_override = -1, size_t cut = 0) {
  uLongf packed_size = compressBound(uLong(text.size()));
  std::vector<uint8_t> packed(packed_size);
  compress(packed.data(), &packed_size, reinterpret_cast<const Bytef*>(text.data()),
           uLong(text.size()));
  packed.resize(packed_size);
  std::vector<uint8_t> out(52, ' ');
  std::memcpy(out.data(), "PIAFILEVERSION_2.0,CTBVER1,compress\r\npmzlibcodec", 48);
  auto put32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
  };
  put32(plain_override >= 0 ? uint32_t(plain_override) : uint32_t(text.size()));
  put32(packed_override >= 0 ? uint32_t(packed_override) : uint32_t(packed.size()));
  out.insert(out.end(), packed.begin(), packed.end() - std::ptrdiff_t(cut));
  return out;
}

std::string write_temp(const std::string& name, const std::vector<uint8_t>& bytes) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("vv_pstyle_" + std::to_string(::getpid()) + "_" + name);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path.string();
}

const char kColourTable[] =
    "description=Test table\n"
    "aci_table_available=TRUE\n"
    "scale_factor=1.0\n"
    "apply_factor=FALSE\n"
    "custom_lineweight_display_units=0\n"
    "aci_table{\n"
    " 0=\"Color_1\n"
    " 1=\"Color_2\n"
    " 2=\"Missing\n"
    " 300=\"Color_1\n"
    "}\n"
    "plot_style{\n"
    " 0{\n"
    "  name=\"Color_1\n"
    "  localized_name=\"Color_1\n"
    "  description=\"\n"
    "  color=-1006632961\n"
    "  color_policy=1\n"
    "  screen=100\n"
    "  linepattern_size=0.5\n"
    "  linetype=31\n"
    "  adaptive_linetype=TRUE\n"
    "  lineweight=12\n"
    "  fill_style=73\n"
    "  end_style=4\n"
    "  join_style=5\n"
    " }\n"
    " 1{\n"
    "  name=\"Color_2\n"
    "  lineweight=0\n"
    " }\n"
    " 2{\n"
    "  name=\"\n"
    "  lineweight=3\n"
    " }\n"
    "}\n"
    "custom_lineweight_table{\n"
    " 0=0.0\n"
    " 3=0.25\n"
    " 27=9.0\n"
    "}\n";

const char kNamedTable[] =
    "description=Named\n"
    "aci_table_available=FALSE\n"
    "plot_style{\n"
    " 0{\n"
    "  name=\"Normal\n"
    "  localized_name=\"Normal\n"
    "  lineweight=0\n"
    " }\n"
    " 1{\n"
    "  name=\"Thick\n"
    "  localized_name=\"Thick\n"
    "  lineweight=21\n"
    " }\n"
    "}\n";

class PlotStyleTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    ASSERT_NE(d->class_numbers[TK_CLASS_LAYOUT], 0);
    d->version = 7;
    tk_set_lineweight_callback(on_lineweight);
  }
  void TearDown() override {
    for (const std::string& p : files) std::remove(p.c_str());
    DisplayTest::TearDown();
  }
  // The model space's layout names the table, with the plot flags given.
  void use_table(const std::string& path, int16_t flags = 32) {
    TkObjectHeader oh{};
    TkObjectData od;
    std::memset(&od, 0, sizeof od);
    oh.type = d->class_numbers[TK_CLASS_LAYOUT];
    tk_init_object(d, &oh, &od);
    oh.handle = H(0x7000 + layouts);
    ++layouts;
    std::snprintf(od.layout.name, sizeof od.layout.name, "Model");
    std::snprintf(od.layout.plot.style_sheet, sizeof od.layout.plot.style_sheet, "%s",
                  path.c_str());
    od.layout.plot.layout_flags = flags;
    ASSERT_EQ(tk_object_add(d, &oh, &od), 1);
    TkBlockRecord block;
    ASSERT_EQ(tk_block_get(d, &d->fixed[10], &block), 1);
    block.layout = oh.handle;
    ASSERT_EQ(tk_block_put(d, &block), 1);
  }
  std::string file(const std::string& name, const std::vector<uint8_t>& bytes) {
    files.push_back(write_temp(name, bytes));
    return files.back();
  }
  void add_coloured_line(int16_t colour, double y, TkHandle style = TkHandle{}) {
    start(TK_LINE);
    h.colour = colour;
    h.lineweight = 30;
    h.plot_style = style;
    put3(0, 10, y);
    put3(24, 90, y);
    add();
  }
  // The lineweight in force at each line-to, in order.
  std::vector<int32_t> lineweights() {
    std::vector<int32_t> out;
    int32_t current = -100;
    for (const Call& c : calls) {
      if (c.slot == 32) current = c.a;
      if (c.slot == 1) out.push_back(current);
    }
    return out;
  }
  std::vector<std::string> files;
  int layouts = 0;
};

TEST_F(PlotStyleTest, ColourTableParses) {
  const std::string text = kColourTable;
  TkPlotStyleTable* t = nullptr;
  ASSERT_EQ(pstyle_parse_text(text.c_str(), uint32_t(text.size()), &t), 1);
  EXPECT_EQ(t->aci_table_available, 1);
  EXPECT_STREQ(t->description, "Test table");
  EXPECT_DOUBLE_EQ(t->scale_factor, 1.0);
  EXPECT_EQ(t->style_count, 2) << "a style without a name is dropped";
  ASSERT_NE(t->colours, nullptr);
  ASSERT_NE(t->colours[0], nullptr);
  EXPECT_STREQ(t->colours[0]->name, "Color_1");
  EXPECT_EQ(t->colours[0]->lineweight, 12);
  EXPECT_EQ(t->colours[0]->color, -1006632961);
  EXPECT_EQ(t->colours[0]->screen, 100);
  EXPECT_EQ(t->colours[0]->adaptive_linetype, 1);
  EXPECT_EQ(t->colours[0]->join_style, 5);
  EXPECT_STREQ(t->colours[1]->name, "Color_2");
  EXPECT_EQ(t->colours[2], nullptr) << "named in the colour table, absent from the styles";
  EXPECT_DOUBLE_EQ(t->custom_lineweights[3], 0.25);
  pstyle_free(t);
}

TEST_F(PlotStyleTest, LineweightIndexTable) {
  const int16_t cases[][2] = {{0, 0},    {1, 0},    {2, 5},    {12, 40}, {14, 50},
                              {21, 100}, {26, 200}, {27, 211}, {28, 0},  {-1, 0}};
  for (const auto& c : cases) EXPECT_EQ(pstyle_lineweight(c[0]), c[1]) << c[0];
}

TEST_F(PlotStyleTest, ColourDependentTableReplacesLineweightsByColour) {
  d->header->pstylemode = 1;
  use_table(file("colour.ctb", table_file(kColourTable)));
  add_coloured_line(1, 10);
  add_coloured_line(2, 20);
  add_coloured_line(5, 30);
  ASSERT_EQ(regen(), 1);
  // Colour 1: index 12 = 0.40 mm; colour 2: index 0 keeps 30; colour 5: no style.
  EXPECT_EQ(lineweights(), (std::vector<int32_t>{40, 30, 30}));
}

TEST_F(PlotStyleTest, TableIsReadOnlyWhenTheLayoutAsksForIt) {
  d->header->pstylemode = 1;
  use_table(file("colour.ctb", table_file(kColourTable)), 0);
  add_coloured_line(1, 10);
  ASSERT_EQ(regen(), 1);
  EXPECT_EQ(lineweights(), (std::vector<int32_t>{30}));
}

TEST_F(PlotStyleTest, ColourDrawingIgnoresATableWithoutColours) {
  d->header->pstylemode = 1;
  use_table(file("named.stb", table_file(kNamedTable)));
  add_coloured_line(1, 10);
  ASSERT_EQ(regen(), 1);
  EXPECT_EQ(lineweights(), (std::vector<int32_t>{30}));
}

TEST_F(PlotStyleTest, NamedTableReplacesLineweightsByName) {
  d->header->pstylemode = 0;
  // ACAD_PLOTSTYLENAME leads to a dictionary with default whose entries name the styles.
  add_dictionary(d, H(0x7100), "ACAD_PLOTSTYLENAME", H(0x7101));
  TkObjectHeader oh{};
  TkObjectData od;
  std::memset(&od, 0, sizeof od);
  oh.type = d->class_numbers[TK_CLASS_DICTIONARYWDFLT];
  ASSERT_NE(oh.type, 0);
  tk_init_object(d, &oh, &od);
  oh.handle = H(0x7101);
  od.dictionary_wdflt.entries = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob_create(od.dictionary_wdflt.entries);
  const char* names[] = {"Normal", "Thick"};
  for (int i = 0; i < 2; ++i) {
    TkDictEntry e{};
    std::strcpy(e.name, names[i]);
    e.object = H(0x7200 + uint64_t(i));
    tk_dict_entry_write(w, &e);
  }
  blob_close_write(w);
  od.dictionary_wdflt.entry_count = 2;
  ASSERT_EQ(tk_object_add(d, &oh, &od), 1);
  // Layer "0" gives the thick style to entities without their own.
  TkLayerRecord layer;
  TkHandle zero;
  ASSERT_EQ(tk_layer_find(d, "0", &zero), 1);
  ASSERT_EQ(tk_layer_get(d, &zero, &layer), 1);
  layer.plot_style = H(0x7201);
  ASSERT_EQ(tk_layer_put(d, &layer), 1);

  use_table(file("named.stb", table_file(kNamedTable)));
  add_coloured_line(1, 10, H(0x7201));  // Thick: index 21 = 1.00 mm
  add_coloured_line(1, 20, H(0x7200));  // Normal: index 0 keeps 30
  add_coloured_line(1, 30);             // the layer's style
  ASSERT_EQ(regen(), 1);
  EXPECT_EQ(lineweights(), (std::vector<int32_t>{100, 30, 100}));
}

TEST_F(PlotStyleTest, DamagedTablesFailWithTheirErrorAndTheDrawingIsDrawnWithout) {
  const std::string text = kColourTable;
  const std::vector<uint8_t> good = table_file(text);
  std::vector<uint8_t> garbage = good;
  for (size_t i = 60; i < garbage.size(); ++i) garbage[i] = uint8_t(i * 37);
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    TkError error;
  } cases[] = {
      {"short head", std::vector<uint8_t>(good.begin(), good.begin() + 57), TK_ERR_PSTYLE_HEADER},
      {"text size zero", table_file(text, 0), TK_ERR_PSTYLE_HEADER},
      {"stream size zero", table_file(text, -1, 0), TK_ERR_PSTYLE_HEADER},
      {"stream cut short", table_file(text, -1, -1, 10), TK_ERR_UNEXPECTED_EOF},
      {"text size past the cap", table_file(text, int32_t(TK_PSTYLE_MAX_TEXT + 1)),
       TK_ERR_PSTYLE_ALLOC},
      {"stream size past the cap", table_file(text, -1, int32_t(TK_PSTYLE_MAX_COMPRESSED + 1)),
       TK_ERR_PSTYLE_ALLOC},
      {"not a zlib stream", garbage, TK_ERR_GENERAL},
  };
  d->header->pstylemode = 1;
  add_coloured_line(1, 10);
  for (const auto& c : cases) {
    const std::string path = file(std::string("bad") + std::to_string(&c - cases), c.bytes);
    TkPlotStyleTable* t = nullptr;
    tk_fail(TK_ERR_NONE);
    EXPECT_EQ(pstyle_parse(path.c_str(), &t), 0) << c.name;
    EXPECT_EQ(t, nullptr) << c.name;
    EXPECT_EQ(tk_get_last_error(), c.error) << c.name;
    use_table(path);
    ASSERT_EQ(regen(), 1) << c.name;
    EXPECT_EQ(lineweights(), (std::vector<int32_t>{30})) << c.name;
  }
  TkPlotStyleTable* t = nullptr;
  EXPECT_EQ(pstyle_parse("/nonexistent/folder/table.ctb", &t), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_OPEN_FILE);
}

// A stream that inflates to more than the head declares stops at the declared size.
TEST_F(PlotStyleTest, InflateStopsAtTheDeclaredSize) {
  std::string text(5000, 'x');
  const std::vector<uint8_t> bytes = table_file(text, 100);
  const std::string path = file("long.ctb", bytes);
  char* out = nullptr;
  uint32_t size = 0;
  ASSERT_EQ(pstyle_read_file(path.c_str(), &out, &size), 1);
  EXPECT_EQ(size, 100u);
  mem_free(out);
}

}  // namespace
