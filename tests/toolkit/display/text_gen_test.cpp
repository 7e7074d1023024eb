// Text and shapes beyond the plain string: mirrored TEXT placed by its justification, shapes and
// strings embedded in complex linetypes, shapes found by number and by name in the styles' shape
// files, big fonts whose index is not in hash order, the measuring fallbacks, the code page's
// symbols in paragraph text, and paragraph text's stacked fractions, vertical columns, colours
// and line feeds.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "display_support.h"
#include "toolkit/core/load.h"
#include "toolkit/core/matrix.h"
#include "toolkit/core/object.h"
#include "toolkit/core/state.h"
#include "toolkit/core/truetype.h"
#include "toolkit/display/ltype_shape.h"
#include "toolkit/display/mtext.h"
#include "toolkit/display/regen_kinds.h"
#include "toolkit/display/shx.h"

namespace {

using display_test::DisplayTest;
using display_test::of;
using display_test::strokes;

constexpr double kPi = 3.14159265358979323846;

struct Box {
  int32_t x0 = 1 << 30, y0 = 1 << 30, x1 = -(1 << 30), y1 = -(1 << 30);
};

Box stroke_box() {
  Box b;
  for (auto& s : strokes())
    for (auto& p : s) {
      b.x0 = std::min(b.x0, p.first);
      b.y0 = std::min(b.y0, p.second);
      b.x1 = std::max(b.x1, p.first);
      b.y1 = std::max(b.y1, p.second);
    }
  return b;
}

// A shapes 1.1 file of named shapes: (code, name, definition bytes after the name).
struct ShapeDef {
  uint16_t code;
  std::string name;
  std::vector<uint8_t> bytes;
};

std::vector<uint8_t> shapes_file(const std::vector<ShapeDef>& shapes) {
  const char* header = "AutoCAD-86 shapes 1.1\r\n";
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
    w16(s.code);
    w16(uint16_t(s.name.size() + 1 + s.bytes.size()));
  }
  for (auto& s : shapes) {
    f.insert(f.end(), s.name.begin(), s.name.end());
    f.push_back(0);
    f.insert(f.end(), s.bytes.begin(), s.bytes.end());
  }
  return f;
}

// The shape files of a test live in a temporary folder; the shape-font locator finds them
// there by their upper-case name.
std::string font_dir;

void locate_in_dir(const char* name, char* out, TkUserData) {
  std::string path = font_dir + "/" + name;
  for (char& c : path)
    if (&c >= &path[font_dir.size()]) c = char(std::toupper(static_cast<unsigned char>(c)));
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    out[0] = 0;
    return;
  }
  std::fclose(f);
  std::snprintf(out, TK_PATH_MAX, "%s", path.c_str());
}

std::vector<std::string> failed_opens;
void on_open_failed(const char* name, TkUserData) { failed_opens.push_back(name); }

class TextGenTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    char pattern[] = "/tmp/vv_fontsXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    font_dir = pattern;
    tk_state->find_shape_font = locate_in_dir;
    failed_opens.clear();
  }
  void TearDown() override {
    for (const std::string& f : written) std::remove(f.c_str());
    rmdir(font_dir.c_str());
    DisplayTest::TearDown();
  }
  void write_font(const char* name, const std::vector<uint8_t>& bytes) {
    std::string path = font_dir + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    written.push_back(path);
  }
  TkHandle add_style(const char* name, const char* file, uint8_t flags = 0,
                     const char* bigfont = "") {
    TkTextStyleRecord style;
    tk_init_style_record(&style);
    std::strcpy(style.name, name);
    std::strcpy(style.font_file, file);
    std::strcpy(style.bigfont_file, bigfont);
    style.flags |= flags;
    EXPECT_EQ(tk_next_handle(d, nullptr, 0, &style.handle), 1);
    EXPECT_EQ(tk_style_add(d, &style), 1);
    return style.handle;
  }
  void text(double x, double y, const char* s, uint8_t halign, uint8_t valign, uint8_t generation,
            double ax, double ay) {
    start(TK_TEXT);
    put3(0, x, y);
    put(TK_TEXT_ATTRS, 10.0);
    put<uint8_t>(TK_TEXT_ATTRS + 32, generation);
    put<uint8_t>(TK_TEXT_ATTRS + 33, halign);
    put<uint8_t>(TK_TEXT_ATTRS + 34, valign);
    put(64, ax);
    put(72, ay);
    std::strcpy(tk_data_text(&data, TK_TEXT_STRING), s);
    add();
  }
  void mtext(double x, double y, const char* s, uint8_t direction = 1) {
    start(TK_MTEXT);
    put3(0, x, y);
    put(48, 10.0);
    put<uint8_t>(64, 1);
    put<uint8_t>(65, direction);
    std::strcpy(tk_data_text(&data, TK_MTEXT_STRING), s);
    add();
  }
  void clear() {
    for (TkHandle handle : shown) tk_delete_entity(d, model(), &handle, 1);
    shown.clear();
  }
  // Puts a font into the drawing's cache under its requested name, as if it had been loaded:
  // the located path of a file is upper-cased, which a case-sensitive file system will not
  // open.
  void cache_font(const char* name, const std::vector<uint8_t>& bytes) {
    TkFont* font = font_load_bytes(bytes.data(), uint32_t(bytes.size()), TK_FONT_MASK_MAIN);
    ASSERT_NE(font, nullptr);
    std::strcpy(font->name, name);
    std::strcpy(font->path, name);
    font->next = d->font_cache;
    d->font_cache = font;  // the drawing's cache owns it from here
  }
  std::vector<std::string> written;
  std::vector<TkHandle> shown;
};

