// JPEG through libjpeg: grey and colour images read (CMYK turned into RGB) and written. libjpeg
// reports fatal errors by a long jump; no C++ object with a destructor lives across one.
#include "img_codec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

namespace {

struct ErrorJump {
  jpeg_error_mgr mgr;
  jmp_buf jump;
};

void on_error(j_common_ptr c) { std::longjmp(reinterpret_cast<ErrorJump*>(c->err)->jump, 1); }

// A file that ends early decodes as grey in libjpeg; for the viewer that is a damaged file.
void on_message(j_common_ptr c, int level) {
  if (level < 0 && c->err->msg_code == JWRN_JPEG_EOF) on_error(c);
}
void no_output(j_common_ptr) {}

void init_errors(ErrorJump& e) {
  jpeg_std_error(&e.mgr);
  e.mgr.error_exit = on_error;
  e.mgr.emit_message = on_message;
  e.mgr.output_message = no_output;
}

// The parts of a decode that run after setjmp: kept in one function whose locals are set before
// any jump can happen.
int32_t decode(jpeg_decompress_struct& c, ImgImage& img, std::vector<uint8_t>& line, const ImgProgress* progress) {
  jpeg_read_header(&c, TRUE);
  // Progressive files keep every coefficient in memory: bound it like the image itself.
  c.mem->max_memory_to_use = long(IMG_MAX_PIXEL_BYTES / 2);
  if (c.image_width > IMG_MAX_DIMENSION || c.image_height > IMG_MAX_DIMENSION) return IMG_ERR_TOO_LARGE;
  bool grey = c.jpeg_color_space == JCS_GRAYSCALE;
  bool cmyk = c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK;
  c.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
  int32_t rc = img_create(img, int32_t(c.image_width), int32_t(c.image_height), grey ? 8 : 24);
  if (rc != IMG_OK) return rc;
  if (grey) img.palette = img_grey_palette(8);
  if (c.density_unit == 1 || c.density_unit == 2) {
    double f = c.density_unit == 2 ? 2.54 : 1.0;
    img.dpi_x = int32_t(c.X_density * f + 0.5);
    img.dpi_y = int32_t(c.Y_density * f + 0.5);
  }
  jpeg_start_decompress(&c);
  line.resize(size_t(c.output_width) * size_t(c.output_components));
  ImgProgressSteps steps(progress, c.output_height);
  while (c.output_scanline < c.output_height) {
    steps.Advance(c.output_scanline + 1);
    uint8_t* dst = img.row(int32_t(c.output_scanline));
    JSAMPROW rows[1] = {grey ? dst : line.data()};
    if (jpeg_read_scanlines(&c, rows, 1) != 1) return IMG_ERR_CORRUPT;
    if (grey) continue;
    for (JDIMENSION x = 0; x < c.output_width; ++x) {
      uint8_t* o = dst + size_t(x) * 3;
      if (cmyk) {
        // Adobe writes CMYK inverted; multiplying the inverted values by K gives RGB.
        const uint8_t* p = line.data() + size_t(x) * 4;
        o[0] = uint8_t(p[2] * p[3] / 255);
        o[1] = uint8_t(p[1] * p[3] / 255);
        o[2] = uint8_t(p[0] * p[3] / 255);
      } else {
        const uint8_t* p = line.data() + size_t(x) * 3;
        o[0] = p[2];
        o[1] = p[1];
        o[2] = p[0];
      }
    }
  }
  jpeg_finish_decompress(&c);
  return IMG_OK;
}

}  // namespace

int32_t jpeg_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  jpeg_decompress_struct c;
  ErrorJump err;
  std::vector<uint8_t> line;
  c.err = &err.mgr;
  init_errors(err);
  jpeg_create_decompress(&c);
  int32_t rc;
  if (setjmp(err.jump)) {
    rc = IMG_ERR_CORRUPT;
  } else {
    jpeg_mem_src(&c, d, static_cast<unsigned long>(n));
    rc = decode(c, img, line, progress);
  }
  jpeg_destroy_decompress(&c);
  if (rc != IMG_OK) img = ImgImage();
  return rc;
}

namespace {

int32_t encode(jpeg_compress_struct& c, const ImgImage& img, std::vector<uint8_t>& line) {
  bool grey = img.bpp == 8 && img_palette_is_grey_ramp(img.palette);
  c.image_width = JDIMENSION(img.width);
  c.image_height = JDIMENSION(img.height);
  c.input_components = grey ? 1 : 3;
  c.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 85, TRUE);
  if (img.dpi_x > 0 && img.dpi_y > 0 && img.dpi_x < 65536 && img.dpi_y < 65536) {
    c.density_unit = 1;
    c.X_density = UINT16(img.dpi_x);
    c.Y_density = UINT16(img.dpi_y);
  }
  jpeg_start_compress(&c, TRUE);
  line.resize(size_t(img.width) * 3);
  for (int32_t y = 0; y < img.height; ++y) {
    const uint8_t* s = img.row(y);
    for (int32_t x = 0; x < img.width && !grey; ++x) {
      uint8_t* o = line.data() + size_t(x) * 3;
      if (img.bpp == 8) {
        uint32_t c8 = img.palette[s[x]];
        o[0] = uint8_t(c8 >> 16);
        o[1] = uint8_t(c8 >> 8);
        o[2] = uint8_t(c8);
      } else {
        o[0] = s[3 * x + 2];
        o[1] = s[3 * x + 1];
        o[2] = s[3 * x];
      }
    }
    JSAMPROW rows[1] = {grey ? const_cast<uint8_t*>(s) : line.data()};
    jpeg_write_scanlines(&c, rows, 1);
  }
  jpeg_finish_compress(&c);
  return IMG_OK;
}

}  // namespace

int32_t jpeg_write(const ImgImage& src, std::vector<uint8_t>& out) {
  if (src.bpp != 24 && src.bpp != 8) return IMG_ERR_DEPTH;
  ImgImage img = src;
  if (img.bpp == 8) img.palette.resize(256, 0);
  jpeg_compress_struct c;
  ErrorJump err;
  std::vector<uint8_t> line;
  unsigned char* buf = nullptr;
  unsigned long size = 0;
  c.err = &err.mgr;
  init_errors(err);
  jpeg_create_compress(&c);
  int32_t rc;
  if (setjmp(err.jump)) {
    rc = IMG_ERR_WRITE;
  } else {
    jpeg_mem_dest(&c, &buf, &size);
    rc = encode(c, img, line);
  }
  jpeg_destroy_compress(&c);
  if (rc == IMG_OK) out.assign(buf, buf + size);
  std::free(buf);
  return rc;
}
