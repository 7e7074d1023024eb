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

}  // namespace
