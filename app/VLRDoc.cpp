// The document's open road and its raster commands.
#include "VLRDoc.h"

#include <cstring>
#include <vector>

#include "AnnotateWin.h"
#include "EnterText.h"
#include "NeighbourServices.h"
#include "Units.h"
#include "MainFrm.h"
#include "PointArray.h"
#include "Raster.h"
#include "RasterPropertiesDlg.h"
#include "RotateDlg.h"
#include "SaveRaster.h"
#include "ScaleDlg.h"
#include "Vlr.h"
#include "VLRApp.h"
#include "VLRSrvrItem.h"
#include "vector/DWGLayers.h"
#include "vector/DWGProperties.h"
#include "vector/Calcomp2Dwg.h"
#include "vector/Dwg.h"
#include "vector/ToolkitSession.h"
#include "vector/model/Tavelo.h"
#include "resource.h"

IMPLEMENT_DYNCREATE(CVLRDoc, COleServerDoc)

namespace {

// What vector drawings read of the program: the settings record, the main frame's status bar,
// the files beside the program and the font substitution list.
class CDocDwgHost : public DwgHost {
 public:
  DwgSettings Settings() override {
    DwgSettings s;
    CVLRApp* app = GetVLRApp();
    const CConfig* c = app ? app->m_pConfig : nullptr;
    if (!c) return s;
    s.dlp = c->m_nDlp;
    s.dark = c->m_nDarkDWG;
    s.black_white = c->m_nBWDWG;
    s.shx_dir = c->m_strSHXDir;
    s.use_shx = c->m_nUseShx;
    s.xref_missing_warning = c->m_nXrefMissingWarning;
    s.xref_show_text = c->m_nXrefShowText;
    s.use_prev_lset = c->m_nUsePrevLSet;
    s.llset = c->m_strLLSet;
    s.dwg_local = int(app->GetProfileInt("Options", "DWGLocal", 1));
    s.pen_type = c->m_nPenType;
    s.pen_width = c->m_nPenWidth;
    s.thumbnail = app->m_nThumbnail;
    return s;
  }
  void SetProgress(int percent) override {
    if (CMainFrame* frame = MainFrame()) frame->SetProgress(percent);
  }
  void SetStatusText(const char* text) override {
    if (CMainFrame* frame = MainFrame()) frame->SetStatusText(text);
  }
  CString ProgramFile(const char* name) override { return GetModuleRelativePath(name); }
  CStringArray* FontSubstitutions() override { return &m_substitutions; }
  CString FormatNumber(double value) override { return FormatValue(value, FALSE, -1); }
  BOOL AskText(CWnd* pParent, const char* caption, CString& text) override {
    CEnterText dlg(pParent);
    dlg.m_strCaption = caption;
    dlg.m_strText = text;
    if (dlg.DoModal() != IDOK) return FALSE;
    text = dlg.m_strText;
    return TRUE;
  }

 private:
  static CMainFrame* MainFrame() {
    CVLRApp* app = GetVLRApp();
    CMainFrame* frame = app ? app->GetMainFrame() : nullptr;
    return frame && frame->IsKindOf(RUNTIME_CLASS(CMainFrame)) ? frame : nullptr;
  }
  CStringArray m_substitutions;  // lives with the process
};

CDocDwgHost g_dwgHost;

}  // namespace

