// Probing, page counts, loading and saving: the one place that picks a codec for a file's content
// or a format code, and that reads and writes whole files (writes under a temporary name, renamed
// into place). The codecs themselves live in img_<format>.cpp.
#include "img_codec.h"

#include <cstdio>
#include <cstring>
#include <new>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// Files larger than this are refused before reading: no drawing the viewer opens comes near it.
constexpr long kMaxFileBytes = 1L << 30;

// True when text starts with key, ignoring the case of ASCII letters.
bool strncasecmp_ascii(const char* text, const char* key) {
  for (; *key; ++text, ++key) {
    char c = *text >= 'A' && *text <= 'Z' ? char(*text + 32) : *text;
    if (c != *key) return false;
  }
  return true;
}

bool starts_with(const uint8_t* d, size_t n, const char* sig, size_t len) {
  return n >= len && std::memcmp(d, sig, len) == 0;
}

uint32_t le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// A CALS file: a 2048-byte text header whose 128-byte records start with the CALS keys. Two known
// keys make it CALS, so a header that lacks a required field still reaches the CALS reader and
// gets its precise error rather than "unknown format".
bool looks_like_cals(const uint8_t* d, size_t n) {
  static const char* const keys[] = {"srcdocid:", "dstdocid:", "txtfilid:", "figid:", "srcgph:", "doccls:",
                                     "rtype:", "rorient:", "rpelcnt:", "rdensty:", "notes:"};
  if (n < 2048) return false;
  int known = 0;
  for (size_t r = 0; r < 2048; r += 128)
    for (const char* k : keys)
      if (strncasecmp_ascii(reinterpret_cast<const char*>(d + r), k)) ++known;
  return known >= 2;
}

bool looks_like_packed_dib(const uint8_t* d, size_t n) {
  if (n < 40) return false;
  uint32_t hs = le32(d);
  if (hs != 40 && hs != 108 && hs != 124) return false;
  uint16_t planes = uint16_t(d[12] | d[13] << 8), bits = uint16_t(d[14] | d[15] << 8);
  return planes == 1 && (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32);
}

int32_t probe_gif(const uint8_t* d, size_t n) {
  // The first image descriptor's interlace flag decides between the two GIF codes.
  size_t pos = 13;
  if (n < pos) return IMG_FMT_GIF;
  if (d[10] & 0x80) pos += size_t(3) << ((d[10] & 7) + 1);
  while (pos < n) {
    if (d[pos] == 0x2C) {
      if (pos + 10 > n) break;
      return (d[pos + 9] & 0x40) ? IMG_FMT_GIF_INTERLACED : IMG_FMT_GIF;
    }
    if (d[pos] != 0x21 || pos + 2 > n) break;
    pos += 2;
    while (pos < n && d[pos] != 0) pos += size_t(d[pos]) + 1;
    ++pos;
  }
  return IMG_FMT_GIF;
}

int32_t read_file(const char* path, std::vector<uint8_t>& out) {
  if (!path) return IMG_ERR_ARGUMENT;
  FILE* f = std::fopen(path, "rb");
  if (!f) return IMG_ERR_OPEN;
  int32_t rc = IMG_OK;
  long size = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
  if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0) {
    rc = IMG_ERR_READ;
  } else if (size > kMaxFileBytes) {
    rc = IMG_ERR_TOO_LARGE;
  } else {
    try {
      out.resize(size_t(size));
      if (size > 0 && std::fread(out.data(), 1, size_t(size), f) != size_t(size)) rc = IMG_ERR_READ;
    } catch (const std::bad_alloc&) {
      rc = IMG_ERR_TOO_LARGE;
    }
  }
  std::fclose(f);
  return rc;
}

}  // namespace

std::vector<uint32_t> img_grey_palette(int bits) {
  int n = 1 << bits;
  std::vector<uint32_t> pal(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    uint32_t v = uint32_t(i * 255 / (n - 1));
    pal[size_t(i)] = v << 16 | v << 8 | v;
  }
  return pal;
}

bool img_palette_is_grey_ramp(const std::vector<uint32_t>& pal) {
  if (pal.size() != 2 && pal.size() != 16 && pal.size() != 256) return false;
  int bits = pal.size() == 2 ? 1 : pal.size() == 16 ? 4 : 8;
  return pal == img_grey_palette(bits);
}

const ImgImage& img_bitonal_ink_is_one(const ImgImage& img, ImgImage& out) {
  bool zero_is_dark = img.palette.size() >= 2 && img_luma(img.palette[0]) < img_luma(img.palette[1]);
  if (!zero_is_dark) return img;
  out = img;
  out.palette = {0xFFFFFFu, 0x000000u};
  size_t row_bytes = (size_t(img.width) + 7) / 8;
  int tail = img.width % 8;
  for (int32_t y = 0; y < out.height; ++y) {
    uint8_t* r = out.row(y);
    for (size_t i = 0; i < row_bytes; ++i) r[i] = uint8_t(~r[i]);
    if (tail) r[row_bytes - 1] &= uint8_t(0xFF << (8 - tail));
  }
  return out;
}

