// CMenu: a thin object over an HMENU. It destroys the menu only when it loaded or created it;
// menus owned by windows are reached through temporary objects (FromHandle, GetSubMenu).
#pragma once

#include "Win32Platform.h"

#include "Framework.h"

class CWnd;

class CMenu : public CObject {
  DECLARE_DYNCREATE(CMenu)
 public:
  HMENU m_hMenu = nullptr;

  CMenu() = default;
  ~CMenu() override { DestroyMenu(); }
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  static CMenu* FromHandle(HMENU h);
  BOOL Attach(HMENU h);
  HMENU Detach();
  HMENU GetSafeHmenu() const { return m_hMenu; }
  operator HMENU() const { return m_hMenu; }

  BOOL LoadMenu(UINT nIDResource);
  BOOL CreateMenu() { return Attach(::CreateMenu()); }
  BOOL CreatePopupMenu() { return Attach(::CreatePopupMenu()); }
  BOOL DestroyMenu();

  UINT GetMenuItemCount() const { return static_cast<UINT>(::GetMenuItemCount(m_hMenu)); }
  UINT GetMenuItemID(int nPos) const { return ::GetMenuItemID(m_hMenu, nPos); }
  UINT GetMenuState(UINT nID, UINT nFlags) const { return ::GetMenuState(m_hMenu, nID, nFlags); }
  int GetMenuString(UINT nID, LPSTR s, int n, UINT nFlags) const { return ::GetMenuStringA(m_hMenu, nID, s, n, nFlags); }
  int GetMenuString(UINT nID, CString& s, UINT nFlags) const;
  CMenu* GetSubMenu(int nPos) const { return FromHandle(::GetSubMenu(m_hMenu, nPos)); }
  BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = nullptr) {
    return ::AppendMenuA(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
  }
  BOOL InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = nullptr) {
    return ::InsertMenuA(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem);
  }
  BOOL ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = nullptr) {
    return ::ModifyMenuA(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem);
  }
  BOOL RemoveMenu(UINT nPosition, UINT nFlags) { return ::RemoveMenu(m_hMenu, nPosition, nFlags); }
  BOOL DeleteMenu(UINT nPosition, UINT nFlags) { return ::DeleteMenu(m_hMenu, nPosition, nFlags); }
  UINT EnableMenuItem(UINT nID, UINT nEnable) { return ::EnableMenuItem(m_hMenu, nID, nEnable); }
  UINT CheckMenuItem(UINT nID, UINT nCheck) { return ::CheckMenuItem(m_hMenu, nID, nCheck); }
  BOOL CheckMenuRadioItem(UINT first, UINT last, UINT item, UINT flags) {
    return ::CheckMenuRadioItem(m_hMenu, first, last, item, flags);
  }
  BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, const RECT* lpRect = nullptr);

  void AttachTemporary(HMENU h) { m_hMenu = h; }
  void DetachTemporary() { m_hMenu = nullptr; }
};
