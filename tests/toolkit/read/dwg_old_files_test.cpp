// DWG files of AC1002 to AC1009 as whole drawings: the files other programs wrote, compared with
// what an independent reader found in the DXF their CAD program wrote of them; the releases
// before AC1002 refused as unsupported; and every truncation of a small file, which must end
// in a drawing or a clean error, never a crash, a leak or a file left open.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "tests/support/TestData.h"
#include "tests/toolkit/read/dwg_old_fixture.h"
#include "tests/toolkit/read/dxf_json.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/symtab.h"

namespace {

using namespace dwg_old_test;
using dxf_test::Json;
using Counts = std::map<std::string, int>;

std::string upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
  return s;
}

bool read_file(const std::string& relative, std::vector<uint8_t>* out) {
  std::vector<unsigned char> bytes;
  if (!vvtest::ReadWholeFile(vvtest::TestDataPath(relative), bytes)) return false;
  out->assign(bytes.begin(), bytes.end());
  return true;
}

// The files of the byte-record releases, by their first six bytes.
std::vector<std::string> older_dwg_files() {
  std::vector<std::string> out;
  for (const std::string& name : vvtest::TestDataFiles("dwg")) {
    if (name.size() < 4 || name.substr(name.size() - 4) != ".dwg") continue;
    std::vector<uint8_t> bytes;
    if (!read_file("dwg/" + name, &bytes) || bytes.size() < 6) continue;
    std::string release(bytes.begin(), bytes.begin() + 6);
    if (release >= "AC1002" && release <= "AC1009") out.push_back(name);
  }
  return out;
}

// Entities by DXF name as the independent reader counts them: the members of a polyline, the
// attributes of an insert and the block brackets are not counted on their own.
Counts count_entities(const TkList* list) {
  Counts counts;
  for (const Unpacked& u : entities_of(list)) {
    uint16_t k = u.h.kind;
    if (k == TK_VERTEX || k == TK_SEQEND || k == TK_ATTRIB || k == TK_BLOCK || k == TK_ENDBLK)
      continue;
    ++counts[tk_entity_kind_name(k)];
  }
  return counts;
}

// The toolkit keeps a 3DLINE as the LINE it is.
Counts expected_counts(const Json& counts) {
  Counts out;
  for (const auto& m : counts.members)
    out[m.first == "3DLINE" ? "LINE" : m.first] += static_cast<int>(m.second.number);
  return out;
}

// Both sides add records a drawing must have when its file lacks them, and not the same ones
// (the CAD program's DXF carries a layer "DEFPOINTS" that its DWG does not): only names that
// the file's own bytes hold are compared. The by-linetypes, which neither file holds, are the
// exception: both readers add them.
bool in_file(const std::string& upper_bytes, const std::string& name) {
  std::string n = upper(name);
  if (n.empty() || n == "BYBLOCK" || n == "BYLAYER") return true;
  for (size_t at = upper_bytes.find(n); at != std::string::npos; at = upper_bytes.find(n, at + 1))
    if (at + n.size() == upper_bytes.size() || upper_bytes[at + n.size()] == 0) return true;
  return false;
}

template <typename Record>
std::set<std::string> names_of(const TkList* list, const std::string& file) {
  std::set<std::string> out;
  for (const TkLink* l = list_first(list); l; l = l->next) {
    const char* name = static_cast<const Record*>(tk_link_data(l))->name;
    if (in_file(file, name)) out.insert(upper(name));
  }
  return out;
}

std::set<std::string> expected_names(const Json& json, const char* key, const std::string& file) {
  std::set<std::string> out;
  if (const Json* list = json.get(key))
    for (const Json& item : list->items)
      if (in_file(file, item.text)) out.insert(upper(item.text));
  return out;
}

void compare_point(const Json& json, const char* key, const double* ours, int n) {
  const Json* v = json.get(key);
  if (!v) return;
  for (int i = 0; i < n && i < static_cast<int>(v->items.size()); ++i)
    EXPECT_NEAR(ours[i], v->items[i].number, 1e-6 * (1 + std::fabs(v->items[i].number)))
        << key << "[" << i << "]";
}

class OldFiles : public OldDwg {};

