// The entity operations of the reader of DWG files of AC1002 to AC1009: beginning the walk of
// the entity section or of one block's entities, and reading the next entity record.
#pragma once

#include <cstdint>

struct TkDrawing;
struct TkEntityHeader;
struct TkEntityData;

// The entity section (model and paper space).
int16_t dwg_old_begin_entities(TkDrawing* drawing);
// The entities of the drawing's reading block, from where its BLOCK table record said.
int16_t dwg_old_begin_block_entities(TkDrawing* drawing);
// The next entity not marked erased; 0 at the end of the walk, at a kind the release does not
// have, or at a damaged record (then with an error number).
int16_t dwg_old_read_entity(TkDrawing* drawing, TkEntityHeader* header, TkEntityData* data,
                            uint8_t* has_xdata);
