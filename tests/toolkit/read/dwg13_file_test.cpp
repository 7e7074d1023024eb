// Opening DWG files of releases AC1012 to AC1015: the file header and its locators, the header
// variables of both layouts (built byte for byte through the bit writer), texts cut to their
// fields, the AC1015 flags and plot-style handle, the older unit setting, record counts from the
// control objects, measurement and preview, the object map and its lookups, every truncation of
// a small file, later releases refused, and the real files of the shared test data.
#include "toolkit/read/dwg13_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "dwg13_fixture.h"
#include "tests/support/TestData.h"
#include "tests/toolkit/core/load_support.h"
#include "tests/toolkit/core/records_support.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/hdr.h"
#include "toolkit/read/bits_reader.h"
#include "toolkit/read/readers.h"

namespace {

using dwg13_fixture::handle_of;
using dwg13_fixture::Layout;
using dwg13_fixture::value_of;

int hook_calls = 0;
void count_hook(int16_t code) {
  if (code == 5) ++hook_calls;
}

class Dwg13Open : public records_test::StartedToolkit {
 protected:
  void SetUp() override {
    records_test::StartedToolkit::SetUp();
    load_test::use_memory_files(core_test::counting_alloc, core_test::counting_free);
    hook_calls = 0;
    tk_state->error_callback = count_hook;
  }
  void TearDown() override {
    for (TkDrawing* d : open_) close(d);
    load_test::mem_files.clear();
    records_test::StartedToolkit::TearDown();
  }

  // A drawing as the open road hands it to the reader: header defaults, file open, the version
  // the sniffing found.
  TkDrawing* open_bytes(const std::vector<uint8_t>& bytes, int16_t* result) {
    load_test::mem_files["fixture.dwg"] = bytes;
    auto* d = static_cast<TkDrawing*>(mem_alloc(sizeof(TkDrawing)));
    std::memset(d, 0, sizeof *d);
    d->header = static_cast<TkHeader*>(mem_alloc(sizeof(TkHeader)));
    header_set_defaults(d->header);
    d->file = file_open("fixture.dwg");
    char v[7] = {0};
    if (!bytes.empty()) std::memcpy(v, bytes.data(), std::min<size_t>(6, bytes.size()));
    d->version = tk_version_from_string(v);
    open_.push_back(d);
    *result = d->file ? dwg_open_check(d) : 0;
    return d;
  }

  TkDrawing* open_layout(const Layout& s, int16_t expect = 1) {
    int16_t result = 0;
    TkDrawing* d = open_bytes(dwg13_fixture::build(s), &result);
    EXPECT_EQ(result, expect) << "error " << tk_get_last_error();
    return d;
  }

  void close(TkDrawing* d) {
    if (d->file) file_close(d->file);
    d->file = nullptr;
    tk_close_drawing(d);
    open_.erase(std::remove(open_.begin(), open_.end(), d), open_.end());
  }

