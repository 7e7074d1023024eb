// Creating and closing drawings, handing out new handles, and the small accessors the
// application uses on a drawing. Loading a drawing from a file is the loader's business; what a
// new drawing holds by default is in defaults.h.
#pragma once

#include <cstdint>

#include "toolkit/core/drawing.h"

struct TkClassRecord;

// Places in a handle template (an array of TK_TEMPLATE_HANDLES handles a caller may give
// tk_new_drawing so that the new drawing reuses known handles instead of drawing from its seed).
enum : int {
  TK_TEMPLATE_FIXED = 0,     // the 12 fixed handles
  TK_TEMPLATE_FURTHER = 12,  // the four further object handles
  TK_TEMPLATE_BYBLOCK = 16,
  TK_TEMPLATE_BYLAYER = 17,
  TK_TEMPLATE_CONTINUOUS = 18,
  TK_TEMPLATE_LAYER0 = 19,
  TK_TEMPLATE_ACTIVE_VPORT = 20,
  TK_TEMPLATE_ACAD = 21,
  TK_TEMPLATE_STANDARD_STYLE = 22,
  TK_TEMPLATE_STANDARD_DIMSTYLE = 23,
  TK_TEMPLATE_DEFAULT_OBJECTS = 24,  // named objects, groups, multiline styles, "Standard"
  TK_TEMPLATE_HANDLES = 35,
};

// Where the model-space and paper-space block handles stand among the fixed handles.
enum : int {
  TK_FIXED_MODEL_SPACE = 10,
  TK_FIXED_PAPER_SPACE = 11,
};

// A new, empty but complete drawing: header defaults, the fixed handles, the classes (the given
// ones, or the defaults when classes is null) and the default records. Null on failure, with the
// last error set and nothing left allocated.
TkDrawing* tk_new_drawing(const TkHandle* handle_template, const TkClassRecord* classes,
                          int16_t class_count, uint16_t output_version);
// Frees the drawing with everything it owns, its child drawings first. 0 for null.
int16_t tk_close_drawing(TkDrawing* drawing);

// The handle at the template's position when there is a template, else the next handle of the
// drawing's seed (handed out, then the seed counts on). 0 when the seed has run out.
int16_t tk_next_handle(TkDrawing* drawing, const TkHandle* handle_template, int position,
                       TkHandle* out);

int16_t tk_get_file_kind(const TkDrawing* drawing);
int16_t tk_get_version(const TkDrawing* drawing);
int16_t tk_is_pre_ac1009(const TkDrawing* drawing, int16_t flag);
// 1 when the drawing is of AC1009 or later and holds a VIEWPORT entity in either space.
int16_t tk_has_viewport_entities(const TkDrawing* drawing);
TkHeader* tk_get_header(TkDrawing* drawing);
TkUserData tk_set_user_data(TkDrawing* drawing, TkUserData value);
