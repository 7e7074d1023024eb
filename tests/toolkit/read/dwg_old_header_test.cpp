// The fixed header of DWG files of AC1002 to AC1009: variables at their file positions per
// release, the sub-version rules, the values that are corrected on reading, the table indexes
// left for the load, the section words, and texts that fill their field without a zero.
#include <gtest/gtest.h>

#include <functional>

#include "tests/toolkit/read/dwg_old_fixture.h"
#include "toolkit/core/hdr.h"
#include "toolkit/read/dwg_old_file.h"

namespace {

using namespace dwg_old_test;

class OldHeader : public OldDwg {};

// Variables every release has, and each release's newest ones, with the defaults kept where
// the release does not reach a field.
TEST_F(OldHeader, VariablesPerRelease) {
  for (int16_t v = 0; v <= 4; ++v) {
    SCOPED_TRACE(release_texts[v]);
    File f(v);
    f.set_d(94, 1.5);      // INSBASE x
    f.set_d(144, 20.0);    // EXTMAX x
    f.set_d(184, 42.0);    // LIMMAX x
    f.set_d(306, 2.5);     // LTSCALE
    f.set_bytes(404, "ACAD");  // MENU, first piece
    f.set_d(419, 3.0);     // DIMSCALE
    f.set_i32(799, 2447000);   // TDCREATE day
    f.set_i16(859, 1);     // ANGDIR
    if (v >= 1) f.header[929] = 1;  // DIMALT
    if (v >= 2) f.set_i16(981, 12);  // SPLINESEGS
    if (v >= 3) f.set_d(1019, 7.0);  // UCSORG x
    if (v >= 4) {
      f.set_i16(1585, 0);  // TILEMODE
      f.set_d(1591, -4.0);  // PEXTMIN x
    }
    TkDrawing* d = load(f);
    ASSERT_NE(d, nullptr);
    TkHeader defaults;
    header_set_defaults(&defaults);
    const TkHeader* h = d->header;
    EXPECT_STREQ(h->acadver, release_texts[v]);
    EXPECT_EQ(d->version, v);
    EXPECT_EQ(h->insbase[0], 1.5);
    EXPECT_EQ(h->extmax[0], 20.0);
    EXPECT_EQ(h->limmax[0], 42.0);
    EXPECT_EQ(h->ltscale, 2.5);
    EXPECT_STREQ(h->menu, "ACAD");
    EXPECT_EQ(h->dimscale, 3.0);
    EXPECT_EQ(h->tdcreate.day, 2447000);
    EXPECT_EQ(h->angdir, 1);
    EXPECT_EQ(h->dimalt, v >= 1 ? 1 : defaults.dimalt);
    EXPECT_EQ(h->splinesegs, v >= 2 ? 12 : defaults.splinesegs);
    EXPECT_EQ(h->ucsorg[0], v >= 3 ? 7.0 : defaults.ucsorg[0]);
    EXPECT_EQ(h->tilemode, v >= 4 ? 0 : defaults.tilemode);
    EXPECT_EQ(h->pextmin[0], v >= 4 ? -4.0 : defaults.pextmin[0]);
    tk_close_drawing(d);
  }
}

// MENU is 14 characters at 404 and 45 at 508, one text.
TEST_F(OldHeader, MenuJoinsItsTwoPieces) {
  File f(4);
  f.set_bytes(404, "ABCDEFGHIJKLMN");
  f.set_bytes(508, "OPQ");
  TkDrawing* d = load(f);
  ASSERT_NE(d, nullptr);
  EXPECT_STREQ(d->header->menu, "ABCDEFGHIJKLMNOPQ");
  tk_close_drawing(d);
}

struct RuleCase {
  const char* what;
  int16_t version;
  int16_t subversion;  // -1: the usual one
  std::function<void(File&)> poke;
  std::function<void(const TkDrawing*, const TkHeader&)> check;
};

const RuleCase rule_cases[] = {
    {"AC1006 below sub-version 160 reads as 160: WORLDVIEW and the word at 1304 come from the "
     "file", 3, 100,
     [](File& f) {
       f.set_i16(1308, 0);
       f.set_i32(1304, 777);
     },
     [](const TkDrawing* d, const TkHeader& h) {
       EXPECT_EQ(h.worldview, 0);
       auto* s = static_cast<const DwgOldState*>(d->reader_state);
       EXPECT_EQ(s->subversion, 160);
       EXPECT_EQ(s->appid_word, 777);
     }},
    {"AC1009 below sub-version 160 sets WORLDVIEW to 1 and keeps the VPORT position", 4, 150,
     [](File& f) { f.set_i16(1308, 0); },
     [](const TkDrawing* d, const TkHeader& h) {
       EXPECT_EQ(h.worldview, 1);
       auto* s = static_cast<const DwgOldState*>(d->reader_state);
       EXPECT_EQ(s->appid_word, s->tables[DWG_OLD_VPORT].position);
     }},
    {"AC1002 of sub-version 104 has USERI and USERR all 0", 0, 104,
     [](File& f) {
       f.set_i16(879, 5);
       f.set_d(889, 2.0);
     },
     [](const TkDrawing*, const TkHeader& h) {
       for (int16_t i : h.useri) EXPECT_EQ(i, 0);
       for (double r : h.userr) EXPECT_EQ(r, 0.0);
     }},
    {"AC1002 of sub-version 105 reads USERI and USERR", 0, 105,
     [](File& f) {
       f.set_i16(879, 5);
       f.set_d(889 + 32, 2.0);
     },
     [](const TkDrawing*, const TkHeader& h) {
       EXPECT_EQ(h.useri[0], 5);
       EXPECT_EQ(h.userr[4], 2.0);
     }},
    {"MIRRTEXT below sub-version 81 is 0", 2, 80, [](File& f) { f.set_i16(1005, 1); },
     [](const TkDrawing*, const TkHeader& h) { EXPECT_EQ(h.mirrtext, 0); }},
    {"MIRRTEXT at sub-version 81 is read", 2, 81, [](File& f) { f.set_i16(1005, 1); },
     [](const TkDrawing*, const TkHeader& h) { EXPECT_EQ(h.mirrtext, 1); }},
    {"MIRRTEXT of 5 reads as 0", 4, -1, [](File& f) { f.set_i16(1005, 5); },
     [](const TkDrawing*, const TkHeader& h) { EXPECT_EQ(h.mirrtext, 0); }},
    {"TREEDEPTH 0 of AC1009 becomes 3020", 4, -1, [](File& f) { f.set_i16(344, 0); },
     [](const TkDrawing*, const TkHeader& h) { EXPECT_EQ(h.treedepth, 3020); }},
    {"TREEDEPTH and PSLTSCALE of AC1009 are read", 4, -1,
     [](File& f) {
       f.set_i16(344, 7);
       f.header[342] = 0xFF;
     },
     [](const TkDrawing*, const TkHeader& h) {
       EXPECT_EQ(h.treedepth, 7);
       EXPECT_EQ(h.psltscale, -1);
     }},
    {"AC1006 gets TREEDEPTH 3020 and PSLTSCALE 0 whatever its bytes", 3, -1,
     [](File& f) {
       f.set_i16(344, 7);
       f.header[342] = 1;
     },
     [](const TkDrawing*, const TkHeader& h) {
       EXPECT_EQ(h.treedepth, 3020);
       EXPECT_EQ(h.psltscale, 0);
     }},
    {"AC1009 of sub-version 204 keeps the default VISRETAIN", 4, 204,
     [](File& f) { f.set_i16(1723, 9); },
     [](const TkDrawing*, const TkHeader& h) {
       TkHeader defaults;
       header_set_defaults(&defaults);
       EXPECT_EQ(h.visretain, defaults.visretain);
     }},
    {"AC1009 of sub-version 205 reads VISRETAIN", 4, 205, [](File& f) { f.set_i16(1723, 9); },
     [](const TkDrawing*, const TkHeader& h) { EXPECT_EQ(h.visretain, 9); }},
    {"DWGCODEPAGE of AC1006 is 0", 3, -1, [](File& f) { f.set_i16(1017, 30); },
     [](const TkDrawing*, const TkHeader& h) { EXPECT_EQ(h.dwgcodepage, 0); }},
    {"DWGCODEPAGE of AC1009 is read", 4, -1, [](File& f) { f.set_i16(1017, 30); },
     [](const TkDrawing*, const TkHeader& h) { EXPECT_EQ(h.dwgcodepage, 30); }},
    {"PLINEGEN of AC1006 keeps the default", 3, -1, [](File& f) { f.set_i16(118, 7); },
     [](const TkDrawing*, const TkHeader& h) {
       TkHeader defaults;
       header_set_defaults(&defaults);
       EXPECT_EQ(h.plinegen, defaults.plinegen);
     }},
    {"the unnamed values are kept", 4, -1,
     [](File& f) {
       f.set_d(1091, 3.0);
       f.set_d(1139, 4.0);
       f.set_i16(1312, 9);
       f.set_bytes(1227, "UNNAMED");
     },
     [](const TkDrawing*, const TkHeader& h) {
       EXPECT_EQ(h.unnamed_point[0], 3.0);
       EXPECT_EQ(h.unnamed_double[2], 4.0);
       EXPECT_EQ(h.unnamed_short[3], 9);
       EXPECT_STREQ(h.unnamed_text, "UNNAMED");
     }},
    {"the unnamed values of an AC1004 file are the defaults", 2, -1, [](File&) {},
     [](const TkDrawing*, const TkHeader& h) {
       EXPECT_EQ(h.unnamed_double[0], 50.0);
       EXPECT_EQ(h.unnamed_short[1], 1);
       EXPECT_EQ(h.unnamed_short[2], 5);
       EXPECT_EQ(h.unnamed_short[3], 1);
     }},
    {"a handle seed of AC1006 is the drawing's", 3, -1,
     [](File& f) {
       f.set_i16(1260, 1);
       f.header[1262 + 7] = 0x40;
     },
     [](const TkDrawing* d, const TkHeader&) {
       EXPECT_EQ(d->has_file_seed, 1);
       EXPECT_EQ(d->file_seed.bytes[7], 0x40);
     }},
    // Texts that fill their field: kept terminated inside it.
    {"DIMPOST and DIMBLK1 without a zero are terminated in their field", 4, -1,
     [](File& f) {
       f.set_bytes(933, std::string(16, 'P'));
       f.set_bytes(949, std::string(16, 'Q'));
       f.set_bytes(1150, std::string(32, 'B'));
       f.set_bytes(1183, std::string(32, 'C'));
       f.set_bytes(1227, std::string(32, 'U'));
     },
     [](const TkDrawing*, const TkHeader& h) {
       EXPECT_EQ(std::string(h.dimpost), std::string(15, 'P'));
       EXPECT_EQ(std::string(h.dimapost), std::string(15, 'Q'));
       EXPECT_EQ(std::string(h.dimblk1), std::string(31, 'B'));
       EXPECT_EQ(std::string(h.dimblk2), std::string(31, 'C'));
       EXPECT_EQ(std::string(h.unnamed_text), std::string(31, 'U'));
     }},
};

TEST_F(OldHeader, SubVersionRulesAndCorrections) {
  for (const RuleCase& c : rule_cases) {
    SCOPED_TRACE(c.what);
    File f(c.version);
    f.subversion = c.subversion;
    c.poke(f);
    TkDrawing* d = load(f);
    ASSERT_NE(d, nullptr);
    c.check(d, *d->header);
    tk_close_drawing(d);
  }
}

struct IndexCase {
  int16_t version;
  int16_t celtype;
  uint16_t expected;
};

// The by-layer and by-block numbers of the older releases become the ones the load knows;
// AC1009's 256 is an ordinary index.
TEST_F(OldHeader, CurrentLinetypeIndex) {
  const IndexCase cases[] = {{2, 256, 32767}, {2, 255, 32766}, {2, 3, 3},
                             {4, 256, 256},   {4, 32767, 32767}, {4, 32766, 32766}};
  for (const IndexCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.version << " " << c.celtype);
    File f(c.version);
    f.set_i16(797, c.celtype);
    TkDrawing* d = load(f);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(tk_state->header_indexes.celtype, c.expected);
    tk_close_drawing(d);
  }
}

