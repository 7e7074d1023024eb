// The reader operations: the numbered functions through which the database core asks a file
// reader for the next record of each kind. The core never parses a file format itself; the DWG
// and DXF readers each fill one set, start-up installs both in the global state, and every
// drawing points at the set its file needs. This file holds the set and its dispatch functions,
// not any reader.
#pragma once

#include <cstddef>
#include <cstdint>

struct TkDrawing;
struct TkPlotSettings;
struct TkBlockRecord;
struct TkClassRecord;
struct TkDimStyleRecord;
struct TkLayerRecord;
struct TkLinetypeRecord;
struct TkAppIdRecord;
struct TkTextStyleRecord;
struct TkUcsRecord;
struct TkViewRecord;
struct TkVportRecord;
struct TkEntityHeader;
struct TkEntityData;
struct TkObjectHeader;
union TkObjectData;
struct TkViewportEntityHeader;

// Each operation returns 1 for success and 0 for failure or when nothing is left to read, except
// slot 1, which returns an object kind. The out flag of the record, entity and object operations
// says whether the record carries extended data.
using TkReadStepFn = int16_t (*)(TkDrawing* drawing);
using TkReadBlockFn = int16_t (*)(TkDrawing* drawing, TkBlockRecord* record, uint8_t* has_xdata);
using TkReadBlockRecordFn = int16_t (*)(TkDrawing* drawing, TkBlockRecord* record);
using TkReadClassFn = int16_t (*)(TkDrawing* drawing, TkClassRecord* record);
using TkReadDimStyleFn = int16_t (*)(TkDrawing* drawing, TkDimStyleRecord* record,
                                     uint8_t* has_xdata);
using TkReadEntityFn = int16_t (*)(TkDrawing* drawing, TkEntityHeader* header, TkEntityData* data,
                                   uint8_t* has_xdata);
using TkReadObjectFn = int16_t (*)(TkDrawing* drawing, TkObjectHeader* object,
                                   TkObjectData* data, uint8_t* has_xdata);
using TkReadLayerFn = int16_t (*)(TkDrawing* drawing, TkLayerRecord* record, uint8_t* has_xdata);
using TkReadLinetypeFn = int16_t (*)(TkDrawing* drawing, TkLinetypeRecord* record,
                                     uint8_t* has_xdata);
using TkReadAppIdFn = int16_t (*)(TkDrawing* drawing, TkAppIdRecord* record, uint8_t* has_xdata);
using TkReadStyleFn = int16_t (*)(TkDrawing* drawing, TkTextStyleRecord* record,
                                  uint8_t* has_xdata);
using TkReadUcsFn = int16_t (*)(TkDrawing* drawing, TkUcsRecord* record, uint8_t* has_xdata);
using TkReadViewFn = int16_t (*)(TkDrawing* drawing, TkViewRecord* record, uint8_t* has_xdata);
using TkReadVportFn = int16_t (*)(TkDrawing* drawing, TkVportRecord* record, uint8_t* has_xdata);
using TkReadVpEntHeaderFn = int16_t (*)(TkDrawing* drawing, TkViewportEntityHeader* record);

// What the entity reader leaves for the core to resolve about the entity it just read: the names
// (DXF) or table indexes (DWG before AC1012) of the records it refers to. Newer DWG gives
// handles in the entity itself and leaves this alone.
constexpr size_t TK_PENDING_NAME_SIZE = 512;
struct TkPendingRefs {
  char layer[TK_PENDING_NAME_SIZE];
  char linetype[TK_PENDING_NAME_SIZE];
  char block[TK_PENDING_NAME_SIZE];  // INSERT and DIMENSION
  char dimstyle[TK_PENDING_NAME_SIZE];  // DIMENSION, LEADER and TOLERANCE
  // TEXT, ATTDEF, ATTRIB, MTEXT, ARCALIGNEDTEXT and RTEXT
  char text_style[TK_PENDING_NAME_SIZE];
  int16_t layer_index;
  int16_t linetype_index;  // 32767 BYLAYER, 32766 BYBLOCK
  int16_t block_index;
  int16_t dimstyle_index;
  int16_t style_index;
  char shape[TK_PENDING_NAME_SIZE];       // SHAPE: the shape's name
  char mlinestyle[TK_PENDING_NAME_SIZE];  // MLINE: its multiline style's name
  // A text height the reader met before the entity's style: cleared with each new entity.
  double text_height;
};

// Empties the references for the next entity. The names are read as texts up to their zero, so
// emptying them is enough: clearing their areas whole costs more than reading a small entity.
void tk_clear_pending_refs(TkPendingRefs* refs);

// Object kinds slot 1 gives; any other non-zero kind is read by slot 3.
enum : int16_t {
  TK_OBJECT_KIND_NONE = 0,
  TK_OBJECT_KIND_DICTIONARY = 32,
  TK_OBJECT_KIND_MLINESTYLE = 33,
  TK_OBJECT_KIND_GROUP = 36,
  TK_OBJECT_KIND_PLOTSETTINGS = 103,
};

