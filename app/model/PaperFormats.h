// The paper formats offered for printing: what one line of VLFormat.ini ("width,height,name",
// millimetres) holds, and the built-in formats used when the file names none. Reading the file
// itself is the application's (it goes through the system's profile functions).
#pragma once

#include <cstdint>

#include "Array.h"
#include "Str.h"

struct PaperFormat {
  CString name;
  uint16_t width;   // millimetres
  uint16_t height;  // millimetres
};

// Parses one value of section "Output". The value is trimmed on both sides; the width and height
// are atoi of the texts before the first and second ","; the name is the rest, untrimmed. FALSE
// (and nothing stored) unless both "," are there, both sizes are 1 to 65535 (or the width is 0,
// the entry that does not fit to paper, with any height of that range) and the name is not
// empty: a line is taken only whole, so the names and the sizes stay parallel.
BOOL ParsePaperFormat(const char* value, PaperFormat& format);

// The four formats used when the file gives none: A1, A2, A3, A4 in that order.
const PaperFormat* BuiltInPaperFormats(int& count);

// Appends one format to the two parallel arrays (names; width, height per name).
void AppendPaperFormat(CStringArray& names, CWordArray& sizes, const PaperFormat& format);
