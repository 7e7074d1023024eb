// libFuzzer target of one reader of the imaging library: the input goes through the library's own
// probing, page count and loading from memory, as a file the user opens would; a loaded image is
// also drawn once reduced in every display mode. VV_FUZZ_FORMATS lists the format codes this
// target accepts, so each reader's target spends its time in that reader.
#include <cstddef>
#include <cstdint>

#include "img_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const int32_t formats[] = {VV_FUZZ_FORMATS};
  int32_t fmt = img_probe_memory(data, size);
  bool mine = false;
  for (int32_t f : formats) mine = mine || f == fmt;
  if (!mine) return 0;
  int32_t pages = img_page_count_memory(data, size);
  for (int32_t page = 0; page < 2 && page < pages; ++page) {
    ImgImage img;
    if (img_load_memory(data, size, page, img, nullptr) != IMG_OK) continue;
    for (int32_t mode = IMG_VIEW_QUICK; mode <= IMG_VIEW_GREY; ++mode) {
      ImgViewBuffer view;
      img_render_view(img, img.region, 64, 48, ImgRect{0, 0, 64, 48}, mode, view);
    }
  }
  return 0;
}
