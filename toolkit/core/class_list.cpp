// Class list: numbering, finding and updating a drawing's class records and keeping the class
// numbers of the known classes in the drawing's slots.
#include "toolkit/core/class_list.h"

#include <cstring>

namespace {

// Slot order of TkClassSlot.
const char* const kSlotNames[TK_CLASS_SLOT_COUNT] = {
    "OLE2FRAME",       "HATCH",           "LWPOLYLINE",     "IMAGE",
    "RTEXT",           "ARCALIGNEDTEXT",  "WIPEOUT",        "XRECORD",
    "IDBUFFER",        "DICTIONARYVAR",   "IMAGEDEF",       "IMAGEDEF_REACTOR",
    "RASTERVARIABLES", "SPATIAL_FILTER",  "SORTENTSTABLE",  "LAYER_INDEX",
    "SPATIAL_INDEX",   "OBJECT_PTR",      "ACDBDICTIONARYWDFLT", "ACDBPLACEHOLDER",
    "LAYOUT",          "VBA_PROJECT",     "WIPEOUTVARIABLES",
};

TkClassRecord* stored_record(TkLink* link) { return static_cast<TkClassRecord*>(tk_link_data(link)); }

// The stored record of that DXF name, without moving the list position.
TkLink* find_link(TkDrawing* drawing, const char* dxf_name) {
  for (TkLink* l = list_first(&drawing->classes); l; l = l->next)
    if (tk_name_compare(stored_record(l)->dxf_name, dxf_name) == 0) return l;
  return nullptr;
}

void copy_text(char* field, const char* text) {
  strncpy(field, text ? text : "", 511);
  field[511] = 0;
}

}  // namespace

int16_t class_list_rewind(TkDrawing* drawing) {
  list_rewind(&drawing->classes);
  return 1;
}

int16_t class_list_next(TkDrawing* drawing, TkClassRecord* record) {
  return record_read(&drawing->classes, record, sizeof *record);
}

int32_t class_list_count(const TkDrawing* drawing) { return list_count(&drawing->classes); }

int16_t class_find(TkDrawing* drawing, const char* dxf_name, TkClassRecord* record) {
  TkLink* l = find_link(drawing, dxf_name);
  if (!l) {
    memset(record, 0, sizeof *record);
    return 0;
  }
  memcpy(record, stored_record(l), sizeof *record);
  return 1;
}

int16_t class_put(TkDrawing* drawing, const TkClassRecord* record) {
  for (TkLink* l = list_first(&drawing->classes); l; l = l->next) {
    if (stored_record(l)->number == record->number) {
      memcpy(stored_record(l), record, sizeof *record);
      return 1;
    }
  }
  return 0;
}

int16_t class_add(TkDrawing* drawing, const TkClassRecord* record) {
  if (!record_store_sized(record, sizeof *record, &drawing->classes, TK_POS_END, nullptr)) return 0;
  class_slot_by_name(drawing, record->dxf_name, record->number);
  return 1;
}

uint16_t class_next_number(TkDrawing* drawing) {
  uint16_t largest = 0;
  for (TkLink* l = list_first(&drawing->classes); l; l = l->next)
    if (stored_record(l)->number > largest) largest = stored_record(l)->number;
  return largest == 0 ? TK_FIRST_CLASS_NUMBER : uint16_t(largest + 1);
}

uint16_t class_ensure(TkDrawing* drawing, const char* dxf_name, const char* class_name,
                      const char* application, int16_t proxy_flags, int16_t item_class,
                      int16_t was_proxy) {
  if (find_link(drawing, dxf_name)) return 1;
  TkClassRecord record{};
  record.number = class_next_number(drawing);
  copy_text(record.dxf_name, dxf_name);
  copy_text(record.class_name, class_name);
  copy_text(record.application, application);
  record.proxy_flags = proxy_flags;
  record.item_class = item_class;
  record.was_proxy = was_proxy;
  return class_add(drawing, &record) ? record.number : 0;
}

