// Justification of single-line text from its measured extents. The extents come from the text
// driver at unit height without rotation, so one measurement serves every justification; the
// offset is then turned with the text about its alignment point.
#include "toolkit/display/text_box.h"

#include <cmath>

namespace {

double distance2(const double a[2], const double b[2]) {
  return std::hypot(b[0] - a[0], b[1] - a[1]);
}

// p turned by angle about centre.
void rotate_about(const double centre[2], double angle, double p[2]) {
  double c = std::cos(angle), s = std::sin(angle);
  double dx = p[0] - centre[0], dy = p[1] - centre[1];
  p[0] = centre[0] + dx * c - dy * s;
  p[1] = centre[1] + dx * s + dy * c;
}

}  // namespace

int16_t tk_text_box(TkDrawing* drawing, const char* text, const TkTextStyleRecord* style,
                    TkTextParams* params, const double first[2], const double second[2],
                    TkTextBox* out) {
  if (params->halign == 0 && params->valign == 0) return 1;
  TkTextParams unit = *params;
  unit.height = 1.0;
  unit.rotation = 0;
  double box[4], descent = 0;
  if (!regen_text_extents(drawing, text, &unit, style, box, &descent)) return 0;
  double h = params->height;
  double width = (box[2] - box[0]) * h;
  if (params->halign == 3 || params->halign == 5) {
    if (width > 0) {
      double ratio = distance2(first, second) / width;
      if (params->halign == 3)
        params->height *= ratio;
      else
        params->width_factor *= ratio;
      h = params->height;
      width = distance2(first, second);
    }
    // A backwards text runs from the second point back to the first.
    const double* start = (params->generation & 2) ? second : first;
    out->insertion[0] = start[0];
    out->insertion[1] = start[1];
  } else {
    // The box of mirrored text lies on the far side of the insertion point, so each end of
    // the text stays at its own alignment point: an upside-down text's top is its lowest y,
    // and a backwards text's width runs towards -x.
    bool upside = params->generation & 4;
    double low = (upside ? box[3] : box[1]) * h, top = (upside ? box[1] : box[3]) * h;
    if (upside) descent = -descent;
    double dx = 0, dy = 0;
    switch (params->halign) {
      case 1: dx = -width / 2; break;
      case 2: dx = -width; break;
      case 4:
        dx = -width / 2;
        dy = -(low + top) / 2;
        break;
      default: break;
    }
    switch (params->valign) {
      case 1: dy = -descent * h; break;
      case 2: dy = -top / 2; break;
      case 3: dy = -top; break;
      default: break;
    }
    if (params->generation & 2) dx = -dx;
    out->insertion[0] = second[0] + dx;
    out->insertion[1] = second[1] + dy;
    rotate_about(second, params->rotation, out->insertion);
  }
  out->box[0] = box[0] * h;
  out->box[1] = box[1] * h;
  out->box[2] = out->box[0] + width;
  out->box[3] = box[3] * h;
  return 1;
}
