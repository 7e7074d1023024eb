// Symbol-table records of the bit-stream releases (AC1012 to AC1015): each table's start collects
// the record handles of its control object, each read follows the next handle into the object
// stream and fills one record. MLINESTYLE objects are read here too, as their layout is a
// table record's. The older releases' halves are dwg_old_*'s.
#pragma once

#include <cstdint>

#include "toolkit/core/handle.h"
#include "toolkit/read/dwg13_file.h"

struct TkViewportEntityHeader;

struct TkDrawing;
struct TkLayerRecord;
struct TkLinetypeRecord;
struct TkTextStyleRecord;
struct TkAppIdRecord;
struct TkUcsRecord;
struct TkViewRecord;
struct TkVportRecord;
struct TkObjectHeader;
union TkObjectData;

// Collects the record handles of the table's control object (the drawing's declared count of
// them; null entries are passed over). 1, or 0 when the control object cannot be read.
int16_t dwg13_table_begin(TkDrawing* drawing, Dwg13Control table);
// The next collected handle; 0 when none is left.
int16_t dwg13_table_next(TkDrawing* drawing, TkHandle* handle);
// Seeks the object of the handle and frames it; 1 when its type is `type`, with the name, the
// flag bits 64 and 16, the external-reference index and the extended-data flag read.
int16_t dwg13_record_start(TkDrawing* drawing, const TkHandle* handle, uint16_t type,
                           char* name, uint8_t* flags, int16_t* xref_index,
                           uint8_t* has_xdata);

int16_t dwg13_begin_layers(TkDrawing* drawing);
int16_t dwg13_begin_linetypes(TkDrawing* drawing);
int16_t dwg13_begin_styles(TkDrawing* drawing);
int16_t dwg13_begin_appids(TkDrawing* drawing);
int16_t dwg13_begin_ucss(TkDrawing* drawing);
int16_t dwg13_begin_views(TkDrawing* drawing);
int16_t dwg13_begin_vports(TkDrawing* drawing);
// The viewport entity headers, which say of each paper-space VIEWPORT whether it is on: begin,
// then one header a read (end word 1 when none is left).
int16_t dwg13_begin_vpent_headers(TkDrawing* drawing);
int16_t dwg13_read_vpent_header(TkDrawing* drawing, TkViewportEntityHeader* record);

int16_t dwg13_read_layer(TkDrawing* drawing, TkLayerRecord* record, uint8_t* has_xdata);
int16_t dwg13_read_linetype(TkDrawing* drawing, TkLinetypeRecord* record, uint8_t* has_xdata);
int16_t dwg13_read_style(TkDrawing* drawing, TkTextStyleRecord* record, uint8_t* has_xdata);
int16_t dwg13_read_appid(TkDrawing* drawing, TkAppIdRecord* record, uint8_t* has_xdata);
int16_t dwg13_read_ucs(TkDrawing* drawing, TkUcsRecord* record, uint8_t* has_xdata);
int16_t dwg13_read_view(TkDrawing* drawing, TkViewRecord* record, uint8_t* has_xdata);
int16_t dwg13_read_vport(TkDrawing* drawing, TkVportRecord* record, uint8_t* has_xdata);
int16_t dwg13_read_mlinestyle(TkDrawing* drawing, TkObjectHeader* object, TkObjectData* data,
                              uint8_t* has_xdata);
