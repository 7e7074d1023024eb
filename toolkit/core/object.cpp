// Objects of the drawing's object list and the item layouts of extended data, group items,
// dictionary entries and handle references in their blobs. Item reads take lengths from the
// blob, which came from a file: every length is checked against the caller's buffer first.
#include "toolkit/core/object.h"

#include <cstring>
#include <utility>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/hidx.h"
#include "toolkit/core/list.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"

namespace {

constexpr double kHalfPi = 1.5707963267948966;

// The value length an extended-data code implies; -1 where the caller gives it.
int xdata_fixed_length(uint16_t code) {
  switch (code) {
    case 1001:
    case 1003:
    case 1005: return 8;
    case 1002: return 1;
    case 1070: return 2;
    case 1071: return 4;
    default: break;
  }
  if (code >= 1010 && code <= 1013) return 24;
  if (code >= 1040 && code <= 1042) return 8;
  return -1;
}

enum class GroupForm { String, Bytes1004, Point, Short, Long, Double, Binary, Handle, None };

GroupForm group_form(uint16_t c) {
  if (c == 1004) return GroupForm::Bytes1004;
  if (c <= 9 || c == 100 || c == 102 || (c >= 300 && c <= 309) || (c >= 999 && c <= 1008))
    return GroupForm::String;
  if ((c >= 10 && c <= 19) || (c >= 1010 && c <= 1019)) return GroupForm::Point;
  if ((c >= 60 && c <= 79) || (c >= 170 && c <= 175) || (c >= 1060 && c <= 1070))
    return GroupForm::Short;
  if ((c >= 90 && c <= 99) || c == 1071) return GroupForm::Long;
  if ((c >= 39 && c <= 59) || (c >= 140 && c <= 147) || (c >= 1039 && c <= 1059))
    return GroupForm::Double;
  if (c >= 310 && c <= 319) return GroupForm::Binary;
  if (c >= 320 && c <= 369) return GroupForm::Handle;
  return GroupForm::None;
}

constexpr uint16_t kHandleSwapCode = 330;

size_t data_size(const TkDrawing* drawing, uint16_t type) {
  return tk_object_data_size(tk_object_data_kind(drawing, type));
}

void free_blob(TkBlob** blob) {
  blob_free(*blob);
  *blob = nullptr;
}

void free_raw(TkRawObjectData* raw) {
  free_blob(&raw->data);
  free_blob(&raw->handles);
}

TkLink* object_link(TkDrawing* drawing, const TkHandle* handle) {
  auto* link = static_cast<TkLink*>(hidx_lookup(&drawing->index, handle));
  return link && link->owner == &drawing->objects ? link : nullptr;
}

void copy_out(const TkLink* link, TkObjectHeader* header, TkObjectData* data) {
  const auto* r = static_cast<const uint8_t*>(tk_link_data(link));
  std::memcpy(header, r, sizeof *header);
  std::memset(data, 0, sizeof *data);
  size_t n = link->size - sizeof *header;
  if (n > sizeof *data) n = sizeof *data;
  std::memcpy(data, r + sizeof *header, n);
}

// Header and the type's data record as one buffer; null on no memory (error 223).
uint8_t* build_record(const TkDrawing* drawing, const TkObjectHeader* header,
                      const TkObjectData* data, size_t* size) {
  size_t n = data_size(drawing, header->type);
  *size = sizeof *header + n;
  auto* r = static_cast<uint8_t*>(mem_alloc(*size));
  if (!r) {
    tk_fail_alloc(TK_ERR_ALLOC_STRUCTURE);
    return nullptr;
  }
  std::memcpy(r, header, sizeof *header);
  std::memcpy(r + sizeof *header, data, n);
  return r;
}

void swap_bytes(TkHandle* h) {
  for (int i = 0; i < 4; ++i) std::swap(h->bytes[i], h->bytes[7 - i]);
}

}  // namespace

