// The radio-button cells.
#include "GXRadioButton.h"

#include "GXMeasure.h"
#include "GXStylesMap.h"

#include <algorithm>
#include <cstdlib>

const GXCONTROLCLASS CGXRadioButton::classCGXRadioButton = {"CGXRadioButton", &CGXControl::classCGXControl};
const GXCONTROLCLASS CGXRadioButtonEx::classCGXRadioButtonEx = {"CGXRadioButtonEx", &CGXControl::classCGXControl};

namespace {

const UINT kWmKeyDown = 0x100, kWmChar = 0x102, kVkDelete = 0x2E;
const int kButtonWidth = 18;

CString AttrText(const CGXStyle& style, WORD nId) {
  return style.HasUserAttribute(nId) ? style.GetCustomAttr(nId).GetValue() : CString();
}

CString IndexText(int n) {
  CString s;
  s.Format("%d", n);
  return s;
}

DWORD TextColor(const CGXStyle& style) {
  return style.GetInclude(CGXStyle::gxTextColor) ? style.GetTextColor() & 0xFFFFFF : 0;
}

}  // namespace

std::vector<CString> GXRadioItems(const CString& sChoices) {
  std::vector<CString> items;
  int nStart = 0;
  const int n = sChoices.GetLength();
  for (int i = 0; i <= n; ++i) {
    if (i == n || sChoices[i] == '\r' || sChoices[i] == '\n') {
      if (i > nStart)
        items.push_back(sChoices.Mid(nStart, i - nStart));
      nStart = i + 1;
    }
  }
  return items;
}

int GXRadioIndex(const CString& sValue) { return sValue.IsEmpty() ? -1 : std::atoi(sValue); }

int CGXRadioButton::LineHeight(CGXTextMeasurer& m) {
  const GXTEXTMETRICS tm = m.GetTextMetrics();
  return std::max(12, tm.nHeight + tm.nExternalLeading);
}

void CGXRadioButton::DrawRadioButton(CGXGridSurface& surface, const CRect& r, BOOL bSelected, BOOL bDraw3d) {
  const int x = r.left + 3, y = r.top + (r.Height() - 12) / 2;
  // A square-cornered ring stands in for the circle; the 3-D look adds a shadowed top and left edge.
  const DWORD edge = bDraw3d ? 0x808080 : 0;
  surface.FillRect(CRect(x, y, x + 12, y + 12), 0xFFFFFF);
  surface.FillRect(CRect(x + 2, y, x + 10, y + 1), edge);
  surface.FillRect(CRect(x, y + 2, x + 1, y + 10), edge);
  surface.FillRect(CRect(x + 2, y + 11, x + 10, y + 12), 0);
  surface.FillRect(CRect(x + 11, y + 2, x + 12, y + 10), 0);
  if (bSelected)
    surface.FillRect(CRect(r.left + 5 + 1, y + 3, r.left + 13 - 1, y + 9), 0);
}

int CGXRadioButton::DrawRadioButtons(CGXGridSurface& surface, const CRect& rect, const CString& sValue,
                                     const CString& sChoices, BOOL bDraw3d) {
  const std::vector<CString> items = GXRadioItems(sChoices);
  const int h = LineHeight(surface), nSelected = GXRadioIndex(sValue);
  for (int i = 0; i < (int)items.size(); ++i) {
    const CRect item(rect.left, rect.top + i * h, rect.right, rect.top + (i + 1) * h);
    if (item.top >= rect.bottom)
      break;
    DrawRadioButton(surface, item, i == nSelected, bDraw3d);
    const int y = item.top + (h - surface.GetTextMetrics().nHeight) / 2;
    surface.DrawTextLine(item.left + kButtonWidth, y, items[i], items[i].GetLength(), 0,
                         CRect(item.left + kButtonWidth, item.top, rect.right, std::min(item.bottom, rect.bottom)));
  }
  return (int)items.size();
}

void CGXRadioButton::Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol,
                          const CGXStyle& style) {
  if (style.GetInclude(CGXStyle::gxFont))
    surface.SelectFont(style.GetFont(), m_pGrid->GetZoom());
  m_nCount = DrawRadioButtons(surface, rect, style.GetValue(), style.GetChoiceList(), m_bDraw3dFrame);
  CGXControl::Draw(surface, rect, nRow, nCol, style);
}

int CGXRadioButton::HitTest(CGXTextMeasurer& m, const CRect& rect, const CString& sChoices, CPoint point) {
  const std::vector<CString> items = GXRadioItems(sChoices);
  const int h = LineHeight(m);
  for (int i = 0; i < (int)items.size(); ++i) {
    const int top = rect.top + i * h;
    const CRect button(rect.left, top, rect.left + kButtonWidth, top + h);
    const CSize ext = m.GetTextExtent(items[i], items[i].GetLength());
    const CRect text(rect.left + kButtonWidth, top, rect.left + kButtonWidth + (int)ext.cx, top + (int)ext.cy);
    if (button.PtInRect(point) || text.PtInRect(point))
      return i;
  }
  return -1;
}

