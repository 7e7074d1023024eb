// The DWG file check: which releases it examines, the AC1009 header's check value and its
// section and table positions held against the file, with the edges of each rule, and that it
// reads nothing outside the file.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/toolkit/read/dwg_old_fixture.h"
#include "toolkit/core/mem.h"
#include "toolkit/read/dwg_check.h"

namespace {

using namespace dwg_old_test;

class DwgCheck : public OldDwg {
 protected:
  // The check's result and last error for the bytes, through the toolkit's file layer.
  int16_t check(const std::vector<uint8_t>& bytes, int16_t* error) {
    load_test::mem_files["check.dwg"] = bytes;
    TkFile* file = file_open("check.dwg");
    EXPECT_NE(file, nullptr);
    if (!file) return -2;
    int16_t result = dwg_file_check(file, 2);
    *error = tk_get_last_error();
    file_close(file);
    return result;
  }

  static void restamp(std::vector<uint8_t>* bytes) {
    size_t length = size_t(bytes->at(20) | bytes->at(21) << 8);
    size_t at = length - 18;
    uint16_t v = uint16_t(crc16(0, bytes->data(), at) ^ DWG_HEADER_CHECK_XOR);
    (*bytes)[at] = uint8_t(v);
    (*bytes)[at + 1] = uint8_t(v >> 8);
  }
  static void put32(std::vector<uint8_t>* bytes, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) (*bytes)[at + i] = uint8_t(v >> (8 * i));
  }
};

std::vector<uint8_t> ac1009(int16_t subversion = 205) {
  File f(4);
  f.subversion = subversion;
  f.tables[LAYER].push_back(record_head(0, "0", 4).i16(7).u16(0).b);
  return f.build();
}

struct CheckCase {
  const char* what;
  std::function<std::vector<uint8_t>()> make;
  int16_t result;
  int16_t error;
};

TEST_F(DwgCheck, Cases) {
  const CheckCase cases[] = {
      {"a whole AC1009 file of sub-version 205 passes", [] { return ac1009(); }, 0, 0},
      {"sub-version 204 is not examined beyond the first 24 bytes",
       [] {
         std::vector<uint8_t> b = ac1009(204);
         b.resize(24);
         return b;
       },
       0, 0},
      {"AC1006 is not examined and leaves the last error at 0",
       [] { return File(3).build(); }, -1, 0},
      {"AC1014 passes unexamined",
       [] {
         std::vector<uint8_t> b(100, 0);
         std::memcpy(b.data(), "AC1014", 6);
         return b;
       },
       0, 0},
      {"a release text without its zero byte is no release",
       [] {
         std::vector<uint8_t> b = ac1009();
         b[6] = 'X';
         return b;
       },
       -1, 0},
      {"a file shorter than 24 bytes is not examined",
       [] { return std::vector<uint8_t>{'A', 'C', '1', '0', '0', '9', 0}; }, -1, 0},
      {"an entity section starting at 2100 has a header too long",
       [] {
         std::vector<uint8_t> b = ac1009();
         put32(&b, 20, 2100);
         return b;
       },
       1, 184},
      {"an entity section starting at a negative 16-bit value",
       [] {
         std::vector<uint8_t> b = ac1009();
         put32(&b, 20, 0x9000);
         return b;
       },
       1, 184},
      {"a header too short to hold its table descriptors",
       [] {
         std::vector<uint8_t> b = ac1009();
         put32(&b, 20, 600);
         return b;
       },
       1, 184},
      {"a header longer than the file",
       [] {
         std::vector<uint8_t> b = ac1009();
         b.resize(1730);
         return b;
       },
       1, 184},
      {"a changed header byte fails the check value",
       [] {
         std::vector<uint8_t> b = ac1009();
         b[300] ^= 1;
         return b;
       },
       1, 185},
      {"a changed byte among the 16 before the entities is not examined",
       [] {
         std::vector<uint8_t> b = ac1009();
         b[1743 - 5] ^= 0xFF;
         return b;
       },
       0, 0},
      {"a table position equal to the file length passes",
       [] {
         std::vector<uint8_t> b = ac1009();
         put32(&b, 54 + 6, uint32_t(b.size()));
         restamp(&b);
         return b;
       },
       0, 0},
      {"a table position one past the file length fails",
       [] {
         std::vector<uint8_t> b = ac1009();
         put32(&b, 54 + 6, uint32_t(b.size() + 1));
         restamp(&b);
         return b;
       },
       1, 186},
      {"a negative record count fails",
       [] {
         std::vector<uint8_t> b = ac1009();
         put32(&b, 1695 + 2, 0xFFFFFFFFu);
         restamp(&b);
         return b;
       },
       1, 186},
      {"an entity section starting at the file length fails",
       [] {
         std::vector<uint8_t> b = ac1009();
         put32(&b, 24, uint32_t(b.size()));
         restamp(&b);
         return b;
       },
       1, 186},
      {"a block-entity section at a negative position fails",
       [] {
         std::vector<uint8_t> b = ac1009();
         put32(&b, 28, 0x80000000u);
         restamp(&b);
         return b;
       },
       1, 186},
  };
  for (const CheckCase& c : cases) {
    SCOPED_TRACE(c.what);
    int16_t error = -1;
    EXPECT_EQ(check(c.make(), &error), c.result);
    EXPECT_EQ(error, c.error);
  }
}

// The open runs the check: a failing AC1009 file does not open, with the check's number.
TEST_F(DwgCheck, OpenStopsAtAFailedCheck) {
  std::vector<uint8_t> b = ac1009();
  b[300] ^= 1;
  EXPECT_EQ(open_bytes(b), nullptr);
  EXPECT_EQ(tk_get_last_error(), 185);
}

}  // namespace
