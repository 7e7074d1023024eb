// The check-box cells.
#include "GXCheckBox.h"

#include "GXGridState.h"
#include "GXMeasure.h"
#include "GXStylesMap.h"

#include <algorithm>
#include <cstdlib>

const GXCONTROLCLASS CGXCheckBox::classCGXCheckBox = {"CGXCheckBox", &CGXControl::classCGXControl};
const GXCONTROLCLASS CGXCheckBoxEx::classCGXCheckBoxEx = {"CGXCheckBoxEx", &CGXCheckBox::classCGXCheckBox};

namespace {

const UINT kWmKeyDown = 0x100, kWmChar = 0x102, kVkDelete = 0x2E;

CString AttrText(const CGXStyle& style, WORD nId) {
  if (!style.HasUserAttribute(nId))
    return CString();
  return style.GetCustomAttr(nId).GetValue();
}

DWORD SysColor(int n) { return GXGetSysColorState()->GetColor(n) & 0xFFFFFF; }


}  // namespace

CGXCheckBox::CGXCheckBox(CGXGridCore* pGrid, BOOL bDraw3dFrame, UINT nBitmapResourceId, UINT nPrintBitmapResourceId)
    : CGXControl(pGrid),
      m_bDraw3dFrame(bDraw3dFrame),
      m_nBitmapResourceId(nBitmapResourceId != 0 ? nBitmapResourceId : bDraw3dFrame ? 20024 : 20026),
      m_nPrintBitmapResourceId(nPrintBitmapResourceId != 0 ? nPrintBitmapResourceId : 20026) {}

CString CGXCheckBox::CheckedValue(const CGXStyle& style) {
  const CString s = AttrText(style, GX_IDS_UA_CHECKBOX_CHECKED);
  return s.IsEmpty() ? CString("1") : s;
}

CString CGXCheckBox::UncheckedValue(const CGXStyle& style) {
  const CString s = AttrText(style, GX_IDS_UA_CHECKBOX_UNCHECKED);
  return s.IsEmpty() ? CString("0") : s;
}

CString CGXCheckBox::ToggledValue(const CString& sValue, const CGXStyle& style) {
  const CString sChecked = CheckedValue(style), sUnchecked = UncheckedValue(style);
  if (sValue == sChecked)
    return sUnchecked;
  if (!style.GetTriState())
    return sChecked;
  return sValue == sUnchecked ? CString() : sChecked;
}

int CGXCheckBox::FrameOfState(UINT nState) {
  const int nGrey = (nState & GX_CHECK_GREY) ? 2 : 0;
  if (nState & GX_CHECK_CHECKED)
    return 1 + nGrey;
  if (nState & GX_CHECK_UNCHECKED)
    return nGrey;
  return 4;
}

const CGXStyle* CGXCheckBox::BoundStyle() { return LoadStyle(); }

BOOL CGXCheckBox::CellReadOnly(const CGXStyle* pStyle) {
  return IsReadOnly() || (pStyle != nullptr && pStyle->GetInclude(CGXStyle::gxReadOnly) && pStyle->GetReadOnly());
}

UINT CGXCheckBox::AlignFlags(const CGXStyle& style) const {
  UINT n = 0;
  if (style.GetHAlignValue() == 1)
    n |= 1;
  else if (style.GetHAlignValue() == 2)
    n |= 2;
  if (style.GetVAlignValue() == 1)
    n |= 4;
  else if (style.GetVAlignValue() == 2)
    n |= 8;
  return n;
}

UINT CGXCheckBox::GetState(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style) {
  UINT n = 0;
  const BOOL bCurrent = IsInit(nRow, nCol) && m_pGrid->IsCurrentCell(nRow, nCol);
  if (bCurrent)
    n |= GX_CHECK_CURRENT;
  if ((style.GetInclude(CGXStyle::gxEnabled) && !style.GetEnabled()) || (bCurrent && m_bScope))
    n |= GX_CHECK_GREY;
  const CString& sValue = style.GetValue();
  if (sValue == CheckedValue(style))
    n |= GX_CHECK_CHECKED;
  else if (!style.GetTriState() || sValue == UncheckedValue(style))
    n |= GX_CHECK_UNCHECKED;
  return n;
}

