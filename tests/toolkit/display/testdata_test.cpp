// Every drawing of the shared test data regenerates, in model space and in its paper space,
// without error and under the sanitizers. Drawings the readers do not open yet are reported
// and passed over; the test skips itself when the test data is absent.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "png_render.h"
#include "tests/support/TestData.h"
#include "tests/toolkit/core/core_support.h"
#include "toolkit/core/display_block.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/load.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/display/regen.h"
#include "toolkit/read/readers.h"

namespace {

class TestDataRegen : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    VV_REQUIRE_TESTDATA();
    core_test::use_counting_allocator();
    core_test::serve_init_data(core_test::builtin_init_data());
    uint16_t status = 0;
    ASSERT_EQ(tk_init_core(nullptr, 1, &status), 1);
    ASSERT_EQ(tk_install_file_readers(), 1);
    ASSERT_EQ(tk_init(), 1);
    started_ = true;
  }
  void TearDown() override {
    if (!started_) return;
    tk_shutdown();
    tk_shutdown_core();
    EXPECT_EQ(core_test::counts.live, 0) << "blocks left allocated";
    tk_set_host_layer(nullptr);
  }
  bool started_ = false;
};

TEST_P(TestDataRegen, EveryDrawingRegenerates) {
  int opened = 0, layouts_drawn = 0;
  for (const std::string& name : vvtest::TestDataFiles(GetParam())) {
    if (name.find(".expected.json") != std::string::npos) continue;
    std::string path = vvtest::TestDataPath(std::string(GetParam()) + "/" + name);
    TkDrawing* d = tk_open_drawing(path.c_str(), 1, 0);
    if (!d) {
      std::printf("  not opened yet: %s\n", name.c_str());
      continue;
    }
    ++opened;
    for (bool model : {true, false}) {
      EXPECT_EQ(display_test::render_drawing(d, 400, 300, "", model), 1)
          << name << (model ? " (model space)" : " (its own space)");
      EXPECT_EQ(d->display, nullptr);
    }
    // Every paper layout: the blocks "*Paper_Space", "*Paper_Space0", ...
    std::vector<std::pair<std::string, TkHandle>> layouts;
    TkBlockRecord block;
    for (block_list_rewind(d); block_list_next(d, &block);)
      if (tk_name_compare_n(block.name, "*PAPER_SPACE", 12) == 0)
        layouts.emplace_back(block.name, block.handle);
    for (const auto& [layout, handle] : layouts) {
      EXPECT_EQ(display_test::render_drawing(d, 400, 300, "", false, &handle), 1)
          << name << " (layout " << layout << ")";
      EXPECT_EQ(d->display, nullptr);
      ++layouts_drawn;
    }
    tk_close_drawing(d);
  }
  std::printf("  %d drawings of %s regenerated, %d paper layouts\n", opened, GetParam(),
              layouts_drawn);
}

INSTANTIATE_TEST_SUITE_P(Folders, TestDataRegen,
                         ::testing::Values("dxf", "dxf-binary", "dwg"));

}  // namespace
