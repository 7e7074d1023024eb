// The symbol tables of the bit-stream releases: one control object per table listing its
// records, and the records themselves (common head, fields, handles) in the reader's order.
// Before R2000 names pass through the shortener that keeps them within the older limits.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/dwg13_file.h"
#include "toolkit/write/dwg_write.h"

namespace {

bool is_null(const TkHandle& h) { return tk_handle_is_null(&h); }
bool same(const TkHandle& a, const TkHandle& b) { return std::memcmp(a.bytes, b.bytes, 8) == 0; }

struct Out {
  TkBitWriter* w;
  bool ok = true;
  Out& b(int v) { ok = ok && bits_write_bit(w, v ? 1 : 0) == 1; return *this; }
  Out& bs(int v) { ok = ok && bits_write_bs(w, int16_t(v)) == 1; return *this; }
  Out& bl(int32_t v) { ok = ok && bits_write_bl(w, v) == 1; return *this; }
  Out& rc(int v) { ok = ok && bits_write_rc(w, uint8_t(v)) == 1; return *this; }
  Out& bd(double v) { ok = ok && bits_write_bd(w, v) == 1; return *this; }
  Out& rd(double v) { ok = ok && bits_write_rd(w, v) == 1; return *this; }
  Out& p3(const double p[3]) { ok = ok && bits_write_3bd(w, p) == 1; return *this; }
  Out& p2(const double p[2]) { ok = ok && bits_write_2rd(w, p) == 1; return *this; }
  Out& t(const char* s) { ok = ok && bits_write_text(w, s) == 1; return *this; }
  Out& h(const TkHandle& v, uint8_t code) { ok = ok && bits_write_handle(w, &v, code) == 1; return *this; }
};

// The stored form of a record need not hold every field (a DIMSTYLE keeps no extension
// dictionary): what it does not give stays zero instead of last record's or the stack's.
template <typename Rec>
int16_t next_record(TkDrawing* d, int16_t (*next)(TkDrawing*, Rec*), Rec* r) {
  std::memset(static_cast<void*>(r), 0, sizeof *r);
  return next(d, r);
}

int32_t name_limit() {
  int32_t limit = tk_state ? tk_state->max_symbol_name : 26;
  if (limit <= 0) limit = 26;
  return limit < 31 ? limit : 31;
}

// Control object: count, the two null handles, and the records' handles.
int16_t write_control(DwgOut& o, uint16_t type, const TkHandle& control, int32_t count,
                      const std::vector<TkHandle>& entries, size_t hard_from, bool leading_null) {
  if (dwg_object_begin(o, type, control, nullptr, nullptr, false) != 1) return 0;
  Out out{o.b};
  out.bl(0).bl(count);
  if (type == 68 && o.version >= 7) out.rc(0);
  bits_mark_data_end(o.b);
  out.rc(0x40).rc(0x30);
  if (leading_null) out.rc(0x20);
  for (size_t i = 0; i < entries.size(); ++i) out.h(entries[i], i >= hard_from ? 0x30 : 0x20);
  if (!out.ok) return 0;
  return dwg_object_end(o, control);
}

// Record head: frame, reactors, name, referenced, xref index, dependent.
int16_t record_begin(DwgOut& o, uint16_t type, const TkHandle& handle, TkBlob* xdata,
                     uint32_t reactors, const char* name, int32_t number, uint8_t flags,
                     int16_t xref_index, bool dependent_bit = true) {
  if (dwg_object_begin(o, type, handle, xdata, nullptr, false) != 1) return 0;
  Out out{o.b};
  out.bl(int32_t(reactors));
  if (!out.ok || bits_write_name(o, name, number, name_limit()) != 1) return 0;
  out.b(flags & 64).bs(xref_index >= 0 ? 1 : 0).b(dependent_bit && (flags & 16));
  return out.ok ? 1 : 0;
}

int16_t record_end(DwgOut& o, const TkHandle& handle, const TkHandle& control,
                   const TkHandle& xdict, uint32_t reactors, TkBlob* blob, Out& out) {
  if (!out.ok) return 0;
  bits_mark_data_end(o.b);
  if (dwg_common_handles(o, handle, control, xdict, reactors, blob) != 1) return 0;
  out.h(TkHandle{}, 0x50);  // no external-reference block
  return out.ok ? 1 : 0;
}

void view_mode_bits(Out& out, int16_t mode) {
  out.b(mode & 1).b(mode & 2).b(mode & 4).b(!(mode & 16));
}

int16_t write_layers(DwgOut& o) {
  TkLayerRecord r;
  tk_layer_list_rewind(o.d);
  for (int32_t n = 0; next_record(o.d, tk_layer_list_next, &r); ++n) {
    if (!record_begin(o, 51, r.handle, r.xdata, r.reactor_count, r.name, n, r.flags,
                      r.xref_index))
      return 0;
    Out out{o.b};
    bool off = r.color < 0;
    int16_t colour = int16_t(off ? -r.color : r.color);
    if (o.version < 7) {
      out.b(r.flags & TK_LAYER_FROZEN).b(off).b(r.flags & TK_LAYER_FROZEN_NEW_VIEWPORTS);
      out.b(r.flags & TK_LAYER_LOCKED);
    } else {
      int16_t code = lineweight_to_code(r.lineweight);
      int values = (r.flags & TK_LAYER_FROZEN ? 1 : 0) | (off ? 2 : 0) |
                   (r.flags & TK_LAYER_FROZEN_NEW_VIEWPORTS ? 4 : 0) |
                   (r.flags & TK_LAYER_LOCKED ? 8 : 0) |
                   (r.plot && tk_name_compare(r.name, "DefPoints") != 0 ? 16 : 0) |
                   32 * (code < 0 ? 29 : code);
      out.bs(values);
    }
    out.bs(colour);
    if (!record_end(o, r.handle, o.controls[1], r.xdict, r.reactor_count, r.reactors, out)) return 0;
    if (o.version >= 7) out.h(r.plot_style, 0x50);
    out.h(r.linetype, 0x50);
    if (!out.ok || !dwg_object_end(o, r.handle)) return 0;
  }
  return 1;
}

int16_t write_styles(DwgOut& o) {
  TkTextStyleRecord r;
  tk_style_list_rewind(o.d);
  for (int32_t n = 0; next_record(o.d, tk_style_list_next, &r); ++n) {
    if (!record_begin(o, 53, r.handle, nullptr, r.reactor_count, r.name, n, r.flags,
                      r.xref_index))
      return 0;
    Out out{o.b};
    out.b(r.flags & 1).b(r.flags & 4).bd(r.height).bd(r.width_factor).bd(r.oblique_angle);
    out.rc(r.generation_flags).bd(r.last_height).t(r.font_file).t(r.bigfont_file);
    if (!record_end(o, r.handle, o.controls[2], r.xdict, r.reactor_count, r.reactors, out)) return 0;
    if (!dwg_object_end(o, r.handle)) return 0;
  }
  return 1;
}

int16_t write_ltypes(DwgOut& o) {
  TkLinetypeRecord r;
  tk_ltype_rewind(o.d);
  for (int32_t n = 0; next_record(o.d, tk_ltype_next, &r); ++n) {
    if (!record_begin(o, 57, r.handle, r.xdata, r.reactor_count, r.name, n, r.flags,
                      r.xref_index))
      return 0;
    Out out{o.b};
    int count = r.element_count < 0 ? 0 : r.element_count > TK_DASH_ELEMENTS ? TK_DASH_ELEMENTS
                                                                            : r.element_count;
    out.t(r.description).bd(r.pattern_length).rc(r.alignment).rc(count);
    for (int i = 0; i < count; ++i) {
      const TkDashElement& e = r.elements[i];
      out.bd(e.length).bs((e.shape_flags & 2) ? e.text_index : e.shape).rd(e.x_offset);
      out.rd(e.y_offset).bd(e.scale).bd(e.rotation).bs(e.shape_flags);
    }
    out.ok = out.ok && bits_write_bytes(o.b, r.dash_texts, sizeof r.dash_texts) == 1;
    if (!record_end(o, r.handle, o.controls[3], r.xdict, r.reactor_count, r.reactors, out)) return 0;
    for (int i = 0; i < count; ++i) out.h(r.elements[i].text_style, 0x50);
    if (!out.ok || !dwg_object_end(o, r.handle)) return 0;
  }
  return 1;
}

int16_t write_views(DwgOut& o) {
  TkViewRecord r;
  tk_view_rewind(o.d);
  for (int32_t n = 0; next_record(o.d, tk_view_next, &r); ++n) {
    if (!record_begin(o, 61, r.handle, nullptr, r.reactor_count, r.name, n, r.flags, -1)) return 0;
    Out out{o.b};
    out.bd(r.height).bd(r.width).p2(r.center).p3(r.target).p3(r.direction).bd(r.twist);
    out.bd(r.lens_length).bd(r.front_clip).bd(r.back_clip);
    view_mode_bits(out, r.view_mode);
    if (o.version >= 7) out.rc(r.render_mode);
    out.b(r.flags & 1);
    bool associated = o.version >= 7 && r.ucs_associated;
    if (o.version >= 7) out.b(associated);
    if (associated) {
      out.p3(r.ucs_origin).p3(r.ucs_x_axis).p3(r.ucs_y_axis).bd(r.elevation).bs(r.ortho_type);
    }
    if (!record_end(o, r.handle, o.controls[4], r.xdict, r.reactor_count, r.reactors, out)) return 0;
    if (associated) out.h(r.ucs, 0x50).h(r.base_ucs, 0x50);
    if (!out.ok || !dwg_object_end(o, r.handle)) return 0;
  }
  return 1;
}

int16_t write_ucss(DwgOut& o) {
  TkUcsRecord r;
  tk_ucs_rewind(o.d);
  for (int32_t n = 0; next_record(o.d, tk_ucs_next, &r); ++n) {
    if (!record_begin(o, 63, r.handle, nullptr, r.reactor_count, r.name, n, r.flags,
                      r.xref_index))
      return 0;
    Out out{o.b};
    out.p3(r.origin).p3(r.x_axis).p3(r.y_axis);
    if (o.version >= 7) out.bd(r.elevation).bs(r.ortho_view).bs(r.ortho_type);
    if (!record_end(o, r.handle, o.controls[5], r.xdict, r.reactor_count, r.reactors, out)) return 0;
    if (o.version >= 7) out.h(r.base_ucs, 0x50).h(r.ortho_ucs, 0x50);
    if (!out.ok || !dwg_object_end(o, r.handle)) return 0;
  }
  return 1;
}

int16_t write_vports(DwgOut& o) {
  TkVportRecord r;
  tk_vport_rewind(o.d);
  for (int32_t n = 0; next_record(o.d, tk_vport_next, &r); ++n) {
    if (!record_begin(o, 65, r.handle, r.xdata, r.reactor_count, r.name, n, r.flags, -1)) return 0;
    Out out{o.b};
    out.bd(r.height).bd(r.aspect_ratio * r.height).p2(r.center).p3(r.target).p3(r.direction);
    out.bd(r.twist).bd(r.lens_length).bd(r.front_clip).bd(r.back_clip);
    view_mode_bits(out, r.view_mode);
    if (o.version >= 7) out.rc(r.render_mode);
    out.p2(r.lower_left).p2(r.upper_right).b(r.view_mode & 8).bs(r.circle_zoom).b(r.fast_zoom);
    out.b(r.ucs_icon & 1).b(r.ucs_icon & 2).b(r.grid_on).p2(r.grid_spacing).b(r.snap_on);
    out.b(r.snap_style).bs(r.snap_isopair).bd(r.snap_angle).p2(r.snap_base).p2(r.snap_spacing);
    if (o.version >= 7) {
      out.b(0).b(r.ucs_per_viewport).p3(r.ucs_origin).p3(r.ucs_x_axis).p3(r.ucs_y_axis);
      out.bd(r.elevation).bs(r.ortho_type);
    }
    if (!record_end(o, r.handle, o.controls[6], r.xdict, r.reactor_count, r.reactors, out)) return 0;
    if (o.version >= 7) out.h(r.base_ucs, 0x50).h(r.ucs, 0x50);
    if (!out.ok || !dwg_object_end(o, r.handle)) return 0;
  }
  return 1;
}

int16_t write_appids(DwgOut& o) {
  TkAppIdRecord r;
  tk_appid_rewind(o.d);
  for (int32_t n = 0; next_record(o.d, tk_appid_next, &r); ++n) {
    if (!record_begin(o, 67, r.handle, r.xdata, r.reactor_count, r.name, n, r.flags,
                      r.xref_index, false))
      return 0;
    Out out{o.b};
    out.rc(0);
    if (!record_end(o, r.handle, o.controls[7], r.xdict, r.reactor_count, r.reactors, out)) return 0;
    if (!dwg_object_end(o, r.handle)) return 0;
  }
  if (!o.add_acad_appid) return 1;
  if (!record_begin(o, 67, o.acad_appid, nullptr, 0, "ACAD", 0, 0, -1, false)) return 0;
  Out out{o.b};
  out.rc(0);
  if (!record_end(o, o.acad_appid, o.controls[7], TkHandle{}, 0, nullptr, out)) return 0;
  return dwg_object_end(o, o.acad_appid);
}

// The viewport entity headers: the first, the sheet's, is the current one.
int16_t write_vpent_headers(DwgOut& o) {
  TkHandle previous{};
  for (const DwgOut::Vpent& v : o.vpents) {
    bool current = same(v.header, o.current_vpent);
    if (!record_begin(o, 71, v.header, nullptr, 0, current ? "1" : "", 0, 0, -1)) return 0;
    Out out{o.b};
    out.b(v.on);
    if (!record_end(o, v.header, o.controls[9], TkHandle{}, 0, nullptr, out)) return 0;
    out.h(v.viewport, 0x40).h(previous, 0x50);
    if (!out.ok || !dwg_object_end(o, v.header)) return 0;
    previous = v.header;
  }
  return 1;
}

int16_t write_vpent_control(DwgOut& o) {
  std::vector<TkHandle> headers;
  for (const DwgOut::Vpent& v : o.vpents) headers.push_back(v.header);
  return write_control(o, 70, o.controls[9], int32_t(headers.size()), headers, headers.size(),
                       false);
}

int16_t write_block_name(DwgOut& o, const TkHandle& block) {
  TkBlockRecord b;
  if (is_null(block) || !tk_block_get(o.d, &block, &b)) return bits_write_text(o.b, "") == 1;
  return bits_write_name(o, b.name, 0, name_limit());
}

int16_t write_dimstyles(DwgOut& o) {
  TkDimStyleRecord r;
  tk_dimstyle_rewind(o.d);
  for (int32_t n = 0; next_record(o.d, tk_dimstyle_next, &r); ++n) {
    if (!record_begin(o, 69, r.handle, nullptr, r.reactor_count, r.name, n, r.flags, -1)) return 0;
    Out out{o.b};
    auto sb = [](uint8_t v) { return int(int8_t(v)); };
    if (o.version < 7) {
      out.rc((r.dimtol ? 0x80 : 0) | (r.dimlim ? 0x40 : 0) | (r.dimtih ? 0x20 : 0) |
             (r.dimtoh ? 0x10 : 0) | (r.dimse1 ? 8 : 0) | (r.dimse2 ? 4 : 0) |
             (r.dimalt ? 2 : 0) | (r.dimtofl ? 1 : 0));
      out.b(r.dimsah).b(r.dimtix).b(r.dimsoxd).rc(r.dimaltd).rc(r.dimzin).b(r.dimsd1);
      out.b(r.dimsd2).rc(r.dimtolj).rc(r.dimjust).rc(r.dimfit).b(r.dimupt).rc(r.dimtzin);
      out.rc(r.dimaltz).rc(r.dimalttz).rc(r.dimtad).bs(r.dimlunit).bs(r.dimaunit).bs(r.dimdec);
      out.bs(r.dimtdec).bs(r.dimaltu).bs(r.dimalttd).bd(r.dimscale).bd(r.dimasz).bd(r.dimexo);
      out.bd(r.dimdli).bd(r.dimexe).bd(r.dimrnd).bd(r.dimdle).bd(r.dimtp).bd(r.dimtm);
      out.bd(r.dimtxt).bd(r.dimcen).bd(r.dimtsz).bd(r.dimaltf).bd(r.dimlfac).bd(r.dimtvp);
      out.bd(r.dimtfac).bd(r.dimgap).t(r.dimpost).t(r.dimapost);
      if (out.ok) out.ok = write_block_name(o, r.dimblk) && write_block_name(o, r.dimblk1) &&
                           write_block_name(o, r.dimblk2);
      out.bs(r.dimclrd).bs(r.dimclre).bs(r.dimclrt);
    } else {
      out.t(r.dimpost).t(r.dimapost).bd(r.dimscale).bd(r.dimasz).bd(r.dimexo).bd(r.dimdli);
      out.bd(r.dimexe).bd(r.dimrnd).bd(r.dimdle).bd(r.dimtp).bd(r.dimtm).b(r.dimtol);
      out.b(r.dimlim).b(r.dimtih).b(r.dimtoh).b(r.dimse1).b(r.dimse2).bs(sb(r.dimtad));
      out.bs(sb(r.dimzin)).bs(r.dimazin).bd(r.dimtxt).bd(r.dimcen).bd(r.dimtsz).bd(r.dimaltf);
      out.bd(r.dimlfac).bd(r.dimtvp).bd(r.dimtfac).bd(r.dimgap).bd(r.dimaltrnd).b(r.dimalt);
      out.bs(sb(r.dimaltd)).b(r.dimtofl).b(r.dimsah).b(r.dimtix).b(r.dimsoxd).bs(r.dimclrd);
      out.bs(r.dimclre).bs(r.dimclrt).bs(r.dimadec).bs(r.dimdec).bs(r.dimtdec).bs(r.dimaltu);
      out.bs(r.dimalttd).bs(r.dimaunit).bs(r.dimfrac).bs(r.dimlunit).bs(r.dimdsep);
      out.bs(r.dimtmove).bs(sb(r.dimjust)).b(r.dimsd1).b(r.dimsd2).bs(sb(r.dimtolj));
      out.bs(sb(r.dimtzin)).bs(sb(r.dimaltz)).bs(sb(r.dimalttz)).b(r.dimupt).bs(sb(r.dimfit));
      out.bs(r.dimlwd).bs(r.dimlwe);
    }
    out.b(0);
    // The dimension styles the database keeps carry no reliable extension dictionary.
    if (!record_end(o, r.handle, o.controls[8], TkHandle{}, r.reactor_count, r.reactors, out))
      return 0;
    out.h(r.dimtxsty, 0x50);
    if (o.version >= 7)
      out.h(r.dimldrblk, 0x50).h(r.dimblk, 0x50).h(r.dimblk1, 0x50).h(r.dimblk2, 0x50);
    if (!out.ok || !dwg_object_end(o, r.handle)) return 0;
  }
  return 1;
}

template <typename Rec>
std::vector<TkHandle> handles_of(TkDrawing* d, int16_t (*rewind)(TkDrawing*),
                                 int16_t (*next)(TkDrawing*, Rec*)) {
  std::vector<TkHandle> out;
  auto* r = new Rec;
  rewind(d);
  while (next(d, r)) out.push_back(r->handle);
  delete r;
  return out;
}

int16_t write_control_of(DwgOut& o, int table) {
  std::vector<TkHandle> e;
  switch (table) {
    case 1: e = handles_of<TkLayerRecord>(o.d, tk_layer_list_rewind, tk_layer_list_next); break;
    case 2: e = handles_of<TkTextStyleRecord>(o.d, tk_style_list_rewind, tk_style_list_next); break;
    case 3: e = handles_of<TkLinetypeRecord>(o.d, tk_ltype_rewind, tk_ltype_next); break;
    case 4: e = handles_of<TkViewRecord>(o.d, tk_view_rewind, tk_view_next); break;
    case 5: e = handles_of<TkUcsRecord>(o.d, tk_ucs_rewind, tk_ucs_next); break;
    case 6: e = handles_of<TkVportRecord>(o.d, tk_vport_rewind, tk_vport_next); break;
    case 7:
      e = handles_of<TkAppIdRecord>(o.d, tk_appid_rewind, tk_appid_next);
      if (o.add_acad_appid) e.push_back(o.acad_appid);
      break;
    case 8: e = handles_of<TkDimStyleRecord>(o.d, tk_dimstyle_rewind, tk_dimstyle_next); break;
    default: break;
  }
  static const uint16_t types[10] = {48, 50, 52, 56, 60, 62, 64, 66, 68, 70};
  int32_t count = int32_t(e.size());
  size_t hard_from = e.size();
  if (table == 3) {
    // BYLAYER and BYBLOCK are listed last and owned hard, wherever the drawing keeps them.
    std::vector<TkHandle> ordered;
    for (const TkHandle& h : e)
      if (!same(h, o.bylayer) && !same(h, o.byblock)) ordered.push_back(h);
    count = int32_t(ordered.size());
    hard_from = ordered.size();
    ordered.push_back(o.bylayer);
    ordered.push_back(o.byblock);
    e = ordered;
  }
  if (table == 6) count += 1;
  return write_control(o, types[table], o.controls[table], count, e, hard_from, table == 6);
}

}  // namespace

