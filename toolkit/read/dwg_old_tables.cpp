// The symbol-table records of DWG files of AC1002 to AC1009: fixed-size records at the
// positions the header gave, one per read, each parsed within its own record size. Also the
// BLOCK table (block headers) and the table of viewport-entity headers. A record the file marks
// deleted is passed to the loader as skipped.
#include "toolkit/read/dwg_old_tables.h"

#include <cstdio>
#include <cstring>

#include "toolkit/core/drawing.h"
#include "toolkit/core/load.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/dwg_old_file.h"

namespace {

constexpr uint8_t deleted_flag = 128;
constexpr size_t name_bytes = 32;
constexpr uint32_t block_offset_mask = 0x03FFFFFFu;
constexpr uint16_t max_vpent_link = 2000;

// The record's bytes, or false when the table has no record left or the file ends early.
bool next_record(TkDrawing* d, int table, DwgOldCursor* c) {
  DwgOldState* s = dwg_old_state(d);
  if (!s || s->table != table || s->records_left <= 0) return false;
  uint16_t size = s->tables[table].record_size;
  if (!dwg_old_read_at(d, s->record_next, size)) return false;
  s->record_next += size;
  --s->records_left;
  ++s->record_number;
  *c = dwg_old_cursor(tk_state->read_buffer, size);
  return true;
}

// Flags, name and (AC1009) the external-reference index that begin every record.
struct Head {
  uint8_t flags;
  char name[TK_NAME_SIZE];
  int16_t xref_index;
};

Head read_head(TkDrawing* d, DwgOldCursor* c, bool always_xref = false) {
  Head h{};
  h.flags = c->u8();
  c->text_field(h.name, sizeof h.name, name_bytes);
  h.xref_index = d->version >= TK_VERSION_AC1009 || always_xref ? static_cast<int16_t>(c->u16())
                                                                  : int16_t{-1};
  return h;
}

bool skipped(const Head& h) {
  if (!(h.flags & deleted_flag)) return false;
  tk_state->record_skipped = 1;
  return true;
}

void copy_name(char* out, size_t room, const char* name) {
  std::snprintf(out, room, "%s", name);
}

}  // namespace

int16_t dwg_old_begin_table(TkDrawing* d, int table) {
  DwgOldState* s = dwg_old_state(d);
  if (!s || table < 0 || table >= DWG_OLD_TABLE_COUNT) return 0;
  const DwgOldTableDesc& t = s->tables[table];
  s->table = table;
  s->record_next = static_cast<uint32_t>(t.position > 0 ? t.position : 0);
  s->records_left = t.count > 0 ? t.count : 0;
  s->record_number = 0;
  return 1;
}

int16_t dwg_old_read_layer(TkDrawing* d, TkLayerRecord* r, uint8_t* has_xdata) {
  *has_xdata = 0;
  DwgOldCursor c;
  if (!next_record(d, DWG_OLD_LAYER, &c)) return 0;
  Head h = read_head(d, &c);
  if (skipped(h)) return 1;
  tk_init_layer_record(d, r);
  r->owner = TkHandle{};
  r->plot_style = TkHandle{};
  r->flags = h.flags;
  copy_name(r->name, sizeof r->name, h.name);
  r->xref_index = h.xref_index;
  r->color = c.i16();
  tk_state->pending.linetype_index = static_cast<int16_t>(c.u16());
  return c.bad ? 0 : 1;
}

int16_t dwg_old_read_style(TkDrawing* d, TkTextStyleRecord* r, uint8_t* has_xdata) {
  *has_xdata = 0;
  DwgOldCursor c;
  if (!next_record(d, DWG_OLD_STYLE, &c)) return 0;
  Head h = read_head(d, &c);
  if (skipped(h)) return 1;
  tk_init_style_record(r);
  r->flags = h.flags;
  copy_name(r->name, sizeof r->name, h.name);
  r->xref_index = h.xref_index;
  r->height = c.rd();
  r->width_factor = c.rd();
  r->oblique_angle = c.rd();
  r->generation_flags = c.u8();
  r->last_height = c.rd();
  c.text_field(r->font_file, sizeof r->font_file, 64);
  if (!(h.flags & 1)) {
    c.text_field(r->bigfont_file, sizeof r->bigfont_file, 64);
  } else {
    r->bigfont_file[0] = 0;
  }
  return c.bad ? 0 : 1;
}

