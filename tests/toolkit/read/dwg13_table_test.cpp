// Table records, classes, block records, dimension styles and non-graphical objects of the
// bit-stream releases, each read from objects built with the bit writer.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/toolkit/read/dwg13_support.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/object.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/dwg13_object_read.h"
#include "toolkit/read/dwg13_table.h"

namespace {

using namespace dwg13_test;

// A table record: name, flag bits, fields; then owner, extension dictionary, external-reference
// block and the record's own handles.
ObjectSpec record(uint16_t type, uint64_t handle, const char* name, Writes fields,
                  Writes own = nullptr) {
  ObjectSpec s;
  s.type = type;
  s.handle = handle;
  std::string n = name;
  s.data = [=](TkBitWriter* w) {
    bits_write_text(w, n.c_str());
    bits_write_bit(w, 0);
    bits_write_bs(w, 0);
    bits_write_bit(w, 0);
    if (fields) fields(w);
  };
  s.handles = [=](TkBitWriter* w) {
    TkHandle owner = H(0x3), none{};
    bits_write_handle(w, &owner, 0x40);
    bits_write_handle(w, &none, 0x30);
    bits_write_handle(w, &none, 0x50);
    if (own) own(w);
  };
  return s;
}

// The control object of a table with its entries.
ObjectSpec control(uint16_t type, uint64_t handle, std::vector<uint64_t> entries,
                   bool extra_byte = false) {
  ObjectSpec s;
  s.type = type;
  s.handle = handle;
  s.data = [=](TkBitWriter* w) {
    bits_write_bl(w, int32_t(entries.size()));
    if (extra_byte) bits_write_rc(w, 0);
  };
  s.handles = [=](TkBitWriter* w) {
    TkHandle none{};
    bits_write_handle(w, &none, 0x40);
    bits_write_handle(w, &none, 0x30);
    for (uint64_t e : entries) {
      TkHandle h = H(e);
      bits_write_handle(w, &h, 0x20);
    }
  };
  return s;
}

class Tables : public ObjectFile {
 protected:
  void Table(Dwg13Control table, TkTableCount slot, int32_t count, uint64_t control_handle) {
    d->record_counts[slot] = count;
    controls_.push_back({table, control_handle});
  }
};

TEST_F(Tables, LayersOffAreNegatedAndR2000FlagsCarryLineweight) {
  struct Case {
    int16_t version;
    bool off;
    int16_t colour, want_colour, want_lineweight;
    uint8_t want_flags;
  } const cases[] = {
      {TK_VERSION_AC1014, true, 3, -3, -3, TK_LAYER_LOCKED},
      {TK_VERSION_AC1014, false, 3, 3, -3, TK_LAYER_LOCKED},
      {TK_VERSION_AC1015, true, 5, -5, 50, TK_LAYER_LOCKED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version * 10 + c.off);
    Table(DWG13_CONTROL_LAYER, TK_COUNT_LAYER, 1, 0x2);
    Load(c.version,
         {control(50, 0x2, {0x20}),
          record(51, 0x20, "WALLS", [&](TkBitWriter* w) {
            if (c.version < TK_VERSION_AC1015) {
              bits_write_bit(w, 0);
              bits_write_bit(w, c.off);
              bits_write_bit(w, 0);
              bits_write_bit(w, 1);
            } else {
              bits_write_bs(w, int16_t((c.off ? 2 : 0) | 8 | 16 | (11 << 5)));
            }
            bits_write_bs(w, c.colour);
          }, [&](TkBitWriter* w) {
            TkHandle lt = H(0x15);
            if (c.version >= TK_VERSION_AC1015) bits_write_handle(w, &lt, 0x50);
            bits_write_handle(w, &lt, 0x50);
          })});
    ASSERT_EQ(dwg13_begin_layers(d), 1);
    TkLayerRecord layer;
    uint8_t xd = 0;
    ASSERT_EQ(dwg13_read_layer(d, &layer, &xd), 1);
    EXPECT_STREQ(layer.name, "WALLS");
    EXPECT_EQ(layer.color, c.want_colour);
    EXPECT_EQ(layer.lineweight, c.want_lineweight);
    EXPECT_EQ(layer.flags, c.want_flags);
    EXPECT_EQ(V(layer.linetype), 0x15u);
    EXPECT_EQ(V(layer.owner), 0x3u);
    EXPECT_EQ(dwg13_read_layer(d, &layer, &xd), 0) << "the table's handles are used up";
    if (d->file) file_close(d->file);
    d->file = nullptr;
    tk_close_drawing(d);
    d = tk_new_drawing(nullptr, nullptr, 0, 6);
  }
}

TEST_F(Tables, LinetypeTextElementsAndElementsBeyondTheRecord) {
  const int count = 20;
  Table(DWG13_CONTROL_LTYPE, TK_COUNT_LTYPE, 1, 0x5);
  Load(TK_VERSION_AC1015,
       {control(56, 0x5, {0x30}),
        record(57, 0x30, "DASHES", [&](TkBitWriter* w) {
          bits_write_text(w, "many dashes");
          bits_write_bd(w, 10.0);
          bits_write_rc(w, 'A');
          bits_write_rc(w, uint8_t(count));
          for (int i = 0; i < count; ++i) {
            bits_write_bd(w, 0.5 + i);
            bits_write_bs(w, int16_t(i == 1 ? 7 : 0));
            bits_write_rd(w, 0.0);
            bits_write_rd(w, 0.0);
            bits_write_bd(w, 1.0);
            bits_write_bd(w, 0.0);
            bits_write_bs(w, int16_t(i == 1 ? 2 : 0));
          }
          uint8_t texts[256] = {};
          std::memcpy(texts, "ABC", 4);
          bits_write_bytes(w, texts, sizeof texts);
        }, [&](TkBitWriter* w) {
          for (int i = 0; i < count; ++i) {
            TkHandle style = H(0x100 + uint64_t(i));
            bits_write_handle(w, &style, 0x50);
          }
        })});
  ASSERT_EQ(dwg13_begin_linetypes(d), 1);
  TkLinetypeRecord lt;
  uint8_t xd = 0;
  ASSERT_EQ(dwg13_read_linetype(d, &lt, &xd), 1);
  EXPECT_EQ(lt.element_count, TK_DASH_ELEMENTS);
  EXPECT_EQ(lt.elements[1].shape, 0);
  EXPECT_EQ(lt.elements[1].text_index, 7);
  EXPECT_EQ(lt.elements[14].length, 14.5);
  EXPECT_EQ(V(lt.elements[14].text_style), 0x10Eu) << "the handles stay in step";
  EXPECT_STREQ(lt.dash_texts, "ABC");
  EXPECT_STREQ(lt.description, "many dashes");
  blob_free(lt.xdata);
}

TEST_F(Tables, ViewportAspectRatioViewModeAndUcsHandleOrder) {
  Table(DWG13_CONTROL_VPORT, TK_COUNT_VPORT, 1, 0x8);
  Table(DWG13_CONTROL_VIEW, TK_COUNT_VIEW, 1, 0x6);
  auto view_head = [](TkBitWriter* w, double width, bool fourth) {
    bits_write_bd(w, 2.0);
    bits_write_bd(w, width);
    const double c[2] = {1, 1}, p[3] = {0, 0, 0}, dir[3] = {0, 0, 1};
    bits_write_2rd(w, c);
    bits_write_3bd(w, p);
    bits_write_3bd(w, dir);
    for (int i = 0; i < 4; ++i) bits_write_bd(w, 0.0);
    bits_write_bit(w, 1);
    bits_write_bit(w, 0);
    bits_write_bit(w, 0);
    bits_write_bit(w, fourth);
    bits_write_rc(w, 0);  // render mode
  };
  auto two_handles = [](TkBitWriter* w) {
    TkHandle a = H(0x91), b = H(0x92);
    bits_write_handle(w, &a, 0x50);
    bits_write_handle(w, &b, 0x50);
  };
  Load(TK_VERSION_AC1015,
       {control(60, 0x6, {0x40}), control(64, 0x8, {0x41}),
        record(61, 0x40, "V1", [&](TkBitWriter* w) {
          view_head(w, 3.0, true);
          bits_write_bit(w, 1);  // flags bit 1
          bits_write_bit(w, 1);  // UCS associated
          const double o[3] = {1, 2, 3}, x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
          bits_write_3bd(w, o);
          bits_write_3bd(w, x);
          bits_write_3bd(w, y);
          bits_write_bd(w, 4.0);
          bits_write_bs(w, 2);
        }, two_handles),
        record(65, 0x41, "*ACTIVE", [&](TkBitWriter* w) {
          view_head(w, 3.0, false);
          const double ll[2] = {0, 0}, ur[2] = {1, 1};
          bits_write_2rd(w, ll);
          bits_write_2rd(w, ur);
          bits_write_bit(w, 1);
          bits_write_bs(w, 100);
          bits_write_bit(w, 1);
          bits_write_bit(w, 1);
          bits_write_bit(w, 1);
          bits_write_bit(w, 0);
          bits_write_2rd(w, ur);
          bits_write_bit(w, 0);
          bits_write_bit(w, 0);
          bits_write_bs(w, 0);
          bits_write_bd(w, 0);
          bits_write_2rd(w, ll);
          bits_write_2rd(w, ur);
          bits_write_bit(w, 0);
          bits_write_bit(w, 1);
          const double o[3] = {0, 0, 0}, x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
          bits_write_3bd(w, o);
          bits_write_3bd(w, x);
          bits_write_3bd(w, y);
          bits_write_bd(w, 0);
          bits_write_bs(w, 0);
        }, two_handles)});
  ASSERT_EQ(dwg13_begin_views(d), 1);
  TkViewRecord view;
  uint8_t xd = 0;
  ASSERT_EQ(dwg13_read_view(d, &view, &xd), 1);
  EXPECT_EQ(view.width, 3.0);
  EXPECT_EQ(view.view_mode, 1);
  EXPECT_EQ(view.flags & 1, 1);
  EXPECT_EQ(view.ucs_origin[2], 3.0);
  EXPECT_EQ(V(view.ucs), 0x91u);
  EXPECT_EQ(V(view.base_ucs), 0x92u);
  ASSERT_EQ(dwg13_begin_vports(d), 1);
  TkVportRecord vp;
  ASSERT_EQ(dwg13_read_vport(d, &vp, &xd), 1);
  EXPECT_EQ(vp.aspect_ratio, 1.5);
  EXPECT_EQ(vp.view_mode, 1 | 16 | 8);
  EXPECT_EQ(vp.ucs_icon, 3);
  EXPECT_EQ(V(vp.base_ucs), 0x91u);
  EXPECT_EQ(V(vp.ucs), 0x92u);
  EXPECT_EQ(vp.ucs_per_viewport, 1);
  blob_free(vp.xdata);
}

TEST_F(Tables, Ac1012DimstyleArrowNamesResolveOrQueue) {
  Table(DWG13_CONTROL_DIMSTYLE, TK_COUNT_DIMSTYLE, 1, 0x9);
  TkBlockRecord block;
  tk_init_block_record(&block);
  std::strcpy(block.name, "MYARROW");
  block.handle = H(0x77);
  ASSERT_NE(record_store_indexed(&block.handle, &d->index, &block, sizeof block, &d->blocks,
                                 TK_POS_END, nullptr),
            nullptr);
  Load(TK_VERSION_AC1012,
       {control(68, 0x9, {0x50}),
        record(69, 0x50, "STANDARD", [](TkBitWriter* w) {
          bits_write_rc(w, 0x80 | 0x01);
          bits_write_bit(w, 1);
          bits_write_bit(w, 0);
          bits_write_bit(w, 0);
          for (int i = 0; i < 3; ++i) bits_write_rc(w, 0);
          bits_write_bit(w, 0);
          bits_write_bit(w, 0);
          for (int i = 0; i < 3; ++i) bits_write_rc(w, 0);
          bits_write_bit(w, 0);
          for (int i = 0; i < 4; ++i) bits_write_rc(w, 0);
          for (int i = 0; i < 6; ++i) bits_write_bs(w, 2);
          for (int i = 0; i < 17; ++i) bits_write_bd(w, 0.25);
          bits_write_text(w, "<>mm");
          bits_write_text(w, "");
          bits_write_text(w, "NOSUCHBLOCK");
          bits_write_text(w, "");
          bits_write_text(w, "MYARROW");
          for (int i = 0; i < 3; ++i) bits_write_bs(w, 1);
          bits_write_bit(w, 0);
        }, [](TkBitWriter* w) {
          TkHandle style = H(0x11);
          bits_write_handle(w, &style, 0x50);
        })});
  ASSERT_EQ(dwg_begin_dimstyles(d), 1);
  TkDimStyleRecord s;
  uint8_t xd = 0;
  ASSERT_EQ(dwg_read_dimstyle(d, &s, &xd), 1);
  EXPECT_EQ(s.dimtol, 1);
  EXPECT_EQ(s.dimtofl, 1);
  EXPECT_EQ(s.dimsah, 1);
  EXPECT_EQ(s.dimasz, 0.25);
  EXPECT_STREQ(s.dimpost, "<>mm");
  EXPECT_EQ(s.dimdsep, '.');
  EXPECT_EQ(V(s.dimtxsty), 0x11u);
  EXPECT_TRUE(tk_handle_is_null(&s.dimblk));
  Dwg13ArrowName queued;
  ASSERT_EQ(dwg13_arrow_name(d, 0, &queued), 1);
  EXPECT_EQ(queued.group, 5);
  EXPECT_STREQ(queued.name, "NOSUCHBLOCK");
  EXPECT_EQ(V(queued.dimstyle), 0x50u);
  EXPECT_EQ(dwg13_arrow_name(d, 1, &queued), 0) << "a block that exists is not queued";
  blob_free(s.reactors);
}

// Dictionaries: the AC1014 byte after the count, the AC1015 cloning flags.
TEST_F(Tables, DictionaryItemsAndTheReleaseBytes) {
  for (int16_t version : {TK_VERSION_AC1012, TK_VERSION_AC1014, TK_VERSION_AC1015}) {
    SCOPED_TRACE(version);
    ObjectSpec s;
    s.type = 42;
    s.handle = 0xC;
    s.data = [=](TkBitWriter* w) {
      bits_write_bl(w, 2);
      if (version == TK_VERSION_AC1014) bits_write_rc(w, 9);
      if (version == TK_VERSION_AC1015) {
        bits_write_bs(w, 3);
        bits_write_rc(w, 1);
      }
      bits_write_text(w, "ACAD_GROUP");
      bits_write_text(w, "ACAD_MLINESTYLE");
    };
    s.handles = [](TkBitWriter* w) {
      TkHandle none{}, a = H(0xD), b = H(0xE);
      bits_write_handle(w, &none, 0x40);
      bits_write_handle(w, &none, 0x30);
      bits_write_handle(w, &a, 0x20);
      bits_write_handle(w, &b, 0x20);
    };
    Load(version, {s});
    objects()->current_object = H(0xC);
    TkObjectHeader h{};
    TkObjectData v;
    std::memset(&v, 0, sizeof v);
    uint8_t xd = 0;
    ASSERT_EQ(dwg_read_dictionary(d, &h, &v, &xd), 1);
    EXPECT_EQ(v.dictionary.entry_count, 2u);
    EXPECT_EQ(v.dictionary.cloning, version == TK_VERSION_AC1015 ? 3 : 1);
    EXPECT_EQ(v.dictionary.hard_owner, version == TK_VERSION_AC1015 ? 1 : 0);
    TkBlob* rd = blob_open_read(v.dictionary.entries);
    TkDictEntry e;
    ASSERT_EQ(tk_dict_entry_read(rd, &e), 1);
    ASSERT_EQ(tk_dict_entry_read(rd, &e), 1);
    EXPECT_STREQ(e.name, "ACAD_MLINESTYLE");
    EXPECT_EQ(V(e.object), 0xEu);
    blob_close(rd);
    tk_object_free_data(d, &h, &v);
    if (d->file) file_close(d->file);
    d->file = nullptr;
    tk_close_drawing(d);
    d = tk_new_drawing(nullptr, nullptr, 0, 6);
  }
}

// An entry takes at least 10 bits (an empty name, a handle with no bytes): as many entries as
// the object holds load, one more than its bits allow is refused before anything is read.
TEST_F(Tables, DictionaryCountsHeldToTheBitsOfTheObject) {
  struct Case {
    int32_t written, claimed;
    int16_t want;
  };
  for (const Case& c : {Case{300, 300, 1}, Case{300, 360, 0}, Case{3, 1000000, 0}}) {
    SCOPED_TRACE(c.claimed);
    ObjectSpec s;
    s.type = 42;
    s.handle = 0xC;
    s.data = [=](TkBitWriter* w) {
      bits_write_bl(w, c.claimed);
      bits_write_bs(w, 1);
      bits_write_rc(w, 0);
      for (int32_t i = 0; i < c.written; ++i) bits_write_text(w, "");
    };
    s.handles = [=](TkBitWriter* w) {
      TkHandle none{};
      bits_write_handle(w, &none, 0x40);
      bits_write_handle(w, &none, 0x30);
      for (int32_t i = 0; i < c.written; ++i) bits_write_handle(w, &none, 0x20);
    };
    Load(TK_VERSION_AC1015, {s});
    objects()->current_object = H(0xC);
    TkObjectHeader h{};
    TkObjectData v;
    std::memset(&v, 0, sizeof v);
    uint8_t xd = 0;
    EXPECT_EQ(dwg_read_dictionary(d, &h, &v, &xd), c.want);
    if (c.want) {
      EXPECT_EQ(v.dictionary.entry_count, uint32_t(c.written));
    }
    tk_object_free_data(d, &h, &v);
    file_close(d->file);
    d->file = nullptr;
    tk_close_drawing(d);
    d = tk_new_drawing(nullptr, nullptr, 0, 6);
  }
}

TEST_F(Tables, ClassRecordsEndWithTheirSection) {
  auto w = std::make_unique<TkBitWriter>();
  ASSERT_EQ(bits_blob_begin(w.get()), 1);
  const char* names[] = {"LWPOLYLINE", "DICTIONARYVAR"};
  for (int i = 0; i < 2; ++i) {
    bits_write_bs(w.get(), int16_t(500 + i));
    bits_write_bs(w.get(), 0);
    bits_write_text(w.get(), "ObjectDBX Classes");
    bits_write_text(w.get(), i ? "AcDbDictionaryVar" : "AcDbPolyline");
    bits_write_text(w.get(), names[i]);
    bits_write_bit(w.get(), 0);
    bits_write_bs(w.get(), int16_t(i ? 499 : 498));
  }
  uint32_t bit_count = 0;
  TkBlob* blob = bits_blob_end(w.get(), &bit_count);
  std::vector<uint8_t> bytes = blob_bytes(blob);
  blob_free(blob);
  Load(TK_VERSION_AC1015, {});
  ASSERT_EQ(bits_open_memory(bits(), bytes.data(), bytes.size()), 1);
  TkClassRecord c;
  ASSERT_EQ(dwg_read_class(d, &c), 1);
  EXPECT_EQ(c.number, 500);
  EXPECT_STREQ(c.dxf_name, "LWPOLYLINE");
  EXPECT_EQ(c.item_class, 498);
  ASSERT_EQ(dwg_read_class(d, &c), 1);
  EXPECT_STREQ(c.class_name, "AcDbDictionaryVar");
  EXPECT_EQ(c.item_class, 499);
  EXPECT_EQ(dwg_read_class(d, &c), 0);
}

// A block header that is an external reference has no first and last entity in its stream.
TEST_F(Tables, ExternalReferenceBlockRecordHasNoEntityRange) {
  for (bool xref : {false, true}) {
    SCOPED_TRACE(xref);
    Table(DWG13_CONTROL_BLOCK, TK_COUNT_BLOCK, 1, 0x1);
    Load(TK_VERSION_AC1015,
         {control(48, 0x1, {0x60}),
          record(49, 0x60, "PART", [&](TkBitWriter* w) {
            bits_write_bit(w, 0);     // anonymous
            bits_write_bit(w, 0);     // attributes
            bits_write_bit(w, xref);  // external reference
            bits_write_bit(w, 0);     // overlaid
            bits_write_bit(w, 1);     // loaded
            const double p[3] = {0, 0, 0};
            bits_write_3bd(w, p);
            bits_write_text(w, xref ? "part.dwg" : "");
            bits_write_rc(w, 1);  // one insert
            bits_write_rc(w, 0);
            bits_write_text(w, "");
            bits_write_bl(w, 0);
          }, [&](TkBitWriter* w) {
            TkHandle block = H(0x61), first = H(0x62), last = H(0x63), end = H(0x64),
                     insert = H(0x65), layout = H(0x66);
            bits_write_handle(w, &block, 0x30);
            if (!xref) {
              bits_write_handle(w, &first, 0x40);
              bits_write_handle(w, &last, 0x40);
            }
            bits_write_handle(w, &end, 0x30);
            bits_write_handle(w, &insert, 0x40);
            bits_write_handle(w, &layout, 0x50);
          })});
    ASSERT_EQ(dwg_seek_block_records(d), 1);
    TkBlockRecord b;
    uint8_t xd = 0;
    ASSERT_EQ(dwg_read_block_record(d, &b, &xd), 1);
    EXPECT_STREQ(b.name, "PART");
    EXPECT_EQ((b.flags & 4) != 0, xref);
    EXPECT_EQ(V(b.layout), 0x66u) << "the stream stays in step";
    ASSERT_EQ(objects()->range_count, 1u);
    EXPECT_EQ(V(objects()->ranges[0].block), 0x61u);
    EXPECT_EQ(V(objects()->ranges[0].first), xref ? 0u : 0x62u);
    EXPECT_EQ(V(objects()->ranges[0].endblk), 0x64u);
    blob_free(b.first_blob);
    if (d->file) file_close(d->file);
    d->file = nullptr;
    tk_close_drawing(d);
    d = tk_new_drawing(nullptr, nullptr, 0, 6);
  }
}

// A proxy takes the class its stream names, unless that class's objects keep a record of their
// own, which raw data cannot stand for: it then stays a proxy object.
TEST_F(Tables, Ac1015ProxyObjectTakesItsClassFromTheStream) {
  d->class_numbers[TK_CLASS_LAYOUT] = 512;
  const struct {
    int32_t class_id;
    uint16_t type;
  } cases[] = {{600, 600}, {512, 499}};
  for (const auto& c : cases) {
    ObjectSpec s;
    s.type = 499;
    s.handle = 0x90;
    s.data = [&](TkBitWriter* w) {
      bits_write_bl(w, c.class_id);
      bits_write_bl(w, 3);
      bits_write_bit(w, 0);
      bits_write_rc(w, 0xAB);
      bits_write_rc(w, 0xCD);
    };
    s.handles = [](TkBitWriter* w) {
      TkHandle owner = H(0xC), none{}, ref = H(0x21);
      bits_write_handle(w, &owner, 0x40);
      bits_write_handle(w, &none, 0x30);
      bits_write_handle(w, &ref, 0x50);
    };
    Load(TK_VERSION_AC1015, {s});
    objects()->current_object = H(0x90);
    TkObjectHeader h{};
    TkObjectData v;
    std::memset(&v, 0, sizeof v);
    uint8_t xd = 0;
    ASSERT_EQ(dwg_read_class_object(d, &h, &v, &xd), 1);
    EXPECT_EQ(h.type, c.type);
    EXPECT_EQ(V(h.owner), 0xCu);
    EXPECT_EQ(blob_bytes(v.generic.data), (std::vector<uint8_t>{0xAB, 0xCD}));
    std::vector<uint8_t> refs = blob_bytes(v.generic.handles);
    ASSERT_EQ(refs.size(), 9u);
    EXPECT_EQ(refs[7], 0x21);
    EXPECT_EQ(refs[8], TK_REF_HARD_POINTER);
    blob_free(v.generic.data);
    blob_free(v.generic.handles);
    if (d->file) file_close(d->file);
    d->file = nullptr;
  }
}

// A SPATIAL_FILTER's record: the distance of a clip that is off is not in the stream, and each
// transform's 3 rows of 4 are kept as 4 rows of 3.
TEST_F(Tables, SpatialFilterWithFrontClippingOff) {
  d->class_numbers[TK_CLASS_SPATIAL_FILTER] = 650;
  ObjectSpec s;
  s.type = 650;
  s.handle = 0x91;
  s.data = [](TkBitWriter* w) {
    bits_write_bs(w, 2);
    const double a[2] = {1, 2}, b[2] = {3, 4}, up[3] = {0, 0, 1}, origin[3] = {7, 8, 9};
    bits_write_2rd(w, a);
    bits_write_2rd(w, b);
    bits_write_3bd(w, up);
    bits_write_3bd(w, origin);
    bits_write_bs(w, 1);
    bits_write_bs(w, 0);  // front clipping off: no distance
    bits_write_bs(w, 1);
    bits_write_bd(w, -2.5);
    for (int i = 0; i < 24; ++i) bits_write_bd(w, 100.0 + i);
  };
  s.handles = [](TkBitWriter* w) {
    TkHandle owner = H(0xC), none{};
    bits_write_handle(w, &owner, 0x40);
    bits_write_handle(w, &none, 0x30);
  };
  Load(TK_VERSION_AC1015, {s});
  objects()->current_object = H(0x91);
  TkObjectHeader h{};
  TkObjectData v;
  std::memset(&v, 0, sizeof v);
  uint8_t xd = 0;
  ASSERT_EQ(dwg_read_class_object(d, &h, &v, &xd), 1);
  EXPECT_EQ(h.type, 650);
  EXPECT_EQ(V(h.owner), 0xCu);
  const TkSpatialFilterData& f = v.spatial_filter;
  EXPECT_EQ(f.point_count, 2);
  EXPECT_EQ(f.extrusion[2], 1.0);
  EXPECT_EQ(f.origin[1], 8.0);
  EXPECT_EQ(f.display_boundary, 1);
  EXPECT_EQ(f.front_clip, 0);
  EXPECT_EQ(f.back_clip, 1);
  EXPECT_EQ(f.front_distance, 0.0);
  EXPECT_EQ(f.back_distance, -2.5);
  EXPECT_EQ(f.inverse_block_transform[0], 100.0);  // row 0, column 0
  EXPECT_EQ(f.inverse_block_transform[1], 104.0);  // the stream's second row starts at its fifth
  EXPECT_EQ(f.inverse_block_transform[3], 101.0);
  EXPECT_EQ(f.clip_transform[11], 123.0);  // the clip-bound transform's last value
  std::vector<uint8_t> points = blob_bytes(f.points);
  ASSERT_EQ(points.size(), 32u);
  double first_x, last_y;
  std::memcpy(&first_x, points.data(), 8);
  std::memcpy(&last_y, points.data() + 24, 8);
  EXPECT_EQ(first_x, 1.0);
  EXPECT_EQ(last_y, 4.0);
  tk_object_free_data(d, &h, &v);
}

}  // namespace
