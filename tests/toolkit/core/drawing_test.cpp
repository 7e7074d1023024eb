// New drawings and their default content, handles from the seed or a template, and closing:
// every allocation of a new drawing is failed in turn (nothing may leak, the error must say
// why), and a drawing closes with its children.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "core_support.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/defaults.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/object.h"
#include "toolkit/core/symtab.h"

using namespace core_test;

namespace {

template <typename Record>
std::vector<std::string> names(TkList* list) {
  std::vector<std::string> out;
  for (TkLink* l = list_first(list); l; l = l->next)
    out.push_back(static_cast<Record*>(tk_link_data(l))->name);
  return out;
}

template <typename Record>
const Record* record(TkList* list, const char* name) {
  for (TkLink* l = list_first(list); l; l = l->next) {
    auto* r = static_cast<Record*>(tk_link_data(l));
    if (std::string(r->name) == name) return r;
  }
  return nullptr;
}

TkHandle handle_of(uint64_t v) {
  TkHandle h{};
  for (int i = 7; i >= 0; --i, v >>= 8) h.bytes[i] = static_cast<uint8_t>(v);
  return h;
}

uint64_t value_of(const TkHandle& h) {
  uint64_t v = 0;
  for (uint8_t b : h.bytes) v = v << 8 | b;
  return v;
}

}  // namespace

using NewDrawing = StartedToolkit;

TEST_F(NewDrawing, HoldsTheDefaultRecords) {
  TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, 6);
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  EXPECT_EQ(names<TkLinetypeRecord>(&d->linetypes),
            (std::vector<std::string>{"ByBlock", "ByLayer", "Continuous"}));
  EXPECT_EQ(names<TkLayerRecord>(&d->layers), std::vector<std::string>{"0"});
  EXPECT_EQ(names<TkVportRecord>(&d->vports), std::vector<std::string>{"*ACTIVE"});
  EXPECT_EQ(names<TkAppIdRecord>(&d->appids), std::vector<std::string>{"ACAD"});
  EXPECT_EQ(names<TkTextStyleRecord>(&d->styles), std::vector<std::string>{"Standard"});
  EXPECT_EQ(names<TkDimStyleRecord>(&d->dimstyles), std::vector<std::string>{"Standard"});
  EXPECT_EQ(names<TkBlockRecord>(&d->blocks),
            (std::vector<std::string>{"*MODEL_SPACE", "*PAPER_SPACE"}));

  const auto* continuous = record<TkLinetypeRecord>(&d->linetypes, "Continuous");
  EXPECT_STREQ(continuous->description, "Solid line");
  EXPECT_EQ(tk_handle_compare(&record<TkLinetypeRecord>(&d->linetypes, "ByBlock")->handle,
                              &d->byblock_linetype), 0);
  EXPECT_EQ(tk_handle_compare(&record<TkLinetypeRecord>(&d->linetypes, "ByLayer")->handle,
                              &d->bylayer_linetype), 0);
  EXPECT_EQ(tk_handle_compare(&record<TkLayerRecord>(&d->layers, "0")->linetype,
                              &continuous->handle), 0);
  EXPECT_STREQ(record<TkTextStyleRecord>(&d->styles, "Standard")->font_file, "txt");
  const auto* vport = record<TkVportRecord>(&d->vports, "*ACTIVE");
  EXPECT_EQ(vport->height, d->header->viewsize);
  EXPECT_EQ(vport->direction[2], d->header->viewdir[2]);
  const auto* model = record<TkBlockRecord>(&d->blocks, "*MODEL_SPACE");
  EXPECT_EQ(tk_handle_compare(&model->handle, &d->fixed[TK_FIXED_MODEL_SPACE]), 0);
  EXPECT_EQ(model->entities, &d->model_entities);
  EXPECT_EQ(d->output_version, 6);
  EXPECT_EQ(tk_close_drawing(d), 1);
}

