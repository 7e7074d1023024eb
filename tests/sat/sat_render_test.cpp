// The SAT entry and the solid renderer over golden bodies made here as SAT text: the polylines
// each body draws, where they lie, and the silhouettes of curved faces.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <sstream>
#include <string>

#include "sat/GL_Renderer.h"
#include "sat/SatEntry.h"
#include "sat/SatParser.h"
#include "sat/Tolerance.h"
#include "tests/sat/sat_bodies.h"

using namespace sat_test;

namespace {

Recording draw(const std::string& text, int32_t chunk = 512, int32_t quality = 0) {
  Recording r;
  r.chunk = chunk;
  RenderOutput out = recordingOutput(r, text);
  out.qualityLevel = quality;
  std::ostringstream quiet;
  auto* saved = std::cout.rdbuf(quiet.rdbuf());
  sat_parse_entity(&out);
  std::cout.rdbuf(saved);
  return r;
}

struct GoldenCase {
  const char* name;
  SatBuilder body;
  int strips;      // begin(3): curved edges and closed silhouettes
  int runs;        // begin(1): straight edges and the open silhouettes of a face
  size_t segments; // two-point segments of all begin(1) runs
};

}  // namespace

TEST(SatRender, GoldenBodiesDrawTheirEdgesAndSilhouettes) {
  const GoldenCase cases[] = {
      {"cube", box(2, 2, 2), 0, 12, 12},
      // Two circles; one run of four rulings and two outline rulings on the wall.
      {"cylinder", cylinder(1, 2), 2, 1, 6},
      {"cone", cone(1, 2), 1, 1, 6},
      {"sphere", sphere({1, 2, 3}, 2), 1, 0, 0},
      // A torus record holds no library surface: it has no edges and no silhouettes to draw.
      {"torus", torus(3, 1), 0, 0, 0},
      {"plate with hole", plateWithHole(4, 1, 1), 2, 13, 18},
  };
  for (const GoldenCase& c : cases) {
    SCOPED_TRACE(c.name);
    Recording r = draw(c.body.text());
    EXPECT_EQ(r.count(3), c.strips);
    EXPECT_EQ(r.count(1), c.runs);
    EXPECT_EQ(r.segments(), c.segments);
    EXPECT_EQ(r.nested, 0);
  }
}

namespace {

double radial(const P3& p, double cx, double cy) { return std::hypot(p.x - cx, p.y - cy); }

}  // namespace

TEST(SatRender, PointsLieOnTheBody) {
  const double eps = 1e-3;
  {
    SCOPED_TRACE("cylinder");
    Recording r = draw(cylinder(1, 2).text());
    for (const Polyline& l : r.lines) {
      ASSERT_FALSE(l.points.empty());
      for (const P3& p : l.points) EXPECT_NEAR(radial(p, 0, 0), 1.0, eps);
      if (l.mode == 1)
        for (size_t i = 0; i + 1 < l.points.size(); i += 2) {
          EXPECT_NEAR(std::min(l.points[i].z, l.points[i + 1].z), 0.0, eps);
          EXPECT_NEAR(std::max(l.points[i].z, l.points[i + 1].z), 2.0, eps);
        }
    }
  }
  {
    SCOPED_TRACE("cone");
    Recording r = draw(cone(1, 2).text());
    for (const Polyline& l : r.lines) {
      if (l.mode == 3) {
        for (const P3& p : l.points) EXPECT_NEAR(radial(p, 0, 0), 1.0, eps);
      }
      if (l.mode == 1)
        for (size_t i = 0; i + 1 < l.points.size(); i += 2) {
          const P3& a = l.points[i].z < l.points[i + 1].z ? l.points[i] : l.points[i + 1];
          const P3& b = l.points[i].z < l.points[i + 1].z ? l.points[i + 1] : l.points[i];
          EXPECT_NEAR(a.z, 0.0, eps);
          EXPECT_NEAR(radial(a, 0, 0), 1.0, eps);
          EXPECT_NEAR(b.z, 2.0, eps);
          EXPECT_NEAR(radial(b, 0, 0), 0.0, eps);
        }
    }
  }
  {
    SCOPED_TRACE("plate with hole");
    Recording r = draw(plateWithHole(4, 1, 1).text());
    for (const Polyline& l : r.lines) {
      for (const P3& p : l.points) {
        bool onHole = std::fabs(radial(p, 2, 2) - 1.0) < eps;
        bool onBox = std::fabs(p.x) < eps || std::fabs(p.x - 4) < eps || std::fabs(p.y) < eps ||
                     std::fabs(p.y - 4) < eps;
        EXPECT_TRUE(onHole || onBox) << p.x << " " << p.y << " " << p.z;
        EXPECT_GT(p.z, -eps);
        EXPECT_LT(p.z, 1 + eps);
      }
    }
  }
  {
    SCOPED_TRACE("cube");
    Recording r = draw(box(2, 3, 4).text());
    for (const Polyline& l : r.lines) {
      ASSERT_EQ(l.points.size(), 2u);
      // Every edge runs along one axis between two corners.
      int changed = (l.points[0].x != l.points[1].x) + (l.points[0].y != l.points[1].y) +
                    (l.points[0].z != l.points[1].z);
      EXPECT_EQ(changed, 1);
    }
  }
}

