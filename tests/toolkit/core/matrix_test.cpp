// Matrices and vectors: the entity coordinate system around its threshold, multiplication and
// transformation into an aliased output, translations in local and world axes, inversion, and
// the small geometric helpers at their edge cases.
#include "toolkit/core/matrix.h"

#include <gtest/gtest.h>

#include <cmath>

#include "records_support.h"
#include "toolkit/core/state.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

void expect_rows(const double m[16], const double want[16]) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], want[i], 1e-12) << "entry " << i;
}

struct ExtrusionCase {
  double n[3];
  double x_axis[3];
  double y_axis[3];
};

TEST(MatrixTest, ExtrusionGivesTheArbitraryAxisSystem) {
  const double s = 1.0 / 64.0;
  const double len = std::sqrt(s * s + 1.0);
  const ExtrusionCase cases[] = {
      {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},
      {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}},
      // On the threshold the strict test fails, so X comes from world Z: (0, s, 0) / s.
      {{s, 0, 1}, {0, 1, 0}, {-1 / len, 0, s / len}},
      // Just below it the X axis comes from world Y.
      {{s / 2, 0, 1}, {1 / std::sqrt(1 + s * s / 4), 0, -(s / 2) / std::sqrt(1 + s * s / 4)},
       {0, 1, 0}},
  };
  for (const auto& c : cases) {
    double m[16];
    tk_matrix_from_extrusion(c.n, m);
    for (int j = 0; j < 3; ++j) {
      EXPECT_NEAR(m[j], c.x_axis[j], 1e-12) << "x axis of " << c.n[0] << "," << c.n[2];
      EXPECT_NEAR(m[8 + j], c.n[j], 1e-15);
      EXPECT_NEAR(m[12 + j], 0.0, 0.0);
    }
    // The Y axis is unit(N x X), whatever the length of N.
    double y[4];
    tk_vec3_cross_unit(c.n, m, y);
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(m[4 + j], y[j], 1e-12);
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(m[4 + j], c.y_axis[j], 1e-12);
    EXPECT_EQ(m[3], 0.0);
    EXPECT_EQ(m[7], 0.0);
    EXPECT_EQ(m[11], 0.0);
    EXPECT_EQ(m[15], 1.0);
  }
}

TEST(MatrixTest, MultiplyAndTransformWriteIntoAnAliasedOutput) {
  double a[16], b[16];
  for (int i = 0; i < 16; ++i) {
    a[i] = i * 0.5 - 3;
    b[i] = (i % 5) - 1.25;
  }
  double separate[16];
  tk_matrix_multiply(a, b, separate);
  double left[16], right[16];
  std::copy(a, a + 16, left);
  tk_matrix_multiply(left, b, left);
  expect_rows(left, separate);
  std::copy(b, b + 16, right);
  tk_matrix_multiply(a, right, right);
  expect_rows(right, separate);

  double p[4] = {1, 2, 3, 1}, q[4];
  tk_matrix_transform_point4(p, a, q);
  tk_matrix_transform_point4(p, a, p);
  for (int j = 0; j < 4; ++j) EXPECT_DOUBLE_EQ(p[j], q[j]);
}

TEST(MatrixTest, LocalTranslationFollowsTheRotatedAxesWorldTranslationDoesNot) {
  double m[16];
  tk_matrix_identity(m);
  tk_matrix_rotate_z(kPi / 2, m);
  double local[16], world[16];
  std::copy(m, m + 16, local);
  std::copy(m, m + 16, world);
  const double v[3] = {1, 0, 0};
  tk_matrix_translate_local(v, local);
  tk_matrix_translate(1, 0, 0, world);
  double origin[4] = {0, 0, 0, 1}, a[4], b[4];
  tk_matrix_transform_point4(origin, local, a);
  tk_matrix_transform_point4(origin, world, b);
  EXPECT_NEAR(a[0], 0.0, 1e-12);
  EXPECT_NEAR(a[1], 1.0, 1e-12);
  EXPECT_NEAR(b[0], 1.0, 1e-12);
  EXPECT_NEAR(b[1], 0.0, 1e-12);
}

TEST(MatrixTest, InverseUndoesAMatrixThatNeedsPivoting) {
  // A zero in the first diagonal place forces a row exchange.
  double m[16] = {0, 2, 0, 0, 1, 0, 0, 0, 0, 0, 3, 0, 5, -1, 2, 1};
  double inv[16];
  std::copy(m, m + 16, inv);
  tk_matrix_invert(inv);
  double product[16];
  tk_matrix_multiply(m, inv, product);
  expect_rows(product, tk_matrix_identity_table);
}

