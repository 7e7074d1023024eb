// The DWG writer of releases AC1002 to AC1009: every drawing of the shared test data saved in
// each release reopens with the same tables, entities per space and block, header values and
// extended data, and a second save of the reopened drawing gives the same bytes; the file frame
// (header, descriptors, sentinels, section positions, CRCs) and golden bytes of a small drawing
// per release; record forms of single entities; what a release cannot hold is reported; the
// viewport chain's limit is reported; a failed save leaves the old file as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include "tests/support/TestData.h"
#include "tests/toolkit/core/core_support.h"
#include "tests/toolkit/read/dxf_support.h"
#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/defaults.h"
#include "toolkit/core/list.h"
#include "toolkit/core/load_entities.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/load.h"
#include "toolkit/core/object.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/readers.h"
#include "toolkit/write/crc16.h"
#include "toolkit/write/dwg12_write.h"
#include "toolkit/write/save.h"
#include "toolkit/write/xdata_write.h"

namespace {

using dxf_test::Counts;

const char* const kNames[5] = {"AC1002", "AC1003", "AC1004", "AC1006", "AC1009"};
const uint16_t kHeaderSize[5] = {929, 981, 1007, 1310, 1727};

std::string upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
  return s;
}

std::vector<uint8_t> read_file(const std::string& path) {
  std::vector<unsigned char> bytes;
  vvtest::ReadWholeFile(path, bytes);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

uint16_t rs(const std::vector<uint8_t>& f, size_t at) { return uint16_t(f[at] | f[at + 1] << 8); }
uint32_t rl(const std::vector<uint8_t>& f, size_t at) {
  return uint32_t(f[at] | f[at + 1] << 8 | f[at + 2] << 16 | uint32_t(f[at + 3]) << 24);
}
double rd(const std::vector<uint8_t>& f, size_t at) {
  double v;
  std::memcpy(&v, f.data() + at, 8);
  return v;
}

std::vector<std::pair<int16_t, const TkHandle*>> g_warnings;
std::vector<TkHandle> g_warned_handles;
void record_warning(int16_t number, const TkHandle* handle) {
  g_warnings.push_back({number, nullptr});
  g_warned_handles.push_back(handle ? *handle : TkHandle{});
}

class Dwg12WriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    core_test::serve_init_data(core_test::builtin_init_data());
    uint16_t status = 0;
    ASSERT_EQ(tk_init_core(nullptr, 1, &status), 1);
    ASSERT_EQ(tk_install_file_readers(), 1);
    char tmpl[] = "/tmp/vv-dwg12write-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    g_warnings.clear();
    g_warned_handles.clear();
    tk_set_warning_callback(record_warning);
  }
  void TearDown() override {
    tk_set_warning_callback(nullptr);
    std::string cmd = "rm -rf '" + dir + "'";
    (void)std::system(cmd.c_str());
    tk_shutdown_core();
  }
  std::string dir;
};

std::vector<std::string> drawings() {
  std::vector<std::string> out;
  for (const char* folder : {"dwg", "dxf", "dxf-binary"})
    for (const std::string& name : vvtest::TestDataFiles(folder)) {
      if (name.size() > 5 && name.substr(name.size() - 5) == ".json") continue;
      out.push_back(std::string(folder) + "/" + name);
    }
  return out;
}

// The kinds each release holds, by the name the reopened drawing gives them: an LWPOLYLINE
// comes back as the POLYLINE it was written as, a 3DLINE as a LINE; "" for a kind the release
// cannot hold. SHAPEs are left out of the comparison (one whose name no font resolves is
// dropped and reported).
std::string holdable(const std::string& k, TkVersion v) {
  static const std::set<std::string> never = {"ELLIPSE", "SPLINE", "REGION", "3DSOLID", "BODY",
                                              "RAY", "XLINE", "MTEXT", "LEADER", "TOLERANCE",
                                              "MLINE", "SHAPE"};
  if (never.count(k)) return "";
  if (k == "VIEWPORT" && v < TK_VERSION_AC1009) return "";
  if ((k == "3DLINE" || k == "3DFACE" || k == "DIMENSION") && v == TK_VERSION_AC1002) return "";
  if (k == "LWPOLYLINE") return "POLYLINE";
  for (uint16_t kind = 1; kind <= TK_LAST_FIXED_KIND; ++kind)
    if (tk_entity_kind_name(kind) && k == tk_entity_kind_name(kind))
      return k == "3DLINE" ? "LINE" : k;
  return "";
}

