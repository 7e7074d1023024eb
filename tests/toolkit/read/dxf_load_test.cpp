// Small DXF files made here, opened through the open road: the section scan and header
// variables, the symbol-table records, entities, class definitions and objects, the edge cases
// of each, and files cut short or refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "tests/toolkit/core/core_support.h"
#include "tests/toolkit/read/dxf_support.h"
#include "toolkit/core/blob.h"
#include "toolkit/core/codepage_names.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/load_entities.h"
#include "toolkit/core/object.h"
#include "toolkit/read/bits_reader.h"
#include "toolkit/read/dwg13_entity_class.h"
#include "toolkit/read/dxf_reader.h"
#include "toolkit/read/dxf_readers.h"

namespace {

using dxf_test::TextDxf;

constexpr double kPi = 3.14159265358979323846;

class DxfLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    core_test::counts = core_test::Counts{};
    ASSERT_TRUE(dxf_test::start_toolkit(core_test::counting_alloc, core_test::counting_free));
  }
  void TearDown() override {
    if (d_) tk_close_drawing(d_);
    dxf_test::stop_toolkit();
    EXPECT_EQ(core_test::counts.live, 0) << "blocks left allocated";
  }
  TkDrawing* open(const TextDxf& dxf) {
    if (d_) tk_close_drawing(d_);
    d_ = dxf_test::open_text(dxf.out);
    return d_;
  }
  // The n-th stored entity of model space (BLOCK, ENDBLK and the like included).
  bool entity(size_t n, TkEntityHeader* h, TkEntityData* data, const TkList* list = nullptr) {
    const TkLink* l = list_first(list ? list : &d_->model_entities);
    for (size_t i = 0; l && i < n; ++i) l = l->next;
    return l && entity_unpack(l, h, data, nullptr, nullptr);
  }
  TkDrawing* d_ = nullptr;
};

// An AC1015 file: header with the release, the given tables, entities and objects.
TextDxf drawing(const std::string& version, const std::function<void(TextDxf&)>& tables,
                const std::function<void(TextDxf&)>& entities,
                const std::function<void(TextDxf&)>& objects = nullptr) {
  TextDxf f;
  f.section("HEADER").g(9, "$ACADVER").g(1, version).endsec();
  if (tables) {
    f.section("TABLES");
    tables(f);
    f.endsec();
  }
  f.section("ENTITIES");
  if (entities) entities(f);
  f.endsec();
  if (objects) {
    f.section("OBJECTS");
    objects(f);
    f.endsec();
  }
  f.eof();
  return f;
}

TEST_F(DxfLoad, SectionsAndTheirEnds) {
  struct Case {
    const char* name;
    std::string text;
    bool loads;
    int32_t error;
  } const cases[] = {
      {"ends with EOF", drawing("AC1009", nullptr, nullptr).out, true, 0},
      {"no EOF", "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n", false, TK_ERR_UNEXPECTED_EOF},
      {"unknown section passed over",
       "0\nSECTION\n2\nTHUMBNAILIMAGE\n90\n3\n310\nABCDEF\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n"
       "0\nLINE\n8\n0\n0\nENDSEC\n0\nEOF\n",
       true, 0},
      {"header without its end", "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1009\n", false,
       TK_ERR_DXF_HEADER},
      {"entities without their end", "0\nSECTION\n2\nENTITIES\n0\nLINE\n", false,
       TK_ERR_DXF_ENTITY},
      {"tables without their end", "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n", false,
       TK_ERR_DXF_TABLE},
      {"letter in a code line", "0\nSECTION\n2\nENTITIES\n0\nLINE\n1O\n5\n0\nENDSEC\n0\nEOF\n",
       false, TK_ERR_DXF_NOT_NUMERIC},
      {"only a comment", "999\nmade by hand\n", false, TK_ERR_UNEXPECTED_EOF},
      {"no SECTION and no comment", "0\nLINE\n", false, TK_ERR_FILE_TYPE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (d_) tk_close_drawing(d_);
    d_ = dxf_test::open_text(c.text);
    EXPECT_EQ(d_ != nullptr, c.loads) << tk_get_last_error();
    if (!c.loads) {
      EXPECT_EQ(tk_get_last_error(), c.error);
    }
  }
}

TEST_F(DxfLoad, HeaderVariables) {
  TextDxf f;
  f.section("HEADER")
      .g(9, "$ACADVER").g(1, "AC1014")
      .g(9, "$ANGBASE").g(50, 90.0)
      .g(9, "$TDCREATE").g(40, 2451545.75)
      .g(9, "$DWGCODEPAGE").g(3, "ANSI_1252")
      .g(9, "$INSBASE").g(10, 1.0).g(20, 2.0)
      .g(9, "$DIMUNIT").g(70, "7")
      .g(9, "$CLAYER").g(8, "Walls")
      .g(9, "$" + std::string(120, 'Z')).g(1, "overlong name")
      .g(9, "$NOSUCHVARIABLE").g(70, "3")
      .g(9, "$LTSCALE").g(40, 2.5)
      .endsec()
      .eof();
  ASSERT_NE(open(f), nullptr) << tk_get_last_error();
  const TkHeader* h = d_->header;
  EXPECT_EQ(d_->version, TK_VERSION_AC1014);
  EXPECT_NEAR(h->angbase, kPi / 2, 1e-15);
  EXPECT_EQ(h->tdcreate.day, 2451545);
  EXPECT_EQ(h->tdcreate.msec, 64800000);
  EXPECT_STREQ(tk_codepage_names[h->dwgcodepage], "ansi_1252");
  EXPECT_EQ(h->insbase[0], 1.0);
  EXPECT_EQ(h->insbase[1], 2.0);
  EXPECT_EQ(h->insbase[2], 0.0);
  EXPECT_EQ(h->dimlunit, 5);
  EXPECT_EQ(h->dimfrac, 2);
  EXPECT_EQ(h->ltscale, 2.5);  // read after the names it does not know
  EXPECT_STREQ(dxf_state(d_)->pending_names[hdr_find_name_var("CLAYER")], "Walls");
}

TEST_F(DxfLoad, ReleasesAndCodePages) {
  struct Case {
    const char* version;
    const char* codepage;
    const char* acadver;
    int16_t index;
    int16_t codepage_index;
    uint8_t unknown_version;
  } const cases[] = {
      {"AC1009", "ansi_1250", "AC1009", TK_VERSION_AC1009, 28, 0},
      {"AC2.10", "DOS437", "AC1002", TK_VERSION_AC1002, 11, 0},
      // Later releases keep the layout of AC1015 and add to it; other names are read as AC1009.
      {"AC1018", "ANSI_1252", "AC1015", TK_VERSION_AC1015, 30, 1},
      {"AC1032", "ANSI_1252", "AC1015", TK_VERSION_AC1015, 30, 1},
      {"AC101", "ANSI_1252", "AC1009", TK_VERSION_AC1009, 30, 1},
      {"AC9999", "ANSI_1252", "AC1015", TK_VERSION_AC1015, 30, 1},
      {"R12", "ANSI_1252", "AC1009", TK_VERSION_AC1009, 30, 1},
      {"AC1015", "klingon", "AC1015", TK_VERSION_AC1015, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    TextDxf f;
    f.section("HEADER").g(9, "$ACADVER").g(1, c.version).g(9, "$DWGCODEPAGE").g(3, c.codepage);
    f.endsec().eof();
    ASSERT_NE(open(f), nullptr) << tk_get_last_error();
    EXPECT_STREQ(d_->header->acadver, c.acadver);
    EXPECT_EQ(d_->version, c.index);
    EXPECT_EQ(d_->header->dwgcodepage, c.codepage_index);
    EXPECT_EQ(dxf_state(d_)->unknown_version, c.unknown_version);
  }
}

// Header names fill an area of 96 bytes, the zero included: 95 characters after the "$" are
// still looked up, longer ones are passed over whole and the variables after them still read.
TEST_F(DxfLoad, HeaderNamesAtTheEdgeOfTheirArea) {
  for (size_t length : {94u, 95u, 96u, 97u, 2000u}) {
    SCOPED_TRACE(length);
    TextDxf f;
    f.section("HEADER").g(9, "$ACADVER").g(1, "AC1014");
    f.g(9, "$" + std::string(length, 'L')).g(70, "5");
    f.g(9, "$LTSCALE").g(40, 3.5).endsec().eof();
    ASSERT_NE(open(f), nullptr) << tk_get_last_error();
    EXPECT_EQ(d_->header->ltscale, 3.5);
  }
}


// A table of the given records, each a list of groups after its group 0.
void table(TextDxf& f, const std::string& name, const std::vector<std::function<void(TextDxf&)>>& records) {
  f.g(0, "TABLE").g(2, name);
  for (const auto& r : records) {
    f.g(0, name);
    r(f);
  }
  f.g(0, "ENDTAB");
}

TEST_F(DxfLoad, LayersInAnyGroupOrderWithTheirLinetypes) {
  auto tables = [](TextDxf& f) {
    table(f, "LTYPE", {[](TextDxf& t) { t.g(2, "DASHED").g(70, "0").g(73, "0").g(40, 0.0); }});
    table(f, "LAYER",
          {[](TextDxf& t) { t.g(2, "A").g(70, "4").g(62, "-3").g(6, "DASHED").g(347, "1F"); },
           [](TextDxf& t) { t.g(347, "1F").g(6, "DASHED").g(62, "-3").g(70, "4").g(2, "B"); },
           [](TextDxf& t) { t.g(2, "C"); }});
  };
  ASSERT_NE(open(drawing("AC1009", tables, nullptr)), nullptr) << tk_get_last_error();
  TkHandle dashed{};
  ASSERT_TRUE(tk_ltype_find(d_, "DASHED", &dashed));
  TkLayerRecord layer;
  tk_layer_list_rewind(d_);
  std::vector<TkLayerRecord> layers;
  while (tk_layer_list_next(d_, &layer)) layers.push_back(layer);
  ASSERT_GE(layers.size(), 3u);
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(layers[i].name);
    EXPECT_EQ(layers[i].color, -3);  // off, and its colour kept
    EXPECT_EQ(layers[i].flags, 4);
    EXPECT_EQ(std::memcmp(&layers[i].linetype, &dashed, 8), 0);
  }
  EXPECT_STREQ(layers[2].name, "C");
  EXPECT_EQ(layers[2].color, 7);
  EXPECT_NE(std::memcmp(&layers[2].linetype, &dashed, 8), 0);  // the pending name was emptied
}

TEST_F(DxfLoad, LinetypeDashesStayWithinTheRecord) {
  auto tables = [](TextDxf& f) {
    table(f, "LTYPE", {[](TextDxf& t) {
      t.g(2, "MANY").g(70, "0").g(73, "20").g(40, 10.0);
      for (int i = 0; i < 20; ++i) {
        t.g(49, 0.5 + i).g(74, "2").g(9, std::string(40, char('a' + i)));
      }
    }});
  };
  ASSERT_NE(open(drawing("AC1009", tables, nullptr)), nullptr) << tk_get_last_error();
  TkHandle h{};
  ASSERT_TRUE(tk_ltype_find(d_, "MANY", &h));
  TkLinetypeRecord r;
  ASSERT_TRUE(tk_ltype_get(d_, &h, &r));
  EXPECT_EQ(r.element_count, TK_DASH_ELEMENTS);
  EXPECT_EQ(r.elements[14].length, 14.5);
  // Six texts of 41 bytes fit the 256-byte area; the others are dropped whole.
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(r.elements[i].text_index, 41 * i);
    EXPECT_EQ(std::string(r.dash_texts + r.elements[i].text_index), std::string(40, char('a' + i)));
  }
  EXPECT_EQ(r.elements[6].text_index, 0);
  EXPECT_STREQ(r.name, "MANY");  // nothing behind the area was written over
}

TEST_F(DxfLoad, ReactorsAndATableWithoutItsCount) {
  auto tables = [](TextDxf& f) {
    f.g(0, "TABLE").g(2, "APPID").g(5, "9").g(330, "0");  // no group 70
    f.g(0, "APPID").g(5, "12").g(102, "{ACAD_REACTORS").g(330, "9").g(330, "A1").g(102, "}");
    f.g(330, "9").g(2, "MYAPP").g(70, "0");
    f.g(0, "ENDTAB");
  };
  ASSERT_NE(open(drawing("AC1015", tables, nullptr)), nullptr) << tk_get_last_error();
  TkAppIdRecord r;
  tk_appid_rewind(d_);
  bool found = false;
  while (tk_appid_next(d_, &r)) {
    if (std::strcmp(r.name, "MYAPP") != 0) continue;
    found = true;
    EXPECT_EQ(r.reactor_count, 2u);
    EXPECT_EQ(r.owner.bytes[7], 0x09);  // the owner after the braces, not one inside them
    EXPECT_EQ(r.handle.bytes[7], 0x12);
  }
  EXPECT_TRUE(found);
}

