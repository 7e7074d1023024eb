// The table operations of the reader of DWG files of AC1002 to AC1009: one start that positions
// on a table's records, one read per table, the block headers and the viewport-entity headers.
#pragma once

#include <cstdint>

struct TkDrawing;
struct TkLayerRecord;
struct TkTextStyleRecord;
struct TkLinetypeRecord;
struct TkViewRecord;
struct TkUcsRecord;
struct TkVportRecord;
struct TkAppIdRecord;
struct TkDimStyleRecord;
struct TkBlockRecord;
struct TkViewportEntityHeader;

// Positions on the table's first record (DwgOldTable); 1, also for an empty table.
int16_t dwg_old_begin_table(TkDrawing* drawing, int table);

// One record each; 1 also for a record the file marks deleted (the state's skipped flag is then
// set and the record holds nothing), 0 when the table is exhausted or the record is damaged.
int16_t dwg_old_read_layer(TkDrawing* drawing, TkLayerRecord* record, uint8_t* has_xdata);
int16_t dwg_old_read_style(TkDrawing* drawing, TkTextStyleRecord* record, uint8_t* has_xdata);
int16_t dwg_old_read_linetype(TkDrawing* drawing, TkLinetypeRecord* record, uint8_t* has_xdata);
int16_t dwg_old_read_view(TkDrawing* drawing, TkViewRecord* record, uint8_t* has_xdata);
int16_t dwg_old_read_ucs(TkDrawing* drawing, TkUcsRecord* record, uint8_t* has_xdata);
int16_t dwg_old_read_vport(TkDrawing* drawing, TkVportRecord* record, uint8_t* has_xdata);
int16_t dwg_old_read_appid(TkDrawing* drawing, TkAppIdRecord* record, uint8_t* has_xdata);
int16_t dwg_old_read_dimstyle(TkDrawing* drawing, TkDimStyleRecord* record, uint8_t* has_xdata);
// The block record keeps in its flag word where its entities start in the block-entity section.
int16_t dwg_old_read_block_header(TkDrawing* drawing, TkBlockRecord* record, uint8_t* has_xdata);

// Walks the chain of viewport-entity headers from the drawing's first one, keeping the file
// positions of their VIEWPORT entities (at most 16); the next read is the first.
int16_t dwg_old_begin_vpent_headers(TkDrawing* drawing);
// One header in table order; its words[0] holds the VIEWPORT entity's file position.
int16_t dwg_old_read_vpent_header(TkDrawing* drawing, TkViewportEntityHeader* record);
