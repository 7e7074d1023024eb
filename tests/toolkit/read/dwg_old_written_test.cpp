// The reader of DWG files of AC1002 to AC1009 over files this toolkit's writer made, one per
// release: a drawing built here (each kind with values of its own) and a drawing of the shared
// test data are written in every release and read back, and each entity is held against the
// source field by field, as far as the release keeps the field. So every older release is read
// from more than the few files other programs wrote of it.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/TestData.h"
#include "tests/toolkit/read/dwg_old_fixture.h"
#include "toolkit/core/blob.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/load.h"
#include "toolkit/core/object.h"
#include "toolkit/core/symtab.h"
#include "toolkit/write/dwg12_write.h"

namespace {

using namespace dwg_old_test;

const char* const kNames[5] = {"AC1002", "AC1003", "AC1004", "AC1006", "AC1009"};

class WrittenOldDwg : public OldDwg {};

double get(const TkEntityData& d, size_t at) { return tk_data_get<double>(&d, at); }

// A drawing of one entity per kind, each with values that tell it apart.
struct Source {
  TkDrawing* d = nullptr;
  TkHandle walls{}, dashed{}, app{};

  void build() {
    d = tk_new_drawing(nullptr, nullptr, 0, TK_VERSION_AC1009);
    ASSERT_NE(d, nullptr);
    TkLinetypeRecord lt;
    tk_init_ltype_record(&lt);
    std::snprintf(lt.name, sizeof lt.name, "%s", "DASHED");
    std::snprintf(lt.description, sizeof lt.description, "%s", "__ __ __");
    lt.alignment = 'A';
    lt.element_count = 2;
    lt.pattern_length = 0.75;
    lt.elements[0].length = 0.5;
    lt.elements[1].length = -0.25;
    ASSERT_EQ(tk_next_handle(d, nullptr, 0, &lt.handle), 1);
    ASSERT_EQ(tk_ltype_add(d, &lt), 1);
    dashed = lt.handle;
    TkLayerRecord layer;
    tk_init_layer_record(d, &layer);
    std::snprintf(layer.name, sizeof layer.name, "%s", "WALLS");
    layer.color = 3;
    layer.linetype = dashed;
    ASSERT_EQ(tk_next_handle(d, nullptr, 0, &layer.handle), 1);
    ASSERT_EQ(tk_layer_add(d, &layer), 1);
    walls = layer.handle;
    TkAppIdRecord a;
    tk_init_appid_record(&a);
    std::snprintf(a.name, sizeof a.name, "%s", "VELLVIEW");
    ASSERT_EQ(tk_next_handle(d, nullptr, 0, &a.handle), 1);
    ASSERT_TRUE(record_store_indexed(&a.handle, &d->index, &a, sizeof a, &d->appids, TK_POS_END,
                                     nullptr));
    app = a.handle;
  }
  ~Source() {
    if (d) tk_close_drawing(d);
  }

