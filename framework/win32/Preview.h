// Print preview: the pages a view would print, shown one at a time on the screen in a window with
// its own toolbar (print, next page, previous page, close). CPreviewDC records one page as the
// printer would take it (the printer answers every question of size and resolution); the
// preview window plays the record scaled into the page it shows. Not for: printing itself (the
// page loop of CView) or what a page holds (the view's OnPrint).
#pragma once

#include "Gdi.h"
#include "PrintInfo.h"
#include "Wnd.h"

class CView;

// The preview toolbar's commands.
enum : UINT {
  AFX_ID_PREVIEW_CLOSE = 0xE300,
  AFX_ID_PREVIEW_NUMPAGE = 0xE301,
  AFX_ID_PREVIEW_NEXT = 0xE302,
  AFX_ID_PREVIEW_PREV = 0xE303,
  AFX_ID_PREVIEW_PRINT = 0xE304,
};

class CPreviewDC : public CDC {
 public:
  CPreviewDC() = default;
  ~CPreviewDC() override;
  // Starts the record of one page of the printer hPrinter (which stays the caller's): output goes
  // into the record, questions to the printer.
  BOOL BeginPage(HDC hPrinter);
  // The finished record (the caller's to delete), or null.
  HENHMETAFILE EndPage();
};

class CPreviewView : public CWnd {
 public:
  // The preview of pPrintView's pages; the preview takes the print info (owned).
  CPreviewView(CView* pPrintView, CPrintInfo* pInfo);
  ~CPreviewView() override;

  // Runs the view's preparing and begin steps on the default printer, opens the window over
  // pOwner (a top-level window titled "Print preview") and shows the first page. FALSE (and
  // nothing left open) when there is no printer or the view refuses.
  BOOL Start(CWnd* pOwner);
  // The page shown, from 1.
  UINT GetCurrentPage() const { return m_pInfo->m_nCurPage; }
  UINT GetPageCount() const { return m_pInfo->GetMaxPage(); }
  // The record of the page shown (the preview's).
  HENHMETAFILE GetPageRecord() const { return m_hPage; }
  // Shows page n when the view has it.
  void GoToPage(UINT nPage);
  // Ends the view's printing and closes the window; the object deletes itself.
  void ClosePreview();

  void OnPaint();
  void OnSize(UINT nType, int cx, int cy);
  void OnClose();
  void OnPreviewNext();
  void OnPreviewPrev();
  void OnPreviewClose();
  void OnPreviewPrint();
  void PostNcDestroy() override { delete this; }

  DECLARE_MESSAGE_MAP()

 private:
  void RenderPage();
  void UpdateToolbar();
  // The page's rectangle in the client area: the paper's proportions, as large as fits below the
  // toolbar with a margin.
  CRect PageRect() const;

  CView* m_pPrintView;  // borrowed
  CPrintInfo* m_pInfo;  // owned
  HENHMETAFILE m_hPage = nullptr;
  BOOL m_bEnded = FALSE;
  HWND m_hButtons[4] = {};
  HWND m_hPageText = nullptr;
  int m_nToolbarHeight = 0;
};