Counts holdable_counts(TkDrawing* d, const TkList* list, TkVersion v) {
  Counts out;
  for (auto& [k, n] : dxf_test::count_entities(d, list)) {
    std::string name = holdable(k, v);
    if (!name.empty()) out[name] += n;
  }
  return out;
}

// Entity counts of the block definitions but the spaces, in an order of their own.
std::multiset<Counts> block_counts(TkDrawing* d, TkVersion v) {
  std::multiset<Counts> out;
  for (const TkLink* l = list_first(&d->blocks); l; l = l->next) {
    const auto* b = static_cast<const TkBlockRecord*>(tk_link_data(l));
    if (b->entities == &d->model_entities || b->entities == &d->paper_entities) continue;
    if (!tk_name_compare(b->name, "*MODEL_SPACE") ||
        !tk_name_compare_n(b->name, "*PAPER_SPACE", 12))
      continue;
    out.insert(b->entities ? holdable_counts(d, b->entities, v) : Counts{});
  }
  return out;
}

// Names as the older releases keep them: upper case, blanks and brackets as '_'.
template <typename Record>
std::multiset<std::string> names(const TkList* list, bool skip_by_linetypes = false) {
  std::multiset<std::string> out;
  for (std::string n : dxf_test::table_names<Record>(list)) {
    n = upper(n);
    if (skip_by_linetypes && (n == "BYLAYER" || n == "BYBLOCK")) continue;
    for (char& c : n)
      if (c == ' ' || c == '(' || c == ')') c = '_';
    // Names of 26 characters and more are shortened, ending in their table position.
    out.insert(n.size() >= 26 ? n.substr(0, 20) + "~" : n);
  }
  return out;
}

// The extended data of the entities of a list in order: per entity its item codes and values
// as far as an older release keeps them (strings, reals, integers).
std::vector<std::string> xdata_of(TkDrawing* d, const TkList* list, TkVersion v) {
  std::vector<std::string> out;
  TkEntityHeader h;
  static TkEntityData data;
  for (const TkLink* l = list_first(list); l; l = l->next) {
    if (!entity_unpack(l, &h, &data, nullptr, nullptr) || !h.xdata) continue;
    if (h.kind == TK_VIEWPORT) continue;  // its view is rebuilt as "MVIEW" items
    bool lw = h.kind > TK_LAST_FIXED_KIND && h.kind == tk_class_lwpolyline(d);
    std::string s = holdable(lw ? "LWPOLYLINE" : tk_entity_kind_name(h.kind), v);
    if (s.empty()) continue;
    TkBlob* r = blob_open_read(h.xdata);
    TkXdataItem item;
    while (r && xdata_read_item(r, &item)) {
      s += " " + std::to_string(item.code);
      if (item.code == 1000) s += ":" + std::string(reinterpret_cast<char*>(item.value));
      if (item.code == 1070) s += ":" + std::to_string(int(item.value[0] | item.value[1] << 8));
    }
    if (r) blob_close(r);
    out.push_back(s);
  }
  return out;
}

