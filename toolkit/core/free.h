// Freeing a drawing's record lists together with the blobs their records own: the symbol
// tables, the block list, the class list, the paper-space viewport list, the object list and
// entity lists. Used by closing a drawing, by a failed load and by table loaders that restart a
// table. Freeing never touches the handle index; whoever frees a list the index still points
// into clears the index too.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/core/drawing.h"

// Blob places of a record kind: byte offsets of TkBlob pointers within the record.
constexpr uint16_t TK_NO_BLOB = 0xFFFF;

// Frees every record of the list from the first, each owned blob at the places (TK_NO_BLOB for
// none) first, and leaves the list empty. Stops, leaving the rest, if a record cannot be
// unlinked.
void tk_free_record_list(TkList* list, const uint16_t places[4]);

void tk_free_layer_list(TkDrawing* drawing);
void tk_free_ltype_list(TkDrawing* drawing);
void tk_free_view_list(TkDrawing* drawing);
void tk_free_vport_list(TkDrawing* drawing);
void tk_free_pspace_viewport_list(TkDrawing* drawing);
void tk_free_dimstyle_list(TkDrawing* drawing);
void tk_free_style_list(TkDrawing* drawing);
void tk_free_appid_list(TkDrawing* drawing);
void tk_free_ucs_list(TkDrawing* drawing);
void tk_free_class_list(TkDrawing* drawing);
// Block records with their blobs and the entity lists they own (with the entities' blobs).
void tk_free_block_list(TkDrawing* drawing);
void tk_free_object_list(TkDrawing* drawing);
// Frees every entity of the list with its blobs and leaves the list empty.
void tk_free_entity_list(TkDrawing* drawing, TkList* list);
// Frees the drawing's cached work buffers that are set; 1.
int16_t tk_free_drawing_buffers(TkDrawing* drawing);
