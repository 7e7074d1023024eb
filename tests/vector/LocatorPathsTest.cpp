// The locators' path rules and the text hook's rewrites: candidates composed into the toolkit's
// fixed buffers and refused when they do not fit, the substitute shape font by code page, face
// aliases, MTEXT height groups, FIT widths and snap device points.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "vector/model/LocatorPaths.h"

namespace {

struct XrefCase {
  const char* drawing;
  const char* name;
  const char* beside;
  const char* relative;
};

TEST(LocatorPaths, ReferenceCandidates) {
  const XrefCase cases[] = {
      {"C:\\jobs\\site.dwg", "..\\base\\plan.dwg", "C:\\jobs\\plan.dwg",
       "C:\\jobs\\..\\base\\plan.dwg"},
      {"C:\\jobs\\site.dwg", "\\ref.dwg", "C:\\jobs\\ref.dwg", "C:\\jobs\\ref.dwg"},
      {"C:/jobs/site.dwg", "sub/ref.dxf", "C:/jobs/ref.dxf", "C:/jobs/sub/ref.dxf"},
      {"site.dwg", "ref.dwg", "ref.dwg", "\\ref.dwg"},
  };
  for (const XrefCase& c : cases) {
    char out[kXrefPathSize];
    ASSERT_TRUE(XrefBesideDrawing(c.drawing, c.name, out, sizeof out)) << c.name;
    EXPECT_STREQ(out, c.beside);
    ASSERT_TRUE(XrefRelativeToDrawing(c.drawing, c.name, out, sizeof out)) << c.name;
    EXPECT_STREQ(out, c.relative);
  }
}

TEST(LocatorPaths, PathsThatDoNotFitAreNoCandidates) {
  std::string dir = "C:\\" + std::string(300, 'd') + "\\";
  std::string drawing = dir + "site.dwg";
  std::string name(300, 'n');
  char out[kXrefPathSize];
  std::memset(out, 'x', sizeof out);
  EXPECT_FALSE(XrefBesideDrawing(drawing.c_str(), name.c_str(), out, sizeof out));
  EXPECT_EQ(out[0], 0);
  EXPECT_FALSE(XrefRelativeToDrawing(drawing.c_str(), name.c_str(), out, sizeof out));
  EXPECT_EQ(out[0], 0);

  char font[kShapeFontPathSize];
  std::string shx_dir(250, 's');
  EXPECT_FALSE(JoinPath(font, sizeof font, {shx_dir.c_str(), "\\", "romans.shx"}));
  EXPECT_EQ(font[0], 0);
  std::string exact(kShapeFontPathSize - 1, 'e');
  EXPECT_TRUE(JoinPath(font, sizeof font, {exact.c_str()}));
  EXPECT_EQ(std::strlen(font), kShapeFontPathSize - 1);
  std::string over(kShapeFontPathSize, 'e');
  EXPECT_FALSE(JoinPath(font, sizeof font, {over.c_str()}));

  char title[8];
  EXPECT_FALSE(FileTitle("C:\\a\\averylongtitle.dwg", title, sizeof title));
  EXPECT_TRUE(FileTitle("C:\\a\\plan.dwg", title, sizeof title));
  EXPECT_STREQ(title, "plan");
}

TEST(LocatorPaths, FileNamesAndTitles) {
  EXPECT_STREQ(FileNamePart("C:\\fonts\\romans.shx"), "romans.shx");
  EXPECT_STREQ(FileNamePart("C:romans.shx"), "romans.shx");
  EXPECT_STREQ(FileNamePart("romans"), "romans");
  char dir[16];
  ASSERT_TRUE(DirectoryPart("C:\\a\\b.dwg", dir, sizeof dir));
  EXPECT_STREQ(dir, "C:\\a\\");
  char title[32];
  ASSERT_TRUE(FileTitle("..\\x\\plan.v2.dwg", title, sizeof title));
  EXPECT_STREQ(title, "plan.v2");
  char path[] = "fonts/sub/romans.shx";
  ToBackslashes(path);
  EXPECT_STREQ(path, "fonts\\sub\\romans.shx");
}

TEST(LocatorPaths, SubstituteShapeFontByCodePage) {
  const struct {
    int16_t codepage;
    const char* font;
  } cases[] = {{0, "DWG_OEM.SHX"}, {12, "DWG_OEM.SHX"}, {30, "DWG_ANSI.SHX"}, {1, "DWG_ANSI.SHX"}};
  for (auto& c : cases) EXPECT_STREQ(SubstituteShapeFont(c.codepage), c.font) << c.codepage;
}

TEST(LocatorPaths, TrueTypeFaces) {
  EXPECT_STREQ(TrueTypeFaceAlias("CommercialPi BT"), "Commercial Pi BT");
  EXPECT_STREQ(TrueTypeFaceAlias("UniversalMath1 BT"), "Universal Math 1 BT");
  EXPECT_STREQ(TrueTypeFaceAlias("Arial"), "Arial");
  EXPECT_TRUE(FontValueNamesFace("DejaVu Sans (TrueType)", "DejaVu Sans"));
  EXPECT_TRUE(FontValueNamesFace("DejaVu Sans Mono (TrueType)", "DejaVu Sans"));
  EXPECT_FALSE(FontValueNamesFace("DejaVu Serif (TrueType)", "DejaVu Sans"));
  EXPECT_FALSE(FontValueNamesFace("Arial (TrueType)", ""));
  EXPECT_TRUE(FontValueIsFace("DejaVu Sans (TrueType)", "DejaVu Sans"));
  EXPECT_TRUE(FontValueIsFace("DejaVu Sans", "DejaVu Sans"));
  EXPECT_FALSE(FontValueIsFace("DejaVu Sans Bold Oblique (TrueType)", "DejaVu Sans"));
  EXPECT_FALSE(FontValueIsFace("DejaVu Sans", ""));
}

struct MtextCase {
  const char* name;
  const char* text;
  size_t capacity;
  const char* result;
  bool paragraph;
};

TEST(TextHookRewrites, MtextHeightGroups) {
  const MtextCase cases[] = {
      {"caret_two_blanks", "{\\H2.5x;A^  B}", 64, "  {\\H2.5x;A^B}", false},
      {"caret_one_blank", "{\\H2.5x;A^ B}", 64, "  {\\H2.5x;A^B}", false},
      {"no_caret", "x{\\H2;A}", 64, "x  {\\H2;A}", false},
      {"paragraph_removed_once", "A\\PB\\PC", 64, "AB\\PC", true},
      {"no_height_group", "plain^  text", 64, "plain^  text", false},
      {"does_not_fit", "{\\H2;A}", 8, "{\\H2;A}", false},
      {"fits_exactly", "{\\H2;A}", 10, "  {\\H2;A}", false},
  };
  for (const MtextCase& c : cases) {
    char buffer[64] = {};
    std::strcpy(buffer, c.text);
    bool paragraph = !c.paragraph;
    RewriteMtextHeights(buffer, c.capacity, &paragraph);
    EXPECT_STREQ(buffer, c.result) << c.name;
    EXPECT_EQ(paragraph, c.paragraph) << c.name;
  }
}

TEST(TextHookRewrites, FitWidthFactorWithinItsRatioRange) {
  const double a[2] = {0, 0}, b[2] = {10, 0};
  const struct {
    double along;
    double factor;
  } cases[] = {{20, 2.0}, {5, 0.5}, {120, 1.0}, {0.5, 1.0}, {1.5, 0.15}};
  for (auto& c : cases) {
    const double p[2] = {c.along, 0};
    EXPECT_DOUBLE_EQ(FitWidthFactor(1.0, p, a, b), c.factor) << c.along;
  }
  const double p[2] = {3, 4};
  EXPECT_EQ(FitWidthFactor(1.5, p, a, a), 1.5) << "an empty box keeps the factor";
}

TEST(SnapGeometry, DevicePoints) {
  int32_t out[2];
  SnapDevicePoint(10, 20, 0, 0, 100, 10000, out);
  EXPECT_EQ(out[0], 1000);
  EXPECT_EQ(out[1], 8000);
  SnapDevicePoint(1.004, 1.006, 1, 1, 1000, 0, out);
  EXPECT_EQ(out[0], 4);
  EXPECT_EQ(out[1], -5);
  SnapDevicePoint(1e300, -1e300, 0, 0, 1, 0, out);
  EXPECT_EQ(out[0], INT32_MAX);
  EXPECT_EQ(out[1], INT32_MAX);
}

}  // namespace
