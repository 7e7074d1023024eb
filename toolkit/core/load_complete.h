// The steps that complete a loaded drawing once its tables, blocks, entities and objects are in:
// header variables that name records turned into handles, the current multiline style, the
// paper-space viewport entities numbered from the file's viewport headers, references inside
// extended data turned into handles, older VIEWPORT settings moved out of their extended data,
// and the block-reference dictionaries of older external-reference blocks. Storing entities is
// load_entities.h's; the order of the steps is the loader's.
#pragma once

#include <cstdint>

#include "toolkit/core/drawing.h"
#include "toolkit/core/error.h"

struct TkHeader;
struct TkBlob;

enum : TkError {
  TK_ERR_RESOLVE_VIEWPORTS = 70,
  TK_ERR_RESOLVE_HEADER = 131,
  TK_ERR_CURRENT_MLSTYLE = 132,
  TK_ERR_RESOLVE_XDATA = 288,
  TK_ERR_VIEWPORT_HEADER = 302,
};

// A reference inside a blob of extended data still to be made a handle.
enum : uint8_t { TK_FIXUP_APPID = 0, TK_FIXUP_LAYER = 1 };
struct TkXdataFixup {
  uint8_t kind;
  TkBlob* blob;       // borrowed: the extended data of a stored entity or record
  uint32_t position;  // of the 8-byte value in the blob
};

int16_t tk_fixup_list_create(TkDrawing* drawing);
int16_t tk_fixup_list_add(TkDrawing* drawing, uint8_t kind, TkBlob* blob, uint32_t position);
// Notes every application (1001) and layer (1003) item of the extended data. The blob must
// belong to a stored record that lives until the fix-ups are resolved.
int16_t tk_collect_xdata_fixups(TkDrawing* drawing, TkBlob* xdata);
// Writes the handle of each noted record over its value (the null handle when there is none:
// older DWG gives a table position, newer files a handle that must exist), then frees the list.
int16_t tk_resolve_xdata_fixups(TkDrawing* drawing);

// The header variables that name records, by the table positions an older DWG header gave or
// the names a DXF header left in the state, and the arrowhead blocks of the arrow names.
// Missing names give the null handle; a missing current layer is created. 0 only when memory
// runs out.
int16_t tk_resolve_header_references(TkDrawing* drawing, TkHeader* header);
// The multiline style the DXF header names, made when the drawing lacks it; its handle goes to
// the field.
int16_t tk_find_current_mlstyle(TkDrawing* drawing, TkHandle* field);
// An MLINE stored in the list whose multiline style, named so in the file, is looked up once the
// objects are loaded.
int16_t tk_note_mline_style(TkDrawing* drawing, TkList* list, const TkHandle* entity,
                            const char* name);
// Gives each noted MLINE its style: the handle the file gave when it leads to a multiline style,
// else the style of the name ("Standard" when empty); none of that name leaves the null handle
// (error callback code 6). 0 only when an entity cannot be written back.
int16_t tk_resolve_mline_styles(TkDrawing* drawing);
// Queues a dimension style's arrow name (code 5, 6 or 7: DIMBLK, DIMBLK1, DIMBLK2) that names
// no block yet, for the display's arrow blocks once the load is complete. 1; 0 when memory ran
// out. An empty name is not queued.
int16_t name_ref_queue(TkDrawing* drawing, const TkHandle* record, const char* name,
                       uint32_t code);
// The queued names of the record handle `from` now belong to `to` (a record that got another
// handle when it was stored). 1; 0 when memory ran out.
int16_t tk_name_refs_rekey(TkDrawing* drawing, const TkHandle* from, const TkHandle* to);
// Numbers the paper-space VIEWPORT entities from the file's viewport headers (DWG only). A
// header that names no VIEWPORT is passed over (error callback code 6).
int16_t tk_resolve_viewport_entities(TkDrawing* drawing);
// Moves the view settings older drawings keep in a VIEWPORT's extended data of "ACAD" into the
// entity's data; 0 at the first VIEWPORT whose extended data ends early.
int16_t tk_viewport_settings_from_xdata(TkDrawing* drawing);

// External-reference blocks of older drawings: the block (as read and as stored) gets a
// dictionary handle now, INSERTs naming it are noted as they are stored, and once the load is
// through each block gets its block-reference dictionary listing them.
int16_t tk_note_xref_block(TkDrawing* drawing, const TkHandle* as_read, const TkHandle* stored);
int16_t tk_note_xref_block_insert(TkDrawing* drawing, const TkHandle* insert,
                                  const TkHandle* block);
int16_t tk_resolve_xref_block_pairs(TkDrawing* drawing);

// Frees what a load keeps until its end.
void tk_free_load_lists(TkDrawing* drawing);
