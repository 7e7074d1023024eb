// The topology records of the SAT reader.
#include "sat/AcisTopology.h"

#include <cstring>

#include "sat/SatParser.h"
#include "sat/Tolerance.h"

namespace {

bool is(const char* a, const char* b) { return a && std::strcmp(a, b) == 0; }

template <class T>
void link(T*& field, acis_Entity* target) {
  field = dynamic_cast<T*>(target);
}

// A flag word: the first name or digit gives 0, the second 1, anything else `other`. Files of
// every version are met with either form (version 106 writes digits where the words belong,
// version 400 words where digits belong), so each flag takes both.
int32_t flagWord(satParser& parser, const char* zero, const char* one, int32_t other) {
  char* word = nullptr;
  parser.readWord(word);
  if (is(word, zero) || is(word, "0")) return 0;
  if (is(word, one) || is(word, "1")) return 1;
  return other;
}

}  // namespace

acis_Body::acis_Body(satParser& parser) : acis_Entity(parser) {
  readPointerFields(parser, 200, 3);
}

void acis_Body::setPointerField(int32_t code, acis_Entity* target) {
  switch (code) {
    case 200: link(lump, target); break;
    case 201: link(wire, target); break;
    case 202: link(transform, target); break;
    default: acis_Entity::setPointerField(code, target);
  }
}

acis_Lump::acis_Lump(satParser& parser) : acis_Entity(parser) {
  readPointerFields(parser, 300, 3);
}

void acis_Lump::setPointerField(int32_t code, acis_Entity* target) {
  switch (code) {
    case 300: link(next, target); break;
    case 301: link(shell, target); break;
    case 302: link(body, target); break;
    default: acis_Entity::setPointerField(code, target);
  }
}

acis_Shell::acis_Shell(satParser& parser) : acis_Entity(parser) {
  readPointerFields(parser, 400, 3);
  if (parser.version() < 107) {
    readPointerFields(parser, 404, 1);
  } else {
    readPointerFields(parser, 403, 2);
  }
}

void acis_Shell::setPointerField(int32_t code, acis_Entity* target) {
  switch (code) {
    case 400: link(next, target); break;
    case 401: link(subshell, target); break;
    case 402: link(face, target); break;
    case 403: link(wire, target); break;
    case 404: link(lump, target); break;
    default: acis_Entity::setPointerField(code, target);
  }
}

acis_Subshell::acis_Subshell(satParser& parser) : acis_Entity(parser) {
  readPointerFields(parser, 500, 5);
}

void acis_Subshell::setPointerField(int32_t code, acis_Entity* target) {
  switch (code) {
    case 500: link(parent, target); break;
    case 501: link(next, target); break;
    case 502: link(child, target); break;
    case 503: link(face, target); break;
    case 504: break;
    default: acis_Entity::setPointerField(code, target);
  }
}

acis_Face::acis_Face(satParser& parser) : acis_Entity(parser) {
  readPointerFields(parser, 600, 5);
  if (parser.version() < 105) {
    int32_t value = -1;
    parser.readInt(value);
    sense = value == 0 ? 0 : value == 1 ? 1 : 3;
    sidedness = 0;
    containment = 2;
    return;
  }
  sense = flagWord(parser, "forward", "reversed", 3);
  sidedness = flagWord(parser, "single", "double", 3);
  if (sidedness != 1) {
    containment = 2;
    return;
  }
  containment = flagWord(parser, "out", "in", 4);
}

void acis_Face::setPointerField(int32_t code, acis_Entity* target) {
  switch (code) {
    case 600: link(next, target); break;
    case 601: link(loop, target); break;
    case 602: link(shell, target); break;
    case 603: link(subshell, target); break;
    case 604: link(surface, target); break;
    default: acis_Entity::setPointerField(code, target);
  }
}

c_Vector acis_Face::normalAt(const c_Point& p) const {
  if (!surface) return c_Vector();
  c_Vector n = surface->normalAt(p);
  return sense == 1 ? -n : n;
}

int32_t acis_Face::classifyPoint(const c_Point& p, int32_t steps) const {
  if (!loop) return 2;
  // A closed one-edge loop on a curved face: the side of the plane of its curve that the face
  // lies on.
  acis_Coedge* first = loop->coedge;
  if (!loop->next && first && first->next == first) {
    const c_Surface* g = surface ? surface->geometry() : nullptr;
    c_Plane plane;
    bool flat = g && std::strcmp(g->name(), "c_Plane") == 0;
    if (!flat && first->curvePlane(plane) && first->edge) {
      double d = c_Vector::dot(p - plane.point(), plane.normal());
      bool reversed = (first->sense == 1) != (first->edge->sense == 1);
      if ((reversed ? -d : d) > 0) return 2;
    }
  }
  // Otherwise the material lies on the left of every coedge, seen against the face normal: a
  // point on the right of the tangent plane through one coedge's start is outside.
  const double tolerance = c_Point::getTolerance();
  bool tested = false;
  int32_t budget = steps;
  for (const acis_Loop* l = loop; l && budget > 0; l = l->next, --budget) {
    const acis_Coedge* c = l->coedge;
    for (int32_t walk = 0; c && walk < steps; ++walk) {
      if (!c->edge || !c->edge->start) return 3;
      c_Point s = c->edge->start->getPoint();
      c_Vector inward = c_Vector::cross(c->tangentAt(s), normalAt(s));
      if (inward.normalize() > vorgaTolerances().zero) {
        tested = true;
        if (c_Vector::dot(p - s, inward) < -tolerance) return 3;
      } else {
        tested = true;
      }
      c = c->next;
      if (c == l->coedge) break;
    }
  }
  return tested ? 2 : 3;
}

