// TIFF through libtiff, from and to memory: every page, strips and tiles, the CCITT, LZW,
// PackBits, Deflate and JPEG codecs, 1 to 16 bits per sample. Bitonal pages decode scan line by
// scan line straight into the packed 1-bit store, so an A0 sheet never needs a second full-size
// buffer. Also the bare G4 codec that CALS files use. Not for writing multi-page files.
#include "img_codec.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// A read source of libtiff: an optional synthetic prefix (the TIFF wrapper around bare G4 data)
// followed by the caller's bytes, which libtiff may map instead of copying.
struct MemIn {
  const uint8_t* prefix = nullptr;
  size_t prefix_size = 0;
  const uint8_t* body = nullptr;
  size_t body_size = 0;
  uint64_t pos = 0;
  uint64_t size() const { return uint64_t(prefix_size) + body_size; }
};

tmsize_t in_read(thandle_t h, void* buf, tmsize_t len) {
  MemIn* m = static_cast<MemIn*>(h);
  if (len <= 0 || m->pos >= m->size()) return 0;
  uint64_t n = m->size() - m->pos;
  if (uint64_t(len) < n) n = uint64_t(len);
  uint8_t* out = static_cast<uint8_t*>(buf);
  uint64_t done = 0;
  while (done < n) {
    uint64_t p = m->pos + done;
    if (p < m->prefix_size) {
      uint64_t k = m->prefix_size - p < n - done ? m->prefix_size - p : n - done;
      std::memcpy(out + done, m->prefix + p, size_t(k));
      done += k;
    } else {
      std::memcpy(out + done, m->body + (p - m->prefix_size), size_t(n - done));
      done = n;
    }
  }
  m->pos += n;
  return tmsize_t(n);
}
tmsize_t in_write(thandle_t, void*, tmsize_t) { return 0; }
toff_t in_seek(thandle_t h, toff_t off, int whence) {
  MemIn* m = static_cast<MemIn*>(h);
  uint64_t base = whence == SEEK_CUR ? m->pos : whence == SEEK_END ? m->size() : 0;
  m->pos = base + off;
  return m->pos;
}
int in_close(thandle_t) { return 0; }
toff_t in_size(thandle_t h) { return static_cast<MemIn*>(h)->size(); }
int in_map(thandle_t h, void** base, toff_t* size) {
  MemIn* m = static_cast<MemIn*>(h);
  if (m->prefix_size) return 0;
  *base = const_cast<uint8_t*>(m->body);  // libtiff only reads through a read-only mapping
  *size = m->body_size;
  return 1;
}
void in_unmap(thandle_t, void*, toff_t) {}

// A write target of libtiff: a growing vector with a position.
struct MemOut {
  std::vector<uint8_t>* buf;
  uint64_t pos = 0;
};
tmsize_t out_read(thandle_t h, void* buf, tmsize_t len) {
  MemOut* m = static_cast<MemOut*>(h);
  if (len <= 0 || m->pos >= m->buf->size()) return 0;
  size_t n = m->buf->size() - size_t(m->pos);
  if (size_t(len) < n) n = size_t(len);
  std::memcpy(buf, m->buf->data() + m->pos, n);
  m->pos += n;
  return tmsize_t(n);
}
tmsize_t out_write(thandle_t h, void* buf, tmsize_t len) {
  MemOut* m = static_cast<MemOut*>(h);
  if (len <= 0) return 0;
  try {
    if (m->pos + uint64_t(len) > m->buf->size()) m->buf->resize(size_t(m->pos + uint64_t(len)));
  } catch (const std::bad_alloc&) {
    return -1;
  }
  std::memcpy(m->buf->data() + m->pos, buf, size_t(len));
  m->pos += uint64_t(len);
  return len;
}
toff_t out_seek(thandle_t h, toff_t off, int whence) {
  MemOut* m = static_cast<MemOut*>(h);
  uint64_t base = whence == SEEK_CUR ? m->pos : whence == SEEK_END ? m->buf->size() : 0;
  m->pos = base + off;
  return m->pos;
}
toff_t out_size(thandle_t h) { return static_cast<MemOut*>(h)->buf->size(); }
int out_map(thandle_t, void**, toff_t*) { return 0; }