int16_t dwg_old_read_linetype(TkDrawing* d, TkLinetypeRecord* r, uint8_t* has_xdata) {
  *has_xdata = 0;
  DwgOldCursor c;
  if (!next_record(d, DWG_OLD_LTYPE, &c)) return 0;
  Head h = read_head(d, &c);
  if (skipped(h)) return 1;
  tk_init_ltype_record(r);
  r->owner = TkHandle{};
  r->flags = h.flags;
  copy_name(r->name, sizeof r->name, h.name);
  r->xref_index = h.xref_index;
  c.text_field(r->description, sizeof r->description, 48);
  r->alignment = c.u8();
  int count = static_cast<int8_t>(c.u8());
  r->pattern_length = c.rd();
  if (c.bad) return 0;
  // Dash lengths as far as the count and the record reach; a count past either is damage,
  // not an invitation to read the next record.
  int read = 0;
  for (; read < count && read < TK_DASH_ELEMENTS && c.size - c.pos >= 8; ++read) {
    TkDashElement& e = r->elements[read];
    std::memset(&e, 0, sizeof e);
    e.length = c.rd();
  }
  r->element_count = static_cast<int16_t>(read);
  r->dash_texts[0] = 0;
  return 1;
}

int16_t dwg_old_read_view(TkDrawing* d, TkViewRecord* r, uint8_t* has_xdata) {
  *has_xdata = 0;
  DwgOldCursor c;
  if (!next_record(d, DWG_OLD_VIEW, &c)) return 0;
  Head h = read_head(d, &c);
  if (skipped(h)) return 1;
  tk_copy_view_defaults(r);
  r->owner = TkHandle{};
  r->flags = h.flags;
  copy_name(r->name, sizeof r->name, h.name);
  r->height = c.rd();
  c.point(r->center, 2);
  r->width = c.rd();
  c.point(r->direction, 3);
  if (d->version >= TK_VERSION_AC1006) {
    c.u16();  // the writers' mode byte; the record has no field for it
    c.point(r->target, 3);
    r->lens_length = c.rd();
    r->twist = c.rd();
    r->front_clip = c.rd();
    r->back_clip = c.rd();
    r->view_mode = static_cast<int16_t>(c.u16());
  } else {
    std::memset(r->target, 0, sizeof r->target);
    r->twist = r->front_clip = r->back_clip = 0.0;
    r->view_mode = 0;
    r->lens_length = 50.0;
  }
  return c.bad ? 0 : 1;
}

int16_t dwg_old_read_ucs(TkDrawing* d, TkUcsRecord* r, uint8_t* has_xdata) {
  *has_xdata = 0;
  DwgOldCursor c;
  if (!next_record(d, DWG_OLD_UCS, &c)) return 0;
  Head h = read_head(d, &c);
  if (skipped(h)) return 1;
  tk_init_ucs_record(r);
  r->flags = h.flags;
  copy_name(r->name, sizeof r->name, h.name);
  r->xref_index = h.xref_index;
  r->elevation = 0.0;
  r->ortho_view = r->ortho_type = 0;
  r->base_ucs = r->ortho_ucs = TkHandle{};
  c.point(r->origin, 3);
  c.point(r->x_axis, 3);
  c.point(r->y_axis, 3);
  return c.bad ? 0 : 1;
}

