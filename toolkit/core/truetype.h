// The bridge through which text display obtains TrueType glyph outlines from the application:
// the application's glyph callback fills a glyph record, and the bridge measures it, hands it to
// the display's output and frees it when the application asks. Rasterising fonts is the
// application's business, drawing the outlines the display's.
#pragma once

#include <cstdint>

#include "toolkit/core/drawing.h"

struct TkBlob;

enum : uint16_t {
  TK_GLYPH_OUTLINE = 1,  // draw the contours' segments as lines
  TK_GLYPH_FILLED = 2,   // fill the contours as polygons
  TK_GLYPH_FREE = 4,     // the bridge frees the contour blobs and both arrays afterwards
};

// One glyph as the application's callback gives it.
struct TkTrueTypeGlyph {
  double advance;
  int32_t contour_count;
  TkBlob** contours;      // per contour its points, two doubles each, taken in pairs
  int32_t* point_counts;  // per contour
  uint16_t flags;         // TK_GLYPH_*
};

// Where a drawn glyph goes: the display's polygon fill and line output over its target.
struct TkGlyphOutput {
  void (*fill)(void* target, TkDrawing* drawing, const TkTrueTypeGlyph* glyph);
  void (*line)(void* target, TkDrawing* drawing, const double from[2], const double to[2]);
  void* target;  // borrowed
};

// Asks the application for a glyph and advances by its width. box (min x, min y, max x, max y;
// may be null) grows over every point; with draw set the glyph goes to the output. The advance,
// or null with it unchanged when no glyph callback is installed or the callback fails.
double* tk_truetype_glyph_bridge(double* advance, const void* glyph_arguments,
                                 TkDrawing* drawing, const TkGlyphOutput* output, double box[4],
                                 int16_t draw);
