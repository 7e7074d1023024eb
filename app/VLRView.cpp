// The view's first form.
#include "VLRView.h"

IMPLEMENT_DYNCREATE(CVLRView, CView)

void CVLRView::OnDraw(CDC* pDC) {
  CDocument* doc = GetDocument();
  if (!doc) return;
  const CString& path = doc->GetPathName();
  ::TextOutA(pDC->m_hDC, 8, 8, path, path.GetLength());
}
