// CRC-16/ARC: the catalogue check value, continuation from a seed, and stamping a record.
#include "toolkit/write/crc16.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(Crc16, CheckValueOfTheCatalogue) {
  EXPECT_EQ(crc16(0, "123456789", 9), 0xBB3D);
  EXPECT_EQ(crc16(0, "", 0), 0);
  EXPECT_EQ(crc16(0xC0C1, "", 0), 0xC0C1);
}

TEST(Crc16, ContinuesFromTheSeedLikeOneRun) {
  const char* text = "continued over two calls";
  size_t n = std::strlen(text);
  uint16_t once = crc16(0xC0C1, text, n);
  uint16_t twice = crc16(crc16(0xC0C1, text, 7), text + 7, n - 7);
  EXPECT_EQ(once, twice);
}

// The four-byte steps give what the polynomial gives bit by bit, for every length and seed.
TEST(Crc16, AgreesWithTheBitwiseDefinitionAtEveryLength) {
  auto bitwise = [](uint16_t seed, const uint8_t* p, size_t n) {
    uint32_t c = seed;
    for (size_t i = 0; i < n; ++i) {
      c ^= p[i];
      for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xA001u : c >> 1;
    }
    return uint16_t(c);
  };
  uint8_t bytes[70];
  for (size_t i = 0; i < sizeof bytes; ++i) bytes[i] = uint8_t(i * 37 + 11);
  for (uint16_t seed : {uint16_t(0), uint16_t(0xC0C1), uint16_t(0xFFFF)})
    for (size_t n = 0; n <= sizeof bytes; ++n)
      for (size_t from : {size_t(0), size_t(1), size_t(3)}) {
        if (from + n > sizeof bytes) continue;
        EXPECT_EQ(crc16(seed, bytes + from, n), bitwise(seed, bytes + from, n)) << n;
      }
}

TEST(Crc16, StampStoresTheXoredValueLittleEndianInTheLastTwoBytes) {
  uint8_t record[6] = {'1', '2', '3', '4', 0, 0};
  crc_stamp_record(record, sizeof record, 0xA598);
  uint16_t want = uint16_t(crc16(0, record, 4) ^ 0xA598);
  EXPECT_EQ(record[4], want & 0xFF);
  EXPECT_EQ(record[5], want >> 8);
  uint8_t tiny[1] = {7};
  crc_stamp_record(tiny, 1, 0xFFFF);
  EXPECT_EQ(tiny[0], 7);
}

}  // namespace
