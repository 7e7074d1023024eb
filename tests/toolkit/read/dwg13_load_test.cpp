// Whole AC1015 drawings built with the bit writer, loaded through the open road: entities of
// each space and block with their complex entities, the walk's edge cases that only a whole
// drawing shows (an INSERT with attributes last in its block, a drawing without paper-space
// entities, BLOCKs without a layer, the linetype codes), every truncation through the full load,
// and the shared drawing that has no expectation file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/TestData.h"
#include "tests/toolkit/core/core_support.h"
#include "tests/toolkit/read/dwg13_drawing.h"
#include "tests/toolkit/read/dxf_support.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"

namespace {

using dwg13_fixture::Drawing;
using dwg13_fixture::Ent;
using dwg13_fixture::handle_of;
using dwg13_fixture::value_of;
namespace ents = dwg13_fixture::ents;

class Dwg13Load : public ::testing::Test {
 protected:
  void SetUp() override {
    core_test::counts = core_test::Counts{};
    ASSERT_TRUE(dxf_test::start_toolkit(core_test::counting_alloc, core_test::counting_free));
  }
  void TearDown() override {
    if (d) tk_close_drawing(d);
    dxf_test::stop_toolkit();
    EXPECT_EQ(core_test::counts.live, 0) << "blocks left allocated";
  }
  TkDrawing* Open(Drawing& drawing) {
    d = dxf_test::open_bytes(drawing.build(), "built.dwg");
    EXPECT_NE(d, nullptr) << "error " << tk_get_last_error();
    return d;
  }

  TkDrawing* d = nullptr;
};

std::vector<TkEntityHeader> headers_of(const TkList* list) {
  std::vector<TkEntityHeader> out;
  for (const TkLink* l = list_first(list); l; l = l->next) {
    TkEntityHeader h{};
    TkEntityData data;
    if (entity_unpack(l, &h, &data, nullptr, nullptr)) out.push_back(h);
  }
  return out;
}

std::vector<uint16_t> kinds_of(const TkList* list) {
  std::vector<uint16_t> out;
  for (const TkEntityHeader& h : headers_of(list)) out.push_back(h.kind);
  return out;
}

// A block whose last entity is an INSERT with attributes ends after its SEQEND with its ENDBLK,
// and the spaces and blocks keep their entities apart.
TEST_F(Dwg13Load, SpacesAndBlocksWithComplexEntities) {
  Drawing drawing;
  uint64_t inner = drawing.block("INNER", {ents::line(0)});
  drawing.block("OUTER", {ents::circle(0), ents::insert(1, inner, {ents::text(0, "1", "A"),
                                                                  ents::text(0, "2", "B")})});
  drawing.model({ents::line(0), ents::circle(1), ents::circle(2, true), ents::point(3),
                 ents::text(4, "hello"), ents::solid(5), ents::ellipse(6),
                 ents::mtext(7, "mtext"), ents::polyline(8, 3), ents::insert(9, inner)});
  drawing.paper({ents::line(1)});
  ASSERT_NE(Open(drawing), nullptr);
  EXPECT_EQ(dxf_test::count_entities(d, &d->model_entities),
            (dxf_test::Counts{{"ARC", 1}, {"CIRCLE", 1}, {"ELLIPSE", 1}, {"INSERT", 1},
                              {"LINE", 1}, {"MTEXT", 1}, {"POINT", 1}, {"POLYLINE", 1},
                              {"SOLID", 1}, {"TEXT", 1}}));
  EXPECT_EQ(kinds_of(&d->paper_entities), (std::vector<uint16_t>{TK_LINE}));
  const TkBlockRecord* outer = dxf_test::find_block(d, "OUTER");
  ASSERT_NE(outer, nullptr);
  EXPECT_EQ(kinds_of(outer->entities),
            (std::vector<uint16_t>{TK_BLOCK, TK_CIRCLE, TK_INSERT, TK_ATTRIB, TK_ATTRIB,
                                   TK_SEQEND, TK_ENDBLK}));
  const TkBlockRecord* b = dxf_test::find_block(d, "INNER");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(kinds_of(b->entities), (std::vector<uint16_t>{TK_BLOCK, TK_LINE, TK_ENDBLK}));
}

// Entities of codes without a body reader (an old OLE frame, code 43, and codes no release
// gives an entity) are passed over by their size: the links to the entities after them come
// from their own handle stream, whatever their data holds, and none is stored.
TEST_F(Dwg13Load, EntitiesOfUnknownCodesArePassedOver) {
  for (uint16_t code : {9, 43, 300}) {
    SCOPED_TRACE(code);
    Ent unknown(code, [](TkBitWriter* w) {
      // Data that would read as handles and texts if it were taken for them.
      for (int i = 0; i < 5; ++i) bits_write_rc(w, 0x51);
      bits_write_text(w, "not read");
      bits_write_bd(w, 12.5);
    }, [](TkBitWriter* w) {
      TkHandle extra = handle_of(0x7777);
      bits_write_handle(w, &extra, 0x50);
    });
    Drawing drawing;
    drawing.model({ents::line(0), unknown, ents::circle(1), unknown, ents::polyline(2, 2)});
    drawing.paper({unknown, ents::line(3)});
    ASSERT_NE(Open(drawing), nullptr);
    EXPECT_EQ(kinds_of(&d->model_entities),
              (std::vector<uint16_t>{TK_LINE, TK_CIRCLE, TK_POLYLINE, TK_VERTEX, TK_VERTEX,
                                     TK_SEQEND}));
    EXPECT_EQ(kinds_of(&d->paper_entities), (std::vector<uint16_t>{TK_LINE}));
    tk_close_drawing(d);
    d = nullptr;
  }
}

TEST_F(Dwg13Load, ADrawingWithoutPaperSpaceEntities) {
  Drawing drawing;
  drawing.model({ents::line(0), ents::polyline(1, 2)});
  ASSERT_NE(Open(drawing), nullptr);
  EXPECT_EQ(kinds_of(&d->model_entities),
            (std::vector<uint16_t>{TK_LINE, TK_POLYLINE, TK_VERTEX, TK_VERTEX, TK_SEQEND}));
  EXPECT_TRUE(kinds_of(&d->paper_entities).empty());
}

// AC1015 linetype codes 0 (BYLAYER) and 2 (CONTINUOUS) carry no handle; a BLOCK and an entity
// of a block without a layer: the BLOCK takes the first layer.
TEST_F(Dwg13Load, LinetypeCodesAndBlocksWithoutALayer) {
  Drawing drawing;
  Ent bylayer = ents::line(0), continuous = ents::line(1), own = ents::line(2);
  bylayer.linetype_flags = 0;
  continuous.linetype_flags = 2;
  drawing.model({bylayer, continuous, own});
  drawing.null_block_layers = true;
  drawing.block("B", {ents::line(0)});
  ASSERT_NE(Open(drawing), nullptr);
  std::vector<TkEntityHeader> model = headers_of(&d->model_entities);
  ASSERT_EQ(model.size(), 3u);
  EXPECT_EQ(tk_handle_compare(&model[0].linetype, &d->bylayer_linetype), 0);
  TkHandle continuous_handle;
  ASSERT_TRUE(tk_ltype_find(d, "CONTINUOUS", &continuous_handle));
  EXPECT_EQ(value_of(model[1].linetype), value_of(continuous_handle));
  EXPECT_EQ(value_of(model[2].linetype), Drawing::linetype);
  const TkBlockRecord* b = dxf_test::find_block(d, "B");
  ASSERT_NE(b, nullptr);
  std::vector<TkEntityHeader> in_block = headers_of(b->entities);
  ASSERT_EQ(in_block.size(), 3u);
  EXPECT_EQ(in_block[0].kind, TK_BLOCK);
  EXPECT_EQ(value_of(in_block[0].layer), Drawing::layer) << "the first layer";
  EXPECT_EQ(value_of(in_block[2].layer), Drawing::layer) << "the ENDBLK too";
}

// Cut anywhere, a drawing with entities fails cleanly or loads what it holds, without a leak or
// an open file left behind.
TEST_F(Dwg13Load, EveryTruncationOfADrawingWithEntities) {
  Drawing drawing;
  uint64_t block = drawing.block("B", {ents::line(0)});
  drawing.model({ents::line(0), ents::text(1, "t"), ents::polyline(2, 2),
                 ents::insert(3, block, {ents::text(0, "v", "TAG")})});
  drawing.paper({ents::circle(0)});
  std::vector<uint8_t> whole = drawing.build();
  tk_state->error_callback = [](int16_t) {};
  for (size_t n = 0; n < whole.size(); ++n) {
    TkDrawing* cut = dxf_test::open_bytes(
        std::vector<uint8_t>(whole.begin(), whole.begin() + long(n)), "cut.dwg");
    if (cut) tk_close_drawing(cut);
    EXPECT_TRUE(load_test::open_files.empty()) << n;
  }
  d = dxf_test::open_bytes(whole, "whole.dwg");
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(kinds_of(&d->paper_entities), (std::vector<uint16_t>{TK_CIRCLE}));
}

// The shared drawing without an expectation file: it loads and holds entities.
TEST_F(Dwg13Load, HelixDrawingLoads) {
  VV_REQUIRE_TESTDATA();
  std::vector<unsigned char> bytes;
  ASSERT_TRUE(vvtest::ReadWholeFile(vvtest::TestDataPath("dwg/2000_Helix.dwg"), bytes));
  d = dxf_test::open_bytes(std::vector<uint8_t>(bytes.begin(), bytes.end()), "helix.dwg");
  ASSERT_NE(d, nullptr) << "error " << tk_get_last_error();
  EXPECT_FALSE(headers_of(&d->model_entities).empty());
}

}  // namespace

