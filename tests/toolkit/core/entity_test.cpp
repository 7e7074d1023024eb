// Entity records: randomised pack/unpack round trips of every kind, the exact stored sizes that
// files and memory budgets rely on, INSERTs whose block is unknown, damaged stored records,
// defaults, and freeing the blobs each kind owns.
#include "toolkit/core/entity.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "entity_support.h"
#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/entity_layout.h"
#include "toolkit/core/list.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/symtab.h"

using namespace entity_test;

namespace {

struct StringPlace {
  size_t offset;
  size_t max;
};

// Where a kind keeps its strings; the stored form moves them.
std::vector<StringPlace> string_places(uint16_t kind) {
  switch (kind) {
    case TK_TEXT: return {{TK_TEXT_STRING, 300}};
    case TK_DIMENSION: return {{TK_DIMENSION_STRING, 300}};
    case TK_MTEXT: return {{TK_MTEXT_STRING, 1500}};
    case TK_TOLERANCE: return {{TK_TOLERANCE_STRING, 300}};
    case TK_ATTDEF:
      return {{TK_ATTDEF_STRINGS, 512}, {TK_ATTDEF_SECOND, 512}, {TK_ATTDEF_THIRD, 512}};
    case TK_ATTRIB: return {{TK_ATTDEF_STRINGS, 512}, {TK_ATTDEF_SECOND, 512}};
    default: return {};
  }
}

// The bytes that precede the strings, or the whole fixed part.
size_t plain_bytes(uint16_t kind, size_t fixed) {
  auto places = string_places(kind);
  return places.empty() ? fixed : places.front().offset < fixed ? places.front().offset : fixed;
}

class EntityRecordTest : public DrawingTest {
 protected:
  // Packs into a list of its own, unpacks, and gives the stored size.
  size_t round_trip(const TkEntityHeader& h, const TkEntityData& data, TkEntityHeader* h2,
                    TkEntityData* data2) {
    TkList* list = list_new();
    TkLink* link = entity_pack(d, list, &h, &data, TK_POS_END, nullptr, 0);
    EXPECT_NE(link, nullptr) << "error " << tk_get_last_error();
    size_t size = 0;
    if (link) {
      size = link->size;
      TkLink* next = reinterpret_cast<TkLink*>(1);
      EXPECT_EQ(entity_unpack(link, h2, data2, nullptr, &next), 1);
      EXPECT_EQ(next, nullptr);
    }
    list_free(list);
    return size;
  }
  // Stored size of a default LINE's variable part with these handles.
  static size_t handle_bytes(const TkEntityHeader& h) {
    return size_t(tk_handle_length(&h.layer) + tk_handle_length(&h.linetype));
  }
};

TEST_F(EntityRecordTest, RandomRecordsOfEveryKindSurviveARoundTrip) {
  std::mt19937 rng(20261210);
  auto byte = [&] { return uint8_t(rng()); };
  auto chance = [&] { return rng() % 2 == 0; };
  std::vector<uint16_t> kinds;
  for (uint16_t k = 1; k <= TK_LAST_FIXED_KIND; ++k) kinds.push_back(k);
  for (uint16_t c : {tk_class_lwpolyline(d), tk_class_hatch(d), tk_class_image(d),
                     tk_class_wipeout(d), tk_class_ole2frame(d), tk_class_rtext(d),
                     tk_class_arcalignedtext(d), uint16_t(777)})
    if (c) kinds.push_back(c);
  ASSERT_GT(kinds.size(), size_t(40)) << "the new drawing lacks the entity classes";

  // The block an INSERT names must exist.
  TkBlockRecord block;
  tk_init_block_record(&block);
  TkHandle model;
  ASSERT_EQ(tk_find_record_by_name(d, "*MODEL_SPACE", &model), 1);

  for (uint16_t kind : kinds) {
    for (int round = 0; round < 20; ++round) {
      SCOPED_TRACE("kind " + std::to_string(kind) + " round " + std::to_string(round));
      TkEntityHeader h{};
      static TkEntityData data, back;
      h.kind = kind;
      tk_init_entity(d, &h, &data);
      h.handle = H(rng() % 4 == 0 ? rng() : (uint64_t(rng()) << 32 | rng()));
      if (tk_handle_is_null(&h.handle)) h.handle = H(1);
      if (chance()) h.thickness = double(rng()) / 7;
      if (chance()) h.colour = uint16_t(rng() % 258);
      if (chance()) {
        h.flags |= TK_ENTITY_EXTRUDED;
        h.extrusion[0] = 0.25;
        h.extrusion[1] = -double(rng());
      }
      h.flags |= uint8_t(rng() & ~uint32_t(TK_ENTITY_EXTRUDED) & 0xF9);
      if (chance()) h.linetype_scale = 0.5;
      if (chance()) h.word_a = rng();
      if (chance()) h.xdata = reinterpret_cast<TkBlob*>(uintptr_t(rng()) << 4);
      if (chance()) {
        h.reactor_count = rng() % 9;
        h.reactors = reinterpret_cast<TkBlob*>(uintptr_t(rng()) << 4 | 8);
      }
      if (chance()) h.xdictionary = H(rng() % 65536);
      if (chance()) h.plot_style = H(uint64_t(rng()) << 24);
      h.lineweight = int16_t(int(rng() % 215) - 3);
      if (chance()) h.layer = H(0);
      if (chance()) h.linetype = H(uint64_t(rng()) << 32 | rng());
      h.transient[0] = 11;

      size_t fixed = tk_entity_data_size(d, &h, &data);  // before randomising: the fixed part
      for (size_t i = 0; i < plain_bytes(kind, fixed); ++i) data.bytes[i] = byte();
      for (auto [offset, max] : string_places(kind)) {
        size_t n = rng() % (max + 1);
        if (round == 0) n = max;  // the longest strings fit too
        for (size_t i = 0; i < n; ++i) data.bytes[offset + i] = uint8_t('A' + rng() % 26);
        data.bytes[offset + n] = 0;
      }
      if (kind == TK_INSERT) tk_data_put(&data, TK_INSERT_BLOCK, model);
      const size_t stored = tk_entity_data_size(d, &h, &data);

      TkEntityHeader got{};
      got.transient[0] = 99;
      std::memset(back.bytes, 0xEE, sizeof back.bytes);
      size_t size = round_trip(h, data, &got, &back);
      ASSERT_GT(size, stored);
      EXPECT_EQ(got.transient[0], 99u) << "transient words are the caller's";
      got.transient[0] = 11;
      expect_same_header(got, h);
      // The stored bytes come back; everything beyond them reads as zero.
      for (size_t i = 0; i < sizeof data.bytes; ++i) {
        bool kept = i < plain_bytes(kind, stored);
        for (auto [offset, max] : string_places(kind))
          kept = kept || (i >= offset && i <= offset + strnlen(tk_data_text(&data, offset), max));
        if (kind == TK_VIEWPORT && i >= TK_VIEWPORT_SCRATCH) kept = false;
        ASSERT_EQ(back.bytes[i], kept ? data.bytes[i] : 0) << "data byte " << i;
      }
    }
  }
}

TEST_F(EntityRecordTest, StoredSizesOfDefaultsShortVerticesAndAttributes) {
  TkEntityHeader h, got;
  static TkEntityData data, back;
  make(TK_LINE, 0x2A, &h, &data);
  ASSERT_FALSE(tk_handle_is_null(&h.layer));
  size_t size = round_trip(h, data, &got, &back);
  EXPECT_EQ(size, TK_STORED_HEAD_SIZE + 2 + 1 + handle_bytes(h) + 2 + 48);
  EXPECT_EQ(got.colour, TK_COLOUR_BYLAYER);
  EXPECT_EQ(got.extrusion[2], 1.0);
  EXPECT_EQ(got.linetype_scale, 1.0);

  // BYBLOCK colour 0 is a value of its own; 256 is the default and costs nothing.
  h.colour = 0;
  EXPECT_EQ(round_trip(h, data, &got, &back), size + 2);
  EXPECT_EQ(got.colour, 0);

  struct VertexCase {
    double z;
    uint16_t flags;
    double bulge;
    size_t stored;
  };
  const VertexCase vertices[] = {
      {0.0, 0, 0.0, 16}, {2.5, 0, 0.0, 32}, {0.0, 1, 0.0, 32},
      {0.0, 64, 0.0, 88}, {0.0, 128, 0.0, 88}, {0.0, 0, 0.5, 88},
  };
  for (const auto& v : vertices) {
    make(TK_VERTEX, 0x30, &h, &data);
    tk_data_put(&data, 0, 3.0);
    tk_data_put(&data, TK_VERTEX_Z, v.z);
    tk_data_put(&data, TK_VERTEX_FLAGS, v.flags);
    tk_data_put(&data, 56, v.bulge);
    EXPECT_EQ(tk_entity_data_size(d, &h, &data), v.stored);
    round_trip(h, data, &got, &back);
    EXPECT_EQ(tk_data_get<double>(&back, 0), 3.0);
    EXPECT_EQ(tk_data_get<double>(&back, TK_VERTEX_Z), v.z);
    EXPECT_EQ(tk_data_get<uint16_t>(&back, TK_VERTEX_FLAGS), v.flags);
    EXPECT_EQ(tk_data_get<double>(&back, 56), v.bulge);
  }

  make(TK_ATTDEF, 0x31, &h, &data);
  EXPECT_EQ(tk_entity_data_size(d, &h, &data), 96u + 3);
  round_trip(h, data, &got, &back);
  for (size_t at : {TK_ATTDEF_STRINGS, TK_ATTDEF_SECOND, TK_ATTDEF_THIRD})
    EXPECT_STREQ(tk_data_text(&back, at), "");
  std::strcpy(tk_data_text(&data, TK_ATTDEF_SECOND), "PROMPT");
  std::strcpy(tk_data_text(&data, TK_ATTDEF_THIRD), "TAG");
  EXPECT_EQ(tk_entity_data_size(d, &h, &data), 96u + 3 + 6 + 3);
  make(TK_ATTRIB, 0x32, &h, &back);
  std::strcpy(tk_data_text(&back, TK_ATTDEF_STRINGS), "VALUE");
  std::strcpy(tk_data_text(&back, TK_ATTDEF_SECOND), "TAG");
  EXPECT_EQ(tk_entity_data_size(d, &h, &back), 96u + 2 + 5 + 3);
  // A string without its zero is cut at its longest, never read past.
  make(TK_ATTDEF, 0x33, &h, &data);
  std::memset(data.bytes + TK_ATTDEF_STRINGS, 'x', sizeof data.bytes - TK_ATTDEF_STRINGS);
  EXPECT_EQ(tk_entity_data_size(d, &h, &data), 96u + 3 * 513);
}

TEST_F(EntityRecordTest, HandlesKeepOnlyTheirSignificantBytes) {
  TkEntityHeader h, got;
  static TkEntityData data, back;
  make(TK_POINT, 0x40, &h, &data);
  h.layer = H(0x0102);
  h.linetype = H(0);
  size_t small = round_trip(h, data, &got, &back);
  EXPECT_TRUE(same(got.layer, H(0x0102)));
  EXPECT_TRUE(tk_handle_is_null(&got.linetype));
  h.layer = H(0x0102030405060708);
  EXPECT_EQ(round_trip(h, data, &got, &back), small + 6);
  EXPECT_TRUE(same(got.layer, H(0x0102030405060708)));
}

TEST_F(EntityRecordTest, InsertOfAnUnknownBlockIsRefusedUnlessTheCallerKeepsIt) {
  TkEntityHeader h;
  static TkEntityData data;
  make(TK_INSERT, 0x50, &h, &data);
  tk_data_put(&data, TK_INSERT_BLOCK, H(0x7777));
  TkList* list = list_new();
  EXPECT_EQ(entity_pack(d, list, &h, &data, TK_POS_END, nullptr, 0), nullptr);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_INSERT_BLOCK_UNKNOWN);
  EXPECT_EQ(list_count(list), 0);
  // A handle of a record that is not a block does not count as a block either.
  TkLayerRecord layer;
  ASSERT_EQ(tk_layer_list_rewind(d), 1);
  ASSERT_EQ(tk_layer_list_next(d, &layer), 1);
  tk_data_put(&data, TK_INSERT_BLOCK, layer.handle);
  EXPECT_EQ(entity_pack(d, list, &h, &data, TK_POS_END, nullptr, 0), nullptr);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_INSERT_BLOCK_UNKNOWN);

  TkLink* kept = entity_pack(d, list, &h, &data, TK_POS_END, nullptr, TK_PACK_KEEP_UNRESOLVED);
  ASSERT_NE(kept, nullptr);
  TkEntityHeader got;
  static TkEntityData back;
  ASSERT_EQ(entity_unpack(kept, &got, &back, nullptr, nullptr), 1);
  EXPECT_TRUE(same(tk_data_get<TkHandle>(&back, TK_INSERT_BLOCK), layer.handle));
  list_free(list);
}

