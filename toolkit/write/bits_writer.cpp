// The bit-stream writer: bit packing, the bit-coded types, handle references, the object record
// and the object map's modular numbers. Whole bytes take a shifted-pair path; everything else
// goes bit by bit through bits_write_bit, so both paths give the same stream.
#include "toolkit/write/bits_writer.h"

#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/error.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"
#include "toolkit/core/object.h"
#include "toolkit/write/crc16.h"
#include "toolkit/write/xdata_write.h"

namespace {

constexpr uint16_t kCrcSeedObject = 0xC0C1;
constexpr uint32_t kPage = 32768;

// Bits already written into the current byte: 0 for a fresh byte, 1 after the top bit, ...
int bits_in_current(uint16_t mask) {
  int n = 0;
  for (uint16_t m = mask; m < TK_BITS_NO_BIT; m <<= 1) ++n;
  return n;
}

uint32_t bit_position(const TkBitWriter* w) {
  uint32_t index = TK_BITS_BUFFER_SIZE - w->bytes_left;
  return 8u * (uint32_t(w->spill_count) * TK_BITS_BUFFER_SIZE + index) +
         uint32_t(bits_in_current(w->mask));
}

// Moves the full buffer to the target blob, or to the spill blob of the open object.
int16_t move_buffer_out(TkBitWriter* w) {
  TkBlob* writer = w->target ? w->target_writer : w->spill_writer;
  if (!writer) {
    w->spill = blob_alloc(TK_BLOB_CHUNK_SIZE);
    if (!w->spill) return -1;
    w->spill_writer = blob_create(w->spill);
    if (!w->spill_writer) {
      blob_free(w->spill);
      w->spill = nullptr;
      return -1;
    }
    writer = w->spill_writer;
  }
  if (blob_write(writer, w->buffer, TK_BITS_BUFFER_SIZE) != 1) return -1;
  ++w->spill_count;
  return 1;
}

// Begins the next byte (cleared), moving the buffer out when it is full.
int16_t next_byte(TkBitWriter* w) {
  if (--w->bytes_left == 0) {
    if (move_buffer_out(w) != 1) {
      ++w->bytes_left;
      return -1;
    }
    w->bytes_left = TK_BITS_BUFFER_SIZE;
    w->current = w->buffer;
  } else {
    ++w->current;
  }
  *w->current = 0;
  return 1;
}

void free_spill(TkBitWriter* w) {
  if (w->spill_writer) blob_close(w->spill_writer);
  if (w->spill) blob_free(w->spill);
  w->spill_writer = nullptr;
  w->spill = nullptr;
}

// Sets the 32 bits of the data-size field that fall inside the piece [start, start + n).
void patch_size_field(const TkBitWriter* w, uint8_t* piece, uint32_t start, uint32_t n) {
  if (!w->size_field_reserved) return;
  for (uint32_t i = 0; i < 32; ++i) {
    uint32_t bit = w->size_field_bit + i;
    uint32_t byte = bit >> 3;
    if (byte < start || byte >= start + n) continue;
    uint8_t value_byte = uint8_t(w->data_bits >> (8 * (i / 8)));
    int set = (value_byte >> (7 - i % 8)) & 1;
    uint8_t m = uint8_t(0x80u >> (bit & 7));
    if (set)
      piece[byte - start] |= m;
    else
      piece[byte - start] &= uint8_t(~m);
  }
}

int16_t write_out(TkBitWriter* w, const void* data, size_t n, uint16_t* crc) {
  if (n == 0) return 1;
  if (w->sink) {
    if (w->sink(w->sink_context, data, n) != 1) return 0;
  } else if (!w->out || stdio_write(data, 1, n, w->out) != n) {
    return tk_fail(TK_ERR_WRITE_FILE);
  }
  *crc = crc16(*crc, data, n);
  return 1;
}

int16_t write_graphics(TkBitWriter* w, TkBlob* graphics) {
  TkBlob* r = blob_open_read(graphics);
  if (!r) return -1;
  int32_t length = blob_length(r);
  // Count the primitives by walking their lengths; the walk stops at a length that does not fit.
  int32_t count = 0;
  int32_t pos = 8;
  while (pos + 4 <= length) {
    int32_t size = 0;
    if (!blob_seek(r, pos) || !blob_read_long_raw(r, &size) || size < 4 || size > length - pos) break;
    pos += size;
    ++count;
  }
  int16_t ok = 1;
  if (bits_write_rl(w, uint32_t(length)) != 1 || bits_write_rl(w, uint32_t(length)) != 1 ||
      bits_write_rl(w, uint32_t(count)) != 1)
    ok = -1;
  uint8_t chunk[512];
  if (ok == 1 && length > 8 && blob_seek(r, 8)) {
    int32_t left = length - 8;
    while (left > 0 && ok == 1) {
      int32_t n = left < int32_t(sizeof chunk) ? left : int32_t(sizeof chunk);
      if (!blob_read(r, chunk, size_t(n)) || bits_write_bytes(w, chunk, size_t(n)) != 1) ok = -1;
      left -= n;
    }
  }
  blob_close(r);
  return ok;
}

}  // namespace

