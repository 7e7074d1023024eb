// Drawing through the DLL into a memory context: bitonal and colour images at known sizes, each
// display mode, the current region, the context's clipping, printing and the palette set-up.
#include "dll_fixture.h"

namespace {

class Draw : public DllTest {};

// 64 x 64 white with a one-pixel vertical line at x 13 and a horizontal one at y 37.
int32_t ThinLines() {
  return MakeBitonal(64, 64, [](int32_t x, int32_t y) { return x == 13 || y == 37; });
}

// Draws the 64 x 64 lines reduced 8x at (4, 4) of a 16 x 16 canvas in a mode.
void DrawReduced(int32_t image, int32_t mode, Canvas& canvas) {
  ASSERT_EQ(ImgSetDisplayMode(mode), 0);
  ASSERT_EQ(ImgDrawToDc(image, canvas.dc(), 4, 4, 8, 8), 0);
}

TEST_F(Draw, OnePixelLineSurvivesEightfoldReductionInAliasMode) {
  int32_t image = ThinLines();
  Canvas canvas(16, 16);
  DrawReduced(image, IMG_DISPLAY_ALIAS, canvas);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x) {
      bool ink = x == 13 / 8 || y == 37 / 8;
      EXPECT_EQ(canvas.Pixel(4 + x, 4 + y), ink ? kBlack : kWhite) << x << "," << y;
    }
  // Nothing outside the destination rectangle is touched.
  for (int32_t i = 0; i < 16; ++i) {
    EXPECT_EQ(canvas.Pixel(i, 3), kUntouched);
    EXPECT_EQ(canvas.Pixel(i, 12), kUntouched);
    EXPECT_EQ(canvas.Pixel(3, i), kUntouched);
    EXPECT_EQ(canvas.Pixel(12, i), kUntouched);
  }
}

TEST_F(Draw, GreyModeShadesByTheShareOfInk) {
  int32_t image = ThinLines();
  Canvas canvas(16, 16);
  DrawReduced(image, IMG_DISPLAY_GREY, canvas);
  int line = Grey(canvas.Pixel(4 + 1, 4 + 0));    // one column of eight is ink
  int cross = Grey(canvas.Pixel(4 + 1, 4 + 4));   // fifteen of sixty-four
  EXPECT_GT(line, 0);
  EXPECT_LT(line, 255);
  EXPECT_LT(cross, line);
  EXPECT_EQ(Grey(canvas.Pixel(4 + 5, 4 + 1)), 255);
  EXPECT_NEAR(line, 255 * 7 / 8, 16);
}

TEST_F(Draw, QuickModeSamplesWithoutDarkeningTheBackground) {
  int32_t image = ThinLines();
  Canvas canvas(16, 16);
  DrawReduced(image, IMG_DISPLAY_QUICK, canvas);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x) {
      uint32_t c = canvas.Pixel(4 + x, 4 + y);
      EXPECT_TRUE(c == kBlack || c == kWhite) << x << "," << y;
      if (x != 1 && y != 4) {
        EXPECT_EQ(c, kWhite) << x << "," << y;
      }
    }
}

TEST_F(Draw, ColourImageKeepsItsColoursAtFullSizeAndEnlarged) {
  const uint32_t quadrant[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0x808080};
  int32_t image = MakeImage(16, 16, 24, {}, [&](int32_t x, int32_t y) {
    return quadrant[(y / 8) * 2 + x / 8];
  });
  for (int32_t mode : {0, 1, 2}) {
    SCOPED_TRACE(mode);
    ImgSetDisplayMode(mode);
    Canvas canvas(32, 32);
    ASSERT_EQ(ImgDrawToDc(image, canvas.dc(), 0, 0, 16, 16), 0);
    for (int32_t y = 0; y < 16; ++y)
      for (int32_t x = 0; x < 16; ++x) ASSERT_EQ(canvas.Pixel(x, y), quadrant[(y / 8) * 2 + x / 8]);
    Canvas big(32, 32);
    ASSERT_EQ(ImgDrawToDc(image, big.dc(), 0, 0, 32, 32), 0);
    for (int32_t q = 0; q < 4; ++q)  // the middle of each enlarged quadrant
      EXPECT_EQ(big.Pixel(8 + 16 * (q % 2), 8 + 16 * (q / 2)), quadrant[q]);
  }
}

TEST_F(Draw, DrawsOnlyTheCurrentRegionAndOnlyWhereTheContextClips) {
  int32_t image = MakeImage(16, 16, 24, {}, [](int32_t x, int32_t) {
    return x < 8 ? 0xFF0000u : 0x0000FFu;
  });
  ASSERT_EQ(ImgSetRegion(image, 8, 0, 8, 16), 0);
  Canvas canvas(16, 16);
  IntersectClipRect(canvas.dc(), 0, 0, 16, 8);
  ASSERT_EQ(ImgDrawToDc(image, canvas.dc(), 0, 0, 16, 16), 0);
  EXPECT_EQ(canvas.Pixel(0, 0), 0x0000FFu);
  EXPECT_EQ(canvas.Pixel(15, 7), 0x0000FFu);
  EXPECT_EQ(canvas.Pixel(0, 8), kUntouched);
  EXPECT_EQ(canvas.Pixel(15, 15), kUntouched);
}

