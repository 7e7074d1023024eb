// Builds whole AC1015 drawings with entities through the bit writer, on top of the file of
// dwg13_fixture.h: a layer, the two space block records, blocks with their BLOCK and ENDBLK,
// and entities chained by their handles (complex ones with their sub-entities and SEQEND), so a
// drawing can go through the whole open road. Free of gtest so the benchmarks can use it too.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/toolkit/read/dwg13_fixture.h"

namespace dwg13_fixture {

using Writes = std::function<void(TkBitWriter*)>;

// An object's data: type, data size in bits, own handle, no extended data, (entities) the
// graphics bit, (others) the reactor count; then its data and handle stream. Written twice, the
// second time with the data size the first one measured.
inline std::vector<uint8_t> object_data(uint16_t type, uint64_t handle, bool entity,
                                        const Writes& data, const Writes& handles) {
  uint32_t size_bits = 0;
  std::vector<uint8_t> bytes;
  for (int pass = 0; pass < 2; ++pass) {
    Writer wr;
    TkBitWriter* w = wr.get();
    bits_write_bs(w, int16_t(type));
    bits_write_rl(w, size_bits);
    TkHandle own = handle_of(handle);
    bits_write_handle(w, &own, 0);
    bits_write_bs(w, 0);
    if (entity) {
      bits_write_bit(w, 0);
    } else {
      bits_write_bl(w, 0);
    }
    if (data) data(w);
    bits_mark_data_end(w);
    size_bits = w->data_bits;
    if (handles) handles(w);
    bytes = wr.finish();
  }
  return bytes;
}

// An entity of a drawing: its type code, the body after the common data, the handles after the
// common ones; a complex one (POLYLINE, INSERT with attributes) is followed by its sub-entities
// and a SEQEND, whose handles the builder writes behind `own`.
struct Ent {
  Ent() = default;
  Ent(uint16_t t, Writes b, Writes o = nullptr) : type(t), body(std::move(b)), own(std::move(o)) {}
  uint16_t type = 0;
  Writes body;
  Writes own;
  bool complex = false;
  std::vector<Ent> subs;
  uint8_t linetype_flags = 3;  // AC1015 linetype code: 0 BYLAYER, 1 BYBLOCK, 2 CONTINUOUS, 3 own
  bool null_layer = false;
};

// Entities of many kinds, AC1015 layout, at a position `x` so copies differ.
namespace ents {

inline void style(TkBitWriter* w) {
  TkHandle none{};
  bits_write_handle(w, &none, 0x50);
}
inline const double* up() {
  static const double z[3] = {0, 0, 1};
  return z;
}

inline Ent line(double x) {
  return {19, [=](TkBitWriter* w) {
    const double a[3] = {x, 0, 0}, b[3] = {x + 1, 2, 0};
    bits_write_line_points(w, a, b);
    bits_write_bt(w, 0.0);
    bits_write_be(w, up());
  }};
}
inline Ent circle(double x, bool arc = false) {
  return {uint16_t(arc ? 17 : 18), [=](TkBitWriter* w) {
    const double c[3] = {x, 1, 0};
    bits_write_3bd(w, c);
    bits_write_bd(w, 2.5);
    bits_write_bt(w, 0.0);
    bits_write_be(w, up());
    if (arc) {
      bits_write_bd(w, 0.5);
      bits_write_bd(w, 2.0);
    }
  }};
}
inline Ent point(double x) {
  return {27, [=](TkBitWriter* w) {
    const double p[3] = {x, 3, 0};
    bits_write_3bd(w, p);
    bits_write_bt(w, 0.0);
    bits_write_be(w, up());
    bits_write_bd(w, 0.0);
  }};
}
// TEXT (type 1) or, with a tag, ATTRIB (type 2).
inline Ent text(double x, const std::string& value, const std::string& tag = "") {
  bool attrib = !tag.empty();
  return {uint16_t(attrib ? 2 : 1), [=](TkBitWriter* w) {
    bits_write_rc(w, 2 | 4 | 8 | 16 | 32 | 64 | 128);  // elevation, height and text only
    bits_write_rd(w, 0.0);
    const double ins[2] = {x, 4};
    bits_write_2rd(w, ins);
    bits_write_be(w, up());
    bits_write_bt(w, 0.0);
    bits_write_rd(w, 0.25);
    bits_write_text(w, value.c_str());
    if (attrib) {
      bits_write_text(w, tag.c_str());
      bits_write_bs(w, 0);
      bits_write_rc(w, 0);
    }
  }, style};
}
inline Ent solid(double x) {
  return {31, [=](TkBitWriter* w) {
    bits_write_bt(w, 0.0);
    bits_write_bd(w, 0.0);
    for (int i = 0; i < 4; ++i) {
      const double c[2] = {x + (i & 1), double(i >> 1)};
      bits_write_2rd(w, c);
    }
    bits_write_be(w, up());
  }};
}
inline Ent ellipse(double x) {
  return {35, [=](TkBitWriter* w) {
    const double c[3] = {x, 5, 0}, major[3] = {2, 0, 0};
    bits_write_3bd(w, c);
    bits_write_3bd(w, major);
    bits_write_3bd(w, up());
    bits_write_bd(w, 0.5);
    bits_write_bd(w, 0.0);
    bits_write_bd(w, 6.283185307179586);
  }};
}
inline Ent mtext(double x, const std::string& value) {
  return {44, [=](TkBitWriter* w) {
    const double ins[3] = {x, 6, 0}, dir[3] = {1, 0, 0};
    bits_write_3bd(w, ins);
    bits_write_3bd(w, up());
    bits_write_3bd(w, dir);
    bits_write_bd(w, 10.0);
    bits_write_bd(w, 0.25);
    bits_write_bs(w, 1);
    bits_write_bs(w, 1);
    bits_write_bd(w, 1.0);
    bits_write_bd(w, 10.0);
    bits_write_bs(w, int16_t(value.size()));
    bits_write_bytes(w, value.data(), value.size());
    bits_write_bs(w, 1);
    bits_write_bd(w, 1.0);
    bits_write_bit(w, 0);
  }, style};
}
// A 2D POLYLINE with its vertices.
inline Ent polyline(double x, int vertices) {
  Ent p{15, [](TkBitWriter* w) {
    bits_write_bs(w, 1);  // closed
    bits_write_bs(w, 0);
    bits_write_bd(w, 0.0);
    bits_write_bd(w, 0.0);
    bits_write_bt(w, 0.0);
    bits_write_bd(w, 0.0);
    bits_write_be(w, up());
  }};
  p.complex = true;
  for (int i = 0; i < vertices; ++i)
    p.subs.push_back({10, [=](TkBitWriter* w) {
      bits_write_rc(w, 0);
      const double v[3] = {x + i, double(i % 2), 0};
      bits_write_3bd(w, v);
      bits_write_bd(w, 0.0);
      bits_write_bd(w, 0.0);
      bits_write_bd(w, 0.0);
      bits_write_bd(w, 0.0);
    }});
  return p;
}
// An INSERT of the block record, with attributes when given.
inline Ent insert(double x, uint64_t block_record, const std::vector<Ent>& attributes = {}) {
  bool with = !attributes.empty();
  Ent e{7, [=](TkBitWriter* w) {
    const double p[3] = {x, 7, 0};
    bits_write_3bd(w, p);
    bits_write_bb(w, 3);  // scale 1
    bits_write_bd(w, 0.0);
    bits_write_3bd(w, up());
    bits_write_bit(w, with);
  }, [=](TkBitWriter* w) {
    TkHandle b = handle_of(block_record);
    bits_write_handle(w, &b, 0x50);
  }};
  e.complex = with;
  e.subs = attributes;
  return e;
}

}  // namespace ents

class Drawing {
 public:
  static constexpr uint64_t layer = 0x40;     // "0", the first entry of the layer control
  static constexpr uint64_t linetype = 0x60;  // the first entry of the linetype control

