// Numbers written into files (DXF output, measurements) must read the same whichever build wrote
// them: both builds use C99 printf in the "C" locale. This catches a Windows build that fell back
// to the old runtime's printf (three-digit exponents, other rounding) or a lost fixed-width type.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "TestData.h"

namespace {

struct FormatCase {
  const char* format;
  double value;
  const char* expected;
};

std::string Format(const char* fmt, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, fmt, v);
  return buf;
}

TEST(Format, DoublesPrintAlikeInBothBuilds) {
  static const FormatCase cases[] = {
      {"%g", 1e10, "1e+10"},
      {"%g", 1.5e-7, "1.5e-07"},
      {"%.17g", 0.1, "0.10000000000000001"},
      {"%.6f", 2.5, "2.500000"},
      {"%.0f", 0.5, "0"},  // round half to even, as glibc does
      {"%.0f", 1.5, "2"},
      {"%.3f", -0.0005, "-0.001"},
      {"%e", 12345.678, "1.234568e+04"},
  };
  for (const auto& c : cases) EXPECT_EQ(Format(c.format, c.value), c.expected) << c.format;
}

TEST(Format, SizedIntegersPrintWithTheirMacros) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%lld %llu %zu", static_cast<long long>(INT64_MIN),
                static_cast<unsigned long long>(UINT64_MAX), static_cast<size_t>(4096));
  EXPECT_STREQ(buf, "-9223372036854775808 18446744073709551615 4096");
}

TEST(Format, StoredLayoutTypesHaveTheirWidths) {
  EXPECT_EQ(sizeof(int16_t), 2u);
  EXPECT_EQ(sizeof(uint32_t), 4u);
  EXPECT_EQ(sizeof(double), 8u);
  EXPECT_EQ(sizeof(float), 4u);
}

TEST(TestData, ReachableWhenPresent) {
  VV_REQUIRE_TESTDATA();
  std::vector<unsigned char> bytes;
  ASSERT_TRUE(vvtest::ReadWholeFile(vvtest::TestDataPath("README.md"), bytes));
  EXPECT_FALSE(bytes.empty());
}

}  // namespace
