// Tests of the dimension and lookup helpers: dimension settings from a style and its "DSTYLE"
// overrides, dictionary entries and the spatial filter of an insertion, arrow kinds by block
// name, line and vertex angles at their edge cases, space-block handles and the longest name.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "core_support.h"
#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/dim_lookup.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/object.h"
#include "toolkit/core/symtab.h"

namespace {

constexpr double pi = 3.14159265358979323846;

class DimLookupTest : public core_test::StartedToolkit {};

TEST_F(DimLookupTest, ArrowKindsByBlockName) {
  const struct {
    const char* name;
    uint16_t kind;
  } cases[] = {
      {"", TK_ARROW_DEFAULT},     {"_Closed", TK_ARROW_CLOSED}, {"_CLOSED", TK_ARROW_CLOSED},
      {"_open", TK_ARROW_OPEN},   {"_DOT", TK_ARROW_DOT},       {"_ORIGIN", TK_ARROW_ORIGIN},
      {"_OPEN90", TK_ARROW_OPEN90}, {"_NONE", TK_ARROW_NONE},   {"_Oblique", TK_ARROW_OBLIQUE},
      {"ARCHTICK", TK_ARROW_USER_BLOCK}, {"CLOSED", TK_ARROW_USER_BLOCK},
  };
  for (const auto& c : cases) {
    uint16_t kind = 99;
    EXPECT_EQ(tk_arrow_kind(c.name, &kind), 1);
    EXPECT_EQ(kind, c.kind) << '"' << c.name << '"';
  }
}

TEST_F(DimLookupTest, AnglesOfLinesAndAtVertices) {
  const struct {
    double p0[2], p1[2];
    double angle;
  } lines[] = {
      {{0, 0}, {1, 0}, 0},           {{0, 0}, {0, 1}, pi / 2},      {{0, 1}, {0, 0}, -pi / 2},
      {{3, 3}, {3, 3}, pi / 2},      {{0, 0}, {-1, 0}, pi},         {{0, 0}, {-1, -1}, 1.25 * pi},
      {{0, 0}, {1, -1}, -pi / 4},
  };
  for (const auto& l : lines) EXPECT_NEAR(tk_angle_of_line(l.p0, l.p1), l.angle, 1e-12);

  const struct {
    double p0[2], p1[2], p2[2];
    double angle;
  } vertices[] = {
      {{1, 0}, {0, 0}, {0, 1}, pi / 2},
      {{1, 0}, {0, 0}, {-1, 0}, pi},
      {{1, 0}, {0, 0}, {1, -1}, pi / 4},
      {{-1, -1}, {0, 0}, {1, -1}, pi / 2},  // the rays' angles differ by more than pi
      {{1, 0}, {0, 0}, {2, 0}, 0},
  };
  for (const auto& v : vertices)
    EXPECT_NEAR(tk_angle_at_vertex(v.p0, v.p1, v.p2), v.angle, 1e-12);

  EXPECT_NEAR(tk_angle_from_sin_scaled(pi / 4, 0.5), std::atan2(0.5, 1.0), 1e-12);
  EXPECT_NEAR(tk_angle_from_cos_scaled(pi / 4, 0.5), std::atan2(1.0, 0.5), 1e-12);
}

TEST_F(DimLookupTest, SpaceBlockHandlesAndNameLength) {
  TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, 0);
  ASSERT_NE(d, nullptr);
  TkHandle h;
  ASSERT_EQ(tk_get_space_block_handle(d, &h, 1), 1);
  EXPECT_EQ(tk_handle_compare(&h, &d->fixed[TK_FIXED_MODEL_SPACE]), 0);
  ASSERT_EQ(tk_get_space_block_handle(d, &h, 0), 1);
  EXPECT_EQ(tk_handle_compare(&h, &d->fixed[TK_FIXED_PAPER_SPACE]), 0);
  EXPECT_EQ(tk_get_space_block_handle(d, &h, 2), 0);
  d->fixed[TK_FIXED_PAPER_SPACE] = TkHandle{};
  EXPECT_EQ(tk_get_space_block_handle(d, &h, 0), 0);
  tk_close_drawing(d);

  EXPECT_EQ(tk_get_max_name_length(), 26);
}

TkHandle H(uint64_t v) {
  TkHandle h{};
  for (int b = 7; b >= 0; --b, v >>= 8) h.bytes[b] = static_cast<uint8_t>(v);
  return h;
}

