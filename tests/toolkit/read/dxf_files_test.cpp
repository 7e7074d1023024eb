// DXF files written by other programs, text and binary, opened through the open road and
// compared with what an independent reader found in them: table record names, entity counts by
// type per layout and per block, and some header values. Skipped where the shared test data is
// absent. Where the two readers differ, the test says why and who is right from the bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "tests/support/TestData.h"
#include "tests/toolkit/read/dxf_json.h"
#include "tests/toolkit/core/core_support.h"
#include "tests/toolkit/read/dxf_support.h"
#include "toolkit/core/codepage_names.h"
#include "toolkit/core/hdr.h"

namespace {

using dxf_test::Counts;
using dxf_test::Json;

struct DrawingFile {
  std::string folder;
  std::string name;
};

std::vector<DrawingFile> drawing_files() {
  std::vector<DrawingFile> files;
  for (const char* folder : {"dxf", "dxf-binary"})
    for (const std::string& name : vvtest::TestDataFiles(folder))
      if (name.size() > 4 && name.substr(name.size() - 4) == ".dxf") files.push_back({folder, name});
  return files;
}

std::string upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
  return s;
}

// Both readers add records a drawing must have when its file lacks them, and not the same ones
// (the independent reader upgrades older files to AC1015 and adds, for instance, the layer
// "Defpoints" and arrow blocks such as "_CLOSEDFILLED"). Only names that the file's own bytes
// hold are compared, on both sides: a name found nowhere in the file came from a reader.
bool in_file(const std::string& upper_text, const std::string& name) {
  if (name.empty()) return true;
  // A whole value: a line of its own in a text file, a zero-terminated string in a binary one.
  const std::string n = upper(name);
  for (size_t at = upper_text.find(n); at != std::string::npos; at = upper_text.find(n, at + 1)) {
    char before = at ? upper_text[at - 1] : '\n';
    char after = at + n.size() < upper_text.size() ? upper_text[at + n.size()] : '\n';
    bool starts = before == '\n' || before == '\0' || before == '\2';
    bool ends = after == '\r' || after == '\n' || after == '\0';
    if (starts && ends) return true;
  }
  return false;
}

std::set<std::string> upper_set(const std::vector<std::string>& names, const std::string& file) {
  std::set<std::string> out;
  for (const auto& n : names)
    if (in_file(file, n)) out.insert(upper(n));
  return out;
}

std::set<std::string> expected_names(const Json& json, const char* key, const std::string& file) {
  std::set<std::string> out;
  if (const Json* list = json.get(key))
    for (const Json& item : list->items)
      if (in_file(file, item.text)) out.insert(upper(item.text));
  return out;
}

// The toolkit keeps a 3DLINE as the LINE it is.
Counts expected_counts(const Json& counts) {
  Counts out;
  for (const auto& m : counts.members)
    out[m.first == "3DLINE" ? "LINE" : m.first] += static_cast<int>(m.second.number);
  return out;
}

void add_counts(Counts* into, const Counts& more) {
  for (const auto& m : more) (*into)[m.first] += m.second;
}

class DxfFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    core_test::counts = core_test::Counts{};
    ASSERT_TRUE(dxf_test::start_toolkit(core_test::counting_alloc, core_test::counting_free));
  }
  void TearDown() override {
    dxf_test::stop_toolkit();
    EXPECT_EQ(core_test::counts.live, 0) << "blocks left allocated";
  }
};

void compare_point(const Json& json, const char* key, const double* ours, int n,
                   const std::string& file) {
  const Json* v = json.get(key);
  if (!v) return;
  for (int i = 0; i < n && i < static_cast<int>(v->items.size()); ++i)
    EXPECT_NEAR(ours[i], v->items[i].number, 1e-9 * (1 + std::fabs(v->items[i].number)))
        << file << " " << key << "[" << i << "]";
}

