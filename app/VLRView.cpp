// The view: mapping, painting, zoom stack, scrolling, update hints and tool dispatch.
#include "VLRView.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cstdint>

#include "AnnotateWin.h"
#include "Helpers.h"
#include "MainFrm.h"
#include "OXMainFrame.h"
#include "PointArray.h"
#include "RasAreaTools.h"
#include "Raster.h"
#include "RasterArea.h"
#include "Tool.h"
#include "VLRApp.h"
#include "VLRDoc.h"
#include "Vlr.h"
#include "resource.h"
#include "vector/Dwg.h"

IMPLEMENT_DYNAMIC(CDocRectHint, CObject)
IMPLEMENT_DYNCREATE(CVLRView, CView)

CRect CVLRView::s_rcLockedZoom;

BEGIN_MESSAGE_MAP(CVLRView, CView)
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONUP()
  ON_WM_MOUSEMOVE()
  ON_WM_LBUTTONDBLCLK()
  ON_WM_RBUTTONUP()
  ON_WM_SETCURSOR()
  ON_WM_KEYDOWN()
  ON_WM_SYSKEYDOWN()
  ON_WM_CONTEXTMENU()
  ON_WM_HSCROLL()
  ON_WM_VSCROLL()
  ON_WM_SIZE()
  ON_COMMAND_RANGE(ID_ZOOM_IN, ID_ZOOM_IN, OnToolCommand)
  ON_COMMAND_RANGE(ID_RASTER_ARROW, ID_RASTER_POLYGON, OnToolCommand)
  ON_COMMAND_RANGE(ID_REDLINE_SELECT, ID_REDLINE_TEXTHEIGHT, OnToolCommand)
  ON_UPDATE_COMMAND_UI_RANGE(ID_RASTER_ARROW, ID_RASTER_POLYGON, OnUpdateToolCommand)
  ON_UPDATE_COMMAND_UI_RANGE(ID_REDLINE_SELECT, ID_REDLINE_TEXTHEIGHT, OnUpdateToolCommand)
  ON_UPDATE_COMMAND_UI(ID_ZOOM_IN, OnUpdateZoomIn)
  ON_COMMAND(ID_ZOOM_OUT, OnZoomOut)
  ON_UPDATE_COMMAND_UI(ID_ZOOM_OUT, OnUpdateZoomOut)
  ON_COMMAND(ID_VIEW_ENTIRE, OnViewEntire)
  ON_UPDATE_COMMAND_UI(ID_VIEW_ENTIRE, OnUpdateViewEntire)
  ON_COMMAND(ID_VIEW_LOCKZOOM, OnLockZoom)
  ON_UPDATE_COMMAND_UI(ID_VIEW_LOCKZOOM, OnUpdateLockZoom)
  ON_COMMAND(ID_TOOLS_CHECKSCALE, OnCheckScale)
  ON_COMMAND_RANGE(ID_MEASURE_END, ID_MEASURE_CANCEL, OnMeasureCommand)
  ON_UPDATE_COMMAND_UI_RANGE(ID_MEASURE_END, ID_MEASURE_CANCEL, OnUpdateMeasureCommand)
  ON_COMMAND(ID_EDIT_COPY, OnEditCopy)
  ON_UPDATE_COMMAND_UI(ID_EDIT_COPY, OnUpdateEditCopy)
  ON_COMMAND(ID_EDIT_PASTE, OnEditPaste)
  ON_UPDATE_COMMAND_UI(ID_EDIT_PASTE, OnUpdateEditPaste)
  ON_COMMAND(ID_EDIT_DELETE, OnEditDelete)
  ON_UPDATE_COMMAND_UI(ID_EDIT_DELETE, OnUpdateEditDelete)
  ON_COMMAND(ID_ANNOTATION_DELETE, OnAnnotationDelete)
  ON_COMMAND(ID_ANNOTATION_PROPERTIES, OnAnnotationProperties)
  ON_COMMAND_RANGE(ID_RASTER_CLOSEPOLYGON, ID_RASTER_CANCELPOLYGON, OnRasterPolygonCommand)
  ON_COMMAND(ID_EDIT_COPYVECTORS, OnEditCopyVectors)
  ON_UPDATE_COMMAND_UI(ID_EDIT_COPYVECTORS, OnUpdateEditCopyVectors)
  ON_COMMAND_RANGE(ID_VIEW_MODEL_EXTENTS, ID_VIEW_PAPERSPACE, OnViewMode)
  ON_UPDATE_COMMAND_UI_RANGE(ID_VIEW_MODEL_EXTENTS, ID_VIEW_PAPERSPACE, OnUpdateViewMode)
  ON_COMMAND(ID_WINDOW_NEXT, OnWindowNext)
  ON_COMMAND(ID_WINDOW_PREVIOUS, OnWindowPrevious)
  ON_MESSAGE(WM_VV_REALIZEPAL, OnRealizePalette)
  ON_COMMAND(ID_FILE_PRINT, OnFilePrintCommand)
  ON_COMMAND(ID_FILE_PRINT_ALL, OnFilePrintAll)
  ON_COMMAND(ID_FILE_PRINT_RASTER, OnFilePrintRaster)
  ON_UPDATE_COMMAND_UI(ID_FILE_PRINT_RASTER, OnUpdateFilePrintRaster)
END_MESSAGE_MAP()

namespace {

const COLORREF kBackground = RGB(192, 192, 192);

// Document units of one raster pixel at a resolution, and a raster's size in document units.
double UnitsPerPixel(int nResolution) { return 254000.0 / (nResolution > 0 ? nResolution : 400); }

int ToUnits(int nPixels, int nResolution) {
  double v = UnitsPerPixel(nResolution) * nPixels + 0.5;
  return v >= 2147483647.0 ? INT32_MAX : (int)v;
}

int Centre(int a, int b) { return (int)(((int64_t)a + b) / 2); }

int RoundToInt(double v) { return (int)std::floor(v + 0.5); }

// Rounded to a whole document unit; a value from outside (NaN, beyond the 32-bit range) is held
// at the range's edge rather than left undefined.
int ClampToInt(double v) {
  if (!(v == v)) return 0;
  const double r = std::floor(v + 0.5);
  return r <= -2147483648.0 ? INT32_MIN : r >= 2147483647.0 ? INT32_MAX : (int)r;
}

}  // namespace

