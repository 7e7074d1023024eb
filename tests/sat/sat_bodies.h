// Test-only builder of SAT texts: vertices, straight and circular edges and faces given by their
// loops of edges; coedges, partners and record numbers are worked out here. Also the golden
// bodies the SAT tests draw and a recording output block.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "sat/RenderOutput.h"

namespace sat_test {

struct P3 {
  double x, y, z;
};

inline std::string num(double v) {
  std::ostringstream s;
  s.precision(17);
  s << v;
  return s.str();
}
inline std::string pt(const P3& p) { return num(p.x) + " " + num(p.y) + " " + num(p.z); }

class SatBuilder {
 public:
  // A coedge of a loop: the edge and whether it runs against the edge.
  using Use = std::pair<int, bool>;

  int vertex(P3 p) {
    points_.push_back(p);
    return int(points_.size()) - 1;
  }
  int line(int v0, int v1) {
    P3 a = points_[size_t(v0)], b = points_[size_t(v1)];
    P3 d{b.x - a.x, b.y - a.y, b.z - a.z};
    double l = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    edges_.push_back({v0, v1, "straight-curve $-1 " + pt(a) + " " + num(d.x / l) + " " +
                                  num(d.y / l) + " " + num(d.z / l) + " I I"});
    return int(edges_.size()) - 1;
  }
  // A whole circle about the normal, starting and ending at the vertex.
  int circle(P3 centre, P3 normal, int v) {
    P3 p = points_[size_t(v)];
    P3 major{p.x - centre.x, p.y - centre.y, p.z - centre.z};
    edges_.push_back({v, v, "ellipse-curve $-1 " + pt(centre) + " " + pt(normal) + " " +
                                pt(major) + " 1 I I"});
    return int(edges_.size()) - 1;
  }
  // An arc of the circle from v0 to v1, counter-clockwise about the normal.
  int arc(P3 centre, P3 normal, P3 major, int v0, int v1) {
    edges_.push_back({v0, v1, "ellipse-curve $-1 " + pt(centre) + " " + pt(normal) + " " +
                                  pt(major) + " 1 I I"});
    return int(edges_.size()) - 1;
  }
  int face(const std::string& surface, bool reversed, std::vector<std::vector<Use>> loops) {
    faces_.push_back({surface, reversed, std::move(loops)});
    return int(faces_.size()) - 1;
  }
  // The text of the body at version 400 (words for senses) or 106 (digits, no header strings).
  std::string text(int version = 400) const;

