// The embedded item of a Vellview document.
#include "VLRSrvrItem.h"

#include "VLRDoc.h"

IMPLEMENT_DYNAMIC(CVLRSrvrItem, COleServerItem)

CVLRSrvrItem::CVLRSrvrItem(CVLRDoc* pContainerDoc) : COleServerItem(pContainerDoc, TRUE) {}

void CVLRSrvrItem::Serialize(CArchive& ar) {
  if (IsEmbeddedItem()) GetDocument()->Serialize(ar);
}

BOOL CVLRSrvrItem::OnGetExtent(DVASPECT nDrawAspect, CSize& rSize) {
  if (nDrawAspect != DVASPECT_CONTENT) return COleServerItem::OnGetExtent(nDrawAspect, rSize);
  rSize = CSize(kExtent, kExtent);
  return TRUE;
}

BOOL CVLRSrvrItem::OnDraw(CDC* pDC, CSize&) {
  ::SetMapMode(pDC->m_hDC, MM_ANISOTROPIC);
  ::SetWindowOrgEx(pDC->m_hDC, 0, 0, nullptr);
  ::SetWindowExtEx(pDC->m_hDC, kExtent, kExtent, nullptr);
  const CRect place(10, 10, 1010, 1010);
  for (COleClientItem* item : GetDocument()->GetClientItems()) item->Draw(pDC, &place);
  return TRUE;
}
