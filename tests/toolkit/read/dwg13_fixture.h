// Builds small DWG files of releases AC1012, AC1014 and AC1015 byte for byte through the bit
// writer: file header with its locators, the header section (in the layout's own variable
// order), the classes section (empty unless classes are given), the ten table control objects and any further objects given,
// the object map, the measurement section and a preview directory. What a test does not set
// gets a plain default. Free of gtest so the fuzz seeds and benchmarks can use it too.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/core/blob.h"
#include "toolkit/core/handle.h"
#include "toolkit/read/dwg13_file.h"
#include "toolkit/read/dwg13_header_table.h"
#include "toolkit/write/bits_writer.h"
#include "toolkit/write/crc16.h"

namespace dwg13_fixture {

inline TkHandle handle_of(uint64_t v) {
  TkHandle h;
  for (int i = 7; i >= 0; --i, v >>= 8) h.bytes[i] = uint8_t(v & 0xFF);
  return h;
}

inline uint64_t value_of(const TkHandle& h) {
  uint64_t v = 0;
  for (uint8_t b : h.bytes) v = (v << 8) | b;
  return v;
}

struct Layout {
  std::string version = "AC1015";
  int16_t codepage = 30;
  uint8_t maintenance = 1;
  // Header variables by name: numbers (B, BS, BL, RC, BD, the first of a point), points, texts.
  std::map<std::string, double> numbers;
  std::map<std::string, std::vector<double>> points;
  std::map<std::string, std::string> texts;
  int32_t flags = 0;  // AC1015 flags BL
  uint64_t handseed = 0x200;
  // Handles by slot: "CONTROL<n>", "HELD<n>", "REF<n>"; what is not given takes a default.
  std::map<std::string, uint64_t> handles;
  // Entry handles of each control object (0 for a null entry).
  std::vector<std::vector<uint64_t>> entries = {
      {0x30, 0x31}, {0x40, 0, 0x41, 0x42}, {0x50}, {0x60, 0x61, 0x62}, {},
      {}, {0x70}, {0x80, 0x81}, {0x90}, {}};
  // Further map entries after the control objects: handles from 0x1000 on, each pointing at
  // one of the control objects in turn.
  int extra_map_entries = 0;
  uint8_t measurement = 1;
  std::vector<uint8_t> bmp = {'B', 'M', 1, 2, 3};
  std::vector<uint8_t> wmf;
  // Locator seekers that point somewhere else (by locator position).
  std::map<int, uint32_t> seeker_override;
  int locator_count = 5;
  bool empty_map = false;
  // Classes of the classes section: number, DXF name, item class (498 entity, 499 object).
  struct Class {
    uint16_t number;
    std::string dxf_name;
    int16_t item_class;
  };
  std::vector<Class> classes;
  // Further objects by handle: their data (from the type on, without size word and CRC), laid
  // behind the control objects and entered in the map.
  std::vector<std::pair<uint64_t, std::vector<uint8_t>>> objects;
};

inline uint64_t control_handle(int c) { return 0x1 + uint64_t(c); }
inline uint64_t held_handle(int h) { return h == DWG13_HELD_VPENT_CURRENT ? 0 : 0x20 + uint64_t(h); }
inline uint64_t ref_handle(int r) { return 0x100 + uint64_t(r); }

class Writer {
 public:
  Writer() : w_(new TkBitWriter()) { bits_blob_begin(w_.get()); }
  ~Writer() { bits_discard(w_.get()); }
  TkBitWriter* get() { return w_.get(); }
  std::vector<uint8_t> finish(uint32_t* bits = nullptr) {
    uint32_t n = 0;
    TkBlob* b = bits_blob_end(w_.get(), &n);
    std::vector<uint8_t> out(size_t(b ? blob_stored_size(b) : 0));
    if (b) {
      TkBlob* r = blob_open_read(b);
      if (!out.empty()) blob_read(r, out.data(), out.size());
      blob_close(r);
      blob_free(b);
    }
    if (bits) *bits = n;
    return out;
  }