TEST_F(EntityRecordTest, DamagedStoredRecordsFailWithoutTouchingTheOutputs) {
  TkEntityHeader h;
  static TkEntityData data;
  make(TK_TEXT, 0x60, &h, &data);
  std::strcpy(tk_data_text(&data, TK_TEXT_STRING), "hello");
  TkList* list = list_new();
  TkLink* link = entity_pack(d, list, &h, &data, TK_POS_END, nullptr, 0);
  ASSERT_NE(link, nullptr);
  auto* r = static_cast<uint8_t*>(tk_link_data(link));
  const size_t size = link->size;
  struct Damage {
    const char* what;
    size_t offset;
    uint8_t value;
    size_t size;
  };
  const Damage damages[] = {
      {"variable part longer than the record", TK_STORED_VAR_SIZE + 1, 0x7F, size},
      {"record shorter than its head", 0, r[0], 10},
      {"data cut short", 0, r[0], size - 1},
      {"string without its zero", 0, r[0], size},  // last byte overwritten below
      {"handle length above 8", TK_STORED_HEAD_SIZE + 2, 0x9F, size},
  };
  for (const auto& damage : damages) {
    SCOPED_TRACE(damage.what);
    std::vector<uint8_t> saved(r, r + size);
    r[damage.offset] = damage.value;
    if (std::string(damage.what) == "string without its zero") r[size - 1] = 'x';
    link->size = damage.size;
    TkEntityHeader got{};
    got.kind = 4242;
    EXPECT_EQ(entity_unpack(link, &got, &data, nullptr, nullptr), 0);
    EXPECT_EQ(got.kind, 4242);
    std::memcpy(r, saved.data(), size);
    link->size = size;
  }
  list_free(list);
}

