// CDWGLayers: the modal "DWG Layers" dialog in which the user switches the layers of the current
// vector drawing on and off and saves, picks and deletes named layer settings. OK stores the
// states in the drawing; Cancel puts back whatever the dialog changed, the drawing's layers
// included, and drops the drawing's cached picture only when its layers changed.
// Not for: the rules of the lists and the states (model/LayerDialogModel.h, model/LayerList.h).
#pragma once

#include "FrameworkWin.h"

#include <memory>

#include "vector/Dwg.h"

class CDWGLayers : public CDialog {
 public:
  CDWGLayers(CDwg* dwg, CWnd* parent);
  ~CDWGLayers() override;

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;
  void OnCancel() override;

  void OnHideAll();
  void OnShowAll();
  void OnClickLayer(NMHDR* pNMHDR, LRESULT* pResult);
  void OnKeyDownLayer(NMHDR* pNMHDR, LRESULT* pResult);
  void OnDeleteSetting();
  void OnSaveSetting();
  void OnSelchangeSetting();

  // The value OK stored as "LLSet" (the chosen combo text); empty before OK.
  CString m_strChosenSetting;
  // After Cancel: the drawing's layers were changed and put back.
  BOOL m_bCancelRestoredLayers = FALSE;

  CButton m_btnDelete;
  CComboBox m_cbSetting;
  CListCtrl m_lcLayers;
  int m_nSetting = 0;

  DECLARE_MESSAGE_MAP()

 private:
  void FillLayerList(BOOL fromUserStates);
  void FillSettingCombo();
  void ShowState(int item);
  CString ChosenText();

  CDwg* m_pDwg;  // borrowed
  DwgToolkitLayers m_layers;
  std::unique_ptr<CDwgLayersModel> m_pModel;
  CImageList m_images;
};
