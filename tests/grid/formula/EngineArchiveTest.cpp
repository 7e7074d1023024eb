// The stored form of an engine sheet: golden bytes, loading back, and damaged archives.
#include "EngineTestSupport.h"

#include "ArchiveTestSupport.h"
#include "EngineArchive.h"

#include <string>

namespace {

// Iteration limit 5, blanks count as zero, recalculate all; the name Total; A1 = 1.5, A2 = "hi",
// B1 = "=A1*2".
class EngineArchiveTest : public EngineSheetTest {
 protected:
  void Fill() {
    SetEngineIterationLimit(m_s, 5);
    SetEngineBlanksAreZero(m_s, 1);
    SetEngineRecalcAll(m_s, 1);
    ASSERT_TRUE(DefineEngineName(m_sheet, "Total", Ref("A1..A2")));
    Put("A1", "1.5");
    Put("A2", "hi");
    ASSERT_TRUE(Put("B1", "=A1*2"));
  }
  Bytes Saved(int sheet) {
    return Store([&](CArchive& ar) { SerializeEngineSheet(ar, sheet); });
  }
  // Loads into a second sheet and returns it.
  int Loaded(const Bytes& bytes) {
    int other = CreateEngineSheet();
    m_others.push_back(other);
    Load(bytes, [&](CArchive& ar) { SerializeEngineSheet(ar, other); });
    return other;
  }
  void TearDown() override {
    for (int s : m_others)
      DestroyEngineSheet(s);
    EngineSheetTest::TearDown();
  }
  std::vector<int> m_others;
};

}  // namespace

TEST_F(EngineArchiveTest, GoldenBytes) {
  Fill();
  ByteString expected;
  expected.Le(5, 2).Le(1, 2).Le(0, 2).Le(1, 2).Le(0, 2);      // settings
  expected.Le(1, 2).B({12}).Text("Total=A1..A2");             // names
  expected.B({1, 1, 3, 0x08}).Le(1, 4).Le(0, 4).Le(0, 2);     // A1: number constant, changed
  expected.B({0, 0, 0, 0, 0, 0, 0xF8, 0x3F});                 // 1.5
  expected.B({1, 2, 5, 0x08}).Le(2, 4).Le(0, 4).Le(0, 2);     // A2: short text
  expected.B({2}).Text("hi");
  expected.B({1, 3, 3, 0x0A}).Le(1, 4).Le(1, 4).Le(0, 2);     // B1: formula, current and changed
  expected.B({5}).Text("=A1*2");
  expected.B({0, 0, 0, 0, 0, 0, 0x08, 0x40});                 // 3
  expected.B({0});                                            // end
  EXPECT_EQ(Saved(m_sheet), expected.bytes);
}

TEST_F(EngineArchiveTest, LoadsWhatWasStored) {
  Fill();
  std::string big(600, 'z');
  ASSERT_TRUE(StoreTextCell(m_sheet, 9, 3, big.c_str()));
  ASSERT_TRUE(StoreNotAvailableCell(m_sheet, 8, 3));
  ASSERT_TRUE(Put("C1", "=SUM(Total)+1/0"));
  ASSERT_TRUE(Put("C2", "=\"a\\tb\"//note"));
  Bytes bytes = Saved(m_sheet);
  int other = Loaded(bytes);
  EngineSheet* o = GetEngineSheet(other);
  EXPECT_EQ(o->iterationLimit, 5);
  EXPECT_EQ(o->blanksAreZero, 1);
  EXPECT_EQ(o->recalcAll, 1);
  EngineCellRef total{};
  ASSERT_NE(FindEngineName(other, "TOTAL", &total), nullptr);
  EXPECT_STREQ(FormatCellReference(total), "A1..A2");
  static const struct {
    uint32_t row, col;
    const char* shown;
    const char* edit;
  } kCells[] = {{1, 0, "1.5", "1.5"}, {2, 0, "hi", "'hi"}, {1, 1, "3", "=A1*2"}, {8, 3, "#N/A", "#N/A"},
                {1, 2, "Error!", "=SUM(Total)+1/0"}, {2, 2, "a\tb", "=\"a\\tb\"//note"}};
  for (const auto& c : kCells) {
    EngineCell* cell = FindEngineCell(o, c.row, c.col);
    ASSERT_NE(cell, nullptr) << c.edit;
    EXPECT_EQ(std::string(EngineCellDisplayText(other, cell)), c.shown) << c.edit;
    EXPECT_EQ(std::string(EngineCellEditText(other, cell)), c.edit) << c.edit;
  }
  // A text of 600 bytes comes back whole.
  EXPECT_EQ(std::string(EngineCellDisplayText(other, FindEngineCell(o, 9, 3))), big);
  // The loaded sheet stores the same bytes again.
  EXPECT_EQ(Saved(other), bytes);
  // Recalculation goes on from the loaded values.
  StoreNumberCell(other, 1, 0, 4);
  RecalculateSheet(other);
  EXPECT_EQ(std::string(EngineCellDisplayText(other, FindEngineCell(o, 1, 1))), "8");
}