// Mirrored TEXT keeps each end of the text at its own alignment point: a right-justified
// backwards text begins (in reading order) right of the point and ends on it, so its strokes lie
// right of the point; an upside-down text justified at its top hangs from the point upwards.
TEST_F(TextGenTest, MirroredTextKeepsItsEndAtTheAlignmentPoint) {
  struct Case {
    const char* name;
    uint8_t halign, valign, generation;
    // Which stroke box edge lies at the alignment point (device 500): 'l' left, 'r' right,
    // 'c' centre, 'b' bottom, 't' top, 0 not checked.
    char x_edge, y_edge;
  } cases[] = {
      {"right", 2, 0, 0, 'r', 0},
      {"right backwards", 2, 0, 2, 'l', 0},
      {"centre backwards", 1, 0, 2, 'c', 0},
      {"right upside down", 2, 0, 4, 'r', 0},
      {"right backwards upside down", 2, 0, 6, 'l', 0},
      {"top", 0, 3, 0, 0, 't'},
      {"top upside down", 0, 3, 4, 0, 'b'},
      {"top backwards upside down", 0, 3, 6, 0, 'b'},
      {"middle upside down", 4, 0, 4, 'c', 'c'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    clear();
    text(0, 0, "HHHH", c.halign, c.valign, c.generation, 50, 50);
    shown.push_back(h.handle);
    ASSERT_EQ(regen(), 1);
    Box b = stroke_box();
    ASSERT_LT(b.x0, b.x1);
    // The advance of a character leaves a gap after its strokes: a quarter of the height.
    const int slack = 30;
    if (c.x_edge == 'l') {
      EXPECT_NEAR(b.x0, 500, slack);
    }
    if (c.x_edge == 'r') {
      EXPECT_NEAR(b.x1, 500, slack);
    }
    if (c.x_edge == 'c') {
      EXPECT_NEAR((b.x0 + b.x1) / 2.0, 500, slack);
    }
    if (c.y_edge == 'b') {
      EXPECT_NEAR(b.y0, 500, 5);
    }
    if (c.y_edge == 't') {
      EXPECT_NEAR(b.y1, 500, 5);
    }
    if (c.y_edge == 'c') {
      EXPECT_NEAR((b.y0 + b.y1) / 2.0, 500, 10);
    }
  }
}

// A backwards aligned text runs between its two points, not away from them.
TEST_F(TextGenTest, BackwardsFitTextStaysBetweenItsPoints) {
  text(20, 50, "HHHH", 5, 0, 2, 80, 50);
  ASSERT_EQ(regen(), 1);
  Box b = stroke_box();
  EXPECT_GE(b.x0, 190);
  EXPECT_LE(b.x1, 810);
}

class LinetypeShapeTest : public TextGenTest {
 protected:
  void SetUp() override {
    TextGenTest::SetUp();
    // Shape 1 and 44: one unit right, then one unit up.
    cache_font("SHAPES.SHX",
               shapes_file({{1, "ONE", {0x10, 0x14, 0}}, {44, "COMMA", {0x10, 0x14, 0}}}));
    shape_style = add_style("SHAPES", "shapes", 1);
    text_style = add_style("TEXTSTYLE", "");
    missing_style = add_style("MISSING", "nosuchfont", 1);
  }
  // A LINE with a linetype of dash 10, gap 10 whose gap carries the element.
  void dashed_line(double x0, double y0, double x1, double y1, TkDashElement element,
                   const char* text = nullptr) {
    TkLinetypeRecord lt;
    tk_init_ltype_record(&lt);
    std::snprintf(lt.name, sizeof lt.name, "LT%d", ++linetypes);
    EXPECT_EQ(tk_next_handle(d, nullptr, 0, &lt.handle), 1);
    lt.element_count = 2;
    lt.pattern_length = 20;
    lt.elements[0].length = 10;
    lt.elements[0].scale = 1;
    element.length = -10;
    lt.elements[1] = element;
    if (text) {
      std::strcpy(lt.dash_texts, text);
      lt.elements[1].text_index = 0;
    }
    EXPECT_EQ(tk_ltype_add(d, &lt), 1);
    start(TK_LINE);
    put3(0, x0, y0);
    put3(24, x1, y1);
    h.linetype = lt.handle;
    h.linetype_scale = 1;
    add();
    shown.push_back(h.handle);
  }
  TkDashElement shape(uint16_t number, TkHandle style, double rotation = 0, uint16_t flags = 0) {
    TkDashElement e{};
    e.shape = number;
    e.scale = 1;
    e.rotation = rotation;
    e.text_style = style;
    e.shape_flags = flags;
    return e;
  }
  // The two-piece strokes of the shape (right, then up) among what was drawn.
  std::vector<std::vector<std::pair<int32_t, int32_t>>> shape_strokes() {
    std::vector<std::vector<std::pair<int32_t, int32_t>>> out;
    for (auto& s : strokes())
      if (s.size() == 3) out.push_back(s);
    return out;
  }
  TkHandle shape_style{}, text_style{}, missing_style{};
  int linetypes = 0;
};

TEST_F(LinetypeShapeTest, ShapesStandAtTheEndOfTheirElement) {
  struct Case {
    const char* name;
    double x0, y0, x1, y1;
    uint16_t number;
    double rotation;
    uint16_t flags;
    bool missing_font;
    // The first shape's stroke: start, after the right move, after the up move.
    std::vector<std::pair<int32_t, int32_t>> first;
  } cases[] = {
      // 80 units hold four patterns; the first dash is halved (5), so the gap ends at 25.
      {"along x", 10, 50, 90, 50, 1, 0, 0, false, {{250, 500}, {260, 500}, {260, 510}}},
      {"shape 300 is code 44",
       10,
       50,
       90,
       50,
       300,
       0,
       0,
       false,
       {{250, 500}, {260, 500}, {260, 510}}},
      {"turns with the segment",
       50,
       10,
       50,
       90,
       1,
       0,
       0,
       false,
       {{500, 250}, {500, 260}, {490, 260}}},
      {"absolute rotation keeps its angle",
       50,
       10,
       50,
       90,
       1,
       0,
       1,
       false,
       {{500, 250}, {510, 250}, {510, 260}}},
      {"relative rotation adds to the segment's",
       10,
       50,
       90,
       50,
       1,
       kPi / 2,
       0,
       false,
       {{250, 500}, {250, 510}, {240, 510}}},
      {"missing font draws no shape", 10, 50, 90, 50, 1, 0, 0, true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    clear();
    dashed_line(c.x0, c.y0, c.x1, c.y1,
                shape(c.number, c.missing_font ? missing_style : shape_style, c.rotation, c.flags));
    ASSERT_EQ(regen(), 1);
    auto s = shape_strokes();
    if (c.first.empty()) {
      EXPECT_TRUE(s.empty());
      continue;
    }
    ASSERT_EQ(s.size(), 4u);  // one per repetition
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_NEAR(s[0][i].first, c.first[i].first, 1) << i;
      EXPECT_NEAR(s[0][i].second, c.first[i].second, 1) << i;
    }
  }
}

// The offsets follow the linetype scale, not the element's scale.
TEST_F(LinetypeShapeTest, OffsetsFollowTheLinetypeScaleOnly) {
  TkDashElement e = shape(1, shape_style);
  e.scale = 2;
  e.x_offset = 1;
  e.y_offset = 2;
  dashed_line(10, 50, 90, 50, e);
  ASSERT_EQ(regen(), 1);
  auto s = strokes();
  bool found = false;
  for (auto& st : s)
    if (st.size() == 3 && st[0] == std::make_pair(260, 520)) {
      found = true;
      EXPECT_EQ(st[1], std::make_pair(280, 520));
      EXPECT_EQ(st[2], std::make_pair(280, 540));
    }
  EXPECT_TRUE(found);
}

// A text element draws its string in the style's font, or in the built-in font when the style's
// font is missing.
TEST_F(LinetypeShapeTest, TextElementsDrawTheirString) {
  for (bool missing : {false, true}) {
    SCOPED_TRACE(missing ? "missing font" : "built-in style font");
    clear();
    TkDashElement e = shape(0, missing ? missing_style : text_style, 0, 2);
    dashed_line(10, 50, 90, 50, e, "H");
    ASSERT_EQ(regen(), 1);
    size_t with_text = strokes().size();
    clear();
    dashed_line(10, 50, 90, 50, shape(0, text_style));
    ASSERT_EQ(regen(), 1);
    // Each of the four "H" adds strokes.
    EXPECT_GE(with_text, strokes().size() + 4);
  }
}

// A string stops at a character that its font lacks ("?" and blank absent too); the walk goes
// on, and every repetition draws what comes before that character.
TEST_F(LinetypeShapeTest, TextStopsAtACharacterWithoutGlyph) {
  cache_font("ONLYA.SHX", shapes_file({{'A', "A", {0x10, 0x14, 0}}}));
  TkHandle style = add_style("ONLYA", "onlya");
  for (const char* s : {"A", "AB", "BA"}) {
    SCOPED_TRACE(s);
    clear();
    dashed_line(10, 50, 90, 50, shape(0, style, 0, 2), s);
    ASSERT_EQ(regen(), 1);
    EXPECT_EQ(shape_strokes().size(), s[0] == 'A' ? 4u : 0u);
    EXPECT_EQ(strokes().size() - shape_strokes().size(), 5u);  // the dashes all drawn
  }
}

TEST_F(TextGenTest, ShapesByNameAndByNumber) {
  write_font("SYMBOLS.SHX", shapes_file({{3, "TRACK", {0x10, 0}}, {7, "DIAMOND", {0x12, 0}}}));
  write_font("OTHERS.SHX", shapes_file({{9, "STAR", {0x10, 0}}}));
  add_style("PLAIN", "txt");  // a text font: never searched for shapes
  TkHandle symbols = add_style("SYMBOLS", "symbols", 1);
  TkHandle others = add_style("OTHERS", "others.shx", 1);
  struct Case {
    const char* name;
    int16_t found;
    TkHandle style;
    uint8_t number;
  } cases[] = {
      {"DIAMOND", 1, symbols, 7}, {"TRACK", 1, symbols, 3},      {"STAR", 1, others, 9},
      {"NONE", 0, TkHandle{}, 0}, {"diamond", 0, TkHandle{}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TkHandle style{};
    uint8_t number = 99;
    EXPECT_EQ(font_find_shape(d, c.name, &style, &number), c.found);
    EXPECT_EQ(tk_handle_compare(&style, &c.style), 0);
    EXPECT_EQ(number, c.number);
  }
  char name[32];
  EXPECT_EQ(font_shape_name(d, &symbols, 7, name), 1);
  EXPECT_STREQ(name, "DIAMOND");
  EXPECT_EQ(font_shape_name(d, &others, 9, name), 1);
  EXPECT_STREQ(name, "STAR");
  EXPECT_EQ(font_shape_name(d, &symbols, 8, name), 0);
  // The load's lookup of a SHAPE's name goes through the same search, installed with the other
  // hooks that the program sets at its start.
  regen_install_core_hooks();
  ASSERT_NE(tk_state->shape_lookup, nullptr);
  uint16_t number = 0;
  TkHandle style{};
  EXPECT_EQ(tk_state->shape_lookup(d, "STAR", &number, &style), 1);
  EXPECT_EQ(number, 9);
  EXPECT_EQ(tk_handle_compare(&style, &others), 0);
}

// A damaged shape file (a count past its end, definitions cut short) finds nothing and reads
// nothing beyond it.
TEST_F(TextGenTest, DamagedShapeFilesFindNothing) {
  std::vector<uint8_t> bytes = shapes_file({{3, "TRACK", {0x10, 0}}});
  std::vector<uint8_t> long_count = bytes;
  long_count[28] = 0xFF;
  std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + 34);
  write_font("LONGCOUNT.SHX", long_count);
  write_font("CUT.SHX", cut);
  TkHandle a = add_style("A", "longcount", 1);
  add_style("B", "cut", 1);
  TkHandle style{};
  uint8_t number = 0;
  EXPECT_EQ(font_find_shape(d, "TRACK", &style, &number), 0);
  char name[32];
  EXPECT_EQ(font_shape_name(d, &a, 3, name), 0);
}

// A big font whose index is not in the order of its hash: the code stands before the guessed
// start of the search and is found all the same.
TEST_F(TextGenTest, BigFontSearchWrapsAround) {
  const char* header = "AutoCAD-86 bigfont 1.0\r\n";
  std::vector<uint8_t> f(header, header + std::strlen(header));
  f.push_back(0x1A);
  auto w16 = [&](uint16_t v) {
    f.push_back(uint8_t(v));
    f.push_back(uint8_t(v >> 8));
  };
  auto w32 = [&](uint32_t v) {
    w16(uint16_t(v));
    w16(uint16_t(v >> 16));
  };
  const int n = 8;
  w16(0);
  w16(n);
  w16(1);
  w16(0x86);
  w16(0x86);
  size_t index_at = f.size();
  size_t data_at = index_at + 8 * n;
  // Entry 1 holds code 0x8641, whose guessed start is entry 5.
  std::vector<uint8_t> glyph = {'x', 0, 0x10, 0};
  for (int i = 0; i < n; ++i) {
    uint16_t code = i == 1 ? 0x8641 : uint16_t(0x8600 + 0x70 + i);
    w16(uint16_t(code));
    w16(uint16_t(glyph.size()));
    w32(uint32_t(data_at + glyph.size() * i));
  }
  for (int i = 0; i < n; ++i) f.insert(f.end(), glyph.begin(), glyph.end());
  TkFont* big = font_load_bytes(f.data(), uint32_t(f.size()), TK_FONT_MASK_BIG);
  ASSERT_NE(big, nullptr);
  TkFont* main = tk_state->builtin_fonts[0];
  EXPECT_EQ(font_find_glyph(d, main, big, 0x8641, 1), big);
  EXPECT_EQ(font_find_glyph(d, main, big, 0x8677, 1), big);
  font_free(big);
}

TEST_F(TextGenTest, MeasuringWithAMissingBigFont) {
  cache_font("MAIN.SHX", shapes_file({{'H', "H", {0x10, 0}}}));
  TkTextStyleRecord style;
  tk_init_style_record(&style);
  std::strcpy(style.font_file, "main");
  std::strcpy(style.bigfont_file, "nosuchbig.shx");
  TkTextParams p{};
  p.height = 1;
  p.width_factor = 1;
  double box[4], descent;
  EXPECT_EQ(regen_text_extents(d, "HH", &p, &style, box, &descent, 0), 0);
  EXPECT_EQ(tk_state->last_error & 0xFFFF, 297u);
  EXPECT_EQ(regen_text_extents(d, "HH", &p, &style, box, &descent, 1), 1);
  EXPECT_GT(box[2], box[0]);
}

TEST_F(TextGenTest, FontThatWillNotOpenIsReported) {
  tk_state->font_open_failed = on_open_failed;
  // Located, but a folder, so it does not open as a file.
  std::string dir = font_dir + "/LOCKED.SHX";
  ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
  TkFont* first = tk_state->builtin_fonts[0];
  EXPECT_EQ(font_resolve(d, "locked", TK_FONT_MASK_MAIN, first, nullptr, 0xFFFFFFFF), first);
  rmdir(dir.c_str());
  tk_state->font_open_failed = nullptr;
  ASSERT_EQ(failed_opens.size(), 1u);
  EXPECT_EQ(failed_opens[0], "LOCKED.SHX");
}

// The degree and plus-minus signs of code page ANSI_1252 (bytes 176, 177) draw as the shape
// font's own symbols, as "%%d" and "%%p" do, in TEXT and in paragraph text.
TEST_F(TextGenTest, CodePageSymbolsDrawAsTheFontsOwn) {
  d->header->dwgcodepage = 30;
  for (bool paragraph : {false, true}) {
    for (const char* pair : {"\xB0|%%d", "\xB1|%%p"}) {
      std::string byte(pair, 1), control(pair + 2);
      SCOPED_TRACE(std::string(paragraph ? "MTEXT " : "TEXT ") + control);
      std::vector<std::vector<std::pair<int32_t, int32_t>>> drawn[2];
      for (int i = 0; i < 2; ++i) {
        clear();
        std::string s = "1" + (i == 0 ? byte : control);
        if (paragraph)
          mtext(10, 50, s.c_str());
        else
          text(10, 50, s.c_str(), 0, 0, 0, 0, 0);
        shown.push_back(h.handle);
        ASSERT_EQ(regen(), 1);
        drawn[i] = strokes();
      }
      EXPECT_EQ(drawn[0], drawn[1]);
      // Not the question mark.
      clear();
      if (paragraph)
        mtext(10, 50, "1?");
      else
        text(10, 50, "1?", 0, 0, 0, 0, 0);
      shown.push_back(h.handle);
      ASSERT_EQ(regen(), 1);
      EXPECT_NE(drawn[0], strokes());
    }
  }
}

std::vector<TkTrueTypeRequest> truetype_requests;
void record_truetype(TkTrueTypeRequest* request, TkUserData) {
  truetype_requests.push_back(*request);
  std::strcpy(request->file, "C:/fonts/face.ttf");
}
int glyph_calls = 0;
int16_t no_glyph(int16_t, const double[2], const TkTrueTypeFontSpec*, TkTrueTypeGlyph* glyph,
                 TkUserData) {
  ++glyph_calls;
  glyph->advance = 500;
  return 0;
}
// An application whose font file is gone: no glyph can be had.
int16_t failed_glyph(int16_t, const double[2], const TkTrueTypeFontSpec*, TkTrueTypeGlyph*,
                     TkUserData) {
  ++glyph_calls;
  return 1;
}

// A TrueType style whose extended data names its face (1000) and style bits (1071).
TkHandle add_truetype_style(TkDrawing* d, const char* face, uint32_t bits) {
  TkTextStyleRecord style;
  tk_init_style_record(&style);
  std::strcpy(style.name, "FACE");
  std::strcpy(style.font_file, "face.ttf");
  style.xdata = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob_create(style.xdata);
  TkXdataItem item{};
  item.code = 1000;
  std::strcpy(reinterpret_cast<char*>(item.value), face);
  xdata_append_item(w, &item);
  item = TkXdataItem{};
  item.code = 1071;
  std::memcpy(item.value, &bits, 4);
  xdata_append_item(w, &item);
  blob_close_write(w);
  EXPECT_EQ(tk_next_handle(d, nullptr, 0, &style.handle), 1);
  EXPECT_EQ(tk_style_add(d, &style), 1);  // the table owns the extended data from here
  return style.handle;
}

// A style whose extended data names a TrueType face (1000) and its style bits (1071) asks the
// application's locator for that face with those bits.
TEST_F(TextGenTest, TrueTypeFaceFromTheStylesExtendedData) {
  tk_set_find_truetype_font_callback(record_truetype);
  tk_set_draw_truetype_text_callback(no_glyph);
  truetype_requests.clear();
  TkHandle style = add_truetype_style(d, "Face Sans", 0x02000022);
  start(TK_TEXT);
  put3(0, 10, 40);
  put(TK_TEXT_ATTRS, 10.0);
  put(TK_TEXT_ATTRS + 56, style);
  std::strcpy(tk_data_text(&data, TK_TEXT_STRING), "AB");
  add();
  ASSERT_EQ(regen(), 1);
  tk_set_draw_truetype_text_callback(nullptr);
  tk_set_find_truetype_font_callback(nullptr);
  ASSERT_FALSE(truetype_requests.empty());
  EXPECT_STREQ(truetype_requests[0].face, "Face Sans");
  EXPECT_EQ(truetype_requests[0].style, 0x02000022u);
}

// Every character of a TrueType text is asked of the application, however long the text; one
// whose glyph the application cannot give (its font file is gone) is still drawn, from the
// built-in font at the text's height.
TEST_F(TextGenTest, TrueTypeTextWithoutItsGlyphsStillDraws) {
  struct Case {
    const char* name;
    bool paragraph;
    TkTrueTypeTextFn glyphs;
    const char* text;
    int asked;
    bool strokes_drawn;
  } cases[] = {
      {"text_without_glyphs", false, failed_glyph, "HH", 2, true},
      {"paragraph_without_glyphs", true, failed_glyph, "HH", 2, true},
      {"long_text", false, no_glyph, "HHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHH", 40, false},
      {"long_paragraph", true, no_glyph, "HHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHH", 40, false},
  };
  tk_set_find_truetype_font_callback(record_truetype);
  TkHandle style = add_truetype_style(d, "Face Sans", 0x22);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tk_set_draw_truetype_text_callback(c.glyphs);
    clear();
    start(c.paragraph ? TK_MTEXT : TK_TEXT);
    put3(0, 10, 40);
    if (c.paragraph) {
      put(48, 10.0);
      put<uint8_t>(64, 7);  // bottom left
      put<uint8_t>(65, 1);
      put(TK_MTEXT_STYLE, style);
    } else {
      put(TK_TEXT_ATTRS, 10.0);
      put(TK_TEXT_ATTRS + 56, style);
    }
    std::strcpy(tk_data_text(&data, c.paragraph ? TK_MTEXT_STRING : TK_TEXT_STRING), c.text);
    add();
    shown.push_back(h.handle);
    glyph_calls = 0;
    ASSERT_EQ(regen(), 1);
    EXPECT_EQ(glyph_calls, c.asked);
    if (!c.strokes_drawn) continue;
    Box b = stroke_box();
    EXPECT_FALSE(strokes().empty());
    // Two capitals 10 high standing on the base line at y 40.
    EXPECT_NEAR(b.y0, 400, 3);
    EXPECT_NEAR(b.y1, 500, 5);
    EXPECT_GT(b.x1 - b.x0, 100);
  }
  tk_set_draw_truetype_text_callback(nullptr);
  tk_set_find_truetype_font_callback(nullptr);
}

