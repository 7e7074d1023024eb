// The file layout of DWG AC1012 to AC1015: opening (version, file header, locators, preview,
// measurement), the object map and its index, object windows, and the table record counts from
// the control objects. Every offset, size and count the file gives is checked against the file
// before it is used. The header variables themselves are read in dwg13_header.cpp.
#include "toolkit/read/dwg13_file.h"

#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/load.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"
#include "toolkit/read/bits_reader.h"
#include "toolkit/read/readers.h"

namespace {

constexpr uint32_t kNoLocation = 0xFFFFFFFFu;
constexpr uint32_t kCopyStep = 8192;

void report_bad_length() {
  if (tk_state && tk_state->error_callback) tk_state->error_callback(5);
}

void free_state(void* state) {
  auto* f = static_cast<Dwg13File*>(state);
  if (!f) return;
  if (f->objects && f->objects_free) f->objects_free(f->objects);
  bits_reader_free(f->bits);
  if (f->map_reader) blob_close(f->map_reader);
  blob_free(f->map);
  blob_free(f->preview.bmp);
  blob_free(f->preview.wmf);
  mem_free(f);
}

}  // namespace

Dwg13File* dwg13_file_attach(TkDrawing* d) {
  if (d->reader_state && d->reader_state_free) d->reader_state_free(d->reader_state);
  d->reader_state = nullptr;
  d->reader_state_free = nullptr;
  auto* f = static_cast<Dwg13File*>(mem_alloc(sizeof(Dwg13File)));
  if (!f) return nullptr;
  std::memset(f, 0, sizeof *f);
  f->bits = bits_reader_create();
  if (!f->bits) {
    mem_free(f);
    return nullptr;
  }
  f->file_length = file_length(d->file);
  d->reader_state = f;
  d->reader_state_free = free_state;
  return f;
}

namespace {

bool read_exact(TkFile* file, void* out, size_t n) {
  return file_read(out, 1, n, file) == n;
}

void handle_from_u64(uint64_t v, TkHandle* h) {
  for (int i = 7; i >= 0; --i, v >>= 8) h->bytes[i] = uint8_t(v & 0xFF);
}

// Reads the map entry at the reader's position; false at the end or on a bad length byte.
bool read_entry(Dwg13File* f, TkHandle* handle, uint32_t* location) {
  uint8_t n = 0;
  if (!blob_read_byte(f->map_reader, &n)) return false;
  if (n > 8) {
    report_bad_length();
    return false;
  }
  std::memset(handle->bytes, 0, 8);
  uint8_t loc[4];
  if ((n && !blob_read(f->map_reader, handle->bytes + (8 - n), n)) ||
      !blob_read(f->map_reader, loc, 4))
    return false;
  *location = uint32_t(loc[0]) | uint32_t(loc[1]) << 8 | uint32_t(loc[2]) << 16 |
              uint32_t(loc[3]) << 24;
  f->scan_handle = *handle;
  return true;
}

bool write_entry(TkBlob* w, const TkHandle* handle, uint32_t location) {
  uint8_t buf[13];
  int16_t n = tk_handle_length(handle);
  buf[0] = uint8_t(n);
  std::memcpy(buf + 1, handle->bytes + (8 - n), size_t(n));
  for (int i = 0; i < 4; ++i) buf[1 + n + i] = uint8_t(location >> (8 * i));
  return blob_write(w, buf, size_t(1 + n + 4)) == 1;
}

// The pages of the index: the key and offset of every (count / 512 + 1)-th entry.
bool build_pages(Dwg13File* f) {
  for (int i = 0; i < DWG13_MAP_PAGES; ++i) {
    std::memset(f->page_keys[i].bytes, 0xFF, 8);
    f->page_offsets[i] = 2000000000;
  }
  int32_t step = f->map_count / DWG13_MAP_PAGES + 1;
  if (!blob_rewind(f->map_reader)) return false;
  for (int32_t index = 0, page = 0; index < f->map_count && page < DWG13_MAP_PAGES; ++index) {
    int32_t offset = blob_read_pos(f->map_reader);
    TkHandle h;
    uint32_t location;
    if (!read_entry(f, &h, &location)) return false;
    if (index % step == 0) {
      f->page_keys[page] = h;
      f->page_offsets[page] = offset;
      ++page;
    }
  }
  return true;
}

bool seek_map(Dwg13File* f, int32_t offset) {
  std::memset(f->scan_handle.bytes, 0, 8);
  return offset == 0 ? blob_rewind(f->map_reader) != 0 : blob_seek(f->map_reader, offset) != 0;
}

// Reads the common start of a control object and its entry count; the stream is left at the
// owner handle. -1 when the object cannot be read.
int32_t read_control_start(TkDrawing* d, Dwg13File* f, const TkHandle* handle, bool extra_byte) {
  if (!dwg_objmap_seek(d, handle) || !dwg13_open_object_window(d)) return -1;
  TkBitReader* r = f->bits;
  bits_read_short(r);  // type
  if (d->version >= TK_VERSION_AC1015) r->size_in_bits = bits_read_raw_long(r);
  TkHandle own;
  bits_read_handle(r, &own);
  // Extended data is not wanted here: each block is passed over by its size.
  for (uint16_t n = uint16_t(bits_read_short(r)); n != 0; n = uint16_t(bits_read_short(r))) {
    TkHandle app;
    bits_read_handle(r, &app);
    if (uint32_t(n) * 8 > bits_remaining(r)) return -1;
    bits_skip(r, uint32_t(n) * 8);
  }
  if (d->version < TK_VERSION_AC1015) r->size_in_bits = bits_read_raw_long(r);
  r->reactor_count = bits_read_long(r);
  int32_t count = bits_read_long(r);
  if (extra_byte) bits_read_char(r);
  // Every entry handle takes at least a byte: a count beyond the object is damage.
  if (count < 0 || r->reactor_count < 0 ||
      uint64_t(count) + uint64_t(r->reactor_count) > bits_remaining(r) / 8 || r->past_end)
    return -1;
  return count;
}

}  // namespace