// Extended-data items, written as the readers leave them.
struct Item {
  uint16_t code;
  std::vector<uint8_t> value;
};
template <typename T>
Item item(uint16_t code, T value) {
  Item i{code, std::vector<uint8_t>(sizeof value)};
  std::memcpy(i.value.data(), &value, sizeof value);
  return i;
}
Item text(const char* t) { return Item{1000, std::vector<uint8_t>(t, t + std::strlen(t))}; }
Item handle_item(uint16_t code, const TkHandle& h) {
  return Item{code, std::vector<uint8_t>(h.bytes, h.bytes + 8)};
}

TkBlob* xdata_of(const std::vector<Item>& items) {
  TkBlob* stored = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob_create(stored);
  for (const Item& i : items) {
    TkXdataItem x{};
    x.code = i.code;
    x.length = static_cast<uint16_t>(i.value.size());
    std::memcpy(x.value, i.value.data(), i.value.size());
    EXPECT_EQ(xdata_append_item(w, &x), 1);
  }
  blob_close_write(w);
  return stored;
}

class DimSettingsTest : public DimLookupTest {
 protected:
  void SetUp() override {
    DimLookupTest::SetUp();
    d = tk_new_drawing(nullptr, nullptr, 0, 0);
    ASSERT_NE(d, nullptr);
    tk_dimstyle_rewind(d);
    ASSERT_TRUE(tk_dimstyle_next(d, &style));
    style.dimasz = 0.18;
    style.dimtad = 1;
    style.dimscale = 2.0;
    style.dimgap = 0.05;
    style.dimclrd = 5;
    style.dimsah = 0;
    style.dimblk = H(0x501);
    style.dimblk1 = H(0x502);
    ASSERT_TRUE(tk_dimstyle_put(d, &style));
    ASSERT_TRUE(tk_appid_find(d, "ACAD", &acad));
    TkBlockRecord dot;
    tk_init_block_record(&dot);
    std::strcpy(dot.name, "_Dot");
    dot.handle = H(0x600);
    ASSERT_TRUE(tk_add_block(d, &dot));
  }
  void TearDown() override {
    tk_close_drawing(d);
    DimLookupTest::TearDown();
  }
  TkDrawing* d = nullptr;
  TkDimStyleRecord style;
  TkHandle acad;
};

