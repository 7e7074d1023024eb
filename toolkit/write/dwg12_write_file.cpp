// The file layout of DWG AC1002 to AC1009 as written: the fixed header with the header
// variables (placed by the same table the reader takes them with), the entity section (model
// space, then paper space), the table sections, the block-entity section and, for AC1009, the
// end sentinels and the auxiliary header. Section positions, BLOCK offsets, the viewport chain
// and the header CRC are known only at the end: they are patched over their places then.
#include <cstdio>
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/list.h"
#include "toolkit/core/load_entities.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/dwg_old_file.h"
#include "toolkit/write/crc16.h"
#include "toolkit/write/dwg12_write.h"
#include "toolkit/write/dwg12_write_body.h"
#include "toolkit/write/dwg_write.h"
#include "toolkit/write/save.h"

namespace {

const uint16_t kHeaderSize[5] = {929, 981, 1007, 1310, 1727};
const uint8_t kSubversion[5] = {0x72, 0x7A, 0x81, 0xA0, 0xCD};
const char* const kVersionNames[5] = {"AC1002", "AC1003", "AC1004", "AC1006", "AC1009"};
// Where the writer context keeps each table's record size.
const int kSizeSlot[DWG12_TABLE_COUNT] = {0, 6, 1, 2, 3, 4, 5, 8, 7, 9};

const uint8_t kEndSentinels[64] = {
    0x8D, 0xD4, 0x82, 0x13, 0xC1, 0x73, 0x77, 0x93, 0x85, 0x8D, 0xF5, 0x02, 0x37, 0x93, 0x7B, 0xD9,
    0xD5, 0xF9, 0xD3, 0xBB, 0x0A, 0xA9, 0x69, 0xA6, 0xCD, 0x1C, 0x87, 0xC7, 0xEE, 0x80, 0x4B, 0x17,
    0x2A, 0x06, 0x2C, 0x44, 0xF5, 0x56, 0x96, 0x59, 0x32, 0xE3, 0x78, 0x38, 0x11, 0x7F, 0xB4, 0xE8,
    0x29, 0x8D, 0xD1, 0x49, 0xA9, 0x73, 0x1F, 0xEA, 0x99, 0xDE, 0x32, 0xF9, 0x4D, 0x0A, 0xE0, 0x19};
const uint8_t kAuxEndSentinel[16] = {0xD6, 0x72, 0x2E, 0xB6, 0x56, 0x8C, 0xE0, 0x15,
                                     0x66, 0x21, 0xCD, 0x06, 0xB2, 0xF5, 0x1F, 0xE6};
constexpr uint16_t kHeaderXor = 0x6718;
constexpr uint16_t kAuxXor = 0xA904;
constexpr size_t kStageFlush = size_t(1) << 18;

bool same(const TkHandle& a, const TkHandle& b) { return tk_handle_compare(&a, &b) == 0; }

void put16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

bool is_space(const Dwg12Out& o, const TkHandle& h) {
  return same(h, o.model_record) || same(h, o.paper_record);
}

// A paper space of a layout other than the one the release has.
bool is_other_paper_space(const Dwg12Out& o, const TkBlockRecord& b) {
  return !is_space(o, b.handle) && tk_name_compare_n(b.name, "*PAPER_SPACE", 12) == 0;
}

uint16_t kind_of(const TkLink* l) {
  uint16_t kind;
  std::memcpy(&kind, static_cast<const uint8_t*>(tk_link_data(l)) + TK_STORED_KIND, 2);
  return kind;
}

TkHandle handle_of(const TkLink* l) {
  TkHandle h;
  std::memcpy(h.bytes, static_cast<const uint8_t*>(tk_link_data(l)) + TK_STORED_HANDLE, 8);
  return h;
}

// Whether the release holds the stored entity; only a SHAPE needs its data to say.
bool writable(Dwg12Out& o, const TkLink* l) {
  uint16_t kind = kind_of(l);
  if (kind == TK_SHAPE && !entity_unpack(l, o.scratch_header, o.scratch_data, nullptr, nullptr))
    return false;
  TkEntityHeader h{};
  h.kind = kind;
  return tk_entity_kind_writable(kind == TK_SHAPE ? o.scratch_header : &h, o.scratch_data, o.d,
                                 o.version) != 0;
}

// The largest handle of the entities of a list the release holds, and the records its
// LWPOLYLINEs add.
void scan_list(Dwg12Out& o, TkList* list, TkHandle* largest, uint32_t* added) {
  uint16_t lw = tk_class_lwpolyline(o.d);
  for (const TkLink* l = list_first(list); l; l = l->next) {
    if (!tk_link_data(l) || !writable(o, l)) continue;
    TkHandle h = handle_of(l);
    if (tk_handle_compare(&h, largest) > 0) *largest = h;
    if (lw && kind_of(l) == lw &&
        entity_unpack(l, o.scratch_header, o.scratch_data, nullptr, nullptr))
      *added += tk_data_get<uint32_t>(o.scratch_data, TK_LWPOLYLINE_COUNT) + 1;
  }
}

// Table positions by handle, and the handles the records this save adds take: they follow the
// largest handle the file names, so a drawing reopened from the file and saved again gives
// the same seed.
bool prepare(Dwg12Out& o) {
  TkDrawing* d = o.d;
  o.model_record = d->fixed[TK_FIXED_MODEL_SPACE];
  o.paper_record = d->fixed[TK_FIXED_PAPER_SPACE];
  o.bylayer = d->bylayer_linetype;
  o.byblock = d->byblock_linetype;
  o.max_name = tk_state && tk_state->max_symbol_name > 0 ? tk_state->max_symbol_name : 26;
  int16_t i = 0;
  for (const TkLink* l = list_first(&d->layers); l; l = l->next)
    o.layers.emplace(dwg12_key(static_cast<const TkLayerRecord*>(tk_link_data(l))->handle), i++);
  i = 0;
  for (const TkLink* l = list_first(&d->linetypes); l; l = l->next) {
    const auto* r = static_cast<const TkLinetypeRecord*>(tk_link_data(l));
    if (same(r->handle, o.bylayer) || same(r->handle, o.byblock) ||
        tk_name_compare(r->name, "BYLAYER") == 0 || tk_name_compare(r->name, "BYBLOCK") == 0)
      continue;
    o.linetypes.emplace(dwg12_key(r->handle), i++);
  }
  i = 0;
  for (const TkLink* l = list_first(&d->styles); l; l = l->next)
    o.styles.emplace(dwg12_key(static_cast<const TkTextStyleRecord*>(tk_link_data(l))->handle),
                     i++);
  i = 0;
  for (const TkLink* l = list_first(&d->dimstyles); l; l = l->next)
    o.dimstyles.emplace(dwg12_key(static_cast<const TkDimStyleRecord*>(tk_link_data(l))->handle),
                        i++);
  i = 0;
  for (const TkLink* l = list_first(&d->ucss); l; l = l->next)
    o.ucss.emplace(dwg12_key(static_cast<const TkUcsRecord*>(tk_link_data(l))->handle), i++);
  i = 0;
  for (const TkLink* l = list_first(&d->appids); l; l = l->next) {
    const auto* r = static_cast<const TkAppIdRecord*>(tk_link_data(l));
    if (!o.have_acad && tk_name_compare(r->name, "ACAD") == 0) {
      o.acad_appid = r->handle;
      o.have_acad = true;
    }
    o.appids.emplace(dwg12_key(r->handle), i++);
  }

  TkHandle largest{};
  uint32_t added = 0;
  scan_list(o, &d->model_entities, &largest, &added);
  scan_list(o, &d->paper_entities, &largest, &added);
  i = 0;
  for (const TkLink* l = list_first(&d->blocks); l; l = l->next) {
    const auto* b = static_cast<const TkBlockRecord*>(tk_link_data(l));
    if (is_space(o, b->handle) || is_other_paper_space(o, *b)) continue;
    o.blocks.emplace(dwg12_key(b->handle), i++);
    scan_list(o, b->entities, &largest, &added);
    added += 3;  // a made-up BLOCK, ENDBLK and the one after
  }
  TkHandle seed = largest;
  tk_handle_increment(&seed);
  o.next_expansion = seed;
  tk_handle_add_int(&seed, added);
  // A file that names no handle has no seed to carry on.
  if (!o.handles) {
    seed = TkHandle{};
    seed.bytes[7] = 1;
  }
  o.header->handseed = seed;
  return true;
}

// Reals the reader takes as 0.0 are written as 0.0 (as the record writers do).
void settle_reals(uint8_t* p, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    double v = dwg_old_double(p + 8 * i);
    std::memcpy(p + 8 * i, &v, 8);
  }
}

