// Tests of what completes a drawing: the layout objects of new AC1015 drawings and of upgraded
// loads, header references by name, the load's kind selection and skipped entities, extended-data
// references, older VIEWPORT settings moved out of extended data, dictionary variables, the
// TrueType glyph bridge and the work buffers freed at close.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core_support.h"
#include "load_support.h"
#include "toolkit/core/blob.h"
#include "toolkit/core/dim_lookup.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity_layout.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/group_desc.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/layout.h"
#include "toolkit/core/load_complete.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/object.h"
#include "toolkit/core/display_block.h"
#include "toolkit/core/truetype.h"

namespace {

using namespace load_test;

class CompleteTest : public core_test::StartedToolkit {
 protected:
  void SetUp() override {
    StartedToolkit::SetUp();
    use_memory_files(core_test::counting_alloc, core_test::counting_free);
    mem_files.clear();
    open_files.clear();
  }
  void TearDown() override {
    EXPECT_TRUE(open_files.empty());
    StartedToolkit::TearDown();
  }
  TkDrawing* open(Script s, int16_t version, bool dwg = false, int16_t upgrade = 0,
                  uint8_t load_mode = 1) {
    std::string head = dwg ? "AC1009" : "  0\nSECTION\n";
    mem_files["drawing"] = std::vector<uint8_t>(4000, ' ');
    std::copy(head.begin(), head.end(), mem_files["drawing"].begin());
    s.version = version;
    install_fake_readers(s);
    return tk_open_drawing("drawing", load_mode, upgrade);
  }
};

std::vector<std::string> entry_names(TkDrawing* d, const TkHandle& dictionary) {
  std::vector<std::string> names;
  TkObjectHeader h;
  TkObjectData data;
  if (!tk_object_get(d, &dictionary, &h, &data) || h.type != TK_OBJ_DICTIONARY) return names;
  TkBlob* r = blob_open_read(data.dictionary.entries);
  static TkDictEntry e;
  for (uint32_t i = 0; r && i < data.dictionary.entry_count && tk_dict_entry_read(r, &e); ++i)
    names.push_back(e.name);
  if (r) blob_close(r);
  return names;
}

std::vector<uint16_t> kinds_of(TkList* list) {
  std::vector<uint16_t> out;
  entity_list_rewind(list);
  TkEntityHeader h;
  static TkEntityData data;
  while (entity_list_next(list, &h, &data)) out.push_back(h.kind);
  return out;
}

// ---- Layout objects ----

TEST_F(CompleteTest, NewAc1015DrawingHasItsLayoutsAndOlderOnesNone) {
  TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, TK_VERSION_AC1015);
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  EXPECT_EQ(entry_names(d, d->layout_dictionary), (std::vector<std::string>{"Layout1", "Model"}));
  std::vector<std::string> named = entry_names(d, d->named_objects);
  ASSERT_GE(named.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(named.end() - 4, named.end()),
            (std::vector<std::string>{"ACAD_LAYOUT", "ACAD_PLOTSETTINGS", "ACAD_PLOTSTYLENAME",
                                      "ACAD_WIPEOUT_VARS"}));
  EXPECT_EQ(entry_names(d, d->plotstyle_dictionary), std::vector<std::string>{})
      << "the plot-style dictionary keeps its entries as group items";
  TkHandle layer0;
  ASSERT_EQ(tk_layer_find(d, "0", &layer0), 1);
  TkLayerRecord layer;
  ASSERT_EQ(tk_layer_get(d, &layer0, &layer), 1);
  EXPECT_FALSE(tk_handle_is_null(&layer.plot_style));
  TkObjectHeader h;
  TkObjectData data;
  ASSERT_EQ(tk_object_get(d, &layer.plot_style, &h, &data), 1);
  EXPECT_EQ(h.type, tk_class_placeholder(d)) << "layer 0 plots with the Normal placeholder";
  TkBlockRecord model;
  ASSERT_EQ(tk_block_get(d, &d->fixed[TK_FIXED_MODEL_SPACE], &model), 1);
  ASSERT_EQ(tk_object_get(d, &model.layout, &h, &data), 1);
  EXPECT_EQ(h.type, tk_class_layout(d));
  EXPECT_EQ(h.reactor_count, 1u);
  EXPECT_EQ(tk_handle_compare(&h.owner, &d->layout_dictionary), 0);
  tk_close_drawing(d);