TEST_F(Dwg12WriteTest, EveryTestDrawingRoundTripsInEachOlderRelease) {
  std::vector<std::string> files = drawings();
  if (files.empty()) GTEST_SKIP() << "no shared test data";
  int saved = 0;
  for (const std::string& file : files) {
    TkDrawing* src = tk_open_drawing(vvtest::TestDataPath(file).c_str(), 1, 0);
    if (!src) continue;  // the readers' own tests say why
    for (TkVersion v = TK_VERSION_AC1002; v <= TK_VERSION_AC1009; ++v) {
      SCOPED_TRACE(file + " as " + kNames[v]);
      std::string out = dir + "/a.dwg", again = dir + "/b.dwg";
      ASSERT_EQ(tk_save_drawing(src, out.c_str(), TK_FILE_DWG, v, 0, 16, 0, 0), 1)
          << tk_error_text(tk_get_last_error());
      ++saved;
      TkDrawing* back = tk_open_drawing(out.c_str(), 1, 0);
      ASSERT_NE(back, nullptr) << tk_error_text(tk_get_last_error());
      EXPECT_EQ(back->version, v);
      EXPECT_EQ(names<TkLayerRecord>(&back->layers), names<TkLayerRecord>(&src->layers));
      EXPECT_EQ(names<TkLinetypeRecord>(&back->linetypes, true),
                names<TkLinetypeRecord>(&src->linetypes, true));
      EXPECT_EQ(names<TkTextStyleRecord>(&back->styles), names<TkTextStyleRecord>(&src->styles));
      EXPECT_EQ(list_count(&back->views), list_count(&src->views));
      if (v >= TK_VERSION_AC1006) {
        EXPECT_EQ(names<TkUcsRecord>(&back->ucss), names<TkUcsRecord>(&src->ucss));
        EXPECT_EQ(list_count(&back->vports), list_count(&src->vports));
      }
      if (v == TK_VERSION_AC1009) {
        EXPECT_EQ(names<TkAppIdRecord>(&back->appids), names<TkAppIdRecord>(&src->appids));
        EXPECT_EQ(names<TkDimStyleRecord>(&back->dimstyles),
                  names<TkDimStyleRecord>(&src->dimstyles));
        EXPECT_EQ(xdata_of(back, &back->model_entities, v), xdata_of(src, &src->model_entities, v));
      }
      EXPECT_EQ(holdable_counts(back, &back->model_entities, v),
                holdable_counts(src, &src->model_entities, v));
      if (v == TK_VERSION_AC1009) {
        EXPECT_EQ(holdable_counts(back, &back->paper_entities, v),
                  holdable_counts(src, &src->paper_entities, v));
      }
      EXPECT_EQ(block_counts(back, v), block_counts(src, v));
      const TkHeader* a = src->header;
      const TkHeader* b = back->header;
      EXPECT_EQ(b->ltscale, a->ltscale);
      EXPECT_EQ(b->textsize, a->textsize);
      EXPECT_EQ(b->dimscale, a->dimscale);
      EXPECT_EQ(b->extmin[0], a->extmin[0]);
      EXPECT_EQ(b->limmax[1], a->limmax[1]);
      EXPECT_EQ(b->orthomode, a->orthomode);
      EXPECT_EQ(b->tdcreate.day, a->tdcreate.day);
      if (v >= TK_VERSION_AC1004) {
        EXPECT_EQ(b->chamfera, a->chamfera);
      }
      if (v >= TK_VERSION_AC1006) {
        EXPECT_EQ(b->ucsorg[0], a->ucsorg[0]);
      }
      if (v == TK_VERSION_AC1009) {
        EXPECT_EQ(b->tilemode, a->tilemode);
        EXPECT_EQ(b->pextmax[0], a->pextmax[0]);
      }
      // The writer's own file reproduces itself.
      ASSERT_EQ(tk_save_drawing(back, again.c_str(), TK_FILE_DWG, v, 0, 16, 0, 0), 1)
          << tk_error_text(tk_get_last_error());
      tk_close_drawing(back);
      EXPECT_TRUE(read_file(out) == read_file(again)) << "a second save differs";
    }
    tk_close_drawing(src);
  }
  EXPECT_GT(saved, 0);
}

// ---------------------------------------------------------------------------------------------
// Small drawings made here.

struct Builder {
  TkDrawing* d;
  TkEntityHeader h;
  TkEntityData data;

