// The bit-stream reader of DWG AC1012 to AC1015: one value per call, in the format's bit codes,
// from a window of bytes that holds one object (paged for large objects), the header or classes
// section, or refills from an in-memory blob. It decodes values; which values a section or an
// object holds is the business of the section and object readers.
//
// Bad input never reads outside the window: a read that runs beyond what its source holds gets
// zero bits and sets `past_end`, so a reader can tell damage from data once its fields are read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/core/handle.h"

struct TkBlob;
struct TkFile;

enum : uint32_t {
  // One page of an object with its CRC, the largest first window (15-bit size plus a page, plus
  // the CRC), or a blob refill all fit.
  TK_BITS_WINDOW_SIZE = 65537,
  TK_BITS_PAGE = 32768,
  TK_BITS_BLOB_REFILL = 65504,
};

enum : int16_t {
  TK_BITS_FRESH_BYTE = 256,  // mask while no bit of the current byte has been read
};

// Reference kinds of bits_read_handle_ref.
enum : uint8_t {
  TK_REF_SOFT_OWNER = 0,
  TK_REF_SOFT_POINTER = 1,
  TK_REF_HARD_POINTER = 2,
  TK_REF_KIND_3 = 3,
  TK_REF_HARD_OWNER = 4,
};

struct TkBitReader {
  uint16_t linetype_flags;    // AC1015: 2-bit linetype code of the entity being read
  uint16_t plotstyle_flags;   // AC1015: 2-bit plot-style code of the entity being read
  int32_t object_start;       // file position of the object's size word
  int32_t data_start;         // file position of its first data byte
  int16_t page_count;
  int16_t page_index;
  int16_t mask;               // bit read last; TK_BITS_FRESH_BYTE, or 0 to advance on the next read
  uint8_t large_object;
  uint32_t bytes_left;        // window bytes from the current byte on, the current one included
  uint16_t size_word;
  uint8_t* current;
  int32_t size_in_bits;
  int32_t reactor_count;
  TkHandle owner;
  TkHandle next_entity;       // table records: the external-reference block handle
  TkHandle previous_entity;
  uint8_t no_links;
  uint8_t entity_mode;
  uint8_t linetype_by_layer;
  uint8_t graphics_present;
  TkBlob* source;             // working copy of a blob opened for reading, owned; null for a file
  int32_t blob_left;

  TkFile* file;               // borrowed from the drawing
  uint32_t next_page_at;      // file offset the next page is read from
  uint32_t source_end;        // file offset where the window's source ends
  uint32_t window_base;       // bytes of the source before the window
  uint32_t window_fill;       // bytes the window holds
  uint32_t data_size;         // bytes of data the opener declared (0: unknown)
  uint8_t past_end;           // a read went beyond the source
  uint8_t zero;               // what is served beyond the source
  uint8_t* window;            // TK_BITS_WINDOW_SIZE bytes, owned
};

// A reader with its window; null when memory runs out. Freed with bits_reader_free.
TkBitReader* bits_reader_create();
void bits_reader_free(TkBitReader* r);

// Opening a window resets the bit state and closes any blob the reader had open.
// From the file: `first` bytes at data_start (at most TK_BITS_WINDOW_SIZE), then pages up to the
// offset `end`. 0 when the first bytes were not all there (what was read is still served).
int16_t bits_open_file(TkBitReader* r, TkFile* file, uint32_t object_start, uint32_t data_start,
                       uint32_t first, int16_t page_count, uint32_t end);
// From memory: a copy of at most TK_BITS_WINDOW_SIZE bytes; 0 when longer (nothing opened).
int16_t bits_open_memory(TkBitReader* r, const void* data, size_t n);
// From a stored blob, refilled in steps of TK_BITS_BLOB_REFILL; 0 when it cannot be opened.
int16_t bits_open_blob(TkBitReader* r, TkBlob* stored);

int bits_read_bit(TkBitReader* r);                       // B
uint8_t bits_read_char(TkBitReader* r);                  // RC
int16_t bits_read_short(TkBitReader* r);                 // BS
int32_t bits_read_long(TkBitReader* r);                  // BL
int32_t bits_read_raw_long(TkBitReader* r);              // RL
double bits_read_double(TkBitReader* r);                 // BD
double bits_read_raw_double(TkBitReader* r);             // RD
void bits_read_2rd(TkBitReader* r, double out[2]);       // 2RD
void bits_read_3bd(TkBitReader* r, double out[3]);       // 3BD
double bits_read_default_double(TkBitReader* r, double default_value);  // DD
void bits_read_3dd(TkBitReader* r, double out[3], const double default_value[3]);
// AC1015 LINE: a both-z-zero bit, then x, y (and z) as RD start and DD end against the start.
void bits_read_line_points(TkBitReader* r, double start[3], double end[3]);
// A bit, 2RD, and an RD third coordinate unless the bit was set (then 0.0).
void bits_read_2rd_opt_z(TkBitReader* r, double out[3]);
// TV into a field of `capacity` bytes with its terminating zero. A length that leaves no room for
// the zero is refused: the error hook hears code 5, nothing is stored or consumed, result 0.
int16_t bits_read_text(TkBitReader* r, char* out, uint16_t capacity);
// H: the counter (0 for the null handle). A counter above 8 calls the error hook with code 5 and
// gives the null handle and 0, consuming no counter bytes.
int16_t bits_read_handle(TkBitReader* r, TkHandle* out);
// H keeping its reference code as a kind (codes 2..6); other codes leave *kind as it was.
int16_t bits_read_handle_ref(TkBitReader* r, TkHandle* out, uint8_t* kind);
// H resolved against a base: codes 6/8 step by one, 10/12 add or subtract an offset, others are
// absolute.
int16_t bits_read_handle_rel(TkBitReader* r, const TkHandle* base, TkHandle* out);
void bits_read_bytes(TkBitReader* r, void* out, size_t n);
void bits_skip(TkBitReader* r, uint32_t n);
int32_t bits_read_bl_into(TkBitReader* r, int32_t* out);
// File position of the current byte.
uint32_t bits_position(const TkBitReader* r);
// Bits read since the window's source began.
uint32_t bits_consumed(const TkBitReader* r);
// Bits of the declared data not read yet (0 when unknown or passed); a bound for counts.
uint32_t bits_remaining(const TkBitReader* r);
// Steps to the next byte, refilling the window when it is used up; 0 when nothing is left.
int16_t bits_fill(TkBitReader* r);
