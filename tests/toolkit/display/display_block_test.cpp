// The display callback block: start values, setters, the fill wrapper, failed start-up.
#include <gtest/gtest.h>

#include "../core/records_support.h"
#include "toolkit/core/display_block.h"

namespace {

class DisplayBlockTest : public records_test::StartedToolkit {};

int fills = 0;
void count_fill(const int16_t*, const int32_t*, TkUserData) { ++fills; }
void other_fill(const int16_t*, const int32_t*, TkUserData) {}

TEST_F(DisplayBlockTest, StartValues) {
  ASSERT_EQ(tk_init(), 1);
  TkDisplayCallbacks* b = tk_display_callbacks;
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->color, tk_noop_callback);
  EXPECT_EQ(b->app_color, tk_noop_callback);
  EXPECT_EQ(b->draw_enabled, 1);
  EXPECT_EQ(tk_get_curve_resolution(), 10);
  EXPECT_EQ(tk_get_arc_resolution(), 10);
  EXPECT_EQ(b->settings[1], 25);
  EXPECT_STREQ(b->message, "Malloc error\n");
  EXPECT_EQ(b->find_file, tk_find_file);
  EXPECT_EQ(b->find_xref, tk_find_file);
  EXPECT_EQ(b->colour_map[16], 16);
  EXPECT_EQ(b->colour_map[17], 15);
  EXPECT_EQ(b->colour_map[255], 15);
  // Slots nobody installed are null, never left as the allocator had them.
  EXPECT_EQ(b->moveto, nullptr);
  EXPECT_EQ(b->lineto, nullptr);
  EXPECT_EQ(b->fill_polygon, nullptr);
  EXPECT_EQ(b->progress, nullptr);
  EXPECT_EQ(b->poll, nullptr);
  EXPECT_EQ(b->truetype_text, nullptr);
  tk_shutdown();
  EXPECT_EQ(tk_display_callbacks, nullptr);
}

TEST_F(DisplayBlockTest, FillSetterKeepsWrapperAndLatestCallback) {
  ASSERT_EQ(tk_init(), 1);
  tk_set_fill_polygon_callback(other_fill);
  tk_set_fill_polygon_callback(count_fill);
  TkDisplayCallbacks* b = tk_display_callbacks;
  EXPECT_EQ(b->fill_polygon, tk_fill_wrapper);
  EXPECT_EQ(b->app_fill_polygon, count_fill);
  const int16_t range[2] = {1, 2};
  const int32_t pts[6] = {0, 0, 7, 8, 9, 10};
  fills = 0;
  b->fill_polygon(range, pts, 0);
  EXPECT_EQ(fills, 1);
  EXPECT_EQ(b->pen_x, 7);
  EXPECT_EQ(b->pen_y, 8);
  tk_shutdown();
}

TEST_F(DisplayBlockTest, SettersWriteBothSlots) {
  ASSERT_EQ(tk_init(), 1);
  auto mv = [](int32_t, int32_t, TkUserData) {};
  auto ln = [](int32_t, int32_t, TkUserData) {};
  tk_set_moveto_callback(mv);
  tk_set_lineto_callback(ln);
  TkDisplayCallbacks* b = tk_display_callbacks;
  EXPECT_EQ(b->moveto, b->app_moveto);
  EXPECT_EQ(b->lineto, b->app_lineto);
  tk_set_draw_enabled(0);
  EXPECT_EQ(b->draw_enabled, 0);
  tk_shutdown();
}

TEST_F(DisplayBlockTest, EveryFailedAllocationLeavesNothing) {
  for (long n = 0;; ++n) {
    long live = core_test::counts.live;
    fail_allocation(n);
    int16_t ok = tk_init();
    fail_allocation(-1);
    if (ok) {
      tk_shutdown();
      EXPECT_EQ(core_test::counts.live, live);
      EXPECT_GE(n, 7) << "every allocation of the block was tried";
      break;
    }
    EXPECT_EQ(tk_display_callbacks, nullptr);
    EXPECT_EQ(core_test::counts.live, live) << "failing allocation " << n;
  }
}

}  // namespace
