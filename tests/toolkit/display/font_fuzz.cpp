// Fuzzing the shape-font reader and the shape interpreter: arbitrary bytes are loaded as a main
// font and as a big font; every defined shape is run through the interpreter into an extents
// box, and a string of all codes is measured, so damaged headers, indexes, escape ranges, stack
// programs, scale divisors and cyclic subshapes meet the bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "toolkit/core/initdata.h"
#include "toolkit/core/matrix.h"
#include "toolkit/core/state.h"
#include "toolkit/display/shx.h"

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
  uint16_t status = 0;
  return tk_init_core(nullptr, 1, &status) == 1;
}

void measure(TkFont* main, TkFont* big) {
  TkShapeContext ctx{};
  ctx.font = main;
  ctx.big = big;
  ctx.above = main->above;
  double identity[16];
  tk_matrix_identity(identity);
  double box[8] = {1e300, 1e300, 0, 1, -1e300, -1e300, 0, 1};
  ctx.box = box;
  ctx.box_matrix = identity;
  // The first shapes are enough to reach every command; the string below reaches the rest.
  for (uint16_t i = 0; i < main->index_count && i < 64 && main->shape_index; ++i) {
    ctx.xscale = ctx.yscale = 1;
    ctx.stack_top = -1;
    ctx.nesting = 0;
    ctx.vertical = i & 1;
    uint16_t code = main->shape_index[i].code;
    TkFont* g = font_find_glyph(nullptr, main, big, code, 0);
    if (g) shx_interpret(&ctx, code, g, uint8_t(i & 3));
  }
  std::string text;
  for (int c = 1; c < 256; ++c) text.push_back(char(c));
  text += "%%d%%p%%c%%o%%u%%123\\U+0041\\M+18140";
  shx_draw_string(&ctx, text.c_str(), 0.5);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = start();
  if (!started) std::abort();
  if (size > TK_FONT_MAX_FILE) return 0;
  TkFont* main = font_load_bytes(data, uint32_t(size), TK_FONT_MASK_MAIN);
  TkFont* big = font_load_bytes(data, uint32_t(size), TK_FONT_MASK_BIG);
  if (main) measure(main, big);
  if (big && tk_state->builtin_fonts[0]) measure(tk_state->builtin_fonts[0], big);
  font_free(main);
  font_free(big);
  return 0;
}
