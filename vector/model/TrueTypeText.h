// TrueType text of vector drawings: the toolkit's display asks, character by character, for the
// outline of a glyph (DwgDrawTrueTypeText, display slot 30) and draws the segments it gets back.
// Faces and glyphs are opened through FreeType once and kept in a process-wide cache for the
// life of the vector drawing object; outlines are flattened here, each run of off-curve points
// as one Bezier curve. Finding the font file is the locators' business (FontLocator.h).
#pragma once

#include <cstdint>

#include "toolkit/core/state.h"
#include "toolkit/core/truetype.h"

struct TkBlob;

// Glyphs are sized so that the capital "A" is this many units tall.
constexpr double kTrueTypeEm = 1000.0;

// A glyph outline as FreeType gives it: 26.6 fixed-point points, a flag byte per point whose
// bit 0 marks an on-curve point, and the index of each contour's last point.
struct GlyphOutlineView {
  int32_t point_count;
  int32_t contour_count;
  const int32_t* points;  // x, y pairs
  const uint8_t* flags;
  const int16_t* ends;
};

// Display slot 30: the glyph of code in the font at origin (font units). 0 on success with the
// glyph filled (filled and freed by the display, kind TK_GLYPH_FILLED | TK_GLYPH_FREE); a
// FreeType error number, or 1 when memory or a matching character map is missing, with nothing
// left allocated.
int16_t DwgDrawTrueTypeText(int16_t code, const double origin[2], const TkTrueTypeFontSpec* font,
                            TkTrueTypeGlyph* out, TkUserData user);
// Empties the cache record (called by every vector drawing object's constructor).
void ResetTrueTypeFaceCache();
// Closes every face, frees every glyph and stops FreeType (called by the destructor).
void FreeTrueTypeFaceCache();

// Flattens an outline into one blob of segments per contour, points divided by 64 and moved by
// origin. 0, or 1 when memory runs out (nothing left allocated) or the outline is malformed.
int16_t FlattenGlyphOutline(const GlyphOutlineView& outline, const double origin[2],
                            TkTrueTypeGlyph* out);
// The Bezier curve of degree n through points (x, y, unused) at t.
void EvaluateBezier(const double* points, int32_t n, double t, double out[2]);
// The n + 1 Bernstein weights of degree n at t.
void BernsteinWeight(int32_t n, double t, double* weights);
// Writes the segment from last to p once a first point is known (count -1: none yet).
void AppendOutlinePoint(TkBlob* writer, double last[2], int32_t* count, const double p[2]);

// The character size, in points at 72 dpi, that makes a capital of the given height (pixels at
// the 1400-point trial size; 0 for an empty box) kEm units tall for the character set.
int32_t TrueTypeSizeFor(int32_t capital_height, uint8_t charset);
// The Unicode value of a byte of Windows code page 1256 (Arabic).
uint16_t Cp1256ToUnicode(uint8_t byte);
