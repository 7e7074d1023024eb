// The unit table and the measuring conversions.
#include "Units.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct UnitRow {
  double dMmPerUnit;
  double dMm2PerUnit2;
  double dUnitPerMm;     // the stored reverse factors, not 1 / dMmPerUnit
  double dUnit2PerMm2;
  int nStepPlain;        // "Decimals" off
  int nStepDecimals;     // "Decimals" on
};

const UnitRow kUnits[kUnitCount] = {
    {1.0, 1.0, 1.0, 1.0, 1, 1},
    {10.0, 100.0, 0.1, 0.01, 10, 1},
    {100.0, 10000.0, 0.01, 0.0001, 100, 1},
    {1000.0, 1e6, 0.001, 1e-6, 1000, 10},
    {1e6, 1e12, 1e-6, 1e-12, 1000000, 10000},
    {1e7, 1e14, 1e-7, 1e-14, 10000000, 100000},
    {25.4, 645.16, 0.03937007874015748, 0.0015500031000062, 25, 1},
    {304.8, 92903.04, 0.0032808398950131233, 1.0763910416709723e-5, 305, 3},
    {914.4, 836127.36, 0.0010936132983377078, 1.1959900463010804e-6, 914, 9},
    {1609344.0, 2.58998811e12, 6.21371192237334e-7, 3.8610215859253503e-13, 1609344, 16093},
};

const char kUnitNames[] = "mm|cm|dm|m|km|10 kms|inch|feet|yards|miles|";

class CDefaultUnitSettings : public CUnitSettings {
 public:
  int GetUnit() const override { return 0; }
  BOOL GetDecimals() const override { return FALSE; }
  CString FormatNumber(LPCSTR lpszFixed) const override { return lpszFixed; }
};

const CDefaultUnitSettings g_defaultSettings;
const CUnitSettings* g_pSettings = nullptr;

// The row of a unit, the setting "Unit" for a negative one; null outside the table.
const UnitRow* Row(int& nUnit) {
  if (nUnit < 0) nUnit = GetUnitSettings().GetUnit();
  if (nUnit < 0 || nUnit >= kUnitCount) return nullptr;
  return &kUnits[nUnit];
}

}  // namespace

void SetUnitSettings(const CUnitSettings* pSettings) { g_pSettings = pSettings; }

const CUnitSettings& GetUnitSettings() {
  return g_pSettings != nullptr ? *g_pSettings : g_defaultSettings;
}

int RoundHalfUp(double v) {
  double r = std::trunc(v + 0.5);
  if (std::isnan(r)) return 0;
  if (r >= 2147483647.0) return INT32_MAX;
  if (r <= -2147483648.0) return INT32_MIN;
  return (int)r;
}

double UnitToMm(double dValue, int nUnit) {
  const UnitRow* row = Row(nUnit);
  return row != nullptr ? dValue * row->dMmPerUnit : dValue;
}

double MmToUnit(double dValue, int nUnit) {
  const UnitRow* row = Row(nUnit);
  return row != nullptr ? dValue * row->dUnitPerMm : dValue;
}

double AreaUnitToMm2(double dValue, int nUnit) {
  const UnitRow* row = Row(nUnit);
  return row != nullptr ? dValue * row->dMm2PerUnit2 : dValue;
}

double Mm2ToAreaUnit(double dValue, int nUnit) {
  const UnitRow* row = Row(nUnit);
  return row != nullptr ? dValue * row->dUnit2PerMm2 : dValue;
}

LPCSTR GetUnitNames() { return kUnitNames; }

CString GetUnitName(int nUnit) {
  if (Row(nUnit) == nullptr) return CString();
  const char* p = kUnitNames;
  for (int i = 0; i < nUnit; ++i) p = std::strchr(p, '|') + 1;
  return CString(p, (int)(std::strchr(p, '|') - p));
}

