// Vector output and display lists: the layer between the regeneration routines
// and the application's device callbacks. While a drawing records, regeneration
// draws into a fixed integer space whose longer side is 32,000 units; every
// primitive goes into one of 85 byte lists arranged as a quadtree over that
// space and, mapped to the device, to the application. A later view that stays
// inside the recorded space and resolution is redrawn by replaying the lists
// whose nodes meet it, without reading the drawing again. Not for: deciding
// what is drawn (regen_*), the application's drawing (its device slots).
#pragma once

#include <cstdint>
#include <vector>

#include "toolkit/core/display_block.h"
#include "toolkit/core/display_state.h"

enum : int {
  TK_VEC_CELLS = 64,
  TK_VEC_NODES = 85,
  TK_VEC_ROOT = 84,
  TK_VEC_SPACE = 32000,
};

// Display-list record bytes.
enum : uint8_t {
  TK_VEC_ATTR = 0x80,
  TK_VEC_FILL = 0x40,
  TK_VEC_EXT = 0x20,
  TK_VEC_MOVE = 0x01,
  TK_VEC_LINE = 0x02,
  TK_VEC_ABS = 0x04,
  TK_VEC_X = 0x08,
  TK_VEC_Y = 0x10,
};

// Extended record sub-types.
enum : uint8_t {
  TK_VEC_EXT_PIXELS = 0,
  TK_VEC_EXT_IMAGE_QUAD = 2,
};

struct TkVecChunk;
struct TkPictureCache;

struct TkVecNode {
  TkVecChunk* first;  // owned
  TkVecChunk* last;
  uint32_t size;  // bytes written
  int16_t last_x, last_y;
  int16_t last_colour, last_lineweight;
};

struct TkVecOutput {
  int32_t device_rect[4];  // left, top, right, bottom as the application gave them
  int32_t device_width, device_height;
  int16_t recorded_width, recorded_height;
  int32_t recorded_rect[4];  // the same orientation as the device rectangle
  TkViewDesc recorded_view;
  double transform[16];  // world to recorded units
  // The current view in recorded units: its lower-left (a) and upper-right (b)
  // corners in the world's sense; the device rectangle's left and top edges
  // show a.
  int32_t ax, ay, bx, by;
  double unit_size;
  int16_t colour, lineweight;
  int32_t device_pen[2];
  int16_t pen[2];  // recorded units
  int32_t last_device[2];
  uint8_t inside_fill;
  uint8_t failed;  // a list could not grow: the recording is incomplete
  int64_t bytes_to_replay;
  TkVecNode nodes[TK_VEC_NODES];
  // The pictures of the drawing's raster images, as the application gave them (owned).
  TkPictureCache* pictures;
};

// Device units per recorded unit while recording (the regeneration routines
// scale their resolution by it); 1.0 otherwise.
extern double vec_unit_size;

void vec_init_code_table(uint8_t* table);
// The smallest node holding both cells (0 to 63).
uint8_t vec_node_of(int cell_a, int cell_b);
int vec_cell(int32_t x, int32_t y);
// Node codes (64 to 84) of two nodes: their lowest common node.
uint8_t vec_common_node(uint8_t a, uint8_t b);

// The recorder of the drawing's display state, made on first use; null when
// memory failed.
TkVecOutput* vec_output_of(TkDrawing* drawing);
void vec_set_device_rect(TkDrawing* drawing, const int32_t device_rect[4], int32_t recorded_out[4]);
void vec_set_view(TkDrawing* drawing, const TkViewDesc* view);
void vec_set_device_extents(TkDrawing* drawing, const TkViewDesc* view);
void view_pan(TkViewDesc* view, double dx, double dy);
int16_t vec_view_needs_regen(TkDrawing* drawing, const TkViewDesc* view);
// The display state's view hook: serves the view from the lists or sets it up
// for recording.
int16_t vec_display_set_view(TkDrawing* drawing, const TkViewDesc* view, const int32_t rect[4]);

void vec_install_default_output(TkDrawing* drawing);
void vec_install_direct_output(TkDrawing* drawing);
void vec_begin_recording(TkDrawing* drawing);
void vec_reset_segments(TkDrawing* drawing);
void vec_free_display_lists(TkDrawing* drawing);
void vec_discard_display_lists(TkDrawing* drawing);
void vec_close_display_lists(TkDrawing* drawing);
// Redraws the current view from the lists; 1, 0 when memory failed.
int16_t vec_replay(TkDrawing* drawing);
// Bytes the lists hold, and the nodes the current view replays (a mask per
// node).
uint64_t vec_list_bytes(const TkDrawing* drawing);
void vec_visible_nodes(const TkVecOutput* out, uint8_t visible[TK_VEC_NODES]);

// Recording the pixel and image records (the image routines call these through
// slots 16/18).
void vec_record_pixels(const uint8_t* record, int32_t length, TkUserData user);

// Integer Sutherland-Hodgman clipping of a polygon to a rectangle (xmin, ymin,
// xmax, ymax); The number of points left in out, 0 when fewer than 3.
int32_t vec_clip_fill_polygon(int32_t n, const int32_t* points, const int32_t rect[4],
                              std::vector<int32_t>* out);
