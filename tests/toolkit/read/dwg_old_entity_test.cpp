// Entity records of DWG files of AC1002 to AC1009, built by hand per kind and release and read
// through the open road: common fields by flag bits, kind fields by option bits, the erased
// bit, doubles that are not numbers, linetype 255, refused kinds, extended data, and damaged
// records that must end the walk without reading past them.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/toolkit/read/dwg_old_fixture.h"
#include "toolkit/core/blob.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/object.h"
#include "toolkit/core/symtab.h"

namespace {

using namespace dwg_old_test;

Bytes xy(double x, double y) { return Bytes().rd(x).rd(y); }
Bytes xyz(double x, double y, double z) { return Bytes().rd(x).rd(y).rd(z); }

Entity make(uint8_t kind, std::vector<uint8_t> body, uint16_t options = 0, uint8_t flags = 0,
            std::vector<uint8_t> common = {}) {
  Entity e;
  e.kind = kind;
  e.body = std::move(body);
  e.options = options;
  e.flags = flags;
  e.common = std::move(common);
  return e;
}

double get_d(const Unpacked& u, size_t at) { return tk_data_get<double>(&u.data, at); }
int16_t get_i16(const Unpacked& u, size_t at) { return tk_data_get<int16_t>(&u.data, at); }

using Lists = std::vector<Unpacked>;
struct EntityCase {
  const char* what;
  int16_t version;
  std::vector<Entity> entities;
  std::function<void(TkDrawing*, const Lists& model, const Lists& paper)> check;
};

std::vector<uint8_t> cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.raw(p.b);
  return all.b;
}

