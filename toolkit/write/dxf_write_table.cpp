// The TABLES, CLASSES and OBJECTS sections of a DXF file: the table heads and
// the records of every symbol table, the CLASS records, and the objects the
// database keeps in fields (dictionaries, multiline styles, groups, plot
// settings, layouts). Objects the writer has no record for are left out and
// counted, never written half.
#include <cstdio>
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/group_desc.h"
#include "toolkit/core/object.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/write/dxf_write.h"
#include "toolkit/write/save.h"

namespace {

bool is_new(const DxfOut& o) { return o.version >= 5; }
bool same(const TkHandle& a, const TkHandle& b) { return std::memcmp(a.bytes, b.bytes, 8) == 0; }

void handles_blob(DxfOut& o, int16_t code, TkBlob* blob, uint32_t count) {
  TkBlob* r = blob ? blob_open_read(blob) : nullptr;
  for (uint32_t i = 0; r && o.ok && i < count; ++i) {
    TkHandle h{};
    if (!blob_read(r, h.bytes, 8)) break;
    dxf_write_handle_group(o, code, h);
  }
  if (r) blob_close(r);
}

void reactors(DxfOut& o, uint32_t count, TkBlob* blob) {
  if (count == 0 || !blob) return;
  dxf_write_string_group(o, 102, "{ACAD_REACTORS");
  handles_blob(o, 330, blob, count);
  dxf_write_string_group(o, 102, "}");
}

void table_head(DxfOut& o, const char* name, int32_t count, const TkHandle& control) {
  dxf_write_string_group(o, 0, "TABLE");
  dxf_write_string_group(o, 2, name);
  if (is_new(o)) {
    dxf_write_handle_group(o, 5, control);
    dxf_write_string_group(o, 100, "AcDbSymbolTable");
  }
  dxf_write_short_group(o, 70, int16_t(count));
  if (o.version >= 7 && std::strcmp(name, "DIMSTYLE") == 0) {
    dxf_write_string_group(o, 100, "AcDbDimStyleTable");
    dxf_write_short_group(o, 71, 0);
  }
}

void record_head(DxfOut& o, const char* type, const char* word, const TkHandle& handle,
                 const TkHandle& xdict, uint32_t reactor_count, TkBlob* reactor_blob,
                 int16_t handle_code = 5) {
  dxf_write_string_group(o, 0, type);
  if (!is_new(o)) return;
  dxf_write_handle_group(o, handle_code, handle);
  if (!tk_handle_is_null(&xdict)) {
    dxf_write_string_group(o, 102, "{ACAD_XDICTIONARY");
    dxf_write_handle_group(o, 360, xdict);
    dxf_write_string_group(o, 102, "}");
  }
  reactors(o, reactor_count, reactor_blob);
  dxf_write_string_group(o, 100, "AcDbSymbolTableRecord");
  char marker[64];
  std::snprintf(marker, sizeof marker, "AcDb%sTableRecord", word);
  dxf_write_string_group(o, 100, marker);
}

// Only the newer layout gives table records their extended data.
void record_xdata(DxfOut& o, TkBlob* xdata) {
  if (xdata && is_new(o)) dxf_write_xdata(o, xdata);
}

void write_ltype(DxfOut& o, const TkLinetypeRecord& r, int32_t index) {
  record_head(o, "LTYPE", "Linetype", r.handle, r.xdict, r.reactor_count, r.reactors);
  dxf_write_name_group(o, 2, r.name, index);
  dxf_write_short_group(o, 70, r.flags);
  dxf_write_string_group(o, 3, r.description);
  dxf_write_short_group(o, 72, r.alignment ? r.alignment : 65);
  int16_t n = r.element_count < 0                  ? 0
              : r.element_count > TK_DASH_ELEMENTS ? TK_DASH_ELEMENTS
                                                   : r.element_count;
  dxf_write_short_group(o, 73, n);
  dxf_write_real_group(o, 40, r.pattern_length);
  for (int i = 0; i < n && o.ok; ++i) {
    const TkDashElement& e = r.elements[i];
    dxf_write_real_group(o, 49, e.length);
    if (!is_new(o)) continue;
    dxf_write_short_group(o, 74, int16_t(e.shape_flags));
    if (!e.shape_flags) continue;
    dxf_write_short_group(o, 75, int16_t(e.shape));
    dxf_write_handle_group(o, 340, e.text_style);
    dxf_write_real_group(o, 46, e.scale);
    dxf_write_angle_group(o, 50, e.rotation);
    dxf_write_real_group(o, 44, e.x_offset);
    dxf_write_real_group(o, 45, e.y_offset);
    if ((e.shape_flags & 2) && e.text_index < sizeof r.dash_texts) {
      char text[256];
      std::snprintf(text, sizeof text, "%s", r.dash_texts + e.text_index);
      dxf_write_string_group(o, 9, text);
    }
  }
  record_xdata(o, r.xdata);
}

bool write_layer(DxfOut& o, TkLayerRecord r, int32_t index) {
  if (is_new(o) && tk_handle_is_null(&r.linetype)) r.linetype = o.continuous;
  int32_t ltype_index = 0;
  const char* ltype = dxf_ltype_name(o, r.linetype, &ltype_index);
  if (!ltype) {
    if (!tk_handle_is_null(&r.linetype)) {
      (void)tk_fail(TK_ERR_RESOLVE_LTYPE);
      return o.ok = false;
    }
    ltype = "CONTINUOUS";
  }
  record_head(o, "LAYER", "Layer", r.handle, r.xdict, r.reactor_count, r.reactors);
  dxf_write_name_group(o, 2, r.name, index);
  dxf_write_short_group(o, 70, r.flags);
  dxf_write_short_group(o, 62, r.color);
  dxf_write_name_group(o, 6, ltype, ltype_index);
  if (o.version >= 7) {
    int8_t plot = int8_t(tk_name_compare(r.name, "DEFPOINTS") == 0 ? 0 : r.plot);
    dxf_write_byte_group(o, 290, plot);
    dxf_write_short_group(o, 370, r.lineweight);
    dxf_write_handle_group(o, 390, r.plot_style);
  }
  record_xdata(o, r.xdata);
  return o.ok;
}

void write_style(DxfOut& o, const TkTextStyleRecord& r, int32_t index) {
  record_head(o, "STYLE", "TextStyle", r.handle, r.xdict, r.reactor_count, r.reactors);
  dxf_write_name_group(o, 2, r.name, index);
  dxf_write_short_group(o, 70, r.flags);
  dxf_write_real_group(o, 40, r.height);
  dxf_write_real_group(o, 41, r.width_factor);
  dxf_write_angle_group(o, 50, r.oblique_angle);
  dxf_write_short_group(o, 71, r.generation_flags);
  dxf_write_real_group(o, 42, r.last_height);
  dxf_write_string_group(o, 3, r.font_file);
  dxf_write_string_group(o, 4, r.bigfont_file);
}

void write_view(DxfOut& o, const TkViewRecord& r, int32_t index) {
  record_head(o, "VIEW", "View", r.handle, r.xdict, r.reactor_count, r.reactors);
  dxf_write_name_group(o, 2, r.name, index);
  dxf_write_short_group(o, 70, r.flags);
  dxf_write_real_group(o, 40, r.height);
  dxf_write_point2(o, 10, r.center);
  dxf_write_real_group(o, 41, r.width);
  dxf_write_point3(o, 11, r.direction);
  if (o.version >= 3) {
    dxf_write_point3(o, 12, r.target);
    dxf_write_real_group(o, 42, r.lens_length);
    dxf_write_real_group(o, 43, r.front_clip);
    dxf_write_real_group(o, 44, r.back_clip);
    dxf_write_angle_group(o, 50, r.twist);
    dxf_write_short_group(o, 71, r.view_mode);
  }
  if (o.version >= 7) {
    dxf_write_short_group(o, 281, r.render_mode);
    dxf_write_short_group(o, 72, r.ucs_associated);
    dxf_write_point3_16(o, 110, r.ucs_origin);
    dxf_write_point3_16(o, 111, r.ucs_x_axis);
    dxf_write_point3_16(o, 112, r.ucs_y_axis);
    if (r.ucs_associated == 1) {
      dxf_write_short_group(o, 79, r.ortho_type);
      dxf_write_real_group(o, 146, r.elevation);
      dxf_write_handle_group(o, 345, r.ucs);
      dxf_write_handle_group(o, 346, r.base_ucs);
    }
  }
}

void write_ucs(DxfOut& o, const TkUcsRecord& r, int32_t index) {
  record_head(o, "UCS", "UCS", r.handle, r.xdict, r.reactor_count, r.reactors);
  dxf_write_name_group(o, 2, r.name, index);
  dxf_write_short_group(o, 70, r.flags);
  dxf_write_point3_16(o, 10, r.origin);
  dxf_write_point3_16(o, 11, r.x_axis);
  dxf_write_point3_16(o, 12, r.y_axis);
  if (o.version >= 7) {
    dxf_write_short_group(o, 79, r.ortho_type);
    dxf_write_real_group(o, 146, r.elevation);
    if (r.ortho_type) dxf_write_handle_group(o, 346, r.base_ucs);
    if (r.ortho_view) {
      dxf_write_short_group(o, 71, r.ortho_view);
      dxf_write_point3_16(o, 13, r.ortho_origin);
    }
  }
}

void write_vport(DxfOut& o, const TkVportRecord& r, int32_t index) {
  record_head(o, "VPORT", "Viewport", r.handle, r.xdict, r.reactor_count, r.reactors);
  dxf_write_name_group(o, 2, r.name, index);
  dxf_write_short_group(o, 70, r.flags);
  dxf_write_point2(o, 10, r.lower_left);
  dxf_write_point2(o, 11, r.upper_right);
  dxf_write_point2(o, 12, r.center);
  dxf_write_point2(o, 13, r.snap_base);
  dxf_write_point2(o, 14, r.snap_spacing);
  dxf_write_point2(o, 15, r.grid_spacing);
  dxf_write_point3(o, 16, r.direction);
  dxf_write_point3(o, 17, r.target);
  dxf_write_real_group(o, 40, r.height);
  dxf_write_real_group(o, 41, r.aspect_ratio);
  dxf_write_real_group(o, 42, r.lens_length);
  dxf_write_real_group(o, 43, r.front_clip);
  dxf_write_real_group(o, 44, r.back_clip);
  dxf_write_angle_group(o, 50, r.snap_angle);
  dxf_write_angle_group(o, 51, r.twist);
  dxf_write_short_group(o, 71, r.view_mode);
  dxf_write_short_group(o, 72, r.circle_zoom);
  dxf_write_short_group(o, 73, r.fast_zoom);
  dxf_write_short_group(o, 74, r.ucs_icon);
  dxf_write_short_group(o, 75, r.snap_on);
  dxf_write_short_group(o, 76, r.grid_on);
  dxf_write_short_group(o, 77, r.snap_style);
  dxf_write_short_group(o, 78, r.snap_isopair);
  if (o.version >= 7) {
    dxf_write_short_group(o, 281, r.render_mode);
    dxf_write_short_group(o, 65, r.ucs_per_viewport);
    dxf_write_point3_16(o, 110, r.ucs_origin);
    dxf_write_point3_16(o, 111, r.ucs_x_axis);
    dxf_write_point3_16(o, 112, r.ucs_y_axis);
    dxf_write_handle_group(o, 345, r.ucs);
    dxf_write_handle_group(o, 346, r.base_ucs);
    dxf_write_short_group(o, 79, r.ortho_type);
    dxf_write_real_group(o, 146, r.elevation);
  }
  record_xdata(o, r.xdata);
}

void write_appid(DxfOut& o, const TkAppIdRecord& r) {
  record_head(o, "APPID", "RegApp", r.handle, r.xdict, r.reactor_count, r.reactors);
  dxf_write_string_group(o, 2, r.name);
  dxf_write_short_group(o, 70, r.flags);
  record_xdata(o, r.xdata);
}

// One dimension variable of the record by its group code, through the table the
// reader fills the record with.
void dimvar(DxfOut& o, const TkDimStyleRecord& r, int16_t code) {
  const TkGroupDesc* g = tk_group_find(&tk_group_tables[TK_GROUPS_DIMSTYLE], code);
  if (!g) return;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(&r) + g->offset;
  switch (g->store) {
    case TK_GROUP_BYTE:
      dxf_write_short_group(o, code, *p);
      break;
    case TK_GROUP_INT16: {
      int16_t v;
      std::memcpy(&v, p, 2);
      dxf_write_short_group(o, code, v);
      break;
    }
    case TK_GROUP_DOUBLE: {
      double v;
      std::memcpy(&v, p + 8 * g->element, 8);
      dxf_write_real_group(o, code, v);
      break;
    }
    case TK_GROUP_ANGLE: {
      double v;
      std::memcpy(&v, p, 8);
      dxf_write_angle_group(o, code, v);
      break;
    }
    case TK_GROUP_TEXT:
      dxf_write_string_group(o, code, reinterpret_cast<const char*>(p));
      break;
    case TK_GROUP_HANDLE:
    case TK_GROUP_NAME: {
      TkHandle h;
      std::memcpy(h.bytes, p, 8);
      dxf_write_handle_group(o, code, h);
      break;
    }
    default:
      break;
  }
}

void write_dimstyle(DxfOut& o, const TkDimStyleRecord& r, int32_t index) {
  record_head(o, "DIMSTYLE", "DimStyle", r.handle, r.xdict, r.reactor_count, r.reactors, 105);
  dxf_write_name_group(o, 2, r.name, index);
  dxf_write_short_group(o, 70, r.flags);
  dxf_write_string_group(o, 3, r.dimpost);
  dxf_write_string_group(o, 4, r.dimapost);
  if (o.version < 7) {
    const TkHandle* blocks[3] = {&r.dimblk, &r.dimblk1, &r.dimblk2};
    for (int i = 0; i < 3; ++i) {
      const DxfName* n = tk_handle_is_null(blocks[i]) ? nullptr : dxf_name_of(o.blocks, *blocks[i]);
      dxf_write_string_group(o, int16_t(5 + i), n ? n->name.c_str() : "");
    }
  }
  for (int16_t c = 40; c <= 48; ++c) dimvar(o, r, c);
  for (int16_t c = 71; c <= 78; ++c) dimvar(o, r, c);
  if (o.version >= 7) dimvar(o, r, 79);
  for (int16_t c = 140; c <= 147; ++c) dimvar(o, r, c);
  if (o.version >= 7) dimvar(o, r, 148);
  for (int16_t c = 170; c <= 178; ++c) dimvar(o, r, c);
  if (o.version >= 7) dimvar(o, r, 179);
  if (!is_new(o)) return;
  if (o.version < 7) dimvar(o, r, 270);
  for (int16_t c = 271; c <= 275; ++c) dimvar(o, r, c);
  if (o.version >= 7)
    for (int16_t c = 276; c <= 279; ++c) dimvar(o, r, c);
  for (int16_t c = 280; c <= 286; ++c) dimvar(o, r, c);
  if (o.version < 7) dimvar(o, r, 287);
  dimvar(o, r, 288);
  if (o.version >= 7) dimvar(o, r, 289);
  dxf_write_handle_group(o, 340, r.dimtxsty);
  if (o.version >= 7) {
    dxf_write_handle_group(o, 341, r.dimldrblk);
    dxf_write_handle_group(o, 342, r.dimblk);
    dxf_write_handle_group(o, 343, r.dimblk1);
    dxf_write_handle_group(o, 344, r.dimblk2);
    dxf_write_short_group(o, 371, r.dimlwd);
    dxf_write_short_group(o, 372, r.dimlwe);
  }
}

void write_block_record(DxfOut& o, const TkBlockRecord& r, const std::string& name, int32_t index) {
  TkHandle none{};
  record_head(o, "BLOCK_RECORD", "Block", r.handle, none, 0, nullptr);
  dxf_write_name_group(o, 2, name.c_str(), index);
  if (o.version >= 7) dxf_write_handle_group(o, 340, r.layout);
}

template <typename Record, typename Next, typename Write>
bool table(DxfOut& o, const char* name, const TkHandle& control, int32_t count, Next next,
           Write write) {
  table_head(o, name, count, control);
  Record r;
  for (int32_t index = 0; o.ok && next(&r); ++index) write(r, index);
  dxf_write_string_group(o, 0, "ENDTAB");
  return o.ok;
}

struct WellKnown {
  const char* name;
  const char* application;
  int16_t proxy;
};

// What releases before AC1015 say about the classes they know.
const WellKnown kWellKnown[] = {
    {"LWPOLYLINE", "\"AutoCAD\"", 0},
    {"IMAGE", "ISM", 127},
    {"OLE2FRAME", "\"\"", 0},
    {"HATCH", "\"ACAD_SEDONA\"", 0},
    {"DICTIONARYVAR", "\"AutoCAD\"", 0},
    {"RASTERVARIABLES", "ISM", 0},
    {"IMAGEDEF", "ISM", 0},
    {"IMAGEDEF_REACTOR", "ISM", 1},
    {"IDBUFFER", "\"Acad\"", 0},
    {"SPATIAL_FILTER", "\"Acad\"", 0},
    {"LAYER_INDEX", "\"Acad\"", 0},
    {"SPATIAL_INDEX", "\"Acad\"", 0},
    {"XRECORD", "\"<Built In>\"", 0},
    {"SORTENTSTABLE", "\"AutoCAD\"", 0},
    {"OBJECT_PTR", "\"ASE-LPNTableRecord\"", 1},
    {"LAYOUT", "\"AutoCAD 2000\"", 1},
    {"PLOTSETTINGS", "\"AutoCAD 2000\"", 1},
    {"ACDBDICTIONARYWDFLT", "\"AutoCAD 2000\"", 1},
    {"ACDBPLACEHOLDER", "\"AutoCAD 2000\"", 1},
    {"VBA_PROJECT", "\"acadvba\"", 1},
    {"WIPEOUT", "WipeOut|AutoCAD Express Tool|expresstools@vellview.invalid", 127},
    {"WIPEOUTVARIABLES", "WipeOut|AutoCAD Express Tool|expresstools@vellview.invalid", 0},
    {"RTEXT", "RText|AutoCAD Express Tool|expresstools@vellview.invalid", 0},
    {"ARCALIGNEDTEXT", "ATEXT|AutoCAD Express Tool|expresstools@vellview.invalid", 0},
};

bool omitted_before_r2000(const char* name) {
  static const char* const names[] = {"ACAD_LAYOUT", "ACAD_PLOTSETTINGS", "ACAD_WIPEOUT_VARS",
                                      "ACAD_PLOTSTYLENAME", "ACDBHEADERROUNDTRIPXREC"};
  for (const char* n : names)
    if (tk_name_compare(name, n) == 0) return true;
  return false;
}

void object_head(DxfOut& o, const char* name, const TkObjectHeader& h, const char* marker) {
  dxf_write_string_group(o, 0, name);
  dxf_write_handle_group(o, 5, h.handle);
  reactors(o, h.reactor_count, h.reactors);
  if (marker && *marker) dxf_write_string_group(o, 100, marker);
}

bool write_dictionary(DxfOut& o, const TkObjectHeader& h, const TkDictionaryData& dict) {
  if (o.version < 7 && same(h.handle, o.d->layout_dictionary)) return false;
  (void)tk_fail(TK_ERR_WRITE_DICTIONARY);
  object_head(o, "DICTIONARY", h, "AcDbDictionary");
  if (o.version >= 7) {
    dxf_write_short_group(o, 280, dict.hard_owner);
    dxf_write_short_group(o, 281, dict.cloning);
  }
  bool named = same(h.handle, o.d->named_objects);
  TkBlob* r = dict.entries ? blob_open_read(dict.entries) : nullptr;
  TkDictEntry e;
  for (uint32_t i = 0; o.ok && r && i < dict.entry_count && tk_dict_entry_read(r, &e); ++i) {
    if (o.version < 7 && named && omitted_before_r2000(e.name)) continue;
    if (o.version < 7) tk_str_upper(e.name);
    dxf_write_string_group(o, 3, e.name);
    bool hard = o.version == 6 && std::strcmp(e.name, "ACAD_BLKREFS") == 0;
    dxf_write_handle_group(o, hard ? 360 : 350, e.object);
  }
  if (r) blob_close(r);
  if (o.ok) (void)tk_fail(TK_ERR_NONE);
  return true;
}

bool write_mlinestyle(DxfOut& o, const TkObjectHeader& h, const TkMlineStyleData& m,
                      int32_t index) {
  object_head(o, "MLINESTYLE", h, "AcDbMlineStyle");
  dxf_write_name_group(o, 2, m.name, index);
  dxf_write_short_group(o, 70, m.flags);
  dxf_write_string_group(o, 3, m.description);
  dxf_write_short_group(o, 62, m.fill_colour);
  dxf_write_angle_group(o, 51, m.start_angle);
  dxf_write_angle_group(o, 52, m.end_angle);
  dxf_write_short_group(o, 71, int16_t(m.element_count));
  TkBlob* r = m.elements ? blob_open_read(m.elements) : nullptr;
  for (uint16_t i = 0; o.ok && i < m.element_count; ++i) {
    TkMlineElement e;
    if (!r || !blob_read(r, &e, sizeof e)) {
      // Fewer elements than the count says: the record would not be read back.
      (void)tk_fail(TK_ERR_GENERAL);
      o.ok = false;
      break;
    }
    dxf_write_real_group(o, 49, e.offset);
    dxf_write_short_group(o, 62, e.colour);
    std::string name;
    if (e.linetype == 32767) {
      name = "BYLAYER";
    } else if (e.linetype == 32766) {
      name = "BYBLOCK";
    } else {
      TkLinetypeRecord lt;
      tk_ltype_rewind(o.d);
      for (int k = 0; k <= e.linetype && tk_ltype_next(o.d, &lt); ++k)
        if (k == e.linetype) name = lt.name;
    }
    dxf_write_name_group(o, 6, name.c_str(), e.linetype);
  }
  if (r) blob_close(r);
  return true;
}

void write_plot_settings(DxfOut& o, const TkPlotSettings& p) {
  dxf_write_string_group(o, 1, p.page_setup);
  dxf_write_string_group(o, 2, p.printer);
  dxf_write_string_group(o, 4, p.paper_size);
  dxf_write_string_group(o, 6, p.plot_view);
  const double reals[10] = {p.margins[0],    p.margins[1],   p.margins[2], p.margins[3],
                            p.paper_width,   p.paper_height, p.origin[0],  p.origin[1],
                            p.window_min[0], p.window_min[1]};
  for (int i = 0; i < 10; ++i) dxf_write_real_group(o, int16_t(40 + i), reals[i]);
  const double more[4] = {p.window_max[0], p.window_max[1], p.real_world_units, p.drawing_units};
  for (int i = 0; i < 4; ++i) dxf_write_real_group(o, int16_t(140 + i), more[i]);
  dxf_write_short_group(o, 70, p.layout_flags);
  dxf_write_short_group(o, 72, p.paper_units);
  dxf_write_short_group(o, 73, p.rotation);
  dxf_write_short_group(o, 74, p.plot_type);
  dxf_write_string_group(o, 7, p.style_sheet);
  dxf_write_short_group(o, 75, p.scale_type);
  dxf_write_real_group(o, 147, p.scale_factor);
  dxf_write_real_group(o, 148, p.image_origin[0]);
  dxf_write_real_group(o, 149, p.image_origin[1]);
}

bool write_layout(DxfOut& o, const TkObjectHeader& h, const TkLayoutData& l) {
  object_head(o, "LAYOUT", h, "AcDbPlotSettings");
  write_plot_settings(o, l.plot);
  dxf_write_string_group(o, 100, "AcDbLayout");
  dxf_write_string_group(o, 1, l.name);
  dxf_write_short_group(o, 70, l.flags);
  dxf_write_short_group(o, 71, l.tab_order);
  dxf_write_point2(o, 10, l.limits_min);
  dxf_write_point2(o, 11, l.limits_max);
  dxf_write_point3(o, 12, l.insertion_base);
  dxf_write_point3(o, 14, l.extents_min);
  dxf_write_point3(o, 15, l.extents_max);
  dxf_write_real_group(o, 146, l.elevation);
  dxf_write_point3(o, 13, l.ucs_origin);
  dxf_write_point3(o, 16, l.ucs_x_axis);
  dxf_write_point3(o, 17, l.ucs_y_axis);
  dxf_write_short_group(o, 76, l.ortho_type);
  dxf_write_handle_group(o, 330, l.block_record);
  dxf_write_handle_group(o, 331, l.last_viewport);
  dxf_write_handle_group(o, 345, l.named_ucs);
  dxf_write_handle_group(o, 346, l.base_ucs);
  return true;
}

// 1 written, 0 left out (not known to the writer or not held by the release).
int write_object(DxfOut& o, const TkObjectHeader& h, const TkObjectData& data,
                 int32_t* mlinestyle_index) {
  switch (h.type) {
    case TK_OBJ_DICTIONARY:
      return write_dictionary(o, h, data.dictionary) ? 1 : 0;
    case TK_OBJ_MLINESTYLE:
      return write_mlinestyle(o, h, data.mlinestyle, (*mlinestyle_index)++);
    case TK_OBJ_GROUP:
      object_head(o, "GROUP", h, "AcDbGroup");
      dxf_write_string_group(o, 300, data.group.description);
      dxf_write_short_group(o, 70, data.group.unnamed);
      dxf_write_short_group(o, 71, data.group.selectable);
      handles_blob(o, 340, data.group.entities, data.group.entity_count);
      return 1;
    case TK_OBJ_PLOTSETTINGS:
      object_head(o, "PLOTSETTINGS", h, "AcDbPlotSettings");
      write_plot_settings(o, data.plotsettings);
      return 1;
    default:
      break;
  }
  switch (tk_object_data_kind(o.d, h.type)) {
    case TK_OBJDATA_LAYOUT:
      if (o.version < 7) return 0;
      return write_layout(o, h, data.layout);
    case TK_OBJDATA_DICTIONARYVAR:
      if (o.version < 6) return 0;
      object_head(o, "DICTIONARYVAR", h, "DictionaryVariables");
      dxf_write_short_group(o, 280, data.dictionaryvar.schema);
      dxf_write_string_group(o, 1, data.dictionaryvar.value);
      return 1;
    case TK_OBJDATA_IMAGEDEF: {
      if (o.version < 6) return 0;
      const TkImageDefData& def = data.imagedef;
      object_head(o, "IMAGEDEF", h, "AcDbRasterImageDef");
      dxf_write_long_group(o, 90, def.class_version);
      char path[TK_OBJECT_NAME_SIZE];
      std::memcpy(path, def.path, sizeof path);
      path[sizeof path - 1] = 0;
      dxf_write_string_group(o, 1, path);
      dxf_write_point2(o, 10, def.image_size);
      dxf_write_point2(o, 11, def.pixel_size);
      dxf_write_short_group(o, 280, def.loaded);
      dxf_write_short_group(o, 281, def.resolution_units);
      return 1;
    }
    case TK_OBJDATA_IMAGEDEF_REACTOR: {
      if (o.version < 6) return 0;
      object_head(o, "IMAGEDEF_REACTOR", h, "AcDbRasterImageDefReactor");
      dxf_write_long_group(o, 90, data.imagedef_reactor.class_version);
      TkBlob* r = data.imagedef_reactor.image ? blob_open_read(data.imagedef_reactor.image)
                                              : nullptr;
      TkHandle image{};
      if (r && blob_read(r, image.bytes, 8)) dxf_write_handle_group(o, 330, image);
      if (r) blob_close(r);
      return 1;
    }
    case TK_OBJDATA_RASTERVARIABLES: {
      if (o.version < 6) return 0;
      const TkRasterVariablesData& v = data.rastervariables;
      object_head(o, "RASTERVARIABLES", h, "AcDbRasterVariables");
      dxf_write_long_group(o, 90, v.class_version);
      dxf_write_short_group(o, 70, v.display_frame);
      dxf_write_short_group(o, 71, v.display_quality);
      dxf_write_short_group(o, 72, v.units);
      return 1;
    }
    case TK_OBJDATA_WIPEOUTVARIABLES:
      if (o.version < 7) return 0;
      object_head(o, "WIPEOUTVARIABLES", h, "AcDbWipeoutVariables");
      dxf_write_short_group(o, 70, data.wipeout_variables.display_frame);
      return 1;
    case TK_OBJDATA_PLACEHOLDER:
      if (o.version < 7) return 0;
      object_head(o, "ACDBPLACEHOLDER", h, nullptr);
      return 1;
    case TK_OBJDATA_DICTIONARYWDFLT: {
      if (o.version < 7) return 0;
      const TkDictionaryWdfltData& w = data.dictionary_wdflt;
      object_head(o, "ACDBDICTIONARYWDFLT", h, "AcDbDictionary");
      dxf_write_short_group(o, 281, w.cloning);
      TkBlob* r = w.entries ? blob_open_read(w.entries) : nullptr;
      TkDictEntry e;
      for (uint32_t i = 0; o.ok && r && i < w.entry_count && tk_dict_entry_read(r, &e); ++i) {
        dxf_write_string_group(o, 3, e.name);
        dxf_write_handle_group(o, 350, e.object);
      }
      if (r) blob_close(r);
      dxf_write_string_group(o, 100, "AcDbDictionaryWithDefault");
      dxf_write_handle_group(o, 340, w.default_entry);
      return 1;
    }
    default:
      return 0;
  }
}

}  // namespace

