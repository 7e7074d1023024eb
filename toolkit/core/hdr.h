// Header variables: the block of named settings every drawing carries (TkHeader) and the one
// table that describes it (name, type, position, default). The DXF reader finds variables by
// name in the table, the DWG readers and writers address the same fields, and a new drawing
// starts from the table's defaults. Reading and writing files is not done here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/core/handle.h"

// A date as the drawing stores it: a day number and the milliseconds of the day.
struct TkDate {
  int32_t day;
  int32_t msec;
};

constexpr size_t TK_HEADER_NAME_VAR_COUNT = 12;
constexpr size_t TK_HEADER_NAME_VAR_CAPACITY = 512;
// Places of the name variables in tk_header_name_vars and TkHeader::name_handles.
enum : int {
  TK_HNV_CELTYPE,
  TK_HNV_CLAYER,
  TK_HNV_CMLSTYLE,
  TK_HNV_DIMSTYLE,
  TK_HNV_DIMTXSTY,
  TK_HNV_PUCSBASE,
  TK_HNV_PUCSNAME,
  TK_HNV_PUCSORTHOREF,
  TK_HNV_TEXTSTYLE,
  TK_HNV_UCSBASE,
  TK_HNV_UCSNAME,
  TK_HNV_UCSORTHOREF,
};
// Places of the arrow blocks in TkHeader::arrow_blocks.
enum : int { TK_ARROW_DIMBLK, TK_ARROW_DIMBLK1, TK_ARROW_DIMBLK2, TK_ARROW_DIMLDRBLK };

// The variables in their block order. Names that share a value (DIMATFIT and DIMFIT, DIMLUNIT
// and DIMUNIT, PROXYGRAPHICS and SAVEIMAGES, TDUPDATE and TDUUPDATE) share the field of the
// first; texts hold their capacity including the zero.
struct TkHeader {
  int16_t acadmaintver;
  char acadver[7];
  double angbase;
  int16_t angdir;
  int16_t attdia;
  int16_t attmode;
  int16_t attreq;
  int16_t aunits;
  int16_t auprec;
  int16_t axismode;
  double axisunit[2];
  int16_t blipmode;
  int16_t cecolor;
  double celtscale;
  int16_t celweight;
  int16_t cepsntype;
  double chamfera;
  double chamferb;
  double chamferc;
  double chamferd;
  int16_t cmljust;
  double cmlscale;
  int16_t coords;
  uint8_t delobj;
  int16_t dimadec;
  uint8_t dimalt;
  uint8_t dimaltd;
  double dimaltf;
  double dimaltrnd;
  int16_t dimalttd;
  uint8_t dimalttz;
  int16_t dimaltu;
  uint8_t dimaltz;
  char dimapost[16];
  uint8_t dimaso;
  double dimasz;
  int16_t dimaunit;
  int16_t dimazin;
  char dimblk[32];
  char dimblk1[32];
  char dimblk2[32];
  double dimcen;
  int16_t dimclrd;
  int16_t dimclre;
  int16_t dimclrt;
  int16_t dimdec;
  double dimdle;
  double dimdli;
  int16_t dimdsep;
  double dimexe;
  double dimexo;
  uint8_t dimatfit;
  int16_t dimfrac;
  double dimgap;
  uint8_t dimjust;
  char dimldrblk[32];
  double dimlfac;
  uint8_t dimlim;
  int16_t dimlwd;
  int16_t dimlwe;
  char dimpost[16];
  double dimrnd;
  uint8_t dimsah;
  double dimscale;
  uint8_t dimsd1;
  uint8_t dimsd2;
  uint8_t dimse1;
  uint8_t dimse2;
  uint8_t dimsho;
  uint8_t dimsoxd;
  uint8_t dimtad;
  int16_t dimtdec;
  double dimtfac;
  uint8_t dimtih;
  uint8_t dimtix;
  double dimtm;
  int16_t dimtmove;
  uint8_t dimtofl;
  uint8_t dimtoh;
  uint8_t dimtol;
  uint8_t dimtolj;
  double dimtp;
  double dimtsz;
  double dimtvp;
  double dimtxt;
  uint8_t dimtzin;
  int16_t dimlunit;
  uint8_t dimupt;
  uint8_t dimzin;
  uint8_t dispsilh;
  int16_t dragmode;
  int16_t dwgcodepage;
  double elevation;
  uint8_t endcaps;
  double extmin[3];
  double extmax[3];
  uint8_t extnames;
  int16_t fastzoom;
  double filletrad;
  int16_t fillmode;
  char fingerprintguid[39];
  int16_t flatland;
  int16_t gridmode;
  double gridunit[2];
  int16_t handling;
  TkHandle handseed;
  char hyperlinkbase[127];
  double insbase[3];
  int16_t insunits;
  uint8_t joinstyle;
  int16_t limcheck;
  double limmin[2];
  double limmax[2];
  double ltscale;
  int16_t lunits;
  int16_t luprec;
  uint8_t lwdisplay;
  int16_t maxactvp;
  int16_t measurement;
  char menu[61];
  int16_t mirrtext;
  int16_t orthomode;
  int16_t osmode;
  int16_t pdmode;
  double pdsize;
  double pelevation;
  double pextmin[3];
  double pextmax[3];
  uint8_t pickstyle;
  double pinsbase[3];
  int16_t plimcheck;
  double plimmin[2];
  double plimmax[2];
  int16_t plinegen;
  double plinewid;
  uint8_t proxygraphics;
  int16_t psltscale;
  uint8_t pstylemode;
  double psvpscale;
  double pucsorg[3];
  double pucsorgback[3];
  double pucsorgbottom[3];
  double pucsorgfront[3];
  double pucsorgleft[3];
  double pucsorgright[3];
  double pucsorgtop[3];
  int16_t pucsorthoview;
  double pucsxdir[3];
  double pucsydir[3];
  int16_t qtextmode;
  int16_t regenmode;
  int16_t shadedge;
  int16_t shadedif;
  double sketchinc;
  int16_t skpoly;
  double snapang;
  double snapbase[2];
  int16_t snapisopair;
  int16_t snapmode;
  int16_t snapstyle;
  double snapunit[2];
  int16_t splframe;
  int16_t splinesegs;
  int16_t splinetype;
  int16_t surftab1;
  int16_t surftab2;
  int16_t surftype;
  int16_t surfu;
  int16_t surfv;
  TkDate tdcreate;
  TkDate tdindwg;
  TkDate tducreate;
  TkDate tdupdate;
  TkDate tdusrtimer;
  double textsize;
  double thickness;
  int16_t tilemode;
  double tracewid;
  int16_t treedepth;
  double ucsorg[3];
  double ucsorgback[3];
  double ucsorgbottom[3];
  double ucsorgfront[3];
  double ucsorgleft[3];
  double ucsorgright[3];
  double ucsorgtop[3];
  int16_t ucsorthoview;
  double ucsxdir[3];
  double ucsydir[3];
  int16_t unitmode;
  int16_t useri[5];
  double userr[5];
  int16_t usrtimer;
  char versionguid[39];
  double viewctr[3];
  double viewsize;
  double viewtwist;
  int16_t visretain;
  double viewdir[3];
  int16_t worldview;
  uint8_t xedit;
  // Values the older DWG header carries without a variable name, kept so that a drawing written
  // back gives them again.
  double unnamed_point[3];
  double unnamed_double[3];
  int16_t unnamed_short[4];
  char unnamed_text[32];
  // The records the name variables stand for once a load has resolved them.
  TkHandle name_handles[TK_HEADER_NAME_VAR_COUNT];
  // The blocks the arrow names DIMBLK, DIMBLK1, DIMBLK2 and DIMLDRBLK stand for.
  TkHandle arrow_blocks[4];
};

