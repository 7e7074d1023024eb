// Save throughput of the DWG writer: the generated drawing of the DXF load
// benchmark (binary, about 50 MB), loaded once and saved as AC1015 into a
// temporary folder. Reports MB/s of output and the peak of the toolkit's
// allocations during the save against the file written.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/toolkit/core/counting_alloc.h"
#include "tests/toolkit/read/dxf_bench_drawing.h"
#include "tests/toolkit/read/dxf_support.h"
#include "toolkit/write/save.h"

namespace {

using counting_alloc::live_bytes;
using counting_alloc::peak_bytes;
using counting_alloc::sized_alloc;
using counting_alloc::sized_free;

std::string out_path() {
  char tmpl[] = "/tmp/vv-savebench-XXXXXX";
  if (!mkdtemp(tmpl)) std::abort();
  return std::string(tmpl) + "/bench.dwg";
}

void BM_SaveGeneratedAsR2000(benchmark::State& state) {
  static bool started = dxf_test::start_toolkit(sized_alloc, sized_free);
  if (!started) std::abort();
  static const std::vector<uint8_t> bytes = dxf_bench::generate(true, 50u << 20);
  TkDrawing* d = dxf_test::open_bytes(bytes, "bench.dxf");
  if (!d) {
    state.SkipWithError("the generated drawing did not load");
    return;
  }
  size_t entities = 0;
  for (const TkLink* l = list_first(&d->model_entities); l; l = l->next) ++entities;
  static const std::string path = out_path();
  size_t written = 0;
  double peak_ratio = 0;
  for (auto _ : state) {
    size_t base = live_bytes;
    peak_bytes = live_bytes;
    if (!tk_save_drawing(d, path.c_str(), TK_FILE_DWG, TK_VERSION_AC1015, 0, 16, 0, 0)) {
      std::string why = "the save failed: error " + std::to_string(tk_get_last_error());
      state.SkipWithError(why.c_str());
      break;
    }
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) std::abort();
    written = size_t(st.st_size);
    peak_ratio = double(peak_bytes - base) / double(written);
  }
  tk_close_drawing(d);
  std::remove(path.c_str());
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(written));
  state.counters["entities"] = double(entities);
  state.counters["file_MB"] = double(written) / 1e6;
  state.counters["peak_x_file"] = peak_ratio;
}

BENCHMARK(BM_SaveGeneratedAsR2000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