CString FormatValue(double dValue, BOOL bWithUnitName, int nUnit) {
  const CUnitSettings& settings = GetUnitSettings();
  CString text;
  if (settings.GetDecimals()) {
    CString fixed;
    fixed.Format("%f", dValue);
    text = settings.FormatNumber(fixed);
  } else {
    text.Format("%d", RoundHalfUp(dValue));
  }
  if (bWithUnitName) {
    text += ' ';
    text += GetUnitName(nUnit);
  }
  return text;
}

CString FormatLength(double dMillimetres, BOOL bWithUnitName, int nUnit) {
  return FormatValue(MmToUnit(dMillimetres, nUnit), bWithUnitName, nUnit);
}

CString FormatArea(double dSquareMillimetres, int nUnit) {
  CString text = FormatValue(Mm2ToAreaUnit(dSquareMillimetres, nUnit), TRUE, nUnit);
  text += '\xB2';  // the superscript two of the program's code page
  return text;
}

double ParseDistance(LPCSTR lpszText, int nUnit) {
  std::string text(lpszText != nullptr ? lpszText : "");
  size_t comma = text.find(',');
  if (comma != std::string::npos) text[comma] = '.';
  // The longest leading decimal number: sign, digits with one point, then an exponent only when
  // digits follow it. Scanned here so that the C library's locale and its hexadecimal and
  // infinity forms play no part.
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  const size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && std::isdigit((unsigned char)text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && std::isdigit((unsigned char)text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0.0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && std::isdigit((unsigned char)text[j])) {
      while (j < text.size() && std::isdigit((unsigned char)text[j])) ++j;
      i = j;
    }
  }
  double dNumber = std::strtod(text.substr(start, i - start).c_str(), nullptr);
  return UnitToMm(dNumber, nUnit);
}

int GetUnitStep() {
  const CUnitSettings& settings = GetUnitSettings();
  int nUnit = -1;
  const UnitRow* row = Row(nUnit);
  if (row == nullptr) return 1;
  return settings.GetDecimals() ? row->nStepDecimals : row->nStepPlain;
}

double BaseToTrueMm(double dBase, double dFirst, double dSecond, int nScaleUnit, double dDpi) {
  return UnitToMm(dBase * 25.4 / dDpi * (dSecond / dFirst), nScaleUnit);
}

double BaseToTrueMm(double dBase, double dFirst, double dSecond, int nScaleUnit) {
  return UnitToMm(dBase * (dSecond / dFirst), nScaleUnit);
}

double BaseAreaToTrueMm2(double dBase, double dFirst, double dSecond, int nScaleUnit, double dDpi) {
  const double dRatio = dSecond / dFirst;
  return AreaUnitToMm2(dBase * 645.16 / (dDpi * dDpi) * dRatio * dRatio, nScaleUnit);
}

double BaseAreaToTrueMm2(double dBase, double dFirst, double dSecond, int nScaleUnit) {
  const double dRatio = dSecond / dFirst;
  return AreaUnitToMm2(dBase * dRatio * dRatio, nScaleUnit);
}

namespace {

// A zero or unusable reference (a resolution or a first number of 0 read from a file) would
// divide by zero or give NaN; the base length is then 0 rather than whatever the cast makes of it.
int MmToBase(double dMillimetres, double dMmPer10000) {
  if (!std::isfinite(dMmPer10000) || dMmPer10000 == 0.0) return 0;
  return RoundHalfUp(dMillimetres * 10000.0 / dMmPer10000);
}

}  // namespace

int TrueMmToBase(double dMillimetres, double dFirst, double dSecond, int nScaleUnit, double dDpi) {
  return MmToBase(dMillimetres, BaseToTrueMm(10000.0, dFirst, dSecond, nScaleUnit, dDpi));
}

int TrueMmToBase(double dMillimetres, double dFirst, double dSecond, int nScaleUnit) {
  return MmToBase(dMillimetres, BaseToTrueMm(10000.0, dFirst, dSecond, nScaleUnit));
}