  TkEntityHeader h;
  TkEntityData data;
  TkEntityHeader& begin(uint16_t kind) {
    std::memset(&h, 0, sizeof h);
    h.kind = kind;
    tk_init_entity(d, &h, &data);
    tk_next_handle(d, nullptr, 0, &h.handle);
    return h;
  }
  void reals(size_t at, std::initializer_list<double> values) {
    for (double v : values) tk_data_put(&data, at, v), at += 8;
  }
  void add() { ASSERT_EQ(tk_add_entity(d, &d->model_entities, &h, &data), 1); }
};

TkBlob* xdata(const TkHandle& app) {
  TkBlob* x = blob_alloc(4096);
  TkBlob* w = blob_create(x);
  static TkXdataItem item;
  auto put = [&](uint16_t code, const void* value, size_t n) {
    std::memset(&item, 0, sizeof item);
    item.code = code;
    std::memcpy(item.value, value, n);
    xdata_append_item(w, &item);
  };
  put(1001, app.bytes, 8);
  put(1000, "hello", 6);
  int16_t seven = 7;
  put(1070, &seven, 2);
  double real = 2.5;
  put(1040, &real, 8);
  blob_close_write(w);
  return x;
}

void build_entities(Source& s) {
  s.begin(TK_LINE);
  s.h.layer = s.walls;
  s.h.colour = 5;
  s.reals(0, {1, 2, 3, 4, 5, 6});
  s.add();
  s.begin(TK_CIRCLE);
  s.h.thickness = 2;
  s.h.linetype = s.dashed;
  s.reals(0, {1, 2, 0.5, 3});
  s.add();
  s.begin(TK_ARC);
  s.reals(0, {-1, -2, 0, 4, 0.25, 2.5});
  s.add();
  s.begin(TK_TEXT);
  s.reals(0, {10, 11, 0});
  s.reals(TK_TEXT_ATTRS, {0.5, 0.3, 0.8});
  s.data.bytes[TK_TEXT_ATTRS + 33] = 1;  // centred
  s.reals(TK_TEXT_ATTRS + 40, {7, 8});
  std::snprintf(tk_data_text(&s.data, TK_TEXT_STRING), 32, "%s", "Hello, old release");
  s.add();
  s.begin(TK_SOLID);
  s.reals(0, {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0});
  s.add();
  s.begin(TK_POINT);
  s.h.xdata = xdata(s.app);
  s.reals(0, {3, 4, 0});
  s.add();
  s.begin(TK_3DFACE);
  s.reals(0, {0, 0, 1, 2, 0, 2, 2, 2, 3, 0, 2, 4});
  s.add();
}

// What each kind keeps, checked against the entity it was written from.
void expect_same(const Unpacked& a, const Unpacked& b, TkVersion v, TkDrawing* src,
                 TkDrawing* back) {
  const TkEntityData& x = a.data;
  const TkEntityData& y = b.data;
  ASSERT_EQ(b.h.kind, a.h.kind);
  SCOPED_TRACE(tk_entity_kind_name(a.h.kind));
  EXPECT_EQ(b.h.colour, a.h.colour);
  EXPECT_EQ(b.h.thickness, a.h.thickness);
  TkLayerRecord la, lb;
  ASSERT_EQ(tk_layer_get(src, &a.h.layer, &la), 1);
  ASSERT_EQ(tk_layer_get(back, &b.h.layer, &lb), 1);
  EXPECT_STREQ(lb.name, la.name);
  if (a.h.linetype.bytes[7] != src->bylayer_linetype.bytes[7]) {
    TkLinetypeRecord ta, tb;
    ASSERT_EQ(tk_ltype_get(src, &a.h.linetype, &ta), 1);
    ASSERT_EQ(tk_ltype_get(back, &b.h.linetype, &tb), 1);
    EXPECT_STREQ(tb.name, ta.name);
    EXPECT_EQ(tb.element_count, ta.element_count);
    EXPECT_EQ(tb.elements[1].length, ta.elements[1].length);
  }
  bool z = v >= TK_VERSION_AC1006;
  switch (a.h.kind) {
    case TK_LINE:
      for (size_t i : {0, 1, 24, 32}) EXPECT_EQ(get(y, i), get(x, i));
      EXPECT_EQ(get(y, 16), get(x, 16));
      // Before AC1006 the line's one elevation stands for both ends.
      EXPECT_EQ(get(y, 40), z ? get(x, 40) : get(x, 16));
      break;
    case TK_CIRCLE:
    case TK_ARC:
      for (size_t i : {0, 8, 16, 24}) EXPECT_EQ(get(y, i), get(x, i));
      if (a.h.kind == TK_ARC) {
        EXPECT_EQ(get(y, 32), get(x, 32));
        EXPECT_EQ(get(y, 40), get(x, 40));
      }
      break;
    case TK_TEXT:
      EXPECT_STREQ(tk_data_text(&y, TK_TEXT_STRING), tk_data_text(&x, TK_TEXT_STRING));
      for (size_t i : {0, 8, 24, 32, 40, 64, 72}) EXPECT_EQ(get(y, i), get(x, i)) << i;
      EXPECT_EQ(y.bytes[TK_TEXT_ATTRS + 33], x.bytes[TK_TEXT_ATTRS + 33]);
      break;
    case TK_SOLID:
      for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(get(y, 24 * i), get(x, 24 * i));
        EXPECT_EQ(get(y, 24 * i + 8), get(x, 24 * i + 8));
      }
      break;
    case TK_POINT: {
      EXPECT_EQ(get(y, 0), get(x, 0));
      EXPECT_EQ(get(y, 8), get(x, 8));
      if (v != TK_VERSION_AC1009) break;
      ASSERT_NE(b.h.xdata, nullptr);
      TkBlob* r = blob_open_read(b.h.xdata);
      static TkXdataItem item;
      std::vector<uint16_t> codes;
      std::string text;
      while (xdata_read_item(r, &item)) {
        codes.push_back(item.code);
        if (item.code == 1000) text = reinterpret_cast<char*>(item.value);
      }
      blob_close(r);
      EXPECT_EQ(codes, (std::vector<uint16_t>{1001, 1000, 1070, 1040}));
      EXPECT_EQ(text, "hello");
      break;
    }
    case TK_3DFACE:
      for (size_t i = 0; i < 12; ++i) EXPECT_EQ(get(y, 8 * i), get(x, 8 * i)) << i;
      break;
    default:
      break;
  }
}

