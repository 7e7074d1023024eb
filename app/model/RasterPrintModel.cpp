// Raster printing's job headers and fitting arithmetic.
#include "model/RasterPrintModel.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "model/PaperFormats.h"

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

void BuildRasterPaperTable(const CStringArray& appNames, const CWordArray& appSizes, CStringArray& names,
                           CWordArray& sizes) {
  names.RemoveAll();
  sizes.RemoveAll();
  int count = 0;
  const PaperFormat* builtIn = BuiltInPaperFormats(count);
  for (int i = 0; i < count; ++i) AppendPaperFormat(names, sizes, builtIn[i]);
  for (int i = 0; i < (int)appNames.GetSize() && 2 * i + 1 < (int)appSizes.GetSize(); ++i) {
    const CString& name = appNames[i];
    const WORD w = appSizes[2 * i], h = appSizes[2 * i + 1];
    BOOL listed = FALSE;
    for (int j = 0; j < count && !listed; ++j)
      listed = name == builtIn[j].name && w == builtIn[j].width && h == builtIn[j].height;
    if (listed) continue;
    names.Add(name);
    sizes.Add(w);
    sizes.Add(h);
  }
}

BOOL RasterPaperSize(const CWordArray& sizes, int nIndex, int* pnWidthMm, int* pnHeightMm) {
  if (nIndex < 0 || 2 * (int64_t)nIndex + 1 >= (int64_t)sizes.GetSize()) return FALSE;
  *pnWidthMm = sizes[2 * nIndex];
  *pnHeightMm = sizes[2 * nIndex + 1];
  return TRUE;
}

CString RasterPortName(int nPort) {
  CString name;
  name.Format("LPT%d", nPort + 1);
  return name;
}

int RasterPortOf(int nViewPort, int nSettingPort) { return nViewPort >= 0 ? nViewPort : nSettingPort; }
