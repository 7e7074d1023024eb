// A1 notation both ways, range arithmetic and named ranges.
#include "EngineTestSupport.h"

#include <string>

TEST(EngineCellRef, ColumnLettersBothWays) {
  static const struct {
    uint32_t col;
    const char* letters;
  } kCases[] = {{0, "A"}, {25, "Z"}, {26, "AA"}, {51, "AZ"}, {52, "BA"}, {701, "ZZ"}, {702, "AAA"}, {4095, "FAN"}};
  for (const auto& c : kCases) {
    EXPECT_STREQ(ColumnIndexToLetters(c.col), c.letters) << c.col;
    EXPECT_EQ(ColumnLettersToIndex(c.letters), (int)c.col) << c.letters;
  }
  EXPECT_EQ(ColumnIndexToLetters(4096), nullptr);
  EXPECT_EQ(ColumnLettersToIndex("fan12"), 4095);  // either case; stops at the digits
  static const char* const kRejected[] = {"FAO", "XFD", "ZZZZZZZZZZZZ", "1A", "", "$A"};
  for (const char* text : kRejected)
    EXPECT_EQ(ColumnLettersToIndex(text), -1) << text;
}

TEST(EngineCellRef, ParsesAndFormatsA1Text) {
  static const struct {
    const char* text;
    const char* printed;  // null: rejected
    uint32_t row1, col1, row2, col2;
    bool single;
  } kCases[] = {
      {"A1", "A1", 1, 0, 1, 0, true},
      {"b2", "B2", 2, 1, 2, 1, true},
      {"$A$1", "$A$1", 1, 0, 1, 0, true},
      {"A$1", "A$1", 1, 0, 1, 0, true},
      {"$C7", "$C7", 7, 2, 7, 2, true},
      {"A1..B2", "A1..B2", 1, 0, 2, 1, false},
      {"A1.B2", "A1..B2", 1, 0, 2, 1, false},
      {"A1:B2", "A1..B2", 1, 0, 2, 1, false},
      {"B2..A1", "A1..B2", 1, 0, 2, 1, false},
      {"$B2..A$1", "A$1..$B2", 1, 0, 2, 1, false},  // corners swap with their marks
      {"FAN8388607", "FAN8388607", 8388607, 4095, 8388607, 4095, true},
      {"XFD1", nullptr, 0, 0, 0, 0, false},
      {"A0", nullptr, 0, 0, 0, 0, false},
      {"A8388608", nullptr, 0, 0, 0, 0, false},
      {"A99999999999999999999", nullptr, 0, 0, 0, 0, false},
      {"A1..", nullptr, 0, 0, 0, 0, false},
      {"A1...B2", nullptr, 0, 0, 0, 0, false},
      {"A1;B2", nullptr, 0, 0, 0, 0, false},
      {"A1x", nullptr, 0, 0, 0, 0, false},
      {"1", nullptr, 0, 0, 0, 0, false},
      {"", nullptr, 0, 0, 0, 0, false},
  };
  for (const auto& c : kCases) {
    EngineCellRef r{};
    bool ok = ParseCellReference(c.text, &r);
    EXPECT_EQ(ok, c.printed != nullptr) << c.text;
    if (!ok || c.printed == nullptr)
      continue;
    EXPECT_STREQ(FormatCellReference(r), c.printed) << c.text;
    EXPECT_EQ(r.FirstRow(), c.row1) << c.text;
    EXPECT_EQ(r.FirstCol(), c.col1) << c.text;
    EXPECT_EQ(r.LastRow(), c.row2) << c.text;
    EXPECT_EQ(r.LastCol(), c.col2) << c.text;
    EXPECT_EQ(r.IsSingle(), c.single) << c.text;
  }
  EXPECT_EQ(FormatCellReference(EngineCellRef{}), nullptr);
}

TEST(EngineCellRef, MakeKeepsOwnerBitsAndDropsOutOfRangeCorners) {
  EngineCellRef r = MakeEngineRangeRef(5, 3, 2, 1, ENGINE_REF_FIRST_ROW_ABS);
  EXPECT_STREQ(FormatCellReference(r), "B2..D$5") << "normalised, the row mark moved with its row";
  EXPECT_FALSE(MakeEngineCellRef(0, 0, 0).IsValid());
  EXPECT_EQ(MakeEngineCellRef(1, 4096, 0).FirstCol(), 0u);
  r.w1 |= 0xAB000000u;
  r.w3 |= 0x80000000u;
  NormalizeEngineRange(&r);
  r.SetFirstRow(7);
  EXPECT_EQ(r.w1 & 0xFF000000u, 0xAB000000u);
  EXPECT_EQ(r.w3 & 0x80000000u, 0x80000000u);
}