 private:
  std::unique_ptr<TkBitWriter> w_;
};

inline void put_u16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
  out[at] = uint8_t(v), out[at + 1] = uint8_t(v >> 8);
}
inline void put_u32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + size_t(i)] = uint8_t(v >> (8 * i));
}
inline void append_u16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(uint8_t(v)), out.push_back(uint8_t(v >> 8));
}
inline void append_u32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

inline uint64_t handle_for(const Layout& s, const char* kind, int index, uint64_t fallback) {
  auto it = s.handles.find(std::string(kind) + std::to_string(index));
  return it == s.handles.end() ? fallback : it->second;
}

inline double number_for(const Layout& s, const char* name, double fallback) {
  if (!name) return fallback;
  auto it = s.numbers.find(name);
  return it == s.numbers.end() ? fallback : it->second;
}

// The header variables in the layout's order.
inline std::vector<uint8_t> header_stream(const Layout& s, bool r15) {
  Writer wr;
  TkBitWriter* w = wr.get();
  const Dwg13HeaderItem* items = r15 ? dwg13_header_r15 : dwg13_header_r13;
  size_t count = r15 ? dwg13_header_r15_count : dwg13_header_r13_count;
  double cepsntype = 0;
  for (size_t i = 0; i < count; ++i) {
    const Dwg13HeaderItem& it = items[i];
    bool is_double = it.code == DWG13_HV_BD || it.code == DWG13_HV_DROP_BD;
    double n = number_for(s, it.name, double(i % 7) + (is_double ? 0.5 : 0.0));
    TkHandle h;
    switch (it.code) {
      case DWG13_HV_B: case DWG13_HV_DROP_B: bits_write_bit(w, int(n) & 1); break;
      case DWG13_HV_BS: case DWG13_HV_DROP_BS:
        if (it.name && std::strcmp(it.name, "CEPSNTYPE") == 0) cepsntype = n;
        bits_write_bs(w, int16_t(n));
        break;
      case DWG13_HV_BL: case DWG13_HV_DROP_BL: bits_write_bl(w, int32_t(n)); break;
      case DWG13_HV_RC: bits_write_rc(w, uint8_t(n)); break;
      case DWG13_HV_BD: case DWG13_HV_DROP_BD: bits_write_bd(w, n); break;
      case DWG13_HV_3BD:
      case DWG13_HV_2RD: {
        std::vector<double> p = {n, n + 1, n + 2};
        if (it.name && s.points.count(it.name)) p = s.points.at(it.name);
        p.resize(3);
        if (it.code == DWG13_HV_3BD)
          bits_write_3bd(w, p.data());
        else
          bits_write_2rd(w, p.data());
        break;
      }
      case DWG13_HV_TV: case DWG13_HV_DROP_TV: {
        std::string t = it.name && s.texts.count(it.name) ? s.texts.at(it.name) : "";
        bits_write_text(w, t.c_str());
        break;
      }
      case DWG13_HV_DATE: bits_write_bl(w, 2450000 + int32_t(i)); bits_write_bl(w, 1000); break;
      case DWG13_HV_REF:
        h = handle_of(handle_for(s, "REF", it.arg, ref_handle(it.arg)));
        bits_write_handle(w, &h, 0x50);
        break;
      case DWG13_HV_HELD:
        h = handle_of(handle_for(s, "HELD", it.arg, held_handle(it.arg)));
        bits_write_handle(w, &h, 0x50);
        break;
      case DWG13_HV_CONTROL:
        h = handle_of(handle_for(s, "CONTROL", it.arg, control_handle(it.arg)));
        bits_write_handle(w, &h, 0x30);
        break;
      case DWG13_HV_HANDSEED: h = handle_of(s.handseed); bits_write_handle(w, &h, 0); break;
      case DWG13_HV_FLAGS: bits_write_bl(w, s.flags); break;
      case DWG13_HV_PLOTSTYLE:
        if (cepsntype == 3) {
          h = handle_of(handle_for(s, "REF", it.arg, ref_handle(it.arg)));
          bits_write_handle(w, &h, 0x50);
        }
        break;
      default: break;
    }
  }
  return wr.finish();
}

