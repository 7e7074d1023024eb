// Fuzzing the whole load of DWG files of AC1012 to AC1015 from memory: the open, the tables, the
// classes, the block records, the entity walk and the objects, through the same open road as a
// file on disk, with polylines converted or not by the last byte. Any load must end in a drawing
// or a clean error, nothing left open.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "tests/toolkit/read/dxf_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = dxf_test::start_toolkit();
  if (!started) std::abort();
  if (size == 0) return 0;
  tk_state->convert_polylines = (data[size - 1] & 1) != 0;
  TkDrawing* d = dxf_test::open_bytes(std::vector<uint8_t>(data, data + size), "fuzz.dwg");
  if (d) tk_close_drawing(d);
  if (!load_test::open_files.empty()) std::abort();
  return 0;
}
