// Modeler outlines: collect the SAT reader's polylines as contours (a two-point run of separate
// segments becomes one contour per segment), join contours that meet, and write them in order.
#include "toolkit/core/solid_outline.h"

#include <cmath>
#include <list>
#include <vector>

#include "sat/SatEntry.h"
#include "toolkit/core/blob.h"
#include "toolkit/core/entity.h"

namespace {

struct OutlinePoint {
  double x, y, z;
};

struct Contour {
  int32_t mode;
  std::vector<OutlinePoint> points;
};

struct OutlineState {
  TkBlob* reader;
  int32_t left;
  std::list<Contour> contours;
  bool open = false;
};

int32_t read_sat(char* buffer, int32_t size, void* ctx) {
  auto* s = static_cast<OutlineState*>(ctx);
  if (!s->reader || size <= 0 || s->left <= 0) return 0;
  int32_t n = size < s->left ? size : s->left;
  if (!blob_read(s->reader, buffer, static_cast<size_t>(n))) {
    s->left = 0;
    return 0;
  }
  s->left -= n;
  return n;
}

void begin_contour(int32_t mode, void* ctx) {
  auto* s = static_cast<OutlineState*>(ctx);
  s->contours.push_back({mode, {}});
  s->open = true;
}

void add_point(double x, double y, double z, void* ctx) {
  auto* s = static_cast<OutlineState*>(ctx);
  if (!s->open) begin_contour(3, ctx);
  Contour* c = &s->contours.back();
  // Separate segments: each pair is a contour of its own.
  if (c->mode == 1 && c->points.size() == 2) {
    s->contours.push_back({1, {}});
    c = &s->contours.back();
  }
  c->points.push_back({x, y, z});
}

void end_contour(void* ctx) {
  auto* s = static_cast<OutlineState*>(ctx);
  s->open = false;
  if (!s->contours.empty() && s->contours.back().points.empty()) s->contours.pop_back();
}

bool near(double p, double q) { return std::fabs(p - q) < (std::fabs(p) + std::fabs(q)) * 1e-7 + 1e-8; }

bool same(const OutlinePoint& a, const OutlinePoint& b) { return near(a.x, b.x) && near(a.y, b.y); }

// Joins one contour onto another that it continues; false when no pair meets.
bool join_one(std::list<Contour>& contours) {
  for (auto a = contours.begin(); a != contours.end(); ++a) {
    if (a->points.empty()) continue;
    for (auto b = contours.begin(); b != contours.end(); ++b) {
      if (a == b || b->points.empty()) continue;
      if (same(a->points.front(), b->points.back())) {
        b->points.insert(b->points.end(), a->points.begin() + 1, a->points.end());
      } else if (same(a->points.back(), b->points.back())) {
        b->points.insert(b->points.end(), a->points.rbegin() + 1, a->points.rend());
      } else {
        continue;
      }
      contours.erase(a);
      return true;
    }
  }
  return false;
}

}  // namespace

int16_t tk_solid_outline(const TkEntityData* data, TkBlob* out, int32_t points_per_span) {
  TkBlob* sat = data ? tk_data_blob(data, TK_MODELER_BLOB_1) : nullptr;
  if (!sat || !out) return 0;
  OutlineState state{blob_open_read(sat), blob_stored_size(sat), {}, false};
  if (!state.reader) return 0;
  RenderOutput output{};
  output.read = read_sat;
  output.begin = begin_contour;
  output.end = end_contour;
  output.vertex = add_point;
  output.ctx = &state;
  output.pointsPerSpan = points_per_span;
  output.extraSilhouetteCount = 4;
  sat_parse_entity(&output);
  blob_close(state.reader);
  while (join_one(state.contours)) {
  }
  for (const Contour& c : state.contours)
    for (const OutlinePoint& p : c.points) {
      const double xyz[3] = {p.x, p.y, p.z};
      if (!blob_write_point3(out, xyz)) return 0;
    }
  return 1;
}
