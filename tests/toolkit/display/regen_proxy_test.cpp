// Proxy graphics through the recording callback block: the primitives of a
// proxy entity drawn as lines, arcs and fills, sub-entity colours, the fill
// flag, and clip boundaries that the entity pushes and pops.
#include <cmath>
#include <cstring>
#include <vector>

#include "display_support.h"
#include "toolkit/core/proxy.h"
#include "toolkit/display/regen_kinds.h"

namespace {

using namespace display_test;

constexpr uint16_t kProxyKind = 498;  // ACAD_PROXY_ENTITY

// A proxy-graphics blob under construction: its 8-byte head, then primitives.
struct Graphics {
  std::vector<uint8_t> bytes = std::vector<uint8_t>(8, 0);
  size_t start = 0;
  void u32(uint32_t v) { bytes.insert(bytes.end(), (uint8_t*)&v, (uint8_t*)&v + 4); }
  void f64(double v) { bytes.insert(bytes.end(), (uint8_t*)&v, (uint8_t*)&v + 8); }
  void pt(double x, double y, double z = 0) {
    f64(x);
    f64(y);
    f64(z);
  }
  void begin(uint32_t type) {
    start = bytes.size();
    u32(0);
    u32(type);
  }
  void end() {
    uint32_t size = uint32_t(bytes.size() - start);
    std::memcpy(bytes.data() + start, &size, 4);
  }
  void polyline(uint32_t type, std::vector<std::pair<double, double>> pts) {
    begin(type);
    u32(uint32_t(pts.size()));
    for (auto& p : pts) pt(p.first, p.second);
    end();
  }
  void value(uint32_t type, uint32_t v) {
    begin(type);
    u32(v);
    end();
  }
  void clip(std::vector<std::pair<double, double>> pts) {
    begin(27);
    pt(0, 0);
    pt(0, 0);
    u32(uint32_t(pts.size()));
    for (auto& p : pts) {
      f64(p.first);
      f64(p.second);
    }
    for (int i = 0; i < 8; ++i) {
      pt(0, 0);
      if (i >= 4) f64(0);
    }
    u32(0);
    u32(0);
    f64(0);
    f64(0);
    u32(0);
    end();
  }
  TkBlob* blob() {
    uint32_t total = uint32_t(bytes.size());
    std::memcpy(bytes.data(), &total, 4);
    TkBlob* b = blob_alloc(TK_BLOB_CHUNK_SIZE);
    TkBlob* w = blob_create(b);
    blob_write(w, bytes.data(), bytes.size());
    blob_close_write(w);
    return b;
  }
};

class ProxyTest : public DisplayTest {
 protected:
  void add_proxy(Graphics& g, uint16_t colour = 256) {
    start(kProxyKind);
    h.colour = colour;
    put<TkBlob*>(32, g.blob());
    add();
  }
};

TEST_F(ProxyTest, PolygonIsClosedButNotFilledAndPolylineRestartsAtVertices) {
  d->header->fillmode = 1;
  Graphics g;
  g.polyline(7, {{10, 10}, {50, 10}, {50, 50}});
  g.polyline(6, {{60, 60}, {80, 60}});
  add_proxy(g);
  ASSERT_EQ(regen(), 1);
  auto s = strokes();
  ASSERT_EQ(s.size(), 2u);
  const std::vector<std::pair<int32_t, int32_t>> triangle = {
      {100, 100}, {500, 100}, {500, 500}, {100, 100}};
  EXPECT_EQ(s[0], triangle);
  EXPECT_EQ(s[1].front(), std::make_pair(600, 600));
  EXPECT_EQ(s[1].back(), std::make_pair(800, 600));
  EXPECT_TRUE(of(2).empty());
}

// Colour 0 is the inserting entity's colour, 256 the layer's; a layer primitive
// after colour 256 takes that layer's colour.
TEST_F(ProxyTest, SubEntityColours) {
  TkLayerRecord second;
  tk_init_layer_record(d, &second);
  std::strcpy(second.name, "RED");
  second.color = 1;
  ASSERT_EQ(tk_next_handle(d, nullptr, 0, &second.handle), 1);
  ASSERT_EQ(tk_layer_add(d, &second), 1);
  Graphics g;
  g.value(14, 3);
  g.polyline(6, {{10, 10}, {20, 10}});
  g.value(14, 0);
  g.polyline(6, {{10, 20}, {20, 20}});
  g.value(14, 256);
  g.value(16, 1);  // the second layer of the list
  g.polyline(6, {{10, 30}, {20, 30}});
  add_proxy(g, 5);
  ASSERT_EQ(regen(), 1);
  std::vector<int32_t> colours;
  for (const Call& c : of(4)) colours.push_back(c.a);
  // The entity's own colour, then 3, then the drawing's colour 7 by block, then
  // the layer's.
  const std::vector<int32_t> want = {5, 3, 7, 1};
  EXPECT_EQ(colours, want);
}

// A fill-on primitive of 0 turns mesh faces into outlines for the rest of the
// entity only.
TEST_F(ProxyTest, FillFlagLastsForTheEntity) {
  d->header->fillmode = 1;
  Graphics g;
  g.value(20, 0);
  g.begin(8);
  g.u32(2);
  g.u32(2);
  g.pt(10, 10);
  g.pt(30, 10);
  g.pt(10, 30);
  g.pt(30, 30);
  g.end();
  add_proxy(g);
  ASSERT_EQ(regen(), 1);
  EXPECT_TRUE(of(2).empty());
  EXPECT_FALSE(strokes().empty());
  EXPECT_EQ(d->header->fillmode, 1);
}

// A boundary of two corners clips what follows; the pop-clip primitive ends it,
// and a boundary of four points is not used.
TEST_F(ProxyTest, ClipBoundaryPushedAndPopped) {
  struct Case {
    bool pop;
    bool four;
    int32_t second_end;  // device x where the second line ends
  } cases[] = {{false, false, 500}, {true, false, 900}, {false, true, 900}};
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    Graphics g;
    if (c.four)
      g.clip({{0, 0}, {50, 0}, {50, 100}, {0, 100}});
    else
      g.clip({{0, 0}, {50, 100}});
    g.polyline(6, {{10, 20}, {90, 20}});
    if (c.pop) g.begin(28), g.end();
    g.polyline(6, {{10, 40}, {90, 40}});
    add_proxy(g);
    ASSERT_EQ(regen(), 1);
    auto s = strokes();
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].back().first, c.four ? 900 : 500);
    EXPECT_EQ(s[1].back().first, c.second_end) << c.pop << c.four;
    EXPECT_FALSE(tk_clip_has_loops(d->display, 0));
  }
}

