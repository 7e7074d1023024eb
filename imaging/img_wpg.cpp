// WordPerfect Graphics, version 1 (the WPG layout WordPerfect Corporation documented in its
// developer toolkit, as the Encyclopedia of Graphics File Formats retells it): a 16-byte header
// (0xFF "WPC", the offset of the records, product 1, file type 0x16, version 1.0, no encryption)
// and records of a type byte and a length (one byte; 0xFF then a 16-bit word; a word with its
// high bit set then a second word, together 31 bits). The records used here: 0x0F start of
// graphics, 0x0E colour map (first index, count, RGB triples), 0x0B and 0x14 bitmaps (type 1:
// width, height, depth, resolutions; type 2: a rotation and a frame before those), 0x10 end.
// Bitmap rows run on through one run-length stream: a byte with its high bit set repeats the next
// byte (low seven bits) times, or when those bits are 0 writes 0xFF the next byte's times; a byte
// without it copies that many literal bytes, or when 0 repeats the previous row the next byte's
// times. Version 2 files, and drawings without a bitmap, are refused. Bitmaps of 1, 2, 4 and 8
// bits a pixel are read; 1, 4 and 8 are written (a version 1 file holds no more than 8).
#include "img_codec.h"

namespace {

constexpr size_t kHeader = 16;
enum : uint8_t {
  kBitmap1 = 0x0B,
  kColourMap = 0x0E,
  kStart = 0x0F,
  kEnd = 0x10,
  kBitmap2 = 0x14,
};

// A record's length at pos; false when the file ends inside it.
bool read_length(const uint8_t* d, size_t n, size_t& pos, size_t* len) {
  if (pos >= n) return false;
  size_t v = d[pos++];
  if (v < 0xFF) {
    *len = v;
    return true;
  }
  if (n - pos < 2) return false;
  v = img_le16(d + pos);
  pos += 2;
  if (v < 0x8000) {
    *len = v;
    return true;
  }
  if (n - pos < 2) return false;
  *len = (v & 0x7FFF) << 16 | img_le16(d + pos);
  pos += 2;
  return true;
}

// The run-length stream of a bitmap into rows of row_bytes each (pixels packed as the store
// packs them for depths 1, 4 and 8; depth 2 is unpacked by the caller).
bool unpack(const uint8_t* d, size_t size, size_t row_bytes, int32_t height,
            std::vector<uint8_t>& rows) {
  rows.assign(row_bytes * size_t(height), 0);
  size_t pos = 0, x = 0;
  int32_t y = 0;
  auto put = [&](uint8_t v, size_t count) {
    while (count-- > 0 && y < height) {
      rows[size_t(y) * row_bytes + x] = v;
      if (++x == row_bytes) {
        x = 0;
        ++y;
      }
    }
  };
  while (y < height) {
    if (pos >= size) return false;
    uint8_t b = d[pos++];
    size_t run = b & 0x7F;
    if (b & 0x80) {
      if (pos >= size) return false;
      if (run) put(d[pos++], run);
      else put(0xFF, d[pos++]);
    } else if (run) {
      if (run > size - pos) return false;
      for (size_t i = 0; i < run; ++i) put(d[pos + i], 1);
      pos += run;
    } else {
      if (pos >= size) return false;
      size_t times = d[pos++];
      // A row repeat stands between rows and needs a row before it.
      if (x != 0 || y == 0) return false;
      for (size_t i = 0; i < times && y < height; ++i, ++y)
        std::memcpy(&rows[size_t(y) * row_bytes], &rows[size_t(y - 1) * row_bytes], row_bytes);
    }
  }
  return true;
}

// Run-length codes one row; identical rows are coded by the caller as repeats.
void pack_row(const uint8_t* r, size_t len, std::vector<uint8_t>& out) {
  size_t i = 0;
  while (i < len) {
    size_t run = 1;
    while (i + run < len && run < 127 && r[i + run] == r[i]) ++run;
    if (run >= 2) {
      out.push_back(uint8_t(0x80 | run));
      out.push_back(r[i]);
      i += run;
      continue;
    }
    size_t lit = 1;
    while (i + lit < len && lit < 127 && r[i + lit] != r[i + lit - 1]) ++lit;
    if (i + lit < len && lit > 1 && r[i + lit] == r[i + lit - 1]) --lit;  // leave the run's start
    out.push_back(uint8_t(lit));
    out.insert(out.end(), r + i, r + i + lit);
    i += lit;
  }
}

void put_record(ImgOut& o, uint8_t type, const std::vector<uint8_t>& body) {
  o.u8(type);
  size_t len = body.size();
  if (len < 0xFF) {
    o.u8(uint32_t(len));
  } else if (len < 0x8000) {
    o.u8(0xFF);
    o.le16(uint32_t(len));
  } else {
    o.u8(0xFF);
    o.le16(uint32_t(0x8000 | len >> 16));
    o.le16(uint32_t(len & 0xFFFF));
  }
  o.bytes(body.data(), body.size());
}

}  // namespace