std::vector<EntityCase> entity_cases() {
  std::vector<EntityCase> c;
  c.push_back({"an erased LINE is passed over, the next one read", 4,
               {[] {
                  Entity e = make(1, cat({xyz(9, 9, 9), xyz(9, 9, 9)}));
                  e.kind = 0x81;
                  return e;
                }(),
                make(1, cat({xyz(1, 2, 3), xyz(4, 5, 6)}))},
               [](TkDrawing*, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 1u);
                 EXPECT_EQ(m[0].h.kind, TK_LINE);
                 EXPECT_EQ(get_d(m[0], 0), 1.0);
                 EXPECT_EQ(get_d(m[0], 40), 6.0);
               }});
  c.push_back({"an AC1004 LINE with flags bit 4 takes the elevation as both z", 2,
               {make(1, cat({xy(1, 2), xy(3, 4)}), 0, 4, Bytes().rd(5.0).b)},
               [](TkDrawing*, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 1u);
                 EXPECT_EQ(get_d(m[0], 16), 5.0);
                 EXPECT_EQ(get_d(m[0], 40), 5.0);
               }});
  c.push_back({"an AC1009 LINE with flags bit 4 has no z at all", 4,
               {make(1, cat({xy(1, 2), xy(3, 4)}), 0, 4)},
               [](TkDrawing*, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 1u);
                 EXPECT_EQ(get_d(m[0], 16), 0.0);
                 EXPECT_EQ(get_d(m[0], 24), 3.0);
               }});
  c.push_back({"colour byte 200 is colour 200, no colour flag is 256; thickness", 3,
               {make(1, cat({xyz(0, 0, 0), xyz(1, 1, 0)}), 0, 1 | 8, Bytes().u8(200).rd(2.5).b),
                make(1, cat({xyz(0, 0, 0), xyz(1, 1, 0)}))},
               [](TkDrawing*, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 2u);
                 EXPECT_EQ(m[0].h.colour, 200);
                 EXPECT_EQ(m[0].h.thickness, 2.5);
                 EXPECT_EQ(m[1].h.colour, 256);
               }});
  c.push_back({"an AC1004 linetype byte of 255 is BYBLOCK, none is BYLAYER", 2,
               {make(1, cat({xy(0, 0), xy(1, 1)}), 0, 2, Bytes().u8(255).b),
                make(1, cat({xy(0, 0), xy(1, 1)}))},
               [](TkDrawing* d, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 2u);
                 EXPECT_EQ(tk_handle_compare(&m[0].h.linetype, &d->byblock_linetype), 0);
                 EXPECT_EQ(tk_handle_compare(&m[1].h.linetype, &d->bylayer_linetype), 0);
               }});
  c.push_back({"an AC1009 linetype of 32766 is BYBLOCK", 4,
               {make(1, cat({xyz(0, 0, 0), xyz(1, 1, 0)}), 0, 2, Bytes().u16(32766).b)},
               [](TkDrawing* d, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 1u);
                 EXPECT_EQ(tk_handle_compare(&m[0].h.linetype, &d->byblock_linetype), 0);
               }});
  c.push_back({"doubles that are not numbers, infinities or denormals read as 0.0", 4,
               {make(1, [] {
                  Bytes b;
                  for (int i = 0; i < 8; ++i) b.u8(0xFF);  // NaN
                  b.rd(1e308 * 10);                        // infinity
                  b.rd(4.9e-324);                          // denormal
                  b.raw(xyz(1, 2, 3).b);
                  return b.b;
                }())},
               [](TkDrawing*, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 1u);
                 EXPECT_EQ(get_d(m[0], 0), 0.0);
                 EXPECT_EQ(get_d(m[0], 8), 0.0);
                 EXPECT_EQ(get_d(m[0], 16), 0.0);
                 EXPECT_EQ(get_d(m[0], 24), 1.0);
               }});
  c.push_back({"CIRCLE with a negative radius and an extrusion; ARC angles", 3,
               {make(3, cat({xy(1, 2), Bytes().rd(-3), xyz(0, 1, 0)}), 1, 4, Bytes().rd(7).b),
                make(8, cat({xy(1, 2), Bytes().rd(3).rd(0.5).rd(1.5)}))},
               [](TkDrawing*, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 2u);
                 EXPECT_EQ(get_d(m[0], 16), 7.0);
                 EXPECT_EQ(get_d(m[0], 24), 0.0);
                 EXPECT_TRUE(m[0].h.flags & TK_ENTITY_EXTRUDED);
                 EXPECT_EQ(m[0].h.extrusion[1], 1.0);
                 EXPECT_EQ(m[1].h.kind, TK_ARC);
                 EXPECT_EQ(get_d(m[1], 24), 3.0);
                 EXPECT_EQ(get_d(m[1], 40), 1.5);
               }});
  c.push_back({"an extrusion of (0, 0, 1) counts as none; SOLID corners", 3,
               {make(11, cat({xy(0, 0), xy(1, 0), xy(0, 1), xy(1, 1), xyz(0, 0, 1)}), 1)},
               [](TkDrawing*, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 1u);
                 EXPECT_EQ(m[0].h.kind, TK_SOLID);
                 EXPECT_FALSE(m[0].h.flags & TK_ENTITY_EXTRUDED);
                 EXPECT_EQ(get_d(m[0], 72), 1.0);
               }});
  c.push_back({"SHAPE with its number, rotation and width", 3,
               {make(4, cat({xy(1, 1), Bytes().rd(2).u8(7).rd(0.25).u8(0).rd(0.5)}), 1 | 4)},
               [](TkDrawing*, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 1u);
                 EXPECT_EQ(tk_data_get<uint32_t>(&m[0].data, 32), 7u);
                 EXPECT_EQ(get_d(m[0], 40), 0.25);
                 EXPECT_EQ(get_d(m[0], 48), 0.5);
               }});
  c.push_back({"TEXT with rotation, width, alignment and an AC1009 vertical alignment", 4,
               {make(7,
                     cat({xy(1, 2), Bytes().rd(2.5).text("Hello"), Bytes().rd(0.5).rd(0.8),
                          Bytes().u8(1), xy(5, 6), Bytes().u8(3)}),
                     1 | 2 | 32 | 64 | 256)},
               [](TkDrawing*, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 1u);
                 const Unpacked& t = m[0];
                 EXPECT_STREQ(tk_data_text(&t.data, TK_TEXT_STRING), "Hello");
                 EXPECT_EQ(get_d(t, 24), 2.5);
                 EXPECT_EQ(get_d(t, 32), 0.5);
                 EXPECT_EQ(get_d(t, 40), 0.8);
                 EXPECT_EQ(t.data.bytes[57], 1);
                 EXPECT_EQ(t.data.bytes[58], 3);
                 EXPECT_EQ(get_d(t, 64), 5.0);
               }});
  c.push_back({"ATTDEF with its three texts, flags and field length", 3,
               {make(15,
                     cat({xy(1, 2), Bytes().rd(1).text("Prompt").text("TAG").text("value"),
                          Bytes().u8(2).u8(0xFE)}),
                     1)},
               [](TkDrawing*, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 1u);
                 const Unpacked& a = m[0];
                 EXPECT_STREQ(tk_data_text(&a.data, TK_ATTDEF_STRINGS), "Prompt");
                 EXPECT_STREQ(tk_data_text(&a.data, TK_ATTDEF_SECOND), "TAG");
                 EXPECT_STREQ(tk_data_text(&a.data, TK_ATTDEF_THIRD), "value");
                 EXPECT_EQ(a.data.bytes[24], 2);
                 EXPECT_EQ(get_i16(a, 26), -2);
               }});
  c.push_back({"INSERT with attributes: ATTRIB, then the SEQEND with its 4 bytes", 3,
               {make(14, cat({Bytes().u16(0), xy(1, 1), Bytes().rd(0).rd(2)}), 1 | 2, 128),
                make(16, cat({xy(1, 1), Bytes().rd(1).text("42").text("TAG").u8(0)})),
                make(17, Bytes().u32(1234).b),
                make(1, cat({xyz(0, 0, 0), xyz(1, 1, 0)}))},
               [](TkDrawing*, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 4u);
                 const Unpacked& i = m[0];
                 EXPECT_EQ(i.h.kind, TK_INSERT);
                 EXPECT_EQ(get_d(i, 32), 1.0) << "a scale of 0 becomes 1";
                 EXPECT_EQ(get_d(i, 40), 2.0);
                 EXPECT_EQ(get_i16(i, 0), 1);
                 EXPECT_STREQ(tk_data_text(&m[1].data, TK_ATTDEF_SECOND), "42");
                 EXPECT_STREQ(tk_data_text(&m[1].data, TK_ATTDEF_STRINGS), "TAG");
                 EXPECT_EQ(m[2].h.kind, TK_SEQEND);
                 EXPECT_EQ(m[3].h.kind, TK_LINE);
               }});
  c.push_back({"INSERT array counts and spacings, AC1006 extrusion", 3,
               {make(14,
                     cat({Bytes().u16(0), xy(0, 0), Bytes().u16(3).u16(4).rd(10).rd(20),
                          xyz(1, 0, 0)}),
                     16 | 32 | 64 | 128 | 256)},
               [](TkDrawing*, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 1u);
                 EXPECT_EQ(get_i16(m[0], 82), 3);
                 EXPECT_EQ(get_i16(m[0], 80), 4);
                 EXPECT_EQ(get_d(m[0], 72), 10.0);
                 EXPECT_EQ(get_d(m[0], 64), 20.0);
                 EXPECT_EQ(m[0].h.extrusion[0], 1.0);
               }});
  c.push_back({"a 3D POLYLINE drops its widths; VERTEXes with widths and bulge", 3,
               {make(19, cat({Bytes().u8(8).rd(1).rd(2).i16(3)}), 1 | 2 | 4 | 16),
                make(20, cat({xy(1, 1), Bytes().rd(0.5).rd(0.75).rd(0.25).u8(32)}), 1 | 2 | 4 | 8),
                make(17, {})},
               [](TkDrawing*, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 3u);
                 EXPECT_EQ(get_i16(m[0], 34), 8);
                 EXPECT_EQ(get_d(m[0], 8), 0.0);
                 EXPECT_EQ(get_i16(m[0], 30), 3);
                 const Unpacked& v = m[1];
                 EXPECT_EQ(get_d(v, 32), 0.5);
                 EXPECT_EQ(get_d(v, 40), 0.75);
                 EXPECT_EQ(get_d(v, 56), 0.25);
                 EXPECT_EQ(get_i16(v, 24), 32);
               }});
  c.push_back({"an AC1009 face record has no point but its vertex indexes", 4,
               {make(19, Bytes().u8(64).b, 1),
                make(20, Bytes().u8(128).i16(1).i16(-2).i16(3).b, 8 | 32 | 64 | 128 | 0x4000),
                make(17, {})},
               [](TkDrawing*, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 3u);
                 EXPECT_EQ(get_i16(m[1], 74), 1);
                 EXPECT_EQ(get_i16(m[1], 82), -2);
                 EXPECT_EQ(get_i16(m[1], 90), 3);
                 EXPECT_EQ(get_i16(m[1], 98), 0);
               }});
  c.push_back({"a kind 18 record opens a closed polyline and the walk goes on behind it", 2,
               {make(18, {}, 0x8000), make(20, cat({xy(1, 1)})), make(20, cat({xy(2, 1)})),
                make(17, Bytes().u32(0).b), make(1, cat({xy(0, 0), xy(1, 1)}))},
               [](TkDrawing*, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 5u);
                 EXPECT_EQ(m[0].h.kind, TK_POLYLINE);
                 EXPECT_EQ(get_i16(m[0], 34), 1);
                 EXPECT_EQ(m[1].h.kind, TK_VERTEX);
                 EXPECT_EQ(m[4].h.kind, TK_LINE);
               }});
  c.push_back({"an AC1004 3DLINE is a LINE with the z values its options give", 2,
               {make(21, cat({xy(1, 2), Bytes().rd(3), xy(4, 5)}), 1)},
               [](TkDrawing*, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 1u);
                 EXPECT_EQ(m[0].h.kind, TK_LINE);
                 EXPECT_EQ(get_d(m[0], 16), 3.0);
                 EXPECT_EQ(get_d(m[0], 24), 4.0);
                 EXPECT_EQ(get_d(m[0], 40), 0.0);
               }});
  c.push_back({"an AC1002 3DLINE is a LINE without fields", 0, {make(21, {})},
               [](TkDrawing*, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 1u);
                 EXPECT_EQ(m[0].h.kind, TK_LINE);
               }});
  c.push_back({"AC1004 3DFACE corners take z by option; AC1009 flags bit 4 leaves every z 0", 2,
               {make(22, cat({xy(0, 0), Bytes().rd(1), xy(1, 0), xy(1, 1), Bytes().rd(4),
                              xy(0, 1)}),
                     1 | 4)},
               [](TkDrawing*, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 1u);
                 EXPECT_EQ(get_d(m[0], 16), 1.0);
                 EXPECT_EQ(get_d(m[0], 40), 0.0);
                 EXPECT_EQ(get_d(m[0], 64), 4.0);
                 EXPECT_EQ(get_d(m[0], 72), 0.0);
               }});
  c.push_back({"AC1009 3DFACE with invisible edges", 4,
               {make(22, cat({xy(0, 0), xy(1, 0), xy(1, 1), xy(0, 1), Bytes().i16(5)}), 1, 4)},
               [](TkDrawing*, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 1u);
                 EXPECT_EQ(get_d(m[0], 48), 1.0);
                 EXPECT_EQ(get_i16(m[0], 96), 5);
               }});
  c.push_back({"AC1009 DIMENSION with type, text, points and style index", 4,
               {make(23,
                     cat({Bytes().u16(0), xyz(1, 2, 3), xy(4, 5), Bytes().u8(1).text("<>"),
                          xyz(6, 7, 8), xyz(9, 10, 11), Bytes().rd(0.5), Bytes().u16(0)}),
                     2 | 4 | 8 | 16 | 256 | 0x8000)},
               [](TkDrawing*, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 1u);
                 const Unpacked& u = m[0];
                 EXPECT_EQ(get_d(u, 192 + 16), 3.0);
                 EXPECT_EQ(get_d(u, 168), 4.0);
                 EXPECT_EQ(u.data.bytes[32], 1);
                 EXPECT_STREQ(tk_data_text(&u.data, TK_DIMENSION_STRING), "<>");
                 EXPECT_EQ(get_d(u, 64 + 16), 8.0);
                 EXPECT_EQ(get_d(u, 88), 9.0);
                 EXPECT_EQ(get_d(u, 144), 0.5);
               }});
  c.push_back({"kinds that are not entities end the walk", 4,
               {make(5, Bytes().u32(0).b), make(1, cat({xyz(0, 0, 0), xyz(1, 1, 0)}))},
               [](TkDrawing*, const Lists& m, const Lists&) { EXPECT_TRUE(m.empty()); }});
  c.push_back({"3DFACE is refused in AC1002", 0,
               {make(22, cat({xy(0, 0), xy(1, 0), xy(1, 1), xy(0, 1)}))},
               [](TkDrawing*, const Lists& m, const Lists&) { EXPECT_TRUE(m.empty()); }});
  c.push_back({"VIEWPORT is refused before AC1009", 3,
               {make(24, cat({xyz(0, 0, 0), Bytes().rd(1).rd(1).i16(1)}))},
               [](TkDrawing*, const Lists& m, const Lists&) { EXPECT_TRUE(m.empty()); }});
  c.push_back({"a text longer than its field fails the record and ends the walk", 4,
               {make(7, cat({xy(0, 0), Bytes().rd(1).text(std::string(2049, 'x'))})),
                make(1, cat({xyz(0, 0, 0), xyz(1, 1, 0)}))},
               [](TkDrawing*, const Lists& m, const Lists&) { EXPECT_TRUE(m.empty()); }});
  c.push_back({"a negative text length fails the record", 4,
               {make(7, cat({xy(0, 0), Bytes().rd(1).i16(-3)}))},
               [](TkDrawing*, const Lists& m, const Lists&) { EXPECT_TRUE(m.empty()); }});
  c.push_back({"texts at their limits are cut to the field and the section goes on", 4,
               {make(15, cat({xy(0, 0), Bytes().rd(1).text(std::string(513, 'p')).text("T")
                                            .text(std::string(513, 'v')).u8(0)})),
                make(16, cat({xy(0, 0), Bytes().rd(1).text(std::string(2049, 'a'))
                                            .text(std::string(513, 't')).u8(0)})),
                make(12, cat({xy(0, 0), Bytes().text(std::string(512, 'b'))}), 4),
                make(13, {}),
                make(1, cat({xyz(0, 0, 0), xyz(1, 1, 0)}))},
               [](TkDrawing*, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 5u);
                 const std::string cut(TK_ATTR_STRING_MAX, 'p');
                 EXPECT_EQ(tk_data_text(&m[0].data, TK_ATTDEF_STRINGS), cut);
                 EXPECT_STREQ(tk_data_text(&m[0].data, TK_ATTDEF_SECOND), "T");
                 EXPECT_EQ(tk_data_text(&m[0].data, TK_ATTDEF_THIRD),
                           std::string(TK_ATTR_STRING_MAX, 'v'));
                 EXPECT_EQ(tk_data_text(&m[1].data, TK_ATTDEF_SECOND),
                           std::string(TK_ATTR_STRING_MAX, 'a'));
                 EXPECT_EQ(tk_data_text(&m[1].data, TK_ATTDEF_STRINGS),
                           std::string(TK_ATTR_STRING_MAX, 't'));
                 EXPECT_EQ(std::string(tk_data_text(&m[2].data, 24)).size(), 511u);
                 EXPECT_EQ(m[4].h.kind, TK_LINE);
               }});
  c.push_back({"texts beyond their limits fail the record", 4,
               {make(15, cat({xy(0, 0), Bytes().rd(1).text(std::string(514, 'p')).text("T")
                                            .text("v").u8(0)})),
                make(16, cat({xy(0, 0), Bytes().rd(1).text(std::string(2050, 'a')).text("T")
                                            .u8(0)}))},
               [](TkDrawing*, const Lists& m, const Lists&) { EXPECT_TRUE(m.empty()); }});
  c.push_back({"a record whose fields run past its length fails", 4,
               {[] {
                  Entity e = make(1, cat({xyz(0, 0, 0), xyz(1, 1, 0)}));
                  e.length_delta = -10;
                  return e;
                }()},
               [](TkDrawing*, const Lists& m, const Lists&) { EXPECT_TRUE(m.empty()); }});
  c.push_back({"a record longer than the section ends the walk", 4,
               {[] {
                  Entity e = make(1, cat({xyz(0, 0, 0), xyz(1, 1, 0)}));
                  e.length_delta = 1000;
                  return e;
                }()},
               [](TkDrawing*, const Lists& m, const Lists&) { EXPECT_TRUE(m.empty()); }});
  c.push_back({"extended data longer than the record fails it", 4,
               {[] {
                  Entity e = make(1, cat({xyz(0, 0, 0), xyz(1, 1, 0)}));
                  e.extra = true;
                  e.extra_flags = 2;
                  e.xdata = {1, 0, 0};
                  e.xdata_length_delta = 200;
                  return e;
                }()},
               [](TkDrawing*, const Lists& m, const Lists&) { EXPECT_TRUE(m.empty()); }});
  c.push_back({"extended data beyond the 32,768-byte buffer fails the record", 4,
               {[] {
                  Entity e = make(1, cat({xyz(0, 0, 0), xyz(1, 1, 0)}));
                  e.extra = true;
                  e.extra_flags = 2;
                  e.xdata.assign(32769, 70);
                  return e;
                }()},
               [](TkDrawing*, const Lists& m, const Lists&) { EXPECT_TRUE(m.empty()); }});
  c.push_back({"extended data of exactly 32,768 bytes is kept", 4,
               {[] {
                  Entity e = make(1, cat({xyz(0, 0, 0), xyz(1, 1, 0)}));
                  e.extra = true;
                  e.extra_flags = 2;
                  for (int i = 0; i < 32768 / 4; ++i) e.xdata.insert(e.xdata.end(), {70, 1, 0, 0});
                  return e;
                }()},
               [](TkDrawing*, const Lists& m, const Lists&) {
                 ASSERT_EQ(m.size(), 1u);
                 EXPECT_NE(m[0].h.xdata, nullptr);
               }});
  return c;
}