  Drawing() {
    layout.version = "AC1015";
    for (auto& entries : layout.entries) entries.clear();
    layout.entries[DWG13_CONTROL_BLOCK] = {model_record(), paper_record()};
    layout.entries[DWG13_CONTROL_LAYER] = {layer};
    layout.entries[DWG13_CONTROL_LTYPE] = {linetype};
    layout.handles["HELD" + std::to_string(DWG13_HELD_CONTINUOUS)] = linetype;
    layout.objects.push_back({layer, layer_record("0")});
    layout.objects.push_back({linetype, linetype_record(linetype, "CONTINUOUS")});
    for (int held : {DWG13_HELD_BYLAYER, DWG13_HELD_BYBLOCK}) {
      uint64_t h = held_handle(held);
      layout.objects.push_back(
          {h, linetype_record(h, held == DWG13_HELD_BYLAYER ? "BYLAYER" : "BYBLOCK")});
    }
  }

  static uint64_t model_record() { return held_handle(DWG13_HELD_MODEL_BLOCK_RECORD); }
  static uint64_t paper_record() { return held_handle(DWG13_HELD_PAPER_BLOCK_RECORD); }

  void model(const std::vector<Ent>& ents) { model_ = ents; }
  void paper(const std::vector<Ent>& ents) { paper_ = ents; }
  // A block named `name` holding `ents`; its record's handle.
  uint64_t block(const std::string& name, const std::vector<Ent>& ents) {
    uint64_t record = next_++;
    layout.entries[DWG13_CONTROL_BLOCK].push_back(record);
    blocks_.push_back({name, record, ents});
    return record;
  }