void bits_init(TkBitWriter* w, uint32_t start_offset) {
  bits_discard(w);
  w->bytes_left = TK_BITS_BUFFER_SIZE;
  w->mask = TK_BITS_NO_BIT;
  w->spill_count = 0;
  w->object_start = start_offset;
  w->current = w->buffer;
  w->buffer[0] = 0;
  w->size_field_reserved = 0;
  w->data_bits = 0;
  w->target = nullptr;
  w->target_writer = nullptr;
}

void bits_start_object(TkBitWriter* w, FILE* out) {
  w->out = out;
  long at = out ? stdio_tell(out) : 0;
  bits_init(w, at > 0 ? uint32_t(at) : 0);
}

void bits_discard(TkBitWriter* w) {
  free_spill(w);
  if (w->target_writer) blob_close(w->target_writer);
  if (w->target) blob_free(w->target);
  w->target = nullptr;
  w->target_writer = nullptr;
}

uint32_t bits_written_bytes(const TkBitWriter* w) {
  return uint32_t(w->spill_count) * TK_BITS_BUFFER_SIZE + (TK_BITS_BUFFER_SIZE - w->bytes_left) +
         (w->mask != TK_BITS_NO_BIT ? 1u : 0u);
}

int16_t bits_write_bit(TkBitWriter* w, int bit) {
  w->mask >>= 1;
  if (w->mask == 0) {
    if (next_byte(w) != 1) {
      w->mask = 1;
      return -1;
    }
    w->mask = 128;
    if (bit) *w->current = 128;
  } else if (bit) {
    *w->current |= uint8_t(w->mask);
  }
  return 1;
}

int16_t bits_write_bb(TkBitWriter* w, unsigned code) {
  if (bits_write_bit(w, (code >> 1) & 1) != 1) return -1;
  return bits_write_bit(w, code & 1);
}

int16_t bits_write_rc(TkBitWriter* w, uint8_t value) {
  if (w->mask == TK_BITS_NO_BIT) {
    *w->current = value;
    w->mask = 1;
    return 1;
  }
  if (w->mask == 1) {
    if (next_byte(w) != 1) return -1;
    *w->current = value;
    return 1;
  }
  // The free bits of the current byte take the high part, the next byte begins with the rest.
  int free_bits = 8 - bits_in_current(w->mask);
  *w->current |= uint8_t(value >> (8 - free_bits));
  if (next_byte(w) != 1) return -1;
  *w->current = uint8_t(value << free_bits);
  return 1;
}

int16_t bits_write_rs(TkBitWriter* w, uint16_t value) {
  if (bits_write_rc(w, uint8_t(value & 0xFF)) != 1) return -1;
  return bits_write_rc(w, uint8_t(value >> 8));
}

int16_t bits_write_rl(TkBitWriter* w, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    if (bits_write_rc(w, uint8_t(value >> (8 * i))) != 1) return -1;
  return 1;
}

int16_t bits_write_rd(TkBitWriter* w, double value) {
  uint8_t b[8];
  std::memcpy(b, &value, 8);
  return bits_write_bytes(w, b, 8);
}

int16_t bits_write_bs(TkBitWriter* w, int16_t value) {
  uint16_t v = uint16_t(value);
  if (v == 0) return bits_write_bb(w, 2);
  if (v == 256) return bits_write_bb(w, 3);
  if ((v & 0xFF00) == 0) {
    if (bits_write_bb(w, 1) != 1) return -1;
    return bits_write_rc(w, uint8_t(v));
  }
  if (bits_write_bb(w, 0) != 1) return -1;
  return bits_write_rs(w, v);
}

int16_t bits_write_bl(TkBitWriter* w, int32_t value) {
  uint32_t v = uint32_t(value);
  if (v == 0) return bits_write_bb(w, 2);
  if (v & 0xFFFFFF00u) {
    if (bits_write_bb(w, 0) != 1) return -1;
    return bits_write_rl(w, v);
  }
  if (bits_write_bb(w, 1) != 1) return -1;
  return bits_write_rc(w, uint8_t(v));
}