int16_t xdata_read_item(TkBlob* blob, TkXdataItem* item) {
  if (!blob) return tk_fail(TK_ERR_READ_NULL_BLOB);
  uint8_t head[TK_XDATA_ITEM_HEAD];
  if (!blob_read(blob, head, sizeof head)) return 0;
  uint16_t code, length;
  std::memcpy(&code, head, 2);
  std::memcpy(&length, head + 2, 2);
  // A string needs room for its zero.
  size_t room = code == 1000 ? sizeof item->value - 1 : sizeof item->value;
  if (length > room) {
    if (tk_state && tk_state->error_callback) tk_state->error_callback(5);
    return 0;
  }
  if (!blob_read(blob, item->value, length)) return 0;
  item->code = code;
  std::memset(item->padding, 0, sizeof item->padding);
  if (code == 1000) item->value[length] = 0;
  item->length = code == 1004 ? length : 0;
  return 1;
}

int16_t xdata_append_item(TkBlob* blob, TkXdataItem* item) {
  if (!blob) return tk_fail(TK_ERR_WRITE_NULL_BLOB);
  int fixed = xdata_fixed_length(item->code);
  if (fixed >= 0)
    item->length = uint16_t(fixed);
  else if (item->code == 1000)
    item->length = uint16_t(strnlen(reinterpret_cast<const char*>(item->value),
                                    sizeof item->value - 1));
  if (item->length > sizeof item->value) return tk_fail(TK_ERR_WRITE_NULL_BLOB);
  uint8_t head[TK_XDATA_ITEM_HEAD] = {};
  std::memcpy(head, &item->code, 2);
  std::memcpy(head + 2, &item->length, 2);
  return blob_write(blob, head, sizeof head) && blob_write(blob, item->value, item->length) ? 1
                                                                                            : 0;
}

int16_t resbuf_read_item(TkBlob* blob, TkGroupItem* item) {
  if (!blob) return tk_fail(TK_ERR_READ_NULL_BLOB);
  uint16_t code;
  if (!blob_read(blob, &code, 2)) return 0;
  item->code = code;
  item->length = 0;
  std::memset(item->padding, 0, sizeof item->padding);
  switch (group_form(code)) {
    case GroupForm::String: {
      uint16_t n;
      uint8_t mark;
      if (!blob_read(blob, &n, 2) || !blob_read(blob, &mark, 1)) return 0;
      if (n >= sizeof item->value || !blob_read(blob, item->value, n)) return 0;
      item->value[n] = 0;
      return 1;
    }
    case GroupForm::Bytes1004:
    case GroupForm::Binary: {
      uint8_t n;
      if (!blob_read(blob, &n, 1) || !blob_read(blob, item->value, n)) return 0;
      if (code == 1004) item->value[n] = 0;
      item->length = n;  // the only way a caller learns the size of binary data
      return 1;
    }
    case GroupForm::Point: return blob_read(blob, item->value, 24);
    case GroupForm::Short: return blob_read(blob, item->value, 2);
    case GroupForm::Long: return blob_read(blob, item->value, 4);
    case GroupForm::Double: return blob_read(blob, item->value, 8);
    case GroupForm::Handle: {
      TkHandle h;
      if (!blob_read(blob, h.bytes, 8)) return 0;
      if (code == kHandleSwapCode) swap_bytes(&h);
      std::memcpy(item->value, h.bytes, 8);
      return 1;
    }
    case GroupForm::None: break;
  }
  return tk_fail(TK_ERR_BAD_GROUP_CODE);
}

