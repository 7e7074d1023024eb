// The DXF reader's own state and the operations its files share: the group reader (text and
// binary), the per-drawing record of section positions the open scan found, the extended-data
// collector and the record engine that the table, class and object readers drive. The reader
// operations of the set are declared in dxf_readers.h; nothing here is for the database core.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "toolkit/core/drawing.h"
#include "toolkit/core/error.h"
#include "toolkit/core/group_desc.h"
#include "toolkit/core/handle.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/load.h"
#include "toolkit/core/mem.h"

struct TkBlob;
struct TkBitWriter;

enum : TkError {
  TK_ERR_DXF_TEMP_LIST = 14,
  TK_ERR_DXF_HEADER = 31,
  TK_ERR_DXF_ENTITY = 32,
  TK_ERR_DXF_TABLE = 33,
  TK_ERR_DXF_BLOCK = 34,
  TK_ERR_DXF_OBJECT = 35,
  TK_ERR_DXF_HEADER_EOF = 155,
  TK_ERR_DXF_LINE_TOO_LONG = 298,
  TK_ERR_DXF_NOT_NUMERIC = 299,
};

enum : size_t {
  DXF_TEXT_CAPACITY = 65535,   // the group text buffer, its zero included
  DXF_MAX_LINE = 2050,         // longest line a text file may hold
  DXF_XDATA_CAPACITY = 32768,  // extended data collected for one record
  DXF_HEADER_NAME_AREA = 96,   // a header variable name longer than this area is unknown
  DXF_MADE_CLASSES_MAX = 256,  // classes made for entity names the file does not define
};

// The last group read. A value slot keeps its old content when a group of another type comes;
// in text files the text always holds the value line as well.
struct TkDxfGroup {
  uint16_t code;
  double real;
  int16_t i16;
  int32_t i32;
  TkHandle handle;
  int16_t chunk_length;  // binary group 1004
  size_t length;         // bytes in text (binary 1004: the chunk length)
  char* text;            // DXF_TEXT_CAPACITY bytes, owned by the state
};

// A growable list of 4-byte file positions.
struct DxfPositions {
  uint32_t* items;
  uint32_t count;
  uint32_t capacity;
  uint32_t next;  // reading cursor
};

// Table kinds of the section scan, in the order of their names.
enum DxfTable : int {
  DXF_LTYPE,
  DXF_LAYER,
  DXF_STYLE,
  DXF_VIEW,
  DXF_VPORT,
  DXF_APPID,
  DXF_DIMSTYLE,
  DXF_UCS,
  DXF_BLOCK_RECORD,
  DXF_TABLE_KINDS
};

// Header variables whose values name records; kept as text until the tables are loaded.
constexpr size_t DXF_PENDING_HEADER_NAMES = 12;
constexpr size_t DXF_NAME_SIZE = 512;

struct DxfState {
  TkDrawing* drawing;  // borrowed
  uint32_t file_length;
  TkDxfGroup group;
  char text[DXF_TEXT_CAPACITY + 1];

  // What the section scan found.
  uint32_t tables_present;
  TkHandle table_handles[DXF_TABLE_KINDS];
  uint32_t first_record[DXF_TABLE_KINDS];
  int32_t record_count[DXF_TABLE_KINDS];
  uint32_t entities_start;
  uint32_t entities_end;
  uint32_t blocks_start;
  uint32_t objects_start;
  uint32_t classes_position;
  uint32_t mlinestyle_position;
  int32_t mlinestyle_count;
  DxfPositions blocks;     // BLOCK groups of the BLOCKS section
  DxfPositions viewports;  // VIEWPORT entities of the ENTITIES section
  uint8_t seen_tables;
  uint8_t unknown_version;
  // Set while a scan passes over records: groups keep their codes, numbers and handles are not
  // converted, and a binary file's strings are read into the text only for groups of code 0.
  uint8_t names_only;
  uint32_t classes_made;  // for entity names the file does not define

  // Progress of the scan.
  int16_t percent;
  uint16_t groups_since_check;
  uint32_t next_threshold;
  uint32_t step;

  // Block entities: the names of the block headers read, in a pool, with their positions.
  char* block_names;
  size_t block_names_used;
  size_t block_names_capacity;
  uint32_t* block_name_at;  // pool offset per entry of `blocks` read by the block-header reader
  uint32_t block_headers_read;
  uint32_t block_cursor;
  uint8_t in_block;
  uint8_t block_begun;  // the block's own BLOCK entity has been read
  uint32_t block_offset;

  char pending_names[DXF_PENDING_HEADER_NAMES][DXF_NAME_SIZE];
  int16_t pending_celtype_code;
  char pending_layer_linetype[DXF_NAME_SIZE];
  // The arrow names (groups 5, 6, 7) of the DIMSTYLE record being read that named no block.
  char pending_arrows[3][DXF_NAME_SIZE];

