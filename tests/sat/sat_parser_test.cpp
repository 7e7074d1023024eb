// The SAT parser and its records: header results, numbering and references, syntax errors and
// recovery, hostile sizes, and the fields each record class reads.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <sstream>
#include <string>

#include "sat/AcisEntity.h"
#include "sat/AcisGeometry.h"
#include "sat/AcisTopology.h"
#include "sat/SatEntry.h"
#include "sat/SatParser.h"
#include "tests/sat/sat_bodies.h"

using namespace sat_test;

namespace {

const char kHeader400[] = "400 0 1 0\n4 test 3 4.0 4 date\n1 1e-06 1e-10\n";

// Runs one parse with both standard streams captured.
struct Parsed {
  std::stringbuf buffer;
  satParser parser;
  int32_t result;
  std::string out, err;
  explicit Parsed(const std::string& text) : buffer(text), parser(&buffer) {
    std::ostringstream o, e;
    auto* so = std::cout.rdbuf(o.rdbuf());
    auto* se = std::cerr.rdbuf(e.rdbuf());
    result = parser.parse();
    std::cout.rdbuf(so);
    std::cerr.rdbuf(se);
    out = o.str();
    err = e.str();
  }
  template <class T>
  T* at(int32_t n) {
    return dynamic_cast<T*>(parser.recordAt(n));
  }
};

// The standard output of one sat_parse_entity call and the number of polylines it drew.
std::string entityMessage(const std::string& text, size_t* lines = nullptr) {
  Recording r;
  RenderOutput out = recordingOutput(r, text);
  std::ostringstream o, e;
  auto* so = std::cout.rdbuf(o.rdbuf());
  auto* se = std::cerr.rdbuf(e.rdbuf());
  EXPECT_EQ(sat_parse_entity(&out), 0);
  std::cout.rdbuf(so);
  std::cerr.rdbuf(se);
  if (lines) *lines = r.lines.size();
  return o.str();
}

}  // namespace