class OldEntities : public OldDwg {};

TEST_F(OldEntities, KindsAndReleases) {
  tk_state->error_callback = [](int16_t) {};
  for (const EntityCase& c : entity_cases()) {
    SCOPED_TRACE(c.what);
    File f(c.version);
    f.entities = c.entities;
    TkDrawing* d = load(f);
    ASSERT_NE(d, nullptr);
    c.check(d, entities_of(&d->model_entities), entities_of(&d->paper_entities));
    tk_close_drawing(d);
  }
}

// Extended data of every item kind, handed over in the toolkit's item form; the table numbers of
// applications and layers become the records' handles at the end of the load.
TEST_F(OldEntities, ExtendedDataItems) {
  Bytes x;
  x.u8(1).u16(0);                      // 1001 application 0
  x.u8(2).u8(0);                       // 1002 "{"
  x.u8(0).u8(5);                       // 1000 "hello"
  for (char ch : std::string("hello")) x.u8(uint8_t(ch));
  x.u8(3).u16(2);                      // 1003 layer 2
  x.u8(4).u8(3).u8(1).u8(2).u8(3);     // 1004 three bytes
  x.u8(10).rd(1).rd(2).rd(3);          // 1010
  x.u8(40).rd(0.5);                    // 1040
  x.u8(70).i16(-7);                    // 1070
  x.u8(71).u32(100000);                // 1071
  x.u8(2).u8(1);                       // 1002 "}"
  Entity e = make(1, cat({xyz(0, 0, 0), xyz(1, 1, 0)}));
  e.extra = true;
  e.extra_flags = 2;
  e.xdata = x.b;
  File f(4);
  f.entities = {e};
  TkDrawing* d = load(f);
  ASSERT_NE(d, nullptr);
  Lists m = entities_of(&d->model_entities);
  ASSERT_EQ(m.size(), 1u);
  ASSERT_NE(m[0].h.xdata, nullptr);
  TkBlob* r = blob_open_read(m[0].h.xdata);
  ASSERT_NE(r, nullptr);
  TkXdataItem item;
  std::vector<uint16_t> codes;
  while (xdata_read_item(r, &item)) {
    codes.push_back(item.code);
    switch (item.code) {
      case 1000: EXPECT_STREQ(reinterpret_cast<char*>(item.value), "hello"); break;
      case 1001:
      case 1003: {
        // Application 0 and layer 2 by table position; a position past the table gives null.
        const TkList* list = item.code == 1001 ? &d->appids : &d->layers;
        size_t position = item.code == 1001 ? 0 : 2;
        const TkLink* l = list_first(list);
        for (size_t i = 0; l && i < position; ++i) l = l->next;
        TkHandle want{};
        if (l && item.code == 1001)
          want = static_cast<const TkAppIdRecord*>(tk_link_data(l))->handle;
        if (l && item.code == 1003)
          want = static_cast<const TkLayerRecord*>(tk_link_data(l))->handle;
        EXPECT_EQ(std::memcmp(item.value, want.bytes, 8), 0) << item.code;
        if (item.code == 1001) {
          EXPECT_FALSE(tk_handle_is_null(&want));
        }
        break;
      }
      case 1004: EXPECT_EQ(item.length, 3); break;
      case 1010: {
        double p[3];
        std::memcpy(p, item.value, sizeof p);
        EXPECT_EQ(p[2], 3.0);
        break;
      }
      case 1070: {
        int16_t v;
        std::memcpy(&v, item.value, 2);
        EXPECT_EQ(v, -7);
        break;
      }
      case 1071: {
        int32_t v;
        std::memcpy(&v, item.value, 4);
        EXPECT_EQ(v, 100000);
        break;
      }
      default: break;
    }
  }
  blob_close(r);
  EXPECT_EQ(codes, (std::vector<uint16_t>{1001, 1002, 1000, 1003, 1004, 1010, 1040, 1070, 1071,
                                          1002}));
  tk_close_drawing(d);
}