TEST_F(EntityRecordTest, DefaultsOfTheKinds) {
  struct DefaultCase {
    uint16_t kind;
    size_t offset;
    double value;
  };
  const DefaultCase cases[] = {
      {TK_CIRCLE, 24, 1.0},      {TK_ARC, 40, 6.283185307179586}, {TK_ELLIPSE, 48, 1.0},
      {TK_ELLIPSE, 64, 6.283185307179586}, {TK_SPLINE, 24, 1e-6}, {TK_TRACE, 32, 1.0},
      {TK_SOLID, 72, 1.0},       {TK_INSERT, 48, 1.0},  {TK_RAY, 24, 1.0},
      {TK_TEXT, TK_TEXT_ATTRS, 1.0}, {TK_TEXT, TK_TEXT_ATTRS + 16, 1.0},
      {TK_ATTDEF, TK_ATTDEF_ATTRS, 1.0}, {TK_MTEXT, 96, 1.0}, {TK_VIEWPORT, 792, 50.0},
      {TK_VIEWPORT, 848, 0.5},   {TK_MLINE, 0, 1.0},    {TK_DIMENSION, 232, 1.0},
  };
  TkEntityHeader h;
  static TkEntityData data;
  for (const auto& c : cases) {
    make(c.kind, 1, &h, &data);
    EXPECT_EQ(tk_data_get<double>(&data, c.offset), c.value) << "kind " << c.kind;
  }
  make(TK_LINE, 1, &h, &data);
  EXPECT_EQ(h.lineweight, TK_LINEWEIGHT_BYLAYER);
  EXPECT_TRUE(same(h.linetype, d->bylayer_linetype));
  TkTextStyleRecord style;
  tk_style_list_rewind(d);
  ASSERT_EQ(tk_style_list_next(d, &style), 1);
  make(TK_TEXT, 1, &h, &data);
  EXPECT_TRUE(same(tk_data_get<TkHandle>(&data, TK_TEXT_ATTRS + 56), style.handle));
  make(TK_MTEXT, 1, &h, &data);
  EXPECT_TRUE(same(tk_data_get<TkHandle>(&data, 104), style.handle));
  make(TK_VIEWPORT, 1, &h, &data);
  EXPECT_EQ(tk_data_get<uint32_t>(&data, 80), 32800u);
  EXPECT_EQ(tk_data_get<int16_t>(&data, 60), -1);
  make(TK_INSERT, 1, &h, &data);
  EXPECT_EQ(tk_data_get<uint16_t>(&data, 80), 1);
  TkHandle block = tk_data_get<TkHandle>(&data, TK_INSERT_BLOCK);
  EXPECT_TRUE(tk_handle_is_null(&block));
}

