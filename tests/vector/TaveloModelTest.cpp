// The drawing wrapper's colour search, record names and text-style flags.
#include <gtest/gtest.h>

#include "vector/model/AciPalette.h"
#include "vector/model/TaveloModel.h"

namespace {

TEST(TaveloModel, NearestColorIndex) {
  struct {
    int64_t rgb;
    int index;
  } cases[] = {{-1, 256},
               {Rgb(255, 255, 255), 0},
               {Rgb(255, 0, 0), 1},  // 10 is red too and loses the tie
               {Rgb(0, 0, 0), 7},
               {Rgb(250, 2, 1), 1},
               {AciRgbPalette[123], 123}};
  for (const auto& c : cases) EXPECT_EQ(NearestColorIndex(c.rgb), c.index) << c.rgb;
}

TEST(TaveloModel, RecordNames) {
  struct {
    const char* in;
    const char* out;
  } cases[] = {{"MS Gothic", "MS_GOTHIC"},
               {"Page1", "PAGE1"},
               {"a:b;c\\d/e.f,g+h*i\"j#k", "A_B_C_D_E_F_G_H_I_J_K"},
               {"abcdefghijklmnopqrstuvwxyz0123456789", "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"}};
  for (const auto& c : cases) EXPECT_EQ(TaveloRecordName(c.in), c.out);
}

TEST(TaveloModel, TextFlagsReadBackAsWritten) {
  struct {
    int weight, italic;
    bool bold, slanted;
  } cases[] = {{400, 0, false, false}, {700, 0, true, false}, {400, 1, false, true},
               {900, 1, true, true},   {400, -1, false, false}};
  for (const auto& c : cases) {
    uint32_t flags = TaveloTextFlags(c.weight, c.italic);
    EXPECT_EQ(TaveloFlagsBold(flags), c.bold);
    EXPECT_EQ(TaveloFlagsItalic(flags), c.slanted);
  }
}

// A view of 10,000 units square into a device of 500 x 250: the height governs (40 view units a
// pixel) and the view is centred across; into 250 x 500 the width governs and it is centred
// down. A view smaller than the device keeps a scale of 1.
TEST(TaveloModel, FitScale) {
  struct {
    TaveloRect device, view;
    int32_t sx, sy, ox, oy;
  } cases[] = {{{0, 0, 500, 250}, {0, 0, 10000, 10000}, 40, 40, 125, 0},
               {{0, 0, 250, 500}, {0, 0, 10000, 10000}, 40, 40, 0, 125},
               {{10, 20, 510, 270}, {0, 0, 10000, 10000}, 40, 40, 135, 20},
               {{0, 0, 800, 600}, {0, 0, 100, 100}, 1, 1, 350, 0}};
  for (const auto& c : cases) {
    TaveloFit f = TaveloFitScale(c.device, c.view, 1.0);
    EXPECT_EQ(f.scaleX, c.sx);
    EXPECT_EQ(f.scaleY, c.sy);
    EXPECT_EQ(f.offsetX, c.ox);
    EXPECT_EQ(f.offsetY, c.oy);
  }
  // No area: the fit stays the identity.
  TaveloFit none = TaveloFitScale({0, 0, 0, 100}, {0, 0, 100, 100}, 1.0);
  EXPECT_EQ(none.scaleX, 1);
  EXPECT_EQ(none.offsetX, 0);
}

TEST(TaveloModel, WorldToDeviceTurnsYDownwards) {
  const double origin[2] = {100.0, 50.0};  // the view's top-left corner in drawing units
  TaveloFit fit;
  fit.scaleX = fit.scaleY = 10;
  fit.offsetX = 5;
  fit.offsetY = 7;
  TaveloPoint p = TaveloWorldToDevice(110.0, 40.0, origin, 100.0, TaveloPoint{0, 0}, fit);
  EXPECT_EQ(p.x, 105);  // 10 units right: 1000 view units, 100 pixels
  EXPECT_EQ(p.y, 107);  // 10 units down
  p = TaveloWorldToDevice(100.0, 50.0, origin, 100.0, TaveloPoint{20, -30}, fit);
  EXPECT_EQ(p.x, 7);
  EXPECT_EQ(p.y, 4);
  TaveloPoint q = TaveloPolarPoint(10, 10, 3.14159265358979 / 2, 5);
  EXPECT_EQ(q.x, 10);
  EXPECT_EQ(q.y, 15);
}

// More than eight colour numbers above 7 recycle slots 8 to 15 in turn; a number already held
// keeps its slot without re-creating it; 0 to 7 always draw with their own slots.
TEST(TaveloModel, ColourSlotsRecycle) {
  TaveloColourSlots slots;
  bool recreate = false;
  EXPECT_EQ(slots.Select(3, &recreate), 3);
  EXPECT_FALSE(recreate);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(slots.Select(20 + i, &recreate), 8 + i);
    EXPECT_TRUE(recreate);
  }
  EXPECT_EQ(slots.Select(23, &recreate), 11);
  EXPECT_FALSE(recreate);
  EXPECT_EQ(slots.Select(99, &recreate), 8);
  EXPECT_TRUE(recreate);
  EXPECT_EQ(slots.HeldBy(8), 99);
  EXPECT_EQ(slots.Select(20, &recreate), 9);  // 20 lost its slot to 99
  EXPECT_TRUE(recreate);
}

TEST(TaveloModel, CriticalErrorTexts) {
  EXPECT_EQ(TaveloCriticalErrorText(1, 0, ""), "DWG: File read error");
  EXPECT_EQ(TaveloCriticalErrorText(2, 30, "Unexpected end of file"),
            "DWG: critical error 2, aderror 30 (Unexpected end of file), terminating");
  EXPECT_EQ(TaveloCriticalErrorText(6, 0, ""), "DWG: critical error -- bad data detected, terminating");
  EXPECT_EQ(TaveloCriticalErrorText(7, 0, ""), "");
}

}  // namespace
