// What the formula sheet does to its engine sheet without the grid: storing a typed formula with
// its error message, computing an expression, copying a whole engine sheet, sorting rows or
// columns of engine cells, and the undo record of engine cells with its collection and replay.
// The formula sheet (a CGXData) calls these from its virtual operations after converting grid
// coordinates (engine rows are the grid's rows, at least 1; engine columns the grid's minus 1).
// Not for: grid styles, number formats or the grid's own data arrays.
#ifndef GRID_FORMULA_FORMULASHEETENGINE_H
#define GRID_FORMULA_FORMULASHEETENGINE_H

#include "EngineCellRef.h"
#include "EngineState.h"

#include "Object.h"
#include "Str.h"

#include <vector>

// The engine cells saved by a change, for the grid's undo and redo commands.
class CGXUndoEngineCellsInfo : public CObject {
  DECLARE_DYNAMIC(CGXUndoEngineCellsInfo)

 public:
  CGXUndoEngineCellsInfo() = default;
  ~CGXUndoEngineCellsInfo() override;

  std::vector<EngineCell*> m_undoCells;  // owned, unlinked
  std::vector<EngineCell*> m_redoCells;  // owned, unlinked
  EngineCellRef m_range = {};            // to recalculate
  BOOL m_bRecalc = FALSE;
  EngineName* m_pName = nullptr;  // a deleted name, owned
};

// Compiles and stores a formula (text beginning with "="). A failure writes "Cell %s%d: ERROR:
// %s (Pos %d)" into the sheet's message and returns false.
bool EngineSetFormula(int sheet, uint32_t row, uint32_t col, const char* text);
// The display text of an expression evaluated outside any cell; false when it does not compile
// or its value is an error.
bool ComputeEngineExpression(int sheet, const char* text, CString* out);
// Makes dst a copy of src: every cell with its formula and attached object, the settings and the
// names (formulas naming them refer to dst's own names).
void CopyEngineSheet(int dst, int src);
// Sorts the rows (or columns) of a block: newOrder[i] is the old position of the new i-th row,
// counted from the block's start. With wholeLines the other direction is not limited. False when
// newOrder is not a permutation of the block's rows.
bool SortEngineCells(int sheet, const EngineCellRef& block, bool rows, bool wholeLines,
                     const std::vector<int>& newOrder);

// Defines a name, or with an undo record puts back what deleting it saved (the name itself and
// the formulas that named it); then recalculates.
bool EngineSetRangeName(int sheet, const char* name, const EngineCellRef& range, CGXUndoEngineCellsInfo* record);
// Deletes a name; with collect on, the name and the formulas that named it go into the record
// (created when null). False when the sheet has no such name.
bool EngineDeleteRangeName(int sheet, const char* name, CGXUndoEngineCellsInfo*& record, bool collect);

// Puts saved cells back in their places (replacing, or with undo collection on saving, what is
// there) and marks them changed; the list is emptied.
void RestoreSavedEngineCells(int sheet, std::vector<EngineCell*>& cells);
// Moves what the engine saved into the pending record (created when null): to its redo list
// (collect) or its undo list. With recalc, a recalculation of every formula runs first with the
// sheet's undo mode.
void CollectEngineUndoInfo(int sheet, CGXUndoEngineCellsInfo*& pending, int sheetUndoMode, bool recalc, bool collect);
// Replays a record for undo (or redo); false when it is not an engine undo record.
bool ApplyEngineUndoInfo(int sheet, CObject* record, int mode, bool redo);

#endif  // GRID_FORMULA_FORMULASHEETENGINE_H
