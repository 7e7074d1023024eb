// Old-style entities: records, pools, result lists and the type-pair dispatch.
//
// Each curve and surface kind keeps one process-wide free list of its records; taking a record
// pops the list or allocates, giving one back pushes it. Records are never returned to the heap,
// so after the first few queries an intersection allocates only the small entity nodes. One
// thread only: the pool heads are unlocked.
#include "sat/OldStyle.h"

#include <cstring>

#include "sat/OldStyleIntersect.h"

namespace {

template <typename Record>
struct Pool {
  static Record* head;
  static int size;

  static Record* take() {
    Record* r = head;
    if (r) {
      head = static_cast<Record*>(r->h.link);
      --size;
    } else {
      r = new Record();
    }
    r->h.free = 0;
    r->h.link = nullptr;
    return r;
  }

  // A record already on the list (a second release) is not listed twice.
  static void giveBack(Record* r) {
    if (!r || r->h.free == 1) return;
    r->h.free = 1;
    r->h.link = head;
    head = r;
    ++size;
  }
};
template <typename Record>
Record* Pool<Record>::head = nullptr;
template <typename Record>
int Pool<Record>::size = 0;

template <typename Record>
void build(int32_t kind, const Record& image, OldStyleEntityRef& ref) {
  ref.owner = 0;
  OldStyleEntity* node = new OldStyleEntity{0, 0, nullptr};
  Record* r = Pool<Record>::take();
  *r = image;
  r->h.free = ref.owner;
  r->h.link = node;
  node->record = r;
  node->kind = kind;
  ref.entity = node;
}

template <typename Record>
Record& recordOf(const OldStyleEntity* e) {
  return *static_cast<Record*>(e->record);
}

IntersectionRecord* next(IntersectionList& list, uint32_t kind, int tangent) {
  if (list.count >= kMaxIntersectionRecords) return nullptr;
  IntersectionRecord* r = &list.records[list.count++];
  std::memset(r, 0, sizeof *r);
  r->kind = kind;
  r->tangent = tangent ? 1 : 0;
  return r;
}

}  // namespace

void makeOldStyleLine(const OsLine& image, OldStyleEntityRef& ref) { build(kOsLine, image, ref); }
void makeOldStyleCircle(const OsCircle& image, OldStyleEntityRef& ref) {
  build(kOsCircle, image, ref);
}
void makeOldStyleEllipse(const OsEllipse& image, OldStyleEntityRef& ref) {
  build(kOsEllipse, image, ref);
}
void makeOldStylePlane(const OsPlane& image, OldStyleEntityRef& ref) {
  build(kOsPlane, image, ref);
}
void makeOldStyleCylinder(const OsCylinder& image, OldStyleEntityRef& ref) {
  build(kOsCylinder, image, ref);
}
void makeOldStyleSphere(const OsSphere& image, OldStyleEntityRef& ref) {
  build(kOsSphere, image, ref);
}
void makeOldStyleCone(const OsCone& image, OldStyleEntityRef& ref) { build(kOsCone, image, ref); }

void makeOldStylePoint(const double p[3], OldStyleEntityRef& ref) {
  ref.owner = 0;
  double* block = new double[3]{p[0], p[1], p[2]};
  ref.entity = new OldStyleEntity{kOsPoint, 0, block};
}

void releaseOldStyleEntity(OldStyleEntity* e) {
  if (!e) return;
  switch (e->kind) {
    case kOsPoint: delete[] static_cast<double*>(e->record); break;
    case kOsLine: Pool<OsLine>::giveBack(static_cast<OsLine*>(e->record)); break;
    case kOsCircle: Pool<OsCircle>::giveBack(static_cast<OsCircle*>(e->record)); break;
    case kOsEllipse: Pool<OsEllipse>::giveBack(static_cast<OsEllipse*>(e->record)); break;
    case kOsParabola: Pool<OsParabola>::giveBack(static_cast<OsParabola*>(e->record)); break;
    case kOsHyperbola: Pool<OsHyperbola>::giveBack(static_cast<OsHyperbola*>(e->record)); break;
    case kOsPlane: Pool<OsPlane>::giveBack(static_cast<OsPlane*>(e->record)); break;
    case kOsCylinder: Pool<OsCylinder>::giveBack(static_cast<OsCylinder*>(e->record)); break;
    case kOsSphere: Pool<OsSphere>::giveBack(static_cast<OsSphere*>(e->record)); break;
    case kOsCone: Pool<OsCone>::giveBack(static_cast<OsCone*>(e->record)); break;
    default: break;  // a record of another kind is not ours to free
  }
  delete e;
}

int oldStylePoolSize(int32_t kind) {
  switch (kind) {
    case kOsLine: return Pool<OsLine>::size;
    case kOsCircle: return Pool<OsCircle>::size;
    case kOsEllipse: return Pool<OsEllipse>::size;
    case kOsParabola: return Pool<OsParabola>::size;
    case kOsHyperbola: return Pool<OsHyperbola>::size;
    case kOsPlane: return Pool<OsPlane>::size;
    case kOsCylinder: return Pool<OsCylinder>::size;
    case kOsSphere: return Pool<OsSphere>::size;
    case kOsCone: return Pool<OsCone>::size;
    default: return 0;
  }
}

