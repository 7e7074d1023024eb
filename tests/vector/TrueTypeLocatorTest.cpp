// TrueType fonts as a drawing pass finds them under Windows: by face through the registry's font
// list, by file name in the Fonts folder, and then their glyphs through FreeType. The set-up puts
// DejaVu into both places of the test prefix.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "toolkit/core/blob.h"
#include "toolkit/core/mem.h"
#include "vector/TrueTypeLocator.h"
#include "vector/model/TrueTypeText.h"

namespace {

struct LocateCase {
  const char* name;
  const char* file;
  const char* face;
  const char* found;  // the end of the path found, or "" for none
};

bool EndsWith(const std::string& s, const char* end) {
  size_t n = std::strlen(end);
  return s.size() >= n && s.compare(s.size() - n, n, end) == 0;
}

TEST(TrueTypeLocator, FacesAndFilesOfTheSystemsFonts) {
  const LocateCase cases[] = {
      {"face", "", "DejaVu Sans", "\\DejaVuSans.ttf"},
      {"file_name", "dejavusansmono.ttf", "", "\\dejavusansmono.ttf"},
      {"file_with_a_foreign_directory", "D:\\cad\\fonts\\DejaVuSerif.ttf", "", "\\DejaVuSerif.ttf"},
      {"unknown_face", "", "No Such Face", ""},
      {"unknown_file", "nosuchfont.ttf", "", ""},
      // A style names its file and keeps its face beside it; neither is installed.
      {"unknown_file_of_a_face", "nosuchfont.ttf", "No Such Face", ""},
  };
  for (const LocateCase& c : cases) {
    TkTrueTypeRequest request{};
    std::strcpy(request.file, c.file);
    std::strcpy(request.face, c.face);
    DwgFindTrueTypeFontCallback(&request, 0);
    if (!*c.found) {
      // Nothing of the request may stay: the display would take a face left there for the
      // font's file and draw no text.
      EXPECT_EQ(request.file[0], 0) << c.name;
      EXPECT_EQ(request.face[0], 0) << c.name;
      continue;
    }
    EXPECT_TRUE(EndsWith(request.file, c.found)) << c.name << ": " << request.file;
  }
}

TEST(TrueTypeLocator, AFaceNameThatFillsItsFieldIsNoOverread) {
  TkTrueTypeRequest request{};
  std::memset(request.face, 'F', sizeof request.face);
  std::memset(request.file, 0, sizeof request.file);
  DwgFindTrueTypeFontCallback(&request, 0);
  EXPECT_EQ(request.file[0], 0);
}

TEST(TrueTypeLocator, GlyphsOfTheFoundFont) {
  TkTrueTypeRequest request{};
  std::strcpy(request.face, "DejaVu Sans");
  DwgFindTrueTypeFontCallback(&request, 0);
  ASSERT_NE(request.file[0], 0);
  TkTrueTypeFontSpec font{};
  std::strcpy(font.path, request.file);
  ResetTrueTypeFaceCache();
  const double origin[2] = {0, 0};
  TkTrueTypeGlyph glyph{};
  ASSERT_EQ(DwgDrawTrueTypeText('B', origin, &font, &glyph, 0), 0);
  EXPECT_EQ(glyph.contour_count, 3);  // the outline and the two counters of "B"
  EXPECT_GT(glyph.advance, 500);
  for (int32_t c = 0; c < glyph.contour_count; ++c) blob_free(glyph.contours[c]);
  mem_free(glyph.contours);
  mem_free(glyph.segment_counts);
  FreeTrueTypeFaceCache();
}

}  // namespace