int16_t dwg_old_read_vport(TkDrawing* d, TkVportRecord* r, uint8_t* has_xdata) {
  *has_xdata = 0;
  DwgOldCursor c;
  if (!next_record(d, DWG_OLD_VPORT, &c)) return 0;
  tk_copy_vport_defaults(r);
  Head h = read_head(d, &c);
  if (skipped(h)) return 1;
  r->flags = h.flags;
  copy_name(r->name, sizeof r->name, h.name);
  c.point(r->lower_left, 2);
  c.point(r->upper_right, 2);
  c.point(r->target, 3);
  c.point(r->direction, 3);
  r->twist = c.rd();
  r->height = c.rd();
  c.point(r->center, 2);
  r->aspect_ratio = c.rd();
  r->lens_length = c.rd();
  r->front_clip = c.rd();
  r->back_clip = c.rd();
  r->view_mode = c.i16();
  r->circle_zoom = c.i16();
  r->fast_zoom = c.i16();
  r->ucs_icon = c.i16();
  r->snap_on = c.i16();
  r->grid_on = c.i16();
  r->snap_style = c.i16();
  r->snap_isopair = c.i16();
  r->snap_angle = c.rd();
  c.point(r->snap_base, 2);
  c.point(r->snap_spacing, 2);
  c.point(r->grid_spacing, 2);
  return c.bad ? 0 : 1;
}

int16_t dwg_old_read_appid(TkDrawing* d, TkAppIdRecord* r, uint8_t* has_xdata) {
  *has_xdata = 0;
  DwgOldCursor c;
  if (!next_record(d, DWG_OLD_APPID, &c)) return 0;
  Head h = read_head(d, &c, true);
  tk_init_appid_record(r);
  r->flags = h.flags;  // kept as stored: an application is never dropped
  copy_name(r->name, sizeof r->name, h.name);
  r->xref_index = h.xref_index;
  return c.bad ? 0 : 1;
}

int16_t dwg_old_read_dimstyle(TkDrawing* d, TkDimStyleRecord* r, uint8_t* has_xdata) {
  *has_xdata = 0;
  DwgOldCursor c;
  if (!next_record(d, DWG_OLD_DIMSTYLE, &c)) return 0;
  Head h = read_head(d, &c, true);
  if (skipped(h)) return 1;
  tk_init_dimstyle_record(d, r);
  r->owner = TkHandle{};
  r->xdict = TkHandle{};
  r->flags = h.flags;
  copy_name(r->name, sizeof r->name, h.name);
  double* doubles[] = {&r->dimscale, &r->dimasz, &r->dimexo, &r->dimdli, &r->dimexe,
                       &r->dimrnd,   &r->dimdle, &r->dimtp,  &r->dimtm,  &r->dimtxt,
                       &r->dimcen,   &r->dimtsz, &r->dimaltf, &r->dimlfac, &r->dimtvp};
  for (double* v : doubles) *v = c.rd();
  uint8_t* bytes[] = {&r->dimtol, &r->dimlim, &r->dimtih, &r->dimtoh,  &r->dimse1,
                      &r->dimse2, &r->dimtad, &r->dimzin, &r->dimalt,  &r->dimaltd,
                      &r->dimtofl, &r->dimsah, &r->dimtix, &r->dimsoxd};
  for (uint8_t* v : bytes) *v = c.u8();
  c.text_field(r->dimpost, sizeof r->dimpost, 16);
  c.text_field(r->dimapost, sizeof r->dimapost, 16);
  char blocks[3][34];
  for (auto& name : blocks) c.text_field(name, sizeof name, 33);
  r->dimclrd = c.i16();
  r->dimclre = c.i16();
  r->dimclrt = c.i16();
  r->dimtfac = c.rd();
  r->dimgap = c.rd();
  if (c.bad) return 0;
  TkHandle* arrows[] = {&r->dimblk, &r->dimblk1, &r->dimblk2};
  for (int i = 0; i < 3; ++i) {
    *arrows[i] = TkHandle{};
    if (blocks[i][0] && !tk_find_record_by_name(d, blocks[i], arrows[i])) *arrows[i] = TkHandle{};
  }
  return 1;
}

