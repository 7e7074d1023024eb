// Tests of the load road over the recording fake readers: sniffing the file kind and version,
// the numbered steps and the error each leaves, the defaults the table loaders add, the VPORT
// limit, block headers, progress, and every failure leaving nothing allocated and no file open.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core_support.h"
#include "load_support.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/load_entities.h"

namespace {

using namespace load_test;
using core_test::counts;

class LoadTest : public core_test::StartedToolkit {
 protected:
  void SetUp() override {
    StartedToolkit::SetUp();
    use_memory_files(core_test::counting_alloc, core_test::counting_free);
    mem_files.clear();
    open_files.clear();
    install_fake_readers();
  }
  void TearDown() override {
    EXPECT_TRUE(open_files.empty()) << "a file was left open";
    tk_state->progress = nullptr;
    StartedToolkit::TearDown();
  }
  TkDrawing* open(const std::string& content, const Script& s = Script{}) {
    mem_files["drawing"] = bytes_of(content);
    install_fake_readers(s);
    return tk_open_drawing("drawing", 1, 0);
  }
};

std::string padded(std::string text, size_t size = 3000) {
  text.resize(std::max(size, text.size()), ' ');
  return text;
}

// ---- Sniffing ----

struct SniffCase {
  const char* what;
  std::string content;
  int16_t version;  // the version the fake open reads, -1: none
  TkError error;    // 0: the open succeeds
  uint8_t kind;
  int16_t expect_version;
};

TEST_F(LoadTest, SniffsKindAndVersionFromTheFirstBytes) {
  const std::string section_at_end = std::string(1993, 'x') + "SECTION";  // ends at byte 2000
  const SniffCase cases[] = {
      {"DWG AC1015", padded("AC1015"), -1, 0, TK_FILE_DWG, TK_VERSION_AC1015},
      {"DWG AC1009", padded("AC1009"), -1, 0, TK_FILE_DWG, TK_VERSION_AC1009},
      {"unknown DWG version", padded("AC1018"), -1, TK_ERR_FILE_VERSION, 0, 0},
      {"beta AC1013", padded("AC1013"), -1, TK_ERR_BETA_FORMAT, 0, 0},
      {"binary DXF", padded(std::string("AutoCAD Binary DXF\r\n\x1a\0\0\0SECTION", 31)),
       TK_VERSION_AC1014, 0, TK_FILE_BINARY_DXF, TK_VERSION_AC1014},
      {"text DXF", padded("  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1012\n"), -1, 0,
       TK_FILE_TEXT_DXF, TK_VERSION_AC1012},
      {"leading comment", padded("999\nmade by hand\n"), TK_VERSION_AC1009, 0,
       TK_FILE_TEXT_DXF, TK_VERSION_AC1009},
      {"SECTION ending the window", section_at_end, TK_VERSION_AC1009, 0, TK_FILE_TEXT_DXF,
       TK_VERSION_AC1009},
      {"SECTION past the window", std::string(1994, 'x') + "SECTION", TK_VERSION_AC1009,
       TK_ERR_FILE_TYPE, 0, 0},
      {"short file without markers", "hello", TK_VERSION_AC1009, TK_ERR_FILE_TYPE, 0, 0},
      {"short DXF ending in its marker", "0\nSECTION", TK_VERSION_AC1009, 0, TK_FILE_TEXT_DXF,
       TK_VERSION_AC1009},
  };
  for (const SniffCase& c : cases) {
    SCOPED_TRACE(c.what);
    Script s;
    s.version = c.version;
    TkDrawing* d = open(c.content, s);
    if (c.error) {
      EXPECT_EQ(d, nullptr);
      EXPECT_EQ(tk_get_last_error(), c.error);
      tk_close_drawing(d);
      continue;
    }
    ASSERT_NE(d, nullptr) << tk_get_last_error();
    EXPECT_EQ(d->file_kind, c.kind);
    EXPECT_EQ(d->version, c.expect_version);
    EXPECT_EQ(d->is_dxf != 0, c.kind != TK_FILE_DWG);
    EXPECT_EQ(d->readers, c.kind == TK_FILE_DWG ? tk_dwg_readers() : tk_dxf_readers());
    EXPECT_EQ(tk_get_last_error(), TK_ERR_NONE);
    tk_close_drawing(d);
  }
}

TEST_F(LoadTest, VersionSearchCoversTheWholeBuffer) {
  struct {
    std::string buffer;
    int16_t version;
    uint16_t beta;
  } const cases[] = {
      {"AC1015", TK_VERSION_AC1015, 0},
      {"xxxxxxAC1009", TK_VERSION_AC1009, 0},  // at the last start position
      {"AC1015 and AC1002", TK_VERSION_AC1002, 0},  // table order decides
      {"AC1013", TK_VERSION_AC1014, 1},
      {"AC101", -1, 0},
      {"", -1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.buffer);
    auto bytes = bytes_of(c.buffer);
    EXPECT_EQ(tk_detect_version(bytes.data(), bytes.size()), c.version);
    EXPECT_EQ(tk_state->codepage_beta, c.beta);
  }
  EXPECT_EQ(tk_version_from_string("AC1012"), TK_VERSION_AC1012);
  EXPECT_EQ(tk_version_from_string("ac1012"), -1);
  EXPECT_EQ(tk_version_from_string("AC1013"), -1);
}

TEST_F(LoadTest, MissingOrEmptyFileFailsWithError3) {
  mem_files["empty"] = {};
  install_fake_readers();
  EXPECT_EQ(tk_open_drawing("nowhere", 1, 0), nullptr);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_OPEN_FILE);
  EXPECT_EQ(tk_open_drawing("empty", 1, 0), nullptr);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_OPEN_FILE);
  EXPECT_TRUE(calls.empty());
}

