// Small images made in the tests: a bitonal "drawing" with lines, frames and text-like marks, and
// patterned palette and colour images, plus a pixel-by-pixel comparison.
#pragma once

#include <string>

#include "img_core.h"

namespace imgtest {

// Pixel value at x, y (index for 1/4/8 bpp, 0x00RRGGBB for 24/32 bpp ignoring alpha).
uint32_t Pixel(const ImgImage& img, int32_t x, int32_t y);
void SetPixel(ImgImage& img, int32_t x, int32_t y, uint32_t v);

// A 1-bit sheet: a frame, diagonal and thin lines, a grid of small marks. Index 1 is black.
ImgImage Drawing(int32_t w, int32_t h);
// A patterned image of the given depth; 4 and 8 bpp get a colour palette unless grey is set.
ImgImage Pattern(int32_t w, int32_t h, int32_t bpp, bool grey = false);

// "" when both show the same colours at every pixel (palettes resolved); else the first
// difference, for the failure message.
std::string SameColours(const ImgImage& a, const ImgImage& b);
// Largest difference of one colour channel between the two images.
int MaxChannelDifference(const ImgImage& a, const ImgImage& b);

// Records the progress calls of a load.
struct ProgressLog {
  int calls = 0;
  int32_t last_total = 0;
  ImgProgress Callback();
};

}  // namespace imgtest
