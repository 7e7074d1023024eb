// Fuzzing the readers of what display generation takes from files and from the application:
// arbitrary bytes as a bitmap picture of a raster image (header, palette, stored and run-length
// rows) and as a plot style table (its zlib stream and its text).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tests/toolkit/core/core_support.h"
#include "toolkit/display/image_frame.h"
#include "toolkit/display/plot_style.h"

namespace {

bool start() {
  core_test::serve_init_data(core_test::builtin_init_data());
  uint16_t status = 0;
  return tk_init_core(nullptr, 1, &status) == 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = start();
  if (!started) return 0;
  const std::vector<uint8_t> bytes(data, data + size);
  TkBmpInfo info;
  image_read_bmp_header(bytes, &info);
  std::vector<uint8_t> pixels;
  image_decode(bytes, info, &pixels);
  std::vector<uint8_t> text(1 << 16);
  pstyle_inflate(data, uint32_t(size), text.data(), uint32_t(text.size()));
  TkPlotStyleTable* table = nullptr;
  if (pstyle_parse_text(reinterpret_cast<const char*>(data), uint32_t(size), &table))
    pstyle_free(table);
  return 0;
}