  explicit Builder(TkVersion version) {
    d = tk_new_drawing(nullptr, nullptr, 0, uint16_t(version));
    if (!d) return;
    // Fixed dates: the golden bytes must not follow the clock.
    d->header->tdcreate = d->header->tdupdate = TkDate{2460000, 1000};
    d->header->tdindwg = d->header->tdusrtimer = TkDate{0, 0};
  }
  ~Builder() {
    if (d) tk_close_drawing(d);
  }
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
  void add(TkList* list = nullptr) {
    ASSERT_EQ(tk_add_entity(d, list ? list : &d->model_entities, &h, &data), 1);
  }
};

void add_small(Builder& b) {
  b.begin(TK_LINE);
  b.reals(0, {0, 0, 0, 10, 5, 0});
  b.add();
  b.begin(TK_CIRCLE);
  b.reals(0, {2.5, 2.5, 0, 1.25});
  b.add();
  b.begin(TK_ARC);
  b.reals(0, {5, 5, 0, 2, 0, 1.5707963267948966});
  b.add();
  b.begin(TK_TEXT);
  b.reals(0, {1, 2, 0, 0.5});
  std::snprintf(tk_data_text(&b.data, TK_TEXT_STRING), 64, "%s", "Vellview");
  b.add();
}

// The file frame of a small drawing in each release, checked field by field, and its bytes
// against the golden file.
TEST_F(Dwg12WriteTest, FileFrameAndGoldenBytesOfEachRelease) {
  for (TkVersion v = TK_VERSION_AC1002; v <= TK_VERSION_AC1009; ++v) {
    SCOPED_TRACE(kNames[v]);
    Builder b(TK_VERSION_AC1009);
    ASSERT_NE(b.d, nullptr);
    add_small(b);
    std::vector<uint8_t> f;
    ASSERT_EQ(dwg12_write_to_memory(b.d, v, &f), 1) << tk_error_text(tk_get_last_error());
    ASSERT_GT(f.size(), size_t(kHeaderSize[v]));
    EXPECT_EQ(std::string(f.begin(), f.begin() + 6), kNames[v]);
    EXPECT_EQ(f[0x0C], v == 0 ? 0 : 1);
    const uint8_t subversion[5] = {0x72, 0x7A, 0x81, 0xA0, 0xCD};
    EXPECT_EQ(f[0x11], subversion[v]);
    bool r11 = v == TK_VERSION_AC1009;
    uint32_t entities = rl(f, 0x14), tables = rl(f, 0x18), blocks = rl(f, 0x1C);
    EXPECT_EQ(entities, kHeaderSize[v] + (r11 ? 16u : 0u));
    EXPECT_LT(entities, tables);
    EXPECT_LE(tables, blocks);
    EXPECT_EQ(rl(f, 0x20) & 0xC0000000u, 0x40000000u);
    EXPECT_EQ(rl(f, 0x28), 0x80000000u);
    // The entity records fill the entity section exactly; AC1009 records end in their CRC.
    size_t at = entities, records = 0;
    while (at < tables) {
      uint16_t length = rs(f, at + 2);
      ASSERT_GE(length, 8);
      ASSERT_LE(at + length, tables);
      if (r11) {
        EXPECT_EQ(rs(f, at + length - 2), crc16(0xC0C1, f.data() + at, length - 2u));
      }
      at += length;
      ++records;
    }
    EXPECT_EQ(at, tables);
    EXPECT_EQ(records, 4u);
    // Descriptors: LAYER holds layer 0; each table's records lie where its descriptor says.
    struct Desc {
      size_t at;
      uint16_t size[5];
    };
    const Desc descs[] = {{0x2C, {38, 38, 37, 37, 45}}, {0x36, {38, 38, 37, 37, 41}},
                          {0x40, {194, 194, 194, 194, 198}}, {0x4A, {188, 188, 187, 187, 191}},
                          {0x54, {92, 92, 91, 149, 153}}};
    for (const Desc& d : descs) EXPECT_EQ(rs(f, d.at), d.size[v]);
    EXPECT_EQ(rl(f, 0x36 + 2), uint32_t(list_count(&b.d->layers)));
    if (r11) {
      const uint8_t layer_sentinel[4] = {0x24, 0x10, 0x4C, 0x0F};
      uint32_t layers = rl(f, 0x36 + 6);
      EXPECT_TRUE(std::equal(layer_sentinel, layer_sentinel + 4, f.begin() + long(layers) - 32));
      // Every LAYER record is stamped.
      for (uint32_t i = 0; i < rl(f, 0x36 + 2); ++i) {
        size_t r = layers + 41 * i;
        EXPECT_EQ(rs(f, r + 39), uint16_t(crc16(0, f.data() + r, 39) ^ 0xC6AD));
      }
      EXPECT_EQ(rs(f, 0x6BD), uint16_t(crc16(0, f.data(), 0x6BD) ^ 0x6718));
      const uint8_t tail[16] = {0xD6, 0x72, 0x2E, 0xB6, 0x56, 0x8C, 0xE0, 0x15,
                                0x66, 0x21, 0xCD, 0x06, 0xB2, 0xF5, 0x1F, 0xE6};
      EXPECT_TRUE(std::equal(tail, tail + 16, f.end() - 16));
      size_t aux = f.size() - 16 - 138;
      EXPECT_EQ(rs(f, aux), 0x10);
      EXPECT_EQ(rs(f, aux + 2), 0x8A);
      EXPECT_EQ(rl(f, aux + 4), entities);
      EXPECT_EQ(rs(f, aux + 136), uint16_t(crc16(0, f.data() + aux, 136) ^ 0xA904));
    } else {
      EXPECT_EQ(rl(f, 0x24), f.size());  // nothing follows the block entities
    }
    std::string golden = std::string(VV_GOLDEN_DIR) + "/small_" + kNames[v] + ".dwg";
    if (std::getenv("VV_UPDATE_GOLDEN"))
      std::ofstream(golden, std::ios::binary)
          .write(reinterpret_cast<const char*>(f.data()), std::streamsize(f.size()));
    EXPECT_TRUE(f == read_file(golden)) << "differs from " << golden;
  }
}

