// Inserting, removing, moving and copying engine cells, with the rewriting of references in
// formulas and names, the lost reference "??" included.
#include "EngineTestSupport.h"

#include "EngineMove.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// A1..A5 hold 1..5; B holds formulas over them; the name Mid is A3 and Col is A1..A5.
class EngineMoveTest : public EngineSheetTest {
 protected:
  void SetUp() override {
    EngineSheetTest::SetUp();
    for (int r = 1; r <= 5; r++)
      StoreNumberCell(m_sheet, (uint32_t)r, 0, r);
    static const char* const kFormulas[][2] = {
        {"B1", "=A1+A5"}, {"B2", "=SUM(A1..A5)"}, {"B3", "=A3*10"}, {"B4", "=$A$2"}, {"B5", "=Mid+SUM(Col)"},
        {"C1", "=A3+1"}, {"C2", "=SUM(A2..A3)"},
    };
    ASSERT_TRUE(DefineEngineName(m_sheet, "Mid", Ref("A3")));
    ASSERT_TRUE(DefineEngineName(m_sheet, "Col", Ref("A1..A5")));
    for (const auto& f : kFormulas)
      ASSERT_TRUE(Put(f[0], f[1])) << f[1];
    SetEngineRecalcAll(m_s, 1);
  }
  std::string NameRange(const char* name) {
    EngineCellRef r{};
    if (FindEngineName(m_sheet, name, &r) == nullptr)
      return "-";
    return FormatCellReference(r);
  }
};

struct MoveCase {
  const char* what;
  std::function<void(int)> op;
  // Cell, expected edit text, expected display text (null: not checked). An empty edit text
  // means the cell is gone.
  std::vector<std::vector<const char*>> cells;
  const char* mid;  // range of the name Mid afterwards
  const char* col;  // range of the name Col afterwards
};

EngineCellRef R(const char* a1) {
  EngineCellRef r{};
  ParseCellReference(a1, &r);
  return r;
}

}  // namespace

TEST_F(EngineMoveTest, ReferencesFollowTheirCells) {
  const MoveCase kCases[] = {
      {"insert two rows at 3", [](int s) { InsertEngineRows(s, 3, 2); },
       {{"A7", "5", "5"}, {"B1", "=A1+A7", "6"}, {"B2", "=SUM(A1..A7)", "15"}, {"B5", "=A5*10", "30"},
        {"B6", "=$A$2", "2"}, {"C1", "=A5+1", "4"}, {"C2", "=SUM(A2..A5)", "5"}, {"B3", "", nullptr}},
       "A5", "A1..A7"},
      {"insert a row at 1", [](int s) { InsertEngineRows(s, 1, 1); },
       {{"B2", "=A2+A6", "6"}, {"B5", "=$A$3", "2"}, {"A1", "", nullptr}}, "A4", "A2..A6"},
      {"insert after the data", [](int s) { InsertEngineRows(s, 6, 3); },
       {{"B1", "=A1+A5", "6"}, {"B2", "=SUM(A1..A5)", "15"}}, "A3", "A1..A5"},
      {"remove row 3", [](int s) { RemoveEngineRows(s, 3, 1); },
       {{"A3", "4", "4"}, {"B1", "=A1+A4", "6"}, {"B2", "=SUM(A1..A4)", "12"}, {"B3", "=$A$2", "2"},
        {"C1", "=??+1", "Error!"}, {"C2", "=SUM(A2..A2)", "2"}, {"B5", "", nullptr}},
       "A3", "A1..A4"},
      {"remove rows 2 to 3", [](int s) { RemoveEngineRows(s, 2, 2); },
       {{"B1", "=A1+A3", "6"}, {"B2", "=??", "Error!"}, {"B3", "=Mid+SUM(Col)", "15"}, {"C1", "=??+1", "Error!"},
        {"A2", "4", "4"}},
       "A3", "A1..A3"},  // a name whose cells are all gone keeps its place
      {"remove everything from row 1", [](int s) { RemoveEngineRows(s, 1, ENGINE_MAX_ROW); },
       {{"A1", "", nullptr}, {"B1", "", nullptr}}, "A3", "A1..A5"},
      {"insert a column at A", [](int s) { InsertEngineCols(s, 0, 1); },
       {{"C1", "=B1+B5", "6"}, {"C4", "=$B$2", "2"}, {"D2", "=SUM(B2..B3)", "5"}, {"A1", "", nullptr}},
       "B3", "B1..B5"},
      {"remove column A", [](int s) { RemoveEngineCols(s, 0, 1); },
       {{"A1", "=??+??", "Error!"}, {"A2", "=SUM(?\?)", "Error!"}, {"A4", "=??", nullptr}},
       "A3", "A1..A5"},
      {"move rows 1 to 2 below row 5", [](int s) { MoveEngineRowsOrCols(s, true, 1, 2, 4); },
       {{"A4", "1", "1"}, {"A1", "3", "3"}, {"B4", "=A4+A3", "6"}, {"B2", "=$A$5", "2"}, {"B1", "=A1*10", "30"},
        {"C4", "=A1+1", "4"}, {"B3", "=Mid+SUM(Col)", "18"}},
       "A1", "A1..A5"},
      {"move row 5 to the top", [](int s) { MoveEngineRowsOrCols(s, true, 5, 5, 1); },
       {{"A1", "5", "5"}, {"A2", "1", "1"}, {"B2", "=A2+A1", "6"}, {"B1", "=Mid+SUM(Col)", "18"}},
       "A4", "A1..A5"},
      {"move cells A1..A2 to D1", [](int s) { ShiftEngineCells(s, R("A1..A2"), 1, 3); },
       {{"D1", "1", "1"}, {"A1", "", nullptr}, {"B1", "=D1+A5", "6"}, {"B4", "=$D$2", "2"}}, "A3", "A1..D5"},
  };
  for (const MoveCase& c : kCases) {
    TearDown();
    SetUp();
    c.op(m_sheet);
    RecalculateSheet(m_sheet);
    for (const auto& cell : c.cells) {
      EngineCell* e = Cell(cell[0]);
      if (cell[1][0] == '\0') {
        EXPECT_EQ(e, nullptr) << c.what << ": " << cell[0];
        continue;
      }
      ASSERT_NE(e, nullptr) << c.what << ": " << cell[0];
      EXPECT_EQ(Edit(cell[0]), cell[1]) << c.what << ": " << cell[0];
      if (cell[2] != nullptr) {
        EXPECT_EQ(Show(cell[0]), cell[2]) << c.what << ": " << cell[0];
      }
    }
    EXPECT_EQ(NameRange("Mid"), c.mid) << c.what;
    EXPECT_EQ(NameRange("Col"), c.col) << c.what;
  }
}

