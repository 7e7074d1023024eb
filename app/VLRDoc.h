// CVLRDoc: the document of one drawing. This is the shell's first form of it, enough for the
// program to open documents from every road (command line, File Open, drag and drop, DDE) and
// to work off the pending DDE files; the raster and vector open road replaces its open.
#pragma once

#include "FrameworkWin.h"

class CVLRDoc : public CDocument {
  DECLARE_DYNCREATE(CVLRDoc)
 public:
  CVLRDoc() = default;
  BOOL OnNewDocument() override;
  BOOL OnOpenDocument(LPCSTR lpszPathName) override;
};
