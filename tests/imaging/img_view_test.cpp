// The reduced-view renderer: what each display mode makes of thin lines, that a clipped render is
// the matching part of the full one, enlargement, palette images and argument errors.
#include <gtest/gtest.h>

#include "img_core.h"
#include "img_fixture.h"

namespace {

// An 800 x 800 white sheet with one vertical and one horizontal line, one pixel wide.
ImgImage ThinLines() {
  ImgImage img;
  img_create(img, 800, 800, 1);
  for (int32_t i = 0; i < 800; ++i) {
    imgtest::SetPixel(img, 403, i, 1);
    imgtest::SetPixel(img, i, 211, 1);
  }
  return img;
}

uint8_t At(const ImgViewBuffer& v, int32_t x, int32_t y) { return v.pixels[size_t(y) * v.stride + size_t(x)]; }

TEST(ImgView, ThinLinesSurviveAnEightfoldReductionInAliasModeAndTurnGrey) {
  ImgImage img = ThinLines();
  const ImgRect all{0, 0, 800, 800};
  ImgViewBuffer alias, grey, quick;
  ASSERT_EQ(img_render_view(img, all, 100, 100, all, IMG_VIEW_ALIAS, alias), IMG_OK);
  ASSERT_EQ(img_render_view(img, all, 100, 100, ImgRect{0, 0, 100, 100}, IMG_VIEW_GREY, grey), IMG_OK);
  ASSERT_EQ(img_render_view(img, all, 100, 100, all, IMG_VIEW_QUICK, quick), IMG_OK);
  ASSERT_EQ(alias.width, 100);
  ASSERT_EQ(alias.bpp, 8);
  for (int32_t i = 0; i < 100; ++i) {
    EXPECT_EQ(alias.palette[At(alias, 50, i)], 0x000000u) << "vertical line, row " << i;
    EXPECT_EQ(alias.palette[At(alias, i, 26)], 0x000000u) << "horizontal line, column " << i;
    if (i != 26) {
      EXPECT_EQ(alias.palette[At(alias, 49, i)], 0xFFFFFFu);
    }
  }
  // One ink pixel in eight: a light grey, never white or black.
  for (int32_t i = 0; i < 100; ++i) {
    if (i == 26) continue;
    uint32_t c = grey.palette[At(grey, 50, i)];
    EXPECT_EQ(c & 255, 255u - 32u) << "row " << i;
    EXPECT_EQ(c, (c & 255) * 0x010101u);
  }
  // Nearest-pixel sampling picks pixel 8k + 4: the line at 403 is not among them.
  for (int32_t i = 0; i < 100; ++i) EXPECT_EQ(quick.palette[At(quick, 50, i)], 0xFFFFFFu);
}

TEST(ImgView, InkIsTheDarkerEntryWhateverItsIndex) {
  // As 1-bit BMP files have it: index 0 black ink on index 1 white paper.
  ImgImage img;
  ASSERT_EQ(img_create(img, 800, 800, 1), IMG_OK);
  img.palette = {0x000000u, 0xFFFFFFu};
  for (int32_t y = 0; y < 800; ++y)
    for (int32_t x = 0; x < 800; ++x) imgtest::SetPixel(img, x, y, x == 403 ? 0 : 1);
  const ImgRect all{0, 0, 800, 800};
  ImgViewBuffer alias, grey;
  ASSERT_EQ(img_render_view(img, all, 100, 100, all, IMG_VIEW_ALIAS, alias), IMG_OK);
  ASSERT_EQ(img_render_view(img, all, 100, 100, all, IMG_VIEW_GREY, grey), IMG_OK);
  EXPECT_EQ(alias.palette[At(alias, 50, 10)], 0x000000u);
  EXPECT_EQ(alias.palette[At(alias, 10, 10)], 0xFFFFFFu);
  EXPECT_EQ(grey.palette[At(grey, 50, 10)], 0xDFDFDFu);
  EXPECT_EQ(grey.palette[At(grey, 10, 10)], 0xFFFFFFu);
}

// Every reduced pixel against a count over its source pixels: the pixels from x * 203 / w up to
// (x + 1) * 203 / w (and likewise down), so each source pixel falls under exactly one view pixel.
TEST(ImgView, ReducedPixelsShowTheShareOfInkUnderThem) {
  ImgImage img = imgtest::Drawing(203, 150);
  img.palette = {0x000000u, 0xFFFFFFu};  // ink is index 0 here: counting zeros must work too
  for (int32_t mode : {IMG_VIEW_ALIAS, IMG_VIEW_GREY})
    for (int32_t w : {31, 3}) {  // spans of 6 to 7 pixels, and of 67, wider than one 64-bit load
      const int32_t h = w * 150 / 203 + 1;
      ImgViewBuffer v;
      ASSERT_EQ(img_render_view(img, ImgRect{0, 0, 203, 150}, w, h, ImgRect{0, 0, w, h}, mode, v), IMG_OK);
      for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
          int32_t ink = 0, area = 0;
          for (int32_t sy = y * 150 / h; sy < (y + 1) * 150 / h; ++sy)
            for (int32_t sx = x * 203 / w; sx < (x + 1) * 203 / w; ++sx, ++area) ink += imgtest::Pixel(img, sx, sy) == 0;
          int expected = mode == IMG_VIEW_ALIAS ? (ink ? 255 : 0) : (ink * 255 + area / 2) / area;
          ASSERT_EQ(At(v, x, y), expected) << "mode " << mode << " width " << w << " at " << x << "," << y;
        }
    }
}

