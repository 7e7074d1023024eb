// GIF reading through our own LZW decoder, from files of the tests' own GIF writer.
#include <gtest/gtest.h>

#include <vector>

#include "img_core.h"
#include "img_fixture.h"
#include "gif_writer.h"

namespace {

struct GifCase {
  int32_t w, h;
  bool interlaced, local;
  bool noisy;  // enough distinct strings to fill the 4096-entry table and reset it
};

class ImgGif : public ::testing::TestWithParam<GifCase> {};

TEST_P(ImgGif, DecodesWhatTheEncoderWrote) {
  const GifCase& c = GetParam();
  ImgImage img = imgtest::Pattern(c.w, c.h, 8);
  if (c.noisy) {
    uint32_t s = 12345;
    for (int32_t y = 0; y < c.h; ++y)
      for (int32_t x = 0; x < c.w; ++x) {
        s = s * 1103515245u + 12345u;
        imgtest::SetPixel(img, x, y, (s >> 16) & 255);
      }
  }
  std::vector<uint8_t> gif = imgtest::Gif(img, c.interlaced, c.local);
  EXPECT_EQ(img_probe_memory(gif.data(), gif.size()), c.interlaced ? IMG_FMT_GIF_INTERLACED : IMG_FMT_GIF);
  ImgImage back;
  imgtest::ProgressLog log;
  ImgProgress progress = log.Callback();
  ASSERT_EQ(img_load_memory(gif.data(), gif.size(), 0, back, &progress), IMG_OK);
  EXPECT_EQ(log.calls, 100);
  EXPECT_EQ(imgtest::SameColours(img, back), "");
  // Cut anywhere before the last code: an error, never a crash.
  for (size_t len = 0; len + 3 < gif.size(); len += 1 + len / 16) {
    ImgImage cut;
    EXPECT_LT(img_load_memory(gif.data(), len, 0, cut, nullptr), 0) << len;
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, ImgGif,
                         ::testing::Values(GifCase{37, 23, false, false, false}, GifCase{37, 23, true, false, false},
                                           GifCase{5, 3, true, true, false}, GifCase{120, 90, false, true, true},
                                           GifCase{64, 61, true, false, true}));

TEST(ImgGifErrors, CodesBeyondTheTableAreRefused) {
  ImgImage img = imgtest::Pattern(16, 16, 8);
  std::vector<uint8_t> gif = imgtest::Gif(img, false, false);
  // Header, screen, global palette, control extension and image descriptor come first; the data
  // follows the code size byte and the first block's length. Its second code becomes 511, a code
  // the table does not hold yet.
  const size_t data = 13 + 768 + 8 + 10 + 2;
  std::vector<uint8_t> bad = gif;
  bad[data + 1] = 0xFF;
  bad[data + 2] = 0xFF;
  ImgImage back;
  EXPECT_LT(img_load_memory(bad.data(), bad.size(), 0, back, nullptr), 0);
}

}  // namespace
