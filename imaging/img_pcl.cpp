// PCL raster graphics (HP's PCL 5 Printer Language Technical Reference Manual, raster graphics
// chapter): a bitonal page as reset, resolution, source width and height, start of raster, rows of
// "transfer raster data" in TIFF (PackBits) compression, end of raster and reset; set bits black.
// Read: the raster rows of such a file in compression modes 0 (none), 1 (run length), 2 (PackBits)
// and 3 (delta row), with "y offset" rows left white; text and vector (HP-GL/2) parts are skipped.
#include "img_codec.h"

#include <cstdio>

namespace {

constexpr uint8_t kEsc = 0x1B;
// No row is wider than the widest image the library takes; a row that claims more is refused
// while it is decoded, before it can grow.
constexpr size_t kMaxRow = size_t(IMG_MAX_DIMENSION) / 8 + 1;

// One parameterised command: "ESC * <group> <value> <letter>", letters lower-case while the
// group goes on.
struct PclCommand {
  char parameter = 0, group = 0, letter = 0;
  long value = 0;
};

}  // namespace

bool pcl_looks_like(const uint8_t* d, size_t n) {
  if (n < 4 || d[0] != kEsc) return false;
  if (d[1] != 'E' && !(n >= 9 && std::memcmp(d + 1, "%-12345X", 8) == 0)) return false;
  // Plotter files start the same way (HP-GL/2 inside a PCL job); only a page that transfers
  // raster rows is an image.
  size_t look = n < 65536 ? n : 65536;
  for (size_t i = 0; i + 4 < look; ++i)
    if (d[i] == kEsc && d[i + 1] == '*' && (d[i + 2] == 'b' || d[i + 2] == 'r')) return true;
  return false;
}

