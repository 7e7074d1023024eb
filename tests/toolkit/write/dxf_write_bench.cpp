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

#include "tests/toolkit/core/counting_alloc.h"
#include "tests/toolkit/write/generated_drawing.h"
#include "tests/toolkit/read/dxf_support.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/write/dxf_write.h"

namespace {

using counting_alloc::live_bytes;
using counting_alloc::peak_bytes;
using counting_alloc::sized_alloc;
using counting_alloc::sized_free;

TkDrawing* generated() {
  static TkDrawing* d = make_generated_drawing(TK_VERSION_AC1015);
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
