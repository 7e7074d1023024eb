// Benchmark of recalculation: a sheet of 100,000 formulas, half of them one chain down column B
// (each the cell above plus a constant), half sums over ten-cell ranges of column A plus a chain
// cell, recalculated in full (every formula recomputed, in dependency order) and after a change
// of one constant through the marked-range road. Reports formulas per second.
#include <benchmark/benchmark.h>

#include "EngineState.h"
#include "FormulaEval.h"

#include <cstdio>

namespace {

const int kConstants = 1000;
const int kChain = 50000;
const int kSums = 50000;

int BuildSheet() {
  int sheet = CreateEngineSheet();
  char text[96];
  for (int r = 1; r <= kConstants; r++)
    StoreNumberCell(sheet, (uint32_t)r, 0, r);
  StoreFormulaCell(sheet, 1, 1, "=A1*2");
  for (int r = 2; r <= kChain; r++) {
    std::snprintf(text, sizeof(text), "=B%d+A%d*0.5", r - 1, (r - 1) % kConstants + 1);
    StoreFormulaCell(sheet, (uint32_t)r, 1, text);
  }
  for (int r = 1; r <= kSums; r++) {
    int k = (r - 1) % (kConstants - 10) + 1;
    std::snprintf(text, sizeof(text), "=SUM(A%d..A%d)+B%d/2", k, k + 9, r);
    StoreFormulaCell(sheet, (uint32_t)r, 2, text);
  }
  EngineSheet* s = GetEngineSheet(sheet);
  SetEngineRecalcAll(s, 1);
  RecalculateSheet(sheet, true);
  return sheet;
}

void BM_FullRecalculation(benchmark::State& state) {
  int sheet = BuildSheet();
  for (auto _ : state) {
    ClearEngineMarkedRanges(sheet);
    RecalculateSheet(sheet, true);
  }
  state.SetItemsProcessed(state.iterations() * (kChain + kSums));
  DestroyEngineSheet(sheet);
}
BENCHMARK(BM_FullRecalculation)->Unit(benchmark::kMillisecond);

// A1 feeds the first chain cell and so, through the chain, every formula: this is the full
// recalculation reached through a marked range and the recalculation stamps.
void BM_RecalculationAfterOneChange(benchmark::State& state) {
  int sheet = BuildSheet();
  double v = 1;
  for (auto _ : state) {
    StoreNumberCell(sheet, 1, 0, v += 1);
    RecalculateSheet(sheet);
  }
  state.SetItemsProcessed(state.iterations() * (kChain + kSums));
  DestroyEngineSheet(sheet);
}
BENCHMARK(BM_RecalculationAfterOneChange)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
