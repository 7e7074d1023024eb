// Fuzzing the open road: arbitrary bytes are opened as a drawing through tk_open_drawing from a
// file in memory, read by the fake reader set, so the sniffing, the step sequence and the table
// loaders meet hostile files and hostile record counts. Any open must end in a drawing or a clean
// error with no file left open.
//   byte 0   the version the fake open reads (0 to 8; 8 leaves the sniffed one)
//   byte 1   the reader operation that fails (0 to 36; most values fail none)
//   bytes 2 to 10   declared record counts of the tables (a count above 200 means 5000 and more)
//   rest     the file
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "load_support.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/initdata.h"

namespace {

size_t init_pos = 0;
int16_t init_open() {
  init_pos = 0;
  return 1;
}
int init_getc() { return init_pos < tk_initdata_builtin_size ? tk_initdata_builtin[init_pos++] : -1; }
size_t init_read(void* buffer, size_t n) {
  size_t left = tk_initdata_builtin_size - init_pos;
  if (n > left) n = left;
  std::memcpy(buffer, tk_initdata_builtin + init_pos, n);
  init_pos += n;
  return n;
}
void init_close() {}

bool start() {
  tk_set_initdata_open_callback(init_open);
  tk_set_initdata_getc_callback(init_getc);
  tk_set_initdata_read_callback(init_read);
  tk_set_initdata_close_callback(init_close);
  load_test::use_memory_files();
  uint16_t status = 0;
  return tk_init_core(nullptr, 1, &status) == 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = start();
  if (!started) std::abort();
  using namespace load_test;
  const size_t control = 11;
  if (size < control) return 0;
  Script s;
  s.version = data[0] % 9 == 8 ? -1 : static_cast<int16_t>(data[0] % 9);
  s.fail_slot = data[1] % 64;
  s.classes = data[2] % 8;
  const int tables[] = {S_LAYER, S_LTYPE, S_APPID, S_STYLE, S_UCS, S_VIEW, S_VPORT, S_DIMSTYLE};
  for (size_t i = 0; i < sizeof tables / sizeof *tables; ++i) {
    uint8_t b = data[3 + i];
    s.counts[tables[i]] = b > 200 ? 4990 + (b - 200) : b % 16;
  }
  mem_files["fuzz"] = std::vector<uint8_t>(data + control, data + size);
  install_fake_readers(s);
  TkDrawing* d = tk_open_drawing("fuzz", 1, 0);
  if (d && d->file) __builtin_trap();
  if (!open_files.empty()) __builtin_trap();
  tk_close_drawing(d);
  return 0;
}
