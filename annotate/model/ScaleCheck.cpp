// The scale that two points and a true distance give, and its texts.
#include "ScaleCheck.h"

#include <cmath>

#include "Units.h"

BOOL IsTrueDistanceAccepted(double dMillimetres) {
  return std::fabs(dMillimetres) >= kMinTrueDistanceMm;
}

BOOL ComputeScaleOffer(double dSheetMm, double dTrueMm, CScaleOffer& offer) {
  if (!IsTrueDistanceAccepted(dTrueMm)) return FALSE;
  const double dRatio = std::fabs(dTrueMm) / std::fabs(dSheetMm);
  if (!std::isfinite(dRatio) || dRatio <= 0.0) return FALSE;
  offer.dRatio = dRatio;
  if (dRatio >= 1.0) {
    offer.dFirst = 1.0;
    offer.dSecond = dRatio;
  } else {
    offer.dFirst = 1.0 / dRatio;
    offer.dSecond = 1.0;
  }
  return TRUE;
}

CString FormatScaleOffer(double dRatio, BOOL bWithUnit, int nUnit) {
  if (dRatio < 1.0) return FormatValue(1.0 / dRatio, bWithUnit, nUnit) + " : " + FormatValue(1.0, bWithUnit, nUnit);
  return FormatValue(1.0, bWithUnit, nUnit) + " : " + FormatValue(dRatio, bWithUnit, nUnit);
}

CString FormatScalePair(double dFirst, double dSecond, BOOL bWithUnit, int nUnit) {
  return FormatValue(dFirst, bWithUnit, nUnit) + " : " + FormatValue(dSecond, bWithUnit, nUnit);
}

CString GetScaleText(double dFirst, double dSecond, int nUnit) {
  CString text;
  text.Format("%0.1f : %0.1f ", dFirst, dSecond);
  if (nUnit >= 0) text += GetUnitName(nUnit);
  return text;
}
