// The parser: the shape of compiled formulas (precedence, associativity, ranges, functions),
// its errors with their positions, and the text written back from the compiled form.
#include "EngineTestSupport.h"

#include "EngineErrors.h"
#include "FormulaFunctions.h"
#include "FormulaParser.h"

#include <cstdio>
#include <string>

namespace {

// The compiled tree in prefix form, e.g. "(+ 1 (* 2 3))"; parenthesised nodes are marked "p".
std::string Tree(const CompiledFormula& f, uint16_t i) {
  if (i == NODE_NONE)
    return "_";
  const FormulaNode& n = f.nodes[i];
  std::string s;
  char buf[64];
  switch (n.Kind()) {
    case NODE_OPERATOR: {
      static const char* const kOps[] = {"+", "-", "pos", "neg", "*", "/", "**", "mod", "&&", "||", "!", "&", "|", "^",
                                         "~", "<<", ">>", "==", "!=", "<", ">", "<=", ">=", "?", "..", "pct", "??"};
      s = std::string("(") + kOps[n.u.op];
      if (n.u.op == OP_COND) {
        const FormulaNode& ext = f.nodes[n.child[1]];
        s += " " + Tree(f, n.child[0]) + " " + Tree(f, ext.u.ext.thenNode) + " " + Tree(f, ext.u.ext.elseNode);
      } else {
        if (n.child[0] != NODE_NONE) s += " " + Tree(f, n.child[0]);
        if (n.child[1] != NODE_NONE) s += " " + Tree(f, n.child[1]);
      }
      s += ")";
      break;
    }
    case NODE_NUMBER: std::snprintf(buf, sizeof(buf), "%g", n.u.number); s = buf; break;
    case NODE_STRING: s = std::string("\"") + n.u.text + "\""; break;
    case NODE_CELL: s = std::string("cell:") + FormatCellReference(n.u.ref); break;
    case NODE_RANGE: s = std::string("range:") + FormatCellReference(n.u.ref); break;
    case NODE_NAMED_CELL: s = std::string("ncell:") + n.u.name->name; break;
    case NODE_NAMED_RANGE: s = std::string("nrange:") + n.u.name->name; break;
    case NODE_FUNCTION: {
      s = std::string("(") + n.u.function->name;
      for (uint16_t a = n.child[0]; a != NODE_NONE; a = f.nodes[a].child[1])
        s += " " + Tree(f, f.nodes[a].child[0]);
      s += ")";
      break;
    }
    case NODE_RELATIVE:
      s = "(# col " + Tree(f, n.u.rel.colOffset) + " row " + Tree(f, n.u.rel.rowOffset) + ")";
      break;
    default: s = "?"; break;
  }
  if (n.Has(NODE_FLAG_PARENS))
    s = "p" + s;
  return s;
}

}  // namespace

using FormulaParser = EngineSheetTest;

