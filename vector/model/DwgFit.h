// The arithmetic that places a vector drawing in its device space: the window of drawing units
// that is shown (from the display's view, its extents, or the header's extents and limits), the
// scale that maps the larger side of that window onto 10,000,000 device units, the view mode a
// drawing opens in, and the file-type text of the properties dialog.
// Not for: talking to the toolkit (the vector drawing object reads the view and header and hands
// the numbers over).
#pragma once

#include <cstdint>

// The device space's larger side.
constexpr double kDwgDeviceSpace = 1e7;

enum DwgViewMode : int32_t {
  kDwgModelExtents = 0,
  kDwgModelLimits = 1,
  kDwgPaperSpace = 2,
};

// A window in drawing units: lower-left corner and size.
struct DwgWindow {
  double x = 0, y = 0;
  double width = 0, height = 0;
};

// What the display's view gives: its centre and size in drawing units.
struct DwgViewBox {
  double centre[2];
  double size[2];
};

// The header's boxes (x and y only).
struct DwgHeaderBoxes {
  double extmin[2], extmax[2];
  double pextmin[2], pextmax[2];
  double limmin[2], limmax[2];
};

struct DwgFit {
  double scale = 0;  // device units per drawing unit
  int32_t device_width = 0;
  int32_t device_height = 0;
};

// Model space for a drawing older than AC1009 or with TILEMODE set (the toolkit's
// tk_is_pre_ac1009 answer), else paper space.
DwgViewMode InitialViewMode(int16_t pre_ac1009_or_tilemode);

// The view's window, narrowed to the display's extent size (dw, dh) where that is smaller and
// kept centred; with margin grown by 1% (0.5% on each side).
DwgWindow WindowOfView(const DwgViewBox& view, double dw, double dh, bool margin);
// A window thinner than 1e-8 either way is replaced by the header's extents (paper extents in
// paper space).
DwgWindow WindowOrHeaderExtents(const DwgWindow& window, DwgViewMode mode,
                                const DwgHeaderBoxes& header);
// The limits window of model space: LIMMIN and LIMMAX - LIMMIN, a side not above 0 being 1.
DwgWindow LimitsWindow(const DwgHeaderBoxes& header);
// The window a view-mode change starts its drawing pass from: EXTMIN (a coordinate above 1e9
// being 0) and EXTMAX - EXTMIN, a side outside (0, 1e9] being 1000, so that never-set extents
// give a 1000 x 1000 window at the origin.
DwgWindow StartWindow(const DwgHeaderBoxes& header);
// scale := 1e7 / the larger side; device sizes truncated.
DwgFit FitScale(double width, double height);

// The resource number and text of the file-type line of the properties dialog: empty (number 0)
// without a drawing; the converters' names before the header's version text.
struct DwgVersionText {
  uint16_t id;
  const char* text;
};
DwgVersionText VersionTextOf(bool has_drawing, bool from_hpgl, bool from_calcomp,
                             const char* acadver);