TEST(SatRender, SphereOutlineIsACircleOfItsRadiusFromEveryView) {
  const P3 c{1, 2, 3};
  const double radius = 2;
  std::string text = sphere(c, radius).text();
  const c_Vector views[] = {c_Vector(1, 1, 1), c_Vector(0, 0, 1), c_Vector(1, 0, 0),
                            c_Vector(0.3, -2, 0.5), c_Vector(0, -1, 0)};
  for (const c_Vector& v : views) {
    SCOPED_TRACE(v.dx + 10 * v.dy + 100 * v.dz);
    std::stringbuf buffer(text);
    satParser parser(&buffer);
    ASSERT_EQ(parser.parse(), kSatParsed);
    Recording r;
    RenderOutput out = recordingOutput(r, "");
    RenderParams params;
    params.view = v;
    params.view.normalize();
    GL_Renderer renderer(parser.firstBody(), params, parser.recordsMade() + 1);
    renderer.setOutput(&out);
    renderer.render(0);
    ASSERT_EQ(r.lines.size(), 1u);
    const Polyline& l = r.lines[0];
    ASSERT_GT(l.points.size(), 8u);
    for (const P3& p : l.points) {
      c_Vector d(p.x - c.x, p.y - c.y, p.z - c.z);
      EXPECT_NEAR(d.length(), radius, 1e-3);
      EXPECT_NEAR(c_Vector::dot(d, params.view), 0.0, 1e-3);
    }
    EXPECT_NEAR(l.points.front().x, l.points.back().x, 1e-6);
    EXPECT_NEAR(l.points.front().y, l.points.back().y, 1e-6);
  }
}

TEST(SatRender, EllipseEdgesFollowTheirVerticesAndSense) {
  // Arcs of the unit circle about +z as wire edges. An edge runs along its curve when forward and
  // against it when reversed, so the arc it stands for depends on its own sense.
  const struct {
    const char* vertices;  // start and end vertex records
    const char* sense;
    bool throughMinusX;    // the three quarters rather than the quarter through (0.7, 0.7)
  } cases[] = {
      {"$5 $6", "forward", false},   // (1, 0) to (0, 1) counter-clockwise
      {"$6 $5", "reversed", false},  // (0, 1) to (1, 0) clockwise
      {"$5 $6", "reversed", true},   // (1, 0) to (0, 1) clockwise
      {"$6 $5", "forward", true},    // (0, 1) to (1, 0) counter-clockwise
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.vertices) + " " + c.sense);
    std::string text = std::string(
                           "400 0 1 0\n1 a 1 b 1 c\n1 1e-6 1e-10\n"
                           "body $-1 $-1 $1 $-1 #\n"
                           "wire $-1 $-1 $2 $0 $-1 out #\n"
                           "coedge $-1 $2 $2 $-1 $3 forward $1 $-1 #\n"
                           "edge $-1 ") +
                       c.vertices + " $2 $4 " + c.sense +
                       " #\n"
                       "ellipse-curve $-1 0 0 0 0 0 1 1 0 0 1 I I #\n"
                       "vertex $-1 $3 $7 #\n"
                       "vertex $-1 $3 $8 #\n"
                       "point $-1 1 0 0 #\n"
                       "point $-1 0 1 0 #\n"
                       "End-of-ACIS-data\n";
    Recording r = draw(text);
    ASSERT_EQ(r.count(3), 1);
    bool throughMinusX = false, throughDiagonal = false;
    for (const P3& p : r.lines[0].points) {
      EXPECT_NEAR(std::hypot(p.x, p.y), 1.0, 1e-3);
      throughMinusX |= p.x < -0.99;
      throughDiagonal |= p.x > 0.6 && p.y > 0.6;
    }
    EXPECT_EQ(throughMinusX, c.throughMinusX);
    EXPECT_EQ(throughDiagonal, !c.throughMinusX);
  }
  // A closed edge (one vertex at both ends) draws the whole circle.
  std::string closed =
      "400 0 1 0\n1 a 1 b 1 c\n1 1e-6 1e-10\n"
      "body $-1 $-1 $1 $-1 #\nwire $-1 $-1 $2 $0 $-1 out #\n"
      "coedge $-1 $2 $2 $-1 $3 forward $1 $-1 #\nedge $-1 $5 $5 $2 $4 forward #\n"
      "ellipse-curve $-1 0 0 0 0 0 1 2 0 0 0.5 I I #\nvertex $-1 $3 $6 #\npoint $-1 2 0 0 #\n"
      "End-of-ACIS-data\n";
  Recording r = draw(closed);
  ASSERT_EQ(r.count(3), 1);
  double minX = 0, maxY = 0;
  for (const P3& p : r.lines[0].points) {
    minX = std::min(minX, p.x);
    maxY = std::max(maxY, p.y);
  }
  EXPECT_NEAR(minX, -2, 1e-3);
  EXPECT_NEAR(maxY, 1, 1e-3);
}