// An arc through three points whose middle point lies clockwise between the
// ends: drawn from the third point counter-clockwise round to the first,
// through the middle point.
TEST_F(ProxyTest, ArcThroughThreePoints) {
  Graphics g;
  g.begin(5);
  g.pt(60, 50);  // angle 0 about (50, 50)
  g.pt(50, 40);  // angle -90: clockwise from the first
  g.pt(40, 50);  // angle 180
  g.u32(0);
  g.end();
  add_proxy(g);
  ASSERT_EQ(regen(), 1);
  auto s = strokes();
  ASSERT_EQ(s.size(), 1u);
  EXPECT_EQ(s[0].front(), std::make_pair(400, 500));
  EXPECT_EQ(s[0].back(), std::make_pair(600, 500));
  int32_t lowest = 1000;
  for (auto& p : s[0]) lowest = std::min(lowest, p.second);
  EXPECT_EQ(lowest, 400);
}

// A damaged primitive (its size runs past the blob) ends the list without harm.
TEST_F(ProxyTest, DamagedPrimitiveEndsTheList) {
  Graphics g;
  g.polyline(6, {{10, 10}, {20, 10}});
  g.begin(6);
  g.u32(1000000);
  g.end();
  std::memcpy(g.bytes.data() + g.start, "\xff\xff\xff\x0f", 4);
  add_proxy(g);
  ASSERT_EQ(regen(), 1);
  EXPECT_EQ(strokes().size(), 1u);
}

}  // namespace