Dwg13File* dwg13_file(TkDrawing* drawing) {
  if (!drawing || drawing->reader_state_free != free_state) return nullptr;
  return static_cast<Dwg13File*>(drawing->reader_state);
}

TkBitReader* dwg13_bits(TkDrawing* drawing) {
  Dwg13File* f = dwg13_file(drawing);
  return f ? f->bits : nullptr;
}

int16_t dwg_file_rs(TkFile* file, int16_t* out) {
  uint8_t b[2];
  if (!read_exact(file, b, 2)) return 0;
  *out = int16_t(uint16_t(b[0] | b[1] << 8));
  return 1;
}

int16_t dwg_file_rl(TkFile* file, int32_t* out) {
  uint8_t b[4];
  if (!read_exact(file, b, 4)) return 0;
  *out = int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
  return 1;
}

int16_t dwg_file_byte(TkFile* file, uint8_t* out) { return read_exact(file, out, 1) ? 1 : 0; }

TkBlob* dwg_file_copy_to_blob(TkFile* file, uint32_t offset, uint32_t n) {
  uint32_t length = file_length(file);
  if (offset > length || n > length - offset) return nullptr;
  TkBlob* stored = blob_alloc(TK_BLOB_CHUNK_SIZE);
  if (!stored) return nullptr;
  TkBlob* w = blob_create(stored);
  if (!w) {
    blob_free(stored);
    return nullptr;
  }
  auto* buffer = static_cast<uint8_t*>(mem_alloc(kCopyStep));
  bool ok = buffer && file_seek(file, offset, 0) == 0;
  for (uint32_t done = 0; ok && done < n;) {
    uint32_t step = n - done < kCopyStep ? n - done : kCopyStep;
    ok = read_exact(file, buffer, step) && blob_write(w, buffer, step) == 1;
    done += step;
  }
  mem_free(buffer);
  if (!blob_close_write(w) || !ok) {
    blob_free(stored);
    return nullptr;
  }
  return stored;
}