int32_t name_char_count(const char* name) {
  size_t n = std::strlen(name);
  bool escaped = n >= 2 && name[0] == '\\' &&
                 (name[1] == 'M' || name[1] == 'U' || name[1] == 'm' || name[1] == 'u');
  return int32_t(escaped ? n / 7 : n);
}

int16_t name_shorten(TkDrawing* drawing, const char* name, int32_t number, int32_t limit,
                     char* out) {
  const char* bar = std::strchr(name, '|');
  if (bar) {
    char prefix[TK_NAME_SIZE] = {}, first[TK_NAME_SIZE], second[TK_NAME_SIZE];
    size_t n = size_t(bar - name) < sizeof prefix - 1 ? size_t(bar - name) : sizeof prefix - 1;
    std::memcpy(prefix, name, n);
    int32_t max = tk_state && tk_state->max_symbol_name > 0 ? tk_state->max_symbol_name : 26;
    name_shorten(drawing, prefix, 0, max, first);
    name_shorten(drawing, bar + 1, number, max, second);
    size_t a = std::strlen(first), b = std::strlen(second);
    if (a > TK_NAME_SIZE - 2) a = TK_NAME_SIZE - 2;
    if (b > TK_NAME_SIZE - 2 - a) b = TK_NAME_SIZE - 2 - a;
    std::memcpy(out, first, a);
    out[a] = '|';
    std::memcpy(out + a + 1, second, b);
    out[a + 1 + b] = 0;
    return 1;
  }
  int32_t n = name_char_count(name);
  size_t bytes = std::strlen(name);
  if (bytes >= TK_NAME_SIZE) bytes = TK_NAME_SIZE - 1;
  int digits = 1;
  for (int32_t v = number < 0 ? -number : number; v >= 10; v /= 10) ++digits;
  bool escaped = n != int32_t(bytes);
  if (n > limit && limit > digits) {
    int32_t keep = limit - digits;
    if (escaped) {
      std::memcpy(out, name, size_t(keep) * 7);
      out[keep * 7] = 0;
    } else {
      std::snprintf(out, TK_NAME_SIZE, "%.*s%0*d", int(keep), name, digits, int(number));
    }
    n = limit;
  } else {
    std::memcpy(out, name, bytes);
    out[bytes] = 0;
  }
  uint8_t mode = 0;
  size_t span = escaped ? std::strlen(out) : std::min(std::strlen(out), size_t(n));
  for (size_t i = 0; i < span; ++i) {
    char& c = out[i];
    if (c == ' ' || c == '(' || c == ')' || (uint8_t(c) == 0xBD && mode != 2)) c = '_';
  }
  if (mode == 0) tk_str_upper(out);
  return 1;
}