BEGIN_MESSAGE_MAP(CVLRDoc, COleServerDoc)
  // The raster dialogs. Save As comes first: a raster is saved through its own dialog, never
  // through the framework's save, which would write the document's archive over the drawing.
  ON_COMMAND(ID_FILE_SAVE_AS, OnSaveRasterAs)
  ON_UPDATE_COMMAND_UI(ID_FILE_SAVE_AS, OnUpdateRaster)
  ON_COMMAND(ID_VIEW_ROTATE, OnRotate)
  ON_COMMAND(ID_FILE_PROPERTIES, OnProperties)
  ON_COMMAND(ID_VIEW_INVERT, OnViewInvert)
  ON_UPDATE_COMMAND_UI(ID_VIEW_INVERT, OnUpdateRaster)
  ON_COMMAND(ID_ROTATE_270, OnRotate270)
  ON_COMMAND(ID_ROTATE_90, OnRotate90)
  ON_COMMAND(ID_VIEW_MIRROR_X, OnMirrorX)
  ON_COMMAND(ID_VIEW_MIRROR_Y, OnMirrorY)
  ON_COMMAND(ID_VIEW_NEXTPAGE, OnNextPage)
  ON_UPDATE_COMMAND_UI(ID_VIEW_NEXTPAGE, OnUpdateNextPage)
  ON_COMMAND(ID_VIEW_PREVPAGE, OnPrevPage)
  ON_UPDATE_COMMAND_UI(ID_VIEW_PREVPAGE, OnUpdatePrevPage)
  ON_COMMAND(ID_TOOLS_LAUNCH, OnLaunchApp)
  ON_COMMAND(ID_VIEW_ANNOTATIONLAYER, OnAnnotationLayers)
  ON_UPDATE_COMMAND_UI(ID_TOOLS_LAUNCH, OnUpdateLaunchApp)
  ON_COMMAND(ID_TOOLS_SCALE, OnToolsScale)
  ON_UPDATE_COMMAND_UI(ID_TOOLS_SCALE, OnUpdateToolsScale)
  ON_COMMAND(ID_VIEW_DWGLAYERS, OnDwgLayers)
  ON_UPDATE_COMMAND_UI(ID_VIEW_DWGLAYERS, OnUpdateVector)
  ON_COMMAND(ID_VIEW_DARKDWG, OnDarkDwg)
  ON_UPDATE_COMMAND_UI(ID_VIEW_DARKDWG, OnUpdateDarkDwg)
  ON_COMMAND(ID_VIEW_BWDWG, OnBwDwg)
  ON_UPDATE_COMMAND_UI(ID_VIEW_BWDWG, OnUpdateBwDwg)
  ON_COMMAND(ID_VIEW_SHXMAPPING, OnShxMapping)
  ON_UPDATE_COMMAND_UI(ID_VIEW_SHXMAPPING, OnUpdateShxMapping)
  ON_COMMAND(ID_SAVE_ANNOTATIONS, OnSaveAnnotations)
  ON_UPDATE_COMMAND_UI(ID_SAVE_ANNOTATIONS, OnUpdateSaveAnnotations)
  ON_COMMAND(ID_TOOLS_CALSHEADER, OnCalsHeader)
  ON_UPDATE_COMMAND_UI(ID_TOOLS_CALSHEADER, OnUpdateCalsHeader)
END_MESSAGE_MAP()

CVLRDoc::CVLRDoc() {
  EnableAutomation();
  // Every document keeps the program running while a container holds it.
  AfxOleLockApp();
}

CVLRDoc::~CVLRDoc() {
  DeleteDrawing();
  AfxOleUnlockApp();
}

COleServerItem* CVLRDoc::OnGetEmbeddedItem() { return new CVLRSrvrItem(this); }

void CVLRDoc::DeleteDrawing() {
  delete m_pRaster;
  m_pRaster = nullptr;
  delete m_pVlr;
  m_pVlr = nullptr;
  delete m_pDwg;
  m_pDwg = nullptr;
  delete m_pThird;
  m_pThird = nullptr;
  DeleteRasterSelection();
}

void CVLRDoc::SetRasterSelection(CPolyPolygon* pSelection) {
  if (pSelection == m_pRasterSelection) return;
  delete m_pRasterSelection;
  m_pRasterSelection = pSelection;
}

BOOL CVLRDoc::IsRaster() const { return m_pRaster && m_pRaster->m_hImage >= 0; }

BOOL CVLRDoc::IsVector() const { return m_pDwg && m_pDwg->GetDrawing(); }

BOOL CVLRDoc::OnNewDocument() {
  if (CWnd* main = AfxGetMainWnd()) main->UpdateWindow();
  if (!CDocument::OnNewDocument()) return FALSE;
  DeleteDrawing();
  m_pRaster = new CRaster;
  return m_pRaster->m_hImage >= 0;
}