// The set, in slot order (the comment gives each slot's number). Slot 30 has no operation and
// slot 28 no caller in the core, so neither has a member.
struct TkReaderOps {
  TkReadStepFn next_object_kind;            // 1
  TkReadObjectFn read_dictionary;           // 2
  TkReadObjectFn read_object;               // 3
  TkReadBlockFn read_block_header;          // 4
  TkReadBlockRecordFn read_block_record;    // 5: null in the DWG set
  TkReadClassFn read_class;                 // 6
  TkReadDimStyleFn read_dimstyle;           // 7
  TkReadEntityFn read_entity;               // 8
  TkReadObjectFn read_group;                // 9
  TkReadStepFn open;                        // 10
  TkReadLayerFn read_layer;                 // 11
  TkReadLinetypeFn read_linetype;           // 12
  TkReadObjectFn read_mlinestyle;           // 13
  TkReadObjectFn read_plotsettings;         // 14
  TkReadAppIdFn read_appid;                 // 15
  TkReadStyleFn read_style;                 // 16
  TkReadUcsFn read_ucs;                     // 17
  TkReadViewFn read_view;                   // 18
  TkReadVportFn read_vport;                 // 19
  TkReadVpEntHeaderFn read_vpent_header;    // 20
  TkReadStepFn begin_block_entities;        // 21
  TkReadStepFn begin_block_headers;         // 22
  TkReadStepFn begin_classes;               // 23
  TkReadStepFn begin_dimstyles;             // 24
  TkReadStepFn begin_entities;              // 25
  TkReadStepFn begin_layers;                // 26
  TkReadStepFn begin_linetypes;             // 27
  TkReadStepFn begin_objects;               // 29
  TkReadStepFn begin_appids;                // 31
  TkReadStepFn begin_styles;                // 32
  TkReadStepFn begin_ucss;                  // 33
  TkReadStepFn begin_views;                 // 34
  TkReadStepFn begin_vpent_headers;         // 35
  TkReadStepFn begin_vports;                // 36
  // No numbered slot: the DXF reader's move to the BLOCK_RECORD table, which the block-header
  // loader calls directly before it calls slot 5 of the DXF set.
  TkReadStepFn seek_block_records;
};

// Copy a reader's set into the global state: the DWG set (slot 5 is cleared, as the DWG reader
// has no separate block-record pass) and the DXF set. After start-up; 0 before it.
int16_t tk_install_readers_full(const TkReaderOps* dwg);
int16_t tk_install_readers(const TkReaderOps* dxf);
// The installed sets; a set never installed has null slots.
const TkReaderOps* tk_dwg_readers();
const TkReaderOps* tk_dxf_readers();

// Dispatch: one function per slot, through the drawing's set. The set must hold the slot; a
// missing operation is a failed read (0) rather than a crash, since a half-installed reader must
// not bring the program down with a drawing open.
int16_t reader_call_next_object_kind(TkDrawing* d);
int16_t reader_call_read_dictionary(TkDrawing* d, TkObjectHeader* object,
                                     TkObjectData* data, uint8_t* xd);
int16_t reader_call_read_object(TkDrawing* d, TkObjectHeader* object,
                                     TkObjectData* data, uint8_t* xd);
int16_t reader_call_read_block_header(TkDrawing* d, TkBlockRecord* record, uint8_t* xd);
int16_t reader_call_read_class(TkDrawing* d, TkClassRecord* record);
int16_t reader_call_read_dimstyle(TkDrawing* d, TkDimStyleRecord* record, uint8_t* xd);
int16_t reader_call_read_entity(TkDrawing* d, TkEntityHeader* header, TkEntityData* data,
                                uint8_t* xd);
int16_t reader_call_read_group(TkDrawing* d, TkObjectHeader* object,
                                     TkObjectData* data, uint8_t* xd);
int16_t reader_call_open(TkDrawing* d);
int16_t reader_call_read_layer(TkDrawing* d, TkLayerRecord* record, uint8_t* xd);
int16_t reader_call_read_linetype(TkDrawing* d, TkLinetypeRecord* record, uint8_t* xd);
int16_t reader_call_read_mlinestyle(TkDrawing* d, TkObjectHeader* object,
                                     TkObjectData* data, uint8_t* xd);
int16_t reader_call_read_plotsettings(TkDrawing* d, TkObjectHeader* object,
                                     TkObjectData* data, uint8_t* xd);
int16_t reader_call_read_appid(TkDrawing* d, TkAppIdRecord* record, uint8_t* xd);
int16_t reader_call_read_style(TkDrawing* d, TkTextStyleRecord* record, uint8_t* xd);
int16_t reader_call_read_ucs(TkDrawing* d, TkUcsRecord* record, uint8_t* xd);
int16_t reader_call_read_view(TkDrawing* d, TkViewRecord* record, uint8_t* xd);
int16_t reader_call_read_vport(TkDrawing* d, TkVportRecord* record, uint8_t* xd);
int16_t reader_call_read_vpent_header(TkDrawing* d, TkViewportEntityHeader* record);
int16_t reader_call_begin_block_entities(TkDrawing* d);
int16_t reader_call_begin_block_headers(TkDrawing* d);
int16_t reader_call_begin_classes(TkDrawing* d);
int16_t reader_call_begin_dimstyles(TkDrawing* d);
int16_t reader_call_begin_entities(TkDrawing* d);
int16_t reader_call_begin_layers(TkDrawing* d);
int16_t reader_call_begin_linetypes(TkDrawing* d);
int16_t reader_call_begin_objects(TkDrawing* d);
int16_t reader_call_begin_appids(TkDrawing* d);
int16_t reader_call_begin_styles(TkDrawing* d);
int16_t reader_call_begin_ucss(TkDrawing* d);
int16_t reader_call_begin_views(TkDrawing* d);
int16_t reader_call_begin_vpent_headers(TkDrawing* d);
int16_t reader_call_begin_vports(TkDrawing* d);
