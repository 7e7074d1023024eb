// Paragraph text: line breaks, word wrap, scoped formatting, line spacing and attachment, read
// from the strokes a regeneration sends.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "display_support.h"
#include "toolkit/display/mtext.h"

namespace {

using display_test::DisplayTest;
using display_test::strokes;

struct Box {
  int32_t x0 = 1 << 30, y0 = 1 << 30, x1 = -(1 << 30), y1 = -(1 << 30);
};

class MtextTest : public DisplayTest {
 protected:
  // An MTEXT of height 10 at (x, y) with the text, reference width and attachment.
  void mtext(double x, double y, const char* text, double width = 0, uint8_t attach = 1) {
    start(TK_MTEXT);
    put3(0, x, y);
    put(48, 10.0);
    put(56, width);
    put<uint8_t>(64, attach);
    std::strcpy(tk_data_text(&data, TK_MTEXT_STRING), text);
    add();
  }
  Box box() {
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
  // The distinct bottoms of the strokes' glyph rows, rounded to device units of 10.
};

TEST_F(MtextTest, ParagraphBreakStartsALineBelow) {
  mtext(10, 90, "H\\PH");
  ASSERT_EQ(regen(), 1);
  Box b = box();
  // First line from 80 to 90; the second one 16.67 lower.
  EXPECT_NEAR(b.y1, 900, 3);
  EXPECT_NEAR(b.y0, 800 - 167, 3);
}

// Codes of later releases that are no text: paragraph settings, the column break and control
// characters written with a caret draw as their plain equivalents.
TEST_F(MtextTest, CodesOfLaterReleasesAreNotDrawnAsText) {
  const std::pair<const char*, const char*> cases[] = {
      {"\\pxi-3,l3,t4;HH", "HH"},
      {"H\\pi1.5;H", "HH"},
      {"H\\NH", "H\\PH"},
      {"H^JH", "H\\PH"},
      {"H^IH", "H H"},
      {"H^MH", "HH"},
      {"H^ 1", "H^1"},
      {"x^2", "x^2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    tk_delete_entity(d, model(), &h.handle, 1);
    mtext(5, 90, c.second);
    ASSERT_EQ(regen(), 1);
    auto plain = strokes();
    tk_delete_entity(d, model(), &h.handle, 1);
    mtext(5, 90, c.first);
    ASSERT_EQ(regen(), 1);
    EXPECT_EQ(strokes(), plain);
    EXPECT_FALSE(plain.empty());
  }
}

struct WrapCase {
  const char* text;
  double width;
  int lines;
};

TEST_F(MtextTest, WordWrapAtTheReferenceWidth) {
  const WrapCase cases[] = {
      {"HH HH HH", 30, 3},   // each word alone
      {"HH HH HH", 0, 1},    // no reference width: no wrapping
      {"HH HH HH", 200, 1},  // everything fits
      {"HHHHHHHHHH", 5, 1},  // a single word wider than the width stays whole
      {"HH  \\PHH", 0, 2},   // blanks before a paragraph break are dropped
  };
  for (const WrapCase& c : cases) {
    tk_delete_entity(d, model(), &h.handle, 1);
    mtext(5, 90, c.text, c.width);
    ASSERT_EQ(regen(), 1);
    Box b = box();
    int lines = int(std::lround((900 - b.y0 - 100) / 166.7)) + 1;
    EXPECT_EQ(lines, c.lines) << c.text << " width " << c.width;
  }
}

TEST_F(MtextTest, ScopedHeightOnlyInsideTheGroup) {
  mtext(10, 50, "{\\H2x;H}H");
  ASSERT_EQ(regen(), 1);
  auto s = strokes();
  int32_t tall = 0, short_top = 0, split = 0;
  Box b = box();
  (void)b;
  // The first H reaches 20 units above the base line, the second 10.
  for (auto& st : s)
    for (auto& p : st) {
      tall = std::max(tall, p.second);
      split = std::max(split, p.first);
    }
  for (auto& st : s)
    for (auto& p : st)
      if (p.first > split - 60) short_top = std::max(short_top, p.second);
  EXPECT_GT(tall - 400, 180);
  EXPECT_LT(short_top - 400, 120);
}

TEST_F(MtextTest, AttachmentMovesTheBlock) {
  mtext(50, 50, "HH", 0, 5);  // middle centre
  ASSERT_EQ(regen(), 1);
  Box b = box();
  EXPECT_NEAR((b.x0 + b.x1) / 2.0, 500, 15);
  EXPECT_NEAR((b.y0 + b.y1) / 2.0, 500, 15);
}

// Every attachment point puts its corner, edge middle or centre of the block on the insertion
// point: 1-3 top, 4-6 middle, 7-9 bottom; left, centre, right across.
TEST_F(MtextTest, AttachmentTable) {
  for (uint8_t attach = 1; attach <= 9; ++attach) {
    SCOPED_TRACE(int(attach));
    tk_delete_entity(d, model(), &h.handle, 1);
    mtext(50, 50, "HH\\PHH", 0, attach);
    ASSERT_EQ(regen(), 1);
    Box b = box();
    int column = (attach - 1) % 3, row = (attach - 1) / 3;
    double x = column == 0 ? b.x0 : column == 1 ? (b.x0 + b.x1) / 2.0 : b.x1;
    double y = row == 0 ? b.y1 : row == 1 ? (b.y0 + b.y1) / 2.0 : b.y0;
    // The strokes stand the letters' side bearing (about 2 units) in from the block's edges.
    EXPECT_NEAR(x, 500, column == 1 ? 3 : 21);
    EXPECT_NEAR(y, 500, 3);
  }
}

// Three lines of height 10: each line below the first moves down by the spacing, 16.67 units
// at factor 1 in both styles (style 1 adds a third of this line's and the previous line's
// heights to the line height), scaled by the factor.
TEST_F(MtextTest, LineSpacingStylesAndFactors) {
  struct Case {
    int16_t style;
    double factor;
    double step;  // drawing units
  } cases[] = {{2, 1.0, 16.6667}, {2, 2.0, 33.3333}, {1, 1.0, 16.6667}, {1, 1.5, 25.0},
               {2, 0.0, 16.6667}};  // a factor of 0 counts as 1
  for (const Case& c : cases) {
    SCOPED_TRACE(c.factor);
    tk_delete_entity(d, model(), &h.handle, 1);
    start(TK_MTEXT);
    put3(0, 10, 90);
    put(48, 10.0);
    put<uint8_t>(64, 1);
    put<int16_t>(88, c.style);
    put<double>(96, c.factor);
    std::strcpy(tk_data_text(&data, TK_MTEXT_STRING), "H\\PH\\PH");
    add();
    ASSERT_EQ(regen(), 1);
    Box b = box();
    EXPECT_NEAR(b.y1, 900, 3);
    EXPECT_NEAR(b.y0, 900 - 100 - 2 * c.step * 10, 4);
  }
}

}  // namespace
