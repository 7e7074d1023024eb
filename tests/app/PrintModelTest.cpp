// Printing's arithmetic and texts: tiling and true scale as tables, the paper
// head's text, scale bar and box, and the pen-width table's profile strings and
// pen files.
#include <gtest/gtest.h>

#include <string>

#include "model/PrintModel.h"

namespace {

// Printable area of the two papers, millimetres, portrait.
const double kA4W = 210, kA4H = 297, kA0W = 841, kA0H = 1189;

TEST(PrintTiling, TrueScaleTable) {
  // Document units: 10000 per millimetre of the sheet, as a 400 dpi raster's
  // 635 per pixel.
  const double kRasterPerMm = 10000.0;
  // A drawing in millimetres with 1000 document units per drawing unit.
  const double kDrawingPerMm = 1000.0;
  struct Case {
    const char* name;
    double areaW, areaH;  // document units
    double paperW, paperH, s1, s2, perMm;
    int columns, rows;
  };
  static const Case cases[] = {
      // An A0 sheet scanned at 400 dpi (13244 x 18724 pixels) printed 1:1 on
      // A4.
      {"A0 raster 1:1 on A4", 13244 * 635.0, 18724 * 635.0, kA4W, kA4H, 1, 1, kRasterPerMm, 5, 5},
      // The same at 1:50 and 1:100 on A4, and 1:1 on A0: one page each.
      {"A0 raster 1:50 on A4", 13244 * 635.0, 18724 * 635.0, kA4W, kA4H, 1, 50, kRasterPerMm, 1, 1},
      {"A0 raster 1:100 on A4", 13244 * 635.0, 18724 * 635.0, kA4W, kA4H, 1, 100, kRasterPerMm, 1, 1},
      {"A0 raster 1:1 on A0", 13244 * 635.0, 18724 * 635.0, kA0W, kA0H, 1, 1, kRasterPerMm, 1, 1},
      // A pixel row more than A0 takes a second row of sheets.
      {"A0 and a row on A0", 13244 * 635.0, 18726 * 635.0, kA0W, kA0H, 1, 1, kRasterPerMm, 1, 2},
      // A 10 x 5 m plan in millimetres: 1:20 on A4 is 4200 x 5940 mm a page,
      // 1:100 one page.
      {"drawing 1:20 on A4", 10000 * kDrawingPerMm, 5000 * kDrawingPerMm, kA4W, kA4H, 1, 20, kDrawingPerMm, 3, 1},
      {"drawing 1:100 on A4", 10000 * kDrawingPerMm, 5000 * kDrawingPerMm, kA4W, kA4H, 1, 100, kDrawingPerMm, 1, 1},
      {"drawing 1:50 on A0", 10000 * kDrawingPerMm, 5000 * kDrawingPerMm, kA0W, kA0H, 1, 50, kDrawingPerMm, 1, 1},
      {"drawing 1:1 on A0", 10000 * kDrawingPerMm, 5000 * kDrawingPerMm, kA0W, kA0H, 1, 1, kDrawingPerMm, 12, 5},
      // Exact multiples: three page widths and two page heights are six pages,
      // not twelve.
      {"exact 3 x 2", 3 * kA4W * 1000, 2 * kA4H * 1000, kA4W, kA4H, 1, 1, 1000, 3, 2},
      {"exact 1 x 1", kA4W * 1000, kA4H * 1000, kA4W, kA4H, 1, 1, 1000, 1, 1},
      // A little over an exact multiple takes one more.
      {"just over", 3 * kA4W * 1000 + 1, kA4H * 1000, kA4W, kA4H, 1, 1, 1000, 4, 1},
      // Enlarged 2:1: half a page's worth of area per page.
      {"2:1", kA4W * 1000, kA4H * 1000, kA4W, kA4H, 2, 1, 1000, 2, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const double pw = TrueScalePageExtent(c.paperW, c.s1, c.s2, c.perMm);
    const double ph = TrueScalePageExtent(c.paperH, c.s1, c.s2, c.perMm);
    const PrintTiling t = TrueScaleTiling(CRect(0, 0, (int)c.areaW, (int)c.areaH), pw, ph);
    EXPECT_EQ(c.columns, t.nColumns);
    EXPECT_EQ(c.rows, t.nRows);
    EXPECT_EQ(c.columns * c.rows, t.PageCount());
  }
}

TEST(PrintTiling, TilesRowByRowFromTopLeft) {
  const PrintTiling t = TrueScaleTiling(CRect(100, 200, 100 + 3000, 200 + 2000), 1000, 1000);
  ASSERT_EQ(3, t.nColumns);
  ASSERT_EQ(2, t.nRows);
  EXPECT_EQ(CRect(100, 200, 1100, 1200), PrintTileRect(t, 1));
  EXPECT_EQ(CRect(2100, 200, 3100, 1200), PrintTileRect(t, 3));
  EXPECT_EQ(CRect(100, 1200, 1100, 2200), PrintTileRect(t, 4));
  EXPECT_EQ(CRect(2100, 1200, 3100, 2200), PrintTileRect(t, 6));
}

TEST(PrintTiling, SmallAreaIsCentredOnOnePage) {
  const PrintTiling t = TrueScaleTiling(CRect(1000, 1000, 1400, 1200), 1000, 2000);
  EXPECT_EQ(1, t.PageCount());
  // 600 spare across, 1800 down: the page starts half of each before the area.
  EXPECT_EQ(CRect(700, 100, 1700, 2100), PrintTileRect(t, 1));
}

TEST(PrintTiling, FitAndHostileScales) {
  const CRect area(5, 6, 500, 700);
  const PrintTiling fit = FitTiling(area);
  EXPECT_EQ(1, fit.PageCount());
  EXPECT_EQ(area, PrintTileRect(fit, 1));
  // Scales that are no positive number give no page size, and no page size
  // means the fit.
  EXPECT_EQ(0, TrueScalePageExtent(210, 0, 1, 10000));
  EXPECT_EQ(0, TrueScalePageExtent(210, 1, -1, 10000));
  EXPECT_EQ(0, TrueScalePageExtent(210, 1e-300, 1e300, 1e300));
  EXPECT_EQ(1, TrueScaleTiling(area, 0, 0).PageCount());
  // A tiny page is held to the most tiles a print may have.
  const PrintTiling many = TrueScaleTiling(CRect(0, 0, 2000000000, 2000000000), 1, 1);
  EXPECT_EQ(kMaxPrintTiles, many.nColumns);
  EXPECT_EQ(kMaxPrintTiles, many.nRows);
}

TEST(PaperHead, TextOfItsParts) {
  PaperHeadParts p;
  p.strPath = "C:\\drawings\\plan.tif";
  p.strScale = "Scale: 1 : 50";
  p.strUserText = "Checked";
  p.strDate = "Friday, 11 December 2026";
  p.strTime = "14:03:00";
  struct Case {
    BOOL name, scale, text, time;
    const char* expected;
  };
  static const Case cases[] = {
      {1, 1, 1, 1,
       "C:\\drawings\\plan.tif Scale: 1 : 50\r\nChecked Friday, 11 December "
       "2026  -  14:03:00"},
      {1, 0, 0, 0, "C:\\drawings\\plan.tif"},
      {0, 1, 0, 0, " Scale: 1 : 50"},
      {0, 0, 1, 0, "Checked"},
      {0, 0, 0, 1, " Friday, 11 December 2026  -  14:03:00"},
      {1, 0, 0, 1, "C:\\drawings\\plan.tif\r\n Friday, 11 December 2026  -  14:03:00"},
      {0, 0, 0, 0, ""},
  };
  for (const Case& c : cases) {
    p.bFileName = c.name;
    p.bScale = c.scale;
    p.bText = c.text;
    p.bTime = c.time;
    EXPECT_EQ(std::string(c.expected), std::string(PaperHeadText(p)));
  }
  EXPECT_EQ(std::string("Not according to scale"), std::string(PaperHeadScaleText(TRUE, "1 : 1")));
  EXPECT_EQ(std::string("Scale: 1 : 50"), std::string(PaperHeadScaleText(FALSE, "1 : 50")));
}

TEST(PaperHead, ScaleBarSeries) {
  static const struct {
    double nominal, value;
  } cases[] = {
      {250000, 200000}, {200000, 200000}, {2500, 2500}, {2550, 2500}, {150, 100}, {100, 100},
      {99.9, 90},       {50, 50},         {12.5, 10},   {9.99, 9},    {1, 1},     {0.95, 0.9},
      {0.1, 0.1},       {0.099, 0.09},    {0.01, 0.01}, {0.009, 0},   {0, 0},     {-5, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.nominal);
    EXPECT_DOUBLE_EQ(c.value, ScaleBarValue(c.nominal));
  }
}

TEST(PaperHead, BoxLayout) {
  // A 600 dpi page: 23.62 pixels per millimetre; the box 1 mm from the top
  // left.
  const double px = 600 / 25.4;
  const PaperHeadBox text = LayoutPaperHead(1, 1, 800, 2, 4960, 0, px, px);
  EXPECT_EQ(24, text.nLeft);
  EXPECT_EQ(24, text.nTop);
  EXPECT_EQ(800 + 71, text.nWidth);
  EXPECT_EQ(189, text.nHeight);  // 8 mm
  EXPECT_EQ(0, text.nBarLength);
  // A bar of the whole 50 mm widens a narrow text to 65 mm and adds 1.2 lines.
  const PaperHeadBox bar = LayoutPaperHead(1, 1, 100, 1, 4960, 1.0, px, px);
  EXPECT_EQ(1181, bar.nBarLength);
  EXPECT_EQ(1181 + 354 + 71, bar.nWidth);
  EXPECT_EQ(208, bar.nHeight);  // 2.2 lines of 4 mm
  // Text wider than the page is held to the page.
  EXPECT_EQ(4960 + 71, LayoutPaperHead(1, 1, 99999, 1, 4960, 0, px, px).nWidth);
}

TEST(PenTable, FreshTableAndPenlistRoundTrip) {
  CPenWidthList fresh;
  static const int32_t kFirst[] = {13, 20, 35, 50, 70, 18, 120, 20};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(kFirst[i], fresh.GetWidth(i + 1));
  EXPECT_EQ(20, fresh.GetWidth(255));
  const CString l1 = fresh.GetPenlist1(), l2 = fresh.GetPenlist2();
  EXPECT_EQ(254, l1.GetLength());
  EXPECT_EQ(256, l2.GetLength());
  EXPECT_EQ(std::string("0d142332461278"), std::string(l1.Left(14)));

  CPenWidthList edited;
  for (int pen = 1; pen <= 255; ++pen) edited.SetWidth(pen, pen);
  CPenWidthList back;
  back.ReadProfile(edited.GetPenlist1(), edited.GetPenlist2());
  for (int pen = 1; pen <= 255; ++pen) ASSERT_EQ(pen, back.GetWidth(pen)) << pen;
}

TEST(PenTable, ShortAndDamagedPenlists) {
  CPenWidthList t;
  // Two and a half pairs: pens 1 and 2 are read, the half pair and the rest
  // keep their defaults.
  t.ReadProfile("ff01a", "");
  EXPECT_EQ(255, t.GetWidth(1));
  EXPECT_EQ(1, t.GetWidth(2));
  EXPECT_EQ(35, t.GetWidth(3));
  EXPECT_EQ(20, t.GetWidth(128));  // no Penlist2: 20
  // A pair that is no hex number ends the reading.
  CPenWidthList damaged;
  damaged.ReadProfile("10zz30", "40");
  EXPECT_EQ(16, damaged.GetWidth(1));
  EXPECT_EQ(20, damaged.GetWidth(2));
  EXPECT_EQ(35, damaged.GetWidth(3));
  EXPECT_EQ(64, damaged.GetWidth(128));
  // An empty Penlist1 keeps the fresh table whatever Penlist2 holds.
  CPenWidthList empty;
  empty.ReadProfile("", "ffff");
  EXPECT_EQ(20, empty.GetWidth(128));
}

TEST(PenTable, PenFileFormat) {
  CPenWidthList t;
  for (int pen = 10; pen <= 255; ++pen) t.SetWidth(pen, 20);
  t.SetWidth(8, 25);
  t.SetWidth(9, 30);
  const CString file = t.FormatPenFile();
  // Pens 10 to 255 equal their predecessor from pen 11 on: ten lines.
  EXPECT_EQ(std::string("13\n20\n35\n50\n70\n18\n120\n25\n30\n20\n"), std::string(file));
  CPenWidthList back;
  for (int pen = 1; pen <= 255; ++pen) back.SetWidth(pen, 99);
  ASSERT_TRUE(back.ReadPenFile(file));
  for (int pen = 1; pen <= 255; ++pen) EXPECT_EQ(t.GetWidth(pen), back.GetWidth(pen)) << pen;
  // Lines with CR LF read the same; no line at all changes nothing.
  CPenWidthList crlf;
  ASSERT_TRUE(crlf.ReadPenFile("40\r\n60\r\n"));
  EXPECT_EQ(40, crlf.GetWidth(1));
  EXPECT_EQ(60, crlf.GetWidth(255));
  EXPECT_FALSE(crlf.ReadPenFile(""));
  EXPECT_EQ(40, crlf.GetWidth(1));
}

TEST(PenTable, TypedWidths) {
  static const struct {
    const char* text;
    BOOL ok;
    int32_t width;
  } cases[] = {
      {"2.55", TRUE, 255}, {"0.35", TRUE, 35}, {"1", TRUE, 100},    {"0.129", TRUE, 12},
      {"2.56", FALSE, 0},  {"5", FALSE, 0},    {"0", FALSE, 0},     {"-1", FALSE, 0},
      {"abc", FALSE, 0},   {"", FALSE, 0},     {"0.001", FALSE, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    int32_t w = -7;
    EXPECT_EQ(c.ok, ParsePenWidth(c.text, &w));
    if (c.ok) {
      EXPECT_EQ(c.width, w);
    }
  }
  EXPECT_EQ(std::string("2.55 mm"), std::string(FormatPenWidth(255)));
}

}  // namespace
