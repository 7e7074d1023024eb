// Storing the entities and objects a reader delivers into the drawing: references resolved to
// handles through one-entry caches, missing layers created, 2D POLYLINEs turned into LWPOLYLINEs,
// progress reported within its band, and every walk bounded so a damaged file cannot loop.
#include "toolkit/core/load_entities.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/free.h"
#include "toolkit/core/hidx.h"
#include "toolkit/core/list.h"
#include "toolkit/core/load.h"
#include "toolkit/core/load_complete.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/object.h"
#include "toolkit/core/reader_ops.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"

namespace {

constexpr uint8_t TK_ENTITY_PAPER_SPACE = 1;  // header flag bit of an entity in paper space
constexpr int16_t linetype_bylayer_index = 32767;
constexpr int16_t linetype_byblock_index = 32766;

// POLYLINE and VERTEX data places the conversion reads.
enum : size_t {
  polyline_elevation = 0,
  polyline_start_width = 8,
  polyline_end_width = 16,
  polyline_flags = 34,
  vertex_start_width = 32,
  vertex_end_width = 40,
  vertex_bulge = 56,
  text_attrs_style = 56,  // the style handle within a text-attribute block
};

// POLYLINE flags that an LWPOLYLINE cannot hold: curve-fit, spline-fit, 3D, mesh, face mesh.
constexpr uint16_t polyline_not_2d = 2 | 4 | 8 | 16 | 64;

// The last few records a kind of reference found and the handles they gave, so that entities
// that alternate between a handful of layers or styles do not each scan the table. A name too
// long for an entry is looked up every time. Names that no record has are kept too (most
// entities name no linetype at all), except for layers, whose table the load extends.
struct RefCache {
  struct Entry {
    bool valid = false;
    bool found = false;
    int16_t index = -1;
    char name[64] = {};
    TkHandle handle{};
  };
  static constexpr int kEntries = 8;
  Entry entries[kEntries];
  int next = 0;  // the entry the next miss replaces; entries fill in order
};

// A POLYLINE stored as read while its VERTEXes come, turned into one LWPOLYLINE at its SEQEND
// when nothing stands against it.
struct PendingPolyline {
  TkLink* polyline = nullptr;  // the stored POLYLINE; null while none is pending
  TkList* list = nullptr;
  TkBlob* vertices = nullptr;  // per vertex x, y, bulge, start and end width
  uint32_t count = 0;
  bool bulge_seen = false;
  bool widths_differ = false;
  bool cannot_convert = false;
  double start_width = 0;
  double end_width = 0;
  double last[3] = {};
};

struct EntityLoad {
  TkDrawing* d;
  TkList* model;
  TkList* paper;
  bool fresh_handles;
  bool in_block;
  RefCache layer, linetype, block, dimstyle, style;
  PendingPolyline pending;
};

// Where a table's records keep their name and handle.
struct TableShape {
  TkList* list;
  size_t name;
  size_t handle;
};

template <typename Record>
TableShape shape_of(TkList* list) {
  return TableShape{list, offsetof(Record, name), offsetof(Record, handle)};
}

const char* record_name(const TkLink* l, const TableShape& t) {
  return static_cast<const char*>(tk_link_data(l)) + t.name;
}

void record_handle(const TkLink* l, const TableShape& t, TkHandle* out) {
  std::memcpy(out, static_cast<const char*>(tk_link_data(l)) + t.handle, sizeof *out);
}

bool find_by_name(const TableShape& t, const char* name, TkHandle* out) {
  for (const TkLink* l = list_first(t.list); l; l = l->next) {
    if (l->size < t.name + 1) continue;
    if (tk_name_compare(record_name(l, t), name) == 0) {
      record_handle(l, t, out);
      return true;
    }
  }
  return false;
}

bool is_by_linetype(const char* name) {
  return tk_name_compare(name, "BYLAYER") == 0 || tk_name_compare(name, "BYBLOCK") == 0;
}

// The record at a table index, counting as older files do (the by-linetypes are not in their
// tables).
// The two space blocks lead the block list but are no records of an older file's BLOCK table,
// whose positions INSERTs and DIMENSIONs give.
bool is_space_block_name(const char* name) {
  return tk_name_compare(name, "*MODEL_SPACE") == 0 || tk_name_compare(name, "*PAPER_SPACE") == 0;
}

bool find_by_index(const TableShape& t, int16_t index, TkHandle* out, bool skip_by_linetypes,
                   bool skip_space_blocks = false) {
  if (index < 0) return false;
  int16_t n = 0;
  for (const TkLink* l = list_first(t.list); l; l = l->next) {
    if (skip_by_linetypes && is_by_linetype(record_name(l, t))) continue;
    if (skip_space_blocks && is_space_block_name(record_name(l, t))) continue;
    if (n++ == index) {
      record_handle(l, t, out);
      return true;
    }
  }
  return false;
}

// Looks a reference up by name or by index through its cache; found reports whether the record
// exists. The caller's table must not grow while misses are kept.
bool lookup(RefCache* cache, const TableShape& t, const char* name, int16_t index, bool by_name,
            TkHandle* out, bool skip_by_linetypes = false, bool skip_space_blocks = false,
            bool keep_misses = true) {
  for (const RefCache::Entry& e : cache->entries) {
    if (!e.valid) break;
    if (by_name ? tk_name_compare(e.name, name) == 0 : e.index == index) {
      if (e.found) *out = e.handle;
      return e.found;
    }
  }
  bool found =
      by_name ? find_by_name(t, name, out)
              : find_by_index(t, index, out, skip_by_linetypes, skip_space_blocks);
  if (!found && !keep_misses) return false;
  size_t length = by_name ? std::strlen(name) : 0;
  RefCache::Entry& e = cache->entries[cache->next];
  if (length >= sizeof e.name) return found;
  cache->next = (cache->next + 1) % RefCache::kEntries;
  e.valid = true;
  e.found = found;
  std::memcpy(e.name, by_name ? name : "", length + 1);
  e.index = index;
  if (found) e.handle = *out;
  return found;
}

void report_unresolved() {
  if (tk_state->error_callback) tk_state->error_callback(6);
}

// A layer the file names without defining it is made with the defaults, so the entity keeps its
// layer and the user sees it in the layer list.
int16_t create_layer(TkDrawing* d, const char* name, TkHandle* out) {
  TkLayerRecord record;
  tk_init_layer_record(d, &record);
  std::snprintf(record.name, sizeof record.name, "%s", name);
  if (!tk_next_handle(d, nullptr, 0, &record.handle)) return 0;
  if (!record_store_indexed(&record.handle, &d->index, &record, sizeof record, &d->layers,
                            TK_POS_END, nullptr))
    return 0;
  *out = record.handle;
  return 1;
}

int16_t resolve_references(EntityLoad* load, TkEntityHeader* h, TkEntityData* data) {
  TkDrawing* d = load->d;
  bool by_name = d->is_dxf != 0;
  if (!by_name && d->version >= TK_VERSION_AC1012) return 1;  // handles already
  TkPendingRefs& p = tk_state->pending;
  p.layer[sizeof p.layer - 1] = p.linetype[sizeof p.linetype - 1] = 0;
  p.block[sizeof p.block - 1] = p.dimstyle[sizeof p.dimstyle - 1] = 0;
  p.text_style[sizeof p.text_style - 1] = 0;

  const char* layer_name = p.layer[0] ? p.layer : "0";
  if (!lookup(&load->layer, shape_of<TkLayerRecord>(&d->layers), layer_name, p.layer_index, by_name,
              &h->layer, false, false, false)) {
    if (by_name) {
      if (!create_layer(d, layer_name, &h->layer)) return 0;
    } else {
      h->layer = TkHandle{};
    }
  }

  if (!by_name && p.linetype_index == linetype_bylayer_index) {
    h->linetype = d->bylayer_linetype;
  } else if (!by_name && p.linetype_index == linetype_byblock_index) {
    h->linetype = d->byblock_linetype;
  } else if (!lookup(&load->linetype, shape_of<TkLinetypeRecord>(&d->linetypes), p.linetype,
                     p.linetype_index, by_name, &h->linetype, true)) {
    h->linetype = d->bylayer_linetype;
  }

  // A text whose style the file does not define is shown in the drawing's first style.
  size_t style_place = 0;
  if (h->kind == TK_TEXT) style_place = TK_TEXT_ATTRS + text_attrs_style;
  if (h->kind == TK_ATTDEF || h->kind == TK_ATTRIB)
    style_place = TK_ATTDEF_ATTRS + text_attrs_style;
  if (style_place) {
    TkHandle style{};
    TableShape styles = shape_of<TkTextStyleRecord>(&d->styles);
    if (!lookup(&load->style, styles, p.text_style, p.style_index, by_name, &style) &&
        list_first(&d->styles))
      record_handle(list_first(&d->styles), styles, &style);
    tk_data_put(data, style_place, style);
  }

  size_t block_place = 0;
  if (h->kind == TK_INSERT) block_place = TK_INSERT_BLOCK;
  if (h->kind == TK_DIMENSION) block_place = TK_DIMENSION_BLOCK;
  if (block_place) {
    TkHandle block{};
    if (!lookup(&load->block, shape_of<TkBlockRecord>(&d->blocks), p.block, p.block_index, by_name,
                &block, false, true)) {
      report_unresolved();
      block = TkHandle{};
    }
    tk_data_put(data, block_place, block);
  }
  // ARCALIGNEDTEXT and RTEXT name a text style too. An ARCALIGNEDTEXT's record differs by reader
  // (the DWG reader keeps the style handle the file gives, the DXF reader the group 330 handle),
  // so there is no one field the name's handle could go to without overwriting another reader's
  // data. A DXF RTEXT fills the DWG reader's record but leaves its style field null: nothing
  // draws or writes an RTEXT's style yet, and the name is left.
  if (h->kind == TK_MTEXT) {
    TkHandle style{};
    TableShape styles = shape_of<TkTextStyleRecord>(&d->styles);
    if (!lookup(&load->style, styles, p.text_style, p.style_index, by_name, &style) &&
        list_first(&d->styles))
      record_handle(list_first(&d->styles), styles, &style);
    tk_data_put(data, TK_MTEXT_STYLE, style);
  }
  // An older DWG file names a SHAPE's font by its STYLE table position.
  if (h->kind == TK_SHAPE && !by_name) {
    TkHandle style{};
    if (!lookup(&load->style, shape_of<TkTextStyleRecord>(&d->styles), "", p.style_index, false,
                &style))
      style = TkHandle{};
    tk_data_put(data, TK_SHAPE_STYLE, style);
  }
  if (h->kind == TK_SHAPE && by_name) {
    p.shape[sizeof p.shape - 1] = 0;
    uint16_t number = 0;
    TkHandle style{};
    if (!tk_state->shape_lookup || !tk_state->shape_lookup(d, p.shape, &number, &style)) {
      number = 255;
      style = TkHandle{};
    }
    tk_data_put(data, TK_SHAPE_NUMBER, number);
    tk_data_put(data, TK_SHAPE_STYLE, style);
  }
  bool newer_dxf = by_name && d->version >= TK_VERSION_AC1012;
  if (newer_dxf && (h->kind == TK_LEADER || h->kind == TK_TOLERANCE)) {
    TkHandle style{};
    if (!lookup(&load->dimstyle, shape_of<TkDimStyleRecord>(&d->dimstyles), p.dimstyle, -1, true,
                &style)) {
      report_unresolved();
      style = TkHandle{};
    }
    tk_data_put(data, h->kind == TK_LEADER ? TK_LEADER_DIMSTYLE : TK_TOLERANCE_DIMSTYLE, style);
  }
  if (h->kind == TK_DIMENSION) {
    TkHandle style{};
    const char* name = p.dimstyle[0] ? p.dimstyle : "*UNNAMED";
    bool unnamed = by_name && tk_name_compare(name, "*UNNAMED") == 0;
    if (!unnamed && !lookup(&load->dimstyle, shape_of<TkDimStyleRecord>(&d->dimstyles), name,
                            p.dimstyle_index, by_name, &style)) {
      report_unresolved();
      style = TkHandle{};
    }
    tk_data_put(data, TK_DIMENSION_STYLE, style);
  }
  return 1;
}

// Stores the entity at the end of the list with its bookkeeping (handle index, block
// references, paper-space viewports) and gives its record. The stored record owns the entity's
// blobs from then on; on failure they are freed here.
TkLink* store_entity(TkDrawing* d, TkList* list, TkEntityHeader* h, TkEntityData* data) {
  // An INSERT of a block the file never defined keeps its place in the drawing rather than
  // failing the whole load.
  if (tk_add_entity_flags(d, list, h, data, TK_PACK_KEEP_UNRESOLVED)) return list_last(list);
  TkError error = tk_state->last_error;
  tk_free_entity_blobs(d, h, data);
  tk_fail(error ? error : TK_ERR_ADD_ENTITY);
  return nullptr;
}

void drop_pending(PendingPolyline* p) {
  blob_free(p->vertices);
  *p = PendingPolyline{};
}

int16_t start_pending(TkDrawing* d, PendingPolyline* p, TkLink* stored, TkList* list,
                      const TkEntityData* data) {
  p->polyline = stored;
  p->list = list;
  p->count = 0;
  p->bulge_seen = p->cannot_convert = false;
  p->start_width = tk_data_get<double>(data, polyline_start_width);
  p->end_width = tk_data_get<double>(data, polyline_end_width);
  p->widths_differ = p->start_width != p->end_width;
  // A class-less drawing has no LWPOLYLINE to turn into.
  p->cannot_convert = tk_class_lwpolyline(d) == 0;
  p->vertices = blob_alloc(TK_BLOB_CHUNK_SIZE);
  if (!p->vertices) return 0;
  return 1;
}

int16_t add_pending_vertex(PendingPolyline* p, const TkEntityHeader* h, const TkEntityData* data) {
  double point[3];
  for (int i = 0; i < 3; ++i) point[i] = tk_data_get<double>(data, 8 * i);
  if (p->count > 0 && std::memcmp(point, p->last, sizeof point) == 0) p->cannot_convert = true;
  if (h->xdata || (tk_data_get<uint16_t>(data, TK_VERTEX_FLAGS) & 2)) p->cannot_convert = true;
  double sw = tk_data_get<double>(data, vertex_start_width);
  double ew = tk_data_get<double>(data, vertex_end_width);
  if ((sw != 0 && sw != p->start_width) || (ew != 0 && ew != p->start_width))
    p->widths_differ = true;
  double bulge = tk_data_get<double>(data, vertex_bulge);
  if (bulge != 0) p->bulge_seen = true;
  std::memcpy(p->last, point, sizeof point);
  ++p->count;
  if (p->cannot_convert) return 1;
  TkBlob* w = blob_open_append(p->vertices);
  if (!w) return 0;
  double values[5] = {point[0], point[1], bulge, sw != 0 ? sw : p->start_width,
                      ew != 0 ? ew : p->end_width};
  int16_t ok = blob_write(w, values, sizeof values);
  return blob_close_append(w) && ok;
}

// Replaces the stored POLYLINE and its VERTEXes by one LWPOLYLINE under the POLYLINE's handle.
int16_t convert_pending(TkDrawing* d, PendingPolyline* p) {
  TkEntityHeader h{};
  TkEntityData poly;
  if (!entity_unpack(p->polyline, &h, &poly, nullptr, nullptr)) return 0;

  uint16_t pflags = tk_data_get<uint16_t>(&poly, polyline_flags);
  uint16_t flags = 0;
  if (h.flags & TK_ENTITY_EXTRUDED) flags |= TK_LWPL_EXTRUDED;
  if (std::fabs(h.thickness) >= 1e-10) {
    flags |= TK_LWPL_THICKNESS;
  } else {
    h.thickness = 0.0;
  }
  double elevation = tk_data_get<double>(&poly, polyline_elevation);
  if (std::fabs(elevation) >= 1e-10) {
    flags |= TK_LWPL_ELEVATION;
  } else {
    elevation = 0.0;
  }
  double width = p->start_width;
  if (!p->widths_differ && std::fabs(width) >= 1e-10) flags |= TK_LWPL_CONSTANT_WIDTH;
  if (p->widths_differ) flags |= TK_LWPL_WIDTHS;
  if (p->bulge_seen) flags |= TK_LWPL_BULGES;
  if (pflags & 128) flags |= TK_LWPL_PLINEGEN;
  if (pflags & 1) flags |= TK_LWPL_CLOSED;

  TkBlob* out = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = out ? blob_create(out) : nullptr;
  TkBlob* r = w ? blob_open_read(p->vertices) : nullptr;
  bool ok = r != nullptr;
  for (uint32_t i = 0; ok && i < p->count; ++i) {
    double v[5];
    ok = blob_read(r, v, sizeof v) && blob_write(w, v, 16) &&
         (!(flags & TK_LWPL_BULGES) || blob_write(w, &v[2], 8)) &&
         (!(flags & TK_LWPL_WIDTHS) || blob_write(w, &v[3], 16));
  }
  if (r) blob_close(r);
  if (w && !blob_close_write(w)) ok = false;
  if (!ok) {
    blob_free(out);
    return 0;
  }

  TkEntityData data;
  std::memset(data.bytes, 0, sizeof data.bytes);
  tk_data_put(&data, TK_LWPOLYLINE_FLAGS, flags);
  tk_data_put(&data, TK_LWPOLYLINE_COUNT, p->count);
  tk_data_put(&data, TK_LWPOLYLINE_WIDTH, (flags & TK_LWPL_CONSTANT_WIDTH) ? width : 0.0);
  tk_data_put(&data, TK_LWPOLYLINE_ELEVATION, elevation);
  tk_data_put(&data, TK_LWPOLYLINE_VERTICES, out);
  h.kind = tk_class_lwpolyline(d);

  // Take the POLYLINE and its VERTEXes out; the POLYLINE's own blobs pass to the LWPOLYLINE.
  TkList* list = p->list;
  TkLink* next = p->polyline->next;
  if (!tk_delete_entity(d, list, &h.handle, 0)) {
    blob_free(out);  // the POLYLINE stays, with its blobs
    return 0;
  }
  while (next) {
    TkEntityHeader vh{};
    TkEntityData vd;
    TkLink* l = next;
    next = l->next;
    if (!entity_unpack(l, &vh, &vd, nullptr, nullptr) ||
        !tk_delete_entity(d, list, &vh.handle, 1)) {
      tk_free_entity_blobs(d, &h, &data);
      return 0;
    }
  }
  return store_entity(d, list, &h, &data) ? 1 : 0;
}

// A file holds at least one byte per entity or object, so a walk that yields more records than
// the file has bytes is going round in circles.
uint32_t walk_bound(const TkDrawing* d) { return d->file ? file_length(d->file) + 1 : 0xFFFFFFFFu; }

// What goes with an entity once it is stored: its extended-data references to resolve at the
// end of the load, an INSERT of an older external-reference block noted for that block, and an
// MLINE of newer DXF noted for its style, which only the objects loaded later can give.
bool stored_bookkeeping(TkDrawing* d, TkList* list, const TkEntityHeader* h,
                        const TkEntityData* data, TkBlob* xdata) {
  if (!tk_collect_xdata_fixups(d, xdata)) return false;
  if (h->kind == TK_MLINE && d->is_dxf && d->version >= TK_VERSION_AC1012) {
    TkPendingRefs& p = tk_state->pending;
    p.mlinestyle[sizeof p.mlinestyle - 1] = 0;
    if (!tk_note_mline_style(d, list, &h->handle, p.mlinestyle)) return false;
  }
  if (h->kind == TK_INSERT && d->xref_blocks) {
    TkHandle block = tk_data_get<TkHandle>(data, TK_INSERT_BLOCK);
    if (!tk_note_xref_block_insert(d, &h->handle, &block)) return tk_fail(TK_ERR_ADD_ENTITY) != 0;
  }
  return true;
}

// Reads and stores one entity; its kind, or 0 at the end of the walk or on an error (the error
// then in the last error).
uint16_t tk_store_next_entity(EntityLoad* load, bool* failed) {
  TkDrawing* d = load->d;
  TkEntityHeader h{};
  TkEntityData data;
  // The DXF reader gives both records their defaults (tk_init_entity) before it reads a group
  // into them; the other readers fill a cleared record.
  if (!d->is_dxf) std::memset(data.bytes, 0, sizeof data.bytes);
  tk_clear_pending_refs(&tk_state->pending);
  uint8_t has_xdata = 0;
  // The reader marks entities the load passes over; the file's size bounds how many.
  for (uint32_t skipped = 0;; ++skipped) {
    tk_state->skip_entity = 0;
    if (!reader_call_read_entity(d, &h, &data, &has_xdata)) return 0;
    if (!tk_state->skip_entity) break;
    tk_free_entity_blobs(d, &h, &data);
    if (skipped >= walk_bound(d)) {
      *failed = true;
      return tk_fail(TK_ERR_LOAD_ENTITIES);
    }
    h = TkEntityHeader{};
    std::memset(data.bytes, 0, sizeof data.bytes);
    tk_clear_pending_refs(&tk_state->pending);
  }
  if (load->in_block) h.flags &= static_cast<uint8_t>(~TK_ENTITY_PAPER_SPACE);
  // Older drawings keep a paper-space viewport's settings in its extended data. One without it
  // keeps the settings its own groups gave (a writer of a later release may have put them
  // there): the application hears of it, and the drawing is not lost over one viewport.
  if (h.kind == TK_VIEWPORT && d->version < TK_VERSION_AC1015 && !has_xdata &&
      (h.flags & TK_ENTITY_PAPER_SPACE)) {
    const TkError step = tk_state->last_error;
    tk_fail(TK_ERR_VIEWPORT_NO_XDATA);
    if (tk_state->error_callback) tk_state->error_callback(6);
    tk_fail(step);
  }

  auto fail = [&](TkError error) -> uint16_t {
    tk_free_entity_blobs(d, &h, &data);
    if (error) tk_fail(error);
    *failed = true;
    return 0;
  };
  if (load->fresh_handles || (d->is_dxf && tk_handle_is_null(&h.handle)))
    if (!tk_next_handle(d, nullptr, 0, &h.handle)) return fail(0);
  if (!tk_fresh_handle_if_taken(d, &h.handle)) return fail(0);
  // A partial load keeps only the kinds the caller selected.
  if (d->load_mode == 2 && h.kind >= 1 && h.kind <= 31 && !tk_state->kind_selection[h.kind]) {
    tk_free_entity_blobs(d, &h, &data);
    return h.kind;
  }
  if (!resolve_references(load, &h, &data)) return fail(0);
  if (tk_state->entity_read_hook) tk_state->entity_read_hook(&h, &data);

  TkList* target = (h.flags & TK_ENTITY_PAPER_SPACE) ? load->paper : load->model;
  PendingPolyline& p = load->pending;
  uint16_t kind = h.kind;
  if (p.polyline && p.list != target) drop_pending(&p);

  if (tk_state->convert_polylines && p.polyline) {
    if (kind == TK_VERTEX) {
      if (!add_pending_vertex(&p, &h, &data)) return fail(TK_ERR_ADD_ENTITY);
    } else if (kind == TK_SEQEND && !p.cannot_convert) {
      tk_free_entity_blobs(d, &h, &data);  // the SEQEND is not kept
      int16_t ok = convert_pending(d, &p);
      drop_pending(&p);
      if (!ok) {
        *failed = true;
        return 0;
      }
      return kind;
    } else {
      drop_pending(&p);  // stays as read
    }
  }

  TkBlob* xdata = h.xdata;
  TkLink* stored = store_entity(d, target, &h, &data);
  if (!stored) {
    *failed = true;
    return 0;
  }
  if (!stored_bookkeeping(d, target, &h, &data, xdata)) {
    *failed = true;
    return 0;
  }
  if (tk_state->convert_polylines && kind == TK_POLYLINE &&
      !(tk_data_get<uint16_t>(&data, polyline_flags) & polyline_not_2d)) {
    if (!start_pending(d, &p, stored, target, &data)) {
      drop_pending(&p);
      *failed = true;
      return 0;
    }
  }
  return kind;
}

}  // namespace

