// CRasterProperties: the "Properties" dialog of a raster document: a tree with the raster's file,
// its annotation file, format, resolution, colours and size.
// Not for: the vector drawing's properties (the vector side has its own dialog).
#pragma once

#include "FrameworkWin.h"

class CRaster;

class CRasterProperties : public CDialog {
  DECLARE_DYNAMIC(CRasterProperties)
 public:
  // The raster is borrowed for the dialog's life.
  CRasterProperties(const CRaster* pRaster, LPCSTR lpszAnnotationPath, CWnd* pParentWnd = nullptr);

  BOOL OnInitDialog() override;

 private:
  void FillTree();
  const CRaster* m_pRaster;  // borrowed
  CString m_strAnnotationPath;
  CTreeCtrl m_tree;
  CImageList m_images;
};
