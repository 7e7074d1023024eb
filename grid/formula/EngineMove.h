// Moving engine cells when the grid inserts, removes or moves rows or columns, or copies or moves
// a block of cells: the cells change place and every reference in every formula and every named
// range is rewritten so that it keeps designating the same data. A reference whose cells are
// gone (removed, or pushed off the sheet) becomes the lost reference "??", which evaluates to
// error 89.
// Not for: the grid's own row and column arrays (the formula sheet moves those).
#ifndef GRID_FORMULA_ENGINEMOVE_H
#define GRID_FORMULA_ENGINEMOVE_H

#include "EngineCellRef.h"

#include <cstdint>

// Moves every cell of the source block so that its first corner lands on (destRow, destCol),
// rewriting the references into the block. With mode 0 the names move with the block and every
// formula is examined; otherwise formulas inside the destination block keep their references.
void ShiftEngineCells(int sheet, const EngineCellRef& source, uint32_t destRow, uint32_t destCol, int mode = 0);

void InsertEngineRows(int sheet, uint32_t row, uint32_t count);
void InsertEngineCols(int sheet, uint32_t col, uint32_t count);
void RemoveEngineRows(int sheet, uint32_t row, uint32_t count);
void RemoveEngineCols(int sheet, uint32_t col, uint32_t count);
// Moves rows (rows true) or columns from..to so that the first lands on dest.
void MoveEngineRowsOrCols(int sheet, bool rows, uint32_t from, uint32_t to, uint32_t dest);
// Copies the cells of a block to (destRow, destCol), moving the relative parts of their references
// by the offset. Unless mode is non-zero the sheet is then recalculated.
void CopyEngineCells(int sheet, const EngineCellRef& source, uint32_t destRow, uint32_t destCol, int mode = 0);

#endif  // GRID_FORMULA_ENGINEMOVE_H
