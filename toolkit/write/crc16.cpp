// Table-driven CRC-16/ARC. The table is built once, at compile time, from the polynomial.
#include "toolkit/write/crc16.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 256> make_table() {
  std::array<uint32_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xA001u : c >> 1;
    t[i] = c;
  }
  return t;
}

constexpr std::array<uint32_t, 256> crc_table = make_table();

}  // namespace

uint16_t crc16(uint16_t seed, const void* data, size_t length) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  uint32_t crc = seed;
  for (size_t i = 0; i < length; ++i) crc = (crc >> 8) ^ crc_table[(crc ^ p[i]) & 0xFF];
  return uint16_t(crc);
}

void crc_stamp_record(uint8_t* record, size_t length, uint16_t xor_value) {
  if (length < 2) return;
  uint16_t v = uint16_t(crc16(0, record, length - 2) ^ xor_value);
  record[length - 2] = uint8_t(v & 0xFF);
  record[length - 1] = uint8_t(v >> 8);
}