acis_Loop::acis_Loop(satParser& parser) : acis_Entity(parser) {
  readPointerFields(parser, 700, 3);
}

void acis_Loop::setPointerField(int32_t code, acis_Entity* target) {
  switch (code) {
    case 700: link(next, target); break;
    case 701: link(coedge, target); break;
    case 702: link(face, target); break;
    default: acis_Entity::setPointerField(code, target);
  }
}

acis_Coedge::acis_Coedge(satParser& parser) : acis_Entity(parser) {
  readPointerFields(parser, 800, 4);
  sense = flagWord(parser, "forward", "reversed", -1);
  readPointerFields(parser, 804, 2);
}

void acis_Coedge::setPointerField(int32_t code, acis_Entity* target) {
  switch (code) {
    case 800: link(next, target); break;
    case 801: link(previous, target); break;
    case 802: link(partner, target); break;
    case 803: link(edge, target); break;
    case 804: owner = target; break;
    case 805: pcurve = target; break;
    default: acis_Entity::setPointerField(code, target);
  }
}

bool acis_Coedge::curvePlane(c_Plane& plane) const { return edge && edge->curvePlane(plane); }

int32_t acis_Coedge::classifyPoint(const c_Point& p) const {
  return edge ? edge->classifyPoint(p) : 3;
}

c_Vector acis_Coedge::tangentAt(const c_Point& p) const {
  if (!edge || !edge->curve) return c_Vector();
  c_Vector t = edge->curve->tangentAt(p);
  // The coedge runs along its curve when both senses agree; the tangent answered is against
  // that run.
  bool alongCurve = (sense == 1) == (edge->sense == 1);
  return alongCurve ? -t : t;
}

acis_Face* acis_Coedge::face() const {
  auto* loop = dynamic_cast<acis_Loop*>(owner);
  return loop ? loop->face : nullptr;
}

acis_Edge::acis_Edge(satParser& parser) : acis_Entity(parser) {
  if (parser.version() < 500) {
    readPointerFields(parser, 900, 4);
  } else {
    double ignored = 0;
    readPointerFields(parser, 900, 1);
    parser.readDouble(ignored);
    readPointerFields(parser, 901, 1);
    parser.readDouble(ignored);
    readPointerFields(parser, 902, 2);
  }
  sense = flagWord(parser, "forward", "reversed", 3);
  if (parser.version() >= 500) {
    char* convexity = nullptr;
    parser.readCountedString(convexity);
  }
}

void acis_Edge::setPointerField(int32_t code, acis_Entity* target) {
  switch (code) {
    case 900: link(start, target); break;
    case 901: link(end, target); break;
    case 902: link(coedge, target); break;
    case 903: link(curve, target); break;
    default: acis_Entity::setPointerField(code, target);
  }
}

bool acis_Edge::curvePlane(c_Plane& plane) const { return curve && curve->supportingPlane(plane); }

int32_t acis_Edge::classifyPoint(const c_Point& p) const {
  if (start && start->point && start->getPoint().equals(p)) return 0;
  if (end && end->point && end->getPoint().equals(p)) return 1;
  if (curve && curve->isOnCurve(p)) {
    if (!start || !end || start == end || !start->point || !end->point) return 2;
    double t = curve->parameterOf(p);
    double t0 = curve->parameterOf(start->getPoint());
    double t1 = curve->parameterOf(end->getPoint());
    if (curve->isParameterInRange(t, t0, t1, sense != 1)) return 2;
  }
  return 3;
}

acis_Vertex::acis_Vertex(satParser& parser) : acis_Entity(parser) {
  readPointerFields(parser, 1000, 2);
}

void acis_Vertex::setPointerField(int32_t code, acis_Entity* target) {
  switch (code) {
    case 1000: link(edge, target); break;
    case 1001: link(point, target); break;
    default: acis_Entity::setPointerField(code, target);
  }
}

c_Point acis_Vertex::getPoint() const { return point ? point->point() : c_Point(); }

acis_Wire::acis_Wire(satParser& parser) : acis_Entity(parser) {
  readPointerFields(parser, 1100, 3);
  if (parser.version() < 107) {
    side = 1;
    return;
  }
  readPointerFields(parser, 1103, 1);
  char* word = nullptr;
  parser.readWord(word);
  side = is(word, "out") ? 1 : 2;
}

void acis_Wire::setPointerField(int32_t code, acis_Entity* target) {
  switch (code) {
    case 1100: link(next, target); break;
    case 1101: link(coedge, target); break;
    case 1102: link(body, target); break;
    case 1103: shell = target; break;
    default: acis_Entity::setPointerField(code, target);
  }
}

acis_Entity* makeTopologyRecord(satParser& parser, const char* name) {
  if (is(name, "body")) return new acis_Body(parser);
  if (is(name, "lump")) return new acis_Lump(parser);
  if (is(name, "shell")) return new acis_Shell(parser);
  if (is(name, "subshell")) return new acis_Subshell(parser);
  if (is(name, "face")) return new acis_Face(parser);
  if (is(name, "loop")) return new acis_Loop(parser);
  if (is(name, "coedge")) return new acis_Coedge(parser);
  if (is(name, "edge")) return new acis_Edge(parser);
  if (is(name, "vertex")) return new acis_Vertex(parser);
  if (is(name, "wire")) return new acis_Wire(parser);
  return nullptr;
}
