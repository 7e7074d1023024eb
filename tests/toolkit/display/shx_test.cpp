// Shape fonts and text: crafted SHX files read from memory, the shape interpreter's byte
// programs (vectors, arcs, bulges, subshapes, the position stack), string decoding, and TEXT
// entities drawn with the built-in font.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "display_support.h"
#include "toolkit/core/matrix.h"
#include "toolkit/core/truetype.h"
#include "toolkit/display/shx.h"

namespace {

using display_test::DisplayTest;
using display_test::of;
using display_test::strokes;

constexpr double kPi = 3.14159265358979323846;

// A shapes 1.1 file: each shape is (code, definition bytes without the name).
std::vector<uint8_t> shapes_file(const std::vector<std::pair<uint16_t, std::vector<uint8_t>>>& shapes,
                                 const char* header = "AutoCAD-86 shapes 1.1\r\n") {
  std::vector<uint8_t> f(header, header + std::strlen(header));
  f.push_back(0x1A);
  auto w16 = [&](uint16_t v) {
    f.push_back(uint8_t(v));
    f.push_back(uint8_t(v >> 8));
  };
  w16(0);
  w16(258);
  w16(uint16_t(shapes.size()));
  for (auto& s : shapes) {
    w16(s.first);
    w16(uint16_t(s.second.size() + 2));  // name "x" and its zero
  }
  for (auto& s : shapes) {
    f.push_back('x');
    f.push_back(0);
    f.insert(f.end(), s.second.begin(), s.second.end());
  }
  return f;
}

class ShapeTest : public DisplayTest {
 protected:
  void TearDown() override {
    font_free(font);
    DisplayTest::TearDown();
  }
  void load(const std::vector<uint8_t>& bytes) {
    font_free(font);
    font = font_load_bytes(bytes.data(), uint32_t(bytes.size()), TK_FONT_MASK_MAIN);
    ASSERT_NE(font, nullptr);
  }
  // Runs shape `code` from the pen at the origin; the box collects every visible stroke.
  void run(uint16_t code, bool vertical = false) {
    ctx = TkShapeContext{};
    ctx.drawing = d;
    ctx.font = font;
    ctx.xscale = ctx.yscale = 1;
    ctx.stack_top = -1;
    ctx.vertical = vertical;
    tk_matrix_identity(identity);
    box[0] = box[1] = 1e300;
    box[4] = box[5] = -1e300;
    ctx.box = box;
    ctx.box_matrix = identity;
    TkFont* g = font_find_glyph(d, font, nullptr, code, 0);
    ASSERT_NE(g, nullptr);
    shx_interpret(&ctx, code, g, 0);
  }
  TkFont* font = nullptr;
  TkShapeContext ctx{};
  double identity[16];
  double box[8] = {};
};

struct VectorCase {
  uint8_t direction;
  double x, y;
};

TEST_F(ShapeTest, SixteenVectorDirections) {
  const VectorCase cases[] = {{0, 2, 0},   {1, 2, 1},   {2, 2, 2},   {3, 1, 2},
                              {4, 0, 2},   {5, -1, 2},  {6, -2, 2},  {7, -2, 1},
                              {8, -2, 0},  {9, -2, -1}, {10, -2, -2}, {11, -1, -2},
                              {12, 0, -2}, {13, 1, -2}, {14, 2, -2}, {15, 2, -1}};
  for (const VectorCase& c : cases) {
    load(shapes_file({{65, {uint8_t(0x20 | c.direction), 0}}}));
    run(65);
    EXPECT_DOUBLE_EQ(ctx.pen[0], c.x) << int(c.direction);
    EXPECT_DOUBLE_EQ(ctx.pen[1], c.y) << int(c.direction);
  }
}

struct ArcCase {
  std::vector<uint8_t> program;
  double min_x, min_y, max_x, max_y;  // expected box
  double end_x, end_y;
};

TEST_F(ShapeTest, ArcsAndBulges) {
  const double r = 10, c45 = 10 * 0.7071067811865476;
  const ArcCase cases[] = {
      // Octant arc, full circle counter-clockwise from octant 1; the same clockwise.
      {{10, 10, 0x10, 0}, -c45 - r, -c45 - r, -c45 + r, -c45 + r, 0, 0},
      {{10, 10, 0x90, 0}, -c45 - r, -c45 - r, -c45 + r, -c45 + r, 0, 0},
      // Fractional arc with zero offsets is the octant arc.
      {{11, 0, 0, 0, 10, 0x10, 0}, -c45 - r, -c45 - r, -c45 + r, -c45 + r, 0, 0},
      // Bulges of 127 and -127: semicircles below and above the chord (10, 0).
      {{12, 10, 0, 127, 0}, 0, -5, 10, 0, 10, 0},
      {{12, 10, 0, 0x81, 0}, 0, 0, 10, 5, 10, 0},
  };
  for (const ArcCase& c : cases) {
    load(shapes_file({{65, c.program}}));
    run(65);
    EXPECT_NEAR(box[0], c.min_x, 0.05);
    EXPECT_NEAR(box[1], c.min_y, 0.05);
    EXPECT_NEAR(box[4], c.max_x, 0.05);
    EXPECT_NEAR(box[5], c.max_y, 0.05);
    EXPECT_NEAR(ctx.pen[0], c.end_x, 1e-9);
    EXPECT_NEAR(ctx.pen[1], c.end_y, 1e-9);
  }
}

TEST_F(ShapeTest, HostileProgramsAreBounded) {
  // Six pushes onto a stack of five, pops past empty, a zero divisor, a shape that calls
  // itself and a vertical-only displacement in horizontal text.
  load(shapes_file({{65, {5, 5, 5, 5, 5, 5, 0x20, 6, 6, 6, 6, 6, 6, 6, 3, 0, 0x20, 0}},
                    {66, {7, 66, 0x20, 0}},
                    {67, {14, 8, 5, 5, 0x20, 0}}}));
  run(65);
  EXPECT_DOUBLE_EQ(ctx.pen[0], 2);  // the pops return to the origin, then one more vector
  EXPECT_TRUE(std::isfinite(ctx.xscale));
  run(66);
  EXPECT_DOUBLE_EQ(ctx.pen[0], 2.0 * (TK_SHAPE_MAX_NESTING + 1));
  run(67);
  EXPECT_DOUBLE_EQ(ctx.pen[0], 2);
  EXPECT_DOUBLE_EQ(ctx.pen[1], 0);
  run(67, true);
  EXPECT_DOUBLE_EQ(ctx.pen[0], 7);
  EXPECT_DOUBLE_EQ(ctx.pen[1], 5);
}

TEST_F(ShapeTest, SubshapeReturnsToTheCallersBytes) {
  // 65 calls 66, which calls 67; each draws one vector after its call.
  load(shapes_file({{65, {7, 66, 0x20, 0}}, {66, {7, 67, 0x24, 0}}, {67, {0x20, 0}}}));
  run(65);
  EXPECT_DOUBLE_EQ(ctx.pen[0], 4);
  EXPECT_DOUBLE_EQ(ctx.pen[1], 2);
}

TEST_F(ShapeTest, MissingCodeFallsBackToQuestionMarkThenBlank) {
  load(shapes_file({{32, {0x20, 0}}, {63, {0x24, 0}}}));
  EXPECT_EQ(font_find_glyph(d, font, nullptr, 'A', 0), font);
  EXPECT_EQ(font_next_byte(font), 'x');  // positioned at "?"'s definition
  load(shapes_file({{32, {0x20, 0}}}));
  ASSERT_EQ(font_find_glyph(d, font, nullptr, 'A', 0), font);
  load(shapes_file({{66, {0x20, 0}}}));
  EXPECT_EQ(font_find_glyph(d, font, nullptr, 'A', 0), nullptr);
}

TEST_F(ShapeTest, DamagedFontsAreRefused) {
  auto good = shapes_file({{65, {0x20, 0}}});
  // Cut inside the index.
  EXPECT_EQ(font_load_bytes(good.data(), 28, TK_FONT_MASK_MAIN), nullptr);
  // Not a shape font at all.
  const char text[] = "just some text that is long enough";
  EXPECT_EQ(font_load_bytes(reinterpret_cast<const uint8_t*>(text), sizeof text, TK_FONT_MASK_MAIN),
            nullptr);
  // A big font claiming 61 escape ranges.
  std::string big = "AutoCAD-86 bigfont 1.0\r\n";
  std::vector<uint8_t> b(big.begin(), big.end());
  b.push_back(0x1A);
  for (uint16_t v : {uint16_t(10), uint16_t(0), uint16_t(61)}) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
  }
  b.resize(b.size() + 61 * 4 + 64, 0x81);
  EXPECT_EQ(font_load_bytes(b.data(), uint32_t(b.size()), TK_FONT_MASK_BIG), nullptr);
  // Codes 127 and 248 make it a text font, accepted as a main font only.
  auto special = shapes_file({{127, {0x20, 0}}, {248, {0x20, 0}}});
  load(special);
  EXPECT_EQ(font->kind, TK_FONT_TEXT);
  EXPECT_EQ(font_load_bytes(special.data(), uint32_t(special.size()), TK_FONT_MASK_BIG), nullptr);
}

