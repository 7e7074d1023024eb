// Raster images: IMAGE entities whose pictures (1-, 4-, 8- and 24-bit and run-length bitmaps
// made here) come through a loading slot, drawn through a recording pixel slot; clipped and
// rotated images, missing and foreign pictures, and images replayed from display lists.
#include <functional>
#include <map>
#include <set>

#include "display_support.h"
#include "toolkit/display/image_frame.h"
#include "toolkit/display/vec_output.h"

using namespace display_test;

namespace {

std::map<std::string, std::vector<uint8_t>> g_files;

void load_picture(const TkImageDefData* def, TkBlob** picture, TkUserData) {
  auto it = g_files.find(def->path);
  if (it == g_files.end()) return;
  *picture = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob_create(*picture);
  blob_write(w, it->second.data(), it->second.size());
  blob_close_write(w);
}

// What the pixel slot received: the colour of every (row, column) and where its span began.
struct Span {
  int32_t row, first, count;
  double x, y, step_x, step_y;
};
std::map<std::pair<int32_t, int32_t>, uint32_t> g_pixels;
std::vector<Span> g_spans;
int g_begin_images = 0;

uint32_t pixel_at(int32_t row, int32_t column) { return g_pixels[{row, column}]; }

void on_pixels(const uint8_t* p, int32_t length, TkUserData) {
  int32_t at = 0, mode = 0;
  auto i32 = [&](int32_t pos) {
    int32_t v;
    std::memcpy(&v, p + pos, 4);
    return v;
  };
  auto f64 = [&](int32_t pos) {
    double v;
    std::memcpy(&v, p + pos, 8);
    return v;
  };
  while (at + 4 <= length) {
    const int32_t kind = i32(at) >> 24;
    if (kind == 1) {
      ASSERT_LE(at + 16, length);
      mode = i32(at + 12);
      ++g_begin_images;
      at += 16;
    } else if (kind == 3) {
      at += 4;
    } else {
      ASSERT_EQ(kind, 2);
      ASSERT_LE(at + 120, length);
      Span s{};
      s.x = f64(at + 4);
      s.y = f64(at + 12);
      s.first = int32_t(f64(at + 20));
      s.row = int32_t(f64(at + 28));
      s.count = i32(at + 100);
      s.step_x = f64(at + 104);
      s.step_y = f64(at + 112);
      at += 120;
      for (int32_t i = 0; i < s.count; ++i) {
        uint32_t rgb;
        if (mode == 2) {
          ASSERT_LT(at + i / 8, length);
          rgb = (p[at + i / 8] >> (7 - i % 8)) & 1;
        } else {
          ASSERT_LE(at + 3 * i + 3, length);
          rgb =
              uint32_t(p[at + 3 * i]) << 16 | uint32_t(p[at + 3 * i + 1]) << 8 | p[at + 3 * i + 2];
        }
        g_pixels[std::make_pair(s.row, s.first + i)] = rgb;
      }
      at += mode == 2 ? (s.count + 7) / 8 : 3 * s.count;
      g_spans.push_back(s);
    }
  }
  EXPECT_EQ(at, length);
}

// A bitmap file: rows bottom-up, each rounded to 4 bytes; pixel(c, r) with r from the top
// gives a palette index or, for 24 bits, red << 16 | green << 8 | blue.
std::vector<uint8_t> bmp(int w, int h, int bits, const std::vector<uint32_t>& palette,
                         const std::function<uint32_t(int, int)>& pixel, uint32_t compression = 0,
                         const std::vector<uint8_t>& rle = {}) {
  std::vector<uint8_t> data;
  if (compression) {
    data = rle;
  } else {
    const int stride = (w * bits + 31) / 32 * 4;
    data.assign(size_t(stride * h), 0);
    for (int y = 0; y < h; ++y) {
      uint8_t* row = data.data() + size_t((h - 1 - y) * stride);
      for (int x = 0; x < w; ++x) {
        const uint32_t v = pixel(x, y);
        if (bits == 1) row[x / 8] = uint8_t(row[x / 8] | (v & 1) << (7 - x % 8));
        if (bits == 4) row[x / 2] = uint8_t(row[x / 2] | (v & 15) << (x % 2 ? 0 : 4));
        if (bits == 8) row[x] = uint8_t(v);
        if (bits == 24) {
          row[3 * x] = uint8_t(v);
          row[3 * x + 1] = uint8_t(v >> 8);
          row[3 * x + 2] = uint8_t(v >> 16);
        }
      }
    }
  }
  std::vector<uint8_t> out;
  auto put16 = [&](uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
  };
  auto put32 = [&](uint32_t v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  const uint32_t offset = 14 + 40 + uint32_t(palette.size()) * 4;
  put16(0x4D42);
  put32(offset + uint32_t(data.size()));
  put32(0);
  put32(offset);
  put32(40);
  put32(uint32_t(w));
  put32(uint32_t(h));
  put16(1);
  put16(uint32_t(bits));
  put32(compression);
  put32(uint32_t(data.size()));
  put32(2835);
  put32(2835);
  put32(uint32_t(palette.size()));
  put32(0);
  for (uint32_t c : palette) put32(c & 0xFFFFFF);
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

std::vector<uint32_t> grey_palette(int n) {
  std::vector<uint32_t> p;
  for (int i = 0; i < n; ++i) {
    const uint32_t g = uint32_t(i * 255 / std::max(n - 1, 1));
    p.push_back(g << 16 | (255 - g) << 8 | uint32_t(i));
  }
  return p;
}

class ImageTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    ASSERT_NE(d->class_numbers[TK_CLASS_IMAGE], 0);
    ASSERT_NE(d->class_numbers[TK_CLASS_IMAGEDEF], 0);
    // Records as the R2000 DWG reader stores them.
    d->version = 6;
    g_files.clear();
    g_pixels.clear();
    g_spans.clear();
    g_begin_images = 0;
    tk_set_draw_image_callback(load_picture);
    tk_set_draw_pixels_callback(on_pixels);
  }
  TkHandle add_definition(const std::string& path, int w, int h) {
    TkObjectHeader oh{};
    TkObjectData od;
    std::memset(&od, 0, sizeof od);
    oh.type = d->class_numbers[TK_CLASS_IMAGEDEF];
    tk_init_object(d, &oh, &od);
    oh.handle = H(0x8000 + next_definition++);
    std::snprintf(od.imagedef.path, sizeof od.imagedef.path, "%s", path.c_str());
    od.imagedef.image_size[0] = w;
    od.imagedef.image_size[1] = h;
    EXPECT_EQ(tk_object_add(d, &oh, &od), 1);
    return oh.handle;
  }
  // An IMAGE of w x h pixels at (x, y), each pixel 2 x 2 drawing units turned by the angle
  // (quarter turns), clipped to the pixel rectangle when clip has four values.
  void add_image(const TkHandle& definition, int width, int height, double x, double y,
                 int quarter = 0, std::vector<double> clip = {}) {
    start(uint16_t(d->class_numbers[TK_CLASS_IMAGE]));
    put3(8, x, y);
    const double u[4][2] = {{2, 0}, {0, 2}, {-2, 0}, {0, -2}};
    put3(32, u[quarter][0], u[quarter][1]);
    put3(56, -u[quarter][1], u[quarter][0]);
    put<double>(80, width);
    put<double>(88, height);
    put<int16_t>(96, int16_t(clip.empty() ? 1 : 5));
    put<uint8_t>(98, uint8_t(clip.empty() ? 0 : 1));
    put<int16_t>(102, 1);
    if (!clip.empty()) {
      put<uint32_t>(104, 2);
      TkBlob* b = blob_alloc(TK_BLOB_CHUNK_SIZE);
      TkBlob* wr = blob_create(b);
      blob_write(wr, clip.data(), clip.size() * sizeof(double));
      blob_close_write(wr);
      tk_data_put(&data, 144, b);
    }
    put(112, definition);
    add();
    last_image = h.handle;
  }
  void remove_image() { ASSERT_EQ(tk_delete_entity(d, model(), &last_image, 1), 1); }
  TkHandle last_image{};
  int next_definition = 0;
};

struct PictureCase {
  const char* name;
  int bits, w, h;
};

TEST_F(ImageTest, PicturesOfEveryDepthReachThePixelSlotPixelForPixel) {
  const PictureCase cases[] = {
      {"1-bit, width 13", 1, 13, 4}, {"4-bit, odd width", 4, 5, 3},
      {"4-bit, width 9", 4, 9, 2},   {"8-bit", 8, 7, 5},
      {"24-bit", 24, 6, 3},
  };
  for (const PictureCase& c : cases) {
    g_files.clear();
    g_pixels.clear();
    const int colours = c.bits == 24 ? 0 : 1 << c.bits;
    const std::vector<uint32_t> palette = grey_palette(std::min(colours, 16));
    auto pixel = [&](int x, int y) -> uint32_t {
      if (c.bits == 24) return uint32_t(x * 40) << 16 | uint32_t(y * 70) << 8 | uint32_t(x + y);
      return uint32_t((x * 3 + y * 5) % int(palette.size()));
    };
    g_files["pic.bmp"] = bmp(c.w, c.h, c.bits, palette, pixel);
    if (&c != cases) remove_image();
    add_image(add_definition("pic.bmp", c.w, c.h), c.w, c.h, 10, 10);
    ASSERT_EQ(regen(), 1) << c.name;
    ASSERT_EQ(g_pixels.size(), size_t(c.w * c.h)) << c.name;
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) {
        const uint32_t v = pixel(x, y);
        const uint32_t expected = c.bits == 1 ? v : c.bits == 24 ? v : palette[v] & 0xFFFFFF;
        EXPECT_EQ(pixel_at(y, x), expected) << c.name << " at " << x << "," << y;
      }
    // The top row lies at the top of the picture: device y of row 0 above that of the last.
    EXPECT_GT(g_spans.front().y, g_spans.back().y) << c.name;
  }
}

