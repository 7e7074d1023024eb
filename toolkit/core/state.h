// The toolkit's one global state, its start-up and shutdown, and the small helpers that need
// nothing but the state: support-file search, code-page names and tables, name comparison.
// Drawings, lists and the readers keep their own records elsewhere.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/core/error.h"
#include "toolkit/core/handle.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/reader_ops.h"

struct TkFont;
struct TkTrueTypeRequest;
struct TkDrawing;
struct TkEntityHeader;
struct TkEntityData;
struct TkBlob;

// The application's value for a drawing, handed back to every callback.
using TkUserData = uintptr_t;

enum : size_t {
  TK_PATH_MAX = 256,
  TK_CODEPAGE_COUNT = 42,
  TK_BUILTIN_FONTS = 2,
  TK_SMALL_BUFFER_SIZE = 10,
  TK_READ_BUFFER_SIZE = 65535,
  TK_WRITE_BUFFER_SIZE = 65535,
  TK_XDATA_READ_BUFFER_SIZE = 32768,
  TK_XDATA_WRITE_BUFFER_SIZE = 16384,
};

// Number of glyphs in each built-in font's index (SIMPLEX.SHX, GDT.SHX).
inline constexpr uint16_t tk_builtin_font_entries[TK_BUILTIN_FONTS] = {100, 103};

using TkFindFileFn = void (*)(const char* name, char* out, TkUserData user);
using TkFindTrueTypeFn = void (*)(TkTrueTypeRequest* request, TkUserData user);
using TkErrorCallback = void (*)(int16_t code);
using TkProgressCallback = void (*)(int16_t percent, TkUserData user);
// Hears of an IMAGE entity's pixel buffer just before the toolkit frees it.
using TkImageReleaseFn = void (*)(void* image, TkUserData user);

// Hears of every entity the load reads, before it is stored.
using TkEntityReadHook = void (*)(TkEntityHeader* header, TkEntityData* data);
// Services of the display that the load calls when the display is there: the handle of a
// standard arrowhead block built on request (0 when the name is no standard arrow), the shape
// number and style of a shape name in the loaded shape fonts (0 when none has it), and the
// arrowhead blocks of the dimension styles resolved once a load is complete.
using TkArrowBlockFn = int16_t (*)(TkDrawing* drawing, const char* name, TkHandle* out);
using TkShapeLookupFn = int16_t (*)(TkDrawing* drawing, const char* name, uint16_t* shape,
                                    TkHandle* style);
using TkDrawingFn = void (*)(TkDrawing* drawing);
// The display's spline evaluation for entity outlines: the points (x, y, z doubles) of the
// SPLINE whose data is given, written to the blob; 1, or 0 when they could not be made.
using TkSplineOutlineFn = int16_t (*)(TkDrawing* drawing, const TkEntityData* spline,
                                      TkBlob* writer, int32_t resolution);
// Hears of a shape font that was located but would not open (the requested name).
using TkFontOpenFailFn = void (*)(const char* name, TkUserData user);

// Init-data hooks: open gives 1 when the data can be read; getc gives the next byte or -1; read
// fills up to n bytes and gives how many it filled.
using TkInitOpenFn = int16_t (*)();
using TkInitGetcFn = int (*)();
using TkInitReadFn = size_t (*)(void* buffer, size_t n);
using TkInitCloseFn = void (*)();

// Table positions that an older DWG header gives for its current records; the load turns them
// into handles once the tables are read. 65535 names no record.
struct TkHeaderIndexes {
  uint16_t clayer;
  uint16_t textstyle;  // also the dimension text style
  uint16_t celtype;    // 32767 BYLAYER, 32766 BYBLOCK
  uint16_t ucsname;
  uint16_t dimstyle;
  uint16_t pucsname;
  uint16_t first_vpent_header;
};

