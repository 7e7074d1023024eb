// PCX (ZSoft) images: 1-bit, 16-colour planar, 256-colour and 24-bit planar images read and
// written with the format's run-length coding. Not for the rare 2-bit CGA variant.
#include "img_codec.h"

#include <algorithm>
#include <cstring>

namespace {

uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

// Decodes RLE bytes into out, continuing runs across scan lines as some writers do.
class PcxRle {
 public:
  PcxRle(const uint8_t* d, size_t n) : d_(d), n_(n) {}
  bool Fill(uint8_t* out, size_t len) {
    for (size_t i = 0; i < len; ++i) {
      if (run_ == 0) {
        if (pos_ >= n_) return false;
        uint8_t b = d_[pos_++];
        if ((b & 0xC0) == 0xC0) {
          if (pos_ >= n_) return false;
          run_ = b & 0x3F;
          value_ = d_[pos_++];
          if (run_ == 0) {
            --i;
            continue;
          }
        } else {
          run_ = 1;
          value_ = b;
        }
      }
      out[i] = value_;
      --run_;
    }
    return true;
  }

 private:
  const uint8_t* d_;
  size_t n_, pos_ = 128;
  int run_ = 0;
  uint8_t value_ = 0;
};

}  // namespace

int32_t pcx_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  if (n < 128) return IMG_ERR_CORRUPT;
  int bits = d[3], planes = d[65];
  int32_t width = int32_t(le16(d + 8)) - le16(d + 4) + 1;
  int32_t height = int32_t(le16(d + 10)) - le16(d + 6) + 1;
  size_t line = le16(d + 66);
  if (width <= 0 || height <= 0) return IMG_ERR_CORRUPT;
  if (d[2] != 1) return IMG_ERR_UNSUPPORTED;  // uncompressed PCX: no writer the viewer meets makes it
  int32_t bpp;
  if (bits == 1 && planes == 1) bpp = 1;
  else if (bits == 1 && planes == 4) bpp = 4;
  else if (bits == 4 && planes == 1) bpp = 4;
  else if (bits == 8 && planes == 1) bpp = 8;
  else if (bits == 8 && planes == 3) bpp = 24;
  else if (bits == 8 && planes == 4) bpp = 32;
  else return IMG_ERR_UNSUPPORTED;
  if (line * 8 < size_t(width) * size_t(bits)) return IMG_ERR_CORRUPT;
  int32_t rc = img_create(img, width, height, bpp);
  if (rc != IMG_OK) return rc;
  img.dpi_x = le16(d + 12);
  img.dpi_y = le16(d + 14);
  if (bpp == 1) {
    img.palette = {0x000000u, 0xFFFFFFu};
  } else if (bpp == 4) {
    img.palette.resize(16);
    for (int i = 0; i < 16; ++i)
      img.palette[size_t(i)] = uint32_t(d[16 + 3 * i]) << 16 | uint32_t(d[17 + 3 * i]) << 8 | d[18 + 3 * i];
  } else if (bpp == 8) {
    if (n >= 128 + 769 && d[n - 769] == 0x0C) {
      img.palette.resize(256);
      const uint8_t* p = d + n - 768;
      for (int i = 0; i < 256; ++i)
        img.palette[size_t(i)] = uint32_t(p[3 * i]) << 16 | uint32_t(p[3 * i + 1]) << 8 | p[3 * i + 2];
      n -= 769;
    } else {
      img.palette = img_grey_palette(8);
    }
  }
  PcxRle rle(d, n);
  std::vector<uint8_t> buf(line * size_t(planes));
  ImgProgressSteps steps(progress, height);
  for (int32_t y = 0; y < height; ++y) {
    steps.Advance(y + 1);
    if (!rle.Fill(buf.data(), buf.size())) {
      img = ImgImage();
      return IMG_ERR_CORRUPT;
    }
    uint8_t* r = img.row(y);
    if (planes == 1) {
      std::memcpy(r, buf.data(), std::min(line, img.stride));
    } else if (bpp == 4) {
      for (int32_t x = 0; x < width; ++x) {
        int v = 0;
        for (int p = 0; p < 4; ++p) v |= ((buf[size_t(p) * line + size_t(x) / 8] >> (7 - x % 8)) & 1) << p;
        r[x / 2] |= uint8_t((x & 1) ? v : v << 4);
      }
    } else {
      // Planes in red, green, blue (and alpha) order.
      const size_t step = size_t(planes);
      for (int32_t x = 0; x < width; ++x) {
        uint8_t* o = r + step * size_t(x);
        o[0] = buf[2 * line + size_t(x)];
        o[1] = buf[line + size_t(x)];
        o[2] = buf[size_t(x)];
        if (planes == 4) o[3] = buf[3 * line + size_t(x)];
      }
    }
  }
  return IMG_OK;
}

