// Rotation, mirroring, inversion, resizing, depth reduction and regions against per-pixel
// references, at every depth and at widths that leave pad bits in bitonal rows.
#include <gtest/gtest.h>

#include <string>

#include "img_core.h"
#include "img_fixture.h"

namespace {

using imgtest::Pixel;

struct Shape {
  int32_t bpp, w, h;
};

const Shape kShapes[] = {
    {1, 37, 23}, {1, 64, 16}, {1, 13, 70}, {1, 8, 8}, {4, 11, 7}, {8, 10, 13}, {24, 9, 5}, {32, 6, 11},
};

ImgImage Source(const Shape& s) {
  ImgImage img = s.bpp == 1 ? imgtest::Drawing(s.w, s.h) : imgtest::Pattern(s.w, s.h, s.bpp);
  img.dpi_x = 200;
  img.dpi_y = 300;
  return img;
}

class ImgOps : public ::testing::TestWithParam<Shape> {};

TEST_P(ImgOps, QuarterTurnsMatchTheReference) {
  const ImgImage src = Source(GetParam());
  const int32_t W = src.width, H = src.height;
  struct Turn {
    int32_t angle;
    bool side;  // width and height exchanged
  } turns[] = {{9000, true}, {18000, false}, {27000, true}, {-9000, true}, {36000, false}, {45000, true}};
  for (const Turn& t : turns) {
    ImgImage img = src;
    ASSERT_EQ(img_rotate(img, t.angle), IMG_OK);
    ASSERT_EQ(img.width, t.side ? H : W) << t.angle;
    ASSERT_EQ(img.height, t.side ? W : H) << t.angle;
    EXPECT_EQ(img.dpi_x, t.side ? 300 : 200);
    EXPECT_EQ(img.region.w, img.width);
    int32_t a = ((t.angle % 36000) + 36000) % 36000;
    for (int32_t y = 0; y < img.height; ++y)
      for (int32_t x = 0; x < img.width; ++x) {
        uint32_t expected = a == 9000    ? Pixel(src, y, H - 1 - x)   // clockwise
                            : a == 18000 ? Pixel(src, W - 1 - x, H - 1 - y)
                            : a == 27000 ? Pixel(src, W - 1 - y, x)
                                         : Pixel(src, x, y);
        ASSERT_EQ(Pixel(img, x, y), expected) << "angle " << t.angle << " at " << x << "," << y;
      }
  }
}

TEST_P(ImgOps, MirrorsMatchTheReference) {
  const ImgImage src = Source(GetParam());
  ImgImage mx = src, my = src;
  ASSERT_EQ(img_mirror_x(mx), IMG_OK);
  ASSERT_EQ(img_mirror_y(my), IMG_OK);
  for (int32_t y = 0; y < src.height; ++y)
    for (int32_t x = 0; x < src.width; ++x) {
      ASSERT_EQ(Pixel(mx, x, y), Pixel(src, src.width - 1 - x, y)) << x << "," << y;
      ASSERT_EQ(Pixel(my, x, y), Pixel(src, x, src.height - 1 - y)) << x << "," << y;
    }
}

TEST_P(ImgOps, InvertShowsEveryColourInverted) {
  const ImgImage src = Source(GetParam());
  ImgImage img = src;
  ASSERT_EQ(img_invert(img), IMG_OK);
  for (int32_t y = 0; y < src.height; ++y)
    for (int32_t x = 0; x < src.width; ++x) {
      uint32_t a = src.bpp <= 8 ? src.palette[Pixel(src, x, y)] : Pixel(src, x, y);
      uint32_t b = img.bpp <= 8 ? img.palette[Pixel(img, x, y)] : Pixel(img, x, y);
      ASSERT_EQ(b, ~a & 0xFFFFFFu) << x << "," << y;
    }
}

TEST_P(ImgOps, ResizeSamplesTheNearestPixelAndKeepsThePhysicalSize) {
  const ImgImage src = Source(GetParam());
  ImgImage img = src;
  ASSERT_EQ(img_resize(img, src.width * 2, src.height * 3), IMG_OK);
  EXPECT_EQ(img.dpi_x, 400);
  EXPECT_EQ(img.dpi_y, 900);
  for (int32_t y = 0; y < img.height; ++y)
    for (int32_t x = 0; x < img.width; ++x) ASSERT_EQ(Pixel(img, x, y), Pixel(src, x / 2, y / 3));
  EXPECT_EQ(img_resize(img, 0, 5), IMG_ERR_ARGUMENT);
}

TEST_P(ImgOps, CropAtAnyOffsetKeepsThePixels) {
  const ImgImage src = Source(GetParam());
  for (int32_t x0 = 0; x0 < 9 && x0 < src.width - 1; ++x0) {
    ImgRect r{x0, 1, src.width - x0 - 1, src.height - 2};
    ImgImage part;
    ASSERT_EQ(img_crop(src, r, part), IMG_OK);
    for (int32_t y = 0; y < r.h; ++y)
      for (int32_t x = 0; x < r.w; ++x) ASSERT_EQ(Pixel(part, x, y), Pixel(src, r.x + x, r.y + y));
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, ImgOps, ::testing::ValuesIn(kShapes),
                         [](const ::testing::TestParamInfo<Shape>& i) {
                           return std::to_string(i.param.bpp) + "bpp_" + std::to_string(i.param.w) + "x" +
                                  std::to_string(i.param.h);
                         });

TEST(ImgRotate, FreeAngleGrowsTheCanvasWithWhiteCorners) {
  ImgImage img = imgtest::Drawing(100, 60);
  ASSERT_EQ(img_rotate(img, 4500), IMG_OK);
  // 100 x 60 turned by 45 degrees needs (100 + 60) / sqrt(2) in both directions.
  EXPECT_EQ(img.width, 114);
  EXPECT_EQ(img.height, 114);
  EXPECT_EQ(img.palette[Pixel(img, 0, 0)], 0xFFFFFFu);
  EXPECT_EQ(img.palette[Pixel(img, img.width - 1, img.height - 1)], 0xFFFFFFu);
  ImgImage colour = imgtest::Pattern(20, 20, 24);
  ASSERT_EQ(img_rotate(colour, 3000), IMG_OK);
  EXPECT_EQ(Pixel(colour, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(Pixel(colour, colour.width / 2, colour.height / 2), Pixel(imgtest::Pattern(20, 20, 24), 10, 10));
}

TEST(ImgRotate, FreeAngleKeepsTheSheetsInk) {
  // A 30 degree turn of a line drawing keeps about as much ink (nearest-pixel resampling).
  ImgImage src = imgtest::Drawing(200, 150), img = src;
  ASSERT_EQ(img_rotate(img, 3000), IMG_OK);
  auto ink = [](const ImgImage& i) {
    long n = 0;
    for (int32_t y = 0; y < i.height; ++y)
      for (int32_t x = 0; x < i.width; ++x) n += Pixel(i, x, y);
    return n;
  };
  EXPECT_NEAR(double(ink(img)), double(ink(src)), ink(src) * 0.2);
}

TEST(ImgOps, ShrinkingABitonalSheetKeepsThinLines) {
  // Fitting a sheet to smaller paper: one-pixel lines must not fall between sampled rows.
  for (bool ink_is_zero : {false, true}) {
    ImgImage img;
    ASSERT_EQ(img_create(img, 300, 200, 1), IMG_OK);
    if (ink_is_zero) img.palette = {0x000000u, 0xFFFFFFu};
    for (int32_t y = 0; y < 200; ++y)
      for (int32_t x = 0; x < 300; ++x) imgtest::SetPixel(img, x, y, (x == 151 || y == 77) != ink_is_zero);
    ASSERT_EQ(img_resize(img, 210, 140), IMG_OK);
    const uint32_t ink = ink_is_zero ? 0 : 1;
    // The reduced pixel whose span of source pixels holds the line.
    auto under = [](int32_t src, int32_t from, int32_t to) {
      int32_t d = 0;
      while ((d + 1) * from / to <= src) ++d;
      return d;
    };
    int32_t col = under(151, 300, 210), row = under(77, 200, 140);
    for (int32_t y = 0; y < 140; ++y) EXPECT_EQ(Pixel(img, col, y), ink) << y;
    for (int32_t x = 0; x < 210; ++x) EXPECT_EQ(Pixel(img, x, row), ink) << x;
    EXPECT_NE(Pixel(img, 5, 5), ink);
  }
}

TEST(ImgOps, ReduceTo24KeepsTheColoursAndTheRegion) {
  ImgImage src = imgtest::Pattern(9, 7, 32), img = src;
  ASSERT_EQ(img_set_region(img, ImgRect{1, 1, 3, 3}), IMG_OK);
  ASSERT_EQ(img_reduce_to_24(img), IMG_OK);
  EXPECT_EQ(img.bpp, 24);
  EXPECT_EQ(imgtest::SameColours(src, img), "");
  EXPECT_EQ(img.region.w, 3);
}

TEST(ImgOps, RegionsAreClippedToTheImage) {
  ImgImage img = imgtest::Drawing(40, 30);
  struct Case {
    ImgRect in;
    int32_t rc;
    ImgRect out;
  } cases[] = {
      {{0, 0, 40, 30}, IMG_OK, {0, 0, 40, 30}},     {{-5, -5, 20, 20}, IMG_OK, {0, 0, 15, 15}},
      {{30, 20, 100, 100}, IMG_OK, {30, 20, 10, 10}}, {{40, 0, 5, 5}, IMG_ERR_ARGUMENT, {}},
      {{0, 0, 0, 10}, IMG_ERR_ARGUMENT, {}},         {{5, 5, -3, 4}, IMG_ERR_ARGUMENT, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(img_set_region(img, c.in), c.rc);
    if (c.rc == IMG_OK) {
      EXPECT_EQ(img.region.x, c.out.x);
      EXPECT_EQ(img.region.y, c.out.y);
      EXPECT_EQ(img.region.w, c.out.w);
      EXPECT_EQ(img.region.h, c.out.h);
    }
  }
  ImgImage empty;
  EXPECT_EQ(img_rotate(empty, 9000), IMG_ERR_NO_IMAGE);
  EXPECT_EQ(img_invert(empty), IMG_ERR_NO_IMAGE);
}

}  // namespace
