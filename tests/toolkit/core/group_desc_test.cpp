// Group-code descriptors: each table is sorted for its binary search, keeps the row counts the
// DXF reader and writers expect, stays inside its record, and sends groups to the right fields.
#include "toolkit/core/group_desc.h"

#include <gtest/gtest.h>

#include <cstring>

#include "toolkit/core/class_list.h"
#include "toolkit/core/object.h"
#include "toolkit/core/symtab.h"

namespace {

TEST(GroupDescTest, TablesAreSortedCountedAndInsideTheirRecords) {
  struct Case {
    const char* kind;
    size_t rows;
    size_t record_size;
  } const cases[TK_GROUP_KIND_COUNT] = {
      {"LTYPE", 9, sizeof(TkLinetypeRecord)}, {"LAYER", 9, sizeof(TkLayerRecord)},
      {"STYLE", 12, sizeof(TkTextStyleRecord)}, {"VIEW", 35, sizeof(TkViewRecord)},
      {"VPORT", 53, sizeof(TkVportRecord)},   {"APPID", 5, sizeof(TkAppIdRecord)},
      {"DIMSTYLE", 73, sizeof(TkDimStyleRecord)}, {"UCS", 21, sizeof(TkUcsRecord)},
      {"BLOCK", 6, sizeof(TkBlockRecord)},    {"BLOCK_RECORD", 5, sizeof(TkBlockRecord)},
      {"MLINESTYLE", 7, sizeof(TkMlineStyleData)}, {"CLASS", 6, sizeof(TkClassRecord)},
  };
  for (int k = 0; k < TK_GROUP_KIND_COUNT; ++k) {
    const TkGroupTable& t = tk_group_tables[k];
    const Case& c = cases[k];
    EXPECT_STREQ(t.kind, c.kind);
    EXPECT_EQ(t.count, c.rows) << c.kind;
    for (size_t i = 0; i < t.count; ++i) {
      const TkGroupDesc& r = t.rows[i];
      if (i) {
        EXPECT_LT(t.rows[i - 1].code, r.code) << c.kind << " row " << i;
      }
      EXPECT_LE(size_t(r.offset) + r.size, c.record_size) << c.kind << " group " << r.code;
      size_t needed = r.store == TK_GROUP_BYTE                                ? 1
                      : r.store == TK_GROUP_INT16                             ? 2
                      : r.store == TK_GROUP_DOUBLE || r.store == TK_GROUP_ANGLE ? 8 * (r.element + 1u)
                      : r.store == TK_GROUP_HANDLE || r.store == TK_GROUP_NAME ? 8
                      : r.store == TK_GROUP_INT32                              ? 4
                                                                               : 1;  // a text
      EXPECT_LE(needed, r.size) << c.kind << " group " << r.code;
      EXPECT_EQ(tk_group_find(&t, r.code), &r);
    }
    EXPECT_EQ(tk_group_find(&t, 999), nullptr);
    EXPECT_EQ(tk_group_find(&t, -1), nullptr);
  }
}

// Stores a number through a row the way the reader does.
void store(void* record, const TkGroupDesc* d, double value) {
  uint8_t* at = static_cast<uint8_t*>(record) + d->offset;
  switch (d->store) {
    case TK_GROUP_BYTE: *at = uint8_t(value); break;
    case TK_GROUP_INT16: {
      int16_t v = int16_t(value);
      memcpy(at, &v, 2);
      break;
    }
    case TK_GROUP_DOUBLE:
    case TK_GROUP_ANGLE: memcpy(at + 8 * d->element, &value, 8); break;
    default: FAIL() << "not a number row: " << d->code;
  }
}

TEST(GroupDescTest, GroupsReachTheirFields) {
  const TkGroupTable* vport = &tk_group_tables[TK_GROUPS_VPORT];
  TkVportRecord v{};
  store(&v, tk_group_find(vport, 21), 2.5);
  store(&v, tk_group_find(vport, 36), 1.0);
  store(&v, tk_group_find(vport, 50), 0.25);
  store(&v, tk_group_find(vport, 72), 100);
  EXPECT_EQ(v.upper_right[1], 2.5);
  EXPECT_EQ(v.direction[2], 1.0);
  EXPECT_EQ(v.snap_angle, 0.25);
  EXPECT_EQ(v.circle_zoom, 100);
  EXPECT_EQ(tk_group_find(vport, 50)->store, TK_GROUP_ANGLE);

  const TkGroupTable* dim = &tk_group_tables[TK_GROUPS_DIMSTYLE];
  // DIMUNIT and DIMLUNIT share one field; the block groups come as handles and as names.
  EXPECT_EQ(tk_group_find(dim, 270)->offset, tk_group_find(dim, 277)->offset);
  EXPECT_EQ(tk_group_find(dim, 5)->offset, tk_group_find(dim, 342)->offset);
  EXPECT_EQ(tk_group_find(dim, 5)->store, TK_GROUP_NAME);
  EXPECT_EQ(tk_group_find(dim, 105)->offset, offsetof(TkDimStyleRecord, handle));
  TkDimStyleRecord ds{};
  store(&ds, tk_group_find(dim, 41), 0.18);
  EXPECT_EQ(ds.dimasz, 0.18);

  const TkGroupTable* layer = &tk_group_tables[TK_GROUPS_LAYER];
  TkLayerRecord l{};
  store(&l, tk_group_find(layer, 62), -5);
  store(&l, tk_group_find(layer, 70), 4);
  EXPECT_EQ(l.color, -5);
  EXPECT_EQ(l.flags, 4);
  EXPECT_EQ(tk_group_find(layer, 6), nullptr);  // the linetype name is resolved by the load
  EXPECT_EQ(tk_group_find(layer, 2)->size, TK_NAME_SIZE);

  const TkGroupTable* style = &tk_group_tables[TK_GROUPS_STYLE];
  EXPECT_EQ(tk_group_find(style, 3)->size, 256);
  EXPECT_EQ(tk_group_find(style, 3)->offset, offsetof(TkTextStyleRecord, font_file));
}

}  // namespace
