// Entities of the bit-stream releases (AC1012 to AC1015): the walk along the chains of entity
// handles (paper space, model space, one block at a time, complex entities with their
// sub-entities), the data every entity shares, and the type-specific bodies. The frame is
// dwg13_object's; storing the entities is the core's.
#pragma once

#include <cstdint>

struct TkDrawing;
struct TkEntityHeader;
struct TkEntityData;
struct TkBlob;
struct TkBitReader;

enum : int32_t {
  TK_ERR_BAD_ENTITY = 199,
};

// Reader operation 8: the next entity of the walk; 0 at its end (an error number only when the
// chain is broken).
int16_t dwg_read_entity(TkDrawing* drawing, TkEntityHeader* header, TkEntityData* data,
                        uint8_t* has_xdata);
int16_t dwg_read_entity_body(TkDrawing* drawing, TkEntityHeader* header, TkEntityData* data,
                             uint8_t* has_xdata);
// Reader operation 25: the walk of paper space, then model space.
int16_t dwg_rewind(TkDrawing* drawing);
// Reader operation 21: the walk of the block the core is loading (drawing->reading_block).
int16_t dwg_begin_block_entities(TkDrawing* drawing);

// The handles every body ends with: owner, reactors, extension dictionary, chain neighbours,
// layer, linetype and (AC1015) plot style. 0 when memory runs out.
int16_t dwg_read_entity_common(TkDrawing* drawing, TkEntityHeader* header);

// Shared field readers: the AC1012/AC1014 extrusion (3BD, a bare z axis made a unit vector),
// the AC1015 extrusion (BE) and thickness (BT).
void dwg_read_extrusion13(TkBitReader* r, double out[3]);
void dwg_read_extrusion(TkBitReader* r, double out[3]);
double dwg_read_thickness(TkBitReader* r);

// The body of the DWG type code (fixed types 1-47, or a class number) into header and data,
// its common and own trailing handles included. 0 when memory runs out.
int16_t dwg13_read_entity_fields(TkDrawing* drawing, uint16_t code, TkEntityHeader* header,
                                 TkEntityData* data);
int16_t dwg13_read_class_entity(TkDrawing* drawing, uint16_t code, TkEntityHeader* header,
                                TkEntityData* data);

// The entity kind of a fixed DWG type code (0 for codes without one).
uint16_t dwg13_kind_of_code(uint16_t code);