// The first entity record of a drawing holding one entity, and the whole file.
struct OneRecord {
  std::vector<uint8_t> file;
  size_t at = 0;
  uint8_t flags() const { return file[at + 1]; }
  uint16_t options() const { return rs(file, at + 6); }
  uint16_t length() const { return rs(file, at + 2); }
};

OneRecord write_one(Builder& b, TkVersion v) {
  OneRecord r;
  b.d->header->handling = 0;
  EXPECT_EQ(dwg12_write_to_memory(b.d, v, &r.file), 1) << tk_error_text(tk_get_last_error());
  if (r.file.size() > 0x20) r.at = rl(r.file, 0x14);
  return r;
}

TEST_F(Dwg12WriteTest, RecordFormsOfSingleEntities) {
  TkHandle byblock{};
  {
    // A LINE without z in AC1009: flag 4, no z at all, no elevation.
    Builder b(TK_VERSION_AC1009);
    b.begin(TK_LINE);
    b.reals(0, {0, 0, 0, 1, 1, 0});
    b.add();
    OneRecord r = write_one(b, TK_VERSION_AC1009);
    EXPECT_EQ(r.flags(), 0x04);
    EXPECT_EQ(r.length(), 8 + 32 + 2);
    EXPECT_EQ(rd(r.file, r.at + 8 + 16), 1.0);
  }
  {
    // The same in AC1004 with z 5: the elevation in the common part, 2D points.
    Builder b(TK_VERSION_AC1009);
    b.begin(TK_LINE);
    b.reals(0, {0, 0, 5, 1, 1, 5});
    b.add();
    OneRecord r = write_one(b, TK_VERSION_AC1004);
    EXPECT_EQ(r.flags(), 0x04);
    EXPECT_EQ(r.length(), 8 + 8 + 32);
    EXPECT_EQ(rd(r.file, r.at + 8), 5.0);
  }
  struct ColourCase {
    uint16_t colour;
    uint8_t flag;
    int byte;
  };
  for (const ColourCase& c : {ColourCase{256, 0, -1}, ColourCase{300, 1, 44}, ColourCase{0, 1, 0}}) {
    SCOPED_TRACE(c.colour);
    Builder b(TK_VERSION_AC1009);
    b.begin(TK_POINT).colour = c.colour;
    b.reals(0, {1, 2, 0});
    b.add();
    OneRecord r = write_one(b, TK_VERSION_AC1009);
    EXPECT_EQ(r.flags() & 1, c.flag);
    if (c.byte >= 0) {
      EXPECT_EQ(r.file[r.at + 8], c.byte);
    }
  }
  struct LinetypeCase {
    TkVersion v;
    size_t size;
    uint16_t value;
  };
  for (const LinetypeCase& c : {LinetypeCase{TK_VERSION_AC1004, 1, 255},
                                LinetypeCase{TK_VERSION_AC1009, 2, 32766}}) {
    SCOPED_TRACE(kNames[c.v]);
    Builder b(TK_VERSION_AC1009);
    byblock = b.d->byblock_linetype;
    b.begin(TK_CIRCLE).linetype = byblock;
    b.reals(0, {1, 1, 0, 1});
    b.add();
    OneRecord r = write_one(b, c.v);
    EXPECT_EQ(r.flags() & 2, 2);
    uint16_t got = c.size == 1 ? r.file[r.at + 8] : rs(r.file, r.at + 8);
    EXPECT_EQ(got, c.value);
  }
  {
    // A paper-space LINE in AC1009: flag 0x40, byte 8 is 4, the extra flags RS 1 end the
    // common part.
    Builder b(TK_VERSION_AC1009);
    b.begin(TK_LINE).flags |= 1;
    b.reals(0, {0, 0, 0, 1, 1, 0});
    b.add(&b.d->paper_entities);
    OneRecord r = write_one(b, TK_VERSION_AC1009);
    EXPECT_EQ(r.flags(), 0x40 | 0x04);
    EXPECT_EQ(r.file[r.at + 8], 0x04);
    EXPECT_EQ(rs(r.file, r.at + 9), 1);
  }
  {
    // A TEXT with every value at its default: insertion, height and text only.
    Builder b(TK_VERSION_AC1009);
    b.begin(TK_TEXT);
    b.reals(0, {1, 2, 0, 0.25});
    tk_data_put(&b.data, TK_TEXT_ATTRS + 16, 1.0);
    std::snprintf(tk_data_text(&b.data, TK_TEXT_STRING), 8, "%s", "abc");
    b.add();
    OneRecord r = write_one(b, TK_VERSION_AC1009);
    EXPECT_EQ(r.options(), 0);
    EXPECT_EQ(r.length(), 8 + 16 + 8 + 2 + 3 + 2);
  }
}