CVLRView::CVLRView() : m_pTool(CTool::Create(CTool::idNone)) {}

CVLRView::~CVLRView() {
  ClearZoomStack();
  delete m_pGraph;
  delete m_pTool;
  delete m_pSuspendedTool;
}

CVLRDoc* CVLRView::GetDocument() const { return static_cast<CVLRDoc*>(m_pDocument); }

int CVLRView::GetZoomDepth() const {
  int n = 0;
  for (ZoomRecord* r = m_pZoomStack; r; r = r->pNext) ++n;
  return n;
}

void CVLRView::ClearZoomStack() {
  while (m_pZoomStack) {
    ZoomRecord* next = m_pZoomStack->pNext;
    delete m_pZoomStack;
    m_pZoomStack = next;
  }
}

void CVLRView::PushZoom(const CRect& rc) { m_pZoomStack = new ZoomRecord{rc, m_pZoomStack}; }

// --- extent and mapping ------------------------------------------------------------------------

void CVLRView::ComputeExtent() {
  CVLRDoc* doc = GetDocument();
  m_rcExtent.SetRectEmpty();
  if (doc && doc->IsRaster()) {
    const CRaster* r = doc->m_pRaster;
    m_rcExtent.SetRect(0, 0, ToUnits(r->m_nWidth, r->m_nResolution), ToUnits(r->m_nHeight, r->m_nResolution));
  }
  if (doc && doc->IsVector()) {
    CRect drawing;
    doc->m_pDwg->GetExtentsRect(&drawing);
    if (m_rcExtent.IsRectEmpty())
      m_rcExtent = drawing;
    else
      m_rcExtent.UnionRect(&m_rcExtent, &drawing);
  }
}

void CVLRView::UpdateMapping(BOOL bReset, CDC* pDC) {
  if (!m_pGraph) return;
  CRect device;
  if (pDC && pDC->IsPrinting())
    device.SetRect(0, 0, pDC->GetDeviceCaps(HORZRES), pDC->GetDeviceCaps(VERTRES));
  else
    GetClientRect(&device);
  m_pGraph->Fit(device, m_rcZoom, m_dAspect);
  if (bReset) {
    m_rcZoom = CRect(m_pGraph->ClientToDoc(device.left, device.top),
                     m_pGraph->ClientToDoc(device.right, device.bottom));
  }
  ComputeExtent();
  if (!m_hWnd) return;
  SetScrollRange(SB_HORZ, m_rcExtent.left / 1024, m_rcExtent.right / 1024, TRUE);
  SetScrollRange(SB_VERT, m_rcExtent.top / 1024, m_rcExtent.bottom / 1024, TRUE);
  SetScrollPos(SB_HORZ, Centre(m_rcZoom.left, m_rcZoom.right) / 1024);
  SetScrollPos(SB_VERT, Centre(m_rcZoom.top, m_rcZoom.bottom) / 1024);
}

void CVLRView::OnInitialUpdate() {
  LoadPrintSettingsOnce();
  ComputeExtent();
  ShowScrollBar(SB_BOTH, TRUE);
  SetScrollRange(SB_HORZ, m_rcExtent.left / 1024, m_rcExtent.right / 1024, TRUE);
  SetScrollRange(SB_VERT, m_rcExtent.top / 1024, m_rcExtent.bottom / 1024, TRUE);
  SetScrollPos(SB_HORZ, Centre(m_rcExtent.left, m_rcExtent.right) / 1024);
  SetScrollPos(SB_VERT, Centre(m_rcExtent.top, m_rcExtent.bottom) / 1024);
  CView::OnInitialUpdate();
}

// --- painting ----------------------------------------------------------------------------------

void CVLRView::ApplyZoomLock() {
  if (s_rcLockedZoom.IsRectEmpty()) {
    m_bZoomLocked = FALSE;
    return;
  }
  if (m_bZoomLocked) return;
  m_bZoomLocked = TRUE;
  PushZoom(m_rcZoom);
  const double w = (double)m_rcExtent.Width(), h = (double)m_rcExtent.Height();
  m_rcZoom.SetRect(RoundToInt(s_rcLockedZoom.left * w / 10000.0), RoundToInt(s_rcLockedZoom.top * h / 10000.0),
                   RoundToInt(s_rcLockedZoom.right * w / 10000.0), RoundToInt(s_rcLockedZoom.bottom * h / 10000.0));
  UpdateMapping(TRUE);
}

void CVLRView::EnsureGraph(CDC* pDC) {
  CVLRDoc* doc = GetDocument();
  if (m_pGraph || !doc || (!doc->IsRaster() && !doc->IsVector())) return;
  int aspectX = pDC->GetDeviceCaps(ASPECTX);
  m_dAspect = aspectX == 0 ? 1.0 : (double)pDC->GetDeviceCaps(ASPECTY) / aspectX;
  ComputeExtent();
  m_rcZoom = m_rcExtent;
  if (doc->IsRaster()) {
    const CRaster* r = doc->m_pRaster;
    m_pGraph = new CTGraph(r->m_nWidth, r->m_nHeight, UnitsPerPixel(r->m_nResolution));
  } else {
    const CDwg* d = doc->m_pDwg;
    m_pGraph = new CTGraph(d->m_nDeviceWidth, d->m_nDeviceHeight, d->m_dScale);
  }
  UpdateMapping(TRUE);
}

