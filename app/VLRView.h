// CVLRView: the view of a document in the MDI frame. It maps the document onto the window through
// a CTGraph, paints the raster, keeps a stack of earlier zoom rectangles, scrolls in document
// units / 1024, follows the zoom lock shared by all views, reacts to the document's update hints
// and hands mouse input to its current tool.
// It draws the document's raster selection over the image and reports its area.
// Its printing (fit or true scale, tiles, paper head) lives in VLRViewPrint.cpp.
#pragma once

#include "FrameworkWin.h"
#include "TGraph.h"
#include "model/PrintModel.h"

class CVLRDoc;
class CTool;

// The part of the document an update concerns, in document units: the hint object of an update
// that needs no more than that part repainted.
class CDocRectHint : public CObject {
  DECLARE_DYNAMIC(CDocRectHint)
 public:
  CDocRectHint(double dLeft, double dTop, double dRight, double dBottom)
      : m_dLeft(dLeft), m_dTop(dTop), m_dRight(dRight), m_dBottom(dBottom) {}
  double m_dLeft, m_dTop, m_dRight, m_dBottom;
};

// The print settings of a view: copied from the settings record's "PaperHead" group when the
// view is made and written back after each print options dialog.
struct CViewPrintSettings {
  int nUse = 1, nFileName = 1, nTime = 1, nScale = 1, nText = 1;
  CString strUserText;
  int nAll = 1;  // 1: whole extent, 0: current view
  int nFit = 1;  // 1: fit to page, 0: true scale Scale1 : Scale2
  double dScale1 = 1.0, dScale2 = 1.0;
  int nCopies = 1, nWhat = 0;
  int nPort = -1;  // the raster printer's port chosen for this view; -1: the setting "Port"
  int nSize = 0, nPenType = 0, nPenWidth = 1;
};

class CVLRView : public CView {
  DECLARE_DYNCREATE(CVLRView)
 public:
  CVLRView();
  ~CVLRView() override;

  CVLRDoc* GetDocument() const;
  CTGraph* GetGraph() const { return m_pGraph; }
  CTool* GetTool() const { return m_pTool; }
  int GetPreviousToolId() const { return m_nPrevToolId; }
  const CRect& GetZoomRect() const { return m_rcZoom; }
  const CRect& GetExtent() const { return m_rcExtent; }
  int GetZoomDepth() const;
  BOOL IsZoomLocked() const { return m_bZoomLocked; }

  // The zoom lock shared by all views: the locked zoom rectangle in ten-thousandths of the
  // extent of the view that locked it; empty when no zoom is locked.
  static CRect s_rcLockedZoom;

  void OnDraw(CDC* pDC) override;
  void OnInitialUpdate() override;
  void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override;

  // Recomputes the document extent from the document's drawing.
  void ComputeExtent();
  // Fits the zoom rectangle into the window (or the printer page of pDC); with reset the zoom
  // rectangle then covers the window exactly. Updates the scroll bars.
  void UpdateMapping(BOOL bReset, CDC* pDC = nullptr);
  // Pushes the current zoom rectangle, shows rcDoc and redraws at once (the zoom glass).
  void ZoomTo(const CRect& rcDoc);
  void PushZoom(const CRect& rc);
  void ZoomOut();
  void ZoomEntire();
  void SwitchTool(int nId);
  // The slot for a measurement kept across a zoom; the view owns what it holds.
  CTool* TakeSuspendedTool() {
    CTool* pTool = m_pSuspendedTool;
    m_pSuspendedTool = nullptr;
    return pTool;
  }
  void SuspendTool(CTool* pTool);
  // Forgets the mapping and the zoom stack: the next paint maps the document anew.
  void ResetMapping();
  // The document point of a client point for a tool that measures or snaps: a raster takes the
  // plain mapping.
  CPoint ClientToDocSnapped(int x, int y) const;

  // Mouse input, through the current tool.
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnLButtonUp(UINT nFlags, CPoint point);
  void OnMouseMove(UINT nFlags, CPoint point);
  void OnLButtonDblClk(UINT nFlags, CPoint point);
  void OnRButtonUp(UINT nFlags, CPoint point);
  BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnSysKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnContextMenu(CWnd* pWnd, CPoint point);
  void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  void OnSize(UINT nType, int cx, int cy);

  // Commands.
  void OnToolCommand(UINT nId);
  void OnUpdateToolCommand(CCmdUI* pCmdUI);
  void OnZoomOut();
  void OnUpdateZoomIn(CCmdUI* pCmdUI);
  void OnUpdateZoomOut(CCmdUI* pCmdUI);
  void OnViewEntire();
  void OnUpdateViewEntire(CCmdUI* pCmdUI);
  void OnLockZoom();
  void OnUpdateLockZoom(CCmdUI* pCmdUI);
  void OnCheckScale();
  void OnMeasureCommand(UINT nId);
  void OnUpdateMeasureCommand(CCmdUI* pCmdUI);
  // "Close the polygon" and "Cancel" of the raster polygon tool's context menu.
  void OnRasterPolygonCommand(UINT nId);
  // Edit Copy / Paste of the selected annotation object.
  void OnEditCopy();
  void OnUpdateEditCopy(CCmdUI* pCmdUI);
  void OnEditPaste();
  void OnUpdateEditPaste(CCmdUI* pCmdUI);
  // Deleting and editing the selected annotation object: Edit Delete only while the select tool
  // is current, the context menu's commands whenever an object is selected.
  void OnEditDelete();
  void OnUpdateEditDelete(CCmdUI* pCmdUI);
  void OnAnnotationDelete();
  void OnAnnotationProperties();
  // Copying the drawing: the vectors of the view as a Windows metafile.
  void OnEditCopyVectors();
  void OnUpdateEditCopyVectors(CCmdUI* pCmdUI);
  // Model space to the extents or the limits, or paper space, of a vector drawing.
  void OnViewMode(UINT nId);
  void OnUpdateViewMode(CCmdUI* pCmdUI);
  void OnWindowNext();
  void OnWindowPrevious();
  // The view realises its palette when the frame asks.
  LRESULT OnRealizePalette(WPARAM wParam, LPARAM lParam);