int16_t index_or_none(const std::unordered_map<uint64_t, int16_t>& table, const TkHandle& h) {
  return tk_handle_is_null(&h) ? int16_t(-1) : dwg12_index(table, h, -1);
}

void put_descriptor(Dwg12Out& o, size_t at, int table) {
  uint8_t* p = o.header_image.data() + at;
  put16(p, o.table_size[table]);
  put32(p + 2, uint32_t(o.table_count[table]));
  put32(p + 6, o.table_start[table]);
}

}  // namespace

// The header image up to the entity section; positions and descriptors are filled at the end.
int16_t dwg12_write_header(Dwg12Out& o) {
  const int16_t v = o.version;
  const TkHeader* h = o.header;
  size_t size = kHeaderSize[v];
  o.header_image.assign(size, 0);
  uint8_t* p = o.header_image.data();
  std::memcpy(p, kVersionNames[v], 6);
  p[12] = v == 0 ? 0 : 1;
  p[13] = 3;
  p[15] = 5;
  p[17] = kSubversion[v];

  size_t count = 0;
  const DwgOldHeaderField* fields = dwg_old_header_fields(&count);
  const auto* base = reinterpret_cast<const uint8_t*>(h);
  for (size_t i = 0; i < count; ++i) {
    const DwgOldHeaderField& f = fields[i];
    size_t n = dwg_old_header_field_size(f);
    if (v < f.from_version || f.position + n > size) continue;
    if (f.kind == DwgOldHeaderField::TEXT) {
      const char* text = reinterpret_cast<const char*>(base + f.offset);
      std::memcpy(p + f.position, text, strnlen(text, n < f.room ? n : f.room));
    } else {
      std::memcpy(p + f.position, base + f.offset, n);
    }
    if (f.kind == DwgOldHeaderField::DBL || f.kind == DwgOldHeaderField::P2 ||
        f.kind == DwgOldHeaderField::P3)
      settle_reals(p + f.position, n / 8);
  }

  put16(p + 330, uint16_t(dwg12_index(o.layers, h->name_handles[TK_HNV_CLAYER], 0)));
  put16(p + 332, 15);
  if (v == TK_VERSION_AC1009) {
    put16(p + 342, uint16_t(h->psltscale));
    put16(p + 344, uint16_t(h->treedepth));
  }
  const uint8_t fixed_tail[8] = {0x0D, 0xCB, 0x26, 0x32, 0x69, 0x96, 0xF6, 0x3F};
  std::memcpy(p + 348, fixed_tail, 8);
  put16(p + 398, uint16_t(dwg12_index(o.styles, h->name_handles[TK_HNV_TEXTSTYLE], 0)));
  std::memcpy(p + 404, h->menu, strnlen(h->menu, 14));
  size_t menu = strnlen(h->menu, sizeof h->menu);
  if (menu > 14) std::memcpy(p + 508, h->menu + 14, menu - 14 < 45 ? menu - 14 : 45);
  if (v <= TK_VERSION_AC1004) {
    const double frame[18] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::memcpy(p + 593, frame, sizeof frame);
  }
  put16(p + 791, 100);
  const TkHandle& celtype = h->name_handles[TK_HNV_CELTYPE];
  int16_t linetype = same(celtype, o.byblock) ? o.byblock_number
                     : tk_handle_is_null(&celtype) || same(celtype, o.bylayer)
                         ? o.bylayer_number
                         : dwg12_index(o.linetypes, celtype, o.bylayer_number);
  put16(p + 797, uint16_t(linetype));
  for (int i = 0; i < 5; ++i) put16(p + 879 + 2 * i, uint16_t(h->useri[i]));
  std::memcpy(p + 889, h->userr, 40);
  settle_reals(p + 889, 5);
  if (v >= TK_VERSION_AC1004) put16(p + 1005, uint16_t(h->mirrtext));
  if (v >= TK_VERSION_AC1006) {
    if (v == TK_VERSION_AC1009) put16(p + 1017, uint16_t(h->dwgcodepage));
    if (o.handles) std::memcpy(p + 1262, h->handseed.bytes, 8);
    put16(p + 1296, uint16_t(index_or_none(o.ucss, h->name_handles[TK_HNV_UCSNAME])));
    if (v == TK_VERSION_AC1006) put16(p + 1298, 33);
    put16(p + 1308, uint16_t(h->worldview));
  }
  if (v == TK_VERSION_AC1009) {
    put16(p + 1324, uint16_t(index_or_none(o.dimstyles, h->name_handles[TK_HNV_DIMSTYLE])));
    const uint8_t block_head[8] = {0x00, 0x00, 0x1C, 0x00, 0x7E, 0xFD, 0x57, 0x42};
    std::memcpy(p + 1343, block_head, 8);
    const double one = 1.0;
    for (int i = 1; i <= 3; ++i) std::memcpy(p + 1343 + 8 * i, &one, 8);
    p[1343 + 32] = 0x6D;
    put16(p + 1583, uint16_t(index_or_none(o.ucss, h->name_handles[TK_HNV_PUCSNAME])));
    put16(p + 1723, uint16_t(h->visretain));
  }
  return dwg12_put(o, p, size) ? 1 : tk_fail(TK_ERR_WRITE_HEADER);
}