 private:
  struct Edge {
    int v0, v1;
    std::string curve;
  };
  struct Face {
    std::string surface;
    bool reversed;
    std::vector<std::vector<Use>> loops;
  };
  std::vector<P3> points_;
  std::vector<Edge> edges_;
  std::vector<Face> faces_;
};

inline std::string SatBuilder::text(int version) const {
  const bool words = version >= 200;
  auto ref = [](int i) { return i < 0 ? std::string("$-1") : "$" + std::to_string(i); };
  auto sense = [&](bool reversed) {
    return words ? std::string(reversed ? "reversed" : "forward") : std::string(reversed ? "1" : "0");
  };
  // Numbering: body, lump, shell; per face its face, loops and surface; the coedges; per edge
  // its edge and curve; per vertex its vertex and point.
  int next = 3;
  std::vector<int> faceAt, surfaceAt;
  std::vector<std::vector<int>> loopAt;
  for (const Face& f : faces_) {
    faceAt.push_back(next++);
    loopAt.emplace_back();
    for (size_t l = 0; l < f.loops.size(); ++l) loopAt.back().push_back(next++);
    surfaceAt.push_back(next++);
  }
  struct Co {
    int face, loop, index, edge;
    bool reversed;
  };
  std::vector<Co> co;
  std::vector<std::vector<std::vector<int>>> coAt(faces_.size());
  int firstCoedge = next;
  for (size_t f = 0; f < faces_.size(); ++f) {
    coAt[f].resize(faces_[f].loops.size());
    for (size_t l = 0; l < faces_[f].loops.size(); ++l)
      for (size_t i = 0; i < faces_[f].loops[l].size(); ++i) {
        coAt[f][l].push_back(next++);
        co.push_back({int(f), int(l), int(i), faces_[f].loops[l][i].first,
                      faces_[f].loops[l][i].second});
      }
  }
  std::vector<int> edgeAt, curveAt, firstUse(edges_.size(), -1);
  for (size_t e = 0; e < edges_.size(); ++e) {
    edgeAt.push_back(next++);
    curveAt.push_back(next++);
  }
  std::vector<int> vertexAt, pointAt, vertexEdge(points_.size(), -1);
  for (size_t v = 0; v < points_.size(); ++v) {
    vertexAt.push_back(next++);
    pointAt.push_back(next++);
  }
  for (size_t c = 0; c < co.size(); ++c)
    if (firstUse[size_t(co[c].edge)] < 0) firstUse[size_t(co[c].edge)] = firstCoedge + int(c);
  for (size_t e = 0; e < edges_.size(); ++e) {
    if (vertexEdge[size_t(edges_[e].v0)] < 0) vertexEdge[size_t(edges_[e].v0)] = int(e);
    if (vertexEdge[size_t(edges_[e].v1)] < 0) vertexEdge[size_t(edges_[e].v1)] = int(e);
  }

  std::vector<std::string> rec(static_cast<size_t>(next));
  rec[0] = "body $-1 $1 $-1 $-1";
  rec[1] = "lump $-1 $-1 $2 $0";
  rec[2] = std::string("shell $-1 $-1 $-1 ") + ref(faces_.empty() ? -1 : faceAt[0]) +
           (version >= 107 ? " $-1" : "") + " $1";
  for (size_t f = 0; f < faces_.size(); ++f) {
    std::string tail = words ? " " + sense(faces_[f].reversed) + " single"
                             : " " + sense(faces_[f].reversed) + " 0";
    rec[size_t(faceAt[f])] = "face $-1 " + ref(f + 1 < faces_.size() ? faceAt[f + 1] : -1) + " " +
                             ref(loopAt[f].empty() ? -1 : loopAt[f][0]) + " $2 $-1 " +
                             ref(surfaceAt[f]) + tail;
    for (size_t l = 0; l < loopAt[f].size(); ++l)
      rec[size_t(loopAt[f][l])] = "loop $-1 " +
                                  ref(l + 1 < loopAt[f].size() ? loopAt[f][l + 1] : -1) + " " +
                                  ref(coAt[f][l].empty() ? -1 : coAt[f][l][0]) + " " +
                                  ref(faceAt[f]);
    std::string s = faces_[f].surface;
    if (version < 106) {
      // Before 106 a surface has no intervals: drop the trailing "I I I I".
      auto cut = s.rfind(" I I I I");
      if (cut != std::string::npos) s = s.substr(0, cut);
    }
    rec[size_t(surfaceAt[f])] = s;
  }
  for (size_t c = 0; c < co.size(); ++c) {
    const Co& me = co[c];
    const auto& ring = coAt[size_t(me.face)][size_t(me.loop)];
    int n = int(ring.size());
    int partner = -1;
    for (size_t o = 0; o < co.size(); ++o)
      if (o != c && co[o].edge == me.edge) partner = firstCoedge + int(o);
    rec[size_t(firstCoedge) + c] =
        "coedge $-1 " + ref(ring[size_t((me.index + 1) % n)]) + " " +
        ref(ring[size_t((me.index + n - 1) % n)]) + " " + ref(partner) + " " +
        ref(edgeAt[size_t(me.edge)]) + " " + sense(me.reversed) + " " +
        ref(loopAt[size_t(me.face)][size_t(me.loop)]) + " $-1";
  }
  for (size_t e = 0; e < edges_.size(); ++e) {
    rec[size_t(edgeAt[e])] = "edge $-1 " + ref(vertexAt[size_t(edges_[e].v0)]) + " " +
                             ref(vertexAt[size_t(edges_[e].v1)]) + " " + ref(firstUse[e]) + " " +
                             ref(curveAt[e]) + " " + sense(false);
    std::string c = edges_[e].curve;
    if (version < 106) c = c.substr(0, c.size() - 4);
    rec[size_t(curveAt[e])] = c;
  }
  for (size_t v = 0; v < points_.size(); ++v) {
    rec[size_t(vertexAt[v])] = "vertex $-1 " + ref(edgeAt[size_t(std::max(0, vertexEdge[v]))]) +
                               " " + ref(pointAt[v]);
    rec[size_t(pointAt[v])] = "point $-1 " + pt(points_[v]);
  }
  std::string out = std::to_string(version) + " " + std::to_string(next) + " 1 0\n";
  if (version >= 200)
    out += "13 Vellview test 8 ACIS 4.0 24 Thu Jan 01 00:00:00 2026\n1 9.9999999999999995e-007 1e-010\n";
  for (const std::string& r : rec) out += r + " #\n";
  out += "End-of-ACIS-data\n";
  return out;
}

// ---- golden bodies ----

inline std::string cylinderSurface(P3 centre, double r) {
  return "cone-surface $-1 " + pt(centre) + " 0 0 1 " + num(r) + " 0 0 1 I I 0 1 1 forward I I I I";
}


// An axis-parallel box from (0, 0, 0) to (a, b, c); with hole > 0 round holes of that radius
// run through it along z, on a grid of nx by ny cells (one hole in the middle by default).
inline SatBuilder box(double a, double b, double c, double hole = 0, int nx = 1, int ny = 1) {
  SatBuilder s;
  int v[8];
  for (int i = 0; i < 8; ++i) v[i] = s.vertex({(i & 1) ? a : 0, (i & 2) ? b : 0, (i & 4) ? c : 0});
  // Edges along x, y and z.
  int ex[4] = {s.line(v[0], v[1]), s.line(v[2], v[3]), s.line(v[4], v[5]), s.line(v[6], v[7])};
  int ey[4] = {s.line(v[0], v[2]), s.line(v[1], v[3]), s.line(v[4], v[6]), s.line(v[5], v[7])};
  int ez[4] = {s.line(v[0], v[4]), s.line(v[1], v[5]), s.line(v[2], v[6]), s.line(v[3], v[7])};
  auto plane = [&](P3 root, P3 n) {
    return "plane-surface $-1 " + pt(root) + " " + pt(n) + " 1 0 0 forward_v I I I I";
  };
  // Each loop runs counter-clockwise seen from outside.
  std::vector<std::vector<SatBuilder::Use>> bottom = {
      {{ey[0], false}, {ex[1], false}, {ey[1], true}, {ex[0], true}}};
  std::vector<std::vector<SatBuilder::Use>> top = {
      {{ex[2], false}, {ey[3], false}, {ex[3], true}, {ey[2], true}}};
  for (int i = 0; hole > 0 && i < nx; ++i)
    for (int j = 0; j < ny; ++j) {
      P3 m{a * (i + 0.5) / nx, b * (j + 0.5) / ny, 0}, mt{m.x, m.y, c};
      int hb = s.vertex({m.x + hole, m.y, 0}), ht = s.vertex({m.x + hole, m.y, c});
      int cb = s.circle(m, {0, 0, 1}, hb), ct = s.circle(mt, {0, 0, 1}, ht);
      bottom.push_back({{cb, false}});
      top.push_back({{ct, true}});
      // The hole's wall faces the axis: the face runs against its cylinder.
      s.face(cylinderSurface(m, hole), true, {{{ct, false}}, {{cb, true}}});
    }
  s.face(plane({0, 0, 0}, {0, 0, -1}), false, bottom);
  s.face(plane({0, 0, c}, {0, 0, 1}), false, top);
  s.face(plane({0, 0, 0}, {0, -1, 0}), false,
         {{{ex[0], false}, {ez[1], false}, {ex[2], true}, {ez[0], true}}});
  s.face(plane({0, b, 0}, {0, 1, 0}), false,
         {{{ez[2], false}, {ex[3], false}, {ez[3], true}, {ex[1], true}}});
  s.face(plane({0, 0, 0}, {-1, 0, 0}), false,
         {{{ez[0], false}, {ey[2], false}, {ez[2], true}, {ey[0], true}}});
  s.face(plane({a, 0, 0}, {1, 0, 0}), false,
         {{{ey[1], false}, {ez[3], false}, {ey[3], true}, {ez[1], true}}});
  return s;
}

// A cylinder of radius r about the z axis from z = 0 to z = h.
inline SatBuilder cylinder(double r, double h) {
  SatBuilder s;
  int b = s.vertex({r, 0, 0}), t = s.vertex({r, 0, h});
  int bottom = s.circle({0, 0, 0}, {0, 0, 1}, b), top = s.circle({0, 0, h}, {0, 0, 1}, t);
  s.face("plane-surface $-1 0 0 0 0 0 -1 1 0 0 forward_v I I I I", false, {{{bottom, true}}});
  s.face("plane-surface $-1 0 0 " + num(h) + " 0 0 1 1 0 0 forward_v I I I I", false,
         {{{top, false}}});
  s.face(cylinderSurface({0, 0, 0}, r), false, {{{bottom, false}}, {{top, true}}});
  return s;
}

// A cone with its base circle of radius r at z = 0 and its apex at (0, 0, h).
inline SatBuilder cone(double r, double h) {
  SatBuilder s;
  int b = s.vertex({r, 0, 0});
  int base = s.circle({0, 0, 0}, {0, 0, 1}, b);
  double l = std::sqrt(r * r + h * h);
  s.face("plane-surface $-1 0 0 0 0 0 -1 1 0 0 forward_v I I I I", false, {{{base, true}}});
  s.face("cone-surface $-1 0 0 0 0 0 1 " + num(r) + " 0 0 1 I I " + num(-r / l) + " " +
             num(h / l) + " 1 forward I I I I",
         false, {{{base, false}}});
  return s;
}

inline SatBuilder sphere(P3 centre, double r) {
  SatBuilder s;
  s.face("sphere-surface $-1 " + pt(centre) + " " + num(r) + " 1 0 0 0 0 1 forward_v I I I I",
         false, {});
  return s;
}

inline SatBuilder torus(double major, double minor) {
  SatBuilder s;
  s.face("torus-surface $-1 0 0 0 0 0 1 " + num(major) + " " + num(minor) +
             " 1 0 0 forward_v I I I I",
         false, {});
  return s;
}

inline SatBuilder plateWithHole(double a, double c, double r) { return box(a, a, c, r); }

// ---- recording output ----

struct Polyline {
  int32_t mode;
  std::vector<P3> points;
};

struct Recording {
  std::vector<Polyline> lines;
  bool open = false;
  int nested = 0;
  const char* text = nullptr;
  size_t size = 0, at = 0;
  int32_t chunk = 512;  // bytes per read call

