// CVLRView: the view of a document. This is the shell's first form of it: it names the
// document's file; drawing, zoom and tools come with the view's own work.
#pragma once

#include "FrameworkWin.h"

class CVLRView : public CView {
  DECLARE_DYNCREATE(CVLRView)
 public:
  CVLRView() = default;
  void OnDraw(CDC* pDC) override;
};