TEST_F(LoadTest, DxfDrawingReadsThroughTheDxfSetOnly) {
  TkReaderOps none{};
  tk_install_readers_full(&none);  // a DWG set that would fail every read
  Script s;
  s.version = TK_VERSION_AC1015;
  s.names[S_LAYER] = {"0", "WALLS"};
  mem_files["drawing"] = bytes_of(padded("  0\nSECTION\n"));
  script = s;
  TkDrawing* d = tk_open_drawing("drawing", 2, 0);
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  EXPECT_EQ(d->load_mode, 2);
  for (const Call& c : calls) EXPECT_TRUE(c.dxf_set) << "slot " << c.slot;
  EXPECT_EQ(tk_dwg_readers()->read_block_record, nullptr);
  tk_close_drawing(d);
}

// ---- Steps ----

TEST_F(LoadTest, EachStepStoresItsNumberBeforeItRuns) {
  struct {
    int slot;
    TkError error;
  } const steps[] = {
      {S_OPEN, TK_ERR_DXF_VERSION},       {S_BEGIN_LTYPES, TK_ERR_LOAD_LTYPES},
      {S_LTYPE, TK_ERR_LOAD_LTYPES},      {S_BEGIN_LAYERS, TK_ERR_LOAD_LAYERS},
      {S_LAYER, TK_ERR_LOAD_LAYERS},      {S_BEGIN_CLASSES, TK_ERR_LOAD_CLASSES},
      {S_BEGIN_VPORTS, TK_ERR_LOAD_VPORTS}, {S_VPORT, TK_ERR_LOAD_VPORTS},
      {S_BEGIN_UCSS, TK_ERR_LOAD_UCSS},   {S_UCS, TK_ERR_LOAD_UCSS},
      {S_BEGIN_APPIDS, TK_ERR_LOAD_APPIDS}, {S_APPID, TK_ERR_LOAD_APPIDS},
      {S_BEGIN_VIEWS, TK_ERR_LOAD_VIEWS}, {S_VIEW, TK_ERR_LOAD_VIEWS},
      {S_BEGIN_STYLES, TK_ERR_LOAD_STYLES}, {S_STYLE, TK_ERR_LOAD_STYLES},
      {S_BEGIN_BLOCK_HEADERS, TK_ERR_LOAD_BLOCK_HEADERS},
      {S_BLOCK_HEADER, TK_ERR_LOAD_BLOCK_HEADERS},
      {S_BEGIN_DIMSTYLES, TK_ERR_LOAD_DIMSTYLES}, {S_DIMSTYLE, TK_ERR_LOAD_DIMSTYLES},
      {S_BEGIN_ENTITIES, TK_ERR_LOAD_ENTITIES},
      {S_BEGIN_BLOCK_ENTITIES, TK_ERR_LOAD_BLOCK_ENTITIES},
      {S_BEGIN_OBJECTS, TK_ERR_LOAD_OBJECTS},   {S_DICTIONARY, TK_ERR_LOAD_OBJECTS},
  };
  Script s;
  s.classes = 2;
  s.objects = {TK_OBJ_DICTIONARY};
  for (int slot : {S_LTYPE, S_LAYER, S_VPORT, S_UCS, S_APPID, S_VIEW, S_STYLE, S_BLOCK_HEADER,
                   S_DIMSTYLE})
    s.names[slot] = {"ONE", "TWO"};

  // A full load first: the calls arrive in load order, each after its step's number was stored.
  long live_before = counts.live;
  TkDrawing* d = open(padded("AC1015"), s);
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  tk_close_drawing(d);
  EXPECT_EQ(counts.live, live_before);
  for (const Call& c : calls) {
    SCOPED_TRACE(c.slot);
    auto it = std::find_if(std::begin(steps), std::end(steps),
                           [&](const auto& st) { return st.slot == c.slot; });
    if (it != std::end(steps) && c.slot != S_OPEN) {
      EXPECT_EQ(c.error_before, it->error);
    }
  }

  for (const auto& step : steps) {
    SCOPED_TRACE(step.slot);
    Script failing = s;
    failing.fail_slot = step.slot;
    EXPECT_EQ(open(padded("AC1015"), failing), nullptr);
    EXPECT_EQ(tk_get_last_error(), step.error);
    EXPECT_EQ(counts.live, live_before) << "the failed open left memory allocated";
  }
}

