// The grid engine's current cell and its edit, the keys, focus and the mouse.
//  Leaving a cell may show a message box (a failed validation) or move the focus, and either lets
// messages run while the typed text is being stored. The change-in-progress flag keeps every such
// re-entry out: a nested change, commit, deactivation or key is refused while it is set, and the
// control's modified mark is what decides a store, so a value is stored once; a store that fails puts the
// typed text back into the control and keeps edit mode.
#include "GXGridCore.h"

#include "GXControlFactory.h"
#include "GXGridState.h"

#include <algorithm>

// --- current cell -----------------------------------------------------------------------------------

BOOL CGXGridCore::GetActiveCell(ROWCOL& nRow, ROWCOL& nCol) const {
  nRow = m_nCurrentRow;
  nCol = m_nCurrentCol;
  if (!m_bActiveCell)
    return FALSE;
  if (m_nCurrentRow > GetRowCount() || m_nCurrentCol > GetColCount()) {
    const_cast<CGXGridCore*>(this)->m_bActiveCell = FALSE;
    return FALSE;
  }
  return TRUE;
}

BOOL CGXGridCore::IsCurrentCell(ROWCOL nRow, ROWCOL nCol) const {
  ROWCOL r, c;
  if (!GetActiveCell(r, c))
    return FALSE;
  return (nRow == (ROWCOL)-1 || nRow == r) && (nCol == (ROWCOL)-1 || nCol == c);
}

void CGXGridCore::SetActiveCellState(BOOL bActive, ROWCOL nRow, ROWCOL nCol) {
  if (!bActive) {
    m_bActiveCell = FALSE;
    return;
  }
  m_nCurrentRow = m_nCurrentCol = 0;
  m_bActiveCell = FALSE;
  m_pCurrentControl = GetCellControl(nRow, nCol);
  m_nCurrentRow = nRow;
  m_nCurrentCol = nCol;
  if (m_pParam != nullptr) {
    m_pParam->m_nCurrentRow = nRow;
    m_pParam->m_nCurrentCol = nCol;
  }
  m_bActiveCell = TRUE;
}

CGXControl* CGXGridCore::GetCellControl(ROWCOL nRow, ROWCOL nCol) {
  if (m_bActiveCell && nRow == m_nCurrentRow && nCol == m_nCurrentCol && m_pCurrentControl != nullptr)
    return m_pCurrentControl;
  CGXStyle style;
  ComposeStyleRowCol(nRow, nCol, style);
  return GetRegisteredControl(style);
}

CGXControl* CGXGridCore::GetRegisteredControl(const CGXStyle& style) {
  const UINT nId = style.GetInclude(CGXStyle::gxControl) ? (UINT)style.GetControl() : (UINT)GX_IDS_CTRL_EDIT;
  auto it = m_controls.find(nId);
  if (it != m_controls.end())
    return it->second;
  if (nId == 0 && m_pDefaultControl != nullptr)
    return m_pDefaultControl;
  CGXControl* pControl = nullptr;
  if (CGXAbstractControlFactory* pFactory = GXGetAppState()->m_pControlFactory)
    pControl = pFactory->CreateControl(nId, this);
  if (pControl == nullptr)
    return m_pDefaultControl;
  m_controls[nId] = pControl;
  if (m_pDefaultControl == nullptr)
    m_pDefaultControl = pControl;
  return pControl;
}

CGXControl* CGXGridCore::GetActiveCellControl() {
  ROWCOL r, c;
  return GetActiveCell(r, c) ? m_pCurrentControl : nullptr;
}

BOOL CGXGridCore::IsActiveCellControlEditing() {
  CGXControl* p = GetActiveCellControl();
  return !m_bPrinting && p != nullptr && p->IsActive();
}

BOOL CGXGridCore::CanChangeCurrentCell(int nMode, ROWCOL nRow, ROWCOL nCol) {
  if (nMode == 0) {
    SetWarningText(nullptr);
    CGXControl* p = m_pCurrentControl;
    if (p != nullptr && p->GetModify())
      return p->OnValidate();
    return TRUE;
  }
  if (nRow > GetRowCount() || nCol > GetColCount())
    return FALSE;
  CGXStyle style;
  ComposeStyleRowCol(nRow, nCol, style);
  return !style.GetInclude(CGXStyle::gxEnabled) || style.GetEnabled();
}

// Leaves the current cell: validates and stores the control's edit. FALSE keeps the old cell current with
// the typed text and edit mode.
BOOL CGXGridCore::LeaveCell(CGXControl* pOld, ROWCOL nOldRow, ROWCOL nOldCol) {
  const BOOL bModified = pOld->GetModify();
  const BOOL bWasActive = pOld->IsActive();
  CString sKept;
  pOld->GetCurrentText(sKept);
  m_bFocusLost = FALSE;
  if (bWasActive)
    WndDrainKeyboardMessages();
  BOOL bOk = CanChangeCurrentCell(0, nOldRow, nOldCol);
  if (bOk && bModified) {
    // The mark goes first: whatever runs while the cell is stored sees nothing left to store.
    pOld->SetModify(FALSE);
    bOk = pOld->Store();
  }
  if (bOk)
    bOk = pOld->OnEndEditing();
  if (m_bFocusLost)
    m_bCancelled = TRUE;
  if (!bOk) {
    ShowPendingWarning();
    SetActiveCellState(TRUE, nOldRow, nOldCol);
    m_pCurrentControl = pOld;
    pOld->Init(nOldRow, nOldCol);
    if (bWasActive)
      pOld->SetActive(TRUE);
    if (bModified) {
      pOld->SetCurrentText(sKept);
      pOld->SetModify(TRUE);
    }
    pOld->Refresh();
    RedrawRowCol(CGXCellRange(nOldRow, nOldCol, nOldRow, nOldCol));
    return FALSE;
  }
  m_bActiveCell = FALSE;
  pOld->SetActive(FALSE);
  OnEndEditing(nOldRow, nOldCol);
  if (pOld->OnLeftCell(nOldRow, nOldCol) || bModified)
    RedrawRowCol(CGXCellRange(nOldRow, nOldCol, nOldRow, nOldCol));
  return TRUE;
}

