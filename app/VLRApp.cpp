// The application object: start-up in its fixed order, the File Open command, the quick viewer,
// the paper formats of VLFormat.ini, the application commands and the shell's DDE commands.
#include "VLRApp.h"

#include <shellapi.h>

#include "AboutDlg.h"
#include "AnnTools.h"
#include "DPensize.h"
#include "FileDialogEx.h"
#include "GXControls.h"
#include "Helpers.h"
#include "InPlaceFrame.h"
#include "MainFrm.h"
#include "NeighbourServices.h"
#include "SettingsDlg.h"
#include "SplashWnd.h"
#include "VLRDoc.h"
#include "VLRView.h"
#include "model/DdeCommand.h"
#include "model/PaperFormats.h"
#include "model/PlainHelpers.h"
#include "vector/ToolkitSession.h"

#include "resource.h"

namespace {

// The document's OLE class: {5B1C7A42-93D0-4E6F-A2B8-0C4D6E8F1A37}.
const CLSID kDocumentClsid = {0x5B1C7A42, 0x93D0, 0x4E6F, {0xA2, 0xB8, 0x0C, 0x4D, 0x6E, 0x8F, 0x1A, 0x37}};

const int kFileOpenBufferSize = 8192;

}  // namespace

// --- the profile as the settings record sees it --------------------------------------------------

int CAppProfile::GetInt(const char* section, const char* key, int nDefault) {
  return static_cast<int>(AfxGetApp()->GetProfileInt(section, key, nDefault));
}
CString CAppProfile::GetString(const char* section, const char* key, const char* lpszDefault) {
  return AfxGetApp()->GetProfileString(section, key, lpszDefault);
}
void CAppProfile::WriteInt(const char* section, const char* key, int nValue) {
  AfxGetApp()->WriteProfileInt(section, key, nValue);
}
void CAppProfile::WriteString(const char* section, const char* key, const char* lpszValue) {
  AfxGetApp()->WriteProfileString(section, key, lpszValue);
}

// --- construction and destruction ---------------------------------------------------------------

BEGIN_MESSAGE_MAP(CVLRApp, CWinApp)
  ON_COMMAND(ID_FILE_OPEN, OnFileOpen)
  ON_COMMAND(ID_FILE_PRINT_SETUP, OnFilePrintSetup)
  ON_COMMAND(ID_TOOLS_PENWIDTHS, OnPenWidths)
  ON_COMMAND(ID_TOOLS_SETTINGS, OnToolsSettings)
  ON_COMMAND(ID_VIEW_ONTOP, OnAlwaysOnTop)
  ON_UPDATE_COMMAND_UI(ID_VIEW_ONTOP, OnUpdateAlwaysOnTop)
  ON_COMMAND(ID_TOOLS_CALSHEADER, OnCalsHeader)
  ON_UPDATE_COMMAND_UI(ID_TOOLS_CALSHEADER, OnUpdateCalsHeader)
  ON_UPDATE_COMMAND_UI(ID_FILE_SCAN, OnUpdateScan)
  ON_COMMAND(ID_FILE_SELECT_SOURCE, OnSelectSource)
  ON_COMMAND(ID_FILE_ACQUIRE, OnAcquire)
  ON_COMMAND(ID_FILE_SCAN, OnScan)
  ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
  ON_COMMAND(ID_APP_EXIT, OnAppExit)
  ON_COMMAND_EX_RANGE(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE16, OnOpenRecentFile)
  ON_UPDATE_COMMAND_UI(ID_FILE_MRU_FILE1, OnUpdateRecentFileMenu)
END_MESSAGE_MAP()

CVLRApp::CVLRApp()
    : m_pCalsHeaderDlg(nullptr),
      m_nThumbnail(0),
      m_cfAnnotation(0),
      m_pFileOpenDlg(nullptr),
      m_pConfig(nullptr) {}

