// Raster images placed in a drawing (IMAGE entities): the picture is loaded by the application
// (display slot 15) as the bytes of a bitmap file, decoded here, and each pixel row is mapped
// into device space, clipped to the viewport and the image's clip boundary and sent to display
// slot 16 as spans of pixels in a command buffer; the image's frame is drawn as a polyline.
// Not for: reading picture files (the application's), OLE pictures.
#pragma once

#include <cstdint>
#include <vector>

#include "toolkit/core/blob.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/handle.h"
#include "toolkit/display/regen.h"

// Pixel command words (the high byte of the first 32-bit word of each command).
enum : int32_t {
  TK_PIXELS_BEGIN_IMAGE = 0x1000000,  // then width, height, mode (i32 each)
  TK_PIXELS_SPAN = 0x2000000,         // then two end records, count, steps and the pixels
  TK_PIXELS_BEGIN_ROW = 0x3000000,
};
// The span's end records: device x, y, pixel column, row, a position term (f64 each), the
// pixel's red, green, blue and five filler bytes.
constexpr int32_t TK_PIXELS_END_RECORD = 48;
// The command buffer goes to slot 16 once it holds more than this many bytes.
constexpr int32_t TK_PIXELS_FLUSH = 16000;
// Pictures of more pixels than this are not drawn.
constexpr int64_t TK_IMAGE_MAX_PIXELS = int64_t(1) << 26;

// An IMAGE entity's record, unpacked from the layout its reader stores.
struct TkImageInfo {
  double insertion[3];
  double u[3];        // one pixel along a row
  double v[3];        // one pixel row
  double size[2];     // width, height in pixels
  int16_t display;    // bit 4: the clip boundary is used
  int16_t clipping;   // 0 = clipping off
  int16_t clip_type;  // 1 rectangle
  uint32_t clip_count;
  TkBlob* clip;  // 2D points in pixel coordinates (not owned)
  TkHandle definition;
};

// What image_read_bmp_header finds.
struct TkBmpInfo {
  int16_t status;  // 0 ok, 1 not a bitmap, 2 a kind not drawn (arrays, icons, pointers)
  int32_t palette_size;
  uint32_t file_size;
  uint32_t data_offset;
  uint32_t header_size;
  int32_t width, height;
  uint16_t planes, bit_count;
  uint32_t compression;
  uint32_t image_size;
  uint32_t palette[256];  // red << 16 | green << 8 | blue
};

bool image_unpack(const TkDrawing* drawing, const TkEntityData* data, TkImageInfo* out);
void image_read_bmp_header(const std::vector<uint8_t>& picture, TkBmpInfo* info);
// The picture's pixels, top row first: palette indices (one byte each) or, without a palette,
// red, green, blue bytes. Compressed pictures are expanded within width x height; false when
// nothing can be drawn (status not 0, sizes beyond the data or the limits).
bool image_decode(const std::vector<uint8_t>& picture, const TkBmpInfo& info,
                  std::vector<uint8_t>* pixels);
void image_pixel_to_world(double point[2], const TkImageInfo& image, double out[3]);
// Draws the IMAGE that the dispatcher holds in the scratch record; 1 drawn, 0 not.
int16_t image_display(TkDrawing* drawing, const TkEntityData* data, TkConstViewMatrices matrices);

// The pictures loaded for a display state, freed with it.
struct TkPictureCache;
void image_free_pictures(TkPictureCache* cache);