int32_t img_probe_memory(const uint8_t* d, size_t n) {
  if (!d || n < 4) return IMG_ERR_UNKNOWN_FORMAT;
  if (starts_with(d, n, "II*\0", 4) || starts_with(d, n, "MM\0*", 4)) return tiff_probe(d, n);
  if (starts_with(d, n, "BM", 2) && n >= 34) {
    // The 12-byte OS/2 header has no compression field; there bytes 30 to 33 are colour table.
    uint32_t compression = le32(d + 14) >= 40 ? le32(d + 30) : 0;
    return (compression == 1 || compression == 2) ? IMG_FMT_BMP_RLE : IMG_FMT_BMP;
  }
  if (starts_with(d, n, "\xFF\xD8\xFF", 3)) return IMG_FMT_JPEG;
  if (starts_with(d, n, "\x89PNG\r\n\x1A\n", 8)) return IMG_FMT_PNG;
  if (starts_with(d, n, "GIF87a", 6) || starts_with(d, n, "GIF89a", 6)) return probe_gif(d, n);
  if (looks_like_cals(d, n)) return IMG_FMT_CALS;
  if (wpg_looks_like(d, n)) return IMG_FMT_WPG;
  if (pcd_looks_like(d, n)) return IMG_FMT_PCD;
  if (n >= 128 && d[0] == 0x0A && (d[1] <= 5 && d[1] != 1) && d[2] <= 1 &&
      (d[3] == 1 || d[3] == 2 || d[3] == 4 || d[3] == 8))
    return IMG_FMT_PCX;
  if (dcx_looks_like(d, n)) return IMG_FMT_DCX;
  if (pdf_looks_like(d, n)) return IMG_FMT_PDF;
  if (eps_looks_like(d, n)) return IMG_FMT_EPS;
  if (pcl_looks_like(d, n)) return IMG_FMT_PCL;
  if (clp_looks_like(d, n)) return IMG_FMT_CLP;
  if (iff_looks_like(d, n)) return IMG_FMT_IFF;
  if (wmf_looks_like(d, n)) return IMG_FMT_WMF;
  if (sun_looks_like(d, n)) return IMG_FMT_SUN;
  if (psd_looks_like(d, n)) return IMG_FMT_PSD;
  if (msp_looks_like(d, n)) return IMG_FMT_MSP;
  if (xpm_looks_like(d, n)) return IMG_FMT_XPM;
  if (xbm_looks_like(d, n)) return IMG_FMT_XBM;
  if (xwd_looks_like(d, n)) return IMG_FMT_XWD;
  if (ico_looks_like(d, n)) return IMG_FMT_ICO;
  if (looks_like_packed_dib(d, n)) return IMG_FMT_DIB;
  // Last the formats without a magic number, each after a close look at its header.
  if (pict_looks_like(d, n)) return IMG_FMT_PICT;
  if (macpaint_looks_like(d, n)) return IMG_FMT_MACPAINT;
  if (gem_looks_like(d, n)) return IMG_FMT_GEM;
  if (cut_looks_like(d, n)) return IMG_FMT_CUT;
  if (tga_looks_like(d, n)) return (d[16] == 15 || d[16] == 16) ? IMG_FMT_TGA16 : IMG_FMT_TGA;
  return IMG_ERR_UNKNOWN_FORMAT;
}

int32_t img_probe_file(const char* path) {
  std::vector<uint8_t> buf;
  int32_t rc = read_file(path, buf);
  return rc < 0 ? rc : img_probe_memory(buf.data(), buf.size());
}

int32_t img_page_count_memory(const uint8_t* d, size_t n) {
  int32_t fmt = img_probe_memory(d, n);
  if (fmt < 0) return fmt;
  if (starts_with(d, n, "II*\0", 4) || starts_with(d, n, "MM\0*", 4)) return tiff_page_count(d, n);
  if (fmt == IMG_FMT_DCX) return dcx_page_count(d, n);
  if (fmt == IMG_FMT_PDF) return pdf_page_count(d, n);
  return 1;
}

int32_t img_page_count_file(const char* path) {
  std::vector<uint8_t> buf;
  int32_t rc = read_file(path, buf);
  return rc < 0 ? rc : img_page_count_memory(buf.data(), buf.size());
}

