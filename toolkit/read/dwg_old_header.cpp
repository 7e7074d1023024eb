// The fixed-layout header of DWG files of AC1002 to AC1009: the section positions and table
// descriptors into the reader state, the header variables into TkHeader, the current-record
// table indexes into the global state. A variable is taken only when the file's header reaches
// it: bytes the file does not have never stand in for values.
#include <cstddef>
#include <cstring>

#include "toolkit/core/drawing.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/load.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"
#include "toolkit/read/dwg_old_file.h"

namespace {

using Field = DwgOldHeaderField;

constexpr uint32_t first_piece = 879;  // bytes 0 to 878

#define HV(pos, kind, from, member) \
  Field { pos, Field::kind, 0, from, offsetof(TkHeader, member), 0 }
#define HT(pos, len, from, member) \
  Field { pos, Field::TEXT, len, from, offsetof(TkHeader, member), sizeof(TkHeader::member) }

// The plain variables, in file order; the ones with rules of their own are read in code.
const Field fields[] = {
    HV(94, P3, 0, insbase),       HV(118, I16, 4, plinegen),    HV(120, P3, 0, extmin),
    HV(144, P3, 0, extmax),       HV(168, P2, 0, limmin),       HV(184, P2, 0, limmax),
    HV(200, P3, 0, viewctr),      HV(224, DBL, 0, viewsize),    HV(232, I16, 0, snapmode),
    HV(234, P2, 0, snapunit),     HV(250, P2, 0, snapbase),     HV(266, DBL, 0, snapang),
    HV(274, I16, 0, snapstyle),   HV(276, I16, 0, snapisopair), HV(278, I16, 0, gridmode),
    HV(280, P2, 0, gridunit),     HV(296, I16, 0, orthomode),   HV(298, I16, 0, regenmode),
    HV(300, I16, 0, fillmode),    HV(302, I16, 0, qtextmode),   HV(304, I16, 0, dragmode),
    HV(306, DBL, 0, ltscale),     HV(314, DBL, 0, textsize),    HV(322, DBL, 0, tracewid),
    HV(356, I16, 0, lunits),      HV(358, I16, 0, luprec),      HV(360, I16, 0, axismode),
    HV(362, P2, 0, axisunit),     HV(378, DBL, 0, sketchinc),   HV(386, DBL, 0, filletrad),
    HV(394, I16, 0, aunits),      HV(396, I16, 0, auprec),      HV(400, I16, 0, osmode),
    HV(402, I16, 0, attmode),     HV(419, DBL, 0, dimscale),    HV(427, DBL, 0, dimasz),
    HV(435, DBL, 0, dimexo),      HV(443, DBL, 0, dimdli),      HV(451, DBL, 0, dimexe),
    HV(459, DBL, 0, dimtp),       HV(467, DBL, 0, dimtm),       HV(475, DBL, 0, dimtxt),
    HV(483, DBL, 0, dimcen),      HV(491, DBL, 0, dimtsz),      HV(499, U8, 0, dimtol),
    HV(500, U8, 0, dimlim),       HV(501, U8, 0, dimtih),       HV(502, U8, 0, dimtoh),
    HV(503, U8, 0, dimse1),       HV(504, U8, 0, dimse2),       HV(505, U8, 0, dimtad),
    HV(506, I16, 0, limcheck),    HV(553, DBL, 0, elevation),   HV(561, DBL, 0, thickness),
    HV(569, P3, 0, viewdir),      HV(739, I16, 0, blipmode),    HV(741, U8, 0, dimzin),
    HV(742, DBL, 0, dimrnd),      HV(750, DBL, 0, dimdle),      HT(758, 31, 0, dimblk),
    HV(793, I16, 0, coords),      HV(795, I16, 0, cecolor),     HV(799, DATE, 0, tdcreate),
    HV(807, DATE, 0, tdupdate),   HV(815, DATE, 0, tdindwg),    HV(823, DATE, 0, tdusrtimer),
    HV(831, I16, 0, usrtimer),    HV(833, I16, 0, fastzoom),    HV(835, I16, 0, skpoly),
    HV(851, DBL, 0, angbase),     HV(859, I16, 0, angdir),      HV(861, I16, 0, pdmode),
    HV(863, DBL, 0, pdsize),      HV(871, DBL, 0, plinewid),
    // Second piece.
    HV(929, U8, 1, dimalt),       HV(930, U8, 1, dimaltd),      HV(931, U8, 1, dimaso),
    HV(932, U8, 1, dimsho),       HT(933, 16, 1, dimpost),      HT(949, 16, 1, dimapost),
    HV(965, DBL, 1, dimaltf),     HV(973, DBL, 1, dimlfac),     HV(981, I16, 2, splinesegs),
    HV(983, I16, 2, splframe),    HV(985, I16, 2, attreq),      HV(987, I16, 2, attdia),
    HV(989, DBL, 2, chamfera),    HV(997, DBL, 2, chamferb),    HV(1019, P3, 3, ucsorg),
    HV(1043, P3, 3, ucsxdir),     HV(1067, P3, 3, ucsydir),     HV(1091, P3, 3, unnamed_point),
    HV(1115, DBL, 3, unnamed_double[0]), HV(1123, DBL, 3, viewtwist),
    HV(1131, DBL, 3, unnamed_double[1]), HV(1139, DBL, 3, unnamed_double[2]),
    HV(1147, I16, 3, unnamed_short[0]),  HV(1149, U8, 3, dimtofl),
    HT(1150, 32, 3, dimblk1),     HT(1183, 32, 3, dimblk2),     HV(1216, U8, 3, dimsah),
    HV(1217, U8, 3, dimtix),      HV(1218, U8, 3, dimsoxd),     HV(1219, DBL, 3, dimtvp),
    HT(1227, 32, 3, unnamed_text), HV(1260, I16, 3, handling),  HV(1270, I16, 3, surfu),
    HV(1272, I16, 3, surfv),      HV(1274, I16, 3, surftype),   HV(1276, I16, 3, surftab1),
    HV(1278, I16, 3, surftab2),   HV(1290, I16, 3, flatland),   HV(1292, I16, 3, splinetype),
    HV(1294, I16, 3, unnamed_short[1]),  HV(1310, I16, 4, unnamed_short[2]),
    HV(1312, I16, 4, unnamed_short[3]),  HV(1329, I16, 4, dimclrd),
    HV(1331, I16, 4, dimclre),    HV(1333, I16, 4, dimclrt),    HV(1335, I16, 4, shadedge),
    HV(1337, I16, 4, shadedif),   HV(1341, I16, 4, unitmode),   HV(1503, DBL, 4, dimtfac),
    HV(1511, P3, 4, pucsorg),     HV(1535, P3, 4, pucsxdir),    HV(1559, P3, 4, pucsydir),
    HV(1585, I16, 4, tilemode),   HV(1587, I16, 4, plimcheck),  HV(1591, P3, 4, pextmin),
    HV(1615, P3, 4, pextmax),     HV(1639, P2, 4, plimmin),     HV(1655, P2, 4, plimmax),
    HV(1671, P3, 4, pinsbase),    HV(1705, I16, 4, maxactvp),   HV(1707, DBL, 4, dimgap),
    HV(1715, DBL, 4, pelevation),
};

#undef HV
#undef HT

}  // namespace

