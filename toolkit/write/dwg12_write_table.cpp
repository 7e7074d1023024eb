// Table records of the byte-record DWG layout and the record buffer they, the entities and the
// header are built in: each table's section start (with its AC1009 sentinel), its fixed-size
// records (flags, a 32-byte name, the table's fields, the AC1009 record CRC), and the BLOCK
// and VX records kept to be patched when the block offsets and the viewport chain are known.
#include <cstdio>
#include <cstring>

#include "toolkit/core/drawing.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/list.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/dwg_old_file.h"
#include "toolkit/write/crc16.h"
#include "toolkit/write/dwg12_write.h"
#include "toolkit/write/dwg12_write_body.h"
#include "toolkit/write/dwg_write.h"
#include "toolkit/write/save.h"

namespace {

const uint8_t kTableSentinels[DWG12_TABLE_COUNT][32] = {
    {0x3B, 0x91, 0x97, 0xAB, 0x07, 0x91, 0xCC, 0xCF, 0x9C, 0xC1, 0x3E, 0x7A, 0xD5, 0x23, 0x6B, 0xFE,
     0xDB, 0xEF, 0xB3, 0xF0, 0xC7, 0x3E, 0x6D, 0xA6, 0xC9, 0xB6, 0x24, 0x5C, 0x4C, 0x6F, 0x32, 0xCB},
    {0x24, 0x10, 0x4C, 0x0F, 0x38, 0xC1, 0x92, 0x59, 0x36, 0x49, 0xDB, 0xA3, 0xB3, 0x90, 0xCD, 0x34,
     0x0E, 0xC4, 0x64, 0x6F, 0xBB, 0x1D, 0xD3, 0x8B, 0x00, 0x49, 0xC2, 0xEF, 0x18, 0xEA, 0x6F, 0xFB},
    {0xF1, 0x3B, 0x9B, 0x90, 0x44, 0xE2, 0x2C, 0x74, 0xFF, 0xB6, 0x3D, 0x10, 0xE7, 0x15, 0x90, 0x04,
     0xE2, 0x3E, 0xC1, 0x82, 0x43, 0x9F, 0x61, 0x77, 0x50, 0xAB, 0xC7, 0x66, 0x96, 0x00, 0x06, 0x18},
    {0x1D, 0xC1, 0x3E, 0x7D, 0xBC, 0x60, 0x9E, 0x88, 0xAF, 0x54, 0x38, 0x99, 0x69, 0xFF, 0xF9, 0xE7,
     0xAC, 0x90, 0x1A, 0xCA, 0x1C, 0xBD, 0x95, 0x15, 0x16, 0x16, 0x4C, 0x14, 0xCE, 0x18, 0x88, 0xAF},
    {0x53, 0x6F, 0xE5, 0x35, 0xE3, 0x42, 0x6A, 0xEA, 0xE9, 0xE9, 0xB3, 0xEB, 0x31, 0xE7, 0x77, 0x50,
     0xC1, 0x3C, 0xAA, 0x56, 0x68, 0xF4, 0xB4, 0x1E, 0x4B, 0x74, 0xF4, 0x08, 0x42, 0x4D, 0xBF, 0xA5},
    {0x3E, 0xC3, 0x55, 0xA9, 0x97, 0x0B, 0x4B, 0xE1, 0xB4, 0x8B, 0x0B, 0xF7, 0xBD, 0xB2, 0x40, 0x5A,
     0x60, 0x4A, 0xFA, 0x3D, 0x84, 0x90, 0xCC, 0x5B, 0xEF, 0xE7, 0xD6, 0xA5, 0x7F, 0x1E, 0x61, 0xCD},
    {0x9F, 0xB5, 0x05, 0xC2, 0x7B, 0x6F, 0x33, 0xA4, 0x10, 0x18, 0x29, 0x5A, 0x80, 0xE1, 0x9E, 0x32,
     0xF6, 0xED, 0x44, 0x61, 0x2A, 0xDC, 0xE4, 0x7B, 0x4E, 0xB9, 0x2B, 0xBB, 0x66, 0x60, 0x63, 0x8D},
    {0x09, 0x12, 0xBB, 0x9E, 0xD5, 0x23, 0x1B, 0x84, 0xB1, 0x46, 0xD4, 0x44, 0x99, 0x9F, 0x9C, 0x72,
     0xE1, 0x25, 0xC2, 0x50, 0x36, 0x68, 0x6C, 0x0C, 0x3B, 0xD3, 0x5D, 0x56, 0xC1, 0x79, 0x1C, 0x3A},
    {0x1E, 0xDA, 0x3D, 0xAF, 0xC9, 0x97, 0x93, 0xF3, 0xC4, 0x2C, 0xA2, 0xA9, 0x3E, 0x86, 0xE3, 0xC5,
     0xB4, 0x18, 0x3E, 0x42, 0xC9, 0x9F, 0xFF, 0xE5, 0xB6, 0xE2, 0xCB, 0xB3, 0x75, 0xC3, 0xC3, 0xB0},
    {0x4B, 0xE7, 0xC1, 0xBD, 0x36, 0x60, 0x00, 0x1A, 0x49, 0x1D, 0x34, 0x4C, 0x8A, 0x3C, 0x3C, 0x4F,
     0xE0, 0xCA, 0x36, 0x7C, 0xCE, 0xE7, 0x58, 0x6F, 0x2B, 0x7D, 0x74, 0x55, 0x05, 0xF1, 0x44, 0x7F},
};

const uint8_t kEntitySentinel[16] = {0xC4, 0x6E, 0x68, 0x54, 0xF8, 0x6E, 0x33, 0x30,
                                     0x63, 0x3E, 0xC1, 0x85, 0x2A, 0xDC, 0x94, 0x01};
const uint8_t kBlockEntitySentinel[32] = {
    0x1F, 0x35, 0xC9, 0x83, 0x31, 0x18, 0xA7, 0x90, 0xD4, 0x82, 0x8B, 0xAA, 0xFA, 0x0E, 0xBB, 0x80,
    0x72, 0x2B, 0x7D, 0xEC, 0x3E, 0x8C, 0x88, 0x6C, 0x7A, 0x72, 0x0A, 0xFD, 0xC8, 0x6C, 0x84, 0x26};

const uint16_t kRecordXor[DWG12_TABLE_COUNT] = {0x91C0, 0xC6AD, 0x79D4, 0xF4D1, 0xAAAD,
                                                0xB4E0, 0x83FF, 0xDDC1, 0x33F8, 0xC2FC};

constexpr uint8_t kPlaceholder = 0x80;
constexpr size_t kNameField = 32;

bool r10(const Dwg12Out& o) { return o.version >= TK_VERSION_AC1006; }
bool r11(const Dwg12Out& o) { return o.version >= TK_VERSION_AC1009; }

// Zeroed record of the table's size with flags and name; AC1009 also the record's 16-bit value.
void record_head(Dwg12Out& o, int table, uint8_t flags, const char* name, int32_t position,
                 int16_t value, int32_t limit = 0) {
  rec_reset(o);
  std::memset(o.rec.data(), 0, o.table_size[table]);
  rec_put_byte(o, flags);
  char shortened[TK_NAME_SIZE];
  name_shorten(o.d, name, position, limit ? limit : o.max_name, shortened);
  rec_put_field(o, shortened, kNameField + 1);
  o.at = 1 + kNameField;
  if (r11(o) && table != DWG12_VX) rec_put_rs(o, uint16_t(value < 0 ? 0 : value));
}

// The record whole (its size, whatever the fields filled), stamped in AC1009.
bool put_record(Dwg12Out& o, int table, std::vector<uint8_t>* keep = nullptr) {
  size_t size = o.table_size[table];
  if (o.overflow || o.at > size - (r11(o) ? 2 : 0)) return tk_fail(TK_ERR_WRITE_BUFFER) != 0;
  if (r11(o)) crc_stamp_record(o.rec.data(), size, kRecordXor[table]);
  if (keep) keep->insert(keep->end(), o.rec.data(), o.rec.data() + size);
  ++o.table_count[table];
  return dwg12_put(o, o.rec.data(), size);
}

bool write_blocks(Dwg12Out& o) {
  TkBlockRecord b;
  block_list_rewind(o.d);
  int32_t position = 0;
  while (block_list_next(o.d, &b)) {
    if (!o.blocks.count(dwg12_key(b.handle))) continue;
    if (b.skip_mark) {
      rec_reset(o);
      std::memset(o.rec.data(), 0, o.table_size[DWG12_BLOCK]);
      o.rec[0] = kPlaceholder;
      o.at = o.table_size[DWG12_BLOCK] - (r11(o) ? 2 : 0);
    } else {
      uint8_t flags = b.flags;
      if (tk_name_compare_n(b.name, "*PAPER_SPACE", 12) == 0) flags |= 0x01;
      if (!r11(o)) flags &= 0xCF;
      // Anonymous blocks keep their kind's two leading characters; the table position makes
      // them unique again.
      char name[TK_NAME_SIZE];
      std::snprintf(name, sizeof name, "%s", b.name);
      if (name[0] == '*' && name[1] && tk_name_compare_n(name, "*PAPER_SPACE", 12) != 0)
        name[2] = 0;
      record_head(o, DWG12_BLOCK, flags, name, position, b.index);
      if (r11(o)) {
        rec_put_rl(o, 0);
        rec_put_rl(o, 0xFFFFFFFFu);
      } else {
        rec_put_rl(o, 0);
      }
    }
    if (!put_record(o, DWG12_BLOCK, &o.block_table)) return false;
    ++position;
  }
  return true;
}

bool write_layers(Dwg12Out& o) {
  TkLayerRecord r;
  tk_layer_list_rewind(o.d);
  for (int32_t i = 0; tk_layer_list_next(o.d, &r); ++i) {
    record_head(o, DWG12_LAYER, r.flags, r.name, i, r.xref_index);
    rec_put_rs(o, uint16_t(r.color));
    rec_put_rs(o, uint16_t(dwg12_index(o.linetypes, r.linetype, 0)));
    if (!put_record(o, DWG12_LAYER)) return false;
  }
  return true;
}

bool write_styles(Dwg12Out& o) {
  TkTextStyleRecord r;
  tk_style_list_rewind(o.d);
  for (int32_t i = 0; tk_style_list_next(o.d, &r); ++i) {
    record_head(o, DWG12_STYLE, r.flags, r.name, i, r.xref_index);
    rec_put_rd(o, r.height);
    rec_put_rd(o, r.width_factor);
    rec_put_rd(o, r.oblique_angle);
    rec_put_byte(o, r.generation_flags);
    rec_put_rd(o, r.last_height);
    rec_put_field(o, r.font_file, 64);
    size_t rest = o.table_size[DWG12_STYLE] - o.at - (r11(o) ? 2 : 0);
    rec_put_field(o, r.bigfont_file, rest < 64 ? rest : 64);
    if (!put_record(o, DWG12_STYLE)) return false;
  }
  return true;
}

bool write_linetypes(Dwg12Out& o) {
  TkLinetypeRecord r;
  tk_ltype_rewind(o.d);
  for (int32_t i = 0; tk_ltype_next(o.d, &r);) {
    if (!o.linetypes.count(dwg12_key(r.handle))) continue;
    record_head(o, DWG12_LTYPE, r.flags, r.name, i, r.xref_index);
    rec_put_field(o, r.description, 48);
    rec_put_byte(o, r.alignment);
    int count = r.element_count < 0 ? 0 : r.element_count > 12 ? 12 : r.element_count;
    rec_put_byte(o, uint8_t(count));
    rec_put_rd(o, r.pattern_length);
    for (int k = 0; k < count; ++k) rec_put_rd(o, r.elements[k].length);
    if (!put_record(o, DWG12_LTYPE)) return false;
    ++i;
  }
  return true;
}

bool write_views(Dwg12Out& o) {
  TkViewRecord r;
  tk_view_rewind(o.d);
  for (int32_t i = 0; tk_view_next(o.d, &r); ++i) {
    record_head(o, DWG12_VIEW, r.flags, r.name, i, 0);
    rec_put_rd(o, r.height);
    rec_put_2rd(o, r.center);
    rec_put_rd(o, r.width);
    rec_put_3rd(o, r.direction);
    if (r10(o)) {
      rec_put_rs(o, 0);
      rec_put_3rd(o, r.target);
      rec_put_rd(o, r.lens_length);
      rec_put_rd(o, r.twist);
      rec_put_rd(o, r.front_clip);
      rec_put_rd(o, r.back_clip);
      rec_put_rs(o, uint16_t(r.view_mode));
    }
    if (!put_record(o, DWG12_VIEW)) return false;
  }
  return true;
}

bool write_ucss(Dwg12Out& o) {
  TkUcsRecord r;
  tk_ucs_rewind(o.d);
  for (int32_t i = 0; tk_ucs_next(o.d, &r); ++i) {
    record_head(o, DWG12_UCS, r.flags, r.name, i, r.xref_index);
    rec_put_3rd(o, r.origin);
    rec_put_3rd(o, r.x_axis);
    rec_put_3rd(o, r.y_axis);
    if (!put_record(o, DWG12_UCS)) return false;
  }
  return true;
}

bool write_vports(Dwg12Out& o) {
  TkVportRecord r;
  tk_vport_rewind(o.d);
  for (int32_t i = 0; tk_vport_next(o.d, &r); ++i) {
    record_head(o, DWG12_VPORT, r.flags, r.name, i, 0);
    rec_put_2rd(o, r.lower_left);
    rec_put_2rd(o, r.upper_right);
    rec_put_3rd(o, r.target);
    rec_put_3rd(o, r.direction);
    rec_put_rd(o, r.twist);
    rec_put_rd(o, r.height);
    rec_put_2rd(o, r.center);
    rec_put_rd(o, r.aspect_ratio);
    rec_put_rd(o, r.lens_length);
    rec_put_rd(o, r.front_clip);
    rec_put_rd(o, r.back_clip);
    for (int16_t v : {r.view_mode, r.circle_zoom, r.fast_zoom, r.ucs_icon, r.snap_on, r.grid_on,
                      r.snap_style, r.snap_isopair})
      rec_put_rs(o, uint16_t(v));
    rec_put_rd(o, r.snap_angle);
    rec_put_2rd(o, r.snap_base);
    rec_put_2rd(o, r.snap_spacing);
    rec_put_2rd(o, r.grid_spacing);
    if (!put_record(o, DWG12_VPORT)) return false;
  }
  return true;
}

bool write_appids(Dwg12Out& o) {
  TkAppIdRecord r;
  tk_appid_rewind(o.d);
  for (int32_t i = 0; tk_appid_next(o.d, &r); ++i) {
    record_head(o, DWG12_APPID, r.flags, r.name, i, r.xref_index);
    if (!put_record(o, DWG12_APPID)) return false;
  }
  return true;
}

void arrow_name(Dwg12Out& o, const TkHandle& handle) {
  char name[33] = {};
  TkBlockRecord b;
  if (!tk_handle_is_null(&handle) && tk_block_get(o.d, &handle, &b))
    std::memcpy(name, b.name, strnlen(b.name, sizeof name - 1));
  rec_put_bytes(o, name, 33);
}

bool write_dimstyles(Dwg12Out& o) {
  TkDimStyleRecord r;
  tk_dimstyle_rewind(o.d);
  for (int32_t i = 0; tk_dimstyle_next(o.d, &r); ++i) {
    record_head(o, DWG12_DIMSTYLE, r.flags, r.name, i, 0);
    for (double v : {r.dimscale, r.dimasz, r.dimexo, r.dimdli, r.dimexe, r.dimrnd, r.dimdle,
                     r.dimtp, r.dimtm, r.dimtxt, r.dimcen, r.dimtsz, r.dimaltf, r.dimlfac,
                     r.dimtvp})
      rec_put_rd(o, v);
    for (uint8_t v : {r.dimtol, r.dimlim, r.dimtih, r.dimtoh, r.dimse1, r.dimse2, r.dimtad,
                      r.dimzin, r.dimalt, r.dimaltd, r.dimtofl, r.dimsah, r.dimtix, r.dimsoxd})
      rec_put_byte(o, v);
    rec_put_field(o, r.dimpost, 16);
    rec_put_field(o, r.dimapost, 16);
    arrow_name(o, r.dimblk);
    arrow_name(o, r.dimblk1);
    arrow_name(o, r.dimblk2);
    rec_put_rs(o, uint16_t(r.dimclrd));
    rec_put_rs(o, uint16_t(r.dimclre));
    rec_put_rs(o, uint16_t(r.dimclrt));
    rec_put_rd(o, r.dimtfac);
    rec_put_rd(o, r.dimgap);
    if (!put_record(o, DWG12_DIMSTYLE)) return false;
  }
  return true;
}

// One VX record: the viewport entity header of a VIEWPORT, or the leading placeholder.
bool write_vx(Dwg12Out& o, uint8_t flags, const char* name, uint32_t position, int16_t number) {
  record_head(o, DWG12_VX, flags, name, 0, 0);
  rec_put_rs(o, 0xFFFF);
  rec_put_rl(o, position);
  rec_put_rs(o, uint16_t(number < 0 ? 0 : number));
  return put_record(o, DWG12_VX, &o.vx_table);
}

bool write_vx_table(Dwg12Out& o) {
  TkList* list = &o.d->pspace_viewports;
  if (!list_first(list)) return true;
  if (!write_vx(o, 0, "", 0xFFFFFFFFu, 0)) return false;
  bool first = true;
  for (const TkLink* l = list_first(list); l; l = l->next) {
    const auto* v = static_cast<const TkPspaceViewport*>(tk_link_data(l));
    const Dwg12Out::Viewport* written = nullptr;
    for (const Dwg12Out::Viewport& w : o.viewports)
      if (tk_handle_compare(&w.handle, &v->handle) == 0) written = &w;
    bool ok = written ? write_vx(o, written->number ? 1 : 0, first ? "1" : "", written->position,
                                 written->number)
                      : write_vx(o, kPlaceholder, first ? "1" : "", 0xFFFFFFFFu, 0);
    if (!ok) return false;
    first = false;
  }
  return true;
}

}  // namespace

