// Benchmarks of the record structures on the paths a drawing load takes: inserting and looking up
// handles in the handle index (ascending as files hand them out, and shuffled), storing records,
// and writing and reading a blob through its chunks.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "toolkit/core/blob.h"
#include "toolkit/core/hidx.h"
#include "toolkit/core/list.h"

namespace {

TkHandle H(uint64_t v) {
  TkHandle h;
  for (int i = 7; i >= 0; --i, v >>= 8) h.bytes[i] = uint8_t(v);
  return h;
}

std::vector<TkHandle> handles(size_t n, bool shuffled) {
  std::vector<TkHandle> out;
  for (size_t i = 1; i <= n; ++i) out.push_back(H(i));
  if (shuffled) std::shuffle(out.begin(), out.end(), std::mt19937(1));
  return out;
}

void BM_HidxInsert(benchmark::State& state) {
  auto keys = handles(size_t(state.range(0)), state.range(1) != 0);
  for (auto _ : state) {
    TkHandleIndex index;
    hidx_reset(&index);
    for (const TkHandle& h : keys) hidx_insert(&index, &h, const_cast<TkHandle*>(&h));
    hidx_free_all(&index);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_HidxInsert)->Args({100000, 0})->Args({100000, 1});

void BM_HidxLookup(benchmark::State& state) {
  auto keys = handles(size_t(state.range(0)), false);
  TkHandleIndex index;
  hidx_reset(&index);
  for (const TkHandle& h : keys) hidx_insert(&index, &h, const_cast<TkHandle*>(&h));
  std::shuffle(keys.begin(), keys.end(), std::mt19937(2));
  for (auto _ : state) {
    for (const TkHandle& h : keys) benchmark::DoNotOptimize(hidx_lookup(&index, &h));
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
  hidx_free_all(&index);
}
BENCHMARK(BM_HidxLookup)->Arg(100000);

void BM_RecordStore(benchmark::State& state) {
  char record[600] = {};
  for (auto _ : state) {
    TkList* list = list_new();
    for (int i = 0; i < 10000; ++i) record_store(record, sizeof record, list);
    list_free(list);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * 10000);
}
BENCHMARK(BM_RecordStore);

void BM_BlobWriteRead(benchmark::State& state) {
  std::vector<double> values(1 << 17, 1.25);
  for (auto _ : state) {
    TkBlob* stored = blob_alloc(TK_BLOB_CHUNK_SIZE);
    TkBlob* w = blob_create(stored);
    for (double v : values) blob_write_double(w, v);
    blob_close_write(w);
    TkBlob* r = blob_open_read(stored);
    double v;
    while (blob_read_double(r, &v)) benchmark::DoNotOptimize(v);
    blob_close(r);
    blob_free(stored);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(values.size() * 8 * 2));
}
BENCHMARK(BM_BlobWriteRead);

}  // namespace

BENCHMARK_MAIN();
