// CDWGProperties: the modal "Properties" dialog of a vector drawing, its file data in a tree.
// CShxMapDlg: the modal "SHX Mapping" dialog, which lists the shape fonts that drawings asked
// for and the files that were drawn in their place.
// Not for: the lines of the tree (model/DwgPropertyItems.h), the substitution list (DwgHost's).
#pragma once

#include "FrameworkWin.h"

class CDWGProperties : public CDialog {
 public:
  explicit CDWGProperties(CWnd* parent);
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;

  // Set by the caller before the dialog runs.
  CString m_strFileType;
  double m_dHeight = 0;  // drawing units
  double m_dWidth = 0;
  CString m_strAnnotations;
  CString m_strFileName;

  CTreeCtrl m_tree;

 private:
  CImageList m_images;
};

class CShxMapDlg : public CDialog {
 public:
  explicit CShxMapDlg(CWnd* parent);
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;

  CListCtrl m_list;
};
