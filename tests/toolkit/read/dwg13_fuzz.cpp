// Fuzzing the opening of DWG files of AC1012 to AC1015 from memory: arbitrary bytes go through
// tk_open_drawing, and through the open operation on its own, after which every object the map
// names is looked up and its window opened and read a little, so the locators, the header
// section, the map, the page refills and the control objects meet hostile files. Every open
// ends in a drawing or a clean error with no file left open.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "tests/toolkit/core/load_support.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/initdata.h"
#include "toolkit/read/bits_reader.h"
#include "toolkit/read/dwg13_file.h"
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

// Reads the start of an object the way the object readers do.
void read_object_start(TkDrawing* d, TkBitReader* r) {
  bits_read_short(r);
  if (d->version >= TK_VERSION_AC1015) bits_read_raw_long(r);
  TkHandle h;
  bits_read_handle(r, &h);
  for (int blocks = 0; blocks < 16; ++blocks) {
    uint16_t n = uint16_t(bits_read_short(r));
    if (n == 0 || uint32_t(n) * 8 > bits_remaining(r)) break;
    bits_read_handle(r, &h);
    bits_skip(r, uint32_t(n) * 8);
  }
  char text[64];
  bits_read_text(r, text, sizeof text);
  double p[3];
  bits_read_3bd(r, p);
  bits_read_handle_rel(r, &h, &h);
}

void walk_objects(TkDrawing* d) {
  Dwg13File* f = dwg13_file(d);
  if (!f) return;
  static TkHandle handles[2000];
  int32_t n = dwg13_map_handles(d, handles, 2000);
  for (int32_t i = 0; i < n; ++i)
    if (dwg_objmap_seek(d, &handles[i]) && dwg13_open_object_window(d)) read_object_start(d, f->bits);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = start();
  if (!started) std::abort();
  load_test::mem_files["fuzz.dwg"].assign(data, data + size);
  TkDrawing* d = tk_open_drawing("fuzz.dwg", 0, 0);
  if (d) tk_close_drawing(d);
  if (!load_test::open_files.empty()) std::abort();

  d = static_cast<TkDrawing*>(mem_alloc(sizeof(TkDrawing)));
  if (!d) return 0;
  std::memset(d, 0, sizeof *d);
  d->header = static_cast<TkHeader*>(mem_alloc(sizeof(TkHeader)));
  d->file = file_open("fuzz.dwg");
  if (d->header && d->file) {
    header_set_defaults(d->header);
    char v[7] = {0};
    std::memcpy(v, data, size < 6 ? size : 6);
    d->version = tk_version_from_string(v);
    if (d->version >= TK_VERSION_AC1012) {
      dwg_open_check(d);
      walk_objects(d);
    }
  }
  if (d->file) file_close(d->file);
  d->file = nullptr;
  tk_close_drawing(d);
  if (!load_test::open_files.empty()) std::abort();
  return 0;
}
