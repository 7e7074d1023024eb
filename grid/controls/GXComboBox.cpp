// The combo cells and the multi-column combo cell.
#include "GXComboBox.h"

#include "GXMeasure.h"
#include "GXStylesMap.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

const GXCONTROLCLASS CGXComboBox::classCGXComboBox = {"CGXComboBox", &CGXEditControl::classCGXEditControl};
const GXCONTROLCLASS CGXTabbedComboBox::classCGXTabbedComboBox = {"CGXTabbedComboBox", &CGXComboBox::classCGXComboBox};

namespace {

const UINT kVkTab = 0x09, kVkReturn = 0x0D, kVkEscape = 0x1B, kVkPrior = 0x21, kVkNext = 0x22, kVkUp = 0x26,
           kVkDown = 0x28;
const UINT kWmHScroll = 0x114, kWmVScroll = 0x115;
const int kButtonStrip = 15;
const int kDefaultDropDownHeight = 100;

GX_CREATEDROPDOWN_PROC g_pfnCreateDropDown = nullptr;

// The lines of a text, one per break (CR, LF or CR LF); the last piece counts without a break.
std::vector<CString> SplitLines(const CString& s) {
  std::vector<CString> lines;
  const int n = s.GetLength();
  int nStart = 0;
  for (int i = 0; i < n; ++i) {
    if (s[i] == '\r' || s[i] == '\n') {
      lines.push_back(s.Mid(nStart, i - nStart));
      if (s[i] == '\r' && i + 1 < n && s[i + 1] == '\n')
        ++i;
      nStart = i + 1;
    }
  }
  if (nStart < n)
    lines.push_back(s.Mid(nStart));
  return lines;
}

BOOL BeginsNoCase(const CString& sLine, const CString& sText) {
  if (sLine.GetLength() < sText.GetLength())
    return FALSE;
  return sLine.Left(sText.GetLength()).CompareNoCase(sText) == 0;
}

CString AttrText(const CGXStyle& style, WORD nId) {
  return style.HasUserAttribute(nId) ? style.GetCustomAttr(nId).GetValue() : CString();
}

CString IndexText(long n) {
  CString s;
  s.Format("%ld", n);
  return s;
}

}  // namespace

void GXSetCreateDropDownProc(GX_CREATEDROPDOWN_PROC pfn) { g_pfnCreateDropDown = pfn; }

// --- choice-list helpers of the multi-column cells --------------------------------------------------

CString GXGetTabField(const CString& sLine, int n, int nMax) {
  int nStart = 0;
  for (int i = 0; i < n; ++i) {
    const int nTab = sLine.Find('\t', nStart);
    if (nTab < 0)
      return CString();
    nStart = nTab + 1;
  }
  int nEnd = sLine.Find('\t', nStart);
  if (nEnd < 0)
    nEnd = sLine.GetLength();
  return sLine.Mid(nStart, std::min(nEnd - nStart, std::max(0, nMax)));
}

int GXFindChoiceListEntry(const CString& sKey, int nColumn, const CString& sChoices, BOOL bHasTitle, CString& sLine,
                          BOOL bExact) {
  sLine.Empty();
  std::vector<CString> lines = SplitLines(sChoices);
  const int nFirst = bHasTitle ? 1 : 0;
  for (int i = nFirst; i < (int)lines.size(); ++i) {
    const CString sField = GXGetTabField(lines[i], nColumn);
    if (bExact ? sField == sKey : BeginsNoCase(sField, sKey)) {
      sLine = lines[i];
      return i - nFirst;
    }
  }
  return -1;
}

BOOL GXTabbedKeyForText(const CString& sText, const CString& sChoices, int nKeyColumn, int nTextColumn,
                        BOOL bHasTitle, CString& sKey) {
  CString sLine;
  if (GXFindChoiceListEntry(sText, nTextColumn, sChoices, bHasTitle, sLine, TRUE) < 0 &&
      GXFindChoiceListEntry(sText, nTextColumn, sChoices, bHasTitle, sLine, FALSE) < 0) {
    sKey.Empty();
    return FALSE;
  }
  sKey = GXGetTabField(sLine, nKeyColumn);
  return TRUE;
}

// --- the combo cell --------------------------------------------------------------------------------

