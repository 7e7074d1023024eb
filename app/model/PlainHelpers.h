// Shared helpers of the application that need nothing of the window system: a point against a
// line, counting lines of a text, and splitting the command line into file names. The ones that
// need the system (regions, windows, volumes, folders, open documents) are in app/Helpers.h.
#pragma once

#include <vector>

#include "Str.h"

// Point 3 against the line through points 1 and 2, in integers: 0 off the line (the cross
// product is at least the larger of |x2 - x1| and |y2 - y1|), 1 before point 1, 3 beyond
// point 2, 2 between the two.
int PointOnLine(int x1, int y1, int x2, int y2, int x3, int y3);

// Line feeds + 1; 1 for an empty text.
int CountLines(const char* text);

// The pieces of the raw command line between ";" from left to right, untrimmed; empty pieces
// are kept (they name no file and are skipped by the caller like any other missing file).
std::vector<CString> SplitFileList(const char* commandLine);
