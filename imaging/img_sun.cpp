// Sun raster files (the rasterfile(5) manual page of SunOS): a 32-byte big-endian header with the
// magic 0x59A66A95, an optional colour map (all reds, then greens, then blues) and rows padded to
// 16 bits, plain or byte-run coded (escape 0x80). Read: 1, 8, 24 and 32 bits per pixel, blue-green-
// red or red-green-blue order; written: 1 (set bits black), 8 (with a colour map) and 24 bits.
#include "img_codec.h"

namespace {

constexpr uint32_t kMagic = 0x59A66A95u;
enum { kOld = 0, kStandard = 1, kByteEncoded = 2, kRgb = 3 };

}  // namespace

bool sun_looks_like(const uint8_t* d, size_t n) { return n >= 32 && img_be32(d) == kMagic; }

int32_t sun_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  if (!sun_looks_like(d, n)) return IMG_ERR_CORRUPT;
  uint32_t w = img_be32(d + 4), h = img_be32(d + 8), depth = img_be32(d + 12);
  uint32_t type = img_be32(d + 20), maptype = img_be32(d + 24), maplen = img_be32(d + 28);
  if (w == 0 || h == 0) return IMG_ERR_CORRUPT;
  if (w > IMG_MAX_DIMENSION || h > IMG_MAX_DIMENSION) return IMG_ERR_TOO_LARGE;
  if (depth != 1 && depth != 8 && depth != 24 && depth != 32) return IMG_ERR_UNSUPPORTED;
  if (type > kRgb || maptype > 1) return IMG_ERR_UNSUPPORTED;
  if (maplen > n - 32) return IMG_ERR_CORRUPT;
  size_t pos = 32;
  std::vector<uint32_t> map;
  if (maptype == 1 && maplen >= 3) {
    size_t count = maplen / 3;
    map.resize(count);
    for (size_t i = 0; i < count; ++i)
      map[i] = uint32_t(d[pos + i]) << 16 | uint32_t(d[pos + count + i]) << 8 | d[pos + 2 * count + i];
  }
  pos += maplen;
  size_t row_bytes = ((size_t(w) * depth + 15) / 16) * 2;
  // The pixels, decoded from the byte runs first when the file is run-coded.
  std::vector<uint8_t> plain;
  const uint8_t* px = d + pos;
  size_t need = row_bytes * h;
  if (type == kByteEncoded) {
    if (need > size_t(IMG_MAX_PIXEL_BYTES)) return IMG_ERR_TOO_LARGE;
    plain.reserve(need);
    size_t i = pos;
    while (plain.size() < need && i < n) {
      uint8_t b = d[i++];
      if (b != 0x80) {
        plain.push_back(b);
        continue;
      }
      if (i >= n) break;
      uint8_t count = d[i++];
      if (count == 0) {
        plain.push_back(0x80);
        continue;
      }
      if (i >= n) break;
      plain.insert(plain.end(), std::min<size_t>(size_t(count) + 1, need - plain.size()), d[i++]);
    }
    if (plain.size() < need) return IMG_ERR_CORRUPT;
    px = plain.data();
  } else if (need > n - pos) {
    return IMG_ERR_CORRUPT;
  }
  int32_t bpp = depth == 1 ? 1 : depth == 8 ? 8 : 24;
  int32_t rc = img_create(img, int32_t(w), int32_t(h), bpp);
  if (rc != IMG_OK) return rc;
  if (bpp == 1) {
    img.palette = map.size() >= 2 ? std::vector<uint32_t>{map[0], map[1]} : std::vector<uint32_t>{0xFFFFFFu, 0};
  } else if (bpp == 8) {
    img.palette = map.empty() ? img_grey_palette(8) : map;
    img.palette.resize(256, 0);
  }
  ImgProgressSteps steps(progress, h);
  for (uint32_t y = 0; y < h; ++y) {
    steps.Advance(y + 1);
    const uint8_t* r = px + size_t(y) * row_bytes;
    uint8_t* o = img.row(int32_t(y));
    if (bpp <= 8) {
      std::memcpy(o, r, std::min(row_bytes, img.stride));
      continue;
    }
    size_t step = depth / 8;
    for (uint32_t x = 0; x < w; ++x) {
      const uint8_t* p = r + size_t(x) * step + (depth == 32 ? 1 : 0);  // 32 bits: a pad byte first
      uint8_t* q = o + 3 * size_t(x);
      if (type == kRgb) {
        q[0] = p[2]; q[1] = p[1]; q[2] = p[0];
      } else {
        q[0] = p[0]; q[1] = p[1]; q[2] = p[2];
      }
    }
  }
  return IMG_OK;
}

int32_t sun_write(const ImgImage& img, std::vector<uint8_t>& out) {
  if (img.bpp != 1 && img.bpp != 8 && img.bpp != 24) return IMG_ERR_DEPTH;
  ImgImage scratch;
  const ImgImage& src = img.bpp == 1 ? img_bitonal_ink_is_one(img, scratch) : img;
  size_t row_bytes = ((size_t(src.width) * size_t(src.bpp) + 15) / 16) * 2;
  out.clear();
  ImgOut o{out};
  o.be32(kMagic);
  o.be32(uint32_t(src.width));
  o.be32(uint32_t(src.height));
  o.be32(uint32_t(src.bpp));
  o.be32(uint32_t(row_bytes * size_t(src.height)));
  o.be32(kStandard);
  o.be32(src.bpp == 8 ? 1 : 0);
  o.be32(src.bpp == 8 ? 768 : 0);
  if (src.bpp == 8)
    for (int shift : {16, 8, 0})
      for (size_t i = 0; i < 256; ++i) o.u8(i < src.palette.size() ? src.palette[i] >> shift : 0);
  for (int32_t y = 0; y < src.height; ++y) {
    const uint8_t* r = src.row(y);
    size_t used = (size_t(src.width) * size_t(src.bpp) + 7) / 8;
    o.bytes(r, used);
    o.fill(0, row_bytes - used);
  }
  return IMG_OK;
}
