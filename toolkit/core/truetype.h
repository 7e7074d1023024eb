// The bridge through which text display obtains TrueType glyph outlines from the application:
// display slot 30 (the application's TrueType text callback) fills a glyph record for one
// character at a pen position, and the bridge measures it, hands it to the display's output and
// frees it when the application asks. Rasterising fonts is the application's business, drawing
// the outlines the display's.
#pragma once

#include <cstdint>

#include "toolkit/core/drawing.h"

struct TkBlob;

enum : uint16_t {
  TK_GLYPH_OUTLINE = 1,  // draw the contours' segments as lines
  TK_GLYPH_FILLED = 2,   // fill the contours (outlined where the output cannot fill)
  TK_GLYPH_FREE = 4,     // the bridge frees the contour blobs and both arrays afterwards
};

enum : uint32_t { TK_TRUETYPE_PATH_SIZE = 1025 };

// The font of one character as the application gets it: the located font file and the text
// style's character set (0 ANSI, 2 symbol, 178 Arabic, ...).
struct TkTrueTypeFontSpec {
  char path[TK_TRUETYPE_PATH_SIZE];
  uint8_t charset;
};

// One glyph as the application's callback gives it. Coordinates are font units (the height of
// "A" is 1000) already moved to the character's origin.
struct TkTrueTypeGlyph {
  double advance;
  int32_t contour_count;
  TkBlob** contours;        // per contour its segments, four doubles (x1, y1, x2, y2) each
  int32_t* segment_counts;  // per contour
  uint16_t flags;           // TK_GLYPH_*
};

// Where a drawn glyph goes: the display's polygon fill and line output over its target.
struct TkGlyphOutput {
  void (*fill)(void* target, TkDrawing* drawing, const TkTrueTypeGlyph* glyph);
  void (*line)(void* target, TkDrawing* drawing, const double from[2], const double to[2]);
  void* target;  // borrowed
};

// Asks the application (slot 30) for the glyph of code at origin (font units) and advances by
// its width. box (min x, min y, max x, max y; may be null) grows over every point; with draw set
// the glyph goes to the output. The advance, or null with it unchanged when no TrueType callback
// is installed or the callback fails.
double* tk_truetype_glyph_bridge(double* advance, int16_t code, const double origin[2],
                                 const TkTrueTypeFontSpec* font, TkDrawing* drawing,
                                 const TkGlyphOutput* output, double box[4], int16_t draw);
