// The fitting of a drawing into its device space: the start window of a view-mode change, the
// 1% centred margin, narrowing to the display's extent, the fall-back to the header's boxes, the
// limits window, the scale, the opening view mode and the version texts.
#include <gtest/gtest.h>

#include <string>

#include "vector/model/DwgFit.h"

namespace {

DwgHeaderBoxes Header(double ex0, double ey0, double ex1, double ey1) {
  DwgHeaderBoxes h = {};
  h.extmin[0] = ex0;
  h.extmin[1] = ey0;
  h.extmax[0] = ex1;
  h.extmax[1] = ey1;
  return h;
}

TEST(DwgFit, NeverSetExtentsStartFromAThousandSquareWindow) {
  DwgWindow w = StartWindow(Header(1e20, 1e20, -1e20, -1e20));
  EXPECT_EQ(w.x, 0.0);
  EXPECT_EQ(w.y, 0.0);
  EXPECT_EQ(w.width, 1000.0);
  EXPECT_EQ(w.height, 1000.0);
  DwgFit f = FitScale(w.width, w.height);
  EXPECT_EQ(f.scale, 10000.0);
  EXPECT_EQ(f.device_width, 10000000);
  EXPECT_EQ(f.device_height, 10000000);
}

TEST(DwgFit, StartWindowKeepsSetExtentsAndReplacesEachBadSide) {
  struct Case {
    double ex0, ey0, ex1, ey1;
    DwgWindow expected;
  } cases[] = {
      {10, 20, 110, 70, {10, 20, 100, 50}},
      {10, 20, 10, 70, {10, 20, 1000, 50}},    // no width
      {0, 0, 2e9, 5, {0, 0, 1000, 5}},          // a side beyond 1e9
      {-5, 2e9, 5, 4e9, {-5, 0, 10, 1000}},     // a corner beyond 1e9 goes to 0
  };
  for (const Case& c : cases) {
    DwgWindow w = StartWindow(Header(c.ex0, c.ey0, c.ex1, c.ey1));
    EXPECT_EQ(w.x, c.expected.x) << c.ex0;
    EXPECT_EQ(w.y, c.expected.y) << c.ey0;
    EXPECT_EQ(w.width, c.expected.width) << c.ex1;
    EXPECT_EQ(w.height, c.expected.height) << c.ey1;
  }
}

TEST(DwgFit, MarginIsOnePercentCentredOnTheExtent) {
  // The view is wider than what the display drew: the window narrows to the extent, centred.
  DwgViewBox view = {{50, 20}, {200, 40}};
  DwgWindow w = WindowOfView(view, 100, 80, true);
  EXPECT_DOUBLE_EQ(w.width, 101.0);
  EXPECT_DOUBLE_EQ(w.height, 40.4);
  EXPECT_DOUBLE_EQ(w.x, 0.0 - 0.5);
  EXPECT_DOUBLE_EQ(w.y, 0.0 - 0.2);
  EXPECT_DOUBLE_EQ(w.x + w.width / 2, 50.0);
  EXPECT_DOUBLE_EQ(w.y + w.height / 2, 20.0);

  DwgWindow plain = WindowOfView(view, 100, 80, false);
  EXPECT_DOUBLE_EQ(plain.x, 0.0);
  EXPECT_DOUBLE_EQ(plain.width, 100.0);
  EXPECT_DOUBLE_EQ(plain.height, 40.0);
}

TEST(DwgFit, ThinWindowFallsBackToTheSpacesExtents) {
  DwgHeaderBoxes h = Header(1, 2, 11, 22);
  h.pextmin[0] = 0;
  h.pextmin[1] = 0;
  h.pextmax[0] = 420;
  h.pextmax[1] = 297;
  DwgWindow thin = {5, 5, 1e-9, 10};
  DwgWindow model = WindowOrHeaderExtents(thin, kDwgModelExtents, h);
  EXPECT_EQ(model.x, 1.0);
  EXPECT_EQ(model.width, 10.0);
  EXPECT_EQ(model.height, 20.0);
  DwgWindow paper = WindowOrHeaderExtents(thin, kDwgPaperSpace, h);
  EXPECT_EQ(paper.width, 420.0);
  EXPECT_EQ(paper.height, 297.0);
  // Nothing drawn and the header's extents never set: a 1000 x 1000 window, not a scale of 0.
  DwgWindow unset = WindowOrHeaderExtents(thin, kDwgModelExtents, Header(1e20, 1e20, -1e20, -1e20));
  EXPECT_EQ(unset.x, 0.0);
  EXPECT_EQ(unset.width, 1000.0);
  EXPECT_EQ(unset.height, 1000.0);
  DwgWindow wide = {5, 5, 3, 4};
  EXPECT_EQ(WindowOrHeaderExtents(wide, kDwgModelExtents, h).width, 3.0);
}

TEST(DwgFit, LimitsWindowAndScale) {
  DwgHeaderBoxes h = {};
  h.limmin[0] = -10;
  h.limmin[1] = 5;
  h.limmax[0] = 410;
  h.limmax[1] = 302;
  DwgWindow w = LimitsWindow(h);
  EXPECT_EQ(w.x, -10.0);
  EXPECT_EQ(w.width, 420.0);
  EXPECT_EQ(w.height, 297.0);
  DwgFit f = FitScale(w.width, w.height);
  EXPECT_DOUBLE_EQ(f.scale, 1e7 / 420);
  EXPECT_EQ(f.device_width, 10000000);
  EXPECT_EQ(f.device_height, 7071428);  // trunc(297e7 / 420)

  DwgHeaderBoxes empty = {};
  DwgWindow unit = LimitsWindow(empty);
  EXPECT_EQ(unit.width, 1.0);
  EXPECT_EQ(unit.height, 1.0);
  EXPECT_EQ(FitScale(0, 0).device_width, 0);
}

TEST(DwgFit, ViewModeByReleaseAndTilemode) {
  // tk_is_pre_ac1009 answers nonzero for an older drawing whatever its TILEMODE.
  EXPECT_EQ(InitialViewMode(1), kDwgModelExtents);
  EXPECT_EQ(InitialViewMode(0), kDwgPaperSpace);
}

TEST(DwgFit, VersionTexts) {
  struct Case {
    const char* version;
    int id;
    const char* text;
  } cases[] = {
      {"AC1002", 223, "AutoCAD 2.5"},     {"AC1003", 224, "AutoCAD 2.6"},
      {"AC1004", 225, "AutoCAD R9"},      {"AC1006", 226, "AutoCAD R10"},
      {"AC1009", 227, "AutoCAD R11/R12"}, {"AC1012", 228, "AutoCAD R13"},
      {"AC1014", 230, "AutoCAD R14"},     {"AC1015", 235, "AutoCAD 2000"},
      {"AC1021", 229, "Unknown"},         {"", 229, "Unknown"},
  };
  for (const Case& c : cases) {
    DwgVersionText t = VersionTextOf(true, false, false, c.version);
    EXPECT_EQ(t.id, c.id) << c.version;
    EXPECT_EQ(std::string(t.text), c.text) << c.version;
  }
  // The converters' names win over the header's version.
  EXPECT_EQ(std::string(VersionTextOf(true, true, true, "AC1014").text), "HPGL");
  EXPECT_EQ(std::string(VersionTextOf(true, false, true, "AC1014").text), "Calcomp 906/907");
  EXPECT_EQ(std::string(VersionTextOf(false, true, false, "AC1014").text), "");
}

}  // namespace
