// The drawing record: one drawing database in memory with its header block, symbol-table lists,
// block and object lists, handle index, class numbers and the state of reading its file. This
// file only describes the record; creating, loading and closing drawings are done elsewhere.
#pragma once

#include <cstdint>

#include "toolkit/core/handle.h"
#include "toolkit/core/hidx.h"
#include "toolkit/core/list.h"
#include "toolkit/core/pool.h"
#include "toolkit/core/state.h"

struct TkHeader;
struct TkFile;
struct TkDisplayState;
struct TkReaderOps;
struct TkBlockRecord;
struct TkBlob;
struct TkFont;

enum : int {
  TK_MAX_CHILD_DRAWINGS = 512,
  TK_FIXED_HANDLES = 12,  // ten table-control and dictionary handles, model and paper space block
  TK_FURTHER_HANDLES = 4,
  TK_WORK_BUFFERS = 12,
};

// The classes whose number a drawing keeps at hand, in slot order.
enum TkClassSlot : int {
  TK_CLASS_OLE2FRAME,
  TK_CLASS_HATCH,
  TK_CLASS_LWPOLYLINE,
  TK_CLASS_IMAGE,
  TK_CLASS_RTEXT,
  TK_CLASS_ARCALIGNEDTEXT,
  TK_CLASS_WIPEOUT,
  TK_CLASS_XRECORD,
  TK_CLASS_IDBUFFER,
  TK_CLASS_DICTIONARYVAR,
  TK_CLASS_IMAGEDEF,
  TK_CLASS_IMAGEDEF_REACTOR,
  TK_CLASS_RASTERVARIABLES,
  TK_CLASS_SPATIAL_FILTER,
  TK_CLASS_SORTENTSTABLE,
  TK_CLASS_LAYER_INDEX,
  TK_CLASS_SPATIAL_INDEX,
  TK_CLASS_OBJECT_PTR,
  TK_CLASS_DICTIONARYWDFLT,
  TK_CLASS_PLACEHOLDER,
  TK_CLASS_LAYOUT,
  TK_CLASS_VBA_PROJECT,
  TK_CLASS_WIPEOUTVARIABLES,
  TK_CLASS_SLOT_COUNT
};

// Record counts the file declares, by table.
enum TkTableCount : int {
  TK_COUNT_LAYER,
  TK_COUNT_STYLE,
  TK_COUNT_VIEW,
  TK_COUNT_VPORT,
  TK_COUNT_UCS,
  TK_COUNT_LTYPE,
  TK_COUNT_DIMSTYLE,
  TK_COUNT_APPID,
  TK_COUNT_CLASS,
  TK_COUNT_BLOCK,
  TK_COUNT_VPENT_HEADER,  // the viewport-entity headers of older DWG files
  TK_TABLE_COUNT_SLOTS
};

struct TkDrawing {
  TkDrawing* children[TK_MAX_CHILD_DRAWINGS];  // external-reference drawings, owned
  char path[TK_PATH_MAX];
  int16_t child_count;
  TkHeader* header;                // owned
  TkDisplayState* display;         // owned by the display set-up
  TkHandle fixed[TK_FIXED_HANDLES];
  TkHandle byblock_linetype;
  TkHandle bylayer_linetype;
  TkHandle further[TK_FURTHER_HANDLES];
  TkUserData user_data;
  uint8_t loading;
  uint16_t class_numbers[TK_CLASS_SLOT_COUNT];  // 0 while the class is absent
  TkHandleIndex index;
  // Where the entity records a load stores get their memory; freed at close, after the lists.
  TkRecordPool entity_pool;
  uint8_t load_mode;
  TkList model_entities;
  TkList paper_entities;
  int32_t record_counts[TK_TABLE_COUNT_SLOTS];
  uint8_t file_kind;  // 0 DWG, 1 text DXF, 2 binary DXF
  int16_t version;    // version index 0 to 7
  uint8_t has_file_seed;
  TkHandle file_seed;
  TkList layers;
  TkList linetypes;
  TkList ucss;
  TkList views;
  TkList vports;
  TkList dimstyles;
  TkList appids;
  TkList blocks;
  TkList styles;
  TkList classes;
  TkList objects;
  int16_t progress;
  TkFile* file;
  uint8_t is_dxf;
  const TkReaderOps* readers;
  TkHandle seed;  // the next handle to hand out
  uint16_t output_version;
  // The plot style new layers take (the "Normal" placeholder once the layout objects exist).
  TkHandle default_plot_style;
  // The file range load progress is measured over (the entity sections), as the reader set it.
  uint32_t progress_start;
  uint32_t progress_end;
  // Whether entities of the two spaces and of block definitions get fresh handles on load.
  uint8_t fresh_space_handles;
  uint8_t fresh_block_handles;
  // Set by the application on a drawing whose content is loaded a second time into it: the
  // handles it holds already would collide with the file's, so every entity gets a fresh one.
  uint8_t second_load;
  // The block whose entities the reader is asked for next (borrowed: a record of `blocks`).
  const TkBlockRecord* reading_block;
  // The named-object dictionary and its group and multiline-style dictionaries.
  TkHandle named_objects;
  TkHandle group_dictionary;
  TkHandle mlinestyle_dictionary;
  TkHandle plotstyle_dictionary;  // "ACAD_PLOTSTYLENAME" of the named-object dictionary
  TkHandle layout_dictionary;     // "ACAD_LAYOUT"
  TkHandle plotsettings_dictionary;  // "ACAD_PLOTSETTINGS"
  // Lists a load keeps until its end (owned; freed then, or at close after a failed load):
  // extended-data references still to be turned into handles (TkXdataFixup records), and the
  // external-reference blocks of older drawings (three handles each: as read, as stored, the
  // dictionary to come) with the INSERTs that name them (two handles each: INSERT, block).
  TkBlob* xdata_fixups;
  int32_t xdata_fixup_count;
  TkBlob* xref_blocks;
  int32_t xref_block_count;
  TkBlob* xref_inserts;
  int32_t xref_insert_count;
  // MLINE entities of newer DXF whose multiline style is named: the OBJECTS section that holds
  // the styles comes after the entities, so each waits here (its list, its handle, the name).
  TkBlob* mline_styles;
  int32_t mline_style_count;
  // Arrow names of DIMSTYLE records that named no block when the record was read (524 bytes
  // each: the style's handle, the variable's group code 5, 6 or 7 as 32 bits, the name in 512
  // bytes); the display's hook turns them into blocks at the end of the load.
  TkBlob* arrow_names;
  int32_t arrow_name_count;
  // Work buffers the display and the writers keep with the drawing between calls (owned, from
  // mem_alloc; null while unused).
  void* work_buffers[TK_WORK_BUFFERS];
  // The paper-space VIEWPORT entities (TkPspaceViewport), viewport 1 first.
  TkList pspace_viewports;
  // What the file reader keeps between its operations for this drawing (section positions, the
  // object map, a decoding buffer). Owned by the reader: the close hands it to reader_state_free.
  void* reader_state;
  void (*reader_state_free)(void* state);
  // Shape fonts loaded for this drawing (owned, freed at close) and the last names looked for
  // in vain, so a missing font is searched for once.
  TkFont* font_cache;
  char missing_fonts[5][TK_PATH_MAX];
  int16_t missing_count;
  int16_t missing_next;
  // Shape names already looked up in the styles' shape files: style, number, name.
  struct {
    TkHandle style;
    int16_t number;
    char name[32];
  } shape_names[10];
  int16_t shape_name_count;
};
