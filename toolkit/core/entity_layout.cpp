// The group-code rows of the entity kinds, in the order the DXF writers put them out.
#include "toolkit/core/entity_layout.h"

#include "toolkit/core/entity.h"

namespace {

#define PT(c, at)                                                              \
  {int16_t(c), at, TK_GROUP_DOUBLE, 0, 24}, {int16_t((c) + 10), at, TK_GROUP_DOUBLE, 1, 24}, \
      {int16_t((c) + 20), at, TK_GROUP_DOUBLE, 2, 24}
#define PT2(c, at) \
  {int16_t(c), at, TK_GROUP_DOUBLE, 0, 16}, {int16_t((c) + 10), at, TK_GROUP_DOUBLE, 1, 16}
#define DBL(c, at) {int16_t(c), at, TK_GROUP_DOUBLE, 0, 8}
#define ANG(c, at) {int16_t(c), at, TK_GROUP_ANGLE, 0, 8}
#define I16(c, at) {int16_t(c), at, TK_GROUP_INT16, 0, 2}
#define I32(c, at) {int16_t(c), at, TK_GROUP_INT32, 0, 4}
#define BYT(c, at) {int16_t(c), at, TK_GROUP_BYTE, 0, 1}
#define HND(c, at) {int16_t(c), at, TK_GROUP_HANDLE, 0, 8}
#define STR(c, at, size) {int16_t(c), at, TK_GROUP_TEXT, 0, size}
#define TAIL(c, at) {int16_t(c), at, TK_GROUP_TAIL_TEXT, 0, uint16_t(TK_ENTITY_DATA_SIZE - (at))}

const TkGroupDesc kLine[] = {PT(10, 0), PT(11, 24)};
const TkGroupDesc kPoint[] = {PT(10, 0), ANG(50, 24)};
const TkGroupDesc kCircle[] = {PT(10, 0), DBL(40, 24)};
const TkGroupDesc kShape[] = {PT(10, 0), DBL(40, 24), DBL(41, 48), ANG(50, 40), ANG(51, 56)};
const TkGroupDesc kEllipse[] = {PT(10, 0), PT(11, 24), DBL(40, 48), DBL(41, 56), DBL(42, 64)};
const TkGroupDesc kSpline[] = {PT(12, 40), PT(13, 64), DBL(42, 16), DBL(43, 24), DBL(44, 32),
                               I16(70, 2), I16(71, 0), I16(72, 4),  I16(73, 6),  I16(74, 8)};
const TkGroupDesc kText[] = {TAIL(1, TK_TEXT_STRING), PT(10, 0), PT2(11, 64), DBL(40, 24),
                             DBL(41, 40), ANG(50, 32), ANG(51, 48), BYT(71, 56), BYT(72, 57),
                             BYT(73, 58)};
const TkGroupDesc kArc[] = {PT(10, 0), DBL(40, 24), ANG(50, 32), ANG(51, 40)};
const TkGroupDesc kFourPoints[] = {PT(10, 0), PT(11, 24), PT(12, 48), PT(13, 72)};
const TkGroupDesc kBlock[] = {STR(1, 536, 512), STR(2, 24, 512), STR(3, 24, 512), PT(10, 0)};
const TkGroupDesc kInsert[] = {PT(10, 8),   DBL(41, 32), DBL(42, 40), DBL(43, 48),
                               DBL(44, 72), DBL(45, 64), ANG(50, 56), I16(66, 0),
                               I16(70, 82), I16(71, 80)};
const TkGroupDesc kAttdef[] = {TAIL(1, TK_ATTDEF_THIRD), STR(2, TK_ATTDEF_SECOND, 513),
                               STR(3, TK_ATTDEF_STRINGS, 513), PT(10, 0), PT2(11, 72),
                               DBL(40, 32), DBL(41, 48), ANG(50, 40), ANG(51, 56), BYT(70, 24),
                               BYT(71, 64), BYT(72, 65), I16(73, 26), BYT(74, 66)};
const TkGroupDesc kAttrib[] = {TAIL(1, TK_ATTDEF_SECOND), STR(2, TK_ATTDEF_STRINGS, 513),
                               PT(10, 0), PT2(11, 72), DBL(40, 32), DBL(41, 48), ANG(50, 40),
                               ANG(51, 56), BYT(70, 24), BYT(71, 64), BYT(72, 65), I16(73, 26),
                               BYT(74, 66)};
const TkGroupDesc kPolyline[] = {DBL(30, 0),  DBL(40, 8),  DBL(41, 16), I16(70, 34), I16(71, 30),
                                 I16(72, 32), I16(73, 26), I16(74, 28), I16(75, 24)};
const TkGroupDesc kVertex[] = {PT(10, 0),   DBL(40, 32), DBL(41, 40), DBL(42, 56), ANG(50, 64),
                               I16(70, 24), I16(71, 74), I16(72, 82), I16(73, 90), I16(74, 98)};
const TkGroupDesc k3dFace[] = {PT(10, 0), PT(11, 24), PT(12, 48), PT(13, 72), I16(70, 96)};
const TkGroupDesc kDimension[] = {
    TAIL(1, TK_DIMENSION_STRING), PT(10, 192), PT(11, 168), PT(12, 8), PT(13, 64), PT(14, 88),
    PT(15, 112), PT(16, 40), DBL(40, 136), DBL(41, 232), DBL(42, 240), ANG(50, 144),
    ANG(51, 216), ANG(52, 160), ANG(53, 152), ANG(54, 264), BYT(70, 32), I16(71, 224),
    I16(72, 226)};
const TkGroupDesc kViewport[] = {
    STR(1, 86, 512), STR(2, TK_VIEWPORT_SCRATCH, 512), PT(10, 16), PT2(12, 776), PT2(13, 864),
    PT2(14, 824), PT2(15, 840), PT(16, 736), PT(17, 712), DBL(40, 40), DBL(41, 48),
    DBL(42, 792), DBL(43, 800), DBL(44, 808), DBL(45, 768), ANG(50, 856), ANG(51, 760),
    I16(68, 10), I16(69, TK_VIEWPORT_NUMBER), I16(71, 598), I16(72, 816), I16(74, 600),
    I16(79, 680), I32(90, 80), PT(110, 608), PT(111, 632), PT(112, 656), DBL(146, 688),
    I16(281, 84), HND(340, 70), HND(345, 696), HND(340, 704)};
const TkGroupDesc kRayLike[] = {PT(10, 0), PT(11, 24)};
const TkGroupDesc kMtext[] = {TAIL(1, TK_MTEXT_STRING), TAIL(3, TK_MTEXT_STRING), PT(10, 0),
                              PT(11, 24), DBL(40, 48), DBL(41, 56), DBL(44, 96), BYT(71, 64),
                              BYT(72, 65), I16(73, 88)};
const TkGroupDesc kLeader[] = {DBL(40, 16), DBL(41, 24), BYT(71, 3), BYT(72, 2), I16(73, 6),
                               BYT(74, 4),  BYT(75, 5),  I16(76, 0), I16(77, 8), PT(211, 56),
                               PT(212, 80), PT(213, 32), HND(340, 104)};
const TkGroupDesc kTolerance[] = {TAIL(1, TK_TOLERANCE_STRING), PT(10, 0), PT(11, 24)};
const TkGroupDesc kMline[] = {PT(10, 16), DBL(40, 0),  I16(70, 8), I16(71, 10),
                              I16(72, 14), I16(73, 12), HND(340, 40)};
const TkGroupDesc kRow32[] = {I32(90, 0), I32(91, 2)};

#undef PT
#undef PT2
#undef DBL
#undef ANG
#undef I16
#undef I32
#undef BYT
#undef HND
#undef STR
#undef TAIL

#define LAYOUT(kind, rows) {kind, rows, sizeof rows / sizeof rows[0]}
const TkEntityLayout kLayouts[] = {
    LAYOUT(TK_LINE, kLine),         LAYOUT(TK_POINT, kPoint),       LAYOUT(TK_CIRCLE, kCircle),
    LAYOUT(TK_SHAPE, kShape),       LAYOUT(TK_ELLIPSE, kEllipse),   LAYOUT(TK_SPLINE, kSpline),
    LAYOUT(TK_TEXT, kText),         LAYOUT(TK_ARC, kArc),           LAYOUT(TK_TRACE, kFourPoints),
    LAYOUT(TK_SOLID, kFourPoints),  LAYOUT(TK_BLOCK, kBlock),       LAYOUT(TK_INSERT, kInsert),
    LAYOUT(TK_ATTDEF, kAttdef),     LAYOUT(TK_ATTRIB, kAttrib),     LAYOUT(TK_POLYLINE, kPolyline),
    LAYOUT(TK_VERTEX, kVertex),     LAYOUT(TK_3DLINE, kLine),       LAYOUT(TK_3DFACE, k3dFace),
    LAYOUT(TK_DIMENSION, kDimension), LAYOUT(TK_VIEWPORT, kViewport), LAYOUT(TK_RAY, kRayLike),
    LAYOUT(TK_XLINE, kRayLike),     LAYOUT(TK_MTEXT, kMtext),       LAYOUT(TK_LEADER, kLeader),
    LAYOUT(TK_TOLERANCE, kTolerance), LAYOUT(TK_MLINE, kMline),     LAYOUT(32, kRow32),
};
#undef LAYOUT

}  // namespace

const TkEntityLayout* tk_entity_layout(uint16_t kind) {
  for (const auto& l : kLayouts)
    if (l.kind == kind) return &l;
  return nullptr;
}

const TkGroupDesc* tk_entity_group_find(uint16_t kind, int16_t code) {
  const TkEntityLayout* l = tk_entity_layout(kind);
  if (!l) return nullptr;
  for (size_t i = 0; i < l->count; ++i)
    if (l->rows[i].code == code) return &l->rows[i];
  return nullptr;
}
