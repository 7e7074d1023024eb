// The polygon clipper: a scanbeam sweep over the bounds (monotone rising edge chains) of both
// inputs. Between two consecutive vertex heights the active edges are classified by which
// polygon lies to either side of them and where, and output contours are grown, started and
// joined at the edges and at the crossings found inside the beam. Triangle strips are cut from
// the finished contours beam by beam. Every working record of one call lives in one arena freed
// before the call returns.
#include "toolkit/core/polygon_clip.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "toolkit/core/mem.h"

namespace {

enum { ABOVE = 0, BELOW = 1 };
enum { CLIP = 0, SUBJ = 1 };
enum { LEFT = 0, RIGHT = 1 };
enum { UNBUNDLED = 0, BUNDLE_HEAD = 1, BUNDLE_TAIL = 2 };
enum { NH = 0, BH = 1, TH = 2 };

// Vertex classes: top right + 2 top left + 4 bottom right + 8 bottom left.
enum {
  EMX = 1, ELI = 2, TED = 3, ERI = 4, RED = 5, IMM = 6, IMN = 7,
  EMN = 8, EMM = 9, LED = 10, ILI = 11, BED = 12, IRI = 13, IMX = 14,
};

const int kNextHorizontal[3][6] = {
    {BH, TH, TH, BH, NH, NH},
    {NH, NH, NH, NH, TH, TH},
    {NH, NH, NH, NH, BH, BH},
};

// Thrown by the arena when the allocator gives up; caught at the public entry points only, so
// the sweep needs no failure path of its own.
struct OutOfMemory {};

class Arena {
 public:
  Arena() = default;
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;
  ~Arena() {
    while (head_) {
      Block* next = head_->next;
      mem_free(head_);
      head_ = next;
    }
  }
  template <typename T>
  T* make() {
    void* p = raw(sizeof(T));
    std::memset(p, 0, sizeof(T));
    return static_cast<T*>(p);
  }
  template <typename T>
  T* array(size_t n) {
    if (n > (size_t(1) << 40) / sizeof(T)) throw OutOfMemory{};
    return static_cast<T*>(raw(sizeof(T) * (n ? n : 1)));
  }