int16_t tk_load_entity_list(TkDrawing* d, TkList* model, TkList* paper, bool fresh,
                            bool in_block) {
  EntityLoad load{d, model, paper, fresh, in_block, {}, {}, {}, {}, {}, {}};
  uint32_t bound = walk_bound(d);
  int16_t last_percent = -1;
  bool failed = false;
  for (uint32_t n = 1;; ++n) {
    if (tk_state->load_continue != 1) break;
    if (n > bound) {
      failed = true;
      break;
    }
    uint16_t kind = tk_store_next_entity(&load, &failed);
    if (kind == 0) break;
    if (in_block && kind == TK_ENDBLK) break;
    if (!in_block && n % 10 == 0 && tk_state->progress) {
      int16_t percent = tk_read_progress(d);
      percent = static_cast<int16_t>(percent / 5 * 5);
      if (percent > 100) percent = 100;
      if (percent != last_percent) {
        last_percent = percent;
        tk_report_load_progress(d, static_cast<int16_t>(46 + percent / 4));
      }
    }
  }
  drop_pending(&load.pending);
  if (!failed) return 1;
  TkError error = tk_state->last_error;
  tk_free_entity_list(d, model);
  if (paper != model) tk_free_entity_list(d, paper);
  tk_fail(error);
  return 0;
}

