// The fill radios, the text height field and the font description of the annotation dialogs.
#include "AnnDlgFields.h"

#include <cmath>
#include <cstring>

#include "Units.h"

int FillRadioOfStyle(int nFillStyle) {
  if (nFillStyle < CAnnObj::fillFrame || nFillStyle > CAnnObj::fillLastHatch) return -1;
  return nFillStyle - CAnnObj::fillFrame;
}

int FillStyleOfRadio(int nRadio, int nKeep) {
  if (nRadio < 0 || nRadio >= kFillRadioCount) return nKeep;
  return nRadio + CAnnObj::fillFrame;
}

int ClampTextHeight(double dMillimetres) {
  if (!(dMillimetres >= kTextHeightMin)) return kTextHeightMin;
  if (dMillimetres >= kTextHeightMax) return kTextHeightMax;
  return RoundHalfUp(dMillimetres);
}

int ParseTextHeight(LPCSTR lpszText, int nKeep) {
  const double dMillimetres = ParseDistance(lpszText ? lpszText : "", -1);
  if (!(dMillimetres > 0.0)) return nKeep;
  return ClampTextHeight(dMillimetres);
}

unsigned ScaleSpinIncrement(unsigned nIncrement, int nStep) {
  const unsigned nRange = kTextHeightMax - kTextHeightMin;
  if (nStep < 1) nStep = 1;
  const double dScaled = (double)nIncrement * nStep;
  return dScaled > nRange ? nRange : (unsigned)dScaled;
}

CString DescribeFont(const AnnLogFont& font) {
  const bool bBold = font.lfWeight >= 600;
  const bool bItalic = font.lfItalic != 0;
  const char* style = bBold ? (bItalic ? "Bold Italic" : "Bold") : (bItalic ? "Italic" : "Regular");
  CString face(font.lfFaceName, (int)strnlen(font.lfFaceName, sizeof font.lfFaceName));
  return face + " " + style;
}
