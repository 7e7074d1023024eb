// The evaluator: each operator and function with its results and errors, storing constants,
// the cell texts, dependencies and recalculation (chains, diamonds, cycles, constraints).
#include "EngineTestSupport.h"

#include "EngineErrors.h"
#include "FormulaParser.h"

#include <string>

using FormulaEval = EngineSheetTest;

namespace {

struct EvalCase {
  const char* formula;
  const char* shown;  // display text
  int error;          // error number when shown is "Error!"
};

}  // namespace

// A1 = 4, A2 = "ab", A3 blank, A4 = an error, A5 = #N/A, A6 = "" (empty text), B1..B3 = 1, 2, 3.
class FormulaEvalTable : public FormulaEval {
 protected:
  void SetUp() override {
    FormulaEval::SetUp();
    Put("A1", "4");
    Put("A2", "ab");
    ASSERT_TRUE(Put("A4", "=1/0"));
    ASSERT_TRUE(StoreNotAvailableCell(m_sheet, 5, 0));
    ASSERT_TRUE(StoreTextCell(m_sheet, 6, 0, ""));
    Put("B1", "1");
    Put("B2", "2");
    Put("B3", "3");
    ASSERT_TRUE(DefineEngineName(m_sheet, "Four", Ref("A1")));
    ASSERT_TRUE(DefineEngineName(m_sheet, "Bs", Ref("B1..B3")));
  }
  void Check(const EvalCase* cases, size_t n) {
    for (size_t i = 0; i < n; i++) {
      const EvalCase& c = cases[i];
      ASSERT_TRUE(Put("Z9", c.formula)) << c.formula << ": " << GetEngineState()->m_nErrorNumber;
      EXPECT_EQ(Show("Z9"), c.shown) << c.formula;
      EXPECT_EQ(ErrorOf("Z9"), c.error) << c.formula;
    }
  }
};

TEST_F(FormulaEvalTable, ArithmeticAndPower) {
  static const EvalCase kCases[] = {
      {"=1+2*3", "7", 0},       {"=7-10", "-3", 0},        {"=+A1", "4", 0},        {"=-A1", "-4", 0},
      {"=0.1+0.2", "0.3", 0},   {"=1/4", "0.25", 0},       {"=1/0", "Error!", 70},  {"=A1/(A1-4)", "Error!", 70},
      {"=2**0.5", "1.4142135623731", 0},                   {"=2**10", "1024", 0},   {"=-2**2", "-4", 0},
      {"=(-8)**0.5", "Error!", 70},                        {"=0**(0-1)", "Error!", 70},
      {"=5%", "0.05", 0},       {"=A1%", "0.04", 0},       {"=1e308*10", "inf", 0},
      {"=A2+1", "Error!", 128}, {"=A5+1", "Error!", 128},  {"=A4+1", "Error!", 133}, {"=A3+1", "Error!", 60},
      {"=A6+1", "Error!", 60}, {"=Four*2", "8", 0},       {"=Bs+1", "Error!", 128}, {"=??+1", "Error!", 89},
  };
  Check(kCases, sizeof(kCases) / sizeof(kCases[0]));
}

TEST_F(FormulaEvalTable, IntegerOperators) {
  static const EvalCase kCases[] = {
      {"=7%3", "1", 0},           {"=-7%3", "-1", 0},          {"=7.9%3.2", "1", 0},       {"=5%0", "Error!", 122},
      {"=(-2147483648)%(-1)", "0", 0}, {"=6|3", "7", 0},            {"=6^3", "5", 0},           {"=~0", "-1", 0},
      {"=1<<4", "16", 0},         {"=1<<33", "2", 0},          {"=-16>>2", "-4", 0},       {"=4294967295|0", "-1", 0},
      {"=4294967296|0", "Error!", 136},                        {"=-2147483649|0", "Error!", 136},
      {"=-2147483648.5|0", "-2147483648", 0},                  {"=A2|1", "Error!", 128},
  };
  Check(kCases, sizeof(kCases) / sizeof(kCases[0]));
}

TEST_F(FormulaEvalTable, LogicAndConditional) {
  static const EvalCase kCases[] = {
      {"=0&&(1/0)", "0", 0}, {"=1&&2", "1", 0},  {"=1&&0", "0", 0},      {"=1||(1/0)", "1", 0},
      {"=0||0", "0", 0},     {"=0||3", "1", 0},  {"=!0", "1", 0},        {"=!5", "0", 0},
      {"=1?2:1/0", "2", 0},  {"=0?1/0:3", "3", 0}, {"=A2?1:2", "Error!", 128}, {"=(1/0)&&0", "Error!", 70},
  };
  Check(kCases, sizeof(kCases) / sizeof(kCases[0]));
}

