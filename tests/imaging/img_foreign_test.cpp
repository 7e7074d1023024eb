// Files of the same images written by another program, ImageMagick's convert, run as a program:
// the library must read what convert writes, and convert must read what the library writes, with
// the same colours at every pixel. Skipped where convert is not installed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include "img_core.h"
#include "img_fixture.h"

namespace {

bool HaveConvert() {
  static const bool have = std::system("convert -version >/dev/null 2>&1") == 0;
  return have;
}

struct Foreign {
  const char* name;     // convert's name of the format
  int32_t format;       // our code
  int32_t bpp;          // depth of the test image
  bool we_write;        // convert reads what we write
  bool they_write;      // we read what convert writes
  const char* options;  // convert's options when it writes
};

const Foreign kForeign[] = {
    // convert marks its TARGA rows bottom-up while it writes them top-down unless the
    // orientation is stated.
    {"tga", IMG_FMT_TGA, 24, true, true, "-orient TopLeft"},
    {"tga", IMG_FMT_TGA, 8, true, true, "-orient TopLeft -type Palette"},
    {"dcx", IMG_FMT_DCX, 1, false, true, "-type Bilevel"},
    {"dcx", IMG_FMT_DCX, 24, true, true, "-type TrueColor"},
    {"ico", IMG_FMT_ICO, 4, true, true, ""},
    {"ico", IMG_FMT_ICO, 1, true, false, ""},
    {"xbm", IMG_FMT_XBM, 1, true, true, ""},
    {"xpm", IMG_FMT_XPM, 8, true, true, ""},
    {"xwd", IMG_FMT_XWD, 8, true, true, ""},
    {"sun", IMG_FMT_SUN, 1, true, true, "-type Bilevel"},
    {"sun", IMG_FMT_SUN, 8, true, true, "-type Palette"},
    {"sun", IMG_FMT_SUN, 24, true, true, "-type TrueColor"},
    {"psd", IMG_FMT_PSD, 24, true, true, ""},
    {"psd", IMG_FMT_PSD, 8, false, true, "-type Palette"},
    {"psd", IMG_FMT_PSD, 1, true, false, ""},
    {"pict", IMG_FMT_PICT, 24, true, true, ""},
    {"pict", IMG_FMT_PICT, 8, true, true, "-type Palette"},
    {"pict", IMG_FMT_PICT, 1, true, false, ""},
    {"wpg", IMG_FMT_WPG, 8, true, false, ""},
    {"wpg", IMG_FMT_WPG, 4, true, false, ""},
    {"wpg", IMG_FMT_WPG, 1, true, false, ""},
};

// Named after the process: other runs of the suite (another checkout's) may share the folder.
std::string Temp(const std::string& name) {
  return ::testing::TempDir() + "img_foreign_" + std::to_string(getpid()) + "_" + name;
}

ImgImage Source(int32_t bpp) {
  // Small and palette-poor enough for icons and pixmaps; the bitonal one a drawing.
  return bpp == 1 ? imgtest::Drawing(61, 37) : imgtest::Pattern(23, 17, bpp);
}

class ImgForeign : public ::testing::TestWithParam<Foreign> {};

TEST_P(ImgForeign, ConvertReadsOurs) {
  const Foreign& c = GetParam();
  if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  if (!c.we_write) GTEST_SKIP() << "convert cannot read this format";
  ImgImage src = Source(c.bpp);
  std::string ours = Temp(std::string("ours.") + c.name), png = Temp("ours_back.png");
  ASSERT_EQ(img_save_file(src, ours.c_str(), c.format), IMG_OK);
  std::string cmd = std::string("convert '") + c.name + ":" + ours + "[0]' png24:'" + png + "' 2>/dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  ImgImage back, part;
  ASSERT_EQ(img_load_file(png.c_str(), 0, back, nullptr), IMG_OK);
  // MacPaint's page is larger than the image: compare the corner that holds it.
  ASSERT_EQ(img_crop(back, ImgRect{0, 0, src.width, src.height}, part), IMG_OK);
  EXPECT_EQ(imgtest::SameColours(src, part), "") << c.name;
  std::remove(ours.c_str());
  std::remove(png.c_str());
}

TEST_P(ImgForeign, WeReadConverts) {
  const Foreign& c = GetParam();
  if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  if (!c.they_write) GTEST_SKIP() << "convert does not write this variant";
  ImgImage src = Source(c.bpp);
  std::string png = Temp("src.png"), theirs = Temp(std::string("theirs.") + c.name);
  ASSERT_EQ(img_save_file(src, png.c_str(), IMG_FMT_PNG), IMG_OK);
  std::string cmd = std::string("convert '") + png + "' " + c.options + " " + c.name + ":'" + theirs + "' 2>/dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  ImgImage back;
  ASSERT_EQ(img_probe_file(theirs.c_str()), c.format) << c.name;
  ASSERT_EQ(img_load_file(theirs.c_str(), 0, back, nullptr), IMG_OK) << c.name;
  EXPECT_EQ(imgtest::SameColours(src, back), "") << c.name;
  std::remove(png.c_str());
  std::remove(theirs.c_str());
}

// poppler's pdfimages takes the image out of each page of a PDF the library writes, as it is.
TEST(ImgForeignPdf, PdfimagesTakesOutTheSameImage) {
  if (std::system("pdfimages -v >/dev/null 2>&1") != 0) GTEST_SKIP() << "poppler's pdfimages is not installed";
  struct Case {
    int32_t bpp;
    bool grey;
  } cases[] = {{1, false}, {8, false}, {8, true}, {24, false}};
  for (const Case& c : cases) {
    ImgImage src = c.bpp == 1 ? imgtest::Drawing(61, 37) : imgtest::Pattern(23, 17, c.bpp, c.grey);
    std::string pdf = Temp("ours.pdf"), prefix = Temp("pdfimages");
    ASSERT_EQ(img_save_file(src, pdf.c_str(), IMG_FMT_PDF), IMG_OK);
    std::string cmd = "pdfimages -png '" + pdf + "' '" + prefix + "' 2>/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    ImgImage back;
    std::string png = prefix + "-000.png";
    ASSERT_EQ(img_load_file(png.c_str(), 0, back, nullptr), IMG_OK) << c.bpp;
    EXPECT_EQ(imgtest::SameColours(src, back), "") << c.bpp;
    std::remove(pdf.c_str());
    std::remove(png.c_str());
  }
}

INSTANTIATE_TEST_SUITE_P(Convert, ImgForeign, ::testing::ValuesIn(kForeign),
                         [](const ::testing::TestParamInfo<Foreign>& i) {
                           return std::string(i.param.name) + std::to_string(i.param.bpp);
                         });

}  // namespace
