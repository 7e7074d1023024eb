// The static text cell and the header cell.
#include "GXStatic.h"

#include "GXGridState.h"

#include <algorithm>

const GXCONTROLCLASS CGXStatic::classCGXStatic = {"CGXStatic", &CGXControl::classCGXControl};
const GXCONTROLCLASS CGXHeader::classCGXHeader = {"CGXHeader", &CGXStatic::classCGXStatic};

CRect CGXStatic::GetCellRect(ROWCOL nRow, ROWCOL nCol, const CRect* pRect, const CGXStyle* pStyle) {
  CRect rect = CGXControl::GetCellRect(nRow, nCol, pRect, pStyle);
  CGXStyle composed;
  if (pStyle == nullptr && nRow != (ROWCOL)-1 && nCol != (ROWCOL)-1) {
    m_pGrid->ComposeStyleRowCol(nRow, nCol, composed);
    pStyle = &composed;
  }
  rect.left += kMargin;
  const BOOL bRight = pStyle != nullptr && pStyle->GetInclude(CGXStyle::gxHAlign) && pStyle->GetHAlignValue() == 2;
  rect.right -= bRight ? kMargin + 1 : kMargin / 2;
  return rect;
}

CSize CGXStatic::AddBorders(CSize size, const CGXStyle& style) {
  return CGXControl::AddBorders(CSize(size.cx + 2 * kMargin + 1, size.cy), style);
}

// The engine carries no text-size feature; the static cell measures its own text on one line.
CSize CGXStatic::CalcSize(CGXTextMeasurer& m, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style, BOOL bHeight) {
  const CString s = CGXControl::GetControlText(nRow, nCol, style);
  const GXTEXTMETRICS tm = m.GetTextMetrics();
  if (bHeight)
    return AddBorders(CSize(0, tm.nHeight + tm.nExternalLeading), style);
  return AddBorders(CSize(s.IsEmpty() ? 0 : m.GetTextExtent(s, s.GetLength()).cx, 0), style);
}

void CGXStatic::DrawStaticText(CGXGridSurface& surface, const CRect& rect, const CString& s, const CGXStyle& style) {
  m_pGrid->DrawCellText(surface, rect, s, style);
}

void CGXStatic::Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style) {
  DrawStaticText(surface, rect, CGXControl::GetControlText(nRow, nCol, style), style);
  CGXControl::Draw(surface, rect, nRow, nCol, style);
}

void CGXHeader::DrawCurrentCellFrame(CGXGridSurface& surface, const CRect& rect) {
  // A dotted focus rectangle stands in as four one-pixel inverted strips.
  surface.InvertRect(CRect(rect.left, rect.top, rect.right, rect.top + 1));
  surface.InvertRect(CRect(rect.left, rect.bottom - 1, rect.right, rect.bottom));
  surface.InvertRect(CRect(rect.left, rect.top + 1, rect.left + 1, rect.bottom - 1));
  surface.InvertRect(CRect(rect.right - 1, rect.top + 1, rect.right, rect.bottom - 1));
}

void CGXHeader::Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style) {
  if (rect.IsRectEmpty() || rect.Width() < 2 || rect.Height() < 2)
    return;
  DrawBackground(surface, rect, style, TRUE);
  CRect text = rect;
  if (!style.GetInclude(CGXStyle::gxDraw3dFrame) || style.GetDraw3dFrame() == 0) {
    // The raised button look: light top and left, dark bottom and right.
    const DWORD light = GXGetSysColorState()->GetColor(20) & 0xFFFFFF;
    surface.FillRect(CRect(rect.left, rect.top, rect.right - 1, rect.top + 1), light);
    surface.FillRect(CRect(rect.left, rect.top, rect.left + 1, rect.bottom - 1), light);
    surface.FillRect(CRect(rect.left, rect.bottom - 1, rect.right, rect.bottom), 0);
    surface.FillRect(CRect(rect.right - 1, rect.top, rect.right, rect.bottom), 0);
    text.DeflateRect(1, 1);
  }
  CGXStyle centred(style);
  if (!centred.GetInclude(CGXStyle::gxHAlign))
    centred.SetHAlign(1);
  if (!centred.GetInclude(CGXStyle::gxVAlign))
    centred.SetVerticalAlignment(4);
  DrawStaticText(surface, text, CGXControl::GetControlText(nRow, nCol, style), centred);
  CGXControl::Draw(surface, rect, nRow, nCol, style);
}