  d = tk_new_drawing(nullptr, nullptr, 0, TK_VERSION_AC1014);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(tk_handle_is_null(&d->layout_dictionary));
  EXPECT_EQ(entry_names(d, d->named_objects),
            (std::vector<std::string>{"ACAD_GROUP", "ACAD_MLINESTYLE"}));
  tk_close_drawing(d);
}

TEST_F(CompleteTest, LayoutObjectsTakeTheTemplateHandles) {
  std::vector<TkHandle> handles(TK_TEMPLATE_HANDLES);
  for (int i = 0; i < TK_TEMPLATE_HANDLES; ++i) handles[i].bytes[7] = static_cast<uint8_t>(0x20 + i);
  TkDrawing* d = tk_new_drawing(handles.data(), nullptr, 0, TK_VERSION_AC1015);
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  EXPECT_EQ(d->layout_dictionary.bytes[7], 0x20 + TK_TEMPLATE_LAYOUT_DICTIONARY);
  EXPECT_EQ(d->plotstyle_dictionary.bytes[7], 0x20 + TK_TEMPLATE_PLOTSTYLE_DICTIONARY);
  EXPECT_EQ(d->plotsettings_dictionary.bytes[7], 0x20 + TK_TEMPLATE_PLOTSETTINGS_DICTIONARY);
  EXPECT_EQ(d->named_objects.bytes[7], 0x20 + TK_TEMPLATE_DEFAULT_OBJECTS);
  EXPECT_EQ(d->seed.bytes[7], 0x20 + TK_TEMPLATE_HANDLES);
  tk_close_drawing(d);
}

TEST_F(CompleteTest, FailedAllocationsInANewAc1015DrawingLeaveNothing) {
  for (long fail = 0;; ++fail) {
    core_test::counts.fail_at = core_test::counts.calls + fail;
    long live = core_test::counts.live;
    TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, TK_VERSION_AC1015);
    core_test::counts.fail_at = -1;
    if (d) {
      tk_close_drawing(d);
      EXPECT_EQ(core_test::counts.live, live);
      break;
    }
    ASSERT_EQ(core_test::counts.live, live) << "allocation " << fail;
  }
}

struct UpgradeCase {
  const char* what;
  int16_t version;
  int16_t upgrade;
  bool layouts;
};

TEST_F(CompleteTest, UpgradeGivesOlderLoadsTheLayoutsOnce) {
  const UpgradeCase cases[] = {
      {"AC1014 upgraded", TK_VERSION_AC1014, 1, true},
      {"AC1014 as it is", TK_VERSION_AC1014, 0, false},
      {"AC1015 upgraded", TK_VERSION_AC1015, 1, false},
      {"AC1009 upgraded", TK_VERSION_AC1009, 1, true},
  };
  for (const UpgradeCase& c : cases) {
    SCOPED_TRACE(c.what);
    Script s;
    if (c.version >= TK_VERSION_AC1012) s.objects = {TK_OBJ_DICTIONARY};
    TkDrawing* d = open(s, c.version, false, c.upgrade);
    ASSERT_NE(d, nullptr) << tk_get_last_error();
    EXPECT_EQ(!tk_handle_is_null(&d->layout_dictionary), c.layouts);
    if (c.layouts) {
      EXPECT_EQ(entry_names(d, d->layout_dictionary),
                (std::vector<std::string>{"Layout1", "Model"}));
    }
    tk_close_drawing(d);
  }
}

