// Chunked blobs: writing, appending, reading and seeking across the 4096-byte chunk boundary,
// typed values, stored strings whose length does not fit their field, and allocation failures
// that must leave a readable, consistent blob and no leaks.
#include "toolkit/core/blob.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records_support.h"
#include "toolkit/core/handle.h"

namespace {

std::vector<uint8_t> pattern(size_t n, unsigned seed = 1) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * 7 + seed + (i >> 8));
  return v;
}

TkBlob* make_blob(const std::vector<uint8_t>& bytes, int16_t chunk = TK_BLOB_CHUNK_SIZE) {
  TkBlob* stored = blob_alloc(chunk);
  TkBlob* w = blob_create(stored);
  EXPECT_EQ(blob_write(w, bytes.data(), bytes.size()), 1);
  EXPECT_EQ(blob_close_write(w), 1);
  return stored;
}

std::vector<uint8_t> read_all(TkBlob* stored) {
  std::vector<uint8_t> out(size_t(blob_stored_size(stored)));
  TkBlob* r = blob_open_read(stored);
  EXPECT_EQ(blob_read(r, out.data(), out.size()), out.empty() ? 0 : 1);
  blob_close(r);
  return out;
}

int bad_length_reports = 0;
void count_error(int16_t code) {
  if (code == 5) ++bad_length_reports;
}

class BlobTest : public records_test::StartedToolkit {};

TEST_F(BlobTest, FullChunkThenAppendStartsASecondChunk) {
  auto bytes = pattern(4096);
  TkBlob* stored = make_blob(bytes);
  EXPECT_EQ(list_count(stored->chunks), 1);
  EXPECT_EQ(blob_stored_size(stored), 4096);

  TkBlob* a = blob_open_append(stored);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->position, 4096);
  EXPECT_EQ(blob_length(a), 4096);
  ASSERT_EQ(blob_write_byte(a, 0x5A), 1);
  EXPECT_EQ(blob_length(a), 4097);
  ASSERT_EQ(blob_close_append(a), 1);
  EXPECT_EQ(list_count(stored->chunks), 2);
  bytes.push_back(0x5A);
  EXPECT_EQ(read_all(stored), bytes);

  // Appending to a partly used last chunk continues it.
  a = blob_open_append(stored);
  ASSERT_EQ(blob_write(a, "xyz", 3), 1);
  ASSERT_EQ(blob_close_append(a), 1);
  EXPECT_EQ(list_count(stored->chunks), 2);
  EXPECT_EQ(blob_stored_size(stored), 4100);
  blob_free(stored);

  // Appending to a blob that was never written starts it.
  stored = blob_alloc(TK_BLOB_CHUNK_SIZE);
  a = blob_open_append(stored);
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(blob_write(a, "ab", 2), 1);
  ASSERT_EQ(blob_close_append(a), 1);
  EXPECT_EQ(read_all(stored), (std::vector<uint8_t>{'a', 'b'}));
  blob_free(stored);
}

TEST_F(BlobTest, TypedValuesAcrossTheChunkBoundary) {
  TkBlob* stored = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob_create(stored);
  ASSERT_EQ(blob_write_zeros(w, 4090), 1);  // the next values straddle the boundary
  const double p3[3] = {1.5, -2.25, 1e300};
  const double p2[2] = {3.0, 4.0};
  TkHandle h{{1, 2, 3, 4, 5, 6, 7, 8}};
  ASSERT_EQ(blob_write_double(w, 0.1), 1);
  ASSERT_EQ(blob_write_point3(w, p3), 1);
  ASSERT_EQ(blob_write_string(w, "straddles"), 1);
  ASSERT_EQ(blob_write_short_raw(w, -2), 1);
  ASSERT_EQ(blob_write_long_raw(w, 0x12345678), 1);
  ASSERT_EQ(blob_put_handle(w, &h), 1);
  ASSERT_EQ(blob_write_point2(w, p2), 1);
  ASSERT_EQ(blob_write_string(w, ""), 1);
  ASSERT_EQ(blob_write_byte(w, 0xEE), 1);
  ASSERT_EQ(blob_close_write(w), 1);

  TkBlob* r = blob_open_read(stored);
  ASSERT_EQ(blob_seek(r, 4090), 1);
  double d = 0, q3[3], q2[2];
  char text[16];
  int16_t s = 0;
  int32_t l = 0;
  TkHandle back{};
  uint8_t b = 0;
  ASSERT_EQ(blob_read_double(r, &d), 1);
  EXPECT_EQ(d, 0.1);
  ASSERT_EQ(blob_read_point3(r, q3), 1);
  EXPECT_EQ(q3[2], 1e300);
  ASSERT_EQ(blob_read_string(r, text, sizeof text), 1);
  EXPECT_STREQ(text, "straddles");
  ASSERT_EQ(blob_read_short_raw(r, &s), 1);
  EXPECT_EQ(s, -2);
  ASSERT_EQ(blob_read_long_raw(r, &l), 1);
  EXPECT_EQ(l, 0x12345678);
  ASSERT_EQ(blob_get_handle(r, &back), 1);
  EXPECT_EQ(memcmp(back.bytes, h.bytes, 8), 0);
  ASSERT_EQ(blob_read_point2(r, q2), 1);
  EXPECT_EQ(q2[1], 4.0);
  memset(text, 'x', sizeof text);
  ASSERT_EQ(blob_read_string(r, text, sizeof text), 1);
  EXPECT_STREQ(text, "");
  ASSERT_EQ(blob_read_byte(r, &b), 1);
  EXPECT_EQ(b, 0xEE);
  EXPECT_EQ(blob_read_byte(r, &b), 0);
  blob_close(r);
  blob_free(stored);
}

