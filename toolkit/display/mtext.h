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
  int16_t layer_colour;   // what \C256 gives
  int16_t block_colour;   // what \C0 gives
};

// Where the measuring writes an MTEXT's measured height and width in its data.
constexpr size_t TK_MTEXT_MEASURED_HEIGHT = 72;
constexpr size_t TK_MTEXT_MEASURED_WIDTH = 80;

// While set (the tolerance frames set it around their text), the lines are spaced by their
// own largest height rather than by the text height.
extern uint8_t mtext_largest_height;

// Draws the string with the style's fonts; colour is the entity's resolved colour. measured,
// when given, receives the block's width and height.
int16_t mtext_draw(TkDrawing* drawing, const TkMtextParams* params, const char* text,
                   const TkTextStyleRecord* style, const double transform[16], int16_t colour,
                   double measured[2] = nullptr);
// An MTEXT entity's data; the measured width and height are written back into it. \C256 in
// the text gives layer_colour, \C0 block_colour.
int16_t mtext_entity(TkDrawing* drawing, TkEntityData* data, const double transform[16],
                     int16_t colour, int16_t layer_colour = 256, int16_t block_colour = 0);
// The widest line of the string as mtext_draw would lay it without wrapping, and the largest
// character height of its first line (both in drawing units).
int16_t mtext_measure(TkDrawing* drawing, const TkMtextParams* params, const char* text,
                      const TkTextStyleRecord* style, double* width, double* top);