const DwgOldHeaderField* dwg_old_header_fields(size_t* count) {
  *count = sizeof fields / sizeof *fields;
  return fields;
}

size_t dwg_old_header_field_size(const DwgOldHeaderField& f) {
  switch (f.kind) {
    case Field::I16: return 2;
    case Field::DBL: return 8;
    case Field::P2: return 16;
    case Field::P3: return 24;
    case Field::U8: return 1;
    case Field::TEXT: return f.length;
    case Field::DATE: return 8;
  }
  return 0;
}

namespace {

// The header bytes read, positions counted from the start of the file.
struct Image {
  const uint8_t* bytes;
  size_t length;

  bool has(size_t position, size_t n) const { return position + n <= length; }
  DwgOldCursor at(size_t position) const {
    DwgOldCursor c = dwg_old_cursor(bytes, length);
    if (position > length) {
      c.bad = true;
    } else {
      c.pos = position;
    }
    return c;
  }
  int16_t i16(size_t position, int16_t fallback) const {
    return has(position, 2) ? at(position).i16() : fallback;
  }
};

void take_field(TkHeader* header, const Image& image, const Field& f) {
  if (!image.has(f.position, dwg_old_header_field_size(f))) return;
  auto* out = reinterpret_cast<uint8_t*>(header) + f.offset;
  DwgOldCursor c = image.at(f.position);
  switch (f.kind) {
    case Field::I16: {
      int16_t v = c.i16();
      std::memcpy(out, &v, 2);
      break;
    }
    case Field::DBL:
    case Field::P2:
    case Field::P3: {
      double v[3];
      int n = f.kind == Field::DBL ? 1 : f.kind == Field::P2 ? 2 : 3;
      c.point(v, n);
      std::memcpy(out, v, sizeof(double) * static_cast<size_t>(n));
      break;
    }
    case Field::U8: *out = c.u8(); break;
    case Field::TEXT: c.text_field(reinterpret_cast<char*>(out), f.room, f.length); break;
    case Field::DATE: {
      TkDate date;
      date.day = c.i32();
      date.msec = c.i32();
      std::memcpy(out, &date, sizeof date);
      break;
    }
  }
}

void take_table(DwgOldState* s, TkDrawing* d, const Image& image, size_t position, int table,
                bool low_16_bits) {
  if (!image.has(position, 10)) return;
  DwgOldCursor c = image.at(position);
  DwgOldTableDesc& t = s->tables[table];
  t.record_size = c.u16();
  t.count = c.i32();
  t.position = c.i32();
  if (low_16_bits) t.count = static_cast<uint16_t>(t.count);
  static const TkTableCount slots[DWG_OLD_TABLE_COUNT] = {
      TK_COUNT_BLOCK, TK_COUNT_LAYER, TK_COUNT_STYLE,    TK_COUNT_LTYPE, TK_COUNT_VIEW,
      TK_COUNT_UCS,   TK_COUNT_VPORT, TK_COUNT_APPID, TK_COUNT_DIMSTYLE, TK_COUNT_VPENT_HEADER};
  d->record_counts[slots[table]] = t.count;
}

uint16_t index_word(const Image& image, size_t position, uint16_t fallback) {
  return static_cast<uint16_t>(image.i16(position, static_cast<int16_t>(fallback)));
}

}  // namespace

