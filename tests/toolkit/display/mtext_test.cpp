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

}  // namespace