  std::vector<TkDrawing*> open_;
};

TEST(Dwg13HeaderTables, EveryNamedRowIsAHeaderVariable) {
  for (auto [items, count] : {std::make_pair(dwg13_header_r13, dwg13_header_r13_count),
                              std::make_pair(dwg13_header_r15, dwg13_header_r15_count)}) {
    for (size_t i = 0; i < count; ++i)
      if (items[i].name) {
        EXPECT_NE(hdr_find(items[i].name), nullptr) << items[i].name;
      }
  }
  EXPECT_EQ(dwg13_header_r13_count, 194u);
  EXPECT_EQ(dwg13_header_r15_count, 225u);
}

TEST(Lineweights, CodesAndValues) {
  struct Case { int code; int16_t value; } cases[] = {
      {0, 0}, {1, 5}, {7, 25}, {23, 211}, {24, 0}, {28, -1}, {29, -1}, {30, -2}, {31, -3}, {32, 0}, {-1, 0}};
  for (const auto& c : cases) EXPECT_EQ(lineweight_from_code(c.code), c.value) << c.code;
  struct Back { int16_t value; int16_t code; } back[] = {{-1, 28}, {0, 0}, {211, 23}, {-2, 30}, {-3, 31}, {7, -1}};
  for (const auto& b : back) EXPECT_EQ(lineweight_to_code(b.value), b.code) << b.value;
}

struct ReleaseCase {
  const char* version;
  int16_t index;
};

TEST_F(Dwg13Open, HeaderVariablesOfEachRelease) {
  const ReleaseCase releases[] = {{"AC1012", 5}, {"AC1014", 6}, {"AC1015", 7}};
  for (const auto& rel : releases) {
    Layout s;
    s.version = rel.version;
    s.numbers = {{"TILEMODE", 1}, {"LTSCALE", 2.5}, {"DIMLUNIT", 2}, {"CECOLOR", 256}, {"DIMTAD", 1}};
    s.points = {{"EXTMIN", {-1.5, -2.5, 0}}, {"EXTMAX", {100, 200, 3}}, {"LIMMAX", {12, 9}}};
    s.texts = {{"MENU", "acad"}};
    s.handseed = 0x4A1;
    s.codepage = 30;
    TkDrawing* d = open_layout(s);
    TkHeader* h = d->header;
    SCOPED_TRACE(rel.version);
    EXPECT_EQ(d->version, rel.index);
    EXPECT_STREQ(h->acadver, rel.version);
    EXPECT_EQ(h->acadmaintver, 1);
    EXPECT_EQ(h->dwgcodepage, 30);
    EXPECT_EQ(h->tilemode, 1);
    EXPECT_EQ(h->ltscale, 2.5);
    EXPECT_EQ(h->cecolor, 256);
    EXPECT_EQ(h->dimtad, 1);
    EXPECT_EQ(h->extmin[0], -1.5);
    EXPECT_EQ(h->extmax[2], 3.0);
    EXPECT_EQ(h->limmax[0], 12.0);
    EXPECT_EQ(h->limmax[1], 9.0);
    EXPECT_STREQ(h->menu, "acad");
    EXPECT_EQ(value_of(h->handseed), 0x4A1u);
    EXPECT_EQ(h->handling, 1);
    EXPECT_EQ(d->has_file_seed, 1);
    EXPECT_EQ(h->tdcreate.msec, 1000);
    Dwg13File* f = dwg13_file(d);
    ASSERT_NE(f, nullptr);
    for (int c = 0; c < DWG13_CONTROL_COUNT; ++c)
      EXPECT_EQ(value_of(d->fixed[c]), dwg13_fixture::control_handle(c));
    EXPECT_EQ(value_of(d->fixed[TK_FIXED_MODEL_SPACE]),
              dwg13_fixture::held_handle(DWG13_HELD_MODEL_BLOCK_RECORD));
    EXPECT_EQ(value_of(d->bylayer_linetype), dwg13_fixture::held_handle(DWG13_HELD_BYLAYER));
    EXPECT_EQ(value_of(d->named_objects), dwg13_fixture::held_handle(DWG13_HELD_NAMED_OBJECTS));
    EXPECT_EQ(value_of(f->refs[DWG13_REF_CLAYER]), dwg13_fixture::ref_handle(DWG13_REF_CLAYER));
    EXPECT_EQ(value_of(f->refs[DWG13_REF_DIMTXSTY]), dwg13_fixture::ref_handle(DWG13_REF_DIMTXSTY));
    close(d);
  }
}

TEST_F(Dwg13Open, TextsLongerThanTheirFieldAreCut) {
  struct Case { const char* version; const char* name; size_t length; size_t kept; } cases[] = {
      {"AC1015", "MENU", 100, 60},         {"AC1012", "MENU", 511, 60},
      {"AC1015", "DIMPOST", 120, 15},      {"AC1014", "DIMAPOST", 120, 15},
      {"AC1012", "DIMBLK", 300, 31},       {"AC1014", "DIMBLK2", 40, 31},
      {"AC1015", "HYPERLINKBASE", 255, 126}, {"AC1015", "FINGERPRINTGUID", 38, 38},
  };
  for (const auto& c : cases) {
    Layout s;
    s.version = c.version;
    std::string text(c.length, 'x');
    for (size_t i = 0; i < text.size(); ++i) text[i] = char('a' + i % 26);
    s.texts[c.name] = text;
    s.numbers["TILEMODE"] = 1;
    TkDrawing* d = open_layout(s);
    const char* field = static_cast<const char*>(hdr_value(d->header, hdr_find(c.name)));
    EXPECT_EQ(std::string(field), text.substr(0, c.kept)) << c.version << " " << c.name;
    EXPECT_EQ(d->header->tilemode, 1) << "the stream stays in step after " << c.name;
    EXPECT_EQ(hook_calls, 0);
    close(d);
  }
}

TEST_F(Dwg13Open, FlagsOfAc1015) {
  struct Case { int32_t flags; int16_t celweight; uint8_t endcaps, joinstyle, lwdisplay, xedit, extnames, pstylemode; } cases[] = {
      {0, 0, 0, 0, 1, 1, 0, 0},
      {29 | (2 << 5) | (1 << 7) | 0x200 | 0x400 | 0x800 | 0x2000, -1, 2, 1, 0, 0, 1, 1},
      {7 | (3 << 7), 25, 0, 3, 1, 1, 0, 0},
  };
  for (const auto& c : cases) {
    Layout s;
    s.flags = c.flags;
    TkDrawing* d = open_layout(s);
    const TkHeader* h = d->header;
    EXPECT_EQ(h->celweight, c.celweight) << c.flags;
    EXPECT_EQ(h->endcaps, c.endcaps) << c.flags;
    EXPECT_EQ(h->joinstyle, c.joinstyle) << c.flags;
    EXPECT_EQ(h->lwdisplay, c.lwdisplay) << c.flags;
    EXPECT_EQ(h->xedit, c.xedit) << c.flags;
    EXPECT_EQ(h->extnames, c.extnames) << c.flags;
    EXPECT_EQ(h->pstylemode, c.pstylemode) << c.flags;
    close(d);
  }
}

TEST_F(Dwg13Open, PlotStyleHandleOnlyWhenCepsntypeIsThree) {
  for (int type : {0, 1, 2, 3}) {
    Layout s;
    s.numbers["CEPSNTYPE"] = type;
    s.numbers["INSUNITS"] = 4;
    s.texts["VERSIONGUID"] = "{GUID}";
    TkDrawing* d = open_layout(s);
    EXPECT_EQ(d->header->cepsntype, type);
    EXPECT_EQ(d->header->insunits, 4);
    EXPECT_STREQ(d->header->versionguid, "{GUID}") << type;
    EXPECT_EQ(value_of(dwg13_file(d)->refs[DWG13_REF_PLOTSTYLE]),
              type == 3 ? dwg13_fixture::ref_handle(DWG13_REF_PLOTSTYLE) : 0u);
    close(d);
  }
}

TEST_F(Dwg13Open, OlderUnitSettingBecomesUnitAndFraction) {
  struct Case { const char* version; int unit; int16_t lunit; int16_t frac; } cases[] = {
      {"AC1014", 2, 2, -1}, {"AC1014", 4, 4, 0}, {"AC1014", 5, 5, 0}, {"AC1014", 6, 4, 2},
      {"AC1014", 7, 5, 2},  {"AC1012", 8, 6, 0}, {"AC1015", 7, 7, 1},
  };
  for (const auto& c : cases) {
    Layout s;
    s.version = c.version;
    s.numbers["DIMLUNIT"] = c.unit;
    s.numbers["DIMFRAC"] = 1;
    TkDrawing* d = open_layout(s);
    TkHeader defaults;
    header_set_defaults(&defaults);
    EXPECT_EQ(d->header->dimlunit, c.lunit) << c.version << " " << c.unit;
    EXPECT_EQ(d->header->dimfrac, c.frac < 0 ? defaults.dimfrac : c.frac) << c.version << " " << c.unit;
    close(d);
  }
}

TEST_F(Dwg13Open, RecordCountsLeaveOutNullEntries) {
  for (const char* version : {"AC1012", "AC1015"}) {
    Layout s;
    s.version = version;
    TkDrawing* d = open_layout(s);
    EXPECT_EQ(d->record_counts[TK_COUNT_BLOCK], 2);
    EXPECT_EQ(d->record_counts[TK_COUNT_LAYER], 3);
    EXPECT_EQ(d->record_counts[TK_COUNT_STYLE], 1);
    EXPECT_EQ(d->record_counts[TK_COUNT_LTYPE], 3 + 2);
    EXPECT_EQ(d->record_counts[TK_COUNT_VIEW], 0);
    EXPECT_EQ(d->record_counts[TK_COUNT_VPORT], 1);
    EXPECT_EQ(d->record_counts[TK_COUNT_APPID], 2);
    EXPECT_EQ(d->record_counts[TK_COUNT_DIMSTYLE], 1);
    EXPECT_GT(dwg13_file(d)->block_control_position, 0u);
    close(d);
  }
}

TEST_F(Dwg13Open, MeasurementAndPreview) {
  for (const char* version : {"AC1012", "AC1014", "AC1015"}) {
    Layout s;
    s.version = version;
    s.measurement = 1;
    s.bmp = std::vector<uint8_t>(20000, 0x42);
    s.wmf = {1, 2, 3};
    TkDrawing* d = open_layout(s);
    TkHeader defaults;
    header_set_defaults(&defaults);
    EXPECT_EQ(d->header->measurement, std::strcmp(version, "AC1012") == 0 ? defaults.measurement : 1);
    const Dwg13Preview& p = dwg13_file(d)->preview;
    EXPECT_EQ(p.flags, DWG13_PREVIEW_BMP | DWG13_PREVIEW_WMF);
    ASSERT_NE(p.bmp, nullptr);
    EXPECT_EQ(blob_stored_size(p.bmp), 20000);
    ASSERT_NE(p.wmf, nullptr);
    EXPECT_EQ(blob_stored_size(p.wmf), 3);
    close(d);
  }
}

TEST_F(Dwg13Open, LocatorsBeyondTheFile) {
  struct Case { int position; int16_t error; } cases[] = {
      {0, TK_ERR_BAD_DWG_INFO}, {1, TK_ERR_BAD_DWG_INFO}, {2, TK_ERR_BAD_DWG_INFO},
      {3, TK_ERR_BAD_DWG_INFO}, {4, 77}};
  for (const auto& c : cases) {
    Layout s;
    s.seeker_override[c.position] = 0x7FFFFFF0;
    tk_fail(77);
    TkDrawing* d = open_layout(s, 0);
    EXPECT_EQ(tk_get_last_error(), c.error) << c.position;
    close(d);
  }
  // More records announced than the header holds: the following bytes are read as records.
  Layout s;
  s.locator_count = 3;
  TkDrawing* d = open_layout(s);
  close(d);
}

TEST_F(Dwg13Open, VersionStrings) {
  struct Case { const char* text; int16_t error; } cases[] = {
      {"AC1013", TK_ERR_BETA_FORMAT}, {"AC1021", TK_ERR_FILE_VERSION}, {"AC1032", TK_ERR_FILE_VERSION}, {"AC10", TK_ERR_FILE_VERSION}};
  for (const auto& c : cases) {
    std::vector<uint8_t> bytes = dwg13_fixture::build(Layout());
    std::memcpy(bytes.data(), c.text, std::strlen(c.text));
    if (std::strlen(c.text) < 6) bytes.resize(std::strlen(c.text));
    int16_t result = 1;
    TkDrawing* d = open_bytes(bytes, &result);
    EXPECT_EQ(result, 0) << c.text;
    EXPECT_EQ(tk_get_last_error(), c.error) << c.text;
    close(d);
  }
}

TEST_F(Dwg13Open, NullRequiredHandleIsRefused) {
  std::vector<std::string> slots;
  for (int c = 0; c < DWG13_CONTROL_COUNT; ++c) slots.push_back("CONTROL" + std::to_string(c));
  for (int h : {DWG13_HELD_GROUP_DICTIONARY, DWG13_HELD_MLINESTYLE_DICTIONARY, DWG13_HELD_NAMED_OBJECTS,
                DWG13_HELD_PAPER_BLOCK_RECORD, DWG13_HELD_MODEL_BLOCK_RECORD, DWG13_HELD_BYLAYER,
                DWG13_HELD_BYBLOCK})
    slots.push_back("HELD" + std::to_string(h));
  for (const char* version : {"AC1014", "AC1015"}) {
    for (const std::string& slot : slots) {
      Layout s;
      s.version = version;
      s.handles[slot] = 0;
      TkDrawing* d = open_layout(s, 0);
      EXPECT_EQ(tk_get_last_error(), TK_ERR_BAD_HEADER_HANDLE) << version << " " << slot;
      close(d);
    }
  }
}

TEST_F(Dwg13Open, SmallMapHasOneEntryPerPage) {
  Layout s;
  s.extra_map_entries = 20;
  TkDrawing* d = open_layout(s);
  Dwg13File* f = dwg13_file(d);
  EXPECT_EQ(f->map_count, 30);
  EXPECT_EQ(value_of(f->page_keys[0]), 1u);
  EXPECT_EQ(value_of(f->page_keys[9]), 10u);
  EXPECT_EQ(value_of(f->page_keys[10]), 0x1000u);
  EXPECT_EQ(value_of(f->page_keys[29]), 0x1013u);
  EXPECT_EQ(value_of(f->page_keys[30]), 0xFFFFFFFFFFFFFFFFull);
  EXPECT_EQ(f->page_offsets[511], 2000000000);
  struct Lookup { uint64_t handle; int16_t found; } lookups[] = {
      {0, 0}, {5, 1}, {5, 1}, {6, 1}, {0x0B, 0}, {0x1000, 1}, {0x1012, 1}, {0x1001, 1},
      {0x0FFF, 0}, {0x1005, 1}, {0x2000, 0}, {1, 1}, {10, 1}};
  for (const auto& l : lookups) {
    TkHandle h = handle_of(l.handle);
    EXPECT_EQ(dwg_objmap_seek(d, &h), l.found) << std::hex << l.handle;
  }
  // Listing the handles takes the map's reader; lookups start afresh after it.
  TkHandle all[40];
  ASSERT_EQ(dwg13_map_handles(d, all, 40), 30);
  EXPECT_EQ(value_of(all[0]), 1u);
  EXPECT_EQ(value_of(all[29]), 0x1013u);
  EXPECT_EQ(dwg13_map_handles(d, all, 3), 3);
  TkHandle h = handle_of(0x1011);
  EXPECT_EQ(dwg_objmap_seek(d, &h), 1);
  close(d);
}

// A miss leaves the index reader beyond the missing handle; a lookup between the entry found
// last and that point must still find its entry.
TEST_F(Dwg13Open, LookupAfterAMissStillFindsEarlierEntries) {
  Layout s;
  s.extra_map_entries = 40;
  TkDrawing* d = open_layout(s);
  TkHandle found = handle_of(0x1002), missing = handle_of(0x1100), between = handle_of(0x1010);
  EXPECT_EQ(dwg_objmap_seek(d, &found), 1);
  EXPECT_EQ(dwg_objmap_seek(d, &missing), 0);
  EXPECT_EQ(dwg_objmap_seek(d, &between), 1);
  close(d);
}

TEST_F(Dwg13Open, LargeMapFindsEveryEntryInAnyOrder) {
  Layout s;
  s.extra_map_entries = 1500;
  TkDrawing* d = open_layout(s);
  Dwg13File* f = dwg13_file(d);
  EXPECT_EQ(f->map_count, 1510);
  EXPECT_EQ(value_of(f->page_keys[1]), 4u);  // every third entry starts a page
  std::vector<uint64_t> handles;
  for (int i = 0; i < 1500; ++i) handles.push_back(0x1000 + uint64_t(i));
  for (int c = 1; c <= 10; ++c) handles.push_back(uint64_t(c));
  std::mt19937 random(7);
  std::shuffle(handles.begin(), handles.end(), random);
  for (uint64_t v : handles) {
    TkHandle h = handle_of(v);
    ASSERT_EQ(dwg_objmap_seek(d, &h), 1) << std::hex << v;
  }
  close(d);
}

TEST_F(Dwg13Open, EmptyMapFindsNothing) {
  Layout s;
  s.empty_map = true;
  TkDrawing* d = open_layout(s, 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_BAD_DWG_INFO);
  ASSERT_NE(dwg13_file(d), nullptr);
  EXPECT_EQ(dwg13_object_count(d), 0);
  for (uint64_t v : {1, 2, 10}) {
    TkHandle h = handle_of(v);
    EXPECT_EQ(dwg_objmap_seek(d, &h), 0);
  }
  close(d);
}

TEST_F(Dwg13Open, ModularCharsStraightFromTheFile) {
  struct Case { std::vector<uint8_t> bytes; bool is_signed; int16_t ok; int64_t value; uint32_t used; int hooks; } cases[] = {
      {{0x7F}, false, 1, 127, 1, 0},
      {{0x80, 0x01}, false, 1, 128, 2, 0},
      {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01}, false, 1, -1, 10, 0},
      {std::vector<uint8_t>(11, 0x80), false, 0, 0, 10, 1},
      {{0x80}, false, 0, 0, 1, 0},
      {{0xE4, 0x00}, true, 1, 100, 2, 0},
      {{0x45}, true, 1, -5, 1, 0},
      {{0x3F}, true, 1, 63, 1, 0},
      {{0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x01}, true, 0, 0, 6, 1},
      {{0x80, 0x80, 0x80, 0x80, 0x80, 0x3F}, true, 0, 0, 6, 0},  // beyond 32 bits
  };
  for (const auto& c : cases) {
    hook_calls = 0;
    load_test::mem_files["mc.bin"] = c.bytes;
    TkFile* file = file_open("mc.bin");
    ASSERT_NE(file, nullptr);
    uint32_t used = 0;
    if (c.is_signed) {
      int32_t v = 7;
      EXPECT_EQ(dwg_file_modular_char_signed(file, 100, &v, &used), c.ok);
      if (c.ok) {
        EXPECT_EQ(v, c.value);
      }
    } else {
      TkHandle h;
      EXPECT_EQ(dwg_file_modular_char(file, 100, &h, &used), c.ok);
      if (c.ok) {
        EXPECT_EQ(value_of(h), uint64_t(c.value));
      }
    }
    EXPECT_EQ(used, c.used);
    EXPECT_EQ(hook_calls, c.hooks);
    file_close(file);
  }
  // The limit of a map section stops a number that runs on.
  load_test::mem_files["mc.bin"] = {0x80, 0x80, 0x01};
  TkFile* file = file_open("mc.bin");
  TkHandle h;
  uint32_t used = 0;
  EXPECT_EQ(dwg_file_modular_char(file, 2, &h, &used), 0);
  EXPECT_EQ(used, 2u);
  file_close(file);
}