CSize CGXRadioButton::CalcSize(CGXTextMeasurer& m, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style, BOOL bHeight) {
  (void)nRow, (void)nCol, (void)bHeight;
  const std::vector<CString> items = GXRadioItems(style.GetChoiceList());
  int nWidest = 0;
  for (const CString& s : items)
    nWidest = std::max(nWidest, (int)m.GetTextExtent(s, s.GetLength()).cx);
  return AddBorders(CSize(nWidest + 22, (int)items.size() * LineHeight(m) + 4), style);
}

// The press is the engine's signal that the release belongs to this cell.
BOOL CGXRadioButton::LButtonDown(UINT nFlags, CPoint point) {
  CGXControl::LButtonDown(nFlags, point);
  return TRUE;
}

BOOL CGXRadioButton::LButtonUp(UINT nFlags, CPoint point) {
  if (!m_bInit || IsReadOnly())
    return FALSE;
  CGXStyle style;
  m_pGrid->ComposeStyleRowCol(m_nRow, m_nCol, style);
  CGXDefaultMeasurer fallback;
  const int nHit = HitTest(GXMeasurerFor(m_pGrid, fallback), BoundInnerRect(), style.GetChoiceList(), point);
  if (nHit >= 0 && nHit != GXRadioIndex(style.GetValue()) && BeginEditing()) {
    StoreValue(m_nRow, m_nCol, IndexText(nHit));
    FreeStyle(FALSE);
  }
  if (nHit >= 0)
    OnClickedButton(nullptr);
  CGXControl::LButtonUp(nFlags, point);
  return TRUE;
}

BOOL CGXRadioButton::ProcessKeys(UINT nMessage, UINT nChar, UINT nRepCnt, UINT nFlags) {
  if (CGXControl::ProcessKeys(nMessage, nChar, nRepCnt, nFlags))
    return TRUE;
  if (nMessage != kWmChar || nChar != ' ' || !m_bInit)
    return FALSE;
  if (IsReadOnly())
    return FALSE;
  CGXStyle style;
  m_pGrid->ComposeStyleRowCol(m_nRow, m_nCol, style);
  const int nCount = (int)GXRadioItems(style.GetChoiceList()).size();
  int n = GXRadioIndex(style.GetValue()) + 1;
  if (style.GetValue().IsEmpty() || n >= nCount)
    n = 0;
  StoreValue(m_nRow, m_nCol, IndexText(n));
  FreeStyle(FALSE);
  return TRUE;
}

// --- the edit-in-progress kind ----------------------------------------------------------------------

std::vector<CGXRadioButtonEx::Item> CGXRadioButtonEx::Layout(CGXTextMeasurer& m, const CRect& rect,
                                                             const CGXStyle& style) {
  const std::vector<CString> items = GXRadioItems(style.GetChoiceList());
  const BOOL bHorizontal = AttrText(style, GX_IDS_UA_RADIOBUTTON_ALIGN) == "1";
  const BOOL bTextRight = AttrText(style, GX_IDS_UA_RADIOBUTTONTEXTALIGN) == "1";
  const int h = CGXRadioButton::LineHeight(m);
  const int g = std::max(12, m.GetTextMetrics().nMaxCharWidth);
  std::vector<Item> out;
  int x = rect.left, y = rect.top;
  for (const CString& s : items) {
    const int w = (int)m.GetTextExtent(s, s.GetLength()).cx;
    Item item;
    const int left = bHorizontal ? x : rect.left;
    if (bTextRight) {
      item.button = CRect(left, y, left + kButtonWidth, y + h);
      item.text = CRect(left + kButtonWidth, y, left + kButtonWidth + w, y + h);
    } else {
      item.text = CRect(left + 3, y, left + 3 + w, y + h);
      item.button = CRect(item.text.right, y, item.text.right + kButtonWidth, y + h);
    }
    out.push_back(item);
    if (bHorizontal)
      x = bTextRight ? item.text.right + 2 + g : item.button.right + g;
    else
      y += h;
  }
  return out;
}

void CGXRadioButtonEx::SetActive(BOOL bActive) {
  if (bActive && !m_bActive) {
    FreeStyle(FALSE);
    LoadStyle();
  }
  m_bActive = bActive;
}

void CGXRadioButtonEx::Init(ROWCOL nRow, ROWCOL nCol) {
  CGXControl::Init(nRow, nCol);
  FreeStyle(FALSE);
  LoadStyle();
  SetModify(FALSE);
}

