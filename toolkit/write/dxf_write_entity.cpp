// DXF entity records: the type name, the common groups, the groups of each kind
// in file order under their release conditions, the class entities the writer
// knows (LWPOLYLINE, HATCH) and the entity's extended data. An LWPOLYLINE
// written before AC1014 becomes a POLYLINE with its VERTEX records and a
// SEQEND. Kinds the writer has no record for are left out by the drivers and
// reported, never written half.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/load_entities.h"
#include "toolkit/core/object.h"
#include "toolkit/core/state.h"
#include "toolkit/write/dxf_write.h"

namespace {

constexpr double kLinear = 5e-7;
constexpr double kAngular = 8.726646259971647e-9;

double get_d(const TkEntityData* d, size_t at) { return tk_data_get<double>(d, at); }
void get_pt(const TkEntityData* d, size_t at, double p[3]) {
  for (int i = 0; i < 3; ++i) p[i] = get_d(d, at + 8 * size_t(i));
}
int16_t get_s(const TkEntityData* d, size_t at) { return tk_data_get<int16_t>(d, at); }
int8_t get_b(const TkEntityData* d, size_t at) { return tk_data_get<int8_t>(d, at); }
bool big(double v, double tolerance) { return std::fabs(v) >= tolerance; }

// Text-attribute block places (TEXT, ATTDEF, ATTRIB).
enum : size_t {
  attr_height = 0,
  attr_rotation = 8,
  attr_width = 16,
  attr_oblique = 24,
  attr_generation = 32,
  attr_halign = 33,
  attr_valign = 34,
  attr_alignment = 40,
  attr_style = 56,
};

bool is_new(const DxfOut& o) { return o.version >= 5; }

void marker(DxfOut& o, const char* name) {
  if (is_new(o)) dxf_write_string_group(o, 100, name);
}

void thickness_new(DxfOut& o, const TkEntityHeader* h) {
  if (is_new(o) && big(h->thickness, kLinear)) dxf_write_real_group(o, 39, h->thickness);
}

void extrusion(DxfOut& o, const TkEntityHeader* h) {
  if (!(h->flags & TK_ENTITY_EXTRUDED)) return;
  dxf_write_point3_16(o, 210, h->extrusion);
}

void extrusion_always(DxfOut& o, const TkEntityHeader* h) {
  dxf_write_point3_16(o, 210, h->extrusion);
}

const char* style_name(DxfOut& o, const TkHandle& handle, int32_t* index) {
  const DxfName* n = dxf_name_of(o.styles, handle);
  if (!n) return nullptr;
  *index = n->index;
  return n->name.c_str();
}

// 7 the text style unless it is STANDARD; false when the handle names no style.
bool style_group(DxfOut& o, const TkHandle& handle, bool skip_empty) {
  int32_t index = 0;
  const char* name = style_name(o, handle, &index);
  if (!name) {
    if (tk_handle_is_null(&handle)) return true;
    (void)tk_fail(TK_ERR_RESOLVE_STYLE);
    o.ok = false;
    return false;
  }
  if ((skip_empty && !*name) || tk_name_compare(name, "STANDARD") == 0) return true;
  return dxf_write_name_group(o, 7, name, index);
}

void alignment(DxfOut& o, const TkEntityData* d, size_t attrs) {
  int halign = get_b(d, attrs + attr_halign), valign = get_b(d, attrs + attr_valign);
  if (halign == 0 && valign == 0) return;
  double a[2] = {get_d(d, attrs + attr_alignment), get_d(d, attrs + attr_alignment + 8)};
  dxf_write_point2(o, 11, a);
  double z = get_d(d, 16);
  if (o.version >= 3 && (o.numbers.z_flag || z != 0.0)) dxf_write_real_group(o, 31, z);
}

// The alignment part of ATTDEF and ATTRIB.
void text_tail(DxfOut& o, const TkEntityHeader* h, const TkEntityData* d, size_t attrs) {
  double rotation = get_d(d, attrs + attr_rotation), width = get_d(d, attrs + attr_width);
  double oblique = get_d(d, attrs + attr_oblique);
  if (big(rotation, kAngular)) dxf_write_angle_group(o, 50, rotation);
  if (width != 1.0) dxf_write_real_group(o, 41, width);
  if (big(oblique, kAngular)) dxf_write_angle_group(o, 51, oblique);
  style_group(o, tk_data_get<TkHandle>(d, attrs + attr_style), false);
  int generation = get_b(d, attrs + attr_generation);
  int halign = get_b(d, attrs + attr_halign), valign = get_b(d, attrs + attr_valign);
  if (generation) dxf_write_short_group(o, 71, int16_t(generation));
  if (halign) dxf_write_short_group(o, 72, int16_t(halign));
  alignment(o, d, attrs);
  if (o.version >= 3) extrusion(o, h);
  if (valign && o.version == 4) dxf_write_short_group(o, 74, int16_t(valign));
}

void write_text(DxfOut& o, const TkEntityHeader* h, const TkEntityData* d) {
  const size_t a = TK_TEXT_ATTRS;
  double p[3];
  get_pt(d, 0, p);
  marker(o, "AcDbText");
  thickness_new(o, h);
  dxf_write_point(o, 10, p);
  dxf_write_real_group(o, 40, get_d(d, a + attr_height));
  dxf_write_caret_string_group(o, 1, tk_data_text(d, TK_TEXT_STRING));
  double rotation = get_d(d, a + attr_rotation), width = get_d(d, a + attr_width);
  double oblique = get_d(d, a + attr_oblique);
  if (big(rotation, kAngular)) dxf_write_angle_group(o, 50, rotation);
  if (width != 1.0) dxf_write_real_group(o, 41, width);
  if (big(oblique, kAngular)) dxf_write_angle_group(o, 51, oblique);
  style_group(o, tk_data_get<TkHandle>(d, a + attr_style), false);
  int generation = get_b(d, a + attr_generation), halign = get_b(d, a + attr_halign);
  int valign = get_b(d, a + attr_valign);
  if (generation) dxf_write_short_group(o, 71, int16_t(generation));
  if (halign) dxf_write_short_group(o, 72, int16_t(halign));
  alignment(o, d, a);
  if (o.version >= 3) extrusion(o, h);
  marker(o, "AcDbText");
  if (o.version >= 4 && valign) dxf_write_short_group(o, 73, int16_t(valign));
}

void write_attribute(DxfOut& o, const TkEntityHeader* h, const TkEntityData* d, bool def) {
  const size_t a = TK_ATTDEF_ATTRS;
  double p[3];
  get_pt(d, 0, p);
  marker(o, "AcDbText");
  dxf_write_point(o, 10, p);
  dxf_write_real_group(o, 40, get_d(d, a + attr_height));
  int valign = get_b(d, a + attr_valign);
  int8_t flags = get_b(d, 24);
  if (def) {
    dxf_write_caret_string_group(o, 1, tk_data_text(d, TK_ATTDEF_THIRD));
    if (is_new(o)) {
      text_tail(o, h, d, a);
      marker(o, "AcDbAttributeDefinition");
    }
    dxf_write_string_group(o, 3, tk_data_text(d, TK_ATTDEF_STRINGS));
    dxf_write_string_group(o, 2, tk_data_text(d, TK_ATTDEF_SECOND));
    dxf_write_short_group(o, 70, flags);
    if (!is_new(o)) text_tail(o, h, d, a);
  } else {
    dxf_write_caret_string_group(o, 1, tk_data_text(d, TK_ATTDEF_SECOND));
    if (!is_new(o)) {
      dxf_write_string_group(o, 2, tk_data_text(d, TK_ATTDEF_STRINGS));
      dxf_write_short_group(o, 70, flags);
    }
    text_tail(o, h, d, a);
    if (is_new(o)) {
      marker(o, "AcDbAttribute");
      dxf_write_string_group(o, 2, tk_data_text(d, TK_ATTDEF_STRINGS));
      dxf_write_short_group(o, 70, flags);
    }
  }
  if (is_new(o) && valign) dxf_write_short_group(o, 74, int16_t(valign));
}

void write_block(DxfOut& o, const TkEntityHeader* h, const TkEntityData* d) {
  marker(o, "AcDbBlockBegin");
  dxf_write_name_group(o, 2, o.block_name.c_str(), o.block_index);
  dxf_write_short_group(o, 70, o.block_flags);
  if (o.block_xref) dxf_write_short_group(o, 71, 1);
  double p[3];
  get_pt(d, 0, p);
  dxf_write_point2(o, 10, p);
  if (o.version >= 4) dxf_write_real_group(o, 30, p[2]);
  const char* path = tk_data_text(d, 536);
  if (is_new(o)) {
    dxf_write_name_group(o, 3, o.block_name.c_str(), o.block_index);
    dxf_write_string_group(o, 1, path);
  } else if (o.version == 4) {
    if (*path) dxf_write_string_group(o, 1, path);
    dxf_write_string_group(o, 3, o.block_name.c_str());
  }
  (void)h;
}

void write_insert(DxfOut& o, const TkEntityHeader* h, const TkEntityData* d) {
  int16_t rows = get_s(d, 80), columns = get_s(d, 82);
  if (is_new(o)) marker(o, columns != 1 || rows != 1 ? "AcDbMInsertBlock" : "AcDbBlockReference");
  if (get_s(d, 0)) dxf_write_short_group(o, 66, 1);
  TkHandle block = tk_data_get<TkHandle>(d, TK_INSERT_BLOCK);
  const DxfName* n = dxf_name_of(o.blocks, block);
  if (!n) {
    (void)tk_fail(TK_ERR_RESOLVE_BLOCK);
    o.ok = false;
    return;
  }
  std::string name = dxf_block_written_name(o, n->name, n->index);
  dxf_write_name_group(o, 2, name.c_str(), n->index);
  double p[3];
  get_pt(d, 8, p);
  dxf_write_point(o, 10, p);
  double sx = get_d(d, 32), sy = get_d(d, 40), sz = get_d(d, 48), rotation = get_d(d, 56);
  if (sx != 1.0) dxf_write_real_group(o, 41, sx);
  if (sy != 1.0) dxf_write_real_group(o, 42, sy);
  if (!is_new(o)) {
    if (big(rotation, kAngular)) dxf_write_angle_group(o, 50, rotation);
    if (sz != 1.0) dxf_write_real_group(o, 43, sz);
  } else {
    if (sz != 1.0) dxf_write_real_group(o, 43, sz);
    if (big(rotation, kAngular)) dxf_write_angle_group(o, 50, rotation);
  }
  if (columns != 1) dxf_write_short_group(o, 70, columns);
  if (rows != 1) dxf_write_short_group(o, 71, rows);
  if (big(get_d(d, 72), kLinear)) dxf_write_real_group(o, 44, get_d(d, 72));
  if (big(get_d(d, 64), kLinear)) dxf_write_real_group(o, 45, get_d(d, 64));
  if (o.version >= 3) extrusion(o, h);
}

void write_polyline(DxfOut& o, const TkEntityHeader* h, const TkEntityData* d) {
  uint16_t flags = tk_data_get<uint16_t>(d, 34);
  if (is_new(o)) {
    const char* m = "AcDb2dPolyline";
    if (flags & 8) m = "AcDb3dPolyline";
    if (flags & 64) m = "AcDbPolyFaceMesh";
    if (flags & 16) m = "AcDbPolygonMesh";
    marker(o, m);
  }
  dxf_write_short_group(o, 66, 1);
  if (o.version >= 3) {
    double p[3] = {0.0, 0.0, get_d(d, 0)};
    dxf_write_point3(o, 10, p);
  }
  thickness_new(o, h);
  if (flags) dxf_write_short_group(o, 70, int16_t(flags));
  if (big(get_d(d, 8), kLinear)) dxf_write_real_group(o, 40, get_d(d, 8));
  if (big(get_d(d, 16), kLinear)) dxf_write_real_group(o, 41, get_d(d, 16));
  if (o.version >= 3) extrusion(o, h);
  const int16_t counts[5] = {get_s(d, 30), get_s(d, 32), get_s(d, 26), get_s(d, 28), get_s(d, 24)};
  for (int i = 0; i < 5; ++i)
    if (counts[i]) dxf_write_short_group(o, int16_t(71 + i), counts[i]);
}

void write_vertex(DxfOut& o, const TkEntityHeader* h, const TkEntityData* d) {
  uint16_t flags = tk_data_get<uint16_t>(d, TK_VERTEX_FLAGS);
  bool face = (flags & 128) && !(flags & 64);
  if (is_new(o)) {
    if (face) {
      marker(o, "AcDbFaceRecord");
    } else {
      marker(o, "AcDbVertex");
      const char* m = "AcDb2dVertex";
      if (flags & 32) m = "AcDb3dPolylineVertex";
      if (flags & 64) m = (flags & 128) ? "AcDbPolyFaceMeshVertex" : "AcDbPolygonMeshVertex";
      marker(o, m);
    }
  }
  double p[3];
  get_pt(d, 0, p);
  dxf_write_point(o, 10, p);
  if (tk_data_get<uint16_t>(d, 48) || get_d(d, 32) != 0.0)
    dxf_write_real_group(o, 40, get_d(d, 32));
  if (tk_data_get<uint16_t>(d, 50) || get_d(d, 40) != 0.0)
    dxf_write_real_group(o, 41, get_d(d, 40));
  if (big(get_d(d, 56), kLinear)) dxf_write_real_group(o, 42, get_d(d, 56));
  if (flags) dxf_write_short_group(o, 70, int16_t(flags));
  if (big(get_d(d, 64), kAngular)) dxf_write_angle_group(o, 50, get_d(d, 64));
  if (o.version == 3) extrusion(o, h);
  if (o.version >= 4) {
    if (face) {
      for (int i = 0; i < 4; ++i)
        dxf_write_short_group(o, int16_t(71 + i), get_s(d, 74 + 8 * size_t(i)));
    } else {
      extrusion(o, h);
    }
  }
}

void write_dimension(DxfOut& o, const TkEntityHeader* h, const TkEntityData* d) {
  uint8_t flags = tk_data_get<uint8_t>(d, 32);
  int type = flags & 15;
  double p[3];
  TkHandle block = tk_data_get<TkHandle>(d, TK_DIMENSION_BLOCK);
  std::string block_name;
  if (const DxfName* n = dxf_name_of(o.blocks, block))
    block_name = dxf_block_written_name(o, n->name, n->index);
  TkHandle style = tk_data_get<TkHandle>(d, TK_DIMENSION_STYLE);
  const DxfName* ds = dxf_name_of(o.dimstyles, style);
  if (!ds && !tk_handle_is_null(&style)) {
    (void)tk_fail(TK_ERR_RESOLVE_DIMSTYLE);
    o.ok = false;
    return;
  }
  const char* style_name = ds ? ds->name.c_str() : "*UNNAMED";
  auto pt = [&](int16_t code, size_t at) {
    get_pt(d, at, p);
    dxf_write_point(o, code, p);
  };
  const char* text = tk_data_text(d, TK_DIMENSION_STRING);
  if (is_new(o)) {
    marker(o, "AcDbDimension");
    dxf_write_string_group(o, 2, block_name.c_str());
    pt(10, 192);
    get_pt(d, 168, p);
    dxf_write_point3(o, 11, p);
    get_pt(d, 8, p);
    if (p[0] != 0.0 || p[1] != 0.0) dxf_write_point(o, 12, p);
    if (flags) dxf_write_short_group(o, 70, int16_t(flags));
    if (o.version >= 7) {
      dxf_write_short_group(o, 71, get_s(d, 224));
      dxf_write_short_group(o, 72, get_s(d, 226));
      dxf_write_real_group(o, 41, get_d(d, 232));
      dxf_write_real_group(o, 42, get_d(d, 240));
    }
    if (big(get_d(d, 216), kAngular)) dxf_write_angle_group(o, 51, get_d(d, 216));
    extrusion(o, h);
    if (big(get_d(d, 160), kAngular) && type != 0) dxf_write_angle_group(o, 52, get_d(d, 160));
    if (big(get_d(d, 152), kAngular)) dxf_write_angle_group(o, 53, get_d(d, 152));
    if (*text) dxf_write_caret_string_group(o, 1, text);
    if (ds && tk_name_compare(style_name, "*UNNAMED") != 0)
      dxf_write_name_group(o, 3, style_name, ds->index);
    static const char* const kMarkers[7] = {
        "AcDbAlignedDimension",   "AcDbAlignedDimension", "AcDb2LineAngularDimension",
        "AcDbDiametricDimension", "AcDbRadialDimension",  "AcDb3PointAngularDimension",
        "AcDbOrdinateDimension"};
    if (type < 7) marker(o, kMarkers[type]);
    if (type == 0 || type == 1 || type == 2 || type == 5 || type == 6) pt(13, 64), pt(14, 88);
    if (type >= 2 && type <= 5) pt(15, 112);
    if (type == 2) pt(16, 40);
    if (type == 3 || type == 4) dxf_write_real_group(o, 40, get_d(d, 136));
    if (big(get_d(d, 144), kAngular)) dxf_write_angle_group(o, 50, get_d(d, 144));
    if (type == 0 && big(get_d(d, 160), kAngular)) dxf_write_angle_group(o, 52, get_d(d, 160));
    if (big(get_d(d, 264), kAngular)) dxf_write_angle_group(o, 54, get_d(d, 264));
    if (type == 0) marker(o, "AcDbRotatedDimension");
    return;
  }
  // The older layout: every point the type uses, then the angles.
  dxf_write_string_group(o, 2, block_name.c_str());
  pt(10, 192);
  pt(11, 168);
  get_pt(d, 8, p);
  if (p[0] != 0.0 || p[1] != 0.0) dxf_write_point(o, 12, p);
  if (flags) dxf_write_short_group(o, 70, int16_t(flags));
  if (*text) dxf_write_caret_string_group(o, 1, text);
  if (type == 0 || type == 1 || type == 2 || type == 5 || type == 6) pt(13, 64), pt(14, 88);
  if (type >= 2 && type <= 5) pt(15, 112);
  if (type == 2) pt(16, 40);
  if (type == 3 || type == 4) dxf_write_real_group(o, 40, get_d(d, 136));
  if (big(get_d(d, 144), kAngular)) dxf_write_angle_group(o, 50, get_d(d, 144));
  if (big(get_d(d, 160), kAngular)) dxf_write_angle_group(o, 52, get_d(d, 160));
  if (big(get_d(d, 152), kAngular)) dxf_write_angle_group(o, 53, get_d(d, 152));
  if (o.version >= 4) {
    if (big(get_d(d, 216), kAngular)) dxf_write_angle_group(o, 51, get_d(d, 216));
    if (ds) dxf_write_name_group(o, 3, style_name, ds->index);
  }
  if (o.version >= 3) extrusion(o, h);
}

void write_mtext(DxfOut& o, const TkEntityHeader* h, const TkEntityData* d) {
  marker(o, "AcDbMText");
  double p[3];
  get_pt(d, 0, p);
  dxf_write_point3_z_opt(o, 10, p);
  dxf_write_real_group(o, 40, get_d(d, 48));
  dxf_write_real_group(o, 41, get_d(d, 56));
  dxf_write_short_group(o, 71, tk_data_get<uint8_t>(d, 64));
  dxf_write_short_group(o, 72, tk_data_get<uint8_t>(d, 65));
  // The text in pieces of 250 bytes: 3 for all but the last, 1 for the last.
  std::string text;
  TkBlob* blob = tk_data_blob(d, TK_MTEXT_BLOB);
  if (blob) {
    TkBlob* r = blob_open_read(blob);
    int32_t length = r ? blob_length(r) : 0;
    text.resize(size_t(length > 0 ? length : 0));
    if (r && length > 0 && !blob_read(r, &text[0], size_t(length))) text.clear();
    if (r) blob_close(r);
    text.resize(std::strlen(text.c_str()));
  } else {
    text = tk_data_text(d, TK_MTEXT_STRING);
  }
  size_t at = 0;
  while (text.size() - at > 250) {
    dxf_write_caret_string_group(o, 3, text.substr(at, 250).c_str());
    at += 250;
  }
  dxf_write_caret_string_group(o, 1, text.c_str() + at);
  TkHandle style = tk_data_get<TkHandle>(d, TK_MTEXT_STYLE);
  style_group(o, style, true);
  extrusion(o, h);
  get_pt(d, 24, p);
  if (!(p[0] == 1.0 && p[1] == 0.0 && p[2] == 0.0)) dxf_write_point3_z_opt(o, 11, p);
  if (o.version >= 7) {
    dxf_write_short_group(o, 73, get_s(d, 88));
    dxf_write_real_group(o, 44, get_d(d, 96));
  }
}

void write_spline(DxfOut& o, const TkEntityHeader* h, const TkEntityData* d) {
  marker(o, "AcDbSpline");
  extrusion_always(o, h);
  int16_t flags = get_s(d, 2), knots = get_s(d, 4), controls = get_s(d, 6), fits = get_s(d, 8);
  dxf_write_short_group(o, 70, flags);
  dxf_write_short_group(o, 71, get_s(d, 0));
  dxf_write_short_group(o, 72, knots);
  dxf_write_short_group(o, 73, controls);
  dxf_write_short_group(o, 74, fits);
  if (knots) dxf_write_real16_group(o, 42, get_d(d, 16));
  if (controls) dxf_write_real16_group(o, 43, get_d(d, 24));
  if (fits) dxf_write_real16_group(o, 44, get_d(d, 32));
  double p[3];
  get_pt(d, 40, p);
  if (p[0] != 0.0 || p[1] != 0.0 || p[2] != 0.0) dxf_write_point3_16(o, 12, p);
  get_pt(d, 64, p);
  if (p[0] != 0.0 || p[1] != 0.0 || p[2] != 0.0) dxf_write_point3_16(o, 13, p);
  TkBlob* blob = tk_data_blob(d, TK_SPLINE_BLOB);
  TkBlob* r = blob ? blob_open_read(blob) : nullptr;
  if (!r) return;
  bool rational = (flags & 4) != 0;
  auto next = [&](double* v) { return blob_read(r, v, 8) != 0; };
  double v = 0;
  for (int i = 0; i < knots && o.ok && next(&v); ++i) dxf_write_real16_group(o, 40, v);
  for (int i = 0; i < controls && o.ok; ++i) {
    if (!next(&p[0]) || !next(&p[1]) || !next(&p[2])) break;
    dxf_write_point3_16(o, 10, p);
    if (rational && next(&v)) dxf_write_real16_group(o, 41, v);
  }
  for (int i = 0; i < fits && o.ok; ++i) {
    if (!next(&p[0]) || !next(&p[1]) || !next(&p[2])) break;
    dxf_write_point3_16(o, 11, p);
  }
  blob_close(r);
}

// The vertices as the reader gives them back: with a hook line the file holds
// one vertex more (before the last), which the reader takes out again, so the
// count never grows.
void write_leader(DxfOut& o, const TkEntityHeader* h, const TkEntityData* d) {
  marker(o, "AcDbLeader");
  TkHandle style = tk_data_get<TkHandle>(d, TK_LEADER_DIMSTYLE);
  const DxfName* ds = dxf_name_of(o.dimstyles, style);
  dxf_write_string_group(o, 3, ds ? ds->name.c_str() : "STANDARD");
  int arrow = get_b(d, 3), path = get_b(d, 2), hook_dir = get_b(d, 4), hook = get_b(d, 5);
  if (arrow != 1) dxf_write_short_group(o, 71, int16_t(arrow));
  if (path) dxf_write_short_group(o, 72, int16_t(path));
  dxf_write_short_group(o, 73, get_s(d, 6));
  dxf_write_short_group(o, 74, int16_t(hook_dir));
  dxf_write_short_group(o, 75, int16_t(hook));
  dxf_write_real_group(o, 40, get_d(d, 16));
  if (get_d(d, 24) != 0.0) dxf_write_real_group(o, 41, get_d(d, 24));
  std::vector<double> v;
  TkBlob* blob = tk_data_blob(d, TK_LEADER_BLOB);
  TkBlob* r = blob ? blob_open_read(blob) : nullptr;
  uint16_t count = tk_data_get<uint16_t>(d, 0);
  for (uint16_t i = 0; r && i < count; ++i) {
    double p[3];
    if (!blob_read(r, p, 24)) break;
    v.insert(v.end(), p, p + 3);
  }
  if (r) blob_close(r);
  size_t n = v.size() / 3;
  bool copy = hook && n >= 1;
  dxf_write_short_group(o, 76, int16_t(n + (copy ? 1 : 0)));
  double dir[3];
  get_pt(d, 56, dir);
  double offset = o.d->header ? o.d->header->dimasz * o.d->header->dimscale : 0.0;
  double sense = hook_dir ? 1.0 : -1.0;
  for (size_t i = 0; i < n && o.ok; ++i) {
    if (copy && i + 1 == n) {
      double c[3];
      for (int k = 0; k < 3; ++k) c[k] = v[3 * i + k] + sense * offset * dir[k];
      dxf_write_point3_z_opt(o, 10, c);
    }
    dxf_write_point3_z_opt(o, 10, &v[3 * i]);
  }
  dxf_write_short_group(o, 77, get_s(d, 8));
  TkHandle annotation = tk_data_get<TkHandle>(d, 104);
  if (!tk_handle_is_null(&annotation)) dxf_write_handle_group(o, 340, annotation);
  double p[3];
  if (!(dir[0] == 1.0 && dir[1] == 0.0 && dir[2] == 0.0)) dxf_write_point3_16(o, 211, dir);
  get_pt(d, 80, p);
  if (p[0] != 0.0 || p[1] != 0.0 || p[2] != 0.0) dxf_write_point3_16(o, 212, p);
  get_pt(d, 32, p);
  if (p[0] != 0.0 || p[1] != 0.0 || p[2] != 0.0) dxf_write_point3_16(o, 213, p);
  extrusion(o, h);
}

void write_tolerance(DxfOut& o, const TkEntityHeader* h, const TkEntityData* d) {
  marker(o, "AcDbFcf");
  TkHandle style = tk_data_get<TkHandle>(d, TK_TOLERANCE_DIMSTYLE);
  const DxfName* ds = dxf_name_of(o.dimstyles, style);
  dxf_write_string_group(o, 3, ds ? ds->name.c_str() : "STANDARD");
  double p[3];
  get_pt(d, 0, p);
  dxf_write_point3_z_opt(o, 10, p);
  // Only line feeds become "^J" here: the frame's own codes keep their carets as they are.
  std::string text;
  for (const char* c = tk_data_text(d, TK_TOLERANCE_STRING); *c; ++c)
    text += *c == '\n' ? std::string("^J") : std::string(1, *c);
  dxf_write_string_group(o, 1, text.c_str());
  extrusion(o, h);
  get_pt(d, 24, p);
  if (!(p[0] == 1.0 && p[1] == 0.0 && p[2] == 0.0)) dxf_write_point3_z_opt(o, 11, p);
}

void write_lwpolyline(DxfOut& o, const TkEntityHeader* h, const TkEntityData* d) {
  marker(o, "AcDbPolyline");
  uint16_t stored = tk_data_get<uint16_t>(d, TK_LWPOLYLINE_FLAGS);
  uint32_t count = tk_data_get<uint32_t>(d, TK_LWPOLYLINE_COUNT);
  bool bulges = stored & TK_LWPL_BULGES, widths = stored & TK_LWPL_WIDTHS;
  size_t per = 2 + (bulges ? 1 : 0) + (widths ? 2 : 0);
  TkBlob* blob = tk_data_blob(d, TK_LWPOLYLINE_VERTICES);
  TkBlob* r = blob ? blob_open_read(blob) : nullptr;
  int32_t length = r ? blob_length(r) : 0;
  if (uint64_t(count) * per * 8 > uint64_t(length)) count = uint32_t(length / int32_t(per * 8));
  dxf_write_long_group(o, 90, int32_t(count));
  int16_t flags =
      int16_t(((stored & TK_LWPL_CLOSED) ? 1 : 0) | ((stored & TK_LWPL_PLINEGEN) ? 128 : 0));
  dxf_write_short_group(o, 70, flags);
  double width = get_d(d, TK_LWPOLYLINE_WIDTH), elevation = get_d(d, TK_LWPOLYLINE_ELEVATION);
  if (width != 0.0) dxf_write_real_group(o, 43, width);
  if (elevation != 0.0) dxf_write_real_group(o, 38, elevation);
  if (h->thickness != 0.0) dxf_write_real_group(o, 39, h->thickness);
  double v[5];
  for (uint32_t i = 0; r && o.ok && i < count; ++i) {
    if (!blob_read(r, v, per * 8)) break;
    dxf_write_real_group(o, 10, v[0]);
    dxf_write_real_group(o, 20, v[1]);
    size_t k = 2;
    double bulge = bulges ? v[k++] : 0.0;
    if (widths) {
      dxf_write_real_group(o, 40, v[k]);
      dxf_write_real_group(o, 41, v[k + 1]);
    }
    if (bulges && bulge != 0.0) dxf_write_real_group(o, 42, bulge);
  }
  if (r) blob_close(r);
  extrusion(o, h);
}

// HATCH boundary paths, pattern lines and seeds from the hatch's blobs.
void write_hatch(DxfOut& o, const TkEntityHeader* h, const TkEntityData* d) {
  marker(o, "AcDbHatch");
  double p[3];
  get_pt(d, TK_HATCH_ELEVATION, p);
  double elevation[3] = {0.0, 0.0, p[2]};
  dxf_write_point3_16(o, 10, elevation);
  extrusion_always(o, h);
  dxf_write_string_group(o, 2, tk_data_text(d, TK_HATCH_PATTERN));
  dxf_write_short_group(o, 70, get_s(d, TK_HATCH_SOLID));
  dxf_write_short_group(o, 71, get_s(d, TK_HATCH_ASSOCIATIVE));
  uint32_t paths = tk_data_get<uint32_t>(d, TK_HATCH_PATH_COUNT);
  TkBlob* blob = tk_data_blob(d, TK_HATCH_PATHS);
  TkBlob* r = blob ? blob_open_read(blob) : nullptr;
  if (!r) paths = 0;
  dxf_write_long_group(o, 91, int32_t(paths));
  TkBlob* sources = tk_data_blob(d, TK_HATCH_SOURCES);
  TkBlob* sr = sources ? blob_open_read(sources) : nullptr;
  auto rd = [&](void* v, size_t n) { return r && blob_read(r, v, n) != 0; };
  auto real = [&]() {
    double v = 0;
    if (!rd(&v, 8)) o.ok = false;
    return v;
  };
  auto i16 = [&]() {
    int16_t v = 0;
    if (!rd(&v, 2)) o.ok = false;
    return v;
  };
  auto i32 = [&]() {
    int32_t v = 0;
    if (!rd(&v, 4)) o.ok = false;
    return v;
  };
  for (uint32_t k = 0; k < paths && o.ok; ++k) {
    int32_t flags = i32();
    dxf_write_long_group(o, 92, flags);
    if (flags & 2) {
      int16_t has_bulge = i16(), closed = i16();
      int32_t n = i32();
      dxf_write_short_group(o, 72, has_bulge);
      dxf_write_short_group(o, 73, closed);
      dxf_write_long_group(o, 93, n);
      for (int32_t i = 0; i < n && o.ok; ++i) {
        double q[2] = {real(), real()};
        dxf_write_point2_16(o, 10, q);
        if (has_bulge) dxf_write_real16_group(o, 42, real());
      }
    } else {
      int32_t edges = i32();
      dxf_write_long_group(o, 93, edges);
      for (int32_t e = 0; e < edges && o.ok; ++e) {
        int16_t type = i16();
        dxf_write_short_group(o, 72, type);
        auto point = [&](int16_t code) {
          double q[2];
          q[0] = real(), q[1] = real();
          dxf_write_point2_16(o, code, q);
        };
        // A circular or elliptic arc's size (radius or axis ratio), its angles and direction.
        auto arc_tail = [&]() {
          double size = real(), start = real(), end = real();
          dxf_write_real16_group(o, 40, size);
          dxf_write_angle_group(o, 50, start);
          dxf_write_angle_group(o, 51, end);
          dxf_write_short_group(o, 73, i16());
        };
        switch (type) {
          case 1:
            point(10);
            point(11);
            break;
          case 2:
            point(10);
            arc_tail();
            break;
          case 3:
            point(10);
            point(11);
            arc_tail();
            break;
          case 4: {
            int32_t degree = i32();
            int16_t rational = i16(), periodic = i16();
            int32_t knots = i32(), controls = i32();
            dxf_write_long_group(o, 94, degree);
            dxf_write_short_group(o, 73, rational);
            dxf_write_short_group(o, 74, periodic);
            dxf_write_long_group(o, 95, knots);
            dxf_write_long_group(o, 96, controls);
            for (int32_t i = 0; i < knots && o.ok; ++i) dxf_write_real16_group(o, 40, real());
            std::vector<double> weights;
            for (int32_t i = 0; i < controls && o.ok; ++i) {
              point(10);
              if (rational) weights.push_back(real());
            }
            for (double w : weights) dxf_write_real16_group(o, 42, w);
            break;
          }
          default:
            o.ok = false;
            break;
        }
      }
    }
    int32_t n = i32();
    dxf_write_long_group(o, 97, n);
    for (int32_t i = 0; i < n && o.ok; ++i) {
      TkHandle s{};
      if (sr) blob_read(sr, s.bytes, 8);
      dxf_write_handle_group(o, 330, s);
    }
  }
  if (r) blob_close(r);
  if (sr) blob_close(sr);
  if (!o.ok) {
    if (!tk_get_last_error()) (void)tk_fail(TK_ERR_GENERAL);
    return;
  }
  dxf_write_short_group(o, 75, get_s(d, TK_HATCH_STYLE));
  dxf_write_short_group(o, 76, get_s(d, TK_HATCH_PATTERN_TYPE));
  if (!get_s(d, TK_HATCH_SOLID)) {
    dxf_write_angle_group(o, 52, get_d(d, TK_HATCH_ANGLE));
    dxf_write_real_group(o, 41, get_d(d, TK_HATCH_SCALE));
    dxf_write_short_group(o, 77, get_s(d, TK_HATCH_DOUBLE));
    int16_t lines = get_s(d, TK_HATCH_LINE_COUNT);
    TkBlob* lb = tk_data_blob(d, TK_HATCH_LINES);
    TkBlob* lr = lb ? blob_open_read(lb) : nullptr;
    if (!lr) lines = 0;
    dxf_write_short_group(o, 78, lines);
    for (int16_t i = 0; i < lines && o.ok; ++i) {
      double v[5];
      int16_t dashes = 0;
      if (!blob_read(lr, v, 40) || !blob_read(lr, &dashes, 2)) break;
      dxf_write_angle_group(o, 53, v[0]);
      dxf_write_real16_group(o, 43, v[1]);
      dxf_write_real16_group(o, 44, v[2]);
      dxf_write_real16_group(o, 45, v[3]);
      dxf_write_real16_group(o, 46, v[4]);
      dxf_write_short_group(o, 79, dashes);
      for (int16_t k = 0; k < dashes && o.ok; ++k) {
        double dash = 0;
        if (!blob_read(lr, &dash, 8)) break;
        dxf_write_real16_group(o, 49, dash);
      }
    }
    if (lr) blob_close(lr);
  }
  if (get_d(d, TK_HATCH_PIXEL_SIZE) != 0.0)
    dxf_write_real_group(o, 47, get_d(d, TK_HATCH_PIXEL_SIZE));
  uint32_t seeds = tk_data_get<uint32_t>(d, TK_HATCH_SEED_COUNT);
  TkBlob* sb = tk_data_blob(d, TK_HATCH_SEEDS);
  TkBlob* seed_r = sb ? blob_open_read(sb) : nullptr;
  if (!seed_r) seeds = 0;
  dxf_write_long_group(o, 98, int32_t(seeds));
  for (uint32_t i = 0; i < seeds && o.ok; ++i) {
    double q[2];
    if (!blob_read(seed_r, q, 16)) break;
    dxf_write_point2_16(o, 10, q);
  }
  if (seed_r) blob_close(seed_r);
}

const char* type_name(DxfOut& o, const TkEntityHeader* h, const TkEntityData* d) {
  if (h->kind <= TK_LAST_FIXED_KIND) return tk_entity_kind_name(h->kind);
  return dxf_class_entity_name(o, *h, *d);
}

// Reactors: every one, not only the first (the table records write them all
// too).
void reactors(DxfOut& o, const TkEntityHeader* h) {
  if (!h->reactors || h->reactor_count == 0) return;
  TkBlob* r = blob_open_read(h->reactors);
  if (!r) return;
  dxf_write_string_group(o, 102, "{ACAD_REACTORS");
  for (uint32_t i = 0; i < h->reactor_count && o.ok; ++i) {
    TkHandle x{};
    if (!blob_read(r, x.bytes, 8)) break;
    dxf_write_handle_group(o, 330, x);
  }
  blob_close(r);
  dxf_write_string_group(o, 102, "}");
}

bool common(DxfOut& o, const TkEntityHeader* h, const TkEntityData* d) {
  dxf_write_string_group(o, 0, type_name(o, h, d));
  if (is_new(o)) {
    dxf_write_handle_group(o, 5, h->handle);
    if (!tk_handle_is_null(&h->xdictionary)) {
      dxf_write_string_group(o, 102, "{ACAD_XDICTIONARY");
      dxf_write_handle_group(o, 360, h->xdictionary);
      dxf_write_string_group(o, 102, "}");
    }
    if (o.version >= 6 || h->kind >= 498) reactors(o, h);
    dxf_write_string_group(o, 100, "AcDbEntity");
    if (h->flags & 1) dxf_write_short_group(o, 67, 1);
  }
  const DxfName* layer = dxf_name_of(o.layers, h->layer);
  if (!layer) {
    (void)tk_fail_handle(TK_ERR_RESOLVE_LAYER, h->handle.bytes);
    o.ok = false;
    return false;
  }
  dxf_write_name_group(o, 8, layer->name.c_str(), layer->index);
  if (o.version >= 7 && h->lineweight != -1 && h->lineweight != 28)
    dxf_write_short_group(o, 370, h->lineweight);
  int32_t index = 0;
  const char* ltype = dxf_ltype_name(o, h->linetype, &index);
  if (!ltype) {
    (void)tk_fail_handle(TK_ERR_RESOLVE_LTYPE, h->handle.bytes);
    o.ok = false;
    return false;
  }
  if (tk_name_compare(ltype, "BYLAYER") != 0) dxf_write_name_group(o, 6, ltype, index);
  if (h->colour != 256) dxf_write_short_group(o, 62, int16_t(h->colour));
  if (h->linetype_scale != 1.0) dxf_write_real_group(o, 48, h->linetype_scale);
  bool elevation = big(o.elevation, o.numbers.tolerance) &&
                   (o.version < 3 || (o.version == 3 && h->kind == TK_BLOCK) ||
                    h->kind == TK_SEQEND || h->kind == TK_ENDBLK);
  if (elevation) dxf_write_real_group(o, 38, o.elevation);
  if (!is_new(o) && big(h->thickness, o.numbers.tolerance))
    dxf_write_real_group(o, 39, h->thickness);
  if (o.version == 3 || o.version == 4) {
    if (!tk_handle_is_null(&h->handle) && o.handling && !(o.version == 3 && o.in_blocks))
      dxf_write_handle_group(o, 5, h->handle);
    if (h->flags & 1) dxf_write_short_group(o, 67, 1);
  }
  if (is_new(o) && (h->flags & 4)) dxf_write_short_group(o, 60, 1);
  return o.ok;
}

double elevation_of(const TkEntityHeader* h, const TkEntityData* d) {
  switch (h->kind) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 7:
    case 8:
    case 9:
    case 11:
    case 12:
    case 15:
    case 16:
    case 20:
      return get_d(d, 16);
    case TK_INSERT:
      return get_d(d, 24);
    case TK_POLYLINE:
      return get_d(d, 0);
    case TK_DIMENSION:
      return get_d(d, 192 + 16);
    default:
      return 0.0;
  }
}

}  // namespace

