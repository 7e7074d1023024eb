// Symbol-table records (layers, linetypes, text styles, views, viewports, application ids,
// dimension styles, UCSs, block records) and the one family of list operations every table
// shares: rewind, next, count, get and put by handle, find by name without regard to case, add.
// Records are copied in and out; the stored copies live in the drawing's table lists and are
// found by handle through the drawing's handle index. Reading them from files is the readers'.
#pragma once

#include <cstdint>

#include "toolkit/core/drawing.h"
#include "toolkit/core/error.h"
#include "toolkit/core/handle.h"

struct TkBlob;

enum : TkError {
  TK_ERR_NO_LINETYPES = 76,
  TK_ERR_LINETYPE_NOT_FOUND = 77,
  TK_ERR_DELETE_LINETYPE_XDATA = 106,
  TK_ERR_DELETE_LINETYPE = 107,
  TK_ERR_FREE_LINETYPE = 108,
  TK_ERR_ALLOC_VM_LINETYPE = 220,
};

constexpr size_t TK_NAME_SIZE = 512;
constexpr int TK_DASH_ELEMENTS = 15;

// Layer flag bits.
enum : uint8_t {
  TK_LAYER_FROZEN = 1,
  TK_LAYER_FROZEN_NEW_VIEWPORTS = 2,
  TK_LAYER_LOCKED = 4,
};

struct TkDashElement {
  double length;
  uint16_t shape;
  double scale;
  double rotation;
  double x_offset;
  double y_offset;
  TkHandle text_style;
  uint16_t shape_flags;  // bit value 2: the element carries a text
  uint16_t text_index;   // where its text starts in the dash text area
};

struct TkLinetypeRecord {
  TkHandle owner;
  int16_t xref_index;  // -1: none
  char name[TK_NAME_SIZE];
  char description[TK_NAME_SIZE];
  uint8_t alignment;
  uint8_t flags;
  int16_t element_count;
  double pattern_length;
  TkDashElement elements[TK_DASH_ELEMENTS];
  TkHandle handle;
  TkHandle xdict;
  char dash_texts[256];  // the elements' texts, each with its zero
  TkBlob* xdata;         // owned
  uint32_t reactor_count;
  TkBlob* reactors;      // owned; 8-byte handles
  uint32_t object_position;
};

struct TkLayerRecord {
  TkHandle owner;
  int16_t xref_index;
  int16_t color;  // negative: the layer is off
  uint8_t flags;  // TK_LAYER_*
  char name[TK_NAME_SIZE];
  TkHandle linetype;
  TkHandle handle;
  TkHandle xdict;
  TkBlob* xdata;
  uint32_t reactor_count;
  TkBlob* reactors;
  int16_t plot;
  int16_t lineweight;  // hundredths of a millimetre; negative values are the by-codes
  TkHandle plot_style;
  // Bit i: the layer is frozen in viewport i of the display state (from the paper-space
  // viewports' frozen-layer lists); kept in memory only, rebuilt with each viewport table.
  uint64_t viewport_frozen;
};

struct TkTextStyleRecord {
  TkHandle owner;
  char bigfont_file[256];
  int16_t xref_index;
  uint8_t generation_flags;
  uint8_t flags;
  char name[TK_NAME_SIZE];
  char font_file[256];
  double oblique_angle;  // radians
  double height;
  double width_factor;
  double last_height;
  TkHandle handle;
  TkHandle xdict;
  uint32_t reactor_count;
  TkBlob* reactors;
  // Owned. A TrueType style names its face in a 1000 item and its style bits in a 1071 item.
  TkBlob* xdata;
};

struct TkViewRecord {
  TkHandle owner;
  double back_clip;
  double center[2];
  double direction[3];
  uint8_t flags;
  double front_clip;
  double height;
  double lens_length;
  char name[TK_NAME_SIZE];
  double target[3];
  double twist;  // radians
  int16_t view_mode;
  double width;
  int16_t render_mode;
  int16_t ucs_associated;
  double ucs_origin[3];
  double ucs_x_axis[3];
  double ucs_y_axis[3];
  int16_t ortho_type;
  double elevation;
  TkHandle ucs;
  TkHandle base_ucs;
  TkHandle handle;
  TkHandle xdict;
  uint32_t reactor_count;
  TkBlob* reactors;
};

struct TkVportRecord {
  TkHandle owner;
  uint8_t flags;
  char name[TK_NAME_SIZE];
  double lower_left[2];
  double upper_right[2];
  double snap_base[2];
  double snap_spacing[2];
  double grid_spacing[2];
  double center[2];
  double direction[3];
  double target[3];
  double twist;  // radians
  double height;
  int16_t view_mode;
  int16_t circle_zoom;
  int16_t fast_zoom;
  int16_t ucs_icon;
  double aspect_ratio;
  double back_clip;
  double front_clip;
  int16_t grid_on;
  double lens_length;
  int16_t snap_isopair;
  int16_t snap_on;
  double snap_angle;
  int16_t snap_style;
  int16_t render_mode;
  int16_t ucs_per_viewport;
  double ucs_origin[3];
  double ucs_x_axis[3];
  double ucs_y_axis[3];
  int16_t ortho_type;
  double elevation;
  TkHandle ucs;
  TkHandle base_ucs;
  TkHandle handle;
  TkHandle xdict;
  TkBlob* xdata;
  uint32_t reactor_count;
  TkBlob* reactors;
};