TEST_F(DxfLoad, DimensionStyleArrowBlocksByNameInAnyCase) {
  TextDxf f;
  f.section("HEADER").g(9, "$ACADVER").g(1, "AC1009").endsec();
  f.section("TABLES");
  table(f, "DIMSTYLE", {[](TextDxf& t) { t.g(2, "ARROWS").g(5, "myarrow").g(6, "nosuch"); }});
  f.endsec();
  f.section("BLOCKS").g(0, "BLOCK").g(8, "0").g(2, "MYARROW").g(70, "0").g(10, 0.0).g(20, 0.0);
  f.g(30, 0.0).g(0, "LINE").g(8, "0").g(10, 0.0).g(20, 0.0).g(11, 1.0).g(21, 0.0);
  f.g(0, "ENDBLK").endsec();
  f.section("ENTITIES").endsec().eof();
  ASSERT_NE(open(f), nullptr) << tk_get_last_error();
  TkHandle block{};
  ASSERT_TRUE(tk_find_record_by_name(d_, "MyArrow", &block));
  TkDimStyleRecord r;
  tk_dimstyle_rewind(d_);
  ASSERT_TRUE(tk_dimstyle_next(d_, &r));
  EXPECT_STREQ(r.name, "ARROWS");
  EXPECT_EQ(std::memcmp(&r.dimblk, &block, 8), 0);
  EXPECT_TRUE(tk_handle_is_null(&r.dimblk1));
}

// An arrow name of a DIMSTYLE that names no block is queued, with its style and variable, for
// the display's hook at the end of the load; a name that names a block is not.
std::vector<std::pair<uint32_t, std::string>> queued_arrows;
TkHandle queued_style{};

void take_arrow_queue(TkDrawing* d) {
  TkBlob* r = blob_open_read(d->arrow_names);
  for (int32_t i = 0; r && i < d->arrow_name_count; ++i) {
    uint8_t entry[524];
    if (!blob_read(r, entry, sizeof entry)) break;
    std::memcpy(queued_style.bytes, entry, 8);
    uint32_t code;
    std::memcpy(&code, entry + 8, 4);
    queued_arrows.push_back({code, reinterpret_cast<const char*>(entry + 12)});
  }
  if (r) blob_close(r);
}

TEST_F(DxfLoad, DimensionStyleArrowNamesWithoutABlockAreQueued) {
  TextDxf f;
  f.section("HEADER").g(9, "$ACADVER").g(1, "AC1009").endsec();
  f.section("TABLES");
  table(f, "DIMSTYLE",
        {[](TextDxf& t) { t.g(2, "ARROWS").g(5, "myarrow").g(6, "_OPEN30").g(7, "_DOT"); }});
  f.endsec();
  f.section("BLOCKS").g(0, "BLOCK").g(8, "0").g(2, "MYARROW").g(70, "0").g(10, 0.0).g(20, 0.0);
  f.g(30, 0.0).g(0, "ENDBLK").endsec();
  f.section("ENTITIES").endsec().eof();
  queued_arrows.clear();
  tk_state->arrow_blocks_resolve = take_arrow_queue;
  TkDrawing* d = open(f);
  tk_state->arrow_blocks_resolve = nullptr;
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  const std::vector<std::pair<uint32_t, std::string>> want = {{6, "_OPEN30"}, {7, "_DOT"}};
  EXPECT_EQ(queued_arrows, want);
  TkDimStyleRecord r;
  tk_dimstyle_rewind(d);
  ASSERT_TRUE(tk_dimstyle_next(d, &r));
  EXPECT_EQ(std::memcmp(&queued_style, &r.handle, 8), 0);
  // The queue goes with the load.
  EXPECT_EQ(d->arrow_names, nullptr);
}

// A text style keeps its extended data: a TrueType style names its face and style bits there.
TEST_F(DxfLoad, TextStyleKeepsItsExtendedData) {
  auto tables = [](TextDxf& f) {
    table(f, "APPID", {[](TextDxf& t) { t.g(2, "ACAD").g(70, "0"); }});
    table(f, "STYLE", {[](TextDxf& t) {
      t.g(2, "TT").g(70, "0").g(40, 0.0).g(41, 1.0).g(3, "arial.ttf").g(4, "");
      t.g(1001, "ACAD").g(1000, "Arial").g(1071, "33554466");
    }});
  };
  ASSERT_NE(open(drawing("AC1009", tables, nullptr)), nullptr) << tk_get_last_error();
  TkTextStyleRecord style;
  tk_style_list_rewind(d_);
  bool found = false;
  while (tk_style_list_next(d_, &style)) {
    if (std::strcmp(style.name, "TT") != 0) continue;
    found = true;
    ASSERT_NE(style.xdata, nullptr);
    TkBlob* r = blob_open_read(style.xdata);
    TkXdataItem item;
    std::vector<uint16_t> codes;
    while (xdata_read_item(r, &item)) {
      codes.push_back(item.code);
      if (item.code == 1000) {
        EXPECT_STREQ(reinterpret_cast<const char*>(item.value), "Arial");
      }
    }
    blob_close(r);
    EXPECT_EQ(codes, (std::vector<uint16_t>{1001, 1000, 1071}));
  }
  EXPECT_TRUE(found);
}

// A block that lost its ENDBLK ends where the next BLOCK begins: each block keeps its own
// entities, and a file of many such blocks does not give each all the entities after it.
TEST_F(DxfLoad, BlockWithoutItsEndStopsAtTheNextBlock) {
  TextDxf f;
  f.section("HEADER").g(9, "$ACADVER").g(1, "AC1009").endsec();
  f.section("BLOCKS");
  f.g(0, "BLOCK").g(8, "0").g(2, "FIRST").g(70, "0").g(10, 0.0).g(20, 0.0).g(30, 0.0);
  f.g(0, "LINE").g(8, "0").g(10, 0.0).g(20, 0.0).g(11, 1.0).g(21, 0.0);
  f.g(0, "BLOCK").g(8, "0").g(2, "SECOND").g(70, "0").g(10, 0.0).g(20, 0.0).g(30, 0.0);
  f.g(0, "CIRCLE").g(8, "0").g(10, 0.0).g(20, 0.0).g(40, 1.0);
  f.g(0, "ENDBLK").endsec();
  f.section("ENTITIES").endsec().eof();
  ASSERT_NE(open(f), nullptr) << tk_get_last_error();
  auto kinds = [this](const char* name) {
    std::vector<uint16_t> out;
    const TkBlockRecord* b = dxf_test::find_block(d_, name);
    if (!b || !b->entities) return out;
    TkEntityHeader h;
    TkEntityData data;
    for (size_t n = 0; entity(n, &h, &data, b->entities); ++n) out.push_back(h.kind);
    return out;
  };
  EXPECT_EQ(kinds("FIRST"), (std::vector<uint16_t>{TK_BLOCK, TK_LINE}));
  EXPECT_EQ(kinds("SECOND"), (std::vector<uint16_t>{TK_BLOCK, TK_CIRCLE, TK_ENDBLK}));
}

struct ColourCase {
  const char* value;
  uint16_t colour;
};

TEST_F(DxfLoad, EntityColourKeepsItsSixteenBits) {
  const ColourCase cases[] = {{"1", 1}, {"256", 256}, {"0", 0}, {"-5", uint16_t(-5)},
                              {"300", 300}};
  for (const ColourCase& c : cases) {
    SCOPED_TRACE(c.value);
    auto entities = [&](TextDxf& f) {
      f.g(0, "LINE").g(8, "0").g(62, c.value).g(10, 0.0).g(20, 0.0).g(11, 1.0).g(21, 1.0);
    };
    ASSERT_NE(open(drawing("AC1009", nullptr, entities)), nullptr) << tk_get_last_error();
    TkEntityHeader h;
    TkEntityData data;
    ASSERT_TRUE(entity(0, &h, &data));
    EXPECT_EQ(h.colour, c.colour);
  }
}

TEST_F(DxfLoad, EntitiesOfTheLineFamily) {
  auto entities = [](TextDxf& f) {
    f.g(0, "3DLINE").g(8, "0").g(10, 1.0).g(20, 2.0).g(30, 3.0).g(11, 4.0).g(21, 5.0).g(31, 6.0);
    // The elevation before the points: the later z wins.
    f.g(0, "LINE").g(8, "0").g(38, 5.0).g(10, 0.0).g(20, 0.0).g(30, 0.0).g(11, 1.0).g(21, 1.0);
    // The elevation after the points gives both z.
    f.g(0, "LINE").g(8, "0").g(10, 0.0).g(20, 0.0).g(11, 1.0).g(21, 1.0).g(38, 5.0);
    f.g(0, "LINE").g(8, "0").g(210, 0.0).g(220, 0.0).g(230, 1.0).g(10, 0.0).g(20, 0.0);
    f.g(0, "LINE").g(8, "0").g(210, 0.0).g(220, 1.0).g(230, 0.0).g(10, 0.0).g(20, 0.0);
  };
  ASSERT_NE(open(drawing("AC1009", nullptr, entities)), nullptr) << tk_get_last_error();
  TkEntityHeader h;
  TkEntityData data;
  ASSERT_TRUE(entity(0, &h, &data));
  EXPECT_EQ(h.kind, TK_LINE);
  EXPECT_EQ(tk_data_get<double>(&data, 40), 6.0);
  ASSERT_TRUE(entity(1, &h, &data));
  EXPECT_EQ(tk_data_get<double>(&data, 16), 0.0);
  EXPECT_EQ(tk_data_get<double>(&data, 40), 5.0);
  ASSERT_TRUE(entity(2, &h, &data));
  EXPECT_EQ(tk_data_get<double>(&data, 16), 5.0);
  EXPECT_EQ(tk_data_get<double>(&data, 40), 5.0);
  ASSERT_TRUE(entity(3, &h, &data));
  EXPECT_EQ(h.flags & TK_ENTITY_EXTRUDED, 0);
  ASSERT_TRUE(entity(4, &h, &data));
  EXPECT_NE(h.flags & TK_ENTITY_EXTRUDED, 0);
  EXPECT_EQ(h.extrusion[1], 1.0);
}

TEST_F(DxfLoad, EntitiesWithListsAndDerivedFields) {
  auto entities = [](TextDxf& f) {
    f.g(0, "DIMENSION").g(8, "0").g(31, 5.0).g(32, 2.0).g(70, "0");
    f.g(0, "INSERT").g(8, "0").g(2, "NOSUCH").g(70, "0").g(10, 0.0).g(20, 0.0);
    f.g(0, "LEADER").g(8, "0").g(73, "2").g(75, "1").g(76, "4");
    for (int i = 0; i < 4; ++i) f.g(10, double(i)).g(20, 0.0).g(30, 0.0);
    f.g(0, "3DSOLID").g(8, "0").g(70, "1").g(1, "->+^ ").g(3, "!");
  };
  ASSERT_NE(open(drawing("AC1009", nullptr, entities)), nullptr) << tk_get_last_error();
  TkEntityHeader h;
  TkEntityData data;
  ASSERT_TRUE(entity(0, &h, &data));
  EXPECT_EQ(h.kind, TK_DIMENSION);
  EXPECT_EQ(tk_data_get<double>(&data, 184), 5.0);
  EXPECT_EQ(tk_data_get<double>(&data, 24), 5.0);  // the clone point takes the text's z
  ASSERT_TRUE(entity(1, &h, &data));
  EXPECT_EQ(tk_data_get<uint16_t>(&data, 80), 1);
  EXPECT_EQ(tk_data_get<uint16_t>(&data, 82), 1);
  ASSERT_TRUE(entity(2, &h, &data));
  EXPECT_EQ(h.kind, TK_LEADER);
  EXPECT_EQ(tk_data_get<uint16_t>(&data, 0), 3);  // the hook line's extra vertex is gone
  EXPECT_EQ(tk_data_get<uint16_t>(&data, 6), 2);  // and the annotation type stays
  TkBlob* r = blob_open_read(tk_data_blob(&data, TK_LEADER_BLOB));
  ASSERT_NE(r, nullptr);
  double v[9];
  ASSERT_TRUE(blob_read(r, v, sizeof v));
  EXPECT_EQ(v[3], 1.0);
  EXPECT_EQ(v[6], 3.0);
  blob_close(r);
  ASSERT_TRUE(entity(3, &h, &data));
  EXPECT_EQ(h.kind, TK_3DSOLID);
  r = blob_open_read(tk_data_blob(&data, TK_MODELER_BLOB_1));
  ASSERT_NE(r, nullptr);
  char text[7] = {};
  ASSERT_TRUE(blob_read(r, text, 6));
  // 159 minus each byte, "^ " standing for a caret (an "A"), a line end after the group 1 line.
  EXPECT_STREQ(text, "ratA\n~");
  blob_close(r);
}