// Newer DXF gives the space blocks' record handles in the BLOCK_RECORD table, which the loader
// reads through the DXF set directly; the DWG set has no such pass.
TEST_F(CompleteTest, SpaceBlocksTakeTheirBlockRecordHandles) {
  Script s;
  s.names[S_BLOCK_HEADER] = {"*Model_Space", "*Paper_Space", "DOOR"};
  s.names[S_BLOCK_RECORD] = {"DOOR", "*Paper_Space", "*MODEL_SPACE", "LATER"};
  TkDrawing* d = open(s, TK_VERSION_AC1015);
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  const uint64_t model = given_handles[{S_BLOCK_RECORD, "*MODEL_SPACE"}];
  const uint64_t paper = given_handles[{S_BLOCK_RECORD, "*Paper_Space"}];
  ASSERT_NE(model, 0u);
  EXPECT_EQ(d->fixed[TK_FIXED_MODEL_SPACE].bytes[7], model & 0xFF);
  EXPECT_EQ(d->fixed[TK_FIXED_PAPER_SPACE].bytes[7], paper & 0xFF);
  // The first pass stops when both are found; the second reads a record per block.
  std::vector<int> reads_per_pass;
  for (const Call& c : calls) {
    if (c.slot == S_SEEK_BLOCK_RECORDS) reads_per_pass.push_back(0);
    if (c.slot == S_BLOCK_RECORD && !reads_per_pass.empty()) ++reads_per_pass.back();
  }
  EXPECT_EQ(reads_per_pass, (std::vector<int>{3, 3})) << "no more than there are blocks";
  TkBlockRecord b;
  ASSERT_EQ(tk_block_get(d, &d->fixed[TK_FIXED_MODEL_SPACE], &b), 1);
  EXPECT_STREQ(b.name, "*Model_Space");

  // A block whose BLOCK did not name its record is keyed by the record's handle, which is what
  // the entities and objects that belong to it name.
  TkHandle door{}, as_read{};
  for (uint64_t v = given_handles[{S_BLOCK_RECORD, "DOOR"}], i = 8; i-- > 0; v >>= 8)
    door.bytes[i] = static_cast<uint8_t>(v);
  for (uint64_t v = given_handles[{S_BLOCK_HEADER, "DOOR"}], i = 8; i-- > 0; v >>= 8)
    as_read.bytes[i] = static_cast<uint8_t>(v);
  ASSERT_NE(tk_handle_compare(&door, &as_read), 0);
  ASSERT_EQ(tk_block_get(d, &door, &b), 1);
  EXPECT_STREQ(b.name, "DOOR");
  EXPECT_EQ(tk_block_get(d, &as_read, &b), 0) << "the handle it was read with is given up";
  TkHandle found;
  ASSERT_EQ(tk_find_record_by_name(d, "door", &found), 1);
  EXPECT_EQ(tk_handle_compare(&found, &door), 0);
  tk_close_drawing(d);

  // A record the table's control object does not own lies behind the table, whatever its name.
  Script past = s;
  past.names[S_BLOCK_RECORD] = {"DOOR", "*MODEL_SPACE", "*Paper_Space"};
  past.block_record_owners = {{"DOOR", 1}, {"*MODEL_SPACE", 1}, {"*Paper_Space", 0x77}};
  d = open(past, TK_VERSION_AC1015);
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  EXPECT_EQ(d->fixed[TK_FIXED_MODEL_SPACE].bytes[7],
            (given_handles[{S_BLOCK_RECORD, "*MODEL_SPACE"}] & 0xFF));
  EXPECT_NE(d->fixed[TK_FIXED_PAPER_SPACE].bytes[7],
            (given_handles[{S_BLOCK_RECORD, "*Paper_Space"}] & 0xFF));
  tk_close_drawing(d);

  d = open(s, TK_VERSION_AC1014, true);  // DWG: no BLOCK_RECORD pass
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  EXPECT_EQ(given_handles.count({S_BLOCK_RECORD, "DOOR"}), 0u);
  tk_close_drawing(d);
}

// ---- Paper-space viewports ----

