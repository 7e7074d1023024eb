// Entity records: the common header and the kind-specific data record through which every
// graphical entity passes between the toolkit and its callers, their defaults, the blobs an
// entity owns, and the compact stored form kept in a drawing's entity lists (defaults cost
// nothing, handles keep only their significant bytes, a plain 2D vertex takes 16 data bytes).
// Walking, adding and deleting entities in lists is entity_list.h's business.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "toolkit/core/drawing.h"
#include "toolkit/core/error.h"
#include "toolkit/core/handle.h"

struct TkBlob;

enum : TkError {
  TK_ERR_FREE_ENTITY_BLOB = 98,
  TK_ERR_FREE_CLASS_BLOB_1 = 159,
  TK_ERR_FREE_CLASS_BLOB_2 = 160,
  TK_ERR_INSERT_BLOCK_UNKNOWN = 232,
};

enum TkEntityKind : uint16_t {
  TK_LINE = 1,
  TK_POINT = 2,
  TK_CIRCLE = 3,
  TK_SHAPE = 4,
  TK_ELLIPSE = 5,
  TK_SPLINE = 6,
  TK_TEXT = 7,
  TK_ARC = 8,
  TK_TRACE = 9,
  TK_REGION = 10,
  TK_SOLID = 11,
  TK_BLOCK = 12,
  TK_ENDBLK = 13,
  TK_INSERT = 14,
  TK_ATTDEF = 15,
  TK_ATTRIB = 16,
  TK_SEQEND = 17,
  TK_POLYLINE = 19,
  TK_VERTEX = 20,
  TK_3DLINE = 21,
  TK_3DFACE = 22,
  TK_DIMENSION = 23,
  TK_VIEWPORT = 24,
  TK_3DSOLID = 25,
  TK_RAY = 26,
  TK_XLINE = 27,
  TK_MTEXT = 28,
  TK_LEADER = 29,
  TK_TOLERANCE = 30,
  TK_MLINE = 31,
  TK_BODY = 35,
  TK_LAST_FIXED_KIND = 39,  // kinds above are class numbers
};

// Header flag bits.
enum : uint8_t {
  TK_ENTITY_EXTRUDED = 2,     // the extrusion is not (0, 0, 1) and is stored
  TK_ENTITY_FROM_R13 = 4,     // set by the R13+ entity reader
};

constexpr uint16_t TK_COLOUR_BYLAYER = 256;
constexpr int16_t TK_LINEWEIGHT_BYLAYER = -1;

struct TkEntityHeader {
  uint16_t kind;  // TkEntityKind, or a class number (500 and up)
  TkHandle handle;
  TkHandle layer;
  TkHandle linetype;
  TkHandle xdictionary;  // null when the entity has none
  double thickness;
  uint16_t colour;
  double extrusion[3];
  double linetype_scale;
  uint8_t flags;
  int16_t lineweight;
  uint32_t word_a;  // kept with the entity for the readers; stored only when not 0
  TkBlob* xdata;    // owned; extended-data items
  uint32_t reactor_count;
  TkBlob* reactors;  // owned; 8-byte handles
  // Working values of the pre-R13 reader: neither stored nor touched by unpacking.
  uint32_t transient[2];
  TkHandle plot_style;
};

// Room for the largest kind (ARCALIGNEDTEXT) and for the string tails of the others.
constexpr size_t TK_ENTITY_DATA_SIZE = 2192;

// The kind-specific record. Its fields stand at fixed byte places (the stored form keeps a
// kind's first bytes as they are), so it is a byte record read and written through tk_data_get
// and tk_data_put at the places below. Blob words hold pointers, 8 bytes wide.
struct TkEntityData {
  alignas(8) uint8_t bytes[TK_ENTITY_DATA_SIZE];
};

template <typename T>
T tk_data_get(const TkEntityData* data, size_t offset) {
  T value;
  std::memcpy(&value, data->bytes + offset, sizeof value);
  return value;
}
template <typename T>
void tk_data_put(TkEntityData* data, size_t offset, const T& value) {
  std::memcpy(data->bytes + offset, &value, sizeof value);
}
inline TkBlob* tk_data_blob(const TkEntityData* data, size_t offset) {
  return tk_data_get<TkBlob*>(data, offset);
}
inline char* tk_data_text(TkEntityData* data, size_t offset) {
  return reinterpret_cast<char*>(data->bytes + offset);
}
inline const char* tk_data_text(const TkEntityData* data, size_t offset) {
  return reinterpret_cast<const char*>(data->bytes + offset);
}