void CVLRView::OnDraw(CDC* pDC) {
  CVLRDoc* doc = GetDocument();
  if (!doc) return;
  // The paint wipes whatever band the tool drew in XOR.
  if (!m_bPrinting && m_pTool) m_pTool->OnViewRepaint();

  // A view can be painted before its document has read its file: it shows the background
  // until there is a drawing to map.
  if (!doc->IsRaster() && !doc->IsVector()) {
    if (!m_bPrinting) {
      CRect clip;
      pDC->GetClipBox(&clip);
      pDC->FillSolidRect(&clip, kBackground);
    }
    return;
  }
  if (!m_pGraph) {
    EnsureGraph(pDC);
    SwitchTool(CTool::idZoomGlass);
  }
  if (!m_pZoomStack && m_rcZoom.left == 0 && m_rcZoom.top == 0) {
    ComputeExtent();
    m_rcZoom = m_rcExtent;
    UpdateMapping(TRUE);
  }
  ApplyZoomLock();
  m_pGraph->SetDC(pDC);

  if (!m_bPrinting) {
    CRect clip;
    pDC->GetClipBox(&clip);
    pDC->FillSolidRect(&clip, kBackground);
    if (doc->IsRaster()) {
      CRaster* raster = doc->m_pRaster;
      CPoint docTopLeft = m_pGraph->ClientToDoc(clip.left, clip.top);
      CPoint docBottomRight = m_pGraph->ClientToDoc(clip.right, clip.bottom);
      CPoint imgTopLeft = m_pGraph->DocToImage(docTopLeft.x, docTopLeft.y);
      CPoint imgBottomRight = m_pGraph->DocToImage(docBottomRight.x, docBottomRight.y);
      CRect pixels(imgTopLeft, imgBottomRight);
      pixels.IntersectRect(&pixels, CRect(0, 0, raster->m_nWidth, raster->m_nHeight));
      if (!pixels.IsRectEmpty()) {
        CPoint docA = m_pGraph->ImageToDoc(pixels.left, pixels.top);
        CPoint docB = m_pGraph->ImageToDoc(pixels.right, pixels.bottom);
        CRect target(m_pGraph->DocToClient(docA.x, docA.y), m_pGraph->DocToClient(docB.x, docB.y));
        raster->Draw(pDC, target, pixels);
      }
    }
    if (doc->IsVector()) {
      // The visible part of the drawing in document units, and where it lies in the window.
      CRect drawing;
      doc->m_pDwg->GetExtentsRect(&drawing);
      // Geometry on the extents' maximum maps onto the pixel just past the rectangle the drawing
      // is painted into (whose right and bottom edges are exclusive), and the sides of a sheet
      // frame lie exactly there: the painted rectangle keeps two pixels of margin about the
      // extents so those sides show.
      const CPoint origin = m_pGraph->ClientToDoc(0, 0), margin = m_pGraph->ClientToDoc(2, 2);
      drawing.InflateRect(std::abs(margin.x - origin.x) + 1, std::abs(margin.y - origin.y) + 1);
      CRect visible(m_pGraph->ClientToDoc(clip.left, clip.top), m_pGraph->ClientToDoc(clip.right, clip.bottom));
      visible.NormalizeRect();
      if (visible.IntersectRect(&visible, &drawing)) {
        CRect device(m_pGraph->DocToClient(visible.left, visible.top),
                     m_pGraph->DocToClient(visible.right, visible.bottom));
        device.NormalizeRect();
        if (!device.IsRectEmpty()) doc->m_pDwg->Draw(pDC, device, visible, this, FALSE);
      }
    }
    DrawRasterSelection(pDC);
  }
  // The annotations over the drawing, when the setting "ShowRedline" asks for them.
  CVLRApp* app = GetVLRApp();
  if (doc->m_pVlr && (!app || !app->m_pConfig || app->m_pConfig->m_nShowRedline)) AnnDrawSet(*doc->m_pVlr, this, pDC);
}

CPoint CVLRView::ClientToDocSnapped(int x, int y) const {
  if (!m_pGraph) return CPoint(x, y);
  const CPoint plain = m_pGraph->ClientToDoc(x, y);
  CVLRDoc* doc = GetDocument();
  CVLRApp* app = GetVLRApp();
  if (!doc || !doc->IsVector() || doc->IsRaster() || !app || !app->m_pConfig) return plain;
  const int reach = app->m_pConfig->m_nSnapSize * 3;
  switch (app->m_pConfig->m_nSnapType) {
    case 1: {
      CPoint nearest;
      if (!doc->m_pDwg->SnapToNearestPoint(plain.x, plain.y, &nearest)) return plain;
      const CPoint at = m_pGraph->DocToClient(nearest.x, nearest.y);
      return std::abs(at.x - x) <= reach && std::abs(at.y - y) <= reach ? nearest : plain;
    }
    case 2: {
      CRect search(m_pGraph->ClientToDoc(x - reach, y - reach), m_pGraph->ClientToDoc(x + reach, y + reach));
      search.NormalizeRect();
      return doc->m_pDwg->SnapToNearestSegment(plain.x, plain.y, search);
    }
    default:
      return plain;
  }
}

// --- document updates --------------------------------------------------------------------------

void CVLRView::DrawRasterSelection(CDC* pDC) {
  CVLRDoc* doc = GetDocument();
  const CPolyPolygon* selection = doc ? doc->GetRasterSelection() : nullptr;
  if (!selection || !m_pGraph) return;
  CPen joined(PS_DASH, 0, RGB(255, 0, 0));
  CPen cut(PS_DOT, 0, RGB(255, 0, 0));
  CPen* old = pDC->SelectObject(&joined);
  for (int i = 0; i < selection->GetSize(); ++i) {
    const CPolygon& polygon = selection->GetAt(i);
    if (polygon.GetSize() == 0) continue;
    pDC->SelectObject(selection->GetValue(i) == CPolyPolygon::combineUnion ? &joined : &cut);
    const CPoint first = m_pGraph->DocToClient(polygon.GetAt(0).x, polygon.GetAt(0).y);
    pDC->MoveTo(first.x, first.y);
    for (int k = 1; k < polygon.GetSize(); ++k) {
      const CPoint p = m_pGraph->DocToClient(polygon.GetAt(k).x, polygon.GetAt(k).y);
      pDC->LineTo(p.x, p.y);
    }
    pDC->LineTo(first.x, first.y);
  }
  pDC->SelectObject(old);
}

