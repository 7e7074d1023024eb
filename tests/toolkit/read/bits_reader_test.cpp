// The bit-stream reader against the writer: every code at all eight bit phases, the decoding
// edge cases of raw bit patterns, texts at their field's capacity, bad handle counters, page
// refills from a file, blob refills, the byte fast paths against a bit-by-bit reference, and
// reads beyond the source that must stay inside the window.
#include "toolkit/read/bits_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/TestData.h"
#include "tests/toolkit/core/records_support.h"
#include "toolkit/core/blob.h"
#include "toolkit/core/mem.h"
#include "toolkit/write/bits_writer.h"

namespace {

TkHandle handle_of(uint64_t v) {
  TkHandle h;
  for (int i = 7; i >= 0; --i, v >>= 8) h.bytes[i] = uint8_t(v & 0xFF);
  return h;
}

uint64_t value_of(const TkHandle& h) {
  uint64_t v = 0;
  for (uint8_t b : h.bytes) v = (v << 8) | b;
  return v;
}

std::vector<uint8_t> blob_bytes(TkBlob* stored) {
  std::vector<uint8_t> out(size_t(blob_stored_size(stored)));
  TkBlob* r = blob_open_read(stored);
  if (!out.empty()) {
    EXPECT_EQ(blob_read(r, out.data(), out.size()), 1);
  }
  blob_close(r);
  return out;
}

int hook_calls = 0;
void count_hook(int16_t code) {
  if (code == 5) ++hook_calls;
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, 8) == 0; }

class BitReader : public records_test::StartedToolkit {
 protected:
  void SetUp() override {
    records_test::StartedToolkit::SetUp();
    r_ = bits_reader_create();
    ASSERT_NE(r_, nullptr);
    hook_calls = 0;
    tk_state->error_callback = count_hook;
  }
  void TearDown() override {
    tk_state->error_callback = nullptr;
    bits_reader_free(r_);
    records_test::StartedToolkit::TearDown();
  }

  std::vector<uint8_t> written(const std::function<void(TkBitWriter*)>& write) {
    std::unique_ptr<TkBitWriter> w(new TkBitWriter());
    EXPECT_EQ(bits_blob_begin(w.get()), 1);
    write(w.get());
    uint32_t n = 0;
    TkBlob* b = bits_blob_end(w.get(), &n);
    std::vector<uint8_t> bytes = blob_bytes(b);
    blob_free(b);
    return bytes;
  }

  void open(const std::vector<uint8_t>& bytes) {
    ASSERT_EQ(bits_open_memory(r_, bytes.data(), bytes.size()), 1);
  }

  TkBitReader* r_ = nullptr;
};

// A value written at every bit phase reads back exactly, and the stream stays in step after it.
struct RoundTrip {
  const char* code;
  std::function<void(TkBitWriter*)> write;
  std::function<bool(TkBitReader*)> read_matches;
};