int16_t bits_write_name(DwgOut& o, const char* name, int32_t number, int32_t limit) {
  if (o.version >= 7) return bits_write_text(o.b, name) == 1 ? 1 : 0;
  char shortened[TK_NAME_SIZE];
  if (limit > 31) limit = 31;
  name_shorten(o.d, name, number, limit, shortened);
  return bits_write_text(o.b, shortened) == 1 ? 1 : 0;
}

int16_t dwg_write_block_control(DwgOut& o) {
  std::vector<TkHandle> ordinary;
  TkBlockRecord b;
  block_list_rewind(o.d);
  while (block_list_next(o.d, &b)) {
    if (same(b.handle, o.model_record) || same(b.handle, o.paper_record)) continue;
    ordinary.push_back(b.handle);
  }
  int32_t count = int32_t(ordinary.size());
  size_t hard_from = ordinary.size();
  ordinary.push_back(o.model_record);
  ordinary.push_back(o.paper_record);
  return write_control(o, 48, o.controls[0], count, ordinary, hard_from, false);
}

int16_t dwg_write_table_controls(DwgOut& o) {
  for (int table = 1; table <= 8; ++table)
    if (!write_control_of(o, table)) return 0;
  return write_vpent_control(o);
}

int16_t dwg_write_tables(DwgOut& o) {
  int16_t (*const writers[8])(DwgOut&) = {write_layers, write_styles, write_ltypes, write_views,
                                          write_ucss,   write_vports, write_appids,
                                          write_dimstyles};
  for (int table = 1; table <= 8; ++table) {
    if (o.version == 5 && !write_control_of(o, table)) return 0;
    if (!writers[table - 1](o)) return 0;
  }
  if (o.version == 5 && !write_vpent_control(o)) return 0;
  return write_vpent_headers(o);
}

