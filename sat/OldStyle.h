// The old-style intersection kernel: simple curves and surfaces as typed records of plain doubles
// (old-style entities), their per-kind record pools, the fixed-size result list, and the two
// dispatch tables that hand a pair of entities to the matching pairwise routine
// (OldStyleIntersect.h). The curve and surface classes make an entity of themselves for one
// intersection query and release it afterwards.
//
// Results of the dispatch and of every pairwise routine: 0 the routine ran to its end and the
// list holds its result, which may be empty (an empty result means the curve lies in the plane
// or on the surface, or coincides with the other curve); 1 nothing found or a pair not handled;
// negative numbers for degenerate configurations (see OldStyleIntersect.h).
//
// Not for: NURBS, tori, or anything that needs more than 8 results.
#ifndef SAT_OLDSTYLE_H
#define SAT_OLDSTYLE_H

#include <cstdint>

enum OldStyleKind : int32_t {
  kOsPoint = 6,  // result records only
  kOsLine = 100,
  kOsCircle = 101,
  kOsEllipse = 102,
  kOsParabola = 103,   // section curves only; no class builds one
  kOsHyperbola = 104,  // section curves only; no class builds one
  kOsPlane = 500,
  kOsCylinder = 501,
  kOsSphere = 502,
  kOsCone = 503,
};

struct OldStyleEntity;

// The two header words of every pooled record: free is 1 while the record lies on its free
// list; link is the owning entity while in use and the next free record while listed.
struct OsHeader {
  uint32_t free;
  void* link;
};

struct OsLine {
  OsHeader h;
  double point[3];
  double direction[3];  // unit
};
struct OsCircle {
  OsHeader h;
  double centre[3], u[3], v[3], w[3];  // right-handed, w the normal
  double radius;
};
struct OsEllipse {
  OsHeader h;
  double centre[3], u[3], v[3], w[3];  // u along the major axis
  double a, b;
};
struct OsParabola {  // vertex + 2 f t u + f t^2 v
  OsHeader h;
  double vertex[3], u[3], v[3], w[3];  // v along the axis, towards the focus
  double focal;
};
struct OsHyperbola {
  OsHeader h;
  double centre[3], u[3], v[3], w[3];  // u along the transverse axis
  double a, b;
};
struct OsPlane {
  OsHeader h;
  double point[3];
  double normal[3];  // unit
};
struct OsCylinder {
  OsHeader h;
  double origin[3], u[3], v[3], w[3];  // w the axis
  double radius;
};
struct OsSphere {
  OsHeader h;
  double centre[3];
  double radius;
};
struct OsCone {
  OsHeader h;
  double apex[3], u[3], v[3], w[3];  // w the axis
  double halfAngle, tanHalfAngle, cosHalfAngle;
};

struct OldStyleEntity {
  int32_t kind;
  uint32_t owner;  // always 0
  void* record;    // a pooled record of the kind, or a block of 3 doubles for a point
};

// What makeOldStyleEntity fills; entity is null for an object without an old-style form.
struct OldStyleEntityRef {
  uint32_t owner = 0;
  OldStyleEntity* entity = nullptr;
};

enum { kMaxIntersectionRecords = 8 };

struct IntersectionRecord {
  uint32_t kind;      // kOsPoint or a curve kind
  uint32_t reserved;  // always 0
  uint8_t tangent;    // 1 where the intersection touches (a multiple root or a tangency)
  union {
    double point[3];
    OsLine line;
    OsCircle circle;
    OsEllipse ellipse;
    OsParabola parabola;
    OsHyperbola hyperbola;
  } g;
};

struct IntersectionList {
  uint32_t count;
  IntersectionRecord records[kMaxIntersectionRecords];
};

// Entity builders: copy the image (its header words are ignored) into a record of the kind's
// pool and fill ref with a new entity.
void makeOldStyleLine(const OsLine& image, OldStyleEntityRef& ref);
void makeOldStyleCircle(const OsCircle& image, OldStyleEntityRef& ref);
void makeOldStyleEllipse(const OsEllipse& image, OldStyleEntityRef& ref);
void makeOldStylePlane(const OsPlane& image, OldStyleEntityRef& ref);
void makeOldStyleCylinder(const OsCylinder& image, OldStyleEntityRef& ref);
void makeOldStyleSphere(const OsSphere& image, OldStyleEntityRef& ref);
void makeOldStyleCone(const OsCone& image, OldStyleEntityRef& ref);
// A point entity (an unpooled block of three doubles).
void makeOldStylePoint(const double p[3], OldStyleEntityRef& ref);

// Gives the record back to its pool (or frees a point) and frees the entity; null is ignored.
void releaseOldStyleEntity(OldStyleEntity* entity);

// Number of records on a kind's free list (for tests of the pools).
int oldStylePoolSize(int32_t kind);

// Curve with curve; the pair is ordered by kind code first. 1 for a pair without a routine
// (the list is left alone) or a null entity.
int intersectByTypePair(const OldStyleEntity* first, const OldStyleEntity* second,
                        IntersectionList& list);
// Curve (line or circle) first, surface second; no reordering. 1 for any other pair.
int intersectCurveSurfaceByTypePair(const OldStyleEntity* curve, const OldStyleEntity* surface,
                                    IntersectionList& list);

// List operations. The appenders drop a record when the list is full.
void appendPoint(IntersectionList& list, const double p[3], int tangent);
void appendLine(IntersectionList& list, const OsLine& line, int tangent);
void appendCircle(IntersectionList& list, const OsCircle& circle, int tangent);
void appendEllipse(IntersectionList& list, const OsEllipse& ellipse, int tangent);
void appendParabola(IntersectionList& list, const OsParabola& parabola, int tangent);
void appendHyperbola(IntersectionList& list, const OsHyperbola& hyperbola, int tangent);
// Appends the records of from while target holds fewer than 8; the rest are dropped.
void mergeIntersectionLists(IntersectionList& target, const IntersectionList& from);
void copyIntersectionList(IntersectionList& target, const IntersectionList& from);

#endif
