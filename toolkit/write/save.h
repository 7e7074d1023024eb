// The one entry to saving a drawing: the target release is checked against the drawing, the
// output context is made and filled, and the writer of the kind and release writes the file,
// which replaces the target only when complete. Also the small database services the writers
// share: progress, which entities a release can hold, handle arithmetic.
#pragma once

#include <cstdint>

#include "toolkit/core/handle.h"
#include "toolkit/write/writer.h"

struct TkDrawing;
struct TkEntityHeader;
struct TkEntityData;

// What one save wrote and left out, for the caller to report.
struct TkSaveReport {
  uint32_t entities_written;
  uint32_t entities_dropped;
  uint32_t objects_written;
  uint32_t objects_dropped;
  uint32_t viewports_unlinked;
};

// kind: TK_FILE_DWG, TK_FILE_TEXT_DXF or TK_FILE_BINARY_DXF; version: TkVersion 0-7. The four
// DXF settings (negative zero, decimals, Z values, R12 header extension) go to the DXF writers.
// 1 saved; 0 with the error number set (306: a drawing read from a release before R2000 is not
// saved as R2000; 2: no writer for that kind and release in this build).
int16_t tk_save_drawing(TkDrawing* drawing, const char* path, uint8_t kind, TkVersion version,
                        int16_t negative_zero, int16_t decimals, int16_t z_values,
                        int16_t r12_extension);
// The counts of the last save.
const TkSaveReport* tk_last_save_report();

// Calls the application's progress callback with the percentage capped at 100.
void tk_report_progress(TkDrawing* drawing, int16_t percent);
// 1 when the entity may be written in the output version.
int16_t tk_entity_kind_writable(const TkEntityHeader* header, const TkEntityData* data,
                                TkDrawing* drawing, TkVersion version);
// Adds a 32-bit number to an 8-byte big-endian handle.
void tk_handle_add_int(TkHandle* handle, uint32_t value);
