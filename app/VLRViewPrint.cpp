// The view's printing: File/Print with the print options, print all, the direct
// print of the shell's command, and the framework's printing steps (prepare,
// begin, page, end): fit or true scale, tiles over several sheets, raster,
// drawing, annotations and the paper head. Not for: the page loop and the
// printer's device context (the framework), the arithmetic of tiles and the
// head's layout (model/PrintModel).
#include <cmath>

#include "AnnotateWin.h"
#include "DoPrint.h"
#include "PointArray.h"
#include "Raster.h"
#include "RasterPrintDlg.h"
#include "VLRApp.h"
#include "VLRDoc.h"
#include "VLRView.h"
#include "Vlr.h"
#include "model/RasterPrintModel.h"
#include "model/ScaleCheck.h"
#include "model/Units.h"
#include "resource.h"
#include "vector/Dwg.h"

namespace {

CConfig* Settings() {
  CVLRApp* app = GetVLRApp();
  return app ? app->m_pConfig : nullptr;
}

// Every view of every open document, in template and document order.
template <typename Fn>
void ForEachFirstView(Fn fn) {
  CWinApp* app = AfxGetApp();
  POSITION tp = app ? app->GetFirstDocTemplatePosition() : nullptr;
  while (tp) {
    CDocTemplate* t = app->GetNextDocTemplate(tp);
    POSITION dp = t->GetFirstDocPosition();
    while (dp) {
      CDocument* d = t->GetNextDoc(dp);
      POSITION vp = d->GetFirstViewPosition();
      CView* v = vp ? d->GetNextView(vp) : nullptr;
      if (v && v->IsKindOf(RUNTIME_CLASS(CVLRView))) fn(static_cast<CVLRView*>(v));
    }
  }
}

}  // namespace

// --- settings
// -------------------------------------------------------------------------------------

void CVLRView::LoadPrintSettings() {
  const CConfig* c = Settings();
  m_bPrintSettingsLoaded = TRUE;
  if (!c) return;
  CViewPrintSettings& p = m_print;
  p.nUse = c->m_nHeadUse;
  p.nFileName = c->m_nHeadFileName;
  p.nTime = c->m_nHeadTime;
  p.nScale = c->m_nHeadScale;
  p.nText = c->m_nHeadText;
  p.strUserText = c->m_strHeadUserText;
  p.nAll = c->m_nPrintAll;
  p.nFit = c->m_nPrintFit;
  p.dScale1 = c->m_dScale1;
  p.dScale2 = c->m_dScale2;
  p.nCopies = c->m_nCopies;
  p.nWhat = c->m_nPrintWhat;
  p.nPort = c->m_nPrintChoice;
  p.nSize = c->m_nPaperSize;
  p.nPenType = c->m_nPenType;
  p.nPenWidth = c->m_nPenWidth;
}

void CVLRView::StorePrintSettings() const {
  CConfig* c = Settings();
  if (!c) return;
  const CViewPrintSettings& p = m_print;
  c->m_nHeadUse = p.nUse;
  c->m_nHeadFileName = p.nFileName;
  c->m_nHeadTime = p.nTime;
  c->m_nHeadScale = p.nScale;
  c->m_nHeadText = p.nText;
  c->m_strHeadUserText = p.strUserText;
  c->m_nPrintAll = p.nAll;
  c->m_nPrintFit = p.nFit;
  c->m_dScale1 = p.dScale1;
  c->m_dScale2 = p.dScale2;
  c->m_nCopies = p.nCopies;
  c->m_nPrintWhat = p.nWhat;
  c->m_nPaperSize = p.nSize;
  c->m_nPenType = p.nPenType;
  c->m_nPenWidth = p.nPenWidth;
}

// --- commands
// -------------------------------------------------------------------------------------

