// Header variables: the shared descriptor table with the defaults of a new drawing, lookup by
// name, and filling a header with the defaults.
#include "toolkit/core/hdr.h"

#include <cstring>


#define OFF(field) uint16_t(offsetof(TkHeader, field))

const TkHeaderVarDesc tk_header_vars[TK_HEADER_VAR_COUNT] = {
    {"ACADMAINTVER", OFF(acadmaintver), TK_HV_INT16, 0, {0}, nullptr},
    {"ACADVER", OFF(acadver), TK_HV_TEXT, 7, {}, "AC1012"},
    {"ANGBASE", OFF(angbase), TK_HV_DOUBLE, 0, {0}, nullptr},
    {"ANGDIR", OFF(angdir), TK_HV_INT16, 0, {0}, nullptr},
    {"ATTDIA", OFF(attdia), TK_HV_INT16, 0, {0}, nullptr},
    {"ATTMODE", OFF(attmode), TK_HV_INT16, 0, {1}, nullptr},
    {"ATTREQ", OFF(attreq), TK_HV_INT16, 0, {1}, nullptr},
    {"AUNITS", OFF(aunits), TK_HV_INT16, 0, {0}, nullptr},
    {"AUPREC", OFF(auprec), TK_HV_INT16, 0, {0}, nullptr},
    {"AXISMODE", OFF(axismode), TK_HV_INT16, 0, {0}, nullptr},
    {"AXISUNIT", OFF(axisunit), TK_HV_POINT2, 0, {0, 0}, nullptr},
    {"BLIPMODE", OFF(blipmode), TK_HV_INT16, 0, {1}, nullptr},
    {"CECOLOR", OFF(cecolor), TK_HV_INT16, 0, {256}, nullptr},
    {"CELTSCALE", OFF(celtscale), TK_HV_DOUBLE, 0, {1}, nullptr},
    {"CELWEIGHT", OFF(celweight), TK_HV_INT16, 0, {0}, nullptr},
    {"CEPSNTYPE", OFF(cepsntype), TK_HV_INT16, 0, {0}, nullptr},
    {"CHAMFERA", OFF(chamfera), TK_HV_DOUBLE, 0, {0}, nullptr},
    {"CHAMFERB", OFF(chamferb), TK_HV_DOUBLE, 0, {0}, nullptr},
    {"CHAMFERC", OFF(chamferc), TK_HV_DOUBLE, 0, {0}, nullptr},
    {"CHAMFERD", OFF(chamferd), TK_HV_DOUBLE, 0, {0}, nullptr},
    {"CMLJUST", OFF(cmljust), TK_HV_INT16, 0, {0}, nullptr},
    {"CMLSCALE", OFF(cmlscale), TK_HV_DOUBLE, 0, {1}, nullptr},
    {"COORDS", OFF(coords), TK_HV_INT16, 0, {0}, nullptr},
    {"DELOBJ", OFF(delobj), TK_HV_BYTE, 0, {1}, nullptr},
    {"DIMADEC", OFF(dimadec), TK_HV_INT16, 0, {0}, nullptr},
    {"DIMALT", OFF(dimalt), TK_HV_BYTE, 0, {0}, nullptr},
    {"DIMALTD", OFF(dimaltd), TK_HV_BYTE, 0, {2}, nullptr},
    {"DIMALTF", OFF(dimaltf), TK_HV_DOUBLE, 0, {25.4}, nullptr},
    {"DIMALTRND", OFF(dimaltrnd), TK_HV_DOUBLE, 0, {0}, nullptr},
    {"DIMALTTD", OFF(dimalttd), TK_HV_INT16, 0, {2}, nullptr},
    {"DIMALTTZ", OFF(dimalttz), TK_HV_BYTE, 0, {0}, nullptr},
    {"DIMALTU", OFF(dimaltu), TK_HV_INT16, 0, {2}, nullptr},
    {"DIMALTZ", OFF(dimaltz), TK_HV_BYTE, 0, {0}, nullptr},
    {"DIMAPOST", OFF(dimapost), TK_HV_TEXT, 16, {}, ""},
    {"DIMASO", OFF(dimaso), TK_HV_BYTE, 0, {1}, nullptr},
    {"DIMASZ", OFF(dimasz), TK_HV_DOUBLE, 0, {0.18}, nullptr},
    {"DIMATFIT", OFF(dimatfit), TK_HV_BYTE, 0, {3}, nullptr},
    {"DIMAUNIT", OFF(dimaunit), TK_HV_INT16, 0, {0}, nullptr},
    {"DIMAZIN", OFF(dimazin), TK_HV_INT16, 0, {0}, nullptr},
    {"DIMBLK", OFF(dimblk), TK_HV_TEXT, 32, {}, ""},
    {"DIMBLK1", OFF(dimblk1), TK_HV_TEXT, 32, {}, ""},
    {"DIMBLK2", OFF(dimblk2), TK_HV_TEXT, 32, {}, ""},
    {"DIMCEN", OFF(dimcen), TK_HV_DOUBLE, 0, {0.09}, nullptr},
    {"DIMCLRD", OFF(dimclrd), TK_HV_INT16, 0, {0}, nullptr},
    {"DIMCLRE", OFF(dimclre), TK_HV_INT16, 0, {0}, nullptr},
    {"DIMCLRT", OFF(dimclrt), TK_HV_INT16, 0, {0}, nullptr},
    {"DIMDEC", OFF(dimdec), TK_HV_INT16, 0, {4}, nullptr},
    {"DIMDLE", OFF(dimdle), TK_HV_DOUBLE, 0, {0}, nullptr},
    {"DIMDLI", OFF(dimdli), TK_HV_DOUBLE, 0, {0.38}, nullptr},
    {"DIMDSEP", OFF(dimdsep), TK_HV_INT16, 0, {0}, nullptr},
    {"DIMEXE", OFF(dimexe), TK_HV_DOUBLE, 0, {0.18}, nullptr},
    {"DIMEXO", OFF(dimexo), TK_HV_DOUBLE, 0, {0.0625}, nullptr},
    {"DIMFIT", OFF(dimatfit), TK_HV_BYTE, 0, {3}, nullptr},
    {"DIMFRAC", OFF(dimfrac), TK_HV_INT16, 0, {0}, nullptr},
    {"DIMGAP", OFF(dimgap), TK_HV_DOUBLE, 0, {0.09}, nullptr},
    {"DIMJUST", OFF(dimjust), TK_HV_BYTE, 0, {0}, nullptr},
    {"DIMLDRBLK", OFF(dimldrblk), TK_HV_TEXT, 32, {}, ""},
    {"DIMLFAC", OFF(dimlfac), TK_HV_DOUBLE, 0, {1}, nullptr},
    {"DIMLIM", OFF(dimlim), TK_HV_BYTE, 0, {0}, nullptr},
    {"DIMLUNIT", OFF(dimlunit), TK_HV_INT16, 0, {2}, nullptr},
    {"DIMLWD", OFF(dimlwd), TK_HV_INT16, 0, {0}, nullptr},
    {"DIMLWE", OFF(dimlwe), TK_HV_INT16, 0, {0}, nullptr},
    {"DIMPOST", OFF(dimpost), TK_HV_TEXT, 16, {}, ""},
    {"DIMRND", OFF(dimrnd), TK_HV_DOUBLE, 0, {0}, nullptr},
    {"DIMSAH", OFF(dimsah), TK_HV_BYTE, 0, {0}, nullptr},
    {"DIMSCALE", OFF(dimscale), TK_HV_DOUBLE, 0, {1}, nullptr},
    {"DIMSD1", OFF(dimsd1), TK_HV_BYTE, 0, {0}, nullptr},
    {"DIMSD2", OFF(dimsd2), TK_HV_BYTE, 0, {0}, nullptr},
    {"DIMSE1", OFF(dimse1), TK_HV_BYTE, 0, {0}, nullptr},
    {"DIMSE2", OFF(dimse2), TK_HV_BYTE, 0, {0}, nullptr},
    {"DIMSHO", OFF(dimsho), TK_HV_BYTE, 0, {1}, nullptr},
    {"DIMSOXD", OFF(dimsoxd), TK_HV_BYTE, 0, {0}, nullptr},
    {"DIMTAD", OFF(dimtad), TK_HV_BYTE, 0, {0}, nullptr},
    {"DIMTDEC", OFF(dimtdec), TK_HV_INT16, 0, {4}, nullptr},
    {"DIMTFAC", OFF(dimtfac), TK_HV_DOUBLE, 0, {1}, nullptr},
    {"DIMTIH", OFF(dimtih), TK_HV_BYTE, 0, {1}, nullptr},
    {"DIMTIX", OFF(dimtix), TK_HV_BYTE, 0, {0}, nullptr},
    {"DIMTM", OFF(dimtm), TK_HV_DOUBLE, 0, {0}, nullptr},
    {"DIMTMOVE", OFF(dimtmove), TK_HV_INT16, 0, {0}, nullptr},
    {"DIMTOFL", OFF(dimtofl), TK_HV_BYTE, 0, {0}, nullptr},
    {"DIMTOH", OFF(dimtoh), TK_HV_BYTE, 0, {1}, nullptr},
    {"DIMTOL", OFF(dimtol), TK_HV_BYTE, 0, {0}, nullptr},
    {"DIMTOLJ", OFF(dimtolj), TK_HV_BYTE, 0, {1}, nullptr},
    {"DIMTP", OFF(dimtp), TK_HV_DOUBLE, 0, {0}, nullptr},
    {"DIMTSZ", OFF(dimtsz), TK_HV_DOUBLE, 0, {0}, nullptr},
    {"DIMTVP", OFF(dimtvp), TK_HV_DOUBLE, 0, {0}, nullptr},
    {"DIMTXT", OFF(dimtxt), TK_HV_DOUBLE, 0, {0.18}, nullptr},
    {"DIMTZIN", OFF(dimtzin), TK_HV_BYTE, 0, {0}, nullptr},
    {"DIMUNIT", OFF(dimlunit), TK_HV_INT16, 0, {2}, nullptr},
    {"DIMUPT", OFF(dimupt), TK_HV_BYTE, 0, {0}, nullptr},
    {"DIMZIN", OFF(dimzin), TK_HV_BYTE, 0, {0}, nullptr},
    {"DISPSILH", OFF(dispsilh), TK_HV_BYTE, 0, {0}, nullptr},
    {"DRAGMODE", OFF(dragmode), TK_HV_INT16, 0, {2}, nullptr},
    {"DWGCODEPAGE", OFF(dwgcodepage), TK_HV_CODEPAGE, 0, {12}, nullptr},
    {"ELEVATION", OFF(elevation), TK_HV_DOUBLE, 0, {0}, nullptr},
    {"ENDCAPS", OFF(endcaps), TK_HV_BYTE, 0, {0}, nullptr},
    {"EXTMAX", OFF(extmax), TK_HV_POINT3, 0, {-1e+20, -1e+20, -1e+20}, nullptr},
    {"EXTMIN", OFF(extmin), TK_HV_POINT3, 0, {1e+20, 1e+20, 1e+20}, nullptr},
    {"EXTNAMES", OFF(extnames), TK_HV_BYTE, 0, {1}, nullptr},
    {"FASTZOOM", OFF(fastzoom), TK_HV_INT16, 0, {1}, nullptr},
    {"FILLETRAD", OFF(filletrad), TK_HV_DOUBLE, 0, {0}, nullptr},
    {"FILLMODE", OFF(fillmode), TK_HV_INT16, 0, {1}, nullptr},
    {"FINGERPRINTGUID", OFF(fingerprintguid), TK_HV_TEXT, 39, {}, ""},
    {"FLATLAND", OFF(flatland), TK_HV_INT16, 0, {0}, nullptr},
    {"GRIDMODE", OFF(gridmode), TK_HV_INT16, 0, {0}, nullptr},
    {"GRIDUNIT", OFF(gridunit), TK_HV_POINT2, 0, {0, 0}, nullptr},
    {"HANDLING", OFF(handling), TK_HV_INT16, 0, {1}, nullptr},
    {"HANDSEED", OFF(handseed), TK_HV_HANDLE, 8, {}, nullptr},
    {"HYPERLINKBASE", OFF(hyperlinkbase), TK_HV_TEXT, 127, {}, ""},
    {"INSBASE", OFF(insbase), TK_HV_POINT3, 0, {0, 0, 0}, nullptr},
    {"INSUNITS", OFF(insunits), TK_HV_INT16, 0, {0}, nullptr},
    {"JOINSTYLE", OFF(joinstyle), TK_HV_BYTE, 0, {0}, nullptr},
    {"LIMCHECK", OFF(limcheck), TK_HV_INT16, 0, {0}, nullptr},
    {"LIMMAX", OFF(limmax), TK_HV_POINT2, 0, {0, 0}, nullptr},
    {"LIMMIN", OFF(limmin), TK_HV_POINT2, 0, {0, 0}, nullptr},
    {"LTSCALE", OFF(ltscale), TK_HV_DOUBLE, 0, {1}, nullptr},
    {"LUNITS", OFF(lunits), TK_HV_INT16, 0, {2}, nullptr},
    {"LUPREC", OFF(luprec), TK_HV_INT16, 0, {4}, nullptr},
    {"LWDISPLAY", OFF(lwdisplay), TK_HV_BYTE, 0, {0}, nullptr},
    {"MAXACTVP", OFF(maxactvp), TK_HV_INT16, 0, {16}, nullptr},
    {"MEASUREMENT", OFF(measurement), TK_HV_INT16, 0, {0}, nullptr},
    {"MENU", OFF(menu), TK_HV_TEXT, 61, {}, "acad"},
    {"MIRRTEXT", OFF(mirrtext), TK_HV_INT16, 0, {1}, nullptr},
    {"ORTHOMODE", OFF(orthomode), TK_HV_INT16, 0, {0}, nullptr},
    {"OSMODE", OFF(osmode), TK_HV_INT16, 0, {0}, nullptr},
    {"PDMODE", OFF(pdmode), TK_HV_INT16, 0, {0}, nullptr},
    {"PDSIZE", OFF(pdsize), TK_HV_DOUBLE, 0, {0}, nullptr},
    {"PELEVATION", OFF(pelevation), TK_HV_DOUBLE, 0, {0}, nullptr},
    {"PEXTMAX", OFF(pextmax), TK_HV_POINT3, 0, {-1e+20, -1e+20, -1e+20}, nullptr},
    {"PEXTMIN", OFF(pextmin), TK_HV_POINT3, 0, {1e+20, 1e+20, 1e+20}, nullptr},
    {"PICKSTYLE", OFF(pickstyle), TK_HV_BYTE, 0, {1}, nullptr},
    {"PINSBASE", OFF(pinsbase), TK_HV_POINT3, 0, {0, 0, 0}, nullptr},
    {"PLIMCHECK", OFF(plimcheck), TK_HV_INT16, 0, {0}, nullptr},
    {"PLIMMAX", OFF(plimmax), TK_HV_POINT2, 0, {12, 9}, nullptr},
    {"PLIMMIN", OFF(plimmin), TK_HV_POINT2, 0, {0, 0}, nullptr},
    {"PLINEGEN", OFF(plinegen), TK_HV_INT16, 0, {1}, nullptr},
    {"PLINEWID", OFF(plinewid), TK_HV_DOUBLE, 0, {0}, nullptr},
    {"PROXYGRAPHICS", OFF(proxygraphics), TK_HV_BYTE, 0, {0}, nullptr},
    {"PSLTSCALE", OFF(psltscale), TK_HV_INT16, 0, {0}, nullptr},
    {"PSTYLEMODE", OFF(pstylemode), TK_HV_BYTE, 0, {1}, nullptr},
    {"PSVPSCALE", OFF(psvpscale), TK_HV_DOUBLE, 0, {0}, nullptr},
    {"PUCSORG", OFF(pucsorg), TK_HV_POINT3, 0, {0, 0, 0}, nullptr},
    {"PUCSORGBACK", OFF(pucsorgback), TK_HV_POINT3, 0, {0, 0, 0}, nullptr},
    {"PUCSORGBOTTOM", OFF(pucsorgbottom), TK_HV_POINT3, 0, {0, 0, 0}, nullptr},
    {"PUCSORGFRONT", OFF(pucsorgfront), TK_HV_POINT3, 0, {0, 0, 0}, nullptr},
    {"PUCSORGLEFT", OFF(pucsorgleft), TK_HV_POINT3, 0, {0, 0, 0}, nullptr},
    {"PUCSORGRIGHT", OFF(pucsorgright), TK_HV_POINT3, 0, {0, 0, 0}, nullptr},
    {"PUCSORGTOP", OFF(pucsorgtop), TK_HV_POINT3, 0, {0, 0, 0}, nullptr},
    {"PUCSORTHOVIEW", OFF(pucsorthoview), TK_HV_INT16, 0, {0}, nullptr},
    {"PUCSXDIR", OFF(pucsxdir), TK_HV_POINT3, 0, {1, 0, 0}, nullptr},
    {"PUCSYDIR", OFF(pucsydir), TK_HV_POINT3, 0, {0, 1, 0}, nullptr},
    {"QTEXTMODE", OFF(qtextmode), TK_HV_INT16, 0, {0}, nullptr},
    {"REGENMODE", OFF(regenmode), TK_HV_INT16, 0, {1}, nullptr},
    {"SAVEIMAGES", OFF(proxygraphics), TK_HV_BYTE, 0, {0}, nullptr},
    {"SHADEDGE", OFF(shadedge), TK_HV_INT16, 0, {3}, nullptr},
    {"SHADEDIF", OFF(shadedif), TK_HV_INT16, 0, {70}, nullptr},
    {"SKETCHINC", OFF(sketchinc), TK_HV_DOUBLE, 0, {0.1}, nullptr},
    {"SKPOLY", OFF(skpoly), TK_HV_INT16, 0, {0}, nullptr},
    {"SNAPANG", OFF(snapang), TK_HV_DOUBLE, 0, {0}, nullptr},
    {"SNAPBASE", OFF(snapbase), TK_HV_POINT2, 0, {0, 0}, nullptr},
    {"SNAPISOPAIR", OFF(snapisopair), TK_HV_INT16, 0, {0}, nullptr},
    {"SNAPMODE", OFF(snapmode), TK_HV_INT16, 0, {0}, nullptr},
    {"SNAPSTYLE", OFF(snapstyle), TK_HV_INT16, 0, {0}, nullptr},
    {"SNAPUNIT", OFF(snapunit), TK_HV_POINT2, 0, {1, 1}, nullptr},
    {"SPLFRAME", OFF(splframe), TK_HV_INT16, 0, {0}, nullptr},
    {"SPLINESEGS", OFF(splinesegs), TK_HV_INT16, 0, {8}, nullptr},
    {"SPLINETYPE", OFF(splinetype), TK_HV_INT16, 0, {6}, nullptr},
    {"SURFTAB1", OFF(surftab1), TK_HV_INT16, 0, {6}, nullptr},
    {"SURFTAB2", OFF(surftab2), TK_HV_INT16, 0, {6}, nullptr},
    {"SURFTYPE", OFF(surftype), TK_HV_INT16, 0, {6}, nullptr},
    {"SURFU", OFF(surfu), TK_HV_INT16, 0, {6}, nullptr},
    {"SURFV", OFF(surfv), TK_HV_INT16, 0, {6}, nullptr},
    {"TDCREATE", OFF(tdcreate), TK_HV_DATE, 0, {0, 0}, nullptr},
    {"TDINDWG", OFF(tdindwg), TK_HV_DATE, 0, {0, 0}, nullptr},
    {"TDUCREATE", OFF(tducreate), TK_HV_DATE, 0, {0, 0}, nullptr},
    {"TDUPDATE", OFF(tdupdate), TK_HV_DATE, 0, {0, 0}, nullptr},
    {"TDUSRTIMER", OFF(tdusrtimer), TK_HV_DATE, 0, {0, 0}, nullptr},
    {"TDUUPDATE", OFF(tdupdate), TK_HV_DATE, 0, {0, 0}, nullptr},
    {"TEXTSIZE", OFF(textsize), TK_HV_DOUBLE, 0, {0.2}, nullptr},
    {"THICKNESS", OFF(thickness), TK_HV_DOUBLE, 0, {0}, nullptr},
    {"TILEMODE", OFF(tilemode), TK_HV_INT16, 0, {1}, nullptr},
    {"TRACEWID", OFF(tracewid), TK_HV_DOUBLE, 0, {0.05}, nullptr},
    {"TREEDEPTH", OFF(treedepth), TK_HV_INT16, 0, {3020}, nullptr},
    {"UCSORG", OFF(ucsorg), TK_HV_POINT3, 0, {0, 0, 0}, nullptr},
    {"UCSORGBACK", OFF(ucsorgback), TK_HV_POINT3, 0, {0, 0, 0}, nullptr},
    {"UCSORGBOTTOM", OFF(ucsorgbottom), TK_HV_POINT3, 0, {0, 0, 0}, nullptr},
    {"UCSORGFRONT", OFF(ucsorgfront), TK_HV_POINT3, 0, {0, 0, 0}, nullptr},
    {"UCSORGLEFT", OFF(ucsorgleft), TK_HV_POINT3, 0, {0, 0, 0}, nullptr},
    {"UCSORGRIGHT", OFF(ucsorgright), TK_HV_POINT3, 0, {0, 0, 0}, nullptr},
    {"UCSORGTOP", OFF(ucsorgtop), TK_HV_POINT3, 0, {0, 0, 0}, nullptr},
    {"UCSORTHOVIEW", OFF(ucsorthoview), TK_HV_INT16, 0, {0}, nullptr},
    {"UCSXDIR", OFF(ucsxdir), TK_HV_POINT3, 0, {1, 0, 0}, nullptr},
    {"UCSYDIR", OFF(ucsydir), TK_HV_POINT3, 0, {0, 1, 0}, nullptr},
    {"UNITMODE", OFF(unitmode), TK_HV_INT16, 0, {0}, nullptr},
    {"USERI1", OFF(useri), TK_HV_USER_INT, 0, {0}, nullptr},
    {"USERI2", OFF(useri), TK_HV_USER_INT, 1, {0}, nullptr},
    {"USERI3", OFF(useri), TK_HV_USER_INT, 2, {0}, nullptr},
    {"USERI4", OFF(useri), TK_HV_USER_INT, 3, {0}, nullptr},
    {"USERI5", OFF(useri), TK_HV_USER_INT, 4, {0}, nullptr},
    {"USERR1", OFF(userr), TK_HV_USER_DOUBLE, 0, {0}, nullptr},
    {"USERR2", OFF(userr), TK_HV_USER_DOUBLE, 1, {0}, nullptr},
    {"USERR3", OFF(userr), TK_HV_USER_DOUBLE, 2, {0}, nullptr},
    {"USERR4", OFF(userr), TK_HV_USER_DOUBLE, 3, {0}, nullptr},
    {"USERR5", OFF(userr), TK_HV_USER_DOUBLE, 4, {0}, nullptr},
    {"USRTIMER", OFF(usrtimer), TK_HV_INT16, 0, {1}, nullptr},
    {"VERSIONGUID", OFF(versionguid), TK_HV_TEXT, 39, {}, ""},
    {"VIEWCTR", OFF(viewctr), TK_HV_POINT3, 0, {6.591288, 4.579184, 0}, nullptr},
    {"VIEWDIR", OFF(viewdir), TK_HV_POINT3, 0, {0, 0, 1}, nullptr},
    {"VIEWSIZE", OFF(viewsize), TK_HV_DOUBLE, 0, {9.158369}, nullptr},
    {"VIEWTWIST", OFF(viewtwist), TK_HV_DOUBLE, 0, {0}, nullptr},
    {"VISRETAIN", OFF(visretain), TK_HV_INT16, 0, {0}, nullptr},
    {"WORLDVIEW", OFF(worldview), TK_HV_INT16, 0, {1}, nullptr},
    {"XEDIT", OFF(xedit), TK_HV_BYTE, 0, {1}, nullptr},
};

