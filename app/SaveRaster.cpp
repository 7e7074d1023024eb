// The save-as flow of a raster: the format dialog, the save dialog and the save itself.
#include "SaveRaster.h"

#include <vector>

#include "FileDialogEx.h"
#include "Helpers.h"
#include "Raster.h"
#include "model/RasterDlgModel.h"
#include "resource.h"
#include "zeri8v98.h"

// --- the format dialog ---------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CSRFormat, CDialog)

CSRFormat::CSRFormat(CWnd* pParentWnd) : CDialog(IDD_SRFORMAT, pParentWnd) {}

BOOL CSRFormat::OnInitDialog() {
  CDialog::OnInitDialog();
  m_list.SubclassDlgItem(IDC_SRFORMAT_LIST, this);
  const std::vector<int> rows = SaveFormatRowsForClass(m_nColourClass);
  for (int row : rows) {
    const int index = m_list.AddString(kSaveFormats[row].item);
    if (index >= 0) m_list.SetItemData(index, static_cast<DWORD_PTR>(row));
  }
  m_list.SetCurSel(PreselectedSaveFormat(rows, m_nPreselectCode));
  if (!m_bShowOptions) HideOptions();
  return TRUE;
}

void CSRFormat::HideOptions() {
  CWnd* group = GetDlgItem(IDC_SRFORMAT_OPTIONS);
  if (!group) return;
  const int ids[] = {IDC_SRFORMAT_OPTIONS, IDC_SRFORMAT_DISPLAY, IDC_SRFORMAT_SCAN};
  for (int id : ids) {
    if (CWnd* w = GetDlgItem(id)) w->ShowWindow(SW_HIDE);
  }
  // The dialog ends where the options group began.
  CRect groupRect, dialogRect;
  group->GetWindowRect(&groupRect);
  GetWindowRect(&dialogRect);
  dialogRect.bottom = groupRect.top;
  MoveWindow(&dialogRect, FALSE);
}

void CSRFormat::DoDataExchange(CDataExchange* pDX) {
  DDX_Check(pDX, IDC_SRFORMAT_DISPLAY, m_bDisplayFile);
  DDX_Check(pDX, IDC_SRFORMAT_SCAN, m_bScanAnother);
  if (!pDX->m_bSaveAndValidate) return;
  const int index = m_list.m_hWnd ? m_list.GetCurSel() : LB_ERR;
  if (index == LB_ERR) {
    // Nothing chosen (a colour class no format holds): nothing to save in.
    pDX->PrepareCtrl(IDC_SRFORMAT_LIST);
    pDX->Fail();
  }
  const int row = static_cast<int>(m_list.GetItemData(index));
  // A format the library cannot write is answered here, before the user picks a file name.
  const int32_t can = ImgCanSave(SaveFileFormatCode(row), m_nBitsPerPixel);
  if (can < 0) {
    AfxMessageBox(ImgGetErrorText(can), MB_ICONSTOP);
    pDX->PrepareCtrl(IDC_SRFORMAT_LIST);
    pDX->Fail();
  }
  m_list.GetText(index, m_strItem);
  m_nRow = row;
}

// --- the save-as flow --------------------------------------------------------------------------------

namespace {

// The raster's own file, or the file of any open document: saving over it would change a drawing
// that is on the screen behind the user's back.
BOOL IsOpenFile(const CRaster& raster, const CString& path) {
  if (!raster.m_strPath.IsEmpty() && raster.m_strPath.CompareNoCase(path) == 0) return TRUE;
  return FindOpenDocument(path) != nullptr;
}

}  // namespace

BOOL CSaveRaster::SaveAs(CRaster* pRaster) {
  if (!pRaster || pRaster->m_hImage < 0) return FALSE;
  m_nColourClass = ColourClassOfDepth(pRaster->m_nBitsPerPixel);
  if (m_nColourClass == 0) return FALSE;
  m_nFormat = pRaster->m_nFormat;

  CSRFormat format;
  format.m_nColourClass = m_nColourClass;
  format.m_nBitsPerPixel = pRaster->m_nBitsPerPixel;
  format.m_nPreselectCode = m_nFormat;
  format.m_bShowOptions = m_bShowOptions;
  format.m_bDisplayFile = m_bDisplayFile;
  format.m_bScanAnother = m_bScanAnother;
  if (format.DoModal() != IDOK) return FALSE;
  m_bDisplayFile = format.m_bDisplayFile;
  m_bScanAnother = format.m_bScanAnother;

  const CString filter = SaveFormatFilter(format.m_strItem);
  for (;;) {
    CFileDialogEx dlg(FALSE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter);
    if (dlg.DoModal() != IDOK) return FALSE;
    const CString path = dlg.GetPathName();
    if (IsOpenFile(*pRaster, path)) {
      AfxMessageBox("It is not allowed to overwrite an open file!", MB_ICONSTOP);
      continue;
    }
    if (pRaster->Save(path, SaveFileFormatCode(format.m_nRow)) == 0) {
      m_strPath = path;
      return TRUE;
    }
    m_strPath.Empty();
    return FALSE;
  }
}
