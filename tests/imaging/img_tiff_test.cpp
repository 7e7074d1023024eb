// TIFF files made by other programs: libtiff's own tools recompress a file we wrote into every
// codec and layout the viewer meets, and libtiff's API writes the depths our writer never makes
// (16-bit grey and colour, 2-bit, separate planes, colour maps). Pixels must match the source.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "img_core.h"
#include "img_fixture.h"
#include "TestData.h"

namespace {

bool HaveTool(const char* name) {
#ifdef _WIN32
  (void)name;
  return false;
#else
  std::string cmd = std::string("command -v ") + name + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
#endif
}

std::string Temp(const std::string& name) { return ::testing::TempDir() + "img_tiff_test_" + name; }

struct ToolCase {
  const char* name;
  const char* options;  // tiffcp options
  int32_t format;       // what the probe must say of the result
};

const ToolCase kToolCases[] = {
    {"g4", "-c g4", IMG_FMT_TIFF_G4},
    {"g3", "-c g3", IMG_FMT_TIFF_G3},
    {"g3_2d", "-c g3:2d", IMG_FMT_TIFF_2D},
    {"lzw", "-c lzw", IMG_FMT_TIFF_LZW},
    {"packbits", "-c packbits", IMG_FMT_TIFF_PACKBITS},
    {"zip", "-c zip", IMG_FMT_TIFF_OTHER},
    {"g4_lsb", "-f lsb2msb -c g4", IMG_FMT_TIFF_G4_FO},
    {"g4_strips", "-c g4 -r 7", IMG_FMT_TIFF_G4},
    {"tiles_lzw", "-c lzw -t -w 32 -l 16", IMG_FMT_TIFF_LZW},
};

class ImgTiffTool : public ::testing::TestWithParam<ToolCase> {};

TEST_P(ImgTiffTool, ReadsWhatTiffcpWrote) {
  if (!HaveTool("tiffcp")) GTEST_SKIP() << "tiffcp (libtiff-tools) not installed";
  const ToolCase& c = GetParam();
  ImgImage sheet = imgtest::Drawing(203, 141);
  std::string in = Temp(std::string(c.name) + "_in.tif"), out = Temp(std::string(c.name) + "_out.tif");
  ASSERT_EQ(img_save_file(sheet, in.c_str(), IMG_FMT_TIFF), IMG_OK);
  std::string cmd = std::string("tiffcp ") + c.options + " " + in + " " + out;
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  EXPECT_EQ(img_probe_file(out.c_str()), c.format);
  ImgImage back;
  ASSERT_EQ(img_load_file(out.c_str(), 0, back, nullptr), IMG_OK);
  EXPECT_EQ(back.bpp, 1);
  EXPECT_EQ(imgtest::SameColours(sheet, back), "");
  EXPECT_EQ(back.dpi_x, 400);
  std::remove(in.c_str());
  std::remove(out.c_str());
}

INSTANTIATE_TEST_SUITE_P(Codecs, ImgTiffTool, ::testing::ValuesIn(kToolCases),
                         [](const ::testing::TestParamInfo<ToolCase>& i) { return std::string(i.param.name); });

TEST(ImgTiff, EveryPageOfAMultiPageFile) {
  if (!HaveTool("tiffcp")) GTEST_SKIP() << "tiffcp (libtiff-tools) not installed";
  ImgImage sheet = imgtest::Drawing(120, 90), colour = imgtest::Pattern(31, 17, 24);
  std::string a = Temp("page_a.tif"), b = Temp("page_b.tif"), all = Temp("pages.tif");
  ASSERT_EQ(img_save_file(sheet, a.c_str(), IMG_FMT_TIFF_G4), IMG_OK);
  ASSERT_EQ(img_save_file(colour, b.c_str(), IMG_FMT_TIFF), IMG_OK);
  std::string cmd = "tiffcp " + a + " " + b + " " + a + " " + all;
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_EQ(img_page_count_file(all.c_str()), 3);
  const ImgImage* expected[] = {&sheet, &colour, &sheet};
  for (int32_t page = 0; page < 3; ++page) {
    ImgImage img;
    ASSERT_EQ(img_load_file(all.c_str(), page, img, nullptr), IMG_OK) << page;
    EXPECT_EQ(img.page_count, 3);
    EXPECT_EQ(imgtest::SameColours(*expected[page], img), "") << "page " << page;
  }
  ImgImage none;
  EXPECT_EQ(img_load_file(all.c_str(), 3, none, nullptr), IMG_ERR_NO_PAGE);
  for (const std::string& p : {a, b, all}) std::remove(p.c_str());
}

// A TIFF written through libtiff's API with the given layout; pixel (x, y) of sample s is
// value(x, y, s) scaled to the sample size.
struct LayoutCase {
  const char* name;
  uint16_t bps, spp, photometric, planar;
  bool tiled;
  int32_t bpp;  // depth in the store
};

uint32_t SampleValue(int x, int y, int s, int bps) {
  uint32_t max = (1u << bps) - 1;
  return uint32_t((x * 5 + y * 3 + s * 40) % 64) * max / 63;
}

std::vector<uint8_t> WriteLayout(const LayoutCase& c, int w, int h) {
  std::string path = Temp(std::string("layout_") + c.name + ".tif");
  TIFF* t = TIFFOpen(path.c_str(), "w");
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, c.bps);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, c.spp);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, c.photometric);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, c.planar);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  if (c.photometric == PHOTOMETRIC_PALETTE) {
    std::vector<uint16_t> r(size_t(1) << c.bps), g(r.size()), b(r.size());
    for (size_t i = 0; i < r.size(); ++i) {
      r[i] = uint16_t(i * 257);
      g[i] = uint16_t(65535 - i * 257);
      b[i] = uint16_t((i * 97 % 256) * 257);
    }
    TIFFSetField(t, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
  }
  int planes = c.planar == PLANARCONFIG_SEPARATE ? c.spp : 1;
  int per = c.planar == PLANARCONFIG_SEPARATE ? 1 : c.spp;
  auto fill_row = [&](std::vector<uint8_t>& buf, int y, int x0, int n, int plane) {
    std::fill(buf.begin(), buf.end(), 0);
    for (int x = 0; x < n; ++x)
      for (int s = 0; s < per; ++s) {
        uint32_t v = SampleValue(x0 + x, y, plane + s, c.bps);
        size_t bit = size_t(x * per + s) * c.bps;
        if (c.bps == 16) {
          uint16_t v16 = uint16_t(v);
          std::memcpy(&buf[bit / 8], &v16, 2);
        } else if (c.bps == 8) {
          buf[bit / 8] = uint8_t(v);
        } else {
          buf[bit / 8] |= uint8_t(v << (8 - c.bps - bit % 8));
        }
      }
  };
  if (c.tiled) {
    TIFFSetField(t, TIFFTAG_TILEWIDTH, 16);
    TIFFSetField(t, TIFFTAG_TILELENGTH, 16);
    std::vector<uint8_t> tile(size_t(TIFFTileSize(t)));
    size_t row_bytes = size_t(TIFFTileRowSize(t));
    std::vector<uint8_t> row(row_bytes);
    for (int p = 0; p < planes; ++p)
      for (int ty = 0; ty < h; ty += 16)
        for (int tx = 0; tx < w; tx += 16) {
          for (int r = 0; r < 16; ++r) {
            fill_row(row, ty + r, tx, 16, p);
            std::memcpy(&tile[size_t(r) * row_bytes], row.data(), row_bytes);
          }
          TIFFWriteTile(t, tile.data(), uint32_t(tx), uint32_t(ty), 0, uint16_t(p));
        }
  } else {
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 5);
    std::vector<uint8_t> row(size_t(TIFFScanlineSize(t)));
    for (int p = 0; p < planes; ++p)
      for (int y = 0; y < h; ++y) {
        fill_row(row, y, 0, w, p);
        TIFFWriteScanline(t, row.data(), uint32_t(y), uint16_t(p));
      }
  }
  TIFFClose(t);
  std::vector<uint8_t> bytes;
  vvtest::ReadWholeFile(path, bytes);
  std::remove(path.c_str());
  return bytes;
}

