// What the grid engine asks of a cell control: binding it to the current cell, edit mode, the typed text
// and storing it, validation, keys, and drawing the cell it shows. The cell-control library derives its
// controls from it; until it is there a stand-in (grid/controls) edits plain text.
// Not for: the controls' own windows and behaviour.
#ifndef GRID_CORE_GXCONTROL_H
#define GRID_CORE_GXCONTROL_H

#include "GXCellRange.h"

class CGXGridCore;
class CGXGridSurface;
class CGXStyle;

class CGXControl {
 public:
  explicit CGXControl(CGXGridCore* pGrid) : m_pGrid(pGrid) {}
  virtual ~CGXControl() = default;
  CGXControl(const CGXControl&) = delete;
  CGXControl& operator=(const CGXControl&) = delete;

  CGXGridCore* Grid() const { return m_pGrid; }

  // Binding to the current cell.
  virtual void Init(ROWCOL nRow, ROWCOL nCol) {
    m_nRow = nRow;
    m_nCol = nCol;
    m_bInit = TRUE;
  }
  BOOL IsInit() const { return m_bInit; }
  BOOL IsInit(ROWCOL nRow, ROWCOL nCol) const { return m_bInit && m_nRow == nRow && m_nCol == nCol; }
  void Reset() { m_bInit = FALSE; }

  // Edit mode.
  virtual BOOL IsActive() const { return FALSE; }
  virtual void SetActive(BOOL bActive) { (void)bActive; }
  virtual BOOL GetModify() const { return FALSE; }
  virtual void SetModify(BOOL bModified) { (void)bModified; }
  virtual BOOL GetCurrentText(CString& s) const {
    s.Empty();
    return FALSE;
  }
  virtual void SetCurrentText(const CString& s) { (void)s; }
  // Writes the typed text into the cell; FALSE when the cell refused it.
  virtual BOOL Store() { return TRUE; }
  // The check before the cell is left: FALSE keeps the cell (a warning text may be pending).
  virtual BOOL OnValidate();
  virtual BOOL OnEndEditing() { return TRUE; }
  // Throws the typed text away; TRUE when there was an edit to discard.
  virtual BOOL OnCancelEditing() { return FALSE; }
  // Whether the old cell must be redrawn after leaving it for (nRow, nCol).
  virtual BOOL OnLeftCell(ROWCOL nRow, ROWCOL nCol) {
    (void)nRow;
    (void)nCol;
    return TRUE;
  }
  virtual void Refresh() {}
  virtual void HideWindowForUpdate() {}
  // A key or character for the current cell; TRUE when the control took it.
  virtual BOOL OnGridKeyDown(UINT nKey, UINT nRepeat, UINT nFlags) {
    (void)nKey;
    (void)nRepeat;
    (void)nFlags;
    return FALSE;
  }
  virtual BOOL OnGridChar(UINT nChar, UINT nRepeat, UINT nFlags) {
    (void)nChar;
    (void)nRepeat;
    (void)nFlags;
    return FALSE;
  }
  // The text shown for a cell (the value of its style by default).
  virtual CString GetControlText(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style);
  // Draws the cell's contents into its inner rectangle (background and frame are the engine's).
  virtual void Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style);

 protected:
  CGXGridCore* m_pGrid;  // not owned
  ROWCOL m_nRow = 0;
  ROWCOL m_nCol = 0;
  BOOL m_bInit = FALSE;
};

#endif  // GRID_CORE_GXCONTROL_H
