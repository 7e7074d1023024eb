// The cell control base's defaults: binding, validation against the cell's minimum and maximum,
// the display text and the stored value, choice lists, the child routing of mouse and keys, and the
// double-byte character accumulation.
// Not for: any control's own look or editing (grid/controls).
#include "GXControl.h"

#include "GXGridCore.h"
#include "GXGridState.h"
#include "GXStylesMap.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#ifdef FindText
#undef FindText
#endif

const GXCONTROLCLASS CGXControl::classCGXControl = {"CGXControl", nullptr};

namespace {

enum : UINT {
  kWmKeyDown = 0x100,
  kWmKeyUp = 0x101,
  kWmChar = 0x102,
  kWmDeadChar = 0x103,
  kWmSysKeyDown = 0x104,
  kWmSysKeyUp = 0x105,
  kWmSysChar = 0x106,
  kWmSysDeadChar = 0x107,
  kWmHScroll = 0x114,
  kWmVScroll = 0x115
};
const DWORD kColorBtnHighlight = 20;

// The grid parameter's read-only lock with the grid's or the style's read-only state.
BOOL ReadOnlyFor(CGXGridCore* pGrid, const CGXStyle* pStyle) {
  const CGXGridParam* pParam = pGrid->GetParam();
  if (pParam == nullptr || !pParam->m_bLockReadOnly)
    return FALSE;
  return pGrid->IsReadOnly() || (pStyle != nullptr && pStyle->GetIncludeBits() != 0 &&
                                 pStyle->GetInclude(CGXStyle::gxReadOnly) && pStyle->GetReadOnly());
}

// The first line of a text and the rest after its break (CR, LF or CR LF); FALSE when nothing is left.
BOOL TakeLine(const char*& p, CString& sLine) {
  if (p == nullptr || *p == 0)
    return FALSE;
  const char* pStart = p;
  while (*p != 0 && *p != '\r' && *p != '\n')
    ++p;
  sLine = CString(pStart, (int)(p - pStart));
  if (*p == '\r')
    ++p;
  if (*p == '\n')
    ++p;
  return TRUE;
}

BOOL EqualNoCase(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (std::tolower((unsigned char)a[i]) != std::tolower((unsigned char)b[i]))
      return FALSE;
    if (a[i] == 0)
      return TRUE;
  }
  return TRUE;
}

}  // namespace

// --- children --------------------------------------------------------------------------------------

BOOL CGXChild::HasFocus() const { return m_pParent != nullptr && m_pParent->GetFocusChild() == this; }

void CGXChild::Draw(CGXGridSurface& surface, BOOL bActive, const CGXStyle& style) {
  (void)style;
  Draw(surface, bActive);
}

void CGXChild::Refresh() {
  if (m_pParent != nullptr && !m_rect.IsRectEmpty())
    m_pParent->Grid()->WndInvalidateRect(&m_rect, TRUE);
}

BOOL CGXChild::ProcessKeys(UINT nMessage, UINT nChar, UINT nRepCnt, UINT nFlags) {
  switch (nMessage) {
    case kWmKeyDown:
      return KeyDown(nChar, nRepCnt, nFlags);
    case kWmKeyUp:
      return KeyUp(nChar, nRepCnt, nFlags);
    case kWmChar: {
      CString s;
      if (CGXControl::AccumulateDoubleByteChar(nChar, s, m_bLeadPending, m_nLeadByte))
        return s.IsEmpty() ? TRUE : CharString(s, nRepCnt, nFlags);
      return Char(nChar, nRepCnt, nFlags);
    }
    case kWmDeadChar:
      return DeadChar(nChar, nRepCnt, nFlags);
    case kWmSysKeyDown:
      return SysKeyDown(nChar, nRepCnt, nFlags);
    case kWmSysKeyUp:
      return SysKeyUp(nChar, nRepCnt, nFlags);
    case kWmSysChar:
      return SysChar(nChar, nRepCnt, nFlags);
    case kWmSysDeadChar:
      return SysDeadChar(nChar, nRepCnt, nFlags);
    default:
      return FALSE;
  }
}

// --- construction, class records --------------------------------------------------------------------

