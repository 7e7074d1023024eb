// The output context: the failed-write protocol with the application's answers, the release
// settings, and a save that never harms the file it replaces (a read-only target, a write that
// fails half-way). Also the extended-data encoding and its refusal of values the byte form
// cannot hold.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "tests/toolkit/core/core_support.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/hdr.h"
#include "toolkit/write/save.h"
#include "toolkit/write/xdata_write.h"

namespace {

std::vector<int16_t> answers;  // what the application answers, in turn
std::vector<int16_t> codes;    // what it was asked

int16_t answer(int16_t code) {
  codes.push_back(code);
  if (code == 4 || answers.empty()) return 2;
  int16_t a = answers.front();
  answers.erase(answers.begin());
  return a;
}

std::string slurp(const std::string& path) {
  std::string out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return out;
}

class WriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    core_test::serve_init_data(core_test::builtin_init_data());
    uint16_t status = 0;
    ASSERT_EQ(tk_init_core(nullptr, 1, &status), 1);
    char tmpl[] = "/tmp/vv-writer-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    answers.clear();
    codes.clear();
  }
  void TearDown() override {
    tk_set_write_error_callback(nullptr);
    std::string cmd = "chmod -R u+w '" + dir + "'; rm -rf '" + dir + "'";
    (void)std::system(cmd.c_str());
    tk_shutdown_core();
  }
  // A context whose stream fails every write.
  TkWriter* failing_writer() {
    TkWriter* w = writer_open((dir + "/f.dwg").c_str(), TK_VERSION_AC1015, TK_FILE_DWG);
    EXPECT_NE(w, nullptr);
    std::fclose(w->file);
    w->file = std::fopen(w->temp, "rb");  // read-only: writes fail
    EXPECT_NE(w->file, nullptr);
    return w;
  }
  std::string dir;
};

TEST_F(WriterTest, FailedWritesFollowTheApplicationsAnswer) {
  struct Case {
    const char* name;
    bool callback;
    std::vector<int16_t> answers;
    std::vector<int16_t> codes;
  };
  const Case cases[] = {
      {"no callback: one attempt", false, {}, {}},
      {"retry twice, then give up", true, {1, 1, 2}, {3, 3, 3}},
      {"close the file", true, {0}, {3, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    answers = c.answers;
    codes.clear();
    tk_set_write_error_callback(c.callback ? answer : nullptr);
    TkWriter* w = failing_writer();
    EXPECT_EQ(out_write(w, "abcd", 0), 1) << "nothing to write is no failure";
    EXPECT_EQ(tk_get_last_error(), 0);
    EXPECT_EQ(out_write(w, "abcd", 4), 0);
    EXPECT_EQ(tk_get_last_error(), TK_ERR_DISK_FULL);
    EXPECT_EQ(codes, c.codes);
    writer_abandon(w);
  }
}

TEST_F(WriterTest, ReleaseSettings) {
  TkWriter* w = writer_open((dir + "/a.dwg").c_str(), 3, TK_FILE_DWG);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->bylayer_number, 256);
  EXPECT_EQ(w->byblock_number, 255);
  writer_set_version(w, 7, w->header);
  EXPECT_STREQ(w->header->acadver, "AC1015");
  for (uint16_t size : w->old_table_sizes) EXPECT_EQ(size, 0);
  writer_abandon(w);
  w = writer_open((dir + "/a.dwg").c_str(), 4, TK_FILE_DWG);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->bylayer_number, 32767);
  EXPECT_EQ(w->byblock_number, 32766);
  writer_set_version(w, 4, w->header);
  EXPECT_STREQ(w->header->acadver, "AC1009");
  const uint16_t sizes[10] = {45, 198, 191, 153, 109, 253, 41, 324, 37, 43};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(w->old_table_sizes[i], sizes[i]);
  writer_abandon(w);
}

