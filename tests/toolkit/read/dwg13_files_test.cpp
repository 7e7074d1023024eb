// The DWG drawings of releases AC1012, AC1014 and AC1015 of the shared test data, each opened
// through the open road and compared with what an independent reader found: table names,
// entities per layout and per block by type, the header values listed. Skipped where the test
// data is absent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "tests/support/TestData.h"
#include "tests/toolkit/read/dxf_json.h"
#include "tests/toolkit/core/core_support.h"
#include "tests/toolkit/read/dxf_support.h"
#include "toolkit/core/codepage_names.h"
#include "toolkit/core/error.h"
#include "toolkit/core/hdr.h"

namespace {

using dxf_test::Counts;
using dxf_test::Json;

std::string upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
  return s;
}

// The drawings of this reader: those whose first six bytes name AC1012, AC1014 or AC1015.
std::vector<std::string> bit_stream_drawings() {
  std::vector<std::string> out;
  for (const std::string& name : vvtest::TestDataFiles("dwg")) {
    if (name.size() > 5 && name.substr(name.size() - 5) == ".json") continue;
    std::vector<unsigned char> bytes;
    if (!vvtest::ReadWholeFile(vvtest::TestDataPath("dwg/" + name), bytes) || bytes.size() < 6)
      continue;
    std::string version(bytes.begin(), bytes.begin() + 6);
    if (version == "AC1012" || version == "AC1014" || version == "AC1015") out.push_back(name);
  }
  return out;
}

// Each reader adds records a drawing must have when its file lacks them, and not the same ones
// (the independent reader writes its own release and adds, for instance, the text style
// "Annotative"). A name is compared only when the file's bytes hold it.
bool in_file(const std::string& upper_bytes, const std::string& name) {
  return name.empty() || upper_bytes.find(upper(name)) != std::string::npos;
}

std::set<std::string> names_in_file(const std::vector<std::string>& names,
                                    const std::string& upper_bytes) {
  std::set<std::string> out;
  for (const auto& n : names)
    if (in_file(upper_bytes, n)) out.insert(upper(n));
  return out;
}

std::set<std::string> expected_names(const Json& json, const char* key,
                                     const std::string& upper_bytes) {
  std::vector<std::string> names;
  if (const Json* list = json.get(key))
    for (const Json& item : list->items) names.push_back(item.text);
  return names_in_file(names, upper_bytes);
}

Counts expected_counts(const Json& counts) {
  Counts out;
  for (const auto& m : counts.members) out[m.first] += static_cast<int>(m.second.number);
  return out;
}

void add_counts(Counts* into, const Counts& more) {
  for (const auto& m : more) (*into)[m.first] += m.second;
}

// Differences between the two readers, each explained; the counts are moved from our side's
// type to the name the independent reader gave (an empty name: it left the entity out).
struct KnownDifference {
  const char* file;
  const char* ours;
  const char* theirs;
  int count;
};
const KnownDifference known_differences[] = {
    // Entities of classes of later releases, kept as proxies by the AC1012 file: the program
    // that wrote the drawing's DXF exploded the table and the arc dimension into INSERTs of
    // their anonymous blocks and left the light out.
    {"example_r13.dwg", "ACAD_TABLE", "INSERT", 1},
    {"example_r13.dwg", "ARC_DIMENSION", "INSERT", 1},
    {"example_r13.dwg", "LIGHT", "", 1},
    // A multileader in an AC1014 file is a proxy; the DXF of that release names it so.
    {"r14_Leader.dwg", "MULTILEADER", "ACAD_PROXY_ENTITY", 1},
};

void apply_known_differences(const std::string& file, Counts* ours) {
  for (const KnownDifference& k : known_differences) {
    if (file != k.file || (*ours)[k.ours] < k.count) continue;
    if (((*ours)[k.ours] -= k.count) == 0) ours->erase(k.ours);
    if (*k.theirs) (*ours)[k.theirs] += k.count;
  }
}

// Arrowhead blocks ("_OPEN", "_DOT", ...) that a dimension style names and the drawing does not
// hold are built by the display when it first needs them; the independent reader built them on
// reading. Such a block is compared only when the drawing holds it.
bool arrow_built_on_demand(TkDrawing* d, const std::string& name) {
  return name.size() > 1 && name[0] == '_' && !dxf_test::find_block(d, name);
}

void compare_point(const Json& json, const char* key, const double* ours, int n) {
  const Json* v = json.get(key);
  if (!v) return;
  for (int i = 0; i < n && i < static_cast<int>(v->items.size()); ++i)
    EXPECT_NEAR(ours[i], v->items[i].number, 1e-9 * (1 + std::fabs(v->items[i].number)))
        << key << "[" << i << "]";
}

