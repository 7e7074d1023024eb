// The annotation-layer dialogs: CAnnLayers lists the layers of a document's set, toggles their
// visibility, creates, changes, removes and empties them and picks the current one; CAnnLayDlg
// edits one layer. CAnnLayers works on CAnnLayerList, so Cancel leaves the set as it was.
#pragma once

#include <memory>
#include <vector>

#include "FrameworkWin.h"

class CAnnLayerList;
class CVlr;

class CAnnLayDlg : public CDialog {
 public:
  CAnnLayDlg(LPCSTR lpszName, BOOL bVisible, COLORREF crColour, CWnd* pParent);
  BOOL OnInitDialog() override;
  // An empty name keeps the dialog open.
  void OnOK() override;
  void OnSelectColour();
  void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);

  CString m_strName;
  BOOL m_bVisible;
  COLORREF m_crColour;

  DECLARE_MESSAGE_MAP()
};

class CAnnLayers : public CDialog {
 public:
  CAnnLayers(CVlr& set, CWnd* pParent);  // the set is borrowed
  ~CAnnLayers() override;
  BOOL OnInitDialog() override;
  void OnOK() override;

  void OnNew();
  void OnChange();
  void OnRemove();
  void OnEmpty();
  void OnShowAll();
  void OnHideAll();
  void OnTimer(UINT_PTR nIDEvent);
  void OnListClick(NMHDR* pNotify, LRESULT* pResult);
  void OnListKeyDown(NMHDR* pNotify, LRESULT* pResult);
  void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);

  DECLARE_MESSAGE_MAP()

 private:
  void BuildList();
  void ShowCurrent();
  int SelectedItem() const;
  void ToggleSelected();
  HWND List() const;

  CVlr& m_set;
  std::unique_ptr<CAnnLayerList> m_pList;
  HIMAGELIST m_hImages = nullptr;  // owned: the hidden and visible check images
};