TEST_F(OldHeader, TableIndexesForTheLoad) {
  File f(4);
  f.set_i16(330, 2);    // CLAYER
  f.set_i16(398, 1);    // TEXTSTYLE
  f.set_i16(1296, 4);   // UCSNAME
  f.set_i16(1324, 0);   // DIMSTYLE
  f.set_i16(1583, -1);  // PUCSNAME: none
  TkDrawing* d = load(f);
  ASSERT_NE(d, nullptr);
  const TkHeaderIndexes& ix = tk_state->header_indexes;
  EXPECT_EQ(ix.clayer, 2);
  EXPECT_EQ(ix.textstyle, 1);
  EXPECT_EQ(ix.ucsname, 4);
  EXPECT_EQ(ix.dimstyle, 0);
  EXPECT_EQ(ix.pucsname, 65535);
  tk_close_drawing(d);

  // A release without those fields leaves the indexes that name no record.
  File older(2);
  d = load(older);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(tk_state->header_indexes.dimstyle, 65535);
  EXPECT_EQ(tk_state->header_indexes.ucsname, 65535);
  EXPECT_EQ(tk_state->header_indexes.pucsname, 65535);
  tk_close_drawing(d);
}

TEST_F(OldHeader, CountsOfAc1003TakeTheirLow16Bits) {
  File f(1);
  f.tables[LAYER].push_back(record_head(0, "0", 1).u16(7).u16(0).b);
  std::vector<uint8_t> bytes = f.build();
  bytes[54 + 4] = 0x02;  // the count's high half, as the releases' writers left it
  bytes[54 + 5] = 0x80;
  TkDrawing* d = open_bytes(bytes);
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  EXPECT_EQ(d->record_counts[TK_COUNT_LAYER], 1);
  tk_close_drawing(d);
}