TEST(SatRender, BodyTransformPlacesTheBody) {
  std::string text = box(1, 1, 1).text();
  // Give the body a transform record: a quarter turn about z and a move by (10, 20, 30).
  size_t body = text.find("body $-1 $1 $-1 $-1");
  text.replace(body, 19, "body $-1 $1 $-1 $999");
  size_t end = text.find("End-of-ACIS-data");
  text.insert(end, "-999 transform $-1 0 1 0 -1 0 0 0 0 1 10 20 30 1 rotate no_reflect no_shear #\n");
  Recording r = draw(text);
  ASSERT_EQ(r.count(1), 12);
  for (const Polyline& l : r.lines) {
    for (const P3& p : l.points) {
      EXPECT_GE(p.x, 9 - 1e-9);  // x' = -y + 10
      EXPECT_LE(p.x, 10 + 1e-9);
      EXPECT_GE(p.y, 20 - 1e-9);  // y' = x + 20
      EXPECT_LE(p.y, 21 + 1e-9);
      EXPECT_GE(p.z, 30 - 1e-9);
    }
  }
}

TEST(SatRender, ByteAtATimeReadDrawsTheSame) {
  std::string text = plateWithHole(4, 1, 1).text();
  Recording whole = draw(text, 512), bytes = draw(text, 1);
  ASSERT_EQ(whole.lines.size(), bytes.lines.size());
  for (size_t i = 0; i < whole.lines.size(); ++i) {
    ASSERT_EQ(whole.lines[i].points.size(), bytes.lines[i].points.size());
    EXPECT_EQ(whole.lines[i].mode, bytes.lines[i].mode);
  }
}

TEST(SatRender, QualityLevelOutsideItsRangeIsFive) {
  const struct {
    int32_t level;
    double angular;
  } cases[] = {{0, 0.001}, {11, 0.001}, {-3, 0.001}, {7, 0.003}, {10, 0.006}, {1, 1e-5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level);
    draw(box(1, 1, 1).text(), 512, c.level);
    EXPECT_NEAR(vorgaTolerances().angular, c.angular, 1e-12);
  }
  setQualityTolerances(5);
}

TEST(SatRender, TwoBodiesDrawTheLastWrittenFirst) {
  // Two wire bodies of one segment each; the second in the text is drawn first.
  std::string text =
      "400 0 1 0\n1 a 1 b 1 c\n1 1e-6 1e-10\n"
      "body $-1 $-1 $2 $-1 #\n"
      "body $-1 $-1 $3 $-1 #\n"
      "wire $-1 $-1 $4 $0 $-1 out #\n"
      "wire $-1 $-1 $5 $1 $-1 out #\n"
      "coedge $-1 $4 $4 $-1 $6 forward $2 $-1 #\n"
      "coedge $-1 $5 $5 $-1 $7 forward $3 $-1 #\n"
      "edge $-1 $8 $9 $4 $12 forward #\n"
      "edge $-1 $10 $11 $5 $12 forward #\n"
      "vertex $-1 $6 $13 #\n"
      "vertex $-1 $6 $14 #\n"
      "vertex $-1 $7 $15 #\n"
      "vertex $-1 $7 $16 #\n"
      "straight-curve $-1 0 0 0 1 0 0 I I #\n"
      "point $-1 0 0 0 #\n"
      "point $-1 1 0 0 #\n"
      "point $-1 5 0 0 #\n"
      "point $-1 6 0 0 #\n"
      "End-of-ACIS-data\n";
  Recording r = draw(text);
  ASSERT_EQ(r.count(1), 2);
  EXPECT_EQ(r.lines[0].points[0].x, 5);
  EXPECT_EQ(r.lines[1].points[0].x, 0);
}

TEST(SatRender, CylinderWallWithoutCrossingsDrawsNoRulings) {
  // A wall whose boundary edges have lost their curves and whose vertices lie on no ruling:
  // no coedge yields a transition point, so no ruling and no outline is drawn, and no run opens.
  std::string text = cylinder(1, 2).text();
  Recording full = draw(text);
  EXPECT_EQ(full.count(1), 1);
  std::string bare = text;
  for (size_t at = bare.find("ellipse-curve"); at != std::string::npos;
       at = bare.find("ellipse-curve", at + 1))
    bare.replace(at, 13, "widget-curves");
  for (const char* z : {" 0 #", " 2 #"}) {
    size_t at = bare.find(std::string("point $-1 1 0") + z);
    ASSERT_NE(at, std::string::npos);
    bare.replace(at, 17, std::string("point $-1 0.955336489125606 0.29552020666134 ") + (z + 1));
  }
  Recording r = draw(bare);
  EXPECT_EQ(r.count(1), 0);
  EXPECT_EQ(r.count(3), 0);
}
