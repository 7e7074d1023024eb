// The annotation-layer list dialog and the dialog of one layer.
#include "AnnLayerDlgs.h"

#include <commctrl.h>

#include "AnnDialogs.h"
#include "AnnLayer.h"
#include "AnnLayerList.h"
#include "AnnResource.h"
#include "AnnotateWin.h"
#include "Vlr.h"

namespace {

// The two check images of the list: 0 an empty box (hidden), 1 a ticked box (visible).
HIMAGELIST MakeCheckImages() {
  HIMAGELIST hList = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 0);
  HDC hScreen = ::GetDC(nullptr);
  for (int nImage = 0; nImage < 2; ++nImage) {
    HDC hDC = ::CreateCompatibleDC(hScreen);
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hScreen, 16, 16);
    HGDIOBJ hOld = ::SelectObject(hDC, hBitmap);
    RECT all = {0, 0, 16, 16};
    HBRUSH hMask = ::CreateSolidBrush(RGB(0, 255, 0));
    ::FillRect(hDC, &all, hMask);
    ::DeleteObject(hMask);
    ::SelectObject(hDC, ::GetStockObject(WHITE_BRUSH));
    ::SelectObject(hDC, ::GetStockObject(BLACK_PEN));
    ::Rectangle(hDC, 2, 2, 14, 14);
    if (nImage == 1) {
      ::MoveToEx(hDC, 4, 8, nullptr);
      ::LineTo(hDC, 7, 11);
      ::LineTo(hDC, 12, 4);
    }
    ::SelectObject(hDC, hOld);
    ::DeleteDC(hDC);
    ImageList_AddMasked(hList, hBitmap, RGB(0, 255, 0));
    ::DeleteObject(hBitmap);
  }
  ::ReleaseDC(nullptr, hScreen);
  return hList;
}

}  // namespace

// --- one layer ------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CAnnLayDlg, CDialog)
  ON_BN_CLICKED(IDC_ANN_SELECT_COLOUR, OnSelectColour)
  ON_WM_DRAWITEM()
END_MESSAGE_MAP()

CAnnLayDlg::CAnnLayDlg(LPCSTR lpszName, BOOL bVisible, COLORREF crColour, CWnd* pParent)
    : CDialog(IDD_ANN_LAYDLG, pParent), m_strName(lpszName), m_bVisible(bVisible), m_crColour(crColour) {}

BOOL CAnnLayDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  ::SendDlgItemMessageA(m_hWnd, IDC_ANN_NAME, EM_LIMITTEXT, 64, 0);
  ::SetDlgItemTextA(m_hWnd, IDC_ANN_NAME, m_strName);
  ::CheckDlgButton(m_hWnd, IDC_ANN_VISIBLE, m_bVisible ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

void CAnnLayDlg::OnOK() {
  char name[80] = {};
  ::GetDlgItemTextA(m_hWnd, IDC_ANN_NAME, name, sizeof name);
  if (name[0] == '\0') return;
  m_strName = name;
  m_bVisible = ::IsDlgButtonChecked(m_hWnd, IDC_ANN_VISIBLE) == BST_CHECKED;
  EndDialog(IDOK);
}

void CAnnLayDlg::OnSelectColour() {
  CColorDialog dlg(m_crColour, 0, this);
  if (dlg.DoModal() != IDOK) return;
  m_crColour = dlg.GetColor();
  ::InvalidateRect(::GetDlgItem(m_hWnd, IDC_ANN_SWATCH), nullptr, TRUE);
}

void CAnnLayDlg::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) {
  if (nIDCtl == IDC_ANN_SWATCH) AnnDrawSwatch(lpDrawItemStruct, m_crColour);
}

// --- the layer list ------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CAnnLayers, CDialog)
  ON_BN_CLICKED(IDC_ANN_NEW, OnNew)
  ON_BN_CLICKED(IDC_ANN_CHANGE, OnChange)
  ON_BN_CLICKED(IDC_ANN_REMOVE, OnRemove)
  ON_BN_CLICKED(IDC_ANN_EMPTY, OnEmpty)
  ON_BN_CLICKED(IDC_ANN_SHOW_ALL, OnShowAll)
  ON_BN_CLICKED(IDC_ANN_HIDE_ALL, OnHideAll)
  ON_NOTIFY(NM_CLICK, IDC_ANN_LAYER_LIST, OnListClick)
  ON_NOTIFY(LVN_KEYDOWN, IDC_ANN_LAYER_LIST, OnListKeyDown)
  ON_WM_TIMER()
  ON_WM_DRAWITEM()
END_MESSAGE_MAP()

CAnnLayers::CAnnLayers(CVlr& set, CWnd* pParent)
    : CDialog(IDD_ANN_LAYERS, pParent), m_set(set), m_pList(new CAnnLayerList(set)) {}

CAnnLayers::~CAnnLayers() {
  if (m_hImages) ImageList_Destroy(m_hImages);
}

HWND CAnnLayers::List() const { return ::GetDlgItem(m_hWnd, IDC_ANN_LAYER_LIST); }

BOOL CAnnLayers::OnInitDialog() {
  CDialog::OnInitDialog();
  m_hImages = MakeCheckImages();
  ListView_SetImageList(List(), m_hImages, LVSIL_SMALL);
  LVCOLUMNA column = {};
  column.mask = LVCF_WIDTH;
  column.cx = 200;
  ::SendMessageA(List(), LVM_INSERTCOLUMNA, 0, (LPARAM)&column);
  BuildList();
  ::SetTimer(m_hWnd, 1, 100, nullptr);
  return TRUE;
}