  // The thumbnail the shell's DDE command asks for: the document in a 128 x 128 white bitmap on
  // the clipboard with the document's path as text.
  void PutThumbnailOnClipboard();
  // A bitmap of the raster selection's bounds (or the whole image); null without a raster.
  HBITMAP CopyRasterRegion();
  // A memory metafile of the view's vectors, 4096 units on its longer side, and its size; null
  // without a vector drawing.
  HMETAFILE MakeVectorMetafile(CSize* pSize);

  // The tool a command selects, 0 for none.
  static int ToolIdOfCommand(UINT nId);

  // --- printing (VLRViewPrint.cpp) ---
  CViewPrintSettings m_print;
  // File/Print: the print options, then every page of a multi-page raster, or the preview.
  void OnFilePrintCommand();
  void OnFilePrintAll();
  // File/Print to Raster printer: copies, paper, area and port, an optional job header, and the
  // area sent to the port by the raster object. Enabled for a raster only.
  void OnFilePrintRaster();
  void OnUpdateFilePrintRaster(CCmdUI* pCmdUI);
  // The raster's pixels to send: the whole image, or (bSelected) the selection's bounds or else
  // the zoom rectangle, within the image.
  CRect RasterPrintRect(BOOL bSelected) const;
  // Printing without the print options (the shell's print, print all); with bDialog, File/Print.
  void DirectPrint(BOOL bDialog);
  // Takes the settings record's "PaperHead" group, and gives this view's back to it.
  void LoadPrintSettings();
  void LoadPrintSettingsOnce() {
    if (!m_bPrintSettingsLoaded) LoadPrintSettings();
  }
  void StorePrintSettings() const;
  // The document units one millimetre of the drawn object takes, for true-scale printing.
  double DocUnitsPerTrueMm() const;
  // The area to print: the extent, or the selection's bounds, or the zoom rectangle.
  CRect GetPrintArea() const;
  BOOL OnPreparePrinting(CPrintInfo* pInfo) override;
  void OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo) override;
  void OnPrint(CDC* pDC, CPrintInfo* pInfo) override;
  void OnEndPrinting(CDC* pDC, CPrintInfo* pInfo) override;
  const PrintTiling& GetPrintTiling() const { return m_tiling; }
  // The pages a true-scale print of the extent (or the print area) takes on the current printer.
  int CountPrintPages(BOOL bAll, double dScale1, double dScale2);

  DECLARE_MESSAGE_MAP()

 private:
  // Makes the mapping of a drawing that was never painted (first paint or first print).
  void EnsureGraph(CDC* pDC);
  void DrawPaperHead(CDC* pDC);
  BOOL m_bPreview = FALSE;
  double m_dPrintAspect = 1.0;
  BOOL m_bPrintSettingsLoaded = FALSE;
  CRect m_rcSavedZoom;
  CRect m_rcPrintArea;
  PrintTiling m_tiling;

  struct ZoomRecord {
    CRect rc;
    ZoomRecord* pNext;  // owned
  };
  void ClearZoomStack();
  void InvalidateDocRect(const CDocRectHint& rect);
  // Moves the zoom rectangle so its centre is at nPos * 1024 along one axis and scrolls.
  void ScrollTo(int nBar, int nPos);
  void HandleScroll(int nBar, UINT nSBCode, UINT nPos);
  void ApplyZoomLock();
  void EndToolIfDone(BOOL bGoesOn);
  // The document's raster selection, each polygon closed, in red: dashed where it joins,
  // dotted where it cuts out.
  void DrawRasterSelection(CDC* pDC);
  // The selection drawn straight into the window, and the first status pane: its area and
  // perimeter, or nothing.
  void ShowRasterSelectionStatus();

  CRect m_rcZoom;    // document units: the part of the document shown
  CRect m_rcExtent;  // document units
  double m_dAspect = 1.0;
  CTGraph* m_pGraph = nullptr;        // owned; null until the first paint and after a rebuild hint
  ZoomRecord* m_pZoomStack = nullptr;  // owned, top first
  CTool* m_pTool = nullptr;           // owned
  int m_nPrevToolId = 0;
  CTool* m_pSuspendedTool = nullptr;  // owned: a measurement kept across a zoom
  BOOL m_bPrinting = FALSE;
  BOOL m_bZoomLocked = FALSE;
};
