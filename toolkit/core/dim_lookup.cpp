// Dimension settings, arrow kinds, dictionary lookups and the small helpers beside them.
#include "toolkit/core/dim_lookup.h"

#include <cmath>

#include "toolkit/core/drawing_life.h"
#include "toolkit/core/state.h"

namespace {

constexpr double pi = 3.14159265358979323846;

}  // namespace

int16_t tk_arrow_kind(const char* name, uint16_t* kind) {
  static const struct {
    const char* name;
    uint16_t kind;
  } known[] = {
      {"", TK_ARROW_DEFAULT},         {"_CLOSED", TK_ARROW_CLOSED}, {"_OPEN", TK_ARROW_OPEN},
      {"_DOT", TK_ARROW_DOT},         {"_ORIGIN", TK_ARROW_ORIGIN}, {"_OPEN90", TK_ARROW_OPEN90},
      {"_NONE", TK_ARROW_NONE},       {"_OBLIQUE", TK_ARROW_OBLIQUE},
  };
  *kind = TK_ARROW_USER_BLOCK;
  for (const auto& k : known)
    if (tk_name_compare(name, k.name) == 0) *kind = k.kind;
  return 1;
}

uint16_t tk_get_max_name_length() { return tk_state ? tk_state->max_symbol_name : 0; }

int16_t tk_get_space_block_handle(const TkDrawing* drawing, TkHandle* out, uint16_t which) {
  if (which > 1) return 0;
  *out = drawing->fixed[which == 1 ? TK_FIXED_MODEL_SPACE : TK_FIXED_PAPER_SPACE];
  return tk_handle_is_null(out) ? 0 : 1;
}

double tk_angle_from_sin_scaled(double angle, double k) {
  return std::atan2(std::sin(angle) * k, std::cos(angle));
}

double tk_angle_from_cos_scaled(double angle, double k) {
  return std::atan2(std::sin(angle), std::cos(angle) * k);
}

double tk_angle_of_line(const double p0[2], const double p1[2]) {
  if (p0[0] == p1[0]) return p0[1] <= p1[1] ? pi / 2 : -pi / 2;
  double a = std::atan((p1[1] - p0[1]) / (p1[0] - p0[0]));
  return p1[0] < p0[0] ? a + pi : a;
}

double tk_angle_at_vertex(const double p0[2], const double p1[2], const double p2[2]) {
  double a = std::fabs(tk_angle_of_line(p1, p0) - tk_angle_of_line(p1, p2));
  a = std::fmod(a, 2 * pi);
  return a > pi ? 2 * pi - a : a;
}
