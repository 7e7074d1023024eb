// The evaluator: stores entered constants and compiled formulas into engine cells, evaluates
// compiled formulas into values, and keeps formula values up to date (lazily when a value is
// asked for, or in recalculation passes), with constraint checks and cycle iteration.
// An error inside an evaluation is thrown as an EngineErrorThrow and caught at the evaluation's
// entry, where it becomes the error value of the result; it never leaves the engine.
// Not for: compiling text (FormulaParser.h) or moving cells (EngineMove.h).
#ifndef GRID_FORMULA_FORMULAEVAL_H
#define GRID_FORMULA_FORMULAEVAL_H

#include "EngineCellRef.h"
#include "EngineState.h"

#include "Str.h"

#include <cstdint>

struct CompiledFormula;

enum EngineValueKind : int32_t {
  VALUE_NUMBER = 0,
  VALUE_STRING = 1,
  VALUE_RANGE = 2,
  VALUE_CELL = 3,
  VALUE_UNEVALUATED = 4,
  VALUE_NA = 5,
  VALUE_ERROR = 6,
};

struct EngineValue {
  int32_t kind = VALUE_NUMBER;
  double number = 0;
  CString text;            // string; error detail
  EngineCellRef ref = {};  // range or cell
  int32_t error = 0;
  const CompiledFormula* formula = nullptr;  // unevaluated argument
  uint16_t node = 0;

  static EngineValue Number(double v) { EngineValue e; e.number = v; return e; }
  static EngineValue String(const CString& s) { EngineValue e; e.kind = VALUE_STRING; e.text = s; return e; }
  static EngineValue NotAvailable() { EngineValue e; e.kind = VALUE_NA; return e; }
  static EngineValue Error(int n) { EngineValue e; e.kind = VALUE_ERROR; e.error = n; return e; }
};

// What an evaluation raises; caught by the evaluation's entry.
struct EngineErrorThrow {
  int number;
  CString detail;
};
[[noreturn]] void EngineRaiseError(int number, const char* detail = nullptr);

// Storing. Rows 1..8,388,607 and columns 0..4,095; outside them, or when the text does not
// compile, nothing is stored and false is returned. A cell already there is replaced and its
// attached object kept.
bool StoreFormulaCell(int sheet, uint32_t row, uint32_t col, const char* text, bool keepValue = false,
                      const EngineValue* initial = nullptr);
bool StoreNumberCell(int sheet, uint32_t row, uint32_t col, double number);
// The text is kept as entered: backslashes are escapes only inside string literals of formulas.
bool StoreTextCell(int sheet, uint32_t row, uint32_t col, const char* text);
bool StoreTextCell(int sheet, uint32_t row, uint32_t col, const char* text, size_t len);
// The not-available constant ("#N/A" as entered).
bool StoreNotAvailableCell(int sheet, uint32_t row, uint32_t col);
// Sets a cell's value from a result (number, string, not-available or error; others empty it).
void SetCellValue(EngineCell* cell, const EngineValue& value);

// Brings a formula cell's value up to date.
void EvaluateCell(int sheet, EngineCell* cell);
// The value of one of a formula's expressions evaluated at a position, or an error value.
EngineValue EvaluateFormulaAt(int sheet, uint32_t row, uint32_t col, const CompiledFormula* formula,
                              uint16_t root);

// One recalculation; forced runs even with manual recalculation on. False when it did not run.
bool RecalculateSheet(int sheet, bool force = false);
void MarkEngineRangeChanged(int sheet, const EngineCellRef& range);
void ClearEngineMarkedRanges(int sheet);

// The display text of a cell ("%.14g" numbers, "#N/A", "Error!", "Cycle!", the text) and its
// text for editing (the formula, "'" before text constants); both empty for no cell.
CString EngineCellDisplayText(int sheet, EngineCell* cell);
CString EngineCellEditText(int sheet, EngineCell* cell);
// For function routines: the value of the cell at a position as an operand (numbers, texts,
// not-available; errors raise 133, blanks 60 unless they count as zero).
EngineValue EngineCellOperand(int sheet, uint32_t row, uint32_t col);
// Calls fn(cell) for every linked cell inside a range, without visiting empty positions.
template <class Fn>
void ForEachCellInRange(EngineSheet* s, const EngineCellRef& r, int pools, Fn fn);

template <class Fn>
void ForEachCellInRange(EngineSheet* s, const EngineCellRef& r, int pools, Fn fn) {
  uint64_t area = (uint64_t)(r.LastRow() - r.FirstRow() + 1) * (uint64_t)(r.LastCol() - r.FirstCol() + 1);
  if (area <= (uint64_t)EngineCellCount(s, pools)) {
    for (uint32_t row = r.FirstRow(); row <= r.LastRow(); row++)
      for (uint32_t col = r.FirstCol(); col <= r.LastCol(); col++) {
        EngineCell* c = FindEngineCell(s, row, col);
        if (c != nullptr && (pools & (1 << (EnginePoolOf(c) - s->pools))))
          fn(c);
      }
    return;
  }
  for (int i = 0; i < 3; i++)
    if (pools & (1 << i))
      ForEachPoolCell(&s->pools[i], [&](EngineCell* c) {
        if (c->Is(ENGINE_FLAG_LINKED) && r.Contains(c->row, c->col))
          fn(c);
      });
}

#endif  // GRID_FORMULA_FORMULAEVAL_H