int16_t dwg_file_modular_char(TkFile* file, uint32_t limit, TkHandle* out, uint32_t* used) {
  uint64_t value = 0;
  *used = 0;
  for (int i = 0; i < 10; ++i) {
    uint8_t b;
    if (*used >= limit || !dwg_file_byte(file, &b)) return 0;
    ++*used;
    if (i < 10) value |= uint64_t(b & 0x7F) << (7 * i);
    if (!(b & 0x80)) {
      handle_from_u64(value, out);
      return 1;
    }
  }
  report_bad_length();
  return 0;
}

int16_t dwg_file_modular_char_signed(TkFile* file, uint32_t limit, int32_t* out, uint32_t* used) {
  int64_t value = 0;
  *used = 0;
  *out = 0;
  for (int i = 0; i < 6; ++i) {
    uint8_t b;
    if (*used >= limit || !dwg_file_byte(file, &b)) return 0;
    ++*used;
    if (b & 0x80) {
      value |= int64_t(b & 0x7F) << (7 * i);
      continue;
    }
    value |= int64_t(b & 0x3F) << (7 * i);
    if (b & 0x40) value = -value;
    // Six groups reach beyond 32 bits; such a delta cannot be a file offset.
    if (value > INT32_MAX || value < -int64_t(INT32_MAX)) return 0;
    *out = int32_t(value);
    return 1;
  }
  report_bad_length();
  return 0;
}

int16_t dwg_objmap_load(TkDrawing* d) {
  Dwg13File* f = dwg13_file(d);
  if (!f) return 0;
  if (f->map_reader) blob_close(f->map_reader);
  blob_free(f->map);
  f->map_reader = nullptr;
  f->map_count = 0;
  f->map = blob_alloc(TK_BLOB_CHUNK_SIZE);
  if (!f->map) return tk_fail_alloc(TK_ERR_ALLOC_BLOB_BUFFER);
  TkBlob* w = blob_create(f->map);
  if (!w) return tk_fail_alloc(TK_ERR_ALLOC_BLOB_BUFFER);
  bool ok = file_seek(d->file, f->objmap_seeker, 0) == 0;
  while (ok) {
    uint8_t be[2];
    uint32_t at = file_tell(d->file);
    if (at + 2 > f->file_length || !read_exact(d->file, be, 2)) break;
    uint32_t size = uint32_t(be[0]) << 8 | be[1];
    if (size <= 2) break;
    uint32_t left = size - 2;
    TkHandle handle{};
    int64_t location = 0;
    int32_t pairs = 0, last_delta = 0;
    while (left > 0) {
      TkHandle delta;
      uint32_t used = 0;
      if (!dwg_file_modular_char(d->file, left, &delta, &used)) break;
      left -= used;
      if (!dwg_file_modular_char_signed(d->file, left, &last_delta, &used)) break;
      left -= used;
      handle_add(&handle, &delta, &handle);
      location += last_delta;
      uint32_t stored = location >= 0 && location < int64_t(f->file_length) ? uint32_t(location)
                                                                            : kNoLocation;
      if (!write_entry(w, &handle, stored)) {
        ok = false;
        break;
      }
      ++pairs;
      ++f->map_count;
    }
    if (!ok || pairs == 0 || last_delta == 0) break;
    // The rest of the section and its CRC.
    if (file_seek(d->file, int64_t(at) + 2 + (size - 2) + 2, 0) != 0) break;
  }
  if (!blob_close_write(w) || !ok) return tk_fail_alloc(TK_ERR_ALLOC_BLOB_BUFFER);
  f->map_reader = blob_open_read(f->map);
  if (!f->map_reader) return tk_fail_alloc(TK_ERR_ALLOC_BLOB_BUFFER);
  if (!build_pages(f) || !seek_map(f, 0)) return 0;
  std::memset(f->cache_handle.bytes, 0, 8);
  f->cache_location = kNoLocation;
  if (f->map_count > 0) {
    TkHandle h;
    uint32_t location;
    if (read_entry(f, &h, &location)) {
      f->cache_handle = h;
      f->cache_location = location;
    }
    seek_map(f, 0);
  }
  return 1;
}

int32_t dwg13_object_count(TkDrawing* d) {
  Dwg13File* f = dwg13_file(d);
  return f ? f->map_count : 0;
}