TEST_F(BlobTest, ShortReadsReadNothing) {
  TkBlob* stored = make_blob({1, 2, 3, 4});
  TkBlob* r = blob_open_read(stored);
  uint8_t five[5] = {};
  EXPECT_EQ(blob_read(r, five, 5), 0);
  EXPECT_EQ(blob_read_pos(r), 0);
  int32_t target = -1;
  ASSERT_EQ(blob_read_short(r, &target, sizeof target), 1);
  EXPECT_EQ(target, 0x0201);  // the upper two bytes cleared
  ASSERT_EQ(blob_unread_byte(r, 2), 1);
  EXPECT_EQ(blob_read_pos(r), 1);
  uint8_t c = 0;
  ASSERT_EQ(blob_read_byte(r, &c), 1);
  EXPECT_EQ(c, 2);
  blob_close(r);
  blob_free(stored);

  EXPECT_EQ(blob_get_handle(nullptr, nullptr), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_READ_NULL_BLOB);
  EXPECT_EQ(blob_put_handle(nullptr, nullptr), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_WRITE_NULL_BLOB);
  EXPECT_EQ(blob_free(nullptr), 0);
  EXPECT_EQ(blob_stored_size(nullptr), 0);
}

TEST_F(BlobTest, SeekAnywhereThenRead) {
  auto bytes = pattern(3 * 4096 + 100);
  TkBlob* stored = make_blob(bytes);
  TkBlob* r = blob_open_read(stored);
  const int32_t total = int32_t(bytes.size());
  // In order: inside the first chunk, the same chunk again, a later chunk, back to an earlier
  // one, chunk starts and the last byte.
  const int32_t offsets[] = {0, 10, 4000, 4095, 4096, 9000, 8192, 5, 12287, 12288, total - 1};
  for (int32_t off : offsets) {
    ASSERT_EQ(blob_seek(r, off), 1) << off;
    EXPECT_EQ(blob_read_pos(r), off);
    uint8_t got[2] = {};
    size_t n = off + 2 <= total ? 2 : 1;
    ASSERT_EQ(blob_read(r, got, n), 1) << off;
    EXPECT_EQ(got[0], bytes[size_t(off)]) << off;
    if (n == 2) {
      EXPECT_EQ(got[1], bytes[size_t(off) + 1]) << off;
    }
  }
  // Putting back the byte in front of a chunk start reaches into the chunk before.
  ASSERT_EQ(blob_seek(r, 8192), 1);
  uint8_t c = 0;
  ASSERT_EQ(blob_read_byte(r, &c), 1);
  ASSERT_EQ(blob_seek(r, 8192), 1);
  ASSERT_EQ(blob_unread_byte(r, bytes[8191]), 1);
  EXPECT_EQ(blob_read_pos(r), 8191);
  int32_t two = 0;
  ASSERT_EQ(blob_read_long(r, &two, sizeof two), 1);
  EXPECT_EQ(uint8_t(two), bytes[8191]);
  EXPECT_EQ(uint8_t(two >> 8), c);

  ASSERT_EQ(blob_seek(r, total), 1);
  EXPECT_EQ(r->remaining, 0);
  EXPECT_EQ(blob_seek(r, total + 1), 0);
  EXPECT_EQ(blob_seek(r, -1), 0);
  blob_close(r);
  blob_free(stored);
}

