// The password, scroll-bar, hot-spot and spin cells.
#include "GXEditVariants.h"

#include "GXStylesMap.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

const GXCONTROLCLASS CGXPasswordControl::classCGXPasswordControl = {"CGXPasswordControl",
                                                                     &CGXEditControl::classCGXEditControl};
const GXCONTROLCLASS CGXVScrollEdit::classCGXVScrollEdit = {"CGXVScrollEdit", &CGXEditControl::classCGXEditControl};
const GXCONTROLCLASS CGXHotSpotEdit::classCGXHotSpotEdit = {"CGXHotSpotEdit", &CGXEditControl::classCGXEditControl};
const GXCONTROLCLASS CGXSpinEdit::classCGXSpinEdit = {"CGXSpinEdit", &CGXEditControl::classCGXEditControl};

// --- password --------------------------------------------------------------------------------------

BOOL CGXPasswordControl::GetControlText(CString& s, ROWCOL nRow, ROWCOL nCol, LPCTSTR pszValue,
                                        const CGXStyle& style) {
  const BOOL b = CGXEditControl::GetControlText(s, nRow, nCol, pszValue, style);
  if (m_bMaskText)
    s = CString(m_chPasswordChar, s.GetLength());
  return b;
}

CString CGXPasswordControl::EditTextForValue(LPCTSTR pszValue) {
  m_bMaskText = FALSE;
  const CString s = CGXEditControl::EditTextForValue(pszValue);
  m_bMaskText = TRUE;
  return s;
}

void CGXPasswordControl::Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol,
                              const CGXStyle& style) {
  if (!m_bActive || !IsInit(nRow, nCol)) {
    CGXEditControl::Draw(surface, rect, nRow, nCol, style);
    return;
  }
  // The edit shows the password character for every character it holds.
  const CString sReal = m_sText;
  m_sText = CString(m_chPasswordChar, sReal.GetLength());
  CGXEditControl::Draw(surface, rect, nRow, nCol, style);
  m_sText = sReal;
}

BOOL CGXPasswordControl::GetSelectedText(CString& s) {
  s.Empty();
  return FALSE;
}

// --- hot spot --------------------------------------------------------------------------------------

CGXHotSpotEdit::CGXHotSpotEdit(CGXGridCore* pGrid, UINT nID)
    : CGXEditControl(pGrid, nID), m_pHotSpotButton(new CGXHotSpotButton(this)) {
  AddChild(m_pHotSpotButton);
}

CRect CGXHotSpotEdit::GetCellRect(ROWCOL nRow, ROWCOL nCol, const CRect* pRect, const CGXStyle* pStyle) {
  CRect r = CGXStatic::GetCellRect(nRow, nCol, pRect, pStyle);
  r.right -= 13;
  return r;
}

CSize CGXHotSpotEdit::AddBorders(CSize size, const CGXStyle& style) {
  return CGXStatic::AddBorders(CSize(size.cx + 13, size.cy), style);
}

void CGXHotSpotEdit::InitChildren(ROWCOL nRow, ROWCOL nCol, const CRect& rect) {
  (void)nRow, (void)nCol;
  CRect button(rect.right - 14, rect.top, rect.right - 1, rect.top + 13);
  button.IntersectRect(button, rect);
  if (button.Height() < rect.Height() - 1)
    button.OffsetRect(0, 1);
  m_pHotSpotButton->SetRect(button);
}

void CGXHotSpotEdit::Init(ROWCOL nRow, ROWCOL nCol) {
  CGXEditControl::Init(nRow, nCol);
  m_pHotSpotButton->Refresh();
}

// --- spin ------------------------------------------------------------------------------------------

GXSPINBOUNDS GXReadSpinBounds(const CGXStyle& style) {
  auto text = [&style](WORD nId) {
    return style.HasUserAttribute(nId) ? style.GetCustomAttr(nId).GetValue() : CString();
  };
  GXSPINBOUNDS b;
  const CString sMin = text(GX_IDS_UA_SPINBOUND_MIN), sMax = text(GX_IDS_UA_SPINBOUND_MAX);
  const CString sStart = text(GX_IDS_UA_SPINSTART);
  b.bMin = !sMin.IsEmpty();
  b.nMin = std::strtol(sMin, nullptr, 10);
  b.bMax = !sMax.IsEmpty();
  b.nMax = std::strtol(sMax, nullptr, 10);
  b.bWrap = std::atoi(text(GX_IDS_UA_SPINBOUND_WRAP)) != 0;
  b.bStart = !sStart.IsEmpty();
  b.nStart = std::strtol(sStart, nullptr, 10);
  return b;
}

