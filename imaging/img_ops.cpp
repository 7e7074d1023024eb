// Pixel operations on a whole image, in place: rotation (exact bit-block work for quarter turns of
// bitonal sheets, resampling onto a larger white canvas for other angles), mirroring, inversion,
// resizing and the 32-to-24-bit reduction. Not for views: the renderer scales only what it shows.
#include "img_codec.h"

#include <cmath>
#include <cstring>

namespace {

// A new image of the same depth, palette and resolution (dpi exchanged when turned on its side).
int32_t make_like(const ImgImage& img, int32_t w, int32_t h, bool swap_dpi, ImgImage& out) {
  int32_t rc = img_create(out, w, h, img.bpp);
  if (rc != IMG_OK) return rc;
  out.palette = img.palette;
  out.dpi_x = swap_dpi ? img.dpi_y : img.dpi_x;
  out.dpi_y = swap_dpi ? img.dpi_x : img.dpi_y;
  out.format = img.format;
  out.page_count = img.page_count;
  return IMG_OK;
}

void finish(ImgImage& img, ImgImage& res) {
  img = std::move(res);
  img.region = ImgRect{0, 0, img.width, img.height};
}

// A bitonal quarter turn, 8 x 8 pixels at a time: eight source bytes of one column of bytes are
// bit-transposed (Hacker's Delight) into eight destination bytes of one column of bytes. Clockwise,
// destination column x comes from source row height-1-x; anticlockwise, destination row y from
// source column width-1-y. Rows outside the source read as paper.
void quarter_turn_1bit(const ImgImage& img, bool clockwise, ImgImage& out) {
  const int32_t w = img.width, h = img.height;
  for (int32_t k = 0; k * 8 < h; ++k) {  // one destination byte column: eight source rows
    int32_t rows[8];
    for (int j = 0; j < 8; ++j) rows[j] = clockwise ? h - 1 - (8 * k + j) : 8 * k + j;
    for (int32_t bx = 0; bx * 8 < w; ++bx) {
      uint64_t x = 0;
      for (int j = 0; j < 8; ++j) x = x << 8 | (rows[j] >= 0 && rows[j] < h ? img.row(rows[j])[bx] : 0);
      if (x == 0) continue;  // blank paper: the destination is already zero
      uint64_t t;
      t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
      x = x ^ t ^ (t << 7);
      t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
      x = x ^ t ^ (t << 14);
      t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
      x = x ^ t ^ (t << 28);
      for (int j = 0; j < 8 && bx * 8 + j < w; ++j) {
        int32_t sx = bx * 8 + j;
        out.row(clockwise ? sx : w - 1 - sx)[k] = uint8_t(x >> (56 - 8 * j));
      }
    }
  }
}

void transpose_any(const ImgImage& img, ImgImage& out) {
  for (int32_t y = 0; y < img.height; ++y)
    for (int32_t x = 0; x < img.width; ++x) img_set_px(out, y, x, img_get_px(img, x, y));
}

// Index or colour of white paper for the canvas around a freely rotated image.
uint32_t background_of(const ImgImage& img) {
  if (img.bpp > 8) return img.bpp == 32 ? 0xFFFFFFFFu : 0xFFFFFFu;
  uint32_t best = 0;
  int luma = -1;
  for (size_t i = 0; i < img.palette.size() && i < (size_t(1) << img.bpp); ++i)
    if (img_luma(img.palette[i]) > luma) {
      luma = img_luma(img.palette[i]);
      best = uint32_t(i);
    }
  return best;
}

int32_t rotate_free(ImgImage& img, int32_t hundredths) {
  const double a = hundredths * (3.14159265358979323846 / 18000.0);
  const double c = std::cos(a), s = std::sin(a);
  const double w = img.width, h = img.height;
  double nw = std::ceil(std::fabs(w * c) + std::fabs(h * s) - 1e-6);
  double nh = std::ceil(std::fabs(w * s) + std::fabs(h * c) - 1e-6);
  if (nw > IMG_MAX_DIMENSION || nh > IMG_MAX_DIMENSION) return IMG_ERR_TOO_LARGE;
  ImgImage res;
  int32_t rc = make_like(img, int32_t(nw), int32_t(nh), false, res);
  if (rc != IMG_OK) return rc;
  const uint32_t bg = background_of(img);
  const double cx = w / 2, cy = h / 2, ncx = nw / 2, ncy = nh / 2;
  // Inverse mapping: each destination pixel centre turned back into the source (y grows down, so a
  // positive angle turns the sheet clockwise on screen), stepped along a row in 32.32 fixed point.
  const double one = 4294967296.0;
  const int64_t step_x = std::llround(c * one), step_y = std::llround(-s * one);
  const uint64_t sw = uint64_t(img.width), sh = uint64_t(img.height);
  for (int32_t y = 0; y < res.height; ++y) {
    const double dy = y + 0.5 - ncy, dx = 0.5 - ncx;
    int64_t fx = std::llround((dx * c + dy * s + cx) * one), fy = std::llround((-dx * s + dy * c + cy) * one);
    if (img.bpp == 1) {
      uint8_t* out = res.row(y);
      for (int32_t x = 0; x < res.width; ++x, fx += step_x, fy += step_y) {
        int64_t ix = fx >> 32, iy = fy >> 32;
        uint32_t v = (uint64_t(ix) < sw && uint64_t(iy) < sh)
                         ? (img.row(int32_t(iy))[ix >> 3] >> (7 - (ix & 7))) & 1u
                         : bg;
        if (v) out[x >> 3] |= uint8_t(0x80 >> (x & 7));
      }
      continue;
    }
    for (int32_t x = 0; x < res.width; ++x, fx += step_x, fy += step_y) {
      int64_t ix = fx >> 32, iy = fy >> 32;
      uint32_t v = (uint64_t(ix) < sw && uint64_t(iy) < sh) ? img_get_px(img, int32_t(ix), int32_t(iy)) : bg;
      if (v) img_set_px(res, x, y, v);
    }
  }
  finish(img, res);
  return IMG_OK;
}

// A bitonal reduction keeps every line: a pixel is ink when any source pixel under it is (the
// renderer's anti-aliasing mode, a band of rows at a time, packed back to one bit).
int32_t reduce_bitonal(const ImgImage& img, ImgImage& res) {
  const bool ink_is_zero = img.palette.size() >= 2 && img_luma(img.palette[0]) < img_luma(img.palette[1]);
  const int32_t band = 256;
  for (int32_t y0 = 0; y0 < res.height; y0 += band) {
    int32_t rows = res.height - y0 < band ? res.height - y0 : band;
    ImgViewBuffer v;
    int32_t rc = img_render_view(img, ImgRect{0, 0, img.width, img.height}, res.width, res.height,
                                 ImgRect{0, y0, res.width, rows}, IMG_VIEW_ALIAS, v);
    if (rc != IMG_OK) return rc;
    for (int32_t y = 0; y < rows; ++y) {
      const uint8_t* s = v.pixels.data() + size_t(y) * v.stride;
      for (int32_t x = 0; x < res.width; ++x)
        if ((s[x] != 0) != ink_is_zero) img_set_px(res, x, y0 + y, 1);
    }
  }
  return IMG_OK;
}

}  // namespace

