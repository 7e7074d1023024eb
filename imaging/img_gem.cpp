// GEM raster images (Digital Research's GEM IMG format, as its VDI documentation gives it): a
// header of big-endian words (version, header length in words, planes, pattern length, pixel size
// in microns, width, height) and scan lines coded as solid runs, pattern runs, literal strings and
// a vertical replication count. One plane is bitonal with set bits black; more planes are read as
// indices into a grey ramp, the file having no palette of its own. Read only.
#include "img_codec.h"

bool gem_looks_like(const uint8_t* d, size_t n) {
  if (n < 16) return false;
  uint32_t version = img_be16(d), words = img_be16(d + 2), planes = img_be16(d + 4), pattern = img_be16(d + 6);
  return (version == 1 || version == 2) && words >= 8 && words <= 64 && words * 2 <= n && planes >= 1 &&
         planes <= 8 && pattern >= 1 && pattern <= 8 && img_be16(d + 12) > 0 && img_be16(d + 14) > 0;
}

int32_t gem_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  if (!gem_looks_like(d, n)) return IMG_ERR_CORRUPT;
  size_t pos = size_t(img_be16(d + 2)) * 2;
  uint32_t planes = img_be16(d + 4), pattern = img_be16(d + 6);
  int32_t w = img_be16(d + 12), h = img_be16(d + 14);
  int32_t bpp = planes == 1 ? 1 : planes <= 4 ? 4 : 8;
  int32_t rc = img_create(img, w, h, bpp);
  if (rc != IMG_OK) return rc;
  if (bpp > 1) img.palette = img_grey_palette(bpp);
  uint32_t mic_w = img_be16(d + 8), mic_h = img_be16(d + 10);
  if (mic_w) img.dpi_x = int32_t(25400 / mic_w);
  if (mic_h) img.dpi_y = int32_t(25400 / mic_h);
  size_t row_bytes = (size_t(w) + 7) / 8;
  std::vector<uint8_t> line(row_bytes * planes);
  ImgProgressSteps steps(progress, h);
  int32_t y = 0;
  while (y < h) {
    uint32_t repeat = 1;
    if (pos + 4 <= n && d[pos] == 0 && d[pos + 1] == 0 && d[pos + 2] == 0xFF) {
      repeat = d[pos + 3];
      pos += 4;
    }
    for (uint32_t p = 0; p < planes; ++p) {
      uint8_t* out = line.data() + p * row_bytes;
      size_t done = 0;
      while (done < row_bytes) {
        if (pos >= n) goto corrupt;
        uint8_t b = d[pos++];
        if (b == 0) {  // pattern run: a count, then the pattern
          if (pos >= n) goto corrupt;
          uint32_t count = d[pos++];
          if (pattern > n - pos) goto corrupt;
          for (uint32_t k = 0; k < count; ++k)
            for (uint32_t i = 0; i < pattern && done < row_bytes; ++i) out[done++] = d[pos + i];
          pos += pattern;
        } else if (b == 0x80) {  // a literal string
          if (pos >= n) goto corrupt;
          uint32_t count = d[pos++];
          if (count > n - pos) goto corrupt;
          for (uint32_t i = 0; i < count && done < row_bytes; ++i) out[done++] = d[pos + i];
          pos += count;
        } else {  // a solid run of set or clear bytes
          uint8_t v = (b & 0x80) ? 0xFF : 0x00;
          for (uint32_t i = 0; i < (b & 0x7Fu) && done < row_bytes; ++i) out[done++] = v;
        }
      }
    }
    for (uint32_t r = 0; r < (repeat ? repeat : 1) && y < h; ++r, ++y) {
      steps.Advance(y + 1);
      if (planes == 1) {
        std::memcpy(img.row(y), line.data(), row_bytes);
        continue;
      }
      for (int32_t x = 0; x < w; ++x) {
        uint32_t v = 0;
        for (uint32_t p = 0; p < planes; ++p) v |= uint32_t((line[p * row_bytes + size_t(x) / 8] >> (7 - x % 8)) & 1) << p;
        img_set_px(img, x, y, v);
      }
    }
  }
  return IMG_OK;
corrupt:
  img = ImgImage();
  return IMG_ERR_CORRUPT;
}