void CVLRView::ShowRasterSelectionStatus() {
  CVLRDoc* doc = GetDocument();
  const CPolyPolygon* selection = doc ? doc->GetRasterSelection() : nullptr;
  CString text;
  if (selection && m_pGraph) {
    CClientDC dc(this);
    DrawRasterSelection(&dc);
    const CRasAreaScale scale{m_pGraph->GetImageScale(), doc->IsVector(), AnnRasterDpi(doc), doc->m_pVlr};
    text = RasAreaStatusText(*selection, scale);
  }
  CMainFrame::ShowFirstPaneText(text);
}

void CVLRView::OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) {
  CVLRDoc* doc = GetDocument();
  ShowRasterSelectionStatus();
  if (pHint && pHint->IsKindOf(RUNTIME_CLASS(CDocRectHint))) {
    InvalidateDocRect(*static_cast<const CDocRectHint*>(pHint));
  } else if (lHint > 0) {
    // Positive hints only ask for the selection over what is on the screen.
    CClientDC dc(this);
    DrawRasterSelection(&dc);
  } else if (lHint == -1 || lHint == -3) {
    delete m_pGraph;
    m_pGraph = nullptr;
    CView::OnUpdate(pSender, lHint, pHint);
  } else if (lHint == -2) {
    if (CFrameWnd* frame = GetParentFrame()) {
      if (frame->IsKindOf(RUNTIME_CLASS(CMDIChildWnd))) static_cast<CMDIChildWnd*>(frame)->MDIMaximize();
    }
    CView::OnUpdate(pSender, lHint, pHint);
  } else {
    CView::OnUpdate(pSender, lHint, pHint);
  }

  CVLRApp* app = GetVLRApp();
  CMainFrame* frame = app ? app->GetMainFrame() : nullptr;
  if (frame && frame->IsKindOf(RUNTIME_CLASS(CMainFrame))) {
    if (doc && doc->IsRaster() && doc->m_pRaster->m_nPages > 1) {
      CString text;
      text.Format("Page %d of %d", doc->m_pRaster->m_nCurPage + 1, doc->m_pRaster->m_nPages);
      frame->SetStatusText(text);
    } else {
      frame->SetStatusText("");
    }
  }
}

// A raster repaints just the part, grown by a pixel so no edge is left behind; a drawing's
// vectors may reach out of any part, so it is redrawn whole, at once.
void CVLRView::InvalidateDocRect(const CDocRectHint& rect) {
  CVLRDoc* doc = GetDocument();
  if (!doc || !doc->IsRaster() || !m_pGraph) {
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    return;
  }
  const CPoint a = m_pGraph->DocToClient(ClampToInt(rect.m_dLeft), ClampToInt(rect.m_dTop));
  const CPoint b = m_pGraph->DocToClient(ClampToInt(rect.m_dRight), ClampToInt(rect.m_dBottom));
  CRect rc(a, b);
  rc.NormalizeRect();
  rc.InflateRect(1, 1);
  InvalidateRect(&rc, TRUE);
}

// --- zoom stack --------------------------------------------------------------------------------

