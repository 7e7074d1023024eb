// Fuzzing the DXF reader: arbitrary bytes are opened as a drawing from a file in memory through
// the same open road as a file on disk, text or binary as the bytes say, with polylines converted
// or not by the last byte. Any open must end in a drawing or a clean error, nothing left open.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "tests/toolkit/read/dxf_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = dxf_test::start_toolkit();
  if (!started) std::abort();
  if (size == 0) return 0;
  tk_state->convert_polylines = (data[size - 1] & 1) != 0;
  TkDrawing* d = dxf_test::open_bytes(std::vector<uint8_t>(data, data + size), "fuzz.dxf");
  if (d) tk_close_drawing(d);
  if (!load_test::open_files.empty()) std::abort();
  return 0;
}