TEST_F(OldHeader, SectionWords) {
  File f(4);
  f.subversion = 204;  // no file check over the changed header
  std::vector<uint8_t> bytes = f.build();
  bytes[32 + 3] |= 0xC0;  // the size word's top bits carry no size
  TkDrawing* d = open_bytes(bytes);
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  auto* s = static_cast<const DwgOldState*>(d->reader_state);
  EXPECT_EQ(s->blocks_size, 0u);
  EXPECT_EQ(s->entities_start, 1743u);
  tk_close_drawing(d);
}

// The viewport-entity headers: a first index past the table becomes 1; a block-entity section
// that overruns the file makes declared headers doubtful.
TEST_F(OldHeader, ViewportEntityHeaderIndexAndDoubtfulSections) {
  File f(4);
  for (int i = 0; i < 3; ++i) f.tables[VPENT].push_back(record_head(0, "", 4).u32(0).u16(0).b);
  f.set_i16(1589, 7);
  TkDrawing* d = load(f);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(static_cast<const DwgOldState*>(d->reader_state)->first_vpent_header, 1);
  EXPECT_EQ(d->record_counts[TK_COUNT_VPENT_HEADER], 3);
  tk_close_drawing(d);

  std::vector<uint8_t> bytes = f.build();
  bytes[32] = 0xFF;  // the block-entity section now runs past the file
  bytes[33] = 0xFF;
  bytes[17] = 204;   // no file check over the changed header
  EXPECT_EQ(open_bytes(bytes), nullptr);
  EXPECT_EQ(tk_get_last_error(), 301);

  // Without viewport-entity headers the same overrun is only noted.
  File none(4);
  none.subversion = 204;
  bytes = none.build();
  bytes[32] = 0xFF;
  bytes[33] = 0xFF;
  d = open_bytes(bytes);
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  EXPECT_EQ(static_cast<const DwgOldState*>(d->reader_state)->doubtful_viewports, 1);
  tk_close_drawing(d);
}

