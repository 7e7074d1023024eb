// Fuzzing display generation over whatever the readers make of arbitrary bytes: the bytes are
// opened from memory through the same open road as a file on disk (as a DWG when they start like
// one, else as a DXF, text or binary as the bytes say), and the drawing that loads is regenerated
// in its own space and in model space into a counting callback block. Every load and
// regeneration must end, without a crash or an over-read, and leave nothing open.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "tests/toolkit/read/dxf_support.h"
#include "toolkit/core/display_block.h"
#include "toolkit/core/display_state.h"
#include "toolkit/core/hdr.h"
#include "toolkit/display/regen.h"

namespace {

uint64_t primitives = 0;
uint32_t polls = 0;
void count_xy(int32_t, int32_t, TkUserData) { ++primitives; }
void count_fill(const int16_t* range, const int32_t* points, TkUserData) {
  // Read every point handed over, so an over-read shows.
  volatile int32_t sum = 0;
  for (int i = range[0]; i <= range[1]; ++i) sum = sum + points[2 * i] + points[2 * i + 1];
  ++primitives;
}
void count_colour(int16_t, TkUserData) {}
// Ends runs that draw too much: a damaged drawing may be big, not wrong.
void poll(TkUserData) {
  if (++polls > 500) regen_continue = 0;
}

bool start() {
  if (!dxf_test::start_toolkit() || tk_init() != 1) return false;
  tk_set_moveto_callback(count_xy);
  tk_set_lineto_callback(count_xy);
  tk_set_fill_polygon_callback(count_fill);
  tk_set_color_callback(count_colour);
  tk_set_poll_callback(poll);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = start();
  if (!started) std::abort();
  if (size == 0) return 0;
  bool dwg = size >= 4 && std::memcmp(data, "AC10", 4) == 0;
  TkDrawing* d = dxf_test::open_bytes(std::vector<uint8_t>(data, data + size),
                                      dwg ? "fuzz.dwg" : "fuzz.dxf");
  if (!load_test::open_files.empty()) std::abort();
  if (!d) return 0;
  for (int pass = 0; pass < 2; ++pass) {
    int16_t tilemode = d->header ? d->header->tilemode : 1;
    if (pass == 1 && d->header) d->header->tilemode = 1;
    int16_t opened = tk_display_open(d, nullptr, 1000, 800, nullptr);
    if (d->header) d->header->tilemode = tilemode;
    if (!opened) continue;
    primitives = 0;
    polls = 0;
    regen_drawing(d);
    tk_display_close(d);
  }
  tk_close_drawing(d);
  return 0;
}
