// Table records of DWG files of AC1002 to AC1009: each table's fields per release, records the
// file marks deleted, counts that run past the record, block headers with their entities and
// anonymous names, dimension-style arrow blocks, and the chain of viewport-entity headers.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/toolkit/read/dwg_old_fixture.h"
#include "toolkit/core/load_entities.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/dwg_old_file.h"
#include "toolkit/read/dwg_old_tables.h"

namespace {

using namespace dwg_old_test;

class OldTables : public OldDwg {};

template <typename Record>
std::vector<Record> records_of(const TkList* list) {
  std::vector<Record> out;
  for (const TkLink* l = list_first(list); l; l = l->next)
    out.push_back(*static_cast<const Record*>(tk_link_data(l)));
  return out;
}

Bytes ltype(int16_t v, const std::string& name, uint8_t count, int dashes) {
  Bytes r = record_head(0, name, v);
  r.field("- -", 48).u8('A').u8(count).rd(1.0);
  for (int i = 0; i < dashes; ++i) r.rd(0.5 + i);
  return r;
}

TEST_F(OldTables, LayersLinetypesAndStyles) {
  File f(4);
  f.tables[LTYPE].push_back(ltype(4, "CONTINUOUS", 0, 0).b);
  f.tables[LTYPE].push_back(ltype(4, "DASHED", 2, 2).b);
  f.tables[LTYPE].push_back(ltype(4, "BROKEN", 200, 12).b);
  f.tables[LAYER].push_back(record_head(0, "0", 4).i16(7).u16(0).b);
  f.tables[LAYER].push_back(record_head(0, "OFF", 4).i16(-3).u16(1).b);
  f.tables[LAYER].push_back(record_head(128, "GONE", 4).i16(1).u16(0).b);
  f.tables[STYLE].push_back(record_head(0, "STANDARD", 4).rd(0).rd(1).rd(0.25).u8(2).rd(0.2)
                                .field("txt", 64).field("big", 64).b);
  f.tables[STYLE].push_back(record_head(1, "SHAPES", 4).rd(0).rd(1).rd(0).u8(0).rd(0)
                                .field("ltypeshp", 64).field("ignored", 64).b);
  TkDrawing* d = load(f);
  ASSERT_NE(d, nullptr);

  auto layers = records_of<TkLayerRecord>(&d->layers);
  ASSERT_EQ(layers.size(), 2u) << "the deleted layer is passed over";
  EXPECT_STREQ(layers[1].name, "OFF");
  EXPECT_EQ(layers[1].color, -3);
  EXPECT_EQ(layers[1].xref_index, 0);
  TkHandle dashed;
  ASSERT_TRUE(tk_ltype_find(d, "DASHED", &dashed));
  EXPECT_EQ(tk_handle_compare(&layers[1].linetype, &dashed), 0);

  TkLinetypeRecord lt;
  ASSERT_TRUE(tk_ltype_get(d, &dashed, &lt));
  EXPECT_EQ(lt.element_count, 2);
  EXPECT_EQ(lt.elements[1].length, 1.5);
  EXPECT_STREQ(lt.description, "- -");
  TkHandle broken;
  ASSERT_TRUE(tk_ltype_find(d, "BROKEN", &broken));
  ASSERT_TRUE(tk_ltype_get(d, &broken, &lt));
  EXPECT_EQ(lt.element_count, 0) << "an element count of 200 is negative";

  auto styles = records_of<TkTextStyleRecord>(&d->styles);
  ASSERT_EQ(styles.size(), 2u);
  EXPECT_EQ(styles[0].oblique_angle, 0.25);
  EXPECT_EQ(styles[0].generation_flags, 2);
  EXPECT_STREQ(styles[0].font_file, "txt");
  EXPECT_STREQ(styles[0].bigfont_file, "big");
  EXPECT_STREQ(styles[1].bigfont_file, "") << "flag bit 1 takes no big font";
  tk_close_drawing(d);
}

// Fifteen dashes at most, and never more than the record holds.
TEST_F(OldTables, DashCountsBeyondTheLimitOrTheRecord) {
  struct Case {
    uint16_t record_size;
    uint8_t count;
    int16_t expected;
  } const cases[] = {{93 + 15 * 8 + 2, 20, 15}, {191, 20, 12}, {191, 3, 3}, {100, 5, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.record_size << " " << int(c.count));
    File f(4);
    f.sizes[LTYPE] = c.record_size;
    Bytes r = ltype(4, "L", c.count, 15);
    r.b.resize(std::min<size_t>(r.b.size(), c.record_size));
    f.tables[LTYPE].push_back(r.b);
    TkDrawing* d = load(f);
    ASSERT_NE(d, nullptr);
    TkHandle h;
    TkLinetypeRecord lt;
    ASSERT_TRUE(tk_ltype_find(d, "L", &h));
    ASSERT_TRUE(tk_ltype_get(d, &h, &lt));
    EXPECT_EQ(lt.element_count, c.expected);
    if (c.expected == 15) {
      EXPECT_EQ(lt.elements[14].length, 14.5);
    }
    tk_close_drawing(d);
  }
}

TEST_F(OldTables, ViewsUcssViewportsAndApplications) {
  for (int16_t v : {2, 3, 4}) {
    SCOPED_TRACE(release_texts[v]);
    File f(v);
    Bytes view = record_head(0, "V1", v);
    view.rd(10).rd(1).rd(2).rd(20).rd(0).rd(0).rd(1);
    if (v >= 3) view.u16(0).rd(5).rd(6).rd(7).rd(35).rd(0.1).rd(0.2).rd(0.3).u16(3);
    f.tables[VIEW].push_back(view.b);
    if (v >= 3) {
      f.tables[UCS].push_back(
          record_head(0, "U1", v).rd(1).rd(2).rd(3).rd(0).rd(1).rd(0).rd(-1).rd(0).rd(0).b);
      Bytes vp = record_head(0, "*ACTIVE", v);
      vp.rd(0).rd(0).rd(1).rd(1).rd(0).rd(0).rd(0).rd(0).rd(0).rd(1).rd(0).rd(9).rd(4).rd(5);
      vp.rd(1.5).rd(50).rd(0).rd(0);
      vp.i16(0).i16(100).i16(1).i16(3).i16(1).i16(1).i16(0).i16(0).rd(0.5);
      vp.rd(0).rd(0).rd(1).rd(1).rd(2).rd(2);
      f.tables[VPORT].push_back(vp.b);
    }
    if (v >= 4) {
      f.tables[APPID].push_back(record_head(0, "ACAD", v).b);
      f.tables[APPID].push_back(record_head(128, "KEPT", v).b);
    }
    TkDrawing* d = load(f);
    ASSERT_NE(d, nullptr);
    auto views = records_of<TkViewRecord>(&d->views);
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(views[0].height, 10.0);
    EXPECT_EQ(views[0].center[1], 2.0);
    EXPECT_EQ(views[0].width, 20.0);
    EXPECT_EQ(views[0].direction[2], 1.0);
    if (v >= 3) {
      EXPECT_EQ(views[0].target[2], 7.0);
      EXPECT_EQ(views[0].lens_length, 35.0);
      EXPECT_EQ(views[0].back_clip, 0.3);
      EXPECT_EQ(views[0].view_mode, 3);
      auto ucss = records_of<TkUcsRecord>(&d->ucss);
      ASSERT_EQ(ucss.size(), 1u);
      EXPECT_EQ(ucss[0].origin[2], 3.0);
      EXPECT_EQ(ucss[0].y_axis[0], -1.0);
      auto vports = records_of<TkVportRecord>(&d->vports);
      ASSERT_EQ(vports.size(), 1u);
      EXPECT_EQ(vports[0].height, 9.0);
      EXPECT_EQ(vports[0].aspect_ratio, 1.5);
      EXPECT_EQ(vports[0].circle_zoom, 100);
      EXPECT_EQ(vports[0].ucs_icon, 3);
      EXPECT_EQ(vports[0].snap_angle, 0.5);
      EXPECT_EQ(vports[0].grid_spacing[1], 2.0);
    } else {
      EXPECT_EQ(views[0].lens_length, 50.0);
      EXPECT_EQ(views[0].target[0], 0.0);
      EXPECT_EQ(views[0].twist, 0.0);
    }
    if (v >= 4) {
      auto apps = records_of<TkAppIdRecord>(&d->appids);
      ASSERT_EQ(apps.size(), 2u) << "an application is never dropped";
      EXPECT_EQ(apps[1].flags, 128);
    }
    tk_close_drawing(d);
  }
}

Entity simple(uint8_t kind, std::vector<uint8_t> body = {}) {
  Entity e;
  e.kind = kind;
  e.body = std::move(body);
  return e;
}

std::vector<uint8_t> line_body() {
  return Bytes().rd(0).rd(0).rd(0).rd(1).rd(1).rd(0).b;
}

TEST_F(OldTables, BlocksWithTheirEntitiesAndAnonymousNames) {
  File f(3);
  Block a;
  a.name = "DOOR";
  a.entities = {simple(12, Bytes().rd(0).rd(0).b), simple(1, line_body()),
                simple(1, line_body()), simple(13)};
  Block anon;
  anon.name = "*D";
  anon.flags = 1 | 4;  // anonymous; bit 4 means nothing before AC1009
  anon.entities = {simple(12, Bytes().rd(0).rd(0).b), simple(3, Bytes().rd(0).rd(0).rd(1).b),
                   simple(13)};
  Block gone;
  gone.name = "GONE";
  gone.flags = 128;
  gone.entities = {simple(12, Bytes().rd(0).rd(0).b), simple(13)};
  f.blocks = {a, anon, gone};
  TkDrawing* d = load(f);
  ASSERT_NE(d, nullptr);
  std::set<std::string> names;
  for (const TkLink* l = list_first(&d->blocks); l; l = l->next) {
    auto* b = static_cast<const TkBlockRecord*>(tk_link_data(l));
    names.insert(b->name);
    if (std::string(b->name) == "DOOR") {
      auto members = entities_of(b->entities);
      ASSERT_EQ(members.size(), 4u);
      EXPECT_EQ(members[0].h.kind, TK_BLOCK);
      EXPECT_STREQ(tk_data_text(&members[0].data, 24), "DOOR");
      EXPECT_EQ(members[3].h.kind, TK_ENDBLK);
    }
    if (std::string(b->name) == "*D1") {
      EXPECT_EQ(b->flags, 1);
      auto members = entities_of(b->entities);
      ASSERT_EQ(members.size(), 3u);
      EXPECT_EQ(members[1].h.kind, TK_CIRCLE);
    }
  }
  EXPECT_EQ(names, (std::set<std::string>{"*Model_Space", "*Paper_Space", "DOOR", "*D1"}));
  tk_close_drawing(d);
}

// A block without its ENDBLK ends where the next block begins.
TEST_F(OldTables, BlockWithoutItsEnd) {
  File f(3);
  Block open;
  open.name = "OPEN";
  open.entities = {simple(12, Bytes().rd(0).rd(0).b), simple(1, line_body())};
  Block next;
  next.name = "NEXT";
  next.entities = {simple(12, Bytes().rd(0).rd(0).b), simple(3, Bytes().rd(0).rd(0).rd(1).b),
                   simple(13)};
  f.blocks = {open, next};
  TkDrawing* d = load(f);
  ASSERT_NE(d, nullptr);
  std::map<std::string, size_t> sizes;
  for (const TkLink* l = list_first(&d->blocks); l; l = l->next) {
    auto* b = static_cast<const TkBlockRecord*>(tk_link_data(l));
    sizes[b->name] = entities_of(b->entities).size();
  }
  EXPECT_EQ(sizes["OPEN"], 2u);
  EXPECT_EQ(sizes["NEXT"], 3u);
  tk_close_drawing(d);
}

// Block records that all start at one run of records without an ENDBLK: each walk alone stays
// within the section, but together they read no more records than the section can hold (8 bytes
// each, and one more per walk), so the blocks cannot cost blocks times records.
TEST_F(OldTables, BlockWalksTogetherStayWithinTheSection) {
  File f(3);
  Block run;
  run.name = "RUN";
  run.entities = {simple(12, Bytes().rd(0).rd(0).b)};
  for (int i = 0; i < 40; ++i) run.entities.push_back(simple(1, line_body()));
  f.blocks = {run};
  for (size_t records : {60u, 6u}) {
    SCOPED_TRACE(records);
    f.tables[BLOCK].clear();
    for (size_t i = 0; i < records; ++i) {
      Bytes r = record_head(0, "B" + std::to_string(i), 3);
      r.u32(0x40000000u);
      f.tables[BLOCK].push_back(r.b);
    }
    std::vector<uint8_t> bytes = f.build();
    TkDrawing* d = open_bytes(bytes);
    ASSERT_NE(d, nullptr) << tk_get_last_error();
    size_t total = 0, full = 0;
    for (const TkLink* l = list_first(&d->blocks); l; l = l->next) {
      auto* b = static_cast<const TkBlockRecord*>(tk_link_data(l));
      if (b->name[0] != 'B') continue;
      size_t n = entities_of(b->entities).size();
      total += n;
      if (n == 41) ++full;
    }
    EXPECT_LE(total, bytes.size() / 8 + records);
    // Six walks of the run fit within the bound.
    EXPECT_EQ(full, records == 6 ? 6u : full);
    EXPECT_GE(full, 1u);
    tk_close_drawing(d);
  }
}

// AC1009 BLOCK entities carry the block's name and external-reference path.
TEST_F(OldTables, Ac1009BlockEntityNames) {
  File f(4);
  Block b;
  b.name = "X";
  b.entities = {simple(12, Bytes().rd(0).rd(0).text("C:\\REF.DWG").text("LONGNAME").b),
                simple(13)};
  b.entities[0].options = 2 | 4;
  f.blocks = {b};
  TkDrawing* d = load(f);
  ASSERT_NE(d, nullptr);
  const TkLink* l = list_first(&d->blocks);
  for (; l; l = l->next)
    if (std::string(static_cast<const TkBlockRecord*>(tk_link_data(l))->name) == "X") break;
  ASSERT_NE(l, nullptr);
  auto members = entities_of(static_cast<const TkBlockRecord*>(tk_link_data(l))->entities);
  ASSERT_EQ(members.size(), 2u);
  EXPECT_STREQ(tk_data_text(&members[0].data, 24), "LONGNAME");
  EXPECT_STREQ(tk_data_text(&members[0].data, 536), "C:\\REF.DWG");
  tk_close_drawing(d);
}

TEST_F(OldTables, DimensionStylesFindTheirArrowBlocks) {
  File f(4);
  Block arrow;
  arrow.name = "ARROW";
  arrow.entities = {simple(12, Bytes().rd(0).rd(0).b), simple(13)};
  f.blocks = {arrow};
  Bytes r = record_head(0, "MINE", 4);
  for (int i = 0; i < 15; ++i) r.rd(i + 1);
  for (int i = 0; i < 14; ++i) r.u8(uint8_t(i & 1));
  r.field("mm", 16).field("in", 16).field("ARROW", 33).field("NOSUCH", 33).field("", 33);
  r.i16(1).i16(2).i16(3).rd(1.5).rd(0.625);
  f.tables[DIMSTYLE].push_back(r.b);
  TkDrawing* d = load(f);
  ASSERT_NE(d, nullptr);
  auto styles = records_of<TkDimStyleRecord>(&d->dimstyles);
  ASSERT_EQ(styles.size(), 1u);
  const TkDimStyleRecord& s = styles[0];
  EXPECT_STREQ(s.name, "MINE");
  EXPECT_EQ(s.dimscale, 1.0);
  EXPECT_EQ(s.dimtvp, 15.0);
  EXPECT_EQ(s.dimtoh, 1);
  EXPECT_EQ(s.dimsoxd, 1);
  EXPECT_STREQ(s.dimpost, "mm");
  EXPECT_EQ(s.dimclrt, 3);
  EXPECT_EQ(s.dimgap, 0.625);
  TkHandle arrow_handle;
  ASSERT_TRUE(tk_find_record_by_name(d, "ARROW", &arrow_handle));
  EXPECT_EQ(tk_handle_compare(&s.dimblk, &arrow_handle), 0);
  EXPECT_TRUE(tk_handle_is_null(&s.dimblk1)) << "a name that names no block";
  EXPECT_TRUE(tk_handle_is_null(&s.dimblk2));
  tk_close_drawing(d);
}

Bytes vpent(uint8_t flags, uint32_t position, uint16_t next) {
  return record_head(flags, "", 4).u32(position).u16(next);
}

// The header chain gives the VIEWPORT positions; each read numbers its viewport by them.
TEST_F(OldTables, ViewportEntityHeaders) {
  File f(4);
  f.tables[VPENT] = {vpent(0, 0, 0).b,   vpent(1, 500, 2).b, vpent(1, 600, 0).b,
                     vpent(1, 900, 0).b, vpent(0, 500, 0).b, vpent(129, 600, 0).b};
  f.set_i16(1589, 1);
  std::vector<uint8_t> bytes = f.build();
  TkDrawing* d = open_bytes(bytes);
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  d->file = file_open("mem.dwg");  // the load closed it; the headers are read with it open
  ASSERT_NE(d->file, nullptr);
  ASSERT_EQ(dwg_old_begin_vpent_headers(d), 1);
  auto* s = static_cast<DwgOldState*>(d->reader_state);
  ASSERT_EQ(s->vpent_kept, 2);
  EXPECT_EQ(s->vpent_positions[1], 600u);
  const int16_t numbers[] = {0, 1, 2, -1, 0, 2};
  for (int i = 0; i < 6; ++i) {
    TkViewportEntityHeader h;
    ASSERT_EQ(dwg_old_read_vpent_header(d, &h), 1) << i;
    EXPECT_EQ(h.viewport_number, numbers[i]) << i;
    EXPECT_EQ(h.end, i == 5 ? 1 : 0) << i;
  }
  TkViewportEntityHeader past;
  EXPECT_EQ(dwg_old_read_vpent_header(d, &past), 0) << "no seventh record";

  // A chain that names a header beyond 2000 is damage.
  static int16_t heard = 0;
  tk_state->error_callback = [](int16_t code) { heard = code; };
  DwgOldState saved = *s;
  s->first_vpent_header = 2;
  file_close(d->file);
  bytes[s->tables[DWG_OLD_VPENT].position + 2 * 43 + 39] = 0xD1;
  bytes[s->tables[DWG_OLD_VPENT].position + 2 * 43 + 40] = 0x07;  // 2001
  load_test::mem_files["mem.dwg"] = bytes;
  d->file = file_open("mem.dwg");
  EXPECT_EQ(dwg_old_begin_vpent_headers(d), 0);
  EXPECT_EQ(heard, 6);
  *s = saved;
  file_close(d->file);
  d->file = nullptr;
  tk_close_drawing(d);
}

}  // namespace