// AC1009 paper-space entities go to paper space; a paper-space VIEWPORT keeps its settings in
// extended data.
TEST_F(OldEntities, PaperSpaceAndViewports) {
  Entity line = make(1, cat({xyz(0, 0, 0), xyz(1, 1, 0)}));
  line.extra = true;
  line.extra_flags = 4;
  line.body = cat({Bytes().u16(1), Bytes{line.body}});
  Entity viewport = make(24, cat({Bytes().u16(1), xyz(5, 5, 0), Bytes().rd(10).rd(8).i16(2)}));
  viewport.extra = true;
  viewport.extra_flags = 2 | 4;
  viewport.xdata = Bytes().u8(1).u16(0).u8(70).i16(16).b;
  File f(4);
  f.entities = {line, viewport};
  TkDrawing* d = load(f);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(entities_of(&d->model_entities).empty());
  Lists p = entities_of(&d->paper_entities);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(get_d(p[1], 16), 5.0);
  EXPECT_EQ(get_d(p[1], 40), 10.0);
  EXPECT_EQ(get_d(p[1], 48), 8.0);
  EXPECT_EQ(get_i16(p[1], TK_VIEWPORT_NUMBER), 2);
  // The file position of its record, by which the viewport-entity headers find it.
  const uint32_t line_length = 8 + 1 + 2 + 48 + 2;
  EXPECT_EQ(tk_data_get<uint64_t>(&p[1].data, TK_VIEWPORT_LIST_VALUE), 1743u + line_length);
  tk_close_drawing(d);

  // One without keeps the settings its record gave; the application hears of it.
  viewport.extra_flags = 4;
  f.entities = {viewport};
  static int heard_287 = 0;
  heard_287 = 0;
  tk_state->error_callback = [](int16_t) {
    if (tk_get_last_error() == 287) ++heard_287;
  };
  d = open_bytes(f.build());
  tk_state->error_callback = nullptr;
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  EXPECT_EQ(heard_287, 1);
  p = entities_of(&d->paper_entities);
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(get_d(p[0], 16), 5.0);
  EXPECT_EQ(get_d(p[0], 40), 10.0);
  tk_close_drawing(d);
}

