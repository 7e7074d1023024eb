// What raster printing to a parallel port computes without the window system:
// the job header that tells a raster printer its copy count, and the target
// size, resolution, rotation and fit of the area sent to a paper format. Not
// for: saving, resampling or rotating the image, or writing to the port (the
// raster object).
#pragma once

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