uint64_t dwg12_key(const TkHandle& handle) {
  uint64_t key = 0;
  for (uint8_t b : handle.bytes) key = key << 8 | b;
  return key;
}

int16_t dwg12_index(const std::unordered_map<uint64_t, int16_t>& table, const TkHandle& handle,
                    int16_t fallback) {
  auto found = table.find(dwg12_key(handle));
  return found == table.end() ? fallback : found->second;
}

void rec_reset(Dwg12Out& o) {
  o.at = 0;
  o.overflow = false;
}

void rec_put_bytes(Dwg12Out& o, const void* data, size_t n) {
  if (o.overflow || n > o.rec.size() - o.at) {
    o.overflow = true;
    return;
  }
  if (n) std::memcpy(o.rec.data() + o.at, data, n);
  o.at += n;
}

void rec_put_byte(Dwg12Out& o, uint8_t v) { rec_put_bytes(o, &v, 1); }

void rec_put_rs(Dwg12Out& o, uint16_t v) {
  uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
  rec_put_bytes(o, b, 2);
}

void rec_put_rl(Dwg12Out& o, uint32_t v) {
  uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  rec_put_bytes(o, b, 4);
}

// Reals the reader of these releases takes as 0.0 (negative zero, denormals, infinities, NaN)
// are written as 0.0, so that a file reopened and saved again gives the same bytes.
void rec_put_rd(Dwg12Out& o, double v) {
  uint8_t b[8];
  std::memcpy(b, &v, 8);
  v = dwg_old_double(b);
  rec_put_bytes(o, &v, 8);
}
void rec_put_2rd(Dwg12Out& o, const double* v) {
  for (int i = 0; i < 2; ++i) rec_put_rd(o, v[i]);
}
void rec_put_3rd(Dwg12Out& o, const double* v) {
  for (int i = 0; i < 3; ++i) rec_put_rd(o, v[i]);
}

