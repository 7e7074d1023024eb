// Write, read back, compare: every writable format at every depth it holds, the format code the
// probe finds in what was written, refusals of depths and formats, and truncated files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "img_core.h"
#include "img_fixture.h"

namespace {

struct RoundTrip {
  int32_t format;
  int32_t bpp;
  bool grey;
  int tolerance;   // 0: pixels identical
  int32_t probed;  // the code the probe gives the written file
  // Bitonal with black at index 0, as BMP and PCX files often have it: the fax and CALS writers
  // must turn the bits round, not save a negative.
  bool ink_at_zero = false;
  bool keeps_dpi = true;    // formats without a resolution field read back 0
  bool keeps_depth = true;  // 4-bit images of formats that store 8 come back as 8
};

const RoundTrip kRoundTrips[] = {
    {IMG_FMT_BMP, 1, false, 0, IMG_FMT_BMP},
    {IMG_FMT_BMP, 4, false, 0, IMG_FMT_BMP},
    {IMG_FMT_BMP, 8, false, 0, IMG_FMT_BMP},
    {IMG_FMT_BMP, 24, false, 0, IMG_FMT_BMP},
    {IMG_FMT_BMP, 32, false, 0, IMG_FMT_BMP},
    {IMG_FMT_BMP_RLE, 4, false, 0, IMG_FMT_BMP_RLE},
    {IMG_FMT_BMP_RLE, 8, false, 0, IMG_FMT_BMP_RLE},
    {IMG_FMT_DIB, 1, false, 0, IMG_FMT_DIB},
    {IMG_FMT_DIB, 4, false, 0, IMG_FMT_DIB},
    {IMG_FMT_DIB, 8, false, 0, IMG_FMT_DIB},
    {IMG_FMT_DIB, 24, false, 0, IMG_FMT_DIB},
    {IMG_FMT_DIB, 32, false, 0, IMG_FMT_DIB},
    {IMG_FMT_TIFF, 1, false, 0, IMG_FMT_TIFF},
    {IMG_FMT_TIFF, 4, false, 0, IMG_FMT_TIFF},
    {IMG_FMT_TIFF, 8, false, 0, IMG_FMT_TIFF},
    {IMG_FMT_TIFF, 8, true, 0, IMG_FMT_TIFF},
    {IMG_FMT_TIFF, 24, false, 0, IMG_FMT_TIFF},
    {IMG_FMT_TIFF, 32, false, 0, IMG_FMT_TIFF},
    {IMG_FMT_TIFF_HUFFMAN, 1, false, 0, IMG_FMT_TIFF_HUFFMAN},
    {IMG_FMT_TIFF_G3, 1, false, 0, IMG_FMT_TIFF_G3},
    {IMG_FMT_TIFF_G4, 1, false, 0, IMG_FMT_TIFF_G4},
    {IMG_FMT_TIFF_PACKBITS, 1, false, 0, IMG_FMT_TIFF_PACKBITS},
    {IMG_FMT_TIFF_2D, 1, false, 0, IMG_FMT_TIFF_2D},
    {IMG_FMT_TIFF_G4_FO, 1, false, 0, IMG_FMT_TIFF_G4_FO},
    {IMG_FMT_TIFF_JPEG, 24, false, 12, IMG_FMT_TIFF_JPEG},
    {IMG_FMT_TIFF_JPEG, 8, true, 12, IMG_FMT_TIFF_JPEG},
    {IMG_FMT_CALS, 1, false, 0, IMG_FMT_CALS},
    {IMG_FMT_TIFF_G4, 1, false, 0, IMG_FMT_TIFF_G4, true},
    {IMG_FMT_TIFF_G4_FO, 1, false, 0, IMG_FMT_TIFF_G4_FO, true},
    {IMG_FMT_TIFF_G3, 1, false, 0, IMG_FMT_TIFF_G3, true},
    {IMG_FMT_CALS, 1, false, 0, IMG_FMT_CALS, true},
    {IMG_FMT_TIFF, 1, false, 0, IMG_FMT_TIFF, true},
    {IMG_FMT_JPEG, 24, false, 12, IMG_FMT_JPEG},
    {IMG_FMT_JPEG, 8, true, 12, IMG_FMT_JPEG},
    {IMG_FMT_PNG, 1, false, 0, IMG_FMT_PNG},
    {IMG_FMT_PNG, 4, false, 0, IMG_FMT_PNG},
    {IMG_FMT_PNG, 8, false, 0, IMG_FMT_PNG},
    {IMG_FMT_PNG, 8, true, 0, IMG_FMT_PNG},
    {IMG_FMT_PNG, 24, false, 0, IMG_FMT_PNG},
    {IMG_FMT_PNG, 32, false, 0, IMG_FMT_PNG},
    {IMG_FMT_PCX, 1, false, 0, IMG_FMT_PCX},
    {IMG_FMT_PCX, 4, false, 0, IMG_FMT_PCX},
    {IMG_FMT_PCX, 8, false, 0, IMG_FMT_PCX},
    {IMG_FMT_PCX, 24, false, 0, IMG_FMT_PCX},
    {IMG_FMT_DCX, 1, false, 0, IMG_FMT_DCX},
    {IMG_FMT_DCX, 4, false, 0, IMG_FMT_DCX},
    {IMG_FMT_DCX, 8, false, 0, IMG_FMT_DCX},
    {IMG_FMT_DCX, 24, false, 0, IMG_FMT_DCX},
    {IMG_FMT_TGA, 8, false, 0, IMG_FMT_TGA, false, false},
    {IMG_FMT_TGA, 8, true, 0, IMG_FMT_TGA, false, false},
    {IMG_FMT_TGA, 24, false, 0, IMG_FMT_TGA, false, false},
    {IMG_FMT_TGA, 32, false, 0, IMG_FMT_TGA, false, false},
    {IMG_FMT_TGA16, 24, false, 8, IMG_FMT_TGA16, false, false},
    {IMG_FMT_ICO, 1, false, 0, IMG_FMT_ICO, false, false},
    {IMG_FMT_ICO, 4, false, 0, IMG_FMT_ICO, false, false},
    {IMG_FMT_XBM, 1, false, 0, IMG_FMT_XBM, false, false},
    {IMG_FMT_XBM, 1, false, 0, IMG_FMT_XBM, true, false},
    {IMG_FMT_XPM, 8, false, 0, IMG_FMT_XPM, false, false},
    {IMG_FMT_XPM, 8, true, 0, IMG_FMT_XPM, false, false},
    {IMG_FMT_XWD, 8, false, 0, IMG_FMT_XWD, false, false},
    {IMG_FMT_SUN, 1, false, 0, IMG_FMT_SUN, false, false},
    {IMG_FMT_SUN, 1, false, 0, IMG_FMT_SUN, true, false},
    {IMG_FMT_SUN, 8, false, 0, IMG_FMT_SUN, false, false},
    {IMG_FMT_SUN, 24, false, 0, IMG_FMT_SUN, false, false},
    {IMG_FMT_PSD, 1, false, 0, IMG_FMT_PSD, false, false},
    {IMG_FMT_PSD, 1, false, 0, IMG_FMT_PSD, true, false},
    {IMG_FMT_PSD, 4, false, 0, IMG_FMT_PSD, false, false, false},
    {IMG_FMT_PSD, 8, false, 0, IMG_FMT_PSD, false, false},
    {IMG_FMT_PSD, 24, false, 0, IMG_FMT_PSD, false, false},
    {IMG_FMT_MSP, 1, false, 0, IMG_FMT_MSP, false, false},
    {IMG_FMT_MSP, 1, false, 0, IMG_FMT_MSP, true, false},
    {IMG_FMT_WMF, 1, false, 0, IMG_FMT_WMF, false, false},
    {IMG_FMT_WMF, 4, false, 0, IMG_FMT_WMF, false, false},
    {IMG_FMT_WMF, 8, false, 0, IMG_FMT_WMF, false, false},
    {IMG_FMT_WMF, 24, false, 0, IMG_FMT_WMF, false, false},
    {IMG_FMT_CLP, 1, false, 0, IMG_FMT_CLP},
    {IMG_FMT_CLP, 8, false, 0, IMG_FMT_CLP},
    {IMG_FMT_CLP, 24, false, 0, IMG_FMT_CLP},
    {IMG_FMT_PDF, 1, false, 0, IMG_FMT_PDF, false, false},
    {IMG_FMT_PDF, 1, false, 0, IMG_FMT_PDF, true, false},
    {IMG_FMT_PDF, 8, false, 0, IMG_FMT_PDF, false, false},
    {IMG_FMT_PDF, 8, true, 0, IMG_FMT_PDF, false, false},
    {IMG_FMT_PDF, 24, false, 0, IMG_FMT_PDF, false, false},
    {IMG_FMT_EPS, 1, false, 0, IMG_FMT_EPS, false, false},
    {IMG_FMT_EPS, 1, false, 0, IMG_FMT_EPS, true, false},
    {IMG_FMT_EPS, 8, true, 0, IMG_FMT_EPS, false, false},
    {IMG_FMT_EPS, 24, false, 0, IMG_FMT_EPS, false, false},
    {IMG_FMT_PCL, 1, false, 0, IMG_FMT_PCL},
    {IMG_FMT_PCL, 1, false, 0, IMG_FMT_PCL, true},
    {IMG_FMT_IFF, 1, false, 0, IMG_FMT_IFF, false, false},
    {IMG_FMT_IFF, 4, false, 0, IMG_FMT_IFF, false, false},
    {IMG_FMT_IFF, 8, false, 0, IMG_FMT_IFF, false, false},
    {IMG_FMT_IFF, 24, false, 0, IMG_FMT_IFF, false, false},
    {IMG_FMT_PICT, 1, false, 0, IMG_FMT_PICT, false, false},
    {IMG_FMT_PICT, 1, false, 0, IMG_FMT_PICT, true, false},
    {IMG_FMT_PICT, 4, false, 0, IMG_FMT_PICT, false, false},
    {IMG_FMT_PICT, 8, false, 0, IMG_FMT_PICT, false, false},
    {IMG_FMT_PICT, 24, false, 0, IMG_FMT_PICT, false, false},
    {IMG_FMT_WPG, 1, false, 0, IMG_FMT_WPG, false, false},
    {IMG_FMT_WPG, 1, false, 0, IMG_FMT_WPG, true, false},
    {IMG_FMT_WPG, 4, false, 0, IMG_FMT_WPG, false, false},
    {IMG_FMT_WPG, 8, false, 0, IMG_FMT_WPG, false, false},
    {IMG_FMT_WPG, 8, true, 0, IMG_FMT_WPG, false, false},
};

class ImgRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

// The drawing as a BMP of another program gives it: black at index 0, the bits the other way.
ImgImage InkAtZero(const ImgImage& drawing) {
  ImgImage flipped = drawing;
  flipped.palette = {0x000000u, 0xFFFFFFu};
  for (int32_t y = 0; y < flipped.height; ++y)
    for (int32_t x = 0; x < flipped.width; ++x) imgtest::SetPixel(flipped, x, y, !imgtest::Pixel(drawing, x, y));
  std::vector<uint8_t> bmp;
  ImgImage loaded;
  EXPECT_EQ(img_save_memory(flipped, IMG_FMT_BMP, bmp), IMG_OK);
  EXPECT_EQ(img_load_memory(bmp.data(), bmp.size(), 0, loaded, nullptr), IMG_OK);
  EXPECT_EQ(loaded.palette, flipped.palette);
  return loaded;
}

ImgImage Source(const RoundTrip& c) {
  // Odd sizes so every row has pad bits; the bitonal image is a drawing, the rest patterns.
  if (c.bpp != 1) return imgtest::Pattern(37, 23, c.bpp, c.grey);
  ImgImage drawing = imgtest::Drawing(101, 67);
  return c.ink_at_zero ? InkAtZero(drawing) : drawing;
}

TEST_P(ImgRoundTrip, ReadsBackWhatItWrote) {
  const RoundTrip& c = GetParam();
  ImgImage src = Source(c);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(img_save_memory(src, c.format, bytes), IMG_OK);
  EXPECT_EQ(img_probe_memory(bytes.data(), bytes.size()), c.probed);
  EXPECT_EQ(img_page_count_memory(bytes.data(), bytes.size()), 1);
  ImgImage back;
  imgtest::ProgressLog log;
  ImgProgress progress = log.Callback();
  ASSERT_EQ(img_load_memory(bytes.data(), bytes.size(), 0, back, &progress), IMG_OK);
  EXPECT_EQ(back.format, c.probed);
  // The application shows calls * 100 / total: a load reports 100 steps of a total of 100.
  EXPECT_EQ(log.calls, 100);
  EXPECT_EQ(log.last_total, 100);
  if (c.tolerance == 0) {
    if (c.keeps_depth) {
      EXPECT_EQ(back.bpp, src.bpp);
    }
    EXPECT_EQ(imgtest::SameColours(src, back), "");
  } else {
    EXPECT_LE(imgtest::MaxChannelDifference(src, back), c.tolerance);
  }
  if (!c.keeps_dpi) return;
  EXPECT_EQ(back.dpi_x, src.dpi_x);
  if (c.format != IMG_FMT_CALS) {
    EXPECT_EQ(back.dpi_y, src.dpi_y);  // CALS has one density
  }
}

TEST_P(ImgRoundTrip, TruncatedFilesFailCleanly) {
  const RoundTrip& c = GetParam();
  std::vector<uint8_t> bytes;
  ASSERT_EQ(img_save_memory(Source(c), c.format, bytes), IMG_OK);
  // Every prefix up to a few hundred bytes, then a sample: none may crash or read past the end
  // (the sanitizers watch); prefixes of half the file or less must fail.
  for (size_t len = 0; len < bytes.size(); len += len < 400 ? 1 : 13) {
    std::vector<uint8_t> part(bytes.begin(), bytes.begin() + long(len));
    ImgImage img;
    int32_t rc = img_load_memory(part.data(), part.size(), 0, img, nullptr);
    if (len <= bytes.size() / 2) {
      EXPECT_LT(rc, 0) << "prefix of " << len << " of " << bytes.size() << " bytes";
    }
    if (rc < 0) {
      EXPECT_TRUE(img.pixels.empty());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, ImgRoundTrip, ::testing::ValuesIn(kRoundTrips));

TEST(ImgSave, RefusesDepthsAndFormatsItCannotWrite) {
  struct Case {
    int32_t format, bpp, expected;
  } cases[] = {
      {IMG_FMT_TIFF_G4, 24, IMG_ERR_DEPTH},   {IMG_FMT_TIFF_G4, 8, IMG_ERR_DEPTH},
      {IMG_FMT_CALS, 8, IMG_ERR_DEPTH},       {IMG_FMT_JPEG, 1, IMG_ERR_DEPTH},
      {IMG_FMT_JPEG, 4, IMG_ERR_DEPTH},       {IMG_FMT_TIFF_JPEG, 1, IMG_ERR_DEPTH},
      {IMG_FMT_BMP_RLE, 24, IMG_ERR_DEPTH},   {IMG_FMT_BMP_RLE, 1, IMG_ERR_DEPTH},
      {IMG_FMT_PCX, 32, IMG_ERR_DEPTH},       {IMG_FMT_TGA, 1, IMG_ERR_DEPTH},
      {IMG_FMT_ICO, 8, IMG_ERR_DEPTH},        {IMG_FMT_XPM, 24, IMG_ERR_DEPTH},
      {IMG_FMT_MACPAINT, 8, IMG_ERR_DEPTH},   {IMG_FMT_WPG, 24, IMG_ERR_DEPTH},
      {IMG_FMT_KOFAX, 1, IMG_ERR_UNDOCUMENTED},
      {IMG_FMT_JEDMICS, 1, IMG_ERR_UNDOCUMENTED},
      {IMG_FMT_GIF, 8, IMG_ERR_CANNOT_WRITE}, {99, 1, IMG_ERR_CANNOT_WRITE},
  };
  for (const Case& c : cases) {
    ImgImage img = imgtest::Pattern(9, 5, c.bpp);
    std::vector<uint8_t> out;
    EXPECT_EQ(img_save_memory(img, c.format, out), c.expected) << "format " << c.format << " bpp " << c.bpp;
    // The question asked before the file dialog gives the same answer as the save.
    EXPECT_EQ(img_can_save(c.format, c.bpp), c.expected) << "format " << c.format << " bpp " << c.bpp;
    EXPECT_NE(std::string(img_error_text(c.expected)), img_error_text(12345));
  }
}

TEST(ImgSave, FixedSizeFormatsRefuseLargerImagesAndPadSmallerOnes) {
  std::vector<uint8_t> bytes;
  EXPECT_EQ(img_save_memory(imgtest::Drawing(577, 20), IMG_FMT_MACPAINT, bytes), IMG_ERR_TOO_LARGE);
  EXPECT_EQ(img_save_memory(imgtest::Drawing(20, 721), IMG_FMT_MACPAINT, bytes), IMG_ERR_TOO_LARGE);
  EXPECT_EQ(img_save_memory(imgtest::Drawing(257, 20), IMG_FMT_ICO, bytes), IMG_ERR_TOO_LARGE);
  ImgImage sheet = imgtest::Drawing(101, 67), back, part;
  ASSERT_EQ(img_save_memory(sheet, IMG_FMT_MACPAINT, bytes), IMG_OK);
  EXPECT_EQ(img_probe_memory(bytes.data(), bytes.size()), IMG_FMT_MACPAINT);
  ASSERT_EQ(img_load_memory(bytes.data(), bytes.size(), 0, back, nullptr), IMG_OK);
  ASSERT_EQ(back.width, 576);
  ASSERT_EQ(back.height, 720);
  ASSERT_EQ(img_crop(back, ImgRect{0, 0, 101, 67}, part), IMG_OK);
  EXPECT_EQ(imgtest::SameColours(sheet, part), "");
  for (int32_t y = 0; y < 720; y += 7)
    for (int32_t x = 0; x < 576; x += 5)
      if (x >= 101 || y >= 67) {
        ASSERT_EQ(imgtest::Pixel(back, x, y), 0u) << x << "," << y;
      }
  // Behind a MacBinary header, as files copied from a Macintosh come.
  std::vector<uint8_t> wrapped(128, 0);
  wrapped[1] = 5;
  std::memcpy(wrapped.data() + 65, "PNTGMPNT", 8);
  wrapped.insert(wrapped.end(), bytes.begin(), bytes.end());
  ASSERT_EQ(img_load_memory(wrapped.data(), wrapped.size(), 0, back, nullptr), IMG_OK);
  ASSERT_EQ(img_crop(back, ImgRect{0, 0, 101, 67}, part), IMG_OK);
  EXPECT_EQ(imgtest::SameColours(sheet, part), "");
}

// Headers that lie, each as a fuzzer found it: an error, never a read past the data.
TEST(ImgLoad, LyingHeadersOfTheNewFormatsFail) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    int32_t expected;
  } cases[] = {
      // TARGA whose image id claims 255 bytes of a 30-byte file.
      {"tga id", {255, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 2, 0, 24, 0x20, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
       IMG_ERR_CORRUPT},
      // PCL whose only row is a "y offset" of two white rows, then a row, then the end of the raster.
      {"pcl offset", {0x1B, 'E', 0x1B, '*', 'r', '8', 'S', 0x1B, '*', 'b', '2', 'Y', 0x1B, '*', 'b', '1', 'W', 0xFF,
                      0x1B, '*', 'r', 'C'},
       IMG_OK},
      // PCL whose data count runs past the end.
      {"pcl count", {0x1B, 'E', 0x1B, '*', 'b', '9', '9', 'W', 1, 2}, IMG_ERR_CORRUPT},
      // PSD claiming more channels' row tables than the file holds.
      {"psd table", {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 9, 0, 0, 0, 9, 0, 8, 0, 3,
                     0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 9},
       IMG_ERR_CORRUPT},
  };
  for (const Case& c : cases) {
    ImgImage img;
    EXPECT_EQ(img_load_memory(c.bytes.data(), c.bytes.size(), 0, img, nullptr), c.expected) << c.what;
  }
}

// A GEM image made by hand from the format's codes: a pattern run, a solid run, a literal string
// and a vertical replication, 16 pixels wide, 4 rows (the last two a repeat), 85 microns a pixel.
TEST(ImgLoad, GemImageCodes) {
  const std::vector<uint8_t> file = {
      0, 1, 0, 8, 0, 1, 0, 2, 0, 85, 0, 85, 0, 16, 0, 4,  // header: 8 words
      0, 1, 0xAA, 0x55,                                    // row 0: one pattern run of AA 55
      0x81, 0x80, 1, 0x0F,                                 // row 1: one set byte, a literal 0F
      0, 0, 0xFF, 2, 0x82,                                 // rows 2 and 3: two set bytes, twice
  };
  ImgImage img;
  ASSERT_EQ(img_probe_memory(file.data(), file.size()), IMG_FMT_GEM);
  ASSERT_EQ(img_load_memory(file.data(), file.size(), 0, img, nullptr), IMG_OK);
  ASSERT_EQ(img.width, 16);
  ASSERT_EQ(img.height, 4);
  EXPECT_EQ(img.dpi_x, 298);
  const uint8_t rows[4][2] = {{0xAA, 0x55}, {0xFF, 0x0F}, {0xFF, 0xFF}, {0xFF, 0xFF}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 16; ++x)
      EXPECT_EQ(imgtest::Pixel(img, x, y), uint32_t((rows[y][x / 8] >> (7 - x % 8)) & 1)) << x << "," << y;
  EXPECT_EQ(img.palette[1], 0x000000u);  // set bits black
  for (size_t cut = 16; cut < file.size(); ++cut)
    EXPECT_EQ(img_load_memory(file.data(), cut, 0, img, nullptr), IMG_ERR_CORRUPT) << cut;
}

// The document offers every file to the imaging library first: a drawing or plot file that a
// loose probe took for a raster would never reach the vector readers.
TEST(ImgLoad, DrawingsAndPlotFilesAreNoRasters) {
  const char* root = std::getenv("VV_TESTDATA");
  if (!root) GTEST_SKIP() << "shared test data not present";
  int seen = 0;
  for (const char* folder : {"dwg", "dxf", "dxf-binary", "hpgl"}) {
    std::string dir = std::string(root) + "/" + folder;
    std::string list = "ls '" + dir + "' 2>/dev/null";
    FILE* p = popen(list.c_str(), "r");
    if (!p) continue;
    char name[512];
    while (std::fgets(name, sizeof name, p)) {
      std::string file = dir + "/" + std::string(name, std::strcspn(name, "\n"));
      if (file.size() > 5 && file.compare(file.size() - 5, 5, ".json") == 0) continue;
      if (file.size() > 3 && file.compare(file.size() - 3, 3, ".md") == 0) continue;
      ++seen;
      EXPECT_EQ(img_probe_file(file.c_str()), IMG_ERR_UNKNOWN_FORMAT) << file;
    }
    pclose(p);
  }
  if (seen == 0) GTEST_SKIP() << "shared test data not present";
}

TEST(ImgSave, PaletteImagesGoIntoJpegAsTheirColours) {
  // Blocks of one colour each, aligned to JPEG's 16 x 16 blocks of subsampled colour, so the codec
  // loses next to nothing.
  ImgImage img = imgtest::Pattern(64, 32, 8);
  for (int32_t y = 0; y < 32; ++y)
    for (int32_t x = 0; x < 64; ++x) imgtest::SetPixel(img, x, y, uint32_t((x / 16) * 60 + (y / 16) * 20));
  for (int32_t format : {IMG_FMT_JPEG, IMG_FMT_TIFF_JPEG}) {
    std::vector<uint8_t> bytes;
    ASSERT_EQ(img_save_memory(img, format, bytes), IMG_OK) << format;
    ImgImage back;
    ASSERT_EQ(img_load_memory(bytes.data(), bytes.size(), 0, back, nullptr), IMG_OK);
    EXPECT_EQ(back.bpp, 24);
    // Block centres: libjpeg blends the subsampled colour across block edges when it decodes.
    for (int32_t y = 8; y < 32; y += 16)
      for (int32_t x = 8; x < 64; x += 16) {
        uint32_t a = img.palette[imgtest::Pixel(img, x, y)], b = imgtest::Pixel(back, x, y);
        for (int sh = 0; sh <= 16; sh += 8)
          EXPECT_NEAR(int((a >> sh) & 255), int((b >> sh) & 255), 4) << format << " at " << x << "," << y;
      }
  }
}

TEST(ImgSave, WritesOnlyTheRegion) {
  ImgImage src = imgtest::Drawing(64, 40);
  ASSERT_EQ(img_set_region(src, ImgRect{3, 5, 30, 20}), IMG_OK);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(img_save_memory(src, IMG_FMT_TIFF_G4, bytes), IMG_OK);
  ImgImage back, expected;
  ASSERT_EQ(img_load_memory(bytes.data(), bytes.size(), 0, back, nullptr), IMG_OK);
  ASSERT_EQ(img_crop(src, src.region, expected), IMG_OK);
  EXPECT_EQ(imgtest::SameColours(expected, back), "");
}

TEST(ImgSave, FailedSaveLeavesTheOldFileAndNoTemporary) {
  std::string path = ::testing::TempDir() + "img_save_test.tif";
  ImgImage colour = imgtest::Pattern(8, 8, 24), sheet = imgtest::Drawing(40, 30);
  ASSERT_EQ(img_save_file(colour, path.c_str(), IMG_FMT_TIFF), IMG_OK);
  EXPECT_EQ(img_save_file(colour, path.c_str(), IMG_FMT_TIFF_G4), IMG_ERR_DEPTH);
  ImgImage back;
  ASSERT_EQ(img_load_file(path.c_str(), 0, back, nullptr), IMG_OK);
  EXPECT_EQ(back.bpp, 24);
  // A save over an existing file replaces it.
  ASSERT_EQ(img_save_file(sheet, path.c_str(), IMG_FMT_TIFF_G4), IMG_OK);
  ASSERT_EQ(img_load_file(path.c_str(), 0, back, nullptr), IMG_OK);
  EXPECT_EQ(imgtest::SameColours(sheet, back), "");
  EXPECT_EQ(std::fopen((path + ".vvtmp").c_str(), "rb"), nullptr);
  // A folder that does not exist: an error, nothing written.
  EXPECT_EQ(img_save_file(sheet, (::testing::TempDir() + "no-such-dir/x.tif").c_str(), IMG_FMT_TIFF_G4),
            IMG_ERR_WRITE);
  std::remove(path.c_str());
}

TEST(ImgLoad, UnknownContentAndMissingPagesAreErrors) {
  const uint8_t text[] = "SECTION\n  2\nHEADER\n";
  ImgImage img;
  EXPECT_EQ(img_probe_memory(text, sizeof text), IMG_ERR_UNKNOWN_FORMAT);
  EXPECT_EQ(img_load_memory(text, sizeof text, 0, img, nullptr), IMG_ERR_UNKNOWN_FORMAT);
  EXPECT_EQ(img_load_file("/no/such/file.tif", 0, img, nullptr), IMG_ERR_OPEN);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(img_save_memory(imgtest::Pattern(9, 5, 8), IMG_FMT_PNG, bytes), IMG_OK);
  EXPECT_EQ(img_load_memory(bytes.data(), bytes.size(), 1, img, nullptr), IMG_ERR_NO_PAGE);
  ASSERT_EQ(img_save_memory(imgtest::Drawing(9, 5), IMG_FMT_TIFF_G4, bytes), IMG_OK);
  EXPECT_EQ(img_load_memory(bytes.data(), bytes.size(), 1, img, nullptr), IMG_ERR_NO_PAGE);
}

}  // namespace