int16_t xd_append_group(TkBlob* blob, const TkGroupItem* item) {
  if (!blob) return tk_fail(TK_ERR_WRITE_NULL_BLOB);
  GroupForm form = group_form(item->code);
  if (form == GroupForm::None) return tk_fail(TK_ERR_BAD_GROUP_CODE);
  if (!blob_write(blob, &item->code, 2)) return 0;
  switch (form) {
    case GroupForm::String: {
      auto n = uint16_t(strnlen(reinterpret_cast<const char*>(item->value),
                                sizeof item->value - 1));
      uint8_t mark = 0;
      return blob_write(blob, &n, 2) && blob_write(blob, &mark, 1) &&
                     blob_write(blob, item->value, n)
                 ? 1
                 : 0;
    }
    case GroupForm::Bytes1004:
    case GroupForm::Binary: {
      uint8_t n = item->length > 255 ? 255 : uint8_t(item->length);
      return blob_write(blob, &n, 1) && blob_write(blob, item->value, n) ? 1 : 0;
    }
    case GroupForm::Point: return blob_write(blob, item->value, 24);
    case GroupForm::Short: return blob_write(blob, item->value, 2);
    case GroupForm::Long: return blob_write(blob, item->value, 4);
    case GroupForm::Double: return blob_write(blob, item->value, 8);
    case GroupForm::Handle: {
      TkHandle h;
      std::memcpy(h.bytes, item->value, 8);
      if (item->code == kHandleSwapCode) swap_bytes(&h);
      return blob_write(blob, h.bytes, 8);
    }
    case GroupForm::None: break;
  }
  return 0;
}

int16_t tk_dict_entry_read(TkBlob* blob, TkDictEntry* entry) {
  if (!blob) return tk_fail(TK_ERR_READ_NULL_BLOB);
  if (!blob_read(blob, entry->name, TK_OBJECT_NAME_SIZE)) return 0;
  entry->name[TK_OBJECT_NAME_SIZE - 1] = 0;
  return blob_read(blob, entry->object.bytes, 8);
}

int16_t tk_dict_entry_write(TkBlob* blob, const TkDictEntry* entry) {
  if (!blob) return tk_fail(TK_ERR_WRITE_NULL_BLOB);
  return blob_write(blob, entry->name, TK_OBJECT_NAME_SIZE) &&
                 blob_write(blob, entry->object.bytes, 8)
             ? 1
             : 0;
}

int16_t tk_handle_ref_read(TkBlob* blob, TkHandleRef* ref) {
  if (!blob) return tk_fail(TK_ERR_READ_NULL_BLOB);
  uint8_t b[9];
  if (!blob_read(blob, b, 9)) return 0;
  std::memcpy(ref->handle.bytes, b, 8);
  ref->kind = b[8];
  return 1;
}

int16_t tk_mlstyle_element_write(TkBlob* blob, const TkMlineElement* element) {
  if (!blob) return tk_fail(TK_ERR_WRITE_NULL_BLOB);
  uint8_t bytes[16] = {};
  std::memcpy(bytes, &element->colour, 2);
  std::memcpy(bytes + 2, &element->linetype, 2);
  std::memcpy(bytes + 8, &element->offset, 8);
  return blob_write(blob, bytes, sizeof bytes);
}

int16_t tk_dict_lookup(TkDrawing* drawing, const TkHandle* dictionary, const char* name,
                       TkHandle* object) {
  *object = TkHandle{};
  TkLink* link = object_link(drawing, dictionary);
  if (!link) return 0;
  TkObjectHeader h;
  TkObjectData d;
  copy_out(link, &h, &d);
  if (h.type != TK_OBJ_DICTIONARY || !d.dictionary.entries) return 0;
  TkBlob* r = blob_open_read(d.dictionary.entries);
  if (!r) return 0;
  // The entry count comes from a file; the blob's own length bounds the walk.
  int16_t found = 0;
  static TkDictEntry e;
  for (uint32_t i = 0; i < d.dictionary.entry_count && tk_dict_entry_read(r, &e); ++i)
    if (tk_name_compare(e.name, name) == 0) {
      *object = e.object;
      found = 1;
      break;
    }
  blob_close(r);
  return found;
}

int16_t tk_object_rewind(TkDrawing* drawing) {
  list_rewind(&drawing->objects);
  return 1;
}

int16_t tk_object_next(TkDrawing* drawing, TkObjectHeader* header, TkObjectData* data) {
  TkLink* link = list_current(&drawing->objects);
  if (!link) return 0;
  copy_out(link, header, data);
  list_next(&drawing->objects, link->next);
  return 1;
}

