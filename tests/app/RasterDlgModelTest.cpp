// The raster dialogs' rules: the rotate dialog's choices, texts and angles; the save-as format
// table filtered by colour class, the preselected item, the written code, the save filter; the
// names of format codes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "model/RasterDlgModel.h"

namespace {

TEST(RotateDlgModel, OpeningChoiceAndText) {
  struct Case {
    int32_t angle;
    int choice;
    const char* text;
  };
  static const Case cases[] = {
      {9000, kRotate90, "90.00"},   {18000, kRotate180, "180.00"}, {27000, kRotate270, "270.00"},
      {4550, kRotateFree, "45.50"}, {0, kRotateFree, "0.00"},      {36000, kRotateFree, "360.00"},
      // Whole degrees decide: 90.50 opens on the 90 button.
      {9050, kRotate90, "90.50"},   {-9000, kRotateFree, "-90.00"}, {1, kRotateFree, "0.01"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.angle);
    EXPECT_EQ(RotateChoiceOfAngle(c.angle), c.choice);
    EXPECT_EQ(std::string(RotateAngleText(c.angle)), c.text);
  }
}

TEST(RotateDlgModel, AngleOfEachChoice) {
  struct Case {
    int choice;
    double degrees;
    int32_t angle;
  };
  static const Case cases[] = {
      {kRotate90, 12.0, 9000},
      {kRotate180, 12.0, 18000},
      {kRotate270, 12.0, 27000},
      {kRotateFree, 45.5, 4550},
      // Typed hundredths survive although 0.29 x 100 is 28.999... in binary.
      {kRotateFree, 0.29, 29},
      {kRotateFree, 45.519, 4551},
      {kRotateFree, -10.25, -1025},
      {kRotateFree, -0.07, -7},
      {kRotateFree, 360.0, 36000},
      {kRotateFree, -360.0, -36000},
      // Beyond a whole turn the angle is held at it, never cast out of range.
      {kRotateFree, 1e30, 36000},
      {kRotateFree, -1e30, -36000},
      {kRotateFree, std::nan(""), -36000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.degrees);
    EXPECT_EQ(RotateAngleOfChoice(c.choice, c.degrees), c.angle);
  }
}

std::vector<std::string> Items(const std::vector<int>& rows) {
  std::vector<std::string> items;
  for (int row : rows) items.push_back(kSaveFormats[row].item);
  return items;
}

bool Has(const std::vector<std::string>& items, const char* item) {
  for (const std::string& s : items)
    if (s == item) return true;
  return false;
}

TEST(SaveFormatModel, ColourClassesOfDepths) {
  const int depths[] = {1, 4, 8, 16, 24, 0, 2, 32, -1};
  const int classes[] = {1, 2, 4, 8, 16, 0, 0, 0, 0};
  for (size_t i = 0; i < sizeof depths / sizeof depths[0]; ++i) {
    EXPECT_EQ(ColourClassOfDepth(depths[i]), classes[i]) << depths[i];
  }
  EXPECT_TRUE(SaveFormatRowsForClass(0).empty());
}

TEST(SaveFormatModel, ListsFilteredByColourClass) {
  struct Case {
    int colourClass;
    size_t count;
    std::vector<const char*> offered;
    std::vector<const char*> absent;
  };
  const Case cases[] = {
      {1, 37, {"TIF, TIFF G4", "CAL, CALS", "EPS, Xerox EPS", "PDF, Acrobat PDF", "ICO, Ikon"},
       {"JPG, JPEG", "TGA, TARGA", "XPM", "TGA, TARGA 16"}},
      {2, 14, {"ICO, Ikon", "BMP, Windows Bitmap RLE compressed", "WPG, WordPerfect Graphics"},
       {"TIF, TIFF G4", "JPG, JPEG"}},
      {4, 20, {"TGA, TARGA", "XPM", "XWD", "JPG, JPEG", "TIF, TIFF JPEG"}, {"CAL, CALS", "ICO, Ikon"}},
      {8, 2, {"TGA, TARGA", "TGA, TARGA 16"}, {"TIF, TIFF uncompressed"}},
      {16, 17, {"JPG, JPEG", "PNG, PING", "TGA, TARGA", "EPS, PostScript", "RAS, RAST"},
       {"TIF, TIFF G4", "CAL, CALS", "XPM", "TGA, TARGA 16"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.colourClass);
    std::vector<int> rows = SaveFormatRowsForClass(c.colourClass);
    EXPECT_EQ(rows.size(), c.count);
    for (size_t i = 1; i < rows.size(); ++i) EXPECT_LT(rows[i - 1], rows[i]);  // table order
    std::vector<std::string> items = Items(rows);
    for (const char* item : c.offered) EXPECT_TRUE(Has(items, item)) << item;
    for (const char* item : c.absent) EXPECT_FALSE(Has(items, item)) << item;
  }
}

TEST(SaveFormatModel, PreselectedItem) {
  const std::vector<int> bilevel = SaveFormatRowsForClass(1);
  const std::vector<int> colour = SaveFormatRowsForClass(16);
  struct Case {
    const std::vector<int>* rows;
    int32_t code;
    const char* selected;
  };
  const Case cases[] = {
      {&bilevel, 18, "CAL, CALS"},
      {&bilevel, 10, "TIF, TIFF G4"},
      {&bilevel, 0, "TIF, TIFF uncompressed"},
      {&bilevel, 13, "TIF, TIFF uncompressed"},  // JPEG is not offered for 1 bit: the first item
      {&colour, 13, "JPG, JPEG"},
      {&colour, 43, "PNG, PING"},
      {&colour, -1, "TIF, TIFF uncompressed"},
      {&colour, 4, "TIF, TIFF uncompressed"},  // GIF has no row
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    int index = PreselectedSaveFormat(*c.rows, c.code);
    ASSERT_GE(index, 0);
    ASSERT_LT(static_cast<size_t>(index), c.rows->size());
    EXPECT_STREQ(kSaveFormats[(*c.rows)[index]].item, c.selected);
  }
  EXPECT_EQ(PreselectedSaveFormat({}, 18), 0);
}

TEST(SaveFormatModel, WrittenCodes) {
  for (int row = 0; row < kSaveFormatCount; ++row) {
    const int32_t expected = kSaveFormats[row].code == 45 ? 14 : kSaveFormats[row].code;
    EXPECT_EQ(SaveFileFormatCode(row), expected) << row;
  }
  EXPECT_EQ(SaveFileFormatCode(36), 14);  // "EPS, Xerox EPS"
  EXPECT_EQ(SaveFileFormatCode(12), 14);  // "EPS, PostScript"
  EXPECT_EQ(SaveFileFormatCode(16), 18);
  EXPECT_EQ(SaveFileFormatCode(-1), -1);
  EXPECT_EQ(SaveFileFormatCode(kSaveFormatCount), -1);
}

TEST(SaveFormatModel, ItemsSplitIntoFilters) {
  struct Case {
    const char* item;
    const char* extension;
    const char* name;
    const char* filter;
  };
  static const Case cases[] = {
      {"TIF, TIFF G4", "TIF", "TIFF G4", "TIFF G4 (*.TIF)|*.TIF||"},
      {"CAL, CALS", "CAL", "CALS", "CALS (*.CAL)|*.CAL||"},
      {"PCX", "PCX", "PCX", "PCX (*.PCX)|*.PCX||"},
      {"WMF,  Windows Metafile", "WMF", " Windows Metafile", " Windows Metafile (*.WMF)|*.WMF||"},
      {"MSP,", "MSP", "MSP", "MSP (*.MSP)|*.MSP||"},
      {"PCL,", "PCL", "PCL", "PCL (*.PCL)|*.PCL||"},
      {"", "", "", " (*.)|*.||"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    CString extension, name;
    SplitSaveFormatItem(c.item, &extension, &name);
    EXPECT_EQ(std::string(extension), c.extension);
    EXPECT_EQ(std::string(name), c.name);
    EXPECT_EQ(std::string(SaveFormatFilter(c.item)), c.filter);
  }
}

TEST(FormatNames, NamesOfCodes) {
  struct Case {
    int32_t code;
    const char* name;
  };
  static const Case cases[] = {
      {0, "TIFF uncompressed"}, {4, "GIF"},        {10, "TIFF G4"},     {18, "CALS"},
      {45, "Xerox EPS"},        {50, "Odefinierat"}, {63, "EPS Bitmap"}, {64, "Undefined"},
      {-1, "Undefined"},        {100, "Undefined"}, {-14, "Undefined"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(std::string(FormatNameOfCode(c.code)), c.name);
  }
}

}  // namespace