TEST_F(DxfFiles, EveryFileLoadsAsTheIndependentReaderSawIt) {
  VV_REQUIRE_TESTDATA();
  std::vector<DrawingFile> files = drawing_files();
  ASSERT_FALSE(files.empty());
  for (const DrawingFile& f : files) {
    SCOPED_TRACE(f.folder + "/" + f.name);
    std::vector<unsigned char> bytes, json_bytes;
    ASSERT_TRUE(vvtest::ReadWholeFile(vvtest::TestDataPath(f.folder + "/" + f.name), bytes));
    ASSERT_TRUE(vvtest::ReadWholeFile(
        vvtest::TestDataPath(f.folder + "/" + f.name + ".expected.json"), json_bytes));
    std::string json_text(json_bytes.begin(), json_bytes.end());
    Json json;
    ASSERT_TRUE(dxf_test::JsonReader(json_text).parse(&json));

    TkDrawing* d = dxf_test::open_bytes(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    EXPECT_NE(d, nullptr) << "error " << tk_get_last_error() << " "
                          << tk_error_text(tk_get_last_error());
    if (!d) continue;
    const std::string file = upper(std::string(bytes.begin(), bytes.end()));

    EXPECT_EQ(upper_set(dxf_test::table_names<TkLayerRecord>(&d->layers), file),
              expected_names(json, "layers", file));
    EXPECT_EQ(upper_set(dxf_test::table_names<TkLinetypeRecord>(&d->linetypes), file),
              expected_names(json, "linetypes", file));
    EXPECT_EQ(upper_set(dxf_test::table_names<TkTextStyleRecord>(&d->styles), file),
              expected_names(json, "styles", file));

    // Model space, then every paper-space layout together: the active one is the drawing's
    // paper space, the others are *Paper_Space blocks.
    Counts model_expected, paper_expected;
    if (const Json* layouts = json.get("layouts")) {
      for (const auto& m : layouts->members) {
        if (m.first == "Model") {
          model_expected = expected_counts(m.second);
        } else {
          add_counts(&paper_expected, expected_counts(m.second));
        }
      }
    }
    EXPECT_EQ(dxf_test::count_entities(d, &d->model_entities), model_expected) << "model space";
    Counts paper = dxf_test::count_entities(d, &d->paper_entities);
    for (const TkLink* l = list_first(&d->blocks); l; l = l->next) {
      const auto* b = static_cast<const TkBlockRecord*>(tk_link_data(l));
      if (b->entities == &d->paper_entities || b->entities == &d->model_entities) continue;
      if (upper(b->name).rfind("*PAPER_SPACE", 0) == 0) add_counts(&paper, dxf_test::count_entities(d, b->entities));
    }
    EXPECT_EQ(paper, paper_expected) << "paper space";

    if (const Json* blocks = json.get("blocks")) {
      for (const auto& m : blocks->members) {
        if (!in_file(file, m.first)) continue;
        const TkBlockRecord* b = dxf_test::find_block(d, m.first);
        EXPECT_TRUE(b && b->entities) << "block " << m.first;
        if (!b || !b->entities) continue;
        EXPECT_EQ(dxf_test::count_entities(d, b->entities), expected_counts(m.second))
            << "block " << m.first;
      }
    }

    const TkHeader* h = d->header;
    compare_point(json, "$EXTMIN", h->extmin, 3, f.name);
    compare_point(json, "$EXTMAX", h->extmax, 3, f.name);
    compare_point(json, "$LIMMIN", h->limmin, 2, f.name);
    compare_point(json, "$LIMMAX", h->limmax, 2, f.name);
    compare_point(json, "$INSBASE", h->insbase, 3, f.name);
    if (const Json* t = json.get("$TILEMODE")) {
      EXPECT_EQ(h->tilemode, t->number);
    }
    if (const Json* cp = json.get("$DWGCODEPAGE")) {
      EXPECT_TRUE(h->dwgcodepage >= 0 && h->dwgcodepage < 42);
      if (h->dwgcodepage >= 0 && h->dwgcodepage < 42) {
        EXPECT_EQ(upper(tk_codepage_names[h->dwgcodepage]), upper(cp->text));
      }
    }
    // The independent reader upgrades what it loads; the toolkit keeps the file's release,
    // reading the releases before AC1009 as they are.
    if (const Json* v = json.get("file_version")) {
      EXPECT_EQ(std::string(h->acadver), v->text);
    }
    tk_close_drawing(d);
  }
}

}  // namespace