  // The bit writer of proxy entities' data, made at the first one.
  TkBitWriter* proxy_writer;

  // Extended data of the record being read, in the stored item form.
  uint8_t xdata[DXF_XDATA_CAPACITY];
  size_t xdata_length;
  uint8_t xdata_overflow;
};

// The state of a DXF drawing; null when the open has not created it.
DxfState* dxf_state(TkDrawing* drawing);
// Creates the state of a drawing (freed with the drawing); null when memory runs out.
DxfState* dxf_state_create(TkDrawing* drawing);

// ---- Group reader ----

// Reads the next group, comment groups passed over; 1 read, 0 at the end of the file (no error
// number) or for a damaged line (298, 299).
int16_t dxf_read_group(DxfState* s);
// Passes over up to `limit` groups before the next group of code 0 (or comment, or binary data)
// where they lie whole in the current block of a binary file of AC1012 or later, reading none of
// their values; the number passed over. Anything else is left to dxf_read_group (0).
uint32_t dxf_skip_groups(DxfState* s, uint32_t limit);
// Text layout: one line into the text buffer, cut at its first control character.
int16_t dxf_read_line(DxfState* s);
// Binary layout values; short reads give zeros above the bytes read.
double dxf_read_double(DxfState* s);
int32_t dxf_read_long(DxfState* s);
int16_t dxf_read_short(DxfState* s);
// True when the text of the current group equals the literal. Most texts asked about are the
// names of records that differ from the one asked for in their first letter: that letter is
// compared before the library is called.
inline bool dxf_text_is(const DxfState* s, const char* literal) {
  return s->text[0] == literal[0] && std::strcmp(s->text, literal) == 0;
}
// The file's position and seeking, for the readers that put a group back.
inline uint32_t dxf_tell(const DxfState* s) { return file_tell(s->drawing->file); }
void dxf_seek(DxfState* s, uint32_t position);
inline bool dxf_at_end(const DxfState* s) { return file_eof(s->drawing->file) != 0; }
// A decimal number's value as the C library reads it, quickly for the usual forms.
double dxf_parse_double(const char* text);
long dxf_parse_long(const char* text);

// ---- Positions ----

int16_t dxf_positions_add(DxfPositions* list, uint32_t position);
void dxf_positions_free(DxfPositions* list);

// ---- Extended data and records ----

void dxf_xdata_reset(DxfState* s);
// Stores the current group (code 1000 and above) as an extended-data item; 0 for a code without
// an item form or when the record's collector is full (the item is then dropped).
int16_t dxf_read_xdata_group(DxfState* s);
// The collected items as a new blob; null when there are none or memory ran out.
TkBlob* dxf_xdata_blob(DxfState* s);
// Reads groups, passing those of code 1000 and above to the collector, until one below 1000;
// the position of that group is given back. 0 when a read fails.
int16_t dxf_read_group_xdata(DxfState* s, uint8_t* has_xdata, uint32_t* position);
// A point whose x is the current group: y and z from the groups that follow with the x's code
// plus 10 and plus 20; a coordinate missing is 0 and the group in its place is put back.
// 0 when a read fails.
int16_t dxf_read_point(DxfState* s, double point[3]);
// Reads "{ACAD_REACTORS" handles up to the closing 102 group into a new blob.
int16_t dxf_read_reactors(DxfState* s, uint32_t* count, TkBlob** reactors);
// Stores the current group into a record through a descriptor table; nothing when it has no row.
void dxf_record_group(DxfState* s, const TkGroupTable* table, void* record);
// Reads groups into the record through its kind's table up to the next group 0, finding the
// record's opening group (named `kind`) first. 1 when a record was read, 0 at ENDSEC or when a
// group cannot be read.
int16_t dxf_read_table_record(DxfState* s, const TkGroupTable* table, void* record,
                              uint8_t* has_xdata, uint32_t* reactor_count, TkBlob** reactors,
                              TkHandle* owner);
// A run of 310 groups as bytes in a new blob; the file is left at the first other group.
int16_t dxf_read_preview(DxfState* s, TkBlob** out, uint32_t* bytes);
// A date of days and their fraction as whole days and the milliseconds of the rest of the day,
// both truncated toward zero.
TkDate dxf_date(double value);
// Hexadecimal text to bytes (two digits a byte; a stray last digit is dropped); the count.
size_t dxf_hex_to_bytes(const char* text, uint8_t* out, size_t capacity);
// A blob for about `bytes` bytes: small lists take one small chunk instead of a whole one.
TkBlob* dxf_blob_for(size_t bytes);
// Copies a text into a field of `size` bytes, cut and zero-terminated.
void dxf_copy_text(char* field, size_t size, const char* text);
