// Items in blobs and the object list: extended-data item sizes and read-back lengths, group
// items of every stored form (330 handles reversed, unknown codes refused), lengths from a
// damaged blob, dictionary entries and lookups, and object add/get/replace/delete with blob
// ownership and the errors of unknown handles.
#include "toolkit/core/object.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "entity_support.h"
#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/symtab.h"

using namespace entity_test;

namespace {

// A blob written by fill and read back by check, freed at the end.
template <typename Fill, typename Check>
void with_blob(Fill fill, Check check) {
  TkBlob* stored = blob_alloc(TK_BLOB_CHUNK_SIZE);
  ASSERT_NE(stored, nullptr);
  TkBlob* w = blob_create(stored);
  fill(w);
  blob_close_write(w);
  TkBlob* r = blob_open_read(stored);
  check(r, blob_stored_size(stored));
  blob_close(r);
  blob_free(stored);
}

using ObjectTest = DrawingTest;

TEST_F(ObjectTest, ExtendedDataItemsTakeTheLengthOfTheirCode) {
  struct Case {
    uint16_t code;
    std::string value;  // for the codes whose length the caller gives
    int32_t blob_bytes;
    uint16_t read_length;
  };
  const Case cases[] = {
      {1000, "abc", 11, 0}, {1001, "", 16, 0},         {1002, "", 9, 0},
      {1003, "", 16, 0},    {1004, "\1\2\3\4\5", 13, 5}, {1005, "", 16, 0},
      {1010, "", 32, 0},    {1013, "", 32, 0},          {1040, "", 16, 0},
      {1042, "", 16, 0},    {1070, "", 10, 0},          {1071, "", 12, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("code " + std::to_string(c.code));
    with_blob(
        [&](TkBlob* w) {
          TkXdataItem item{};
          item.code = c.code;
          item.length = uint16_t(c.value.size());
          std::memcpy(item.value, c.value.data(), c.value.size());
          if (c.value.empty())
            for (size_t i = 0; i < 24; ++i) item.value[i] = uint8_t(i + 1);
          ASSERT_EQ(xdata_append_item(w, &item), 1);
        },
        [&](TkBlob* r, int32_t size) {
          EXPECT_EQ(size, c.blob_bytes);
          TkXdataItem item;
          std::memset(&item, 0x55, sizeof item);
          ASSERT_EQ(xdata_read_item(r, &item), 1);
          EXPECT_EQ(item.code, c.code);
          EXPECT_EQ(item.length, c.read_length);
          if (c.code == 1000) {
            EXPECT_STREQ(reinterpret_cast<char*>(item.value), "abc");
          }
          if (c.code == 1004) {
            EXPECT_EQ(std::memcmp(item.value, "\1\2\3\4\5", 5), 0);
          }
          EXPECT_EQ(xdata_read_item(r, &item), 0) << "only one item";
        });
  }
}

TEST_F(ObjectTest, ItemLengthsFromADamagedBlobAreRefused) {
  with_blob(
      [](TkBlob* w) {
        // A 1000 string claiming 600 characters, more than any caller's buffer holds.
        uint8_t head[8] = {0xE8, 0x03, 0x58, 0x02};
        blob_write(w, head, 8);
        blob_write_zeros(w, 600);
      },
      [](TkBlob* r, int32_t) {
        TkXdataItem item;
        EXPECT_EQ(xdata_read_item(r, &item), 0);
      });
  with_blob(
      [](TkBlob* w) {
        uint16_t code = 1, length = 900;
        blob_write(w, &code, 2);
        blob_write(w, &length, 2);
        blob_write_zeros(w, 1);
        blob_write_zeros(w, 900);
      },
      [](TkBlob* r, int32_t) {
        TkGroupItem item;
        EXPECT_EQ(resbuf_read_item(r, &item), 0);
      });
  TkXdataItem item;
  EXPECT_EQ(xdata_read_item(nullptr, &item), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_READ_NULL_BLOB);
}

TEST_F(ObjectTest, GroupItemsOfEveryStoredForm) {
  struct Case {
    uint16_t code;
    size_t value_bytes;  // compared after the round trip
    uint16_t length;     // as the caller gives it and reads it back
    int32_t blob_bytes;
  };
  const Case cases[] = {
      {1, 0, 0, 2 + 2 + 1 + 5},   {100, 0, 0, 10},  {1004, 4, 4, 2 + 1 + 4},
      {10, 24, 0, 26},            {1011, 24, 0, 26}, {70, 2, 0, 4},    {175, 2, 0, 4},
      {90, 4, 0, 6},              {1071, 4, 0, 6},   {40, 8, 0, 10},   {1041, 8, 0, 10},
      {310, 7, 7, 2 + 1 + 7},     {340, 8, 0, 10},   {330, 8, 0, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("code " + std::to_string(c.code));
    TkGroupItem in{};
    in.code = c.code;
    in.length = c.length;
    if (c.value_bytes == 0)
      std::strcpy(reinterpret_cast<char*>(in.value), "hello");
    else
      for (size_t i = 0; i < c.value_bytes; ++i) in.value[i] = uint8_t(i + 1);
    with_blob([&](TkBlob* w) { ASSERT_EQ(xd_append_group(w, &in), 1); },
              [&](TkBlob* r, int32_t size) {
                EXPECT_EQ(size, c.blob_bytes);
                TkGroupItem out;
                std::memset(&out, 0x55, sizeof out);
                ASSERT_EQ(resbuf_read_item(r, &out), 1);
                EXPECT_EQ(out.code, c.code);
                EXPECT_EQ(out.length, c.length);
                if (c.value_bytes == 0) {
                  EXPECT_STREQ(reinterpret_cast<char*>(out.value), "hello");
                } else {
                  EXPECT_EQ(std::memcmp(out.value, in.value, c.value_bytes), 0);
                }
              });
  }
  // In the blob a 330 handle stands with its bytes reversed.
  with_blob(
      [](TkBlob* w) {
        uint16_t code = 330;
        const uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        blob_write(w, &code, 2);
        blob_write(w, bytes, 8);
      },
      [](TkBlob* r, int32_t) {
        TkGroupItem out;
        ASSERT_EQ(resbuf_read_item(r, &out), 1);
        const uint8_t want[8] = {8, 7, 6, 5, 4, 3, 2, 1};
        EXPECT_EQ(std::memcmp(out.value, want, 8), 0);
      });
  for (uint16_t code : {1100, 20, 280, 1072}) {
    with_blob([&](TkBlob* w) { blob_write(w, &code, 2); },
              [&](TkBlob* r, int32_t) {
                TkGroupItem out;
                EXPECT_EQ(resbuf_read_item(r, &out), 0);
                EXPECT_EQ(tk_get_last_error(), TK_ERR_BAD_GROUP_CODE) << code;
              });
  }
  TkGroupItem out;
  EXPECT_EQ(resbuf_read_item(nullptr, &out), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_READ_NULL_BLOB);
  EXPECT_EQ(xd_append_group(nullptr, &out), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_WRITE_NULL_BLOB);
}

class ObjectListTest : public DrawingTest {
 protected:
  // A dictionary with the entries (name, object handle value).
  void add_dictionary(uint64_t handle, std::vector<std::pair<const char*, uint64_t>> entries,
                      uint32_t claimed_count = 0) {
    TkObjectHeader h{};
    h.type = TK_OBJ_DICTIONARY;
    TkObjectData data;
    tk_init_object(d, &h, &data);
    h.handle = H(handle);
    data.dictionary.entries = blob_alloc(TK_BLOB_CHUNK_SIZE);
    TkBlob* w = blob_create(data.dictionary.entries);
    for (auto [name, object] : entries) {
      TkDictEntry e{};
      std::strcpy(e.name, name);
      e.object = H(object);
      ASSERT_EQ(tk_dict_entry_write(w, &e), 1);
    }
    blob_close_write(w);
    data.dictionary.entry_count = claimed_count ? claimed_count : uint32_t(entries.size());
    ASSERT_EQ(tk_object_add(d, &h, &data), 1) << tk_get_last_error();
  }
};

TEST_F(ObjectListTest, DictionaryLookupsCompareNamesWithoutCaseAndStopAtTheBlobsEnd) {
  add_dictionary(0x900, {{"ACAD_GROUP", 0x901}, {"ACAD_MLINESTYLE", 0x902}});
  add_dictionary(0x910, {{"ONLY", 0x911}}, 1000000);  // a count from a damaged file
  TkHandle object;
  TkHandle dict = H(0x900);
  EXPECT_EQ(tk_dict_lookup(d, &dict, "acad_mlinestyle", &object), 1);
  EXPECT_TRUE(same(object, H(0x902)));
  EXPECT_EQ(tk_dict_lookup(d, &dict, "ACAD_LAYOUT", &object), 0);
  EXPECT_TRUE(tk_handle_is_null(&object));
  TkHandle damaged = H(0x910);
  EXPECT_EQ(tk_dict_lookup(d, &damaged, "MISSING", &object), 0);
  TkHandle not_a_dictionary = H(0x777);
  EXPECT_EQ(tk_dict_lookup(d, &not_a_dictionary, "ONLY", &object), 0);
}

TEST_F(ObjectListTest, AddGetReplaceAndDelete) {
  const int32_t before = tk_object_count(d);
  add_dictionary(0x920, {{"A", 1}});
  TkObjectHeader h{};
  TkObjectData data;
  h.type = tk_class_xrecord(d);
  ASSERT_NE(h.type, 0);
  tk_init_object(d, &h, &data);
  h.handle = H(0x921);
  h.reactors = blob_alloc(64);
  data.xrecord.items = blob_alloc(64);
  data.xrecord.item_count = 3;
  ASSERT_EQ(tk_object_add(d, &h, &data), 1);
  EXPECT_EQ(tk_object_count(d), before + 2);
  EXPECT_EQ(tk_object_add(d, &h, &data), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_ADD_DUPLICATE_HANDLE);

  TkObjectHeader got;
  TkObjectData back;
  ASSERT_EQ(tk_object_get(d, &h.handle, &got, &back), 1);
  EXPECT_EQ(got.type, h.type);
  EXPECT_EQ(back.xrecord.item_count, 3u);
  EXPECT_EQ(back.xrecord.items, data.xrecord.items);

  data.xrecord.item_count = 4;
  ASSERT_EQ(tk_object_replace(d, &h, &data), 1);
  ASSERT_EQ(tk_object_get(d, &h.handle, &got, &back), 1);
  EXPECT_EQ(back.xrecord.item_count, 4u);

  TkObjectHeader other = h;
  other.type = TK_OBJ_GROUP;
  EXPECT_EQ(tk_object_replace(d, &other, &data), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_OBJECT_OTHER_TYPE);
  other = h;
  other.handle = H(0x922);
  EXPECT_EQ(tk_object_replace(d, &other, &data), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_OBJECT_UNKNOWN);

  TkHandle first{};
  ASSERT_EQ(tk_object_first_of_type(d, h.type, &first), 1);

  TkHandle unknown = H(0x999);
  EXPECT_EQ(tk_object_delete(d, &unknown), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_OBJECT_UNKNOWN);
  // A handle of another list is no object either.
  TkHandle model;
  ASSERT_EQ(tk_find_record_by_name(d, "*MODEL_SPACE", &model), 1);
  EXPECT_EQ(tk_object_delete(d, &model), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_OBJECT_UNKNOWN);

  // Deleting frees the object's blobs (the fixture checks that nothing is left).
  ASSERT_EQ(tk_object_delete(d, &h.handle), 1);
  TkHandle dict = H(0x920);
  ASSERT_EQ(tk_object_delete(d, &dict), 1);
  EXPECT_EQ(tk_object_count(d), before);
  EXPECT_EQ(tk_object_get(d, &dict, &got, &back), 0);
}

TEST_F(ObjectListTest, MultilineStyleElementsAndDefaults) {
  TkObjectHeader h{};
  TkObjectData data;
  h.type = TK_OBJ_MLINESTYLE;
  tk_init_object(d, &h, &data);
  EXPECT_STREQ(data.mlinestyle.name, "STANDARD");
  h.handle = H(0x930);
  ASSERT_EQ(tk_object_add(d, &h, &data), 1);
  // A new MLINE takes the first multiline style as its style.
  TkEntityHeader eh;
  static TkEntityData ed;
  make(TK_MLINE, 0x931, &eh, &ed);
  TkHandle style = tk_data_get<TkHandle>(&ed, 40);
  TkHandle first{};
  ASSERT_EQ(tk_object_first_of_type(d, TK_OBJ_MLINESTYLE, &first), 1);
  EXPECT_TRUE(same(style, first));
}

}  // namespace
