// The curve, point and surface records of the SAT reader and their spline subtypes.
#include "sat/AcisGeometry.h"

#include <cmath>
#include <cstring>

#include "sat/AcisTopology.h"
#include "sat/Tolerance.h"

namespace {

bool is(const char* a, const char* b) { return a && std::strcmp(a, b) == 0; }

bool readPoint(satParser& parser, c_Point& p) {
  double v[3] = {0, 0, 0};
  bool ok = parser.readDoubles(v, 3);
  p = c_Point(v[0], v[1], v[2]);
  return ok;
}

bool readVector(satParser& parser, c_Vector& d) {
  double v[3] = {0, 0, 0};
  bool ok = parser.readDoubles(v, 3);
  d = c_Vector(v);
  return ok;
}

// The sense of a surface. Versions below 200 write a digit and later ones a word; each is taken
// in either form, as files of the middle versions mix them.
int32_t readSurfaceSense(satParser& parser) {
  char* word = nullptr;
  parser.readWord(word);
  if (is(word, "forward") || is(word, "forward_v") || is(word, "0")) return 0;
  if (is(word, "reversed") || is(word, "reverse_v") || is(word, "1")) return 1;
  return 3;
}

// Knots of one direction: pairs of value and multiplicity, the first and last multiplicity one
// more, each value repeated. False for a malformed vector (a multiplicity beyond the order, which
// no valid spline has and which would let the text size the vector).
bool readKnots(satParser& parser, int32_t distinct, int32_t degree, std::vector<float>& knots) {
  std::vector<std::pair<double, int32_t>> pairs;
  for (int32_t i = 0; i < distinct; ++i) {
    double value = 0;
    int32_t multiplicity = 0;
    if (!parser.readDouble(value) || !parser.readInt(multiplicity)) return false;
    if (multiplicity < 0 || multiplicity > degree + 1 || !std::isfinite(value)) return false;
    pairs.emplace_back(value, multiplicity);
  }
  if (pairs.empty()) return false;
  pairs.front().second += 1;
  pairs.back().second += 1;
  for (const auto& p : pairs)
    for (int32_t k = 0; k < p.second; ++k) knots.push_back(static_cast<float>(p.first));
  return true;
}

constexpr int32_t kMaxDegree = 25;

}  // namespace

void SatInterval::read(satParser& parser) {
  for (int end = 0; end < 2; ++end) {
    char* word = nullptr;
    if (!parser.readWord(word)) return;
    if (word[0] == 'F' || is(word, "1")) {
      double v = 0;
      parser.readDouble(v);
      bounded[end] = true;
      value[end] = v;
    }
  }
}

// ---- curves ----

bool acis_Curve::supportingPlane(c_Plane&) const { return false; }

bool acis_Curve::isOnCurve(const c_Point& p) const {
  const c_Curve* g = geometry();
  return g && g->isOnCurve(p);
}

double acis_Curve::parameterOf(const c_Point& p) const {
  const c_Curve* g = geometry();
  return g ? g->parameterOf(p) : 0.0;
}

bool acis_Curve::isParameterInRange(double t, double t0, double t1, bool forward) const {
  const c_Curve* g = geometry();
  return g && g->isParameterInRange(t, t0, t1, forward ? 1 : 0);
}

c_Vector acis_Curve::tangentAt(const c_Point&) const { return c_Vector(); }

void acis_Curve::readInterval(satParser& parser) {
  if (parser.version() >= 106) interval_.read(parser);
}

acis_Straight::acis_Straight(satParser& parser, bool withAttribute)
    : acis_Curve(parser, withAttribute) {
  c_Point root;
  c_Vector direction;
  readPoint(parser, root);
  readVector(parser, direction);
  line_ = c_Line(root, direction);
  readInterval(parser);
}

c_Vector acis_Straight::tangentAt(const c_Point&) const { return line_.direction(); }