CGXComboBox::CGXComboBox(CGXGridCore* pGrid, UINT nEditID, UINT nListBoxID, UINT nFlags)
    : CGXEditControl(pGrid, nEditID), m_nFlags(nFlags), m_pButton(new CGXComboBoxButton(this)),
      m_nListBoxID(nListBoxID) {
  AddChild(m_pButton);
}

CGXComboBox::~CGXComboBox() { delete m_pDropDownWnd; }

void CGXComboBox::SetActive(BOOL bActive) {
  if (!bActive && m_bDropped) {
    m_bDropped = FALSE;
    delete m_pDropDownWnd;
    m_pDropDownWnd = nullptr;
  }
  CGXEditControl::SetActive(bActive);
}

void CGXComboBox::Init(ROWCOL nRow, ROWCOL nCol) {
  CGXEditControl::Init(nRow, nCol);
  m_pButton->Refresh();
}

void CGXComboBox::Reset() {
  ShowDropDown(FALSE);
  CGXEditControl::Reset();
}

CRect CGXComboBox::GetCellRect(ROWCOL nRow, ROWCOL nCol, const CRect* pRect, const CGXStyle* pStyle) {
  CRect r = CGXStatic::GetCellRect(nRow, nCol, pRect, pStyle);
  r.right -= kButtonStrip;
  return r;
}

CSize CGXComboBox::AddBorders(CSize size, const CGXStyle& style) {
  return CGXEditControl::AddBorders(CSize(size.cx + kButtonStrip, size.cy), style);
}

CSize CGXComboBox::CalcSize(CGXTextMeasurer& m, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style, BOOL bHeight) {
  CSize size(0, 0);
  if (bHeight) {
    const GXTEXTMETRICS tm = m.GetTextMetrics();
    size.cy = tm.nHeight + tm.nExternalLeading + 1;
  } else {
    for (const CString& s : SplitLines(style.GetChoiceList()))
      size.cx = std::max(size.cx, m.GetTextExtent(s, s.GetLength()).cx);
  }
  size = AddBorders(size, style);
  const CSize other = CGXStatic::CalcSize(m, nRow, nCol, style, bHeight);
  return CSize(std::max(size.cx, other.cx), std::max(size.cy, other.cy));
}

BOOL CGXComboBox::GetValue(CString& s) {
  if (!CGXEditControl::GetValue(s))
    return FALSE;
  return ConvertControlTextToValue(s, m_nRow, m_nCol, LoadStyle());
}

BOOL CGXComboBox::GetControlText(CString& s, ROWCOL nRow, ROWCOL nCol, LPCTSTR pszValue, const CGXStyle& style) {
  if ((m_nFlags & GXComboDisplayChoice) && style.GetInclude(CGXStyle::gxChoiceList)) {
    const CString sValue = pszValue != nullptr ? CString(pszValue) : style.GetValue();
    if (pszValue == nullptr && (!style.GetInclude(CGXStyle::gxValue) || sValue.IsEmpty())) {
      s.Empty();
      return FALSE;
    }
    // The whole number: an index beyond 32767 names its own line, not a wrapped one.
    long n = std::atol(sValue);
    if ((m_nFlags & GXComboOneBased) && n != -1)
      n -= 1;
    CString sItem;
    if (n >= 0 && n <= 0x7FFFFFFF)
      GetChoiceListItem(sItem, style.GetChoiceList(), (int)n);
    return CGXEditControl::GetControlText(s, nRow, nCol, sItem, style);
  }
  return CGXEditControl::GetControlText(s, nRow, nCol, pszValue, style);
}

BOOL CGXComboBox::ConvertControlTextToValue(CString& s, ROWCOL nRow, ROWCOL nCol, const CGXStyle* pStyle) {
  if (!(m_nFlags & (GXComboTextFit | GXComboDisplayChoice)))
    return TRUE;
  CGXStyle composed;
  if (pStyle == nullptr) {
    m_pGrid->ComposeStyleRowCol(nRow, nCol, composed);
    pStyle = &composed;
  }
  if (!pStyle->GetInclude(CGXStyle::gxChoiceList))
    return TRUE;
  CString sFound;
  const int n = FindChoiceListItem(sFound, s, pStyle->GetChoiceList(), FALSE);
  if (!(m_nFlags & GXComboDisplayChoice))
    s = n >= 0 ? sFound : CString();
  else
    s = n >= 0 ? IndexText(n + ((m_nFlags & GXComboOneBased) ? 1 : 0)) : CString();
  return TRUE;
}

