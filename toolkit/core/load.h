// Opening a DWG or DXF file as a drawing: telling the file kind and version from its first bytes,
// picking the reader set, and running the numbered load steps with the table loaders that drive
// the readers and supply the records every drawing must have. The readers themselves, and what
// is done with entities and objects once read, live elsewhere.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/core/drawing.h"
#include "toolkit/core/error.h"

enum : TkError {
  TK_ERR_READ_HEADER = 4,
  TK_ERR_FILE_TYPE = 5,
  TK_ERR_FILE_VERSION = 8,
  TK_ERR_DXF_VERSION = 22,
  TK_ERR_LOAD_LTYPES = 45,
  TK_ERR_LOAD_LAYERS = 46,
  TK_ERR_LOAD_CLASSES = 47,
  TK_ERR_LOAD_VPORTS = 48,
  TK_ERR_LOAD_UCSS = 49,
  TK_ERR_LOAD_APPIDS = 50,
  TK_ERR_LOAD_VIEWS = 51,
  TK_ERR_LOAD_STYLES = 52,
  TK_ERR_LOAD_DIMSTYLES = 53,
  TK_ERR_LOAD_BLOCK_HEADERS = 54,
  TK_ERR_BETA_FORMAT = 286,
};

// Version indexes: the record layout below AC1012, the object layout from it, and AC1015 with
// layouts and plot settings.
enum : int16_t {
  TK_VERSION_AC1002 = 0,
  TK_VERSION_AC1003 = 1,
  TK_VERSION_AC1004 = 2,
  TK_VERSION_AC1006 = 3,
  TK_VERSION_AC1009 = 4,
  TK_VERSION_AC1012 = 5,
  TK_VERSION_AC1014 = 6,
  TK_VERSION_AC1015 = 7,
  TK_VERSION_COUNT = 8,
};

enum : uint8_t {
  TK_FILE_DWG = 0,
  TK_FILE_TEXT_DXF = 1,
  TK_FILE_BINARY_DXF = 2,
};

// How many leading bytes of a file the kind and version are told from.
constexpr size_t TK_SNIFF_SIZE = 2000;
// A VPORT table longer than this is taken as damage rather than loaded.
constexpr int32_t TK_MAX_VPORTS = 5000;

// The loaded drawing, or null with the reason in the last error; nothing stays allocated or open
// after a failure. The load mode is kept in the drawing. The upgrade flag asks for the layout
// objects of an AC1015 drawing in an older one; the layout objects are not built yet, so it has
// no effect so far.
TkDrawing* tk_open_drawing(const char* path, uint8_t load_mode, int16_t upgrade);

// The index of the first version text (in table order) found anywhere in the buffer; an "AC1013"
// file is read as AC1014 with the state's beta flag set; -1 when none is found.
int16_t tk_detect_version(const uint8_t* buffer, size_t length);
// The index of a version text compared exactly, or -1.
int16_t tk_version_from_string(const char* text);

// Load progress in percent over the range the reader marked, never going back; 100 for an empty
// range.
int16_t tk_read_progress(TkDrawing* drawing);
// Tells the application's progress callback, when it has one.
void tk_report_load_progress(TkDrawing* drawing, int16_t percent);

// The ten fixed handles and the two space-block handles, from the array when given, else drawn
// from the seed in the order older drawings numbered them.
int16_t tk_assign_table_handles(TkDrawing* drawing, const TkHandle* handles);

// Table loaders: each drives its table's reader operations for the record count the file
// declared and adds the default records a drawing must have; 1 or 0.
int16_t tk_load_ltypes(TkDrawing* drawing);
int16_t tk_load_layers(TkDrawing* drawing);
int16_t tk_load_classes(TkDrawing* drawing);
int16_t tk_load_vports(TkDrawing* drawing);
int16_t tk_load_ucs(TkDrawing* drawing);
int16_t tk_load_appids(TkDrawing* drawing);
int16_t tk_load_views(TkDrawing* drawing);
int16_t tk_load_styles(TkDrawing* drawing);
int16_t tk_load_dimstyles(TkDrawing* drawing);

// Reads every block record; the model-space and paper-space records are kept aside and stored
// first, under the names and handles the file gave or the defaults.
int16_t tk_load_block_headers(TkDrawing* drawing);
// Stores the two space block records, in front of the block list, over the drawing's own
// model-space and paper-space entity lists.
int16_t tk_create_space_blocks(TkDrawing* drawing, const TkHandle* model, const TkHandle* paper,
                               const char* model_name, const char* paper_name,
                               uint8_t model_flags, uint8_t paper_flags);
