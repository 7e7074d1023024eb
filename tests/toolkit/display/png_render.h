// Test-only renderer: installs display callbacks that draw moves, lines, filled polygons and
// colours into an RGB canvas and writes it as a PNG, so a person can look at what a drawing
// regenerates into. Device y grows upward (as display generation sends it); the PNG is flipped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/core/drawing.h"

namespace display_test {

struct Canvas {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // width * height * 3, white at the start
  uint8_t colour[3] = {0, 0, 0};
  int32_t pen_x = 0, pen_y = 0;
};

// The canvas the installed callbacks draw into.
Canvas& render_canvas();
// Clears a canvas of the size and installs the callbacks that draw into it.
void render_begin(int width, int height);
bool render_write_png(const std::string& path);

// Opens the display of the drawing on a canvas of the size, regenerates it and writes the PNG.
// force_model shows model space even when the drawing shows paper space; layout, when not
// null, names the layout block shown as paper space. 1 when regenerated.
int16_t render_drawing(TkDrawing* drawing, int width, int height, const std::string& png,
                       bool force_model, const TkHandle* layout = nullptr);

}  // namespace display_test
