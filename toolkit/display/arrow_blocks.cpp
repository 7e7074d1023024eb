// Dimension arrowhead blocks: the standard arrowheads built as blocks of a drawing from a fixed
// geometry (unit arrow size, tip at the origin, pointing along +x), for the arrow names that a
// drawing's dimension styles give without a block of that name in the file. The load calls the
// two services through the core's hooks once a drawing is read.
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/display/regen_kinds.h"

namespace {

constexpr size_t kQueueEntry = 524;  // handle, variable code, name of 512 bytes
constexpr size_t kMaxBlockName = 32;

enum Shape : uint8_t {
  kLine,      // a b: start, end
  kCircle,    // a: centre; r
  kArc,       // a: centre; r; s, e: angles
  kSolid,     // a b c d: corners
  kPolyline,  // w: width; a b: two vertices with bulge s
};

struct Piece {
  Shape shape;
  double a[2], b[2], c[2], d[2];
  double r, s, e, w;
};

constexpr Piece L(double x0, double y0, double x1, double y1) {
  return {kLine, {x0, y0}, {x1, y1}, {0, 0}, {0, 0}, 0, 0, 0, 0};
}
constexpr Piece C(double x, double y, double r) {
  return {kCircle, {x, y}, {0, 0}, {0, 0}, {0, 0}, r, 0, 0, 0};
}
constexpr Piece A(double x, double y, double r, double start, double end) {
  return {kArc, {x, y}, {0, 0}, {0, 0}, {0, 0}, r, start, end, 0};
}
constexpr Piece S(double x0, double y0, double x1, double y1, double x2, double y2, double x3,
                  double y3) {
  return {kSolid, {x0, y0}, {x1, y1}, {x2, y2}, {x3, y3}, 0, 0, 0, 0};
}
// A closed polyline of two vertices, both with the bulge, of the width.
constexpr Piece P(double x0, double y0, double x1, double y1, double bulge, double width) {
  return {kPolyline, {x0, y0}, {x1, y1}, {0, 0}, {0, 0}, 0, bulge, 0, width};
}

struct Arrow {
  const char* name;
  int count;
  Piece pieces[5];
};

// In the order the names are tested.
const Arrow kArrows[] = {
    {"NONE", 0, {}},
    {"CLOSED",
     4,
     {L(-1, 0.166667, 0, 0), L(0, 0, -1, -0.166667), L(-1, 0.166667, -1, -0.166667),
      L(0, 0, -1, 0)}},
    {"DOT", 2, {P(-0.25, 0, 0.25, 0, 1.0, 0.5), L(-0.5, 0, -1, 0)}},
    {"CLOSEDBLANK",
     3,
     {L(-1, 0.166667, 0, 0), L(0, 0, -1, -0.166667), L(-1, 0.166667, -1, -0.166667)}},
    {"OBLIQUE", 1, {L(-0.5, -0.5, 0.5, 0.5)}},
    {"ARCHTICK", 1, {P(-0.25, 0, 0.5, 0.5, 0, 0.15)}},
    {"OPEN", 3, {L(-1, 0.166667, 0, 0), L(0, 0, -1, -0.166667), L(0, 0, -1, 0)}},
    {"ORIGIN", 2, {C(0, 0, 0.5), L(0, 0, -1, 0)}},
    {"OPEN90", 3, {L(-0.5, 0.5, 0, 0), L(0, 0, -0.5, -0.5), L(0, 0, -1, 0)}},
    {"OPEN30", 3, {L(-1, 0.267949, 0, 0), L(0, 0, -1, -0.267949), L(0, 0, -1, 0)}},
    {"DOTBLANK", 2, {C(0, 0, 0.5), L(-0.5, 0, -1, 0)}},
    {"DOTSMALL", 1, {P(-0.0625, 0, 0.0625, 0, 1.0, 0.5)}},
    {"BOXFILLED", 2, {S(-0.5, 0.5, 0.5, 0.5, -0.5, -0.5, 0.5, -0.5), L(-0.5, 0, -1, 0)}},
    {"BOXBLANK",
     5,
     {L(-0.5, -0.5, 0.5, -0.5), L(0.5, -0.5, 0.5, 0.5), L(0.5, 0.5, -0.5, 0.5),
      L(-0.5, 0.5, -0.5, -0.5), L(-0.5, 0, -1, 0)}},
    {"DATUMFILLED", 1, {S(0, 0.57735, -1, 0, 0, -0.57735, 0, -0.57735)}},
    {"DATUMBLANK", 3, {L(0, 0.57735, -1, 0), L(-1, 0, 0, -0.57735), L(0, -0.57735, 0, 0.57735)}},
    {"INTEGRAL",
     2,
     {A(0.444888, -0.091335, 0.454167, 1.780235837034216, 2.9321531433504737),
      A(-0.444888, 0.091335, 0.454167, 4.921828490624009, 6.073745796940266)}},
};

// The arrowhead of the name, with or without its leading underscore (letter case counts).
const Arrow* find_arrow(const char* name) {
  if (!name || !name[0]) return nullptr;
  const char* bare = name[0] == '_' ? name + 1 : name;
  for (const Arrow& a : kArrows)
    if (std::strcmp(a.name, bare) == 0) return &a;
  return nullptr;
}

// Adds entities of the drawing's defaults, out of paper space, to one block.
struct Builder {
  TkDrawing* drawing;
  TkList* list;
  TkEntityHeader* h;
  TkEntityData* data;
  bool begin(uint16_t kind) {
    std::memset(h, 0, sizeof *h);
    h->kind = kind;
    tk_init_entity(drawing, h, data);
    h->flags &= uint8_t(~1u);
    return tk_next_handle(drawing, nullptr, 0, &h->handle) != 0;
  }
  void point(size_t at, const double p[2]) {
    tk_data_put(data, at, p[0]);
    tk_data_put(data, at + 8, p[1]);
    tk_data_put(data, at + 16, 0.0);
  }
  bool add() { return tk_add_entity(drawing, list, h, data) != 0; }
  bool vertex(const double p[2], double bulge) {
    if (!begin(TK_VERTEX)) return false;
    point(0, p);
    tk_data_put(data, 56, bulge);
    return add();
  }
  bool piece(const Piece& p) {
    switch (p.shape) {
      case kLine:
        if (!begin(TK_LINE)) return false;
        point(0, p.a);
        point(24, p.b);
        return add();
      case kCircle:
      case kArc:
        if (!begin(p.shape == kArc ? TK_ARC : TK_CIRCLE)) return false;
        point(0, p.a);
        tk_data_put(data, 24, p.r);
        if (p.shape == kArc) {
          tk_data_put(data, 32, p.s);
          tk_data_put(data, 40, p.e);
        }
        return add();
      case kSolid:
        if (!begin(TK_SOLID)) return false;
        point(0, p.a);
        point(24, p.b);
        point(48, p.c);
        point(72, p.d);
        return add();
      case kPolyline:
        if (!begin(TK_POLYLINE)) return false;
        tk_data_put(data, 0, 0.0);
        tk_data_put(data, 8, p.w);
        tk_data_put(data, 16, p.w);
        tk_data_put<int16_t>(data, 34, 1);
        return add() && vertex(p.a, p.s) && vertex(p.b, p.s) && begin(TK_SEQEND) && add();
    }
    return false;
  }
};

}  // namespace