namespace {

bool is_space_block(const TkDrawing* d, const TkBlockRecord* b) {
  return b->entities == &d->model_entities || b->entities == &d->paper_entities;
}

}  // namespace

int16_t tk_resolve_linetype_ref(TkDrawing* drawing, const TkPendingRefs* refs, TkHandle* out) {
  if (!drawing->is_dxf && refs->linetype_index == linetype_bylayer_index) {
    *out = drawing->bylayer_linetype;
    return 1;
  }
  if (!drawing->is_dxf && refs->linetype_index == linetype_byblock_index) {
    *out = drawing->byblock_linetype;
    return 1;
  }
  TableShape t = shape_of<TkLinetypeRecord>(&drawing->linetypes);
  bool found = drawing->is_dxf ? find_by_name(t, refs->linetype, out)
                               : find_by_index(t, refs->linetype_index, out, true);
  return found ? 1 : 0;
}

void tk_set_load_flags(TkDrawing* d) {
  bool own_seed = d->has_file_seed != 0;
  uint8_t space = 0, block = 0;
  if (d->version < TK_VERSION_AC1012) {
    space = block = 1;
    bool may_keep = !d->second_load && !tk_state->renumber_handles;
    if (may_keep && d->version == TK_VERSION_AC1009 && own_seed) {
      space = block = 0;
    } else if (may_keep && d->version == TK_VERSION_AC1006) {
      if (!d->is_dxf) {
        space = block = own_seed ? 0 : 1;
      } else {
        block = 1;
        space = own_seed ? 0 : 1;
      }
    }
  }
  d->fresh_space_handles = space;
  d->fresh_block_handles = block;
}

