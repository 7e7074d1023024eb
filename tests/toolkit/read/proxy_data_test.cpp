// Tests of reading stored class data back field by field: every field kind written by the bit
// writer reads back in order, also past the bit reader's first refill; a null blob, a text that
// does not fit and data that ends early give zeros and say so instead of reading past the blob.
#include "toolkit/read/proxy_data.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/toolkit/core/records_support.h"
#include "toolkit/core/blob.h"
#include "toolkit/read/bits_reader.h"
#include "toolkit/write/bits_writer.h"

namespace {

class ProxyData : public records_test::StartedToolkit {
 protected:
  void SetUp() override {
    records_test::StartedToolkit::SetUp();
    r_ = bits_reader_create();
    ASSERT_NE(r_, nullptr);
  }
  void TearDown() override {
    bits_reader_free(r_);
    records_test::StartedToolkit::TearDown();
  }
  TkBitReader* r_ = nullptr;
};

struct Fields {
  std::string text;
  TkHandle handle;
  int32_t bl;
  int16_t bs;
  double bd;
  double point[3];
};

void write_fields(TkBitWriter* w, const Fields& f) {
  bits_write_text(w, f.text.c_str());
  bits_write_handle(w, &f.handle, 5);
  bits_write_bl(w, f.bl);
  bits_write_bs(w, f.bs);
  bits_write_bd(w, f.bd);
  bits_write_3bd(w, f.point);
}

TEST_F(ProxyData, FieldsReadBackInOrderAcrossRefills) {
  const Fields cases[] = {
      {"", {{0, 0, 0, 0, 0, 0, 0, 0}}, 0, 0, 0.0, {0, 0, 0}},
      {"LAYOUT", {{0, 0, 0, 0, 0, 0, 0x12, 0x34}}, -7, 256, 1.0, {1.5, -2, 1e10}},
      {std::string(300, 'x'), {{1, 2, 3, 4, 5, 6, 7, 8}}, 1 << 30, -1, -0.25, {0, 0, 1}},
  };
  // Enough copies that the data outgrows the first refill of the reader's window.
  const int copies = 200;
  std::unique_ptr<TkBitWriter> w(new TkBitWriter());
  ASSERT_EQ(bits_blob_begin(w.get()), 1);
  for (int i = 0; i < copies; ++i)
    for (const Fields& f : cases) write_fields(w.get(), f);
  uint32_t bits = 0;
  TkBlob* blob = bits_blob_end(w.get(), &bits);
  ASSERT_NE(blob, nullptr);
  ASSERT_GT(blob_stored_size(blob), int32_t(TK_BITS_BLOB_REFILL));

  ASSERT_EQ(xd_open_proxy_data(r_, blob), 1);
  static char text[TK_PROXY_TEXT_MAX + 1];
  for (int i = 0; i < copies; ++i)
    for (const Fields& f : cases) {
      SCOPED_TRACE(i);
      TkHandle h{};
      int32_t bl = 1;
      int16_t bs = 1;
      double bd = 1, p[3] = {};
      ASSERT_EQ(xd_read_text(r_, text, sizeof text), 1);
      EXPECT_EQ(text, f.text);
      EXPECT_EQ(xd_read_handle(r_, &h), 1);
      EXPECT_EQ(tk_handle_compare(&h, &f.handle), 0);
      EXPECT_EQ(xd_read_long(r_, &bl), 1);
      EXPECT_EQ(bl, f.bl);
      EXPECT_EQ(xd_read_short(r_, &bs), 1);
      EXPECT_EQ(bs, f.bs);
      EXPECT_EQ(xd_read_double(r_, &bd), 1);
      EXPECT_EQ(bd, f.bd);
      EXPECT_EQ(xd_read_point(r_, p), 1);
      EXPECT_EQ(p[0], f.point[0]);
      EXPECT_EQ(p[2], f.point[2]);
    }
  EXPECT_EQ(r_->past_end, 0);
  xd_close_proxy_data(r_);
  blob_free(blob);
}

TEST_F(ProxyData, BadInputGivesZerosAndSaysSo) {
  EXPECT_EQ(xd_open_proxy_data(r_, nullptr), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_READ_NULL_BLOB);
  int32_t bl = 9;
  EXPECT_EQ(xd_read_long(r_, &bl), 1);
  EXPECT_EQ(bl, 0);

  std::unique_ptr<TkBitWriter> w(new TkBitWriter());
  ASSERT_EQ(bits_blob_begin(w.get()), 1);
  bits_write_text(w.get(), "too long for eight");
  bits_write_bd(w.get(), 2.0);
  uint32_t bits = 0;
  TkBlob* blob = bits_blob_end(w.get(), &bits);
  ASSERT_NE(blob, nullptr);
  ASSERT_EQ(xd_open_proxy_data(r_, blob), 1);
  char small[8] = "keep";
  EXPECT_EQ(xd_read_text(r_, small, sizeof small), 0);
  EXPECT_STREQ(small, "");
  static char text[TK_PROXY_TEXT_MAX + 1];
  ASSERT_EQ(xd_read_text(r_, text, sizeof text), 1) << "a refused text is not consumed";
  EXPECT_STREQ(text, "too long for eight");
  double d = 0;
  xd_read_double(r_, &d);
  EXPECT_EQ(d, 2.0);
  double p[3] = {1, 1, 1};
  xd_read_point(r_, p);
  EXPECT_EQ(r_->past_end, 1) << "the data ended";
  EXPECT_EQ(p[0], 0.0);
  xd_close_proxy_data(r_);
  blob_free(blob);
}

}  // namespace
