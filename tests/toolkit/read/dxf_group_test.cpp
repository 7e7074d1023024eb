// The DXF group reader on small files made here: code and value lines of text files with their
// line ends and faults, binary files of both code widths, the value sanitising and the bounded
// binary strings, chunks and binary data.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "tests/toolkit/core/core_support.h"
#include "tests/toolkit/read/dxf_support.h"
#include "toolkit/read/dxf_reader.h"

namespace {

// A drawing record over a file in memory, with the reader's state; only what the group reader
// looks at is set.
class GroupReader : public ::testing::Test {
 protected:
  void SetUp() override {
    core_test::counts = core_test::Counts{};
    ASSERT_TRUE(dxf_test::start_toolkit(core_test::counting_alloc, core_test::counting_free));
    drawing_ = static_cast<TkDrawing*>(std::calloc(1, sizeof(TkDrawing)));
  }
  void TearDown() override {
    close();
    std::free(drawing_);
    dxf_test::stop_toolkit();
    EXPECT_EQ(core_test::counts.live, 0);
  }
  void close() {
    if (drawing_->reader_state_free) drawing_->reader_state_free(drawing_->reader_state);
    drawing_->reader_state = nullptr;
    drawing_->reader_state_free = nullptr;
    if (drawing_->file) file_close(drawing_->file);
    drawing_->file = nullptr;
  }
  DxfState* open(const std::vector<uint8_t>& bytes, uint8_t kind, int16_t version) {
    close();
    load_test::mem_files["group.dxf"] = bytes;
    drawing_->file = file_open("group.dxf");
    drawing_->file_kind = kind;
    drawing_->version = version;
    if (!drawing_->file) {
      // An empty file does not open; a one-byte file at its end stands in for it.
      load_test::mem_files["group.dxf"] = {'\n'};
      drawing_->file = file_open("group.dxf");
      file_getc(drawing_->file);
      file_getc(drawing_->file);
    }
    return dxf_state_create(drawing_);
  }
  DxfState* open_text(const std::string& text) {
    return open(std::vector<uint8_t>(text.begin(), text.end()), TK_FILE_TEXT_DXF,
                TK_VERSION_AC1015);
  }
  DxfState* open_binary(const dxf_test::BinaryDxf& b, int16_t version) {
    DxfState* s = open(b.out, TK_FILE_BINARY_DXF, version);
    // Past the sentinel, as the section scan starts.
    while (file_getc(drawing_->file) != 0 && !file_eof(drawing_->file)) {
    }
    return s;
  }
  TkDrawing* drawing_ = nullptr;
};

struct TextCase {
  const char* name;
  std::string file;
  int16_t result;
  uint16_t code;
  std::string text;
  int32_t error;
};

TEST_F(GroupReader, TextCodeAndValueLines) {
  const std::string long_2050(2050, 'x');
  const std::string long_2051(2051, 'x');
  const TextCase cases[] = {
      {"blanks before the code", "  8\nWALLS\n", 1, 8, "WALLS", 0},
      {"letter in the code line", "8A\nWALLS\n", 0, 0, "", TK_ERR_DXF_NOT_NUMERIC},
      {"minus one is a string code", "-1\nX\n", 1, 65535, "X", 0},
      {"value of 2050 characters", "1\n" + long_2050 + "\n", 1, 1, long_2050, 0},
      {"value of 2051 characters", "1\n" + long_2051 + "\n", 0, 0, "", TK_ERR_DXF_LINE_TOO_LONG},
      {"carriage return and line feed", "1\r\nABC\r\n", 1, 1, "ABC", 0},
      {"line feed alone", "1\nABC\n", 1, 1, "ABC", 0},
      {"line feed and carriage return", "1\n\rABC\n\r", 1, 1, "ABC", 0},
      {"value cut at a control character", std::string("1\nAB\x01") + "CD\n", 1, 1, "AB", 0},
      {"tab kept", "1\nA\tB\n", 1, 1, "A\tB", 0},
      {"comment skipped", "999\nnote\n0\nSECTION\n", 1, 0, "SECTION", 0},
      {"comment last in the file", "999\nnote\n", 1, 999, "note", 0},
      {"last line without its end", "1\nEND", 1, 1, "END", 0},
      {"empty file", "", 0, 0, "", 0},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.name);
    DxfState* s = open_text(c.file);
    ASSERT_NE(s, nullptr);
    tk_fail(TK_ERR_NONE);
    EXPECT_EQ(dxf_read_group(s), c.result);
    EXPECT_EQ(tk_get_last_error(), c.error);
    if (c.result) {
      EXPECT_EQ(s->group.code, c.code);
      EXPECT_EQ(std::string(s->text), c.text);
    }
  }
}

