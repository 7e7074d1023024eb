// Group-code layout of the entity kinds: which DXF group fills (reading) or comes from
// (writing) which byte place of the kind-specific data record, and how the value is stored.
// The DXF entity reader and writers both walk these rows, so the byte places live here once.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/core/group_desc.h"

// Beside the stores of group_desc.h: the variable-length string that the stored entity keeps
// behind its fixed part.
constexpr uint8_t TK_GROUP_TAIL_TEXT = 5;

struct TkEntityLayout {
  uint16_t kind;
  const TkGroupDesc* rows;  // in writing order; a code may stand more than once
  size_t count;
};

// The layout of a kind 1 to 32; null for kinds without one (REGION, ENDBLK, SEQEND, 18,
// 3DSOLID and every other).
const TkEntityLayout* tk_entity_layout(uint16_t kind);
// The first row of the code in the kind's layout; null when there is none.
const TkGroupDesc* tk_entity_group_find(uint16_t kind, int16_t code);