// Byte places in the data record that the toolkit itself reads.
enum : size_t {
  TK_TEXT_STRING = 88,
  TK_TEXT_ATTRS = 24,
  TK_INSERT_BLOCK = 84,
  TK_ATTDEF_ATTRS = 32,
  TK_ATTDEF_STRINGS = 96,
  TK_ATTDEF_SECOND = 609,
  TK_ATTDEF_THIRD = 1122,
  TK_ATTR_STRING_MAX = 512,  // characters of one ATTDEF or ATTRIB string
  TK_VERTEX_Z = 16,
  TK_VERTEX_FLAGS = 24,
  TK_DIMENSION_STRING = 272,
  TK_DIMENSION_BLOCK = 248,
  TK_DIMENSION_STYLE = 256,
  TK_VIEWPORT_BLOB = 0,          // the frozen layers' handles
  TK_VIEWPORT_LAYER_COUNT = 12,  // u32, how many
  TK_VIEWPORT_STATUS = 10,       // i16, DXF group 68: 0 off, else on and its place in the stack
  TK_VIEWPORT_FLAGS = 80,        // u32, DXF group 90 (TK_VIEWPORT_FLAG_OFF among them)
  TK_VIEWPORT_NUMBER = 56,
  TK_VIEWPORT_CLIP_ENTITY = 70,  // handle of the clipping entity of a non-rectangular viewport
  TK_VIEWPORT_LIST_VALUE = 880,
  TK_VIEWPORT_SCRATCH = 888,
  TK_VIEWPORT_FLAG_OFF = 0x20000,  // status flag of a viewport turned off (from AC1015)
  TK_MTEXT_STYLE = 104,  // the text style's handle
  TK_MTEXT_BLOB = 112,
  TK_MTEXT_STRING = 120,
  TK_TOLERANCE_STRING = 64,
  TK_TOLERANCE_DIMSTYLE = 48,
  TK_LEADER_DIMSTYLE = 112,
  TK_MLINE_STYLE = 40,   // the MLINESTYLE object's handle
  TK_SHAPE_NUMBER = 32,  // u16; 255 when no loaded shape font has the name
  TK_SHAPE_STYLE = 64,   // the shape font's text style
  TK_SPLINE_BLOB = 88,
  TK_LEADER_BLOB = 120,
  TK_MLINE_BLOB = 48,
  TK_MODELER_BLOB_1 = 24,  // REGION, 3DSOLID, BODY
  TK_MODELER_BLOB_2 = 32,
  TK_LWPOLYLINE_VERTICES = 24,
  TK_IMAGE_DEFINITION = 112,  // IMAGE: the IMAGEDEF object's handle (both readers)
  TK_IMAGE_BUFFER = 168,
  TK_CLASS_DATA_FLAG = 8,  // of a class kind without a table of its own: a second blob when not 0
};

// The HATCH record, one layout for every reader (600 bytes; the four blobs are those the core
// frees for the class).
//   Path blob, per path: i32 flags (2 polyline path, 8 path not used); a polyline path: i16
//   has-bulge, i16 closed, i32 n, n x (x, y[, bulge]); any other: i32 edge count and per edge
//   i16 type with its values: 1 line x1 y1 x2 y2; 2 circular arc cx cy r start end (radians),
//   i16 counter-clockwise; 3 elliptic arc cx cy, major-axis end ax ay, ratio, start end
//   (parameters), i16 counter-clockwise; 4 spline i32 degree, i16 rational, i16 periodic, i32
//   knot count, i32 control count, the knots, the control points (x, y[, weight]); then i32
//   count of the path's source objects.
//   Pattern-line blob, per line: angle, base x, y, offset x, y (f64), i16 dash count, dashes.
enum : size_t {
  TK_HATCH_ELEVATION = 0,      // 3 f64 (the z of the output is the third)
  TK_HATCH_PATTERN = 24,       // pattern name, 256 bytes
  TK_HATCH_SOLID = 280,        // i16
  TK_HATCH_ASSOCIATIVE = 282,  // i16
  TK_HATCH_STYLE = 284,        // i16: 0 normal, 1 outer, 2 ignore
  TK_HATCH_PATTERN_TYPE = 286, // i16
  TK_HATCH_DOUBLE = 288,       // i16
  TK_HATCH_LINE_COUNT = 290,   // i16
  TK_HATCH_PATH_COUNT = 292,   // u32
  TK_HATCH_SEED_COUNT = 296,   // u32
  TK_HATCH_DERIVED = 300,      // u8: a path had flag 4
  TK_HATCH_ANGLE = 304,        // f64 radians
  TK_HATCH_SCALE = 312,        // f64
  TK_HATCH_PIXEL_SIZE = 320,   // f64
  TK_HATCH_SOURCE_COUNT = 328, // u32: handles in the source blob
  TK_HATCH_PATTERN_SIZE = 256,
  TK_HATCH_PATHS = 544,
  TK_HATCH_LINES = 568,
  TK_HATCH_SOURCES = 576,  // handles of the boundary's source objects
  TK_HATCH_SEEDS = 592,    // 2D points
};

