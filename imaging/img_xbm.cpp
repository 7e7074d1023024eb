// X bitmaps (the X11 bitmap file format of the X Window System's Xlib documentation): C source
// with "#define NAME_width W" and "#define NAME_height H" and an array of hexadecimal bytes, the
// leftmost pixel in the least significant bit, 1 the foreground (black). X10's 16-bit words are
// read too. Written as X11 bytes.
#include "img_codec.h"

#include <cstdio>
#include <cstdlib>

namespace {

// The number after "#define <name>_<key>", or -1.
long xbm_define(const char* text, size_t n, const char* key) {
  std::string s(text, n);
  size_t at = 0;
  while ((at = s.find("#define", at)) != std::string::npos) {
    size_t line_end = s.find('\n', at);
    std::string line = s.substr(at, line_end == std::string::npos ? std::string::npos : line_end - at);
    at += 7;
    size_t k = line.find(key);
    if (k == std::string::npos) continue;
    const char* p = line.c_str() + k + std::strlen(key);
    if (*p != ' ' && *p != '\t') continue;
    char* end = nullptr;
    long v = std::strtol(p, &end, 10);
    if (end != p) return v;
  }
  return -1;
}

int hex_digit(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool xbm_looks_like(const uint8_t* d, size_t n) {
  size_t look = n < 512 ? n : 512;
  std::string head(reinterpret_cast<const char*>(d), look);
  size_t start = head.find_first_not_of(" \t\r\n");
  if (start == std::string::npos) return false;
  if (head.compare(start, 7, "#define") != 0) return false;
  return head.find("_width") != std::string::npos;
}

int32_t xbm_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  const char* text = reinterpret_cast<const char*>(d);
  long w = xbm_define(text, n, "_width"), h = xbm_define(text, n, "_height");
  if (w <= 0 || h <= 0) return IMG_ERR_CORRUPT;
  if (w > IMG_MAX_DIMENSION || h > IMG_MAX_DIMENSION) return IMG_ERR_TOO_LARGE;
  std::string all(text, n);
  size_t brace = all.find('{');
  if (brace == std::string::npos) return IMG_ERR_CORRUPT;
  bool words = all.rfind("short", brace) != std::string::npos;
  int32_t rc = img_create(img, int32_t(w), int32_t(h), 1);
  if (rc != IMG_OK) return rc;
  size_t unit_bits = words ? 16 : 8;
  size_t units_per_row = (size_t(w) + unit_bits - 1) / unit_bits;
  size_t pos = brace + 1;
  ImgProgressSteps steps(progress, h);
  for (int32_t y = 0; y < h; ++y) {
    steps.Advance(y + 1);
    for (size_t u = 0; u < units_per_row; ++u) {
      // The next "0x.." number; anything else between numbers is punctuation.
      while (pos + 1 < n && !(d[pos] == '0' && (d[pos + 1] == 'x' || d[pos + 1] == 'X'))) {
        if (d[pos] == '}') goto truncated;
        ++pos;
      }
      if (pos + 2 >= n) goto truncated;
      pos += 2;
      uint32_t v = 0;
      int digits = 0;
      for (int dv; pos < n && (dv = hex_digit(d[pos])) >= 0 && digits < 8; ++pos, ++digits) v = v << 4 | uint32_t(dv);
      if (digits == 0) goto truncated;
      if (!words) {
        uint8_t b = img_reverse_bits(uint8_t(v));
        if (u + 1 == units_per_row && (w & 7)) b &= uint8_t(0xFF << (8 - (w & 7)));  // pad bits
        img.row(y)[u] = b;
        continue;
      }
      for (size_t b = 0; b < unit_bits; ++b) {
        size_t x = u * unit_bits + b;
        if (x < size_t(w) && ((v >> b) & 1)) img_set_px(img, int32_t(x), y, 1);
      }
    }
  }
  return IMG_OK;
truncated:
  img = ImgImage();
  return IMG_ERR_CORRUPT;
}

int32_t xbm_write(const ImgImage& img, std::vector<uint8_t>& out) {
  if (img.bpp != 1) return IMG_ERR_DEPTH;
  // Set bits are ink in this format: images whose index 0 is the darker colour are written
  // with their bits turned round, byte by byte, rather than through an inverted copy.
  const bool invert = img.palette.size() >= 2 && img_luma(img.palette[0]) < img_luma(img.palette[1]);
  out.clear();
  ImgOut o{out};
  char buf[64];
  std::snprintf(buf, sizeof buf, "#define image_width %d\n", img.width);
  o.text(buf);
  std::snprintf(buf, sizeof buf, "#define image_height %d\n", img.height);
  o.text(buf);
  o.text("static unsigned char image_bits[] = {\n");
  // Each byte becomes "0x" and two digits of its bits in reverse order (X bitmaps put the
  // leftmost pixel in the lowest bit), then ", " or, after twelve numbers a line, as X's own
  // bitmap program writes them, ",\n  ". Every number thus takes six characters, and the text
  // is written straight into the output.
  static const struct Numbers {
    char text[256][4];
    Numbers() {
      static const char kHex[] = "0123456789abcdef";
      for (int b = 0; b < 256; ++b) {
        uint8_t v = img_reverse_bits(uint8_t(b));
        text[b][0] = '0';
        text[b][1] = 'x';
        text[b][2] = kHex[v >> 4];
        text[b][3] = kHex[v & 15];
      }
    }
  } kNumbers;
  const size_t row_bytes = (size_t(img.width) + 7) / 8, total = row_bytes * size_t(img.height);
  const int tail = img.width & 7;
  const uint8_t flip = invert ? 0xFF : 0x00;
  const uint8_t last_mask = tail ? uint8_t(0xFF << (8 - tail)) : 0xFF;
  size_t at = out.size();
  // Two leading spaces a line, six characters a number, and "};\n" in place of the last ", ".
  out.resize(at + 2 * ((total + 11) / 12) + 6 * total + 1);
  char* p = reinterpret_cast<char*>(out.data() + at);
  size_t count = 0;
  for (int32_t y = 0; y < img.height; ++y) {
    const uint8_t* r = img.row(y);
    for (size_t i = 0; i < row_bytes; ++i) {
      uint8_t v = uint8_t(r[i] ^ flip);
      if (i + 1 == row_bytes) v &= last_mask;
      if (count % 12 == 0) {
        *p++ = ' ';
        *p++ = ' ';
      }
      std::memcpy(p, kNumbers.text[v], 4);
      p += 4;
      ++count;
      if (count == total) {
        std::memcpy(p, "};\n", 3);
        p += 3;
      } else {
        *p++ = ',';
        *p++ = count % 12 == 0 ? '\n' : ' ';
      }
    }
  }
  out.resize(size_t(p - reinterpret_cast<char*>(out.data())));
  return IMG_OK;
}
