// The file layout of DWG AC1012 to AC1015 as written: file header and locators, the header
// variables (in the order of the table the reader uses), the classes, the object data in the
// order the format expects, the object map, the second header and the preview, then the
// locators patched and the header's CRC stamped. Framed sections are assembled in memory
// first, so each CRC is taken over the very bytes written.
#include <algorithm>
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/hidx.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/object.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/dwg13_file.h"
#include "toolkit/read/dwg13_header_table.h"
#include "toolkit/write/crc16.h"
#include "toolkit/write/dwg_write.h"

namespace {

const uint8_t kFileHeaderEnd[16] = {0x95, 0xA0, 0x4E, 0x28, 0x99, 0x82, 0x1A, 0xE5,
                                    0x5E, 0x41, 0xE0, 0x5F, 0x9D, 0x3A, 0x4D, 0x00};
const uint8_t kHeaderStart[16] = {0xCF, 0x7B, 0x1F, 0x23, 0xFD, 0xDE, 0x38, 0xA9,
                                  0x5F, 0x7C, 0x68, 0xB8, 0x4E, 0x6D, 0x33, 0x5F};
const uint8_t kHeaderEnd[16] = {0x30, 0x84, 0xE0, 0xDC, 0x02, 0x21, 0xC7, 0x56,
                                0xA0, 0x83, 0x97, 0x47, 0xB1, 0x92, 0xCC, 0xA0};
const uint8_t kClassesStart[16] = {0x8D, 0xA1, 0xC4, 0xB8, 0xC4, 0xA9, 0xF8, 0xC5,
                                   0xC0, 0xDC, 0xF4, 0x5F, 0xE7, 0xCF, 0xB6, 0x8A};
const uint8_t kClassesEnd[16] = {0x72, 0x5E, 0x3B, 0x47, 0x3B, 0x56, 0x07, 0x3A,
                                 0x3F, 0x23, 0x0B, 0xA0, 0x18, 0x30, 0x49, 0x75};
const uint8_t kPreviewStart[16] = {0x1F, 0x25, 0x6D, 0x07, 0xD4, 0x36, 0x28, 0x28,
                                   0x9D, 0x57, 0xCA, 0x3F, 0x9D, 0x44, 0x10, 0x2B};
const uint8_t kPreviewEnd[16] = {0xE0, 0xDA, 0x92, 0xF8, 0x2B, 0xC9, 0xD7, 0xD7,
                                 0x62, 0xA8, 0x35, 0xC0, 0x62, 0xBB, 0xEF, 0xD4};
const uint8_t kSecondStart[16] = {0xD4, 0x7B, 0x21, 0xCE, 0x28, 0x93, 0x9F, 0xBF,
                                  0x53, 0x24, 0x40, 0x09, 0x12, 0x3C, 0xAA, 0x01};
const uint8_t kSecondEnd[16] = {0x2B, 0x84, 0xDE, 0x31, 0xD7, 0x6C, 0x60, 0x40,
                                0xAC, 0xDB, 0xBF, 0xF6, 0xED, 0xC3, 0x55, 0xFE};

constexpr uint16_t kSeed = 0xC0C1;

// The auxiliary block of R2000 at offset 97 (123 bytes).
std::vector<uint8_t> auxiliary_block() {
  std::vector<uint8_t> b = {0xFF, 0x77, 0x00, 0x17, 0x00, 0x06, 0x00, 0x07, 0x00, 0x00, 0x00,
                            0xFF, 0xFF, 0xFF, 0xFF, 0x06, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,
                            0x00, 0x16, 0x00, 0x2E, 0x00, 0x16, 0x00, 0x2E, 0x00, 0x04, 0x00,
                            0x65, 0x05, 0x04, 0x00, 0x65, 0x05, 0x00, 0x00, 0x01};
  b.insert(b.end(), 22, 0);
  const uint8_t mid[] = {0x6E, 0x67, 0x25, 0x00, 0x53, 0x43, 0x55, 0x04, 0x6F,
                         0x67, 0x25, 0x00, 0x87, 0x9B, 0x50, 0x03, 0x4A};
  b.insert(b.end(), mid, mid + sizeof mid);
  b.insert(b.end(), 9, 0);
  b.push_back(0x03);
  b.insert(b.end(), 13, 0);
  b.push_back(0x07);
  // The block is 123 bytes (the locator's size, and the header variables at 97 + 123): its
  // closing run of zeros is 18 bytes long.
  b.insert(b.end(), 18, 0);
  return b;
}

bool same(const TkHandle& a, const TkHandle& b) { return std::memcmp(a.bytes, b.bytes, 8) == 0; }
bool is_null(const TkHandle& h) { return tk_handle_is_null(&h); }

void put_rl(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

int16_t sink(void* context, const void* data, size_t n) {
  auto* o = static_cast<DwgOut*>(context);
  o->sunk += uint32_t(n);
  return out_write(o->w, data, n);
}

// The bits written since bits_blob_begin, as whole bytes.
bool take_blob(DwgOut& o, std::vector<uint8_t>* bytes) {
  uint32_t bit_count = 0;
  TkBlob* blob = bits_blob_end(o.b, &bit_count);
  if (!blob) return false;
  bytes->assign((bit_count + 7) / 8, 0);
  TkBlob* r = blob_open_read(blob);
  bool ok = r && (bytes->empty() || blob_read(r, bytes->data(), bytes->size()));
  if (r) blob_close(r);
  blob_free(blob);
  return ok;
}

// Sentinel, RL size, data, RS CRC (seed 0xC0C1 over size and data), sentinel.
int16_t write_framed(DwgOut& o, const uint8_t start[16], const std::vector<uint8_t>& data,
                     const uint8_t end[16]) {
  uint8_t size[4];
  put_rl(size, uint32_t(data.size()));
  uint16_t crc = crc16(kSeed, size, 4);
  crc = crc16(crc, data.data(), data.size());
  uint8_t c[2] = {uint8_t(crc), uint8_t(crc >> 8)};
  return out_write(o.w, start, 16) && out_write(o.w, size, 4) &&
                 out_write(o.w, data.data(), data.size()) && out_write(o.w, c, 2) &&
                 out_write(o.w, end, 16)
             ? 1
             : 0;
}

// The value of a header variable as an integer.
int32_t int_of(const TkHeader* h, const TkHeaderVarDesc* desc) {
  if (!desc) return 0;
  const void* p = hdr_value(h, desc);
  switch (desc->type) {
    case TK_HV_BYTE: return int8_t(*static_cast<const uint8_t*>(p));
    case TK_HV_INT16:
    case TK_HV_USER_INT:
    case TK_HV_CODEPAGE: {
      int16_t v;
      std::memcpy(&v, p, 2);
      return v;
    }
    default: return 0;
  }
}

void doubles_of(const TkHeader* h, const TkHeaderVarDesc* desc, double v[3]) {
  v[0] = v[1] = v[2] = 0;
  if (!desc) return;
  int n = desc->type == TK_HV_POINT3 ? 3 : desc->type == TK_HV_POINT2 ? 2
          : (desc->type == TK_HV_DOUBLE || desc->type == TK_HV_USER_DOUBLE) ? 1 : 0;
  std::memcpy(v, hdr_value(h, desc), sizeof(double) * size_t(n));
}

TkHandle first_handle_of(TkList* list, size_t handle_offset) {
  TkHandle h{};
  const TkLink* l = list_first(list);
  if (l) std::memcpy(h.bytes, static_cast<const uint8_t*>(tk_link_data(l)) + handle_offset, 8);
  return h;
}

// What a header's record variable stands for; a variable the drawing never resolved takes
// the first record of its table.
TkHandle header_ref(DwgOut& o, int ref) {
  const TkHeader* h = o.w->header;
  auto pick = [&](int hnv) { return h->name_handles[hnv]; };
  TkHandle v{};
  switch (ref) {
    case DWG13_REF_CLAYER:
      v = pick(TK_HNV_CLAYER);
      if (is_null(v)) v = first_handle_of(&o.d->layers, offsetof(TkLayerRecord, handle));
      break;
    case DWG13_REF_TEXTSTYLE:
      v = pick(TK_HNV_TEXTSTYLE);
      if (is_null(v)) v = first_handle_of(&o.d->styles, offsetof(TkTextStyleRecord, handle));
      break;
    case DWG13_REF_CELTYPE:
      v = pick(TK_HNV_CELTYPE);
      if (is_null(v)) v = o.bylayer;
      break;
    case DWG13_REF_DIMSTYLE:
      v = pick(TK_HNV_DIMSTYLE);
      if (is_null(v)) v = first_handle_of(&o.d->dimstyles, offsetof(TkDimStyleRecord, handle));
      break;
    case DWG13_REF_CMLSTYLE: v = pick(TK_HNV_CMLSTYLE); break;
    case DWG13_REF_PUCSNAME: v = pick(TK_HNV_PUCSNAME); break;
    case DWG13_REF_UCSNAME: v = pick(TK_HNV_UCSNAME); break;
    case DWG13_REF_DIMTXSTY:
      v = pick(TK_HNV_DIMTXSTY);
      if (is_null(v)) v = first_handle_of(&o.d->styles, offsetof(TkTextStyleRecord, handle));
      break;
    case DWG13_REF_PUCSORTHOREF: v = pick(TK_HNV_PUCSORTHOREF); break;
    case DWG13_REF_PUCSBASE: v = pick(TK_HNV_PUCSBASE); break;
    case DWG13_REF_UCSORTHOREF: v = pick(TK_HNV_UCSORTHOREF); break;
    case DWG13_REF_UCSBASE: v = pick(TK_HNV_UCSBASE); break;
    case DWG13_REF_DIMLDRBLK: v = h->arrow_blocks[TK_ARROW_DIMLDRBLK]; break;
    case DWG13_REF_DIMBLK: v = h->arrow_blocks[TK_ARROW_DIMBLK]; break;
    case DWG13_REF_DIMBLK1: v = h->arrow_blocks[TK_ARROW_DIMBLK1]; break;
    case DWG13_REF_DIMBLK2: v = h->arrow_blocks[TK_ARROW_DIMBLK2]; break;
    default: break;
  }
  return v;
}

TkHandle held_handle(DwgOut& o, int held) {
  switch (held) {
    case DWG13_HELD_VPENT_CURRENT: return o.current_vpent;
    case DWG13_HELD_GROUP_DICTIONARY: return o.group_dictionary;
    case DWG13_HELD_MLINESTYLE_DICTIONARY: return o.mlinestyle_dictionary;
    case DWG13_HELD_NAMED_OBJECTS: return o.named_objects;
    case DWG13_HELD_PAPER_BLOCK_RECORD: return o.paper_record;
    case DWG13_HELD_MODEL_BLOCK_RECORD: return o.model_record;
    case DWG13_HELD_BYLAYER: return o.bylayer;
    case DWG13_HELD_BYBLOCK: return o.byblock;
    case DWG13_HELD_CONTINUOUS: return o.continuous;
    case DWG13_HELD_LAYOUTS: return o.layout_dictionary;
    case DWG13_HELD_PLOT_SETTINGS: return o.plotsettings_dictionary;
    case DWG13_HELD_PLOT_STYLES: return o.plotstyle_dictionary;
    default: return TkHandle{};
  }
}

// The header variables section's data, in the reader's table order.
bool header_variables(DwgOut& o, std::vector<uint8_t>* bytes) {
  TkHeader* h = o.w->header;
  bool r15 = o.version >= 7;
  const Dwg13HeaderItem* items = r15 ? dwg13_header_r15 : dwg13_header_r13;
  size_t count = r15 ? dwg13_header_r15_count : dwg13_header_r13_count;
  // Values the header block holds without a name, in the order they stand.
  const double drop_bd[] = {412148564080.0, 1.0, 1.0, 1.0, 0.5};
  const int16_t drop_bs_r13[] = {0, 4, 50};
  const int16_t drop_bs_r15[] = {4, 50, 0, 0};
  const int32_t drop_bl[] = {24, 0};
  size_t n_bd = 0, n_bs = 0, n_bl = 0;
  if (!bits_blob_begin(o.b)) return false;
  TkBitWriter* w = o.b;
  bool ok = true;
  for (size_t i = 0; ok && i < count; ++i) {
    const Dwg13HeaderItem& it = items[i];
    const TkHeaderVarDesc* desc = it.name ? hdr_find(it.name) : nullptr;
    double v[3];
    int16_t r = 1;
    switch (it.code) {
      case DWG13_HV_B: r = bits_write_bit(w, int_of(h, desc) != 0); break;
      case DWG13_HV_BS: {
        int32_t value = int_of(h, desc);
        if (!r15 && it.name && std::strcmp(it.name, "DIMUNIT") == 0) {
          // The older single unit setting carries the fraction format in its upper values.
          int16_t frac = h->dimfrac;
          if ((value == 4 || value == 5) && frac == 2) value += 2;
          else if (value == 6) value = 8;
        }
        r = bits_write_bs(w, int16_t(value));
        break;
      }
      case DWG13_HV_BL: r = bits_write_bl(w, int_of(h, desc)); break;
      case DWG13_HV_RC: r = bits_write_rc(w, uint8_t(int_of(h, desc))); break;
      case DWG13_HV_BD:
        doubles_of(h, desc, v);
        r = bits_write_bd(w, v[0]);
        break;
      case DWG13_HV_3BD:
        doubles_of(h, desc, v);
        r = bits_write_3bd(w, v);
        break;
      case DWG13_HV_2RD:
        doubles_of(h, desc, v);
        r = bits_write_2rd(w, v);
        break;
      case DWG13_HV_TV:
        r = bits_write_text(w, desc && desc->type == TK_HV_TEXT
                                   ? static_cast<const char*>(hdr_value(h, desc))
                                   : "");
        break;
      case DWG13_HV_DATE: {
        TkDate date{};
        if (desc && desc->type == TK_HV_DATE) std::memcpy(&date, hdr_value(h, desc), sizeof date);
        r = bits_write_bl(w, date.day) == 1 ? bits_write_bl(w, date.msec) : -1;
        break;
      }
      case DWG13_HV_REF: {
        TkHandle ref = header_ref(o, it.arg);
        r = bits_write_handle(w, &ref, 0x50);
        break;
      }
      case DWG13_HV_HELD: {
        TkHandle held = held_handle(o, it.arg);
        uint8_t code = it.arg == DWG13_HELD_NAMED_OBJECTS ? 0x30 : 0x50;
        r = bits_write_handle(w, &held, code);
        break;
      }
      case DWG13_HV_CONTROL: r = bits_write_handle(w, &o.controls[it.arg], 0x30); break;
      case DWG13_HV_HANDSEED: r = bits_write_handle(w, &h->handseed, 0); break;
      case DWG13_HV_FLAGS: {
        int16_t code = lineweight_to_code(h->celweight);
        int32_t flags = (code < 0 ? 0 : code & 0x1F) | (h->endcaps & 3) << 5 |
                        (h->joinstyle & 3) << 7 | (h->lwdisplay ? 0 : 0x200) |
                        (h->xedit ? 0 : 0x400) | 0x800 | (h->pstylemode ? 0x2000 : 0);
        r = bits_write_bl(w, flags);
        break;
      }
      case DWG13_HV_PLOTSTYLE:
        if (h->cepsntype == 3) {
          TkHandle none{};
          r = bits_write_handle(w, &none, 0x50);
        }
        break;
      case DWG13_HV_DROP_B: r = bits_write_bit(w, 0); break;
      case DWG13_HV_DROP_BS: {
        const int16_t* list = r15 ? drop_bs_r15 : drop_bs_r13;
        size_t n = r15 ? 4 : 3;
        r = bits_write_bs(w, n_bs < n ? list[n_bs] : 0);
        ++n_bs;
        break;
      }
      case DWG13_HV_DROP_BL: r = bits_write_bl(w, n_bl < 2 ? drop_bl[n_bl] : 0), ++n_bl; break;
      case DWG13_HV_DROP_BD: r = bits_write_bd(w, n_bd < 5 ? drop_bd[n_bd] : 0), ++n_bd; break;
      case DWG13_HV_DROP_TV: r = bits_write_text(w, ""); break;
      default: break;
    }
    ok = r == 1;
  }
  if (ok && !r15) ok = bits_write_handle(w, &o.continuous, 0x50) == 1;
  for (int i = 0; ok && r15 && i < 4; ++i) ok = bits_write_bs(w, 0) == 1;
  bool taken = take_blob(o, bytes);
  return ok && taken;
}

struct ZombieName {
  const char* dxf;
  const char* app;
  int16_t proxy;
};

// R13 and R14 give the well-known classes fixed application names and proxy flags.
const ZombieName kWellKnown[] = {
    {"LWPOLYLINE", "\"AutoCAD\"", 0}, {"DICTIONARYVAR", "\"AutoCAD\"", 0},
    {"SORTENTSTABLE", "\"AutoCAD\"", 0}, {"IMAGE", "\"ISM\"", 127},
    {"RASTERVARIABLES", "\"ISM\"", 0}, {"IMAGEDEF", "\"ISM\"", 0},
    {"IMAGEDEF_REACTOR", "\"ISM\"", 1}, {"OLE2FRAME", "\"\"", 0},
    {"HATCH", "\"ACAD_SEDONA\"", 0}, {"IDBUFFER", "\"Acad\"", 0},
    {"SPATIAL_FILTER", "\"Acad\"", 0}, {"LAYER_INDEX", "\"Acad\"", 0},
    {"SPATIAL_INDEX", "\"Acad\"", 0}, {"XRECORD", "\"<Built In>\"", 0},
    {"OBJECT_PTR", "\"ASE-LPNTableRecord\"", 1}, {"LAYOUT", "\"AutoCAD 2000\"", 1},
    {"PLOTSETTINGS", "\"AutoCAD 2000\"", 1}, {"ACDBDICTIONARYWDFLT", "\"AutoCAD 2000\"", 1},
    {"ACDBPLACEHOLDER", "\"AutoCAD 2000\"", 1}, {"VBA_PROJECT", "\"acadvba\"", 1},
    {"WIPEOUT", "\"WipeOut|AutoCAD Express Tool|expresstools@vellview.invalid\"", 127},
    {"WIPEOUTVARIABLES", "\"WipeOut|AutoCAD Express Tool|expresstools@vellview.invalid\"", 0},
    {"RTEXT", "\"RText|AutoCAD Express Tool|expresstools@vellview.invalid\"", 0},
    {"ARCALIGNEDTEXT", "\"ATEXT|AutoCAD Express Tool|expresstools@vellview.invalid\"", 0},
};

bool write_class(DwgOut& o, TkClassRecord c) {
  if (o.version < 7)
    for (const ZombieName& z : kWellKnown)
      if (tk_name_compare(c.dxf_name, z.dxf) == 0) {
        std::snprintf(c.application, sizeof c.application, "%s", z.app);
        c.proxy_flags = z.proxy;
      }
  TkBitWriter* w = o.b;
  return bits_write_bs(w, int16_t(c.number)) == 1 && bits_write_bs(w, c.proxy_flags) == 1 &&
         bits_write_text(w, c.application) == 1 && bits_write_text(w, c.class_name) == 1 &&
         bits_write_text(w, c.dxf_name) == 1 && bits_write_bit(w, c.was_proxy ? 1 : 0) == 1 &&
         bits_write_bs(w, c.item_class) == 1;
}

bool classes_section(DwgOut& o, std::vector<uint8_t>* bytes) {
  if (!bits_blob_begin(o.b)) return false;
  bool ok = true;
  int32_t count = class_list_count(o.d);
  o.zombie_entity_class = uint16_t(count + 500);
  o.zombie_object_class = uint16_t(count + 501);
  bool have_entity = false, have_object = false;
  TkClassRecord c;
  class_list_rewind(o.d);
  for (int32_t i = 0; ok && class_list_next(o.d, &c); ++i) {
    if (std::strcmp(c.class_name, "AcDbDxfZombieEntity") == 0) {
      o.zombie_entity_class = uint16_t(i + 500);
      have_entity = true;
    }
    if (std::strcmp(c.class_name, "AcDbDxfZombieObject") == 0) {
      o.zombie_object_class = uint16_t(i + 500);
      have_object = true;
    }
    ok = write_class(o, c);
  }
  if (ok && o.version == 5) {
    for (int k = 0; ok && k < 2; ++k) {
      if (k == 0 ? have_entity : have_object) continue;
      TkClassRecord z{};
      z.number = k == 0 ? o.zombie_entity_class : o.zombie_object_class;
      std::strcpy(z.application, "AutoCAD");
      std::strcpy(z.class_name, k == 0 ? "AcDbDxfZombieEntity" : "AcDbDxfZombieObject");
      std::strcpy(z.dxf_name, k == 0 ? "DxfZombieEntity" : "DxfZombieObject");
      z.item_class = k == 0 ? 498 : 499;
      ok = write_class(o, z);
    }
  }
  bool taken = take_blob(o, bytes);
  return ok && taken;
}

// The map in sections of at most about 2,032 bytes, each with its big-endian size and CRC,
// ended by an empty section.
int16_t write_object_map(DwgOut& o) {
  std::sort(o.map.begin(), o.map.end(), [](const DwgMapEntry& a, const DwgMapEntry& b) {
    return tk_handle_compare(&a.handle, &b.handle) < 0;
  });
  for (size_t i = 1; i < o.map.size(); ++i)
    if (same(o.map[i].handle, o.map[i - 1].handle))
      return tk_fail_handle(TK_ERR_OBJMAP_DUPLICATE, o.map[i].handle.bytes);
  std::vector<uint8_t> section;
  auto flush = [&]() -> bool {
    uint16_t size = uint16_t(section.size() + 2);
    uint8_t head[2] = {uint8_t(size >> 8), uint8_t(size)};
    uint16_t crc = crc16(kSeed, head, 2);
    crc = crc16(crc, section.data(), section.size());
    uint8_t tail[2] = {uint8_t(crc >> 8), uint8_t(crc)};
    bool written = out_write(o.w, head, 2) && out_write(o.w, section.data(), section.size()) &&
                   out_write(o.w, tail, 2);
    section.clear();
    return written;
  };
  TkHandle last{};
  uint32_t last_offset = 0;
  for (const DwgMapEntry& e : o.map) {
    TkHandle step;
    handle_sub(&e.handle, &last, &step);
    uint8_t buf[10];
    size_t n = modular_char_encode(&step, buf);
    section.insert(section.end(), buf, buf + n);
    uint8_t sbuf[6];
    n = modular_char_encode_signed(int32_t(e.offset - last_offset), sbuf);
    section.insert(section.end(), sbuf, sbuf + n);
    last = e.handle;
    last_offset = e.offset;
    if (section.size() + 2 >= 2032) {
      if (!flush()) return 0;
      last = TkHandle{};
      last_offset = 0;
    }
  }
  if (!section.empty() && !flush()) return 0;
  return flush() ? 1 : 0;
}

// The second header: where the sections are and the handles a reader needs first.
bool second_header(DwgOut& o, uint32_t start, const uint32_t seeker[6], const uint32_t size[6],
                   int records, std::vector<uint8_t>* bytes) {
  if (!bits_blob_begin(o.b)) return false;
  TkBitWriter* w = o.b;
  bool ok = bits_write_bl(w, int32_t(start)) == 1;
  const char* version = o.version == 5 ? "AC1012" : o.version == 6 ? "AC1014" : "AC1015";
  for (int i = 0; ok && i < 6; ++i) ok = bits_write_rc(w, uint8_t(version[i])) == 1;
  for (int i = 0; ok && i < 5; ++i) ok = bits_write_rc(w, 0) == 1;
  ok = ok && bits_write_rc(w, o.version >= 7 ? 6 : 0) == 1;
  for (int i = 0; ok && i < 4; ++i) ok = bits_write_bit(w, 0) == 1;
  const uint8_t r13[] = {0x18, 0x78, 0x01, uint8_t(o.version == 5 ? 4 : 5)};
  const uint8_t r15[] = {0x10, 0x5C, 0x18, 0x78, 0x01, 0x06};
  const uint8_t* mark = o.version >= 7 ? r15 : r13;
  size_t marks = o.version >= 7 ? sizeof r15 : sizeof r13;
  for (size_t i = 0; ok && i < marks; ++i) ok = bits_write_rc(w, mark[i]) == 1;
  ok = ok && bits_write_rc(w, 0) == 1;
  for (int i = 0; ok && i < records; ++i)
    ok = bits_write_rc(w, uint8_t(i)) == 1 && bits_write_bl(w, int32_t(seeker[i])) == 1 &&
         bits_write_bl(w, int32_t(size[i])) == 1;
  ok = ok && bits_write_bs(w, 14) == 1;
  TkHandle list[14] = {o.w->header->handseed, o.controls[0], o.controls[1], o.controls[2],
                       o.controls[3], o.controls[4], o.controls[5], o.controls[6],
                       o.controls[7], o.controls[8], o.controls[9], o.named_objects,
                       o.mlinestyle_dictionary, o.group_dictionary};
  for (int i = 0; ok && i < 14; ++i) {
    int16_t n = tk_handle_length(&list[i]);
    ok = bits_write_rc(w, uint8_t(n)) == 1 && bits_write_rc(w, uint8_t(i)) == 1;
    for (int k = 8 - n; ok && k < 8; ++k) ok = bits_write_rc(w, list[i].bytes[k]) == 1;
  }
  bool taken = take_blob(o, bytes);
  return ok && taken;
}

bool link_is(TkLink* l, uint16_t kind) {
  return l && tk_link_data(l) &&
         std::memcmp(static_cast<const uint8_t*>(tk_link_data(l)) + TK_STORED_KIND, &kind, 2) == 0;
}

// A header for every VIEWPORT of paper space, in list order. A file of this family named them
// already (the handle the viewport keeps); others get fresh handles.
bool prepare_viewport_headers(DwgOut& o) {
  TkDrawing* d = o.d;
  bool named = !d->is_dxf && d->version >= TK_VERSION_AC1012;
  for (TkLink* l = list_first(&d->paper_entities); l; l = l->next) {
    if (!link_is(l, TK_VIEWPORT)) continue;
    if (!entity_unpack(l, o.look_header, o.look_data, nullptr, nullptr)) continue;
    DwgOut::Vpent v{o.look_header->handle, TkHandle{}, true};
    v.on = tk_data_get<int16_t>(o.look_data, TK_VIEWPORT_STATUS) != 0;
    TkHandle kept = tk_data_get<TkHandle>(o.look_data, TK_VIEWPORT_LIST_VALUE);
    bool taken = false;
    for (const DwgOut::Vpent& other : o.vpents) taken = taken || same(other.header, kept);
    if (named && !is_null(kept) && !taken && !hidx_lookup(&d->index, &kept))
      v.header = kept;
    else if (!tk_next_handle(d, nullptr, 0, &v.header))
      return false;
    o.vpents.push_back(v);
  }
  if (!o.vpents.empty()) o.current_vpent = o.vpents.front().header;
  // Before R2000 every VIEWPORT keeps its view in extended data of the "ACAD" application.
  if (o.version < 7 && !tk_appid_find(d, "ACAD", &o.acad_appid)) {
    bool any = !o.vpents.empty();
    auto scan = [&](TkList* list) {
      for (TkLink* l = list_first(list); l && !any; l = l->next) any = link_is(l, TK_VIEWPORT);
    };
    scan(&d->model_entities);
    for (const TkLink* b = list_first(&d->blocks); b && !any; b = b->next)
      scan(static_cast<const TkBlockRecord*>(tk_link_data(b))->entities);
    if (any) {
      if (!tk_next_handle(d, nullptr, 0, &o.acad_appid)) return false;
      o.add_acad_appid = true;
    }
  }
  return true;
}

// The handles the file names beside the drawing's own: space blocks' BLOCK and ENDBLK
// entities are kept with the drawing so that a second save gives the same file.
bool prepare_handles(DwgOut& o) {
  TkDrawing* d = o.d;
  for (int i = 0; i < 10; ++i) o.controls[i] = d->fixed[i];
  o.model_record = d->fixed[TK_FIXED_MODEL_SPACE];
  o.paper_record = d->fixed[TK_FIXED_PAPER_SPACE];
  // A DXF file need not name every table's control object.
  for (TkHandle& control : o.controls)
    if (is_null(control) && !tk_next_handle(d, nullptr, 0, &control)) return false;
  // A handle some record of the drawing already has (a DXF file hands out its own) is
  // replaced by a fresh one.
  for (int i = 0; i < 4; ++i) {
    for (int tries = 0; is_null(d->further[i]) || hidx_lookup(&d->index, &d->further[i]); ++tries)
      if (tries > 1000 || !tk_next_handle(d, nullptr, 0, &d->further[i])) return false;
  }
  o.model_block = d->further[0];
  o.model_endblk = d->further[1];
  o.paper_block = d->further[2];
  o.paper_endblk = d->further[3];
  o.bylayer = d->bylayer_linetype;
  o.byblock = d->byblock_linetype;
  if (!tk_ltype_find(d, "CONTINUOUS", &o.continuous)) o.continuous = TkHandle{};
  o.named_objects = d->named_objects;
  if (is_null(o.named_objects)) tk_object_first_of_type(d, TK_OBJ_DICTIONARY, &o.named_objects);
  // What the drawing does not keep by itself is looked up in the named-object dictionary.
  auto entry = [&](const TkHandle& kept, const char* name) {
    TkHandle h = kept;
    if (is_null(h) && !is_null(o.named_objects) && !tk_dict_lookup(d, &o.named_objects, name, &h))
      h = TkHandle{};
    return h;
  };
  o.group_dictionary = entry(d->group_dictionary, "ACAD_GROUP");
  o.mlinestyle_dictionary = entry(d->mlinestyle_dictionary, "ACAD_MLINESTYLE");
  o.layout_dictionary = entry(d->layout_dictionary, "ACAD_LAYOUT");
  o.plotsettings_dictionary = entry(d->plotsettings_dictionary, "ACAD_PLOTSETTINGS");
  o.plotstyle_dictionary = entry(d->plotstyle_dictionary, "ACAD_PLOTSTYLENAME");
  if (!prepare_viewport_headers(o)) return false;
  o.w->header->handseed = d->seed;
  return true;
}

// The space blocks' BLOCK and ENDBLK entities, made up from their block records.
// which: 1 the BLOCK, 2 the ENDBLK, 3 both.
int16_t write_space_bounds(DwgOut& o, const TkBlockRecord& b, const TkHandle& block,
                           const TkHandle& endblk, bool paper, int which) {
  TkEntityHeader* h = o.look_header;
  TkEntityData* d = o.look_data;
  TkHandle saved_owner = o.owner;
  o.owner = b.handle;
  o.previous = o.next = TkHandle{};
  int16_t ok = 1;
  for (int k = 0; ok && k < 2; ++k) {
    if (!(which & (1 << k))) continue;
    std::memset(h, 0, sizeof *h);
    std::memset(d->bytes, 0, sizeof d->bytes);
    h->kind = k == 0 ? TK_BLOCK : TK_ENDBLK;
    h->handle = k == 0 ? block : endblk;
    h->layer = first_handle_of(&o.d->layers, offsetof(TkLayerRecord, handle));
    h->linetype = o.bylayer;
    h->colour = TK_COLOUR_BYLAYER;
    h->linetype_scale = 1.0;
    h->extrusion[2] = 1.0;
    if (paper) h->flags |= 1;
    if (k == 0) std::snprintf(tk_data_text(d, 24), 512, "%s", b.name);
    ok = dwg_write_entity(o, h, d, 0);
  }
  o.owner = saved_owner;
  return ok;
}

bool is_kind(TkLink* l, uint16_t kind) {
  return l && tk_link_data(l) &&
         std::memcmp(static_cast<const uint8_t*>(tk_link_data(l)) + TK_STORED_KIND, &kind, 2) == 0;
}

TkHandle link_handle(TkLink* l) {
  TkHandle h{};
  std::memcpy(h.bytes, static_cast<const uint8_t*>(tk_link_data(l)) + TK_STORED_HANDLE, 8);
  return h;
}

// A block record and its entities: the header first (it names its first and last entities),
// then the BLOCK entity, the entities and the ENDBLK.
int16_t write_block(DwgOut& o, TkBlockRecord& b, int32_t number) {
  bool model = same(b.handle, o.model_record), paper = same(b.handle, o.paper_record);
  TkList* list = model ? &o.d->model_entities : paper ? &o.d->paper_entities : b.entities;
  TkHandle block = model ? o.model_block : paper ? o.paper_block : TkHandle{};
  TkHandle endblk = model ? o.model_endblk : paper ? o.paper_endblk : TkHandle{};
  if (!model && !paper) {
    TkLink* first = list ? list->first : nullptr;
    TkLink* last = list ? list->last : nullptr;
    if (is_kind(first, TK_BLOCK)) block = link_handle(first);
    if (is_kind(last, TK_ENDBLK)) endblk = link_handle(last);
    // A block whose list lacks its bounds gets them from the seed (the seed was taken
    // into the header before, so these handles stay new).
    if (is_null(block) && !tk_next_handle(o.d, nullptr, 0, &block)) return 0;
    if (is_null(endblk) && !tk_next_handle(o.d, nullptr, 0, &endblk)) return 0;
  }
  // First and last writable main entities, found by a dry walk of the links.
  TkHandle first_entity{}, last_entity{};
  for (TkLink* l = list ? list->first : nullptr; l; l = l->next) {
    uint16_t kind = 0;
    if (!dwg_link_writable(o, l, &kind)) continue;
    if (kind == TK_BLOCK || kind == TK_ENDBLK || kind == TK_ATTRIB || kind == TK_VERTEX ||
        kind == TK_SEQEND)
      continue;
    if (is_null(first_entity)) first_entity = link_handle(l);
    last_entity = link_handle(l);
  }
  if (!dwg_write_block_header(o, b, number, block, endblk, first_entity, last_entity)) return 0;
  uint16_t mode = model ? 2 : paper ? 1 : 0;
  o.owner = b.handle;
  auto bounds = [&](int which) -> int16_t {
    TkLink* l = which == 0 ? list->first : list->last;
    if (!entity_unpack(l, o.look_header, o.look_data, nullptr, nullptr)) return 0;
    TkEntityHeader h = *o.look_header;
    auto* d = static_cast<TkEntityData*>(mem_alloc(sizeof(TkEntityData)));
    if (!d) return tk_fail_alloc(TK_ERR_SAVE_ALLOC);
    std::memcpy(d, o.look_data, sizeof *d);
    char* name = tk_data_text(d, 24);
    // Anonymous blocks are renumbered in file order before R2000.
    if (which == 0 && o.version < 7 && name[0] == '*' && std::strncmp(name, "*PAPER_SPACE", 12))
      std::snprintf(name + 2, 510, "%d", o.anonymous_number++);
    o.previous = o.next = TkHandle{};
    int16_t ok = dwg_write_entity(o, &h, d, 0);
    mem_free(d);
    return ok;
  };
  if (!model && !paper) {
    if (list && is_kind(list->first, TK_BLOCK)) {
      if (!bounds(0)) return 0;
    } else if (!write_space_bounds(o, b, block, endblk, false, 1)) {
      return 0;
    }
  }
  TkHandle first{}, last{};
  if (!dwg_write_entity_list(o, list, mode, &first, &last)) return 0;
  if (model || paper) return write_space_bounds(o, b, block, endblk, paper, 3);
  if (list && is_kind(list->last, TK_ENDBLK)) return bounds(1);
  return write_space_bounds(o, b, block, endblk, false, 2);
}

int16_t write_preview(DwgOut& o, uint32_t* at) {
  *at = out_tell(o.w);
  uint32_t data_start = *at + 16 + 4 + 1 + 9;
  uint8_t head[4 + 1 + 9];
  put_rl(head, 1 + 9 + 80);
  head[4] = 1;
  head[5] = 1;
  put_rl(head + 6, data_start);
  put_rl(head + 10, 80);
  uint8_t zeros[80] = {};
  return out_write(o.w, kPreviewStart, 16) && out_write(o.w, head, sizeof head) &&
                 out_write(o.w, zeros, sizeof zeros) && out_write(o.w, kPreviewEnd, 16)
             ? 1
             : 0;
}

}  // namespace

int16_t dwg_object_begin(DwgOut& o, uint16_t type, const TkHandle& handle, TkBlob* xdata,
                         TkBlob* graphics, bool entity) {
  int16_t r = bits_begin_object_eed(o.b, nullptr, type, &handle, 0, xdata, graphics,
                                    entity ? 1 : 0);
  o.b->object_start = o.position;
  return r == 1 ? 1 : 0;
}

int16_t dwg_object_end(DwgOut& o, const TkHandle& handle) {
  uint32_t start = o.b->object_start;
  o.sunk = 0;
  if (bits_end_object(o.b) != 1) return 0;
  o.position += o.sunk;
  o.map.push_back({handle, start});
  return 1;
}

int16_t dwg_common_handles(DwgOut& o, const TkHandle& own, const TkHandle& owner,
                           const TkHandle& xdictionary, uint32_t reactor_count, TkBlob* reactors) {
  TkBitWriter* w = o.b;
  if (bits_write_handle_ref(w, &owner, &own, 0x40) != 1) return 0;
  TkBlob* r = reactors && reactor_count ? blob_open_read(reactors) : nullptr;
  for (uint32_t i = 0; r && i < reactor_count; ++i) {
    TkHandle h{};
    if (!blob_read(r, h.bytes, 8)) break;
    if (bits_write_handle(w, &h, 0x40) != 1) {
      blob_close(r);
      return 0;
    }
  }
  if (r) blob_close(r);
  TkHandle none{};
  return bits_write_handle(w, o.version == 5 ? &none : &xdictionary, 0x30) == 1 ? 1 : 0;
}

int16_t dwg_write_file(TkDrawing* d, TkWriter* writer) {
  DwgOut o{};
  o.d = d;
  o.w = writer;
  o.b = &writer->bits;
  o.version = writer->output_version;
  o.b->sink = sink;
  o.b->sink_context = &o;
  o.b->output_version = o.version;
  o.look_header = static_cast<TkEntityHeader*>(mem_alloc(sizeof(TkEntityHeader)));
  o.look_data = static_cast<TkEntityData*>(mem_alloc(sizeof(TkEntityData)));
  struct Free {
    DwgOut& o;
    ~Free() {
      mem_free(o.look_header);
      mem_free(o.look_data);
      bits_discard(o.b);
      o.b->sink = nullptr;
    }
  } release{o};
  if (!o.look_header || !o.look_data) return tk_fail_alloc(TK_ERR_SAVE_ALLOC);
  if (!prepare_handles(o)) return 0;

  // File header with empty locators, its end sentinel and (R2000) the auxiliary block.
  int records = o.version == 5 ? 4 : o.version == 6 ? 5 : 6;
  size_t head_size = 25 + 9 * size_t(records) + 2;
  std::vector<uint8_t> head(head_size, 0);
  const char* version = o.version == 5 ? "AC1012" : o.version == 6 ? "AC1014" : "AC1015";
  std::memcpy(head.data(), version, 6);
  head[11] = o.version >= 7 ? 6 : 4;
  head[12] = 1;
  if (o.version >= 7) head[17] = 0x13, head[18] = 0x06;
  uint16_t codepage = uint16_t(writer->header->dwgcodepage);
  head[19] = uint8_t(codepage);
  head[20] = uint8_t(codepage >> 8);
  put_rl(&head[21], uint32_t(records));
  uint32_t seeker[6] = {}, size[6] = {};
  if (records == 6) seeker[5] = 97, size[5] = 123;
  if (!out_write(writer, head.data(), head.size()) || !out_write(writer, kFileHeaderEnd, 16))
    return tk_fail(TK_ERR_WRITE_HEADER);
  if (o.version >= 7) {
    std::vector<uint8_t> aux = auxiliary_block();
    if (!out_write(writer, aux.data(), aux.size())) return tk_fail(TK_ERR_WRITE_HEADER);
  }
  std::vector<uint8_t> bytes;
  seeker[0] = out_tell(writer);
  if (!header_variables(o, &bytes) || !write_framed(o, kHeaderStart, bytes, kHeaderEnd))
    return tk_fail(TK_ERR_WRITE_HEADER);
  seeker[1] = out_tell(writer);
  size[0] = seeker[1] - seeker[0];
  if (!classes_section(o, &bytes) || !write_framed(o, kClassesStart, bytes, kClassesEnd))
    return 0;
  size[1] = out_tell(writer) - seeker[1];

  // The gap: for R14 and R2000 MEASUREMENT where the reader looks for it.
  uint8_t gap[512] = {};
  if (o.version >= 6) {
    seeker[4] = out_tell(writer);
    size[4] = 4;
    gap[2] = uint8_t(writer->header->measurement);
  }
  if (!out_write(writer, gap, sizeof gap)) return 0;
  uint32_t objects_start = out_tell(writer);
  o.position = objects_start;

  // The objects.
  if (!dwg_write_block_control(o)) return 0;
  if (o.version >= 6 && (!dwg_write_table_controls(o) || !dwg_write_named_objects(o))) return 0;
  TkBlockRecord b;
  std::vector<TkHandle> blocks;
  block_list_rewind(d);
  while (block_list_next(d, &b)) blocks.push_back(b.handle);
  int32_t number = 0;
  for (const TkHandle& handle : blocks) {
    if (!tk_block_get(d, &handle, &b)) continue;
    if (!write_block(o, b, number++)) return 0;
  }
  if (!dwg_write_tables(o)) return 0;
  if (!dwg_write_objects(o)) return 0;

  seeker[2] = out_tell(writer);
  // The map's offsets were counted, not asked for: they must have come out where the file is.
  if (seeker[2] != o.position) return tk_fail(TK_ERR_OBJECT_MAP_WRITE);
  if (!write_object_map(o)) {
    if (tk_get_last_error() != TK_ERR_OBJMAP_DUPLICATE) (void)tk_fail(TK_ERR_OBJECT_MAP_WRITE);
    return 0;
  }
  size[2] = out_tell(writer) - seeker[2];
  seeker[3] = out_tell(writer);
  size[3] = 53;
  uint8_t block53[53] = {0, 0, 0, 0};
  put_rl(block53 + 4, uint32_t(o.map.size() + 3));
  const uint8_t tail45[45] = {0xA7, 0x62, 0x25, 0x00, 0xF6, 0xAF, 0x25, 0x02, 0, 0, 0, 0,
                              0x04, 0x32, 0,    0,    0,    0,    0,    0,    0, 0x64, 0, 0,
                              0,    0,    0,    0,    0,    0,    0x02, 0,    0, 0, 0, 0,
                              0,    0xFF, 0xFF, 0xFF, 0xFF, 0,    0,    0,    0};
  std::memcpy(block53 + 8, tail45, 45);
  put_rl(block53 + 16, objects_start);
  if (!out_write(writer, block53, sizeof block53)) return 0;

  uint32_t second = out_tell(writer);
  if (!second_header(o, second, seeker, size, records, &bytes)) return 0;
  {
    uint32_t frame = uint32_t(bytes.size()) + (o.version == 5 ? 6 : 14);
    uint8_t rl[4];
    put_rl(rl, frame);
    uint16_t crc = crc16(crc16(kSeed, rl, 4), bytes.data(), bytes.size());
    uint8_t c[2] = {uint8_t(crc), uint8_t(crc >> 8)};
    uint8_t skipped[8] = {};
    if (!out_write(writer, kSecondStart, 16) || !out_write(writer, rl, 4) ||
        !out_write(writer, bytes.data(), bytes.size()) || !out_write(writer, c, 2) ||
        (o.version >= 6 && !out_write(writer, skipped, 8)) || !out_write(writer, kSecondEnd, 16))
      return 0;
  }
  uint32_t preview = 0;
  if (!write_preview(o, &preview)) return 0;

  // The locators and the preview address, then the header's CRC over the patched bytes.
  put_rl(&head[13], preview);
  for (int i = 0; i < records; ++i) {
    head[25 + 9 * i] = uint8_t(i);
    put_rl(&head[26 + 9 * i], seeker[i]);
    put_rl(&head[30 + 9 * i], size[i]);
  }
  static const uint16_t kXor[3] = {0x8101, 0x3CC4, 0x8461};
  crc_stamp_record(head.data(), head.size(), kXor[records - 4]);
  uint32_t end = out_tell(writer);
  if (!out_seek(writer, 0) || !out_write(writer, head.data(), head.size()) ||
      !out_seek(writer, end))
    return 0;
  (void)tk_fail(TK_ERR_NONE);
  return 1;
}