int32_t tk_object_count(const TkDrawing* drawing) { return list_count(&drawing->objects); }

int16_t tk_object_get(TkDrawing* drawing, const TkHandle* handle, TkObjectHeader* header,
                      TkObjectData* data) {
  TkLink* link = object_link(drawing, handle);
  if (!link) return tk_fail(TK_ERR_HANDLE_NOT_IN_BTREE);
  list_next(&drawing->objects, link);
  return tk_object_next(drawing, header, data);
}

int16_t tk_object_add(TkDrawing* drawing, const TkObjectHeader* header, const TkObjectData* data) {
  size_t size;
  uint8_t* r = build_record(drawing, header, data, &size);
  if (!r) return 0;
  TkLink* link = record_store_indexed(&header->handle, &drawing->index, r, size,
                                      &drawing->objects, TK_POS_END, nullptr);
  mem_free(r);
  return link ? 1 : 0;
}

int16_t tk_object_delete(TkDrawing* drawing, const TkHandle* handle) {
  if (tk_state) tk_state->last_error = TK_ERR_NONE;
  TkLink* link = object_link(drawing, handle);
  if (!link) return tk_fail(TK_ERR_OBJECT_UNKNOWN);
  list_next(&drawing->objects, link);
  if (!list_current(&drawing->objects)) return tk_fail(TK_ERR_OBJECT_NO_CURRENT);
  TkObjectHeader h;
  TkObjectData d;
  copy_out(link, &h, &d);
  tk_object_free_data(drawing, &h, &d);
  if (!list_remove(&drawing->objects, link)) return tk_fail(TK_ERR_OBJECT_UNLINK);
  mem_free(link);
  hidx_remove(&drawing->index, handle);
  return 1;
}

int16_t tk_object_replace(TkDrawing* drawing, const TkObjectHeader* header,
                          const TkObjectData* data) {
  TkLink* old = object_link(drawing, &header->handle);
  if (!old) return tk_fail(TK_ERR_OBJECT_UNKNOWN);
  if (static_cast<const TkObjectHeader*>(tk_link_data(old))->type != header->type)
    return tk_fail(TK_ERR_OBJECT_OTHER_TYPE);
  size_t size = sizeof *header + data_size(drawing, header->type);
  if (old->size != size) return tk_fail(TK_ERR_OBJECT_OTHER_TYPE);
  auto* r = static_cast<uint8_t*>(tk_link_data(old));
  std::memcpy(r, header, sizeof *header);
  std::memcpy(r + sizeof *header, data, size - sizeof *header);
  return 1;
}

int16_t tk_object_free_data(TkDrawing* drawing, TkObjectHeader* header, TkObjectData* data) {
  blob_free(header->reactors);
  header->reactors = nullptr;
  header->reactor_count = 0;
  switch (tk_object_data_kind(drawing, header->type)) {
    case TK_OBJDATA_DICTIONARY: free_blob(&data->dictionary.entries); break;
    case TK_OBJDATA_MLINESTYLE: free_blob(&data->mlinestyle.elements); break;
    case TK_OBJDATA_GROUP: free_blob(&data->group.entities); break;
    case TK_OBJDATA_XRECORD: free_blob(&data->xrecord.items); break;
    case TK_OBJDATA_IDBUFFER: free_blob(&data->idbuffer.handles); break;
    case TK_OBJDATA_IMAGEDEF_REACTOR: free_blob(&data->imagedef_reactor.image); break;
    case TK_OBJDATA_LAYER_INDEX:
      free_blob(&data->layer_index.entries);
      free_blob(&data->layer_index.handles);
      break;
    case TK_OBJDATA_OBJECT_PTR: free_raw(&data->object_ptr); break;
    case TK_OBJDATA_SORTENTSTABLE:
      free_blob(&data->sortentstable.sort_handles);
      free_blob(&data->sortentstable.entity_handles);
      break;
    case TK_OBJDATA_SPATIAL_FILTER: free_blob(&data->spatial_filter.points); break;
    case TK_OBJDATA_SPATIAL_INDEX: free_raw(&data->spatial_index.raw); break;
    case TK_OBJDATA_DICTIONARYWDFLT: free_blob(&data->dictionary_wdflt.entries); break;
    case TK_OBJDATA_VBA_PROJECT: free_blob(&data->vba_project.data); break;
    case TK_OBJDATA_GENERIC: free_raw(&data->generic); break;
    case TK_OBJDATA_PLOTSETTINGS:
    case TK_OBJDATA_DICTIONARYVAR:
    case TK_OBJDATA_IMAGEDEF:
    case TK_OBJDATA_RASTERVARIABLES:
    case TK_OBJDATA_PLACEHOLDER:
    case TK_OBJDATA_LAYOUT:
    case TK_OBJDATA_WIPEOUTVARIABLES: break;
  }
  return 1;
}

