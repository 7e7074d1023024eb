// The DXF writer, text and binary, for every output release from AC1002 to
// AC1015: the two drivers that lay out the file (the older layout before
// AC1012, with CLASSES and OBJECTS from AC1012), the group primitives every DXF
// record goes through, and the name fix-ups that turn the database's handles
// into the names DXF records carry. The records of entities, tables and objects
// are written in the files beside this one. The drawing is only read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "toolkit/core/handle.h"
#include "toolkit/write/writer.h"

struct TkDrawing;
struct TkEntityHeader;
struct TkEntityData;
struct TkBlob;
struct TkHeader;

enum : TkError {
  TK_ERR_HEADER_LAYER = 59,
  TK_ERR_HEADER_LTYPE = 60,
  TK_ERR_HEADER_DIMSTYLE = 61,
  TK_ERR_HEADER_UCS = 62,
  TK_ERR_HEADER_PUCS = 63,
  TK_ERR_HEADER_STYLE = 64,
  TK_ERR_HEADER_DIMTXSTY = 65,
  TK_ERR_RESOLVE_LAYER = 66,
  TK_ERR_RESOLVE_LTYPE = 67,
  TK_ERR_RESOLVE_STYLE = 68,
  TK_ERR_RESOLVE_DIMSTYLE = 69,
  TK_ERR_RESOLVE_APPID = 71,
  TK_ERR_RESOLVE_BLOCK = 75,
  TK_ERR_HEADER_MLSTYLE = 128,
  TK_ERR_WRITE_DICTIONARY = 158,
};

// The number settings of one write.
struct DxfNumbers {
  int16_t negative_zero;
  int16_t decimals;  // 0 to 16
  int16_t z_flag;
  double tolerance;
};

// A record name and its place in its list, found by handle.
struct DxfName {
  std::string name;
  int32_t index;
};

// The state of one DXF write, shared by the record writers.
struct DxfOut {
  TkDrawing* d;
  TkWriter* w;                   // null when writing to memory
  std::vector<uint8_t>* memory;  // borrowed; the bytes go here when set
  int16_t version;               // 0 to 7
  bool binary;
  bool ok;  // false after the first failed write: every later primitive does
            // nothing
  DxfNumbers numbers;
  // Output buffer in front of the file, flushed when full and at the end.
  std::vector<uint8_t> buffer;
  // Handle-to-name tables of the source drawing, built once per write.
  std::unordered_map<uint64_t, DxfName> layers, linetypes, styles, blocks, dimstyles, ucss, appids,
      mlinestyles;
  TkHandle bylayer, byblock, continuous;
  TkHandle model_record, paper_record;
  TkHandle acad_appid;  // the APPID record named ACAD; null when the drawing has none
  TkHandle largest;          // the largest handle of a record the file names, for the seed after it
  TkHandle space_bounds[4];  // BLOCK and ENDBLK of model space, then of paper space
  TkHandle next_expansion;   // handles of the records made while writing
                             // (LWPOLYLINE expansion)
  int16_t handling;          // the output header's HANDLING
  // The block being written (BLOCKS section).
  bool in_blocks;
  std::string block_name;
  int32_t block_index;
  uint8_t block_flags;
  bool block_xref;
  // Entity elevation of the entity being written.
  double elevation;
  uint32_t written_entities, dropped_entities, written_objects, dropped_objects;
  // Scratch records for entities made while writing.
  TkEntityHeader* scratch_header;
  TkEntityData* scratch_data;
};

// The two drivers. They write the whole file through the writer's stream; 1, or
// 0 with the error number set. The writer's file stays open either way (the
// save road commits it).
int16_t dxf_write_drawing_r12(TkDrawing* src, TkWriter* out, uint8_t r12_header_extension,
                              int16_t negative_zero, int16_t decimals, int16_t z_flag);
int16_t dxf_write_drawing(TkDrawing* src, TkWriter* out, int16_t negative_zero, int16_t decimals,
                          int16_t z_flag);
// The same into memory, for the fuzz target and the benchmark: kind
// TK_FILE_TEXT_DXF or TK_FILE_BINARY_DXF, any version 0-7.
int16_t dxf_write_to_memory(TkDrawing* src, uint8_t kind, int16_t version,
                            std::vector<uint8_t>* bytes, int16_t decimals = 16);

// Number settings: decimals of the 6-decimal family and the tolerance that
// follows from it.
void dxf_set_number_format(DxfOut& o, int16_t negative_zero, int16_t decimals, int16_t z_flag);

// Formatting of reals in text files (exposed for tests): the 6-decimal family,
// the 16-decimal family. out holds at least 64 bytes; the result has no line
// end.
void dxf_format_real(const DxfNumbers& numbers, double value, char* out);
void dxf_format_real16(double value, char* out);

