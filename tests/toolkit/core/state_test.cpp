// Start-up and shutdown of the toolkit over its init data, and the helpers of the global state:
// every allocation start-up makes is failed in turn (each failure must give the step's status
// and leave nothing allocated), damaged init data must be refused with a clear status, and the
// code-page tables must map as the C library does.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>
#ifndef _WIN32
#include <iconv.h>
#endif

#include "core_support.h"
#include "toolkit/core/codepage_names.h"
#include "toolkit/core/font.h"

using namespace core_test;

namespace {

uint16_t start(const std::vector<uint8_t>& bytes) {
  serve_init_data(bytes);
  uint16_t status = 0xFFFF;
  int16_t ok = tk_init_core(nullptr, 1, &status);
  EXPECT_EQ(ok != 0, status == 0);
  if (ok) tk_shutdown_core();
  EXPECT_EQ(tk_state, nullptr);
  return status;
}

size_t banner_length(const std::vector<uint8_t>& data) {
  return std::strlen(reinterpret_cast<const char*>(data.data())) + 1;
}

void put32(std::vector<uint8_t>& data, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) data[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

class StartUp : public ::testing::Test {
 protected:
  void SetUp() override { use_counting_allocator(); }
  void TearDown() override {
    EXPECT_EQ(counts.live, 0) << "blocks left allocated";
    tk_set_host_layer(nullptr);
  }
};

}  // namespace

TEST_F(StartUp, GeneratedInitDataStartsTheToolkit) {
  serve_init_data(builtin_init_data());
  uint16_t status = 1;
  ASSERT_EQ(tk_init_core(nullptr, 1, &status), 1);
  EXPECT_EQ(status, 0);
  ASSERT_NE(tk_state, nullptr);
  EXPECT_EQ(tk_get_last_error(), 0);
  EXPECT_EQ(tk_state->codepages_loaded, 1);
  EXPECT_EQ(tk_state->blob_chunk_size, 4096);
  EXPECT_STREQ(tk_state->fixed_format, "%.6f");
  const uint8_t seed[8] = {0, 0, 0, 0, 0, 0, 0, 1};
  EXPECT_EQ(std::memcmp(tk_state->default_handle_seed, seed, 8), 0);
  EXPECT_EQ(tk_state->find_shape_font, &tk_find_file);
  tk_shutdown_core();
  EXPECT_EQ(tk_state, nullptr);
  tk_shutdown_core();  // a second shutdown finds nothing to do
}

TEST_F(StartUp, ReadHookMayHandOutPieces) {
  serve_init_data(builtin_init_data());
  init_piece = 1000;
  uint16_t status = 1;
  ASSERT_EQ(tk_init_core(nullptr, 1, &status), 1) << status;
  tk_shutdown_core();
}

TEST_F(StartUp, InitDataFromAFile) {
  std::string path = TK_TEST_INITDATA_FILE;
#ifdef _WIN32
  path = "Z:" + path;
#endif
  uint16_t status = 1;
  ASSERT_EQ(tk_init_core(path.c_str(), 0, &status), 1) << status;
  tk_shutdown_core();
  EXPECT_EQ(tk_init_core("no-such-init-data.bin", 0, &status), 0);
  EXPECT_EQ(status, TK_ERR_OPEN_INIT_FILE);
}

TEST_F(StartUp, NoInitDataAllocatesNothing) {
  uint16_t status = 0;
  EXPECT_EQ(tk_init_core(nullptr, 0, &status), 0);
  EXPECT_EQ(status, TK_ERR_INIT_DATA_REQUIRED);
  EXPECT_EQ(counts.calls, 0);
}

TEST_F(StartUp, HookThatCannotOpenGives182) {
  serve_init_data(builtin_init_data());
  init_opens = false;
  uint16_t status = 0;
  EXPECT_EQ(tk_init_core(nullptr, 1, &status), 0);
  EXPECT_EQ(status, TK_ERR_OPEN_INIT_FILE);
}

// Each allocation of start-up failed in turn: the status names the step, in start-up order, and
// nothing stays allocated. The run ends with the first start that needs no more allocations.
TEST_F(StartUp, EveryFailedAllocationGivesItsStepAndLeaksNothing) {
  std::vector<uint16_t> statuses;
  for (long n = 0;; ++n) {
    ASSERT_LT(n, 1000) << "start-up never succeeded";
    use_counting_allocator(n);
    serve_init_data(builtin_init_data());
    uint16_t status = 0;
    int16_t ok = tk_init_core(nullptr, 1, &status);
    if (ok) {
      tk_shutdown_core();
      EXPECT_EQ(counts.live, 0);
      break;
    }
    EXPECT_EQ(tk_state, nullptr);
    EXPECT_EQ(counts.live, 0) << "after failing allocation " << n << " (status " << status << ")";
    statuses.push_back(status);
  }
  // State, small buffer, the four I/O buffers, the four font tables, then code-page tables,
  // then the two built-in font records with their page tables.
  const std::vector<uint16_t> head = {284, 216, 11, 12, 9, 10, 15, 15, 15, 15};
  ASSERT_GT(statuses.size(), head.size() + 4);
  EXPECT_EQ(std::vector<uint16_t>(statuses.begin(), statuses.begin() + head.size()), head);
  EXPECT_EQ(std::vector<uint16_t>(statuses.end() - 4, statuses.end()),
            std::vector<uint16_t>(4, TK_ERR_SHAPEFILE_SYSTEM));
  for (size_t i = head.size(); i + 4 < statuses.size(); ++i)
    EXPECT_EQ(statuses[i], TK_ERR_CODEPAGE_BUFFER) << "allocation " << i;
}

TEST_F(StartUp, OutOfMemoryIsToldToTheErrorCallback) {
  static int told = 0;
  told = 0;
  tk_set_error_callback([](int16_t code) { told = code; });
  use_counting_allocator(1);  // the small buffer
  serve_init_data(builtin_init_data());
  uint16_t status = 0;
  EXPECT_EQ(tk_init_core(nullptr, 1, &status), 0);
  EXPECT_EQ(status, TK_ERR_VM_TEMP_MEMORY);
  EXPECT_EQ(told, 2);
  tk_set_error_callback(nullptr);
}

TEST_F(StartUp, BannerMustEndInG) {
  auto data = builtin_init_data();
  size_t zero = banner_length(data) - 1;
  data[zero - 1] = 'F';
  EXPECT_EQ(start(data), TK_ERR_INIT_FILE_VERSION);
  EXPECT_EQ(start({0}), TK_ERR_INIT_FILE_VERSION) << "an empty banner";
  std::vector<uint8_t> endless(2000, 'G');  // no terminating zero within any sane length
  EXPECT_EQ(start(endless), TK_ERR_INIT_FILE_VERSION);
}

// A stream cut anywhere fails to start, never reads past its end, and leaks nothing.
TEST_F(StartUp, TruncatedInitDataIsRefused) {
  const auto full = builtin_init_data();
  const size_t b = banner_length(full);
  std::vector<size_t> cuts = {0, 1, b - 1, b, b + 3, b + 8, b + 9, b + 8 + 6 * 100,
                              full.size() - 1};
  for (size_t at = b + 8; at < full.size(); at += full.size() / 40) cuts.push_back(at);
  for (size_t cut : cuts) {
    std::vector<uint8_t> data(full.begin(), full.begin() + cut);
    EXPECT_EQ(start(data), TK_ERR_OPEN_INIT_FILE) << "cut at " << cut;
  }
}

// Sizes and counts in the stream are checked before they are allocated.
TEST_F(StartUp, HostileSizesAreRefusedBeforeAllocation) {
  const auto full = builtin_init_data();
  const size_t b = banner_length(full);
  struct Case {
    const char* what;
    size_t at;
    uint32_t value;
  } const cases[] = {
      {"huge simplex block", b, 0xFFFFFFFFu},
      {"empty simplex block", b, 0},
      {"huge symbol block", b + 4, TK_INITDATA_MAX_FONT_DATA + 1},
  };
  for (const Case& c : cases) {
    auto data = full;
    put32(data, c.at, c.value);
    counts.calls = 0;
    EXPECT_EQ(start(data), TK_ERR_INIT_FILE_VERSION) << c.what;
  }
  // An index offset past the definition bytes.
  auto data = full;
  put32(data, b + 8 + 2, 0x7FFFFFFF);
  EXPECT_EQ(start(data), TK_ERR_INIT_FILE_VERSION);
}

TEST(FindFile, SlashesBecomeBackslashesWithoutLookingAtTheDisk) {
  char out[TK_PATH_MAX];
  tk_find_file("fonts/romans.shx", out, 0);
  EXPECT_STREQ(out, "fonts\\romans.shx");
  tk_find_file("C:romans.shx", out, 0);
  EXPECT_STREQ(out, "C:romans.shx");
}

TEST(FindFile, SearchesAlongAcad) {
  std::string root = ::testing::TempDir() + "vv_find_file";
  std::string first = root + "_a";
  std::string second = root + "_b";
  for (const std::string& d : {first, second}) {
    std::string cmd = "mkdir ";
#ifndef _WIN32
    cmd += "-p ";
#endif
    std::system((cmd + "\"" + d + "\"").c_str());
  }
  { std::ofstream(second + "/only_here.shx") << "x"; }
  std::string acad = first + ";" + second + "\\";
#ifdef _WIN32
  _putenv_s("ACAD", acad.c_str());
#else
  setenv("ACAD", acad.c_str(), 1);
#endif
  char out[TK_PATH_MAX];
  tk_find_file("only_here.shx", out, 0);
  EXPECT_EQ(std::string(out), second + "\\only_here.shx");
  tk_find_file("nowhere.shx", out, 0);
  EXPECT_STREQ(out, "nowhere.shx");
  std::remove((second + "/only_here.shx").c_str());
}

TEST(Names, CompareFoldsOnlyAsciiLetters) {
  struct Case {
    const char* a;
    const char* b;
    int result;
  } const cases[] = {
      {"Layer0", "LAYER0", 0},   {"abc", "abd", -1},     {"b", "A", 1},
      {"\xe9", "\xc9", 1},       {"a_", "A_", 0},        {"", "a", -1},
      {"\x80", "a", 1},          {"ABC", "abc", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(tk_name_compare(c.a, c.b), c.result) << c.a << " " << c.b;
  EXPECT_EQ(tk_name_compare_n("CONTINUOUSX", "continuousY", 10), 0);
  EXPECT_EQ(tk_name_compare_n("ab", "ab", 10), 0);
  char text[] = "Dim\xe9Style";
  tk_str_upper(text);
  EXPECT_STREQ(text, "DIM\xe9STYLE");
  tk_str_lower(text);
  EXPECT_STREQ(text, "dim\xe9style");
}

TEST(CodePages, IndexByNameIgnoresCase) {
  int16_t index = -1;
  EXPECT_EQ(tk_codepage_index("ANSI_1252", &index), 1);
  EXPECT_EQ(index, 30);
  EXPECT_EQ(tk_codepage_index("undefined", &index), 1);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(tk_codepage_index("ansi_950", &index), 1);
  EXPECT_EQ(index, 41);
  EXPECT_EQ(tk_codepage_index("utf-8", &index), 0);
}

TEST(CodePages, NoMappingBeforeStartUp) {
  uint16_t out = 7;
  EXPECT_EQ(tk_codepage_map_char(30, 0x80, &out), 0);
  EXPECT_EQ(out, 0);
}

using CodePageMap = StartedToolkit;

TEST_F(CodePageMap, KnownCodes) {
  struct Case {
    int16_t page;
    uint16_t code;
    uint16_t value;
  } const cases[] = {
      {30, 0x80, 0x20AC},   // ansi_1252 euro
      {12, 0xF8, 0x00B0},   // dos850 degree
      {29, 0xC0, 0x0410},   // ansi_1251 capital A
      {24, 0xA440, 0x4E00}, // big5
      {38, 0x82A0, 0x3042}, // ansi_932 hiragana a
      {31, 0xB0A1, 0x554A}, // gb2312
      {40, 0xB0A1, 0xAC00}, // ansi_949 hangul ga
      {2, 0xE9, 0x00E9},    // iso8859-1
  };
  for (const Case& c : cases) {
    uint16_t out = 0;
    EXPECT_EQ(tk_codepage_map_char(c.page, c.code, &out), 1) << tk_codepage_names[c.page];
    EXPECT_EQ(out, c.value) << tk_codepage_names[c.page] << " " << std::hex << c.code;
  }
  uint16_t out = 5;
  EXPECT_EQ(tk_codepage_map_char(1, 'A', &out), 0) << "page 1 is never mapped";
  EXPECT_EQ(tk_codepage_map_char(0, 'A', &out), 0);
  EXPECT_EQ(tk_codepage_map_char(30, 0x1234, &out), 0) << "no double bytes in a single-byte page";
  EXPECT_EQ(tk_codepage_map_char(42, 'A', &out), 0);
  EXPECT_EQ(tk_codepage_map_char(-3, 'A', &out), 0);
}

#ifndef _WIN32
// The tables were made from iconv at build time; what start-up loaded must still say the same
// for sampled codes of every page.
TEST_F(CodePageMap, AgreesWithIconvOnEveryPage) {
  const char* const iconv_names[42] = {
      "", "", "ISO-8859-1", "ISO-8859-2", "ISO-8859-3", "ISO-8859-4", "ISO-8859-5", "ISO-8859-6",
      "ISO-8859-7", "ISO-8859-8", "ISO-8859-9", "CP437", "CP850", "CP852", "CP855", "CP857",
      "CP860", "CP861", "CP863", "CP864", "CP865", "CP869", "SJIS", "MACINTOSH", "BIG5", "EUC-KR",
      "JOHAB", "CP866", "CP1250", "CP1251", "CP1252", "GB2312", "CP1253", "CP1254", "CP1255",
      "CP1256", "CP1257", "CP874", "CP932", "CP936", "CP949", "CP950"};
  for (int16_t page = 2; page < 42; ++page) {
    iconv_t cd = iconv_open("UTF-32LE", iconv_names[page]);
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1)) << iconv_names[page];
    std::vector<uint16_t> codes;
    for (int c = 0; c < 256; c += 3) codes.push_back(static_cast<uint16_t>(c));
    for (int c = 0x8140; c <= 0xFEFE; c += 211) codes.push_back(static_cast<uint16_t>(c));
    // dos932, big5, ksc5601, johab, gb2312 and ansi_932 to ansi_950 have double bytes.
    const bool double_byte =
        page == 22 || page == 24 || page == 25 || page == 26 || page == 31 || page >= 38;
    int mapped = 0;
    for (uint16_t code : codes) {
      unsigned char in[2];
      size_t n = 0;
      if (code > 255) in[n++] = static_cast<unsigned char>(code >> 8);
      in[n++] = static_cast<unsigned char>(code);
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      char* ip = reinterpret_cast<char*>(in);
      uint32_t wide[2] = {0, 0};
      char* op = reinterpret_cast<char*>(wide);
      size_t il = n, ol = sizeof wide;
      uint16_t want = 0;
      if (iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1) && il == 0 &&
          iconv(cd, nullptr, nullptr, &op, &ol) != static_cast<size_t>(-1) &&
          ol == sizeof wide - 4 && wide[0] <= 0xFFFF && (n == 1 || double_byte))
        want = static_cast<uint16_t>(wide[0]);
      uint16_t got = 0;
      tk_codepage_map_char(page, code, &got);
      EXPECT_EQ(got, want) << tk_codepage_names[page] << " code " << std::hex << code;
      if (got) ++mapped;
    }
    EXPECT_GT(mapped, 50) << tk_codepage_names[page];
    iconv_close(cd);
  }
}
#endif