CVLRApp::~CVLRApp() {
  delete m_pFileOpenDlg;
  m_pFileOpenDlg = nullptr;
  // Writes every setting back to the profile.
  delete m_pConfig;
  m_pConfig = nullptr;
  if (m_pCalsHeaderDlg) {
    if (m_pCalsHeaderDlg->m_hWnd) m_pCalsHeaderDlg->DestroyWindow();
    delete m_pCalsHeaderDlg;
    m_pCalsHeaderDlg = nullptr;
  }
  // The empty drawing that stood in for missing external references.
  ::DeleteFileA(GetProgramDirPath("EMPTXREF.DWG"));
  CAnnTextTool::DeleteSharedFont();
}

int CVLRApp::ExitInstance() {
  CloseAllDocuments(FALSE);
  return CWinApp::ExitInstance();
}

CMainFrame* CVLRApp::GetMainFrame() const { return static_cast<CMainFrame*>(m_pMainWnd); }

// --- start-up ----------------------------------------------------------------------------------

BOOL CVLRApp::InitInstance() {
  CCommandLineInfo cmdInfo;
  ParseCommandLine(cmdInfo);
  CSplashWnd::EnableSplashScreen(cmdInfo.m_bShowSplash);

  if (!AfxOleInit()) {
    AfxMessageBox(IDS_OLE_INIT_FAILED);
    return FALSE;
  }

  Enable3dControls();
  LoadStdProfileSettings(4);

  InitGridLibrary(1536, 0, 0);
  GXInstallCellControls();

  CMultiDocTemplate* pDocTemplate = new CMultiDocTemplate(IDR_VLRTYPE, RUNTIME_CLASS(CVLRDoc),
                                                          RUNTIME_CLASS(CMDIChildWnd), RUNTIME_CLASS(CVLRView));
  pDocTemplate->SetContainerInfo(IDR_CNTR_INPLACE);
  pDocTemplate->SetServerInfo(IDR_SRVR_EMBEDDED, IDR_SRVR_INPLACE, RUNTIME_CLASS(CInPlaceFrame));
  AddDocTemplate(pDocTemplate);
  m_server.ConnectTemplate(kDocumentClsid, pDocTemplate, FALSE);
  // A container that started the program waits for the class object: when none can be offered,
  // the start ends at once so that the container's wait fails instead of hanging.
  if (!COleObjectFactory::RegisterAll() && (RunEmbedded() || RunAutomated())) {
    AfxMessageBox(IDS_OLE_CANNOT_SERVE, MB_ICONSTOP);
    return FALSE;
  }

  CMainFrame* pMainFrame = new CMainFrame;
  if (!pMainFrame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE)) {
    // Not deleted here: a frame whose creation failed in WM_CREATE deleted itself with its window.
    AfxMessageBox("Can not load mainframe");
    return FALSE;
  }
  m_pMainWnd = pMainFrame;

  m_pMainWnd->DragAcceptFiles();
  EnableShellOpen();
  RegisterShellFileTypes(FALSE);

  if (!InitDwgToolkitOnce(nullptr)) {
    AfxMessageBox("Can not init DWG/DXF reader");
    return FALSE;
  }

  m_pConfig = new CConfig(&m_profile, GetProgramDirPath(""));

  if (RunEmbedded() || RunAutomated()) return TRUE;

  m_server.UpdateRegistry(OAT_INPLACE_SERVER);
  COleObjectFactory::UpdateRegistryAll(TRUE);

  OpenCommandLineFiles();

  load_paper_formats();

  m_pMainWnd->ShowWindow(m_nCmdShow);
  m_pMainWnd->UpdateWindow();

  CString filter, part;
  for (UINT id = IDS_FILTER_1; id <= IDS_FILTER_3; ++id) {
    part.LoadString(id);
    filter += part;
  }
  m_pFileOpenDlg = new CFileDialogEx(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ALLOWMULTISELECT,
                                     filter, m_pMainWnd);

  m_cfAnnotation = ::RegisterClipboardFormatA("VELLVIEW_ANNOTATION");

  if (m_pConfig->m_nOnTop) m_pMainWnd->SetWindowPos(&CWnd::wndTopMost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

  pMainFrame->m_bProgressLive = TRUE;
  return TRUE;
}

