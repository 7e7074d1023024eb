// The solid renderer: edges, silhouettes and their partition at the faces' boundaries.
#include "sat/GL_Renderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "sat/AcisGeometry.h"
#include "sat/AcisTopology.h"
#include "sat/Intersection.h"
#include "sat/NURBSCurve.h"
#include "sat/Tolerance.h"

namespace {

constexpr int32_t kMaxExtraSilhouettes = 64;
constexpr int32_t kRangeSamples = 100;

bool is(const char* a, const char* b) { return a && std::strcmp(a, b) == 0; }

bool isConeName(const char* n) { return is(n, "c_Cone") || is(n, "c_EllCone"); }

bool isRuledName(const char* n) {
  return isConeName(n) || is(n, "c_Cylinder") || is(n, "c_EllCylinder");
}

// The direction of a curve at parameter t.
c_Vector curveTangent(const c_Curve& curve, double t) {
  if (is(curve.name(), "c_Line")) return static_cast<const c_Line&>(curve).direction();
  const double h = 1e-5;
  return curve.pointAt(t + h) - curve.pointAt(t - h);
}

// The circle or ellipse of a closed silhouette as an ellipse with the same parameters.
c_Ellipse asEllipse(const c_Curve& curve) {
  if (is(curve.name(), "c_Ellipse")) return static_cast<const c_Ellipse&>(curve);
  const auto& circle = static_cast<const c_Circle&>(curve);
  return c_Ellipse(circle.centre(), circle.u(), circle.w(), circle.radius(), circle.radius());
}

}  // namespace

GL_Renderer::GL_Renderer(const acis_Body* body, const RenderParams& params, int32_t linkBound)
    : body_(body), params_(params), linkBound_(linkBound < 1 ? 1 : linkBound) {
  int32_t extra = std::clamp(params_.extraSilhouetteCount, 0, kMaxExtraSilhouettes);
  params_.extraSilhouetteCount = extra;
  capacity_ = extra + (params_.silhouettes ? 2 : 0);
  silhouettes_.reserve(size_t(capacity_));
  setTolerances();
}

GL_Renderer::~GL_Renderer() { clearSilhouettes(); }

void GL_Renderer::setOutput(const RenderOutput* output) {
  output_ = output;
  if (!output) return;
  relay_ = *output;
  relay_.begin = beginThunk;
  relay_.end = endThunk;
  relay_.vertex = vertexThunk;
  relay_.ctx = this;
}

void GL_Renderer::setTolerances() { setQualityTolerances(params_.qualityLevel); }

void GL_Renderer::beginThunk(int32_t mode, void* ctx) { static_cast<GL_Renderer*>(ctx)->begin(mode); }
void GL_Renderer::endThunk(void* ctx) { static_cast<GL_Renderer*>(ctx)->end(); }
void GL_Renderer::vertexThunk(double x, double y, double z, void* ctx) {
  static_cast<GL_Renderer*>(ctx)->vertex(c_Point(x, y, z));
}

void GL_Renderer::begin(int32_t mode) {
  if (output_ && output_->begin) output_->begin(mode, output_->ctx);
}

void GL_Renderer::end() {
  if (output_ && output_->end) output_->end(output_->ctx);
}

// Points are in the body's own coordinates; its transform places them in the drawing.
void GL_Renderer::vertex(const c_Point& p) {
  if (!output_ || !output_->vertex) return;
  c_Point q = transformed_ ? transform_.transformPoint(p) : p;
  output_->vertex(q.x, q.y, q.z, output_->ctx);
}

void GL_Renderer::addToBox(const c_Point& p) {
  c_Point q = transformed_ ? transform_.transformPoint(p) : p;
  const double v[3] = {q.x, q.y, q.z};
  for (int i = 0; i < 3; ++i) {
    if (!boxStarted_ || v[i] < min_[i]) min_[i] = v[i];
    if (!boxStarted_ || v[i] > max_[i]) max_[i] = v[i];
  }
  boxStarted_ = true;
}

void GL_Renderer::box(double min[3], double max[3]) const {
  for (int i = 0; i < 3; ++i) {
    min[i] = min_[i];
    max[i] = max_[i];
  }
}

double GL_Renderer::boxRadius() const {
  if (!boxStarted_) return 1.0;
  double r = 0;
  for (int i = 0; i < 3; ++i) r += (max_[i] - min_[i]) * (max_[i] - min_[i]) / 4;
  return std::sqrt(r);
}