int32_t dwg13_map_handles(TkDrawing* d, TkHandle* out, int32_t max) {
  Dwg13File* f = dwg13_file(d);
  if (!f || !f->map_reader || !seek_map(f, 0)) return 0;
  int32_t n = 0;
  TkHandle h;
  uint32_t location;
  while (n < max && read_entry(f, &h, &location)) out[n++] = h;
  seek_map(f, 0);
  return n;
}

int16_t dwg_objmap_seek(TkDrawing* d, const TkHandle* handle) {
  Dwg13File* f = dwg13_file(d);
  if (!f || !f->map_reader || !handle || tk_handle_is_null(handle)) return 0;
  uint32_t location = kNoLocation;
  bool found = false;
  if (tk_handle_compare(handle, &f->cache_handle) == 0) {
    location = f->cache_location;
    found = true;
  } else {
    // The last page whose first key is not above the handle.
    int lo = 0, hi = DWG13_MAP_PAGES - 1, page = -1;
    while (lo <= hi) {
      int mid = (lo + hi) / 2;
      if (tk_handle_compare(&f->page_keys[mid], handle) <= 0) {
        page = mid;
        lo = mid + 1;
      } else {
        hi = mid - 1;
      }
    }
    if (page < 0) return 0;
    // Reading on from where the reader stands is only right while it stands below the handle.
    int32_t here = blob_read_pos(f->map_reader);
    bool read_on = !tk_handle_is_null(&f->scan_handle) &&
                   tk_handle_compare(handle, &f->scan_handle) > 0 && f->page_offsets[page] <= here;
    if (!read_on && !seek_map(f, f->page_offsets[page])) return 0;
    TkHandle h;
    uint32_t at;
    while (read_entry(f, &h, &at)) {
      int c = tk_handle_compare(&h, handle);
      if (c == 0) {
        location = at;
        found = true;
        break;
      }
      if (c > 0) break;
    }
  }
  if (!found || location == kNoLocation || location >= f->file_length) return 0;
  f->cache_handle = *handle;
  f->cache_location = location;
  return file_seek(d->file, location, 0) == 0 ? 1 : 0;
}

int16_t dwg13_open_object_window(TkDrawing* d) {
  Dwg13File* f = dwg13_file(d);
  if (!f) return 0;
  uint32_t at = file_tell(d->file);
  // The objects come before the map.
  if (f->objmap_seeker && at >= f->objmap_seeker) return 0;
  int16_t word = 0, pages = 1;
  if (!dwg_file_rs(d->file, &word)) return 0;
  uint16_t size_word = uint16_t(word);
  bool large = (size_word & 0x8000) != 0;
  if (large && (!dwg_file_rs(d->file, &pages) || pages < 1)) return 0;
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
  if (!f) return 0;
  uint32_t next = uint32_t(f->bits->data_start) + f->bits->data_size + 2;
  if (next >= f->file_length) return 0;
  return file_seek(d->file, next, 0) == 0 ? 1 : 0;
}

int32_t dwg_skip_control_entries(TkDrawing* d, int32_t count) {
  Dwg13File* f = dwg13_file(d);
  if (!f) return 0;
  TkBitReader* r = f->bits;
  TkHandle h;
  bits_read_handle(r, &h);  // owner: none
  for (int32_t i = 0; i < r->reactor_count && !r->past_end; ++i) bits_read_handle(r, &h);
  bits_read_handle(r, &h);  // extension dictionary
  int32_t kept = 0;
  for (int32_t i = 0; i < count && !r->past_end; ++i) {
    bits_read_handle(r, &h);
    if (!tk_handle_is_null(&h)) ++kept;
  }
  return kept;
}

