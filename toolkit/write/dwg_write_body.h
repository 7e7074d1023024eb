// What the entity record writers share: a chain of bit writes that stops at the
// first failure, a reader of the values the DWG reader keeps in blobs, and the
// body of one entity being written. The common kinds are in
// dwg_write_entity.cpp; curves, solids, viewports, annotations and the
// class-registered entities in dwg_write_entity_more.cpp.
#pragma once

#include <cstdint>

#include "toolkit/core/blob.h"
#include "toolkit/core/entity.h"
#include "toolkit/write/bits_writer.h"
#include "toolkit/write/dwg_write.h"

struct DwgBits {
  TkBitWriter* w;
  bool ok = true;
  DwgBits& b(int v) {
    ok = ok && bits_write_bit(w, v ? 1 : 0) == 1;
    return *this;
  }
  DwgBits& bs(int v) {
    ok = ok && bits_write_bs(w, int16_t(v)) == 1;
    return *this;
  }
  DwgBits& bl(int32_t v) {
    ok = ok && bits_write_bl(w, v) == 1;
    return *this;
  }
  DwgBits& rc(int v) {
    ok = ok && bits_write_rc(w, uint8_t(v)) == 1;
    return *this;
  }
  DwgBits& bd(double v) {
    ok = ok && bits_write_bd(w, v) == 1;
    return *this;
  }
  DwgBits& rd(double v) {
    ok = ok && bits_write_rd(w, v) == 1;
    return *this;
  }
  DwgBits& dd(double v, double def) {
    ok = ok && bits_write_dd(w, v, def) == 1;
    return *this;
  }
  DwgBits& p3(const double p[3]) {
    ok = ok && bits_write_3bd(w, p) == 1;
    return *this;
  }
  DwgBits& p2(const double p[2]) {
    ok = ok && bits_write_2rd(w, p) == 1;
    return *this;
  }
  DwgBits& t(const char* s) {
    ok = ok && bits_write_text(w, s) == 1;
    return *this;
  }
  DwgBits& bytes(const void* p, size_t n) {
    ok = ok && bits_write_bytes(w, p, n) == 1;
    return *this;
  }
  DwgBits& h(const TkHandle& v, uint8_t code) {
    ok = ok && bits_write_handle(w, &v, code) == 1;
    return *this;
  }
};

// Values read in order from a blob the reader filled; a short blob reads as
// zeros and clears ok.
struct DwgBlobIn {
  TkBlob* r = nullptr;
  bool ok = false;
  explicit DwgBlobIn(TkBlob* blob) {
    r = blob ? blob_open_read(blob) : nullptr;
    ok = r != nullptr;
  }
  ~DwgBlobIn() {
    if (r) blob_close(r);
  }
  DwgBlobIn(const DwgBlobIn&) = delete;
  DwgBlobIn& operator=(const DwgBlobIn&) = delete;
  bool read(void* p, size_t n) {
    ok = ok && blob_read(r, p, n) == 1;
    return ok;
  }
  double d() {
    double v = 0;
    return read(&v, 8) ? v : 0.0;
  }
  uint32_t u32() {
    uint32_t v = 0;
    return read(&v, 4) ? v : 0;
  }
  int16_t i16() {
    int16_t v = 0;
    return read(&v, 2) ? v : int16_t(0);
  }
  void pt(double* p, int n) {
    for (int i = 0; i < n; ++i) p[i] = d();
  }
};

struct DwgBody {
  DwgOut& o;
  TkEntityHeader* h;
  TkEntityData* data;
  DwgBits out;
  bool r15;
  void thickness() {
    if (r15)
      out.ok = out.ok && bits_write_bt(o.b, h->thickness) == 1;
    else
      out.bd(h->thickness);
  }
  void extrusion() {
    if (r15)
      out.ok = out.ok && bits_write_be(o.b, h->extrusion) == 1;
    else
      out.p3(h->extrusion);
  }
};

// The kinds of dwg_write_entity_more.cpp: whether one can be written in this
// release, the proxy graphics its record carries, its body (known false when
// the type is not one of them) and its own handles after the common ones.
bool dwg_more_writable(DwgOut& o, const TkEntityHeader& h, const TkEntityData& data);
TkBlob* dwg_more_graphics(DwgOut& o, const TkEntityHeader& h, const TkEntityData& data);
uint16_t dwg_more_header_type(DwgOut& o, uint16_t type);
bool dwg_write_more_body(DwgBody& b, uint16_t type, bool* known);
void dwg_write_more_handles(DwgBody& b, uint16_t type);
