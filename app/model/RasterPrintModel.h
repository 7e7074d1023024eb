// What raster printing to a parallel port computes without the window system:
// the job header that tells a raster printer its copy count, and the target
// size, resolution, rotation and fit of the area sent to a paper format. Not
// for: saving, resampling or rotating the image, or writing to the port (the
// raster object).
#pragma once

#include "Array.h"
#include "Str.h"

// The header of job kind 0 (three lines) or 1 (six lines), each line ending in
// CR LF except the last line of kind 1; empty for any other kind, which sends
// no header.
CString RasterJobHeader(int nKind, int nCopies);

// The settings of "RasterPrinting" that decide the resolution sent.
struct RasterDpiSettings {
  int nForceDpi = 1, nDpi = 400, nAllowDpi = 1, nDpi2 = 200;
};

struct RasterPrintTarget {
  int nResolution = 0;          // dots per inch written into the file
  int nWidth = 0, nHeight = 0;  // pixels sent
  BOOL bRotate = FALSE;         // by 90 degrees, to lie as the paper lies
  BOOL bResize = FALSE;
};

// The target of an area of nWidth x nHeight pixels at nResolution on paper of
// nPaperWidthMm x nPaperHeightMm (a width of 0: not fitted to paper, only
// resampled to the forced resolution).
RasterPrintTarget FitRasterToPaper(int nWidth, int nHeight, int nResolution, const RasterDpiSettings& dpi,
                                   int nPaperWidthMm, int nPaperHeightMm);

// The paper formats the raster printer's Size list offers, by list index: the dialog's four
// built-in formats first, then the application's formats from VLFormat.ini. One table serves
// both the list and the sizes, so an index always names the size shown; an application format
// equal to a built-in one in name and size is not listed twice.
void BuildRasterPaperTable(const CStringArray& appNames, const CWordArray& appSizes, CStringArray& names,
                           CWordArray& sizes);
// The width and height in millimetres of entry nIndex of such a table; FALSE when there is none.
BOOL RasterPaperSize(const CWordArray& sizes, int nIndex, int* pnWidthMm, int* pnHeightMm);

// The port a job goes to: "LPT1" for port 0. The view's own choice (-1 for none) wins over the
// setting.
CString RasterPortName(int nPort);
int RasterPortOf(int nViewPort, int nSettingPort);
