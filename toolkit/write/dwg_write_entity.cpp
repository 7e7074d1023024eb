// The entity records of the bit-stream releases: object type, common entity data, the body of
// each kind in stream order (the mirror of the reader's bodies), and the common handles with
// the links that chain a list's entities together. Kinds the writer has no body for are left
// out by the list walk and reported, never written half.
#include <cmath>
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/list.h"
#include "toolkit/core/load_entities.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/dwg13_file.h"
#include "toolkit/write/dwg_write.h"
#include "toolkit/write/dwg_write_body.h"

namespace {

bool is_null(const TkHandle& h) { return tk_handle_is_null(&h); }
bool same(const TkHandle& a, const TkHandle& b) { return std::memcmp(a.bytes, b.bytes, 8) == 0; }

double get_d(const TkEntityData* d, size_t at) { return tk_data_get<double>(d, at); }
void get_pt(const TkEntityData* d, size_t at, double p[3]) {
  for (int i = 0; i < 3; ++i) p[i] = get_d(d, at + 8 * size_t(i));
}
void get_2(const TkEntityData* d, size_t at, double p[2]) {
  p[0] = get_d(d, at);
  p[1] = get_d(d, at + 8);
}

// Text-attribute block places, as the reader keeps them.
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

using Bits = DwgBits;
using Body = DwgBody;

void write_text_part(Body& b, size_t attrs, const char* value) {
  const TkEntityData* d = b.data;
  double ins[3];
  get_pt(d, 0, ins);
  double align[2];
  get_2(d, attrs + attr_alignment, align);
  double oblique = get_d(d, attrs + attr_oblique), rotation = get_d(d, attrs + attr_rotation);
  double height = get_d(d, attrs + attr_height), width = get_d(d, attrs + attr_width);
  int generation = tk_data_get<int8_t>(d, attrs + attr_generation);
  int halign = tk_data_get<int8_t>(d, attrs + attr_halign);
  int valign = tk_data_get<int8_t>(d, attrs + attr_valign);
  Bits& o = b.out;
  if (!b.r15) {
    o.bd(ins[2]).p2(ins).p2(align).p3(b.h->extrusion).bd(b.h->thickness);
    o.bd(oblique).bd(rotation).bd(height).bd(width).t(value);
    o.bs(generation).bs(halign).bs(valign);
    return;
  }
  uint8_t flags = 0;
  if (ins[2] == 0.0) flags |= 0x01;
  if (align[0] == 0.0 && align[1] == 0.0) flags |= 0x02;
  if (oblique == 0.0) flags |= 0x04;
  if (rotation == 0.0) flags |= 0x08;
  if (width == 1.0) flags |= 0x10;
  if (generation == 0) flags |= 0x20;
  if (halign == 0) flags |= 0x40;
  if (valign == 0) flags |= 0x80;
  o.rc(flags);
  if (!(flags & 0x01)) o.rd(ins[2]);
  o.p2(ins);
  if (!(flags & 0x02)) o.dd(align[0], ins[0]).dd(align[1], ins[1]);
  b.extrusion();
  b.thickness();
  if (!(flags & 0x04)) o.rd(oblique);
  if (!(flags & 0x08)) o.rd(rotation);
  o.rd(height);
  if (!(flags & 0x10)) o.rd(width);
  o.t(value);
  if (!(flags & 0x20)) o.bs(generation);
  if (!(flags & 0x40)) o.bs(halign);
  if (!(flags & 0x80)) o.bs(valign);
}

// The common entity handles: owner, reactors, extension dictionary, layer, linetype and links.
void write_common(Body& b, uint16_t mode, bool no_links, uint8_t linetype_mode) {
  DwgOut& o = b.o;
  TkEntityHeader* h = b.h;
  Bits& out = b.out;
  if ((mode & 3) == 0)
    out.ok = out.ok && bits_write_handle_ref(o.b, &o.owner, &h->handle, 0x30) == 1;
  if (h->reactor_count > 0 && h->reactors && (b.o.version >= 6 || h->kind >= 498)) {
    TkBlob* r = blob_open_read(h->reactors);
    for (uint32_t i = 0; r && i < h->reactor_count; ++i) {
      TkHandle x{};
      if (!blob_read(r, x.bytes, 8)) break;
      out.h(x, 0x40);
    }
    if (r) blob_close(r);
  }
  TkHandle none{};
  out.h(o.version == 5 ? none : h->xdictionary, 0x30);
  auto links = [&] {
    if (no_links) return;
    TkHandle prev = is_null(o.previous) ? h->handle : o.previous;
    TkHandle next = is_null(o.next) ? h->handle : o.next;
    out.ok = out.ok && bits_write_handle_ref(o.b, &prev, &h->handle, 0x40) == 1;
    out.ok = out.ok && bits_write_handle_ref(o.b, &next, &h->handle, 0x40) == 1;
  };
  if (!b.r15) {
    out.h(h->layer, 0x50);
    if (linetype_mode == 3) out.h(h->linetype, 0x50);
    links();
  } else {
    links();
    out.h(h->layer, 0x50);
    if (linetype_mode == 3) out.h(h->linetype, 0x50);
  }
}

void write_sub_handles(Body& b) {
  b.out.h(b.o.first_sub, 0x40).h(b.o.last_sub, 0x40).h(b.o.seqend, 0x30);
}

void write_vertex(Body& b, uint16_t type) {
  TkEntityData* d = b.data;
  Bits& o = b.out;
  if (type == 14) {
    for (size_t i = 0; i < 4; ++i) o.bs(tk_data_get<int16_t>(d, 74 + 8 * i));
    return;
  }
  o.rc(tk_data_get<uint16_t>(d, TK_VERTEX_FLAGS) & 0xFF);
  double p[3];
  get_pt(d, 0, p);
  if (type != 10) {
    o.p3(p);
    return;
  }
  o.bd(p[0]).bd(p[1]).bd(b.r15 ? b.o.polyline_elevation : 0.0);
  double start = get_d(d, 32), end = get_d(d, 40);
  if (!tk_data_get<uint16_t>(d, 48) && start == 0.0) start = b.o.polyline_start_width;
  if (!tk_data_get<uint16_t>(d, 50) && end == 0.0) end = b.o.polyline_end_width;
  if (start == end && start != 0.0)
    o.bd(-start);
  else
    o.bd(start).bd(end);
  o.bd(get_d(d, 56)).bd(get_d(d, 64));
}

void write_polyline(Body& b, uint16_t type) {
  TkEntityData* d = b.data;
  Bits& o = b.out;
  uint16_t flags = tk_data_get<uint16_t>(d, 34);
  int16_t curve = tk_data_get<int16_t>(d, 24);
  switch (type) {
    case 15:
      b.o.polyline_elevation = get_d(d, 0);
      b.o.polyline_start_width = get_d(d, 8);
      b.o.polyline_end_width = get_d(d, 16);
      o.bs(flags).bs(curve).bd(get_d(d, 8)).bd(get_d(d, 16));
      b.thickness();
      o.bd(get_d(d, 0));
      b.extrusion();
      break;
    case 16:
      o.rc(curve == 5 ? 1 : curve == 6 ? 2 : 0).rc(flags & 0xF3);
      break;
    case 29:
      o.bs(tk_data_get<int16_t>(d, 30)).bs(tk_data_get<int16_t>(d, 32));
      break;
    default:
      o.bs(flags).bs(curve).bs(tk_data_get<int16_t>(d, 30)).bs(tk_data_get<int16_t>(d, 32));
      o.bs(tk_data_get<int16_t>(d, 26)).bs(tk_data_get<int16_t>(d, 28));
      break;
  }
}

void write_dimension(Body& b, uint16_t type) {
  TkEntityData* d = b.data;
  Bits& o = b.out;
  uint8_t flags = tk_data_get<uint8_t>(d, 32);
  double p[3];
  o.p3(b.h->extrusion);
  get_pt(d, 168, p);
  o.p2(p).bd(p[2]).rc((flags & 128) ? 2 : 3).t(tk_data_text(d, TK_DIMENSION_STRING));
  o.bd(get_d(d, 152)).bd(get_d(d, 216)).bd(1.0).bd(1.0).bd(1.0).bd(0.0);
  if (b.r15) {
    o.bs(tk_data_get<int16_t>(d, 224)).bs(tk_data_get<int16_t>(d, 226));
    o.bd(get_d(d, 232)).bd(get_d(d, 240));
  }
  get_pt(d, 8, p);
  o.p2(p);
  auto pt = [&](size_t at) {
    double q[3];
    get_pt(d, at, q);
    o.p3(q);
  };
  switch (type) {
    case 20: pt(192); pt(64); pt(88); o.rc((flags & 64) ? 1 : 0); break;
    case 21: pt(64); pt(88); pt(192); o.bd(get_d(d, 160)).bd(get_d(d, 144)); break;
    case 22: pt(64); pt(88); pt(192); o.bd(get_d(d, 160)); break;
    case 23: pt(192); pt(64); pt(88); pt(112); break;
    case 24: {
      double q[3];
      get_pt(d, 40, q);
      o.p2(q);
      pt(64); pt(88); pt(112); pt(192);
      break;
    }
    case 25: pt(192); pt(112); o.bd(get_d(d, 136)); break;
    default: pt(112); pt(192); o.bd(get_d(d, 136)); break;
  }
}

void write_3dface(Body& b) {
  TkEntityData* d = b.data;
  Bits& o = b.out;
  double c[4][3];
  for (size_t i = 0; i < 4; ++i) get_pt(d, 24 * i, c[i]);
  int16_t flags = tk_data_get<int16_t>(d, 96);
  if (!b.r15) {
    for (auto& p : c) o.p3(p);
    o.bs(flags);
    return;
  }
  bool flat = c[0][2] == 0.0;
  o.b(flags == 0).b(flat).rd(c[0][0]).rd(c[0][1]);
  if (!flat) o.rd(c[0][2]);
  for (int i = 1; i < 4; ++i)
    for (int k = 0; k < 3; ++k) o.dd(c[i][k], c[i - 1][k]);
  if (flags != 0) o.bs(flags);
}

void write_mtext(Body& b) {
  TkEntityData* d = b.data;
  Bits& o = b.out;
  double p[3];
  get_pt(d, 0, p);
  o.p3(p).p3(b.h->extrusion);
  get_pt(d, 24, p);
  o.p3(p).bd(get_d(d, 56)).bd(get_d(d, 48));
  o.bs(tk_data_get<uint8_t>(d, 64)).bs(tk_data_get<uint8_t>(d, 65));
  o.bd(get_d(d, 72)).bd(get_d(d, 80));
  TkBlob* blob = tk_data_blob(d, TK_MTEXT_BLOB);
  if (!blob) {
    o.t(tk_data_text(d, TK_MTEXT_STRING));
  } else {
    // The blob holds the characters and a closing zero.
    TkBlob* r = blob_open_read(blob);
    int32_t length = r ? blob_length(r) : 0;
    if (length > 0) --length;
    if (length > 32767) length = 32767;
    o.bs(length);
    uint8_t piece[512];
    for (int32_t left = length; o.ok && r && left > 0;) {
      int32_t n = left < 512 ? left : 512;
      o.ok = blob_read(r, piece, size_t(n)) && bits_write_bytes(b.o.b, piece, size_t(n)) == 1;
      left -= n;
    }
    if (r) blob_close(r);
  }
  if (b.r15) o.bs(tk_data_get<int16_t>(d, 88)).bd(get_d(d, 96)).b(0);
}

void write_lwpolyline(Body& b) {
  TkEntityData* d = b.data;
  Bits& o = b.out;
  uint16_t stored = tk_data_get<uint16_t>(d, TK_LWPOLYLINE_FLAGS);
  uint32_t count = tk_data_get<uint32_t>(d, TK_LWPOLYLINE_COUNT);
  double elevation = get_d(d, TK_LWPOLYLINE_ELEVATION);
  uint16_t flags = stored & uint16_t(~(TK_LWPL_ELEVATION | TK_LWPL_THICKNESS | TK_LWPL_EXTRUDED));
  if (std::fabs(elevation) >= 1e-10) flags |= TK_LWPL_ELEVATION;
  if (std::fabs(b.h->thickness) >= 1e-10) flags |= TK_LWPL_THICKNESS;
  const double* e = b.h->extrusion;
  if (!(e[0] == 0.0 && e[1] == 0.0 && e[2] == 1.0)) flags |= TK_LWPL_EXTRUDED;
  bool bulges = stored & TK_LWPL_BULGES, widths = stored & TK_LWPL_WIDTHS;
  o.bs(int16_t(flags));
  if (flags & TK_LWPL_CONSTANT_WIDTH) o.bd(get_d(d, TK_LWPOLYLINE_WIDTH));
  if (flags & TK_LWPL_ELEVATION) o.bd(elevation);
  if (flags & TK_LWPL_THICKNESS) o.bd(b.h->thickness);
  if (flags & TK_LWPL_EXTRUDED) o.p3(e);
  TkBlob* blob = tk_data_blob(d, TK_LWPOLYLINE_VERTICES);
  TkBlob* r = blob ? blob_open_read(blob) : nullptr;
  size_t per = 2 + (bulges ? 1 : 0) + (widths ? 2 : 0);
  // The vertices are read once per group of values the stream wants.
  int32_t length = r ? blob_length(r) : 0;
  if (uint64_t(count) * per * 8 > uint64_t(length)) count = uint32_t(length / int32_t(per * 8));
  o.bl(int32_t(count));
  if (bulges) o.bl(int32_t(count));
  if (widths) o.bl(int32_t(count));
  auto value = [&](uint32_t i, size_t k) {
    double v = 0;
    if (r && blob_seek(r, int32_t((i * per + k) * 8))) blob_read(r, &v, 8);
    return v;
  };
  double prev[2] = {0, 0};
  for (uint32_t i = 0; o.ok && i < count; ++i) {
    double x = value(i, 0), y = value(i, 1);
    if (b.r15 && i > 0)
      o.dd(x, prev[0]).dd(y, prev[1]);
    else
      o.rd(x).rd(y);
    prev[0] = x;
    prev[1] = y;
  }
  for (uint32_t i = 0; bulges && o.ok && i < count; ++i) o.bd(value(i, 2));
  for (uint32_t i = 0; widths && o.ok && i < count; ++i)
    o.bd(value(i, bulges ? 3 : 2)).bd(value(i, bulges ? 4 : 3));
  if (r) blob_close(r);
}

// The body of the type; false when the writer has none.
bool write_body(Body& b, uint16_t type, bool* known) {
  TkEntityData* d = b.data;
  Bits& o = b.out;
  double p[3];
  *known = true;
  switch (type) {
    case 1: write_text_part(b, TK_TEXT_ATTRS, tk_data_text(d, TK_TEXT_STRING)); break;
    case 2:
      write_text_part(b, TK_ATTDEF_ATTRS, tk_data_text(d, TK_ATTDEF_SECOND));
      o.t(tk_data_text(d, TK_ATTDEF_STRINGS)).bs(tk_data_get<int16_t>(d, 26));
      o.rc(tk_data_get<uint8_t>(d, 24));
      break;
    case 3:
      write_text_part(b, TK_ATTDEF_ATTRS, tk_data_text(d, TK_ATTDEF_THIRD));
      o.t(tk_data_text(d, TK_ATTDEF_SECOND)).bs(tk_data_get<int16_t>(d, 26));
      o.rc(tk_data_get<uint8_t>(d, 24)).t(tk_data_text(d, TK_ATTDEF_STRINGS));
      break;
    case 4: o.ok = o.ok && bits_write_name(b.o, tk_data_text(d, 24), 0, 31) == 1; break;
    case 5:
    case 6: break;
    case 7:
    case 8: {
      get_pt(d, 8, p);
      o.p3(p);
      double s[3] = {get_d(d, 32), get_d(d, 40), get_d(d, 48)};
      if (!b.r15) {
        o.bd(s[0]).bd(s[1]).bd(s[2]);
      } else if (s[0] == 1.0 && s[1] == 1.0 && s[2] == 1.0) {
        o.b(1).b(1);
      } else if (s[0] == 1.0) {
        o.b(0).b(1).dd(s[1], s[0]).dd(s[2], s[0]);
      } else if (s[1] == s[0] && s[2] == s[0]) {
        o.b(1).b(0).rd(s[0]);
      } else {
        o.b(0).b(0).rd(s[0]).dd(s[1], s[0]).dd(s[2], s[0]);
      }
      o.bd(get_d(d, 56)).p3(b.h->extrusion).b(tk_data_get<int16_t>(d, 0) != 0);
      if (type == 8) {
        int16_t columns = tk_data_get<int16_t>(d, 82), rows = tk_data_get<int16_t>(d, 80);
        o.bs(columns).bs(rows).bd(get_d(d, 72)).bd(get_d(d, 64));
      }
      break;
    }
    case 10: case 11: case 12: case 13: case 14: write_vertex(b, type); break;
    case 15: case 16: case 29: case 30: write_polyline(b, type); break;
    case 17:
    case 18:
      get_pt(d, 0, p);
      o.p3(p).bd(get_d(d, 24));
      b.thickness();
      b.extrusion();
      if (type == 17) {
        // The end angle as the reader gives it back: never below the start.
        double start = get_d(d, 32), end = get_d(d, 40);
        const double turn = 6.283185307179586;
        if (end < start) end += std::ceil((start - end) / turn) * turn;
        if (end < start) end += turn;
        o.bd(start).bd(end);
      }
      break;
    case 19: {
      double e[3];
      get_pt(d, 0, p);
      get_pt(d, 24, e);
      if (b.r15) {
        o.ok = o.ok && bits_write_line_points(b.o.b, p, e) == 1;
        b.thickness();
        b.extrusion();
      } else {
        o.p3(p).p3(e).bd(b.h->thickness).p3(b.h->extrusion);
      }
      break;
    }
    case 20: case 21: case 22: case 23: case 24: case 25: case 26: write_dimension(b, type); break;
    case 27:
      get_pt(d, 0, p);
      o.p3(p);
      b.thickness();
      b.extrusion();
      o.bd(get_d(d, 24));
      break;
    case 28: write_3dface(b); break;
    case 31:
    case 32: {
      b.thickness();
      get_pt(d, 0, p);
      o.bd(p[2]);
      for (size_t i = 0; i < 4; ++i) {
        get_pt(d, 24 * i, p);
        o.p2(p);
      }
      b.extrusion();
      break;
    }
    case 33:
      get_pt(d, 0, p);
      o.p3(p).bd(get_d(d, 24)).bd(get_d(d, 40)).bd(get_d(d, 48)).bd(get_d(d, 56));
      o.bd(b.h->thickness).bs(int16_t(tk_data_get<uint32_t>(d, TK_SHAPE_NUMBER)));
      o.p3(b.h->extrusion);
      break;
    case 35: {
      double a[3];
      get_pt(d, 0, p);
      get_pt(d, 24, a);
      o.p3(p).p3(a).p3(b.h->extrusion).bd(get_d(d, 48)).bd(get_d(d, 56)).bd(get_d(d, 64));
      break;
    }
    case 40:
    case 41: {
      double a[3];
      get_pt(d, 0, p);
      get_pt(d, 24, a);
      o.p3(p).p3(a);
      break;
    }
    case 44: write_mtext(b); break;
    default:
      if (type == tk_class_lwpolyline(b.o.d) || type == 77) {
        write_lwpolyline(b);
        break;
      }
      return dwg_write_more_body(b, type, known);
  }
  return o.ok;
}

// The handles a type carries after the common ones.
void write_own_handles(Body& b, uint16_t type) {
  TkEntityData* d = b.data;
  Bits& o = b.out;
  switch (type) {
    case 1: o.h(tk_data_get<TkHandle>(d, TK_TEXT_ATTRS + attr_style), 0x50); break;
    case 2:
    case 3: o.h(tk_data_get<TkHandle>(d, TK_ATTDEF_ATTRS + attr_style), 0x50); break;
    case 7:
    case 8:
      o.h(tk_data_get<TkHandle>(d, TK_INSERT_BLOCK), 0x50);
      if (tk_data_get<int16_t>(d, 0) != 0) write_sub_handles(b);
      break;
    case 15: case 16: case 29: case 30: write_sub_handles(b); break;
    case 20: case 21: case 22: case 23: case 24: case 25: case 26:
      o.h(tk_data_get<TkHandle>(d, TK_DIMENSION_STYLE), 0x50);
      o.h(tk_data_get<TkHandle>(d, TK_DIMENSION_BLOCK), 0x50);
      break;
    case 33: o.h(tk_data_get<TkHandle>(d, TK_SHAPE_STYLE), 0x50); break;
    case 44: o.h(tk_data_get<TkHandle>(d, TK_MTEXT_STYLE), 0x50); break;
    default: dwg_write_more_handles(b, type); break;
  }
}

}  // namespace