TEST_F(LoadTest, ReaderMayNameAPreciseOpenFailure) {
  Script s;
  s.open_result = 0;
  s.open_error = TK_ERR_FILE_VERSION;
  EXPECT_EQ(open(padded("AC1015"), s), nullptr);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_FILE_VERSION);
}

TEST_F(LoadTest, EveryFailedAllocationDuringOpenFreesAllAndClosesTheFile) {
  // An older drawing (handles from the seed, default objects) and a newer one with entities in
  // a block, an undefined layer and a polyline turned into an LWPOLYLINE.
  Script older;
  older.version = TK_VERSION_AC1009;
  for (int slot : {S_LTYPE, S_LAYER, S_VPORT, S_APPID, S_STYLE, S_BLOCK_HEADER, S_DIMSTYLE})
    older.names[slot] = {"ONE", "TWO"};
  Script newer = older;
  newer.version = TK_VERSION_AC1015;
  newer.classes = 1;
  newer.class_names = {"LWPOLYLINE"};
  newer.objects = {TK_OBJ_DICTIONARY};
  newer.dictionary_entries[0] = {{"ACAD_PLOTSTYLENAME", 0x99}};
  FakeEntity line, poly, vertex, seqend;
  line.kind = TK_LINE;
  line.layer = "UNDEFINED";
  poly.kind = TK_POLYLINE;
  vertex.kind = TK_VERTEX;
  vertex.reals[56] = 0.5;
  seqend.kind = TK_SEQEND;
  FakeEntity second = vertex;
  second.reals[0] = 1.0;
  newer.entities = {line, poly, vertex, second, seqend};
  newer.block_entities["ONE"] = {line};
  tk_state->convert_polylines = 1;

  mem_files["drawing"] = bytes_of(padded("  0\nSECTION\n"));
  long live_before = counts.live;
  for (const Script* s : {&older, &newer}) {
    bool opened = false;
    for (long fail_at = 0; !opened && fail_at < 10000; ++fail_at) {
      SCOPED_TRACE(fail_at);
      install_fake_readers(*s);
      counts.fail_at = counts.calls + fail_at;
      TkDrawing* d = tk_open_drawing("drawing", 1, 0);
      counts.fail_at = -1;
      EXPECT_TRUE(open_files.empty());
      if (d) {
        opened = true;
        if (s == &newer) {
          EXPECT_EQ(list_count(&d->model_entities), 2);
        }
        tk_close_drawing(d);
      } else {
        EXPECT_NE(tk_get_last_error(), TK_ERR_NONE);
      }
      ASSERT_EQ(counts.live, live_before);
    }
    EXPECT_TRUE(opened);
  }
  tk_state->convert_polylines = 0;
}

// ---- Table loaders ----

