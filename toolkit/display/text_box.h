// Where a single-line TEXT stands once its justification is applied: the insertion point that
// puts the measured string at its alignment point, or, for aligned and fit texts, the height or
// width factor that spans the two points. Used by the writers of releases that store the
// insertion point and by the application's text hooks; drawing the text is shx.h's business.
#pragma once

#include <cstdint>

#include "toolkit/core/symtab.h"
#include "toolkit/display/shx.h"

struct TkDrawing;

// The result of tk_text_box: the insertion point and the text's box in drawing units, relative
// to the insertion point and before rotation (lower-left x, y, upper-right x, y).
struct TkTextBox {
  double insertion[2];
  double box[4];
};

// params: the TEXT's height, rotation, width factor, oblique angle, generation and the two
// justifications; for aligned (3) and fit (5) texts the height or the width factor is scaled by
// the distance between the two points over the text's width (left alone for a zero width).
// first: the TEXT's first alignment point (its insertion point); second: its second alignment
// point. Both justifications 0 (left, base line): 1 at once, the output left untouched.
// 0 when the style's font cannot be measured (error number set).
int16_t tk_text_box(TkDrawing* drawing, const char* text, const TkTextStyleRecord* style,
                    TkTextParams* params, const double first[2], const double second[2],
                    TkTextBox* out);