// Set when libtiff skipped a tag it could not read in full: it then goes on with a repaired
// directory (a palette image without its colour map turns grey), which for the viewer is a
// damaged file.
thread_local bool t_tag_lost = false;
// Set when the fax decoder ran out of data before the last row (it then pads with white rows), or
// found a row whose runs do not add up to the width (a CALS header with the wrong pixel count).
thread_local bool t_fax_eof = false;
thread_local bool t_fax_length = false;

void on_warning(const char*, const char* fmt, va_list ap) {
  if (!fmt) return;
  char msg[256];
  std::vsnprintf(msg, sizeof msg, fmt, ap);
  if (std::strstr(msg, "IO error")) t_tag_lost = true;
  if (std::strstr(msg, "Premature EOF")) t_fax_eof = true;
  if (std::strstr(msg, "Line length mismatch")) t_fax_length = true;
}

// libtiff reports problems on stderr by default; the library reports them as error numbers.
void quiet_libtiff() {
  static const bool installed = [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(on_warning);
    return true;
  }();
  (void)installed;
}

TIFF* open_read(MemIn& m) {
  quiet_libtiff();
  t_tag_lost = t_fax_eof = t_fax_length = false;
  return TIFFClientOpen("memory", "r", &m, in_read, in_write, in_seek, in_close, in_size, in_map,
                        in_unmap);
}

struct TiffCloser {
  TIFF* t;
  ~TiffCloser() {
    if (t) TIFFClose(t);
  }
};

// How the samples of a page reach the store.
enum class Conv { Copy, Expand2, Grey16, Rgb8, Rgb16, Rgba };

int32_t format_of_directory(TIFF* tif) {
  uint16_t compression = COMPRESSION_NONE, fill = FILLORDER_MSB2LSB;
  uint32_t g3 = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  TIFFGetFieldDefaulted(tif, TIFFTAG_FILLORDER, &fill);
  switch (compression) {
    case COMPRESSION_NONE: return IMG_FMT_TIFF;
    case COMPRESSION_CCITTRLE: return IMG_FMT_TIFF_HUFFMAN;
    case COMPRESSION_CCITTFAX3:
      if (TIFFGetField(tif, TIFFTAG_GROUP3OPTIONS, &g3) && (g3 & GROUP3OPT_2DENCODING))
        return IMG_FMT_TIFF_2D;
      return IMG_FMT_TIFF_G3;
    case COMPRESSION_CCITTFAX4:
      return fill == FILLORDER_LSB2MSB ? IMG_FMT_TIFF_G4_FO : IMG_FMT_TIFF_G4;
    case COMPRESSION_LZW: return IMG_FMT_TIFF_LZW;
    case COMPRESSION_PACKBITS: return IMG_FMT_TIFF_PACKBITS;
    case COMPRESSION_JPEG:
    case COMPRESSION_OJPEG: return IMG_FMT_TIFF_JPEG;
  }
  return IMG_FMT_TIFF_OTHER;
}

void convert_span(Conv conv, int bps, int spp, const uint8_t* s, uint8_t* row, int32_t x0,
                  int32_t count) {
  switch (conv) {
    case Conv::Copy:
      std::memcpy(row + (size_t(x0) * bps) / 8, s, (size_t(count) * bps + 7) / 8);
      break;
    case Conv::Expand2:
      for (int32_t i = 0; i < count; ++i) row[x0 + i] = uint8_t((s[i / 4] >> (6 - 2 * (i % 4))) & 3);
      break;
    case Conv::Grey16: {
      const uint16_t* v = reinterpret_cast<const uint16_t*>(s);
      for (int32_t i = 0; i < count; ++i) row[x0 + i] = uint8_t(v[i] >> 8);
      break;
    }
    case Conv::Rgb8:
    case Conv::Rgba: {
      int out = conv == Conv::Rgba ? 4 : 3;
      for (int32_t i = 0; i < count; ++i) {
        const uint8_t* p = s + size_t(i) * spp;
        uint8_t* o = row + size_t(x0 + i) * out;
        o[0] = p[2];
        o[1] = p[1];
        o[2] = p[0];
        if (out == 4) o[3] = p[3];
      }
      break;
    }
    case Conv::Rgb16: {
      const uint16_t* v = reinterpret_cast<const uint16_t*>(s);
      int out = spp == 4 ? 4 : 3;
      for (int32_t i = 0; i < count; ++i) {
        const uint16_t* p = v + size_t(i) * spp;
        uint8_t* o = row + size_t(x0 + i) * out;
        o[0] = uint8_t(p[2] >> 8);
        o[1] = uint8_t(p[1] >> 8);
        o[2] = uint8_t(p[0] >> 8);
        if (out == 4) o[3] = uint8_t(p[3] >> 8);
      }
      break;
    }
  }
}