int16_t tk_load_entities(TkDrawing* drawing) {
  if (!reader_call_begin_entities(drawing)) return 0;
  return tk_load_entity_list(drawing, &drawing->model_entities, &drawing->paper_entities,
                          drawing->fresh_space_handles != 0, false);
}

int16_t tk_load_block_entities(TkDrawing* drawing) {
  int32_t n = list_count(&drawing->blocks);
  int32_t i = 0;
  for (TkLink* l = list_first(&drawing->blocks); l; l = l->next) {
    ++i;
    tk_report_load_progress(drawing, static_cast<int16_t>(i * 25.0 / n + 71.0));
    auto* b = static_cast<TkBlockRecord*>(tk_link_data(l));
    if (is_space_block(drawing, b) || !b->entities || list_count(b->entities) > 0) continue;
    drawing->reading_block = b;
    bool ok = reader_call_begin_block_entities(drawing) &&
              tk_load_entity_list(drawing, b->entities, b->entities,
                                  drawing->fresh_block_handles != 0, true);
    drawing->reading_block = nullptr;
    if (!ok) return tk_fail(TK_ERR_LOAD_BLOCK_ENTITIES);
  }
  return 1;
}

int16_t tk_fresh_handle_if_taken(TkDrawing* drawing, TkHandle* handle) {
  if (tk_handle_is_null(handle) || !hidx_lookup(&drawing->index, handle)) return 1;
  const TkHandle taken = *handle;
  // A seed below the file's own handles could hand out another taken one; each is passed over.
  do {
    if (!tk_next_handle(drawing, nullptr, 0, handle)) return 0;
  } while (hidx_lookup(&drawing->index, handle));
  tk_fail_handle(TK_ERR_DUPLICATE_HANDLE, taken.bytes);
  if (tk_state->error_callback) tk_state->error_callback(6);
  return 1;
}

