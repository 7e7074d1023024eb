// Image handles and the information block: small numbers from 0, the lowest free one first, every
// bad handle refused with an error by every operation, and the block's fields at their offsets.
#include <climits>
#include <cstring>

#include "dll_fixture.h"

namespace {

class Handles : public DllTest {};

int32_t Tiny() { return MakeBitonal(3, 2, [](int32_t, int32_t) { return false; }); }

int32_t InfoWidth(int32_t image) {
  ImgInfoBlock block;
  return ImgGetInfo(image, &block) == 0 ? block.width : -1;
}

TEST_F(Handles, StartAtZeroAndReuseTheLowestFreed) {
  EXPECT_EQ(Tiny(), 0);
  EXPECT_EQ(Tiny(), 1);
  EXPECT_EQ(Tiny(), 2);
  EXPECT_EQ(ImgFree(1), 0);
  ImgInfoBlock block;
  EXPECT_EQ(ImgGetInfo(1, &block), IMG_ERR_NO_IMAGE);
  EXPECT_EQ(ImgFree(1), IMG_ERR_NO_IMAGE);  // a second free is an error, not a crash
  EXPECT_EQ(MakeBitonal(5, 1, [](int32_t, int32_t) { return true; }), 1);
  EXPECT_EQ(InfoWidth(1), 5);
  EXPECT_EQ(InfoWidth(2), 3);
}

TEST_F(Handles, ExhaustedTableRefusesThenRecovers) {
  int32_t last = -1;
  for (int32_t i = 0; i < 256; ++i) last = Tiny();
  EXPECT_EQ(last, 255);
  EXPECT_EQ(Tiny(), IMG_ERR_NO_HANDLES);
  EXPECT_EQ(ImgFree(100), 0);
  EXPECT_EQ(Tiny(), 100);
}

TEST_F(Handles, EveryOperationRefusesBadHandles) {
  int32_t live = Tiny();
  ASSERT_EQ(live, 0);
  ASSERT_EQ(ImgFree(Tiny()), 0);  // handle 1 was used and freed
  struct Case {
    int32_t handle;
    int32_t error;
  } const cases[] = {{-1, IMG_ERR_NO_IMAGE},  {1, IMG_ERR_NO_IMAGE},    {-2, IMG_ERR_HANDLE},
                     {-17, IMG_ERR_HANDLE},  {256, IMG_ERR_HANDLE},    {INT_MAX, IMG_ERR_HANDLE},
                     {INT_MIN, IMG_ERR_HANDLE}};
  Canvas canvas(4, 4);
  ImgInfoBlock block;
  int32_t x, y, w, h;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.handle);
    int32_t i = c.handle;
    EXPECT_EQ(ImgFree(i), c.error);
    EXPECT_EQ(ImgGetInfo(i, &block), c.error);
    EXPECT_EQ(ImgGetRegion(i, &x, &y, &w, &h), c.error);
    EXPECT_EQ(ImgSetRegion(i, 0, 0, 1, 1), c.error);
    EXPECT_EQ(ImgBeginSave(i), c.error);
    EXPECT_EQ(ImgSaveFile(i, "never.bmp", 1), c.error);
    EXPECT_EQ(ImgEndSave(i), c.error);
    EXPECT_EQ(ImgRotate(i, 9000), c.error);
    EXPECT_EQ(ImgMirrorX(i), c.error);
    EXPECT_EQ(ImgMirrorY(i), c.error);
    EXPECT_EQ(ImgInvert(i), c.error);
    EXPECT_EQ(ImgResize(i, 2, 2), c.error);
    EXPECT_EQ(ImgReduceTo24Bpp(i), c.error);
    EXPECT_EQ(ImgDrawToDc(i, canvas.dc(), 0, 0, 4, 4), c.error);
    EXPECT_EQ(ImgPrintToDc(i, canvas.dc(), 0, 0, 4, 4), c.error);
    EXPECT_EQ(ImgSetupDcPalette(i, canvas.dc()), c.error);
    EXPECT_EQ(ImgCopyRegion(i, 4, 4), nullptr);
  }
  EXPECT_EQ(InfoWidth(live), 3);  // the live image is untouched by all of it
  EXPECT_EQ(canvas.Pixel(0, 0), kUntouched);
}