// Anything the direct paths do not cover (separate planes, CMYK, Lab, subsampled YCbCr, odd
// sample sizes) goes through libtiff's RGBA interface, a band of rows at a time.
int32_t read_rgba(TIFF* tif, uint32_t w, uint32_t h, ImgImage& img, ImgProgressSteps& steps) {
  char emsg[1024] = "";
  if (!TIFFRGBAImageOK(tif, emsg)) return IMG_ERR_UNSUPPORTED;
  TIFFRGBAImage ri;
  if (!TIFFRGBAImageBegin(&ri, tif, 0, emsg)) return IMG_ERR_UNSUPPORTED;
  ri.req_orientation = ORIENTATION_TOPLEFT;
  int32_t bpp = ri.alpha ? 32 : 24;
  int32_t rc = img_create(img, int32_t(w), int32_t(h), bpp);
  const uint32_t band = 64;
  std::vector<uint32_t> buf;
  if (rc == IMG_OK) {
    try {
      buf.resize(size_t(w) * band);
    } catch (const std::bad_alloc&) {
      rc = IMG_ERR_TOO_LARGE;
    }
  }
  for (uint32_t y0 = 0; rc == IMG_OK && y0 < h; y0 += band) {
    uint32_t rows = h - y0 < band ? h - y0 : band;
    ri.row_offset = int(y0);
    ri.col_offset = 0;
    if (!TIFFRGBAImageGet(&ri, buf.data(), w, rows)) {
      rc = IMG_ERR_CORRUPT;
      break;
    }
    for (uint32_t r = 0; r < rows; ++r) {
      uint8_t* o = img.row(int32_t(y0 + r));
      const uint32_t* p = buf.data() + size_t(r) * w;
      for (uint32_t x = 0; x < w; ++x, o += bpp / 8) {
        o[0] = uint8_t(TIFFGetB(p[x]));
        o[1] = uint8_t(TIFFGetG(p[x]));
        o[2] = uint8_t(TIFFGetR(p[x]));
        if (bpp == 32) o[3] = uint8_t(TIFFGetA(p[x]));
      }
    }
    steps.Advance(y0 + rows);
  }
  TIFFRGBAImageEnd(&ri);
  return rc;
}

// Turns the decoded rows upright as the orientation tag says where row 0 and column 0 belong.
int32_t apply_orientation(TIFF* tif, ImgImage& img) {
  uint16_t o = ORIENTATION_TOPLEFT;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &o);
  int32_t rc = IMG_OK;
  switch (o) {
    case ORIENTATION_TOPRIGHT: rc = img_mirror_x(img); break;
    case ORIENTATION_BOTRIGHT: rc = img_rotate(img, 18000); break;
    case ORIENTATION_BOTLEFT: rc = img_mirror_y(img); break;
    case ORIENTATION_LEFTTOP:  // rows are columns: a transpose
      rc = img_rotate(img, 9000);
      if (rc == IMG_OK) rc = img_mirror_x(img);
      break;
    case ORIENTATION_RIGHTTOP: rc = img_rotate(img, 9000); break;
    case ORIENTATION_RIGHTBOT:
      rc = img_rotate(img, 27000);
      if (rc == IMG_OK) rc = img_mirror_x(img);
      break;
    case ORIENTATION_LEFTBOT: rc = img_rotate(img, 27000); break;
  }
  return rc;
}

