// The colour table's layout (hue groups, half-saturation odd entries, greys) and the pen-slot
// cache: 40 colours cycle through slots 8 to 15, colours 0 to 7 never take a cache slot, black
// and white draws everything with slot 7.
#include <gtest/gtest.h>

#include "vector/model/AciPalette.h"

namespace {

TEST(AciPalette, FixedEntriesHueGroupsAndGreys) {
  EXPECT_EQ(AciRgbPalette[0], Rgb(255, 255, 255));
  EXPECT_EQ(AciRgbPalette[7], Rgb(0, 0, 0));
  EXPECT_EQ(AciRgbPalette[8], Rgb(152, 152, 152));
  EXPECT_EQ(AciRgbPalette[9], Rgb(192, 192, 192));
  const struct {
    int entry;
    uint32_t rgb;
  } groups[] = {{10, Rgb(255, 0, 0)},   {50, Rgb(255, 255, 0)}, {90, Rgb(0, 255, 0)},
                {130, Rgb(0, 255, 255)}, {170, Rgb(0, 0, 255)}, {210, Rgb(255, 0, 255)},
                {20, Rgb(255, 64, 0)},  {141, Rgb(128, 223, 255)}, {249, Rgb(38, 19, 24)}};
  for (const auto& g : groups) EXPECT_EQ(AciRgbPalette[g.entry], g.rgb) << g.entry;
  // Within each group the brightness falls in steps of two entries, each component at most.
  for (int group = 10; group < 250; group += 10)
    for (int i = group; i + 2 < group + 10; ++i)
      for (int shift = 0; shift < 24; shift += 8)
        EXPECT_GE((AciRgbPalette[i] >> shift) & 255, (AciRgbPalette[i + 2] >> shift) & 255) << i;
  const uint8_t greys[] = {84, 118, 152, 187, 221, 255};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(AciRgbPalette[250 + i], Rgb(greys[i], greys[i], greys[i]));
}

TEST(AciPalette, BackgroundEntries) {
  uint32_t copy[256];
  for (int i = 0; i < 256; ++i) copy[i] = AciRgbPalette[i];
  SetBackgroundEntries(copy, true);
  EXPECT_EQ(copy[0], Rgb(0, 0, 0));
  EXPECT_EQ(copy[7], Rgb(255, 255, 255));
  SetBackgroundEntries(copy, false);
  EXPECT_EQ(copy[0], Rgb(255, 255, 255));
  EXPECT_EQ(copy[7], Rgb(0, 0, 0));
  EXPECT_EQ(copy[1], AciRgbPalette[1]);
}

TEST(DwgPenSlots, FortyColoursCycleTheCacheSlots) {
  DwgPenSlots slots;
  slots.Reset();
  bool refill = false;
  for (int16_t c = 0; c < 8; ++c) {
    EXPECT_EQ(slots.Select(c, false, &refill), c);
    EXPECT_FALSE(refill);
  }
  // Slots 8 to 15 start with colours 8 to 15: those take no new pen.
  EXPECT_EQ(slots.Select(12, false, &refill), 12);
  EXPECT_FALSE(refill);
  for (int16_t c = 20; c < 60; ++c) {
    EXPECT_EQ(slots.Select(c, false, &refill), 8 + (c - 20) % 8) << c;
    EXPECT_TRUE(refill);
  }
  // The last eight colours are held: asking again refills nothing.
  for (int16_t c = 52; c < 60; ++c) {
    EXPECT_EQ(slots.Select(c, false, &refill), 8 + (c - 20) % 8);
    EXPECT_FALSE(refill);
    EXPECT_EQ(slots.current, 8 + (c - 20) % 8);
  }
  for (int s = 0; s < 8; ++s) EXPECT_EQ(slots.colours[s], s);
}

TEST(DwgPenSlots, BlackAndWhiteAndOutOfRangeColoursDrawWithSlotSeven) {
  DwgPenSlots slots;
  slots.Reset();
  bool refill = true;
  EXPECT_EQ(slots.Select(1, true, &refill), 7);
  EXPECT_EQ(slots.Select(200, true, &refill), 7);
  EXPECT_FALSE(refill);
  EXPECT_EQ(slots.next_reusable, 8);
  EXPECT_EQ(slots.Select(-3, false, &refill), 7);
  EXPECT_EQ(slots.Select(256, false, &refill), 7);
  EXPECT_FALSE(refill);
}

}  // namespace