CRect CGXCheckBox::ComputeCheckBoxRect(CGXTextMeasurer& m, const CRect& r, const CString& sCaption, UINT nAlign) {
  const int s = m_nBoxSize;
  int nWidth = s, nHeight = s;
  if (!sCaption.IsEmpty()) {
    const GXTEXTMETRICS tm = m.GetTextMetrics();
    nWidth = s * 3 / 2 + (int)m.GetTextExtent(sCaption, sCaption.GetLength()).cx;
    nHeight = std::min(s, tm.nHeight);
  }
  int x = r.left + 3, y = r.top + 3;
  if (nAlign & 1) {
    x = r.left + (r.Width() - nWidth) / 2;
    if (x - r.left < 1)
      x = r.left;
  } else if (nAlign & 2) {
    x = r.left + (r.Width() - nWidth);
    if (x - r.left < 1)
      x = r.left;
  }
  if (nAlign & 4) {
    const int d = std::abs(r.Height() - nHeight) / 2;
    y = r.top + (d < 1 ? 0 : d);
  } else if (nAlign & 8) {
    y = r.top + (r.Height() - nHeight);
    if (y - r.top < 1)
      y = r.top;
  }
  return CRect(x, y, std::min((int)r.right, x + s), std::min((int)r.bottom, y + s));
}

// The box drawn from rectangles: a frame, a check mark for checked, a grey fill for greyed or undetermined.
void CGXCheckBox::DrawCheckBox(CGXGridSurface& surface, const CRect& rect, UINT nState) {
  const int nFrame = FrameOfState(nState);
  const CRect r(rect.left, rect.top, rect.left + std::min(m_nBoxSize, rect.Width()),
                rect.top + std::min(m_nBoxSize, rect.Height()));
  if (r.IsRectEmpty())
    return;
  const DWORD back = nFrame >= 2 ? SysColor(15) : 0xFFFFFF;
  surface.FillRect(r, back);
  surface.FillRect(CRect(r.left, r.top, r.right, r.top + 1), m_bDraw3dFrame ? SysColor(16) : 0);
  surface.FillRect(CRect(r.left, r.top, r.left + 1, r.bottom), m_bDraw3dFrame ? SysColor(16) : 0);
  surface.FillRect(CRect(r.left, r.bottom - 1, r.right, r.bottom), m_bDraw3dFrame ? SysColor(20) : 0);
  surface.FillRect(CRect(r.right - 1, r.top, r.right, r.bottom), m_bDraw3dFrame ? SysColor(20) : 0);
  if (nFrame == 1 || nFrame == 3 || nFrame == 4) {
    // A tick of short strokes, grey for undetermined.
    const DWORD ink = nFrame == 4 ? SysColor(16) : 0;
    const int x = r.left + 3, y = r.top + 5;
    for (int i = 0; i < 7 && x + i < r.right - 2; ++i) {
      const int dy = i < 2 ? i : 4 - i;
      if (y + dy >= r.top + 1 && y + dy + 3 <= r.bottom - 1)
        surface.FillRect(CRect(x + i, y + dy, x + i + 1, y + dy + 3), ink);
    }
  }
}

void CGXCheckBox::Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style) {
  const UINT nState = GetState(nRow, nCol, style);
  const UINT nAlign = AlignFlags(style);
  if (style.GetInclude(CGXStyle::gxFont))
    surface.SelectFont(style.GetFont(), m_pGrid->GetZoom());
  const CString sCaption = style.GetChoiceList();
  const CRect box = ComputeCheckBoxRect(surface, rect, sCaption, nAlign);
  DrawCheckBox(surface, box, nState);
  const int nTextLeft = box.left + m_nBoxSize * 3 / 2;
  if (!sCaption.IsEmpty() && nTextLeft < rect.right) {
    const DWORD rgb = style.GetInclude(CGXStyle::gxTextColor) ? style.GetTextColor() & 0xFFFFFF : 0;
    const int y = box.top + (box.Height() - surface.GetTextMetrics().nHeight) / 2;
    surface.DrawTextLine(nTextLeft, y, sCaption, sCaption.GetLength(), rgb,
                         CRect(nTextLeft, rect.top, rect.right, rect.bottom));
  }
  CGXControl::Draw(surface, rect, nRow, nCol, style);
}

