// Handles: increment, length, arithmetic, and the hexadecimal and compact forms, including text
// from damaged files that must never be written past the 8 bytes.
#include "toolkit/core/handle.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TkHandle H(uint64_t v) {
  TkHandle h;
  for (int i = 7; i >= 0; --i, v >>= 8) h.bytes[i] = uint8_t(v);
  return h;
}

uint64_t V(const TkHandle& h) {
  uint64_t v = 0;
  for (uint8_t b : h.bytes) v = v << 8 | b;
  return v;
}

TEST(HandleTest, IncrementCarriesAndReportsOverflow) {
  struct Case {
    uint64_t in, out;
    int16_t result;
  } const cases[] = {
      {0x0, 0x1, 1},
      {0xFF, 0x100, 1},
      {0x00FFFFFFFFFFFFFF, 0x0100000000000000, 1},
      {0xFFFFFFFFFFFFFFFF, 0x0, 0},
  };
  for (const Case& c : cases) {
    TkHandle h = H(c.in);
    EXPECT_EQ(tk_handle_increment(&h), c.result) << std::hex << c.in;
    EXPECT_EQ(V(h), c.out) << std::hex << c.in;
  }
}

TEST(HandleTest, LengthCompareAndArithmetic) {
  TkHandle h = H(0x010203);
  EXPECT_EQ(tk_handle_length(&h), 3);
  TkHandle zero = H(0), top = H(0x8000000000000000);
  EXPECT_EQ(tk_handle_length(&zero), 0);
  EXPECT_EQ(tk_handle_length(&top), 8);
  EXPECT_TRUE(tk_handle_is_null(&zero));
  EXPECT_EQ(tk_handle_compare(&h, &top), -1);  // bytewise unsigned, not signed
  EXPECT_EQ(tk_handle_compare(&top, &h), 1);
  EXPECT_EQ(tk_handle_compare(&h, &h), 0);

  struct Case {
    uint64_t a, b, sum, diff;
  } const cases[] = {
      {0x10, 0x01, 0x11, 0x0F},
      {0xFF, 0x01, 0x100, 0xFE},
      {0x100, 0x101, 0x201, 0xFFFFFFFFFFFFFFFF},
      {0xFFFFFFFFFFFFFFFF, 0x02, 0x01, 0xFFFFFFFFFFFFFFFD},
  };
  for (const Case& c : cases) {
    TkHandle a = H(c.a), b = H(c.b), r;
    handle_add(&a, &b, &r);
    EXPECT_EQ(V(r), c.sum) << std::hex << c.a << "+" << c.b;
    handle_sub(&a, &b, &r);
    EXPECT_EQ(V(r), c.diff) << std::hex << c.a << "-" << c.b;
  }
  TkHandle o = H(0xF0);
  TkHandle p = H(0x0F0F);
  tk_handle_or(&o, &p);
  EXPECT_EQ(V(o), 0x0FFFu);
}

TEST(HandleTest, HexTextToHandle) {
  struct Case {
    const char* text;
    int16_t count;
    uint64_t value;
  } const cases[] = {
      {"1A2", 2, 0x1A2},
      {"1a2", 2, 0x1A2},
      {"FF", 1, 0xFF},
      {"", 0, 0},
      {"0", 1, 0},
      {"G1", 1, 0x01},  // a character that is no digit counts as 0
      {"FFFFFFFFFFFFFFFF", 8, 0xFFFFFFFFFFFFFFFF},
      {"00000000000000000000123456789ABCDEF0", 8, 0x123456789ABCDEF0},  // leading zeros dropped
      {"1123456789ABCDEF0", 0, 0},     // 17 significant digits: refused, not written past
      {"FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF", 0, 0},
  };
  for (const Case& c : cases) {
    TkHandle h = H(0xDEADBEEF);
    EXPECT_EQ(tk_handle_from_hex(c.text, &h), c.count) << c.text;
    EXPECT_EQ(V(h), c.value) << c.text;
  }

  // The raw conversion writes at most 8 bytes whatever the text's length.
  uint8_t out[9];
  memset(out, 0xAB, sizeof out);
  int16_t n = -1;
  EXPECT_FALSE(tk_hex_to_bytes(std::string(40, '7').c_str(), out, &n));
  EXPECT_EQ(n, 0);
  EXPECT_EQ(out[8], 0xAB);
  EXPECT_TRUE(tk_hex_to_bytes("123", out, &n));
  EXPECT_EQ(n, 2);
  EXPECT_EQ(out[0], 0x01);
  EXPECT_EQ(out[1], 0x23);
}

TEST(HandleTest, HandleToHexText) {
  struct Case {
    uint64_t value;
    const char* text;
  } const cases[] = {
      {0x0, "0"},
      {0x5, "5"},
      {0x1A2, "1A2"},
      {0xAB, "AB"},
      {0x0100, "100"},
      {0x0A0B, "A0B"},
      {0xFFFFFFFFFFFFFFFF, "FFFFFFFFFFFFFFFF"},
      {0x0100000000000000, "100000000000000"},
  };
  for (const Case& c : cases) {
    TkHandle h = H(c.value);
    char text[TK_HANDLE_HEX_MAX + 1];
    handle_to_hex(&h, text);
    EXPECT_STREQ(text, c.text);
    TkHandle back;
    tk_handle_from_hex(text, &back);
    EXPECT_EQ(V(back), c.value) << c.text;
  }
}

TEST(HandleTest, CompactForm) {
  struct Case {
    uint64_t value;
    std::vector<uint8_t> bytes;
  } const cases[] = {
      {0x0, {0}},
      {0x7F, {1, 0x7F}},
      {0x0102, {2, 0x01, 0x02}},
      {0x0100000000000000, {8, 1, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    TkHandle h = H(c.value);
    uint8_t out[9];
    size_t n = tk_handle_to_compact(&h, out);
    EXPECT_EQ(std::vector<uint8_t>(out, out + n), c.bytes) << std::hex << c.value;
    TkHandle back = H(0xFFFF);
    EXPECT_EQ(tk_handle_from_compact(c.bytes.data(), c.bytes.size(), &back), c.bytes.size());
    EXPECT_EQ(V(back), c.value);
  }

  // Damaged input: a length above 8 or fewer bytes than the length names.
  const uint8_t too_long[] = {9, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  const uint8_t short_input[] = {4, 1, 2};
  TkHandle h = H(0x55);
  EXPECT_EQ(tk_handle_from_compact(too_long, sizeof too_long, &h), 0u);
  EXPECT_TRUE(tk_handle_is_null(&h));
  EXPECT_EQ(tk_handle_from_compact(short_input, sizeof short_input, &h), 0u);
  EXPECT_EQ(tk_handle_from_compact(short_input, 0, &h), 0u);
}

}  // namespace