namespace {

// The print options over a view's settings; the answer, with the view's
// settings updated.
INT_PTR RunPrintOptions(CVLRView* view, BOOL bPreview) {
  CViewPrintSettings& p = view->m_print;
  CDoPrint dlg(bPreview, view, view);
  dlg.m_bVector = view->GetDocument()->IsVector();
  dlg.m_nArea = p.nAll == 1 ? 0 : 1;
  dlg.m_nFit = p.nFit == 1 ? 0 : 1;
  dlg.m_nColor = p.nPenType == 1 ? 0 : 1;
  dlg.m_bPenWidths = p.nPenWidth;
  dlg.m_bUseHead = p.nUse;
  dlg.m_bFileName = p.nFileName;
  dlg.m_bScaleInfo = p.nScale;
  dlg.m_bTime = p.nTime;
  dlg.m_bText = p.nText;
  dlg.m_strText = p.strUserText;
  dlg.m_dFirst = p.dScale1;
  dlg.m_dSecond = p.dScale2;
  const INT_PTR result = dlg.DoModal();
  if (result == IDCANCEL) return result;
  p.nAll = dlg.m_nArea == 0 ? 1 : 0;
  p.nFit = dlg.m_nFit == 0 ? 1 : 0;
  p.nPenType = dlg.m_nColor == 0 ? 1 : 0;
  p.nPenWidth = dlg.m_bPenWidths;
  p.nUse = dlg.m_bUseHead;
  p.nFileName = dlg.m_bFileName;
  p.nScale = dlg.m_bScaleInfo;
  p.nTime = dlg.m_bTime;
  p.nText = dlg.m_bText;
  p.strUserText = dlg.m_strText;
  p.dScale1 = dlg.m_dFirst;
  p.dScale2 = dlg.m_dSecond;
  // A head with nothing in it is no head.
  if (p.nUse && !p.nFileName && !p.nTime && !p.nScale && !p.nText) p.nUse = 0;
  view->StorePrintSettings();
  return result;
}

}  // namespace

void CVLRView::OnFilePrintCommand() {
  if (!m_bPrintSettingsLoaded) LoadPrintSettings();
  const INT_PTR result = RunPrintOptions(this, TRUE);
  if (result == IDC_DOPRINT_PREVIEW) {
    OnFilePrintPreview();
    return;
  }
  if (result != IDOK) return;
  CVLRDoc* doc = GetDocument();
  if (doc->IsRaster() && doc->m_pRaster->m_nPages > 1) {
    CRaster* raster = doc->m_pRaster;
    const int shown = raster->m_nCurPage;
    for (int i = 0; i < raster->m_nPages; ++i) {
      if (!raster->LoadPage(i)) continue;
      doc->UpdateAllViews(nullptr, -3, nullptr);
      UpdateWindow();
      OnFilePrintDirect();
    }
    raster->LoadPage(shown);
    doc->UpdateAllViews(nullptr, -3, nullptr);
    return;
  }
  OnFilePrintDirect();
}

void CVLRView::OnFilePrintAll() {
  if (!m_bPrintSettingsLoaded) LoadPrintSettings();
  if (RunPrintOptions(this, FALSE) != IDOK) return;
  if (AfxMessageBox("All open documents will now be printed with the selected settings.",
                    MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK)
    return;
  const CViewPrintSettings settings = m_print;
  ForEachFirstView([&settings](CVLRView* view) {
    view->m_print = settings;
    view->m_bPrintSettingsLoaded = TRUE;
    view->DirectPrint(FALSE);
  });
}

// --- raster printers on parallel ports
// -------------------------------------------------------------------

namespace {

// The job header of the given kind to the port through a temporary file; FALSE (shown) when it
// could not be sent. A kind that has no header sends nothing and succeeds.
BOOL SendJobHeader(int nKind, int nCopies, const CString& port, const CString& docPath) {
  const CString header = RasterJobHeader(nKind, nCopies);
  if (header.IsEmpty()) return TRUE;
  char dir[MAX_PATH], name[MAX_PATH];
  const DWORD n = ::GetTempPathA(MAX_PATH, dir);
  HANDLE f = INVALID_HANDLE_VALUE;
  if (n > 0 && n < MAX_PATH && ::GetTempFileNameA(dir, "VLR", 0, name))
    f = ::CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) {
    AfxMessageBox("Can't print the raster file: " + docPath, MB_ICONSTOP);
    return FALSE;
  }
  DWORD put = 0;
  const BOOL written = ::WriteFile(f, (LPCSTR)header, header.GetLength(), &put, nullptr) &&
                       put == (DWORD)header.GetLength();
  ::CloseHandle(f);
  const BOOL sent = written && CRaster::CopyToPort(name, port);
  ::DeleteFileA(name);
  if (!sent) AfxMessageBox("Can't print the raster file: " + docPath, MB_ICONSTOP);
  return sent;
}

}  // namespace