TEST_F(LoadTest, DxfGetsTheRecordsItLacks) {
  Script s;
  s.version = TK_VERSION_AC1012;
  s.names[S_LTYPE] = {"DASHED"};
  s.names[S_LAYER] = {"WALLS", "walls", "X|HIDDEN"};
  s.names[S_STYLE] = {"ROMANS"};
  s.names[S_APPID] = {"MYAPP"};
  TkDrawing* d = open(padded("  0\nSECTION\n"), s);
  ASSERT_NE(d, nullptr) << tk_get_last_error();

  TkHandle h;
  ASSERT_TRUE(tk_ltype_find(d, "CONTINUOUS", &h));
  EXPECT_EQ(std::memcmp(tk_state->continuous_linetype_handle, h.bytes, 8), 0);
  EXPECT_TRUE(tk_ltype_find(d, "ByBlock", &h));
  EXPECT_TRUE(tk_ltype_find(d, "ByLayer", &h));
  EXPECT_TRUE(tk_layer_find(d, "0", &h));
  EXPECT_EQ(tk_layer_list_count(d), 3) << "a second WALLS differing in case is skipped";
  EXPECT_TRUE(tk_appid_find(d, "ACAD", &h));
  EXPECT_TRUE(tk_style_find(d, "Standard", &h));
  EXPECT_EQ(tk_dimstyle_count(d), 1);
  EXPECT_EQ(tk_vport_count(d), 1) << "the *ACTIVE viewport";

  // A layer of an external reference draws continuous while VISRETAIN is off.
  TkHandle xref, continuous;
  ASSERT_TRUE(tk_layer_find(d, "X|HIDDEN", &xref));
  ASSERT_TRUE(tk_ltype_find(d, "Continuous", &continuous));
  TkLayerRecord layer;
  ASSERT_TRUE(tk_layer_get(d, &xref, &layer));
  EXPECT_EQ(tk_handle_compare(&layer.linetype, &continuous), 0);
  tk_close_drawing(d);
}

TEST_F(LoadTest, FileByLinetypesBecomeTheDrawingsOwn) {
  Script s;
  s.names[S_LTYPE] = {"BYBLOCK", "Continuous", "bylayer"};
  TkDrawing* d = open(padded("AC1015"), s);
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  // The fake hands out handles 0x100, 0x101, 0x102 in file order.
  EXPECT_EQ(d->byblock_linetype.bytes[6], 1);
  EXPECT_EQ(d->byblock_linetype.bytes[7], 0x00);
  EXPECT_EQ(d->bylayer_linetype.bytes[7], 0x02);
  EXPECT_EQ(tk_ltype_count(d), 3);
  TkLinetypeRecord r;
  ASSERT_TRUE(tk_ltype_get(d, &d->bylayer_linetype, &r));
  EXPECT_STREQ(r.name, "ByLayer");
  tk_close_drawing(d);
}

TEST_F(LoadTest, VportTableIsLimitedTo5000Records) {
  for (int32_t n : {5000, 5001}) {
    SCOPED_TRACE(n);
    Script s;
    s.counts[S_VPORT] = n;
    TkDrawing* d = open(padded("AC1015", 6000), s);
    if (n > TK_MAX_VPORTS) {
      EXPECT_EQ(d, nullptr);
      EXPECT_EQ(tk_get_last_error(), TK_ERR_LOAD_VPORTS);
    } else {
      ASSERT_NE(d, nullptr) << tk_get_last_error();
      EXPECT_EQ(tk_vport_count(d), n + 1) << "no *ACTIVE among them: the default is added";
      tk_close_drawing(d);
    }
  }
}

TEST_F(LoadTest, OlderDrawingsNumberTheirRecordsFromTheSeed) {
  Script s;
  s.version = TK_VERSION_AC1009;
  s.names[S_LAYER] = {"0"};
  TkDrawing* d = open(padded("  0\nSECTION\n"), s);
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  // Twelve fixed handles, then ByBlock and ByLayer, then the file's records.
  EXPECT_EQ(d->fixed[0].bytes[7], 1);
  EXPECT_EQ(d->byblock_linetype.bytes[7], 13);
  TkHandle layer0;
  ASSERT_TRUE(tk_layer_find(d, "0", &layer0));
  EXPECT_LT(layer0.bytes[7], 0x40);
  EXPECT_EQ(layer0.bytes[6], 0) << "the file's own handle is not kept";
  EXPECT_GT(tk_handle_compare(&d->fixed[TK_FIXED_MODEL_SPACE], &layer0), 0)
      << "the space blocks are numbered after the tables";
  EXPECT_EQ(tk_handle_compare(&d->header->handseed, &d->seed), 0);

  // It gains the dictionaries and multiline style that newer drawings carry.
  EXPECT_EQ(tk_object_count(d), 4);
  TkHandle groups, styles, standard;
  EXPECT_TRUE(tk_dict_lookup(d, &d->named_objects, "ACAD_GROUP", &groups));
  EXPECT_EQ(tk_handle_compare(&groups, &d->group_dictionary), 0);
  EXPECT_TRUE(tk_dict_lookup(d, &d->named_objects, "ACAD_MLINESTYLE", &styles));
  ASSERT_TRUE(tk_dict_lookup(d, &styles, "Standard", &standard));
  TkObjectHeader h;
  TkObjectData data;
  ASSERT_TRUE(tk_object_get(d, &standard, &h, &data));
  EXPECT_EQ(h.type, TK_OBJ_MLINESTYLE);
  EXPECT_EQ(data.mlinestyle.element_count, 2);
  tk_close_drawing(d);

  d = open(padded("AC1015"));
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(tk_object_count(d), 0) << "a newer drawing keeps what its file has";
  tk_close_drawing(d);
}