TEST_F(GroupReader, TextValuesByCodeType) {
  DxfState* s = open_text("10\n-12.5\n70\n70000\n90\n-70000\n1005\n1F\n40\n1e3\n62\n256\n");
  ASSERT_EQ(dxf_read_group(s), 1);
  EXPECT_EQ(s->group.real, -12.5);
  ASSERT_EQ(dxf_read_group(s), 1);
  EXPECT_EQ(s->group.i16, static_cast<int16_t>(70000 & 0xFFFF));  // kept to 16 bits
  EXPECT_EQ(s->group.real, -12.5);  // another type's slot keeps its value
  ASSERT_EQ(dxf_read_group(s), 1);
  EXPECT_EQ(s->group.i32, -70000);
  ASSERT_EQ(dxf_read_group(s), 1);
  const TkHandle h1f = {{0, 0, 0, 0, 0, 0, 0, 0x1F}};
  EXPECT_EQ(std::memcmp(s->group.handle.bytes, h1f.bytes, 8), 0);
  ASSERT_EQ(dxf_read_group(s), 1);
  EXPECT_EQ(s->group.real, 1000.0);
  ASSERT_EQ(dxf_read_group(s), 1);
  EXPECT_EQ(s->group.i16, 256);
}

TEST_F(GroupReader, DecimalConversionMatchesTheCLibrary) {
  const char* texts[] = {"0",       "-0.0",     "1.5",         "  3.25",   "0.1",
                         "123456789012345", "1234567890123456789", "1e-5", "-7.000000000001",
                         "0.30000000000000004", "abc", "", "12abc", "1.7976931348623157e308"};
  for (const char* t : texts) {
    SCOPED_TRACE(t);
    double ours = dxf_parse_double(t);
    double theirs = std::strtod(t, nullptr);
    EXPECT_EQ(std::memcmp(&ours, &theirs, sizeof ours), 0) << ours << " " << theirs;
  }
}

TEST_F(GroupReader, BinaryCodesOfBothWidths) {
  dxf_test::BinaryDxf narrow(false);
  narrow.s(0, "SECTION").s(1000, "extended").i16(70, 5);
  DxfState* s = open_binary(narrow, TK_VERSION_AC1009);
  ASSERT_EQ(dxf_read_group(s), 1);
  EXPECT_EQ(s->group.code, 0);
  EXPECT_STREQ(s->text, "SECTION");
  ASSERT_EQ(dxf_read_group(s), 1);  // 255, then 0xE8 0x03
  EXPECT_EQ(s->group.code, 1000);
  EXPECT_STREQ(s->text, "extended");
  ASSERT_EQ(dxf_read_group(s), 1);
  EXPECT_EQ(s->group.i16, 5);

  dxf_test::BinaryDxf wide(true);
  wide.s(0, "SECTION").i16(70, -2).raw(290, {1}).s(1, "after");
  s = open_binary(wide, TK_VERSION_AC1015);
  ASSERT_EQ(dxf_read_group(s), 1);
  EXPECT_STREQ(s->text, "SECTION");
  ASSERT_EQ(dxf_read_group(s), 1);
  EXPECT_EQ(s->group.i16, -2);
  // The flags 290-299 take one byte in binary files.
  ASSERT_EQ(dxf_read_group(s), 1);
  EXPECT_EQ(s->group.code, 290);
  EXPECT_EQ(s->group.i16, 1);
  ASSERT_EQ(dxf_read_group(s), 1);
  EXPECT_STREQ(s->text, "after");
}