TEST_F(FormulaEvalTable, ConcatenationAndComparison) {
  std::string long1 = "=\"" + std::string(300, 'x') + "\"&\"" + std::string(211, 'y') + "\"";
  std::string long2 = "=\"" + std::string(300, 'x') + "\"&\"" + std::string(212, 'y') + "\"";
  std::string joined = std::string(300, 'x').append(211, 'y');
  const EvalCase kCases[] = {
      {"=\"ab\"&\"cd\"", "abcd", 0}, {"=\"a\"&1", "Error!", 140}, {"=6&3", "2", 0},   {"=A2&\"c\"", "abc", 0},
      {"=Bs&1", "Error!", 91},       {"=A4&1", "Error!", 91},     {"=A5&A5", "Error!", 91},
      {long1.c_str(), joined.c_str(), 0},
      {long2.c_str(), "Error!", 150},
      {"=1==\"1\"", "0", 0},         {"=1!=\"1\"", "1", 0},        {"=1<\"1\"", "0", 0},
      {"=\"ab\"==\"ab  \"", "1", 0}, {"=\"ab\"<\"b\"", "1", 0},    {"=A2>=\"ab\"", "1", 0},
      {"=2<=1", "0", 0},             {"=2>1", "1", 0},            {"=1=1", "1", 0},   {"=1<>1", "0", 0},
      {"=Bs==1", "Error!", 94},      {"=Bs!=1", "Error!", 90},     {"=Bs<1", "Error!", 93},
      {"=Bs>1", "Error!", 96},       {"=Bs<=1", "Error!", 92},     {"=Bs>=1", "Error!", 95},
      {"=A4==1", "Error!", 94},      {"=A3==0", "Error!", 94},
  };
  Check(kCases, sizeof(kCases) / sizeof(kCases[0]));
}

TEST_F(FormulaEvalTable, ReferencesRangesAndFunctions) {
  static const EvalCase kCases[] = {
      {"=A1", "4", 0},              {"=A2", "ab", 0},             {"=A5", "#N/A", 0},
      {"=A4", "Error!", 133},       {"=A1..B2", "Error!", 149},   {"=Bs", "Error!", 149},
      {"=A1..Four", "Error!", 149}, {"=A1..Bs", "Error!", 141},   {"=#{-25,-8}", "4", 0},
      {"=#{1}", "Error!", 60},      {"=#{-26}", "Error!", 110},   {"=#{0,-9}", "Error!", 110},
      {"=SUM(B1..B3)", "6", 0},     {"=SUM(Bs,Four,10)", "20", 0}, {"=SUM(A1..A3)", "4", 0},
      {"=SUM(A1..A4)", "Error!", 133}, {"=SUM(A5,1)", "#N/A", 0},  {"=SUM(\"x\")", "Error!", 128},
      {"=SUM(A1..Y8388607)", "Error!", 133},
      {"=NA()", "#N/A", 0},         {"=NA()+1", "Error!", 128},
  };
  Check(kCases, sizeof(kCases) / sizeof(kCases[0]));
}

TEST_F(FormulaEval, BlankCellsCountAsZeroOnRequest) {
  ASSERT_TRUE(Put("B1", "=A1+1"));
  EXPECT_EQ(ErrorOf("B1"), 60);
  SetEngineBlanksAreZero(m_s, 1);
  RecalculateSheet(m_sheet);
  EXPECT_EQ(Show("B1"), "1");
  StoreTextCell(m_sheet, 1, 0, "");
  RecalculateSheet(m_sheet);
  EXPECT_EQ(Show("B1"), "1");
}