int16_t dwg_write_block_header(DwgOut& o, const TkBlockRecord& record, int32_t number,
                               const TkHandle& block, const TkHandle& endblk,
                               const TkHandle& first, const TkHandle& last) {
  char name[TK_NAME_SIZE];
  std::memcpy(name, record.name, sizeof name);
  name[sizeof name - 1] = 0;
  bool space = same(record.handle, o.model_record) || same(record.handle, o.paper_record);
  if (!space && name[0] == '*' && std::strncmp(name, "*PAPER_SPACE", 12) != 0 &&
      std::strcmp(name, "*MODEL_SPACE") != 0 && o.version < 7)
    name[2] = 0;
  if (dwg_object_begin(o, 49, record.handle, nullptr, nullptr, false) != 1) return 0;
  Out out{o.b};
  out.bl(0);
  if (!out.ok || bits_write_name(o, name, number, name_limit()) != 1) return 0;
  bool xref = record.flags & 4, overlaid = record.flags & 8;
  // The space blocks are nobody's reference.
  out.b(!space && (record.flags & 64)).bs(record.index >= 0 ? 1 : 0).b(record.flags & 16);
  out.b(record.flags & 1).b(record.flags & 2).b(xref).b(overlaid);
  if (o.version >= 7) out.b(record.index == -1);
  // The base point and path stand in the block's BLOCK entity.
  double base[3] = {0, 0, 0};
  const char* path = "";
  TkEntityHeader* h = o.look_header;
  TkEntityData* d = o.look_data;
  TkList* list = record.entities;
  if (list && list->first && entity_unpack(list->first, h, d, nullptr, nullptr) &&
      h->kind == TK_BLOCK) {
    for (int i = 0; i < 3; ++i) base[i] = tk_data_get<double>(d, 8 * size_t(i));
    path = tk_data_text(d, 536);
  }
  out.p3(base).t(path);
  if (o.version >= 7) {
    out.rc(0).t("").bl(0);
  }
  if (!out.ok) return 0;
  bits_mark_data_end(o.b);
  if (dwg_common_handles(o, record.handle, o.controls[0], TkHandle{}, 0, nullptr) != 1) return 0;
  out.h(TkHandle{}, 0x50);
  out.h(block, 0x30);
  if (!xref && !overlaid) out.h(first, 0x40).h(last, 0x40);
  out.h(endblk, 0x30);
  if (o.version >= 7) out.h(record.layout, 0x50);
  if (!out.ok) return 0;
  return dwg_object_end(o, record.handle);
}