CGXControl::~CGXControl() {
  delete m_pStyle;
  if (m_pChildList != nullptr) {
    for (POSITION pos = m_pChildList->GetHeadPosition(); pos != nullptr;)
      delete static_cast<CGXChild*>(m_pChildList->GetNext(pos));
    delete m_pChildList;
  }
}

BOOL CGXControl::IsKindOf(const GXCONTROLCLASS* pClass) const {
  for (const GXCONTROLCLASS* p = GetRuntimeClass(); p != nullptr; p = p->pBase)
    if (p == pClass || std::strcmp(p->pszName, pClass->pszName) == 0)
      return TRUE;
  return FALSE;
}

// --- binding ---------------------------------------------------------------------------------------

CGXStyle* CGXControl::LoadStyle() {
  if (m_pStyle == nullptr && m_bInit) {
    CGXStyle style;
    m_pGrid->ComposeStyleRowCol(m_nRow, m_nCol, style);
    m_pStyle = style.Clone();
  }
  return m_pStyle;
}

void CGXControl::FreeStyle(BOOL bNotify) {
  (void)bNotify;  // the engine composes the current cell's style afresh each time; nothing to empty
  delete m_pStyle;
  m_pStyle = nullptr;
}

CRect CGXControl::BoundInnerRect() { return CGXControl::GetCellRect(m_nRow, m_nCol); }

void CGXControl::Init(ROWCOL nRow, ROWCOL nCol) {
  m_nRow = nRow;
  m_nCol = nCol;
  m_bInit = TRUE;
  SetActive(FALSE);
  SetModify(FALSE);
  FreeStyle(FALSE);
  SetFocusChild(nullptr);
  InitChildren(nRow, nCol, BoundInnerRect());
  m_pGrid->OnInitCurrentCell(nRow, nCol);
  const CGXGridParam* pParam = m_pGrid->GetParam();
  if (pParam != nullptr && (pParam->m_nActivateFlags & 4) && BeginEditing())
    SetActive(TRUE);
}

void CGXControl::Reset() {
  Hide();
  SetModify(FALSE);
  SetActive(FALSE);
  FreeStyle(TRUE);
  m_bInit = FALSE;
}

void CGXControl::Refresh() {
  if (!m_bInit)
    return;
  Hide();
  CRect rect = m_pGrid->CalcRectFromRowCol(m_nRow, m_nCol);
  m_pGrid->WndInvalidateRect(&rect, TRUE);
}

// --- editing and its notifications ------------------------------------------------------------------

BOOL CGXControl::ValidateInput() {
  if (IsActive() && GetModify()) {
    CString s;
    GetCurrentText(s);
    if (!s.IsEmpty()) {
      CGXStyle style;
      m_pGrid->ComposeStyleRowCol(m_nRow, m_nCol, style);
      const CString sMin = UserAttributeText(style, GX_IDS_UA_VALID_MIN);
      const CString sMax = UserAttributeText(style, GX_IDS_UA_VALID_MAX);
      const double d = std::atof(s);
      if ((!sMin.IsEmpty() && d < std::atof(sMin)) || (!sMax.IsEmpty() && d > std::atof(sMax))) {
        m_pGrid->SetWarningText(UserAttributeText(style, GX_IDS_UA_VALID_MSG));
        return FALSE;
      }
    }
    if (!ValidateText(s))
      return FALSE;
  }
  return m_pGrid->OnValidateCell(m_nRow, m_nCol);
}

BOOL CGXControl::BeginEditing() {
  if (!m_bInit || !m_pGrid->OnStartEditing(m_nRow, m_nCol))
    return FALSE;
  m_pGrid->ScrollCellInView(m_nRow, m_nCol, GX_UPDATENOW);
  return TRUE;
}

void CGXControl::NotifyChanged() {
  if (GetModify())
    m_pGrid->OnModifyCell(m_nRow, m_nCol);
}

BOOL CGXControl::QueryCancelEditing() { return m_pGrid->OnCancelEditing(m_nRow, m_nCol); }

void CGXControl::NotifyEditingCanceled() { m_pGrid->OnCanceledEditing(m_nRow, m_nCol); }