struct DecodeCase {
  const char* text;
  uint8_t kind;
  std::vector<uint16_t> codes;
  uint8_t toggles;
};

// SHAPE entities: the style's shape font draws the shape of the entity's number at its size,
// width factor and rotation; a number the font lacks, or a style without a shape font, draws
// nothing.
TEST_F(ShapeTest, ShapeEntitiesDrawTheirShape) {
  // Shape 1: one unit right, one unit up.
  std::vector<uint8_t> bytes = shapes_file({{1, {0x10, 0x14, 0}}});
  TkFont* shapes = font_load_bytes(bytes.data(), uint32_t(bytes.size()), TK_FONT_MASK_MAIN);
  ASSERT_NE(shapes, nullptr);
  std::strcpy(shapes->name, "SHAPES.SHX");
  std::strcpy(shapes->path, "SHAPES.SHX");
  shapes->next = d->font_cache;
  d->font_cache = shapes;  // the drawing's cache owns it from here
  auto add_style = [&](const char* name, const char* file) {
    TkTextStyleRecord style;
    tk_init_style_record(&style);
    std::strcpy(style.name, name);
    std::strcpy(style.font_file, file);
    style.flags |= 1;  // a shape file
    EXPECT_EQ(tk_next_handle(d, nullptr, 0, &style.handle), 1);
    EXPECT_EQ(tk_style_add(d, &style), 1);
    return style.handle;
  };
  TkHandle with_shapes = add_style("SHAPES", "shapes");
  TkHandle without = add_style("NOSHAPES", "");
  struct Case {
    const char* name;
    uint16_t number;
    double rotation, width_factor;
    bool own_font;
    std::vector<std::pair<int32_t, int32_t>> stroke;
  } cases[] = {
      {"plain", 1, 0, 1, true, {{200, 200}, {300, 200}, {300, 300}}},
      {"turned a quarter", 1, kPi / 2, 1, true, {{200, 200}, {200, 300}, {100, 300}}},
      {"twice as wide", 1, 0, 2, true, {{200, 200}, {400, 200}, {400, 300}}},
      {"number the font lacks", 2, 0, 1, true, {}},
      {"style without a shape font", 1, 0, 1, false, {}},
  };
  std::optional<TkHandle> shown;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (shown.has_value()) {
      ASSERT_EQ(tk_delete_entity(d, model(), &*shown, 1), 1);
    }
    start(TK_SHAPE);
    shown = h.handle;
    put3(0, 20, 20);
    put<double>(24, 10.0);
    put<double>(40, c.rotation);
    put<double>(48, c.width_factor);
    put<uint16_t>(TK_SHAPE_NUMBER, c.number);
    put(TK_SHAPE_STYLE, c.own_font ? with_shapes : without);
    add();
    ASSERT_EQ(regen(), 1);
    auto s = strokes();
    if (c.stroke.empty()) {
      EXPECT_TRUE(s.empty());
      continue;
    }
    ASSERT_EQ(s.size(), 1u);
    ASSERT_EQ(s[0].size(), c.stroke.size());
    for (size_t i = 0; i < c.stroke.size(); ++i) {
      EXPECT_NEAR(s[0][i].first, c.stroke[i].first, 1) << i;
      EXPECT_NEAR(s[0][i].second, c.stroke[i].second, 1) << i;
    }
  }
}