TEST_F(EntityRecordTest, FreeingBlobsFreesEveryBlobAKindOwns) {
  std::vector<uint16_t> kinds = {TK_SPLINE,         TK_REGION,         TK_VIEWPORT,
                                 TK_3DSOLID,        TK_MTEXT,          TK_LEADER,
                                 TK_MLINE,          TK_BODY,           tk_class_lwpolyline(d),
                                 tk_class_hatch(d), tk_class_wipeout(d), tk_class_ole2frame(d),
                                 tk_class_rtext(d), tk_class_arcalignedtext(d), 900};
  for (uint16_t kind : kinds) {
    for (uint32_t second : {0u, 1u}) {
      SCOPED_TRACE("kind " + std::to_string(kind));
      long before = core_test::counts.live;
      TkEntityHeader h;
      static TkEntityData data;
      make(kind, 1, &h, &data);
      tk_data_put(&data, TK_CLASS_DATA_FLAG, second);
      h.xdata = blob_alloc(64);
      h.reactors = blob_alloc(64);
      size_t places[4];
      int n = tk_entity_blob_places(d, &h, &data, places);
      ASSERT_GT(n, 0);
      for (int i = 0; i < n; ++i) tk_data_put(&data, places[i], blob_alloc(64));
      EXPECT_EQ(tk_free_entity_blobs(d, &h, &data), 1);
      EXPECT_EQ(core_test::counts.live, before);
      for (int i = 0; i < n; ++i) EXPECT_EQ(tk_data_blob(&data, places[i]), nullptr);
      EXPECT_EQ(h.xdata, nullptr);
    }
  }
}

