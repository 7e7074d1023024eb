// The Windows side of the annotation set: the platform services it asks for (the save question,
// volume name lengths, unique names, replacing files, the settings and the locale's numbers),
// creating a document's set, and redrawing it on the document's views.
#include "AnnotateWin.h"

#include "AnnObj.h"
#include "AnnTools.h"
#include "Raster.h"
#include "Units.h"
#include "VLRApp.h"
#include "VLRDoc.h"
#include "VLRView.h"
#include "Vlr.h"

namespace {

class CVlrWinHost : public CVlrHost {
 public:
  BOOL AskSaveChanges(LPCSTR lpszDrawingPath) override {
    CString text;
    text.Format("The image information and/or the annotation information for %s has been changed, save changes?",
                lpszDrawingPath);
    return AfxMessageBox(text, MB_YESNO | MB_ICONQUESTION) == IDYES;
  }

  BOOL HasLongFileNames(LPCSTR lpszPath) override {
    char root[MAX_PATH] = {};
    lstrcpynA(root, lpszPath, MAX_PATH);
    // The volume's root: "C:\" or "\\server\share\".
    char* p = root;
    if (p[0] == '\\' && p[1] == '\\') {
      p = strchr(p + 2, '\\');
      p = p ? strchr(p + 1, '\\') : nullptr;
    } else {
      p = strchr(p, '\\');
    }
    if (p) p[1] = '\0';
    DWORD nMaxComponent = 0;
    if (!::GetVolumeInformationA(root, nullptr, 0, nullptr, &nMaxComponent, nullptr, nullptr, 0)) return TRUE;
    return nMaxComponent > 32;
  }

  CString GetUniqueFileName(LPCSTR lpszFolder, LPCSTR lpszPrefix) override {
    char name[MAX_PATH];
    if (!::GetTempFileNameA(*lpszFolder ? lpszFolder : ".", lpszPrefix, 0, name)) return CString();
    return name;
  }

  BOOL ReplaceFile(LPCSTR lpszNew, LPCSTR lpszTarget) override {
    return ::MoveFileExA(lpszNew, lpszTarget, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }
};

class CUnitWinSettings : public CUnitSettings {
 public:
  int GetUnit() const override {
    const CConfig* config = Config();
    return config ? config->m_nUnit : 0;
  }
  BOOL GetDecimals() const override {
    const CConfig* config = Config();
    return config ? config->m_nDecimals != 0 : FALSE;
  }
  CString FormatNumber(LPCSTR lpszFixed) const override {
    char text[128];
    if (!::GetNumberFormatA(LOCALE_USER_DEFAULT, 0, lpszFixed, nullptr, text, sizeof text)) return lpszFixed;
    return text;
  }

 private:
  static const CConfig* Config() {
    CVLRApp* app = GetVLRApp();
    return app ? app->m_pConfig : nullptr;
  }
};

CVlrWinHost g_host;
CUnitWinSettings g_units;

}  // namespace

CVlr* AnnCreateSet(LPCSTR lpszDrawingPath) {
  SetVlrHost(&g_host);
  SetUnitSettings(&g_units);
  CVLRApp* app = GetVLRApp();
  const CConfig* config = app ? app->m_pConfig : nullptr;
  CVlr* pSet = new CVlr(lpszDrawingPath, config && config->m_nUseRedlineDir,
                        config ? (LPCSTR)config->m_strRedlineDir : "");
  pSet->Load();
  return pSet;
}

void AnnDrawSet(CVlr& set, CVLRView* pView, CDC* pDC) {
  POSITION pos = set.m_objects.GetHeadPosition();
  while (pos != nullptr) AnnDrawObject(*static_cast<CAnnObj*>(set.m_objects.GetNext(pos)), set, pView, pDC);
}

void AnnRedrawAllViews(CVLRDoc* pDoc) {
  if (!pDoc || !pDoc->m_pVlr) return;
  POSITION pos = pDoc->GetFirstViewPosition();
  while (pos) {
    CView* view = pDoc->GetNextView(pos);
    if (!view->IsKindOf(RUNTIME_CLASS(CVLRView))) continue;
    CVLRView* pView = static_cast<CVLRView*>(view);
    if (!pView->GetGraph()) continue;
    CClientDC dc(pView);
    AnnDrawSet(*pDoc->m_pVlr, pView, &dc);
  }
}

// --- true millimetres ------------------------------------------------------------------------------

// A raster without a resolution is taken at the scanners' usual 400 dpi.
double AnnRasterDpi(const CVLRDoc* pDoc) {
  return pDoc && pDoc->IsRaster() && pDoc->m_pRaster->m_nResolution > 0 ? pDoc->m_pRaster->m_nResolution : 400.0;
}

namespace {

bool IsDrawing(const CVLRDoc* pDoc) { return pDoc && pDoc->IsVector(); }

}  // namespace

double AnnBaseToTrueMm(const CVLRDoc* pDoc, double dBase, double dFirst, double dSecond, int nScaleUnit) {
  return IsDrawing(pDoc) ? BaseToTrueMm(dBase, dFirst, dSecond, nScaleUnit)
                         : BaseToTrueMm(dBase, dFirst, dSecond, nScaleUnit, AnnRasterDpi(pDoc));
}

double AnnBaseAreaToTrueMm2(const CVLRDoc* pDoc, double dBase, double dFirst, double dSecond, int nScaleUnit) {
  return IsDrawing(pDoc) ? BaseAreaToTrueMm2(dBase, dFirst, dSecond, nScaleUnit)
                         : BaseAreaToTrueMm2(dBase, dFirst, dSecond, nScaleUnit, AnnRasterDpi(pDoc));
}

int AnnTrueMmToBase(const CVLRDoc* pDoc, double dMillimetres, double dFirst, double dSecond, int nScaleUnit) {
  return IsDrawing(pDoc) ? TrueMmToBase(dMillimetres, dFirst, dSecond, nScaleUnit)
                         : TrueMmToBase(dMillimetres, dFirst, dSecond, nScaleUnit, AnnRasterDpi(pDoc));
}
