// Reading an object's stored class data back field by field: the bit-coded data a DWG file
// gives a class-registered object (or the DXF reader re-encodes for a proxy), kept in a blob,
// read through the shared bit-stream reader. The writers use it to give such objects back; what
// the fields mean is theirs to know.
#pragma once

#include <cstdint>

#include "toolkit/core/handle.h"

struct TkBitReader;
struct TkBlob;

// Longest text a proxy-data field gives, without its zero.
constexpr uint16_t TK_PROXY_TEXT_MAX = 65000;

// Points the reader at the blob's data from its start; 0 for a null blob (error 162), and then
// every read gives zeros.
int16_t xd_open_proxy_data(TkBitReader* reader, TkBlob* blob);
// Lets go of the blob.
void xd_close_proxy_data(TkBitReader* reader);

// One value each (TV, H, BL, BS, BD, 3BD). Reads past the data give zeros; the reader's past_end
// tells damage from data. A text longer than the capacity (at most TK_PROXY_TEXT_MAX + 1) is
// refused: nothing read, an empty text and 0.
int16_t xd_read_text(TkBitReader* reader, char* out, uint16_t capacity);
int16_t xd_read_handle(TkBitReader* reader, TkHandle* out);
int16_t xd_read_long(TkBitReader* reader, int32_t* out);
int16_t xd_read_short(TkBitReader* reader, int16_t* out);
int16_t xd_read_double(TkBitReader* reader, double* out);
int16_t xd_read_point(TkBitReader* reader, double out[3]);