int32_t read_directory(TIFF* tif, ImgImage& img, const ImgProgress* progress) {
  uint32_t w = 0, h = 0;
  uint16_t bps = 1, spp = 1, photo = 0, planar = PLANARCONFIG_CONTIG, compression = 1;
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h))
    return IMG_ERR_CORRUPT;
  if (w == 0 || h == 0) return IMG_ERR_CORRUPT;
  if (w > IMG_MAX_DIMENSION || h > IMG_MAX_DIMENSION) return IMG_ERR_TOO_LARGE;
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photo))
    photo = spp >= 3 ? PHOTOMETRIC_RGB : bps == 1 ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK;
  if (compression == COMPRESSION_JPEG && photo == PHOTOMETRIC_YCBCR) {
    // libjpeg converts to RGB itself, which also undoes the chroma subsampling.
    TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    photo = PHOTOMETRIC_RGB;
  }
  ImgProgressSteps steps(progress, h);

  bool grey = photo == PHOTOMETRIC_MINISWHITE || photo == PHOTOMETRIC_MINISBLACK;
  bool single = spp == 1 && (grey || photo == PHOTOMETRIC_PALETTE);
  Conv conv;
  int32_t bpp;
  if (single && (bps == 1 || bps == 4 || bps == 8)) {
    conv = Conv::Copy;
    bpp = bps;
  } else if (single && bps == 2) {
    conv = Conv::Expand2;
    bpp = 8;
  } else if (spp == 1 && grey && bps == 16) {
    conv = Conv::Grey16;
    bpp = 8;
  } else if (photo == PHOTOMETRIC_RGB && planar == PLANARCONFIG_CONTIG && (spp == 3 || spp == 4) &&
             (bps == 8 || bps == 16)) {
    conv = bps == 16 ? Conv::Rgb16 : spp == 4 ? Conv::Rgba : Conv::Rgb8;
    bpp = spp == 4 ? 32 : 24;
  } else {
    int32_t rc = read_rgba(tif, w, h, img, steps);
    if (rc != IMG_OK) img = ImgImage();
    return rc;
  }
  int32_t rc = img_create(img, int32_t(w), int32_t(h), bpp);
  if (rc != IMG_OK) return rc;

  int pal_bits = bps == 16 ? 8 : bps;
  if (grey) {
    img.palette = img_grey_palette(pal_bits);
    if (photo == PHOTOMETRIC_MINISWHITE)
      for (size_t i = 0, n = img.palette.size(); i < n / 2; ++i)
        std::swap(img.palette[i], img.palette[n - 1 - i]);
  } else if (photo == PHOTOMETRIC_PALETTE) {
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b)) return IMG_ERR_CORRUPT;
    size_t n = size_t(1) << bps;
    // Some writers store 8-bit values in the 16-bit colour map; scale only true 16-bit maps.
    bool eight = true;
    for (size_t i = 0; i < n; ++i)
      if (r[i] > 255 || g[i] > 255 || b[i] > 255) eight = false;
    int sh = eight ? 0 : 8;
    img.palette.resize(n);
    for (size_t i = 0; i < n; ++i)
      img.palette[i] = uint32_t(r[i] >> sh) << 16 | uint32_t(g[i] >> sh) << 8 | uint32_t(b[i] >> sh);
  }

  float xres = 0, yres = 0;
  uint16_t unit = RESUNIT_INCH;
  TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
  double scale = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
  if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres) && xres > 0 && xres < 100000)
    img.dpi_x = int32_t(xres * scale + 0.5);
  if (TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres) && yres > 0 && yres < 100000)
    img.dpi_y = int32_t(yres * scale + 0.5);

  if (TIFFIsTiled(tif)) {
    uint32_t tw = 0, th = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &th);
    tmsize_t tsize = TIFFTileSize(tif), trow = TIFFTileRowSize(tif);
    if (tw == 0 || th == 0 || tsize <= 0 || trow <= 0 || tw % 16 != 0) return IMG_ERR_CORRUPT;
    // A tile is never larger than the image it belongs to (allowing for edge tiles).
    if (tsize > IMG_MAX_PIXEL_BYTES / 4 || uint64_t(tw) > uint64_t(w) + 16 * 1024 ||
        uint64_t(th) > uint64_t(h) + 16 * 1024)
      return IMG_ERR_CORRUPT;
    std::vector<uint8_t> tile;
    try {
      tile.resize(size_t(tsize));
    } catch (const std::bad_alloc&) {
      return IMG_ERR_TOO_LARGE;
    }
    for (uint32_t ty = 0; ty < h; ty += th) {
      for (uint32_t tx = 0; tx < w; tx += tw) {
        if (TIFFReadEncodedTile(tif, TIFFComputeTile(tif, tx, ty, 0, 0), tile.data(), tsize) < 0)
          return IMG_ERR_CORRUPT;
        uint32_t cols = w - tx < tw ? w - tx : tw;
        for (uint32_t r = 0; r < th && ty + r < h; ++r)
          convert_span(conv, bps, spp, tile.data() + size_t(r) * size_t(trow), img.row(int32_t(ty + r)),
                       int32_t(tx), int32_t(cols));
      }
      steps.Advance(ty + th);
    }
    return apply_orientation(tif, img);
  }

  tmsize_t line = TIFFScanlineSize(tif);
  if (line <= 0) return IMG_ERR_CORRUPT;
  bool direct = conv == Conv::Copy && size_t(line) <= img.stride;
  std::vector<uint8_t> buf;
  if (!direct) {
    try {
      buf.resize(size_t(line));
    } catch (const std::bad_alloc&) {
      return IMG_ERR_TOO_LARGE;
    }
  }
  for (uint32_t y = 0; y < h; ++y) {
    uint8_t* dst = img.row(int32_t(y));
    if (TIFFReadScanline(tif, direct ? dst : buf.data(), y, 0) < 0) return IMG_ERR_CORRUPT;
    if (!direct) convert_span(conv, bps, spp, buf.data(), dst, 0, int32_t(w));
    if ((y & 255) == 255) steps.Advance(y);
  }
  steps.Advance(h);
  return apply_orientation(tif, img);
}

}  // namespace

