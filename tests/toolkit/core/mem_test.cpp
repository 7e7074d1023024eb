// The cached file layer: block boundaries, the 8-slot cache and its replacement order, the end of
// the file, line reading, both path separators, and what a failing disk or allocator leaves.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "core_support.h"

using namespace core_test;

namespace {

std::string temp_path(const char* name) { return ::testing::TempDir() + name; }

std::string write_file(const char* name, const std::string& bytes) {
  std::string path = temp_path(name);
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

uint8_t pattern(size_t i) { return static_cast<uint8_t>(i * 7 % 251); }

std::string patterned(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(pattern(i));
  return s;
}

// System reads are counted and, from a chosen read on, fail for a while.
struct Disk {
  int reads = 0;
  int fail_from = -1;    // the read number (0-based) from which reads fail
  int fail_count = 0;    // how many reads fail from there
  int critical[3] = {};  // reports by kind
} disk;

int32_t disk_read(int fd, void* buffer, uint32_t n) {
  int call = disk.reads++;
  if (disk.fail_from >= 0 && call >= disk.fail_from && call < disk.fail_from + disk.fail_count)
    return -1;
#ifdef _WIN32
  return _read(fd, buffer, n);
#else
  return static_cast<int32_t>(read(fd, buffer, n));
#endif
}

void disk_critical(int16_t kind) {
  if (kind >= 0 && kind < 3) ++disk.critical[kind];
}

class FileLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    disk = Disk{};
    use_counting_allocator();
    TkHostLayer layer{};
    layer.alloc = counting_alloc;
    layer.free = counting_free;
    layer.read = disk_read;
    layer.critical_error = disk_critical;
    tk_set_host_layer(&layer);
  }
  void TearDown() override {
    EXPECT_EQ(counts.live, 0) << "blocks left allocated";
    tk_set_host_layer(nullptr);
  }
};

const size_t kBlock = TK_FILE_BLOCK_SIZE;

}  // namespace

TEST_F(FileLayer, ReadingAcrossABlockBoundary) {
  std::string path = write_file("vv_blocks.bin", patterned(3 * kBlock + 100));
  TkFile* f = file_open(path.c_str());
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(file_length(f), 3 * kBlock + 100);
  file_seek(f, kBlock - 1, 0);
  uint8_t two[2];
  ASSERT_EQ(file_read(two, 1, 2, f), 2u);
  EXPECT_EQ(two[0], pattern(kBlock - 1));
  EXPECT_EQ(two[1], pattern(kBlock));
  EXPECT_EQ(file_tell(f), kBlock + 1);
  file_seek(f, -3, 1);
  EXPECT_EQ(file_tell(f), kBlock - 2);
  EXPECT_EQ(file_getc(f), pattern(kBlock - 2));
  std::vector<uint8_t> all(3 * kBlock + 100);
  file_seek(f, 0, 0);
  ASSERT_EQ(file_read(all.data(), 1, all.size(), f), all.size());
  for (size_t i = 0; i < all.size(); ++i) ASSERT_EQ(all[i], pattern(i)) << i;
  file_close(f);
}

TEST_F(FileLayer, NinthBlockReplacesTheLeastRecentlyUsed) {
  std::string path = write_file("vv_lru.bin", patterned(10 * kBlock));
  TkFile* f = file_open(path.c_str());
  ASSERT_NE(f, nullptr);
  for (size_t b = 0; b < 9; ++b) {
    file_seek(f, static_cast<int64_t>(b * kBlock + 5), 0);
    EXPECT_EQ(file_getc(f), pattern(b * kBlock + 5));
  }
  int before = disk.reads;
  file_seek(f, 8 * kBlock, 0);  // still cached
  file_seek(f, 2 * kBlock, 0);  // still cached
  EXPECT_EQ(disk.reads, before);
  file_seek(f, 0, 0);  // block 0 was the oldest and made room for block 8
  EXPECT_EQ(disk.reads, before + 1);
  EXPECT_EQ(file_getc(f), pattern(0));
  file_close(f);
}

TEST_F(FileLayer, EndOfFile) {
  std::string path = write_file("vv_end.bin", "xyz");
  TkFile* f = file_open(path.c_str());
  ASSERT_NE(f, nullptr);
  file_seek(f, 2, 0);
  EXPECT_EQ(file_getc(f), 'z');
  EXPECT_EQ(file_eof(f), 0);
  EXPECT_EQ(file_getc(f), 0);
  EXPECT_EQ(file_eof(f), 1);
  EXPECT_EQ(file_ungetc('q', f), 1);
  EXPECT_EQ(file_eof(f), 0);
  EXPECT_EQ(file_getc(f), 'q');
  file_close(f);

  EXPECT_EQ(file_open(write_file("vv_empty.bin", "").c_str()), nullptr);
  EXPECT_EQ(file_open(temp_path("vv_missing.bin").c_str()), nullptr);
}

TEST_F(FileLayer, ShortReadReturnsWhatWasRead) {
  std::string path = write_file("vv_short.bin", patterned(kBlock + 1000));
  TkFile* f = file_open(path.c_str());
  ASSERT_NE(f, nullptr);
  file_seek(f, kBlock - 3000, 0);
  std::vector<uint8_t> buf(3 * 1500, 0xEE);
  EXPECT_EQ(file_read(buf.data(), 1500, 3, f), 2u) << "4000 bytes are left: two whole items";
  EXPECT_EQ(file_eof(f), 1);
  EXPECT_EQ(buf[3999], pattern(kBlock + 999));
  EXPECT_EQ(buf[4000], 0xEE) << "nothing written past what the file held";
  EXPECT_EQ(file_read(buf.data(), 1, 10, f), 0u);
  file_close(f);
}

