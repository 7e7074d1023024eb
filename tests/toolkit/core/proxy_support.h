// Hand-built proxy-graphics blobs for tests and the fuzz target: a byte builder for primitives
// and a blob made of its bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "toolkit/core/blob.h"

namespace proxy_test {

struct Bytes {
  std::vector<uint8_t> b;
  Bytes& u32(uint32_t v) { return raw(&v, 4); }
  Bytes& i32(int32_t v) { return raw(&v, 4); }
  Bytes& u16(uint16_t v) { return raw(&v, 2); }
  Bytes& d(double v) { return raw(&v, 8); }
  Bytes& pt(double x, double y, double z) { return d(x).d(y).d(z); }
  // Zero-terminated and padded to a multiple of 4.
  Bytes& text(const std::string& s) {
    raw(s.data(), s.size());
    size_t n = s.size() + 1;
    while (n % 4) ++n;
    return zeros(n - s.size());
  }
  Bytes& zeros(size_t n) {
    b.insert(b.end(), n, 0);
    return *this;
  }
  Bytes& raw(const void* p, size_t n) {
    auto* c = static_cast<const uint8_t*>(p);
    b.insert(b.end(), c, c + n);
    return *this;
  }
  // A primitive of the type around the fields.
  Bytes& prim(uint32_t type, const Bytes& fields) {
    u32(uint32_t(8 + fields.b.size())).u32(type);
    return raw(fields.b.data(), fields.b.size());
  }
};

inline TkBlob* blob_of(const std::vector<uint8_t>& bytes, int16_t chunk = TK_BLOB_CHUNK_SIZE) {
  TkBlob* stored = blob_alloc(chunk);
  if (!stored) return nullptr;
  TkBlob* w = blob_create(stored);
  if (w) {
    blob_write(w, bytes.data(), bytes.size());
    blob_close_write(w);
  }
  return stored;
}

}  // namespace proxy_test
