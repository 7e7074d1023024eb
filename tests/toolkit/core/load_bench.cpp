// Benchmark of the entity side of a load over the fake readers, so the core's own cost shows
// without any file parsing: storing entities with their layer names resolved (through the
// one-entry cache when neighbours share a layer, by a table walk when they do not), and 2D
// polylines turned into LWPOLYLINEs.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "load_support.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/initdata.h"

namespace {

using namespace load_test;

size_t init_pos = 0;
int16_t init_open() {
  init_pos = 0;
  return 1;
}
int init_getc() { return init_pos < tk_initdata_builtin_size ? tk_initdata_builtin[init_pos++] : -1; }
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
    use_memory_files();
    uint16_t status = 0;
    return tk_init_core(nullptr, 1, &status) == 1;
  }();
  if (!started) std::abort();
}

// Opens a DXF of the given entities once per iteration.
void run(benchmark::State& state, const Script& s, size_t entities) {
  start_once();
  mem_files["bench"] = std::vector<uint8_t>(entities + 100, ' ');
  const std::string head = "  0\nSECTION\n";
  std::copy(head.begin(), head.end(), mem_files["bench"].begin());
  for (auto _ : state) {
    install_fake_readers(s);
    TkDrawing* d = tk_open_drawing("bench", 1, 0);
    if (!d) state.SkipWithError("open failed");
    tk_close_drawing(d);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(entities));
}

Script lines(size_t n, size_t layers, size_t run_length) {
  Script s;
  s.version = TK_VERSION_AC1015;
  for (size_t i = 0; i < layers; ++i) s.names[S_LAYER].push_back("LAYER" + std::to_string(i));
  for (size_t i = 0; i < n; ++i) {
    FakeEntity e;
    e.kind = TK_LINE;
    e.layer = "layer" + std::to_string((i / run_length) % layers);
    s.entities.push_back(e);
  }
  return s;
}

void BM_LoadLines(benchmark::State& state) {
  size_t n = 20000;
  run(state, lines(n, size_t(state.range(0)), size_t(state.range(1))), n);
}
// 50 layers: runs of 100 entities on one layer (the cache hits), or every entity on another.
BENCHMARK(BM_LoadLines)->Args({50, 100})->Args({50, 1})->Unit(benchmark::kMillisecond);

void BM_LoadPolylines(benchmark::State& state) {
  Script s;
  s.version = TK_VERSION_AC1015;
  s.classes = 1;
  s.class_names = {"LWPOLYLINE"};
  const size_t polylines = 1000, vertices = 20;
  for (size_t p = 0; p < polylines; ++p) {
    FakeEntity head;
    head.kind = TK_POLYLINE;
    s.entities.push_back(head);
    for (size_t v = 0; v < vertices; ++v) {
      FakeEntity vertex;
      vertex.kind = TK_VERTEX;
      vertex.reals[0] = double(v);
      vertex.reals[56] = v % 2 ? 0.5 : 0.0;
      s.entities.push_back(vertex);
    }
    FakeEntity end;
    end.kind = TK_SEQEND;
    s.entities.push_back(end);
  }
  start_once();
  tk_state->convert_polylines = uint8_t(state.range(0));
  run(state, s, s.entities.size());
}
BENCHMARK(BM_LoadPolylines)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
