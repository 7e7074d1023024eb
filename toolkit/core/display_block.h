// The display callback block: the one process-wide record through which everything the toolkit
// draws leaves for the application (move-to, line-to, filled polygons, colours, progress,
// external-reference notices, ...), and the working storage that display generation keeps for
// the life of the started toolkit. The toolkit never draws itself; what the primitives are is
// display generation's business (toolkit/display), this file only owns the slots and buffers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/core/state.h"

struct TkBlob;
struct TkDrawing;
struct TkEntityHeader;
struct TkEntityData;
struct TkLinetypeRecord;
struct TkTrueTypeFontSpec;
struct TkTrueTypeGlyph;

// A data pointer and a byte capacity, grown in 1,024-byte steps.
struct TkGrowBuffer {
  uint8_t* data;
  uint32_t capacity;
};

// The pair that names the outermost insertion through which a referenced drawing is seen.
struct TkXrefOrigin {
  TkDrawing* drawing;
  uint8_t insert_handle[8];
};

using TkMoveToFn = void (*)(int32_t x, int32_t y, TkUserData user);
using TkLineToFn = void (*)(int32_t x, int32_t y, TkUserData user);
// range: first and last point index; points: pairs of 32-bit device coordinates.
using TkFillPolygonFn = void (*)(const int16_t range[2], const int32_t* points, TkUserData user);
using TkFillLoopsFn = void (*)(const int32_t* points, const int32_t* counts, int32_t loops,
                               TkUserData user);
using TkColorFn = void (*)(int16_t colour, TkUserData user);
using TkPollFn = void (*)(TkUserData user);
using TkPathFn = void (*)(const char* path, TkUserData user);
using TkXrefNameFn = void (*)(const char* path, const TkXrefOrigin* origin, TkUserData user);
using TkXrefDrawingFn = void (*)(TkDrawing* child, TkUserData user);
// Called with every entity the display reads; the entity is drawn as the hook leaves it.
using TkEntityHookFn = void (*)(TkEntityHeader* header, TkEntityData* data,
                                TkUserData user);
using TkEntityBeginFn = void (*)(const TkEntityHeader* header, const TkEntityData* data,
                                 int16_t colour, const TkLinetypeRecord* linetype,
                                 const void* plot_style, TkUserData user);
using TkLineweightFn = void (*)(int16_t lineweight, TkUserData user);
// Slot 30: fills the glyph of one character at origin (font units); 0 when it did.
using TkTrueTypeTextFn = int16_t (*)(int16_t code, const double origin[2],
                                     const TkTrueTypeFontSpec* font, TkTrueTypeGlyph* glyph,
                                     TkUserData user);
using TkPlotStylePathFn = void (*)(const char* name, char* out, TkUserData user);
// Slots 16 and 25: a buffer of pixel commands of the IMAGE display (begin image, begin row and
// spans of pixels with their device positions) and its length in bytes.
using TkDrawPixelsFn = void (*)(const uint8_t* commands, int32_t length, TkUserData user);
// Slot 15: the picture of an image definition as the bytes of a bitmap file, in a blob that the
// callback allocates (blob_alloc) and the toolkit frees with the drawing; left null when the
// picture cannot be had.
struct TkImageDefData;
using TkLoadPictureFn = void (*)(const TkImageDefData* definition, TkBlob** picture,
                                 TkUserData user);
// Slots whose arguments belong to parts of display generation not built into this program.
using TkOpaqueFn = void (*)();
// Slot 33: what display generation hands over for one REGION, 3DSOLID or BODY entity.
struct TkModelerRecord {
  TkBlob* sat;                          // the entity's SAT text; not owned
  TkDrawing* drawing;
  const double* transform;              // 4 x 4, the entity's placement
  const double (*viewports)[16];        // the per-viewport transforms
  const TkLinetypeRecord* linetype;
  TkDrawing* linetype_drawing;
  int32_t run;                          // the linetype run the entity's lines continue
  int32_t points_per_span;              // the curve resolution
};
// Draws the modeler entity; the reply byte is the callback's to set. 1 when it went well.
using TkModelerFn = int16_t (*)(TkModelerRecord* record, uint8_t* reply);

enum : size_t {
  TK_DISPLAY_SLOTS = 34,
  TK_CODE_TABLE_SIZE = 4096,
  TK_DISPLAY_BUFFER_A = 2304,
  TK_DISPLAY_BUFFER_B = 2056,
  TK_DISPLAY_WORK_A = 11448,
  TK_DISPLAY_WORK_B = 2352,
  TK_COLOUR_MAP_SIZE = 256,
  TK_XREF_NAME_SIZE = 512,
};

