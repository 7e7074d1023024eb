// IFF ILBM pictures (Electronic Arts' "EA IFF 85" standard and its ILBM form): a big-endian FORM
// of chunks, BMHD (size, planes, masking, compression), CMAP (the palette) and BODY (each row as
// one line of every bit plane in turn, plus a mask plane where masking is 1, ByteRun1-coded or
// plain). Read: 1 to 8 planes through the palette, 24 planes as colour; written: 1, 4, 8 and 24
// planes, ByteRun1-coded.
#include "img_codec.h"

namespace {

struct Bmhd {
  uint32_t w = 0, h = 0, planes = 0, masking = 0, compression = 0;
};

}  // namespace

bool iff_looks_like(const uint8_t* d, size_t n) {
  return n >= 12 && std::memcmp(d, "FORM", 4) == 0 && (std::memcmp(d + 8, "ILBM", 4) == 0 || std::memcmp(d + 8, "PBM ", 4) == 0);
}

int32_t iff_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  if (!iff_looks_like(d, n)) return IMG_ERR_CORRUPT;
  bool chunky = std::memcmp(d + 8, "PBM ", 4) == 0;  // Deluxe Paint's one-byte-a-pixel variant
  size_t end = n;
  uint64_t form = uint64_t(img_be32(d + 4)) + 8;
  if (form < end) end = size_t(form);
  Bmhd bm;
  bool have_bmhd = false;
  std::vector<uint32_t> cmap;
  const uint8_t* body = nullptr;
  size_t body_size = 0;
  for (size_t pos = 12; pos + 8 <= end;) {
    uint32_t len = img_be32(d + pos + 4);
    const uint8_t* c = d + pos + 8;
    if (len > end - pos - 8) {
      if (std::memcmp(d + pos, "BODY", 4) != 0) return IMG_ERR_CORRUPT;
      len = uint32_t(end - pos - 8);  // a BODY cut short is found short by the decoder below
    }
    if (std::memcmp(d + pos, "BMHD", 4) == 0 && len >= 20) {
      bm.w = img_be16(c);
      bm.h = img_be16(c + 2);
      bm.planes = c[8];
      bm.masking = c[9];
      bm.compression = c[10];
      have_bmhd = true;
    } else if (std::memcmp(d + pos, "CMAP", 4) == 0) {
      for (size_t i = 0; i + 2 < len && cmap.size() < 256; i += 3)
        cmap.push_back(uint32_t(c[i]) << 16 | uint32_t(c[i + 1]) << 8 | c[i + 2]);
    } else if (std::memcmp(d + pos, "BODY", 4) == 0) {
      body = c;
      body_size = len;
    }
    pos += 8 + size_t(len) + (len & 1);
  }
  if (!have_bmhd || !body) return IMG_ERR_CORRUPT;
  if (bm.w == 0 || bm.h == 0) return IMG_ERR_CORRUPT;
  if (bm.compression > 1 || !(bm.planes >= 1 && (bm.planes <= 8 || bm.planes == 24)) || (chunky && bm.planes != 8))
    return IMG_ERR_UNSUPPORTED;
  int32_t bpp = bm.planes == 24 ? 24 : bm.planes == 1 ? 1 : bm.planes <= 4 ? 4 : 8;
  int32_t rc = img_create(img, int32_t(bm.w), int32_t(bm.h), bpp);
  if (rc != IMG_OK) return rc;
  if (bpp <= 8) {
    img.palette = cmap.empty() ? img_grey_palette(bpp) : cmap;
    img.palette.resize(size_t(1) << bpp, 0);
  }
  size_t plane_row = chunky ? (size_t(bm.w) + 1) / 2 * 2 : (size_t(bm.w) + 15) / 16 * 2;
  size_t planes = chunky ? 1 : size_t(bm.planes) + (bm.masking == 1 ? 1 : 0);
  std::vector<uint8_t> row(plane_row * planes);
  size_t pos = 0;
  ImgProgressSteps steps(progress, bm.h);
  for (uint32_t y = 0; y < bm.h; ++y) {
    steps.Advance(y + 1);
    if (bm.compression == 1) {
      if (!img_packbits_decode(body, body_size, pos, row.data(), row.size())) goto corrupt;
    } else {
      if (row.size() > body_size - pos) goto corrupt;
      std::memcpy(row.data(), body + pos, row.size());
      pos += row.size();
    }
    if (!chunky && bm.planes == 1) {
      std::memcpy(img.row(int32_t(y)), row.data(), std::min(plane_row, img.stride));
      continue;
    }
    for (uint32_t x = 0; x < bm.w; ++x) {
      uint32_t v = 0;
      if (chunky) {
        v = row[x];
      } else {
        for (uint32_t p = 0; p < bm.planes; ++p)
          v |= uint32_t((row[p * plane_row + x / 8] >> (7 - x % 8)) & 1) << p;
      }
      if (bpp == 24) v = (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16);  // planes are red, green, blue
      img_set_px(img, int32_t(x), int32_t(y), v);
    }
  }
  return IMG_OK;
