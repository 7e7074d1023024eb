// Non-graphical objects (dictionaries, multiline styles, groups, plot settings, XRECORDs and the
// other class-registered objects) in the drawing's object list, and the items kept in blobs
// beside them: extended-data items, free group items, dictionary entries and handle references.
// Objects are copied in and out as a common header and the data record of their type; their
// variable data lives in blobs the object owns. Reading objects from files is the readers'.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/core/drawing.h"
#include "toolkit/core/error.h"
#include "toolkit/core/handle.h"

struct TkBlob;

enum : TkError {
  TK_ERR_OBJECT_NO_CURRENT = 164,
  TK_ERR_BAD_GROUP_CODE = 165,
  TK_ERR_OBJECT_UNKNOWN = 168,
  TK_ERR_OBJECT_FREE = 169,
  TK_ERR_OBJECT_UNLINK = 170,
  TK_ERR_OBJECT_OTHER_TYPE = 205,
};

// Object types with a number of their own; class-registered objects carry their class number.
enum : uint16_t {
  TK_OBJ_DICTIONARY = 32,
  TK_OBJ_MLINESTYLE = 33,
  TK_OBJ_GROUP = 36,
  TK_OBJ_PLOTSETTINGS = 103,
};

constexpr size_t TK_OBJECT_NAME_SIZE = 512;

struct TkObjectHeader {
  TkHandle handle;
  uint16_t type;
  TkHandle owner;
  TkBlob* reactors;  // owned; 8-byte handles
  uint32_t reactor_count;
  TkHandle xdictionary;
};

// A dictionary's entries stand one after the other in its entries blob.
struct TkDictEntry {
  char name[TK_OBJECT_NAME_SIZE];
  TkHandle object;
};
constexpr size_t TK_DICT_ENTRY_SIZE = 520;  // as stored in the entries blob

struct TkDictionaryData {
  uint32_t entry_count;
  TkBlob* entries;  // owned; TkDictEntry records
  int16_t cloning;
  uint8_t hard_owner;
};

// One element of a multiline style as stored in its elements blob (16 bytes).
struct TkMlineElement {
  int16_t colour;
  int16_t linetype;
  double offset;
};

struct TkMlineStyleData {
  char name[TK_OBJECT_NAME_SIZE];
  char description[TK_OBJECT_NAME_SIZE];
  int16_t flags;
  int16_t fill_colour;
  double start_angle;
  double end_angle;
  uint16_t element_count;
  TkBlob* elements;  // owned; TkMlineElement records
};

struct TkGroupData {
  char description[TK_OBJECT_NAME_SIZE];
  int16_t unnamed;
  int16_t selectable;
  uint32_t entity_count;
  TkBlob* entities;  // owned; 8-byte handles
};

struct TkXrecordData {
  uint32_t item_count;
  TkBlob* items;  // owned; group items
  int16_t cloning;
};

// The plot settings of a PLOTSETTINGS object, which also open every layout. Reals and shorts
// carry the DXF group codes they come from.
struct TkPlotSettings {
  char page_setup[TK_OBJECT_NAME_SIZE];  // 1
  char printer[TK_OBJECT_NAME_SIZE];     // 2
  char paper_size[TK_OBJECT_NAME_SIZE];  // 4
  char plot_view[TK_OBJECT_NAME_SIZE];   // 6
  double margins[4];                     // 40-43: left, bottom, right, top
  double paper_width;                    // 44
  double paper_height;                   // 45
  double origin[2];                      // 46, 47
  double window_min[2];                  // 48, 49
  double window_max[2];                  // 140, 141
  double real_world_units;               // 142
  double drawing_units;                  // 143
  int16_t layout_flags;                  // 70
  int16_t paper_units;                   // 72
  int16_t rotation;                      // 73
  int16_t plot_type;                     // 74
  char style_sheet[TK_OBJECT_NAME_SIZE]; // 7
  int16_t scale_type;                    // 75
  double scale_factor;                   // 147
  double image_origin[2];                // 148, 149
};

struct TkIdBufferData {
  uint32_t count;
  TkBlob* handles;  // owned; 8-byte handles
};

struct TkDictionaryVarData {
  int16_t schema;
  char value[TK_OBJECT_NAME_SIZE];
};

struct TkImageDefReactorData {
  int32_t class_version;
  TkBlob* image;  // owned; one 8-byte handle, the image the reactor serves
};

