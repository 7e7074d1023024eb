// COleVariant: a tagged value of the kinds the grid keeps in OLE-variant user attributes (empty,
// null, 32-bit integer, double, boolean, text), portable so the data model builds everywhere.
// Not for: passing values through COM (the Win32 half converts to the window system's VARIANT
// where it needs one).
#ifndef FRAMEWORK_OLEVARIANT_H
#define FRAMEWORK_OLEVARIANT_H

#include "Str.h"

#ifdef _WIN32
#include <wtypes.h>
#else
typedef unsigned short VARTYPE;
enum VARENUM { VT_EMPTY = 0, VT_NULL = 1, VT_I4 = 3, VT_R8 = 5, VT_BSTR = 8, VT_BOOL = 11 };
#endif

class COleVariant {
 public:
  COleVariant() = default;
  explicit COleVariant(long nValue) : vt(VT_I4), lVal(nValue) {}
  explicit COleVariant(double dValue) : vt(VT_R8), dblVal(dValue) {}
  explicit COleVariant(LPCTSTR pszText) : vt(VT_BSTR), strVal(pszText) {}

  void Clear() {
    vt = VT_EMPTY;
    lVal = 0;
    dblVal = 0;
    strVal.Empty();
  }
  bool operator==(const COleVariant& other) const;

  VARTYPE vt = VT_EMPTY;
  long lVal = 0;  // VT_I4, and VT_BOOL (0 or -1)
  double dblVal = 0;  // VT_R8
  CString strVal;  // VT_BSTR
};

inline bool COleVariant::operator==(const COleVariant& other) const {
  if (vt != other.vt)
    return false;
  switch (vt) {
    case VT_I4:
    case VT_BOOL:
      return lVal == other.lVal;
    case VT_R8:
      return dblVal == other.dblVal;
    case VT_BSTR:
      return strVal == other.strVal;
    default:
      return true;
  }
}

#endif  // FRAMEWORK_OLEVARIANT_H