uint16_t dwg_object_type_of_entity(DwgOut& o, const TkEntityHeader& h, const TkEntityData& data) {
  const TkEntityData* d = &data;
  switch (h.kind) {
    case TK_TEXT: return 1;
    case TK_ATTRIB: return 2;
    case TK_ATTDEF: return 3;
    case TK_BLOCK: return 4;
    case TK_ENDBLK: return 5;
    case TK_SEQEND: return 6;
    case TK_INSERT: {
      int16_t columns = tk_data_get<int16_t>(d, 82), rows = tk_data_get<int16_t>(d, 80);
      return (columns > 1 || rows > 1) ? 8 : 7;
    }
    case TK_VERTEX: {
      uint16_t flags = tk_data_get<uint16_t>(d, TK_VERTEX_FLAGS);
      if ((flags & 128) && !(flags & 64)) return 14;
      if (flags & 32) return 11;
      if ((flags & 64) && (flags & 128)) return 13;
      if (flags & 64) return 12;
      return 10;
    }
    case TK_POLYLINE: {
      uint16_t flags = tk_data_get<uint16_t>(d, 34);
      if (flags & 64) return 29;
      if (flags & 16) return 30;
      if (flags & 8) return 16;
      return 15;
    }
    case TK_DIMENSION: {
      static const uint16_t types[8] = {21, 22, 24, 26, 25, 23, 20, 21};
      return types[tk_data_get<uint8_t>(d, 32) & 7];
    }
    case TK_ARC: return 17;
    case TK_CIRCLE: return 18;
    case TK_LINE:
    case TK_3DLINE: return 19;
    case TK_POINT: return 27;
    case TK_3DFACE: return 28;
    case TK_SOLID: return 31;
    case TK_TRACE: return 32;
    case TK_SHAPE: return 33;
    case TK_VIEWPORT: return 34;
    case TK_ELLIPSE: return 35;
    case TK_SPLINE: return 36;
    case TK_REGION: return 37;
    case TK_3DSOLID: return 38;
    case TK_BODY: return 39;
    case TK_RAY: return 40;
    case TK_XLINE: return 41;
    case TK_MTEXT: return 44;
    case TK_LEADER: return 45;
    case TK_TOLERANCE: return 46;
    case TK_MLINE: return 47;
    default: break;
  }
  (void)o;
  return h.kind;
}

