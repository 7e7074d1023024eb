// CView: a child window that shows a document. It joins its document when created (from the
// creation context), draws in OnDraw, refreshes in OnUpdate, and passes commands it does not
// handle to its document. Views delete themselves when their window is destroyed.
#pragma once

#include "Wnd.h"

#include "PrintInfo.h"

class CDocument;
class CDC;

const DWORD AFX_WS_DEFAULT_VIEW = WS_CHILD | WS_VISIBLE | WS_BORDER;

class CView : public CWnd {
  DECLARE_DYNAMIC(CView)
 public:
  ~CView() override;
  CDocument* GetDocument() const { return m_pDocument; }

  virtual void OnDraw(CDC* pDC) = 0;
  virtual void OnPrepareDC(CDC* pDC, CPrintInfo* pInfo = nullptr) { (void)pDC, (void)pInfo; }
  virtual void OnInitialUpdate();
  virtual void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint);
  virtual void OnActivateView(BOOL bActivate, CView* pActivateView, CView* pDeactiveView);
  virtual void OnActivateFrame(UINT nState, CFrameWnd* pFrameWnd) { (void)nState, (void)pFrameWnd; }

  // Printing, in the order the page loop calls them. OnPreparePrinting sets the page range and
  // gets the printer (through DoPreparePrinting); FALSE ends the job before it starts.
  virtual BOOL OnPreparePrinting(CPrintInfo* pInfo) { return DoPreparePrinting(pInfo); }
  virtual void OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo) { (void)pDC, (void)pInfo; }
  virtual void OnPrint(CDC* pDC, CPrintInfo* pInfo) {
    (void)pInfo;
    OnDraw(pDC);
  }
  virtual void OnEndPrinting(CDC* pDC, CPrintInfo* pInfo) { (void)pDC, (void)pInfo; }
  // The print dialog (or, for a direct print or a preview, the application's default printer)
  // and a device context of the chosen printer in pInfo->m_pPD; FALSE when there is none.
  BOOL DoPreparePrinting(CPrintInfo* pInfo);

  // File Print: the whole job, page by page, with the abort dialog. The direct form prints to
  // the default printer without the print dialog.
  void OnFilePrint();
  void OnFilePrintDirect();
  // The job of pInfo (already set up by the caller: direct or not); FALSE when nothing printed.
  BOOL PrintJob(CPrintInfo* pInfo);
  // File Print Preview: the pages on the default printer in the preview window over the main
  // window; the preview window, or null when there is no printer or the view refuses.
  class CPreviewView* OnFilePrintPreview();

  BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
  void PostNcDestroy() override { delete this; }

  int OnCreate(LPCREATESTRUCT lpcs);
  void OnDestroy();
  void OnPaint();
  LRESULT OnMouseActivate(WPARAM wParam, LPARAM lParam);
  LRESULT OnInitialUpdateMessage(WPARAM wParam, LPARAM lParam);

  DECLARE_MESSAGE_MAP()

 protected:
  friend class CDocument;
  CDocument* m_pDocument = nullptr;  // borrowed
};
