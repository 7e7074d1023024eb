// Paper formats: one line of VLFormat.ini and the built-in list.
#include "PaperFormats.h"

#include <cstdlib>

BOOL ParsePaperFormat(const char* value, PaperFormat& format) {
  if (!value) return FALSE;
  CString s(value);
  s.TrimLeft();
  s.TrimRight();
  int first = s.Find(',');
  if (first < 0) return FALSE;
  CString rest = s.Mid(first + 1);
  int second = rest.Find(',');
  if (second < 0) return FALSE;
  CString name = rest.Mid(second + 1);
  if (name.IsEmpty()) return FALSE;
  // Sizes are stored as 16-bit values, as the arrays that hold them are: a size that is not a
  // positive number of that range would print on no paper. A width of 0 is the entry that
  // prints without fitting to paper; its height is not used.
  int width = atoi(s.Left(first));
  int height = atoi(rest.Left(second));
  if (width < 0 || width > 0xFFFF || height < 0 || height > 0xFFFF) return FALSE;
  if (width > 0 && height == 0) return FALSE;
  format.width = static_cast<uint16_t>(width);
  format.height = static_cast<uint16_t>(height);
  format.name = name;
  return TRUE;
}

const PaperFormat* BuiltInPaperFormats(int& count) {
  static const PaperFormat formats[] = {
      {"A1 (594 x 841 mm)", 594, 841},
      {"A2 (594 x 420 mm)", 594, 420},
      {"A3 (297 x 420 mm)", 297, 420},
      {"A4 (297 x 210 mm)", 297, 210},
  };
  count = 4;
  return formats;
}

void AppendPaperFormat(CStringArray& names, CWordArray& sizes, const PaperFormat& format) {
  names.Add(format.name);
  sizes.Add(format.width);
  sizes.Add(format.height);
}
