// Proxy graphics from small hand-built blobs: each primitive's fields, strings and their
// padding, linetype codes, unknown types skipped, meshes and shells with their optional data,
// images, and primitives whose sizes or counts do not fit their bytes.
#include "toolkit/core/proxy.h"

#include <gtest/gtest.h>

#include "proxy_support.h"
#include "records_support.h"

using namespace proxy_test;

namespace {

class ProxyTest : public records_test::StartedToolkit {
 protected:
  // Opens a blob of the bytes with an 8-byte head in front.
  TkBlob* open(const Bytes& primitives, int16_t chunk = TK_BLOB_CHUNK_SIZE) {
    Bytes all;
    all.u32(0).u32(0).raw(primitives.b.data(), primitives.b.size());
    stored_ = blob_of(all.b, chunk);
    TkBlob* r = blob_open_read(stored_);
    EXPECT_EQ(xd_skip_proxy_header(r), 1);
    return r;
  }
  void close(TkBlob* r) {
    blob_close(r);
    blob_free(stored_);
  }
  TkBlob* stored_ = nullptr;
  ProxyPrimitive p;
};

TEST_F(ProxyTest, PrimitivesInSequenceWithUnknownTypesSkipped) {
  Bytes b;
  b.prim(TK_PROXY_CIRCLE, Bytes().pt(1, 2, 3).d(4).pt(0, 0, 1));
  b.prim(99, Bytes().u32(7).u32(8).u32(9));
  b.prim(TK_PROXY_LINETYPE, Bytes().u32(0xFFFFFFFF));
  b.prim(TK_PROXY_TEXT, Bytes().pt(5, 6, 0).pt(0, 0, 1).pt(1, 0, 0).d(2.5).d(1).d(0).text("hello"));
  b.prim(TK_PROXY_ARC, Bytes().pt(0, 0, 0).d(2).pt(0, 0, 1).pt(1, 0, 0).d(1.5).u32(1));
  b.prim(28, Bytes());
  b.prim(TK_PROXY_XLINE, Bytes().pt(0, 0, 0).pt(1, 1, 0));
  // Small chunks put primitives across chunk boundaries.
  for (int16_t chunk : {int16_t(4096), int16_t(7)}) {
    TkBlob* r = open(b, chunk);
    ASSERT_EQ(xd_read_proxy_primitive(r, &p), 1);
    EXPECT_EQ(p.type, TK_PROXY_CIRCLE);
    EXPECT_EQ(p.points[0][2], 3);
    EXPECT_EQ(p.radius, 4);
    EXPECT_EQ(p.normal[2], 1);
    ASSERT_EQ(xd_read_proxy_primitive(r, &p), 1);
    EXPECT_EQ(p.type, 99u);
    ASSERT_EQ(xd_read_proxy_primitive(r, &p), 1);
    EXPECT_EQ(p.linetype, TK_PROXY_LINETYPE_BYLAYER);
    ASSERT_EQ(xd_read_proxy_primitive(r, &p), 1);
    EXPECT_EQ(p.type, TK_PROXY_TEXT);
    EXPECT_STREQ(p.text, "hello");
    EXPECT_EQ(p.height, 2.5);
    ASSERT_EQ(xd_read_proxy_primitive(r, &p), 1);
    EXPECT_EQ(p.sweep, 1.5);
    EXPECT_EQ(p.arc_type, 1u);
    ASSERT_EQ(xd_read_proxy_primitive(r, &p), 1);
    EXPECT_EQ(p.type, 28u);
    ASSERT_EQ(xd_read_proxy_primitive(r, &p), 1);
    EXPECT_EQ(p.points[1][1], 1);
    EXPECT_EQ(xd_read_proxy_primitive(r, &p), 0);
    close(r);
  }
}

TEST_F(ProxyTest, LinetypeCodesAndPaddedStrings) {
  struct Case {
    uint32_t index;
    uint16_t linetype;
  };
  for (Case c : {Case{0xFFFFFFFF, 32767}, Case{0xFFFFFFFE, 32766}, Case{5, 5}}) {
    TkBlob* r = open(Bytes().prim(TK_PROXY_LINETYPE, Bytes().u32(c.index)));
    ASSERT_EQ(xd_read_proxy_primitive(r, &p), 1);
    EXPECT_EQ(p.linetype, c.linetype);
    close(r);
  }
  EXPECT_EQ(Bytes().text("abcde").b.size(), 8u);
  EXPECT_EQ(Bytes().text("abc").b.size(), 4u);
  // Styled text: a string length other than -1 cuts the string; the font name follows.
  Bytes styled;
  styled.pt(0, 0, 0).pt(0, 0, 1).pt(1, 0, 0).text("ABCDEFG").i32(3).u32(1).d(2).d(1).d(0)
      .pt(0, 0, 0).u32(0).text("romans.shx").u32(0).zeros(8);
  TkBlob* r = open(Bytes().prim(TK_PROXY_TEXT_STYLED, styled).prim(28, Bytes()));
  ASSERT_EQ(xd_read_proxy_primitive(r, &p), 1);
  EXPECT_STREQ(p.text, "ABC");
  EXPECT_STREQ(p.font, "romans.shx");
  EXPECT_EQ(p.raw, 1);
  ASSERT_EQ(xd_read_proxy_primitive(r, &p), 1);
  EXPECT_EQ(p.type, 28u);
  close(r);
}

TEST_F(ProxyTest, PrimitivesThatDoNotFitEndTheWalk) {
  struct Case {
    const char* what;
    Bytes bytes;
  };
  Bytes too_long;
  too_long.u32(400).u32(TK_PROXY_CIRCLE).pt(0, 0, 0);
  Bytes too_short;
  too_short.u32(4).u32(TK_PROXY_CIRCLE);
  Bytes fields_outside;
  fields_outside.prim(TK_PROXY_CIRCLE, Bytes().pt(0, 0, 0)).pt(1, 1, 1).pt(2, 2, 2);
  Bytes unterminated;
  unterminated.prim(TK_PROXY_TEXT, Bytes().pt(0, 0, 0).pt(0, 0, 1).pt(1, 0, 0).d(1).d(1).d(0)
                                       .raw("abcdefgh", 8));
  Bytes image_count;
  image_count.prim(TK_PROXY_IMAGE, Bytes().pt(0, 0, 0).pt(1, 1, 0).u32(0x10000000));
  const Case cases[] = {{"size beyond the blob", too_long},
                        {"size below the head", too_short},
                        {"fields beyond the size", fields_outside},
                        {"string without its zero", unterminated},
                        {"image count beyond the bytes", image_count}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TkBlob* r = open(c.bytes);
    EXPECT_EQ(xd_read_proxy_primitive(r, &p), 0);
    close(r);
  }
  EXPECT_EQ(xd_read_proxy_primitive(nullptr, &p), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_READ_NULL_BLOB);
}

TEST_F(ProxyTest, MeshesAndShellsWithTheirOptionalData) {
  // A 2 x 2 mesh: 4 edges, 1 face; edge colours (padded to an even count anyway), face normals.
  Bytes mesh;
  mesh.u32(2).u32(2).pt(0, 0, 0).pt(1, 0, 0).pt(0, 1, 0).pt(1, 1, 0);
  mesh.u32(1).u16(1).u16(2).u16(3).u16(4);
  mesh.u32(8).pt(0, 0, 1);
  Bytes shell;
  shell.u32(4).pt(0, 0, 0).pt(1, 0, 0).pt(1, 1, 0).pt(0, 1, 0);
  shell.u32(5).i32(4).i32(0).i32(1).i32(2).i32(3);
  shell.u32(0);
  shell.u32(1).u16(7).u16(0);  // one face colour, padded
  TkBlob* r = open(Bytes().prim(TK_PROXY_MESH, mesh).prim(TK_PROXY_SHELL, shell));
  ASSERT_EQ(xd_read_proxy_primitive(r, &p), 1);
  ProxyMesh m;
  ASSERT_EQ(xd_read_proxy_mesh(r, &p, &m), 1);
  EXPECT_EQ(m.vertices[9], 1);
  ASSERT_NE(m.extra.edge_colours, nullptr);
  EXPECT_EQ(m.extra.edge_colours[3], 4);
  ASSERT_NE(m.extra.face_normals, nullptr);
  EXPECT_EQ(m.extra.face_normals[2], 1);
  EXPECT_EQ(m.extra.face_colours, nullptr);
  xd_free_proxy_mesh(&m);
  ASSERT_EQ(blob_seek(r, p.end), 1);
  ASSERT_EQ(xd_read_proxy_primitive(r, &p), 1);
  EXPECT_EQ(p.count, 4u);
  ProxyShell s;
  ASSERT_EQ(xd_read_proxy_shell(r, &p, &s), 1);
  EXPECT_EQ(s.face_list_count, 5u);
  ASSERT_NE(s.extra.face_colours, nullptr);
  EXPECT_EQ(s.extra.face_colours[0], 7);
  xd_free_proxy_shell(&s);
  close(r);

  // Counts that the bytes cannot hold, and a face naming a vertex that is not there.
  Bytes huge_mesh;
  huge_mesh.u32(100000).u32(100000).pt(0, 0, 0);
  Bytes bad_face;
  bad_face.u32(1).pt(0, 0, 0).u32(2).i32(1).i32(5);
  Bytes long_face;
  long_face.u32(1).pt(0, 0, 0).u32(2).i32(7).i32(0);
  for (const Bytes* b : {&huge_mesh, &bad_face, &long_face}) {
    bool is_mesh = b == &huge_mesh;
    r = open(Bytes().prim(is_mesh ? TK_PROXY_MESH : TK_PROXY_SHELL, *b));
    ASSERT_EQ(xd_read_proxy_primitive(r, &p), 1);
    if (is_mesh) {
      EXPECT_EQ(xd_read_proxy_mesh(r, &p, &m), 0);
    } else {
      EXPECT_EQ(xd_read_proxy_shell(r, &p, &s), 0);
    }
    close(r);
  }
}

TEST_F(ProxyTest, ImagesCopyTheirValuesIntoABlobOfTheirOwn) {
  Bytes image;
  image.pt(0, 0, 0).pt(10, 10, 0).u32(2).zeros(32);
  for (int i = 0; i < 4; ++i) image.pt(i, 0, 0);
  for (int i = 0; i < 4; ++i) image.pt(0, i, 0).zeros(8);
  image.u32(5).u32(0).d(0.5).d(0.25).u32(0);
  TkBlob* r = open(Bytes().prim(TK_PROXY_IMAGE, image));
  ASSERT_EQ(xd_read_proxy_primitive(r, &p), 1);
  EXPECT_EQ(p.flag_word, 1u);
  EXPECT_EQ(p.image_flags[0], 1);
  EXPECT_EQ(p.image_flags[1], 0);
  EXPECT_EQ(p.image_values[1], 0.25);
  ASSERT_NE(p.image_data, nullptr);
  EXPECT_EQ(blob_stored_size(p.image_data), 32);
  blob_free(p.image_data);
  close(r);
}

}  // namespace
