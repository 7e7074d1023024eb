// What start-up needs of its neighbours: the grid library's start-up entry, and the modeless
// CALS header dialog in the least form its services ask for (replaced by the real one when the
// CALS dialogs land).
#pragma once

#include "FrameworkWin.h"
#include "GXControlFactory.h"  // InitGridLibrary

class CDocument;

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
