// Window, scale and version text of a vector drawing, in plain numbers.
#include "vector/model/DwgFit.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double kThin = 1e-8;
constexpr double kFar = 1e9;
constexpr double kUnsetSide = 1000.0;

int32_t Truncate(double v) {
  // The fitted side is at most 1e7; anything else (a NaN from a broken header) gives 0.
  if (!(v >= 0) || v > 2147483647.0) return 0;
  return static_cast<int32_t>(v);
}

}  // namespace

DwgViewMode InitialViewMode(int16_t pre_ac1009_or_tilemode) {
  return pre_ac1009_or_tilemode ? kDwgModelExtents : kDwgPaperSpace;
}

DwgWindow WindowOfView(const DwgViewBox& view, double dw, double dh, bool margin) {
  DwgWindow w;
  w.width = view.size[0];
  w.height = view.size[1];
  w.x = view.centre[0] - w.width / 2;
  w.y = view.centre[1] - w.height / 2;
  if (dw < w.width) {
    w.x += (w.width - dw) / 2;
    w.width = dw;
  }
  if (dh < w.height) {
    w.y += (w.height - dh) / 2;
    w.height = dh;
  }
  if (margin) {
    w.x -= 0.005 * w.width;
    w.y -= 0.005 * w.height;
    w.width *= 1.01;
    w.height *= 1.01;
  }
  return w;
}

DwgWindow WindowOrHeaderExtents(const DwgWindow& window, DwgViewMode mode,
                                const DwgHeaderBoxes& header) {
  if (window.width >= kThin && window.height >= kThin) return window;
  const double* lo = mode == kDwgPaperSpace ? header.pextmin : header.extmin;
  const double* hi = mode == kDwgPaperSpace ? header.pextmax : header.extmax;
  DwgWindow w;
  w.x = lo[0];
  w.y = lo[1];
  w.width = hi[0] - lo[0];
  w.height = hi[1] - lo[1];
  // Boxes that were never set (a drawing of nothing the display draws) would give no scale at
  // all: they take the start window's rules instead.
  if (!(w.x <= kFar)) w.x = 0;
  if (!(w.y <= kFar)) w.y = 0;
  if (!(w.width > 0 && w.width <= kFar)) w.width = kUnsetSide;
  if (!(w.height > 0 && w.height <= kFar)) w.height = kUnsetSide;
  return w;
}

DwgWindow LimitsWindow(const DwgHeaderBoxes& header) {
  DwgWindow w;
  w.x = header.limmin[0];
  w.y = header.limmin[1];
  w.width = header.limmax[0] - header.limmin[0];
  w.height = header.limmax[1] - header.limmin[1];
  if (!(w.width > 0)) w.width = 1.0;
  if (!(w.height > 0)) w.height = 1.0;
  return w;
}

DwgWindow StartWindow(const DwgHeaderBoxes& header) {
  DwgWindow w;
  w.x = header.extmin[0] > kFar ? 0.0 : header.extmin[0];
  w.y = header.extmin[1] > kFar ? 0.0 : header.extmin[1];
  w.width = header.extmax[0] - header.extmin[0];
  w.height = header.extmax[1] - header.extmin[1];
  if (!(w.width > 0 && w.width <= kFar)) w.width = kUnsetSide;
  if (!(w.height > 0 && w.height <= kFar)) w.height = kUnsetSide;
  return w;
}

DwgFit FitScale(double width, double height) {
  DwgFit f;
  double side = std::max(width, height);
  // A window of no size (or a broken one) has no scale; the drawing then fills nothing.
  if (!(side > 0) || !std::isfinite(side)) return f;
  f.scale = kDwgDeviceSpace / side;
  f.device_width = Truncate(f.scale * width);
  f.device_height = Truncate(f.scale * height);
  return f;
}

DwgVersionText VersionTextOf(bool has_drawing, bool from_hpgl, bool from_calcomp,
                             const char* acadver) {
  static const struct {
    const char* version;
    DwgVersionText text;
  } kVersions[] = {
      {"AC1002", {223, "AutoCAD 2.5"}},  {"AC1003", {224, "AutoCAD 2.6"}},
      {"AC1004", {225, "AutoCAD R9"}},   {"AC1006", {226, "AutoCAD R10"}},
      {"AC1009", {227, "AutoCAD R11/R12"}}, {"AC1012", {228, "AutoCAD R13"}},
      {"AC1014", {230, "AutoCAD R14"}},  {"AC1015", {235, "AutoCAD 2000"}},
  };
  if (!has_drawing) return {0, ""};
  if (from_hpgl) return {236, "HPGL"};
  if (from_calcomp) return {237, "Calcomp 906/907"};
  for (const auto& v : kVersions)
    if (acadver && std::strcmp(acadver, v.version) == 0) return v.text;
  return {229, "Unknown"};
}
