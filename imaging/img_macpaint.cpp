// MacPaint documents (Apple Technical Note #86, "MacPaint Document Format"): a 512-byte header
// (version and 38 fill patterns) and 720 rows of 576 pixels, each row PackBits-coded on its own,
// set bits black; often behind a 128-byte MacBinary header, which is skipped. Written without
// MacBinary; an image larger than the fixed page is refused rather than cut, a smaller one is
// placed at the top left of a white page.
#include "img_codec.h"

namespace {

constexpr int32_t kWidth = 576, kHeight = 720;
constexpr size_t kRowBytes = 72, kHeader = 512, kMacBinary = 128;

bool has_macbinary(const uint8_t* d, size_t n) {
  return n > kMacBinary + kHeader && d[0] == 0 && d[1] >= 1 && d[1] <= 63 &&
         std::memcmp(d + 65, "PNTG", 4) == 0;
}

// True when 720 rows decode from the body at off.
bool decodes(const uint8_t* d, size_t n, size_t off) {
  if (n < off + kHeader) return false;
  size_t pos = off + kHeader;
  uint8_t row[kRowBytes];
  for (int32_t y = 0; y < kHeight; ++y)
    if (!img_packbits_decode(d, n, pos, row, kRowBytes)) return false;
  return true;
}

}  // namespace

bool macpaint_looks_like(const uint8_t* d, size_t n) {
  if (has_macbinary(d, n)) return true;
  // No magic number: the version word (0, 2 or 3) and a body of exactly 720 rows decide.
  if (n < kHeader + kHeight || d[0] || d[1] || d[2] || (d[3] != 0 && d[3] != 2 && d[3] != 3)) return false;
  return decodes(d, n, 0);
}

int32_t macpaint_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  size_t off = has_macbinary(d, n) ? kMacBinary : 0;
  if (n < off + kHeader) return IMG_ERR_CORRUPT;
  int32_t rc = img_create(img, kWidth, kHeight, 1);
  if (rc != IMG_OK) return rc;
  size_t pos = off + kHeader;
  ImgProgressSteps steps(progress, kHeight);
  for (int32_t y = 0; y < kHeight; ++y) {
    steps.Advance(y + 1);
    if (!img_packbits_decode(d, n, pos, img.row(y), kRowBytes)) {
      img = ImgImage();
      return IMG_ERR_CORRUPT;
    }
  }
  img.dpi_x = img.dpi_y = 72;
  return IMG_OK;
}

int32_t macpaint_write(const ImgImage& img, std::vector<uint8_t>& out) {
  if (img.bpp != 1) return IMG_ERR_DEPTH;
  if (img.width > kWidth || img.height > kHeight) return IMG_ERR_TOO_LARGE;
  ImgImage scratch;
  const ImgImage& src = img_bitonal_ink_is_one(img, scratch);
  out.clear();
  ImgOut o{out};
  o.be32(2);
  o.fill(0xFF, 38 * 8);  // black fill patterns, unused by a viewer
  o.fill(0, kHeader - 4 - 38 * 8);
  uint8_t row[kRowBytes];
  size_t used = (size_t(src.width) + 7) / 8;
  for (int32_t y = 0; y < kHeight; ++y) {
    std::memset(row, 0, sizeof row);
    if (y < src.height) {
      std::memcpy(row, src.row(y), used);
      if (src.width & 7) row[used - 1] &= uint8_t(0xFF << (8 - (src.width & 7)));
    }
    img_packbits_encode(row, kRowBytes, out);
  }
  return IMG_OK;
}
