// Drawing images into device contexts: screen and printer drawing of the current region, the
// palette set-up for palette devices, the copy of a region into a bitmap for the clipboard and the
// painting of such a bitmap. The scaling itself is the core's view renderer; this file only turns
// its buffers into blits, band by band, for the part of the destination the context can show.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "img_draw.h"
#include "img_library.h"
#include "zeri8v98.h"

namespace {

// A band of the destination is rendered and blitted at a time, so drawing a whole sheet onto a
// large printer page never holds more than this many bytes of view pixels.
constexpr int64_t kBandBytes = int64_t(4) << 20;

struct DibHeader {
  BITMAPINFOHEADER header;
  RGBQUAD colours[256];
};

void describe_buffer(const ImgViewBuffer& buf, bool bottom_up, DibHeader& dib) {
  std::memset(&dib, 0, sizeof dib);
  dib.header.biSize = sizeof(BITMAPINFOHEADER);
  dib.header.biWidth = buf.width;
  dib.header.biHeight = bottom_up ? buf.height : -buf.height;
  dib.header.biPlanes = 1;
  dib.header.biBitCount = WORD(buf.bpp);
  dib.header.biCompression = BI_RGB;
  if (buf.bpp <= 8) {
    dib.header.biClrUsed = 256;
    for (int i = 0; i < 256; ++i) {
      dib.colours[i].rgbRed = BYTE(buf.palette[i] >> 16);
      dib.colours[i].rgbGreen = BYTE(buf.palette[i] >> 8);
      dib.colours[i].rgbBlue = BYTE(buf.palette[i]);
    }
  }
}

// Printer drivers and metafiles do not all take top-down DIBs; for them the band's rows are
// turned into the bottom-up order every device knows.
void flip_rows(ImgViewBuffer& buf) {
  std::vector<uint8_t> line(buf.stride);
  for (int32_t top = 0, bottom = buf.height - 1; top < bottom; ++top, --bottom) {
    uint8_t* a = buf.pixels.data() + size_t(top) * buf.stride;
    uint8_t* b = buf.pixels.data() + size_t(bottom) * buf.stride;
    std::memcpy(line.data(), a, buf.stride);
    std::memcpy(a, b, buf.stride);
    std::memcpy(b, line.data(), buf.stride);
  }
}

}  // namespace

int32_t img_draw_region(const ImgImage& img, HDC dc, int32_t x, int32_t y, int32_t w, int32_t h,
                        int32_t mode) {
  if (!dc || w <= 0 || h <= 0) return IMG_ERR_ARGUMENT;
  RECT clip;
  int kind = GetClipBox(dc, &clip);
  if (kind == NULLREGION) return IMG_OK;
  if (kind == ERROR) {
    // Contexts without a surface of their own (metafiles) have no clip box: they take the whole
    // destination.
    clip = RECT{x, y, LONG(std::min<int64_t>(int64_t(x) + w, INT32_MAX)),
                LONG(std::min<int64_t>(int64_t(y) + h, INT32_MAX))};
  }
  int64_t x0 = std::max<int64_t>(x, clip.left), x1 = std::min<int64_t>(int64_t(x) + w, clip.right);
  int64_t y0 = std::max<int64_t>(y, clip.top), y1 = std::min<int64_t>(int64_t(y) + h, clip.bottom);
  if (x1 <= x0 || y1 <= y0) return IMG_OK;
  int32_t vw = int32_t(x1 - x0);
  int64_t band = std::max<int64_t>(1, kBandBytes / (int64_t(vw) * 3 + 4));
  // A metafile context reports its reference device's technology; print jobs are spooled as
  // metafiles, so it counts as a printer.
  bool bottom_up =
      GetDeviceCaps(dc, TECHNOLOGY) != DT_RASDISPLAY || GetObjectType(dc) == OBJ_ENHMETADC;
  ImgViewBuffer buf;
  DibHeader dib;
  for (int64_t by = y0; by < y1; by += band) {
    int32_t bh = int32_t(std::min(band, y1 - by));
    ImgRect part{int32_t(x0 - x), int32_t(by - y), vw, bh};
    int32_t rc = img_render_view(img, img.region, w, h, part, mode, buf);
    if (rc < 0) return rc;
    if (bottom_up) flip_rows(buf);
    describe_buffer(buf, bottom_up, dib);
    int lines = StretchDIBits(dc, int(x0), int(by), vw, bh, 0, 0, buf.width, buf.height,
                              buf.pixels.data(), reinterpret_cast<BITMAPINFO*>(&dib),
                              DIB_RGB_COLORS, SRCCOPY);
    if (lines == 0 || lines == int(GDI_ERROR)) return IMG_ERR_DEVICE;
  }
  return IMG_OK;
}