void GL_Renderer::render(int32_t) {
  if (!body_ || !output_) return;
  view_ = params_.view;
  if (const acis_Transform* t = body_->transform) {
    const double* m = t->matrix();
    double s = m[15];
    if (!std::isfinite(s) || std::fabs(s) <= vorgaTolerances().zero) s = 1.0;
    // Rows of the stored array are the images of the axes: a point goes to x R s + t.
    const double rows[16] = {s * m[0], s * m[4], s * m[8],  m[12],  //
                             s * m[1], s * m[5], s * m[9],  m[13],  //
                             s * m[2], s * m[6], s * m[10], m[14],  //
                             0,        0,        0,         1};
    transform_ = c_Mat4(rows);
    const double back[16] = {m[0], m[1], m[2], 0, m[4], m[5], m[6], 0,
                             m[8], m[9], m[10], 0, 0, 0, 0, 1};
    view_ = c_Mat4(back).transformVector(view_);
    transformed_ = true;
  }
  int32_t lumps = linkBound_;
  for (const acis_Lump* lump = body_->lump; lump && lumps-- > 0; lump = lump->next) {
    int32_t shells = linkBound_;
    for (const acis_Shell* shell = lump->shell; shell && shells-- > 0; shell = shell->next) {
      int32_t faces = linkBound_;
      for (const acis_Face* face = shell->face; face && faces-- > 0; face = face->next)
        drawFace(face);
      int32_t wires = linkBound_;
      for (const acis_Wire* wire = shell->wire; wire && wires-- > 0; wire = wire->next)
        drawWireCoedges(wire->coedge);
    }
  }
  // A wire body hangs its wires on the body itself.
  int32_t wires = linkBound_;
  for (const acis_Wire* wire = body_->wire; wire && wires-- > 0; wire = wire->next)
    drawWireCoedges(wire->coedge);
  transformed_ = false;
}

void GL_Renderer::drawWireCoedges(const acis_Coedge* first) {
  int32_t steps = linkBound_;
  for (const acis_Coedge* c = first; c && steps-- > 0;) {
    drawEdge(c->edge);
    if (c->next == c || c->next == first) break;
    c = c->next;
  }
}

void GL_Renderer::drawFace(const acis_Face* face) {
  computeSilhouettes(face);
  int32_t loops = linkBound_;
  for (const acis_Loop* loop = face->loop; loop && loops-- > 0; loop = loop->next) {
    int32_t steps = linkBound_;
    for (const acis_Coedge* c = loop->coedge; c && steps-- > 0;) {
      const c_Surface* other = nullptr;
      if (c->partner) {
        const acis_Face* f = c->partner->face();
        if (f && f->surface) other = f->surface->geometry();
      }
      if (!silhouettes_.empty()) transitionPoints(c, other);
      drawEdge(c->edge);
      c = c->next;
      if (c == loop->coedge) break;
    }
  }
  drawSilhouettePieces(face);
  clearSilhouettes();
}

void GL_Renderer::drawEdge(acis_Edge* edge) {
  if (!edge || !edge->curve || edge->drawn) return;
  const c_Point* start = edge->start ? edge->start->pointRecord() : nullptr;
  const c_Point* finish = edge->end ? edge->end->pointRecord() : nullptr;
  if (start) addToBox(*start);
  if (finish) addToBox(*finish);
  const char* type = edge->curve->typeName();
  if (is(type, "straight")) {
    if (start && finish) {
      begin(1);
      vertex(*start);
      vertex(*finish);
      end();
    }
  } else if (is(type, "ellipse")) {
    const c_Ellipse& e = static_cast<const acis_Ellipse*>(edge->curve)->ellipse();
    double a = 0, b = vorga::kTwoPi;
    if (start && finish && edge->start != edge->end) {
      a = e.parameterOf(*start);
      b = e.parameterOf(*finish);
      // The edge runs against its curve: the arc is the one from its end to its start.
      if (edge->sense == 1) std::swap(a, b);
    }
    drawEllipticArc(e, a, b);
  } else if (is(type, "intcurve")) {
    const auto* ic = static_cast<const acis_Intcurve*>(edge->curve);
    double t0 = 0, t1 = 0;
    int32_t answer = ic->drawingRange(edge->start, edge->end, t0, t1);
    if (answer == acis_Intcurve::kNothing) return;
    if (answer == acis_Intcurve::kPointList) {
      ic->startPointList();
      begin(3);
      c_Point p;
      while (ic->nextPoint(p)) {
        addToBox(p);
        vertex(p);
      }
      end();
    } else if (answer == acis_Intcurve::kRange) {
      double lo = std::min(t0, t1), hi = std::max(t0, t1);
      double step = (hi - lo) / (kRangeSamples - 1);
      begin(3);
      for (int32_t i = 0; i < kRangeSamples; ++i) {
        c_Point p;
        if (ic->pointAtParameter(lo + i * step, p)) {
          addToBox(p);
          vertex(p);
        }
      }
      end();
    } else if (const auto* curve = dynamic_cast<const c_NURBSCurve*>(ic->geometry())) {
      drawNurbs(*curve);
    }
  }
  edge->drawn = true;
}

