// Test support for the DXF reader: a started toolkit with the reader sets installed and files
// served from memory over the counting allocator, builders of small text and binary DXF files,
// and a walk that counts a loaded drawing's entities by DXF type name. Free of gtest, so the
// fuzz target and the benchmark share it.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "tests/toolkit/core/load_support.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/initdata.h"
#include "toolkit/core/list.h"
#include "toolkit/core/load.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/readers.h"

namespace dxf_test {

// The init data compiled into the toolkit, served through the hooks.
inline size_t init_pos = 0;
inline int16_t init_open() {
  init_pos = 0;
  return 1;
}
inline int init_getc() {
  return init_pos < tk_initdata_builtin_size ? tk_initdata_builtin[init_pos++] : -1;
}
inline size_t init_read(void* buffer, size_t n) {
  size_t left = tk_initdata_builtin_size - init_pos;
  if (n > left) n = left;
  std::memcpy(buffer, tk_initdata_builtin + init_pos, n);
  init_pos += n;
  return n;
}
inline void init_close() {}

// Starts the toolkit over memory files (and the given allocator) with both reader sets.
inline bool start_toolkit(void* (*alloc)(size_t) = nullptr, void (*release)(void*) = nullptr) {
  load_test::use_memory_files(alloc, release);
  tk_set_initdata_open_callback(init_open);
  tk_set_initdata_getc_callback(init_getc);
  tk_set_initdata_read_callback(init_read);
  tk_set_initdata_close_callback(init_close);
  uint16_t status = 0;
  return tk_init_core(nullptr, 1, &status) == 1 && tk_install_file_readers() == 1;
}

inline void stop_toolkit() {
  tk_shutdown_core();
  tk_set_host_layer(nullptr);
}

// Opens the bytes as a drawing through the open road; null with the last error on failure.
inline TkDrawing* open_bytes(const std::vector<uint8_t>& bytes, const char* name = "mem.dxf") {
  load_test::mem_files[name] = bytes;
  return tk_open_drawing(name, 1, 0);
}

inline TkDrawing* open_text(const std::string& text) {
  return open_bytes(std::vector<uint8_t>(text.begin(), text.end()));
}

// A text DXF from code/value pairs, one line each, with the line end given.
struct TextDxf {
  std::string out;
  std::string eol = "\n";
  TextDxf& g(int code, const std::string& value) {
    out += std::to_string(code) + eol + value + eol;
    return *this;
  }
  TextDxf& g(int code, double value) {
    char b[64];
    std::snprintf(b, sizeof b, "%.17g", value);
    return g(code, std::string(b));
  }
  TextDxf& section(const std::string& name) { return g(0, "SECTION").g(2, name); }
  TextDxf& endsec() { return g(0, "ENDSEC"); }
  TextDxf& eof() { return g(0, "EOF"); }
};

// A binary DXF of the code width of its release (1 byte below AC1012, 2 bytes from it).
struct BinaryDxf {
  std::vector<uint8_t> out;
  bool wide;
  explicit BinaryDxf(bool wide_codes) : wide(wide_codes) {
    const char sentinel[] = "AutoCAD Binary DXF\r\n\x1a";
    for (char c : sentinel) out.push_back(static_cast<uint8_t>(c));  // with its zero
  }
  void code(int c) {
    if (wide) {
      out.push_back(uint8_t(c & 255));
      out.push_back(uint8_t(c >> 8));
    } else if (c >= 255) {
      out.push_back(255);
      out.push_back(uint8_t(c & 255));
      out.push_back(uint8_t(c >> 8));
    } else {
      out.push_back(uint8_t(c));
    }
  }
  BinaryDxf& s(int c, const std::string& v) {
    code(c);
    for (char ch : v) out.push_back(static_cast<uint8_t>(ch));
    out.push_back(0);
    return *this;
  }
  BinaryDxf& d(int c, double v) {
    code(c);
    uint8_t b[8];
    std::memcpy(b, &v, 8);
    out.insert(out.end(), b, b + 8);
    return *this;
  }
  BinaryDxf& i16(int c, int16_t v) {
    code(c);
    out.push_back(uint8_t(v & 255));
    out.push_back(uint8_t((v >> 8) & 255));
    return *this;
  }
  BinaryDxf& i32(int c, int32_t v) {
    code(c);
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t((uint32_t(v) >> (8 * i)) & 255));
    return *this;
  }
  BinaryDxf& i64(int c, int64_t v) {
    code(c);
    for (int i = 0; i < 8; ++i) out.push_back(uint8_t((uint64_t(v) >> (8 * i)) & 255));
    return *this;
  }
  BinaryDxf& raw(int c, const std::vector<uint8_t>& bytes) {
    code(c);
    out.insert(out.end(), bytes.begin(), bytes.end());
    return *this;
  }
};

using Counts = std::map<std::string, int>;

inline std::string class_name_of(TkDrawing* d, uint16_t kind) {
  for (const TkLink* l = list_first(&d->classes); l; l = l->next) {
    const auto* r = static_cast<const TkClassRecord*>(tk_link_data(l));
    if (r->number == kind) return r->dxf_name;
  }
  return kind == 498 ? "ACAD_PROXY_ENTITY" : "kind " + std::to_string(kind);
}

// The top-level entities of a list by DXF type name: what follows an INSERT or a POLYLINE
// (attributes, vertices, the closing SEQEND) and a block's own BLOCK and ENDBLK are not counted.
inline Counts count_entities(TkDrawing* d, const TkList* list) {
  Counts counts;
  for (const TkLink* l = list_first(list); l; l = l->next) {
    TkEntityHeader h{};
    TkEntityData data;
    if (!entity_unpack(l, &h, &data, nullptr, nullptr)) {
      ++counts["(damaged)"];
      continue;
    }
    if (h.kind == TK_VERTEX || h.kind == TK_SEQEND || h.kind == TK_ATTRIB ||
        h.kind == TK_BLOCK || h.kind == TK_ENDBLK)
      continue;
    // A class entity the toolkit does not read keeps its class number in its data.
    uint16_t kind = h.kind == 498 ? static_cast<uint16_t>(tk_data_get<uint32_t>(&data, 0)) : h.kind;
    std::string name = kind <= TK_LAST_FIXED_KIND ? tk_entity_kind_name(kind)
                                                  : class_name_of(d, kind);
    ++counts[name];
  }
  return counts;
}

inline const TkBlockRecord* find_block(TkDrawing* d, const std::string& name) {
  for (const TkLink* l = list_first(&d->blocks); l; l = l->next) {
    const auto* b = static_cast<const TkBlockRecord*>(tk_link_data(l));
    if (tk_name_compare(b->name, name.c_str()) == 0) return b;
  }
  return nullptr;
}

template <typename Record>
std::vector<std::string> table_names(const TkList* list) {
  std::vector<std::string> names;
  for (const TkLink* l = list_first(list); l; l = l->next)
    names.push_back(static_cast<const Record*>(tk_link_data(l))->name);
  return names;
}

}  // namespace dxf_test
