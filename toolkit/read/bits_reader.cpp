// The bit-stream reader: bit decoding over a window of bytes, with the refills that continue a
// paged object or a blob. Single bits go through an inline mask test; whole bytes and byte runs
// take shifted pairs of adjacent window bytes while the window holds enough of them, and the
// bit-by-bit road otherwise, so both give the same values.
#include "toolkit/read/bits_reader.h"

#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"

namespace {

void report_bad_length() {
  if (tk_state && tk_state->error_callback) tk_state->error_callback(5);
}

// log2 of a single-bit mask 1..128.
int mask_shift(int mask) {
  int s = 0;
  while (mask > 1) {
    mask >>= 1;
    ++s;
  }
  return s;
}

// Bits of the current byte already read.
uint32_t bits_used(int mask) {
  if (mask >= TK_BITS_FRESH_BYTE) return 0;
  if (mask == 0) return 8;
  return uint32_t(8 - mask_shift(mask));
}

// Nothing more to read: serve zero bytes from here on.
int16_t serve_zero(TkBitReader* r) {
  r->past_end = 1;
  r->zero = 0;
  r->current = &r->zero;
  r->bytes_left = 1;
  return 0;
}

void reset_window(TkBitReader* r) {
  if (r->source) blob_close(r->source);
  r->source = nullptr;
  r->blob_left = 0;
  r->file = nullptr;
  r->mask = TK_BITS_FRESH_BYTE;
  r->page_index = 0;
  r->page_count = 1;
  r->window_base = 0;
  r->window_fill = 0;
  r->data_size = 0;
  r->past_end = 0;
  r->current = r->window;
  r->bytes_left = 0;
}

// Points the reader at the first of n fresh window bytes.
void start_window(TkBitReader* r, uint32_t n) {
  r->window_fill = n;
  r->current = r->window;
  r->bytes_left = n;
  if (n == 0) serve_zero(r);
}

double sanitise(const uint8_t b[8]) {
  unsigned e = (unsigned(b[7] & 0x7F) << 4) | (b[6] >> 4);
  if (e == 0 || e == 0x7FF) return 0.0;
  double v;
  std::memcpy(&v, b, 8);
  return v;
}

// The value of an H after its code/counter byte; false when the counter is above 8.
bool read_counter_bytes(TkBitReader* r, int counter, TkHandle* out) {
  std::memset(out->bytes, 0, 8);
  if (counter > 8) {
    report_bad_length();
    return false;
  }
  bits_read_bytes(r, out->bytes + (8 - counter), size_t(counter));
  return true;
}

}  // namespace

TkBitReader* bits_reader_create() {
  auto* r = static_cast<TkBitReader*>(mem_alloc(sizeof(TkBitReader)));
  if (!r) return nullptr;
  std::memset(r, 0, sizeof *r);
  r->window = static_cast<uint8_t*>(mem_alloc(TK_BITS_WINDOW_SIZE));
  if (!r->window) {
    mem_free(r);
    return nullptr;
  }
  reset_window(r);
  serve_zero(r);
  r->past_end = 0;
  return r;
}

void bits_reader_free(TkBitReader* r) {
  if (!r) return;
  if (r->source) blob_close(r->source);
  mem_free(r->window);
  mem_free(r);
}

int16_t bits_open_file(TkBitReader* r, TkFile* file, uint32_t object_start, uint32_t data_start,
                       uint32_t first, int16_t page_count, uint32_t end) {
  reset_window(r);
  r->file = file;
  r->object_start = int32_t(object_start);
  r->data_start = int32_t(data_start);
  r->page_count = page_count;
  r->source_end = end;
  if (first > TK_BITS_WINDOW_SIZE) first = TK_BITS_WINDOW_SIZE;
  uint32_t available = end > data_start ? end - data_start : 0;
  uint32_t want = first < available ? first : available;
  size_t got = 0;
  if (want > 0 && file_seek(file, data_start, 0) == 0) got = file_read(r->window, 1, want, file);
  r->next_page_at = data_start + uint32_t(got);
  start_window(r, uint32_t(got));
  return got == first ? 1 : 0;
}

int16_t bits_open_memory(TkBitReader* r, const void* data, size_t n) {
  if (n > TK_BITS_WINDOW_SIZE) return 0;
  reset_window(r);
  if (n) std::memcpy(r->window, data, n);
  r->data_size = uint32_t(n);
  start_window(r, uint32_t(n));
  return 1;
}

int16_t bits_open_blob(TkBitReader* r, TkBlob* stored) {
  reset_window(r);
  TkBlob* b = stored ? blob_open_read(stored) : nullptr;
  if (!b) {
    serve_zero(r);
    return 0;
  }
  r->source = b;
  r->blob_left = blob_length(b);
  r->data_size = uint32_t(r->blob_left);
  // The first window is the first refill.
  r->bytes_left = 1;
  r->current = r->window;
  bits_fill(r);
  r->mask = TK_BITS_FRESH_BYTE;
  r->past_end = r->window_fill == 0;
  return 1;
}

