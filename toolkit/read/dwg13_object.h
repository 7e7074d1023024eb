// Objects of the bit-stream releases (AC1012 to AC1015): the frame every object begins with
// (size, type, handle, extended data, proxy graphics, reactor count), the handle tails of table
// records and objects, an object's remaining data taken raw, and what this reader keeps per
// drawing between its operations (the entity walk, the table handle lists, the block walk, the
// list of objects still to read). The file layout, the object map and the header are
// dwg13_file's; the bodies are read by dwg13_entity*, dwg13_table* and dwg13_object_read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/core/handle.h"

struct TkBlob;
struct TkBitReader;
struct TkDrawing;

enum : uint16_t {
  DWG13_TYPE_DICTIONARY = 42,
  DWG13_TYPE_GROUP = 72,
  DWG13_TYPE_MLINESTYLE = 73,
  DWG13_TYPE_OLE2FRAME = 74,
  DWG13_TYPE_LWPOLYLINE = 77,
  DWG13_TYPE_HATCH = 78,
  DWG13_TYPE_XRECORD = 79,
  DWG13_TYPE_PROXY_ENTITY = 498,
  DWG13_TYPE_PROXY_OBJECT = 499,
};

// The block ranges the block-header reader notes for the entity walk of each block.
struct Dwg13BlockRange {
  TkHandle block_record;
  TkHandle block;  // the BLOCK entity
  TkHandle first;
  TkHandle last;
  TkHandle endblk;
};

// The state of the entity walk (one at a time per drawing).
struct Dwg13Walk {
  TkHandle next;    // the entity to read next; null: none
  TkHandle resume;  // where to go on after the SEQEND of a complex entity
  uint8_t pass;     // 0 the paper-space chain, 1 the model-space chain or a block
  uint8_t in_block;
  uint8_t end_flag;  // 1 the block ends after this SEQEND, 2 the walk does
  TkHandle last_sub;
  TkHandle seqend;
  Dwg13BlockRange block;  // of the block being walked
  uint32_t steps;         // entities read in this walk, against looping chains
};

// What the entity currently read leaves for the walk and the common handles.
struct Dwg13EntityScratch {
  uint8_t this_space;     // the entity-mode bit of the space being walked
  uint8_t owner_present;  // both entity-mode bits 0
  uint32_t reactor_count;
  uint8_t linetype_flags;    // AC1015
  uint8_t plot_style_flags;  // AC1015
  uint8_t linetype_by_layer; // AC1012/AC1014
  uint8_t no_links;
  TkHandle previous, next;  // the entity's chain neighbours
  TkHandle first_sub, last_sub, seqend;  // INSERT attributes, POLYLINE vertices
  uint8_t has_attributes;
  TkBlob* graphics;  // proxy graphics of the frame, owned until handed on
};

// What this reader keeps per drawing, inside the bit-stream reader's state.
struct Dwg13Objects {
  // The two spaces' ranges, from their block records read at open.
  Dwg13BlockRange model;
  Dwg13BlockRange paper;
  Dwg13Walk walk;
  // Entities read by all walks of the load and walks begun: each entity is one object of the
  // map and belongs to one chain, so together the walks read no more than the map holds (and
  // one more each), however the blocks' chains are made.
  uint32_t walked;
  uint32_t walks;
  Dwg13EntityScratch entity;
  // The record handles of the table being read, in compact form, and how far they were read.
  TkBlob* table_handles;
  TkBlob* table_reader;
  // Block ranges noted by the block-header reader, by block record (mem_alloc'd array).
  Dwg13BlockRange* ranges;
  size_t range_count;
  size_t range_capacity;
  // The block-header walk: index of the next record and the cache of record handles.
  int32_t block_index;
  int32_t block_cache_base;
  int32_t block_cache_count;
  TkHandle block_cache[200];
  // The objects still to read after the tables and entities (compact handles) and its reader.
  TkBlob* pending_objects;
  TkBlob* pending_reader;
  // The viewport entity headers: the VIEWPORT entities they name (at most 16) and the walk.
  TkHandle vpent_viewports[16];
  int16_t vpent_viewport_count;
  uint8_t vpent_first;
  TkHandle vpent_next;
  // The object the objects list gave last, and its type.
  TkHandle current_object;
  uint16_t current_type;
  // The space ranges are read once, when the first walk begins.
  uint8_t spaces_read;
  // Arrow block names queued by the dimension styles (Dwg13ArrowName records).
  TkBlob* arrow_names;
  // Reactor count of the non-entity object framed last.
  uint32_t reactor_count;
  // Extended data of the object read last: the raw list and whether it holds any.
  uint16_t xdata_length;
  uint8_t has_xdata;
};

// The classes whose objects AC1014 and AC1015 files store under fixed types (OLE2FRAME,
// LWPOLYLINE, HATCH; XRECORD from AC1015) need a number in the drawing even when the file's
// class list leaves them out. 0 when memory runs out.
int16_t dwg13_ensure_fixed_classes(TkDrawing* drawing);

// Frees what the state holds (not the state itself).
void dwg13_objects_free(Dwg13Objects* objects);

// Reads the frame at the file's current position (set by dwg_objmap_seek): opens the bit reader
// on the object, reads type, (AC1015) data size, handle, extended data into the state's buffer,
// (entities) proxy graphics into a new blob in *graphics, (AC1012/AC1014) data size and
// (non-entities) reactor count. The type, 0 at the end of the object area or when the object
// cannot be framed.
uint16_t dwg_read_object_start(TkDrawing* drawing, TkHandle* handle, uint8_t* has_xdata,
                               uint8_t is_entity, TkBlob** graphics);

// The handle tail of a table record: owner (relative to the record's handle), reactors into
// *reactors (8 bytes each) with their count, extension dictionary and external-reference block.
// 0 when memory runs out.
int16_t dwg_read_record_handles(TkBitReader* r, const TkHandle* own, TkHandle* owner, uint32_t reactor_count,
                                TkBlob** reactors, TkHandle* xdictionary, TkHandle* xref_block);
// The handle tail of an object: owner, reactors, extension dictionary (dropped).
int16_t dwg_read_object_handles(TkBitReader* r, const TkHandle* own, TkHandle* owner,
                                uint32_t reactor_count, TkBlob** reactors);

// The object's data bits from the current position to the end of its data, packed into a new
// blob (bit 7 first); the byte count in *bytes. 0 when memory runs out.
int16_t dwg_read_proxy_data(TkBitReader* r, TkBlob** out, uint32_t* bytes);
// Handle references (handle and kind, 9 bytes each) into a new blob up to the end of the object;
// *out stays null when there are none.
int16_t dwg_read_proxy_handles(TkBitReader* r, TkBlob** out);

// Bits of the current object's data left to read (0 when past its end).
uint32_t dwg13_bits_left(TkBitReader* r);
// The extended data of the object read last, as the frame stored it.
const uint8_t* dwg13_xdata_buffer();
uint16_t dwg13_xdata_length(TkDrawing* drawing);

// The reader's per-drawing state of this module.
Dwg13Objects* dwg13_objects(TkDrawing* drawing);

// `count` reactor handles into a new blob (8 bytes each); *reactors stays null for none. 0 when
// memory runs out or the count cannot fit in what is left of the object.
int16_t dwg_read_reactors(TkBitReader* r, uint32_t count, TkBlob** reactors);
// Bits of the current object (data and handles, the CRC excluded) left to read.
uint32_t dwg13_object_bits_left(TkBitReader* r);
