// The edit cell.
#include "GXEditControl.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

const GXCONTROLCLASS CGXEditControl::classCGXEditControl = {"CGXEditControl", &CGXStatic::classCGXStatic};

namespace {

enum : UINT {
  kVkBack = 0x08,
  kVkTab = 0x09,
  kVkReturn = 0x0D,
  kVkEscape = 0x1B,
  kVkEnd = 0x23,
  kVkHome = 0x24,
  kVkLeft = 0x25,
  kVkUp = 0x26,
  kVkRight = 0x27,
  kVkDown = 0x28,
  kVkInsert = 0x2D,
  kVkDelete = 0x2E,
  kCtrlC = 3,
  kCtrlV = 0x16,
  kCtrlX = 0x18
};

BOOL SameChar(char a, char b, BOOL bMatchCase) {
  return bMatchCase ? a == b : std::toupper((unsigned char)a) == std::toupper((unsigned char)b);
}

int FindFrom(const CString& sText, int nFrom, LPCTSTR pszFind, BOOL bMatchCase) {
  const int n = sText.GetLength(), m = (int)std::strlen(pszFind);
  if (m == 0)
    return -1;
  for (int i = std::max(0, nFrom); i + m <= n; ++i) {
    int k = 0;
    while (k < m && SameChar(sText[i + k], pszFind[k], bMatchCase))
      ++k;
    if (k == m)
      return i;
  }
  return -1;
}

}  // namespace

int GXReplaceAllText(CString& sText, int nFrom, LPCTSTR pszFind, LPCTSTR pszReplace, BOOL bMatchCase) {
  if (pszFind == nullptr || *pszFind == 0)
    return 0;
  if (pszReplace == nullptr)
    pszReplace = "";
  const int nFind = (int)std::strlen(pszFind);
  std::string out((LPCTSTR)sText, (size_t)std::clamp(nFrom, 0, sText.GetLength()));
  int nCount = 0, i = std::clamp(nFrom, 0, sText.GetLength());
  for (int nAt; (nAt = FindFrom(sText, i, pszFind, bMatchCase)) >= 0; i = nAt + nFind, ++nCount) {
    out.append((LPCTSTR)sText + i, (size_t)(nAt - i));
    out.append(pszReplace);
  }
  out.append((LPCTSTR)sText + i);
  if (nCount > 0)
    sText = CString(out.c_str(), (int)out.size());
  return nCount;
}

CGXEditControl::CGXEditControl(CGXGridCore* pGrid, UINT nID) : CGXStatic(pGrid), m_nID(nID) {}

void CGXEditControl::SetActive(BOOL bActive) {
  if (bActive && !m_bActive) {
    FreeStyle(FALSE);
    LoadStyle();
  }
  m_bActive = bActive;
}

void CGXEditControl::Init(ROWCOL nRow, ROWCOL nCol) {
  CGXControl::Init(nRow, nCol);
  const BOOL bActive = m_bActive;  // immediate activation may have come with the binding
  LoadStyle();
  SetValue(m_pGrid->GetValueRowCol(nRow, nCol));
  SetSel(0, -1);
  m_bActive = bActive;
  SetModify(FALSE);
}

CString CGXEditControl::EditTextForValue(LPCTSTR pszValue) {
  CString s;
  if (LoadStyle() != nullptr)
    GetControlText(s, m_nRow, m_nCol, pszValue, *CachedStyle());
  else
    s = pszValue;
  return s;
}

void CGXEditControl::SetValue(LPCTSTR pszValue) {
  m_sText = EditTextForValue(pszValue != nullptr ? pszValue : "");
  SetSel(0, -1);
}

BOOL CGXEditControl::GetCurrentText(CString& s) {
  if (!m_bInit)
    return CGXControl::GetCurrentText(s);
  s = m_sText;
  return TRUE;
}

BOOL CGXEditControl::SetCurrentText(const CString& s) {
  if (!m_bInit)
    return FALSE;
  if (!m_bActive)
    SetActive(TRUE);
  if (ValidateText(s)) {
    m_sText = s;
    SetSel(s.GetLength(), s.GetLength());
    SetModify(TRUE);
    NotifyChanged();
  }
  return TRUE;
}

BOOL CGXEditControl::GetValue(CString& s) {
  if (!m_bInit)
    return FALSE;
  s = m_sText;
  return TRUE;
}

// The engine clears the modified mark before it asks for the store, so the store does not ask it again.
BOOL CGXEditControl::Store() {
  CString s;
  if (!m_bInit || LoadStyle() == nullptr || !GetValue(s))
    return TRUE;
  SetActive(FALSE);
  FreeStyle(TRUE);
  return m_pGrid->SetValueRange(CGXCellRange(m_nRow, m_nCol, m_nRow, m_nCol), s, 1);
}