TEST_F(FormulaEval, StoredConstantsAndTheirTexts) {
  static const struct {
    const char* entered;
    const char* shown;
    const char* edit;
    uint32_t kind;
  } kCases[] = {
      {"=42", "42", "42", ENGINE_CELL_NUMBER},
      {"=0x2A", "42", "=0x2A", ENGINE_CELL_FORMULA},
      {"=1+1", "2", "=1+1", ENGINE_CELL_FORMULA},
      {"=42//why", "42", "=42//why", ENGINE_CELL_FORMULA},
      {"=A9", "Error!", "=A9", ENGINE_CELL_FORMULA_REFS},
      {"=NA()", "#N/A", "=NA()", ENGINE_CELL_FORMULA_REFS},
      {"C:\\new\\table", "C:\\new\\table", "'C:\\new\\table", ENGINE_CELL_TEXT},
      {"short", "short", "'short", ENGINE_CELL_TEXT},
      {"exactly8", "exactly8", "'exactly8", ENGINE_CELL_TEXT},
      {"2.5", "2.5", "2.5", ENGINE_CELL_NUMBER},
  };
  for (const auto& c : kCases) {
    ASSERT_TRUE(Put("C3", c.entered)) << c.entered;
    EXPECT_EQ(Show("C3"), c.shown) << c.entered;
    EXPECT_EQ(Edit("C3"), c.edit) << c.entered;
    EXPECT_EQ(Cell("C3")->Kind(), c.kind) << c.entered;
  }
  // "#N/A" as entered is the not-available constant, which edits back as "#N/A".
  ASSERT_TRUE(StoreNotAvailableCell(m_sheet, 3, 2));
  EXPECT_EQ(Show("C3"), "#N/A");
  EXPECT_EQ(Edit("C3"), "#N/A");
  // Texts are kept whole, far beyond 511 bytes.
  std::string big(5000, 'q');
  ASSERT_TRUE(StoreTextCell(m_sheet, 3, 2, big.c_str()));
  EXPECT_EQ(Show("C3"), big);
  EngineCell scratch{};
  SetCellValue(&scratch, EngineValue::String(CString(big.c_str())));
  EXPECT_EQ(std::string(EngineCellText(&scratch)), big);
  EngineClearValue(&scratch);
  // Outside the sheet nothing is stored.
  EXPECT_FALSE(StoreNumberCell(m_sheet, 0, 0, 1));
  EXPECT_FALSE(StoreTextCell(m_sheet, 1, 4096, "x"));
  EXPECT_FALSE(StoreFormulaCell(m_sheet, ENGINE_MAX_ROW + 1, 0, "=1"));
  EXPECT_FALSE(StoreFormulaCell(m_sheet, 1, 0, "=1+"));
  EXPECT_EQ(Cell("A1"), nullptr);
}

TEST_F(FormulaEval, ErrorMessageNamesCellAndError) {
  ASSERT_TRUE(Put("B3", "=1/0"));
  EXPECT_EQ(m_s->messagePending, 0);
  EXPECT_STREQ(m_s->message, "Cell B3: ERROR: divide by zero  ");
  // A pending message is not overwritten.
  ASSERT_TRUE(Put("C4", "=5%0"));
  EXPECT_STREQ(m_s->message, "Cell B3: ERROR: divide by zero  ");
}

TEST_F(FormulaEval, ChangedRecalculatesDependents) {
  Put("A1", "1");
  ASSERT_TRUE(Put("B1", "=A1*10"));
  ASSERT_TRUE(Put("C1", "=B1+A1"));
  ASSERT_TRUE(Put("D1", "=7"));
  EXPECT_EQ(Show("C1"), "11");
  Put("A1", "2");
  RecalculateSheet(m_sheet);
  EXPECT_EQ(Show("C1"), "22");
  EXPECT_EQ(Show("B1"), "20");
  // Manual recalculation keeps the old values until a forced recalculation.
  SetEngineManualRecalc(m_s, 1);
  Put("A1", "3");
  EXPECT_FALSE(RecalculateSheet(m_sheet));
  EXPECT_EQ(Show("C1"), "22");
  MarkEngineRangeChanged(m_sheet, Ref("A1"));
  EXPECT_TRUE(RecalculateSheet(m_sheet, true));
  EXPECT_EQ(Show("C1"), "33");
}

// A chain of 10,000 formulas, each one more than the cell above: one recalculation brings the
// last up to date without running out of stack, and only what depends on a change is recomputed.
TEST_F(FormulaEval, LongChainRecalculates) {
  const int n = 10000;
  Put("A1", "1");
  for (int r = 2; r <= n; r++) {
    char text[32];
    std::snprintf(text, sizeof(text), "=A%d+1", r - 1);
    ASSERT_TRUE(StoreFormulaCell(m_sheet, (uint32_t)r, 0, text));
  }
  SetEngineRecalcAll(m_s, 1);
  EXPECT_TRUE(RecalculateSheet(m_sheet));
  EXPECT_EQ(Show("A10000"), "10000");
  StoreNumberCell(m_sheet, 1, 0, 101);
  ASSERT_TRUE(StoreFormulaCell(m_sheet, 1, 2, "=A5000*2"));
  RecalculateSheet(m_sheet);
  EXPECT_EQ(Show("A10000"), "10100");
  EXPECT_EQ(Show("C1"), "10200");
  // The lazy road: without recalculate-all, reading the last cell evaluates the whole chain.
  SetEngineRecalcAll(m_s, 0);
  StoreNumberCell(m_sheet, 1, 0, 1);
  RecalculateSheet(m_sheet);
  EXPECT_FALSE(Cell("A10000")->Is(ENGINE_FLAG_CURRENT));
  EXPECT_EQ(Show("A10000"), "10000");
}