int16_t dwg12_finish_file(Dwg12Out& o) {
  const int16_t v = o.version;
  uint32_t end_mark = 0;
  if (v == TK_VERSION_AC1009) {
    if (!dwg12_put(o, kEndSentinels, sizeof kEndSentinels)) return 0;
    o.extras = o.position - 32;
    end_mark = o.position - 16;
    uint8_t aux[138] = {};
    put16(aux, 0x10);
    put16(aux + 2, 0x8A);
    put32(aux + 4, o.entities_start);
    put32(aux + 8, o.entities_end);
    put32(aux + 12, o.blocks_start);
    put32(aux + 16, o.extras);
    put16(aux + 20, uint16_t(o.header->handling));
    std::memcpy(aux + 22, o.header->handseed.bytes, 8);
    put16(aux + 30, 10);
    const uint16_t numbers[DWG12_TABLE_COUNT] = {1, 2, 3, 5, 6, 7, 8, 9, 10, 11};
    for (int t = 0; t < DWG12_TABLE_COUNT; ++t) {
      uint8_t* e = aux + 32 + 10 * t;
      put16(e, numbers[t]);
      put16(e + 2, o.table_size[t]);
      put16(e + 4, uint16_t(o.table_count[t]));
      put32(e + 6, o.table_start[t]);
    }
    put32(aux + 132, end_mark);
    crc_stamp_record(aux, sizeof aux, kAuxXor);
    if (!dwg12_put(o, aux, sizeof aux) || !dwg12_put(o, kAuxEndSentinel, 16)) return 0;
  } else {
    o.extras = o.position;
  }

  uint8_t* p = o.header_image.data();
  put32(p + 0x14, o.entities_start);
  put32(p + 0x18, o.entities_end);
  put32(p + 0x1C, o.blocks_start);
  uint32_t block_length = o.extras - o.blocks_start - (v == TK_VERSION_AC1009 ? 32 : 0);
  put32(p + 0x20, block_length | 0x40000000u);
  put32(p + 0x24, o.extras);
  put32(p + 0x28, 0x80000000u);
  for (int t = DWG12_BLOCK; t <= DWG12_VIEW; ++t) put_descriptor(o, size_t(0x2C + 10 * t), t);
  if (v >= TK_VERSION_AC1006) {
    put_descriptor(o, 0x3EF, DWG12_UCS);
    put_descriptor(o, 0x500, DWG12_VPORT);
  }
  if (v == TK_VERSION_AC1009) {
    put_descriptor(o, 0x512, DWG12_APPID);
    put_descriptor(o, 0x522, DWG12_DIMSTYLE);
    put_descriptor(o, 0x69F, DWG12_VX);
    put16(p + 0x635, dwg12_link_viewports(o));
    crc_stamp_record(p, o.header_image.size(), kHeaderXor);
  }
  if (!dwg12_flush(o)) return 0;
  if (!dwg12_patch(o, 0, p, o.header_image.size())) return 0;
  if (!o.block_table.empty() &&
      !dwg12_patch(o, o.table_start[DWG12_BLOCK], o.block_table.data(), o.block_table.size()))
    return 0;
  if (!o.vx_table.empty() &&
      !dwg12_patch(o, o.table_start[DWG12_VX], o.vx_table.data(), o.vx_table.size()))
    return 0;
  return 1;
}

