// The DXF group reader: one group (a code and its value) at a time from a text or binary DXF
// file into the drawing's group slot. Every other DXF reader sees the file only through this
// reader and the file layer's position and seek; none parses bytes or lines itself. Lines are
// taken straight from the file cache's block, so a group costs no call per byte.
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"
#include "toolkit/read/dxf_reader.h"

namespace {

enum class Value { Real, Short, Bool, Long, Long64, Handle, Binary, Chunk, Text };

// The value type of a group code, for both layouts. Releases after AC1015 write codes of their
// own (true colours, transparencies, 64-bit sizes, more binary data and handles) even into files
// that name an older release; each has a fixed size in the binary layout, and a code read with
// the wrong size puts every later group out of step.
constexpr Value value_of_code(uint16_t c) {
  if ((c >= 10 && c <= 59) || (c >= 110 && c <= 149) || (c >= 210 && c <= 239) ||
      (c >= 460 && c <= 469) || (c >= 1010 && c <= 1059))
    return Value::Real;
  // Binary files give the flags 290-299 in one byte; text files as any 16-bit value.
  if (c >= 290 && c <= 299) return Value::Bool;
  if ((c >= 60 && c <= 79) || (c >= 170 && c <= 179) || (c >= 270 && c <= 289) ||
      (c >= 370 && c <= 389) || (c >= 400 && c <= 409) || (c >= 1060 && c <= 1070))
    return Value::Short;
  if ((c >= 90 && c <= 99) || (c >= 420 && c <= 429) || (c >= 440 && c <= 459) || c == 1071)
    return Value::Long;
  if (c >= 160 && c <= 169) return Value::Long64;
  if (c == 5 || c == 105 || (c >= 320 && c <= 369) || c == 1005 || (c >= 390 && c <= 399) ||
      c == 480 || c == 481)
    return Value::Handle;
  if (c >= 310 && c <= 319) return Value::Binary;
  if (c == 1004) return Value::Chunk;
  return Value::Text;
}

// The value type of every code, looked up once per group.
struct ValueTable {
  Value v[1100];
  constexpr ValueTable() : v() {
    for (uint16_t c = 0; c < 1100; ++c) v[c] = value_of_code(c);
  }
};
constexpr ValueTable kValues;

Value value_type(uint16_t code) { return code < 1100 ? kValues.v[code] : Value::Text; }

TkFile* file_of(const DxfState* s) { return s->drawing->file; }

// Little-endian values of a binary file.
uint16_t le16(const uint8_t* b) { return static_cast<uint16_t>(b[0] | b[1] << 8); }
uint32_t le32(const uint8_t* b) {
  return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

uint64_t le64(const uint8_t* b) { return uint64_t(le32(b + 4)) << 32 | le32(b); }

double real_from(const uint8_t* b) {
  // Zeros, denormals, infinities and NaNs all read as 0.0: none is a coordinate a drawing means.
  unsigned exponent = ((b[7] & 0x7Fu) << 4) | (b[6] >> 4);
  if (exponent == 0 || exponent == 0x7FF) return 0.0;
  uint64_t bits = le64(b);
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

void advance(TkFile* f, size_t n) {
  f->read_pointer += n;
  f->left -= static_cast<int32_t>(n);
}

void report_line_fault(TkError error) {
  if (tk_state && tk_state->error_callback) tk_state->error_callback(6);
  tk_fail(error);
}

// One line as file_gets gives it (ending at CR, LF or either pair), without its line end, into
// the text buffer; null at the end of the file. Bytes beyond the buffer are left for the next read.
bool read_raw_line(DxfState* s, size_t* length) {
  TkFile* f = file_of(s);
  if (f->end) return false;
  char* out = s->text;
  size_t n = 0;
  int last = 0;
  bool any = false;
  while (n < DXF_TEXT_CAPACITY - 1) {
    if (f->left <= 0) {
      int c = file_getc(f);  // moves to the next block
      if (f->end) break;
      any = true;
      if (c == '\r' || c == '\n') {
        last = c;
        break;
      }
      out[n++] = static_cast<char>(c);
      continue;
    }
    const uint8_t* p = f->read_pointer;
    size_t avail = static_cast<size_t>(f->left);
    size_t room = DXF_TEXT_CAPACITY - 1 - n;
    if (avail > room) avail = room;
    size_t i = 0;
    while (i < avail && p[i] != '\r' && p[i] != '\n') ++i;
    std::memcpy(out + n, p, i);
    n += i;
    any = true;
    if (i < avail) {
      last = p[i];
      f->read_pointer += i + 1;
      f->left -= static_cast<int32_t>(i + 1);
      break;
    }
    f->read_pointer += i;
    f->left -= static_cast<int32_t>(i);
  }
  if (!any) return false;
  if (last) {
    // The other half of a CR LF or LF CR pair belongs to this line end.
    int pair = last == '\r' ? '\n' : '\r';
    if (f->left > 0) {
      if (*f->read_pointer == pair) {
        ++f->read_pointer;
        --f->left;
      }
    } else {
      uint32_t here = file_tell(f);
      int c = file_getc(f);
      if (f->end) {
        f->end = 0;
      } else if (c != pair) {
        file_seek(f, here, 0);
      }
    }
  }
  out[n] = 0;
  *length = n;
  return true;
}

// Exact powers of ten for the quick decimal conversion.
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                             1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                             1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

void set_handle(DxfState* s) {
  // Text that is not a handle leaves the null handle, as for a damaged record.
  tk_handle_from_hex(s->text, &s->group.handle);
}

void convert_text_value(DxfState* s) {
  TkDxfGroup& g = s->group;
  switch (value_type(g.code)) {
    case Value::Real: g.real = dxf_parse_double(s->text); break;
    case Value::Short:
    case Value::Bool: g.i16 = static_cast<int16_t>(dxf_parse_long(s->text)); break;
    case Value::Long: g.i32 = static_cast<int32_t>(dxf_parse_long(s->text)); break;
    case Value::Long64: g.i32 = static_cast<int32_t>(std::strtoll(s->text, nullptr, 10)); break;
    case Value::Handle: set_handle(s); break;
    default: break;
  }
}

int16_t read_text_group(DxfState* s) {
  if (!dxf_read_line(s)) return 0;
  for (const char* p = s->text; *p; ++p) {
    char c = *p;
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
      report_line_fault(TK_ERR_DXF_NOT_NUMERIC);
      return 0;
    }
  }
  s->group.code = static_cast<uint16_t>(dxf_parse_long(s->text));
  if (!dxf_read_line(s)) return 0;
  if (!s->names_only) convert_text_value(s);
  return 1;
}

void skip_value_bytes(DxfState* s, size_t n) {
  TkFile* f = file_of(s);
  if (f->left >= static_cast<int32_t>(n)) {
    f->read_pointer += n;
    f->left -= static_cast<int32_t>(n);
    return;
  }
  uint8_t b[8];
  file_read(b, 1, n, f);
}

// A zero-terminated string; bytes beyond the buffer are passed over so the next group is found.
void read_binary_string(DxfState* s) {
  TkFile* f = file_of(s);
  // Names and handles are a few bytes: taken eight at a time while they lie in the block (the
  // buffer holds far more than the short run, and nothing reads past a value's zero), else byte
  // by byte.
  constexpr size_t kShort = 64;
  size_t avail = f->left > 0 ? static_cast<size_t>(f->left) : 0;
  const uint8_t* p = f->read_pointer;
  if (avail >= kShort) {
    for (size_t at = 0; at < kShort; at += 8) {
      uint64_t w = le64(p + at);
      std::memcpy(s->text + at, p + at, 8);
      // The lowest flagged byte is the first zero; bytes above a zero may be flagged falsely.
      uint64_t zero = (w - 0x0101010101010101u) & ~w & 0x8080808080808080u;
      if (zero) {
        size_t i = at + static_cast<size_t>(__builtin_ctzll(zero) >> 3);
        s->text[i] = 0;
        s->group.length = i;
        advance(f, i + 1);
        return;
      }
    }
  } else {
    size_t i = 0;
    while (i < avail && p[i]) {
      s->text[i] = static_cast<char>(p[i]);
      ++i;
    }
    if (i < avail) {
      s->text[i] = 0;
      s->group.length = i;
      advance(f, i + 1);
      return;
    }
  }
  // A longer string, or one that goes on in the next block.
  size_t n = 0;
  for (;;) {
    if (f->left > 0) {
      const uint8_t* p = f->read_pointer;
      size_t avail = static_cast<size_t>(f->left);
      const void* z = std::memchr(p, 0, avail);
      size_t take = z ? static_cast<size_t>(static_cast<const uint8_t*>(z) - p) : avail;
      size_t room = DXF_TEXT_CAPACITY - 1 - n;
      std::memcpy(s->text + n, p, take < room ? take : room);
      n += take < room ? take : room;
      size_t used = z ? take + 1 : take;
      f->read_pointer += used;
      f->left -= static_cast<int32_t>(used);
      if (z) break;
      continue;
    }
    int c = file_getc(f);
    if (f->end || c == 0) break;
    if (n < DXF_TEXT_CAPACITY - 1) s->text[n++] = static_cast<char>(c);
  }
  s->text[n] = 0;
  s->group.length = n;
}

// A zero-terminated string passed over: a scan looks at the texts of code 0 groups only, so the
// text of the other groups it reads is left as it was.
void skip_binary_string(DxfState* s) {
  TkFile* f = file_of(s);
  for (;;) {
    if (f->left > 0) {
      const uint8_t* p = f->read_pointer;
      size_t avail = static_cast<size_t>(f->left);
      const void* z = std::memchr(p, 0, avail);
      size_t used = z ? static_cast<size_t>(static_cast<const uint8_t*>(z) - p) + 1 : avail;
      advance(f, used);
      if (z) return;
      continue;
    }
    int c = file_getc(f);
    if (f->end || c == 0) return;
  }
}

// A string value, or a handle written as one, of the group whose code is read.
void read_string_value(DxfState* s, Value type) {
  if (s->names_only && (type == Value::Handle || s->group.code != 0)) {
    skip_binary_string(s);
    return;
  }
  read_binary_string(s);
  if (type == Value::Handle) set_handle(s);
}

void read_value_bytes(DxfState* s, uint8_t* b, size_t n);

// Any group, value by value through the file layer: groups across a block boundary, the one-byte
// codes of older files, binary data and chunks.
int16_t read_binary_group_slowly(DxfState* s);

int16_t read_binary_group(DxfState* s) {
  TkFile* f = file_of(s);
  // A string that starts in the current block is read from it (numbers were taken before).
  if (s->drawing->version >= TK_VERSION_AC1012 && !f->end && f->left >= 2) {
    uint16_t c = le16(f->read_pointer);
    Value type = value_type(c);
    if (type == Value::Text || type == Value::Handle) {
      s->group.code = c;
      advance(f, 2);
      read_string_value(s, type);
      return 1;
    }
  }
  return read_binary_group_slowly(s);
}

int16_t read_binary_group_slowly(DxfState* s) {
  TkFile* f = file_of(s);
  TkDxfGroup& g = s->group;
  uint16_t code;
  if (s->drawing->version < TK_VERSION_AC1012) {
    int c = file_getc(f);
    if (f->end) return 0;
    code = static_cast<uint16_t>(c == 255 ? static_cast<uint16_t>(dxf_read_short(s)) : c);
  } else {
    code = static_cast<uint16_t>(dxf_read_short(s));
  }
  if (f->end) return 0;
  g.code = code;
  switch (value_type(g.code)) {
    case Value::Real:
      if (s->names_only) {
        skip_value_bytes(s, 8);
      } else {
        g.real = dxf_read_double(s);
      }
      break;
    case Value::Short: g.i16 = dxf_read_short(s); break;
    case Value::Bool: {
      int c = file_getc(f);
      g.i16 = static_cast<int16_t>(f->end ? 0 : c);
      break;
    }
    case Value::Long: g.i32 = dxf_read_long(s); break;
    case Value::Long64: {
      // No reader takes more than the low half; the text is the value as a text file gives it,
      // so both layouts hand the same group on.
      uint8_t b[8] = {};
      read_value_bytes(s, b, 8);
      auto v = static_cast<int64_t>(le64(b));
      g.i32 = static_cast<int32_t>(v);
      char* end = std::to_chars(s->text, s->text + 24, v).ptr;
      *end = 0;
      g.length = static_cast<size_t>(end - s->text);
      break;
    }
    case Value::Handle: read_string_value(s, Value::Handle); break;
    case Value::Binary: {
      // The length byte is unsigned: up to 255 bytes, shown as hexadecimal text.
      uint8_t bytes[256];
      size_t n = static_cast<size_t>(file_getc(f));
      if (f->end) n = 0;
      n = file_read(bytes, 1, n, f);
      static const char digits[] = "0123456789ABCDEF";
      for (size_t i = 0; i < n; ++i) {
        s->text[2 * i] = digits[bytes[i] >> 4];
        s->text[2 * i + 1] = digits[bytes[i] & 15];
      }
      s->text[2 * n] = 0;
      g.length = 2 * n;
      break;
    }
    case Value::Chunk: {
      size_t n = static_cast<size_t>(file_getc(f));
      if (f->end) n = 0;
      n = file_read(s->text, 1, n, f);
      s->text[n] = 0;
      g.chunk_length = static_cast<int16_t>(n);
      g.length = n;
      break;
    }
    case Value::Text: read_string_value(s, Value::Text); break;
  }
  return 1;
}

}  // namespace

int16_t dxf_read_line(DxfState* s) {
  TkFile* f = file_of(s);
  size_t n = 0;
  const uint8_t* p = f->read_pointer;
  size_t avail = f->left > 0 && !f->end ? static_cast<size_t>(f->left) : 0;
  // Usually the line, its end and the byte after it are all in the current block: one pass
  // finds where the value stops and where the line ends.
  size_t cut = 0;
  while (cut < avail && (p[cut] >= 32 || p[cut] == 9)) ++cut;
  size_t end = cut;
  while (end < avail && p[end] != '\r' && p[end] != '\n') ++end;
  if (end + 1 < avail) {
    std::memcpy(s->text, p, end);
    size_t used = end + 1;
    if (p[used] == (p[end] == '\r' ? '\n' : '\r')) ++used;
    f->read_pointer += used;
    f->left -= static_cast<int32_t>(used);
    s->text[end] = 0;
    n = cut;
    s->text[n] = 0;
  } else {
    if (!read_raw_line(s, &n)) return 0;
    // Anything from the first control character on (tabs excepted) is not part of the value.
    char* t = s->text;
    for (size_t i = 0; i < n; ++i) {
      auto c = static_cast<unsigned char>(t[i]);
      if (c < 32 && c != 9) {
        t[i] = 0;
        n = i;
        break;
      }
    }
  }
  s->group.length = n;
  if (n > DXF_MAX_LINE) {
    report_line_fault(TK_ERR_DXF_LINE_TOO_LONG);
    return 0;
  }
  return 1;
}

namespace {

// n bytes of a binary value, straight from the cache block when they are all in it.
void read_value_bytes(DxfState* s, uint8_t* b, size_t n) {
  TkFile* f = file_of(s);
  if (f->left >= static_cast<int32_t>(n)) {
    std::memcpy(b, f->read_pointer, n);
    f->read_pointer += n;
    f->left -= static_cast<int32_t>(n);
    return;
  }
  file_read(b, 1, n, f);
}

}  // namespace

double dxf_read_double(DxfState* s) {
  uint8_t b[8] = {};
  read_value_bytes(s, b, 8);
  return real_from(b);
}

int32_t dxf_read_long(DxfState* s) {
  uint8_t b[4] = {};
  read_value_bytes(s, b, 4);
  return static_cast<int32_t>(le32(b));
}

int16_t dxf_read_short(DxfState* s) {
  uint8_t b[2] = {};
  read_value_bytes(s, b, 2);
  return static_cast<int16_t>(le16(b));
}

namespace {

int16_t read_group_passing_comments(DxfState* s) {
  TkFile* f = file_of(s);
  for (;;) {
    int16_t ok = s->drawing->file_kind == TK_FILE_BINARY_DXF ? read_binary_group(s)
                                                              : read_text_group(s);
    if (!ok) return 0;
    // A comment that ends the file is what the file ends with.
    if (s->group.code != 999 || f->end || dxf_tell(s) >= s->file_length) return 1;
  }
}

}  // namespace

int16_t dxf_read_group(DxfState* s) {
  const TkDrawing* d = s->drawing;
  TkFile* f = d->file;
  // Numbers in a binary file, most of its groups, are taken here at the least cost; none is a
  // comment.
  constexpr int32_t kLongestNumberGroup = 2 + 8;
  if (d->file_kind == TK_FILE_BINARY_DXF && d->version >= TK_VERSION_AC1012 && !f->end &&
      f->left >= kLongestNumberGroup) {
    const uint8_t* p = f->read_pointer;
    uint16_t c = le16(p);
    TkDxfGroup& g = s->group;
    switch (value_type(c)) {
      case Value::Real:
        g.code = c;
        if (!s->names_only) g.real = real_from(p + 2);
        advance(f, 10);
        return 1;
      case Value::Short:
        g.code = c;
        g.i16 = static_cast<int16_t>(le16(p + 2));
        advance(f, 4);
        return 1;
      case Value::Bool:
        g.code = c;
        g.i16 = p[2];
        advance(f, 3);
        return 1;
      case Value::Long:
        g.code = c;
        g.i32 = static_cast<int32_t>(le32(p + 2));
        advance(f, 6);
        return 1;
      default: break;
    }
  }
  return read_group_passing_comments(s);
}

namespace {

// The bytes of each code's value in a binary file: a fixed size, a zero-terminated string, or
// binary data that the quick pass leaves to the group reader.
constexpr uint8_t kStringValue = 0;
constexpr uint8_t kOtherValue = 255;

constexpr uint8_t value_size_of(Value type) {
  switch (type) {
    case Value::Real: return 8;
    case Value::Short: return 2;
    case Value::Bool: return 1;
    case Value::Long: return 4;
    case Value::Long64: return 8;
    case Value::Text:
    case Value::Handle: return kStringValue;
    default: return kOtherValue;
  }
}

struct SizeTable {
  uint8_t v[1100];
  constexpr SizeTable() : v() {
    for (uint16_t c = 0; c < 1100; ++c) v[c] = value_size_of(kValues.v[c]);
  }
};
constexpr SizeTable kSizes;

}  // namespace

uint32_t dxf_skip_groups(DxfState* s, uint32_t limit) {
  TkFile* f = file_of(s);
  if (s->drawing->file_kind != TK_FILE_BINARY_DXF || s->drawing->version < TK_VERSION_AC1012 ||
      f->end || f->left <= 0)
    return 0;
  const uint8_t* p = f->read_pointer;
  const uint8_t* end = p + f->left;
  uint32_t n = 0;
  while (n < limit && end - p > 2) {
    uint16_t c = le16(p);
    if (c == 0 || c == 999) break;
    uint8_t size = c < 1100 ? kSizes.v[c] : kStringValue;
    const uint8_t* value = p + 2;
    size_t avail = static_cast<size_t>(end - value);
    if (size == kStringValue) {
      const void* z = std::memchr(value, 0, avail);
      if (!z) break;
      p = static_cast<const uint8_t*>(z) + 1;
    } else {
      if (size == kOtherValue || size > avail) break;
      p = value + size;
    }
    ++n;
  }
  advance(f, static_cast<size_t>(p - f->read_pointer));
  return n;
}

void dxf_seek(DxfState* s, uint32_t position) { file_seek(s->drawing->file, position, 0); }

double dxf_parse_double(const char* text) {
  // The usual forms (sign, up to 15 digits, a point) convert exactly by one division of exact
  // values; anything else goes to the C library.
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  bool negative = false;
  if (*p == '-' || *p == '+') negative = *p++ == '-';
  uint64_t mantissa = 0;
  int digits = 0, fraction = 0;
  while (*p >= '0' && *p <= '9') {
    if (digits > 0 || *p != '0') ++digits;
    mantissa = mantissa * 10 + static_cast<uint64_t>(*p++ - '0');
    if (digits > 15) return std::strtod(text, nullptr);
  }
  if (*p == '.') {
    ++p;
    while (*p >= '0' && *p <= '9') {
      if (digits > 0 || *p != '0') ++digits;
      mantissa = mantissa * 10 + static_cast<uint64_t>(*p++ - '0');
      ++fraction;
      if (digits > 15 || fraction > 22) return std::strtod(text, nullptr);
    }
  }
  if (*p != 0 && *p != ' ' && *p != '\t') return std::strtod(text, nullptr);
  double v = static_cast<double>(mantissa) / kPow10[fraction];
  return negative ? -v : v;
}

long dxf_parse_long(const char* text) {
  // Group codes and integers are short runs of digits: those that cannot overflow convert here,
  // anything else (other white space, no digits, long runs) as the C library reads it.
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  bool negative = false;
  if (*p == '-' || *p == '+') negative = *p++ == '-';
  if (*p < '0' || *p > '9') return std::strtol(text, nullptr, 10);
  long v = 0;
  for (int digits = 1; *p >= '0' && *p <= '9'; ++digits) {
    if (digits > std::numeric_limits<long>::digits10) return std::strtol(text, nullptr, 10);
    v = v * 10 + (*p++ - '0');
  }
  return negative ? -v : v;
}