int32_t tiff_probe_page(const uint8_t* d, size_t n, int32_t page) {
  MemIn m;
  m.body = d;
  m.body_size = n;
  TiffCloser tc{open_read(m)};
  if (!tc.t) return IMG_ERR_CORRUPT;
  if (page < 0 || !TIFFSetDirectory(tc.t, tdir_t(page))) return IMG_ERR_NO_PAGE;
  return format_of_directory(tc.t);
}

int32_t tiff_probe(const uint8_t* d, size_t n) { return tiff_probe_page(d, n, 0); }

int32_t tiff_page_count(const uint8_t* d, size_t n) {
  MemIn m;
  m.body = d;
  m.body_size = n;
  TiffCloser tc{open_read(m)};
  if (!tc.t) return IMG_ERR_CORRUPT;
  tdir_t count = TIFFNumberOfDirectories(tc.t);
  return count == 0 ? IMG_ERR_CORRUPT : int32_t(count);
}

int32_t tiff_read(const uint8_t* d, size_t n, int32_t page, ImgImage& img, const ImgProgress* progress) {
  MemIn m;
  m.body = d;
  m.body_size = n;
  TiffCloser tc{open_read(m)};
  if (!tc.t) return IMG_ERR_CORRUPT;
  if (page < 0 || !TIFFSetDirectory(tc.t, tdir_t(page))) return IMG_ERR_NO_PAGE;
  int32_t rc = t_tag_lost ? IMG_ERR_CORRUPT : read_directory(tc.t, img, progress);
  if (rc == IMG_OK && t_fax_eof) rc = IMG_ERR_CORRUPT;
  if (rc != IMG_OK) img = ImgImage();
  return rc;
}

namespace {

void put16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
  put16(p, uint16_t(v));
  put16(p + 2, uint16_t(v >> 16));
}

}  // namespace

