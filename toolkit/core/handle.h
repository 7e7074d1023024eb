// Handles: the 8-byte big-endian names of every object, record and entity of a drawing, with the
// arithmetic, the compact stored form and the hexadecimal text form shared by readers and writers.
// Handing out new handles from a drawing's seed is the drawing's business, not this file's.
#pragma once

#include <cstddef>
#include <cstdint>

struct TkHandle {
  uint8_t bytes[8];  // most significant first
};

// Longest hexadecimal text of one handle, without its terminating zero.
constexpr size_t TK_HANDLE_HEX_MAX = 16;

bool tk_handle_is_null(const TkHandle* handle);
// Bytewise unsigned comparison, which is numeric order: -1, 0 or 1.
int tk_handle_compare(const TkHandle* a, const TkHandle* b);
// Adds 1 with carry; 0 when all 8 bytes overflowed (the handle is then null).
int16_t tk_handle_increment(TkHandle* handle);
// 8 minus the number of leading zero bytes.
int16_t tk_handle_length(const TkHandle* handle);
void tk_handle_or(TkHandle* handle, const TkHandle* other);
void handle_add(const TkHandle* a, const TkHandle* b, TkHandle* result);
void handle_sub(const TkHandle* a, const TkHandle* b, TkHandle* result);

// Two hexadecimal digits per byte, an odd first digit a byte of its own; at most 8 bytes are
// written. Text longer than 16 digits comes only from damaged files: leading zeros beyond 16
// digits are dropped, any other excess refuses the text (count 0). Returns false when refused.
bool tk_hex_to_bytes(const char* text, uint8_t out[8], int16_t* count);
// The bytes of tk_hex_to_bytes right-aligned into the handle; the byte count, 0 when refused
// (the handle is then null).
int16_t tk_handle_from_hex(const char* text, TkHandle* handle);
// Upper-case hexadecimal text without leading zeros ("0" for the null handle); out holds at least
// TK_HANDLE_HEX_MAX + 1 bytes.
void handle_to_hex(const TkHandle* handle, char* out);

// Compact stored form: a length byte n (0..8) and the n significant bytes.
size_t tk_handle_to_compact(const TkHandle* handle, uint8_t out[9]);
// Reads one compact handle from at most size bytes; the bytes used, 0 when the input is short or
// its length byte is above 8 (the handle is then null).
size_t tk_handle_from_compact(const uint8_t* in, size_t size, TkHandle* handle);