TEST_F(Draw, PrintingBlitsTheSameAsTheScreen) {
  int32_t image = ThinLines();
  Canvas screen(16, 16), printer(16, 16);
  ImgSetDisplayMode(IMG_DISPLAY_ALIAS);
  ASSERT_EQ(ImgDrawToDc(image, screen.dc(), 0, 0, 16, 16), 0);
  ASSERT_EQ(ImgPrintToDc(image, printer.dc(), 0, 0, 16, 16), 0);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 16; ++x) ASSERT_EQ(printer.Pixel(x, y), screen.Pixel(x, y));
  EXPECT_EQ(printer.Pixel(3, 0), kBlack);
}

// Devices that are no screen (printers, metafiles) get the rows bottom-up; played back, the
// picture must stand the same way up as on the screen.
TEST_F(Draw, PrintingIntoAMetafileKeepsTheRowsInOrder) {
  int32_t image = MakeBitonal(16, 16, [](int32_t x, int32_t y) { return y == 3 || (x == 12 && y > 8); });
  HDC screen = GetDC(nullptr);
  HDC meta = CreateEnhMetaFileA(screen, nullptr, nullptr, nullptr);
  ReleaseDC(nullptr, screen);
  ASSERT_NE(meta, nullptr);
  ASSERT_EQ(ImgPrintToDc(image, meta, 0, 0, 16, 16), 0);
  HENHMETAFILE picture = CloseEnhMetaFile(meta);
  Canvas canvas(16, 16);
  RECT all = {0, 0, 16, 16};
  ENHMETAHEADER header;
  GetEnhMetaFileHeader(picture, sizeof header, &header);
  ASSERT_EQ(header.rclBounds.right - header.rclBounds.left + 1, 16);
  ASSERT_TRUE(PlayEnhMetaFile(canvas.dc(), picture, &all));
  DeleteEnhMetaFile(picture);
  // Playback may shift by a pixel (the metafile's frame is kept in hundredths of a millimetre),
  // so the test reads which way up the picture stands: the full line in the top half, the short
  // vertical stroke in the bottom half.
  auto ink_in_row = [&](int32_t y) {
    int n = 0;
    for (int32_t x = 0; x < 16; ++x) n += canvas.Pixel(x, y) == kBlack;
    return n;
  };
  int32_t line = -1;
  for (int32_t y = 0; y < 16; ++y)
    if (ink_in_row(y) >= 14) line = y;
  EXPECT_GE(line, 2);
  EXPECT_LE(line, 4);
  EXPECT_EQ(ink_in_row(0), 0);
  EXPECT_EQ(ink_in_row(7), 0);
  EXPECT_EQ(ink_in_row(13), 1);
}

TEST_F(Draw, EmptyOrNegativeRectanglesAreRefused) {
  int32_t image = ThinLines();
  Canvas canvas(8, 8);
  struct Case {
    int32_t w, h;
  } const cases[] = {{0, 8}, {8, 0}, {-8, 8}, {8, -1}};
  for (const Case& c : cases) {
    EXPECT_EQ(ImgDrawToDc(image, canvas.dc(), 0, 0, c.w, c.h), IMG_ERR_ARGUMENT);
    EXPECT_EQ(ImgPrintToDc(image, canvas.dc(), 0, 0, c.w, c.h), IMG_ERR_ARGUMENT);
  }
  EXPECT_EQ(ImgDrawToDc(image, nullptr, 0, 0, 8, 8), IMG_ERR_ARGUMENT);
  EXPECT_EQ(canvas.Pixel(0, 0), kUntouched);
  // A rectangle wholly off the context draws nothing and is no error.
  EXPECT_EQ(ImgDrawToDc(image, canvas.dc(), 100, 100, 8, 8), 0);
}

TEST_F(Draw, PaletteSetUpOnlyAboveTwoBitsPerPixel) {
  const std::vector<uint32_t> colours = {0x102030, 0x405060, 0x708090, 0xA0B0C0};
  int32_t indexed = MakeImage(4, 4, 8, colours, [](int32_t x, int32_t) { return uint32_t(x); });
  int32_t bitonal = ThinLines();
  Canvas canvas(4, 4);
  HGDIOBJ stock = GetStockObject(DEFAULT_PALETTE);
  EXPECT_EQ(ImgSetupDcPalette(bitonal, canvas.dc()), 0);
  EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PAL), stock);

  EXPECT_EQ(ImgSetupDcPalette(indexed, canvas.dc()), 0);
  HPALETTE selected = static_cast<HPALETTE>(GetCurrentObject(canvas.dc(), OBJ_PAL));
  ASSERT_NE(selected, stock);
  PALETTEENTRY entries[256];
  ASSERT_GE(GetPaletteEntries(selected, 0, 256, entries), colours.size());
  for (size_t i = 0; i < colours.size(); ++i)
    EXPECT_EQ(uint32_t(entries[i].peRed) << 16 | entries[i].peGreen << 8 | entries[i].peBlue, colours[i]);

  // After an inversion the set-up carries the new colours, in the palette still selected.
  ASSERT_EQ(ImgInvert(indexed), 0);
  EXPECT_EQ(ImgSetupDcPalette(indexed, canvas.dc()), 0);
  EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PAL), selected);
  GetPaletteEntries(selected, 0, 256, entries);
  EXPECT_EQ(uint32_t(entries[0].peRed) << 16 | entries[0].peGreen << 8 | entries[0].peBlue, 0xEFDFCFu);
  SelectPalette(canvas.dc(), static_cast<HPALETTE>(stock), FALSE);
}

}  // namespace