bool dxf_entity_writable(DxfOut& o, const TkEntityHeader& h, const TkEntityData& data) {
  if (h.kind == TK_SHAPE) return false;  // the shape's name comes from its font: not kept
  if (h.kind > TK_LAST_FIXED_KIND) {
    if (h.kind == tk_class_lwpolyline(o.d)) return true;
    if (h.kind == tk_class_hatch(o.d)) return o.version >= 5;
    return dxf_class_entity_writable(o, h);
  }
  switch (h.kind) {
    case TK_VIEWPORT:
      // Release 12 readers take a viewport's view from its "MVIEW" extended data, which the
      // readers do not keep for every source: left out (and reported) there.
      return o.version >= 5;
    case TK_REGION:
    case TK_3DSOLID:
    case TK_BODY:
    case TK_MLINE:
    case TK_ELLIPSE:
    case TK_SPLINE:
    case TK_RAY:
    case TK_XLINE:
    case TK_MTEXT:
    case TK_LEADER:
    case TK_TOLERANCE:
      return o.version >= 5;
    case TK_3DLINE:
      // A 3DLINE is a LINE from AC1012 on.
      return o.version >= 1;
    default:
      break;
  }
  if (o.version == 0 && (h.kind == TK_3DFACE || h.kind == TK_DIMENSION)) return false;
  (void)data;
  return *tk_entity_kind_name(h.kind) != 0;
}

