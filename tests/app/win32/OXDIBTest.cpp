// The device-independent bitmap class under Wine: made from a device bitmap, stored as a BMP
// file and read back, palettes by the header rules, and turned into a device bitmap again.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "OXDIB.h"

namespace {

// A 24-bit packed block, w x h, bottom-up, with pixel (x, y) = colour(x, y) as 0x00RRGGBB.
std::vector<uint8_t> Packed24(int w, int h, uint32_t (*colour)(int, int)) {
  const int row = (w * 3 + 3) / 4 * 4;
  std::vector<uint8_t> b(40 + (size_t)row * h, 0);
  BITMAPINFOHEADER bih = {};
  bih.biSize = 40;
  bih.biWidth = w;
  bih.biHeight = h;
  bih.biPlanes = 1;
  bih.biBitCount = 24;
  std::memcpy(b.data(), &bih, 40);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = b.data() + 40 + (size_t)(h - 1 - y) * row + x * 3;
      uint32_t c = colour(x, y);
      p[0] = (uint8_t)c;
      p[1] = (uint8_t)(c >> 8);
      p[2] = (uint8_t)(c >> 16);
    }
  return b;
}

uint32_t Quarters(int x, int y) { return x < 4 ? (y < 3 ? 0xFF0000 : 0x00FF00) : (y < 3 ? 0x0000FF : 0xFFFFFF); }

uint32_t PixelOf(HDC dc, int x, int y) {
  COLORREF c = ::GetPixel(dc, x, y);
  return (uint32_t)GetRValue(c) << 16 | (uint32_t)GetGValue(c) << 8 | GetBValue(c);
}

TEST(OXDIB, EmptyAndHeaderRules) {
  COXDIB dib;
  EXPECT_TRUE(dib.IsEmpty());
  EXPECT_EQ(CSize(0, 0), dib.GetSize());
  EXPECT_EQ(0, dib.GetNumColors());
  std::vector<uint8_t> gray(40 + 1024 + 8, 0);
  BITMAPINFOHEADER bih = {40, 5, 1, 1, 8, 0, 0, 0, 0, 0, 0};
  std::memcpy(gray.data(), &bih, 40);
  dib.Assign(gray.data());
  ASSERT_FALSE(dib.IsEmpty());
  EXPECT_EQ(CSize(5, 1), dib.GetSize());
  EXPECT_EQ(8, dib.GetBitCount());
  EXPECT_EQ(256, dib.GetNumColors());      // biClrUsed 0 at 8 bits
  EXPECT_EQ(1024, dib.GetPaletteSize());
  ASSERT_NE(nullptr, dib.GetPalette());
  EXPECT_EQ(256, dib.GetPalette()->GetEntryCount());
  COXDIB rgb(Packed24(8, 6, Quarters).data());
  EXPECT_EQ(0, rgb.GetNumColors());
  EXPECT_EQ(nullptr, rgb.GetPalette());    // 24 bits: no palette
  const uint8_t core[12] = {12, 0, 0, 0, 1, 0, 1, 0, 1, 0, 8, 0};
  COXDIB ignored(core);                    // only info headers are taken
  EXPECT_TRUE(ignored.IsEmpty());
  dib.Empty();
  EXPECT_TRUE(dib.IsEmpty());
}

TEST(OXDIB, BitmapToBmpFileAndBackToPixels) {
  HDC screen = ::GetDC(nullptr);
  HDC mem = ::CreateCompatibleDC(screen);
  COXDIB source(Packed24(8, 6, Quarters).data());
  CDC dc;
  dc.Attach(mem);
  CSize size;
  CBitmap* previous = source.MakeBitmap(&dc, size);
  ASSERT_NE(nullptr, previous);
  EXPECT_EQ(CSize(8, 6), size);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(Quarters(x, y), PixelOf(mem, x, y)) << x << "," << y;
  HBITMAP made = static_cast<HBITMAP>(::SelectObject(mem, previous->GetSafeHandle()));

  CBitmap bitmap;
  bitmap.Attach(made);
  COXDIB copy;
  ASSERT_NE(nullptr, copy.CreateFromBitmap(&bitmap));
  EXPECT_EQ(CSize(8, 6), copy.GetSize());
  EXPECT_EQ(24, copy.GetBitCount());

  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    copy.Serialize(ar);
    ar.Close();
  }
  std::vector<BYTE> bytes((size_t)file.GetLength());
  file.SeekToBegin();
  file.Read(bytes.data(), (UINT)bytes.size());
  ASSERT_EQ(14u + 40 + 24 * 6, bytes.size());
  EXPECT_EQ('B', bytes[0]);
  EXPECT_EQ('M', bytes[1]);
  COXDIB back;
  CMemFile in(bytes.data(), (UINT)bytes.size());
  {
    CArchive ar(&in, CArchive::load);
    back.Serialize(ar);
  }
  ASSERT_FALSE(back.IsEmpty());
  previous = back.MakeBitmap(&dc, size);
  ASSERT_NE(nullptr, previous);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(Quarters(x, y), PixelOf(mem, x, y)) << x << "," << y;
  ::DeleteObject(::SelectObject(mem, previous->GetSafeHandle()));
  dc.Detach();
  ::DeleteDC(mem);
  ::ReleaseDC(nullptr, screen);

  // A cut-short file leaves the object empty.
  bytes.resize(bytes.size() - 1);
  CMemFile cut(bytes.data(), (UINT)bytes.size());
  CArchive ar(&cut, CArchive::load);
  EXPECT_FALSE(back.Read(ar));
  EXPECT_TRUE(back.IsEmpty());
}

// A monochrome DIB converts as black on white whatever its two colours, which stay as they were.
TEST(OXDIB, MonochromeConvertsAsBlackOnWhite) {
  std::vector<uint8_t> b(40 + 8 + 4 * 2, 0);
  BITMAPINFOHEADER bih = {40, 2, 2, 1, 1, 0, 0, 0, 0, 0, 0};
  std::memcpy(b.data(), &bih, 40);
  const uint8_t colours[8] = {0, 0, 255, 0, 0, 255, 0, 0};  // red and green
  std::memcpy(b.data() + 40, colours, 8);
  b[48] = 0x40;  // bottom row: pixel 1 set
  b[52] = 0x80;  // top row: pixel 0 set
  COXDIB dib(b.data());
  HDC screen = ::GetDC(nullptr);
  CDC dc;
  dc.Attach(::CreateCompatibleDC(screen));
  CSize size;
  CBitmap* previous = dib.MakeBitmap(&dc, size);
  ASSERT_NE(nullptr, previous);
  EXPECT_EQ(0xFFFFFFu, PixelOf(dc.GetSafeHdc(), 0, 0));
  EXPECT_EQ(0x000000u, PixelOf(dc.GetSafeHdc(), 1, 0));
  EXPECT_EQ(0xFFFFFFu, PixelOf(dc.GetSafeHdc(), 1, 1));
  ::DeleteObject(::SelectObject(dc.GetSafeHdc(), previous->GetSafeHandle()));
  ::DeleteDC(dc.Detach());
  ::ReleaseDC(nullptr, screen);
  const uint8_t* block = static_cast<const uint8_t*>(::GlobalLock(dib.GetHandle()));
  EXPECT_EQ(0, std::memcmp(colours, block + 40, 8));
  ::GlobalUnlock(dib.GetHandle());
}

}  // namespace