namespace {

using namespace dwg_old_test;

// The load numbers the paper-space viewports through the headers: each header names its
// VIEWPORT by file position.
TEST_F(OldTables, ViewportsNumberedThroughTheirHeaders) {
  auto viewport = [](int16_t number) {
    Entity e;
    e.kind = 24;
    e.extra = true;
    e.extra_flags = 2 | 4;
    e.xdata = Bytes().u8(1).u16(0).u8(70).i16(16).b;
    e.body = Bytes().u16(1).rd(5).rd(5).rd(0).rd(10).rd(8).i16(number).b;
    return e;
  };
  File f(4);
  f.entities = {viewport(7), viewport(7)};
  f.tables[APPID].push_back(record_head(0, "ACAD", 4).b);
  // Where the two VIEWPORT records will stand: right behind the header and its sentinel.
  const uint32_t first = 1743;
  const uint32_t second = first + uint32_t(entity_record(f.entities[0], 4).size());
  f.tables[VPENT] = {vpent(0, 0, 0).b, vpent(1, second, 2).b, vpent(1, first, 0).b};
  f.set_i16(1589, 1);
  TkDrawing* d = load(f);
  ASSERT_NE(d, nullptr);
  auto paper = entities_of(&d->paper_entities);
  ASSERT_EQ(paper.size(), 2u);
  EXPECT_EQ(tk_data_get<int16_t>(&paper[0].data, TK_VIEWPORT_NUMBER), 2);
  EXPECT_EQ(tk_data_get<int16_t>(&paper[1].data, TK_VIEWPORT_NUMBER), 1);
  tk_close_drawing(d);
}

}  // namespace