TEST_F(DxfLoad, ClassEntitiesAndObjects) {
  TextDxf f;
  f.section("HEADER").g(9, "$ACADVER").g(1, "AC1015").endsec();
  f.section("CLASSES");
  f.g(0, "CLASS").g(1, "LWPOLYLINE").g(2, "AcDbPolyline").g(3, "ObjectDBX").g(90, "70000");
  f.g(280, "0").g(281, "1");
  f.g(0, "CLASS").g(1, "XRECORD").g(2, "AcDbXrecord").g(3, "ObjectDBX").g(90, "0").g(280, "0");
  f.g(281, "0");
  f.g(0, "CLASS").g(1, "ARCALIGNEDTEXT").g(2, "AcDbArcAlignedText").g(3, "x").g(90, "0");
  f.g(280, "0").g(281, "1");
  f.endsec();
  f.section("TABLES");
  table(f, "LTYPE", {[](TextDxf& t) { t.g(5, "14").g(2, "ONE"); },
                     [](TextDxf& t) { t.g(5, "15").g(2, "TWO"); },
                     [](TextDxf& t) { t.g(5, "16").g(2, "THREE"); }});
  f.endsec();
  f.section("ENTITIES");
  f.g(0, "LWPOLYLINE").g(5, "20").g(8, "0").g(90, "2").g(70, "1").g(10, 0.0).g(20, 0.0);
  f.g(10, 1.0).g(20, 1.0);
  f.g(0, "ARCALIGNEDTEXT").g(5, "21").g(8, "0").g(1, std::string(1500, 'T'));
  f.g(2, std::string(600, 'F')).g(3, "small").g(50, 30.0);
  f.endsec();
  f.section("OBJECTS");
  f.g(0, "DICTIONARY").g(5, "C").g(330, "0").g(100, "AcDbDictionary").g(281, "1");
  f.g(3, "ZETA").g(350, "D").g(3, "ALPHA").g(360, "E");
  f.g(0, "MLINESTYLE").g(5, "D").g(102, "{ACAD_REACTORS").g(330, "C").g(102, "}").g(330, "C");
  f.g(100, "AcDbMlineStyle").g(2, "TWOLINES").g(70, "0").g(3, "").g(62, "256").g(51, 90.0);
  f.g(52, 90.0).g(71, "3");
  f.g(49, 0.5).g(62, "1").g(6, "BYLAYER");
  f.g(49, -0.5).g(62, "2").g(6, "three");
  f.g(49, 0.0).g(62, "3").g(6, "NOSUCH");
  f.g(0, "XRECORD").g(5, "E").g(330, "C").g(100, "AcDbXrecord").g(280, "1");
  f.g(1, "text").g(10, 1.0).g(20, 2.0).g(30, 3.0).g(70, "7");
  f.endsec().eof();
  ASSERT_NE(open(f), nullptr) << tk_get_last_error();

  TkClassRecord c;
  ASSERT_TRUE(class_find(d_, "LWPOLYLINE", &c));
  EXPECT_EQ(c.item_class, 498);
  EXPECT_EQ(c.proxy_flags, static_cast<int16_t>(70000 & 0xFFFF));
  ASSERT_TRUE(class_find(d_, "XRECORD", &c));
  EXPECT_EQ(c.item_class, 499);

  TkEntityHeader h;
  TkEntityData data;
  ASSERT_TRUE(entity(0, &h, &data));
  EXPECT_EQ(h.kind, tk_class_lwpolyline(d_));
  EXPECT_EQ(tk_data_get<uint32_t>(&data, TK_LWPOLYLINE_COUNT), 2u);
  EXPECT_EQ(tk_data_get<uint16_t>(&data, TK_LWPOLYLINE_FLAGS) & (TK_LWPL_BULGES | TK_LWPL_WIDTHS), 0);
  EXPECT_NE(tk_data_get<uint16_t>(&data, TK_LWPOLYLINE_FLAGS) & TK_LWPL_CLOSED, 0);
  ASSERT_TRUE(entity(1, &h, &data));
  EXPECT_EQ(h.kind, tk_class_arcalignedtext(d_));
  EXPECT_EQ(std::strlen(tk_data_text(&data, 0)), 1023u);  // cut to its field
  EXPECT_EQ(std::strlen(tk_data_text(&data, 1024)), 511u);
  EXPECT_STREQ(tk_data_text(&data, 1536), "small");
  EXPECT_EQ(tk_data_get<double>(&data, 2128), 30.0);  // kept as written

  TkObjectHeader oh;
  TkObjectData od;
  TkHandle dict = {{0, 0, 0, 0, 0, 0, 0, 0x0C}};
  ASSERT_TRUE(tk_object_get(d_, &dict, &oh, &od));
  ASSERT_EQ(od.dictionary.entry_count, 2u);
  TkBlob* r = blob_open_read(od.dictionary.entries);
  TkDictEntry e;
  ASSERT_TRUE(tk_dict_entry_read(r, &e));
  EXPECT_STREQ(e.name, "ZETA");  // file order
  EXPECT_EQ(e.object.bytes[7], 0x0D);
  ASSERT_TRUE(tk_dict_entry_read(r, &e));
  EXPECT_STREQ(e.name, "ALPHA");
  blob_close(r);

  TkHandle style = {{0, 0, 0, 0, 0, 0, 0, 0x0D}};
  ASSERT_TRUE(tk_object_get(d_, &style, &oh, &od));
  EXPECT_EQ(oh.reactor_count, 1u);
  EXPECT_EQ(oh.owner.bytes[7], 0x0C);
  EXPECT_STREQ(od.mlinestyle.name, "TWOLINES");
  ASSERT_EQ(od.mlinestyle.element_count, 3);
  r = blob_open_read(od.mlinestyle.elements);
  const int16_t linetypes[3] = {32767, 2, 32767};  // BYLAYER, the third linetype, unknown
  for (int16_t expected : linetypes) {
    int16_t colour, linetype;
    ASSERT_TRUE(blob_read_short_raw(r, &colour));
    ASSERT_TRUE(blob_read_short_raw(r, &linetype));
    uint8_t pad[4];
    double offset;
    ASSERT_TRUE(blob_read(r, pad, 4) && blob_read_double(r, &offset));
    EXPECT_EQ(linetype, expected);
  }
  blob_close(r);

  TkHandle xrec = {{0, 0, 0, 0, 0, 0, 0, 0x0E}};
  ASSERT_TRUE(tk_object_get(d_, &xrec, &oh, &od));
  EXPECT_EQ(oh.type, tk_class_xrecord(d_));
  EXPECT_EQ(od.xrecord.item_count, 3u);
  EXPECT_EQ(od.xrecord.cloning, 1);
}

// An entity of a class without a reader keeps the graphics of the 92 group among its common
// groups; a 92 group of its own class's groups later on does not replace them.
TEST_F(DxfLoad, ClassEntityKeepsItsGraphicsPastItsOwnGroup92) {
  TextDxf f;
  f.section("HEADER").g(9, "$ACADVER").g(1, "AC1015").endsec();
  f.section("CLASSES");
  f.g(0, "CLASS").g(1, "MYENT").g(2, "AcDbMyEnt").g(3, "x").g(90, "0").g(280, "0").g(281, "1");
  f.endsec();
  f.section("ENTITIES");
  f.g(0, "MYENT").g(5, "20").g(100, "AcDbEntity").g(8, "0").g(92, "8");
  f.g(310, "0800000000000000").g(100, "AcDbMyEnt").g(92, "0").g(90, "5");
  f.endsec().eof();
  ASSERT_NE(open(f), nullptr) << tk_get_last_error();
  TkEntityHeader h;
  TkEntityData data;
  ASSERT_TRUE(entity(0, &h, &data));
  ASSERT_NE(tk_data_get<uint32_t>(&data, 8), 0u);
  TkBlob* graphics = tk_data_blob(&data, 24);
  ASSERT_NE(graphics, nullptr);
  EXPECT_EQ(blob_length(graphics), 8);
}

TEST_F(DxfLoad, EntityReactorsAndExtensionDictionary) {
  auto entities = [](TextDxf& f) {
    f.g(0, "LINE").g(5, "2F").g(102, "{ACAD_REACTORS").g(330, "A1").g(330, "A2").g(102, "}");
    f.g(102, "{ACAD_XDICTIONARY").g(360, "B7").g(102, "}").g(330, "1F").g(100, "AcDbEntity");
    f.g(8, "WALLS").g(100, "AcDbLine").g(10, 1.0).g(20, 2.0).g(11, 3.0).g(21, 4.0);
  };
  ASSERT_NE(open(drawing("AC1015", nullptr, entities)), nullptr) << tk_get_last_error();
  TkEntityHeader h;
  TkEntityData data;
  ASSERT_TRUE(entity(0, &h, &data));
  ASSERT_EQ(h.kind, TK_LINE);
  ASSERT_EQ(h.reactor_count, 2u);
  TkBlob* r = blob_open_read(h.reactors);
  ASSERT_NE(r, nullptr);
  uint8_t handles[16];
  ASSERT_TRUE(blob_read(r, handles, sizeof handles));
  blob_close(r);
  EXPECT_EQ(handles[7], 0xA1);
  EXPECT_EQ(handles[15], 0xA2);
  EXPECT_EQ(h.xdictionary.bytes[7], 0xB7);
  EXPECT_EQ(tk_data_get<double>(&data, 24), 3.0);  // the groups after the braces are read
  TkHandle walls{};
  ASSERT_TRUE(tk_layer_find(d_, "WALLS", &walls));
  EXPECT_EQ(std::memcmp(&h.layer, &walls, 8), 0);
}

// Points of extended data, of XRECORDs and of proxies take their y and z only from groups of
// their own codes: a point cut short in a damaged file leaves the next record whole.
TEST_F(DxfLoad, PointsCutShortLeaveTheNextRecord) {
  TextDxf f;
  f.section("HEADER").g(9, "$ACADVER").g(1, "AC1015").endsec();
  f.section("CLASSES");
  f.g(0, "CLASS").g(1, "XRECORD").g(2, "AcDbXrecord").g(3, "x").g(90, "0").g(280, "0");
  f.g(281, "0");
  f.endsec();
  f.section("ENTITIES");
  f.g(0, "LINE").g(5, "30").g(8, "0").g(10, 0.0).g(20, 0.0).g(1001, "ACAD").g(1010, 1.0);
  f.g(1020, 2.0);
  f.g(0, "CIRCLE").g(5, "31").g(8, "0").g(40, 2.0).g(1001, "ACAD").g(1011, 5.0);
  f.g(0, "OTHERTHING").g(5, "32").g(8, "0").g(100, "AcDbEntity").g(10, 7.0);
  f.g(0, "POINT").g(5, "33").g(8, "0").g(10, 9.0).g(20, 9.0);
  f.endsec();
  f.section("OBJECTS");
  f.g(0, "XRECORD").g(5, "E").g(330, "C").g(100, "AcDbXrecord").g(10, 1.0).g(20, 2.0);
  f.g(0, "XRECORD").g(5, "F").g(330, "C").g(100, "AcDbXrecord").g(1, "after");
  f.endsec().eof();
  ASSERT_NE(open(f), nullptr) << tk_get_last_error();
  TkEntityHeader h;
  TkEntityData data;
  ASSERT_TRUE(entity(0, &h, &data));
  EXPECT_EQ(h.kind, TK_LINE);
  TkBlob* r = blob_open_read(h.xdata);
  ASSERT_NE(r, nullptr);
  TkXdataItem item;
  ASSERT_TRUE(xdata_read_item(r, &item));
  ASSERT_TRUE(xdata_read_item(r, &item));
  EXPECT_EQ(item.code, 1010);
  double p[3];
  std::memcpy(p, item.value, sizeof p);
  EXPECT_EQ(p[0], 1.0);
  EXPECT_EQ(p[1], 2.0);
  EXPECT_EQ(p[2], 0.0);
  blob_close(r);
  ASSERT_TRUE(entity(1, &h, &data));
  EXPECT_EQ(h.kind, TK_CIRCLE);
  EXPECT_EQ(tk_data_get<double>(&data, 24), 2.0);
  ASSERT_TRUE(entity(2, &h, &data));
  EXPECT_EQ(h.kind, 498);
  ASSERT_TRUE(entity(3, &h, &data));
  EXPECT_EQ(h.kind, TK_POINT);
  EXPECT_EQ(h.handle.bytes[7], 0x33);
  TkObjectHeader oh;
  TkObjectData od;
  TkHandle cut = {{0, 0, 0, 0, 0, 0, 0, 0x0E}}, after = {{0, 0, 0, 0, 0, 0, 0, 0x0F}};
  ASSERT_TRUE(tk_object_get(d_, &cut, &oh, &od));
  EXPECT_EQ(od.xrecord.item_count, 1u);
  ASSERT_TRUE(tk_object_get(d_, &after, &oh, &od));
  EXPECT_EQ(od.xrecord.item_count, 1u);
}