BOOL CGXGridCore::ChangeCurrentCell(ROWCOL nRow, ROWCOL nCol, UINT flags) {
  if (m_bChangingCell || m_pParam == nullptr)
    return FALSE;
  RequestGridDimension(nRow, nCol);
  CGXCellRange covered;
  if (GetCoveredCellsRange(nRow, nCol, covered)) {
    nRow = covered.top;
    nCol = covered.left;
  }
  // A target outside the grid fails before anything is left or stored.
  if (nRow > GetRowCount() || nCol > GetColCount())
    return FALSE;
  ROWCOL nOldRow = 0, nOldCol = 0;
  const BOOL bOld = GetActiveCell(nOldRow, nOldCol);
  const BOOL bSame = bOld && nOldRow == nRow && nOldCol == nCol;
  if (!bSame && !CanChangeCurrentCell(1, nRow, nCol))
    return FALSE;
  CGXControl* pOld = bOld ? m_pCurrentControl : nullptr;
  if (pOld != nullptr) {
    m_bChangingCell = TRUE;
    const BOOL bLeft = LeaveCell(pOld, nOldRow, nOldCol);
    m_bChangingCell = FALSE;
    if (!bLeft)
      return FALSE;
  }
  SetActiveCellState(TRUE, nRow, nCol);
  if (!m_pParam->m_bLockUpdate && !(flags & 0x20) && WndIsVisible()) {
    WndSetFocus();
    m_bHasFocus = TRUE;
  }
  if (CGXControl* pNew = m_pCurrentControl) {
    pNew->Init(nRow, nCol);
    if ((flags & 0x10) && !IsReadOnly() && OnStartEditing(nRow, nCol))
      pNew->SetActive(TRUE);
  }
  if (bOld && !bSame)
    RedrawRowCol(CGXCellRange(nOldRow, nOldCol, nOldRow, nOldCol));
  RedrawRowCol(CGXCellRange(nRow, nCol, nRow, nCol));
  if (flags & 0x08)
    ScrollCellInView(nRow, nCol, flags & ~GX_UPDATENOW);
  if (flags & 0x06)
    WndUpdateWindow();
  if (m_pParam->m_bSelectionFollowsCurrentCell && !(flags & 0x80) && !IsCellInSelection(nRow, nCol)) {
    ClearSelection();
    if (nRow > GetHeaderRows() && nCol > GetHeaderCols())
      SelectRange(CGXCellRange(nRow, nCol, nRow, nCol));
  }
  return TRUE;
}

BOOL CGXGridCore::CommitCurrentCell(BOOL bStore, UINT flags, BOOL bNotify) {
  (void)bNotify;
  ROWCOL r, c;
  if (!GetActiveCell(r, c))
    return TRUE;
  if (m_bChangingCell)
    return FALSE;
  CGXControl* p = m_pCurrentControl;
  if (!bStore) {
    if (p != nullptr) {
      if (p->IsActive()) {
        p->OnCancelEditing();
        OnCancelEditing(r, c);
        p->SetActive(FALSE);
        p->SetModify(FALSE);
      }
      p->Init(r, c);
      p->Refresh();
      OnEndEditing(r, c);
    }
    RedrawRowCol(CGXCellRange(r, c, r, c));
    return TRUE;
  }
  if (p != nullptr && p->IsActive())
    return ChangeCurrentCell(r, c, flags);
  return TRUE;
}

void CGXGridCore::FlushCurrentCellEdit(BOOL bValidate) {
  CGXControl* p = GetActiveCellControl();
  if (p == nullptr || m_bChangingCell)
    return;
  if (bValidate && p->GetModify() && CanChangeCurrentCell(0, m_nCurrentRow, m_nCurrentCol)) {
    p->SetModify(FALSE);
    p->Store();
  }
  p->Refresh();
}

void CGXGridCore::ShowPendingWarning() {
  if (m_sWarningText.IsEmpty())
    return;
  const CString sText = m_sWarningText;
  m_sWarningText.Empty();
  const BOOL bWasChanging = m_bChangingCell;
  m_bChangingCell = TRUE;
  WndDrainKeyboardMessages();
  ROWCOL r, c;
  if (GetActiveCell(r, c))
    ScrollCellInView(r, c, 0);
  WndMessageBox(sText);
  m_bCancelled = TRUE;
  m_bChangingCell = bWasChanging;
}