TEST_F(BitReader, EveryCodeAtAllEightBitPhases) {
  const double p3[3] = {1.5, -2.25, 1e300}, def3[3] = {1.5, 7.0, -3.0};
  const double start[3] = {10, 20, 0}, end_flat[3] = {10, 25, 0};
  const double start_z[3] = {1, 2, 3}, end_z[3] = {4, 2, 6};
  const double up[3] = {0, 0, 1}, tilted[3] = {0.6, 0, 0.8};
  const TkHandle base = handle_of(0x3000);
  const RoundTrip cases[] = {
      {"B", [](TkBitWriter* w) { bits_write_bit(w, 1); }, [](TkBitReader* r) { return bits_read_bit(r) == 1; }},
      {"BB", [](TkBitWriter* w) { bits_write_bb(w, 2); },
       [](TkBitReader* r) { int a = bits_read_bit(r); return a == 1 && bits_read_bit(r) == 0; }},
      {"RC", [](TkBitWriter* w) { bits_write_rc(w, 0xC3); }, [](TkBitReader* r) { return bits_read_char(r) == 0xC3; }},
      {"BS 0", [](TkBitWriter* w) { bits_write_bs(w, 0); }, [](TkBitReader* r) { return bits_read_short(r) == 0; }},
      {"BS 256", [](TkBitWriter* w) { bits_write_bs(w, 256); }, [](TkBitReader* r) { return bits_read_short(r) == 256; }},
      {"BS 200", [](TkBitWriter* w) { bits_write_bs(w, 200); }, [](TkBitReader* r) { return bits_read_short(r) == 200; }},
      {"BS -2", [](TkBitWriter* w) { bits_write_bs(w, -2); }, [](TkBitReader* r) { return bits_read_short(r) == -2; }},
      {"BL big", [](TkBitWriter* w) { bits_write_bl(w, -123456789); },
       [](TkBitReader* r) { return bits_read_long(r) == -123456789; }},
      {"BL byte", [](TkBitWriter* w) { bits_write_bl(w, 77); }, [](TkBitReader* r) { return bits_read_long(r) == 77; }},
      {"BL 0", [](TkBitWriter* w) { bits_write_bl(w, 0); }, [](TkBitReader* r) { return bits_read_long(r) == 0; }},
      // RS stands byte-aligned outside the object streams of these releases (section CRCs); in
      // a stream it is two RC, low byte first.
      {"RS", [](TkBitWriter* w) { bits_write_rs(w, 0xBEEF); },
       [](TkBitReader* r) { int lo = bits_read_char(r); return (lo | bits_read_char(r) << 8) == 0xBEEF; }},
      {"RL", [](TkBitWriter* w) { bits_write_rl(w, 0xDEADBEEF); },
       [](TkBitReader* r) { return uint32_t(bits_read_raw_long(r)) == 0xDEADBEEF; }},
      {"BD", [](TkBitWriter* w) { bits_write_bd(w, -12.375); }, [](TkBitReader* r) { return bits_read_double(r) == -12.375; }},
      {"BD 1", [](TkBitWriter* w) { bits_write_bd(w, 1.0); }, [](TkBitReader* r) { return bits_read_double(r) == 1.0; }},
      {"RD", [](TkBitWriter* w) { bits_write_rd(w, 6.02e23); }, [](TkBitReader* r) { return bits_read_raw_double(r) == 6.02e23; }},
      {"2RD", [](TkBitWriter* w) { const double v[2] = {3, 4}; bits_write_2rd(w, v); },
       [](TkBitReader* r) { double v[2]; bits_read_2rd(r, v); return v[0] == 3 && v[1] == 4; }},
      {"3BD", [&](TkBitWriter* w) { bits_write_3bd(w, p3); },
       [&](TkBitReader* r) { double v[3]; bits_read_3bd(r, v); return std::memcmp(v, p3, 24) == 0; }},
      {"DD same", [](TkBitWriter* w) { bits_write_dd(w, 9.5, 9.5); },
       [](TkBitReader* r) { return bits_read_default_double(r, 9.5) == 9.5; }},
      {"DD other", [](TkBitWriter* w) { bits_write_dd(w, -1.25, 9.5); },
       [](TkBitReader* r) { return bits_read_default_double(r, 9.5) == -1.25; }},
      {"3DD", [&](TkBitWriter* w) { bits_write_3dd(w, p3, def3); },
       [&](TkBitReader* r) { double v[3]; bits_read_3dd(r, v, def3); return std::memcmp(v, p3, 24) == 0; }},
      {"line flat", [&](TkBitWriter* w) { bits_write_line_points(w, start, end_flat); },
       [&](TkBitReader* r) { double a[3], b[3]; bits_read_line_points(r, a, b);
         return std::memcmp(a, start, 24) == 0 && std::memcmp(b, end_flat, 24) == 0; }},
      {"line z", [&](TkBitWriter* w) { bits_write_line_points(w, start_z, end_z); },
       [&](TkBitReader* r) { double a[3], b[3]; bits_read_line_points(r, a, b);
         return std::memcmp(a, start_z, 24) == 0 && std::memcmp(b, end_z, 24) == 0; }},
      {"2RD opt z", [&](TkBitWriter* w) { bits_write_point_zflag(w, start_z); },
       [&](TkBitReader* r) { double v[3]; bits_read_2rd_opt_z(r, v); return std::memcmp(v, start_z, 24) == 0; }},
      // BT and BE: a flag bit, then a BD or 3BD when the value is not the default.
      {"BT", [](TkBitWriter* w) { bits_write_bt(w, 2.5); },
       [](TkBitReader* r) { return bits_read_bit(r) == 0 && bits_read_double(r) == 2.5; }},
      {"BT 0", [](TkBitWriter* w) { bits_write_bt(w, 0.0); }, [](TkBitReader* r) { return bits_read_bit(r) == 1; }},
      {"BE", [&](TkBitWriter* w) { bits_write_be(w, tilted); },
       [&](TkBitReader* r) { double v[3]; if (bits_read_bit(r)) return false; bits_read_3bd(r, v);
         return std::memcmp(v, tilted, 24) == 0; }},
      {"BE up", [&](TkBitWriter* w) { bits_write_be(w, up); }, [](TkBitReader* r) { return bits_read_bit(r) == 1; }},
      // CMC of these releases is a BS colour number.
      {"CMC", [](TkBitWriter* w) { bits_write_bs(w, 256); }, [](TkBitReader* r) { return bits_read_short(r) == 256; }},
      {"TV", [](TkBitWriter* w) { bits_write_text(w, "Layer 0"); },
       [](TkBitReader* r) { char t[32]; return bits_read_text(r, t, sizeof t) == 1 && std::strcmp(t, "Layer 0") == 0; }},
      {"TV empty", [](TkBitWriter* w) { bits_write_text(w, ""); },
       [](TkBitReader* r) { char t[4] = "x"; return bits_read_text(r, t, sizeof t) == 1 && t[0] == 0; }},
      {"H", [](TkBitWriter* w) { TkHandle h = handle_of(0x1F2E3D); bits_write_handle(w, &h, 0x50); },
       [](TkBitReader* r) { TkHandle h; return bits_read_handle(r, &h) == 3 && value_of(h) == 0x1F2E3D; }},
      {"H ref", [](TkBitWriter* w) { TkHandle h = handle_of(0x42); bits_write_handle(w, &h, 0x30); },
       [](TkBitReader* r) { TkHandle h; uint8_t k = 9;
         return bits_read_handle_ref(r, &h, &k) == 1 && k == TK_REF_HARD_OWNER && value_of(h) == 0x42; }},
      {"H rel above", [&](TkBitWriter* w) { TkHandle h = handle_of(0x3105); bits_write_handle_ref(w, &h, &base, 0x40); },
       [&](TkBitReader* r) { TkHandle h; bits_read_handle_rel(r, &base, &h); return value_of(h) == 0x3105; }},
      {"H rel below", [&](TkBitWriter* w) { TkHandle h = handle_of(0x2FF0); bits_write_handle_ref(w, &h, &base, 0x40); },
       [&](TkBitReader* r) { TkHandle h; bits_read_handle_rel(r, &base, &h); return value_of(h) == 0x2FF0; }},
      {"H rel next", [&](TkBitWriter* w) { TkHandle h = handle_of(0x3001); bits_write_handle_ref(w, &h, &base, 0x40); },
       [&](TkBitReader* r) { TkHandle h; bits_read_handle_rel(r, &base, &h); return value_of(h) == 0x3001; }},
      {"H rel absolute", [&](TkBitWriter* w) { TkHandle h = handle_of(0x5); bits_write_handle_ref(w, &h, &base, 0x40); },
       [&](TkBitReader* r) { TkHandle h; bits_read_handle_rel(r, &base, &h); return value_of(h) == 0x5; }},
      {"bytes", [](TkBitWriter* w) { bits_write_bytes(w, "\x01\x80\xFF\x7E\x00", 5); },
       [](TkBitReader* r) { uint8_t b[5]; bits_read_bytes(r, b, 5); return std::memcmp(b, "\x01\x80\xFF\x7E\x00", 5) == 0; }},
  };
  for (const auto& c : cases) {
    for (int phase = 0; phase < 8; ++phase) {
      std::vector<uint8_t> bytes = written([&](TkBitWriter* w) {
        for (int i = 0; i < phase; ++i) bits_write_bit(w, (i % 3) == 0);
        c.write(w);
        bits_write_rc(w, 0xA5);
      });
      open(bytes);
      for (int i = 0; i < phase; ++i) ASSERT_EQ(bits_read_bit(r_), (i % 3) == 0 ? 1 : 0);
      EXPECT_TRUE(c.read_matches(r_)) << c.code << " at phase " << phase;
      EXPECT_EQ(bits_read_char(r_), 0xA5) << c.code << " at phase " << phase;
      EXPECT_EQ(r_->past_end, 0) << c.code;
    }
  }
}

