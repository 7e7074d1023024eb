// Loading whole DWG drawings of AC1012 to AC1015 from memory through the open road: header,
// tables, classes, block records, every entity of the spaces and blocks, and the objects. Time
// and peak memory on the largest shared drawings of each layout and on a large AC1015 drawing
// built with the bit writer (entities of many kinds, complex ones and block insertions among
// them); bytes per second count the whole file, the peak is the toolkit's largest live
// allocation total during one load, reported against the file size.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/TestData.h"
#include "tests/toolkit/read/dwg13_drawing.h"
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

void LoadBytes(benchmark::State& state, const std::vector<uint8_t>& bytes) {
  static bool started = start();
  if (!started) {
    state.SkipWithError("toolkit did not start");
    return;
  }
  load_test::mem_files["bench.dwg"] = bytes;
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

void BM_LoadSharedDrawing(benchmark::State& state, const char* name) {
  std::vector<unsigned char> bytes;
  if (!vvtest::ReadWholeFile(vvtest::TestDataPath(std::string("dwg/") + name), bytes)) {
    state.SkipWithError("shared test data not present");
    return;
  }
  LoadBytes(state, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

// Copies of a group of entities of many kinds in model space: simple ones, a TEXT and an
// MTEXT, a POLYLINE with vertices, an INSERT with attributes of a block of its own.
std::vector<uint8_t> built_drawing(int copies) {
  namespace ents = dwg13_fixture::ents;
  dwg13_fixture::Drawing drawing;
  uint64_t block = drawing.block("PART", {ents::line(0), ents::circle(0), ents::text(0, "part")});
  std::vector<dwg13_fixture::Ent> model;
  for (int i = 0; i < copies; ++i) {
    double x = i;
    for (const dwg13_fixture::Ent& e :
         {ents::line(x), ents::circle(x), ents::circle(x, true), ents::point(x),
          ents::text(x, "label " + std::to_string(i)), ents::solid(x), ents::ellipse(x),
          ents::mtext(x, "{\\fArial;multi} line text"), ents::polyline(x, 4),
          ents::insert(x, block, {ents::text(x, "value", "TAG"), ents::text(x, "v2", "TAG2")})})
      model.push_back(e);
  }
  drawing.model(model);
  drawing.paper({ents::line(0)});
  return drawing.build();
}

void BM_LoadBuiltDrawing(benchmark::State& state) {
  static const std::vector<uint8_t> bytes = built_drawing(int(state.range(0)));
  LoadBytes(state, bytes);
}

BENCHMARK(BM_LoadBuiltDrawing)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadSharedDrawing, example_2000, "example_2000.dwg")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadSharedDrawing, example_r13, "example_r13.dwg")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadSharedDrawing, leader_2000, "2000_Leader.dwg")
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
