// DWG files of releases AC1012 to AC1015: the file header with its section locators, the opening
// of a drawing (version, header variables, preview, object map, table record counts), the object
// map that finds an object's file position by handle, and the windows the objects are read
// through. What this reader keeps per drawing lives in `Dwg13File`, reached with dwg13_file().
// The object frames and bodies (entities, table records, objects) are read elsewhere, through
// this file's windows and map.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/core/handle.h"

struct TkBlob;
struct TkDrawing;
struct TkFile;
struct TkHeader;
struct TkBitReader;
struct Dwg13Objects;  // the object reader's own state

enum : int32_t {
  TK_ERR_BAD_DWG_INFO = 186,
  TK_ERR_BAD_HEADER_HANDLE = 300,
};

// The table control objects, in the order the header names them.
enum Dwg13Control : int {
  DWG13_CONTROL_BLOCK,
  DWG13_CONTROL_LAYER,
  DWG13_CONTROL_STYLE,
  DWG13_CONTROL_LTYPE,
  DWG13_CONTROL_VIEW,
  DWG13_CONTROL_UCS,
  DWG13_CONTROL_VPORT,
  DWG13_CONTROL_APPID,
  DWG13_CONTROL_DIMSTYLE,
  DWG13_CONTROL_VPENT_HEADER,
  DWG13_CONTROL_COUNT
};

// Handles the header names beside the drawing's own: the current viewport entity header, the
// dictionaries, the space block records and the special linetypes.
enum Dwg13Held : int {
  DWG13_HELD_VPENT_CURRENT,
  DWG13_HELD_GROUP_DICTIONARY,
  DWG13_HELD_MLINESTYLE_DICTIONARY,
  DWG13_HELD_NAMED_OBJECTS,
  DWG13_HELD_PAPER_BLOCK_RECORD,
  DWG13_HELD_MODEL_BLOCK_RECORD,
  DWG13_HELD_BYLAYER,
  DWG13_HELD_BYBLOCK,
  DWG13_HELD_CONTINUOUS,     // AC1015
  DWG13_HELD_LAYOUTS,        // AC1015
  DWG13_HELD_PLOT_SETTINGS,  // AC1015
  DWG13_HELD_PLOT_STYLES,    // AC1015
  DWG13_HELD_COUNT
};

// Header variables that name a record by its handle.
enum Dwg13HeaderRef : int {
  DWG13_REF_CLAYER,
  DWG13_REF_TEXTSTYLE,
  DWG13_REF_CELTYPE,
  DWG13_REF_DIMSTYLE,
  DWG13_REF_CMLSTYLE,
  DWG13_REF_PUCSNAME,
  DWG13_REF_UCSNAME,
  DWG13_REF_DIMTXSTY,
  DWG13_REF_PUCSORTHOREF,  // AC1015 from here on
  DWG13_REF_PUCSBASE,
  DWG13_REF_UCSORTHOREF,
  DWG13_REF_UCSBASE,
  DWG13_REF_DIMLDRBLK,
  DWG13_REF_DIMBLK,
  DWG13_REF_DIMBLK1,
  DWG13_REF_DIMBLK2,
  DWG13_REF_PLOTSTYLE,  // only when CEPSNTYPE is 3
  DWG13_REF_COUNT
};

enum : int {
  DWG13_LOCATOR_HEADER,
  DWG13_LOCATOR_CLASSES,
  DWG13_LOCATOR_OBJECT_MAP,
  DWG13_LOCATOR_UNUSED,
  DWG13_LOCATOR_MEASUREMENT,
  DWG13_MAP_PAGES = 512,
};

enum : uint8_t {
  DWG13_PREVIEW_BMP = 1,
  DWG13_PREVIEW_WMF = 2,
};

struct Dwg13Preview {
  uint32_t header_start, header_size;
  uint32_t bmp_start, bmp_size;
  uint32_t wmf_start, wmf_size;
  uint8_t flags;  // DWG13_PREVIEW_BMP, DWG13_PREVIEW_WMF
  TkBlob* bmp;    // owned
  TkBlob* wmf;    // owned
};

struct Dwg13File {
  TkBitReader* bits;  // owned
  uint32_t file_length;
  uint32_t preview_address;
  uint32_t header_seeker, header_size;
  uint32_t classes_seeker, classes_size;
  uint32_t objmap_seeker, objmap_size;
  uint32_t measurement_seeker;
  Dwg13Preview preview;

