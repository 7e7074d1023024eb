// Paragraph text (MTEXT): inline formatting, word wrap, line spacing and attachment, drawn
// through the shape interpreter (shx.h).
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/display/shx.h"

enum : TkError {
  TK_ERR_MTEXT_STORAGE = 259,
  TK_ERR_MTEXT_MATRICES = 260,
};

struct TkMtextParams {
  double insertion[3];
  double rotation;
  double height;
  double ref_width;       // 0: no wrapping
  uint8_t attachment;     // 1-9
  uint8_t direction;      // 3 vertical
  int16_t spacing_style;  // 1 at least
  double spacing_factor;
  uint8_t formatting;     // 0: the string is drawn without its control codes read
};

// Draws the string with the style's fonts; colour is the entity's resolved colour.
int16_t mtext_draw(TkDrawing* drawing, const TkMtextParams* params, const char* text,
                   const TkTextStyleRecord* style, const double transform[16], int16_t colour);
// An MTEXT entity's data.
int16_t mtext_entity(TkDrawing* drawing, const TkEntityData* data, const double transform[16],
                     int16_t colour);
// The widest line of the string as mtext_draw would lay it without wrapping, and the largest
// character height of its first line (both in drawing units).
int16_t mtext_measure(TkDrawing* drawing, const TkMtextParams* params, const char* text,
                      const TkTextStyleRecord* style, double* width, double* top);