void rec_put_text(Dwg12Out& o, const char* text, size_t limit) {
  size_t n = strnlen(text, limit);
  rec_put_rs(o, uint16_t(n));
  rec_put_bytes(o, text, n);
}

void rec_put_field(Dwg12Out& o, const char* text, size_t n) {
  if (n == 0) return;
  if (o.overflow || n > o.rec.size() - o.at) {
    o.overflow = true;
    return;
  }
  size_t keep = strnlen(text, n - 1);
  std::memcpy(o.rec.data() + o.at, text, keep);
  std::memset(o.rec.data() + o.at + keep, 0, n - keep);
  o.at += n;
}

bool dwg12_begin_entities(Dwg12Out& o) {
  if (r11(o) && !dwg12_put(o, kEntitySentinel, sizeof kEntitySentinel)) return false;
  o.entities_start = o.entities_end = o.position;
  o.in_blocks = false;
  o.viewports.clear();
  return true;
}

bool dwg12_begin_table(Dwg12Out& o, int table) {
  if (table == DWG12_BLOCK) o.entities_end = o.position;
  if (r11(o) && !dwg12_put(o, kTableSentinels[table], 32)) return false;
  o.table_start[table] = o.position;
  o.table_count[table] = 0;
  return true;
}

bool dwg12_begin_block_entities(Dwg12Out& o) {
  if (r11(o) && !dwg12_put(o, kBlockEntitySentinel, sizeof kBlockEntitySentinel)) return false;
  o.blocks_start = o.position;
  o.in_blocks = true;
  return true;
}