int16_t bits_fill(TkBitReader* r) {
  if (r->bytes_left > 1) {
    --r->bytes_left;
    ++r->current;
    return 1;
  }
  if (r->current == &r->zero) return serve_zero(r);
  r->window_base += r->window_fill;
  if (r->source) {
    int32_t n = r->blob_left < int32_t(TK_BITS_BLOB_REFILL) ? r->blob_left
                                                             : int32_t(TK_BITS_BLOB_REFILL);
    if (n <= 0 || blob_read(r->source, r->window, size_t(n)) != 1) {
      r->window_fill = 0;
      return serve_zero(r);
    }
    r->blob_left -= n;
    start_window(r, uint32_t(n));
    return 1;
  }
  if (!r->file) {
    r->window_fill = 0;
    return serve_zero(r);
  }
  ++r->page_index;
  uint32_t page = r->page_index <= r->page_count - 1 ? TK_BITS_PAGE + 2 : TK_BITS_PAGE;
  uint32_t available = r->source_end > r->next_page_at ? r->source_end - r->next_page_at : 0;
  uint32_t want = page < available ? page : available;
  size_t got = 0;
  r->window_base = r->next_page_at - uint32_t(r->data_start);
  if (want > 0 && file_seek(r->file, r->next_page_at, 0) == 0)
    got = file_read(r->window, 1, want, r->file);
  r->next_page_at += uint32_t(got);
  start_window(r, uint32_t(got));
  return got ? 1 : 0;
}

int bits_read_bit(TkBitReader* r) {
  int m = r->mask >> 1;
  if (m) {
    r->mask = int16_t(m);
    return (*r->current & m) != 0;
  }
  bits_fill(r);
  r->mask = 128;
  return (*r->current & 128) != 0;
}

uint8_t bits_read_char(TkBitReader* r) {
  if (r->bytes_left >= 4) {
    int m = r->mask;
    uint8_t v;
    if (m == TK_BITS_FRESH_BYTE) {
      v = *r->current++;
      --r->bytes_left;
    } else if (m <= 1) {
      ++r->current;
      --r->bytes_left;
      v = *r->current;
      r->mask = 1;
    } else {
      v = uint8_t(((unsigned(r->current[0]) << 8) | r->current[1]) >> mask_shift(m));
      ++r->current;
      --r->bytes_left;
    }
    return v;
  }
  unsigned v = 0;
  for (int i = 0; i < 8; ++i) v = (v << 1) | unsigned(bits_read_bit(r));
  return uint8_t(v);
}

void bits_read_bytes(TkBitReader* r, void* out, size_t n) {
  uint8_t* o = static_cast<uint8_t*>(out);
  if (n >= 3 && r->bytes_left >= n + 1) {
    int m = r->mask;
    if (m == TK_BITS_FRESH_BYTE) {
      std::memcpy(o, r->current, n);
    } else if (m <= 1) {
      std::memcpy(o, r->current + 1, n);
      r->mask = 1;
    } else {
      int s = mask_shift(m);
      const uint8_t* c = r->current;
      for (size_t i = 0; i < n; ++i) o[i] = uint8_t(((unsigned(c[i]) << 8) | c[i + 1]) >> s);
    }
    r->current += n;
    r->bytes_left -= uint32_t(n);
    return;
  }
  for (size_t i = 0; i < n; ++i) o[i] = bits_read_char(r);
}

int16_t bits_read_short(TkBitReader* r) {
  int code = bits_read_bit(r) << 1;
  code |= bits_read_bit(r);
  switch (code) {
    case 0: {
      uint8_t lo = bits_read_char(r);
      uint8_t hi = bits_read_char(r);
      return int16_t(uint16_t(lo | (hi << 8)));
    }
    case 1: return int16_t(bits_read_char(r));
    case 2: return 0;
    default: return 256;
  }
}

int32_t bits_read_raw_long(TkBitReader* r) {
  uint8_t b[4];
  bits_read_bytes(r, b, 4);
  return int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
}

int32_t bits_read_long(TkBitReader* r) {
  int code = bits_read_bit(r) << 1;
  code |= bits_read_bit(r);
  if (code == 0) return bits_read_raw_long(r);
  if (code == 1) return bits_read_char(r);
  return 0;
}

int32_t bits_read_bl_into(TkBitReader* r, int32_t* out) {
  *out = bits_read_long(r);
  return *out;
}

double bits_read_raw_double(TkBitReader* r) {
  uint8_t b[8];
  bits_read_bytes(r, b, 8);
  return sanitise(b);
}

double bits_read_double(TkBitReader* r) {
  int code = bits_read_bit(r) << 1;
  code |= bits_read_bit(r);
  if (code == 0) return bits_read_raw_double(r);
  return code == 1 ? 1.0 : 0.0;
}

void bits_read_2rd(TkBitReader* r, double out[2]) {
  out[0] = bits_read_raw_double(r);
  out[1] = bits_read_raw_double(r);
}

void bits_read_3bd(TkBitReader* r, double out[3]) {
  for (int i = 0; i < 3; ++i) out[i] = bits_read_double(r);
}

