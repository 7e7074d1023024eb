// Drawing an image's current region into a device context, shared by the screen, printer and
// clipboard operations. Not exported.
#pragma once

#include <windows.h>

#include "img_core.h"

// Scales the current region of img to w x h at (x, y) of the context in the given display mode,
// rendering only what the context's clip box shows. IMG_OK or a negative error.
int32_t img_draw_region(const ImgImage& img, HDC dc, int32_t x, int32_t y, int32_t w, int32_t h,
                        int32_t mode);
