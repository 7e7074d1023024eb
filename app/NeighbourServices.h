// What start-up needs of two neighbours that have not landed yet, in the least form their
// services ask for: the grid library's start-up entry and the modeless CALS header dialog.
// Each is replaced by the real one when the grid library and the CALS dialogs land.
#pragma once

#include "FrameworkWin.h"

class CDocument;

// Starts the grid library; no result is checked by the caller.
void InitGridLibrary(int nCacheSize, int nReserved1, int nReserved2);

// The modeless CALS header dialog; the application keeps at most one.
class CCalsHeaderDlg : public CDialog {
  DECLARE_DYNAMIC(CCalsHeaderDlg)
 public:
  explicit CCalsHeaderDlg(CWnd* pParentWnd = nullptr);
  BOOL Create();
  void OnCancel() override;

  CDocument* m_pDocument = nullptr;  // borrowed: the document whose command opened it, or null
};

// The CALS header command of the application (no document) and of a document: creates and
// shows the dialog when it is closed; hides, destroys and deletes it when it is open.
void ToggleCalsHeaderDialog(CDocument* pDocument);