CRect CVLRView::RasterPrintRect(BOOL bSelected) const {
  const CRaster* raster = GetDocument()->m_pRaster;
  if (!bSelected || !m_pGraph) return CRect(0, 0, raster->m_nWidth, raster->m_nHeight);
  const CPolyPolygon* selection = GetDocument()->GetRasterSelection();
  CRect doc = (selection && selection->GetSize() > 0) ? selection->GetBounds() : m_rcZoom;
  CRect pixels(m_pGraph->DocToImage(doc.left, doc.top), m_pGraph->DocToImage(doc.right, doc.bottom));
  pixels.NormalizeRect();
  // A zoom rectangle reaches past the image where the window is wider than the image's shape.
  pixels.IntersectRect(&pixels, CRect(0, 0, raster->m_nWidth, raster->m_nHeight));
  return pixels;
}

void CVLRView::OnUpdateFilePrintRaster(CCmdUI* pCmdUI) {
  const CVLRDoc* doc = GetDocument();
  pCmdUI->Enable(doc && doc->IsRaster());
}

void CVLRView::OnFilePrintRaster() {
  CVLRDoc* doc = GetDocument();
  if (!doc->IsRaster()) return;
  LoadPrintSettingsOnce();
  const CConfig* c = Settings();
  CRasterPrintDlg dlg(this);
  dlg.m_nCopies = m_print.nCopies;
  dlg.m_nSize = m_print.nSize;
  dlg.m_nArea = m_print.nWhat;
  dlg.m_nPort = RasterPortOf(m_print.nPort, c ? c->m_nRasterPort : 0);
  if (dlg.DoModal() != IDOK) return;
  m_print.nCopies = dlg.m_nCopies;
  m_print.nSize = dlg.m_nSize;
  m_print.nWhat = dlg.m_nArea;
  m_print.nPort = dlg.m_nPort;

  const int port = RasterPortOf(m_print.nPort, c ? c->m_nRasterPort : 0);
  const BOOL softwareCopies = c && c->m_nSWCopies;
  if (!softwareCopies && m_print.nCopies > 1 &&
      !SendJobHeader(c ? c->m_nRasterPrinter : 0, m_print.nCopies, RasterPortName(port), doc->GetPathName()))
    return;
  doc->m_pRaster->PrintToRasterPrinter(m_print.nSize, RasterPrintRect(m_print.nWhat == 1), port,
                                       softwareCopies ? m_print.nCopies : 1);
}

void CVLRView::DirectPrint(BOOL bDialog) {
  if (!m_bPrintSettingsLoaded) LoadPrintSettings();
  if (bDialog)
    OnFilePrintCommand();
  else
    OnFilePrintDirect();
}

// --- the framework's printing steps
// -----------------------------------------------------------------

BOOL CVLRView::OnPreparePrinting(CPrintInfo* pInfo) {
  if (!m_bPrintSettingsLoaded) LoadPrintSettings();
  if (m_hWnd) ::LockWindowUpdate(m_hWnd);
  pInfo->m_nCurPage = 1;
  // The print options took the place of the print dialog: the default printer
  // prints.
  pInfo->m_bDirect = TRUE;
  m_bPreview = pInfo->m_bPreview;
  if (DoPreparePrinting(pInfo)) return TRUE;
  if (m_hWnd) ::LockWindowUpdate(nullptr);
  return FALSE;
}

CRect CVLRView::GetPrintArea() const {
  if (m_print.nAll) return m_rcExtent;
  const CPolyPolygon* selection = GetDocument()->GetRasterSelection();
  if (selection && selection->GetSize() > 0) return selection->GetBounds();
  return m_rcZoom;
}

