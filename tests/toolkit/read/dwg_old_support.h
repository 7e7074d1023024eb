// Test support for the reader of DWG files of AC1002 to AC1009: a builder of small files of
// any of those releases (header with its variables at their file positions, entity records,
// table records, blocks), byte helpers for records, and opening the bytes as a drawing from
// memory through the toolkit's open road. Shared by the reader tests and the fuzz target, so it
// stays free of gtest.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/toolkit/core/load_support.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/load.h"
#include "toolkit/read/dwg_check.h"
#include "toolkit/write/crc16.h"

namespace dwg_old_test {

// Little-endian byte writing.
struct Bytes {
  std::vector<uint8_t> b;

  Bytes& u8(uint8_t v) {
    b.push_back(v);
    return *this;
  }
  Bytes& u16(uint16_t v) { return u8(uint8_t(v)).u8(uint8_t(v >> 8)); }
  Bytes& i16(int16_t v) { return u16(uint16_t(v)); }
  Bytes& u32(uint32_t v) { return u16(uint16_t(v)).u16(uint16_t(v >> 16)); }
  Bytes& rd(double v) {
    uint8_t raw[8];
    std::memcpy(raw, &v, 8);
    b.insert(b.end(), raw, raw + 8);
    return *this;
  }
  Bytes& raw(const std::vector<uint8_t>& more) {
    b.insert(b.end(), more.begin(), more.end());
    return *this;
  }
  // A fixed field: the text, then zeros up to n.
  Bytes& field(const std::string& text, size_t n) {
    for (size_t i = 0; i < n; ++i) u8(i < text.size() ? uint8_t(text[i]) : 0);
    return *this;
  }
  // A text as entity records keep it: signed length, characters.
  Bytes& text(const std::string& t) {
    i16(int16_t(t.size()));
    b.insert(b.end(), t.begin(), t.end());
    return *this;
  }
  size_t size() const { return b.size(); }
};

inline const char* const release_texts[] = {"AC1002", "AC1003", "AC1004", "AC1006", "AC1009"};
// Header length of each release (AC1009 adds a 16-byte sentinel before its entities).
inline const uint32_t header_sizes[] = {929, 981, 1007, 1310, 1727};
// The sub-version the releases' own writers stamp.
inline const int16_t usual_subversions[] = {0x72, 0x7A, 0x81, 0xA0, 0xCD};

// One entity record: kind, flags, layer, options and the body; the builder adds the length and,
// for AC1009, the two check bytes.
struct Entity {
  uint8_t kind = 1;
  uint8_t flags = 0;
  int16_t layer = 0;
  uint16_t options = 0;
  bool extra = false;  // write the extra-flags byte (flags bit 64)
  uint8_t extra_flags = 0;
  std::vector<uint8_t> xdata;  // written with its length when extra_flags has bit 2
  std::vector<uint8_t> common;  // colour, linetype, elevation, thickness, handle, paper flags
  std::vector<uint8_t> body;
  int length_delta = 0;        // added to the true length (damaged records)
  int xdata_length_delta = 0;  // added to the extended data's length word
};

inline std::vector<uint8_t> entity_record(const Entity& e, int16_t version) {
  Bytes r;
  uint8_t flags = e.flags | (e.extra ? 64 : 0);
  r.u8(e.kind).u8(flags).u16(0);
  r.i16(e.layer).u16(e.options);
  if (e.extra) {
    r.u8(e.extra_flags);
    if (e.extra_flags & 2) r.u16(uint16_t(int(e.xdata.size()) + e.xdata_length_delta)).raw(e.xdata);
  }
  r.raw(e.common).raw(e.body);
  if (version == 4) r.u16(0);  // the record's check value, which the reader does not examine
  uint16_t length = uint16_t(int(r.size()) + e.length_delta);
  r.b[2] = uint8_t(length);
  r.b[3] = uint8_t(length >> 8);
  return r.b;
}

// The tables in descriptor order.
enum Table { BLOCK, LAYER, STYLE, LTYPE, VIEW, UCS, VPORT, APPID, DIMSTYLE, VPENT, TABLES };

inline size_t descriptor_position(int table) {
  static const size_t at[TABLES] = {44, 54, 64, 74, 84, 1007, 1280, 1298, 1314, 1695};
  return at[table];
}

// Record sizes the releases' writers use (with the AC1009 check bytes).
inline uint16_t record_size(int table, int16_t version) {
  bool r11 = version >= 4;
  switch (table) {
    case BLOCK: return r11 ? 45 : 37;
    case LAYER: return r11 ? 41 : 37;
    case STYLE: return r11 ? 198 : 194;
    case LTYPE: return r11 ? 191 : 187;
    case VIEW: return r11 ? 153 : version == 3 ? 149 : 89;
    case UCS: return r11 ? 109 : 105;
    case VPORT: return r11 ? 253 : 249;
    case APPID: return 37;
    case DIMSTYLE: return 324;
    case VPENT: return 43;
  }
  return 0;
}

// Head of a table record: flags, name, and for AC1009 the external-reference index.
inline Bytes record_head(uint8_t flags, const std::string& name, int16_t version,
                         bool xref = false) {
  Bytes r;
  r.u8(flags).field(name, 32);
  if (version >= 4 || xref) r.u16(0);
  return r;
}

struct Block {
  std::string name;
  uint8_t flags = 0;
  std::vector<Entity> entities;  // its BLOCK ... ENDBLK
};

struct File {
  int16_t version = 4;
  int16_t subversion = -1;  // -1: the release's usual one
  std::vector<uint8_t> header;  // sized and filled by start(); tests poke variables into it
  std::vector<Entity> entities;
  std::vector<std::vector<uint8_t>> tables[TABLES];
  uint16_t sizes[TABLES] = {};  // 0: the usual record size
  std::vector<Block> blocks;
  bool stamp_check = true;  // AC1009: write the header's check value