void class_slot_by_name(TkDrawing* drawing, const char* name, uint16_t number) {
  for (int i = 0; i < TK_CLASS_SLOT_COUNT; ++i) {
    if (tk_name_compare(kSlotNames[i], name) == 0) {
      drawing->class_numbers[i] = number;
      return;
    }
  }
}

int16_t class_mark_used(TkDrawing* drawing, const char* dxf_name) {
  TkLink* l = find_link(drawing, dxf_name);
  if (!l) return 0;
  stored_record(l)->proxy_flags = int16_t(uint16_t(stored_record(l)->proxy_flags) & ~TK_CLASS_UNUSED);
  return 1;
}

uint16_t tk_class_ole2frame(const TkDrawing* d) { return d->class_numbers[TK_CLASS_OLE2FRAME]; }
uint16_t tk_class_hatch(const TkDrawing* d) { return d->class_numbers[TK_CLASS_HATCH]; }
uint16_t tk_class_lwpolyline(const TkDrawing* d) { return d->class_numbers[TK_CLASS_LWPOLYLINE]; }
uint16_t tk_class_image(const TkDrawing* d) { return d->class_numbers[TK_CLASS_IMAGE]; }
uint16_t tk_class_rtext(const TkDrawing* d) { return d->class_numbers[TK_CLASS_RTEXT]; }
uint16_t tk_class_arcalignedtext(const TkDrawing* d) {
  return d->class_numbers[TK_CLASS_ARCALIGNEDTEXT];
}
uint16_t tk_class_wipeout(const TkDrawing* d) { return d->class_numbers[TK_CLASS_WIPEOUT]; }
uint16_t tk_class_xrecord(const TkDrawing* d) { return d->class_numbers[TK_CLASS_XRECORD]; }
uint16_t tk_class_idbuffer(const TkDrawing* d) { return d->class_numbers[TK_CLASS_IDBUFFER]; }
uint16_t tk_class_dictionaryvar(const TkDrawing* d) {
  return d->class_numbers[TK_CLASS_DICTIONARYVAR];
}
uint16_t tk_class_imagedef(const TkDrawing* d) { return d->class_numbers[TK_CLASS_IMAGEDEF]; }
uint16_t tk_class_imagedef_reactor(const TkDrawing* d) {
  return d->class_numbers[TK_CLASS_IMAGEDEF_REACTOR];
}
uint16_t tk_class_rastervariables(const TkDrawing* d) {
  return d->class_numbers[TK_CLASS_RASTERVARIABLES];
}
uint16_t tk_class_spatial_filter(const TkDrawing* d) {
  return d->class_numbers[TK_CLASS_SPATIAL_FILTER];
}
uint16_t tk_class_sortentstable(const TkDrawing* d) {
  return d->class_numbers[TK_CLASS_SORTENTSTABLE];
}
uint16_t tk_class_layer_index(const TkDrawing* d) { return d->class_numbers[TK_CLASS_LAYER_INDEX]; }
uint16_t tk_class_spatial_index(const TkDrawing* d) {
  return d->class_numbers[TK_CLASS_SPATIAL_INDEX];
}
uint16_t tk_class_object_ptr(const TkDrawing* d) { return d->class_numbers[TK_CLASS_OBJECT_PTR]; }
uint16_t tk_class_dictionarywdflt(const TkDrawing* d) {
  return d->class_numbers[TK_CLASS_DICTIONARYWDFLT];
}
uint16_t tk_class_placeholder(const TkDrawing* d) { return d->class_numbers[TK_CLASS_PLACEHOLDER]; }
uint16_t tk_class_layout(const TkDrawing* d) { return d->class_numbers[TK_CLASS_LAYOUT]; }
uint16_t tk_class_vba_project(const TkDrawing* d) { return d->class_numbers[TK_CLASS_VBA_PROJECT]; }
uint16_t tk_class_wipeoutvariables(const TkDrawing* d) {
  return d->class_numbers[TK_CLASS_WIPEOUTVARIABLES];
}
