// Freeing a drawing's lists: every table kind, the block list, the object list and the entity
// lists are given records that own blobs, and closing the drawing must leave nothing behind
// (the fixture's counting allocator checks). Also the generic freer on its own.
#include "toolkit/core/free.h"

#include <gtest/gtest.h>

#include <cstring>

#include "entity_support.h"
#include "toolkit/core/blob.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/list.h"
#include "toolkit/core/object.h"
#include "toolkit/core/symtab.h"

using namespace entity_test;

namespace {

// Gives the record (a fresh one stored in the list when the list is empty) new blobs in the
// named fields.
template <typename Record>
void give_blobs(TkList* list, std::initializer_list<TkBlob* Record::*> fields) {
  if (list_count(list) == 0) {
    Record r{};
    record_store(&r, sizeof r, list);
  }
  for (TkLink* l = list_first(list); l; l = l->next) {
    auto* r = static_cast<Record*>(tk_link_data(l));
    for (auto field : fields) {
      blob_free(r->*field);
      r->*field = blob_alloc(64);
      TkBlob* w = blob_create(r->*field);
      blob_write_zeros(w, 100);
      blob_close_write(w);
    }
  }
}

TkBlob* filled_blob() {
  TkBlob* b = blob_alloc(64);
  TkBlob* w = blob_create(b);
  blob_write_zeros(w, 200);
  blob_close_write(w);
  return b;
}

using FreeTest = DrawingTest;

TEST_F(FreeTest, ClosingADrawingFreesEveryListWithTheBlobsItsRecordsOwn) {
  give_blobs<TkLayerRecord>(&d->layers, {&TkLayerRecord::xdata, &TkLayerRecord::reactors});
  give_blobs<TkLinetypeRecord>(&d->linetypes,
                               {&TkLinetypeRecord::xdata, &TkLinetypeRecord::reactors});
  give_blobs<TkViewRecord>(&d->views, {&TkViewRecord::reactors});
  give_blobs<TkVportRecord>(&d->vports, {&TkVportRecord::xdata, &TkVportRecord::reactors});
  give_blobs<TkDimStyleRecord>(&d->dimstyles, {&TkDimStyleRecord::reactors});
  give_blobs<TkTextStyleRecord>(&d->styles, {&TkTextStyleRecord::reactors});
  give_blobs<TkAppIdRecord>(&d->appids, {&TkAppIdRecord::xdata, &TkAppIdRecord::reactors});
  give_blobs<TkUcsRecord>(&d->ucss, {&TkUcsRecord::reactors});

  TkBlockRecord block;
  tk_init_block_record(&block);
  std::strcpy(block.name, "B");
  block.handle = H(0x800);
  block.first_blob = filled_blob();
  block.second_blob = filled_blob();
  ASSERT_EQ(tk_add_block(d, &block), 1);
  give_blobs<TkBlockRecord>(&d->blocks, {&TkBlockRecord::first_blob,
                                         &TkBlockRecord::second_blob});

  static TkEntityHeader h;
  static TkEntityData data;
  TkList* lists[] = {&d->model_entities, &d->paper_entities,
                     tk_block_entity_list(d, &block.handle)};
  uint64_t next = 0x900;
  for (TkList* list : lists) {
    ASSERT_NE(list, nullptr);
    make(TK_MTEXT, next++, &h, &data);
    h.xdata = filled_blob();
    h.reactors = filled_blob();
    tk_data_put(&data, TK_MTEXT_BLOB, filled_blob());
    ASSERT_EQ(tk_add_entity(d, list, &h, &data), 1);
    make(TK_VIEWPORT, next++, &h, &data);
    tk_data_put(&data, TK_VIEWPORT_BLOB, filled_blob());
    ASSERT_EQ(tk_add_entity(d, list, &h, &data), 1);
    make(TK_INSERT, next++, &h, &data);
    tk_data_put(&data, TK_INSERT_BLOCK, block.handle);
    ASSERT_EQ(tk_add_entity(d, list, &h, &data), 1);
  }

  TkObjectHeader oh{};
  TkObjectData od;
  for (uint16_t type : {uint16_t(TK_OBJ_DICTIONARY), uint16_t(TK_OBJ_MLINESTYLE),
                        uint16_t(TK_OBJ_GROUP), uint16_t(999)}) {
    oh.type = type;
    tk_init_object(d, &oh, &od);
    oh.handle = H(next++);
    oh.reactors = filled_blob();
    switch (type) {
      case TK_OBJ_DICTIONARY: od.dictionary.entries = filled_blob(); break;
      case TK_OBJ_MLINESTYLE: od.mlinestyle.elements = filled_blob(); break;
      case TK_OBJ_GROUP: od.group.entities = filled_blob(); break;
      default:
        od.generic.data = filled_blob();
        od.generic.handles = filled_blob();
        break;
    }
    ASSERT_EQ(tk_object_add(d, &oh, &od), 1);
  }
  // TearDown closes the drawing and checks that every block came back.
}

TEST_F(FreeTest, TheGenericFreerFreesTheNamedBlobsAndLeavesTheListEmpty) {
  struct Record {
    uint32_t before;
    TkBlob* a;
    TkBlob* b;
  };
  TkList* list = list_new();
  long live = core_test::counts.live;
  const uint16_t none[4] = {TK_NO_BLOB, TK_NO_BLOB, TK_NO_BLOB, TK_NO_BLOB};
  tk_free_record_list(list, none);
  EXPECT_EQ(list_count(list), 0);
  for (int i = 0; i < 3; ++i) {
    Record r{uint32_t(i), filled_blob(), i == 1 ? nullptr : filled_blob()};
    record_store(&r, sizeof r, list);
  }
  const uint16_t places[4] = {uint16_t(offsetof(Record, a)), uint16_t(offsetof(Record, b)),
                              TK_NO_BLOB, TK_NO_BLOB};
  tk_free_record_list(list, places);
  EXPECT_EQ(list_count(list), 0);
  EXPECT_EQ(list_first(list), nullptr);
  EXPECT_EQ(core_test::counts.live, live);
  tk_free_record_list(nullptr, places);
  list_free(list);
}

}  // namespace
