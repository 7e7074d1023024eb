// An object's typed record as text, field by field with its blobs' contents, so that the records
// which two readers made of one object can be compared whole and a difference shows which field
// it is. Reals are given to 9 digits: a text DXF holds no more than its writer printed.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "toolkit/core/blob.h"
#include "toolkit/core/object.h"

namespace object_records {

inline std::vector<uint8_t> content(TkBlob* blob) {
  std::vector<uint8_t> out(blob ? static_cast<size_t>(blob_stored_size(blob)) : 0);
  TkBlob* r = blob ? blob_open_read(blob) : nullptr;
  if (r && !out.empty() && !blob_read(r, out.data(), out.size())) out.clear();
  if (r) blob_close(r);
  return out;
}

struct Text {
  std::string out;
  Text& field(const char* name) {
    out += out.empty() ? "" : " ";
    out += name;
    out += "=";
    return *this;
  }
  Text& real(const char* name, double v) {
    char b[40];
    // Negative zero and tiny noise print as 0.
    std::snprintf(b, sizeof b, "%.9g", v == 0.0 || (v < 1e-12 && v > -1e-12) ? 0.0 : v);
    field(name).out += b;
    return *this;
  }
  Text& reals(const char* name, const double* v, int n) {
    for (int i = 0; i < n; ++i) {
      std::string label = std::string(name) + "[" + std::to_string(i) + "]";
      real(label.c_str(), v[i]);
    }
    return *this;
  }
  Text& integer(const char* name, long long v) {
    field(name).out += std::to_string(v);
    return *this;
  }
  Text& text(const char* name, const char* v) {
    field(name).out += "\"" + std::string(v) + "\"";
    return *this;
  }
  Text& handle(const char* name, const TkHandle& h) {
    char b[24];
    unsigned long long v = 0;
    for (uint8_t byte : h.bytes) v = v << 8 | byte;
    std::snprintf(b, sizeof b, "%llX", v);
    field(name).out += b;
    return *this;
  }
  // A blob of 8-byte handles.
  Text& handles(const char* name, TkBlob* blob) {
    std::vector<uint8_t> b = content(blob);
    field(name).out += "{";
    for (size_t i = 0; i + 8 <= b.size(); i += 8) {
      TkHandle h;
      std::memcpy(h.bytes, b.data() + i, 8);
      handle("", h);
    }
    out += " }";
    return *this;
  }
  // A blob of doubles.
  Text& doubles(const char* name, TkBlob* blob) {
    std::vector<uint8_t> b = content(blob);
    field(name).out += "{";
    for (size_t i = 0; i + 8 <= b.size(); i += 8) {
      double v;
      std::memcpy(&v, b.data() + i, 8);
      real("", v);
    }
    out += " }";
    return *this;
  }
  Text& bytes(const char* name, TkBlob* blob) {
    std::vector<uint8_t> b = content(blob);
    field(name).out += std::to_string(b.size()) + ":";
    for (uint8_t c : b) {
      char x[4];
      std::snprintf(x, sizeof x, "%02X", c);
      out += x;
    }
    return *this;
  }
  // A blob of dictionary entries.
  Text& entries(const char* name, TkBlob* blob) {
    std::vector<uint8_t> b = content(blob);
    field(name).out += "{";
    for (size_t i = 0; i + TK_DICT_ENTRY_SIZE <= b.size(); i += TK_DICT_ENTRY_SIZE) {
      TkDictEntry e;
      std::memcpy(&e, b.data() + i, TK_DICT_ENTRY_SIZE);
      e.name[TK_OBJECT_NAME_SIZE - 1] = 0;
      text("", e.name).handle("", e.object);
    }
    out += " }";
    return *this;
  }
};

inline void plot_settings(Text& t, const TkPlotSettings& p) {
  t.text("page_setup", p.page_setup).text("printer", p.printer).text("paper", p.paper_size);
  t.text("view", p.plot_view).reals("margins", p.margins, 4).real("width", p.paper_width);
  t.real("height", p.paper_height).reals("origin", p.origin, 2);
  t.reals("window_min", p.window_min, 2).reals("window_max", p.window_max, 2);
  t.real("real_units", p.real_world_units).real("drawing_units", p.drawing_units);
  t.integer("flags", p.layout_flags).integer("paper_units", p.paper_units);
  t.integer("rotation", p.rotation).integer("plot_type", p.plot_type);
  t.text("style_sheet", p.style_sheet).integer("scale_type", p.scale_type);
  t.real("scale", p.scale_factor).reals("image_origin", p.image_origin, 2);
}

// The record of a kind as text; the header's owner and reactors first.
inline std::string describe(TkObjectDataKind kind, const TkObjectHeader& h, const TkObjectData& d) {
  Text t;
  t.handle("owner", h.owner).handles("reactors", h.reactors);
  switch (kind) {
    case TK_OBJDATA_PLOTSETTINGS: plot_settings(t, d.plotsettings); break;
    case TK_OBJDATA_IDBUFFER:
      t.integer("count", d.idbuffer.count).handles("objects", d.idbuffer.handles);
      break;
    case TK_OBJDATA_DICTIONARYVAR:
      t.integer("schema", d.dictionaryvar.schema).text("value", d.dictionaryvar.value);
      break;
    case TK_OBJDATA_IMAGEDEF_REACTOR:
      t.integer("version", d.imagedef_reactor.class_version)
          .handles("image", d.imagedef_reactor.image);
      break;
    case TK_OBJDATA_IMAGEDEF: {
      const TkImageDefData& x = d.imagedef;
      t.integer("version", x.class_version).text("path", x.path).reals("size", x.image_size, 2);
      t.reals("pixel", x.pixel_size, 2).integer("loaded", x.loaded);
      t.integer("units", x.resolution_units);
      break;
    }
    case TK_OBJDATA_LAYER_INDEX: {
      const TkLayerIndexData& x = d.layer_index;
      t.integer("count", x.entry_count).integer("days", x.stamp.days);
      t.integer("msec", x.stamp.msec).bytes("entries", x.entries).handles("ids", x.handles);
      break;
    }
    case TK_OBJDATA_RASTERVARIABLES: {
      const TkRasterVariablesData& x = d.rastervariables;
      t.integer("version", x.class_version).integer("frame", x.display_frame);
      t.integer("quality", x.display_quality).integer("units", x.units);
      break;
    }
    case TK_OBJDATA_SORTENTSTABLE: {
      const TkSortEntsTableData& x = d.sortentstable;
      t.handle("block", x.block_record).integer("count", x.count);
      t.handles("sorts", x.sort_handles).handles("entities", x.entity_handles);
      break;
    }
    case TK_OBJDATA_SPATIAL_FILTER: {
      const TkSpatialFilterData& x = d.spatial_filter;
      t.integer("points", x.point_count).doubles("boundary", x.points);
      t.reals("extrusion", x.extrusion, 3).reals("origin", x.origin, 3);
      t.integer("display", x.display_boundary).integer("front", x.front_clip);
      t.integer("back", x.back_clip).real("front_at", x.front_distance);
      t.real("back_at", x.back_distance).reals("inverse", x.inverse_block_transform, 12);
      t.reals("clip", x.clip_transform, 12);
      break;
    }
    case TK_OBJDATA_SPATIAL_INDEX:
      t.integer("days", d.spatial_index.stamp.days).integer("msec", d.spatial_index.stamp.msec);
      break;
    case TK_OBJDATA_DICTIONARYWDFLT: {
      const TkDictionaryWdfltData& x = d.dictionary_wdflt;
      t.integer("count", x.entry_count).integer("cloning", x.cloning);
      t.entries("entries", x.entries).handle("default", x.default_entry);
      break;
    }
    case TK_OBJDATA_LAYOUT: {
      const TkLayoutData& x = d.layout;
      t.text("name", x.name).integer("flags", x.flags).integer("tab", x.tab_order);
      plot_settings(t, x.plot);
      t.reals("limmin", x.limits_min, 2).reals("limmax", x.limits_max, 2);
      t.reals("base", x.insertion_base, 3).reals("extmin", x.extents_min, 3);
      t.reals("extmax", x.extents_max, 3).real("elevation", x.elevation);
      t.reals("ucs_origin", x.ucs_origin, 3).reals("ucs_x", x.ucs_x_axis, 3);
      t.reals("ucs_y", x.ucs_y_axis, 3).integer("ortho", x.ortho_type);
      t.handle("block", x.block_record).handle("viewport", x.last_viewport);
      t.handle("ucs", x.named_ucs).handle("base_ucs", x.base_ucs);
      break;
    }
    case TK_OBJDATA_VBA_PROJECT:
      t.integer("size", d.vba_project.size).bytes("data", d.vba_project.data);
      break;
    case TK_OBJDATA_WIPEOUTVARIABLES:
      t.integer("frame", d.wipeout_variables.display_frame);
      break;
    case TK_OBJDATA_GENERIC:
    case TK_OBJDATA_OBJECT_PTR:
      // Raw data is each file's own form: only the references are compared.
      t.bytes("references", kind == TK_OBJDATA_GENERIC ? d.generic.handles
                                                       : d.object_ptr.handles);
      break;
    default: break;
  }
  return t.out;
}

}  // namespace object_records