// Size word (and page count for objects over 32,767 bytes), data and CRC.
inline std::vector<uint8_t> frame_object(const std::vector<uint8_t>& data) {
  std::vector<uint8_t> out;
  size_t n = data.size();
  if (n < 0x8000) {
    out = {uint8_t(n), uint8_t(n >> 8)};
  } else {
    uint16_t pages = uint16_t(n / 32768);
    uint16_t word = uint16_t(0x8000 | (n - 32768u * pages));
    if (pages == 1) word = uint16_t(n);
    out = {uint8_t(word), uint8_t(word >> 8), uint8_t(pages), uint8_t(pages >> 8)};
  }
  out.insert(out.end(), data.begin(), data.end());
  uint16_t crc = crc16(0xC0C1, data.data(), data.size());
  out.push_back(uint8_t(crc));
  out.push_back(uint8_t(crc >> 8));
  return out;
}

// One control object with its frame: type, size in bits, handle, no extended data, no reactors,
// entry count, the owner and extension dictionary (null) and the entries.
inline std::vector<uint8_t> control_object(const Layout& s, int c, bool r15) {
  static const uint16_t types[DWG13_CONTROL_COUNT] = {48, 50, 52, 56, 60, 62, 64, 66, 68, 70};
  Writer wr;
  TkBitWriter* w = wr.get();
  bits_write_bs(w, int16_t(types[c]));
  if (r15) bits_write_rl(w, 0);
  TkHandle own = handle_of(control_handle(c));
  bits_write_handle(w, &own, 0);
  bits_write_bs(w, 0);
  if (!r15) bits_write_rl(w, 0);
  bits_write_bl(w, 0);
  bits_write_bl(w, int32_t(s.entries[size_t(c)].size()));
  if (c == DWG13_CONTROL_DIMSTYLE && r15) bits_write_rc(w, 0);
  TkHandle null = handle_of(0);
  bits_write_handle(w, &null, 0x40);
  bits_write_handle(w, &null, 0x30);
  for (uint64_t e : s.entries[size_t(c)]) {
    TkHandle h = handle_of(e);
    bits_write_handle(w, &h, 0x20);
  }
  // The linetype control names BYLAYER and BYBLOCK after its entries.
  if (c == DWG13_CONTROL_LTYPE) {
    for (int held : {DWG13_HELD_BYLAYER, DWG13_HELD_BYBLOCK}) {
      TkHandle h = handle_of(handle_for(s, "HELD", held, held_handle(held)));
      bits_write_handle(w, &h, 0x50);
    }
  }
  return frame_object(wr.finish());
}