void GL_Renderer::drawNurbs(const c_NURBSCurve& curve) {
  tessellate(&relay_, curve.knotCount(), curve.knots(), 4, curve.controlPoints(), curve.order());
  for (int i = 0; i < curve.controlPointCount(); ++i) {
    c_Point p;
    if (curve.controlPoint(i, p)) addToBox(p);
  }
}

void GL_Renderer::drawEllipticArc(const c_Ellipse& ellipse, double start, double end) {
  if (!(end > start)) end += vorga::kTwoPi;
  c_EllipticArcNURBS arc(ellipse, start, end);
  drawNurbs(arc);
}

void GL_Renderer::clearSilhouettes() {
  for (SilhouetteRecord& r : silhouettes_) delete r.curve;
  silhouettes_.clear();
}

void GL_Renderer::computeSilhouettes(const acis_Face* face) {
  clearSilhouettes();
  cone_ = nullptr;
  const c_Surface* g = face->surface ? face->surface->geometry() : nullptr;
  if (!g || capacity_ == 0) return;
  const char* name = g->name();
  if (isConeName(name)) cone_ = static_cast<const c_FramedQuadric*>(g);
  std::vector<c_Curve*> curves(size_t(capacity_), nullptr);
  int32_t n = 0;
  if (isRuledName(name) && params_.extraSilhouetteCount > 0)
    n = std::clamp(g->rulings(params_.extraSilhouetteCount, curves.data()), 0,
                   params_.extraSilhouetteCount);
  if (params_.silhouettes) n += std::clamp(g->silhouettes(view_, curves.data() + n), 0, 2);
  for (int32_t i = 0; i < n; ++i) {
    if (!curves[size_t(i)]) continue;
    SilhouetteRecord r;
    r.curve = curves[size_t(i)];
    r.closed = r.curve->isClosed();
    silhouettes_.push_back(std::move(r));
  }
}

void GL_Renderer::addPartitionPoint(SilhouetteRecord& record, const c_Point& point,
                                    const acis_Coedge* coedge) {
  double t = record.curve->parameterOf(point);
  const double near = vorgaTolerances().angular;
  for (const PartitionNode& n : record.nodes)
    if (std::fabs(n.t1 - t) <= near) return;
  auto at = std::find_if(record.nodes.begin(), record.nodes.end(),
                         [t](const PartitionNode& n) { return !(n.t1 < t); });
  record.nodes.insert(at, PartitionNode{1, point, point, t, t, coedge});
  transition_ = true;
}

void GL_Renderer::insertOverlap(SilhouetteRecord& record, const c_Point& a, const c_Point& b,
                                const acis_Coedge* coedge) {
  double ta = record.curve->parameterOf(a), tb = record.curve->parameterOf(b);
  PartitionNode node{2, a, b, ta, tb, coedge};
  if (tb < ta) node = PartitionNode{2, b, a, tb, ta, coedge};
  const double near = vorgaTolerances().angular;
  record.nodes.erase(std::remove_if(record.nodes.begin(), record.nodes.end(),
                                    [&](const PartitionNode& n) {
                                      return std::fabs(n.t1 - node.t1) <= near ||
                                             std::fabs(n.t1 - node.t2) <= near;
                                    }),
                     record.nodes.end());
  auto at = std::find_if(record.nodes.begin(), record.nodes.end(),
                         [&](const PartitionNode& n) { return !(n.t1 < node.t1); });
  record.nodes.insert(at, node);
  transition_ = true;
}

void GL_Renderer::transitionPoints(const acis_Coedge* coedge, const c_Surface* other) {
  const acis_Edge* edge = coedge->edge;
  if (!edge) return;
  c_Plane plane;
  bool spans = false;
  if (!other && !(coedge->partner && coedge->partner->face())) spans = coedge->curvePlane(plane);
  const c_Surface* target = other ? other : spans ? &plane : nullptr;
  bool alone = coedge->next == coedge;
  for (SilhouetteRecord& record : silhouettes_) {
    if (!target) {
      if (edge->curve && is(edge->curve->typeName(), "intcurve") &&
          is(record.curve->name(), "c_Line"))
        sampleIntcurve(coedge, record);
      continue;
    }
    IntersectionResult result(*record.curve, *target);
    for (int i = 0; i < result.count(); ++i) {
      IntersectionItem item = result.item(i);
      int kind = IntersectionResult::kind(item);
      if (kind == kItemPoint) {
        c_Point p;
        IntersectionResult::point(item, p);
        int32_t where = coedge->classifyPoint(p);
        if (where == 0 || where == 2 || (where == 1 && alone)) addPartitionPoint(record, p, coedge);
      } else if (kind == kItemCoincide) {
        const c_Curve* g = edge->curve ? edge->curve->geometry() : nullptr;
        const c_Point* a = edge->start ? edge->start->pointRecord() : nullptr;
        const c_Point* b = edge->end ? edge->end->pointRecord() : nullptr;
        if (g && a && b && g->isSameAs(*record.curve)) insertOverlap(record, *a, *b, coedge);
      }
    }
  }
}

