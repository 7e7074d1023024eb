// The test-only PNG renderer: Bresenham lines, even-odd scanline fills, the standard colour
// numbers 1 to 9 and greys, written with libpng.
#include "png_render.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "toolkit/core/display_block.h"
#include "toolkit/core/display_state.h"
#include "toolkit/core/hdr.h"
#include "toolkit/display/regen.h"

namespace display_test {

namespace {

Canvas g_canvas;

void plot(int x, int y) {
  Canvas& c = g_canvas;
  if (x < 0 || y < 0 || x >= c.width || y >= c.height) return;
  uint8_t* p = &c.rgb[(size_t(c.height - 1 - y) * c.width + x) * 3];
  std::memcpy(p, c.colour, 3);
}

void line(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  // Clip crudely to a margin around the canvas so huge coordinates cost nothing.
  const double lim = 1e6;
  if (std::abs(double(x0)) > lim || std::abs(double(y0)) > lim || std::abs(double(x1)) > lim ||
      std::abs(double(y1)) > lim)
    return;
  int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  for (int guard = 0; guard < 4000000; ++guard) {
    plot(x0, y0);
    if (x0 == x1 && y0 == y1) break;
    int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

void on_move(int32_t x, int32_t y, TkUserData) {
  g_canvas.pen_x = x;
  g_canvas.pen_y = y;
}

void on_line(int32_t x, int32_t y, TkUserData) {
  line(g_canvas.pen_x, g_canvas.pen_y, x, y);
  g_canvas.pen_x = x;
  g_canvas.pen_y = y;
}

void on_fill(const int16_t range[2], const int32_t* pts, TkUserData) {
  Canvas& c = g_canvas;
  int n = range[1] - range[0] + 1;
  const int32_t* p = pts + 2 * range[0];
  int32_t lo = c.height, hi = -1;
  for (int i = 0; i < n; ++i) {
    lo = std::min(lo, p[2 * i + 1]);
    hi = std::max(hi, p[2 * i + 1]);
  }
  lo = std::max(lo, 0);
  hi = std::min(hi, c.height - 1);
  std::vector<double> xs;
  for (int y = lo; y <= hi; ++y) {
    xs.clear();
    double sy = y + 0.5;
    for (int i = 0, j = n - 1; i < n; j = i++) {
      double yi = p[2 * i + 1], yj = p[2 * j + 1];
      if ((yi > sy) != (yj > sy))
        xs.push_back(p[2 * i] + (sy - yi) * (p[2 * j] - p[2 * i]) / (yj - yi));
    }
    std::sort(xs.begin(), xs.end());
    for (size_t k = 0; k + 1 < xs.size(); k += 2)
      for (int x = std::max(0, int(std::ceil(xs[k]))); x <= std::min(c.width - 1, int(xs[k + 1])); ++x)
        plot(x, y);
  }
  for (int i = 0; i < n; ++i) line(p[2 * i], p[2 * i + 1], p[2 * ((i + 1) % n)], p[2 * ((i + 1) % n) + 1]);
}

void on_colour(int16_t colour, TkUserData) {
  static const uint8_t table[10][3] = {{0, 0, 0},     {255, 0, 0},   {200, 160, 0}, {0, 160, 0},
                                       {0, 160, 160}, {0, 0, 255},   {200, 0, 200}, {0, 0, 0},
                                       {128, 128, 128}, {192, 192, 192}};
  const uint8_t* c = colour >= 0 && colour < 10 ? table[colour] : table[8];
  std::memcpy(g_canvas.colour, c, 3);
}

}  // namespace

Canvas& render_canvas() { return g_canvas; }

void render_begin(int width, int height) {
  g_canvas = Canvas{};
  g_canvas.width = width;
  g_canvas.height = height;
  g_canvas.rgb.assign(size_t(width) * height * 3, 255);
  tk_set_moveto_callback(on_move);
  tk_set_lineto_callback(on_line);
  tk_set_fill_polygon_callback(on_fill);
  tk_set_color_callback(on_colour);
  if (tk_display_callbacks)
    for (int i = 0; i < 256; ++i) tk_display_callbacks->colour_map[i] = int16_t(i);
}

bool render_write_png(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, g_canvas.width, g_canvas.height, 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < g_canvas.height; ++y)
    png_write_row(png, &g_canvas.rgb[size_t(y) * g_canvas.width * 3]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

int16_t render_drawing(TkDrawing* drawing, int width, int height, const std::string& png,
                       bool force_model, const TkHandle* layout) {
  render_begin(width, height);
  int16_t tilemode = drawing->header ? drawing->header->tilemode : 1;
  if (drawing->header && (force_model || layout)) drawing->header->tilemode = force_model ? 1 : 0;
  int16_t ok = tk_display_open(drawing, nullptr, width, height, layout);
  if (drawing->header) drawing->header->tilemode = tilemode;
  if (!ok) return 0;
  // A first pass finds what is drawn; the second shows exactly that.
  ok = regen_drawing(drawing);
  TkViewDesc full;
  if (ok && tk_display_full_view(drawing, &full)) {
    // The device mapping centres the view half a pixel past the middle of the rectangle, so the
    // view at the extents would put their maximum x and y half a pixel beyond it and lose what
    // lies on the top and right edges. Widened by two pixels' worth, the maximum lands on the
    // last pixel and the minimum one pixel in.
    const double widen = std::max(double(width) / (width - 2), double(height) / (height - 2));
    full.width *= widen;
    full.height *= widen;
    const int32_t rect[4] = {0, 0, width, height};
    tk_display_set_view(drawing, &full, rect);
    render_begin(width, height);
    ok = regen_drawing(drawing);
  }
  if (!png.empty() && !render_write_png(png)) ok = 0;
  tk_display_close(drawing);
  return ok;
}

}  // namespace display_test