void CVLRView::ZoomTo(const CRect& rcDoc) {
  PushZoom(m_rcZoom);
  m_rcZoom = rcDoc;
  UpdateMapping(FALSE);
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CVLRView::ZoomOut() {
  const BOOL wasEmpty = m_pZoomStack == nullptr;
  if (m_pZoomStack) {
    ZoomRecord* top = m_pZoomStack;
    m_rcZoom = top->rc;
    m_pZoomStack = top->pNext;
    delete top;
  } else {
    ComputeExtent();
    m_rcZoom = m_rcExtent;
  }
  UpdateMapping(wasEmpty);
  Invalidate();
}

void CVLRView::ZoomEntire() {
  ClearZoomStack();
  ComputeExtent();
  m_rcZoom = m_rcExtent;
  UpdateMapping(TRUE);
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

// --- scrolling ---------------------------------------------------------------------------------

void CVLRView::ScrollTo(int nBar, int nPos) {
  int lo = 0, hi = 0;
  GetScrollRange(nBar, &lo, &hi);
  if (nPos < lo) nPos = lo;
  if (nPos > hi) nPos = hi;
  const CPoint oldCentre(Centre(m_rcZoom.left, m_rcZoom.right), Centre(m_rcZoom.top, m_rcZoom.bottom));
  CPoint newCentre = oldCentre;
  if (nBar == SB_HORZ) {
    int dx = (int)((int64_t)nPos * 1024 - oldCentre.x);
    m_rcZoom.OffsetRect(dx, 0);
    newCentre.x += dx;
  } else {
    int dy = (int)((int64_t)nPos * 1024 - oldCentre.y);
    m_rcZoom.OffsetRect(0, dy);
    newCentre.y += dy;
  }
  if (!m_pGraph) return;
  const CPoint oldDevice = m_pGraph->DocToClient(oldCentre.x, oldCentre.y);
  const CPoint newDevice = m_pGraph->DocToClient(newCentre.x, newCentre.y);
  UpdateMapping(FALSE);
  if (oldDevice != newDevice) ScrollWindow(oldDevice.x - newDevice.x, oldDevice.y - newDevice.y);
}

void CVLRView::HandleScroll(int nBar, UINT nSBCode, UINT nPos) {
  CVLRDoc* doc = GetDocument();
  const BOOL horizontal = nBar == SB_HORZ;
  const int size = horizontal ? m_rcZoom.Width() : m_rcZoom.Height();
  const int line = (size / 1024) / (horizontal ? 20 : 10);
  const int page = line * (horizontal ? 10 : 5);
  int pos = GetScrollPos(nBar);
  switch (nSBCode) {
    case SB_LINEUP:
      pos -= line;
      break;
    case SB_LINEDOWN:
      pos += line;
      break;
    case SB_PAGEUP:
      pos -= page;
      break;
    case SB_PAGEDOWN:
      pos += page;
      break;
    case SB_THUMBPOSITION:
      pos = (int)nPos;
      break;
    case SB_THUMBTRACK:
      // Tracking redraws at every move: only a raster is quick enough for that.
      if (!doc || !doc->IsRaster()) return;
      pos = (int)nPos;
      break;
    default:
      return;
  }
  ScrollTo(nBar, pos);
}

void CVLRView::OnHScroll(UINT nSBCode, UINT nPos, CScrollBar*) { HandleScroll(SB_HORZ, nSBCode, nPos); }

void CVLRView::OnVScroll(UINT nSBCode, UINT nPos, CScrollBar*) { HandleScroll(SB_VERT, nSBCode, nPos); }

void CVLRView::OnSize(UINT nType, int cx, int cy) {
  CView::OnSize(nType, cx, cy);
  if (m_rcZoom.IsRectEmpty() || cx == 0 || cy == 0 || nType == SIZE_MAXSHOW || nType == SIZE_MAXHIDE) return;
  UpdateMapping(FALSE);
}

// --- tools -------------------------------------------------------------------------------------

void CVLRView::SwitchTool(int nId) {
  m_nPrevToolId = m_pTool->GetToolId();
  m_pTool->Deactivate(this, nId);
  delete m_pTool;
  m_pTool = CTool::Create(nId);
  if (m_pTool->Activate(this)) return;
  m_pTool->Deactivate(this, nId);
  delete m_pTool;
  m_pTool = CTool::Create(CTool::idNone);
}

void CVLRView::SuspendTool(CTool* pTool) {
  delete m_pSuspendedTool;
  m_pSuspendedTool = pTool;
}

void CVLRView::EndToolIfDone(BOOL bGoesOn) {
  if (!bGoesOn) SwitchTool(m_nPrevToolId);
}

void CVLRView::OnLButtonDown(UINT nFlags, CPoint point) {
  EndToolIfDone(m_pTool->OnLButtonDown(this, point.x, point.y, nFlags));
}

void CVLRView::OnLButtonUp(UINT nFlags, CPoint point) {
  EndToolIfDone(m_pTool->OnLButtonUp(this, point.x, point.y, nFlags));
}

void CVLRView::OnMouseMove(UINT nFlags, CPoint point) {
  EndToolIfDone(m_pTool->OnMouseMove(this, point.x, point.y, nFlags));
}

void CVLRView::OnLButtonDblClk(UINT nFlags, CPoint point) {
  EndToolIfDone(m_pTool->OnLButtonDblClk(this, point.x, point.y, nFlags));
}

void CVLRView::OnRButtonUp(UINT nFlags, CPoint point) {
  BOOL handled = FALSE;
  BOOL goesOn = m_pTool->OnRButtonUp(this, point.x, point.y, nFlags, &handled);
  EndToolIfDone(goesOn);
  if (!handled) CView::OnRButtonUp(nFlags, point);
}

BOOL CVLRView::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
  if (nHitTest == HTCLIENT && pWnd && ::GetFocus() == pWnd->m_hWnd) {
    m_pTool->SetCursor();
    return TRUE;
  }
  return CView::OnSetCursor(pWnd, nHitTest, message);
}

// Shift+F10 and the context-menu key stop here: the view has no context menu of its own.
void CVLRView::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
  if (nChar == VK_F10 && (::GetKeyState(VK_SHIFT) & 0x8000)) return;
  CView::OnKeyDown(nChar, nRepCnt, nFlags);
}

void CVLRView::OnSysKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
  if (nChar == VK_F10 && (::GetKeyState(VK_SHIFT) & 0x8000)) return;
  CView::OnSysKeyDown(nChar, nRepCnt, nFlags);
}

void CVLRView::OnContextMenu(CWnd*, CPoint) {}

// --- commands ----------------------------------------------------------------------------------

int CVLRView::ToolIdOfCommand(UINT nId) {
  static const struct {
    UINT nCommand;
    int nTool;
  } kTools[] = {
      {ID_RASTER_ARROW, CTool::idRasterRect},  {ID_RASTER_POLYGON, CTool::idRasterPolygon},
      {ID_ZOOM_IN, CTool::idZoomGlass},        {ID_REDLINE_SELECT, CTool::idAnnSelect},
      {ID_REDLINE_PEN, CTool::idAnnPen},       {ID_REDLINE_LINE, CTool::idAnnLine},
      {ID_REDLINE_CIRCLE, CTool::idAnnCircle}, {ID_REDLINE_RECT, CTool::idAnnRect},
      {ID_REDLINE_POLYGON, CTool::idAnnPolygon}, {ID_REDLINE_TEXT, CTool::idAnnText},
      {ID_REDLINE_TEXTHEIGHT, CTool::idAnnTextHeight}, {ID_TOOLS_LENGTH, CTool::idLength},
      {ID_TOOLS_AREA, CTool::idArea},
  };
  for (const auto& t : kTools)
    if (t.nCommand == nId) return t.nTool;
  return 0;
}

void CVLRView::OnToolCommand(UINT nId) {
  int tool = ToolIdOfCommand(nId);
  if (tool != 0) SwitchTool(tool);
}

void CVLRView::OnUpdateToolCommand(CCmdUI* pCmdUI) {
  int tool = ToolIdOfCommand(pCmdUI->m_nID);
  pCmdUI->SetCheck(tool != 0 && m_pTool->GetToolId() == tool);
  if (pCmdUI->m_nID == ID_REDLINE_TEXT) {
    CVLRApp* app = GetVLRApp();
    pCmdUI->Enable(app && app->m_pConfig && app->m_pConfig->m_nTextHeight > 0);
  }
}