int32_t tiff_decode_g4(const uint8_t* data, size_t size, int32_t width, int32_t height, ImgImage& img,
                       const ImgProgress* progress) {
  if (width <= 0 || height <= 0) return IMG_ERR_ARGUMENT;
  if (size > 0xFFFFFF00u) return IMG_ERR_TOO_LARGE;
  // A little-endian TIFF header and one directory describing the data as a single G4 strip.
  static const uint16_t kTags[8] = {256, 257, 258, 259, 262, 273, 278, 279};
  const uint32_t prefix_size = 8 + 2 + 8 * 12 + 4;
  const uint32_t values[8] = {uint32_t(width), uint32_t(height), 1, COMPRESSION_CCITTFAX4,
                              PHOTOMETRIC_MINISWHITE, prefix_size, uint32_t(height), uint32_t(size)};
  uint8_t prefix[prefix_size] = {'I', 'I', 42, 0, 8, 0, 0, 0};
  put16(prefix + 8, 8);
  for (int i = 0; i < 8; ++i) {
    uint8_t* e = prefix + 10 + 12 * i;
    bool is_short = kTags[i] == 258 || kTags[i] == 259 || kTags[i] == 262;
    put16(e, kTags[i]);
    put16(e + 2, is_short ? 3 : 4);
    put32(e + 4, 1);
    if (is_short)
      put16(e + 8, uint16_t(values[i]));
    else
      put32(e + 8, values[i]);
  }
  put32(prefix + 10 + 8 * 12, 0);
  MemIn m;
  m.prefix = prefix;
  m.prefix_size = prefix_size;
  m.body = data;
  m.body_size = size;
  TiffCloser tc{open_read(m)};
  if (!tc.t) return IMG_ERR_CORRUPT;
  int32_t rc = read_directory(tc.t, img, progress);
  if (rc == IMG_OK && (t_fax_eof || t_fax_length)) rc = IMG_ERR_CALS_SIZE;
  if (rc != IMG_OK) img = ImgImage();
  return rc == IMG_ERR_CORRUPT ? IMG_ERR_CALS_SIZE : rc;
}

namespace {

struct WriteSetup {
  uint16_t compression;
  bool bitonal_only;
};

bool setup_for(int32_t format, WriteSetup& s) {
  switch (format) {
    case IMG_FMT_TIFF: s = {COMPRESSION_NONE, false}; return true;
    case IMG_FMT_TIFF_HUFFMAN: s = {COMPRESSION_CCITTRLE, true}; return true;
    case IMG_FMT_TIFF_G3:
    case IMG_FMT_TIFF_2D: s = {COMPRESSION_CCITTFAX3, true}; return true;
    case IMG_FMT_TIFF_G4:
    case IMG_FMT_TIFF_G4_FO: s = {COMPRESSION_CCITTFAX4, true}; return true;
    case IMG_FMT_TIFF_PACKBITS: s = {COMPRESSION_PACKBITS, true}; return true;
    case IMG_FMT_TIFF_JPEG: s = {COMPRESSION_JPEG, false}; return true;
  }
  return false;
}

bool two_greys(const std::vector<uint32_t>& pal) {
  for (uint32_t c : pal)
    if (((c >> 16) & 255) != (c & 255) || ((c >> 8) & 255) != (c & 255)) return false;
  return true;
}

}  // namespace