TEST_F(OldFiles, EveryFileLoadsAsTheIndependentReaderSawIt) {
  VV_REQUIRE_TESTDATA();
  std::vector<std::string> files = older_dwg_files();
  ASSERT_FALSE(files.empty());
  for (const std::string& name : files) {
    SCOPED_TRACE(name);
    std::vector<uint8_t> bytes, json_bytes;
    ASSERT_TRUE(read_file("dwg/" + name, &bytes));
    ASSERT_TRUE(read_file("dwg/" + name + ".expected.json", &json_bytes));
    Json json;
    ASSERT_TRUE(dxf_test::JsonReader(std::string(json_bytes.begin(), json_bytes.end())).parse(&json));

    TkDrawing* d = open_bytes(bytes);
    ASSERT_NE(d, nullptr) << "error " << tk_get_last_error() << " "
                          << tk_error_text(tk_get_last_error());
    if (const Json* v = json.get("file_version")) {
      EXPECT_EQ(d->header->acadver, v->text);
    }

    const std::string file = upper(std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(names_of<TkLayerRecord>(&d->layers, file), expected_names(json, "layers", file));
    EXPECT_EQ(names_of<TkLinetypeRecord>(&d->linetypes, file),
              expected_names(json, "linetypes", file));
    EXPECT_EQ(names_of<TkTextStyleRecord>(&d->styles, file), expected_names(json, "styles", file));

    const Json* layouts = json.get("layouts");
    ASSERT_NE(layouts, nullptr);
    for (const auto& layout : layouts->members) {
      const TkList* list = layout.first == "Model" ? &d->model_entities : &d->paper_entities;
      EXPECT_EQ(count_entities(list), expected_counts(layout.second)) << layout.first;
    }

    std::map<std::string, Counts> ours;
    for (const TkLink* l = list_first(&d->blocks); l; l = l->next) {
      auto* b = static_cast<const TkBlockRecord*>(tk_link_data(l));
      if (b->entities == &d->model_entities || b->entities == &d->paper_entities) continue;
      ours[b->name] = b->entities ? count_entities(b->entities) : Counts{};
    }
    std::map<std::string, Counts> theirs;
    if (const Json* blocks = json.get("blocks"))
      for (const auto& b : blocks->members) theirs[b.first] = expected_counts(b.second);
    EXPECT_EQ(ours, theirs);

    // Every INSERT names a block of the file, never one of the two space blocks.
    for (const Unpacked& u : entities_of(&d->model_entities)) {
      if (u.h.kind != TK_INSERT) continue;
      TkHandle block = tk_data_get<TkHandle>(&u.data, TK_INSERT_BLOCK);
      TkBlockRecord record;
      ASSERT_TRUE(tk_block_get(d, &block, &record));
      EXPECT_NE(upper(record.name), "*MODEL_SPACE");
      EXPECT_NE(upper(record.name), "*PAPER_SPACE");
    }

    const TkHeader* h = d->header;
    compare_point(json, "$EXTMIN", h->extmin, 3);
    compare_point(json, "$EXTMAX", h->extmax, 3);
    compare_point(json, "$LIMMIN", h->limmin, 2);
    compare_point(json, "$LIMMAX", h->limmax, 2);
    compare_point(json, "$INSBASE", h->insbase, 3);
    if (const Json* v = json.get("$TILEMODE")) {
      EXPECT_EQ(h->tilemode, v->number);
    }
    tk_close_drawing(d);
  }
}

// Releases before AC1002 are refused as unsupported, cleanly; so are the newest ones.
TEST_F(OldFiles, ReleasesOutsideTheRangeAreRefused) {
  VV_REQUIRE_TESTDATA();
  std::vector<std::string> names = vvtest::TestDataFiles("refused");
  ASSERT_FALSE(names.empty());
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(read_file("refused/" + name, &bytes));
    EXPECT_EQ(open_bytes(bytes), nullptr);
    EXPECT_EQ(tk_get_last_error(), 8) << tk_error_text(tk_get_last_error());
  }
}