BOOL CVLRDoc::OnOpenDocument(LPCSTR lpszPathName) {
  // Repaint the frame before the load, which may take a while.
  if (CWnd* main = AfxGetMainWnd()) main->UpdateWindow();
  DeleteDrawing();
  m_pRaster = new CRaster(lpszPathName);
  BOOL accepted = m_pRaster->m_hImage >= 0;
  if (!accepted) {
    // The imaging library refused it: a DWG or DXF file opens through the toolkit.
    SetDwgHost(&g_dwgHost);
    m_pDwg = new CDwg(lpszPathName, nullptr);
    accepted = m_pDwg->GetDrawing() != nullptr;
    if (!accepted) {
      delete m_pDwg;
      m_pDwg = nullptr;
    }
  }
  // A Calcomp plot file converts into a temporary DWG file that opens as the drawing; the
  // drawing object deletes that file with itself, so one that does not load leaves nothing.
  bool refused = false;
  char temporary[MAX_PATH] = "";
  if (!accepted) {
    char folder[MAX_PATH];
    const DWORD n = ::GetTempPathA(sizeof folder, folder);
    if (n > 0 && n < sizeof folder && ::GetTempFileNameA(folder, "VLR", 0, temporary)) {
      ::DeleteFileA(temporary);
      CCalcomp2Dwg* calcomp = new CCalcomp2Dwg(lpszPathName);
      calcomp->m_strOutPath = temporary;
      const BOOL converted = calcomp->Convert();
      delete calcomp;
      if (converted) {
        m_pDwg = new CDwg(lpszPathName, temporary);
        accepted = m_pDwg->GetDrawing() != nullptr;
        if (accepted) {
          m_pDwg->m_bFromCalcomp = 1;
          m_pDwg->m_bFromHpgl = 0;
        } else {
          delete m_pDwg;
          m_pDwg = nullptr;
          refused = true;
        }
      }
    }
  }
  if (!accepted && !refused) {
    // No reader took it: an HP-GL plot file converts into a drawing, under the wait cursor and
    // with the conversion's progress in the status bar.
    CWaitCursor wait;
    CMainFrame* frame = dynamic_cast<CMainFrame*>(AfxGetMainWnd());
    HpglProgressFn progress;
    if (frame) progress = [frame](int percent) { frame->SetProgress(percent); };
    int status = 0;
    TkDrawing* converted = ConvertHpglFile(lpszPathName, progress, &status);
    if (frame) frame->SetProgress(0);
    if (temporary[0]) ::DeleteFileA(temporary);
    if (converted) {
      m_pDwg = new CDwg(converted, lpszPathName);
      m_pDwg->m_bFromCalcomp = 0;
      m_pDwg->m_bFromHpgl = 1;
      accepted = m_pDwg->GetDrawing() != nullptr;
      if (!accepted) {
        delete m_pDwg;
        m_pDwg = nullptr;
      }
    }
  }

  // Files the shell sent together open next, each inside this open, whether this file opened or
  // not: one file that no reader takes must not strand the ones after it.
  if (CVLRApp* app = GetVLRApp()) app->OpenNextPendingFile();
  if (!accepted) return FALSE;

  m_pVlr = AnnCreateSet(lpszPathName);
  // The annotation set and the drawing share three values: a side file that was read gives
  // them to the drawing, a new set takes the drawing's.
  if (m_pVlr) {
    if (!IsVector()) {
      m_pVlr->m_nScaleUnit = 0;
    } else if (m_pVlr->m_bPresent) {
      for (int i = 0; i < 3; ++i) m_pDwg->m_dViewValues[i] = m_pVlr->m_dStored[i];
    } else {
      for (int i = 0; i < 3; ++i) m_pVlr->m_dStored[i] = m_pDwg->m_dViewValues[i];
    }
  }
  UpdateAllViews(nullptr, -2, nullptr);
  return TRUE;
}

void CVLRDoc::OnAnnotationLayers() {
  if (!m_pVlr) return;
  AnnEditLayers(*m_pVlr, AfxGetMainWnd());
  Refresh();
}

void CVLRDoc::OnToolsScale() {
  if (!m_pVlr || (!IsRaster() && !IsVector())) return;
  // A raster's base is its pixels at their resolution: its scale has no unit.
  const BOOL bRaster = !IsVector();
  CScale dlg(AfxGetMainWnd());
  dlg.m_dFirst = m_pVlr->m_dScaleFirst;
  dlg.m_dSecond = m_pVlr->m_dScaleSecond;
  dlg.m_nUnit = bRaster ? -1 : m_pVlr->m_nScaleUnit;
  if (dlg.DoModal() != IDOK) return;
  m_pVlr->m_dScaleFirst = dlg.m_dFirst;
  m_pVlr->m_dScaleSecond = dlg.m_dSecond;
  m_pVlr->m_nScaleUnit = (short)(bRaster ? 0 : dlg.m_nUnit);
  m_pVlr->SetModified();
}

