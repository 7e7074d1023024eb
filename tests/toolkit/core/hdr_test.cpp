// Header variables: every one of the 213 names is found and holds its default in a fresh
// header, the table stays sorted for its binary search, and no two variables overlap except the
// names that are meant to share one value.
#include "toolkit/core/hdr.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>

namespace {

// Each variable with its default, in block order, as "NAME value;". Texts are quoted ("empty"
// for none), points in parentheses, dates as "day, msec", the handle as 16 hex digits.
const char kDefaults[] = R"(
ACADMAINTVER 0;
ACADVER "AC1012";
ANGBASE 0;
ANGDIR 0;
ATTDIA 0;
ATTMODE 1;
ATTREQ 1;
AUNITS 0;
AUPREC 0;
AXISMODE 0;
AXISUNIT (0, 0);
BLIPMODE 1;
CECOLOR 256;
CELTSCALE 1;
CELWEIGHT 0;
CEPSNTYPE 0;
CHAMFERA 0;
CHAMFERB 0;
CHAMFERC 0;
CHAMFERD 0;
CMLJUST 0;
CMLSCALE 1;
COORDS 0;
DELOBJ 1;
DIMADEC 0;
DIMALT 0;
DIMALTD 2;
DIMALTF 25.4;
DIMALTRND 0;
DIMALTTD 2;
DIMALTTZ 0;
DIMALTU 2;
DIMALTZ 0;
DIMAPOST empty;
DIMASO 1;
DIMASZ 0.18;
DIMAUNIT 0;
DIMAZIN 0;
DIMBLK empty;
DIMBLK1 empty;
DIMBLK2 empty;
DIMCEN 0.09;
DIMCLRD 0;
DIMCLRE 0;
DIMCLRT 0;
DIMDEC 4;
DIMDLE 0;
DIMDLI 0.38;
DIMDSEP 0;
DIMEXE 0.18;
DIMEXO 0.0625;
DIMATFIT 3;
DIMFIT 3;
DIMFRAC 0;
DIMGAP 0.09;
DIMJUST 0;
DIMLDRBLK empty;
DIMLFAC 1;
DIMLIM 0;
DIMLWD 0;
DIMLWE 0;
DIMPOST empty;
DIMRND 0;
DIMSAH 0;
DIMSCALE 1;
DIMSD1 0;
DIMSD2 0;
DIMSE1 0;
DIMSE2 0;
DIMSHO 1;
DIMSOXD 0;
DIMTAD 0;
DIMTDEC 4;
DIMTFAC 1;
DIMTIH 1;
DIMTIX 0;
DIMTM 0;
DIMTMOVE 0;
DIMTOFL 0;
DIMTOH 1;
DIMTOL 0;
DIMTOLJ 1;
DIMTP 0;
DIMTSZ 0;
DIMTVP 0;
DIMTXT 0.18;
DIMTZIN 0;
DIMLUNIT 2;
DIMUNIT 2;
DIMUPT 0;
DIMZIN 0;
DISPSILH 0;
DRAGMODE 2;
DWGCODEPAGE 12;
ELEVATION 0;
ENDCAPS 0;
EXTMIN (1e+20, 1e+20, 1e+20);
EXTMAX (-1e+20, -1e+20, -1e+20);
EXTNAMES 1;
FASTZOOM 1;
FILLETRAD 0;
FILLMODE 1;
FINGERPRINTGUID empty;
FLATLAND 0;
GRIDMODE 0;
GRIDUNIT (0, 0);
HANDLING 1;
HANDSEED 0000000000000000;
HYPERLINKBASE empty;
INSBASE (0, 0, 0);
INSUNITS 0;
JOINSTYLE 0;
LIMCHECK 0;
LIMMIN (0, 0);
LIMMAX (0, 0);
LTSCALE 1;
LUNITS 2;
LUPREC 4;
LWDISPLAY 0;
MAXACTVP 16;
MEASUREMENT 0;
MENU "acad";
MIRRTEXT 1;
ORTHOMODE 0;
OSMODE 0;
PDMODE 0;
PDSIZE 0;
PELEVATION 0;
PEXTMIN (1e+20, 1e+20, 1e+20);
PEXTMAX (-1e+20, -1e+20, -1e+20);
PICKSTYLE 1;
PINSBASE (0, 0, 0);
PLIMCHECK 0;
PLIMMIN (0, 0);
PLIMMAX (12, 9);
PLINEGEN 1;
PLINEWID 0;
PROXYGRAPHICS 0;
SAVEIMAGES 0;
PSLTSCALE 0;
PSTYLEMODE 1;
PSVPSCALE 0;
PUCSORG (0, 0, 0);
PUCSORGBACK (0, 0, 0);
PUCSORGBOTTOM (0, 0, 0);
PUCSORGFRONT (0, 0, 0);
PUCSORGLEFT (0, 0, 0);
PUCSORGRIGHT (0, 0, 0);
PUCSORGTOP (0, 0, 0);
PUCSORTHOVIEW 0;
PUCSXDIR (1, 0, 0);
PUCSYDIR (0, 1, 0);
QTEXTMODE 0;
REGENMODE 1;
SHADEDGE 3;
SHADEDIF 70;
SKETCHINC 0.1;
SKPOLY 0;
SNAPANG 0;
SNAPBASE (0, 0);
SNAPISOPAIR 0;
SNAPMODE 0;
SNAPSTYLE 0;
SNAPUNIT (1, 1);
SPLFRAME 0;
SPLINESEGS 8;
SPLINETYPE 6;
SURFTAB1 6;
SURFTAB2 6;
SURFTYPE 6;
SURFU 6;
SURFV 6;
TDCREATE 0, 0;
TDINDWG 0, 0;
TDUCREATE 0, 0;
TDUPDATE 0, 0;
TDUUPDATE 0, 0;
TDUSRTIMER 0, 0;
TEXTSIZE 0.2;
THICKNESS 0;
TILEMODE 1;
TRACEWID 0.05;
TREEDEPTH 3020;
UCSORG (0, 0, 0);
UCSORGBACK (0, 0, 0);
UCSORGBOTTOM (0, 0, 0);
UCSORGFRONT (0, 0, 0);
UCSORGLEFT (0, 0, 0);
UCSORGRIGHT (0, 0, 0);
UCSORGTOP (0, 0, 0);
UCSORTHOVIEW 0;
UCSXDIR (1, 0, 0);
UCSYDIR (0, 1, 0);
UNITMODE 0;
USERI1 0;
USERI2 0;
USERI3 0;
USERI4 0;
USERI5 0;
USERR1 0;
USERR2 0;
USERR3 0;
USERR4 0;
USERR5 0;
USRTIMER 1;
VERSIONGUID empty;
VIEWCTR (6.591288, 4.579184, 0);
VIEWSIZE 9.158369;
VIEWTWIST 0;
VISRETAIN 0;
VIEWDIR (0, 0, 1);
WORLDVIEW 1;
XEDIT 1;
)";