int16_t tk_load_objects(TkDrawing* drawing) {
  if (drawing->version < TK_VERSION_AC1012) return 1;
  if (!reader_call_begin_objects(drawing)) return 0;
  uint32_t bound = walk_bound(drawing);
  for (uint32_t n = 1;; ++n) {
    int16_t kind = reader_call_next_object_kind(drawing);
    if (kind == TK_OBJECT_KIND_NONE) return 1;
    if (n > bound) return 0;
    TkObjectHeader header{};
    TkObjectData data;
    std::memset(&data, 0, sizeof data);
    header.type = static_cast<uint16_t>(kind);
    tk_init_object(drawing, &header, &data);
    uint8_t has_xdata = 0;
    int16_t ok;
    switch (kind) {
      case TK_OBJECT_KIND_DICTIONARY:
        ok = reader_call_read_dictionary(drawing, &header, &data, &has_xdata);
        break;
      case TK_OBJECT_KIND_MLINESTYLE:
        ok = reader_call_read_mlinestyle(drawing, &header, &data, &has_xdata);
        break;
      case TK_OBJECT_KIND_GROUP:
        ok = reader_call_read_group(drawing, &header, &data, &has_xdata);
        break;
      case TK_OBJECT_KIND_PLOTSETTINGS:
        ok = reader_call_read_plotsettings(drawing, &header, &data, &has_xdata);
        break;
      default: ok = reader_call_read_object(drawing, &header, &data, &has_xdata); break;
    }
    if (ok) ok = tk_fresh_handle_if_taken(drawing, &header.handle);
    if (!ok || !tk_object_add(drawing, &header, &data)) {
      tk_object_free_data(drawing, &header, &data);
      return 0;
    }
  }
}