namespace {

// Reads the file header: locators, preview address, code page and maintenance version.
int16_t read_file_header(TkDrawing* d, Dwg13File* f, TkHeader* header) {
  uint8_t head[25];
  if (file_seek(d->file, 0, 0) != 0 || !read_exact(d->file, head, sizeof head))
    return tk_fail(TK_ERR_BAD_DWG_INFO);
  header->acadmaintver = head[11] & 1;
  f->preview_address = uint32_t(head[13]) | uint32_t(head[14]) << 8 | uint32_t(head[15]) << 16 |
                       uint32_t(head[16]) << 24;
  header->dwgcodepage = int16_t(uint16_t(head[19] | head[20] << 8));
  int records = head[21];
  for (int i = 0; i < records; ++i) {
    uint8_t rec[9];
    if (!read_exact(d->file, rec, sizeof rec)) return tk_fail(TK_ERR_BAD_DWG_INFO);
    uint32_t seeker = uint32_t(rec[1]) | uint32_t(rec[2]) << 8 | uint32_t(rec[3]) << 16 |
                      uint32_t(rec[4]) << 24;
    uint32_t size = uint32_t(rec[5]) | uint32_t(rec[6]) << 8 | uint32_t(rec[7]) << 16 |
                    uint32_t(rec[8]) << 24;
    if (seeker > f->file_length) return i <= DWG13_LOCATOR_UNUSED ? tk_fail(TK_ERR_BAD_DWG_INFO) : 0;
    switch (i) {
      case DWG13_LOCATOR_HEADER: f->header_seeker = seeker, f->header_size = size; break;
      case DWG13_LOCATOR_CLASSES: f->classes_seeker = seeker, f->classes_size = size; break;
      case DWG13_LOCATOR_OBJECT_MAP: f->objmap_seeker = seeker, f->objmap_size = size; break;
      case DWG13_LOCATOR_MEASUREMENT: f->measurement_seeker = seeker; break;
      default: break;
    }
  }
  // The header, classes and map sections must all be there.
  if (records < 3) return tk_fail(TK_ERR_BAD_DWG_INFO);
  return 1;
}

// MEASUREMENT: an RS n at the seeker, the byte n bytes further on. A position beyond the file
// keeps the default.
void read_measurement(TkDrawing* d, Dwg13File* f, TkHeader* header) {
  int16_t n = 0;
  uint8_t value = 0;
  if (!f->measurement_seeker || file_seek(d->file, f->measurement_seeker, 0) != 0 ||
      !dwg_file_rs(d->file, &n))
    return;
  uint32_t at = f->measurement_seeker + 2 + uint16_t(n);
  if (at >= f->file_length || file_seek(d->file, at, 0) != 0 || !dwg_file_byte(d->file, &value))
    return;
  header->measurement = value;
}

// The preview directory and its images. A directory or image outside the file is passed over.
int16_t read_preview(TkDrawing* d, Dwg13File* f) {
  Dwg13Preview& p = f->preview;
  uint32_t at = f->preview_address;
  if (at == 0 || at > f->file_length || f->file_length - at < 16 + 5 ||
      file_seek(d->file, at + 16, 0) != 0)
    return 1;
  int32_t overall;
  uint8_t count;
  if (!dwg_file_rl(d->file, &overall) || !dwg_file_byte(d->file, &count)) return 1;
  for (int i = 0; i < count; ++i) {
    uint8_t code;
    int32_t start = 0, size = 0;
    if (!dwg_file_byte(d->file, &code)) return 1;
    if (code < 1 || code > 3) continue;
    if (!dwg_file_rl(d->file, &start) || !dwg_file_rl(d->file, &size)) return 1;
    uint32_t s = uint32_t(start), n = uint32_t(size);
    if (code == 1) p.header_start = s, p.header_size = n;
    if (code == 2) p.bmp_start = s, p.bmp_size = n, p.flags |= DWG13_PREVIEW_BMP;
    if (code == 3) p.wmf_start = s, p.wmf_size = n, p.flags |= DWG13_PREVIEW_WMF;
  }
  for (int kind = 0; kind < 2; ++kind) {
    uint8_t flag = kind == 0 ? DWG13_PREVIEW_BMP : DWG13_PREVIEW_WMF;
    uint32_t start = kind == 0 ? p.bmp_start : p.wmf_start;
    uint32_t size = kind == 0 ? p.bmp_size : p.wmf_size;
    TkBlob*& image = kind == 0 ? p.bmp : p.wmf;
    if (!(p.flags & flag)) continue;
    if (start > f->file_length || size > f->file_length - start) {
      p.flags &= uint8_t(~flag);
      continue;
    }
    image = dwg_file_copy_to_blob(d->file, start, size);
    if (!image) return tk_fail_alloc(TK_ERR_ALLOC_BLOB_BUFFER);
  }
  return 1;
}

// Record counts of the ten tables from their control objects.
int16_t read_control_counts(TkDrawing* d, Dwg13File* f) {
  static const int table_of_control[DWG13_CONTROL_COUNT] = {
      TK_COUNT_BLOCK, TK_COUNT_LAYER, TK_COUNT_STYLE,    TK_COUNT_LTYPE, TK_COUNT_VIEW,
      TK_COUNT_UCS,   TK_COUNT_VPORT, TK_COUNT_APPID, TK_COUNT_DIMSTYLE, -1};
  for (int c = 0; c < DWG13_CONTROL_COUNT; ++c) {
    if (c == DWG13_CONTROL_BLOCK) f->block_control_position = 0;
    bool extra = c == DWG13_CONTROL_DIMSTYLE && d->version >= TK_VERSION_AC1015;
    int32_t count = read_control_start(d, f, &f->controls[c], extra);
    if (count < 0) return tk_fail(TK_ERR_BAD_DWG_INFO);
    if (c == DWG13_CONTROL_BLOCK) f->block_control_position = uint32_t(f->bits->object_start);
    int32_t kept = dwg_skip_control_entries(d, count);
    if (table_of_control[c] >= 0)
      d->record_counts[table_of_control[c]] = kept;
    else
      f->vpent_header_count = d->record_counts[TK_COUNT_VPENT_HEADER] = kept;
  }
  return 1;
}

}  // namespace

