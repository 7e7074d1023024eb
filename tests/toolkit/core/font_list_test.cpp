// The built-in shape fonts as start-up builds them from the generated init data: the records'
// fixed values, an index display generation can bisect, definitions that a shape interpreter can
// walk to their end without leaving the block, and glyphs that stand where text expects them.
// The standalone shape-font files the generator writes are checked the same way.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core_support.h"
#include "toolkit/core/font.h"

using namespace core_test;

namespace {

struct Walk {
  bool ok = false;
  int min_y = 0, max_y = 0, end_x = 0;
  bool drew = false;
};

// Walks one definition (name, commands, code 0) the way the shape interpreter reads it, tracking
// the pen; fails on a command that runs past the end of the bytes.
Walk walk(const uint8_t* p, size_t n) {
  Walk w;
  size_t i = 0;
  auto next = [&](int& v) {
    if (i >= n) return false;
    v = p[i++];
    return true;
  };
  auto snext = [&](int& v) {
    if (!next(v)) return false;
    v = static_cast<int8_t>(v);
    return true;
  };
  while (i < n && p[i]) ++i;  // name
  if (i++ >= n) return w;
  int x = 0, y = 0;
  bool down = true;
  auto track = [&] {
    if (down) w.drew = true;
    w.min_y = std::min(w.min_y, y);
    w.max_y = std::max(w.max_y, y);
  };
  static const int dir[16][2] = {{2, 0},  {2, 1},  {2, 2},  {1, 2},  {0, 2},  {-1, 2},
                                 {-2, 2}, {-2, 1}, {-2, 0}, {-2, -1}, {-2, -2}, {-1, -2},
                                 {0, -2}, {1, -2}, {2, -2}, {2, -1}};
  for (;;) {
    int code, a, b, c;
    if (!next(code)) return w;
    switch (code) {
      case 0:
        w.ok = true;
        w.end_x = x;
        return w;
      case 1: down = true; break;
      case 2: down = false; break;
      case 3: case 4: case 7:
        if (!next(a)) return w;
        break;
      case 5: case 6: case 14: case 15: break;
      case 8:
        if (!snext(a) || !snext(b)) return w;
        x += a, y += b;
        track();
        break;
      case 9:
        for (;;) {
          if (!snext(a) || !snext(b)) return w;
          if (!a && !b) break;
          x += a, y += b;
          track();
        }
        break;
      case 10:
        if (!next(a) || !next(b)) return w;
        if (down) w.drew = true;
        w.min_y = std::min(w.min_y, y - a);  // a circle starting at its rightmost point
        w.max_y = std::max(w.max_y, y + a);
        break;
      case 11:
        for (int k = 0; k < 5; ++k)
          if (!next(a)) return w;
        break;
      case 12:
        if (!snext(a) || !snext(b)) return w;
        if ((a || b) && !snext(c)) return w;
        x += a, y += b;
        break;
      case 13:
        for (;;) {
          if (!snext(a) || !snext(b)) return w;
          if (!a && !b) break;
          if (!snext(c)) return w;
          x += a, y += b;
        }
        break;
      default:
        x += dir[code % 16][0] * (code / 16) / 2;
        y += dir[code % 16][1] * (code / 16) / 2;
        track();
        break;
    }
  }
}

struct Expect {
  const char* path;
  uint16_t entries;
  std::vector<uint16_t> must_have;
};

}  // namespace

using BuiltinFonts = StartedToolkit;

