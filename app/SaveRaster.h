// The save-as flow of a raster: CSRFormat, the "Save raster - Select file format" dialog that
// offers the formats able to hold the image's colours, and CSaveRaster, which asks for the format
// and then for the file and saves the raster there through the imaging library.
// Not for: the formats themselves (the imaging library writes them) or the table of formats
// (model/RasterDlgModel).
#pragma once

#include "FrameworkWin.h"

class CRaster;

class CSRFormat : public CDialog {
  DECLARE_DYNAMIC(CSRFormat)
 public:
  explicit CSRFormat(CWnd* pParentWnd = nullptr);

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;

  // In: what the list offers and selects first, and whether the options show.
  int m_nColourClass = 0;
  int m_nBitsPerPixel = 0;  // of the raster, for the library's answer whether a format holds it
  int m_nPreselectCode = -1;
  BOOL m_bShowOptions = FALSE;
  // In and out: the options.
  int m_bDisplayFile = 0;
  int m_bScanAnother = 0;
  // Out: the chosen item's text and its row of the format table.
  CString m_strItem;
  int m_nRow = -1;

 private:
  void HideOptions();
  CListBox m_list;
};

class CSaveRaster {
 public:
  // TRUE when the image was saved; the path saved to is then in m_strPath.
  BOOL SaveAs(CRaster* pRaster);

  BOOL m_bShowOptions = FALSE;
  BOOL m_bDisplayFile = FALSE;
  BOOL m_bScanAnother = FALSE;
  CString m_strPath;
  int m_nFormat = -1;      // the raster's format code
  int m_nColourClass = 0;  // the raster's colour class: one bit of a format's mask
};
