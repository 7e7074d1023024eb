// The grid engine's painting: the visible cells with their interiors, borders and texts, the headers, the
// grid lines, the frozen-area lines, spanned (covered) cells drawn over their whole area, the selection
// and the current-cell frame.
#include "GXGridCore.h"

#include "GXGridState.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// The system colours the headers are drawn in.
enum { kColorBtnFace = 15, kColorBtnShadow = 16, kColorBtnHighlight = 20, kColorWindowText = 8, kColorWindow = 5 };

DWORD SysColor(int nIndex) { return GXGetSysColorState()->GetColor(nIndex) & 0xFFFFFF; }

// The user attribute that chooses the overflow treatment of a cell text.
const WORD kEllipsisAttribute = 52792;

struct VisibleLine {
  ROWCOL n;  // row or column
  int nStart;
  int nSize;
};

}  // namespace

CString CGXGridCore::GetHeaderText(ROWCOL nRow, ROWCOL nCol) const {
  CGXStyle style;
  ComposeStyleRowCol(nRow, nCol, style);
  if (style.GetInclude(CGXStyle::gxValue) && !style.GetValue().IsEmpty())
    return style.GetValue();
  if (nRow == 0 && nCol > 0 && (m_pParam == nullptr || m_pParam->m_bNumberedColHeaders))
    return GXColumnLetters(nCol);
  if (nCol == 0 && nRow > 0 && (m_pParam == nullptr || m_pParam->m_bNumberedRowHeaders)) {
    CString s;
    s.Format("%lu", (unsigned long)nRow);
    return s;
  }
  return CString();
}

void CGXGridCore::DrawCellText(CGXGridSurface& surface, const CRect& rect, const CString& sText,
                               const CGXStyle& style) {
  if (sText.IsEmpty() || rect.Width() < 2 || rect.Height() < 2)
    return;
  if (style.GetInclude(CGXStyle::gxFont))
    surface.SelectFont(style.GetFont(), GetZoom());
  UINT nFormat = GX_DT_NOPREFIX;
  switch (style.GetHAlignValue()) {
    case 1:
      nFormat |= GX_DT_CENTER;
      break;
    case 2:
      nFormat |= GX_DT_RIGHT;
      break;
    default:
      break;
  }
  switch (style.GetVAlignValue()) {
    case 1:
      nFormat |= GX_DT_VCENTER;
      break;
    case 2:
      nFormat |= GX_DT_BOTTOM;
      break;
    default:
      break;
  }
  nFormat |= style.GetWrapText() ? GX_DT_WORDBREAK : GX_DT_SINGLELINE;
  int nOverflow = 0;
  if (style.HasUserAttribute(kEllipsisAttribute))
    nOverflow = std::atoi(style.GetCustomAttr(kEllipsisAttribute).GetValue());
  const DWORD rgb =
      style.GetInclude(CGXStyle::gxTextColor) ? style.GetTextColor() & 0xFFFFFF : SysColor(kColorWindowText);
  CRect inner = rect;
  inner.DeflateRect(2, 1);
  const std::vector<GXPLACEDLINE> lines =
      GXPlaceTextLines(surface, sText, sText.GetLength(), inner, nFormat, &rect, nOverflow);
  for (const GXPLACEDLINE& line : lines)
    surface.DrawTextLine(line.x, line.y, line.sText, line.sText.GetLength(), rgb, rect);
}

