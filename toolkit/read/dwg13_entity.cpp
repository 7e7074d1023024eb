// The entity walk of the bit-stream releases and the data every entity shares. Entities are not
// stored in file order but chained by handles: paper space, then model space, each block from
// its BLOCK to its ENDBLK, complex entities through their sub-entities to their SEQEND. A chain
// that names an object the map does not hold, or that runs longer than the map has objects, ends
// the walk with an error instead of reading on from wherever the file happens to stand.
#include "toolkit/read/dwg13_entity.h"

#include <cstring>
#include <cstdio>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/list.h"
#include "toolkit/core/load.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/bits_reader.h"
#include "toolkit/read/dwg13_file.h"
#include "toolkit/read/dwg13_object.h"
#include "toolkit/read/dwg13_object_read.h"
#include "toolkit/read/dwg13_xdata.h"

namespace {

constexpr uint8_t flag_paper_space = 1;
constexpr uint8_t flag_invisible = 4;

bool same(const TkHandle& a, const TkHandle& b) { return std::memcmp(a.bytes, b.bytes, 8) == 0; }
bool is_null(const TkHandle& h) { return tk_handle_is_null(&h); }

struct CodeKind {
  uint16_t first, last, kind;
};
const CodeKind code_kinds[] = {
    {1, 1, TK_TEXT},         {2, 2, TK_ATTRIB},      {3, 3, TK_ATTDEF},
    {4, 4, TK_BLOCK},        {5, 5, TK_ENDBLK},      {6, 6, TK_SEQEND},
    {7, 8, TK_INSERT},       {10, 14, TK_VERTEX},    {15, 16, TK_POLYLINE},
    {17, 17, TK_ARC},        {18, 18, TK_CIRCLE},    {19, 19, TK_LINE},
    {20, 26, TK_DIMENSION},  {27, 27, TK_POINT},     {28, 28, TK_3DFACE},
    {29, 30, TK_POLYLINE},   {31, 31, TK_SOLID},     {32, 32, TK_TRACE},
    {33, 33, TK_SHAPE},      {34, 34, TK_VIEWPORT},  {35, 35, TK_ELLIPSE},
    {36, 36, TK_SPLINE},     {37, 37, TK_REGION},    {38, 38, TK_3DSOLID},
    {39, 39, TK_BODY},       {40, 40, TK_RAY},       {41, 41, TK_XLINE},
    {44, 44, TK_MTEXT},      {45, 45, TK_LEADER},    {46, 46, TK_TOLERANCE},
    {47, 47, TK_MLINE},
};

// The range of the block record in the ranges the block-header reader noted; null when none.
const Dwg13BlockRange* find_range(const Dwg13Objects* o, const TkHandle& record) {
  for (size_t i = 0; i < o->range_count; ++i)
    if (same(o->ranges[i].block_record, record)) return &o->ranges[i];
  return nullptr;
}

void first_layer(TkDrawing* d, TkHandle* out) {
  const TkLink* l = list_first(&d->layers);
  if (l) std::memcpy(out, &static_cast<const TkLayerRecord*>(tk_link_data(l))->handle, 8);
}

// The walk's end: no error when the chain simply ran out.
int16_t walk_over(Dwg13Walk* w) {
  w->next = TkHandle{};
  w->pass = 1;
  return 0;
}

// Decides which entity comes after the one just read.
void choose_next(Dwg13Objects* o, uint16_t kind, const TkHandle& own) {
  Dwg13Walk& w = o->walk;
  const Dwg13EntityScratch& e = o->entity;
  bool complex = false;
  bool last_of_block = w.in_block && same(own, w.block.last);
  switch (kind) {
    case TK_INSERT:
    case TK_POLYLINE: {
      bool has_subs = kind == TK_POLYLINE || e.has_attributes;
      w.resume = e.next;
      if (last_of_block) w.resume = w.block.endblk;
      if (!has_subs) {
        w.next = w.resume;
        break;
      }
      complex = true;
      w.last_sub = e.last_sub;
      w.seqend = e.seqend;
      w.next = is_null(e.first_sub) ? e.seqend : e.first_sub;
      break;
    }
    case TK_VERTEX:
    case TK_ATTRIB:
      w.next = same(own, w.last_sub) ? w.seqend : e.next;
      break;
    case TK_BLOCK:
      w.next = is_null(w.block.first) ? w.block.endblk : w.block.first;
      break;
    case TK_SEQEND:
      w.next = w.resume;
      if (w.end_flag == 1) w.next = w.block.endblk;
      if (w.end_flag == 2) w.next = TkHandle{};
      w.end_flag = 0;
      break;
    default:
      w.next = e.next;
      break;
  }
  // The end of a chain waits for the SEQEND of a complex entity that stands last.
  if (kind == TK_VERTEX || kind == TK_ATTRIB || kind == TK_SEQEND) return;
  if (!w.in_block) {
    const Dwg13BlockRange& space = w.pass == 0 ? o->paper : o->model;
    if (same(own, space.last)) {
      if (complex) {
        w.end_flag = 2;
      } else {
        w.next = TkHandle{};
      }
    }
  } else if (last_of_block && kind != TK_ENDBLK) {
    if (complex) {
      w.end_flag = 1;
    } else {
      w.next = w.block.endblk;
    }
  }
}

}  // namespace

