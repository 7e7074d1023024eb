// Whole-drawing regeneration: sets up the pass, walks paper space and model space through the
// entity dispatcher, reports progress, and keeps the colour and lineweight filters that stand
// in front of the display callbacks.
#include <cmath>
#include <cstring>

#include "toolkit/core/entity_list.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/matrix.h"
#include "toolkit/core/mem.h"
#include "toolkit/display/plot_style.h"
#include "toolkit/display/regen.h"
#include "toolkit/display/vec_output.h"
#include "toolkit/display/xref.h"

TkRegenContext tk_regen;
int16_t regen_continue = 1;

void regen_set_color(TkDrawing* drawing, int16_t colour) {
  TkDisplayCallbacks* cb = tk_display_callbacks;
  if (colour != -1 && colour != tk_regen.last_colour && cb && cb->color)
    cb->color(colour, drawing->user_data);
  tk_regen.last_colour = colour;
}

void regen_set_lineweight(TkDrawing* drawing, int16_t lineweight) {
  TkDisplayCallbacks* cb = tk_display_callbacks;
  if (lineweight != tk_regen.last_lineweight && cb && cb->lineweight)
    cb->lineweight(lineweight, drawing->user_data);
  tk_regen.last_lineweight = lineweight;
}

void regen_set_paper_space(TkDrawing* drawing, uint8_t flag) {
  TkDisplayState* s = drawing ? drawing->display : nullptr;
  if (!s) return;
  s->paper_space = flag;
}

void regen_begin_pass(TkDrawing* drawing) {
  TkRegenContext& r = tk_regen;
  TkDisplayState* s = drawing->display;
  r.drawing = drawing;
  r.state = s;
  r.host = s && s->owner && s->owner->display ? s->owner->display : s;
  r.viewport_count = s ? (s->paper_space ? s->viewport_count : 1) : 1;
  if (r.viewport_count < 1) r.viewport_count = 1;
  if (r.viewport_count > TK_MAX_VIEWPORTS) r.viewport_count = TK_MAX_VIEWPORTS;
  r.visible_mask = 0;
  // A paper-space viewport whose status is 0 is off: nothing is drawn in it.
  for (int v = 0; v < r.viewport_count; ++v)
    if (v == 0 || !s || s->viewports[v].status != 0) r.visible_mask |= uint64_t(1) << v;
  r.freeze_mask = 0;
  // Layer "0" (else the first layer) is the one whose entities in a block take the inserting
  // layer; outside any block they keep it.
  if (s) {
    s->default_layer = TkHandle{};
    if (!tk_layer_find(drawing, "0", &s->default_layer)) {
      TkLayerRecord* first = static_cast<TkLayerRecord*>(mem_alloc(sizeof(TkLayerRecord)));
      if (first && tk_layer_list_rewind(drawing) && tk_layer_list_next(drawing, first))
        s->default_layer = first->handle;
      mem_free(first);
    }
    s->inserting_layer = s->default_layer;
  }
  const TkHeader* h = drawing->header;
  r.ltscale_base = h && h->ltscale > 0 ? h->ltscale : 1.0;
  r.ltscale = r.ltscale_base;
  r.psltscale = h ? uint8_t(h->psltscale != 0) : 0;
  // The application's detail (finer on the screen than on paper) sets how finely curves are cut.
  r.curve_factor = tk_display_callbacks && tk_display_callbacks->detail > 0
                       ? tk_display_callbacks->detail
                       : 2.0;
  r.ltype_switch = 1;
  r.plain_pattern = 1;
  r.min_element = 0.0;
  r.restart_at_vertices = 1;
  r.pline_active = r.pline_3d = 0;
  r.first_viewport_seen = 0;
  r.inside_paper = 0;
  r.active_count = 0;
  r.outer_drawing = nullptr;
  r.outer_handle = TkHandle{};
  r.borrowed_linetypes.clear();
  r.xref_name.clear();
  r.last_run = 0;
  r.poll_counter = 0;
  std::memset(&r.continuous, 0, sizeof r.continuous);
  std::memset(&r.continuous_handle, 0xFF, sizeof r.continuous_handle);
  if (tk_ltype_find(drawing, "CONTINUOUS", &r.continuous_handle)) {
    if (!tk_ltype_get(drawing, &r.continuous_handle, &r.continuous))
      std::memset(&r.continuous, 0, sizeof r.continuous);
  }
  r.continuous.element_count = 0;
  r.continuous.handle = r.continuous_handle;
  for (TkPatternEntry& e : r.pattern) {
    std::memset(&e, 0, sizeof e);
    e.lead_in = -1.0;
    e.setup = e.first_piece = e.join = 1;
  }
  r.recompute = 1;
}

