// Save throughput of the DWG writer of AC1002 to AC1009: the generated drawing of the DXF write
// benchmark (300,000 entities: 240,000 lines, 30,000 circles, 30,000 texts) saved as AC1009,
// through the save road into a temporary folder and into memory. Reports MB/s of output and the
// peak of the toolkit's allocations during the save.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/toolkit/core/counting_alloc.h"
#include "tests/toolkit/write/generated_drawing.h"
#include "tests/toolkit/read/dxf_support.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/write/dwg12_write.h"
#include "toolkit/write/save.h"

namespace {

using counting_alloc::live_bytes;
using counting_alloc::peak_bytes;
using counting_alloc::sized_alloc;
using counting_alloc::sized_free;

TkDrawing* generated() {
  static TkDrawing* d = make_generated_drawing(TK_VERSION_AC1009);
  return d;
}

void BM_SaveAC1009ToFile(benchmark::State& state) {
  TkDrawing* d = generated();
  char dir[] = "/tmp/vv-dwg12bench-XXXXXX";
  if (!mkdtemp(dir)) std::abort();
  std::string path = std::string(dir) + "/bench.dwg";
  size_t written = 0, peak = 0;
  for (auto _ : state) {
    size_t base = live_bytes;
    peak_bytes = live_bytes;
    if (!tk_save_drawing(d, path.c_str(), TK_FILE_DWG, TK_VERSION_AC1009, 0, 16, 0, 0)) {
      state.SkipWithError("the save failed");
      break;
    }
    peak = peak_bytes - base;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) std::abort();
    written = size_t(st.st_size);
  }
  std::remove(path.c_str());
  rmdir(dir);
  state.SetBytesProcessed(int64_t(written) * state.iterations());
  state.counters["file_MB"] = double(written) / 1e6;
  state.counters["peak_toolkit_MB"] = double(peak) / 1e6;
}

void BM_WriteAC1009ToMemory(benchmark::State& state) {
  TkDrawing* d = generated();
  size_t bytes = 0, peak = 0;
  for (auto _ : state) {
    std::vector<uint8_t> out;
    out.reserve(32 << 20);
    size_t base = live_bytes;
    peak_bytes = live_bytes;
    if (!dwg12_write_to_memory(d, TK_VERSION_AC1009, &out)) state.SkipWithError("write");
    peak = peak_bytes - base;
    bytes = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t(bytes) * state.iterations());
  state.counters["file_MB"] = double(bytes) / 1e6;
  state.counters["peak_toolkit_MB"] = double(peak) / 1e6;
}

}  // namespace

BENCHMARK(BM_SaveAC1009ToFile)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_WriteAC1009ToMemory)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