TEST_F(FileLayer, LinesWithEveryKindOfLineEnd) {
  std::string path = write_file("vv_lines.txt", "one\r\ntwo\n\rthree\rfour\nlast");
  TkFile* f = file_open(path.c_str());
  ASSERT_NE(f, nullptr);
  const char* const lines[] = {"one\r", "two\n", "three\r", "four\n", "last"};
  char buf[64];
  for (const char* want : lines) {
    char* end = file_gets(buf, sizeof buf, f);
    ASSERT_NE(end, nullptr) << want;
    EXPECT_STREQ(buf, want);
    EXPECT_EQ(*end, 0);
    EXPECT_EQ(end - buf, static_cast<long>(std::strlen(want)));
  }
  EXPECT_EQ(file_gets(buf, sizeof buf, f), nullptr);
  file_close(f);

  f = file_open(path.c_str());
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(file_gets(buf, 0, f), nullptr);
  char small[3];
  file_gets(small, sizeof small, f);
  EXPECT_STREQ(small, "on") << "a full buffer ends in its last byte";
  file_close(f);
}

TEST_F(FileLayer, BothSeparatorsOpen) {
  std::string dir = ::testing::TempDir();
  std::string path = write_file("vv_sep.bin", "sep");
  std::string back = path;
  for (char& c : back)
    if (c == '/') c = '\\';
  for (const std::string& p : {path, back}) {
    TkFile* f = file_open(p.c_str());
    ASSERT_NE(f, nullptr) << p;
    EXPECT_EQ(file_getc(f), 's');
    file_close(f);
  }
}

// A failing disk: each attempt is reported, the attempts are bounded, and the block then reads
// as the end of the file with error 30; the file works again once the disk does.
TEST_F(FileLayer, FailingBlockReadIsRetriedABoundedNumberOfTimes) {
  serve_init_data(builtin_init_data());
  uint16_t status = 0;
  ASSERT_EQ(tk_init_core(nullptr, 1, &status), 1);
  std::string path = write_file("vv_badsector.bin", patterned(3 * kBlock));
  TkFile* f = file_open(path.c_str());
  ASSERT_NE(f, nullptr);
  disk.fail_from = disk.reads;
  disk.fail_count = 1000;
  file_seek(f, 2 * kBlock, 0);
  EXPECT_EQ(disk.critical[1], static_cast<int>(TK_FILE_READ_ATTEMPTS));
  EXPECT_EQ(file_eof(f), 1);
  uint8_t buf[16];
  EXPECT_EQ(file_read(buf, 1, sizeof buf, f), 0u);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_UNEXPECTED_EOF);

  disk.fail_count = 0;
  file_seek(f, kBlock + 7, 0);
  EXPECT_EQ(file_getc(f), pattern(kBlock + 7));
  file_seek(f, 2 * kBlock + 1, 0);
  EXPECT_EQ(file_getc(f), pattern(2 * kBlock + 1)) << "a block given up on is read again";
  file_close(f);
  tk_shutdown_core();
}

TEST_F(FileLayer, TransientReadFailureRecovers) {
  std::string path = write_file("vv_transient.bin", patterned(2 * kBlock));
  TkFile* f = file_open(path.c_str());
  ASSERT_NE(f, nullptr);
  disk.fail_from = disk.reads;
  disk.fail_count = static_cast<int>(TK_FILE_READ_ATTEMPTS) - 1;
  file_seek(f, kBlock + 3, 0);
  EXPECT_EQ(disk.critical[1], disk.fail_count);
  EXPECT_EQ(file_eof(f), 0);
  EXPECT_EQ(file_getc(f), pattern(kBlock + 3));
  file_close(f);
}

TEST_F(FileLayer, OpenFailsCleanlyAtEveryAllocation) {
  std::string path = write_file("vv_alloc.bin", "abc");
  for (long n = 0; n < 1 + static_cast<long>(TK_FILE_SLOTS); ++n) {
    use_counting_allocator(n);
    TkHostLayer layer{};
    layer.alloc = counting_alloc;
    layer.free = counting_free;
    layer.critical_error = disk_critical;
    tk_set_host_layer(&layer);
    disk = Disk{};
    EXPECT_EQ(file_open(path.c_str()), nullptr) << n;
    EXPECT_EQ(counts.live, 0) << n;
    EXPECT_EQ(disk.critical[2], n == 0 ? 0 : 1) << "buffer exhaustion is reported";
  }
}

TEST(MemoryLayer, CopyAndPointerArrays) {
  char a[16] = "abcdefghijklmno";
  EXPECT_EQ(mem_copy(a + 2, a, 9), 1);  // overlapping copies keep the source's bytes
  EXPECT_STREQ(a, "ababcdefghilmno");
  void** blocks = static_cast<void**>(mem_alloc(3 * sizeof(void*)));
  for (int i = 0; i < 3; ++i) blocks[i] = mem_alloc(10);
  tk_free_pointer_array(blocks, 3);  // the sanitizer sees a leak or a double free
  EXPECT_EQ(mem_free_ok(nullptr), 1);
}
