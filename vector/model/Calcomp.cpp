// The Calcomp 906/907 stream: a text preamble, a run of sync characters, a bias character that
// is subtracted from every data byte, a four-byte data header and then instructions of one opcode
// byte and its operands. Line breaks may cut the stream anywhere: CR and LF are invisible to the
// decoder, and the sync or bias characters a plotter driver repeats after a break are dropped.
#include "vector/model/Calcomp.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kCR = 13;
constexpr int kLF = 10;

// The line starting at `at` (without its CR LF) equals `text`; `next` is where the next line
// starts.
bool LineIs(const uint8_t* data, size_t size, size_t at, const char* text, size_t* next) {
  size_t end = at;
  while (end < size && data[end] != kLF) ++end;
  *next = end < size ? end + 1 : size;
  size_t len = end - at;
  if (len > 0 && data[at + len - 1] == kCR) --len;
  return len == std::strlen(text) && std::memcmp(data + at, text, len) == 0;
}

// Opcodes 16 to 63: the signed byte counts of the x and y values, in groups of four.
const int8_t kMoveCounts[12][4][2] = {
    {{3, 3}, {-3, 3}, {3, -3}, {-3, -3}}, {{2, 2}, {-2, 2}, {2, -2}, {-2, -2}},
    {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}}, {{0, 3}, {-3, 0}, {3, 0}, {0, -3}},
    {{0, 2}, {-2, 0}, {2, 0}, {0, -2}},   {{0, 1}, {-1, 0}, {1, 0}, {0, -1}},
    {{2, 3}, {-2, 3}, {2, -3}, {-2, -3}}, {{1, 3}, {-1, 3}, {1, -3}, {-1, -3}},
    {{3, 2}, {-3, 2}, {3, -2}, {-3, -2}}, {{3, 1}, {-3, 1}, {3, -1}, {-3, -1}},
    {{1, 2}, {-1, 2}, {1, -2}, {-1, -2}}, {{2, 1}, {-2, 1}, {2, -1}, {-2, -1}},
};

class Decoder {
 public:
  Decoder(const uint8_t* data, size_t size, CalcompOutput& out, CalcompStats* stats)
      : data_(data), size_(size), out_(out), stats_(stats) {}

  CalcompResult Run() {
    pos_ = CalcompFindDataStart(data_, size_);
    if (pos_ == 0) return kCalcompNoPreamble;
    while (pos_ < size_ && data_[pos_] == ' ') ++pos_;
    if (pos_ >= size_) return kCalcompBadHeader;
    sync_ = data_[pos_++];
    while (pos_ < size_ && data_[pos_] == sync_) ++pos_;
    if (pos_ >= size_) return kCalcompBadHeader;
    bias_ = data_[pos_++];
    uint8_t header[4];
    if (!Read(header, 4, false) || header[0] != 1 || header[1] != 0 || header[2] != 0 ||
        header[3] != 1)
      return kCalcompBadHeader;
    for (;;) {
      uint8_t op;
      if (!Read(&op, 1, true)) return kCalcompConverted;
      CalcompResult r = Execute(op);
      if (r != kCalcompConverted) return r;
    }
  }

 private:
  int Raw() { return pos_ < size_ ? data_[pos_++] : -1; }

  // `count` data bytes, bias subtracted; false at the end of the file before they are all read.
  bool Read(uint8_t* out, size_t count, bool opcode) {
    size_t stored = 0;
    while (stored < count) {
      int c = Raw();
      if (c < 0) return false;
      if (c == kLF) continue;
      if (c == kCR) {
        afterBreak_ = true;
        continue;
      }
      // A driver's end-of-line character: dropped with the CR that follows it.
      if (opcode && c >= 64 && pos_ < size_ && data_[pos_] == kCR) {
        ++pos_;
        afterBreak_ = true;
        continue;
      }
      if (afterBreak_) {
        if (c == sync_ || c == bias_) continue;
        afterBreak_ = false;
      }
      out[stored++] = uint8_t(c - bias_);
    }
    return true;
  }

  bool Skip(size_t count) {
    uint8_t b;
    for (size_t i = 0; i < count; ++i)
      if (!Read(&b, 1, false)) return false;
    return true;
  }

  bool Value(int count, int64_t* v) {
    int n = count < 0 ? -count : count;
    int64_t value = 0;
    for (int i = 0; i < n; ++i) {
      uint8_t d;
      if (!Read(&d, 1, false)) return false;
      value = value * radix_ + d;
    }
    *v = count < 0 ? -value : value;
    return true;
  }