int16_t dwg_open_check(TkDrawing* d) {
  if (!d || !d->file || !d->header) return tk_fail(TK_ERR_READ_HEADER);
  header_set_defaults(d->header);
  // The table positions an older drawing's header gave mean nothing for this one.
  tk_state->header_indexes.dimstyle = 65535;
  tk_state->header_indexes.pucsname = 65535;
  tk_state->header_indexes.ucsname = 65535;
  tk_state->header_indexes.first_vpent_header = 0;
  char version[7] = {0};
  if (file_seek(d->file, 0, 0) != 0 || !read_exact(d->file, version, 6))
    return tk_fail(TK_ERR_FILE_VERSION);
  std::memcpy(d->header->acadver, version, sizeof version);
  int16_t v = tk_version_from_string(version);
  if (v < 0) return tk_fail(std::strcmp(version, "AC1013") == 0 ? TK_ERR_BETA_FORMAT
                                                                 : TK_ERR_FILE_VERSION);
  d->version = v;
  if (v < TK_VERSION_AC1012) {
    const TkReaderOps* older = dwg_old_reader_ops();
    return older && older->open ? older->open(d) : tk_fail(TK_ERR_FILE_VERSION);
  }
  Dwg13File* f = dwg13_file_attach(d);
  if (!f) return tk_fail_alloc(TK_ERR_READ_BUFFER);
  std::memset(d->record_counts, 0, sizeof d->record_counts);
  if (!read_file_header(d, f, d->header)) return 0;
  if (!dwg_read_header_vars(d, d->header)) return 0;
  if (v <= TK_VERSION_AC1014) {
    // The older single unit setting carries the fraction format in its upper values.
    TkHeader* h = d->header;
    switch (h->dimlunit) {
      case 4: case 5: h->dimfrac = 0; break;
      case 6: case 7: h->dimlunit = int16_t(h->dimlunit - 2), h->dimfrac = 2; break;
      case 8: h->dimlunit = 6, h->dimfrac = 0; break;
      default: break;
    }
  }
  if (v >= TK_VERSION_AC1014) read_measurement(d, f, d->header);
  if (!read_preview(d, f)) return 0;
  if (!dwg_objmap_load(d)) return 0;
  if (!read_control_counts(d, f)) return 0;
  d->record_counts[TK_COUNT_LTYPE] += 2;
  f->after_header_position = file_tell(d->file);
  return 1;
}
