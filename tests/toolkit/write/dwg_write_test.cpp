// The DWG writer of releases AC1012, AC1014 and AC1015 over the shared test data: every drawing
// saved in each release reopens in this toolkit with the same tables, entities per layout and
// block, and header values; a second save of the reopened drawing gives the same bytes. Also
// the file's frame (header, locators, CRCs, object map end) checked on a small drawing of each
// release. Skipped where the test data is absent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include "tests/support/TestData.h"
#include "tests/toolkit/core/core_support.h"
#include "tests/toolkit/read/dxf_support.h"
#include "toolkit/core/blob.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/load.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/readers.h"
#include "toolkit/write/crc16.h"
#include "toolkit/write/save.h"

namespace {

using dxf_test::Counts;

std::string upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
  return s;
}

std::vector<uint8_t> read_file(const std::string& path) {
  std::vector<unsigned char> bytes;
  vvtest::ReadWholeFile(path, bytes);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

class DwgWriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    core_test::serve_init_data(core_test::builtin_init_data());
    uint16_t status = 0;
    ASSERT_EQ(tk_init_core(nullptr, 1, &status), 1);
    ASSERT_EQ(tk_install_file_readers(), 1);
    char tmpl[] = "/tmp/vv-dwgwrite-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override {
    std::string cmd = "rm -rf '" + dir + "'";
    (void)std::system(cmd.c_str());
    tk_shutdown_core();
  }
  std::string dir;
};

// The drawings of the shared test data that this toolkit opens.
std::vector<std::string> drawings() {
  std::vector<std::string> out;
  for (const char* folder : {"dwg", "dxf", "dxf-binary"})
    for (const std::string& name : vvtest::TestDataFiles(folder)) {
      if (name.size() > 5 && name.substr(name.size() - 5) == ".json") continue;
      out.push_back(std::string(folder) + "/" + name);
    }
  return out;
}

// Top-level entities per kind of a list, without the kinds the writer leaves out: SHAPEs (one
// whose shape name no font resolves is dropped), ARCALIGNEDTEXT (the reader keeps too little of
// it) and, from a DXF file, class entities the toolkit keeps no data of.
Counts writable_counts(TkDrawing* d, const TkList* list) {
  Counts c = dxf_test::count_entities(d, list);
  static const std::set<std::string> dxf_known = {"LWPOLYLINE", "HATCH", "IMAGE", "WIPEOUT",
                                                  "OLE2FRAME", "RTEXT"};
  Counts out;
  for (auto& [k, n] : c) {
    if (k == "SHAPE" || k == "ARCALIGNEDTEXT") continue;
    bool fixed = false;
    for (uint16_t kind = 1; kind <= TK_LAST_FIXED_KIND && !fixed; ++kind)
      fixed = tk_entity_kind_name(kind) && k == tk_entity_kind_name(kind);
    if (d->is_dxf && !fixed && !dxf_known.count(k)) continue;
    out[k == "3DLINE" ? "LINE" : k] += n;
  }
  return out;
}

// The entity counts of every block definition but the spaces and layouts, in an order of their
// own (names of anonymous blocks change before R2000).
std::multiset<Counts> block_counts(TkDrawing* d) {
  std::multiset<Counts> out;
  for (const TkLink* l = list_first(&d->blocks); l; l = l->next) {
    const auto* b = static_cast<const TkBlockRecord*>(tk_link_data(l));
    if (b->entities == &d->model_entities || b->entities == &d->paper_entities) continue;
    // Spaces and layouts ("*P" names the layouts' blocks before R2000).
    if (!tk_name_compare(b->name, "*MODEL_SPACE") || (b->name[0] == '*' && toupper(b->name[1]) == 'P'))
      continue;
    out.insert(b->entities ? writable_counts(d, b->entities) : Counts{});
  }
  return out;
}

std::set<std::string> layer_names(TkDrawing* d, bool fold) {
  std::set<std::string> out;
  // Releases before R2000 keep names in upper case, with '_' for blanks and brackets.
  for (std::string n : dxf_test::table_names<TkLayerRecord>(&d->layers)) {
    if (fold)
      for (char& c : n)
        if (c == ' ' || c == '(' || c == ')') c = '_';
    out.insert(fold ? upper(n) : n);
  }
  return out;
}

