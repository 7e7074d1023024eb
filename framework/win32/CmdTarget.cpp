// Message-map lookup and command dispatch for every command target, and the command-UI object
// that update handlers fill in for menu items. Routing between objects lives in their classes.
#include "CmdTarget.h"

#include "Menu.h"
#include "WinApp.h"
#include "Wnd.h"

// Handlers are called through their own member-pointer type, cast back from the one type the
// map stores (see CmdTarget.h).
#pragma GCC diagnostic ignored "-Wcast-function-type"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxSig_end, nullptr}};
  static const AFX_MSGMAP map = {nullptr, &entries[0]};
  return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP_ENTRY* CCmdTarget::FindEntry(const AFX_MSGMAP_ENTRY* e, UINT nMessage, UINT nCode, UINT nID) {
  for (; e->nSig != AfxSig_end; ++e) {
    if (e->nMessage == nMessage && e->nCode == nCode && nID >= e->nID && nID <= e->nLastID) return e;
  }
  return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    const AFX_MSGMAP_ENTRY* e = FindEntry(map->lpEntries, WM_COMMAND, static_cast<UINT>(nCode), nID);
    // A range handler may decline a command (returning FALSE): the search then goes on.
    while (e) {
      if (pHandlerInfo) {
        pHandlerInfo->pTarget = this;
        pHandlerInfo->pmf = e->pfn;
        return TRUE;
      }
      if (DispatchCmdMsg(nID, nCode, e, pExtra)) return TRUE;
      e = FindEntry(e + 1, WM_COMMAND, static_cast<UINT>(nCode), nID);
    }
  }
  return FALSE;
}

BOOL CCmdTarget::DispatchCmdMsg(UINT nID, int nCode, const AFX_MSGMAP_ENTRY* e, void* pExtra) {
  switch (e->nSig) {
    case AfxSig_vv:
      (this->*e->pfn)();
      return TRUE;
    case AfxSig_vw:
      (this->*reinterpret_cast<void (CCmdTarget::*)(UINT)>(e->pfn))(nID);
      return TRUE;
    case AfxSig_bw:
      return (this->*reinterpret_cast<BOOL (CCmdTarget::*)(UINT)>(e->pfn))(nID);
    case AfxSig_cmdui: {
      CCmdUI* ui = static_cast<CCmdUI*>(pExtra);
      ui->m_bContinueRouting = FALSE;
      (this->*reinterpret_cast<void (CCmdTarget::*)(CCmdUI*)>(e->pfn))(ui);
      return !ui->m_bContinueRouting;
    }
    default:
      (void)nCode;
      return FALSE;
  }
}

void CCmdTarget::BeginWaitCursor() { AfxGetApp()->DoWaitCursor(1); }
void CCmdTarget::EndWaitCursor() { AfxGetApp()->DoWaitCursor(-1); }
void CCmdTarget::RestoreWaitCursor() { AfxGetApp()->DoWaitCursor(0); }

// --- CCmdUI (menu items; bars derive their own) ------------------------------------------------------

void CCmdUI::Enable(BOOL bOn) {
  if (m_pMenu) {
    if (m_pSubMenu) return;  // a popup item has no command of its own
    ::EnableMenuItem(m_pMenu->m_hMenu, m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
  } else if (m_pOther) {
    ::EnableWindow(m_pOther->m_hWnd, bOn);
  }
  m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int nCheck) {
  if (m_pMenu) {
    if (m_pSubMenu) return;
    ::CheckMenuItem(m_pMenu->m_hMenu, m_nIndex, MF_BYPOSITION | (nCheck ? MF_CHECKED : MF_UNCHECKED));
  } else if (m_pOther) {
    // A check box or radio button in a dialog bar.
    if (m_pOther->SendMessage(WM_GETDLGCODE) & DLGC_BUTTON) m_pOther->SendMessage(BM_SETCHECK, nCheck);
  }
}

void CCmdUI::SetRadio(BOOL bOn) {
  if (m_pMenu && !m_pSubMenu) {
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE | MIIM_STATE;
    ::GetMenuItemInfoA(m_pMenu->m_hMenu, m_nIndex, TRUE, &mii);
    mii.fType = bOn ? (mii.fType | MFT_RADIOCHECK) : (mii.fType & ~MFT_RADIOCHECK);
    mii.fState = bOn ? (mii.fState | MFS_CHECKED) : (mii.fState & ~MFS_CHECKED);
    ::SetMenuItemInfoA(m_pMenu->m_hMenu, m_nIndex, TRUE, &mii);
    return;
  }
  SetCheck(bOn ? 1 : 0);
}

void CCmdUI::SetText(LPCSTR lpszText) {
  if (m_pMenu) {
    if (m_pSubMenu) return;
    UINT state = ::GetMenuState(m_pMenu->m_hMenu, m_nIndex, MF_BYPOSITION) & ~MF_POPUP & 0xFF;
    ::ModifyMenuA(m_pMenu->m_hMenu, m_nIndex, MF_BYPOSITION | MF_STRING | state, m_nID, lpszText);
  } else if (m_pOther) {
    ::SetWindowTextA(m_pOther->m_hWnd, lpszText);
  }
}

BOOL CCmdUI::DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHandler) {
  if (m_nID == 0 || LOWORD(m_nID) == 0xFFFF) return TRUE;  // separators and invalid ids stay as they are
  m_bEnableChanged = FALSE;
  BOOL handled = pTarget->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this, nullptr);
  if (bDisableIfNoHandler && !m_bEnableChanged) {
    AFX_CMDHANDLERINFO info = {nullptr, nullptr};
    Enable(pTarget->OnCmdMsg(m_nID, CN_COMMAND, this, &info));
  }
  return handled;
}

namespace {
// Records what an update handler decides, without a menu or bar behind it.
class CTestCmdUI : public CCmdUI {
 public:
  BOOL m_bEnabled = TRUE;
  void Enable(BOOL bOn) override {
    m_bEnabled = bOn;
    m_bEnableChanged = TRUE;
  }
  void SetCheck(int) override {}
  void SetRadio(BOOL) override {}
  void SetText(LPCSTR) override {}
};
}  // namespace

BOOL AfxDispatchCommand(CCmdTarget* target, UINT nID) {
  // A command that its update handler disables is not carried out, whether it came from a menu,
  // an accelerator or a toolbar: the accelerator would otherwise run a disabled command.
  CTestCmdUI state;
  state.m_nID = nID;
  target->OnCmdMsg(nID, CN_UPDATE_COMMAND_UI, &state, nullptr);
  if (!state.m_bEnabled) return TRUE;
  return target->OnCmdMsg(nID, CN_COMMAND, nullptr, nullptr);
}