int16_t bits_write_bd(TkBitWriter* w, double value) {
  static const double zero = 0.0, one = 1.0;
  if (std::memcmp(&value, &zero, 8) == 0) return bits_write_bb(w, 2);
  if (std::memcmp(&value, &one, 8) == 0) return bits_write_bb(w, 1);
  if (bits_write_bb(w, 0) != 1) return -1;
  return bits_write_rd(w, value);
}

int16_t bits_write_2bd(TkBitWriter* w, const double value[2]) {
  return bits_write_bd(w, value[0]) == 1 ? bits_write_bd(w, value[1]) : -1;
}

int16_t bits_write_3bd(TkBitWriter* w, const double value[3]) {
  for (int i = 0; i < 3; ++i)
    if (bits_write_bd(w, value[i]) != 1) return -1;
  return 1;
}

int16_t bits_write_2rd(TkBitWriter* w, const double value[2]) {
  return bits_write_rd(w, value[0]) == 1 ? bits_write_rd(w, value[1]) : -1;
}

int16_t bits_write_dd(TkBitWriter* w, double value, double default_value) {
  if (value == default_value) return bits_write_bb(w, 0);
  if (bits_write_bb(w, 3) != 1) return -1;
  return bits_write_rd(w, value);
}

int16_t bits_write_3dd(TkBitWriter* w, const double value[3], const double default_value[3]) {
  for (int i = 0; i < 3; ++i)
    if (bits_write_dd(w, value[i], default_value[i]) != 1) return -1;
  return 1;
}

int16_t bits_write_bt(TkBitWriter* w, double thickness) {
  if (thickness == 0.0) return bits_write_bit(w, 1);
  if (bits_write_bit(w, 0) != 1) return -1;
  return bits_write_bd(w, thickness);
}

int16_t bits_write_be(TkBitWriter* w, const double extrusion[3]) {
  if (extrusion[0] == 0.0 && extrusion[1] == 0.0 && extrusion[2] == 1.0) return bits_write_bit(w, 1);
  if (bits_write_bit(w, 0) != 1) return -1;
  return bits_write_3bd(w, extrusion);
}

int16_t bits_write_point_zflag(TkBitWriter* w, const double point[3]) {
  int flat = point[2] == 0.0;
  if (bits_write_bit(w, flat) != 1 || bits_write_rd(w, point[0]) != 1 ||
      bits_write_rd(w, point[1]) != 1)
    return -1;
  return flat ? 1 : bits_write_rd(w, point[2]);
}

int16_t bits_write_line_points(TkBitWriter* w, const double start[3], const double end[3]) {
  int flat = start[2] == 0.0 && end[2] == 0.0;
  if (bits_write_bit(w, flat) != 1) return -1;
  for (int i = 0; i < (flat ? 2 : 3); ++i)
    if (bits_write_rd(w, start[i]) != 1 || bits_write_dd(w, end[i], start[i]) != 1) return -1;
  return 1;
}

int16_t bits_write_text(TkBitWriter* w, const char* text) {
  size_t n = text ? std::strlen(text) : 0;
  if (n > 0x7FFF) n = 0x7FFF;  // the length is a signed 16-bit count
  if (bits_write_bs(w, int16_t(n)) != 1) return -1;
  return bits_write_bytes(w, text, n);
}

int16_t bits_write_bytes(TkBitWriter* w, const void* data, size_t n) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < n; ++i)
    if (bits_write_rc(w, p[i]) != 1) return -1;
  return 1;
}

int16_t bits_write_handle(TkBitWriter* w, const TkHandle* handle, uint8_t code) {
  int n = tk_handle_length(handle);
  if (bits_write_rc(w, uint8_t((code & 0xF0) | n)) != 1) return -1;
  return bits_write_bytes(w, handle->bytes + (8 - n), size_t(n));
}

int16_t bits_write_handle_kind(TkBitWriter* w, const uint8_t record[9]) {
  static const uint8_t codes[5] = {0x20, 0x40, 0x50, 0x60, 0x30};
  TkHandle h;
  std::memcpy(h.bytes, record, 8);
  return bits_write_handle(w, &h, record[8] < 5 ? codes[record[8]] : 0);
}

