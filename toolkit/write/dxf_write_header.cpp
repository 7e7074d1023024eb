// The HEADER section of a DXF file: the header variables in their one fixed
// order, each with its group code and value kind and only in the releases that
// hold it. Values come from the output copy of the header through the core's
// variable table (hdr_find), so the byte places of the variables are known in
// one place; names come from the records the header's handles name.
#include <cstdio>
#include <cstring>

#include "toolkit/core/codepage_names.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/hdr.h"
#include "toolkit/write/dxf_write.h"

namespace {

enum Kind : uint8_t {
  STR,     // text variable, string group
  I16,     // 16-bit group
  I8,      // 8-bit group
  REAL,    // 6-decimal real
  ANGLE,   // radians written in degrees
  P2,      // 2D point
  P3,      // 3D point; Z from the release in `zfrom`
  P3_16,   // 3D point at 16 decimals
  DATE9,   // calendar date
  DATE10,  // duration
  NAME,    // record name of a name variable (`arg` = TK_HNV_*)
  PLAIN,   // name variable as a plain string
  EMPTY,   // always empty
  BLOCK,   // arrow block name (`arg` = TK_ARROW_*)
  ACADVER,
  MAINTVER,
  CODEPAGE,
  HANDSEED,
  USERI,
  USERR,
};

struct Var {
  const char* name;
  uint8_t kind;
  int16_t code;
  int8_t from, to;
  int8_t arg;   // NAME, BLOCK: the slot; P3: first release with Z
  uint8_t ext;  // 1: also in AC1009 with the R12 header extension
};

// The order of the file. Releases: 0 AC1002, 1 AC1003, 2 AC1004, 3 AC1006, 4
// AC1009, 5 AC1012, 6 AC1014, 7 AC1015.
const Var kVars[] = {
    {"ACADVER", ACADVER, 1, 0, 7, 0, 0},
    {"ACADMAINTVER", MAINTVER, 70, 6, 7, 0, 0},
    {"DWGCODEPAGE", CODEPAGE, 3, 5, 7, 0, 0},
    {"INSBASE", P3, 10, 0, 7, 3, 0},
    {"EXTMIN", P3, 10, 0, 7, 4, 0},
    {"EXTMAX", P3, 10, 0, 7, 4, 0},
    {"LIMMIN", P2, 10, 0, 7, 0, 0},
    {"LIMMAX", P2, 10, 0, 7, 0, 0},
    {"VIEWCTR", P2, 10, 0, 3, 0, 0},
    {"VIEWSIZE", REAL, 40, 0, 3, 0, 0},
    {"SNAPMODE", I16, 70, 0, 3, 0, 0},
    {"SNAPUNIT", P2, 10, 0, 3, 0, 0},
    {"SNAPBASE", P2, 10, 0, 3, 0, 0},
    {"SNAPANG", ANGLE, 50, 0, 3, 0, 0},
    {"SNAPSTYLE", I16, 70, 0, 3, 0, 0},
    {"SNAPISOPAIR", I16, 70, 0, 3, 0, 0},
    {"GRIDMODE", I16, 70, 0, 3, 0, 0},
    {"GRIDUNIT", P2, 10, 0, 3, 0, 0},
    {"ORTHOMODE", I16, 70, 0, 7, 0, 0},
    {"REGENMODE", I16, 70, 0, 7, 0, 0},
    {"FILLMODE", I16, 70, 0, 7, 0, 0},
    {"QTEXTMODE", I16, 70, 0, 7, 0, 0},
    {"MIRRTEXT", I16, 70, 3, 7, 0, 0},
    {"DRAGMODE", I16, 70, 0, 6, 0, 0},
    {"LTSCALE", REAL, 40, 0, 7, 0, 0},
    {"OSMODE", I16, 70, 0, 6, 0, 0},
    {"ATTMODE", I16, 70, 0, 7, 0, 0},
    {"TEXTSIZE", REAL, 40, 0, 7, 0, 0},
    {"TRACEWID", REAL, 40, 0, 7, 0, 0},
    {"TEXTSTYLE", NAME, 7, 0, 7, TK_HNV_TEXTSTYLE, 0},
    {"CLAYER", NAME, 8, 0, 7, TK_HNV_CLAYER, 0},
    {"CELTYPE", NAME, 6, 0, 7, TK_HNV_CELTYPE, 0},
    {"CECOLOR", I16, 62, 0, 7, 0, 0},
    {"CELTSCALE", REAL, 40, 5, 7, 0, 0},
    {"DELOBJ", I16, 70, 5, 6, 0, 0},
    {"DISPSILH", I16, 70, 5, 7, 0, 0},
    {"DIMSCALE", REAL, 40, 0, 7, 0, 0},
    {"DIMASZ", REAL, 40, 0, 7, 0, 0},
    {"DIMEXO", REAL, 40, 0, 7, 0, 0},
    {"DIMDLI", REAL, 40, 0, 7, 0, 0},
    {"DIMRND", REAL, 40, 0, 7, 0, 0},
    {"DIMDLE", REAL, 40, 0, 7, 0, 0},
    {"DIMEXE", REAL, 40, 0, 7, 0, 0},
    {"DIMTP", REAL, 40, 0, 7, 0, 0},
    {"DIMTM", REAL, 40, 0, 7, 0, 0},
    {"DIMTXT", REAL, 40, 0, 7, 0, 0},
    {"DIMCEN", REAL, 40, 0, 7, 0, 0},
    {"DIMTSZ", REAL, 40, 0, 7, 0, 0},
    {"DIMTOL", I16, 70, 0, 7, 0, 0},
    {"DIMLIM", I16, 70, 0, 7, 0, 0},
    {"DIMTIH", I16, 70, 0, 7, 0, 0},
    {"DIMTOH", I16, 70, 0, 7, 0, 0},
    {"DIMSE1", I16, 70, 0, 7, 0, 0},
    {"DIMSE2", I16, 70, 0, 7, 0, 0},
    {"DIMTAD", I16, 70, 0, 7, 0, 0},
    {"DIMZIN", I16, 70, 0, 7, 0, 0},
    {"DIMBLK", BLOCK, 1, 0, 7, TK_ARROW_DIMBLK, 0},
    {"DIMASO", I16, 70, 1, 7, 0, 0},
    {"DIMSHO", I16, 70, 1, 7, 0, 0},
    {"DIMPOST", STR, 1, 1, 7, 0, 0},
    {"DIMAPOST", STR, 1, 1, 7, 0, 0},
    {"DIMALT", I16, 70, 1, 7, 0, 0},
    {"DIMALTD", I16, 70, 1, 7, 0, 0},
    {"DIMALTF", REAL, 40, 1, 7, 0, 0},
    {"DIMLFAC", REAL, 40, 1, 7, 0, 0},
    {"DIMTOFL", I16, 70, 3, 7, 0, 0},
    {"DIMTVP", REAL, 40, 3, 7, 0, 0},
    {"DIMTIX", I16, 70, 3, 7, 0, 0},
    {"DIMSOXD", I16, 70, 3, 7, 0, 0},
    {"DIMSAH", I16, 70, 3, 7, 0, 0},
    {"DIMBLK1", BLOCK, 1, 3, 7, TK_ARROW_DIMBLK1, 0},
    {"DIMBLK2", BLOCK, 1, 3, 7, TK_ARROW_DIMBLK2, 0},
    {"DIMSTYLE", NAME, 2, 4, 7, TK_HNV_DIMSTYLE, 0},
    {"DIMCLRD", I16, 70, 4, 7, 0, 0},
    {"DIMCLRE", I16, 70, 4, 7, 0, 0},
    {"DIMCLRT", I16, 70, 4, 7, 0, 0},
    {"DIMTFAC", REAL, 40, 4, 7, 0, 0},
    {"DIMGAP", REAL, 40, 4, 7, 0, 0},
    {"DIMJUST", I16, 70, 5, 7, 0, 0},
    {"DIMSD1", I16, 70, 5, 7, 0, 0},
    {"DIMSD2", I16, 70, 5, 7, 0, 0},
    {"DIMTOLJ", I16, 70, 5, 7, 0, 0},
    {"DIMTZIN", I16, 70, 5, 7, 0, 0},
    {"DIMALTZ", I16, 70, 5, 7, 0, 0},
    {"DIMALTTZ", I16, 70, 5, 7, 0, 0},
    {"DIMFIT", I16, 70, 5, 6, 0, 0},
    {"DIMUPT", I16, 70, 5, 7, 0, 0},
    {"DIMUNIT", I16, 70, 5, 6, 0, 0},
    {"DIMDEC", I16, 70, 5, 7, 0, 0},
    {"DIMTDEC", I16, 70, 5, 7, 0, 0},
    {"DIMALTU", I16, 70, 5, 7, 0, 0},
    {"DIMALTTD", I16, 70, 5, 7, 0, 0},
    {"DIMTXSTY", NAME, 7, 5, 7, TK_HNV_DIMTXSTY, 0},
    {"DIMAUNIT", I16, 70, 5, 7, 0, 0},
    {"DIMADEC", I16, 70, 7, 7, 0, 0},
    {"DIMALTRND", REAL, 40, 7, 7, 0, 0},
    {"DIMAZIN", I16, 70, 7, 7, 0, 0},
    {"DIMDSEP", I16, 70, 7, 7, 0, 0},
    {"DIMATFIT", I16, 70, 7, 7, 0, 0},
    {"DIMFRAC", I16, 70, 7, 7, 0, 0},
    {"DIMLDRBLK", BLOCK, 1, 7, 7, TK_ARROW_DIMLDRBLK, 0},
    {"DIMLUNIT", I16, 70, 7, 7, 0, 0},
    {"DIMLWD", I16, 70, 7, 7, 0, 0},
    {"DIMLWE", I16, 70, 7, 7, 0, 0},
    {"DIMTMOVE", I16, 70, 7, 7, 0, 0},
    {"LUNITS", I16, 70, 0, 7, 0, 0},
    {"LUPREC", I16, 70, 0, 7, 0, 0},
    {"AXISMODE", I16, 70, 0, 4, 0, 0},
    {"AXISUNIT", P2, 10, 0, 4, 0, 0},
    {"SKETCHINC", REAL, 40, 0, 7, 0, 0},
    {"FILLETRAD", REAL, 40, 0, 7, 0, 0},
    {"AUNITS", I16, 70, 0, 7, 0, 0},
    {"AUPREC", I16, 70, 0, 7, 0, 0},
    {"MENU", STR, 1, 0, 7, 0, 0},
    {"ELEVATION", REAL, 40, 0, 7, 0, 0},
    {"PELEVATION", REAL, 40, 4, 7, 0, 0},
    {"THICKNESS", REAL, 40, 0, 7, 0, 0},
    {"VIEWDIR", P3, 10, 0, 2, 0, 0},
    {"LIMCHECK", I16, 70, 0, 7, 0, 0},
    {"BLIPMODE", I16, 70, 0, 6, 0, 0},
    {"CHAMFERA", REAL, 40, 0, 7, 0, 0},
    {"CHAMFERB", REAL, 40, 0, 7, 0, 0},
    {"CHAMFERC", REAL, 40, 5, 7, 0, 0},
    {"CHAMFERD", REAL, 40, 5, 7, 0, 0},
    {"FASTZOOM", I16, 70, 0, 2, 0, 0},
    {"SKPOLY", I16, 70, 0, 7, 0, 0},
    {"TDCREATE", DATE9, 40, 0, 7, 0, 0},
    {"TDUCREATE", DATE9, 40, 7, 7, 0, 0},
    {"TDUPDATE", DATE9, 40, 0, 7, 0, 0},
    {"TDUUPDATE", DATE9, 40, 7, 7, 0, 0},
    {"TDINDWG", DATE10, 40, 0, 7, 0, 0},
    {"TDUSRTIMER", DATE10, 40, 0, 7, 0, 0},
    {"USRTIMER", I16, 70, 0, 7, 0, 0},
    {"ANGBASE", ANGLE, 50, 0, 7, 0, 0},
    {"ANGDIR", I16, 70, 0, 7, 0, 0},
    {"PDMODE", I16, 70, 0, 7, 0, 0},
    {"PDSIZE", REAL, 40, 0, 7, 0, 0},
    {"PLINEWID", REAL, 40, 0, 7, 0, 0},
    {"COORDS", I16, 70, 0, 6, 0, 0},
    {"SPLFRAME", I16, 70, 2, 7, 0, 0},
    {"SPLINETYPE", I16, 70, 3, 7, 0, 0},
    {"SPLINESEGS", I16, 70, 2, 7, 0, 0},
    {"ATTDIA", I16, 70, 2, 6, 0, 0},
    {"ATTREQ", I16, 70, 2, 6, 0, 0},
    {"HANDLING", I16, 70, 3, 6, 0, 0},
    {"HANDSEED", HANDSEED, 5, 3, 7, 0, 0},
    {"SURFTAB1", I16, 70, 3, 7, 0, 0},
    {"SURFTAB2", I16, 70, 3, 7, 0, 0},
    {"SURFTYPE", I16, 70, 3, 7, 0, 0},
    {"SURFU", I16, 70, 3, 7, 0, 0},
    {"SURFV", I16, 70, 3, 7, 0, 0},
    {"FLATLAND", I16, 70, 3, 3, 0, 0},
    {"UCSBASE", EMPTY, 2, 7, 7, 0, 0},
    {"UCSNAME", NAME, 2, 3, 7, TK_HNV_UCSNAME, 0},
    {"UCSORG", P3_16, 10, 3, 7, 0, 0},
    {"UCSXDIR", P3_16, 10, 3, 7, 0, 0},
    {"UCSYDIR", P3_16, 10, 3, 7, 0, 0},
    {"UCSORTHOREF", EMPTY, 2, 7, 7, 0, 0},
    {"UCSORTHOVIEW", I16, 70, 7, 7, 0, 0},
    {"UCSORGTOP", P3_16, 10, 7, 7, 0, 0},
    {"UCSORGBOTTOM", P3_16, 10, 7, 7, 0, 0},
    {"UCSORGLEFT", P3_16, 10, 7, 7, 0, 0},
    {"UCSORGRIGHT", P3_16, 10, 7, 7, 0, 0},
    {"UCSORGFRONT", P3_16, 10, 7, 7, 0, 0},
    {"UCSORGBACK", P3_16, 10, 7, 7, 0, 0},
    {"PUCSBASE", EMPTY, 2, 7, 7, 0, 0},
    {"PUCSNAME", PLAIN, 2, 4, 7, TK_HNV_PUCSNAME, 0},
    {"PUCSORG", P3_16, 10, 4, 7, 0, 0},
    {"PUCSXDIR", P3_16, 10, 4, 7, 0, 0},
    {"PUCSYDIR", P3_16, 10, 4, 7, 0, 0},
    {"PUCSORTHOREF", EMPTY, 2, 7, 7, 0, 0},
    {"PUCSORTHOVIEW", I16, 70, 7, 7, 0, 0},
    {"PUCSORGTOP", P3_16, 10, 7, 7, 0, 0},
    {"PUCSORGBOTTOM", P3_16, 10, 7, 7, 0, 0},
    {"PUCSORGLEFT", P3_16, 10, 7, 7, 0, 0},
    {"PUCSORGRIGHT", P3_16, 10, 7, 7, 0, 0},
    {"PUCSORGFRONT", P3_16, 10, 7, 7, 0, 0},
    {"PUCSORGBACK", P3_16, 10, 7, 7, 0, 0},
    {"USERI", USERI, 70, 0, 7, 0, 0},
    {"USERR", USERR, 40, 0, 7, 0, 0},
    {"WORLDVIEW", I16, 70, 3, 7, 0, 0},
    {"SHADEDGE", I16, 70, 4, 7, 0, 0},
    {"SHADEDIF", I16, 70, 4, 7, 0, 0},
    {"TILEMODE", I16, 70, 4, 7, 0, 0},
    {"MAXACTVP", I16, 70, 4, 7, 0, 0},
    {"PINSBASE", P3, 10, 4, 7, 0, 0},
    {"PLIMCHECK", I16, 70, 4, 7, 0, 0},
    {"PEXTMIN", P3, 10, 4, 7, 0, 0},
    {"PEXTMAX", P3, 10, 4, 7, 0, 0},
    {"PLIMMIN", P2, 10, 4, 7, 0, 0},
    {"PLIMMAX", P2, 10, 4, 7, 0, 0},
    {"UNITMODE", I16, 70, 4, 7, 0, 0},
    {"VISRETAIN", I16, 70, 4, 7, 0, 0},
    {"PLINEGEN", I16, 70, 5, 7, 0, 1},
    {"PSLTSCALE", I16, 70, 5, 7, 0, 1},
    {"TREEDEPTH", I16, 70, 5, 7, 0, 1},
    {"DWGCODEPAGE", CODEPAGE, 3, 8, 8, 0, 1},
    {"PICKSTYLE", I16, 70, 5, 6, 0, 0},
    {"CMLSTYLE", NAME, 2, 5, 7, TK_HNV_CMLSTYLE, 0},
    {"CMLJUST", I16, 70, 5, 7, 0, 0},
    {"CMLSCALE", REAL, 40, 5, 7, 0, 0},
    {"PROXYGRAPHICS", I16, 70, 6, 7, 0, 0},
    {"MEASUREMENT", I16, 70, 6, 7, 0, 0},
    {"CELWEIGHT", I16, 370, 7, 7, 0, 0},
    {"ENDCAPS", I16, 280, 7, 7, 0, 0},
    {"JOINSTYLE", I16, 280, 7, 7, 0, 0},
    {"LWDISPLAY", I8, 280, 7, 7, 0, 0},
    {"INSUNITS", I16, 70, 7, 7, 0, 0},
    {"HYPERLINKBASE", STR, 1, 7, 7, 0, 0},
    {"XEDIT", I8, 280, 7, 7, 0, 0},
    {"CEPSNTYPE", I16, 380, 7, 7, 0, 0},
    {"PSTYLEMODE", I8, 280, 7, 7, 0, 0},
    {"FINGERPRINTGUID", STR, 2, 7, 7, 0, 0},
    {"VERSIONGUID", STR, 2, 7, 7, 0, 0},
    {"EXTNAMES", I8, 280, 7, 7, 0, 0},
    {"PSVPSCALE", REAL, 40, 7, 7, 0, 0},
    {"SAVEIMAGES", I16, 70, 5, 5, 0, 0},
};

int32_t int_value(const TkHeader* h, const TkHeaderVarDesc* desc) {
  if (!desc) return 0;
  const void* p = hdr_value(h, desc);
  switch (desc->type) {
    case TK_HV_BYTE:
      return *static_cast<const uint8_t*>(p);
    case TK_HV_INT16:
    case TK_HV_CODEPAGE: {
      int16_t v;
      std::memcpy(&v, p, 2);
      return v;
    }
    default:
      return 0;
  }
}

void point_value(const TkHeader* h, const TkHeaderVarDesc* desc, double v[3]) {
  v[0] = v[1] = v[2] = 0.0;
  if (!desc) return;
  int n = desc->type == TK_HV_POINT3   ? 3
          : desc->type == TK_HV_POINT2 ? 2
          : desc->type == TK_HV_DOUBLE ? 1
                                       : 0;
  std::memcpy(v, hdr_value(h, desc), sizeof(double) * size_t(n));
}

bool name9(DxfOut& o, const char* name) {
  char text[40];
  std::snprintf(text, sizeof text, "$%s", name);
  return dxf_write_string_group(o, 9, text);
}

// The record name a name variable stands for; false with the error number when
// its handle names no record. A null handle takes the name a new drawing gives.
bool resolve_name(DxfOut& o, const TkHeader* h, int slot, std::string* name, int32_t* index) {
  const TkHandle& handle = h->name_handles[slot];
  *index = 0;
  name->clear();
  const std::unordered_map<uint64_t, DxfName>* table = nullptr;
  const char* fallback = "";
  TkError error = TK_ERR_NONE;
  switch (slot) {
    case TK_HNV_CLAYER:
      table = &o.layers, fallback = "0", error = TK_ERR_HEADER_LAYER;
      break;
    case TK_HNV_CELTYPE: {
      if (tk_handle_is_null(&handle)) {
        *name = "BYLAYER";
        return true;
      }
      int32_t at = 0;
      const char* n = dxf_ltype_name(o, handle, &at);
      if (!n) return tk_fail(TK_ERR_HEADER_LTYPE), false;
      *name = n;
      *index = at;
      return true;
    }
    case TK_HNV_DIMSTYLE:
      table = &o.dimstyles, fallback = "STANDARD", error = TK_ERR_HEADER_DIMSTYLE;
      break;
    case TK_HNV_UCSNAME:
      table = &o.ucss, error = TK_ERR_HEADER_UCS;
      break;
    case TK_HNV_PUCSNAME:
      table = &o.ucss, error = TK_ERR_HEADER_PUCS;
      break;
    case TK_HNV_TEXTSTYLE:
      table = &o.styles, fallback = "STANDARD", error = TK_ERR_HEADER_STYLE;
      break;
    case TK_HNV_DIMTXSTY:
      table = &o.styles, fallback = "STANDARD", error = TK_ERR_HEADER_DIMTXSTY;
      break;
    case TK_HNV_CMLSTYLE:
      table = &o.mlinestyles, fallback = "STANDARD", error = TK_ERR_HEADER_MLSTYLE;
      break;
    default:
      return true;
  }
  if (tk_handle_is_null(&handle)) {
    *name = fallback;
    return true;
  }
  const DxfName* found = dxf_name_of(*table, handle);
  if (!found) return tk_fail(error), false;
  *name = found->name;
  *index = slot == TK_HNV_CMLSTYLE ? 0 : found->index;
  return true;
}

void write_date(DxfOut& o, const TkHeader* h, const TkHeaderVarDesc* desc, bool duration) {
  TkDate date{};
  if (desc && desc->type == TK_HV_DATE) std::memcpy(&date, hdr_value(h, desc), sizeof date);
  double value = date.day + date.msec * 1.1574074074074074e-8;
  if (o.binary) {
    dxf_write_real_group(o, 40, value);
    return;
  }
  char text[64];
  std::snprintf(text, sizeof text, duration ? "%.10f" : "%.9f", value);
  dxf_write_string_group(o, 40, text);
}

}  // namespace