int16_t regen_drawing(TkDrawing* drawing) {
  TkDisplayCallbacks* cb = tk_display_callbacks;
  if (!drawing || !cb) return 0;
  if (!drawing->display) return tk_fail(TK_ERR_GENERAL);
  if (cb->regen_busy) return tk_fail(TK_ERR_GENERAL);
  cb->regen_busy = 1;
  regen_continue = 1;
  cb->pen_x = cb->pen_y = -2000000000;
  TkDisplayState* state = drawing->display;
  if (state->recording && state->lists_valid && state->vec) {
    // The view lies inside what was recorded: redrawn from the display lists alone.
    const int16_t replayed = vec_replay(drawing);
    cb->regen_busy = 0;
    return replayed;
  }
  TkRegenContext& r = tk_regen;
  std::memset(r.skipped, 0, sizeof r.skipped);
  r.kind_drawn.clear();
  r.kind_passed.clear();
  r.hatch_gaps_joined = 0;
  r.infinite_points.clear();
  r.cycles_refused = 0;
  r.last_colour = -1;
  r.last_lineweight = -1;
  regen_begin_pass(drawing);
  TkDisplayState* s = drawing->display;
  TkHandle model = drawing->fixed[10], paper = drawing->fixed[11];
  TkList* model_list = tk_block_entity_list(drawing, &model);
  // A display opened on a layout block shows that layout as paper space.
  if (!tk_handle_is_null(&s->layout)) paper = s->layout;
  TkList* paper_list = tk_block_entity_list(drawing, &paper);
  if (!model_list) model_list = &drawing->model_entities;
  if (!paper_list) paper_list = &drawing->paper_entities;
  r.entities_total = list_count(model_list) + list_count(paper_list);
  r.entities_done = 0;
  r.reported_percent = 0;
  TkUserData user = drawing->user_data;
  if (cb->progress) cb->progress(0, user);
  if (state->recording) {
    vec_install_default_output(drawing);
    vec_discard_display_lists(drawing);
    vec_begin_recording(drawing);
  }
  // The layout's plot settings, and its plot style table when they name one; a table that
  // does not load leaves the drawing drawn without plot styles.
  pstyle_free(pstyle_state.table);
  pstyle_state.table = nullptr;
  if (pstyle_load_layout_settings(drawing)) pstyle_load(drawing);
  const bool viewports_first =
      pstyle_state.layout_loaded && (pstyle_state.layout.plot.layout_flags & 512) != 0;
  int16_t ok = 1;
  if (!viewports_first) {
    // Paper space first (its viewports then show model space), model space after.
    r.inside_paper = 1;
    if (ok && regen_continue) ok = tk_draw_xrefs(drawing, paper_list);
    r.inside_paper = 0;
    if (ok && regen_continue) ok = tk_draw_xrefs(drawing, model_list);
  } else {
    if (ok && regen_continue) ok = tk_draw_xrefs(drawing, model_list);
    r.inside_paper = 1;
    if (ok && regen_continue) ok = tk_draw_xrefs(drawing, paper_list);
    r.inside_paper = 0;
  }
  bool drawn = s->drawn[0] != 1e300 || s->drawn[1] != 1e300 || s->drawn[2] != -1e300 ||
               s->drawn[3] != -1e300;
  // Construction lines widen no extents; a drawing of nothing else is shown around their base
  // points, so that they show at all: a square of a unit's size about each base point, since a
  // line's own points would give a view of no width (vertical) or no height (horizontal), in
  // which the window shows nothing of it.
  if (!drawn && r.infinite_points.size() >= 4 && !s->extents_drawn) {
    for (size_t i = 0; i + 3 < r.infinite_points.size(); i += 4) {
      const double bx = r.infinite_points[i], by = r.infinite_points[i + 1];
      const double size = std::hypot(r.infinite_points[i + 2] - bx, r.infinite_points[i + 3] - by);
      regen_widen_extents(bx - size, by - size);
      regen_widen_extents(bx + size, by + size);
    }
    drawn = true;
  }
  if (ok && regen_continue && drawn) s->extents_drawn = 1;
  if (state->recording) {
    vec_close_display_lists(drawing);
    // An aborted or failed pass leaves the lists invalid, so the next call regenerates.
    const TkVecOutput* o = state->vec;
    if (ok && regen_continue && o && !o->failed) state->lists_valid = 1;
    vec_install_direct_output(drawing);
  }
  if (cb->progress) cb->progress(100, user);
  pstyle_free(pstyle_state.table);
  pstyle_state.table = nullptr;
  cb->regen_busy = 0;
  r.drawing = nullptr;
  r.state = nullptr;
  r.host = nullptr;
  return ok;
}