BOOL CGXGridCore::FindEnterableCell(int nDirection, ROWCOL& nRow, ROWCOL& nCol) {
  const ROWCOL nRows = GetRowCount(), nCols = GetColCount();
  const ROWCOL hr = GetHeaderRows(), hc = GetHeaderCols();
  ROWCOL r = nRow, c = nCol;
  for (;;) {
    if (r <= hr || c <= hc || r > nRows || c > nCols)
      return FALSE;
    BOOL bSkip = (nDirection == GX_UP || nDirection == GX_DOWN) ? GetRowHeight(r) == 0 : GetColWidth(c) == 0;
    CGXCellRange covered;
    ROWCOL rr = r, cc = c;
    if (!bSkip && GetCoveredCellsRange(r, c, covered)) {
      if ((nDirection == GX_UP || nDirection == GX_DOWN) && r != covered.top)
        bSkip = TRUE;
      if ((nDirection == GX_LEFT || nDirection == GX_RIGHT) && c != covered.left)
        bSkip = TRUE;
      rr = covered.top;
      cc = covered.left;
    }
    if (!bSkip) {
      CGXStyle style;
      ComposeStyleRowCol(rr, cc, style);
      if (!style.GetInclude(CGXStyle::gxEnabled) || style.GetEnabled()) {
        nRow = r;
        nCol = c;
        return TRUE;
      }
    }
    switch (nDirection) {
      case GX_UP:
        --r;
        break;
      case GX_LEFT:
        --c;
        break;
      case GX_DOWN:
        ++r;
        break;
      case GX_RIGHT:
        ++c;
        break;
      default:
        return FALSE;
    }
  }
}

BOOL CGXGridCore::StepCurrentCell(int nDirection, ROWCOL nCount, BOOL bSelect) {
  if (m_pParam == nullptr)
    return FALSE;
  if (nCount == 0)
    nCount = 1;
  const ROWCOL nRows = GetRowCount(), nCols = GetColCount();
  const ROWCOL hr = GetHeaderRows(), hc = GetHeaderCols(), fr = GetFrozenRows();
  ROWCOL r, c;
  const BOOL bActive = GetActiveCell(r, c);
  if (!bActive) {
    r = std::max(hr + 1, std::min(m_pParam->m_nCurrentRow, nRows));
    c = std::max(hc + 1, std::min(m_pParam->m_nCurrentCol, nCols));
  }
  m_bMoving = TRUE;
  ROWCOL nr = r, nc = c;
  BOOL bFound = FALSE;
  auto find = [&](int nDir, ROWCOL& row, ROWCOL& col) { return FindEnterableCell(nDir, row, col); };
  switch (nDirection) {
    case GX_UP:
      for (ROWCOL i = 0; i < nCount && nr > hr + 1; ++i) {
        ROWCOL cand = nr - 1, cc = nc;
        if (!find(GX_UP, cand, cc))
          break;
        nr = cand;
        bFound = TRUE;
      }
      break;
    case GX_DOWN: {
      RequestGridDimension((ROWCOL)-2, 0);
      for (ROWCOL i = 0; i < nCount && nr < nRows; ++i) {
        CGXCellRange covered;
        ROWCOL cand = nr + 1;
        if (GetCoveredCellsRange(nr, nc, covered))
          cand = covered.bottom + 1;
        ROWCOL cc = nc;
        if (!find(GX_DOWN, cand, cc))
          break;
        nr = cand;
        bFound = TRUE;
      }
      break;
    }
    case GX_LEFT:
      for (ROWCOL i = 0; i < nCount && nc > hc + 1; ++i) {
        ROWCOL cand = nc - 1, rr = nr;
        if (!find(GX_LEFT, rr, cand))
          break;
        nc = cand;
        bFound = TRUE;
      }
      break;
    case GX_RIGHT:
      for (ROWCOL i = 0; i < nCount && nc < nCols; ++i) {
        CGXCellRange covered;
        ROWCOL cand = nc + 1;
        if (GetCoveredCellsRange(nr, nc, covered))
          cand = covered.right + 1;
        ROWCOL rr = nr;
        if (!find(GX_RIGHT, rr, cand))
          break;
        nc = cand;
        bFound = TRUE;
      }
      break;
    case GX_PGDOWN: {
      RequestGridDimension((ROWCOL)-2, 0);
      if (m_nTopRow >= nRows)
        break;
      const ROWCOL nOldTop = m_nTopRow;
      ScrollToTopRow(std::max(m_nTopRow + 1, CalcBottomRowFromRect(GetGridRect())));
      const ROWCOL nDiff = std::max<ROWCOL>(m_nTopRow - nOldTop, 1);
      if (nr > fr)
        nr = std::min(nr + nDiff, nRows);
      bFound = find(GX_DOWN, nr, nc) || find(GX_UP, nr, nc);
      break;
    }
    case GX_PGUP: {
      if (m_nTopRow <= fr + 1) {
        nr = hr + 1;
        bFound = find(GX_DOWN, nr, nc);
        break;
      }
      const ROWCOL nOldTop = m_nTopRow;
      HandleVerticalScroll(GX_SB_PAGEUP, 0);
      const ROWCOL nDiff = std::max<ROWCOL>(nOldTop - m_nTopRow, 1);
      if (nr > fr)
        nr = nr > nDiff + hr ? nr - nDiff : hr + 1;
      bFound = find(GX_UP, nr, nc) || find(GX_DOWN, nr, nc);
      break;
    }
    case GX_TOPROW:
      nr = hr + 1 <= nRows ? hr + 1 : nRows;
      bFound = find(GX_DOWN, nr, nc);
      break;
    case GX_BOTTOMROW:
      RequestGridDimension((ROWCOL)-2, 0);
      nr = nRows;
      bFound = find(GX_UP, nr, nc);
      break;
    case GX_LEFTCOL:
      nc = hc + 1 <= nCols ? hc + 1 : nCols;
      bFound = find(GX_RIGHT, nr, nc);
      break;
    case GX_RIGHTCOL:
      RequestGridDimension(0, (ROWCOL)-2);
      nc = nCols;
      bFound = find(GX_LEFT, nr, nc);
      break;
    case GX_TOPLEFT: {
      nr = hr + 1;
      nc = hc + 1;
      const BOOL b1 = find(GX_DOWN, nr, nc);
      const BOOL b2 = find(GX_RIGHT, nr, nc);
      bFound = b1 || b2;
      break;
    }
    case GX_BOTTOMRIGHT: {
      RequestGridDimension((ROWCOL)-2, (ROWCOL)-2);
      nr = nRows;
      nc = nCols;
      const BOOL b1 = find(GX_UP, nr, nc);
      const BOOL b2 = find(GX_LEFT, nr, nc);
      bFound = b1 || b2;
      break;
    }
    default:
      break;
  }
  BOOL bOk = TRUE;
  if (bFound && (nr != r || nc != c || !bActive)) {
    UINT flags = 0x8A;
    if (m_pParam->m_bSelectionFollowsCurrentCell && bSelect) {
      flags = 0x0A;
      if (!m_pParam->m_selection.IsEmpty() && !IsCellInSelection(nr, nc))
        ClearSelection();
    }
    bOk = ChangeCurrentCell(nr, nc, flags);
  }
  m_bMoving = FALSE;
  return bFound && bOk;
}