double CVLRView::DocUnitsPerTrueMm() const {
  CVLRDoc* doc = GetDocument();
  if (!m_pGraph || !doc) return 0;
  const CVlr* set = doc->m_pVlr;
  const double first = set ? set->m_dScaleFirst : 1.0, second = set ? set->m_dScaleSecond : 1.0;
  const int unit = set ? set->m_nScaleUnit : 0;
  const double mmPerBase = doc->IsVector() ? BaseToTrueMm(1.0, first, second, unit)
                                           : BaseToTrueMm(1.0, first, second, unit, AnnRasterDpi(doc));
  if (!(mmPerBase > 0) || !std::isfinite(mmPerBase)) return 0;
  return m_pGraph->GetImageScale() / mmPerBase;
}

int CVLRView::CountPrintPages(BOOL bAll, double dScale1, double dScale2) {
  CWinApp* app = AfxGetApp();
  PRINTDLGA pd = {};
  pd.lStructSize = sizeof pd;
  if (!m_pGraph || !app || !app->GetPrinterDeviceDefaults(&pd)) return 1;
  CPrintDialog printer(FALSE);
  printer.m_pd.hDevNames = pd.hDevNames;
  printer.m_pd.hDevMode = pd.hDevMode;
  HDC ic = printer.CreatePrinterDC();
  printer.m_pd.hDevNames = printer.m_pd.hDevMode = nullptr;
  if (!ic) return 1;
  const double perMm = DocUnitsPerTrueMm();
  const double w = TrueScalePageExtent(::GetDeviceCaps(ic, HORZSIZE), dScale1, dScale2, perMm);
  const double h = TrueScalePageExtent(::GetDeviceCaps(ic, VERTSIZE), dScale1, dScale2, perMm);
  const BOOL kept = m_print.nAll;
  m_print.nAll = bAll;
  const CRect area = GetPrintArea();
  m_print.nAll = kept;
  return TrueScaleTiling(area, w, h).PageCount();
}

void CVLRView::OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo) {
  CVLRDoc* doc = GetDocument();
  m_bPrinting = TRUE;
  if (doc->IsVector()) doc->m_pDwg->ReloadForPrinting();
  EnsureGraph(pDC);
  if (!m_pGraph) return;
  m_pGraph->Push();
  pDC->SetViewportOrg(0, 0);
  pDC->SetWindowOrg(0, 0);
  const int aspectX = pDC->GetDeviceCaps(ASPECTX);
  const double aspect = aspectX == 0 ? 1.0 : (double)pDC->GetDeviceCaps(ASPECTY) / aspectX;
  const CRect page(0, 0, pDC->GetDeviceCaps(HORZRES), pDC->GetDeviceCaps(VERTRES));

  ComputeExtent();
  m_rcPrintArea = GetPrintArea();
  m_rcPrintArea.NormalizeRect();
  if (m_print.nFit) {
    m_tiling = FitTiling(m_rcPrintArea);
  } else {
    const double perMm = DocUnitsPerTrueMm();
    m_tiling = TrueScaleTiling(
        m_rcPrintArea, TrueScalePageExtent(pDC->GetDeviceCaps(HORZSIZE), m_print.dScale1, m_print.dScale2, perMm),
        TrueScalePageExtent(pDC->GetDeviceCaps(VERTSIZE), m_print.dScale1, m_print.dScale2, perMm));
  }
  pInfo->SetMaxPage(m_tiling.PageCount());
  m_rcSavedZoom = m_rcZoom;
  m_rcZoom = PrintTileRect(m_tiling, 1);
  m_pGraph->Fit(page, m_rcZoom, aspect);
  m_dPrintAspect = aspect;
}