TEST_F(FormulaEval, DiamondComputesEachCellOnceInOrder) {
  Put("A1", "2");
  ASSERT_TRUE(Put("B1", "=A1*3"));
  ASSERT_TRUE(Put("B2", "=A1+10"));
  ASSERT_TRUE(Put("C1", "=B1+B2"));
  ASSERT_TRUE(Put("D1", "=SUM(B1..C1)"));
  SetEngineRecalcAll(m_s, 1);
  RecalculateSheet(m_sheet);
  EXPECT_EQ(Show("C1"), "18");
  EXPECT_EQ(Show("D1"), "24");
  Put("A1", "3");
  RecalculateSheet(m_sheet);
  EXPECT_EQ(Show("C1"), "22");
  EXPECT_EQ(Show("D1"), "31");
  uint32_t stamp = m_s->stamp;
  EXPECT_EQ(Cell("B1")->stamp, stamp);
  EXPECT_EQ(Cell("D1")->stamp, stamp);
  // A change beside the diamond recomputes none of it.
  Put("F9", "1");
  RecalculateSheet(m_sheet);
  EXPECT_EQ(Cell("C1")->stamp, stamp);
}

TEST_F(FormulaEval, CycleIsReportedAndIterated) {
  ASSERT_TRUE(Put("A1", "=B1+1"));
  ASSERT_TRUE(Put("B1", "=A1"));
  ASSERT_TRUE(Put("C1", "=A1*0+5"));
  SetEngineBlanksAreZero(m_s, 1);
  SetEngineRecalcAll(m_s, 1);
  RecalculateSheet(m_sheet);
  EXPECT_TRUE(m_s->cycleFound);
  EXPECT_TRUE(Cell("A1")->Is(ENGINE_FLAG_CYCLE));
  EXPECT_TRUE(Cell("B1")->Is(ENGINE_FLAG_CYCLE));
  EXPECT_FALSE(Cell("C1")->Is(ENGINE_FLAG_CYCLE));
  EXPECT_EQ(Show("A1"), "Cycle!");
  EXPECT_EQ(Show("B1"), "Cycle!");
  EXPECT_EQ(Show("C1"), "5");
  // With an iteration limit the cells show values, and each extra pass adds one round.
  SetEngineIterationLimit(m_s, 10);
  RecalculateSheet(m_sheet);
  double a1 = Cell("A1")->value.number;
  SetEngineIterationLimit(m_s, 3);
  RecalculateSheet(m_sheet);
  EXPECT_EQ(Cell("A1")->value.number, a1 + 4);
  EXPECT_NE(Show("A1"), "Cycle!");
  // A formula referring to itself is a cycle too.
  ASSERT_TRUE(Put("D1", "=D1+1"));
  SetEngineIterationLimit(m_s, 0);
  RecalculateSheet(m_sheet);
  EXPECT_EQ(Show("D1"), "Cycle!");
}

TEST_F(FormulaEval, ConstraintsAreCountedAndReported) {
  Put("A1", "5");
  ASSERT_TRUE(Put("B1", "=A1;B1>10"));
  ASSERT_TRUE(Put("B2", "=A1*3;B2>10"));
  ASSERT_TRUE(Put("B3", "=A1;B3<0"));
  SetEngineConstraintCheck(m_s, 1);
  SetEngineRecalcAll(m_s, 1);
  m_s->messagePending = 1;
  RecalculateSheet(m_sheet);
  EXPECT_TRUE(Cell("B1")->Is(ENGINE_FLAG_VIOLATED));
  EXPECT_FALSE(Cell("B2")->Is(ENGINE_FLAG_VIOLATED));
  EXPECT_STREQ(m_s->message, "There are 2 constraint violations!");
  m_s->messagePending = 1;
  Put("A1", "20");
  RecalculateSheet(m_sheet);
  EXPECT_STREQ(m_s->message, "There is 1 constraint violation!");
}

// A relative reference names its cell only when it runs; a change of that cell still reaches it.
TEST_F(FormulaEval, RelativeReferencesFollowChanges) {
  Put("A1", "3");
  ASSERT_TRUE(Put("B1", "=#{-1}*2"));
  EXPECT_EQ(Show("B1"), "6");
  Put("A1", "4");
  RecalculateSheet(m_sheet);
  EXPECT_EQ(Show("B1"), "8");
}

TEST_F(FormulaEval, NestedEvaluationKeepsTheOuterState) {
  Put("A1", "3");
  ASSERT_TRUE(Put("B1", "=#{-1}*2"));  // reads A1 through a relative reference
  CompiledFormula* f = CompileFormulaText(m_sheet, "=B1+#");
  ASSERT_NE(f, nullptr);
  // Evaluated at C1: B1 is evaluated inside, then "#" is C1 itself, which is blank.
  EngineValue v = EvaluateFormulaAt(m_sheet, 1, 2, f, f->expression);
  EXPECT_EQ(v.kind, VALUE_ERROR);
  EXPECT_EQ(v.error, 60);
  EXPECT_EQ(Show("B1"), "6");
  FreeCompiledFormula(f);
}