namespace {

int32_t draw(int32_t image, HDC dc, int32_t x, int32_t y, int32_t w, int32_t h) {
  int32_t rc;
  ImgSlot* slot = img_handle_slot(image, &rc);
  if (!slot) return rc;
  return img_draw_region(slot->image, dc, x, y, w, h, img_display_mode());
}

// The colours a palette device should realise for the image: its own palette, or for direct
// colour the halftone palette of the context.
int32_t update_palette(ImgSlot& slot, HDC dc) {
  const ImgImage& img = slot.image;
  if (img.bpp > 8) {
    if (!slot.palette) slot.palette = CreateHalftonePalette(dc);
    return slot.palette ? IMG_OK : IMG_ERR_DEVICE;
  }
  size_t n = std::min<size_t>(img.palette.size(), 256);
  if (n == 0) return IMG_OK;
  std::vector<PALETTEENTRY> entries(n);
  for (size_t i = 0; i < n; ++i) {
    entries[i].peRed = BYTE(img.palette[i] >> 16);
    entries[i].peGreen = BYTE(img.palette[i] >> 8);
    entries[i].peBlue = BYTE(img.palette[i]);
    entries[i].peFlags = 0;
  }
  if (!slot.palette) {
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + n * sizeof(PALETTEENTRY));
    LOGPALETTE* lp = reinterpret_cast<LOGPALETTE*>(block.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = WORD(n);
    std::memcpy(lp->palPalEntry, entries.data(), n * sizeof(PALETTEENTRY));
    slot.palette = CreatePalette(lp);
    return slot.palette ? IMG_OK : IMG_ERR_DEVICE;
  }
  // Operations may have changed the colours since the last set-up (an inverted palette image);
  // the palette object may still sit in a context, so it is changed rather than replaced.
  if (!ResizePalette(slot.palette, UINT(n)) ||
      SetPaletteEntries(slot.palette, 0, UINT(n), entries.data()) != n)
    return IMG_ERR_DEVICE;
  return IMG_OK;
}

}  // namespace

int32_t WINAPI ImgDrawToDc(int32_t image, HDC dc, int32_t x, int32_t y, int32_t w, int32_t h) {
  return draw(image, dc, x, y, w, h);
}

// A printer takes the same blits as a screen; the caller chooses the display mode for it.
int32_t WINAPI ImgPrintToDc(int32_t image, HDC dc, int32_t x, int32_t y, int32_t w, int32_t h) {
  return draw(image, dc, x, y, w, h);
}

// Bitonal images draw in black and white on any device; only deeper ones need the context's
// palette to hold their colours.
int32_t WINAPI ImgSetupDcPalette(int32_t image, HDC dc) {
  int32_t rc;
  ImgSlot* slot = img_handle_slot(image, &rc);
  if (!slot) return rc;
  if (!dc) return IMG_ERR_ARGUMENT;
  if (slot->image.bpp <= 2) return IMG_OK;
  rc = update_palette(*slot, dc);
  if (rc < 0 || !slot->palette) return rc;
  if (!SelectPalette(dc, slot->palette, FALSE)) return IMG_ERR_DEVICE;
  RealizePalette(dc);
  return IMG_OK;
}

