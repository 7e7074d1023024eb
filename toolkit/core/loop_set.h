// Loop sets: closed loops of 2D points (device or drawing units) taken together as one area,
// each loop an outer boundary or a hole. The clip boundaries of the display state and the fills
// of display generation are loop sets; combining two of them is the polygon clipper's work,
// which this module only wraps.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/core/polygon_clip.h"

// Loop count, one hole flag per loop (0 outer), and per loop its vertex count and points.
using TkLoopSet = TkClipPolygon;

// A set of one outer loop over count points (x, y pairs); null when memory runs out.
TkLoopSet* loop_set_from_points(const double* points, int32_t count);
// A set of loop_count loops with the given vertex counts, hole flags cleared, points undefined.
TkLoopSet* loop_set_alloc(int32_t loop_count, const int32_t* counts);
TkLoopSet* loop_set_copy(const TkLoopSet* set);
void loop_set_free(TkLoopSet* set);
int32_t loop_set_count(const TkLoopSet* set);
int32_t loop_set_vertex_count(const TkLoopSet* set, int32_t loop);
const TkClipVertex* loop_set_points(const TkLoopSet* set, int32_t loop);
// The intersection of a and b as a new set in *out; the loop count of it, or -1 (and *out null)
// when memory ran out.
int32_t loop_set_intersect(const TkLoopSet* a, const TkLoopSet* b, TkLoopSet** out);
// The intersection of a and b as triangle strips; the strip count, or -1 when memory ran out.
int32_t loop_set_clip_to_strips(const TkLoopSet* a, const TkLoopSet* b, TkTriStrip* out);
int32_t loop_set_to_strips(const TkLoopSet* set, TkTriStrip* out);
void strips_free(TkTriStrip* strips);
int32_t strips_vertex_count(const TkTriStrip* strips, int32_t strip);
const TkClipVertex* strips_points(const TkTriStrip* strips, int32_t strip);

struct TkBlob;
struct TkDrawing;
struct TkList;
struct TkHandle;
// The outline of a paper-space viewport's clipping entity (a circle, an ellipse, a polyline, a
// lightweight polyline, a spline (through the display's evaluation, when it is installed) or a
// region, solid or body of the list, by handle) as (x, y, z) doubles in a new blob; null when the
// entity is missing or of another kind.
TkBlob* tk_entity_outline(TkDrawing* drawing, TkList* list, const TkHandle* clip);

// 1 when the point lies inside the polygon or within the tolerance of one of its edges.
int16_t polygon_contains_point(const double point[2], int32_t count, const TkClipVertex* points,
                               double tolerance);
// 1 when more outer loops than holes hold the point (an edge counts as inside).
int16_t loop_set_contains_point(double x, double y, const TkLoopSet* set, double tolerance);