TEST_F(ImageTest, RunLengthPicturesStayInsideTheirPixels) {
  // RLE8 of 5 x 3: a run of 3, a literal of 3 (with its pad byte), end of line; a run far longer
  // than the line, a move past the picture, and no end-of-picture mark.
  const std::vector<uint8_t> rle8 = {3, 1, 0, 3, 2, 3, 4, 0, 0, 0, 255, 5, 0, 2, 200, 200};
  g_files["rle8.bmp"] = bmp(5, 3, 8, grey_palette(8), nullptr, 1, rle8);
  const std::vector<uint8_t> rle4 = {4, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 1};
  g_files["rle4.bmp"] = bmp(5, 2, 4, grey_palette(8), nullptr, 2, rle4);
  add_image(add_definition("rle8.bmp", 5, 3), 5, 3, 10, 10);
  ASSERT_EQ(regen(), 1);
  const auto palette = grey_palette(8);
  ASSERT_EQ(g_pixels.size(), 15u);
  // Stored rows are bottom-up: the first stored row is the picture's last.
  const uint32_t bottom[5] = {1, 1, 1, 2, 3};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(pixel_at(2, x), palette[bottom[x]] & 0xFFFFFF) << x;
  for (int x = 0; x < 5; ++x) EXPECT_EQ(pixel_at(1, x), palette[5] & 0xFFFFFF) << x;
  for (int x = 0; x < 5; ++x) EXPECT_EQ(pixel_at(0, x), palette[0] & 0xFFFFFF) << x;

  g_pixels.clear();
  remove_image();
  add_image(add_definition("rle4.bmp", 5, 2), 5, 2, 10, 10);
  ASSERT_EQ(regen(), 1);
  const uint32_t row1[5] = {1, 2, 1, 2, 0};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(pixel_at(1, x), palette[row1[x]] & 0xFFFFFF) << x;
  const uint32_t row0[5] = {3, 4, 5, 0, 0};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(pixel_at(0, x), palette[row0[x]] & 0xFFFFFF) << x;
}