// Group primitives. Each returns o.ok after the write.
bool dxf_write_code(DxfOut& o, int16_t code);
bool dxf_write_string_group(DxfOut& o, int16_t code, const char* text);
bool dxf_write_char_group(DxfOut& o, int16_t code, char c);
bool dxf_write_byte_group(DxfOut& o, int16_t code, int8_t value);
bool dxf_write_short_group(DxfOut& o, int16_t code, int16_t value);
bool dxf_write_long_group(DxfOut& o, int16_t code, int32_t value);
bool dxf_write_real_group(DxfOut& o, int16_t code, double value);
bool dxf_write_real16_group(DxfOut& o, int16_t code, double value);
bool dxf_write_angle_group(DxfOut& o, int16_t code, double radians);
bool dxf_write_caret_string_group(DxfOut& o, int16_t code, const char* text);
bool dxf_write_name_group(DxfOut& o, int16_t code, const char* name, int32_t index);
bool dxf_write_handle_group(DxfOut& o, int16_t code, const TkHandle& handle);
// A binary chunk: text files write two hex digits per byte, binary files a
// length byte and the bytes (at most 127 per group: longer data is the caller's
// to split).
bool dxf_write_binary_group(DxfOut& o, int16_t code, const uint8_t* bytes, size_t count);
// A blob's bytes in chunks of at most `chunk` bytes.
bool dxf_write_blob_chunks(DxfOut& o, TkBlob* blob, int16_t code, size_t chunk);

// Point writers: groups c, c+10, c+20.
bool dxf_write_point(DxfOut& o, int16_t code,
                     const double p[3]);  // Z when useful
bool dxf_write_point2(DxfOut& o, int16_t code, const double p[2]);
bool dxf_write_point3(DxfOut& o, int16_t code, const double p[3]);
bool dxf_write_point3_z_opt(DxfOut& o, int16_t code, const double p[3]);
bool dxf_write_point3_16(DxfOut& o, int16_t code, const double p[3]);
bool dxf_write_point2_16(DxfOut& o, int16_t code, const double p[2]);

// Sends what the buffer holds to the stream.
bool dxf_flush(DxfOut& o);

// Name fix-ups: the name of the record a handle names; null when none does.
const DxfName* dxf_name_of(const std::unordered_map<uint64_t, DxfName>& table,
                           const TkHandle& handle);
uint64_t dxf_handle_key(const TkHandle& handle);
// The linetype name of a handle: "ByLayer", "ByBlock" or the record's name.
const char* dxf_ltype_name(DxfOut& o, const TkHandle& handle, int32_t* index);
// A block name as written: anonymous names are renumbered by their list place.
std::string dxf_block_written_name(DxfOut& o, const std::string& name, int32_t index);

// Entity records (dxf_write_entity.cpp): one entity, with LWPOLYLINE expanded
// to POLYLINE before AC1014. 1 written, 0 failed (error set).
int16_t dxf_write_entity_expanded(DxfOut& o, TkEntityHeader* header, TkEntityData* data);
int16_t dxf_write_entity(DxfOut& o, TkEntityHeader* header, TkEntityData* data);
// Whether the writer can hold the entity in this release.
bool dxf_entity_writable(DxfOut& o, const TkEntityHeader& header, const TkEntityData& data);
// Extended data of an entity, table record or object.
bool dxf_write_xdata(DxfOut& o, TkBlob* xdata);

// Kinds without a fixed row (dxf_write_class.cpp): modeler solids, multilines, viewports and
// the class entities other than LWPOLYLINE and HATCH. `xdata_written` is set when the record
// already carried the entity's extended data (a viewport's settings before AC1015).
bool dxf_write_kind_extra(DxfOut& o, TkEntityHeader* header, TkEntityData* data,
                          bool* xdata_written);
// The type name of a class entity: its class's, a proxy's or a zombie's.
const char* dxf_class_entity_name(DxfOut& o, const TkEntityHeader& header,
                                  const TkEntityData& data);
// Whether a class entity other than LWPOLYLINE and HATCH can be written in this release.
bool dxf_class_entity_writable(DxfOut& o, const TkEntityHeader& header);
// Stored class data given back group for group (the DXF reader's form of an entity or object
// of a class it has no record for), after `skip_longs` leading 32-bit words.
bool dxf_write_class_data(DxfOut& o, TkBlob* data, int32_t skip_longs, TkBlob* handles);

// Tables, blocks, classes and objects (dxf_write_table.cpp).
bool dxf_write_tables_section(DxfOut& o);
bool dxf_write_classes_section(DxfOut& o);
bool dxf_write_objects_section(DxfOut& o);
// The HEADER section (dxf_write_header.cpp).
bool dxf_write_header_section(DxfOut& o, const TkHeader* header, bool r12_extension);