uint16_t dwg13_kind_of_code(uint16_t code) {
  for (const CodeKind& c : code_kinds)
    if (code >= c.first && code <= c.last) return c.kind;
  return 0;
}

void dwg_read_extrusion13(TkBitReader* r, double out[3]) {
  bits_read_3bd(r, out);
  if (out[0] == 0.0 && out[1] == 0.0) out[2] = out[2] > 0.0 ? 1.0 : -1.0;
}

void dwg_read_extrusion(TkBitReader* r, double out[3]) {
  if (bits_read_bit(r)) {
    out[0] = out[1] = 0.0;
    out[2] = 1.0;
    return;
  }
  dwg_read_extrusion13(r, out);
}

double dwg_read_thickness(TkBitReader* r) { return bits_read_bit(r) ? 0.0 : bits_read_double(r); }

int16_t dwg_rewind(TkDrawing* d) {
  Dwg13Objects* o = dwg13_objects(d);
  // Load progress is measured over the object area, where the entities stand.
  if (Dwg13File* f = dwg13_file(d)) {
    d->progress_start = 0;
    d->progress_end = f->objmap_seeker;
  }
  if (!dwg13_read_space_ranges(d) || !dwg13_ensure_fixed_classes(d)) return 0;
  Dwg13Walk& w = o->walk;
  w = Dwg13Walk{};
  ++o->walks;
  w.pass = 0;
  w.next = o->paper.first;
  if (!is_null(w.next)) dwg_objmap_seek(d, &w.next);
  return 1;
}

int16_t dwg_begin_block_entities(TkDrawing* d) {
  Dwg13Objects* o = dwg13_objects(d);
  Dwg13Walk& w = o->walk;
  w = Dwg13Walk{};
  ++o->walks;
  w.pass = 1;
  w.in_block = 1;
  if (!dwg13_ensure_fixed_classes(d)) return 0;
  const Dwg13BlockRange* range =
      d->reading_block ? find_range(o, d->reading_block->handle) : nullptr;
  if (!range) return 1;  // nothing known of the block: its walk is empty
  w.block = *range;
  w.next = range->block;
  return 1;
}

int16_t dwg_read_entity(TkDrawing* d, TkEntityHeader* h, TkEntityData* data, uint8_t* xd) {
  return dwg_read_entity_body(d, h, data, xd);
}

