// PNG and JPEG files in the variants our writers never make, written here through libpng and
// libjpeg themselves: every PNG colour type and bit depth, interlaced or not, and CMYK JPEG as
// print shops send it. The decoded colours must be the ones written.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "img_core.h"
#include "img_fixture.h"

namespace {

struct PngCase {
  const char* name;
  int colour_type, depth;
  bool interlaced;
  int32_t bpp;  // depth in the store
};

const PngCase kPngCases[] = {
    {"grey1", PNG_COLOR_TYPE_GRAY, 1, false, 1},        {"grey2", PNG_COLOR_TYPE_GRAY, 2, false, 8},
    {"grey4_interlaced", PNG_COLOR_TYPE_GRAY, 4, true, 4}, {"grey16", PNG_COLOR_TYPE_GRAY, 16, false, 8},
    {"palette2", PNG_COLOR_TYPE_PALETTE, 2, false, 8},  {"palette8_interlaced", PNG_COLOR_TYPE_PALETTE, 8, true, 8},
    {"grey_alpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, 32}, {"rgb16", PNG_COLOR_TYPE_RGB, 16, false, 24},
    {"rgb8_interlaced", PNG_COLOR_TYPE_RGB, 8, true, 24}, {"rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, false, 32},
};

int Channels(int type) {
  return type == PNG_COLOR_TYPE_RGB ? 3 : type == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : type == PNG_COLOR_TYPE_GRAY_ALPHA ? 2 : 1;
}

// Sample s of pixel (x, y) at the given depth.
uint32_t Sample(int x, int y, int s, int depth) {
  uint32_t max = (1u << depth) - 1;
  return uint32_t((x * 3 + y * 5 + s * 11) % 17) * max / 16;
}

// Expected colour of the pixel once decoded (0x00RRGGBB).
uint32_t Expected(const PngCase& c, int x, int y) {
  if (c.colour_type == PNG_COLOR_TYPE_PALETTE) {
    uint32_t i = Sample(x, y, 0, c.depth);
    return (i * 7 % 256) << 16 | (255 - i) << 8 | i;
  }
  auto eight = [&](int s) { return c.depth == 16 ? Sample(x, y, s, 16) >> 8 : Sample(x, y, s, c.depth) * 255 / ((1u << c.depth) - 1); };
  if (Channels(c.colour_type) <= 2) return eight(0) * 0x010101u;
  return eight(0) << 16 | eight(1) << 8 | eight(2);
}

void WriteToVector(png_structp p, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
  out->insert(out->end(), data, data + n);
}
void NoFlush(png_structp) {}

std::vector<uint8_t> WritePng(const PngCase& c, int w, int h) {
  std::vector<uint8_t> out;
  png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(p);
  png_set_write_fn(p, &out, WriteToVector, NoFlush);
  png_set_IHDR(p, info, png_uint_32(w), png_uint_32(h), c.depth, c.colour_type,
               c.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (c.colour_type == PNG_COLOR_TYPE_PALETTE) {
    std::vector<png_color> pal(size_t(1) << c.depth);
    for (size_t i = 0; i < pal.size(); ++i) pal[i] = {png_byte(i * 7 % 256), png_byte(255 - i), png_byte(i)};
    png_set_PLTE(p, info, pal.data(), int(pal.size()));
  }
  png_write_info(p, info);
  const int ch = Channels(c.colour_type);
  std::vector<std::vector<uint8_t>> rows(size_t(h), std::vector<uint8_t>((size_t(w) * ch * c.depth + 7) / 8 + 1));
  std::vector<png_bytep> ptrs;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x)
      for (int s = 0; s < ch; ++s) {
        uint32_t v = Sample(x, y, s, c.depth);
        size_t bit = size_t(x * ch + s) * c.depth;
        uint8_t* r = rows[size_t(y)].data();
        if (c.depth == 16) {
          r[bit / 8] = uint8_t(v >> 8);  // PNG stores big-endian
          r[bit / 8 + 1] = uint8_t(v);
        } else if (c.depth == 8) {
          r[bit / 8] = uint8_t(v);
        } else {
          r[bit / 8] |= uint8_t(v << (8 - c.depth - bit % 8));
        }
      }
    ptrs.push_back(rows[size_t(y)].data());
  }
  png_write_image(p, ptrs.data());
  png_write_end(p, nullptr);
  png_destroy_write_struct(&p, &info);
  return out;
}

class ImgPngVariant : public ::testing::TestWithParam<PngCase> {};

TEST_P(ImgPngVariant, DecodesToTheWrittenColours) {
  const PngCase& c = GetParam();
  const int w = 23, h = 11;
  std::vector<uint8_t> bytes = WritePng(c, w, h);
  ImgImage img;
  ASSERT_EQ(img_load_memory(bytes.data(), bytes.size(), 0, img, nullptr), IMG_OK);
  EXPECT_EQ(img.bpp, c.bpp);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t px = imgtest::Pixel(img, x, y);
      uint32_t colour = img.bpp <= 8 ? img.palette[px] : px;
      ASSERT_EQ(colour, Expected(c, x, y)) << c.name << " at " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, ImgPngVariant, ::testing::ValuesIn(kPngCases),
                         [](const ::testing::TestParamInfo<PngCase>& i) { return std::string(i.param.name); });

TEST(ImgJpeg, CmykFilesShowTheirColours) {
  // Adobe writes CMYK inverted (255 = no ink); libjpeg stores what it is given and marks the
  // file as Adobe's.
  struct Ink {
    uint8_t c, m, y, k;
    uint32_t rgb;
  } inks[] = {{255, 255, 255, 255, 0xFFFFFF}, {255, 255, 255, 0, 0x000000}, {0, 255, 255, 255, 0x00FFFF},
              {255, 0, 255, 255, 0xFF00FF}, {255, 255, 0, 255, 0xFFFF00}};
  const int w = 16 * 5, h = 16;
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buf = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buf, &size);
  c.image_width = w;
  c.image_height = h;
  c.input_components = 4;
  c.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 100, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> row(size_t(w) * 4);
  for (int x = 0; x < w; ++x) {
    const Ink& i = inks[x / 16];
    row[size_t(x) * 4] = i.c;
    row[size_t(x) * 4 + 1] = i.m;
    row[size_t(x) * 4 + 2] = i.y;
    row[size_t(x) * 4 + 3] = i.k;
  }
  for (int y = 0; y < h; ++y) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::vector<uint8_t> bytes(buf, buf + size);
  std::free(buf);
  ImgImage img;
  ASSERT_EQ(img_load_memory(bytes.data(), bytes.size(), 0, img, nullptr), IMG_OK);
  ASSERT_EQ(img.bpp, 24);
  for (int k = 0; k < 5; ++k) {
    uint32_t got = imgtest::Pixel(img, k * 16 + 8, 8);
    for (int sh = 0; sh <= 16; sh += 8)
      EXPECT_NEAR(int((got >> sh) & 255), int((inks[k].rgb >> sh) & 255), 6) << "ink " << k;
  }
}

}  // namespace
