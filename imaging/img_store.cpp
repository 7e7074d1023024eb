// The image store: allocation with size caps, regions and cropping. Codecs and operations build
// on these so no path allocates an image without the caps.
#include "img_core.h"

#include <cstring>
#include <new>

int32_t img_create(ImgImage& img, int32_t width, int32_t height, int32_t bpp) {
  img = ImgImage();
  if (width <= 0 || height <= 0 || (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32))
    return IMG_ERR_ARGUMENT;
  if (width > IMG_MAX_DIMENSION || height > IMG_MAX_DIMENSION) return IMG_ERR_TOO_LARGE;
  int64_t stride = ((int64_t(width) * bpp + 31) / 32) * 4;
  if (stride * height > IMG_MAX_PIXEL_BYTES) return IMG_ERR_TOO_LARGE;
  try {
    // Eight bytes of slack: the renderer reads whole 64-bit words at the end of the last row.
    img.pixels.assign(size_t(stride) * size_t(height) + 8, 0);
  } catch (const std::bad_alloc&) {
    return IMG_ERR_TOO_LARGE;
  }
  img.width = width;
  img.height = height;
  img.bpp = bpp;
  img.stride = size_t(stride);
  img.region = ImgRect{0, 0, width, height};
  if (bpp == 1) img.palette = {0xFFFFFFu, 0x000000u};
  return IMG_OK;
}

int32_t img_set_region(ImgImage& img, ImgRect r) {
  if (img.width <= 0) return IMG_ERR_NO_IMAGE;
  int64_t x0 = r.x < 0 ? 0 : r.x, y0 = r.y < 0 ? 0 : r.y;
  int64_t x1 = int64_t(r.x) + r.w, y1 = int64_t(r.y) + r.h;
  if (x1 > img.width) x1 = img.width;
  if (y1 > img.height) y1 = img.height;
  if (x1 <= x0 || y1 <= y0) return IMG_ERR_ARGUMENT;
  img.region = ImgRect{int32_t(x0), int32_t(y0), int32_t(x1 - x0), int32_t(y1 - y0)};
  return IMG_OK;
}

int32_t img_crop(const ImgImage& img, ImgRect r, ImgImage& out) {
  ImgImage probe;
  probe.width = img.width;
  probe.height = img.height;
  int32_t rc = img_set_region(probe, r);
  if (rc != IMG_OK) return rc;
  r = probe.region;
  ImgImage res;
  rc = img_create(res, r.w, r.h, img.bpp);
  if (rc != IMG_OK) return rc;
  res.palette = img.palette;
  res.dpi_x = img.dpi_x;
  res.dpi_y = img.dpi_y;
  res.format = img.format;
  for (int32_t y = 0; y < r.h; ++y) {
    const uint8_t* src = img.row(r.y + y);
    uint8_t* dst = res.row(y);
    if (img.bpp >= 8) {
      size_t bytes = size_t(img.bpp / 8);
      std::memcpy(dst, src + size_t(r.x) * bytes, size_t(r.w) * bytes);
    } else if ((int64_t(r.x) * img.bpp) % 8 == 0) {
      std::memcpy(dst, src + size_t(r.x) * img.bpp / 8, (size_t(r.w) * img.bpp + 7) / 8);
    } else {
      // An unaligned start: shift the row left bit by bit in whole bytes.
      int64_t bit = int64_t(r.x) * img.bpp;
      size_t nbytes = (size_t(r.w) * img.bpp + 7) / 8;
      int sh = int(bit % 8);
      const uint8_t* s = src + bit / 8;
      size_t avail = img.stride - size_t(bit / 8);
      for (size_t i = 0; i < nbytes; ++i) {
        uint8_t hi = s[i];
        uint8_t lo = i + 1 < avail ? s[i + 1] : 0;
        dst[i] = uint8_t((hi << sh) | (lo >> (8 - sh)));
      }
    }
    // Bits past the width stay zero so writers never store garbage pad bits.
    if (img.bpp < 8) {
      int tail = int((int64_t(r.w) * img.bpp) % 8);
      if (tail) dst[(size_t(r.w) * img.bpp) / 8] &= uint8_t(0xFF << (8 - tail));
    }
  }
  out = std::move(res);
  return IMG_OK;
}
