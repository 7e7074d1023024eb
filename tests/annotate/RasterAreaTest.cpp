// The raster selection's rules: which shapes keep, join or cut the selection by the modifier
// keys, and the status text of its area and perimeter through the drawing scale.
#include <gtest/gtest.h>

#include <memory>

#include "PointArray.h"
#include "RasterArea.h"
#include "Vlr.h"

namespace {

CPolygon Rect(int left, int top, int right, int bottom) {
  CPolygon p;
  p.AddRect(left, top, right, bottom);
  return p;
}

TEST(RasterAreaTest, ModifierRule) {
  CPolyPolygon empty;
  CPolyPolygon one;
  one.Add(Rect(0, 0, 10, 10), CPolyPolygon::combineUnion);
  struct Case {
    BOOL bShift, bCtrl;
    const CPolyPolygon* pSelection;
    BOOL bKeeps;
    UINT nValue;
  } const cases[] = {
      {FALSE, FALSE, &one, FALSE, 1},
      {TRUE, FALSE, &one, TRUE, 1},
      {FALSE, TRUE, &one, TRUE, 2},
      {TRUE, TRUE, &one, TRUE, 2},
      // Ctrl over nothing selects instead of cutting out of nothing.
      {FALSE, TRUE, nullptr, TRUE, 1},
      {FALSE, TRUE, &empty, TRUE, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "shift " << c.bShift << " ctrl " << c.bCtrl << " members "
                                      << (c.pSelection ? c.pSelection->GetSize() : -1));
    EXPECT_EQ(c.bKeeps, RasAreaKeepsSelection(c.bShift, c.bCtrl));
    EXPECT_EQ(c.nValue, RasAreaCombineValue(c.bCtrl, c.pSelection));
  }
}

TEST(RasterAreaTest, CtrlShapeCutsAHoleOutOfTheSelection) {
  std::unique_ptr<CPolyPolygon> selection(RasAreaAddShape(nullptr, Rect(0, 0, 10000, 10000), TRUE));
  ASSERT_EQ(1, selection->GetSize());
  EXPECT_EQ(1u, selection->GetValue(0)) << "the first shape is a plain selection, Ctrl or not";
  EXPECT_EQ(selection.get(), RasAreaAddShape(selection.get(), Rect(2000, 2000, 6000, 6000), TRUE));
  EXPECT_EQ(selection.get(), RasAreaAddShape(selection.get(), Rect(20000, 0, 21000, 1000), FALSE));
  ASSERT_EQ(3, selection->GetSize());
  EXPECT_EQ(2u, selection->GetValue(1));
  EXPECT_EQ(1u, selection->GetValue(2));
  // The grid measures the combined shape to a cell of a ten-thousandth of its longer side.
  const double expected = 10000.0 * 10000.0 - 4000.0 * 4000.0 + 1000.0 * 1000.0;
  EXPECT_NEAR(expected, selection->GetRawArea(), expected * 0.002);
}

TEST(RasterAreaTest, StatusTextInSquareMetresAndMetres) {
  CVlr hundred;
  hundred.m_dScaleSecond = 100.0;  // 1 : 100
  CVlr metres;
  metres.m_nScaleUnit = 3;  // a drawing whose units are metres
  // A raster of 100 dpi: 2540 document units a pixel, 0.254 mm on the sheet.
  const CRasAreaScale raster{2540.0, FALSE, 100.0, nullptr};
  const CRasAreaScale rasterHundred{2540.0, FALSE, 100.0, &hundred};
  const CRasAreaScale drawing{1000.0, TRUE, 0.0, &metres};
  struct Case {
    const char* name;
    CRasAreaScale scale;
    CPolygon shape;
    const char* text;
  } const cases[] = {
      // 2000 x 1000 pixels: 508 x 254 mm.
      {"raster 1 : 1", raster, Rect(0, 0, 5080000, 2540000), "Area: 0.1\xB2, Perimeter: 1.5"},
      {"raster 1 : 100", rasterHundred, Rect(0, 0, 5080000, 2540000), "Area: 1290.3\xB2, Perimeter: 152.4"},
      // 10 x 20 drawing units of a metre each.
      {"drawing in metres", drawing, Rect(0, 0, 10000, 20000), "Area: 200.0\xB2, Perimeter: 60.0"},
  };
  for (const Case& c : cases) {
    CPolyPolygon selection;
    selection.Add(c.shape, CPolyPolygon::combineUnion);
    EXPECT_STREQ(c.text, RasAreaStatusText(selection, c.scale)) << c.name;
  }
}

TEST(RasterAreaTest, StatusTextOfAHoleCountsOnlyWhatIsLeft) {
  CPolyPolygon selection;
  selection.Add(Rect(0, 0, 100000, 100000), CPolyPolygon::combineUnion);
  selection.Add(Rect(0, 0, 50000, 100000), CPolyPolygon::combineDifference);
  // A drawing in metres, one document unit a millimetre: 100 x 100 m less its left half; the
  // perimeter is the sum of both outlines, 400 m and 300 m.
  CVlr metres;
  metres.m_nScaleUnit = 3;
  EXPECT_STREQ("Area: 5000.0\xB2, Perimeter: 700.0", RasAreaStatusText(selection, {1000.0, TRUE, 0.0, &metres}));
}

}  // namespace