void CVLRDoc::OnUpdateToolsScale(CCmdUI* pCmdUI) { pCmdUI->Enable(IsRaster() || IsVector()); }

void CVLRDoc::OnCloseDocument() {
  if (m_pVlr) m_pVlr->Save(FALSE);
  CDocument::OnCloseDocument();
}

// --- raster commands -------------------------------------------------------------------------

void CVLRDoc::OnViewInvert() {
  if (!IsRaster()) return;
  m_pRaster->Invert();
  Refresh();
}

void CVLRDoc::OnRotate() {
  if (!IsRaster()) return;
  CRotate dlg;
  dlg.m_nAngle = 9000;
  if (dlg.DoModal() != IDOK) return;
  m_pRaster->Rotate(dlg.m_nAngle);
  Refresh(-1);
}

void CVLRDoc::OnRotate270() {
  if (!IsRaster()) return;
  m_pRaster->Rotate(27000);
  Refresh(-1);
}

void CVLRDoc::OnRotate90() {
  if (!IsRaster()) return;
  m_pRaster->Rotate(9000);
  Refresh(-1);
}

void CVLRDoc::OnMirrorX() {
  if (!IsRaster()) return;
  m_pRaster->MirrorX();
  Refresh();
}

void CVLRDoc::OnMirrorY() {
  if (!IsRaster()) return;
  m_pRaster->MirrorY();
  Refresh();
}

void CVLRDoc::OnNextPage() {
  if (!IsRaster()) return;
  m_pRaster->LoadPage(m_pRaster->m_nCurPage + 1);
  Refresh(-3);
}

void CVLRDoc::OnPrevPage() {
  if (!IsRaster()) return;
  m_pRaster->LoadPage(m_pRaster->m_nCurPage - 1);
  Refresh(-3);
}

// --- raster dialogs --------------------------------------------------------------------------

void CVLRDoc::OnProperties() {
  if (IsVector()) {
    CDWGProperties dlg(AfxGetMainWnd());
    dlg.m_strFileType = m_pDwg->GetVersionText();
    dlg.m_dWidth = m_pDwg->m_dWindowWidth;
    dlg.m_dHeight = m_pDwg->m_dWindowHeight;
    dlg.m_strAnnotations = m_pVlr ? m_pVlr->m_strAnnotationPath : CString();
    dlg.m_strFileName = GetPathName();
    dlg.DoModal();
    return;
  }
  if (!IsRaster()) return;
  CRasterProperties dlg(m_pRaster, m_pVlr ? static_cast<LPCSTR>(m_pVlr->m_strAnnotationPath) : "");
  dlg.DoModal();
}

void CVLRDoc::OnSaveRasterAs() {
  if (!IsRaster()) return;
  CSaveRaster save;
  save.SaveAs(m_pRaster);
}

void CVLRDoc::OnUpdateRaster(CCmdUI* pCmdUI) { pCmdUI->Enable(IsRaster()); }

void CVLRDoc::OnUpdateNextPage(CCmdUI* pCmdUI) {
  pCmdUI->Enable(IsRaster() && m_pRaster->m_nPages >= 2 && m_pRaster->m_nCurPage + 1 < m_pRaster->m_nPages);
}

void CVLRDoc::OnUpdatePrevPage(CCmdUI* pCmdUI) {
  pCmdUI->Enable(IsRaster() && m_pRaster->m_nPages >= 2 && m_pRaster->m_nCurPage > 0);
}

// --- vector drawing commands -----------------------------------------------------------------

void CVLRDoc::OnDwgLayers() {
  if (!IsVector()) return;
  CDWGLayers dlg(m_pDwg, AfxGetMainWnd());
  const INT_PTR result = dlg.DoModal();
  if (result == IDOK) {
    CVLRApp* app = GetVLRApp();
    if (app && app->m_pConfig) app->m_pConfig->m_strLLSet = dlg.m_strChosenSetting;
    Refresh();
  } else if (dlg.m_bCancelRestoredLayers) {
    // The dialog had switched layers on the drawing and put them back: its picture is redrawn.
    Refresh();
  }
}

void CVLRDoc::OnUpdateVector(CCmdUI* pCmdUI) { pCmdUI->Enable(IsVector()); }