TEST_F(BlobTest, StoredStringMustLeaveRoomForItsZero) {
  tk_state->error_callback = count_error;
  bad_length_reports = 0;
  TkBlob* stored = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob_create(stored);
  blob_write_string(w, "12345678");
  int16_t negative = -3;
  blob_write_short_raw(w, negative);
  blob_close_write(w);

  TkBlob* r = blob_open_read(stored);
  char field[9];
  memset(field, '#', sizeof field);
  // A capacity of 8 has no room for 8 characters and the zero: refused, nothing written or read.
  EXPECT_EQ(blob_read_string(r, field, 8), 0);
  EXPECT_EQ(field[8], '#');
  EXPECT_EQ(blob_read_pos(r), 0);
  EXPECT_EQ(bad_length_reports, 1);
  ASSERT_EQ(blob_read_string(r, field, 9), 1);
  EXPECT_STREQ(field, "12345678");
  EXPECT_EQ(blob_read_string(r, field, 9), 0);  // a negative length
  EXPECT_EQ(bad_length_reports, 2);
  blob_close(r);
  blob_free(stored);
  tk_state->error_callback = nullptr;
}

TEST_F(BlobTest, FindStringCopyAndOverwrite) {
  TkBlob* names = blob_alloc(16);  // small chunks: the strings cross chunk ends
  TkBlob* w = blob_create(names);
  for (const char* s : {"Dashed", "CENTER2", "phantom"}) blob_write(w, s, strlen(s) + 1);
  blob_close_write(w);
  struct Case {
    const char* name;
    int16_t found;
  } const cases[] = {
      {"dashed", 1}, {"ACAD_ISO_DASHEDX", 1}, {"CENTER", 1}, {"Phantom2", 1}, {"HIDDEN", 0}};
  for (const Case& c : cases) EXPECT_EQ(blob_find_string(names, c.name), c.found) << c.name;

  auto bytes = pattern(9000, 3);
  TkBlob* source = make_blob(bytes);
  TkBlob* target = make_blob(pattern(10));
  ASSERT_EQ(blob_copy(target, source), 1);
  EXPECT_EQ(read_all(target), bytes);

  const uint8_t patch[6] = {9, 9, 9, 9, 9, 9};
  ASSERT_EQ(blob_overwrite(target, 4093, patch, sizeof patch), 1);
  std::copy(patch, patch + 6, bytes.begin() + 4093);
  EXPECT_EQ(read_all(target), bytes);
  EXPECT_EQ(blob_overwrite(target, 8998, patch, 3), 0);
  EXPECT_EQ(read_all(target), bytes);

  blob_free(names);
  blob_free(source);
  blob_free(target);
}

TEST_F(BlobTest, AllocationFailuresLeaveAConsistentBlobAndNoLeaks) {
  const auto first = pattern(4100, 5);
  const auto more = pattern(5000, 6);
  for (long n = 0;; ++n) {
    TkBlob* stored = make_blob(first);
    fail_allocation(n);
    TkBlob* a = blob_open_append(stored);
    int16_t ok = a ? blob_write(a, more.data(), more.size()) : 0;
    if (a) ok = blob_close_append(a) && ok;
    fail_allocation(-1);
    auto got = read_all(stored);
    size_t chunk_bytes = 0;
    for (TkLink* l = list_first(stored->chunks); l; l = l->next) chunk_bytes += l->size;
    EXPECT_EQ(chunk_bytes, got.size()) << "failing allocation " << n;
    blob_free(stored);
    if (ok) {
      std::vector<uint8_t> all = first;
      all.insert(all.end(), more.begin(), more.end());
      EXPECT_EQ(got, all);
      break;
    }
    // The blob's earlier bytes survive, followed by whatever was stored before the failure.
    ASSERT_GE(got.size(), first.size()) << n;
    EXPECT_TRUE(std::equal(first.begin(), first.end(), got.begin())) << n;
  }
}

TEST_F(BlobTest, FailedRewriteKeepsTheOldBytes) {
  const auto old_bytes = pattern(100, 9);
  TkBlob* stored = make_blob(old_bytes);
  TkBlob* w = blob_create(stored);
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(blob_write(w, "new", 3), 1);
  fail_allocation(0);
  EXPECT_EQ(blob_close_write(w), 0);
  fail_allocation(-1);
  EXPECT_EQ(read_all(stored), old_bytes);
  blob_free(stored);
}

TEST_F(BlobTest, FailedCopyLeavesTheTargetAsItWas) {
  const auto old_bytes = pattern(5000, 7);
  const auto new_bytes = pattern(9000, 8);
  TkBlob* source = make_blob(new_bytes);
  TkBlob* target = make_blob(old_bytes);
  for (long n = 0;; ++n) {
    fail_allocation(n);
    int16_t ok = blob_copy(target, source);
    fail_allocation(-1);
    if (ok) break;
    EXPECT_EQ(read_all(target), old_bytes) << "failing allocation " << n;
  }
  EXPECT_EQ(read_all(target), new_bytes);
  blob_free(source);
  blob_free(target);
}

}  // namespace
