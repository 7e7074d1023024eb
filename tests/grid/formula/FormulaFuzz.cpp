// Arbitrary bytes as formula text through the scanner, the parser, the text writer, the evaluator
// and the block operations: no crash, hang or read past the text, and what the writer gives back
// compiles to the same text again.
#include "EngineCellRef.h"
#include "EngineMove.h"
#include "EngineState.h"
#include "FormulaEval.h"
#include "FormulaParser.h"
#include "FormulaScanner.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Sheet() {
  static int s_sheet = CreateEngineSheet();
  return s_sheet;
}

void Check(bool ok) {
  if (!ok)
    std::abort();
}

void Fixture(int sheet) {
  EngineSheet* s = GetEngineSheet(sheet);
  EmptyEngineSheet(s);
  StoreNumberCell(sheet, 1, 0, 4);
  StoreTextCell(sheet, 2, 0, "ab");
  StoreFormulaCell(sheet, 3, 0, "=1/0");
  StoreNotAvailableCell(sheet, 4, 0);
  StoreFormulaCell(sheet, 1, 1, "=C3+A1");
  StoreFormulaCell(sheet, 2, 1, "=SUM(A1..C5)");
  EngineCellRef r{};
  ParseCellReference("A1..A4", &r);
  DefineEngineName(sheet, "Col", r);
  ParseCellReference("A1", &r);
  DefineEngineName(sheet, "One", r);
}

void RoundTrip(int sheet, const char* text) {
  CompiledFormula f;
  if (!ParseFormula(sheet, text, &f))
    return;
  CString back = FormulaToText(sheet, &f);
  CompiledFormula g;
  Check(ParseFormula(sheet, back, &g));
  Check(FormulaToText(sheet, &g) == back);
  ClearCompiledFormula(&f);
  ClearCompiledFormula(&g);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 4096)
    return 0;
  int sheet = Sheet();
  EngineSheet* s = GetEngineSheet(sheet);
  uint8_t flags = data[0];
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string formula = text.empty() || text[0] != '=' ? "=" + text : text;

  SetScanInput(text.c_str());
  for (size_t i = 0; i <= text.size() + 1; i++)
    if (ScanFormulaToken().kind == TOK_END)
      break;

  Fixture(sheet);
  SetEngineBlanksAreZero(s, flags & 1);
  SetEngineIterationLimit(s, (flags >> 1) & 3);
  SetEngineConstraintCheck(s, (flags >> 3) & 1);
  SetEngineRecalcAll(s, 1);
  RoundTrip(sheet, formula.c_str());
  if (StoreFormulaCell(sheet, 3, 2, formula.c_str())) {
    EngineCellDisplayText(sheet, FindEngineCell(s, 3, 2));
    RecalculateSheet(sheet);
    if (flags & 16)
      RemoveEngineRows(sheet, 2, 1);
    else if (flags & 32)
      InsertEngineCols(sheet, 1, 2);
    else if (flags & 64)
      MoveEngineRowsOrCols(sheet, true, 1, 2, 3);
    else if (flags & 128) {
      EngineCellRef r{};
      ParseCellReference("A1..C4", &r);
      CopyEngineCells(sheet, r, 2, 1);
    }
    RecalculateSheet(sheet, true);
    for (uint32_t row = 1; row <= 5; row++)
      for (uint32_t col = 0; col <= 4; col++) {
        EngineCell* c = FindEngineCell(s, row, col);
        EngineCellDisplayText(sheet, c);
        CString edit = EngineCellEditText(sheet, c);
        if (c != nullptr && c->IsFormula())
          RoundTrip(sheet, edit);
      }
  }
  StoreTextCell(sheet, 5, 5, text.c_str());
  return 0;
}