TEST_F(ImageTest, ClippedImageDrawsInsideItsOutlineAndFramesIt) {
  g_files["pic.bmp"] = bmp(6, 4, 8, grey_palette(16), [](int x, int y) { return uint32_t(x + y); });
  // Pixel coordinates: columns 1 to 3, rows 1 to 2 (centres inside).
  add_image(add_definition("pic.bmp", 6, 4), 6, 4, 10, 10, 0, {0.5, 0.5, 3.5, 2.5});
  ASSERT_EQ(regen(), 1);
  std::set<std::pair<int32_t, int32_t>> seen;
  for (const auto& [rc, rgb] : g_pixels) seen.insert(rc);
  std::set<std::pair<int32_t, int32_t>> expected;
  for (int y = 1; y <= 2; ++y)
    for (int x = 1; x <= 3; ++x) expected.insert({y, x});
  EXPECT_EQ(seen, expected);
  // The frame follows the clip outline: x from 10 + 2 x 1 to 10 + 2 x 4 drawing units.
  int32_t xmin = 1 << 30, xmax = -(1 << 30);
  for (const Call& c : calls)
    if (c.slot == 0 || c.slot == 1) {
      xmin = std::min(xmin, c.a);
      xmax = std::max(xmax, c.a);
    }
  EXPECT_NEAR(xmin, 120, 1);
  EXPECT_NEAR(xmax, 180, 1);
}