namespace {

// Centre, normal, major axis and ratio, as ellipse records and the base of cone records write
// them.
c_Ellipse readEllipse(satParser& parser) {
  c_Point centre;
  c_Vector normal, major;
  double ratio = 1;
  readPoint(parser, centre);
  readVector(parser, normal);
  readVector(parser, major);
  parser.readDouble(ratio);
  double a = major.length();
  c_Vector u;
  major.normalizedCopyInto(u);
  return c_Ellipse(centre, u, normal, a, std::fabs(ratio) * a);
}

c_Torus readTorus(satParser& parser) {
  c_Point centre;
  c_Vector normal, reference;
  double major = 2.0, minor = 1.0;
  readPoint(parser, centre);
  readVector(parser, normal);
  if (!parser.readDouble(major)) major = 2.0;
  if (!parser.readDouble(minor)) minor = 1.0;
  readVector(parser, reference);
  return c_Torus(centre, reference, normal, major, std::fabs(minor));
}

}  // namespace

acis_Ellipse::acis_Ellipse(satParser& parser, bool withAttribute)
    : acis_Curve(parser, withAttribute), ellipse_(readEllipse(parser)) {
  readInterval(parser);
}

bool acis_Ellipse::supportingPlane(c_Plane& plane) const {
  plane = c_Plane(ellipse_.centre(), ellipse_.w());
  return true;
}

c_Vector acis_Ellipse::tangentAt(const c_Point& p) const {
  return ellipse_.tangentAt(ellipse_.parameterOf(p));
}

// ---- intersection-curve subtypes ----

acis_int_cur::acis_int_cur(const char* name) : name_(name) {}
acis_int_cur::~acis_int_cur() = default;

acis_Surface* acis_int_cur::readSurface(satParser& parser, bool& ok) {
  char* word = nullptr;
  if (!parser.readWord(word)) {
    ok = false;
    return nullptr;
  }
  if (is(word, "null_surface")) return nullptr;
  if (is(word, "cone")) return new acis_Cone(parser, false);
  if (is(word, "plane")) return new acis_Plane(parser, false);
  if (is(word, "sphere")) return new acis_Sphere(parser, false);
  if (is(word, "spline")) return new acis_Spline(parser, false);
  if (is(word, "torus")) return new acis_Torus(parser, false);
  parser.syntaxError(word);
  ok = false;
  return nullptr;
}

acis_int_cur* acis_int_cur::read(satParser& parser, const char* name) {
  auto* sub = new acis_int_cur(name);
  bool exppc = sub->name_ == "exppc";
  bool full = true;
  char* word = nullptr;
  if (parser.version() >= 500 && !exppc) {
    parser.readWord(word);
    if (is(word, "summary")) {
      full = false;
      int32_t count = 0;
      parser.readInt(count);
      for (int32_t i = 0; i < count; ++i) {
        double t = 0;
        if (!parser.readDouble(t)) break;
        sub->summary_.push_back(t);
      }
      double fit = 0;
      parser.readDouble(fit);
      parser.readWord(word);
    } else if (!is(word, "full")) {
      full = false;
      SatInterval range;
      range.read(parser);
      parser.readWord(word);
    }
  }
  if (full) {
    sub->curve_.reset(readBsCurve(parser, exppc ? 2 : 3));
    double fit = 0;
    parser.readDouble(fit);
  }
  bool ok = parser.good();
  if (ok) sub->surface1_.reset(sub->readSurface(parser, ok));
  if (ok && !exppc) {
    sub->surface2_.reset(sub->readSurface(parser, ok));
    if (ok) {
      sub->pcurve1_.reset(readBsCurve(parser, 2));
      sub->pcurve2_.reset(readBsCurve(parser, 2));
      if (parser.version() >= 107) {
        SatInterval range;
        range.read(parser);
      }
    }
  }
  return sub;
}

bool acis_int_cur::isOnCurve(const c_Point& p) const { return curve_ && curve_->isOnCurve(p); }

double acis_int_cur::parameterOf(const c_Point& p) const {
  return curve_ ? curve_->parameterOf(p) : 0.0;
}

