// The display state of a drawing: the view being shown, the device rectangle, the viewports
// through which the drawing is seen (the one model-space view, or the paper view and its
// VIEWPORT entities) and the stack of clip boundaries pushed while display generation descends.
// Computing what is drawn is display generation's; this file keeps the views and boundaries.
#pragma once

#include <cstdint>

#include "toolkit/core/drawing.h"
#include "toolkit/core/error.h"
#include "toolkit/core/handle.h"
#include "toolkit/core/list.h"
#include "toolkit/core/loop_set.h"

struct TkBlob;
struct TkVecOutput;

enum : TkError {
  TK_ERR_DISPLAY_ALLOC = 275,
};

// Display generation allows up to 64 viewports (one bit each in its masks), so every per-viewport
// array is sized for all of them.
constexpr int TK_MAX_VIEWPORTS = 64;

// Direction (w 0), target (w 1), up direction (w 0), width and height: 14 doubles.
struct TkViewDesc {
  double direction[4];
  double target[4];
  double up[4];
  double width;
  double height;
};

struct TkViewportEntry {
  double direction[3];
  double target[3];
  double up[3];
  double view_matrix[16];
  double window_matrix[16];
  double matrix[16];  // model to device: view matrix · window matrix
  double rect[4];     // device x min, y min, x max, y max
  double lens_length;
  double twist;
  double center[2];   // view centre in view coordinates
  double view_height;
  double paper_center[3];  // of a paper-space viewport, with its paper size
  double paper_width;
  double paper_height;
  double scale;  // device units per drawing unit (tk_matrix_scale of the matrix)
  uint8_t status;
  // A paper-space viewport's clipping outline in paper units (x, y, z doubles), owned; null
  // for a rectangular viewport.
  TkBlob* outline;
};

// One pushed boundary: a loop set per viewport (null = no boundary in that viewport).
struct TkClipNode {
  TkClipNode* next;
  TkLoopSet* sets[TK_MAX_VIEWPORTS];
};

// One pushed spatial filter: the drawing holding it, its handle, the value it was pushed with
// (the null handle when its boundary was built and pushed as a polygon node too) and the
// insertion matrix it was pushed under.
struct TkFilterNode {
  TkFilterNode* next;
  TkDrawing* drawing;  // borrowed
  TkHandle filter;
  TkHandle value;
  double matrix[16];
  uint8_t pushed_polygon;
};

struct TkDisplayState {
  uint8_t extents_drawn;
  TkViewDesc view;
  double extents_width;
  double extents_height;
  double scale_factors[2];
  uint8_t draw_enabled;
  TkHandle default_layer;
  TkDrawing* owner;  // borrowed: the top-level drawing that owns the display
  TkViewDesc initial_view;
  double drawn[4];  // device x min, y min, x max, y max of what was drawn
  double view_matrix[16];
  double window_matrix[16];
  TkHandle inserting_layer;
  uint16_t viewport_count;
  TkViewportEntry viewports[TK_MAX_VIEWPORTS];
  uint8_t paper_space;
  uint16_t pending_view;
  TkClipNode* clip;  // top of the polygon clip stack; the base node holds the viewport bounds
  TkFilterNode* filters;  // top of the spatial-filter stack
  uint8_t xclipframe;
  uint8_t image_frame;
  int32_t device_rect[4];  // left, top, right, bottom
  TkList* xref_queue;      // queued external references of the pass (owned while a pass runs)
  uint8_t file_kind;
  TkHandle layout;  // the layout block shown in paper space; null: the drawing's paper space
  // Display lists: recording switched on by the application, whether the recorded lists hold
  // the whole drawing for the recorded view, and display generation's recorder (owned; null
  // until the first recording).
  uint8_t recording;
  uint8_t lists_valid;
  TkVecOutput* vec;
};

// What display generation adds to the display state's life when it is linked into the program:
// the code table of its display lists at start-up, serving a new view from recorded lists, and
// freeing its recorder with the state. Null members do nothing.
struct TkDisplayOutputHooks {
  void (*init_code_table)(uint8_t* table);
  // 1 when the view was taken (recording is on for the drawing).
  int16_t (*set_view)(TkDrawing* drawing, const TkViewDesc* view, const int32_t rect[4]);
  void (*release)(TkDisplayState* state);
};
extern TkDisplayOutputHooks tk_display_output_hooks;

// Switches display-list recording on or off for the drawing's display; either way the lists are
// invalid afterwards and the next regeneration records anew (when on).
void tk_display_set_recording(TkDrawing* drawing, uint8_t on);
// The drawing changed (layers, entities): the next regeneration does not replay old lists.
void tk_display_invalidate(TkDrawing* drawing);

// A display state owned by the drawing itself, or (create) by another drawing that owns the
// display; block, when not null, names the layout block whose VIEWPORT entities give the
// viewports and whose entities paper space draws.
int16_t tk_display_open(TkDrawing* drawing, const TkViewDesc* view, int32_t device_width,
                        int32_t device_height, const TkHandle* block);
int16_t tk_display_create(TkDrawing* drawing, const TkViewDesc* view, int32_t device_width,
                          int32_t device_height, TkDrawing* owner, const TkHandle* block);
void tk_display_close(TkDrawing* drawing);
// Takes the view for the device rectangle (left, top, right, bottom); 1 when taken.
int16_t tk_display_set_view(TkDrawing* drawing, const TkViewDesc* view, const int32_t rect[4]);
int16_t tk_display_get_view(TkDrawing* drawing, TkViewDesc* out);
int16_t tk_display_get_extents_size(TkDrawing* drawing, double* width, double* height);
TkDisplayState* tk_display_clear_pending(TkDrawing* drawing);
// The view that shows the whole drawing; the result is the drawn-extents flag.
uint8_t tk_display_full_view(TkDrawing* drawing, TkViewDesc* out);
void tk_compute_view(TkDrawing* drawing, const TkViewDesc* view, const int32_t rect[4]);

// Pushes a boundary: with no points, each viewport's own rectangle; with points (x, y, z
// triples), each viewport's loop is the points through that viewport's matrix. 1 when pushed.
int16_t tk_clip_push_polygon(TkDisplayState* state, const double* points, int32_t count,
                             const double (*matrices)[16]);
void tk_clip_pop_polygon(TkDisplayState* state);
// 1 when viewport v's boundary is more than its rectangle: pushed boundaries or its own
// clipping outline; then segments and fills are cut to the clip stack's loops of v.
bool tk_clip_has_loops(const TkDisplayState* state, int v);

// Both 2D points (z 0, w 1) through the inverse of the matrix.
void tk_inverse_transform_point_pair(const double m[16], const double a[2], const double b[2],
                                     double out_a[2], double out_b[2]);
// The bounding box of the 8 corners through the matrix.
void tk_transformed_box(const double min[3], const double max[3], const double m[16],
                        double out_min[3], double out_max[3]);
// The scale factor of a uniformly scaled matrix.
double tk_matrix_scale(const double m[16]);
// World to view: the target to the origin, the direction to +Z, the up direction to +Y.
void tk_view_matrix(const double direction[3], const double target[3], const double up[3],
                    const double centre[2], double out[16]);
void tk_view_up_vector(const double direction[3], double twist, double out[3]);