TEST_F(DwgWriteTest, EveryTestDrawingRoundTripsInEachRelease) {
  std::vector<std::string> files = drawings();
  if (files.empty()) GTEST_SKIP() << "no shared test data";
  int saved = 0;
  for (const std::string& file : files) {
    TkDrawing* src = tk_open_drawing(vvtest::TestDataPath(file).c_str(), 1, 0);
    if (!src) continue;  // the readers' own tests say why
    for (TkVersion v : {TK_VERSION_AC1012, TK_VERSION_AC1014, TK_VERSION_AC1015}) {
      SCOPED_TRACE(file + " as version " + std::to_string(v));
      std::string out = dir + "/a.dwg", again = dir + "/b.dwg";
      int16_t source_version = src->version;
      int16_t ok = tk_save_drawing(src, out.c_str(), TK_FILE_DWG, v, 0, 16, 0, 0);
      if (source_version < TK_VERSION_AC1015 && v == TK_VERSION_AC1015) {
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(tk_get_last_error(), TK_ERR_INCOMPATIBLE_SAVE);
        continue;
      }
      ASSERT_EQ(ok, 1) << tk_error_text(tk_get_last_error());
      ++saved;
      TkDrawing* back = tk_open_drawing(out.c_str(), 1, 0);
      ASSERT_NE(back, nullptr) << tk_error_text(tk_get_last_error());
      bool fold = v < TK_VERSION_AC1015;  // older releases keep names in upper case
      EXPECT_EQ(layer_names(back, fold), layer_names(src, fold));
      EXPECT_EQ(writable_counts(back, &back->model_entities),
                writable_counts(src, &src->model_entities));
      EXPECT_EQ(writable_counts(back, &back->paper_entities),
                writable_counts(src, &src->paper_entities));
      EXPECT_EQ(block_counts(back), block_counts(src));
      EXPECT_EQ(back->header->ltscale, src->header->ltscale);
      EXPECT_EQ(back->header->extmin[0], src->header->extmin[0]);
      EXPECT_EQ(back->header->insunits, v >= TK_VERSION_AC1015 ? src->header->insunits
                                                               : back->header->insunits);
      // A file this writer made reproduces itself: saved again from its reopened drawing it
      // gives the same bytes (the first save may still settle values another writer left,
      // such as an arc's end angle below its start).
      ASSERT_EQ(tk_save_drawing(back, again.c_str(), TK_FILE_DWG, v, 0, 16, 0, 0), 1);
      tk_close_drawing(back);
      {
        std::string third = dir + "/c.dwg";
        back = tk_open_drawing(again.c_str(), 1, 0);
        ASSERT_NE(back, nullptr);
        ASSERT_EQ(tk_save_drawing(back, third.c_str(), TK_FILE_DWG, v, 0, 16, 0, 0), 1);
        tk_close_drawing(back);
        EXPECT_TRUE(read_file(again) == read_file(third)) << "a save of the writer's own file differs";
      }
    }
    tk_close_drawing(src);
  }
  EXPECT_GT(saved, 0);
}

// File header, locators and CRCs of a new drawing in each release.
TEST_F(DwgWriteTest, FileFrameOfEachRelease) {
  struct Case {
    TkVersion version;
    const char* name;
    int records;
    uint16_t crc_xor;
    size_t header_sentinel;
  };
  const Case cases[] = {{TK_VERSION_AC1012, "AC1012", 4, 0x8101, 79},
                        {TK_VERSION_AC1014, "AC1014", 5, 0x3CC4, 88},
                        {TK_VERSION_AC1015, "AC1015", 6, 0x8461, 220}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, uint16_t(c.version));
    ASSERT_NE(d, nullptr);
    std::string path = dir + "/new.dwg";
    ASSERT_EQ(tk_save_drawing(d, path.c_str(), TK_FILE_DWG, c.version, 0, 16, 0, 0), 1)
        << tk_error_text(tk_get_last_error());
    tk_close_drawing(d);
    std::vector<uint8_t> f = read_file(path);
    ASSERT_GT(f.size(), 300u);
    EXPECT_EQ(std::string(f.begin(), f.begin() + 6), c.name);
    EXPECT_EQ(f[21], c.records);
    size_t n = 25 + 9 * size_t(c.records);
    uint16_t crc = uint16_t(crc16(0, f.data(), n) ^ c.crc_xor);
    EXPECT_EQ(f[n] | f[n + 1] << 8, crc);
    const uint8_t header_start[4] = {0xCF, 0x7B, 0x1F, 0x23};
    EXPECT_TRUE(std::equal(header_start, header_start + 4, f.begin() + long(c.header_sentinel)));
    auto rl = [&](size_t at) {
      return uint32_t(f[at] | f[at + 1] << 8 | f[at + 2] << 16 | uint32_t(f[at + 3]) << 24);
    };
    EXPECT_EQ(rl(26), c.header_sentinel);  // locator 0
    // The object map ends with an empty section.
    uint32_t map = rl(26 + 18), map_size = rl(30 + 18);
    ASSERT_LE(size_t(map) + map_size, f.size());
    const uint8_t end[4] = {0x00, 0x02, 0x01, 0xD0};
    EXPECT_TRUE(std::equal(end, end + 4, f.begin() + long(map + map_size - 4)));
    if (c.records == 6) {
      EXPECT_EQ(rl(25 + 9 * 5 + 1), 97u);
      EXPECT_EQ(rl(25 + 9 * 5 + 5), 123u);
    }
    TkDrawing* back = tk_open_drawing(path.c_str(), 1, 0);
    ASSERT_NE(back, nullptr) << tk_error_text(tk_get_last_error());
    tk_close_drawing(back);
  }
}

}  // namespace