int16_t bits_write_handle_ref(TkBitWriter* w, const TkHandle* handle, const TkHandle* base,
                              uint8_t code) {
  bool below = tk_handle_compare(handle, base) < 0;
  TkHandle d;
  if (below)
    handle_sub(base, handle, &d);
  else
    handle_sub(handle, base, &d);
  if (tk_handle_is_null(&d)) return bits_write_handle(w, &d, code);
  static const TkHandle one = {{0, 0, 0, 0, 0, 0, 0, 1}};
  if (tk_handle_compare(&d, &one) == 0) return bits_write_rc(w, below ? 0x80 : 0x60);
  if (!below) {
    if (tk_handle_length(&d) > tk_handle_length(handle)) return bits_write_handle(w, handle, 0x40);
    return bits_write_handle(w, &d, 0xA0);
  }
  if (tk_handle_compare(&d, handle) >= 0) return bits_write_handle(w, handle, 0x40);
  return bits_write_handle(w, &d, 0xC0);
}

size_t modular_char_encode(const TkHandle* value, uint8_t out[10]) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = (v << 8) | value->bytes[i];
  size_t n = 0;
  for (int i = 0; i < 10; ++i) out[i] = uint8_t(0x80 | ((v >> (7 * i)) & 0x7F));
  n = 10;
  while (n > 1 && out[n - 1] == 0x80) --n;
  out[n - 1] &= 0x7F;
  return n;
}

size_t modular_char_encode_signed(int32_t value, uint8_t out[6]) {
  bool negative = value < 0;
  uint32_t mag = negative ? 0u - uint32_t(value) : uint32_t(value);
  uint8_t sign = negative ? 0x40 : 0x00;
  size_t n = 0;
  for (;;) {
    uint8_t g = uint8_t(mag & 0x7F);
    mag >>= 7;
    if (mag != 0) {
      out[n++] = uint8_t(g | 0x80);
      continue;
    }
    if (g >= 64) {
      out[n++] = uint8_t(g | 0x80);
      out[n++] = sign;
    } else {
      out[n++] = uint8_t(g | sign);
    }
    return n;
  }
}

void handle_swap_bytes(TkHandle* handle) {
  for (int i = 0; i < 4; ++i) {
    uint8_t t = handle->bytes[i];
    handle->bytes[i] = handle->bytes[7 - i];
    handle->bytes[7 - i] = t;
  }
}

int16_t bits_begin_object(TkBitWriter* w, FILE* out, uint16_t type, const TkHandle* handle,
                          uint8_t code, TkBlob* graphics, uint8_t is_entity) {
  return bits_begin_object_eed(w, out, type, handle, code, nullptr, graphics, is_entity);
}

int16_t bits_write_eed(TkBitWriter* w, TkBlob* xdata) {
  if (xdata) {
    uint8_t* space = tk_state ? tk_state->xdata_write_buffer : nullptr;
    if (!space) return -1;
    TkXdataBuffer buffer{space, TK_XDATA_WRITE_BUFFER_SIZE, 0};
    TkXdataTarget target{};
    target.version = w->output_version;
    TkBlob* r = blob_open_read(xdata);
    if (!r) return -1;
    TkXdataItem item;
    TkHandle app{};
    bool have_app = false;
    int16_t ok = 1;
    auto flush = [&]() -> int16_t {
      if (!have_app || buffer.used == 0) return 1;
      if (bits_write_bs(w, int16_t(buffer.used)) != 1 || bits_write_handle(w, &app, 0x50) != 1 ||
          bits_write_bytes(w, buffer.data, buffer.used) != 1)
        return -1;
      return 1;
    };
    while (ok == 1 && xdata_read_item(r, &item)) {
      if (item.code == 1001) {
        ok = flush();
        std::memcpy(app.bytes, item.value, 8);
        have_app = true;
        xdata_buffer_reset(&buffer);
      } else if (have_app && !xdata_serialize(&buffer, &target, &item)) {
        ok = -1;
      }
    }
    if (ok == 1) ok = flush();
    blob_close(r);
    if (ok != 1) return -1;
  }
  return bits_write_bs(w, 0);
}

int16_t bits_begin_object_eed(TkBitWriter* w, FILE* out, uint16_t type, const TkHandle* handle,
                              uint8_t code, TkBlob* xdata, TkBlob* graphics, uint8_t is_entity) {
  bits_start_object(w, out);
  if (bits_write_bs(w, int16_t(type)) != 1) return -1;
  auto reserve = [w]() {
    w->size_field_bit = bit_position(w);
    w->size_field_mask = w->mask;
    w->size_field_reserved = 1;
    return bits_write_rl(w, 0);
  };
  if (w->output_version >= 7 && reserve() != 1) return -1;
  if (bits_write_handle(w, handle, code) != 1) return -1;
  if (bits_write_eed(w, xdata) != 1) return -1;
  if (is_entity) {
    if (bits_write_bit(w, graphics ? 1 : 0) != 1) return -1;
    if (graphics && write_graphics(w, graphics) != 1) return -1;
  }
  if (w->output_version < 7 && reserve() != 1) return -1;
  return 1;
}