 private:
  struct Block {
    Block* next;
    size_t used;
    size_t size;
  };
  static constexpr size_t kHeader = (sizeof(Block) + 15) & ~size_t(15);
  static constexpr size_t kChunk = 64 * 1024;
  void* raw(size_t size) {
    size = (size + 15) & ~size_t(15);
    if (!head_ || head_->size - head_->used < size) {
      size_t capacity = size > kChunk ? size : kChunk;
      auto* block = static_cast<Block*>(mem_alloc(kHeader + capacity));
      if (!block) throw OutOfMemory{};
      block->used = 0;
      block->size = capacity;
      // A block made for one large request goes behind the current one so that the current
      // block's room is still used.
      if (head_ && size > kChunk) {
        block->next = head_->next;
        head_->next = block;
      } else {
        block->next = head_;
        head_ = block;
      }
      block->used = size;
      return reinterpret_cast<unsigned char*>(block) + kHeader;
    }
    void* p = reinterpret_cast<unsigned char*>(head_) + kHeader + head_->used;
    head_->used += size;
    return p;
  }
  Block* head_ = nullptr;
};

struct VertexNode {
  double x, y;
  VertexNode* next;
};

struct OutPolygon {
  int32_t active;
  int32_t hole;
  VertexNode* v[2];  // v[LEFT] heads the vertex list, v[RIGHT] is its tail
  OutPolygon* next;
  OutPolygon* proxy;
};

struct Edge {
  TkClipVertex vertex, bot, top;
  double xb, xt, dx;
  int type;
  int bundle[2][2];
  int bside[2];
  int bstate[2];
  OutPolygon* outp[2];
  Edge* prev;
  Edge* next;
  Edge* pred;
  Edge* succ;
  Edge* next_bound;
};

struct LocalMin {
  double y;
  Edge* first_bound;
  LocalMin* next;
};

struct Intersection {
  Edge* ie[2];
  double x, y;
  Intersection* next;
};

struct SortedEdge {
  Edge* edge;
  double xb, xt, dx;
  SortedEdge* prev;
};

struct Sweep {
  Arena arena;
  ClipOp op;
  LocalMin* lmt = nullptr;
  std::vector<double> beams;
  OutPolygon* out = nullptr;
  Edge* aet = nullptr;
  size_t vertex_total = 0;
};

void box_of(const TkClipContour& c, double box[4]) {
  box[0] = box[1] = 1.7976931348623157e308;
  box[2] = box[3] = -1.7976931348623157e308;
  for (int32_t i = 0; i < c.count; ++i) {
    box[0] = std::min(box[0], c.vertices[i].x);
    box[1] = std::min(box[1], c.vertices[i].y);
    box[2] = std::max(box[2], c.vertices[i].x);
    box[3] = std::max(box[3], c.vertices[i].y);
  }
}

bool boxes_overlap(const double a[4], const double b[4]) {
  return !(a[2] < b[0] || a[0] > b[2] || a[3] < b[1] || a[1] > b[3]);
}

// Contours of each input that can play no part in an intersection or difference.
void preselect(const TkClipPolygon* subject, const TkClipPolygon* clip, ClipOp op,
               std::vector<char>& skip_subject, std::vector<char>& skip_clip) {
  std::vector<double> sbox(size_t(subject->count) * 4), cbox(size_t(clip->count) * 4);
  for (int32_t i = 0; i < subject->count; ++i) box_of(subject->contours[i], &sbox[4 * i]);
  for (int32_t j = 0; j < clip->count; ++j) box_of(clip->contours[j], &cbox[4 * j]);
  std::vector<char> subject_hit(subject->count, 0), clip_hit(clip->count, 0);
  for (int32_t i = 0; i < subject->count; ++i)
    for (int32_t j = 0; j < clip->count; ++j)
      if (boxes_overlap(&sbox[4 * i], &cbox[4 * j])) subject_hit[i] = clip_hit[j] = 1;
  for (int32_t j = 0; j < clip->count; ++j) skip_clip[j] = !clip_hit[j];
  if (op == CLIP_INTERSECTION)
    for (int32_t i = 0; i < subject->count; ++i) skip_subject[i] = !subject_hit[i];
}

void insert_bound(Sweep& s, Edge* bound) {
  double y = bound->bot.y;
  LocalMin** at = &s.lmt;
  while (*at && (*at)->y < y) at = &(*at)->next;
  if (!*at || (*at)->y != y) {
    LocalMin* node = s.arena.make<LocalMin>();
    node->y = y;
    node->next = *at;
    *at = node;
  }
  Edge** b = &(*at)->first_bound;
  while (*b && (bound->bot.x > (*b)->bot.x ||
                (bound->bot.x == (*b)->bot.x && bound->dx >= (*b)->dx)))
    b = &(*b)->next_bound;
  bound->next_bound = *b;
  *b = bound;
}

void build_edges(Sweep& s, const TkClipPolygon* p, const std::vector<char>& skip, int type) {
  for (int32_t c = 0; c < p->count; ++c) {
    const TkClipContour& contour = p->contours[c];
    if (skip[c] || contour.count < 1 || !contour.vertices) continue;
    int32_t count = contour.count;
    const TkClipVertex* in = contour.vertices;
    TkClipVertex* v = s.arena.array<TkClipVertex>(size_t(count));
    int32_t n = 0;
    for (int32_t i = 0; i < count; ++i) {
      double yp = in[(i + count - 1) % count].y, yn = in[(i + 1) % count].y;
      if (yp != in[i].y || yn != in[i].y) {
        if (!std::isfinite(in[i].x) || !std::isfinite(in[i].y)) continue;
        v[n++] = in[i];
        s.beams.push_back(in[i].y);
      }
    }
    if (n < 3) continue;
    Edge* edges = s.arena.array<Edge>(size_t(n));
    int32_t used = 0;
    auto y = [&](int32_t i) { return v[((i % n) + n) % n].y; };
    auto at = [&](int32_t i) { return v[((i % n) + n) % n]; };
    for (int pass = 0; pass < 2; ++pass) {
      int step = pass == 0 ? 1 : -1;
      for (int32_t m = 0; m < n; ++m) {
        if (!(y(m - step) >= y(m) && y(m + step) > y(m))) continue;
        int32_t len = 1;
        while (len < n && y(m + step * (len + 1)) > y(m + step * len)) ++len;
        Edge* first = nullptr;
        Edge* last = nullptr;
        for (int32_t k = 0; k < len && used < n; ++k) {
          Edge* e = &edges[used++];
          std::memset(e, 0, sizeof *e);
          e->bot = at(m + step * k);
          e->top = at(m + step * (k + 1));
          e->vertex = e->bot;
          e->xb = e->bot.x;
          e->dx = (e->top.x - e->bot.x) / (e->top.y - e->bot.y);
          e->type = type;
          e->bside[CLIP] = s.op == CLIP_DIFFERENCE ? RIGHT : LEFT;
          e->bside[SUBJ] = LEFT;
          e->pred = last;
          if (last) last->succ = e;
          if (!first) first = e;
          last = e;
        }
        if (first) insert_bound(s, first);
      }
    }
  }
}

void add_to_aet(Edge*& aet, Edge* e) {
  Edge* prev = nullptr;
  Edge* at = aet;
  while (at && (e->xb > at->xb || (e->xb == at->xb && e->dx >= at->dx))) {
    prev = at;
    at = at->next;
  }
  e->prev = prev;
  e->next = at;
  if (at) at->prev = e;
  if (prev) prev->next = e;
  else aet = e;
}

void add_left(Sweep& s, OutPolygon* p, double x, double y) {
  if (!p) return;
  VertexNode* nv = s.arena.make<VertexNode>();
  nv->x = x;
  nv->y = y;
  nv->next = p->proxy->v[LEFT];
  p->proxy->v[LEFT] = nv;
  ++s.vertex_total;
}

void add_right(Sweep& s, OutPolygon* p, double x, double y) {
  if (!p) return;
  VertexNode* nv = s.arena.make<VertexNode>();
  nv->x = x;
  nv->y = y;
  p->proxy->v[RIGHT]->next = nv;
  p->proxy->v[RIGHT] = nv;
  ++s.vertex_total;
}

void redirect(Sweep& s, OutPolygon* from, OutPolygon* to) {
  for (OutPolygon* t = s.out; t; t = t->next) {
    if (t->proxy == from) {
      t->active = 0;
      t->proxy = to;
    }
  }
}

void merge_left(Sweep& s, OutPolygon* p, OutPolygon* q) {
  if (!p || !q) return;
  q->proxy->hole = 1;
  if (p->proxy != q->proxy) {
    OutPolygon* target = p->proxy;
    target->v[RIGHT]->next = q->proxy->v[LEFT];
    q->proxy->v[LEFT] = target->v[LEFT];
    redirect(s, target, q->proxy);
  }
}

void merge_right(Sweep& s, OutPolygon* p, OutPolygon* q) {
  if (!p || !q) return;
  q->proxy->hole = 0;
  if (p->proxy != q->proxy) {
    OutPolygon* target = p->proxy;
    q->proxy->v[RIGHT]->next = target->v[LEFT];
    q->proxy->v[RIGHT] = target->v[RIGHT];
    redirect(s, target, q->proxy);
  }
}

void add_local_min(Sweep& s, Edge* e, double x, double y) {
  OutPolygon* p = s.arena.make<OutPolygon>();
  VertexNode* nv = s.arena.make<VertexNode>();
  nv->x = x;
  nv->y = y;
  p->active = 1;
  p->v[LEFT] = p->v[RIGHT] = nv;
  p->proxy = p;
  p->next = s.out;
  s.out = p;
  e->outp[ABOVE] = p;
  ++s.vertex_total;
}

struct Quadrants {
  int tr, tl, br, bl;
  int vclass() const { return tr + (tl << 1) + (br << 2) + (bl << 3); }
};

// Whether an active edge contributes to the output, and which of its four quadrants are inside.
bool classify_edge(ClipOp op, const Edge* e, const int parity[2], const int horiz[2],
                   const int exists[2], Quadrants* q) {
  int hc = horiz[CLIP] != NH, hs = horiz[SUBJ] != NH;
  int pc = parity[CLIP], ps = parity[SUBJ];
  int ac = e->bundle[ABOVE][CLIP], as = e->bundle[ABOVE][SUBJ];
  int bc = e->bundle[BELOW][CLIP], bs = e->bundle[BELOW][SUBJ];
  bool contributing = false;
  switch (op) {
    case CLIP_DIFFERENCE:
    case CLIP_INTERSECTION:
      contributing = (exists[CLIP] && (ps || hs)) || (exists[SUBJ] && (pc || hc)) ||
                     (exists[CLIP] && exists[SUBJ] && pc == ps);
      q->br = pc && ps;
      q->bl = (pc ^ ac) && (ps ^ as);
      q->tr = (pc ^ hc) && (ps ^ hs);
      q->tl = (pc ^ hc ^ bc) && (ps ^ hs ^ bs);
      break;
    case CLIP_XOR:
      contributing = exists[CLIP] || exists[SUBJ];
      q->br = pc ^ ps;
      q->bl = ac ^ as ^ pc ^ ps;
      q->tr = hc ^ hs ^ pc ^ ps;
      q->tl = q->tr ^ bc ^ bs;
      break;
    case CLIP_UNION:
      contributing = (exists[CLIP] && (!ps || hs)) || (exists[SUBJ] && (!pc || hc)) ||
                     (exists[CLIP] && exists[SUBJ] && pc == ps);
      q->br = pc || ps;
      q->bl = (pc ^ ac) || (ps ^ as);
      q->tr = (pc ^ hc) || (ps ^ hs);
      q->tl = (pc ^ hc ^ bc) || (ps ^ hs ^ bs);
      break;
  }
  return contributing;
}

void classify_crossing(ClipOp op, const Edge* e0, const Edge* e1, Quadrants* q) {
  int in[2];
  for (int t = 0; t < 2; ++t)
    in[t] = (e0->bundle[ABOVE][t] && !e0->bside[t]) || (e1->bundle[ABOVE][t] && e1->bside[t]) ||
            (!e0->bundle[ABOVE][t] && !e1->bundle[ABOVE][t] && e0->bside[t] && e1->bside[t]);
  int a0c = e0->bundle[ABOVE][CLIP], a0s = e0->bundle[ABOVE][SUBJ];
  int a1c = e1->bundle[ABOVE][CLIP], a1s = e1->bundle[ABOVE][SUBJ];
  switch (op) {
    case CLIP_DIFFERENCE:
    case CLIP_INTERSECTION:
      q->tr = in[CLIP] && in[SUBJ];
      q->tl = (in[CLIP] ^ a1c) && (in[SUBJ] ^ a1s);
      q->br = (in[CLIP] ^ a0c) && (in[SUBJ] ^ a0s);
      q->bl = (in[CLIP] ^ a1c ^ a0c) && (in[SUBJ] ^ a1s ^ a0s);
      break;
    case CLIP_XOR:
      q->tr = in[CLIP] ^ in[SUBJ];
      q->tl = q->tr ^ a1c ^ a1s;
      q->br = q->tr ^ a0c ^ a0s;
      q->bl = q->tr ^ a1c ^ a1s ^ a0c ^ a0s;
      break;
    case CLIP_UNION:
      q->tr = in[CLIP] || in[SUBJ];
      q->tl = (in[CLIP] ^ a1c) || (in[SUBJ] ^ a1s);
      q->br = (in[CLIP] ^ a0c) || (in[SUBJ] ^ a0s);
      q->bl = (in[CLIP] ^ a1c ^ a0c) || (in[SUBJ] ^ a1s ^ a0s);
      break;
  }
}

void edge_action(Sweep& s, Edge* e, int vclass, double yb, OutPolygon*& cf, double& px) {
  double xb = e->xb;
  switch (vclass) {
    case EMX:
      if (xb != px) {
        add_left(s, cf, xb, yb);
        px = xb;
      }
      merge_right(s, cf, e->outp[BELOW]);
      cf = nullptr;
      break;
    case ELI:
      add_left(s, e->outp[BELOW], xb, yb);
      px = xb;
      cf = e->outp[BELOW];
      break;
    case ERI:
      if (xb != px) {
        add_right(s, cf, xb, yb);
        px = xb;
      }
      e->outp[ABOVE] = cf;
      cf = nullptr;
      break;
    case LED:
      if (e->bot.y == yb) add_left(s, e->outp[BELOW], xb, yb);
      e->outp[ABOVE] = e->outp[BELOW];
      px = xb;
      break;
    case RED:
      if (e->bot.y == yb) add_right(s, e->outp[BELOW], xb, yb);
      e->outp[ABOVE] = e->outp[BELOW];
      px = xb;
      break;
    case IMM:
      if (xb != px) {
        add_right(s, cf, xb, yb);
        px = xb;
      }
      merge_left(s, cf, e->outp[BELOW]);
      e->outp[BELOW] = nullptr;
      add_local_min(s, e, xb, yb);
      cf = e->outp[ABOVE];
      break;
    case EMM:
      if (xb != px) {
        add_left(s, cf, xb, yb);
        px = xb;
      }
      merge_right(s, cf, e->outp[BELOW]);
      e->outp[BELOW] = nullptr;
      add_local_min(s, e, xb, yb);
      cf = e->outp[ABOVE];
      break;
    case EMN:
    case IMN:
      add_local_min(s, e, xb, yb);
      px = xb;
      cf = e->outp[ABOVE];
      break;
    case ILI:
      if (xb != px) {
        add_left(s, cf, xb, yb);
        px = xb;
      }
      e->outp[ABOVE] = cf;
      cf = nullptr;
      break;
    case IRI:
      add_right(s, e->outp[BELOW], xb, yb);
      px = xb;
      cf = e->outp[BELOW];
      e->outp[BELOW] = nullptr;
      break;
    case IMX:
      if (xb != px) {
        add_right(s, cf, xb, yb);
        px = xb;
      }
      merge_left(s, cf, e->outp[BELOW]);
      cf = nullptr;
      e->outp[BELOW] = nullptr;
      break;
    default:
      break;
  }
}

void crossing_action(Sweep& s, Edge* e0, Edge* e1, int vclass, double ix, double iy) {
  OutPolygon* p = e0->outp[ABOVE];
  OutPolygon* q = e1->outp[ABOVE];
  switch (vclass) {
    case EMN:
    case IMN:
      add_local_min(s, e0, ix, iy);
      e1->outp[ABOVE] = e0->outp[ABOVE];
      break;
    case ERI:
      if (p) {
        add_right(s, p, ix, iy);
        e1->outp[ABOVE] = p;
        e0->outp[ABOVE] = nullptr;
      }
      break;
    case ELI:
      if (q) {
        add_left(s, q, ix, iy);
        e0->outp[ABOVE] = q;
        e1->outp[ABOVE] = nullptr;
      }
      break;
    case EMX:
      if (p && q) {
        add_left(s, p, ix, iy);
        merge_right(s, p, q);
        e0->outp[ABOVE] = e1->outp[ABOVE] = nullptr;
      }
      break;
    case ILI:
      if (p) {
        add_left(s, p, ix, iy);
        e1->outp[ABOVE] = p;
        e0->outp[ABOVE] = nullptr;
      }
      break;
    case IRI:
      if (q) {
        add_right(s, q, ix, iy);
        e0->outp[ABOVE] = q;
        e1->outp[ABOVE] = nullptr;
      }
      break;
    case IMX:
      if (p && q) {
        add_right(s, p, ix, iy);
        merge_left(s, p, q);
        e0->outp[ABOVE] = e1->outp[ABOVE] = nullptr;
      }
      break;
    case IMM:
      if (p && q) {
        add_right(s, p, ix, iy);
        merge_left(s, p, q);
        add_local_min(s, e0, ix, iy);
        e1->outp[ABOVE] = e0->outp[ABOVE];
      }
      break;
    case EMM:
      if (p && q) {
        add_left(s, p, ix, iy);
        merge_right(s, p, q);
        add_local_min(s, e0, ix, iy);
        e1->outp[ABOVE] = e0->outp[ABOVE];
      }
      break;
    default:
      break;
  }
}

// The crossings inside one beam: each edge is slid in from the right past the edges it crosses.
Intersection* find_crossings(Sweep& s, double dy) {
  SortedEdge* st = nullptr;
  Intersection* list = nullptr;
  for (Edge* e = s.aet; e; e = e->next) {
    if (!(e->bstate[ABOVE] == BUNDLE_HEAD || e->bundle[ABOVE][CLIP] || e->bundle[ABOVE][SUBJ]))
      continue;
    SortedEdge** at = &st;
    while (*at) {
      SortedEdge* o = *at;
      double den = (o->xt - o->xb) - (e->xt - e->xb);
      if (e->xt >= o->xt || e->dx == o->dx || std::fabs(den) <= CLIP_EPSILON) break;
      double r = (e->xb - o->xb) / den;
      Intersection* x = s.arena.make<Intersection>();
      x->ie[0] = o->edge;
      x->ie[1] = e;
      x->x = o->xb + r * (o->xt - o->xb);
      x->y = r * dy;
      Intersection** it = &list;
      while (*it && (*it)->y <= x->y) it = &(*it)->next;
      x->next = *it;
      *it = x;
      at = &o->prev;
    }
    SortedEdge* node = s.arena.make<SortedEdge>();
    node->edge = e;
    node->xb = e->xb;
    node->xt = e->xt;
    node->dx = e->dx;
    node->prev = *at;
    *at = node;
  }
  return list;
}

// Moves e0 (with the tails of its bundle) behind e1 (with the tails of its own bundle, which lie
// between them). A pair that is not laid out that way, which only rounding in hostile input can
// make, is left in place.
void swap_in_aet(Sweep& s, Edge* e0, Edge* e1) {
  Edge* a_first = e0;
  if (e0->bstate[ABOVE] == BUNDLE_HEAD)
    while (a_first->prev && a_first->prev->bstate[ABOVE] == BUNDLE_TAIL) a_first = a_first->prev;
  Edge* b_first = e0->next;
  Edge* walk = b_first;
  while (walk && walk != e1 && walk->bstate[ABOVE] == BUNDLE_TAIL) walk = walk->next;
  if (walk != e1 || !b_first) return;
  Edge* before = a_first->prev;
  Edge* after = e1->next;
  if (before) before->next = b_first;
  else s.aet = b_first;
  b_first->prev = before;
  e1->next = a_first;
  a_first->prev = e1;
  e0->next = after;
  if (after) after->prev = e0;
}

void sweep(Sweep& s) {
  std::sort(s.beams.begin(), s.beams.end());
  s.beams.erase(std::unique(s.beams.begin(), s.beams.end()), s.beams.end());
  int parity[2] = {s.op == CLIP_DIFFERENCE ? RIGHT : LEFT, LEFT};
  LocalMin* local_min = s.lmt;
  size_t beam = 0;
  while (beam < s.beams.size()) {
    double yb = s.beams[beam++];
    bool has_top = beam < s.beams.size();
    double yt = has_top ? s.beams[beam] : yb;
    double dy = yt - yb;

    if (local_min && local_min->y == yb) {
      for (Edge* b = local_min->first_bound; b; b = b->next_bound) add_to_aet(s.aet, b);
      local_min = local_min->next;
    }

    for (Edge* e = s.aet; e; e = e->next) {
      e->bundle[ABOVE][e->type] = e->top.y != yb;
      e->bundle[ABOVE][!e->type] = 0;
      e->bstate[ABOVE] = UNBUNDLED;
      Edge* p = e->prev;
      if (p && e->bundle[ABOVE][e->type] && std::fabs(e->xb - p->xb) <= CLIP_EPSILON &&
          std::fabs(e->dx - p->dx) <= CLIP_EPSILON && p->top.y != yb) {
        e->bundle[ABOVE][e->type] ^= p->bundle[ABOVE][e->type];
        e->bundle[ABOVE][!e->type] = p->bundle[ABOVE][!e->type];
        e->bstate[ABOVE] = BUNDLE_HEAD;
        p->bundle[ABOVE][CLIP] = p->bundle[ABOVE][SUBJ] = 0;
        p->bstate[ABOVE] = BUNDLE_TAIL;
      }
    }

    int horiz[2] = {NH, NH};
    OutPolygon* cf = nullptr;
    double px = -1.7976931348623157e308;
    for (Edge* e = s.aet; e; e = e->next) {
      int exists[2] = {e->bundle[ABOVE][CLIP] + (e->bundle[BELOW][CLIP] << 1),
                       e->bundle[ABOVE][SUBJ] + (e->bundle[BELOW][SUBJ] << 1)};
      if (!exists[CLIP] && !exists[SUBJ]) continue;
      e->bside[CLIP] = parity[CLIP];
      e->bside[SUBJ] = parity[SUBJ];
      Quadrants q{};
      bool contributing = classify_edge(s.op, e, parity, horiz, exists, &q);
      parity[CLIP] ^= e->bundle[ABOVE][CLIP];
      parity[SUBJ] ^= e->bundle[ABOVE][SUBJ];
      for (int t = 0; t < 2; ++t)
        if (exists[t])
          horiz[t] = kNextHorizontal[horiz[t]][((exists[t] - 1) << 1) + parity[t]];
      if (contributing) edge_action(s, e, q.vclass(), yb, cf, px);
    }

    for (Edge* e = s.aet; e; e = e->next) {
      if (e->top.y == yb) {
        Edge* prev = e->prev;
        Edge* next = e->next;
        if (prev) prev->next = next;
        else s.aet = next;
        if (next) next->prev = prev;
        if (e->bstate[BELOW] == BUNDLE_HEAD && prev && prev->bstate[BELOW] == BUNDLE_TAIL) {
          prev->outp[BELOW] = e->outp[BELOW];
          prev->bstate[BELOW] = UNBUNDLED;
          if (prev->prev && prev->prev->bstate[BELOW] == BUNDLE_TAIL)
            prev->bstate[BELOW] = BUNDLE_HEAD;
        }
      } else {
        e->xt = (!has_top || e->top.y == yt) ? e->top.x : e->bot.x + e->dx * (yt - e->bot.y);
      }
    }
    if (!has_top) break;

    for (Intersection* x = find_crossings(s, dy); x; x = x->next) {
      Edge* e0 = x->ie[0];
      Edge* e1 = x->ie[1];
      if ((e0->bundle[ABOVE][CLIP] || e0->bundle[ABOVE][SUBJ]) &&
          (e1->bundle[ABOVE][CLIP] || e1->bundle[ABOVE][SUBJ])) {
        Quadrants q{};
        classify_crossing(s.op, e0, e1, &q);
        crossing_action(s, e0, e1, q.vclass(), x->x, x->y + yb);
      }
      for (int t = 0; t < 2; ++t) {
        int e0_above = e0->bundle[ABOVE][t], e1_above = e1->bundle[ABOVE][t];
        if (e0_above) e1->bside[t] = !e1->bside[t];
        if (e1_above) e0->bside[t] = !e0->bside[t];
      }
      swap_in_aet(s, e0, e1);
    }

    for (Edge* e = s.aet, *next = nullptr; e; e = next) {
      next = e->next;
      Edge* succ = e->succ;
      if (e->top.y == yt && succ) {
        succ->outp[BELOW] = e->outp[ABOVE];
        succ->bstate[BELOW] = e->bstate[ABOVE];
        succ->bundle[BELOW][CLIP] = e->bundle[ABOVE][CLIP];
        succ->bundle[BELOW][SUBJ] = e->bundle[ABOVE][SUBJ];
        Edge* prev = e->prev;
        if (prev) prev->next = succ;
        else s.aet = succ;
        if (next) next->prev = succ;
        succ->prev = prev;
        succ->next = next;
      } else {
        e->outp[BELOW] = e->outp[ABOVE];
        e->bstate[BELOW] = e->bstate[ABOVE];
        e->bundle[BELOW][CLIP] = e->bundle[ABOVE][CLIP];
        e->bundle[BELOW][SUBJ] = e->bundle[ABOVE][SUBJ];
        e->xb = e->xt;
      }
      e->outp[ABOVE] = nullptr;
    }
  }
}

bool is_empty(const TkClipPolygon* p) { return !p || p->count <= 0 || !p->contours; }

bool trivially_empty(ClipOp op, const TkClipPolygon* subject, const TkClipPolygon* clip) {
  bool se = is_empty(subject), ce = is_empty(clip);
  return (se && ce) || (se && (op == CLIP_DIFFERENCE || op == CLIP_INTERSECTION)) ||
         (ce && op == CLIP_INTERSECTION);
}

void run_sweep(Sweep& s, const TkClipPolygon* subject, const TkClipPolygon* clip) {
  static const TkClipPolygon kEmpty{0, nullptr, nullptr};
  if (is_empty(subject)) subject = &kEmpty;
  if (is_empty(clip)) clip = &kEmpty;
  std::vector<char> skip_subject(subject->count, 0), skip_clip(clip->count, 0);
  if ((s.op == CLIP_DIFFERENCE || s.op == CLIP_INTERSECTION) && subject->count && clip->count)
    preselect(subject, clip, s.op, skip_subject, skip_clip);
  build_edges(s, subject, skip_subject, SUBJ);
  build_edges(s, clip, skip_clip, CLIP);
  sweep(s);
}

// The finished contours (more than two vertices each), newest first.
int16_t collect_polygons(Sweep& s, TkClipPolygon* out) {
  int32_t count = 0;
  for (OutPolygon* p = s.out; p; p = p->next) {
    if (!p->active) continue;
    size_t n = 0;
    for (VertexNode* v = p->proxy->v[LEFT]; v && n <= s.vertex_total; v = v->next) ++n;
    p->active = n > 2 && n <= s.vertex_total ? int32_t(n) : 0;
    if (p->active) ++count;
  }
  *out = TkClipPolygon{0, nullptr, nullptr};
  if (!count) return 1;
  out->holes = static_cast<int32_t*>(mem_alloc(sizeof(int32_t) * size_t(count)));
  out->contours = static_cast<TkClipContour*>(mem_alloc(sizeof(TkClipContour) * size_t(count)));
  if (!out->holes || !out->contours) {
    clip_free_polygon(out);
    return 0;
  }
  for (OutPolygon* p = s.out; p; p = p->next) {
    if (!p->active) continue;
    int32_t c = out->count;
    TkClipContour& contour = out->contours[c];
    contour.vertices =
        static_cast<TkClipVertex*>(mem_alloc(sizeof(TkClipVertex) * size_t(p->active)));
    if (!contour.vertices) {
      clip_free_polygon(out);
      return 0;
    }
    contour.count = p->active;
    out->holes[c] = p->proxy->hole;
    out->count = c + 1;
    int32_t i = p->active - 1;
    for (VertexNode* v = p->proxy->v[LEFT]; v && i >= 0; v = v->next, --i)
      contour.vertices[i] = TkClipVertex{v->x, v->y};
  }
  return 1;
}

// Cuts the area of finished contours into one four-vertex strip (two triangles) per band of
// each beam between a left and a right edge.
int16_t polygons_to_strips(const TkClipPolygon* p, TkTriStrip* out) {
  struct Seg {
    double x0, y0, x1, y1;  // y0 < y1
  };
  *out = TkTriStrip{0, nullptr};
  std::vector<Seg> segs;
  std::vector<double> ys;
  for (int32_t c = 0; c < p->count; ++c) {
    const TkClipContour& k = p->contours[c];
    for (int32_t i = 0; i < k.count; ++i) {
      TkClipVertex a = k.vertices[i], b = k.vertices[(i + 1) % k.count];
      ys.push_back(a.y);
      if (a.y == b.y) continue;
      if (a.y > b.y) std::swap(a, b);
      segs.push_back(Seg{a.x, a.y, b.x, b.y});
    }
  }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  std::sort(segs.begin(), segs.end(), [](const Seg& a, const Seg& b) { return a.y0 < b.y0; });
  auto x_at = [](const Seg& s, double y) {
    return s.x0 + (s.x1 - s.x0) * (y - s.y0) / (s.y1 - s.y0);
  };
  std::vector<TkClipContour> strips;
  std::vector<const Seg*> active;
  std::vector<std::pair<double, const Seg*>> order;
  size_t next = 0;
  bool ok = true;
  for (size_t b = 0; ok && b + 1 < ys.size(); ++b) {
    double yb = ys[b], yt = ys[b + 1], ym = (yb + yt) / 2;
    active.erase(std::remove_if(active.begin(), active.end(),
                                [&](const Seg* s) { return s->y1 <= yb; }),
                 active.end());
    while (next < segs.size() && segs[next].y0 <= yb) {
      if (segs[next].y1 > yb) active.push_back(&segs[next]);
      ++next;
    }
    order.clear();
    for (const Seg* s : active) order.emplace_back(x_at(*s, ym), s);
    std::sort(order.begin(), order.end(),
              [](const auto& a, const auto& c) { return a.first < c.first; });
    for (size_t i = 0; i + 1 < order.size(); i += 2) {
      const Seg& l = *order[i].second;
      const Seg& r = *order[i + 1].second;
      auto* v = static_cast<TkClipVertex*>(mem_alloc(sizeof(TkClipVertex) * 4));
      if (!v) {
        ok = false;
        break;
      }
      v[0] = TkClipVertex{x_at(l, yb), yb};
      v[1] = TkClipVertex{x_at(r, yb), yb};
      v[2] = TkClipVertex{x_at(l, yt), yt};
      v[3] = TkClipVertex{x_at(r, yt), yt};
      strips.push_back(TkClipContour{4, v});
    }
  }
  if (ok && !strips.empty()) {
    out->strips = static_cast<TkClipContour*>(mem_alloc(sizeof(TkClipContour) * strips.size()));
    ok = out->strips != nullptr;
  }
  if (!ok) {
    for (TkClipContour& k : strips) mem_free(k.vertices);
    return 0;
  }
  if (!strips.empty()) std::memcpy(out->strips, strips.data(), sizeof(TkClipContour) * strips.size());
  out->count = int32_t(strips.size());
  return 1;
}

}  // namespace