BOOL CGXComboBox::ValidateText(const CString& s) {
  if (s.IsEmpty() || !(m_nFlags & (GXComboTextFit | GXComboDisplayChoice)))
    return TRUE;
  const CGXStyle* pStyle = LoadStyle();
  if (pStyle == nullptr || !pStyle->GetInclude(CGXStyle::gxChoiceList))
    return FALSE;
  CString sFound;
  return FindChoiceListItem(sFound, s, pStyle->GetChoiceList(), FALSE) >= 0;
}

BOOL CGXComboBox::ReplaceSel(LPCTSTR pszText) {
  if (!m_bActive)
    return CGXEditControl::ReplaceSel(pszText);
  // A read-only cell keeps its text, as the edit cell's does.
  if (IsReadOnly())
    return FALSE;
  InsertText(pszText != nullptr ? pszText : "");
  return TRUE;
}

BOOL CGXComboBox::KeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
  if (m_bDropped && ListKeyDown(nChar))
    return TRUE;
  return CGXEditControl::KeyDown(nChar, nRepCnt, nFlags);
}

BOOL CGXComboBox::SysKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
  if (nChar != kVkDown)
    return CGXEditControl::SysKeyDown(nChar, nRepCnt, nFlags);
  if (m_bDropped) {
    OnListClose(TRUE);
    return TRUE;
  }
  if (!m_bActive) {
    if (!BeginEditing())
      return FALSE;
    SetActive(TRUE);
    Refresh();
  }
  ShowDropDown(TRUE);
  return TRUE;
}

BOOL CGXComboBox::OnClickedButton(CGXChild* pChild) {
  if (!m_bActive) {
    if (!BeginEditing())
      return FALSE;
    SetActive(TRUE);
    Refresh();
  }
  ShowDropDown(!IsDroppedDown());
  return CGXEditControl::OnClickedButton(pChild);
}

BOOL CGXComboBox::HandleGridMessage(UINT nMessage) {
  if (nMessage == kWmHScroll || nMessage == kWmVScroll)
    ShowDropDown(FALSE);
  return CGXEditControl::HandleGridMessage(nMessage);
}

void CGXComboBox::InitChildren(ROWCOL nRow, ROWCOL nCol, const CRect& rect) {
  CRect button(std::max(rect.left + 1, rect.right - 16), rect.top, rect.right - 1, rect.bottom - 1);
  const CGXStyle* pStyle = IsInit(nRow, nCol) ? CachedStyle() : nullptr;
  if (pStyle != nullptr && m_nTextHeight == 0) {
    CGXDefaultMeasurer fallback;
    m_nTextHeight = GXMeasurerFor(m_pGrid, fallback).GetTextMetrics().nHeight;
  }
  if (m_bSizeToContent) {
    const int nMargin = 1, nCellHeight = rect.Height();
    int h = nCellHeight;
    if (pStyle != nullptr) {
      h = std::min(m_nTextHeight + 2, nCellHeight - 2 * nMargin);
      if (pStyle->GetInclude(CGXStyle::gxVAlign)) {
        if (pStyle->GetVAlignValue() == 1)
          button.top += (nCellHeight - h) / 2 - nMargin;
        else if (pStyle->GetVAlignValue() == 2)
          button.top = rect.bottom - 2 * nMargin - h;
      }
    }
    button.bottom = button.top + 2 * nMargin - 1 + h;
  }
  m_pButton->SetRect(button);
}

// --- the list --------------------------------------------------------------------------------------

std::vector<CString> CGXComboBox::ListLines(const CGXStyle& style) { return SplitLines(style.GetChoiceList()); }