TEST_F(ShapeTest, StringDecoding) {
  const DecodeCase cases[] = {
      {"%%%", TK_FONT_SHAPES_11, {37}, 0},
      {"a%b", TK_FONT_SHAPES_11, {'a', '%', 'b'}, 0},
      {"%%d%%p%%c", TK_FONT_SHAPES_11, {256, 257, 258}, 0},
      {"%%d%%p%%c", TK_FONT_TEXT, {256, 241, 237}, 0},
      {"%%d%%p%%c", TK_FONT_UNIFONT, {176, 177, 8709}, 0},
      {"%%d%%p%%c", TK_FONT_SHAPES_10, {127, 128, 129}, 0},
      {"%%oAB", TK_FONT_SHAPES_11, {'A', 'B'}, TK_TEXT_OVERLINE},
      {"%%u%%oA%%u", TK_FONT_SHAPES_11, {'A'}, TK_TEXT_OVERLINE},
      {"\\U+0041x", TK_FONT_SHAPES_11, {0x41, 'x'}, 0},
      {"\\U+00B0", TK_FONT_SHAPES_11, {256}, 0},
      {"\\M+1815F", TK_FONT_SHAPES_11, {0x815F}, 0},
      {"%%065", TK_FONT_SHAPES_11, {65}, 0},
      {"\\U+", TK_FONT_SHAPES_11, {'\\', 'U', '+'}, 0},
  };
  for (const DecodeCase& c : cases) {
    TkFont f{};
    f.kind = c.kind;
    TkShapeContext x{};
    x.font = &f;
    const char* cursor = c.text;
    uint8_t plain = 0, toggles = 0;
    std::vector<uint16_t> got;
    while (uint16_t code = text_next_char(&cursor, &x, 0, &plain, &toggles)) got.push_back(code);
    EXPECT_EQ(got, c.codes) << c.text;
    EXPECT_EQ(toggles, c.toggles) << c.text;
  }
}