bool dwg12_write_tables(Dwg12Out& o) {
  struct Step {
    int table;
    bool (*write)(Dwg12Out&);
    int16_t from_version;
    int16_t percent;
  };
  const Step steps[] = {
      {DWG12_BLOCK, write_blocks, 0, 29},     {DWG12_LAYER, write_layers, 0, 34},
      {DWG12_STYLE, write_styles, 0, 38},     {DWG12_LTYPE, write_linetypes, 0, 42},
      {DWG12_VIEW, write_views, 0, 46},       {DWG12_UCS, write_ucss, 3, 50},
      {DWG12_VPORT, write_vports, 3, 54},     {DWG12_APPID, write_appids, 4, 58},
      {DWG12_DIMSTYLE, write_dimstyles, 4, 62}, {DWG12_VX, write_vx_table, 4, 64},
  };
  for (const Step& s : steps) {
    if (o.version < s.from_version) continue;
    if (!dwg12_begin_table(o, s.table) || !s.write(o)) return false;
    tk_report_progress(o.d, s.percent);
  }
  return true;
}

void dwg12_patch_block_offset(Dwg12Out& o, int32_t block) {
  size_t size = o.table_size[DWG12_BLOCK];
  size_t at = size * size_t(block);
  if (at + size > o.block_table.size()) return;
  uint8_t* r = o.block_table.data() + at;
  uint32_t offset = (o.position - o.blocks_start) & 0x3FFFFFFu;
  if (r11(o)) offset |= 0x40000000u;
  size_t place = r11(o) ? 35 : 33;
  for (int i = 0; i < 4; ++i) r[place + size_t(i)] = uint8_t(offset >> (8 * i));
  if (r11(o)) crc_stamp_record(r, size, kRecordXor[DWG12_BLOCK]);
}

