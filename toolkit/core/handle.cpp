// Handles: arithmetic on the 8 big-endian bytes and their compact and hexadecimal forms. Text
// and compact input come from files, so both conversions bound what they write to the 8 bytes.
#include "toolkit/core/handle.h"

#include <cstring>

bool tk_handle_is_null(const TkHandle* handle) {
  for (uint8_t b : handle->bytes)
    if (b) return false;
  return true;
}

int tk_handle_compare(const TkHandle* a, const TkHandle* b) {
  int r = memcmp(a->bytes, b->bytes, 8);
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int16_t tk_handle_increment(TkHandle* handle) {
  for (int i = 7; i >= 0; --i) {
    if (++handle->bytes[i] != 0) return 1;
  }
  return 0;
}

int16_t tk_handle_length(const TkHandle* handle) {
  int16_t n = 8;
  for (int i = 0; i < 8 && handle->bytes[i] == 0; ++i) --n;
  return n;
}

void tk_handle_or(TkHandle* handle, const TkHandle* other) {
  for (int i = 0; i < 8; ++i) handle->bytes[i] |= other->bytes[i];
}

void handle_add(const TkHandle* a, const TkHandle* b, TkHandle* result) {
  unsigned carry = 0;
  for (int i = 7; i >= 0; --i) {
    unsigned s = unsigned(a->bytes[i]) + b->bytes[i] + carry;
    result->bytes[i] = uint8_t(s);
    carry = s >> 8;
  }
}

void handle_sub(const TkHandle* a, const TkHandle* b, TkHandle* result) {
  // a + (~b + 1): the two's complement of b, added with the same carry chain.
  TkHandle negated;
  for (int i = 0; i < 8; ++i) negated.bytes[i] = uint8_t(~b->bytes[i]);
  tk_handle_increment(&negated);
  handle_add(a, &negated, result);
}

static uint8_t hex_digit(char c) {
  if (c >= '0' && c <= '9') return uint8_t(c - '0');
  if (c >= 'A' && c <= 'F') return uint8_t(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return uint8_t(c - 'a' + 10);
  return 0;
}

bool tk_hex_to_bytes(const char* text, uint8_t out[8], int16_t* count) {
  size_t len = strlen(text);
  while (len > TK_HANDLE_HEX_MAX) {
    if (hex_digit(*text) != 0) {
      *count = 0;
      return false;
    }
    ++text;
    --len;
  }
  int16_t n = 0;
  size_t i = 0;
  if (len % 2) out[n++] = hex_digit(text[i++]);
  for (; i < len; i += 2) out[n++] = uint8_t(hex_digit(text[i]) << 4 | hex_digit(text[i + 1]));
  *count = n;
  return true;
}

int16_t tk_handle_from_hex(const char* text, TkHandle* handle) {
  // Every record of a file names its handle: the usual text of up to 16 digits is read in one
  // pass straight into the bytes, the lowest digit last.
  uint64_t value = 0;
  size_t len = 0;
  for (; len <= TK_HANDLE_HEX_MAX && text[len]; ++len) value = value << 4 | hex_digit(text[len]);
  if (len <= TK_HANDLE_HEX_MAX) {
    for (int i = 7; i >= 0; --i, value >>= 8) handle->bytes[i] = uint8_t(value);
    return int16_t((len + 1) / 2);
  }
  uint8_t bytes[8];
  int16_t n = 0;
  memset(handle->bytes, 0, 8);
  if (!tk_hex_to_bytes(text, bytes, &n)) return 0;
  memcpy(handle->bytes + 8 - n, bytes, size_t(n));
  return n;
}

void handle_to_hex(const TkHandle* handle, char* out) {
  static const char digits[] = "0123456789ABCDEF";
  int i = 0;
  while (i < 8 && handle->bytes[i] == 0) ++i;
  if (i == 8) {
    strcpy(out, "0");
    return;
  }
  char* p = out;
  if (handle->bytes[i] < 0x10) *p++ = digits[handle->bytes[i++]];
  for (; i < 8; ++i) {
    *p++ = digits[handle->bytes[i] >> 4];
    *p++ = digits[handle->bytes[i] & 15];
  }
  *p = 0;
}

size_t tk_handle_to_compact(const TkHandle* handle, uint8_t out[9]) {
  int16_t n = tk_handle_length(handle);
  out[0] = uint8_t(n);
  memcpy(out + 1, handle->bytes + 8 - n, size_t(n));
  return size_t(n) + 1;
}

size_t tk_handle_from_compact(const uint8_t* in, size_t size, TkHandle* handle) {
  memset(handle->bytes, 0, 8);
  if (size < 1 || in[0] > 8 || size < size_t(in[0]) + 1) return 0;
  memcpy(handle->bytes + 8 - in[0], in + 1, in[0]);
  return size_t(in[0]) + 1;
}
