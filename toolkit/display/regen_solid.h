// Solids, regions and bodies in display generation: their SAT text goes to the SAT reader, and
// the wires it draws come back as lines through the entity's transforms and linetype.
#pragma once

#include <cstdint>

#include "toolkit/core/display_block.h"

struct TkEntityData;

// The default of display slot 33: draws the entity's SAT text as wires. Always 1: a text that
// cannot be read draws nothing and the drawing goes on.
int16_t regen_solid_wires(TkModelerRecord* record, uint8_t* reply);

// Hands one REGION, 3DSOLID or BODY to display slot 33 (or its default). An entity without SAT
// text draws nothing.
int16_t regen_solid_entity(TkDrawing* drawing, TkEntityData* data, const double transform[16],
                           const double (*viewports)[16], const TkLinetypeRecord* linetype,
                           TkDrawing* linetype_drawing, int32_t points_per_span);
