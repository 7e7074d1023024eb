// Windows icons (the ICO resource file layout Microsoft documents for icon resources): a
// directory of images, each a packed DIB whose height counts the colour bits and the 1-bit
// transparency mask, or a PNG. The largest and deepest image is read. Written: one image of 1 or 4
// bits per pixel, fully opaque; images larger than the format's 256 x 256 are refused.
#include "img_codec.h"

namespace {

constexpr size_t kDirEntry = 16;

}  // namespace

bool ico_looks_like(const uint8_t* d, size_t n) {
  if (n < 6 + kDirEntry || img_le16(d) != 0 || img_le16(d + 2) != 1) return false;
  size_t count = img_le16(d + 4);
  if (count == 0 || 6 + count * kDirEntry > n) return false;
  uint32_t size = img_le32(d + 6 + 8), off = img_le32(d + 6 + 12);
  return off >= 6 + count * kDirEntry && off < n && size >= 40 && d[6 + 3] == 0;
}

int32_t ico_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  if (!ico_looks_like(d, n)) return IMG_ERR_CORRUPT;
  size_t count = img_le16(d + 4);
  size_t best = count;
  uint64_t best_score = 0;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = d + 6 + i * kDirEntry;
    uint32_t size = img_le32(e + 8), off = img_le32(e + 12);
    if (off >= n || size > n - off || size < 40) continue;
    uint64_t w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
    uint64_t score = (w * h) << 8 | img_le16(e + 6);
    if (best == count || score > best_score) {
      best = i;
      best_score = score;
    }
  }
  if (best == count) return IMG_ERR_CORRUPT;
  const uint8_t* e = d + 6 + best * kDirEntry;
  const uint8_t* p = d + img_le32(e + 12);
  size_t size = img_le32(e + 8);
  if (size >= 8 && std::memcmp(p, "\x89PNG\r\n\x1A\n", 8) == 0) return png_read(p, size, img, progress);
  if (img_le32(p) != 40) return IMG_ERR_UNSUPPORTED;
  // The header's height counts the colour bits and the mask; the DIB reader is given only the
  // colour bits.
  std::vector<uint8_t> dib(p, p + size);
  int32_t h = int32_t(img_le32(p + 8));
  if (h <= 1 || (h & 1)) return IMG_ERR_CORRUPT;
  uint32_t half = uint32_t(h / 2);
  for (int k = 0; k < 4; ++k) dib[8 + size_t(k)] = uint8_t(half >> (8 * k));
  dib[20] = dib[21] = dib[22] = dib[23] = 0;  // the stored image size includes the mask
  return bmp_read(dib.data(), dib.size(), true, img, progress);
}

int32_t ico_write(const ImgImage& img, std::vector<uint8_t>& out) {
  if (img.bpp != 1 && img.bpp != 4) return IMG_ERR_DEPTH;
  if (img.width > 256 || img.height > 256) return IMG_ERR_TOO_LARGE;
  std::vector<uint8_t> dib;
  ImgImage plain = img;
  plain.dpi_x = plain.dpi_y = 0;
  int32_t rc = bmp_write(plain, false, true, dib);
  if (rc != IMG_OK) return rc;
  uint32_t doubled = uint32_t(img.height) * 2;
  for (int k = 0; k < 4; ++k) dib[8 + size_t(k)] = uint8_t(doubled >> (8 * k));
  size_t mask_row = ((size_t(img.width) + 31) / 32) * 4;
  size_t mask = mask_row * size_t(img.height);
  uint32_t image_size = uint32_t(dib.size() - 40 - (size_t(4) << img.bpp) + mask);
  for (int k = 0; k < 4; ++k) dib[20 + size_t(k)] = uint8_t(image_size >> (8 * k));
  dib.insert(dib.end(), mask, 0);  // every pixel opaque
  out.clear();
  ImgOut o{out};
  o.le16(0);
  o.le16(1);
  o.le16(1);
  o.u8(img.width == 256 ? 0 : uint32_t(img.width));
  o.u8(img.height == 256 ? 0 : uint32_t(img.height));
  o.u8(1u << img.bpp);
  o.u8(0);
  o.le16(1);
  o.le16(uint32_t(img.bpp));
  o.le32(uint32_t(dib.size()));
  o.le32(6 + kDirEntry);
  o.bytes(dib.data(), dib.size());
  return IMG_OK;
}
