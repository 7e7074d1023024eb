// The polygon clipper: difference, intersection, exclusive-or and union of two sets of closed
// contours (which may overlap, nest, cross themselves or form holes) by a scanbeam sweep, giving
// either contours with hole flags or triangle strips over the same area. It serves display
// generation's fills and the clip stack of the display state; it sits here, below both, because
// the core's loop sets wrap it. Drawing, viewports and device units are not its business.
#pragma once

#include <cstdint>

struct TkClipVertex {
  double x;
  double y;
};

struct TkClipContour {
  int32_t count;
  TkClipVertex* vertices;
};

// Contours with one hole flag each (non-zero: the contour is a hole). Empty: count 0, null arrays.
struct TkClipPolygon {
  int32_t count;
  int32_t* holes;
  TkClipContour* contours;
};

// Strips whose every three consecutive vertices form a triangle.
struct TkTriStrip {
  int32_t count;
  TkClipContour* strips;
};

enum ClipOp : int32_t {
  CLIP_DIFFERENCE = 0,  // subject minus clip
  CLIP_INTERSECTION = 1,
  CLIP_XOR = 2,
  CLIP_UNION = 3,
};

// Two edges whose bottom x and slope differ by no more than this coincide; crossings of edges
// whose spans differ by no more than this are not sought.
constexpr double CLIP_EPSILON = 2.220446049250313e-16;

// The result receives new arrays (free them with clip_free_polygon / clip_free_tristrip); when it
// is the subject or the clip itself, that input is freed first. 1 on success; 0 when memory ran
// out, with the result left empty (and a result that was an input left as it was).
int16_t polygon_clip(ClipOp op, const TkClipPolygon* subject, const TkClipPolygon* clip,
                     TkClipPolygon* result);
int16_t tristrip_clip(ClipOp op, const TkClipPolygon* subject, const TkClipPolygon* clip,
                      TkTriStrip* result);
// The strips of one set of contours (difference with an empty clip set).
int16_t clip_polygon_to_tristrip(const TkClipPolygon* polygon, TkTriStrip* result);
void clip_free_polygon(TkClipPolygon* polygon);
void clip_free_tristrip(TkTriStrip* strips);
