// CPrintInfo: what one print job (or one preview) of a view carries between the
// view's printing steps: the print dialog with the printer it chose, the page
// range, the page being printed, the drawing rectangle of that page, and
// whether the job goes on. Not for: the page loop itself (CView::OnFilePrint)
// or the preview window.
#pragma once

#include "CommonDialogs.h"
#include "Rect.h"

struct CPrintInfo {
  CPrintInfo();
  ~CPrintInfo();
  CPrintInfo(const CPrintInfo&) = delete;
  CPrintInfo& operator=(const CPrintInfo&) = delete;

  void SetMinPage(UINT nMinPage) { m_pPD->m_pd.nMinPage = static_cast<WORD>(nMinPage); }
  void SetMaxPage(UINT nMaxPage) { m_pPD->m_pd.nMaxPage = static_cast<WORD>(nMaxPage); }
  UINT GetMinPage() const { return m_pPD->m_pd.nMinPage; }
  UINT GetMaxPage() const { return m_pPD->m_pd.nMaxPage; }
  // The pages the user asked for: all of them unless the dialog gave a range.
  UINT GetFromPage() const { return m_pPD->PrintAll() ? GetMinPage() : m_pPD->m_pd.nFromPage; }
  UINT GetToPage() const { return m_pPD->PrintAll() ? GetMaxPage() : m_pPD->m_pd.nToPage; }

  CPrintDialog* m_pPD;      // owned
  BOOL m_bDirect = FALSE;   // print without showing the print dialog
  BOOL m_bPreview = FALSE;  // the pages go to the preview window, not to a printer
  BOOL m_bContinuePrinting = TRUE;
  UINT m_nCurPage = 1;
  UINT m_nNumPreviewPages = 1;
  void* m_lpUserData = nullptr;  // the view's, never touched by the framework
  CRect m_rectDraw;              // the page's printable rectangle in device units
};