TEST_F(Handles, InformationBlockFieldsAtTheirOffsetsAndTheRestZero) {
  // 400 and 200 dpi in the DIB's pixels-per-metre fields.
  HGLOBAL dib = MakePackedDib(7, 5, 24, {}, [](int32_t, int32_t) { return 0x123456u; });
  auto* bih = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
  bih->biXPelsPerMeter = 15748;
  bih->biYPelsPerMeter = 7874;
  int32_t image = ImgFromPackedDib(bih);
  GlobalUnlock(dib);
  GlobalFree(dib);
  ASSERT_GE(image, 0);

  uint8_t raw[2048];
  std::memset(raw, 0xCC, sizeof raw);
  ASSERT_EQ(ImgGetInfo(image, reinterpret_cast<ImgInfoBlock*>(raw)), 0);
  auto i32 = [&](size_t at) { int32_t v; std::memcpy(&v, raw + at, 4); return v; };
  int16_t bpp;
  std::memcpy(&bpp, raw + 14, 2);
  EXPECT_EQ(i32(4), 7);
  EXPECT_EQ(i32(8), 5);
  EXPECT_EQ(bpp, 24);
  EXPECT_EQ(i32(24), 400);
  EXPECT_EQ(i32(28), 200);
  for (size_t at : {size_t(0), size_t(12), size_t(16), size_t(20)}) EXPECT_EQ(i32(at) & 0xFFFF, 0) << at;
  for (size_t at = 32; at < sizeof raw; ++at) ASSERT_EQ(raw[at], 0) << at;
}

TEST_F(Handles, RegionDefaultsToWholeImageAndIsClipped) {
  int32_t image = MakeBitonal(40, 30, [](int32_t, int32_t) { return false; });
  int32_t x, y, w, h;
  ASSERT_EQ(ImgGetRegion(image, &x, &y, &w, &h), 0);
  EXPECT_EQ((std::vector<int32_t>{x, y, w, h}), (std::vector<int32_t>{0, 0, 40, 30}));
  EXPECT_EQ(ImgSetRegion(image, 30, -5, 100, 10), 0);
  ImgGetRegion(image, &x, &y, &w, &h);
  EXPECT_EQ((std::vector<int32_t>{x, y, w, h}), (std::vector<int32_t>{30, 0, 10, 5}));
  EXPECT_EQ(ImgSetRegion(image, 50, 0, 10, 10), IMG_ERR_ARGUMENT);  // wholly outside: refused, region kept
  ImgGetRegion(image, &x, &y, &w, &h);
  EXPECT_EQ((std::vector<int32_t>{x, y, w, h}), (std::vector<int32_t>{30, 0, 10, 5}));
  EXPECT_EQ(ImgGetRegion(image, nullptr, &y, &w, &h), IMG_ERR_ARGUMENT);
  // A rotation changes the size: the region is the whole new image.
  ASSERT_EQ(ImgRotate(image, 9000), 0);
  ImgGetRegion(image, &x, &y, &w, &h);
  EXPECT_EQ((std::vector<int32_t>{x, y, w, h}), (std::vector<int32_t>{0, 0, 30, 40}));
}

TEST_F(Handles, DisplayModeTakesOnlyTheThreeModes) {
  for (int32_t mode : {0, 1, 2}) EXPECT_EQ(ImgSetDisplayMode(mode), 0) << mode;
  for (int32_t mode : {-1, 3, 93}) EXPECT_EQ(ImgSetDisplayMode(mode), IMG_ERR_ARGUMENT) << mode;
}

}  // namespace