const LayoutCase kLayouts[] = {
    {"grey16", 16, 1, PHOTOMETRIC_MINISBLACK, PLANARCONFIG_CONTIG, false, 8},
    {"grey2", 2, 1, PHOTOMETRIC_MINISBLACK, PLANARCONFIG_CONTIG, false, 8},
    {"grey4_white", 4, 1, PHOTOMETRIC_MINISWHITE, PLANARCONFIG_CONTIG, false, 4},
    {"palette8", 8, 1, PHOTOMETRIC_PALETTE, PLANARCONFIG_CONTIG, false, 8},
    {"palette4_tiled", 4, 1, PHOTOMETRIC_PALETTE, PLANARCONFIG_CONTIG, true, 4},
    {"rgb8_tiled", 8, 3, PHOTOMETRIC_RGB, PLANARCONFIG_CONTIG, true, 24},
    {"rgb16", 16, 3, PHOTOMETRIC_RGB, PLANARCONFIG_CONTIG, false, 24},
    {"rgba8", 8, 4, PHOTOMETRIC_RGB, PLANARCONFIG_CONTIG, false, 32},
    {"rgb8_planes", 8, 3, PHOTOMETRIC_RGB, PLANARCONFIG_SEPARATE, false, 24},
};

class ImgTiffLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ImgTiffLayout, DecodesToTheExpectedColours) {
  const LayoutCase& c = GetParam();
  const int w = 37, h = 21;
  std::vector<uint8_t> bytes = WriteLayout(c, w, h);
  ASSERT_FALSE(bytes.empty());
  ImgImage img;
  ASSERT_EQ(img_load_memory(bytes.data(), bytes.size(), 0, img, nullptr), IMG_OK);
  EXPECT_EQ(img.bpp, c.bpp);
  uint32_t max = (1u << c.bps) - 1;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t px = imgtest::Pixel(img, x, y);
      uint32_t colour = img.bpp <= 8 ? img.palette[px] : px;
      uint32_t expected;
      if (c.photometric == PHOTOMETRIC_PALETTE) {
        uint32_t i = SampleValue(x, y, 0, c.bps);
        expected = i << 16 | (255 - i) << 8 | (i * 97 % 256);
      } else if (c.spp == 1) {
        uint32_t v = SampleValue(x, y, 0, c.bps);
        if (c.photometric == PHOTOMETRIC_MINISWHITE) v = max - v;
        uint32_t g = c.bps == 16 ? v >> 8 : v * 255 / max;
        expected = g << 16 | g << 8 | g;
      } else {
        auto s = [&](int k) { return c.bps == 16 ? SampleValue(x, y, k, 16) >> 8 : SampleValue(x, y, k, 8); };
        expected = s(0) << 16 | s(1) << 8 | s(2);
      }
      ASSERT_EQ(colour, expected) << c.name << " at " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, ImgTiffLayout, ::testing::ValuesIn(kLayouts),
                         [](const ::testing::TestParamInfo<LayoutCase>& i) { return std::string(i.param.name); });

