// Benchmark of display lists on the 1,000,000-line drawing of the regeneration benchmark:
// regeneration while recording, replay of the whole recorded view, replay of a quarter of it
// (half the width and height, off the centre), and the bytes the lists hold per segment.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>

#include "tests/toolkit/core/core_support.h"
#include "toolkit/core/display_block.h"
#include "toolkit/core/display_state.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/display/regen.h"
#include "toolkit/display/vec_output.h"

namespace {

uint64_t g_segments = 0;
void count_move(int32_t, int32_t, TkUserData) {}
void count_line(int32_t, int32_t, TkUserData) { ++g_segments; }
void count_fill(const int16_t*, const int32_t*, TkUserData) {}
void count_colour(int16_t, TkUserData) {}

TkDrawing* lines_drawing() {
  static TkDrawing* d = [] {
    core_test::serve_init_data(core_test::builtin_init_data());
    uint16_t status = 0;
    if (!tk_init_core(nullptr, 1, &status) || !tk_init()) std::abort();
    tk_set_moveto_callback(count_move);
    tk_set_lineto_callback(count_line);
    tk_set_fill_polygon_callback(count_fill);
    tk_set_color_callback(count_colour);
    TkDrawing* drawing = tk_new_drawing(nullptr, nullptr, 0, 6);
    TkEntityHeader h;
    static TkEntityData data;
    for (int64_t i = 0; i < 1000000; ++i) {
      h = TkEntityHeader{};
      h.kind = TK_LINE;
      tk_init_entity(drawing, &h, &data);
      const double x = std::fmod(i * 0.618, 1000.0), y = std::fmod(i * 0.377, 1000.0);
      tk_data_put(&data, 0, x);
      tk_data_put(&data, 8, y);
      tk_data_put(&data, 24, x + 3);
      tk_data_put(&data, 32, y + 2);
      tk_next_handle(drawing, nullptr, 0, &h.handle);
      if (!tk_add_entity(drawing, &drawing->model_entities, &h, &data)) std::abort();
    }
    if (!tk_display_open(drawing, nullptr, 2000, 2000, nullptr)) std::abort();
    return drawing;
  }();
  return d;
}

TkViewDesc view_of(double cx, double cy, double side) {
  TkViewDesc v{};
  v.direction[2] = 1;
  v.target[0] = cx;
  v.target[1] = cy;
  v.target[3] = 1;
  v.up[1] = 1;
  v.width = side;
  v.height = side;
  return v;
}

const int32_t kRect[4] = {0, 0, 2000, 2000};

void record(TkDrawing* d) {
  tk_display_set_recording(d, 1);
  TkViewDesc full = view_of(501.5, 501, 1004);
  tk_display_set_view(d, &full, kRect);
  if (regen_drawing(d) != 1 || !d->display->lists_valid) std::abort();
}

void BM_RegenDirect(benchmark::State& state) {
  TkDrawing* d = lines_drawing();
  tk_display_set_recording(d, 0);
  TkViewDesc full = view_of(501.5, 501, 1004);
  tk_display_set_view(d, &full, kRect);
  for (auto _ : state) {
    g_segments = 0;
    regen_drawing(d);
  }
  state.counters["segments"] = double(g_segments);
}

void BM_RegenRecording(benchmark::State& state) {
  TkDrawing* d = lines_drawing();
  for (auto _ : state) {
    g_segments = 0;
    record(d);
  }
  state.counters["segments"] = double(g_segments);
  state.counters["list_bytes"] = double(vec_list_bytes(d));
  state.counters["bytes_per_segment"] = double(vec_list_bytes(d)) / double(g_segments);
}

void BM_ReplayWhole(benchmark::State& state) {
  TkDrawing* d = lines_drawing();
  record(d);
  for (auto _ : state) {
    g_segments = 0;
    regen_drawing(d);
  }
  state.counters["segments"] = double(g_segments);
}

void BM_ReplayQuarter(benchmark::State& state) {
  TkDrawing* d = lines_drawing();
  record(d);
  TkViewDesc quarter = view_of(300, 700, 502);
  tk_display_set_view(d, &quarter, kRect);
  if (!d->display->lists_valid) std::abort();
  for (auto _ : state) {
    g_segments = 0;
    regen_drawing(d);
  }
  state.counters["segments"] = double(g_segments);
}

}  // namespace

BENCHMARK(BM_RegenDirect)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegenRecording)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplayWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplayQuarter)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
