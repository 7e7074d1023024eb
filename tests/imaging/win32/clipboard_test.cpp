// Clipboard images through the DLL: the current region copied to a bitmap for CF_BITMAP, images
// made from packed DIBs (CF_DIB) and from bitmaps with a palette (CF_BITMAP, CF_PALETTE), the
// round trips through the real clipboard, and packed DIBs that lie about their size.
#include <cstring>

#include "dll_fixture.h"

namespace {

class Clipboard : public DllTest {};

// The pixels of a bitmap as 0x00RRGGBB, top-down.
std::vector<uint32_t> BitmapPixels(HBITMAP bitmap, int32_t w, int32_t h) {
  BITMAPINFO bmi = {};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = w;
  bmi.bmiHeader.biHeight = -h;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  std::vector<uint32_t> px(size_t(w) * size_t(h));
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDIBits(screen, bitmap, 0, UINT(h), px.data(), &bmi, DIB_RGB_COLORS), h);
  ReleaseDC(nullptr, screen);
  for (uint32_t& p : px) p &= 0xFFFFFF;
  return px;
}

int32_t Plan(int32_t w, int32_t h) {
  return MakeBitonal(w, h, [](int32_t x, int32_t y) { return x == 5 || (y == 2 && x > 8); });
}

// Either palette order of a bitonal image gives the same black and white in the bitmap.
TEST_F(Clipboard, CopiedBitonalBitmapFollowsThePaletteNotTheBits) {
  for (bool ink_is_zero : {false, true}) {
    SCOPED_TRACE(ink_is_zero);
    std::vector<uint32_t> palette = ink_is_zero ? std::vector<uint32_t>{kBlack, kWhite}
                                                : std::vector<uint32_t>{kWhite, kBlack};
    int32_t image = MakeImage(19, 3, 1, palette, [&](int32_t x, int32_t) {
      return uint32_t((x % 3 == 0) != ink_is_zero);
    });
    HBITMAP bitmap = ImgCopyRegion(image, 19, 3);
    ASSERT_NE(bitmap, nullptr);
    std::vector<uint32_t> px = BitmapPixels(bitmap, 19, 3);
    DeleteObject(bitmap);
    for (int32_t x = 0; x < 19; ++x) EXPECT_EQ(px[size_t(19 + x)], x % 3 == 0 ? kBlack : kWhite) << x;
    ImgFree(image);
  }
}

TEST_F(Clipboard, CopyRegionGivesAMonochromeBitmapForBitonalImages) {
  int32_t image = Plan(40, 12);
  ASSERT_EQ(ImgSetRegion(image, 4, 0, 8, 4), 0);  // x 4..11, y 0..3
  HBITMAP bitmap = ImgCopyRegion(image, 8, 4);
  ASSERT_NE(bitmap, nullptr);
  BITMAP info;
  GetObjectA(bitmap, sizeof info, &info);
  EXPECT_EQ(info.bmBitsPixel * info.bmPlanes, 1);
  EXPECT_EQ(info.bmWidth, 8);
  EXPECT_EQ(info.bmHeight, 4);
  std::vector<uint32_t> px = BitmapPixels(bitmap, 8, 4);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 8; ++x) {
      int32_t sx = x + 4;
      bool ink = sx == 5 || (y == 2 && sx > 8);
      EXPECT_EQ(px[size_t(y * 8 + x)], ink ? kBlack : kWhite) << x << "," << y;
    }
  // Copied at another size, the region goes through the view renderer in the display mode.
  ASSERT_EQ(ImgSetRegion(image, 0, 0, 40, 12), 0);
  ImgSetDisplayMode(IMG_DISPLAY_ALIAS);
  HBITMAP half = ImgCopyRegion(image, 20, 6);
  ASSERT_NE(half, nullptr);
  std::vector<uint32_t> small = BitmapPixels(half, 20, 6);
  DeleteObject(half);
  for (int32_t y = 0; y < 6; ++y) EXPECT_EQ(small[size_t(y * 20 + 2)], kBlack) << y;
  EXPECT_EQ(small[size_t(1 * 20 + 10)], kBlack);  // y 2, x 20..21
  EXPECT_EQ(small[size_t(4 * 20 + 10)], kWhite);

  // The copy can be painted back where the cached views need it.
  Canvas canvas(10, 6);
  EXPECT_EQ(ImgPaintBitmap(bitmap, canvas.dc(), 1, 1), 0);
  EXPECT_EQ(canvas.Pixel(2, 1), kBlack);
  EXPECT_EQ(canvas.Pixel(1, 1), kWhite);
  EXPECT_EQ(canvas.Pixel(0, 0), kUntouched);
  EXPECT_EQ(ImgPaintBitmap(nullptr, canvas.dc(), 0, 0), IMG_ERR_ARGUMENT);
  DeleteObject(bitmap);
  EXPECT_EQ(ImgCopyRegion(image, 0, 4), nullptr);
}

