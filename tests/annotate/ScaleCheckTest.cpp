// The scale that two points and their true distance give, and its texts.
#include <gtest/gtest.h>

#include "ScaleCheck.h"
#include "Units.h"

namespace {

TEST(ScaleCheckTest, RasterDistanceGivesScale) {
  // 1000 pixels at 200 dpi are 127 mm of sheet; 12,7 m typed in metres.
  const double dSheetMm = BaseToTrueMm(1000, 1.0, 1.0, 0, 200);
  const double dTrueMm = ParseDistance("12,7", 3);
  CScaleOffer offer{};
  ASSERT_TRUE(ComputeScaleOffer(dSheetMm, dTrueMm, offer));
  EXPECT_NEAR(100.0, offer.dRatio, 1e-9);
  EXPECT_EQ(1.0, offer.dFirst);
  EXPECT_NEAR(100.0, offer.dSecond, 1e-9);
  EXPECT_STREQ("1 : 100", FormatScaleOffer(offer.dRatio, FALSE, 0));
  EXPECT_STREQ("1.0 : 100.0 mm", GetScaleText(offer.dFirst, offer.dSecond, 0));
}

TEST(ScaleCheckTest, EnlargedDetailIsStoredAsRatioToOne) {
  CScaleOffer offer{};
  ASSERT_TRUE(ComputeScaleOffer(40.0, 10.0, offer));
  EXPECT_EQ(0.25, offer.dRatio);
  EXPECT_EQ(4.0, offer.dFirst);
  EXPECT_EQ(1.0, offer.dSecond);
  EXPECT_STREQ("4 : 1", FormatScaleOffer(offer.dRatio, FALSE, 0));
  EXPECT_STREQ("4 m : 1 m", FormatScaleOffer(offer.dRatio, TRUE, 3));
}

TEST(ScaleCheckTest, RefusesDistancesThatGiveNoScale) {
  struct Case {
    double dSheetMm;
    double dTrueMm;
  } const cases[] = {
      {127, 0},          // nothing typed
      {127, 0.00001},    // below the smallest distance taken
      {127, -0.00005},   // the same, negative
      {0, 12700},        // both clicks on one point
  };
  for (const Case& c : cases) {
    CScaleOffer offer{};
    EXPECT_FALSE(ComputeScaleOffer(c.dSheetMm, c.dTrueMm, offer)) << c.dSheetMm << " " << c.dTrueMm;
  }
  EXPECT_FALSE(IsTrueDistanceAccepted(ParseDistance("0,00001", 0)));
  EXPECT_TRUE(IsTrueDistanceAccepted(ParseDistance("0,0001", 0)));
}

TEST(ScaleCheckTest, NegativeTrueDistanceCountsByItsSize) {
  CScaleOffer offer{};
  ASSERT_TRUE(ComputeScaleOffer(127, -12700, offer));
  EXPECT_NEAR(100.0, offer.dSecond, 1e-9);
}

TEST(ScaleCheckTest, ScaleTextWithoutUnit) {
  EXPECT_STREQ("1.0 : 100.0 ", GetScaleText(1.0, 100.0, -1));
  EXPECT_STREQ("2 : 250", FormatScalePair(2.0, 250.0, FALSE, 0));
}

}  // namespace
