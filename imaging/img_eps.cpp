// Encapsulated PostScript holding one image (Adobe's EPSF 3.0 and PostScript Language Reference):
// written as a page that scales the image to its size at its resolution and draws it with "image"
// (bitonal and grey) or "colorimage" (colour), its samples as hexadecimal text after an
// "%ImageData:" comment that names the image's columns, rows, bits and channels. Read: files with
// that comment (this writer's and those of programs that use the same convention), and the TIFF or
// WMF preview of the DOS binary EPS layout. Not a PostScript interpreter.
#include "img_codec.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr uint32_t kDosEps = 0xC6D3D0C5u;  // bytes C5 D0 D3 C6

int hexval(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int32_t read_postscript(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  std::string text(reinterpret_cast<const char*>(d), n);
  size_t at = text.find("%ImageData:");
  if (at == std::string::npos) return IMG_ERR_UNSUPPORTED;  // PostScript drawn by a program
  long w = 0, h = 0, bits = 0, comps = 0;
  if (std::sscanf(text.c_str() + at + 11, "%ld %ld %ld %ld", &w, &h, &bits, &comps) != 4) return IMG_ERR_CORRUPT;
  if (w <= 0 || h <= 0 || (bits != 1 && bits != 8) || (comps != 1 && comps != 3) || (bits == 1 && comps != 1))
    return IMG_ERR_UNSUPPORTED;
  if (w > IMG_MAX_DIMENSION || h > IMG_MAX_DIMENSION) return IMG_ERR_TOO_LARGE;
  // The samples follow the line of the operator that draws them.
  size_t op = text.find(comps == 3 ? "colorimage" : " image", at);
  if (op == std::string::npos) return IMG_ERR_CORRUPT;
  size_t pos = text.find('\n', op);
  if (pos == std::string::npos) return IMG_ERR_CORRUPT;
  ++pos;
  int32_t bpp = bits == 1 ? 1 : comps == 3 ? 24 : 8;
  int32_t rc = img_create(img, int32_t(w), int32_t(h), bpp);
  if (rc != IMG_OK) return rc;
  if (bpp == 1) img.palette = {0x000000u, 0xFFFFFFu};  // PostScript's grey: 0 black
  else if (bpp == 8) img.palette = img_grey_palette(8);
  size_t row = bits == 1 ? (size_t(w) + 7) / 8 : size_t(w) * size_t(comps);
  std::vector<uint8_t> buf(row);
  ImgProgressSteps steps(progress, h);
  for (long y = 0; y < h; ++y) {
    steps.Advance(y + 1);
    for (size_t i = 0; i < row; ++i) {
      int hi = -1, v;
      for (;;) {
        if (pos >= n) {
          img = ImgImage();
          return IMG_ERR_CORRUPT;
        }
        v = hexval(d[pos++]);
        if (v < 0) {
          if (d[pos - 1] > ' ') {  // anything but blanks between the digits ends the data
            img = ImgImage();
            return IMG_ERR_CORRUPT;
          }
          continue;
        }
        if (hi < 0) hi = v;
        else break;
      }
      buf[i] = uint8_t(hi << 4 | v);
    }
    uint8_t* o = img.row(int32_t(y));
    if (bpp == 24) {
      for (long x = 0; x < w; ++x) {
        o[3 * x] = buf[size_t(3 * x + 2)];
        o[3 * x + 1] = buf[size_t(3 * x + 1)];
        o[3 * x + 2] = buf[size_t(3 * x)];
      }
    } else {
      std::memcpy(o, buf.data(), row);
    }
  }
  return IMG_OK;
}

}  // namespace

bool eps_looks_like(const uint8_t* d, size_t n) {
  return (n >= 30 && img_le32(d) == kDosEps) || (n >= 10 && std::memcmp(d, "%!PS-Adobe", 10) == 0);
}

int32_t eps_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  if (!eps_looks_like(d, n)) return IMG_ERR_CORRUPT;
  if (img_le32(d) != kDosEps) return read_postscript(d, n, img, progress);
  uint32_t ps_off = img_le32(d + 4), ps_len = img_le32(d + 8), wmf_off = img_le32(d + 12), wmf_len = img_le32(d + 16);
  uint32_t tif_off = img_le32(d + 20), tif_len = img_le32(d + 24);
  auto inside = [n](uint32_t off, uint32_t len) { return len > 0 && off < n && len <= n - off; };
  // The PostScript first: when it carries the image itself, that is the full picture.
  if (inside(ps_off, ps_len)) {
    int32_t rc = read_postscript(d + ps_off, ps_len, img, progress);
    if (rc != IMG_ERR_UNSUPPORTED) return rc;
  }
  if (inside(tif_off, tif_len)) return tiff_read(d + tif_off, tif_len, 0, img, progress);
  if (inside(wmf_off, wmf_len)) return wmf_read(d + wmf_off, wmf_len, img, progress);
  return IMG_ERR_UNSUPPORTED;
}