BOOL CGXEditControl::OnCancelEditing() {
  const BOOL bHad = GetModify();
  if (m_bInit) {
    FreeStyle(FALSE);
    SetValue(m_pGrid->GetValueRowCol(m_nRow, m_nCol));
  }
  SetModify(FALSE);
  return bHad;
}

BOOL CGXEditControl::CanFloatCell(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style, BOOL bFloatCell) {
  (void)nRow, (void)nCol;
  return bFloatCell ? !style.GetValue().IsEmpty() : style.GetValue().IsEmpty();
}

void CGXEditControl::SetSel(int nStart, int nEnd) {
  const int n = m_sText.GetLength();
  if (nEnd < 0)
    nEnd = n;
  m_nSelStart = std::clamp(nStart, 0, n);
  m_nSelEnd = std::clamp(nEnd, 0, n);
}

int CGXEditControl::MaxLength() {
  const CGXStyle* pStyle = LoadStyle();
  return pStyle != nullptr && pStyle->GetInclude(CGXStyle::gxMaxLength) ? pStyle->GetMaxLength() : 0;
}

void CGXEditControl::InsertText(const CString& sTyped) {
  const int s = std::min(m_nSelStart, m_nSelEnd), e = std::max(m_nSelStart, m_nSelEnd);
  CString sInsert = sTyped;
  const int nMax = MaxLength();
  if (nMax > 0) {
    const int nRoom = nMax - (m_sText.GetLength() - (e - s));
    sInsert = sInsert.Left(std::max(0, nRoom));
  }
  m_sText = m_sText.Left(s) + sInsert + m_sText.Mid(e);
  SetSel(s + sInsert.GetLength(), s + sInsert.GetLength());
  SetModify(TRUE);
  NotifyChanged();
}

BOOL CGXEditControl::ValidateInsertion(const CString& s) {
  const int a = std::min(m_nSelStart, m_nSelEnd), b = std::max(m_nSelStart, m_nSelEnd);
  return ValidateText(m_sText.Left(a) + s + m_sText.Mid(b));
}

BOOL CGXEditControl::KeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
  (void)nRepCnt, (void)nFlags;
  const BOOL bCtl = m_pGrid->WndIsKeyDown(0x11), bShift = m_pGrid->WndIsKeyDown(0x10);
  if (!m_bActive) {
    if (bCtl)
      return FALSE;
    if (nChar == kVkEnd || nChar == kVkHome) {
      if (!BeginEditing())
        return FALSE;
      SetActive(TRUE);
      SetSel(nChar == kVkEnd ? m_sText.GetLength() : 0, nChar == kVkEnd ? m_sText.GetLength() : 0);
      Refresh();
      return TRUE;
    }
    if (nChar == kVkDelete && !bShift && !IsReadOnly() && QueryDeleteContents() && BeginEditing()) {
      SetActive(TRUE);
      SetModify(TRUE);
      SetCurrentText("");
      return TRUE;
    }
    return FALSE;
  }
  if (bCtl)
    return FALSE;
  const int n = m_sText.GetLength();
  if (bShift && nChar == kVkInsert)
    return Paste(), TRUE;
  if (bShift && nChar == kVkDelete && m_nSelStart != m_nSelEnd)
    return Cut(), TRUE;
  switch (nChar) {
    case kVkLeft:
      if (m_nSelEnd <= 0)
        return FALSE;
      SetSel(bShift ? m_nSelStart : m_nSelEnd - 1, m_nSelEnd - 1);
      return TRUE;
    case kVkRight:
      if (m_nSelStart >= n && m_nSelEnd >= n)
        return FALSE;
      SetSel(bShift ? m_nSelStart : m_nSelEnd + 1, m_nSelEnd + 1);
      return TRUE;
    case kVkHome:
      SetSel(bShift ? m_nSelStart : 0, 0);
      return TRUE;
    case kVkEnd:
      SetSel(bShift ? m_nSelStart : n, n);
      return TRUE;
    case kVkDelete:
      if (IsReadOnly())
        return TRUE;
      if (m_nSelStart == m_nSelEnd)
        SetSel(m_nSelStart, m_nSelStart + 1);
      if (m_nSelStart != m_nSelEnd && ValidateInsertion(""))
        InsertText("");
      return TRUE;
    case kVkUp:
    case kVkDown:
    case kVkTab:
    case kVkEscape:
    case kVkReturn:
      return FALSE;
    default:
      // Page keys, F1 to F24 and the rest go to the grid.
      return FALSE;
  }
}