inline void append_section(std::vector<uint8_t>& out, const std::vector<uint8_t>& data) {
  out.insert(out.end(), 16, 0xA5);  // sentinel: skipped by position, never compared
  append_u32(out, uint32_t(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  append_u16(out, crc16(0xC0C1, data.data(), data.size()));
}

// Map sections of at most about 2,000 bytes of pairs, then the empty closing section.
inline void append_map(std::vector<uint8_t>& out,
                       const std::vector<std::pair<uint64_t, uint32_t>>& objects) {
  size_t i = 0;
  while (i < objects.size()) {
    std::vector<uint8_t> pairs;
    uint64_t handle = 0;
    int64_t location = 0;
    while (i < objects.size() && pairs.size() < 2000) {
      uint8_t buf[10];
      TkHandle delta = handle_of(objects[i].first - handle);
      size_t n = modular_char_encode(&delta, buf);
      pairs.insert(pairs.end(), buf, buf + n);
      n = modular_char_encode_signed(int32_t(int64_t(objects[i].second) - location), buf);
      pairs.insert(pairs.end(), buf, buf + n);
      handle = objects[i].first;
      location = objects[i].second;
      ++i;
    }
    uint16_t size = uint16_t(pairs.size() + 2);
    out.push_back(uint8_t(size >> 8)), out.push_back(uint8_t(size));
    out.insert(out.end(), pairs.begin(), pairs.end());
    append_u16(out, 0);
  }
  out.push_back(0), out.push_back(2);
  append_u16(out, 0);
}

inline std::vector<uint8_t> build(const Layout& s) {
  bool r15 = s.version == "AC1015";
  std::vector<uint8_t> out(25 + 9 * size_t(s.locator_count) + 2, 0);
  std::memcpy(out.data(), s.version.data(), 6);
  out[11] = s.maintenance;
  put_u16(out, 19, uint16_t(s.codepage));
  put_u32(out, 21, uint32_t(s.locator_count));
  std::vector<uint32_t> seekers(size_t(s.locator_count), 0), sizes(size_t(s.locator_count), 0);

  seekers[0] = uint32_t(out.size());
  append_section(out, header_stream(s, r15));
  sizes[0] = uint32_t(out.size()) - seekers[0];
  seekers[1] = uint32_t(out.size());
  {
    Writer classes;
    for (const Layout::Class& c : s.classes) {
      bits_write_bs(classes.get(), int16_t(c.number));
      bits_write_bs(classes.get(), 0);  // proxy flags
      bits_write_text(classes.get(), "Vellview test");
      bits_write_text(classes.get(), ("AcDb" + c.dxf_name).c_str());
      bits_write_text(classes.get(), c.dxf_name.c_str());
      bits_write_bit(classes.get(), 0);
      bits_write_bs(classes.get(), c.item_class);
    }
    append_section(out, s.classes.empty() ? std::vector<uint8_t>() : classes.finish());
  }
  sizes[1] = uint32_t(out.size()) - seekers[1];

  std::vector<std::pair<uint64_t, uint32_t>> objects;
  for (int c = 0; c < DWG13_CONTROL_COUNT; ++c) {
    objects.push_back({control_handle(c), uint32_t(out.size())});
    std::vector<uint8_t> o = control_object(s, c, r15);
    out.insert(out.end(), o.begin(), o.end());
  }
  for (int i = 0; i < s.extra_map_entries; ++i)
    objects.push_back({0x1000 + uint64_t(i), objects[size_t(i) % DWG13_CONTROL_COUNT].second});
  for (const auto& o : s.objects) {
    objects.push_back({o.first, uint32_t(out.size())});
    std::vector<uint8_t> framed = frame_object(o.second);
    out.insert(out.end(), framed.begin(), framed.end());
  }
  std::sort(objects.begin(), objects.end());

  if (s.locator_count > 4) {
    seekers[4] = uint32_t(out.size());
    append_u16(out, 4);
    out.insert(out.end(), 4, 0);
    out.push_back(s.measurement);
  }
  if (s.locator_count > 3) seekers[3] = uint32_t(out.size());

  uint32_t preview = uint32_t(out.size());
  out.insert(out.end(), 16, 0x5A);
  std::vector<uint8_t> dir;
  uint32_t images = preview + 16 + 4 + 1 + 9 * 3;
  uint8_t entries = 0;
  dir.push_back(1), append_u32(dir, images), append_u32(dir, 0), ++entries;
  dir.push_back(2), append_u32(dir, images), append_u32(dir, uint32_t(s.bmp.size())), ++entries;
  dir.push_back(3), append_u32(dir, images + uint32_t(s.bmp.size())),
      append_u32(dir, uint32_t(s.wmf.size())), ++entries;
  append_u32(out, uint32_t(dir.size() + 5 + s.bmp.size() + s.wmf.size()));
  out.push_back(entries);
  out.insert(out.end(), dir.begin(), dir.end());
  out.insert(out.end(), s.bmp.begin(), s.bmp.end());
  out.insert(out.end(), s.wmf.begin(), s.wmf.end());
  put_u32(out, 13, preview);

  seekers[2] = uint32_t(out.size());
  append_map(out, s.empty_map ? std::vector<std::pair<uint64_t, uint32_t>>() : objects);
  sizes[2] = uint32_t(out.size()) - seekers[2];

  for (int i = 0; i < s.locator_count; ++i) {
    auto it = s.seeker_override.find(i);
    uint32_t seeker = it == s.seeker_override.end() ? seekers[size_t(i)] : it->second;
    size_t at = 25 + 9 * size_t(i);
    out[at] = uint8_t(i);
    put_u32(out, at + 1, seeker);
    put_u32(out, at + 5, sizes[size_t(i)]);
  }
  size_t crc_at = 25 + 9 * size_t(s.locator_count);
  put_u16(out, crc_at, crc16(0, out.data(), crc_at));
  return out;
}

}  // namespace dwg13_fixture