TEST_F(DimSettingsTest, StyleValuesThenTheEntitysOverrides) {
  const TkHandle other_app = H(0x7777);
  const struct {
    const char* what;
    std::vector<Item> xdata;
    double arrow_size, gap;
    uint16_t text_position, colour, arrow_kind;
    TkHandle arrow;
  } cases[] = {
      {"no extended data", {}, 0.18, 0.05, 1, 5, 0, H(0x501)},
      {"overrides",
       {handle_item(1001, acad), text("DSTYLE"), item<uint8_t>(1002, 0),
        item<int16_t>(1070, 41), item(1040, 0.5),
        item<int16_t>(1070, 147), item<int16_t>(1070, 3),  // a gap must be a real
        item<int16_t>(1070, 77), item<int16_t>(1070, 0),
        item<int16_t>(1070, 176), item<int16_t>(1070, 3),
        item<uint8_t>(1002, 1),
        item<int16_t>(1070, 41), item(1040, 9.0)},  // after the list: not read
       0.5, 0.05, 0, 3, 0, H(0x501)},
      {"another application's list",
       {handle_item(1001, other_app), text("DSTYLE"), item<uint8_t>(1002, 0),
        item<int16_t>(1070, 41), item(1040, 0.5), item<uint8_t>(1002, 1)},
       0.18, 0.05, 1, 5, 0, H(0x501)},
      {"arrow block override with DIMSAH",
       {handle_item(1001, acad), text("DSTYLE"), item<uint8_t>(1002, 0),
        item<int16_t>(1070, 173), item<int16_t>(1070, 1),
        item<int16_t>(1070, 343), handle_item(1005, H(0x600)), item<uint8_t>(1002, 1)},
       0.18, 0.05, 1, 5, TK_ARROW_DOT, H(0x600)},
      {"arrow block override by name without DIMSAH",
       {handle_item(1001, acad), text("DSTYLE"), item<uint8_t>(1002, 0),
        item<int16_t>(1070, 7), text("_DOT"), item<uint8_t>(1002, 1)},
       0.18, 0.05, 1, 5, 0, H(0x600)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TkEntityHeader h{};
    h.kind = TK_DIMENSION;
    h.xdata = c.xdata.empty() ? nullptr : xdata_of(c.xdata);
    TkDimSettings s;
    ASSERT_EQ(tk_read_dimstyle_overrides(d, &h, &s, &style.handle), 1);
    EXPECT_EQ(s.scale, 2.0);
    EXPECT_EQ(s.arrow_size, c.arrow_size);
    EXPECT_EQ(s.gap, c.gap);
    EXPECT_EQ(s.text_position, c.text_position);
    EXPECT_EQ(s.line_colour, c.colour);
    EXPECT_EQ(s.arrow_kind, c.arrow_kind);
    EXPECT_EQ(tk_handle_compare(&s.arrow_block, &c.arrow), 0);
    blob_free(h.xdata);
  }
  TkEntityHeader h{};
  TkDimSettings s;
  const TkHandle unknown = H(0xDEAD);
  EXPECT_EQ(tk_read_dimstyle_overrides(d, &h, &s, &unknown), 0);
}

// ---- Dictionaries ----

void add_dictionary(TkDrawing* d, const TkHandle& handle,
                    std::vector<std::pair<const char*, TkHandle>> entries) {
  TkObjectHeader h{};
  TkObjectData data;
  std::memset(&data, 0, sizeof data);
  h.type = TK_OBJ_DICTIONARY;
  tk_init_object(d, &h, &data);
  h.handle = handle;
  data.dictionary.entries = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob_create(data.dictionary.entries);
  for (auto& [name, object] : entries) {
    TkDictEntry e{};
    std::strcpy(e.name, name);
    e.object = object;
    tk_dict_entry_write(w, &e);
  }
  blob_close_write(w);
  data.dictionary.entry_count = static_cast<uint32_t>(entries.size());
  ASSERT_EQ(tk_object_add(d, &h, &data), 1);
}

void add_object(TkDrawing* d, const TkHandle& handle, uint16_t type) {
  TkObjectHeader h{};
  TkObjectData data;
  std::memset(&data, 0, sizeof data);
  h.type = type;
  tk_init_object(d, &h, &data);
  h.handle = handle;
  ASSERT_EQ(tk_object_add(d, &h, &data), 1);
}

TEST_F(DimLookupTest, DictionaryEntriesAndTheSpatialFilterOfAnInsertion) {
  TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, 0);
  ASSERT_NE(d, nullptr);
  uint16_t filter_class = tk_class_spatial_filter(d);
  ASSERT_NE(filter_class, 0);
  add_dictionary(d, H(0x900), {{"Abc", H(1)}, {"abc", H(2)}});
  TkObjectHeader h;
  TkObjectData data;
  const TkHandle first = H(0x900);
  ASSERT_TRUE(tk_object_get(d, &first, &h, &data));
  TkHandle found;
  EXPECT_EQ(tk_dict_find_entry(d, &data.dictionary, "abc", &found), 1);
  const TkHandle second = H(2);
  EXPECT_EQ(tk_handle_compare(&found, &second), 0);
  EXPECT_EQ(tk_dict_find_entry(d, &data.dictionary, "ABC", &found), 0) << "bytes compared";
  EXPECT_TRUE(tk_handle_is_null(&found));

  // extension dictionary 0x910 -> "ACAD_FILTER" 0x920 -> "SPATIAL" 0x930 (a SPATIAL_FILTER);
  // 0x940 leads to an empty filter dictionary, 0x950 to an object of another class.
  add_dictionary(d, H(0x910), {{"ACAD_FILTER", H(0x920)}});
  add_dictionary(d, H(0x920), {{"SPATIAL", H(0x930)}});
  add_object(d, H(0x930), filter_class);
  add_dictionary(d, H(0x940), {{"ACAD_FILTER", H(0x941)}});
  add_dictionary(d, H(0x941), {});
  add_dictionary(d, H(0x950), {{"ACAD_FILTER", H(0x951)}});
  add_dictionary(d, H(0x951), {{"SPATIAL", H(0x900)}});
  const struct {
    uint64_t xdictionary;
    uint64_t filter;  // 0: none
  } cases[] = {{0x910, 0x930}, {0, 0}, {0x940, 0}, {0x950, 0}, {0xABC, 0}, {0x930, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xdictionary);
    TkEntityHeader insert{};
    insert.kind = TK_INSERT;
    insert.xdictionary = H(c.xdictionary);
    TkHandle filter = H(0x1234);
    EXPECT_EQ(tk_get_spatial_filter(d, &insert, &filter), c.filter ? 1 : 0);
    const TkHandle expect = H(c.filter);
    EXPECT_EQ(tk_handle_compare(&filter, &expect), 0);
  }
  tk_close_drawing(d);
}

}  // namespace