TEST_F(EngineArchiveTest, FormulaThatNoLongerCompilesSurvivesAsText) {
  ByteString b;
  b.Le(0, 2).Le(0, 2).Le(0, 2).Le(0, 2).Le(0, 2).Le(0, 2);
  b.B({1, 3, 3, 0}).Le(4, 4).Le(2, 4).Le(0, 2).B({6}).Text("=Gone1").B({0, 0, 0, 0, 0, 0, 0xF0, 0x3F});
  b.B({0});
  int other = Loaded(b.bytes);
  EngineCell* c = FindEngineCell(GetEngineSheet(other), 4, 2);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Kind(), ENGINE_CELL_TEXT);
  EXPECT_EQ(std::string(EngineCellDisplayText(other, c)), "=Gone1");
}

// A formula stored with the other formula kind than its references call for is recalculated as
// its references need: "=A1*2" stored as a formula without references follows A1.
TEST_F(EngineArchiveTest, FormulaKindFollowsItsReferences) {
  ByteString b;
  b.Le(0, 2).Le(0, 2).Le(0, 2).Le(1, 2).Le(0, 2).Le(0, 2);
  b.B({1, 1, 3, 0}).Le(1, 4).Le(0, 4).Le(0, 2).B({0, 0, 0, 0, 0, 0, 0x08, 0x40});             // A1 = 3
  b.B({1, 4, 3, 0}).Le(1, 4).Le(1, 4).Le(0, 2).B({5}).Text("=A1*2").B({0, 0, 0, 0, 0, 0, 0, 0});  // B1
  b.B({1, 3, 3, 0}).Le(2, 4).Le(1, 4).Le(0, 2).B({4}).Text("=1+2").B({0, 0, 0, 0, 0, 0, 0, 0});   // B2
  b.B({0});
  int other = Loaded(b.bytes);
  EngineSheet* o = GetEngineSheet(other);
  EngineCell* b1 = FindEngineCell(o, 1, 1);
  EngineCell* b2 = FindEngineCell(o, 2, 1);
  ASSERT_NE(b1, nullptr);
  ASSERT_NE(b2, nullptr);
  EXPECT_EQ(b1->Kind(), ENGINE_CELL_FORMULA_REFS);
  EXPECT_EQ(b2->Kind(), ENGINE_CELL_FORMULA);
  StoreNumberCell(other, 1, 0, 5);
  RecalculateSheet(other);
  EXPECT_EQ(std::string(EngineCellDisplayText(other, FindEngineCell(o, 1, 1))), "10");
}

// A stored sheet whose cells all fall into one hash chain loads in linear time.
TEST_F(EngineArchiveTest, CellsOfOneHashChainLoad) {
  ByteString b;
  b.Le(0, 2).Le(0, 2).Le(0, 2).Le(0, 2).Le(0, 2).Le(0, 2);
  int n = 0;
  uint32_t lastRow = 0, lastCol = 0;
  for (uint32_t col = 0; col <= ENGINE_MAX_COL && n < 100000; col++) {
    uint32_t first = (uint32_t)((1 + 32749ull * 8388607 - (uint64_t)col * 8388607 % 32749) % 32749);
    for (uint32_t row = first == 0 ? 32749 : first; row <= ENGINE_MAX_ROW && n < 100000; row += 32749, n++) {
      ASSERT_EQ(EngineBucketOf(row, col), 1u);
      b.B({1, 1, 3, 0}).Le(row, 4).Le(col, 4).Le(0, 2).B({0, 0, 0, 0, 0, 0, 0xF0, 0x3F});
      lastRow = row;
      lastCol = col;
    }
  }
  b.B({0});
  int other = Loaded(b.bytes);
  EngineSheet* o = GetEngineSheet(other);
  EXPECT_EQ(o->linkedCount, 100000);
  EXPECT_NE(FindEngineCell(o, lastRow, lastCol), nullptr);
}

// Damaged archives end in the archive exception; the sheet stays usable.
TEST_F(EngineArchiveTest, DamagedArchivesThrow) {
  Fill();
  Bytes good = Saved(m_sheet);
  auto header = [] {
    ByteString b;
    b.Le(0, 2).Le(0, 2).Le(0, 2).Le(0, 2).Le(0, 2).Le(0, 2);
    return b;
  };
  static const struct {
    const char* what;
    std::vector<int> record;
    int cause;
  } kCases[] = {
      {"bad marker", {2}, CArchiveException::generic},
      {"kind 5", {1, 5, 3, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, CArchiveException::generic},
      {"value type 6", {1, 1, 6, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, CArchiveException::generic},
      {"row 0", {1, 1, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, CArchiveException::generic},
      {"column 4096", {1, 1, 3, 0, 1, 0, 0, 0, 0, 0x10, 0, 0, 0, 0}, CArchiveException::generic},
      {"truncated value", {1, 1, 3, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2}, CArchiveException::endOfFile},
      {"no end byte", {1, 2, 5, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 'x'}, CArchiveException::endOfFile},
  };
  for (const auto& c : kCases) {
    ByteString b = header();
    for (int v : c.record)
      b.bytes.push_back((uint8_t)v);
    int cause = -1;
    try {
      Loaded(b.bytes);
    } catch (CArchiveException* e) {
      cause = e->m_cause;
      e->Delete();
    }
    EXPECT_EQ(cause, c.cause) << c.what;
  }
  for (size_t n = 0; n < good.size(); n++) {
    Bytes cut(good.begin(), good.begin() + (long)n);
    bool thrown = false;
    try {
      Loaded(cut);
    } catch (CArchiveException* e) {
      thrown = true;
      e->Delete();
    }
    EXPECT_TRUE(thrown) << n;
  }
  int other = Loaded(good);
  EXPECT_EQ(GetEngineSheet(other)->linkedCount, 3);
}