class Dwg13Files : public ::testing::Test {
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

TEST_F(Dwg13Files, EveryDrawingLoadsAsTheIndependentReaderSawIt) {
  VV_REQUIRE_TESTDATA();
  std::vector<std::string> files = bit_stream_drawings();
  ASSERT_FALSE(files.empty());
  for (const std::string& name : files) {
    SCOPED_TRACE(name);
    std::vector<unsigned char> bytes, json_bytes;
    ASSERT_TRUE(vvtest::ReadWholeFile(vvtest::TestDataPath("dwg/" + name), bytes));
    if (!vvtest::ReadWholeFile(vvtest::TestDataPath("dwg/" + name + ".expected.json"),
                               json_bytes))
      continue;  // a drawing without an expectation is only opened by the fuzz seeds
    Json json;
    ASSERT_TRUE(dxf_test::JsonReader(std::string(json_bytes.begin(), json_bytes.end())).parse(&json));

    TkDrawing* d =
        dxf_test::open_bytes(std::vector<uint8_t>(bytes.begin(), bytes.end()), "file.dwg");
    EXPECT_NE(d, nullptr) << "error " << tk_get_last_error() << " "
                          << tk_error_text(tk_get_last_error());
    if (!d) continue;
    const std::string file = upper(std::string(bytes.begin(), bytes.end()));

    EXPECT_EQ(names_in_file(dxf_test::table_names<TkLayerRecord>(&d->layers), file),
              expected_names(json, "layers", file));
    EXPECT_EQ(names_in_file(dxf_test::table_names<TkLinetypeRecord>(&d->linetypes), file),
              expected_names(json, "linetypes", file));
    EXPECT_EQ(names_in_file(dxf_test::table_names<TkTextStyleRecord>(&d->styles), file),
              expected_names(json, "styles", file));

    // Model space, then the paper-space layouts together: the active one is the drawing's paper
    // space, the others are *Paper_Space blocks.
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
    Counts model = dxf_test::count_entities(d, &d->model_entities);
    apply_known_differences(name, &model);
    EXPECT_EQ(model, model_expected) << "model space";
    Counts paper = dxf_test::count_entities(d, &d->paper_entities);
    for (const TkLink* l = list_first(&d->blocks); l; l = l->next) {
      const auto* b = static_cast<const TkBlockRecord*>(tk_link_data(l));
      if (b->entities == &d->paper_entities || b->entities == &d->model_entities) continue;
      if (upper(b->name).rfind("*PAPER_SPACE", 0) == 0)
        add_counts(&paper, dxf_test::count_entities(d, b->entities));
    }
    EXPECT_EQ(paper, paper_expected) << "paper space";

    if (const Json* blocks = json.get("blocks")) {
      for (const auto& m : blocks->members) {
        if (!in_file(file, m.first) || arrow_built_on_demand(d, m.first)) continue;
        const TkBlockRecord* b = dxf_test::find_block(d, m.first);
        EXPECT_TRUE(b && b->entities) << "block " << m.first;
        if (!b || !b->entities) continue;
        EXPECT_EQ(dxf_test::count_entities(d, b->entities), expected_counts(m.second))
            << "block " << m.first;
      }
    }

    const TkHeader* h = d->header;
    // The drawing's own program computed the extents again when it wrote the DXF that the
    // independent reader read; the DWG keeps those of its last save. Only a conversion of the
    // DWG itself gives the same extents.
    const Json* reader = json.get("reader");
    if (reader && reader->text.find("libredwg") != std::string::npos) {
      compare_point(json, "$EXTMIN", h->extmin, 3);
      compare_point(json, "$EXTMAX", h->extmax, 3);
    }
    compare_point(json, "$LIMMIN", h->limmin, 2);
    compare_point(json, "$LIMMAX", h->limmax, 2);
    compare_point(json, "$INSBASE", h->insbase, 3);
    if (const Json* t = json.get("$TILEMODE")) {
      EXPECT_EQ(h->tilemode, t->number);
    }
    if (const Json* v = json.get("file_version")) {
      EXPECT_EQ(std::string(h->acadver), v->text);
    }
    tk_close_drawing(d);
  }
}

// Prefixes of a small drawing open or fail cleanly: the file, the sections and the objects end
// somewhere in the middle, and nothing may be read past them or left allocated. Every prefix
// of the file header and first section, then one every 61 bytes (a stride prime to every field
// size, so the cuts fall at every position within objects across the file).
TEST_F(Dwg13Files, EveryTruncationOfASmallDrawingFailsCleanly) {
  VV_REQUIRE_TESTDATA();
  std::vector<unsigned char> bytes;
  ASSERT_TRUE(vvtest::ReadWholeFile(vvtest::TestDataPath("dwg/2000_Line.dwg"), bytes));
  int opened = 0;
  for (size_t n = 0; n < bytes.size(); n += n < 4096 ? 1 : 61) {
    TkDrawing* d = dxf_test::open_bytes(std::vector<uint8_t>(bytes.begin(), bytes.begin() + n),
                                        "cut.dwg");
    if (d) {
      ++opened;
      tk_close_drawing(d);
    } else {
      EXPECT_NE(tk_get_last_error(), 0) << n;
    }
    ASSERT_TRUE(load_test::open_files.empty()) << n;
  }
  EXPECT_LT(opened, static_cast<int>(bytes.size()));
}

}  // namespace
