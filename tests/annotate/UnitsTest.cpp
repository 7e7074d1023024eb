// The unit table, formatting, parsing and the chain from a measured base value to true
// millimetres.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Units.h"

namespace {

// Settings as a test sets them; the locale formatting keeps two decimals with a comma.
class CTestUnits : public CUnitSettings {
 public:
  int m_nUnit = 0;
  BOOL m_bDecimals = FALSE;
  int GetUnit() const override { return m_nUnit; }
  BOOL GetDecimals() const override { return m_bDecimals; }
  CString FormatNumber(LPCSTR lpszFixed) const override {
    CString text;
    text.Format("%.2f", std::strtod(lpszFixed, nullptr));
    text.Replace(".", ",");
    return text;
  }
};

class UnitsTest : public ::testing::Test {
 protected:
  void SetUp() override { SetUnitSettings(&m_settings); }
  void TearDown() override { SetUnitSettings(nullptr); }
  CTestUnits m_settings;
};

TEST_F(UnitsTest, TableConvertsBothWays) {
  struct Case {
    int nUnit;
    const char* name;
    double dMm;
    double dMm2;
  } const cases[] = {
      {0, "mm", 1, 1},           {1, "cm", 10, 100},          {2, "dm", 100, 1e4},
      {3, "m", 1000, 1e6},       {4, "km", 1e6, 1e12},        {5, "10 kms", 1e7, 1e14},
      {6, "inch", 25.4, 645.16}, {7, "feet", 304.8, 92903.04}, {8, "yards", 914.4, 836127.36},
      {9, "miles", 1609344, 2.58998811e12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_STREQ(c.name, GetUnitName(c.nUnit));
    EXPECT_DOUBLE_EQ(c.dMm * 2, UnitToMm(2, c.nUnit));
    EXPECT_NEAR(2.0, MmToUnit(UnitToMm(2, c.nUnit), c.nUnit), 1e-9);
    EXPECT_DOUBLE_EQ(c.dMm2 * 3, AreaUnitToMm2(3, c.nUnit));
    EXPECT_NEAR(3.0, Mm2ToAreaUnit(AreaUnitToMm2(3, c.nUnit), c.nUnit), 1e-6);
  }
}

TEST_F(UnitsTest, UnitOutsideTablePassesValuesThrough) {
  for (int nUnit : {10, 12, 1000}) {
    EXPECT_EQ(7.5, UnitToMm(7.5, nUnit));
    EXPECT_EQ(7.5, MmToUnit(7.5, nUnit));
    EXPECT_EQ(7.5, AreaUnitToMm2(7.5, nUnit));
    EXPECT_TRUE(GetUnitName(nUnit).IsEmpty());
  }
}

TEST_F(UnitsTest, NegativeUnitMeansSetting) {
  m_settings.m_nUnit = 3;
  EXPECT_EQ(2000.0, UnitToMm(2, -1));
  EXPECT_STREQ("m", GetUnitName(-1));
  EXPECT_STREQ("1 m", FormatLength(1000, TRUE, -1));
}

TEST_F(UnitsTest, FormatsWholeNumbersWithoutDecimals) {
  struct Case {
    double dValue;
    BOOL bName;
    int nUnit;
    const char* text;
  } const cases[] = {
      {1234.5, TRUE, 0, "1235 mm"}, {2.5, FALSE, 0, "3"},     {2.4, FALSE, 0, "2"},
      {0.0, TRUE, 6, "0 inch"},     {-2.5, FALSE, 0, "-2"},   {1e300, FALSE, 0, "2147483647"},
  };
  for (const Case& c : cases) EXPECT_STREQ(c.text, FormatValue(c.dValue, c.bName, c.nUnit)) << c.dValue;
}

TEST_F(UnitsTest, FormatsLengthsAndAreasInTheirUnit) {
  EXPECT_STREQ("1 m", FormatLength(1000, TRUE, 3));
  EXPECT_STREQ("25", FormatLength(250, FALSE, 1));
  EXPECT_STREQ("2 m\xB2", FormatArea(2e6, 3));
  m_settings.m_bDecimals = TRUE;
  EXPECT_STREQ("1,25 m", FormatLength(1250, TRUE, 3));
  EXPECT_STREQ("0,50 cm\xB2", FormatArea(50, 1));
}

TEST_F(UnitsTest, ParsesLeadingNumberInUnit) {
  struct Case {
    const char* text;
    int nUnit;
    double dMm;
  } const cases[] = {
      {"2,5", 1, 25},    {"2.5", 1, 25},       {"12,7", 3, 12700}, {"12,7 m", 3, 12700},
      {"-3", 0, -3},     {"1e3", 0, 1000},     {"1e", 0, 1},       {"4,5,6", 0, 4.5},
      {"abc", 0, 0},     {"", 0, 0},           {",", 0, 0},        {"0,00001", 0, 0.00001},
      {"inf", 0, 0},     {"0x10", 0, 0},       {"  7", 0, 7},      {"5", 12, 5},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(c.dMm, ParseDistance(c.text, c.nUnit)) << c.text;
  EXPECT_EQ(0.0, ParseDistance(nullptr, 0));
}

TEST_F(UnitsTest, SpinStepFollowsUnitAndDecimals) {
  struct Case {
    int nUnit;
    BOOL bDecimals;
    int nStep;
  } const cases[] = {{0, FALSE, 1}, {3, FALSE, 1000}, {3, TRUE, 10}, {7, FALSE, 305}, {9, TRUE, 16093}};
  for (const Case& c : cases) {
    m_settings.m_nUnit = c.nUnit;
    m_settings.m_bDecimals = c.bDecimals;
    EXPECT_EQ(c.nStep, GetUnitStep()) << c.nUnit;
  }
}

TEST_F(UnitsTest, BaseValuesBecomeTrueMillimetres) {
  // A raster at 254 dpi: 1000 pixels are 100 mm of sheet, 10 m of a 1 : 100 object.
  EXPECT_DOUBLE_EQ(10000.0, BaseToTrueMm(1000, 1.0, 100.0, 0, 254));
  // The same sheet stored as 1 : 0.1 in metres.
  EXPECT_NEAR(10000.0, BaseToTrueMm(1000, 1.0, 0.1, 3, 254), 1e-9);
  // A drawing counts in its own units.
  EXPECT_DOUBLE_EQ(500.0, BaseToTrueMm(5, 1.0, 100.0, 0));
  EXPECT_DOUBLE_EQ(100.0 * 100.0 * 1e4, BaseAreaToTrueMm2(1000 * 1000, 1.0, 100.0, 0, 254));
  EXPECT_DOUBLE_EQ(4e6, BaseAreaToTrueMm2(4, 1.0, 1.0, 3));
}

TEST_F(UnitsTest, TrueMillimetresBackToBase) {
  EXPECT_EQ(1575, TrueMmToBase(100, 1.0, 1.0, 0, 400));
  EXPECT_EQ(1000, TrueMmToBase(10000, 1.0, 100.0, 0, 254));
  EXPECT_EQ(100, TrueMmToBase(10000, 1.0, 100.0, 0));
  // A resolution or first number of 0 from a damaged file gives 0, not an undefined cast.
  EXPECT_EQ(0, TrueMmToBase(100, 1.0, 1.0, 0, 0));
  EXPECT_EQ(0, TrueMmToBase(100, 1.0, 0.0, 0));
  EXPECT_EQ(0, TrueMmToBase(100, 0.0, 1.0, 0, 400));
}

TEST(UnitsDefaultTest, NoSettingsMeansMillimetresAndWholeNumbers) {
  SetUnitSettings(nullptr);
  EXPECT_STREQ("13 mm", FormatLength(12.6, TRUE, -1));
}

}  // namespace
