// The DXF writer, text and binary: the number formats and group layouts, every
// drawing of the shared test data saved in each release and reopened by this
// toolkit with the same tables, entities per layout and block and header values
// (and read by an independent reader where one is installed), a second save of
// the reopened file giving the same bytes, what a release cannot hold reported,
// and golden bytes of a small drawing per layout.
#include "toolkit/write/dxf_write.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestData.h"
#include "tests/toolkit/core/core_support.h"
#include "tests/toolkit/read/dxf_support.h"
#include "toolkit/core/blob.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/load.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/readers.h"
#include "toolkit/write/save.h"

namespace {

using dxf_test::Counts;

std::vector<uint8_t> read_file(const std::string& path) {
  std::vector<unsigned char> bytes;
  vvtest::ReadWholeFile(path, bytes);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::string upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
  return s;
}

class DxfWriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    core_test::serve_init_data(core_test::builtin_init_data());
    uint16_t status = 0;
    ASSERT_EQ(tk_init_core(nullptr, 1, &status), 1);
    ASSERT_EQ(tk_install_file_readers(), 1);
    char tmpl[] = "/tmp/vv-dxfwrite-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override {
    std::string cmd = "rm -rf '" + dir + "'";
    (void)std::system(cmd.c_str());
    tk_set_warning_callback(nullptr);
    tk_shutdown_core();
  }
  void RoundTrips(bool identity);
  std::string dir;
};

// ---------------------------------------------------------------------------------------------
// Numbers and groups.

TEST(DxfNumbers, RealsInTheSixAndSixteenDecimalFamilies) {
  DxfOut o{};
  struct Case {
    double value;
    int16_t decimals;
    int16_t negative_zero;
    const char* text;
  };
  const Case cases[] = {
      {0.0000004, 6, 0, "0.0"},
      {-0.0000004, 6, 1, "-0.0"},
      {-0.0000004, 6, 0, "0.0"},
      {2.5, 6, 0, "2.5"},
      {1.0, 6, 0, "1.0"},
      {1e17, 6, 0, "1.000000E+17"},
      {0.1234567, 6, 0, "0.123457"},
      {-12.75, 6, 0, "-12.75"},
      {5e-310, 6, 0, "0.0"},
      {0.1, 16, 0, "0.1"},
      {123456.789, 16, 0, "123456.7890000000043074"},
      {3.0, 0, 0, "3"},
  };
  for (const Case& c : cases) {
    dxf_set_number_format(o, c.negative_zero, c.decimals, 0);
    char text[64];
    dxf_format_real(o.numbers, c.value, text);
    EXPECT_STREQ(text, c.text) << c.value;
  }
  char text[64];
  dxf_format_real16(0.1, text);
  EXPECT_STREQ(text, "0.1");
  dxf_format_real16(1e-17, text);
  EXPECT_STREQ(text, "0.0");
  dxf_format_real16(-0.7071067811865476, text);
  EXPECT_STREQ(text, "-0.7071067811865476");
}

// Every real a 16-decimal file holds reads back as the same double.
TEST(DxfNumbers, SixteenDecimalsReadBackExactly) {
  DxfOut o{};
  dxf_set_number_format(o, 0, 16, 0);
  const double values[] = {
      0.1,        1.0 / 3.0,         2.0 / 3.0 * 1000.0, 123456.789,      -98765.4321,
      1e15 + 0.5, 3.141592653589793, 0.000123456789,     6378137.0 * 0.17};
  for (double v : values) {
    char text[64];
    dxf_format_real(o.numbers, v, text);
    EXPECT_EQ(std::strtod(text, nullptr), v) << text;
  }
}

std::string text_of(const DxfOut& o) { return std::string(o.buffer.begin(), o.buffer.end()); }