TEST_F(DisplayTest, TextWithTheBuiltInFont) {
  start(TK_TEXT);
  put3(0, 10, 40);
  put(TK_TEXT_ATTRS, 10.0);  // height
  std::strcpy(tk_data_text(&data, TK_TEXT_STRING), "HI");
  add();
  ASSERT_EQ(regen(), 1);
  auto s = strokes();
  ASSERT_FALSE(s.empty());
  int32_t min_x = 1 << 30, max_x = -(1 << 30), min_y = 1 << 30, max_y = -(1 << 30);
  for (auto& stroke : s)
    for (auto& p : stroke) {
      min_x = std::min(min_x, p.first);
      max_x = std::max(max_x, p.first);
      min_y = std::min(min_y, p.second);
      max_y = std::max(max_y, p.second);
    }
  // Capitals stand on the base line and reach the height: device y 400 to 500.
  EXPECT_NEAR(min_y, 400, 3);
  EXPECT_NEAR(max_y, 500, 3);
  EXPECT_GE(min_x, 100);
  EXPECT_LT(max_x, 100 + 2 * 100);
}

TEST_F(DisplayTest, BlankTextDrawsNothing) {
  start(TK_TEXT);
  put3(0, 10, 40);
  put(TK_TEXT_ATTRS, 10.0);
  std::strcpy(tk_data_text(&data, TK_TEXT_STRING), "   ");
  add();
  ASSERT_EQ(regen(), 1);
  EXPECT_TRUE(strokes().empty());
}

TEST_F(DisplayTest, CentredTextStraddlesItsAlignmentPoint) {
  start(TK_TEXT);
  put3(0, 0, 0);
  put(TK_TEXT_ATTRS, 10.0);
  put<uint8_t>(TK_TEXT_ATTRS + 33, 1);  // centred
  put(64, 50.0);
  put(72, 50.0);
  std::strcpy(tk_data_text(&data, TK_TEXT_STRING), "HHHH");
  add();
  ASSERT_EQ(regen(), 1);
  int32_t min_x = 1 << 30, max_x = -(1 << 30);
  for (auto& stroke : strokes())
    for (auto& p : stroke) {
      min_x = std::min(min_x, p.first);
      max_x = std::max(max_x, p.first);
    }
  EXPECT_NEAR((min_x + max_x) / 2.0, 500, 25);
}

}  // namespace

