// What the codecs of the imaging core share among themselves: the per-format entry points the
// dispatcher in img_io.cpp calls, and small helpers for progress and palettes. Not for callers of
// the library; they use img_core.h.
#pragma once

#include "img_core.h"

#include <cstring>

// Reports load progress in at most 100 steps of a count of units (rows, usually).
class ImgProgressSteps {
 public:
  ImgProgressSteps(const ImgProgress* p, int64_t units) : p_(p), units_(units > 0 ? units : 1) {}
  void Advance(int64_t done) {
    if (!p_ || !p_->fn) return;
    int64_t step = done * 100 / units_;
    while (reported_ < step && reported_ < 100) {
      ++reported_;
      p_->fn(p_->record, 100);
    }
  }

 private:
  const ImgProgress* p_;
  int64_t units_;
  int64_t reported_ = 0;
};

// One pixel as the store holds it: an index for 1, 4 and 8 bpp, 0x00BBGGRR byte order as stored
// (blue lowest) for 24 bpp and the four stored bytes for 32 bpp.
inline uint32_t img_get_px(const ImgImage& img, int32_t x, int32_t y) {
  const uint8_t* r = img.row(y);
  switch (img.bpp) {
    case 1: return (r[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? r[x >> 1] & 15 : r[x >> 1] >> 4;
    case 8: return r[x];
    case 24: return uint32_t(r[3 * x]) | uint32_t(r[3 * x + 1]) << 8 | uint32_t(r[3 * x + 2]) << 16;
    default: {
      uint32_t v;
      std::memcpy(&v, r + 4 * size_t(x), 4);
      return v;
    }
  }
}

inline void img_set_px(ImgImage& img, int32_t x, int32_t y, uint32_t v) {
  uint8_t* r = img.row(y);
  switch (img.bpp) {
    case 1: {
      uint8_t m = uint8_t(0x80 >> (x & 7));
      r[x >> 3] = v ? uint8_t(r[x >> 3] | m) : uint8_t(r[x >> 3] & ~m);
      break;
    }
    case 4:
      r[x >> 1] = (x & 1) ? uint8_t((r[x >> 1] & 0xF0) | v) : uint8_t((r[x >> 1] & 0x0F) | v << 4);
      break;
    case 8: r[x] = uint8_t(v); break;
    case 24:
      r[3 * x] = uint8_t(v);
      r[3 * x + 1] = uint8_t(v >> 8);
      r[3 * x + 2] = uint8_t(v >> 16);
      break;
    default: std::memcpy(r + 4 * size_t(x), &v, 4); break;
  }
}

// The colour of a pixel as 0x00RRGGBB, through the palette where there is one.
inline uint32_t img_rgb_at(const ImgImage& img, int32_t x, int32_t y) {
  uint32_t v = img_get_px(img, x, y);
  if (img.bpp <= 8) return v < img.palette.size() ? img.palette[v] & 0xFFFFFFu : 0;
  return v & 0xFFFFFFu;  // stored blue-green-red is already red in the high byte as a number
}

inline uint8_t img_reverse_bits(uint8_t b) {
  b = uint8_t((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = uint8_t((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return uint8_t((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

// Bytes of a file being written, in either byte order.
struct ImgOut {
  std::vector<uint8_t>& o;
  void u8(uint32_t v) { o.push_back(uint8_t(v)); }
  void le16(uint32_t v) { u8(v); u8(v >> 8); }
  void le32(uint32_t v) { le16(v); le16(v >> 16); }
  void be16(uint32_t v) { u8(v >> 8); u8(v); }
  void be32(uint32_t v) { be16(v >> 16); be16(v); }
  void bytes(const void* p, size_t n) {
    if (n == 0) return;
    size_t at = o.size();
    o.resize(at + n);
    std::memcpy(o.data() + at, p, n);
  }
  void text(const char* s) { bytes(s, std::strlen(s)); }
  void fill(uint8_t v, size_t n) { o.insert(o.end(), n, v); }
};

inline uint16_t img_le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t img_le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint16_t img_be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
inline uint32_t img_be32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// PackBits (Apple's run-length coding, used by MacPaint, PICT, Photoshop and IFF): encodes one
// row; decodes exactly len bytes from data at pos, false when the data ends first.
void img_packbits_encode(const uint8_t* row, size_t len, std::vector<uint8_t>& out);
bool img_packbits_decode(const uint8_t* data, size_t size, size_t& pos, uint8_t* out, size_t len);

// Grey ramp of 2^bits entries from black to white.
std::vector<uint32_t> img_grey_palette(int bits);
// True when the palette is the black-to-white ramp of its size (so the image is plain grey).
bool img_palette_is_grey_ramp(const std::vector<uint32_t>& pal);
// Luminance 0..255 of a palette colour.
inline int img_luma(uint32_t c) {
  return int((((c >> 16) & 255) * 77 + ((c >> 8) & 255) * 151 + (c & 255) * 28) >> 8);
}

// Readers: each fills img (page given where the format has pages) or returns a negative error.
int32_t bmp_read(const uint8_t* data, size_t size, bool packed_dib, ImgImage& img, const ImgProgress* progress);
int32_t tiff_probe(const uint8_t* data, size_t size);  // format code of the first page
int32_t tiff_page_count(const uint8_t* data, size_t size);
int32_t tiff_probe_page(const uint8_t* data, size_t size, int32_t page);  // code of one page
int32_t tiff_read(const uint8_t* data, size_t size, int32_t page, ImgImage& img,
                  const ImgProgress* progress);
int32_t cals_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);
int32_t jpeg_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);
int32_t png_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);
int32_t pcx_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);
int32_t gif_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);

// Writers: the whole image (the dispatcher crops to the region first) into out.
int32_t bmp_write(const ImgImage& img, bool rle, bool packed_dib, std::vector<uint8_t>& out);
int32_t tiff_write(const ImgImage& img, int32_t format, std::vector<uint8_t>& out);
int32_t cals_write(const ImgImage& img, std::vector<uint8_t>& out);
int32_t jpeg_write(const ImgImage& img, std::vector<uint8_t>& out);
int32_t png_write(const ImgImage& img, std::vector<uint8_t>& out);
int32_t pcx_write(const ImgImage& img, std::vector<uint8_t>& out);

// Formats without a magic number of their own decide by a look at the header (looks_like); the
// dispatcher asks them only after every format that has one.
bool tga_looks_like(const uint8_t* data, size_t size);
int32_t tga_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);
int32_t tga_write(const ImgImage& img, bool sixteen, std::vector<uint8_t>& out);
bool dcx_looks_like(const uint8_t* data, size_t size);
int32_t dcx_page_count(const uint8_t* data, size_t size);
int32_t dcx_read(const uint8_t* data, size_t size, int32_t page, ImgImage& img, const ImgProgress* progress);
int32_t dcx_write(const ImgImage& img, std::vector<uint8_t>& out);
bool ico_looks_like(const uint8_t* data, size_t size);
int32_t ico_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);
int32_t ico_write(const ImgImage& img, std::vector<uint8_t>& out);
bool xbm_looks_like(const uint8_t* data, size_t size);
int32_t xbm_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);
int32_t xbm_write(const ImgImage& img, std::vector<uint8_t>& out);
bool xpm_looks_like(const uint8_t* data, size_t size);
int32_t xpm_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);
int32_t xpm_write(const ImgImage& img, std::vector<uint8_t>& out);
bool xwd_looks_like(const uint8_t* data, size_t size);
int32_t xwd_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);
int32_t xwd_write(const ImgImage& img, std::vector<uint8_t>& out);
bool sun_looks_like(const uint8_t* data, size_t size);
int32_t sun_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);
int32_t sun_write(const ImgImage& img, std::vector<uint8_t>& out);
bool psd_looks_like(const uint8_t* data, size_t size);
int32_t psd_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);
int32_t psd_write(const ImgImage& img, std::vector<uint8_t>& out);
bool macpaint_looks_like(const uint8_t* data, size_t size);
int32_t macpaint_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);
int32_t macpaint_write(const ImgImage& img, std::vector<uint8_t>& out);
bool msp_looks_like(const uint8_t* data, size_t size);
int32_t msp_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);
int32_t msp_write(const ImgImage& img, std::vector<uint8_t>& out);
bool wmf_looks_like(const uint8_t* data, size_t size);
int32_t wmf_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);
int32_t wmf_write(const ImgImage& img, std::vector<uint8_t>& out);
bool clp_looks_like(const uint8_t* data, size_t size);
int32_t clp_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);
int32_t clp_write(const ImgImage& img, std::vector<uint8_t>& out);
bool pdf_looks_like(const uint8_t* data, size_t size);
int32_t pdf_page_count(const uint8_t* data, size_t size);
int32_t pdf_read(const uint8_t* data, size_t size, int32_t page, ImgImage& img, const ImgProgress* progress);
int32_t pdf_write(const ImgImage& img, std::vector<uint8_t>& out);
bool eps_looks_like(const uint8_t* data, size_t size);
int32_t eps_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);
int32_t eps_write(const ImgImage& img, std::vector<uint8_t>& out);
bool pcl_looks_like(const uint8_t* data, size_t size);
int32_t pcl_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);
int32_t pcl_write(const ImgImage& img, std::vector<uint8_t>& out);
bool iff_looks_like(const uint8_t* data, size_t size);
int32_t iff_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);
int32_t iff_write(const ImgImage& img, std::vector<uint8_t>& out);
bool gem_looks_like(const uint8_t* data, size_t size);
int32_t gem_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);
bool pict_looks_like(const uint8_t* data, size_t size);
int32_t pict_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);
int32_t pict_write(const ImgImage& img, std::vector<uint8_t>& out);
int32_t fax_write(const ImgImage& img, int32_t format, std::vector<uint8_t>& out);
bool wpg_looks_like(const uint8_t* data, size_t size);
int32_t wpg_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);
int32_t wpg_write(const ImgImage& img, std::vector<uint8_t>& out);
bool cut_looks_like(const uint8_t* data, size_t size);
int32_t cut_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);
bool pcd_looks_like(const uint8_t* data, size_t size);
int32_t pcd_read(const uint8_t* data, size_t size, ImgImage& img, const ImgProgress* progress);

// Bitonal CCITT G4 data without a container, through libtiff's codec (for CALS). The decoder
// fills a 1-bit image of width x height whose index 1 is black; IMG_ERR_CALS_SIZE when the data
// ends before height rows.
int32_t tiff_decode_g4(const uint8_t* data, size_t size, int32_t width, int32_t height,
                       ImgImage& img, const ImgProgress* progress);
// Encodes a 1-bit image as G4 data with index 1 black (the caller makes sure of that).
int32_t tiff_encode_g4(const ImgImage& img, std::vector<uint8_t>& out);
// The coded data of the one strip a TIFF of that format code gets, without the container.
int32_t tiff_encode_strip(const ImgImage& img, int32_t format, std::vector<uint8_t>& out);

// img itself when its index 1 is the darker colour, else an inverted copy made in scratch (palette
// white, black), for writers whose formats fix black to 1. Saving a sheet as it came needs no copy.
const ImgImage& img_bitonal_ink_is_one(const ImgImage& img, ImgImage& scratch);
