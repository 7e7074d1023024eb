// The view's world/device transform: fitting, the three conversions and the saved-state stack.
#include <gtest/gtest.h>

#include "TGraph.h"

namespace {

struct FitCase {
  const char* name;
  RECT client;
  RECT document;
  double aspect;
  int factorX, factorY, offsetX, offsetY;
};

const FitCase kFitCases[] = {
    // Ten times wider than the window: width limits, drawing centred vertically.
    {"wide", {0, 0, 100, 100}, {0, 0, 1000, 200}, 1.0, 10, 10, 0, 40},
    // Ten times taller: height limits, centred horizontally.
    {"tall", {0, 0, 100, 100}, {0, 0, 200, 1000}, 1.0, 10, 10, 40, 0},
    // Offsets take the document's origin into account, truncated towards zero.
    {"shifted", {0, 0, 100, 100}, {-1005, 0, -5, 200}, 1.0, 10, 10, 100, 40},
    // Non-square pixels: factor Y is factor X times the aspect.
    {"aspect", {0, 0, 100, 100}, {0, 0, 1000, 100}, 2.0, 20, 40, 0, 49},
    // Height limits with an aspect: factor X follows from factor Y.
    {"aspect tall", {0, 0, 200, 100}, {0, 0, 500, 1000}, 2.0, 5, 10, 50, 0},
    // 2.5 units a pixel rounds to 3 (0.5 up), so the document is narrower than the window.
    {"rounding", {0, 0, 400, 100}, {0, 0, 1000, 100}, 1.0, 3, 3, 0, 33},
};

class FitTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitTest, FactorsAndOffsets) {
  const FitCase& c = GetParam();
  CTGraph g(10, 10, 1.0);
  g.Fit(c.client, c.document, c.aspect);
  EXPECT_EQ(c.factorX, g.GetFactorX());
  EXPECT_EQ(c.factorY, g.GetFactorY());
  EXPECT_EQ(c.offsetX, g.GetOffsetX());
  EXPECT_EQ(c.offsetY, g.GetOffsetY());
}

INSTANTIATE_TEST_SUITE_P(Cases, FitTest, ::testing::ValuesIn(kFitCases),
                         [](const ::testing::TestParamInfo<FitCase>& i) {
                           std::string s = i.param.name;
                           for (char& ch : s)
                             if (ch == ' ') ch = '_';
                           return s;
                         });

// A fit that needs less than a unit a pixel, or a window without area, keeps the mapping.
TEST(TGraph, FitThatCannotWorkKeepsThePreviousMapping) {
  const RECT window = {0, 0, 100, 100};
  const RECT kept[] = {{0, 0, 40, 40}, {0, 0, 0, 0}};
  const RECT noWindow[] = {{0, 0, 0, 100}, {0, 0, 100, 0}, {50, 50, 10, 10}};
  for (const RECT& doc : kept) {
    CTGraph g;
    g.Fit(window, {0, 0, 1000, 200}, 1.0);
    g.Fit(window, doc, 1.0);
    EXPECT_EQ(10, g.GetFactorX());
    EXPECT_EQ(40, g.GetOffsetY());
  }
  for (const RECT& client : noWindow) {
    CTGraph g;
    g.Fit(window, {0, 0, 1000, 200}, 1.0);
    g.Fit(client, {0, 0, 1000, 200}, 1.0);
    EXPECT_EQ(10, g.GetFactorY());
    EXPECT_EQ(0, g.GetOffsetX());
  }
  CTGraph g;
  g.Fit(window, {0, 0, 1000, 200}, 0.0);
  EXPECT_EQ(1, g.GetFactorX());
}

struct PointCase {
  int x, y, ex, ey;
};

TEST(TGraph, DocToClientTruncatesTowardsZero) {
  CTGraph g;
  g.Fit({0, 0, 100, 100}, {0, 0, 1000, 1000}, 1.0);  // factor 10, offsets 0
  const PointCase cases[] = {{-15, 15, -1, 1}, {-5, 5, 0, 0}, {999, -999, 99, -99}, {0, 0, 0, 0}};
  for (const PointCase& c : cases) {
    CPoint p = g.DocToClient(c.x, c.y);
    EXPECT_EQ(c.ex, p.x) << c.x;
    EXPECT_EQ(c.ey, p.y) << c.y;
  }
}