int intersectByTypePair(const OldStyleEntity* first, const OldStyleEntity* second,
                        IntersectionList& list) {
  if (!first || !second || !first->record || !second->record) return 1;
  if (first->kind > second->kind) {
    const OldStyleEntity* t = first;
    first = second;
    second = t;
  }
  if (first->kind == kOsLine) {
    const OsLine& line = recordOf<OsLine>(first);
    switch (second->kind) {
      case kOsLine: return intersectLineLine(line, recordOf<OsLine>(second), list);
      case kOsCircle: return intersectLineCircle(line, recordOf<OsCircle>(second), list);
      case kOsEllipse: return intersectLineEllipse(line, recordOf<OsEllipse>(second), list);
      case kOsParabola: return intersectLineParabola(line, recordOf<OsParabola>(second), list);
      case kOsHyperbola: return intersectLineHyperbola(line, recordOf<OsHyperbola>(second), list);
      default: return 1;
    }
  }
  if (first->kind == kOsCircle) {
    const OsCircle& circle = recordOf<OsCircle>(first);
    switch (second->kind) {
      case kOsCircle: return intersectCircleCircle(circle, recordOf<OsCircle>(second), list);
      case kOsEllipse: return intersectCircleEllipse(circle, recordOf<OsEllipse>(second), list);
      case kOsParabola: return intersectCircleParabola(circle, recordOf<OsParabola>(second), list);
      case kOsHyperbola:
        return intersectCircleHyperbola(circle, recordOf<OsHyperbola>(second), list);
      default: return 1;
    }
  }
  return 1;
}

int intersectCurveSurfaceByTypePair(const OldStyleEntity* curve, const OldStyleEntity* surface,
                                    IntersectionList& list) {
  if (!curve || !surface || !curve->record || !surface->record) return 1;
  if (curve->kind == kOsLine) {
    const OsLine& line = recordOf<OsLine>(curve);
    switch (surface->kind) {
      case kOsPlane: return intersectLinePlane(line, recordOf<OsPlane>(surface), list);
      case kOsCylinder: return intersectLineCylinder(line, recordOf<OsCylinder>(surface), list);
      case kOsSphere: return intersectLineSphere(line, recordOf<OsSphere>(surface), list);
      case kOsCone: return intersectLineCone(line, recordOf<OsCone>(surface), list);
      default: return 1;
    }
  }
  if (curve->kind == kOsCircle) {
    const OsCircle& circle = recordOf<OsCircle>(curve);
    switch (surface->kind) {
      case kOsPlane: return intersectCirclePlane(circle, recordOf<OsPlane>(surface), list);
      case kOsCylinder: return intersectCircleCylinder(circle, recordOf<OsCylinder>(surface), list);
      case kOsSphere: return intersectCircleSphere(circle, recordOf<OsSphere>(surface), list);
      case kOsCone: return intersectCircleCone(circle, recordOf<OsCone>(surface), list);
      default: return 1;
    }
  }
  return 1;
}

void appendPoint(IntersectionList& list, const double p[3], int tangent) {
  if (IntersectionRecord* r = next(list, kOsPoint, tangent)) std::memcpy(r->g.point, p, 3 * 8);
}

#define SAT_APPEND_CURVE(Name, Type, Kind, Member)                    \
  void Name(IntersectionList& list, const Type& curve, int tangent) { \
    if (IntersectionRecord* r = next(list, Kind, tangent)) {          \
      r->g.Member = curve;                                            \
      r->g.Member.h.free = 0;                                         \
      r->g.Member.h.link = nullptr;                                   \
    }                                                                 \
  }
SAT_APPEND_CURVE(appendLine, OsLine, kOsLine, line)
SAT_APPEND_CURVE(appendCircle, OsCircle, kOsCircle, circle)
SAT_APPEND_CURVE(appendEllipse, OsEllipse, kOsEllipse, ellipse)
SAT_APPEND_CURVE(appendParabola, OsParabola, kOsParabola, parabola)
SAT_APPEND_CURVE(appendHyperbola, OsHyperbola, kOsHyperbola, hyperbola)
#undef SAT_APPEND_CURVE

void mergeIntersectionLists(IntersectionList& target, const IntersectionList& from) {
  uint32_t n = from.count > uint32_t(kMaxIntersectionRecords) ? uint32_t(kMaxIntersectionRecords)
                                                              : from.count;
  for (uint32_t i = 0; i < n && target.count < kMaxIntersectionRecords; ++i)
    target.records[target.count++] = from.records[i];
}

void copyIntersectionList(IntersectionList& target, const IntersectionList& from) {
  uint32_t n = from.count > uint32_t(kMaxIntersectionRecords) ? uint32_t(kMaxIntersectionRecords)
                                                              : from.count;
  target.count = n;
  for (uint32_t i = 0; i < n; ++i) target.records[i] = from.records[i];
}