int32_t tiff_write(const ImgImage& src, int32_t format, std::vector<uint8_t>& out) {
  WriteSetup ws;
  if (!setup_for(format, ws)) return IMG_ERR_CANNOT_WRITE;
  if (ws.bitonal_only && src.bpp != 1) return IMG_ERR_DEPTH;
  bool jpeg = ws.compression == COMPRESSION_JPEG;
  if (jpeg && src.bpp != 24 && src.bpp != 8) return IMG_ERR_DEPTH;

  ImgImage bitonal, colour;
  const ImgImage* img = &src;
  uint16_t photo;
  if (jpeg && src.bpp == 8 && !img_palette_is_grey_ramp(src.palette)) {
    // JPEG has no palettes: a colour palette image goes in as the colours it shows.
    int32_t rc = img_create(colour, src.width, src.height, 24);
    if (rc != IMG_OK) return rc;
    colour.dpi_x = src.dpi_x;
    colour.dpi_y = src.dpi_y;
    for (int32_t y = 0; y < src.height; ++y)
      for (int32_t x = 0; x < src.width; ++x) {
        uint8_t i = src.row(y)[x];
        uint32_t c = i < src.palette.size() ? src.palette[i] : 0;
        uint8_t* o = colour.row(y) + 3 * size_t(x);
        o[0] = uint8_t(c);
        o[1] = uint8_t(c >> 8);
        o[2] = uint8_t(c >> 16);
      }
    img = &colour;
    photo = PHOTOMETRIC_YCBCR;
  } else if (src.bpp == 1 && (ws.compression != COMPRESSION_NONE || two_greys(src.palette))) {
    img = &img_bitonal_ink_is_one(src, bitonal);
    photo = PHOTOMETRIC_MINISWHITE;
  } else if (src.bpp <= 8) {
    photo = img_palette_is_grey_ramp(src.palette) ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_PALETTE;
  } else {
    photo = jpeg ? PHOTOMETRIC_YCBCR : PHOTOMETRIC_RGB;
  }

  out.clear();
  MemOut m{&out};
  quiet_libtiff();
  TiffCloser tc{TIFFClientOpen("memory", "w", &m, out_read, out_write, out_seek, in_close, out_size,
                               out_map, in_unmap)};
  TIFF* tif = tc.t;
  if (!tif) return IMG_ERR_WRITE;
  int spp = img->bpp == 24 ? 3 : img->bpp == 32 ? 4 : 1;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(img->width));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(img->height));
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(spp > 1 ? 8 : img->bpp));
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(spp));
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, ws.compression);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photo);
  if (spp == 4) {
    uint16_t extra = EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
  }
  if (format == IMG_FMT_TIFF_2D) TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, uint32_t(GROUP3OPT_2DENCODING));
  if (format == IMG_FMT_TIFF_G4_FO) TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_LSB2MSB);
  if (jpeg) {
    TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 85);
    if (photo == PHOTOMETRIC_YCBCR) TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  }
  if (photo == PHOTOMETRIC_PALETTE) {
    size_t n = size_t(1) << img->bpp;
    std::vector<uint16_t> r(n), g(n), b(n);
    for (size_t i = 0; i < n && i < img->palette.size(); ++i) {
      r[i] = uint16_t(((img->palette[i] >> 16) & 255) * 257);
      g[i] = uint16_t(((img->palette[i] >> 8) & 255) * 257);
      b[i] = uint16_t((img->palette[i] & 255) * 257);
    }
    TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
  }
  if (img->dpi_x > 0 && img->dpi_y > 0) {
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, float(img->dpi_x));
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, float(img->dpi_y));
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  }
  // Bitonal fax codes go in one strip, as scanners write them; the rest in libtiff's usual strips
  // (whole multiples of 16 rows so JPEG's blocks are never split).
  uint32_t rows = ws.bitonal_only ? uint32_t(img->height) : TIFFDefaultStripSize(tif, 0);
  if (jpeg) rows = (rows + 15) / 16 * 16;
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rows);

  std::vector<uint8_t> line(img->stride + 8);
  for (int32_t y = 0; y < img->height; ++y) {
    const uint8_t* s = img->row(y);
    if (spp == 1) {
      std::memcpy(line.data(), s, img->stride);
    } else {
      for (int32_t x = 0; x < img->width; ++x) {
        const uint8_t* p = s + size_t(x) * spp;
        uint8_t* o = line.data() + size_t(x) * spp;
        o[0] = p[2];
        o[1] = p[1];
        o[2] = p[0];
        if (spp == 4) o[3] = p[3];
      }
    }
    if (TIFFWriteScanline(tif, line.data(), uint32_t(y), 0) < 0) return IMG_ERR_WRITE;
  }
  if (!TIFFWriteDirectory(tif)) return IMG_ERR_WRITE;
  TIFFClose(tif);
  tc.t = nullptr;
  return IMG_OK;
}

int32_t tiff_encode_g4(const ImgImage& img, std::vector<uint8_t>& out) {
  return tiff_encode_strip(img, IMG_FMT_TIFF_G4, out);
}

int32_t tiff_encode_strip(const ImgImage& img, int32_t format, std::vector<uint8_t>& out) {
  std::vector<uint8_t> file;
  int32_t rc = tiff_write(img, format, file);
  if (rc != IMG_OK) return rc;
  MemIn m;
  m.body = file.data();
  m.body_size = file.size();
  TiffCloser tc{open_read(m)};
  if (!tc.t) return IMG_ERR_WRITE;
  uint64_t* counts = nullptr;
  if (!TIFFGetField(tc.t, TIFFTAG_STRIPBYTECOUNTS, &counts) || !counts) return IMG_ERR_WRITE;
  out.resize(size_t(counts[0]));
  if (TIFFReadRawStrip(tc.t, 0, out.data(), tmsize_t(out.size())) != tmsize_t(out.size()))
    return IMG_ERR_WRITE;
  return IMG_OK;
}
