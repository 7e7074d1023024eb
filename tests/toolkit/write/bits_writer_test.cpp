// The bit-stream writer: the bits of every coded type, handle references against a base, the
// object map's modular numbers, the object record (size words, pieces, data-size field, CRC) and
// the memory-blob form across the buffer boundary.
#include "toolkit/write/bits_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/toolkit/core/records_support.h"
#include "toolkit/core/blob.h"
#include "toolkit/write/crc16.h"

namespace {

TkHandle handle_of(uint64_t v) {
  TkHandle h;
  for (int i = 7; i >= 0; --i, v >>= 8) h.bytes[i] = uint8_t(v & 0xFF);
  return h;
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

class BitWriter : public records_test::StartedToolkit {
 protected:
  void SetUp() override {
    records_test::StartedToolkit::SetUp();
    w_.reset(new TkBitWriter());
  }
  void TearDown() override {
    bits_discard(w_.get());
    w_.reset();
    records_test::StartedToolkit::TearDown();
  }

  // The bits the function writes, as '0'/'1' characters.
  std::string bits_of(const std::function<void(TkBitWriter*)>& write) {
    EXPECT_EQ(bits_blob_begin(w_.get()), 1);
    write(w_.get());
    uint32_t count = 0;
    TkBlob* b = bits_blob_end(w_.get(), &count);
    EXPECT_NE(b, nullptr);
    std::vector<uint8_t> bytes = blob_bytes(b);
    blob_free(b);
    std::string s;
    for (uint32_t i = 0; i < count; ++i) s += (bytes[i / 8] >> (7 - i % 8)) & 1 ? '1' : '0';
    return s;
  }

  std::unique_ptr<TkBitWriter> w_;
};

std::string byte_bits(uint8_t b) {
  std::string s;
  for (int i = 7; i >= 0; --i) s += (b >> i) & 1 ? '1' : '0';
  return s;
}

std::string rd_bits(double v) {
  uint8_t b[8];
  std::memcpy(b, &v, 8);
  std::string s;
  for (uint8_t x : b) s += byte_bits(x);
  return s;
}

struct CodeCase {
  const char* name;
  std::function<void(TkBitWriter*)> write;
  std::string bits;
};

TEST_F(BitWriter, EveryCodedTypeWritesItsPrefixAndBytes) {
  const double origin_z[3] = {0, 0, 1}, down_z[3] = {0, 0, -1};
  const CodeCase cases[] = {
      {"BS 0", [](TkBitWriter* w) { bits_write_bs(w, 0); }, "10"},
      {"BS 256", [](TkBitWriter* w) { bits_write_bs(w, 256); }, "11"},
      {"BS 255", [](TkBitWriter* w) { bits_write_bs(w, 255); }, "0111111111"},
      {"BS 257", [](TkBitWriter* w) { bits_write_bs(w, 257); }, "00" + byte_bits(1) + byte_bits(1)},
      {"BS -1", [](TkBitWriter* w) { bits_write_bs(w, -1); }, "00" + byte_bits(0xFF) + byte_bits(0xFF)},
      {"BL 0", [](TkBitWriter* w) { bits_write_bl(w, 0); }, "10"},
      {"BL 200", [](TkBitWriter* w) { bits_write_bl(w, 200); }, "01" + byte_bits(200)},
      {"BL 256", [](TkBitWriter* w) { bits_write_bl(w, 256); },
       "00" + byte_bits(0) + byte_bits(1) + byte_bits(0) + byte_bits(0)},
      {"BD 0", [](TkBitWriter* w) { bits_write_bd(w, 0.0); }, "10"},
      {"BD 1", [](TkBitWriter* w) { bits_write_bd(w, 1.0); }, "01"},
      {"BD -0", [](TkBitWriter* w) { bits_write_bd(w, -0.0); }, "00" + rd_bits(-0.0)},
      {"BD 2", [](TkBitWriter* w) { bits_write_bd(w, 2.0); }, "00" + rd_bits(2.0)},
      {"DD same", [](TkBitWriter* w) { bits_write_dd(w, 3.5, 3.5); }, "00"},
      {"DD other", [](TkBitWriter* w) { bits_write_dd(w, 3.5, 1.0); }, "11" + rd_bits(3.5)},
      {"BT 0", [](TkBitWriter* w) { bits_write_bt(w, 0.0); }, "1"},
      {"BT 2", [](TkBitWriter* w) { bits_write_bt(w, 2.0); }, "0" + std::string("00") + rd_bits(2.0)},
      {"BE up", [&](TkBitWriter* w) { bits_write_be(w, origin_z); }, "1"},
      {"BE down", [&](TkBitWriter* w) { bits_write_be(w, down_z); }, "0101000" + rd_bits(-1.0)},
      {"RS", [](TkBitWriter* w) { bits_write_rs(w, 0x1234); }, byte_bits(0x34) + byte_bits(0x12)},
      {"RL", [](TkBitWriter* w) { bits_write_rl(w, 0x01020304); },
       byte_bits(4) + byte_bits(3) + byte_bits(2) + byte_bits(1)},
      {"T", [](TkBitWriter* w) { bits_write_text(w, "AB"); }, "01" + byte_bits(2) + byte_bits('A') + byte_bits('B')},
      {"T empty", [](TkBitWriter* w) { bits_write_text(w, ""); }, "10"},
      {"point z 0", [](TkBitWriter* w) { const double p[3] = {1, 2, 0}; bits_write_point_zflag(w, p); },
       "1" + rd_bits(1) + rd_bits(2)},
      {"line flat", [](TkBitWriter* w) {
         const double a[3] = {1, 2, 0}, b[3] = {1, 5, 0};
         bits_write_line_points(w, a, b); },
       "1" + rd_bits(1) + "00" + rd_bits(2) + "11" + rd_bits(5)},
      {"H null", [](TkBitWriter* w) { TkHandle h = handle_of(0); bits_write_handle(w, &h, 0x50); },
       byte_bits(0x50)},
      {"H 0x1234", [](TkBitWriter* w) { TkHandle h = handle_of(0x1234); bits_write_handle(w, &h, 0x30); },
       byte_bits(0x32) + byte_bits(0x12) + byte_bits(0x34)},
  };
  for (const auto& c : cases) EXPECT_EQ(bits_of(c.write), c.bits) << c.name;
}

struct RefCase {
  uint64_t handle, base;
  uint8_t code;
  std::vector<uint8_t> bytes;
};

TEST_F(BitWriter, HandleReferencesTakeTheShorterOfOffsetAndAbsolute) {
  const RefCase cases[] = {
      {0x11, 0x10, 0x40, {0x60}},
      {0x0F, 0x10, 0x40, {0x80}},
      {0x10, 0x10, 0x50, {0x50}},
      {0x1244, 0x10, 0x40, {0xA2, 0x12, 0x34}},
      {0x50, 0x30000, 0x40, {0x41, 0x50}},
      {0x2FF00, 0x30000, 0x40, {0xC2, 0x01, 0x00}},
      {0x0, 0x30000, 0x30, {0x40}},
      {0x1000000, 0x10, 0x40, {0xA3, 0xFF, 0xFF, 0xF0}},
  };
  for (const auto& c : cases) {
    TkHandle h = handle_of(c.handle), b = handle_of(c.base);
    std::string want;
    for (uint8_t x : c.bytes) want += byte_bits(x);
    EXPECT_EQ(bits_of([&](TkBitWriter* w) { bits_write_handle_ref(w, &h, &b, c.code); }), want)
        << std::hex << c.handle << " against " << c.base;
  }
}

TEST_F(BitWriter, HandleKindsMapToTheirReferenceCodes) {
  const uint8_t codes[] = {0x20, 0x40, 0x50, 0x60, 0x30, 0x00};
  for (uint8_t kind = 0; kind < 6; ++kind) {
    uint8_t record[9] = {0, 0, 0, 0, 0, 0, 0, 0x2A, kind};
    EXPECT_EQ(bits_of([&](TkBitWriter* w) { bits_write_handle_kind(w, record); }),
              byte_bits(uint8_t(codes[kind] | 1)) + byte_bits(0x2A))
        << int(kind);
  }
}

TEST(ModularChars, UnsignedAndSignedForms) {
  struct U { uint64_t v; std::vector<uint8_t> bytes; } unsigned_cases[] = {
      {127, {0x7F}}, {128, {0x80, 0x01}}, {0x3FFF, {0xFF, 0x7F}}, {64, {0x40}},
      {0xFFFFFFFFFFFFFFFFull, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01}}};
  for (const auto& c : unsigned_cases) {
    uint8_t out[10];
    TkHandle h = handle_of(c.v);
    size_t n = modular_char_encode(&h, out);
    EXPECT_EQ(std::vector<uint8_t>(out, out + n), c.bytes) << c.v;
  }
  struct S { int32_t v; std::vector<uint8_t> bytes; } signed_cases[] = {
      {100, {0xE4, 0x00}}, {-5, {0x45}}, {63, {0x3F}}, {-100, {0xE4, 0x40}}, {0, {0x00}},
      {200, {0xC8, 0x01}}, {INT32_MIN, {0x80, 0x80, 0x80, 0x80, 0x48}}};
  for (const auto& c : signed_cases) {
    uint8_t out[6];
    size_t n = modular_char_encode_signed(c.v, out);
    EXPECT_EQ(std::vector<uint8_t>(out, out + n), c.bytes) << c.v;
  }
}

TEST(HandleSwap, ReversesTheEightBytes) {
  TkHandle h = handle_of(0x0102030405060708ull);
  handle_swap_bytes(&h);
  EXPECT_EQ(std::memcmp(handle_of(0x0807060504030201ull).bytes, h.bytes, 8), 0);
}

// Whole bytes go through a shifted-pair path; it must match the bit-by-bit road at every phase.
TEST_F(BitWriter, BytesAtEveryPhaseMatchSingleBits) {
  std::vector<uint8_t> data(40);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 37 + 11);
  for (int phase = 0; phase < 8; ++phase) {
    std::string fast = bits_of([&](TkBitWriter* w) {
      for (int i = 0; i < phase; ++i) bits_write_bit(w, i & 1);
      bits_write_bytes(w, data.data(), data.size());
    });
    std::string slow = bits_of([&](TkBitWriter* w) {
      for (int i = 0; i < phase; ++i) bits_write_bit(w, i & 1);
      for (uint8_t b : data)
        for (int k = 7; k >= 0; --k) bits_write_bit(w, (b >> k) & 1);
    });
    EXPECT_EQ(fast, slow) << phase;
  }
}