BOOL CGXControl::NotifyEditingEnded() {
  m_pGrid->OnEndEditing(m_nRow, m_nCol);
  return TRUE;
}

BOOL CGXControl::NotifyCellLeft(ROWCOL nNewRow, ROWCOL nNewCol) {
  return m_pGrid->OnLeftCell(m_nRow, m_nCol, nNewRow, nNewCol);
}

BOOL CGXControl::QueryDeleteContents() { return m_pGrid->OnDeleteCell(m_nRow, m_nCol); }

// --- geometry --------------------------------------------------------------------------------------

// The engine hands the controls the rectangle inside the cell's grid lines and borders already; the
// rectangle of a cell given by row and column is taken from the engine the same way.
CRect CGXControl::GetCellRect(ROWCOL nRow, ROWCOL nCol, const CRect* pRect, const CGXStyle* pStyle) {
  (void)pStyle;
  if (pRect != nullptr)
    return *pRect;
  if (nRow == (ROWCOL)-1 || nCol == (ROWCOL)-1)
    return CRect();
  CRect rect = m_pGrid->CalcRectFromRowCol(nRow, nCol);
  if (!rect.IsRectEmpty()) {
    rect.right -= 1;
    rect.bottom -= 1;
  }
  return rect;
}

CSize CGXControl::AddBorders(CSize size, const CGXStyle& style) {
  (void)style;
  return CSize(size.cx + 1, size.cy + 1);
}

CSize CGXControl::CalcSize(CGXTextMeasurer& m, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style, BOOL bHeight) {
  (void)m, (void)nRow, (void)nCol, (void)style, (void)bHeight;
  return CSize(0, 0);
}

BOOL CGXControl::CanFloatCell(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style, BOOL bFloatCell) {
  (void)nRow, (void)nCol, (void)style, (void)bFloatCell;
  return FALSE;
}

BOOL CGXControl::HasText(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style) {
  (void)nRow, (void)nCol;
  return !style.GetValue().IsEmpty();
}

void CGXControl::DrawCurrentCellFrame(CGXGridSurface& surface, const CRect& rect) {
  surface.InvertRect(CRect(rect.left, rect.top, rect.right, rect.top + 2));
  surface.InvertRect(CRect(rect.left, rect.bottom - 2, rect.right, rect.bottom));
  surface.InvertRect(CRect(rect.left, rect.top + 2, rect.left + 2, rect.bottom - 2));
  surface.InvertRect(CRect(rect.right - 2, rect.top + 2, rect.right, rect.bottom - 2));
}

void CGXControl::Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style) {
  InitChildren(nRow, nCol, rect);
  // The children of the current cell are drawn active (a combo's button shows only there).
  const BOOL bActive = m_pGrid->IsCurrentCell(nRow, nCol);
  for (int i = 0; i < GetChildCount(); ++i)
    if (CGXChild* pChild = GetChild(i))
      pChild->Draw(surface, bActive, style);
}

void CGXControl::DrawBackground(CGXGridSurface& surface, const CRect& rect, const CGXStyle& style, BOOL bErase) {
  if (bErase && style.GetInclude(CGXStyle::gxInterior))
    surface.FillRect(rect, style.GetInterior().GetColor() & 0xFFFFFF);
  Draw3dFrame(surface, rect, style);
}

void CGXControl::Draw3dFrame(CGXGridSurface& surface, const CRect& rect, const CGXStyle& style) {
  const UINT nKind = style.GetInclude(CGXStyle::gxDraw3dFrame) ? style.GetDraw3dFrame() : 0;
  if (nKind != 1 && nKind != 2)
    return;
  const DWORD light = GXGetSysColorState()->GetColor(kColorBtnHighlight) & 0xFFFFFF;
  const DWORD dark = 0;
  const DWORD topLeft = nKind == 1 ? light : dark;
  const DWORD bottomRight = nKind == 1 ? dark : light;
  surface.FillRect(CRect(rect.left, rect.top, rect.right, rect.top + 1), topLeft);
  surface.FillRect(CRect(rect.left, rect.top, rect.left + 1, rect.bottom), topLeft);
  surface.FillRect(CRect(rect.left, rect.bottom - 1, rect.right, rect.bottom), bottomRight);
  surface.FillRect(CRect(rect.right - 1, rect.top, rect.right, rect.bottom), bottomRight);
}

