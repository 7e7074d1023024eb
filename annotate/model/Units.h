// Length units and the conversions of everything the program measures into true millimetres (the
// size of the real object), and back into a unit for display. A length measured on a document is
// first a base value (image pixels of a raster, drawing units of a vector drawing); the
// annotation set's drawing scale first : second with its unit turns it into true millimetres.
// The two settings the functions read, the default unit and whether decimals are shown, and the
// locale's number formatting come through CUnitSettings, which the Windows side fills in.
// Not for: where the base value comes from (the view's transform, the point lists).
#pragma once

#include "Str.h"

enum { kUnitCount = 10 };

// What the unit functions need from the program: the settings "Unit" and "Decimals" and the
// number formatting of the user's locale.
class CUnitSettings {
 public:
  virtual ~CUnitSettings() = default;
  virtual int GetUnit() const = 0;
  virtual BOOL GetDecimals() const = 0;
  // The "%f" text of a number, formatted as the locale formats numbers.
  virtual CString FormatNumber(LPCSTR lpszFixed) const = 0;
};

// Borrowed; null gives millimetres, no decimals and the "%f" text unchanged.
void SetUnitSettings(const CUnitSettings* pSettings);
const CUnitSettings& GetUnitSettings();

// In every function below a unit below 0 means the setting "Unit"; an index above 9 leaves the
// value unchanged and has no name.
double UnitToMm(double dValue, int nUnit);
double MmToUnit(double dValue, int nUnit);
double AreaUnitToMm2(double dValue, int nUnit);
double Mm2ToAreaUnit(double dValue, int nUnit);
CString GetUnitName(int nUnit);
// The unit names separated by "|" as the unit lists show them.
LPCSTR GetUnitNames();

CString FormatValue(double dValue, BOOL bWithUnitName, int nUnit);
CString FormatLength(double dMillimetres, BOOL bWithUnitName, int nUnit);
// Always with the unit name, then "²".
CString FormatArea(double dSquareMillimetres, int nUnit);
// Millimetres of the leading number of the text (its first "," taken as the decimal point); 0
// when the text starts with no number.
double ParseDistance(LPCSTR lpszText, int nUnit);
// The spin step of the unit "Unit" for the setting "Decimals".
int GetUnitStep();

// A base length or area in true millimetres, through the drawing scale first : second with its
// unit. The raster forms take the raster's resolution; the drawing forms count the base in
// drawing units. The caller picks the drawing form exactly when the document holds a loaded
// vector drawing.
double BaseToTrueMm(double dBase, double dFirst, double dSecond, int nScaleUnit, double dDpi);
double BaseToTrueMm(double dBase, double dFirst, double dSecond, int nScaleUnit);
double BaseAreaToTrueMm2(double dBase, double dFirst, double dSecond, int nScaleUnit, double dDpi);
double BaseAreaToTrueMm2(double dBase, double dFirst, double dSecond, int nScaleUnit);
// True millimetres back into a base length, rounded; 0 when the scale or resolution make every
// base length 0 millimetres.
int TrueMmToBase(double dMillimetres, double dFirst, double dSecond, int nScaleUnit, double dDpi);
int TrueMmToBase(double dMillimetres, double dFirst, double dSecond, int nScaleUnit);

// v + 0.5 truncated, saturated to the int range (0 for NaN): every rounding of the measuring
// code, safe for any double a hostile file or an empty measurement can give.
int RoundHalfUp(double v);