c_Vector acis_int_cur::tangentAt(const c_Point& p) const {
  if (!curve_) return c_Vector();
  double t = curve_->parameterOf(p);
  c_Vector d[2];
  double w[2] = {0, 0};
  if (!curve_->evaluateDerivatives(t, 1, d, w)) return c_Vector();
  // The derivative of the rational curve from those of its weighted coordinates.
  if (std::fabs(w[0]) <= vorgaTolerances().zero) return c_Vector();
  c_Vector c = d[0] / w[0];
  return (d[1] - w[1] * c) / w[0];
}

bool acis_int_cur::isParameterInRange(double t, double t0, double t1, bool forward) const {
  return curve_ && curve_->isParameterInRange(t, t0, t1, forward ? 1 : 0);
}

bool acis_int_cur::surfaceWithPcurve(const c_NURBSCurve*& pcurve,
                                     const acis_Surface*& surface) const {
  if (surface1_ && pcurve1_ && surface1_->nurbsSurface()) {
    pcurve = pcurve1_.get();
    surface = surface1_.get();
    return true;
  }
  if (surface2_ && pcurve2_ && surface2_->nurbsSurface()) {
    pcurve = pcurve2_.get();
    surface = surface2_.get();
    return true;
  }
  return false;
}

acis_Intcurve::acis_Intcurve(satParser& parser, bool withAttribute)
    : acis_Curve(parser, withAttribute) {
  char* word = nullptr;
  parser.readWord(word);
  if (parser.nextNonBlank() != '{') {
    parser.syntaxError("Expected '{'");
    return;
  }
  subtype_ = dynamic_cast<const acis_int_cur*>(parser.parseSubtype());
  readInterval(parser);
}

bool acis_Intcurve::isOnCurve(const c_Point& p) const { return subtype_ && subtype_->isOnCurve(p); }

const c_Curve* acis_Intcurve::geometry() const { return subtype_ ? subtype_->curve() : nullptr; }

double acis_Intcurve::parameterOf(const c_Point& p) const {
  return subtype_ ? subtype_->parameterOf(p) : 0.0;
}

bool acis_Intcurve::isParameterInRange(double t, double t0, double t1, bool forward) const {
  return subtype_ && subtype_->isParameterInRange(t, t0, t1, forward);
}

c_Vector acis_Intcurve::tangentAt(const c_Point& p) const {
  return subtype_ ? subtype_->tangentAt(p) : c_Vector();
}

namespace {

const c_Point* vertexPoint(const acis_Entity* record) {
  auto* vertex = dynamic_cast<const acis_Vertex*>(record);
  return vertex ? vertex->pointRecord() : nullptr;
}

// The state of the one point list being walked.
struct PointList {
  const c_NURBSCurve* pcurve = nullptr;
  const acis_Surface* surface = nullptr;
  const std::vector<double>* params = nullptr;
  int32_t n = 0, i = 0, k = 10;
  double h = 0;
} g_list;

}  // namespace

int32_t acis_Intcurve::drawingRange(const acis_Entity* startVertex, const acis_Entity* endVertex,
                                    double& t0, double& t1) const {
  if (!subtype_) return kNothing;
  if (const c_NURBSCurve* curve = subtype_->curve()) {
    int32_t answer = kWholeCurve;
    t0 = curve->firstParameter();
    t1 = curve->lastParameter();
    if (startVertex == endVertex) return answer;
    c_Point p0 = curve->pointAt(t0), p1 = curve->pointAt(t1);
    const double first = t0, last = t1;
    const c_Point* ends[2] = {vertexPoint(startVertex), vertexPoint(endVertex)};
    for (int e = 0; e < 2; ++e) {
      if (!ends[e] || ends[e]->equals(p0) || ends[e]->equals(p1)) continue;
      double t = curve->parameterOf(*ends[e]);
      if (first <= t && t <= last) {
        (e == 0 ? t0 : t1) = t;
        answer = kRange;
      }
    }
    return answer;
  }
  const c_NURBSCurve* pcurve = nullptr;
  const acis_Surface* surface = nullptr;
  if (!subtype_->surfaceWithPcurve(pcurve, surface)) return kNothing;
  t0 = pcurve->firstParameter();
  t1 = pcurve->lastParameter();
  return subtype_->summary().empty() ? kRange : kPointList;
}