// --- texts and values ------------------------------------------------------------------------------

BOOL CGXControl::GetCurrentText(CString& s) {
  if (m_pStyle != nullptr && m_pStyle->GetInclude(CGXStyle::gxValue)) {
    s = m_pStyle->GetValue();
    return TRUE;
  }
  s.Empty();
  if (!m_bInit)
    return FALSE;
  LoadStyle();
  return GetControlText(s, m_nRow, m_nCol, nullptr, *m_pStyle);
}

BOOL CGXControl::SetCurrentText(const CString& s) {
  if (!m_bInit)
    return FALSE;
  return StoreValue(m_nRow, m_nCol, s);
}

BOOL CGXControl::GetValue(CString& s) {
  if (!m_bInit || LoadStyle() == nullptr || !m_pStyle->GetInclude(CGXStyle::gxValue))
    return FALSE;
  s = m_pStyle->GetValue();
  return TRUE;
}

void CGXControl::SetValue(LPCTSTR pszValue) {
  if (m_bInit && LoadStyle() != nullptr)
    m_pStyle->SetValue(pszValue);
}

BOOL CGXControl::GetControlText(CString& s, ROWCOL nRow, ROWCOL nCol, LPCTSTR pszValue, const CGXStyle& style) {
  (void)nRow, (void)nCol;
  if (pszValue != nullptr) {
    s = pszValue;
    return TRUE;
  }
  if (!style.GetInclude(CGXStyle::gxValue)) {
    s.Empty();
    return FALSE;
  }
  s = style.GetValue();
  return TRUE;
}

CString CGXControl::GetControlText(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style) {
  CString s;
  GetControlText(s, nRow, nCol, nullptr, style);
  return s;
}

BOOL CGXControl::SetControlText(ROWCOL nRow, ROWCOL nCol, const CString& s, UINT nFlags, const CGXStyle* pStyle) {
  CGXStyle composed;
  if (pStyle == nullptr) {
    m_pGrid->ComposeStyleRowCol(nRow, nCol, composed);
    pStyle = &composed;
  }
  CString sValue = s;
  if (!ConvertControlTextToValue(sValue, nRow, nCol, pStyle))
    return FALSE;
  if (ReadOnlyFor(m_pGrid, pStyle))
    return FALSE;
  if (pStyle->GetInclude(CGXStyle::gxMaxLength) && pStyle->GetMaxLength() > 0 &&
      sValue.GetLength() > (int)pStyle->GetMaxLength())
    sValue = sValue.Left(pStyle->GetMaxLength());
  return m_pGrid->SetValueRange(CGXCellRange(nRow, nCol, nRow, nCol), sValue, nFlags);
}

BOOL CGXControl::ConvertControlTextToValue(CString& s, ROWCOL nRow, ROWCOL nCol, const CGXStyle* pStyle) {
  (void)s, (void)nRow, (void)nCol, (void)pStyle;
  return TRUE;
}

BOOL CGXControl::StoreValue(ROWCOL nRow, ROWCOL nCol, const CString& s, UINT nFlags) {
  return m_pGrid->SetValueRange(CGXCellRange(nRow, nCol, nRow, nCol), s, nFlags);
}

BOOL CGXControl::StoreStyle(ROWCOL nRow, ROWCOL nCol, const CGXStyle* pStyle, int nMode, int nType,
                            const CGXStyle* pCellStyle) {
  const CGXGridParam* pParam = m_pGrid->GetParam();
  if ((pParam != nullptr && pParam->m_bLockReadOnly && m_pGrid->IsReadOnly()) ||
      (pCellStyle != nullptr && pCellStyle->GetInclude(CGXStyle::gxReadOnly) && pCellStyle->GetReadOnly()))
    return FALSE;
  if (!m_pGrid->StoreStyleRowCol(nRow, nCol, pStyle, nMode, nType))
    return FALSE;
  if (m_pGrid->IsCurrentCell(nRow, nCol)) {
    if (!IsInit(nRow, nCol) || nMode == CGXStyle::modeDelete) {
      Init(nRow, nCol);
    } else {
      FreeStyle(TRUE);
      LoadStyle();
      const BOOL bModified = GetModify();
      if (pStyle != nullptr && pStyle->GetInclude(CGXStyle::gxValue) && !pStyle->GetInclude(CGXStyle::gxControl))
        SetValue(pStyle->GetValue());
      Refresh();
      SetModify(nMode == CGXStyle::modeCopy ? FALSE : bModified);
    }
  }
  return TRUE;
}

