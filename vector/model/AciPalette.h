// The colours of vector drawings: the 256 RGB values by colour number, and the pen-slot cache
// that a drawing pass selects pens from (slots 0 to 7 fixed to colours 0 to 7, slots 8 to 15
// refilled in turn for the other colours).
// Not for: the pens themselves (GDI objects of the drawing object).
#pragma once

#include <cstdint>

// Windows RGB values (red in the low byte) by colour number: 0 white, 7 black, 10 to 249 in 24
// hue groups of ten, 250 to 255 greys. The vector drawing object draws from a copy whose entries
// 0 and 7 follow the background.
extern const uint32_t AciRgbPalette[256];

constexpr uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) {
  return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16;
}

// Entries 0 and 7 of a drawing's copy: on a dark screen 0 is black and 7 white, else the other
// way round.
void SetBackgroundEntries(uint32_t palette[256], bool dark);

// Which of the 16 pen slots draws a colour number.
struct DwgPenSlots {
  enum : uint16_t { kSlots = 16, kFirstCached = 8, kBlackWhiteSlot = 7 };
  uint16_t colours[kSlots];
  uint16_t current;
  uint16_t next_reusable;

  // Slot i holds colour i; the next new colour goes to slot 8.
  void Reset();
  // The slot for the colour (slot 7 for everything in black and white; a number outside 0 to 255
  // draws as 7 too); refill is set when the slot was taken for the colour and its pen must be
  // made anew. The slot becomes current.
  uint16_t Select(int16_t colour, bool black_and_white, bool* refill);
};
