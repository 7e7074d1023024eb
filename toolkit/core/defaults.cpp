// The default content of a drawing: the records it must always hold and the classes the
// toolkit knows. Each record starts from its table's defaults, takes its handle from the
// caller's template or the drawing's seed, and is stored at the end of its list under that
// handle. What a file brings is the loaders' business.
#include "toolkit/core/defaults.h"

#include <cstring>

#include "toolkit/core/class_list.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/list.h"
#include "toolkit/core/symtab.h"

namespace {

template <typename Record>
int16_t store(TkDrawing* drawing, const Record& record, TkList* list) {
  return record_store_indexed(&record.handle, &drawing->index, &record, sizeof record, list,
                              TK_POS_END, nullptr) != nullptr;
}

void set_name(char* field, const char* name) {
  std::strncpy(field, name, TK_NAME_SIZE - 1);
  field[TK_NAME_SIZE - 1] = 0;
}

// The express-tool classes name their application with a contact address.
#define VV_EXPRESS(tool) tool "|AutoCAD Express Tool|expresstools@vellview.invalid"

struct DefaultClass {
  const char* dxf_name;
  const char* class_name;
  const char* application;
  uint16_t proxy_flags;
  int16_t item_class;
};

const DefaultClass default_classes[] = {
    {"LWPOLYLINE", "AcDbPolyline", "AutoCAD 2000", 0x8000, TK_CLASS_ITEM_ENTITY},
    {"IMAGE", "AcDbRasterImage", "ISM", 0x807F, TK_CLASS_ITEM_ENTITY},
    {"OLE2FRAME", "AcDbOle2Frame", "AutoCAD 2000", 0x8000, TK_CLASS_ITEM_ENTITY},
    {"HATCH", "AcDbHatch", "AutoCAD 2000", 0x8000, TK_CLASS_ITEM_ENTITY},
    {"DICTIONARYVAR", "AcDbDictionaryVar", "AutoCAD 2000", 0x8000, TK_CLASS_ITEM_OBJECT},
    {"RASTERVARIABLES", "AcDbRasterVariables", "ISM", 0x8000, TK_CLASS_ITEM_OBJECT},
    {"IMAGEDEF", "AcDbRasterImageDef", "ISM", 0x8000, TK_CLASS_ITEM_OBJECT},
    {"IMAGEDEF_REACTOR", "AcDbRasterImageDefReactor", "ISM", 0x8001, TK_CLASS_ITEM_OBJECT},
    {"IDBUFFER", "AcDbIdBuffer", "AutoCAD 2000", 0x8000, TK_CLASS_ITEM_OBJECT},
    {"SPATIAL_FILTER", "AcDbSpatialFilter", "AutoCAD 2000", 0x8000, TK_CLASS_ITEM_OBJECT},
    {"XRECORD", "AcDbXrecord", "AutoCAD 2000", 0x8000, TK_CLASS_ITEM_OBJECT},
    {"SORTENTSTABLE", "AcDbSortentsTable", "AutoCAD 2000", 0x8000, TK_CLASS_ITEM_OBJECT},
    {"LAYER_INDEX", "AcDbLayerIndex", "AutoCAD 2000", 0x8000, TK_CLASS_ITEM_OBJECT},
    {"SPATIAL_INDEX", "AcDbSpatialIndex", "AutoCAD 2000", 0x8000, TK_CLASS_ITEM_OBJECT},
    {"OBJECT_PTR", "CAseDLPNTableRecord", "\"ASE-LPNTableRecord\"", 0x8001, TK_CLASS_ITEM_OBJECT},
    {"LAYOUT", "AcDbLayout", "AutoCAD 2000", 0, TK_CLASS_ITEM_OBJECT},
    {"PLOTSETTINGS", "AcDbPlotSettings", "AutoCAD 2000", 0x8000, TK_CLASS_ITEM_OBJECT},
    {"ACDBDICTIONARYWDFLT", "AcDbDictionaryWithDefault", "AutoCAD 2000", 0, TK_CLASS_ITEM_OBJECT},
    {"ACDBPLACEHOLDER", "AcDbPlaceHolder", "AutoCAD 2000", 0, TK_CLASS_ITEM_OBJECT},
    {"VBA_PROJECT", "AcDbVbaProject", "acadvba", 0x8000, TK_CLASS_ITEM_OBJECT},
    // Only while the state's extended-classes switch is on:
    {"WIPEOUT", "AcDbWipeout", VV_EXPRESS("WipeOut"), 0x807F, TK_CLASS_ITEM_ENTITY},
    {"WIPEOUTVARIABLES", "AcDbWipeoutVariables", VV_EXPRESS("WipeOut"), 0x8000, TK_CLASS_ITEM_OBJECT},
    {"RTEXT", "RText", VV_EXPRESS("RText"), 0x8000, TK_CLASS_ITEM_ENTITY},
    {"ARCALIGNEDTEXT", "AcDbArcAlignedText", VV_EXPRESS("ATEXT"), 0x8000, TK_CLASS_ITEM_ENTITY},
};
constexpr size_t basic_class_count = 20;

}  // namespace

int16_t tk_add_linetype(TkDrawing* drawing, const char* name, const TkHandle* handle) {
  TkLinetypeRecord record;
  tk_init_ltype_record(&record);
  set_name(record.name, name);
  record.handle = *handle;
  return store(drawing, record, &drawing->linetypes);
}

