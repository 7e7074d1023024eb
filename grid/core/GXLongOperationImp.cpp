// The long-operation feature: levels, status line, wait cursor, message pumping and the ESC question.
#include "GXLongOperationImp.h"

#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

CGXLongOperationPlatform g_defaultPlatform;
CGXLongOperationPlatform* g_pPlatform = &g_defaultPlatform;

// The table slot of a level (1-based), or -1 past the table: deeper levels are counted only.
int LevelSlot(int nLevel) { return nLevel >= 1 && nLevel <= GX_LONGOP_MAXLEVEL ? nLevel - 1 : -1; }

const char kSpinner[4] = {'-', '\\', '|', '/'};

}  // namespace

GX_LONGOP_STATE* GXGetLongOperationState() {
  static GX_LONGOP_STATE s_state;
  return &s_state;
}

DWORD CGXLongOperationPlatform::GetTickCount() {
  using namespace std::chrono;
  return (DWORD)duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void GXSetLongOperationPlatform(CGXLongOperationPlatform* pPlatform) {
  g_pPlatform = pPlatform != nullptr ? pPlatform : &g_defaultPlatform;
}

void CGXLongOperationImp::Begin(CGXLongOperation* pOp) {
  GX_LONGOP_STATE* p = GXGetLongOperationState();
  ++p->nLevel;
  const int nSlot = LevelSlot(p->nLevel);
  if (p->nLevel > 1) {
    // An inner level shows its enclosing level's text until it sets its own.
    const int nOuter = LevelSlot(p->nLevel - 1);
    LPCTSTR pszOuter = nOuter >= 0 ? p->apszLevelText[nOuter] : nullptr;
    if (nSlot >= 0) {
      p->apszLevelText[nSlot] = pszOuter;
      p->abLevelTextOwned[nSlot] = 0;
    }
    pOp->m_pszText = nSlot >= 0 ? pszOuter : p->apszLevelText[GX_LONGOP_MAXLEVEL - 1];
  } else {
    p->nTextLevelLimit = -1;
    p->nPercent = -1;
    p->bCancelRequested = FALSE;
    p->bWaitCursor = FALSE;
    p->bCancelAllowed = TRUE;
    p->bRollbackOffered = FALSE;
    p->apszLevelText[0] = p->sDefaultText;
    p->abLevelTextOwned[0] = 0;
    pOp->m_pszText = p->sDefaultText;
    p->bFrameWindow = g_pPlatform->FindFrameWindow();
  }
  p->bAborted = FALSE;
  p->bRollbackRequested = FALSE;
  pOp->m_nStartTicks = pOp->m_nLastTicks = g_pPlatform->GetTickCount();
  pOp->m_bShowDone = TRUE;
  pOp->m_bShowText = TRUE;
}

void CGXLongOperationImp::End(CGXLongOperation* pOp) {
  GX_LONGOP_STATE* p = GXGetLongOperationState();
  FreeStatusText(pOp);
  if (p->nLevel > 0)
    --p->nLevel;
  if (p->nLevel == 0 && p->bWaitCursor) {
    g_pPlatform->EndWaitCursor();
    p->bWaitCursor = FALSE;
    if (pOp->m_bShowDone && p->bFrameWindow)
      g_pPlatform->SetFrameStatusText(p->sDoneText);
  }
}

void CGXLongOperationImp::FreeStatusText(CGXLongOperation* pOp) {
  GX_LONGOP_STATE* p = GXGetLongOperationState();
  const int nSlot = LevelSlot(p->nLevel);
  if (nSlot < 0 || !p->abLevelTextOwned[nSlot])
    return;
  if (pOp->m_pszText == p->apszLevelText[nSlot])
    pOp->m_pszText = nullptr;
  delete[] p->apszLevelText[nSlot];
  p->apszLevelText[nSlot] = nullptr;
  p->abLevelTextOwned[nSlot] = 0;
}

BOOL CGXLongOperationImp::SetStatusText(CGXLongOperation* pOp, LPCTSTR pszText, BOOL bCopy) {
  GX_LONGOP_STATE* p = GXGetLongOperationState();
  FreeStatusText(pOp);
  if (p->nTextLevelLimit != -1 && p->nLevel > p->nTextLevelLimit + 1)
    return FALSE;
  const int nSlot = LevelSlot(p->nLevel);
  if (pszText == nullptr)
    pszText = "";
  if (!bCopy) {
    pOp->m_pszText = pszText;
    if (nSlot >= 0)
      p->apszLevelText[nSlot] = pszText;
    return TRUE;
  }
  // A private copy needs a slot that frees it; deeper levels keep the text they inherited.
  if (nSlot < 0)
    return FALSE;
  const size_t nLength = std::strlen(pszText);
  char* pszCopy = new char[nLength + 1];
  std::memcpy(pszCopy, pszText, nLength + 1);
  p->apszLevelText[nSlot] = pszCopy;
  p->abLevelTextOwned[nSlot] = 1;
  pOp->m_pszText = pszCopy;
  return TRUE;
}

BOOL CGXLongOperationImp::TooEarly(const CGXLongOperation* pOp, DWORD nNow) const {
  const GX_LONGOP_STATE* p = GXGetLongOperationState();
  if (!p->bWaitCursor)
    return nNow - pOp->m_nStartTicks < p->nFirstDelay;
  return nNow - pOp->m_nLastTicks < p->nRepeatInterval;
}

void CGXLongOperationImp::SendStatusLine(const CGXLongOperation* pOp, BOOL bWithHint) {
  GX_LONGOP_STATE* p = GXGetLongOperationState();
  if (!pOp->m_bShowText || !p->bFrameWindow)
    return;
  if (p->nTextLevelLimit != -1 && p->nLevel > p->nTextLevelLimit + 1)
    return;
  CString sLine = pOp->m_pszText != nullptr ? pOp->m_pszText : "";
  if (p->nPercent != -1) {
    CString sPercent;
    sPercent.Format(" %3d%%. ", p->nPercent);
    sLine += sPercent;
  }
  if (bWithHint && p->bCancelAllowed)
    sLine += "   " + p->sCancelHint;
  if (p->nPercent == -1) {
    sLine += "  ";
    sLine += kSpinner[p->nSpinner];
    p->nSpinner = (p->nSpinner + 1) % 4;
  }
  std::snprintf(p->szStatusLine, sizeof(p->szStatusLine), "%s", (LPCTSTR)sLine);
  g_pPlatform->SetFrameStatusText(p->szStatusLine);
}

BOOL CGXLongOperationImp::ShowProgress(CGXLongOperation* pOp) {
  const DWORD nNow = g_pPlatform->GetTickCount();
  if (TooEarly(pOp, nNow))
    return FALSE;
  SendStatusLine(pOp, FALSE);
  ProcessMessages(pOp);
  pOp->m_nLastTicks = g_pPlatform->GetTickCount();
  return TRUE;
}

BOOL CGXLongOperationImp::CheckAbort(CGXLongOperation* pOp, BOOL* pbAbort) {
  GX_LONGOP_STATE* p = GXGetLongOperationState();
  if (pbAbort != nullptr)
    *pbAbort = FALSE;
  const DWORD nNow = g_pPlatform->GetTickCount();
  if (TooEarly(pOp, nNow))
    return FALSE;
  SendStatusLine(pOp, TRUE);
  ProcessMessages(pOp);
  if (p->bCancelAllowed && p->bCancelRequested && !p->bAborted) {
    if (!p->bAskBeforeAbort) {
      p->bAborted = TRUE;
      p->bRollbackRequested = p->bRollbackOffered;
    } else if (!p->bRollbackOffered) {
      p->bAborted = g_pPlatform->AskAbort(p->sAbortQuestion, FALSE) == 6;
    } else {
      switch (g_pPlatform->AskAbort(p->sAbortQuestion, TRUE)) {
        case 3:
          p->bAborted = TRUE;
          break;
        case 4:
          p->bAborted = TRUE;
          p->bRollbackRequested = TRUE;
          break;
        default:
          break;
      }
    }
    p->bCancelRequested = FALSE;
  }
  if (pbAbort != nullptr)
    *pbAbort = p->bAborted;
  pOp->m_nLastTicks = g_pPlatform->GetTickCount();
  return TRUE;
}

void CGXLongOperationImp::ProcessMessages(CGXLongOperation* pOp) {
  (void)pOp;
  GX_LONGOP_STATE* p = GXGetLongOperationState();
  if (!p->bWaitCursor) {
    g_pPlatform->BeginWaitCursor();
    p->bWaitCursor = TRUE;
  }
  if (g_pPlatform->PumpMessages())
    p->bCancelRequested = TRUE;
}

void InstallLongOperationImp() {
  GX_GRID_STATE* pState = GXGetAppState();
  if (pState->m_pLongOperationImp != nullptr)
    return;
  GX_LONGOP_STATE* p = GXGetLongOperationState();
  CString s;
  if (GXLoadString(20075, s))
    p->sDefaultText = s;
  if (GXLoadString(20076, s))
    p->sDoneText = s;
  if (GXLoadString(20077, s))
    p->sCancelHint = s;
  if (GXLoadString(20081, s))
    p->sAbortQuestion = s;
  CGXLongOperationImp* pImp = new CGXLongOperationImp;
  pState->m_pLongOperationImp = pImp;
  pState->AddAppAutoDelete(pImp);
}