CSize CGXCheckBox::CalcSize(CGXTextMeasurer& m, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style, BOOL bHeight) {
  (void)nRow, (void)nCol, (void)bHeight;
  const GXTEXTMETRICS tm = m.GetTextMetrics();
  const int nMargin = 3, nLine = tm.nHeight + tm.nExternalLeading;
  int nWidth = tm.nMaxCharWidth + 2 * nMargin, nHeight = nLine + 1;
  const CString& sCaption = style.GetChoiceList();
  if (!sCaption.IsEmpty()) {
    int nWidest = 0, nLines = 0;
    for (int nStart = 0; nStart <= sCaption.GetLength();) {
      int nEnd = nStart;
      while (nEnd < sCaption.GetLength() && sCaption[nEnd] != '\n' && sCaption[nEnd] != '\r')
        ++nEnd;
      nWidest = std::max(nWidest, (int)m.GetTextExtent((LPCTSTR)sCaption + nStart, nEnd - nStart).cx);
      ++nLines;
      if (nEnd < sCaption.GetLength() && sCaption[nEnd] == '\r' && nEnd + 1 < sCaption.GetLength() &&
          sCaption[nEnd + 1] == '\n')
        ++nEnd;
      nStart = nEnd + 1;
    }
    nWidth = nWidest + 2 * nMargin;
    nHeight = (nLine + 1) * nLines;
  }
  return AddBorders(CSize(m_nBoxSize + 6 + nWidth, std::max(m_nBoxSize + 4, nHeight)), style);
}

BOOL CGXCheckBox::ConvertControlTextToValue(CString& s, ROWCOL nRow, ROWCOL nCol, const CGXStyle* pStyle) {
  CGXStyle composed;
  if (pStyle == nullptr) {
    m_pGrid->ComposeStyleRowCol(nRow, nCol, composed);
    pStyle = &composed;
  }
  const CString sChecked = CheckedValue(*pStyle), sUnchecked = UncheckedValue(*pStyle);
  if (s.CompareNoCase(sChecked) == 0)
    return TRUE;
  if (pStyle->GetTriState() && s.CompareNoCase(sUnchecked) != 0)
    s.Empty();
  return TRUE;
}

BOOL CGXCheckBox::LButtonDown(UINT nFlags, CPoint point) {
  const CGXStyle* pStyle = BoundStyle();
  if (pStyle == nullptr || CellReadOnly(pStyle))
    return FALSE;
  CGXDefaultMeasurer fallback;
  m_rectBox = ComputeCheckBoxRect(GXMeasurerFor(m_pGrid, fallback), BoundInnerRect(),
                                  pStyle->GetChoiceList(), AlignFlags(*pStyle));
  if (m_rectBox.PtInRect(point)) {
    m_bScope = TRUE;
    Refresh();
  }
  CGXControl::LButtonDown(nFlags, point);
  return TRUE;
}

BOOL CGXCheckBox::MouseMove(UINT nFlags, CPoint point) {
  const BOOL bScope = m_rectBox.PtInRect(point);
  if (bScope != m_bScope) {
    m_bScope = bScope;
    Refresh();
  }
  CGXControl::MouseMove(nFlags, point);
  return TRUE;
}

BOOL CGXCheckBox::LButtonUp(UINT nFlags, CPoint point) {
  m_bScope = FALSE;
  if (!CGXControl::LButtonUp(nFlags, point) && m_rectBox.PtInRect(point))
    OnClickedButton(nullptr);
  return TRUE;
}

BOOL CGXCheckBox::LButtonDblClk(UINT nFlags, CPoint point) {
  m_bScope = FALSE;
  if (!CGXControl::LButtonDblClk(nFlags, point) && m_rectBox.PtInRect(point))
    OnClickedButton(nullptr);
  return TRUE;
}