// MLINE vertices keep their points and, per line of the entity, the parameter and fill lists
// in the DWG reader's form: three points, then per line a 16-bit count and its reals twice.
TEST_F(DxfLoad, MlineVerticesAndTheirParameterLists) {
  auto entities = [](TextDxf& e) {
    e.g(0, "MLINE").g(5, "31").g(8, "0").g(100, "AcDbMline").g(2, "STANDARD").g(40, 1.0);
    e.g(70, "0").g(71, "1").g(72, "2").g(73, "2").g(10, 0.0).g(20, 0.0).g(30, 0.0);
    e.g(11, 0.0).g(21, 0.0).g(31, 0.0).g(12, 1.0).g(22, 0.0).g(32, 0.0);
    e.g(13, 0.0).g(23, 1.0).g(33, 0.0);
    e.g(74, "2").g(41, 0.5).g(41, 0.0).g(75, "0");
    e.g(74, "2").g(41, -0.5).g(41, 0.0).g(75, "1").g(42, 7.0);
    // The second vertex lists one line only: the other gets empty lists.
    e.g(11, 10.0).g(21, 0.0).g(31, 0.0).g(12, 1.0).g(22, 0.0).g(32, 0.0);
    e.g(13, 0.0).g(23, 1.0).g(33, 0.0);
    e.g(74, "1").g(41, 0.5).g(75, "0");
    // A line count of thousands with no lists costs nothing.
    e.g(0, "MLINE").g(5, "32").g(8, "0").g(73, "30000").g(11, 1.0).g(21, 2.0).g(31, 3.0);
  };
  ASSERT_NE(open(drawing("AC1015", nullptr, entities)), nullptr) << tk_get_last_error();
  TkEntityHeader h;
  TkEntityData data;
  ASSERT_TRUE(entity(0, &h, &data));
  ASSERT_EQ(h.kind, TK_MLINE);
  EXPECT_EQ(tk_data_get<int16_t>(&data, 12), 2);  // lines
  EXPECT_EQ(tk_data_get<int16_t>(&data, 14), 2);  // vertices
  std::vector<double> expected_points[2] = {{0, 0, 0, 1, 0, 0, 0, 1, 0},
                                            {10, 0, 0, 1, 0, 0, 0, 1, 0}};
  std::vector<std::vector<double>> expected_lists[2] = {{{0.5, 0.0}, {}, {-0.5, 0.0}, {7.0}},
                                                        {{0.5}, {}, {}, {}}};
  TkBlob* r = blob_open_read(tk_data_blob(&data, TK_MLINE_BLOB));
  ASSERT_NE(r, nullptr);
  for (int v = 0; v < 2; ++v) {
    SCOPED_TRACE(v);
    for (double want : expected_points[v]) {
      double got = -1;
      ASSERT_TRUE(blob_read_double(r, &got));
      EXPECT_EQ(got, want);
    }
    for (const std::vector<double>& list : expected_lists[v]) {
      int16_t n = -1;
      ASSERT_TRUE(blob_read_short_raw(r, &n));
      ASSERT_EQ(n, int16_t(list.size()));
      for (double want : list) {
        double got = -1;
        ASSERT_TRUE(blob_read_double(r, &got));
        EXPECT_EQ(got, want);
      }
    }
  }
  uint8_t more;
  EXPECT_FALSE(blob_read_byte(r, &more));
  blob_close(r);
  ASSERT_TRUE(entity(1, &h, &data));
  ASSERT_EQ(h.kind, TK_MLINE);
  EXPECT_EQ(tk_data_get<int16_t>(&data, 12), 0);
  EXPECT_EQ(tk_data_get<int16_t>(&data, 14), 1);
  EXPECT_EQ(blob_stored_size(tk_data_blob(&data, TK_MLINE_BLOB)), 72);
}

TEST_F(DxfLoad, RtextFillsTheRecordTheDwgReaderFills) {
  TextDxf f;
  f.section("HEADER").g(9, "$ACADVER").g(1, "AC1015").endsec();
  f.section("CLASSES");
  f.g(0, "CLASS").g(1, "RTEXT").g(2, "RText").g(3, "x").g(90, "0").g(280, "0").g(281, "1");
  f.endsec();
  f.section("ENTITIES");
  f.g(0, "RTEXT").g(5, "40").g(8, "0").g(100, "RText").g(10, 1.0).g(20, 2.0).g(30, 3.0);
  f.g(40, 2.5).g(50, 90.0).g(7, "NOTES").g(70, "1").g(1, "$(getvar, \"dwgname\")");
  f.g(92, "4").g(310, "0A0B0C0D").g(210, 0.0).g(220, 0.0).g(230, -1.0);
  f.endsec().eof();
  ASSERT_NE(open(f), nullptr) << tk_get_last_error();
  TkEntityHeader h;
  TkEntityData data;
  ASSERT_TRUE(entity(0, &h, &data));
  ASSERT_EQ(h.kind, tk_class_rtext(d_));
  EXPECT_EQ(tk_data_get<double>(&data, 0), 1.0);   // insertion
  EXPECT_EQ(tk_data_get<double>(&data, 16), 3.0);
  EXPECT_NEAR(tk_data_get<double>(&data, 24), kPi / 2, 1e-15);  // rotation in radians
  EXPECT_EQ(tk_data_get<double>(&data, 32), 2.5);  // height
  EXPECT_EQ(tk_data_get<int16_t>(&data, 40), 1);   // flags
  EXPECT_EQ(blob_stored_size(tk_data_blob(&data, 56)), 4);  // proxy graphics
  EXPECT_STREQ(tk_data_text(&data, 64), "$(getvar, \"dwgname\")");
  EXPECT_EQ(h.extrusion[2], -1.0);
}

TEST_F(DxfLoad, ExtendedDataItemsAndTheirBound) {
  auto entities = [](TextDxf& f) {
    f.g(0, "LINE").g(8, "0").g(10, 0.0).g(20, 0.0).g(1001, "ACAD").g(1010, 1.0).g(1020, 2.0);
    f.g(1030, 3.0).g(1070, "4");
    f.g(0, "POINT").g(8, "0").g(1001, "ACAD");
    // Far more than the collector holds: it refuses the rest, it never runs past its end.
    for (int i = 0; i < 200; ++i) f.g(1000, std::string(250, 'x'));
  };
  ASSERT_NE(open(drawing("AC1009", nullptr, entities)), nullptr) << tk_get_last_error();
  TkEntityHeader h;
  TkEntityData data;
  ASSERT_TRUE(entity(0, &h, &data));
  ASSERT_NE(h.xdata, nullptr);
  TkBlob* r = blob_open_read(h.xdata);
  TkXdataItem item;
  ASSERT_TRUE(xdata_read_item(r, &item));
  EXPECT_EQ(item.code, 1001);
  ASSERT_TRUE(xdata_read_item(r, &item));
  EXPECT_EQ(item.code, 1010);
  double p[3];
  std::memcpy(p, item.value, sizeof p);
  EXPECT_EQ(p[2], 3.0);
  ASSERT_TRUE(xdata_read_item(r, &item));
  EXPECT_EQ(item.code, 1070);
  EXPECT_FALSE(xdata_read_item(r, &item));
  blob_close(r);
  ASSERT_TRUE(entity(1, &h, &data));
  ASSERT_NE(h.xdata, nullptr);
  EXPECT_LE(blob_stored_size(h.xdata), int32_t(DXF_XDATA_CAPACITY));
  EXPECT_GT(blob_stored_size(h.xdata), int32_t(DXF_XDATA_CAPACITY) - 300);
}

TEST_F(DxfLoad, BinaryFileLoadsLikeItsText) {
  dxf_test::BinaryDxf b(false);
  b.s(0, "SECTION").s(2, "HEADER").s(9, "$ACADVER").s(1, "AC1009").s(0, "ENDSEC");
  b.s(0, "SECTION").s(2, "ENTITIES");
  b.s(0, "CIRCLE").s(8, "RINGS").d(10, 1.0).d(20, 2.0).d(40, 3.0).i16(62, 256);
  b.s(0, "ENDSEC").s(0, "EOF");
  if (d_) tk_close_drawing(d_);
  d_ = dxf_test::open_bytes(b.out);
  ASSERT_NE(d_, nullptr) << tk_get_last_error();
  EXPECT_EQ(d_->file_kind, TK_FILE_BINARY_DXF);
  TkEntityHeader h;
  TkEntityData data;
  ASSERT_TRUE(entity(0, &h, &data));
  EXPECT_EQ(h.kind, TK_CIRCLE);
  EXPECT_EQ(tk_data_get<double>(&data, 24), 3.0);
  EXPECT_EQ(h.colour, 256);
  TkHandle layer{};
  EXPECT_TRUE(tk_layer_find(d_, "RINGS", &layer));
}

// The same groups as text and as binary.
struct BothDxf {
  TextDxf text;
  dxf_test::BinaryDxf binary{true};
  BothDxf& s(int code, const std::string& v) {
    text.g(code, v);
    binary.s(code, v);
    return *this;
  }
  BothDxf& d(int code, double v) {
    text.g(code, v);
    binary.d(code, v);
    return *this;
  }
  BothDxf& i16(int code, int16_t v) {
    text.g(code, std::to_string(v));
    binary.i16(code, v);
    return *this;
  }
  BothDxf& i32(int code, int32_t v) {
    text.g(code, std::to_string(v));
    binary.i32(code, v);
    return *this;
  }
  BothDxf& i64(int code, int64_t v) {
    text.g(code, std::to_string(v));
    binary.i64(code, v);
    return *this;
  }
  // Binary data: hexadecimal text, or a length byte and the bytes.
  BothDxf& bytes(int code, const std::vector<uint8_t>& v) {
    std::string hex;
    for (uint8_t b : v) {
      char two[3];
      std::snprintf(two, sizeof two, "%02X", b);
      hex += two;
    }
    text.g(code, hex);
    std::vector<uint8_t> raw{uint8_t(v.size())};
    raw.insert(raw.end(), v.begin(), v.end());
    binary.raw(code, raw);
    return *this;
  }
};

// Kind, handle, layer and text of every entity of a list, one line each.
std::vector<std::string> list_lines(const TkList* list) {
  std::vector<std::string> out;
  TkEntityHeader h;
  static TkEntityData data;
  for (const TkLink* l = list_first(list); l; l = l->next) {
    if (!entity_unpack(l, &h, &data, nullptr, nullptr)) return {"damaged"};
    std::string line = std::to_string(h.kind);
    for (const TkHandle* handle : {&h.handle, &h.layer})
      for (uint8_t b : handle->bytes) line += " " + std::to_string(b);
    if (h.kind == TK_TEXT) line += " " + std::string(tk_data_text(&data, TK_TEXT_STRING));
    out.push_back(line);
  }
  return out;
}

std::vector<std::string> drawing_lines(TkDrawing* d) {
  std::vector<std::string> out = list_lines(&d->model_entities);
  out.push_back("paper");
  for (const std::string& line : list_lines(&d->paper_entities)) out.push_back(line);
  for (const TkLink* l = list_first(&d->blocks); l; l = l->next) {
    const auto* b = static_cast<const TkBlockRecord*>(tk_link_data(l));
    out.push_back(std::string("block ") + b->name);
    if (b->entities != &d->model_entities && b->entities != &d->paper_entities)
      for (const std::string& line : list_lines(b->entities)) out.push_back(line);
  }
  return out;
}