TEST_F(Dwg12WriteTest, KindsAReleaseCannotHoldAreReportedNotDroppedSilently) {
  Builder b(TK_VERSION_AC1009);
  b.begin(TK_ELLIPSE);
  b.reals(0, {0, 0, 0, 1, 0, 0});
  b.add();
  TkHandle ellipse = b.h.handle;
  b.begin(TK_SHAPE);
  tk_data_put<uint32_t>(&b.data, TK_SHAPE_NUMBER, 255);
  b.add();
  b.begin(TK_3DFACE);
  b.add();
  std::string path = dir + "/k.dwg";
  ASSERT_EQ(tk_save_drawing(b.d, path.c_str(), TK_FILE_DWG, TK_VERSION_AC1002, 0, 16, 0, 0), 1);
  const TkSaveReport* report = tk_last_save_report();
  EXPECT_EQ(report->entities_written, 0u);
  EXPECT_EQ(report->entities_dropped, 3u);
  ASSERT_EQ(g_warnings.size(), 3u);
  EXPECT_EQ(g_warnings[0].first, 0);
  EXPECT_EQ(tk_handle_compare(&g_warned_handles[0], &ellipse), 0);
  EXPECT_EQ(g_warnings[1].first, TK_ERR_DROPPED_SHAPE);
  EXPECT_EQ(g_warnings[2].first, 0);
  // From AC1003 on the 3DFACE is written.
  g_warnings.clear();
  ASSERT_EQ(tk_save_drawing(b.d, path.c_str(), TK_FILE_DWG, TK_VERSION_AC1003, 0, 16, 0, 0), 1);
  EXPECT_EQ(tk_last_save_report()->entities_written, 1u);
  EXPECT_EQ(tk_last_save_report()->entities_dropped, 2u);
}

