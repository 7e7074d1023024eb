// Test support for entity records: a started toolkit with a new drawing (layers, styles, the
// two space blocks and the default classes), entity makers and a field-by-field header check.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "records_support.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity.h"

namespace entity_test {

inline TkHandle H(uint64_t v) {
  TkHandle h{};
  for (int i = 7; i >= 0; --i, v >>= 8) h.bytes[i] = uint8_t(v);
  return h;
}

inline bool same(const TkHandle& a, const TkHandle& b) { return tk_handle_compare(&a, &b) == 0; }

inline void expect_same_header(const TkEntityHeader& got, const TkEntityHeader& want) {
  EXPECT_EQ(got.kind, want.kind);
  EXPECT_TRUE(same(got.handle, want.handle));
  EXPECT_TRUE(same(got.layer, want.layer));
  EXPECT_TRUE(same(got.linetype, want.linetype));
  EXPECT_TRUE(same(got.xdictionary, want.xdictionary));
  EXPECT_EQ(got.thickness, want.thickness);
  EXPECT_EQ(got.colour, want.colour);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(got.extrusion[i], want.extrusion[i]);
  EXPECT_EQ(got.linetype_scale, want.linetype_scale);
  EXPECT_EQ(got.flags, want.flags);
  EXPECT_EQ(got.lineweight, want.lineweight);
  EXPECT_EQ(got.word_a, want.word_a);
  EXPECT_EQ(got.xdata, want.xdata);
  EXPECT_EQ(got.reactor_count, want.reactor_count);
  EXPECT_EQ(got.reactors, want.reactors);
  EXPECT_TRUE(same(got.plot_style, want.plot_style));
}

class DrawingTest : public records_test::StartedToolkit {
 protected:
  void SetUp() override {
    StartedToolkit::SetUp();
    d = tk_new_drawing(nullptr, nullptr, 0, 6);
    ASSERT_NE(d, nullptr);
  }
  void TearDown() override {
    tk_close_drawing(d);
    StartedToolkit::TearDown();
  }
  // A fresh entity of the kind with the drawing's defaults and the handle.
  void make(uint16_t kind, uint64_t handle, TkEntityHeader* h, TkEntityData* data) {
    h->kind = kind;
    tk_init_entity(d, h, data);
    h->handle = H(handle);
  }
  TkDrawing* d = nullptr;
};

}  // namespace entity_test