  // The object index: entries (length byte, handle bytes, u32 location) in map order, a key and
  // blob offset per page, and the entry found last.
  TkBlob* map;          // owned, stored
  TkBlob* map_reader;   // owned working copy, open for reading
  int32_t map_count;
  TkHandle page_keys[DWG13_MAP_PAGES];
  int32_t page_offsets[DWG13_MAP_PAGES];
  TkHandle cache_handle;
  uint32_t cache_location;
  TkHandle scan_handle;  // the entry the map reader stands right after

  TkHandle controls[DWG13_CONTROL_COUNT];
  TkHandle held[DWG13_HELD_COUNT];
  TkHandle refs[DWG13_REF_COUNT];
  int32_t vpent_header_count;      // entries of the viewport entity header control
  uint32_t block_control_position;  // file position of the BLOCK control object
  uint32_t after_header_position;   // file position when the open was done

  Dwg13Objects* objects;  // owned through objects_free
  void (*objects_free)(Dwg13Objects* objects);
};

// A fresh state for the drawing over its open file, replacing any state a reader left; null
// when memory runs out. The open makes one; tests of the object readers make their own.
Dwg13File* dwg13_file_attach(TkDrawing* drawing);
// The reader's state of a drawing opened as AC1012 to AC1015; null for any other.
Dwg13File* dwg13_file(TkDrawing* drawing);
// The drawing's bit reader; null when it is not open as AC1012 to AC1015.
TkBitReader* dwg13_bits(TkDrawing* drawing);

// Reader operation 10: version, file header, header variables, preview, object map and table
// record counts. 1 when the drawing is open for reading, 0 with the error number set.
int16_t dwg_open_check(TkDrawing* drawing);
// The header section's variables into the header block and the drawing (both orders).
int16_t dwg_read_header_vars(TkDrawing* drawing, TkHeader* header);

// The object map into the object index; 0 when memory runs out.
int16_t dwg_objmap_load(TkDrawing* drawing);
// Seeks the drawing's file to the object with that handle: 1 found, 0 not found or null.
int16_t dwg_objmap_seek(TkDrawing* drawing, const TkHandle* handle);
int32_t dwg13_object_count(TkDrawing* drawing);
// The handles of the map in map order, at most `max` of them into `out`; the count given. The
// map's one reader is used (two readers of one blob would move each other's place), so
// lookups start afresh afterwards.
int32_t dwg13_map_handles(TkDrawing* drawing, TkHandle* out, int32_t max);

// Opens the bit reader on the object at the file's current position (size word, page count,
// first window). 0 at or past the object map, or when the object does not fit in the file.
int16_t dwg13_open_object_window(TkDrawing* drawing);
// Seeks the file past the object the window was last opened on (data and CRC); 0 beyond the end.
int16_t dwg13_skip_object(TkDrawing* drawing);

// Entry handles of a control object: reads `count` of them and gives how many are not null.
int32_t dwg_skip_control_entries(TkDrawing* drawing, int32_t count);

// Raw little-endian values straight from the file; 0 when the file ends first.
int16_t dwg_file_rs(TkFile* file, int16_t* out);
int16_t dwg_file_rl(TkFile* file, int32_t* out);
int16_t dwg_file_byte(TkFile* file, uint8_t* out);
// Copies n bytes from the offset into a new blob in steps of 8,192 bytes; null when they are not
// all in the file or memory runs out.
TkBlob* dwg_file_copy_to_blob(TkFile* file, uint32_t offset, uint32_t n);
// Object-map numbers straight from the file; 0 when the file ends or the number is too long
// (the signed form calls the error hook with code 5 beyond 6 bytes). `limit` bounds the bytes.
int16_t dwg_file_modular_char(TkFile* file, uint32_t limit, TkHandle* out, uint32_t* used);
int16_t dwg_file_modular_char_signed(TkFile* file, uint32_t limit, int32_t* out, uint32_t* used);

// Lineweights: the 5-bit code of AC1015 files and hundredths of a millimetre (-1 BYLAYER,
// -2 BYBLOCK, -3 default).
int16_t lineweight_from_code(int code);
int16_t lineweight_to_code(int16_t value);
