// Symbol-table lists: find without regard to case, get and put by handle (including handles of
// another table), linetype placement in front of the BYBLOCK/BYLAYER run, layer state, record
// defaults, and adds that fail (duplicate handle, no memory) leaving list and index unchanged.
#include "toolkit/core/symtab.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drawing_fixture.h"
#include "records_support.h"
#include "toolkit/core/hdr.h"

namespace {

TkHandle H(uint8_t v) { return TkHandle{{0, 0, 0, 0, 0, 0, 0, v}}; }

class SymtabTest : public records_test::StartedToolkit {
 protected:
  static int16_t add_ltype(TkDrawing* d, const char* name, uint8_t handle) {
    TkLinetypeRecord r;
    tk_init_ltype_record(&r);
    strcpy(r.name, name);
    r.handle = H(handle);
    return tk_ltype_add(d, &r);
  }
  static int16_t add_layer(TkDrawing* d, const char* name, uint8_t handle, int16_t color = 7,
                           uint8_t flags = 0) {
    TkLayerRecord r;
    tk_init_layer_record(d, &r);
    strcpy(r.name, name);
    r.handle = H(handle);
    r.color = color;
    r.flags = flags;
    return tk_layer_add(d, &r);
  }
  static int16_t add_style(TkDrawing* d, const char* name, uint8_t handle) {
    TkTextStyleRecord r;
    tk_init_style_record(&r);
    strcpy(r.name, name);
    r.handle = H(handle);
    return tk_style_add(d, &r);
  }
  static std::vector<std::string> ltype_names(TkDrawing* d) {
    std::vector<std::string> out;
    TkLinetypeRecord r;
    tk_ltype_rewind(d);
    while (tk_ltype_next(d, &r)) out.push_back(r.name);
    EXPECT_EQ(tk_ltype_count(d), int32_t(out.size()));
    return out;
  }
  static std::vector<std::string> layer_names(TkDrawing* d) {
    std::vector<std::string> out;
    TkLayerRecord r;
    tk_layer_list_rewind(d);
    while (tk_layer_list_next(d, &r)) out.push_back(r.name);
    return out;
  }
};

TEST_F(SymtabTest, FindIgnoresCaseAndKeepsTheListPosition) {
  records_test::BareDrawing d;
  ASSERT_EQ(add_style(d.get(), "Standard", 0x10), 1);
  ASSERT_EQ(add_style(d.get(), "Romans", 0x11), 1);
  ASSERT_EQ(add_layer(d.get(), "0", 0x20), 1);
  ASSERT_EQ(add_layer(d.get(), "Walls", 0x21), 1);

  tk_style_list_rewind(d.get());
  TkTextStyleRecord s;
  ASSERT_EQ(tk_style_list_next(d.get(), &s), 1);

  struct Case {
    int16_t (*find)(TkDrawing*, const char*, TkHandle*);
    const char* name;
    int16_t found;
    uint8_t handle;
  } const cases[] = {
      {tk_style_find, "standard", 1, 0x10}, {tk_style_find, "ROMANS", 1, 0x11},
      {tk_style_find, "Roman", 0, 0},       {tk_layer_find, "WALLS", 1, 0x21},
      {tk_layer_find, "walls2", 0, 0},      {tk_ltype_find, "Continuous", 0, 0},
      {tk_appid_find, "ACAD", 0, 0},        {tk_find_record_by_name, "*MODEL_SPACE", 0, 0},
  };
  for (const Case& c : cases) {
    TkHandle h = H(0x99);
    EXPECT_EQ(c.find(d.get(), c.name, &h), c.found) << c.name;
    EXPECT_EQ(h.bytes[7], c.handle) << c.name;
  }
  ASSERT_EQ(tk_style_list_next(d.get(), &s), 1);
  EXPECT_STREQ(s.name, "Romans");
  EXPECT_EQ(tk_style_list_next(d.get(), &s), 0);
}

TEST_F(SymtabTest, GetAndPutByHandle) {
  records_test::BareDrawing d;
  add_layer(d.get(), "0", 0x20);
  add_layer(d.get(), "Walls", 0x21);
  add_layer(d.get(), "Doors", 0x22);
  add_style(d.get(), "Standard", 0x10);

  TkLayerRecord r;
  TkHandle walls = H(0x21), style = H(0x10), unknown = H(0x77);
  ASSERT_EQ(tk_layer_get(d.get(), &walls, &r), 1);
  EXPECT_STREQ(r.name, "Walls");
  ASSERT_EQ(tk_layer_list_next(d.get(), &r), 1);  // the list stands behind the record
  EXPECT_STREQ(r.name, "Doors");

  EXPECT_EQ(tk_layer_get(d.get(), &unknown, &r), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_HANDLE_NOT_IN_BTREE);
  // A style's handle never reads a style record as a layer.
  EXPECT_EQ(tk_layer_get(d.get(), &style, &r), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_SET_CURRENT_NODE);

  ASSERT_EQ(tk_layer_get(d.get(), &walls, &r), 1);
  r.color = 3;
  ASSERT_EQ(tk_layer_put(d.get(), &r), 1);
  r.handle = unknown;
  EXPECT_EQ(tk_layer_put(d.get(), &r), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_HANDLE_NOT_IN_BTREE);
  ASSERT_EQ(tk_layer_get(d.get(), &walls, &r), 1);
  EXPECT_EQ(r.color, 3);
  EXPECT_EQ(layer_names(d.get()), (std::vector<std::string>{"0", "Walls", "Doors"}));
}

TEST_F(SymtabTest, LinetypesGoInFrontOfTheByBlockByLayerRun) {
  struct Case {
    std::vector<const char*> existing;
    const char* added;
    std::vector<std::string> result;
  } const cases[] = {
      {{}, "Continuous", {"Continuous"}},
      {{"ByBlock", "ByLayer"}, "Continuous", {"Continuous", "ByBlock", "ByLayer"}},
      {{"Continuous", "BYLAYER"}, "Dashed", {"Continuous", "Dashed", "BYLAYER"}},
      {{"Continuous", "Hidden"}, "Dashed", {"Continuous", "Hidden", "Dashed"}},
      {{"ByBlock", "ByLayer"}, "BYLAYER", {"ByBlock", "ByLayer", "BYLAYER"}},
      {{"Continuous"}, "byblock", {"Continuous", "byblock"}},
      // The walk back stops after three records.
      {{"A", "ByBlock", "ByLayer", "ByBlock", "ByLayer"},
       "Dashed",
       {"A", "ByBlock", "Dashed", "ByLayer", "ByBlock", "ByLayer"}},
  };
  for (const Case& c : cases) {
    records_test::BareDrawing d;
    uint8_t h = 1;
    for (const char* name : c.existing) ASSERT_EQ(add_ltype(d.get(), name, h++), 1);
    ASSERT_EQ(add_ltype(d.get(), c.added, h), 1) << c.added;
    EXPECT_EQ(ltype_names(d.get()), c.result) << c.added;
    TkHandle added = H(h);
    TkLinetypeRecord r;
    ASSERT_EQ(tk_ltype_get(d.get(), &added, &r), 1);
    EXPECT_STREQ(r.name, c.added);
  }
}

TEST_F(SymtabTest, LayerState) {
  struct Case {
    int16_t color;
    uint8_t flags;
    int16_t on, frozen, vp_frozen, locked;  // the state set
    int16_t color_after;
    uint8_t flags_after;
  } const cases[] = {
      {-7, 0, 1, 0, 0, 0, 7, 0},
      {7, 0, 0, 0, 0, 0, -7, 0},
      {-7, 0, -1, 0, 0, 0, 7, 0},  // -1 turns a layer on
      {7, 7, 1, -1, -1, -1, 7, 0},  // and clears a flag
      {7, 0, 1, 1, 2, 99, 7, 7},
      {3, 1, 1, 0, 1, 0, 3, 2},
  };
  for (const Case& c : cases) {
    records_test::BareDrawing d;
    ASSERT_EQ(add_layer(d.get(), "L", 0x30, c.color, c.flags), 1);
    TkHandle h = H(0x30);
    int16_t on, frozen, vp_frozen, locked;
    ASSERT_EQ(tk_layer_get_state(d.get(), &h, &on, &frozen, &vp_frozen, &locked), 1);
    EXPECT_EQ(on, c.color >= 0);
    EXPECT_EQ(frozen, (c.flags & 1) != 0);
    EXPECT_EQ(vp_frozen, (c.flags & 2) != 0);
    EXPECT_EQ(locked, (c.flags & 4) != 0);

    ASSERT_EQ(tk_layer_set_state(d.get(), &h, c.on, c.frozen, c.vp_frozen, c.locked), 1);
    TkLayerRecord r;
    ASSERT_EQ(tk_layer_get(d.get(), &h, &r), 1);
    EXPECT_EQ(r.color, c.color_after) << c.color << " on " << c.on;
    EXPECT_EQ(r.flags, c.flags_after) << c.color << " on " << c.on;
  }
  records_test::BareDrawing d;
  TkHandle absent = H(1);
  int16_t v;
  EXPECT_EQ(tk_layer_get_state(d.get(), &absent, &v, &v, &v, &v), 0);
  EXPECT_EQ(tk_layer_set_state(d.get(), &absent, 1, 0, 0, 0), 0);
}

TEST_F(SymtabTest, RecordDefaults) {
  records_test::BareDrawing d;
  TkLayerRecord layer;
  tk_init_layer_record(d.get(), &layer);
  EXPECT_TRUE(tk_handle_is_null(&layer.linetype));  // no linetype yet
  add_ltype(d.get(), "Continuous", 0x40);
  add_ltype(d.get(), "Dashed", 0x41);
  d->default_plot_style = H(0x50);
  tk_init_layer_record(d.get(), &layer);
  EXPECT_EQ(layer.color, 7);
  EXPECT_EQ(layer.flags, 0);
  EXPECT_EQ(layer.linetype.bytes[7], 0x40);
  EXPECT_EQ(layer.plot, 1);
  EXPECT_EQ(layer.lineweight, -3);
  EXPECT_EQ(layer.plot_style.bytes[7], 0x50);
  EXPECT_EQ(layer.xref_index, -1);

  TkLinetypeRecord lt;
  tk_init_ltype_record(&lt);
  EXPECT_EQ(lt.alignment, 'A');
  EXPECT_EQ(lt.flags, 64);
  EXPECT_EQ(lt.element_count, 0);

  TkUcsRecord ucs;
  tk_init_ucs_record(&ucs);
  EXPECT_EQ(ucs.x_axis[0], 1.0);
  EXPECT_EQ(ucs.y_axis[1], 1.0);
  EXPECT_EQ(ucs.xref_index, -1);

  add_style(d.get(), "Standard", 0x60);
  TkDimStyleRecord ds;
  tk_init_dimstyle_record(d.get(), &ds);
  EXPECT_EQ(ds.dimtxsty.bytes[7], 0x60);
  EXPECT_EQ(ds.dimasz, 0.18);
  EXPECT_EQ(ds.dimexo, 0.0625);
  EXPECT_EQ(ds.dimaltf, 25.4);
  EXPECT_EQ(ds.dimfit, 3);
  EXPECT_EQ(ds.dimlunit, 2);
  EXPECT_EQ(ds.dimtih, 1);
  EXPECT_EQ(ds.dimdec, 4);
  EXPECT_TRUE(tk_handle_is_null(&ds.dimblk));

  TkAppIdRecord app;
  tk_init_appid_record(&app);
  EXPECT_EQ(app.xref_index, -1);
  TkBlockRecord block;
  tk_init_block_record(&block);
  EXPECT_EQ(block.index, -1);
  EXPECT_EQ(block.set_byte, 1);
  TkViewRecord view;
  tk_copy_view_defaults(&view);
  EXPECT_EQ(view.direction[2], 1.0);

  TkVportRecord vp;
  tk_copy_vport_defaults(&vp);
  EXPECT_EQ(vp.center[0], 6.591288);
  EXPECT_EQ(vp.height, 9.158369);
  EXPECT_EQ(vp.direction[2], 1.0);
  EXPECT_EQ(vp.snap_spacing[1], 1.0);
  EXPECT_EQ(vp.fast_zoom, 1);

  // A drawing's own header carries into its dimension style.
  TkHeader header;
  header_set_defaults(&header);
  header.dimscale = 48;
  strcpy(header.dimpost, "mm");
  tk_dimstyle_from_header(&ds, &header);
  EXPECT_EQ(ds.dimscale, 48);
  EXPECT_STREQ(ds.dimpost, "mm");
}

TEST_F(SymtabTest, DuplicateHandleIsRefusedAndNamed) {
  records_test::BareDrawing d;
  add_layer(d.get(), "0", 0x20);
  add_style(d.get(), "Standard", 0x21);
  EXPECT_EQ(add_layer(d.get(), "Walls", 0x21), 0);  // a style holds that handle already
  EXPECT_EQ(tk_get_last_error(), TK_ERR_ADD_DUPLICATE_HANDLE);
  EXPECT_EQ(tk_state->failing_handle[7], 0x21);
  EXPECT_EQ(add_ltype(d.get(), "Dashed", 0x20), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_ADD_DUPLICATE_HANDLE);
  EXPECT_EQ(layer_names(d.get()), std::vector<std::string>{"0"});
  EXPECT_EQ(tk_ltype_count(d.get()), 0);
}

TEST_F(SymtabTest, FailedAddsLeaveListAndIndexAsTheyWere) {
  records_test::BareDrawing d;
  // 22 records fill the index's root node, so the next add allocates the record and two nodes.
  for (uint8_t i = 1; i <= 20; ++i) add_layer(d.get(), ("L" + std::to_string(i)).c_str(), i);
  add_ltype(d.get(), "ByBlock", 0x30);
  add_ltype(d.get(), "ByLayer", 0x31);
  const auto layers = layer_names(d.get());
  const auto ltypes = ltype_names(d.get());

  struct Case {
    const char* what;
    int16_t (*add)(TkDrawing*);
    TkError record_error;  // when the record itself cannot be allocated
  } const cases[] = {
      {"layer", [](TkDrawing* dr) { return add_layer(dr, "New", 0x40); }, TK_ERR_ALLOC_STRUCTURE},
      {"linetype", [](TkDrawing* dr) { return add_ltype(dr, "Dashed", 0x40); },
       TK_ERR_ALLOC_VM_LINETYPE},
  };
  for (const Case& c : cases) {
    long n = 0;
    for (;; ++n) {
      fail_allocation(n);
      int16_t ok = c.add(d.get());
      fail_allocation(-1);
      if (ok) break;
      if (n == 0) {
        EXPECT_EQ(tk_get_last_error(), c.record_error) << c.what;
      } else {
        EXPECT_EQ(tk_get_last_error(), TK_ERR_BTREE) << c.what;
      }
      EXPECT_EQ(layer_names(d.get()), layers) << c.what << " " << n;
      EXPECT_EQ(ltype_names(d.get()), ltypes) << c.what << " " << n;
      TkHandle h = H(0x40);
      EXPECT_EQ(hidx_lookup(&d->index, &h), nullptr);
    }
    EXPECT_GE(n, 1) << c.what;
    // Undo the successful add for the next case.
    TkHandle h = H(0x40);
    if (c.add == cases[1].add) {
      EXPECT_EQ(ltype_names(d.get()), (std::vector<std::string>{"Dashed", "ByBlock", "ByLayer"}));
      ASSERT_EQ(tk_ltype_delete(d.get(), &h), 1);
    } else {
      TkLink* link = static_cast<TkLink*>(hidx_lookup(&d->index, &h));
      ASSERT_NE(link, nullptr);
      list_remove(&d->layers, link);
      hidx_remove(&d->index, &h);
      core_test::counting_free(link);
    }
  }
  EXPECT_EQ(layer_names(d.get()), layers);
  EXPECT_EQ(ltype_names(d.get()), ltypes);
}

TEST_F(SymtabTest, DeletingLinetypes) {
  records_test::BareDrawing d;
  TkHandle h = H(0x41);
  EXPECT_EQ(tk_ltype_delete(d.get(), &h), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_NO_LINETYPES);
  add_ltype(d.get(), "Continuous", 0x40);
  add_layer(d.get(), "0", 0x42);
  EXPECT_EQ(tk_ltype_delete(d.get(), &h), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_LINETYPE_NOT_FOUND);
  TkHandle layer = H(0x42);
  EXPECT_EQ(tk_ltype_delete(d.get(), &layer), 0);  // a layer is no linetype
  EXPECT_EQ(tk_get_last_error(), TK_ERR_LINETYPE_NOT_FOUND);
  EXPECT_EQ(layer_names(d.get()), std::vector<std::string>{"0"});
  TkHandle cont = H(0x40);
  ASSERT_EQ(tk_ltype_delete(d.get(), &cont), 1);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_NONE);
  EXPECT_EQ(tk_ltype_count(d.get()), 0);
  EXPECT_EQ(hidx_lookup(&d->index, &cont), nullptr);
}

