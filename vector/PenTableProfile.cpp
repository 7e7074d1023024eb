// The pen-width table's lists from the application's profile.
#include "PenTable.h"

#include "FrameworkWin.h"

void CPenTable::Init(const CString& section, double scale) {
  m_dScale = scale;
  if (!section.IsEmpty() && ReadProfile(section)) return;
  SetDefaults();
}

int CPenTable::ReadProfile(const char* section) {
  CWinApp* app = AfxGetApp();
  CString list1 = app->GetProfileString(section, "Penlist1", "");
  if (list1.IsEmpty()) return 0;
  CString list2 = app->GetProfileString(section, "Penlist2", "");
  return ReadLists(list1, list2);
}
