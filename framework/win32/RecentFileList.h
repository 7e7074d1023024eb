// The recent-file list: the last files opened, newest first, kept in a profile section and shown
// as numbered items in place of the File menu's first recent-file item.
#pragma once

#include <vector>

#include "Framework.h"

class CCmdUI;

class CRecentFileList {
 public:
  CRecentFileList(UINT nStart, LPCSTR lpszSection, LPCSTR lpszEntryFormat, int nSize);

  int GetSize() const { return static_cast<int>(m_arrNames.size()); }
  const CString& operator[](int nIndex) const { return m_arrNames[static_cast<size_t>(nIndex)]; }
  // Puts the file first; a file already in the list (in any case) moves up, the oldest falls out.
  void Add(LPCSTR lpszPathName);
  void Remove(int nIndex);
  void ReadList();
  void WriteList() const;
  // Replaces the menu's recent-file items by the list; with no files the item stays, disabled.
  void UpdateMenu(CCmdUI* pCmdUI);

 private:
  UINT m_nStart;
  CString m_strSectionName;
  CString m_strEntryFormat;
  std::vector<CString> m_arrNames;  // always m_nSize long; empty names are unused slots
};