TEST(TGraph, ClientToDocIsTheInverseOnWholePixels) {
  CTGraph g;
  g.Fit({0, 0, 100, 100}, {0, 0, 1000, 200}, 1.0);  // factor 10, offset y 40
  const PointCase cases[] = {{0, 40, 0, 0}, {50, 60, 500, 200}, {-3, 0, -30, -400}};
  for (const PointCase& c : cases) {
    CPoint p = g.ClientToDoc(c.x, c.y);
    EXPECT_EQ(c.ex, p.x);
    EXPECT_EQ(c.ey, p.y);
    CPoint back = g.DocToClient(p.x, p.y);
    EXPECT_EQ(c.x, back.x);
    EXPECT_EQ(c.y, back.y);
  }
}

TEST(TGraph, DocToImageClampsToTheImageAndImageToDocDoesNot) {
  CTGraph g(100, 50, 254000.0 / 200.0);  // 200 dpi: 1270 units a pixel
  const PointCase toImage[] = {
      {0, 0, 0, 0},
      {634, 635, 0, 1},            // half a pixel rounds up
      {-5000, -1, 0, 0},           // left of and above the image
      {127000, 63500, 100, 50},    // the far corner: the width itself, not width - 1
      {2000000, 2000000, 100, 50}, // beyond the image
      {1270 * 37, 1270 * 12, 37, 12},
  };
  for (const PointCase& c : toImage) {
    CPoint p = g.DocToImage(c.x, c.y);
    EXPECT_EQ(c.ex, p.x) << c.x;
    EXPECT_EQ(c.ey, p.y) << c.y;
  }
  // Negative values round towards zero after the half is added: -1270 + 0.5 gives -1269.
  const PointCase toDoc[] = {{1, 2, 1270, 2540}, {-1, 200, -1269, 254000}};
  for (const PointCase& c : toDoc) {
    CPoint p = g.ImageToDoc(c.x, c.y);
    EXPECT_EQ(c.ex, p.x);
    EXPECT_EQ(c.ey, p.y);
  }
}

TEST(TGraph, HostileValuesSaturateInsteadOfOverflowing) {
  CTGraph g(100, 100, 0.0);
  EXPECT_EQ(100, g.DocToImage(5, 5).x);  // a zero scale is an infinite quotient, clamped
  EXPECT_EQ(0, g.DocToImage(0, 0).x);
  CTGraph big(10, 10, 1e12);
  EXPECT_EQ(INT32_MAX, big.ImageToDoc(1000, 0).x);
  EXPECT_EQ(INT32_MIN, big.ImageToDoc(-1000, 0).x);
  CTGraph h;
  h.Fit({0, 0, 1, 1}, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, 1.0);
  (void)h.ClientToDoc(INT32_MAX, INT32_MIN);
  (void)h.DocToClient(INT32_MIN, INT32_MAX);
}

TEST(TGraph, NestedPushAndPopRestoreEachState) {
  CTGraph g(10, 20, 2.0);
  g.Fit({0, 0, 100, 100}, {0, 0, 1000, 200}, 1.0);
  g.Pop();  // nothing saved: nothing changes
  EXPECT_EQ(10, g.GetFactorX());
  g.Push();
  g.Fit({0, 0, 100, 100}, {0, 0, 2000, 2000}, 1.0);
  g.Push();
  g.Fit({0, 0, 100, 100}, {0, 0, 5000, 5000}, 1.0);
  EXPECT_EQ(50, g.GetFactorX());
  g.Pop();
  EXPECT_EQ(20, g.GetFactorX());
  EXPECT_EQ(0, g.GetOffsetY());
  g.Pop();
  EXPECT_EQ(10, g.GetFactorX());
  EXPECT_EQ(40, g.GetOffsetY());
  EXPECT_EQ(2.0, g.GetImageScale());
  EXPECT_EQ(20, g.GetImageHeight());
  g.Pop();
  EXPECT_EQ(10, g.GetFactorX());
  // States left on the stack are freed with the transform (the sanitizer build checks).
  g.Push();
  g.Push();
}

}  // namespace
