// Polyface meshes drawn face by face in each face's own colour: the colour of a face is set
// before its edges, BYLAYER reads the face's layer, and the mesh's colour comes back after.
#include <gtest/gtest.h>

#include <vector>

#include "display_support.h"

namespace {

using display_test::DisplayTest;
using display_test::of;

class PolyfaceTest : public DisplayTest {
 protected:
  void vertex(double x, double y, uint16_t flags, std::vector<int16_t> face = {},
              int16_t colour = 256, TkHandle* layer = nullptr) {
    start(TK_VERTEX);
    put3(0, x, y);
    put<uint16_t>(TK_VERTEX_FLAGS, flags);
    for (size_t i = 0; i < face.size(); ++i) put<int16_t>(74 + 8 * i, face[i]);
    h.colour = colour;
    if (layer) h.layer = *layer;
    add();
  }
};

TEST_F(PolyfaceTest, EachFaceInItsOwnColour) {
  TkLayerRecord layer;
  tk_init_layer_record(d, &layer);
  std::strcpy(layer.name, "GREEN");
  layer.color = 3;
  ASSERT_EQ(tk_next_handle(d, nullptr, 0, &layer.handle), 1);
  ASSERT_EQ(tk_layer_add(d, &layer), 1);
  start(TK_POLYLINE);
  put<uint16_t>(34, 64);
  h.colour = 5;
  add();
  vertex(10, 10, 64 + 128);
  vertex(20, 10, 64 + 128);
  vertex(20, 20, 64 + 128);
  vertex(10, 20, 64 + 128);
  vertex(0, 0, 128, {1, 2, 3}, 1);
  vertex(0, 0, 128, {1, 3, 4}, 256, &layer.handle);
  vertex(0, 0, 128, {2, 3, 4}, 0);  // BYBLOCK outside a block: the walk's colour 7
  start(TK_SEQEND);
  add();
  ASSERT_EQ(regen(), 1);
  // The colours sent, in order, with the number of lines drawn after each.
  std::vector<std::pair<int32_t, int>> runs;
  for (const auto& c : display_test::calls) {
    if (c.slot == 4) runs.push_back({c.a, 0});
    if (c.slot == 1 && !runs.empty()) ++runs.back().second;
  }
  std::vector<std::pair<int32_t, int>> expected = {{5, 0}, {1, 3}, {3, 3}, {7, 3}, {5, 0}};
  EXPECT_EQ(runs, expected);
}

}  // namespace