BOOL CGXGridCore::StepCurrentCellOrSelect(int nDirection, ROWCOL nCount) {
  return StepCurrentCell(nDirection, nCount, TRUE);
}

// --- keys -------------------------------------------------------------------------------------------

BOOL CGXGridCore::DispatchGridKeys(UINT nMessage, UINT nKey, UINT nRepeat, UINT nFlags) {
  if (WndHasCapture())
    return TRUE;
  // Keys that arrive while a cell is being left (a message box runs) reach no cell.
  if (m_bChangingCell)
    return TRUE;
  ROWCOL r, c;
  if (GetActiveCell(r, c) && m_pCurrentControl != nullptr) {
    CGXControl* p = m_pCurrentControl;
    if (!p->IsInit(r, c))
      p->Init(r, c);
    BOOL bTaken = FALSE;
    if (nMessage == GX_WM_KEYDOWN)
      bTaken = p->OnGridKeyDown(nKey, nRepeat, nFlags);
    else if (nMessage == GX_WM_CHAR)
      bTaken = p->OnGridChar(nKey, nRepeat, nFlags);
    else
      bTaken = p->ProcessKeys(nMessage, nKey, nRepeat, nFlags);
    if (bTaken) {
      ScrollCellInView(r, c, 0);
      RedrawRowCol(CGXCellRange(r, c, r, c));
      WndUpdateWindow();
      return TRUE;
    }
  }
  switch (nMessage) {
    case GX_WM_KEYDOWN:
      return HandleKeyDown(nKey, nRepeat, nFlags);
    case GX_WM_CHAR:
      return HandleChar(nKey, nRepeat, nFlags);
    case GX_WM_SYSKEYDOWN:
      return HandleSysKeyDown(nKey, nRepeat, nFlags);
    default:
      return FALSE;
  }
}

