// CVLRSrvrItem: the document's embedded item, what a container shows of an embedded drawing: a
// fixed extent and a picture that holds the document's own embedded objects.
// Not for: the drawing itself, which is not rendered into the container's picture.
#pragma once

#include "FrameworkWin.h"

class CVLRDoc;

class CVLRSrvrItem : public COleServerItem {
  DECLARE_DYNAMIC(CVLRSrvrItem)
 public:
  explicit CVLRSrvrItem(CVLRDoc* pContainerDoc);

  // The size of the content aspect in HIMETRIC.
  static const LONG kExtent = 3000;

  BOOL OnDraw(CDC* pDC, CSize& rSize) override;
  BOOL OnGetExtent(DVASPECT nDrawAspect, CSize& rSize) override;
  void Serialize(CArchive& ar) override;
};
