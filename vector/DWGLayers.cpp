// The layer dialog's controls over the layer dialog model.
#include "vector/DWGLayers.h"

#include "vector/VectorResource.h"

namespace {

CString LoadText(UINT id, const char* fallback) {
  CString s;
  if (!s.LoadString(id)) s = fallback;
  return s;
}

}  // namespace

BEGIN_MESSAGE_MAP(CDWGLayers, CDialog)
  ON_BN_CLICKED(IDC_DWGLAY_HIDEALL, OnHideAll)
  ON_BN_CLICKED(IDC_DWGLAY_SHOWALL, OnShowAll)
  ON_NOTIFY(NM_CLICK, IDC_DWGLAY_LIST, OnClickLayer)
  ON_NOTIFY(LVN_KEYDOWN, IDC_DWGLAY_LIST, OnKeyDownLayer)
  ON_BN_CLICKED(IDC_DWGLAY_DELETE, OnDeleteSetting)
  ON_BN_CLICKED(IDC_DWGLAY_SAVE, OnSaveSetting)
  ON_CBN_SELCHANGE(IDC_DWGLAY_SETTING, OnSelchangeSetting)
END_MESSAGE_MAP()

CDWGLayers::CDWGLayers(CDwg* dwg, CWnd* parent)
    : CDialog(IDD_DWG_LAYERS, parent), m_pDwg(dwg), m_layers(dwg->GetDrawing()) {
  m_pModel.reset(new CDwgLayersModel(m_layers, *dwg->GetLayerLists(), dwg->m_userLayerStates,
                                     dwg->m_strCurrentLayerList));
}

CDWGLayers::~CDWGLayers() = default;

void CDWGLayers::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_DWGLAY_DELETE, m_btnDelete);
  DDX_Control(pDX, IDC_DWGLAY_SETTING, m_cbSetting);
  DDX_Control(pDX, IDC_DWGLAY_LIST, m_lcLayers);
  DDX_CBIndex(pDX, IDC_DWGLAY_SETTING, m_nSetting);
}

BOOL CDWGLayers::OnInitDialog() {
  CDialog::OnInitDialog();
  if (m_images.Create(IDB_DWG_LAYER_STATES, 16, 2, RGB(0, 255, 0))) m_lcLayers.SetImageList(&m_images, LVSIL_SMALL);
  CRect client;
  m_lcLayers.GetClientRect(&client);
  m_lcLayers.InsertColumn(0, LoadText(IDS_DWGLAY_LAYER, "Layer"), LVCFMT_LEFT, 140);
  m_lcLayers.InsertColumn(1, LoadText(IDS_DWGLAY_DESCRIPTION, "Description"), LVCFMT_LEFT, client.Width() - 158);
  FillLayerList(TRUE);
  FillSettingCombo();
  return TRUE;
}

void CDWGLayers::ShowState(int item) {
  const int layer = static_cast<int>(m_lcLayers.GetItemData(item));
  LVITEMA lvi = {};
  lvi.mask = LVIF_IMAGE;
  lvi.iItem = item;
  lvi.iImage = m_pModel->IsOn(layer) ? 1 : 0;
  m_lcLayers.SendMessage(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&lvi));
}

void CDWGLayers::FillLayerList(BOOL fromUserStates) {
  m_lcLayers.DeleteAllItems();
  m_pModel->Refill(fromUserStates != FALSE);
  CLayerList* lists = m_pDwg->GetLayerLists();
  for (int i = 0; i < m_pModel->LayerCount(); ++i) {
    const CString name = m_pModel->LayerName(i);
    const int item = m_lcLayers.InsertItem(i, name, m_pModel->IsOn(i) ? 1 : 0);
    m_lcLayers.SetItemText(item, 1, lists->GetDescription(name));
    m_lcLayers.SetItemData(item, static_cast<DWORD_PTR>(i));
  }
}