void CGXGridCore::DrawCell(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol,
                           const CGXStyle& style) {
  const ROWCOL hr = GetHeaderRows(), hc = GetHeaderCols();
  CRect inner = rect;
  // The grid lines take the right and bottom pixel of each cell.
  const BOOL bVertLines =
      m_pParam == nullptr || m_pParam->GetProperties() == nullptr || m_pParam->GetProperties()->m_bVerticalLines;
  const BOOL bHorzLines =
      m_pParam == nullptr || m_pParam->GetProperties() == nullptr || m_pParam->GetProperties()->m_bHorizontalLines;
  if (nRow <= hr || nCol <= hc) {
    surface.FillRect(rect, SysColor(kColorBtnFace));
    surface.FillRect(CRect(rect.left, rect.top, rect.right - 1, rect.top + 1), SysColor(kColorBtnHighlight));
    surface.FillRect(CRect(rect.left, rect.top, rect.left + 1, rect.bottom - 1), SysColor(kColorBtnHighlight));
    surface.FillRect(CRect(rect.left, rect.bottom - 1, rect.right, rect.bottom), SysColor(kColorBtnShadow));
    surface.FillRect(CRect(rect.right - 1, rect.top, rect.right, rect.bottom), SysColor(kColorBtnShadow));
    inner.DeflateRect(1, 1);
    CGXStyle header(style);
    if (!header.GetInclude(CGXStyle::gxHAlign))
      header.SetHAlign(1);
    if (!header.GetInclude(CGXStyle::gxVAlign))
      header.SetVerticalAlignment(1);
    DrawCellText(surface, inner, GetHeaderText(nRow, nCol), header);
    return;
  }
  if (bVertLines)
    inner.right -= 1;
  if (bHorzLines)
    inner.bottom -= 1;
  const DWORD gridColor = m_pParam != nullptr && m_pParam->GetProperties() != nullptr
                              ? GXResolveColor(m_pParam->GetProperties()->GetColor(0)) & 0xFFFFFF
                              : 0xC0C0C0;
  if (bVertLines)
    surface.FillRect(CRect(inner.right, rect.top, rect.right, rect.bottom), gridColor);
  if (bHorzLines)
    surface.FillRect(CRect(rect.left, inner.bottom, rect.right, rect.bottom), gridColor);
  const DWORD back =
      style.GetInclude(CGXStyle::gxInterior) ? style.GetInterior().GetColor() & 0xFFFFFF : SysColor(kColorWindow);
  surface.FillRect(inner, back);
  if (style.GetInclude(CGXStyle::gxBorders)) {
    for (int nSide = 0; nSide < 4; ++nSide) {
      const CGXBorderLine line = style.GetBorders(nSide);
      if (!line.IsSet() || line.GetStyle() == 5 /* none */)
        continue;
      const int w = std::max<int>(1, (int)line.GetWidth());
      CRect strip = inner;
      switch (nSide) {
        case CGXStyle::sideTop:
          strip.bottom = strip.top + w;
          break;
        case CGXStyle::sideLeft:
          strip.right = strip.left + w;
          break;
        case CGXStyle::sideBottom:
          strip.top = strip.bottom - w;
          break;
        default:
          strip.left = strip.right - w;
          break;
      }
      surface.FillRect(strip, line.GetColor() & 0xFFFFFF);
    }
  }
  CGXControl* pControl = (m_bActiveCell && nRow == m_nCurrentRow && nCol == m_nCurrentCol)
                             ? m_pCurrentControl
                             : GetRegisteredControl(style);
  if (pControl != nullptr)
    pControl->Draw(surface, inner, nRow, nCol, style);
  else
    DrawCellText(surface, inner, style.GetValue(), style);
}

void CGXGridCore::DrawCurrentCellFrame(CGXGridSurface& surface, const CRect& r) {
  // A two-pixel frame inside the cell, over its grid lines.
  surface.InvertRect(CRect(r.left, r.top, r.right, r.top + 2));
  surface.InvertRect(CRect(r.left, r.bottom - 2, r.right, r.bottom));
  surface.InvertRect(CRect(r.left, r.top + 2, r.left + 2, r.bottom - 2));
  surface.InvertRect(CRect(r.right - 2, r.top + 2, r.right, r.bottom - 2));
}