// Cut anywhere, the file must give an answer, never a crash, an over-read or a leak.
TEST_F(Dwg13Open, EveryTruncationOfASmallFileEndsCleanly) {
  for (const char* version : {"AC1012", "AC1015"}) {
    Layout s;
    s.version = version;
    s.bmp = {1, 2, 3};
    std::vector<uint8_t> whole = dwg13_fixture::build(s);
    uint32_t map_at = uint32_t(whole[25 + 18 + 1]) | uint32_t(whole[25 + 18 + 2]) << 8 |
                      uint32_t(whole[25 + 18 + 3]) << 16;
    for (size_t n = 0; n < whole.size(); ++n) {
      std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(n));
      int16_t result = 1;
      TkDrawing* d = open_bytes(cut, &result);
      if (n < map_at) {
        EXPECT_EQ(result, 0) << version << " cut at " << n;
      }
      close(d);
    }
  }
}

TEST_F(Dwg13Open, OpenRoadRefusesCutFilesWithoutLeaks) {
  ASSERT_EQ(tk_install_file_readers(), 1);
  std::vector<uint8_t> whole = dwg13_fixture::build(Layout());
  for (size_t n = 0; n < whole.size(); n += 7) {
    load_test::mem_files["cut.dwg"] = std::vector<uint8_t>(whole.begin(), whole.begin() + long(n));
    TkDrawing* d = tk_open_drawing("cut.dwg", 0, 0);
    if (d) tk_close_drawing(d);
    EXPECT_TRUE(load_test::open_files.empty()) << n;
  }
}

