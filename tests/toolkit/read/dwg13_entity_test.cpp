// Entities of the bit-stream releases: bodies per type with the edge cases of their fields, and
// the walk along the handle chains, also over broken chains that must end it with an error.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tests/toolkit/read/dwg13_support.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/load_entities.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/dwg13_entity.h"

namespace {

using namespace dwg13_test;

constexpr uint64_t layer_handle = 0x10;

// Common entity data of a model-space entity with no reactors, colour 7, BYLAYER linetype.
void write_common(TkBitWriter* w, int16_t version, bool no_links) {
  bits_write_bit(w, 1);  // model space
  bits_write_bit(w, 0);
  bits_write_bl(w, 0);
  if (version < TK_VERSION_AC1015) {
    bits_write_bit(w, 1);  // linetype by layer
    bits_write_bit(w, no_links);
    bits_write_bs(w, 7);
    bits_write_bd(w, 1.0);
    bits_write_bs(w, 0);
  } else {
    bits_write_bit(w, no_links);
    bits_write_bs(w, 7);
    bits_write_bd(w, 1.0);
    bits_write_bb(w, 0);  // linetype by layer
    bits_write_bb(w, 0);  // plot style by layer
    bits_write_bs(w, 0);
    bits_write_rc(w, 29);  // lineweight BYLAYER
  }
}

// The common handles: extension dictionary, layer, chain neighbours (when given).
void write_handles(TkBitWriter* w, int16_t version, uint64_t prev, uint64_t next, bool links) {
  TkHandle none{}, layer = H(layer_handle), p = H(prev), n = H(next);
  bits_write_handle(w, &none, 0x30);
  if (version < TK_VERSION_AC1015) {
    bits_write_handle(w, &layer, 0x50);
    if (links) {
      bits_write_handle(w, &p, 0x40);
      bits_write_handle(w, &n, 0x40);
    }
  } else {
    if (links) {
      bits_write_handle(w, &p, 0x40);
      bits_write_handle(w, &n, 0x40);
    }
    bits_write_handle(w, &layer, 0x50);
  }
}

ObjectSpec entity(int16_t version, uint16_t type, uint64_t handle, Writes body,
                  Writes own_handles = nullptr, uint64_t prev = 0, uint64_t next = 0,
                  bool links = false) {
  ObjectSpec s;
  s.type = type;
  s.handle = handle;
  s.entity = true;
  s.data = [=](TkBitWriter* w) {
    write_common(w, version, !links);
    if (body) body(w);
  };
  s.handles = [=](TkBitWriter* w) {
    write_handles(w, version, prev, next, links);
    if (own_handles) own_handles(w);
  };
  return s;
}

class Entities : public ObjectFile {
 protected:
  // Reads the single entity of the file as the model space's only entity.
  void ReadOne(int16_t version, const ObjectSpec& s) {
    Load(version, {s});
    Dwg13Objects* o = objects();
    o->spaces_read = 1;
    o->model.first = o->model.last = H(s.handle);
    ASSERT_EQ(dwg_rewind(d), 1);
    std::memset(&h, 0, sizeof h);
    std::memset(data.bytes, 0, sizeof data.bytes);
    uint8_t xd = 0;
    ASSERT_EQ(dwg_read_entity(d, &h, &data, &xd), 1);
  }
  void TearDown() override {
    if (d) tk_free_entity_blobs(d, &h, &data);
    ObjectFile::TearDown();
  }
  double D(size_t at) const { return tk_data_get<double>(&data, at); }
  TkEntityHeader h{};
  TkEntityData data{};
};

TEST_F(Entities, Ac1015TextWithAllDataFlagsKeepsEveryOptionalDefault) {
  ReadOne(TK_VERSION_AC1015, entity(TK_VERSION_AC1015, 1, 0x50, [](TkBitWriter* w) {
            bits_write_rc(w, 0xFF);
            const double ins[2] = {3.0, 4.0};
            bits_write_2rd(w, ins);
            bits_write_bit(w, 1);  // extrusion default
            bits_write_bit(w, 1);  // thickness 0
            bits_write_rd(w, 2.5);
            bits_write_text(w, "hello");
          }, [](TkBitWriter* w) {
            TkHandle style = H(0x11);
            bits_write_handle(w, &style, 0x50);
          }));
  EXPECT_EQ(h.kind, TK_TEXT);
  EXPECT_EQ(D(0), 3.0);
  EXPECT_EQ(D(8), 4.0);
  EXPECT_EQ(D(16), 0.0);
  EXPECT_EQ(D(24), 2.5);                    // height
  EXPECT_EQ(D(40), 1.0);                    // width factor default
  EXPECT_EQ(D(32), 0.0);                    // rotation default
  EXPECT_STREQ(tk_data_text(&data, TK_TEXT_STRING), "hello");
  EXPECT_EQ(V(tk_data_get<TkHandle>(&data, 80)), 0x11u);
  EXPECT_EQ(h.colour, 7);
  EXPECT_EQ(V(h.layer), layer_handle);
  EXPECT_EQ(h.lineweight, -1);
}

struct ArcCase {
  double start, end, want_end;
};

TEST_F(Entities, ArcEndAngleBelowStartWrapsByWholeTurns) {
  const ArcCase cases[] = {{6.0, 1.0, 1.0 + 6.283185307179586},
                           {1.0, 2.0, 2.0},
                           {0.5, -20.0, -20.0 + 4 * 6.283185307179586}};
  for (const ArcCase& c : cases) {
    SCOPED_TRACE(c.start);
    ReadOne(TK_VERSION_AC1014, entity(TK_VERSION_AC1014, 17, 0x51, [&](TkBitWriter* w) {
              const double centre[3] = {1, 2, 0};
              bits_write_3bd(w, centre);
              bits_write_bd(w, -3.0);  // negative radius
              bits_write_bd(w, 0.0);
              const double z[3] = {0, 0, 1};
              bits_write_3bd(w, z);
              bits_write_bd(w, c.start);
              bits_write_bd(w, c.end);
            }));
    EXPECT_EQ(h.kind, TK_ARC);
    EXPECT_EQ(D(24), 0.0);
    EXPECT_NEAR(D(40), c.want_end, 1e-12);
    EXPECT_GE(D(40), D(32));
    tk_free_entity_blobs(d, &h, &data);
    if (d->file) file_close(d->file);
    d->file = nullptr;
    tk_close_drawing(d);
    d = tk_new_drawing(nullptr, nullptr, 0, 6);
  }
}

TEST_F(Entities, VertexWithNegativeStartWidthTakesItsMagnitudeForBoth) {
  ReadOne(TK_VERSION_AC1015, entity(TK_VERSION_AC1015, 10, 0x52, [](TkBitWriter* w) {
            bits_write_rc(w, 0);
            const double p[3] = {1, 1, 0};
            bits_write_3bd(w, p);
            bits_write_bd(w, -2.5);
            bits_write_bd(w, 0.25);  // bulge
            bits_write_bd(w, 0.0);   // tangent
          }));
  EXPECT_EQ(h.kind, TK_VERTEX);
  EXPECT_EQ(D(32), 2.5);
  EXPECT_EQ(D(40), 2.5);
  EXPECT_EQ(D(56), 0.25);
}

TEST_F(Entities, LwpolylineWithBulgesAndWidthsStoresFortyBytesPerVertex) {
  ASSERT_NE(tk_class_lwpolyline(d), 0);
  ReadOne(TK_VERSION_AC1015, entity(TK_VERSION_AC1015, 77, 0x53, [](TkBitWriter* w) {
            bits_write_bs(w, 16 | 32);
            bits_write_bl(w, 3);
            bits_write_bl(w, 3);
            bits_write_bl(w, 3);
            const double p0[2] = {0, 0};
            bits_write_2rd(w, p0);
            bits_write_dd(w, 1.0, 0.0);
            bits_write_dd(w, 0.0, 0.0);
            bits_write_dd(w, 1.0, 1.0);
            bits_write_dd(w, 1.0, 0.0);
            for (int i = 0; i < 3; ++i) bits_write_bd(w, 0.5 * i);
            for (int i = 0; i < 6; ++i) bits_write_bd(w, 0.1 * i);
          }));
  EXPECT_EQ(h.kind, tk_class_lwpolyline(d));
  EXPECT_EQ(tk_data_get<uint32_t>(&data, TK_LWPOLYLINE_COUNT), 3u);
  std::vector<uint8_t> v = blob_bytes(tk_data_blob(&data, TK_LWPOLYLINE_VERTICES));
  ASSERT_EQ(v.size(), 3u * 40);
  double last[5];
  std::memcpy(last, v.data() + 80, sizeof last);
  EXPECT_EQ(last[0], 1.0);
  EXPECT_EQ(last[1], 1.0);
  EXPECT_EQ(last[2], 1.0);
  EXPECT_NEAR(last[3], 0.4, 1e-12);
  EXPECT_NEAR(last[4], 0.5, 1e-12);
}

TEST_F(Entities, MtextOf256CharactersOrMoreGoesToABlob) {
  for (size_t n : {255u, 300u}) {
    SCOPED_TRACE(n);
    std::string text(n, 'x');
    ReadOne(TK_VERSION_AC1015, entity(TK_VERSION_AC1015, 44, 0x54, [&](TkBitWriter* w) {
              const double p[3] = {0, 0, 0}, z[3] = {0, 0, 1}, x[3] = {1, 0, 0};
              bits_write_3bd(w, p);
              bits_write_3bd(w, z);
              bits_write_3bd(w, x);
              bits_write_bd(w, 10);
              bits_write_bd(w, 2.5);
              bits_write_bs(w, 1);
              bits_write_bs(w, 1);
              bits_write_bd(w, 0);
              bits_write_bd(w, 0);
              bits_write_text(w, text.c_str());
              bits_write_bs(w, 2);
              bits_write_bd(w, 1.5);
              bits_write_bit(w, 0);
            }));
    EXPECT_EQ(h.kind, TK_MTEXT);
    TkBlob* blob = tk_data_blob(&data, TK_MTEXT_BLOB);
    if (n < 256) {
      EXPECT_EQ(blob, nullptr);
      EXPECT_EQ(std::string(tk_data_text(&data, TK_MTEXT_STRING)), text);
    } else {
      ASSERT_NE(blob, nullptr);
      std::vector<uint8_t> b = blob_bytes(blob);
      EXPECT_EQ(std::string(b.begin(), b.end() - 1), text);
    }
    EXPECT_EQ(tk_data_get<int16_t>(&data, 88), 2);
    EXPECT_EQ(D(96), 1.5);
    tk_free_entity_blobs(d, &h, &data);
    if (d->file) file_close(d->file);
    d->file = nullptr;
    tk_close_drawing(d);
    d = tk_new_drawing(nullptr, nullptr, 0, 6);
  }
}

struct LeaderCase {
  int16_t version;
  int16_t annotation;
  double degrees;
  uint8_t hook;
  int16_t colour;
};

TEST_F(Entities, LeaderHookLineFollowsTheLastSegmentAndByBlockColourTheRelease) {
  const LeaderCase cases[] = {
      {TK_VERSION_AC1015, 0, 45, 1, 255}, {TK_VERSION_AC1015, 0, 10, 0, 255},
      {TK_VERSION_AC1015, 0, 80, 0, 255}, {TK_VERSION_AC1015, 2, 45, 0, 255},
      {TK_VERSION_AC1012, 1, 45, 1, 3},   {TK_VERSION_AC1014, 0, 45, 1, 3},
  };
  for (const LeaderCase& c : cases) {
    SCOPED_TRACE(c.degrees);
    SCOPED_TRACE(c.version);
    ReadOne(c.version, entity(c.version, 45, 0x55, [&](TkBitWriter* w) {
              bits_write_bit(w, 0);
              bits_write_bs(w, c.annotation);
              bits_write_bs(w, 0);
              bits_write_bl(w, 2);
              const double a[3] = {1, 1, 0};
              double rad = c.degrees * 3.141592653589793 / 180;
              const double b[3] = {1 + std::cos(rad), 1 + std::sin(rad), 0};
              bits_write_3bd(w, a);
              bits_write_3bd(w, b);
              const double zero[3] = {0, 0, 0}, z[3] = {0, 0, 1}, x[3] = {1, 0, 0};
              bits_write_3bd(w, zero);
              bits_write_3bd(w, z);
              bits_write_3bd(w, x);
              bits_write_3bd(w, zero);
              if (c.version >= TK_VERSION_AC1014) bits_write_3bd(w, zero);
              if (c.version < TK_VERSION_AC1015) bits_write_bd(w, 0);
              bits_write_bd(w, 2.0);
              bits_write_bd(w, 3.0);
              bits_write_bit(w, 1);
              bits_write_bit(w, 1);
              if (c.version < TK_VERSION_AC1015) {
                bits_write_bs(w, 0);
                bits_write_bd(w, 0);
                bits_write_bb(w, 0);
                bits_write_bs(w, 0);
                bits_write_bs(w, 3);
                bits_write_bb(w, 0);
              } else {
                bits_write_bs(w, 0);
                bits_write_bb(w, 0);
              }
            }, [](TkBitWriter* w) {
              TkHandle none{};
              bits_write_handle(w, &none, 0x50);
              TkHandle style = H(0x17);
              bits_write_handle(w, &style, 0x50);
            }));
    EXPECT_EQ(h.kind, TK_LEADER);
    EXPECT_EQ(tk_data_get<uint8_t>(&data, 5), c.hook);
    EXPECT_EQ(tk_data_get<int16_t>(&data, 8), c.colour);
    EXPECT_EQ(tk_data_get<int16_t>(&data, 0), 2);
    EXPECT_EQ(D(16), 2.0);
    EXPECT_EQ(V(tk_data_get<TkHandle>(&data, 112)), 0x17u);
    tk_free_entity_blobs(d, &h, &data);
    if (d->file) file_close(d->file);
    d->file = nullptr;
    tk_close_drawing(d);
    d = tk_new_drawing(nullptr, nullptr, 0, 6);
  }
}

TEST_F(Entities, InsertScaleOfZeroBecomesOneAndMinsertCountsAtLeastOne) {
  ReadOne(TK_VERSION_AC1015, entity(TK_VERSION_AC1015, 8, 0x56, [](TkBitWriter* w) {
            const double p[3] = {5, 6, 0}, z[3] = {0, 0, 1};
            bits_write_3bd(w, p);
            bits_write_bb(w, 0);
            bits_write_rd(w, 0.0);
            bits_write_dd(w, 2.0, 0.0);
            bits_write_dd(w, 0.0, 0.0);
            bits_write_bd(w, 0.0);
            bits_write_3bd(w, z);
            bits_write_bit(w, 0);
            bits_write_bs(w, 0);
            bits_write_bs(w, 3);
            bits_write_bd(w, 1.0);
            bits_write_bd(w, 2.0);
          }, [](TkBitWriter* w) {
            TkHandle block = H(0x60);
            bits_write_handle(w, &block, 0x50);
          }));
  EXPECT_EQ(h.kind, TK_INSERT);
  EXPECT_EQ(D(32), 1.0);
  EXPECT_EQ(D(40), 2.0);
  EXPECT_EQ(D(48), 1.0);
  EXPECT_EQ(tk_data_get<int16_t>(&data, 82), 1);
  EXPECT_EQ(tk_data_get<int16_t>(&data, 80), 3);
  EXPECT_EQ(V(tk_data_get<TkHandle>(&data, TK_INSERT_BLOCK)), 0x60u);
}

// The common part of a dimension carries the insertion scale and rotation of its block (four
// doubles) before the AC1015 text settings; the body behind them must come out in place.
TEST_F(Entities, AlignedDimensionReadsItsPointsBehindTheBlockInsertion) {
  ReadOne(TK_VERSION_AC1015, entity(TK_VERSION_AC1015, 22, 0x58, [](TkBitWriter* w) {
            const double z[3] = {0, 0, 1}, mid[2] = {5, 6};
            bits_write_3bd(w, z);
            bits_write_2rd(w, mid);
            bits_write_bd(w, 0.0);   // elevation
            bits_write_rc(w, 0);     // flags: the last bit clear
            bits_write_text(w, "<>");
            bits_write_bd(w, 0.0);   // text rotation
            bits_write_bd(w, 0.0);   // horizontal direction
            bits_write_bd(w, 1.0);   // insertion scale x, y, z
            bits_write_bd(w, 1.0);
            bits_write_bd(w, 1.0);
            bits_write_bd(w, 0.5);   // insertion rotation
            bits_write_bs(w, 5);     // attachment
            bits_write_bs(w, 1);
            bits_write_bd(w, 1.0);
            bits_write_bd(w, 12.5);  // actual measurement
            const double clone[2] = {0, 0};
            bits_write_2rd(w, clone);
            const double p13[3] = {1, 1, 0}, p14[3] = {13.5, 1, 0}, p10[3] = {13.5, 4, 0};
            bits_write_3bd(w, p13);
            bits_write_3bd(w, p14);
            bits_write_3bd(w, p10);
            bits_write_bd(w, 0.0);
          }, [](TkBitWriter* w) {
            TkHandle style = H(0x12), block = H(0x13);
            bits_write_handle(w, &style, 0x50);
            bits_write_handle(w, &block, 0x50);
          }));
  EXPECT_EQ(h.kind, TK_DIMENSION);
  EXPECT_EQ(tk_data_get<int16_t>(&data, 224), 5);
  EXPECT_EQ(D(240), 12.5);
  EXPECT_EQ(D(88), 13.5);
  EXPECT_EQ(D(192 + 8), 4.0);
  EXPECT_EQ(tk_data_get<uint8_t>(&data, 32), 128 | 1);
  EXPECT_STREQ(tk_data_text(&data, TK_DIMENSION_STRING), "<>");
  EXPECT_EQ(V(tk_data_get<TkHandle>(&data, TK_DIMENSION_STYLE)), 0x12u);
  EXPECT_EQ(V(tk_data_get<TkHandle>(&data, TK_DIMENSION_BLOCK)), 0x13u);
  EXPECT_EQ(bits()->past_end, 0);
}

TEST_F(Entities, ZeroExtrusionBecomesDownwards) {
  ReadOne(TK_VERSION_AC1012, entity(TK_VERSION_AC1012, 18, 0x57, [](TkBitWriter* w) {
            const double c[3] = {0, 0, 0};
            bits_write_3bd(w, c);
            bits_write_bd(w, 1.0);
            bits_write_bd(w, 0.0);
            bits_write_3bd(w, c);
          }));
  EXPECT_EQ(h.extrusion[2], -1.0);
  EXPECT_TRUE(h.flags & TK_ENTITY_EXTRUDED);
}

// An AC1015 VIEWPORT without frozen layers keeps no handle blob, and the handles behind the
// count are read in place.
TEST_F(Entities, Ac1015ViewportWithNoFrozenLayers) {
  ReadOne(TK_VERSION_AC1015, entity(TK_VERSION_AC1015, 34, 0x58, [](TkBitWriter* w) {
            const double centre[3] = {5, 6, 0}, zero[3] = {0, 0, 0}, up[3] = {0, 0, 1};
            bits_write_3bd(w, centre);
            bits_write_bd(w, 10.0);
            bits_write_bd(w, 8.0);
            bits_write_3bd(w, zero);  // view target
            bits_write_3bd(w, up);    // view direction
            for (int i = 0; i < 6; ++i) bits_write_bd(w, 0.0);
            const double p[2] = {0, 0};
            for (int i = 0; i < 4; ++i) bits_write_2rd(w, p);
            bits_write_bs(w, 0);
            bits_write_bl(w, 0);  // no frozen layers
            bits_write_bl(w, 0);
            bits_write_text(w, "");
            bits_write_rc(w, 0);
            bits_write_bit(w, 0);
            bits_write_bit(w, 0);
            bits_write_3bd(w, zero);
            bits_write_3bd(w, zero);
            bits_write_3bd(w, zero);
            bits_write_bd(w, 0.0);
            bits_write_bs(w, 0);
          }, [](TkBitWriter* w) {
            TkHandle clip{}, header = H(0x77), ucs = H(0x78), base = H(0x79);
            bits_write_handle(w, &clip, 0x50);
            bits_write_handle(w, &header, 0x50);
            bits_write_handle(w, &ucs, 0x50);
            bits_write_handle(w, &base, 0x50);
          }));
  EXPECT_EQ(h.kind, TK_VIEWPORT);
  EXPECT_EQ(tk_data_get<TkBlob*>(&data, TK_VIEWPORT_BLOB), nullptr);
  EXPECT_EQ(tk_data_get<uint32_t>(&data, TK_VIEWPORT_LAYER_COUNT), 0u);
  EXPECT_EQ(V(tk_data_get<TkHandle>(&data, TK_VIEWPORT_LIST_VALUE)), 0x77u);
  EXPECT_EQ(V(tk_data_get<TkHandle>(&data, 704)), 0x79u);
  EXPECT_EQ(D(40), 10.0);
}

// The walk: a chain of entities with explicit links.
class Walk : public Entities {
 protected:
  ObjectSpec line(uint64_t handle, uint64_t prev, uint64_t next) {
    return entity(TK_VERSION_AC1015, 19, handle, [](TkBitWriter* w) {
      const double a[3] = {0, 0, 0}, b[3] = {1, 1, 0};
      bits_write_line_points(w, a, b);
      bits_write_bt(w, 0.0);
      bits_write_be(w, a);
    }, nullptr, prev, next, true);
  }
  std::vector<uint16_t> WalkKinds(int limit = 50) {
    std::vector<uint16_t> kinds;
    EXPECT_EQ(dwg_rewind(d), 1);
    for (int i = 0; i < limit; ++i) {
      TkEntityHeader eh{};
      TkEntityData ed;
      uint8_t xd = 0;
      if (!dwg_read_entity(d, &eh, &ed, &xd)) break;
      kinds.push_back(eh.kind);
      tk_free_entity_blobs(d, &eh, &ed);
    }
    return kinds;
  }
};

TEST_F(Walk, PolylineLastInModelSpaceIsFollowedByItsVerticesAndSeqend) {
  auto poly = entity(TK_VERSION_AC1015, 16, 0x71, [](TkBitWriter* w) {
    bits_write_rc(w, 0);
    bits_write_rc(w, 0);
  }, [](TkBitWriter* w) {
    TkHandle first = H(0x72), last = H(0x73), seqend = H(0x74);
    bits_write_handle(w, &first, 0x40);
    bits_write_handle(w, &last, 0x40);
    bits_write_handle(w, &seqend, 0x30);
  }, 0x70, 0, true);
  auto vertex = [&](uint64_t handle, uint64_t next) {
    return entity(TK_VERSION_AC1015, 11, handle, [](TkBitWriter* w) {
      bits_write_rc(w, 32);
      const double p[3] = {1, 2, 3};
      bits_write_3bd(w, p);
    }, nullptr, 0, next, true);
  };
  auto seqend = entity(TK_VERSION_AC1015, 6, 0x74, nullptr);
  Load(TK_VERSION_AC1015, {line(0x70, 0, 0x71), poly, vertex(0x72, 0x73), vertex(0x73, 0),
                           seqend});
  objects()->spaces_read = 1;
  objects()->model.first = H(0x70);
  objects()->model.last = H(0x71);
  EXPECT_EQ(WalkKinds(), (std::vector<uint16_t>{TK_LINE, TK_POLYLINE, TK_VERTEX, TK_VERTEX,
                                                TK_SEQEND}));
}

TEST_F(Walk, ANextHandleMissingFromTheMapEndsTheWalkWithAnError) {
  Load(TK_VERSION_AC1015, {line(0x80, 0, 0x81), line(0x81, 0x80, 0x99)});
  objects()->spaces_read = 1;
  objects()->model.first = H(0x80);
  objects()->model.last = H(0x85);
  tk_fail(TK_ERR_NONE);
  EXPECT_EQ(WalkKinds(), (std::vector<uint16_t>{TK_LINE, TK_LINE}));
  EXPECT_EQ(tk_state->last_error, TK_ERR_BAD_ENTITY);
}

TEST_F(Walk, AChainThatLoopsEndsAfterAsManyEntitiesAsTheMapHolds) {
  Load(TK_VERSION_AC1015, {line(0x80, 0, 0x81), line(0x81, 0x80, 0x80)});
  objects()->spaces_read = 1;
  objects()->model.first = H(0x80);
  objects()->model.last = H(0x85);
  tk_fail(TK_ERR_NONE);
  std::vector<uint16_t> kinds = WalkKinds(100);
  EXPECT_LE(kinds.size(), 3u);
  EXPECT_EQ(tk_state->last_error, TK_ERR_BAD_ENTITY);
}

// Blocks whose chains all run into one chain: each walk alone stays within the map, but all walks
// together read no more entities than the map holds (and one more each), so the blocks cannot
// cost blocks times entities.
TEST_F(Walk, BlockWalksTogetherReadNoMoreThanTheMapHolds) {
  std::vector<ObjectSpec> chain;
  for (uint64_t h = 0x80; h < 0x90; ++h) chain.push_back(line(h, h - 1, h + 1 < 0x90 ? h + 1 : 0));
  Load(TK_VERSION_AC1015, chain);
  objects()->spaces_read = 1;
  TkBlockRecord record{};
  d->reading_block = &record;
  tk_fail(TK_ERR_NONE);
  size_t total = 0;
  for (uint64_t b = 0; b < 5; ++b) {
    Dwg13BlockRange range{};
    range.block_record = record.handle = H(0x200 + b);
    range.block = H(0x80);
    range.last = H(0x1);  // never met: each walk runs to the chain's end
    Dwg13BlockRange ranges[1] = {range};
    objects()->ranges = ranges;
    objects()->range_count = 1;
    ASSERT_EQ(dwg_begin_block_entities(d), 1);
    for (int i = 0; i < 100; ++i) {
      TkEntityHeader eh{};
      TkEntityData ed;
      uint8_t xd = 0;
      if (!dwg_read_entity(d, &eh, &ed, &xd)) break;
      ++total;
      tk_free_entity_blobs(d, &eh, &ed);
    }
    objects()->ranges = nullptr;
    objects()->range_count = 0;
  }
  d->reading_block = nullptr;
  // The first walk reads the chain of 16, the second two more (the map's 16 plus one for each
  // walk begun), the later ones none.
  EXPECT_EQ(total, 16u + 2u);
  EXPECT_EQ(tk_state->last_error, TK_ERR_BAD_ENTITY);
}

}  // namespace
