// The fill radios, the text height field and the font description of the annotation dialogs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>

#include "AnnDlgFields.h"
#include "Units.h"

namespace {

TEST(AnnDlgFieldsTest, FillRadiosCountFromFrame) {
  const struct {
    int nStyle;
    int nRadio;
  } cases[] = {{-2, 0}, {-1, 1}, {0, 2}, {5, 7}, {-3, -1}, {6, -1}, {0x7FFFFFFF, -1}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.nRadio, FillRadioOfStyle(c.nStyle)) << c.nStyle;
    if (c.nRadio >= 0) {
      EXPECT_EQ(c.nStyle, FillStyleOfRadio(c.nRadio, 99)) << c.nRadio;
    }
  }
  // No radio checked keeps the style the object had.
  EXPECT_EQ(3, FillStyleOfRadio(-1, 3));
  EXPECT_EQ(3, FillStyleOfRadio(kFillRadioCount, 3));
}

// Settings with a chosen unit; numbers as "%f" gives them.
class CHeightUnits : public CUnitSettings {
 public:
  int m_nUnit = 0;
  int GetUnit() const override { return m_nUnit; }
  BOOL GetDecimals() const override { return FALSE; }
  CString FormatNumber(LPCSTR lpszFixed) const override { return lpszFixed; }
};

TEST(AnnDlgFieldsTest, TypedHeightsInTheUnitWithinTheRange) {
  CHeightUnits units;
  SetUnitSettings(&units);
  const struct {
    int nUnit;
    const char* text;
    int nHeight;
  } cases[] = {
      {0, "25 mm", 25},       {1, "2,5 cm", 25},     {3, "0.0124 m", 12},
      {0, "0.2", 1},          {3, "40 m", 30000},    {0, "", 7},
      {0, "mm", 7},           {0, "-5", 7},          {0, "1e400", 30000},
  };
  for (const auto& c : cases) {
    units.m_nUnit = c.nUnit;
    EXPECT_EQ(c.nHeight, ParseTextHeight(c.text, 7)) << c.text;
  }
  SetUnitSettings(nullptr);
  EXPECT_EQ(kTextHeightMin, ClampTextHeight(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_EQ(kTextHeightMax, ClampTextHeight(std::numeric_limits<double>::infinity()));
  EXPECT_EQ(7, ParseTextHeight(nullptr, 7));
}

TEST(AnnDlgFieldsTest, SpinIncrementsScaleByTheUnitStep) {
  const struct {
    unsigned nIncrement;
    int nStep;
    unsigned nScaled;
  } cases[] = {
      {1, 1, 1}, {5, 10, 50}, {20, 305, 6100},
      // Wider than the range: one press goes to its end.
      {20, 1609344, 29999}, {0xFFFFFFFFu, 10000000, 29999},
      {4, 0, 4},
  };
  for (const auto& c : cases) EXPECT_EQ(c.nScaled, ScaleSpinIncrement(c.nIncrement, c.nStep)) << c.nStep;
}

TEST(AnnDlgFieldsTest, FontDescribedByFaceAndStyle) {
  const struct {
    int nWeight;
    uint8_t bItalic;
    const char* description;
  } cases[] = {{400, 0, "Arial Regular"}, {700, 0, "Arial Bold"}, {400, 1, "Arial Italic"},
               {800, 1, "Arial Bold Italic"}, {0, 0, "Arial Regular"}};
  for (const auto& c : cases) {
    AnnLogFont font{};
    std::snprintf(font.lfFaceName, sizeof font.lfFaceName, "Arial");
    font.lfWeight = c.nWeight;
    font.lfItalic = c.bItalic;
    EXPECT_STREQ(c.description, DescribeFont(font));
  }
  // A face name that fills its field without a terminating zero.
  AnnLogFont full{};
  for (char& ch : full.lfFaceName) ch = 'W';
  EXPECT_EQ(32 + 8, DescribeFont(full).GetLength());
}

}  // namespace
