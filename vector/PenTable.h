// CPenTable: the pen widths by pen (colour) number that the drawing wrapper draws with, read
// from the profile's pen lists "Penlist1" and "Penlist2" (two hexadecimal digits per pen,
// hundredths of a millimetre) and scaled to device units.
// The lists' parsing and the width lookup are portable; reading them from the profile is the
// Windows side's (PenTableProfile.cpp).
#pragma once

#include <cstdint>

#include "Str.h"

class CPenTable {
 public:
  enum { PenCount = 254, FirstListCount = 127, DefaultWidth = 18, SecondListDefault = 20 };

  // The scale, and the widths from the section's lists, or 18 for every pen when the section is
  // empty or names no "Penlist1".
  void Init(const CString& section, double scale);
  // Reads both lists of the section; 0 (nothing changed) when "Penlist1" is missing or empty.
  int ReadProfile(const char* section);
  // Takes the two lists' texts: 0 (nothing changed) when the first is empty; a missing or empty
  // second list gives pens 127 to 253 the width 20. A list shorter than its pens, or with a
  // pair that is not hexadecimal, leaves the pens from there on at the list's default.
  int ReadLists(const char* list1, const char* list2);
  // Every pen 18.
  void SetDefaults();
  // trunc(width * scale + 0.5); a pen outside 0..253 draws with the default width.
  int GetWidth(int pen) const;

  int32_t m_widths[PenCount] = {};
  double m_dScale = 1.0;  // device units per hundredth of a millimetre
};