// ---- Files written by other programs ----

// The value of a key of an expectation file: a number, a list of numbers or a text.
bool json_value(const std::string& json, const std::string& key, std::vector<double>* numbers,
                std::string* text) {
  size_t at = json.find("\"" + key + "\"");
  if (at == std::string::npos) return false;
  at = json.find(':', at) + 1;
  while (at < json.size() && std::isspace(uint8_t(json[at]))) ++at;
  if (json[at] == '"') {
    size_t end = json.find('"', at + 1);
    if (text) *text = json.substr(at + 1, end - at - 1);
    return true;
  }
  size_t end = json[at] == '[' ? json.find(']', at) : json.find_first_of(",}", at);
  std::string body = json.substr(json[at] == '[' ? at + 1 : at, end - at);
  for (size_t p = 0; p < body.size();) {
    char* next = nullptr;
    double v = std::strtod(body.c_str() + p, &next);
    if (next == body.c_str() + p) { ++p; continue; }
    if (numbers) numbers->push_back(v);
    p = size_t(next - body.c_str());
  }
  return true;
}

size_t json_list_length(const std::string& json, const std::string& key) {
  size_t at = json.find("\"" + key + "\"");
  if (at == std::string::npos) return 0;
  size_t open = json.find('[', at), close = json.find(']', open);
  size_t n = 0;
  for (size_t p = open; p < close; ++p) n += json[p] == '"';
  return n / 2;
}