TEST_F(ImageTest, RotatedImageStepsAlongItsRows) {
  g_files["pic.bmp"] =
      bmp(4, 3, 8, grey_palette(16), [](int x, int y) { return uint32_t(x * 3 + y); });
  add_image(add_definition("pic.bmp", 4, 3), 4, 3, 50, 20, 1);
  ASSERT_EQ(regen(), 1);
  EXPECT_EQ(g_pixels.size(), 12u);
  const auto palette = grey_palette(16);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(pixel_at(y, x), palette[size_t(x * 3 + y)] & 0xFFFFFF);
  for (const Span& s : g_spans) {
    EXPECT_NEAR(s.step_x, 0, 1e-9);
    EXPECT_NEAR(s.step_y, 20, 1e-9);
  }
}

TEST_F(ImageTest, MissingAndForeignPicturesDrawTheFrameOnly) {
  std::vector<uint8_t> foreign = bmp(4, 3, 8, grey_palette(16), [](int, int) { return 1u; });
  foreign[0] = 'B';
  foreign[1] = 'A';
  g_files["array.bmp"] = foreign;
  add_image(add_definition("missing.bmp", 4, 3), 4, 3, 10, 10);
  add_image(add_definition("array.bmp", 4, 3), 4, 3, 40, 10);
  ASSERT_EQ(regen(), 1);
  EXPECT_TRUE(g_pixels.empty());
  EXPECT_EQ(of(1).size(), 8u) << "two frames of four sides";
}

TEST_F(ImageTest, DefinitionOfAnotherKindIsNotDrawn) {
  add_dictionary(d, H(0x8800), "NOT_AN_IMAGE", H(0x8801));
  add_image(H(0x8800), 4, 3, 10, 10);
  ASSERT_EQ(regen(), 1);
  EXPECT_TRUE(of(1).empty());
  EXPECT_EQ(g_begin_images, 0);
}

TEST_F(ImageTest, ImagesReplayFromTheDisplayLists) {
  g_files["pic.bmp"] = bmp(5, 3, 24, {}, [](int x, int y) { return uint32_t(x * 50 + y); });
  add_image(add_definition("pic.bmp", 5, 3), 5, 3, 10, 10);
  tk_display_set_recording(d, 1);
  ASSERT_EQ(regen(), 1);
  const auto recorded = g_pixels;
  ASSERT_EQ(recorded.size(), 15u);
  const Span first = g_spans.front();
  g_pixels.clear();
  g_spans.clear();
  ASSERT_EQ(regen(), 1);
  EXPECT_EQ(g_pixels, recorded);
  ASSERT_FALSE(g_spans.empty());
  EXPECT_NEAR(g_spans.front().x, first.x, 1.0);
  EXPECT_NEAR(g_spans.front().y, first.y, 1.0);
  EXPECT_NEAR(g_spans.front().step_x, first.step_x, 0.01);
}

TEST(ImageHeader, ShortAndForeignHeadersGiveTheirStatus) {
  TkBmpInfo info;
  image_read_bmp_header({}, &info);
  EXPECT_EQ(info.status, 1);
  std::vector<uint8_t> b(64, 0);
  const char* twos[] = {"BA", "CI", "CP", "IC", "PT"};
  for (const char* m : twos) {
    b[0] = uint8_t(m[0]);
    b[1] = uint8_t(m[1]);
    image_read_bmp_header(b, &info);
    EXPECT_EQ(info.status, 2) << m;
    std::vector<uint8_t> pixels;
    EXPECT_FALSE(image_decode(b, info, &pixels));
  }
  b[0] = 'X';
  image_read_bmp_header(b, &info);
  EXPECT_EQ(info.status, 1);
  // A picture whose rows run past the data is not drawn.
  std::vector<uint8_t> good = bmp(8, 8, 8, grey_palette(4), [](int, int) { return 1u; });
  good.resize(good.size() - 10);
  image_read_bmp_header(good, &info);
  EXPECT_EQ(info.status, 0);
  std::vector<uint8_t> pixels;
  EXPECT_FALSE(image_decode(good, info, &pixels));
}

}  // namespace