namespace {

void put16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}

void encode_plane(const uint8_t* s, size_t len, std::vector<uint8_t>& out) {
  size_t i = 0;
  while (i < len) {
    size_t run = 1;
    while (i + run < len && run < 63 && s[i + run] == s[i]) ++run;
    if (run > 1 || (s[i] & 0xC0) == 0xC0) out.push_back(uint8_t(0xC0 | run));
    out.push_back(s[i]);
    i += run;
  }
}

}  // namespace

int32_t pcx_write(const ImgImage& img, std::vector<uint8_t>& out) {
  if (img.bpp != 1 && img.bpp != 4 && img.bpp != 8 && img.bpp != 24) return IMG_ERR_DEPTH;
  if (img.width > 65535 || img.height > 65535) return IMG_ERR_TOO_LARGE;
  int planes = img.bpp == 24 ? 3 : img.bpp == 4 ? 4 : 1;
  int bits = img.bpp == 1 || img.bpp == 4 ? 1 : 8;
  size_t line = (size_t(img.width) * size_t(bits) + 15) / 16 * 2;
  out.assign(128, 0);
  out[0] = 0x0A;
  out[1] = 5;
  out[2] = 1;
  out[3] = uint8_t(bits);
  put16(&out[8], uint32_t(img.width - 1));
  put16(&out[10], uint32_t(img.height - 1));
  put16(&out[12], uint32_t(img.dpi_x));
  put16(&out[14], uint32_t(img.dpi_y));
  out[65] = uint8_t(planes);
  put16(&out[66], uint32_t(line));
  put16(&out[68], 1);
  ImgImage mono, scratch;
  const ImgImage* src = &img;
  if (img.bpp == 1) {
    // Readers take a 1-bit PCX as 0 black, 1 white.
    mono = img_bitonal_ink_is_one(img, scratch);
    for (int32_t y = 0; y < mono.height; ++y)
      for (size_t i = 0; i < mono.stride; ++i) mono.row(y)[i] = uint8_t(~mono.row(y)[i]);
    src = &mono;
  }
  if (img.bpp == 4)
    for (size_t i = 0; i < 16 && i < img.palette.size(); ++i) {
      out[16 + 3 * i] = uint8_t(img.palette[i] >> 16);
      out[17 + 3 * i] = uint8_t(img.palette[i] >> 8);
      out[18 + 3 * i] = uint8_t(img.palette[i]);
    }
  std::vector<uint8_t> buf(line * size_t(planes));
  for (int32_t y = 0; y < img.height; ++y) {
    const uint8_t* r = src->row(y);
    std::fill(buf.begin(), buf.end(), 0);
    if (planes == 1) {
      std::memcpy(buf.data(), r, std::min(line, src->stride));
    } else if (img.bpp == 4) {
      for (int32_t x = 0; x < img.width; ++x) {
        int v = (x & 1) ? r[x / 2] & 15 : r[x / 2] >> 4;
        for (int p = 0; p < 4; ++p)
          if (v & (1 << p)) buf[size_t(p) * line + size_t(x) / 8] |= uint8_t(0x80 >> (x % 8));
      }
    } else {
      for (int32_t x = 0; x < img.width; ++x) {
        buf[size_t(x)] = r[3 * x + 2];
        buf[line + size_t(x)] = r[3 * x + 1];
        buf[2 * line + size_t(x)] = r[3 * x];
      }
    }
    for (int p = 0; p < planes; ++p) encode_plane(buf.data() + size_t(p) * line, line, out);
  }
  if (img.bpp == 8) {
    out.push_back(0x0C);
    for (size_t i = 0; i < 256; ++i) {
      uint32_t c = i < img.palette.size() ? img.palette[i] : 0;
      out.push_back(uint8_t(c >> 16));
      out.push_back(uint8_t(c >> 8));
      out.push_back(uint8_t(c));
    }
  }
  return IMG_OK;
}