BOOL CGXControl::ApplyEditedValue(ROWCOL nRow, ROWCOL nCol, CGXStyle* pStyle) {
  if (IsInit(nRow, nCol) && m_pGrid->IsCurrentCell(nRow, nCol) && pStyle != nullptr) {
    CString s;
    if (GetValue(s))
      pStyle->SetValue(s);
  }
  return FALSE;
}

BOOL CGXControl::GetChoiceListItem(CString& s, LPCTSTR pszChoiceList, int nIndex) {
  s.Empty();
  if (pszChoiceList == nullptr || nIndex < 0)
    return FALSE;
  const char* p = pszChoiceList;
  CString sLine;
  for (int i = 0; TakeLine(p, sLine); ++i)
    if (i == nIndex) {
      s = sLine;
      return TRUE;
    }
  return FALSE;
}

int CGXControl::FindChoiceListItem(CString& sFound, LPCTSTR pszText, LPCTSTR pszChoiceList, BOOL bExact) {
  sFound.Empty();
  if (pszText == nullptr || *pszText == 0 || pszChoiceList == nullptr)
    return -1;
  const size_t nLen = std::strlen(pszText);
  const char* p = pszChoiceList;
  CString sLine, sPrefix;
  int nPrefix = -1;
  for (int i = 0; TakeLine(p, sLine); ++i) {
    if (sLine.CompareNoCase(pszText) == 0) {
      sFound = sLine;
      return i;
    }
    if (!bExact && nPrefix < 0 && (size_t)sLine.GetLength() >= nLen && EqualNoCase(sLine, pszText, nLen)) {
      nPrefix = i;
      sPrefix = sLine;
    }
  }
  if (nPrefix >= 0)
    sFound = sPrefix;
  return nPrefix;
}

CString CGXControl::UserAttributeText(const CGXStyle& style, WORD nId) {
  if (!style.GetInclude(CGXStyle::gxUserAttr) || !style.HasUserAttribute(nId))
    return CString();
  return style.GetCustomAttr(nId).GetValue();
}

// --- mouse -----------------------------------------------------------------------------------------

#define GX_CHILD_DOWN(fn, button)                                     \
  BOOL CGXControl::fn(UINT nFlags, CPoint point) {                    \
    if (!m_bInit)                                                     \
      return FALSE;                                                   \
    InitChildren(m_nRow, m_nCol, BoundInnerRect());                   \
    for (int i = 0; i < GetChildCount(); ++i) {                       \
      CGXChild* pChild = GetChild(i);                                 \
      if (pChild != nullptr && pChild->Intersects(point)) {           \
        SetFocusChild(pChild);                                        \
        return pChild->fn(nFlags, point);                             \
      }                                                               \
    }                                                                 \
    return FALSE;                                                     \
  }

#define GX_CHILD_UP(fn, button)                                                       \
  BOOL CGXControl::fn(UINT nFlags, CPoint point) {                                    \
    if (!m_bInit)                                                                     \
      return FALSE;                                                                   \
    const CRect inner = BoundInnerRect();                                             \
    InitChildren(m_nRow, m_nCol, inner);                                              \
    BOOL bResult = FALSE;                                                             \
    if (CGXChild* pChild = GetFocusChild())                                           \
      bResult = pChild->fn(nFlags, point);                                            \
    if (inner.PtInRect(point))                                                        \
      bResult |= m_pGrid->OnClickedRowCol(button, FALSE, m_nRow, m_nCol, nFlags, point); \
    return bResult;                                                                   \
  }

