// The push-button cell.
#include "GXPushbutton.h"

const GXCONTROLCLASS CGXPushbutton::classCGXPushbutton = {"CGXPushbutton", &CGXControl::classCGXControl};

CGXPushbutton::CGXPushbutton(CGXGridCore* pGrid) : CGXControl(pGrid), m_pButton(new CGXButton(this)) {
  AddChild(m_pButton);
}

void CGXPushbutton::InitChildren(ROWCOL nRow, ROWCOL nCol, const CRect& rect) {
  CGXStyle style;
  if (nRow != (ROWCOL)-1 && nCol != (ROWCOL)-1)
    m_pGrid->ComposeStyleRowCol(nRow, nCol, style);
  SetFocusChild(m_pButton);
  m_pButton->SetRect(rect);
  m_pButton->SetText(style.GetChoiceList());
}

void CGXPushbutton::Init(ROWCOL nRow, ROWCOL nCol) {
  CGXControl::Init(nRow, nCol);
  m_pButton->Refresh();
}

CSize CGXPushbutton::CalcSize(CGXTextMeasurer& m, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style, BOOL bHeight) {
  (void)nRow, (void)nCol, (void)bHeight;
  const CString& s = style.GetChoiceList();
  const CSize ext = s.IsEmpty() ? CSize(0, m.GetTextMetrics().nHeight) : m.GetTextExtent(s, s.GetLength());
  return AddBorders(CSize(ext.cx + 8, ext.cy + 4), style);
}

void CGXPushbutton::DrawCurrentCellFrame(CGXGridSurface& surface, const CRect& rect) {
  (void)surface;
  (void)rect;
}

void CGXPushbutton::Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol,
                         const CGXStyle& style) {
  if (rect.Width() < 2 || rect.Height() < 2)
    return;
  if (style.GetInclude(CGXStyle::gxFont))
    surface.SelectFont(style.GetFont(), m_pGrid->GetZoom());
  Draw3dFrame(surface, rect, style);
  CGXControl::Draw(surface, rect, nRow, nCol, style);
}
