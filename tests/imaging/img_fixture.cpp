// Test images and comparisons for the imaging core's tests.
#include "img_fixture.h"

#include <cstdlib>
#include <cstring>
#include <sstream>

namespace imgtest {

uint32_t Pixel(const ImgImage& img, int32_t x, int32_t y) {
  const uint8_t* r = img.row(y);
  switch (img.bpp) {
    case 1: return (r[x / 8] >> (7 - x % 8)) & 1;
    case 4: return (x & 1) ? r[x / 2] & 15 : r[x / 2] >> 4;
    case 8: return r[x];
    case 24: return uint32_t(r[3 * x]) | uint32_t(r[3 * x + 1]) << 8 | uint32_t(r[3 * x + 2]) << 16;
    default: return uint32_t(r[4 * x]) | uint32_t(r[4 * x + 1]) << 8 | uint32_t(r[4 * x + 2]) << 16;
  }
}

void SetPixel(ImgImage& img, int32_t x, int32_t y, uint32_t v) {
  uint8_t* r = img.row(y);
  switch (img.bpp) {
    case 1:
      if (v) r[x / 8] |= uint8_t(0x80 >> (x % 8));
      else r[x / 8] &= uint8_t(~(0x80 >> (x % 8)));
      break;
    case 4: r[x / 2] = (x & 1) ? uint8_t((r[x / 2] & 0xF0) | v) : uint8_t((r[x / 2] & 0x0F) | v << 4); break;
    case 8: r[x] = uint8_t(v); break;
    case 24:
    case 32: {
      size_t b = size_t(img.bpp / 8) * size_t(x);
      r[b] = uint8_t(v);
      r[b + 1] = uint8_t(v >> 8);
      r[b + 2] = uint8_t(v >> 16);
      if (img.bpp == 32) r[b + 3] = 0xFF;
      break;
    }
  }
}

ImgImage Drawing(int32_t w, int32_t h) {
  ImgImage img;
  img_create(img, w, h, 1);
  for (int32_t x = 0; x < w; ++x) {
    SetPixel(img, x, 0, 1);
    SetPixel(img, x, h - 1, 1);
    SetPixel(img, x, h / 3, 1);
  }
  for (int32_t y = 0; y < h; ++y) {
    SetPixel(img, 0, y, 1);
    SetPixel(img, w - 1, y, 1);
    SetPixel(img, (y * w) / h, y, 1);
  }
  for (int32_t y = 5; y + 4 < h; y += 11)
    for (int32_t x = 7; x + 5 < w; x += 13)
      for (int k = 0; k < 4; ++k) SetPixel(img, x + k, y + (k * 3) % 4, 1);
  img.dpi_x = img.dpi_y = 400;
  return img;
}

ImgImage Pattern(int32_t w, int32_t h, int32_t bpp, bool grey) {
  ImgImage img;
  img_create(img, w, h, bpp);
  if (bpp == 4 || bpp == 8) {
    int n = 1 << bpp;
    img.palette.resize(size_t(n));
    for (int i = 0; i < n; ++i) {
      uint32_t g = uint32_t(i * 255 / (n - 1));
      img.palette[size_t(i)] = grey ? (g << 16 | g << 8 | g) : (uint32_t(i * 37 % 256) << 16 | g << 8 | uint32_t(255 - g));
    }
  }
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      uint32_t v;
      if (bpp == 1) v = ((x / 3 + y / 2) % 3) == 0;
      else if (bpp == 4) v = uint32_t((x + 2 * y) % 16);
      else if (bpp == 8 && grey) v = uint32_t((x + y) * 255 / (w + h));
      else if (bpp == 8) v = uint32_t((x * 7 + y * 3) % 256);
      // Smooth gradients so a lossy codec stays close.
      else v = uint32_t(x * 255 / w) | uint32_t(y * 255 / h) << 8 | uint32_t(((x + y) * 127) / (w + h)) << 16;
      SetPixel(img, x, y, v);
    }
  img.dpi_x = 150;
  img.dpi_y = 300;
  return img;
}

namespace {

uint32_t Colour(const ImgImage& img, int32_t x, int32_t y) {
  uint32_t v = Pixel(img, x, y);
  if (img.bpp <= 8) return v < img.palette.size() ? img.palette[v] : 0xDEADBEEFu;
  return v;
}

}  // namespace

std::string SameColours(const ImgImage& a, const ImgImage& b) {
  std::ostringstream os;
  if (a.width != b.width || a.height != b.height) {
    os << "size " << a.width << "x" << a.height << " vs " << b.width << "x" << b.height;
    return os.str();
  }
  for (int32_t y = 0; y < a.height; ++y)
    for (int32_t x = 0; x < a.width; ++x)
      if (Colour(a, x, y) != Colour(b, x, y)) {
        os << "pixel " << x << "," << y << ": " << std::hex << Colour(a, x, y) << " vs " << Colour(b, x, y);
        return os.str();
      }
  return "";
}

int MaxChannelDifference(const ImgImage& a, const ImgImage& b) {
  if (a.width != b.width || a.height != b.height) return 256;
  int worst = 0;
  for (int32_t y = 0; y < a.height; ++y)
    for (int32_t x = 0; x < a.width; ++x) {
      uint32_t p = Colour(a, x, y), q = Colour(b, x, y);
      for (int sh = 0; sh <= 16; sh += 8) {
        int d = std::abs(int((p >> sh) & 255) - int((q >> sh) & 255));
        if (d > worst) worst = d;
      }
    }
  return worst;
}

ImgProgress ProgressLog::Callback() {
  ImgProgress p;
  p.record = this;
  p.fn = [](void* record, int32_t total) -> int32_t {
    ProgressLog* log = static_cast<ProgressLog*>(record);
    ++log->calls;
    log->last_total = total;
    return 0;
  };
  return p;
}

}  // namespace imgtest