TEST(ImgTiff, OrientationTagTurnsTheSheetUpright) {
  // Stored rows of a W x H drawing, and where the tag says row 0 and column 0 belong; the
  // expected upright pixel (x, y) in stored coordinates.
  const ImgImage stored = imgtest::Drawing(45, 29);
  const int32_t W = stored.width, H = stored.height;
  struct Case {
    uint16_t orientation;
    bool side;
    int32_t (*sx)(int32_t x, int32_t y, int32_t W, int32_t H);
    int32_t (*sy)(int32_t x, int32_t y, int32_t W, int32_t H);
  } cases[] = {
      {1, false, [](int32_t x, int32_t, int32_t, int32_t) { return x; }, [](int32_t, int32_t y, int32_t, int32_t) { return y; }},
      {2, false, [](int32_t x, int32_t, int32_t W, int32_t) { return W - 1 - x; }, [](int32_t, int32_t y, int32_t, int32_t) { return y; }},
      {3, false, [](int32_t x, int32_t, int32_t W, int32_t) { return W - 1 - x; }, [](int32_t, int32_t y, int32_t, int32_t H) { return H - 1 - y; }},
      {4, false, [](int32_t x, int32_t, int32_t, int32_t) { return x; }, [](int32_t, int32_t y, int32_t, int32_t H) { return H - 1 - y; }},
      {5, true, [](int32_t, int32_t y, int32_t, int32_t) { return y; }, [](int32_t x, int32_t, int32_t, int32_t) { return x; }},
      {6, true, [](int32_t, int32_t y, int32_t, int32_t) { return y; }, [](int32_t x, int32_t, int32_t, int32_t H) { return H - 1 - x; }},
      {7, true, [](int32_t, int32_t y, int32_t W, int32_t) { return W - 1 - y; }, [](int32_t x, int32_t, int32_t, int32_t H) { return H - 1 - x; }},
      {8, true, [](int32_t, int32_t y, int32_t W, int32_t) { return W - 1 - y; }, [](int32_t x, int32_t, int32_t, int32_t) { return x; }},
  };
  for (const Case& c : cases) {
    std::string path = Temp("orientation.tif");
    TIFF* t = TIFFOpen(path.c_str(), "w");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, W);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, H);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(t, TIFFTAG_ORIENTATION, c.orientation);
    std::vector<uint8_t> row(stored.stride);
    for (int32_t y = 0; y < H; ++y) {
      std::memcpy(row.data(), stored.row(y), stored.stride);
      TIFFWriteScanline(t, row.data(), uint32_t(y), 0);
    }
    TIFFClose(t);
    ImgImage img;
    ASSERT_EQ(img_load_file(path.c_str(), 0, img, nullptr), IMG_OK);
    std::remove(path.c_str());
    ASSERT_EQ(img.width, c.side ? H : W) << c.orientation;
    for (int32_t y = 0; y < img.height; ++y)
      for (int32_t x = 0; x < img.width; ++x)
        ASSERT_EQ(imgtest::Pixel(img, x, y), imgtest::Pixel(stored, c.sx(x, y, W, H), c.sy(x, y, W, H)))
            << "orientation " << c.orientation << " at " << x << "," << y;
  }
}