TEST(SatParser, HeaderResultsAndTheirMessages) {
  const struct {
    const char* text;
    int32_t result;
    const char* message;
  } cases[] = {
      {"", 1, "Could not process unsupported SAT file version: 0\n"},
      {"400", 2, "Premature End of File encountered on: It should never happen\n"},
      {"700 0 1 0\n", 1, "Could not process unsupported SAT file version: 700\n"},
      {"102 0 0 0\n", 1, "Could not process unsupported SAT file version: 102\n"},
      {"400 0 1 0\n4 test 3 4.0", 2, "Premature End of File encountered on: It should never happen\n"},
      {"400 0 1 0\n4 test 3 4.0 4 date\n1 1e-06 1e-10\nEnd-of-ACIS-data\n", 3,
       "No BODY found on SAT file: It should never happen\n"},
      // An empty counted string (as real headers write a missing date) reads nothing more.
      {"400 0 1 0\n16 Autodesk AutoCAD 3 ASM 0\n1 1e-06 1e-10\nbody $-1 $-1 $-1 $-1 #\n", 4,
       "\nSuccessfully parsed: It should never happen (SAT file version 400)\n"
       "Creating graphical representation.\n"},
      // Before version 200 the header has no strings and numbers.
      {"106 1 1 0\nbody $-1 $-1 $-1 $-1 #\nEnd-of-ACIS-data\n", 4,
       "\nSuccessfully parsed: It should never happen (SAT file version 106)\n"
       "Creating graphical representation.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Parsed p(c.text);
    EXPECT_EQ(p.result, c.result);
    size_t lines = 99;
    EXPECT_EQ(entityMessage(c.text, &lines), c.message);
    EXPECT_EQ(lines, 0u);
  }
}

TEST(SatParser, ReferencesAreResolvedWhateverTheOrder) {
  Parsed p(std::string(kHeader400) +
           "body $-1 $1 $-1 $-1 #\nlump $-1 $-1 $-1 $0 #\nEnd-of-ACIS-data\n");
  ASSERT_EQ(p.result, kSatParsed);
  acis_Body* body = p.at<acis_Body>(0);
  ASSERT_TRUE(body);
  EXPECT_EQ(body->lump, p.at<acis_Lump>(1));
  EXPECT_EQ(body->lump->body, body);
  EXPECT_EQ(p.parser.firstBody(), body);
  EXPECT_EQ(p.parser.nextBody(), nullptr);
}

TEST(SatParser, SequenceNumbersGiveTheSameNumbers) {
  std::string plain = std::string(kHeader400) +
                      "body $-1 $1 $-1 $-1 #\nlump $-1 $-1 $-1 $0 #\npoint $-1 1 2 3 #\n"
                      "End-of-ACIS-data\n";
  std::string numbered = std::string(kHeader400) +
                         "-0 body $-1 $1 $-1 $-1 #\n-1 lump $-1 $-1 $-1 $0 #\n"
                         "-2 point $-1 1 2 3 #\nEnd-of-ACIS-data\n";
  Parsed a(plain), b(numbered);
  for (Parsed* p : {&a, &b}) {
    EXPECT_TRUE(p->at<acis_Body>(0));
    EXPECT_TRUE(p->at<acis_Lump>(1));
    ASSERT_TRUE(p->at<acis_Point>(2));
    EXPECT_EQ(p->at<acis_Point>(2)->point().y, 2);
  }
}

TEST(SatParser, SyntaxErrorsSkipToTheNextRecord) {
  Parsed p(std::string(kHeader400) +
           "body $-1 $-1 $-1 $-1 #\n"
           "-5 -6 body $-1 $-1 $-1 $-1 #\n"
           "straight-curve $-1 0 0 0 1 0 0 I I extra words #\n"
           "point $-1 7 8 9 #\n"
           "End-of-ACIS-data\n");
  EXPECT_EQ(p.result, kSatParsed);
  EXPECT_NE(p.err.find("*** ERROR: Syntax error at sequence number 5: Bad tag\n"),
            std::string::npos)
      << p.err;
  // The record after the bad tag keeps number 5; the straight with extra words is made, reports
  // a missing "#", and the point after it is read normally.
  EXPECT_NE(p.err.find("Syntax error at sequence number 5: Expected '#'"), std::string::npos);
  EXPECT_TRUE(p.at<acis_Straight>(5));
  ASSERT_TRUE(p.at<acis_Point>(6));
  EXPECT_EQ(p.at<acis_Point>(6)->point().z, 9);
}

TEST(SatParser, UnknownRecordsAndAttributes) {
  Parsed p(std::string(kHeader400) +
           "body $1 $-1 $-1 $-1 #\n"
           "foo-attrib $-1 $7 $-1 $0 anything { exactcur nullbs } at all #\n"
           "widget $-1 1 2 3 #\n"
           "colour-tsl-attrib $-1 $-1 $-1 $0 257 #\n"
           "color-adesk-attrib $-1 $-1 $-1 $0 -4 #\n"
           "rgb_color-st-attrib $-1 $-1 $-1 $5 0.5 0.25 1 #\n"
           "point $-1 0 0 0 #\n"
           "transform $-1 1 0 0 0 1 0 0 0 1 10 20 30 1 no_rotate no_reflect no_shear #\n"
           "End-of-ACIS-data\n");
  EXPECT_EQ(p.result, kSatParsed);
  auto* ignored = p.at<acis_IgnoredAttribute>(1);
  ASSERT_TRUE(ignored);
  EXPECT_EQ(ignored->next(), p.parser.recordAt(7));
  EXPECT_EQ(ignored->owner(), p.parser.recordAt(0));
  EXPECT_EQ(p.at<acis_Body>(0)->attribute(), ignored);
  EXPECT_EQ(p.parser.recordAt(2), nullptr);  // widget: skipped, its number left empty
  double one[3];
  aciPaletteColour(1, one);
  auto* tsl = p.at<acis_IndexedColourAttribute>(3);
  ASSERT_TRUE(tsl);
  EXPECT_EQ(tsl->index(), 257);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(tsl->colour()[c], one[c]);
  auto* adesk = p.at<acis_IndexedColourAttribute>(4);
  ASSERT_TRUE(adesk);
  EXPECT_EQ(adesk->index(), 0);
  EXPECT_STREQ(adesk->typeName(), "color-adesk-attrib");
  auto* rgb = p.at<acis_RgbColourAttribute>(5);
  ASSERT_TRUE(rgb);
  EXPECT_EQ(rgb->colour()[0], 0.5);
  EXPECT_EQ(rgb->colour()[1], 0.25);
  EXPECT_EQ(rgb->colour()[2], 1);
  EXPECT_EQ(rgb->owner(), p.parser.recordAt(5));
  auto* t = p.at<acis_Transform>(7);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->matrix()[12], 10);
  EXPECT_EQ(t->matrix()[13], 20);
  EXPECT_EQ(t->matrix()[14], 30);
  EXPECT_EQ(t->matrix()[15], 1);
  EXPECT_FALSE(t->rotate() || t->reflect() || t->shear());
  double colour[3];
  aciPaletteColour(255, colour);
  EXPECT_EQ(colour[0], 1.0);
  aciPaletteColour(250, colour);
  EXPECT_NEAR(colour[0], 84 / 255.0, 1e-12);
}