TEST_F(EntityRecordTest, KindNames) {
  EXPECT_STREQ(tk_entity_kind_name(TK_LINE), "LINE");
  EXPECT_STREQ(tk_entity_kind_name(TK_BODY), "BODY");
  EXPECT_STREQ(tk_entity_kind_name(18), "");
  EXPECT_STREQ(tk_entity_kind_name(600), "");
}

}  // namespace

namespace {

TEST(EntityLayoutTest, RowCountsAndEveryRowInsideTheDataRecord) {
  struct Case {
    uint16_t kind;
    size_t rows;
  };
  const Case cases[] = {
      {TK_LINE, 6},      {TK_POINT, 4},     {TK_CIRCLE, 4},   {TK_SHAPE, 7},     {TK_ELLIPSE, 9},
      {TK_SPLINE, 14},   {TK_TEXT, 13},     {TK_ARC, 6},      {TK_TRACE, 12},    {TK_SOLID, 12},
      {TK_BLOCK, 6},     {TK_INSERT, 12},   {TK_ATTDEF, 17},  {TK_ATTRIB, 16},   {TK_POLYLINE, 9},
      {TK_VERTEX, 12},   {TK_3DLINE, 6},    {TK_3DFACE, 13},  {TK_DIMENSION, 33}, {TK_VIEWPORT, 48},
      {TK_RAY, 6},       {TK_XLINE, 6},     {TK_MTEXT, 14},   {TK_LEADER, 19},   {TK_TOLERANCE, 7},
      {TK_MLINE, 9},     {32, 2},
  };
  for (const auto& c : cases) {
    const TkEntityLayout* l = tk_entity_layout(c.kind);
    ASSERT_NE(l, nullptr) << c.kind;
    EXPECT_EQ(l->count, c.rows) << tk_entity_kind_name(c.kind);
    for (size_t i = 0; i < l->count; ++i) {
      const TkGroupDesc& r = l->rows[i];
      EXPECT_LE(size_t(r.offset) + r.size, TK_ENTITY_DATA_SIZE) << "code " << r.code;
      if (r.store == TK_GROUP_DOUBLE) {
        EXPECT_LE(size_t(r.element) * 8 + 8, r.size);
      }
    }
  }
  for (uint16_t kind : {uint16_t(TK_REGION), uint16_t(TK_ENDBLK), uint16_t(TK_SEQEND),
                        uint16_t(18), uint16_t(TK_3DSOLID), uint16_t(TK_BODY)})
    EXPECT_EQ(tk_entity_layout(kind), nullptr) << kind;
  // Strings kept behind the fixed part are found where packing looks for them.
  EXPECT_EQ(tk_entity_group_find(TK_TEXT, 1)->offset, TK_TEXT_STRING);
  EXPECT_EQ(tk_entity_group_find(TK_MTEXT, 3)->offset, TK_MTEXT_STRING);
  EXPECT_EQ(tk_entity_group_find(TK_MTEXT, 3)->store, TK_GROUP_TAIL_TEXT);
  EXPECT_EQ(tk_entity_group_find(TK_ATTDEF, 1)->offset, TK_ATTDEF_THIRD);
  EXPECT_EQ(tk_entity_group_find(TK_INSERT, 20)->element, 1);
  EXPECT_EQ(tk_entity_group_find(TK_LINE, 40), nullptr);
}

}  // namespace