int16_t arrow_block_create(TkDrawing* drawing, const char* name, TkHandle* out) {
  *out = TkHandle{};
  const Arrow* arrow = find_arrow(name);
  if (!arrow || std::strlen(name) > kMaxBlockName) return 0;
  // A block of that name already in the drawing is the arrowhead.
  if (tk_find_record_by_name(drawing, name, out)) return 1;
  *out = TkHandle{};
  auto* record = static_cast<TkBlockRecord*>(mem_alloc(sizeof(TkBlockRecord)));
  auto* h = static_cast<TkEntityHeader*>(mem_alloc(sizeof(TkEntityHeader)));
  auto* data = static_cast<TkEntityData*>(mem_alloc(sizeof(TkEntityData)));
  bool ok = record && h && data;
  bool added = false;
  TkHandle handle{};
  if (ok) {
    tk_init_block_record(record);
    std::memcpy(record->name, name, std::strlen(name) + 1);
    ok = tk_next_handle(drawing, nullptr, 0, &record->handle) && tk_add_block(drawing, record);
    added = ok;
    handle = record->handle;
  }
  TkList* list = ok ? tk_block_entity_list(drawing, &handle) : nullptr;
  ok = ok && list;
  Builder b{drawing, list, h, data};
  if (ok && b.begin(TK_BLOCK)) {
    std::memcpy(tk_data_text(data, 24), name, std::strlen(name) + 1);
    ok = b.add();
  } else {
    ok = false;
  }
  for (int i = 0; ok && i < arrow->count; ++i) ok = b.piece(arrow->pieces[i]);
  ok = ok && b.begin(TK_ENDBLK) && b.add();
  // A block that could not be built whole is taken out again: half an arrowhead under a
  // standard name would be used as the real one.
  if (!ok && added) tk_delete_block(drawing, &handle);
  mem_free(record);
  mem_free(h);
  mem_free(data);
  if (!ok) return 0;
  *out = handle;
  return 1;
}

void arrow_blocks_resolve(TkDrawing* drawing) {
  if (!drawing->arrow_names) return;
  TkBlob* r = blob_open_read(drawing->arrow_names);
  auto* style = static_cast<TkDimStyleRecord*>(mem_alloc(sizeof(TkDimStyleRecord)));
  for (int32_t i = 0; r && style && i < drawing->arrow_name_count; ++i) {
    uint8_t entry[kQueueEntry];
    if (!blob_read(r, entry, sizeof entry)) break;
    TkHandle owner;
    std::memcpy(owner.bytes, entry, 8);
    uint32_t code;
    std::memcpy(&code, entry + 8, 4);
    char name[512];
    std::memcpy(name, entry + 12, sizeof name);
    name[sizeof name - 1] = 0;
    if (!tk_dimstyle_get(drawing, &owner, style)) continue;
    TkHandle block{};
    // A block read after the style (the older files' BLOCKS section) names the arrow as well.
    if (!tk_find_record_by_name(drawing, name, &block) &&
        !arrow_block_create(drawing, name, &block))
      continue;
    TkHandle* field = code == 5   ? &style->dimblk
                      : code == 6 ? &style->dimblk1
                      : code == 7 ? &style->dimblk2
                                  : nullptr;
    if (!field) continue;
    *field = block;
    tk_dimstyle_put(drawing, style);
  }
  mem_free(style);
  if (r) blob_close(r);
  blob_free(drawing->arrow_names);
  drawing->arrow_names = nullptr;
  drawing->arrow_name_count = 0;
}
