// The recent-file list: profile storage and the menu items.
#include "RecentFileList.h"

#include "Win32Platform.h"

#include <cstdio>

#include "CmdTarget.h"
#include "Menu.h"
#include "WinApp.h"

CRecentFileList::CRecentFileList(UINT nStart, LPCSTR lpszSection, LPCSTR lpszEntryFormat, int nSize)
    : m_nStart(nStart), m_strSectionName(lpszSection), m_strEntryFormat(lpszEntryFormat),
      m_arrNames(static_cast<size_t>(nSize)) {}

void CRecentFileList::Add(LPCSTR lpszPathName) {
  CString path(lpszPathName);
  size_t found = m_arrNames.size() - 1;
  for (size_t i = 0; i < m_arrNames.size(); ++i) {
    if (m_arrNames[i].CompareNoCase(path) == 0) {
      found = i;
      break;
    }
  }
  for (size_t i = found; i > 0; --i) m_arrNames[i] = m_arrNames[i - 1];
  m_arrNames[0] = path;
}

void CRecentFileList::Remove(int nIndex) {
  for (size_t i = static_cast<size_t>(nIndex); i + 1 < m_arrNames.size(); ++i) m_arrNames[i] = m_arrNames[i + 1];
  m_arrNames.back().Empty();
}

void CRecentFileList::ReadList() {
  CWinApp* app = AfxGetApp();
  for (size_t i = 0; i < m_arrNames.size(); ++i) {
    CString entry;
    entry.Format(m_strEntryFormat, static_cast<int>(i + 1));
    m_arrNames[i] = app->GetProfileString(m_strSectionName, entry, "");
  }
}

void CRecentFileList::WriteList() const {
  CWinApp* app = AfxGetApp();
  // Rewrite the whole section so that names dropped from the list leave the profile too.
  app->WriteProfileString(m_strSectionName, nullptr, nullptr);
  for (size_t i = 0; i < m_arrNames.size(); ++i) {
    if (m_arrNames[i].IsEmpty()) continue;
    CString entry;
    entry.Format(m_strEntryFormat, static_cast<int>(i + 1));
    app->WriteProfileString(m_strSectionName, entry, m_arrNames[i]);
  }
}

void CRecentFileList::UpdateMenu(CCmdUI* pCmdUI) {
  CMenu* menu = pCmdUI->m_pMenu;
  if (!menu) return;
  if (m_arrNames.empty() || m_arrNames[0].IsEmpty()) {
    // Keep the placeholder item as the resource has it, disabled.
    pCmdUI->Enable(FALSE);
    return;
  }
  // Remove the items of an earlier update, then insert one per name where the first one was.
  for (size_t i = 0; i < m_arrNames.size(); ++i) menu->DeleteMenu(pCmdUI->m_nID + static_cast<UINT>(i), MF_BYCOMMAND);
  UINT index = pCmdUI->m_nIndex;
  for (size_t i = 0; i < m_arrNames.size() && !m_arrNames[i].IsEmpty(); ++i) {
    CString text;
    // "&1 path": ampersands in the path itself are doubled so they show.
    CString path = m_arrNames[i];
    path.Replace("&", "&&");
    text.Format("&%d %s", static_cast<int>(i + 1 + m_nStart), static_cast<LPCSTR>(path));
    menu->InsertMenu(index++, MF_STRING | MF_BYPOSITION, pCmdUI->m_nID + i, text);
  }
  // The caller's walk over the menu continues after the inserted items.
  pCmdUI->m_nIndex = index - 1;
  pCmdUI->m_nIndexMax = menu->GetMenuItemCount();
  pCmdUI->m_bEnableChanged = TRUE;
}