TEST(SatParser, HostileSizesAreReadInBounds) {
  std::string word247(247, 'w'), word5000(5000, 'x');
  // A 247-character record name fits the token buffer; a much longer one is cut, not copied past
  // it; a counted string that claims more than the text holds ends at the text's end; a
  // reference and a record count far beyond the records read size nothing.
  Parsed a(std::string(kHeader400) + word247 + " 1 2 #\nbody $-1 $-1 $-1 $-1 #\nEnd-of-ACIS-data\n");
  EXPECT_EQ(a.result, kSatParsed);
  EXPECT_TRUE(a.at<acis_Body>(1));
  Parsed b(std::string(kHeader400) + word5000 + " #\nbody $-1 $-1 $-1 $-1 #\n");
  EXPECT_EQ(b.result, kSatParsed);
  EXPECT_TRUE(b.at<acis_Body>(1));
  Parsed c("400 2000000000 1 0\n2147483000 x 3 4.0 4 date\n1 1e-06 1e-10\n");
  EXPECT_EQ(c.result, kSatPrematureEnd);
  Parsed d(std::string(kHeader400) + "body $-1 $2000000000 $-1 $1999999999 #\n"
                                     "-2147483647 point $-1 0 0 0 #\nEnd-of-ACIS-data\n");
  EXPECT_EQ(d.result, kSatParsed);
  EXPECT_EQ(d.at<acis_Body>(0)->lump, nullptr);
  // Subtypes nested beyond the bound end the parse instead of the stack.
  std::string deep = std::string(kHeader400) + "body $-1 $-1 $-1 $-1 #\nfoo-attrib $-1 $-1 $-1 $0 ";
  for (int i = 0; i < 100000; ++i) deep += "{ exactcur ";
  Parsed e(deep);
  EXPECT_EQ(e.result, kSatParsed);
  // A reference to a record of the wrong kind is not taken.
  Parsed f(std::string(kHeader400) + "body $-1 $1 $-1 $1 #\npoint $-1 0 0 0 #\nEnd-of-ACIS-data\n");
  EXPECT_EQ(f.at<acis_Body>(0)->lump, nullptr);
  EXPECT_EQ(f.at<acis_Body>(0)->transform, nullptr);
}

TEST(SatParser, SubtypeReferences) {
  // A reference block before any subtype gives none; later ones share the subtype they name.
  Parsed p(std::string(kHeader400) +
           "body $-1 $-1 $-1 $-1 #\n"
           "intcurve-curve $-1 forward { ref 0 } I I #\n"
           "intcurve-curve $-1 forward { exactcur nubs 1 open 2 0 1 1 1 0 0 0 2 0 0 0 "
           "null_surface null_surface nullbs nullbs I I } I I #\n"
           "intcurve-curve $-1 forward { ref 0 } I I #\n"
           "intcurve-curve $-1 reversed exactcur #\n"
           "point $-1 1 1 1 #\n"
           "End-of-ACIS-data\n");
  ASSERT_EQ(p.result, kSatParsed);
  EXPECT_EQ(p.at<acis_Intcurve>(1)->subtype(), nullptr);
  ASSERT_TRUE(p.at<acis_Intcurve>(2)->subtype());
  EXPECT_EQ(p.at<acis_Intcurve>(3)->subtype(), p.at<acis_Intcurve>(2)->subtype());
  EXPECT_NE(p.err.find("Expected '{'"), std::string::npos);
  EXPECT_TRUE(p.at<acis_Point>(5));
}