namespace {

constexpr int16_t kPassedOver = 2;

// One entity of the walk: 1 delivered, 0 the walk is over, kPassedOver for an entity of a code
// that has no body reader (old OLE frames and the like, or an object in a damaged chain): its
// data is passed over by the size its frame gives, and its own handle stream gives the links on.
int16_t read_one_entity(TkDrawing* d, TkEntityHeader* h, TkEntityData* data, uint8_t* xd) {
  TkBitReader* r = dwg13_bits(d);
  Dwg13Objects* o = dwg13_objects(d);
  Dwg13Walk& w = o->walk;
  Dwg13EntityScratch& e = o->entity;
  blob_free(e.graphics);
  e = Dwg13EntityScratch{};
  if (xd) *xd = 0;

  if (is_null(w.next)) {
    if (w.pass == 1 || w.in_block || is_null(o->model.first)) return walk_over(&w);
    w.next = o->model.first;
    w.pass = 1;
  }
  // Each entity is one object of the map: a walk longer than that goes round in circles, and
  // walks longer than that together go over the same entities again (blocks whose chains all
  // run into one long chain would cost blocks times objects).
  uint32_t objects = static_cast<uint32_t>(dwg13_object_count(d));
  if (++w.steps > objects + 1 || ++o->walked > objects + o->walks ||
      !dwg_objmap_seek(d, &w.next)) {
    tk_fail_handle(TK_ERR_BAD_ENTITY, w.next.bytes);
    return walk_over(&w);
  }
  TkHandle expected = w.next;

  uint8_t has_xdata = 0;
  TkHandle handle;
  uint16_t code = dwg_read_object_start(d, &handle, &has_xdata, 1, &e.graphics);
  if (code == 0) return walk_over(&w);
  if (!same(handle, expected)) {
    tk_fail_handle(TK_ERR_BAD_ENTITY, expected.bytes);
    return walk_over(&w);
  }
  if (d->version >= TK_VERSION_AC1014) {
    if (code == DWG13_TYPE_OLE2FRAME) code = tk_class_ole2frame(d);
    if (code == DWG13_TYPE_LWPOLYLINE) code = tk_class_lwpolyline(d);
    if (code == DWG13_TYPE_HATCH) code = tk_class_hatch(d);
  }
  uint16_t kind = code > 497 ? code : dwg13_kind_of_code(code);
  std::memset(h, 0, sizeof *h);
  std::memset(data->bytes, 0, sizeof data->bytes);
  h->kind = kind;
  tk_init_entity(d, h, data);
  h->handle = handle;
  if (w.pass == 0 && !w.in_block) h->flags |= flag_paper_space;

  // The entity-mode bits: which space the entity lies in, or an owner of its own.
  uint8_t first = bits_read_bit(r), second = bits_read_bit(r);
  e.this_space = (w.pass == 0 && !w.in_block) ? second : first;
  e.owner_present = first == 0 && second == 0;
  e.reactor_count = static_cast<uint32_t>(bits_read_long(r));
  if (d->version < TK_VERSION_AC1015) {
    e.linetype_by_layer = bits_read_bit(r);
    e.no_links = bits_read_bit(r);
    h->colour = static_cast<uint16_t>(bits_read_short(r));
    h->linetype_scale = bits_read_double(r);
    if (bits_read_short(r) == 1) h->flags |= flag_invisible;
  } else {
    e.no_links = bits_read_bit(r);
    h->colour = static_cast<uint16_t>(bits_read_short(r));
    h->linetype_scale = bits_read_double(r);
    e.linetype_flags = static_cast<uint8_t>(bits_read_bit(r) << 1);
    e.linetype_flags = static_cast<uint8_t>(e.linetype_flags | bits_read_bit(r));
    e.plot_style_flags = static_cast<uint8_t>(bits_read_bit(r) << 1);
    e.plot_style_flags = static_cast<uint8_t>(e.plot_style_flags | bits_read_bit(r));
    if (bits_read_short(r) == 1) h->flags |= flag_invisible;
    h->lineweight = lineweight_from_code(bits_read_char(r));
  }

  if (kind == 0) {
    uint32_t rest = dwg13_bits_left(r);
    if (rest) bits_skip(r, rest);
    bool read = dwg_read_entity_common(d, h) != 0 && !r->past_end;
    tk_free_entity_blobs(d, h, data);
    if (!read) {
      tk_fail_handle(TK_ERR_BAD_ENTITY, expected.bytes);
      return walk_over(&w);
    }
    choose_next(o, kind, handle);
    return kPassedOver;
  }
  bool ok = code > 497 ? dwg13_read_class_entity(d, code, h, data) != 0
                       : dwg13_read_entity_fields(d, code, h, data) != 0;
  if (ok && has_xdata) {
    ok = eed13_to_blob(dwg13_xdata_buffer(), dwg13_xdata_length(d), &h->xdata) != 0;
    if (xd) *xd = h->xdata != nullptr;
  }
  if (!ok) {
    tk_free_entity_blobs(d, h, data);
    tk_fail_alloc(TK_ERR_BAD_ENTITY);
    return walk_over(&w);
  }

  bool extruded = !(h->extrusion[0] == 0.0 && h->extrusion[1] == 0.0 && h->extrusion[2] == 1.0);
  if (extruded) {
    h->flags |= TK_ENTITY_EXTRUDED;
  } else {
    h->flags &= static_cast<uint8_t>(~TK_ENTITY_EXTRUDED);
  }
  choose_next(o, kind, h->handle);
  if ((kind == TK_BLOCK || kind == TK_ENDBLK) && is_null(h->layer)) first_layer(d, &h->layer);
  return 1;
}

}  // namespace

