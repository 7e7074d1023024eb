// Microsoft Paint files of Windows 1 and 2 (the MSP layout Microsoft described in its knowledge
// base article Q81856): a 32-byte header of 16-bit words, "DanM" (version 1, rows stored plain) or
// "LinS" (version 2, a table of row lengths and run-coded rows), the header's words XOR to zero.
// Set bits are white, as in the bitmaps of those Windows versions. Written as version 2.
#include "img_codec.h"

namespace {

constexpr size_t kHeader = 32;
constexpr uint16_t kV1a = 0x6144, kV1b = 0x4D6E, kV2a = 0x694C, kV2b = 0x536E;

void encode_row(const uint8_t* r, size_t len, std::vector<uint8_t>& out) {
  size_t i = 0;
  while (i < len) {
    size_t run = 1;
    while (i + run < len && run < 255 && r[i + run] == r[i]) ++run;
    if (run >= 3) {
      out.push_back(0);
      out.push_back(uint8_t(run));
      out.push_back(r[i]);
      i += run;
      continue;
    }
    size_t lit = 1;
    while (i + lit < len && lit < 255 &&
           !(i + lit + 2 < len && r[i + lit] == r[i + lit + 1] && r[i + lit] == r[i + lit + 2]))
      ++lit;
    out.push_back(uint8_t(lit));
    out.insert(out.end(), r + i, r + i + lit);
    i += lit;
  }
}

}  // namespace

bool msp_looks_like(const uint8_t* d, size_t n) {
  if (n < kHeader) return false;
  uint16_t a = img_le16(d), b = img_le16(d + 2);
  if (!((a == kV1a && b == kV1b) || (a == kV2a && b == kV2b))) return false;
  uint16_t x = 0;
  for (size_t i = 0; i < kHeader; i += 2) x ^= img_le16(d + i);
  return x == 0;
}

int32_t msp_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  if (!msp_looks_like(d, n)) return IMG_ERR_CORRUPT;
  bool v2 = img_le16(d) == kV2a;
  int32_t w = img_le16(d + 4), h = img_le16(d + 6);
  if (w == 0 || h == 0) return IMG_ERR_CORRUPT;
  size_t row_bytes = (size_t(w) + 7) / 8;
  size_t pos = kHeader;
  if (v2) {
    if (size_t(h) * 2 > n - pos) return IMG_ERR_CORRUPT;
    pos += size_t(h) * 2;
  } else if (row_bytes * size_t(h) > n - pos) {
    return IMG_ERR_CORRUPT;
  }
  int32_t rc = img_create(img, w, h, 1);
  if (rc != IMG_OK) return rc;
  img.palette = {0x000000u, 0xFFFFFFu};
  ImgProgressSteps steps(progress, h);
  for (int32_t y = 0; y < h; ++y) {
    steps.Advance(y + 1);
    uint8_t* o = img.row(y);
    if (!v2) {
      std::memcpy(o, d + pos, row_bytes);
      pos += row_bytes;
      continue;
    }
    size_t len = img_le16(d + kHeader + 2 * size_t(y));
    if (len > n - pos) goto corrupt;
    if (len == 0) {
      std::memset(o, 0xFF, row_bytes);  // an empty row is white
      continue;
    }
    {
      size_t end = pos + len, done = 0;
      while (done < row_bytes && pos < end) {
        uint8_t type = d[pos++];
        if (type == 0) {
          if (end - pos < 2) goto corrupt;
          size_t count = std::min<size_t>(d[pos], row_bytes - done);
          std::memset(o + done, d[pos + 1], count);
          done += count;
          pos += 2;
        } else {
          if (size_t(type) > end - pos) goto corrupt;
          size_t count = std::min<size_t>(type, row_bytes - done);
          std::memcpy(o + done, d + pos, count);
          done += count;
          pos += type;
        }
      }
      if (done < row_bytes) goto corrupt;
      pos = end;
    }
  }
  return IMG_OK;
corrupt:
  img = ImgImage();
  return IMG_ERR_CORRUPT;
}

int32_t msp_write(const ImgImage& img, std::vector<uint8_t>& out) {
  if (img.bpp != 1) return IMG_ERR_DEPTH;
  if (img.width > 0xFFFF || img.height > 0xFFFF) return IMG_ERR_TOO_LARGE;
  // Ink is 0 in this format: take the image with ink at 1 and turn every bit round.
  ImgImage scratch;
  const ImgImage& src = img_bitonal_ink_is_one(img, scratch);
  size_t row_bytes = (size_t(src.width) + 7) / 8;
  std::vector<uint8_t> rows, lengths;
  std::vector<uint8_t> row(row_bytes);
  for (int32_t y = 0; y < src.height; ++y) {
    const uint8_t* r = src.row(y);
    for (size_t i = 0; i < row_bytes; ++i) row[i] = uint8_t(~r[i]);
    if (src.width & 7) row[row_bytes - 1] |= uint8_t(0xFF >> (src.width & 7));
    size_t before = rows.size();
    encode_row(row.data(), row_bytes, rows);
    size_t len = rows.size() - before;
    if (len > 0xFFFF) return IMG_ERR_TOO_LARGE;
    lengths.push_back(uint8_t(len));
    lengths.push_back(uint8_t(len >> 8));
  }
  uint16_t words[16] = {kV2a, kV2b, uint16_t(src.width), uint16_t(src.height), 1, 1, 1, 1,
                        uint16_t(src.width), uint16_t(src.height), 0, 0, 0, 0, 0, 0};
  uint16_t x = 0;
  for (uint16_t v : words) x ^= v;
  words[12] = x;
  out.clear();
  ImgOut o{out};
  for (uint16_t v : words) o.le16(v);
  o.bytes(lengths.data(), lengths.size());
  o.bytes(rows.data(), rows.size());
  return IMG_OK;
}
