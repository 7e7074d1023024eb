// The CRC-16 every DWG layout carries (CRC-16/ARC: reflected polynomial 0xA001, no final XOR),
// continued from the caller's seed. Which seed and which bytes a record covers is the business
// of the writer or reader of that record.
#pragma once

#include <cstddef>
#include <cstdint>

uint16_t crc16(uint16_t seed, const void* data, size_t length);

// Stores, little-endian in the record's last two bytes, the CRC (seed 0) of the bytes before
// them XORed with the given value. Records shorter than 2 bytes are left alone.
void crc_stamp_record(uint8_t* record, size_t length, uint16_t xor_value);
