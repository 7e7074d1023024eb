// Packed bitmaps and their BMP files: header rules, core headers converted, round trips, and
// damaged files refused.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "Archive.h"
#include "Exception.h"
#include "MemFile.h"
#include "OXDIBFile.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Le(Bytes& b, uint64_t v, int n) {
  for (int i = 0; i < n; ++i) b.push_back((uint8_t)(v >> (8 * i)));
}

// An info-header block: width x height at bitCount, biClrUsed, then the colour table and bits
// made of a running byte pattern.
Bytes InfoBlock(int32_t width, int32_t height, uint16_t bitCount, uint32_t clrUsed, size_t tableBytes,
                size_t bitBytes, uint32_t compression = 0, uint32_t sizeImage = 0) {
  Bytes b;
  Le(b, 40, 4);
  Le(b, (uint32_t)width, 4);
  Le(b, (uint32_t)height, 4);
  Le(b, 1, 2);
  Le(b, bitCount, 2);
  Le(b, compression, 4);
  Le(b, sizeImage, 4);
  Le(b, 2835, 4);
  Le(b, 2835, 4);
  Le(b, clrUsed, 4);
  Le(b, 0, 4);
  for (size_t i = 0; i < tableBytes + bitBytes; ++i) b.push_back((uint8_t)(i * 7 + 1));
  return b;
}

Bytes FileOf(const Bytes& block) {
  Bytes f = {'B', 'M'};
  Le(f, 14 + block.size(), 4);
  Le(f, 0, 4);
  Le(f, 0, 4);  // the reader does not use the offset
  f.insert(f.end(), block.begin(), block.end());
  return f;
}

bool Read(Bytes file, Bytes& packed) {
  CMemFile mem(file.data(), (UINT)file.size());
  CArchive ar(&mem, CArchive::load);
  bool ok = DibReadBmp(ar, packed);
  ar.Abort();
  return ok;
}

Bytes Write(const Bytes& packed, bool* ok) {
  CMemFile mem;
  {
    CArchive ar(&mem, CArchive::store);
    *ok = DibWriteBmp(ar, packed.data(), packed.size());
    ar.Close();
  }
  Bytes out((size_t)mem.GetLength());
  mem.SeekToBegin();
  mem.Read(out.data(), (UINT)out.size());
  return out;
}

struct LayoutCase {
  const char* name;
  uint16_t bitCount;
  int32_t width, height;
  uint32_t clrUsed;
  uint32_t colors, tableSize;
  uint64_t rowSize, imageSize;
};

const LayoutCase kLayouts[] = {
    {"1 bit", 1, 33, 2, 0, 2, 8, 8, 16},
    {"4 bits", 4, 3, 3, 0, 16, 64, 4, 12},
    {"8 bits, no colours used", 8, 5, 2, 0, 256, 1024, 8, 16},
    {"8 bits, 20 colours used", 8, 4, 1, 20, 20, 80, 4, 4},
    {"24 bits", 24, 3, 2, 0, 0, 0, 12, 24},
    {"top-down", 24, 1, -3, 0, 0, 0, 4, 12},
};

TEST(OXDIBFile, HeaderRules) {
  for (const LayoutCase& c : kLayouts) {
    Bytes block = InfoBlock(c.width, c.height, c.bitCount, c.clrUsed, 0, 0);
    DibLayout l;
    ASSERT_TRUE(DibLayoutOf(block.data(), block.size(), &l)) << c.name;
    EXPECT_TRUE(l.info);
    EXPECT_EQ(c.colors, l.colors) << c.name;
    EXPECT_EQ(c.tableSize, l.colorTableSize) << c.name;
    EXPECT_EQ(c.rowSize, l.rowSize) << c.name;
    EXPECT_EQ(c.imageSize, l.imageSize) << c.name;
  }
  const uint8_t v4[4] = {108, 0, 0, 0};
  DibLayout l;
  EXPECT_FALSE(DibLayoutOf(v4, sizeof v4, &l));
  Bytes shortInfo = InfoBlock(1, 1, 8, 0, 0, 0);
  EXPECT_FALSE(DibLayoutOf(shortInfo.data(), 39, &l));
}

