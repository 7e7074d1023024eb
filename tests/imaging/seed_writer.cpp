// Writes the tiny seed files of the reader fuzz targets (tests/imaging/seeds/<format>/), one per
// codec and depth, with the library's own writers and the tests' GIF writer. Run by hand when a
// writer changes: seed_writer <seeds folder>.
#include <cstdio>
#include <string>
#include <vector>

#include "gif_writer.h"
#include "img_core.h"
#include "img_fixture.h"

namespace {

bool Put(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: seed_writer <seeds folder>\n");
    return 2;
  }
  const std::string root = argv[1];
  struct Seed {
    const char* file;
    int32_t format, bpp;
    bool grey;
  } seeds[] = {
      {"tiff/g4.tif", IMG_FMT_TIFF_G4, 1, false},        {"tiff/g3.tif", IMG_FMT_TIFF_G3, 1, false},
      {"tiff/g3_2d.tif", IMG_FMT_TIFF_2D, 1, false},     {"tiff/huffman.tif", IMG_FMT_TIFF_HUFFMAN, 1, false},
      {"tiff/packbits.tif", IMG_FMT_TIFF_PACKBITS, 1, false}, {"tiff/g4_fo.tif", IMG_FMT_TIFF_G4_FO, 1, false},
      {"tiff/palette4.tif", IMG_FMT_TIFF, 4, false},     {"tiff/grey8.tif", IMG_FMT_TIFF, 8, true},
      {"tiff/rgb.tif", IMG_FMT_TIFF, 24, false},         {"tiff/rgba.tif", IMG_FMT_TIFF, 32, false},
      {"tiff/jpeg.tif", IMG_FMT_TIFF_JPEG, 24, false},   {"cals/sheet.cal", IMG_FMT_CALS, 1, false},
      {"bmp/1.bmp", IMG_FMT_BMP, 1, false},              {"bmp/4.bmp", IMG_FMT_BMP, 4, false},
      {"bmp/8.bmp", IMG_FMT_BMP, 8, false},              {"bmp/24.bmp", IMG_FMT_BMP, 24, false},
      {"bmp/32.bmp", IMG_FMT_BMP, 32, false},            {"bmp/rle4.bmp", IMG_FMT_BMP_RLE, 4, false},
      {"bmp/rle8.bmp", IMG_FMT_BMP_RLE, 8, false},       {"bmp/8.dib", IMG_FMT_DIB, 8, false},
      {"pcx/1.pcx", IMG_FMT_PCX, 1, false},              {"pcx/4.pcx", IMG_FMT_PCX, 4, false},
      {"pcx/8.pcx", IMG_FMT_PCX, 8, false},              {"pcx/24.pcx", IMG_FMT_PCX, 24, false},
      {"png/1.png", IMG_FMT_PNG, 1, false},              {"png/4.png", IMG_FMT_PNG, 4, false},
      {"png/8.png", IMG_FMT_PNG, 8, false},              {"png/24.png", IMG_FMT_PNG, 24, false},
      {"png/32.png", IMG_FMT_PNG, 32, false},            {"jpeg/grey.jpg", IMG_FMT_JPEG, 8, true},
      {"jpeg/rgb.jpg", IMG_FMT_JPEG, 24, false},
      {"bitmaps/8.tga", IMG_FMT_TGA, 8, false},          {"bitmaps/24.tga", IMG_FMT_TGA, 24, false},
      {"bitmaps/16.tga", IMG_FMT_TGA16, 24, false},      {"bitmaps/1.dcx", IMG_FMT_DCX, 1, false},
      {"bitmaps/4.ico", IMG_FMT_ICO, 4, false},          {"bitmaps/1.msp", IMG_FMT_MSP, 1, false},
      {"bitmaps/1.mac", IMG_FMT_MACPAINT, 1, false},     {"bitmaps/8.pct", IMG_FMT_PICT, 8, false},
      {"bitmaps/24.pct", IMG_FMT_PICT, 24, false},       {"bitmaps/4.iff", IMG_FMT_IFF, 4, false},     {"xfiles/1.xbm", IMG_FMT_XBM, 1, false},
      {"xfiles/8.xpm", IMG_FMT_XPM, 8, false},           {"xfiles/8.xwd", IMG_FMT_XWD, 8, false},
      {"xfiles/1.ras", IMG_FMT_SUN, 1, false},           {"xfiles/24.ras", IMG_FMT_SUN, 24, false},
      {"psd/1.psd", IMG_FMT_PSD, 1, false},              {"psd/8.psd", IMG_FMT_PSD, 8, false},
      {"psd/24.psd", IMG_FMT_PSD, 24, false},            {"documents/8.wmf", IMG_FMT_WMF, 8, false},
      {"documents/1.clp", IMG_FMT_CLP, 1, false},        {"documents/1.pdf", IMG_FMT_PDF, 1, false},
      {"documents/24.pdf", IMG_FMT_PDF, 24, false},      {"documents/1.eps", IMG_FMT_EPS, 1, false},
      {"documents/24.eps", IMG_FMT_EPS, 24, false},      {"documents/1.pcl", IMG_FMT_PCL, 1, false},
      {"wpg/1.wpg", IMG_FMT_WPG, 1, false},              {"wpg/4.wpg", IMG_FMT_WPG, 4, false},
      {"wpg/8.wpg", IMG_FMT_WPG, 8, false},
  };
  int failed = 0;
  for (const Seed& s : seeds) {
    ImgImage img = s.bpp == 1 ? imgtest::Drawing(48, 32) : imgtest::Pattern(19, 13, s.bpp, s.grey);
    std::vector<uint8_t> bytes;
    if (img_save_memory(img, s.format, bytes) != IMG_OK || !Put(root + "/" + s.file, bytes)) {
      std::fprintf(stderr, "cannot write %s\n", s.file);
      ++failed;
    }
  }
  ImgImage palette = imgtest::Pattern(19, 13, 8);
  if (!Put(root + "/gif/plain.gif", imgtest::Gif(palette, false, false)) ||
      !Put(root + "/gif/interlaced.gif", imgtest::Gif(palette, true, true)))
    ++failed;
  return failed ? 1 : 0;
}