// Every table's operations reach that table's list and no other.
struct TableOps {
  const char* table;
  TkList TkDrawing::*list;
  size_t size, name_offset, handle_offset;
  int16_t (*rewind)(TkDrawing*);
  int16_t (*next)(TkDrawing*, void*);
  int32_t (*count)(const TkDrawing*);
  int16_t (*get)(TkDrawing*, const TkHandle*, void*);  // null where the table has none
  int16_t (*put)(TkDrawing*, const void*);
  int16_t (*find)(TkDrawing*, const char*, TkHandle*);
};

#define NEXT(Rec, fn) [](TkDrawing* d, void* r) { return fn(d, static_cast<Rec*>(r)); }
#define GET(Rec, fn) \
  [](TkDrawing* d, const TkHandle* h, void* r) { return fn(d, h, static_cast<Rec*>(r)); }
#define PUT(Rec, fn) [](TkDrawing* d, const void* r) { return fn(d, static_cast<const Rec*>(r)); }
#define LAYOUT(Rec, member) #member, &TkDrawing::member, sizeof(Rec), offsetof(Rec, name), offsetof(Rec, handle)

const TableOps kTables[] = {
    {LAYOUT(TkLayerRecord, layers), tk_layer_list_rewind, NEXT(TkLayerRecord, tk_layer_list_next),
     tk_layer_list_count, GET(TkLayerRecord, tk_layer_get), PUT(TkLayerRecord, tk_layer_put),
     tk_layer_find},
    {LAYOUT(TkTextStyleRecord, styles), tk_style_list_rewind,
     NEXT(TkTextStyleRecord, tk_style_list_next), tk_style_list_count,
     GET(TkTextStyleRecord, tk_style_get), nullptr, tk_style_find},
    {LAYOUT(TkLinetypeRecord, linetypes), tk_ltype_rewind, NEXT(TkLinetypeRecord, tk_ltype_next),
     tk_ltype_count, GET(TkLinetypeRecord, tk_ltype_get), nullptr, tk_ltype_find},
    {LAYOUT(TkDimStyleRecord, dimstyles), tk_dimstyle_rewind,
     NEXT(TkDimStyleRecord, tk_dimstyle_next), tk_dimstyle_count,
     GET(TkDimStyleRecord, tk_dimstyle_get), PUT(TkDimStyleRecord, tk_dimstyle_put), nullptr},
    {LAYOUT(TkAppIdRecord, appids), tk_appid_rewind, NEXT(TkAppIdRecord, tk_appid_next),
     tk_appid_count, nullptr, nullptr, tk_appid_find},
    {LAYOUT(TkVportRecord, vports), tk_vport_rewind, NEXT(TkVportRecord, tk_vport_next),
     tk_vport_count, nullptr, nullptr, nullptr},
    {LAYOUT(TkViewRecord, views), tk_view_rewind, NEXT(TkViewRecord, tk_view_next), tk_view_count,
     nullptr, nullptr, nullptr},
    {LAYOUT(TkUcsRecord, ucss), tk_ucs_rewind, NEXT(TkUcsRecord, tk_ucs_next), tk_ucs_count, nullptr,
     nullptr, nullptr},
    {LAYOUT(TkBlockRecord, blocks), block_list_rewind, NEXT(TkBlockRecord, block_list_next),
     block_list_count, GET(TkBlockRecord, tk_block_get), PUT(TkBlockRecord, tk_block_put),
     tk_find_record_by_name},
};

