// Benchmarks of the geometry library on the renderer's hot paths: tessellating cubic NURBS edges
// (100,000 curves of 10 spans), cutting lines with a torus (1,000,000 pairs, through the kernel
// routine and through the intersection object), and the quartic solver alone, per call.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "sat/Intersection.h"
#include "sat/Line.h"
#include "sat/NURBSCurve.h"
#include "sat/OldStyleIntersect.h"
#include "sat/RootSolvers.h"

namespace {

struct Cubics {
  static constexpr int kCurves = 100000, kPoints = 13, kKnots = 17;  // degree 3, 10 spans
  std::vector<float> controlPoints, knots;
  Cubics() {
    std::mt19937 random(1);
    std::uniform_real_distribution<float> any(-100, 100), weight(0.5f, 2);
    controlPoints.resize(size_t(kCurves) * kPoints * 4);
    for (size_t i = 0; i < controlPoints.size(); i += 4) {
      float w = weight(random);
      for (int c = 0; c < 3; ++c) controlPoints[i + size_t(c)] = w * any(random);
      controlPoints[i + 3] = w;
    }
    const float vector[kKnots] = {0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10, 10, 10};
    knots.assign(vector, vector + kKnots);
  }
};

void BM_TessellateCubics(benchmark::State& state) {
  static const Cubics cubics;
  double sum = 0;
  RenderOutput out{};
  out.vertex = [](double x, double y, double z, void* ctx) {
    *static_cast<double*>(ctx) += x + y + z;
  };
  out.ctx = &sum;
  out.pointsPerSpan = int32_t(state.range(0));
  for (auto _ : state) {
    for (int i = 0; i < Cubics::kCurves; ++i)
      tessellate(&out, Cubics::kKnots, cubics.knots.data(), 4,
                 cubics.controlPoints.data() + size_t(i) * Cubics::kPoints * 4, 4);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * Cubics::kCurves);
  state.counters["curves"] = Cubics::kCurves;
}
BENCHMARK(BM_TessellateCubics)->Arg(0)->Arg(8)->Unit(benchmark::kMillisecond);

struct Lines {
  static constexpr int kLines = 1000000;
  std::vector<OsLine> lines;
  Lines() {
    std::mt19937 random(2);
    std::uniform_real_distribution<double> any(-3, 3);
    lines.resize(kLines);
    for (OsLine& l : lines) {
      double d[3] = {any(random), any(random), any(random)};
      double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
      for (int c = 0; c < 3; ++c) {
        l.point[c] = any(random) / 2;
        l.direction[c] = d[c] / len;
      }
    }
  }
};

void BM_LineTorusKernel(benchmark::State& state) {
  static const Lines lines;
  const double centre[3] = {0, 0, 0}, axis[3] = {0, 0, 1};
  IntersectionList out;
  int64_t points = 0;
  for (auto _ : state) {
    for (const OsLine& l : lines.lines) {
      intersectLineTorus(l, centre, axis, 2.0, 0.7, out);
      points += out.count;
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * Lines::kLines);
  state.counters["points/pair"] = double(points) / (double(state.iterations()) * Lines::kLines);
}
BENCHMARK(BM_LineTorusKernel)->Unit(benchmark::kMillisecond);

void BM_LineTorusObjects(benchmark::State& state) {
  static const Lines lines;
  const c_Torus torus(c_Point(0, 0, 0), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 2.0, 0.7);
  int64_t points = 0;
  for (auto _ : state) {
    for (const OsLine& l : lines.lines) {
      c_Line line(c_Point(l.point[0], l.point[1], l.point[2]),
                  c_Vector(l.direction[0], l.direction[1], l.direction[2]));
      IntersectionResult r(line, torus);
      points += r.status() == 2 ? r.count() : 0;
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * Lines::kLines);
  state.counters["points/pair"] = double(points) / (double(state.iterations()) * Lines::kLines);
}
BENCHMARK(BM_LineTorusObjects)->Unit(benchmark::kMillisecond);

// Quartics with four, two and no real roots, as the torus and circle-ellipse cuts give them.
void BM_QuarticSolver(benchmark::State& state) {
  std::mt19937 random(3);
  std::uniform_real_distribution<double> any(-5, 5);
  std::vector<std::array<double, 5>> quartics(4096);
  for (size_t i = 0; i < quartics.size(); ++i) {
    double r[4] = {any(random), any(random), any(random), any(random)};
    // (x - r0)(x - r1)(x - r2)(x - r3) + shift: the shift removes some real roots.
    double c[5] = {1, 0, 0, 0, 0};
    double p[5] = {1, 0, 0, 0, 0};
    int degree = 0;
    for (double root : r) {
      for (int k = degree + 1; k > 0; --k) p[k] = p[k - 1] - root * p[k];
      p[0] = -root * p[0];
      ++degree;
    }
    for (int k = 0; k < 5; ++k) c[k] = p[k];
    c[0] += (i % 3) * 20.0;
    for (int k = 0; k < 5; ++k) quartics[i][size_t(k)] = c[k];
  }
  PolynomialRoot roots[kMaxPolynomialRoots];
  size_t i = 0;
  int64_t found = 0;
  for (auto _ : state) {
    found += solvePolynomial(quartics[i].data(), 4, roots);
    i = (i + 1) & 4095;
  }
  state.counters["roots/call"] = double(found) / double(state.iterations());
}
BENCHMARK(BM_QuarticSolver)->Unit(benchmark::kNanosecond);

}  // namespace

BENCHMARK_MAIN();