void CVLRView::OnUpdateZoomIn(CCmdUI* pCmdUI) {
  pCmdUI->SetCheck(m_pTool->GetToolId() == CTool::idZoomGlass);
  pCmdUI->Enable(s_rcLockedZoom.IsRectEmpty());
}

void CVLRView::OnZoomOut() { ZoomOut(); }

void CVLRView::OnUpdateZoomOut(CCmdUI* pCmdUI) {
  pCmdUI->Enable(m_pZoomStack != nullptr && s_rcLockedZoom.IsRectEmpty());
}

void CVLRView::OnViewEntire() { ZoomEntire(); }

void CVLRView::OnUpdateViewEntire(CCmdUI* pCmdUI) { pCmdUI->Enable(s_rcLockedZoom.IsRectEmpty()); }

void CVLRView::OnLockZoom() {
  const BOOL lock = s_rcLockedZoom.IsRectEmpty();
  if (lock) {
    const double w = m_rcExtent.Width(), h = m_rcExtent.Height();
    if (w <= 0 || h <= 0) return;
    s_rcLockedZoom.SetRect(RoundToInt(m_rcZoom.left * 10000.0 / w), RoundToInt(m_rcZoom.top * 10000.0 / h),
                           RoundToInt(m_rcZoom.right * 10000.0 / w), RoundToInt(m_rcZoom.bottom * 10000.0 / h));
    SwitchTool(CTool::idNone);
    m_bZoomLocked = TRUE;
  } else {
    s_rcLockedZoom.SetRectEmpty();
  }
  // Every other view takes the lock at its next paint; unlocking clears every view's mark.
  CWinApp* app = AfxGetApp();
  POSITION tp = app ? app->GetFirstDocTemplatePosition() : nullptr;
  while (tp) {
    CDocTemplate* t = app->GetNextDocTemplate(tp);
    POSITION dp = t->GetFirstDocPosition();
    while (dp) {
      CDocument* d = t->GetNextDoc(dp);
      POSITION vp = d->GetFirstViewPosition();
      while (vp) {
        CView* v = d->GetNextView(vp);
        if (!v->IsKindOf(RUNTIME_CLASS(CVLRView))) continue;
        if (!lock) static_cast<CVLRView*>(v)->m_bZoomLocked = FALSE;
        else if (v != this) v->Invalidate();
      }
    }
  }
}

void CVLRView::OnUpdateLockZoom(CCmdUI* pCmdUI) { pCmdUI->SetCheck(!s_rcLockedZoom.IsRectEmpty()); }

// --- measuring commands ------------------------------------------------------------------------

void CVLRView::OnCheckScale() {
  if (AfxMessageBox("To let the computer calculate the scale you should now click on to point and enter the distance "
                    "between them, the scale will then be calculated.",
                    MB_OK | MB_ICONEXCLAMATION) == IDOK)
    SwitchTool(CTool::idScaleCheck);
}

void CVLRView::OnMeasureCommand(UINT nId) {
  AnnMeasureCommand(this, nId == ID_MEASURE_END ? kMeasureEnd : nId == ID_MEASURE_UNDO ? kMeasureUndo : kMeasureCancel);
}

void CVLRView::OnUpdateMeasureCommand(CCmdUI* pCmdUI) {
  const int tool = m_pTool->GetToolId();
  pCmdUI->Enable(tool == CTool::idLength || tool == CTool::idArea);
}

// --- annotation clipboard ----------------------------------------------------------------------

namespace {

// Puts one handle on the clipboard, emptied first, in the main window's name. The handle is
// deleted (by deleter) when the clipboard cannot be had.
template <typename Deleter>
bool PutOnClipboard(UINT format, HANDLE data, Deleter deleter) {
  CWnd* main = AfxGetMainWnd();
  if (!data) return false;
  if (!::OpenClipboard(main ? main->m_hWnd : nullptr)) {
    deleter(data);
    return false;
  }
  ::EmptyClipboard();
  const bool ok = ::SetClipboardData(format, data) != nullptr;
  if (!ok) deleter(data);
  ::CloseClipboard();
  return ok;
}

void DeleteGdi(HANDLE h) { ::DeleteObject(h); }

// A setting switched off for the time of an off-screen drawing and put back after it.
class CSettingOff {
 public:
  explicit CSettingOff(int* setting) : m_pSetting(setting), m_nKept(setting ? *setting : 0) {
    if (m_pSetting) *m_pSetting = 0;
  }
  ~CSettingOff() {
    if (m_pSetting) *m_pSetting = m_nKept;
  }
  CSettingOff(const CSettingOff&) = delete;
  CSettingOff& operator=(const CSettingOff&) = delete;

 private:
  int* m_pSetting;
  int m_nKept;
};

int* ConfigSetting(int CConfig::*setting) {
  CVLRApp* app = GetVLRApp();
  return app && app->m_pConfig ? &(app->m_pConfig->*setting) : nullptr;
}

}  // namespace

HBITMAP CVLRView::CopyRasterRegion() {
  CVLRDoc* doc = GetDocument();
  if (!doc || !doc->IsRaster()) return nullptr;
  const CPolyPolygon* selection = doc->GetRasterSelection();
  if (!selection || selection->GetSize() == 0 || !m_pGraph) return doc->m_pRaster->CopyRegion(nullptr);
  const CRect bounds = selection->GetBounds();
  CRect pixels(m_pGraph->DocToImage(bounds.left, bounds.top), m_pGraph->DocToImage(bounds.right, bounds.bottom));
  pixels.NormalizeRect();
  pixels.IntersectRect(&pixels, CRect(0, 0, doc->m_pRaster->m_nWidth, doc->m_pRaster->m_nHeight));
  if (pixels.IsRectEmpty()) return nullptr;
  return doc->m_pRaster->CopyRegion(&pixels);
}