namespace {

// The layer names and feature counts ogrinfo gives of a DWG file, and its exit status.
struct Ogr {
  int status;
  std::string text;
  std::vector<std::string> layers;
};

Ogr ogrinfo(const std::string& path) {
  Ogr r{-1, {}, {}};
  std::string cmd = "ogrinfo -ro -al -so '" + path + "' 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.text.append(buf, n);
  r.status = pclose(p);
  size_t at = 0;
  while (at < r.text.size()) {
    size_t end = r.text.find('\n', at);
    if (end == std::string::npos) end = r.text.size();
    std::string line = r.text.substr(at, end - at);
    if (line.rfind("Layer name:", 0) == 0 || line.rfind("Feature Count:", 0) == 0)
      r.layers.push_back(line);
    at = end + 1;
  }
  return r;
}

// Debian's gdal-bin reads DWG R2000 through its CAD driver: every AC1015 file written from the
// test drawings must open there, and one written from an R2000 DWG shows the layers and the
// per-layer feature counts that the driver shows of the source.
TEST_F(DwgWriteTest, AnIndependentReaderOpensTheR2000Files) {
  if (std::system("command -v ogrinfo > /dev/null 2>&1") != 0) GTEST_SKIP() << "no ogrinfo";
  const std::vector<std::string> files = drawings();
  if (files.empty()) GTEST_SKIP() << "no shared test data";
  int checked = 0, compared = 0;
  for (const std::string& file : files) {
    std::string source = vvtest::TestDataPath(file);
    TkDrawing* src = tk_open_drawing(source.c_str(), 1, 0);
    if (!src) continue;
    bool r2000_dwg = !src->is_dxf && src->version == TK_VERSION_AC1015;
    std::string out = dir + "/gdal.dwg";
    bool saved = tk_save_drawing(src, out.c_str(), TK_FILE_DWG, TK_VERSION_AC1015, 0, 16, 0, 0);
    tk_close_drawing(src);
    if (!saved) continue;  // a source older than R2000
    SCOPED_TRACE(file);
    Ogr written = ogrinfo(out);
    EXPECT_EQ(written.status, 0) << written.text;
    ++checked;
    if (!r2000_dwg) continue;
    Ogr original = ogrinfo(source);
    if (original.status != 0) continue;  // the driver cannot read the source itself
    EXPECT_EQ(written.layers, original.layers);
    ++compared;
  }
  EXPECT_GT(checked, 0);
  EXPECT_GT(compared, 0);
}

}  // namespace

namespace {

// An R2000 dimension style's handles stand where the object's frame says its data ends: its
// reactor and text style are read from there, and written back as read.
TEST_F(DwgWriteTest, R2000DimensionStyleHandlesSurviveASave) {
  std::string source = vvtest::TestDataPath("dwg/2000_Leader.dwg");
  if (source.empty()) GTEST_SKIP() << "no shared test data";
  auto check = [](TkDrawing* d) {
    TkDimStyleRecord r{};
    bool found = false;
    tk_dimstyle_rewind(d);
    while (!found && tk_dimstyle_next(d, &r)) found = tk_name_compare(r.name, "Annotative") == 0;
    ASSERT_TRUE(found);
    ASSERT_EQ(r.reactor_count, 1u);
    TkBlob* blob = blob_open_read(r.reactors);
    ASSERT_NE(blob, nullptr);
    TkHandle reactor{};
    EXPECT_TRUE(blob_read(blob, reactor.bytes, 8));
    blob_close(blob);
    EXPECT_EQ(reactor.bytes[6], 0x07);
    EXPECT_EQ(reactor.bytes[7], 0x2E);
    EXPECT_EQ(r.dimtxsty.bytes[7], 0x11);
  };
  TkDrawing* d = tk_open_drawing(source.c_str(), 1, 0);
  ASSERT_NE(d, nullptr);
  check(d);
  std::string out = dir + "/dimstyle.dwg";
  ASSERT_EQ(tk_save_drawing(d, out.c_str(), TK_FILE_DWG, TK_VERSION_AC1015, 0, 16, 0, 0), 1);
  tk_close_drawing(d);
  d = tk_open_drawing(out.c_str(), 1, 0);
  ASSERT_NE(d, nullptr);
  check(d);
  tk_close_drawing(d);
}

}  // namespace
