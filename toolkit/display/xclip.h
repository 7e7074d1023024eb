// Spatial filters (clipped block insertions): the boundary a SPATIAL_FILTER object describes,
// pushing and popping it on a display state's clip stacks, and drawing it as a frame. It lives
// with display generation because the frame goes down the segment pipeline.
#pragma once

#include <cstdint>
#include <vector>

#include "toolkit/display/regen.h"

// The boundary of a stored filter record in block coordinates: (x, y, z) per point. Empty when the
// record is not the stored form or holds fewer than two points.
std::vector<double> vport_build_boundary(const uint8_t* record, size_t size);
// Draws the closed boundary (x, y, z per point) in colour 7 without linetype.
void vport_draw_border(TkDrawing* drawing, const std::vector<double>& boundary,
                       TkConstViewMatrices matrices);
// Pushes the filter that drawing holder keeps under the handle, seen through the insertion
// matrix. With the null value its boundary is built and pushed as a polygon node (and framed when
// XCLIPFRAME is on); any other value pushes the filter node alone, for a reference drawing to
// build it later. 0 when the filter is missing or its clipping is off (nothing pushed), or when
// memory ran out.
int16_t tk_clip_push_xclip(TkDrawing* drawing, TkDisplayState* state, TkDrawing* holder,
                           const TkHandle* filter, const TkHandle* value, const double matrix[16]);
// Pops the top filter node and the polygon node it pushed.
void tk_clip_pop_xclip(TkDisplayState* state);