// Removing rows never leaves a reference designating the cells that moved into its place; the
// lost reference is error 89.
TEST_F(EngineMoveTest, LostReferenceAfterRemovalIsError89) {
  RemoveEngineRows(m_sheet, 3, 1);
  RecalculateSheet(m_sheet);
  EXPECT_EQ(ErrorOf("C1"), 89);
  EXPECT_EQ(Edit("C1"), "=??+1");
  // The lost reference survives being written and compiled again.
  ASSERT_TRUE(Put("D1", Edit("C1").c_str()));
  EXPECT_EQ(ErrorOf("D1"), 89);
}

TEST_F(EngineMoveTest, PushedOffTheSheetIsLost) {
  ASSERT_TRUE(StoreNumberCell(m_sheet, ENGINE_MAX_ROW, 5, 7));
  ASSERT_TRUE(Put("F1", "=F8388607"));
  ASSERT_TRUE(Put("G1", "=SUM(F8388606..F8388607)"));
  InsertEngineRows(m_sheet, 100, 1);
  EXPECT_EQ(FindEngineCell(m_s, ENGINE_MAX_ROW, 5), nullptr);
  EXPECT_EQ(Edit("F1"), "=??");
  EXPECT_EQ(Edit("G1"), "=SUM(F8388607..F8388607)");  // a range is cut at the end of the sheet
  InsertEngineCols(m_sheet, 0, ENGINE_MAX_COL + 1);
  EXPECT_EQ(m_s->linkedCount, 0);
}

TEST_F(EngineMoveTest, CopiesMoveRelativeReferences) {
  static const struct {
    const char* from;
    const char* to;
    const char* cell;
    const char* edit;
    const char* shown;
  } kCases[] = {
      {"B1", "C2", "C2", "=B2+B6", "Error!"},
      {"B4", "D9", "D9", "=$A$2", "2"},
      {"B2", "C3", "C3", "=SUM(B2..B6)", nullptr},
      {"B2", "C1", "C1", "=SUM(?\?)", "Error!"},
      {"C1", "D1", "D1", "=B3+1", "31"},
      {"B1", "B2", "B2", "=A2+A6", "Error!"},
      {"C1", "C9", "C9", "=A11+1", nullptr},
      {"B2", "E2", "E2", "=SUM(D1..D5)", "0"},
      {"A1..A2", "F7", "F8", "2", "2"},
  };
  for (const auto& c : kCases) {
    TearDown();
    SetUp();
    SetEngineBlanksAreZero(m_s, c.to[0] == 'E' ? 1 : 0);
    EngineCellRef to = Ref(c.to);
    CopyEngineCells(m_sheet, Ref(c.from), to.FirstRow(), to.FirstCol());
    ASSERT_NE(Cell(c.cell), nullptr) << c.from << " to " << c.to;
    EXPECT_EQ(Edit(c.cell), c.edit) << c.from << " to " << c.to;
    if (c.shown != nullptr) {
      EXPECT_EQ(Show(c.cell), c.shown) << c.from << " to " << c.to;
    }
    EXPECT_NE(Cell(c.from[2] == '.' ? "A1" : c.from), nullptr) << "the source stays";
  }
  // A copy whose relative reference would leave the sheet gets the lost reference.
  ASSERT_TRUE(Put("H2", "=H1*2"));
  CopyEngineCells(m_sheet, Ref("H2"), 1, 8);
  EXPECT_EQ(Edit("I1"), "=??*2");
  EXPECT_EQ(ErrorOf("I1"), 89);
}

TEST_F(EngineMoveTest, OverwrittenCellsAreSavedForUndo) {
  m_s->undoMode = 1;
  RemoveEngineRows(m_sheet, 2, 2);
  // The cells of rows 2 and 3 (A2, A3, B2, B3 and C2) are kept, unlinked, for undo.
  EXPECT_EQ(m_s->saved.size(), 5u);
  for (EngineCell* c : m_s->saved)
    EXPECT_FALSE(c->Is(ENGINE_FLAG_LINKED));
  EXPECT_TRUE(m_s->undoFlag);
  EXPECT_STREQ(FormatCellReference(m_s->undoRange), "A2..FAN3");
}