TEST_F(NewDrawing, KnowsTheDefaultClassesInOrder) {
  TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, 7);
  ASSERT_NE(d, nullptr);
  std::vector<std::string> dxf;
  uint16_t expected_number = TK_FIRST_CLASS_NUMBER;
  for (TkLink* l = list_first(&d->classes); l; l = l->next) {
    auto* c = static_cast<TkClassRecord*>(tk_link_data(l));
    dxf.push_back(c->dxf_name);
    EXPECT_EQ(c->number, expected_number++) << c->dxf_name;
    EXPECT_EQ(c->was_proxy, 0);
  }
  ASSERT_EQ(dxf.size(), 24u);
  EXPECT_EQ(dxf.front(), "LWPOLYLINE");
  EXPECT_EQ(dxf.back(), "ARCALIGNEDTEXT");
  EXPECT_EQ(tk_class_lwpolyline(d), 500);
  EXPECT_EQ(tk_class_hatch(d), 503);
  EXPECT_EQ(tk_class_wipeoutvariables(d), 521);
  tk_close_drawing(d);

  tk_state->extended_classes = 0;
  d = tk_new_drawing(nullptr, nullptr, 0, 7);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(list_count(&d->classes), 20);
  EXPECT_EQ(tk_class_wipeout(d), 0);
  tk_close_drawing(d);

  // The caller's classes replace the defaults.
  TkClassRecord mine{};
  mine.number = 600;
  std::strcpy(mine.dxf_name, "HATCH");
  d = tk_new_drawing(nullptr, &mine, 1, 6);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(list_count(&d->classes), 1);
  EXPECT_EQ(tk_class_hatch(d), 600);
  tk_close_drawing(d);
}

// Every record of a new drawing has its own handle, reachable through the handle index; the
// header's seed hands out the next one.
TEST_F(NewDrawing, HandlesFromTheSeedAreDistinctAndIndexed) {
  TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, 6);
  ASSERT_NE(d, nullptr);
  std::set<uint64_t> seen;
  for (const TkHandle& h : d->fixed) EXPECT_TRUE(seen.insert(value_of(h)).second);
  for (const TkHandle& h : d->further) EXPECT_TRUE(seen.insert(value_of(h)).second);
  EXPECT_EQ(value_of(d->fixed[0]), 1u);
  EXPECT_EQ(value_of(d->fixed[TK_FIXED_MODEL_SPACE]), 10u) << "model space drawn after the ninth";
  EXPECT_EQ(value_of(d->fixed[9]), 12u) << "the tenth comes after the space blocks";
  auto check = [&](auto* typed, TkList* list) {
    using Record = std::remove_pointer_t<decltype(typed)>;
    for (TkLink* l = list_first(list); l; l = l->next) {
      const TkHandle& h = static_cast<Record*>(tk_link_data(l))->handle;
      EXPECT_EQ(hidx_lookup(&d->index, &h), l) << "record not indexed under its handle";
      if (list != &d->blocks) {  // the space blocks carry fixed handles, seen above
        EXPECT_TRUE(seen.insert(value_of(h)).second) << "handle " << value_of(h) << " used twice";
      }
    }
  };
  check(static_cast<TkLinetypeRecord*>(nullptr), &d->linetypes);
  check(static_cast<TkLayerRecord*>(nullptr), &d->layers);
  check(static_cast<TkVportRecord*>(nullptr), &d->vports);
  check(static_cast<TkAppIdRecord*>(nullptr), &d->appids);
  check(static_cast<TkTextStyleRecord*>(nullptr), &d->styles);
  check(static_cast<TkDimStyleRecord*>(nullptr), &d->dimstyles);
  check(static_cast<TkBlockRecord*>(nullptr), &d->blocks);
  check(static_cast<TkObjectHeader*>(nullptr), &d->objects);
  EXPECT_EQ(value_of(d->header->handseed), *seen.rbegin() + 1);
  TkHandle next;
  ASSERT_EQ(tk_next_handle(d, nullptr, 0, &next), 1);
  EXPECT_EQ(value_of(next), *seen.rbegin() + 1);
  tk_close_drawing(d);
}