int32_t img_mirror_x(ImgImage& img) {
  if (img.width <= 0) return IMG_ERR_NO_IMAGE;
  const int32_t w = img.width;
  if (img.bpp == 1) {
    size_t nbytes = (size_t(w) + 7) / 8;
    int pad = int(nbytes * 8 - size_t(w));
    std::vector<uint8_t> tmp(nbytes + 1);
    for (int32_t y = 0; y < img.height; ++y) {
      uint8_t* r = img.row(y);
      for (size_t i = 0; i < nbytes; ++i) tmp[i] = img_reverse_bits(r[nbytes - 1 - i]);
      tmp[nbytes] = 0;
      for (size_t i = 0; i < nbytes; ++i)
        r[i] = pad ? uint8_t(tmp[i] << pad | tmp[i + 1] >> (8 - pad)) : tmp[i];
    }
    return IMG_OK;
  }
  for (int32_t y = 0; y < img.height; ++y)
    for (int32_t x = 0; x < w / 2; ++x) {
      uint32_t a = img_get_px(img, x, y), b = img_get_px(img, w - 1 - x, y);
      img_set_px(img, x, y, b);
      img_set_px(img, w - 1 - x, y, a);
    }
  return IMG_OK;
}

int32_t img_mirror_y(ImgImage& img) {
  if (img.width <= 0) return IMG_ERR_NO_IMAGE;
  std::vector<uint8_t> tmp(img.stride);
  for (int32_t y = 0; y < img.height / 2; ++y) {
    uint8_t *a = img.row(y), *b = img.row(img.height - 1 - y);
    std::memcpy(tmp.data(), a, img.stride);
    std::memcpy(a, b, img.stride);
    std::memcpy(b, tmp.data(), img.stride);
  }
  return IMG_OK;
}