double bits_read_default_double(TkBitReader* r, double default_value) {
  int code = bits_read_bit(r) << 1;
  code |= bits_read_bit(r);
  if (code == 0) return default_value;
  if (code == 3) return bits_read_raw_double(r);
  uint8_t b[8];
  std::memcpy(b, &default_value, 8);
  if (code == 2) bits_read_bytes(r, b + 4, 2);
  bits_read_bytes(r, b, 4);
  // The exponent lies in bytes 6 and 7, which no patch touches: the default's class is kept.
  double v;
  std::memcpy(&v, b, 8);
  return v;
}

void bits_read_3dd(TkBitReader* r, double out[3], const double default_value[3]) {
  for (int i = 0; i < 3; ++i) out[i] = bits_read_default_double(r, default_value[i]);
}

void bits_read_line_points(TkBitReader* r, double start[3], double end[3]) {
  int flat = bits_read_bit(r);
  start[0] = bits_read_raw_double(r);
  end[0] = bits_read_default_double(r, start[0]);
  start[1] = bits_read_raw_double(r);
  end[1] = bits_read_default_double(r, start[1]);
  if (flat) {
    start[2] = end[2] = 0.0;
  } else {
    start[2] = bits_read_raw_double(r);
    end[2] = bits_read_default_double(r, start[2]);
  }
}

void bits_read_2rd_opt_z(TkBitReader* r, double out[3]) {
  int flat = bits_read_bit(r);
  bits_read_2rd(r, out);
  out[2] = flat ? 0.0 : bits_read_raw_double(r);
}

int16_t bits_read_text(TkBitReader* r, char* out, uint16_t capacity) {
  // The length is looked at before it is taken, so a refused text leaves the stream where it was.
  TkBitReader saved = *r;
  uint16_t length = uint16_t(bits_read_short(r));
  if (length >= capacity) {
    // Without a refill in between, the window is unchanged and the state can be put back.
    if (r->window_base == saved.window_base && r->window_fill == saved.window_fill) *r = saved;
    report_bad_length();
    return 0;
  }
  bits_read_bytes(r, out, length);
  out[length] = 0;
  return 1;
}

int16_t bits_read_handle(TkBitReader* r, TkHandle* out) {
  uint8_t head = bits_read_char(r);
  int counter = head & 0x0F;
  if (!read_counter_bytes(r, counter, out)) return 0;
  return int16_t(counter);
}

int16_t bits_read_handle_ref(TkBitReader* r, TkHandle* out, uint8_t* kind) {
  uint8_t head = bits_read_char(r);
  int counter = head & 0x0F;
  switch (head >> 4) {
    case 2: *kind = TK_REF_SOFT_OWNER; break;
    case 4: *kind = TK_REF_SOFT_POINTER; break;
    case 5: *kind = TK_REF_HARD_POINTER; break;
    case 6: *kind = TK_REF_KIND_3; break;
    case 3: *kind = TK_REF_HARD_OWNER; break;
    default: break;
  }
  if (!read_counter_bytes(r, counter, out)) return 0;
  return int16_t(counter);
}

int16_t bits_read_handle_rel(TkBitReader* r, const TkHandle* base, TkHandle* out) {
  uint8_t head = bits_read_char(r);
  int code = head >> 4;
  int counter = head & 0x0F;
  TkHandle value;
  if (!read_counter_bytes(r, counter, &value)) {
    *out = value;
    return 0;
  }
  static const TkHandle one = {{0, 0, 0, 0, 0, 0, 0, 1}};
  // Codes 2 to 5 name the handle itself; 6 and 8 step by one; 10 and 12 carry an offset.
  if (code >= 2 && code <= 5) {
    *out = value;
  } else if (counter > 0) {
    if (code == 12)
      handle_sub(base, &value, out);
    else
      handle_add(base, &value, out);
  } else if (code >= 8) {
    handle_sub(base, &one, out);
  } else {
    handle_add(base, &one, out);
  }
  return int16_t(counter);
}

void bits_skip(TkBitReader* r, uint32_t n) {
  if (n > 2048) {
    uint8_t scratch[256];
    uint32_t blocks = (n - 1) / 2048;
    for (uint32_t i = 0; i < blocks && !r->past_end; ++i) bits_read_bytes(r, scratch, 256);
    n -= 2048 * blocks;
  }
  for (uint32_t i = 0; i < n; ++i) bits_read_bit(r);
}

uint32_t bits_position(const TkBitReader* r) {
  uint32_t in_window = r->current == &r->zero ? r->window_fill : uint32_t(r->current - r->window);
  return uint32_t(r->data_start) + r->window_base + in_window;
}

uint32_t bits_consumed(const TkBitReader* r) {
  if (r->current == &r->zero) return 8 * (r->window_base + r->window_fill);
  return 8 * (r->window_base + uint32_t(r->current - r->window)) + bits_used(r->mask);
}

uint32_t bits_remaining(const TkBitReader* r) {
  uint32_t total = 8 * r->data_size, used = bits_consumed(r);
  return total > used ? total - used : 0;
}