TEST(DxfGroups, TextAndBinaryLayouts) {
  DxfOut o{};
  o.ok = true;
  dxf_set_number_format(o, 0, 6, 0);
  o.version = 4;
  dxf_write_string_group(o, 5, "1F");
  dxf_write_string_group(o, 1000, "x");
  dxf_write_short_group(o, 70, 3);
  dxf_write_long_group(o, 90, -2);
  EXPECT_EQ(text_of(o), "  5\r\n1F\r\n1000\r\nx\r\n 70\r\n     3\r\n 90\r\n       -2\r\n");
  o.buffer.clear();
  dxf_write_caret_string_group(o, 1, "a^b\nc");
  EXPECT_EQ(text_of(o), "  1\r\na^ b^Jc\r\n");
  // A caret that is the second byte of a double-byte character stays as it is.
  o.buffer.clear();
  const char dbcs[] = {'\x81', '^', 0};
  dxf_write_caret_string_group(o, 1, dbcs);
  EXPECT_EQ(text_of(o), std::string("  1\r\n\x81^\r\n"));

  o.binary = true;
  o.buffer.clear();
  dxf_write_code(o, 1000);
  EXPECT_EQ(o.buffer, (std::vector<uint8_t>{0xFF, 0xE8, 0x03}));
  o.buffer.clear();
  dxf_write_code(o, 8);
  EXPECT_EQ(o.buffer, (std::vector<uint8_t>{0x08}));
  o.version = 5;
  o.buffer.clear();
  dxf_write_code(o, 0);
  EXPECT_EQ(o.buffer, (std::vector<uint8_t>{0x00, 0x00}));
  o.buffer.clear();
  dxf_write_real_group(o, 40, 1.0);
  EXPECT_EQ(o.buffer, (std::vector<uint8_t>{40, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
  // Flags of 290-299 take one byte, other 8-bit values two, as readers expect
  // them.
  o.buffer.clear();
  dxf_write_byte_group(o, 290, 1);
  dxf_write_byte_group(o, 280, -1);
  EXPECT_EQ(o.buffer, (std::vector<uint8_t>{0x22, 0x01, 0x01, 0x18, 0x01, 0xFF, 0xFF}));
}

// ---------------------------------------------------------------------------------------------
// Round trips over the shared test data.

std::vector<std::string> drawings() {
  std::vector<std::string> out;
  for (const char* folder : {"dwg", "dxf", "dxf-binary"})
    for (const std::string& name : vvtest::TestDataFiles(folder)) {
      if (name.size() > 5 && name.substr(name.size() - 5) == ".json") continue;
      out.push_back(std::string(folder) + "/" + name);
    }
  return out;
}

// Top-level entities per kind of a list, without those the release cannot hold.
Counts writable_counts(TkDrawing* d, const TkList* list, TkVersion v) {
  Counts c = dxf_test::count_entities(d, list);
  static const std::set<std::string> always = {
      "LINE",   "POINT",  "CIRCLE",   "TEXT",   "ARC",       "TRACE",     "SOLID",
      "INSERT", "ATTDEF", "POLYLINE", "3DFACE", "DIMENSION", "LWPOLYLINE"};
  static const std::set<std::string> from_r13 = {
      "ELLIPSE", "SPLINE",  "RAY",   "XLINE", "MTEXT", "LEADER", "TOLERANCE",
      "HATCH",   "REGION",  "3DSOLID", "BODY", "MLINE"};
  // Kinds the writer cannot give back: a shape's name is its font's, an arc-aligned text's
  // numbers are not kept.
  static const std::set<std::string> never = {"SHAPE", "ARCALIGNEDTEXT"};
  Counts out;
  for (auto& [k, n] : c) {
    std::string kind = k == "3DLINE" ? "LINE" : k;
    // Before AC1014 an LWPOLYLINE comes back as a POLYLINE.
    if (kind == "LWPOLYLINE" && v < TK_VERSION_AC1014) kind = "POLYLINE";
    // AC1002 holds no 3DLINE, 3DFACE or DIMENSION.
    if (v == TK_VERSION_AC1002 && (k == "3DLINE" || k == "3DFACE" || k == "DIMENSION")) continue;
    bool fixed = false;
    for (uint16_t f = 1; f <= TK_LAST_FIXED_KIND && !fixed; ++f)
      fixed = *tk_entity_kind_name(f) && k == tk_entity_kind_name(f);
    // Entities of classes (images, OLE frames, proxies...) are written from AC1012.
    bool class_kind = !fixed && !always.count(k) && !never.count(k) && k != "(damaged)";
    // What a DWG file kept as its class's raw data is written as a proxy entity (a zombie,
    // which names its class, for AC1012).
    static const std::set<std::string> recorded = {"IMAGE", "WIPEOUT", "OLE2FRAME",
                                                   "RTEXT", "HATCH",   "LWPOLYLINE"};
    if (class_kind && !d->is_dxf && !recorded.count(k) && v >= TK_VERSION_AC1014)
      kind = "ACAD_PROXY_ENTITY";
    // A release 12 viewport is written only with its view settings: not counted there.
    if (always.count(k) || (k == "VIEWPORT" && v >= TK_VERSION_AC1012) ||
        (v >= TK_VERSION_AC1012 && (from_r13.count(k) || class_kind)))
      out[kind] += n;
  }
  return out;
}

std::set<std::string> layer_names(TkDrawing* d, bool fold) {
  std::set<std::string> out;
  for (std::string n : dxf_test::table_names<TkLayerRecord>(&d->layers)) {
    if (fold)
      for (char& c : n)
        if (c == ' ' || c == '(' || c == ')') c = '_';
    out.insert(fold ? upper(n) : n);
  }
  return out;
}

// Entities per kind of every named block the release keeps.
std::map<std::string, Counts> block_counts(TkDrawing* d, TkVersion v) {
  std::map<std::string, Counts> out;
  for (const TkLink* l = list_first(&d->blocks); l; l = l->next) {
    const auto* b = static_cast<const TkBlockRecord*>(tk_link_data(l));
    if (b->name[0] == '*' || !b->entities) continue;  // anonymous names are renumbered
    out[upper(b->name)] = writable_counts(d, b->entities, v);
  }
  return out;
}

struct Saved {
  std::string path;
  bool binary;
  TkVersion version;
};

// Every drawing of the shared data saved in each release, text and binary,
// reopened and saved again; with `identity`, saved a third time and compared
// with the second save.
void DxfWriteTest::RoundTrips(bool identity) {
  std::vector<std::string> files = drawings();
  if (files.empty()) GTEST_SKIP() << "no shared test data";
  int saved = 0;
  for (const std::string& file : files) {
    TkDrawing* src = tk_open_drawing(vvtest::TestDataPath(file).c_str(), 1, 0);
    if (!src) continue;  // the readers' own tests say why
    for (TkVersion v :
         {TK_VERSION_AC1002, TK_VERSION_AC1003, TK_VERSION_AC1004, TK_VERSION_AC1006,
          TK_VERSION_AC1009, TK_VERSION_AC1012, TK_VERSION_AC1014, TK_VERSION_AC1015}) {
      Counts model[2];
      for (int binary = 0; binary < 2; ++binary) {
        SCOPED_TRACE(file + " as version " + std::to_string(v) + (binary ? " binary" : " text"));
        std::string out = dir + "/a.dxf", again = dir + "/b.dxf";
        uint8_t kind = binary ? TK_FILE_BINARY_DXF : TK_FILE_TEXT_DXF;
        int16_t ok = tk_save_drawing(src, out.c_str(), kind, v, 0, 16, 0, 1);
        if (src->version < TK_VERSION_AC1015 && v == TK_VERSION_AC1015) {
          EXPECT_EQ(ok, 0);
          EXPECT_EQ(tk_get_last_error(), TK_ERR_INCOMPATIBLE_SAVE);
          continue;
        }
        ASSERT_EQ(ok, 1) << tk_error_text(tk_get_last_error());
        ++saved;
        TkDrawing* back = tk_open_drawing(out.c_str(), 1, 0);
        ASSERT_NE(back, nullptr) << tk_error_text(tk_get_last_error());
        EXPECT_EQ(back->file_kind, kind);
        bool fold = v < TK_VERSION_AC1015;
        EXPECT_EQ(layer_names(back, fold), layer_names(src, fold));
        model[binary] = writable_counts(back, &back->model_entities, v);
        EXPECT_EQ(model[binary], writable_counts(src, &src->model_entities, v));
        EXPECT_EQ(writable_counts(back, &back->paper_entities, v),
                  writable_counts(src, &src->paper_entities, v));
        if (!fold) {
          EXPECT_EQ(block_counts(back, v), block_counts(src, v));
        }
        // Text files keep 16 decimals: what lies within 5e-17 of zero reads
        // back as zero.
        auto near = [](double a, double b) { return std::fabs(a - b) <= 1e-16; };
        EXPECT_PRED2(near, back->header->ltscale, src->header->ltscale);
        EXPECT_PRED2(near, back->header->extmin[0], src->header->extmin[0]);
        EXPECT_PRED2(near, back->header->extmax[1], src->header->extmax[1]);
        EXPECT_PRED2(near, back->header->textsize, src->header->textsize);
        EXPECT_PRED2(near, back->header->dimscale, src->header->dimscale);
        EXPECT_EQ(back->header->lunits, src->header->lunits);
        // The writer's own file saves again from its reopened drawing.
        ASSERT_EQ(tk_save_drawing(back, again.c_str(), kind, v, 0, 16, 0, 1), 1)
            << tk_error_text(tk_get_last_error());
        tk_close_drawing(back);
        if (identity) {
          std::string third = dir + "/c.dxf";
          back = tk_open_drawing(again.c_str(), 1, 0);
          ASSERT_NE(back, nullptr);
          ASSERT_EQ(tk_save_drawing(back, third.c_str(), kind, v, 0, 16, 0, 1), 1);
          tk_close_drawing(back);
          EXPECT_TRUE(read_file(again) == read_file(third))
              << "a save of the writer's own file differs";
        }
      }
      // Text and binary output reopen equal.
      EXPECT_EQ(model[0], model[1]) << file << " " << v;
    }
    tk_close_drawing(src);
  }
  EXPECT_GT(saved, 0);
}

// What the independent reader found in each file: layer names and entities per
// kind.
struct Summary {
  std::string error;
  std::set<std::string> layers;
  Counts model, paper;
  std::map<std::string, Counts> blocks;
};

// Runs the independent reader over the files; false when it is not installed.
bool independent_summaries(const std::vector<std::string>& paths,
                           std::map<std::string, Summary>* out) {
  std::string cmd = "/usr/bin/python3 '" + std::string(VV_SCRIPT_DIR) + "/ezdxf_summary.py'";
  for (const std::string& p : paths) cmd += " '" + p + "'";
  FILE* pipe = popen(cmd.c_str(), "r");
  if (!pipe) return false;
  std::string text;
  char chunk[4096];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) text.append(chunk, n);
  int status = pclose(pipe);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 77) return false;
  std::istringstream lines(text);
  std::string line;
  Summary* s = nullptr;
  while (std::getline(lines, line)) {
    std::istringstream in(line);
    std::string tag;
    in >> tag;
    if (tag == "FILE") {
      s = &(*out)[line.substr(5)];
    } else if (!s) {
      continue;
    } else if (tag == "ERROR") {
      s->error = line.substr(6);
    } else if (tag == "LAYER") {
      s->layers.insert(line.substr(6));
    } else {
      std::string block, kind;
      int n = 0;
      if (tag == "BLOCK") in >> block;
      in >> kind >> n;
      Counts& c = tag == "MODEL" ? s->model : tag == "PAPER" ? s->paper : s->blocks[block];
      c[kind] += n;
    }
  }
  return true;
}

// The kinds both readers know, named as ezdxf names them. Viewports are left out (ezdxf
// counts those of every paper layout and adds a main viewport where one is missing), and so
// are images before AC1014, whose definitions that release does not hold.
Counts comparable(const Counts& c, TkVersion v) {
  static const std::set<std::string> known = {
      "LINE",   "POINT",  "CIRCLE",   "TEXT",   "ARC",       "TRACE",      "SOLID",
      "INSERT", "ATTDEF", "POLYLINE", "3DFACE", "DIMENSION", "LWPOLYLINE", "ELLIPSE",
      "SPLINE", "RAY",    "XLINE",    "MTEXT",  "LEADER",    "TOLERANCE",  "HATCH",
      "REGION", "3DSOLID", "BODY",    "MLINE",  "IMAGE",      "WIPEOUT",
      "OLE2FRAME", "ACAD_PROXY_ENTITY"};
  Counts out;
  for (auto& [k, n] : c)
    if (known.count(k) && !(k == "IMAGE" && v < TK_VERSION_AC1014)) out[k] += n;
  return out;
}

TEST_F(DxfWriteTest, AnIndependentReaderReadsEveryWrittenFile) {
  std::vector<std::string> files = drawings();
  if (files.empty()) GTEST_SKIP() << "no shared test data";
  std::map<std::string, Summary> probe;
  if (!independent_summaries({}, &probe)) GTEST_SKIP() << "python3-ezdxf is not installed";
  int checked = 0;
  for (size_t f = 0; f < files.size(); ++f) {
    const std::string& file = files[f];
    TkDrawing* src = tk_open_drawing(vvtest::TestDataPath(file).c_str(), 1, 0);
    if (!src) continue;
    std::vector<Saved> saved;
    for (TkVersion v :
         {TK_VERSION_AC1009, TK_VERSION_AC1012, TK_VERSION_AC1014, TK_VERSION_AC1015}) {
      if (src->version < TK_VERSION_AC1015 && v == TK_VERSION_AC1015) continue;
      for (int binary = 0; binary < 2; ++binary) {
        std::string out = dir + "/" + std::to_string(f) + "_" + std::to_string(v) +
                          (binary ? ".bin.dxf" : ".dxf");
        uint8_t kind = binary ? TK_FILE_BINARY_DXF : TK_FILE_TEXT_DXF;
        ASSERT_EQ(tk_save_drawing(src, out.c_str(), kind, v, 0, 16, 0, 1), 1)
            << file << ": " << tk_error_text(tk_get_last_error());
        saved.push_back({out, binary != 0, v});
      }
    }
    std::vector<std::string> paths;
    for (const Saved& s : saved) paths.push_back(s.path);
    std::map<std::string, Summary> found;
    ASSERT_TRUE(independent_summaries(paths, &found));
    for (const Saved& s : saved) {
      SCOPED_TRACE(file + " as version " + std::to_string(s.version) +
                   (s.binary ? " binary" : " text"));
      const Summary& sum = found[s.path];
      EXPECT_EQ(sum.error, "");
      if (!sum.error.empty()) continue;
      ++checked;
      bool fold = s.version < TK_VERSION_AC1015;
      std::set<std::string> layers;
      for (const std::string& n : sum.layers) layers.insert(fold ? upper(n) : n);
      // ezdxf adds a layer "Defpoints" to every drawing that has none; the file has none.
      std::set<std::string> expected = layer_names(src, fold);
      bool has_defpoints = false;
      for (const std::string& n : expected) has_defpoints |= upper(n) == "DEFPOINTS";
      if (!has_defpoints)
        for (auto it = layers.begin(); it != layers.end();)
          it = upper(*it) == "DEFPOINTS" ? layers.erase(it) : std::next(it);
      EXPECT_EQ(layers, expected);
      // Kinds it does not know (the zombies of AC1012 among them) are compared on neither side.
      EXPECT_EQ(comparable(sum.model, s.version),
                comparable(writable_counts(src, &src->model_entities, s.version), s.version));
      EXPECT_EQ(comparable(sum.paper, s.version),
                comparable(writable_counts(src, &src->paper_entities, s.version), s.version));
    }
    tk_close_drawing(src);
  }
  EXPECT_GT(checked, 0);
}

TEST_F(DxfWriteTest, EveryTestDrawingRoundTripsInTextAndBinary) { RoundTrips(false); }

// Saving a reopened file again gives the same bytes.
TEST_F(DxfWriteTest, ASecondSaveOfTheWritersOwnFileGivesTheSameBytes) { RoundTrips(true); }

// ---------------------------------------------------------------------------------------------
// Small drawings made here.

// A new drawing with one entity of each of a few kinds in model space.
TkDrawing* small_drawing(TkVersion version) {
  TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, uint16_t(version));
  if (!d) return nullptr;
  TkEntityHeader h;
  TkEntityData data;
  auto put = [&](uint16_t kind, std::initializer_list<double> reals) {
    std::memset(&h, 0, sizeof h);
    h.kind = kind;
    tk_init_entity(d, &h, &data);
    size_t at = 0;
    for (double r : reals) tk_data_put(&data, at, r), at += 8;
    tk_next_handle(d, nullptr, 0, &h.handle);
    tk_add_entity(d, &d->model_entities, &h, &data);
  };
  put(TK_LINE, {0, 0, 0, 10, 5, 0});
  put(TK_CIRCLE, {2.5, 2.5, 0, 1.25});
  put(TK_ARC, {5, 5, 0, 2, 0, 1.5707963267948966});
  return d;
}

