// Shapes and text strings embedded in complex linetypes: placed at the end of their pattern
// element along the segment and drawn through the shape interpreter in one viewport. The
// pattern walk that decides when an element is due is regen_ltype.cpp's.
#include "toolkit/display/ltype_shape.h"

#include <cmath>
#include <cstring>

#include "toolkit/core/display_block.h"
#include "toolkit/core/matrix.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"
#include "toolkit/display/shx.h"

namespace {

// Entity kinds whose points are in their own coordinate system (the output turns them to the
// world); the embedded shape, drawn as text, is turned the same way here.
bool points_in_ecs(const TkEntityHeader* h) {
  if (!(h->flags & TK_ENTITY_EXTRUDED) || tk_regen.pline_3d) return false;
  switch (h->kind) {
    case TK_LINE:
    case TK_3DLINE:
    case TK_ELLIPSE:
    case TK_TOLERANCE:
    case TK_MLINE:
    case TK_LEADER:
      return false;
    default:
      return true;
  }
}

}  // namespace

int16_t ltype_draw_shape_or_text(TkDrawing* drawing, int viewport, const double point[3],
                                 const double base[16], double scale, double theta,
                                 const TkDashElement* element, const char* text,
                                 TkDrawing* style_drawing) {
  if (!drawing || !element || viewport < 0 || viewport >= TK_MAX_VIEWPORTS) return 0;
  TkDrawing* sd = style_drawing ? style_drawing : drawing;
  TkTextStyleRecord style{};
  if (!tk_style_get(sd, &element->text_style, &style)) tk_init_style_record(&style);
  TkFont* first = tk_state ? tk_state->builtin_fonts[0] : nullptr;
  char face[512];
  uint32_t bits = 0xFFFFFFFF;
  style_truetype_face(&style, face, &bits);
  TkFont* font = font_resolve(sd, style.font_file, TK_FONT_MASK_MAIN, first, face, bits);
  if (!font || (font == first && !text)) return 0;
  double size = element->scale;
  if (text) {
    size = font->above ? element->scale / font->above : element->scale;
    if (style.height != 0) size *= style.height;
  }
  double angle = (element->shape_flags & 1) ? element->rotation : theta + element->rotation;
  double ct = std::cos(theta), st = std::sin(theta);
  double t[16];
  tk_matrix_identity(t);
  double k = size * scale;
  t[0] = k * std::cos(angle);
  t[1] = k * std::sin(angle);
  t[4] = -t[1];
  t[5] = t[0];
  t[10] = k;
  t[12] = point[0] + (element->x_offset * ct - element->y_offset * st) * scale;
  t[13] = point[1] + (element->x_offset * st + element->y_offset * ct) * scale;
  t[14] = point[2];
  TkEntityHeader* scratch = tk_display_callbacks->scratch_header;
  if (font->kind != TK_FONT_TRUETYPE && points_in_ecs(scratch)) {
    double ecs[16];
    tk_matrix_from_extrusion(scratch->extrusion, ecs);
    tk_matrix_multiply(t, ecs, t);
  }
  if (base) tk_matrix_multiply(t, base, t);
  TkRegenContext& r = tk_regen;
  int count = r.viewport_count ? r.viewport_count : 1;
  if (viewport >= count || !r.state) return 0;
  auto* m = static_cast<double(*)[16]>(mem_alloc(sizeof(double) * 16 * size_t(count)));
  if (!m) return tk_fail_alloc(TK_ERR_LTYPE_SHAPE_MATRICES);
  std::memset(m, 0, sizeof(double) * 16 * size_t(count));
  tk_matrix_multiply(t, r.state->viewports[viewport].matrix, m[viewport]);

  uint16_t kind = scratch->kind;
  double thickness = scratch->thickness;
  uint64_t visible = r.visible_mask;
  r.visible_mask &= uint64_t(1) << viewport;
  scratch->kind = TK_TEXT;
  if (k != 0) scratch->thickness /= k;
  TkShapeContext ctx{};
  ctx.drawing = drawing;
  ctx.font = font;
  ctx.above = font->above;
  ctx.draw = 1;
  ctx.xscale = ctx.yscale = 1.0;
  ctx.stack_top = -1;
  ctx.string_steps_left = TK_STRING_MAX_STEPS;
  std::memcpy(ctx.transform, t, sizeof t);
  ctx.matrices = m;
  // A shape is the one character whose code is the low byte of its number.
  char shape_text[2] = {char(element->shape & 0xFF), 0};
  const char* s = text ? text : shape_text;
  int16_t result = 1;
  double saved_scale = r.arc_resolution_scale;
  r.arc_resolution_scale *= std::fabs(k);
  for (size_t i = 0; s[i] && i < 256; ++i) {
    uint16_t code = static_cast<uint8_t>(s[i]);
    TkFont* glyph = font_find_glyph(sd, font, nullptr, code, 0);
    if (!glyph) {
      result = 0;
      break;
    }
    ctx.nesting = 0;
    shx_interpret(&ctx, code, glyph, 0);
  }
  r.arc_resolution_scale = saved_scale;
  scratch->kind = kind;
  scratch->thickness = thickness;
  r.visible_mask = visible;
  mem_free(m);
  return result;
}
