// Images from the clipboard's forms: a packed DIB (CF_DIB) and a device bitmap with its palette
// (CF_BITMAP, CF_PALETTE). Both end as a packed DIB read by the core's BMP reader, so the pixels
// of every form go through the one checked decoder.
#include <algorithm>
#include <cstring>
#include <vector>

#include "img_codec.h"
#include "img_library.h"
#include "zeri8v98.h"

namespace {

uint32_t read_u32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
int32_t read_i32(const uint8_t* p) { return int32_t(read_u32(p)); }
uint16_t read_u16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

// The size of a packed DIB from its own header, for a pointer that comes without one. Refuses a
// header whose numbers ask for more than any image the library accepts; 0 when it is no DIB.
size_t packed_dib_size(const uint8_t* dib) {
  uint32_t header = read_u32(dib);
  int64_t width, height, bits;
  uint32_t compression = BI_RGB, colours = 0, image_bytes = 0;
  size_t entry = 4;
  if (header == sizeof(BITMAPCOREHEADER)) {
    width = read_u16(dib + 4);
    height = read_u16(dib + 6);
    bits = read_u16(dib + 10);
    entry = 3;
  } else if (header >= sizeof(BITMAPINFOHEADER) && header <= 1024) {
    width = read_i32(dib + 4);
    height = read_i32(dib + 8);
    bits = read_u16(dib + 14);
    compression = read_u32(dib + 16);
    image_bytes = read_u32(dib + 20);
    colours = read_u32(dib + 32);
  } else {
    return 0;
  }
  if (height < 0) height = -height;
  if (width <= 0 || height <= 0 || width > IMG_MAX_DIMENSION || height > IMG_MAX_DIMENSION ||
      bits <= 0 || bits > 32 || colours > 256)
    return 0;
  if (colours == 0 && bits <= 8) colours = 1u << bits;
  int64_t table = int64_t(colours) * entry;
  if (compression == BI_BITFIELDS && header == sizeof(BITMAPINFOHEADER)) table += 12;
  int64_t pixels = compression == BI_RLE4 || compression == BI_RLE8
                       ? int64_t(image_bytes)
                       : (width * bits + 31) / 32 * 4 * height;
  int64_t total = int64_t(header) + table + pixels;
  return total > IMG_MAX_PIXEL_BYTES ? 0 : size_t(total);
}

// The bytes a pointer may be read for: the global block it lies in when there is one (the
// clipboard's data always is), else what its header claims.
size_t readable_size(const void* p) {
  HGLOBAL block = GlobalHandle(p);
  if (block) {
    SIZE_T size = GlobalSize(block);
    if (size) {
      const uint8_t* base = static_cast<const uint8_t*>(GlobalLock(block));
      GlobalUnlock(block);
      const uint8_t* q = static_cast<const uint8_t*>(p);
      if (base && q >= base && q < base + size) return size - size_t(q - base);
    }
  }
  return packed_dib_size(static_cast<const uint8_t*>(p));
}

int32_t add_from_packed_dib(const uint8_t* dib, size_t size) {
  ImgImage image;
  int32_t rc = bmp_read(dib, size, true, image, nullptr);
  if (rc < 0) return rc;
  image.format = -1;
  return img_handle_add(std::move(image));
}

}  // namespace

int32_t WINAPI ImgFromPackedDib(const void* packedDib) {
  if (!packedDib) return IMG_ERR_ARGUMENT;
  size_t size = readable_size(packedDib);
  if (size < 4) return IMG_ERR_CORRUPT;
  return add_from_packed_dib(static_cast<const uint8_t*>(packedDib), size);
}

// The bitmap's pixels as the screen shows them, at the nearest DIB depth; with a palette, a
// bitmap of up to 8 bits takes its colours from it, as the clipboard pairs them.
int32_t WINAPI ImgFromBitmap(HBITMAP bitmap, HPALETTE palette) {
  BITMAP info;
  if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return IMG_ERR_ARGUMENT;
  if (info.bmWidth <= 0 || info.bmHeight <= 0) return IMG_ERR_ARGUMENT;
  if (info.bmWidth > IMG_MAX_DIMENSION || info.bmHeight > IMG_MAX_DIMENSION) return IMG_ERR_TOO_LARGE;
  int depth = info.bmPlanes * info.bmBitsPixel;
  WORD bits = depth <= 1 ? 1 : depth <= 4 ? 4 : depth <= 8 ? 8 : 24;
  size_t colours = bits <= 8 ? size_t(1) << bits : 0;
  int64_t stride = (int64_t(info.bmWidth) * bits + 31) / 32 * 4;
  int64_t image_bytes = stride * info.bmHeight;
  size_t header = sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD);
  if (image_bytes > IMG_MAX_PIXEL_BYTES) return IMG_ERR_TOO_LARGE;
  std::vector<uint8_t> dib;
  try {
    dib.assign(header + size_t(image_bytes), 0);
  } catch (const std::bad_alloc&) {
    return IMG_ERR_TOO_LARGE;
  }
  BITMAPINFO* bmi = reinterpret_cast<BITMAPINFO*>(dib.data());
  bmi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi->bmiHeader.biWidth = info.bmWidth;
  bmi->bmiHeader.biHeight = info.bmHeight;
  bmi->bmiHeader.biPlanes = 1;
  bmi->bmiHeader.biBitCount = bits;
  bmi->bmiHeader.biCompression = BI_RGB;
  bmi->bmiHeader.biClrUsed = DWORD(colours);

  HDC screen = GetDC(nullptr);
  if (!screen) return IMG_ERR_DEVICE;
  HPALETTE old_palette = palette ? SelectPalette(screen, palette, FALSE) : nullptr;
  if (palette) RealizePalette(screen);
  int lines = GetDIBits(screen, bitmap, 0, UINT(info.bmHeight), dib.data() + header, bmi,
                        DIB_RGB_COLORS);
  if (old_palette) SelectPalette(screen, old_palette, FALSE);
  ReleaseDC(nullptr, screen);
  if (lines != info.bmHeight) return IMG_ERR_DEVICE;
  // GetDIBits may rewrite the header's counts; the reader needs them as the layout is.
  bmi->bmiHeader.biClrUsed = DWORD(colours);
  bmi->bmiHeader.biSizeImage = DWORD(image_bytes);

  if (palette && colours) {
    PALETTEENTRY entries[256];
    UINT n = GetPaletteEntries(palette, 0, UINT(colours), entries);
    for (UINT i = 0; i < n; ++i) {
      bmi->bmiColors[i].rgbRed = entries[i].peRed;
      bmi->bmiColors[i].rgbGreen = entries[i].peGreen;
      bmi->bmiColors[i].rgbBlue = entries[i].peBlue;
      bmi->bmiColors[i].rgbReserved = 0;
    }
  }
  return add_from_packed_dib(dib.data(), dib.size());
}
