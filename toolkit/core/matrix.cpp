// Matrix and vector operations of matrix.h. They run per entity and per vertex while a drawing
// is displayed, so everything works on the caller's storage and small temporaries.
#include "toolkit/core/matrix.h"

#include <cmath>
#include <cstring>

#include "toolkit/core/state.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kWorldY[3] = {0.0, 1.0, 0.0};
constexpr double kWorldZ[3] = {0.0, 0.0, 1.0};

double& at(double m[16], int row, int col) { return m[row * 4 + col]; }
double at(const double m[16], int row, int col) { return m[row * 4 + col]; }

// Adds factor times row `from` of m to the four doubles of target.
void add_row(double target[4], const double m[16], int from, double factor) {
  for (int j = 0; j < 4; ++j) target[j] += factor * at(m, from, j);
}

}  // namespace

const double tk_matrix_identity_table[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

void tk_matrix_identity(double out[16]) {
  std::memcpy(out, tk_matrix_identity_table, sizeof tk_matrix_identity_table);
}

void tk_matrix_multiply(const double a[16], const double b[16], double out[16]) {
  double t[16];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      // This summation order keeps results identical to stored drawings' expectations.
      double s = at(a, i, 3) * at(b, 3, j) + at(a, i, 0) * at(b, 0, j) + at(a, i, 1) * at(b, 1, j);
      t[i * 4 + j] = s + at(a, i, 2) * at(b, 2, j);
    }
  std::memcpy(out, t, sizeof t);
}

void tk_matrix_invert(double m[16]) {
  int swapped_with[4];
  for (int col = 0; col < 4; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 4; ++r)
      if (std::fabs(at(m, r, col)) > std::fabs(at(m, pivot, col))) pivot = r;
    swapped_with[col] = pivot;
    if (pivot != col)
      for (int j = 0; j < 4; ++j) std::swap(at(m, col, j), at(m, pivot, j));
    double p = at(m, col, col);
    at(m, col, col) = 1.0;
    for (int j = 0; j < 4; ++j) at(m, col, j) /= p;
    for (int r = 0; r < 4; ++r) {
      if (r == col) continue;
      double f = at(m, r, col);
      at(m, r, col) = 0.0;
      for (int j = 0; j < 4; ++j) at(m, r, j) -= f * at(m, col, j);
    }
  }
  for (int col = 3; col >= 0; --col)
    if (swapped_with[col] != col)
      for (int r = 0; r < 4; ++r) std::swap(at(m, r, col), at(m, r, swapped_with[col]));
}

void tk_matrix_transform_point4(const double point[4], const double m[16], double out[4]) {
  double t[4];
  for (int j = 0; j < 4; ++j)
    t[j] = point[0] * at(m, 0, j) + point[1] * at(m, 1, j) + point[2] * at(m, 2, j) +
           point[3] * at(m, 3, j);
  std::memcpy(out, t, sizeof t);
}

void tk_matrix_translate_local(const double v[3], double m[16]) {
  double row3[4];
  std::memcpy(row3, m + 12, sizeof row3);
  for (int i = 0; i < 3; ++i) add_row(row3, m, i, v[i]);
  std::memcpy(m + 12, row3, sizeof row3);
}

void tk_matrix_translate(double tx, double ty, double tz, double m[16]) {
  for (int i = 0; i < 4; ++i) {
    double w = at(m, i, 3);
    at(m, i, 0) += tx * w;
    at(m, i, 1) += ty * w;
    at(m, i, 2) += tz * w;
  }
}

void tk_matrix_apply_scale(double sx, double sy, double sz, double m[16]) {
  double tx = at(m, 3, 0), ty = at(m, 3, 1), tz = at(m, 3, 2);
  tk_matrix_translate(-tx, -ty, -tz, m);
  const double s[3] = {sx, sy, sz};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 4; ++j) at(m, i, j) *= s[i];
  tk_matrix_translate(tx, ty, tz, m);
}

void tk_matrix_rotate_z(double angle, double m[16]) {
  double c = std::cos(angle), s = std::sin(angle);
  for (int j = 0; j < 4; ++j) {
    double r0 = at(m, 0, j), r1 = at(m, 1, j);
    at(m, 0, j) = c * r0 + s * r1;
    at(m, 1, j) = c * r1 - s * r0;
  }
}

void tk_rotate_point_about_axis(double point[3], const double axis_point[3],
                                const double axis_direction[3], double angle) {
  double a[4] = {axis_direction[0], axis_direction[1], axis_direction[2], 1.0};
  tk_vec3_normalize(a);
  double c = std::cos(angle), s = std::sin(angle), k = 1.0 - c;
  double x = a[0], y = a[1], z = a[2];
  const double r[3][3] = {
      {(1 - x * x) * c + x * x, k * x * y + s * z, k * x * z - s * y},
      {k * x * y - s * z, (1 - y * y) * c + y * y, k * y * z + s * x},
      {k * x * z + s * y, k * y * z - s * x, (1 - z * z) * c + z * z},
  };
  double d[3] = {point[0] - axis_point[0], point[1] - axis_point[1], point[2] - axis_point[2]};
  for (int j = 0; j < 3; ++j)
    point[j] = axis_point[j] + d[0] * r[0][j] + d[1] * r[1][j] + d[2] * r[2][j];
}