struct TkAppIdRecord {
  TkHandle owner;
  int16_t xref_index;
  uint8_t flags;
  char name[TK_NAME_SIZE];
  TkHandle handle;
  TkHandle xdict;
  TkBlob* xdata;
  uint32_t reactor_count;
  TkBlob* reactors;
};

struct TkDimStyleRecord {
  TkHandle owner;
  uint8_t flags;
  char name[TK_NAME_SIZE];
  int16_t dimadec;
  uint8_t dimalt;
  uint8_t dimaltd;
  double dimaltf;
  double dimaltrnd;
  char dimapost[TK_NAME_SIZE];
  double dimasz;
  int16_t dimazin;
  TkHandle dimblk;
  TkHandle dimblk1;
  TkHandle dimblk2;
  double dimcen;
  int16_t dimclrd;
  int16_t dimclre;
  int16_t dimclrt;
  double dimdle;
  double dimdli;
  double dimexe;
  double dimexo;
  double dimgap;
  double dimlfac;
  uint8_t dimlim;
  char dimpost[TK_NAME_SIZE];
  double dimrnd;
  uint8_t dimsah;
  double dimscale;
  uint8_t dimse1;
  uint8_t dimse2;
  double dimtfac;
  uint8_t dimtih;
  double dimtm;
  uint8_t dimtoh;
  uint8_t dimtofl;
  uint8_t dimtol;
  double dimtp;
  double dimtsz;
  double dimtxt;
  double dimtvp;
  uint8_t dimsoxd;
  uint8_t dimtad;
  uint8_t dimtix;
  uint8_t dimzin;
  int16_t dimalttd;
  uint8_t dimalttz;
  int16_t dimaltu;
  uint8_t dimaltz;
  int16_t dimaunit;
  int16_t dimdec;
  uint8_t dimfit;
  uint8_t dimjust;
  uint8_t dimsd1;
  uint8_t dimsd2;
  int16_t dimtdec;
  uint8_t dimtolj;
  uint8_t dimtzin;
  int16_t dimlunit;  // also DIMUNIT
  uint8_t dimupt;
  int16_t dimfrac;
  int16_t dimdsep;
  int16_t dimtmove;
  TkHandle dimldrblk;
  int16_t dimlwd;
  int16_t dimlwe;
  TkHandle handle;
  TkHandle dimtxsty;
  TkHandle xdict;
  uint32_t reactor_count;
  TkBlob* reactors;
};

struct TkUcsRecord {
  TkHandle owner;
  int16_t xref_index;
  uint8_t flags;
  char name[TK_NAME_SIZE];
  double origin[3];
  double x_axis[3];
  double y_axis[3];
  TkHandle handle;
  TkHandle xdict;
  uint32_t reactor_count;
  TkBlob* reactors;
  int16_t ortho_view;
  int16_t ortho_type;
  double elevation;
  TkHandle base_ucs;
  TkHandle ortho_ucs;  // kept behind the base UCS by the R2000 reader
  double ortho_origin[3];
};

struct TkBlockRecord {
  TkHandle owner;
  TkHandle layout;
  TkBlob* first_blob;  // owned
  uint8_t flags;       // bit value 4: an external reference
  char name[TK_NAME_SIZE];
  uint8_t skip_mark;
  int16_t index;  // -1 by default
  TkHandle handle;
  uint32_t flag_word;
  TkBlob* second_blob;  // owned
  TkList* entities;     // owned
  uint8_t set_byte;
  TkHandle blkrefs_dictionary;
  TkBlob* references;  // owned; handles of the INSERTs that refer to this block
};

// One header of the table that numbers the paper-space VIEWPORT entities of DWG files.
struct TkViewportEntityHeader {
  uint32_t words[2];  // older files: the VIEWPORT entity's file position first
  uint8_t flags;
  int16_t viewport_number;
  int16_t end;  // 1: the file marks the record deleted; it names no viewport
  int16_t xref_index;
  TkHandle viewport;  // the VIEWPORT entity's handle (R13 and later)
  char name[TK_NAME_SIZE];
};

