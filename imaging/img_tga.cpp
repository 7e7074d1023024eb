// Truevision TGA images (Truevision TGA File Format Specification, version 2.0): colour-mapped,
// true-colour and grey images, uncompressed or run-length coded, in any of the four origins.
// Written: 8-bit colour-mapped (or grey), 16-bit (A1R5G5B5), 24-bit and 32-bit, top-left origin.
// Not for colour maps indexed by 16-bit values, which no writer the viewer meets produces.
#include "img_codec.h"

namespace {

constexpr size_t kHeader = 18;

// One pixel of the file's depth as 0x00RRGGBB, or the index for colour-mapped and grey images.
uint32_t tga_pixel(const uint8_t* p, int bytes) {
  switch (bytes) {
    case 1: return p[0];
    case 2: {
      uint32_t v = img_le16(p);
      uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
      return (r * 255 / 31) << 16 | (g * 255 / 31) << 8 | (b * 255 / 31);
    }
    case 3: return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    default: return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
  }
}

}  // namespace

bool tga_looks_like(const uint8_t* d, size_t n) {
  if (n < kHeader) return false;
  int cmap = d[1], type = d[2], depth = d[16];
  if (cmap > 1) return false;
  if (type != 1 && type != 2 && type != 3 && type != 9 && type != 10 && type != 11) return false;
  if (img_le16(d + 12) == 0 || img_le16(d + 14) == 0) return false;
  if ((type == 1 || type == 9) && (cmap != 1 || depth != 8)) return false;
  if ((type == 3 || type == 11) && depth != 8) return false;
  if ((type == 2 || type == 10) && depth != 15 && depth != 16 && depth != 24 && depth != 32) return false;
  if (cmap == 1) {
    int es = d[7];
    if (es != 15 && es != 16 && es != 24 && es != 32) return false;
  }
  return (d[17] & 0xC0) == 0;
}

int32_t tga_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  if (!tga_looks_like(d, n)) return IMG_ERR_CORRUPT;
  int type = d[2], depth = d[16];
  bool rle = type >= 9;
  int base = type & 7;
  int32_t w = img_le16(d + 12), h = img_le16(d + 14);
  size_t pos = kHeader + d[0];
  if (pos > n) return IMG_ERR_CORRUPT;  // the image id runs past the end
  std::vector<uint32_t> cmap;
  if (d[1] == 1) {
    size_t first = img_le16(d + 3), count = img_le16(d + 5), es = (size_t(d[7]) + 7) / 8;
    if (count * es > n || pos > n - count * es) return IMG_ERR_CORRUPT;
    cmap.assign(first + count, 0);
    for (size_t i = 0; i < count; ++i) cmap[first + i] = tga_pixel(d + pos + i * es, int(es)) & 0xFFFFFFu;
    pos += count * es;
  }
  int bytes = (depth + 7) / 8;
  int32_t bpp = (base == 1 || base == 3) ? 8 : depth == 32 ? 32 : 24;
  int32_t rc = img_create(img, w, h, bpp);
  if (rc != IMG_OK) return rc;
  if (base == 1) {
    img.palette.assign(256, 0);
    for (size_t i = 0; i < cmap.size() && i < 256; ++i) img.palette[i] = cmap[i];
  } else if (base == 3) {
    img.palette = img_grey_palette(8);
  }
  bool top_down = (d[17] & 0x20) != 0, right_to_left = (d[17] & 0x10) != 0;
  ImgProgressSteps steps(progress, h);
  int run = 0;        // pixels left in the current packet
  bool repeat = false;
  uint32_t value = 0;
  for (int32_t row = 0; row < h; ++row) {
    steps.Advance(row + 1);
    int32_t y = top_down ? row : h - 1 - row;
    for (int32_t col = 0; col < w; ++col) {
      if (rle && run == 0) {
        if (pos >= n) goto truncated;
        uint8_t hd = d[pos++];
        run = (hd & 0x7F) + 1;
        repeat = (hd & 0x80) != 0;
        if (repeat) {
          if (size_t(bytes) > n - pos) goto truncated;
          value = tga_pixel(d + pos, bytes);
          pos += size_t(bytes);
        }
      }
      uint32_t v;
      if (rle && repeat) {
        v = value;
      } else {
        if (size_t(bytes) > n - pos) goto truncated;
        v = tga_pixel(d + pos, bytes);
        pos += size_t(bytes);
      }
      if (rle) --run;
      int32_t x = right_to_left ? w - 1 - col : col;
      if (bpp == 32) {
        uint8_t* o = img.row(y) + 4 * size_t(x);
        o[0] = uint8_t(v);
        o[1] = uint8_t(v >> 8);
        o[2] = uint8_t(v >> 16);
        o[3] = uint8_t(v >> 24);
      } else {
        img_set_px(img, x, y, bpp == 8 ? (v & 0xFF) : v);
      }
    }
  }
  return IMG_OK;
truncated:
  img = ImgImage();
  return IMG_ERR_CORRUPT;
}

int32_t tga_write(const ImgImage& img, bool sixteen, std::vector<uint8_t>& out) {
  if (img.bpp != 8 && img.bpp != 24 && img.bpp != 32) return IMG_ERR_DEPTH;
  if (img.width > 0xFFFF || img.height > 0xFFFF) return IMG_ERR_TOO_LARGE;
  bool mapped = !sixteen && img.bpp == 8;
  bool grey = mapped && img_palette_is_grey_ramp(img.palette);
  int depth = sixteen ? 16 : mapped ? 8 : img.bpp;
  ImgOut o{out};
  out.clear();
  o.u8(0);
  o.u8(mapped && !grey ? 1 : 0);
  o.u8(mapped ? (grey ? 3 : 1) : 2);
  o.le16(0);
  o.le16(mapped && !grey ? 256 : 0);
  o.u8(mapped && !grey ? 24 : 0);
  o.le16(0);
  o.le16(0);
  o.le16(uint32_t(img.width));
  o.le16(uint32_t(img.height));
  o.u8(uint32_t(depth));
  o.u8(0x20u | (depth == 32 ? 8u : depth == 16 ? 1u : 0u));  // top-left origin, alpha bits
  if (mapped && !grey) {
    for (size_t i = 0; i < 256; ++i) {
      uint32_t c = i < img.palette.size() ? img.palette[i] : 0;
      o.u8(c);
      o.u8(c >> 8);
      o.u8(c >> 16);
    }
  }
  for (int32_t y = 0; y < img.height; ++y) {
    const uint8_t* r = img.row(y);
    if (mapped) {
      o.bytes(r, size_t(img.width));
    } else if (sixteen) {
      for (int32_t x = 0; x < img.width; ++x) {
        uint32_t c = img_rgb_at(img, x, y);
        o.le16(0x8000u | ((c >> 19) & 31) << 10 | ((c >> 11) & 31) << 5 | ((c >> 3) & 31));
      }
    } else {
      o.bytes(r, size_t(img.width) * size_t(img.bpp / 8));
    }
  }
  return IMG_OK;
}