struct TkState {
  uint8_t continuous_linetype_handle[8];
  uint16_t codepage_beta;
  uint8_t load_continue;
  TkError last_error;
  uint8_t failing_handle[8];
  TkFindFileFn find_shape_font;
  TkFindTrueTypeFn find_truetype_font;
  TkErrorCallback error_callback;
  TkProgressCallback progress;
  TkInitOpenFn init_open;
  TkInitGetcFn init_getc;
  TkInitReadFn init_read;
  TkInitCloseFn init_close;
  uint8_t codepages_loaded;
  // Per code page: 256 Unicode values for the single bytes; for the double-byte pages a list of
  // codes and the values at the same positions.
  uint16_t* codepage_single[TK_CODEPAGE_COUNT];
  uint16_t* codepage_double_codes[TK_CODEPAGE_COUNT];
  uint16_t* codepage_double_values[TK_CODEPAGE_COUNT];
  uint32_t codepage_double_count[TK_CODEPAGE_COUNT];
  uint8_t* small_buffer;
  uint8_t null_handle[8];
  uint8_t default_handle_seed[8];
  uint8_t default_handle_seed_copy[8];
  uint8_t* read_buffer;
  uint8_t* write_buffer;
  uint8_t* xdata_read_buffer;
  uint8_t* xdata_write_buffer;
  TkReaderOps dwg_readers;
  TkReaderOps dxf_readers;
  TkPendingRefs pending;  // filled by the entity reader, resolved by the entity loader
  TkHeaderIndexes header_indexes;  // filled by the older DWG header reader
  // Set by a table reader for a record the file marks as deleted: the loader drops the record
  // and goes on with the next.
  uint8_t record_skipped;
  // While set, a 2D POLYLINE that an LWPOLYLINE can hold is loaded as one.
  uint8_t convert_polylines;
  // While set, the entities of every older drawing get handles from the seed, even where the
  // file's own handles could be kept (AC1006 and AC1009 files with a handle seed).
  uint8_t renumber_handles;
  uint16_t blob_chunk_size;
  double distance_tolerance;
  double angle_tolerance;
  int16_t decimal_places;
  char integer_format[8];
  char fixed_format[8];
  char exponent_format[8];
  double large_value;
  char short_name_a[5];
  char short_name_b[5];
  uint16_t writer_flags[5];
  uint16_t max_symbol_name;
  // New drawings get the express-tool classes (WIPEOUT, RTEXT, ...) while this is set; start-up
  // sets it.
  uint8_t extended_classes;
  // The built-in shape fonts' tables from the init data: index entries (8 bytes each in memory)
  // and definition bytes, and the font records built over them.
  uint8_t* font_index[TK_BUILTIN_FONTS];
  uint8_t* font_data[TK_BUILTIN_FONTS];
  uint32_t font_data_size[TK_BUILTIN_FONTS];
  TkFont* builtin_fonts[TK_BUILTIN_FONTS];
  TkImageReleaseFn image_release;
  // The display's current view, row-major, applied by tk_vec3_transform_view; the identity
  // until the display sets one.
  double view_matrix[16];
  // What a DXF header names by record name (in tk_header_name_vars order), left by the header
  // reader for the load to turn into handles.
  char header_names[TK_HEADER_NAME_VAR_COUNT][TK_HEADER_NAME_VAR_CAPACITY];
  // Entity loading: the reader sets the skip flag for an entity the load is to pass over; with
  // load mode 2 only the kinds 1 to 31 whose byte here is not 0 are kept.
  uint8_t skip_entity;
  uint8_t kind_selection[32];
  TkEntityReadHook entity_read_hook;
  TkSplineOutlineFn spline_outline;
  // While set, a dimension arrow name without a block gets a standard arrowhead block built.
  uint8_t create_arrows;
  TkArrowBlockFn arrow_block_create;
  TkShapeLookupFn shape_lookup;
  TkDrawingFn arrow_blocks_resolve;
  TkFontOpenFailFn font_open_failed;
};

// Null while the toolkit is not started.
extern TkState* tk_state;

void tk_set_initdata_open_callback(TkInitOpenFn fn);
void tk_set_initdata_getc_callback(TkInitGetcFn fn);
void tk_set_initdata_read_callback(TkInitReadFn fn);
void tk_set_initdata_close_callback(TkInitCloseFn fn);
// The application's error callback (code 2 out of memory, 5 bad stored length).
void tk_set_error_callback(TkErrorCallback fn);
// Takes effect on the started toolkit.
void tk_set_image_release_callback(TkImageReleaseFn fn);

// Starts the toolkit from the init data in the named file, or through the hooks when use_hooks
// is 1. 1 when ready; 0 with the reason in status, and nothing left allocated.
int16_t tk_init_core(const char* init_file, uint16_t use_hooks, uint16_t* status);
void tk_shutdown_core();

void tk_set_find_shape_font_callback(TkFindFileFn fn);
void tk_set_find_truetype_font_callback(TkFindTrueTypeFn fn);

// Locates a support file along "ACAD"; out holds TK_PATH_MAX chars.
void tk_find_file(const char* name, char* out, TkUserData user);

int16_t tk_codepage_index(const char* name, int16_t* index);
int16_t tk_codepage_map_char(int16_t page, uint16_t code, uint16_t* out);

int tk_name_compare(const char* a, const char* b);
int tk_name_compare_n(const char* a, const char* b, size_t n);
void tk_str_upper(char* text);
void tk_str_lower(char* text);
