// Tests of the database completion after load, over the recording fake readers: entities land in
// their space or block, references by name become handles (an undefined layer is created, an
// unknown block keeps its INSERT, an unknown text style falls back to the first), 2D POLYLINEs
// become LWPOLYLINEs when nothing stands against it, progress stays in its band, objects are
// stored, MLINEs find their style once the objects are in, and a walk that never ends is cut off.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core_support.h"
#include "load_support.h"
#include "toolkit/core/blob.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/load_entities.h"

namespace {

using namespace load_test;

class CompletionTest : public core_test::StartedToolkit {
 protected:
  void SetUp() override {
    StartedToolkit::SetUp();
    use_memory_files(core_test::counting_alloc, core_test::counting_free);
    mem_files.clear();
    open_files.clear();
    tk_state->error_callback = count_error;
    error_codes.clear();
  }
  void TearDown() override {
    EXPECT_TRUE(open_files.empty());
    tk_state->progress = nullptr;
    tk_state->error_callback = nullptr;
    StartedToolkit::TearDown();
  }
  // A DXF of AC1015 whose class list has LWPOLYLINE.
  TkDrawing* open(Script s, int16_t version = TK_VERSION_AC1015) {
    mem_files["drawing"] = std::vector<uint8_t>(4000, ' ');
    const std::string head = "  0\nSECTION\n";
    std::copy(head.begin(), head.end(), mem_files["drawing"].begin());
    s.version = version;
    s.classes = 1;
    s.class_names = {"LWPOLYLINE"};
    install_fake_readers(s);
    return tk_open_drawing("drawing", 1, 0);
  }
  static void count_error(int16_t code) { error_codes.push_back(code); }
  static inline std::vector<int16_t> error_codes;
};

std::vector<TkEntityHeader> headers_of(TkList* list, std::vector<TkEntityData>* datas = nullptr) {
  std::vector<TkEntityHeader> out;
  entity_list_rewind(list);
  TkEntityHeader h;
  TkEntityData d;
  while (entity_list_next(list, &h, &d)) {
    out.push_back(h);
    if (datas) datas->push_back(d);
  }
  return out;
}

void as_handle(uint64_t value, TkHandle* out) {
  for (int b = 7; b >= 0; --b, value >>= 8) out->bytes[b] = static_cast<uint8_t>(value);
}

FakeEntity entity(uint16_t kind, std::string layer = "0", uint8_t flags = 0) {
  FakeEntity e;
  e.kind = kind;
  e.layer = std::move(layer);
  e.flags = flags;
  return e;
}

TEST_F(CompletionTest, EntitiesFindTheirSpaceLayerAndBlock) {
  Script s;
  s.names[S_LAYER] = {"0", "WALLS"};
  s.names[S_BLOCK_HEADER] = {"DOOR"};
  FakeEntity insert = entity(TK_INSERT, "WALLS");
  insert.block = "door";
  FakeEntity dangling = entity(TK_INSERT);
  dangling.block = "NO_SUCH_BLOCK";
  s.names[S_STYLE] = {"Standard", "ROMANS"};
  FakeEntity romans = entity(TK_TEXT), unknown_style = entity(TK_ATTDEF);
  romans.style = "romans";
  unknown_style.style = "NO_SUCH_STYLE";
  // The second naming of the undefined layer finds the layer the first one made; the second
  // INSERT of the unknown block is reported again.
  s.entities = {entity(TK_LINE, "NOT_DEFINED"), entity(TK_CIRCLE, "walls", 1), insert, dangling,
                romans, unknown_style, entity(TK_ARC, "not_defined"), dangling};
  s.block_entities["DOOR"] = {entity(TK_BLOCK), entity(TK_ARC), entity(TK_ENDBLK),
                              entity(TK_LINE)};
  TkDrawing* d = open(s);
  ASSERT_NE(d, nullptr) << tk_get_last_error();

  TkHandle undefined, walls, door;
  ASSERT_TRUE(tk_layer_find(d, "NOT_DEFINED", &undefined)) << "the missing layer was created";
  ASSERT_TRUE(tk_layer_find(d, "WALLS", &walls));
  ASSERT_TRUE(tk_find_record_by_name(d, "DOOR", &door));
  TkLayerRecord layer;
  ASSERT_TRUE(tk_layer_get(d, &undefined, &layer));
  EXPECT_EQ(layer.color, 7);

  std::vector<TkEntityData> datas;
  auto model = headers_of(&d->model_entities, &datas);
  ASSERT_EQ(model.size(), 7u) << "the INSERT of an unknown block is kept";
  EXPECT_EQ(list_count(&d->layers), 3);
  EXPECT_EQ(tk_handle_compare(&model[5].layer, &undefined), 0);
  const TkHandle second_dangling = tk_data_get<TkHandle>(&datas[6], TK_INSERT_BLOCK);
  EXPECT_TRUE(tk_handle_is_null(&second_dangling));
  EXPECT_EQ(model[0].kind, TK_LINE);
  EXPECT_EQ(tk_handle_compare(&model[0].layer, &undefined), 0);
  EXPECT_EQ(tk_handle_compare(&model[1].layer, &walls), 0);
  TkHandle block = tk_data_get<TkHandle>(&datas[1], TK_INSERT_BLOCK);
  EXPECT_EQ(tk_handle_compare(&block, &door), 0);
  block = tk_data_get<TkHandle>(&datas[2], TK_INSERT_BLOCK);
  EXPECT_TRUE(tk_handle_is_null(&block));
  EXPECT_EQ(error_codes, (std::vector<int16_t>{6, 6}));
  TkHandle standard, romans_style;
  ASSERT_TRUE(tk_style_find(d, "Standard", &standard));
  ASSERT_TRUE(tk_style_find(d, "ROMANS", &romans_style));
  TkHandle style = tk_data_get<TkHandle>(&datas[3], TK_TEXT_ATTRS + 56);
  EXPECT_EQ(tk_handle_compare(&style, &romans_style), 0);
  style = tk_data_get<TkHandle>(&datas[4], TK_ATTDEF_ATTRS + 56);
  EXPECT_EQ(tk_handle_compare(&style, &standard), 0) << "an unknown style falls back to the first";

  auto paper = headers_of(&d->paper_entities);
  ASSERT_EQ(paper.size(), 1u);
  EXPECT_EQ(paper[0].kind, TK_CIRCLE);

  TkBlockRecord b;
  ASSERT_TRUE(tk_block_get(d, &door, &b));
  auto in_block = headers_of(b.entities);
  ASSERT_EQ(in_block.size(), 3u) << "the block ends at its ENDBLK";
  EXPECT_EQ(in_block[2].kind, TK_ENDBLK);
  tk_close_drawing(d);
}

// The OBJECTS section that holds the multiline styles comes after the entities, so an MLINE's
// style can only be found once the objects are in.
TEST_F(CompletionTest, MlinesFindTheirStyleAfterTheObjectsLoad) {
  Script s;
  s.objects = {TK_OBJ_MLINESTYLE, TK_OBJ_MLINESTYLE};
  s.mlinestyle_names = {{0, "Standard"}, {1, "Double"}};
  s.names[S_BLOCK_HEADER] = {"RAIL"};
  FakeEntity by_name = entity(TK_MLINE), unnamed = entity(TK_MLINE), missing = entity(TK_MLINE),
             stale = entity(TK_MLINE), in_block = entity(TK_MLINE);
  by_name.mlinestyle = "double";
  missing.mlinestyle = "NO_SUCH_STYLE";
  stale.mlinestyle = "Double";
  stale.handles[TK_MLINE_STYLE] = 0xDEAD;  // a handle that leads to no multiline style
  in_block.mlinestyle = "Double";
  s.entities = {by_name, unnamed, missing, stale};
  s.block_entities["RAIL"] = {entity(TK_BLOCK), in_block, entity(TK_ENDBLK)};
  TkDrawing* d = open(s);
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  TkHandle standard{}, dbl{};
  as_handle(given_handles[{S_MLINESTYLE, "Standard"}], &standard);
  as_handle(given_handles[{S_MLINESTYLE, "Double"}], &dbl);
  ASSERT_FALSE(tk_handle_is_null(&dbl));

  std::vector<TkEntityData> datas;
  ASSERT_EQ(headers_of(&d->model_entities, &datas).size(), 4u);
  struct Expect {
    const char* what;
    const TkHandle* style;  // null: the null handle
  } const expected[] = {{"by name, without regard to case", &dbl},
                        {"no name: Standard", &standard},
                        {"an unknown name", nullptr},
                        {"a given handle that leads nowhere gives way to the name", &dbl}};
  for (size_t i = 0; i < datas.size(); ++i) {
    TkHandle got = tk_data_get<TkHandle>(&datas[i], TK_MLINE_STYLE);
    if (expected[i].style) {
      EXPECT_EQ(tk_handle_compare(&got, expected[i].style), 0) << expected[i].what;
    } else {
      EXPECT_TRUE(tk_handle_is_null(&got)) << expected[i].what;
    }
  }
  EXPECT_EQ(error_codes, std::vector<int16_t>{6});
  TkHandle rail;
  ASSERT_TRUE(tk_find_record_by_name(d, "RAIL", &rail));
  TkBlockRecord b;
  ASSERT_TRUE(tk_block_get(d, &rail, &b));
  datas.clear();
  ASSERT_EQ(headers_of(b.entities, &datas).size(), 3u);
  TkHandle got = tk_data_get<TkHandle>(&datas[1], TK_MLINE_STYLE);
  EXPECT_EQ(tk_handle_compare(&got, &dbl), 0) << "an MLINE of a block";
  tk_close_drawing(d);

  // A file that names the style's handle keeps it, whatever name it gives.
  const uint64_t double_handle = given_handles[{S_MLINESTYLE, "Double"}];
  FakeEntity given = entity(TK_MLINE);
  given.mlinestyle = "Standard";
  given.handles[TK_MLINE_STYLE] = double_handle;
  s.entities[0] = given;  // as many entities as before, so the styles get the same handles
  d = open(s);
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  ASSERT_EQ((given_handles[{S_MLINESTYLE, "Double"}]), double_handle) << "the same handles again";
  datas.clear();
  ASSERT_EQ(headers_of(&d->model_entities, &datas).size(), 4u);
  got = tk_data_get<TkHandle>(&datas[0], TK_MLINE_STYLE);
  EXPECT_EQ(got.bytes[7], double_handle & 0xFF);
  EXPECT_EQ(got.bytes[6], (double_handle >> 8) & 0xFF);
  tk_close_drawing(d);
}

// ---- POLYLINE to LWPOLYLINE ----

struct Vertex {
  double x, y, z;
  double bulge = 0, start = 0, end = 0;
  uint16_t flags = 0;
};

FakeEntity polyline(uint16_t flags, double start = 0, double end = 0) {
  FakeEntity e = entity(TK_POLYLINE);
  e.words[34] = flags;
  e.reals[8] = start;
  e.reals[16] = end;
  return e;
}

FakeEntity vertex(const Vertex& v) {
  FakeEntity e = entity(TK_VERTEX);
  e.reals[0] = v.x;
  e.reals[8] = v.y;
  e.reals[16] = v.z;
  e.reals[32] = v.start;
  e.reals[40] = v.end;
  e.reals[56] = v.bulge;
  e.words[TK_VERTEX_FLAGS] = v.flags;
  return e;
}

struct PolylineCase {
  const char* what;
  uint16_t flags;
  double start, end;
  std::vector<Vertex> vertices;
  bool converts;
  uint16_t lw_flags;
  std::vector<double> blob;  // the LWPOLYLINE's vertex blob
  double width;
};

TEST_F(CompletionTest, PolylinesBecomeLwpolylinesWhenTheyCan) {
  const PolylineCase cases[] = {
      {"plain", 0, 0, 0, {{0, 0, 0}, {1, 0, 0}}, true, 0, {0, 0, 1, 0}, 0},
      {"bulges", 1, 0, 0, {{0, 0, 0, 1.0}, {2, 0, 0}}, true,
       TK_LWPL_BULGES | TK_LWPL_CLOSED, {0, 0, 1.0, 2, 0, 0}, 0},
      {"constant width", 128, 0.5, 0.5, {{0, 0, 0}, {1, 1, 0}}, true,
       TK_LWPL_CONSTANT_WIDTH | TK_LWPL_PLINEGEN, {0, 0, 1, 1}, 0.5},
      {"vertex widths", 0, 0.5, 0.5, {{0, 0, 0, 0, 0.25, 0}, {1, 1, 0}}, true, TK_LWPL_WIDTHS,
       {0, 0, 0.25, 0.5, 1, 1, 0.5, 0.5}, 0},
      {"3D polyline", 8, 0, 0, {{0, 0, 1}, {1, 0, 2}}, false, 0, {}, 0},
      {"repeated vertex", 0, 0, 0, {{0, 0, 0}, {0, 0, 0}}, false, 0, {}, 0},
      {"curve-fit tangent", 0, 0, 0, {{0, 0, 0, 0, 0, 0, 2}, {1, 0, 0}}, false, 0, {}, 0},
  };
  for (bool convert : {true, false}) {
    for (const PolylineCase& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (convert ? "" : ", conversion off"));
      Script s;
      s.entities = {entity(TK_LINE), polyline(c.flags, c.start, c.end)};
      for (const Vertex& v : c.vertices) s.entities.push_back(vertex(v));
      s.entities.push_back(entity(TK_SEQEND));
      s.entities.push_back(entity(TK_CIRCLE));
      tk_state->convert_polylines = convert;
      TkDrawing* d = open(s);
      ASSERT_NE(d, nullptr) << tk_get_last_error();
      std::vector<TkEntityData> datas;
      auto model = headers_of(&d->model_entities, &datas);
      if (!convert || !c.converts) {
        EXPECT_EQ(model.size(), c.vertices.size() + 4) << "POLYLINE, VERTEXes, SEQEND as read";
        EXPECT_EQ(model[1].kind, TK_POLYLINE);
        tk_close_drawing(d);
        continue;
      }
      ASSERT_EQ(model.size(), 3u);
      EXPECT_EQ(model[0].kind, TK_LINE);
      EXPECT_EQ(model[2].kind, TK_CIRCLE);
      EXPECT_EQ(model[1].kind, tk_class_lwpolyline(d));
      EXPECT_EQ(tk_data_get<uint16_t>(&datas[1], TK_LWPOLYLINE_FLAGS), c.lw_flags);
      EXPECT_EQ(tk_data_get<uint32_t>(&datas[1], TK_LWPOLYLINE_COUNT), c.vertices.size());
      EXPECT_EQ(tk_data_get<double>(&datas[1], TK_LWPOLYLINE_WIDTH), c.width);
      TkBlob* r = blob_open_read(tk_data_blob(&datas[1], TK_LWPOLYLINE_VERTICES));
      ASSERT_NE(r, nullptr);
      std::vector<double> blob(c.blob.size());
      EXPECT_TRUE(blob_read(r, blob.data(), blob.size() * sizeof(double)));
      EXPECT_EQ(blob_length(r), static_cast<int32_t>(blob.size() * sizeof(double)));
      blob_close(r);
      EXPECT_EQ(blob, c.blob);
      TkEntityHeader h;
      TkEntityData data;
      EXPECT_TRUE(tk_get_entity_by_handle(d, &d->model_entities, &model[1].handle, &h, &data))
          << "the LWPOLYLINE is found under the POLYLINE's handle";
      tk_close_drawing(d);
    }
  }
  tk_state->convert_polylines = 0;
}

