// The exported operations over files, pages, the information block, regions and the in-place pixel
// operations: each checks its handle and arguments, then hands the work to the portable core.
// Device contexts and clipboard bitmaps are in img_draw.cpp and img_dib.cpp.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "img_library.h"
#include "zeri8v98.h"

namespace {

// Runs op on the image a handle names; the handle's error when it names none.
template <typename Op>
int32_t with_image(int32_t handle, Op op) {
  int32_t rc;
  ImgSlot* slot = img_handle_slot(handle, &rc);
  return slot ? op(slot->image) : rc;
}

int32_t load_page(const char* path, int32_t page) {
  if (!path) return IMG_ERR_ARGUMENT;
  if (page < 0) return IMG_ERR_NO_PAGE;
  ImgImage image;
  int32_t rc = img_load_file(path, page, image, img_load_progress());
  return rc < 0 ? rc : img_handle_add(std::move(image));
}

// Files larger than any image the library accepts are refused before reading them.
constexpr int64_t kMaxFileBytes = IMG_MAX_PIXEL_BYTES;

}  // namespace

int32_t WINAPI ImgFree(int32_t image) { return img_handle_free(image); }

int32_t WINAPI ImgLoadFile(const char* path) { return load_page(path, 0); }

int32_t WINAPI ImgLoadPage(const char* path, int32_t page) { return load_page(path, page); }

// The file is one the caller opened (OpenFile); it is read from its start whatever its position,
// and stays open.
int32_t WINAPI ImgLoadFromHandle(int32_t file, int32_t, int32_t page) {
  HANDLE h = reinterpret_cast<HANDLE>(static_cast<intptr_t>(file));
  if (h == INVALID_HANDLE_VALUE || !h) return IMG_ERR_OPEN;
  if (page < 0) return IMG_ERR_NO_PAGE;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(h, &size)) return IMG_ERR_OPEN;
  if (size.QuadPart > kMaxFileBytes) return IMG_ERR_TOO_LARGE;
  LARGE_INTEGER start = {};
  if (!SetFilePointerEx(h, start, nullptr, FILE_BEGIN)) return IMG_ERR_READ;
  std::vector<uint8_t> data;
  try {
    data.resize(size_t(size.QuadPart));
  } catch (const std::bad_alloc&) {
    return IMG_ERR_TOO_LARGE;
  }
  size_t done = 0;
  while (done < data.size()) {
    DWORD chunk = DWORD(std::min<size_t>(data.size() - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(h, data.data() + done, chunk, &got, nullptr)) return IMG_ERR_READ;
    if (got == 0) break;
    done += got;
  }
  data.resize(done);
  ImgImage image;
  int32_t rc = img_load_memory(data.data(), data.size(), page, image, img_load_progress());
  return rc < 0 ? rc : img_handle_add(std::move(image));
}

int32_t WINAPI ImgGetFileFormat(const char* path) {
  return path ? img_probe_file(path) : IMG_ERR_ARGUMENT;
}

int32_t WINAPI ImgGetPageCount(const char* path) {
  return path ? img_page_count_file(path) : IMG_ERR_ARGUMENT;
}

// The caller takes any nonzero result for "several pages", so a file that cannot be read is 0
// here and its error comes from the load that follows.
int32_t WINAPI ImgIsMultiPage(const char* path) {
  return path && img_page_count_file(path) > 1 ? 1 : 0;
}

// A save needs no state of its own between the bracket's ends; the bracket checks the handle so
// that a stale one fails at the first call of the sequence.
int32_t WINAPI ImgBeginSave(int32_t image) {
  return with_image(image, [](ImgImage&) { return int32_t(IMG_OK); });
}

int32_t WINAPI ImgEndSave(int32_t image) {
  return with_image(image, [](ImgImage&) { return int32_t(IMG_OK); });
}

int32_t WINAPI ImgCanSave(int32_t format, int32_t bpp) { return img_can_save(format, bpp); }

int32_t WINAPI ImgSaveFile(int32_t image, const char* path, int32_t format) {
  if (!path) return IMG_ERR_ARGUMENT;
  return with_image(image, [&](ImgImage& img) { return img_save_file(img, path, format); });
}

int32_t WINAPI ImgGetInfo(int32_t image, ImgInfoBlock* block) {
  if (!block) return IMG_ERR_ARGUMENT;
  return with_image(image, [&](ImgImage& img) {
    std::memset(block, 0, sizeof *block);
    block->width = img.width;
    block->height = img.height;
    block->bitsPerPixel = int16_t(img.bpp);
    block->dpiX = img.dpi_x;
    block->dpiY = img.dpi_y;
    return int32_t(IMG_OK);
  });
}

int32_t WINAPI ImgGetRegion(int32_t image, int32_t* x, int32_t* y, int32_t* w, int32_t* h) {
  if (!x || !y || !w || !h) return IMG_ERR_ARGUMENT;
  return with_image(image, [&](ImgImage& img) {
    *x = img.region.x;
    *y = img.region.y;
    *w = img.region.w;
    *h = img.region.h;
    return int32_t(IMG_OK);
  });
}

int32_t WINAPI ImgSetRegion(int32_t image, int32_t x, int32_t y, int32_t w, int32_t h) {
  return with_image(image, [&](ImgImage& img) { return img_set_region(img, ImgRect{x, y, w, h}); });
}

int32_t WINAPI ImgRotate(int32_t image, int32_t hundredths) {
  return with_image(image, [&](ImgImage& img) { return img_rotate(img, hundredths); });
}

int32_t WINAPI ImgMirrorY(int32_t image) { return with_image(image, img_mirror_y); }

int32_t WINAPI ImgMirrorX(int32_t image) { return with_image(image, img_mirror_x); }

int32_t WINAPI ImgInvert(int32_t image) { return with_image(image, img_invert); }

int32_t WINAPI ImgResize(int32_t image, int32_t w, int32_t h) {
  return with_image(image, [&](ImgImage& img) { return img_resize(img, w, h); });
}

int32_t WINAPI ImgReduceTo24Bpp(int32_t image) { return with_image(image, img_reduce_to_24); }