TEST_F(BitWriter, BlobEndCountsEveryBufferNotTheLastAlone) {
  std::vector<uint8_t> data(20000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i ^ (i >> 8));
  ASSERT_EQ(bits_blob_begin(w_.get()), 1);
  bits_write_bit(w_.get(), 1);
  ASSERT_EQ(bits_write_bytes(w_.get(), data.data(), data.size()), 1);
  uint32_t count = 0;
  TkBlob* b = bits_blob_end(w_.get(), &count);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(count, 20000u * 8 + 1);
  std::vector<uint8_t> bytes = blob_bytes(b);
  blob_free(b);
  ASSERT_EQ(bytes.size(), 20001u);
  EXPECT_EQ(bytes[0], 0x80 | (data[0] >> 1));
  EXPECT_EQ(bytes[16384], uint8_t((data[16383] << 7) | (data[16384] >> 1)));
}

// Objects written to a file: the frame the readers expect.
class ObjectRecord : public BitWriter {
 protected:
  std::vector<uint8_t> file_bytes(FILE* f) {
    std::fflush(f);
    long n = std::ftell(f);
    std::vector<uint8_t> out(size_t(n > 0 ? n : 0));
    std::rewind(f);
    if (!out.empty()) {
      EXPECT_EQ(std::fread(out.data(), 1, out.size(), f), out.size());
    }
    return out;
  }
};