bool wpg_looks_like(const uint8_t* d, size_t n) {
  return n >= kHeader && d[0] == 0xFF && d[1] == 'W' && d[2] == 'P' && d[3] == 'C' && d[9] == 0x16;
}

int32_t wpg_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  if (!wpg_looks_like(d, n)) return IMG_ERR_CORRUPT;
  if (d[10] != 1 || img_le16(d + 12) != 0) return IMG_ERR_UNSUPPORTED;  // version 2; encrypted
  size_t pos = img_le32(d + 4);
  if (pos < kHeader || pos > n) return IMG_ERR_CORRUPT;
  std::vector<uint32_t> palette;
  while (pos < n) {
    uint8_t type = d[pos++];
    size_t len;
    if (!read_length(d, n, pos, &len) || len > n - pos) return IMG_ERR_CORRUPT;
    const uint8_t* body = d + pos;
    pos += len;
    if (type == kEnd) break;
    if (type == kColourMap) {
      if (len < 4) return IMG_ERR_CORRUPT;
      size_t first = img_le16(body), count = img_le16(body + 2);
      if (first + count > 256 || count * 3 > len - 4) return IMG_ERR_CORRUPT;
      if (palette.size() < first + count) palette.resize(first + count, 0);
      for (size_t i = 0; i < count; ++i) {
        const uint8_t* c = body + 4 + 3 * i;
        palette[first + i] = uint32_t(c[0]) << 16 | uint32_t(c[1]) << 8 | c[2];
      }
      continue;
    }
    if (type != kBitmap1 && type != kBitmap2) continue;
    size_t fields = type == kBitmap1 ? 0 : 10;
    if (len < fields + 10) return IMG_ERR_CORRUPT;
    int32_t w = img_le16(body + fields), h = img_le16(body + fields + 2);
    int32_t depth = img_le16(body + fields + 4);
    int32_t dpi_x = img_le16(body + fields + 6), dpi_y = img_le16(body + fields + 8);
    if (w == 0 || h == 0) return IMG_ERR_CORRUPT;
    if (depth != 1 && depth != 2 && depth != 4 && depth != 8) return IMG_ERR_UNSUPPORTED;
    size_t row_bytes = (size_t(w) * size_t(depth) + 7) / 8;
    // Every code byte yields at most 255 bytes of rows: a bitmap larger than its record can code
    // is refused before the rows are allocated.
    if (row_bytes * size_t(h) > (len - fields - 10) * 255) return IMG_ERR_CORRUPT;
    int32_t bpp = depth == 2 ? 4 : depth;
    int32_t rc = img_create(img, w, h, bpp);
    if (rc != IMG_OK) return rc;
    std::vector<uint8_t> rows;
    if (!unpack(body + fields + 10, len - fields - 10, row_bytes, h, rows)) {
      img = ImgImage();
      return IMG_ERR_CORRUPT;
    }
    ImgProgressSteps steps(progress, h);
    for (int32_t y = 0; y < h; ++y) {
      const uint8_t* r = &rows[size_t(y) * row_bytes];
      if (depth != 2) {
        std::memcpy(img.row(y), r, row_bytes);
      } else {
        for (int32_t x = 0; x < w; ++x) img_set_px(img, x, y, (r[x >> 2] >> (6 - 2 * (x & 3))) & 3);
      }
      steps.Advance(y + 1);
    }
    size_t colours = size_t(1) << depth;
    if (palette.size() >= colours) {
      img.palette.assign(palette.begin(), palette.begin() + long(colours));
    } else if (depth == 2) {
      img.palette = {0x000000u, 0x555555u, 0xAAAAAAu, 0xFFFFFFu};
    } else {
      img.palette = img_grey_palette(depth);  // black to white, as the 1-bit default
    }
    img.dpi_x = dpi_x;
    img.dpi_y = dpi_y;
    return IMG_OK;
  }
  return IMG_ERR_CORRUPT;  // no bitmap before the end
}