// Raw bit patterns whose decoding the writer never produces.
struct PatternCase {
  const char* name;
  std::vector<uint8_t> bytes;
  std::function<bool(TkBitReader*)> check;
};

TEST_F(BitReader, DecodingOfRawPatterns) {
  const TkHandle base = handle_of(0x100);
  double neg_zero = -0.0, inf = INFINITY, nan = NAN, denormal = 4.9e-324;
  auto rd = [](double v) { std::vector<uint8_t> b(8); std::memcpy(b.data(), &v, 8); return b; };
  auto prefixed = [](int two_bits, std::vector<uint8_t> b) {
    // Two prefix bits, then the bytes shifted by two.
    std::vector<uint8_t> out(b.size() + 1, 0);
    unsigned carry = unsigned(two_bits) << 6;
    for (size_t i = 0; i < b.size(); ++i) {
      out[i] = uint8_t(carry | (b[i] >> 2));
      carry = uint8_t(b[i] << 6);
    }
    out[b.size()] = uint8_t(carry);
    return out;
  };
  const PatternCase cases[] = {
      {"BS 10", {0x80}, [](TkBitReader* r) { return bits_read_short(r) == 0; }},
      {"BS 11", {0xC0}, [](TkBitReader* r) { return bits_read_short(r) == 256; }},
      {"BL 11 takes two bits", {0xE0}, [](TkBitReader* r) { return bits_read_long(r) == 0 && bits_read_bit(r) == 1; }},
      {"BD 11 takes two bits", {0xE0}, [](TkBitReader* r) { return bits_read_double(r) == 0.0 && bits_read_bit(r) == 1; }},
      {"RD -0", rd(neg_zero), [](TkBitReader* r) { return same_bits(bits_read_raw_double(r), 0.0); }},
      {"RD inf", rd(inf), [](TkBitReader* r) { return same_bits(bits_read_raw_double(r), 0.0); }},
      {"RD nan", rd(nan), [](TkBitReader* r) { return same_bits(bits_read_raw_double(r), 0.0); }},
      {"RD denormal", rd(denormal), [](TkBitReader* r) { return same_bits(bits_read_raw_double(r), 0.0); }},
      {"BD 00 -0", prefixed(0, rd(neg_zero)), [](TkBitReader* r) { return same_bits(bits_read_double(r), 0.0); }},
      {"DD 01 patches the low four bytes", prefixed(1, {0x01, 0x02, 0x03, 0x04}), [](TkBitReader* r) {
         double want = 1.0; uint8_t b[8]; std::memcpy(b, &want, 8); b[0] = 1; b[1] = 2; b[2] = 3; b[3] = 4;
         std::memcpy(&want, b, 8); return same_bits(bits_read_default_double(r, 1.0), want); }},
      {"DD 10 patches bytes 4-5 then 0-3", prefixed(2, {0x11, 0x22, 1, 2, 3, 4}), [](TkBitReader* r) {
         double want = 1.0; uint8_t b[8]; std::memcpy(b, &want, 8); b[4] = 0x11; b[5] = 0x22;
         b[0] = 1; b[1] = 2; b[2] = 3; b[3] = 4; std::memcpy(&want, b, 8);
         return same_bits(bits_read_default_double(r, 1.0), want); }},
      {"DD 00", {0x00}, [](TkBitReader* r) { return bits_read_default_double(r, 7.5) == 7.5; }},
      {"H 00 null", {0x00}, [](TkBitReader* r) { TkHandle h = handle_of(9); return bits_read_handle(r, &h) == 0 && value_of(h) == 0; }},
      {"H 40 010203", {0x43, 1, 2, 3}, [](TkBitReader* r) { TkHandle h; return bits_read_handle(r, &h) == 3 && value_of(h) == 0x010203; }},
      {"H 8 bytes", {0x48, 1, 2, 3, 4, 5, 6, 7, 8},
       [](TkBitReader* r) { TkHandle h; return bits_read_handle(r, &h) == 8 && value_of(h) == 0x0102030405060708ull; }},
      {"rel 60", {0x60}, [&](TkBitReader* r) { TkHandle h; bits_read_handle_rel(r, &base, &h); return value_of(h) == 0x101; }},
      {"rel 80", {0x80}, [&](TkBitReader* r) { TkHandle h; bits_read_handle_rel(r, &base, &h); return value_of(h) == 0xFF; }},
      {"rel A1 05", {0xA1, 0x05}, [&](TkBitReader* r) { TkHandle h; bits_read_handle_rel(r, &base, &h); return value_of(h) == 0x105; }},
      {"rel C1 05", {0xC1, 0x05}, [&](TkBitReader* r) { TkHandle h; bits_read_handle_rel(r, &base, &h); return value_of(h) == 0xFB; }},
      {"rel 41 07 absolute", {0x41, 0x07}, [&](TkBitReader* r) { TkHandle h; bits_read_handle_rel(r, &base, &h); return value_of(h) == 7; }},
      // An absolute null reference names no object, not the one after the base.
      {"rel 40 null", {0x40}, [&](TkBitReader* r) { TkHandle h; bits_read_handle_rel(r, &base, &h); return value_of(h) == 0; }},
      {"rel 50 null", {0x50}, [&](TkBitReader* r) { TkHandle h; bits_read_handle_rel(r, &base, &h); return value_of(h) == 0; }},
      {"ref kinds", {0x21, 1, 0x41, 2, 0x51, 3, 0x61, 4, 0x31, 5, 0x71, 6}, [](TkBitReader* r) {
         const uint8_t want[] = {0, 1, 2, 3, 4, 4};
         for (uint8_t w : want) { TkHandle h; uint8_t k = 4; bits_read_handle_ref(r, &h, &k); if (k != w) return false; }
         return true; }},
  };
  for (const auto& c : cases) {
    open(c.bytes);
    EXPECT_TRUE(c.check(r_)) << c.name;
  }
  EXPECT_EQ(hook_calls, 0);
}

