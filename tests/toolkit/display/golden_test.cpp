// Pictures where pixels show a fault better than a trace: small drawings rendered by the test
// renderer and compared with the PNGs kept in golden/ within a small tolerance (a few pixels may
// move with rounding). VV_UPDATE_GOLDEN=1 writes the pictures anew instead; look at them before
// keeping them.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>

#include <cstdlib>
#include <string>
#include <vector>

#include "display_support.h"
#include "png_render.h"

namespace {

using display_test::DisplayTest;

std::string golden_path(const char* name) { return std::string(VV_GOLDEN_DIR "/") + name; }

bool read_png(const std::string& path, int* width, int* height, std::vector<uint8_t>* rgb) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  rgb->resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb->data(), 0, nullptr)) return false;
  *width = int(image.width);
  *height = int(image.height);
  return true;
}

class GoldenTest : public DisplayTest {
 protected:
  TkHandle add_block(const char* name) {
    TkBlockRecord b;
    tk_init_block_record(&b);
    std::strcpy(b.name, name);
    EXPECT_EQ(tk_next_handle(d, nullptr, 0, &b.handle), 1);
    EXPECT_EQ(tk_add_block(d, &b), 1);
    return b.handle;
  }
  // Renders the drawing at 160 x 160 around what it draws and compares it with the golden
  // picture: at most 0.2% of the pixels (51) may differ by more than a quarter of the range.
  void expect_picture(const char* name) {
    // A frame around (0, 0)-(100, 100) fixes what the picture shows.
    add_line(0, 0, 100, 0);
    add_line(100, 0, 100, 100);
    add_line(100, 100, 0, 100);
    add_line(0, 100, 0, 0);
    std::string path = golden_path(name);
    const char* update = std::getenv("VV_UPDATE_GOLDEN");
    if (update && *update == '1') {
      ASSERT_EQ(display_test::render_drawing(d, 160, 160, path, false), 1);
      return;
    }
    ASSERT_EQ(display_test::render_drawing(d, 160, 160, "", false), 1);
    const display_test::Canvas& got = display_test::render_canvas();
    int w = 0, h = 0;
    std::vector<uint8_t> want;
    ASSERT_TRUE(read_png(path, &w, &h, &want)) << path;
    ASSERT_EQ(w, got.width);
    ASSERT_EQ(h, got.height);
    // The canvas holds its rows as the PNG does.
    int differing = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        for (int c = 0; c < 3; ++c) {
          int a = got.rgb[(size_t(y) * w + x) * 3 + c];
          int b = want[(size_t(y) * w + x) * 3 + c];
          if (std::abs(a - b) > 64) {
            ++differing;
            break;
          }
        }
    EXPECT_LE(differing, w * h / 500) << name << ": rerun with VV_UPDATE_GOLDEN=1 to look";
  }
};

// A block whose square on layer "0" is inserted on a red layer: the square is red.
TEST_F(GoldenTest, LayerZeroInABlockTakesTheInsertingLayersColour) {
  TkLayerRecord red;
  tk_init_layer_record(d, &red);
  std::strcpy(red.name, "RED");
  red.color = 1;
  ASSERT_EQ(tk_next_handle(d, nullptr, 0, &red.handle), 1);
  ASSERT_EQ(tk_layer_add(d, &red), 1);
  TkHandle b = add_block("SQUARE");
  TkList* list = tk_block_entity_list(d, &b);
  add_line(0, 0, 40, 0, list);
  add_line(40, 0, 40, 40, list);
  add_line(40, 40, 0, 40, list);
  add_line(0, 40, 0, 0, list);
  start(TK_INSERT);
  put3(8, 30, 30);
  put(TK_INSERT_BLOCK, b);
  h.layer = red.handle;
  add();
  expect_picture("layer0_in_block.png");
}

// A filled SOLID in a block clipped to a triangle: only the triangle's part is filled.
TEST_F(GoldenTest, FillIsCutByTheClipBoundary) {
  const double up[3] = {0, 0, 1};
  d->header->fillmode = 1;
  TkHandle b = add_block("CLIPPED");
  start(TK_SOLID);
  put3(0, 0, 0);
  put3(24, 60, 0);
  put3(48, 0, 60);
  put3(72, 60, 60);
  add(tk_block_entity_list(d, &b));
  start(TK_INSERT);
  put3(8, 20, 20);
  put(TK_INSERT_BLOCK, b);
  h.xdictionary = display_test::add_filter(
      d, display_test::filter_record({0, 0, 60, 0, 0, 60}, 3, 1, up));
  add();
  expect_picture("fill_clipped.png");
}

// At the extents, lines on the extents' maximum x and y are on the picture's last column and
// top row: every side of the frame shows, whether the picture is wide, tall or square.
TEST_F(GoldenTest, EverySideOfTheExtentsFrameIsInThePicture) {
  add_line(0, 0, 100, 0);
  add_line(100, 0, 100, 100);
  add_line(100, 100, 0, 100);
  add_line(0, 100, 0, 0);
  static const int sizes[][2] = {{300, 100}, {100, 300}, {160, 160}};
  for (const auto& size : sizes) {
    ASSERT_EQ(display_test::render_drawing(d, size[0], size[1], "", false), 1);
    const display_test::Canvas& c = display_test::render_canvas();
    auto ink = [&](int x, int row) { return c.rgb[(size_t(row) * c.width + x) * 3] < 128; };
    int left = c.width, right = -1, top = c.height, bottom = -1;
    for (int row = 0; row < c.height; ++row)
      for (int x = 0; x < c.width; ++x)
        if (ink(x, row)) {
          left = std::min(left, x);
          right = std::max(right, x);
          top = std::min(top, row);
          bottom = std::max(bottom, row);
        }
    ASSERT_LT(left, right) << size[0] << "x" << size[1];
    // The square frame fills the smaller side: its far sides are the last column or top row.
    if (size[0] <= size[1]) {
      EXPECT_EQ(right, c.width - 1) << size[0] << "x" << size[1];
    }
    if (size[1] <= size[0]) {
      EXPECT_EQ(top, 0) << size[0] << "x" << size[1];
    }
    int sides[4] = {0, 0, 0, 0};
    for (int x = left; x <= right; ++x) sides[0] += ink(x, top), sides[1] += ink(x, bottom);
    for (int row = top; row <= bottom; ++row) sides[2] += ink(left, row), sides[3] += ink(right, row);
    for (int k = 0; k < 4; ++k)
      EXPECT_GE(sides[k] * 10, (k < 2 ? right - left + 1 : bottom - top + 1) * 9)
          << size[0] << "x" << size[1] << " side " << k;
  }
}

}  // namespace