TEST_F(Dwg12WriteTest, AnLwpolylineIsWrittenAsPolylineVerticesAndSeqend) {
  Builder b(TK_VERSION_AC1009);
  uint16_t lw = tk_ensure_default_class(b.d, "LWPOLYLINE");
  ASSERT_NE(lw, 0);
  b.begin(lw);
  TkBlob* vertices = blob_alloc(4096);
  TkBlob* w = blob_create(vertices);
  const double points[3][3] = {{0, 0, 0.5}, {4, 0, 0}, {4, 3, 0}};  // x, y, bulge
  for (const auto& p : points) blob_write(w, p, sizeof p);
  blob_close_write(w);
  tk_data_put<uint16_t>(&b.data, 0, TK_LWPL_BULGES | TK_LWPL_CLOSED | TK_LWPL_ELEVATION);
  tk_data_put<uint32_t>(&b.data, 4, 3);
  tk_data_put(&b.data, TK_LWPOLYLINE_ELEVATION, 2.0);
  tk_data_put(&b.data, TK_LWPOLYLINE_VERTICES, vertices);
  b.add();
  std::string path = dir + "/lw.dwg";
  for (TkVersion v : {TK_VERSION_AC1002, TK_VERSION_AC1009}) {
    SCOPED_TRACE(kNames[v]);
    ASSERT_EQ(tk_save_drawing(b.d, path.c_str(), TK_FILE_DWG, v, 0, 16, 0, 0), 1);
    TkDrawing* back = tk_open_drawing(path.c_str(), 1, 0);
    ASSERT_NE(back, nullptr);
    std::vector<uint16_t> kinds;
    std::vector<std::vector<double>> got;
    TkEntityHeader h;
    static TkEntityData data;
    for (const TkLink* l = list_first(&back->model_entities); l; l = l->next) {
      ASSERT_EQ(entity_unpack(l, &h, &data, nullptr, nullptr), 1);
      kinds.push_back(h.kind);
      if (h.kind == TK_VERTEX)
        got.push_back({tk_data_get<double>(&data, 0), tk_data_get<double>(&data, 8),
                       tk_data_get<double>(&data, 16), tk_data_get<double>(&data, 56)});
      if (h.kind == TK_POLYLINE) {
        EXPECT_EQ(tk_data_get<int16_t>(&data, 34) & 1, 1);
      }
    }
    EXPECT_EQ(kinds, (std::vector<uint16_t>{TK_POLYLINE, TK_VERTEX, TK_VERTEX, TK_VERTEX,
                                            TK_SEQEND}));
    ASSERT_EQ(got.size(), 3u);
    for (size_t i = 0; i < 3; ++i)
      EXPECT_EQ(got[i], (std::vector<double>{points[i][0], points[i][1], 2.0, points[i][2]}));
    tk_close_drawing(back);
  }
}