int32_t img_rotate(ImgImage& img, int32_t hundredths) {
  if (img.width <= 0) return IMG_ERR_NO_IMAGE;
  int32_t a = hundredths % 36000;
  if (a < 0) a += 36000;
  if (a == 0) return IMG_OK;
  if (a == 18000) {
    int32_t rc = img_mirror_x(img);
    return rc != IMG_OK ? rc : img_mirror_y(img);
  }
  if (a != 9000 && a != 27000) return rotate_free(img, a);
  ImgImage res;
  int32_t rc = make_like(img, img.height, img.width, true, res);
  if (rc != IMG_OK) return rc;
  if (img.bpp == 1) {
    quarter_turn_1bit(img, a == 9000, res);
  } else {
    // A transpose followed by a mirror is a quarter turn: clockwise mirrors left-right,
    // anticlockwise top-bottom.
    transpose_any(img, res);
    rc = a == 9000 ? img_mirror_x(res) : img_mirror_y(res);
    if (rc != IMG_OK) return rc;
  }
  finish(img, res);
  return IMG_OK;
}

int32_t img_invert(ImgImage& img) {
  if (img.width <= 0) return IMG_ERR_NO_IMAGE;
  if (img.bpp <= 8) {
    // Inverting the colours of the palette inverts what is shown without touching the pixels.
    for (uint32_t& c : img.palette) c = ~c & 0xFFFFFFu;
    return IMG_OK;
  }
  size_t bytes = size_t(img.bpp / 8);
  for (int32_t y = 0; y < img.height; ++y) {
    uint8_t* r = img.row(y);
    for (int32_t x = 0; x < img.width; ++x)
      for (size_t k = 0; k < 3; ++k) r[size_t(x) * bytes + k] = uint8_t(~r[size_t(x) * bytes + k]);
  }
  return IMG_OK;
}

int32_t img_resize(ImgImage& img, int32_t width, int32_t height) {
  if (img.width <= 0) return IMG_ERR_NO_IMAGE;
  if (width <= 0 || height <= 0) return IMG_ERR_ARGUMENT;
  if (width == img.width && height == img.height) return IMG_OK;
  ImgImage res;
  int32_t rc = make_like(img, width, height, false, res);
  if (rc != IMG_OK) return rc;
  // The resolution follows the size, so the sheet keeps its physical size.
  res.dpi_x = int32_t(int64_t(img.dpi_x) * width / img.width);
  res.dpi_y = int32_t(int64_t(img.dpi_y) * height / img.height);
  if (img.bpp == 1 && (width < img.width || height < img.height)) {
    rc = reduce_bitonal(img, res);
    if (rc != IMG_OK) return rc;
    finish(img, res);
    return IMG_OK;
  }
  std::vector<int32_t> xs(static_cast<size_t>(width));
  for (int32_t x = 0; x < width; ++x) xs[size_t(x)] = int32_t((2 * int64_t(x) + 1) * img.width / (2 * int64_t(width)));
  for (int32_t y = 0; y < height; ++y) {
    int32_t sy = int32_t((2 * int64_t(y) + 1) * img.height / (2 * int64_t(height)));
    for (int32_t x = 0; x < width; ++x) {
      uint32_t v = img_get_px(img, xs[size_t(x)], sy);
      if (v) img_set_px(res, x, y, v);
    }
  }
  finish(img, res);
  return IMG_OK;
}

int32_t img_reduce_to_24(ImgImage& img) {
  if (img.width <= 0) return IMG_ERR_NO_IMAGE;
  if (img.bpp != 32) return IMG_OK;
  ImgImage res;
  int32_t rc = img_create(res, img.width, img.height, 24);
  if (rc != IMG_OK) return rc;
  res.dpi_x = img.dpi_x;
  res.dpi_y = img.dpi_y;
  res.format = img.format;
  res.page_count = img.page_count;
  ImgRect keep = img.region;
  for (int32_t y = 0; y < img.height; ++y) {
    const uint8_t* s = img.row(y);
    uint8_t* d = res.row(y);
    for (int32_t x = 0; x < img.width; ++x) std::memcpy(d + 3 * size_t(x), s + 4 * size_t(x), 3);
  }
  img = std::move(res);
  img.region = keep;
  return IMG_OK;
}
