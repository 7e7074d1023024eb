// Fuzzing the DWG writer of AC1002 to AC1009: any input the readers take as a drawing is written
// to memory in a release picked by its last byte. A write must end in bytes or a clean error,
// with no leak, and a write that succeeds must reopen.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/toolkit/read/dxf_support.h"
#include "toolkit/write/dwg12_write.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = dxf_test::start_toolkit();
  if (!started) std::abort();
  if (size == 0) return 0;
  TkVersion version = TkVersion(data[size - 1] % 5);
  bool dwg = size >= 4 && std::memcmp(data, "AC10", 4) == 0;
  TkDrawing* d =
      dxf_test::open_bytes(std::vector<uint8_t>(data, data + size), dwg ? "fuzz.dwg" : "fuzz.dxf");
  if (!d) return 0;
  std::vector<uint8_t> bytes;
  if (dwg12_write_to_memory(d, version, &bytes)) {
    if (bytes.size() < 929) std::abort();
    TkDrawing* back = dxf_test::open_bytes(bytes, "back.dwg");
    if (back) tk_close_drawing(back);
  }
  tk_close_drawing(d);
  return 0;
}
