// X window dumps (XWDFile.h of the X Window System, file version 7): a header of 25 big-endian
// 32-bit fields, the window name, the colour table of 12-byte entries and the pixels. Read: Z
// pixmaps of 1, 8, 16, 24 and 32 bits per pixel in either byte order (true-colour pixels through
// their masks) and single-plane bitmaps; written: 8-bit pseudo-colour Z pixmaps.
#include "img_codec.h"

namespace {

constexpr size_t kFields = 25;
enum : size_t {
  kHeaderSize, kVersion, kFormat, kDepth, kWidth, kHeight, kXOffset, kByteOrder, kBitmapUnit,
  kBitOrder, kBitmapPad, kBitsPerPixel, kBytesPerLine, kVisualClass, kRedMask, kGreenMask,
  kBlueMask, kBitsPerRgb, kColormapEntries, kNColors, kWindowWidth, kWindowHeight, kWindowX,
  kWindowY, kBorder
};

int shift_of(uint32_t m) {
  int s = 0;
  while (m && !(m & 1)) {
    m >>= 1;
    ++s;
  }
  return s;
}

uint8_t channel(uint32_t px, uint32_t mask) {
  if (!mask) return 0;
  uint32_t v = (px & mask) >> shift_of(mask), maxv = mask >> shift_of(mask);
  return uint8_t(v * 255 / maxv);
}

}  // namespace

bool xwd_looks_like(const uint8_t* d, size_t n) {
  if (n < kFields * 4) return false;
  uint32_t hs = img_be32(d), ver = img_be32(d + 4);
  return ver == 7 && hs >= kFields * 4 && hs < 4096;
}

int32_t xwd_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  if (!xwd_looks_like(d, n)) return IMG_ERR_CORRUPT;
  uint32_t f[kFields];
  for (size_t i = 0; i < kFields; ++i) f[i] = img_be32(d + 4 * i);
  uint32_t w = f[kWidth], h = f[kHeight], bpp = f[kBitsPerPixel], bpl = f[kBytesPerLine];
  if (w == 0 || h == 0) return IMG_ERR_CORRUPT;
  if (w > IMG_MAX_DIMENSION || h > IMG_MAX_DIMENSION) return IMG_ERR_TOO_LARGE;
  bool bitmap = f[kDepth] == 1 && bpp == 1;
  if (!bitmap && (f[kFormat] != 2 || (bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)))
    return IMG_ERR_UNSUPPORTED;
  if (uint64_t(bpl) * 8 < uint64_t(w) * bpp) return IMG_ERR_CORRUPT;
  size_t pos = f[kHeaderSize];
  uint64_t ncolors = f[kNColors];
  if (pos > n || ncolors * 12 > n - pos) return IMG_ERR_CORRUPT;
  std::vector<uint32_t> by_pixel(256, 0);
  for (uint64_t i = 0; i < ncolors; ++i) {
    const uint8_t* c = d + pos + 12 * i;
    uint32_t pixel = img_be32(c);
    uint32_t rgb = uint32_t(c[4]) << 16 | uint32_t(c[6]) << 8 | c[8];  // high bytes of 16-bit values
    if (pixel < 256) by_pixel[pixel] = rgb;
  }
  pos += size_t(ncolors) * 12;
  if (uint64_t(bpl) * h > n - pos) return IMG_ERR_CORRUPT;
  bool truecolour = bpp > 8 || (f[kVisualClass] >= 4 && f[kRedMask]);
  int32_t out_bpp = bitmap ? 1 : truecolour ? 24 : 8;
  int32_t rc = img_create(img, int32_t(w), int32_t(h), out_bpp);
  if (rc != IMG_OK) return rc;
  if (out_bpp == 8) img.palette = by_pixel;
  bool lsb_bytes = f[kByteOrder] == 0;
  ImgProgressSteps steps(progress, h);
  for (uint32_t y = 0; y < h; ++y) {
    steps.Advance(y + 1);
    const uint8_t* r = d + pos + size_t(y) * bpl;
    for (uint32_t x = 0; x < w; ++x) {
      if (bitmap) {
        uint8_t b = r[x / 8];
        int bit = f[kBitOrder] == 0 ? (b >> (x % 8)) & 1 : (b >> (7 - x % 8)) & 1;
        // A set bit is the foreground, black in a dump of a bitmap.
        if (bit) img_set_px(img, int32_t(x), int32_t(y), 1);
        continue;
      }
      const uint8_t* p = r + size_t(x) * (bpp / 8);
      uint32_t px = 0;
      int bytes = int(bpp / 8);
      for (int k = 0; k < bytes; ++k)
        px |= uint32_t(p[k]) << (8 * (lsb_bytes ? k : bytes - 1 - k));
      if (!truecolour) {
        img_set_px(img, int32_t(x), int32_t(y), px & 0xFF);
      } else if (f[kRedMask]) {
        img_set_px(img, int32_t(x), int32_t(y),
                   uint32_t(channel(px, f[kRedMask])) << 16 | uint32_t(channel(px, f[kGreenMask])) << 8 |
                       channel(px, f[kBlueMask]));
      } else {
        img_set_px(img, int32_t(x), int32_t(y), by_pixel[px & 0xFF]);
      }
    }
  }
  return IMG_OK;
}

int32_t xwd_write(const ImgImage& img, std::vector<uint8_t>& out) {
  if (img.bpp != 8) return IMG_ERR_DEPTH;
  static const char kName[] = "image";
  uint32_t header = uint32_t(kFields * 4 + sizeof kName);
  uint32_t bpl = uint32_t((img.width + 3) & ~3);
  uint32_t f[kFields] = {};
  f[kHeaderSize] = header;
  f[kVersion] = 7;
  f[kFormat] = 2;  // Z pixmap
  f[kDepth] = 8;
  f[kWidth] = f[kWindowWidth] = uint32_t(img.width);
  f[kHeight] = f[kWindowHeight] = uint32_t(img.height);
  f[kByteOrder] = 1;  // most significant byte first
  f[kBitmapUnit] = 32;
  f[kBitOrder] = 1;
  f[kBitmapPad] = 32;
  f[kBitsPerPixel] = 8;
  f[kBytesPerLine] = bpl;
  f[kVisualClass] = 3;  // pseudo-colour
  f[kBitsPerRgb] = 8;
  f[kColormapEntries] = 256;
  f[kNColors] = 256;
  out.clear();
  ImgOut o{out};
  for (uint32_t v : f) o.be32(v);
  o.bytes(kName, sizeof kName);
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i < img.palette.size() ? img.palette[i] : 0;
    o.be32(i);
    o.be16(((c >> 16) & 255) * 257);
    o.be16(((c >> 8) & 255) * 257);
    o.be16((c & 255) * 257);
    o.u8(7);  // red, green and blue are set
    o.u8(0);
  }
  for (int32_t y = 0; y < img.height; ++y) {
    o.bytes(img.row(y), size_t(img.width));
    o.fill(0, bpl - uint32_t(img.width));
  }
  return IMG_OK;
}