class ParagraphTest : public TextGenTest {};

// "/" draws a horizontal bar across the wider part, "#" a slanted one, "^" none.
TEST_F(ParagraphTest, StackedFractions) {
  struct Case {
    const char* text;
    int horizontal_bars, slanted_bars;
  } cases[] = {{"\\S1/2;", 1, 0}, {"\\S1#2;", 0, 1}, {"\\S1^2;", 0, 0}, {"\\S/2;", 1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    clear();
    mtext(10, 50, c.text);
    shown.push_back(h.handle);
    ASSERT_EQ(regen(), 1);
    int horizontal = 0, slanted = 0;
    auto s = strokes();
    for (auto& st : s) {
      if (st.size() != 2) continue;
      int dx = st[1].first - st[0].first, dy = st[1].second - st[0].second;
      // The line hangs from the insertion point (top left): its base line is at 400. The "2"
      // has a horizontal foot in its part's own height; the bar is the stroke at mid-height.
      if (dy == 0 && dx != 0 && st[0].second > 440 && st[0].second < 460) ++horizontal;
      if (dy != 0 && dx > 0 && dy > 60) ++slanted;
    }
    EXPECT_EQ(horizontal, c.horizontal_bars);
    EXPECT_EQ(slanted, c.slanted_bars);
    // The parts stand one over the other or side by side, within the text's height.
    Box b = stroke_box();
    EXPECT_GE(b.y0, 360);
    EXPECT_LE(b.y1, 540);
  }
}

// \C0 takes the block's colour and \C256 the layer's.
TEST_F(ParagraphTest, ColourCodesOfBlockAndLayer) {
  mtext(10, 50, "\\C1;A\\C256;B\\C0;C");
  shown.push_back(h.handle);
  ASSERT_EQ(regen(), 1);
  std::vector<int32_t> colours;
  for (auto& c : of(4)) colours.push_back(c.a);
  // The entity's colour is the layer's (7) and outside any block the block colour is 7 too;
  // what matters is that neither code passes 0 or 256 on.
  ASSERT_GE(colours.size(), 2u);
  EXPECT_EQ(colours[colours.size() - 2], 1);
  for (int32_t c : colours) {
    EXPECT_NE(c, 0);
    EXPECT_LT(c, 256);
  }
}

// Vertical text stands in a column going down from the insertion point; a second paragraph is a
// second column to its right.
TEST_F(ParagraphTest, VerticalTextStandsInColumns) {
  mtext(50, 90, "HHH\\PHHH", 3);
  shown.push_back(h.handle);
  ASSERT_EQ(regen(), 1);
  Box b = stroke_box();
  EXPECT_GT(b.y1 - b.y0, 250);  // three characters one below the other
  EXPECT_LT(b.y1, 900 + 5);
  EXPECT_GE(b.x0, 495);
  EXPECT_GT(b.x1, 600);  // the second column
}

// Line feeds break lines only in an AC1012 drawing; elsewhere they are skipped.
TEST_F(ParagraphTest, LineFeedsBreakOnlyInTheOlderRelease) {
  for (bool older : {false, true}) {
    SCOPED_TRACE(older ? "AC1012" : "AC1015");
    d->version = older ? TK_VERSION_AC1012 : TK_VERSION_AC1015;
    clear();
    mtext(10, 90, "HH\nHH");
    shown.push_back(h.handle);
    ASSERT_EQ(regen(), 1);
    Box b = stroke_box();
    if (older)
      EXPECT_LT(b.y0, 800 - 100);
    else
      EXPECT_GT(b.y0, 800 - 10);
  }
}

// \A1 centres the smaller characters of a line in its height; \A0 keeps them on the base line.
TEST_F(ParagraphTest, AlignmentWithinTheLine) {
  int32_t bottoms[3];
  for (int a = 0; a < 3; ++a) {
    clear();
    std::string s = "\\A" + std::to_string(a) + ";{\\H2x;H}{\\H0.5x;I}";
    mtext(10, 50, s.c_str());
    shown.push_back(h.handle);
    ASSERT_EQ(regen(), 1);
    // The small "I" is the rightmost stroke.
    int32_t right = -1, bottom = 0;
    for (auto& st : strokes())
      for (auto& p : st)
        if (p.first > right) {
          right = p.first;
          bottom = std::min(st[0].second, st.back().second);
        }
    bottoms[a] = bottom;
  }
  // Line height 20, the "I" 5 high: centred 7.5 units up, at the top 15 units up.
  EXPECT_NEAR(bottoms[1] - bottoms[0], 75, 3);
  EXPECT_NEAR(bottoms[2] - bottoms[0], 150, 3);
}

TEST_F(ParagraphTest, MeasuredSizeIsWrittenBack) {
  ASSERT_EQ(regen(), 1);  // the display state's transforms are set up
  start(TK_MTEXT);
  put3(0, 10, 50);
  put(48, 10.0);
  put<uint8_t>(64, 1);
  std::strcpy(tk_data_text(&data, TK_MTEXT_STRING), "HH\\PH");
  double identity[16];
  tk_matrix_identity(identity);
  ASSERT_EQ(mtext_entity(d, &data, identity, 7), 1);
  double width = tk_data_get<double>(&data, TK_MTEXT_MEASURED_WIDTH);
  double height = tk_data_get<double>(&data, TK_MTEXT_MEASURED_HEIGHT);
  EXPECT_GT(width, 10);
  EXPECT_LT(width, 30);
  EXPECT_NEAR(height, 10 + 16.66667, 0.01);
}

// Spacing by the lines' own largest height, as the tolerance frames space their rows.
TEST_F(ParagraphTest, LargestHeightSpacing) {
  int32_t low[2];
  for (int flag = 0; flag < 2; ++flag) {
    clear();
    mtext_largest_height = uint8_t(flag);
    start(TK_MTEXT);
    put3(0, 10, 90);
    put(48, 10.0);
    put<uint8_t>(64, 1);
    put<int16_t>(88, 1);
    put(96, 1.0);
    std::strcpy(tk_data_text(&data, TK_MTEXT_STRING), "{\\H0.5x;H}\\P{\\H0.5x;H}");
    add();
    shown.push_back(h.handle);
    ASSERT_EQ(regen(), 1);
    mtext_largest_height = 0;
    low[flag] = stroke_box().y0;
  }
  EXPECT_GT(low[1], low[0] + 20);
}

}  // namespace