struct ClipCase {
  int32_t mode;
  int32_t bpp;
  int32_t dst_w, dst_h;  // destination size for a 120 x 90 source region
};

const ClipCase kClips[] = {
    {IMG_VIEW_QUICK, 1, 31, 23}, {IMG_VIEW_ALIAS, 1, 31, 23}, {IMG_VIEW_GREY, 1, 31, 23},
    {IMG_VIEW_GREY, 1, 500, 410}, {IMG_VIEW_QUICK, 8, 40, 30}, {IMG_VIEW_GREY, 8, 40, 30},
    {IMG_VIEW_GREY, 24, 17, 60},  {IMG_VIEW_QUICK, 32, 300, 200}, {IMG_VIEW_ALIAS, 4, 50, 50},
    {IMG_VIEW_GREY, 1, 2, 2},     {IMG_VIEW_ALIAS, 1, 120, 90},
};

class ImgViewClip : public ::testing::TestWithParam<ClipCase> {};

TEST_P(ImgViewClip, AClippedRenderIsThatPartOfTheFullRender) {
  const ClipCase& c = GetParam();
  ImgImage img = c.bpp == 1 ? imgtest::Drawing(203, 150) : imgtest::Pattern(203, 150, c.bpp);
  const ImgRect src{41, 17, 120, 90};
  ImgViewBuffer full, part;
  ASSERT_EQ(img_render_view(img, src, c.dst_w, c.dst_h, ImgRect{0, 0, c.dst_w, c.dst_h}, c.mode, full), IMG_OK);
  const ImgRect clip{c.dst_w / 3, c.dst_h / 4, c.dst_w / 2, c.dst_h / 2};
  ASSERT_EQ(img_render_view(img, src, c.dst_w, c.dst_h, clip, c.mode, part), IMG_OK);
  ASSERT_EQ(part.width, clip.w);
  ASSERT_EQ(part.height, clip.h);
  ASSERT_EQ(part.bpp, full.bpp);
  const size_t px = size_t(full.bpp / 8);
  for (int32_t y = 0; y < clip.h; ++y)
    for (int32_t x = 0; x < clip.w; ++x)
      for (size_t k = 0; k < px; ++k)
        ASSERT_EQ(part.pixels[size_t(y) * part.stride + size_t(x) * px + k],
                  full.pixels[size_t(clip.y + y) * full.stride + size_t(clip.x + x) * px + k])
            << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Modes, ImgViewClip, ::testing::ValuesIn(kClips));

TEST(ImgView, EnlargementRepeatsEachPixel) {
  ImgImage img = imgtest::Pattern(10, 10, 8);
  ImgViewBuffer v;
  ASSERT_EQ(img_render_view(img, ImgRect{2, 3, 5, 4}, 20, 16, ImgRect{0, 0, 20, 16}, IMG_VIEW_GREY, v), IMG_OK);
  ASSERT_EQ(v.bpp, 24);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 20; ++x) {
      uint32_t expected = img.palette[imgtest::Pixel(img, 2 + x / 4, 3 + y / 4)];
      const uint8_t* p = &v.pixels[size_t(y) * v.stride + size_t(x) * 3];
      ASSERT_EQ(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16, expected) << x << "," << y;
    }
}

TEST(ImgView, BadArgumentsAreErrors) {
  ImgImage img = imgtest::Drawing(50, 50), none;
  ImgViewBuffer v;
  const ImgRect all{0, 0, 50, 50};
  EXPECT_EQ(img_render_view(none, all, 10, 10, all, 0, v), IMG_ERR_NO_IMAGE);
  EXPECT_EQ(img_render_view(img, all, 10, 10, all, 3, v), IMG_ERR_ARGUMENT);
  EXPECT_EQ(img_render_view(img, all, 0, 10, all, 0, v), IMG_ERR_ARGUMENT);
  EXPECT_EQ(img_render_view(img, ImgRect{60, 0, 5, 5}, 10, 10, all, 0, v), IMG_ERR_ARGUMENT);
  EXPECT_EQ(img_render_view(img, all, 10, 10, ImgRect{10, 10, 5, 5}, 0, v), IMG_ERR_ARGUMENT);
  EXPECT_TRUE(v.pixels.empty());
}

}  // namespace
