// Photoshop images (Adobe Photoshop File Formats Specification): the "8BPS" header, the colour
// mode data (the palette of indexed images), the image resources and layer sections (skipped) and
// the merged image, planar, raw or PackBits-coded with a table of row lengths. Read: bitmap, grey,
// indexed and RGB images of 1 and 8 bits per channel (a fourth RGB channel as alpha); written:
// bitmap (1 bit), indexed (4 and 8 bits) and RGB (24 bits), PackBits-coded.
#include "img_codec.h"

namespace {

enum { kBitmap = 0, kGrey = 1, kIndexed = 2, kRgb = 3 };

}  // namespace

bool psd_looks_like(const uint8_t* d, size_t n) {
  return n >= 26 && std::memcmp(d, "8BPS", 4) == 0 && img_be16(d + 4) == 1;
}

int32_t psd_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  if (!psd_looks_like(d, n)) return IMG_ERR_CORRUPT;
  uint32_t channels = img_be16(d + 12), h = img_be32(d + 14), w = img_be32(d + 18);
  uint32_t depth = img_be16(d + 22), mode = img_be16(d + 24);
  if (w == 0 || h == 0 || channels == 0 || channels > 56) return IMG_ERR_CORRUPT;
  if (w > IMG_MAX_DIMENSION || h > IMG_MAX_DIMENSION) return IMG_ERR_TOO_LARGE;
  if (mode > kRgb || (mode == kBitmap ? depth != 1 : depth != 8)) return IMG_ERR_UNSUPPORTED;
  uint32_t need_channels = mode == kRgb ? 3 : 1;
  if (channels < need_channels) return IMG_ERR_CORRUPT;
  size_t pos = 26;
  std::vector<uint32_t> palette;
  // Three sections, each a 32-bit length and its bytes: colour mode data, resources, layers.
  for (int section = 0; section < 3; ++section) {
    if (pos + 4 > n) return IMG_ERR_CORRUPT;
    uint32_t len = img_be32(d + pos);
    pos += 4;
    if (len > n - pos) return IMG_ERR_CORRUPT;
    if (section == 0 && mode == kIndexed && len >= 768) {
      palette.resize(256);
      for (size_t i = 0; i < 256; ++i)
        palette[i] = uint32_t(d[pos + i]) << 16 | uint32_t(d[pos + 256 + i]) << 8 | d[pos + 512 + i];
    }
    pos += len;
  }
  if (pos + 2 > n) return IMG_ERR_CORRUPT;
  uint32_t compression = img_be16(d + pos);
  pos += 2;
  if (compression > 1) return IMG_ERR_UNSUPPORTED;
  bool alpha = mode == kRgb && channels >= 4;
  uint32_t used = alpha ? 4 : need_channels;
  int32_t bpp = mode == kBitmap ? 1 : mode == kRgb ? (alpha ? 32 : 24) : 8;
  int32_t rc = img_create(img, int32_t(w), int32_t(h), bpp);
  if (rc != IMG_OK) return rc;
  if (mode == kBitmap) img.palette = {0xFFFFFFu, 0x000000u};  // set bits are black
  else if (mode == kGrey) img.palette = img_grey_palette(8);
  else if (mode == kIndexed) img.palette = palette.empty() ? img_grey_palette(8) : palette;
  size_t row_bytes = mode == kBitmap ? (size_t(w) + 7) / 8 : size_t(w);
  size_t counts = 0;  // start of the PackBits data, after the row length table of every channel
  if (compression == 1) {
    uint64_t table = uint64_t(channels) * h * 2;
    if (table > n - pos) goto corrupt;
    counts = pos;
    pos += size_t(table);
  } else if (uint64_t(row_bytes) * h * used > n - pos) {
    goto corrupt;
  }
  {
    std::vector<uint8_t> row(row_bytes);
    ImgProgressSteps steps(progress, int64_t(h) * used);
    for (uint32_t c = 0; c < used; ++c) {
      for (uint32_t y = 0; y < h; ++y) {
        steps.Advance(int64_t(c) * h + y + 1);
        if (compression == 1) {
          size_t len = img_be16(d + counts + 2 * (size_t(c) * h + y));
          size_t at = pos;
          if (len > n - pos || !img_packbits_decode(d, pos + len, at, row.data(), row_bytes)) goto corrupt;
          pos += len;
        } else {
          std::memcpy(row.data(), d + pos, row_bytes);
          pos += row_bytes;
        }
        uint8_t* o = img.row(int32_t(y));
        if (bpp <= 8) {
          std::memcpy(o, row.data(), row_bytes);
        } else {
          // Channels are red, green, blue (and alpha); the store keeps blue first.
          size_t slot = c < 3 ? 2 - c : 3;
          size_t step = size_t(bpp / 8);
          for (uint32_t x = 0; x < w; ++x) o[size_t(x) * step + slot] = row[x];
        }
      }
    }
  }
  return IMG_OK;
corrupt:
  img = ImgImage();
  return IMG_ERR_CORRUPT;
}

int32_t psd_write(const ImgImage& img, std::vector<uint8_t>& out) {
  if (img.bpp != 1 && img.bpp != 4 && img.bpp != 8 && img.bpp != 24) return IMG_ERR_DEPTH;
  ImgImage scratch;
  const ImgImage& src = img.bpp == 1 ? img_bitonal_ink_is_one(img, scratch) : img;
  uint32_t mode = src.bpp == 1 ? kBitmap : src.bpp == 24 ? kRgb : kIndexed;
  uint32_t channels = mode == kRgb ? 3 : 1;
  size_t row_bytes = mode == kBitmap ? (size_t(src.width) + 7) / 8 : size_t(src.width);
  out.clear();
  ImgOut o{out};
  o.text("8BPS");
  o.be16(1);
  o.fill(0, 6);
  o.be16(channels);
  o.be32(uint32_t(src.height));
  o.be32(uint32_t(src.width));
  o.be16(mode == kBitmap ? 1 : 8);
  o.be16(mode);
  if (mode == kIndexed) {
    o.be32(768);
    for (int shift : {16, 8, 0})
      for (size_t i = 0; i < 256; ++i) o.u8(i < src.palette.size() ? src.palette[i] >> shift : 0);
  } else {
    o.be32(0);
  }
  o.be32(0);  // image resources
  o.be32(0);  // layer and mask information
  o.be16(1);  // PackBits
  size_t table = out.size();
  o.fill(0, size_t(channels) * size_t(src.height) * 2);
  std::vector<uint8_t> row(row_bytes);
  for (uint32_t c = 0; c < channels; ++c) {
    for (int32_t y = 0; y < src.height; ++y) {
      const uint8_t* r = src.row(y);
      if (mode == kBitmap) {
        std::memcpy(row.data(), r, row_bytes);
      } else {
        for (int32_t x = 0; x < src.width; ++x)
          row[size_t(x)] = mode == kRgb ? r[3 * size_t(x) + 2 - c] : uint8_t(img_get_px(src, x, y));
      }
      size_t before = out.size();
      img_packbits_encode(row.data(), row_bytes, out);
      size_t len = out.size() - before;
      if (len > 0xFFFF) return IMG_ERR_TOO_LARGE;
      size_t at = table + 2 * (size_t(c) * size_t(src.height) + size_t(y));
      out[at] = uint8_t(len >> 8);
      out[at + 1] = uint8_t(len);
    }
  }
  return IMG_OK;
}