#define GX_CHILD_DBL(fn, button)                                                     \
  BOOL CGXControl::fn(UINT nFlags, CPoint point) {                                   \
    if (!m_bInit)                                                                    \
      return FALSE;                                                                  \
    InitChildren(m_nRow, m_nCol, BoundInnerRect());                                  \
    BOOL bResult = FALSE;                                                            \
    for (int i = 0; i < GetChildCount() && !bResult; ++i) {                          \
      CGXChild* pChild = GetChild(i);                                                \
      if (pChild != nullptr && pChild->Intersects(point)) {                          \
        SetFocusChild(pChild);                                                       \
        bResult = pChild->fn(nFlags, point);                                         \
      }                                                                              \
    }                                                                                \
    return bResult | m_pGrid->OnClickedRowCol(button, TRUE, m_nRow, m_nCol, nFlags, point); \
  }

GX_CHILD_DOWN(LButtonDown, 0)
GX_CHILD_DOWN(MButtonDown, 1)
GX_CHILD_DOWN(RButtonDown, 2)
GX_CHILD_UP(LButtonUp, 0)
GX_CHILD_UP(MButtonUp, 1)
GX_CHILD_UP(RButtonUp, 2)
GX_CHILD_DBL(LButtonDblClk, 0)
GX_CHILD_DBL(MButtonDblClk, 1)
GX_CHILD_DBL(RButtonDblClk, 2)

#undef GX_CHILD_DOWN
#undef GX_CHILD_UP
#undef GX_CHILD_DBL

BOOL CGXControl::MouseMove(UINT nFlags, CPoint point) {
  if (!m_bInit)
    return FALSE;
  InitChildren(m_nRow, m_nCol, BoundInnerRect());
  CGXChild* pChild = GetFocusChild();
  return pChild != nullptr ? pChild->MouseMove(nFlags, point) : FALSE;
}

BOOL CGXControl::MouseMoveOver(ROWCOL nRow, ROWCOL nCol, UINT nFlags, CPoint point) {
  InitChildren(nRow, nCol, GetCellRect(nRow, nCol));
  BOOL bResult = FALSE;
  for (int i = 0; i < GetChildCount() && !bResult; ++i) {
    CGXChild* pChild = GetChild(i);
    if (pChild != nullptr && pChild->Intersects(point))
      bResult = pChild->MouseMoveOver(nFlags, point);
  }
  return bResult | m_pGrid->OnMouseMoveOverRowCol(nRow, nCol, nFlags, point);
}

// --- keys ------------------------------------------------------------------------------------------

namespace {
GX_ISLEADBYTE_PROC g_pfnIsLeadByte = nullptr;
}  // namespace

void GXSetIsLeadByteProc(GX_ISLEADBYTE_PROC pfn) { g_pfnIsLeadByte = pfn; }

BOOL CGXControl::AccumulateDoubleByteChar(UINT nChar, CString& sText, BOOL& bPending, BYTE& nLeadByte) {
  const BYTE c = (BYTE)nChar;
  if (bPending) {
    bPending = FALSE;
    const char pair[2] = {(char)nLeadByte, (char)c};
    sText = CString(pair, 2);
    return TRUE;
  }
  if (g_pfnIsLeadByte != nullptr && g_pfnIsLeadByte(c)) {
    bPending = TRUE;
    nLeadByte = c;
    sText.Empty();
    return TRUE;
  }
  const char one = (char)c;
  sText = CString(&one, 1);
  return FALSE;
}

