// A GIF writer for tests and fuzz seeds only: the library itself reads GIF and never writes it.
#pragma once

#include <cstdint>
#include <vector>

#include "img_core.h"

namespace imgtest {

// A GIF of an 8-bit image (palette of 256), optionally interlaced, its palette global or local to
// the image, with a graphic control extension before the image.
std::vector<uint8_t> Gif(const ImgImage& img, bool interlaced, bool local);

}  // namespace imgtest
