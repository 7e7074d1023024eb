// The formats the library reads but does not write: Dr. Halo CUT files made by hand from the
// format's codes, and Photo CD image packs made by the test (their base image's YCC values and
// orientation). ImageMagick's Photo CD files are no oracle: its writer does not scale luma as
// Kodak's matrix does, and its own reading of them does not give the written picture back.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "img_core.h"
#include "img_fixture.h"

namespace {

// A CUT file of 5 by 3 pixels: row 0 a run of four 7s and a literal 9; row 1 five literals;
// row 2 a run of five 200s.
const std::vector<uint8_t> kCut = {
    5, 0, 3, 0, 0, 0,                 // width, height, reserved
    5, 0, 0x84, 7, 0x01, 9, 0,        // row 0: 5 coded bytes
    7, 0, 0x05, 1, 2, 3, 4, 5, 0,     // row 1
    3, 0, 0x85, 200, 0,               // row 2
};

TEST(ImgCut, ReadsRowsOfRunsAndLiterals) {
  ASSERT_EQ(img_probe_memory(kCut.data(), kCut.size()), IMG_FMT_CUT);
  ImgImage img;
  ASSERT_EQ(img_load_memory(kCut.data(), kCut.size(), 0, img, nullptr), IMG_OK);
  ASSERT_EQ(img.width, 5);
  ASSERT_EQ(img.height, 3);
  ASSERT_EQ(img.bpp, 8);
  const uint32_t rows[3][5] = {{7, 7, 7, 7, 9}, {1, 2, 3, 4, 5}, {200, 200, 200, 200, 200}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(imgtest::Pixel(img, x, y), rows[y][x]) << x << "," << y;
  // Without its .PAL file the indices are grey levels.
  EXPECT_EQ(img.palette[200], 0xC8C8C8u);
  for (size_t cut = 6; cut < kCut.size(); ++cut)
    EXPECT_LT(img_load_memory(kCut.data(), cut, 0, img, nullptr), 0) << cut;
}

TEST(ImgCut, RowsThatDoNotFillTheWidthAreNoCut) {
  std::vector<uint8_t> shortRow = kCut;
  shortRow[8] = 0x83;  // row 0 now decodes to four pixels
  EXPECT_NE(img_probe_memory(shortRow.data(), shortRow.size()), IMG_FMT_CUT);
  std::vector<uint8_t> longRow = kCut;
  longRow[8] = 0x86;  // six pixels
  EXPECT_NE(img_probe_memory(longRow.data(), longRow.size()), IMG_FMT_CUT);
  // A row past the ones the probe looks at that breaks is a damaged file, not a picture with
  // garbage at its foot.
  std::vector<uint8_t> tall = {5, 0, 10, 0, 0, 0};
  for (int y = 0; y < 10; ++y) tall.insert(tall.end(), {3, 0, 0x85, uint8_t(y), 0});
  ImgImage img;
  ASSERT_EQ(img_probe_memory(tall.data(), tall.size()), IMG_FMT_CUT);
  tall[tall.size() - 3] = 0x86;
  EXPECT_EQ(img_load_memory(tall.data(), tall.size(), 0, img, nullptr), IMG_ERR_CORRUPT);
}

// A Photo CD image pack of the size of a real one with a flat base image of one YCC colour, the
// left half's chroma pair different from the right's.
std::vector<uint8_t> PhotoCd(uint8_t luma, uint8_t c1Left, uint8_t c2Left, uint8_t c1Right,
                             uint8_t c2Right, uint8_t orientation) {
  std::vector<uint8_t> file(0x30000 + 768 * 512 * 3 / 2, 0);
  std::memcpy(file.data() + 0x800, "PCD_IPI", 7);
  file[0x0E02] = orientation;
  uint8_t* p = file.data() + 0x30000;
  for (int pair = 0; pair < 256; ++pair) {
    std::memset(p, luma, 2 * 768);
    for (int x = 0; x < 384; ++x) {
      p[2 * 768 + x] = x < 192 ? c1Left : c1Right;
      p[2 * 768 + 384 + x] = x < 192 ? c2Left : c2Right;
    }
    p += 3 * 768;
  }
  return file;
}

uint32_t Rgb(double r, double g, double b) {
  auto c = [](double v) { return uint32_t(v < 0 ? 0 : v > 255 ? 255 : v + 0.5); };
  return c(r) << 16 | c(g) << 8 | c(b);
}

TEST(ImgPhotoCd, BaseImageThroughKodaksMatrix) {
  // Neutral chroma (156, 137) is grey; luma 100 is 135.84.
  std::vector<uint8_t> file = PhotoCd(100, 156, 137, 200, 100, 0);
  ASSERT_EQ(img_probe_memory(file.data(), file.size()), IMG_FMT_PCD);
  ImgImage img;
  ASSERT_EQ(img_load_memory(file.data(), file.size(), 0, img, nullptr), IMG_OK);
  ASSERT_EQ(img.width, 768);
  ASSERT_EQ(img.height, 512);
  EXPECT_EQ(imgtest::Pixel(img, 10, 10), Rgb(135.84, 135.84, 135.84));
  double a = 2.2179 * (200 - 156), b = 1.8215 * (100 - 137);
  EXPECT_EQ(imgtest::Pixel(img, 700, 500), Rgb(135.84 + b, 135.84 - 0.194 * a - 0.509 * b, 135.84 + a));
}

TEST(ImgPhotoCd, OrientationTurnsThePicture) {
  // Left half neutral, right half coloured: after a quarter turn counter-clockwise the coloured
  // half is on top.
  std::vector<uint8_t> file = PhotoCd(100, 156, 137, 200, 100, 1);
  ImgImage img;
  ASSERT_EQ(img_load_memory(file.data(), file.size(), 0, img, nullptr), IMG_OK);
  ASSERT_EQ(img.width, 512);
  ASSERT_EQ(img.height, 768);
  EXPECT_NE(imgtest::Pixel(img, 10, 10), Rgb(135.84, 135.84, 135.84));
  EXPECT_EQ(imgtest::Pixel(img, 10, 700), Rgb(135.84, 135.84, 135.84));
}

TEST(ImgPhotoCd, TruncatedPacksFail) {
  std::vector<uint8_t> file = PhotoCd(100, 156, 137, 156, 137, 0);
  ImgImage img;
  for (size_t len : {size_t(0x807), size_t(0x30000), file.size() - 1})
    EXPECT_EQ(img_load_memory(file.data(), len, 0, img, nullptr), IMG_ERR_CORRUPT) << len;
}

}  // namespace
