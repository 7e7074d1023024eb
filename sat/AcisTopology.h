// The topology records of a SAT text (body, lump, shell, subshell, face, loop, coedge, edge,
// vertex, wire): the links between them, the flags read as words or digits, and the few
// geometric questions the renderer asks of edges, coedges and faces.
//
// Links are set by field code (each class numbers its fields from its own base: body 200, lump
// 300, ...) and hold only a record of the kind the field names; no record owns another.
//
// Not for: curves and surfaces (AcisGeometry.h).
#ifndef SAT_ACISTOPOLOGY_H
#define SAT_ACISTOPOLOGY_H

#include <cstdint>

#include "sat/AcisEntity.h"
#include "sat/AcisGeometry.h"

class acis_Lump;
class acis_Shell;
class acis_Subshell;
class acis_Face;
class acis_Loop;
class acis_Coedge;
class acis_Edge;
class acis_Vertex;
class acis_Wire;

class acis_Body : public acis_Entity {
 public:
  explicit acis_Body(satParser& parser);
  void setPointerField(int32_t code, acis_Entity* target) override;
  const char* typeName() const override { return "body"; }
  acis_Lump* lump = nullptr;
  acis_Wire* wire = nullptr;
  acis_Transform* transform = nullptr;
};

class acis_Lump : public acis_Entity {
 public:
  explicit acis_Lump(satParser& parser);
  void setPointerField(int32_t code, acis_Entity* target) override;
  const char* typeName() const override { return "lump"; }
  acis_Lump* next = nullptr;
  acis_Shell* shell = nullptr;
  acis_Body* body = nullptr;
};

class acis_Shell : public acis_Entity {
 public:
  explicit acis_Shell(satParser& parser);
  void setPointerField(int32_t code, acis_Entity* target) override;
  const char* typeName() const override { return "shell"; }
  acis_Shell* next = nullptr;
  acis_Subshell* subshell = nullptr;
  acis_Face* face = nullptr;
  acis_Wire* wire = nullptr;
  acis_Lump* lump = nullptr;
};

class acis_Subshell : public acis_Entity {
 public:
  explicit acis_Subshell(satParser& parser);
  void setPointerField(int32_t code, acis_Entity* target) override;
  const char* typeName() const override { return "subshell"; }
  acis_Subshell* parent = nullptr;
  acis_Subshell* next = nullptr;
  acis_Subshell* child = nullptr;
  acis_Face* face = nullptr;
};

class acis_Face : public acis_Entity {
 public:
  explicit acis_Face(satParser& parser);
  void setPointerField(int32_t code, acis_Entity* target) override;
  const char* typeName() const override { return "face"; }
  c_Vector normalAt(const c_Point& p) const;
  // 2 when p (a point on the face's surface) lies inside the face, 3 outside. `steps` bounds the
  // walk over the loops' rings.
  int32_t classifyPoint(const c_Point& p, int32_t steps) const;

  acis_Face* next = nullptr;
  acis_Loop* loop = nullptr;
  acis_Shell* shell = nullptr;
  acis_Subshell* subshell = nullptr;
  acis_Surface* surface = nullptr;
  int32_t sense = 2;        // 0 forward, 1 reversed, 3 unrecognised
  int32_t sidedness = 2;    // 0 single, 1 double, 3 unrecognised
  int32_t containment = 3;  // 0 out, 1 in, 2 single-sided, 4 unrecognised
};

class acis_Loop : public acis_Entity {
 public:
  explicit acis_Loop(satParser& parser);
  void setPointerField(int32_t code, acis_Entity* target) override;
  const char* typeName() const override { return "loop"; }
  acis_Loop* next = nullptr;
  acis_Coedge* coedge = nullptr;
  acis_Face* face = nullptr;
};

class acis_Coedge : public acis_Entity {
 public:
  explicit acis_Coedge(satParser& parser);
  void setPointerField(int32_t code, acis_Entity* target) override;
  const char* typeName() const override { return "coedge"; }
  bool curvePlane(c_Plane& plane) const;
  int32_t classifyPoint(const c_Point& p) const;
  // The tangent of the edge's curve at p, negated for a forward coedge: minus the direction in
  // which the coedge runs.
  c_Vector tangentAt(const c_Point& p) const;
  // The face whose loop holds this coedge, or null (a wire's coedge).
  acis_Face* face() const;

  acis_Coedge* next = nullptr;
  acis_Coedge* previous = nullptr;
  acis_Coedge* partner = nullptr;
  acis_Edge* edge = nullptr;
  acis_Entity* owner = nullptr;  // a loop or a wire
  acis_Entity* pcurve = nullptr;
  int32_t sense = -1;  // 0 forward, 1 reversed
};

class acis_Edge : public acis_Entity {
 public:
  explicit acis_Edge(satParser& parser);
  void setPointerField(int32_t code, acis_Entity* target) override;
  const char* typeName() const override { return "edge"; }
  bool curvePlane(c_Plane& plane) const;
  // 0 at the start vertex, 1 at the end vertex, 2 on the edge between them, 3 off the edge.
  int32_t classifyPoint(const c_Point& p) const;

  acis_Vertex* start = nullptr;
  acis_Vertex* end = nullptr;
  acis_Coedge* coedge = nullptr;
  acis_Curve* curve = nullptr;
  int32_t sense = 2;  // 0 forward, 1 reversed, 3 unrecognised
  bool drawn = false;
};

class acis_Vertex : public acis_Entity {
 public:
  explicit acis_Vertex(satParser& parser);
  void setPointerField(int32_t code, acis_Entity* target) override;
  const char* typeName() const override { return "vertex"; }
  c_Point getPoint() const;
  const c_Point* pointRecord() const { return point ? &point->point() : nullptr; }
  acis_Edge* edge = nullptr;
  acis_Point* point = nullptr;
};

class acis_Wire : public acis_Entity {
 public:
  explicit acis_Wire(satParser& parser);
  void setPointerField(int32_t code, acis_Entity* target) override;
  const char* typeName() const override { return "wire"; }
  acis_Wire* next = nullptr;
  acis_Coedge* coedge = nullptr;
  acis_Body* body = nullptr;
  acis_Entity* shell = nullptr;
  int32_t side = 1;  // 1 out, 2 anything else
};

// The topology record for a record name, or null when the name is another's.
acis_Entity* makeTopologyRecord(satParser& parser, const char* name);

#endif
