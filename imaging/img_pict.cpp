// Macintosh PICT pictures, version 2 (Inside Macintosh: Imaging With QuickDraw, appendix A), as
// files: a 512-byte header of the application's, the picture size and frame, and opcodes. Read: the
// first bit image of the picture (BitsRect, PackBitsRect and DirectBitsRect with their region
// forms), bitonal, indexed through its colour table, or 16 and 32 bits direct; the drawing opcodes
// before it are passed over by their sizes. Written: one PackBitsRect (bitonal, 4 and 8 bits) or
// DirectBitsRect (24 bits) covering the frame.
#include "img_codec.h"

namespace {

constexpr size_t kFileHeader = 512;

struct Reader {
  const uint8_t* d;
  size_t n, pos;
  bool ok = true;
  bool need(size_t k) {
    if (pos > n || k > n - pos) ok = false;
    return ok;
  }
  uint32_t u16() { return need(2) ? (pos += 2, img_be16(d + pos - 2)) : 0; }
  uint32_t u32() { return need(4) ? (pos += 4, img_be32(d + pos - 4)) : 0; }
  void skip(size_t k) {
    if (need(k)) pos += k;
  }
};

// Bytes of the fixed-size opcodes of version 2 pictures that a bit image may follow.
long fixed_size(uint32_t op) {
  switch (op) {
    case 0x0000: case 0x001C: case 0x001E: case 0x0038: case 0x0039: case 0x003A: case 0x003B:
    case 0x003C: case 0x0048: case 0x0049: case 0x004A: case 0x004B: case 0x004C: return 0;
    case 0x0003: case 0x0004: case 0x0005: case 0x0008: case 0x000D: case 0x0015: case 0x0016:
    case 0x0023: case 0x00A0: return 2;
    case 0x0006: case 0x0007: case 0x000B: case 0x000C: case 0x000E: case 0x000F: case 0x0021:
    case 0x0068: case 0x0069: case 0x006A: case 0x006B: case 0x006C: return 4;
    case 0x001A: case 0x001B: case 0x001D: case 0x001F: return 6;
    case 0x0002: case 0x0009: case 0x000A: case 0x0010: case 0x0020: case 0x0030: case 0x0031:
    case 0x0032: case 0x0033: case 0x0034: case 0x0060: case 0x0061: case 0x0062: case 0x0063:
    case 0x0064: return 8;
    case 0x0040: case 0x0041: case 0x0042: case 0x0043: case 0x0044: return 8;
    case 0x0050: case 0x0051: case 0x0052: case 0x0053: case 0x0054: return 8;
    case 0x0022: return 6;
    case 0x0C00: return 24;
    case 0x02FF: return 0;
  }
  return -1;
}

// One row of packed pixel data: a byte count (one byte when rows are at most 250 bytes) and
// PackBits, or the plain row when rows are shorter than 8 bytes.
bool read_row(Reader& r, size_t row_bytes, bool packed, uint8_t* out) {
  if (!packed || row_bytes < 8) {
    if (!r.need(row_bytes)) return false;
    std::memcpy(out, r.d + r.pos, row_bytes);
    r.pos += row_bytes;
    return true;
  }
  size_t count = row_bytes > 250 ? r.u16() : (r.need(1) ? r.d[r.pos++] : 0);
  if (!r.ok || count > r.n - r.pos) return false;
  size_t at = r.pos;
  bool done = img_packbits_decode(r.d, r.pos + count, at, out, row_bytes);
  r.pos += count;
  return done;
}

int32_t read_bits(Reader& r, uint32_t op, ImgImage& img, const ImgProgress* progress) {
  bool direct = op == 0x009A || op == 0x009B;
  bool region = op == 0x0091 || op == 0x0099 || op == 0x009B;
  bool packed = op != 0x0090 && op != 0x0091;
  if (direct) r.skip(4);  // base address
  uint32_t row_word = r.u16();
  bool pixmap = direct || (row_word & 0x8000);
  size_t row_bytes = row_word & 0x3FFF;
  int32_t top = int16_t(r.u16()), left = int16_t(r.u16()), bottom = int16_t(r.u16()), right = int16_t(r.u16());
  uint32_t pack_type = 0, pixel_size = 1, cmp_count = 1;
  int32_t dpi = 0;
  std::vector<uint32_t> table;
  if (pixmap) {
    r.u16();  // version
    pack_type = r.u16();
    r.u32();  // pack size
    dpi = int32_t(r.u32() >> 16);
    r.u32();
    r.u16();  // pixel type
    pixel_size = r.u16();
    cmp_count = r.u16();
    r.u16();  // component size
    r.skip(12);
    if (!direct) {
      r.u32();
      r.u16();
      uint32_t count = r.u16() + 1;
      if (count > 256) return IMG_ERR_CORRUPT;
      table.assign(256, 0);
      for (uint32_t i = 0; i < count && r.ok; ++i) {
        uint32_t value = r.u16(), red = r.u16(), green = r.u16(), blue = r.u16();
        // Tables of the device kind number their entries by position, not by value.
        table[(value < 256 ? value : i) & 255] = (red >> 8) << 16 | (green >> 8) << 8 | (blue >> 8);
      }
    }
  }
  r.skip(18);  // source and destination rectangles, transfer mode
  if (region) {
    uint32_t size = r.u16();  // the mask region's size counts its own word
    r.skip(size >= 2 ? size - 2 : 0);
  }
  if (!r.ok) return IMG_ERR_CORRUPT;
  int32_t w = right - left, h = bottom - top;
  if (w <= 0 || h <= 0) return IMG_ERR_CORRUPT;
  if (!direct && pixel_size != 1 && pixel_size != 2 && pixel_size != 4 && pixel_size != 8) return IMG_ERR_UNSUPPORTED;
  if (direct && !(pixel_size == 16 || (pixel_size == 32 && (cmp_count == 3 || cmp_count == 4))))
    return IMG_ERR_UNSUPPORTED;
  if (row_bytes * 8 < size_t(w) * pixel_size && !(direct && pack_type == 4)) return IMG_ERR_CORRUPT;
  int32_t bpp = direct ? 24 : pixel_size == 1 ? 1 : pixel_size <= 4 ? 4 : 8;
  int32_t rc = img_create(img, w, h, bpp);
  if (rc != IMG_OK) return rc;
  img.dpi_x = img.dpi_y = dpi > 0 && dpi < 10000 ? dpi : 0;
  if (bpp == 1) img.palette = pixmap && table.size() >= 2 ? std::vector<uint32_t>{table[0], table[1]}
                                                         : std::vector<uint32_t>{0xFFFFFFu, 0x000000u};
  else if (bpp <= 8) img.palette.assign(table.begin(), table.begin() + (size_t(1) << bpp));
  // Packing type 4 stores a row's components one after another; the count of stored bytes is
  // then the width times the components, whatever the row bytes say.
  size_t stored = direct && pack_type == 4 ? size_t(w) * cmp_count : row_bytes;
  bool packed_rows = packed && !(direct && pack_type == 1);
  std::vector<uint8_t> row(stored + 8);
  ImgProgressSteps steps(progress, h);
  for (int32_t y = 0; y < h; ++y) {
    steps.Advance(y + 1);
    if (!read_row(r, stored, packed_rows, row.data())) {
      img = ImgImage();
      return IMG_ERR_CORRUPT;
    }
    if (!direct && int32_t(pixel_size) == bpp) {
      // The stored row is the store's row layout already.
      std::memcpy(img.row(y), row.data(), std::min(stored, img.stride));
      if (bpp == 1 && (w & 7)) img.row(y)[w / 8] &= uint8_t(0xFF << (8 - (w & 7)));
      continue;
    }
    for (int32_t x = 0; x < w; ++x) {
      uint32_t v;
      if (!direct) {
        size_t bit = size_t(x) * pixel_size;
        v = (row[bit / 8] >> (8 - pixel_size - bit % 8)) & ((1u << pixel_size) - 1);
      } else if (pixel_size == 16) {
        uint32_t p = img_be16(row.data() + 2 * size_t(x));
        v = (((p >> 10) & 31) * 255 / 31) << 16 | (((p >> 5) & 31) * 255 / 31) << 8 | ((p & 31) * 255 / 31);
      } else if (pack_type == 4) {
        size_t off = cmp_count == 4 ? size_t(w) : 0;  // an alpha plane first
        v = uint32_t(row[off + size_t(x)]) << 16 | uint32_t(row[off + size_t(w) + size_t(x)]) << 8 |
            row[off + 2 * size_t(w) + size_t(x)];
      } else {
        v = uint32_t(row[4 * size_t(x) + 1]) << 16 | uint32_t(row[4 * size_t(x) + 2]) << 8 | row[4 * size_t(x) + 3];
      }
      img_set_px(img, x, y, v);
    }
  }
  return IMG_OK;
}

}  // namespace

