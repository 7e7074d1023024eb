// The bit-stream writer of DWG AC1012 to AC1015: values packed most significant bit first without
// byte alignment, in the format's bit-coded types, into a 16,384-byte buffer that spills to a
// blob when an object outgrows it; the object record around them (size, data-size field, proxy
// graphics, CRC); the modular numbers of the object map. The same writer fills a memory blob
// instead of a file. It writes values; which values make up a section or an object is the
// business of the section and record writers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "toolkit/core/handle.h"

struct TkBlob;

enum : uint16_t {
  TK_BITS_BUFFER_SIZE = 16384,
  TK_BITS_NO_BIT = 256,  // the bit mask while the current byte holds no bit yet
  TK_ERR_FLUSH_OBJECT = 146,
  TK_ERR_WRITE_FILE = 27,
};

struct TkBitWriter {
  uint32_t data_bits;          // set by bits_mark_data_end, stored by bits_end_object
  uint32_t size_field_bit;     // bit of the object data where the data-size field begins
  uint32_t object_start;       // file offset of the current object (or the given offset)
  uint16_t spill_count;        // full buffers of the current object moved to the spill blob
  uint16_t mask;
  uint16_t bytes_left;         // bytes of the buffer not yet begun
  uint8_t* current;
  TkHandle handle_slot;
  TkBlob* spill;               // stored blob, owned while an object is open
  TkBlob* spill_writer;
  uint16_t size_field_mask;
  uint8_t size_field_reserved;  // 1 once bits_begin_object reserved the data-size field
  TkBlob* target;              // stored blob of bits_blob_begin (handed to the caller at the end)
  TkBlob* target_writer;
  int16_t output_version;      // 5 AC1012, 6 AC1014, 7 AC1015: where the data-size field goes
  FILE* out;                   // where bits_end_object writes; borrowed
  // When set, bits_end_object writes through this instead of `out` (the save's error protocol);
  // it gives 1, or 0 with the error number set.
  int16_t (*sink)(void* context, const void* data, size_t n);
  void* sink_context;
  uint8_t buffer[TK_BITS_BUFFER_SIZE];
};

// A writer starts zero-initialised. Set-up and frame. The write operations give 1, or -1 when a full buffer cannot be moved out.
void bits_init(TkBitWriter* w, uint32_t start_offset);
// As bits_init, with the object start taken from the output stream's position.
void bits_start_object(TkBitWriter* w, FILE* out);
// Type, (AC1015) reserved data-size field, own handle, an empty extended-data list, the entity's
// proxy graphics flag and graphics, (AC1012/AC1014) reserved data-size field. The graphics blob,
// when given, is a stored blob: an 8-byte header and primitives that each begin with their own
// 4-byte length.
int16_t bits_begin_object(TkBitWriter* w, FILE* out, uint16_t type, const TkHandle* handle,
                          uint8_t code, TkBlob* graphics, uint8_t is_entity);
// As bits_begin_object, with the extended data of the blob (items as the core stores them; a
// null blob writes the empty list). -1 also when an item cannot be encoded (error 10).
int16_t bits_begin_object_eed(TkBitWriter* w, FILE* out, uint16_t type, const TkHandle* handle,
                              uint8_t code, TkBlob* xdata, TkBlob* graphics, uint8_t is_entity);
// The extended-data list: per application BS size, H application (code 5) and the encoded
// items, ended by BS 0.
int16_t bits_write_eed(TkBitWriter* w, TkBlob* xdata);
void bits_mark_data_end(TkBitWriter* w);
// Writes MS size, the data (with the data-size field filled) and the CRC; 1, or 0 with the error
// number set.
int16_t bits_end_object(TkBitWriter* w);
// Bytes of the current object or section written so far (spilled and buffered).
uint32_t bits_written_bytes(const TkBitWriter* w);
// Writes into a new blob instead of a file: 1, or 0 when the blob cannot be made.
int16_t bits_blob_begin(TkBitWriter* w);
// Hands over the stored blob and its length in bits; null when a buffer could not be moved out.
TkBlob* bits_blob_end(TkBitWriter* w, uint32_t* bit_count);
// Frees what an abandoned object or blob left behind.
void bits_discard(TkBitWriter* w);

// Bit-coded types.
int16_t bits_write_bit(TkBitWriter* w, int bit);
int16_t bits_write_bb(TkBitWriter* w, unsigned code);  // two bits, the high one first
int16_t bits_write_rc(TkBitWriter* w, uint8_t value);
int16_t bits_write_rs(TkBitWriter* w, uint16_t value);
int16_t bits_write_rl(TkBitWriter* w, uint32_t value);
int16_t bits_write_rd(TkBitWriter* w, double value);
int16_t bits_write_bs(TkBitWriter* w, int16_t value);
int16_t bits_write_bl(TkBitWriter* w, int32_t value);
int16_t bits_write_bd(TkBitWriter* w, double value);
int16_t bits_write_2bd(TkBitWriter* w, const double value[2]);
int16_t bits_write_3bd(TkBitWriter* w, const double value[3]);
int16_t bits_write_2rd(TkBitWriter* w, const double value[2]);
int16_t bits_write_dd(TkBitWriter* w, double value, double default_value);
int16_t bits_write_3dd(TkBitWriter* w, const double value[3], const double default_value[3]);
int16_t bits_write_bt(TkBitWriter* w, double thickness);
int16_t bits_write_be(TkBitWriter* w, const double extrusion[3]);
int16_t bits_write_point_zflag(TkBitWriter* w, const double point[3]);
int16_t bits_write_line_points(TkBitWriter* w, const double start[3], const double end[3]);
// BS length (without the terminator) and the characters.
int16_t bits_write_text(TkBitWriter* w, const char* text);
int16_t bits_write_bytes(TkBitWriter* w, const void* data, size_t n);
// Code byte (reference code in the high nibble) ORed with the significant byte count, then the
// significant bytes, most significant first.
int16_t bits_write_handle(TkBitWriter* w, const TkHandle* handle, uint8_t code);
// A 9-byte reference record: handle, then its kind (0 soft owner .. 4 hard owner).
int16_t bits_write_handle_kind(TkBitWriter* w, const uint8_t record[9]);
// The handle as an offset from the base where that is shorter, else absolute with code 4.
int16_t bits_write_handle_ref(TkBitWriter* w, const TkHandle* handle, const TkHandle* base,
                              uint8_t code);

// Object-map numbers into a byte buffer; the byte count. Unsigned takes at most 10 bytes,
// signed at most 6.
size_t modular_char_encode(const TkHandle* value, uint8_t out[10]);
size_t modular_char_encode_signed(int32_t value, uint8_t out[6]);

void handle_swap_bytes(TkHandle* handle);

// The proxy-data form of the DXF reader: each writes through the operation named.
int16_t bits_blob_put_text(TkBitWriter* w, const char* text);
int16_t bits_blob_put_handle(TkBitWriter* w, const TkHandle* handle);
int16_t bits_blob_put_bl(TkBitWriter* w, int32_t value);
int16_t bits_blob_put_bs(TkBitWriter* w, int16_t value);
int16_t bits_blob_put_bd(TkBitWriter* w, double value);
int16_t bits_blob_put_3bd(TkBitWriter* w, const double value[3]);
