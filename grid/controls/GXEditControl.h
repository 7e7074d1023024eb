// The edit cell: the default control of every style. Unbound or inactive it draws its cell as the static
// cell does; as the active editor of the current cell it edits the text in place (selection, caret,
// the keys that stay in the cell and those that go to the grid, the typed text replacing the selection),
// and it stores the text into the cell when the grid asks. It is the base of the password, scroll-bar,
// hot-spot, spin and combo cells.
// Not for: the other cells' own behaviour.
#ifndef GRID_CONTROLS_GXEDITCONTROL_H
#define GRID_CONTROLS_GXEDITCONTROL_H

#include "GXStatic.h"

class CGXEditControl : public CGXStatic {
 public:
  CGXEditControl(CGXGridCore* pGrid, UINT nID);
  static const GXCONTROLCLASS classCGXEditControl;
  const GXCONTROLCLASS* GetRuntimeClass() const override { return &classCGXEditControl; }

  void SetActive(BOOL bActive) override;
  BOOL IsActive() const override { return m_bActive; }
  void SetModify(BOOL bModified) override { m_bModified = bModified; }
  BOOL GetModify() const override { return m_bModified; }
  void Init(ROWCOL nRow, ROWCOL nCol) override;
  BOOL Store() override;
  BOOL CanFloatCell(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style, BOOL bFloatCell) override;
  void Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style) override;
  BOOL GetCurrentText(CString& s) override;
  BOOL SetCurrentText(const CString& s) override;
  BOOL GetValue(CString& s) override;
  void SetValue(LPCTSTR pszValue) override;
  BOOL KeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override;
  BOOL Char(UINT nChar, UINT nRepCnt, UINT nFlags) override;
  BOOL CharString(const CString& s, UINT nRepCnt, UINT nFlags) override;
  BOOL LButtonUp(UINT nFlags, CPoint point) override;
  BOOL FindText(LPCTSTR pszFind, BOOL bMatchCase, ROWCOL nRow, ROWCOL nCol, BOOL bCurrentPos, BOOL bSetCell) override;
  BOOL ReplaceSel(LPCTSTR pszText) override;
  BOOL ReplaceAll(LPCTSTR pszFind, LPCTSTR pszReplace, BOOL bMatchCase, ROWCOL nRow, ROWCOL nCol) override;
  BOOL GetSelectedText(CString& s) override;
  BOOL ValidateInsertion(const CString& s) override;
  BOOL OnCancelEditing() override;

  // The selection in the edit text (start, end; the caret stands at the end).
  void SetSel(int nStart, int nEnd);
  void GetSel(int& nStart, int& nEnd) const {
    nStart = m_nSelStart;
    nEnd = m_nSelEnd;
  }
  // The text the cell shows for a value while it edits (the display text of the value).
  virtual CString EditTextForValue(LPCTSTR pszValue);

 protected:
  // Replaces the selection by the text within the cell's maximum length; the caret moves behind it.
  void InsertText(const CString& s);
  // The maximum length in force (0: none).
  int MaxLength();

  UINT m_nID;
  BOOL m_bActive = FALSE;
  BOOL m_bModified = FALSE;
  CString m_sText;
  int m_nSelStart = 0;
  int m_nSelEnd = 0;
};

// Every occurrence of a text replaced in a line of text, from a position on; the characters around each
// match are kept. Matching ignores case (ASCII) unless bMatchCase. Returns the number replaced.
int GXReplaceAllText(CString& sText, int nFrom, LPCTSTR pszFind, LPCTSTR pszReplace, BOOL bMatchCase);

#endif  // GRID_CONTROLS_GXEDITCONTROL_H
