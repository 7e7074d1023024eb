// The generated drawing of the writers' benchmarks: 300,000 entities in model space (lines, every
// tenth but one a circle, every tenth a text), made with the toolkit started on the counting
// allocator.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/toolkit/core/counting_alloc.h"
#include "tests/toolkit/read/dxf_support.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity_list.h"

inline TkDrawing* make_generated_drawing(uint16_t version) {
  if (!dxf_test::start_toolkit(counting_alloc::sized_alloc, counting_alloc::sized_free))
    std::abort();
  TkDrawing* g = tk_new_drawing(nullptr, nullptr, 0, version);
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
}