int16_t dwg_old_read_block_header(TkDrawing* d, TkBlockRecord* r, uint8_t* has_xdata) {
  *has_xdata = 0;
  DwgOldCursor c;
  if (!next_record(d, DWG_OLD_BLOCK, &c)) return 0;
  int32_t number = dwg_old_state(d)->record_number - 1;
  uint8_t flags = c.u8();
  char name[TK_NAME_SIZE];
  c.text_field(name, sizeof name, name_bytes);
  int16_t index = -1;
  if (d->version >= TK_VERSION_AC1009) index = static_cast<int16_t>(c.u16());
  uint32_t offset = c.u32() & block_offset_mask;
  if (c.bad) return 0;
  if (d->version < TK_VERSION_AC1009) flags &= static_cast<uint8_t>(~4u);
  r->flags = flags;
  r->index = index;
  r->handle = TkHandle{};
  r->blkrefs_dictionary = TkHandle{};
  // Older releases keep only the two leading characters of an anonymous block's name ("*D",
  // "*U"); the table position makes it unique again, as the releases themselves did.
  if (name[0] == '*' && name[1] && !name[2]) {
    const char lead[3] = {name[0], name[1], 0};
    std::snprintf(r->name, sizeof r->name, "%s%d", lead, static_cast<int>(number));
  } else {
    copy_name(r->name, sizeof r->name, name);
  }
  // Where the block's entities start within the block-entity section; begin_block_entities
  // takes it from the stored record.
  r->flag_word = offset;
  if (flags & deleted_flag) {
    r->skip_mark = 1;
    tk_state->record_skipped = 1;
  }
  return 1;
}

int16_t dwg_old_begin_vpent_headers(TkDrawing* d) {
  DwgOldState* s = dwg_old_state(d);
  if (!s) return 0;
  const DwgOldTableDesc& t = s->tables[DWG_OLD_VPENT];
  s->vpent_kept = 0;
  s->vpent_first = 1;
  dwg_old_begin_table(d, DWG_OLD_VPENT);
  if (t.count <= 0 || t.record_size < 41) return 1;
  // Follow the chain from the first header; each record names the next by its table position.
  int32_t first = s->first_vpent_header;
  int32_t at = first;
  for (int32_t steps = 0; steps < t.count && s->vpent_kept < DWG_OLD_MAX_VPENTS; ++steps) {
    if (at < 0 || at >= t.count) break;
    uint32_t position = static_cast<uint32_t>(t.position) + static_cast<uint32_t>(at) * t.record_size;
    if (!dwg_old_read_at(d, position, t.record_size)) break;
    DwgOldCursor c = dwg_old_cursor(tk_state->read_buffer, t.record_size);
    c.pos = 35;
    s->vpent_positions[s->vpent_kept++] = c.u32();
    uint16_t next = c.u16();
    if (next > max_vpent_link) {
      if (tk_state->error_callback) tk_state->error_callback(6);
      return 0;
    }
    if (next == 0 || next == first) break;
    at = next;
  }
  return 1;
}

int16_t dwg_old_read_vpent_header(TkDrawing* d, TkViewportEntityHeader* r) {
  DwgOldState* s = dwg_old_state(d);
  DwgOldCursor c;
  if (!s || !next_record(d, DWG_OLD_VPENT, &c)) return 0;
  std::memset(r, 0, sizeof *r);
  r->flags = c.u8();
  c.text_field(r->name, sizeof r->name, name_bytes);
  r->xref_index = static_cast<int16_t>(c.u16());
  uint32_t position = c.u32();
  c.u16();  // the next header of the chain, followed by begin_vpent_headers
  if (c.bad) return 0;
  if (r->flags & deleted_flag) r->end = 1;
  r->words[0] = position;
  if (s->vpent_first) {
    r->viewport_number = 0;
    s->vpent_first = 0;
  } else if (r->flags & 1) {
    r->viewport_number = -1;
    for (int16_t i = 0; i < s->vpent_kept; ++i)
      if (s->vpent_positions[i] == position) r->viewport_number = static_cast<int16_t>(i + 1);
  } else {
    r->viewport_number = 0;
  }
  return 1;
}
