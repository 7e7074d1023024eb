// Tolerance frames: a TOLERANCE entity's string (rows split by line feeds,
// cells by "%%v") drawn as rows of text cells in rectangular frames, sized and
// coloured by the entity's dimension style and its overrides. The cell texts go
// through the paragraph-text routine, the frame lines through the linetype
// walk.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "toolkit/core/dim_lookup.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/matrix.h"
#include "toolkit/core/mem.h"
#include "toolkit/display/mtext.h"
#include "toolkit/display/regen_kinds.h"

namespace {

struct Frame {
  TkDrawing* drawing;
  TkConstViewMatrices matrices;
  const double* placement;
  const TkTextStyleRecord* style;
  int16_t frame_colour;
  int16_t text_colour;
};

void set_colour(TkDrawing* drawing, int16_t colour) {
  if (colour >= 0) regen_set_color(drawing, tk_display_callbacks->colour_map[colour & 0xFF]);
}

void frame_line(const Frame& f, double x0, double y0, double x1, double y1) {
  set_colour(f.drawing, f.frame_colour);
  double a[3] = {x0, y0, 0}, b[3] = {x1, y1, 0};
  regen_line(f.drawing, a, b, f.placement, f.matrices, &tk_regen.continuous, f.drawing, nullptr,
             ++tk_regen.run_counter, 0.0);
  set_colour(f.drawing, f.text_colour);
}

int16_t resolve(uint16_t colour, int16_t byblock, int16_t bylayer) {
  return colour == 0 ? byblock : colour == TK_COLOUR_BYLAYER ? bylayer : int16_t(colour & 0xFF);
}

// The rows of the string, and the cells of each row.
std::vector<std::vector<std::string>> split(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  size_t at = 0;
  for (;;) {
    size_t end = text.find('\n', at);
    std::string row = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    std::vector<std::string> cells;
    size_t c = 0;
    for (;;) {
      size_t sep = row.find("%%v", c);
      cells.push_back(row.substr(c, sep == std::string::npos ? std::string::npos : sep - c));
      if (sep == std::string::npos) break;
      c = sep + 3;
    }
    rows.push_back(cells);
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return rows;
}

}  // namespace

void regen_tolerance(TkDrawing* drawing, const TkEntityHeader* header, const TkEntityData* data,
                     const double base[16], int16_t byblock_colour, int16_t bylayer_colour) {
  const char* s = tk_data_text(data, TK_TOLERANCE_STRING);
  std::string text(s, strnlen(s, TK_ENTITY_DATA_SIZE - TK_TOLERANCE_STRING - 1));
  if (text.empty()) return;
  TkRegenContext& r = tk_regen;
  const int count = r.viewport_count ? r.viewport_count : 1;
  auto* m = static_cast<double(*)[16]>(mem_alloc(sizeof(double) * 16 * size_t(count)));
  auto* style = static_cast<TkTextStyleRecord*>(mem_alloc(sizeof(TkTextStyleRecord)));
  if (!m || !style) {
    mem_free(m);
    mem_free(style);
    tk_fail_alloc(TK_ERR_REGEN_STYLE);
    return;
  }
  const TkHeader* hdr = drawing->header;
  TkDimSettings set{};
  TkHandle dimstyle = tk_data_get<TkHandle>(data, TK_TOLERANCE_DIMSTYLE);
  if (!tk_read_dimstyle_overrides(drawing, header, &set, &dimstyle)) {
    set.scale = hdr ? hdr->dimscale : 1.0;
    set.gap = hdr ? hdr->dimgap : 0.09;
    set.text_height = hdr ? hdr->dimtxt : 0.18;
  }
  const double scale = std::isfinite(set.scale) && set.scale != 0 ? set.scale : 1.0;
  const double gap = std::isfinite(set.gap) ? std::fabs(set.gap) : 0.0;
  double height = set.text_height;
  if (!(height > 0) || !std::isfinite(height)) height = 0.18;
  if (!tk_style_get(drawing, &set.text_style, style)) {
    TkHandle standard{};
    if (!tk_style_find(drawing, "Standard", &standard) || !tk_style_get(drawing, &standard, style))
      tk_init_style_record(style);
  }

  // Placement: x along the entity's direction, z its extrusion, scaled by
  // DIMSCALE.
  double x[3] = {tk_data_get<double>(data, 24), tk_data_get<double>(data, 32),
                 tk_data_get<double>(data, 40)};
  double z[3] = {0, 0, 1};
  if (header->flags & TK_ENTITY_EXTRUDED) std::memcpy(z, header->extrusion, sizeof z);
  double xl = std::sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2]);
  double zl = std::sqrt(z[0] * z[0] + z[1] * z[1] + z[2] * z[2]);
  if (!(xl > 0) || !std::isfinite(xl)) {
    x[0] = 1;
    x[1] = x[2] = 0;
    xl = 1;
  }
  if (!(zl > 0) || !std::isfinite(zl)) {
    z[0] = z[1] = 0;
    z[2] = zl = 1;
  }
  for (int i = 0; i < 3; ++i) {
    x[i] /= xl;
    z[i] /= zl;
  }
  double y[3] = {z[1] * x[2] - z[2] * x[1], z[2] * x[0] - z[0] * x[2], z[0] * x[1] - z[1] * x[0]};
  double place[16];
  tk_matrix_identity(place);
  for (int i = 0; i < 3; ++i) {
    place[i] = x[i] * scale;
    place[4 + i] = y[i] * scale;
    place[8 + i] = z[i] * scale;
    place[12 + i] = tk_data_get<double>(data, 8 * size_t(i));
  }
  tk_matrix_multiply(place, base, place);
  for (int v = 0; v < count; ++v) tk_matrix_multiply(place, r.state->viewports[v].matrix, m[v]);

  Frame f{drawing,
          m,
          place,
          style,
          resolve(set.line_colour, byblock_colour, bylayer_colour),
          resolve(set.text_colour, byblock_colour, bylayer_colour)};
  set_colour(drawing, f.text_colour);
  TkMtextParams cell{};
  cell.height = height;
  cell.ref_width = 0;
  cell.attachment = 1;
  cell.direction = 1;
  cell.spacing_style = 1;
  cell.spacing_factor = 1;
  cell.formatting = 1;
  const std::vector<std::vector<std::string>> rows = split(text);
  double py = 0, bottom = 0, previous_right = 0, last_right = 0;
  bool first_row = true;
  for (const std::vector<std::string>& row : rows) {
    if (!regen_continue) break;
    double px = 0;
    std::string whole;
    for (const std::string& c : row) whole += c;
    double row_width = 0, row_top = 0;
    cell.height = height;
    mtext_measure(drawing, &cell, whole.c_str(), style, &row_width, &row_top);
    py = first_row ? py + height / 2 : bottom - gap;
    const double top = py + gap + std::fmax(row_top - height, 0.0);
    const double low = py - height - gap;
    frame_line(f, px, top, px, low);
    px += gap;
    double right = 0;
    for (const std::string& c : row) {
      if (c.empty()) continue;
      cell.height = height;
      if (style->height > 0) {
        cell.height = style->height / scale;
        if (first_row) py = (top + low) / 2 + cell.height / 2;
      }
      cell.insertion[0] = px;
      cell.insertion[1] = py;
      double w = 0, unused = 0;
      mtext_measure(drawing, &cell, c.c_str(), style, &w, &unused);
      mtext_draw(drawing, &cell, c.c_str(), style, place, f.text_colour);
      px += gap + w;
      frame_line(f, px, top, px, low);
      right = px;
      px += gap;
    }
    // A row below another is framed at least as wide as the row above it.
    const double edge = first_row ? right : std::fmax(right, previous_right);
    frame_line(f, 0, top, edge, top);
    previous_right = right;
    last_right = right;
    bottom = low;
    first_row = false;
  }
  frame_line(f, 0, bottom, last_right, bottom);
  mem_free(m);
  mem_free(style);
}