void tk_matrix_from_extrusion(const double n[3], double out[16]) {
  tk_matrix_identity(out);
  out[8] = n[0];
  out[9] = n[1];
  out[10] = n[2];
  double x[4], y[4];
  if (std::fabs(n[0]) < TK_ARBITRARY_AXIS_LIMIT && std::fabs(n[1]) < TK_ARBITRARY_AXIS_LIMIT)
    tk_vec3_cross_unit(kWorldY, n, x);
  else
    tk_vec3_cross_unit(kWorldZ, n, x);
  tk_vec3_cross_unit(n, x, y);
  for (int j = 0; j < 3; ++j) {
    out[j] = x[j];
    out[4 + j] = y[j];
  }
  out[3] = out[7] = out[11] = 0.0;
}

void tk_vec3_normal_3pt(const double p0[3], const double p1[3], const double p2[3],
                        double out[4]) {
  double u[3] = {p0[0] - p1[0], p0[1] - p1[1], p0[2] - p1[2]};
  double v[3] = {p2[0] - p1[0], p2[1] - p1[1], p2[2] - p1[2]};
  tk_vec3_cross_unit(u, v, out);
}

void tk_circle_centre_3pt(const double p0[3], const double p1[3], const double p2[3],
                          double normal[4], double centre[3]) {
  double u[3], v[3], m1[3], m2[3];
  for (int j = 0; j < 3; ++j) {
    u[j] = p0[j] - p1[j];
    v[j] = p2[j] - p1[j];
    m1[j] = (p0[j] + p1[j]) / 2;
    m2[j] = (p2[j] + p1[j]) / 2;
  }
  tk_vec3_cross_unit(u, v, normal);
  double d1[4], d2[4];
  tk_vec3_cross_unit(normal, u, d1);
  tk_vec3_cross_unit(normal, v, d2);
  // m1 + t d1 = m2 + s d2, solved in the coordinate pair with the best-conditioned determinant.
  static const int kPairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};
  double best = 0.0;
  int pick = -1;
  for (int k = 0; k < 3; ++k) {
    int a = kPairs[k][0], b = kPairs[k][1];
    double det = -d1[a] * d2[b] + d1[b] * d2[a];
    if (std::fabs(det) > std::fabs(best)) {
      best = det;
      pick = k;
    }
  }
  double t = 0.0;
  if (pick >= 0) {
    int a = kPairs[pick][0], b = kPairs[pick][1];
    double ra = m2[a] - m1[a], rb = m2[b] - m1[b];
    t = (-ra * d2[b] + rb * d2[a]) / best;
  }
  for (int j = 0; j < 3; ++j) centre[j] = m1[j] + t * d1[j];
}

void tk_vec3_transform_view(double point[3]) {
  if (!tk_state) return;
  const double* v = tk_state->view_matrix;
  double t[3];
  for (int j = 0; j < 3; ++j)
    t[j] = point[0] * at(v, 0, j) + point[1] * at(v, 1, j) + point[2] * at(v, 2, j) + at(v, 3, j);
  std::memcpy(point, t, sizeof t);
}

double tk_vec3_distance(const double a[3], const double b[3]) {
  double dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

void tk_vec3_cross(const double a[3], const double b[3], double out[4]) {
  double x = a[1] * b[2] - a[2] * b[1];
  double y = a[2] * b[0] - a[0] * b[2];
  double z = a[0] * b[1] - a[1] * b[0];
  out[0] = x;
  out[1] = y;
  out[2] = z;
  out[3] = 1.0;
}

void tk_vec3_normalize(double v[4]) {
  double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (len != 0.0)
    for (int j = 0; j < 3; ++j) v[j] /= len;
  v[3] = 1.0;
}

void tk_vec3_cross_unit(const double a[3], const double b[3], double out[4]) {
  tk_vec3_cross(a, b, out);
  tk_vec3_normalize(out);
}

double tk_vec2_angle(const double v[2]) {
  double x = v[0], y = v[1];
  if (x > 0) return std::atan(y / x);
  if (x < 0) return y > 0 ? std::atan(y / x) + kPi : std::atan(y / x) - kPi;
  return y >= 0 ? kPi / 2 : -kPi / 2;
}

uint8_t tk_direction_is_oblique(const double p[3], const double q[3]) {
  const double d[2] = {q[0] - p[0], q[1] - p[1]};
  double a = tk_vec2_angle(d);
  const double t = kPi / 12;
  bool axis = (a >= -t && a <= t) || (a >= 5 * t && a <= 7 * t) || (a >= -7 * t && a <= -5 * t) ||
              a >= 11 * t || a <= -11 * t;
  return axis ? 0 : 1;
}

void tk_arc_from_chord(const double p0[2], const double p1[2], double angle, double* centre_x,
                       double* centre_y, double* radius) {
  double x0 = p0[0], y0 = p0[1], x1 = p1[0], y1 = p1[1];
  double mx = (x0 + x1) / 2, my = (y0 + y1) / 2;
  double k = 0.0;
  if (std::fabs(x0 - x1) >= 1e-14) {
    double s = (y0 - y1) / (x0 - x1);
    if (std::fabs(s) < 1e-12) {
      *centre_x = mx;
      *centre_y = my - (x0 - mx) / std::tan(angle / 2);
      *radius = std::hypot(*centre_x - x1, *centre_y - y1);
      return;
    }
    k = -1.0 / s;
  }
  double b = my - k * mx;
  double alpha = std::atan(k) - angle / 2;
  double turns = std::fabs(alpha - kPi / 2) / kPi;
  // A vertical line through p0 has no slope; nudge it off the vertical.
  if (std::fabs(turns - std::round(turns)) <= 1e-13) alpha -= 2e-13;
  double t = std::tan(alpha);
  double cx = (y0 - t * x0 - b) / (k - t);
  *centre_x = cx;
  *centre_y = k * cx + b;
  *radius = std::hypot(cx - x1, *centre_y - y1);
}