TEST(EngineCellRef, IntersectionAndEquality) {
  static const struct {
    const char *a, *b;
    bool intersect;
  } kCases[] = {{"A1..B2", "B2..C3", true}, {"A1..B2", "C1..D2", false}, {"A1..A10", "A10", true},
                {"A1..A10", "A11", false}, {"B1..B9", "A5..C5", true}};
  for (const auto& c : kCases) {
    EngineCellRef a, b;
    ASSERT_TRUE(ParseCellReference(c.a, &a));
    ASSERT_TRUE(ParseCellReference(c.b, &b));
    EXPECT_EQ(EngineRangesIntersect(a, b), c.intersect) << c.a << " " << c.b;
    EXPECT_EQ(EngineRangesIntersect(b, a), c.intersect) << c.b << " " << c.a;
  }
  EngineCellRef x, y;
  ParseCellReference("$A$1..B2", &x);
  ParseCellReference("A1..B2", &y);
  EXPECT_TRUE(EngineRangesEqual(x, y));  // absolute marks do not count
}

using EngineNames = EngineSheetTest;

TEST_F(EngineNames, ValidNamesAndLookupIgnoringCase) {
  static const struct {
    const char* name;
    bool valid;
  } kCases[] = {{"Total", true}, {"_x", true}, {"$a.b_1", true}, {"1st", false}, {"a b", false}, {"", false},
                {"a-b", false}};
  for (const auto& c : kCases)
    EXPECT_EQ(DefineEngineName(m_sheet, c.name, Ref("A1")), c.valid) << c.name;
  EngineCellRef out{};
  ASSERT_NE(FindEngineName(m_sheet, "TOTAL", &out), nullptr);
  EXPECT_STREQ(FormatCellReference(out), "A1");
  // Defining an existing name replaces its range; the list keeps one entry.
  EXPECT_TRUE(DefineEngineName(m_sheet, "TOTAL", Ref("B2..C3")));
  FindEngineName(m_sheet, "total", &out);
  EXPECT_STREQ(FormatCellReference(out), "B2..C3");
  int count = 0;
  for (EngineName* e = m_s->names; e != nullptr; e = e->next)
    count++;
  EXPECT_EQ(count, 3);
}

TEST_F(EngineNames, LongNameIsCutTo31Bytes) {
  std::string name(40, 'n');
  ASSERT_TRUE(DefineEngineName(m_sheet, name.c_str(), Ref("A1")));
  EngineName* e = FindEngineName(m_sheet, name.c_str());
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(std::string(e->name), std::string(31, 'n'));
  // A character past the 31st does not make the name invalid.
  EXPECT_TRUE(DefineEngineName(m_sheet, (std::string(31, 'm') + "-").c_str(), Ref("A1")));
}

TEST_F(EngineNames, DeletingANameTurnsFormulasIntoPlainReferences) {
  ASSERT_TRUE(DefineEngineName(m_sheet, "Data", Ref("A1..A2")));
  ASSERT_TRUE(DefineEngineName(m_sheet, "One", Ref("B1")));
  Put("A1", "2");
  Put("A2", "3");
  Put("B1", "10");
  ASSERT_TRUE(Put("C1", "=SUM(Data)+One"));
  EXPECT_EQ(Edit("C1"), "=SUM(Data)+One");
  EXPECT_TRUE(DeleteEngineName(m_sheet, "data"));
  EXPECT_TRUE(DeleteEngineName(m_sheet, "One"));
  EXPECT_FALSE(DeleteEngineName(m_sheet, "One"));
  EXPECT_EQ(Edit("C1"), "=SUM(A1..A2)+B1");
  EXPECT_EQ(Show("C1"), "15");
}

// Many names: each is defined, found and deleted in constant time, and the list keeps its order.
TEST_F(EngineNames, ManyNames) {
  const int n = 50000;
  char name[32];
  for (int i = 0; i < n; i++) {
    std::snprintf(name, sizeof(name), "N%d", i);
    ASSERT_TRUE(DefineEngineName(m_sheet, name, MakeEngineCellRef(i % 1000 + 1, 0, 0)));
  }
  for (int i = 0; i < n; i += 7) {
    std::snprintf(name, sizeof(name), "n%d", i);
    EngineCellRef r{};
    ASSERT_NE(FindEngineName(m_sheet, name, &r), nullptr) << name;
    EXPECT_EQ(r.FirstRow(), (uint32_t)(i % 1000 + 1));
  }
  ASSERT_TRUE(DeleteEngineName(m_sheet, "N49999"));
  ASSERT_TRUE(DefineEngineName(m_sheet, "Last", MakeEngineCellRef(1, 1, 0)));
  int count = 0;
  const char* last = nullptr;
  for (EngineName* e = m_s->names; e != nullptr; e = e->next, count++)
    last = e->name;
  EXPECT_EQ(count, n);
  EXPECT_STREQ(last, "Last");
  EXPECT_EQ(FindEngineName(m_sheet, "N49999"), nullptr);
}
