// The packed device-independent bitmap (header, colour table and bits in one block) and its BMP
// file form, for COXDIB: the header rules, and reading and writing the BMP layout through the
// framework archive. Portable, so the reading of untrusted files is tested and fuzzed natively.
// Not for: palettes, device bitmaps or painting (COXDIB, Windows build).
#ifndef APP_OXDIBFILE_H
#define APP_OXDIBFILE_H

#include <cstddef>
#include <cstdint>
#include <vector>

class CArchive;

enum : uint32_t {
  kDibInfoHeaderSize = 40,
  kDibCoreHeaderSize = 12,
  kBmpFileHeaderSize = 14,
  kBmpMagic = 19778,  // "BM"
};

// What the header of a packed block says, by the rules every user of the block follows.
struct DibLayout {
  bool info;               // a 40-byte info header (else a 12-byte core header)
  uint32_t headerSize;
  int32_t width;
  int32_t height;
  uint16_t bitCount;
  uint32_t compression;    // 0 for a core header
  uint32_t colors;         // biClrUsed when set, else 2, 16 or 256 for 1, 4 or 8 bits, else 0
  uint32_t colorTableSize; // colors x 4 (info) or x 3 (core)
  uint64_t rowSize;        // bytes of one row, a multiple of 4
  uint64_t imageSize;      // rowSize x |height|
};

// False when the block is too short for its header or the header is of neither kind.
bool DibLayoutOf(const uint8_t* packed, size_t size, DibLayout* layout);

// Reads the BMP layout into a packed block with an info header (a core header is converted, its
// 3-byte colours widened). False, with the block emptied, on a wrong magic, a header of another
// kind or any short read. Lengths from the file never size an allocation ahead of the bytes read.
bool DibReadBmp(CArchive& ar, std::vector<uint8_t>& packed);

// Writes the block in the BMP layout; false (nothing written) unless it holds an info header.
bool DibWriteBmp(CArchive& ar, const uint8_t* packed, size_t size);

#endif  // APP_OXDIBFILE_H
