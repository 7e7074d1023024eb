// Vector output and display lists: the quadtree code table, the recorders that
// stand in the drawing slots while a drawing records, the replay that redraws a
// view from the lists, and the decision whether a new view can be served from
// them. See vec_output.h.
#include "toolkit/display/vec_output.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "toolkit/core/matrix.h"
#include "toolkit/core/mem.h"
#include "toolkit/display/image_frame.h"
#include "toolkit/display/regen.h"

double vec_unit_size = 1.0;

struct TkVecChunk {
  TkVecChunk* next;
  uint32_t used;
  uint8_t bytes[4096 - 16];
};

namespace {

constexpr uint32_t kChunkBytes = sizeof(TkVecChunk::bytes);
constexpr int kCellShift = 12;

// The recorder being written or replayed (one drawing records or replays at a
// time).
TkVecOutput* g_active = nullptr;

const char kCodeString[] = "TPQRS@ADEBCFGHILMJKNO";

const uint8_t kReplayOrder[TK_VEC_NODES] = {
    84, 80, 68, 17, 25, 24, 16, 64, 8,  0,  1,  9,  65, 10, 2,  3,  11, 69, 19, 27, 26, 18,
    81, 70, 21, 29, 28, 20, 66, 12, 4,  5,  13, 67, 14, 6,  7,  15, 71, 23, 31, 30, 22, 83,
    75, 46, 38, 39, 47, 79, 55, 63, 62, 54, 78, 53, 61, 60, 52, 74, 44, 36, 37, 45, 82, 73,
    42, 34, 35, 43, 77, 51, 59, 58, 50, 76, 49, 57, 56, 48, 72, 40, 32, 33, 41};

// Registers the display lists with the display state when this module is linked
// in.
struct HookInstaller {
  HookInstaller() {
    tk_display_output_hooks.init_code_table = vec_init_code_table;
    tk_display_output_hooks.set_view = vec_display_set_view;
    tk_display_output_hooks.release = [](TkDisplayState* s) {
      if (!s || !s->vec) return;
      if (g_active == s->vec) g_active = nullptr;
      for (TkVecNode& n : s->vec->nodes) {
        while (TkVecChunk* c = n.first) {
          n.first = c->next;
          mem_free(c);
        }
      }
      image_free_pictures(s->vec->pictures);
      mem_free(s->vec);
      s->vec = nullptr;
      s->lists_valid = 0;
    };
  }
} g_installer;

int16_t clamp16(int32_t v) { return int16_t(v < -32768 ? -32768 : v > 32767 ? 32767 : v); }

int32_t clamp32(int64_t v) {
  return int32_t(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
}

// Recorded units to device units.
int32_t map_x(const TkVecOutput* o, int64_t x) {
  const int64_t span = o->bx - o->ax;
  if (span == 0) return o->device_rect[0];
  return clamp32(o->device_rect[0] + (x - o->ax) * (o->device_rect[2] - o->device_rect[0]) / span);
}

int32_t map_y(const TkVecOutput* o, int64_t y) {
  const int64_t span = o->by - o->ay;
  if (span == 0) return o->device_rect[1];
  return clamp32(o->device_rect[1] + (y - o->ay) * (o->device_rect[3] - o->device_rect[1]) / span);
}

// --- writing the lists
// ------------------------------------------------------------------------

bool put_bytes(TkVecNode& n, const uint8_t* p, uint32_t count) {
  while (count) {
    TkVecChunk* c = n.last;
    if (!c || c->used == kChunkBytes) {
      auto* fresh = static_cast<TkVecChunk*>(mem_alloc(sizeof(TkVecChunk)));
      if (!fresh) {
        if (g_active && !g_active->failed) {
          g_active->failed = 1;
          tk_fail_alloc(TK_ERR_DISPLAY_ALLOC);
        }
        return false;
      }
      fresh->next = nullptr;
      fresh->used = 0;
      if (c)
        c->next = fresh;
      else
        n.first = fresh;
      n.last = c = fresh;
    }
    uint32_t room = kChunkBytes - c->used;
    uint32_t k = count < room ? count : room;
    std::memcpy(c->bytes + c->used, p, k);
    c->used += k;
    n.size += k;
    p += k;
    count -= k;
  }
  return true;
}

void put_attributes(TkVecOutput* o, TkVecNode& n) {
  uint8_t rec[5];
  uint32_t len = 2;
  rec[0] = TK_VEC_ATTR;
  rec[1] = 0;
  if (n.last_colour != o->colour) {
    rec[1] |= 1;
    rec[len++] = uint8_t(o->colour);
    n.last_colour = o->colour;
  }
  if (n.last_lineweight != o->lineweight) {
    // Lineweights go up to 211 and the resets are negative: two bytes.
    rec[1] |= 2;
    rec[len++] = uint8_t(o->lineweight & 0xFF);
    rec[len++] = uint8_t((o->lineweight >> 8) & 0xFF);
    n.last_lineweight = o->lineweight;
  }
  if (rec[1]) put_bytes(n, rec, len);
}

// A move (op 1) or line (op 2) to (x, y) relative to the node's last point.
void put_point(TkVecNode& n, uint8_t op, int16_t x, int16_t y) {
  const int32_t dx = int32_t(x) - n.last_x, dy = int32_t(y) - n.last_y;
  uint8_t rec[5];
  uint32_t len = 1;
  if (dx == 0 && dy == 0) {
    if (op == TK_VEC_MOVE) return;
    rec[0] = uint8_t(op | TK_VEC_X | TK_VEC_Y);
    rec[len++] = 0;
    rec[len++] = 0;
  } else if (dy == 0) {
    if (dx > -128 && dx < 128) {
      rec[0] = uint8_t(op | TK_VEC_X);
      rec[len++] = uint8_t(int8_t(dx));
    } else {
      rec[0] = uint8_t(op | TK_VEC_X | TK_VEC_ABS);
      rec[len++] = uint8_t(x & 0xFF);
      rec[len++] = uint8_t((x >> 8) & 0xFF);
    }
  } else if (dx == 0) {
    if (dy > -128 && dy < 128) {
      rec[0] = uint8_t(op | TK_VEC_Y);
      rec[len++] = uint8_t(int8_t(dy));
    } else {
      rec[0] = uint8_t(op | TK_VEC_Y | TK_VEC_ABS);
      rec[len++] = uint8_t(y & 0xFF);
      rec[len++] = uint8_t((y >> 8) & 0xFF);
    }
  } else if (dx > -128 && dx < 128 && dy > -128 && dy < 128) {
    rec[0] = uint8_t(op | TK_VEC_X | TK_VEC_Y);
    rec[len++] = uint8_t(int8_t(dx));
    rec[len++] = uint8_t(int8_t(dy));
  } else {
    rec[0] = uint8_t(op | TK_VEC_X | TK_VEC_Y | TK_VEC_ABS);
    rec[len++] = uint8_t(x & 0xFF);
    rec[len++] = uint8_t((x >> 8) & 0xFF);
    rec[len++] = uint8_t(y & 0xFF);
    rec[len++] = uint8_t((y >> 8) & 0xFF);
  }
  put_bytes(n, rec, len);
  n.last_x = x;
  n.last_y = y;
}

// --- device output
// ------------------------------------------------------------------------------

// Cohen-Sutherland in integers against the rectangle (xmin, ymin, xmax, ymax);
// the device slots carry what is left. 1 when something was drawn.
int16_t device_line(TkVecOutput* o, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                    const int32_t rect[4], TkUserData user) {
  auto code = [&](int64_t x, int64_t y) {
    int c = 0;
    if (x < rect[0]) c |= 1;
    if (x > rect[2]) c |= 2;
    if (y < rect[1]) c |= 4;
    if (y > rect[3]) c |= 8;
    return c;
  };
  int64_t ax = x0, ay = y0, bx = x1, by = y1;
  int ca = code(ax, ay), cb = code(bx, by);
  while (ca | cb) {
    if (ca & cb) return 0;
    const int c = ca ? ca : cb;
    int64_t x = 0, y = 0;
    if (c & 8) {
      x = ax + (bx - ax) * (rect[3] - ay) / (by - ay);
      y = rect[3];
    } else if (c & 4) {
      x = ax + (bx - ax) * (rect[1] - ay) / (by - ay);
      y = rect[1];
    } else if (c & 2) {
      y = ay + (by - ay) * (rect[2] - ax) / (bx - ax);
      x = rect[2];
    } else {
      y = ay + (by - ay) * (rect[0] - ax) / (bx - ax);
      x = rect[0];
    }
    if (c == ca) {
      ax = x;
      ay = y;
      ca = code(ax, ay);
    } else {
      bx = x;
      by = y;
      cb = code(bx, by);
    }
  }
  TkDisplayCallbacks* cbk = tk_display_callbacks;
  if (ax != o->last_device[0] || ay != o->last_device[1])
    if (cbk->app_moveto) cbk->app_moveto(int32_t(ax), int32_t(ay), user);
  if (cbk->app_lineto) cbk->app_lineto(int32_t(bx), int32_t(by), user);
  o->last_device[0] = int32_t(bx);
  o->last_device[1] = int32_t(by);
  return 1;
}

// The device rectangle as (xmin, ymin, xmax, ymax).
void device_bounds(const TkVecOutput* o, int32_t out[4]) {
  out[0] = std::min(o->device_rect[0], o->device_rect[2]);
  out[2] = std::max(o->device_rect[0], o->device_rect[2]);
  out[1] = std::min(o->device_rect[1], o->device_rect[3]);
  out[3] = std::max(o->device_rect[1], o->device_rect[3]);
}

// --- the recorders
// --------------------------------------------------------------------------------

void rec_move_to(int32_t x, int32_t y, TkUserData) {
  TkVecOutput* o = g_active;
  if (!o) return;
  o->pen[0] = clamp16(x);
  o->pen[1] = clamp16(y);
  o->device_pen[0] = map_x(o, o->pen[0]);
  o->device_pen[1] = map_y(o, o->pen[1]);
}

void rec_line_to(int32_t x, int32_t y, TkUserData user) {
  TkVecOutput* o = g_active;
  if (!o) return;
  const int16_t ex = clamp16(x), ey = clamp16(y);
  const int a = vec_cell(ex, ey), b = vec_cell(o->pen[0], o->pen[1]);
  const uint8_t* table = tk_display_callbacks->code_table;
  TkVecNode& n = o->nodes[table ? table[a * 64 + b] : vec_node_of(a, b)];
  put_attributes(o, n);
  put_point(n, TK_VEC_MOVE, o->pen[0], o->pen[1]);
  put_point(n, TK_VEC_LINE, ex, ey);
  const int32_t dx = map_x(o, ex), dy = map_y(o, ey);
  int32_t bounds[4];
  device_bounds(o, bounds);
  device_line(o, o->device_pen[0], o->device_pen[1], dx, dy, bounds, user);
  o->pen[0] = ex;
  o->pen[1] = ey;
  o->device_pen[0] = dx;
  o->device_pen[1] = dy;
}

// The smallest node holding every point: that of the two corner cells of their
// bounds.
uint8_t node_of_points(const int32_t* p, int32_t n) {
  int cmin[2] = {7, 7}, cmax[2] = {0, 0};
  for (int32_t i = 0; i < n; ++i)
    for (int k = 0; k < 2; ++k) {
      const int32_t v = clamp16(p[2 * i + k]);
      const int c = v < 0 ? 0 : std::min(7, v >> kCellShift);
      cmin[k] = std::min(cmin[k], c);
      cmax[k] = std::max(cmax[k], c);
    }
  if (n <= 0) return TK_VEC_ROOT;
  return vec_node_of(cmin[0] + 8 * cmin[1], cmax[0] + 8 * cmax[1]);
}

void record_loop(TkVecNode& n, const int32_t* p, int32_t count) {
  if (count <= 0) return;
  // A move to the node's last point writes nothing, yet each loop of a fill
  // starts with one.
  if (n.last_x == clamp16(p[0]) && n.last_y == clamp16(p[1])) {
    const uint8_t rec[3] = {uint8_t(TK_VEC_MOVE | TK_VEC_X | TK_VEC_Y), 0, 0};
    put_bytes(n, rec, 3);
  } else {
    put_point(n, TK_VEC_MOVE, clamp16(p[0]), clamp16(p[1]));
  }
  for (int32_t i = 1; i < count; ++i)
    put_point(n, TK_VEC_LINE, clamp16(p[2 * i]), clamp16(p[2 * i + 1]));
  put_point(n, TK_VEC_LINE, clamp16(p[0]), clamp16(p[1]));
}

std::vector<int32_t> g_mapped;
std::vector<int32_t> g_clip_a, g_clip_b;

void map_points(const TkVecOutput* o, const int32_t* p, int32_t count) {
  g_mapped.resize(size_t(count) * 2);
  for (int32_t i = 0; i < count; ++i) {
    g_mapped[2 * size_t(i)] = map_x(o, clamp16(p[2 * i]));
    g_mapped[2 * size_t(i) + 1] = map_y(o, clamp16(p[2 * i + 1]));
  }
}

void rec_fill_polygon(const int16_t range[2], const int32_t* points, TkUserData user) {
  TkVecOutput* o = g_active;
  TkDisplayCallbacks* cb = tk_display_callbacks;
  if (!o || !cb || range[1] < range[0] || range[0] < 0) return;
  const int32_t* p = points + 2 * range[0];
  const int32_t count = range[1] - range[0] + 1;
  TkVecNode& n = o->nodes[node_of_points(p, count)];
  put_attributes(o, n);
  const uint8_t bracket = TK_VEC_FILL;
  put_bytes(n, &bracket, 1);
  o->inside_fill = 1;
  record_loop(n, p, count);
  o->inside_fill = 0;
  put_bytes(n, &bracket, 1);
  map_points(o, p, count);
  const int16_t out_range[2] = {0, int16_t(count - 1)};
  if (cb->app_fill_polygon) cb->app_fill_polygon(out_range, g_mapped.data(), user);
  // The fill's first point is where a following line continues, in recorded
  // units for regeneration and mapped for the device.
  o->pen[0] = clamp16(p[0]);
  o->pen[1] = clamp16(p[1]);
  o->device_pen[0] = g_mapped[0];
  o->device_pen[1] = g_mapped[1];
  cb->pen_x = p[0];
  cb->pen_y = p[1];
}

void rec_fill_loops(const int32_t* points, const int32_t* counts, int32_t loops, TkUserData user) {
  TkVecOutput* o = g_active;
  TkDisplayCallbacks* cb = tk_display_callbacks;
  if (!o || !cb || loops <= 0) return;
  TkVecNode& n = o->nodes[TK_VEC_ROOT];
  put_attributes(o, n);
  const uint8_t bracket = TK_VEC_FILL;
  put_bytes(n, &bracket, 1);
  int32_t total = 0;
  for (int32_t i = 0; i < loops; ++i) {
    record_loop(n, points + 2 * total, counts[i]);
    total += counts[i] > 0 ? counts[i] : 0;
  }
  put_bytes(n, &bracket, 1);
  map_points(o, points, total);
  if (cb->app_fill_loops) cb->app_fill_loops(g_mapped.data(), counts, loops, user);
}

void rec_set_color(int16_t colour, TkUserData user) {
  TkVecOutput* o = g_active;
  if (o) o->colour = colour;
  if (tk_display_callbacks->app_color) tk_display_callbacks->app_color(colour, user);
}

void rec_set_lineweight(int16_t lineweight, TkUserData user) {
  TkVecOutput* o = g_active;
  if (o) o->lineweight = lineweight;
  if (tk_display_callbacks->app_lineweight) tk_display_callbacks->app_lineweight(lineweight, user);
}

// --- pixel-run records
// -------------------------------------------------------------------------

// Maps the coordinates inside a pixel-run record (see image_frame.cpp) from
// recorded to device units, in place. Items: i32 0x1000000 + width, height,
// mode; i32 0x3000000; i32 0x2000000 + two 48-byte end records (x, y, column,
// row, position as f64, colour and filler bytes), i32 count, f64 step x, step
// y, then the pixel bytes.
void map_pixel_record(const TkVecOutput* o, uint8_t* rec, int32_t length, int32_t* mode) {
  int32_t at = 0;
  auto get32 = [&](int32_t pos) {
    int32_t v;
    std::memcpy(&v, rec + pos, 4);
    return v;
  };
  while (at + 4 <= length) {
    const int32_t word = get32(at);
    const int32_t kind = (word >> 24) & 0xFF;
    if (kind == 1) {
      if (at + 16 > length) return;
      *mode = get32(at + 12);
      at += 16;
    } else if (kind == 3) {
      at += 4;
    } else if (kind == 2) {
      if (at + 4 + 96 + 4 + 16 > length) return;
      double xy[4];
      std::memcpy(&xy[0], rec + at + 4, 16);
      std::memcpy(&xy[2], rec + at + 4 + 48, 16);
      const double sx =
          o->bx != o->ax ? double(o->device_rect[2] - o->device_rect[0]) / (o->bx - o->ax) : 1.0;
      const double sy =
          o->by != o->ay ? double(o->device_rect[3] - o->device_rect[1]) / (o->by - o->ay) : 1.0;
      for (int k = 0; k < 2; ++k) {
        xy[2 * k] = o->device_rect[0] + (xy[2 * k] - o->ax) * sx;
        xy[2 * k + 1] = o->device_rect[1] + (xy[2 * k + 1] - o->ay) * sy;
      }
      std::memcpy(rec + at + 4, &xy[0], 16);
      std::memcpy(rec + at + 4 + 48, &xy[2], 16);
      const int32_t count = get32(at + 4 + 96);
      double step[2];
      std::memcpy(step, rec + at + 4 + 96 + 4, 16);
      step[0] *= sx;
      step[1] *= sy;
      std::memcpy(rec + at + 4 + 96 + 4, step, 16);
      at += 4 + 96 + 4 + 16;
      const int64_t bytes = *mode == 2 ? (int64_t(count) + 7) / 8 : int64_t(count) * 3;
      if (count < 0 || bytes > length - at) return;
      at += int32_t(bytes);
    } else {
      return;
    }
  }
}

std::vector<uint8_t> g_pixels;

void forward_pixels(const TkVecOutput* o, const uint8_t* record, int32_t length, TkUserData user) {
  TkDisplayCallbacks* cb = tk_display_callbacks;
  if (!cb->app_draw_pixels || length <= 0) return;
  g_pixels.assign(record, record + length);
  int32_t mode = 0;
  map_pixel_record(o, g_pixels.data(), length, &mode);
  cb->app_draw_pixels(g_pixels.data(), length, user);
}

// --- replay
// ---------------------------------------------------------------------------------------

struct Reader {
  const TkVecChunk* chunk;
  uint32_t at;
  uint64_t read;
  bool get(uint8_t* out) {
    while (chunk && at >= chunk->used) {
      chunk = chunk->next;
      at = 0;
    }
    if (!chunk) return false;
    *out = chunk->bytes[at++];
    ++read;
    return true;
  }
  bool get16(int16_t* out) {
    uint8_t lo, hi;
    if (!get(&lo) || !get(&hi)) return false;
    *out = int16_t(uint16_t(lo | (hi << 8)));
    return true;
  }
  bool get32(int32_t* out) {
    uint8_t b[4];
    for (uint8_t& v : b)
      if (!get(&v)) return false;
    *out =
        int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
    return true;
  }
};

struct Replay {
  TkVecOutput* o;
  TkUserData user;
  int32_t bounds[4];
  int16_t colour, lineweight;
  uint64_t done;  // bytes of finished lists
  uint64_t next_step, step, total;
  uint16_t poll;
  std::vector<int32_t> fill;    // device points of the fill being read
  std::vector<int32_t> counts;  // points per loop
};

// A recorded loop ends with a line back to its first point, which the fill
// slots do not want.
void drop_closing_point(Replay& r) {
  if (r.counts.empty() || r.counts.back() < 2) return;
  const size_t n = size_t(r.counts.back()), end = r.fill.size();
  if (r.fill[end - 2] == r.fill[end - 2 * n] && r.fill[end - 1] == r.fill[end - 2 * n + 1]) {
    r.fill.resize(end - 2);
    --r.counts.back();
  }
}

void send_fill(Replay& r) {
  TkDisplayCallbacks* cb = tk_display_callbacks;
  if (r.counts.empty()) return;
  if (r.counts.size() == 1) {
    const int32_t kept = vec_clip_fill_polygon(r.counts[0], r.fill.data(), r.bounds, &g_clip_a);
    if (kept >= 3 && cb->app_fill_polygon) {
      const int16_t range[2] = {0, int16_t(kept - 1)};
      cb->app_fill_polygon(range, g_clip_a.data(), r.user);
    }
  } else {
    // Each loop clipped to the convex device rectangle alone keeps which device
    // points the region covers, whatever the fill rule.
    g_clip_b.clear();
    std::vector<int32_t> kept_counts;
    int32_t at = 0;
    for (int32_t n : r.counts) {
      const int32_t kept =
          vec_clip_fill_polygon(n, r.fill.data() + 2 * size_t(at), r.bounds, &g_clip_a);
      if (kept >= 3) {
        g_clip_b.insert(g_clip_b.end(), g_clip_a.begin(), g_clip_a.begin() + 2 * kept);
        kept_counts.push_back(kept);
      }
      at += n;
    }
    if (!kept_counts.empty() && cb->app_fill_loops)
      cb->app_fill_loops(g_clip_b.data(), kept_counts.data(), int32_t(kept_counts.size()), r.user);
  }
  r.fill.clear();
  r.counts.clear();
}

// Replays one node's list; false when it ended on the continue flag.
bool replay_list(Replay& r, const TkVecNode& node) {
  TkDisplayCallbacks* cb = tk_display_callbacks;
  TkVecOutput* o = r.o;
  regen_continue = 1;
  o->last_device[0] = o->last_device[1] = 0;
  if (cb->app_moveto) cb->app_moveto(0, 0, r.user);
  if (r.colour != 7 && cb->app_color) cb->app_color(7, r.user);
  r.colour = 7;
  if (cb->app_lineweight && r.lineweight != 0) cb->app_lineweight(0, r.user);
  r.lineweight = 0;
  Reader in{node.first, 0, 0};
  int32_t lx = -10000, ly = -10000;  // the node's last point as written
  int32_t pen[2] = {0, 0};           // device pen
  bool in_fill = false;
  uint8_t op;
  while (in.get(&op)) {
    if (op == TK_VEC_ATTR) {
      uint8_t flags, c;
      if (!in.get(&flags)) break;
      if (flags & 1) {
        if (!in.get(&c)) break;
        if (c != r.colour && cb->app_color) cb->app_color(c, r.user);
        r.colour = c;
      }
      if (flags & 2) {
        int16_t w;
        if (!in.get16(&w)) break;
        if (w != r.lineweight && cb->app_lineweight) cb->app_lineweight(w, r.user);
        r.lineweight = w;
      }
    } else if (op == TK_VEC_FILL) {
      if (in_fill) {
        drop_closing_point(r);
        send_fill(r);
      }
      in_fill = !in_fill;
    } else if (op == TK_VEC_EXT) {
      uint8_t sub;
      int32_t length;
      if (!in.get(&sub) || !in.get32(&length) || length < 0) break;
      std::vector<uint8_t> bytes;
      bytes.reserve(size_t(std::min<int32_t>(length, 1 << 20)));
      uint8_t b;
      for (int32_t i = 0; i < length && in.get(&b); ++i) bytes.push_back(b);
      if (sub == TK_VEC_EXT_PIXELS) forward_pixels(o, bytes.data(), int32_t(bytes.size()), r.user);
    } else if (op & (TK_VEC_MOVE | TK_VEC_LINE)) {
      int16_t v;
      int32_t x = lx, y = ly;
      if (op & TK_VEC_X) {
        if (op & TK_VEC_ABS) {
          if (!in.get16(&v)) break;
          x = v;
        } else {
          uint8_t d;
          if (!in.get(&d)) break;
          x = lx + int8_t(d);
        }
      }
      if (op & TK_VEC_Y) {
        if (op & TK_VEC_ABS) {
          if (!in.get16(&v)) break;
          y = v;
        } else {
          uint8_t d;
          if (!in.get(&d)) break;
          y = ly + int8_t(d);
        }
      }
      lx = x;
      ly = y;
      const int32_t dx = map_x(o, x), dy = map_y(o, y);
      if (in_fill) {
        if ((op & TK_VEC_MOVE) || r.counts.empty()) {
          drop_closing_point(r);
          r.counts.push_back(0);
        }
        r.fill.push_back(dx);
        r.fill.push_back(dy);
        ++r.counts.back();
      } else if (op & TK_VEC_MOVE) {
        pen[0] = dx;
        pen[1] = dy;
      } else {
        device_line(o, pen[0], pen[1], dx, dy, r.bounds, r.user);
        pen[0] = dx;
        pen[1] = dy;
      }
    } else {
      break;  // not a record this writer makes
    }
    if (cb->poll) {
      const uint16_t interval = cb->poll_interval ? cb->poll_interval : 100;
      if (++r.poll >= interval) {
        r.poll = 0;
        cb->poll(r.user);
      }
    }
    if (cb->progress && r.done + in.read >= r.next_step) {
      cb->progress(int16_t((r.done + in.read) * 100 / r.total), r.user);
      while (r.next_step <= r.done + in.read) r.next_step += r.step;
    }
    if (!regen_continue) return false;
  }
  r.done += node.size;
  return true;
}

bool same_view_orientation(const TkViewDesc& a, const TkViewDesc& b) {
  for (int i = 0; i < 3; ++i)
    if (a.direction[i] != b.direction[i] || a.up[i] != b.up[i]) return false;
  return true;
}

// The recorded coordinates of the view's lower-left and upper-right corners.
void view_corners(const TkVecOutput* o, const TkViewDesc* view, double a[2], double b[2]) {
  TkViewDesc c = *view;
  view_pan(&c, -view->width / 2, -view->height / 2);
  double p[4] = {c.target[0], c.target[1], c.target[2], 1.0};
  tk_matrix_transform_point4(p, o->transform, p);
  a[0] = p[0];
  a[1] = p[1];
  c = *view;
  view_pan(&c, view->width / 2, view->height / 2);
  double q[4] = {c.target[0], c.target[1], c.target[2], 1.0};
  tk_matrix_transform_point4(q, o->transform, q);
  b[0] = q[0];
  b[1] = q[1];
}

int32_t round_to_int(double v) {
  if (!(v > -2e9)) return -2000000000;
  if (!(v < 2e9)) return 2000000000;
  return int32_t(std::floor(v + 0.5));
}

}  // namespace

// --- code table and nodes
// --------------------------------------------------------------------------

uint8_t vec_node_of(int a, int b) {
  if (a < 0 || a >= TK_VEC_CELLS || b < 0 || b >= TK_VEC_CELLS) return TK_VEC_ROOT;
  if (a == b) return uint8_t(a);
  const int ar = a / 8, ac = a % 8, br = b / 8, bc = b % 8;
  if (ar / 2 == br / 2 && ac / 2 == bc / 2) return uint8_t(64 + 4 * (ar / 2) + ac / 2);
  if (ar / 4 == br / 4 && ac / 4 == bc / 4) return uint8_t(80 + 2 * (ar / 4) + ac / 4);
  return TK_VEC_ROOT;
}

void vec_init_code_table(uint8_t* table) {
  if (!table) return;
  for (int a = 0; a < TK_VEC_CELLS; ++a)
    for (int b = 0; b < TK_VEC_CELLS; ++b) table[a * 64 + b] = vec_node_of(a, b);
}

int vec_cell(int32_t x, int32_t y) {
  const int cx = x < 0 ? 0 : std::min(7, int(x >> kCellShift));
  const int cy = y < 0 ? 0 : std::min(7, int(y >> kCellShift));
  return cx + 8 * cy;
}

uint8_t vec_common_node(uint8_t a, uint8_t b) {
  auto position = [](uint8_t node) {
    const char* p = std::strchr(kCodeString, char(node));
    return node >= 64 && p ? int(p - kCodeString) : 0;
  };
  int pa = position(a), pb = position(b);
  while (pa != pb && pa != 0 && pb != 0) {
    if (pa > pb)
      pa = (pa - 1) / 4;
    else
      pb = (pb - 1) / 4;
  }
  return pa == pb ? uint8_t(kCodeString[pa]) : uint8_t(TK_VEC_ROOT);
}

// --- the state
// ------------------------------------------------------------------------------------

TkVecOutput* vec_output_of(TkDrawing* drawing) {
  TkDisplayState* s = drawing ? drawing->display : nullptr;
  if (!s) return nullptr;
  if (!s->vec) {
    s->vec = static_cast<TkVecOutput*>(mem_alloc(sizeof(TkVecOutput)));
    if (!s->vec) {
      tk_fail_alloc(TK_ERR_DISPLAY_ALLOC);
      return nullptr;
    }
    std::memset(s->vec, 0, sizeof *s->vec);
    s->vec->unit_size = 1.0;
    vec_reset_segments(drawing);
  }
  return s->vec;
}

void vec_set_device_rect(TkDrawing* drawing, const int32_t rect[4], int32_t recorded_out[4]) {
  TkVecOutput* o = vec_output_of(drawing);
  if (!o) return;
  std::memcpy(o->device_rect, rect, sizeof o->device_rect);
  o->device_width = std::abs(rect[2] - rect[0]);
  o->device_height = std::abs(rect[3] - rect[1]);
  const int32_t w = std::max(o->device_width, 1), h = std::max(o->device_height, 1);
  if (w >= h) {
    o->recorded_width = TK_VEC_SPACE;
    o->recorded_height = int16_t(int64_t(TK_VEC_SPACE) * h / w);
  } else {
    o->recorded_height = TK_VEC_SPACE;
    o->recorded_width = int16_t(int64_t(TK_VEC_SPACE) * w / h);
  }
  // The recorded space keeps the device's orientation, so that recorded to
  // device is a plain scale and shift in each axis.
  o->recorded_rect[0] = rect[0] <= rect[2] ? 0 : o->recorded_width;
  o->recorded_rect[2] = rect[0] <= rect[2] ? o->recorded_width : 0;
  o->recorded_rect[1] = rect[1] <= rect[3] ? 0 : o->recorded_height;
  o->recorded_rect[3] = rect[1] <= rect[3] ? o->recorded_height : 0;
  if (recorded_out) std::memcpy(recorded_out, o->recorded_rect, sizeof o->recorded_rect);
  o->unit_size = o->device_width * 3.125e-5;
}

void vec_set_view(TkDrawing* drawing, const TkViewDesc* view) {
  TkVecOutput* o = vec_output_of(drawing);
  if (!o) return;
  o->recorded_view = *view;
  std::memcpy(o->transform, drawing->display->viewports[0].matrix, sizeof o->transform);
}

void vec_set_device_extents(TkDrawing* drawing, const TkViewDesc* view) {
  TkVecOutput* o = vec_output_of(drawing);
  if (!o) return;
  double a[2], b[2];
  view_corners(o, view, a, b);
  o->ax = round_to_int(a[0]);
  o->ay = round_to_int(a[1]);
  o->bx = round_to_int(b[0]);
  o->by = round_to_int(b[1]);
}

void view_pan(TkViewDesc* view, double dx, double dy) {
  const double* d = view->direction;
  double* u = view->up;
  const double ul = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
  if (ul > 0)
    for (int i = 0; i < 3; ++i) u[i] /= ul;
  double right[3] = {u[1] * d[2] - u[2] * d[1], u[2] * d[0] - u[0] * d[2],
                     u[0] * d[1] - u[1] * d[0]};
  const double rl = std::sqrt(right[0] * right[0] + right[1] * right[1] + right[2] * right[2]);
  if (rl > 0)
    for (double& c : right) c /= rl;
  for (int i = 0; i < 3; ++i) view->target[i] += dx * right[i] + dy * u[i];
  view->target[3] = 1.0;
}

int16_t vec_view_needs_regen(TkDrawing* drawing, const TkViewDesc* view) {
  TkVecOutput* o = drawing && drawing->display ? drawing->display->vec : nullptr;
  if (!o) return 1;
  const TkViewDesc& rv = o->recorded_view;
  if (!same_view_orientation(*view, rv)) return 1;
  if (!(view->width > 0 && view->height > 0 && rv.width > 0 && rv.height > 0)) return 1;
  if (view->width / rv.width < o->device_width * 3.125e-5) return 1;
  if (view->height / rv.height < o->device_height * 3.125e-5) return 1;
  double a[2], b[2];
  view_corners(o, view, a, b);
  const double x0 = std::min(a[0], b[0]), x1 = std::max(a[0], b[0]);
  const double y0 = std::min(a[1], b[1]), y1 = std::max(a[1], b[1]);
  if (x0 < -0.5 || y0 < -0.5 || x1 > o->recorded_width + 1.5 || y1 > o->recorded_height + 1.5)
    return 1;
  return 0;
}

int16_t vec_display_set_view(TkDrawing* drawing, const TkViewDesc* view, const int32_t rect[4]) {
  TkDisplayState* s = drawing->display;
  TkVecOutput* o = vec_output_of(drawing);
  if (!o) {
    // No recorder to be had: the view is drawn straight to the device.
    s->recording = 0;
    std::memcpy(s->device_rect, rect, sizeof s->device_rect);
    tk_compute_view(drawing, view, rect);
    return 1;
  }
  const bool same_device = std::abs(rect[2] - rect[0]) == o->device_width &&
                           std::abs(rect[3] - rect[1]) == o->device_height &&
                           ((rect[0] <= rect[2]) == (o->device_rect[0] <= o->device_rect[2])) &&
                           ((rect[1] <= rect[3]) == (o->device_rect[1] <= o->device_rect[3]));
  if (s->lists_valid && same_device && !vec_view_needs_regen(drawing, view)) {
    // Served from the lists: only the window over the recorded space moves.
    std::memcpy(o->device_rect, rect, sizeof o->device_rect);
    std::memcpy(s->device_rect, rect, sizeof s->device_rect);
    s->view = *view;
    vec_set_device_extents(drawing, view);
    return 1;
  }
  s->lists_valid = 0;
  std::memcpy(s->device_rect, rect, sizeof s->device_rect);
  int32_t recorded[4];
  vec_set_device_rect(drawing, rect, recorded);
  tk_compute_view(drawing, view, recorded);
  vec_set_view(drawing, view);
  vec_set_device_extents(drawing, view);
  return 1;
}

void vec_install_default_output(TkDrawing* drawing) {
  TkDisplayCallbacks* cb = tk_display_callbacks;
  TkVecOutput* o = vec_output_of(drawing);
  if (!cb || !o) return;
  cb->moveto = rec_move_to;
  cb->lineto = rec_line_to;
  cb->fill_polygon = rec_fill_polygon;
  // Regeneration keeps several loops together only for an application that
  // fills them.
  cb->fill_loops = cb->app_fill_loops ? rec_fill_loops : nullptr;
  cb->color = rec_set_color;
  cb->lineweight = cb->app_lineweight ? rec_set_lineweight : nullptr;
  cb->draw_pixels = cb->app_draw_pixels ? vec_record_pixels : nullptr;
  vec_unit_size = o->unit_size;
}

void vec_install_direct_output(TkDrawing*) {
  TkDisplayCallbacks* cb = tk_display_callbacks;
  if (!cb) return;
  cb->moveto = cb->app_moveto;
  cb->lineto = cb->app_lineto;
  cb->fill_polygon = cb->app_fill_polygon ? tk_fill_wrapper : nullptr;
  cb->fill_loops = cb->app_fill_loops;
  cb->color = cb->app_color;
  cb->lineweight = cb->app_lineweight;
  cb->draw_pixels = cb->app_draw_pixels;
  vec_unit_size = 1.0;
  g_active = nullptr;
}

void vec_begin_recording(TkDrawing* drawing) {
  TkVecOutput* o = vec_output_of(drawing);
  TkDisplayCallbacks* cb = tk_display_callbacks;
  if (!o || !cb) return;
  g_active = o;
  for (TkVecNode& n : o->nodes) n.last_x = n.last_y = -10000;
  o->last_device[0] = o->last_device[1] = 0;
  o->inside_fill = 0;
  o->failed = 0;
  o->colour = 7;
  o->lineweight = 0;
  o->pen[0] = o->pen[1] = 0;
  o->device_pen[0] = map_x(o, 0);
  o->device_pen[1] = map_y(o, 0);
  if (cb->app_moveto) cb->app_moveto(0, 0, drawing->user_data);
}

void vec_reset_segments(TkDrawing* drawing) {
  TkVecOutput* o = drawing && drawing->display ? drawing->display->vec : nullptr;
  if (!o) return;
  for (TkVecNode& n : o->nodes) {
    n.first = n.last = nullptr;
    n.size = 0;
    n.last_colour = n.last_lineweight = -32000;
    n.last_x = n.last_y = -10000;
  }
}

void vec_free_display_lists(TkDrawing* drawing) {
  TkVecOutput* o = drawing && drawing->display ? drawing->display->vec : nullptr;
  if (!o) return;
  for (TkVecNode& n : o->nodes)
    while (TkVecChunk* c = n.first) {
      n.first = c->next;
      mem_free(c);
    }
}

void vec_discard_display_lists(TkDrawing* drawing) {
  vec_free_display_lists(drawing);
  vec_reset_segments(drawing);
  if (drawing && drawing->display) drawing->display->lists_valid = 0;
}

void vec_close_display_lists(TkDrawing* drawing) {
  // The lists are written straight into their chunks: nothing stays open, and a
  // recording that could not grow a list is not complete.
  TkVecOutput* o = drawing && drawing->display ? drawing->display->vec : nullptr;
  if (o && o->failed) vec_discard_display_lists(drawing);
}

uint64_t vec_list_bytes(const TkDrawing* drawing) {
  const TkVecOutput* o = drawing && drawing->display ? drawing->display->vec : nullptr;
  uint64_t total = 0;
  if (o)
    for (const TkVecNode& n : o->nodes) total += n.size;
  return total;
}

void vec_visible_nodes(const TkVecOutput* o, uint8_t visible[TK_VEC_NODES]) {
  std::memset(visible, 0, TK_VEC_NODES);
  const int32_t x0 = std::min(o->ax, o->bx), x1 = std::max(o->ax, o->bx);
  const int32_t y0 = std::min(o->ay, o->by), y1 = std::max(o->ay, o->by);
  bool any = false;
  for (int cell = 0; cell < TK_VEC_CELLS; ++cell) {
    const int32_t cx0 = (cell % 8) << kCellShift, cy0 = (cell / 8) << kCellShift;
    const int32_t cx1 = cx0 + (1 << kCellShift), cy1 = cy0 + (1 << kCellShift);
    if (x1 < cx0 || x0 > cx1 || y1 < cy0 || y0 > cy1) continue;
    visible[cell] = 1;
    visible[vec_node_of(cell, cell ^ 1)] = 1;
    const int r = cell / 8, c = cell % 8;
    visible[80 + 2 * (r / 4) + c / 4] = 1;
    any = true;
  }
  if (any) visible[TK_VEC_ROOT] = 1;
}

int16_t vec_replay(TkDrawing* drawing) {
  TkVecOutput* o = drawing && drawing->display ? drawing->display->vec : nullptr;
  TkDisplayCallbacks* cb = tk_display_callbacks;
  if (!o || !cb) return 0;
  g_active = o;
  uint8_t visible[TK_VEC_NODES];
  vec_visible_nodes(o, visible);
  Replay r{};
  r.o = o;
  r.user = drawing->user_data;
  device_bounds(o, r.bounds);
  r.colour = -1;
  r.lineweight = -1;
  for (int i = 0; i < TK_VEC_NODES; ++i)
    if (visible[i]) r.total += o->nodes[i].size;
  o->bytes_to_replay = int64_t(r.total);
  r.step = std::max<uint64_t>(r.total / 20, 1);
  r.next_step = r.step;
  if (r.total == 0) r.total = 1;
  for (uint8_t node : kReplayOrder) {
    if (!visible[node] || !o->nodes[node].first) continue;
    if (!replay_list(r, o->nodes[node])) break;
  }
  if (cb->progress) cb->progress(100, r.user);
  g_active = nullptr;
  return 1;
}

void vec_record_pixels(const uint8_t* record, int32_t length, TkUserData user) {
  TkVecOutput* o = g_active;
  if (!o || length <= 0) return;
  TkVecNode& n = o->nodes[TK_VEC_ROOT];
  uint8_t head[6] = {TK_VEC_EXT, TK_VEC_EXT_PIXELS};
  std::memcpy(head + 2, &length, 4);
  put_bytes(n, head, 6);
  put_bytes(n, record, uint32_t(length));
  forward_pixels(o, record, length, user);
}

int32_t vec_clip_fill_polygon(int32_t n, const int32_t* points, const int32_t rect[4],
                              std::vector<int32_t>* out) {
  out->clear();
  if (n < 3) return 0;
  std::vector<int64_t> a(points, points + 2 * n), b;
  // A clockwise outline is turned round first.
  const int64_t cross = (a[2] - a[0]) * (a[5] - a[3]) - (a[3] - a[1]) * (a[4] - a[2]);
  if (cross < 0)
    for (int32_t i = 0; i < n / 2; ++i) {
      std::swap(a[2 * i], a[2 * (n - 1 - i)]);
      std::swap(a[2 * i + 1], a[2 * (n - 1 - i) + 1]);
    }
  for (int edge = 0; edge < 4; ++edge) {
    // Inside tests: x >= xmin, y >= ymin, x <= xmax, y <= ymax.
    auto inside = [&](int64_t x, int64_t y) {
      switch (edge) {
        case 0:
          return x >= rect[0];
        case 1:
          return y >= rect[1];
        case 2:
          return x <= rect[2];
        default:
          return y <= rect[3];
      }
    };
    auto cut = [&](int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t* x, int64_t* y) {
      auto div_round = [](int64_t num, int64_t den) {
        if (den < 0) {
          num = -num;
          den = -den;
        }
        return num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den);
      };
      if (edge == 0 || edge == 2) {
        const int64_t ex = edge == 0 ? rect[0] : rect[2];
        *x = ex;
        *y = y0 + div_round((y1 - y0) * (ex - x0), x1 - x0);
      } else {
        const int64_t ey = edge == 1 ? rect[1] : rect[3];
        *y = ey;
        *x = x0 + div_round((x1 - x0) * (ey - y0), y1 - y0);
      }
    };
    b.clear();
    const size_t m = a.size() / 2;
    if (m == 0) break;
    int64_t px = a[2 * (m - 1)], py = a[2 * (m - 1) + 1];
    bool pin = inside(px, py);
    for (size_t i = 0; i < m; ++i) {
      const int64_t x = a[2 * i], y = a[2 * i + 1];
      const bool in = inside(x, y);
      if (in != pin) {
        int64_t cx, cy;
        cut(px, py, x, y, &cx, &cy);
        b.push_back(cx);
        b.push_back(cy);
      }
      if (in) {
        b.push_back(x);
        b.push_back(y);
      }
      px = x;
      py = y;
      pin = in;
    }
    a.swap(b);
  }
  const int32_t kept = int32_t(a.size() / 2);
  if (kept < 3) return 0;
  // Every point lies inside the rectangle now, so it fits 32 bits.
  out->assign(a.begin(), a.end());
  return kept;
}