namespace {

// A BLOCK or ENDBLK the drawing does not hold: for a block whose list lacks it, and the two of
// a placeholder block.
int16_t write_bound(Dwg12Out& o, uint16_t kind, int32_t number, const char* name) {
  TkEntityHeader* h = o.scratch_header;
  TkEntityData* d = o.scratch_data;
  std::memset(h, 0, sizeof *h);
  std::memset(d->bytes, 0, sizeof d->bytes);
  h->kind = kind;
  h->colour = TK_COLOUR_BYLAYER;
  h->linetype = o.bylayer;
  h->linetype_scale = 1.0;
  h->extrusion[2] = 1.0;
  h->handle = o.next_expansion;
  tk_handle_increment(&o.next_expansion);
  return dwg12_write_entity(o, h, d, number, name);
}

struct EntityWalk {
  uint32_t done = 0;
  uint32_t total = 0;
  int16_t reported = 0;
};

void entity_progress(Dwg12Out& o, EntityWalk& walk) {
  if (!tk_state || !tk_state->progress || ++walk.done % 10 || !walk.total) return;
  uint32_t percent = uint32_t(uint64_t(walk.done) * 100 / walk.total);
  int16_t last = walk.reported;
  while (walk.reported + 5 <= int32_t(percent) && walk.reported < 100) walk.reported += 5;
  if (walk.reported != last) tk_report_progress(o.d, int16_t(walk.reported / 4));
}

// Every entity of a space list (BLOCK and ENDBLK are no space entities).
bool write_space(Dwg12Out& o, TkList* list, EntityWalk& walk) {
  TkEntityHeader h;
  auto* data = static_cast<TkEntityData*>(mem_alloc(sizeof(TkEntityData)));
  if (!data) return tk_fail_alloc(TK_ERR_SAVE_ALLOC) != 0;
  bool ok = true;
  for (TkLink* l = list_first(list); ok && l; l = l->next) {
    if (!entity_unpack(l, &h, data, nullptr, nullptr)) continue;
    if (h.kind == TK_BLOCK || h.kind == TK_ENDBLK) continue;
    ok = dwg12_write_lwpline_as_polyline(o, &h, data, 0, nullptr) == 1;
    entity_progress(o, walk);
  }
  mem_free(data);
  return ok;
}

// One block definition: BLOCK, the members, ENDBLK.
bool write_block(Dwg12Out& o, const TkBlockRecord& b, int32_t number) {
  char name[TK_NAME_SIZE];
  std::snprintf(name, sizeof name, "%s", b.name);
  if (name[0] == '*' && name[1]) name[2] = 0;
  if (b.skip_mark) {
    std::snprintf(name, sizeof name, "FAKE%d", int(number));
    return write_bound(o, TK_BLOCK, number, name) && write_bound(o, TK_ENDBLK, number, name);
  }
  if (!b.entities) return tk_fail(TK_ERR_BLOCK_WITHOUT_ENTITIES) != 0;
  TkEntityHeader h;
  auto* data = static_cast<TkEntityData*>(mem_alloc(sizeof(TkEntityData)));
  if (!data) return tk_fail_alloc(TK_ERR_SAVE_ALLOC) != 0;
  bool ok = true, begun = false, ended = false;
  for (TkLink* l = list_first(b.entities); ok && l && !ended; l = l->next) {
    if (!entity_unpack(l, &h, data, nullptr, nullptr)) continue;
    if (h.kind == TK_BLOCK && begun) continue;
    if (h.kind != TK_BLOCK && !begun) ok = write_bound(o, TK_BLOCK, number, name) == 1;
    begun = true;
    ended = h.kind == TK_ENDBLK;
    h.flags &= uint8_t(~1u);  // block members lie in no space
    ok = ok && dwg12_write_lwpline_as_polyline(o, &h, data, number, name) == 1;
  }
  mem_free(data);
  if (ok && !begun) ok = write_bound(o, TK_BLOCK, number, name) == 1;
  if (ok && !ended) ok = write_bound(o, TK_ENDBLK, number, name) == 1;
  return ok;
}

// The entities of paper spaces the release has no place for, counted and reported.
void drop_other_paper_spaces(Dwg12Out& o) {
  for (const TkLink* l = list_first(&o.d->blocks); l; l = l->next) {
    const auto* b = static_cast<const TkBlockRecord*>(tk_link_data(l));
    if (!is_other_paper_space(o, *b)) continue;
    for (const TkLink* e = list_first(b->entities); e; e = e->next) {
      if (!tk_link_data(e)) continue;
      uint16_t kind = kind_of(e);
      if (kind == TK_BLOCK || kind == TK_ENDBLK) continue;
      TkHandle h = handle_of(e);
      ++o.dropped;
      tk_warn(0, &h);
    }
  }
}

int16_t write_all(Dwg12Out& o) {
  if (!prepare(o)) return 0;
  if (!dwg12_write_header(o)) return tk_fail(TK_ERR_WRITE_HEADER);
  EntityWalk walk;
  walk.total = uint32_t(list_count(&o.d->model_entities) + list_count(&o.d->paper_entities));
  o.viewport_number = 1;
  if (!dwg12_begin_entities(o) || !write_space(o, &o.d->model_entities, walk) ||
      !write_space(o, &o.d->paper_entities, walk))
    return 0;
  if (!dwg12_write_tables(o)) return 0;
  if (!dwg12_begin_block_entities(o)) return 0;
  tk_report_progress(o.d, 66);
  std::vector<TkHandle> order(o.blocks.size());
  for (const TkLink* l = list_first(&o.d->blocks); l; l = l->next) {
    const auto* b = static_cast<const TkBlockRecord*>(tk_link_data(l));
    auto found = o.blocks.find(dwg12_key(b->handle));
    if (found != o.blocks.end()) order[size_t(found->second)] = b->handle;
  }
  int32_t count = int32_t(order.size());
  for (int32_t i = 0; i < count; ++i) {
    TkBlockRecord b;
    if (!tk_block_get(o.d, &order[size_t(i)], &b)) return tk_fail(TK_ERR_BLOCK_WITHOUT_ENTITIES);
    dwg12_patch_block_offset(o, i);
    tk_report_progress(o.d, int16_t(66 + i * 25 / (count ? count : 1)));
    if (!write_block(o, b, i)) return 0;
  }
  drop_other_paper_spaces(o);
  tk_report_progress(o.d, 95);
  return dwg12_finish_file(o);
}

int16_t drive(TkDrawing* d, TkWriter* w, std::vector<uint8_t>* memory) {
  Dwg12Out o{};
  o.d = d;
  o.w = w;
  o.memory = memory;
  o.header = w->header;
  o.version = w->output_version;
  o.ok = true;
  o.handles = o.version >= TK_VERSION_AC1006 && w->header->handling != 0;
  o.bylayer_number = o.version <= TK_VERSION_AC1006 ? 256 : 32767;
  o.byblock_number = o.version <= TK_VERSION_AC1006 ? 255 : 32766;
  for (int t = 0; t < DWG12_TABLE_COUNT; ++t) o.table_size[t] = w->old_table_sizes[kSizeSlot[t]];
  o.rec.assign(DWG12_RECORD_CAPACITY, 0);
  o.xdata_bytes.assign(DWG12_XDATA_CAPACITY, 0);
  o.xdata = TkXdataBuffer{o.xdata_bytes.data(), o.xdata_bytes.size(), 0};
  o.stage.reserve(kStageFlush + DWG12_RECORD_CAPACITY);
  o.scratch_header = static_cast<TkEntityHeader*>(mem_alloc(sizeof(TkEntityHeader)));
  o.scratch_data = static_cast<TkEntityData*>(mem_alloc(sizeof(TkEntityData)));
  int16_t ok = 0;
  if (o.scratch_header && o.scratch_data) {
    ok = write_all(o);
  } else {
    (void)tk_fail_alloc(TK_ERR_SAVE_ALLOC);
  }
  mem_free(o.scratch_header);
  mem_free(o.scratch_data);
  w->written_entities = o.written;
  w->dropped_entities = o.dropped;
  w->unlinked_viewports = o.unlinked;
  if (ok) (void)tk_fail(TK_ERR_NONE);
  return ok;
}

}  // namespace