TEST(SatRecords, TopologyFlags) {
  const struct {
    int version;
    const char* face;
    int32_t sense, sidedness, containment;
  } faces[] = {
      {400, "forward double in", 0, 1, 1},
      {400, "reversed single", 1, 0, 2},
      {400, "sideways double out", 3, 1, 0},
      {106, "0 1 0", 0, 1, 0},  // version 106 writes digits where the words belong
      {106, "1 0", 1, 0, 2},
      {104, "1", 1, 0, 2},
  };
  for (const auto& c : faces) {
    SCOPED_TRACE(c.face);
    std::string header = c.version >= 200 ? std::string(kHeader400)
                                          : std::to_string(c.version) + " 0 1 0\n";
    Parsed p(header + "face $-1 $-1 $-1 $-1 $-1 $-1 " + c.face + " #\nEnd-of-ACIS-data\n");
    auto* f = p.at<acis_Face>(0);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->sense, c.sense);
    EXPECT_EQ(f->sidedness, c.sidedness);
    EXPECT_EQ(f->containment, c.containment);
    EXPECT_EQ(p.err, "");
  }
  const struct {
    const char* word;
    int32_t sense;
  } coedges[] = {{"forward", 0}, {"reversed", 1}, {"0", 0}, {"1", 1}, {"backwards", -1}};
  for (const auto& c : coedges) {
    Parsed p(std::string(kHeader400) + "coedge $-1 $-1 $-1 $-1 $-1 " + c.word +
             " $-1 $-1 #\nEnd-of-ACIS-data\n");
    ASSERT_TRUE(p.at<acis_Coedge>(0));
    EXPECT_EQ(p.at<acis_Coedge>(0)->sense, c.sense) << c.word;
  }
  // Edges: real files of version 400 write the sense as a word, those of 106 as a digit; each is
  // taken in either version. Version 500 adds two parameters and the convexity.
  const struct {
    int version;
    const char* fields;
    int32_t sense;
  } edges[] = {
      {400, "$1 $1 $-1 $-1 forward", 0},
      {400, "$1 $1 $-1 $-1 1", 1},
      {106, "$1 $1 $-1 $-1 0", 0},
      {106, "$1 $1 $-1 $-1 reversed", 1},
      {500, "$1 0 $1 1 $-1 $-1 reversed 7 unknown", 1},
  };
  for (const auto& c : edges) {
    SCOPED_TRACE(c.fields);
    std::string header = c.version == 400   ? std::string(kHeader400)
                         : c.version == 500 ? "500 0 1 0\n4 test 3 5.0 4 date\n1 1e-06 1e-10\n"
                                            : "106 0 1 0\n";
    Parsed p(header + "edge $-1 " + c.fields + " #\nvertex $-1 $0 $-1 #\nEnd-of-ACIS-data\n");
    auto* e = p.at<acis_Edge>(0);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->sense, c.sense);
    EXPECT_EQ(e->start, p.at<acis_Vertex>(1));
    EXPECT_EQ(e->end, p.at<acis_Vertex>(1));
    EXPECT_EQ(p.err, "");
  }
  // A version-106 shell reads its lump directly after the face; a wire of 106 nothing after its
  // body.
  Parsed s("106 0 1 0\nshell $-1 $-1 $-1 $-1 $1 #\nlump $-1 $-1 $0 $-1 #\n"
           "wire $-1 $-1 $-1 $-1 #\nEnd-of-ACIS-data\n");
  EXPECT_EQ(s.at<acis_Shell>(0)->lump, s.at<acis_Lump>(1));
  EXPECT_EQ(s.at<acis_Wire>(2)->side, 1);
  EXPECT_EQ(s.err, "");
}