void CVLRApp::OpenCommandLineFiles() {
  // The raw text after the program name, split at ";"; a piece that names no existing file
  // (an empty one, or one in quotes or with switches around it) is skipped without a word.
  for (const CString& piece : SplitFileList(m_lpCmdLine)) {
    CFileStatus status;
    if (piece.IsEmpty() || !CFile::GetStatus(piece, status)) continue;
    if (!OpenDocumentFile(status.m_szFullName)) open_in_quick_view(status.m_szFullName);
  }
}

BOOL CVLRApp::PreTranslateMessage(MSG* pMsg) {
  if (CSplashWnd::PreTranslateAppMessage(pMsg)) return TRUE;
  return CWinApp::PreTranslateMessage(pMsg);
}

void CVLRApp::WinHelp(DWORD_PTR, UINT) { CWinApp::WinHelp(0, HELP_FINDER); }

// --- files ---------------------------------------------------------------------------------------

void CVLRApp::open_in_quick_view(LPCSTR path) {
  if (!m_pConfig || !m_pConfig->m_nUseQuickView) return;
  char system[MAX_PATH];
  ::GetSystemDirectoryA(system, sizeof system);
  CString cmd = CString(system) + "\\VIEWERS\\QUIKVIEW.EXE" + " -v -f:" + "\"" + path + "\"";
  if (::WinExec(cmd, SW_SHOWMAXIMIZED) < 32) {
    CString text;
    AfxFormatString1(text, IDS_QUICKVIEW_MISSING, path);
    AfxMessageBox(text, MB_ICONWARNING);
  }
}

void CVLRApp::OpenNextPendingFile() {
  // The whole list, here: a file already open is only brought forward, without the open of its
  // own that would take the next name, and a new file's open (which calls back here) finds the
  // list already shorter.
  while (!m_strPendingOpen.IsEmpty()) {
    CString name = TakeFirstPendingName(m_strPendingOpen);
    if (name.IsEmpty()) continue;
    if (!OpenDocumentFile(name)) open_in_quick_view(name);
  }
}

void CVLRApp::OnFileOpen() {
  if (!m_pFileOpenDlg) return;
  char buffer[kFileOpenBufferSize];
  buffer[0] = '\0';
  m_pFileOpenDlg->m_ofn.lpstrFile = buffer;
  m_pFileOpenDlg->m_ofn.nMaxFile = kFileOpenBufferSize;
  if (m_pFileOpenDlg->DoModal() == IDOK) {
    POSITION pos = m_pFileOpenDlg->GetStartPosition();
    while (pos) {
      CString path = m_pFileOpenDlg->GetNextPathName(pos);
      if (!OpenDocumentFile(path)) open_in_quick_view(path);
    }
  }
  // The buffer lives on this stack frame only.
  m_pFileOpenDlg->m_ofn.lpstrFile = nullptr;
  m_pFileOpenDlg->m_ofn.nMaxFile = 0;
}

void CVLRApp::load_paper_formats() {
  m_paperNames.RemoveAll();
  m_paperSizes.RemoveAll();
  CString file = GetProgramDirPath("VLFormat.ini");
  for (int n = 1;; ++n) {
    char key[16];
    wsprintfA(key, "%d", n);
    char value[256];
    if (::GetPrivateProfileStringA("Output", key, "", value, sizeof value, file) == 0) break;
    PaperFormat format;
    if (!ParsePaperFormat(value, format)) break;
    AppendPaperFormat(m_paperNames, m_paperSizes, format);
  }
  if (m_paperNames.GetSize() == 0) {
    int count;
    const PaperFormat* builtIn = BuiltInPaperFormats(count);
    for (int i = 0; i < count; ++i) AppendPaperFormat(m_paperNames, m_paperSizes, builtIn[i]);
  }
}

