// The Calcomp 906/907 plot-stream decoder: checks the text preamble of a plot file, decodes the
// binary stream behind it into pen moves and hands every pen-down move to an output as a line in
// plotter steps, coloured by the pen number. Portable; the converter that saves the lines as a
// drawing file, and the document that opens it, are the callers'.
// Not for: HP-GL plot files (Hpgl.h) nor building the drawing (the output does that).
#pragma once

#include <cstddef>
#include <cstdint>

class CalcompOutput {
 public:
  virtual ~CalcompOutput() = default;
  // One pen-down move; false stops the conversion as failed.
  virtual bool AddLine(double x1, double y1, double x2, double y2, int16_t colour) = 0;
};

enum CalcompResult : int {
  kCalcompConverted = 0,
  kCalcompNoPreamble,   // not a Calcomp plot file: no preamble, or it never ends
  kCalcompBadHeader,    // no sync run, bias character and data header (1, 0, 0, 1)
  kCalcompTruncated,    // the stream ends inside an instruction's operands
  kCalcompOutputFailed, // the output refused a line
  kCalcompCannotOpen,
};

// The byte offset behind the "^^^^END OF FILE" line of the preamble, or 0 when the first line
// is not "&&&&CALCOMP DEVICE CONTROL" or the end line never comes.
size_t CalcompFindDataStart(const uint8_t* data, size_t size);

struct CalcompStats {
  long moves = 0;  // relative moves decoded
  long lines = 0;  // of those, drawn with the pen down
};

CalcompResult DecodeCalcompBytes(const uint8_t* data, size_t size, CalcompOutput& out,
                                 CalcompStats* stats = nullptr);
CalcompResult DecodeCalcompPath(const char* path, CalcompOutput& out,
                                CalcompStats* stats = nullptr);