// A file with its own handle seed keeps the handles its records carry.
TEST_F(OldEntities, HandlesOfAFileWithASeed) {
  File f(4);
  f.set_i16(1260, 1);
  f.header[1262 + 6] = 0x10;  // seed 0x1000
  Entity e = make(1, cat({xyz(0, 0, 0), xyz(1, 1, 0)}), 0, 32, Bytes().u8(2).u8(0x0A).u8(0xBC).b);
  f.entities = {e};
  TkDrawing* d = load(f);
  ASSERT_NE(d, nullptr);
  Lists m = entities_of(&d->model_entities);
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].h.handle.bytes[6], 0x0A);
  EXPECT_EQ(m[0].h.handle.bytes[7], 0xBC);
  tk_close_drawing(d);
}

}  // namespace

namespace {

using namespace dwg_old_test;

// A whole AC1002 drawing made by hand (no file of that release was found to compare with):
// entities name their layer, linetype and block by table position, which the load resolves.
TEST_F(OldEntities, Ac1002DrawingByHand) {
  File f(0);
  f.subversion = 0x72;
  f.tables[LTYPE].push_back(
      record_head(0, "CONTINUOUS", 0).field("Solid", 48).u8('A').u8(0).rd(0).b);
  f.tables[LTYPE].push_back(
      record_head(0, "HIDDEN", 0).field("- -", 48).u8('A').u8(2).rd(0.75).rd(0.5).rd(-0.25).b);
  f.tables[LAYER].push_back(record_head(0, "0", 0).i16(7).u16(0).b);
  f.tables[LAYER].push_back(record_head(0, "WALLS", 0).i16(1).u16(1).b);
  f.tables[STYLE].push_back(record_head(0, "STANDARD", 0).rd(0).rd(1).rd(0).u8(0).rd(0.2)
                                .field("txt", 64).field("", 64).b);
  Entity line = make(1, cat({xy(0, 0), xy(3, 4)}), 0, 2 | 4, Bytes().u8(1).rd(2.0).b);
  line.layer = 1;
  Entity circle = make(3, cat({xy(1, 1), Bytes().rd(2)}), 0, 1, Bytes().u8(3).b);
  Entity text = make(7, cat({xy(0, 5), Bytes().rd(0.5).text("AC1002"), Bytes().u8(0)}), 8);
  Entity insert = make(14, cat({Bytes().u16(0), xy(10, 10), Bytes().rd(2)}), 1);
  Entity line3d = make(21, {});
  f.entities = {line, circle, text, insert, line3d};
  Block door;
  door.name = "DOOR";
  door.entities = {make(12, xy(0, 0).b), make(8, cat({xy(0, 0), Bytes().rd(1).rd(0).rd(1.5)})),
                   make(13, {})};
  f.blocks = {door};
  TkDrawing* d = load(f);
  ASSERT_NE(d, nullptr);
  EXPECT_STREQ(d->header->acadver, "AC1002");
  Lists m = entities_of(&d->model_entities);
  ASSERT_EQ(m.size(), 5u);

  TkHandle walls, hidden, standard, block;
  ASSERT_TRUE(tk_layer_find(d, "WALLS", &walls));
  ASSERT_TRUE(tk_ltype_find(d, "HIDDEN", &hidden));
  ASSERT_TRUE(tk_style_find(d, "STANDARD", &standard));
  ASSERT_TRUE(tk_find_record_by_name(d, "DOOR", &block));
  EXPECT_EQ(tk_handle_compare(&m[0].h.layer, &walls), 0);
  EXPECT_EQ(tk_handle_compare(&m[0].h.linetype, &hidden), 0);
  EXPECT_EQ(get_d(m[0], 16), 2.0) << "the elevation is every older point's z";
  EXPECT_EQ(get_d(m[0], 32), 4.0);
  EXPECT_EQ(m[1].h.colour, 3);
  EXPECT_EQ(get_d(m[1], 24), 2.0);
  EXPECT_STREQ(tk_data_text(&m[2].data, TK_TEXT_STRING), "AC1002");
  TkHandle text_style = tk_data_get<TkHandle>(&m[2].data, 24 + 56);
  EXPECT_EQ(tk_handle_compare(&text_style, &standard), 0);
  TkHandle inserted = tk_data_get<TkHandle>(&m[3].data, TK_INSERT_BLOCK);
  EXPECT_EQ(tk_handle_compare(&inserted, &block), 0);
  EXPECT_EQ(get_d(m[3], 32), 2.0);
  EXPECT_EQ(m[4].h.kind, TK_LINE);
  TkLinetypeRecord lt;
  ASSERT_TRUE(tk_ltype_get(d, &hidden, &lt));
  EXPECT_EQ(lt.element_count, 2);
  EXPECT_EQ(lt.elements[1].length, -0.25);
  tk_close_drawing(d);
}

}  // namespace