int CGXComboBox::ListIndexFor(const CString& sText, BOOL bMatchText) {
  if (!bMatchText) {
    if (m_nFlags & GXComboZeroBased)
      return sText.IsEmpty() ? -1 : std::atoi(sText);
    if (m_nFlags & GXComboOneBased)
      return sText.IsEmpty() ? -1 : std::atoi(sText) - 1;
  }
  if (sText.IsEmpty())
    return -1;
  if (bMatchText)
    for (int i = 0; i < (int)m_lines.size(); ++i)
      if (m_lines[i].CompareNoCase(sText) == 0)
        return i;
  for (int i = 0; i < (int)m_lines.size(); ++i)
    if (BeginsNoCase(m_lines[i], sText))
      return i;
  return -1;
}

CString CGXComboBox::ValueOfListLine(int nIndex) {
  if (m_nFlags & GXComboZeroBased)
    return IndexText(nIndex);
  if (m_nFlags & GXComboOneBased)
    return IndexText(nIndex + 1);
  return m_lines[nIndex];
}

void CGXComboBox::FillListBox() {
  CGXStyle style;
  m_pGrid->ComposeStyleRowCol(m_nRow, m_nCol, style);
  m_lines = ListLines(style);
  const CString sText = m_bActive ? m_sText : m_pGrid->GetValueRowCol(m_nRow, m_nCol);
  const BOOL bMatchText = m_bActive ? (m_nFlags & (GXComboTextFit | GXComboDisplayChoice)) != 0
                                    : (m_nFlags & GXComboTextFit) != 0;
  m_nListSel = ListIndexFor(sText, bMatchText);
  if (m_nListSel >= (int)m_lines.size())
    m_nListSel = -1;
}

int CGXComboBox::DropDownHeight(int nTextHeight) const {
  const int nWanted = nTextHeight * (int)m_lines.size() + nTextHeight / 2;
  return std::min(nWanted, kDefaultDropDownHeight);
}

void CGXComboBox::ShowDropDown(BOOL bShow) {
  if (!bShow) {
    if (m_bDropped)
      OnListClose(m_bActive);
    return;
  }
  if (m_bDropped || !m_bInit)
    return;
  FillListBox();
  if (m_nListSel < 0 && !m_lines.empty())
    m_nListSel = 0;
  m_bDropped = TRUE;
  if (m_nTextHeight == 0) {
    CGXDefaultMeasurer fallback;
    m_nTextHeight = GXMeasurerFor(m_pGrid, fallback).GetTextMetrics().nHeight;
  }
  if (g_pfnCreateDropDown != nullptr)
    m_pDropDownWnd = g_pfnCreateDropDown(this, m_pGrid->CalcRectFromRowCol(m_nRow, m_nCol),
                                         DropDownHeight(m_nTextHeight));
}

void CGXComboBox::SetValueFromListBox() {
  if (m_nListSel < 0 || m_nListSel >= (int)m_lines.size())
    return;
  const CString s = ValueOfListLine(m_nListSel);
  if (!m_bActive)
    SetActive(TRUE);
  SetValue(s);
  SetSel(0, -1);
  SetModify(TRUE);
  Refresh();
}

void CGXComboBox::OnListSelect() {
  if (!m_bDropped)
    return;
  if (!IsReadOnly())
    SetValueFromListBox();
  m_bDropped = FALSE;
  delete m_pDropDownWnd;
  m_pDropDownWnd = nullptr;
  NotifyChanged();
}

void CGXComboBox::OnListClose(BOOL bKeepFocus) {
  if (!m_bDropped)
    return;
  m_bDropped = FALSE;
  delete m_pDropDownWnd;
  m_pDropDownWnd = nullptr;
  if (bKeepFocus) {
    NotifyChanged();
  } else {
    SetActive(FALSE);
    SetModify(FALSE);
    Refresh();
  }
}

void CGXComboBox::OnListSelChange() {
  if (IsReadOnly())
    return;
  SetValueFromListBox();
  NotifyChanged();
  if (m_pDropDownWnd != nullptr)
    m_pDropDownWnd->UpdateList();
}

void CGXComboBox::OnListClick(int nIndex) {
  if (!m_bDropped || nIndex < 0 || nIndex >= (int)m_lines.size())
    return;
  m_nListSel = nIndex;
  OnListSelect();
  m_pGrid->RedrawRowCol(CGXCellRange(m_nRow, m_nCol, m_nRow, m_nCol));
}