struct TkImageDefData {
  int32_t class_version;
  char path[TK_OBJECT_NAME_SIZE];
  double image_size[2];  // pixels
  double pixel_size[2];  // drawing units per pixel
  int16_t loaded;
  int16_t resolution_units;
};

// An index's time stamp, whole days and the milliseconds of the last one.
struct TkIndexStamp {
  int32_t days;
  int32_t msec;
};

// Per entry of the entries blob: the entry's count (32 bits), then its layer name as a 2-byte
// length and the characters.
struct TkLayerIndexData {
  uint32_t entry_count;
  TkIndexStamp stamp;
  TkBlob* entries;  // owned
  TkBlob* handles;  // owned; 8-byte handles of the entries' id buffers
};

// Class data the toolkit does not interpret, kept raw with the handle references it carries.
struct TkRawObjectData {
  TkBlob* data;  // owned
  uint32_t bit_length;
  TkBlob* handles;  // owned; TkHandleRef records (9 bytes)
};

struct TkRasterVariablesData {
  int32_t class_version;
  int16_t display_frame;
  int16_t display_quality;
  int16_t units;
};

struct TkSortEntsTableData {
  TkHandle block_record;
  uint32_t count;
  TkBlob* sort_handles;    // owned; 8-byte handles
  TkBlob* entity_handles;  // owned; 8-byte handles, one per sort handle
};

// A clip boundary of a block insertion. Each transform is kept as 4 rows of 3 values (the file
// gives 3 rows of 4).
struct TkSpatialFilterData {
  int16_t point_count;
  TkBlob* points;  // owned; x and y of each boundary point, doubles
  double extrusion[3];
  double origin[3];
  int16_t display_boundary;
  int16_t front_clip;
  int16_t back_clip;
  double front_distance;
  double back_distance;
  double inverse_block_transform[12];
  double clip_transform[12];
};

struct TkSpatialIndexData {
  TkIndexStamp stamp;
  TkRawObjectData raw;
};

struct TkDictionaryWdfltData {
  uint32_t entry_count;
  int16_t cloning;
  TkBlob* entries;  // owned; TkDictEntry records
  TkHandle default_entry;
};

struct TkLayoutData {
  char name[TK_OBJECT_NAME_SIZE];
  int16_t flags;
  int16_t tab_order;
  TkPlotSettings plot;
  double limits_min[2];
  double limits_max[2];
  double insertion_base[3];
  double extents_min[3];
  double extents_max[3];
  double elevation;
  double ucs_origin[3];
  double ucs_x_axis[3];
  double ucs_y_axis[3];
  int16_t ortho_type;
  TkHandle block_record;   // paper-space block record (330)
  TkHandle last_viewport;  // 331
  TkHandle named_ucs;      // 345
  TkHandle base_ucs;       // 346
};

struct TkVbaProjectData {
  uint32_t size;
  TkBlob* data;  // owned
};

struct TkWipeoutVariablesData {
  int16_t display_frame;
};

// Proxy objects and objects of classes without a record of their own keep their class data as
// an R13-style bit stream (the file's own, or the DXF groups written as one), for the writers to
// give back.
using TkGenericObjectData = TkRawObjectData;

union TkObjectData {
  TkDictionaryData dictionary;
  TkMlineStyleData mlinestyle;
  TkGroupData group;
  TkPlotSettings plotsettings;
  TkXrecordData xrecord;
  TkIdBufferData idbuffer;
  TkDictionaryVarData dictionaryvar;
  TkImageDefReactorData imagedef_reactor;
  TkImageDefData imagedef;
  TkLayerIndexData layer_index;
  TkRawObjectData object_ptr;
  TkRasterVariablesData rastervariables;
  TkSortEntsTableData sortentstable;
  TkSpatialFilterData spatial_filter;
  TkSpatialIndexData spatial_index;
  TkDictionaryWdfltData dictionary_wdflt;
  TkLayoutData layout;
  TkVbaProjectData vba_project;
  TkWipeoutVariablesData wipeout_variables;
  TkGenericObjectData generic;
};