TEST(SatRecords, CurveAndSurfaceFields) {
  Parsed p(std::string(kHeader400) +
           "straight-curve $-1 0 0 0 1 0 0 F 0 F 10 #\n"
           "ellipse-curve $-1 0 0 0 0 0 1 2 0 0 0.5 I I #\n"
           "plane-surface $-1 0 0 0 0 0 1 1 0 0 forward_v I I I I #\n"
           "cone-surface $-1 0 0 0 0 0 1 2 0 0 1 I I 0.6 0.8 1 forward I I I I #\n"
           "cone-surface $-1 0 0 0 0 0 1 2 0 0 1 I I 0 1 1 forward I I I I #\n"
           "cone-surface $-1 0 0 0 0 0 1 2 0 0 0.5 I I 0 1 1 forward I I I I #\n"
           "sphere-surface $-1 1 2 3 4 1 0 0 0 0 1 forward_v I I I I #\n"
           "torus-surface $-1 0 0 0 0 0 1 5 1 1 0 0 forward_v I I I I #\n"
           "End-of-ACIS-data\n");
  auto* s = p.at<acis_Straight>(0);
  ASSERT_TRUE(s);
  EXPECT_TRUE(s->interval().bounded[0] && s->interval().bounded[1]);
  EXPECT_EQ(s->interval().value[1], 10);
  EXPECT_EQ(s->line().direction().dx, 1);
  auto* e = p.at<acis_Ellipse>(1);
  EXPECT_EQ(e->ellipse().majorRadius(), 2);
  EXPECT_EQ(e->ellipse().minorRadius(), 1);
  EXPECT_EQ(p.at<acis_Plane>(2)->sense(), 0);
  auto* cone = dynamic_cast<const c_Cone*>(p.at<acis_Cone>(3)->geometry());
  ASSERT_TRUE(cone);
  EXPECT_NEAR(cone->origin().z, -2.0 * 0.8 / 0.6, 1e-9);
  EXPECT_NEAR(cone->halfAngle(), std::atan2(0.6, 0.8), 1e-12);
  EXPECT_STREQ(p.at<acis_Cone>(4)->geometry()->name(), "c_Cylinder");
  EXPECT_STREQ(p.at<acis_Cone>(5)->geometry()->name(), "c_EllCylinder");
  auto* sphere = p.at<acis_Sphere>(6);
  c_Vector n = sphere->normalAt(c_Point(5, 2, 3));
  EXPECT_NEAR(n.dx, 1, 1e-12);
  EXPECT_EQ(p.at<acis_Torus>(7)->normalAt(c_Point(6, 0, 0)).length(), 0);
  EXPECT_EQ(p.at<acis_Torus>(7)->geometry(), nullptr);
  EXPECT_EQ(p.err, "");
  // At version 105 the interval is not part of the record.
  Parsed old("105 0 1 0\nstraight-curve $-1 0 0 0 1 0 0 F 0 F 10 #\nEnd-of-ACIS-data\n");
  EXPECT_NE(old.err.find("Expected '#'"), std::string::npos);
}

TEST(SatRecords, SplineCurvesAndTheirDrawingRange) {
  // A straight cubic from (0, 0, 0) to (3, 0, 0) over [0, 1].
  const std::string cubic = "nubs 3 open 2 0 3 1 3 0 0 0 1 0 0 2 0 0 3 0 0";
  std::string text = std::string(kHeader400) +
                     "intcurve-curve $-1 forward { exactcur " + cubic +
                     " 0 null_surface null_surface nullbs nullbs I I } I I #\n"
                     "vertex $-1 $-1 $4 #\n"
                     "vertex $-1 $-1 $5 #\n"
                     "vertex $-1 $-1 $6 #\n"
                     "point $-1 0 0 0 #\n"
                     "point $-1 3 0 0 #\n"
                     "point $-1 0.75 0 0 #\n"
                     "intcurve-curve $-1 forward { exactcur nullbs 0 null_surface "
                     "null_surface nullbs nullbs I I } I I #\n"
                     "End-of-ACIS-data\n";
  Parsed p(text);
  auto* ic = p.at<acis_Intcurve>(0);
  ASSERT_TRUE(ic && ic->subtype() && ic->subtype()->curve());
  const c_NURBSCurve* curve = ic->subtype()->curve();
  EXPECT_EQ(curve->knotCount(), 8);
  EXPECT_EQ(curve->controlPointCount(), 4);
  double t0 = -1, t1 = -1;
  EXPECT_EQ(ic->drawingRange(p.parser.recordAt(1), p.parser.recordAt(2), t0, t1),
            acis_Intcurve::kWholeCurve);
  EXPECT_EQ(t0, 0);
  EXPECT_EQ(t1, 1);
  EXPECT_EQ(ic->drawingRange(p.parser.recordAt(3), p.parser.recordAt(2), t0, t1),
            acis_Intcurve::kRange);
  EXPECT_NEAR(t0, 0.25, 1e-4);
  EXPECT_EQ(t1, 1);
  c_Vector tangent = ic->tangentAt(c_Point(1.5, 0, 0));
  EXPECT_GT(tangent.dx, 0);
  EXPECT_NEAR(tangent.dy, 0, 1e-9);
  // Without a curve, a spline surface or a parameter-space curve nothing can be drawn.
  auto* bare = p.at<acis_Intcurve>(7);
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->drawingRange(nullptr, nullptr, t0, t1), acis_Intcurve::kNothing);
}

