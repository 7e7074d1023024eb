// Class list: the classes a drawing numbers for itself (LWPOLYLINE, HATCH, LAYOUT, ...), kept in
// the drawing's class list, with the number of each known class at hand in a slot of the drawing.
// Which classes a new drawing gets is the default content's business.
#pragma once

#include <cstdint>

#include "toolkit/core/drawing.h"

constexpr uint16_t TK_FIRST_CLASS_NUMBER = 500;
constexpr int16_t TK_CLASS_ITEM_ENTITY = 498;
constexpr int16_t TK_CLASS_ITEM_OBJECT = 499;
// Proxy-flag bit of a class that no entity of the drawing uses yet.
constexpr uint16_t TK_CLASS_UNUSED = 0x8000;

struct TkClassRecord {
  uint16_t number;
  char dxf_name[512];
  char class_name[512];
  char application[512];
  int16_t proxy_flags;
  int16_t was_proxy;
  int16_t item_class;  // TK_CLASS_ITEM_ENTITY or TK_CLASS_ITEM_OBJECT
};

int16_t class_list_rewind(TkDrawing* drawing);
// Copies the current record out and moves on; 0 at the end.
int16_t class_list_next(TkDrawing* drawing, TkClassRecord* record);
int32_t class_list_count(const TkDrawing* drawing);
// The class of that DXF name (without regard to case); 0 and a cleared record when absent. The
// list position is kept.
int16_t class_find(TkDrawing* drawing, const char* dxf_name, TkClassRecord* record);
// Writes the record over the stored one with its class number; 0 when none has it.
int16_t class_put(TkDrawing* drawing, const TkClassRecord* record);
// Appends the record and sets the slot of its DXF name; 0 when memory runs out.
int16_t class_add(TkDrawing* drawing, const TkClassRecord* record);
// 500 for an empty list, else the largest number plus 1.
uint16_t class_next_number(TkDrawing* drawing);
// 1 when a class of that DXF name exists; else the number of the class added for it (0 when
// adding failed).
uint16_t class_ensure(TkDrawing* drawing, const char* dxf_name, const char* class_name,
                      const char* application, int16_t proxy_flags, int16_t item_class,
                      int16_t was_proxy);
// Stores the number in the slot of a known DXF name; other names are ignored.
void class_slot_by_name(TkDrawing* drawing, const char* name, uint16_t number);
// Clears the "not used yet" proxy bit of the class of that DXF name, once an entity uses it.
int16_t class_mark_used(TkDrawing* drawing, const char* dxf_name);

uint16_t tk_class_ole2frame(const TkDrawing* drawing);
uint16_t tk_class_hatch(const TkDrawing* drawing);
uint16_t tk_class_lwpolyline(const TkDrawing* drawing);
uint16_t tk_class_image(const TkDrawing* drawing);
uint16_t tk_class_rtext(const TkDrawing* drawing);
uint16_t tk_class_arcalignedtext(const TkDrawing* drawing);
uint16_t tk_class_wipeout(const TkDrawing* drawing);
uint16_t tk_class_xrecord(const TkDrawing* drawing);
uint16_t tk_class_idbuffer(const TkDrawing* drawing);
uint16_t tk_class_dictionaryvar(const TkDrawing* drawing);
uint16_t tk_class_imagedef(const TkDrawing* drawing);
uint16_t tk_class_imagedef_reactor(const TkDrawing* drawing);
uint16_t tk_class_rastervariables(const TkDrawing* drawing);
uint16_t tk_class_spatial_filter(const TkDrawing* drawing);
uint16_t tk_class_sortentstable(const TkDrawing* drawing);
uint16_t tk_class_layer_index(const TkDrawing* drawing);
uint16_t tk_class_spatial_index(const TkDrawing* drawing);
uint16_t tk_class_object_ptr(const TkDrawing* drawing);
uint16_t tk_class_dictionarywdflt(const TkDrawing* drawing);
uint16_t tk_class_placeholder(const TkDrawing* drawing);
uint16_t tk_class_layout(const TkDrawing* drawing);
uint16_t tk_class_vba_project(const TkDrawing* drawing);
uint16_t tk_class_wipeoutvariables(const TkDrawing* drawing);
