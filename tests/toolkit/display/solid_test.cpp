// Solids, regions and bodies in display generation: every drawing of the shared test data that
// holds them draws each through the SAT reader, with lines, and regeneration passes over none.
// Skips itself when the test data is absent.
#include <gtest/gtest.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "png_render.h"
#include "tests/support/TestData.h"
#include "tests/toolkit/core/core_support.h"
#include "toolkit/core/display_block.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/load.h"
#include "toolkit/core/state.h"
#include "toolkit/display/regen.h"
#include "toolkit/display/regen_solid.h"
#include "toolkit/read/readers.h"

namespace {

int g_entities = 0, g_drawn = 0, g_lines = 0;
TkLineToFn g_lineto = nullptr;

void count_line(int32_t x, int32_t y, TkUserData user) {
  ++g_lines;
  if (g_lineto) g_lineto(x, y, user);
}

// Slot 33 as the toolkit's default draws it, counting the entities and whether each drew lines.
int16_t counting_modeler(TkModelerRecord* record, uint8_t* reply) {
  ++g_entities;
  g_lineto = tk_display_callbacks->lineto;
  tk_display_callbacks->lineto = count_line;
  int before = g_lines;
  int16_t result = regen_solid_wires(record, reply);
  tk_display_callbacks->lineto = g_lineto;
  if (g_lines > before) ++g_drawn;
  return result;
}

class SolidRegen : public ::testing::Test {
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
  }
  bool started_ = false;
};

TEST_F(SolidRegen, DrawingsWithSolidsDrawThem) {
  // The drawings with solids and regions in model space, and how many an independent reader
  // counted (3DSOLID plus REGION).
  const struct {
    const char* path;
    int solids;
  } cases[] = {
      {"dwg/2000_Cone.dwg", 1},     {"dwg/example_2000.dwg", 3}, {"dwg/example_r13.dwg", 3},
      {"dxf/example_2000.dxf", 3},  {"dxf/example_r13.dxf", 3},
  };
  std::ostringstream quiet;
  auto* saved = std::cout.rdbuf(quiet.rdbuf());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    std::string path = vvtest::TestDataPath(c.path);
    TkDrawing* d = tk_open_drawing(path.c_str(), 1, 0);
    ASSERT_NE(d, nullptr) << tk_get_last_error();
    g_entities = g_drawn = 0;
    tk_set_modeler_display_callback(counting_modeler);
    for (auto& n : tk_regen.skipped) n = 0;
    EXPECT_EQ(display_test::render_drawing(d, 400, 300, "", true), 1);
    tk_set_modeler_display_callback(nullptr);
    // The render draws twice (a pass to find the extents, then the view).
    EXPECT_EQ(g_entities, 2 * c.solids);
    EXPECT_EQ(g_drawn, g_entities);
    for (uint16_t kind : {uint16_t(TK_REGION), uint16_t(TK_3DSOLID), uint16_t(TK_BODY)})
      EXPECT_EQ(tk_regen.skipped[kind], 0u) << kind;
    tk_close_drawing(d);
  }
  std::cout.rdbuf(saved);
}

}  // namespace