TEST_F(DxfWriteTest, GoldenBytesOfASmallDrawingPerLayout) {
  struct Case {
    TkVersion version;
    uint8_t kind;
    const char* golden;
  };
  const Case cases[] = {
      {TK_VERSION_AC1009, TK_FILE_TEXT_DXF, "small_ac1009.dxf"},
      {TK_VERSION_AC1015, TK_FILE_TEXT_DXF, "small_ac1015.dxf"},
      {TK_VERSION_AC1009, TK_FILE_BINARY_DXF, "small_ac1009.bin.dxf"},
      {TK_VERSION_AC1015, TK_FILE_BINARY_DXF, "small_ac1015.bin.dxf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.golden);
    TkDrawing* d = small_drawing(c.version);
    ASSERT_NE(d, nullptr);
    std::string path = dir + "/small.dxf";
    ASSERT_EQ(tk_save_drawing(d, path.c_str(), c.kind, c.version, 0, 6, 0, 0), 1)
        << tk_error_text(tk_get_last_error());
    tk_close_drawing(d);
    std::vector<uint8_t> bytes = read_file(path);
    std::string golden = std::string(VV_GOLDEN_DIR) + "/" + c.golden;
    if (std::getenv("VV_UPDATE_GOLDEN")) {
      std::ofstream(golden, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    EXPECT_TRUE(bytes == read_file(golden)) << "differs from " << golden;
  }
}

// Every reactor of an entity is written, not only the first.
TEST_F(DxfWriteTest, EveryReactorOfAnEntityIsWritten) {
  TkDrawing* d = small_drawing(TK_VERSION_AC1015);
  ASSERT_NE(d, nullptr);
  TkEntityHeader h{};
  TkEntityData data;
  h.kind = TK_POINT;
  tk_init_entity(d, &h, &data);
  tk_next_handle(d, nullptr, 0, &h.handle);
  h.reactors = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob_create(h.reactors);
  TkHandle a{}, b{};
  a.bytes[7] = 0xA1;
  b.bytes[7] = 0xB2;
  blob_write(w, a.bytes, 8);
  blob_write(w, b.bytes, 8);
  blob_close_write(w);
  h.reactor_count = 2;
  ASSERT_EQ(tk_add_entity(d, &d->model_entities, &h, &data), 1);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(dxf_write_to_memory(d, TK_FILE_TEXT_DXF, TK_VERSION_AC1015, &bytes), 1);
  std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(text.find("102\r\n{ACAD_REACTORS\r\n330\r\nA1\r\n330\r\nB2\r\n102\r\n}\r\n"),
            std::string::npos);
  tk_close_drawing(d);
}

// A leader with a hook line keeps its vertices however often it is saved and reopened.
TEST_F(DxfWriteTest, ALeaderWithAHookLineKeepsItsVerticesOverTenRoundTrips) {
  std::string source = vvtest::TestDataPath("dwg/2000_Leader.dwg");
  if (source.empty()) GTEST_SKIP() << "no shared test data";
  auto vertices = [](TkDrawing* d) {
    std::vector<int> counts;
    TkEntityHeader h;
    TkEntityData data;
    for (const TkLink* l = list_first(&d->model_entities); l; l = l->next)
      if (entity_unpack(l, &h, &data, nullptr, nullptr) && h.kind == TK_LEADER)
        counts.push_back(tk_data_get<uint16_t>(&data, 0) * 16 + data.bytes[5]);
    return counts;
  };
  TkDrawing* d = tk_open_drawing(source.c_str(), 1, 0);
  ASSERT_NE(d, nullptr);
  // The leaders of the test data have no hook line: they are given one.
  std::vector<TkHandle> leaders;
  TkEntityHeader h;
  TkEntityData data;
  for (const TkLink* l = list_first(&d->model_entities); l; l = l->next)
    if (entity_unpack(l, &h, &data, nullptr, nullptr) && h.kind == TK_LEADER)
      leaders.push_back(h.handle);
  for (const TkHandle& handle : leaders) {
    ASSERT_EQ(tk_get_entity_by_handle(d, &d->model_entities, &handle, &h, &data), 1);
    data.bytes[5] = 1;
    ASSERT_EQ(tk_replace_entity(d, &d->model_entities, &handle, &h, &data), 1);
  }
  std::vector<int> first = vertices(d);
  ASSERT_FALSE(first.empty());
  for (int i = 0; i < 10; ++i) {
    std::string path = dir + "/leader" + std::to_string(i % 2) + ".dxf";
    ASSERT_EQ(tk_save_drawing(d, path.c_str(), TK_FILE_TEXT_DXF, TK_VERSION_AC1015, 0, 16, 0, 1),
              1);
    tk_close_drawing(d);
    d = tk_open_drawing(path.c_str(), 1, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(vertices(d), first) << "after round trip " << i + 1;
  }
  tk_close_drawing(d);
}

int g_warnings = 0;
void count_warning(int16_t, const TkHandle*) { ++g_warnings; }

// An entity the release cannot hold is left out and reported; the rest is
// written.
TEST_F(DxfWriteTest, EntitiesAReleaseCannotHoldAreReported) {
  TkDrawing* d = small_drawing(TK_VERSION_AC1015);
  ASSERT_NE(d, nullptr);
  TkEntityHeader h{};
  TkEntityData data;
  h.kind = TK_ELLIPSE;
  tk_init_entity(d, &h, &data);
  tk_data_put(&data, 24, 3.0);
  tk_data_put(&data, 48, 0.5);
  tk_next_handle(d, nullptr, 0, &h.handle);
  ASSERT_EQ(tk_add_entity(d, &d->model_entities, &h, &data), 1);
  g_warnings = 0;
  tk_set_warning_callback(count_warning);
  std::string path = dir + "/r12.dxf";
  ASSERT_EQ(tk_save_drawing(d, path.c_str(), TK_FILE_TEXT_DXF, TK_VERSION_AC1009, 0, 6, 0, 0), 1);
  EXPECT_EQ(tk_last_save_report()->entities_dropped, 1u);
  EXPECT_EQ(tk_last_save_report()->entities_written, 3u);
  EXPECT_EQ(g_warnings, 1);
  ASSERT_EQ(tk_save_drawing(d, path.c_str(), TK_FILE_TEXT_DXF, TK_VERSION_AC1015, 0, 6, 0, 0), 1);
  EXPECT_EQ(tk_last_save_report()->entities_dropped, 0u);
  EXPECT_EQ(tk_last_save_report()->entities_written, 4u);
  tk_close_drawing(d);
}

// A failed save leaves the old file as it was.
TEST_F(DxfWriteTest, AFailedSaveKeepsTheTarget) {
  TkDrawing* d = small_drawing(TK_VERSION_AC1015);
  ASSERT_NE(d, nullptr);
  std::string path = dir + "/keep.dxf";
  ASSERT_EQ(tk_save_drawing(d, path.c_str(), TK_FILE_TEXT_DXF, TK_VERSION_AC1015, 0, 6, 0, 0), 1);
  std::vector<uint8_t> before = read_file(path);
  // An entity on a layer the drawing does not have cannot be written.
  TkEntityHeader h{};
  TkEntityData data;
  h.kind = TK_LINE;
  tk_init_entity(d, &h, &data);
  h.layer.bytes[7] = 0xEE;
  h.layer.bytes[6] = 0xEE;
  tk_next_handle(d, nullptr, 0, &h.handle);
  ASSERT_EQ(tk_add_entity(d, &d->model_entities, &h, &data), 1);
  EXPECT_EQ(tk_save_drawing(d, path.c_str(), TK_FILE_TEXT_DXF, TK_VERSION_AC1015, 0, 6, 0, 0), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_RESOLVE_LAYER);
  EXPECT_TRUE(read_file(path) == before);
  tk_close_drawing(d);
}

}  // namespace