bool dxf_write_tables_section(DxfOut& o) {
  TkDrawing* d = o.d;
  dxf_write_string_group(o, 0, "SECTION");
  dxf_write_string_group(o, 2, "TABLES");
  // Control handles: BLOCK, LAYER, STYLE, LTYPE, VIEW, UCS, VPORT, APPID,
  // DIMSTYLE.
  const TkHandle* c = d->fixed;
  if (o.version >= 3) {
    tk_vport_rewind(d);
    table<TkVportRecord>(
        o, "VPORT", c[6], tk_vport_count(d), [&](TkVportRecord* r) { return tk_vport_next(d, r); },
        [&](const TkVportRecord& r, int32_t i) { write_vport(o, r, i); });
  }
  tk_report_progress(d, o.version >= 5 ? 8 : 5);
  // LTYPE: BYBLOCK and BYLAYER first from AC1012, left out before.
  {
    int32_t count = tk_ltype_count(d);
    table_head(o, "LTYPE", is_new(o) ? count : count - 2, c[3]);
    TkLinetypeRecord r;
    if (is_new(o)) {
      if (tk_ltype_get(d, &o.byblock, &r)) write_ltype(o, r, 0);
      if (tk_ltype_get(d, &o.bylayer, &r)) write_ltype(o, r, 1);
    }
    tk_ltype_rewind(d);
    for (int32_t i = 0; o.ok && tk_ltype_next(d, &r); ++i) {
      if (same(r.handle, o.byblock) || same(r.handle, o.bylayer) ||
          tk_name_compare(r.name, "BYLAYER") == 0 || tk_name_compare(r.name, "BYBLOCK") == 0)
        continue;
      write_ltype(o, r, i + 2);
    }
    dxf_write_string_group(o, 0, "ENDTAB");
  }
  tk_report_progress(d, o.version >= 5 ? 16 : 10);
  tk_layer_list_rewind(d);
  table<TkLayerRecord>(
      o, "LAYER", c[1], tk_layer_list_count(d),
      [&](TkLayerRecord* r) { return tk_layer_list_next(d, r); },
      [&](const TkLayerRecord& r, int32_t i) { write_layer(o, r, i); });
  tk_report_progress(d, o.version >= 5 ? 20 : 15);
  tk_style_list_rewind(d);
  table<TkTextStyleRecord>(
      o, "STYLE", c[2], tk_style_list_count(d),
      [&](TkTextStyleRecord* r) { return tk_style_list_next(d, r); },
      [&](const TkTextStyleRecord& r, int32_t i) { write_style(o, r, i); });
  tk_report_progress(d, o.version >= 5 ? 24 : 20);
  tk_view_rewind(d);
  table<TkViewRecord>(
      o, "VIEW", c[4], tk_view_count(d), [&](TkViewRecord* r) { return tk_view_next(d, r); },
      [&](const TkViewRecord& r, int32_t i) { write_view(o, r, i); });
  tk_report_progress(d, o.version >= 5 ? 28 : 25);
  if (o.version >= 3) {
    tk_ucs_rewind(d);
    table<TkUcsRecord>(
        o, "UCS", c[5], tk_ucs_count(d), [&](TkUcsRecord* r) { return tk_ucs_next(d, r); },
        [&](const TkUcsRecord& r, int32_t i) { write_ucs(o, r, i); });
  }
  tk_report_progress(d, o.version >= 5 ? 32 : 30);
  if (o.version >= 4) {
    tk_appid_rewind(d);
    table<TkAppIdRecord>(
        o, "APPID", c[7], tk_appid_count(d), [&](TkAppIdRecord* r) { return tk_appid_next(d, r); },
        [&](const TkAppIdRecord& r, int32_t) { write_appid(o, r); });
    tk_report_progress(d, o.version >= 5 ? 36 : 35);
    tk_dimstyle_rewind(d);
    table<TkDimStyleRecord>(
        o, "DIMSTYLE", c[8], tk_dimstyle_count(d),
        [&](TkDimStyleRecord* r) { return tk_dimstyle_next(d, r); },
        [&](const TkDimStyleRecord& r, int32_t i) { write_dimstyle(o, r, i); });
  }
  if (is_new(o)) {
    tk_report_progress(d, 40);
    std::vector<TkHandle> handles;
    TkBlockRecord b;
    block_list_rewind(d);
    while (block_list_next(d, &b)) handles.push_back(b.handle);
    int32_t count = int32_t(handles.size());
    table_head(o, "BLOCK_RECORD", count - 2 > 0 ? count - 2 : 0, c[0]);
    if (tk_block_get(d, &o.model_record, &b)) write_block_record(o, b, b.name, 0);
    if (tk_block_get(d, &o.paper_record, &b)) write_block_record(o, b, b.name, 0);
    tk_report_progress(d, 44);
    for (int32_t i = 0; o.ok && i < count; ++i) {
      if (same(handles[size_t(i)], o.model_record) || same(handles[size_t(i)], o.paper_record))
        continue;
      if (!tk_block_get(d, &handles[size_t(i)], &b)) continue;
      if (o.version < 7 && tk_name_compare_n(b.name, "*PAPER_SPACE", 12) == 0) continue;
      write_block_record(o, b, dxf_block_written_name(o, b.name, i), i);
    }
    dxf_write_string_group(o, 0, "ENDTAB");
  }
  return dxf_write_string_group(o, 0, "ENDSEC");
}

