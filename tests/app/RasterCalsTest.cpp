// The density and orientation a raster takes from a CALS header.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "RasterCals.h"

namespace {

std::vector<uint8_t> Header(const std::string& orientation, const std::string& density) {
  std::vector<uint8_t> h(kCalsHeaderSize, ' ');
  std::memcpy(h.data() + kCalsOrientationRecord, orientation.data(), std::min(orientation.size(), (size_t)128));
  std::memcpy(h.data() + kCalsDensityRecord, density.data(), std::min(density.size(), (size_t)128));
  return h;
}

struct CalsCase {
  const char* orientation;
  const char* density;
  int32_t rotation;
  int32_t dpi;
};

const CalsCase kCases[] = {
    {"rorient: 000,270", "rdensty: 0200", 0, 200},
    {"rorient: 90", "rdensty: 300", 270, 300},   // the header's 90 turns the image by 270
    {"rorient: 270", "rdensty: 10000", 90, 10000},
    {"rorient: 180", "rdensty: 0", 180, 400},    // no density: 400
    {"rorient 90", "rdensty: 20000", 0, 400},    // no colon: no rotation; density out of range
    {"rorient: -90", "rdensty: -5", -90, 400},
    {"rorient: 99999999999999", "rdensty:", 0, 400},  // absurd turns are ignored
};

TEST(RasterCals, OrientationAndDensityRecords) {
  for (const CalsCase& c : kCases) {
    std::vector<uint8_t> h = Header(c.orientation, c.density);
    CalsHeaderFields f = {-1, -1};
    ASSERT_TRUE(CalsHeaderRead(h.data(), h.size(), &f));
    EXPECT_EQ(c.rotation, f.rotation) << c.orientation;
    EXPECT_EQ(c.dpi, f.density) << c.density;
  }
}

TEST(RasterCals, ShortHeadersAreLeftAlone) {
  std::vector<uint8_t> h = Header("rorient: 90", "rdensty: 300");
  CalsHeaderFields f = {-1, -1};
  EXPECT_FALSE(CalsHeaderRead(h.data(), kCalsHeaderSize - 1, &f));
  EXPECT_FALSE(CalsHeaderRead(nullptr, 0, &f));
  EXPECT_EQ(-1, f.density);
}

// A record without blanks or terminator: the digits run to the record's end and stop there.
TEST(RasterCals, RecordsWithoutTerminatorStopAtTheirEnd) {
  std::vector<uint8_t> h(kCalsHeaderSize, '7');
  h[kCalsDensityRecord] = ':';
  h[kCalsDensityRecord + kCalsRecordSize] = '1';  // the next record starts with more digits
  CalsHeaderFields f = {-1, -1};
  ASSERT_TRUE(CalsHeaderRead(h.data(), h.size(), &f));
  EXPECT_EQ(400, f.density);  // 124 sevens are far out of range
  EXPECT_EQ(0, f.rotation);  // no colon in the orientation record
}

}  // namespace