// A drawing of many 8 KB cache blocks, whose groups (strings of every length, comments, binary
// chunks of extended data, blocks, paper-space viewports) meet the blocks' ends at every offset:
// the binary file loads as its text twin, entity for entity.
TEST_F(DxfLoad, ABinaryDrawingOfManyBlocksLoadsLikeItsText) {
  BothDxf f;
  f.s(0, "SECTION").s(2, "HEADER").s(9, "$ACADVER").s(1, "AC1015").s(0, "ENDSEC");
  f.s(0, "SECTION").s(2, "TABLES").s(0, "TABLE").s(2, "LAYER").s(5, "2").i16(70, 2);
  f.s(0, "LAYER").s(5, "10").s(2, "0").i16(70, 0).s(0, "LAYER").s(5, "11").s(2, "WALLS");
  f.i16(70, 0).s(0, "ENDTAB").s(0, "ENDSEC");
  uint32_t handle = 0x100;
  auto hex = [&handle] {
    char b[16];
    std::snprintf(b, sizeof b, "%X", handle++);
    return std::string(b);
  };
  auto line = [&](int n, const std::string& layer) {
    f.s(0, "LINE").s(5, hex()).s(8, layer).d(10, n).d(20, 1).d(30, 0).d(11, n + 1).d(21, 2);
    f.d(31, 0);
  };
  f.s(0, "SECTION").s(2, "BLOCKS");
  for (int b = 0; b < 40; ++b) {
    std::string name = "B" + std::to_string(b) + std::string(size_t(b * 7 % 61), 'b');
    f.s(0, "BLOCK").s(5, hex()).s(8, "0").s(2, name).i16(70, 0).d(10, 0).d(20, 0).d(30, 0);
    f.s(3, name);
    for (int k = 0; k < b % 5; ++k) line(k, "WALLS");
    f.s(0, "ENDBLK").s(5, hex()).s(8, "0");
  }
  f.s(0, "ENDSEC").s(0, "SECTION").s(2, "ENTITIES");
  for (int n = 0; n < 3000; ++n) {
    switch (n % 5) {
      case 0: line(n, n % 2 ? "WALLS" : "0"); break;
      case 1:
        f.s(0, "TEXT").s(5, hex()).s(8, "0").d(10, n).d(20, 0).d(30, 0).d(40, 1);
        f.s(1, std::string(size_t(n % 301), char('a' + n % 26)));
        break;
      case 2:
        f.s(999, std::string(size_t(n % 97), 'c'));
        f.s(0, "CIRCLE").s(5, hex()).s(8, "WALLS").d(10, n).d(20, 0).d(30, 0).d(40, 2);
        f.s(1001, "ACAD").s(1000, std::string(size_t(n % 211), 'x'));
        break;
      case 3:
        line(n, "0");
        f.text.g(1001, "ACAD").g(1004, "0102");
        f.binary.s(1001, "ACAD").raw(1004, {2, 1, 2});
        break;
      default:
        f.s(0, "VIEWPORT").s(5, hex()).s(8, "0").i16(67, 1).d(10, n).d(20, 0).d(30, 0);
        f.d(40, 10).d(41, 10).i16(68, 1).i16(69, int16_t(n / 5 + 1));
        break;
    }
  }
  f.s(0, "ENDSEC").s(0, "EOF");
  ASSERT_GT(f.binary.out.size(), size_t(30 * 8192));

  std::vector<std::string> lines[2];
  for (int binary = 0; binary < 2; ++binary) {
    SCOPED_TRACE(binary ? "binary" : "text");
    TkDrawing* d = binary ? dxf_test::open_bytes(f.binary.out) : dxf_test::open_text(f.text.out);
    ASSERT_NE(d, nullptr) << tk_get_last_error();
    lines[binary] = drawing_lines(d);
    tk_close_drawing(d);
  }
  EXPECT_EQ(lines[1], lines[0]);
  // 2,400 entities of model space, 600 VIEWPORTs, 40 blocks of 0 to 4 LINEs between their BLOCK
  // and ENDBLK.
  auto paper = std::find(lines[0].begin(), lines[0].end(), "paper");
  EXPECT_EQ(paper - lines[0].begin(), 2400);
  EXPECT_EQ(std::count_if(lines[0].begin(), lines[0].end(),
                          [](const std::string& l) { return l.rfind(std::to_string(TK_VIEWPORT) + " ", 0) == 0; }),
            600);
  EXPECT_EQ(std::count_if(lines[0].begin(), lines[0].end(),
                          [](const std::string& l) { return l.rfind(std::to_string(TK_LINE) + " ", 0) == 0; }),
            1200 + 8 * (0 + 1 + 2 + 3 + 4));
}

// Type and handle of every object, one line each.
std::vector<std::string> object_lines(TkDrawing* d) {
  std::vector<std::string> out;
  for (const TkLink* l = list_first(&d->objects); l; l = l->next) {
    const auto* h = static_cast<const TkObjectHeader*>(tk_link_data(l));
    std::string line = std::to_string(h->type);
    for (uint8_t b : h->handle.bytes) line += " " + std::to_string(b);
    out.push_back(line);
  }
  return out;
}

// Later releases write codes of their own into AC1015 files: 64-bit integers (160-169), true
// colours and transparencies (420-429, 440-459), reals (460-469), binary data (311-319) and
// handles (480-481). Each has its fixed size in the binary layout: an entity and an object of a
// class the file does not define that carry them leave everything after them in step, and the
// binary twin loads as the text one.
TEST_F(DxfLoad, CodesOfLaterReleasesKeepTheBinaryReaderInStep) {
  BothDxf f;
  f.s(0, "SECTION").s(2, "HEADER").s(9, "$ACADVER").s(1, "AC1015").s(0, "ENDSEC");
  f.s(0, "SECTION").s(2, "ENTITIES");
  auto later_codes = [&f] {
    f.i64(160, 0x123456789ALL).i32(420, 0x00FF8040).i32(421, 7).i32(440, 0x020000FF);
    f.i32(450, 1).i32(451, 2).d(460, 0.5).d(469, 2.5).bytes(311, {1, 2, 3});
    f.bytes(319, std::vector<uint8_t>(200, 0xAB)).s(480, "1F").s(481, "20");
  };
  f.s(0, "LINE").s(5, "100").s(8, "0").d(10, 1).d(20, 2).d(30, 0);
  later_codes();
  f.d(11, 3).d(21, 4).d(31, 0).s(1001, "ACAD").s(1000, "kept").i16(1070, 5);
  f.s(0, "TEXT").s(5, "101").s(8, "0").d(10, 0).d(20, 0).d(30, 0).d(40, 1).s(1, "after");
  f.s(0, "ENDSEC");
  f.s(0, "SECTION").s(2, "OBJECTS");
  f.s(0, "DICTIONARY").s(5, "C").s(330, "0").s(100, "AcDbDictionary").s(3, "P").s(350, "D0");
  f.s(3, "X").s(350, "D1");
  f.s(0, "ACDBDYNAMICBLOCKPURGEPREVENTER").s(5, "D0").s(330, "C").s(100, "AcDbSomething");
  later_codes();
  f.s(1, "name");
  f.s(0, "XRECORD").s(5, "D1").s(330, "C").s(100, "AcDbXrecord").i16(280, 1).s(1, "kept");
  f.s(0, "ENDSEC").s(0, "EOF");

  std::vector<std::string> entities[2], objects[2];
  for (int binary = 0; binary < 2; ++binary) {
    SCOPED_TRACE(binary ? "binary" : "text");
    TkDrawing* d = binary ? dxf_test::open_bytes(f.binary.out) : dxf_test::open_text(f.text.out);
    ASSERT_NE(d, nullptr) << tk_get_last_error();
    entities[binary] = drawing_lines(d);
    objects[binary] = object_lines(d);
    TkHandle text = {{0, 0, 0, 0, 0, 0, 1, 1}};
    TkEntityHeader h;
    static TkEntityData data;
    ASSERT_EQ(tk_get_entity_by_handle(d, &d->model_entities, &text, &h, &data), 1);
    EXPECT_STREQ(tk_data_text(&data, TK_TEXT_STRING), "after");
    TkHandle line = {{0, 0, 0, 0, 0, 0, 1, 0}};
    ASSERT_EQ(tk_get_entity_by_handle(d, &d->model_entities, &line, &h, &data), 1);
    EXPECT_EQ(tk_data_get<double>(&data, 24), 3.0);  // the end point after the later codes
    EXPECT_NE(h.xdata, nullptr);
    TkHandle xrecord = {{0, 0, 0, 0, 0, 0, 0, 0xD1}};
    TkObjectHeader oh;
    static TkObjectData od;
    EXPECT_EQ(tk_object_get(d, &xrecord, &oh, &od), 1);
    tk_close_drawing(d);
  }
  EXPECT_EQ(entities[1], entities[0]);
  EXPECT_EQ(objects[1], objects[0]);
  EXPECT_EQ(objects[0].size(), 4u);  // with the multiline style "Standard" the load makes
}

// A drawing of a later release is read with the layout of AC1015, the newest the readers know:
// its paper-space viewports keep their settings in their own groups, its paragraph text may end
// with an embedded object whose groups repeat the text's, and a binary one has two-byte codes
// from its first group on.
TEST_F(DxfLoad, ALaterReleaseIsReadWithTheLayoutOfAC1015) {
  BothDxf f;
  f.s(0, "SECTION").s(2, "HEADER").s(9, "$ACADVER").s(1, "AC1032").s(0, "ENDSEC");
  f.s(0, "SECTION").s(2, "ENTITIES");
  f.s(0, "VIEWPORT").s(5, "B1").s(100, "AcDbEntity").i16(67, 1).s(8, "0");
  f.s(100, "AcDbViewport").d(10, 5).d(20, 4).d(30, 0).d(40, 10).d(41, 8).i16(68, 1);
  f.i16(69, 1).d(12, 50).d(22, 40).d(45, 30).i32(90, 32800);
  f.s(0, "MTEXT").s(5, "B2").s(100, "AcDbEntity").s(8, "0").s(100, "AcDbMText");
  f.d(10, 1).d(20, 2).d(30, 0).d(40, 2.5).d(41, 0).s(1, "Hello");
  f.s(101, "Embedded Object").i16(70, 1).d(10, 1).d(20, 0).d(30, 0).d(11, 900).d(21, 800);
  f.d(31, 0).d(40, 0.01).d(41, 0).s(1, "repeated").i16(73, 1);
  f.s(0, "ENDSEC").s(0, "EOF");
  for (int binary = 0; binary < 2; ++binary) {
    SCOPED_TRACE(binary ? "binary" : "text");
    if (d_) tk_close_drawing(d_);
    d_ = binary ? dxf_test::open_bytes(f.binary.out) : dxf_test::open_text(f.text.out);
    ASSERT_NE(d_, nullptr) << tk_get_last_error();
    EXPECT_EQ(d_->version, TK_VERSION_AC1015);
    EXPECT_STREQ(d_->header->acadver, "AC1015");
    TkEntityHeader h;
    TkEntityData data;
    ASSERT_TRUE(entity(0, &h, &data, &d_->paper_entities));
    EXPECT_EQ(h.kind, TK_VIEWPORT);
    EXPECT_EQ(tk_data_get<int16_t>(&data, 10), 1);
    EXPECT_EQ(tk_data_get<int16_t>(&data, TK_VIEWPORT_NUMBER), 1);
    EXPECT_EQ(tk_data_get<double>(&data, 776), 50.0);
    EXPECT_EQ(tk_data_get<double>(&data, 784), 40.0);
    EXPECT_EQ(tk_data_get<double>(&data, 768), 30.0);
    ASSERT_TRUE(entity(0, &h, &data));
    EXPECT_EQ(h.kind, TK_MTEXT);
    EXPECT_EQ(tk_data_get<double>(&data, 0), 1.0);
    EXPECT_EQ(tk_data_get<double>(&data, 8), 2.0);
    EXPECT_EQ(tk_data_get<double>(&data, 48), 2.5);
    EXPECT_STREQ(tk_data_text(&data, TK_MTEXT_STRING), "Hello");
  }
}

// What the error callback heard during a load, with the last error at each call.
std::vector<std::pair<int16_t, int16_t>> heard;
void note_error(int16_t code) { heard.emplace_back(code, tk_get_last_error()); }

