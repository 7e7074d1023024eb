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

#include "tests/toolkit/read/dxf_support.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/write/dwg12_write.h"
#include "toolkit/write/save.h"

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
    TkDrawing* g = tk_new_drawing(nullptr, nullptr, 0, TK_VERSION_AC1009);
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
