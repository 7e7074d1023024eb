// The two fields the raster object takes from a CALS file's text header: the scan density and
// the orientation. The header is the file's first 2048 bytes, sixteen records of 128 characters.
// Portable, so the parsing of these untrusted bytes is tested and fuzzed natively.
// Not for: editing headers (the CALS header dialogs) or the image data.
#ifndef APP_RASTERCALS_H
#define APP_RASTERCALS_H

#include <cstddef>
#include <cstdint>

enum : size_t {
  kCalsHeaderSize = 2048,
  kCalsRecordSize = 128,
  kCalsOrientationRecord = 896,
  kCalsDensityRecord = 1152,
};

struct CalsHeaderFields {
  int32_t density;   // dots per inch; 400 when the record's value is outside 1 to 10000
  int32_t rotation;  // degrees to turn the image by: the orientation with 90 and 270 exchanged
};

// False when fewer than 2048 bytes are given (the header is then left alone).
bool CalsHeaderRead(const uint8_t* header, size_t size, CalsHeaderFields* fields);
// Overwrites the start of the density record with "rdensty: %04d" and eight blanks, as a raster
// sent to a printer at another resolution says; the rest of the record stays. False (nothing
// written) when fewer than 2048 bytes are given.
bool CalsHeaderWriteDensity(uint8_t* header, size_t size, int32_t density);

#endif  // APP_RASTERCALS_H