  std::vector<uint8_t> build() {
    Layout s = layout;
    Lay(s, "*Model_Space", model_record(), model_, 2);
    Lay(s, "*Paper_Space", paper_record(), paper_, 1);
    for (const Block& b : blocks_) Lay(s, b.name, b.record, b.ents, 0);
    return dwg13_fixture::build(s);
  }

  Layout layout;
  bool null_block_layers = false;  // BLOCK and ENDBLK entities name no layer

 private:
  struct Block {
    std::string name;
    uint64_t record;
    std::vector<Ent> ents;
  };

  static void null_handle(TkBitWriter* w, uint8_t code) {
    TkHandle none{};
    bits_write_handle(w, &none, code);
  }
  static void put(TkBitWriter* w, uint64_t h, uint8_t code) {
    TkHandle v = handle_of(h);
    bits_write_handle(w, &v, code);
  }

  // A table record's common part: name, flags, external-reference index and dependency bit.
  static void record_start(TkBitWriter* w, const std::string& name) {
    bits_write_text(w, name.c_str());
    bits_write_bit(w, 0);
    bits_write_bs(w, 0);
    bits_write_bit(w, 0);
  }
  static void record_handles(TkBitWriter* w, uint64_t control) {
    put(w, control, 0x40);
    null_handle(w, 0x30);
    null_handle(w, 0x50);
  }

  static std::vector<uint8_t> layer_record(const std::string& name) {
    return object_data(51, layer, false, [=](TkBitWriter* w) {
      record_start(w, name);
      bits_write_bs(w, 16);  // plotted, lineweight BYLAYER code 0
      bits_write_bs(w, 7);
    }, [](TkBitWriter* w) {
      record_handles(w, control_handle(DWG13_CONTROL_LAYER));
      null_handle(w, 0x50);  // plot style
      put(w, linetype, 0x50);
    });
  }

  static std::vector<uint8_t> linetype_record(uint64_t handle, const std::string& name) {
    return object_data(57, handle, false, [=](TkBitWriter* w) {
      record_start(w, name);
      bits_write_text(w, "Solid line");
      bits_write_bd(w, 0.0);
      bits_write_rc(w, 'A');
      bits_write_rc(w, 0);
      bits_write_bytes(w, std::string(256, '\0').data(), 256);  // the text area
    }, [](TkBitWriter* w) { record_handles(w, control_handle(DWG13_CONTROL_LTYPE)); });
  }

  // One entity object: the common data of the space (2 model, 1 paper, 0 a block's, owned),
  // the body, the common handles with explicit chain links, and its own handles.
  std::vector<uint8_t> entity(const Ent& e, uint64_t handle, uint64_t owner, int space,
                              uint64_t prev, uint64_t next, const uint64_t* sub_handles) {
    return object_data(e.type, handle, true, [&](TkBitWriter* w) {
      bits_write_bb(w, unsigned(space));
      bits_write_bl(w, 0);  // reactors
      bits_write_bit(w, 0);  // links follow
      bits_write_bs(w, 7);
      bits_write_bd(w, 1.0);
      bits_write_bb(w, e.linetype_flags);
      bits_write_bb(w, 0);  // plot style BYLAYER
      bits_write_bs(w, 0);
      bits_write_rc(w, 29);
      if (e.body) e.body(w);
    }, [&](TkBitWriter* w) {
      if (space == 0) put(w, owner, 0x40);
      null_handle(w, 0x30);
      put(w, prev, 0x40);
      put(w, next, 0x40);
      put(w, e.null_layer ? 0 : layer, 0x50);
      if (e.linetype_flags == 3) put(w, linetype, 0x50);
      if (e.own) e.own(w);
      if (sub_handles)
        for (int i = 0; i < 3; ++i) put(w, sub_handles[i], i == 2 ? 0x30 : 0x40);
    });
  }