namespace {

std::vector<std::pair<void*, TkUserData>> released;
void note_release(void* image, TkUserData user) { released.emplace_back(image, user); }

TEST_F(EntityRecordTest, AnImagesPixelsAreHandedBackBeforeTheyAreFreed) {
  ASSERT_NE(tk_class_image(d), 0);
  TkEntityHeader h;
  static TkEntityData data;
  tk_set_user_data(d, 77);
  released.clear();
  tk_set_image_release_callback(note_release);
  make(tk_class_image(d), 1, &h, &data);
  void* pixels = mem_alloc(300);
  tk_data_put(&data, TK_IMAGE_BUFFER, pixels);
  EXPECT_EQ(tk_free_entity_blobs(d, &h, &data), 1);
  ASSERT_EQ(released.size(), 1u);
  EXPECT_EQ(released[0].first, pixels);
  EXPECT_EQ(released[0].second, TkUserData(77));
  EXPECT_EQ(tk_data_get<void*>(&data, TK_IMAGE_BUFFER), nullptr);
  // Without a callback the pixels are only freed (the fixture checks nothing is left).
  tk_set_image_release_callback(nullptr);
  tk_data_put(&data, TK_IMAGE_BUFFER, mem_alloc(300));
  EXPECT_EQ(tk_free_entity_blobs(d, &h, &data), 1);
  EXPECT_EQ(released.size(), 1u);
}

}  // namespace