// A 12-byte core header with 8 bits loads as an info header with 256 four-byte colours.
TEST(OXDIBFile, CoreHeaderIsConverted) {
  Bytes core;
  Le(core, 12, 4);
  Le(core, 3, 2);
  Le(core, 2, 2);
  Le(core, 1, 2);
  Le(core, 8, 2);
  for (int i = 0; i < 256; ++i) core.insert(core.end(), {(uint8_t)i, (uint8_t)(255 - i), 7});
  for (int i = 0; i < 8; ++i) core.push_back((uint8_t)(0xA0 + i));
  Bytes packed;
  ASSERT_TRUE(Read(FileOf(core), packed));
  ASSERT_EQ(40u + 1024 + 8, packed.size());
  DibLayout l;
  ASSERT_TRUE(DibLayoutOf(packed.data(), packed.size(), &l));
  EXPECT_TRUE(l.info);
  EXPECT_EQ(3, l.width);
  EXPECT_EQ(2, l.height);
  EXPECT_EQ(256u, l.colors);
  EXPECT_EQ(8u, packed[20]);           // image size filled in
  EXPECT_EQ(0u, packed[32]);           // 256 colours: 0x100
  EXPECT_EQ(1u, packed[33]);
  const uint8_t colour5[4] = {5, 250, 7, 0};
  EXPECT_EQ(0, std::memcmp(colour5, packed.data() + 40 + 5 * 4, 4));
  EXPECT_EQ(0xA7, packed.back());
}

TEST(OXDIBFile, RoundTripWithGoldenFileHeader) {
  Bytes block = InfoBlock(5, 2, 8, 0, 1024, 16);
  bool ok = false;
  Bytes file = Write(block, &ok);
  ASSERT_TRUE(ok);
  const uint32_t total = 14 + 40 + 1024 + 16;
  const Bytes head = {'B', 'M', (uint8_t)total, (uint8_t)(total >> 8), 0, 0, 0, 0, 0, 0, 14 + 40 + 0, 4, 0, 0};
  ASSERT_EQ(total, file.size());
  EXPECT_EQ(head, Bytes(file.begin(), file.begin() + 14));
  Bytes back;
  ASSERT_TRUE(Read(file, back));
  ASSERT_EQ(block.size(), back.size());
  EXPECT_EQ(16u, back[20]);  // image size filled in from the rows
  EXPECT_EQ(1u, back[33]);   // colours used filled in: 256
  back[20] = 0;
  back[33] = 0;
  EXPECT_EQ(block, back);
}

TEST(OXDIBFile, WritingNeedsAnInfoHeaderAndStaysInsideTheBlock) {
  bool ok = true;
  Bytes core = {12, 0, 0, 0, 1, 0, 1, 0, 1, 0, 24, 0};
  EXPECT_TRUE(Write(core, &ok).empty());
  EXPECT_FALSE(ok);
  // A block shorter than its rows say: only the bits it holds are written.
  Bytes block = InfoBlock(100, 100, 24, 0, 0, 10);
  Bytes file = Write(block, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(14u + 40 + 10, file.size());
  // RLE bits are as long as the header says.
  Bytes rle = InfoBlock(16, 16, 8, 2, 8, 6, 1, 6);
  file = Write(rle, &ok);
  EXPECT_EQ(14u + 40 + 8 + 6, file.size());
}

TEST(OXDIBFile, DamagedFilesAreRefused) {
  Bytes good = FileOf(InfoBlock(5, 2, 8, 0, 1024, 16));
  std::vector<Bytes> cases;
  Bytes badMagic = good;
  badMagic[0] = 'X';
  cases.push_back(badMagic);
  Bytes v4 = good;
  v4[14] = 108;
  cases.push_back(v4);
  for (size_t cut : {0, 10, 14, 20, 54, 54 + 1023, (int)good.size() - 1}) cases.push_back(Bytes(good.begin(), good.begin() + cut));
  // Dimensions that promise four gigabytes of rows, with none of them present.
  cases.push_back(FileOf(InfoBlock(0x7FFFFFFF, 0x7FFFFFFF, 32, 0, 0, 4)));
  cases.push_back(FileOf(InfoBlock(0x10000, 0x10000, 24, 0, 0, 4)));
  // A colour count of four billion.
  cases.push_back(FileOf(InfoBlock(1, 1, 8, 0xFFFFFFFF, 64, 0)));
  for (size_t i = 0; i < cases.size(); ++i) {
    Bytes packed = {1, 2, 3};
    EXPECT_FALSE(Read(cases[i], packed)) << i;
    EXPECT_TRUE(packed.empty()) << i;
  }
}

}  // namespace