TEST_F(GroupReader, BinaryDoublesThatAreNoNumbersReadAsZero) {
  struct Case {
    const char* name;
    double value;
    double expected;
  } const cases[] = {
      {"plain", -2.5, -2.5},
      {"quiet NaN", std::numeric_limits<double>::quiet_NaN(), 0.0},
      {"infinity", std::numeric_limits<double>::infinity(), 0.0},
      {"denormal", std::numeric_limits<double>::denorm_min(), 0.0},
      {"negative zero", -0.0, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dxf_test::BinaryDxf b(true);
    b.d(10, c.value);
    DxfState* s = open_binary(b, TK_VERSION_AC1015);
    ASSERT_EQ(dxf_read_group(s), 1);
    EXPECT_EQ(s->group.real, c.expected);
    EXPECT_FALSE(std::signbit(s->group.real) && c.expected == 0.0);
  }
}

TEST_F(GroupReader, BinaryDataChunksAndLongStringsStayInTheirBuffers) {
  std::vector<uint8_t> three = {3, 0x01, 0xAB, 0xFF};
  std::vector<uint8_t> long_data = {200};
  for (int i = 0; i < 200; ++i) long_data.push_back(static_cast<uint8_t>(i));
  std::vector<uint8_t> chunk = {130};
  for (int i = 0; i < 130; ++i) chunk.push_back(static_cast<uint8_t>(255 - i));
  dxf_test::BinaryDxf b(true);
  b.raw(310, three).raw(310, long_data).raw(1004, chunk).s(1, std::string(70000, 'q')).s(2, "next");
  DxfState* s = open_binary(b, TK_VERSION_AC1015);
  ASSERT_EQ(dxf_read_group(s), 1);
  EXPECT_STREQ(s->text, "01ABFF");
  // A length byte of 128 or more counts up to 255.
  ASSERT_EQ(dxf_read_group(s), 1);
  EXPECT_EQ(std::strlen(s->text), 400u);
  EXPECT_EQ(std::string(s->text).substr(396), "C6C7");
  ASSERT_EQ(dxf_read_group(s), 1);
  EXPECT_EQ(s->group.chunk_length, 130);
  EXPECT_EQ(static_cast<uint8_t>(s->text[129]), 255 - 129);
  // A string longer than the text buffer is cut there and the next group still found.
  ASSERT_EQ(dxf_read_group(s), 1);
  EXPECT_EQ(std::strlen(s->text), DXF_TEXT_CAPACITY - 1);
  ASSERT_EQ(dxf_read_group(s), 1);
  EXPECT_EQ(s->group.code, 2);
  EXPECT_STREQ(s->text, "next");
}

// Strings are taken several bytes at a time where they lie in the file's cache block: every
// short length ends where its zero is, bytes with the high bit set or of value 1 are no zero,
// and a string that runs over the end of a block (8,192 bytes) is read whole.
TEST_F(GroupReader, BinaryStringsEndAtTheirZeroWhateverTheirLengthAndPlace) {
  auto text_of = [](size_t length) {
    const char kinds[] = {'a', '\x80', '\x01', '\xff', 'Z', '\x7f'};
    std::string t;
    for (size_t i = 0; i < length; ++i) t += kinds[(i + length) % sizeof kinds];
    return t;
  };
  dxf_test::BinaryDxf lengths(true);
  for (size_t n = 0; n <= 80; ++n) lengths.s(1, text_of(n)).i16(70, static_cast<int16_t>(n));
  DxfState* s = open_binary(lengths, TK_VERSION_AC1015);
  for (size_t n = 0; n <= 80; ++n) {
    SCOPED_TRACE(n);
    ASSERT_EQ(dxf_read_group(s), 1);
    EXPECT_EQ(s->group.length, n);
    EXPECT_EQ(std::string(s->text), text_of(n));
    ASSERT_EQ(dxf_read_group(s), 1);
    EXPECT_EQ(s->group.code, 70);
    EXPECT_EQ(s->group.i16, static_cast<int16_t>(n));
  }

  constexpr size_t kBlock = 8192;
  for (size_t before_end = 0; before_end <= 72; ++before_end) {
    SCOPED_TRACE(before_end);
    dxf_test::BinaryDxf b(true);
    // A filler string puts the next string's first byte `before_end` bytes before the block end.
    size_t filler = kBlock - before_end - b.out.size() - 2 - 1;
    b.s(1, std::string(filler, 'f')).s(2, text_of(40)).i16(70, 9).s(5, "1A2B");
    s = open_binary(b, TK_VERSION_AC1015);
    ASSERT_EQ(dxf_read_group(s), 1);
    EXPECT_EQ(s->group.length, filler);
    ASSERT_EQ(dxf_read_group(s), 1);
    EXPECT_EQ(s->group.code, 2);
    EXPECT_EQ(std::string(s->text), text_of(40));
    ASSERT_EQ(dxf_read_group(s), 1);
    EXPECT_EQ(s->group.i16, 9);
    ASSERT_EQ(dxf_read_group(s), 1);
    EXPECT_EQ(s->group.handle.bytes[6], 0x1A);
    EXPECT_EQ(s->group.handle.bytes[7], 0x2B);
  }
}

TEST_F(GroupReader, BinaryFileCutShortReadsNoFurther) {
  dxf_test::BinaryDxf b(true);
  b.d(10, 1.0).s(1, "unterminated");
  std::vector<uint8_t> bytes = b.out;
  bytes.pop_back();  // the string's zero
  DxfState* s = open(bytes, TK_FILE_BINARY_DXF, TK_VERSION_AC1015);
  while (file_getc(drawing_->file) != 0 && !file_eof(drawing_->file)) {
  }
  ASSERT_EQ(dxf_read_group(s), 1);
  ASSERT_EQ(dxf_read_group(s), 1);
  EXPECT_STREQ(s->text, "unterminated");
  EXPECT_TRUE(dxf_at_end(s));
  EXPECT_EQ(dxf_read_group(s), 0);
}

}  // namespace