namespace {

// The objects walk takes proxy objects and objects of object classes, never a proxy entity or
// an entity of a class, even one that no chain reaches.
TEST_F(Dwg13Load, ObjectsWalkLeavesEntitiesAlone) {
  Drawing drawing;
  drawing.model({ents::line(0)});
  drawing.layout.classes = {{500, "SOMEOBJECT", 499}, {501, "SOMEENTITY", 498}};
  auto object = [](uint16_t type, uint64_t handle, bool entity) {
    return dwg13_fixture::object_data(type, handle, entity, [entity](TkBitWriter* w) {
      if (entity) {
        bits_write_bb(w, 2);
        bits_write_bl(w, 0);
      }
      bits_write_rc(w, 0x42);
    }, [](TkBitWriter* w) {
      TkHandle owner = handle_of(0xC), none{};
      bits_write_handle(w, &owner, 0x40);
      bits_write_handle(w, &none, 0x30);
    });
  };
  drawing.layout.objects.push_back({0xB0, object(500, 0xB0, false)});
  drawing.layout.objects.push_back({0xB1, object(501, 0xB1, true)});
  drawing.layout.objects.push_back({0xB2, object(498, 0xB2, true)});
  ASSERT_NE(Open(drawing), nullptr);
  const struct {
    uint64_t handle;
    bool object;
  } cases[] = {{0xB0, true}, {0xB1, false}, {0xB2, false}};
  for (const auto& c : cases) {
    TkHandle h = handle_of(c.handle);
    TkObjectHeader oh;
    TkObjectData od;
    EXPECT_EQ(tk_object_get(d, &h, &oh, &od) == 1, c.object) << std::hex << c.handle;
  }
}

}  // namespace