// --- commands ------------------------------------------------------------------------------------

void CVLRApp::OnAlwaysOnTop() {
  if (!m_pConfig || !m_pMainWnd) return;
  m_pConfig->m_nOnTop = !m_pConfig->m_nOnTop;
  m_pMainWnd->SetWindowPos(m_pConfig->m_nOnTop ? &CWnd::wndTopMost : &CWnd::wndNoTopMost, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE);
}

void CVLRApp::OnUpdateAlwaysOnTop(CCmdUI* pCmdUI) {
  pCmdUI->Enable(TRUE);
  pCmdUI->SetCheck(m_pConfig && m_pConfig->m_nOnTop ? 1 : 0);
}

void CVLRApp::OnCalsHeader() { ToggleCalsHeaderDialog(nullptr); }

void CVLRApp::OnUpdateCalsHeader(CCmdUI* pCmdUI) { pCmdUI->SetCheck(m_pCalsHeaderDlg ? 1 : 0); }

void CVLRApp::OnUpdateScan(CCmdUI* pCmdUI) { pCmdUI->Enable(m_pConfig && m_pConfig->m_nScanner != 0); }

void CVLRApp::OnAppAbout() {
  CAboutDlg dlg;
  dlg.DoModal();
}

// --- the shell's DDE commands --------------------------------------------------------------------

BOOL CVLRApp::OnDDECommand(LPSTR lpszCommand) {
  DdeCommand cmd = ParseDdeCommand(lpszCommand);
  CMainFrame* frame = GetMainFrame();
  switch (cmd.kind) {
    case DdeKind::Exit:
      ::PostQuitMessage(0);
      return TRUE;
    case DdeKind::RestoreWindow:
      if (frame) {
        frame->ActivateFrame(-1);
        frame->ShowWindow(SW_RESTORE);
      }
      break;
    case DdeKind::MinimizeWindow:
      if (frame) frame->ShowWindow(SW_MINIMIZE);
      break;
    case DdeKind::MaximizeWindow:
      if (frame) {
        frame->ActivateFrame(-1);
        frame->ShowWindow(SW_MAXIMIZE);
      }
      break;
    case DdeKind::Sleep:
      ::Sleep(static_cast<DWORD>(cmd.milliseconds));
      break;
    case DdeKind::Thumb:
      MakeThumbnail(cmd.path);
      return TRUE;
    case DdeKind::Print: {
      if (frame) frame->ActivateFrame(-1);
      PrintFromShell(cmd.print);
      return TRUE;
    }
    case DdeKind::OpenFile: {
      if (frame) frame->SetFocus();
      if (cmd.hasPending) m_strPendingOpen = cmd.pending;
      if (!cmd.path.IsEmpty()) {
        if (CDocument* doc = OpenDocumentFile(cmd.path)) {
          doc->UpdateAllViews(nullptr, -2, nullptr);
        } else {
          open_in_quick_view(cmd.path);
        }
      }
      // A first file that opens nothing does not strand the rest of the list.
      OpenNextPendingFile();
      return TRUE;
    }
    case DdeKind::CloseAll:
      if (frame) frame->SetFocus();
      CloseAllDocuments(FALSE);
      return TRUE;
    case DdeKind::CloseFile:
      if (frame) frame->SetFocus();
      if (CDocument* doc = FindOpenDocument(cmd.path)) doc->OnCloseDocument();
      return TRUE;
    case DdeKind::TooShort:
      return FALSE;
    case DdeKind::Other:
      break;
  }
  return CWinApp::OnDDECommand(lpszCommand);
}

void CVLRApp::OnPenWidths() {
  CDPensize dlg(m_pMainWnd);
  dlg.DoModal();
}