bool acis_Intcurve::pointAtParameter(double t, c_Point& point) const {
  if (!subtype_) return false;
  if (const c_NURBSCurve* curve = subtype_->curve()) {
    point = curve->pointAt(t);
    return true;
  }
  const c_NURBSCurve* pcurve = nullptr;
  const acis_Surface* surface = nullptr;
  if (!subtype_->surfaceWithPcurve(pcurve, surface)) return false;
  c_Point uv = pcurve->pointAt(t);
  surface->getPointAt(uv.x, uv.y, point);
  return true;
}

void acis_Intcurve::startPointList() const {
  g_list = PointList();
  if (!subtype_) return;
  g_list.params = &subtype_->summary();
  g_list.n = static_cast<int32_t>(g_list.params->size());
  if (!subtype_->surfaceWithPcurve(g_list.pcurve, g_list.surface)) g_list.n = 0;
}

bool acis_Intcurve::nextPoint(c_Point& point) const {
  if (!g_list.params || !g_list.pcurve || !g_list.surface) return false;
  const std::vector<double>& a = *g_list.params;
  double t;
  if (g_list.k != 10) {
    ++g_list.k;
    t = a[size_t(g_list.i - 1)] + g_list.k * g_list.h;
  } else if (g_list.i < g_list.n) {
    ++g_list.i;
    t = a[size_t(g_list.i - 1)];
    if (g_list.i < g_list.n) {
      g_list.h = (a[size_t(g_list.i)] - a[size_t(g_list.i - 1)]) / 11;
      g_list.k = 0;
    }
  } else {
    return false;
  }
  c_Point uv = g_list.pcurve->pointAt(t);
  g_list.surface->getPointAt(uv.x, uv.y, point);
  return true;
}

acis_Pcurve::acis_Pcurve(satParser& parser, bool withAttribute)
    : acis_Curve(parser, withAttribute) {
  int32_t kind = 0;
  parser.readInt(kind);
  char* word = nullptr;
  parser.readWord(word);
  if (kind == 0) {
    if (parser.version() >= 105) {
      if (parser.nextNonBlank() != '{') {
        parser.syntaxError("Expected '{'");
        return;
      }
      subtype_ = dynamic_cast<const acis_int_cur*>(parser.parseSubtype());
    } else if (parser.enterNested()) {
      // Early versions write the subtype without braces; it is read and dropped.
      delete acis_int_cur::read(parser, "exppc");
      parser.leaveNested();
    }
  }
  parser.readDoubles(offsets_, 2);
}

acis_Point::acis_Point(satParser& parser) : acis_Entity(parser) { readPoint(parser, point_); }

// ---- surfaces ----

bool acis_Surface::getPointAt(double u, double v, c_Point& p) const {
  p = c_Point(u, v, 0);
  return false;
}

c_Vector acis_Surface::normalAt(const c_Point&) const { return c_Vector(); }

void acis_Surface::readSenseAndIntervals(satParser& parser) {
  sense_ = readSurfaceSense(parser);
  if (parser.version() >= 106) {
    u_.read(parser);
    v_.read(parser);
  }
}

acis_Plane::acis_Plane(satParser& parser, bool withAttribute)
    : acis_Surface(parser, withAttribute) {
  c_Point root;
  c_Vector normal;
  readPoint(parser, root);
  readVector(parser, normal);
  readVector(parser, uDirection_);
  plane_ = c_Plane(root, normal);
  readSenseAndIntervals(parser);
}

acis_Sphere::acis_Sphere(satParser& parser, bool withAttribute)
    : acis_Surface(parser, withAttribute) {
  c_Point centre;
  double radius = 1;
  readPoint(parser, centre);
  parser.readDouble(radius);
  readVector(parser, uOrigin_);
  readVector(parser, pole_);
  sphere_ = c_Sphere(centre, std::fabs(radius));
  readSenseAndIntervals(parser);
}