int32_t pcl_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  if (!pcl_looks_like(d, n)) return IMG_ERR_CORRUPT;
  long width = 0, height = 0, dpi = 0, mode = 0;
  std::vector<std::vector<uint8_t>> rows;
  std::vector<uint8_t> seed;  // the previous row, for delta-row compression
  bool ended = false;         // "end raster graphics" after the last row: the page is whole
  size_t total = 0;
  size_t pos = 0;
  while (pos < n) {
    if (d[pos] != kEsc) {
      ++pos;
      continue;
    }
    if (pos + 2 >= n) break;
    char parameter = char(d[pos + 1]);
    if (parameter < '!' || parameter > '/') {
      pos += 2;  // a two-character command (reset and the like)
      continue;
    }
    char group = char(d[pos + 2]);
    pos += 3;
    for (;;) {  // the commands of one group
      long value = 0;
      bool neg = false;
      if (pos < n && (d[pos] == '-' || d[pos] == '+')) neg = d[pos++] == '-';
      while (pos < n && d[pos] >= '0' && d[pos] <= '9') {
        if (value < 100000000) value = value * 10 + (d[pos] - '0');
        ++pos;
      }
      if (pos < n && d[pos] == '.') {
        ++pos;
        while (pos < n && d[pos] >= '0' && d[pos] <= '9') ++pos;
      }
      if (pos >= n) break;
      char letter = char(d[pos++]);
      char upper = letter >= 'a' && letter <= 'z' ? char(letter - 32) : letter;
      if (neg) value = -value;
      if (parameter == '*' && group == 't' && upper == 'R') dpi = value;
      if (parameter == '*' && group == 'r' && upper == 'S') width = value;
      if (parameter == '*' && group == 'r' && upper == 'T') height = value;
      if (parameter == '*' && group == 'b' && upper == 'M') mode = value;
      if (parameter == '*' && group == 'r' && (upper == 'B' || upper == 'C')) ended = !rows.empty();
      if (parameter == '*' && group == 'b' && upper == 'Y' && value > 0) {
        if (value > IMG_MAX_DIMENSION || rows.size() + size_t(value) > size_t(IMG_MAX_DIMENSION)) return IMG_ERR_TOO_LARGE;
        rows.resize(rows.size() + size_t(value));
        seed.assign(seed.size(), 0);
      }
      if (upper == 'W' || (parameter == '&' && upper == 'W') || (parameter == '(' && upper == 'W') ||
          (parameter == ')' && upper == 'W')) {
        // Data follows the command: raster rows are decoded, anything else skipped.
        if (value < 0 || size_t(value) > n - pos) return IMG_ERR_CORRUPT;
        const uint8_t* p = d + pos;
        size_t len = size_t(value);
        pos += len;
        if (parameter == '*' && group == 'b') {
          std::vector<uint8_t> row;
          if (mode == 0) {
            row.assign(p, p + len);
          } else if (mode == 1) {
            for (size_t i = 0; i + 1 < len && row.size() <= kMaxRow; i += 2) row.insert(row.end(), size_t(p[i]) + 1, p[i + 1]);
          } else if (mode == 2) {
            size_t at = 0;
            while (at < len && row.size() <= kMaxRow) {
              uint8_t h = p[at++];
              if (h < 128) {
                size_t c = std::min<size_t>(size_t(h) + 1, len - at);
                row.insert(row.end(), p + at, p + at + c);
                at += c;
              } else if (h > 128 && at < len) {
                row.insert(row.end(), 257 - size_t(h), p[at++]);
              }
            }
          } else if (mode == 3) {
            row = seed;
            size_t at = 0, col = 0;
            while (at < len) {
              uint8_t cmd = p[at++];
              size_t count = size_t(cmd >> 5) + 1, offset = cmd & 31;
              if (offset == 31)
                while (at < len) {
                  offset += p[at];
                  if (p[at++] != 255) break;
                }
              col += offset;
              if (col > kMaxRow) return IMG_ERR_TOO_LARGE;
              for (size_t k = 0; k < count && at < len; ++k, ++col) {
                if (col >= row.size()) row.resize(col + 1, 0);
                row[col] = p[at++];
              }
            }
          } else {
            return IMG_ERR_UNSUPPORTED;
          }
          if (row.size() > kMaxRow) return IMG_ERR_TOO_LARGE;
          total += row.size();
          if (int64_t(total) > IMG_MAX_PIXEL_BYTES || rows.size() >= size_t(IMG_MAX_DIMENSION)) return IMG_ERR_TOO_LARGE;
          seed = row;
          rows.push_back(std::move(row));
          ended = false;
        }
        break;
      }
      if (letter < 'a' || letter > 'z') break;
    }
  }
  if (rows.empty()) return IMG_ERR_UNSUPPORTED;  // a page of text or vectors, no raster
  if (!ended && size_t(height) > rows.size()) return IMG_ERR_CORRUPT;  // cut off inside the raster
  size_t widest = 0;
  for (const auto& r : rows) widest = std::max(widest, r.size());
  if (width <= 0) width = long(widest * 8);
  if (height <= 0 || size_t(height) < rows.size()) height = long(rows.size());
  if (width <= 0) return IMG_ERR_CORRUPT;
  int32_t rc = img_create(img, int32_t(std::min<long>(width, IMG_MAX_DIMENSION + 1)),
                          int32_t(std::min<long>(height, IMG_MAX_DIMENSION + 1)), 1);
  if (rc != IMG_OK) return rc;
  ImgProgressSteps steps(progress, int64_t(rows.size()));
  size_t row_bytes = (size_t(width) + 7) / 8;
  for (size_t y = 0; y < rows.size(); ++y) {
    steps.Advance(int64_t(y) + 1);
    if (!rows[y].empty()) std::memcpy(img.row(int32_t(y)), rows[y].data(), std::min(row_bytes, rows[y].size()));
    if (width & 7) img.row(int32_t(y))[row_bytes - 1] &= uint8_t(0xFF << (8 - (width & 7)));
  }
  img.dpi_x = img.dpi_y = dpi > 0 && dpi <= 9999 ? int32_t(dpi) : 0;
  return IMG_OK;
}

int32_t pcl_write(const ImgImage& img, std::vector<uint8_t>& out) {
  if (img.bpp != 1) return IMG_ERR_DEPTH;
  ImgImage scratch;
  const ImgImage& src = img_bitonal_ink_is_one(img, scratch);
  char buf[64];
  out.clear();
  ImgOut o{out};
  o.u8(kEsc);
  o.u8('E');
  int dpi = src.dpi_x > 0 ? src.dpi_x : 300;
  std::snprintf(buf, sizeof buf, "\x1b*t%dR\x1b*r%dS\x1b*r%dT\x1b*r1A\x1b*b2M", dpi, src.width, src.height);
  o.text(buf);
  size_t row_bytes = (size_t(src.width) + 7) / 8;
  std::vector<uint8_t> packed, row(row_bytes);
  for (int32_t y = 0; y < src.height; ++y) {
    std::memcpy(row.data(), src.row(y), row_bytes);
    if (src.width & 7) row[row_bytes - 1] &= uint8_t(0xFF << (8 - (src.width & 7)));
    packed.clear();
    img_packbits_encode(row.data(), row_bytes, packed);
    std::snprintf(buf, sizeof buf, "\x1b*b%zuW", packed.size());
    o.text(buf);
    o.bytes(packed.data(), packed.size());
  }
  o.text("\x1b*rC");
  o.u8(kEsc);
  o.u8('E');
  return IMG_OK;
}