BOOL CGXComboBox::ListKeyDown(UINT nChar) {
  const int nCount = (int)m_lines.size();
  switch (nChar) {
    case kVkUp:
    case kVkDown:
    case kVkPrior:
    case kVkNext: {
      if (nCount == 0)
        return TRUE;
      const int nStep = nChar == kVkUp ? -1 : nChar == kVkDown ? 1 : nChar == kVkPrior ? -5 : 5;
      const int nNew = std::clamp(m_nListSel < 0 ? 0 : m_nListSel + nStep, 0, nCount - 1);
      if (nNew != m_nListSel) {
        m_nListSel = nNew;
        OnListSelChange();
      }
      return TRUE;
    }
    case kVkReturn:
      OnListSelect();
      return TRUE;
    case kVkEscape:
      OnListClose(TRUE);
      return TRUE;
    case kVkTab:
      // The choice is taken and the grid moves on, as after Tab in the edit.
      OnListSelect();
      return FALSE;
    default:
      return FALSE;
  }
}

// --- the multi-column combo cell --------------------------------------------------------------------

CGXTabbedComboBox::CGXTabbedComboBox(CGXGridCore* pGrid, UINT nEditID, UINT nListBoxID)
    : CGXComboBox(pGrid, nEditID, nListBoxID, GXComboNoTextFit) {
  m_bSizeToContent = FALSE;
}

CGXTabbedComboBox::Columns CGXTabbedComboBox::ReadColumns(const CGXStyle& style) {
  Columns c;
  c.nKey = std::atoi(AttrText(style, GX_IDS_UA_TABLIST_KEYCOL));
  c.nText = std::atoi(AttrText(style, GX_IDS_UA_TABLIST_TEXTCOL));
  const CString sShowAll = AttrText(style, GX_IDS_UA_TABLIST_SHOWALLCOLS);
  c.bShowAll = style.HasUserAttribute(GX_IDS_UA_TABLIST_SHOWALLCOLS) ? std::atoi(sShowAll) != 0 : TRUE;
  c.bTitles = std::atoi(AttrText(style, GX_IDS_UA_TABLIST_TITLES)) != 0;
  c.nSort = style.HasUserAttribute(GX_IDS_UA_TABLIST_SORTCOL) ? std::atoi(AttrText(style, GX_IDS_UA_TABLIST_SORTCOL))
                                                               : -1;
  return c;
}

void CGXTabbedComboBox::Init(ROWCOL nRow, ROWCOL nCol) { CGXComboBox::Init(nRow, nCol); }

CString CGXTabbedComboBox::EditTextForValue(LPCTSTR pszValue) {
  const CGXStyle* pStyle = LoadStyle();
  if (pStyle == nullptr)
    return CString();
  CString s;
  GetControlText(s, m_nRow, m_nCol, pszValue != nullptr ? pszValue : "", *pStyle);
  return s;
}

BOOL CGXTabbedComboBox::GetValue(CString& s) {
  if (!m_bInit)
    return FALSE;
  if (m_sText.IsEmpty()) {
    s.Empty();
    return TRUE;
  }
  const CGXStyle* pStyle = LoadStyle();
  const Columns c = ReadColumns(*pStyle);
  if (m_bValueByPrefix)
    return GXTabbedKeyForText(m_sText, pStyle->GetChoiceList(), c.nKey, c.nText, c.bTitles, s);
  CString sLine;
  if (GXFindChoiceListEntry(m_sText, c.nText, pStyle->GetChoiceList(), c.bTitles, sLine, TRUE) < 0)
    return FALSE;
  s = GXGetTabField(sLine, c.nKey);
  return TRUE;
}

BOOL CGXTabbedComboBox::GetControlText(CString& s, ROWCOL nRow, ROWCOL nCol, LPCTSTR pszValue,
                                       const CGXStyle& style) {
  (void)nRow, (void)nCol;
  s.Empty();
  const CString sValue = pszValue != nullptr ? CString(pszValue) : style.GetValue();
  const Columns c = ReadColumns(style);
  CString sLine;
  if (sValue.IsEmpty() || GXFindChoiceListEntry(sValue, c.nKey, style.GetChoiceList(), c.bTitles, sLine, TRUE) < 0)
    return FALSE;
  s = GXGetTabField(sLine, c.nText);
  return TRUE;
}

