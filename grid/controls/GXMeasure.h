// The measurer a control uses outside a paint: the grid window's for its standard font, or, without a
// window, the engine's default character cell (10 by 15 pixels).
// Not for: drawing.
#ifndef GRID_CONTROLS_GXMEASURE_H
#define GRID_CONTROLS_GXMEASURE_H

#include "GXGridCore.h"

class CGXDefaultMeasurer : public CGXTextMeasurer {
 public:
  CSize GetTextExtent(LPCTSTR psz, int nLength) override {
    (void)psz;
    return CSize(10 * nLength, 15);
  }
  GXTEXTMETRICS GetTextMetrics() override {
    GXTEXTMETRICS tm;
    tm.nHeight = 15;
    tm.nAveCharWidth = tm.nMaxCharWidth = 10;
    return tm;
  }
};

inline CGXTextMeasurer& GXMeasurerFor(CGXGridCore* pGrid, CGXDefaultMeasurer& fallback) {
  CGXTextMeasurer* p = pGrid->WndGetMeasurer(nullptr);
  return p != nullptr ? *p : fallback;
}

#endif  // GRID_CONTROLS_GXMEASURE_H
