// Root solvers against polynomials with known roots (distinct, multiple, close, none), the
// quadratic's cases, and the half-angle equations whose angles are known.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "sat/Geometry.h"
#include "sat/RootSolvers.h"

namespace {

// Ascending coefficients of lead * prod (x - r).
std::vector<double> fromRoots(const std::vector<double>& roots, double lead = 1.0) {
  std::vector<double> c{lead};
  for (double r : roots) {
    std::vector<double> next(c.size() + 1, 0.0);
    for (size_t i = 0; i < c.size(); ++i) {
      next[i + 1] += c[i];
      next[i] -= r * c[i];
    }
    c = next;
  }
  return c;
}

struct Expected {
  double root;
  int multiplicity;
  double precision;
};

struct PolynomialCase {
  const char* name;
  std::vector<double> coefficients;
  int result;
  std::vector<Expected> roots;
};

TEST(RootSolversTest, PolynomialsWithKnownRoots) {
  const PolynomialCase cases[] = {
      {"distinct cubic", fromRoots({1, -2, 3}), 3, {{-2, 1, 1e-12}, {1, 1, 1e-12}, {3, 1, 1e-12}}},
      {"distinct quartic",
       fromRoots({-3, -1, 0.5, 2}, 2.5),
       4,
       {{-3, 1, 1e-12}, {-1, 1, 1e-12}, {0.5, 1, 1e-12}, {2, 1, 1e-12}}},
      {"degree 7",
       fromRoots({-4, -2.5, -1, 0.25, 1.5, 3, 7}),
       7,
       {{-4, 1, 1e-10},
        {-2.5, 1, 1e-10},
        {-1, 1, 1e-10},
        {0.25, 1, 1e-10},
        {1.5, 1, 1e-10},
        {3, 1, 1e-10},
        {7, 1, 1e-10}}},
      {"x^3 - x", {0, -1, 0, 1}, 3, {{-1, 1, 1e-12}, {0, 1, 0}, {1, 1, 1e-12}}},
      {"x (x^3 + x + 1)", {0, 1, 1, 0, 1}, 2, {{-0.6823278038280193, 1, 1e-12}, {0, 1, 0}}},
      {"double root", fromRoots({1, 1, -2}), 2, {{-2, 1, 1e-12}, {1, 2, 1e-12}}},
      {"triple root", fromRoots({2, 2, 2}), 1, {{2, 3, 1e-12}}},
      {"triple and simple", fromRoots({1, 1, 1, -1}), 2, {{-1, 1, 1e-12}, {1, 3, 1e-5}}},
      {"zero double root", {0, 0, -1, 0, 1}, 3, {{-1, 1, 1e-12}, {0, 2, 0}, {1, 1, 1e-12}}},
      {"roots 1e-6 apart",
       fromRoots({1, 1 + 1e-6, -2}),
       3,
       {{-2, 1, 1e-12}, {1, 1, 1e-9}, {1 + 1e-6, 1, 1e-9}}},
      {"quartic with roots 1e-6 apart",
       fromRoots({-1, 0.5, 0.5 + 1e-6, 3}),
       4,
       {{-1, 1, 1e-12}, {0.5, 1, 1e-9}, {0.5 + 1e-6, 1, 1e-9}, {3, 1, 1e-12}}},
      {"no real root, quartic", {1, 0, 0, 0, 1}, 0, {}},
      {"no real root, sextic", {2, 0, 1, 0, 0, 0, 1}, 0, {}},
      {"no real root, quadratic", {1, 0, 1}, kRootsNoRealRoot, {}},
      {"negligible leading terms", {-1, 0, 1, 1e-9, 1e-9}, 2, {{-1, 1, 1e-6}, {1, 1, 1e-6}}},
      {"linear", {3, 2}, 1, {{-1.5, 1, 1e-15}}},
      {"constant", {5}, kRootsDegenerate, {}},
      {"zero", {0, 0, 0}, kRootsDegenerate, {}},
      {"degree 21", std::vector<double>(22, 1.0), kRootsDegreeTooHigh, {}},
      {"degree 21 with a zero lead",
       [] {
         std::vector<double> c = fromRoots({1, 2, 3});
         c.resize(22, 0.0);
         return c;
       }(),
       3,
       {{1, 1, 1e-12}, {2, 1, 1e-12}, {3, 1, 1e-12}}},
      {"not a number", {1, NAN, 1}, kRootsDegenerate, {}},
  };
  for (const PolynomialCase& c : cases) {
    SCOPED_TRACE(c.name);
    PolynomialRoot roots[kMaxPolynomialRoots];
    int n = solvePolynomial(c.coefficients.data(), int(c.coefficients.size()) - 1, roots);
    ASSERT_EQ(n, c.result);
    for (int i = 0; i < n; ++i) {
      EXPECT_NEAR(roots[i].root, c.roots[i].root, c.roots[i].precision) << "root " << i;
      EXPECT_EQ(roots[i].multiplicity, c.roots[i].multiplicity) << "root " << i;
    }
  }
}

TEST(RootSolversTest, RandomQuarticsGiveTheirRoots) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> any(-10, 10);
  for (int i = 0; i < 2000; ++i) {
    std::vector<double> want = {any(random), any(random), any(random), any(random)};
    std::sort(want.begin(), want.end());
    bool separated = true;
    for (int k = 1; k < 4; ++k) separated = separated && want[k] - want[k - 1] > 1e-3;
    if (!separated) continue;
    std::vector<double> c = fromRoots(want, any(random));
    PolynomialRoot roots[kMaxPolynomialRoots];
    ASSERT_EQ(solvePolynomial(c.data(), 4, roots), 4) << i;
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(roots[k].root, want[k], 1e-7) << i;
  }
}