bool dxf_write_classes_section(DxfOut& o) {
  dxf_write_string_group(o, 0, "SECTION");
  dxf_write_string_group(o, 2, "CLASSES");
  TkClassRecord c;
  class_list_rewind(o.d);
  while (o.ok && class_list_next(o.d, &c)) {
    const char* application = c.application;
    int32_t proxy = c.proxy_flags;
    if (o.version < 7)
      for (const WellKnown& k : kWellKnown)
        if (tk_name_compare(c.dxf_name, k.name) == 0) {
          application = k.application;
          proxy = k.proxy;
          break;
        }
    dxf_write_string_group(o, 0, "CLASS");
    dxf_write_string_group(o, 1, c.dxf_name);
    dxf_write_string_group(o, 2, c.class_name);
    dxf_write_string_group(o, 3, application);
    dxf_write_long_group(o, 90, proxy);
    dxf_write_short_group(o, 280, c.was_proxy);
    dxf_write_short_group(o, 281, c.item_class == 498 ? 1 : 0);
  }
  tk_report_progress(o.d, 4);
  return dxf_write_string_group(o, 0, "ENDSEC");
}

bool dxf_write_objects_section(DxfOut& o) {
  dxf_write_string_group(o, 0, "SECTION");
  dxf_write_string_group(o, 2, "OBJECTS");
  TkObjectHeader h;
  auto* data = static_cast<TkObjectData*>(::operator new(sizeof(TkObjectData)));
  int32_t mlinestyles = 0;
  tk_object_rewind(o.d);
  while (o.ok && tk_object_next(o.d, &h, data)) {
    int written = write_object(o, h, *data, &mlinestyles);
    if (written)
      ++o.written_objects;
    else
      ++o.dropped_objects;
  }
  ::operator delete(data);
  return o.ok && dxf_write_string_group(o, 0, "ENDSEC");
}
