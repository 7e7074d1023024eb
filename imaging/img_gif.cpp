// GIF images: the first image of the file, plain or interlaced, decoded by our own LZW decoder
// onto the logical screen (the background colour where the image does not cover it). Not for
// animation: the viewer shows sheets, and a GIF's later frames are not pages.
#include "img_codec.h"

#include <cstring>

namespace {

uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

// The image data: sub-blocks of up to 255 bytes, read as one bit stream (least significant bit
// first).
class SubBlocks {
 public:
  SubBlocks(const uint8_t* d, size_t n, size_t pos) : d_(d), n_(n), pos_(pos) {}
  // Next code of `bits` bits; false when the data ends first.
  bool Code(int bits, int& code) {
    while (have_ < bits) {
      if (left_ == 0) {
        if (pos_ >= n_ || d_[pos_] == 0) return false;
        left_ = d_[pos_++];
      }
      if (pos_ >= n_) return false;
      acc_ |= uint32_t(d_[pos_++]) << have_;
      have_ += 8;
      --left_;
    }
    code = int(acc_ & ((1u << bits) - 1));
    acc_ >>= bits;
    have_ -= bits;
    return true;
  }

 private:
  const uint8_t* d_;
  size_t n_, pos_;
  size_t left_ = 0;
  uint32_t acc_ = 0;
  int have_ = 0;
};

// Row of the i-th decoded line of an interlaced image (passes of every 8th row from 0, every
// 8th from 4, every 4th from 2, every 2nd from 1).
int32_t interlaced_row(int32_t i, int32_t h) {
  int32_t p1 = (h + 7) / 8, p2 = (h + 3) / 8, p3 = (h + 1) / 4;
  if (i < p1) return i * 8;
  i -= p1;
  if (i < p2) return i * 8 + 4;
  i -= p2;
  if (i < p3) return i * 4 + 2;
  i -= p3;
  return i * 2 + 1;
}

}  // namespace

int32_t gif_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  if (n < 13) return IMG_ERR_CORRUPT;
  int32_t sw = le16(d + 6), sh = le16(d + 8);
  uint8_t flags = d[10], background = d[11];
  size_t pos = 13;
  std::vector<uint32_t> global;
  if (flags & 0x80) {
    size_t count = size_t(1) << ((flags & 7) + 1);
    if (pos + count * 3 > n) return IMG_ERR_CORRUPT;
    for (size_t i = 0; i < count; ++i)
      global.push_back(uint32_t(d[pos + 3 * i]) << 16 | uint32_t(d[pos + 3 * i + 1]) << 8 | d[pos + 3 * i + 2]);
    pos += count * 3;
  }
  // Skip extensions up to the first image descriptor.
  for (;;) {
    if (pos >= n) return IMG_ERR_CORRUPT;
    if (d[pos] == 0x2C) break;
    if (d[pos] != 0x21) return IMG_ERR_CORRUPT;
    pos += 2;
    for (;;) {
      if (pos >= n) return IMG_ERR_CORRUPT;
      if (d[pos] == 0) break;
      pos += size_t(d[pos]) + 1;
    }
    ++pos;
  }
  if (pos + 10 > n) return IMG_ERR_CORRUPT;
  int32_t ix = le16(d + pos + 1), iy = le16(d + pos + 3), iw = le16(d + pos + 5), ih = le16(d + pos + 7);
  uint8_t iflags = d[pos + 9];
  pos += 10;
  std::vector<uint32_t> pal = global;
  if (iflags & 0x80) {
    size_t count = size_t(1) << ((iflags & 7) + 1);
    if (pos + count * 3 > n) return IMG_ERR_CORRUPT;
    pal.clear();
    for (size_t i = 0; i < count; ++i)
      pal.push_back(uint32_t(d[pos + 3 * i]) << 16 | uint32_t(d[pos + 3 * i + 1]) << 8 | d[pos + 3 * i + 2]);
    pos += count * 3;
  }
  if (pal.empty()) pal = img_grey_palette(8);
  if (iw == 0 || ih == 0) return IMG_ERR_CORRUPT;
  // A frame that leaves the logical screen widens it, rather than being cut.
  if (sw < ix + iw) sw = ix + iw;
  if (sh < iy + ih) sh = iy + ih;
  if (pos >= n) return IMG_ERR_CORRUPT;
  int min_size = d[pos++];
  if (min_size < 2 || min_size > 8) return IMG_ERR_CORRUPT;

  int32_t rc = img_create(img, sw, sh, 8);
  if (rc != IMG_OK) return rc;
  pal.resize(256, 0);
  img.palette = pal;
  if (background)
    for (int32_t y = 0; y < sh; ++y) std::memset(img.row(y), background, size_t(sw));

  const int clear = 1 << min_size, end = clear + 1;
  static thread_local uint16_t prefix[4096];
  static thread_local uint8_t suffix[4096];
  static thread_local uint8_t first[4096];
  static thread_local uint8_t stack[4097];
  for (int i = 0; i < clear; ++i) {
    suffix[i] = uint8_t(i);
    first[i] = uint8_t(i);
    prefix[i] = 0;
  }
  SubBlocks bits(d, n, pos);
  int size = min_size + 1, next = clear + 2, prev = -1;
  int64_t total = int64_t(iw) * ih, done = 0;
  bool interlaced = (iflags & 0x40) != 0;
  ImgProgressSteps steps(progress, total);
  auto emit = [&](uint8_t v) {
    if (done >= total) return;
    int32_t line = int32_t(done / iw), col = int32_t(done % iw);
    int32_t y = iy + (interlaced ? interlaced_row(line, ih) : line);
    img.row(y)[ix + col] = v;
    ++done;
  };
  while (done < total) {
    int code;
    if (!bits.Code(size, code)) {
      img = ImgImage();
      return IMG_ERR_CORRUPT;
    }
    if (code == clear) {
      size = min_size + 1;
      next = clear + 2;
      prev = -1;
      continue;
    }
    if (code == end) break;
    if (prev < 0) {
      if (code >= clear) {
        img = ImgImage();
        return IMG_ERR_CORRUPT;
      }
      emit(uint8_t(code));
      prev = code;
      continue;
    }
    int cur = code;
    int sp = 0;
    if (code >= next) {
      if (code > next) {
        img = ImgImage();
        return IMG_ERR_CORRUPT;
      }
      stack[sp++] = first[prev];  // the code being defined: previous string plus its first byte
      cur = prev;
    }
    while (cur >= clear) {
      stack[sp++] = suffix[cur];
      cur = prefix[cur];
    }
    stack[sp++] = uint8_t(cur);
    uint8_t head = uint8_t(cur);
    while (sp > 0) emit(stack[--sp]);
    steps.Advance(done);
    if (next < 4096) {
      prefix[next] = uint16_t(prev);
      suffix[next] = head;
      first[next] = first[prev];
      ++next;
      if (next == (1 << size) && size < 12) ++size;
    }
    prev = code;
  }
  if (done < total) {
    img = ImgImage();
    return IMG_ERR_CORRUPT;
  }
  return IMG_OK;
}
