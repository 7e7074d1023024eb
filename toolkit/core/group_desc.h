// Group-code descriptors of the symbol-table and class records: for each record kind, which DXF
// group fills (when reading) or comes from (when writing) which field of the record, and how the
// value is stored. The DXF reader finds a group's row by binary search and the DXF writers walk
// the same rows, so both use this one description. Parsing and writing groups is theirs.
#pragma once

#include <cstddef>
#include <cstdint>

enum TkGroupStore : uint8_t {
  TK_GROUP_BYTE = 0,
  TK_GROUP_INT16 = 1,
  TK_GROUP_DOUBLE = 2,  // the element names the coordinate of a point field (0 x, 1 y, 2 z)
  TK_GROUP_ANGLE = 3,   // held in radians, degrees in DXF
  TK_GROUP_TEXT = 4,    // size is the field's capacity with its zero
  TK_GROUP_HANDLE = 6,
  TK_GROUP_INT32 = 7,
  TK_GROUP_NAME = 9,  // a record name the load turns into that record's handle
};

struct TkGroupDesc {
  int16_t code;
  uint16_t offset;  // of the field in the record
  uint8_t store;    // TkGroupStore
  uint8_t element;
  uint16_t size;  // of the whole field, so a value never runs past it
};

struct TkGroupTable {
  const char* kind;  // the DXF name of the record kind
  const TkGroupDesc* rows;  // ascending by signed group code
  size_t count;
};

// The record kinds in table order: LTYPE, LAYER, STYLE, VIEW, VPORT, APPID, DIMSTYLE, UCS,
// BLOCK, BLOCK_RECORD, MLINESTYLE (the data of a multiline-style object), CLASS.
enum TkGroupKind : int {
  TK_GROUPS_LTYPE,
  TK_GROUPS_LAYER,
  TK_GROUPS_STYLE,
  TK_GROUPS_VIEW,
  TK_GROUPS_VPORT,
  TK_GROUPS_APPID,
  TK_GROUPS_DIMSTYLE,
  TK_GROUPS_UCS,
  TK_GROUPS_BLOCK,
  TK_GROUPS_BLOCK_RECORD,
  TK_GROUPS_MLINESTYLE,
  TK_GROUPS_CLASS,
  TK_GROUP_KIND_COUNT
};

extern const TkGroupTable tk_group_tables[TK_GROUP_KIND_COUNT];

// The row of a group code in a table; null when the record has no field for it.
const TkGroupDesc* tk_group_find(const TkGroupTable* table, int16_t code);