BOOL CGXGridCore::HandleKeyDown(UINT nKey, UINT nRepeat, UINT nFlags) {
  (void)nFlags;
  const BOOL bCtl = WndIsKeyDown(GX_VK_CONTROL), bShift = WndIsKeyDown(GX_VK_SHIFT), bAlt = WndIsKeyDown(GX_VK_MENU);
  if (nRepeat == 0)
    nRepeat = 1;
  BOOL bHandled = TRUE;
  switch (nKey) {
    case GX_VK_UP:
      StepCurrentCellOrSelect(bCtl ? GX_TOPROW : GX_UP, bCtl ? 1 : nRepeat);
      break;
    case GX_VK_DOWN:
      StepCurrentCellOrSelect(bCtl ? GX_BOTTOMROW : GX_DOWN, bCtl ? 1 : nRepeat);
      break;
    case GX_VK_LEFT:
      StepCurrentCellOrSelect(bCtl ? GX_LEFTCOL : GX_LEFT, bCtl ? 1 : nRepeat);
      break;
    case GX_VK_RIGHT:
      StepCurrentCellOrSelect(bCtl ? GX_RIGHTCOL : GX_RIGHT, bCtl ? 1 : nRepeat);
      break;
    case GX_VK_PRIOR:
      StepCurrentCellOrSelect(GX_PGUP, nRepeat);
      break;
    case GX_VK_NEXT:
      StepCurrentCellOrSelect(GX_PGDOWN, nRepeat);
      break;
    case GX_VK_HOME:
      if (!bCtl)
        return FALSE;
      StepCurrentCellOrSelect(GX_TOPLEFT, 1);
      break;
    case GX_VK_END:
      if (!bCtl)
        return FALSE;
      StepCurrentCellOrSelect(GX_BOTTOMRIGHT, 1);
      break;
    case GX_VK_TAB:
      if (CommitCurrentCell(TRUE, 1, TRUE))
        StepCurrentCell(bShift ? GX_LEFT : GX_RIGHT, 1, TRUE);
      break;
    case GX_VK_RETURN:
      if (bShift || bCtl || bAlt)
        return FALSE;
      if (CommitCurrentCell(TRUE, 1, TRUE) && m_pParam != nullptr && m_pParam->m_nEnterDirection != 0)
        StepCurrentCell((int)m_pParam->m_nEnterDirection, 1, TRUE);
      break;
    case GX_VK_F2: {
      CGXControl* p = GetActiveCellControl();
      if (p == nullptr) {
        if (CommitCurrentCell(TRUE, 1, TRUE) && m_pParam != nullptr && m_pParam->m_nEnterDirection != 0)
          StepCurrentCell((int)m_pParam->m_nEnterDirection, 1, TRUE);
      } else if (!p->IsActive()) {
        CommitCurrentCell(FALSE, 2, TRUE);
        CGXStyle style;
        ComposeStyleRowCol(m_nCurrentRow, m_nCurrentCol, style);
        const BOOL bReadOnly = IsReadOnly() || (style.GetInclude(CGXStyle::gxReadOnly) && style.GetReadOnly());
        if (!bReadOnly && OnStartEditing(m_nCurrentRow, m_nCurrentCol)) {
          p->SetActive(TRUE);
          RedrawRowCol(CGXCellRange(m_nCurrentRow, m_nCurrentCol, m_nCurrentRow, m_nCurrentCol));
        }
      } else {
        CommitCurrentCell(TRUE, 2, TRUE);
      }
      break;
    }
    case GX_VK_ESCAPE: {
      if (m_pParam != nullptr && m_pParam->m_bCutMarking) {
        m_pParam->m_bCutMarking = FALSE;
        Redraw();
      }
      ROWCOL r, c;
      if (GetActiveCell(r, c)) {
        CommitCurrentCell(FALSE, 0, TRUE);
        ScrollCellInView(r, c, 0);
      }
      if (m_pParam != nullptr && !m_pParam->m_bSelectionFollowsCurrentCell)
        ClearSelection();
      break;
    }
    case GX_VK_DELETE: {
      ROWCOL r, c;
      if (bShift || !GetActiveCell(r, c) || IsActiveCellControlEditing())
        return FALSE;
      // Without a clear-cells feature the current cell's value is cleared.
      if (!IsReadOnly())
        SetValueRange(CGXCellRange(r, c, r, c), "");
      break;
    }
    default:
      bHandled = FALSE;
      break;
  }
  if (bHandled)
    WndUpdateWindow();
  return bHandled;
}

BOOL CGXGridCore::HandleChar(UINT nChar, UINT nRepeat, UINT nFlags) {
  (void)nRepeat;
  (void)nFlags;
  switch (nChar) {
    case 9:
    case 0x0D:
    case 0x7F:
      return TRUE;
    case 0x1A:  // Ctrl+Z
      Undo();
      return TRUE;
    case 0x12:  // Ctrl+R
      Redo();
      return TRUE;
    default:
      return FALSE;
  }
}

BOOL CGXGridCore::HandleSysKeyDown(UINT nKey, UINT nRepeat, UINT nFlags) {
  (void)nRepeat;
  (void)nFlags;
  if (nKey == GX_VK_BACK) {
    Undo();
    return TRUE;
  }
  return FALSE;
}

// --- focus ------------------------------------------------------------------------------------------

BOOL CGXGridCore::ActivateGrid(BOOL bActivate) {
  if (!bActivate && m_bChangingCell)
    return TRUE;
  m_bHasFocus = bActivate;
  if (m_bChangingCell || m_pParam == nullptr)
    return TRUE;
  ROWCOL r, c;
  if (!bActivate && GetActiveCell(r, c) && m_pCurrentControl != nullptr) {
    CGXControl* p = m_pCurrentControl;
    if (p->GetModify()) {
      m_bChangingCell = TRUE;
      const BOOL bOk = CanChangeCurrentCell(0, r, c);
      if (bOk) {
        p->SetModify(FALSE);
        if (!p->Store()) {
          p->SetModify(TRUE);
          m_bChangingCell = FALSE;
          return FALSE;
        }
      }
      m_bChangingCell = FALSE;
      if (!bOk)
        return FALSE;
    }
    p->OnEndEditing();
    p->SetActive(FALSE);
    RedrawRowCol(CGXCellRange(r, c, r, c));
  } else if (bActivate && GetActiveCell(r, c)) {
    RedrawRowCol(CGXCellRange(r, c, r, c));
  }
  return TRUE;
}

void CGXGridCore::HandleSetFocus() {
  ActivateGrid(TRUE);
  ROWCOL r, c;
  if (m_bValidationFailed && GetActiveCell(r, c))
    RedrawRowCol(CGXCellRange(r, c, r, c));
  m_bValidationFailed = FALSE;
}

void CGXGridCore::HandleKillFocus(BOOL bToChild) {
  m_bFocusLost = TRUE;
  if (!bToChild)
    ActivateGrid(FALSE);
}

