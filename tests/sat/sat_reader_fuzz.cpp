// Fuzzing the SAT entry with arbitrary text: parsing, references, subtypes and drawing every
// body. Nothing may crash, hang or read past a buffer; every polyline closes before the next
// opens, and every point drawn is finite. The read callback hands the text out in pieces whose
// sizes may come from a first control byte, so short and odd reads are covered too.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>

#include "sat/SatEntry.h"

namespace {

struct Feed {
  const uint8_t* data;
  size_t size, at;
  int32_t piece;
  bool open;
  long points;
};

int32_t readPiece(char* buffer, int32_t size, void* ctx) {
  auto* f = static_cast<Feed*>(ctx);
  size_t n = f->size - f->at;
  if (n > size_t(size)) n = size_t(size);
  if (n > size_t(f->piece)) n = size_t(f->piece);
  std::memcpy(buffer, f->data + f->at, n);
  f->at += n;
  return int32_t(n);
}

void begin(int32_t, void* ctx) {
  auto* f = static_cast<Feed*>(ctx);
  if (f->open) std::abort();
  f->open = true;
}

void end(void* ctx) { static_cast<Feed*>(ctx)->open = false; }

void vertex(double x, double y, double z, void* ctx) {
  if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) std::abort();
  ++static_cast<Feed*>(ctx)->points;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::ostringstream sink;
  static bool quiet = [] {
    std::cout.rdbuf(sink.rdbuf());
    std::cerr.rdbuf(sink.rdbuf());
    return true;
  }();
  (void)quiet;
  sink.str("");
  // A first byte below 8 sets a short piece size and is not part of the text.
  bool control = size > 0 && data[0] < 8;
  Feed feed{data + (control ? 1 : 0), size - (control ? 1 : 0), 0, control ? 1 + data[0] : 512,
            false, 0};
  RenderOutput out{};
  out.read = readPiece;
  out.begin = begin;
  out.end = end;
  out.vertex = vertex;
  out.ctx = &feed;
  out.pointsPerSpan = 8;
  out.extraSilhouetteCount = 4;
  sat_parse_entity(&out);
  if (feed.open) std::abort();
  return 0;
}
