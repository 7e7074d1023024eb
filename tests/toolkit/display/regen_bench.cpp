// Benchmark of regeneration: a generated drawing (1,000,000 lines, 100,000 arcs, 100,000 texts
// of 20 characters, 10,000 insertions of a 50-entity block, 100,000 hatches half solid and half a
// two-line pattern of 4 to 40 edges, 50,000 leaders, 100,000 dimensions over 1,000 dimension
// blocks of three lines, two filled arrowheads and a text) regenerated into a counting callback block,
// whole and kind by kind; and one pattern hatch of 1,000 spans alone. Reports entities per second, the peak of the toolkit's own
// allocations while the kind's drawing is built and regenerated (counted through the host
// allocator, so it is that kind's figure whatever ran before it in the process), and the
// process's peak resident size (for one kind alone, run it alone with --benchmark_filter).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <malloc.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"

#include "tests/toolkit/core/core_support.h"
#include "toolkit/core/display_block.h"
#include "toolkit/core/display_state.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/symtab.h"
#include "toolkit/display/regen.h"

namespace {

uint64_t g_calls = 0;
void count_xy(int32_t, int32_t, TkUserData) { ++g_calls; }
void count_fill(const int16_t*, const int32_t*, TkUserData) { ++g_calls; }
void count_colour(int16_t, TkUserData) {}

// The toolkit's allocations through the host layer, in bytes: live now and the highest since
// the last reset.
size_t g_live_bytes = 0, g_peak_bytes = 0;
void* counted_alloc(size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (p) g_live_bytes += malloc_usable_size(p);
  if (g_live_bytes > g_peak_bytes) g_peak_bytes = g_live_bytes;
  return p;
}
void counted_free(void* p) {
  if (!p) return;
  g_live_bytes -= malloc_usable_size(p);
  std::free(p);
}

enum Kind { kLines, kArcs, kTexts, kInserts, kHatches, kLeaders, kDimensions, kAll };
const int64_t kCounts[] = {1000000, 100000, 100000, 10000, 100000, 50000, 100000};
// The dimensions share this many blocks (a drawing's dimensions each have their own; the walk
// through a block costs the same).
constexpr int64_t kDimensionBlocks = 1000;

// A blob of the bytes.
TkBlob* blob_of(const std::vector<uint8_t>& bytes) {
  TkBlob* b = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob_create(b);
  blob_write(w, bytes.data(), bytes.size());
  blob_close_write(w);
  return b;
}

template <typename T>
void put(std::vector<uint8_t>& out, T v) {
  const uint8_t* p = reinterpret_cast<const uint8_t*>(&v);
  out.insert(out.end(), p, p + sizeof v);
}

// A HATCH of one closed polyline path of n corners on a circle of radius r around (x, y); solid,
// or two pattern lines (0 and 90 degrees) at the spacing, the second dashed.
void hatch_data(TkDrawing* d, TkEntityData& data, double x, double y, double r, int n, bool solid,
                double spacing) {
  std::vector<uint8_t> path, lines;
  put<int32_t>(path, 2);
  put<int16_t>(path, 0);
  put<int16_t>(path, 1);
  put<int32_t>(path, n);
  for (int i = 0; i < n; ++i) {
    put(path, x + r * std::cos(6.283185307179586 * i / n));
    put(path, y + r * std::sin(6.283185307179586 * i / n));
  }
  put<int32_t>(path, 0);
  tk_data_put<int16_t>(&data, TK_HATCH_SOLID, solid ? 1 : 0);
  tk_data_put<uint32_t>(&data, TK_HATCH_PATH_COUNT, 1);
  tk_data_put(&data, TK_HATCH_PATHS, blob_of(path));
  (void)d;
  if (solid) return;
  for (int k = 0; k < 2; ++k) {
    put(lines, k ? 1.5707963267948966 : 0.0);
    put(lines, x);
    put(lines, y);
    put(lines, k ? -spacing : 0.0);
    put(lines, k ? 0.0 : spacing);
    put<int16_t>(lines, int16_t(k ? 2 : 0));
    if (k) {
      put(lines, spacing * 2);
      put(lines, -spacing);
    }
  }
  tk_data_put<int16_t>(&data, TK_HATCH_LINE_COUNT, 2);
  tk_data_put(&data, TK_HATCH_LINES, blob_of(lines));
}

struct Fixture {
  TkDrawing* d = nullptr;
  int64_t entities = 0;
};

void add(TkDrawing* d, TkList* list, TkEntityHeader& h, TkEntityData& data) {
  tk_next_handle(d, nullptr, 0, &h.handle);
  if (!tk_add_entity(d, list, &h, &data)) std::abort();
}

void start(TkDrawing* d, uint16_t kind, TkEntityHeader& h, TkEntityData& data) {
  h = TkEntityHeader{};
  h.kind = kind;
  tk_init_entity(d, &h, &data);
}

Fixture build(Kind which) {
  static bool started = [] {
    TkHostLayer layer{};
    layer.alloc = counted_alloc;
    layer.free = counted_free;
    tk_set_host_layer(&layer);
    core_test::serve_init_data(core_test::builtin_init_data());
    uint16_t status = 0;
    if (!tk_init_core(nullptr, 1, &status) || !tk_init()) std::abort();
    tk_set_moveto_callback(count_xy);
    tk_set_lineto_callback(count_xy);
    tk_set_fill_polygon_callback(count_fill);
    tk_set_color_callback(count_colour);
    return true;
  }();
  (void)started;
  Fixture f;
  f.d = tk_new_drawing(nullptr, nullptr, 0, 6);
  TkDrawing* d = f.d;
  TkList* model = &d->model_entities;
  TkEntityHeader h;
  static TkEntityData data;
  auto on = [&](Kind k) { return which == kAll || which == k; };
  const double span = 1000.0;
  if (on(kLines))
    for (int64_t i = 0; i < kCounts[kLines]; ++i) {
      start(d, TK_LINE, h, data);
      double x = std::fmod(i * 0.618, span), y = std::fmod(i * 0.377, span);
      tk_data_put(&data, 0, x);
      tk_data_put(&data, 8, y);
      tk_data_put(&data, 24, x + 3);
      tk_data_put(&data, 32, y + 2);
      add(d, model, h, data);
      ++f.entities;
    }
  if (on(kArcs))
    for (int64_t i = 0; i < kCounts[kArcs]; ++i) {
      start(d, TK_ARC, h, data);
      tk_data_put(&data, 0, std::fmod(i * 0.618, span));
      tk_data_put(&data, 8, std::fmod(i * 0.377, span));
      tk_data_put(&data, 24, 2.0);
      tk_data_put(&data, 32, 0.0);
      tk_data_put(&data, 40, 2.5);
      add(d, model, h, data);
      ++f.entities;
    }
  if (on(kTexts))
    for (int64_t i = 0; i < kCounts[kTexts]; ++i) {
      start(d, TK_TEXT, h, data);
      tk_data_put(&data, 0, std::fmod(i * 0.618, span));
      tk_data_put(&data, 8, std::fmod(i * 0.377, span));
      tk_data_put(&data, TK_TEXT_ATTRS, 2.0);
      std::strcpy(tk_data_text(&data, TK_TEXT_STRING), "DRAWING TEXT 0123456");
      add(d, model, h, data);
      ++f.entities;
    }
  if (on(kInserts)) {
    TkBlockRecord b;
    tk_init_block_record(&b);
    std::strcpy(b.name, "PART");
    tk_next_handle(d, nullptr, 0, &b.handle);
    if (!tk_add_block(d, &b)) std::abort();
    TkList* blist = tk_block_entity_list(d, &b.handle);
    for (int i = 0; i < 50; ++i) {
      if (i % 5 == 4) {
        start(d, TK_CIRCLE, h, data);
        tk_data_put(&data, 0, double(i));
        tk_data_put(&data, 24, 1.0);
      } else {
        start(d, TK_LINE, h, data);
        tk_data_put(&data, 0, double(i));
        tk_data_put(&data, 24, double(i) + 1);
        tk_data_put(&data, 32, 1.0);
      }
      add(d, blist, h, data);
    }
    for (int64_t i = 0; i < kCounts[kInserts]; ++i) {
      start(d, TK_INSERT, h, data);
      tk_data_put(&data, 8, std::fmod(i * 6.18, span));
      tk_data_put(&data, 16, std::fmod(i * 3.77, span));
      tk_data_put(&data, 32, 0.1);
      tk_data_put(&data, 40, 0.1);
      tk_data_put(&data, TK_INSERT_BLOCK, b.handle);
      add(d, model, h, data);
      f.entities += 51;
    }
  }
  if (on(kHatches))
    for (int64_t i = 0; i < kCounts[kHatches]; ++i) {
      start(d, tk_class_hatch(d), h, data);
      hatch_data(d, data, std::fmod(i * 0.618, span), std::fmod(i * 0.377, span), 3.0,
                 4 + int(i % 37), i % 2 == 0, 0.5);
      add(d, model, h, data);
      ++f.entities;
    }
  if (on(kLeaders))
    for (int64_t i = 0; i < kCounts[kLeaders]; ++i) {
      start(d, TK_LEADER, h, data);
      double x = std::fmod(i * 0.618, span), y = std::fmod(i * 0.377, span);
      const double pts[9] = {x, y, 0, x + 4, y + 3, 0, x + 8, y + 3, 0};
      std::vector<uint8_t> v(reinterpret_cast<const uint8_t*>(pts), reinterpret_cast<const uint8_t*>(pts + 9));
      tk_data_put<uint16_t>(&data, 0, 3);
      tk_data_put(&data, TK_LEADER_BLOB, blob_of(v));
      add(d, model, h, data);
      ++f.entities;
    }
  if (on(kDimensions)) {
    std::vector<TkHandle> blocks;
    for (int64_t b = 0; b < kDimensionBlocks; ++b) {
      TkBlockRecord rec;
      tk_init_block_record(&rec);
      std::snprintf(rec.name, sizeof rec.name, "*D%lld", static_cast<long long>(b));
      tk_next_handle(d, nullptr, 0, &rec.handle);
      if (!tk_add_block(d, &rec)) std::abort();
      blocks.push_back(rec.handle);
      TkList* blist = tk_block_entity_list(d, &rec.handle);
      double x = std::fmod(b * 6.18, span), y = std::fmod(b * 3.77, span);
      // Two extension lines and the dimension line between them.
      const double lines[3][4] = {{x, y, x, y + 5}, {x + 10, y, x + 10, y + 5},
                                  {x, y + 4, x + 10, y + 4}};
      for (const auto& l : lines) {
        start(d, TK_LINE, h, data);
        tk_data_put(&data, 0, l[0]);
        tk_data_put(&data, 8, l[1]);
        tk_data_put(&data, 24, l[2]);
        tk_data_put(&data, 32, l[3]);
        add(d, blist, h, data);
      }
      for (double tip : {x, x + 10}) {
        double back = tip == x ? x + 1 : x + 9;
        const double corners[4][2] = {{tip, y + 4}, {back, y + 4.17}, {back, y + 3.83}, {back, y + 3.83}};
        start(d, TK_SOLID, h, data);
        for (int k = 0; k < 4; ++k) {
          tk_data_put(&data, 24 * size_t(k), corners[k][0]);
          tk_data_put(&data, 24 * size_t(k) + 8, corners[k][1]);
        }
        add(d, blist, h, data);
      }
      start(d, TK_TEXT, h, data);
      tk_data_put(&data, 0, x + 3);
      tk_data_put(&data, 8, y + 4.5);
      tk_data_put(&data, TK_TEXT_ATTRS, 1.0);
      std::strcpy(tk_data_text(&data, TK_TEXT_STRING), "10.00");
      add(d, blist, h, data);
    }
    for (int64_t i = 0; i < kCounts[kDimensions]; ++i) {
      start(d, TK_DIMENSION, h, data);
      tk_data_put(&data, TK_DIMENSION_BLOCK, blocks[size_t(i % kDimensionBlocks)]);
      add(d, model, h, data);
      f.entities += 7;
    }
  }
  d->header->extmin[0] = d->header->extmin[1] = 0;
  d->header->extmax[0] = d->header->extmax[1] = span;
  if (!tk_display_open(d, nullptr, 2000, 2000, nullptr)) std::abort();
  return f;
}

void regen(benchmark::State& state, Kind which) {
  size_t before = g_live_bytes;
  g_peak_bytes = g_live_bytes;
  Fixture f = build(which);
  for (auto _ : state) {
    g_calls = 0;
    if (!regen_drawing(f.d)) state.SkipWithError("regeneration failed");
    benchmark::DoNotOptimize(g_calls);
  }
  state.counters["entities/s"] =
      benchmark::Counter(double(f.entities), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["callbacks"] = double(g_calls);
  state.counters["toolkit_peak_MB"] = double(g_peak_bytes - before) / (1024.0 * 1024.0);
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["process_peak_MB"] = double(usage.ru_maxrss) / 1024.0;
  tk_close_drawing(f.d);
}

// One pattern hatch of 1,000 spans: a diamond of diagonal 1,414 crossed by horizontal lines 1.414
// apart.
void BM_HatchPattern1000Spans(benchmark::State& state) {
  Fixture f = build(kLines);
  tk_close_drawing(f.d);
  TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, 6);
  TkEntityHeader h;
  static TkEntityData data;
  start(d, tk_class_hatch(d), h, data);
  hatch_data(d, data, 500, 500, 500 * std::sqrt(2.0), 4, false, std::sqrt(2.0));
  // The first family alone: 1,000 horizontal lines across the diamond.
  tk_data_put<int16_t>(&data, TK_HATCH_LINE_COUNT, 1);
  add(d, &d->model_entities, h, data);
  d->header->extmin[0] = d->header->extmin[1] = 0;
  d->header->extmax[0] = d->header->extmax[1] = 1000;
  if (!tk_display_open(d, nullptr, 2000, 2000, nullptr)) std::abort();
  for (auto _ : state) {
    g_calls = 0;
    if (!regen_drawing(d)) state.SkipWithError("regeneration failed");
    benchmark::DoNotOptimize(g_calls);
  }
  state.counters["callbacks"] = double(g_calls);
  tk_close_drawing(d);
}

void BM_RegenLines(benchmark::State& s) { regen(s, kLines); }
void BM_RegenHatches(benchmark::State& s) { regen(s, kHatches); }
void BM_RegenLeaders(benchmark::State& s) { regen(s, kLeaders); }
void BM_RegenDimensions(benchmark::State& s) { regen(s, kDimensions); }
void BM_RegenArcs(benchmark::State& s) { regen(s, kArcs); }
void BM_RegenTexts(benchmark::State& s) { regen(s, kTexts); }
void BM_RegenInserts(benchmark::State& s) { regen(s, kInserts); }
void BM_RegenWholeDrawing(benchmark::State& s) { regen(s, kAll); }

BENCHMARK(BM_HatchPattern1000Spans)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RegenLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegenHatches)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegenLeaders)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegenDimensions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegenArcs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegenTexts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegenInserts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegenWholeDrawing)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
