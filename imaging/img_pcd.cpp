// Kodak Photo CD image packs, base resolution only (the layout Kodak described for Photo CD
// developers, as the Encyclopedia of Graphics File Formats and the hpcdtoppm notes retell it): the
// signature "PCD_IPI" at byte 2048, the orientation in the low two bits of byte 0x0E02 (turns of
// 90 degrees counter-clockwise the picture needs), and the 768 by 512 base image at byte 0x30000
// as PhotoYCC with chroma halved both ways: for each pair of rows 768 luma bytes of each row, then
// 384 bytes of C1 and 384 of C2. PhotoYCC becomes RGB by Kodak's published matrix. The larger
// resolutions, which are Huffman-coded differences, are not read; overview packs are refused.
#include "img_codec.h"

#include <cmath>

namespace {

constexpr size_t kSignature = 0x800;
constexpr size_t kOrientation = 0x0E02;
constexpr size_t kBase = 0x30000;
constexpr int32_t kWidth = 768, kHeight = 512;
constexpr size_t kBaseBytes = size_t(kWidth) * kHeight * 3 / 2;

uint8_t clamp(double v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : std::lround(v)); }

}  // namespace

bool pcd_looks_like(const uint8_t* d, size_t n) {
  return n >= kSignature + 7 && std::memcmp(d + kSignature, "PCD_IPI", 7) == 0;
}

int32_t pcd_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  if (!pcd_looks_like(d, n)) return IMG_ERR_CORRUPT;
  if (n < kBase + kBaseBytes) return IMG_ERR_CORRUPT;
  int32_t rc = img_create(img, kWidth, kHeight, 24);
  if (rc != IMG_OK) return rc;
  ImgProgressSteps steps(progress, kHeight);
  const uint8_t* p = d + kBase;
  for (int32_t y = 0; y < kHeight; y += 2) {
    const uint8_t* luma[2] = {p, p + kWidth};
    const uint8_t* c1 = p + 2 * kWidth;
    const uint8_t* c2 = c1 + kWidth / 2;
    for (int k = 0; k < 2; ++k) {
      uint8_t* o = img.row(y + k);
      for (int32_t x = 0; x < kWidth; ++x) {
        double l = 1.3584 * luma[k][x];
        double a = 2.2179 * (double(c1[x / 2]) - 156.0);
        double b = 1.8215 * (double(c2[x / 2]) - 137.0);
        o[3 * x] = clamp(l + a);                        // blue
        o[3 * x + 1] = clamp(l - 0.194 * a - 0.509 * b);  // green
        o[3 * x + 2] = clamp(l + b);                    // red
      }
    }
    p += 3 * kWidth;
    steps.Advance(y + 2);
  }
  switch (d[kOrientation] & 3) {
    case 1: rc = img_rotate(img, 27000); break;  // a quarter turn counter-clockwise
    case 2: rc = img_rotate(img, 18000); break;
    case 3: rc = img_rotate(img, 9000); break;
    default: break;
  }
  if (rc != IMG_OK) img = ImgImage();
  return rc;
}
