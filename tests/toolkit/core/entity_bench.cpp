// Benchmarks of entity records on the paths a load and a redraw take: packing plain vertices
// and lines into an entity list with their handles indexed, and walking the list unpacking
// every entity. Reports the stored bytes per entity, which the compact form exists to keep low.
#include <benchmark/benchmark.h>

#include <memory>

#include "toolkit/core/entity.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/free.h"
#include "toolkit/core/list.h"

namespace {

TkHandle H(uint64_t v) {
  TkHandle h;
  for (int i = 7; i >= 0; --i, v >>= 8) h.bytes[i] = uint8_t(v);
  return h;
}

struct Bare {
  Bare() : d(new TkDrawing()) { hidx_reset(&d->index); }
  ~Bare() {
    tk_free_entity_list(d.get(), &d->model_entities);
    hidx_free_all(&d->index);
  }
  std::unique_ptr<TkDrawing> d;
};

// Fills model space with n entities of the kind; the stored bytes.
size_t fill(TkDrawing* d, uint16_t kind, int64_t n) {
  static TkEntityHeader h;
  static TkEntityData data;
  h.kind = kind;
  tk_init_entity(d, &h, &data);
  h.layer = H(0x10);
  h.linetype = H(0x14);
  size_t bytes = 0;
  for (int64_t i = 0; i < n; ++i) {
    h.handle = H(uint64_t(0x100 + i));
    tk_data_put(&data, 0, double(i));
    tk_data_put(&data, 8, double(i) * 0.5);
    tk_add_entity(d, &d->model_entities, &h, &data);
    bytes += list_last(&d->model_entities)->size;
  }
  return bytes;
}

void BM_AddEntities(benchmark::State& state) {
  auto kind = uint16_t(state.range(0));
  size_t bytes = 0;
  for (auto _ : state) {
    Bare b;
    bytes = fill(b.d.get(), kind, 100000);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * 100000);
  state.counters["stored_bytes_per_entity"] = double(bytes) / 100000;
}
BENCHMARK(BM_AddEntities)->Arg(TK_VERTEX)->Arg(TK_LINE);

void BM_WalkEntities(benchmark::State& state) {
  Bare b;
  fill(b.d.get(), uint16_t(state.range(0)), 100000);
  static TkEntityHeader h;
  static TkEntityData data;
  for (auto _ : state) {
    entity_list_rewind(&b.d->model_entities);
    while (entity_list_next(&b.d->model_entities, &h, &data)) benchmark::DoNotOptimize(h.kind);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * 100000);
}
BENCHMARK(BM_WalkEntities)->Arg(TK_VERTEX)->Arg(TK_LINE);

}  // namespace

BENCHMARK_MAIN();