TEST_F(FormulaParser, PrecedenceAndAssociativity) {
  ASSERT_TRUE(DefineEngineName(m_sheet, "X", Ref("C1..C5")));
  ASSERT_TRUE(DefineEngineName(m_sheet, "Y", Ref("D4")));
  static const struct {
    const char* text;
    const char* tree;
  } kCases[] = {
      {"=1+2*3", "(+ 1 (* 2 3))"},
      {"=(1+2)*3", "(* p(+ 1 2) 3)"},
      {"=1-2-3", "(- (- 1 2) 3)"},
      {"=8/4/2", "(/ (/ 8 4) 2)"},
      {"=2**3**2", "(** (** 2 3) 2)"},
      {"=-2**2", "(neg (** 2 2))"},
      {"=--1", "(neg (neg 1))"},
      {"=+1", "(pos 1)"},
      {"=!1&&~2", "(&& (! 1) (~ 2))"},
      {"=1&&2||3&&4", "(|| (&& 1 2) (&& 3 4))"},
      {"=1|2^3&4", "(| 1 (^ 2 (& 3 4)))"},
      {"=1&2==3", "(& 1 (== 2 3))"},
      {"=1=2!=3<>4", "(!= (!= (== 1 2) 3) 4)"},
      {"=1<2==3>=4", "(== (< 1 2) (>= 3 4))"},
      {"=1<<2+3", "(<< 1 (+ 2 3))"},
      {"=1>>2<3", "(< (>> 1 2) 3)"},
      {"=5%", "(pct 5)"},
      {"=5%2", "(mod 5 2)"},
      {"=5%(2)", "(mod 5 p2)"},
      {"=5%-2", "(- (pct 5) 2)"},
      {"=2*5%", "(* 2 (pct 5))"},
      {"=1?2:3", "(? 1 2 3)"},
      {"=1?2:0?4:5", "(? 1 2 (? 0 4 5))"},
      {"=1||0?7:8", "(? (|| 1 0) 7 8)"},
      {"=A1..B2", "range:A1..B2"},
      {"=b2:a1", "range:A1..B2"},
      {"=$A$1.B$2", "range:$A$1..B$2"},
      {"=A1..X", "(.. cell:A1 nrange:X)"},
      {"=Y", "ncell:Y"},
      {"=y ..A1", "(.. ncell:Y cell:A1)"},  // a name takes the dots that follow it
      {"=#", "(# col _ row _)"},
      {"=#{1}", "(# col 1 row _)"},
      {"=#{0,1}", "(# col 0 row 1)"},
      {"=SUM(A1..A3,2)", "(SUM range:A1..A3 2)"},
      {"=@sum(1)", "(SUM 1)"},
      {"=NA()", "(NA)"},
      {"=@NA", "(NA)"},
      {"=??+1", "(+ (?\?) 1)"},
      {"=0x10+\"s\"", "(+ 16 \"s\")"},
      {"=1 #AND# 2 #or# #not# 3", "(|| (&& 1 2) (! 3))"},
  };
  for (const auto& c : kCases) {
    CompiledFormula f;
    ASSERT_TRUE(ParseFormula(m_sheet, c.text, &f)) << c.text << ": " << GetEngineState()->m_nErrorNumber;
    EXPECT_EQ(Tree(f, f.expression), c.tree) << c.text;
    EXPECT_EQ(GetEngineState()->m_nErrorFlag, 0);
    ClearCompiledFormula(&f);
  }
}

TEST_F(FormulaParser, ErrorsWithTheirPositions) {
  ASSERT_TRUE(DefineEngineName(m_sheet, "X", Ref("C1..C5")));
  std::string tooMany = "=1";
  for (int i = 0; i < 100; i++)
    tooMany += "+1";  // 201 nodes
  std::string deep = "=" + std::string(300, '(') + "1" + std::string(300, ')');
  std::string manyArgs = "=SUM(1";
  for (int i = 0; i < 100; i++)
    manyArgs += ",A1..B2";  // 101 arguments in fewer than 200 nodes
  manyArgs += ")";
  static const struct {
    std::string text;
    int error, pos;
  } kCases[] = {
      {"=1+", 274, 3},
      {"=Q", 281, 1},
      {"=1+Q*2", 281, 3},
      {"1", 253, 0},
      {"==1", 274, 1},
      {"", 253, 0},
      {"=(1", 250, 3},
      {"=1)", 271, 2},
      {"=1 2", 271, 3},
      {"=A0", 226, 1},
      {"=A8388608", 226, 1},
      {"=XFD1", 281, 1},
      {"=FOO(1)", 227, 1},
      {"=@FOO", 227, 1},
      {"=@sum", 230, 1},
      {"=NA(1)", 229, 1},
      {"=1'", 223, 2},
      {"='a'", 223, 1},
      {"=A1..3", 275, 5},
      {"=A1..", 275, 5},
      {"=1?2", 232, 4},
      {"=#{1", 252, 4},
      {"=1;", 274, 3},
      {"=1e999", 282, 1},
      {"=0x123456789", 88, 1},
      {"=0x00000000FF", 0, 0},
      {tooMany, 280, -1},
      {deep, 142, -1},
      {manyArgs, 280, -1},  // 100 arguments already fill the node buffer
  };
  for (const auto& c : kCases) {
    CompiledFormula f;
    bool ok = ParseFormula(m_sheet, c.text.c_str(), &f);
    GX_ENGINE_STATE* st = GetEngineState();
    if (c.error == 0) {
      EXPECT_TRUE(ok) << c.text;
      ClearCompiledFormula(&f);
      continue;
    }
    EXPECT_FALSE(ok) << c.text;
    EXPECT_EQ(st->m_nErrorFlag, 1) << c.text;
    EXPECT_EQ(st->m_nErrorNumber, c.error) << c.text;
    if (c.pos >= 0) {
      EXPECT_EQ(st->m_nErrorPos, c.pos) << c.text;
    }
    EXPECT_EQ(f.count, 0) << c.text;
    EXPECT_EQ(f.nodes, nullptr) << c.text;
    EXPECT_EQ(f.expression, NODE_NONE) << c.text;
  }
}

