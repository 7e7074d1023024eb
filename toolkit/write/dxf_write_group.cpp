// The group primitives of the DXF writer: one group code and its value, as two
// text lines ended by CR LF or in the binary layout, and the number formats of
// reals. Numbers are formatted without the C library's locale (std::to_chars
// gives what printf gives in the "C" locale), so the Windows and the native
// builds write the same bytes.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/dim_lookup.h"
#include "toolkit/write/dwg_write.h"
#include "toolkit/write/dxf_write.h"

namespace {

constexpr size_t kFlushAt = 1 << 16;

void put(DxfOut& o, const void* p, size_t n) {
  const auto* b = static_cast<const uint8_t*>(p);
  o.buffer.insert(o.buffer.end(), b, b + n);
}

void put_text(DxfOut& o, const char* s) { put(o, s, std::strlen(s)); }
void put_crlf(DxfOut& o) { put(o, "\r\n", 2); }

bool after(DxfOut& o) {
  if (o.ok && o.buffer.size() >= kFlushAt) return dxf_flush(o);
  return o.ok;
}

// Right-aligned in width columns, as "%*d" does.
void put_int(DxfOut& o, int64_t v, int width) {
  char digits[24];
  auto r = std::to_chars(digits, digits + sizeof digits, v);
  int n = int(r.ptr - digits);
  for (int i = n; i < width; ++i) o.buffer.push_back(' ');
  put(o, digits, size_t(n));
}

void put_le(DxfOut& o, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) o.buffer.push_back(uint8_t(v >> (8 * i)));
}

// "%.*E" with the exponent's needless third digit taken out (E+016 gives E+16).
void format_exponent(double value, int decimals, char* out) {
  auto r = std::to_chars(out, out + 60, value, std::chars_format::scientific, decimals);
  *r.ptr = 0;
  for (char* e = out; *e; ++e)
    if (*e == 'e') *e = 'E';
  char* e = std::strchr(out, 'E');
  if (e && e[1] && e[2] == '0' && e[3] && e[4]) std::memmove(e + 2, e + 3, std::strlen(e + 3) + 1);
}

// "%.*f" with at most `strip` trailing zeros taken off.
void format_fixed(double value, int decimals, int strip, char* out) {
  auto r = std::to_chars(out, out + 60, value, std::chars_format::fixed, decimals);
  char* end = r.ptr;
  for (int i = 0; i < strip && end > out && end[-1] == '0'; ++i) --end;
  *end = 0;
}

}  // namespace

void dxf_set_number_format(DxfOut& o, int16_t negative_zero, int16_t decimals, int16_t z_flag) {
  if (decimals < 0) decimals = 0;
  if (decimals > 16) decimals = 16;
  o.numbers.negative_zero = negative_zero;
  o.numbers.decimals = decimals;
  o.numbers.z_flag = z_flag;
  double t = 0.5;
  for (int i = 0; i < decimals; ++i) t *= 0.1;
  o.numbers.tolerance = t;
}

void dxf_format_real(const DxfNumbers& n, double value, char* out) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  if (((bits >> 52) & 0x7FF) == 0) value = 0.0;
  if (!std::isfinite(value)) value = 0.0;  // a DXF reader takes no "nan" or "inf"
  if (std::fabs(value) <= n.tolerance) {
    std::strcpy(out, n.negative_zero && value < 0.0 ? "-0.0" : "0.0");
    return;
  }
  if (std::fabs(value) >= 1e16) {
    format_exponent(value, n.decimals, out);
    return;
  }
  format_fixed(value, n.decimals, n.decimals - 1, out);
}

void dxf_format_real16(double value, char* out) {
  if (!std::isfinite(value)) value = 0.0;
  if (std::fabs(value) >= 1e16) {
    format_exponent(value, 6, out);
    return;
  }
  format_fixed(value, 16, 15, out);
}