namespace {

// The application's side of TrueType text as a test sees it: every glyph is a bar one em high
// at the character's origin, half an em wide in advance.
struct GlyphCall {
  int16_t code;
  double origin[2];
  std::string path;
  uint8_t charset;
};
std::vector<GlyphCall> glyph_calls;

void locate_truetype(TkTrueTypeRequest* request, TkUserData) {
  std::string path = std::string("C:/fonts/") + request->file;
  ASSERT_LT(path.size(), sizeof request->file);
  std::memcpy(request->file, path.c_str(), path.size() + 1);
}

int16_t bar_glyph(int16_t code, const double origin[2], const TkTrueTypeFontSpec* font,
                  TkTrueTypeGlyph* glyph, TkUserData) {
  glyph_calls.push_back({code, {origin[0], origin[1]}, font->path, font->charset});
  glyph->advance = 500;
  glyph->contour_count = 1;
  glyph->contours = static_cast<TkBlob**>(mem_alloc(sizeof(TkBlob*)));
  glyph->segment_counts = static_cast<int32_t*>(mem_alloc(sizeof(int32_t)));
  glyph->contours[0] = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob_create(glyph->contours[0]);
  const double segment[4] = {origin[0], origin[1], origin[0], origin[1] + 1000};
  blob_write(w, segment, sizeof segment);
  blob_close_write(w);
  glyph->segment_counts[0] = 1;
  glyph->flags = TK_GLYPH_FILLED | TK_GLYPH_FREE;
  return 0;
}

struct TrueTypeCase {
  const char* name;
  uint8_t halign;
  int32_t first_bar_x;  // device x of the bar of "A"
};

class TrueTypeTextTest : public DisplayTest, public ::testing::WithParamInterface<TrueTypeCase> {
 protected:
  void TearDown() override {
    tk_set_draw_truetype_text_callback(nullptr);
    tk_set_find_truetype_font_callback(nullptr);
    DisplayTest::TearDown();
  }
};

// A TEXT in a TrueType style goes from the font's resolution through the application's locator
// and glyph callback to device strokes, and the pen moves by the glyph's own advance (also when
// the text is measured for its alignment).
TEST_P(TrueTypeTextTest, IsDrawnFromTheApplicationsGlyphs) {
  const TrueTypeCase& c = GetParam();
  tk_set_find_truetype_font_callback(locate_truetype);
  tk_set_draw_truetype_text_callback(bar_glyph);
  TkTextStyleRecord style;
  tk_init_style_record(&style);
  std::strcpy(style.name, "TT");
  std::strcpy(style.font_file, "glyph.ttf");
  ASSERT_EQ(tk_next_handle(d, nullptr, 0, &style.handle), 1);
  ASSERT_EQ(tk_style_add(d, &style), 1);
  start(TK_TEXT);
  put3(0, 10, 40);
  put(TK_TEXT_ATTRS, 10.0);
  put<uint8_t>(TK_TEXT_ATTRS + 33, c.halign);
  put(64, 10.0);
  put(72, 40.0);
  put(TK_TEXT_ATTRS + 56, style.handle);
  std::strcpy(tk_data_text(&data, TK_TEXT_STRING), "AB");
  add();
  glyph_calls.clear();
  ASSERT_EQ(regen(), 1);
  ASSERT_GE(glyph_calls.size(), 2u);
  EXPECT_EQ(glyph_calls[0].path, "C:/fonts/glyph.ttf");
  EXPECT_EQ(glyph_calls[0].charset, 0) << "a style without style bits is ANSI";
  const GlyphCall& a = glyph_calls[glyph_calls.size() - 2];
  const GlyphCall& b = glyph_calls.back();
  EXPECT_EQ(a.code, 'A');
  EXPECT_EQ(b.code, 'B');
  EXPECT_EQ(b.origin[0] - a.origin[0], 500.0);
  auto s = strokes();
  ASSERT_EQ(s.size(), 2u);
  EXPECT_NEAR(s[0].front().first, c.first_bar_x, 1);
  EXPECT_NEAR(s[1].front().first, c.first_bar_x + 50, 1);
  EXPECT_NEAR(s[0].front().second, 400, 1);
  EXPECT_NEAR(s[0].back().second, 500, 1);
}

// A filled glyph with a hole: a square ring one em wide, its hole half an em. Its contours are
// one region: the ring is filled, the hole stays open.
int16_t ring_glyph(int16_t, const double origin[2], const TkTrueTypeFontSpec*,
                   TkTrueTypeGlyph* glyph, TkUserData) {
  glyph->advance = 1000;
  glyph->contour_count = 2;
  glyph->contours = static_cast<TkBlob**>(mem_alloc(2 * sizeof(TkBlob*)));
  glyph->segment_counts = static_cast<int32_t*>(mem_alloc(2 * sizeof(int32_t)));
  const double sides[2][2] = {{0, 1000}, {250, 750}};
  for (int c = 0; c < 2; ++c) {
    double lo = sides[c][0], hi = sides[c][1];
    const double corners[5][2] = {{lo, lo}, {hi, lo}, {hi, hi}, {lo, hi}, {lo, lo}};
    glyph->contours[c] = blob_alloc(TK_BLOB_CHUNK_SIZE);
    TkBlob* w = blob_create(glyph->contours[c]);
    for (int k = 0; k < 4; ++k) {
      const double segment[4] = {origin[0] + corners[k][0], origin[1] + corners[k][1],
                                 origin[0] + corners[k + 1][0], origin[1] + corners[k + 1][1]};
      blob_write(w, segment, sizeof segment);
    }
    blob_close_write(w);
    glyph->segment_counts[c] = 4;
  }
  glyph->flags = TK_GLYPH_FILLED | TK_GLYPH_FREE;
  return 0;
}

TEST_F(TrueTypeTextTest, FilledGlyphKeepsItsHoleOpen) {
  tk_set_find_truetype_font_callback(locate_truetype);
  tk_set_draw_truetype_text_callback(ring_glyph);
  TkTextStyleRecord style;
  tk_init_style_record(&style);
  std::strcpy(style.name, "TT");
  std::strcpy(style.font_file, "ring.ttf");
  ASSERT_EQ(tk_next_handle(d, nullptr, 0, &style.handle), 1);
  ASSERT_EQ(tk_style_add(d, &style), 1);
  start(TK_TEXT);
  put3(0, 20, 20);
  put(TK_TEXT_ATTRS, 40.0);  // the ring covers device (200, 200) to (600, 600)
  put(TK_TEXT_ATTRS + 56, style.handle);
  std::strcpy(tk_data_text(&data, TK_TEXT_STRING), "O");
  add();
  ASSERT_EQ(regen(), 1);
  EXPECT_TRUE(strokes().empty()) << "a filled glyph is not outlined";
  auto fills = of(2);
  ASSERT_FALSE(fills.empty());
  // Which device points the sent triangles and polygons cover.
  auto covered = [&](double x, double y) {
    for (const auto& f : fills) {
      bool inside = false;
      size_t n = f.pts.size() / 2;
      for (size_t i = 0, j = n - 1; i < n; j = i++) {
        double xi = f.pts[2 * i], yi = f.pts[2 * i + 1], xj = f.pts[2 * j], yj = f.pts[2 * j + 1];
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
      }
      if (inside) return true;
    }
    return false;
  };
  EXPECT_TRUE(covered(250, 400)) << "left side of the ring";
  EXPECT_TRUE(covered(550, 555)) << "top right of the ring";
  EXPECT_FALSE(covered(400, 400)) << "the hole";
  EXPECT_FALSE(covered(700, 400)) << "outside";
}

const TrueTypeCase kTrueTypeCases[] = {
    {"left", 0, 100},
    {"centred", 1, 50},  // the box runs to where the pen stops: two advances of 500
};
INSTANTIATE_TEST_SUITE_P(Alignments, TrueTypeTextTest, ::testing::ValuesIn(kTrueTypeCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