  explicit File(int16_t v) : version(v) {
    header.assign(header_sizes[v], 0);
    std::memcpy(header.data(), release_texts[v], 6);
  }

  void set_i16(size_t at, int16_t v) {
    header[at] = uint8_t(v);
    header[at + 1] = uint8_t(uint16_t(v) >> 8);
  }
  void set_i32(size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) header[at + i] = uint8_t(uint32_t(v) >> (8 * i));
  }
  void set_d(size_t at, double v) { std::memcpy(header.data() + at, &v, 8); }
  void set_bytes(size_t at, const std::string& text) {
    std::memcpy(header.data() + at, text.data(), text.size());
  }

  uint16_t size_of(int table) const { return sizes[table] ? sizes[table] : record_size(table, version); }

  std::vector<uint8_t> build() const {
    std::vector<uint8_t> h = header;
    auto put32 = [&](size_t at, uint32_t v) {
      for (int i = 0; i < 4; ++i) h[at + i] = uint8_t(v >> (8 * i));
    };
    auto put16 = [&](size_t at, uint16_t v) {
      h[at] = uint8_t(v);
      h[at + 1] = uint8_t(v >> 8);
    };
    int16_t sub = subversion >= 0 ? subversion : usual_subversions[version];
    put16(17, uint16_t(sub));
    std::vector<uint8_t> out(h.size(), 0);
    if (version == 4) out.resize(out.size() + 16, 0);  // sentinel
    uint32_t entities_start = uint32_t(out.size());
    for (const Entity& e : entities) {
      auto r = entity_record(e, version);
      out.insert(out.end(), r.begin(), r.end());
    }
    uint32_t entities_end = uint32_t(out.size());

    // Block entities come last; the block table records need their offsets.
    std::vector<uint8_t> block_bytes;
    std::vector<uint32_t> offsets;
    for (const Block& b : blocks) {
      offsets.push_back(uint32_t(block_bytes.size()));
      for (const Entity& e : b.entities) {
        auto r = entity_record(e, version);
        block_bytes.insert(block_bytes.end(), r.begin(), r.end());
      }
    }
    std::vector<std::vector<uint8_t>> block_records = tables[BLOCK];
    if (block_records.empty()) {
      for (size_t i = 0; i < blocks.size(); ++i) {
        Bytes r = record_head(blocks[i].flags, blocks[i].name, 0);
        if (version >= 4) r.u16(0xFFFF);
        r.u32(offsets[i] | 0x40000000u);
        block_records.push_back(r.b);
      }
    }

    const int tables_of[5] = {5, 5, 5, 7, 10};
    for (int t = 0; t < tables_of[version]; ++t) {
      const auto& records = t == BLOCK ? block_records : tables[t];
      uint16_t size = size_of(t);
      uint32_t at = uint32_t(out.size());
      for (const auto& r : records) {
        std::vector<uint8_t> padded = r;
        padded.resize(size, 0);
        out.insert(out.end(), padded.begin(), padded.end());
      }
      size_t d = descriptor_position(t);
      if (t == APPID && version < 4) continue;
      put16(d, size);
      put32(d + 2, uint32_t(records.size()));
      put32(d + 6, at);
    }
    uint32_t blocks_start = uint32_t(out.size());
    out.insert(out.end(), block_bytes.begin(), block_bytes.end());
    put32(20, entities_start);
    put32(24, entities_end);
    put32(28, blocks_start);
    put32(32, uint32_t(block_bytes.size()) | 0x40000000u);
    put32(36, uint32_t(out.size()));
    put32(40, 0);
    if (version == 4) {
      out.resize(out.size() + 16, 0);  // what follows the sections in the releases' files
    }
    std::memcpy(out.data(), h.data(), h.size());
    if (version == 4 && stamp_check && entities_start >= 18) {
      size_t at = entities_start - 18;
      uint16_t v = uint16_t(crc16(0, out.data(), at) ^ DWG_HEADER_CHECK_XOR);
      out[at] = uint8_t(v);
      out[at + 1] = uint8_t(v >> 8);
    }
    return out;
  }
};

// Opens the bytes as a drawing through the open road; null with the last error on failure.
inline TkDrawing* open_bytes(const std::vector<uint8_t>& bytes, const char* name = "mem.dwg") {
  load_test::mem_files[name] = bytes;
  return tk_open_drawing(name, 0, 0);
}

}  // namespace dwg_old_test