acis_Torus::acis_Torus(satParser& parser, bool withAttribute)
    : acis_Surface(parser, withAttribute), torus_(readTorus(parser)) {
  readSenseAndIntervals(parser);
}

acis_Cone::acis_Cone(satParser& parser, bool withAttribute)
    : acis_Surface(parser, withAttribute), base_(new acis_Ellipse(parser, false)) {
  parser.readDouble(sine_);
  parser.readDouble(cosine_);
  if (parser.version() >= 400) parser.readDouble(scale_);
  readSenseAndIntervals(parser);

  const c_Ellipse& e = base_->ellipse();
  const double kFlat = 0.006;
  double R = e.majorRadius(), r = e.minorRadius();
  c_Point centre = e.centre();
  c_Vector normal = e.w(), major = e.u();
  if (!std::isfinite(sine_) || !std::isfinite(cosine_)) return;
  if (std::fabs(cosine_) < kFlat) {
    plane_.reset(new c_Plane(centre, normal));
  } else if (std::fabs(sine_) < kFlat) {
    if (std::fabs(R - r) <= 0.001 * R)
      cone_.reset(new c_Cylinder(centre, major, normal, R));
    else
      cone_.reset(new c_EllCylinder(centre, major, normal, R, r));
  } else {
    c_Point apex = centre - (R * cosine_ / sine_) * normal;
    double half = std::atan2(std::fabs(sine_), std::fabs(cosine_));
    if (std::fabs(R - r) <= 0.001 * R)
      cone_.reset(new c_Cone(apex, major, normal, half));
    else
      cone_.reset(new c_EllCone(apex, major, normal, half, r / R));
  }
}

const c_Surface* acis_Cone::geometry() const {
  if (cone_) return cone_.get();
  return plane_.get();
}

c_Vector acis_Cone::normalAt(const c_Point& p) const {
  if (cone_) return cone_->normalAt(p);
  if (plane_) return plane_->normalAt(p);
  return c_Vector();
}

// ---- spline surfaces ----

acis_spl_sur* acis_spl_sur::read(satParser& parser, const char* name) {
  auto* sub = new acis_spl_sur(name);
  if (sub->name_ != "exactsur") return sub;
  bool full = true;
  if (parser.version() >= 500) {
    char* word = nullptr;
    parser.readWord(word);
    full = is(word, "full");
  }
  if (full) sub->surface_.reset(readBsSurface(parser));
  return sub;
}

acis_Spline::acis_Spline(satParser& parser, bool withAttribute)
    : acis_Surface(parser, withAttribute) {
  char* word = nullptr;
  parser.readWord(word);
  if (parser.nextNonBlank() != '{') {
    parser.syntaxError("Expected '{'");
    return;
  }
  subtype_ = dynamic_cast<const acis_spl_sur*>(parser.parseSubtype());
  if (parser.version() >= 106) {
    u_.read(parser);
    v_.read(parser);
  }
}

bool acis_Spline::getPointAt(double u, double v, c_Point& p) const {
  const c_NURBSSurface* s = nurbsSurface();
  return s && s->pointAt(u, v, p);
}

const c_NURBSSurface* acis_Spline::nurbsSurface() const {
  return subtype_ ? subtype_->surface() : nullptr;
}

// ---- spline data ----

c_NURBSCurve* readBsCurve(satParser& parser, int32_t dimension) {
  char* word = nullptr;
  if (!parser.readWord(word) || is(word, "nullbs")) return nullptr;
  bool rational = is(word, "nurbs");
  int32_t degree = 0, distinct = 0;
  parser.readInt(degree);
  parser.readWord(word);
  parser.readInt(distinct);
  if (!parser.good() || degree < 1 || degree > kMaxDegree || distinct < 2) return nullptr;
  std::vector<float> knots;
  if (!readKnots(parser, distinct, degree, knots)) return nullptr;
  int64_t count = int64_t(knots.size()) - degree - 1;
  if (count < 1) return nullptr;
  std::vector<float> points;
  for (int64_t i = 0; i < count; ++i) {
    double c[4] = {0, 0, 0, 1};
    if (!parser.readDoubles(c, dimension == 3 ? 3 : 2)) return nullptr;
    if (rational && !parser.readDouble(c[3])) return nullptr;
    for (int k = 0; k < 3; ++k) points.push_back(static_cast<float>(c[3] * c[k]));
    points.push_back(static_cast<float>(c[3]));
  }
  return new c_NURBSCurve(points.data(), int(count), knots.data(), int(knots.size()));
}