// Where the stored record's parts stand (behind the list link).
enum : size_t {
  TK_STORED_KIND = 0,
  TK_STORED_HANDLE = 2,
  TK_STORED_FLAGS = 10,
  TK_STORED_PRESENT = 11,
  TK_STORED_PRESENT2 = 12,
  TK_STORED_VAR_SIZE = 13,
  TK_STORED_HEAD_SIZE = 15,
};

// Presence bits of the stored record's optional header fields.
enum : uint8_t {
  TK_HAS_THICKNESS = 1,
  TK_HAS_COLOUR = 2,
  TK_HAS_EXTRUSION = 4,
  TK_HAS_XDATA = 8,
  TK_HAS_LTSCALE = 16,
  TK_HAS_WORD_A = 32,
  TK_HAS_REACTORS = 64,
  TK_HAS_XDICTIONARY = 128,
  TK_HAS_PLOT_STYLE = 1,  // in the second presence byte
};

// entity_pack flags.
enum : uint16_t {
  // Keep an INSERT whose block handle does not resolve, without the block's reference
  // bookkeeping, instead of refusing it: a loader must not lose the entity, nor fail the whole
  // drawing, over one dangling block name.
  TK_PACK_KEEP_UNRESOLVED = 1,
};

// The DXF name of a kind below 40; "" for kinds without one.
const char* tk_entity_kind_name(uint16_t kind);

// The data bytes the stored form keeps for this header and data (strings and the short VERTEX
// forms included); 0 for kinds without data.
size_t tk_entity_data_size(TkDrawing* drawing, const TkEntityHeader* header,
                           const TkEntityData* data);

// Stores the entity at the list position (TK_POS_*; before is used with TK_POS_BEFORE) and
// returns its link; null on failure (232 for an INSERT whose block is unknown, unless flags say
// otherwise), with nothing stored. The stored record takes over the entity's blobs.
TkLink* entity_pack(TkDrawing* drawing, TkList* list, const TkEntityHeader* header,
                    const TkEntityData* data, uint16_t position, TkLink* before, uint16_t flags);
// The stored record back as header and data. data_location (may be null) receives where the
// record's data bytes stand, next (may be null) the following link. 0 when the record is damaged
// (sizes that run past it), with header and data untouched.
int16_t entity_unpack(const TkLink* stored, TkEntityHeader* header, TkEntityData* data,
                      const uint8_t** data_location, TkLink** next);

// The caller sets header->kind first; everything else of both records gets the defaults.
void tk_init_entity(TkDrawing* drawing, TkEntityHeader* header, TkEntityData* data);
// The 64-byte text-attribute block of TEXT, ATTDEF and ATTRIB at the offset.
void tk_init_text_attrs(TkDrawing* drawing, TkEntityData* data, size_t offset);
void tk_init_viewport_data(TkEntityData* data);

// Where the blobs of a kind stand in its data record (up to four); the count.
int tk_entity_blob_places(TkDrawing* drawing, const TkEntityHeader* header,
                          const TkEntityData* data, size_t places[4]);
// Gives back the memory of an entity record taken out of its list (null: nothing).
void tk_release_entity_record(TkDrawing* drawing, TkLink* stored);
// Whether a stored record may own blobs (extended data, reactors or blobs of its kind), read from
// its head alone; true for a record too short to tell. A record without any needs no unpacking
// before it is freed.
bool tk_stored_entity_owns_blobs(TkDrawing* drawing, const TkLink* stored);
// Frees the header's xdata and reactors, then the kind's blobs, and clears their words.
int16_t tk_free_entity_blobs(TkDrawing* drawing, TkEntityHeader* header, TkEntityData* data);
