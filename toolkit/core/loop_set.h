// Loop sets: one or more closed loops of 2D points (device or drawing units) taken together as
// one area by the even-odd rule. The clip boundaries of the display state and the fills of
// display generation are loop sets; combining two of them is the polygon clipper's business.
#pragma once

#include <cstddef>
#include <cstdint>

struct TkLoopSet {
  int32_t loop_count;
  int32_t* counts;  // points per loop
  double* points;   // x, y pairs, the loops one after the other
};

// A set of one loop over count points (x, y pairs); null when memory runs out.
TkLoopSet* loop_set_from_points(const double* points, int32_t count);
// A set with room for the given loops and points, counts and points zeroed.
TkLoopSet* loop_set_alloc(int32_t loop_count, int32_t point_count);
TkLoopSet* loop_set_copy(const TkLoopSet* set);
void loop_set_free(TkLoopSet* set);
int32_t loop_set_count(const TkLoopSet* set);
int32_t loop_set_vertex_count(const TkLoopSet* set);
// 1 when the point lies inside by the even-odd rule or within the tolerance of an edge.
int16_t loop_set_contains_point(const TkLoopSet* set, double x, double y, double tolerance);
