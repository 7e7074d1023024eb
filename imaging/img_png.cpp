// PNG through libpng: every colour type and depth read, bitonal and palette images kept at their
// depth; written at the image's own depth. libpng reports fatal errors by a long jump; no C++
// object with a destructor is made or resized across one.
#include "img_codec.h"

#include <png.h>

#include <cstring>

namespace {

struct MemReader {
  const uint8_t* data;
  size_t size, pos;
};

void read_mem(png_structp p, png_bytep out, png_size_t len) {
  MemReader* m = static_cast<MemReader*>(png_get_io_ptr(p));
  if (len > m->size - m->pos) png_error(p, "truncated");
  std::memcpy(out, m->data + m->pos, len);
  m->pos += len;
}

void write_mem(png_structp p, png_bytep in, png_size_t len) {
  static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p))->insert(
      static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p))->end(), in, in + len);
}
void flush_mem(png_structp) {}
void quiet(png_structp, png_const_charp) {}
// libpng's own error handler prints before it jumps; the library reports an error number instead.
void on_error(png_structp p, png_const_charp) { png_longjmp(p, 1); }

// pal lives in the caller so a long jump out of here skips no destructor.
int32_t decode(png_structp p, png_infop info, ImgImage& img, std::vector<uint32_t>& pal,
               const ImgProgress* progress) {
  png_read_info(p, info);
  png_uint_32 w = 0, h = 0;
  int depth = 0, type = 0, interlace = 0;
  png_get_IHDR(p, info, &w, &h, &depth, &type, &interlace, nullptr, nullptr);
  if (w > IMG_MAX_DIMENSION || h > IMG_MAX_DIMENSION) return IMG_ERR_TOO_LARGE;
  int32_t bpp;
  if (depth == 16) png_set_strip_16(p);
  if (type == PNG_COLOR_TYPE_PALETTE) {
    png_colorp colours = nullptr;
    int count = 0;
    png_get_PLTE(p, info, &colours, &count);
    if (depth == 2) {
      png_set_packing(p);
      bpp = 8;
    } else {
      bpp = depth;
    }
    pal.assign(size_t(1) << bpp, 0);
    for (int i = 0; i < count && size_t(i) < pal.size(); ++i)
      pal[size_t(i)] = uint32_t(colours[i].red) << 16 | uint32_t(colours[i].green) << 8 | colours[i].blue;
  } else if (type == PNG_COLOR_TYPE_GRAY) {
    if (depth == 2) png_set_expand_gray_1_2_4_to_8(p);
    bpp = depth == 1 || depth == 4 ? depth : 8;
    pal = img_grey_palette(bpp);
  } else if (type == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_gray_to_rgb(p);
    png_set_bgr(p);
    bpp = 32;
  } else if (type == PNG_COLOR_TYPE_RGB) {
    png_set_bgr(p);
    bpp = 24;
  } else {
    png_set_bgr(p);
    bpp = 32;
  }
  int passes = png_set_interlace_handling(p);
  png_read_update_info(p, info);
  if (png_get_rowbytes(p, info) > ((size_t(w) * size_t(bpp) + 31) / 32) * 4) return IMG_ERR_CORRUPT;
  int32_t rc = img_create(img, int32_t(w), int32_t(h), bpp);
  if (rc != IMG_OK) return rc;
  img.palette = pal;
  png_uint_32 xres = 0, yres = 0;
  int unit = 0;
  if (png_get_pHYs(p, info, &xres, &yres, &unit) && unit == PNG_RESOLUTION_METER) {
    img.dpi_x = int32_t((uint64_t(xres) * 254 + 5000) / 10000);
    img.dpi_y = int32_t((uint64_t(yres) * 254 + 5000) / 10000);
  }
  // Steps live on the caller's side of the long jump: a plain counter here is enough.
  const int64_t rows = int64_t(passes) * h;
  int64_t done = 0, reported = 0;
  for (int pass = 0; pass < passes; ++pass)
    for (png_uint_32 y = 0; y < h; ++y) {
      png_read_row(p, img.row(int32_t(y)), nullptr);
      for (++done; progress && progress->fn && reported < done * 100 / rows; ++reported)
        progress->fn(progress->record, 100);
    }
  png_read_end(p, nullptr);
  return IMG_OK;
}

}  // namespace

int32_t png_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  MemReader m{d, n, 0};
  std::vector<uint32_t> pal;
  png_structp p = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, quiet);
  if (!p) return IMG_ERR_TOO_LARGE;
  png_infop info = png_create_info_struct(p);
  int32_t rc = IMG_ERR_TOO_LARGE;
  if (info) {
    if (setjmp(png_jmpbuf(p))) {
      rc = IMG_ERR_CORRUPT;
    } else {
      png_set_read_fn(p, &m, read_mem);
      rc = decode(p, info, img, pal, progress);
    }
  }
  png_destroy_read_struct(&p, info ? &info : nullptr, nullptr);
  if (rc != IMG_OK) img = ImgImage();
  return rc;
}

namespace {

void encode(png_structp p, png_infop info, const ImgImage& img, std::vector<uint8_t>& out) {
  png_set_write_fn(p, &out, write_mem, flush_mem);
  bool grey = img.bpp <= 8 && img_palette_is_grey_ramp(img.palette);
  int type = img.bpp == 24 ? PNG_COLOR_TYPE_RGB
             : img.bpp == 32 ? PNG_COLOR_TYPE_RGB_ALPHA
             : grey          ? PNG_COLOR_TYPE_GRAY
                             : PNG_COLOR_TYPE_PALETTE;
  png_set_IHDR(p, info, png_uint_32(img.width), png_uint_32(img.height), img.bpp > 8 ? 8 : img.bpp, type,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (type == PNG_COLOR_TYPE_PALETTE) {
    png_color colours[256];
    size_t n = size_t(1) << img.bpp;
    for (size_t i = 0; i < n; ++i) {
      uint32_t c = i < img.palette.size() ? img.palette[i] : 0;
      colours[i].red = png_byte(c >> 16);
      colours[i].green = png_byte(c >> 8);
      colours[i].blue = png_byte(c);
    }
    png_set_PLTE(p, info, colours, int(n));
  }
  if (img.dpi_x > 0 && img.dpi_y > 0)
    png_set_pHYs(p, info, png_uint_32((int64_t(img.dpi_x) * 10000 + 127) / 254),
                 png_uint_32((int64_t(img.dpi_y) * 10000 + 127) / 254), PNG_RESOLUTION_METER);
  png_write_info(p, info);
  if (img.bpp >= 24) png_set_bgr(p);
  for (int32_t y = 0; y < img.height; ++y) png_write_row(p, img.row(y));
  png_write_end(p, nullptr);
}

}  // namespace

int32_t png_write(const ImgImage& img, std::vector<uint8_t>& out) {
  if (img.bpp != 1 && img.bpp != 4 && img.bpp != 8 && img.bpp != 24 && img.bpp != 32) return IMG_ERR_DEPTH;
  out.clear();
  out.reserve(img.stride * size_t(img.height) / 4 + 1024);
  png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, quiet);
  if (!p) return IMG_ERR_TOO_LARGE;
  png_infop info = png_create_info_struct(p);
  int32_t rc = IMG_ERR_TOO_LARGE;
  if (info) {
    if (setjmp(png_jmpbuf(p))) {
      rc = IMG_ERR_WRITE;
    } else {
      encode(p, info, img, out);
      rc = IMG_OK;
    }
  }
  png_destroy_write_struct(&p, info ? &info : nullptr);
  return rc;
}