bool dxf_flush(DxfOut& o) {
  if (!o.ok) return false;
  if (o.buffer.empty()) return true;
  if (o.memory) {
    o.memory->insert(o.memory->end(), o.buffer.begin(), o.buffer.end());
  } else if (!out_write(o.w, o.buffer.data(), o.buffer.size())) {
    o.ok = false;
  }
  o.buffer.clear();
  return o.ok;
}

bool dxf_write_code(DxfOut& o, int16_t code) {
  if (!o.ok) return false;
  if (!o.binary) {
    put_int(o, code, 3);
    put_crlf(o);
  } else if (o.version >= 5) {
    put_le(o, uint16_t(code), 2);
  } else if (code >= 0 && code < 255) {
    o.buffer.push_back(uint8_t(code));
  } else {
    o.buffer.push_back(255);
    put_le(o, uint16_t(code), 2);
  }
  return true;
}

bool dxf_write_string_group(DxfOut& o, int16_t code, const char* text) {
  if (!dxf_write_code(o, code)) return false;
  put_text(o, text ? text : "");
  if (o.binary)
    o.buffer.push_back(0);
  else
    put_crlf(o);
  return after(o);
}

bool dxf_write_char_group(DxfOut& o, int16_t code, char c) {
  if (!dxf_write_code(o, code)) return false;
  if (o.binary) {
    put_le(o, uint16_t(int16_t(int8_t(c))), 2);
  } else {
    o.buffer.push_back(uint8_t(c));
    put_crlf(o);
  }
  return after(o);
}

// Binary files give only the flags of 290-299 in one byte; every other 8-bit
// value takes the two bytes a reader expects of its code (280-289 among them),
// or the groups after it would be read out of step.
bool dxf_write_byte_group(DxfOut& o, int16_t code, int8_t value) {
  if (!dxf_write_code(o, code)) return false;
  if (o.binary) {
    if (code >= 290 && code <= 299)
      o.buffer.push_back(uint8_t(value));
    else
      put_le(o, uint16_t(int16_t(value)), 2);
  } else {
    put_int(o, value, o.numbers.decimals);
    put_crlf(o);
  }
  return after(o);
}

bool dxf_write_short_group(DxfOut& o, int16_t code, int16_t value) {
  if (!dxf_write_code(o, code)) return false;
  if (o.binary) {
    put_le(o, uint16_t(value), 2);
  } else {
    put_int(o, value, o.numbers.decimals);
    put_crlf(o);
  }
  return after(o);
}

bool dxf_write_long_group(DxfOut& o, int16_t code, int32_t value) {
  if (!dxf_write_code(o, code)) return false;
  if (o.binary) {
    put_le(o, uint32_t(value), 4);
  } else {
    put_int(o, value, 9);
    put_crlf(o);
  }
  return after(o);
}

bool dxf_write_real_group(DxfOut& o, int16_t code, double value) {
  if (!dxf_write_code(o, code)) return false;
  if (o.binary) {
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    put_le(o, bits, 8);
  } else {
    char text[64];
    dxf_format_real(o.numbers, value, text);
    put_text(o, text);
    put_crlf(o);
  }
  return after(o);
}

bool dxf_write_real16_group(DxfOut& o, int16_t code, double value) {
  if (!o.binary) {
    if (!dxf_write_code(o, code)) return false;
    char text[64];
    dxf_format_real16(value, text);
    put_text(o, text);
    put_crlf(o);
    return after(o);
  }
  return dxf_write_real_group(o, code, value);
}

bool dxf_write_angle_group(DxfOut& o, int16_t code, double radians) {
  return dxf_write_real_group(o, code, radians * 57.29577951308232);
}

