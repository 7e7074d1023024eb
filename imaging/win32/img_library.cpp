// Process-wide state of the imaging library: the handle table, the display mode and the progress
// callback. The application calls the library from its one GUI thread only, as the original
// library required, so the state takes no locks.
#include "img_library.h"

#include <memory>
#include <new>

#include "zeri8v98.h"

namespace {

std::unique_ptr<ImgSlot> g_slots[IMG_MAX_HANDLES];
int32_t g_display_mode = IMG_VIEW_QUICK;
ImgProgressProc g_progress_proc = nullptr;
void* g_progress_record = nullptr;

// The application's callback has the exported calling convention; the core calls a plain one.
int32_t forward_progress(void* record, int32_t total) {
  // A callback divides by the total: never hand it 0.
  return g_progress_proc ? g_progress_proc(record, total > 0 ? total : 1) : 0;
}

}  // namespace

int32_t img_handle_add(ImgImage&& image) {
  for (int32_t h = 0; h < IMG_MAX_HANDLES; ++h) {
    if (g_slots[h]) continue;
    ImgSlot* slot = new (std::nothrow) ImgSlot;
    if (!slot) return IMG_ERR_TOO_LARGE;
    slot->image = std::move(image);
    g_slots[h].reset(slot);
    return h;
  }
  return IMG_ERR_NO_HANDLES;
}

ImgSlot* img_handle_slot(int32_t handle, int32_t* error) {
  int32_t rc = IMG_OK;
  ImgSlot* slot = nullptr;
  if (handle == IMG_ERR_NO_IMAGE)
    rc = IMG_ERR_NO_IMAGE;
  else if (handle < 0 || handle >= IMG_MAX_HANDLES)
    rc = IMG_ERR_HANDLE;
  else if (!(slot = g_slots[handle].get()))
    rc = IMG_ERR_NO_IMAGE;
  if (error) *error = rc;
  return slot;
}

int32_t img_handle_free(int32_t handle) {
  int32_t rc;
  ImgSlot* slot = img_handle_slot(handle, &rc);
  if (!slot) return rc;
  if (slot->palette) DeleteObject(slot->palette);
  g_slots[handle].reset();
  return IMG_OK;
}

int32_t img_display_mode() { return g_display_mode; }

int32_t img_set_display_mode(int32_t mode) {
  if (mode != IMG_VIEW_QUICK && mode != IMG_VIEW_ALIAS && mode != IMG_VIEW_GREY)
    return IMG_ERR_ARGUMENT;
  g_display_mode = mode;
  return IMG_OK;
}

const ImgProgress* img_load_progress() {
  static ImgProgress progress;
  if (!g_progress_proc) return nullptr;
  progress.fn = forward_progress;
  progress.record = g_progress_record;
  return &progress;
}

int32_t WINAPI ImgSetProgressCallback(void* record, ImgProgressProc callback, int32_t install) {
  if (install && callback) {
    g_progress_proc = callback;
    g_progress_record = record;
  } else {
    g_progress_proc = nullptr;
    g_progress_record = nullptr;
  }
  return 0;
}

int32_t WINAPI ImgSetDisplayMode(int32_t mode) { return img_set_display_mode(mode); }

const char* WINAPI ImgGetErrorText(int32_t code) { return img_error_text(code); }