int16_t dxf_write_entity(DxfOut& o, TkEntityHeader* h, TkEntityData* d) {
  if (h->kind > 20 && h->kind <= TK_LAST_FIXED_KIND && o.version < 1) return 0;
  o.elevation = elevation_of(h, d);
  TkEntityHeader shown = *h;
  if (o.version >= 5 && shown.kind == TK_3DLINE) shown.kind = TK_LINE;
  if (!common(o, &shown, d)) return 0;
  bool xdata_written = false;
  double p[3];
  switch (shown.kind) {
    case TK_LINE:
    case TK_3DLINE: {
      marker(o, "AcDbLine");
      thickness_new(o, h);
      double a[3], b[3];
      get_pt(d, 0, a);
      get_pt(d, 24, b);
      int16_t z = o.numbers.z_flag;
      if (a[2] != 0.0 || b[2] != 0.0) o.numbers.z_flag = 1;
      dxf_write_point(o, 10, a);
      dxf_write_point(o, 11, b);
      o.numbers.z_flag = z;
      if (o.version >= 3) extrusion(o, h);
      break;
    }
    case TK_POINT:
      marker(o, "AcDbPoint");
      get_pt(d, 0, p);
      dxf_write_point(o, 10, p);
      thickness_new(o, h);
      if (o.version >= 3) {
        extrusion(o, h);
        if (get_d(d, 24) != 0.0) dxf_write_angle_group(o, 50, get_d(d, 24));
      }
      break;
    case TK_CIRCLE:
      marker(o, "AcDbCircle");
      thickness_new(o, h);
      get_pt(d, 0, p);
      dxf_write_point(o, 10, p);
      dxf_write_real_group(o, 40, get_d(d, 24));
      if (o.version >= 3) extrusion(o, h);
      break;
    case TK_ELLIPSE:
      marker(o, "AcDbEllipse");
      get_pt(d, 0, p);
      dxf_write_point3_z_opt(o, 10, p);
      get_pt(d, 24, p);
      dxf_write_point3_16(o, 11, p);
      extrusion_always(o, h);
      dxf_write_real_group(o, 40, get_d(d, 48));
      dxf_write_real16_group(o, 41, get_d(d, 56));
      dxf_write_real16_group(o, 42, get_d(d, 64));
      break;
    case TK_SPLINE:
      write_spline(o, h, d);
      break;
    case TK_TEXT:
      write_text(o, h, d);
      break;
    case TK_ARC:
      marker(o, "AcDbCircle");
      thickness_new(o, h);
      get_pt(d, 0, p);
      dxf_write_point(o, 10, p);
      dxf_write_real_group(o, 40, get_d(d, 24));
      if (is_new(o)) {
        extrusion(o, h);
        marker(o, "AcDbArc");
      }
      dxf_write_angle_group(o, 50, get_d(d, 32));
      dxf_write_angle_group(o, 51, get_d(d, 40));
      if (!is_new(o) && o.version >= 3) extrusion(o, h);
      break;
    case TK_TRACE:
    case TK_SOLID:
      marker(o, "AcDbTrace");
      for (int i = 0; i < 4; ++i) {
        get_pt(d, 24 * size_t(i), p);
        dxf_write_point(o, int16_t(10 + i), p);
      }
      thickness_new(o, h);
      if (o.version >= 3) extrusion(o, h);
      break;
    case TK_BLOCK:
      write_block(o, h, d);
      break;
    case TK_ENDBLK:
      marker(o, "AcDbBlockEnd");
      break;
    case TK_INSERT:
      write_insert(o, h, d);
      break;
    case TK_ATTDEF:
      write_attribute(o, h, d, true);
      break;
    case TK_ATTRIB:
      write_attribute(o, h, d, false);
      break;
    case TK_POLYLINE:
      write_polyline(o, h, d);
      break;
    case TK_VERTEX:
      write_vertex(o, h, d);
      break;
    case TK_3DFACE:
      marker(o, "AcDbFace");
      for (int i = 0; i < 4; ++i) {
        get_pt(d, 24 * size_t(i), p);
        dxf_write_point3_z_opt(o, int16_t(10 + i), p);
      }
      if (o.version >= 3 && get_s(d, 96)) dxf_write_short_group(o, 70, get_s(d, 96));
      break;
    case TK_DIMENSION:
      write_dimension(o, h, d);
      break;
    case TK_RAY:
    case TK_XLINE:
      marker(o, shown.kind == TK_RAY ? "AcDbRay" : "AcDbXline");
      get_pt(d, 0, p);
      dxf_write_point3_z_opt(o, 10, p);
      get_pt(d, 24, p);
      dxf_write_point3_16(o, 11, p);
      break;
    case TK_MTEXT:
      write_mtext(o, h, d);
      break;
    case TK_LEADER:
      write_leader(o, h, d);
      break;
    case TK_TOLERANCE:
      write_tolerance(o, h, d);
      break;
    default:
      if (h->kind == tk_class_lwpolyline(o.d))
        write_lwpolyline(o, h, d);
      else if (h->kind == tk_class_hatch(o.d))
        write_hatch(o, h, d);
      else
        dxf_write_kind_extra(o, h, d, &xdata_written);
      break;
  }
  if (o.ok && o.version >= 4 && h->xdata && !xdata_written) dxf_write_xdata(o, h->xdata);
  return o.ok ? 1 : 0;
}