BOOL CGXCheckBox::ProcessKeys(UINT nMessage, UINT nChar, UINT nRepCnt, UINT nFlags) {
  if (CGXControl::ProcessKeys(nMessage, nChar, nRepCnt, nFlags))
    return TRUE;
  if (nMessage == kWmChar && nChar == ' ') {
    OnClickedButton(nullptr);
    return TRUE;
  }
  return FALSE;
}

BOOL CGXCheckBox::OnClickedButton(CGXChild* pChild) {
  if (!BeginEditing() || CellReadOnly(LoadStyle()))
    return FALSE;
  CGXStyle style;
  m_pGrid->ComposeStyleRowCol(m_nRow, m_nCol, style);
  StoreValue(m_nRow, m_nCol, ToggledValue(style.GetValue(), style));
  FreeStyle(FALSE);
  return CGXControl::OnClickedButton(pChild);
}

void CGXCheckBox::CancelMode() {
  if (m_bScope) {
    m_bScope = FALSE;
    Refresh();
  }
  CGXControl::CancelMode();
}

void CGXCheckBox::AddUserAttributes(CGXStylesMap* pStylesMap) {
  pStylesMap->AddUserAttribute(GX_IDS_UA_CHECKBOX_CHECKED);
  pStylesMap->AddUserAttribute(GX_IDS_UA_CHECKBOX_UNCHECKED);
}

// --- the edit-in-progress kind ----------------------------------------------------------------------

const CGXStyle* CGXCheckBoxEx::BoundStyle() { return LoadStyle(); }

void CGXCheckBoxEx::SetActive(BOOL bActive) {
  if (bActive && !m_bActive) {
    FreeStyle(FALSE);
    LoadStyle();
  }
  m_bActive = bActive;
}

void CGXCheckBoxEx::Init(ROWCOL nRow, ROWCOL nCol) {
  CGXControl::Init(nRow, nCol);
  FreeStyle(FALSE);
  LoadStyle();
  SetModify(FALSE);
}

void CGXCheckBoxEx::Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol,
                         const CGXStyle& style) {
  if (m_bActive && IsInit(nRow, nCol) && CachedStyle() != nullptr)
    CGXCheckBox::Draw(surface, rect, nRow, nCol, *CachedStyle());
  else
    CGXCheckBox::Draw(surface, rect, nRow, nCol, style);
}

BOOL CGXCheckBoxEx::OnClickedButton(CGXChild* pChild) {
  if (!m_bActive) {
    if (!BeginEditing())
      return FALSE;
    SetActive(TRUE);
  }
  CGXStyle* pStyle = LoadStyle();
  if (pStyle != nullptr && !CellReadOnly(pStyle)) {
    pStyle->SetValue(ToggledValue(pStyle->GetValue(), *pStyle));
    Refresh();
    m_bModified = TRUE;
    NotifyChanged();
  }
  return CGXControl::OnClickedButton(pChild);
}

BOOL CGXCheckBoxEx::ProcessKeys(UINT nMessage, UINT nChar, UINT nRepCnt, UINT nFlags) {
  if (CGXCheckBox::ProcessKeys(nMessage, nChar, nRepCnt, nFlags))
    return TRUE;
  if (nMessage == kWmKeyDown && nChar == kVkDelete && m_bActive && LoadStyle() != nullptr) {
    CachedStyle()->SetValue("");
    Refresh();
    m_bModified = TRUE;
    NotifyChanged();
    return TRUE;
  }
  return FALSE;
}

// The engine clears the modified mark before it asks for the store.
BOOL CGXCheckBoxEx::Store() {
  if (CachedStyle() == nullptr)
    return TRUE;
  const CString s = CachedStyle()->GetValue();
  SetActive(FALSE);
  FreeStyle(TRUE);
  return StoreValue(m_nRow, m_nCol, s);
}

BOOL CGXCheckBoxEx::OnCancelEditing() {
  const BOOL bHad = m_bModified;
  FreeStyle(FALSE);
  m_bModified = FALSE;
  return bHad;
}
