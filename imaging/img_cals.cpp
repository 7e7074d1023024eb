// CALS type 1 raster files: a 2048-byte header of sixteen 128-byte text records followed by one
// CCITT G4 image (decoded and encoded through libtiff's codec). The header's orientation is only
// reported: turning the sheet upright is the application's decision. Not for type 2 (tiled) files.
#include "img_codec.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kHeaderSize = 2048;
constexpr size_t kRecordSize = 128;

// The record keys in the order a type 1 header carries them; writing uses the same order.
const char* const kKeys[] = {"srcdocid:", "dstdocid:", "txtfilid:", "figid:", "srcgph:", "doccls:",
                             "rtype:", "rorient:", "rpelcnt:", "rdensty:", "notes:"};

bool key_is(const char* rec, const char* key) {
  for (size_t i = 0; key[i]; ++i)
    if (std::tolower(static_cast<unsigned char>(rec[i])) != key[i]) return false;
  return true;
}

// Value of a record: after the key, blanks and NULs trimmed at both ends.
std::string record_value(const char* rec, size_t key_len) {
  size_t b = key_len, e = kRecordSize;
  while (b < e && (rec[b] == ' ' || rec[b] == '\0')) ++b;
  while (e > b && (rec[e - 1] == ' ' || rec[e - 1] == '\0' || rec[e - 1] == '\r' || rec[e - 1] == '\n'))
    --e;
  return std::string(rec + b, e - b);
}

// "a,b" with two unsigned decimal numbers; false on anything else.
bool parse_pair(const std::string& v, int32_t& a, int32_t& b) {
  unsigned long x = 0, y = 0;
  size_t i = 0, n = v.size();
  auto number = [&](unsigned long& out) {
    size_t start = i;
    while (i < n && v[i] == ' ') ++i;
    start = i;
    while (i < n && std::isdigit(static_cast<unsigned char>(v[i])) && i - start < 9) out = out * 10 + (v[i++] - '0');
    while (i < n && v[i] == ' ') ++i;
    return i > start && (i >= n || !std::isdigit(static_cast<unsigned char>(v[i])));
  };
  if (!number(x) || i >= n || v[i] != ',') return false;
  ++i;
  if (!number(y) || i != n) return false;
  a = int32_t(x);
  b = int32_t(y);
  return true;
}

bool parse_number(const std::string& v, int32_t& out) {
  if (v.empty() || v.size() > 9) return false;
  int32_t x = 0;
  for (char c : v) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    x = x * 10 + (c - '0');
  }
  out = x;
  return true;
}

}  // namespace

int32_t img_cals_read_header(const uint8_t* data, size_t size, ImgCalsHeader& hdr) {
  hdr = ImgCalsHeader();
  if (!data || size < kHeaderSize) return IMG_ERR_CORRUPT;
  bool have_type = false, have_count = false;
  for (size_t r = 0; r < kHeaderSize; r += kRecordSize) {
    const char* rec = reinterpret_cast<const char*>(data + r);
    for (size_t k = 0; k < sizeof kKeys / sizeof kKeys[0]; ++k) {
      size_t len = std::strlen(kKeys[k]);
      if (!key_is(rec, kKeys[k])) continue;
      std::string v = record_value(rec, len);
      switch (k) {
        case 6: hdr.rtype = v; have_type = true; break;
        case 7:
          // An unreadable orientation is shown unrotated rather than refused.
          if (!parse_pair(v, hdr.orientation_pel, hdr.orientation_line)) {
            hdr.orientation_pel = 0;
            hdr.orientation_line = 270;
          }
          break;
        case 8:
          if (!parse_pair(v, hdr.width, hdr.height)) return IMG_ERR_CALS_HEADER;
          have_count = true;
          break;
        case 9:
          if (!parse_number(v, hdr.density)) hdr.density = 0;
          break;
        default: break;  // descriptive records
      }
      break;
    }
  }
  if (!have_type || !have_count || hdr.width <= 0 || hdr.height <= 0) return IMG_ERR_CALS_HEADER;
  return IMG_OK;
}

int32_t cals_read(const uint8_t* d, size_t n, ImgImage& img, const ImgProgress* progress) {
  ImgCalsHeader hdr;
  int32_t rc = img_cals_read_header(d, n, hdr);
  if (rc != IMG_OK) return rc;
  int32_t type = 0;
  if (!parse_number(hdr.rtype, type)) return IMG_ERR_CALS_HEADER;
  if (type != 1) return IMG_ERR_UNSUPPORTED;
  if (hdr.width > IMG_MAX_DIMENSION || hdr.height > IMG_MAX_DIMENSION) return IMG_ERR_TOO_LARGE;
  if (n == kHeaderSize) return IMG_ERR_CALS_SIZE;
  rc = tiff_decode_g4(d + kHeaderSize, n - kHeaderSize, hdr.width, hdr.height, img, progress);
  if (rc != IMG_OK) return rc;
  img.dpi_x = img.dpi_y = hdr.density;
  return IMG_OK;
}

int32_t cals_write(const ImgImage& src, std::vector<uint8_t>& out) {
  if (src.bpp != 1) return IMG_ERR_DEPTH;
  ImgImage scratch;
  const ImgImage& img = img_bitonal_ink_is_one(src, scratch);
  std::vector<uint8_t> g4;
  int32_t rc = tiff_encode_g4(img, g4);
  if (rc != IMG_OK) return rc;
  int32_t density = src.dpi_x > 0 && src.dpi_x <= 9999 ? src.dpi_x : 400;
  char values[11][64] = {"NONE", "NONE", "NONE", "NONE", "NONE", "NONE", "1", "000,270", "", "", "NONE"};
  std::snprintf(values[8], sizeof values[8], "%06d,%06d", src.width, src.height);
  std::snprintf(values[9], sizeof values[9], "%04d", density);
  out.assign(kHeaderSize, ' ');
  for (size_t k = 0; k < 11; ++k) {
    char rec[kRecordSize + 1];
    int len = std::snprintf(rec, sizeof rec, "%s %s", kKeys[k], values[k]);
    std::memcpy(out.data() + k * kRecordSize, rec, size_t(len));
  }
  out.insert(out.end(), g4.begin(), g4.end());
  return IMG_OK;
}