TEST_F(BitReader, HandleCounterAboveEightIsRefusedWithoutConsumingBytes) {
  open({0x49, 0x12, 0x34});
  TkHandle h = handle_of(77);
  EXPECT_EQ(bits_read_handle(r_, &h), 0);
  EXPECT_EQ(value_of(h), 0u);
  EXPECT_EQ(hook_calls, 1);
  EXPECT_EQ(bits_read_char(r_), 0x12);
  open({0xAF, 0x01});
  TkHandle base = handle_of(5);
  EXPECT_EQ(bits_read_handle_rel(r_, &base, &h), 0);
  EXPECT_EQ(value_of(h), 0u);
  EXPECT_EQ(hook_calls, 2);
}

TEST_F(BitReader, TextMustLeaveRoomForItsTerminator) {
  struct Case { const char* text; uint16_t capacity; bool stored; } cases[] = {
      {"abc", 4, true}, {"abcd", 4, false}, {"abcde", 4, false}, {"", 1, true}, {"", 0, false}};
  for (const auto& c : cases) {
    hook_calls = 0;
    open(written([&](TkBitWriter* w) { bits_write_bit(w, 1); bits_write_text(w, c.text); bits_write_bs(w, 300); }));
    bits_read_bit(r_);
    char field[8];
    std::memset(field, '#', sizeof field);
    EXPECT_EQ(bits_read_text(r_, field, c.capacity), c.stored ? 1 : 0) << c.text;
    if (c.stored) {
      EXPECT_STREQ(field, c.text);
      EXPECT_EQ(hook_calls, 0);
      EXPECT_EQ(bits_read_short(r_), 300);
    } else {
      // Nothing stored, not even the terminator, and the length is read again next.
      EXPECT_EQ(field[0], '#');
      EXPECT_EQ(field[c.capacity ? c.capacity - 1 : 0], '#');
      EXPECT_EQ(hook_calls, 1);
      EXPECT_EQ(bits_read_short(r_), int16_t(std::strlen(c.text)));
    }
  }
}

