// An embedded object of a Vellview document.
#include "VLRCntrItem.h"

#include "VLRDoc.h"

IMPLEMENT_DYNCREATE(CVLRCntrItem, COleClientItem)

CVLRCntrItem::CVLRCntrItem(CVLRDoc* pContainer) : COleClientItem(pContainer) {}

void CVLRCntrItem::OnChange(OLE_NOTIFICATION nCode, DWORD dwParam) {
  COleClientItem::OnChange(nCode, dwParam);
  if (COleDocument* doc = GetDocument()) doc->UpdateAllViews(nullptr, 0, nullptr);
}

BOOL CVLRCntrItem::OnChangeItemPosition(const CRect& rectPos) {
  return COleClientItem::OnChangeItemPosition(rectPos) ? TRUE : FALSE;
}

void CVLRCntrItem::OnGetItemPosition(CRect& rPosition) { rPosition = ItemPosition(); }

void CVLRCntrItem::OnDeactivateUI(BOOL bUndoable) {
  COleClientItem::OnDeactivateUI(bUndoable);
  Deactivate();
}

BOOL CVLRCntrItem::CanActivate() {
  // An object inside a document that is itself edited in place in another container stays put.
  COleDocument* doc = GetDocument();
  if (doc && doc->IsInPlaceActive()) return FALSE;
  return COleClientItem::CanActivate();
}
