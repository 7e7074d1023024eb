// BMP files written by another program (ImageMagick's convert, run by the test; the tests skip
// themselves where it is not installed): an OS/2 header, RLE8, a top-down file and an RLE8
// stream with delta jumps, each compared pixel by pixel with what was given to convert or with
// what convert reads from it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "img_core.h"
#include "img_fixture.h"

namespace {

bool HaveConvert() {
#ifdef _WIN32
  return false;
#else
  return std::system("convert -version >/dev/null 2>&1") == 0;
#endif
}

bool Convert(const std::string& args) { return std::system(("convert " + args + " 2>/dev/null").c_str()) == 0; }

std::string Temp(const char* name) { return ::testing::TempDir() + "img_bmp_test_" + name; }

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::vector<uint8_t> bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  uint8_t buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  std::fclose(f);
  return bytes;
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
  std::fclose(f);
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

void PutLe32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// A bottom-up BMP with a 40-byte header turned into the same picture stored top-down: negative
// height, rows in the other order.
std::vector<uint8_t> TopDown(std::vector<uint8_t> bmp) {
  uint32_t offset = Le32(bmp, 10), width = Le32(bmp, 18), height = Le32(bmp, 22);
  uint32_t bits = uint32_t(bmp[28] | bmp[29] << 8);
  size_t stride = (size_t(width) * bits + 31) / 32 * 4;
  std::vector<uint8_t> flipped(bmp.begin(), bmp.begin() + offset);
  for (uint32_t y = height; y-- > 0;)
    flipped.insert(flipped.end(), bmp.begin() + long(offset + y * stride), bmp.begin() + long(offset + (y + 1) * stride));
  PutLe32(flipped, 22, uint32_t(-int32_t(height)));
  return flipped;
}

struct ForeignCase {
  const char* what;
  const char* convert_to;  // convert's output type and options
  bool top_down;           // the test turns convert's file top-down
  int32_t probed;
};

const ForeignCase kForeign[] = {
    {"OS/2 1.x header", "-type Palette BMP2:", false, IMG_FMT_BMP},
    {"RLE8", "-type Palette -compress RLE BMP3:", false, IMG_FMT_BMP_RLE},
    {"uncompressed 8 bit", "-type Palette -compress None BMP3:", false, IMG_FMT_BMP},
    {"top-down", "-type Palette -compress None BMP3:", true, IMG_FMT_BMP},
    {"24 bit", "-type TrueColor BMP3:", false, IMG_FMT_BMP},
};

TEST(ImgBmpForeign, ReadsWhatConvertWrote) {
  if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  // The picture handed to convert, as a PNG of our own (libpng's, which convert reads exactly).
  ImgImage src = imgtest::Pattern(37, 23, 8);
  const std::string png = Temp("src.png"), bmp = Temp("out.bmp");
  ASSERT_EQ(img_save_file(src, png.c_str(), IMG_FMT_PNG), IMG_OK);
  for (const ForeignCase& c : kForeign) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(Convert(png + " " + c.convert_to + bmp));
    std::vector<uint8_t> bytes = ReadAll(bmp);
    ASSERT_GT(bytes.size(), 54u);
    if (c.top_down) bytes = TopDown(bytes);
    EXPECT_EQ(img_probe_memory(bytes.data(), bytes.size()), c.probed);
    if (Le32(bytes, 14) == 12) {
      // The short OS/2 header has no compression field: what lies where a longer header keeps it
      // is colour table, and must not make the file RLE.
      std::vector<uint8_t> rle_lookalike = bytes;
      PutLe32(rle_lookalike, 30, 1);
      EXPECT_EQ(img_probe_memory(rle_lookalike.data(), rle_lookalike.size()), IMG_FMT_BMP);
    }
    ImgImage back;
    ASSERT_EQ(img_load_memory(bytes.data(), bytes.size(), 0, back, nullptr), IMG_OK);
    EXPECT_EQ(imgtest::SameColours(src, back), "");
  }
  std::remove(png.c_str());
  std::remove(bmp.c_str());
}

// An RLE8 file with the escapes convert never writes: delta jumps (across a row and down two
// rows) and an early end of bitmap. Convert reads it into a true-colour PNG; both readings must
// show the same pixels, the skipped ones included.
TEST(ImgBmpForeign, RleDeltasReadAsConvertReadsThem) {
  if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  const int32_t w = 12, h = 7;
  const uint8_t stream[] = {
      3, 1,        // row 0 (the bottom): three pixels of colour 1
      0, 2, 4, 0,  // jump 4 to the right
      2, 2,        // two pixels of colour 2
      0, 0,        // end of line
      0, 3, 1, 2, 3, 0,  // row 1: three pixels given one by one, padded to a word
      0, 2, 5, 2,  // jump 5 right and 2 down: row 3, x = 8
      4, 3,        // four pixels of colour 3 to the end of the row
      0, 0,        // end of line: row 4
      12, 2,       // a whole row of colour 2
      0, 1,        // end of bitmap: rows 5 and 6 are never given
      0, 0,        // padding: convert reads a word past the end of bitmap
  };
  const uint32_t palette[] = {0x00FFFFFF, 0x000000FF, 0x0000FF00, 0x00FF0000};
  std::vector<uint8_t> file(54 + sizeof palette, 0);
  file[0] = 'B';
  file[1] = 'M';
  PutLe32(file, 2, uint32_t(file.size() + sizeof stream));
  PutLe32(file, 10, uint32_t(file.size()));
  PutLe32(file, 14, 40);
  PutLe32(file, 18, w);
  PutLe32(file, 22, h);
  file[26] = 1;
  file[28] = 8;
  PutLe32(file, 30, 1);  // BI_RLE8
  PutLe32(file, 34, sizeof stream);
  PutLe32(file, 46, 4);
  for (size_t i = 0; i < 4; ++i) PutLe32(file, 54 + 4 * i, palette[i]);
  file.insert(file.end(), stream, stream + sizeof stream);

  const std::string bmp = Temp("delta.bmp"), png = Temp("delta.png");
  WriteAll(bmp, file);
  ASSERT_TRUE(Convert(bmp + " PNG24:" + png));
  ImgImage ours, theirs;
  ASSERT_EQ(img_load_file(bmp.c_str(), 0, ours, nullptr), IMG_OK);
  ASSERT_EQ(img_load_file(png.c_str(), 0, theirs, nullptr), IMG_OK);
  EXPECT_EQ(ours.format, IMG_FMT_BMP_RLE);
  EXPECT_EQ(imgtest::SameColours(theirs, ours), "");
  // The jumps landed where the stream says (top-down coordinates): row 0 at the bottom.
  EXPECT_EQ(ours.palette[imgtest::Pixel(ours, 7, h - 1)], palette[2]);
  EXPECT_EQ(ours.palette[imgtest::Pixel(ours, 8, h - 1 - 3)], palette[3]);
  std::remove(bmp.c_str());
  std::remove(png.c_str());
}

}  // namespace
