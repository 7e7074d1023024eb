// The reader of DWG files of AC1002 to AC1009 (byte records): what it keeps per drawing between
// its operations, and the bounded byte cursor every part of it parses with. The header, tables,
// entities and extended data each have their own file; the reader set that joins them is
// dwg_old_readers.cpp. Files of AC1012 and later are the dwg13_ reader's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "toolkit/core/error.h"

struct TkDrawing;
struct TkFile;

enum : TkError {
  TK_ERR_BAD_DWG_INFO = 186,
  TK_ERR_BAD_VIEWPORT_HEADERS = 301,
};

// The tables in the order of the file's descriptors.
enum DwgOldTable : int {
  DWG_OLD_BLOCK,
  DWG_OLD_LAYER,
  DWG_OLD_STYLE,
  DWG_OLD_LTYPE,
  DWG_OLD_VIEW,
  DWG_OLD_UCS,
  DWG_OLD_VPORT,
  DWG_OLD_APPID,
  DWG_OLD_DIMSTYLE,
  DWG_OLD_VPENT,
  DWG_OLD_TABLE_COUNT
};

struct DwgOldTableDesc {
  uint16_t record_size;
  int32_t count;
  int32_t position;
};

// Viewport-entity headers whose VIEWPORT positions the drawing keeps.
constexpr int DWG_OLD_MAX_VPENTS = 16;

struct DwgOldState {
  uint32_t file_length;
  int16_t subversion;  // AC1006 files below 160 are kept as 160
  uint32_t entities_start;
  uint32_t entities_end;
  uint32_t blocks_start;
  uint32_t blocks_size;  // low 30 bits of the stored word
  uint32_t extras_start;
  uint32_t extras_size;
  DwgOldTableDesc tables[DWG_OLD_TABLE_COUNT];
  uint8_t doubtful_viewports;  // the block-entity section runs past the file
  int32_t appid_word;          // AC1006: the word the writers give back at 1304
  int16_t first_vpent_header;  // where the walk of the viewport-entity headers starts
  int16_t bylayer_ltype;       // linetype indexes meaning BYLAYER and BYBLOCK in this release
  int16_t byblock_ltype;

  // The table being read: where its next record starts and how many are left.
  int table;
  uint32_t record_next;
  int32_t records_left;
  int32_t record_number;  // position of the next record in its table

  // The entity walk: the end of the section or block being read, and whether the INSERT read
  // last announced attributes (its SEQEND then carries 4 more bytes).
  uint32_t entity_next;
  uint32_t walk_end;
  uint8_t in_block;
  uint8_t block_started;  // the block's BLOCK entity was read
  uint8_t attributes_follow;
  // Records read by all block walks and walks begun: a record is at least 8 bytes and each
  // walk may read the next block's BLOCK as well, so blocks that all start at one long run of
  // records cannot make the load cost blocks times records.
  uint32_t block_records_read;
  uint32_t block_walks;

  // Viewport-entity headers.
  uint32_t vpent_positions[DWG_OLD_MAX_VPENTS];
  int16_t vpent_kept;
  uint8_t vpent_first;
};

// The drawing's reader state, made at open; null before.
DwgOldState* dwg_old_state(TkDrawing* drawing);

// A window over bytes read from the file. Every read checks what is left: a read past the end
// gives zeros and marks the cursor bad, so a parser checks `bad` once after a group of fields.
struct DwgOldCursor {
  const uint8_t* data;
  size_t size;
  size_t pos;
  bool bad;

  bool take(size_t n) {
    if (bad || n > size - pos) {
      bad = true;
      return false;
    }
    return true;
  }
  void bytes(void* out, size_t n) {
    if (!take(n)) {
      std::memset(out, 0, n);
      return;
    }
    std::memcpy(out, data + pos, n);
    pos += n;
  }
  void skip(size_t n) {
    if (take(n)) pos += n;
  }
  uint8_t u8() {
    uint8_t v = 0;
    bytes(&v, 1);
    return v;
  }
  uint16_t u16() {
    uint8_t b[2];
    bytes(b, 2);
    return static_cast<uint16_t>(b[0] | b[1] << 8);
  }
  int16_t i16() { return static_cast<int16_t>(u16()); }
  uint32_t u32() {
    uint8_t b[4];
    bytes(b, 4);
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
           static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
  }
  int32_t i32() { return static_cast<int32_t>(u32()); }
  // A double whose exponent is all zeros (zero, denormals) or all ones (infinities, NaN) reads
  // as 0.0, so no later arithmetic meets them.
  double rd();
  void point(double* out, int n) {
    for (int i = 0; i < n; ++i) out[i] = rd();
  }
  // A fixed field of n bytes into a text of capacity `room`: always terminated.
  void text_field(char* out, size_t room, size_t n);
};

DwgOldCursor dwg_old_cursor(const uint8_t* data, size_t size);
double dwg_old_double(const uint8_t* bytes);

// Reads n bytes at a file position into the state's read buffer; false when the file has
// fewer.
bool dwg_old_read_at(TkDrawing* drawing, uint32_t position, size_t n);

// One header variable at its fixed place in the file: where, in which form, from which release
// on, and where TkHeader keeps it. The writer of these releases places them from the same table.
struct DwgOldHeaderField {
  enum Kind : uint8_t { I16, DBL, P2, P3, U8, TEXT, DATE };
  uint16_t position;
  Kind kind;
  uint8_t length;       // TEXT: bytes in the file
  int8_t from_version;  // the first version index that has the field
  size_t offset;        // in TkHeader
  size_t room;          // TEXT: capacity of the field with its zero
};
// The plain variables in file order; the ones with rules of their own are not in it.
const DwgOldHeaderField* dwg_old_header_fields(size_t* count);
// Bytes the field takes in the file.
size_t dwg_old_header_field_size(const DwgOldHeaderField& field);

// What the reader set is built from.
int16_t dwg_old_read_header(TkDrawing* drawing, DwgOldState* state);
int16_t dwg_old_open(TkDrawing* drawing);