TEST_F(ObjectRecord, LargeObjectHasTwoSizeWordsPiecesAndCrc) {
  FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  w_->output_version = 7;
  TkHandle own = handle_of(0x2A);
  ASSERT_EQ(bits_begin_object(w_.get(), f, 0x30, &own, 0, nullptr, 0), 1);
  std::vector<uint8_t> body(40000 - 8);
  for (size_t i = 0; i < body.size(); ++i) body[i] = uint8_t(i * 13);
  ASSERT_EQ(bits_write_bytes(w_.get(), body.data(), body.size()), 1);
  bits_mark_data_end(w_.get());
  // Type BS (10 bits), RL (32), H (16), no extended data (2): 60 bits, then the body; pad to
  // 40,000 bytes.
  while (bits_written_bytes(w_.get()) < 40000) bits_write_bit(w_.get(), 0);
  ASSERT_EQ(bits_written_bytes(w_.get()), 40000u);
  ASSERT_EQ(bits_end_object(w_.get()), 1);
  std::vector<uint8_t> out = file_bytes(f);
  std::fclose(f);
  ASSERT_EQ(out.size(), 4u + 40000 + 2);
  EXPECT_EQ(out[0] | out[1] << 8, 0x9C40);
  EXPECT_EQ(out[2] | out[3] << 8, 1);
  uint16_t crc = crc16(0xC0C1, out.data(), 40004);
  EXPECT_EQ(out[40004] | out[40005] << 8, crc);
  // The data-size field: bits 10..41 of the data, RL low byte first.
  uint32_t field = 0;
  for (int i = 0; i < 32; ++i) {
    int bit = 10 + i;
    int v = (out[4 + bit / 8] >> (7 - bit % 8)) & 1;
    field |= uint32_t(v) << (8 * (i / 8) + (7 - i % 8));
  }
  EXPECT_EQ(field, 60u + 8 * uint32_t(body.size()));
}