// A DWG drawing from AC1012 on numbers its paper-space VIEWPORTs in their order, the first (the
// sheet) 1 and always on; whether another is on its header says up to AC1014 (the headers here
// say off) and its status flags from AC1015 on (clear here: on). Each is written back with its
// list entry.
TEST_F(CompleteTest, PaperSpaceViewportsAreNumberedInTheirOrder) {
  Script s;
  FakeEntity viewport;
  viewport.kind = TK_VIEWPORT;
  viewport.flags = 1;  // paper space
  FakeEntity line;
  line.kind = TK_LINE;
  s.entities = {viewport, line, viewport, viewport};
  s.vpent_headers = {{2, 1, false}, {0, 2, false}, {-1, 3, false}, {3, 4, true}};
  for (int16_t version : {TK_VERSION_AC1014, TK_VERSION_AC1015}) {
    SCOPED_TRACE(version);
    TkDrawing* d = open(s, version, true);
    ASSERT_NE(d, nullptr) << tk_get_last_error();
    ASSERT_EQ(entity_handles.size(), 4u);
    struct Expect {
      size_t entity;
      int16_t number;
      bool on;
    } const expected[] = {{0, 1, true}, {2, 2, version == TK_VERSION_AC1015},
                          {3, 3, true}};  // its header is deleted: nothing says it is off
    static TkEntityData data;
    for (const Expect& e : expected) {
      TkEntityHeader h;
      ASSERT_EQ(
          tk_get_entity_by_handle(d, &d->paper_entities, &entity_handles[e.entity], &h, &data), 1);
      EXPECT_EQ(tk_data_get<int16_t>(&data, TK_VIEWPORT_NUMBER), e.number);
      EXPECT_EQ(tk_data_get<int16_t>(&data, TK_VIEWPORT_STATUS) != 0, e.on) << e.number;
    }
    std::vector<TkHandle> order;
    for (const TkLink* l = list_first(&d->pspace_viewports); l; l = l->next)
      order.push_back(static_cast<const TkPspaceViewport*>(tk_link_data(l))->handle);
    ASSERT_EQ(order.size(), 3u) << "one entry per VIEWPORT";
    EXPECT_EQ(tk_handle_compare(&order[0], &entity_handles[0]), 0) << "viewport 1 first";
    EXPECT_EQ(list_count(&d->paper_entities), 3);
    tk_close_drawing(d);
  }

  // DXF has no viewport-entity headers: its VIEWPORTs keep the numbers the file gives.
  TkDrawing* d = open(s, TK_VERSION_AC1015);
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  for (const Call& c : calls) EXPECT_NE(c.slot, S_BEGIN_VPENT_HEADERS);
  tk_close_drawing(d);
}

// ---- Header references ----

TEST_F(CompleteTest, HeaderNamesBecomeHandles) {
  Script s;
  s.names[S_DIMSTYLE] = {"Arch"};
  s.header_names = {{TK_HNV_CLAYER, "Walls"},     {TK_HNV_CELTYPE, "Dashed"},
                    {TK_HNV_DIMSTYLE, "*UNNAMED"}, {TK_HNV_TEXTSTYLE, "standard"},
                    {TK_HNV_CMLSTYLE, "Double"}};
  TkDrawing* d = open(s, TK_VERSION_AC1014);
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  const TkHandle* refs = d->header->name_handles;
  TkHandle walls, standard;
  ASSERT_EQ(tk_layer_find(d, "Walls", &walls), 1) << "the current layer is made";
  EXPECT_EQ(tk_handle_compare(&refs[TK_HNV_CLAYER], &walls), 0);
  EXPECT_EQ(tk_handle_compare(&refs[TK_HNV_CELTYPE], &d->byblock_linetype), 0)
      << "an unknown current linetype draws by block";
  EXPECT_TRUE(tk_handle_is_null(&refs[TK_HNV_DIMSTYLE]));
  ASSERT_EQ(tk_style_find(d, "Standard", &standard), 1);
  EXPECT_EQ(tk_handle_compare(&refs[TK_HNV_TEXTSTYLE], &standard), 0);
  EXPECT_EQ(tk_handle_compare(&refs[TK_HNV_DIMTXSTY], &standard), 0) << "empty: Standard";
  EXPECT_TRUE(tk_handle_is_null(&refs[TK_HNV_UCSNAME]));
  TkObjectHeader h;
  TkObjectData data;
  ASSERT_EQ(tk_object_get(d, &refs[TK_HNV_CMLSTYLE], &h, &data), 1) << "the style is made";
  EXPECT_EQ(h.type, TK_OBJ_MLINESTYLE);
  EXPECT_STREQ(data.mlinestyle.name, "Double");
  tk_close_drawing(d);
}

