// A started toolkit with both reader sets installed, files served from memory over the counting
// allocator; at the end no file may be left open and nothing allocated. For the tests of the
// reader of DWG files of AC1002 to AC1009.
#pragma once

#include <gtest/gtest.h>

#include "tests/toolkit/core/core_support.h"
#include "tests/toolkit/read/dwg_old_support.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/list.h"
#include "toolkit/read/readers.h"

namespace dwg_old_test {

class OldDwg : public core_test::StartedToolkit {
 protected:
  void SetUp() override {
    StartedToolkit::SetUp();
    load_test::use_memory_files(core_test::counting_alloc, core_test::counting_free);
    load_test::mem_files.clear();
    load_test::open_files.clear();
    ASSERT_EQ(tk_install_file_readers(), 1);
  }
  void TearDown() override {
    EXPECT_TRUE(load_test::open_files.empty()) << "a file was left open";
    tk_state->error_callback = nullptr;
    StartedToolkit::TearDown();
  }

  // Opens the built file; the test fails when it does not load.
  TkDrawing* load(const File& f) {
    TkDrawing* d = open_bytes(f.build());
    EXPECT_NE(d, nullptr) << "error " << tk_get_last_error();
    return d;
  }
};

// The entities of a list, unpacked.
struct Unpacked {
  TkEntityHeader h;
  TkEntityData data;
};

inline std::vector<Unpacked> entities_of(const TkList* list) {
  std::vector<Unpacked> out;
  for (const TkLink* l = list_first(list); l; l = l->next) {
    Unpacked u{};
    if (entity_unpack(l, &u.h, &u.data, nullptr, nullptr)) out.push_back(u);
  }
  return out;
}

}  // namespace dwg_old_test