// The byte fast paths against a reference that takes bit after bit from the buffer.
TEST_F(BitReader, ByteRunsAtEveryPhaseMatchTheBitByBitReference) {
  std::vector<uint8_t> data(600);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 151 + (i >> 3));
  auto reference = [&](size_t bit_start, size_t n) {
    std::vector<uint8_t> out(n, 0);
    for (size_t i = 0; i < n * 8; ++i) {
      size_t bit = bit_start + i;
      int v = bit / 8 < data.size() ? (data[bit / 8] >> (7 - bit % 8)) & 1 : 0;
      out[i / 8] = uint8_t(out[i / 8] | (v << (7 - i % 8)));
    }
    return out;
  };
  const size_t runs[] = {1, 2, 3, 4, 17, 256, 590};
  for (size_t n : runs) {
    for (int phase = 0; phase < 8; ++phase) {
      open(data);
      for (int i = 0; i < phase; ++i) bits_read_bit(r_);
      std::vector<uint8_t> got(n);
      bits_read_bytes(r_, got.data(), n);
      EXPECT_EQ(got, reference(size_t(phase), n)) << n << " bytes at phase " << phase;
      // Single bytes, which take the pair path while 4 bytes are left and single bits after.
      open(data);
      for (int i = 0; i < phase; ++i) bits_read_bit(r_);
      size_t skip = data.size() - 6;
      bits_skip(r_, uint32_t(skip * 8));
      for (size_t k = 0; k < 5; ++k)
        EXPECT_EQ(bits_read_char(r_), reference(size_t(phase) + skip * 8 + k * 8, 1)[0]) << phase;
    }
  }
}