long GXSpinStep(const CString& sText, BOOL bUp, const GXSPINBOUNDS& b) {
  long n;
  if (b.bStart && sText.IsEmpty()) {
    n = b.nStart;
  } else {
    n = std::strtol(sText, nullptr, 10);
    // At the ends of the number range a step has nowhere to go.
    if (bUp) {
      if ((!b.bMax || n < b.nMax) && n < LONG_MAX)
        n = n + 1;
      else if (b.bWrap && b.bMin)
        n = b.nMin;
    } else {
      if ((!b.bMin || n > b.nMin) && n > LONG_MIN)
        n = n - 1;
      else if (b.bWrap && b.bMax)
        n = b.nMax;
    }
  }
  if (b.bMin && n < b.nMin)
    n = b.nMin;
  if (b.bMax && n > b.nMax)
    n = b.nMax;
  return n;
}

CGXSpinEdit::CGXSpinEdit(CGXGridCore* pGrid, UINT nID)
    : CGXEditControl(pGrid, nID), m_pUpButton(new CGXUpArrowButton(this)), m_pDownButton(new CGXDownArrowButton(this)) {
  AddChild(m_pUpButton);
  AddChild(m_pDownButton);
}

CRect CGXSpinEdit::GetCellRect(ROWCOL nRow, ROWCOL nCol, const CRect* pRect, const CGXStyle* pStyle) {
  CRect r = CGXStatic::GetCellRect(nRow, nCol, pRect, pStyle);
  r.right -= 14;
  return r;
}

CSize CGXSpinEdit::AddBorders(CSize size, const CGXStyle& style) {
  return CGXStatic::AddBorders(CSize(size.cx + 14, size.cy), style);
}

void CGXSpinEdit::InitChildren(ROWCOL nRow, ROWCOL nCol, const CRect& rect) {
  (void)nRow, (void)nCol;
  CRect column(rect.right - 15, rect.top + 1, rect.right - 1, rect.bottom - 1);
  column.IntersectRect(column, rect);
  const int nMiddle = column.top + column.Height() / 2;
  m_pUpButton->SetRect(CRect(column.left, column.top, column.right, nMiddle));
  m_pDownButton->SetRect(CRect(column.left, nMiddle, column.right, column.bottom));
}

void CGXSpinEdit::Init(ROWCOL nRow, ROWCOL nCol) {
  CGXEditControl::Init(nRow, nCol);
  m_pUpButton->Refresh();
  m_pDownButton->Refresh();
  FreeStyle(FALSE);
  LoadStyle();
}

BOOL CGXSpinEdit::LButtonDown(UINT nFlags, CPoint point) {
  if (LoadStyle() != nullptr)
    m_bounds = GXReadSpinBounds(*CachedStyle());
  return CGXEditControl::LButtonDown(nFlags, point);
}

BOOL CGXSpinEdit::OnClickedButton(CGXChild* pChild) {
  const BOOL bWasActive = m_bActive;
  if (!m_bActive) {
    if (!BeginEditing())
      return FALSE;
    SetActive(TRUE);
  }
  if (!IsReadOnly() && (pChild == m_pUpButton || pChild == m_pDownButton)) {
    CString s;
    s.Format("%ld", GXSpinStep(m_sText, pChild == m_pUpButton, m_bounds));
    m_sText = s;
    SetModify(TRUE);
    NotifyChanged();
    SetSel(0, -1);
  }
  (void)bWasActive;
  Refresh();
  return CGXControl::OnClickedButton(pChild);
}

void CGXSpinEdit::AddUserAttributes(CGXStylesMap* pStylesMap) {
  CGXStyle spin;
  spin.SetControl(52519);
  pStylesMap->AddUserAttribute(GX_IDS_UA_SPINBOUND_MIN, &spin);
  pStylesMap->AddUserAttribute(GX_IDS_UA_SPINBOUND_MAX, &spin);
  CGXStyle check;
  check.SetControl(52523);
  pStylesMap->AddUserAttribute(GX_IDS_UA_SPINBOUND_WRAP, &check);
  pStylesMap->AddUserAttribute(GX_IDS_UA_SPINSTART, &spin);
}
