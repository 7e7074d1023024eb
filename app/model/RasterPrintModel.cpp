// Raster printing's job headers and fitting arithmetic.
#include "model/RasterPrintModel.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

CString RasterJobHeader(int nKind, int nCopies) {
  char line[128];
  CString text;
  if (nKind == 0) {
    text = "&&&&CALCOMP DEVICE CONTROL \r\n";
    snprintf(line, sizeof line, "COPIES(%d)\r\n", nCopies);
    text += line;
    text += "^^^^END OF FILE \r\n";
  } else if (nKind == 1) {
    text = "BEGMF \"RCH file\";\r\n";
    text += "MFVERSION 1;\r\n";
    text += "MFDESC \"Oce RCF, Version=2.0,Type=Header, Unit=Metric\";\r\n";
    snprintf(line, sizeof line, "APPLDATA 2 \"JB=0,CO=%d\";\r\n", nCopies);
    text += line;
    text += "APPLDATA 22 \"FO=0\";\r\n";
    text += "ENDMF;";
  }
  return text;
}

namespace {
int Clamp(int64_t v) { return v > INT32_MAX ? INT32_MAX : v < 0 ? 0 : (int)v; }
}  // namespace

RasterPrintTarget FitRasterToPaper(int nWidth, int nHeight, int nResolution, const RasterDpiSettings& dpi,
                                   int nPaperWidthMm, int nPaperHeightMm) {
  RasterPrintTarget t;
  t.nResolution = nResolution;
  t.nWidth = nWidth;
  t.nHeight = nHeight;
  if (dpi.nForceDpi && nResolution > 0 && dpi.nDpi > 0 && nResolution != dpi.nDpi &&
      !(dpi.nAllowDpi && nResolution == dpi.nDpi2)) {
    t.nResolution = dpi.nDpi;
    t.nWidth = Clamp((int64_t)nWidth * dpi.nDpi / nResolution);
    t.nHeight = Clamp((int64_t)nHeight * dpi.nDpi / nResolution);
  }
  if (nPaperWidthMm == 0 || t.nWidth <= 0 || t.nHeight <= 0) {
    t.bResize = t.nWidth != nWidth || t.nHeight != nHeight;
    return t;
  }
  int paperW = (int)(nPaperWidthMm * (double)t.nResolution * 0.03937007874015748);
  int paperH = (int)(nPaperHeightMm * (double)t.nResolution * 0.03937007874015748);
  if ((paperW > paperH && t.nHeight > t.nWidth) || (paperH > paperW && t.nWidth > t.nHeight)) {
    const int swap = paperW;
    paperW = paperH;
    paperH = swap;
    t.bRotate = TRUE;
  }
  if (paperW > 0 && paperH > 0 && (t.nWidth != paperW || t.nHeight != paperH)) {
    if ((double)t.nHeight / t.nWidth < (double)paperH / paperW) {
      t.nHeight = Clamp((int64_t)std::floor((double)t.nHeight * paperW / t.nWidth + 0.5));
      t.nWidth = paperW;
    } else {
      t.nWidth = Clamp((int64_t)((double)t.nWidth * paperH / t.nHeight));
      t.nHeight = paperH;
    }
  }
  t.bResize = t.nWidth != nWidth || t.nHeight != nHeight;
  return t;
}