TkObjectDataKind tk_object_data_kind(const TkDrawing* drawing, uint16_t type) {
  switch (type) {
    case TK_OBJ_DICTIONARY: return TK_OBJDATA_DICTIONARY;
    case TK_OBJ_MLINESTYLE: return TK_OBJDATA_MLINESTYLE;
    case TK_OBJ_GROUP: return TK_OBJDATA_GROUP;
    case TK_OBJ_PLOTSETTINGS: return TK_OBJDATA_PLOTSETTINGS;
    default: break;
  }
  static const struct {
    TkClassSlot slot;
    TkObjectDataKind kind;
  } classes[] = {
      {TK_CLASS_XRECORD, TK_OBJDATA_XRECORD},
      {TK_CLASS_IDBUFFER, TK_OBJDATA_IDBUFFER},
      {TK_CLASS_DICTIONARYVAR, TK_OBJDATA_DICTIONARYVAR},
      {TK_CLASS_IMAGEDEF_REACTOR, TK_OBJDATA_IMAGEDEF_REACTOR},
      {TK_CLASS_IMAGEDEF, TK_OBJDATA_IMAGEDEF},
      {TK_CLASS_LAYER_INDEX, TK_OBJDATA_LAYER_INDEX},
      {TK_CLASS_OBJECT_PTR, TK_OBJDATA_OBJECT_PTR},
      {TK_CLASS_RASTERVARIABLES, TK_OBJDATA_RASTERVARIABLES},
      {TK_CLASS_SORTENTSTABLE, TK_OBJDATA_SORTENTSTABLE},
      {TK_CLASS_SPATIAL_FILTER, TK_OBJDATA_SPATIAL_FILTER},
      {TK_CLASS_SPATIAL_INDEX, TK_OBJDATA_SPATIAL_INDEX},
      {TK_CLASS_DICTIONARYWDFLT, TK_OBJDATA_DICTIONARYWDFLT},
      {TK_CLASS_PLACEHOLDER, TK_OBJDATA_PLACEHOLDER},
      {TK_CLASS_LAYOUT, TK_OBJDATA_LAYOUT},
      {TK_CLASS_VBA_PROJECT, TK_OBJDATA_VBA_PROJECT},
      {TK_CLASS_WIPEOUTVARIABLES, TK_OBJDATA_WIPEOUTVARIABLES},
  };
  if (type != 0)
    for (const auto& c : classes)
      if (drawing->class_numbers[c.slot] == type) return c.kind;
  return TK_OBJDATA_GENERIC;
}