// The value of a variable in a fresh header, written the way kDefaults writes it.
std::string shown(const TkHeader& h, const TkHeaderVarDesc& d) {
  const void* v = hdr_value(&h, &d);
  char buf[160];
  auto num = [&](double x) {
    char t[40];
    snprintf(t, sizeof t, "%.7g", x);
    return std::string(t);
  };
  const double* p = static_cast<const double*>(v);
  switch (d.type) {
    case TK_HV_BYTE: return std::to_string(*static_cast<const uint8_t*>(v));
    case TK_HV_INT16:
    case TK_HV_USER_INT:
    case TK_HV_CODEPAGE: return std::to_string(*static_cast<const int16_t*>(v));
    case TK_HV_DOUBLE:
    case TK_HV_USER_DOUBLE: return num(p[0]);
    case TK_HV_POINT2: return "(" + num(p[0]) + ", " + num(p[1]) + ")";
    case TK_HV_POINT3: return "(" + num(p[0]) + ", " + num(p[1]) + ", " + num(p[2]) + ")";
    case TK_HV_TEXT: {
      const char* t = static_cast<const char*>(v);
      return *t ? "\"" + std::string(t) + "\"" : "empty";
    }
    case TK_HV_DATE: {
      const TkDate* date = static_cast<const TkDate*>(v);
      snprintf(buf, sizeof buf, "%d, %d", date->day, date->msec);
      return buf;
    }
    case TK_HV_HANDLE: {
      const TkHandle* hd = static_cast<const TkHandle*>(v);
      std::string s;
      for (uint8_t b : hd->bytes) {
        snprintf(buf, sizeof buf, "%02X", b);
        s += buf;
      }
      return s;
    }
  }
  return "?";
}