// A damaged file gives two records one handle: two layers, two entities, an object and an
// entity. The later record of each pair takes a fresh handle from the seed, the error callback
// hears of it while the last error is 292, and the drawing opens; the handle keeps naming the
// first record.
TEST_F(DxfLoad, ALaterRecordWithATakenHandleGetsAFreshOne) {
  TextDxf f = drawing(
      "AC1015",
      [](TextDxf& t) {
        t.g(0, "TABLE").g(2, "LAYER").g(5, "2").g(70, "3");
        t.g(0, "LAYER").g(5, "10").g(2, "0").g(70, "0");
        t.g(0, "LAYER").g(5, "11").g(2, "WALLS").g(70, "0").g(62, "1");
        t.g(0, "LAYER").g(5, "11").g(2, "DOORS").g(70, "0").g(62, "2");
        t.g(0, "ENDTAB");
      },
      [](TextDxf& t) {
        t.g(0, "LINE").g(5, "100").g(8, "WALLS").g(10, 1.0).g(20, 0.0).g(11, 2.0).g(21, 0.0);
        t.g(0, "LINE").g(5, "100").g(8, "DOORS").g(10, 5.0).g(20, 0.0).g(11, 6.0).g(21, 0.0);
      },
      [](TextDxf& t) {
        t.g(0, "DICTIONARY").g(5, "C").g(330, "0").g(3, "X").g(350, "100");
        t.g(0, "XRECORD").g(5, "100").g(330, "C").g(100, "AcDbXrecord").g(1, "kept");
      });
  const std::string version = "1\nAC1015\n";
  f.out.insert(f.out.find(version) + version.size(), "9\n$HANDSEED\n5\n200\n");
  heard.clear();
  tk_state->error_callback = note_error;
  ASSERT_NE(open(f), nullptr) << tk_get_last_error();
  tk_state->error_callback = nullptr;
  std::vector<std::pair<int16_t, int16_t>> duplicates;
  for (const auto& h : heard)
    if (h.second == TK_ERR_DUPLICATE_HANDLE) duplicates.push_back(h);
  EXPECT_EQ(duplicates.size(), 3u);
  for (const auto& h : duplicates) EXPECT_EQ(h.first, 6);

  TkHandle walls{}, doors{};
  ASSERT_TRUE(tk_layer_find(d_, "WALLS", &walls));
  ASSERT_TRUE(tk_layer_find(d_, "DOORS", &doors));
  EXPECT_EQ(walls.bytes[7], 0x11);
  EXPECT_NE(tk_handle_compare(&walls, &doors), 0);
  TkEntityHeader h;
  static TkEntityData data;
  const TkHandle first = {{0, 0, 0, 0, 0, 0, 1, 0}};
  ASSERT_EQ(tk_get_entity_by_handle(d_, &d_->model_entities, &first, &h, &data), 1);
  EXPECT_EQ(tk_data_get<double>(&data, 0), 1.0);
  EXPECT_EQ(tk_handle_compare(&h.layer, &walls), 0);
  ASSERT_TRUE(entity(1, &h, &data));
  EXPECT_EQ(tk_data_get<double>(&data, 0), 5.0);
  EXPECT_EQ(tk_handle_compare(&h.layer, &doors), 0);
  EXPECT_GE(h.handle.bytes[6], 2);  // from the seed
  int xrecords = 0;
  for (const TkLink* l = list_first(&d_->objects); l; l = l->next) {
    const auto* o = static_cast<const TkObjectHeader*>(tk_link_data(l));
    if (tk_object_data_kind(d_, o->type) != TK_OBJDATA_XRECORD) continue;
    ++xrecords;
    EXPECT_NE(tk_handle_compare(&o->handle, &first), 0);
  }
  EXPECT_EQ(xrecords, 1);
}

// Every prefix of a small drawing is opened: each fails with an error number and leaves nothing
// allocated, unless it already holds the whole of the end marker.
TEST_F(DxfLoad, EveryPrefixFailsCleanly) {
  std::string text = drawing(
      "AC1015",
      [](TextDxf& f) {
        table(f, "LAYER", {[](TextDxf& t) { t.g(5, "10").g(2, "0").g(62, "7"); }});
        table(f, "LTYPE", {[](TextDxf& t) { t.g(5, "11").g(2, "DOT").g(73, "1").g(49, 0.1); }});
      },
      [](TextDxf& f) {
        f.g(0, "LINE").g(5, "20").g(8, "0").g(10, 0.0).g(20, 0.0).g(11, 1.0).g(21, 1.0);
        f.g(0, "LWPOLYLINE").g(5, "21").g(8, "0").g(90, "1").g(10, 0.0).g(20, 0.0);
      },
      [](TextDxf& f) { f.g(0, "DICTIONARY").g(5, "C").g(3, "A").g(350, "D"); })
      .out;
  const size_t eof_end = text.rfind("EOF") + 3;
  for (size_t n = 1; n < text.size(); ++n) {
    SCOPED_TRACE(n);
    long live_before = core_test::counts.live;
    TkDrawing* d = dxf_test::open_text(text.substr(0, n));
    if (n >= eof_end) {
      EXPECT_NE(d, nullptr);
    } else {
      EXPECT_EQ(d, nullptr);
      EXPECT_NE(tk_get_last_error(), 0);
    }
    if (d) tk_close_drawing(d);
    EXPECT_EQ(core_test::counts.live, live_before);
    EXPECT_TRUE(load_test::open_files.empty());
  }
}

// The same for a binary drawing, whose strings end with a zero and whose values have no line.
TEST_F(DxfLoad, EveryPrefixOfABinaryFileFailsCleanly) {
  dxf_test::BinaryDxf b(true);
  b.s(0, "SECTION").s(2, "HEADER").s(9, "$ACADVER").s(1, "AC1015").s(0, "ENDSEC");
  b.s(0, "SECTION").s(2, "TABLES").s(0, "TABLE").s(2, "LAYER").s(0, "LAYER").s(5, "10");
  b.s(2, "0").i16(62, 7).s(0, "ENDTAB").s(0, "ENDSEC");
  b.s(0, "SECTION").s(2, "ENTITIES");
  b.s(0, "LINE").s(5, "20").s(8, "0").d(10, 0.0).d(20, 0.0).d(11, 1.0).d(21, 1.0);
  b.s(1001, "ACAD").d(1010, 1.0).d(1020, 2.0).d(1030, 3.0);
  b.s(0, "LWPOLYLINE").s(5, "21").s(8, "0").raw(90, {1, 0, 0, 0}).d(10, 0.0).d(20, 0.0);
  b.s(0, "ENDSEC");
  b.s(0, "SECTION").s(2, "OBJECTS").s(0, "DICTIONARY").s(5, "C").s(3, "A").s(350, "D");
  b.s(0, "ENDSEC").s(0, "EOF");
  const size_t whole = b.out.size();
  for (size_t n = 1; n < whole; ++n) {
    SCOPED_TRACE(n);
    long live_before = core_test::counts.live;
    std::vector<uint8_t> prefix(b.out.begin(), b.out.begin() + long(n));
    TkDrawing* d = dxf_test::open_bytes(prefix);
    // Only the marker's closing zero may be missing.
    if (n + 1 < whole) {
      EXPECT_EQ(d, nullptr);
      EXPECT_NE(tk_get_last_error(), 0);
    }
    if (d) tk_close_drawing(d);
    EXPECT_EQ(core_test::counts.live, live_before);
    EXPECT_TRUE(load_test::open_files.empty());
  }
  TkDrawing* d = dxf_test::open_bytes(b.out);
  EXPECT_NE(d, nullptr) << tk_get_last_error();
  if (d) tk_close_drawing(d);
}

// The object of a handle with its record; the record stays the drawing's.
TkObjectData object_of(TkDrawing* d, uint8_t handle) {
  TkHandle h = {{0, 0, 0, 0, 0, 0, 0, handle}};
  TkObjectHeader oh;
  TkObjectData od;
  std::memset(&od, 0, sizeof od);
  EXPECT_EQ(tk_object_get(d, &h, &oh, &od), 1) << int(handle);
  return od;
}

std::vector<uint8_t> blob_content(TkBlob* blob) {
  std::vector<uint8_t> out(blob ? static_cast<size_t>(blob_stored_size(blob)) : 0);
  TkBlob* r = blob ? blob_open_read(blob) : nullptr;
  if (r && !blob_read(r, out.data(), out.size())) out.clear();
  if (r) blob_close(r);
  return out;
}

double real_at(const std::vector<uint8_t>& b, size_t at) {
  double v = 0;
  if (at + 8 <= b.size()) std::memcpy(&v, b.data() + at, 8);
  return v;
}

TEST_F(DxfLoad, ClassObjectRecords) {
  TextDxf f;
  f.section("HEADER").g(9, "$ACADVER").g(1, "AC1015").endsec();
  f.section("CLASSES");
  for (const char* name : {"SPATIAL_FILTER", "IMAGEDEF", "LAYOUT", "LAYER_INDEX", "SPATIAL_INDEX"})
    f.g(0, "CLASS").g(1, name).g(2, "x").g(3, "x").g(90, "0").g(280, "0").g(281, "0");
  f.endsec();
  f.section("ENTITIES").endsec();
  f.section("OBJECTS");
  f.g(0, "SPATIAL_FILTER").g(5, "A0").g(330, "C").g(100, "AcDbFilter").g(70, "2");
  f.g(10, 1.0).g(20, 2.0).g(10, 3.0).g(20, 4.0).g(210, 0.0).g(220, 0.0).g(230, 1.0);
  f.g(11, 0.0).g(21, 0.0).g(31, 0.0).g(71, "1").g(72, "0").g(73, "1").g(41, 2.5);
  for (int k = 1; k <= 24; ++k) f.g(40, double(k));
  f.g(0, "IMAGEDEF").g(5, "A1").g(330, "C").g(90, "0").g(1, std::string(700, 'p'));
  f.g(10, 640.0).g(20, 480.0).g(280, "1");
  f.g(0, "LAYOUT").g(5, "A2").g(330, "C").g(100, "AcDbLayout").g(1, "Sheet").g(70, "1");
  f.g(71, "2").g(10, 1.0).g(20, 2.0).g(330, "1F");
  f.g(0, "LAYOUT").g(5, "A3").g(330, "C").g(100, "AcDbPlotSettings").g(1, std::string(600, 's'));
  f.g(40, 7.5).g(100, "AcDbLayout").g(1, "Plotted");
  f.g(0, "LAYER_INDEX").g(5, "A4").g(330, "C").g(100, "AcDbIndex").g(40, 10.25);
  f.g(100, "AcDbLayerIndex").g(8, "0").g(360, "B1").g(90, "3").g(8, "WALLS").g(360, "B2");
  f.g(90, "12");
  f.g(0, "SPATIAL_INDEX").g(5, "A5").g(330, "C").g(100, "AcDbIndex").g(40, -2.5);
  f.endsec().eof();
  ASSERT_NE(open(f), nullptr) << tk_get_last_error();

  TkObjectData filter = object_of(d_, 0xA0);
  const TkSpatialFilterData& sf = filter.spatial_filter;
  EXPECT_EQ(sf.point_count, 2);
  EXPECT_EQ(sf.front_distance, 0.0);  // 72 = 0 directly followed by 73: no front distance
  EXPECT_EQ(sf.back_distance, 2.5);
  const double rows[12] = {1, 5, 9, 2, 6, 10, 3, 7, 11, 4, 8, 12};
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(sf.inverse_block_transform[i], rows[i]) << i;
    EXPECT_EQ(sf.clip_transform[i], rows[i] + 12) << i;
  }
  std::vector<uint8_t> points = blob_content(sf.points);
  ASSERT_EQ(points.size(), 32u);
  EXPECT_EQ(real_at(points, 0), 1.0);
  EXPECT_EQ(real_at(points, 24), 4.0);

  TkObjectData image = object_of(d_, 0xA1);
  EXPECT_EQ(strnlen(image.imagedef.path, sizeof image.imagedef.path), 511u);  // cut
  EXPECT_EQ(image.imagedef.image_size[0], 640.0);
  EXPECT_EQ(image.imagedef.loaded, 1);

  // Without its plot settings a layout keeps their defaults; with them, the names are cut.
  TkObjectData plain = object_of(d_, 0xA2);
  TkObjectData plotted = object_of(d_, 0xA3);
  EXPECT_STREQ(plain.layout.name, "Sheet");
  EXPECT_EQ(plain.layout.flags, 1);
  EXPECT_EQ(plain.layout.tab_order, 2);
  EXPECT_EQ(plain.layout.limits_min[1], 2.0);
  EXPECT_EQ(plain.layout.block_record.bytes[7], 0x1F);
  EXPECT_EQ(plain.layout.plot.page_setup[0], 0);
  EXPECT_EQ(plain.layout.plot.scale_factor, 1.0);
  EXPECT_STREQ(plotted.layout.name, "Plotted");
  EXPECT_EQ(strnlen(plotted.layout.plot.page_setup, 512), 511u);
  EXPECT_EQ(plotted.layout.plot.margins[0], 7.5);

  // Time stamps as whole days and the milliseconds of the rest, both toward zero.
  TkObjectData index = object_of(d_, 0xA4);
  const TkLayerIndexData& x = index.layer_index;
  EXPECT_EQ(x.entry_count, 2u);
  EXPECT_EQ(x.stamp.days, 10);
  EXPECT_EQ(x.stamp.msec, 21600000);
  std::vector<uint8_t> entries = blob_content(x.entries);
  ASSERT_EQ(entries.size(), (4u + 2 + 1) + (4 + 2 + 5));
  int32_t count = 0;
  std::memcpy(&count, entries.data() + 7, 4);
  EXPECT_EQ(entries[0], 3);
  EXPECT_EQ(count, 12);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(entries.data() + 13), 5), "WALLS");
  EXPECT_EQ(blob_stored_size(x.handles), 16);
  TkObjectData spatial = object_of(d_, 0xA5);
  EXPECT_EQ(spatial.spatial_index.stamp.days, -2);
  EXPECT_EQ(spatial.spatial_index.stamp.msec, -43200000);
}