BOOL CGXGridCore::HandleSize(UINT nType, int cx, int cy) {
  (void)nType;
  (void)cx;
  (void)cy;
  ResetVisibleCache();
  UpdateScrollState(TRUE, FALSE);
  return TRUE;
}

BOOL CGXGridCore::HandleCancelMode() {
  StopAutoScroll();
  if (m_nMouseState != mouseNone) {
    m_nMouseState = mouseNone;
    WndSetCapture(FALSE);
  }
  if (m_pParam != nullptr && m_pParam->m_bCutMarking) {
    m_pParam->m_bCutMarking = FALSE;
    Redraw();
  }
  return TRUE;
}

// --- selection --------------------------------------------------------------------------------------

void CGXGridCore::ClearSelection(UINT flags) {
  if (m_pParam == nullptr || m_pParam->m_selection.IsEmpty())
    return;
  for (POSITION pos = m_pParam->m_selection.GetHeadPosition(); pos != nullptr;) {
    const CGXCellRange range = *m_pParam->m_selection.GetRangeAt(pos);
    m_pParam->m_selection.GetNext(pos);
    RedrawRowCol(range, flags);
  }
  m_pParam->m_selection.DeleteAll();
}

void CGXGridCore::SelectRange(const CGXCellRange& range, BOOL bSelect, UINT flags) {
  if (m_pParam == nullptr || !range.IsValid())
    return;
  if (bSelect)
    m_pParam->m_selection.AddRange(range);
  RedrawRowCol(range, flags);
}

BOOL CGXGridCore::IsCellInSelection(ROWCOL nRow, ROWCOL nCol) const {
  return m_pParam != nullptr && m_pParam->m_selection.IsCellInList(nRow, nCol);
}

// --- mouse ------------------------------------------------------------------------------------------

namespace {

// The range between the anchor and a cell, in the kind of the anchor (whole rows from a row header, whole
// columns from a column header).
CGXCellRange RangeFromAnchor(ROWCOL nAnchorRow, ROWCOL nAnchorCol, ROWCOL nRow, ROWCOL nCol) {
  CGXCellRange range;
  if (nAnchorRow == 0 && nAnchorCol == 0)
    range.SetTable();
  else if (nAnchorRow == 0)
    range.SetCols(std::min(nAnchorCol, std::max<ROWCOL>(nCol, 1)), std::max(nAnchorCol, std::max<ROWCOL>(nCol, 1)));
  else if (nAnchorCol == 0)
    range.SetRows(std::min(nAnchorRow, std::max<ROWCOL>(nRow, 1)), std::max(nAnchorRow, std::max<ROWCOL>(nRow, 1)));
  else
    range.SetCells(std::min(nAnchorRow, nRow), std::min(nAnchorCol, nCol), std::max(nAnchorRow, nRow),
                   std::max(nAnchorCol, nCol));
  return range;
}

}  // namespace

