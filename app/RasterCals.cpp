// Reading the density and orientation records of a CALS header, and writing its density.
#include "RasterCals.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The number after the first ':' of a 128-character record, or fallback when there is no colon.
// At most 124 characters after the colon are looked at; the record is copied and terminated so
// nothing beyond it is read.
long RecordNumber(const uint8_t* record, long fallback) {
  char text[kCalsRecordSize + 1];
  std::memcpy(text, record, kCalsRecordSize);
  text[kCalsRecordSize] = '\0';
  const char* colon = static_cast<const char*>(std::memchr(text, ':', std::strlen(text)));
  if (!colon) return fallback;
  char value[125];
  size_t n = std::strlen(colon + 1);
  if (n > 124) n = 124;
  std::memcpy(value, colon + 1, n);
  value[n] = '\0';
  return std::strtol(value, nullptr, 10);
}

}  // namespace

bool CalsHeaderRead(const uint8_t* header, size_t size, CalsHeaderFields* fields) {
  if (!header || size < kCalsHeaderSize) return false;
  long density = RecordNumber(header + kCalsDensityRecord, 0);
  fields->density = (density < 1 || density > 10000) ? 400 : (int32_t)density;
  long orientation = RecordNumber(header + kCalsOrientationRecord, 0);
  // The header names the way the sheet lies; the image turns the other way round.
  if (orientation == 90)
    orientation = 270;
  else if (orientation == 270)
    orientation = 90;
  else if (orientation < -36000 || orientation > 36000)
    orientation = 0;
  fields->rotation = (int32_t)orientation;
  return true;
}

bool CalsHeaderWriteDensity(uint8_t* header, size_t size, int32_t density) {
  if (!header || size < kCalsHeaderSize) return false;
  char text[kCalsRecordSize + 1];
  const int n = snprintf(text, sizeof text, "rdensty: %04d        ", (int)density);
  const size_t len = n < 0 ? 0 : (size_t)n < kCalsRecordSize ? (size_t)n : kCalsRecordSize;
  memcpy(header + kCalsDensityRecord, text, len);
  return true;
}