namespace {

// A dictionary object with the given entries, stored under the handle with its owner.
int16_t add_dictionary(TkDrawing* d, const TkHandle& handle, const TkHandle& owner,
                       const char* const* names, const TkHandle* objects, uint32_t count) {
  TkObjectHeader h{};
  TkObjectData data;
  h.type = TK_OBJ_DICTIONARY;
  tk_init_object(d, &h, &data);
  h.handle = handle;
  h.owner = owner;
  data.dictionary.entries = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = data.dictionary.entries ? blob_create(data.dictionary.entries) : nullptr;
  bool ok = w != nullptr;
  for (uint32_t i = 0; ok && i < count; ++i) {
    TkDictEntry entry{};
    std::snprintf(entry.name, sizeof entry.name, "%s", names[i]);
    entry.object = objects[i];
    ok = tk_dict_entry_write(w, &entry) != 0;
  }
  if (w && !blob_close_write(w)) ok = false;
  data.dictionary.entry_count = count;
  if (ok && tk_object_add(d, &h, &data)) return 1;
  tk_object_free_data(d, &h, &data);
  return 0;
}

int16_t add_standard_mlinestyle(TkDrawing* d, const TkHandle& handle, const TkHandle& owner) {
  TkObjectHeader h{};
  TkObjectData data;
  h.type = TK_OBJ_MLINESTYLE;
  tk_init_object(d, &h, &data);
  h.handle = handle;
  h.owner = owner;
  std::snprintf(data.mlinestyle.name, sizeof data.mlinestyle.name, "Standard");
  const TkMlineElement elements[2] = {{256, linetype_bylayer_index, 0.5},
                                      {256, linetype_bylayer_index, -0.5}};
  data.mlinestyle.elements = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = data.mlinestyle.elements ? blob_create(data.mlinestyle.elements) : nullptr;
  bool ok = w != nullptr;
  for (const TkMlineElement& e : elements) {
    ok = ok && blob_write_short_raw(w, e.colour) && blob_write_short_raw(w, e.linetype) &&
         blob_write_zeros(w, 4) && blob_write_double(w, e.offset);
  }
  if (w && !blob_close_write(w)) ok = false;
  data.mlinestyle.element_count = 2;
  if (ok && tk_object_add(d, &h, &data)) return 1;
  tk_object_free_data(d, &h, &data);
  return 0;
}

}  // namespace