int16_t tk_add_default_linetypes(TkDrawing* drawing, const TkHandle* handle_template) {
  if (!tk_next_handle(drawing, handle_template, TK_TEMPLATE_BYBLOCK, &drawing->byblock_linetype))
    return 0;
  int16_t byblock = tk_add_linetype(drawing, "ByBlock", &drawing->byblock_linetype);
  // The BYLAYER handle is set even when ByBlock could not be stored, as callers expect both.
  if (!tk_next_handle(drawing, handle_template, TK_TEMPLATE_BYLAYER, &drawing->bylayer_linetype))
    return 0;
  if (!byblock) return 0;
  return tk_add_linetype(drawing, "ByLayer", &drawing->bylayer_linetype);
}

int16_t tk_add_continuous_linetype(TkDrawing* drawing, const TkHandle* handle_template) {
  TkLinetypeRecord record;
  tk_init_ltype_record(&record);
  set_name(record.name, "Continuous");
  set_name(record.description, "Solid line");
  if (!tk_next_handle(drawing, handle_template, TK_TEMPLATE_CONTINUOUS, &record.handle)) return 0;
  return store(drawing, record, &drawing->linetypes);
}

int16_t tk_add_layer0(TkDrawing* drawing, const TkHandle* handle_template) {
  TkLayerRecord record;
  tk_init_layer_record(drawing, &record);
  set_name(record.name, "0");
  TkHandle continuous;
  if (tk_ltype_find(drawing, "Continuous", &continuous)) record.linetype = continuous;
  if (!tk_next_handle(drawing, handle_template, TK_TEMPLATE_LAYER0, &record.handle)) return 0;
  return store(drawing, record, &drawing->layers);
}

int16_t tk_add_active_vport(TkDrawing* drawing, const TkHandle* handle_template) {
  TkVportRecord record;
  tk_copy_vport_defaults(&record);
  set_name(record.name, "*ACTIVE");
  const TkHeader* header = drawing->header;
  std::memcpy(record.direction, header->viewdir, sizeof record.direction);
  record.center[0] = header->viewctr[0];
  record.center[1] = header->viewctr[1];
  record.height = header->viewsize;
  record.twist = header->viewtwist;
  if (!tk_next_handle(drawing, handle_template, TK_TEMPLATE_ACTIVE_VPORT, &record.handle)) return 0;
  return store(drawing, record, &drawing->vports);
}

int16_t tk_add_acad_appid(TkDrawing* drawing, const TkHandle* handle_template) {
  TkAppIdRecord record;
  tk_init_appid_record(&record);
  set_name(record.name, "ACAD");
  if (!tk_next_handle(drawing, handle_template, TK_TEMPLATE_ACAD, &record.handle)) return 0;
  return store(drawing, record, &drawing->appids);
}

int16_t tk_add_standard_style(TkDrawing* drawing, const TkHandle* handle_template) {
  TkTextStyleRecord record;
  tk_init_style_record(&record);
  set_name(record.name, "Standard");
  std::strcpy(record.font_file, "txt");
  if (!tk_next_handle(drawing, handle_template, TK_TEMPLATE_STANDARD_STYLE, &record.handle))
    return 0;
  return store(drawing, record, &drawing->styles);
}

int16_t tk_add_standard_dimstyle(TkDrawing* drawing, const TkHandle* handle_template) {
  TkDimStyleRecord record;
  tk_init_dimstyle_record(drawing, &record);
  tk_dimstyle_from_header(&record, drawing->header);
  set_name(record.name, "Standard");
  if (!tk_next_handle(drawing, handle_template, TK_TEMPLATE_STANDARD_DIMSTYLE, &record.handle))
    return 0;
  return store(drawing, record, &drawing->dimstyles);
}

int16_t tk_add_space_blocks(TkDrawing* drawing) {
  struct Space {
    const char* name;
    int fixed;
    TkList* entities;  // the drawing's own list, not owned by the block record
  } const spaces[] = {
      {"*MODEL_SPACE", TK_FIXED_MODEL_SPACE, &drawing->model_entities},
      {"*PAPER_SPACE", TK_FIXED_PAPER_SPACE, &drawing->paper_entities},
  };
  for (const Space& space : spaces) {
    TkBlockRecord record;
    tk_init_block_record(&record);
    set_name(record.name, space.name);
    record.handle = drawing->fixed[space.fixed];
    record.entities = space.entities;
    if (!store(drawing, record, &drawing->blocks)) return 0;
  }
  return 1;
}

uint16_t tk_ensure_default_class(TkDrawing* drawing, const char* dxf_name) {
  TkClassRecord present;
  if (class_find(drawing, dxf_name, &present)) return present.number;
  for (const DefaultClass& c : default_classes) {
    if (tk_name_compare(c.dxf_name, dxf_name) != 0) continue;
    TkClassRecord record{};
    record.number = class_next_number(drawing);
    set_name(record.dxf_name, c.dxf_name);
    set_name(record.class_name, c.class_name);
    set_name(record.application, c.application);
    record.proxy_flags = static_cast<int16_t>(c.proxy_flags);
    record.item_class = c.item_class;
    return class_add(drawing, &record) ? record.number : 0;
  }
  return 0;
}

int16_t tk_add_default_classes(TkDrawing* drawing) {
  size_t count = tk_state && tk_state->extended_classes
                     ? sizeof default_classes / sizeof *default_classes
                     : basic_class_count;
  for (size_t i = 0; i < count; ++i) {
    const DefaultClass& c = default_classes[i];
    TkClassRecord record{};
    record.number = class_next_number(drawing);
    set_name(record.dxf_name, c.dxf_name);
    set_name(record.class_name, c.class_name);
    set_name(record.application, c.application);
    record.proxy_flags = static_cast<int16_t>(c.proxy_flags);
    record.was_proxy = 0;
    record.item_class = c.item_class;
    if (!class_add(drawing, &record)) return 0;
  }
  return 1;
}
