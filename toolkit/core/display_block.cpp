// The display callback block's life (tk_init, tk_shutdown) and its setters. What is drawn through
// the slots is display generation's; this file only allocates, fills in start values and frees.
#include "toolkit/core/display_block.h"

#include <cstring>

#include "toolkit/core/display_state.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/mem.h"

TkDisplayCallbacks* tk_display_callbacks = nullptr;
TkDisplayOutputHooks tk_display_output_hooks = {nullptr, nullptr, nullptr};

namespace {

void* alloc_zeroed(size_t size) {
  void* p = mem_alloc(size);
  if (p) std::memset(p, 0, size);
  return p;
}

void free_block(TkDisplayCallbacks* b) {
  if (!b) return;
  mem_free(b->code_table);
  mem_free(b->buffer_b);
  mem_free(b->buffer_a);
  mem_free(b->scratch_data);
  mem_free(b->scratch_header);
  for (TkGrowBuffer& g : b->grow) mem_free(g.data);
  mem_free(b->work_b);
  mem_free(b->work_a);
  mem_free(b);
}

}  // namespace

void tk_noop_callback(int16_t, TkUserData) {}

void tk_fill_wrapper(const int16_t range[2], const int32_t* points, TkUserData user) {
  TkDisplayCallbacks* b = tk_display_callbacks;
  if (!b) return;
  if (b->app_fill_polygon) b->app_fill_polygon(range, points, user);
  b->pen_x = points[2 * range[0]];
  b->pen_y = points[2 * range[0] + 1];
}

int16_t tk_init() {
  // The block is cleared so that a slot nobody installed is null rather than whatever the
  // allocator left there: every call site tests its slot.
  auto* b = static_cast<TkDisplayCallbacks*>(alloc_zeroed(sizeof(TkDisplayCallbacks)));
  if (!b) return 0;
  b->work_a = static_cast<uint8_t*>(alloc_zeroed(TK_DISPLAY_WORK_A));
  b->scratch_header = b->work_a ? static_cast<TkEntityHeader*>(
                                      alloc_zeroed(sizeof(TkEntityHeader)))
                                : nullptr;
  b->scratch_data = b->scratch_header ? static_cast<TkEntityData*>(
                                            alloc_zeroed(sizeof(TkEntityData)))
                                      : nullptr;
  b->buffer_a = b->scratch_data
                    ? static_cast<uint8_t*>(alloc_zeroed(TK_DISPLAY_BUFFER_A))
                    : nullptr;
  b->buffer_b = b->buffer_a
                    ? static_cast<uint8_t*>(alloc_zeroed(TK_DISPLAY_BUFFER_B))
                    : nullptr;
  b->work_b = b->buffer_b ? static_cast<uint8_t*>(alloc_zeroed(TK_DISPLAY_WORK_B))
                          : nullptr;
  b->code_table = b->work_b
                      ? static_cast<uint8_t*>(alloc_zeroed(TK_CODE_TABLE_SIZE))
                      : nullptr;
  if (!b->code_table) {
    free_block(b);
    return 0;
  }

  b->draw_enabled = 1;
  std::memcpy(b->message, "Malloc error\n", 14);
  b->settings[0] = 0;
  b->settings[1] = 25;
  b->settings[2] = 0;
  b->curve_resolution_primary = 10;
  b->curve_resolution = 10;
  b->find_file = tk_find_file;
  b->find_xref = tk_find_file;
  for (size_t i = 0; i < TK_COLOUR_MAP_SIZE; ++i)
    b->colour_map[i] = static_cast<int16_t>(i <= 16 ? i : 15);
  b->pixel_aspect = 1.0;
  b->detail = 2.0;
  b->poll_interval = 100;
  b->switches[0] = b->switches[1] = 1;
  b->max_circle_segments = 0;
  b->bounded = 1;
  tk_display_callbacks = b;
  tk_set_color_callback(tk_noop_callback);
  if (tk_display_output_hooks.init_code_table) tk_display_output_hooks.init_code_table(b->code_table);
  return 1;
}

void tk_shutdown() {
  free_block(tk_display_callbacks);
  tk_display_callbacks = nullptr;
}

#define TK_SETTER(name, type, ...)                 \
  void name(type fn) {                             \
    TkDisplayCallbacks* b = tk_display_callbacks; \
    if (!b) return;                                \
    __VA_ARGS__;                                   \
  }

TK_SETTER(tk_set_moveto_callback, TkMoveToFn, b->moveto = fn; b->app_moveto = fn)
TK_SETTER(tk_set_lineto_callback, TkLineToFn, b->lineto = fn; b->app_lineto = fn)
TK_SETTER(tk_set_fill_polygon_callback, TkFillPolygonFn, b->app_fill_polygon = fn;
          b->fill_polygon = tk_fill_wrapper)
TK_SETTER(tk_set_color_callback, TkColorFn, b->color = fn; b->app_color = fn)
TK_SETTER(tk_set_progress_callback, TkProgressCallback, b->progress = fn)
TK_SETTER(tk_set_find_xref_callback, TkFindFileFn, b->find_xref = fn)
TK_SETTER(tk_set_xref_name_callback, TkXrefNameFn, b->xref_name = fn)
TK_SETTER(tk_set_begin_xref_callback, TkXrefDrawingFn, b->begin_xref = fn)
TK_SETTER(tk_set_end_xref_callback, TkXrefDrawingFn, b->end_xref = fn)
TK_SETTER(tk_set_text_hook, TkEntityHookFn, b->text_hook = fn)
TK_SETTER(tk_set_draw_truetype_text_callback, TkTrueTypeTextFn, b->truetype_text = fn)
TK_SETTER(tk_set_lineweight_callback, TkLineweightFn, b->lineweight = fn; b->app_lineweight = fn)
TK_SETTER(tk_set_poll_callback, TkPollFn, b->poll = fn)
TK_SETTER(tk_set_xref_not_opened_callback, TkPathFn, b->xref_not_opened = fn)
TK_SETTER(tk_set_modeler_display_callback, TkModelerFn, b->modeler = fn)
TK_SETTER(tk_set_draw_image_callback, TkLoadPictureFn, b->draw_image = fn)
TK_SETTER(tk_set_draw_pixels_callback, TkDrawPixelsFn, b->draw_pixels = fn; b->app_draw_pixels = fn)

#undef TK_SETTER

void tk_set_draw_enabled(uint8_t enabled) {
  if (tk_display_callbacks) tk_display_callbacks->draw_enabled = enabled;
}

int32_t tk_get_curve_resolution() {
  return tk_display_callbacks ? tk_display_callbacks->curve_resolution_primary : 10;
}

int32_t tk_get_arc_resolution() {
  return tk_display_callbacks ? tk_display_callbacks->curve_resolution : 10;
}