TEST_F(BitReader, ReadingBeyondTheSourceGivesZerosAndSaysSo) {
  open({0xFF, 0xFF});
  for (int i = 0; i < 16; ++i) EXPECT_EQ(bits_read_bit(r_), 1);
  EXPECT_EQ(r_->past_end, 0);
  EXPECT_EQ(bits_read_long(r_), 0);
  EXPECT_EQ(r_->past_end, 1);
  uint8_t big[1000];
  bits_read_bytes(r_, big, sizeof big);
  for (uint8_t b : big) ASSERT_EQ(b, 0);
  bits_skip(r_, 100000);
  char text[16];
  EXPECT_EQ(bits_read_text(r_, text, sizeof text), 1);
  EXPECT_STREQ(text, "");
  std::vector<uint8_t> empty;
  open(empty);
  EXPECT_EQ(bits_read_char(r_), 0);
  EXPECT_EQ(r_->past_end, 1);
}

TEST_F(BitReader, SkipAndPositionCountBitsAcrossLongRuns) {
  std::vector<uint8_t> data(5000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i);
  const uint32_t skips[] = {0, 1, 7, 2048, 2049, 4096 + 3, 30000};
  for (uint32_t n : skips) {
    open(data);
    bits_skip(r_, n);
    EXPECT_EQ(bits_consumed(r_), n);
    EXPECT_EQ(bits_remaining(r_), 5000u * 8 - n);
    EXPECT_EQ(bits_position(r_), (n + 7) / 8 - (n ? 1 : 0)) << n;
  }
}