int16_t build_arrow(TkDrawing* d, const char* name, TkHandle* out) {
  return std::string(name) == "ARCHTICK" ? tk_next_handle(d, nullptr, 0, out) : 0;
}

TEST_F(CompleteTest, ArrowNamesFindTheirBlocksOrGetOneBuilt) {
  Script s;
  s.names[S_BLOCK_HEADER] = {"_DOT"};
  mem_files.clear();
  TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, TK_VERSION_AC1014);
  ASSERT_NE(d, nullptr);
  d->is_dxf = 1;
  std::snprintf(d->header->dimblk, sizeof d->header->dimblk, "ARCHTICK");
  std::snprintf(d->header->dimblk1, sizeof d->header->dimblk1, "*MODEL_SPACE");
  std::snprintf(d->header->dimblk2, sizeof d->header->dimblk2, "NOSUCH");
  tk_state->arrow_block_create = build_arrow;
  tk_state->create_arrows = 0;
  ASSERT_EQ(tk_resolve_header_references(d, d->header), 1);
  EXPECT_TRUE(tk_handle_is_null(&d->header->arrow_blocks[TK_ARROW_DIMBLK])) << "switch off";
  EXPECT_EQ(tk_handle_compare(&d->header->arrow_blocks[TK_ARROW_DIMBLK1],
                              &d->fixed[TK_FIXED_MODEL_SPACE]),
            0);
  tk_state->create_arrows = 1;
  ASSERT_EQ(tk_resolve_header_references(d, d->header), 1);
  EXPECT_FALSE(tk_handle_is_null(&d->header->arrow_blocks[TK_ARROW_DIMBLK])) << "built";
  EXPECT_TRUE(tk_handle_is_null(&d->header->arrow_blocks[TK_ARROW_DIMBLK2]));
  EXPECT_TRUE(tk_handle_is_null(&d->header->arrow_blocks[TK_ARROW_DIMLDRBLK])) << "empty name";
  tk_state->arrow_block_create = nullptr;
  tk_state->create_arrows = 0;
  tk_close_drawing(d);
}

// ---- Entity loading hooks ----

int read_hook_calls = 0;
void read_hook(TkEntityHeader*, TkEntityData*) { ++read_hook_calls; }

TEST_F(CompleteTest, KindSelectionSkippedEntitiesAndTheReadHook) {
  Script s;
  for (uint16_t kind : {TK_LINE, TK_CIRCLE, TK_ARC, TK_LINE}) {
    FakeEntity e;
    e.kind = kind;
    s.entities.push_back(e);
  }
  read_hook_calls = 0;
  tk_state->entity_read_hook = read_hook;
  TkDrawing* d = open(s, TK_VERSION_AC1014);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(kinds_of(&d->model_entities),
            (std::vector<uint16_t>{TK_LINE, TK_CIRCLE, TK_ARC, TK_LINE}));
  EXPECT_EQ(read_hook_calls, 4);
  tk_close_drawing(d);
  tk_state->entity_read_hook = nullptr;

  s.skipped_kinds = {TK_CIRCLE};
  d = open(s, TK_VERSION_AC1014);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(kinds_of(&d->model_entities), (std::vector<uint16_t>{TK_LINE, TK_ARC, TK_LINE}));
  tk_close_drawing(d);

  s.skipped_kinds.clear();
  std::memset(tk_state->kind_selection, 0, sizeof tk_state->kind_selection);
  tk_state->kind_selection[TK_ARC] = 1;
  d = open(s, TK_VERSION_AC1014, false, 0, 2);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(kinds_of(&d->model_entities), (std::vector<uint16_t>{TK_ARC}));
  tk_close_drawing(d);
  std::memset(tk_state->kind_selection, 0, sizeof tk_state->kind_selection);
}