BOOL CGXRadioButtonEx::Store() {
  if (CachedStyle() == nullptr)
    return TRUE;
  const CString s = CachedStyle()->GetValue();
  SetActive(FALSE);
  FreeStyle(TRUE);
  return StoreValue(m_nRow, m_nCol, s);
}

BOOL CGXRadioButtonEx::OnCancelEditing() {
  const BOOL bHad = m_bModified;
  FreeStyle(FALSE);
  m_bModified = FALSE;
  return bHad;
}

void CGXRadioButtonEx::Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol,
                            const CGXStyle& style) {
  const CGXStyle& shown = m_bActive && IsInit(nRow, nCol) && CachedStyle() != nullptr ? *CachedStyle() : style;
  if (shown.GetInclude(CGXStyle::gxFont))
    surface.SelectFont(shown.GetFont(), m_pGrid->GetZoom());
  const std::vector<Item> items = Layout(surface, rect, shown);
  const std::vector<CString> texts = GXRadioItems(shown.GetChoiceList());
  const int nSelected = GXRadioIndex(shown.GetValue());
  CGXRadioButton drawer(m_pGrid, m_bDraw3dFrame);
  for (int i = 0; i < (int)items.size(); ++i) {
    drawer.DrawRadioButton(surface, items[i].button, i == nSelected, m_bDraw3dFrame);
    surface.DrawTextLine(items[i].text.left, items[i].text.top, texts[i], texts[i].GetLength(), TextColor(shown),
                         rect);
  }
  m_nCount = (int)items.size();
  CGXControl::Draw(surface, rect, nRow, nCol, style);
}

BOOL CGXRadioButtonEx::LButtonDown(UINT nFlags, CPoint point) {
  CGXControl::LButtonDown(nFlags, point);
  return TRUE;
}

BOOL CGXRadioButtonEx::LButtonUp(UINT nFlags, CPoint point) {
  if (!m_bInit || LoadStyle() == nullptr || IsReadOnly())
    return FALSE;
  CGXDefaultMeasurer fallback;
  const std::vector<Item> items = Layout(GXMeasurerFor(m_pGrid, fallback), BoundInnerRect(), *CachedStyle());
  int nHit = -1;
  for (int i = 0; i < (int)items.size() && nHit < 0; ++i)
    if (items[i].button.PtInRect(point) || items[i].text.PtInRect(point))
      nHit = i;
  if (nHit >= 0) {
    if (!m_bActive && BeginEditing())
      SetActive(TRUE);
    if (m_bActive && nHit != GXRadioIndex(CachedStyle()->GetValue())) {
      CachedStyle()->SetValue(IndexText(nHit));
      Refresh();
      m_bModified = TRUE;
      NotifyChanged();
    }
    OnClickedButton(nullptr);
  }
  CGXControl::LButtonUp(nFlags, point);
  return TRUE;
}

BOOL CGXRadioButtonEx::ProcessKeys(UINT nMessage, UINT nChar, UINT nRepCnt, UINT nFlags) {
  if (CGXControl::ProcessKeys(nMessage, nChar, nRepCnt, nFlags))
    return TRUE;
  if (nMessage == kWmChar && nChar == ' ') {
    if (!m_bActive) {
      if (!BeginEditing())
        return FALSE;
      SetActive(TRUE);
    }
    if (IsReadOnly() || LoadStyle() == nullptr)
      return FALSE;
    const int nCount = (int)GXRadioItems(CachedStyle()->GetChoiceList()).size();
    int n = GXRadioIndex(CachedStyle()->GetValue()) + 1;
    if (CachedStyle()->GetValue().IsEmpty() || n >= nCount)
      n = 0;
    CachedStyle()->SetValue(IndexText(n));
    Refresh();
    m_bModified = TRUE;
    NotifyChanged();
    return TRUE;
  }
  if (nMessage == kWmKeyDown && nChar == kVkDelete && m_bActive && LoadStyle() != nullptr) {
    CachedStyle()->SetValue("");
    Refresh();
    m_bModified = TRUE;
    NotifyChanged();
  }
  return FALSE;
}

void CGXRadioButtonEx::AddUserAttributes(CGXStylesMap* pStylesMap) {
  CGXStyle choice;
  choice.SetControl(52532);
  choice.SetChoiceText("Vertical\nHorizontal");
  pStylesMap->AddUserAttribute(GX_IDS_UA_RADIOBUTTON_ALIGN, &choice);
  choice.SetChoiceText("Left\nRight");
  pStylesMap->AddUserAttribute(GX_IDS_UA_RADIOBUTTONTEXTALIGN, &choice);
}
