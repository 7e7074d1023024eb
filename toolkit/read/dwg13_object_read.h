// Classes, block records, dimension styles and the non-graphical objects of the bit-stream
// releases (AC1012 to AC1015), as reader operations, and the list of objects still to read after
// the tables and entities. The frame is dwg13_object's.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/core/error.h"
#include "toolkit/core/handle.h"

enum : TkError {
  TK_ERR_BAD_OBJECT = 201,  // a class object whose stream lies about its counts or sizes
};

struct TkDrawing;
struct TkBlockRecord;
struct TkClassRecord;
struct TkDimStyleRecord;
struct TkObjectHeader;
union TkObjectData;
struct Dwg13BlockRange;

int16_t dwg_seek_classes(TkDrawing* drawing);                             // operation 23
int16_t dwg_read_class(TkDrawing* drawing, TkClassRecord* record);        // operation 6
int16_t dwg_seek_block_records(TkDrawing* drawing);                       // operation 22
int16_t dwg_read_block_record(TkDrawing* drawing, TkBlockRecord* record,  // operation 4
                              uint8_t* has_xdata);
int16_t dwg_begin_dimstyles(TkDrawing* drawing);                          // operation 24
int16_t dwg_read_dimstyle(TkDrawing* drawing, TkDimStyleRecord* record,   // operation 7
                          uint8_t* has_xdata);
int16_t dwg_read_dictionary(TkDrawing* drawing, TkObjectHeader* object,   // operation 2
                            TkObjectData* data, uint8_t* has_xdata);
int16_t dwg_read_group(TkDrawing* drawing, TkObjectHeader* object,        // operation 9
                       TkObjectData* data, uint8_t* has_xdata);
int16_t dwg_read_class_object(TkDrawing* drawing, TkObjectHeader* object, // operation 3
                              TkObjectData* data, uint8_t* has_xdata);
int16_t dwg_read_mlinestyle_object(TkDrawing* drawing, TkObjectHeader* object,  // operation 13
                                   TkObjectData* data, uint8_t* has_xdata);
// The objects walk gives the plot-settings kind for objects of the PLOTSETTINGS class.
int16_t dwg_read_plotsettings(TkDrawing* drawing, TkObjectHeader* object,  // operation 14
                              TkObjectData* data, uint8_t* has_xdata);
int16_t dwg13_begin_objects(TkDrawing* drawing);                          // operation 29
int16_t dwg13_next_object_kind(TkDrawing* drawing);                       // operation 1

// A BLOCK_HEADER object at the file's current position into the record and the range of its
// entities (which the entity walk of the block follows). 1, or 0 for another type or no memory.
int16_t dwg_read_block_header(TkDrawing* drawing, TkBlockRecord* record, Dwg13BlockRange* range);
// The ranges of model space and paper space from their block records (read once).
int16_t dwg13_read_space_ranges(TkDrawing* drawing);

// Arrowhead block names an AC1012/AC1014 dimension style named without the drawing having the
// block: the style, the DXF group (5, 6 or 7) and the name, for the display to build the blocks.
struct Dwg13ArrowName {
  TkHandle dimstyle;
  int16_t group;
  char name[1024];
};
// The i-th queued name; 0 past the last.
int16_t dwg13_arrow_name(TkDrawing* drawing, size_t index, Dwg13ArrowName* out);