// The shared rasters, written by ImageMagick and libtiff's tools, against what ImageMagick
// found in them (size, depth class, resolution, pages).
TEST(ImgTestData, ReadsEveryRasterAsIdentifySawIt) {
  VV_REQUIRE_TESTDATA();
  int checked = 0;
  for (const std::string& name : vvtest::TestDataFiles("raster")) {
    if (name.size() < 14 || name.substr(name.size() - 14) != ".expected.json") continue;
    std::vector<uint8_t> json;
    ASSERT_TRUE(vvtest::ReadWholeFile(vvtest::TestDataPath("raster/" + name), json));
    std::string text(json.begin(), json.end());
    std::string raster = vvtest::TestDataPath("raster/" + name.substr(0, name.size() - 14));
    auto field = [&](size_t from, const char* key) {
      size_t k = text.find(std::string("\"") + key + "\"", from);
      return k == std::string::npos ? -1L : std::strtol(text.c_str() + text.find(':', k) + 1, nullptr, 10);
    };
    int32_t pages = 0;
    for (size_t at = text.find("\"page\""); at != std::string::npos; at = text.find("\"page\"", at + 1)) ++pages;
    EXPECT_EQ(img_page_count_file(raster.c_str()), pages) << name;
    size_t at = text.find("\"page\"");
    for (int32_t page = 0; page < pages; ++page, at = text.find("\"page\"", at + 1)) {
      ImgImage img;
      ASSERT_EQ(img_load_file(raster.c_str(), page, img, nullptr), IMG_OK) << name << " page " << page;
      EXPECT_EQ(img.width, field(at, "width")) << name;
      EXPECT_EQ(img.height, field(at, "height")) << name;
      bool grey = text.find("\"Gray\"", at) < text.find("}", at);
      if (field(at, "depth") == 1) {
        EXPECT_EQ(img.bpp, 1) << name;
      } else if (grey) {
        EXPECT_TRUE(img.bpp == 8 || img.bpp == 32) << name << ": grey, or grey with alpha";
      } else {
        EXPECT_GE(img.bpp, 8) << name;
      }
      // identify shows 72 where the file states no resolution; ours says 0 then.
      if (img.dpi_x != 0) {
        EXPECT_EQ(img.dpi_x, field(at, "xdpi")) << name;
      }
      ++checked;
    }
  }
  EXPECT_GE(checked, 15);
}

TEST(ImgTestData, TheSameSheetInEveryBitonalCodecDecodesAlike) {
  VV_REQUIRE_TESTDATA();
  ImgImage reference;
  ASSERT_EQ(img_load_file(vvtest::TestDataPath("raster/sheet_a4_lzw.tif").c_str(), 0, reference, nullptr), IMG_OK);
  for (const char* name : {"sheet_a4_300dpi_g4.tif", "sheet_a4_g3.tif", "sheet_a4_packbits.tif", "sheet_a4_300dpi.cal"}) {
    ImgImage img;
    ASSERT_EQ(img_load_file(vvtest::TestDataPath(std::string("raster/") + name).c_str(), 0, img, nullptr), IMG_OK);
    EXPECT_EQ(imgtest::SameColours(reference, img), "") << name;
  }
}

}  // namespace