// ---- Extended-data references ----

TkXdataItem item(uint16_t code, const void* value = nullptr, uint16_t length = 0) {
  TkXdataItem it{};
  it.code = code;
  it.length = length;
  if (value) std::memcpy(it.value, value, length ? length : 8);
  return it;
}

TkBlob* xdata_of(std::vector<TkXdataItem> items) {
  TkBlob* stored = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob_create(stored);
  for (TkXdataItem& it : items) xdata_append_item(w, &it);
  blob_close_write(w);
  return stored;
}

std::vector<TkXdataItem> items_of(TkBlob* blob) {
  std::vector<TkXdataItem> out;
  if (!blob) return out;
  TkBlob* r = blob_open_read(blob);
  TkXdataItem it;
  while (xdata_read_item(r, &it)) out.push_back(it);
  blob_close(r);
  return out;
}

TEST_F(CompleteTest, ExtendedDataReferencesBecomeHandles) {
  TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, TK_VERSION_AC1014);
  ASSERT_NE(d, nullptr);
  TkHandle acad, layer0;
  ASSERT_EQ(tk_appid_find(d, "ACAD", &acad), 1);
  ASSERT_EQ(tk_layer_find(d, "0", &layer0), 1);
  const TkHandle unknown{{0, 0, 0, 0, 0, 0, 0x7F, 0x7F}};

  struct Case {
    const char* what;
    uint8_t is_dxf;
    int16_t version;
    uint8_t app[8];
    uint8_t layer[8];
    TkHandle want_app, want_layer;
  } const cases[] = {
      {"older DWG by position", 0, TK_VERSION_AC1009, {0}, {0}, acad, layer0},
      {"older DWG past the table", 0, TK_VERSION_AC1009, {9}, {9}, {}, {}},
      {"DXF handle kept", 1, TK_VERSION_AC1014, {}, {}, acad, layer0},
      {"handle of nothing", 1, TK_VERSION_AC1014, {}, {}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    d->is_dxf = c.is_dxf;
    d->version = c.version;
    uint8_t app[8], layer[8];
    std::memcpy(app, c.app, 8);
    std::memcpy(layer, c.layer, 8);
    if (c.is_dxf) {
      const TkHandle& a = tk_handle_is_null(&c.want_app) ? unknown : acad;
      const TkHandle& l = tk_handle_is_null(&c.want_layer) ? unknown : layer0;
      std::memcpy(app, a.bytes, 8);
      std::memcpy(layer, l.bytes, 8);
    }
    int16_t word = 7;
    TkBlob* xdata = xdata_of({item(1001, app), item(1070, &word, 2), item(1003, layer)});
    ASSERT_EQ(tk_collect_xdata_fixups(d, xdata), 1);
    EXPECT_EQ(d->xdata_fixup_count, 2);
    ASSERT_EQ(tk_resolve_xdata_fixups(d), 1);
    EXPECT_EQ(d->xdata_fixups, nullptr);
    std::vector<TkXdataItem> items = items_of(xdata);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(std::memcmp(items[0].value, c.want_app.bytes, 8), 0);
    EXPECT_EQ(std::memcmp(items[1].value, &word, 2), 0);
    EXPECT_EQ(std::memcmp(items[2].value, c.want_layer.bytes, 8), 0);
    blob_free(xdata);
  }
  tk_close_drawing(d);
}