bool pict_looks_like(const uint8_t* d, size_t n) {
  if (n < kFileHeader + 14) return false;
  const uint8_t* p = d + kFileHeader + 10;
  // Version 2: the version opcode 0011 02FF; version 1: 11 01.
  return (img_be16(p) == 0x0011 && img_be16(p + 2) == 0x02FF) || (p[0] == 0x11 && p[1] == 0x01);
}

int32_t pict_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  if (!pict_looks_like(d, n)) return IMG_ERR_CORRUPT;
  Reader r{d, n, kFileHeader + 10};
  if (d[r.pos] == 0x11 && d[r.pos + 1] == 0x01) return IMG_ERR_UNSUPPORTED;  // version 1 pictures
  r.pos += 4;
  while (r.ok) {
    if (r.pos & 1) ++r.pos;  // opcodes of version 2 start on even offsets
    uint32_t op = r.u16();
    if (!r.ok || op == 0x00FF) break;
    if (op == 0x0090 || op == 0x0091 || op == 0x0098 || op == 0x0099 || op == 0x009A || op == 0x009B)
      return read_bits(r, op, img, progress);
    long fixed = fixed_size(op);
    if (fixed >= 0) {
      r.skip(size_t(fixed));
    } else if (op == 0x0001 || (op >= 0x0070 && op <= 0x0084 && op != 0x0078 && op != 0x0079)) {
      uint32_t size = r.u16();  // regions and polygons: their size word counts itself
      r.skip(size >= 2 ? size - 2 : 0);
    } else if (op == 0x00A1) {
      r.u16();
      r.skip(r.u16());
    } else if (op == 0x0028 || op == 0x0029 || op == 0x002A || op == 0x002B || op == 0x002C || op == 0x002E) {
      // Text: a position or offset, then a counted string.
      r.skip(op == 0x0028 ? 4 : op == 0x002B ? 2 : op == 0x002C || op == 0x002E ? 0 : 1);
      if (op == 0x002C || op == 0x002E) {
        uint32_t size = r.u16();
        r.skip(size >= 2 ? size - 2 : 0);
      } else {
        r.skip(r.need(1) ? r.d[r.pos++] : 0);
      }
    } else if (op >= 0x0100 && op <= 0x7FFF) {
      r.skip(size_t(op >> 8) * 2);  // reserved opcodes: their size in the high byte
    } else {
      return IMG_ERR_UNSUPPORTED;
    }
  }
  return r.ok ? IMG_ERR_UNSUPPORTED : IMG_ERR_CORRUPT;  // a picture without a bit image
}