  CalcompResult Execute(uint8_t op) {
    uint8_t b[3];
    switch (op) {
      case 1:
        return Skip(3) ? kCalcompConverted : kCalcompTruncated;
      case 2:
        penDown_ = true;
        return kCalcompConverted;
      case 3:
        penDown_ = false;
        return kCalcompConverted;
      case 4:
        if (!Read(b, 1, false)) return kCalcompTruncated;
        pen_ = b[0] ? b[0] : 1;
        penDown_ = false;
        return kCalcompConverted;
      case 5: {
        if (!Read(b, 1, false)) return kCalcompTruncated;
        if (size_ - pos_ < b[0]) return kCalcompTruncated;
        pos_ += b[0];
        return kCalcompConverted;
      }
      case 7:
        if (!Read(b, 1, false)) return kCalcompTruncated;
        radix_ = b[0] + 1;
        return kCalcompConverted;
      case 8: return Op8();
      case 9:
        return Skip(1) ? kCalcompConverted : kCalcompTruncated;
      case 14: return Op14();
      case 15: {
        // Raw bytes up to the next sync run, the run, and the byte after it.
        int c;
        while ((c = Raw()) >= 0 && c != sync_) {
        }
        while (pos_ < size_ && data_[pos_] == sync_) ++pos_;
        Raw();
        return kCalcompConverted;
      }
      default:
        if (op >= 16 && op <= 63) return Move(op);
        return kCalcompConverted;  // 0, 6, 10 to 13 and 64 up do nothing
    }
  }

  CalcompResult Op8() {
    uint8_t s, k;
    if (!Read(&s, 1, false)) return kCalcompTruncated;
    bool ok = true;
    switch (s) {
      case 2: case 3: case 7: ok = Skip(1); break;
      case 4: case 5: case 6: case 8:
        ok = Read(&k, 1, false) && Skip(2 * size_t(k));
        break;
      default: break;
    }
    return ok ? kCalcompConverted : kCalcompTruncated;
  }

  CalcompResult Op14() {
    uint8_t s, k[3];
    if (!Read(&s, 1, false)) return kCalcompTruncated;
    bool ok = true;
    switch (s) {
      case 6: case 7: ok = Read(k, 1, false) && Skip(k[0]); break;
      case 13: ok = Read(k, 3, false) && Skip(2 * size_t(k[2])); break;
      case 15: case 20: ok = Skip(2); break;
      case 17: case 19: case 21: case 26: case 27: case 29: case 31: ok = Skip(1); break;
      case 18: case 22: ok = Skip(3); break;
      case 28: ok = Skip(4); break;
      case 30: ok = Skip(12); break;
      default: break;
    }
    return ok ? kCalcompConverted : kCalcompTruncated;
  }

  CalcompResult Move(uint8_t op) {
    const int8_t* counts = kMoveCounts[(op - 16) / 4][(op - 16) % 4];
    int64_t dx, dy;
    if (!Value(counts[0], &dx) || !Value(counts[1], &dy)) return kCalcompTruncated;
    int64_t nx = x_ + dx, ny = y_ + dy;
    if (stats_) ++stats_->moves;
    if (penDown_) {
      if (stats_) ++stats_->lines;
      if (!out_.AddLine(double(x_), double(y_), double(nx), double(ny), int16_t(pen_)))
        return kCalcompOutputFailed;
    }
    x_ = nx;
    y_ = ny;
    return kCalcompConverted;
  }

  const uint8_t* data_;
  size_t size_;
  CalcompOutput& out_;
  CalcompStats* stats_;
  size_t pos_ = 0;
  uint8_t sync_ = 0, bias_ = 0;
  bool afterBreak_ = false;
  // Moves add at most 256^3 a step, so a 64-bit position cannot overflow within any file size.
  int64_t radix_ = 64;
  int64_t x_ = 0, y_ = 0;
  bool penDown_ = false;
  int pen_ = 1;
};

}  // namespace

size_t CalcompFindDataStart(const uint8_t* data, size_t size) {
  size_t next = 0;
  if (!LineIs(data, size, 0, "&&&&CALCOMP DEVICE CONTROL", &next)) return 0;
  for (size_t at = next; at < size; at = next)
    if (LineIs(data, size, at, "^^^^END OF FILE", &next)) return next;
  return 0;
}

CalcompResult DecodeCalcompBytes(const uint8_t* data, size_t size, CalcompOutput& out,
                                 CalcompStats* stats) {
  return Decoder(data, size, out, stats).Run();
}

CalcompResult DecodeCalcompPath(const char* path, CalcompOutput& out, CalcompStats* stats) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return kCalcompCannotOpen;
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t n = std::fread(chunk, 1, sizeof chunk, f);
  // Every file the other readers refused passes here: one that does not begin with the
  // preamble's first line is not read on.
  size_t next = 0;
  if (!LineIs(chunk, n, 0, "&&&&CALCOMP DEVICE CONTROL", &next)) {
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    return failed ? kCalcompCannotOpen : kCalcompNoPreamble;
  }
  do {
    bytes.insert(bytes.end(), chunk, chunk + n);
  } while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0);
  bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return kCalcompCannotOpen;
  return DecodeCalcompBytes(bytes.data(), bytes.size(), out, stats);
}
