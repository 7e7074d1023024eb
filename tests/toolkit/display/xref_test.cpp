// External references: a referenced drawing file is opened once as a child of the host and
// drawn at the insertion; missing files, circular references and a full child table are
// reported through the slots and passed over.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

#include "display_support.h"
#include "toolkit/read/readers.h"

namespace {

using display_test::calls;
using display_test::strokes;

std::vector<std::string> not_opened;
int begins = 0, ends = 0;
void on_not_opened(const char* path, TkUserData) { not_opened.push_back(path); }
void on_begin(TkDrawing*, TkUserData) { ++begins; }
void on_end(TkDrawing*, TkUserData) { ++ends; }

class XrefTest : public display_test::DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    ASSERT_EQ(tk_install_file_readers(), 1);
    char dir[] = "/tmp/vv-xref-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    folder = dir;
    child = folder + "/child.dxf";
    FILE* f = std::fopen(child.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n0\n20\n0\n30\n0\n11\n10\n21\n0\n31\n0\n"
               "0\nENDSEC\n0\nEOF\n", f);
    std::fclose(f);
    not_opened.clear();
    begins = ends = 0;
    tk_set_xref_not_opened_callback(on_not_opened);
    tk_set_begin_xref_callback(on_begin);
    tk_set_end_xref_callback(on_end);
  }
  void TearDown() override {
    std::remove(child.c_str());
    rmdir(folder.c_str());
    DisplayTest::TearDown();
  }
  // A reference block naming the file, with its BLOCK entity.
  TkHandle add_xref_block(const std::string& path) {
    TkBlockRecord b;
    tk_init_block_record(&b);
    std::snprintf(b.name, sizeof b.name, "X%d", int(next_handle));
    b.flags = TK_BLOCK_XREF;
    EXPECT_EQ(tk_next_handle(d, nullptr, 0, &b.handle), 1);
    EXPECT_EQ(tk_add_block(d, &b), 1);
    start(TK_BLOCK);
    std::strcpy(tk_data_text(&data, 536), path.c_str());
    add(tk_block_entity_list(d, &b.handle));
    return b.handle;
  }
  void insert(const TkHandle& block, double x, double y) {
    start(TK_INSERT);
    put3(8, x, y);
    put(TK_INSERT_BLOCK, block);
    add();
  }
  std::string folder, child;
};

TEST_F(XrefTest, ReferencedDrawingIsDrawnAtTheInsertion) {
  TkHandle x = add_xref_block(child);
  insert(x, 20, 30);
  insert(x, 20, 60);
  ASSERT_EQ(regen(), 1);
  auto s = strokes();
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[0].front(), std::make_pair(200, 300));
  EXPECT_EQ(s[0].back(), std::make_pair(300, 300));
  EXPECT_EQ(s[1].front(), std::make_pair(200, 600));
  EXPECT_EQ(d->child_count, 1);  // opened once, found again by its path
  EXPECT_EQ(begins, 2);
  EXPECT_EQ(ends, 2);
  EXPECT_TRUE(not_opened.empty());
}

TEST_F(XrefTest, ClippedReferenceIsCutInTheReferencedDrawing) {
  // The filter of the reference insertion is built when the referenced drawing is drawn.
  const double up[3] = {0, 0, 1};
  TkHandle x = add_xref_block(child);
  start(TK_INSERT);
  put3(8, 20, 30);
  put(TK_INSERT_BLOCK, x);
  h.xdictionary =
      display_test::add_filter(d, display_test::filter_record({2, -1, 5, 1}, 2, 1, up));
  add();
  insert(x, 20, 60);
  ASSERT_EQ(regen(), 1);
  auto s = strokes();
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[0].front(), std::make_pair(220, 300));
  EXPECT_EQ(s[0].back(), std::make_pair(250, 300));
  EXPECT_EQ(s[1].front(), std::make_pair(200, 600)) << "the other insertion is not clipped";
  EXPECT_EQ(s[1].back(), std::make_pair(300, 600));
  EXPECT_EQ(d->display->filters, nullptr);
}

// The colour in force at each line-to of the regeneration, by device y.
std::map<int32_t, int32_t> colours_by_y() {
  std::map<int32_t, int32_t> out;
  int32_t colour = -1;
  for (const auto& c : calls) {
    if (c.slot == 4) colour = c.a;
    if (c.slot == 1) out[c.b] = colour;
  }
  return out;
}

