// Windows metafiles holding an image ([MS-WMF], Windows Metafile Format): an Aldus placeable
// header, the metafile header, a STRETCHDIB record carrying the packed DIB, and the end record.
// Read: the first record that carries a DIB (STRETCHDIB, DIBSTRETCHBLT, DIBBITBLT or
// SETDIBTODEV), with or without the placeable header; vector drawing records are not drawn.
#include "img_codec.h"

namespace {

constexpr uint32_t kPlaceable = 0x9AC6CDD7u;
constexpr uint16_t kStretchDib = 0x0F43, kDibStretchBlt = 0x0B41, kDibBitBlt = 0x0940, kSetDibToDev = 0x0D33;

// Offset of the metafile header: after the 22-byte placeable header when there is one.
size_t header_at(const uint8_t* d, size_t n) { return n >= 22 && img_le32(d) == kPlaceable ? 22 : 0; }

bool header_ok(const uint8_t* d, size_t n, size_t at) {
  if (n < at + 18) return false;
  uint16_t type = img_le16(d + at), size = img_le16(d + at + 2), version = img_le16(d + at + 4);
  return (type == 1 || type == 2) && size == 9 && (version == 0x0100 || version == 0x0300);
}

}  // namespace

bool wmf_looks_like(const uint8_t* d, size_t n) { return header_ok(d, n, header_at(d, n)); }

int32_t wmf_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  size_t at = header_at(d, n);
  if (!header_ok(d, n, at)) return IMG_ERR_CORRUPT;
  size_t pos = at + 18;
  while (pos + 6 <= n) {
    uint64_t words = img_le32(d + pos);
    uint16_t fn = img_le16(d + pos + 4);
    if (words < 3 || words * 2 > n - pos) return IMG_ERR_CORRUPT;
    size_t len = size_t(words) * 2;
    if (fn == 0) break;  // end of the metafile
    // Parameter words before the DIB: raster operation, then source and destination rectangles
    // (STRETCHDIB also has a usage word; SETDIBTODEV a usage word and scan lines).
    size_t skip = fn == kStretchDib ? 22 : fn == kDibStretchBlt ? 20 : fn == kDibBitBlt ? 16 : fn == kSetDibToDev ? 18 : 0;
    if (skip && len > 6 + skip) {
      const uint8_t* dib = d + pos + 6 + skip;
      size_t dib_size = len - 6 - skip;
      int32_t rc = bmp_read(dib, dib_size, true, img, progress);
      if (rc == IMG_OK) img.dpi_x = img.dpi_y = 0;
      return rc;
    }
    pos += len;
  }
  return IMG_ERR_UNSUPPORTED;  // a metafile of drawing records only
}

int32_t wmf_write(const ImgImage& img, std::vector<uint8_t>& out) {
  if (img.bpp != 1 && img.bpp != 4 && img.bpp != 8 && img.bpp != 24) return IMG_ERR_DEPTH;
  if (img.width > 0x7FFF || img.height > 0x7FFF) return IMG_ERR_TOO_LARGE;
  std::vector<uint8_t> dib;
  int32_t rc = bmp_write(img, false, true, dib);
  if (rc != IMG_OK) return rc;
  size_t record_words = (6 + 22 + dib.size() + 1) / 2;
  if (record_words > 0x7FFFFFFF) return IMG_ERR_TOO_LARGE;
  // The picture's size in the placeable header's logical units: 1440 a inch at the image's
  // resolution, one unit a pixel where it states none.
  int32_t dpi = img.dpi_x > 0 ? img.dpi_x : 0;
  uint32_t inch = dpi ? 1440 : 96;
  int64_t right = dpi ? int64_t(img.width) * 1440 / dpi : img.width;
  int64_t bottom = dpi ? int64_t(img.height) * 1440 / dpi : img.height;
  if (right > 0x7FFF || bottom > 0x7FFF) {  // the header's coordinates are 16-bit
    right = img.width;
    bottom = img.height;
    inch = 96;
  }
  out.clear();
  ImgOut o{out};
  o.le32(kPlaceable);
  o.le16(0);
  o.le16(0);
  o.le16(0);
  o.le16(uint32_t(right));
  o.le16(uint32_t(bottom));
  o.le16(inch);
  o.le32(0);
  uint16_t sum = 0;
  for (size_t i = 0; i < 20; i += 2) sum ^= img_le16(out.data() + i);
  o.le16(sum);
  size_t total_words = 9 + 5 + 5 + record_words + 3;
  o.le16(1);  // the type most writers give, files included
  o.le16(9);
  o.le16(0x0300);
  o.le32(uint32_t(total_words));
  o.le16(0);       // no objects
  o.le32(uint32_t(record_words));
  o.le16(0);
  // Window origin and extent, so a player maps the picture onto its frame.
  o.le32(5); o.le16(0x020B); o.le16(0); o.le16(0);
  o.le32(5); o.le16(0x020C); o.le16(uint32_t(bottom)); o.le16(uint32_t(right));
  o.le32(uint32_t(record_words));
  o.le16(kStretchDib);
  o.le32(0x00CC0020u);  // SRCCOPY
  o.le16(0);            // colours in the DIB's own table
  o.le16(uint32_t(img.height));
  o.le16(uint32_t(img.width));
  o.le16(0);
  o.le16(0);
  o.le16(uint32_t(bottom));
  o.le16(uint32_t(right));
  o.le16(0);
  o.le16(0);
  o.bytes(dib.data(), dib.size());
  if (dib.size() & 1) o.u8(0);
  o.le32(3);
  o.le16(0);
  return IMG_OK;
}
