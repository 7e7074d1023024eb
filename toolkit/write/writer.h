// The output context of one save (`TkWriter`) and the one road every byte of a written file
// takes (`out_write`). A save never writes over the file it replaces: the context writes a
// temporary file beside the target and puts it in the target's place only once the whole file
// is written and flushed, so a failed or abandoned save leaves the old file as it was. Which
// bytes make up a file is the business of the format writers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "toolkit/core/error.h"
#include "toolkit/core/handle.h"
#include "toolkit/core/load.h"
#include "toolkit/core/state.h"
#include "toolkit/write/bits_writer.h"

struct TkHeader;

// The release of the output: 0 "AC1002" .. 4 "AC1009" (byte-oriented layouts), 5 "AC1012",
// 6 "AC1014", 7 "AC1015" (bit-stream layouts).
// The codes are the core's version indexes (TK_VERSION_*).
using TkVersion = int16_t;

enum : TkError {
  TK_ERR_DISK_FULL = 27,
  TK_ERR_SAVE_ALLOC = 57,
  TK_ERR_WRITE_HEADER = 58,
  TK_ERR_DROPPED_SHAPE = 95,
  TK_ERR_BLOCK_ENTITY_READ = 145,
  TK_ERR_NO_VPENT_HEADER = 149,
  TK_ERR_OBJECT_MAP_WRITE = 203,
  TK_ERR_INCOMPATIBLE_SAVE = 306,
};

// File kinds are the core's: TK_FILE_DWG, TK_FILE_TEXT_DXF, TK_FILE_BINARY_DXF.

// The ten pre-R13 table-record sizes, in the order the context holds them.
enum : int { TK_OLD_TABLE_COUNT = 10 };

struct TkWriter {
  TkHeader* header;  // owned: the drawing's header variables as written
  uint8_t file_kind;
  TkVersion output_version;
  uint8_t dxf;
  FILE* file;            // the temporary file being written; null once closed
  uint8_t file_closed;   // the application had the stream closed after a failed write
  char target[TK_PATH_MAX];
  char temp[TK_PATH_MAX + 32];
  uint8_t* work;         // owned, work_size bytes
  uint16_t work_size;
  int16_t bylayer_number;
  int16_t byblock_number;
  uint16_t old_table_sizes[TK_OLD_TABLE_COUNT];
  TkBitWriter bits;
  TkHandle handle_slot;
  TkHandle next_expansion;  // next handle for records made while writing (LWPOLYLINE vertices)
  // What a save could not write: entities the release cannot hold.
  uint32_t dropped_entities;
  uint32_t written_entities;
  uint32_t written_objects;
  uint32_t dropped_objects;
  // VIEWPORTs the older layouts' chain of viewport entity headers could not link.
  uint32_t unlinked_viewports;
};

// The application's answer to a failed write (code 3) and its hearing that the file was closed
// after it (code 4): 2 gives up, 0 closes the file, anything else tries the write again. Without
// one the first failure gives up.
using TkWriteErrorFn = int16_t (*)(int16_t code);
void tk_set_write_error_callback(TkWriteErrorFn fn);
// Told of what a save leaves out (95 for a dropped SHAPE, 0 for any other entity the release
// cannot hold), with the entity's handle.
using TkWarningFn = void (*)(int16_t number, const TkHandle* handle);
void tk_set_warning_callback(TkWarningFn fn);
void tk_warn(int16_t number, const TkHandle* handle);

// A new context writing a temporary file beside path; null with error 1 (no memory), 3 (the
// target is read-only or the temporary file cannot be made) or 12 (no work buffer).
TkWriter* writer_open(const char* path, TkVersion version, uint8_t kind);
// Stores the release; writes its version string into the header (ACADVER) and, for releases
// before R13, the old table-record sizes.
void writer_set_version(TkWriter* writer, TkVersion version, TkHeader* header);
// Flushes and closes the temporary file and puts it in the target's place; 1, or 0 with error
// 27 (the file could not be completed) or 3 (it could not replace the target), the temporary
// file removed and the target untouched. The context is freed either way.
int16_t writer_commit(TkWriter* writer);
// Closes and removes the temporary file and frees the context. Null is allowed.
void writer_abandon(TkWriter* writer);

// count bytes to the writer's file; 1, or 0 with error 27 after the application's answer.
int16_t out_write(TkWriter* writer, const void* data, size_t count);
int16_t out_write_rd(TkWriter* writer, double value);
int16_t out_write_rl(TkWriter* writer, int32_t value);
int16_t out_write_rs(TkWriter* writer, uint16_t value);
// Position in the output, and going back to patch what is known only at the end.
uint32_t out_tell(TkWriter* writer);
int16_t out_seek(TkWriter* writer, uint32_t offset);
