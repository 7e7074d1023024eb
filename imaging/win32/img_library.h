// The library's process-wide state behind the exported operations: the table that maps image
// handles to the images the library owns, the display mode for reduced views and the installed
// progress callback. Not for pixel work; that is the portable core's.
#pragma once

#include <windows.h>

#include "img_core.h"

// Handles name slots of a fixed table, so a handle is always a small integer and a stale or
// forged one can be checked without touching freed memory.
constexpr int32_t IMG_MAX_HANDLES = 256;

struct ImgSlot {
  ImgImage image;
  // The logical palette ImgSetupDcPalette selects into device contexts. Kept for the image's
  // life and updated in place, because a context may still hold it after the call returns.
  HPALETTE palette = nullptr;
};

// Takes the image into the lowest free slot: its handle, or IMG_ERR_NO_HANDLES.
int32_t img_handle_add(ImgImage&& image);
// The slot a handle names, or null with the error in *error (IMG_ERR_NO_IMAGE for -1 and for a
// free slot, IMG_ERR_HANDLE for a number outside the table).
ImgSlot* img_handle_slot(int32_t handle, int32_t* error);
// Frees the image and its palette; its handle is free for the next image.
int32_t img_handle_free(int32_t handle);

// The display mode every reduced view uses (IMG_VIEW_QUICK, _ALIAS or _GREY).
int32_t img_display_mode();
int32_t img_set_display_mode(int32_t mode);

// The progress the loaders report to, or null when no callback is installed.
const ImgProgress* img_load_progress();