// A selected annotation object goes as itself; else a raster gives its selected part (or the
// whole image), and anything else a picture of the window.
void CVLRView::OnEditCopy() {
  CVLRDoc* doc = GetDocument();
  CVlr* set = doc->m_pVlr;
  if (set && set->m_pSelected) {
    AnnCopyToClipboard(*set->m_pSelected);
    return;
  }
  HBITMAP bitmap = CopyRasterRegion();
  if (!bitmap) {
    const CPolyPolygon* selection = doc->GetRasterSelection();
    if (selection && selection->GetSize() > 0 && m_pGraph) {
      const CRect bounds = selection->GetBounds();
      CRect client(m_pGraph->DocToClient(bounds.left, bounds.top), m_pGraph->DocToClient(bounds.right, bounds.bottom));
      client.NormalizeRect();
      client.left += 1;
      client.top += 1;
      bitmap = CaptureWindow(m_hWnd, &client);
    } else {
      bitmap = CaptureWindow(m_hWnd);
    }
  }
  PutOnClipboard(CF_BITMAP, bitmap, DeleteGdi);
}

void CVLRView::OnUpdateEditCopy(CCmdUI* pCmdUI) {
  CVLRDoc* doc = GetDocument();
  pCmdUI->Enable((doc->m_pVlr && doc->m_pVlr->m_pSelected) || doc->IsRaster() || doc->IsVector());
}

HMETAFILE CVLRView::MakeVectorMetafile(CSize* pSize) {
  CVLRDoc* doc = GetDocument();
  if (!doc || !doc->IsVector()) return nullptr;
  const CPolyPolygon* selection = doc->GetRasterSelection();
  CRect source = selection && selection->GetSize() > 0 ? selection->GetBounds() : m_rcZoom;
  source.NormalizeRect();
  if (source.IsRectEmpty()) {
    ComputeExtent();
    source = m_rcExtent;
  }
  if (source.Width() <= 0 || source.Height() <= 0) return nullptr;
  const double longer = source.Width() >= source.Height() ? source.Width() : source.Height();
  CSize size((int)(4096.0 * source.Width() / longer + 0.5), (int)(4096.0 * source.Height() / longer + 0.5));
  if (size.cx < 1) size.cx = 1;
  if (size.cy < 1) size.cy = 1;
  CMetaFileDC metafile;
  if (!metafile.Create()) return nullptr;
  {
    CSettingOff dark(ConfigSetting(&CConfig::m_nDarkDWG));
    doc->m_pDwg->Draw(&metafile, CRect(0, 0, size.cx, size.cy), source, this, TRUE);
  }
  if (pSize) *pSize = size;
  return metafile.Close();
}

void CVLRView::OnEditCopyVectors() {
  CWaitCursor wait;
  CSize size;
  HMETAFILE metafile = MakeVectorMetafile(&size);
  if (!metafile) return;
  HGLOBAL picture = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, sizeof(METAFILEPICT));
  if (!picture) {
    ::DeleteMetaFile(metafile);
    return;
  }
  METAFILEPICT* mfp = static_cast<METAFILEPICT*>(::GlobalLock(picture));
  mfp->mm = MM_TEXT;
  mfp->xExt = size.cx;
  mfp->yExt = size.cy;
  mfp->hMF = metafile;
  ::GlobalUnlock(picture);
  PutOnClipboard(CF_METAFILEPICT, picture, [](HANDLE h) {
    METAFILEPICT* p = static_cast<METAFILEPICT*>(::GlobalLock(h));
    if (p) {
      ::DeleteMetaFile(p->hMF);
      ::GlobalUnlock(h);
    }
    ::GlobalFree(h);
  });
}

void CVLRView::OnUpdateEditCopyVectors(CCmdUI* pCmdUI) { pCmdUI->Enable(GetDocument()->IsVector()); }

void CVLRView::PutThumbnailOnClipboard() {
  CVLRDoc* doc = GetDocument();
  if (!doc) return;
  ComputeExtent();
  HDC screen = ::GetDC(m_hWnd);
  CDC memory;
  memory.Attach(::CreateCompatibleDC(screen));
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 128, 128);
  ::ReleaseDC(m_hWnd, screen);
  if (!memory.m_hDC || !bitmap) {
    if (bitmap) ::DeleteObject(bitmap);
    if (memory.m_hDC) ::DeleteDC(memory.Detach());
    return;
  }
  HGDIOBJ old = ::SelectObject(memory.m_hDC, bitmap);
  memory.FillSolidRect(CRect(0, 0, 128, 128), RGB(255, 255, 255));
  const CRect extent = m_rcExtent;
  if (extent.Width() > 0 && extent.Height() > 0) {
    const double longer = extent.Width() >= extent.Height() ? extent.Width() : extent.Height();
    const int w = (int)(128.0 * extent.Width() / longer + 0.5), h = (int)(128.0 * extent.Height() / longer + 0.5);
    const CRect target((128 - w) / 2, (128 - h) / 2, (128 - w) / 2 + w, (128 - h) / 2 + h);
    if (doc->IsVector()) {
      CSettingOff dark(ConfigSetting(&CConfig::m_nDarkDWG));
      CSettingOff blackWhite(ConfigSetting(&CConfig::m_nBWDWG));
      doc->m_pDwg->DiscardCachedBitmap(TRUE);
      CRect drawing(0, 0, w, h);
      // The drawing pass draws at (0, 0) of its target: it goes through the window origin.
      ::SetViewportOrgEx(memory.m_hDC, target.left, target.top, nullptr);
      doc->m_pDwg->Draw(&memory, drawing, extent, this, TRUE);
      ::SetViewportOrgEx(memory.m_hDC, 0, 0, nullptr);
    } else if (doc->IsRaster()) {
      doc->m_pRaster->Draw(&memory, target, CRect(0, 0, doc->m_pRaster->m_nWidth, doc->m_pRaster->m_nHeight));
    }
  }
  ::SelectObject(memory.m_hDC, old);
  ::DeleteDC(memory.Detach());
  CWnd* main = AfxGetMainWnd();
  if (!::OpenClipboard(main ? main->m_hWnd : nullptr)) {
    ::DeleteObject(bitmap);
    return;
  }
  ::EmptyClipboard();
  if (!::SetClipboardData(CF_BITMAP, bitmap)) ::DeleteObject(bitmap);
  const CString path = doc->GetPathName();
  const size_t n = (size_t)path.GetLength() + 1;
  if (HGLOBAL text = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, n)) {
    memcpy(::GlobalLock(text), (LPCSTR)path, n);
    ::GlobalUnlock(text);
    if (!::SetClipboardData(CF_TEXT, text)) ::GlobalFree(text);
  }
  ::CloseClipboard();
  ::Sleep(200);
}