TEST(RootSolversTest, NewtonAndHorner) {
  const double c[] = {-2, 0, 1};  // x^2 - 2
  double v, s;
  evaluatePolynomial(c, 2, 3, &v, &s);
  EXPECT_EQ(v, 7);
  EXPECT_EQ(s, 6);
  EXPECT_NEAR(solvePolynomialNewton(c, 2, 1), std::sqrt(2.0), 1e-15);
  // A start on the critical point does not divide by zero.
  EXPECT_EQ(solvePolynomialNewton(c, 2, 0), 0);
}

TEST(RootSolversTest, Quadratics) {
  struct Case {
    double a, b, c;
    int result;
    double r0, r1;
    int doubled;
  };
  const Case cases[] = {
      {1, -2, 1, 1, 1, 0, 1},
      {1, 0, 1, kRootsNoRealRoot, 0, 0, 0},
      {1, -3, 2, 2, 1, 2, 0},
      {-1, 3, -2, 2, 1, 2, 0},
      {0, 2, -4, 1, 2, 0, 0},
      {0, 0, 1, kRootsDegenerate, 0, 0, 0},
      {0, 0, 0, kRootsDegenerate, 0, 0, 0},
      {1e-9, 1, -1, 1, 1, 0, 0},           // the square term is negligible
      {1e307, -3e307, 2e307, 2, 1, 2, 0},  // b^2 would overflow unscaled
      {1, NAN, 1, kRootsDegenerate, 0, 0, 0},
  };
  for (const Case& c : cases) {
    double r[2] = {};
    int doubled = -1;
    int n = solveQuadratic(c.a, c.b, c.c, r, &doubled);
    ASSERT_EQ(n, c.result) << c.a << " " << c.b << " " << c.c;
    if (n >= 1) {
      EXPECT_NEAR(r[0], c.r0, 1e-12);
    }
    if (n == 2) {
      EXPECT_NEAR(r[1], c.r1, 1e-12);
    }
    EXPECT_EQ(doubled, c.doubled);
  }
}

std::vector<double> anglesOf(const AngleRoot* a, int n) {
  std::vector<double> out;
  for (int i = 0; i < n; ++i) out.push_back(a[i].angle);
  std::sort(out.begin(), out.end());
  return out;
}

// cos(theta) = k written in t = tan(theta/2): (1 - t^2) = k (1 + t^2).
TEST(RootSolversTest, HalfAngleQuadratics) {
  const double pi = vorga::kPi;
  struct Case {
    const char* name;
    double a, b, c;
    int result;
    std::vector<double> angles;
  };
  const Case cases[] = {
      {"cos = 0.5", -1.5, 0, 0.5, 2, {-pi / 3, pi / 3}},
      {"cos = 0 (t = +-1)", -1, 0, 1, 2, {-pi / 2, pi / 2}},
      {"cos = -0.5 (second half-turn)", -0.5, 0, 1.5, 2, {-2 * pi / 3, 2 * pi / 3}},
      {"cos = 1 (double)", -2, 0, 0, 1, {0}},
      // One half-turn without a solution does not hide the angle found in the other.
      {"cos = -1 (double, at pi)", 0, 0, 2, 1, {pi}},
      {"0 = 0 on the first half-turn", 0, 0, 0, -3, {}},
      {"t^2 = 0: nothing on the second half-turn", 1, 0, 0, 1, {0}},
      {"sin = 0.5: 2t = 0.5 (1 + t^2)", -0.5, 2, -0.5, 2, {pi / 6, 5 * pi / 6}},
      {"no solution: cos = 2", -3, 0, -1, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AngleRoot angles[kMaxAngleRoots];
    int n = solveHalfAngleQuadratic(c.a, c.b, c.c, angles);
    ASSERT_EQ(n, c.result);
    if (n <= 0) continue;
    std::vector<double> got = anglesOf(angles, n);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(got[i], c.angles[i], 1e-9) << i;
  }
}

TEST(RootSolversTest, HalfAngleQuarticsCoverTheWholeTurn) {
  // cos(2 theta) = 0 has the four angles +-pi/4 and +-3pi/4: cos 2θ = (1 - 6t^2 + t^4)/(1 + t^2)^2.
  double c[5] = {1, 0, -6, 0, 1};
  AngleRoot angles[kMaxAngleRoots];
  int n = solveHalfAngleQuartic(c, angles);
  ASSERT_EQ(n, 4);
  std::vector<double> got = anglesOf(angles, n);
  const double pi = vorga::kPi;
  const double want[] = {-3 * pi / 4, -pi / 4, pi / 4, 3 * pi / 4};
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], want[i], 1e-9);

  // sin(2 theta) = 0 (an odd quartic: 4t (1 - t^2)): 0, +-pi/2, pi, each once.
  double e[5] = {0, 4, 0, -4, 0};
  n = solveHalfAngleEvenQuartic(e, angles);
  ASSERT_EQ(n, 4);
  got = anglesOf(angles, n);
  const double want2[] = {-pi / 2, 0, pi / 2, pi};
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], want2[i], 1e-9);
}

}  // namespace
