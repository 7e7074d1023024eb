// CVLRCntrItem: an object of another program embedded in a Vellview document. It always sits at
// one place of the document and closes when its user interface goes away.
#pragma once

#include "FrameworkWin.h"

class CVLRDoc;

class CVLRCntrItem : public COleClientItem {
  DECLARE_DYNCREATE(CVLRCntrItem)
 public:
  explicit CVLRCntrItem(CVLRDoc* pContainer = nullptr);

  // Where every embedded object lies, in the document's logical units.
  static CRect ItemPosition() { return CRect(10, 10, 210, 210); }

  void OnChange(OLE_NOTIFICATION nCode, DWORD dwParam) override;
  BOOL OnChangeItemPosition(const CRect& rectPos) override;
  void OnGetItemPosition(CRect& rPosition) override;
  void OnDeactivateUI(BOOL bUndoable) override;
  BOOL CanActivate() override;
};
