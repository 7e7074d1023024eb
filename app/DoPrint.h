// CDoPrint: the print options dialog. What to print, fit or true scale, colour
// or black and white with pen widths (for a vector drawing), the paper head's
// parts, the printer in use, and how many pages the print will take. Ends with
// IDOK, IDCANCEL or its preview button's id. Not for: printing itself (the
// view) or the pen-width table's editing (its own dialog).
#pragma once

#include "FrameworkWin.h"

class CVLRView;

class CDoPrint : public CDialog {
  DECLARE_DYNAMIC(CDoPrint)
 public:
  CDoPrint(BOOL bPreview, CVLRView* pView, CWnd* pParentWnd = nullptr);

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;

  void OnClickedOption();
  void OnClickedOptionRange(UINT nId);
  void OnProperties();
  void OnPreview();
  void OnPenWidths();

  // Enables the controls that apply to the choices made so far (after reading
  // the controls).
  void EnableControls();
  // The page count text for the choices made so far.
  void UpdatePageCount();
  void UpdatePrinter();

  int m_bVector = 0;  // set by the caller
  int m_nFit = 0;     // 0: fit to paper, 1: in relation to the original document
  int m_bUseHead = 0;
  int m_bFileName = 0;
  int m_bScaleInfo = 0;
  CString m_strText;
  int m_bTime = 0;
  int m_bText = 0;
  int m_nArea = 0;  // 0: entire document, 1: selected area
  CString m_strPrinter;
  double m_dFirst = 1.0;
  double m_dSecond = 1.0;
  int m_nColor = 0;  // 0: black and white, 1: colour
  int m_bPenWidths = 0;
  CString m_strPages = "1";

  DECLARE_MESSAGE_MAP()

 private:
  BOOL m_bShowPreview;
  CVLRView* m_pView;  // borrowed: the view that prints
};