corrupt:
  img = ImgImage();
  return IMG_ERR_CORRUPT;
}

int32_t iff_write(const ImgImage& img, std::vector<uint8_t>& out) {
  if (img.bpp != 1 && img.bpp != 4 && img.bpp != 8 && img.bpp != 24) return IMG_ERR_DEPTH;
  if (img.width > 0xFFFF || img.height > 0xFFFF) return IMG_ERR_TOO_LARGE;
  uint32_t planes = uint32_t(img.bpp);
  size_t plane_row = (size_t(img.width) + 15) / 16 * 2;
  std::vector<uint8_t> body, row(plane_row * planes);
  for (int32_t y = 0; y < img.height; ++y) {
    std::fill(row.begin(), row.end(), 0);
    for (int32_t x = 0; x < img.width; ++x) {
      uint32_t v = img_get_px(img, x, y);
      if (planes == 24) v = (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16);
      for (uint32_t p = 0; p < planes; ++p)
        if ((v >> p) & 1) row[p * plane_row + size_t(x) / 8] |= uint8_t(0x80 >> (x % 8));
    }
    for (uint32_t p = 0; p < planes; ++p) img_packbits_encode(row.data() + p * plane_row, plane_row, body);
  }
  size_t colours = planes <= 8 ? size_t(1) << planes : 0;
  uint64_t form = 4 + 8 + 20 + (colours ? 8 + colours * 3 + (colours * 3 & 1) : 0) + 8 + body.size() + (body.size() & 1);
  if (form > 0xFFFFFFF0u) return IMG_ERR_TOO_LARGE;
  out.clear();
  ImgOut o{out};
  o.text("FORM");
  o.be32(uint32_t(form));
  o.text("ILBMBMHD");
  o.be32(20);
  o.be16(uint32_t(img.width));
  o.be16(uint32_t(img.height));
  o.be32(0);
  o.u8(planes);
  o.u8(0);  // no mask
  o.u8(1);  // ByteRun1
  o.u8(0);
  o.be16(0);
  o.u8(1);
  o.u8(1);
  o.be16(uint32_t(img.width));
  o.be16(uint32_t(img.height));
  if (colours) {
    o.text("CMAP");
    o.be32(uint32_t(colours * 3));
    for (size_t i = 0; i < colours; ++i) {
      uint32_t c = i < img.palette.size() ? img.palette[i] : 0;
      o.u8(c >> 16);
      o.u8(c >> 8);
      o.u8(c);
    }
    if (colours * 3 & 1) o.u8(0);
  }
  o.text("BODY");
  o.be32(uint32_t(body.size()));
  o.bytes(body.data(), body.size());
  if (body.size() & 1) o.u8(0);
  return IMG_OK;
}
