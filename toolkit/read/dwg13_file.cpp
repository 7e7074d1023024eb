// PROVISIONAL (replaced by the file layer).
#include "toolkit/read/dwg13_file.h"

#include <cstring>

#include "toolkit/core/drawing.h"
#include "toolkit/core/mem.h"
#include "toolkit/read/bits_reader.h"
#include "toolkit/read/dwg13_object.h"

namespace {

struct State {
  TkBitReader* bits;
  Dwg13Objects objects;
  TkHandle* handles;
  uint32_t* offsets;
  size_t count;
  uint32_t area_end;
  TkHandle controls[10];
};

void free_state(void* p) {
  auto* s = static_cast<State*>(p);
  dwg13_objects_free(&s->objects);
  bits_reader_free(s->bits);
  mem_free(s->handles);
  mem_free(s->offsets);
  mem_free(s);
}

State* state(TkDrawing* d) { return static_cast<State*>(d->reader_state); }

}  // namespace

int16_t dwg13_state_attach(TkDrawing* d) {
  auto* s = static_cast<State*>(mem_alloc(sizeof(State)));
  if (!s) return 0;
  std::memset(s, 0, sizeof *s);
  s->bits = bits_reader_create();
  if (!s->bits) {
    mem_free(s);
    return 0;
  }
  s->bits->file = d->file;
  d->reader_state = s;
  d->reader_state_free = free_state;
  return 1;
}

TkBitReader* dwg13_bits(TkDrawing* d) { return state(d)->bits; }
Dwg13Objects* dwg13_objects(TkDrawing* d) { return &state(d)->objects; }

int16_t dwg13_objmap_set(TkDrawing* d, const TkHandle* handles, const uint32_t* offsets,
                         size_t count, uint32_t area_end) {
  State* s = state(d);
  s->handles = static_cast<TkHandle*>(mem_alloc(count * sizeof(TkHandle) + 1));
  s->offsets = static_cast<uint32_t*>(mem_alloc(count * sizeof(uint32_t) + 1));
  if (count) std::memcpy(s->handles, handles, count * sizeof(TkHandle));
  if (count) std::memcpy(s->offsets, offsets, count * sizeof(uint32_t));
  s->count = count;
  s->area_end = area_end;
  return 1;
}

int16_t dwg_objmap_seek(TkDrawing* d, const TkHandle* h) {
  State* s = state(d);
  if (tk_handle_is_null(h)) return 0;
  for (size_t i = 0; i < s->count; ++i)
    if (tk_handle_compare(&s->handles[i], h) == 0) return file_seek(d->file, s->offsets[i], 0) == 0;
  return 0;
}

size_t dwg13_object_count(TkDrawing* d) { return state(d)->count; }
int16_t dwg13_object_handle(TkDrawing* d, size_t i, TkHandle* h) {
  if (i >= state(d)->count) return 0;
  *h = state(d)->handles[i];
  return 1;
}
uint32_t dwg13_object_area_end(TkDrawing* d) { return state(d)->area_end; }
TkHandle* dwg13_control_handle(TkDrawing* d, int table) { return &state(d)->controls[table]; }

int16_t dwg_read_object_at(TkDrawing* d, const TkHandle* handle, bool extra) {
  if (!dwg_objmap_seek(d, handle)) return 0;
  TkHandle own;
  if (!dwg_read_object_start(d, &own, nullptr, 0, nullptr)) return 0;
  TkBitReader* r = dwg13_bits(d);
  bits_read_long(r);
  if (extra) bits_read_char(r);
  TkHandle h;
  bits_read_handle(r, &h);
  bits_read_handle(r, &h);
  return 1;
}

int16_t dwg13_open_classes(TkDrawing*) { return 0; }

int16_t lineweight_from_code(int code) {
  static const int16_t table[32] = {0,   5,   9,   13,  15,  18,  20,  25,  30, 35, 40,
                                    50,  53,  60,  70,  80,  90,  100, 106, 120, 140, 158,
                                    200, 211, 0,   0,   0,   0,   -1,  -1,  -2, -3};
  return code >= 0 && code < 32 ? table[code] : 0;
}

void dwg13_progress_range(TkDrawing* d) {
  d->progress_start = 0;
  d->progress_end = state(d)->area_end;
}
