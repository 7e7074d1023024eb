// Load throughput of the reader of DWG files of AC1002 to AC1009: generated AC1009 and AC1004
// drawings of many entities of the common kinds (lines, circles, texts, polylines with their
// vertices, inserts of a block), opened from memory through the open road. Reports MB/s and the
// peak of the toolkit's allocations against the file's size.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "tests/toolkit/core/counting_alloc.h"
#include "tests/toolkit/read/dwg_old_support.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/initdata.h"
#include "toolkit/read/readers.h"

namespace {

using namespace dwg_old_test;

using counting_alloc::live_bytes;
using counting_alloc::peak_bytes;
using counting_alloc::sized_alloc;
using counting_alloc::sized_free;

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

void start_once() {
  static bool started = [] {
    tk_set_initdata_open_callback(init_open);
    tk_set_initdata_getc_callback(init_getc);
    tk_set_initdata_read_callback(init_read);
    tk_set_initdata_close_callback(init_close);
    load_test::use_memory_files(sized_alloc, sized_free);
    uint16_t status = 0;
    return tk_init_core(nullptr, 1, &status) == 1 && tk_install_file_readers() == 1;
  }();
  if (!started) std::abort();
}

Entity entity(uint8_t kind, const Bytes& body, uint16_t options = 0) {
  Entity e;
  e.kind = kind;
  e.body = body.b;
  e.options = options;
  return e;
}

// About 80 bytes per entity on average; `groups` groups of ten entities.
std::vector<uint8_t> generated(int16_t version, int groups) {
  File f(version);
  bool r10 = version >= 3;
  auto point = [r10](Bytes b, double x, double y) {
    b.rd(x).rd(y);
    if (r10) b.rd(0);
    return b;
  };
  f.tables[LAYER].push_back(record_head(0, "0", version).i16(7).u16(0).b);
  f.tables[LTYPE].push_back(
      record_head(0, "CONTINUOUS", version).field("", 48).u8('A').u8(0).rd(0).b);
  Block b;
  b.name = "MARK";
  b.entities = {entity(12, Bytes().rd(0).rd(0)), entity(3, Bytes().rd(0).rd(0).rd(1)),
                entity(13, Bytes())};
  f.blocks = {b};
  for (int i = 0; i < groups; ++i) {
    double x = i % 1000, y = i / 1000;
    f.entities.push_back(entity(1, point(point(Bytes(), x, y), x + 1, y + 1)));
    f.entities.push_back(entity(1, point(point(Bytes(), x, y + 1), x + 1, y)));
    f.entities.push_back(entity(3, Bytes().rd(x).rd(y).rd(0.5)));
    f.entities.push_back(entity(7, Bytes().rd(x).rd(y).rd(0.2).text("label")));
    f.entities.push_back(entity(14, Bytes().u16(0).rd(x).rd(y).rd(0.5), 4));
    f.entities.push_back(entity(19, Bytes().u8(1), 1));
    for (int v = 0; v < 3; ++v) f.entities.push_back(entity(20, Bytes().rd(x + v).rd(y)));
    f.entities.push_back(entity(17, Bytes()));
  }
  return f.build();
}

void open_generated(benchmark::State& state, int16_t version) {
  start_once();
  std::vector<uint8_t> bytes = generated(version, static_cast<int>(state.range(0)));
  load_test::mem_files["bench.dwg"] = bytes;
  peak_bytes = live_bytes;
  size_t before = live_bytes;
  for (auto _ : state) {
    TkDrawing* d = tk_open_drawing("bench.dwg", 0, 0);
    if (!d) {
      state.SkipWithError("the generated drawing did not load");
      break;
    }
    tk_close_drawing(d);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
  state.counters["file_MB"] = double(bytes.size()) / 1e6;
  state.counters["peak_per_file_byte"] = double(peak_bytes - before) / double(bytes.size());
}

void BM_OpenAc1009(benchmark::State& state) { open_generated(state, 4); }
void BM_OpenAc1004(benchmark::State& state) { open_generated(state, 2); }

BENCHMARK(BM_OpenAc1009)->Arg(1000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAc1004)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
