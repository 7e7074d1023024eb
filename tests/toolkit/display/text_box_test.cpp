// TEXT justification through tk_text_box, measured with the built-in font: each justification
// puts the string's box where it belongs relative to the alignment point, turned with the text;
// aligned and fit texts span their two points.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "display_support.h"
#include "toolkit/display/text_box.h"

namespace {

using display_test::DisplayTest;

constexpr double kPi = 3.14159265358979323846;

class TextBoxTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    tk_init_style_record(&style);
    std::strcpy(style.name, "STANDARD");
    params.height = 10;
    params.width_factor = 1;
  }
  TkTextBox place(const char* text, uint8_t halign, uint8_t valign, double rotation = 0) {
    TkTextParams p = params;
    p.halign = halign;
    p.valign = valign;
    p.rotation = rotation;
    TkTextBox out{{-1, -1}, {}};
    EXPECT_EQ(tk_text_box(d, text, &style, &p, first, second, &out), 1);
    return out;
  }
  TkTextStyleRecord style;
  TkTextParams params{};
  double first[2] = {0, 0};
  double second[2] = {50, 50};
};

TEST_F(TextBoxTest, LeftOnTheBaseLineLeavesTheOutputAlone) {
  TkTextBox b = place("HHHH", 0, 0);
  EXPECT_EQ(b.insertion[0], -1);
  EXPECT_EQ(b.insertion[1], -1);
}

TEST_F(TextBoxTest, JustificationsPlaceTheBoxAroundTheAlignmentPoint) {
  TkTextBox right = place("HHHH", 2, 0);
  double width = right.box[2] - right.box[0];
  ASSERT_GT(width, 10);
  EXPECT_NEAR(right.insertion[0], 50 - width, 1e-9);
  EXPECT_NEAR(right.insertion[1], 50, 1e-9);
  // Capitals stand on the base line and reach the height.
  EXPECT_NEAR(right.box[1], 0, 0.5);
  EXPECT_NEAR(right.box[3], 10, 0.5);

  struct Case {
    const char* name;
    uint8_t halign, valign;
    double x, y;  // expected insertion point
  };
  const double top = right.box[3], low = right.box[1];
  const Case cases[] = {
      {"centre", 1, 0, 50 - width / 2, 50},
      {"middle", 4, 0, 50 - width / 2, 50 - (low + top) / 2},
      {"top right", 2, 3, 50 - width, 50 - top},
      {"middle left", 0, 2, 50, 50 - top / 2},
  };
  for (const Case& c : cases) {
    TkTextBox b = place("HHHH", c.halign, c.valign);
    EXPECT_NEAR(b.insertion[0], c.x, 1e-9) << c.name;
    EXPECT_NEAR(b.insertion[1], c.y, 1e-9) << c.name;
  }
  // Bottom: the descent lies below the base line, so the insertion point rises above the point.
  TkTextBox bottom = place("HHHH", 0, 1);
  EXPECT_EQ(bottom.insertion[0], 50);
  EXPECT_GE(bottom.insertion[1], 50);
}

TEST_F(TextBoxTest, TheOffsetTurnsWithTheText) {
  TkTextBox flat = place("HHHH", 2, 0);
  TkTextBox up = place("HHHH", 2, 0, kPi / 2);
  double width = flat.box[2] - flat.box[0];
  EXPECT_NEAR(up.insertion[0], 50, 1e-9);
  EXPECT_NEAR(up.insertion[1], 50 - width, 1e-9);
}

TEST_F(TextBoxTest, AlignedAndFitSpanTheirTwoPoints) {
  TkTextBox right = place("HHHH", 2, 0);
  double width = right.box[2] - right.box[0];
  second[0] = 100;
  second[1] = 0;
  TkTextParams p = params;
  p.halign = 3;
  TkTextBox out{};
  ASSERT_EQ(tk_text_box(d, "HHHH", &style, &p, first, second, &out), 1);
  EXPECT_NEAR(p.height, 10 * 100 / width, 1e-9);
  EXPECT_EQ(p.width_factor, 1);
  EXPECT_EQ(out.insertion[0], 0);
  p = params;
  p.halign = 5;
  ASSERT_EQ(tk_text_box(d, "HHHH", &style, &p, first, second, &out), 1);
  EXPECT_NEAR(p.width_factor, 100 / width, 1e-9);
  EXPECT_EQ(p.height, 10);
  // Nothing to measure: the text keeps its height and width factor.
  p = params;
  p.halign = 3;
  ASSERT_EQ(tk_text_box(d, "", &style, &p, first, second, &out), 1);
  EXPECT_EQ(p.height, 10);
}

}  // namespace