// The record each object type keeps; what tk_object_data_kind gives.
enum TkObjectDataKind : int {
  TK_OBJDATA_GENERIC,
  TK_OBJDATA_DICTIONARY,
  TK_OBJDATA_MLINESTYLE,
  TK_OBJDATA_GROUP,
  TK_OBJDATA_PLOTSETTINGS,
  TK_OBJDATA_XRECORD,
  TK_OBJDATA_IDBUFFER,
  TK_OBJDATA_DICTIONARYVAR,
  TK_OBJDATA_IMAGEDEF_REACTOR,
  TK_OBJDATA_IMAGEDEF,
  TK_OBJDATA_LAYER_INDEX,
  TK_OBJDATA_OBJECT_PTR,
  TK_OBJDATA_RASTERVARIABLES,
  TK_OBJDATA_SORTENTSTABLE,
  TK_OBJDATA_SPATIAL_FILTER,
  TK_OBJDATA_SPATIAL_INDEX,
  TK_OBJDATA_DICTIONARYWDFLT,
  TK_OBJDATA_PLACEHOLDER,
  TK_OBJDATA_LAYOUT,
  TK_OBJDATA_VBA_PROJECT,
  TK_OBJDATA_WIPEOUTVARIABLES,
};

// Which record an object of that type keeps in this drawing (class-registered types by the
// drawing's class numbers).
TkObjectDataKind tk_object_data_kind(const TkDrawing* drawing, uint16_t type);
// The size of that record as stored behind the header.
size_t tk_object_data_size(TkObjectDataKind kind);
// Defaults of a plot-settings record, also those of a layout's.
void tk_init_plot_settings(TkPlotSettings* plot);

// An extended-data item (group codes 1000-1071) as handed to callers.
struct TkXdataItem {
  uint16_t code;
  uint16_t length;
  uint8_t padding[4];
  uint8_t value[512];
};
constexpr size_t TK_XDATA_ITEM_HEAD = 8;  // code, length and padding, also in the blob

// A group item (the contents of an XRECORD), handed over like an extended-data item.
using TkGroupItem = TkXdataItem;

// A handle and its reference kind (9 bytes in a blob).
struct TkHandleRef {
  TkHandle handle;
  uint8_t kind;
};

// Extended data. Reading gives the length back for 1004 only and ends a 1000 string with a zero.
int16_t xdata_read_item(TkBlob* blob, TkXdataItem* item);
// Appends the item with the length its code implies (the caller's for 1000, 1004 and others).
int16_t xdata_append_item(TkBlob* blob, TkXdataItem* item);

// Group items: 162 for a null blob, 165 for a code without a stored form.
int16_t resbuf_read_item(TkBlob* blob, TkGroupItem* item);
int16_t xd_append_group(TkBlob* blob, const TkGroupItem* item);

int16_t tk_dict_entry_read(TkBlob* blob, TkDictEntry* entry);
int16_t tk_dict_entry_write(TkBlob* blob, const TkDictEntry* entry);
int16_t tk_handle_ref_read(TkBlob* blob, TkHandleRef* ref);
// Appends one 16-byte multiline-style element: colour, linetype, 4 zero bytes, offset.
int16_t tk_mlstyle_element_write(TkBlob* blob, const TkMlineElement* element);
// The object a dictionary's entry of that name (compared without regard to case) points at;
// 0 and a null handle when there is none.
int16_t tk_dict_lookup(TkDrawing* drawing, const TkHandle* dictionary, const char* name,
                       TkHandle* object);

int16_t tk_object_rewind(TkDrawing* drawing);
int16_t tk_object_next(TkDrawing* drawing, TkObjectHeader* header, TkObjectData* data);
int32_t tk_object_count(const TkDrawing* drawing);
int16_t tk_object_get(TkDrawing* drawing, const TkHandle* handle, TkObjectHeader* header,
                      TkObjectData* data);
// The stored object takes over the blobs of header and data.
int16_t tk_object_add(TkDrawing* drawing, const TkObjectHeader* header, const TkObjectData* data);
int16_t tk_object_delete(TkDrawing* drawing, const TkHandle* handle);
// Rewrites the stored object of the header's handle in place; 205 for an object of another
// type.
int16_t tk_object_replace(TkDrawing* drawing, const TkObjectHeader* header,
                          const TkObjectData* data);
int16_t tk_object_free_data(TkDrawing* drawing, TkObjectHeader* header, TkObjectData* data);
void tk_init_object(TkDrawing* drawing, TkObjectHeader* header, TkObjectData* data);
// The handle of the first object of that type in the object list; 0 when there is none.
int16_t tk_object_first_of_type(const TkDrawing* drawing, uint16_t type, TkHandle* handle);
