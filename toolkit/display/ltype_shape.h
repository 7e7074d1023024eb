// Shapes and text strings of complex linetypes, drawn at the end of their pattern element.
#pragma once

#include <cstdint>

#include "toolkit/display/regen.h"

enum : TkError {
  TK_ERR_LTYPE_SHAPE_MATRICES = 276,
};

// Draws the element's shape (text null) or text at point (entity coordinates), turned by the
// segment direction theta unless the element's rotation is absolute, in viewport `viewport`
// alone. scale is the linetype scale that the offsets follow; the style is looked up in
// style_drawing. 1 when every character was drawn; 0 when the shape's font is missing (the
// built-in font draws no shapes), a character has no glyph, or memory ran out (error 276).
int16_t ltype_draw_shape_or_text(TkDrawing* drawing, int viewport, const double point[3],
                                 const double base[16], double scale, double theta,
                                 const TkDashElement* element, const char* text,
                                 TkDrawing* style_drawing);