struct TkDisplayCallbacks {
  // The slots, 0 to 33 in this order. Every slot not installed is null, and every caller tests
  // its slot before calling it.
  TkMoveToFn moveto;                  // 0
  TkLineToFn lineto;                  // 1
  TkFillPolygonFn fill_polygon;       // 2  the toolkit's fill wrapper once the application set 22
  TkFillLoopsFn fill_loops;           // 3
  TkColorFn color;                    // 4
  TkProgressCallback progress;        // 5
  TkPollFn poll;                      // 6
  TkPathFn xref_not_opened;           // 7
  TkFindFileFn find_file;             // 8
  TkFindFileFn find_xref;             // 9
  TkXrefNameFn xref_name;             // 10
  TkXrefDrawingFn begin_xref;         // 11
  TkXrefDrawingFn end_xref;           // 12
  TkEntityHookFn text_hook;           // 13
  TkEntityBeginFn entity_begin;       // 14
  TkLoadPictureFn draw_image;         // 15
  TkDrawPixelsFn draw_pixels;         // 16
  TkOpaqueFn picture_rect;            // 17
  TkOpaqueFn image_quad;              // 18
  TkOpaqueFn load_picture;            // 19
  TkMoveToFn app_moveto;              // 20
  TkLineToFn app_lineto;              // 21
  TkFillPolygonFn app_fill_polygon;   // 22
  TkFillLoopsFn app_fill_loops;       // 23
  TkColorFn app_color;                // 24
  TkDrawPixelsFn app_draw_pixels;     // 25
  TkOpaqueFn app_picture_rect;        // 26
  TkOpaqueFn app_image_quad;          // 27
  TkLineweightFn app_lineweight;      // 28
  TkOpaqueFn ole_convert;             // 29
  TkTrueTypeTextFn truetype_text;     // 30
  TkPlotStylePathFn plot_style_path;  // 31
  TkLineweightFn lineweight;          // 32
  TkModelerFn modeler;                // 33: null draws through regen_solid_wires

  uint8_t regen_busy;
  uint8_t draw_enabled;
  uint8_t* code_table;  // TK_CODE_TABLE_SIZE bytes
  char message[15];     // "Malloc error\n"
  uint8_t* buffer_a;    // TK_DISPLAY_BUFFER_A bytes
  uint8_t* buffer_b;    // TK_DISPLAY_BUFFER_B bytes
  int32_t pen_x;        // the last device point sent
  int32_t pen_y;
  int32_t settings[3];  // 0, 25 (the default lineweight), 0
  TkGrowBuffer grow[3];
  int32_t curve_resolution_primary;
  int32_t curve_resolution;

  // Process-wide display data that lives and dies with the block.
  TkEntityHeader* scratch_header;
  TkEntityData* scratch_data;
  uint8_t* work_a;  // TK_DISPLAY_WORK_A bytes
  uint8_t* work_b;  // TK_DISPLAY_WORK_B bytes
  int16_t colour_map[TK_COLOUR_MAP_SIZE];
  double pixel_aspect;
  double detail;  // 20 for the screen, 1 for printing
  uint16_t poll_interval;
  uint8_t switches[2];
  uint16_t max_circle_segments;  // 0 means 64

  // Written by the external-reference walk, read by display generation.
  uint8_t in_xref;
  char current_xref[TK_XREF_NAME_SIZE];
  uint8_t model_only;    // skip paper-space entities (set while references are drawn)
  uint8_t bounded;       // 0 while a RAY or XLINE is drawn: it never widens the extents
  TkXrefOrigin xref_origin;
};

// Null before tk_init and after tk_shutdown.
extern TkDisplayCallbacks* tk_display_callbacks;

// The second start-up step, after tk_init_core: 1, or 0 with nothing left allocated.
int16_t tk_init();
void tk_shutdown();

void tk_set_moveto_callback(TkMoveToFn fn);
void tk_set_lineto_callback(TkLineToFn fn);
void tk_set_fill_polygon_callback(TkFillPolygonFn fn);
void tk_set_color_callback(TkColorFn fn);
void tk_set_progress_callback(TkProgressCallback fn);
void tk_set_find_xref_callback(TkFindFileFn fn);
void tk_set_xref_name_callback(TkXrefNameFn fn);
void tk_set_begin_xref_callback(TkXrefDrawingFn fn);
void tk_set_end_xref_callback(TkXrefDrawingFn fn);
void tk_set_text_hook(TkEntityHookFn fn);
void tk_set_draw_truetype_text_callback(TkTrueTypeTextFn fn);
void tk_set_lineweight_callback(TkLineweightFn fn);
void tk_set_poll_callback(TkPollFn fn);
void tk_set_xref_not_opened_callback(TkPathFn fn);
void tk_set_modeler_display_callback(TkModelerFn fn);
void tk_set_draw_image_callback(TkLoadPictureFn fn);
void tk_set_draw_pixels_callback(TkDrawPixelsFn fn);
void tk_set_draw_enabled(uint8_t enabled);
int32_t tk_get_curve_resolution();
int32_t tk_get_arc_resolution();

// The empty colour callback that stands in until the application installs its own.
void tk_noop_callback(int16_t colour, TkUserData user);
// What slot 2 holds: hands the polygon to slot 22 and keeps its first point as the pen position.
void tk_fill_wrapper(const int16_t range[2], const int32_t* points, TkUserData user);
