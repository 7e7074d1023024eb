// Object framing of the bit-stream releases: type-0 objects passed over, extended data of several
// applications and its decoding, extended data beyond the buffer dropped with the stream kept in
// step, and objects over one and two pages read whole.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/toolkit/read/dwg13_support.h"
#include "toolkit/core/object.h"
#include "toolkit/core/state.h"
#include "toolkit/read/dwg13_xdata.h"

namespace {

using namespace dwg13_test;

int hook_code5 = 0;
void count_hook(int16_t code) {
  if (code == 5) ++hook_code5;
}

class Framing : public ObjectFile {};

TEST_F(Framing, TypeZeroObjectIsPassedOver) {
  ObjectSpec skipped;
  skipped.type = 0;
  skipped.handle = 0x20;
  ObjectSpec dict;
  dict.type = 42;
  dict.handle = 0x21;
  dict.data = [](TkBitWriter* w) { bits_write_bl(w, 77); };
  Load(TK_VERSION_AC1015, {skipped, dict});
  ASSERT_EQ(dwg_objmap_seek(d, &objects()->walk.next), 0);  // null handle: not found
  TkHandle first = H(0x20);
  ASSERT_EQ(dwg_objmap_seek(d, &first), 1);
  TkHandle own;
  EXPECT_EQ(dwg_read_object_start(d, &own, nullptr, 0, nullptr), 42);
  EXPECT_EQ(V(own), 0x21u);
  EXPECT_EQ(bits_read_long(bits()), 77);
}

// A set graphics bit with a size of 0 gives an empty blob, and the fields behind the graphics
// are read in place.
TEST_F(Framing, EntityGraphicsOfSizeZeroGiveAnEmptyBlob) {
  for (int32_t size : {0, 3}) {
    SCOPED_TRACE(size);
    ObjectSpec line;
    line.type = 19;
    line.handle = 0x40;
    line.entity = true;
    line.graphics = size;
    line.data = [](TkBitWriter* w) { bits_write_bl(w, 1234); };
    Load(TK_VERSION_AC1015, {line});
    TkHandle h = H(0x40), own;
    ASSERT_EQ(dwg_objmap_seek(d, &h), 1);
    TkBlob* graphics = nullptr;
    EXPECT_EQ(dwg_read_object_start(d, &own, nullptr, 1, &graphics), 19);
    ASSERT_NE(graphics, nullptr);
    EXPECT_EQ(blob_stored_size(graphics), size);
    EXPECT_EQ(bits_read_long(bits()), 1234);
    blob_free(graphics);
    file_close(d->file);
    d->file = nullptr;
    tk_close_drawing(d);
    d = tk_new_drawing(nullptr, nullptr, 0, 6);
  }
}

TEST_F(Framing, EndOfObjectAreaGivesTypeZero) {
  ObjectSpec dict;
  dict.type = 42;
  dict.handle = 0x21;
  Load(TK_VERSION_AC1014, {dict});
  file_seek(d->file, dwg13_file(d)->objmap_seeker, 0);
  TkHandle own;
  EXPECT_EQ(dwg_read_object_start(d, &own, nullptr, 0, nullptr), 0);
}

TEST_F(Framing, ExtendedDataOfTwoApplicationsDecodesToTwoBlocks) {
  ObjectSpec s;
  s.type = 42;
  s.handle = 0x30;
  // 1070 (16-bit 0x0102), 1000 "ab" (code page 0x1E3), 1002 "}".
  s.xdata = {{0x12, {70, 0x02, 0x01, 0, 2, 0xE3, 0x01, 'a', 'b'}}, {0x13, {2, 1}}};
  s.data = [](TkBitWriter* w) { bits_write_bl(w, 5); };
  Load(TK_VERSION_AC1015, {s});
  TkHandle h = H(0x30);
  ASSERT_EQ(dwg_objmap_seek(d, &h), 1);
  uint8_t has_xdata = 0;
  TkHandle own;
  ASSERT_EQ(dwg_read_object_start(d, &own, &has_xdata, 0, nullptr), 42);
  EXPECT_EQ(has_xdata, 1);
  EXPECT_EQ(bits_read_long(bits()), 5) << "the stream stays in step behind the extended data";

  Dwg13XdataReader reader;
  eed13_begin_read(&reader, dwg13_xdata_buffer(), dwg13_xdata_length(d));
  struct Want {
    uint16_t code;
    std::vector<uint8_t> value;
  } const want[] = {
      {1001, {0, 0, 0, 0, 0, 0, 0, 0x12}}, {1070, {0x02, 0x01}}, {1000, {'a', 'b'}},
      {1001, {0, 0, 0, 0, 0, 0, 0, 0x13}}, {1002, {'}'}},
  };
  for (const Want& w : want) {
    TkXdataItem item;
    ASSERT_EQ(eed13_read_item(&reader, &item), 1) << w.code;
    EXPECT_EQ(item.code, w.code);
    EXPECT_EQ(std::memcmp(item.value, w.value.data(), w.value.size()), 0) << w.code;
  }
  TkXdataItem item;
  EXPECT_EQ(eed13_read_item(&reader, &item), 0);
}

TEST_F(Framing, ExtendedDataBeyondTheBufferIsDroppedAndTheStreamKeptInStep) {
  tk_state->error_callback = count_hook;
  hook_code5 = 0;
  ObjectSpec s;
  s.type = 42;
  s.handle = 0x31;
  // Two blocks of 20,000 bytes: together beyond the 32,768-byte buffer.
  s.xdata = {{0x12, std::vector<uint8_t>(20000, 70)}, {0x13, std::vector<uint8_t>(20000, 70)}};
  s.data = [](TkBitWriter* w) { bits_write_bl(w, 1234); };
  Load(TK_VERSION_AC1015, {s});
  TkHandle h = H(0x31);
  ASSERT_EQ(dwg_objmap_seek(d, &h), 1);
  uint8_t has_xdata = 1;
  TkHandle own;
  ASSERT_EQ(dwg_read_object_start(d, &own, &has_xdata, 0, nullptr), 42);
  EXPECT_EQ(has_xdata, 0);
  EXPECT_EQ(hook_code5, 1);
  EXPECT_EQ(bits_read_long(bits()), 1234);
  tk_state->error_callback = nullptr;
}

// Objects around the page and window sizes are read to their last byte.
TEST_F(Framing, LargeObjectsAreReadWhole) {
  for (size_t payload : {16384u, 40000u, 65500u, 70000u, 100000u}) {
    SCOPED_TRACE(payload);
    ObjectSpec s;
    s.type = 42;
    s.handle = 0x40;
    std::vector<uint8_t> bytes(payload);
    for (size_t i = 0; i < payload; ++i) bytes[i] = uint8_t(i * 7 + i / 251);
    s.data = [&](TkBitWriter* w) { bits_write_bytes(w, bytes.data(), bytes.size()); };
    Load(TK_VERSION_AC1015, {s});
    TkHandle h = H(0x40);
    ASSERT_EQ(dwg_objmap_seek(d, &h), 1);
    TkHandle own;
    ASSERT_EQ(dwg_read_object_start(d, &own, nullptr, 0, nullptr), 42);
    std::vector<uint8_t> got(payload);
    bits_read_bytes(bits(), got.data(), got.size());
    EXPECT_EQ(got, bytes);
    EXPECT_EQ(bits()->past_end, 0);
    if (d->file) file_close(d->file);
    d->file = nullptr;
    tk_close_drawing(d);
    d = tk_new_drawing(nullptr, nullptr, 0, 6);
    ASSERT_NE(d, nullptr);
  }
}

// Decoding: every item that runs past its block ends the data.
TEST(Dwg13Xdata, ItemsRunningPastTheirBlockEndTheData) {
  struct Case {
    const char* name;
    std::vector<uint8_t> list;
    int items;
  } const cases[] = {
      {"empty", {0, 0}, 0},
      {"one 1070", {3, 0, 0x51, 7, 70, 1, 0, 0, 0}, 2},
      {"1070 cut short", {2, 0, 0x51, 7, 70, 1, 0, 0}, 1},
      {"string longer than block", {4, 0, 0x51, 7, 0, 9, 0, 0, 0, 0}, 1},
      {"handle counter above 8", {3, 0, 0x59, 70, 1, 0, 0, 0}, 0},
      {"block size beyond list", {200, 0, 0x51, 7, 70, 1, 0}, 0},
  };
  for (const Case& c : cases) {
    Dwg13XdataReader reader;
    eed13_begin_read(&reader, c.list.data(), c.list.size());
    TkXdataItem item;
    int n = 0;
    while (eed13_read_item(&reader, &item)) ++n;
    EXPECT_EQ(n, c.items) << c.name;
  }
}

}  // namespace