int32_t img_load_memory(const uint8_t* d, size_t n, int32_t page, ImgImage& img,
                        const ImgProgress* progress) {
  img = ImgImage();
  int32_t fmt = img_probe_memory(d, n);
  if (fmt < 0) return fmt;
  if (page < 0) return IMG_ERR_NO_PAGE;
  bool tiff = starts_with(d, n, "II*\0", 4) || starts_with(d, n, "MM\0*", 4);
  bool paged = tiff || fmt == IMG_FMT_DCX || fmt == IMG_FMT_PDF;
  if (!paged && page != 0) return IMG_ERR_NO_PAGE;
  int32_t rc;
  int32_t pages = 1;
  if (tiff) {
    pages = tiff_page_count(d, n);
    rc = pages < 0 ? pages : tiff_read(d, n, page, img, progress);
  } else if (fmt == IMG_FMT_DCX) {
    pages = dcx_page_count(d, n);
    rc = pages < 0 ? pages : dcx_read(d, n, page, img, progress);
  } else if (fmt == IMG_FMT_PDF) {
    pages = pdf_page_count(d, n);
    rc = pages < 0 ? pages : pdf_read(d, n, page, img, progress);
  } else {
    switch (fmt) {
      case IMG_FMT_BMP:
      case IMG_FMT_BMP_RLE: rc = bmp_read(d, n, false, img, progress); break;
      case IMG_FMT_DIB: rc = bmp_read(d, n, true, img, progress); break;
      case IMG_FMT_CALS: rc = cals_read(d, n, img, progress); break;
      case IMG_FMT_JPEG: rc = jpeg_read(d, n, img, progress); break;
      case IMG_FMT_PNG: rc = png_read(d, n, img, progress); break;
      case IMG_FMT_PCX: rc = pcx_read(d, n, img, progress); break;
      case IMG_FMT_GIF:
      case IMG_FMT_GIF_INTERLACED: rc = gif_read(d, n, img, progress); break;
      case IMG_FMT_TGA:
      case IMG_FMT_TGA16: rc = tga_read(d, n, img, progress); break;
      case IMG_FMT_ICO: rc = ico_read(d, n, img, progress); break;
      case IMG_FMT_XBM: rc = xbm_read(d, n, img, progress); break;
      case IMG_FMT_XPM: rc = xpm_read(d, n, img, progress); break;
      case IMG_FMT_XWD: rc = xwd_read(d, n, img, progress); break;
      case IMG_FMT_SUN: rc = sun_read(d, n, img, progress); break;
      case IMG_FMT_PSD: rc = psd_read(d, n, img, progress); break;
      case IMG_FMT_MACPAINT: rc = macpaint_read(d, n, img, progress); break;
      case IMG_FMT_MSP: rc = msp_read(d, n, img, progress); break;
      case IMG_FMT_WMF: rc = wmf_read(d, n, img, progress); break;
      case IMG_FMT_CLP: rc = clp_read(d, n, img, progress); break;
      case IMG_FMT_EPS: rc = eps_read(d, n, img, progress); break;
      case IMG_FMT_PCL: rc = pcl_read(d, n, img, progress); break;
      case IMG_FMT_IFF: rc = iff_read(d, n, img, progress); break;
      case IMG_FMT_GEM: rc = gem_read(d, n, img, progress); break;
      case IMG_FMT_PICT: rc = pict_read(d, n, img, progress); break;
      case IMG_FMT_WPG: rc = wpg_read(d, n, img, progress); break;
      case IMG_FMT_CUT: rc = cut_read(d, n, img, progress); break;
      case IMG_FMT_PCD: rc = pcd_read(d, n, img, progress); break;
      default: rc = IMG_ERR_UNKNOWN_FORMAT; break;
    }
  }
  if (rc != IMG_OK) {
    img = ImgImage();
    return rc;
  }
  if (fmt != IMG_FMT_CALS && tiff) fmt = tiff_probe_page(d, n, page);
  img.format = fmt;
  img.page_count = pages;
  img.region = ImgRect{0, 0, img.width, img.height};
  return IMG_OK;
}

int32_t img_load_file(const char* path, int32_t page, ImgImage& img, const ImgProgress* progress) {
  img = ImgImage();
  std::vector<uint8_t> buf;
  int32_t rc = read_file(path, buf);
  return rc < 0 ? rc : img_load_memory(buf.data(), buf.size(), page, img, progress);
}

