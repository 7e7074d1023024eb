// Raster printing's job headers byte for byte, and the resolution, rotation and
// fit of an area sent to a paper format.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "RasterCals.h"
#include "model/RasterPrintModel.h"

namespace {

TEST(RasterJobHeader, BothKindsByteForByte) {
  EXPECT_EQ(std::string("&&&&CALCOMP DEVICE CONTROL \r\nCOPIES(3)\r\n^^^^END OF FILE \r\n"),
            std::string(RasterJobHeader(0, 3)));
  EXPECT_EQ(std::string("BEGMF \"RCH file\";\r\nMFVERSION 1;\r\n"
                        "MFDESC \"Oce RCF, Version=2.0,Type=Header, Unit=Metric\";\r\n"
                        "APPLDATA 2 \"JB=0,CO=12\";\r\nAPPLDATA 22 \"FO=0\";\r\nENDMF;"),
            std::string(RasterJobHeader(1, 12)));
  EXPECT_TRUE(RasterJobHeader(2, 3).IsEmpty());
  EXPECT_TRUE(RasterJobHeader(-1, 3).IsEmpty());
}

TEST(FitRasterToPaper, ResolutionRotationAndFit) {
  RasterDpiSettings forced;  // force 400, allow 200
  RasterDpiSettings to200;
  to200.nDpi = 200;
  to200.nAllowDpi = 0;
  RasterDpiSettings free;
  free.nForceDpi = 0;
  struct Case {
    const char* name;
    int w, h, res;
    RasterDpiSettings dpi;
    int paperW, paperH;
    int outRes, outW, outH;
    BOOL rotate, resize;
  };
  const Case cases[] = {
      // 400 dpi with Dpi 400 is not resampled; with Dpi 200 it is halved.
      {"400 kept", 4000, 3000, 400, forced, 0, 0, 400, 4000, 3000, FALSE, FALSE},
      {"400 halved", 4000, 3000, 400, to200, 0, 0, 200, 2000, 1500, FALSE, TRUE},
      // 200 dpi is allowed beside 400; 300 dpi is forced to 400.
      {"200 allowed", 2000, 1000, 200, forced, 0, 0, 200, 2000, 1000, FALSE, FALSE},
      {"300 forced", 3000, 1500, 300, forced, 0, 0, 400, 4000, 2000, FALSE, TRUE},
      {"free", 3000, 1500, 300, free, 0, 0, 300, 3000, 1500, FALSE, FALSE},
      // A landscape image on A1 (594 x 841 mm, portrait) turns and fits 841 x
      // 594 mm at 200 dpi:
      // 6622 x 4677 pixels of paper; the image is wider in proportion, so its
      // width fills.
      {"landscape on A1", 8000, 4000, 200, free, 594, 841, 200, 6622, 3311, TRUE, TRUE},
      // Higher in proportion than the paper: the height fills, the width is
      // truncated.
      {"tall on A4", 1000, 2000, 100, free, 210, 297, 100, 584, 1169, FALSE, TRUE},
      // Exactly the paper: nothing to do.
      {"exact", 826, 1169, 100, free, 210, 297, 100, 826, 1169, FALSE, FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RasterPrintTarget t = FitRasterToPaper(c.w, c.h, c.res, c.dpi, c.paperW, c.paperH);
    EXPECT_EQ(c.outRes, t.nResolution);
    EXPECT_EQ(c.outW, t.nWidth);
    EXPECT_EQ(c.outH, t.nHeight);
    EXPECT_EQ(c.rotate, t.bRotate);
    EXPECT_EQ(c.resize, t.bResize);
  }
}

TEST(FitRasterToPaper, HostileSizesStayInRange) {
  RasterDpiSettings forced;
  forced.nDpi = 1000000;
  forced.nAllowDpi = 0;
  const RasterPrintTarget t = FitRasterToPaper(2000000000, 2000000000, 1, forced, 0, 0);
  EXPECT_EQ(INT32_MAX, t.nWidth);
  const RasterPrintTarget zero = FitRasterToPaper(0, 0, 0, RasterDpiSettings(), 594, 841);
  EXPECT_EQ(0, zero.nWidth);
  EXPECT_FALSE(zero.bResize);
}

TEST(RasterPaperTable, BuiltInsFirstThenTheApplicationsFormatsByOneIndex) {
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, std::pair<int, int>>> app;
    std::vector<std::pair<const char*, std::pair<int, int>>> table;
  };
  const std::pair<const char*, std::pair<int, int>> a1{"A1 (594 x 841 mm)", {594, 841}},
      a2{"A2 (594 x 420 mm)", {594, 420}}, a3{"A3 (297 x 420 mm)", {297, 420}},
      a4{"A4 (297 x 210 mm)", {297, 210}}, roll{"Roll 914", {914, 2000}}, asIs{"As is", {0, 0}};
  const Case cases[] = {
      {"no application formats", {}, {a1, a2, a3, a4}},
      // The application's own list when VLFormat.ini names none is the built-ins again.
      {"application defaults", {a1, a2, a3, a4}, {a1, a2, a3, a4}},
      {"application formats follow", {roll, asIs}, {a1, a2, a3, a4, roll, asIs}},
      // Same name but another size is another format.
      {"same name other size", {{"A1 (594 x 841 mm)", {600, 850}}}, {a1, a2, a3, a4, {"A1 (594 x 841 mm)", {600, 850}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CStringArray appNames, names;
    CWordArray appSizes, sizes;
    for (const auto& f : c.app) {
      appNames.Add(f.first);
      appSizes.Add((WORD)f.second.first);
      appSizes.Add((WORD)f.second.second);
    }
    BuildRasterPaperTable(appNames, appSizes, names, sizes);
    ASSERT_EQ((int)c.table.size(), (int)names.GetSize());
    for (int i = 0; i < (int)c.table.size(); ++i) {
      EXPECT_EQ(std::string(c.table[i].first), std::string(names[i]));
      int w = -1, h = -1;
      ASSERT_TRUE(RasterPaperSize(sizes, i, &w, &h));
      EXPECT_EQ(c.table[i].second.first, w);
      EXPECT_EQ(c.table[i].second.second, h);
    }
    int w = 0, h = 0;
    EXPECT_FALSE(RasterPaperSize(sizes, (int)c.table.size(), &w, &h));
    EXPECT_FALSE(RasterPaperSize(sizes, -1, &w, &h));
  }
  // Sizes shorter than the names: only the names with both sizes are taken.
  CStringArray appNames, names;
  CWordArray appSizes, sizes;
  appNames.Add("Roll");
  appNames.Add("Half");
  appSizes.Add(914);
  appSizes.Add(2000);
  appSizes.Add(500);
  BuildRasterPaperTable(appNames, appSizes, names, sizes);
  EXPECT_EQ(5, (int)names.GetSize());
  EXPECT_EQ(10, (int)sizes.GetSize());
}

TEST(RasterPort, NameAndChoice) {
  EXPECT_EQ(std::string("LPT1"), std::string(RasterPortName(0)));
  EXPECT_EQ(std::string("LPT9"), std::string(RasterPortName(8)));
  EXPECT_EQ(2, RasterPortOf(-1, 2));
  EXPECT_EQ(0, RasterPortOf(0, 2));
  EXPECT_EQ(4, RasterPortOf(4, 2));
}

TEST(CalsDensity, WrittenOverTheRecordsStartAndReadBack) {
  std::string header(2048, ' ');
  header.replace(1152, 13, "rdensty: 0400");
  header.replace(1152 + 100, 4, "KEEP");
  uint8_t* bytes = reinterpret_cast<uint8_t*>(&header[0]);
  ASSERT_TRUE(CalsHeaderWriteDensity(bytes, header.size(), 200));
  EXPECT_EQ(std::string("rdensty: 0200        "), header.substr(1152, 21));
  EXPECT_EQ(std::string("KEEP"), header.substr(1252, 4));
  CalsHeaderFields fields;
  ASSERT_TRUE(CalsHeaderRead(bytes, header.size(), &fields));
  EXPECT_EQ(200, fields.density);
  // A short header is left alone.
  EXPECT_FALSE(CalsHeaderWriteDensity(bytes, 2047, 300));
  EXPECT_EQ(std::string("rdensty: 0200"), header.substr(1152, 13));
}

}  // namespace
