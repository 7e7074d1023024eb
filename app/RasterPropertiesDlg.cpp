// The raster properties dialog: fills its tree from the raster when it opens.
#include "RasterPropertiesDlg.h"

#include <cstdint>

#include "Raster.h"
#include "model/RasterDlgModel.h"
#include "resource.h"

IMPLEMENT_DYNAMIC(CRasterProperties, CDialog)

namespace {

CString WithNumber(LPCSTR lpszPattern, long long nValue) {
  CString number, text;
  number.Format("%lld", nValue);
  LPCSTR value = number;
  AfxFormatStrings(text, lpszPattern, &value, 1);
  return text;
}

}  // namespace

CRasterProperties::CRasterProperties(const CRaster* pRaster, LPCSTR lpszAnnotationPath, CWnd* pParentWnd)
    : CDialog(IDD_RASTERPROPERTIES, pParentWnd),
      m_pRaster(pRaster),
      m_strAnnotationPath(lpszAnnotationPath ? lpszAnnotationPath : "") {}

BOOL CRasterProperties::OnInitDialog() {
  CDialog::OnInitDialog();
  m_tree.SubclassDlgItem(IDC_PROPERTIES_TREE, this);
  if (m_images.Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1)) {
    HICON icon = static_cast<HICON>(
        ::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_VLRTYPE), IMAGE_ICON, 16, 16, 0));
    if (icon) {
      m_images.Add(icon);
      ::DestroyIcon(icon);
    }
    m_tree.SetImageList(&m_images, TVSIL_NORMAL);
  }
  FillTree();
  return TRUE;
}

void CRasterProperties::FillTree() {
  if (!m_pRaster) return;
  const CRaster& r = *m_pRaster;
  HTREEITEM root = m_tree.InsertItem("Raster properties");
  m_tree.InsertItem("File name: " + r.m_strPath, root);
  m_tree.InsertItem("Annotations file: " + m_strAnnotationPath, root);
  m_tree.InsertItem("File type: " + FormatNameOfCode(r.m_nFormat), root);
  m_tree.InsertItem("Resolution: " + WithNumber("%1 dpi", r.m_nResolution), root);
  // Depths past 62 bits are no image's; the shift must not run off the number.
  const int bits = r.m_nBitsPerPixel < 0 ? 0 : r.m_nBitsPerPixel > 62 ? 62 : r.m_nBitsPerPixel;
  CString colours;
  colours.Format("%lld", static_cast<long long>(int64_t(1) << bits));
  m_tree.InsertItem("Number of colors (maximum): " + colours, root);
  HTREEITEM size = m_tree.InsertItem("Size", root);
  m_tree.InsertItem("Width: " + WithNumber("%1 pixels", r.m_nWidth), size);
  m_tree.InsertItem("Height: " + WithNumber("%1 pixels", r.m_nHeight), size);
  m_tree.Expand(root, TVE_EXPAND);
}
