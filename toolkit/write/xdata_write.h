// The byte form of extended-data items shared by the DWG and DXF writers: one type byte (group
// code - 1000) and the value in the form the output release and kind take. Items that the byte
// form cannot hold (a string or byte chunk over 255 bytes) or that would overflow the record
// buffer are refused with an error, never cut or written past the buffer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/core/error.h"
#include "toolkit/core/handle.h"
#include "toolkit/core/object.h"

struct TkBlob;
struct TkEntityHeader;
struct TkEntityData;

enum : TkError { TK_ERR_XDATA_WRITE = 10 };

// How items are encoded: the release and whether the output is DXF.
struct TkXdataTarget {
  int16_t version;  // TkVersion
  uint8_t dxf;
  // Pre-R13 DWG: the numbers of the current application and layer; DXF: their names.
  uint16_t app_number;
  uint16_t layer_number;
  const char* app_name;
  const char* layer_name;
};

struct TkXdataBuffer {
  uint8_t* data;     // borrowed
  size_t capacity;   // at most 65,535
  size_t used;
};

void xdata_buffer_reset(TkXdataBuffer* buffer);
// Appends one item; 1, or 0 with error 10 when the item does not fit its form or the buffer
// (the buffer is left as it was before the item).
int16_t xdata_serialize(TkXdataBuffer* buffer, const TkXdataTarget* target,
                        const TkXdataItem* item);

// A viewport's view settings as the extended data that releases before AC1015 carry them
// ("ACAD" of the given APPID, "MVIEW" and its lists), followed by the entity's own items; a new
// blob, or null when one could not be made.
TkBlob* tk_viewport_mview_xdata(const TkHandle& acad, const TkEntityHeader& h,
                                const TkEntityData& data);
