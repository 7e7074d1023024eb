// BMP files to and from packed device-independent bitmaps.
#include "OXDIBFile.h"

#include <algorithm>
#include <cstring>

#include "Archive.h"

namespace {

uint16_t Get16(const uint8_t* p) { return (uint16_t)(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24; }
void Put16(uint8_t* p, uint32_t v) { p[0] = (uint8_t)v; p[1] = (uint8_t)(v >> 8); }
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = (uint8_t)(v >> (8 * i));
}

const uint32_t kChunk = 16384;
const uint32_t kBiRle8 = 1, kBiRle4 = 2;

uint32_t DefaultColors(uint16_t bitCount) {
  switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

uint64_t RowSize(uint16_t bitCount, int32_t width) {
  uint64_t w = width < 0 ? (uint64_t)(-(int64_t)width) : (uint64_t)width;
  return ((uint64_t)bitCount * w + 31) / 32 * 4;
}

// Appends n bytes from the archive in chunks; false on a short read.
bool ReadAppend(CArchive& ar, std::vector<uint8_t>& out, uint64_t n) {
  while (n > 0) {
    uint32_t step = (uint32_t)std::min<uint64_t>(n, kChunk);
    size_t at = out.size();
    out.resize(at + step);
    if (ar.Read(out.data() + at, step) != step) return false;
    n -= step;
  }
  return true;
}

}  // namespace

bool DibLayoutOf(const uint8_t* packed, size_t size, DibLayout* layout) {
  if (!packed || size < 4) return false;
  DibLayout l = {};
  l.headerSize = Get32(packed);
  if (l.headerSize == kDibInfoHeaderSize) {
    if (size < kDibInfoHeaderSize) return false;
    l.info = true;
    l.width = (int32_t)Get32(packed + 4);
    l.height = (int32_t)Get32(packed + 8);
    l.bitCount = Get16(packed + 14);
    l.compression = Get32(packed + 16);
    uint32_t used = Get32(packed + 32);
    l.colors = used ? used : DefaultColors(l.bitCount);
  } else if (l.headerSize == kDibCoreHeaderSize) {
    if (size < kDibCoreHeaderSize) return false;
    l.width = Get16(packed + 4);
    l.height = Get16(packed + 6);
    l.bitCount = Get16(packed + 10);
    l.colors = DefaultColors(l.bitCount);
  } else {
    return false;
  }
  l.colorTableSize = (uint32_t)std::min<uint64_t>((uint64_t)l.colors * (l.info ? 4 : 3), UINT32_MAX);
  l.rowSize = RowSize(l.bitCount, l.width);
  uint64_t rows = l.height < 0 ? (uint64_t)(-(int64_t)l.height) : (uint64_t)l.height;
  l.imageSize = l.rowSize * rows;
  *layout = l;
  return true;
}

bool DibReadBmp(CArchive& ar, std::vector<uint8_t>& packed) {
  packed.clear();
  uint8_t fileHeader[kBmpFileHeaderSize];
  if (ar.Read(fileHeader, kBmpFileHeaderSize) != kBmpFileHeaderSize || Get16(fileHeader) != kBmpMagic) return false;
  uint8_t first[4];
  if (ar.Read(first, 4) != 4) return false;
  const uint32_t headerSize = Get32(first);
  std::vector<uint8_t> header(first, first + 4);
  if (headerSize == kDibInfoHeaderSize) {
    if (!ReadAppend(ar, header, kDibInfoHeaderSize - 4)) return packed.clear(), false;
  } else if (headerSize == kDibCoreHeaderSize) {
    if (!ReadAppend(ar, header, kDibCoreHeaderSize - 4)) return packed.clear(), false;
  } else {
    return false;
  }
  DibLayout layout;
  if (!DibLayoutOf(header.data(), header.size(), &layout)) return false;

  // The block always holds an info header.
  packed.assign(kDibInfoHeaderSize, 0);
  if (layout.info) {
    std::memcpy(packed.data(), header.data(), kDibInfoHeaderSize);
  } else {
    Put32(packed.data(), kDibInfoHeaderSize);
    Put32(packed.data() + 4, (uint32_t)layout.width);
    Put32(packed.data() + 8, (uint32_t)layout.height);
    Put16(packed.data() + 12, Get16(header.data() + 8));
    Put16(packed.data() + 14, layout.bitCount);
  }
  // Uncompressed bits are as long as their rows say, whatever the header claims, so that no user
  // of the block reads rows past its end; compressed bits are as long as the header says.
  const uint32_t compression = Get32(packed.data() + 16);
  uint64_t imageSize = Get32(packed.data() + 20);
  if (compression != kBiRle8 && compression != kBiRle4) imageSize = layout.imageSize;
  if (imageSize > UINT32_MAX) return packed.clear(), false;
  Put32(packed.data() + 20, (uint32_t)imageSize);
  if (Get32(packed.data() + 32) == 0) Put32(packed.data() + 32, layout.colors);

  if (layout.info) {
    if (!ReadAppend(ar, packed, layout.colorTableSize)) return packed.clear(), false;
  } else {
    for (uint32_t i = 0; i < layout.colors; ++i) {
      uint8_t rgb[3];
      if (ar.Read(rgb, 3) != 3) return packed.clear(), false;
      packed.insert(packed.end(), {rgb[0], rgb[1], rgb[2], 0});
    }
  }
  if (!ReadAppend(ar, packed, imageSize)) return packed.clear(), false;
  return true;
}

bool DibWriteBmp(CArchive& ar, const uint8_t* packed, size_t size) {
  DibLayout layout;
  if (!DibLayoutOf(packed, size, &layout) || !layout.info) return false;
  uint64_t imageSize = (layout.compression == kBiRle8 || layout.compression == kBiRle4) ? Get32(packed + 20)
                                                                                       : layout.imageSize;
  const uint64_t bitsAt = (uint64_t)kDibInfoHeaderSize + layout.colorTableSize;
  if (bitsAt > size) return false;
  // A block never gives more bits than it holds.
  imageSize = std::min<uint64_t>(imageSize, size - bitsAt);
  uint8_t fileHeader[kBmpFileHeaderSize] = {};
  Put16(fileHeader, kBmpMagic);
  Put32(fileHeader + 2, (uint32_t)(kBmpFileHeaderSize + bitsAt + imageSize));
  Put32(fileHeader + 10, (uint32_t)(kBmpFileHeaderSize + bitsAt));
  ar.Write(fileHeader, kBmpFileHeaderSize);
  ar.Write(packed, (uint32_t)bitsAt);
  for (uint64_t done = 0; done < imageSize;) {
    uint32_t step = (uint32_t)std::min<uint64_t>(imageSize - done, kChunk);
    ar.Write(packed + bitsAt + done, step);
    done += step;
  }
  return true;
}