BOOL CGXTabbedComboBox::ConvertControlTextToValue(CString& s, ROWCOL nRow, ROWCOL nCol, const CGXStyle* pStyle) {
  if (s.IsEmpty())
    return TRUE;
  CGXStyle composed;
  if (pStyle == nullptr) {
    m_pGrid->ComposeStyleRowCol(nRow, nCol, composed);
    pStyle = &composed;
  }
  if (!pStyle->GetInclude(CGXStyle::gxChoiceList))
    return FALSE;
  const Columns c = ReadColumns(*pStyle);
  CString sLine;
  if (GXFindChoiceListEntry(s, c.nText, pStyle->GetChoiceList(), c.bTitles, sLine, TRUE) < 0)
    return FALSE;
  s = GXGetTabField(sLine, c.nKey);
  return TRUE;
}

// Only answers: a typed prefix is never made another name of a line, so that a later exact look-up of
// that prefix (storing it) is still refused.
BOOL CGXTabbedComboBox::ValidateText(const CString& s) {
  const CGXStyle* pStyle = LoadStyle();
  if (s.IsEmpty() || pStyle == nullptr || !pStyle->GetInclude(CGXStyle::gxChoiceList))
    return TRUE;
  const Columns c = ReadColumns(*pStyle);
  CString sLine;
  return GXFindChoiceListEntry(s, c.nText, pStyle->GetChoiceList(), c.bTitles, sLine, FALSE) >= 0;
}

BOOL CGXTabbedComboBox::ValidateInput() {
  if (IsActive() && GetModify()) {
    CString s;
    if (!GetValue(s))
      return FALSE;
  }
  return CGXComboBox::ValidateInput();
}

std::vector<CString> CGXTabbedComboBox::ListLines(const CGXStyle& style) {
  std::vector<CString> lines = SplitLines(style.GetChoiceList());
  const Columns c = ReadColumns(style);
  if (c.bTitles && !lines.empty())
    lines.erase(lines.begin());
  if (c.nSort >= 0)
    std::stable_sort(lines.begin(), lines.end(), [&c](const CString& a, const CString& b) {
      return GXGetTabField(a, c.nSort).CompareNoCase(GXGetTabField(b, c.nSort)) < 0;
    });
  return lines;
}

int CGXTabbedComboBox::ListIndexFor(const CString& sText, BOOL bMatchText) {
  (void)bMatchText;
  const CGXStyle* pStyle = LoadStyle();
  if (pStyle == nullptr || sText.IsEmpty())
    return -1;
  const Columns c = ReadColumns(*pStyle);
  // The edit shows the text column; the stored value is the key.
  const BOOL bEditing = m_bActive;
  for (int i = 0; i < (int)m_lines.size(); ++i)
    if (GXGetTabField(m_lines[i], bEditing ? c.nText : c.nKey) == sText)
      return i;
  for (int i = 0; i < (int)m_lines.size(); ++i)
    if (BeginsNoCase(GXGetTabField(m_lines[i], bEditing ? c.nText : c.nKey), sText))
      return i;
  return -1;
}

CString CGXTabbedComboBox::ValueOfListLine(int nIndex) {
  const CGXStyle* pStyle = LoadStyle();
  return pStyle != nullptr ? GXGetTabField(m_lines[nIndex], ReadColumns(*pStyle).nKey) : CString();
}

void CGXTabbedComboBox::AddUserAttributes(CGXStylesMap* pStylesMap) {
  CGXStyle check;
  check.SetControl(52523).SetHAlign(1).SetVerticalAlignment(4);
  pStylesMap->AddUserAttribute(GX_IDS_UA_TABLIST_KEYCOL);
  pStylesMap->AddUserAttribute(GX_IDS_UA_TABLIST_TEXTCOL);
  pStylesMap->AddUserAttribute(GX_IDS_UA_TABLIST_SHOWALLCOLS, &check);
  pStylesMap->AddUserAttribute(GX_IDS_UA_TABLIST_TITLES, &check);
  pStylesMap->AddUserAttribute(GX_IDS_UA_TABLIST_SORTCOL);
  pStylesMap->AddUserAttribute(GX_IDS_UA_TABLIST_UNIQUEID);
}
