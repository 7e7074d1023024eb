// Speed of the plot-file converters on generated files: an HP-GL file of about 50 MB (1,000,000
// pen-down segments, 10,000 labels, 1,000 filled polygons) and a Calcomp stream of 1,000,000
// pen-down moves, each converted into a new drawing of the started toolkit (what the program
// does) and, for HP-GL, into an output that only counts (the reader alone); the Calcomp drawing
// also saved as the AC1014 DWG file the program opens. Reports MB/s of the plot file and the
// peak of the toolkit's allocations during one conversion.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <string>
#include <vector>

#include "tests/toolkit/core/core_support.h"
#include "toolkit/core/display_block.h"
#include "toolkit/core/drawing_life.h"
#include "vector/model/DrawingBuild.h"
#include "vector/model/Hpgl.h"
#include "vector/model/Tavelo.h"

namespace {

size_t g_live = 0, g_peak = 0;
void* counted_alloc(size_t n) {
  auto* p = static_cast<size_t*>(std::malloc(n + sizeof(size_t)));
  if (!p) return nullptr;
  *p = n;
  g_live += n;
  if (g_live > g_peak) g_peak = g_live;
  return p + 1;
}
void counted_free(void* q) {
  if (!q) return;
  size_t* p = static_cast<size_t*>(q) - 1;
  g_live -= *p;
  std::free(p);
}

void StartToolkit() {
  static bool started = [] {
    TkHostLayer layer{};
    layer.alloc = counted_alloc;
    layer.free = counted_free;
    tk_set_host_layer(&layer);
    core_test::serve_init_data(core_test::builtin_init_data());
    uint16_t status = 0;
    if (!tk_init_core(nullptr, 1, &status) || !tk_init()) std::abort();
    return true;
  }();
  (void)started;
}

const std::string& HpglFile() {
  static const std::string text = [] {
    std::string s = "IN;SP1;";
    char buf[128];
    for (int i = 0; i < 1000000; ++i) {
      int x = (i * 37) % 40000, y = (i * 91) % 30000;
      std::snprintf(buf, sizeof buf, "PU%d.1250,%d.2500;PD%d.5000,%d.7500;\n", x, y, x + 150, y + 75);
      s += buf;
      if (i % 100 == 0) {
        std::snprintf(buf, sizeof buf, "SP%d;LBLabel number %d\x03;\n", 1 + i % 7, i / 100);
        s += buf;
      }
      if (i % 1000 == 0) {
        std::snprintf(buf, sizeof buf, "PA%d,%d;PM0;PD%d,%d,%d,%d,%d,%d;PM2;FP;PU;\n", x, y, x + 400,
                      y, x + 400, y + 300, x, y + 300);
        s += buf;
      }
    }
    return s;
  }();
  return text;
}

// A Calcomp stream of pen-down moves of two bytes each way (opcode 20 and its signs).
const std::string& CalcompFile() {
  static const std::string bytes = [] {
    const char bias = '"';
    std::string s = "&&&&CALCOMP DEVICE CONTROL\r\n^^^^END OF FILE\r\n!!!\"";
    for (int v : {1, 0, 0, 1, 2}) s += char(v + bias);
    for (int i = 0; i < 1000000; ++i) {
      int op = 20 + (i & 3);
      s += char(op + bias);
      for (int k = 0; k < 4; ++k) s += char(((i >> (3 * k)) & 63) + bias);
      if (i % 40 == 39) s += "\r\n";
    }
    return s;
  }();
  return bytes;
}

class CountingOutput : public HpglOutput {
 public:
  long entities = 0;
  uint64_t AddLayer(const char*, uint32_t) override { return 1; }
  void AddLine(const HpglPoint&, const HpglPoint&, uint64_t, uint32_t) override { ++entities; }
  void AddArc(const HpglPoint&, double, double, double, uint64_t, uint32_t) override { ++entities; }
  void AddCircle(const HpglPoint&, double, uint64_t, uint32_t) override { ++entities; }
  void AddText(const HpglPoint&, const std::string&, double, const char*, double, int, int, uint64_t,
               uint32_t) override {
    ++entities;
  }
  void AddHatch(const std::vector<HpglPoint>&, uint64_t, uint32_t) override { ++entities; }
  void Error(const char*) override {}
};

void BM_HpglReader(benchmark::State& state) {
  const std::string& f = HpglFile();
  long entities = 0;
  for (auto _ : state) {
    CountingOutput out;
    ConvertHpglBytes(reinterpret_cast<const uint8_t*>(f.data()), f.size(), out);
    entities = out.entities;
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.size()));
  state.counters["MB"] = double(f.size()) / 1e6;
  state.counters["entities"] = double(entities);
}
BENCHMARK(BM_HpglReader)->Unit(benchmark::kMillisecond);

void BM_HpglToDrawing(benchmark::State& state) {
  StartToolkit();
  const std::string& f = HpglFile();
  for (auto _ : state) {
    g_peak = g_live;
    size_t base = g_live;
    CTavelo drawing;
    TaveloHpglOutput out(&drawing);
    ConvertHpglBytes(reinterpret_cast<const uint8_t*>(f.data()), f.size(), out);
    state.counters["peak_MB"] = double(g_peak - base) / 1e6;
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.size()));
}
BENCHMARK(BM_HpglToDrawing)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_CalcompToDrawing(benchmark::State& state) {
  StartToolkit();
  const std::string& f = CalcompFile();
  for (auto _ : state) {
    g_peak = g_live;
    size_t base = g_live;
    TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, 6);
    CalcompDrawingOutput out(d);
    CalcompStats stats;
    if (DecodeCalcompBytes(reinterpret_cast<const uint8_t*>(f.data()), f.size(), out, &stats) !=
        kCalcompConverted)
      state.SkipWithError("the generated stream did not decode");
    state.counters["peak_MB"] = double(g_peak - base) / 1e6;
    state.counters["lines"] = double(stats.lines);
    tk_close_drawing(d);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.size()));
}
BENCHMARK(BM_CalcompToDrawing)->Unit(benchmark::kMillisecond)->Iterations(2);

// The whole Calcomp road of the program: decode into a new drawing and save it as a DWG file.
void BM_CalcompToDwgFile(benchmark::State& state) {
  StartToolkit();
  const std::string& f = CalcompFile();
  const std::string out = "/tmp/vv_plot_bench_" + std::to_string(getpid()) + ".dwg";
  for (auto _ : state) {
    g_peak = g_live;
    size_t base = g_live;
    TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, 6);
    CalcompDrawingOutput lines(d);
    if (DecodeCalcompBytes(reinterpret_cast<const uint8_t*>(f.data()), f.size(), lines) !=
            kCalcompConverted ||
        !DrawingSaveAs(d, out.c_str(), 6, 1))
      state.SkipWithError("the generated stream did not convert and save");
    state.counters["peak_MB"] = double(g_peak - base) / 1e6;
    tk_close_drawing(d);
  }
  std::remove(out.c_str());
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.size()));
}
BENCHMARK(BM_CalcompToDwgFile)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