void CVLRView::OnPrint(CDC* pDC, CPrintInfo* pInfo) {
  CVLRDoc* doc = GetDocument();
  if (!m_pGraph) return;
  const CRect page(0, 0, pDC->GetDeviceCaps(HORZRES), pDC->GetDeviceCaps(VERTRES));
  m_rcZoom = PrintTileRect(m_tiling, (int)pInfo->m_nCurPage);
  m_pGraph->Fit(page, m_rcZoom, m_dPrintAspect);
  m_pGraph->SetDC(pDC);

  // What is printed: the print area's part of this page.
  CRect printable(m_pGraph->DocToClient(m_rcPrintArea.left, m_rcPrintArea.top),
                  m_pGraph->DocToClient(m_rcPrintArea.right, m_rcPrintArea.bottom));
  printable.NormalizeRect();
  CRect clip;
  pDC->GetClipBox(&clip);
  if (clip.IsRectEmpty()) clip = page;
  printable.IntersectRect(&printable, &clip);
  if (!printable.IsRectEmpty()) {
    const CPoint docA = m_pGraph->ClientToDoc(printable.left, printable.top);
    const CPoint docB = m_pGraph->ClientToDoc(printable.right, printable.bottom);
    if (doc->IsRaster()) {
      CRaster* raster = doc->m_pRaster;
      CRect pixels(m_pGraph->DocToImage(docA.x, docA.y), m_pGraph->DocToImage(docB.x, docB.y));
      pixels.NormalizeRect();
      pixels.IntersectRect(&pixels, CRect(0, 0, raster->m_nWidth, raster->m_nHeight));
      if (!pixels.IsRectEmpty()) {
        const CPoint a = m_pGraph->ImageToDoc(pixels.left, pixels.top);
        const CPoint b = m_pGraph->ImageToDoc(pixels.right, pixels.bottom);
        CRect target(m_pGraph->DocToClient(a.x, a.y), m_pGraph->DocToClient(b.x, b.y));
        target.NormalizeRect();
        if (m_bPreview)
          raster->Draw(pDC, target, pixels);
        else
          raster->Print(pDC, target, pixels);
      }
    }
    if (doc->IsVector()) {
      CRect visible(docA, docB);
      visible.NormalizeRect();
      CRect drawing;
      doc->m_pDwg->GetExtentsRect(&drawing);
      if (visible.IntersectRect(&visible, &drawing)) {
        CRect device(m_pGraph->DocToClient(visible.left, visible.top),
                     m_pGraph->DocToClient(visible.right, visible.bottom));
        device.NormalizeRect();
        if (!device.IsRectEmpty()) doc->m_pDwg->Draw(pDC, device, visible, this, TRUE);
      }
    }
    const CConfig* c = Settings();
    if (doc->m_pVlr && doc->m_pVlr->m_objects.GetCount() > 0 && (!c || c->m_nShowRedline)) {
      CRgn region;
      CRect rgnRect = printable;
      if (m_bPreview) {
        // The preview's context maps through its viewport: the region is in
        // device pixels.
        pDC->LPtoDP(&rgnRect);
      }
      region.CreateRectRgnIndirect(&rgnRect);
      pDC->SelectClipRgn(&region);
      AnnDrawSet(*doc->m_pVlr, this, pDC);
      pDC->SelectClipRgn(nullptr);
    }
  }
  if (m_print.nUse) DrawPaperHead(pDC);
}

void CVLRView::OnEndPrinting(CDC*, CPrintInfo*) {
  CVLRDoc* doc = GetDocument();
  m_bPreview = FALSE;
  m_bPrinting = FALSE;
  if (m_pGraph) {
    m_pGraph->Pop();
    m_rcZoom = m_rcSavedZoom;
  }
  if (m_hWnd) ::LockWindowUpdate(nullptr);
  if (doc->IsVector()) doc->m_pDwg->RestoreAfterPrinting();
  doc->UpdateAllViews(nullptr);
}

// --- paper head
// -------------------------------------------------------------------------------------

