// One drawing in three files: its DWG, the text DXF and the binary DXF that its own CAD program
// wrote of it. Every object of a kind with a typed record must come out of each file as the
// same record. The twins of the shared test data, where present; skipped where it is absent.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "tests/support/TestData.h"
#include "tests/toolkit/core/core_support.h"
#include "tests/toolkit/read/dwg13_drawing.h"
#include "tests/toolkit/read/dxf_support.h"
#include "tests/toolkit/read/object_records.h"
#include "toolkit/core/error.h"
#include "toolkit/core/object.h"

namespace {

using object_records::describe;

struct Loaded {
  std::map<std::string, std::string> records;  // "kind handle" -> record text
  std::map<int, int> kinds;                    // objects per kind
};

std::string key_of(int kind, const TkHandle& h) {
  object_records::Text t;
  t.handle("", h);
  return std::to_string(kind) + t.out;
}

// The typed class objects (and plot settings) of the drawing in a file of the test data.
bool load(const std::string& relative, const char* memory_name, Loaded* out) {
  std::vector<unsigned char> bytes;
  if (!vvtest::ReadWholeFile(vvtest::TestDataPath(relative), bytes)) return false;
  TkDrawing* d = dxf_test::open_bytes(std::vector<uint8_t>(bytes.begin(), bytes.end()),
                                      memory_name);
  EXPECT_NE(d, nullptr) << relative << ": error " << tk_get_last_error();
  if (!d) return false;
  tk_object_rewind(d);
  TkObjectHeader h;
  TkObjectData data;
  while (tk_object_next(d, &h, &data)) {
    TkObjectDataKind kind = tk_object_data_kind(d, h.type);
    if (kind == TK_OBJDATA_DICTIONARY || kind == TK_OBJDATA_MLINESTYLE ||
        kind == TK_OBJDATA_GROUP || kind == TK_OBJDATA_XRECORD || kind == TK_OBJDATA_GENERIC)
      continue;
    std::string text = describe(kind, h, data);
    // The DXF writer of the test data spells the values of dictionary variables in its own
    // case ("Standard" for a DWG's "STANDARD").
    if (kind == TK_OBJDATA_DICTIONARYVAR)
      for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    out->records[key_of(kind, h.handle)] = text;
    ++out->kinds[kind];
  }
  tk_close_drawing(d);
  return true;
}

class ObjectTwins : public ::testing::Test {
 protected:
  void SetUp() override {
    core_test::counts = core_test::Counts{};
    ASSERT_TRUE(dxf_test::start_toolkit(core_test::counting_alloc, core_test::counting_free));
  }
  void TearDown() override {
    dxf_test::stop_toolkit();
    EXPECT_EQ(core_test::counts.live, 0) << "blocks left allocated";
  }
};

TEST_F(ObjectTwins, TestDataTwinsGiveEqualRecords) {
  VV_REQUIRE_TESTDATA();
  const char* const names[] = {"2000_entities-2d", "2000_Leader", "2000_PolyLine3D",
                               "example_2000", "sample_2000", "example_r13"};
  std::map<int, int> compared;
  for (const char* name : names) {
    SCOPED_TRACE(name);
    Loaded dwg;
    if (!load(std::string("dwg/") + name + ".dwg", "twin.dwg", &dwg)) continue;
    const std::string others[] = {std::string("dxf/") + name + ".dxf",
                                  std::string("dxf-binary/") + name + ".bin.dxf"};
    for (const std::string& other : others) {
      Loaded dxf;
      if (!load(other, "twin.dxf", &dxf)) continue;
      SCOPED_TRACE(other);
      for (const auto& r : dwg.records) {
        auto it = dxf.records.find(r.first);
        // The DXF writer leaves some objects out (and may write others): only the objects of
        // both files are compared.
        if (it == dxf.records.end()) continue;
        EXPECT_EQ(r.second, it->second) << r.first;
        ++compared[std::stoi(r.first.substr(0, r.first.find(' ')))];
      }
    }
  }
  for (const auto& c : compared)
    std::printf("kind %d: %d objects compared\n", c.first, c.second);
  if (!vvtest::TestDataRoot().empty()) {
    // The release 2000 twins hold layouts and their dictionary with a default at least.
    EXPECT_GT(compared[TK_OBJDATA_LAYOUT], 0);
    EXPECT_GT(compared[TK_OBJDATA_DICTIONARYWDFLT], 0);
  }
}

// ---- Twins made here, one per kind the test data lacks ----

using Groups = std::vector<std::pair<int, std::string>>;

std::string num(double v) {
  char b[40];
  std::snprintf(b, sizeof b, "%.17g", v);
  return b;
}

// The groups as a text DXF and as a binary DXF of release 2000, with the class of the object's
// type name in its CLASSES section.
std::vector<uint8_t> dxf_of(const std::string& name, const Groups& groups, bool binary) {
  Groups all = {{0, "SECTION"}, {2, "HEADER"},  {9, "$ACADVER"}, {1, "AC1015"},
                {0, "ENDSEC"},  {0, "SECTION"}, {2, "CLASSES"},  {0, "CLASS"},
                {1, name},      {2, "AcDb" + name}, {3, "Vellview test"}, {90, "0"},
                {280, "0"},     {281, "0"},     {0, "ENDSEC"},   {0, "SECTION"},
                {2, "ENTITIES"}, {0, "ENDSEC"}, {0, "SECTION"},  {2, "OBJECTS"},
                {0, name},      {5, "A0"},      {330, "C"}};
  all.insert(all.end(), groups.begin(), groups.end());
  all.insert(all.end(), {{0, "ENDSEC"}, {0, "EOF"}});
  if (!binary) {
    dxf_test::TextDxf t;
    for (const auto& g : all) t.g(g.first, g.second);
    return std::vector<uint8_t>(t.out.begin(), t.out.end());
  }
  dxf_test::BinaryDxf b(true);
  for (const auto& g : all) {
    int c = g.first;
    if ((c >= 10 && c <= 59) || (c >= 110 && c <= 149) || (c >= 210 && c <= 239)) {
      b.d(c, std::strtod(g.second.c_str(), nullptr));
    } else if ((c >= 60 && c <= 79) || (c >= 170 && c <= 179) || (c >= 270 && c <= 289)) {
      b.i16(c, int16_t(std::strtol(g.second.c_str(), nullptr, 10)));
    } else if (c >= 90 && c <= 99) {
      int32_t v = int32_t(std::strtol(g.second.c_str(), nullptr, 10));
      std::vector<uint8_t> bytes(4);
      std::memcpy(bytes.data(), &v, 4);
      b.raw(c, bytes);
    } else if (c == 310) {
      std::vector<uint8_t> bytes = {uint8_t(g.second.size() / 2)};
      for (size_t i = 0; i + 1 < g.second.size(); i += 2)
        bytes.push_back(uint8_t(std::stoi(g.second.substr(i, 2), nullptr, 16)));
      b.raw(c, bytes);
    } else {
      b.s(c, g.second);
    }
  }
  return b.out;
}

using dwg13_fixture::Writes;

void put_handle(TkBitWriter* w, uint64_t v, uint8_t code) {
  TkHandle h = dwg13_fixture::handle_of(v);
  bits_write_handle(w, &h, code);
}

// The object as the one class object of an AC1015 drawing, owned by C.
std::vector<uint8_t> dwg_of(const std::string& name, const Writes& data, const Writes& handles) {
  dwg13_fixture::Drawing drawing;
  drawing.layout.classes.push_back({500, name, 499});
  drawing.layout.objects.push_back(
      {0xA0, dwg13_fixture::object_data(500, 0xA0, false, data, [&](TkBitWriter* w) {
         put_handle(w, 0xC, 0x40);
         put_handle(w, 0, 0x30);
         if (handles) handles(w);
       })});
  return drawing.build();
}

// The record of the object A0 in the drawing of the bytes, and its kind.
std::string record_of(const std::vector<uint8_t>& bytes, const char* memory_name,
                      TkObjectDataKind* kind) {
  TkDrawing* d = dxf_test::open_bytes(bytes, memory_name);
  EXPECT_NE(d, nullptr) << memory_name << ": error " << tk_get_last_error();
  if (!d) return "";
  TkHandle a0 = dwg13_fixture::handle_of(0xA0);
  TkObjectHeader h;
  TkObjectData data;
  std::string out;
  if (tk_object_get(d, &a0, &h, &data)) {
    *kind = tk_object_data_kind(d, h.type);
    out = describe(*kind, h, data);
  }
  tk_close_drawing(d);
  return out;
}

TEST_F(ObjectTwins, MadeTwinsGiveEqualRecords) {
  struct Case {
    const char* name;
    TkObjectDataKind kind;
    Groups dxf;
    Writes data;
    Writes handles;
    const char* expect;  // some of the record, which shows that the values arrived
  };
  const double transform[24] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
  Groups filter = {{100, "AcDbFilter"}, {100, "AcDbSpatialFilter"}, {70, "2"}, {10, "1"},
                   {20, "2"}, {10, "3"}, {20, "4"}, {210, "0"}, {220, "0"}, {230, "1"},
                   {11, "7"}, {21, "8"}, {31, "9"}, {71, "1"}, {72, "1"}, {40, "0.5"},
                   {73, "0"}};
  for (double v : transform) filter.push_back({40, num(v)});
  const Case cases[] = {
      {"PLOTSETTINGS", TK_OBJDATA_PLOTSETTINGS,
       {{100, "AcDbPlotSettings"}, {1, "Setup"}, {2, "Printer.pc3"}, {4, "ISO_A4"}, {6, "V"},
        {40, "1.5"}, {41, "2.5"}, {42, "3.5"}, {43, "4.5"}, {44, "210"}, {45, "297"},
        {46, "5"}, {47, "6"}, {48, "0.25"}, {49, "0.5"}, {140, "100"}, {141, "50"},
        {142, "1"}, {143, "2"}, {70, "688"}, {72, "1"}, {73, "1"}, {74, "5"},
        {7, "mono.ctb"}, {75, "16"}, {147, "0.5"}, {148, "0.25"}, {149, "0.75"}},
       [](TkBitWriter* w) {
         bits_write_text(w, "Setup");
         bits_write_text(w, "Printer.pc3");
         bits_write_bs(w, 688);
         for (double v : {1.5, 2.5, 3.5, 4.5, 210.0, 297.0}) bits_write_bd(w, v);
         bits_write_text(w, "ISO_A4");
         bits_write_bd(w, 5);
         bits_write_bd(w, 6);
         bits_write_bs(w, 1);
         bits_write_bs(w, 1);
         bits_write_bs(w, 5);
         for (double v : {0.25, 0.5, 100.0, 50.0}) bits_write_bd(w, v);
         bits_write_text(w, "V");
         bits_write_bd(w, 1);
         bits_write_bd(w, 2);
         bits_write_text(w, "mono.ctb");
         bits_write_bs(w, 16);
         for (double v : {0.5, 0.25, 0.75}) bits_write_bd(w, v);
       },
       nullptr, "style_sheet=\"mono.ctb\""},
      {"IDBUFFER", TK_OBJDATA_IDBUFFER, {{100, "AcDbIdBuffer"}, {330, "D1"}, {330, "D2"}},
       [](TkBitWriter* w) {
         bits_write_rc(w, 0);
         bits_write_bl(w, 2);
       },
       [](TkBitWriter* w) {
         put_handle(w, 0xD1, 0x40);
         put_handle(w, 0xD2, 0x40);
       },
       "count=2 objects={ =D1 =D2 }"},
      {"LAYER_INDEX", TK_OBJDATA_LAYER_INDEX,
       {{100, "AcDbIndex"}, {40, "10.25"}, {100, "AcDbLayerIndex"}, {8, "0"}, {360, "B1"},
        {90, "3"}, {8, "WALLS"}, {360, "B2"}, {90, "12"}},
       [](TkBitWriter* w) {
         bits_write_bl(w, 10);
         bits_write_bl(w, 21600000);
         bits_write_bl(w, 2);
         bits_write_bl(w, 3);
         bits_write_text(w, "0");
         bits_write_bl(w, 12);
         bits_write_text(w, "WALLS");
       },
       [](TkBitWriter* w) {
         put_handle(w, 0xB1, 0x30);
         put_handle(w, 0xB2, 0x30);
       },
       "ids={ =B1 =B2 }"},
      {"OBJECT_PTR", TK_OBJDATA_OBJECT_PTR, {}, nullptr, nullptr, "references=0:"},
      {"SORTENTSTABLE", TK_OBJDATA_SORTENTSTABLE,
       {{100, "AcDbSortentsTable"}, {330, "1F"}, {331, "E1"}, {5, "F1"}, {331, "E2"},
        {5, "F2"}},
       [](TkBitWriter* w) {
         bits_write_bl(w, 2);
         put_handle(w, 0xF1, 0x00);
         put_handle(w, 0xF2, 0x00);
       },
       [](TkBitWriter* w) {
         put_handle(w, 0x1F, 0x40);
         put_handle(w, 0xE1, 0x40);
         put_handle(w, 0xE2, 0x40);
       },
       "block=1F count=2 sorts={ =F1 =F2 } entities={ =E1 =E2 }"},
      {"SPATIAL_FILTER", TK_OBJDATA_SPATIAL_FILTER, filter,
       [&](TkBitWriter* w) {
         bits_write_bs(w, 2);
         const double a[2] = {1, 2}, b[2] = {3, 4}, up[3] = {0, 0, 1}, origin[3] = {7, 8, 9};
         bits_write_2rd(w, a);
         bits_write_2rd(w, b);
         bits_write_3bd(w, up);
         bits_write_3bd(w, origin);
         bits_write_bs(w, 1);
         bits_write_bs(w, 1);
         bits_write_bd(w, 0.5);
         bits_write_bs(w, 0);
         for (double v : transform) bits_write_bd(w, v);
       },
       nullptr, "inverse[0]=1 inverse[1]=5"},
      {"SPATIAL_INDEX", TK_OBJDATA_SPATIAL_INDEX,
       {{100, "AcDbIndex"}, {40, "-2.5"}, {100, "AcDbSpatialIndex"}},
       [](TkBitWriter* w) {
         bits_write_bl(w, -2);
         bits_write_bl(w, -43200000);
       },
       nullptr, "days=-2 msec=-43200000"},
      {"VBA_PROJECT", TK_OBJDATA_VBA_PROJECT,
       {{100, "AcDbVbaProject"}, {90, "4"}, {310, "DEADBEEF"}},
       [](TkBitWriter* w) {
         bits_write_bl(w, 4);
         for (uint8_t b : {0xDE, 0xAD, 0xBE, 0xEF}) bits_write_rc(w, b);
       },
       nullptr, "size=4 data=4:DEADBEEF"},
      {"IMAGEDEF", TK_OBJDATA_IMAGEDEF,
       {{100, "AcDbRasterImageDef"}, {90, "0"}, {1, "scan.tif"}, {10, "640"}, {20, "480"},
        {11, "0.5"}, {21, "0.25"}, {280, "1"}, {281, "2"}},
       [](TkBitWriter* w) {
         bits_write_bl(w, 0);
         const double size[2] = {640, 480}, pixel[2] = {0.5, 0.25};
         bits_write_2rd(w, size);
         bits_write_text(w, "scan.tif");
         bits_write_bit(w, 1);
         bits_write_rc(w, 2);
         bits_write_2rd(w, pixel);
       },
       nullptr, "path=\"scan.tif\""},
      {"RASTERVARIABLES", TK_OBJDATA_RASTERVARIABLES,
       {{100, "AcDbRasterVariables"}, {90, "0"}, {70, "1"}, {71, "1"}, {72, "3"}},
       [](TkBitWriter* w) {
         bits_write_bl(w, 0);
         bits_write_bs(w, 1);
         bits_write_bs(w, 1);
         bits_write_bs(w, 3);
       },
       nullptr, "frame=1 quality=1 units=3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TkObjectDataKind text_kind = TK_OBJDATA_GENERIC, binary_kind = TK_OBJDATA_GENERIC,
                     dwg_kind = TK_OBJDATA_GENERIC;
    std::string text = record_of(dxf_of(c.name, c.dxf, false), "twin.dxf", &text_kind);
    std::string binary = record_of(dxf_of(c.name, c.dxf, true), "twin.dxf", &binary_kind);
    std::string dwg = record_of(dwg_of(c.name, c.data, c.handles), "twin.dwg", &dwg_kind);
    EXPECT_EQ(text_kind, c.kind);
    EXPECT_EQ(binary_kind, c.kind);
    EXPECT_EQ(dwg_kind, c.kind);
    EXPECT_NE(text.find(c.expect), std::string::npos) << text;
    EXPECT_EQ(text, binary);
    EXPECT_EQ(text, dwg);
  }
}

}  // namespace