TEST_F(ObjectRecord, DataSizeFieldStraddlingTheBufferBoundaryIsFilledBitExactly) {
  // AC1014 reserves the field after the proxy graphics: graphics long enough to put it across
  // the first 16,384-byte buffer's end.
  TkBlob* graphics = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* gw = blob_create(graphics);
  std::vector<uint8_t> g(8 + 16366, 0);
  uint32_t prim = uint32_t(g.size() - 8);
  std::memcpy(&g[8], &prim, 4);
  ASSERT_EQ(blob_write(gw, g.data(), g.size()), 1);
  ASSERT_EQ(blob_close_write(gw), 1);

  FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  w_->output_version = 6;
  TkHandle own = handle_of(0x2A);
  ASSERT_EQ(bits_begin_object(w_.get(), f, 19, &own, 0, graphics, 1), 1);
  uint32_t field_bit = w_->size_field_bit;
  EXPECT_LT(field_bit / 8, 16384u);
  EXPECT_GT((field_bit + 31) / 8, 16383u);
  bits_write_rc(w_.get(), 0xAB);
  bits_mark_data_end(w_.get());
  uint32_t data_bits = w_->data_bits;
  ASSERT_EQ(bits_end_object(w_.get()), 1);
  std::vector<uint8_t> out = file_bytes(f);
  std::fclose(f);
  blob_free(graphics);
  uint32_t field = 0;
  for (int i = 0; i < 32; ++i) {
    uint32_t bit = field_bit + uint32_t(i);
    int v = (out[2 + bit / 8] >> (7 - bit % 8)) & 1;
    field |= uint32_t(v) << (8 * (i / 8) + (7 - i % 8));
  }
  EXPECT_EQ(field, data_bits);
}

TEST_F(ObjectRecord, SmallObjectAndAFailedFileWrite) {
  FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  w_->output_version = 5;
  TkHandle own = handle_of(1);
  ASSERT_EQ(bits_begin_object(w_.get(), f, 42, &own, 0, nullptr, 0), 1);
  bits_mark_data_end(w_.get());
  ASSERT_EQ(bits_end_object(w_.get()), 1);
  std::vector<uint8_t> out = file_bytes(f);
  std::fclose(f);
  ASSERT_GE(out.size(), 4u);
  uint32_t n = out[0] | out[1] << 8;
  ASSERT_EQ(out.size(), 2 + n + 2);
  EXPECT_EQ(out[2 + n] | out[3 + n] << 8, crc16(0xC0C1, out.data(), 2 + n));

  ASSERT_EQ(bits_begin_object(w_.get(), nullptr, 42, &own, 0, nullptr, 0), 1);
  EXPECT_EQ(bits_end_object(w_.get()), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_WRITE_FILE);
}

}  // namespace
