// B-spline basis functions: span search at the ends and near knots, partition of unity and its
// derivative, derivatives against differences, repeated knots, and the rational quadratic
// parameter on a quarter circle.
#include "sat/Bspline.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Clamped cubic, 7 control points (n = 6): 0 0 0 0 1 2 3 4 4 4 4.
const float kCubic[] = {0, 0, 0, 0, 1, 2, 3, 4, 4, 4, 4};

TEST(BsplineTest, KnotSpans) {
  struct Case {
    double u;
    int span;
  };
  const Case cases[] = {
      {0.0, 3},   {0.5, 3}, {1.0, 4},   {1.0 - 5e-7, 4}, {1.0 - 5e-6, 3},
      {3.999, 6}, {4.0, 6}, {-0.1, -1}, {4.1, -1},       {NAN, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(findKnotSpan(6, 4, c.u, kCubic), c.span) << c.u;
  const float order1[] = {0, 1, 2};
  float basis[1] = {-1};
  EXPECT_EQ(basisFunctions(1.5, 1, 1, order1, basis), 1);
  EXPECT_EQ(basis[0], 1.0f);
  float untouched[4] = {7, 7, 7, 7};
  EXPECT_EQ(basisFunctions(5.0, 6, 4, kCubic, untouched), -1);
  EXPECT_EQ(untouched[0], 7);
}

TEST(BsplineTest, PartitionOfUnityAndDerivatives) {
  for (double u = 0; u <= 4.0; u += 0.125) {
    float basis[4];
    ASSERT_GE(basisFunctions(u, 6, 4, kCubic, basis), 0) << u;
    double sum = 0;
    for (float b : basis) {
      EXPECT_GE(b, -1e-7f);
      sum += b;
    }
    EXPECT_NEAR(sum, 1.0, 1e-6) << u;

    float** table = nullptr;
    int span = basisFunctionDerivatives(u, 6, 2, 4, kCubic, table);
    ASSERT_GE(span, 0);
    double first = 0;
    for (int j = 0; j < 4; ++j) {
      EXPECT_NEAR(table[0][j], basis[j], 1e-6);
      first += table[1][j];
    }
    EXPECT_NEAR(first, 0.0, 1e-5) << u;

    // First derivatives against central differences inside a span.
    const double h = 1e-3;
    if (u > h && u + h < 4 && std::fabs(u - std::round(u)) > 2 * h) {
      float lo[4], hi[4];
      basisFunctions(u - h, 6, 4, kCubic, lo);
      basisFunctions(u + h, 6, 4, kCubic, hi);
      for (int j = 0; j < 4; ++j) EXPECT_NEAR(table[1][j], (hi[j] - lo[j]) / (2 * h), 2e-3);
    }
    freeRows(table);
  }
}

TEST(BsplineTest, RepeatedKnotsGiveNoNaN) {
  // A knot of full multiplicity inside the vector: every zero-width span term counts as 0.
  const float knots[] = {0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2};
  for (double u : {0.0, 0.5, 1.0, 1.5, 2.0}) {
    float basis[4];
    ASSERT_GE(basisFunctions(u, 7, 4, knots, basis), 0);
    double sum = 0;
    for (float b : basis) {
      EXPECT_FALSE(std::isnan(b)) << u;
      sum += b;
    }
    EXPECT_NEAR(sum, 1.0, 1e-6) << u;
    float** table = nullptr;
    ASSERT_GE(basisFunctionDerivatives(u, 7, 3, 4, knots, table), 0);
    for (int d = 0; d < 4; ++d)
      for (int j = 0; j < 4; ++j) EXPECT_FALSE(std::isnan(table[d][j])) << u << " " << d;
    freeRows(table);
  }
  // All knots equal: nothing to divide by anywhere.
  const float flat[] = {1, 1, 1, 1, 1, 1, 1, 1};
  float basis[4];
  EXPECT_EQ(basisFunctions(1.0, 3, 4, flat, basis), 3);
  for (float b : basis) EXPECT_FALSE(std::isnan(b));
}

TEST(BsplineTest, RationalQuadraticParameterOnAQuarterCircle) {
  const float w = float(std::sqrt(0.5));
  const float cp[3][4] = {{1, 0, 0, 1}, {w, w, 0, w}, {0, 1, 0, 1}};
  const c_Vector normal(0, 0, 1);
  EXPECT_NEAR(rationalQuadraticParameter(c_Point(1, 0, 0), cp, normal), 0, 1e-7);
  EXPECT_NEAR(rationalQuadraticParameter(c_Point(0, 1, 0), cp, normal), 1, 1e-6);
  // The curve at t = 1/2 is the 45-degree point.
  EXPECT_NEAR(rationalQuadraticParameter(c_Point(std::sqrt(0.5), std::sqrt(0.5), 0), cp, normal),
              0.5, 1e-6);
  const float line[3][4] = {{0, 0, 0, 1}, {1, 0, 0, 1}, {2, 0, 0, 1}};
  EXPECT_EQ(rationalQuadraticParameter(c_Point(1, 0, 0), line, normal), -1.0);
}

}  // namespace