// Whether a load numbers entities from the seed or keeps the file's handles.
TEST_F(LoadTest, LoadSwitchesFollowVersionKindSeedAndRenumbering) {
  struct Case {
    int16_t version;
    bool dxf, own_seed, second_load, renumber;
    uint8_t space, block;
  } const cases[] = {
      {TK_VERSION_AC1012, false, false, false, false, 0, 0},
      {TK_VERSION_AC1015, true, false, true, true, 0, 0},  // newer files always keep theirs
      {TK_VERSION_AC1004, false, true, false, false, 1, 1},
      {TK_VERSION_AC1009, false, true, false, false, 0, 0},
      {TK_VERSION_AC1009, true, true, false, false, 0, 0},
      {TK_VERSION_AC1009, false, false, false, false, 1, 1},
      {TK_VERSION_AC1006, false, true, false, false, 0, 0},
      {TK_VERSION_AC1006, false, false, false, false, 1, 1},
      {TK_VERSION_AC1006, true, true, false, false, 0, 1},
      {TK_VERSION_AC1006, true, false, false, false, 1, 1},
      {TK_VERSION_AC1009, false, true, true, false, 1, 1},
      {TK_VERSION_AC1006, true, true, false, true, 1, 1},
      {TK_VERSION_AC1006, false, true, true, true, 1, 1},
  };
  for (const Case& c : cases) {
    TkDrawing d{};
    d.version = c.version;
    d.is_dxf = c.dxf;
    d.has_file_seed = c.own_seed;
    d.second_load = c.second_load;
    tk_state->renumber_handles = c.renumber;
    tk_set_load_flags(&d);
    EXPECT_EQ(d.fresh_space_handles, c.space)
        << "version " << c.version << " dxf " << c.dxf << " seed " << c.own_seed << " second "
        << c.second_load << " renumber " << c.renumber;
    EXPECT_EQ(d.fresh_block_handles, c.block)
        << "version " << c.version << " dxf " << c.dxf << " seed " << c.own_seed << " second "
        << c.second_load << " renumber " << c.renumber;
  }
  tk_state->renumber_handles = 0;
}

TEST_F(LoadTest, OlderLayersTakeTheirLinetypeByNameOrPosition) {
  for (bool dxf : {true, false}) {
    SCOPED_TRACE(dxf ? "DXF" : "DWG");
    Script s;
    s.version = TK_VERSION_AC1009;
    s.names[S_LTYPE] = {"CONTINUOUS", "DASHED", "HIDDEN"};
    s.names[S_LAYER] = {"0", "A", "B", "C", "X|Y"};
    s.layer_linetypes = {{"A", dxf ? "hidden" : "#2"},
                         {"B", dxf ? "BYLAYER" : "#32767"},
                         {"C", dxf ? "MISSING" : "#9"},
                         {"X|Y", dxf ? "DASHED" : "#1"}};
    TkDrawing* d = open(padded(dxf ? "  0\nSECTION\n" : "AC1009"), s);
    ASSERT_NE(d, nullptr) << tk_get_last_error();
    TkHandle hidden, continuous;
    ASSERT_TRUE(tk_ltype_find(d, "HIDDEN", &hidden));
    ASSERT_TRUE(tk_ltype_find(d, "CONTINUOUS", &continuous));
    const struct {
      const char* layer;
      const TkHandle* linetype;
    } expect[] = {{"A", &hidden},
                  {"B", &d->bylayer_linetype},
                  {"C", &continuous},
                  {"X|Y", &continuous}};  // an external reference's layer while VISRETAIN is 0
    for (const auto& e : expect) {
      SCOPED_TRACE(e.layer);
      TkHandle h;
      TkLayerRecord layer;
      ASSERT_TRUE(tk_layer_find(d, e.layer, &h));
      ASSERT_TRUE(tk_layer_get(d, &h, &layer));
      EXPECT_EQ(tk_handle_compare(&layer.linetype, e.linetype), 0);
    }
    tk_close_drawing(d);
  }
}