void CGXGridCore::OnGridDraw(CGXGridSurface& surface, const CRect& clip) {
  if (m_pParam == nullptr)
    return;
  ++m_nDrawDepth;
  const CRect grid = GetGridRect();
  const ROWCOL nRows = GetRowCount(), nCols = GetColCount();
  const ROWCOL fr = GetFrozenRows(), fc = GetFrozenCols();
  std::vector<VisibleLine> rows, cols;
  {
    int y = grid.top;
    for (ROWCOL i = 0; y < grid.bottom; ++i) {
      const ROWCOL nRow = GetRow(i);
      if (nRow > nRows)
        break;
      const int h = GetRowHeight(nRow);
      if (h > 0)
        rows.push_back({nRow, y, h});
      y += h;
    }
    int x = grid.left;
    for (ROWCOL i = 0; x < grid.right; ++i) {
      const ROWCOL nCol = GetCol(i);
      if (nCol > nCols)
        break;
      const int w = GetColWidth(nCol);
      if (w > 0)
        cols.push_back({nCol, x, w});
      x += w;
    }
  }
  CGXStyle style;
  std::vector<CGXCellRange> drawnSpans;
  for (const VisibleLine& row : rows) {
    if (row.nStart >= clip.bottom || row.nStart + row.nSize <= clip.top)
      continue;
    for (const VisibleLine& col : cols) {
      if (col.nStart >= clip.right || col.nStart + col.nSize <= clip.left)
        continue;
      CRect rect(col.nStart, row.nStart, col.nStart + col.nSize, row.nStart + row.nSize);
      ROWCOL nRow = row.n, nCol = col.n;
      CGXCellRange span;
      if (GetCoveredCellsRange(nRow, nCol, span)) {
        // A spanned cell is drawn once, over its whole area, by its top-left cell's style.
        if (std::find(drawnSpans.begin(), drawnSpans.end(), span) != drawnSpans.end())
          continue;
        drawnSpans.push_back(span);
        rect = RangeToClientRect(span.top, span.left, span.bottom, span.right);
        // The part of the area that lies in the frozen panes is not drawn over the scrolled ones.
        if (nRow > fr && span.top <= fr)
          rect.top = std::max((int)rect.top, CalcTopFromClientRow(fr + 1));
        if (nCol > fc && span.left <= fc)
          rect.left = std::max((int)rect.left, CalcLeftFromClientCol(fc + 1));
        nRow = span.top;
        nCol = span.left;
      }
      ComposeStyleRowCol(nRow, nCol, style);
      DrawCell(surface, rect, nRow, nCol, style);
      // A cell drawn shows its value: it no longer counts as changed by a recalculation.
      if (CGXData* pData = m_pParam->GetData(); pData != nullptr && nRow != 0 && nCol != 0)
        pData->SetUpdateFlag(nRow, nCol, FALSE);
    }
  }
  // The area beyond the last row and column.
  const DWORD beyond = m_pParam->GetProperties() != nullptr
                           ? GXResolveColor(m_pParam->GetProperties()->GetColor(4)) & 0xFFFFFF
                           : SysColor(kColorBtnShadow);
  const int nRight = cols.empty() ? grid.left : cols.back().nStart + cols.back().nSize;
  const int nBottom = rows.empty() ? grid.top : rows.back().nStart + rows.back().nSize;
  if (nRight < grid.right)
    surface.FillRect(CRect(nRight, grid.top, grid.right, grid.bottom), beyond);
  if (nBottom < grid.bottom)
    surface.FillRect(CRect(grid.left, nBottom, std::min((int)grid.right, nRight), grid.bottom), beyond);
  // The lines that end the frozen rows and columns.
  const DWORD frozen =
      m_pParam->GetProperties() != nullptr ? GXResolveColor(m_pParam->GetProperties()->GetColor(1)) & 0xFFFFFF : 0;
  if (fr > 0) {
    const int y = CalcTopFromClientRow(fr + 1) - 1;
    if (y >= grid.top && y < grid.bottom)
      surface.FillRect(CRect(grid.left, y, std::min((int)grid.right, nRight), y + 1), frozen);
  }
  if (fc > 0) {
    const int x = CalcLeftFromClientCol(fc + 1) - 1;
    if (x >= grid.left && x < grid.right)
      surface.FillRect(CRect(x, grid.top, x + 1, std::min((int)grid.bottom, nBottom)), frozen);
  }
  // The selection, inverted, except the current cell.
  for (POSITION pos = m_pParam->m_selection.GetHeadPosition(); pos != nullptr;) {
    CGXCellRange range = *m_pParam->m_selection.GetRangeAt(pos);
    m_pParam->m_selection.GetNext(pos);
    if (range.IsRows() || range.IsTable()) {
      range.left = 1;
      range.right = nCols;
    }
    if (range.IsCols() || range.IsTable()) {
      range.top = 1;
      range.bottom = nRows;
    }
    for (const VisibleLine& row : rows) {
      if (row.n < range.top || row.n > range.bottom)
        continue;
      for (const VisibleLine& col : cols) {
        if (col.n < range.left || col.n > range.right ||
            (m_bActiveCell && row.n == m_nCurrentRow && col.n == m_nCurrentCol))
          continue;
        CGXCellRange span;
        if (GetCoveredCellsRange(row.n, col.n, span) && (span.top != row.n || span.left != col.n))
          continue;
        CRect rect = CalcRectFromRowCol(row.n, col.n);
        rect.IntersectRect(&rect, &clip);
        if (!rect.IsRectEmpty())
          surface.InvertRect(rect);
      }
    }
  }
  ROWCOL r, c;
  if (GetActiveCell(r, c) && m_bHasFocus && !(m_pCurrentControl != nullptr && m_pCurrentControl->IsActive())) {
    CRect rect = CalcRectFromRowCol(r, c);
    if (!rect.IsRectEmpty())
      DrawCurrentCellFrame(surface, rect);
  }
  --m_nDrawDepth;
}
