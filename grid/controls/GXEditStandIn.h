// A stand-in cell control until the cell-control library is there: it shows a cell's text like the static
// cell and edits it as plain text (a typed character or F2 starts editing, Backspace takes the last
// character back; the engine stores the text when the cell is left).
// Not for: choice lists, check boxes, buttons or the edit window of the real edit control.
#ifndef GRID_CONTROLS_GXEDITSTANDIN_H
#define GRID_CONTROLS_GXEDITSTANDIN_H

#include "GXGridCore.h"

class CGXEditStandIn : public CGXControl {
 public:
  explicit CGXEditStandIn(CGXGridCore* pGrid) : CGXControl(pGrid) {}

  void Init(ROWCOL nRow, ROWCOL nCol) override;
  BOOL IsActive() const override { return m_bActive; }
  void SetActive(BOOL bActive) override;
  BOOL GetModify() const override { return m_bModified; }
  void SetModify(BOOL bModified) override { m_bModified = bModified; }
  BOOL GetCurrentText(CString& s) override;
  BOOL SetCurrentText(const CString& s) override {
    m_sText = s;
    return TRUE;
  }
  BOOL Store() override;
  BOOL OnCancelEditing() override;
  BOOL OnGridChar(UINT nChar, UINT nRepeat, UINT nFlags) override;
  void Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style) override;

  // How many times the control wrote its text into a cell (tests count stores).
  int m_nStores = 0;

 private:
  BOOL m_bActive = FALSE;
  BOOL m_bModified = FALSE;
  CString m_sText;
};

// Makes the control factory create the stand-in for every control id.
void GXInstallControlStandIns();

#endif  // GRID_CONTROLS_GXEDITSTANDIN_H