size_t tk_object_data_size(TkObjectDataKind kind) {
  switch (kind) {
    case TK_OBJDATA_DICTIONARY: return sizeof(TkDictionaryData);
    case TK_OBJDATA_MLINESTYLE: return sizeof(TkMlineStyleData);
    case TK_OBJDATA_GROUP: return sizeof(TkGroupData);
    case TK_OBJDATA_PLOTSETTINGS: return sizeof(TkPlotSettings);
    case TK_OBJDATA_XRECORD: return sizeof(TkXrecordData);
    case TK_OBJDATA_IDBUFFER: return sizeof(TkIdBufferData);
    case TK_OBJDATA_DICTIONARYVAR: return sizeof(TkDictionaryVarData);
    case TK_OBJDATA_IMAGEDEF_REACTOR: return sizeof(TkImageDefReactorData);
    case TK_OBJDATA_IMAGEDEF: return sizeof(TkImageDefData);
    case TK_OBJDATA_LAYER_INDEX: return sizeof(TkLayerIndexData);
    case TK_OBJDATA_OBJECT_PTR: return sizeof(TkRawObjectData);
    case TK_OBJDATA_RASTERVARIABLES: return sizeof(TkRasterVariablesData);
    case TK_OBJDATA_SORTENTSTABLE: return sizeof(TkSortEntsTableData);
    case TK_OBJDATA_SPATIAL_FILTER: return sizeof(TkSpatialFilterData);
    case TK_OBJDATA_SPATIAL_INDEX: return sizeof(TkSpatialIndexData);
    case TK_OBJDATA_DICTIONARYWDFLT: return sizeof(TkDictionaryWdfltData);
    case TK_OBJDATA_PLACEHOLDER: return 0;
    case TK_OBJDATA_LAYOUT: return sizeof(TkLayoutData);
    case TK_OBJDATA_VBA_PROJECT: return sizeof(TkVbaProjectData);
    case TK_OBJDATA_WIPEOUTVARIABLES: return sizeof(TkWipeoutVariablesData);
    case TK_OBJDATA_GENERIC: break;
  }
  return sizeof(TkGenericObjectData);
}

void tk_init_plot_settings(TkPlotSettings* plot) {
  std::memset(plot, 0, sizeof *plot);
  // One drawing unit to one paper unit, the plot of a new layout.
  plot->real_world_units = 1.0;
  plot->drawing_units = 1.0;
  plot->scale_factor = 1.0;
}

void tk_init_object(TkDrawing* drawing, TkObjectHeader* header, TkObjectData* data) {
  uint16_t type = header->type;
  *header = TkObjectHeader{};
  header->type = type;
  std::memset(data, 0, sizeof *data);
  switch (tk_object_data_kind(drawing, type)) {
    case TK_OBJDATA_DICTIONARY: data->dictionary.cloning = 1; break;
    case TK_OBJDATA_MLINESTYLE:
      std::strcpy(data->mlinestyle.name, "STANDARD");
      data->mlinestyle.fill_colour = 256;
      data->mlinestyle.start_angle = data->mlinestyle.end_angle = kHalfPi;
      break;
    case TK_OBJDATA_GROUP: data->group.selectable = 1; break;
    case TK_OBJDATA_PLOTSETTINGS: tk_init_plot_settings(&data->plotsettings); break;
    case TK_OBJDATA_XRECORD: data->xrecord.cloning = 1; break;
    case TK_OBJDATA_DICTIONARYWDFLT: data->dictionary_wdflt.cloning = 1; break;
    case TK_OBJDATA_SPATIAL_FILTER:
      data->spatial_filter.extrusion[2] = 1.0;
      data->spatial_filter.display_boundary = 1;
      break;
    case TK_OBJDATA_LAYOUT: {
      TkLayoutData& l = data->layout;
      tk_init_plot_settings(&l.plot);
      // A new layout's sheet and empty extents, as a drawing program starts one.
      l.limits_max[0] = 12.0;
      l.limits_max[1] = 9.0;
      for (int i = 0; i < 3; ++i) {
        l.extents_min[i] = 1e20;
        l.extents_max[i] = -1e20;
      }
      l.ucs_x_axis[0] = 1.0;
      l.ucs_y_axis[1] = 1.0;
      break;
    }
    default: break;
  }
}

int16_t tk_object_first_of_type(const TkDrawing* drawing, uint16_t type, TkHandle* handle) {
  for (const TkLink* l = list_first(&drawing->objects); l; l = l->next) {
    const auto* h = static_cast<const TkObjectHeader*>(tk_link_data(l));
    if (h->type == type) {
      *handle = h->handle;
      return 1;
    }
  }
  return 0;
}
