// Dr. Halo CUT pictures (the layout Media Cybernetics published with the Dr. Halo developer kit,
// as the Encyclopedia of Graphics File Formats retells it): a 6-byte header of 16-bit little-
// endian words (width, height, a reserved 0), then one record per row: a 16-bit count of the
// row's coded bytes and the row run-length coded: a byte with its high bit set repeats the next
// byte (low seven bits) times, any other non-zero byte is a count of literal bytes, and 0 ends
// the row. Pixels are 8-bit indices into a palette kept in a separate .PAL file; without it the
// indices read as grey levels. Read only: the save list offers no CUT.
#include "img_codec.h"

namespace {

constexpr size_t kHeader = 6;

// Decodes one row's record at pos into row (width bytes, may be null to only check it). The
// record must decode to exactly the row's pixels and end inside its count.
bool decode_row(const uint8_t* d, size_t n, size_t& pos, uint8_t* row, size_t width) {
  if (n - pos < 2) return false;
  size_t count = img_le16(d + pos);
  pos += 2;
  if (count > n - pos) return false;
  size_t end = pos + count, done = 0;
  while (pos < end) {
    uint8_t b = d[pos++];
    if (b == 0) break;
    size_t run = b & 0x7F;
    if (run > width - done) return false;
    if (b & 0x80) {
      if (pos >= end) return false;
      if (row) std::memset(row + done, d[pos], run);
      ++pos;
    } else {
      if (run > end - pos) return false;
      if (row) std::memcpy(row + done, d + pos, run);
      pos += run;
    }
    done += run;
  }
  pos = end;
  return done == width;
}

}  // namespace

bool cut_looks_like(const uint8_t* d, size_t n) {
  if (n < kHeader + 2) return false;
  size_t w = img_le16(d), h = img_le16(d + 2);
  if (w == 0 || h == 0 || img_le16(d + 4) != 0) return false;
  // No signature: the first rows must decode to exactly the width, and the rows must not run
  // past the end.
  size_t pos = kHeader;
  for (size_t y = 0; y < h && y < 8; ++y)
    if (!decode_row(d, n, pos, nullptr, w)) return false;
  return true;
}

int32_t cut_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  if (n < kHeader) return IMG_ERR_CORRUPT;
  int32_t w = img_le16(d), h = img_le16(d + 2);
  if (w == 0 || h == 0) return IMG_ERR_CORRUPT;
  // Every row takes at least its two count bytes: a height the file cannot hold is refused
  // before the pixels are allocated.
  if (size_t(h) * 2 > n - kHeader) return IMG_ERR_CORRUPT;
  int32_t rc = img_create(img, w, h, 8);
  if (rc != IMG_OK) return rc;
  img.palette = img_grey_palette(8);
  ImgProgressSteps steps(progress, h);
  size_t pos = kHeader;
  for (int32_t y = 0; y < h; ++y) {
    if (!decode_row(d, n, pos, img.row(y), size_t(w))) {
      img = ImgImage();
      return IMG_ERR_CORRUPT;
    }
    steps.Advance(y + 1);
  }
  return IMG_OK;
}