void CDWGLayers::FillSettingCombo() {
  m_cbSetting.ResetContent();
  CStringArray names;
  m_pModel->SettingNames(names);
  for (int i = 0; i < names.GetSize(); ++i) {
    const int item = m_cbSetting.AddString(i == 0 ? LoadText(IDS_DWGLAY_STANDARD, CDwgLayersModel::kStandardText)
                                                  : names.GetAt(i));
    m_cbSetting.SetItemData(item, i == 0 ? 1 : 0);
  }
  m_nSetting = m_pModel->CurrentSettingIndex();
  m_cbSetting.SetCurSel(m_nSetting);
  m_btnDelete.EnableWindow(m_nSetting != 0);
}

CString CDWGLayers::ChosenText() {
  const int sel = m_cbSetting.GetCurSel();
  if (sel <= 0) return CDwgLayersModel::kStandardText;
  CString text;
  m_cbSetting.GetLBText(sel, text);
  return text;
}

void CDWGLayers::OnShowAll() {
  m_pModel->ShowAll();
  for (int i = 0; i < m_lcLayers.GetItemCount(); ++i) ShowState(i);
}

void CDWGLayers::OnHideAll() {
  m_pModel->HideAll();
  for (int i = 0; i < m_lcLayers.GetItemCount(); ++i) ShowState(i);
}

void CDWGLayers::OnClickLayer(NMHDR*, LRESULT* pResult) {
  const int item = m_lcLayers.GetNextItem(-1, LVNI_SELECTED);
  if (item >= 0) {
    m_pModel->Toggle(static_cast<int>(m_lcLayers.GetItemData(item)));
    ShowState(item);
  }
  if (pResult) *pResult = 0;
}

void CDWGLayers::OnKeyDownLayer(NMHDR* pNMHDR, LRESULT* pResult) {
  const NMLVKEYDOWN* key = reinterpret_cast<const NMLVKEYDOWN*>(pNMHDR);
  if (key && key->wVKey == VK_SPACE) OnClickLayer(pNMHDR, nullptr);
  if (pResult) *pResult = 0;
}

void CDWGLayers::OnSelchangeSetting() {
  m_nSetting = m_cbSetting.GetCurSel();
  const bool named = m_pModel->SelectSetting(ChosenText());
  m_btnDelete.EnableWindow(named);
  FillLayerList(FALSE);
}

void CDWGLayers::OnDeleteSetting() {
  if (m_cbSetting.GetCurSel() <= 0) return;
  const CString name = ChosenText();
  CString question;
  AfxFormatString1(question, IDS_DWGLAY_DELETE_ASK, name);
  if (AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  m_pModel->DeleteSetting(name);
  FillLayerList(FALSE);
  FillSettingCombo();
}

void CDWGLayers::OnSaveSetting() {
  CString name = m_cbSetting.GetCurSel() > 0 ? ChosenText() : CString();
  DwgHost* host = GetDwgHost();
  // The name is asked in front of this dialog, which owns the question.
  if (!host || !host->AskText(this, LoadText(IDS_DWGLAY_NAME_TITLE, "Give a name for the layer setting"), name)) return;
  if (CDwgLayersModel::IsReservedName(name) ||
      name.CompareNoCase(LoadText(IDS_DWGLAY_STANDARD, CDwgLayersModel::kStandardText)) == 0) {
    CString message;
    AfxFormatString1(message, IDS_DWGLAY_INVALID_NAME, name);
    AfxMessageBox(message, MB_OK | MB_ICONSTOP);
    return;
  }
  if (m_pModel->SettingExists(name)) {
    CString question;
    AfxFormatString1(question, IDS_DWGLAY_OVERWRITE, name);
    if (AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  }
  m_pModel->SaveSetting(name);
  FillLayerList(FALSE);
  FillSettingCombo();
}

void CDWGLayers::OnOK() {
  if (!UpdateData(TRUE)) return;
  m_strChosenSetting = ChosenText();
  m_pModel->Ok(m_strChosenSetting);
  m_pDwg->DiscardCachedBitmap(TRUE);
  EndDialog(IDOK);
}

void CDWGLayers::OnCancel() {
  m_bCancelRestoredLayers = m_pModel->Cancel() ? TRUE : FALSE;
  if (m_bCancelRestoredLayers) m_pDwg->DiscardCachedBitmap(TRUE);
  EndDialog(IDCANCEL);
}