// Layers.
int16_t tk_layer_list_rewind(TkDrawing* drawing);
int16_t tk_layer_list_next(TkDrawing* drawing, TkLayerRecord* record);
int32_t tk_layer_list_count(const TkDrawing* drawing);
int16_t tk_layer_get(TkDrawing* drawing, const TkHandle* handle, TkLayerRecord* record);
int16_t tk_layer_put(TkDrawing* drawing, const TkLayerRecord* record);
int16_t tk_layer_find(TkDrawing* drawing, const char* name, TkHandle* handle);
int16_t tk_layer_add(TkDrawing* drawing, const TkLayerRecord* record);
// on: colour not negative; frozen, frozen in new viewports, locked: the flag bits.
int16_t tk_layer_get_state(TkDrawing* drawing, const TkHandle* handle, int16_t* on,
                           int16_t* frozen, int16_t* vp_frozen, int16_t* locked);
// 0 and -1 clear a flag (and turn the layer off for "on"), any other value sets it.
int16_t tk_layer_set_state(TkDrawing* drawing, const TkHandle* handle, int16_t on, int16_t frozen,
                           int16_t vp_frozen, int16_t locked);

// Text styles.
int16_t tk_style_list_rewind(TkDrawing* drawing);
int16_t tk_style_list_next(TkDrawing* drawing, TkTextStyleRecord* record);
int32_t tk_style_list_count(const TkDrawing* drawing);
int16_t tk_style_get(TkDrawing* drawing, const TkHandle* handle, TkTextStyleRecord* record);
int16_t tk_style_find(TkDrawing* drawing, const char* name, TkHandle* handle);
int16_t tk_style_add(TkDrawing* drawing, const TkTextStyleRecord* record);

// Linetypes. Adding keeps the BYBLOCK and BYLAYER records at the end of the list.
int16_t tk_ltype_rewind(TkDrawing* drawing);
int16_t tk_ltype_next(TkDrawing* drawing, TkLinetypeRecord* record);
int32_t tk_ltype_count(const TkDrawing* drawing);
int16_t tk_ltype_get(TkDrawing* drawing, const TkHandle* handle, TkLinetypeRecord* record);
int16_t tk_ltype_find(TkDrawing* drawing, const char* name, TkHandle* handle);
int16_t tk_ltype_add(TkDrawing* drawing, const TkLinetypeRecord* record);
int16_t tk_ltype_delete(TkDrawing* drawing, const TkHandle* handle);

// Dimension styles.
int16_t tk_dimstyle_rewind(TkDrawing* drawing);
int16_t tk_dimstyle_next(TkDrawing* drawing, TkDimStyleRecord* record);
int32_t tk_dimstyle_count(const TkDrawing* drawing);
int16_t tk_dimstyle_get(TkDrawing* drawing, const TkHandle* handle, TkDimStyleRecord* record);
int16_t tk_dimstyle_put(TkDrawing* drawing, const TkDimStyleRecord* record);

// Application ids, viewports, views and UCSs.
int16_t tk_appid_rewind(TkDrawing* drawing);
int16_t tk_appid_next(TkDrawing* drawing, TkAppIdRecord* record);
int32_t tk_appid_count(const TkDrawing* drawing);
int16_t tk_appid_find(TkDrawing* drawing, const char* name, TkHandle* handle);
int16_t tk_vport_rewind(TkDrawing* drawing);
int16_t tk_vport_next(TkDrawing* drawing, TkVportRecord* record);
int32_t tk_vport_count(const TkDrawing* drawing);
int16_t tk_view_rewind(TkDrawing* drawing);
int16_t tk_view_next(TkDrawing* drawing, TkViewRecord* record);
int32_t tk_view_count(const TkDrawing* drawing);
int16_t tk_ucs_rewind(TkDrawing* drawing);
int16_t tk_ucs_next(TkDrawing* drawing, TkUcsRecord* record);
int32_t tk_ucs_count(const TkDrawing* drawing);

// Block records.
int16_t block_list_rewind(TkDrawing* drawing);
int16_t block_list_next(TkDrawing* drawing, TkBlockRecord* record);
int32_t block_list_count(const TkDrawing* drawing);
int16_t tk_find_record_by_name(TkDrawing* drawing, const char* name, TkHandle* handle);
int16_t tk_block_get(TkDrawing* drawing, const TkHandle* handle, TkBlockRecord* record);
int16_t tk_block_put(TkDrawing* drawing, const TkBlockRecord* record);

// Record defaults.
void tk_init_layer_record(TkDrawing* drawing, TkLayerRecord* record);
void tk_init_ltype_record(TkLinetypeRecord* record);
void tk_init_style_record(TkTextStyleRecord* record);
void tk_init_appid_record(TkAppIdRecord* record);
void tk_init_ucs_record(TkUcsRecord* record);
// The default dimension style, its text style the drawing's first STYLE record.
void tk_init_dimstyle_record(TkDrawing* drawing, TkDimStyleRecord* record);
// Takes every dimension variable of the record from the header variable of the same name.
void tk_dimstyle_from_header(TkDimStyleRecord* record, const TkHeader* header);
void tk_copy_vport_defaults(TkVportRecord* record);
void tk_copy_view_defaults(TkViewRecord* record);
void tk_init_block_record(TkBlockRecord* record);