bool dwg12_put(Dwg12Out& o, const void* data, size_t n) {
  if (!o.ok) return false;
  const auto* bytes = static_cast<const uint8_t*>(data);
  o.stage.insert(o.stage.end(), bytes, bytes + n);
  o.position += uint32_t(n);
  return o.stage.size() < kStageFlush || dwg12_flush(o);
}

bool dwg12_flush(Dwg12Out& o) {
  if (!o.ok) return false;
  if (o.stage.empty()) return true;
  if (o.memory) {
    o.memory->insert(o.memory->end(), o.stage.begin(), o.stage.end());
  } else if (!out_write(o.w, o.stage.data(), o.stage.size())) {
    o.ok = false;
  }
  o.stage.clear();
  return o.ok;
}

bool dwg12_patch(Dwg12Out& o, uint32_t position, const void* data, size_t n) {
  if (!dwg12_flush(o)) return false;
  if (o.memory) {
    if (size_t(position) + n > o.memory->size()) return tk_fail(TK_ERR_DISK_FULL) != 0;
    std::memcpy(o.memory->data() + position, data, n);
    return true;
  }
  o.ok = out_seek(o.w, position) && out_write(o.w, data, n) && out_seek(o.w, o.position);
  return o.ok;
}

int16_t dwg12_write_file(TkDrawing* drawing, TkWriter* writer) {
  if (!drawing || !writer || !writer->header || writer->output_version < 0 ||
      writer->output_version > TK_VERSION_AC1009)
    return tk_fail(TK_ERR_GENERAL);
  return drive(drawing, writer, nullptr);
}

int16_t dwg12_write_to_memory(TkDrawing* drawing, TkVersion version, std::vector<uint8_t>* bytes) {
  if (!drawing || !drawing->header || !bytes || version < 0 || version > TK_VERSION_AC1009)
    return tk_fail(TK_ERR_GENERAL);
  bytes->clear();
  auto* w = static_cast<TkWriter*>(mem_alloc(sizeof(TkWriter)));
  auto* header = static_cast<TkHeader*>(mem_alloc(sizeof(TkHeader)));
  int16_t ok = 0;
  if (w && header) {
    std::memset(w, 0, sizeof *w);
    std::memcpy(header, drawing->header, sizeof *header);
    w->header = header;
    w->file_kind = TK_FILE_DWG;
    writer_set_version(w, version, header);
    ok = drive(drawing, w, bytes);
  } else {
    (void)tk_fail_alloc(TK_ERR_SAVE_ALLOC);
  }
  mem_free(header);
  mem_free(w);
  return ok;
}
