// Table-driven CRC-16/ARC, four bytes a step. The tables are built at compile time from the
// polynomial.
#include "toolkit/write/crc16.h"

#include <array>

namespace {

// Four tables: the first is the byte-at-a-time table; table k gives the effect of a byte that
// has k more bytes behind it, so four bytes are taken per step.
constexpr std::array<std::array<uint16_t, 256>, 4> make_tables() {
  std::array<std::array<uint16_t, 256>, 4> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xA001u : c >> 1;
    t[0][i] = uint16_t(c);
  }
  for (size_t k = 1; k < 4; ++k)
    for (uint32_t i = 0; i < 256; ++i)
      t[k][i] = uint16_t((t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF]);
  return t;
}

constexpr std::array<std::array<uint16_t, 256>, 4> crc_tables = make_tables();

}  // namespace

uint16_t crc16(uint16_t seed, const void* data, size_t length) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  const auto& t = crc_tables;
  uint32_t crc = seed;
  for (; length >= 4; length -= 4, p += 4) {
    uint32_t x = crc ^ (uint32_t(p[0]) | uint32_t(p[1]) << 8);
    crc = uint32_t(t[3][x & 0xFF] ^ t[2][x >> 8] ^ t[1][p[2]] ^ t[0][p[3]]);
  }
  for (; length > 0; --length, ++p) crc = (crc >> 8) ^ t[0][(crc ^ *p) & 0xFF];
  return uint16_t(crc);
}

void crc_stamp_record(uint8_t* record, size_t length, uint16_t xor_value) {
  if (length < 2) return;
  uint16_t v = uint16_t(crc16(0, record, length - 2) ^ xor_value);
  record[length - 2] = uint8_t(v & 0xFF);
  record[length - 1] = uint8_t(v >> 8);
}