#undef NEXT
#undef GET
#undef PUT
#undef LAYOUT

TEST_F(SymtabTest, EachTablesOperationsUseItsOwnList) {
  for (const TableOps& t : kTables) {
    records_test::BareDrawing d;
    // A record in every other table under the same names, so a wrong list shows.
    for (const TableOps& other : kTables) {
      uint8_t h = uint8_t(0x80 + (&other - kTables) * 2);
      for (const char* name : {"First", "Second"}) {
        std::vector<uint8_t> rec(other.size);
        strcpy(reinterpret_cast<char*>(&rec[other.name_offset]), name);
        TkHandle handle = H(other.list == t.list ? (name[0] == 'F' ? 1 : 2) : h++);
        memcpy(&rec[other.handle_offset], &handle, sizeof handle);
        ASSERT_NE(record_store_indexed(&handle, &d->index, rec.data(), rec.size(),
                                       &(d.get()->*other.list), TK_POS_END, nullptr),
                  nullptr);
      }
    }
    EXPECT_EQ(t.count(d.get()), 2) << t.table;
    std::vector<uint8_t> out(t.size);
    auto name_of = [&] { return std::string(reinterpret_cast<char*>(&out[t.name_offset])); };
    auto handle_of = [&] { return out[t.handle_offset + 7]; };
    t.rewind(d.get());
    ASSERT_EQ(t.next(d.get(), out.data()), 1) << t.table;
    EXPECT_EQ(handle_of(), 1) << t.table;
    ASSERT_EQ(t.next(d.get(), out.data()), 1) << t.table;
    EXPECT_EQ(handle_of(), 2) << t.table;
    EXPECT_EQ(t.next(d.get(), out.data()), 0) << t.table;

    TkHandle second = H(2), foreign = H(0x80);
    if (t.find) {
      TkHandle found;
      ASSERT_EQ(t.find(d.get(), "SECOND", &found), 1) << t.table;
      EXPECT_EQ(found.bytes[7], 2) << t.table;
    }
    if (t.get) {
      ASSERT_EQ(t.get(d.get(), &second, out.data()), 1) << t.table;
      EXPECT_EQ(name_of(), "Second") << t.table;
      if (t.list != &TkDrawing::layers) {
        EXPECT_EQ(t.get(d.get(), &foreign, out.data()), 0) << t.table;
      }
    }
    if (t.put) {
      strcpy(reinterpret_cast<char*>(&out[t.name_offset]), "Changed");
      ASSERT_EQ(t.put(d.get(), out.data()), 1) << t.table;
      ASSERT_EQ(t.get(d.get(), &second, out.data()), 1) << t.table;
      EXPECT_EQ(name_of(), "Changed") << t.table;
    }
  }
}

}  // namespace