TEST_F(BuiltinFonts, RecordsIndexAndDefinitions) {
  const Expect expect[TK_BUILTIN_FONTS] = {
      {"SIMPLEX.SHX", 100, {0, 10, 32, 'A', 'z', 126, 256, 257, 258}},
      {"GDT.SHX", 103, {0, 10, 32, 'n', 127, 128, 129, 256, 257, 258}},
  };
  for (size_t k = 0; k < TK_BUILTIN_FONTS; ++k) {
    const TkFont* f = tk_state->builtin_fonts[k];
    ASSERT_NE(f, nullptr);
    SCOPED_TRACE(expect[k].path);
    EXPECT_STREQ(f->path, expect[k].path);
    EXPECT_STREQ(f->name, "");
    EXPECT_EQ(f->kind, TK_FONT_SHAPES_11);
    EXPECT_EQ(f->above, 21);
    EXPECT_EQ(f->below, 6);
    EXPECT_EQ(f->modes, 2);
    EXPECT_EQ(f->first_code, 0);
    EXPECT_EQ(f->last_code, 258);
    ASSERT_EQ(f->index_count, expect[k].entries);
    ASSERT_GE(f->page_count, 1);
    const uint32_t size = tk_state->font_data_size[k];
    EXPECT_EQ(f->pages[0].file_offset, 0u);
    EXPECT_EQ(f->pages[0].buffer, tk_state->font_data[k]);

    std::vector<uint16_t> codes;
    for (uint16_t i = 0; i < f->index_count; ++i) {
      const TkShapeIndexEntry& e = f->shape_index[i];
      if (i) {
        EXPECT_LT(f->shape_index[i - 1].code, e.code) << "bisection needs ascending codes";
      }
      codes.push_back(e.code);
      ASSERT_LT(e.offset, size);
      const uint8_t* def = tk_state->font_data[k] + e.offset;
      if (e.code == 0) {
        // The font-information shape: name, then above, below and modes.
        size_t name = std::strlen(reinterpret_cast<const char*>(def)) + 1;
        EXPECT_EQ(def[name], 21);
        EXPECT_EQ(def[name + 1], 6);
        EXPECT_EQ(def[name + 2], 2);
        continue;
      }
      Walk w = walk(def, size - e.offset);
      ASSERT_TRUE(w.ok) << "code " << e.code << " runs past the block";
      if (e.code == 10) continue;  // line feed: moves down, draws nothing
      EXPECT_GT(w.end_x, 0) << "code " << e.code << " must advance";
      EXPECT_EQ(w.drew, e.code != 32) << "code " << e.code;
      EXPECT_GE(w.min_y, -8) << "code " << e.code;
      EXPECT_LE(w.max_y, 25) << "code " << e.code;
    }
    for (uint16_t c : expect[k].must_have)
      EXPECT_NE(std::find(codes.begin(), codes.end(), c), codes.end()) << "code " << c;
  }
  // Capitals reach the full height above the base line; descenders go below it.
  auto extent = [](size_t font, uint16_t code) {
    const TkFont* f = tk_state->builtin_fonts[font];
    for (uint16_t i = 0; i < f->index_count; ++i)
      if (f->shape_index[i].code == code)
        return walk(tk_state->font_data[font] + f->shape_index[i].offset,
                    tk_state->font_data_size[font] - f->shape_index[i].offset);
    return Walk{};
  };
  EXPECT_EQ(extent(0, 'H').max_y, 21);
  EXPECT_EQ(extent(0, 'H').min_y, 0);
  EXPECT_LT(extent(0, 'g').min_y, 0);
}

TEST_F(BuiltinFonts, FailedRecordAllocationGives293AndFreesThePartDone) {
  font_list_free();
  for (long n = 0; n < 4; ++n) {
    long live = counts.live;
    counts.calls = 0;
    counts.fail_at = n;
    tk_state->last_error = 0;
    EXPECT_EQ(font_list_init(), 0) << n;
    EXPECT_EQ(tk_get_last_error(), TK_ERR_SHAPEFILE_ALLOC);
    EXPECT_EQ(counts.live, live) << n;
    EXPECT_EQ(tk_state->builtin_fonts[0], nullptr);
  }
  counts.fail_at = -1;
  EXPECT_EQ(font_list_init(), 1);
}

// The standalone fonts: a shapes 1.1 header, an index whose lengths cover the definitions, and
// the degree, plus-minus and diameter symbols at their code-page positions.
TEST(ShapeFontFiles, HeaderIndexAndDefinitions) {
  struct File {
    const char* name;
    std::vector<uint16_t> symbols;
  } const files[] = {
      {"VVOEM.SHX", {157, 241, 248, 256, 257, 258}},
      {"VVANSI.SHX", {176, 177, 216, 256, 257, 258}},
  };
  for (const File& file : files) {
    SCOPED_TRACE(file.name);
    std::ifstream in(std::string(TK_TEST_INITDATA_DIR) + "/" + file.name, std::ios::binary);
    ASSERT_TRUE(in) << "generated font missing";
    std::vector<uint8_t> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(d.size(), 30u);
    EXPECT_EQ(std::string(d.begin(), d.begin() + 24), std::string("AutoCAD-86 shapes 1.1\r\n\x1a", 24));
    auto u16 = [&](size_t at) { return static_cast<uint16_t>(d[at] | d[at + 1] << 8); };
    uint16_t count = u16(28);
    size_t pos = 30 + 4u * count;
    ASSERT_LE(pos, d.size());
    std::vector<uint16_t> codes;
    for (uint16_t i = 0; i < count; ++i) {
      uint16_t code = u16(30 + 4u * i);
      uint16_t length = u16(32 + 4u * i);
      codes.push_back(code);
      ASSERT_LE(pos + length, d.size());
      if (code != 0) {
        EXPECT_TRUE(walk(d.data() + pos, length).ok) << "code " << code;
      }
      pos += length;
    }
    EXPECT_EQ(u16(26), codes.back()) << "last code";
    EXPECT_EQ(std::string(d.begin() + pos, d.end()), "EOF");
    for (uint16_t c : file.symbols)
      EXPECT_NE(std::find(codes.begin(), codes.end(), c), codes.end()) << "code " << c;
  }
}