  // Lays a chain of entities out; the handles of its first and last. Handles are given in walk
  // order (an entity, its sub-entities, its SEQEND, the next entity), as a drawing program
  // creating them in turn would.
  void Chain(Layout& s, const std::vector<Ent>& ents, uint64_t owner, int space, uint64_t* first,
             uint64_t* last) {
    struct Handles {
      uint64_t own;
      std::vector<uint64_t> subs;
      uint64_t seqend;
    };
    std::vector<Handles> hs(ents.size());
    for (size_t i = 0; i < ents.size(); ++i) {
      hs[i].own = next_++;
      for (size_t k = 0; ents[i].complex && k < ents[i].subs.size(); ++k)
        hs[i].subs.push_back(next_++);
      hs[i].seqend = ents[i].complex ? next_++ : 0;
    }
    for (size_t i = 0; i < ents.size(); ++i) {
      const Ent& e = ents[i];
      const Handles& h = hs[i];
      uint64_t prev = i ? hs[i - 1].own : 0, next = i + 1 < ents.size() ? hs[i + 1].own : 0;
      uint64_t subs[3] = {h.subs.empty() ? 0 : h.subs.front(), h.subs.empty() ? 0 : h.subs.back(),
                          h.seqend};
      s.objects.push_back(
          {h.own, entity(e, h.own, owner, space, prev, next, e.complex ? subs : nullptr)});
      for (size_t k = 0; k < h.subs.size(); ++k) {
        uint64_t sp = k ? h.subs[k - 1] : 0, sn = k + 1 < h.subs.size() ? h.subs[k + 1] : 0;
        s.objects.push_back({h.subs[k], entity(e.subs[k], h.subs[k], h.own, 0, sp, sn, nullptr)});
      }
      if (e.complex) {
        Ent seqend;
        seqend.type = 6;
        s.objects.push_back({h.seqend, entity(seqend, h.seqend, h.own, 0, 0, 0, nullptr)});
      }
    }
    *first = hs.empty() ? 0 : hs.front().own;
    *last = hs.empty() ? 0 : hs.back().own;
  }

  // A block record with its BLOCK, entities and ENDBLK.
  void Lay(Layout& s, const std::string& name, uint64_t record, const std::vector<Ent>& ents,
           int space) {
    uint64_t first = 0, last = 0;
    Chain(s, ents, record, space, &first, &last);
    uint64_t block = next_++, endblk = next_++;
    Ent b;
    b.type = 4;
    b.body = [=](TkBitWriter* w) { bits_write_text(w, name.c_str()); };
    b.null_layer = null_block_layers;
    s.objects.push_back({block, entity(b, block, record, 0, 0, 0, nullptr)});
    Ent e;
    e.type = 5;
    e.null_layer = null_block_layers;
    s.objects.push_back({endblk, entity(e, endblk, record, 0, 0, 0, nullptr)});
    s.objects.push_back({record, object_data(49, record, false, [=](TkBitWriter* w) {
      record_start(w, name);
      bits_write_bit(w, 0);  // anonymous
      bits_write_bit(w, 0);  // has attribute definitions
      bits_write_bit(w, 0);  // external reference
      bits_write_bit(w, 0);  // overlaid
      bits_write_bit(w, 1);  // loaded
      const double base[3] = {0, 0, 0};
      bits_write_3bd(w, base);
      bits_write_text(w, "");
      bits_write_rc(w, 0);  // no inserts
      bits_write_text(w, "");
      bits_write_bl(w, 0);  // no preview
    }, [=](TkBitWriter* w) {
      record_handles(w, control_handle(DWG13_CONTROL_BLOCK));
      put(w, block, 0x30);
      put(w, first, 0x40);
      put(w, last, 0x40);
      put(w, endblk, 0x30);
      null_handle(w, 0x50);  // layout
    })});
  }

  std::vector<Ent> model_, paper_;
  std::vector<Block> blocks_;
  uint64_t next_ = 0x400;
};

}  // namespace dwg13_fixture
