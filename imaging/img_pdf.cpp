// PDF files of scanned pages (ISO 32000-1): written with one page per image at the image's
// resolution, bitonal images CCITT G4-coded, palette, grey and colour images Flate-coded. Read:
// the image objects of a file in file order, one page each, as scanners and this writer make them
// (Flate, DCT, CCITT G4 and uncompressed streams; DeviceGray, DeviceRGB and Indexed colours).
// Not a PDF renderer: text and vector pages, object streams and encrypted files are refused.
#include "img_codec.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <zlib.h>

namespace {

bool is_delim(uint8_t c) { return c <= ' ' || c == '/' || c == '[' || c == ']' || c == '<' || c == '>' || c == '(' || c == ')'; }

// Positions of "/Subtype /Image" (blanks optional) in file order.
std::vector<size_t> image_objects(const uint8_t* d, size_t n) {
  std::vector<size_t> found;
  static const char kKey[] = "/Subtype";
  for (size_t i = 0; i + 8 < n; ++i) {
    if (d[i] != '/' || std::memcmp(d + i, kKey, 8) != 0) continue;
    size_t j = i + 8;
    while (j < n && d[j] <= ' ') ++j;
    if (j + 6 <= n && std::memcmp(d + j, "/Image", 6) == 0 && (j + 6 == n || is_delim(d[j + 6]))) found.push_back(i);
  }
  return found;
}

// The dictionary around position at: from its "<<" to the matching ">>".
bool enclosing_dict(const uint8_t* d, size_t n, size_t at, size_t& begin, size_t& end) {
  int depth = 0;
  size_t i = at;
  while (i > 0) {
    --i;
    if (d[i] == '>' && i > 0 && d[i - 1] == '>') {
      ++depth;
      --i;
    } else if (d[i] == '<' && i > 0 && d[i - 1] == '<') {
      if (depth == 0) {
        begin = i - 1;
        break;
      }
      --depth;
      --i;
    }
    if (i == 0) return false;
  }
  depth = 0;
  for (size_t k = begin; k + 1 < n; ++k) {
    if (d[k] == '<' && d[k + 1] == '<') {
      ++depth;
      ++k;
    } else if (d[k] == '>' && d[k + 1] == '>') {
      if (--depth == 0) {
        end = k + 2;
        return true;
      }
      ++k;
    }
  }
  return false;
}

// The text after "/Key" inside [b, e): empty when the key is absent.
std::string value_of(const uint8_t* d, size_t b, size_t e, const char* key) {
  std::string s(reinterpret_cast<const char*>(d + b), e - b), k = std::string("/") + key;
  size_t at = 0;
  while ((at = s.find(k, at)) != std::string::npos) {
    size_t after = at + k.size();
    if (after < s.size() && !is_delim(uint8_t(s[after]))) {
      at = after;
      continue;
    }
    while (after < s.size() && s[after] <= ' ') ++after;
    size_t stop = after;
    if (stop < s.size() && s[stop] == '[') {
      stop = s.find(']', stop);
      return stop == std::string::npos ? std::string() : s.substr(after, stop - after + 1);
    }
    if (stop < s.size() && s[stop] == '/') ++stop;
    while (stop < s.size() && !is_delim(uint8_t(s[stop]))) ++stop;
    // "n 0 R": an indirect reference.
    std::string v = s.substr(after, stop - after);
    size_t more = stop;
    while (more < s.size() && s[more] == ' ') ++more;
    if (more + 3 <= s.size() && s.compare(more, 3, "0 R") == 0) v += " R";
    return v;
  }
  return std::string();
}

long number(const std::string& v) { return v.empty() ? -1 : std::strtol(v.c_str(), nullptr, 10); }

// The integer value of an object ("n 0 obj 1234 endobj"), for a length given by reference.
long indirect_number(const uint8_t* d, size_t n, long obj) {
  char key[32];
  int len = std::snprintf(key, sizeof key, "%ld 0 obj", obj);
  std::string s(reinterpret_cast<const char*>(d), n);
  size_t at = 0;
  while ((at = s.find(key, at)) != std::string::npos) {
    if (at == 0 || s[at - 1] <= ' ') return std::strtol(s.c_str() + at + len, nullptr, 10);
    at += size_t(len);
  }
  return -1;
}

int32_t inflate_all(const uint8_t* src, size_t n, size_t expected, std::vector<uint8_t>& out) {
  if (expected > size_t(IMG_MAX_PIXEL_BYTES)) return IMG_ERR_TOO_LARGE;
  out.assign(expected, 0);
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return IMG_ERR_TOO_LARGE;
  z.next_in = const_cast<Bytef*>(src);
  z.avail_in = uInt(n);
  z.next_out = out.data();
  z.avail_out = uInt(expected);
  int rc = inflate(&z, Z_FINISH);
  size_t got = expected - z.avail_out;
  inflateEnd(&z);
  if (rc != Z_STREAM_END && got < expected) return IMG_ERR_CORRUPT;
  return IMG_OK;
}

struct PdfImage {
  long w = 0, h = 0, bits = 0;
  std::string space, filter, parms;
  const uint8_t* data = nullptr;
  size_t size = 0;
};

int32_t find_image(const uint8_t* d, size_t n, int32_t page, PdfImage& im) {
  std::vector<size_t> objs = image_objects(d, n);
  if (page < 0 || size_t(page) >= objs.size()) return objs.empty() ? IMG_ERR_UNSUPPORTED : IMG_ERR_NO_PAGE;
  size_t b = 0, e = 0;
  if (!enclosing_dict(d, n, objs[size_t(page)], b, e)) return IMG_ERR_CORRUPT;
  im.w = number(value_of(d, b, e, "Width"));
  im.h = number(value_of(d, b, e, "Height"));
  im.bits = number(value_of(d, b, e, "BitsPerComponent"));
  im.space = value_of(d, b, e, "ColorSpace");
  im.filter = value_of(d, b, e, "Filter");
  im.parms = value_of(d, b, e, "DecodeParms");
  if (im.parms.empty() || im.parms[0] == '<') {
    // A dictionary value: take it whole.
    std::string s(reinterpret_cast<const char*>(d + b), e - b);
    size_t at = s.find("/DecodeParms");
    size_t open = at == std::string::npos ? std::string::npos : s.find("<<", at);
    size_t close = open == std::string::npos ? std::string::npos : s.find(">>", open);
    if (close != std::string::npos) im.parms = s.substr(open, close - open + 2);
  }
  std::string lv = value_of(d, b, e, "Length");
  long length = lv.size() > 2 && lv.compare(lv.size() - 2, 2, " R") == 0 ? indirect_number(d, n, number(lv)) : number(lv);
  size_t s = e;
  while (s < n && d[s] <= ' ') ++s;
  if (s + 6 > n || std::memcmp(d + s, "stream", 6) != 0) return IMG_ERR_CORRUPT;
  s += 6;
  if (s < n && d[s] == '\r') ++s;
  if (s < n && d[s] == '\n') ++s;
  if (length < 0 || size_t(length) > n - s) return IMG_ERR_CORRUPT;
  im.data = d + s;
  im.size = size_t(length);
  if (im.w <= 0 || im.h <= 0) return IMG_ERR_CORRUPT;
  if (im.w > IMG_MAX_DIMENSION || im.h > IMG_MAX_DIMENSION) return IMG_ERR_TOO_LARGE;
  return IMG_OK;
}

int hexval(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool pdf_looks_like(const uint8_t* d, size_t n) { return n >= 8 && std::memcmp(d, "%PDF-", 5) == 0; }

int32_t pdf_page_count(const uint8_t* d, size_t n) {
  size_t count = image_objects(d, n).size();
  return count ? int32_t(count) : IMG_ERR_UNSUPPORTED;
}

int32_t pdf_read(const uint8_t* d, size_t n, int32_t page, ImgImage& img, const ImgProgress* progress) {
  PdfImage im;
  int32_t rc = find_image(d, n, page, im);
  if (rc != IMG_OK) return rc;
  if (im.filter.find("DCTDecode") != std::string::npos) return jpeg_read(im.data, im.size, img, progress);
  bool indexed = im.space.find("Indexed") != std::string::npos;
  bool rgb = !indexed && im.space.find("RGB") != std::string::npos;
  bool grey = !indexed && im.space.find("Gray") != std::string::npos;
  if (im.filter.find("CCITTFaxDecode") != std::string::npos) {
    long k = 0;
    size_t at = im.parms.find("/K");
    if (at != std::string::npos) k = std::strtol(im.parms.c_str() + at + 2, nullptr, 10);
    if (k >= 0) return IMG_ERR_UNSUPPORTED;  // G3 inside PDF
    rc = tiff_decode_g4(im.data, im.size, int32_t(im.w), int32_t(im.h), img, progress);
    if (rc != IMG_OK) return rc;
    // The decoder gives 1 for black; BlackIs1 false (the default) is the same picture.
    return IMG_OK;
  }
  if (!(indexed || rgb || grey) || (im.bits != 1 && im.bits != 8)) return IMG_ERR_UNSUPPORTED;
  int comps = rgb ? 3 : 1;
  size_t row = (size_t(im.w) * size_t(comps) * size_t(im.bits) + 7) / 8;
  size_t expected = row * size_t(im.h);
  std::vector<uint8_t> raw;
  if (im.filter.find("FlateDecode") != std::string::npos) {
    rc = inflate_all(im.data, im.size, expected, raw);
    if (rc != IMG_OK) return rc;
  } else if (im.filter.empty()) {
    if (im.size < expected) return IMG_ERR_CORRUPT;
    raw.assign(im.data, im.data + expected);
  } else {
    return IMG_ERR_UNSUPPORTED;
  }
  int32_t bpp = im.bits == 1 ? 1 : rgb ? 24 : 8;
  rc = img_create(img, int32_t(im.w), int32_t(im.h), bpp);
  if (rc != IMG_OK) return rc;
  if (bpp == 1) img.palette = {0x000000u, 0xFFFFFFu};  // grey samples: 0 black
  else if (grey) img.palette = img_grey_palette(8);
  if (indexed) {
    img.palette.assign(256, 0);
    size_t open = im.space.find('<');
    size_t close = open == std::string::npos ? std::string::npos : im.space.find('>', open);
    if (close == std::string::npos) return IMG_ERR_UNSUPPORTED;  // a palette held elsewhere
    std::vector<uint8_t> bytes;
    int hi = -1;
    for (size_t i = open + 1; i < close; ++i) {
      int v = hexval(im.space[i]);
      if (v < 0) continue;
      if (hi < 0) hi = v;
      else {
        bytes.push_back(uint8_t(hi << 4 | v));
        hi = -1;
      }
    }
    for (size_t i = 0; i + 2 < bytes.size() + 0 && i / 3 < 256; i += 3)
      img.palette[i / 3] = uint32_t(bytes[i]) << 16 | uint32_t(bytes[i + 1]) << 8 | bytes[i + 2];
  }
  ImgProgressSteps steps(progress, im.h);
  for (long y = 0; y < im.h; ++y) {
    steps.Advance(y + 1);
    const uint8_t* r = raw.data() + size_t(y) * row;
    uint8_t* o = img.row(int32_t(y));
    if (bpp == 24) {
      for (long x = 0; x < im.w; ++x) {
        o[3 * x] = r[3 * x + 2];
        o[3 * x + 1] = r[3 * x + 1];
        o[3 * x + 2] = r[3 * x];
      }
    } else {
      std::memcpy(o, r, row);
    }
  }
  return IMG_OK;
}

int32_t pdf_write(const ImgImage& img, std::vector<uint8_t>& out) {
  std::string dict;
  std::vector<uint8_t> stream;
  char buf[256];
  if (img.bpp == 1) {
    ImgImage scratch;
    int32_t rc = tiff_encode_g4(img_bitonal_ink_is_one(img, scratch), stream);
    if (rc != IMG_OK) return rc;
    std::snprintf(buf, sizeof buf,
                  "/ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /CCITTFaxDecode "
                  "/DecodeParms << /K -1 /Columns %d /Rows %d >>",
                  img.width, img.height);
    dict = buf;
  } else {
    bool grey = img.bpp == 8 && img_palette_is_grey_ramp(img.palette);
    bool rgb = img.bpp >= 24;
    std::vector<uint8_t> raw;
    raw.reserve(size_t(img.width) * size_t(img.height) * (rgb ? 3 : 1));
    for (int32_t y = 0; y < img.height; ++y)
      for (int32_t x = 0; x < img.width; ++x) {
        uint32_t v = img_get_px(img, x, y);
        if (rgb) {
          raw.push_back(uint8_t(v >> 16));
          raw.push_back(uint8_t(v >> 8));
          raw.push_back(uint8_t(v));
        } else {
          raw.push_back(uint8_t(v));
        }
      }
    uLongf len = compressBound(uLong(raw.size()));
    stream.resize(len);
    if (compress2(stream.data(), &len, raw.data(), uLong(raw.size()), 6) != Z_OK) return IMG_ERR_TOO_LARGE;
    stream.resize(len);
    if (rgb || grey) {
      dict = rgb ? "/ColorSpace /DeviceRGB" : "/ColorSpace /DeviceGray";
    } else {
      dict = "/ColorSpace [/Indexed /DeviceRGB 255 <";
      for (size_t i = 0; i < 256; ++i) {
        uint32_t c = i < img.palette.size() ? img.palette[i] : 0;
        std::snprintf(buf, sizeof buf, "%06X", c & 0xFFFFFFu);
        dict += buf;
      }
      dict += ">]";
    }
    dict += " /BitsPerComponent 8 /Filter /FlateDecode";
  }
  // The page has the image's size at its resolution (72 points an inch).
  double sx = img.dpi_x > 0 ? 72.0 / img.dpi_x : 1.0, sy = img.dpi_y > 0 ? 72.0 / img.dpi_y : sx;
  double pw = img.width * sx, ph = img.height * sy;
  out.clear();
  ImgOut o{out};
  std::vector<size_t> offsets;
  o.text("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
  offsets.push_back(out.size());
  o.text("1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
  offsets.push_back(out.size());
  o.text("2 0 obj\n<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n");
  offsets.push_back(out.size());
  std::snprintf(buf, sizeof buf,
                "3 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %.4f %.4f] "
                "/Resources << /XObject << /Im0 4 0 R >> >> /Contents 5 0 R >>\nendobj\n",
                pw, ph);
  o.text(buf);
  offsets.push_back(out.size());
  std::snprintf(buf, sizeof buf, "4 0 obj\n<< /Type /XObject /Subtype /Image /Width %d /Height %d ", img.width,
                img.height);
  o.text(buf);
  o.text(dict.c_str());
  std::snprintf(buf, sizeof buf, " /Length %zu >>\nstream\n", stream.size());
  o.text(buf);
  o.bytes(stream.data(), stream.size());
  o.text("\nendstream\nendobj\n");
  offsets.push_back(out.size());
  char content[128];
  int clen = std::snprintf(content, sizeof content, "q %.4f 0 0 %.4f 0 0 cm /Im0 Do Q\n", pw, ph);
  std::snprintf(buf, sizeof buf, "5 0 obj\n<< /Length %d >>\nstream\n", clen);
  o.text(buf);
  o.text(content);
  o.text("endstream\nendobj\n");
  size_t xref = out.size();
  o.text("xref\n0 6\n0000000000 65535 f \n");
  for (size_t off : offsets) {
    std::snprintf(buf, sizeof buf, "%010zu 00000 n \n", off);
    o.text(buf);
  }
  std::snprintf(buf, sizeof buf, "trailer\n<< /Size 6 /Root 1 0 R >>\nstartxref\n%zu\n%%%%EOF\n", xref);
  o.text(buf);
  return IMG_OK;
}