namespace {

// Toggles one of the settings of vector drawings; every vector document draws anew.
void ToggleDwgSetting(int CConfig::*setting) {
  CVLRApp* app = GetVLRApp();
  if (!app || !app->m_pConfig) return;
  CConfig& config = *app->m_pConfig;
  config.*setting = config.*setting ? 0 : 1;
  POSITION tpos = app->GetFirstDocTemplatePosition();
  while (tpos) {
    CDocTemplate* pTemplate = app->GetNextDocTemplate(tpos);
    POSITION dpos = pTemplate->GetFirstDocPosition();
    while (dpos) {
      CVLRDoc* doc = dynamic_cast<CVLRDoc*>(pTemplate->GetNextDoc(dpos));
      if (!doc || !doc->IsVector()) continue;
      doc->m_pDwg->DiscardCachedBitmap(TRUE);
      doc->Refresh();
    }
  }
}

int ConfigValue(int CConfig::*setting) {
  CVLRApp* app = GetVLRApp();
  return app && app->m_pConfig ? app->m_pConfig->*setting : 0;
}

}  // namespace

void CVLRDoc::OnDarkDwg() { ToggleDwgSetting(&CConfig::m_nDarkDWG); }

void CVLRDoc::OnUpdateDarkDwg(CCmdUI* pCmdUI) {
  pCmdUI->Enable(IsVector());
  pCmdUI->SetCheck(ConfigValue(&CConfig::m_nDarkDWG) ? 1 : 0);
}

void CVLRDoc::OnBwDwg() { ToggleDwgSetting(&CConfig::m_nBWDWG); }

void CVLRDoc::OnUpdateBwDwg(CCmdUI* pCmdUI) {
  pCmdUI->Enable(IsVector());
  pCmdUI->SetCheck(ConfigValue(&CConfig::m_nBWDWG) ? 1 : 0);
}

void CVLRDoc::OnShxMapping() {
  CShxMapDlg dlg(AfxGetMainWnd());
  dlg.DoModal();
}

void CVLRDoc::OnUpdateShxMapping(CCmdUI* pCmdUI) { pCmdUI->Enable(g_dwgHost.FontSubstitutions()->GetSize() > 0); }

void CVLRDoc::OnSaveAnnotations() {
  if (m_pVlr && (IsRaster() || IsVector())) m_pVlr->Save(TRUE);
}

void CVLRDoc::OnUpdateSaveAnnotations(CCmdUI* pCmdUI) { pCmdUI->Enable(m_pVlr && (IsRaster() || IsVector())); }

void CVLRDoc::OnCalsHeader() { ToggleCalsHeaderDialog(this); }

void CVLRDoc::OnUpdateCalsHeader(CCmdUI* pCmdUI) {
  CVLRApp* app = GetVLRApp();
  pCmdUI->SetCheck(app && app->m_pCalsHeaderDlg ? 1 : 0);
}

// --- outside program -------------------------------------------------------------------------

CString CVLRDoc::LaunchCommandLine(LPCSTR lpszLaunchApp) const {
  CString command = lpszLaunchApp ? lpszLaunchApp : "";
  if (command.Find("%1") < 0) return command;
  CString result;
  LPCSTR path = GetPathName();
  AfxFormatStrings(result, command, &path, 1);
  return result;
}

void CVLRDoc::OnLaunchApp() {
  CVLRApp* app = GetVLRApp();
  if (!app || !app->m_pConfig || app->m_pConfig->m_strLaunchApp.IsEmpty()) return;
  CString command = LaunchCommandLine(app->m_pConfig->m_strLaunchApp);
  STARTUPINFOA si;
  memset(&si, 0, sizeof si);
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  memset(&pi, 0, sizeof pi);
  std::vector<char> buffer(command.GetLength() + 1);
  memcpy(buffer.data(), (LPCSTR)command, buffer.size());
  if (::CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return;
  }
  char* text = nullptr;
  ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, ::GetLastError(), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<LPSTR>(&text), 0, nullptr);
  CString message;
  AfxFormatString2(message, IDS_LAUNCH_FAILED, command, text ? text : "");
  if (text) ::LocalFree(text);
  AfxMessageBox(message, MB_ICONSTOP);
}

void CVLRDoc::OnUpdateLaunchApp(CCmdUI* pCmdUI) {
  CVLRApp* app = GetVLRApp();
  pCmdUI->Enable(app && app->m_pConfig && !app->m_pConfig->m_strLaunchApp.IsEmpty());
}