  int count(int32_t mode) const {
    int n = 0;
    for (const Polyline& l : lines) n += l.mode == mode;
    return n;
  }
  size_t segments() const {  // two-point segments of every mode-1 polyline
    size_t n = 0;
    for (const Polyline& l : lines)
      if (l.mode == 1) n += l.points.size() / 2;
    return n;
  }
};

inline int32_t recRead(char* buffer, int32_t size, void* ctx) {
  auto* r = static_cast<Recording*>(ctx);
  size_t n = std::min<size_t>({size_t(size), size_t(r->chunk), r->size - r->at});
  std::memcpy(buffer, r->text + r->at, n);
  r->at += n;
  return int32_t(n);
}
inline void recBegin(int32_t mode, void* ctx) {
  auto* r = static_cast<Recording*>(ctx);
  if (r->open) ++r->nested;
  r->open = true;
  r->lines.push_back({mode, {}});
}
inline void recEnd(void* ctx) { static_cast<Recording*>(ctx)->open = false; }
inline void recVertex(double x, double y, double z, void* ctx) {
  auto* r = static_cast<Recording*>(ctx);
  if (r->lines.empty()) r->lines.push_back({0, {}});
  r->lines.back().points.push_back({x, y, z});
}

inline RenderOutput recordingOutput(Recording& r, const std::string& text) {
  r.text = text.data();
  r.size = text.size();
  r.at = 0;
  RenderOutput out{};
  out.read = recRead;
  out.begin = recBegin;
  out.end = recEnd;
  out.vertex = recVertex;
  out.ctx = &r;
  out.pointsPerSpan = 8;
  out.extraSilhouetteCount = 4;
  return out;
}

}  // namespace sat_test
