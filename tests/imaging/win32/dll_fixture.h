// Helpers of the imaging DLL's tests: images the tests make themselves (as packed DIBs, the form
// the library takes from the clipboard), a memory canvas whose pixels can be read back, and a
// scratch folder. Each test starts and ends with an empty handle table.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "img_core.h"  // the error numbers
#include "zeri8v98.h"

// Colours as the canvas reads them back: 0x00RRGGBB.
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kUntouched = 0xFF00FF;  // what a canvas holds before anything is drawn

// A packed DIB (bottom-up, as the clipboard keeps it) in movable global memory. bpp 1, 4 or 8
// take palette indices from pixel(); 24 takes 0x00RRGGBB.
HGLOBAL MakePackedDib(int32_t width, int32_t height, int bpp, const std::vector<uint32_t>& palette,
                      const std::function<uint32_t(int32_t x, int32_t y)>& pixel);

// The same made into an image of the library; the handle or the library's error.
int32_t MakeImage(int32_t width, int32_t height, int bpp, const std::vector<uint32_t>& palette,
                  const std::function<uint32_t(int32_t x, int32_t y)>& pixel);

// A white 1-bit image with ink (index 1, black) where ink() says so.
int32_t MakeBitonal(int32_t width, int32_t height, const std::function<bool(int32_t, int32_t)>& ink);

// A 32-bit top-down DIB section selected into a memory context, filled with kUntouched.
class Canvas {
 public:
  Canvas(int32_t width, int32_t height);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  HDC dc() const { return dc_; }
  uint32_t Pixel(int32_t x, int32_t y) const;  // after GdiFlush
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }

 private:
  int32_t width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
};

// Draws the image 1:1 (its whole current region) and reads every pixel, row by row.
std::vector<uint32_t> ReadPixels(int32_t image, int32_t width, int32_t height);

// Grey level (0 black .. 255 white) of a canvas colour.
int Grey(uint32_t colour);

// A fresh folder under the temporary directory, removed with its files at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  std::string Path(const char* name) const { return dir_ + "\\" + name; }
  std::vector<std::string> Files() const;

 private:
  std::string dir_;
};

// Frees whatever handles a test left, so every test starts with handle 0 free.
class DllTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};