// The same for files made here, so the rule holds where the shared data is absent.
TEST_F(OldFiles, EarlyReleaseTextsAreUnsupportedVersions) {
  for (const char* text : {"AC1.40", "AC1.50", "AC2.10", "AC2.21", "AC1001", "AC1021"}) {
    SCOPED_TRACE(text);
    File f(2);
    std::vector<uint8_t> bytes = f.build();
    std::memcpy(bytes.data(), text, 6);
    EXPECT_EQ(open_bytes(bytes), nullptr);
    EXPECT_EQ(tk_get_last_error(), 8);
  }
}

// Every prefix of a file either loads or fails with an error number; a prefix that cuts into
// the header, the entities or the tables always fails.
void every_truncation(const std::vector<uint8_t>& bytes, size_t must_fail_below) {
  for (size_t n = 0; n < bytes.size(); ++n) {
    std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<long>(n));
    TkDrawing* d = open_bytes(prefix);
    if (d) {
      EXPECT_GE(n, must_fail_below) << "a file cut at " << n << " loaded";
      tk_close_drawing(d);
    } else {
      EXPECT_NE(tk_get_last_error(), 0) << "cut at " << n;
    }
    ASSERT_TRUE(load_test::open_files.empty()) << "cut at " << n;
  }
}

File small_file(int16_t version) {
  File f(version);
  auto xy = [](Bytes b, double x, double y) { return b.rd(x).rd(y); };
  Entity line;
  line.kind = 1;
  line.body = xy(xy(Bytes(), 0, 0), 1, 1).b;
  if (version >= 3) line.body = Bytes().rd(0).rd(0).rd(0).rd(1).rd(1).rd(0).b;
  Entity insert;
  insert.kind = 14;
  insert.body = xy(Bytes().u16(0), 2, 2).b;
  f.entities = {line, insert};
  f.tables[LAYER].push_back(record_head(0, "0", version).i16(7).u16(0).b);
  f.tables[LTYPE].push_back(record_head(0, "CONTINUOUS", version).field("Solid", 48).u8('A')
                                .u8(0).rd(0).b);
  Entity block;
  block.kind = 12;
  block.body = xy(Bytes(), 0, 0).b;
  Entity endblk;
  endblk.kind = 13;
  Block b;
  b.name = "B";
  b.entities = {block, line, endblk};
  f.blocks = {b};
  return f;
}

TEST_F(OldFiles, EveryTruncationOfASmallFileFailsCleanly) {
  for (int16_t v : {0, 3, 4}) {
    SCOPED_TRACE(release_texts[v]);
    File f = small_file(v);
    std::vector<uint8_t> bytes = f.build();
    TkDrawing* whole = open_bytes(bytes);
    ASSERT_NE(whole, nullptr) << tk_get_last_error();
    EXPECT_EQ(count_entities(&whole->model_entities).size(), 2u);
    tk_close_drawing(whole);
    // The tables end where the block entities begin.
    size_t blocks_start = bytes[28] | bytes[29] << 8 | bytes[30] << 16;
    every_truncation(bytes, blocks_start);
  }
}

TEST_F(OldFiles, EveryTruncationOfARealFileFailsCleanly) {
  VV_REQUIRE_TESTDATA();
  std::vector<uint8_t> bytes;
  if (!read_file("dwg/r10_tmp_line.dwg", &bytes)) GTEST_SKIP() << "no small AC1006 file";
  size_t blocks_start = bytes[28] | bytes[29] << 8 | bytes[30] << 16;
  every_truncation(bytes, blocks_start);
}

}  // namespace

namespace {

// Every operation of the set is there but the separate block-record pass, which these files do
// not have: a missing one would make the load fail at that step for every such file.
TEST(OldDwgSet, EverySlotButTheBlockRecordPass) {
  const TkReaderOps* set = dwg_old_reader_ops();
  using Fn = void (*)();
  // The numbered slots, up to the last one (36); what follows them is no slot of a DWG set.
  constexpr size_t n = offsetof(TkReaderOps, begin_vports) / sizeof(Fn) + 1;
  Fn slots[n];
  std::memcpy(slots, set, sizeof slots);
  const size_t block_record = offsetof(TkReaderOps, read_block_record) / sizeof(Fn);
  for (size_t i = 0; i < n; ++i) EXPECT_EQ(slots[i] == nullptr, i == block_record) << i;
}

}  // namespace