BOOL CGXControl::ProcessKeys(UINT nMessage, UINT nChar, UINT nRepCnt, UINT nFlags) {
  if (CGXChild* pChild = GetFocusChild())
    if (pChild->ProcessKeys(nMessage, nChar, nRepCnt, nFlags))
      return TRUE;
  switch (nMessage) {
    case kWmKeyDown:
      return KeyDown(nChar, nRepCnt, nFlags);
    case kWmKeyUp:
      return KeyUp(nChar, nRepCnt, nFlags);
    case kWmChar: {
      CString s;
      if (AccumulateDoubleByteChar(nChar, s, m_bLeadPending, m_nLeadByte))
        return s.IsEmpty() ? TRUE : CharString(s, nRepCnt, nFlags);
      return Char(nChar, nRepCnt, nFlags);
    }
    case kWmDeadChar:
      return DeadChar(nChar, nRepCnt, nFlags);
    case kWmSysKeyDown:
      return SysKeyDown(nChar, nRepCnt, nFlags);
    case kWmSysKeyUp:
      return SysKeyUp(nChar, nRepCnt, nFlags);
    case kWmSysChar:
      return SysChar(nChar, nRepCnt, nFlags);
    case kWmSysDeadChar:
      return SysDeadChar(nChar, nRepCnt, nFlags);
    default:
      return FALSE;
  }
}

// --- clipboard, find and replace -------------------------------------------------------------------

namespace {
GX_SETCLIPBOARDTEXT_PROC g_pfnSetClipboard = nullptr;
GX_GETCLIPBOARDTEXT_PROC g_pfnGetClipboard = nullptr;
}  // namespace

void GXSetClipboardProcs(GX_SETCLIPBOARDTEXT_PROC pfnSet, GX_GETCLIPBOARDTEXT_PROC pfnGet) {
  g_pfnSetClipboard = pfnSet;
  g_pfnGetClipboard = pfnGet;
}

// Copying and clearing whole cells belongs to the grid's cut-and-paste feature; a control copies and
// cuts the text it edits.
BOOL CGXControl::Copy() {
  if (!IsActive() || g_pfnSetClipboard == nullptr)
    return FALSE;
  CString s;
  GetSelectedText(s);
  return !s.IsEmpty() && g_pfnSetClipboard(m_pGrid, s);
}

BOOL CGXControl::Cut() {
  if (!IsActive() || !Copy())
    return FALSE;
  return ReplaceSel("");
}

BOOL CGXControl::CanCut() { return m_bInit && !(LoadStyle() != nullptr && m_pStyle->GetReadOnly()); }

BOOL CGXControl::CanPaste() {
  if (!m_bInit || !IsActive() || (LoadStyle() != nullptr && m_pStyle->GetReadOnly()) || g_pfnGetClipboard == nullptr)
    return FALSE;
  CString s;
  return g_pfnGetClipboard(m_pGrid, s);
}

BOOL CGXControl::Paste() {
  if (!m_bInit || !IsActive() || (LoadStyle() != nullptr && m_pStyle->GetReadOnly()) || g_pfnGetClipboard == nullptr)
    return FALSE;
  CString s;
  if (!g_pfnGetClipboard(m_pGrid, s))
    return FALSE;
  if (ValidateInsertion(s))
    ReplaceSel(s);
  return TRUE;
}

BOOL CGXControl::GetSortKey(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style, CString& sKey) {
  (void)nRow, (void)nCol;
  sKey = style.GetValue();
  return TRUE;
}

BOOL CGXControl::FindText(LPCTSTR pszFind, BOOL bMatchCase, ROWCOL nRow, ROWCOL nCol, BOOL bCurrentPos,
                          BOOL bSetCell) {
  (void)pszFind, (void)bMatchCase, (void)nRow, (void)nCol, (void)bCurrentPos, (void)bSetCell;
  return FALSE;
}

BOOL CGXControl::ReplaceSel(LPCTSTR pszText) {
  if (!m_bInit || !m_pGrid->IsCurrentCell(m_nRow, m_nCol))
    return FALSE;
  return StoreValue(m_nRow, m_nCol, pszText);
}

BOOL CGXControl::ReplaceAll(LPCTSTR pszFind, LPCTSTR pszReplace, BOOL bMatchCase, ROWCOL nRow, ROWCOL nCol) {
  (void)pszFind, (void)pszReplace, (void)bMatchCase, (void)nRow, (void)nCol;
  return FALSE;
}

BOOL CGXControl::GetSelectedText(CString& s) {
  GetCurrentText(s);
  return FALSE;
}

BOOL CGXControl::OnClickedButton(CGXChild* pChild) {
  (void)pChild;
  return m_pGrid->OnClickedButtonRowCol(m_nRow, m_nCol);
}

