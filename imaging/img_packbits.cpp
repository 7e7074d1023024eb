// PackBits, Apple's byte-oriented run-length coding (Apple Technical Note TN1023), shared by the
// MacPaint, PICT, Photoshop and IFF codecs. A header byte n of 0..127 is followed by n + 1 literal
// bytes; 129..255 by one byte repeated 257 - n times; 128 is a no-op.
#include "img_codec.h"

void img_packbits_encode(const uint8_t* row, size_t len, std::vector<uint8_t>& out) {
  size_t i = 0;
  while (i < len) {
    size_t run = 1;
    while (i + run < len && run < 128 && row[i + run] == row[i]) ++run;
    if (run >= 2) {
      out.push_back(uint8_t(257 - run));
      out.push_back(row[i]);
      i += run;
      continue;
    }
    // A literal stretch ends where a run of at least two equal bytes begins.
    size_t lit = 1;
    while (i + lit < len && lit < 128 && !(i + lit + 1 < len && row[i + lit] == row[i + lit + 1])) ++lit;
    out.push_back(uint8_t(lit - 1));
    out.insert(out.end(), row + i, row + i + lit);
    i += lit;
  }
}

bool img_packbits_decode(const uint8_t* d, size_t n, size_t& pos, uint8_t* out, size_t len) {
  size_t done = 0;
  while (done < len) {
    if (pos >= n) return false;
    uint8_t h = d[pos++];
    if (h < 128) {
      size_t count = size_t(h) + 1;
      if (count > n - pos) return false;
      // Some writers let a literal stretch run past the row; the excess is dropped.
      size_t take = count < len - done ? count : len - done;
      std::memcpy(out + done, d + pos, take);
      pos += count;
      done += take;
    } else if (h > 128) {
      size_t count = 257 - size_t(h);
      if (pos >= n) return false;
      uint8_t v = d[pos++];
      size_t take = count < len - done ? count : len - done;
      std::memset(out + done, v, take);
      done += take;
    }
  }
  return true;
}
