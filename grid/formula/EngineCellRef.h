// The packed cell and range reference of the formula engine (`EngineCellRef`), its A1 notation
// (column letters, "$" marks, ".." between the corners) and the per-sheet list of named ranges.
// Formulas, names, marked ranges and undo records all refer to cells through this one form.
// Not for: storing cells (EngineState.h) or rewriting references when cells move (EngineMove.h).
#ifndef GRID_FORMULA_ENGINECELLREF_H
#define GRID_FORMULA_ENGINECELLREF_H

#include <cstdint>

enum : uint32_t {
  ENGINE_MAX_ROW = 8388607,  // rows are 1-based
  ENGINE_MAX_COL = 4095,     // columns are 0-based
};

// Three words: first row (bits 0-23 of w1), last row (bits 0-23 of w2), and in w3 the first column
// (bits 0-12), first row absolute (13), first column absolute (14), last column (15-27), last row
// absolute (28), last column absolute (29) and single cell (30). The upper bits of w1 and w2 and
// bit 31 of w3 belong to whoever holds the reference and are never changed here.
struct EngineCellRef {
  uint32_t w1;
  uint32_t w2;
  uint32_t w3;

  uint32_t FirstRow() const { return w1 & 0xFFFFFFu; }
  uint32_t LastRow() const { return w2 & 0xFFFFFFu; }
  uint32_t FirstCol() const { return w3 & 0x1FFFu; }
  uint32_t LastCol() const { return (w3 >> 15) & 0x1FFFu; }
  bool FirstRowAbs() const { return (w3 >> 13) & 1; }
  bool FirstColAbs() const { return (w3 >> 14) & 1; }
  bool LastRowAbs() const { return (w3 >> 28) & 1; }
  bool LastColAbs() const { return (w3 >> 29) & 1; }
  bool IsSingle() const { return (w3 >> 30) & 1; }

  void SetFirstRow(uint32_t r) { w1 = (w1 & ~0xFFFFFFu) | (r & 0xFFFFFFu); }
  void SetLastRow(uint32_t r) { w2 = (w2 & ~0xFFFFFFu) | (r & 0xFFFFFFu); }
  void SetFirstCol(uint32_t c) { w3 = (w3 & ~0x1FFFu) | (c & 0x1FFFu); }
  void SetLastCol(uint32_t c) { w3 = (w3 & ~(0x1FFFu << 15)) | ((c & 0x1FFFu) << 15); }
  void SetBit(int bit, bool on) { w3 = on ? (w3 | (1u << bit)) : (w3 & ~(1u << bit)); }
  void SetFirstRowAbs(bool on) { SetBit(13, on); }
  void SetFirstColAbs(bool on) { SetBit(14, on); }
  void SetLastRowAbs(bool on) { SetBit(28, on); }
  void SetLastColAbs(bool on) { SetBit(29, on); }
  void SetSingle(bool on) { SetBit(30, on); }

  bool IsValid() const { return FirstRow() != 0; }
  bool Contains(uint32_t row, uint32_t col) const {
    return row >= FirstRow() && row <= LastRow() && col >= FirstCol() && col <= LastCol();
  }
};

// Flags of the make operations.
enum {
  ENGINE_REF_SINGLE = 1,
  ENGINE_REF_FIRST_COL_ABS = 2,
  ENGINE_REF_FIRST_ROW_ABS = 4,
  ENGINE_REF_LAST_COL_ABS = 8,
  ENGINE_REF_LAST_ROW_ABS = 16,
};

// The letters of a column (A, ..., Z, AA, ...), or null above 4,095. The text lives in the engine
// state's letters buffer until the next call.
const char* ColumnIndexToLetters(uint32_t col);
// The column of the leading letters of text (either case), or -1 (see the .cpp for the rules).
int ColumnLettersToIndex(const char* text);
// TRUE-like: true with the normalised range for valid A1 text ("B2", "$A$1", "A1..B2", "A1.B2",
// "A1:B2"); false otherwise.
bool ParseCellReference(const char* text, EngineCellRef* out);
// The A1 text of a valid range in the engine state's reference buffer, or null for an invalid one.
const char* FormatCellReference(const EngineCellRef& ref);

EngineCellRef MakeEngineCellRef(int32_t row, int32_t col, int flags);
EngineCellRef MakeEngineRangeRef(int32_t row1, int32_t col1, int32_t row2, int32_t col2, int flags);
// Orders the corners of a range (or copies the first corner of a single cell); false when invalid.
bool NormalizeEngineRange(EngineCellRef* ref);
bool EngineRangesIntersect(const EngineCellRef& a, const EngineCellRef& b);
// Equal corners; the absolute marks do not count.
bool EngineRangesEqual(const EngineCellRef& a, const EngineCellRef& b);

// Named ranges.
enum { ENGINE_NAME_MAX = 31 };
struct EngineName {
  EngineName* next;
  char* name;  // at most 31 bytes, engine-tracked
  EngineCellRef range;
};

struct EngineSheet;
// Whether text is a valid name: a letter, "_" or "$", then letters, digits, ".", "_" or "$".
bool IsValidEngineName(const char* name);
bool DefineEngineName(int sheet, const char* name, const EngineCellRef& range);
EngineName* FindEngineName(int sheet, const char* name, EngineCellRef* out = nullptr);
// Replaces the references of every formula to the name by plain references to its range, then
// frees the entry (or keeps it for undo when the sheet collects undo information).
bool DeleteEngineName(int sheet, const char* name);
void RestoreEngineName(int sheet, EngineName* saved);
void DeleteAllEngineNames(EngineSheet* sheet);
void FreeEngineNameEntry(EngineName* entry);

#endif  // GRID_FORMULA_ENGINECELLREF_H