TEST(HdrTest, EveryVariableByNameHoldsItsDefault) {
  TkHeader h;
  memset(&h, 0x5A, sizeof h);
  header_set_defaults(&h);
  std::istringstream in(kDefaults);
  std::string item;
  size_t n = 0;
  while (std::getline(in >> std::ws, item, ';')) {
    size_t space = item.find(' ');
    std::string name = item.substr(0, space), expected = item.substr(space + 1);
    const TkHeaderVarDesc* d = hdr_find(name.c_str());
    ASSERT_NE(d, nullptr) << name;
    EXPECT_EQ(shown(h, *d), expected) << name;
    ++n;
  }
  EXPECT_EQ(n, TK_HEADER_VAR_COUNT);
}

TEST(HdrTest, TableIsSortedAndCountsEachType) {
  std::map<uint16_t, int> by_type;
  for (size_t i = 0; i < TK_HEADER_VAR_COUNT; ++i) {
    if (i) {
      EXPECT_LT(strcmp(tk_header_vars[i - 1].name, tk_header_vars[i].name), 0) << i;
    }
    ++by_type[tk_header_vars[i].type];
  }
  const std::map<uint16_t, int> expected = {
      {TK_HV_BYTE, 37},  {TK_HV_INT16, 74},     {TK_HV_DOUBLE, 39},      {TK_HV_POINT2, 8},
      {TK_HV_POINT3, 26}, {TK_HV_TEXT, 11},     {TK_HV_DATE, 6},         {TK_HV_USER_INT, 5},
      {TK_HV_USER_DOUBLE, 5}, {TK_HV_HANDLE, 1}, {TK_HV_CODEPAGE, 1}};
  EXPECT_EQ(by_type, expected);
}

TEST(HdrTest, OnlyTheSharedNamesShareAValue) {
  const std::map<std::string, std::string> shared = {{"DIMFIT", "DIMATFIT"},
                                                     {"DIMUNIT", "DIMLUNIT"},
                                                     {"SAVEIMAGES", "PROXYGRAPHICS"},
                                                     {"TDUUPDATE", "TDUPDATE"}};
  TkHeader h;
  auto offset = [&h](const char* name) {
    return size_t(static_cast<uint8_t*>(hdr_value(&h, hdr_find(name))) -
                  reinterpret_cast<uint8_t*>(&h));
  };
  for (const auto& [a, b] : shared) EXPECT_EQ(offset(a.c_str()), offset(b.c_str())) << a;
  // Every byte belongs to at most one variable.
  std::map<size_t, std::string> owner;
  for (const TkHeaderVarDesc& d : tk_header_vars) {
    if (shared.count(d.name)) continue;
    size_t at = offset(d.name);
    size_t size = d.type == TK_HV_TEXT                          ? d.size
                  : d.type == TK_HV_BYTE                        ? 1
                  : d.type == TK_HV_INT16 || d.type == TK_HV_USER_INT ||
                          d.type == TK_HV_CODEPAGE              ? 2
                  : d.type == TK_HV_POINT2                      ? 16
                  : d.type == TK_HV_POINT3                      ? 24
                                                                : 8;
    ASSERT_LE(at + size, sizeof(TkHeader)) << d.name;
    for (size_t i = at; i < at + size; ++i) {
      auto [it, fresh] = owner.emplace(i, d.name);
      EXPECT_TRUE(fresh) << d.name << " overlaps " << it->second;
      if (!fresh) break;
    }
  }
}

TEST(HdrTest, LookupByName) {
  struct Case {
    const char* name;
    const char* found;
  } const cases[] = {
      {"ACADVER", "ACADVER"}, {"ltscale", "LTSCALE"}, {"AcadMaintVer", "ACADMAINTVER"},
      {"XEDIT", "XEDIT"},     {"$ACADVER", nullptr},  {"", nullptr},
      {"ACADVERX", nullptr},  {"ZZZ", nullptr},       {"A", nullptr},
  };
  for (const Case& c : cases) {
    const TkHeaderVarDesc* d = hdr_find(c.name);
    if (c.found) {
      ASSERT_NE(d, nullptr) << c.name;
      EXPECT_STREQ(d->name, c.found);
    } else {
      EXPECT_EQ(d, nullptr) << c.name;
    }
  }
  EXPECT_EQ(hdr_find_name_var("clayer"), 1);
  EXPECT_EQ(hdr_find_name_var("UCSORTHOREF"), 11);
  EXPECT_EQ(hdr_find_name_var("LTSCALE"), -1);
}

}  // namespace
