// Fuzzing the open road: arbitrary bytes are opened as a drawing through tk_open_drawing from a
// file in memory, read by the fake reader set, so the sniffing, the step sequence and the table
// loaders meet hostile files and hostile record counts. Any open must end in a drawing or a clean
// error with no file left open.
//   byte 0   the version the fake open reads (0 to 8; 8 leaves the sniffed one)
//   byte 1   the reader operation that fails (0 to 36; most values fail none)
//   byte 2   class count; bytes 3 to 10 declared record counts of the tables (a count above 200
//            means 5000 and more)
//   byte 11  entity count (low 6 bits) and whether polylines are converted (bit 7)
//   then 4 bytes per entity: kind, header flags, a layer and block name choice, a coordinate
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
  const size_t head = 12;
  if (size < head) return 0;
  Script s;
  s.version = data[0] % 9 == 8 ? -1 : static_cast<int16_t>(data[0] % 9);
  s.fail_slot = data[1] % 64;
  s.classes = data[2] % 8;
  const int tables[] = {S_LAYER, S_LTYPE, S_APPID, S_STYLE, S_UCS, S_VIEW, S_VPORT, S_DIMSTYLE};
  for (size_t i = 0; i < sizeof tables / sizeof *tables; ++i) {
    uint8_t b = data[3 + i];
    s.counts[tables[i]] = b > 200 ? 4990 + (b - 200) : b % 16;
  }
  size_t entities = data[11] & 63;
  tk_state->convert_polylines = (data[11] & 128) != 0;
  const size_t control = head + 4 * entities;
  if (size < control) return 0;
  const char* const names[] = {"0", "WALLS", "walls", "X|REF", "", "NO_SUCH"};
  s.names[S_BLOCK_HEADER] = {"WALLS", "*MODEL_SPACE"};
  s.names[S_BLOCK_RECORD] = {"*PAPER_SPACE", "WALLS", "*MODEL_SPACE"};
  // The header's record names, resolved (or made) at the end of the load.
  s.header_names = {{TK_HNV_CLAYER, names[data[2] % 6]},
                    {TK_HNV_CELTYPE, names[(data[2] >> 3) % 6]},
                    {TK_HNV_DIMSTYLE, names[(data[3] >> 4) % 6]},
                    {TK_HNV_CMLSTYLE, names[(data[4] >> 4) % 6]}};
  const int16_t upgrade = (data[5] & 0x80) != 0;
  for (size_t i = 0; i < entities; ++i) {
    const uint8_t* e = data + head + 4 * i;
    FakeEntity entity;
    entity.kind = static_cast<uint16_t>(e[0] % 40);
    entity.flags = e[1];
    entity.layer = names[e[2] % 6];
    entity.block = names[(e[2] >> 4) % 6];
    // Only the polyline records get data of their own: other kinds keep blob pointers in their
    // data, which a reader never leaves as arbitrary bytes.
    if (entity.kind == TK_POLYLINE) entity.words[34] = static_cast<uint16_t>(e[1] & 0xC9);
    if (entity.kind == TK_VERTEX) {
      entity.words[TK_VERTEX_FLAGS] = static_cast<uint16_t>(e[1] & 0x02);
      entity.reals[0] = e[3] & 15;
      entity.reals[56] = (e[3] & 16) ? 0.5 : 0.0;
      entity.reals[32] = (e[3] & 32) ? 0.25 : 0.0;
    }
    (e[1] & 0x20 ? s.block_entities["WALLS"] : s.entities).push_back(entity);
  }
  mem_files["fuzz"] = std::vector<uint8_t>(data + control, data + size);
  install_fake_readers(s);
  TkDrawing* d = tk_open_drawing("fuzz", 1, upgrade);
  if (d && d->file) __builtin_trap();
  if (!open_files.empty()) __builtin_trap();
  tk_close_drawing(d);
  return 0;
}
