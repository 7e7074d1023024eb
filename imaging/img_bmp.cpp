// Windows bitmaps: BMP files and packed DIBs (the same without the 14-byte file header), read in
// every depth the viewer meets (1/4/8/16/24/32, RLE4, RLE8, top-down, bit fields) and written
// uncompressed or run-length encoded. Not for OS/2 2.x variants (Huffman, RLE24).
#include "img_codec.h"

#include <cstring>

namespace {

uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void put16(std::vector<uint8_t>& o, uint32_t v) {
  o.push_back(uint8_t(v));
  o.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& o, uint32_t v) {
  put16(o, v & 0xFFFF);
  put16(o, v >> 16);
}

void set_index(ImgImage& img, int32_t x, int32_t y, uint8_t v) {
  uint8_t* r = img.row(y);
  if (img.bpp == 8) {
    r[x] = v;
  } else {
    uint8_t& b = r[x / 2];
    b = (x & 1) ? uint8_t((b & 0xF0) | (v & 15)) : uint8_t((b & 0x0F) | (v << 4));
  }
}

// RLE8/RLE4 decoding into a bottom-up or top-down image. Pixels the stream skips stay index 0.
int32_t decode_rle(const uint8_t* p, size_t n, bool rle4, bool top_down, ImgImage& img,
                   ImgProgressSteps& steps) {
  size_t i = 0;
  int32_t x = 0, line = 0;
  auto put = [&](uint8_t v) {
    if (x < img.width && line < img.height)
      set_index(img, x, top_down ? line : img.height - 1 - line, v);
    ++x;
  };
  while (line < img.height) {
    if (i + 2 > n) return IMG_ERR_CORRUPT;
    uint8_t count = p[i], value = p[i + 1];
    i += 2;
    if (count > 0) {
      for (int k = 0; k < count; ++k)
        put(rle4 ? uint8_t((k & 1) ? value & 15 : value >> 4) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      steps.Advance(++line);
    } else if (value == 1) {  // end of bitmap
      steps.Advance(img.height);
      return IMG_OK;
    } else if (value == 2) {  // delta
      if (i + 2 > n) return IMG_ERR_CORRUPT;
      x += p[i];
      line += p[i + 1];
      steps.Advance(line);
      i += 2;
    } else {  // absolute run of `value` pixels, padded to a 16-bit boundary
      size_t bytes = rle4 ? (size_t(value) + 1) / 2 : value;
      if (i + bytes > n) return IMG_ERR_CORRUPT;
      for (int k = 0; k < value; ++k)
        put(rle4 ? uint8_t((k & 1) ? p[i + k / 2] & 15 : p[i + k / 2] >> 4) : p[i + k]);
      i += bytes + (bytes & 1);
    }
  }
  steps.Advance(img.height);
  return IMG_OK;
}

int mask_shift(uint32_t m) {
  int s = 0;
  while (m && !(m & 1)) {
    m >>= 1;
    ++s;
  }
  return s;
}
uint8_t mask_value(uint32_t px, uint32_t m) {
  if (!m) return 0;
  uint32_t v = (px & m) >> mask_shift(m);
  uint32_t max = m >> mask_shift(m);
  return uint8_t(v * 255 / max);
}

}  // namespace

int32_t bmp_read(const uint8_t* d, size_t n, bool packed, ImgImage& img, const ImgProgress* progress) {
  size_t base = packed ? 0 : 14;
  if (n < base + 12) return IMG_ERR_CORRUPT;
  const uint8_t* h = d + base;
  uint32_t hsize = le32(h);
  if (hsize < 12 || hsize > n - base) return IMG_ERR_CORRUPT;
  int32_t width, height;
  uint16_t bits;
  uint32_t compression = 0, colours = 0;
  size_t entry = 4;
  if (hsize == 12) {
    width = le16(h + 4);
    height = int16_t(le16(h + 6));
    bits = le16(h + 10);
    entry = 3;
  } else {
    if (hsize < 40) return IMG_ERR_CORRUPT;
    width = int32_t(le32(h + 4));
    height = int32_t(le32(h + 8));
    bits = le16(h + 14);
    compression = le32(h + 16);
    colours = le32(h + 32);
  }
  bool top_down = height < 0;
  if (height == INT32_MIN || width <= 0 || height == 0) return IMG_ERR_CORRUPT;
  if (top_down) height = -height;
  bool rle = compression == 1 || compression == 2;
  if ((compression == 1 && bits != 8) || (compression == 2 && bits != 4) ||
      (compression == 3 && bits != 16 && bits != 32) || compression > 3)
    return IMG_ERR_UNSUPPORTED;
  if (top_down && rle) return IMG_ERR_CORRUPT;  // RLE bitmaps are bottom-up by definition
  uint32_t masks[4] = {0, 0, 0, 0};
  size_t pos = base + hsize;
  if (compression == 3) {
    if (hsize == 40) {
      if (pos + 12 > n) return IMG_ERR_CORRUPT;
      for (int k = 0; k < 3; ++k) masks[k] = le32(d + pos + 4 * k);
      pos += 12;
    } else {
      if (hsize < 52) return IMG_ERR_CORRUPT;
      for (int k = 0; k < 3; ++k) masks[k] = le32(h + 40 + 4 * k);
      if (hsize >= 56) masks[3] = le32(h + 52);
    }
  } else if (bits == 16) {
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
  }
  int32_t store_bpp;
  switch (bits) {
    case 1: case 4: case 8: case 24: store_bpp = bits; break;
    case 16: store_bpp = 24; break;
    case 32: store_bpp = (compression == 3 && !masks[3]) ? 24 : 32; break;
    default: return IMG_ERR_UNSUPPORTED;
  }
  std::vector<uint32_t> pal;
  if (bits <= 8) {
    uint32_t count = colours ? colours : (1u << bits);
    if (count > (1u << bits)) return IMG_ERR_CORRUPT;
    if (pos + size_t(count) * entry > n) return IMG_ERR_CORRUPT;
    for (uint32_t k = 0; k < count; ++k) {
      const uint8_t* e = d + pos + k * entry;
      pal.push_back(uint32_t(e[2]) << 16 | uint32_t(e[1]) << 8 | e[0]);
    }
    // Indices past a short colour table show black rather than reading past it.
    pal.resize(size_t(1) << bits, 0);
    pos += size_t(count) * entry;
  }
  size_t offset = packed ? pos : le32(d + 10);
  if (offset > n) return IMG_ERR_CORRUPT;
  // Uncompressed bits must all be there before anything is allocated for them.
  size_t src_stride = ((size_t(width) * bits + 31) / 32) * 4;
  if (!rle && (n - offset) / src_stride < size_t(height)) return IMG_ERR_CORRUPT;
  int32_t rc = img_create(img, width, height, store_bpp);
  if (rc != IMG_OK) return rc;
  img.palette = pal;
  if (hsize >= 40) {
    int32_t ppm_x = int32_t(le32(h + 24)), ppm_y = int32_t(le32(h + 28));
    img.dpi_x = ppm_x > 0 ? int32_t((int64_t(ppm_x) * 254 + 5000) / 10000) : 0;
    img.dpi_y = ppm_y > 0 ? int32_t((int64_t(ppm_y) * 254 + 5000) / 10000) : 0;
  }
  ImgProgressSteps steps(progress, height);
  if (rle) return decode_rle(d + offset, n - offset, bits == 4, top_down, img, steps);
  for (int32_t y = 0; y < height; ++y) {
    steps.Advance(y + 1);
    const uint8_t* s = d + offset + src_stride * size_t(top_down ? y : height - 1 - y);
    uint8_t* t = img.row(y);
    if (bits == store_bpp && compression != 3) {
      std::memcpy(t, s, src_stride);
      continue;
    }
    for (int32_t x = 0; x < width; ++x) {
      uint32_t px = bits == 16 ? le16(s + 2 * x) : le32(s + 4 * x);
      uint8_t* o = t + size_t(x) * (store_bpp / 8);
      o[0] = mask_value(px, masks[2]);
      o[1] = mask_value(px, masks[1]);
      o[2] = mask_value(px, masks[0]);
      if (store_bpp == 32) o[3] = mask_value(px, masks[3]);
    }
  }
  return IMG_OK;
}

namespace {

// One row of RLE8 (bpp 8) or RLE4 (bpp 4): runs of two or more equal pixels as (count, value);
// stretches of three or more mixed pixels as absolute runs.
void encode_rle_row(const ImgImage& img, int32_t y, std::vector<uint8_t>& o) {
  const bool four = img.bpp == 4;
  const uint8_t* r = img.row(y);
  auto px = [&](int32_t x) -> uint8_t { return four ? uint8_t((x & 1) ? r[x / 2] & 15 : r[x / 2] >> 4) : r[x]; };
  int32_t w = img.width, x = 0;
  while (x < w) {
    int32_t run = 1;
    while (x + run < w && run < 255 && px(x + run) == px(x)) ++run;
    if (run >= 2 || w - x < 3) {
      // Short tails go out as runs of one so absolute runs stay at three or more pixels.
      int32_t cnt = run >= 2 ? run : 1;
      o.push_back(uint8_t(cnt));
      o.push_back(four ? uint8_t(px(x) << 4 | px(x)) : px(x));
      x += cnt;
      continue;
    }
    int32_t lit = 1;
    while (x + lit < w && lit < 255) {
      if (x + lit + 1 < w && px(x + lit) == px(x + lit + 1)) break;
      ++lit;
    }
    if (lit < 3) {
      o.push_back(1);
      o.push_back(four ? uint8_t(px(x) << 4 | px(x)) : px(x));
      ++x;
      continue;
    }
    o.push_back(0);
    o.push_back(uint8_t(lit));
    size_t bytes = 0;
    if (four) {
      for (int32_t k = 0; k < lit; k += 2) {
        uint8_t hi = px(x + k), lo = k + 1 < lit ? px(x + k + 1) : 0;
        o.push_back(uint8_t(hi << 4 | lo));
        ++bytes;
      }
    } else {
      for (int32_t k = 0; k < lit; ++k) o.push_back(px(x + k));
      bytes = size_t(lit);
    }
    if (bytes & 1) o.push_back(0);
    x += lit;
  }
  o.push_back(0);
  o.push_back(0);
}

}  // namespace

int32_t bmp_write(const ImgImage& img, bool rle, bool packed, std::vector<uint8_t>& out) {
  if (rle && img.bpp != 4 && img.bpp != 8) return IMG_ERR_DEPTH;
  if (!rle && img.bpp != 1 && img.bpp != 4 && img.bpp != 8 && img.bpp != 24 && img.bpp != 32)
    return IMG_ERR_DEPTH;
  uint32_t colours = img.bpp <= 8 ? (1u << img.bpp) : 0;
  std::vector<uint8_t> bits;
  if (rle) {
    for (int32_t y = img.height - 1; y >= 0; --y) encode_rle_row(img, y, bits);
    bits.push_back(0);
    bits.push_back(1);
  } else {
    bits.reserve(img.stride * size_t(img.height));
    for (int32_t y = img.height - 1; y >= 0; --y)
      bits.insert(bits.end(), img.row(y), img.row(y) + img.stride);
  }
  uint32_t header = packed ? 40 : 54;
  uint32_t offset = header + colours * 4;
  out.clear();
  out.reserve(offset + bits.size());
  if (!packed) {
    out.push_back('B');
    out.push_back('M');
    put32(out, uint32_t(offset + bits.size()));
    put32(out, 0);
    put32(out, offset);
  }
  put32(out, 40);
  put32(out, uint32_t(img.width));
  put32(out, uint32_t(img.height));
  put16(out, 1);
  put16(out, uint32_t(img.bpp));
  put32(out, rle ? (img.bpp == 8 ? 1 : 2) : 0);
  put32(out, uint32_t(bits.size()));
  put32(out, uint32_t((int64_t(img.dpi_x) * 10000 + 127) / 254));
  put32(out, uint32_t((int64_t(img.dpi_y) * 10000 + 127) / 254));
  put32(out, colours);
  put32(out, 0);
  for (uint32_t k = 0; k < colours; ++k) put32(out, k < img.palette.size() ? img.palette[k] : 0);
  out.insert(out.end(), bits.begin(), bits.end());
  return IMG_OK;
}
