// Loading whole DWG drawings of AC1012 to AC1015 from memory through the open road: header,
// tables, classes, block records, every entity of the spaces and blocks, and the objects. Time
// and peak memory on the largest shared drawings of each layout; bytes per second count the
// whole file, the peak is the toolkit's largest live allocation total during one load, reported
// against the file size.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/TestData.h"
#include "tests/toolkit/core/load_support.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/initdata.h"
#include "toolkit/core/load.h"
#include "toolkit/read/readers.h"

namespace {

size_t live = 0, peak = 0;
void* peak_alloc(size_t size) {
  auto* p = static_cast<size_t*>(std::malloc(size + sizeof(size_t)));
  if (!p) return nullptr;
  *p = size;
  live += size;
  if (live > peak) peak = live;
  return p + 1;
}
void peak_free(void* block) {
  if (!block) return;
  size_t* p = static_cast<size_t*>(block) - 1;
  live -= *p;
  std::free(p);
}

size_t init_pos = 0;
int16_t init_open() {
  init_pos = 0;
  return 1;
}
int init_getc() {
  return init_pos < tk_initdata_builtin_size ? tk_initdata_builtin[init_pos++] : -1;
}
size_t init_read(void* buffer, size_t n) {
  size_t left = tk_initdata_builtin_size - init_pos;
  if (n > left) n = left;
  std::memcpy(buffer, tk_initdata_builtin + init_pos, n);
  init_pos += n;
  return n;
}
void init_close() {}

bool start() {
  tk_set_initdata_open_callback(init_open);
  tk_set_initdata_getc_callback(init_getc);
  tk_set_initdata_read_callback(init_read);
  tk_set_initdata_close_callback(init_close);
  load_test::use_memory_files(peak_alloc, peak_free);
  uint16_t status = 0;
  return tk_init_core(nullptr, 1, &status) == 1 && tk_install_file_readers() == 1;
}

void BM_LoadSharedDrawing(benchmark::State& state, const char* name) {
  std::vector<unsigned char> bytes;
  if (!vvtest::ReadWholeFile(vvtest::TestDataPath(std::string("dwg/") + name), bytes)) {
    state.SkipWithError("shared test data not present");
    return;
  }
  static bool started = start();
  if (!started) {
    state.SkipWithError("toolkit did not start");
    return;
  }
  load_test::mem_files["bench.dwg"] = std::vector<uint8_t>(bytes.begin(), bytes.end());
  size_t worst = 0;
  for (auto _ : state) {
    size_t before = live;
    peak = live;
    TkDrawing* d = tk_open_drawing("bench.dwg", 1, 0);
    if (!d) {
      state.SkipWithError("the drawing did not load");
      return;
    }
    if (peak - before > worst) worst = peak - before;
    tk_close_drawing(d);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
  state.counters["file_bytes"] = double(bytes.size());
  state.counters["peak_bytes"] = double(worst);
  state.counters["peak_per_file"] = double(worst) / double(bytes.size());
}

BENCHMARK_CAPTURE(BM_LoadSharedDrawing, example_2000, "example_2000.dwg")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadSharedDrawing, example_r13, "example_r13.dwg")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadSharedDrawing, leader_2000, "2000_Leader.dwg")
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