void bits_mark_data_end(TkBitWriter* w) { w->data_bits = bit_position(w); }

int16_t bits_end_object(TkBitWriter* w) {
  uint32_t size = bits_written_bytes(w);
  uint32_t buffered = size - uint32_t(w->spill_count) * TK_BITS_BUFFER_SIZE;
  TkBlob* reader = nullptr;
  if (w->spill) {
    if (blob_write(w->spill_writer, w->buffer, buffered) != 1 ||
        blob_close_write(w->spill_writer) != 1) {
      blob_free(w->spill);
      w->spill = nullptr;
      w->spill_writer = nullptr;
      return tk_fail(TK_ERR_FLUSH_OBJECT);
    }
    w->spill_writer = nullptr;
    reader = blob_open_read(w->spill);
    if (!reader || !tk_state || !tk_state->write_buffer) {
      if (reader) blob_close(reader);
      free_spill(w);
      return tk_fail(TK_ERR_FLUSH_OBJECT);
    }
  }
  uint16_t crc = kCrcSeedObject;
  uint8_t ms[4];
  size_t ms_len = 2;
  if (size <= 0x7FFF) {
    ms[0] = uint8_t(size);
    ms[1] = uint8_t(size >> 8);
  } else {
    uint16_t lo = uint16_t(size % kPage + kPage), hi = uint16_t(size / kPage);
    ms[0] = uint8_t(lo);
    ms[1] = uint8_t(lo >> 8);
    ms[2] = uint8_t(hi);
    ms[3] = uint8_t(hi >> 8);
    ms_len = 4;
  }
  int16_t ok = write_out(w, ms, ms_len, &crc);
  uint32_t done = 0;
  while (ok == 1 && done < size) {
    uint32_t piece = done == 0 ? (size <= 0x7FFF ? size : size % kPage + kPage) : kPage;
    if (piece > size - done) piece = size - done;
    uint8_t* bytes = w->buffer;
    if (reader) {
      bytes = tk_state->write_buffer;
      if (!blob_read(reader, bytes, piece)) ok = tk_fail(TK_ERR_FLUSH_OBJECT);
    }
    if (ok == 1) {
      patch_size_field(w, bytes, done, piece);
      ok = write_out(w, bytes, piece, &crc);
    }
    done += piece;
  }
  if (reader) blob_close(reader);
  free_spill(w);
  if (ok != 1) return 0;
  uint8_t c[2] = {uint8_t(crc), uint8_t(crc >> 8)};
  return write_out(w, c, 2, &crc) == 1 ? 1 : 0;
}

int16_t bits_blob_begin(TkBitWriter* w) {
  bits_init(w, 0);
  w->target = blob_alloc(TK_BLOB_CHUNK_SIZE);
  if (!w->target) return 0;
  w->target_writer = blob_create(w->target);
  if (!w->target_writer) {
    blob_free(w->target);
    w->target = nullptr;
    return 0;
  }
  return 1;
}

TkBlob* bits_blob_end(TkBitWriter* w, uint32_t* bit_count) {
  uint32_t bits = bit_position(w);
  uint32_t buffered = bits_written_bytes(w) - uint32_t(w->spill_count) * TK_BITS_BUFFER_SIZE;
  TkBlob* result = w->target;
  if (!result || blob_write(w->target_writer, w->buffer, buffered) != 1 ||
      blob_close_write(w->target_writer) != 1) {
    bits_discard(w);
    if (bit_count) *bit_count = 0;
    return nullptr;
  }
  w->target = nullptr;
  w->target_writer = nullptr;
  if (bit_count) *bit_count = bits;
  return result;
}

int16_t bits_blob_put_text(TkBitWriter* w, const char* text) { return bits_write_text(w, text); }
int16_t bits_blob_put_handle(TkBitWriter* w, const TkHandle* handle) {
  return bits_write_handle(w, handle, 0x40);
}
int16_t bits_blob_put_bl(TkBitWriter* w, int32_t value) { return bits_write_bl(w, value); }
int16_t bits_blob_put_bs(TkBitWriter* w, int16_t value) { return bits_write_bs(w, value); }
int16_t bits_blob_put_bd(TkBitWriter* w, double value) { return bits_write_bd(w, value); }
int16_t bits_blob_put_3bd(TkBitWriter* w, const double value[3]) {
  return bits_write_3bd(w, value);
}