// A SHAPE names its shape and an MLINE its multiline style; the styles come in the OBJECTS
// section after the entities.
TEST_F(DxfLoad, ShapesAndMlinesFindWhatTheyNameByName) {
  static std::string asked;
  tk_state->shape_lookup = [](TkDrawing*, const char* name, uint16_t* number, TkHandle* style) {
    asked = name;
    *number = 7;
    *style = TkHandle{};
    return int16_t{1};
  };
  TextDxf f = drawing(
      "AC1015", nullptr,
      [](TextDxf& e) {
        e.g(0, "SHAPE").g(5, "30").g(8, "0").g(2, "BOX").g(10, 1.0).g(20, 2.0).g(30, 0.0);
        e.g(40, 1.0);
        e.g(0, "MLINE").g(5, "31").g(8, "0").g(100, "AcDbMline").g(2, "DOUBLE").g(40, 1.0);
        e.g(70, "0").g(71, "1").g(72, "0").g(73, "2").g(10, 0.0).g(20, 0.0).g(30, 0.0);
      },
      [](TextDxf& o) {
        o.g(0, "MLINESTYLE").g(5, "40").g(100, "AcDbMlineStyle").g(2, "Double").g(70, "0");
        o.g(3, "").g(62, "256").g(51, 90.0).g(52, 90.0).g(71, "0");
      });
  ASSERT_NE(open(f), nullptr) << tk_get_last_error();
  tk_state->shape_lookup = nullptr;
  EXPECT_EQ(asked, "BOX");
  TkEntityHeader h;
  static TkEntityData data;
  ASSERT_TRUE(entity(0, &h, &data));
  ASSERT_EQ(h.kind, TK_SHAPE);
  EXPECT_EQ(tk_data_get<uint16_t>(&data, TK_SHAPE_NUMBER), 7);
  ASSERT_TRUE(entity(1, &h, &data));
  ASSERT_EQ(h.kind, TK_MLINE);
  TkHandle style = tk_data_get<TkHandle>(&data, TK_MLINE_STYLE);
  EXPECT_EQ(style.bytes[7], 0x40) << "the style of that name, without regard to case";
}

TEST_F(DxfLoad, EntitiesOfUnreadClassesKeepTheirGroupsAsProxies) {
  TextDxf f;
  f.section("HEADER").g(9, "$ACADVER").g(1, "AC1015").endsec();
  f.section("CLASSES");
  f.g(0, "CLASS").g(1, "ACAD_PROXY_ENTITY").g(2, "AcDbProxyEntity").g(3, "x").g(90, "3");
  f.g(280, "1").g(281, "1");
  f.endsec();
  f.section("ENTITIES");
  f.g(0, "ACAD_PROXY_ENTITY").g(5, "50").g(330, "1F").g(100, "AcDbEntity").g(8, "0");
  f.g(100, "AcDbProxyEntity").g(90, "498").g(91, "520").g(92, "8").g(310, "0102030405060708");
  f.g(10, 1.0).g(20, 2.0).g(30, 3.0).g(40, 4.5).g(1, "label").g(340, "2A").g(350, "2B");
  // A type no class names still keeps its place in the drawing.
  f.g(0, "NEWTHING").g(5, "51").g(8, "0").g(70, "1");
  f.endsec().eof();
  ASSERT_NE(open(f), nullptr) << tk_get_last_error();
  TkClassRecord c;
  ASSERT_TRUE(class_find(d_, "ACAD_PROXY_ENTITY", &c));
  TkEntityHeader h;
  TkEntityData data;
  ASSERT_TRUE(entity(0, &h, &data));
  EXPECT_EQ(h.kind, 498);
  EXPECT_EQ(tk_data_get<uint32_t>(&data, 0), c.number);
  EXPECT_GT(tk_data_get<uint32_t>(&data, 4), 64u);  // two longs and the groups, in bits
  ASSERT_NE(tk_data_blob(&data, 16), nullptr);
  EXPECT_EQ(tk_data_get<uint32_t>(&data, 8), 1u);
  EXPECT_EQ(blob_stored_size(tk_data_blob(&data, 24)), 8);  // the proxy graphics
  EXPECT_EQ(tk_data_get<uint32_t>(&data, 12), 2u);
  EXPECT_EQ(blob_stored_size(tk_data_blob(&data, 32)), 16);  // two handles after AcDbEntity
  ASSERT_TRUE(entity(1, &h, &data));
  EXPECT_EQ(h.kind, 498);
  TkClassRecord made;
  ASSERT_TRUE(class_find(d_, "NEWTHING", &made));
  EXPECT_EQ(tk_data_get<uint32_t>(&data, 0), made.number);
}

// A damaged file may give thousands of records whose type names no class defines, or none at
// all. Each name made a class record of three 512-byte names, searched twice by every record
// after it, and each nameless 3-byte record was kept as a proxy: a fuzzed file of 844 KB held
// 36,000 of them. A nameless record is passed over, and so are those of undefined names once
// the load has made a few hundred classes.
TEST_F(DxfLoad, NamelessRecordsAndUndefinedClassesPastTheBoundArePassedOver) {
  auto file = [](int names, int nameless) {
    dxf_test::BinaryDxf b(true);
    b.s(0, "SECTION").s(2, "HEADER").s(9, "$ACADVER").s(1, "AC1015").s(0, "ENDSEC");
    b.s(0, "SECTION").s(2, "ENTITIES");
    for (int i = 0; i < names; ++i) b.s(0, "Q" + std::to_string(i)).s(8, "0");
    for (int i = 0; i < nameless; ++i) b.s(0, "");
    b.s(0, "LINE").s(8, "0").d(10, 1.0).d(20, 2.0).d(11, 3.0).d(21, 4.0);
    b.s(0, "ENDSEC").s(0, "EOF");
    return b.out;
  };
  struct Case {
    int names, nameless;
    int32_t classes_made;
  };
  const Case cases[] = {{0, 0, 0}, {0, 2000, 0}, {300, 0, 256}, {2000, 0, 256}};
  int32_t default_classes = -1;
  long plain_allocations = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE("names " + std::to_string(c.names) + ", nameless " + std::to_string(c.nameless));
    if (d_) tk_close_drawing(d_);
    long before = core_test::counts.calls;
    d_ = dxf_test::open_bytes(file(c.names, c.nameless));
    ASSERT_NE(d_, nullptr) << tk_get_last_error();
    long allocations = core_test::counts.calls - before;
    if (default_classes < 0) {
      default_classes = class_list_count(d_);
      plain_allocations = allocations;
    }
    EXPECT_EQ(class_list_count(d_) - default_classes, c.classes_made);
    dxf_test::Counts counts = dxf_test::count_entities(d_, &d_->model_entities);
    EXPECT_EQ(counts["LINE"], 1);  // the record after them is read
    int proxies = 0;
    for (const auto& [name, n] : counts)
      if (name != "LINE") proxies += n;
    EXPECT_EQ(proxies, c.classes_made);
    TkClassRecord record;
    EXPECT_FALSE(class_find(d_, "", &record));
    if (c.nameless) {
      EXPECT_LT(allocations - plain_allocations, 50);  // not one per record
    }
  }
  TkClassRecord record;
  EXPECT_TRUE(class_find(d_, "Q255", &record));
  EXPECT_FALSE(class_find(d_, "Q256", &record));
}

// A zombie stands for an entity of a class whose program was missing: it keeps that class and
// the bytes of its data groups, not the groups themselves.
TEST_F(DxfLoad, ZombieEntitiesKeepTheirClassAndData) {
  TextDxf f;
  f.section("HEADER").g(9, "$ACADVER").g(1, "AC1015").endsec();
  f.section("CLASSES");
  f.g(0, "CLASS").g(1, "MYTHING").g(2, "MyThing").g(3, "x").g(90, "0").g(280, "0").g(281, "1");
  f.endsec();
  f.section("ENTITIES");
  f.g(0, "ACAD_ZOMBIE_ENTITY").g(5, "50").g(330, "1F").g(100, "AcDbEntity").g(8, "0");
  f.g(100, "AcDbZombieEntity").g(90, "498").g(91, "500").g(92, "2").g(310, "ABCD");
  f.g(93, "48").g(310, "010203").g(310, "040506").g(330, "2A");
  f.endsec().eof();
  ASSERT_NE(open(f), nullptr) << tk_get_last_error();
  TkClassRecord c;
  ASSERT_TRUE(class_find(d_, "MYTHING", &c));
  ASSERT_EQ(c.number, 500);
  TkEntityHeader h;
  TkEntityData data;
  ASSERT_TRUE(entity(0, &h, &data));
  EXPECT_EQ(h.kind, 498);
  EXPECT_EQ(tk_data_get<uint32_t>(&data, 0), 500u);
  EXPECT_EQ(tk_data_get<uint32_t>(&data, 4), 48u);  // the data's bits
  TkBlob* r = blob_open_read(tk_data_blob(&data, 16));
  ASSERT_NE(r, nullptr);
  uint8_t bytes[6] = {};
  ASSERT_TRUE(blob_read(r, bytes, sizeof bytes));
  blob_close(r);
  EXPECT_EQ(bytes[0], 0x01);
  EXPECT_EQ(bytes[5], 0x06);
  EXPECT_EQ(blob_stored_size(tk_data_blob(&data, 24)), 2);  // the proxy graphics
  EXPECT_EQ(tk_data_get<uint32_t>(&data, 12), 1u);          // one handle
}

TEST_F(DxfLoad, HatchPathsPatternAndSeeds) {
  TextDxf f;
  f.section("HEADER").g(9, "$ACADVER").g(1, "AC1015").endsec();
  f.section("CLASSES");
  f.g(0, "CLASS").g(1, "HATCH").g(2, "AcDbHatch").g(3, "x").g(90, "0").g(280, "0").g(281, "1");
  f.endsec();
  f.section("ENTITIES");
  f.g(0, "HATCH").g(5, "60").g(8, "0").g(10, 0.0).g(20, 0.0).g(30, 2.0).g(2, "ANSI31").g(70, "0");
  f.g(71, "0").g(91, "2");
  f.g(92, "2").g(72, "1").g(73, "1").g(93, "2").g(10, 0.0).g(20, 0.0).g(42, 0.5);
  f.g(10, 1.0).g(20, 0.0).g(42, 0.0).g(97, "0");
  f.g(92, "1").g(93, "2").g(72, "1").g(10, 0.0).g(20, 0.0).g(11, 1.0).g(21, 1.0);
  f.g(72, "2").g(10, 0.0).g(20, 0.0).g(40, 1.0).g(50, 0.0).g(51, 90.0).g(73, "1");
  f.g(97, "1").g(330, "2A");
  f.g(75, "1").g(76, "1").g(52, 45.0).g(41, 2.0).g(77, "0").g(78, "1");
  f.g(53, 45.0).g(43, 0.0).g(44, 0.0).g(45, -0.1).g(46, 0.1).g(79, "0");
  f.g(98, "2").g(10, 0.25).g(20, 0.5).g(10, 0.75).g(20, 1.0);
  // A path count larger than the paths: the next entity is not taken for one.
  f.g(0, "HATCH").g(5, "61").g(8, "0").g(91, "1000");
  f.g(0, "LINE").g(5, "62").g(8, "0").g(10, 0.0).g(20, 0.0).g(11, 1.0).g(21, 1.0);
  f.endsec().eof();
  ASSERT_NE(open(f), nullptr) << tk_get_last_error();
  TkEntityHeader h;
  TkEntityData data;
  ASSERT_TRUE(entity(0, &h, &data));
  EXPECT_EQ(h.kind, tk_class_hatch(d_));
  EXPECT_EQ(tk_data_get<double>(&data, 16), 2.0);
  EXPECT_STREQ(tk_data_text(&data, 24), "ANSI31");
  EXPECT_EQ(tk_data_get<uint32_t>(&data, 292), 2u);
  EXPECT_NEAR(tk_data_get<double>(&data, 304), kPi / 4, 1e-15);
  EXPECT_EQ(tk_data_get<double>(&data, 312), 2.0);
  EXPECT_EQ(tk_data_get<int16_t>(&data, 290), 1);
  EXPECT_EQ(tk_data_get<uint32_t>(&data, 296), 2u);
  EXPECT_EQ(blob_stored_size(tk_data_blob(&data, 592)), 32);  // two seed points of 16 bytes
  EXPECT_EQ(blob_stored_size(tk_data_blob(&data, 576)), 8);   // one source handle
  // Path 1: flags, bulge and closed flags, count, two vertices with bulges; path 2: flags, edge
  // count, a line edge and an arc edge with its angles in radians and its direction; each path
  // ends with its source-object count.
  EXPECT_EQ(blob_stored_size(tk_data_blob(&data, 544)),
            4 + 2 + 2 + 4 + 2 * 24 + 4 + 4 + 4 + (2 + 32) + (2 + 24 + 16 + 2) + 4);
  EXPECT_EQ(tk_data_get<uint32_t>(&data, TK_HATCH_SOURCE_COUNT), 1u);
  ASSERT_TRUE(entity(1, &h, &data));
  EXPECT_EQ(h.kind, tk_class_hatch(d_));
  ASSERT_TRUE(entity(2, &h, &data));
  EXPECT_EQ(h.kind, TK_LINE);
}

