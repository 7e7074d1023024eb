// Snapping on the geometry of a 300,000-entity drawing, per mouse move: the nearest stored point
// and the crossing of segments near the pointer, in the fitted drawing's device space (10,000,000
// units on the larger side). The view asks one of them at every move; each must stay far below
// 20 ms.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "vector/model/DwgSnap.h"

namespace {

const DwgSnapGeometry& Drawing() {
  static DwgSnapGeometry g = [] {
    DwgSnapGeometry geometry;
    uint32_t seed = 12345;
    auto next = [&seed] {
      seed = seed * 1664525u + 1013904223u;
      return static_cast<int>(seed % 10000000u);
    };
    // 270,000 lines and 30,000 polylines of six vertices.
    geometry.points.reserve(540000);
    for (int i = 0; i < 270000; ++i) {
      const int x = next(), y = next();
      geometry.points.push_back(CPoint(x, y));
      geometry.points.push_back(CPoint(x + next() % 20000, y + next() % 20000));
    }
    for (int i = 0; i < 30000; ++i) {
      std::vector<CPoint> chain;
      int x = next(), y = next();
      for (int k = 0; k < 6; ++k) {
        chain.push_back(CPoint(x, y));
        x += next() % 10000;
        y += next() % 10000;
      }
      geometry.polygons.push_back(chain);
    }
    return geometry;
  }();
  return g;
}

void BM_SnapToNearestPoint(benchmark::State& state) {
  const DwgSnapGeometry& g = Drawing();
  int x = 17, y = 4711;
  for (auto _ : state) {
    CPoint out;
    benchmark::DoNotOptimize(SnapToNearestPoint(g, x, y, &out));
    x = (x + 104729) % 10000000;
    y = (y + 130363) % 10000000;
  }
}
BENCHMARK(BM_SnapToNearestPoint)->Unit(benchmark::kMillisecond);

void BM_SnapToNearestSegment(benchmark::State& state) {
  const DwgSnapGeometry& g = Drawing();
  int x = 17, y = 4711;
  for (auto _ : state) {
    // A pointer square of 15 pixels on a view that shows the whole drawing in 1,000 pixels.
    const RECT search = {x - 75000, y - 75000, x + 75000, y + 75000};
    benchmark::DoNotOptimize(SnapToNearestSegment(g, x, y, search));
    x = (x + 104729) % 10000000;
    y = (y + 130363) % 10000000;
  }
}
BENCHMARK(BM_SnapToNearestSegment)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