// --- model and paper space, windows, palette ---------------------------------------------------

void CVLRView::OnViewMode(UINT nId) {
  CVLRDoc* doc = GetDocument();
  if (!doc->IsVector()) return;
  const int mode = (int)(nId - ID_VIEW_MODEL_EXTENTS);
  if (mode == 2 && !doc->m_pDwg->HasViewports()) return;
  doc->m_pDwg->SetViewMode(mode);
  // The drawing's device space changed with the mode: every view maps it anew.
  POSITION pos = doc->GetFirstViewPosition();
  while (pos) {
    CView* view = doc->GetNextView(pos);
    if (view->IsKindOf(RUNTIME_CLASS(CVLRView))) static_cast<CVLRView*>(view)->ResetMapping();
  }
  doc->UpdateAllViews(nullptr, 0, nullptr);
}

void CVLRView::OnUpdateViewMode(CCmdUI* pCmdUI) {
  CVLRDoc* doc = GetDocument();
  const int mode = (int)(pCmdUI->m_nID - ID_VIEW_MODEL_EXTENTS);
  const BOOL vector = doc->IsVector();
  pCmdUI->Enable(vector && (mode != 2 || doc->m_pDwg->HasViewports()));
  pCmdUI->SetCheck(vector && doc->m_pDwg->m_nViewMode == mode ? 1 : 0);
}

void CVLRView::ResetMapping() {
  delete m_pGraph;
  m_pGraph = nullptr;
  ClearZoomStack();
  m_rcZoom.SetRectEmpty();
  Invalidate();
}

void CVLRView::OnWindowNext() {
  CMDIFrameWnd* frame = dynamic_cast<CMDIFrameWnd*>(AfxGetMainWnd());
  if (frame && frame->m_hWndMDIClient) ::SendMessageA(frame->m_hWndMDIClient, WM_MDINEXT, 0, FALSE);
}

void CVLRView::OnWindowPrevious() {
  CMDIFrameWnd* frame = dynamic_cast<CMDIFrameWnd*>(AfxGetMainWnd());
  if (frame && frame->m_hWndMDIClient) ::SendMessageA(frame->m_hWndMDIClient, WM_MDINEXT, 0, TRUE);
}

LRESULT CVLRView::OnRealizePalette(WPARAM, LPARAM) {
  CVLRDoc* doc = GetDocument();
  if (!doc || !doc->IsRaster() || !m_hWnd) return 0;
  CClientDC dc(this);
  if (doc->m_pRaster->RealizePalette(&dc) != 0) Invalidate();
  return 0;
}

// The pasted object lands where the mouse is, so a paste from the context menu or the keyboard
// puts it at the spot the user points at.
void CVLRView::OnEditPaste() {
  CVLRDoc* doc = GetDocument();
  if (!doc->m_pVlr || !m_pGraph) return;
  POINT pt;
  if (!::GetCursorPos(&pt)) return;
  ::ScreenToClient(m_hWnd, &pt);
  const CPoint at = m_pGraph->ClientToDoc(pt.x, pt.y);
  if (AnnPasteFromClipboard(*doc->m_pVlr, at.x, at.y)) doc->UpdateAllViews(nullptr);
}

void CVLRView::OnUpdateEditPaste(CCmdUI* pCmdUI) {
  pCmdUI->Enable(GetDocument()->m_pVlr && AnnHasClipboardObject());
}

// --- deleting and editing annotation objects ---------------------------------------------------

void CVLRView::OnEditDelete() {
  CVlr* set = GetDocument()->m_pVlr;
  if (!set || !set->m_pSelected || m_pTool->GetToolId() != CTool::idAnnSelect) return;
  set->DeleteSelected();
  GetDocument()->UpdateAllViews(nullptr);
}

void CVLRView::OnUpdateEditDelete(CCmdUI* pCmdUI) {
  CVlr* set = GetDocument()->m_pVlr;
  pCmdUI->Enable(set && set->m_pSelected && m_pTool->GetToolId() == CTool::idAnnSelect);
}

void CVLRView::OnAnnotationDelete() {
  CVlr* set = GetDocument()->m_pVlr;
  if (!set || !set->m_pSelected) return;
  set->DeleteSelected();
  GetDocument()->UpdateAllViews(nullptr);
}

// An edited object is a change to save like any other, and repaints on every view that shows it.
void CVLRView::OnAnnotationProperties() {
  CVlr* set = GetDocument()->m_pVlr;
  if (!set || !set->m_pSelected) return;
  CAnnObj* pObj = set->m_pSelected;
  if (!AnnEditProperties(*pObj, this)) return;
  set->SetModified();
  AnnInvalidateOnAllViews(*pObj, GetDocument());
}

// --- raster selection ------------------------------------------------------------------------

void CVLRView::OnRasterPolygonCommand(UINT nId) {
  if (!m_pTool->IsKindOf(RUNTIME_CLASS(CRasPolygonTool))) return;
  CRasPolygonTool* tool = static_cast<CRasPolygonTool*>(m_pTool);
  if (nId == ID_RASTER_CLOSEPOLYGON)
    tool->Close(this);
  else
    tool->Cancel(this);
}
