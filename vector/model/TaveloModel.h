// What the drawing wrapper of the plot-file converters decides without the toolkit: the nearest
// colour number of an RGB colour, the names it gives layers and text styles, and the flags a
// TrueType text style carries in its extended data.
// Not for: adding the entities and layers (the wrapper does that through the toolkit).
#pragma once

#include <cstdint>
#include <string>

// The colour number for a Windows RGB value: -1 gives 256 (BYLAYER); otherwise the first number
// 0 to 255 whose palette colour has the smallest sum of channel differences.
int NearestColorIndex(int64_t rgb);

// A layer or text-style name: upper case, with : ; space \ / . , + * " # made underscores, at
// most 32 characters.
std::string TaveloRecordName(const std::string& name);

// The flags word (extended-data group 1071) of a TrueType text style: bold from weight 700, and
// italic. The text hook reads the same bits back.
constexpr uint32_t kTaveloBoldFlag = 0x200000;
constexpr uint32_t kTaveloItalicFlag = 0x100000;
uint32_t TaveloTextFlags(int weight, int italic);
inline bool TaveloFlagsBold(uint32_t flags) { return (flags & kTaveloBoldFlag) != 0; }
inline bool TaveloFlagsItalic(uint32_t flags) { return (flags & kTaveloItalicFlag) != 0; }

// What the wrapper's display side decides without the window system: fitting a view rectangle
// into a device rectangle, drawing coordinates to device points, and which of its sixteen
// pen-and-brush slots a colour number is drawn with.
struct TaveloRect {
  int32_t left, top, right, bottom;
};

// The device fit: integer scales (view units a device unit, never below 1) and offsets.
struct TaveloFit {
  int32_t scaleX = 1, scaleY = 1;
  int32_t offsetX = 0, offsetY = 0;
};
// Fits the view rectangle into the device rectangle keeping the aspect ratio (aspect scales y
// against x), centring the view along the axis with room to spare.
TaveloFit TaveloFitScale(const TaveloRect& device, const TaveloRect& view, double aspect);

struct TaveloPoint {
  int32_t x, y;
};
// A drawing point as a device point: the view's top-left corner viewOrigin, `scale` view units a
// drawing unit, the view offset `origin`, then the device fit. y grows downwards on the device.
TaveloPoint TaveloWorldToDevice(double x, double y, const double viewOrigin[2], double scale,
                                const TaveloPoint& origin, const TaveloFit& fit);
// The point at a distance along an angle (radians) from (x, y), rounded.
TaveloPoint TaveloPolarPoint(double x, double y, double angle, double distance);

// Colour slots: numbers 0 to 7 have their own slot; a larger number takes the slot among 8 to 15
// that already holds it, or else the next slot in turn (wrapping from 15 back to 8), which the
// caller then re-creates for the number (`recreate`).
class TaveloColourSlots {
 public:
  TaveloColourSlots();
  int Select(int colour, bool* recreate);
  int HeldBy(int slot) const { return m_slotColor[slot]; }

 private:
  int16_t m_slotColor[16];
  int16_t m_nextSlot = 8;
};

// The message the toolkit's critical-error report shows for a kind (1 to 6), with the last
// error number and its text where the kind names them; empty for other kinds.
std::string TaveloCriticalErrorText(int kind, int lastError, const char* errorText);