bool dwg_entity_writable(DwgOut& o, const TkEntityHeader& h, const TkEntityData& data) {
  if (h.kind == TK_SHAPE && tk_data_get<uint32_t>(&data, TK_SHAPE_NUMBER) == 255) return false;
  switch (h.kind) {
    case TK_LINE: case TK_3DLINE: case TK_POINT: case TK_CIRCLE: case TK_SHAPE: case TK_ELLIPSE:
    case TK_TEXT: case TK_ARC: case TK_TRACE: case TK_SOLID: case TK_BLOCK: case TK_ENDBLK:
    case TK_INSERT: case TK_ATTDEF: case TK_ATTRIB: case TK_SEQEND: case TK_POLYLINE:
    case TK_VERTEX: case TK_3DFACE: case TK_DIMENSION: case TK_RAY: case TK_XLINE: case TK_MTEXT:
      return true;
    default:
      break;
  }
  if (h.kind > TK_LAST_FIXED_KIND && h.kind == tk_class_lwpolyline(o.d)) return true;
  return dwg_more_writable(o, h, data);
}

bool dwg_link_writable(DwgOut& o, TkLink* l, uint16_t* kind) {
  const auto* stored = static_cast<const uint8_t*>(tk_link_data(l));
  if (!stored) return false;
  std::memcpy(kind, stored + TK_STORED_KIND, 2);
  // Most kinds are writable or not by their kind alone; the record is unpacked (a copy of
  // some 2 KB) only for those whose data decides.
  switch (*kind) {
    case TK_LINE: case TK_3DLINE: case TK_POINT: case TK_CIRCLE: case TK_ELLIPSE: case TK_TEXT:
    case TK_ARC: case TK_TRACE: case TK_SOLID: case TK_BLOCK: case TK_ENDBLK: case TK_INSERT:
    case TK_ATTDEF: case TK_ATTRIB: case TK_SEQEND: case TK_POLYLINE: case TK_VERTEX:
    case TK_3DFACE: case TK_DIMENSION: case TK_RAY: case TK_XLINE: case TK_MTEXT: case TK_SPLINE:
    case TK_REGION: case TK_3DSOLID: case TK_BODY: case TK_LEADER: case TK_TOLERANCE:
    case TK_MLINE: case TK_VIEWPORT:
      return true;
    default: break;
  }
  if (*kind > TK_LAST_FIXED_KIND && *kind == tk_class_lwpolyline(o.d)) return true;
  if (!entity_unpack(l, o.look_header, o.look_data, nullptr, nullptr)) return false;
  *kind = o.look_header->kind;
  return dwg_entity_writable(o, *o.look_header, *o.look_data);
}