uint16_t dwg12_link_viewports(Dwg12Out& o) {
  size_t size = o.table_size[DWG12_VX];
  size_t count = size ? o.vx_table.size() / size : 0;
  auto number_of = [&](size_t i) {
    const uint8_t* r = o.vx_table.data() + i * size;
    return int16_t(r[39] | r[40] << 8);
  };
  // Records by viewport number; the chain holds numbers 1 to 49.
  std::vector<size_t> by_number(DWG12_MAX_LINKED_VIEWPORTS + 2, 0);
  std::vector<size_t> collected;
  for (size_t i = 1; i < count; ++i) {
    int16_t n = number_of(i);
    if (n < 1) continue;
    if (n > DWG12_MAX_LINKED_VIEWPORTS || collected.size() >= size_t(DWG12_MAX_LINKED_VIEWPORTS)) {
      ++o.unlinked;
      for (const Dwg12Out::Viewport& v : o.viewports)
        if (v.number == n) tk_warn(TK_WARN_VIEWPORT_UNLINKED, &v.handle);
      uint8_t* r = o.vx_table.data() + i * size;
      r[39] = r[40] = 0;
      crc_stamp_record(r, size, kRecordXor[DWG12_VX]);
      continue;
    }
    if (!by_number[size_t(n)]) by_number[size_t(n)] = i;
    collected.push_back(i);
  }
  std::vector<uint16_t> link(count, 0);
  size_t start = by_number[1];
  for (int n = 1; n <= DWG12_MAX_LINKED_VIEWPORTS && by_number[size_t(n)]; ++n)
    link[by_number[size_t(n)]] = uint16_t(by_number[size_t(n) + 1]);
  for (size_t i : collected) {
    uint8_t* r = o.vx_table.data() + i * size;
    r[39] = uint8_t(link[i]);
    r[40] = uint8_t(link[i] >> 8);
    crc_stamp_record(r, size, kRecordXor[DWG12_VX]);
  }
  return uint16_t(start);
}
