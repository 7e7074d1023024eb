// Chunked in-memory blobs: variable-length byte streams (extended data, vertices, hatch loops,
// proxy data, handle lists) kept as a list of fixed-size chunks behind a small descriptor. A
// caller opens a working copy to write or read through the typed helpers and closes it to write
// the descriptor back. What the bytes mean is up to the caller.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/core/error.h"
#include "toolkit/core/list.h"

struct TkHandle;

enum : TkError {
  TK_ERR_ALLOC_BLOB_BUFFER = 210,
};

enum : uint16_t {
  TK_BLOB_MARKER = 4728,
  TK_BLOB_CHUNK_SIZE = 4096,  // the usual chunk size
};

// The same layout serves as the stored descriptor and as a working copy; the chunk buffer and
// the stored descriptor's address are set only in a working copy.
struct TkBlob {
  uint16_t marker;
  uint8_t* buffer;  // one chunk
  TkList* chunks;   // each record one chunk; the last may be partly used
  TkBlob* stored;   // where the descriptor goes back on close
  int32_t total;    // bytes in the chunk list (writing: flushed bytes only)
  int32_t remaining;
  uint16_t writing;
  int16_t position;  // next byte in the chunk buffer
  int16_t left;      // reading: unread bytes in the chunk buffer
  int16_t chunk_size;
  // Appending: the stored last chunk whose bytes the buffer continues. It stays in the list until
  // its longer copy is stored, so a failing append never loses what the blob held.
  TkLink* reopened;
};

TkBlob* blob_alloc(int16_t chunk_size);
TkBlob* blob_create(TkBlob* stored);
TkBlob* blob_open_append(TkBlob* stored);
TkBlob* blob_open_read(TkBlob* stored);

int16_t blob_write(TkBlob* blob, const void* data, size_t n);
int16_t blob_write_byte(TkBlob* blob, uint8_t value);
int16_t blob_write_short_raw(TkBlob* blob, int16_t value);
int16_t blob_write_long_raw(TkBlob* blob, int32_t value);
int16_t blob_write_double(TkBlob* blob, double value);
int16_t blob_write_point2(TkBlob* blob, const double point[2]);
int16_t blob_write_point3(TkBlob* blob, const double point[3]);
int16_t blob_write_vector3(TkBlob* blob, const double vector[3]);
int16_t blob_write_zeros(TkBlob* blob, size_t n);
// A 2-byte length and the characters without their zero.
int16_t blob_write_string(TkBlob* blob, const char* text);
int16_t blob_put_handle(TkBlob* blob, const TkHandle* handle);
// Store the partly filled chunk and write the descriptor back; 0 when that chunk cannot be
// stored, and then a rewrite keeps the blob's old bytes and an append its bytes before it.
int16_t blob_close_write(TkBlob* blob);
int16_t blob_close_append(TkBlob* blob);

// Reads n bytes; 0 and nothing read when fewer remain.
int16_t blob_read(TkBlob* blob, void* buffer, size_t n);
int16_t blob_read_byte(TkBlob* blob, uint8_t* value);
int16_t blob_read_short_raw(TkBlob* blob, int16_t* value);
int16_t blob_read_long_raw(TkBlob* blob, int32_t* value);
int16_t blob_read_double(TkBlob* blob, double* value);
int16_t blob_read_point2(TkBlob* blob, double point[2]);
int16_t blob_read_point3(TkBlob* blob, double point[3]);
int16_t blob_read_vector3(TkBlob* blob, double vector[3]);
// Clear a target of target_size bytes (2 or more, resp. 4 or more), then read 2 or 4 bytes into
// its start.
int16_t blob_read_short(TkBlob* blob, void* target, size_t target_size);
int16_t blob_read_long(TkBlob* blob, void* target, size_t target_size);
// Reads a stored string into a buffer of capacity bytes and ends it with a zero. A stored length
// that leaves no room for the zero fails (error callback code 5) and reads nothing.
int16_t blob_read_string(TkBlob* blob, char* buffer, size_t capacity);
int16_t blob_get_handle(TkBlob* blob, TkHandle* handle);
int16_t blob_unread_byte(TkBlob* blob, uint8_t byte);
int16_t blob_rewind(TkBlob* blob);
// 0 when the offset lies beyond the stored bytes.
int16_t blob_seek(TkBlob* blob, int32_t offset);
int32_t blob_read_pos(const TkBlob* blob);
int32_t blob_length(const TkBlob* blob);
int32_t blob_stored_size(const TkBlob* stored);
// Overwrites n stored bytes at the offset; 0 when they do not all lie inside the blob.
int16_t blob_overwrite(TkBlob* stored, int32_t offset, const void* data, size_t n);
int16_t blob_close(TkBlob* blob);
int16_t blob_free(TkBlob* stored);
// 1 when, folded to upper case, the name contains one of the blob's zero-terminated strings or
// one of them contains the name.
int16_t blob_find_string(TkBlob* stored, const char* name);
// Replaces the target's bytes by the source's; 0 and the target untouched when that fails.
int16_t blob_copy(TkBlob* target, TkBlob* source);
