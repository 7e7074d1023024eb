// Completing the database after the tables are loaded: storing the entities of the two spaces
// and of every block, turning the names (DXF) or table indexes (older DWG) an entity refers to
// into handles and creating the layers a file forgot, turning 2D POLYLINEs into LWPOLYLINEs, and
// storing the objects section. The readers deliver the records; the packing of a record is
// entity.h's.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/core/drawing.h"
#include "toolkit/core/error.h"
#include "toolkit/core/reader_ops.h"

struct TkBlob;
struct TkEntityHeader;
struct TkEntityData;

enum : TkError {
  TK_ERR_LOAD_ENTITIES = 55,
  TK_ERR_LOAD_OBJECTS = 56,
  TK_ERR_LOAD_BLOCK_ENTITIES = 130,
  TK_ERR_DEFAULT_OBJECTS = 133,
  TK_ERR_VIEWPORT_NO_XDATA = 287,
  TK_ERR_ADD_ENTITY = 289,
};

// The LWPOLYLINE data record (32 bytes; its vertex blob stands at TK_LWPOLYLINE_VERTICES).
enum : size_t {
  TK_LWPOLYLINE_FLAGS = 0,        // u16, TK_LWPL_*
  TK_LWPOLYLINE_COUNT = 4,        // u32 vertices
  TK_LWPOLYLINE_WIDTH = 8,        // f64 constant width (flag 4)
  TK_LWPOLYLINE_ELEVATION = 16,   // f64 (flag 8)
};

enum : uint16_t {
  TK_LWPL_EXTRUDED = 1,
  TK_LWPL_THICKNESS = 2,
  TK_LWPL_CONSTANT_WIDTH = 4,
  TK_LWPL_ELEVATION = 8,
  TK_LWPL_BULGES = 16,
  TK_LWPL_WIDTHS = 32,
  TK_LWPL_PLINEGEN = 256,
  TK_LWPL_CLOSED = 512,
};

// An LWPOLYLINE as the POLYLINE, VERTEX records and SEQEND that stand for it in releases before
// AC1014, for the writers of those releases. The walk reads the vertex blob in place.
struct TkLwplineWalk {
  TkBlob* reader;  // open on the vertex blob; null when there is none
  uint32_t count;  // vertices the blob really holds, at most the stated count
  bool bulges, widths;
  size_t per;  // reals a vertex takes
  double elevation;
};
// Fills the POLYLINE (the LWPOLYLINE's header with no reactors, its extended data kept) and
// opens the walk; the caller writes it, then calls tk_lwpline_vertex_init.
void tk_lwpline_to_polyline(const TkEntityHeader* header, const TkEntityData* data,
                            TkEntityHeader* polyline, TkEntityData* polyline_data,
                            TkLwplineWalk* walk);
// Makes the header the vertices share: no extended data, thickness or extrusion.
void tk_lwpline_vertex_init(TkEntityHeader* vertex);
// The next VERTEX record's data (and kind) into the scratch records; the handle is the caller's.
// false after the last vertex, or when the blob runs short.
bool tk_lwpline_read_vertex(TkLwplineWalk* walk, TkEntityHeader* vertex, TkEntityData* data);
// Closes the walk and turns the scratch records into the SEQEND.
void tk_lwpline_seqend(TkLwplineWalk* walk, TkEntityHeader* seqend, TkEntityData* data);

// Chooses from the version, the file kind and whether the file has its own handle seed whether
// loaded entities keep their handles or get fresh ones.
void tk_set_load_flags(TkDrawing* drawing);

// The linetype a reference of an older drawing names: by name for DXF, by table position for
// DWG (32767 BYLAYER, 32766 BYBLOCK), the by-linetypes not counted. 0 when there is none.
int16_t tk_resolve_linetype_ref(TkDrawing* drawing, const TkPendingRefs* refs, TkHandle* out);

// Stores the entities the reader gives from where it stands into the two lists (by their
// paper-space flag; in a block both are the block's list and the walk ends at the ENDBLK), with
// fresh handles when asked. On failure both lists are emptied and 0 returned with the error.
int16_t tk_load_entity_list(TkDrawing* drawing, TkList* model, TkList* paper, bool fresh,
                            bool in_block);
// A record of the file whose handle another record already holds (a damaged file) takes a fresh
// handle from the seed, so the drawing still opens; references naming the handle keep finding the
// first record. The error callback hears of it (code 6) while the last error is 292 and names the
// handle. 0 only when no fresh handle can be had.
int16_t tk_fresh_handle_if_taken(TkDrawing* drawing, TkHandle* handle);

// The entities of model and paper space; 1 or 0 with the last error.
int16_t tk_load_entities(TkDrawing* drawing);
// The entities of every other block, each up to its ENDBLK.
int16_t tk_load_block_entities(TkDrawing* drawing);
// The objects section (AC1012 and later).
int16_t tk_load_objects(TkDrawing* drawing);

// Gives a drawing from before objects existed the named-object dictionary with its group and
// multiline-style dictionaries and the multiline style "Standard", under the four handles given
// (named objects, groups, multiline styles, the style) or fresh ones. All or nothing.
int16_t tk_create_default_objects(TkDrawing* drawing, const TkHandle* handles);
// Keeps the handle of the named-object dictionary's "ACAD_PLOTSTYLENAME" entry; 0 when there is
// none. The named-object dictionary is the first dictionary of a file that does not name it.
int16_t tk_find_plotstyle_dictionary(TkDrawing* drawing);

// The load step: older drawings only.
int16_t tk_add_default_objects_on_load(TkDrawing* drawing);