int16_t dwg_write_entity(DwgOut& o, TkEntityHeader* h, TkEntityData* data, uint16_t mode) {
  uint16_t type = dwg_object_type_of_entity(o, *h, *data);
  uint16_t header_type = type;
  if (o.version >= 7 && type > TK_LAST_FIXED_KIND && type == tk_class_lwpolyline(o.d))
    header_type = 77;
  else
    header_type = dwg_more_header_type(o, type);
  // Before R2000 a viewport's view travels in its extended data.
  TkBlob* made = nullptr;
  if (h->kind == TK_VIEWPORT && o.version < 7 && !is_null(o.acad_appid)) {
    made = dwg_viewport_to_mview_xdata(o, *h, *data);
    if (!made) return tk_fail_alloc(TK_ERR_SAVE_ALLOC);
  }
  int16_t begun = dwg_object_begin(o, header_type, h->handle, made ? made : h->xdata,
                                   dwg_more_graphics(o, *h, *data), true);
  blob_free(made);
  if (begun != 1) return 0;
  Body b{o, h, data, Bits{o.b}, o.version >= 7};
  Bits& out = b.out;
  // Entity mode, reactors, links, colour, linetype and visibility.
  out.b((mode >> 1) & 1).b(mode & 1);
  uint32_t reactors = (o.version == 5 && h->kind < 498) ? 0 : h->reactor_count;
  if (!h->reactors) reactors = 0;
  out.bl(int32_t(reactors));
  TkHandle one{};
  one.bytes[7] = 1;
  TkHandle below, above;
  handle_sub(&h->handle, &one, &below);
  handle_add(&h->handle, &one, &above);
  bool no_links = same(o.previous, below) && same(o.next, above);
  uint8_t linetype_mode = 3;
  bool invisible = (h->flags & 4) != 0;
  if (!b.r15) {
    bool by_layer = same(h->linetype, o.bylayer);
    if (by_layer) linetype_mode = 0;
    out.b(by_layer).b(no_links).bs(int16_t(h->colour)).bd(h->linetype_scale).bs(invisible);
  } else {
    if (same(h->linetype, o.bylayer)) linetype_mode = 0;
    else if (same(h->linetype, o.byblock)) linetype_mode = 1;
    int16_t code = lineweight_to_code(h->lineweight);
    out.b(no_links).bs(int16_t(h->colour)).bd(h->linetype_scale);
    out.b(linetype_mode >> 1).b(linetype_mode & 1).b(0).b(0).bs(invisible);
    out.rc(code < 0 ? 29 : code);
  }
  TkEntityHeader saved_reactors = *h;
  if (!reactors) h->reactor_count = 0;
  bool known = false;
  bool ok = out.ok && write_body(b, type, &known);
  if (ok) {
    bits_mark_data_end(o.b);
    write_common(b, mode, no_links, linetype_mode);
    write_own_handles(b, type);
    ok = out.ok;
  }
  h->reactor_count = saved_reactors.reactor_count;
  if (!ok) return 0;
  return dwg_object_end(o, h->handle);
}