namespace {

// A bitonal region copied at its own size needs no view rendering: its packed rows become the
// monochrome bitmap's own bits (rows on 2-byte boundaries, 0 black, 1 white), made in one call.
// Converting through SetDIBits would map the sheet pixel by pixel.
HBITMAP bitonal_bitmap(const ImgImage& img) {
  const ImgImage* src = &img;
  ImgImage cropped;
  const ImgRect& r = img.region;
  if (r.x != 0 || r.y != 0 || r.w != img.width || r.h != img.height) {
    if (img_crop(img, r, cropped) < 0) return nullptr;
    src = &cropped;
  }
  auto luma = [&](size_t i) {
    uint32_t c = i < src->palette.size() ? src->palette[i] : (i ? 0x000000u : 0xFFFFFFu);
    return ((c >> 16) & 255) * 77 + ((c >> 8) & 255) * 151 + (c & 255) * 28;
  };
  // Index 1 is normally the ink; the bitmap wants ink as 0.
  uint8_t flip = luma(1) < luma(0) ? 0xFF : 0x00;
  size_t row_bytes = (size_t(src->width) + 15) / 16 * 2;
  size_t used = (size_t(src->width) + 7) / 8;
  std::vector<uint8_t> bits;
  try {
    bits.resize(row_bytes * size_t(src->height));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  for (int32_t y = 0; y < src->height; ++y) {
    const uint8_t* in = src->row(y);
    uint8_t* out = bits.data() + size_t(y) * row_bytes;
    for (size_t i = 0; i < used; ++i) out[i] = uint8_t(in[i] ^ flip);
  }
  return CreateBitmap(src->width, src->height, 1, 1, bits.data());
}

}  // namespace

// The current region scaled to w x h in a bitmap the clipboard can take (CF_BITMAP): monochrome
// for bitonal images, so a whole sheet stays at one bit per pixel; else like the screen.
HBITMAP WINAPI ImgCopyRegion(int32_t image, int32_t w, int32_t h) {
  ImgSlot* slot = img_handle_slot(image, nullptr);
  if (!slot || w <= 0 || h <= 0) return nullptr;
  HDC screen = GetDC(nullptr);
  if (!screen) return nullptr;
  const ImgImage& img = slot->image;
  bool bitonal = img.bpp == 1;
  if (bitonal && w == img.region.w && h == img.region.h) {
    ReleaseDC(nullptr, screen);
    return bitonal_bitmap(img);
  }
  HBITMAP bitmap = bitonal ? CreateBitmap(w, h, 1, 1, nullptr) : CreateCompatibleBitmap(screen, w, h);
  HDC mem = bitmap ? CreateCompatibleDC(screen) : nullptr;
  int32_t rc = IMG_ERR_DEVICE;
  if (mem) {
    HGDIOBJ old = SelectObject(mem, bitmap);
    rc = img_draw_region(img, mem, 0, 0, w, h, img_display_mode());
    SelectObject(mem, old);
    DeleteDC(mem);
  }
  ReleaseDC(nullptr, screen);
  if (rc < 0 && bitmap) {
    DeleteObject(bitmap);
    bitmap = nullptr;
  }
  return bitmap;
}

int32_t WINAPI ImgPaintBitmap(HBITMAP bitmap, HDC dc, int32_t x, int32_t y) {
  BITMAP info;
  if (!bitmap || !dc || !GetObjectA(bitmap, sizeof info, &info)) return IMG_ERR_ARGUMENT;
  HDC mem = CreateCompatibleDC(dc);
  if (!mem) return IMG_ERR_DEVICE;
  HGDIOBJ old = SelectObject(mem, bitmap);
  BOOL ok = old && BitBlt(dc, x, y, info.bmWidth, info.bmHeight, mem, 0, 0, SRCCOPY);
  if (old) SelectObject(mem, old);
  DeleteDC(mem);
  return ok ? IMG_OK : IMG_ERR_DEVICE;
}
