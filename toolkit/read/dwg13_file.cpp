// PROVISIONAL stand-in of the file layer for the object readers' tests; replaced when the file
// layer lands.
#include "toolkit/read/dwg13_file.h"

#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/mem.h"
#include "toolkit/read/bits_reader.h"

namespace {

void free_state(void* p) {
  auto* f = static_cast<Dwg13File*>(p);
  if (f->objects && f->objects_free) f->objects_free(f->objects);
  bits_reader_free(f->bits);
  if (f->map_reader) blob_close(f->map_reader);
  blob_free(f->map);
  mem_free(f);
}

}  // namespace

Dwg13File* dwg13_file_attach(TkDrawing* d) {
  if (d->reader_state && d->reader_state_free) d->reader_state_free(d->reader_state);
  auto* f = static_cast<Dwg13File*>(mem_alloc(sizeof(Dwg13File)));
  if (!f) return nullptr;
  std::memset(f, 0, sizeof *f);
  f->bits = bits_reader_create();
  f->file_length = file_length(d->file);
  d->reader_state = f;
  d->reader_state_free = free_state;
  return f;
}

Dwg13File* dwg13_file(TkDrawing* d) {
  if (!d || d->reader_state_free != free_state) return nullptr;
  return static_cast<Dwg13File*>(d->reader_state);
}

TkBitReader* dwg13_bits(TkDrawing* d) {
  Dwg13File* f = dwg13_file(d);
  return f ? f->bits : nullptr;
}

int16_t dwg_objmap_load(TkDrawing* d) {
  Dwg13File* f = dwg13_file(d);
  file_seek(d->file, f->objmap_seeker, 0);
  f->map = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob_create(f->map);
  for (;;) {
    uint8_t b[2];
    if (file_read(b, 1, 2, d->file) != 2) break;
    uint32_t size = uint32_t(b[0] << 8 | b[1]);
    if (size <= 2) break;
    uint32_t left = size - 2;
    TkHandle handle{};
    int64_t location = 0;
    uint32_t last_delta = 1;
    while (left > 0) {
      TkHandle delta{};
      uint32_t used = 0;
      dwg_file_modular_char(d->file, left, &delta, &used);
      left -= used;
      int32_t loc = 0;
      dwg_file_modular_char_signed(d->file, left, &loc, &used);
      left -= used;
      handle_add(&handle, &delta, &handle);
      location += loc;
      last_delta = uint32_t(loc);
      uint8_t n = uint8_t(tk_handle_length(&handle));
      uint32_t at = uint32_t(location);
      blob_write(w, &n, 1);
      blob_write(w, handle.bytes + 8 - n, n);
      blob_write(w, &at, 4);
      ++f->map_count;
    }
    file_read(b, 1, 2, d->file);
    if (last_delta == 0) break;
  }
  blob_close_write(w);
  f->map_reader = blob_open_read(f->map);
  return 1;
}

int16_t dwg_objmap_seek(TkDrawing* d, const TkHandle* h) {
  Dwg13File* f = dwg13_file(d);
  if (!f || !f->map_reader || tk_handle_is_null(h)) return 0;
  blob_rewind(f->map_reader);
  for (int32_t i = 0; i < f->map_count; ++i) {
    uint8_t n;
    TkHandle e{};
    uint32_t at;
    blob_read(f->map_reader, &n, 1);
    blob_read(f->map_reader, e.bytes + 8 - n, n);
    blob_read(f->map_reader, &at, 4);
    if (tk_handle_compare(&e, h) == 0) return file_seek(d->file, at, 0) == 0;
  }
  return 0;
}

int32_t dwg13_object_count(TkDrawing* d) { return dwg13_file(d)->map_count; }

int16_t dwg_file_modular_char(TkFile* file, uint32_t limit, TkHandle* out, uint32_t* used) {
  *out = TkHandle{};
  *used = 0;
  uint64_t v = 0;
  for (int shift = 0; *used < limit && shift < 64; shift += 7) {
    uint8_t b;
    if (file_read(&b, 1, 1, file) != 1) return 0;
    ++*used;
    v |= uint64_t(b & 0x7F) << shift;
    if (!(b & 0x80)) break;
  }
  for (int i = 7; i >= 0; --i, v >>= 8) out->bytes[i] = uint8_t(v);
  return 1;
}

int16_t dwg_file_modular_char_signed(TkFile* file, uint32_t limit, int32_t* out,
                                     uint32_t* used) {
  *out = 0;
  *used = 0;
  int64_t v = 0;
  for (int shift = 0; *used < limit && shift < 42; shift += 7) {
    uint8_t b;
    if (file_read(&b, 1, 1, file) != 1) return 0;
    ++*used;
    if (b & 0x80) {
      v |= int64_t(b & 0x7F) << shift;
      continue;
    }
    v |= int64_t(b & 0x3F) << shift;
    if (b & 0x40) v = -v;
    break;
  }
  *out = int32_t(v);
  return 1;
}

int16_t dwg13_open_object_window(TkDrawing* d) {
  Dwg13File* f = dwg13_file(d);
  if (!f) return 0;
  uint32_t at = file_tell(d->file);
  if (f->objmap_seeker && at >= f->objmap_seeker) return 0;
  uint8_t b[2];
  if (file_read(b, 1, 2, d->file) != 2) return 0;
  uint16_t size_word = uint16_t(b[0] | b[1] << 8);
  int16_t pages = 1;
  bool large = (size_word & 0x8000) != 0;
  if (large) {
    if (file_read(b, 1, 2, d->file) != 2) return 0;
    pages = int16_t(b[0] | b[1] << 8);
    if (pages < 1) return 0;
  }
  uint32_t data_start = at + (large ? 4 : 2);
  uint32_t data_size = large ? (size_word & 0x7FFFu) + TK_BITS_PAGE * uint32_t(pages) : size_word;
  if (data_start > f->file_length || data_size > f->file_length - data_start) return 0;
  uint32_t first = size_word + (pages == 1 ? 2u : 0u);
  uint32_t end = data_start + data_size + 2;
  if (end > f->file_length) end = f->file_length;
  if (first > end - data_start) first = end - data_start;
  TkBitReader* r = f->bits;
  if (!bits_open_file(r, d->file, at, data_start, first, pages, end)) return 0;
  r->size_word = size_word;
  r->large_object = large ? 1 : 0;
  r->data_size = data_size;
  r->size_in_bits = 0;
  r->reactor_count = 0;
  return 1;
}

int16_t dwg13_skip_object(TkDrawing* d) {
  Dwg13File* f = dwg13_file(d);
  uint32_t next = uint32_t(f->bits->data_start) + f->bits->data_size + 2;
  if (next >= f->file_length) return 0;
  return file_seek(d->file, next, 0) == 0 ? 1 : 0;
}

int16_t lineweight_from_code(int code) {
  static const int16_t table[32] = {0,   5,   9,   13,  15,  18,  20,  25,  30, 35, 40,
                                    50,  53,  60,  70,  80,  90,  100, 106, 120, 140, 158,
                                    200, 211, 0,   0,   0,   0,   -1,  -1,  -2, -3};
  return code >= 0 && code < 32 ? table[code] : 0;
}