// Modes 1 and any but 0, 2 and 3 set the head from the fields; 0, 2 and 3 only switch it off.
// Mode 2 prints through the framework's print after the view has painted; the others straight.
void CVLRApp::PrintFromShell(const DdePrintArgs& args) {
  CDocument* doc = FindOpenDocument(args.path);
  POSITION pos = doc ? doc->GetFirstViewPosition() : nullptr;
  CView* first = pos ? doc->GetNextView(pos) : nullptr;
  if (!first || !first->IsKindOf(RUNTIME_CLASS(CVLRView))) return;
  CVLRView* view = static_cast<CVLRView*>(first);
  view->LoadPrintSettingsOnce();
  CViewPrintSettings& p = view->m_print;
  if (args.mode == 0 || args.mode == 2 || args.mode == 3) {
    p.nUse = 0;
  } else {
    p.nUse = 1;
    p.nScale = args.scale != 0;
    p.nFileName = args.fileName != 0;
    p.nTime = args.time != 0;
    p.nText = args.text != 0;
    if (p.nText) p.strUserText = args.userText;
  }
  if (args.mode == 2) {
    view->UpdateWindow();
    view->OnFilePrint();
  } else {
    view->DirectPrint(FALSE);
  }
}

void CVLRApp::MakeThumbnail(const CString& path) {
  CWnd* main = m_pMainWnd;
  if (main && main->OpenClipboard()) {
    ::EmptyClipboard();
    ::CloseClipboard();
  }
  m_nThumbnail = 1;
  if (CDocument* doc = OpenDocumentFile(path)) {
    POSITION pos = doc->GetFirstViewPosition();
    CView* view = pos ? doc->GetNextView(pos) : nullptr;
    if (view && view->IsKindOf(RUNTIME_CLASS(CVLRView))) static_cast<CVLRView*>(view)->PutThumbnailOnClipboard();
    doc->OnCloseDocument();
  } else {
    SHFILEINFOA info = {};
    if (::SHGetFileInfoA(path, 0, &info, sizeof info, SHGFI_ICON) && main && main->OpenClipboard()) {
      ::EmptyClipboard();
      HDC screen = ::GetDC(main->m_hWnd);
      HDC mem = ::CreateCompatibleDC(screen);
      HBITMAP bmp = ::CreateCompatibleBitmap(screen, 128, 128);
      HGDIOBJ old = ::SelectObject(mem, bmp);
      RECT all = {0, 0, 128, 128};
      HBRUSH white = ::CreateSolidBrush(RGB(255, 255, 255));
      ::FillRect(mem, &all, white);
      ::DeleteObject(white);
      ::DrawIconEx(mem, 0, 0, info.hIcon, 0, 0, 0, nullptr, DI_NORMAL);
      ::SelectObject(mem, old);
      ::DeleteDC(mem);
      ::SetClipboardData(CF_BITMAP, bmp);  // the clipboard owns it now
      const int n = path.GetLength() + 1;
      if (HGLOBAL text = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, static_cast<SIZE_T>(n))) {
        memcpy(::GlobalLock(text), static_cast<LPCSTR>(path), static_cast<size_t>(n));
        ::GlobalUnlock(text);
        if (!::SetClipboardData(CF_TEXT, text)) ::GlobalFree(text);
      }
      ::CloseClipboard();
      ::ReleaseDC(main->m_hWnd, screen);
      ::DestroyIcon(info.hIcon);
    }
  }
  m_nThumbnail = 0;
}

// --- settings ----------------------------------------------------------------------------------

// The sheet edits copies: the record changes only on OK, and then every view shows the change.
void CVLRApp::OnToolsSettings() {
  if (!m_pConfig) return;
  CSettingsDlg sheet(m_pMainWnd);
  sheet.Load(*m_pConfig);
  if (sheet.DoModal() != IDOK) return;
  sheet.Store(*m_pConfig);
  POSITION tpos = GetFirstDocTemplatePosition();
  while (tpos) {
    CDocTemplate* pTemplate = GetNextDocTemplate(tpos);
    POSITION dpos = pTemplate->GetFirstDocPosition();
    while (dpos) pTemplate->GetNextDoc(dpos)->UpdateAllViews(nullptr, 0, nullptr);
  }
}
