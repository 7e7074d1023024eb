// The imaging library's interface as the application sees it: the operations of zeri8v98.dll,
// which is imported by ordinal only (the import library zeri8v98.dll.a maps each name below to its
// number), and the layout of the information block. Not for the library's own internals.
//
// An image is named by a small integer handle (0 or more) that stays valid until ImgFree. Every
// operation that can fail returns a negative error number; -1 means "no image"; ImgGetErrorText
// gives the library's text for each number, for the messages the application shows.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#ifdef ZERI8V98_BUILD
#define ZERI8V98_API extern "C"
#else
#define ZERI8V98_API extern "C" __declspec(dllimport)
#endif

// The information block: 2048 bytes, zero except for the fields below.
struct ImgInfoBlock {
  int32_t reserved0;
  int32_t width;          // byte 4
  int32_t height;         // byte 8
  int16_t reserved12;
  int16_t bitsPerPixel;   // byte 14: 1, 4, 8, 24 or 32
  int32_t reserved16[2];
  int32_t dpiX;           // byte 24, 0 when the file states none
  int32_t dpiY;           // byte 28
  uint8_t reserved32[2016];
};
static_assert(sizeof(ImgInfoBlock) == 2048, "the information block is 2048 bytes");
static_assert(offsetof(ImgInfoBlock, width) == 4 && offsetof(ImgInfoBlock, height) == 8 &&
                  offsetof(ImgInfoBlock, bitsPerPixel) == 14 && offsetof(ImgInfoBlock, dpiX) == 24 &&
                  offsetof(ImgInfoBlock, dpiY) == 28,
              "callers read the information block by byte offset");

// Called during loads with the record given at installation and the total number of calls the
// load makes (1 to 100); its result is ignored.
typedef int32_t(WINAPI* ImgProgressProc)(void* record, int32_t total);

// Display modes for reduced views (library-wide).
enum : int32_t { IMG_DISPLAY_QUICK = 0, IMG_DISPLAY_ALIAS = 1, IMG_DISPLAY_GREY = 2 };

// Drawing: the current region of the image scaled into the rectangle x, y, w, h of the context.
ZERI8V98_API int32_t WINAPI ImgDrawToDc(int32_t image, HDC dc, int32_t x, int32_t y, int32_t w,
                                        int32_t h);
ZERI8V98_API int32_t WINAPI ImgPrintToDc(int32_t image, HDC dc, int32_t x, int32_t y, int32_t w,
                                         int32_t h);
ZERI8V98_API int32_t WINAPI ImgSetupDcPalette(int32_t image, HDC dc);
ZERI8V98_API int32_t WINAPI ImgSetDisplayMode(int32_t mode);
ZERI8V98_API int32_t WINAPI ImgPaintBitmap(HBITMAP bitmap, HDC dc, int32_t x, int32_t y);

// Images in and out.
ZERI8V98_API int32_t WINAPI ImgFree(int32_t image);
// The text of an error number: a constant string of the library, never null (a generic text for
// a number the library does not know).
ZERI8V98_API const char* WINAPI ImgGetErrorText(int32_t code);
// Whether an image of bpp bits per pixel can be saved in the format: 0, or the error the save
// would give. Asked before the user picks a file name.
ZERI8V98_API int32_t WINAPI ImgCanSave(int32_t format, int32_t bpp);
ZERI8V98_API int32_t WINAPI ImgLoadFile(const char* path);
ZERI8V98_API int32_t WINAPI ImgLoadFromHandle(int32_t file, int32_t reserved, int32_t page);
ZERI8V98_API int32_t WINAPI ImgLoadPage(const char* path, int32_t page);
ZERI8V98_API int32_t WINAPI ImgGetFileFormat(const char* path);
ZERI8V98_API int32_t WINAPI ImgGetPageCount(const char* path);
ZERI8V98_API int32_t WINAPI ImgIsMultiPage(const char* path);
ZERI8V98_API int32_t WINAPI ImgBeginSave(int32_t image);
ZERI8V98_API int32_t WINAPI ImgSaveFile(int32_t image, const char* path, int32_t format);
ZERI8V98_API int32_t WINAPI ImgEndSave(int32_t image);
ZERI8V98_API int32_t WINAPI ImgGetInfo(int32_t image, ImgInfoBlock* block);
ZERI8V98_API int32_t WINAPI ImgSetProgressCallback(void* record, ImgProgressProc callback,
                                                   int32_t install);

// Regions: the part of the image that draw, copy and save use.
ZERI8V98_API int32_t WINAPI ImgGetRegion(int32_t image, int32_t* x, int32_t* y, int32_t* w,
                                         int32_t* h);
ZERI8V98_API int32_t WINAPI ImgSetRegion(int32_t image, int32_t x, int32_t y, int32_t w, int32_t h);

// Pixel operations, in place.
ZERI8V98_API int32_t WINAPI ImgRotate(int32_t image, int32_t hundredths);
ZERI8V98_API int32_t WINAPI ImgMirrorY(int32_t image);
ZERI8V98_API int32_t WINAPI ImgMirrorX(int32_t image);
ZERI8V98_API int32_t WINAPI ImgInvert(int32_t image);
ZERI8V98_API int32_t WINAPI ImgResize(int32_t image, int32_t w, int32_t h);
ZERI8V98_API int32_t WINAPI ImgReduceTo24Bpp(int32_t image);

// Clipboard images.
ZERI8V98_API HBITMAP WINAPI ImgCopyRegion(int32_t image, int32_t w, int32_t h);
ZERI8V98_API int32_t WINAPI ImgFromPackedDib(const void* packedDib);
ZERI8V98_API int32_t WINAPI ImgFromBitmap(HBITMAP bitmap, HPALETTE palette);

// Scanner.
ZERI8V98_API int32_t WINAPI ImgSelectSource(HWND owner);
ZERI8V98_API int32_t WINAPI ImgAcquire(HWND owner, int32_t showUi);