int32_t wpg_write(const ImgImage& img, std::vector<uint8_t>& out) {
  if (img.bpp != 1 && img.bpp != 4 && img.bpp != 8) return IMG_ERR_DEPTH;
  if (img.width > 0xFFFF || img.height > 0xFFFF) return IMG_ERR_TOO_LARGE;
  int32_t dpi_x = img.dpi_x > 0 && img.dpi_x <= 0xFFFF ? img.dpi_x : 75;
  int32_t dpi_y = img.dpi_y > 0 && img.dpi_y <= 0xFFFF ? img.dpi_y : 75;
  size_t row_bytes = (size_t(img.width) * size_t(img.bpp) + 7) / 8;
  std::vector<uint8_t> bitmap;
  ImgOut b{bitmap};
  b.le16(uint32_t(img.width));
  b.le16(uint32_t(img.height));
  b.le16(uint32_t(img.bpp));
  b.le16(uint32_t(dpi_x));
  b.le16(uint32_t(dpi_y));
  std::vector<uint8_t> row(row_bytes);
  const int tail_bits = int((size_t(img.width) * size_t(img.bpp)) % 8);
  for (int32_t y = 0; y < img.height;) {
    std::memcpy(row.data(), img.row(y), row_bytes);
    if (tail_bits) row[row_bytes - 1] &= uint8_t(0xFF << (8 - tail_bits));
    pack_row(row.data(), row_bytes, bitmap);
    int32_t next = y + 1;
    // Rows equal to this one go out as repeats (the padding bits compared as written).
    while (next < img.height && next - y <= 255) {
      const uint8_t* r = img.row(next);
      bool same = std::memcmp(r, row.data(), row_bytes - (tail_bits ? 1 : 0)) == 0 &&
                  (!tail_bits || uint8_t(r[row_bytes - 1] & (0xFF << (8 - tail_bits))) == row[row_bytes - 1]);
      if (!same) break;
      ++next;
    }
    if (next - y > 1) {
      b.u8(0);
      b.u8(uint32_t(next - y - 1));
    }
    y = next;
  }
  if (bitmap.size() > 0x7FFFFFFF) return IMG_ERR_TOO_LARGE;
  out.clear();
  ImgOut o{out};
  o.u8(0xFF);
  o.text("WPC");
  o.le32(uint32_t(kHeader));
  o.u8(1);     // WordPerfect
  o.u8(0x16);  // graphics
  o.u8(1);     // version 1.0
  o.u8(0);
  o.le16(0);  // not encrypted
  o.le16(0);
  // The frame of the drawing, in WordPerfect units of 1/1200 inch.
  std::vector<uint8_t> start;
  ImgOut s{start};
  s.u8(1);
  s.u8(0);
  s.le16(uint32_t(std::min<int64_t>(0xFFFF, int64_t(img.width) * 1200 / dpi_x)));
  s.le16(uint32_t(std::min<int64_t>(0xFFFF, int64_t(img.height) * 1200 / dpi_y)));
  put_record(o, kStart, start);
  std::vector<uint8_t> map;
  ImgOut m{map};
  size_t colours = size_t(1) << img.bpp;
  m.le16(0);
  m.le16(uint32_t(colours));
  for (size_t i = 0; i < colours; ++i) {
    uint32_t c = i < img.palette.size() ? img.palette[i] : 0;
    m.u8(c >> 16);
    m.u8(c >> 8);
    m.u8(c);
  }
  put_record(o, kColourMap, map);
  put_record(o, kBitmap1, bitmap);
  put_record(o, kEnd, {});
  return IMG_OK;
}