// An AC1009 VIEWPORT keeps its view in the extended data of "ACAD"; the settings move into the
// entity and only the other applications' items stay.
TEST_F(CompleteTest, OlderViewportSettingsLeaveTheExtendedData) {
  TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, TK_VERSION_AC1014);
  ASSERT_NE(d, nullptr);
  d->version = TK_VERSION_AC1009;
  TkHandle acad, layer0;
  ASSERT_EQ(tk_appid_find(d, "ACAD", &acad), 1);
  ASSERT_EQ(tk_layer_find(d, "0", &layer0), 1);
  TkHandle other{{0, 0, 0, 0, 0, 0, 0, 0x66}};
  int16_t keep = 42;
  double target[3] = {1, 2, 3}, direction[3] = {1e-14, 0, 1};
  std::vector<TkXdataItem> items = {item(1001, other.bytes), item(1070, &keep, 2),
                                    item(1001, acad.bytes), item(1000, "MVIEW", 5),
                                    item(1002, "\0", 1),    item(1070, &keep, 2),
                                    item(1010, target, 24), item(1010, direction, 24)};
  for (double v : {0.5, 10.0, 3.0, 4.0, 50.0, 0.0, 0.0}) items.push_back(item(1040, &v, 8));
  int16_t status = 1, zoom = 100, on = 1, off = 0, two = 2;
  items.push_back(item(1070, &status, 2));
  items.push_back(item(1070, &zoom, 2));
  for (int16_t* v : {&on, &off, &off, &off, &off}) items.push_back(item(1070, v, 2));
  items.push_back(item(1070, &two, 2));
  for (double v : {0.0, 0.0, 0.0, 1.0, 1.0, 2.0, 2.0}) items.push_back(item(1040, &v, 8));
  items.push_back(item(1070, &on, 2));
  items.push_back(item(1002, "\0", 1));
  items.push_back(item(1003, layer0.bytes));
  items.push_back(item(1002, "\1", 1));
  items.push_back(item(1002, "\1", 1));

  TkEntityHeader h{};
  h.kind = TK_VIEWPORT;
  static TkEntityData data;
  tk_init_entity(d, &h, &data);
  h.handle.bytes[7] = 0xA0;
  h.flags |= 1;
  h.xdata = xdata_of(items);
  ASSERT_EQ(tk_add_entity(d, &d->paper_entities, &h, &data), 1) << tk_get_last_error();
  EXPECT_EQ(tk_has_viewport_entities(d), 1);

  ASSERT_EQ(tk_viewport_settings_from_xdata(d), 1);
  TkEntityHeader got{};
  ASSERT_EQ(tk_get_entity_by_handle(d, &d->paper_entities, &h.handle, &got, &data), 1);
  const TkGroupDesc* dir = tk_entity_group_find(TK_VIEWPORT, 16);
  ASSERT_NE(dir, nullptr);
  EXPECT_EQ(tk_data_get<double>(&data, dir->offset), 0.0) << "below 1e-13 becomes 0";
  EXPECT_EQ(tk_data_get<double>(&data, dir->offset + 16), 1.0);
  EXPECT_EQ(tk_data_get<int32_t>(&data, tk_entity_group_find(TK_VIEWPORT, 90)->offset),
            1 | 0x80 | 0x2000 | 0x800);
  EXPECT_EQ(tk_data_get<uint32_t>(&data, TK_VIEWPORT_LAYER_COUNT), 1u);
  std::vector<TkXdataItem> left = items_of(got.xdata);
  ASSERT_EQ(left.size(), 2u) << "only the other application's items stay";
  EXPECT_EQ(left[0].code, 1001);
  EXPECT_EQ(std::memcmp(left[0].value, other.bytes, 8), 0);
  tk_close_drawing(d);
}

// ---- Dictionary variables ----

