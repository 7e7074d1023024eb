// The vector properties and SHX mapping dialogs.
#include "vector/DWGProperties.h"

#include <vector>

#include "vector/Dwg.h"
#include "vector/VectorResource.h"
#include "vector/model/DwgPropertyItems.h"

namespace {

void LoadInto(CString& text, UINT id) {
  CString s;
  if (s.LoadString(id)) text = s;
}

CString Number(double value) {
  if (DwgHost* host = GetDwgHost()) return host->FormatNumber(value);
  CString s;
  s.Format("%g", value);
  return s;
}

}  // namespace

CDWGProperties::CDWGProperties(CWnd* parent) : CDialog(IDD_DWG_PROPERTIES, parent) {}

void CDWGProperties::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_DWGPROP_TREE, m_tree);
}

BOOL CDWGProperties::OnInitDialog() {
  CDialog::OnInitDialog();
  if (m_images.Create(IDB_DWG_PROPERTIES, 16, 1, RGB(255, 255, 255))) m_tree.SetImageList(&m_images, TVSIL_NORMAL);
  DwgPropertyLabels labels;
  LoadInto(labels.root, IDS_DWG_PROPERTIES);
  LoadInto(labels.file_name, IDS_DWGPROP_FILENAME);
  LoadInto(labels.annotations, IDS_DWGPROP_ANNOTATIONS);
  LoadInto(labels.file_type, IDS_DWGPROP_FILETYPE);
  LoadInto(labels.size, IDS_DWGPROP_SIZE);
  LoadInto(labels.width, IDS_DWGPROP_WIDTH);
  LoadInto(labels.height, IDS_DWGPROP_HEIGHT);
  LoadInto(labels.units, IDS_DWGPROP_UNITS);
  HTREEITEM parents[3] = {TVI_ROOT, TVI_ROOT, TVI_ROOT};
  for (const DwgPropertyItem& item : DwgPropertyItems(labels, m_strFileName, m_strAnnotations, m_strFileType,
                                                      Number(m_dWidth), Number(m_dHeight))) {
    const HTREEITEM parent = item.level == 0 ? TVI_ROOT : parents[item.level - 1];
    parents[item.level] = m_tree.InsertItem(item.text, item.image, item.image, parent);
  }
  m_tree.Expand(m_tree.GetRootItem(), TVE_EXPAND);
  return TRUE;
}

CShxMapDlg::CShxMapDlg(CWnd* parent) : CDialog(IDD_SHXMAP, parent) {}

void CShxMapDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_SHXMAP_LIST, m_list);
}

BOOL CShxMapDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_list.ModifyStyle(LVS_TYPEMASK, LVS_REPORT);
  CRect window;
  m_list.GetWindowRect(&window);
  CString original = "Original", replaced = "Replaced with";
  LoadInto(original, IDS_SHXMAP_ORIGINAL);
  LoadInto(replaced, IDS_SHXMAP_REPLACED);
  if (m_list.InsertColumn(0, original, LVCFMT_LEFT, static_cast<int>(window.Width() * 0.24)) < 0) return FALSE;
  if (m_list.InsertColumn(1, replaced, LVCFMT_LEFT, static_cast<int>(window.Width() * 0.74)) < 0) return FALSE;
  DwgHost* host = GetDwgHost();
  CStringArray* pairs = host ? host->FontSubstitutions() : nullptr;
  for (int i = 0; pairs && i + 1 < pairs->GetSize(); i += 2) {
    const int row = m_list.InsertItem(m_list.GetItemCount(), pairs->GetAt(i));
    m_list.SetItemText(row, 1, pairs->GetAt(i + 1));
  }
  return TRUE;
}
