// Write throughput of the DXF writer: a generated drawing of 300,000 entities (240,000 lines,
// 30,000 circles, 30,000 texts) written as text and as binary DXF of AC1015 to memory. Reports
// MB/s, the peak of the toolkit's allocations during the write, and, once, the time Debian's
// python3-ezdxf takes to save the same drawing (its `saveas` of the text file this writer made),
// measured in the same run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "tests/toolkit/read/dxf_support.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/write/dxf_write.h"

namespace {

size_t live_bytes = 0;
size_t peak_bytes = 0;

void* sized_alloc(size_t n) {
  auto* p = static_cast<size_t*>(std::malloc(n + 16));
  if (!p) return nullptr;
  *p = n;
  live_bytes += n;
  if (live_bytes > peak_bytes) peak_bytes = live_bytes;
  return reinterpret_cast<char*>(p) + 16;
}

void sized_free(void* block) {
  if (!block) return;
  auto* p = reinterpret_cast<size_t*>(static_cast<char*>(block) - 16);
  live_bytes -= *p;
  std::free(p);
}

TkDrawing* generated() {
  static TkDrawing* d = [] {
    if (!dxf_test::start_toolkit(sized_alloc, sized_free)) std::abort();
    TkDrawing* g = tk_new_drawing(nullptr, nullptr, 0, TK_VERSION_AC1015);
    if (!g) std::abort();
    TkEntityHeader h;
    TkEntityData data;
    for (long i = 0; i < 300000; ++i) {
      std::memset(&h, 0, sizeof h);
      h.kind = i % 10 == 8 ? TK_CIRCLE : i % 10 == 9 ? TK_TEXT : TK_LINE;
      tk_init_entity(g, &h, &data);
      tk_next_handle(g, nullptr, 0, &h.handle);
      double x = double(i % 1000) * 1.5, y = double(i / 1000) * 2.25;
      tk_data_put(&data, 0, x);
      tk_data_put(&data, 8, y);
      if (h.kind == TK_LINE) {
        tk_data_put(&data, 24, x + 1.25);
        tk_data_put(&data, 32, y + 0.75);
      } else if (h.kind == TK_CIRCLE) {
        tk_data_put(&data, 24, 0.5 + double(i % 7) * 0.125);
      } else {
        tk_data_put(&data, TK_TEXT_ATTRS, 0.25);
        std::snprintf(tk_data_text(&data, TK_TEXT_STRING), 64, "Text %ld", i);
      }
      if (!tk_add_entity(g, &g->model_entities, &h, &data)) std::abort();
    }
    return g;
  }();
  return d;
}

void write(benchmark::State& state, uint8_t kind) {
  TkDrawing* d = generated();
  size_t bytes = 0;
  size_t base = live_bytes;
  peak_bytes = live_bytes;
  for (auto _ : state) {
    std::vector<uint8_t> out;
    out.reserve(64 << 20);
    if (!dxf_write_to_memory(d, kind, TK_VERSION_AC1015, &out)) state.SkipWithError("write");
    bytes = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t(bytes) * state.iterations());
  state.counters["file_MB"] = double(bytes) / 1e6;
  state.counters["peak_toolkit_MB"] = double(peak_bytes - base) / 1e6;
}

void BM_WriteText(benchmark::State& state) { write(state, TK_FILE_TEXT_DXF); }
void BM_WriteBinary(benchmark::State& state) { write(state, TK_FILE_BINARY_DXF); }

// ezdxf's saveas of the same drawing, read from the text file this writer made (its load is not
// timed). Skipped where python3-ezdxf is not installed.
void BM_EzdxfSaveas(benchmark::State& state) {
  TkDrawing* d = generated();
  std::vector<uint8_t> out;
  if (!dxf_write_to_memory(d, TK_FILE_TEXT_DXF, TK_VERSION_AC1015, &out)) std::abort();
  char dir[] = "/tmp/vv-dxfbench-XXXXXX";
  if (!mkdtemp(dir)) std::abort();
  std::string in = std::string(dir) + "/in.dxf", again = std::string(dir) + "/out.dxf";
  std::ofstream(in, std::ios::binary)
      .write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
  std::string cmd = "/usr/bin/python3 -c \"import sys, time, ezdxf; d = ezdxf.readfile('" + in +
                    "'); t = time.perf_counter(); d.saveas('" + again +
                    "'); print(time.perf_counter() - t)\" 2>/dev/null";
  for (auto _ : state) {
    FILE* pipe = popen(cmd.c_str(), "r");
    double seconds = 0;
    if (!pipe || std::fscanf(pipe, "%lf", &seconds) != 1) {
      if (pipe) pclose(pipe);
      state.SkipWithError("python3-ezdxf is not installed");
      break;
    }
    pclose(pipe);
    state.SetIterationTime(seconds);
  }
  state.SetBytesProcessed(int64_t(out.size()) * state.iterations());
  std::remove(in.c_str());
  std::remove(again.c_str());
  rmdir(dir);
}

}  // namespace

BENCHMARK(BM_WriteText)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteBinary)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_EzdxfSaveas)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

BENCHMARK_MAIN();