class Dwg13Files : public records_test::StartedToolkit {};

TEST_F(Dwg13Files, HeaderOfEveryBitStreamFileMatchesItsExpectation) {
  VV_REQUIRE_TESTDATA();
  int opened = 0;
  for (const std::string& name : vvtest::TestDataFiles("dwg")) {
    if (name.size() < 4 || name.substr(name.size() - 4) != ".dwg") continue;
    std::string path = vvtest::TestDataPath("dwg/" + name);
    std::vector<unsigned char> bytes, expect_bytes;
    ASSERT_TRUE(vvtest::ReadWholeFile(path, bytes));
    std::string version(bytes.begin(), bytes.begin() + 6);
    if (version != "AC1012" && version != "AC1014" && version != "AC1015") continue;
    SCOPED_TRACE(name);
    auto* d = static_cast<TkDrawing*>(mem_alloc(sizeof(TkDrawing)));
    std::memset(d, 0, sizeof *d);
    d->header = static_cast<TkHeader*>(mem_alloc(sizeof(TkHeader)));
    header_set_defaults(d->header);
    d->file = file_open(path.c_str());
    ASSERT_NE(d->file, nullptr);
    d->version = tk_version_from_string(version.c_str());
    int16_t result = dwg_open_check(d);
    EXPECT_EQ(result, 1) << "error " << tk_get_last_error();
    if (result != 1 && dwg13_file(d)) {
      const Dwg13File* f = dwg13_file(d);
      std::string seen;
      for (const TkHandle& h : f->controls) seen += " " + std::to_string(value_of(h));
      seen += " /";
      for (const TkHandle& h : f->held) seen += " " + std::to_string(value_of(h));
      ADD_FAILURE() << "handles:" << seen << " extmin " << d->header->extmin[0] << " seed "
                    << value_of(d->header->handseed) << " menu " << d->header->menu;
    }
    std::string json;
    if (vvtest::ReadWholeFile(path + ".expected.json", expect_bytes)) json.assign(expect_bytes.begin(), expect_bytes.end());
    if (result == 1 && !json.empty()) {
      ++opened;
      const TkHeader* h = d->header;
      struct Point { const char* key; const double* value; int n; } points[] = {
          {"$EXTMIN", h->extmin, 3}, {"$EXTMAX", h->extmax, 3}, {"$LIMMIN", h->limmin, 2},
          {"$LIMMAX", h->limmax, 2}, {"$INSBASE", h->insbase, 3}};
      // A DXF file the CAD program wrote of the drawing carries the extents of that later save,
      // which need not be those the DWG stored; they are compared where the expectation was
      // read from the DWG itself.
      bool from_dwg = json.find("\"reader\": \"libredwg") != std::string::npos;
      for (const auto& p : points) {
        if (!from_dwg && std::strncmp(p.key, "$EXT", 4) == 0) continue;
        std::vector<double> want;
        if (!json_value(json, p.key, &want, nullptr)) continue;
        ASSERT_EQ(want.size(), size_t(p.n)) << p.key;
        for (int i = 0; i < p.n; ++i) EXPECT_NEAR(p.value[i], want[size_t(i)], 1e-9 * (1 + std::abs(want[size_t(i)]))) << p.key << i;
      }
      std::vector<double> tilemode;
      if (json_value(json, "$TILEMODE", &tilemode, nullptr)) {
        EXPECT_EQ(h->tilemode, int(tilemode[0]));
      }
      std::string codepage;
      if (json_value(json, "$DWGCODEPAGE", nullptr, &codepage)) {
        int16_t index = -1;
        std::string lower = codepage;
        for (char& ch : lower) ch = char(std::tolower(uint8_t(ch)));
        tk_codepage_index(lower.c_str(), &index);
        EXPECT_EQ(h->dwgcodepage, index) << codepage;
      }
      // The independent reader adds a "Defpoints" layer to drawings that have none.
      size_t layers = json_list_length(json, "layers");
      std::string text(bytes.begin(), bytes.end());
      if (json.find("\"Defpoints\"") != std::string::npos && text.find("Defpoints") == std::string::npos &&
          text.find("DEFPOINTS") == std::string::npos)
        --layers;
      EXPECT_EQ(size_t(d->record_counts[TK_COUNT_LAYER]), layers);
      EXPECT_GT(dwg13_object_count(d), 0);
    }
    file_close(d->file);
    d->file = nullptr;
    tk_close_drawing(d);
  }
  EXPECT_GT(opened, 0);
}

TEST_F(Dwg13Files, LaterReleasesAreRefusedCleanly) {
  VV_REQUIRE_TESTDATA();
  ASSERT_EQ(tk_install_file_readers(), 1);
  for (const std::string& name : vvtest::TestDataFiles("refused")) {
    std::string path = vvtest::TestDataPath("refused/" + name);
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(vvtest::ReadWholeFile(path, bytes));
    EXPECT_EQ(tk_open_drawing(path.c_str(), 0, 0), nullptr) << name;
    if (bytes.size() >= 6 && std::string(bytes.begin(), bytes.begin() + 4) == "AC10") {
      EXPECT_EQ(tk_get_last_error(), TK_ERR_FILE_VERSION) << name;
    }
  }
}

}  // namespace