int16_t dxf_write_entity_expanded(DxfOut& o, TkEntityHeader* h, TkEntityData* d) {
  if (o.version >= 6 || h->kind <= TK_LAST_FIXED_KIND || h->kind != tk_class_lwpolyline(o.d))
    return dxf_write_entity(o, h, d);
  // POLYLINE, one VERTEX per stored vertex, SEQEND, each with the next reserved
  // handle.
  TkEntityHeader* sh = o.scratch_header;
  TkEntityData* sd = o.scratch_data;
  TkLwplineWalk walk;
  tk_lwpline_to_polyline(h, d, sh, sd, &walk);
  bool ok = dxf_write_entity(o, sh, sd);
  tk_lwpline_vertex_init(sh);
  sh->linetype_scale = 1.0;
  while (ok && tk_lwpline_read_vertex(&walk, sh, sd)) {
    sh->handle = o.next_expansion;
    tk_handle_increment(&o.next_expansion);
    ok = dxf_write_entity(o, sh, sd);
  }
  tk_lwpline_seqend(&walk, sh, sd);
  if (!ok) return 0;
  sh->handle = o.next_expansion;
  tk_handle_increment(&o.next_expansion);
  return dxf_write_entity(o, sh, sd);
}

bool dxf_write_xdata(DxfOut& o, TkBlob* xdata) {
  TkBlob* r = xdata ? blob_open_read(xdata) : nullptr;
  if (!r) return o.ok;
  TkXdataItem item;
  int16_t z = o.numbers.z_flag;
  o.numbers.z_flag = 1;
  bool skipping = false;
  while (o.ok && xdata_read_item(r, &item)) {
    const char* text = reinterpret_cast<const char*>(item.value);
    int16_t code = int16_t(item.code);
    if (skipping && item.code != 1001) continue;
    switch (item.code) {
      case 1000:
        dxf_write_caret_string_group(o, code, text);
        break;
      case 1001: {
        TkHandle app;
        std::memcpy(app.bytes, item.value, 8);
        // Items of an application the drawing has no APPID record for cannot be
        // named in the file: they are left out, not the whole save (a DXF reader
        // meets table records' extended data before the APPID table and keeps
        // such items).
        const DxfName* n = dxf_name_of(o.appids, app);
        skipping = n == nullptr;
        if (n) dxf_write_string_group(o, code, n->name.c_str());
        break;
      }
      case 1002:
        dxf_write_char_group(o, code, text[0] == '}' ? '}' : '{');
        break;
      case 1003: {
        TkHandle layer;
        std::memcpy(layer.bytes, item.value, 8);
        const DxfName* n = tk_handle_is_null(&layer) ? nullptr : dxf_name_of(o.layers, layer);
        if (n) dxf_write_string_group(o, code, n->name.c_str());
        break;
      }
      case 1004: {
        size_t n = item.length < sizeof item.value ? item.length : sizeof item.value;
        dxf_write_binary_group(o, code, item.value, n > 127 ? 127 : n);
        break;
      }
      case 1005: {
        TkHandle handle;
        std::memcpy(handle.bytes, item.value, 8);
        dxf_write_handle_group(o, code, handle);
        break;
      }
      case 1010:
      case 1011:
      case 1012:
      case 1013: {
        double p[3];
        std::memcpy(p, item.value, 24);
        dxf_write_point(o, code, p);
        break;
      }
      case 1040:
      case 1041:
      case 1042: {
        double v;
        std::memcpy(&v, item.value, 8);
        dxf_write_real_group(o, code, v);
        break;
      }
      case 1070: {
        int16_t v;
        std::memcpy(&v, item.value, 2);
        dxf_write_short_group(o, code, v);
        break;
      }
      case 1071: {
        int32_t v;
        std::memcpy(&v, item.value, 4);
        dxf_write_long_group(o, code, v);
        break;
      }
      default:
        break;
    }
  }
  o.numbers.z_flag = z;
  blob_close(r);
  return o.ok;
}