int16_t polygon_clip(ClipOp op, const TkClipPolygon* subject, const TkClipPolygon* clip,
                     TkClipPolygon* result) {
  if (!result) return 0;
  TkClipPolygon out{0, nullptr, nullptr};
  if (!trivially_empty(op, subject, clip)) {
    try {
      Sweep s;
      s.op = op;
      run_sweep(s, subject, clip);
      if (!collect_polygons(s, &out)) return 0;
    } catch (const OutOfMemory&) {
      return 0;
    } catch (const std::bad_alloc&) {
      return 0;
    }
  }
  if (result == subject || result == clip) clip_free_polygon(result);
  *result = out;
  return 1;
}

int16_t tristrip_clip(ClipOp op, const TkClipPolygon* subject, const TkClipPolygon* clip,
                      TkTriStrip* result) {
  if (!result) return 0;
  TkClipPolygon area{0, nullptr, nullptr};
  if (!polygon_clip(op, subject, clip, &area)) return 0;
  TkTriStrip out{0, nullptr};
  int16_t ok = 0;
  try {
    ok = polygons_to_strips(&area, &out);
  } catch (const std::bad_alloc&) {
    ok = 0;
  }
  clip_free_polygon(&area);
  if (!ok) return 0;
  *result = out;
  return 1;
}

int16_t clip_polygon_to_tristrip(const TkClipPolygon* polygon, TkTriStrip* result) {
  TkClipPolygon empty{0, nullptr, nullptr};
  return tristrip_clip(CLIP_DIFFERENCE, polygon, &empty, result);
}

void clip_free_polygon(TkClipPolygon* polygon) {
  if (!polygon) return;
  if (polygon->contours)
    for (int32_t i = 0; i < polygon->count; ++i) mem_free(polygon->contours[i].vertices);
  mem_free(polygon->holes);
  mem_free(polygon->contours);
  *polygon = TkClipPolygon{0, nullptr, nullptr};
}

void clip_free_tristrip(TkTriStrip* strips) {
  if (!strips) return;
  if (strips->strips)
    for (int32_t i = 0; i < strips->count; ++i) mem_free(strips->strips[i].vertices);
  mem_free(strips->strips);
  *strips = TkTriStrip{0, nullptr};
}