// Both readers give a dictionary variable's value as the text of its record.
TEST_F(CompleteTest, DictionaryVariablesReadAsIntegers) {
  struct Var {
    const char* name;
    const char* text;
  } const vars[] = {
      {"XCLIPFRAME", "1"}, {"LONGCODE", "-42"}, {"WORDY", "many"},
      {"EMPTY", ""},       {"HUGE", "99999999999"},
  };
  struct Expect {
    const char* name;
    int32_t value;  // with the default 5
    const char* what;
  } const expected[] = {
      {"xclipframe", 1, "names compare without case"},
      {"LONGCODE", -42, "a negative number"},
      {"WORDY", 5, "not a number"},
      {"ABSENT", 5, "no such variable"},
      {"EMPTY", 5, "an empty text"},
      {"HUGE", 5, "beyond 32 bits"},
  };
  TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, TK_VERSION_AC1015);
  ASSERT_NE(d, nullptr);
  std::vector<TkDictEntry> entries;
  for (const Var& v : vars) {
    TkObjectHeader h{};
    TkObjectData data;
    h.type = tk_class_dictionaryvar(d);
    tk_init_object(d, &h, &data);
    ASSERT_EQ(tk_next_handle(d, nullptr, 0, &h.handle), 1);
    std::snprintf(data.dictionaryvar.value, sizeof data.dictionaryvar.value, "%s", v.text);
    ASSERT_EQ(tk_object_add(d, &h, &data), 1);
    TkDictEntry e{};
    std::snprintf(e.name, sizeof e.name, "%s", v.name);
    e.object = h.handle;
    entries.push_back(e);
  }
  TkObjectHeader h{};
  TkObjectData data;
  h.type = TK_OBJ_DICTIONARY;
  tk_init_object(d, &h, &data);
  ASSERT_EQ(tk_next_handle(d, nullptr, 0, &h.handle), 1);
  data.dictionary.entries = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob_create(data.dictionary.entries);
  for (const TkDictEntry& e : entries) tk_dict_entry_write(w, &e);
  blob_close_write(w);
  data.dictionary.entry_count = static_cast<uint32_t>(entries.size());
  ASSERT_EQ(tk_object_add(d, &h, &data), 1);
  for (const Expect& e : expected)
    EXPECT_EQ(tk_get_dictionary_var(d, e.name, 5), e.value) << e.name << ": " << e.what;
  tk_close_drawing(d);
}

// ---- TrueType glyphs and work buffers ----

struct GlyphRun {
  int lines = 0;
  int fills = 0;
};

int16_t square_glyph(int16_t, const double*, const TkTrueTypeFontSpec*, TkTrueTypeGlyph* g,
                     TkUserData) {
  g->advance = 2.5;
  g->contour_count = 1;
  g->contours = static_cast<TkBlob**>(mem_alloc(sizeof(TkBlob*)));
  g->segment_counts = static_cast<int32_t*>(mem_alloc(sizeof(int32_t)));
  g->contours[0] = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob_create(g->contours[0]);
  const double points[] = {0, 0, 1, 0, 1, 0, 1, 3, 1, 3, -1, 0};
  blob_write(w, points, sizeof points);
  blob_close_write(w);
  g->segment_counts[0] = 3;
  g->flags = TK_GLYPH_OUTLINE | TK_GLYPH_FREE;
  return 0;
}

TEST_F(CompleteTest, TrueTypeGlyphsAdvanceMeasureAndDraw) {
  TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, TK_VERSION_AC1014);
  ASSERT_NE(d, nullptr);
  GlyphRun run;
  TkGlyphOutput out{};
  out.line = [](void* t, TkDrawing*, const double*, const double*) {
    ++static_cast<GlyphRun*>(t)->lines;
  };
  out.fill = [](void* t, TkDrawing*, const TkTrueTypeGlyph*) {
    ++static_cast<GlyphRun*>(t)->fills;
  };
  out.target = &run;
  double advance = 1.0;
  const double origin[2] = {0, 0};
  TkTrueTypeFontSpec font{};
  EXPECT_EQ(tk_truetype_glyph_bridge(&advance, 'A', origin, &font, d, &out, nullptr, 1), nullptr);
  EXPECT_EQ(advance, 1.0) << "no callback: no glyph, no advance";

  ASSERT_EQ(tk_init(), 1);  // the display block holds the callback
  tk_set_draw_truetype_text_callback(square_glyph);
  double box[4] = {1e9, 1e9, -1e9, -1e9};
  EXPECT_EQ(tk_truetype_glyph_bridge(&advance, 'A', origin, &font, d, &out, box, 1), &advance);
  EXPECT_EQ(advance, 3.5);
  EXPECT_EQ(run.lines, 3);
  EXPECT_EQ(run.fills, 0);
  EXPECT_EQ(box[0], -1.0);
  EXPECT_EQ(box[3], 3.0);
  tk_shutdown();

  d->work_buffers[3] = mem_alloc(64);
  d->work_buffers[11] = mem_alloc(8);
  tk_close_drawing(d);  // the teardown finds nothing left
}

}  // namespace