c_NURBSSurface* readBsSurface(satParser& parser) {
  char* word = nullptr;
  if (!parser.readWord(word) || is(word, "nullbs")) return nullptr;
  bool rational = !is(word, "nubs");
  int32_t du = 0, dv = 0, nu = 0, nv = 0;
  parser.readInt(du);
  parser.readInt(dv);
  if (rational) parser.readWord(word);
  for (int i = 0; i < 4; ++i) parser.readWord(word);
  parser.readInt(nu);
  parser.readInt(nv);
  if (!parser.good() || du < 1 || du > kMaxDegree || dv < 1 || dv > kMaxDegree || nu < 2 ||
      nv < 2)
    return nullptr;
  std::vector<float> ku, kv;
  if (!readKnots(parser, nu, du, ku) || !readKnots(parser, nv, dv, kv)) return nullptr;
  int64_t cu = int64_t(ku.size()) - du - 1, cv = int64_t(kv.size()) - dv - 1;
  if (cu < 1 || cv < 1) return nullptr;
  std::vector<float> net;
  for (int64_t i = 0; i < cu * cv; ++i) {
    double c[4] = {0, 0, 0, 1};
    if (!parser.readDoubles(c, 3)) return nullptr;
    if (rational && !parser.readDouble(c[3])) return nullptr;
    for (int k = 0; k < 3; ++k) net.push_back(static_cast<float>(c[3] * c[k]));
    net.push_back(static_cast<float>(c[3]));
  }
  return new c_NURBSSurface(net.data(), int(cu), int(cv), ku.data(), int(ku.size()), kv.data(),
                            int(kv.size()));
}

void readLaw(satParser& parser) {
  char* word = nullptr;
  if (!parser.readCountedString(word) || is(word, "null_law")) return;
  int32_t n = 0;
  parser.readInt(n);
  for (int32_t i = 0; i < n && parser.good(); ++i) {
    parser.readCountedString(word);
    double d[2];
    if (is(word, "TRANS")) {
      acis_Transform dropped(parser, false);
    } else if (is(word, "EDGE")) {
      parser.restoreCurve();
      parser.readDoubles(d, 2);
    } else if (is(word, "WIRE")) {
      int32_t m = 0;
      parser.readInt(m);
      for (int32_t k = 0; k < m && parser.good(); ++k) {
        parser.restoreCurve();
        parser.readDoubles(d, 2);
        SatInterval range;
        range.read(parser);
      }
    } else if (is(word, "SURF")) {
      parser.restoreSurface();
      SatInterval range;
      range.read(parser);
      range.read(parser);
    } else if (is(word, "PCURVE")) {
      parser.restorePcurve();
      parser.readDoubles(d, 2);
    }
  }
}

acis_Entity* makeGeometryRecord(satParser& parser, const char* name) {
  if (is(name, "straight-curve")) return new acis_Straight(parser, true);
  if (is(name, "ellipse-curve")) return new acis_Ellipse(parser, true);
  if (is(name, "intcurve-curve")) return new acis_Intcurve(parser, true);
  if (is(name, "pcurve")) return new acis_Pcurve(parser, true);
  if (is(name, "point")) return new acis_Point(parser);
  if (is(name, "plane-surface")) return new acis_Plane(parser, true);
  if (is(name, "cone-surface")) return new acis_Cone(parser, true);
  if (is(name, "sphere-surface")) return new acis_Sphere(parser, true);
  if (is(name, "torus-surface")) return new acis_Torus(parser, true);
  if (is(name, "spline-surface")) return new acis_Spline(parser, true);
  return nullptr;
}