#undef OFF

const char* const tk_header_name_vars[TK_HEADER_NAME_VAR_COUNT] = {
    "CELTYPE",  "CLAYER",   "CMLSTYLE",    "DIMSTYLE",  "DIMTXSTY", "PUCSBASE",
    "PUCSNAME", "PUCSORTHOREF", "TEXTSTYLE", "UCSBASE", "UCSNAME",  "UCSORTHOREF",
};

namespace {

// Byte comparison of a name folded to upper case with a table name (already upper case).
int compare_upper(const char* name, const char* table_name) {
  for (;; ++name, ++table_name) {
    unsigned char a = static_cast<unsigned char>(*name);
    if (a >= 'a' && a <= 'z') a = static_cast<unsigned char>(a - 'a' + 'A');
    unsigned char b = static_cast<unsigned char>(*table_name);
    if (a != b || a == 0) return int(a) - int(b);
  }
}

}  // namespace

const TkHeaderVarDesc* hdr_find(const char* name) {
  size_t lo = 0, hi = TK_HEADER_VAR_COUNT;
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    int c = compare_upper(name, tk_header_vars[mid].name);
    if (c == 0) return &tk_header_vars[mid];
    if (c < 0)
      hi = mid;
    else
      lo = mid + 1;
  }
  return nullptr;
}

