// The non-graphical objects of the bit-stream releases: dictionaries, multiline styles, groups,
// layouts and the class objects the database keeps in fields, and the raw class data of the
// others given back as it was read. Objects the writer has no record for are left out and
// reported.
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/object.h"
#include "toolkit/core/state.h"
#include "toolkit/write/dwg_write.h"

namespace {

bool same(const TkHandle& a, const TkHandle& b) { return std::memcmp(a.bytes, b.bytes, 8) == 0; }

struct Out {
  TkBitWriter* w;
  bool ok = true;
  Out& b(int v) { ok = ok && bits_write_bit(w, v ? 1 : 0) == 1; return *this; }
  Out& bs(int v) { ok = ok && bits_write_bs(w, int16_t(v)) == 1; return *this; }
  Out& bl(int32_t v) { ok = ok && bits_write_bl(w, v) == 1; return *this; }
  Out& rc(int v) { ok = ok && bits_write_rc(w, uint8_t(v)) == 1; return *this; }
  Out& bd(double v) { ok = ok && bits_write_bd(w, v) == 1; return *this; }
  Out& p3(const double p[3]) { ok = ok && bits_write_3bd(w, p) == 1; return *this; }
  Out& p2(const double p[2]) { ok = ok && bits_write_2rd(w, p) == 1; return *this; }
  Out& t(const char* s) { ok = ok && bits_write_text(w, s) == 1; return *this; }
  Out& h(const TkHandle& v, uint8_t code) { ok = ok && bits_write_handle(w, &v, code) == 1; return *this; }
  Out& bytes(const void* p, size_t n) { ok = ok && bits_write_bytes(w, p, n) == 1; return *this; }
};

// Every 8-byte handle of a blob, written with the code.
void handles_from(Out& out, TkBlob* blob, uint32_t count, uint8_t code) {
  TkBlob* r = blob ? blob_open_read(blob) : nullptr;
  for (uint32_t i = 0; r && i < count && out.ok; ++i) {
    TkHandle h{};
    if (!blob_read(r, h.bytes, 8)) break;
    out.h(h, code);
  }
  if (r) blob_close(r);
}

// A blob's bytes into the stream; bits beyond the whole bytes from the next byte, high first.
void bits_from(Out& out, TkBlob* blob, uint32_t bit_length) {
  TkBlob* r = blob ? blob_open_read(blob) : nullptr;
  if (!r) return;
  uint8_t piece[512];
  for (uint32_t left = bit_length / 8; out.ok && left > 0;) {
    uint32_t n = left < sizeof piece ? left : sizeof piece;
    if (!blob_read(r, piece, n)) {
      out.ok = false;
      break;
    }
    out.bytes(piece, n);
    left -= n;
  }
  uint32_t rest = bit_length % 8;
  uint8_t last = 0;
  if (out.ok && rest && blob_read(r, &last, 1))
    for (uint32_t i = 0; i < rest; ++i) out.b((last >> (7 - i)) & 1);
  blob_close(r);
}

int16_t tail(DwgOut& o, const TkObjectHeader& h, Out& out) {
  if (!out.ok) return 0;
  bits_mark_data_end(o.b);
  return dwg_common_handles(o, h.handle, h.owner, h.xdictionary, h.reactor_count, h.reactors);
}

bool omitted_before_r2000(const char* name) {
  static const char* const names[] = {"ACAD_LAYOUT", "ACAD_PLOTSETTINGS", "ACAD_WIPEOUT_VARS",
                                      "ACAD_PLOTSTYLENAME", "ACDBHEADERROUNDTRIPXREC"};
  for (const char* n : names)
    if (std::strcmp(name, n) == 0) return true;
  return false;
}

int16_t write_dictionary(DwgOut& o, const TkObjectHeader& h, const TkDictionaryData& dict) {
  std::vector<TkDictEntry> entries;
  TkBlob* r = dict.entries ? blob_open_read(dict.entries) : nullptr;
  TkDictEntry e;
  for (uint32_t i = 0; r && i < dict.entry_count && tk_dict_entry_read(r, &e); ++i) {
    if (o.version < 7 && same(h.handle, o.named_objects) && omitted_before_r2000(e.name)) continue;
    entries.push_back(e);
  }
  if (r) blob_close(r);
  if (dwg_object_begin(o, 42, h.handle, nullptr, nullptr, false) != 1) return 0;
  Out out{o.b};
  out.bl(int32_t(h.reactors ? h.reactor_count : 0)).bl(int32_t(entries.size()));
  if (o.version == 6) out.rc(0);
  if (o.version >= 7) out.bs(dict.cloning).rc(dict.hard_owner);
  for (TkDictEntry& x : entries) {
    if (o.version < 7) tk_str_upper(x.name);
    out.t(x.name);
  }
  if (!tail(o, h, out)) return 0;
  for (const TkDictEntry& x : entries) out.h(x.object, 0x20);
  return out.ok ? dwg_object_end(o, h.handle) : 0;
}

int16_t write_mlinestyle(DwgOut& o, const TkObjectHeader& h, const TkMlineStyleData& m) {
  if (dwg_object_begin(o, 73, h.handle, nullptr, nullptr, false) != 1) return 0;
  Out out{o.b};
  out.bl(int32_t(h.reactors ? h.reactor_count : 0));
  out.ok = out.ok && bits_write_name(o, m.name, 0, 31) == 1;
  char description[256];
  std::memcpy(description, m.description, sizeof description);
  description[255] = 0;
  out.t(description).bs(m.flags).bs(m.fill_colour).bd(m.start_angle).bd(m.end_angle);
  std::vector<TkMlineElement> elements;
  TkBlob* r = m.elements ? blob_open_read(m.elements) : nullptr;
  for (uint16_t i = 0; r && i < m.element_count; ++i) {
    TkMlineElement e;
    if (!blob_read(r, &e, sizeof e)) break;
    elements.push_back(e);
  }
  if (r) blob_close(r);
  out.rc(int(elements.size() & 0xFF));
  for (size_t i = 0; i < elements.size() && i < 256; ++i)
    out.bd(elements[i].offset).bs(elements[i].colour).bs(elements[i].linetype);
  if (!tail(o, h, out)) return 0;
  return out.ok ? dwg_object_end(o, h.handle) : 0;
}

int16_t write_group(DwgOut& o, const TkObjectHeader& h, const TkGroupData& g) {
  if (dwg_object_begin(o, 72, h.handle, nullptr, nullptr, false) != 1) return 0;
  Out out{o.b};
  out.bl(int32_t(h.reactors ? h.reactor_count : 0)).t(g.description).bs(g.unnamed);
  out.bs(g.selectable).bl(int32_t(g.entity_count));
  if (!tail(o, h, out)) return 0;
  handles_from(out, g.entities, g.entity_count, 0x50);
  return out.ok ? dwg_object_end(o, h.handle) : 0;
}

void write_plot_settings(Out& out, const TkPlotSettings& p) {
  out.t(p.page_setup).t(p.printer).bs(p.layout_flags);
  for (double m : p.margins) out.bd(m);
  out.bd(p.paper_width).bd(p.paper_height).t(p.paper_size).bd(p.origin[0]).bd(p.origin[1]);
  out.bs(p.paper_units).bs(p.rotation).bs(p.plot_type).bd(p.window_min[0]).bd(p.window_min[1]);
  out.bd(p.window_max[0]).bd(p.window_max[1]).t(p.plot_view).bd(p.real_world_units);
  out.bd(p.drawing_units).t(p.style_sheet).bs(p.scale_type).bd(p.scale_factor);
  out.bd(p.image_origin[0]).bd(p.image_origin[1]);
}

// Raw handle references (9 bytes each) as the reader kept them.
void handle_refs_from(DwgOut& o, Out& out, TkBlob* blob) {
  TkBlob* r = blob ? blob_open_read(blob) : nullptr;
  uint8_t record[9];
  while (r && out.ok && blob_read(r, record, 9)) out.ok = bits_write_handle_kind(o.b, record) == 1;
  if (r) blob_close(r);
}

// The whole bytes of a blob.
void bytes_from(Out& out, TkBlob* blob, uint32_t size) {
  bits_from(out, blob, size * 8);
}

// The type an object is written with: R2000 has fixed numbers for XRECORDs and proxies, R13
// its zombie class for proxies; 0 when the release cannot hold the object.
uint16_t object_type(DwgOut& o, const TkObjectHeader& h, TkObjectDataKind kind) {
  if (kind == TK_OBJDATA_XRECORD && o.version >= 7) return 79;
  if (h.type == 499) return o.version >= 7 ? 499 : o.version == 5 ? o.zombie_object_class : 0;
  return h.type;
}

// A class object with the fields the database keeps; 2 when the writer has no record for it.
int16_t write_class_object(DwgOut& o, const TkObjectHeader& h, const TkObjectData& v) {
  TkObjectDataKind kind = tk_object_data_kind(o.d, h.type);
  if (h.type == 499) kind = TK_OBJDATA_GENERIC;
  if (kind == TK_OBJDATA_GENERIC && !v.generic.data && !v.generic.handles) return 2;
  // Objects of the R2000 classes have no place in older files.
  if (o.version < 7 && (kind == TK_OBJDATA_LAYOUT || kind == TK_OBJDATA_PLACEHOLDER ||
                        kind == TK_OBJDATA_DICTIONARYWDFLT || kind == TK_OBJDATA_PLOTSETTINGS ||
                        kind == TK_OBJDATA_VBA_PROJECT))
    return 2;
  uint16_t type = object_type(o, h, kind);
  if (type == 0) return 2;
  if (dwg_object_begin(o, type, h.handle, nullptr, nullptr, false) != 1) return 0;
  Out out{o.b};
  out.bl(int32_t(h.reactors ? h.reactor_count : 0));
  auto handles = [&](TkBlob* blob, uint32_t count, uint8_t code) {
    handles_from(out, blob, count, code);
  };
  switch (kind) {
    case TK_OBJDATA_PLACEHOLDER: break;
    case TK_OBJDATA_PLOTSETTINGS: write_plot_settings(out, v.plotsettings); break;
    case TK_OBJDATA_LAYOUT: {
      const TkLayoutData& l = v.layout;
      write_plot_settings(out, l.plot);
      out.t(l.name).bs(l.tab_order).bs(l.flags).p3(l.ucs_origin).p2(l.limits_min);
      out.p2(l.limits_max).p3(l.insertion_base).p3(l.ucs_x_axis).p3(l.ucs_y_axis);
      out.bd(l.elevation).bs(l.ortho_type).p3(l.extents_min).p3(l.extents_max);
      break;
    }
    case TK_OBJDATA_XRECORD: {
      const TkXrecordData& x = v.xrecord;
      int32_t size = x.items ? blob_length(x.items) : 0;
      if (size < 0) size = 0;
      out.bl(size);
      bytes_from(out, x.items, uint32_t(size));
      if (o.version >= 7) out.bs(x.cloning);
      break;
    }
    case TK_OBJDATA_DICTIONARYVAR: out.rc(v.dictionaryvar.schema).t(v.dictionaryvar.value); break;
    case TK_OBJDATA_IMAGEDEF_REACTOR: out.bl(v.imagedef_reactor.class_version); break;
    case TK_OBJDATA_IMAGEDEF: {
      const TkImageDefData& x = v.imagedef;
      out.bl(x.class_version).p2(x.image_size).t(x.path).b(x.loaded).rc(x.resolution_units);
      out.p2(x.pixel_size);
      break;
    }
    case TK_OBJDATA_LAYER_INDEX: {
      const TkLayerIndexData& x = v.layer_index;
      out.bl(x.stamp.days).bl(x.stamp.msec).bl(int32_t(x.entry_count));
      TkBlob* r = x.entries ? blob_open_read(x.entries) : nullptr;
      for (uint32_t i = 0; out.ok && i < x.entry_count; ++i) {
        int32_t index = 0;
        uint16_t n = 0;
        char name[256] = {};
        if (!r || !blob_read(r, &index, 4) || !blob_read(r, &n, 2) || n >= sizeof name ||
            (n && !blob_read(r, name, n))) {
          out.ok = false;
          break;
        }
        out.bl(index).t(name);
      }
      if (r) blob_close(r);
      break;
    }
    case TK_OBJDATA_OBJECT_PTR: bits_from(out, v.object_ptr.data, v.object_ptr.bit_length); break;
    case TK_OBJDATA_RASTERVARIABLES: {
      const TkRasterVariablesData& x = v.rastervariables;
      out.bl(x.class_version).bs(x.display_frame).bs(x.display_quality).bs(x.units);
      break;
    }
    case TK_OBJDATA_IDBUFFER: out.rc(0).bl(int32_t(v.idbuffer.count)); break;
    case TK_OBJDATA_SORTENTSTABLE: {
      const TkSortEntsTableData& x = v.sortentstable;
      out.bl(int32_t(x.count));
      handles(x.sort_handles, x.count, 0x00);
      break;
    }
    case TK_OBJDATA_SPATIAL_FILTER: {
      const TkSpatialFilterData& f = v.spatial_filter;
      int16_t count = f.point_count < 0 ? int16_t(0) : f.point_count;
      out.bs(count);
      TkBlob* r = f.points ? blob_open_read(f.points) : nullptr;
      for (int16_t i = 0; out.ok && i < count; ++i) {
        double p[2] = {0, 0};
        if (!r || !blob_read(r, p, sizeof p)) out.ok = false;
        out.p2(p);
      }
      if (r) blob_close(r);
      out.p3(f.extrusion).p3(f.origin).bs(f.display_boundary).bs(f.front_clip);
      if (f.front_clip) out.bd(f.front_distance);
      out.bs(f.back_clip);
      if (f.back_clip) out.bd(f.back_distance);
      // Kept as 4 rows of 3; the file gives 3 rows of 4.
      for (int k = 0; k < 24; ++k) {
        int at = k % 12;
        const double* t = k < 12 ? f.inverse_block_transform : f.clip_transform;
        out.bd(t[(at % 4) * 3 + at / 4]);
      }
      break;
    }
    case TK_OBJDATA_SPATIAL_INDEX: {
      const TkSpatialIndexData& x = v.spatial_index;
      out.bl(x.stamp.days).bl(x.stamp.msec);
      bits_from(out, x.raw.data, x.raw.bit_length);
      break;
    }
    case TK_OBJDATA_WIPEOUTVARIABLES: out.bs(v.wipeout_variables.display_frame); break;
    case TK_OBJDATA_DICTIONARYWDFLT: {
      const TkDictionaryWdfltData& x = v.dictionary_wdflt;
      out.bl(int32_t(x.entry_count)).bs(x.cloning).rc(0);
      TkBlob* r = x.entries ? blob_open_read(x.entries) : nullptr;
      TkDictEntry e;
      for (uint32_t i = 0; r && i < x.entry_count && tk_dict_entry_read(r, &e); ++i) out.t(e.name);
      if (r) blob_close(r);
      break;
    }
    case TK_OBJDATA_VBA_PROJECT:
      out.bl(int32_t(v.vba_project.size));
      bytes_from(out, v.vba_project.data, v.vba_project.size);
      break;
    default:
      // A proxy of R2000 names the class it stands for; the reader keeps none it cannot use.
      if (type == 499) out.bl(0).bl(0).b(0);
      bits_from(out, v.generic.data, v.generic.bit_length);
      break;
  }
  if (!tail(o, h, out)) return 0;
  switch (kind) {
    case TK_OBJDATA_LAYOUT:
      out.h(v.layout.block_record, 0x40).h(v.layout.last_viewport, 0x40);
      out.h(v.layout.base_ucs, 0x50).h(v.layout.named_ucs, 0x50);
      break;
    case TK_OBJDATA_IDBUFFER: handles(v.idbuffer.handles, v.idbuffer.count, 0x40); break;
    case TK_OBJDATA_LAYER_INDEX:
      handles(v.layer_index.handles, v.layer_index.entry_count, 0x30);
      break;
    case TK_OBJDATA_SORTENTSTABLE:
      out.h(v.sortentstable.block_record, 0x40);
      handles(v.sortentstable.entity_handles, v.sortentstable.count, 0x40);
      break;
    case TK_OBJDATA_OBJECT_PTR: handle_refs_from(o, out, v.object_ptr.handles); break;
    case TK_OBJDATA_SPATIAL_INDEX: handle_refs_from(o, out, v.spatial_index.raw.handles); break;
    case TK_OBJDATA_DICTIONARYWDFLT: {
      const TkDictionaryWdfltData& x = v.dictionary_wdflt;
      TkBlob* r = x.entries ? blob_open_read(x.entries) : nullptr;
      TkDictEntry e;
      for (uint32_t i = 0; r && i < x.entry_count && tk_dict_entry_read(r, &e); ++i)
        out.h(e.object, 0x20);
      if (r) blob_close(r);
      out.h(x.default_entry, 0x50);
      break;
    }
    case TK_OBJDATA_GENERIC: handle_refs_from(o, out, v.generic.handles); break;
    default: break;
  }
  return out.ok ? dwg_object_end(o, h.handle) : 0;
}

int16_t write_object(DwgOut& o, const TkObjectHeader& h, const TkObjectData& v) {
  int16_t done;
  switch (h.type) {
    case TK_OBJ_DICTIONARY: done = write_dictionary(o, h, v.dictionary); break;
    case TK_OBJ_MLINESTYLE: done = write_mlinestyle(o, h, v.mlinestyle); break;
    case TK_OBJ_GROUP: done = write_group(o, h, v.group); break;
    default: done = write_class_object(o, h, v); break;
  }
  if (done == 2) {
    o.w->dropped_objects++;
    tk_warn(0, &h.handle);
    return 1;
  }
  if (done == 1) o.w->written_objects++;
  return done;
}

}  // namespace

int16_t dwg_write_named_objects(DwgOut& o) {
  TkObjectHeader h;
  auto* v = new TkObjectData;
  int16_t ok = 1;
  if (tk_object_get(o.d, &o.named_objects, &h, v)) ok = write_object(o, h, *v);
  delete v;
  return ok;
}

int16_t dwg_write_objects(DwgOut& o) {
  TkObjectHeader h;
  auto* v = new TkObjectData;
  int16_t ok = 1;
  tk_object_rewind(o.d);
  while (ok && tk_object_next(o.d, &h, v)) {
    if (o.version >= 6 && same(h.handle, o.named_objects)) continue;
    ok = write_object(o, h, *v);
  }
  delete v;
  return ok;
}
