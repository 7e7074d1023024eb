// The outline of a REGION, 3DSOLID or BODY entity as one point list: the polylines the SAT reader
// draws of its SAT text, joined end to end where they meet. Used where an entity serves as a
// viewport's clipping boundary.
#pragma once

#include <cstdint>

struct TkBlob;
struct TkEntityData;

// Writes the outline's points (x, y, z doubles) to an open blob. 0 when the entity has no SAT
// text or a point cannot be written; a text that draws nothing writes nothing.
int16_t tk_solid_outline(const TkEntityData* data, TkBlob* out, int32_t points_per_span);
