// The progress-bar cell.
#include "GXProgressCtrl.h"

#include "GXStylesMap.h"

#include <algorithm>
#include <cstdlib>

const GXCONTROLCLASS CGXProgressCtrl::classCGXProgressCtrl = {"CGXProgressCtrl", &CGXControl::classCGXControl};

namespace {

long AttrLong(const CGXStyle& style, WORD nId) {
  return style.HasUserAttribute(nId) ? std::strtol(style.GetCustomAttr(nId).GetValue(), nullptr, 10) : 0;
}

}  // namespace

int GXProgressFilledWidth(long nValue, long nLower, long nUpper, int nWidth) {
  if (nWidth <= 0)
    return 0;
  if (nUpper <= nLower)
    return nValue == nUpper ? nWidth : 0;
  const long v = std::max(nValue, nLower);
  // In doubles: the bounds may lie a whole long range apart.
  const double dScale = ((double)nUpper - (double)nLower) / nWidth;
  const double dFilled = ((double)v - (double)nLower) / dScale;
  return (int)std::min<double>(dFilled, nWidth);
}

CString GXFormatProgressCaption(const CString& sFormat, long nValue) {
  CString sNumber;
  sNumber.Format("%ld", nValue);
  CString s;
  for (int i = 0; i < sFormat.GetLength(); ++i) {
    if (sFormat[i] == '%' && i + 1 < sFormat.GetLength() && sFormat[i + 1] == 'd') {
      s += sNumber;
      ++i;
    } else if (sFormat[i] == '%' && i + 1 < sFormat.GetLength() && sFormat[i + 1] == '%') {
      s += "%";
      ++i;
    } else {
      s += CString(&((LPCTSTR)sFormat)[i], 1);
    }
  }
  return s;
}

CString CGXProgressCtrl::GetProgressText(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style) {
  (void)nRow, (void)nCol;
  if (!style.HasUserAttribute(GX_IDS_UA_PROGRESS_CAPTION))
    return CString();
  return GXFormatProgressCaption(style.GetCustomAttr(GX_IDS_UA_PROGRESS_CAPTION).GetValue(),
                                 std::strtol(style.GetValue(), nullptr, 10));
}

DWORD CGXProgressCtrl::GetBarColor(BOOL bFilled, const CGXStyle& style) {
  if (bFilled)
    return style.GetInclude(CGXStyle::gxTextColor) ? style.GetTextColor() & 0xFFFFFF : 0x800000;
  return style.GetInclude(CGXStyle::gxInterior) ? style.GetInterior().GetColor() & 0xFFFFFF : 0xFFFFFF;
}

DWORD CGXProgressCtrl::GetCaptionColor(BOOL bFilled, const CGXStyle& style) { return GetBarColor(!bFilled, style); }

void CGXProgressCtrl::Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol,
                           const CGXStyle& style) {
  const long nLower = AttrLong(style, GX_IDS_UA_PROGRESS_LOW), nUpper = AttrLong(style, GX_IDS_UA_PROGRESS_HIGH);
  m_dScale = rect.Width() > 0 && nUpper > nLower ? ((double)nUpper - (double)nLower) / rect.Width() : 1.0;
  const long nValue = std::strtol(style.GetValue(), nullptr, 10);
  const int nFilled = GXProgressFilledWidth(nValue, nLower, nUpper, rect.Width());
  const CRect filled(rect.left, rect.top, rect.left + nFilled, rect.bottom);
  const CRect empty(rect.left + nFilled, rect.top, rect.right, rect.bottom);
  if (!filled.IsRectEmpty())
    surface.FillRect(filled, GetBarColor(TRUE, style));
  if (!empty.IsRectEmpty())
    surface.FillRect(empty, GetBarColor(FALSE, style));
  if (nFilled > 1)
    Draw3dFrame(surface, filled, style);
  const CString s = GetProgressText(nRow, nCol, style);
  if (!s.IsEmpty()) {
    if (style.GetInclude(CGXStyle::gxFont))
      surface.SelectFont(style.GetFont(), m_pGrid->GetZoom());
    const CSize ext = surface.GetTextExtent(s, s.GetLength());
    if (ext.cx < rect.Width()) {
      const int x = rect.left + (rect.Width() - (int)ext.cx) / 2, y = rect.top + (rect.Height() - (int)ext.cy) / 2;
      if (x + ext.cx > filled.right)
        surface.DrawTextLine(x, y, s, s.GetLength(), GetCaptionColor(FALSE, style), rect);
      if (x < filled.right)
        surface.DrawTextLine(x, y, s, s.GetLength(), GetCaptionColor(TRUE, style), filled);
    }
  }
  CGXControl::Draw(surface, rect, nRow, nCol, style);
}

BOOL CGXProgressCtrl::StoreStyle(ROWCOL nRow, ROWCOL nCol, const CGXStyle* pStyle, int nMode, int nType,
                                 const CGXStyle* pCellStyle) {
  if (pStyle != nullptr && nMode != CGXStyle::modeDelete && pStyle->GetInclude(CGXStyle::gxValue)) {
    CGXStyle cell;
    m_pGrid->ComposeStyleRowCol(nRow, nCol, cell);
    cell.MergeStyle(*pStyle, CGXStyle::modeOverride);
    const long nLower = AttrLong(cell, GX_IDS_UA_PROGRESS_LOW), nUpper = AttrLong(cell, GX_IDS_UA_PROGRESS_HIGH);
    const long v = std::strtol(pStyle->GetValue(), nullptr, 10);
    if (nLower <= nUpper && (v < nLower || v > nUpper)) {
      CGXStyle clamped(*pStyle);
      CString s;
      s.Format("%ld", std::clamp(v, nLower, nUpper));
      clamped.SetValue(s);
      return CGXControl::StoreStyle(nRow, nCol, &clamped, nMode, nType, pCellStyle);
    }
  }
  return CGXControl::StoreStyle(nRow, nCol, pStyle, nMode, nType, pCellStyle);
}

void CGXProgressCtrl::AddUserAttributes(CGXStylesMap* pStylesMap) {
  pStylesMap->AddUserAttribute(GX_IDS_UA_PROGRESS_LOW);
  pStylesMap->AddUserAttribute(GX_IDS_UA_PROGRESS_HIGH);
  pStylesMap->AddUserAttribute(GX_IDS_UA_PROGRESS_CAPTION);
}