BOOL CGXEditControl::Char(UINT nChar, UINT nRepCnt, UINT nFlags) {
  if (nChar == kVkBack) {
    if (!m_bActive)
      return FALSE;
    if (!IsReadOnly()) {
      if (m_nSelStart == m_nSelEnd && m_nSelStart > 0)
        SetSel(m_nSelStart - 1, m_nSelStart);
      if (m_nSelStart != m_nSelEnd && ValidateInsertion(""))
        InsertText("");
    }
    return TRUE;
  }
  if (m_bActive && (nChar == kCtrlC || nChar == kCtrlV || nChar == kCtrlX)) {
    if (nChar == kCtrlC)
      Copy();
    else if (nChar == kCtrlV)
      Paste();
    else if (!IsReadOnly())
      Cut();
    return TRUE;
  }
  if (nChar < 32 || nChar == 127)
    return FALSE;
  const char c = (char)nChar;
  return CharString(CString(&c, 1), nRepCnt, nFlags);
}

BOOL CGXEditControl::CharString(const CString& s, UINT nRepCnt, UINT nFlags) {
  (void)nRepCnt, (void)nFlags;
  if (!m_bInit || IsReadOnly())
    return FALSE;
  if (m_bActive) {
    if (ValidateInsertion(s))
      InsertText(s);
    return TRUE;
  }
  if (!ValidateText(s) || !BeginEditing())
    return FALSE;
  SetActive(TRUE);
  SetCurrentText("");
  InsertText(s);
  Refresh();
  return TRUE;
}

BOOL CGXEditControl::LButtonUp(UINT nFlags, CPoint point) {
  CGXControl::LButtonUp(nFlags, point);
  return TRUE;
}

void CGXEditControl::Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol,
                          const CGXStyle& style) {
  if (!m_bActive || !IsInit(nRow, nCol)) {
    CGXStatic::Draw(surface, rect, nRow, nCol, style);
    return;
  }
  const CGXStyle& shown = CachedStyle() != nullptr ? *CachedStyle() : style;
  DrawStaticText(surface, rect, m_sText, shown);
  // The caret and the selection of a one-line, left-aligned text: the engine's text starts two pixels in.
  const GXTEXTMETRICS tm = surface.GetTextMetrics();
  const int x0 = rect.left + 2;
  const int a = std::min(m_nSelStart, m_nSelEnd), b = std::max(m_nSelStart, m_nSelEnd);
  const int xa = x0 + (a > 0 ? surface.GetTextExtent(m_sText, a).cx : 0);
  const int xb = x0 + (b > 0 ? surface.GetTextExtent(m_sText, b).cx : 0);
  const int y0 = rect.top + 1, y1 = std::min((int)rect.bottom, y0 + std::max(tm.nHeight, 1));
  if (xb > xa)
    surface.InvertRect(CRect(xa, y0, std::min(xb, (int)rect.right), y1));
  else if (xa < rect.right)
    surface.InvertRect(CRect(xa, y0, xa + 1, y1));
  CGXControl::Draw(surface, rect, nRow, nCol, style);
}

BOOL CGXEditControl::FindText(LPCTSTR pszFind, BOOL bMatchCase, ROWCOL nRow, ROWCOL nCol, BOOL bCurrentPos,
                              BOOL bSetCell) {
  if (!m_bActive || !IsInit(nRow, nCol) || pszFind == nullptr)
    return CGXControl::FindText(pszFind, bMatchCase, nRow, nCol, bCurrentPos, bSetCell);
  const int nAt = FindFrom(m_sText, bCurrentPos ? std::max(m_nSelStart, m_nSelEnd) : 0, pszFind, bMatchCase);
  if (nAt < 0)
    return FALSE;
  if (bSetCell)
    SetSel(nAt, nAt + (int)std::strlen(pszFind));
  return TRUE;
}

BOOL CGXEditControl::ReplaceSel(LPCTSTR pszText) {
  if (!m_bActive)
    return CGXControl::ReplaceSel(pszText);
  if (IsReadOnly())
    return FALSE;
  InsertText(pszText != nullptr ? pszText : "");
  return TRUE;
}

BOOL CGXEditControl::ReplaceAll(LPCTSTR pszFind, LPCTSTR pszReplace, BOOL bMatchCase, ROWCOL nRow, ROWCOL nCol) {
  if (!m_bActive || !IsInit(nRow, nCol) || IsReadOnly())
    return CGXControl::ReplaceAll(pszFind, pszReplace, bMatchCase, nRow, nCol);
  CString s = m_sText;
  if (GXReplaceAllText(s, 0, pszFind, pszReplace, bMatchCase) == 0)
    return FALSE;
  m_sText = s;
  SetSel(s.GetLength(), s.GetLength());
  SetModify(TRUE);
  NotifyChanged();
  return TRUE;
}

BOOL CGXEditControl::GetSelectedText(CString& s) {
  if (!m_bActive)
    return CGXControl::GetSelectedText(s);
  const int a = std::min(m_nSelStart, m_nSelEnd), b = std::max(m_nSelStart, m_nSelEnd);
  if (a == b) {
    s = m_sText;
    return FALSE;
  }
  s = m_sText.Mid(a, b - a);
  return TRUE;
}
