// Class list: numbering, finding without regard to case, updating, the known-class slots and a
// failed add that must leave list and slots as they were.
#include "toolkit/core/class_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drawing_fixture.h"
#include "records_support.h"

namespace {

class ClassListTest : public records_test::StartedToolkit {};

TkClassRecord make_class(uint16_t number, const char* dxf_name) {
  TkClassRecord r{};
  r.number = number;
  strcpy(r.dxf_name, dxf_name);
  r.proxy_flags = int16_t(TK_CLASS_UNUSED);
  r.item_class = TK_CLASS_ITEM_OBJECT;
  return r;
}

std::vector<std::string> names(TkDrawing* d) {
  std::vector<std::string> out;
  TkClassRecord r;
  class_list_rewind(d);
  while (class_list_next(d, &r)) out.push_back(std::to_string(r.number) + " " + r.dxf_name);
  return out;
}

TEST_F(ClassListTest, NumbersFollowTheLargestInTheList) {
  records_test::BareDrawing d;
  EXPECT_EQ(class_next_number(d.get()), 500);
  EXPECT_EQ(class_ensure(d.get(), "LWPOLYLINE", "AcDbPolyline", "AutoCAD 2000", int16_t(0x8000),
                         TK_CLASS_ITEM_ENTITY, 0),
            500);
  TkClassRecord r = make_class(503, "XRECORD");
  ASSERT_EQ(class_add(d.get(), &r), 1);
  EXPECT_EQ(class_next_number(d.get()), 504);
  // An existing name in any case adds nothing.
  EXPECT_EQ(class_ensure(d.get(), "lwPolyline", "x", "y", 0, TK_CLASS_ITEM_ENTITY, 0), 1);
  EXPECT_EQ(class_ensure(d.get(), "HATCH", "AcDbHatch", "AutoCAD 2000", 0, TK_CLASS_ITEM_ENTITY, 0),
            504);
  EXPECT_EQ(names(d.get()), (std::vector<std::string>{"500 LWPOLYLINE", "503 XRECORD", "504 HATCH"}));
  EXPECT_EQ(class_list_count(d.get()), 3);
}

TEST_F(ClassListTest, FindPutAndMarkUsedKeepTheListPosition) {
  records_test::BareDrawing d;
  for (uint16_t n = 500; n < 503; ++n) {
    TkClassRecord r = make_class(n, n == 501 ? "IMAGE" : n == 502 ? "LAYOUT" : "HATCH");
    class_add(d.get(), &r);
  }
  class_list_rewind(d.get());
  TkClassRecord r;
  class_list_next(d.get(), &r);

  TkClassRecord found;
  ASSERT_EQ(class_find(d.get(), "layout", &found), 1);
  EXPECT_EQ(found.number, 502);
  memset(&found, 0x55, sizeof found);
  EXPECT_EQ(class_find(d.get(), "WIPEOUT", &found), 0);
  EXPECT_EQ(found.number, 0);
  EXPECT_EQ(found.dxf_name[0], 0);

  ASSERT_EQ(class_mark_used(d.get(), "Image"), 1);
  class_find(d.get(), "IMAGE", &found);
  EXPECT_EQ(found.proxy_flags, 0);

  strcpy(found.application, "ISM");
  EXPECT_EQ(class_put(d.get(), &found), 1);
  TkClassRecord missing = make_class(600, "NONE");
  EXPECT_EQ(class_put(d.get(), &missing), 0);

  ASSERT_EQ(class_list_next(d.get(), &r), 1);  // still the second record
  EXPECT_EQ(r.number, 501);
  EXPECT_STREQ(r.application, "ISM");
}

TEST_F(ClassListTest, AddingAKnownClassFillsItsSlot) {
  records_test::BareDrawing d;
  struct Case {
    const char* name;
    uint16_t (*number)(const TkDrawing*);
  } const cases[] = {
      {"OLE2FRAME", tk_class_ole2frame},
      {"hatch", tk_class_hatch},
      {"LWPOLYLINE", tk_class_lwpolyline},
      {"IMAGE", tk_class_image},
      {"RTEXT", tk_class_rtext},
      {"ARCALIGNEDTEXT", tk_class_arcalignedtext},
      {"WIPEOUT", tk_class_wipeout},
      {"XRECORD", tk_class_xrecord},
      {"IDBUFFER", tk_class_idbuffer},
      {"DICTIONARYVAR", tk_class_dictionaryvar},
      {"IMAGEDEF", tk_class_imagedef},
      {"IMAGEDEF_REACTOR", tk_class_imagedef_reactor},
      {"RASTERVARIABLES", tk_class_rastervariables},
      {"SPATIAL_FILTER", tk_class_spatial_filter},
      {"SORTENTSTABLE", tk_class_sortentstable},
      {"LAYER_INDEX", tk_class_layer_index},
      {"SPATIAL_INDEX", tk_class_spatial_index},
      {"OBJECT_PTR", tk_class_object_ptr},
      {"ACDBDICTIONARYWDFLT", tk_class_dictionarywdflt},
      {"ACDBPLACEHOLDER", tk_class_placeholder},
      {"LAYOUT", tk_class_layout},
      {"VBA_PROJECT", tk_class_vba_project},
      {"WIPEOUTVARIABLES", tk_class_wipeoutvariables},
  };
  for (const Case& c : cases) EXPECT_EQ(c.number(d.get()), 0) << c.name;
  for (const Case& c : cases) {
    uint16_t n = class_ensure(d.get(), c.name, "", "", 0, TK_CLASS_ITEM_OBJECT, 0);
    EXPECT_EQ(c.number(d.get()), n) << c.name;
  }
  // A name the toolkit does not keep at hand only joins the list.
  uint16_t before[TK_CLASS_SLOT_COUNT];
  memcpy(before, d->class_numbers, sizeof before);
  EXPECT_GT(class_ensure(d.get(), "PLOTSETTINGS", "", "", 0, TK_CLASS_ITEM_OBJECT, 0), 1);
  EXPECT_EQ(memcmp(before, d->class_numbers, sizeof before), 0);
}

TEST_F(ClassListTest, FailedAddLeavesListAndSlotsAlone) {
  records_test::BareDrawing d;
  class_ensure(d.get(), "LWPOLYLINE", "", "", 0, TK_CLASS_ITEM_ENTITY, 0);
  fail_allocation(0);
  EXPECT_EQ(class_ensure(d.get(), "HATCH", "", "", 0, TK_CLASS_ITEM_ENTITY, 0), 0);
  fail_allocation(-1);
  EXPECT_EQ(names(d.get()), std::vector<std::string>{"500 LWPOLYLINE"});
  EXPECT_EQ(tk_class_hatch(d.get()), 0);
}

}  // namespace
