// What the codecs of the imaging core share among themselves: the per-format entry points the
// dispatcher in img_io.cpp calls, and small helpers for progress and palettes. Not for callers of
// the library; they use img_core.h.
#pragma once

#include "img_core.h"

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

// Bitonal CCITT G4 data without a container, through libtiff's codec (for CALS). The decoder
// fills a 1-bit image of width x height whose index 1 is black; IMG_ERR_CALS_SIZE when the data
// ends before height rows.
int32_t tiff_decode_g4(const uint8_t* data, size_t size, int32_t width, int32_t height,
                       ImgImage& img, const ImgProgress* progress);
// Encodes a 1-bit image as G4 data with index 1 black (the caller makes sure of that).
int32_t tiff_encode_g4(const ImgImage& img, std::vector<uint8_t>& out);

// img itself when its index 1 is the darker colour, else an inverted copy made in scratch (palette
// white, black), for writers whose formats fix black to 1. Saving a sheet as it came needs no copy.
const ImgImage& img_bitonal_ink_is_one(const ImgImage& img, ImgImage& scratch);