// Spline edges: a rational one keeps a weight after each control point; newer files' fit
// data after an edge is passed over, and the path's own source count after a spline without
// fit data is not taken for it.
TEST_F(DxfLoad, HatchSplineEdges) {
  TextDxf f;
  f.section("HEADER").g(9, "$ACADVER").g(1, "AC1015").endsec();
  f.section("CLASSES");
  f.g(0, "CLASS").g(1, "HATCH").g(2, "AcDbHatch").g(3, "x").g(90, "0").g(280, "0").g(281, "1");
  f.endsec();
  f.section("ENTITIES");
  f.g(0, "HATCH").g(5, "60").g(8, "0").g(2, "SOLID").g(70, "1").g(71, "1").g(91, "2");
  f.g(92, "1").g(93, "1").g(72, "4").g(94, "2").g(73, "1").g(74, "0").g(95, "6").g(96, "3");
  for (double k : {0.0, 0.0, 0.0, 1.0, 1.0, 1.0}) f.g(40, k);
  f.g(10, 0.0).g(20, 0.0).g(42, 1.0).g(10, 1.0).g(20, 1.0).g(42, 0.5);
  f.g(10, 2.0).g(20, 0.0).g(42, 1.0);
  f.g(97, "2").g(11, 0.0).g(21, 0.0).g(11, 2.0).g(21, 0.0).g(12, 1.0).g(22, 1.0);
  f.g(13, 1.0).g(23, -1.0);
  f.g(97, "1").g(330, "2A");
  f.g(92, "1").g(93, "1").g(72, "4").g(94, "1").g(73, "0").g(74, "0").g(95, "4").g(96, "2");
  for (double k : {0.0, 0.0, 1.0, 1.0}) f.g(40, k);
  f.g(10, 0.0).g(20, 0.0).g(10, 1.0).g(20, 0.0);
  f.g(97, "1").g(330, "2B");
  f.g(75, "1").g(76, "1").g(98, "1").g(10, 0.5).g(20, 0.25);
  f.g(0, "LINE").g(5, "62").g(8, "0").g(10, 0.0).g(20, 0.0).g(11, 1.0).g(21, 1.0);
  f.endsec().eof();
  ASSERT_NE(open(f), nullptr) << tk_get_last_error();
  TkEntityHeader h;
  TkEntityData data;
  ASSERT_TRUE(entity(0, &h, &data));
  ASSERT_EQ(h.kind, tk_class_hatch(d_));
  EXPECT_EQ(tk_data_get<int16_t>(&data, 284), 1);  // the style after the paths
  EXPECT_EQ(blob_stored_size(tk_data_blob(&data, 576)), 16);  // both source handles
  EXPECT_EQ(tk_data_get<uint32_t>(&data, 296), 1u);           // and the seed point
  // Per path: flags, edge count, the edge's type, the spline's head (degree, two flags, two
  // counts), its knots and its control points (with weights when rational), the source count.
  const int32_t head = 4 + 2 + 2 + 4 + 4;
  EXPECT_EQ(blob_stored_size(tk_data_blob(&data, 544)),
            (4 + 4 + 2 + head + 6 * 8 + 3 * 24 + 4) + (4 + 4 + 2 + head + 4 * 8 + 2 * 16 + 4));
  TkBlob* r = blob_open_read(tk_data_blob(&data, 544));
  ASSERT_NE(r, nullptr);
  uint8_t skip[4 + 4 + 2 + head + 6 * 8];
  ASSERT_TRUE(blob_read(r, skip, sizeof skip));
  double controls[9];
  ASSERT_TRUE(blob_read(r, controls, sizeof controls));
  blob_close(r);
  EXPECT_EQ(controls[3], 1.0);
  EXPECT_EQ(controls[5], 0.5);  // the middle point's weight
  EXPECT_EQ(controls[6], 2.0);
  ASSERT_TRUE(entity(1, &h, &data));
  EXPECT_EQ(h.kind, TK_LINE);
}

TEST_F(DxfLoad, ImagesAndEmbeddedObjects) {
  TextDxf f;
  f.section("HEADER").g(9, "$ACADVER").g(1, "AC1015").endsec();
  f.section("CLASSES");
  for (const char* name : {"IMAGE", "OLE2FRAME"})
    f.g(0, "CLASS").g(1, name).g(2, "x").g(3, "x").g(90, "0").g(280, "0").g(281, "1");
  f.endsec();
  f.section("ENTITIES");
  f.g(0, "IMAGE").g(5, "70").g(8, "0").g(10, 1.0).g(20, 2.0).g(30, 0.0).g(11, 0.5).g(21, 0.0);
  f.g(31, 0.0).g(12, 0.0).g(22, 0.5).g(32, 0.0).g(13, 640.0).g(23, 480.0).g(340, "7A");
  f.g(70, "7").g(280, "0").g(281, "50").g(360, "7B").g(71, "2").g(91, "3");
  f.g(14, 0.0).g(24, 0.0).g(14, 10.0).g(24, 0.0).g(14, 5.0).g(24, 5.0);
  f.g(0, "OLE2FRAME").g(5, "71").g(8, "0").g(70, "2").g(10, 1.0).g(20, 2.0).g(30, 0.0);
  f.g(11, 3.0).g(21, 4.0).g(31, 0.0).g(90, "381");
  for (int i = 0; i < 3; ++i) f.g(310, std::string(254, 'A'));
  f.g(1, "OLE");
  f.endsec().eof();
  ASSERT_NE(open(f), nullptr) << tk_get_last_error();
  TkEntityHeader h;
  TkEntityData data;
  ASSERT_TRUE(entity(0, &h, &data));
  // Both in the records the DWG reader fills.
  EXPECT_EQ(h.kind, tk_class_image(d_));
  EXPECT_EQ(tk_data_get<double>(&data, DWG13_IMAGE_INSERTION + 8), 2.0);
  EXPECT_EQ(tk_data_get<double>(&data, DWG13_IMAGE_U), 0.5);
  EXPECT_EQ(tk_data_get<double>(&data, DWG13_IMAGE_V + 8), 0.5);
  EXPECT_EQ(tk_data_get<double>(&data, DWG13_IMAGE_SIZE + 8), 480.0);
  EXPECT_EQ(tk_data_get<int16_t>(&data, DWG13_IMAGE_DISPLAY), 7);
  EXPECT_EQ(tk_data_get<int16_t>(&data, DWG13_IMAGE_CLIP_TYPE), 2);
  EXPECT_EQ(tk_data_get<uint8_t>(&data, DWG13_IMAGE_BRIGHTNESS), 50);
  EXPECT_EQ(tk_data_get<uint32_t>(&data, DWG13_IMAGE_CLIP_COUNT), 3u);
  EXPECT_EQ(blob_stored_size(tk_data_blob(&data, DWG13_IMAGE_CLIP)), 48);
  ASSERT_TRUE(entity(1, &h, &data));
  EXPECT_EQ(h.kind, tk_class_ole2frame(d_));
  EXPECT_EQ(tk_data_get<int16_t>(&data, DWG13_OLE_FLAGS), 2);
  EXPECT_EQ(tk_data_get<uint32_t>(&data, DWG13_OLE_LENGTH), 381u);  // what the 310 groups hold
  EXPECT_EQ(tk_data_get<double>(&data, DWG13_OLE_CORNER1), 1.0);
  EXPECT_EQ(tk_data_get<double>(&data, DWG13_OLE_CORNER2 + 8), 4.0);
}

}  // namespace

namespace {

// The viewport entities the entities scan listed, one record each: name, handle and status,
// a status of 0 marking the viewport off; the list then runs out.
TEST_F(DxfLoad, ViewportEntityRecords) {
  TextDxf f;
  f.section("HEADER").g(9, "$ACADVER").g(1, "AC1015").endsec();
  f.section("ENTITIES");
  f.g(0, "VIEWPORT").g(5, "B1").g(67, "1").g(10, 1.0).g(20, 2.0).g(68, "1").g(69, "1");
  f.g(0, "VIEWPORT").g(5, "B2").g(67, "1").g(2, "DETAIL").g(68, "0").g(69, "2");
  f.endsec().eof();
  ASSERT_NE(open(f), nullptr) << tk_get_last_error();
  // The load has closed the file: the records are read from it opened again, as the load would.
  TkViewportEntityHeader none{};
  ASSERT_EQ(dxf_begin_viewport_entities(d_), 1);
  EXPECT_EQ(dxf_read_viewport_entity(d_, &none), 0);
  d_->file = file_open("mem.dxf");
  ASSERT_NE(d_->file, nullptr);
  struct Expect {
    uint8_t handle;
    const char* name;
    int16_t status;
    uint8_t on;
  } const expected[] = {{0xB1, "", 1, 1}, {0xB2, "DETAIL", 0, 0}};
  for (const Expect& e : expected) {
    TkViewportEntityHeader r;
    std::memset(&r, 0x5A, sizeof r);
    ASSERT_EQ(dxf_read_viewport_entity(d_, &r), 1) << int(e.handle);
    EXPECT_EQ(r.viewport.bytes[7], e.handle);
    EXPECT_STREQ(r.name, e.name);
    EXPECT_EQ(r.viewport_number, e.status);
    EXPECT_EQ(r.flags & 1, e.on);
  }
  TkViewportEntityHeader r{};
  EXPECT_EQ(dxf_read_viewport_entity(d_, &r), 0);
  file_close(d_->file);
  d_->file = nullptr;
}

}  // namespace

namespace {

// Objects the toolkit keeps raw: a proxy takes the class its group 91 names and keeps the data
// of its 310 groups (as many bits as group 93 gives) with its handle references; an object of a
// class the file defines keeps that class's number and its groups as a bit stream; one of no
// class at all is a proxy object (499), not an object of type 100.
TEST_F(DxfLoad, ProxyAndUnknownObjectsKeepTheirDataRaw) {
  TextDxf f;
  f.section("HEADER").g(9, "$ACADVER").g(1, "AC1015").endsec();
  f.section("CLASSES");
  f.g(0, "CLASS").g(1, "SOMETHINGNEW").g(2, "AcDbSomething").g(3, "x").g(90, "0");
  f.g(280, "0").g(281, "0").endsec();
  f.section("ENTITIES").endsec();
  f.section("OBJECTS");
  f.g(0, "ACAD_PROXY_OBJECT").g(5, "A0").g(330, "C").g(100, "AcDbProxyObject").g(90, "499");
  f.g(91, "500").g(95, "0").g(70, "0").g(93, "28").g(310, "01020304").g(330, "E1");
  f.g(340, "E2").g(350, "E3").g(360, "E4").g(94, "0");
  f.g(0, "SOMETHINGNEW").g(5, "A1").g(330, "C").g(100, "AcDbSomething").g(1, "name");
  f.g(10, 1.0).g(20, 2.0).g(30, 3.0).g(70, "3").g(360, "E6");
  f.g(0, "NOCLASSFORTHIS").g(5, "A2").g(330, "C").g(1, "x");
  f.endsec().eof();
  ASSERT_NE(open(f), nullptr) << tk_get_last_error();
  struct Expect {
    uint8_t handle;
    uint16_t type;
    uint32_t bits;  // 0: a stream of the groups, of any length
    std::vector<uint8_t> refs;  // the last byte of each reference's handle, then its kind
  } const expected[] = {
      {0xA0, 500, 28, {0xE1, TK_REF_SOFT_POINTER, 0xE2, TK_REF_HARD_POINTER, 0xE3,
                       TK_REF_SOFT_OWNER, 0xE4, TK_REF_HARD_OWNER}},
      {0xA1, 500, 0, {0xE6, TK_REF_HARD_OWNER}},
      {0xA2, 499, 0, {}},
  };
  for (const Expect& e : expected) {
    SCOPED_TRACE(int(e.handle));
    TkHandle h = {{0, 0, 0, 0, 0, 0, 0, e.handle}};
    TkObjectHeader oh;
    TkObjectData od;
    ASSERT_EQ(tk_object_get(d_, &h, &oh, &od), 1);
    EXPECT_EQ(oh.type, e.type);
    EXPECT_EQ(oh.owner.bytes[7], 0xC);
    if (e.bits) {
      EXPECT_EQ(od.generic.bit_length, e.bits);
      EXPECT_EQ(blob_content(od.generic.data), (std::vector<uint8_t>{1, 2, 3, 4}));
    } else {
      // The class's flags and number (36 bits at least), then the groups.
      EXPECT_GT(od.generic.bit_length, 36u);
    }
    std::vector<uint8_t> refs = blob_content(od.generic.handles), got;
    for (size_t i = 0; i + 9 <= refs.size(); i += 9)
      got.insert(got.end(), {refs[i + 7], refs[i + 8]});
    EXPECT_EQ(got, e.refs);
  }
}

}  // namespace
