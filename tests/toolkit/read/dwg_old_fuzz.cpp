// Fuzzing the reader of DWG files of AC1002 to AC1009: arbitrary bytes are opened as a drawing
// from a file in memory through tk_open_drawing, so the file check, the header, every table,
// the entity and block walks and the extended data meet hostile files. After a load the
// viewport-entity headers are walked too. Any open must end in a drawing or a clean error with
// no file left open.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "tests/toolkit/read/dwg_old_support.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/initdata.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/dwg_old_file.h"
#include "toolkit/read/dwg_old_tables.h"
#include "toolkit/read/readers.h"

namespace {

size_t init_pos = 0;
int16_t init_open() {
  init_pos = 0;
  return 1;
}
int init_getc() {
  return init_pos < tk_initdata_builtin_size ? tk_initdata_builtin[init_pos++] : -1;
}
size_t init_read(void* buffer, size_t n) {
  size_t left = tk_initdata_builtin_size - init_pos;
  if (n > left) n = left;
  std::memcpy(buffer, tk_initdata_builtin + init_pos, n);
  init_pos += n;
  return n;
}
void init_close() {}
void quiet(int16_t) {}

bool start() {
  tk_set_initdata_open_callback(init_open);
  tk_set_initdata_getc_callback(init_getc);
  tk_set_initdata_read_callback(init_read);
  tk_set_initdata_close_callback(init_close);
  load_test::use_memory_files();
  uint16_t status = 0;
  if (tk_init_core(nullptr, 1, &status) != 1) return false;
  tk_set_error_callback(quiet);
  return tk_install_file_readers() == 1;
}

void walk_viewport_headers(TkDrawing* d) {
  if (d->version > TK_VERSION_AC1009 || !d->reader_state) return;
  d->file = file_open("fuzz.dwg");
  if (!d->file) return;
  if (dwg_old_begin_vpent_headers(d)) {
    int32_t count = d->record_counts[TK_COUNT_VPENT_HEADER];
    TkViewportEntityHeader h;
    for (int32_t i = 0; i < count && i < 64; ++i)
      if (!dwg_old_read_vpent_header(d, &h)) break;
  }
  file_close(d->file);
  d->file = nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = start();
  if (!started) std::abort();
  load_test::mem_files["fuzz.dwg"].assign(data, data + size);
  TkDrawing* d = tk_open_drawing("fuzz.dwg", 0, 0);
  if (d) {
    walk_viewport_headers(d);
    tk_close_drawing(d);
  }
  if (!load_test::open_files.empty()) std::abort();
  return 0;
}
