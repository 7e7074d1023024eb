// Composing a cell's effective style from the styles stored for the cell, its row, its column
// and the table, the base styles they name, the header base styles and the standard style, as the
// grid engine does whenever a cell is drawn, edited or read; with the column letters of the
// column headers. The engine keeps one composer over its parameter object.
// Not for: storing styles (the engine's undoable operations) or the cell controls.
#ifndef GRID_CORE_GXSTYLECOMPOSER_H
#define GRID_CORE_GXSTYLECOMPOSER_H

#include "GXGridParam.h"

// The user attribute whose colour a negative number's text takes.
enum : WORD { GX_IDS_UA_NEGATIVECOLOR = 52797 };

// The letters of a column header: A..Z, AA..AZ, BA...
CString GXColumnLetters(ROWCOL nCol);

// Whether the old styles of a range of that many rows and columns fit the undo buffer.
BOOL GXRangeFitsUndo(ROWCOL nRows, ROWCOL nCols);

class CGXStyleComposer {
 public:
  // Whether the control of an id is active in the current cell (the engine answers through its
  // registered controls); without it no control counts as active.
  typedef BOOL (*ControlActiveProc)(void* pContext, WORD nControl, ROWCOL nRow, ROWCOL nCol);

  explicit CGXStyleComposer(const CGXGridParam* pParam = nullptr) : m_pParam(pParam) { RefreshBaseStyles(); }

  void SetParam(const CGXGridParam* pParam) {
    m_pParam = pParam;
    RefreshBaseStyles();
  }
  // Takes the standard, column-header and row-header styles from the styles map again.
  void RefreshBaseStyles();

  // The effective style of a cell into style; FALSE without a parameter object.
  BOOL ComposeStyleRowCol(ROWCOL nRow, ROWCOL nCol, CGXStyle& style, BOOL bWithStandard) const;
  // The value text of the cell's effective style (composing stops once a value is found).
  CString ReadCellValue(ROWCOL nRow, ROWCOL nCol) const;
  // The stored style of one cell, row (column 0), column (row 0) or the table (0, 0) merged into
  // style with the mode; FALSE when nothing is stored.
  BOOL GetStyleRowCol(ROWCOL nRow, ROWCOL nCol, CGXStyle& style, int nMode, int nType) const;

  const CGXStyle* GetStandardStyle() const { return m_pStandard; }
  const CGXStyle* GetColHeaderStyle() const { return m_pColHeader; }
  const CGXStyle* GetRowHeaderStyle() const { return m_pRowHeader; }

  // The current cell, for the stop before the negative-number colour (steps of the engine).
  BOOL m_bCurrentCell = FALSE;
  ROWCOL m_nCurrentRow = 0;
  ROWCOL m_nCurrentCol = 0;
  ControlActiveProc m_pfnControlActive = nullptr;
  void* m_pControlContext = nullptr;  // not owned

 private:
  const CGXGridParam* m_pParam;  // not owned
  const CGXStyle* m_pStandard = nullptr;   // in the styles map
  const CGXStyle* m_pColHeader = nullptr;  // in the styles map
  const CGXStyle* m_pRowHeader = nullptr;  // in the styles map
  mutable BOOL m_bValueOnly = FALSE;
};

#endif  // GRID_CORE_GXSTYLECOMPOSER_H