int16_t dwg_read_entity_body(TkDrawing* d, TkEntityHeader* h, TkEntityData* data, uint8_t* xd) {
  // The walk's step bound ends a chain of nothing but passed-over entities.
  for (;;) {
    int16_t got = read_one_entity(d, h, data, xd);
    if (got != kPassedOver) return got;
  }
}

int16_t dwg_read_entity_common(TkDrawing* d, TkEntityHeader* h) {
  TkBitReader* r = dwg13_bits(d);
  Dwg13Objects* o = dwg13_objects(d);
  Dwg13EntityScratch& e = o->entity;
  TkHandle owner{};
  bool viewport = h->kind == TK_VIEWPORT;
  if ((!viewport && e.this_space == 0) || (viewport && e.owner_present))
    bits_read_handle_rel(r, &h->handle, &owner);
  h->reactor_count = 0;
  if (!dwg_read_reactors(r, e.reactor_count, &h->reactors)) return 0;
  if (h->reactors) h->reactor_count = e.reactor_count;
  bits_read_handle(r, &h->xdictionary);

  auto read_links = [&] {
    if (e.no_links) {
      TkHandle one{};
      one.bytes[7] = 1;
      handle_sub(&h->handle, &one, &e.previous);
      handle_add(&h->handle, &one, &e.next);
    } else {
      bits_read_handle_rel(r, &h->handle, &e.previous);
      bits_read_handle_rel(r, &h->handle, &e.next);
    }
  };
  if (d->version < TK_VERSION_AC1015) {
    bits_read_handle(r, &h->layer);
    if (e.linetype_by_layer) {
      h->linetype = d->bylayer_linetype;
    } else {
      bits_read_handle(r, &h->linetype);
    }
    read_links();
  } else {
    read_links();
    bits_read_handle(r, &h->layer);
    switch (e.linetype_flags) {
      case 0: h->linetype = d->bylayer_linetype; break;
      case 1: h->linetype = d->byblock_linetype; break;
      case 2: {
        Dwg13File* f = dwg13_file(d);
        if (f && !tk_handle_is_null(&f->held[DWG13_HELD_CONTINUOUS])) {
          h->linetype = f->held[DWG13_HELD_CONTINUOUS];
        } else {
          std::memcpy(h->linetype.bytes, tk_state->continuous_linetype_handle, 8);
        }
        break;
      }
      default: bits_read_handle(r, &h->linetype); break;
    }
    if (e.plot_style_flags == 3) {
      bits_read_handle(r, &h->plot_style);
    } else if (e.plot_style_flags < 2) {
      h->plot_style = TkHandle{};
    }
  }
  return 1;
}