int32_t img_save_memory(const ImgImage& img, int32_t format, std::vector<uint8_t>& out) {
  out.clear();
  if (img.width <= 0 || img.height <= 0 || img.pixels.empty()) return IMG_ERR_NO_IMAGE;
  const ImgImage* src = &img;
  ImgImage cropped;
  const ImgRect& r = img.region;
  if (r.w > 0 && r.h > 0 && (r.x != 0 || r.y != 0 || r.w != img.width || r.h != img.height)) {
    int32_t rc = img_crop(img, r, cropped);
    if (rc != IMG_OK) return rc;
    src = &cropped;
  }
  switch (format) {
    case IMG_FMT_BMP: return bmp_write(*src, false, false, out);
    case IMG_FMT_BMP_RLE: return bmp_write(*src, true, false, out);
    case IMG_FMT_DIB: return bmp_write(*src, false, true, out);
    case IMG_FMT_TIFF:
    case IMG_FMT_TIFF_HUFFMAN:
    case IMG_FMT_TIFF_G3:
    case IMG_FMT_TIFF_G4:
    case IMG_FMT_TIFF_PACKBITS:
    case IMG_FMT_TIFF_2D:
    case IMG_FMT_TIFF_JPEG:
    case IMG_FMT_TIFF_G4_FO: return tiff_write(*src, format, out);
    case IMG_FMT_CALS: return cals_write(*src, out);
    case IMG_FMT_JPEG: return jpeg_write(*src, out);
    case IMG_FMT_PNG: return png_write(*src, out);
    case IMG_FMT_PCX: return pcx_write(*src, out);
    case IMG_FMT_DCX: return dcx_write(*src, out);
    case IMG_FMT_TGA: return tga_write(*src, false, out);
    case IMG_FMT_TGA16: return tga_write(*src, true, out);
    case IMG_FMT_ICO: return ico_write(*src, out);
    case IMG_FMT_XBM: return xbm_write(*src, out);
    case IMG_FMT_XPM: return xpm_write(*src, out);
    case IMG_FMT_XWD: return xwd_write(*src, out);
    case IMG_FMT_SUN: return sun_write(*src, out);
    case IMG_FMT_PSD: return psd_write(*src, out);
    case IMG_FMT_MACPAINT: return macpaint_write(*src, out);
    case IMG_FMT_MSP: return msp_write(*src, out);
    case IMG_FMT_WMF: return wmf_write(*src, out);
    case IMG_FMT_CLP: return clp_write(*src, out);
    case IMG_FMT_PDF: return pdf_write(*src, out);
    case IMG_FMT_EPS:
    case IMG_FMT_XEROX_EPS: return eps_write(*src, out);
    case IMG_FMT_PCL: return pcl_write(*src, out);
    case IMG_FMT_IFF: return iff_write(*src, out);
    case IMG_FMT_PICT: return pict_write(*src, out);
    case IMG_FMT_WPG: return wpg_write(*src, out);
    case IMG_FMT_G3:
    case IMG_FMT_G4:
    case IMG_FMT_G3_FO:
    case IMG_FMT_G4_FO: return fax_write(*src, format, out);
    // Formats of the lists whose layout no public document describes.
    case IMG_FMT_LDA:
    case IMG_FMT_KOFAX:
    case IMG_FMT_BROOKTROUT:
    case IMG_FMT_IMNET:
    case IMG_FMT_IOCA:
    case IMG_FMT_JEDMICS: return IMG_ERR_UNDOCUMENTED;
  }
  return IMG_ERR_CANNOT_WRITE;
}

int32_t img_can_save(int32_t format, int32_t bpp) {
  // The writers themselves answer, for an image of one pixel of that depth: the question and the
  // save cannot disagree.
  ImgImage probe;
  int32_t rc = img_create(probe, 1, 1, bpp);
  if (rc != IMG_OK) return IMG_ERR_DEPTH;
  if (bpp <= 8) probe.palette = img_grey_palette(bpp);
  std::vector<uint8_t> out;
  rc = img_save_memory(probe, format, out);
  return rc == IMG_ERR_CANNOT_WRITE || rc == IMG_ERR_DEPTH || rc == IMG_ERR_UNDOCUMENTED ? rc : IMG_OK;
}

int32_t img_save_file(const ImgImage& img, const char* path, int32_t format) {
  if (!path || !*path) return IMG_ERR_ARGUMENT;
  std::vector<uint8_t> bytes;
  int32_t rc = img_save_memory(img, format, bytes);
  if (rc != IMG_OK) return rc;
  std::string tmp = std::string(path) + ".vvtmp";
  FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) return IMG_ERR_WRITE;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fclose(f) == 0) && ok;
  // The old file is replaced in one step, never deleted first: when the replace fails, the old
  // file is still there under its name. (The C runtime's rename does not replace a file on
  // Windows, so there the system call that does is used.)
#ifdef _WIN32
  if (ok) ok = ::MoveFileExA(tmp.c_str(), path, MOVEFILE_REPLACE_EXISTING) != 0;
#else
  if (ok) ok = std::rename(tmp.c_str(), path) == 0;
#endif
  if (!ok) {
    std::remove(tmp.c_str());
    return IMG_ERR_WRITE;
  }
  return IMG_OK;
}
