// The TrueType glyph bridge. The glyph record comes from the application, so its counts are
// trusted only as far as the contour blobs really hold segments.
#include "toolkit/core/truetype.h"

#include "toolkit/core/blob.h"
#include "toolkit/core/display_block.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"

namespace {

// Walks every stored segment (two points) of every contour.
template <typename Visit>
void each_segment(const TkTrueTypeGlyph& g, Visit visit) {
  if (!g.contours || !g.segment_counts) return;
  for (int32_t c = 0; c < g.contour_count; ++c) {
    if (!g.contours[c]) continue;
    TkBlob* r = blob_open_read(g.contours[c]);
    if (!r) continue;
    double segment[4];
    for (int32_t s = 0; s < g.segment_counts[c] && blob_read(r, segment, sizeof segment); ++s)
      visit(segment, segment + 2);
    blob_close(r);
  }
}

void widen(double box[4], const double* p) {
  if (p[0] < box[0]) box[0] = p[0];
  if (p[1] < box[1]) box[1] = p[1];
  if (p[0] > box[2]) box[2] = p[0];
  if (p[1] > box[3]) box[3] = p[1];
}

void free_glyph(TkTrueTypeGlyph* g) {
  if (g->contours)
    for (int32_t c = 0; c < g->contour_count; ++c) blob_free(g->contours[c]);
  mem_free(g->contours);
  mem_free(g->segment_counts);
  g->contours = nullptr;
  g->segment_counts = nullptr;
}

}  // namespace

double* tk_truetype_glyph_bridge(double* advance, int16_t code, const double origin[2],
                                 const TkTrueTypeFontSpec* font, TkDrawing* drawing,
                                 const TkGlyphOutput* output, double box[4], int16_t draw) {
  TkDisplayCallbacks* cb = tk_display_callbacks;
  if (!cb || !cb->truetype_text) return nullptr;
  TkTrueTypeGlyph glyph{};
  int16_t failed = cb->truetype_text(code, origin, font, &glyph, drawing->user_data);
  if (glyph.contour_count < 0) glyph.contour_count = 0;
  if (failed) {
    if (glyph.flags & TK_GLYPH_FREE) free_glyph(&glyph);
    return nullptr;
  }
  if (box) each_segment(glyph, [box](const double* a, const double* b) {
    widen(box, a);
    widen(box, b);
  });
  if (draw && output) {
    if ((glyph.flags & TK_GLYPH_FILLED) && output->fill) {
      output->fill(output->target, drawing, &glyph);
    } else if ((glyph.flags & (TK_GLYPH_OUTLINE | TK_GLYPH_FILLED)) && output->line) {
      each_segment(glyph, [&](const double* a, const double* b) {
        output->line(output->target, drawing, a, b);
      });
    }
  }
  if (glyph.flags & TK_GLYPH_FREE) free_glyph(&glyph);
  *advance += glyph.advance;
  return advance;
}