void GL_Renderer::sampleIntcurve(const acis_Coedge* coedge, SilhouetteRecord& record) {
  const auto* ic = static_cast<const acis_Intcurve*>(coedge->edge->curve);
  const auto& line = static_cast<const c_Line&>(*record.curve);
  const double threshold = 0.005 * boxRadius();
  double t0 = 0, t1 = 0;
  int32_t answer = ic->drawingRange(coedge->edge->start, coedge->edge->end, t0, t1);
  if (answer == acis_Intcurve::kNothing) return;
  std::vector<c_Point> samples;
  if (answer == acis_Intcurve::kPointList) {
    ic->startPointList();
    c_Point p;
    while (ic->nextPoint(p)) samples.push_back(p);
  } else {
    double lo = std::min(t0, t1), hi = std::max(t0, t1);
    for (int32_t i = 0; i < kRangeSamples; ++i) {
      c_Point p;
      if (ic->pointAtParameter(lo + (hi - lo) * i / (kRangeSamples - 1), p)) samples.push_back(p);
    }
  }
  int taken = 0;
  c_Point last;
  for (const c_Point& s : samples) {
    c_Point foot = line.pointAt(line.parameterOf(s));
    if (s.distanceTo(foot) >= threshold) continue;
    if (taken > 0 && foot.distanceTo(last) <= 5 * threshold) continue;
    addPartitionPoint(record, foot, coedge);
    last = foot;
    if (++taken >= 10) break;
  }
}

// Whether the silhouette, running towards larger parameters, enters the face at the node: its
// tangent points to the side where the material of the node's coedge lies.
bool GL_Renderer::entering(const acis_Face* face, const SilhouetteRecord& record,
                           const PartitionNode& node) const {
  if (node.coedge) {
    c_Point p = node.kind == 2 ? node.second : node.first;
    c_Vector run = -node.coedge->tangentAt(p);
    c_Vector inward = c_Vector::cross(face->normalAt(p), run);
    if (inward.normalize() > vorgaTolerances().zero) {
      c_Vector t = curveTangent(*record.curve, node.kind == 2 ? node.t2 : node.t1);
      double d = c_Vector::dot(t, inward);
      if (d != 0) return d > 0;
    }
  }
  // No usable coedge (the apex of a cone): whether the stretch after the node lies in the face.
  auto it = std::find_if(record.nodes.begin(), record.nodes.end(),
                         [&](const PartitionNode& n) { return n.t1 > node.t2; });
  double next = it != record.nodes.end() ? it->t1 : node.t2 + 1.0;
  c_Point mid = record.curve->pointAt((node.t2 + next) / 2);
  return face->classifyPoint(mid, linkBound_) == 2;
}

void GL_Renderer::drawSilhouettePieces(const acis_Face* face) {
  if (silhouettes_.empty()) return;
  bool closed = silhouettes_.front().closed;
  bool run = !closed && transition_;
  if (!closed && !transition_) {
    transition_ = false;
    return;
  }
  if (run) begin(1);
  for (SilhouetteRecord& record : silhouettes_) {
    std::vector<PartitionNode>& nodes = record.nodes;
    if (record.closed) {
      if (nodes.size() == 1 && nodes.front().kind == 2) continue;
      if (nodes.size() <= 1) {
        bool outside = false;
        for (int k = 0; k < 3 && !outside; ++k)
          outside = face->classifyPoint(record.curve->pointAt(k * vorga::kTwoPi / 3),
                                        linkBound_) == 3;
        if (!outside) drawEllipticArc(asEllipse(*record.curve), 0, vorga::kTwoPi);
        continue;
      }
    } else if (nodes.empty()) {
      continue;
    }
    // A ruling from a cone's apex crosses the face's boundary once: the apex closes it.
    if (cone_ && !record.closed && nodes.size() % 2 == 1)
      addPartitionPoint(record, cone_->origin(), nullptr);
    if (!entering(face, record, nodes.front()))
      std::rotate(nodes.begin(), nodes.begin() + 1, nodes.end());
    // A last node without a partner is dropped.
    size_t pairs = nodes.size() / 2;
    for (size_t i = 0; i < pairs; ++i) {
      const PartitionNode& in = nodes[2 * i];
      const PartitionNode& out = nodes[2 * i + 1];
      if (record.closed) {
        drawEllipticArc(asEllipse(*record.curve), in.t2, out.t1);
      } else {
        addToBox(in.second);
        addToBox(out.first);
        vertex(in.second);
        vertex(out.first);
      }
    }
    nodes.clear();
  }
  if (run) end();
  transition_ = false;
}