// The chain of viewport entity headers links 49 viewports; the others keep their records but
// lose their link, each reported.
TEST_F(Dwg12WriteTest, ViewportsBeyondTheChainsLimitAreReported) {
  Builder b(TK_VERSION_AC1009);
  std::vector<TkHandle> handles;
  for (int i = 0; i < 51; ++i) {
    b.begin(TK_VIEWPORT).flags |= 1;
    b.reals(16, {double(i), 0, 0, 10, 5});
    tk_data_put<uint16_t>(&b.data, TK_VIEWPORT_NUMBER, uint16_t(i + 1));
    tk_data_put<int16_t>(&b.data, TK_VIEWPORT_STATUS, int16_t(i + 1));
    handles.push_back(b.h.handle);
    b.add(&b.d->paper_entities);
  }
  ASSERT_EQ(list_count(&b.d->pspace_viewports), 51);
  std::string path = dir + "/vp.dwg";
  ASSERT_EQ(tk_save_drawing(b.d, path.c_str(), TK_FILE_DWG, TK_VERSION_AC1009, 0, 16, 0, 0), 1);
  EXPECT_EQ(tk_last_save_report()->viewports_unlinked, 2u);
  ASSERT_EQ(g_warnings.size(), 2u);
  EXPECT_EQ(g_warnings[0].first, TK_WARN_VIEWPORT_UNLINKED);
  EXPECT_EQ(tk_handle_compare(&g_warned_handles[0], &handles[49]), 0);
  EXPECT_EQ(tk_handle_compare(&g_warned_handles[1], &handles[50]), 0);
  std::vector<uint8_t> f = read_file(path);
  // The chain starts at VX record 1 (record 0 is the placeholder) and runs 1 -> 2 -> ... -> 49.
  EXPECT_EQ(rs(f, 0x635), 1);
  uint32_t vx = rl(f, 0x69F + 6), count = rl(f, 0x69F + 2);
  ASSERT_EQ(count, 52u);
  for (uint32_t i = 1; i < count; ++i) {
    uint16_t link = rs(f, vx + 43 * i + 39);
    EXPECT_EQ(link, i < 49 ? i + 1 : 0u) << "record " << i;
  }
  TkDrawing* back = tk_open_drawing(path.c_str(), 1, 0);
  ASSERT_NE(back, nullptr) << tk_error_text(tk_get_last_error());
  EXPECT_EQ(dxf_test::count_entities(back, &back->paper_entities)["VIEWPORT"], 51);
  tk_close_drawing(back);
}

TEST_F(Dwg12WriteTest, AFailedSaveLeavesTheOldFileAsItWas) {
  Builder b(TK_VERSION_AC1009);
  add_small(b);
  std::string path = dir + "/keep.dwg";
  ASSERT_EQ(tk_save_drawing(b.d, path.c_str(), TK_FILE_DWG, TK_VERSION_AC1009, 0, 16, 0, 0), 1);
  std::vector<uint8_t> before = read_file(path);
  // A binary chunk longer than the byte form of extended data holds.
  TkAppIdRecord app;
  tk_init_appid_record(&app);
  std::snprintf(app.name, sizeof app.name, "%s", "VV");
  tk_next_handle(b.d, nullptr, 0, &app.handle);
  ASSERT_TRUE(record_store_indexed(&app.handle, &b.d->index, &app, sizeof app, &b.d->appids,
                                   TK_POS_END, nullptr));
  b.begin(TK_POINT);
  TkBlob* x = blob_alloc(4096);
  TkBlob* w = blob_create(x);
  static TkXdataItem item;
  std::memset(&item, 0, sizeof item);
  item.code = 1001;
  std::memcpy(item.value, app.handle.bytes, 8);
  xdata_append_item(w, &item);
  item.code = 1004;
  item.length = 300;
  xdata_append_item(w, &item);
  blob_close_write(w);
  b.h.xdata = x;
  b.add();
  EXPECT_EQ(tk_save_drawing(b.d, path.c_str(), TK_FILE_DWG, TK_VERSION_AC1009, 0, 16, 0, 0), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_XDATA_WRITE);
  EXPECT_TRUE(read_file(path) == before);
  std::string listing = "ls '" + dir + "' | wc -l";
  FILE* p = popen(listing.c_str(), "r");
  char buf[16] = {};
  ASSERT_NE(p, nullptr);
  ASSERT_NE(std::fgets(buf, sizeof buf, p), nullptr);
  pclose(p);
  EXPECT_EQ(std::atoi(buf), 1) << "the temporary file stays behind";
}

}  // namespace