void CAnnLayers::BuildList() {
  HWND hList = List();
  ListView_DeleteAllItems(hList);
  const std::vector<WORD> ids = m_pList->BuildList();
  int nCurrentItem = -1;
  for (size_t i = 0; i < ids.size(); ++i) {
    const CAnnLayer* pLayer = m_pList->GetLayer(ids[i]);
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = (int)i;
    item.pszText = const_cast<LPSTR>((LPCSTR)pLayer->m_strName);
    item.iImage = pLayer->m_nVisible ? 1 : 0;
    item.lParam = ids[i];
    ::SendMessageA(hList, LVM_INSERTITEMA, 0, (LPARAM)&item);
    if (ids[i] == m_pList->GetCurrent()) nCurrentItem = (int)i;
  }
  if (nCurrentItem >= 0) ListView_SetItemState(hList, nCurrentItem, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ShowCurrent();
}

void CAnnLayers::ShowCurrent() {
  const CAnnLayer* pLayer = m_pList->GetLayer(m_pList->GetCurrent());
  ::SetDlgItemTextA(m_hWnd, IDC_ANN_CURRENT_NAME, pLayer ? (LPCSTR)pLayer->m_strName : "");
  ::InvalidateRect(::GetDlgItem(m_hWnd, IDC_ANN_SWATCH), nullptr, TRUE);
}

int CAnnLayers::SelectedItem() const { return ListView_GetNextItem(List(), -1, LVNI_SELECTED); }

void CAnnLayers::ToggleSelected() {
  const int nItem = SelectedItem();
  if (nItem < 0) return;
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = nItem;
  ::SendMessageA(List(), LVM_GETITEMA, 0, (LPARAM)&item);
  const WORD nId = (WORD)item.lParam;
  m_pList->ToggleVisible(nId);
  item.mask = LVIF_IMAGE;
  item.iImage = m_pList->GetLayer(nId)->m_nVisible ? 1 : 0;
  ::SendMessageA(List(), LVM_SETITEMA, 0, (LPARAM)&item);
}

void CAnnLayers::OnTimer(UINT_PTR) {
  const int nItem = SelectedItem();
  if (nItem < 0) return;
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = nItem;
  ::SendMessageA(List(), LVM_GETITEMA, 0, (LPARAM)&item);
  if ((WORD)item.lParam == m_pList->GetCurrent()) return;
  m_pList->SetCurrent((WORD)item.lParam);
  ShowCurrent();
}

void CAnnLayers::OnListClick(NMHDR*, LRESULT* pResult) {
  ToggleSelected();
  *pResult = 0;
}

void CAnnLayers::OnListKeyDown(NMHDR* pNotify, LRESULT* pResult) {
  if (reinterpret_cast<NMLVKEYDOWN*>(pNotify)->wVKey == VK_SPACE) ToggleSelected();
  *pResult = 0;
}

void CAnnLayers::OnNew() {
  CAnnLayDlg dlg("", TRUE, RGB(255, 0, 0), this);
  if (dlg.DoModal() != IDOK) return;
  m_pList->Create(dlg.m_strName, dlg.m_bVisible, dlg.m_crColour);
  BuildList();
}

void CAnnLayers::OnChange() {
  CAnnLayer* pLayer = m_pList->GetLayer(m_pList->GetCurrent());
  if (!pLayer) return;
  CAnnLayDlg dlg(pLayer->m_strName, pLayer->m_nVisible != 0, pLayer->m_crColour, this);
  if (dlg.DoModal() != IDOK) return;
  pLayer->m_strName = dlg.m_strName;
  pLayer->m_nVisible = dlg.m_bVisible ? 1 : 0;
  pLayer->m_crColour = dlg.m_crColour;
  BuildList();
}

void CAnnLayers::OnRemove() {
  switch (m_pList->Remove(m_pList->GetCurrent())) {
    case CAnnLayerList::lastLayer:
      AfxMessageBox("The last layer can not be deleted!", MB_ICONSTOP);
      return;
    case CAnnLayerList::notEmpty:
      AfxMessageBox("The annotation layer is not empty and therefore it can not be deleted!", MB_ICONSTOP);
      return;
    case CAnnLayerList::removed:
      BuildList();
      return;
  }
}

void CAnnLayers::OnEmpty() {
  const CAnnLayer* pLayer = m_pList->GetLayer(m_pList->GetCurrent());
  if (!pLayer) return;
  CString question;
  question.Format("Are you sure that you want to empty '%s'?\nAll redline object on this layer will be removed "
                  "without any possibilty to undo the operation!",
                  (LPCSTR)pLayer->m_strName);
  if (AfxMessageBox(question, MB_YESNO | MB_ICONSTOP | MB_DEFBUTTON2) != IDYES) return;
  m_pList->Empty(m_pList->GetCurrent());
  BuildList();
}

void CAnnLayers::OnShowAll() {
  m_pList->SetAllVisible(TRUE);
  BuildList();
}

void CAnnLayers::OnHideAll() {
  m_pList->SetAllVisible(FALSE);
  BuildList();
}

void CAnnLayers::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) {
  const CAnnLayer* pLayer = m_pList->GetLayer(m_pList->GetCurrent());
  if (nIDCtl == IDC_ANN_SWATCH) AnnDrawSwatch(lpDrawItemStruct, pLayer ? pLayer->m_crColour : RGB(255, 255, 255));
}

void CAnnLayers::OnOK() {
  ::KillTimer(m_hWnd, 1);
  m_pList->Commit();
  CDialog::OnOK();
}

void AnnEditLayers(CVlr& set, CWnd* pParent) {
  CAnnLayers dlg(set, pParent);
  dlg.DoModal();
}