bool dxf_write_caret_string_group(DxfOut& o, int16_t code, const char* text) {
  if (!dxf_write_code(o, code)) return false;
  const auto* s = reinterpret_cast<const uint8_t*>(text ? text : "");
  for (size_t i = 0; s[i]; ++i) {
    uint8_t c = s[i];
    if (c < 32) {
      o.buffer.push_back('^');
      o.buffer.push_back(uint8_t(c + 64));
    } else if (c == '^') {
      // The second byte of a double-byte character is no caret.
      bool trail = (i & 1) && i > 0 && s[i - 1] >= 128;
      o.buffer.push_back('^');
      if (!trail) o.buffer.push_back(' ');
    } else {
      o.buffer.push_back(c);
    }
  }
  if (o.binary)
    o.buffer.push_back(0);
  else
    put_crlf(o);
  return after(o);
}

bool dxf_write_name_group(DxfOut& o, int16_t code, const char* name, int32_t index) {
  if (o.version >= 7) return dxf_write_string_group(o, code, name);
  char shortened[512];
  if (!name_shorten(o.d, name ? name : "", index, tk_get_max_name_length(), shortened)) {
    o.ok = false;
    return false;
  }
  return dxf_write_string_group(o, code, shortened);
}

bool dxf_write_handle_group(DxfOut& o, int16_t code, const TkHandle& handle) {
  char hex[20];
  handle_to_hex(&handle, hex);
  return dxf_write_string_group(o, code, hex);
}

bool dxf_write_binary_group(DxfOut& o, int16_t code, const uint8_t* bytes, size_t count) {
  if (!dxf_write_code(o, code)) return false;
  if (o.binary) {
    o.buffer.push_back(uint8_t(count));
    put(o, bytes, count);
  } else {
    static const char kHex[] = "0123456789ABCDEF";
    for (size_t i = 0; i < count; ++i) {
      o.buffer.push_back(uint8_t(kHex[bytes[i] >> 4]));
      o.buffer.push_back(uint8_t(kHex[bytes[i] & 15]));
    }
    put_crlf(o);
  }
  return after(o);
}

bool dxf_write_blob_chunks(DxfOut& o, TkBlob* blob, int16_t code, size_t chunk) {
  TkBlob* r = blob ? blob_open_read(blob) : nullptr;
  if (!r) return o.ok;
  int32_t left = blob_length(r);
  uint8_t piece[255];
  if (chunk > sizeof piece) chunk = sizeof piece;
  while (o.ok && left > 0) {
    size_t n = size_t(left) < chunk ? size_t(left) : chunk;
    if (!blob_read(r, piece, n)) break;
    dxf_write_binary_group(o, code, piece, n);
    left -= int32_t(n);
  }
  blob_close(r);
  return o.ok;
}

bool dxf_write_point(DxfOut& o, int16_t code, const double p[3]) {
  dxf_write_real_group(o, code, p[0]);
  dxf_write_real_group(o, int16_t(code + 10), p[1]);
  if (o.version >= 3 && (p[2] != 0.0 || o.numbers.z_flag))
    dxf_write_real_group(o, int16_t(code + 20), p[2]);
  return o.ok;
}

bool dxf_write_point2(DxfOut& o, int16_t code, const double p[2]) {
  dxf_write_real_group(o, code, p[0]);
  return dxf_write_real_group(o, int16_t(code + 10), p[1]);
}

bool dxf_write_point3(DxfOut& o, int16_t code, const double p[3]) {
  dxf_write_point2(o, code, p);
  return dxf_write_real_group(o, int16_t(code + 20), p[2]);
}

bool dxf_write_point3_z_opt(DxfOut& o, int16_t code, const double p[3]) {
  dxf_write_point2(o, code, p);
  if (p[2] == 0.0 && o.version < 3) return o.ok;
  return dxf_write_real_group(o, int16_t(code + 20), p[2]);
}

bool dxf_write_point3_16(DxfOut& o, int16_t code, const double p[3]) {
  dxf_write_point2_16(o, code, p);
  return dxf_write_real16_group(o, int16_t(code + 20), p[2]);
}

bool dxf_write_point2_16(DxfOut& o, int16_t code, const double p[2]) {
  dxf_write_real16_group(o, code, p[0]);
  return dxf_write_real16_group(o, int16_t(code + 10), p[1]);
}
