// The HP-GL and HP-GL/2 plot-file converter: reads a plotter instruction stream and hands what the
// pen draws to an output as lines, arcs, circles, labels and solid fills on one layer per page.
// Coordinates reach the output in millimetres (one plotter unit is 0.025 mm).
// Not for: the drawing being built (HpglOutput's implementation, over the drawing wrapper, turns
// the calls into entities) nor showing anything to the user (errors go to HpglOutput::Error).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct HpglPoint {
  double x, y, z;
};

// A polygon buffer comes in pairs of entries: a line segment is (start, end) with both z 0; an
// arc is (centre x, centre y, radius) then (start angle, end angle, 0), radians, counter-
// clockwise; a sub-polygon ends with the marker pair (0, 0, 0), (0, 0, 10).
constexpr double kHpglMarkerZ = 10.0;
inline bool HpglIsMarker(const HpglPoint& p) { return p.z >= 1.0; }
inline bool HpglIsArcCentre(const HpglPoint& p) { return p.z >= 1e-5; }

// Where the converter puts what it draws. Colours are Windows RGB values from the colour-number
// palette (the pen's entry); layer is the value AddLayer returned for the current page.
class HpglOutput {
 public:
  virtual ~HpglOutput() = default;
  // A page layer; 0 when it could not be added (entities then go on the default layer).
  virtual uint64_t AddLayer(const char* name, uint32_t rgb) = 0;
  virtual void AddLine(const HpglPoint& start, const HpglPoint& end, uint64_t layer,
                       uint32_t rgb) = 0;
  virtual void AddArc(const HpglPoint& centre, double start_angle, double end_angle,
                      double radius, uint64_t layer, uint32_t rgb) = 0;
  virtual void AddCircle(const HpglPoint& centre, double radius, uint64_t layer,
                         uint32_t rgb) = 0;
  virtual void AddText(const HpglPoint& at, const std::string& text, double height,
                       const char* font, double rotation, int weight, int italic,
                       uint64_t layer, uint32_t rgb) = 0;
  // One solid fill whose boundary paths are the sub-polygons of the buffer.
  virtual void AddHatch(const std::vector<HpglPoint>& buffer, uint64_t layer, uint32_t rgb) = 0;
  // The converter's errors; by default "HPDW ERROR: %s\n" on the standard error stream.
  virtual void Error(const char* text);
};

// The result of a conversion.
enum HpglResult : int {
  kHpglConverted = 0,
  // No instruction of the stream was recognised, or the words the reader did not know
  // outnumber the instructions more than four to one: the bytes are not a plot file, and an
  // (all but) empty drawing would pass for one.
  kHpglNotRecognised = 1,
  kHpglCannotOpen = 12,
};

struct HpglStats {
  long instructions = 0;  // recognised instructions that were run
  long errors = 0;
};

// Progress in percent of the bytes read, about a hundred times for a file of 101 bytes or more.
using HpglProgressFn = std::function<void(int)>;

// Converts the bytes of a plot file. Every conversion starts from the same clean state.
HpglResult ConvertHpglBytes(const uint8_t* data, size_t size, HpglOutput& out,
                            const HpglProgressFn& progress = nullptr,
                            HpglStats* stats = nullptr);
// The same from a file; kHpglCannotOpen when it cannot be read.
HpglResult ConvertHpglPath(const char* path, HpglOutput& out,
                           const HpglProgressFn& progress = nullptr, HpglStats* stats = nullptr);

// The mnemonic table: the handler number of a two-letter instruction (first letter upper case,
// second either case), or -1 when there is none. Exposed so that the table can be checked whole.
int HpglLookupMnemonic(char first, char second);
// The number of mnemonics in the table.
int HpglMnemonicCount();

// Whole-degree integer trigonometry of the plotter model (factors times 10,000).
int64_t HpglMul4(int64_t a, int64_t b);
int64_t HpglDiv4(int64_t a, int64_t b);
// Length of a vector by the whole-degree tables.
int64_t HpglIntegerLength(int64_t dx, int64_t dy);
