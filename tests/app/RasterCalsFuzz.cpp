// libFuzzer target: arbitrary bytes as a CALS file's header, read for density and orientation.
#include <cstdint>
#include <vector>

#include "RasterCals.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact copy, so reading past the input is caught by the sanitizer.
  std::vector<uint8_t> bytes(data, data + size);
  CalsHeaderFields fields;
  if (CalsHeaderRead(bytes.data(), bytes.size(), &fields)) {
    if (fields.density < 1 || fields.density > 10000) __builtin_trap();
  }
  return 0;
}
