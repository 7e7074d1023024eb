// The Scan command's rules: the road of each "Scanner" value, the scanning program beside its
// registered installer, and the scanned file's line of RST.INI, short lines included.
#include <gtest/gtest.h>

#include "model/ScanModel.h"

namespace {

TEST(ScanModel, ScannerSettingPicksTheRoad) {
  static const struct {
    int setting;
    ScannerRoad road;
  } cases[] = {{0, ScannerRoad::None},    {1, ScannerRoad::Rastrum}, {2, ScannerRoad::Ostrel},
               {3, ScannerRoad::Unknown}, {-1, ScannerRoad::Unknown}};
  for (const auto& c : cases) EXPECT_EQ(ScannerRoadOf(c.setting), c.road) << c.setting;
}

TEST(ScanModel, RastrumProgramLiesBesideTheRegisteredPath) {
  EXPECT_STREQ(RstwBesideAppPath("C:\\Rastrum\\RSF.EXE"), "C:\\Rastrum\\RSTW.EXE");
  EXPECT_STREQ(RstwBesideAppPath("C:\\RSF.EXE"), "C:\\RSTW.EXE");
  EXPECT_STREQ(RstwBesideAppPath("RSF.EXE"), "");
  EXPECT_STREQ(RstwBesideAppPath(""), "");
}

TEST(ScanModel, PrimaryFileLineGivesTheValueWithinTheLine) {
  static const struct {
    const char* line;
    BOOL found;
    const char* value;
  } cases[] = {
      {"PRIMARY_FILE = C:\\SCAN\\A.TIF", TRUE, "C:\\SCAN\\A.TIF"},
      {"PRIMARY_FILE=  C:\\B.TIF", TRUE, "C:\\B.TIF"},
      // Lines that end at or before the value's start: found, no value, nothing read beyond.
      {"PRIMARY_FILE", TRUE, ""},
      {"PRIMARY_FILE =", TRUE, ""},
      {"PRIMARY_FILE = ", TRUE, ""},
      {"PRIMARY_FIL", FALSE, ""},
      {"primary_file = C:\\A.TIF", FALSE, ""},
      {"SECONDARY_FILE = C:\\A.TIF", FALSE, ""},
      {"", FALSE, ""},
  };
  for (const auto& c : cases) {
    CString value = "stale";
    EXPECT_EQ(PrimaryFileOfLine(c.line, value), c.found) << c.line;
    EXPECT_STREQ(value, c.value) << c.line;
  }
}

}  // namespace