// ---- Progress, objects, endless walks ----

std::vector<int16_t> reported;
void record_progress(int16_t percent, TkUserData) { reported.push_back(percent); }

TEST_F(CompletionTest, EntityProgressStaysInItsBand) {
  Script s;
  s.names[S_BLOCK_HEADER] = {"A", "B", "C"};
  for (int i = 0; i < 200; ++i) s.entities.push_back(entity(TK_LINE));
  s.progress_end = 4000;
  reported.clear();
  tk_state->progress = record_progress;
  TkDrawing* d = open(s);
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
  auto from = std::find(reported.begin(), reported.end(), 46);
  ASSERT_NE(from, reported.end());
  auto to = std::find_if(from, reported.end(), [](int16_t p) { return p > 71; });
  EXPECT_GT(to - from, 3) << "entity reading reports as it goes";
  for (auto it = from; it != to; ++it) EXPECT_LE(*it, 71);
  for (auto it = to; it != reported.end() - 1; ++it) EXPECT_LE(*it, 96);
  EXPECT_EQ(reported.back(), 100);
  tk_close_drawing(d);
}

TEST_F(CompletionTest, ObjectsViewportsAndEndlessWalks) {
  Script s;
  s.objects = {TK_OBJ_DICTIONARY, TK_OBJ_DICTIONARY};
  s.dictionary_entries[0] = {{"ACAD_GROUP", 0x77}, {"ACAD_PLOTSTYLENAME", 0x78}};
  TkDrawing* d = open(s);
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  EXPECT_EQ(tk_object_count(d), 3) << "the two read and the current multiline style";
  EXPECT_EQ(d->plotstyle_dictionary.bytes[7], 0x78) << "found through the first dictionary";
  tk_close_drawing(d);

  // An older paper-space VIEWPORT keeps its settings in extended data; one without them keeps
  // what its groups gave, and the application hears of it.
  Script viewport;
  viewport.entities = {entity(TK_VIEWPORT, "0", 1)};
  error_codes.clear();
  d = open(viewport, TK_VERSION_AC1014);
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  EXPECT_EQ(list_count(&d->paper_entities), 1);
  EXPECT_EQ(error_codes, std::vector<int16_t>{6});
  tk_close_drawing(d);
  d = open(viewport);
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  EXPECT_EQ(list_count(&d->paper_entities), 1);
  tk_close_drawing(d);

  Script endless;
  endless.endless_entities = true;
  EXPECT_EQ(open(endless), nullptr);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_LOAD_ENTITIES);
}

}  // namespace
