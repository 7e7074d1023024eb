// CRasterPrintDlg: the "Print to raster printer" dialog. It asks for the copies, the paper size
// (the dialog's built-in formats, then the application's), the area (the whole document or the
// selected area) and the parallel port, and gives them back. Not for: sending the raster (the
// view's command and the raster object).
#pragma once

#include "FrameworkWin.h"

class CRasterPrintDlg : public CDialog {
  DECLARE_DYNAMIC(CRasterPrintDlg)
 public:
  explicit CRasterPrintDlg(CWnd* pParentWnd = nullptr);

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;

  enum { kMinCopies = 1, kMaxCopies = 100 };

  int m_nCopies = 1;
  int m_nSize = 0;  // index into the raster printer's paper table
  int m_nArea = 0;  // 0: entire document, 1: selected area
  int m_nPort = -1;  // 0: LPT1; -1: none chosen
};