// Positions outside the file are refused before any record is read there.
TEST_F(OldHeader, SectionsOutsideTheFileAreRefused) {
  struct Case {
    const char* what;
    size_t at;
    int32_t value;
  } const cases[] = {
      {"entity section end past the file", 24, 1 << 20},
      {"entity section ending before it starts", 24, 100},
      {"table records past the file", 54 + 6, 1 << 20},
      {"table position negative", 54 + 6, -5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    File f(3);
    f.tables[LAYER].push_back(record_head(0, "0", 3).u16(7).u16(0).b);
    f.set_i32(c.at, c.value);
    std::vector<uint8_t> bytes = f.build();
    for (int i = 0; i < 4; ++i) bytes[c.at + i] = uint8_t(uint32_t(c.value) >> (8 * i));
    EXPECT_EQ(open_bytes(bytes), nullptr);
    EXPECT_EQ(tk_get_last_error(), 186);
  }
}

// A header shorter than its release's fields (AC1006 files whose entities start at 1298) gives
// the fields past its end their defaults, never the entity bytes that stand there.
TEST_F(OldHeader, FieldsPastTheHeaderKeepTheirDefaults) {
  File f(3);
  f.header.resize(1298);
  Entity line;
  line.kind = 1;
  Bytes body;
  for (int i = 0; i < 48; ++i) body.u8(0x11);  // would read as WORLDVIEW 4369
  line.body = body.b;
  f.entities = {line};
  TkDrawing* d = load(f);
  ASSERT_NE(d, nullptr);
  TkHeader defaults;
  header_set_defaults(&defaults);
  EXPECT_EQ(d->header->worldview, defaults.worldview);
  EXPECT_EQ(static_cast<const DwgOldState*>(d->reader_state)->appid_word, 0);
  EXPECT_EQ(entities_of(&d->model_entities).size(), 1u);
  tk_close_drawing(d);
}

TEST_F(OldHeader, FileShorterThanItsHeader) {
  File f(2);
  std::vector<uint8_t> bytes = f.build();
  bytes.resize(600);
  EXPECT_EQ(open_bytes(bytes), nullptr);
  EXPECT_NE(tk_get_last_error(), 0);
}

}  // namespace
