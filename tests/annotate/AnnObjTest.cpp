// Hit tests of every kind of annotation object, the tools' constructors and moving by a drag.
#include <gtest/gtest.h>

#include <cstdio>

#include "AnnLayer.h"
#include "AnnObj.h"
#include "TGraph.h"
#include "Vlr.h"

namespace {

// A view showing 10 document units a pixel, no offset: client (10, 10) is document (100, 100).
class AnnHitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_graph.Fit({0, 0, 100, 100}, {0, 0, 1000, 1000}, 1.0);
    m_set.SetLayer(0, new CAnnLayer("shown", 0x0000FF, 1));
    m_set.SetLayer(1, new CAnnLayer("hidden", 0x00FF00, 0));
  }

  // The client box (10, 10)-(50, 30) in document units.
  static RECT Box() { return {100, 100, 500, 300}; }

  static CPolygon Path() {
    CPolygon points;
    points.Add(100, 100);
    points.Add(500, 100);
    points.Add(500, 300);
    return points;
  }

  struct Probe {
    int x, y;
    bool bHit;
    const char* what;
  };

  void ExpectHits(CAnnObj& obj, std::initializer_list<Probe> probes) {
    for (const Probe& p : probes)
      EXPECT_EQ(p.bHit, obj.HitTest(m_set, m_graph, p.x, p.y) != FALSE) << p.what << " (" << p.x << ", " << p.y << ")";
    // On a hidden layer and on a layer the set does not have, nothing hits.
    for (WORD nLayer : {1, 7}) {
      obj.m_nLayerId = nLayer;
      for (const Probe& p : probes) EXPECT_FALSE(obj.HitTest(m_set, m_graph, p.x, p.y)) << "layer " << nLayer;
    }
    obj.m_nLayerId = 0;
  }

  CTGraph m_graph;
  CVlr m_set;
};

TEST_F(AnnHitTest, RectangleHitOnItsOutlineBandOnly) {
  CAnnRect rect(Box(), m_set.GetLayer(0), 0);
  ExpectHits(rect, {{30, 20, false, "centre"},
                    {8, 20, true, "2 outside the left edge"},
                    {52, 20, true, "2 outside the right edge"},
                    {30, 8, true, "2 above"},
                    {10, 20, true, "on the edge"},
                    {12, 20, true, "2 inside"},
                    {14, 20, false, "4 inside"},
                    {6, 20, false, "4 outside"}});
  rect.m_nFillStyle = CAnnObj::fillSolid;
  EXPECT_FALSE(rect.HitTest(m_set, m_graph, 30, 20)) << "filled, still only the outline";
}

TEST_F(AnnHitTest, CircleHitNearItsOutline) {
  CAnnCircle circle(Box(), m_set.GetLayer(0), 0);
  ExpectHits(circle, {{30, 20, false, "centre"},
                      {10, 20, true, "on the outline at the left"},
                      {8, 20, true, "2 outside the left"},
                      {30, 8, true, "2 above the top"},
                      {11, 11, false, "the box's corner is outside the ellipse"},
                      {5, 20, false, "5 outside"}});
}

TEST_F(AnnHitTest, LineHitAlongItsSegment) {
  CAnnLine line(Box(), m_set.GetLayer(0), 0);
  ExpectHits(line, {{30, 20, true, "middle"},
                    {30, 22, true, "2 below the middle"},
                    {30, 26, false, "6 below"},
                    {8, 9, true, "2 before the start"},
                    {4, 7, false, "6 before the start"},
                    {60, 35, false, "beyond the end"}});
}

TEST_F(AnnHitTest, PolygonClosesWhereFreehandStaysOpen) {
  CAnnFreehand stroke(Path(), m_set.GetLayer(0), 0);
  CAnnPolygon polygon(Path(), m_set.GetLayer(0), 0);
  ExpectHits(stroke, {{30, 11, true, "first segment"}, {51, 20, true, "second segment"}, {30, 20, false, "closing"}});
  ExpectHits(polygon, {{30, 11, true, "first segment"}, {30, 20, true, "closing segment"}, {40, 18, false, "inside"}});
}