void CVLRView::DrawPaperHead(CDC* pDC) {
  CVLRDoc* doc = GetDocument();
  const CConfig* c = Settings();
  const CVlr* set = doc->m_pVlr;
  const double first = set ? set->m_dScaleFirst : 1.0, second = set ? set->m_dScaleSecond : 1.0;
  const int setUnit = set ? set->m_nScaleUnit : 0;

  PaperHeadParts parts;
  parts.bFileName = m_print.nFileName;
  parts.bScale = m_print.nScale;
  parts.bText = m_print.nText;
  parts.bTime = m_print.nTime;
  parts.strPath = doc->GetPathName();
  parts.strScale = PaperHeadScaleText(
      m_print.nFit, FormatScalePair(first * m_print.dScale1, second * m_print.dScale2, doc->IsVector(), setUnit));
  parts.strUserText = m_print.strUserText;
  char date[128] = "", time[64] = "";
  ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_LONGDATE, nullptr, nullptr, date, sizeof date);
  ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, sizeof time);
  parts.strDate = date;
  parts.strTime = time;
  const CString text = PaperHeadText(parts);

  const int horzRes = pDC->GetDeviceCaps(HORZRES), vertRes = pDC->GetDeviceCaps(VERTRES);
  const int horzMm = pDC->GetDeviceCaps(HORZSIZE), vertMm = pDC->GetDeviceCaps(VERTSIZE);
  const double pxX = horzMm > 0 ? (double)horzRes / horzMm : 1.0, pxY = vertMm > 0 ? (double)vertRes / vertMm : 1.0;

  CFont font;
  LOGFONTA lf = {};
  lf.lfHeight = -::MulDiv(8, pDC->GetDeviceCaps(LOGPIXELSY), 72);
  lf.lfWeight = FW_NORMAL;
  lf.lfPitchAndFamily = FF_SWISS;
  lstrcpyA(lf.lfFaceName, "Arial");
  font.CreateFontIndirect(&lf);
  CFont* oldFont = pDC->SelectObject(&font);

  CRect measure(0, 0, horzRes, 0);
  ::DrawTextA(pDC->m_hDC, text, text.GetLength(), &measure, DT_CALCRECT | DT_NOPREFIX);
  int lines = 1;
  for (const char* p = text; *p; ++p)
    if (*p == '\n') ++lines;

  // The scale bar: 50 mm of paper in the drawn object's unit, taken down to a
  // round value.
  double barValue = 0, barShare = 0;
  const BOOL bar = m_print.nScale && !m_print.nFit && m_print.dScale1 > 0;
  if (bar) {
    const double nominalMm = second / first * m_print.dScale2 / m_print.dScale1 * 50.0;
    const double nominal = MmToUnit(nominalMm, -1);
    barValue = ScaleBarValue(nominal);
    barShare = nominal > 0 ? barValue / nominal : 0;
  }
  const PaperHeadBox box = LayoutPaperHead(c ? c->m_nPaperLeft : 1, c ? c->m_nPaperTop : 1, measure.Width(), lines,
                                           horzRes, barShare, pxX, pxY);
  const CRect frame(box.nLeft, box.nTop, box.nLeft + box.nWidth, box.nTop + box.nHeight);
  CBrush white, black;
  white.CreateSolidBrush(RGB(255, 255, 255));
  black.CreateSolidBrush(RGB(0, 0, 0));
  pDC->FillRect(&frame, &white);
  pDC->FrameRect(&frame, &black);
  pDC->SetBkMode(TRANSPARENT);
  pDC->SetTextColor(RGB(0, 0, 0));
  const int inset = (int)(pxX + 0.5);
  CRect textRect(frame.left + inset, frame.top + inset, frame.right, frame.bottom);
  ::DrawTextA(pDC->m_hDC, text, text.GetLength(), &textRect, DT_NOPREFIX | DT_NOCLIP);

  if (box.nBarLength > 0) {
    CPen pen(PS_SOLID, 0, RGB(0, 0, 0));
    CPen* oldPen = pDC->SelectObject(&pen);
    const int x0 = frame.left + inset;
    const int y = frame.top + (int)(4 * pxY * lines + pxY);
    const int tick = (int)(pxY + 0.5);
    pDC->MoveTo(x0, y);
    pDC->LineTo(x0 + box.nBarLength, y);
    for (int i = 0; i <= 10; ++i) {
      const int x = x0 + box.nBarLength * i / 10;
      const int h = (i == 0 || i == 10) ? 2 * tick : tick;
      pDC->MoveTo(x, y - h);
      pDC->LineTo(x, y + 1);
    }
    pDC->SetTextAlign(TA_LEFT | TA_TOP);
    pDC->TextOut(x0, y + tick / 2, "0");
    const CString label = FormatValue(barValue, TRUE, -1);
    pDC->TextOut(x0 + box.nBarLength + tick, y - tick, label);
    pDC->SelectObject(oldPen);
  }
  pDC->SelectObject(oldFont);
}