TEST_F(XrefTest, ReferenceLayersTakeTheInsertingLayerAndTheHostsSettings) {
  // walls.dxf: layer "0" and layer "WALLS" (colour 5), a line on each.
  std::string walls = folder + "/walls.dxf";
  FILE* f = std::fopen(walls.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n70\n2\n"
             "0\nLAYER\n2\n0\n70\n0\n62\n7\n6\nCONTINUOUS\n"
             "0\nLAYER\n2\nWALLS\n70\n0\n62\n5\n6\nCONTINUOUS\n0\nENDTAB\n0\nENDSEC\n"
             "0\nSECTION\n2\nENTITIES\n"
             "0\nLINE\n8\nWALLS\n10\n0\n20\n0\n30\n0\n11\n10\n21\n0\n31\n0\n"
             "0\nLINE\n8\n0\n10\n0\n20\n1\n30\n0\n11\n10\n21\n1\n31\n0\n"
             "0\nENDSEC\n0\nEOF\n", f);
  std::fclose(f);
  TkHandle x = add_xref_block(walls);
  TkBlockRecord block;
  ASSERT_EQ(tk_block_get(d, &x, &block), 1);
  auto add_layer = [&](const std::string& name, int16_t colour) {
    TkLayerRecord layer;
    tk_init_layer_record(d, &layer);
    std::snprintf(layer.name, sizeof layer.name, "%s", name.c_str());
    layer.color = colour;
    EXPECT_EQ(tk_next_handle(d, nullptr, 0, &layer.handle), 1);
    EXPECT_EQ(tk_layer_add(d, &layer), 1);
    return layer.handle;
  };
  TkHandle red = add_layer("RED", 1);
  add_layer(std::string(block.name) + "|WALLS", 3);
  add_layer("OTHER|WALLS", 4);  // another reference's layer: no effect
  start(TK_INSERT);
  put3(8, 20, 30);
  put(TK_INSERT_BLOCK, x);
  h.layer = red;
  add();
  d->header->pdmode = 3;
  const struct {
    int16_t visretain;
    int32_t walls_colour;
  } cases[] = {{1, 3}, {0, 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.visretain);
    d->header->visretain = c.visretain;
    ASSERT_EQ(regen(), 1);
    auto by_y = colours_by_y();
    EXPECT_EQ(by_y[300], c.walls_colour);
    EXPECT_EQ(by_y[310], 1) << "layer 0 of the reference shows the inserting layer";
    ASSERT_EQ(d->child_count, 1);
    EXPECT_EQ(d->children[0]->header->pdmode, 0) << "the host's settings are only lent";
    if (c.visretain) {  // the next pass starts from the reference's own layer again
      TkHandle walls_layer;
      ASSERT_EQ(tk_layer_find(d->children[0], "WALLS", &walls_layer), 1);
      TkLayerRecord layer;
      ASSERT_EQ(tk_layer_get(d->children[0], &walls_layer, &layer), 1);
      layer.color = 5;
      tk_layer_put(d->children[0], &layer);
    }
  }
  std::remove(walls.c_str());
}

// A host layer "<reference>|<layer>" frozen in a viewport freezes that layer of the reference in
// that viewport; the host's own record and the reference's other layers stay as they are.
TEST_F(XrefTest, HostLayerFreezesTheReferencesLayerPerViewport) {
  std::string walls = folder + "/walls.dxf";
  FILE* f = std::fopen(walls.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n70\n2\n"
             "0\nLAYER\n2\n0\n70\n0\n62\n7\n6\nCONTINUOUS\n"
             "0\nLAYER\n2\nWALLS\n70\n0\n62\n5\n6\nCONTINUOUS\n0\nENDTAB\n0\nENDSEC\n"
             "0\nSECTION\n2\nENTITIES\n"
             "0\nLINE\n8\nWALLS\n10\n0\n20\n0\n30\n0\n11\n10\n21\n0\n31\n0\n"
             "0\nLINE\n8\n0\n10\n0\n20\n1\n30\n0\n11\n10\n21\n1\n31\n0\n"
             "0\nENDSEC\n0\nEOF\n", f);
  std::fclose(f);
  TkHandle x = add_xref_block(walls);
  TkBlockRecord block;
  ASSERT_EQ(tk_block_get(d, &x, &block), 1);
  TkLayerRecord lent;
  tk_init_layer_record(d, &lent);
  const std::string lent_name = std::string(block.name) + "|WALLS";
  std::snprintf(lent.name, sizeof lent.name, "%s", lent_name.c_str());
  lent.color = 5;
  ASSERT_EQ(tk_next_handle(d, nullptr, 0, &lent.handle), 1);
  ASSERT_EQ(tk_layer_add(d, &lent), 1);
  insert(x, 20, 30);
  const struct {
    uint64_t frozen;
    bool walls_drawn;
  } cases[] = {{0, true}, {1, false}, {2, true}, {0, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.frozen);
    ASSERT_EQ(tk_layer_get(d, &lent.handle, &lent), 1);
    lent.viewport_frozen = c.frozen;  // bit 0: the one viewport of model space
    ASSERT_EQ(tk_layer_put(d, &lent), 1);
    ASSERT_EQ(regen(), 1);
    auto by_y = colours_by_y();
    EXPECT_EQ(by_y.count(300), c.walls_drawn ? 1u : 0u);
    EXPECT_EQ(by_y.count(310), 1u) << "layer 0 of the reference is not frozen";
    ASSERT_EQ(tk_layer_get(d, &lent.handle, &lent), 1);
    EXPECT_EQ(lent.viewport_frozen, c.frozen) << "the host's record is only read";
  }
  std::remove(walls.c_str());
}

TEST_F(XrefTest, MissingFileIsReported) {
  insert(add_xref_block(folder + "/absent.dxf"), 20, 30);
  ASSERT_EQ(regen(), 1);
  EXPECT_TRUE(strokes().empty());
  ASSERT_EQ(not_opened.size(), 1u);
  EXPECT_NE(not_opened[0].find("absent.dxf"), std::string::npos);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_XREF_OPEN);
  EXPECT_EQ(begins + ends, 0);
}

TEST_F(XrefTest, ReferenceToTheHostItselfIsNotFollowed) {
  std::strcpy(d->path, child.c_str());
  insert(add_xref_block(child), 20, 30);
  ASSERT_EQ(regen(), 1);
  EXPECT_TRUE(strokes().empty());
  EXPECT_EQ(d->child_count, 0);
}

TEST_F(XrefTest, FullChildTableDropsFurtherReferences) {
  // The host's table is full: the reference is reported and dropped, never written past it.
  d->child_count = TK_MAX_CHILD_DRAWINGS;
  insert(add_xref_block(child), 20, 30);
  ASSERT_EQ(regen(), 1);
  EXPECT_TRUE(strokes().empty());
  ASSERT_EQ(not_opened.size(), 1u);
  d->child_count = 0;
}

}  // namespace