TEST_F(NewDrawing, TemplateHandlesAreUsedAndTheSeedGoesOnAfterTheLargest) {
  std::vector<TkHandle> handles(TK_TEMPLATE_HANDLES);
  for (int i = 0; i < TK_TEMPLATE_HANDLES; ++i) handles[i] = handle_of(0x20 + i);
  handles[7] = handle_of(0x50);
  TkDrawing* d = tk_new_drawing(handles.data(), nullptr, 0, 6);
  ASSERT_NE(d, nullptr) << tk_get_last_error();
  EXPECT_EQ(value_of(d->fixed[7]), 0x50u);
  EXPECT_EQ(value_of(record<TkLayerRecord>(&d->layers, "0")->handle), 0x20u + TK_TEMPLATE_LAYER0);
  EXPECT_EQ(value_of(d->byblock_linetype), 0x20u + TK_TEMPLATE_BYBLOCK);
  EXPECT_EQ(value_of(d->header->handseed), 0x51u);
  EXPECT_EQ(value_of(d->seed), 0x51u);
  tk_close_drawing(d);

  // A template that names one handle twice is refused with the duplicate.
  handles[TK_TEMPLATE_LAYER0] = handles[TK_TEMPLATE_CONTINUOUS];
  EXPECT_EQ(tk_new_drawing(handles.data(), nullptr, 0, 6), nullptr);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_ADD_DUPLICATE_HANDLE);
  EXPECT_EQ(std::memcmp(tk_state->failing_handle, handles[TK_TEMPLATE_LAYER0].bytes, 8), 0);
}

TEST_F(NewDrawing, EveryFailedAllocationLeavesNothingAndSaysWhy) {
  long live_before = counts.live;
  for (long n = 0;; ++n) {
    ASSERT_LT(n, 10000);
    counts.calls = 0;
    counts.fail_at = n;
    TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, 7);
    counts.fail_at = -1;
    if (d) {
      tk_close_drawing(d);
      EXPECT_EQ(counts.live, live_before);
      break;
    }
    EXPECT_EQ(counts.live, live_before) << "after failing allocation " << n;
    TkError e = tk_get_last_error();
    if (n == 0) {
      EXPECT_EQ(e, TK_ERR_CONTROL_BLOCK);
    } else if (n == 1) {
      EXPECT_EQ(e, TK_ERR_TEMP_HEADER);
    } else {
      EXPECT_NE(e, TK_ERR_NONE) << "allocation " << n;
    }
  }
}

TEST_F(NewDrawing, CloseTakesTheChildrenAlong) {
  TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, 6);
  ASSERT_NE(d, nullptr);
  for (int i = 0; i < 2; ++i) {
    d->children[i] = tk_new_drawing(nullptr, nullptr, 0, 6);
    ASSERT_NE(d->children[i], nullptr);
  }
  d->child_count = 2;
  EXPECT_EQ(tk_close_drawing(d), 1);  // the fixture's leak check sees the children freed
  EXPECT_EQ(tk_close_drawing(nullptr), 0);
}

TEST_F(NewDrawing, Accessors) {
  TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, 6);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(tk_set_user_data(d, 1234), 1234u);
  EXPECT_EQ(d->user_data, 1234u);
  EXPECT_EQ(tk_get_header(d), d->header);
  EXPECT_EQ(tk_get_header(nullptr), nullptr);
  struct Case {
    int16_t version, flag, pre;
  } const cases[] = {{0, 0, 1}, {3, 0, 1}, {4, 0, 0}, {7, 0, 0}, {7, 1, 1}};
  for (const Case& c : cases) {
    d->version = c.version;
    EXPECT_EQ(tk_is_pre_ac1009(d, c.flag), c.pre) << c.version << " " << c.flag;
    EXPECT_EQ(tk_get_version(d), c.version);
  }
  d->file_kind = 2;
  EXPECT_EQ(tk_get_file_kind(d), 2);
  tk_close_drawing(d);
}

// The loaders add missing defaults to drawings that already hold records: a clash is refused
// with the duplicate handle, and the BYLAYER handle is still taken when ByBlock fails.
TEST_F(NewDrawing, DefaultLinetypesOverAClash) {
  TkDrawing* d = tk_new_drawing(nullptr, nullptr, 0, 6);
  ASSERT_NE(d, nullptr);
  std::vector<TkHandle> handles(TK_TEMPLATE_HANDLES, handle_of(0x90));
  handles[TK_TEMPLATE_BYBLOCK] = d->byblock_linetype;
  handles[TK_TEMPLATE_BYLAYER] = handle_of(0x99);
  int32_t before = list_count(&d->linetypes);
  EXPECT_EQ(tk_add_default_linetypes(d, handles.data()), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_ADD_DUPLICATE_HANDLE);
  EXPECT_EQ(value_of(d->bylayer_linetype), 0x99u);
  EXPECT_EQ(list_count(&d->linetypes), before);
  tk_close_drawing(d);
}
