// The bodies of the fixed entity types of the bit-stream releases: one reader per type or family
// of types, each reading its fields in stream order into the data record's places, then the
// common handles and its own trailing handles. Counts read from the stream are held against the
// bits left in the object before anything is allocated or looped over.
#include <cmath>
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/load.h"
#include "toolkit/core/matrix.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"
#include "toolkit/read/bits_reader.h"
#include "toolkit/read/dwg13_entity.h"
#include "toolkit/read/dwg13_file.h"
#include "toolkit/read/dwg13_object.h"

namespace {

constexpr double two_pi = 6.283185307179586;

struct Body {
  TkBitReader* r;
  TkDrawing* d;
  TkEntityHeader* h;
  TkEntityData* data;
  bool r15;  // AC1015
  bool r14;  // AC1014 or later
};

void put_d(TkEntityData* data, size_t at, double v) { tk_data_put(data, at, v); }
void put_pt(TkEntityData* data, size_t at, const double p[3]) {
  for (int i = 0; i < 3; ++i) tk_data_put(data, at + 8 * i, p[i]);
}
void put_2(TkEntityData* data, size_t at, const double p[2]) {
  tk_data_put(data, at, p[0]);
  tk_data_put(data, at + 8, p[1]);
}
void put_h(TkBitReader* r, TkEntityData* data, size_t at) {
  TkHandle h;
  bits_read_handle(r, &h);
  tk_data_put(data, at, h);
}
void read_pt(TkBitReader* r, TkEntityData* data, size_t at) {
  double p[3];
  bits_read_3bd(r, p);
  put_pt(data, at, p);
}

void read_thickness_extrusion(Body& b) {
  TkBitReader* r = b.r;
  if (b.r15) {
    b.h->thickness = dwg_read_thickness(r);
    dwg_read_extrusion(r, b.h->extrusion);
  } else {
    b.h->thickness = bits_read_double(r);
    dwg_read_extrusion13(r, b.h->extrusion);
  }
}

// Whether a count of items of at least `bits_each` bits can still stand in the object.
bool count_fits(TkBitReader* r, uint32_t count, uint32_t bits_each) {
  return count <= dwg13_object_bits_left(r) / bits_each;
}

// Text-attribute block places (TEXT at 24, ATTDEF and ATTRIB at 32).
enum : size_t {
  attr_height = 0,
  attr_rotation = 8,
  attr_width = 16,
  attr_oblique = 24,
  attr_generation = 32,
  attr_halign = 33,
  attr_valign = 34,
  attr_alignment = 40,  // 2D point
  attr_style = 56,
};

// TEXT and the text part of ATTRIB and ATTDEF; the value goes to `value` (capacity bytes).
void read_text_part(Body& b, size_t attrs, char* value, uint16_t capacity) {
  TkBitReader* r = b.r;
  TkEntityData* data = b.data;
  double ins[2];
  double elevation = 0.0;
  if (!b.r15) {
    elevation = bits_read_double(r);
    bits_read_2rd(r, ins);
    double align[2];
    bits_read_2rd(r, align);
    put_2(data, attrs + attr_alignment, align);
    dwg_read_extrusion13(r, b.h->extrusion);
    b.h->thickness = bits_read_double(r);
    put_d(data, attrs + attr_oblique, bits_read_double(r));
    put_d(data, attrs + attr_rotation, bits_read_double(r));
    put_d(data, attrs + attr_height, bits_read_double(r));
    put_d(data, attrs + attr_width, bits_read_double(r));
    bits_read_text(r, value, capacity);
    tk_data_put(data, attrs + attr_generation, static_cast<uint8_t>(bits_read_short(r)));
    tk_data_put(data, attrs + attr_halign, static_cast<uint8_t>(bits_read_short(r)));
    tk_data_put(data, attrs + attr_valign, static_cast<uint8_t>(bits_read_short(r)));
  } else {
    uint8_t flags = bits_read_char(r);
    if (!(flags & 1)) elevation = bits_read_raw_double(r);
    bits_read_2rd(r, ins);
    if (!(flags & 2)) {
      double align[2] = {bits_read_default_double(r, ins[0]), bits_read_default_double(r, ins[1])};
      put_2(data, attrs + attr_alignment, align);
    }
    dwg_read_extrusion(r, b.h->extrusion);
    b.h->thickness = dwg_read_thickness(r);
    if (!(flags & 4)) put_d(data, attrs + attr_oblique, bits_read_raw_double(r));
    if (!(flags & 8)) put_d(data, attrs + attr_rotation, bits_read_raw_double(r));
    put_d(data, attrs + attr_height, bits_read_raw_double(r));
    if (!(flags & 16)) put_d(data, attrs + attr_width, bits_read_raw_double(r));
    bits_read_text(r, value, capacity);
    if (!(flags & 32))
      tk_data_put(data, attrs + attr_generation, static_cast<uint8_t>(bits_read_short(r)));
    if (!(flags & 64))
      tk_data_put(data, attrs + attr_halign, static_cast<uint8_t>(bits_read_short(r)));
    if (!(flags & 128))
      tk_data_put(data, attrs + attr_valign, static_cast<uint8_t>(bits_read_short(r)));
  }
  double p[3] = {ins[0], ins[1], elevation};
  put_pt(data, 0, p);
}

// An attribute string: read whole, kept up to the record's 512 characters.
void read_attr_string(TkBitReader* r, TkEntityData* data, size_t at) {
  char text[2050] = {};
  bits_read_text(r, text, sizeof text);
  text[TK_ATTR_STRING_MAX] = 0;
  std::memcpy(tk_data_text(data, at), text, TK_ATTR_STRING_MAX + 1);
}

int16_t read_text(Body& b) {
  TkBitReader* r = b.r;
  read_text_part(b, TK_TEXT_ATTRS, tk_data_text(b.data, TK_TEXT_STRING), 2048);
  if (!dwg_read_entity_common(b.d, b.h)) return 0;
  put_h(r, b.data, TK_TEXT_ATTRS + attr_style);
  return 1;
}

int16_t read_attribute(Body& b, bool definition) {
  TkBitReader* r = b.r;
  char value[2050] = {};
  read_text_part(b, TK_ATTDEF_ATTRS, value, sizeof value - 1);
  value[TK_ATTR_STRING_MAX] = 0;
  std::memcpy(tk_data_text(b.data, definition ? TK_ATTDEF_THIRD : TK_ATTDEF_SECOND), value,
              TK_ATTR_STRING_MAX + 1);
  read_attr_string(r, b.data, definition ? TK_ATTDEF_SECOND : TK_ATTDEF_STRINGS);  // tag
  tk_data_put(b.data, 26, static_cast<int16_t>(bits_read_short(r)));         // field length
  tk_data_put(b.data, 24, bits_read_char(r));                                // flags
  if (definition) read_attr_string(r, b.data, TK_ATTDEF_STRINGS);             // prompt
  if (!dwg_read_entity_common(b.d, b.h)) return 0;
  put_h(r, b.data, TK_ATTDEF_ATTRS + attr_style);
  return 1;
}

int16_t read_line(Body& b) {
  TkBitReader* r = b.r;
  double a[3], e[3];
  if (b.r15) {
    bits_read_line_points(r, a, e);
  } else {
    bits_read_3bd(r, a);
    bits_read_3bd(r, e);
  }
  put_pt(b.data, 0, a);
  put_pt(b.data, 24, e);
  read_thickness_extrusion(b);
  return dwg_read_entity_common(b.d, b.h);
}

int16_t read_point(Body& b) {
  TkBitReader* r = b.r;
  read_pt(r, b.data, 0);
  read_thickness_extrusion(b);
  put_d(b.data, 24, bits_read_double(r));
  return dwg_read_entity_common(b.d, b.h);
}

int16_t read_circle_arc(Body& b, bool arc) {
  TkBitReader* r = b.r;
  read_pt(r, b.data, 0);
  double radius = bits_read_double(r);
  put_d(b.data, 24, radius < 0.0 ? 0.0 : radius);
  read_thickness_extrusion(b);
  if (arc) {
    double start = bits_read_double(r), end = bits_read_double(r);
    // A whole number of turns at once: a hostile angle must not cost a loop per turn.
    if (end < start) end += std::ceil((start - end) / two_pi) * two_pi;
    if (end < start) end += two_pi;
    put_d(b.data, 32, start);
    put_d(b.data, 40, end);
  }
  return dwg_read_entity_common(b.d, b.h);
}

int16_t read_shape(Body& b) {
  TkBitReader* r = b.r;
  read_pt(r, b.data, 0);
  put_d(b.data, 24, bits_read_double(r));  // scale
  put_d(b.data, 40, bits_read_double(r));  // rotation
  put_d(b.data, 48, bits_read_double(r));  // width factor
  put_d(b.data, 56, bits_read_double(r));  // oblique
  b.h->thickness = bits_read_double(r);
  tk_data_put(b.data, 32, static_cast<uint32_t>(static_cast<uint16_t>(bits_read_short(r))));
  dwg_read_extrusion13(r, b.h->extrusion);
  if (!dwg_read_entity_common(b.d, b.h)) return 0;
  put_h(r, b.data, 64);
  return 1;
}

int16_t read_solid(Body& b) {
  TkBitReader* r = b.r;
  b.h->thickness = b.r15 ? dwg_read_thickness(r) : bits_read_double(r);
  double elevation = bits_read_double(r);
  for (int i = 0; i < 4; ++i) {
    double c[2];
    bits_read_2rd(r, c);
    double p[3] = {c[0], c[1], elevation};
    put_pt(b.data, 24 * static_cast<size_t>(i), p);
  }
  if (b.r15) {
    dwg_read_extrusion(r, b.h->extrusion);
  } else {
    dwg_read_extrusion13(r, b.h->extrusion);
  }
  return dwg_read_entity_common(b.d, b.h);
}

int16_t read_block(Body& b) {
  TkBitReader* r = b.r;
  bits_read_text(r, tk_data_text(b.data, 24), 512);
  return dwg_read_entity_common(b.d, b.h);
}

// The sub-entity handles of an INSERT with attributes or of a POLYLINE.
void read_sub_handles(Body& b) {
  TkBitReader* r = b.r;
  Dwg13EntityScratch& e = dwg13_objects(b.d)->entity;
  bits_read_handle(r, &e.first_sub);
  bits_read_handle(r, &e.last_sub);
  bits_read_handle(r, &e.seqend);
}

int16_t read_insert(Body& b, bool minsert) {
  TkBitReader* r = b.r;
  read_pt(r, b.data, 8);
  double scale[3];
  if (b.r15) {
    switch (bits_read_bit(r) << 1 | bits_read_bit(r)) {
      case 3: scale[0] = scale[1] = scale[2] = 1.0; break;
      case 1:
        scale[0] = 1.0;
        scale[1] = bits_read_default_double(r, 1.0);
        scale[2] = bits_read_default_double(r, 1.0);
        break;
      case 2: scale[0] = scale[1] = scale[2] = bits_read_raw_double(r); break;
      default:
        scale[0] = bits_read_raw_double(r);
        scale[1] = bits_read_default_double(r, scale[0]);
        scale[2] = bits_read_default_double(r, scale[0]);
        break;
    }
  } else {
    for (double& s : scale) s = bits_read_double(r);
  }
  for (int i = 0; i < 3; ++i) put_d(b.data, 32 + 8 * static_cast<size_t>(i), std::fabs(scale[i]) < 1e-12 ? 1.0 : scale[i]);
  put_d(b.data, 56, bits_read_double(r));  // rotation
  dwg_read_extrusion13(r, b.h->extrusion);
  Dwg13EntityScratch& e = dwg13_objects(b.d)->entity;
  e.has_attributes = bits_read_bit(r);
  tk_data_put(b.data, 0, static_cast<int16_t>(e.has_attributes));
  int16_t columns = 1, rows = 1;
  double column_spacing = 0.0, row_spacing = 0.0;
  if (minsert) {
    columns = bits_read_short(r);
    rows = bits_read_short(r);
    column_spacing = bits_read_double(r);
    row_spacing = bits_read_double(r);
    if (columns == 0) columns = 1;
    if (rows == 0) rows = 1;
  }
  tk_data_put(b.data, 82, columns);
  tk_data_put(b.data, 80, rows);
  put_d(b.data, 72, column_spacing);
  put_d(b.data, 64, row_spacing);
  if (!dwg_read_entity_common(b.d, b.h)) return 0;
  put_h(r, b.data, TK_INSERT_BLOCK);
  if (e.has_attributes) read_sub_handles(b);
  return 1;
}

int16_t read_vertex(Body& b, uint16_t code) {
  TkBitReader* r = b.r;
  TkEntityData* data = b.data;
  if (code == 14) {
    bool ended = false;
    for (size_t i = 0; i < 4; ++i) {
      int16_t index = bits_read_short(r);
      if (index == 0) ended = true;
      if (!ended) tk_data_put(data, 74 + 8 * i, index);
    }
    tk_data_put(data, TK_VERTEX_FLAGS, static_cast<uint16_t>(128));
    return dwg_read_entity_common(b.d, b.h);
  }
  tk_data_put(data, TK_VERTEX_FLAGS, static_cast<uint16_t>(bits_read_char(r)));
  read_pt(r, data, 0);
  if (code == 10) {
    double start = bits_read_double(r), end;
    if (start < 0.0) {
      start = end = -start;
    } else {
      end = bits_read_double(r);
    }
    put_d(data, 32, start);
    put_d(data, 40, end);
    tk_data_put(data, 48, static_cast<uint16_t>(start != 0.0));
    tk_data_put(data, 50, static_cast<uint16_t>(end != 0.0));
    put_d(data, 56, bits_read_double(r));  // bulge
    put_d(data, 64, bits_read_double(r));  // tangent direction
  }
  return dwg_read_entity_common(b.d, b.h);
}

int16_t read_polyline(Body& b, uint16_t code) {
  TkBitReader* r = b.r;
  TkEntityData* data = b.data;
  uint16_t flags = 0;
  switch (code) {
    case 15:
      flags = static_cast<uint16_t>(bits_read_short(r));
      tk_data_put(data, 24, static_cast<int16_t>(bits_read_short(r)));  // curve type
      put_d(data, 8, bits_read_double(r));
      put_d(data, 16, bits_read_double(r));
      b.h->thickness = b.r15 ? dwg_read_thickness(r) : bits_read_double(r);
      put_d(data, 0, bits_read_double(r));  // elevation
      if (b.r15) {
        dwg_read_extrusion(r, b.h->extrusion);
      } else {
        dwg_read_extrusion13(r, b.h->extrusion);
      }
      break;
    case 16: {
      uint8_t curve = bits_read_char(r);
      if (curve & 1) tk_data_put(data, 24, static_cast<int16_t>(5));
      if (curve & 2) tk_data_put(data, 24, static_cast<int16_t>(6));
      flags = static_cast<uint16_t>(bits_read_char(r) | 8);
      break;
    }
    case 29:
      flags = 64;
      tk_data_put(data, 30, static_cast<int16_t>(bits_read_short(r)));
      tk_data_put(data, 32, static_cast<int16_t>(bits_read_short(r)));
      break;
    default:
      flags = static_cast<uint16_t>(bits_read_short(r));
      tk_data_put(data, 24, static_cast<int16_t>(bits_read_short(r)));
      tk_data_put(data, 30, static_cast<int16_t>(bits_read_short(r)));
      tk_data_put(data, 32, static_cast<int16_t>(bits_read_short(r)));
      tk_data_put(data, 26, static_cast<int16_t>(bits_read_short(r)));
      tk_data_put(data, 28, static_cast<int16_t>(bits_read_short(r)));
      break;
  }
  tk_data_put(data, 34, flags);
  if (!dwg_read_entity_common(b.d, b.h)) return 0;
  read_sub_handles(b);
  return 1;
}

// The dimension type that the flags byte carries beside the flags, by DWG code.
uint8_t dimension_type(uint16_t code) {
  static const uint8_t types[] = {6, 0, 1, 5, 2, 4, 3};
  return types[code - 20];
}

int16_t read_dimension(Body& b, uint16_t code) {
  TkBitReader* r = b.r;
  TkEntityData* data = b.data;
  dwg_read_extrusion13(r, b.h->extrusion);
  double mid[2];
  bits_read_2rd(r, mid);
  double elevation = bits_read_double(r);
  double text_mid[3] = {mid[0], mid[1], elevation};
  put_pt(data, 168, text_mid);
  bits_skip(r, 7);
  uint8_t flags = bits_read_bit(r) ? 0 : 128;
  bits_read_text(r, tk_data_text(data, TK_DIMENSION_STRING), 1024);
  put_d(data, 152, bits_read_double(r));  // text rotation
  put_d(data, 216, bits_read_double(r));  // horizontal direction
  // The insertion scale and rotation of the dimension's block, not kept.
  for (int i = 0; i < 4; ++i) bits_read_double(r);
  if (b.r15) {
    tk_data_put(data, 224, static_cast<int16_t>(bits_read_short(r)));
    tk_data_put(data, 226, static_cast<int16_t>(bits_read_short(r)));
    put_d(data, 232, bits_read_double(r));
    put_d(data, 240, bits_read_double(r));
  }
  double clone[2];
  bits_read_2rd(r, clone);
  double clone_pt[3] = {clone[0], clone[1], 0.0};
  put_pt(data, 8, clone_pt);
  switch (code) {
    case 20: {
      read_pt(r, data, 192);
      read_pt(r, data, 64);
      read_pt(r, data, 88);
      if (bits_read_char(r) & 1) flags |= 64;
      break;
    }
    case 21:
    case 22:
      read_pt(r, data, 64);
      read_pt(r, data, 88);
      read_pt(r, data, 192);
      put_d(data, 160, bits_read_double(r));  // extension-line rotation
      if (code == 21) put_d(data, 144, bits_read_double(r));
      break;
    case 23:
      read_pt(r, data, 192);
      read_pt(r, data, 64);
      read_pt(r, data, 88);
      read_pt(r, data, 112);
      break;
    case 24: {
      double p[2];
      bits_read_2rd(r, p);
      double p3[3] = {p[0], p[1], elevation};
      put_pt(data, 40, p3);
      read_pt(r, data, 64);
      read_pt(r, data, 88);
      read_pt(r, data, 112);
      read_pt(r, data, 192);
      break;
    }
    case 25:
      read_pt(r, data, 192);
      read_pt(r, data, 112);
      put_d(data, 136, bits_read_double(r));
      break;
    default:
      read_pt(r, data, 112);
      read_pt(r, data, 192);
      put_d(data, 136, bits_read_double(r));
      break;
  }
  tk_data_put(data, 32, static_cast<uint8_t>(flags | dimension_type(code)));
  if (!dwg_read_entity_common(b.d, b.h)) return 0;
  put_h(r, data, TK_DIMENSION_STYLE);
  put_h(r, data, TK_DIMENSION_BLOCK);
  return 1;
}

int16_t read_3dface(Body& b) {
  TkBitReader* r = b.r;
  TkEntityData* data = b.data;
  if (b.r15) {
    bool no_flags = bits_read_bit(r);
    bool flat = bits_read_bit(r);
    double p[3];
    bits_read_2rd(r, p);
    p[2] = flat ? 0.0 : bits_read_raw_double(r);
    put_pt(data, 0, p);
    for (size_t i = 1; i < 4; ++i) {
      double next[3];
      bits_read_3dd(r, next, p);
      put_pt(data, 24 * i, next);
      std::memcpy(p, next, sizeof p);
    }
    if (!no_flags) tk_data_put(data, 96, static_cast<int16_t>(bits_read_short(r)));
  } else {
    for (size_t i = 0; i < 4; ++i) read_pt(r, data, 24 * i);
    tk_data_put(data, 96, static_cast<int16_t>(bits_read_short(r)));
  }
  return dwg_read_entity_common(b.d, b.h);
}

// Handles into a new blob, 8 bytes each.
int16_t read_handle_blob(TkBitReader* r, uint32_t count, TkBlob** out) {
  return dwg_read_reactors(r, count, out);
}

int16_t read_viewport(Body& b) {
  TkBitReader* r = b.r;
  TkEntityData* data = b.data;
  read_pt(r, data, 16);
  put_d(data, 40, bits_read_double(r));
  put_d(data, 48, bits_read_double(r));
  uint32_t frozen = 0;
  if (b.r15) {
    read_pt(r, data, 712);
    read_pt(r, data, 736);
    put_d(data, 760, bits_read_double(r));  // twist
    put_d(data, 768, bits_read_double(r));  // view height
    put_d(data, 792, bits_read_double(r));  // lens length
    put_d(data, 800, bits_read_double(r));  // front clip
    put_d(data, 808, bits_read_double(r));  // back clip
    put_d(data, 856, bits_read_double(r));  // snap angle
    double p[2];
    bits_read_2rd(r, p);
    put_2(data, 776, p);
    bits_read_2rd(r, p);
    put_2(data, 864, p);
    bits_read_2rd(r, p);
    put_2(data, 824, p);
    bits_read_2rd(r, p);
    put_2(data, 840, p);
    tk_data_put(data, 816, static_cast<int16_t>(bits_read_short(r)));
    frozen = static_cast<uint32_t>(bits_read_long(r));
    tk_data_put(data, 80, static_cast<uint32_t>(bits_read_long(r)));
    bits_read_text(r, tk_data_text(data, 86), 512);
    tk_data_put(data, 84, static_cast<int16_t>(bits_read_char(r)));
    tk_data_put(data, 600, static_cast<int16_t>(bits_read_bit(r)));
    tk_data_put(data, 598, static_cast<int16_t>(bits_read_bit(r)));
    read_pt(r, data, 608);
    read_pt(r, data, 632);
    read_pt(r, data, 656);
    put_d(data, 688, bits_read_double(r));
    tk_data_put(data, 680, static_cast<int16_t>(bits_read_short(r)));
  }
  if (!dwg_read_entity_common(b.d, b.h)) return 0;
  if (!b.r15) {
    put_h(r, data, TK_VIEWPORT_LIST_VALUE);
    return 1;
  }
  TkBlob* layers = nullptr;
  if (frozen && !read_handle_blob(r, frozen, &layers)) return 0;
  tk_data_put(data, TK_VIEWPORT_BLOB, layers);
  tk_data_put(data, 12, frozen);
  put_h(r, data, 70);
  put_h(r, data, TK_VIEWPORT_LIST_VALUE);
  put_h(r, data, 696);
  put_h(r, data, 704);
  return 1;
}

int16_t read_ellipse(Body& b) {
  TkBitReader* r = b.r;
  read_pt(r, b.data, 0);
  read_pt(r, b.data, 24);
  dwg_read_extrusion13(r, b.h->extrusion);
  put_d(b.data, 48, bits_read_double(r));
  put_d(b.data, 56, bits_read_double(r));
  put_d(b.data, 64, bits_read_double(r));
  return dwg_read_entity_common(b.d, b.h);
}

// Planar (8) and linear (16) spline flags from its points.
uint16_t shape_flags(const double* points, uint32_t count, uint32_t stride) {
  if (count < 3) return 8 | 16;
  const double tolerance = 1e-12;
  const double* p0 = points;
  const double* dir_point = nullptr;
  for (uint32_t i = 1; i < count && !dir_point; ++i) {
    const double* p = points + i * stride;
    for (int k = 0; k < 3; ++k)
      if (std::fabs(p[k] - p0[k]) > tolerance) dir_point = p;
  }
  if (!dir_point) return 8 | 16;
  double u[3] = {dir_point[0] - p0[0], dir_point[1] - p0[1], dir_point[2] - p0[2]};
  double normal[3] = {0, 0, 0};
  bool linear = true;
  for (uint32_t i = 1; i < count; ++i) {
    const double* p = points + i * stride;
    double v[3] = {p[0] - p0[0], p[1] - p0[1], p[2] - p0[2]};
    double c[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    if (std::fabs(c[0]) > tolerance || std::fabs(c[1]) > tolerance || std::fabs(c[2]) > tolerance) {
      if (linear) std::memcpy(normal, c, sizeof normal);
      linear = false;
    }
  }
  if (linear) return 8 | 16;
  for (uint32_t i = 1; i < count; ++i) {
    const double* p = points + i * stride;
    double v[3] = {p[0] - p0[0], p[1] - p0[1], p[2] - p0[2]};
    double dot = normal[0] * v[0] + normal[1] * v[1] + normal[2] * v[2];
    if (std::fabs(dot) > tolerance) return 0;
  }
  return 8;
}

int16_t read_spline(Body& b) {
  TkBitReader* r = b.r;
  TkEntityData* data = b.data;
  int16_t scenario = bits_read_short(r);
  tk_data_put(data, 0, static_cast<int16_t>(bits_read_short(r)));  // degree
  uint16_t flags = 0;
  uint32_t knots = 0, controls = 0, fits = 0;
  bool rational = false;
  if (scenario == 2) {
    put_d(data, 32, bits_read_double(r));
    read_pt(r, data, 40);
    read_pt(r, data, 64);
    fits = static_cast<uint32_t>(bits_read_long(r));
  } else {
    rational = bits_read_bit(r);
    if (rational) flags |= 4;
    if (bits_read_bit(r)) flags |= 1;
    if (bits_read_bit(r)) flags |= 2;
    put_d(data, 16, bits_read_double(r));
    put_d(data, 24, bits_read_double(r));
    knots = static_cast<uint32_t>(bits_read_long(r));
    controls = static_cast<uint32_t>(bits_read_long(r));
    bits_read_bit(r);
  }
  // Each value takes at least two bits; three per point.
  if (!count_fits(r, knots, 2) || !count_fits(r, controls, 6) || !count_fits(r, fits, 6)) return 1;
  tk_data_put(data, 4, static_cast<int16_t>(knots));
  tk_data_put(data, 6, static_cast<int16_t>(controls));
  tk_data_put(data, 8, static_cast<int16_t>(fits));

  TkBlob* blob = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob ? blob_create(blob) : nullptr;
  bool ok = w != nullptr;
  for (uint32_t i = 0; ok && i < knots; ++i) ok = blob_write_double(w, bits_read_double(r)) != 0;
  // The first and last point of the kind that defines the curve decide the shape flags.
  double first[3] = {}, last[3] = {};
  double* shape_points = nullptr;
  uint32_t shape_count = 0;
  uint32_t shape_stored = controls ? controls : fits;
  if (shape_stored > 0 && shape_stored <= 100000)
    shape_points = static_cast<double*>(mem_alloc(sizeof(double) * 3 * shape_stored));
  for (uint32_t i = 0; ok && i < controls; ++i) {
    double p[3];
    bits_read_3bd(r, p);
    ok = blob_write_point3(w, p) != 0;
    if (rational) ok = ok && blob_write_double(w, bits_read_double(r));
    if (i == 0) std::memcpy(first, p, sizeof p);
    std::memcpy(last, p, sizeof p);
    if (shape_points) std::memcpy(shape_points + 3 * shape_count++, p, sizeof p);
  }
  for (uint32_t i = 0; ok && i < fits; ++i) {
    double p[3];
    bits_read_3bd(r, p);
    ok = blob_write_point3(w, p) != 0;
    if (controls == 0) {
      if (i == 0) std::memcpy(first, p, sizeof p);
      std::memcpy(last, p, sizeof p);
      if (shape_points) std::memcpy(shape_points + 3 * shape_count++, p, sizeof p);
    }
  }
  if (w && !blob_close_write(w)) ok = false;
  if (!ok) {
    mem_free(shape_points);
    blob_free(blob);
    return 0;
  }
  tk_data_put(data, TK_SPLINE_BLOB, blob);
  if (shape_stored && std::memcmp(first, last, sizeof first) == 0) flags |= 1;
  if (shape_points) flags |= shape_flags(shape_points, shape_count, 3);
  mem_free(shape_points);
  tk_data_put(data, 2, flags);
  return dwg_read_entity_common(b.d, b.h);
}

int16_t read_modeler(Body& b) {
  TkBitReader* r = b.r;
  TkEntityData* data = b.data;
  int16_t marker = bits_read_short(r);
  bool text = marker == 64;
  TkBlob* modeler = nullptr;
  bool ok = true;
  if (text) {
    bits_read_double(r);
    modeler = blob_alloc(TK_BLOB_CHUNK_SIZE);
    TkBlob* w = modeler ? blob_create(modeler) : nullptr;
    ok = w != nullptr;
    for (;;) {
      if (!ok) break;
      int32_t length = bits_read_long(r);
      if (length == 0) break;
      if (length < 0) continue;
      if (static_cast<uint32_t>(length) > dwg13_object_bits_left(r) / 8) break;
      uint8_t piece[512];
      while (ok && length > 0) {
        int32_t step = length < 512 ? length : 512;
        bits_read_bytes(r, piece, static_cast<size_t>(step));
        for (int32_t i = 0; i < step; ++i) {
          uint8_t v = piece[i];
          if (v >= 33 && v != 127) v = static_cast<uint8_t>(159 - v);
          if (v == 9) v = ' ';
          piece[i] = v;
        }
        ok = blob_write(w, piece, static_cast<size_t>(step)) != 0;
        length -= step;
      }
    }
    if (w && !blob_close_write(w)) ok = false;
    if (!ok) {
      blob_free(modeler);
      return 0;
    }
  }
  tk_data_put(data, TK_MODELER_BLOB_1, modeler);

  // The rest of the data as it stands, behind its bit count.
  TkBlob* rest = nullptr;
  uint32_t bytes = 0;
  uint32_t bits = dwg13_bits_left(r);
  TkBlob* raw = nullptr;
  if (!dwg_read_proxy_data(r, &raw, &bytes)) return 0;
  rest = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = rest ? blob_create(rest) : nullptr;
  TkBlob* rd = raw ? blob_open_read(raw) : nullptr;
  ok = w && rd && blob_write_byte(w, text ? 1 : 0) &&
       blob_write(w, &bits, sizeof bits);
  uint8_t piece[256];
  for (uint32_t left = bytes; ok && left > 0;) {
    uint32_t step = left < sizeof piece ? left : sizeof piece;
    ok = blob_read(rd, piece, step) && blob_write(w, piece, step);
    left -= step;
  }
  if (rd) blob_close(rd);
  blob_free(raw);
  if (w && !blob_close_write(w)) ok = false;
  if (!ok) {
    blob_free(rest);
    return 0;
  }
  tk_data_put(data, TK_MODELER_BLOB_2, rest);
  return dwg_read_entity_common(b.d, b.h);
}

int16_t read_ray(Body& b) {
  TkBitReader* r = b.r;
  read_pt(r, b.data, 0);
  read_pt(r, b.data, 24);
  return dwg_read_entity_common(b.d, b.h);
}

int16_t read_mtext(Body& b) {
  TkBitReader* r = b.r;
  TkEntityData* data = b.data;
  read_pt(r, data, 0);
  dwg_read_extrusion13(r, b.h->extrusion);
  read_pt(r, data, 24);
  put_d(data, 56, bits_read_double(r));  // rectangle width
  put_d(data, 48, bits_read_double(r));  // text height
  tk_data_put(data, 64, static_cast<uint8_t>(bits_read_short(r)));
  tk_data_put(data, 65, static_cast<uint8_t>(bits_read_short(r)));
  put_d(data, 72, bits_read_double(r));  // extents
  put_d(data, 80, bits_read_double(r));
  uint16_t length = static_cast<uint16_t>(bits_read_short(r));
  if (length > dwg13_object_bits_left(r) / 8) length = 0;
  if (length < 256) {
    char* text = tk_data_text(data, TK_MTEXT_STRING);
    bits_read_bytes(r, reinterpret_cast<uint8_t*>(text), length);
    text[length] = 0;
  } else {
    TkBlob* blob = blob_alloc(TK_BLOB_CHUNK_SIZE);
    TkBlob* w = blob ? blob_create(blob) : nullptr;
    bool ok = w != nullptr;
    uint8_t piece[512];
    for (uint16_t left = length; ok && left > 0;) {
      uint16_t step = left < 512 ? left : 512;
      bits_read_bytes(r, piece, step);
      ok = blob_write(w, piece, step) != 0;
      left = static_cast<uint16_t>(left - step);
    }
    ok = ok && blob_write_byte(w, 0);
    if (w && !blob_close_write(w)) ok = false;
    if (!ok) {
      blob_free(blob);
      return 0;
    }
    tk_data_put(data, TK_MTEXT_BLOB, blob);
  }
  if (b.r15) {
    tk_data_put(data, 88, static_cast<int16_t>(bits_read_short(r)));
    put_d(data, 96, bits_read_double(r));
    bits_read_bit(r);
  } else {
    tk_data_put(data, 88, static_cast<int16_t>(1));
    put_d(data, 96, 1.0);
  }
  if (!dwg_read_entity_common(b.d, b.h)) return 0;
  put_h(r, data, 104);
  return 1;
}

int16_t read_leader(Body& b) {
  TkBitReader* r = b.r;
  TkEntityData* data = b.data;
  bits_read_bit(r);
  int16_t annotation = bits_read_short(r);
  tk_data_put(data, 6, annotation);
  tk_data_put(data, 2, static_cast<uint8_t>(bits_read_short(r)));
  uint32_t count = static_cast<uint32_t>(bits_read_long(r));
  if (!count_fits(r, count, 6)) count = 0;
  tk_data_put(data, 0, static_cast<int16_t>(count));
  TkBlob* blob = nullptr;
  double last[3] = {}, before[3] = {};
  if (count > 0) {
    blob = blob_alloc(TK_BLOB_CHUNK_SIZE);
    TkBlob* w = blob ? blob_create(blob) : nullptr;
    bool ok = w != nullptr;
    for (uint32_t i = 0; ok && i < count; ++i) {
      std::memcpy(before, last, sizeof last);
      bits_read_3bd(r, last);
      ok = blob_write_point3(w, last) != 0;
    }
    if (w && !blob_close_write(w)) ok = false;
    if (!ok) {
      blob_free(blob);
      return 0;
    }
  }
  tk_data_put(data, TK_LEADER_BLOB, blob);
  uint8_t hook = 0;
  if ((annotation == 0 || annotation == 1) && count > 0)
    hook = tk_direction_is_oblique(before, last) ? 1 : 0;
  tk_data_put(data, 5, hook);
  double scratch[3];
  bits_read_3bd(r, scratch);  // origin
  dwg_read_extrusion13(r, b.h->extrusion);
  read_pt(r, data, 56);
  read_pt(r, data, 80);
  if (b.r14) read_pt(r, data, 32);
  if (!b.r15) bits_read_double(r);
  put_d(data, 16, bits_read_double(r));
  put_d(data, 24, bits_read_double(r));
  tk_data_put(data, 4, static_cast<uint8_t>(bits_read_bit(r)));
  tk_data_put(data, 3, static_cast<uint8_t>(bits_read_bit(r)));
  if (!b.r15) {
    bits_read_short(r);
    bits_read_double(r);
    bits_skip(r, 2);
    bits_read_short(r);
    tk_data_put(data, 8, static_cast<int16_t>(bits_read_short(r)));
    bits_skip(r, 2);
  } else {
    tk_data_put(data, 8, static_cast<int16_t>(255));
    bits_read_short(r);
    bits_skip(r, 2);
  }
  if (!dwg_read_entity_common(b.d, b.h)) return 0;
  put_h(r, data, 104);
  put_h(r, data, 112);
  return 1;
}

int16_t read_tolerance(Body& b) {
  TkBitReader* r = b.r;
  TkEntityData* data = b.data;
  if (!b.r15) {
    bits_read_short(r);
    bits_read_double(r);
    bits_read_double(r);
  }
  read_pt(r, data, 0);
  read_pt(r, data, 24);
  dwg_read_extrusion13(r, b.h->extrusion);
  bits_read_text(r, tk_data_text(data, TK_TOLERANCE_STRING), 1024);
  if (!dwg_read_entity_common(b.d, b.h)) return 0;
  put_h(r, data, 48);
  return 1;
}

int16_t read_mline(Body& b) {
  TkBitReader* r = b.r;
  TkEntityData* data = b.data;
  put_d(data, 0, bits_read_double(r));
  tk_data_put(data, 8, static_cast<int16_t>(bits_read_char(r)));
  read_pt(r, data, 16);
  dwg_read_extrusion13(r, b.h->extrusion);
  tk_data_put(data, 10, static_cast<int16_t>(bits_read_short(r)));
  uint8_t lines = bits_read_char(r);
  uint16_t vertices = static_cast<uint16_t>(bits_read_short(r));
  tk_data_put(data, 12, static_cast<int16_t>(lines));
  tk_data_put(data, 14, static_cast<int16_t>(vertices));
  if (!count_fits(r, vertices, 18)) return dwg_read_entity_common(b.d, b.h);
  TkBlob* blob = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob ? blob_create(blob) : nullptr;
  bool ok = w != nullptr;
  for (uint16_t v = 0; ok && v < vertices; ++v) {
    for (int i = 0; ok && i < 3; ++i) {
      double p[3];
      bits_read_3bd(r, p);
      ok = blob_write_point3(w, p) != 0;
    }
    for (uint8_t l = 0; ok && l < lines; ++l) {
      for (int part = 0; ok && part < 2; ++part) {
        int16_t n = bits_read_short(r);
        if (n < 0 || !count_fits(r, static_cast<uint32_t>(n), 2)) n = 0;
        ok = blob_write_short_raw(w, n) != 0;
        for (int16_t k = 0; ok && k < n; ++k) ok = blob_write_double(w, bits_read_double(r)) != 0;
      }
    }
  }
  if (w && !blob_close_write(w)) ok = false;
  if (!ok) {
    blob_free(blob);
    return 0;
  }
  tk_data_put(data, TK_MLINE_BLOB, blob);
  if (!dwg_read_entity_common(b.d, b.h)) return 0;
  put_h(r, data, 40);
  return 1;
}

}  // namespace

int16_t dwg13_read_entity_fields(TkDrawing* d, uint16_t code, TkEntityHeader* h,
                                 TkEntityData* data) {
  Body b{dwg13_bits(d), d, h, data, d->version >= TK_VERSION_AC1015, d->version >= TK_VERSION_AC1014};
  switch (code) {
    case 1: return read_text(b);
    case 2: return read_attribute(b, false);
    case 3: return read_attribute(b, true);
    case 4: return read_block(b);
    case 5:
    case 6: return dwg_read_entity_common(d, h);
    case 7: return read_insert(b, false);
    case 8: return read_insert(b, true);
    case 10:
    case 11:
    case 12:
    case 13:
    case 14: return read_vertex(b, code);
    case 15:
    case 16:
    case 29:
    case 30: return read_polyline(b, code);
    case 17: return read_circle_arc(b, true);
    case 18: return read_circle_arc(b, false);
    case 19: return read_line(b);
    case 20:
    case 21:
    case 22:
    case 23:
    case 24:
    case 25:
    case 26: return read_dimension(b, code);
    case 27: return read_point(b);
    case 28: return read_3dface(b);
    case 31:
    case 32: return read_solid(b);
    case 33: return read_shape(b);
    case 34: return read_viewport(b);
    case 35: return read_ellipse(b);
    case 36: return read_spline(b);
    case 37:
    case 38:
    case 39: return read_modeler(b);
    case 40:
    case 41: return read_ray(b);
    case 44: return read_mtext(b);
    case 45: return read_leader(b);
    case 46: return read_tolerance(b);
    case 47: return read_mline(b);
    default: return dwg_read_entity_common(d, h);
  }
}
