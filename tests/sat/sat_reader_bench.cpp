// Parsing and drawing a 200-face body (a plate with 194 round holes: planes, cylinder walls,
// circles and silhouettes) through the SAT entry, one copy per iteration. The figure to watch is
// the time per face (target: under 0.2 ms on one core).
#include <benchmark/benchmark.h>

#include <iostream>
#include <sstream>

#include "sat/SatEntry.h"
#include "tests/sat/sat_bodies.h"

namespace {

void BM_ParseAndDraw200Faces(benchmark::State& state) {
  // 6 faces of the plate and one wall per hole: 6 + 2 x 97 = 200.
  const std::string text = sat_test::box(200, 100, 5, 1, 2, 97).text();
  std::ostringstream sink;
  auto* saved = std::cout.rdbuf(sink.rdbuf());
  size_t points = 0;
  for (auto _ : state) {
    sat_test::Recording r;
    RenderOutput out = sat_test::recordingOutput(r, text);
    sat_parse_entity(&out);
    for (const auto& l : r.lines) points += l.points.size();
    sink.str("");
  }
  std::cout.rdbuf(saved);
  benchmark::DoNotOptimize(points);
  state.counters["faces"] = 200;
  state.counters["time_per_face"] = benchmark::Counter(
      double(state.iterations()) * 200, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ParseAndDraw200Faces)->Iterations(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