TEST_F(Clipboard, BitmapRoundTripThroughTheClipboard) {
  const uint32_t colours[3] = {0xC01020, 0x20C010, 0x1020C0};
  int32_t image = MakeImage(9, 7, 24, {}, [&](int32_t x, int32_t y) { return colours[(x + y) % 3]; });
  HBITMAP bitmap = ImgCopyRegion(image, 9, 7);
  ASSERT_NE(bitmap, nullptr);

  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  ASSERT_NE(SetClipboardData(CF_BITMAP, bitmap), nullptr);  // the clipboard owns it now
  CloseClipboard();

  // The application takes CF_DIB when it is there (the system makes it from CF_BITMAP)...
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE dib = GetClipboardData(CF_DIB);
  ASSERT_NE(dib, nullptr);
  int32_t from_dib = ImgFromPackedDib(GlobalLock(dib));
  GlobalUnlock(dib);
  // ...else CF_BITMAP with the palette or none.
  int32_t from_bitmap = ImgFromBitmap(static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)), nullptr);
  CloseClipboard();

  for (int32_t copy : {from_dib, from_bitmap}) {
    ASSERT_GE(copy, 0);
    std::vector<uint32_t> px = ReadPixels(copy, 9, 7);
    for (int32_t y = 0; y < 7; ++y)
      for (int32_t x = 0; x < 9; ++x) ASSERT_EQ(px[size_t(y * 9 + x)], colours[(x + y) % 3]);
  }
}

TEST_F(Clipboard, BitmapWithAPaletteTakesThePalettesColours) {
  // An 8-bit bitmap whose own table is a grey ramp, paired with a palette of other colours.
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD c[256];
  } bmi = {};
  bmi.h.biSize = sizeof(BITMAPINFOHEADER);
  bmi.h.biWidth = 4;
  bmi.h.biHeight = 1;
  bmi.h.biPlanes = 1;
  bmi.h.biBitCount = 8;
  for (int i = 0; i < 256; ++i) bmi.c[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&bmi), DIB_RGB_COLORS,
                                    &bits, nullptr, 0);
  ASSERT_NE(bitmap, nullptr);
  std::memcpy(bits, "\x00\x01\x02\x03", 4);
  const uint32_t colours[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
  struct {
    WORD version, count;
    PALETTEENTRY e[4];
  } lp = {0x300, 4, {}};
  for (int i = 0; i < 4; ++i)
    lp.e[i] = PALETTEENTRY{BYTE(colours[i] >> 16), BYTE(colours[i] >> 8), BYTE(colours[i]), 0};
  HPALETTE palette = CreatePalette(reinterpret_cast<LOGPALETTE*>(&lp));

  int32_t image = ImgFromBitmap(bitmap, palette);
  ASSERT_GE(image, 0);
  ImgInfoBlock info;
  ImgGetInfo(image, &info);
  EXPECT_EQ(info.bitsPerPixel, 8);
  std::vector<uint32_t> px = ReadPixels(image, 4, 1);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(px[size_t(i)], colours[i]) << i;
  DeleteObject(palette);
  DeleteObject(bitmap);
  EXPECT_EQ(ImgFromBitmap(nullptr, nullptr), IMG_ERR_ARGUMENT);
}

TEST_F(Clipboard, PackedDibsThatLieAboutTheirSizeAreRefused) {
  struct Case {
    const char* what;
    int32_t width, height;
    WORD bits;
    DWORD compression, header;
    size_t block;  // bytes really there
  } const cases[] = {
      {"pixels cut short", 100, 100, 24, BI_RGB, 40, 40 + 100},
      {"huge width", 0x7FFFFFFF, 1, 1, BI_RGB, 40, 40 + 8},
      {"zero height", 8, 0, 1, BI_RGB, 40, 40 + 8 + 64},
      {"odd depth", 8, 8, 7, BI_RGB, 40, 40 + 1024},
      {"unknown compression", 8, 8, 8, 9, 40, 40 + 1024 + 64},
      {"header larger than the block", 8, 8, 8, BI_RGB, 4000, 64},
      {"no header", 8, 8, 8, BI_RGB, 0, 40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, c.block);
    auto* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(block));
    h->biSize = c.header;
    h->biWidth = c.width;
    h->biHeight = c.height;
    h->biPlanes = 1;
    h->biBitCount = c.bits;
    h->biCompression = c.compression;
    EXPECT_LT(ImgFromPackedDib(h), 0);
    GlobalUnlock(block);
    GlobalFree(block);
  }
  EXPECT_EQ(ImgFromPackedDib(nullptr), IMG_ERR_ARGUMENT);

  // A DIB outside global memory is read as far as its own header says, and no further.
  HGLOBAL dib = MakePackedDib(3, 3, 8, {kBlack, kWhite}, [](int32_t x, int32_t y) { return uint32_t(x == y); });
  std::vector<uint8_t> plain(GlobalSize(dib));
  std::memcpy(plain.data(), GlobalLock(dib), plain.size());
  GlobalUnlock(dib);
  GlobalFree(dib);
  int32_t image = ImgFromPackedDib(plain.data());
  ASSERT_GE(image, 0);
  EXPECT_EQ(ReadPixels(image, 3, 3),
            (std::vector<uint32_t>{kWhite, kBlack, kBlack, kBlack, kWhite, kBlack, kBlack, kBlack, kWhite}));
  ImgFree(image);
  EXPECT_EQ(MakeBitonal(2, 2, [](int32_t, int32_t) { return true; }), 0);  // nothing was kept
}

}  // namespace
