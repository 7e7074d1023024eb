// The DXF reader operations that fill the DXF reader set (text and binary DXF), and the few the
// database completion may call directly. Each takes the drawing first and answers 1 or 0 as the
// set's slots do; the engines they share are in dxf_reader.h.
#pragma once

#include <cstdint>

#include "toolkit/core/reader_ops.h"
#include "toolkit/read/dxf_reader.h"

// Open and seeks.
int16_t dxf_read_sections(TkDrawing* drawing);
int16_t dxf_rewind_vports(TkDrawing* drawing);
int16_t dxf_rewind_views(TkDrawing* drawing);
int16_t dxf_rewind_ucs(TkDrawing* drawing);
int16_t dxf_rewind_styles(TkDrawing* drawing);
int16_t dxf_rewind_appids(TkDrawing* drawing);
int16_t dxf_rewind_ltypes(TkDrawing* drawing);
int16_t dxf_rewind_layers(TkDrawing* drawing);
int16_t dxf_rewind_dimstyles(TkDrawing* drawing);
int16_t dxf_seek_block_records(TkDrawing* drawing);
int16_t dxf_seek_classes(TkDrawing* drawing);
int16_t dxf_rewind_objects(TkDrawing* drawing);
int16_t dxf_rewind_entities(TkDrawing* drawing);
int16_t dxf_begin_blocks(TkDrawing* drawing);
int16_t dxf_begin_block_entities(TkDrawing* drawing);
int16_t dxf_begin_viewport_entities(TkDrawing* drawing);

// Symbol tables and blocks.
int16_t dxf_read_ltype(TkDrawing* drawing, TkLinetypeRecord* record, uint8_t* has_xdata);
int16_t dxf_read_layer(TkDrawing* drawing, TkLayerRecord* record, uint8_t* has_xdata);
int16_t dxf_read_style(TkDrawing* drawing, TkTextStyleRecord* record, uint8_t* has_xdata);
int16_t dxf_read_view(TkDrawing* drawing, TkViewRecord* record, uint8_t* has_xdata);
int16_t dxf_read_vport(TkDrawing* drawing, TkVportRecord* record, uint8_t* has_xdata);
int16_t dxf_read_ucs(TkDrawing* drawing, TkUcsRecord* record, uint8_t* has_xdata);
int16_t dxf_read_appid(TkDrawing* drawing, TkAppIdRecord* record, uint8_t* has_xdata);
int16_t dxf_read_dimstyle(TkDrawing* drawing, TkDimStyleRecord* record, uint8_t* has_xdata);
int16_t dxf_read_block_header(TkDrawing* drawing, TkBlockRecord* record, uint8_t* has_xdata);
int16_t dxf_read_block_record(TkDrawing* drawing, TkBlockRecord* record);

// Classes and objects.
int16_t dxf_read_class(TkDrawing* drawing, TkClassRecord* record);
int16_t dxf_object_kind(TkDrawing* drawing);
int16_t dxf_read_dictionary(TkDrawing* drawing, TkObjectHeader* object, TkObjectData* data,
                            uint8_t* has_xdata);
int16_t dxf_read_group_object(TkDrawing* drawing, TkObjectHeader* object, TkObjectData* data,
                              uint8_t* has_xdata);
int16_t dxf_read_mline_style(TkDrawing* drawing, TkObjectHeader* object, TkObjectData* data,
                             uint8_t* has_xdata);
int16_t dxf_read_plotsettings(TkDrawing* drawing, TkObjectHeader* object, TkObjectData* data,
                              uint8_t* has_xdata);
int16_t dxf_read_object(TkDrawing* drawing, TkObjectHeader* object, TkObjectData* data,
                        uint8_t* has_xdata);
// With the current group the opening 102 of an object's reactors: its 330 handles up to the
// closing 102 into the header's reactor list.
int16_t dxf_read_object_reactors(TkDrawing* drawing, TkObjectHeader* object);
// Plot-settings groups from the next group on up to a group 0 or 100, which is read again.
int16_t dxf_read_plotsettings_fields(TkDrawing* drawing, TkPlotSettings* plot,
                                     uint8_t* has_xdata);

// Entities.
int16_t dxf_read_entity(TkDrawing* drawing, TkEntityHeader* header, TkEntityData* data,
                        uint8_t* has_xdata);
int16_t dxf_read_viewport_entity(TkDrawing* drawing, TkViewportEntityHeader* record);