TEST_F(LoadTest, CountsBeyondTheFilesLengthAreRefused) {
  const struct {
    int slot;
    TkError error;
  } tables[] = {{S_LAYER, TK_ERR_LOAD_LAYERS}, {S_UCS, TK_ERR_LOAD_UCSS},
                {S_BLOCK_HEADER, TK_ERR_LOAD_BLOCK_HEADERS}};
  for (const auto& t : tables) {
    SCOPED_TRACE(t.slot);
    Script s;
    s.counts[t.slot] = 2000000000;
    EXPECT_EQ(open(padded("AC1015"), s), nullptr);
    EXPECT_EQ(tk_get_last_error(), t.error);
  }
}

// ---- Block headers ----

TEST_F(LoadTest, SpaceBlocksLeadTheBlockList) {
  struct {
    const char* what;
    std::vector<std::string> names;
    const char* model;
    const char* paper;
  } const cases[] = {
      {"from the file", {"DOOR", "*Model_Space", "*PAPER_SPACE"}, "*Model_Space", "*PAPER_SPACE"},
      {"defaults", {"DOOR"}, "*Model_Space", "*Paper_Space"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Script s;
    s.names[S_BLOCK_HEADER] = c.names;
    TkDrawing* d = open(padded("  0\nSECTION\n"), [&] {
      Script t = s;
      t.version = TK_VERSION_AC1014;
      return t;
    }());
    ASSERT_NE(d, nullptr) << tk_get_last_error();
    ASSERT_EQ(block_list_count(d), 3);
    block_list_rewind(d);
    TkBlockRecord b;
    ASSERT_TRUE(block_list_next(d, &b));
    EXPECT_STREQ(b.name, c.model);
    EXPECT_EQ(b.entities, &d->model_entities);
    EXPECT_EQ(tk_handle_compare(&b.handle, &d->fixed[TK_FIXED_MODEL_SPACE]), 0);
    ASSERT_TRUE(block_list_next(d, &b));
    EXPECT_STREQ(b.name, c.paper);
    EXPECT_EQ(b.entities, &d->paper_entities);
    ASSERT_TRUE(block_list_next(d, &b));
    EXPECT_STREQ(b.name, "DOOR");
    ASSERT_NE(b.entities, nullptr);
    EXPECT_EQ(list_count(b.entities), 0);
    tk_close_drawing(d);
  }
}

// ---- Progress ----

std::vector<int16_t> reported;
void record_progress(int16_t percent, TkUserData) { reported.push_back(percent); }

TEST_F(LoadTest, ProgressClimbsFrom0To100) {
  reported.clear();
  tk_state->progress = record_progress;
  TkDrawing* d = open(padded("AC1015"));
  ASSERT_NE(d, nullptr);
  ASSERT_FALSE(reported.empty());
  EXPECT_EQ(reported.front(), 0);
  EXPECT_EQ(reported.back(), 100);
  EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
  tk_close_drawing(d);
}

TEST_F(LoadTest, ReadProgressNeverGoesBack) {
  mem_files["big"] = std::vector<uint8_t>(20000, 'x');
  TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, 0);
  ASSERT_NE(d, nullptr);
  d->file = file_open("big");
  ASSERT_NE(d->file, nullptr);
  struct {
    uint32_t start, end, position;
    int16_t expect;
  } const cases[] = {
      {1000, 11000, 1000, 1},   {1000, 11000, 6000, 51}, {1000, 11000, 500, 51},
      {1000, 11000, 15000, 51}, {1000, 11000, 10999, 100}, {5000, 5000, 5000, 100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.position);
    d->progress_start = c.start;
    d->progress_end = c.end;
    file_seek(d->file, c.position, 0);
    EXPECT_EQ(tk_read_progress(d), c.expect);
  }
  file_close(d->file);
  d->file = nullptr;
  tk_close_drawing(d);
}

}  // namespace