// A temporary file the reader can open through the toolkit's file layer.
class FileWindow : public BitReader {
 protected:
  void write_file(const std::vector<uint8_t>& bytes) {
    path_ = ::testing::TempDir() + "bits_window.bin";
    FILE* f = std::fopen(path_.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    file_ = file_open(path_.c_str());
    ASSERT_NE(file_, nullptr);
  }
  void TearDown() override {
    if (file_) file_close(file_);
    std::remove(path_.c_str());
    BitReader::TearDown();
  }
  std::string path_;
  TkFile* file_ = nullptr;
};

TEST_F(FileWindow, ReadCrossingAPageEndContinuesInTheNextPage) {
  std::vector<uint8_t> bytes(100 + 32768 + 32770 + 10);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7 + (i >> 9));
  write_file(bytes);
  ASSERT_EQ(bits_open_file(r_, file_, 96, 100, 32768, 2, uint32_t(bytes.size())), 1);
  bits_skip(r_, 32766 * 8 + 3);
  uint8_t got[6];
  bits_read_bytes(r_, got, 6);
  for (int i = 0; i < 6; ++i) {
    size_t at = 100 + 32766 + size_t(i);
    uint8_t want = uint8_t((bytes[at] << 3) | (bytes[at + 1] >> 5));
    EXPECT_EQ(got[i], want) << i;
  }
  EXPECT_EQ(r_->page_index, 1);
  EXPECT_EQ(r_->window_fill, 32770u);
  EXPECT_EQ(bits_position(r_), 100u + 32772);
  // Beyond the second page the pages are 32,768 bytes, here cut by the end of the source.
  bits_skip(r_, (32770 - 4) * 8);
  EXPECT_EQ(r_->page_index, 2);
  EXPECT_EQ(r_->window_fill, 10u);
  EXPECT_EQ(r_->past_end, 0);
}

TEST_F(FileWindow, WindowTakesTheLargestSinglePageObjectWithItsCrc) {
  std::vector<uint8_t> bytes(4 + 65535 + 2);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 3);
  write_file(bytes);
  ASSERT_EQ(bits_open_file(r_, file_, 0, 4, 65535 + 2, 1, uint32_t(bytes.size())), 1);
  bits_skip(r_, 65535 * 8);
  EXPECT_EQ(bits_read_char(r_), bytes[4 + 65535]);
  EXPECT_EQ(bits_read_char(r_), bytes[4 + 65536]);
  EXPECT_EQ(r_->past_end, 0);
  // A truncated file serves what it has, then zeros.
  ASSERT_EQ(bits_open_file(r_, file_, 0, 65000, 2000, 1, uint32_t(bytes.size())), 0);
  bits_skip(r_, uint32_t(bytes.size() - 65000) * 8);
  EXPECT_EQ(bits_read_char(r_), 0);
  EXPECT_EQ(r_->past_end, 1);
}

TEST_F(BitReader, BlobRefillsInStepsAndEndsWithZeros) {
  std::vector<uint8_t> data(140001);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 29 + (i >> 11));
  TkBlob* stored = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob_create(stored);
  ASSERT_EQ(blob_write(w, data.data(), data.size()), 1);
  ASSERT_EQ(blob_close_write(w), 1);
  ASSERT_EQ(bits_open_blob(r_, stored), 1);
  bits_read_bit(r_);
  std::vector<uint8_t> got(data.size() - 1);
  size_t at = 0;
  const size_t pieces[] = {5, 65500, 3, 1, 74491};
  for (size_t n : pieces) {
    bits_read_bytes(r_, got.data() + at, n);
    at += n;
  }
  ASSERT_EQ(at, got.size());
  for (size_t i = 0; i < got.size(); ++i)
    ASSERT_EQ(got[i], uint8_t((data[i] << 1) | (data[i + 1] >> 7))) << i;
  EXPECT_EQ(r_->past_end, 0);
  for (int i = 0; i < 7; ++i) bits_read_bit(r_);
  EXPECT_EQ(bits_read_bit(r_), 0);
  EXPECT_EQ(r_->past_end, 1);
  // Opening another window closes the blob's working copy.
  open({1, 2, 3});
  blob_free(stored);
}

}  // namespace