namespace {

bool is_sub(uint16_t kind) { return kind == TK_ATTRIB || kind == TK_VERTEX || kind == TK_SEQEND; }

// The next link at or after `from` whose entity is writable; its kind in *kind.
TkLink* next_writable(DwgOut& o, TkLink* from, uint16_t* kind) {
  for (TkLink* l = from; l; l = l->next)
    if (dwg_link_writable(o, l, kind)) return l;
  return nullptr;
}

TkHandle handle_of(TkLink* l) {
  TkHandle h{};
  std::memcpy(h.bytes, static_cast<const uint8_t*>(tk_link_data(l)) + TK_STORED_HANDLE, 8);
  return h;
}

// The handle of the next main entity after `from` (sub-entities passed over); null at the end
// of the list or at an ENDBLK.
TkHandle next_main(DwgOut& o, TkLink* from) {
  for (TkLink* l = from; l;) {
    uint16_t kind = 0;
    l = next_writable(o, l, &kind);
    if (!l || kind == TK_ENDBLK || kind == TK_BLOCK) return TkHandle{};
    if (!is_sub(kind)) return handle_of(l);
    l = l->next;
  }
  return TkHandle{};
}

}  // namespace

int16_t dwg_write_entity_list(DwgOut& o, TkList* list, uint16_t mode, TkHandle* first,
                              TkHandle* last) {
  TkEntityHeader h;
  TkEntityData data;
  TkHandle previous{};
  TkHandle owner_of_subs{};
  TkHandle saved_owner = o.owner;
  bool in_subs = false;
  TkHandle sub_previous{};
  if (first) *first = TkHandle{};
  if (last) *last = TkHandle{};
  for (TkLink* l = list ? list->first : nullptr; l; l = l->next) {
    if (!entity_unpack(l, &h, &data, nullptr, nullptr)) continue;
    if (h.kind == TK_BLOCK || h.kind == TK_ENDBLK) continue;
    if (!dwg_entity_writable(o, h, data)) {
      o.w->dropped_entities++;
      tk_warn(h.kind == TK_SHAPE ? TK_ERR_DROPPED_SHAPE : 0, &h.handle);
      continue;
    }
    if (is_sub(h.kind)) {
      if (!in_subs) continue;  // a sub-entity without its owner
      o.owner = owner_of_subs;
      o.previous = sub_previous;
      if (h.kind == TK_SEQEND) {
        o.next = TkHandle{};
        in_subs = false;
      } else {
        uint16_t kind = 0;
        TkLink* n = next_writable(o, l->next, &kind);
        o.next = (n && is_sub(kind) && kind != TK_SEQEND) ? handle_of(n) : TkHandle{};
      }
      if (!dwg_write_entity(o, &h, &data, 0)) return 0;
      o.w->written_entities++;
      sub_previous = h.handle;
      continue;
    }
    // A main entity: its subs follow until a SEQEND.
    in_subs = false;
    o.first_sub = o.last_sub = o.seqend = TkHandle{};
    bool has_subs = h.kind == TK_POLYLINE || (h.kind == TK_INSERT && tk_data_get<int16_t>(&data, 0));
    if (has_subs) {
      for (TkLink* s = l->next; s;) {
        uint16_t kind = 0;
        s = next_writable(o, s, &kind);
        if (!s || !is_sub(kind)) break;
        if (kind == TK_SEQEND) {
          o.seqend = handle_of(s);
          break;
        }
        if (is_null(o.first_sub)) o.first_sub = handle_of(s);
        o.last_sub = handle_of(s);
        s = s->next;
      }
      in_subs = !is_null(o.seqend);
      if (!in_subs && h.kind == TK_INSERT) tk_data_put(&data, 0, int16_t(0));
    }
    o.owner = saved_owner;
    o.previous = previous;
    o.next = next_main(o, l->next);
    if (!dwg_write_entity(o, &h, &data, mode)) return 0;
    o.w->written_entities++;
    if (first && is_null(*first)) *first = h.handle;
    if (last) *last = h.handle;
    previous = h.handle;
    owner_of_subs = h.handle;
    sub_previous = h.handle;
  }
  o.owner = saved_owner;
  return 1;
}
