// The arithmetic of the drawing scale: the scale that follows from two clicked points and their
// true distance, the texts that offer it, and the text of a scale pair. The scale check tool and
// the scale dialog of the Windows side show what these compute.
// Not for: the clicks, the dialogs or the question to the user.
#pragma once

#include "Str.h"

// A typed true distance is taken only from this many millimetres up (in absolute value).
constexpr double kMinTrueDistanceMm = 0.0001;

BOOL IsTrueDistanceAccepted(double dMillimetres);

struct CScaleOffer {
  double dRatio;   // true millimetres per sheet millimetre
  double dFirst;   // the scale pair the ratio is stored as
  double dSecond;
};

// The offer for a distance measured on the sheet and its true distance, both in millimetres.
// FALSE when there is nothing to offer: a true distance that is refused, or two points that lie
// on each other (any scale would do) or do not make a finite ratio. The true distance counts by
// its size: a negative typed distance is the same length.
BOOL ComputeScaleOffer(double dSheetMm, double dTrueMm, CScaleOffer& offer);

// "1 : 100" for a ratio of 100, "4 : 1" for 0.25. With bWithUnit each number carries the name of
// nUnit (a drawing's scale); without, none (a raster's).
CString FormatScaleOffer(double dRatio, BOOL bWithUnit, int nUnit);
// The scale pair as "first : second", each number as FormatScaleOffer gives it.
CString FormatScalePair(double dFirst, double dSecond, BOOL bWithUnit, int nUnit);
// The scale dialog's text: "%0.1f : %0.1f " of the pair, then the unit name when nUnit >= 0.
CString GetScaleText(double dFirst, double dSecond, int nUnit);