int32_t pict_write(const ImgImage& img, std::vector<uint8_t>& out) {
  if (img.bpp != 1 && img.bpp != 4 && img.bpp != 8 && img.bpp != 24) return IMG_ERR_DEPTH;
  if (img.width > 0x3FFF || img.height > 0x7FFF) return IMG_ERR_TOO_LARGE;
  ImgImage scratch;
  const ImgImage& src = img.bpp == 1 ? img_bitonal_ink_is_one(img, scratch) : img;
  bool direct = src.bpp == 24;
  size_t row_bytes = direct ? size_t(src.width) * 4 : (size_t(src.width) * size_t(src.bpp) + 15) / 16 * 2;
  if (row_bytes > 0x3FFF) return IMG_ERR_TOO_LARGE;
  uint32_t dpi = src.dpi_x > 0 ? uint32_t(src.dpi_x) : 72;
  out.clear();
  ImgOut o{out};
  o.fill(0, kFileHeader);
  o.be16(0);  // picture size: 0 for pictures over 32 KB, as version 2 allows
  auto rect = [&](uint32_t h, uint32_t w) {
    o.be16(0);
    o.be16(0);
    o.be16(h);
    o.be16(w);
  };
  rect(uint32_t(src.height), uint32_t(src.width));
  o.be16(0x0011);
  o.be16(0x02FF);
  o.be16(0x0C00);
  o.be16(0xFFFE);  // extended version 2 header
  o.be16(0);
  o.be32(dpi << 16);
  o.be32(dpi << 16);
  rect(uint32_t(src.height), uint32_t(src.width));
  o.be32(0);
  o.be16(0x001E);  // default highlight
  o.be16(0x0001);  // clip to the frame
  o.be16(10);
  rect(uint32_t(src.height), uint32_t(src.width));
  o.be16(direct ? 0x009A : 0x0098);
  if (direct) o.be32(0xFF);
  {
    // Bitonal images too go as a one-bit pixel map with its two colours, as version 2 writers
    // give them, rather than a plain bitmap that some readers take for black.
    o.be16(uint32_t(row_bytes) | 0x8000);
    rect(uint32_t(src.height), uint32_t(src.width));
    o.be16(0);
    o.be16(direct ? 4 : 0);  // packing: components by row, or PackBits
    o.be32(0);
    o.be32(dpi << 16);
    o.be32(dpi << 16);
    o.be16(direct ? 16 : 0);  // RGB direct or indexed
    o.be16(direct ? 32 : uint32_t(src.bpp));
    o.be16(direct ? 3 : 1);
    o.be16(direct ? 8 : uint32_t(src.bpp));
    o.be32(0);
    o.be32(0);
    o.be32(0);
    if (!direct) {
      size_t colours = size_t(1) << src.bpp;
      o.be32(0);
      o.be16(0);
      o.be16(uint32_t(colours - 1));
      for (size_t i = 0; i < colours; ++i) {
        uint32_t c = i < src.palette.size() ? src.palette[i] : 0;
        o.be16(uint32_t(i));
        o.be16(((c >> 16) & 255) * 257);
        o.be16(((c >> 8) & 255) * 257);
        o.be16((c & 255) * 257);
      }
    }
  }
  rect(uint32_t(src.height), uint32_t(src.width));
  rect(uint32_t(src.height), uint32_t(src.width));
  o.be16(0);  // source copy
  size_t stored = direct ? size_t(src.width) * 3 : row_bytes;
  std::vector<uint8_t> row(stored), packed;
  for (int32_t y = 0; y < src.height; ++y) {
    std::fill(row.begin(), row.end(), 0);
    if (direct) {
      for (int32_t x = 0; x < src.width; ++x) {
        uint32_t c = img_get_px(src, x, y);
        row[size_t(x)] = uint8_t(c >> 16);
        row[size_t(src.width) + size_t(x)] = uint8_t(c >> 8);
        row[2 * size_t(src.width) + size_t(x)] = uint8_t(c);
      }
    } else {
      std::memcpy(row.data(), src.row(y), std::min(stored, src.stride));
      if (src.bpp == 1 && (src.width & 7)) {
        size_t last = size_t(src.width) / 8;
        row[last] &= uint8_t(0xFF << (8 - (src.width & 7)));
        for (size_t i = last + 1; i < stored; ++i) row[i] = 0;
      }
    }
    if (stored < 8) {
      o.bytes(row.data(), stored);
      continue;
    }
    packed.clear();
    img_packbits_encode(row.data(), stored, packed);
    if (row_bytes > 250) o.be16(uint32_t(packed.size()));
    else o.u8(uint32_t(packed.size()));
    o.bytes(packed.data(), packed.size());
  }
  if (out.size() & 1) o.u8(0);
  o.be16(0x00FF);
  return IMG_OK;
}