int16_t tk_create_default_objects(TkDrawing* drawing, const TkHandle* handles) {
  TkHandle h[4];
  for (int i = 0; i < 4; ++i) {
    if (handles) {
      h[i] = handles[i];
    } else if (!tk_next_handle(drawing, nullptr, 0, &h[i])) {
      return tk_fail(TK_ERR_DEFAULT_OBJECTS);
    }
  }
  const TkHandle none{};
  const char* const root_names[] = {"ACAD_GROUP", "ACAD_MLINESTYLE"};
  const char* const style_names[] = {"Standard"};
  int added = 0;
  bool ok = add_dictionary(drawing, h[0], none, root_names, &h[1], 2) && ++added &&
            add_dictionary(drawing, h[1], h[0], nullptr, nullptr, 0) && ++added &&
            add_dictionary(drawing, h[2], h[0], style_names, &h[3], 1) && ++added &&
            add_standard_mlinestyle(drawing, h[3], h[2]) && ++added;
  if (!ok) {
    for (int i = 0; i < added; ++i) tk_object_delete(drawing, &h[i]);
    return tk_fail(TK_ERR_DEFAULT_OBJECTS);
  }
  drawing->named_objects = h[0];
  drawing->group_dictionary = h[1];
  drawing->mlinestyle_dictionary = h[2];
  return 1;
}

