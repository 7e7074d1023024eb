// The grid engine on a grid of 100,000 rows by 50 columns of text: painting a 1280 by 1024 view,
// scrolling a page, and moving the current cell 1,000 times. The cell texts come from a data object that
// makes them when asked (as a grid over a large source would), and the view is painted onto a surface
// that measures text at 7 pixels a character and draws nothing, so the figures are the engine's own work:
// geometry, style composition, text layout.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "GXControlFactory.h"
#include "GXGridCore.h"
#include "GXGridState.h"

namespace {

class TextData : public CGXData {
 public:
  BOOL GetStyleRowCol(ROWCOL nRow, ROWCOL nCol, CGXStyle& style, int nMode, int nType) const override {
    if (nRow == 0 || nCol == 0 || nType != 0 || nRow > m_nRows || nCol > m_nCols)
      return CGXData::GetStyleRowCol(nRow, nCol, style, nMode, nType);
    char sz[32];
    std::snprintf(sz, sizeof sz, "Cell %lu/%lu", (unsigned long)nRow, (unsigned long)nCol);
    style.SetValue(sz);
    return TRUE;
  }
};

class NullSurface : public CGXGridSurface {
 public:
  CSize GetTextExtent(LPCTSTR, int nLength) override { return CSize(7 * nLength, 14); }
  GXTEXTMETRICS GetTextMetrics() override {
    GXTEXTMETRICS tm;
    tm.nHeight = 14;
    tm.nAscent = 11;
    tm.nAveCharWidth = 7;
    tm.nMaxCharWidth = 12;
    return tm;
  }
  void FillRect(const CRect&, DWORD) override { ++nCalls; }
  void InvertRect(const CRect&) override { ++nCalls; }
  void DrawTextLine(int, int, LPCTSTR, int, DWORD, const CRect&) override {
    ++nCalls;
    ++nTexts;
  }
  void SelectFont(const CGXFont&, int) override {}
  long nCalls = 0;
  long nTexts = 0;
};

struct BigGrid {
  BigGrid() {
    static bool s_bStarted = false;
    if (!s_bStarted) {
      InitGridLibrary(1536, 0, 0);
      s_bStarted = true;
    }
    grid.m_rectHeadlessClient = CRect(0, 0, 1280, 1024);
    CGXGridParam* pParam = new CGXGridParam;
    TextData* pData = new TextData;
    pParam->SetData(pData, TRUE);
    pData->InitParam(pParam);
    grid.AttachParam(pParam, TRUE);
    grid.InitialSetUp();
    pData->SetRowCount(100000);
    pData->SetColCount(50);
  }
  CGXGridCore grid;
};

void BM_PaintView(benchmark::State& state) {
  BigGrid g;
  NullSurface surface;
  for (auto _ : state)
    g.grid.OnGridDraw(surface, CRect(0, 0, 1280, 1024));
  benchmark::DoNotOptimize(surface.nCalls);
  // Texts drawn per paint: every visible cell and header.
  state.counters["texts"] = (double)surface.nTexts / (double)state.iterations();
  state.counters["calls"] = (double)surface.nCalls / (double)state.iterations();
}
BENCHMARK(BM_PaintView)->Unit(benchmark::kMillisecond);

// One page down (the scroll-bar command) and the repaint of the view it leaves.
void BM_ScrollPage(benchmark::State& state) {
  BigGrid g;
  NullSurface surface;
  for (auto _ : state) {
    if (g.grid.GetTopRow() > 99000)
      g.grid.HandleVerticalScroll(GX_SB_TOP, 0);
    g.grid.HandleVerticalScroll(GX_SB_PAGEDOWN, 0);
    g.grid.OnGridDraw(surface, CRect(0, 0, 1280, 1024));
  }
  benchmark::DoNotOptimize(surface.nCalls);
}
BENCHMARK(BM_ScrollPage)->Unit(benchmark::kMillisecond);

// 1,000 moves of the current cell by the arrow keys, down and right in turn.
void BM_MoveCurrentCell1000(benchmark::State& state) {
  BigGrid g;
  for (auto _ : state) {
    g.grid.ChangeCurrentCell(1, 1);
    g.grid.SetTopRow(1, 0);
    for (int i = 0; i < 1000; ++i)
      g.grid.DispatchGridKeys(GX_WM_KEYDOWN, (i & 1) ? GX_VK_RIGHT : GX_VK_DOWN, 1, 0);
  }
}
BENCHMARK(BM_MoveCurrentCell1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