TEST_F(WrittenOldDwg, EachReleaseReadsBackWhatTheWriterWasGiven) {
  Source s;
  s.build();
  if (HasFatalFailure()) return;
  build_entities(s);
  if (HasFatalFailure()) return;
  std::vector<Unpacked> source = entities_of(&s.d->model_entities);
  for (TkVersion v = TK_VERSION_AC1002; v <= TK_VERSION_AC1009; ++v) {
    SCOPED_TRACE(kNames[v]);
    std::vector<uint8_t> bytes;
    ASSERT_EQ(dwg12_write_to_memory(s.d, v, &bytes), 1) << tk_error_text(tk_get_last_error());
    TkDrawing* back = open_bytes(bytes, "written.dwg");
    ASSERT_NE(back, nullptr) << tk_error_text(tk_get_last_error());
    EXPECT_EQ(back->version, v);
    std::vector<Unpacked> read = entities_of(&back->model_entities);
    // AC1002 has no 3DFACE.
    std::vector<const Unpacked*> expected;
    for (const Unpacked& u : source)
      if (!(v == TK_VERSION_AC1002 && u.h.kind == TK_3DFACE)) expected.push_back(&u);
    ASSERT_EQ(read.size(), expected.size());
    for (size_t i = 0; i < read.size(); ++i) expect_same(*expected[i], read[i], v, s.d, back);
    tk_close_drawing(back);
  }
}

// A drawing of the shared test data, written in each release and read back: the same entities
// in the same order with the same first points, layers and colours.
TEST_F(WrittenOldDwg, ATestDrawingWrittenInEachReleaseReadsBack) {
  std::vector<unsigned char> raw;
  if (!vvtest::ReadWholeFile(vvtest::TestDataPath("dwg/r11_entities-2d.dwg"), raw))
    GTEST_SKIP() << "shared test data not present; skipped";
  TkDrawing* src = open_bytes(std::vector<uint8_t>(raw.begin(), raw.end()), "source.dwg");
  ASSERT_NE(src, nullptr);
  std::vector<Unpacked> source = entities_of(&src->model_entities);
  for (TkVersion v = TK_VERSION_AC1002; v <= TK_VERSION_AC1009; ++v) {
    SCOPED_TRACE(kNames[v]);
    std::vector<uint8_t> bytes;
    ASSERT_EQ(dwg12_write_to_memory(src, v, &bytes), 1) << tk_error_text(tk_get_last_error());
    TkDrawing* back = open_bytes(bytes, "written.dwg");
    ASSERT_NE(back, nullptr) << tk_error_text(tk_get_last_error());
    std::vector<Unpacked> read = entities_of(&back->model_entities);
    size_t k = 0;
    for (const Unpacked& u : source) {
      bool held = !(v == TK_VERSION_AC1002 &&
                    (u.h.kind == TK_3DFACE || u.h.kind == TK_DIMENSION || u.h.kind == TK_3DLINE));
      if (!held) continue;
      ASSERT_LT(k, read.size());
      const Unpacked& r = read[k++];
      EXPECT_EQ(r.h.kind, u.h.kind);
      EXPECT_EQ(r.h.colour, u.h.colour);
      TkLayerRecord la, lb;
      ASSERT_EQ(tk_layer_get(src, &u.h.layer, &la), 1);
      ASSERT_EQ(tk_layer_get(back, &r.h.layer, &lb), 1);
      EXPECT_STREQ(lb.name, la.name);
      if (u.h.kind != TK_INSERT && u.h.kind != TK_DIMENSION && u.h.kind != TK_POLYLINE &&
          u.h.kind != TK_SEQEND && u.h.kind != TK_VIEWPORT) {
        EXPECT_EQ(get(r.data, 0), get(u.data, 0)) << tk_entity_kind_name(u.h.kind);
        EXPECT_EQ(get(r.data, 8), get(u.data, 8)) << tk_entity_kind_name(u.h.kind);
      }
    }
    EXPECT_EQ(k, read.size());
    tk_close_drawing(back);
  }
  tk_close_drawing(src);
}

}  // namespace
