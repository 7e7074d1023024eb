// The Scan command's decisions on settings and on the scanning program's result file.
#include "model/ScanModel.h"

#include <cstring>

ScannerRoad ScannerRoadOf(int nScanner) {
  switch (nScanner) {
    case 0:
      return ScannerRoad::None;
    case 1:
      return ScannerRoad::Rastrum;
    case 2:
      return ScannerRoad::Ostrel;
    default:
      return ScannerRoad::Unknown;
  }
}

CString RstwBesideAppPath(const CString& registered) {
  const int slash = registered.ReverseFind('\\');
  if (slash < 0) return CString();
  return registered.Left(slash) + "\\RSTW.EXE";
}

BOOL PrimaryFileOfLine(const CString& line, CString& value) {
  static const char kKey[] = "PRIMARY_FILE";
  const int keyLength = static_cast<int>(sizeof kKey - 1);
  const int valueStart = 15;
  value.Empty();
  if (line.GetLength() < keyLength || std::strncmp(line, kKey, keyLength) != 0) return FALSE;
  // The value is taken only from within the line: a bare key has none.
  if (line.GetLength() > valueStart) value = line.Mid(valueStart);
  return TRUE;
}