TEST(MatrixTest, ScaleKeepsTheOriginAndRotationAboutAnAxisMovesAroundIt) {
  double m[16];
  tk_matrix_identity(m);
  tk_matrix_translate(10, 20, 0, m);
  tk_matrix_apply_scale(2, 3, 4, m);
  double p[4] = {1, 1, 1, 1};
  tk_matrix_transform_point4(p, m, p);
  EXPECT_DOUBLE_EQ(p[0], 12);
  EXPECT_DOUBLE_EQ(p[1], 23);
  EXPECT_DOUBLE_EQ(p[2], 4);

  double q[3] = {2, 1, 5};
  const double axis_point[3] = {1, 1, 0}, axis[3] = {0, 0, 7};
  tk_rotate_point_about_axis(q, axis_point, axis, kPi / 2);
  EXPECT_NEAR(q[0], 1, 1e-12);
  EXPECT_NEAR(q[1], 2, 1e-12);
  EXPECT_NEAR(q[2], 5, 1e-12);
}

TEST(MatrixTest, GeometricHelpersAtTheirEdges) {
  const double a[3] = {0, 0, 0}, b[3] = {1, 1, 0}, c[3] = {2, 2, 0};
  double n[4], centre[3];
  tk_circle_centre_3pt(a, b, c, n, centre);  // collinear: the first mid-point
  EXPECT_DOUBLE_EQ(centre[0], 0.5);
  EXPECT_DOUBLE_EQ(centre[1], 0.5);

  const double p0[3] = {1, 0, 3}, p1[3] = {0, 1, 3}, p2[3] = {-1, 0, 3};
  tk_circle_centre_3pt(p0, p1, p2, n, centre);
  EXPECT_NEAR(centre[0], 0, 1e-12);
  EXPECT_NEAR(centre[1], 0, 1e-12);
  EXPECT_NEAR(centre[2], 3, 1e-12);
  EXPECT_NEAR(std::fabs(n[2]), 1, 1e-12);

  struct AngleCase {
    double v[2];
    double angle;
  };
  const AngleCase angles[] = {{{-1, 0}, -kPi}, {{0, 0}, kPi / 2}, {{0, -2}, -kPi / 2},
                              {{-1, 1}, 3 * kPi / 4}, {{1, 1}, kPi / 4}};
  for (const auto& t : angles) EXPECT_NEAR(tk_vec2_angle(t.v), t.angle, 1e-15);

  const double o[3] = {0, 0, 0}, d45[3] = {1, 1, 0}, d90[3] = {0, 5, 0}, d180[3] = {-3, 0, 0};
  const double d15[3] = {std::cos(kPi / 12), std::sin(kPi / 12) * 0.999999, 0};
  EXPECT_EQ(tk_direction_is_oblique(o, d45), 1);
  EXPECT_EQ(tk_direction_is_oblique(o, d90), 0);
  EXPECT_EQ(tk_direction_is_oblique(o, d180), 0);
  EXPECT_EQ(tk_direction_is_oblique(o, d15), 0);

  double v[4] = {0, 0, 0, 7};
  tk_vec3_normalize(v);
  EXPECT_EQ(v[0], 0.0);
  EXPECT_EQ(v[3], 1.0);
}

TEST(MatrixTest, ArcFromChord) {
  struct ArcCase {
    double p0[2], p1[2], angle, cx, cy, r;
  };
  const ArcCase cases[] = {
      {{1, 0}, {-1, 0}, kPi, 0, 0, 1},                  // horizontal chord
      {{0, -1}, {0, 1}, kPi, 0, 0, 1},                  // vertical chord
      {{1, 0}, {0, 1}, kPi / 2, 0, 0, 1},               // oblique chord
  };
  for (const auto& c : cases) {
    double x, y, r;
    tk_arc_from_chord(c.p0, c.p1, c.angle, &x, &y, &r);
    EXPECT_NEAR(x, c.cx, 1e-9);
    EXPECT_NEAR(y, c.cy, 1e-9);
    EXPECT_NEAR(r, c.r, 1e-9);
  }
}

}  // namespace

namespace {

using ViewTransformTest = records_test::StartedToolkit;

TEST_F(ViewTransformTest, StartsAsTheIdentityAndAddsTheTranslationRow) {
  double p[3] = {1, 2, 3};
  tk_vec3_transform_view(p);
  EXPECT_EQ(p[0], 1);
  EXPECT_EQ(p[2], 3);
  tk_matrix_rotate_z(kPi / 2, tk_state->view_matrix);
  tk_matrix_translate(10, 0, 0, tk_state->view_matrix);
  tk_vec3_transform_view(p);
  EXPECT_NEAR(p[0], 10 - 2, 1e-12);
  EXPECT_NEAR(p[1], 1, 1e-12);
  EXPECT_NEAR(p[2], 3, 1e-12);
}

}  // namespace