TEST_F(FormulaParser, TextWrittenBack) {
  ASSERT_TRUE(DefineEngineName(m_sheet, "Rate", Ref("B1")));
  static const struct {
    const char* text;
    const char* back;
  } kCases[] = {
      {"= 1 + 2 * 3", "=1+2*3"},
      {"=(1+2)*3", "=(1+2)*3"},
      {"=A1:B2+$A$1-A$1*$a1", "=A1..B2+$A$1-A$1*$A1"},
      {"=\"a\\tb\\\"c\\\\d\\n\"", "=\"a\\tb\\\"c\\\\d\\n\""},
      {"=\"\\x41\\102\\q\"", "=\"ABq\""},
      {"=0x1f+0xFFFFFFFF", "=0x1F+0xFFFFFFFF"},
      {"=5%+-5", "=5%+-5"},
      {"=1.5e-7*1e20", "=1.5e-07*1e+20"},
      {"=#{1,2}+#", "=#{1,2}+#"},
      {"=1?2:3", "=1?2:3"},
      {"=@sum(A1..A3, 2)", "=SUM(A1..A3,2)"},
      {"=NA()", "=NA()"},
      {"=rate*2", "=Rate*2"},
      {"=1;A1>0", "=1;A1>0"},
      {"=A1\\B1..C2", "=A1\\B1..C2"},
      {"=1 // note", "=1// note"},
      {"=1#AND#2<>3", "=1&&2!=3"},
      {"=??", "=??"},
      {"=!~1", "=!~1"},
      {"=SUM(Rate:C3)+SUM(A1..Rate)", "=SUM(Rate:C3)+SUM(A1..Rate)"},
      {"=rate ..C3", "=Rate:C3"},
  };
  for (const auto& c : kCases) {
    CompiledFormula f;
    ASSERT_TRUE(ParseFormula(m_sheet, c.text, &f)) << c.text << ": " << GetEngineState()->m_nErrorNumber;
    CString back = FormulaToText(m_sheet, &f);
    EXPECT_EQ(std::string(back), c.back) << c.text;
    // The text written back compiles to the same text again.
    CompiledFormula g;
    ASSERT_TRUE(ParseFormula(m_sheet, back, &g)) << back;
    EXPECT_EQ(std::string(FormulaToText(m_sheet, &g)), c.back);
    ClearCompiledFormula(&f);
    ClearCompiledFormula(&g);
  }
  CompiledFormula empty{NODE_NONE, NODE_NONE, NODE_NONE, 0, nullptr, nullptr};
  EXPECT_EQ(std::string(FormulaToText(m_sheet, &empty)), "");
}

TEST_F(FormulaParser, DuplicateIsIndependentOfTheOriginal) {
  CompiledFormula* f = CompileFormulaText(m_sheet, "=\"text\"&\"more\"//why");
  ASSERT_NE(f, nullptr);
  CompiledFormula* g = DuplicateCompiledFormula(f);
  FreeCompiledFormula(f);
  EXPECT_EQ(std::string(FormulaToText(m_sheet, g)), "=\"text\"&\"more\"//why");
  FreeCompiledFormula(g);
}