int16_t tk_add_default_objects_on_load(TkDrawing* drawing) {
  if (drawing->version >= TK_VERSION_AC1012) return 1;
  return tk_create_default_objects(drawing, nullptr);
}

int16_t tk_find_plotstyle_dictionary(TkDrawing* drawing) {
  TkHandle named = drawing->named_objects;
  if (tk_handle_is_null(&named) &&
      !tk_object_first_of_type(drawing, TK_OBJ_DICTIONARY, &named))
    return 0;
  return tk_dict_lookup(drawing, &named, "ACAD_PLOTSTYLENAME", &drawing->plotstyle_dictionary);
}

// The POLYLINE and VERTEX places the records of every release share.
namespace {
enum : size_t {
  kPolylineElevation = 0,
  kPolylineStartWidth = 8,
  kPolylineEndWidth = 16,
  kPolylineFlags = 34,
  kVertexZ = 16,
  kVertexStartWidth = 32,
  kVertexEndWidth = 40,
  kVertexStartGiven = 48,
  kVertexEndGiven = 50,
  kVertexBulge = 56,
};
constexpr size_t kExpandedBytes = 128;  // what a POLYLINE, VERTEX or SEQEND record holds
}  // namespace

void tk_lwpline_to_polyline(const TkEntityHeader* header, const TkEntityData* data,
                            TkEntityHeader* polyline, TkEntityData* polyline_data,
                            TkLwplineWalk* walk) {
  uint16_t stored = tk_data_get<uint16_t>(data, TK_LWPOLYLINE_FLAGS);
  walk->bulges = stored & TK_LWPL_BULGES;
  walk->widths = stored & TK_LWPL_WIDTHS;
  walk->per = 2 + (walk->bulges ? 1 : 0) + (walk->widths ? 2 : 0);
  TkBlob* blob = tk_data_blob(data, TK_LWPOLYLINE_VERTICES);
  walk->reader = blob ? blob_open_read(blob) : nullptr;
  int32_t length = walk->reader ? blob_length(walk->reader) : 0;
  walk->count = tk_data_get<uint32_t>(data, TK_LWPOLYLINE_COUNT);
  if (uint64_t(walk->count) * walk->per * 8 > uint64_t(length))
    walk->count = uint32_t(length / int32_t(walk->per * 8));
  walk->elevation = tk_data_get<double>(data, TK_LWPOLYLINE_ELEVATION);
  double width = tk_data_get<double>(data, TK_LWPOLYLINE_WIDTH);
  *polyline = *header;
  polyline->reactors = nullptr;
  polyline->reactor_count = 0;
  polyline->kind = TK_POLYLINE;
  std::memset(polyline_data->bytes, 0, sizeof polyline_data->bytes);
  tk_data_put(polyline_data, kPolylineElevation, walk->elevation);
  tk_data_put(polyline_data, kPolylineStartWidth, width);
  tk_data_put(polyline_data, kPolylineEndWidth, width);
  tk_data_put<uint16_t>(polyline_data, kPolylineFlags,
                        uint16_t(((stored & TK_LWPL_CLOSED) ? 1 : 0) |
                                 ((stored & TK_LWPL_PLINEGEN) ? 128 : 0)));
}

void tk_lwpline_vertex_init(TkEntityHeader* vertex) {
  vertex->xdata = nullptr;
  vertex->thickness = 0.0;
  vertex->flags = uint8_t(vertex->flags & ~TK_ENTITY_EXTRUDED);
}

bool tk_lwpline_read_vertex(TkLwplineWalk* walk, TkEntityHeader* vertex, TkEntityData* data) {
  if (!walk->reader || walk->count == 0) return false;
  double v[5];
  if (!blob_read(walk->reader, v, walk->per * 8)) return false;
  --walk->count;
  std::memset(data->bytes, 0, kExpandedBytes);
  vertex->kind = TK_VERTEX;
  tk_data_put(data, 0, v[0]);
  tk_data_put(data, 8, v[1]);
  tk_data_put(data, kVertexZ, walk->elevation);
  size_t k = 2;
  if (walk->bulges) tk_data_put(data, kVertexBulge, v[k++]);
  if (walk->widths) {
    tk_data_put(data, kVertexStartWidth, v[k]);
    tk_data_put(data, kVertexEndWidth, v[k + 1]);
    tk_data_put<uint16_t>(data, kVertexStartGiven, 1);
    tk_data_put<uint16_t>(data, kVertexEndGiven, 1);
  }
  return true;
}

void tk_lwpline_seqend(TkLwplineWalk* walk, TkEntityHeader* seqend, TkEntityData* data) {
  if (walk->reader) blob_close(walk->reader);
  walk->reader = nullptr;
  seqend->kind = TK_SEQEND;
  std::memset(data->bytes, 0, kExpandedBytes);
}
