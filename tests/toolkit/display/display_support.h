// Test support for display generation: a recording callback block (every slot call, with its
// arguments, in order), a started toolkit with the display block and a new drawing shown in a
// known view, and makers for the entities the tests draw.
//
// The view maps drawing units to device units by ten: the device is 1000 x 1000 with y up, and
// drawing point (x, y) lands on device (10 x, 10 y) for 0 <= x, y < 100.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "../core/entity_support.h"
#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/display_block.h"
#include "toolkit/core/display_state.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/load_entities.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/object.h"
#include "toolkit/core/symtab.h"
#include "toolkit/display/regen.h"

namespace display_test {

struct Call {
  int slot;
  int32_t a, b;              // x, y; colour; percent; lineweight
  std::vector<int32_t> pts;  // fill polygon points
  std::string text;          // paths
};

inline std::vector<Call> calls;

inline void on_moveto(int32_t x, int32_t y, TkUserData) { calls.push_back({0, x, y, {}, {}}); }
inline void on_lineto(int32_t x, int32_t y, TkUserData) { calls.push_back({1, x, y, {}, {}}); }
inline void on_fill(const int16_t range[2], const int32_t* p, TkUserData) {
  Call c{2, range[0], range[1], {}, {}};
  c.pts.assign(p + 2 * range[0], p + 2 * (range[1] + 1));
  calls.push_back(c);
}
inline void on_color(int16_t colour, TkUserData) { calls.push_back({4, colour, 0, {}, {}}); }
inline void on_progress(int16_t percent, TkUserData) { calls.push_back({5, percent, 0, {}, {}}); }
inline void on_lineweight(int16_t lw, TkUserData) { calls.push_back({32, lw, 0, {}, {}}); }

inline void install_recorder() {
  calls.clear();
  tk_set_moveto_callback(on_moveto);
  tk_set_lineto_callback(on_lineto);
  tk_set_fill_polygon_callback(on_fill);
  tk_set_color_callback(on_color);
}

// Calls of one slot.
inline std::vector<Call> of(int slot) {
  std::vector<Call> out;
  for (const Call& c : calls)
    if (c.slot == slot) out.push_back(c);
  return out;
}

// The polylines the pen drew: each move-to starts one, each line-to extends it.
inline std::vector<std::vector<std::pair<int32_t, int32_t>>> strokes() {
  std::vector<std::vector<std::pair<int32_t, int32_t>>> out;
  std::pair<int32_t, int32_t> pen{-2000000000, -2000000000};
  for (const Call& c : calls) {
    if (c.slot == 0) {
      pen = {c.a, c.b};
      out.push_back({pen});
    } else if (c.slot == 1) {
      if (out.empty()) out.push_back({pen});
      out.back().push_back({c.a, c.b});
    }
  }
  return out;
}

class DisplayTest : public entity_test::DrawingTest {
 protected:
  void SetUp() override {
    entity_test::DrawingTest::SetUp();
    ASSERT_EQ(tk_init(), 1);
    install_recorder();
    ASSERT_EQ(tk_display_open(d, nullptr, 1000, 1000, nullptr), 1);
    set_view(50, 50, 100);
    next_handle = 0x1000;
  }
  void TearDown() override {
    tk_display_close(d);
    tk_shutdown();
    entity_test::DrawingTest::TearDown();
  }
  // Shows a square of the given side around (cx, cy) on the 1000 x 1000 device, y up.
  void set_view(double cx, double cy, double side) {
    TkViewDesc v{};
    v.direction[2] = 1;
    v.target[0] = cx;
    v.target[1] = cy;
    v.target[3] = 1;
    v.up[1] = 1;
    v.width = side;
    v.height = side;
    const int32_t rect[4] = {0, 0, 1000, 1000};
    ASSERT_EQ(tk_display_set_view(d, &v, rect), 1);
  }
  TkList* model() { return &d->model_entities; }
  // A fresh entity of the kind on layer "0" with by-layer colour and linetype.
  void start(uint16_t kind) {
    std::memset(&h, 0, sizeof h);
    make(kind, next_handle++, &h, &data);
  }
  template <typename T>
  void put(size_t at, T value) {
    tk_data_put(&data, at, value);
  }
  void put3(size_t at, double x, double y, double z = 0) {
    put(at, x);
    put(at + 8, y);
    put(at + 16, z);
  }
  void add(TkList* list = nullptr) {
    ASSERT_EQ(tk_add_entity(d, list ? list : model(), &h, &data), 1);
  }
  void add_line(double x0, double y0, double x1, double y1, TkList* list = nullptr) {
    start(TK_LINE);
    put3(0, x0, y0);
    put3(24, x1, y1);
    add(list);
  }
  void add_circle(double x, double y, double r) {
    start(TK_CIRCLE);
    put3(0, x, y);
    put(24, r);
    add();
  }
  // A linetype of the given elements (positive dash, negative gap, 0 dot).
  TkHandle add_linetype(const char* name, std::vector<double> elements) {
    TkLinetypeRecord lt;
    tk_init_ltype_record(&lt);
    std::strcpy(lt.name, name);
    EXPECT_EQ(tk_next_handle(d, nullptr, 0, &lt.handle), 1);
    lt.element_count = int16_t(elements.size());
    lt.pattern_length = 0;
    for (size_t i = 0; i < elements.size(); ++i) {
      lt.elements[i].length = elements[i];
      lt.pattern_length += std::fabs(elements[i]);
    }
    EXPECT_EQ(tk_ltype_add(d, &lt), 1);
    TkHandle handle{};
    EXPECT_EQ(tk_ltype_find(d, name, &handle), 1);
    return handle;
  }
  int16_t regen() {
    calls.clear();
    return regen_drawing(d);
  }
  TkEntityHeader h{};
  TkEntityData data{};
  uint64_t next_handle = 0x1000;
};

// Spatial filters: a handle from a number, the filter record as the readers store it (two
// identity transforms), and the dictionaries that lead an insertion to it.
inline TkHandle H(uint64_t v) {
  TkHandle h{};
  for (int i = 7; i >= 0; --i, v >>= 8) h.bytes[i] = uint8_t(v);
  return h;
}

inline std::vector<uint8_t> filter_record(std::vector<double> xy, int16_t count,
                                          int16_t clipping, const double normal[3]) {
  std::vector<uint8_t> r(2 + 24 + 24 + 6 + 16 + 2 * 96 + xy.size() * sizeof(double));
  size_t at = 0;
  auto put = [&](const void* p, size_t n) {
    std::memcpy(r.data() + at, p, n);
    at += n;
  };
  put(&count, 2);
  put(normal, 24);
  const double origin[3] = {0, 0, 0};
  put(origin, 24);
  const int16_t flags[3] = {clipping, 0, 0};
  put(flags, 6);
  const double distances[2] = {0, 0};
  put(distances, 16);
  // Two identity transforms as 4 rows of 3.
  const double rows[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
  put(rows, sizeof rows);
  put(rows, sizeof rows);
  if (!xy.empty()) put(xy.data(), xy.size() * sizeof(double));
  return r;
}

inline void add_dictionary(TkDrawing* d, const TkHandle& handle, const char* name,
                           const TkHandle& object) {
  TkObjectHeader oh{};
  TkObjectData od;
  std::memset(&od, 0, sizeof od);
  oh.type = TK_OBJ_DICTIONARY;
  tk_init_object(d, &oh, &od);
  oh.handle = handle;
  od.dictionary.entries = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob_create(od.dictionary.entries);
  TkDictEntry e{};
  std::strcpy(e.name, name);
  e.object = object;
  tk_dict_entry_write(w, &e);
  blob_close_write(w);
  od.dictionary.entry_count = 1;
  ASSERT_EQ(tk_object_add(d, &oh, &od), 1);
}

// A SPATIAL_FILTER object holding the record under a new extension dictionary; the handle of that
// dictionary, for the insertion to carry.
inline TkHandle add_filter(TkDrawing* d, const std::vector<uint8_t>& record) {
  static uint64_t next_object = 0x9000;
  uint64_t base = next_object;
  next_object += 0x10;
  add_dictionary(d, H(base), "ACAD_FILTER", H(base + 1));
  add_dictionary(d, H(base + 1), "SPATIAL", H(base + 2));
  TkObjectHeader oh{};
  TkObjectData od;
  std::memset(&od, 0, sizeof od);
  oh.type = tk_class_spatial_filter(d);
  tk_init_object(d, &oh, &od);
  oh.handle = H(base + 2);
  // The record's fields into the filter's own: count, plane, origin, the three flags, the two
  // distances, the two transforms, then the boundary.
  TkSpatialFilterData& f = od.spatial_filter;
  const uint8_t* p = record.data();
  std::memcpy(&f.point_count, p, 2);
  std::memcpy(f.extrusion, p + 2, 24);
  std::memcpy(f.origin, p + 26, 24);
  std::memcpy(&f.display_boundary, p + 50, 2);
  std::memcpy(&f.front_clip, p + 52, 2);
  std::memcpy(&f.back_clip, p + 54, 2);
  std::memcpy(&f.front_distance, p + 56, 8);
  std::memcpy(&f.back_distance, p + 64, 8);
  std::memcpy(f.inverse_block_transform, p + 72, 96);
  std::memcpy(f.clip_transform, p + 168, 96);
  if (record.size() > 264) {
    f.points = blob_alloc(TK_BLOB_CHUNK_SIZE);
    TkBlob* w = blob_create(f.points);
    blob_write(w, p + 264, record.size() - 264);
    blob_close_write(w);
  }
  EXPECT_EQ(tk_object_add(d, &oh, &od), 1);
  return H(base);
}

}  // namespace display_test