TEST(SatRecords, SummaryPointListRunsThroughItsParameters) {
  // Version 500 summary form: three parameters on a bilinear spline surface with a parameter-
  // space line from (0, 0) to (1, 1).
  const std::string surface =
      "spline forward { exactsur full nubs 1 1 open open none none 2 2 0 1 1 1 0 1 1 1 "
      "0 0 0 1 0 0 0 1 0 1 1 0 } I I I I";
  const std::string pcurve = "nubs 1 open 2 0 1 1 1 0 0 1 1";
  std::string text = "500 0 1 0\n4 test 3 5.0 4 date\n1 1e-06 1e-10\n"
                     "intcurve-curve $-1 forward { surfintcur summary 3 0 0.5 1 0 x " +
                     surface + " null_surface " + pcurve + " nullbs I I } I I #\nEnd-of-ACIS-data\n";
  Parsed p(text);
  auto* ic = p.at<acis_Intcurve>(0);
  ASSERT_TRUE(ic && ic->subtype());
  double t0 = 0, t1 = 0;
  ASSERT_EQ(ic->drawingRange(nullptr, nullptr, t0, t1), acis_Intcurve::kPointList);
  ic->startPointList();
  std::vector<c_Point> points;
  c_Point q;
  while (ic->nextPoint(q) && points.size() < 100) points.push_back(q);
  ASSERT_EQ(points.size(), 23u);
  EXPECT_NEAR(points.front().x, 0, 1e-6);
  EXPECT_NEAR(points.back().x, 1, 1e-6);
  EXPECT_NEAR(points.back().y, 1, 1e-6);
}

TEST(SatRecords, FaceInsideTestTakesTheMaterialOnTheLeft) {
  // The top face of a unit box: points of its square are inside, points beyond it outside.
  std::string text = box(1, 1, 1).text();
  Parsed p(text);
  acis_Face* top = p.parser.firstBody()->lump->shell->face->next;
  ASSERT_TRUE(top);
  EXPECT_EQ(top->classifyPoint(c_Point(0.5, 0.5, 1), 100), 2);
  EXPECT_EQ(top->classifyPoint(c_Point(1, 0.5, 1), 100), 2);
  EXPECT_EQ(top->classifyPoint(c_Point(1.5, 0.5, 1), 100), 3);
  EXPECT_EQ(top->classifyPoint(c_Point(0.5, -0.5, 1), 100), 3);
  // A closed edge classifies a point at its one vertex as at its start.
  Parsed c(std::string(kHeader400) +
           "edge $-1 $1 $1 $-1 $3 forward #\nvertex $-1 $0 $2 #\npoint $-1 1 0 0 #\n"
           "ellipse-curve $-1 0 0 0 0 0 1 1 0 0 1 I I #\nEnd-of-ACIS-data\n");
  EXPECT_EQ(c.at<acis_Edge>(0)->classifyPoint(c_Point(1, 0, 0)), 0);
  EXPECT_EQ(c.at<acis_Edge>(0)->classifyPoint(c_Point(0, 1, 0)), 2);
  EXPECT_EQ(c.at<acis_Edge>(0)->classifyPoint(c_Point(0, 2, 0)), 3);
}