bool dxf_write_header_section(DxfOut& o, const TkHeader* h, bool r12_extension) {
  if (o.binary) {
    static const uint8_t kSentinel[22] = {'A', 'u', 't',  'o',  'C',  'A', 'D', ' ',
                                          'B', 'i', 'n',  'a',  'r',  'y', ' ', 'D',
                                          'X', 'F', 0x0D, 0x0A, 0x1A, 0x00};
    o.buffer.insert(o.buffer.end(), kSentinel, kSentinel + sizeof kSentinel);
  }
  dxf_write_string_group(o, 0, "SECTION");
  dxf_write_string_group(o, 2, "HEADER");
  static const char* const kVersions[8] = {"AC1002", "AC1003", "AC1004", "AC1006",
                                           "AC1009", "AC1012", "AC1014", "AC1015"};
  for (const Var& v : kVars) {
    if (!o.ok) return false;
    bool admitted =
        (o.version >= v.from && o.version <= v.to) || (v.ext && r12_extension && o.version == 4);
    if (!admitted) continue;
    const TkHeaderVarDesc* desc = hdr_find(v.name);
    double p[3];
    switch (v.kind) {
      case ACADVER:
        name9(o, v.name);
        dxf_write_string_group(o, v.code, kVersions[o.version]);
        break;
      case MAINTVER:
        name9(o, v.name);
        dxf_write_short_group(o, v.code, o.version == 7 ? 6 : h->acadmaintver);
        break;
      case CODEPAGE: {
        int16_t page = h->dwgcodepage;
        char text[32];
        std::snprintf(text, sizeof text, "%s",
                      page >= 0 && page < 42 ? tk_codepage_names[page] : "ansi_1252");
        if (o.version >= 6)
          for (char* c = text; *c; ++c)
            if (*c >= 'a' && *c <= 'z') *c = char(*c - 32);
        name9(o, v.name);
        dxf_write_string_group(o, v.code, text);
        break;
      }
      case STR:
        name9(o, v.name);
        dxf_write_string_group(
            o, v.code,
            desc && desc->type == TK_HV_TEXT ? static_cast<const char*>(hdr_value(h, desc)) : "");
        break;
      case I16: {
        int32_t value = int_value(h, desc);
        if (v.code == 70 && std::strcmp(v.name, "DIMUNIT") == 0) {
          // The older single unit setting carries the fraction format in its
          // upper values.
          if ((value == 4 || value == 5) && h->dimfrac == 2)
            value += 2;
          else if (value == 6)
            value = 8;
        }
        name9(o, v.name);
        dxf_write_short_group(o, v.code, int16_t(value));
        break;
      }
      case I8:
        name9(o, v.name);
        dxf_write_byte_group(o, v.code, int8_t(int_value(h, desc)));
        break;
      case REAL:
        point_value(h, desc, p);
        name9(o, v.name);
        dxf_write_real_group(o, v.code, p[0]);
        break;
      case ANGLE:
        point_value(h, desc, p);
        name9(o, v.name);
        dxf_write_angle_group(o, v.code, p[0]);
        break;
      case P2:
        point_value(h, desc, p);
        name9(o, v.name);
        dxf_write_point2(o, v.code, p);
        break;
      case P3:
        point_value(h, desc, p);
        name9(o, v.name);
        if (o.version >= v.arg)
          dxf_write_point3(o, v.code, p);
        else
          dxf_write_point2(o, v.code, p);
        break;
      case P3_16:
        point_value(h, desc, p);
        name9(o, v.name);
        dxf_write_point3_16(o, v.code, p);
        break;
      case DATE9:
      case DATE10:
        name9(o, v.name);
        write_date(o, h, desc, v.kind == DATE10);
        break;
      case NAME:
      case PLAIN: {
        std::string name;
        int32_t index = 0;
        if (!resolve_name(o, h, v.arg, &name, &index)) {
          o.ok = false;
          return false;
        }
        name9(o, v.name);
        if (v.kind == NAME)
          dxf_write_name_group(o, v.code, name.c_str(), index);
        else
          dxf_write_string_group(o, v.code, name.c_str());
        break;
      }
      case EMPTY:
        name9(o, v.name);
        dxf_write_string_group(o, v.code, "");
        break;
      case BLOCK: {
        const TkHandle& handle = h->arrow_blocks[v.arg];
        std::string name;
        int32_t index = 0;
        if (!tk_handle_is_null(&handle)) {
          const DxfName* found = dxf_name_of(o.blocks, handle);
          if (found) name = found->name, index = found->index;
        } else if (desc && desc->type == TK_HV_TEXT) {
          name = static_cast<const char*>(hdr_value(h, desc));
        }
        name9(o, v.name);
        dxf_write_name_group(o, v.code, name.c_str(), index);
        break;
      }
      case HANDSEED:
        name9(o, v.name);
        dxf_write_handle_group(o, v.code, h->handseed);
        break;
      case USERI:
      case USERR:
        for (int i = 0; i < 5; ++i) {
          char name[16];
          std::snprintf(name, sizeof name, "%s%d", v.name, i + 1);
          name9(o, name);
          if (v.kind == USERI)
            dxf_write_short_group(o, v.code, h->useri[i]);
          else
            dxf_write_real_group(o, v.code, h->userr[i]);
        }
        break;
      default:
        break;
    }
  }
  return dxf_write_string_group(o, 0, "ENDSEC");
}