BOOL CGXGridCore::HandleLeftButtonDown(UINT nFlags, CPoint point) {
  if (!m_bInitDone || m_pParam == nullptr)
    return FALSE;
  ROWCOL nRow = 0, nCol = 0;
  CRect rect;
  const int nHit = HitTest(point, &nRow, &nCol, &rect);
  m_bHasFocus = TRUE;
  m_bCancelled = FALSE;
  switch (nHit) {
    case GX_VERTLINE:
      m_nMouseState = mouseResizeCol;
      m_nResizeIndex = nCol;
      m_nResizeStart = rect.left;
      WndSetCapture(TRUE);
      return TRUE;
    case GX_HORZLINE:
      m_nMouseState = mouseResizeRow;
      m_nResizeIndex = nRow;
      m_nResizeStart = rect.top;
      WndSetCapture(TRUE);
      return TRUE;
    case GX_HIDDENCOLHIT:
      return HideCols(nCol, nCol, FALSE);
    case GX_HIDDENROWHIT:
      return HideRows(nRow, nRow, FALSE);
    case GX_HEADERHIT:
    case GX_CELLHIT: {
      const ROWCOL hr = GetHeaderRows(), hc = GetHeaderCols();
      const BOOL bHeaderRow = nRow <= hr, bHeaderCol = nCol <= hc;
      const ROWCOL nAnchorRow = bHeaderRow ? 0 : nRow, nAnchorCol = bHeaderCol ? 0 : nCol;
      if (nHit == GX_HEADERHIT && !m_pParam->IsSelectionAllowed(bHeaderRow && bHeaderCol ? 8 : bHeaderRow ? 4 : 2))
        return TRUE;
      const BOOL bExtend = (nFlags & GX_MK_SHIFT) && !m_pParam->m_selection.IsEmpty();
      if (!(nFlags & GX_MK_CONTROL) && !bExtend)
        ClearSelection();
      if (!bExtend) {
        m_nAnchorRow = nAnchorRow;
        m_nAnchorCol = nAnchorCol;
      }
      if (nHit == GX_CELLHIT) {
        ROWCOL r, c;
        const BOOL bSame = GetActiveCell(r, c) && r == nRow && c == nCol;
        if (!bSame && !ChangeCurrentCell(nRow, nCol, 0x80 | 0x08))
          return TRUE;
        // A control that takes the press (a check box, an in-cell button) keeps the mouse until release.
        if (m_pCurrentControl != nullptr && IsCurrentCell(nRow, nCol) && m_pCurrentControl->LButtonDown(nFlags, point)) {
          m_nMouseState = mouseControl;
          WndSetCapture(TRUE);
          return TRUE;
        }
        if (bSame && m_pCurrentControl != nullptr && !m_pCurrentControl->IsActive() && !IsReadOnly() &&
            OnStartEditing(nRow, nCol)) {
          // A second click on the current cell starts editing it.
          m_pCurrentControl->SetActive(TRUE);
          RedrawRowCol(CGXCellRange(nRow, nCol, nRow, nCol));
          return TRUE;
        }
      } else if (!bHeaderRow || !bHeaderCol) {
        // A header click makes the first cell of the row or column current.
        ChangeCurrentCell(bHeaderRow ? std::min(hr + 1, GetRowCount()) : nRow,
                          bHeaderCol ? std::min(hc + 1, GetColCount()) : nCol, 0x80 | 0x08);
      }
      if (bExtend) {
        CGXCellRange* pLast = m_pParam->m_selection.GetRangeAt(m_pParam->m_selection.GetTailPosition());
        RedrawRowCol(*pLast);
        *pLast = RangeFromAnchor(m_nAnchorRow, m_nAnchorCol, nRow, nCol);
        RedrawRowCol(*pLast);
      } else if (nHit == GX_HEADERHIT) {
        SelectRange(RangeFromAnchor(nAnchorRow, nAnchorCol, nRow, nCol));
      }
      m_nMouseState = mouseSelecting;
      WndSetCapture(TRUE);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

BOOL CGXGridCore::HandleMouseMove(UINT nFlags, CPoint point) {
  if (m_nMouseState == mouseControl)
    return m_pCurrentControl != nullptr ? m_pCurrentControl->MouseMove(nFlags, point) : TRUE;
  if (m_nMouseState != mouseSelecting || m_pParam == nullptr)
    return m_nMouseState != mouseNone;
  const CRect grid = GetGridRect();
  m_ptLastMouse = point;
  // Beyond the window's edge the grid scrolls by itself while the button is held.
  int nDirection = 0;
  if (point.y >= grid.bottom)
    nDirection = GX_DOWN;
  else if (point.y < grid.top)
    nDirection = GX_UP;
  else if (point.x >= grid.right)
    nDirection = GX_RIGHT;
  else if (point.x < grid.left)
    nDirection = GX_LEFT;
  if (nDirection == 0)
    StopAutoScroll();
  else if (!m_bAutoScroll || nDirection != m_nAutoScrollDirection)
    StartAutoScroll(FALSE, nDirection);
  point.x = std::max((int)grid.left, std::min((int)point.x, (int)grid.right - 1));
  point.y = std::max((int)grid.top, std::min((int)point.y, (int)grid.bottom - 1));
  int nTop = 0, nLeft = 0;
  const int ri = CalcClientRowFromY(point.y, &nTop);
  const int ci = CalcClientColFromX(point.x, &nLeft);
  const ROWCOL nRow = ri >= 0 ? GetRow((ROWCOL)ri) : GetRowCount();
  const ROWCOL nCol = ci >= 0 ? GetCol((ROWCOL)ci) : GetColCount();
  const CGXCellRange range = RangeFromAnchor(m_nAnchorRow, m_nAnchorCol, nRow, nCol);
  CGXRangeList& sel = m_pParam->m_selection;
  if (m_nAnchorRow != 0 && m_nAnchorCol != 0 && nRow == m_nAnchorRow && nCol == m_nAnchorCol && sel.IsEmpty())
    return TRUE;  // no drag yet
  if (!sel.IsEmpty()) {
    CGXCellRange* pLast = sel.GetRangeAt(sel.GetTailPosition());
    if (*pLast == range)
      return TRUE;
    RedrawRowCol(*pLast);
    *pLast = range;
  } else {
    sel.AddRange(range);
  }
  RedrawRowCol(range);
  return TRUE;
}

BOOL CGXGridCore::HandleLeftButtonUp(UINT nFlags, CPoint point) {
  const int nState = m_nMouseState;
  m_nMouseState = mouseNone;
  StopAutoScroll();
  WndSetCapture(FALSE);
  switch (nState) {
    case mouseResizeCol:
      return SetColWidth(m_nResizeIndex, m_nResizeIndex, std::max(0, (int)point.x - m_nResizeStart));
    case mouseResizeRow:
      return SetRowHeight(m_nResizeIndex, m_nResizeIndex, std::max(0, (int)point.y - m_nResizeStart));
    case mouseSelecting:
      return TRUE;
    case mouseControl:
      if (m_pCurrentControl != nullptr) {
        m_pCurrentControl->LButtonUp(nFlags, point);
        RedrawRowCol(CGXCellRange(m_nCurrentRow, m_nCurrentCol, m_nCurrentRow, m_nCurrentCol));
      }
      return TRUE;
    default:
      return FALSE;
  }
}

BOOL CGXGridCore::HandleLeftButtonDblClk(UINT nFlags, CPoint point) {
  (void)nFlags;
  ROWCOL nRow = 0, nCol = 0;
  if (HitTest(point, &nRow, &nCol) != GX_CELLHIT || !IsCurrentCell(nRow, nCol) || m_pCurrentControl == nullptr)
    return FALSE;
  if (m_pCurrentControl->LButtonDblClk(nFlags, point)) {
    RedrawRowCol(CGXCellRange(nRow, nCol, nRow, nCol));
    return TRUE;
  }
  if (!m_pCurrentControl->IsActive() && !IsReadOnly() && OnStartEditing(nRow, nCol)) {
    m_pCurrentControl->SetActive(TRUE);
    RedrawRowCol(CGXCellRange(nRow, nCol, nRow, nCol));
  }
  return TRUE;
}

BOOL CGXGridCore::CheckCurrentCellValid(BOOL bSkip) {
  if (bSkip)
    return TRUE;
  ROWCOL r, c;
  CGXControl* p = GetActiveCell(r, c) ? m_pCurrentControl : nullptr;
  if (p == nullptr || !p->IsActive() || m_bChangingCell)
    return TRUE;
  m_bChangingCell = TRUE;
  WndDrainKeyboardMessages();
  SetWarningText(nullptr);
  const BOOL bOk = p->OnValidate();
  if (!bOk) {
    ShowPendingWarning();
    m_bValidationFailed = TRUE;
  }
  m_bChangingCell = FALSE;
  return bOk;
}

void CGXGridCore::MoveToRecord(int nKind, ROWCOL n) {
  switch (nKind) {
    case 0:
      StepCurrentCellOrSelect(GX_TOPROW, 1);
      break;
    case 1:
      StepCurrentCellOrSelect(GX_UP, 1);
      break;
    case 2:
      StepCurrentCellOrSelect(GX_DOWN, 1);
      break;
    case 3:
      StepCurrentCellOrSelect(GX_BOTTOMROW, 1);
      break;
    case 4: {
      const ROWCOL hr = GetHeaderRows(), hc = GetHeaderCols();
      RequestGridDimension(hr + n, 0);
      const ROWCOL nRow = std::min(hr + n, GetRowCount());
      const ROWCOL nCol = GetColCount() > hc ? hc + 1 : GetColCount();
      if (nRow > 0)
        ChangeCurrentCell(nRow, nCol, 0x0A);
      WndSetFocus();
      break;
    }
    default:
      break;
  }
}

void CGXGridCore::GetHitCursor(CPoint point, UINT& nCursorId, UINT& nSystemCursor) const {
  nCursorId = nSystemCursor = 0;
  ROWCOL nRow = 0, nCol = 0;
  const int nHit = HitTest(point, &nRow, &nCol);
  const CGXGridParam* p = m_pParam;
  switch (nHit) {
    case GX_HIDDENROWHIT:
      nCursorId = 20193;
      nSystemCursor = 32645;
      break;
    case GX_HIDDENCOLHIT:
      nCursorId = 20192;
      nSystemCursor = 32644;
      break;
    case GX_FILLHANDLEHIT:
      nCursorId = 20209;
      break;
    case GX_HORZLINE:
      if (p != nullptr && p->IsRowResizeAllowed(3)) {
        nCursorId = 20191;
        nSystemCursor = 32645;  // north-south sizing
      }
      break;
    case GX_VERTLINE:
      if (p != nullptr && p->IsColResizeAllowed(3)) {
        nCursorId = 20190;
        nSystemCursor = 32644;  // west-east sizing
      }
      break;
    case GX_SELEDGEHIT:
      nCursorId = 20194;
      nSystemCursor = 32512;
      break;
    case GX_HEADERHIT:
      if (p == nullptr)
        break;
      if (nRow > 0 && nCol == 0) {
        if (IsCellInSelection(nRow, 1) && p->IsRowDragEnabled())
          nSystemCursor = 32512;
        else if (p->IsSelectionAllowed(4))
          nCursorId = 20196;
      } else if (nRow == 0 && nCol > 0) {
        if (IsCellInSelection(1, nCol) && p->IsColDragEnabled())
          nSystemCursor = 32512;
        else if (p->IsSelectionAllowed(2))
          nCursorId = 20195;
      }
      break;
    default:
      break;
  }
}

namespace {

const UINT kAutoScrollTimer = 992;

}  // namespace

BOOL CGXGridCore::StartAutoScroll(BOOL bCapture, int nDirection, int nSpeed) {
  m_bAutoScroll = TRUE;
  m_nAutoScrollDirection = nDirection;
  m_nAutoScrollSpeed = std::max(1, nSpeed);
  if (bCapture)
    WndSetCapture(TRUE);
  if (!WndSetTimer(kAutoScrollTimer, 10)) {
    m_bAutoScroll = FALSE;
    return FALSE;
  }
  return WndPostTimer(kAutoScrollTimer);
}

void CGXGridCore::StopAutoScroll() {
  if (!m_bAutoScroll)
    return;
  m_bAutoScroll = FALSE;
  WndKillTimer(kAutoScrollTimer);
}

BOOL CGXGridCore::HandleTimer(UINT_PTR nId) {
  if (nId != kAutoScrollTimer || !m_bAutoScroll)
    return FALSE;
  if (m_nMouseState != mouseSelecting) {
    StopAutoScroll();
    return TRUE;
  }
  // The selection follows to the cell now at the edge the pointer lies beyond.
  if (DoScroll(m_nAutoScrollDirection, (ROWCOL)m_nAutoScrollSpeed))
    HandleMouseMove(0, m_ptLastMouse);
  return TRUE;
}