enum TkHeaderVarType : uint16_t {
  TK_HV_BYTE = 0,
  TK_HV_INT16 = 1,
  TK_HV_DOUBLE = 2,
  TK_HV_POINT2 = 3,
  TK_HV_POINT3 = 4,
  TK_HV_TEXT = 5,
  TK_HV_DATE = 6,
  TK_HV_USER_INT = 7,     // one of the five USERI values
  TK_HV_USER_DOUBLE = 8,  // one of the five USERR values
  TK_HV_HANDLE = 9,
  TK_HV_CODEPAGE = 10,  // a 16-bit code-page index
};

struct TkHeaderVarDesc {
  const char* name;  // upper case, without the "$" of DXF
  uint16_t position;  // byte offset of the value (of the five values for the user types)
  uint16_t type;      // TkHeaderVarType
  uint16_t size;      // text: capacity with the zero; user types: index 0..4; handle: 8
  double number[3];   // default of the numeric types (a date: day, milliseconds)
  const char* text;   // default of a text
};

constexpr size_t TK_HEADER_VAR_COUNT = 213;

// Sorted by name in ascending byte order.
extern const TkHeaderVarDesc tk_header_vars[TK_HEADER_VAR_COUNT];

// The variable of that name (ASCII letters compared as upper case); null when there is none.
const TkHeaderVarDesc* hdr_find(const char* name);
// Where the variable's value lies in the header.
void* hdr_value(TkHeader* header, const TkHeaderVarDesc* desc);
const void* hdr_value(const TkHeader* header, const TkHeaderVarDesc* desc);
// Fills a header with every variable's default.
void header_set_defaults(TkHeader* header);

// Variables that DXF gives as record names and the load turns into handles; their texts are kept
// outside the header until then, in this order.
extern const char* const tk_header_name_vars[TK_HEADER_NAME_VAR_COUNT];
// The index of a name variable, -1 when the name is none of them.
int hdr_find_name_var(const char* name);