int32_t eps_write(const ImgImage& img, std::vector<uint8_t>& out) {
  if (img.bpp != 1 && img.bpp != 4 && img.bpp != 8 && img.bpp != 24 && img.bpp != 32) return IMG_ERR_DEPTH;
  bool bitonal = img.bpp == 1;
  bool grey = img.bpp == 8 && img_palette_is_grey_ramp(img.palette);
  int comps = bitonal || grey ? 1 : 3;
  int bits = bitonal ? 1 : 8;
  double sx = img.dpi_x > 0 ? 72.0 / img.dpi_x : 1.0, sy = img.dpi_y > 0 ? 72.0 / img.dpi_y : sx;
  double pw = img.width * sx, ph = img.height * sy;
  size_t row = bitonal ? (size_t(img.width) + 7) / 8 : size_t(img.width) * size_t(comps);
  char buf[256];
  out.clear();
  ImgOut o{out};
  o.text("%!PS-Adobe-3.0 EPSF-3.0\n%%Creator: Vellview\n");
  std::snprintf(buf, sizeof buf, "%%%%BoundingBox: 0 0 %ld %ld\n%%%%HiResBoundingBox: 0 0 %.4f %.4f\n",
                long(pw + 0.999), long(ph + 0.999), pw, ph);
  o.text(buf);
  o.text("%%Pages: 1\n%%EndComments\n");
  std::snprintf(buf, sizeof buf, "%%ImageData: %d %d %d %d\n", img.width, img.height, bits, comps);
  o.text(buf);
  std::snprintf(buf, sizeof buf, "gsave\n%.4f %.4f scale\n/line %zu string def\n", pw, ph, row);
  o.text(buf);
  std::snprintf(buf, sizeof buf, "%d %d %d [%d 0 0 -%d 0 %d] {currentfile line readhexstring pop} %s\n", img.width,
                img.height, bits, img.width, img.height, img.height, comps == 3 ? "false 3 colorimage" : "image");
  o.text(buf);
  // PostScript's grey has 0 black: ink bits are turned round as each row is written (so an image
  // whose index 0 is the darker colour is written as it is).
  const bool zero_is_dark = img.palette.size() >= 2 && img_luma(img.palette[0]) < img_luma(img.palette[1]);
  const uint8_t flip = bitonal && !zero_is_dark ? 0xFF : 0x00;
  static const struct Digits {
    char text[256][2];
    Digits() {
      static const char kHex[] = "0123456789abcdef";
      for (int b = 0; b < 256; ++b) {
        text[b][0] = kHex[b >> 4];
        text[b][1] = kHex[b & 15];
      }
    }
  } kDigits;
  std::vector<uint8_t> line(row);
  // Two digits a byte, a line break after every 36 bytes within a row and one at its end.
  const size_t row_text = 2 * row + (row - 1) / 36 + 1;
  size_t at = out.size();
  out.resize(at + row_text * size_t(img.height));
  char* p = reinterpret_cast<char*>(out.data() + at);
  for (int32_t y = 0; y < img.height; ++y) {
    const uint8_t* bytes = img.row(y);
    if (!bitonal) {
      for (int32_t x = 0; x < img.width; ++x) {
        uint32_t c = img_rgb_at(img, x, y);
        if (comps == 1) {
          line[size_t(x)] = uint8_t(c);
        } else {
          line[3 * size_t(x)] = uint8_t(c >> 16);
          line[3 * size_t(x) + 1] = uint8_t(c >> 8);
          line[3 * size_t(x) + 2] = uint8_t(c);
        }
      }
      bytes = line.data();
    }
    for (size_t i = 0; i < row; ++i) {
      uint8_t v = uint8_t(bytes[i] ^ flip);
      // The pad bits of a row whose index 0 is dark are written as white.
      if (bitonal && zero_is_dark && i + 1 == row && (img.width & 7)) v |= uint8_t(0xFF >> (img.width & 7));
      std::memcpy(p, kDigits.text[v], 2);
      p += 2;
      if (i % 36 == 35 && i + 1 < row) *p++ = '\n';
    }
    *p++ = '\n';
  }
  o.text("grestore\nshowpage\n%%Trailer\n%%EOF\n");
  return IMG_OK;
}