void* hdr_value(TkHeader* header, const TkHeaderVarDesc* desc) {
  uint8_t* p = reinterpret_cast<uint8_t*>(header) + desc->position;
  if (desc->type == TK_HV_USER_INT) p += desc->size * sizeof(int16_t);
  if (desc->type == TK_HV_USER_DOUBLE) p += desc->size * sizeof(double);
  return p;
}

const void* hdr_value(const TkHeader* header, const TkHeaderVarDesc* desc) {
  return hdr_value(const_cast<TkHeader*>(header), desc);
}

void header_set_defaults(TkHeader* header) {
  memset(header, 0, sizeof *header);
  for (const TkHeaderVarDesc& d : tk_header_vars) {
    void* v = hdr_value(header, &d);
    switch (d.type) {
      case TK_HV_BYTE: *static_cast<uint8_t*>(v) = uint8_t(d.number[0]); break;
      case TK_HV_INT16:
      case TK_HV_USER_INT:
      case TK_HV_CODEPAGE: {
        int16_t i = int16_t(d.number[0]);
        memcpy(v, &i, 2);
        break;
      }
      case TK_HV_DOUBLE:
      case TK_HV_USER_DOUBLE: memcpy(v, d.number, sizeof(double)); break;
      case TK_HV_POINT2: memcpy(v, d.number, 2 * sizeof(double)); break;
      case TK_HV_POINT3: memcpy(v, d.number, 3 * sizeof(double)); break;
      case TK_HV_TEXT: strncpy(static_cast<char*>(v), d.text, d.size - 1); break;
      case TK_HV_DATE: {
        TkDate date{int32_t(d.number[0]), int32_t(d.number[1])};
        memcpy(v, &date, sizeof date);
        break;
      }
      case TK_HV_HANDLE: break;  // the null handle; the drawing stores its seed here
    }
  }
  header->unnamed_double[0] = 50.0;
  const int16_t shorts[4] = {0, 1, 5, 1};
  memcpy(header->unnamed_short, shorts, sizeof shorts);
}

int hdr_find_name_var(const char* name) {
  for (size_t i = 0; i < TK_HEADER_NAME_VAR_COUNT; ++i)
    if (compare_upper(name, tk_header_name_vars[i]) == 0) return int(i);
  return -1;
}