TEST_F(AnnHitTest, TextHitWhereLastDrawn) {
  AnnLogFont font{};
  CAnnText text(CPoint(100, 100), "note", font, 5, 0, 0);
  EXPECT_FALSE(text.HitTest(m_set, m_graph, 10, 10)) << "never drawn";
  text.m_rcLast = CRect(10, 10, 40, 20);
  ExpectHits(text, {{10, 10, true, "top left"}, {39, 19, true, "bottom right inside"}, {40, 15, false, "right edge"}});
}

TEST_F(AnnHitTest, SetFindsFirstObjectInListOrder) {
  CAnnRect* pLower = new CAnnRect(Box(), m_set.GetLayer(0), 0);
  CAnnLine* pUpper = new CAnnLine(Box(), m_set.GetLayer(0), 0);
  m_set.Add(pLower);
  m_set.Add(pUpper);
  EXPECT_EQ(pLower, m_set.HitTest(m_graph, 10, 10));
  EXPECT_EQ(pUpper, m_set.HitTest(m_graph, 30, 20));
  EXPECT_EQ(nullptr, m_set.HitTest(m_graph, 90, 90));
}

TEST(AnnObjTest, ToolConstructorsTakeLayerColourAndRelativePoints) {
  CAnnLayer layer("0", 0x123456, 1);
  CAnnRect rect(RECT{40, 20, 10, 70}, &layer, 3);
  EXPECT_EQ(0x123456u, rect.m_crColour);
  EXPECT_EQ(3, rect.m_nLayerId);
  EXPECT_EQ(CAnnObj::fillFrame, rect.m_nFillStyle);
  EXPECT_EQ(CPoint(40, 20), rect.m_ptAnchor);
  EXPECT_EQ(-30, rect.m_nDx);
  EXPECT_EQ(50, rect.m_nDy);

  CPolygon points;
  points.Add(100, 200);
  points.Add(110, 190);
  points.Add(90, 250);
  CAnnFreehand stroke(points, &layer, 0);
  EXPECT_EQ(CPoint(100, 200), stroke.m_ptAnchor);
  ASSERT_EQ(2, stroke.m_points.GetSize());
  EXPECT_EQ(CPoint(10, -10), stroke.m_points.GetAt(0));
  EXPECT_EQ(CPoint(-10, 50), stroke.m_points.GetAt(1));
}

TEST(AnnObjTest, DragMovesAnchorByIntegerDelta) {
  CTGraph graph;
  graph.Fit({0, 0, 100, 100}, {0, 0, 1000, 1000}, 1.0);
  CAnnLayer layer("0", 0, 1);
  // An anchor between pixels lands on the pixel's document point after the round trip.
  CAnnLine line(RECT{103, 207, 200, 300}, &layer, 0);
  line.MoveByClientDelta(graph, 5, 7);
  EXPECT_EQ(CPoint(150, 270), line.m_ptAnchor);
  EXPECT_EQ(97, line.m_nDx) << "the shape moves whole";
}

// Whether a text edited in its dialog is invalidated over the whole view: only when it may reach
// beyond the rectangle of its last drawing.
TEST(AnnObjTest, TextEditMarksGrownWhenItMayReachBeyondItsLastDrawing) {
  AnnLogFont arial{};
  std::snprintf(arial.lfFaceName, sizeof arial.lfFaceName, "Arial");
  AnnLogFont bold = arial;
  bold.lfWeight = 700;
  struct Case {
    const char* text;
    const AnnLogFont* font;
    int nHeight;
    bool bGrown;
    const char* what;
  } const cases[] = {
      {"note", &arial, 5, false, "colour only"},
      {"note", &arial, 4, false, "smaller"},
      {"note", &arial, 6, true, "taller"},
      {"a longer note", &arial, 5, true, "longer text"},
      {"note", &bold, 5, true, "another font"},
  };
  for (const Case& c : cases) {
    CAnnText text(CPoint(100, 100), "note", arial, 5, 0, 0);
    text.SetProperties(c.text, *c.font, c.nHeight, 0x00FF00);
    EXPECT_EQ(c.bGrown, text.m_bGrown != FALSE) << c.what;
    EXPECT_STREQ(c.text, text.m_strText) << c.what;
    EXPECT_EQ(c.nHeight, text.m_nHeight) << c.what;
    EXPECT_EQ(c.font->lfWeight, text.m_logFont.lfWeight) << c.what;
    EXPECT_EQ(0x00FF00u, text.m_crColour) << c.what;
  }
}

}  // namespace
