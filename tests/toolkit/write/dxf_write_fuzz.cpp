// Fuzzing the DXF writer: any input the readers take as a drawing is written as
// text and as binary DXF to memory, in a release picked by its last byte. A
// write must end in bytes or a clean error, with no leak, and a text write that
// succeeds must reopen.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/toolkit/read/dxf_support.h"
#include "toolkit/write/dxf_write.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = dxf_test::start_toolkit();
  if (!started) std::abort();
  if (size == 0) return 0;
  int16_t version = int16_t(data[size - 1] % 8);
  bool dwg = size >= 4 && std::memcmp(data, "AC10", 4) == 0;
  TkDrawing* d =
      dxf_test::open_bytes(std::vector<uint8_t>(data, data + size), dwg ? "fuzz.dwg" : "fuzz.dxf");
  if (!d) return 0;
  for (uint8_t kind : {uint8_t(TK_FILE_TEXT_DXF), uint8_t(TK_FILE_BINARY_DXF)}) {
    std::vector<uint8_t> bytes;
    if (!dxf_write_to_memory(d, kind, version, &bytes)) continue;
    if (bytes.empty()) std::abort();
    TkDrawing* back = dxf_test::open_bytes(bytes, "back.dxf");
    if (back) tk_close_drawing(back);
  }
  tk_close_drawing(d);
  return 0;
}