int16_t dwg_old_read_header(TkDrawing* d, DwgOldState* s) {
  TkHeader* h = d->header;
  const int16_t v = d->version;
  uint8_t* buffer = tk_state->read_buffer;
  if (!buffer) return tk_fail(TK_ERR_READ_BUFFER);

  // First piece: the fixed part.
  if (!dwg_old_read_at(d, 0, first_piece)) return tk_fail(TK_ERR_READ_HEADER);
  DwgOldCursor fixed = dwg_old_cursor(buffer, first_piece);
  fixed.pos = 17;
  s->subversion = fixed.i16();
  if (v == TK_VERSION_AC1006 && s->subversion >= 0 && s->subversion < 160) s->subversion = 160;
  fixed.pos = 20;
  s->entities_start = fixed.u32();
  s->entities_end = fixed.u32();
  s->blocks_start = fixed.u32();
  s->blocks_size = fixed.u32() & 0x3FFFFFFFu;
  s->extras_start = fixed.u32();
  s->extras_size = fixed.u32() & 0x3FFFFFFFu;
  if (s->extras_start == 0) s->extras_start = s->blocks_start + s->blocks_size;
  if (static_cast<uint64_t>(s->blocks_start) + s->blocks_size > s->file_length)
    s->doubtful_viewports = 1;

  // Second piece: from 879 up to the entity section, never beyond the buffer or the file. Both
  // pieces share the buffer, so the header is read again in one go.
  size_t length = first_piece;
  bool second = v != TK_VERSION_AC1002 || s->subversion > 104;
  if (second && s->entities_start > first_piece) {
    size_t end = s->entities_start;
    if (end > TK_READ_BUFFER_SIZE) end = TK_READ_BUFFER_SIZE;
    if (end > s->file_length) end = s->file_length;
    if (end > first_piece) {
      if (!dwg_old_read_at(d, 0, end)) return tk_fail(TK_ERR_READ_HEADER);
      length = end;
    }
  }
  const Image image{buffer, length};

  std::memcpy(h->acadver, buffer, 6);
  h->acadver[6] = 0;

  const bool low_counts = v <= TK_VERSION_AC1003;
  const int fixed_tables[] = {DWG_OLD_BLOCK, DWG_OLD_LAYER, DWG_OLD_STYLE, DWG_OLD_LTYPE,
                              DWG_OLD_VIEW};
  for (int i = 0; i < 5; ++i) take_table(s, d, image, 44 + 10 * i, fixed_tables[i], low_counts);

  for (const Field& f : fields)
    if (v >= f.from_version) take_field(h, image, f);

  // MENU is two pieces, 14 and 45 characters.
  if (image.has(508, 45)) {
    char menu[60];
    std::memcpy(menu, buffer + 404, 14);
    std::memcpy(menu + 14, buffer + 508, 45);
    menu[59] = 0;
    std::memcpy(h->menu, menu, sizeof menu);
    h->menu[sizeof h->menu - 1] = 0;
  }

  TkHeaderIndexes& ix = tk_state->header_indexes;
  ix.clayer = index_word(image, 330, 0);
  ix.textstyle = index_word(image, 398, 0);
  ix.celtype = index_word(image, 797, static_cast<uint16_t>(s->bylayer_ltype));

  if (v == TK_VERSION_AC1009) {
    h->psltscale = image.has(342, 1) ? static_cast<int8_t>(buffer[342]) : 0;
    h->treedepth = image.i16(344, 0);
    if (h->treedepth == 0) h->treedepth = 3020;
  } else {
    h->psltscale = 0;
    h->treedepth = 3020;
  }

  if (v == TK_VERSION_AC1002 && s->subversion <= 104) {
    std::memset(h->useri, 0, sizeof h->useri);
    std::memset(h->userr, 0, sizeof h->userr);
  } else if (image.has(879, 50)) {
    DwgOldCursor c = image.at(879);
    for (int16_t& i : h->useri) i = c.i16();
    for (double& r : h->userr) r = c.rd();
  }

  if (v >= TK_VERSION_AC1004) {
    int16_t mirrtext = s->subversion >= 81 ? image.i16(1005, 0) : 0;
    h->mirrtext = mirrtext == 0 || mirrtext == 1 ? mirrtext : 0;
  }

  if (v >= TK_VERSION_AC1006) {
    take_table(s, d, image, 1007, DWG_OLD_UCS, false);
    h->dwgcodepage = v == TK_VERSION_AC1009 ? image.i16(1017, h->dwgcodepage) : 0;
    if (image.has(1260, 10)) {
      d->has_file_seed = static_cast<uint8_t>(h->handling & 0xFF);
      std::memcpy(h->handseed.bytes, buffer + 1262, 8);
      d->file_seed = h->handseed;
    }
    take_table(s, d, image, 1280, DWG_OLD_VPORT, false);
    ix.ucsname = index_word(image, 1296, ix.ucsname);
    if (s->subversion >= 160) {
      if (v == TK_VERSION_AC1009) {
        take_table(s, d, image, 1298, DWG_OLD_APPID, false);
      } else if (image.has(1304, 4)) {
        s->appid_word = image.at(1304).i32();
      }
      h->worldview = image.i16(1308, h->worldview);
    } else {
      s->appid_word = s->tables[DWG_OLD_VPORT].position;
      h->worldview = 1;
    }
  }

  if (v == TK_VERSION_AC1009) {
    take_table(s, d, image, 1314, DWG_OLD_DIMSTYLE, false);
    ix.dimstyle = index_word(image, 1324, ix.dimstyle);
    ix.pucsname = index_word(image, 1583, ix.pucsname);
    ix.first_vpent_header = index_word(image, 1589, ix.first_vpent_header);
    take_table(s, d, image, 1695, DWG_OLD_VPENT, false);
    if (s->subversion > 204) h->visretain = image.i16(1723, h->visretain);
  }

  // The current linetype: this release's by-layer and by-block numbers become the ones the
  // load knows.
  if (ix.celtype == static_cast<uint16_t>(s->bylayer_ltype)) {
    ix.celtype = 32767;
  } else if (ix.celtype == static_cast<uint16_t>(s->byblock_ltype)) {
    ix.celtype = 32766;
  }

  if (s->doubtful_viewports && s->tables[DWG_OLD_VPENT].count > 0)
    return tk_fail(TK_ERR_BAD_VIEWPORT_HEADERS);

  int16_t first = static_cast<int16_t>(ix.first_vpent_header);
  if (first < 0 || first > s->tables[DWG_OLD_VPENT].count) first = 1;
  s->first_vpent_header = first;
  return 1;
}