BOOL CGXControl::HandleGridMessage(UINT nMessage) {
  if ((nMessage != kWmHScroll && nMessage != kWmVScroll) || !IsActive())
    return FALSE;
  CGXCellRange covered;
  if (!m_pGrid->GetCoveredCellsRange(m_nRow, m_nCol, covered))
    return FALSE;
  const ROWCOL nFrozenRows = m_pGrid->GetFrozenRows(), nFrozenCols = m_pGrid->GetFrozenCols();
  const BOOL bStraddles = (covered.left <= nFrozenCols && covered.right > nFrozenCols) ||
                          (covered.top <= nFrozenRows && covered.bottom > nFrozenRows);
  if (!bStraddles)
    return FALSE;
  if (GetModify())
    Store();
  SetActive(FALSE);
  Refresh();
  return TRUE;
}

void CGXControl::UpdateSettings(UINT nFlags) {
  for (int i = 0; i < GetChildCount(); ++i)
    if (CGXChild* pChild = GetChild(i))
      pChild->UpdateSettings(nFlags);
}

void CGXControl::UpdateSysColors() {
  for (int i = 0; i < GetChildCount(); ++i)
    if (CGXChild* pChild = GetChild(i))
      pChild->UpdateSysColors();
}

BOOL CGXControl::IsReadOnly() { return ReadOnlyFor(m_pGrid, LoadStyle()); }

void CGXControl::CancelMode() {
  for (int i = 0; i < GetChildCount(); ++i)
    if (CGXChild* pChild = GetChild(i))
      pChild->CancelMode();
}

// Cell tips come with the cell-tip feature; without it a control needs none.
int CGXControl::NeedsCellTip(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style) {
  (void)nRow, (void)nCol, (void)style;
  return 0;
}

int CGXControl::GetCellTipKind(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style) {
  (void)nRow, (void)nCol, (void)style;
  return 0x7FFFFFFF;
}

void CGXControl::DrawCellTip(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style, void* pTipWnd) {
  (void)nRow, (void)nCol, (void)style, (void)pTipWnd;
}

BOOL CGXControl::GetMarkEditHeader(ROWCOL nRow, ROWCOL nCol, const CGXStyle& style) {
  (void)nRow, (void)nCol, (void)style;
  return FALSE;
}

// --- children --------------------------------------------------------------------------------------

void CGXControl::AddChild(CGXChild* pChild) {
  if (m_pChildList == nullptr)
    m_pChildList = new CPtrList(10);
  m_pChildList->AddTail(pChild);
}

void CGXControl::RemoveChild(CGXChild* pChild) {
  if (m_pChildList == nullptr)
    return;
  if (POSITION pos = m_pChildList->Find(pChild))
    m_pChildList->RemoveAt(pos);
  if (m_pFocusChild == pChild)
    m_pFocusChild = nullptr;
}

CGXChild* CGXControl::GetChild(int nIndex) const {
  if (m_pChildList == nullptr || nIndex < 0 || nIndex >= (int)m_pChildList->GetCount())
    return nullptr;
  return static_cast<CGXChild*>(m_pChildList->GetAt(m_pChildList->FindIndex(nIndex)));
}

int CGXControl::GetChildCount() const { return m_pChildList != nullptr ? (int)m_pChildList->GetCount() : 0; }

// --- user attributes -------------------------------------------------------------------------------

void CGXControl::AddUserAttributes(CGXStylesMap* pStylesMap) {
  CGXStyle message;
  message.SetControl(52512).SetWrapText(TRUE).SetAutoSize(TRUE);
  pStylesMap->AddUserAttribute(GX_IDS_UA_VALID_MSG, &message);
  CGXStyle bound;
  bound.SetControl(52519).SetWrapText(FALSE);
  pStylesMap->AddUserAttribute(GX_IDS_UA_VALID_MAX, &bound);
  pStylesMap->AddUserAttribute(GX_IDS_UA_VALID_MIN, &bound);
  CGXStyle rtl;
  rtl.SetControl(52523).SetVerticalAlignment(4).SetHAlign(1);
  pStylesMap->AddUserAttribute(GX_IDS_UA_RTLREADING, &rtl);
}