// A save that cannot complete leaves the old file as it was and no temporary file behind.
TEST_F(WriterTest, AFailedSaveLeavesTheOldFileWhole) {
  std::string target = dir + "/old.dwg";
  FILE* f = std::fopen(target.c_str(), "wb");
  std::fputs("the old drawing", f);
  std::fclose(f);
  TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, TK_VERSION_AC1015);
  ASSERT_NE(d, nullptr);

  // A read-only target is refused before anything is written.
  chmod(target.c_str(), 0444);
  if (access(target.c_str(), W_OK) != 0) {  // (root may write anyway)
    EXPECT_EQ(tk_save_drawing(d, target.c_str(), TK_FILE_DWG, TK_VERSION_AC1015, 0, 16, 0, 0), 0);
    EXPECT_EQ(tk_get_last_error(), TK_ERR_OPEN_FILE);
    EXPECT_EQ(slurp(target), "the old drawing");
  }
  chmod(target.c_str(), 0644);

  // A write that fails half-way (the disk full) abandons the temporary file.
  TkWriter* w = writer_open(target.c_str(), TK_VERSION_AC1015, TK_FILE_DWG);
  ASSERT_NE(w, nullptr);
  std::string temp = w->temp;
  FILE* full = std::fopen("/dev/full", "wb");
  if (full) {
    std::fclose(w->file);
    w->file = full;
    // Buffered, the bytes seem written; the disk tells only when they are flushed.
    EXPECT_EQ(out_write(w, "new bytes", 9), 1);
    EXPECT_EQ(writer_commit(w), 0);
    EXPECT_EQ(tk_get_last_error(), TK_ERR_DISK_FULL);
  } else {
    writer_abandon(w);
  }
  EXPECT_EQ(slurp(target), "the old drawing");
  EXPECT_NE(access(temp.c_str(), F_OK), 0) << "the temporary file is removed";

  // A complete save replaces the file.
  EXPECT_EQ(tk_save_drawing(d, target.c_str(), TK_FILE_DWG, TK_VERSION_AC1015, 0, 16, 0, 0), 1);
  EXPECT_EQ(slurp(target).substr(0, 6), "AC1015");
  tk_close_drawing(d);
}

TEST_F(WriterTest, ExtendedDataItems) {
  uint8_t space[64];
  TkXdataBuffer b{space, sizeof space, 0};
  TkXdataItem item{};
  item.code = 1000;
  std::strcpy(reinterpret_cast<char*>(item.value), "ABC");
  struct Case {
    int16_t version;
    std::vector<uint8_t> bytes;
  };
  const Case strings[] = {{6, {0, 3, 0, 30, 'A', 'B', 'C'}},
                          {5, {0, 3, 0, 12, 'A', 'B', 'C'}},
                          {4, {0, 3, 'A', 'B', 'C'}}};
  for (const Case& c : strings) {
    TkXdataTarget t{};
    t.version = c.version;
    xdata_buffer_reset(&b);
    ASSERT_EQ(xdata_serialize(&b, &t, &item), 1);
    EXPECT_EQ(std::vector<uint8_t>(space, space + b.used), c.bytes) << c.version;
  }
  TkXdataTarget t{};
  t.version = 6;
  xdata_buffer_reset(&b);
  item.code = 1002;
  std::strcpy(reinterpret_cast<char*>(item.value), "}");
  ASSERT_EQ(xdata_serialize(&b, &t, &item), 1);
  item.code = 1070;
  int16_t v = 300;
  std::memcpy(item.value, &v, 2);
  ASSERT_EQ(xdata_serialize(&b, &t, &item), 1);
  EXPECT_EQ(std::vector<uint8_t>(space, space + b.used), (std::vector<uint8_t>{2, 1, 70, 44, 1}));

  // A 300-byte string has no length byte to hold it; a full buffer takes no more.
  item.code = 1000;
  std::memset(item.value, 'x', 300);
  item.value[300] = 0;
  size_t before = b.used;
  EXPECT_EQ(xdata_serialize(&b, &t, &item), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_XDATA_WRITE);
  EXPECT_EQ(b.used, before);
  item.value[60] = 0;
  EXPECT_EQ(xdata_serialize(&b, &t, &item), 0) << "60 bytes do not fit the 64-byte buffer";
  EXPECT_EQ(b.used, before);
}

}  // namespace
