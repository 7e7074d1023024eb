// What the Scan command computes without the window system: which road a "Scanner" setting
// takes, where the Rastrum program lies next to the path the system registered for its
// installer, and the scanned file named in the program's result file RST.INI.
#pragma once

#include "Str.h"

enum class ScannerRoad {
  None,     // 0: the command is disabled
  Rastrum,  // 1: RSTW.EXE, which names its file in RST.INI
  Ostrel,   // 2: Ostrel.exe, which writes the temporary file it is given
  Unknown,  // any other value: refused, nothing is scanned
};

ScannerRoad ScannerRoadOf(int nScanner);

// The registered path's folder (up to its last "\") + "\RSTW.EXE"; empty when the path has no
// "\".
CString RstwBesideAppPath(const CString& registered);

// When the line's first 12 characters are "PRIMARY_FILE", TRUE with the text from its 16th
// character on (the key and the three characters after it, " = " as the program writes them,
// are skipped); a line that ends before then gives an empty value.
BOOL PrimaryFileOfLine(const CString& line, CString& value);
