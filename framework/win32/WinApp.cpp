// The application object: message loop and idle time, profile, recent-file list, command line,
// document templates, shell registration, message boxes and the wait cursor.
#include "WinApp.h"

#include "Ole.h"

#include <ole2.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

#include "DocTemplate.h"
#include "Document.h"
#include "FrameWnd.h"
#include "Menu.h"
#include "RecentFileList.h"
#include "View.h"
#include "Wnd.h"

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)
IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
  ON_COMMAND(ID_FILE_NEW, OnFileNew)
  ON_COMMAND(ID_FILE_OPEN, OnFileOpen)
  ON_COMMAND(ID_APP_EXIT, OnAppExit)
  ON_COMMAND(ID_HELP_FINDER, OnHelp)
  ON_COMMAND(ID_HELP, OnHelp)
  ON_COMMAND_EX_RANGE(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE16, OnOpenRecentFile)
  ON_UPDATE_COMMAND_UI(ID_FILE_MRU_FILE1, OnUpdateRecentFileMenu)
END_MESSAGE_MAP()

namespace {
CWinApp* g_pApp = nullptr;
HINSTANCE g_hInstResource = nullptr;
AFX_MESSAGEBOX_HOOK g_messageBoxHook = nullptr;

int LoadStringFromTable(UINT nID, LPSTR buf, UINT nMax) {
  return ::LoadStringA(AfxGetResourceHandle(), nID, buf, static_cast<int>(nMax));
}
}  // namespace

CWinApp* AfxGetApp() { return g_pApp; }
CWnd* AfxGetMainWnd() { return g_pApp ? g_pApp->GetMainWnd() : nullptr; }
HINSTANCE AfxGetInstanceHandle() { return g_pApp && g_pApp->m_hInstance ? g_pApp->m_hInstance : ::GetModuleHandleA(nullptr); }
HINSTANCE AfxGetResourceHandle() { return g_hInstResource ? g_hInstResource : AfxGetInstanceHandle(); }
void AfxSetResourceHandle(HINSTANCE h) { g_hInstResource = h; }
HINSTANCE AfxFindResourceHandle(LPCSTR, LPCSTR) { return AfxGetResourceHandle(); }
LPCSTR AfxGetAppName() { return g_pApp ? g_pApp->m_pszAppName : ""; }
void AfxSetMessageBoxHook(AFX_MESSAGEBOX_HOOK hook) { g_messageBoxHook = hook; }

BOOL AfxWinInit(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int nCmdShow) {
  AfxSetLoadStringProc(&LoadStringFromTable);
  CWinApp* app = g_pApp;
  if (!app) return FALSE;
  app->m_hInstance = hInstance;
  app->m_lpCmdLine = lpCmdLine;
  app->m_nCmdShow = nCmdShow;
  return app->InitApplication();
}

BOOL AfxOleInit() { return SUCCEEDED(::OleInitialize(nullptr)); }

HINSTANCE AfxLoadLibrary(LPCSTR lpszModuleName) { return ::LoadLibraryA(lpszModuleName); }

BOOL AfxFreeLibrary(HINSTANCE hInstLib) { return hInstLib && ::FreeLibrary(hInstLib); }

BOOL AfxExtractSubString(CString& rString, LPCSTR lpszFullString, int iSubString, char chSep) {
  rString.Empty();
  if (!lpszFullString) return FALSE;
  const char* p = lpszFullString;
  for (; iSubString > 0; --iSubString) {
    p = strchr(p, chSep);
    if (!p) return FALSE;
    ++p;
  }
  const char* end = strchr(p, chSep);
  rString = CString(p, end ? static_cast<int>(end - p) : static_cast<int>(strlen(p)));
  return TRUE;
}

void AfxFormatStrings(CString& rString, LPCSTR lpszFormat, LPCSTR const* rglpsz, int nString) {
  CString out;
  for (const char* p = lpszFormat; *p; ++p) {
    if (p[0] == '%' && p[1] >= '1' && p[1] <= '9') {
      int i = p[1] - '1';
      if (i < nString && rglpsz[i]) out += rglpsz[i];
      ++p;
    } else {
      out += *p;
    }
  }
  rString = out;
}

void AfxFormatString1(CString& rString, UINT nIDS, LPCSTR lpsz1) {
  CString format;
  format.LoadString(nIDS);
  AfxFormatStrings(rString, format, &lpsz1, 1);
}

void AfxFormatString2(CString& rString, UINT nIDS, LPCSTR lpsz1, LPCSTR lpsz2) {
  CString format;
  format.LoadString(nIDS);
  LPCSTR args[2] = {lpsz1, lpsz2};
  AfxFormatStrings(rString, format, args, 2);
}

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT nIDHelp) {
  if (CWinApp* app = AfxGetApp()) return app->DoMessageBox(lpszText, nType, nIDHelp);
  if (g_messageBoxHook) return g_messageBoxHook(lpszText, nType, nIDHelp);
  return ::MessageBoxA(nullptr, lpszText, nullptr, nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
  CString text;
  text.LoadString(nIDPrompt);
  return AfxMessageBox(text, nType, nIDHelp == static_cast<UINT>(-1) ? nIDPrompt : nIDHelp);
}

int CException::ReportError(UINT nType, UINT nMessageID) {
  char text[512];
  if (GetErrorMessage(text, sizeof text) && text[0]) return AfxMessageBox(text, nType);
  CString fallback;
  if (nMessageID == 0 || !fallback.LoadString(nMessageID)) fallback = "No error message is available.";
  return AfxMessageBox(fallback, nType);
}

// --- CWinThread: the message loop ------------------------------------------------------------------

BOOL CWinThread::PumpMessage() {
  if (!::GetMessageA(&m_msgCur, nullptr, 0, 0)) return FALSE;
  if (!PreTranslateMessage(&m_msgCur)) {
    ::TranslateMessage(&m_msgCur);
    ::DispatchMessageA(&m_msgCur);
  }
  return TRUE;
}

BOOL CWinThread::PreTranslateMessage(MSG* pMsg) {
  // From the window the message is for up to the main window, each may take it (accelerators,
  // dialog keys).
  CWnd* pMain = GetMainWnd();
  for (HWND h = pMsg->hwnd; h; h = ::GetParent(h)) {
    CWnd* p = CWnd::FromHandlePermanent(h);
    if (p && p->PreTranslateMessage(pMsg)) return TRUE;
    if (pMain && h == pMain->m_hWnd) return FALSE;
  }
  return FALSE;
}

BOOL CWinThread::IsIdleMessage(MSG* pMsg) {
  // Mouse moves that do not move and the caret's blinking would keep the idle work running.
  if (pMsg->message == WM_MOUSEMOVE || pMsg->message == WM_NCMOUSEMOVE) {
    if (m_ptCursorLast.x == pMsg->pt.x && m_ptCursorLast.y == pMsg->pt.y && pMsg->message == m_nMsgLast) {
      return FALSE;
    }
    m_ptCursorLast = pMsg->pt;
    m_nMsgLast = pMsg->message;
    return TRUE;
  }
  return pMsg->message != WM_PAINT && pMsg->message != 0x0118 /* the caret timer */;
}

BOOL CWinThread::OnIdle(LONG lCount) {
  if (lCount <= 0) {
    // Command UI of the main frame's bars and title.
    CWnd* pMain = GetMainWnd();
    if (pMain && pMain->m_hWnd && ::IsWindowVisible(pMain->m_hWnd)) {
      ::SendMessageA(pMain->m_hWnd, WM_IDLEUPDATECMDUI, TRUE, 0);
      pMain->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, TRUE);
    }
  } else if (lCount == 1) {
    AfxDeleteTempMaps();
  }
  return lCount < 1;
}

namespace {
// Runs one step of the message loop or of start-up. A framework exception that leaves it (from
// a pre-translation or an idle handler, which no window procedure surrounds) is shown and
// dropped, and the step counts as failed; the program goes on.
template <class Step>
BOOL GuardedStep(Step step, BOOL failed) {
  try {
    return step();
  } catch (CException* e) {
    if (!e->IsKindOf(RUNTIME_CLASS(CUserException))) e->ReportError(MB_ICONSTOP);
    e->Delete();
    return failed;
  }
}
}  // namespace

int CWinThread::Run() {
  BOOL bIdle = TRUE;
  LONG lIdleCount = 0;
  MSG msg;
  for (;;) {
    while (bIdle && !::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!GuardedStep([&] { return OnIdle(lIdleCount++); }, FALSE)) bIdle = FALSE;
    }
    do {
      // A message whose pre-translation failed has been taken off the queue: go on with the next.
      if (!GuardedStep([&] { return PumpMessage(); }, TRUE)) return ExitInstance();
      if (IsIdleMessage(&m_msgCur)) {
        bIdle = TRUE;
        lIdleCount = 0;
      }
    } while (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  }
}

int CWinThread::ExitInstance() {
  AfxDeleteTempMaps();
  return static_cast<int>(m_msgCur.wParam);
}

// --- CCommandLineInfo -------------------------------------------------------------------------------

void CCommandLineInfo::ParseParam(LPCSTR lpszParam, BOOL bFlag, BOOL) {
  if (bFlag) {
    if (lstrcmpiA(lpszParam, "pt") == 0) {
      m_nShellCommand = FilePrintTo;
      m_nPrintToArgs = 3;
    } else if (lstrcmpiA(lpszParam, "p") == 0) {
      m_nShellCommand = FilePrint;
    } else if (lstrcmpiA(lpszParam, "Unregister") == 0 || lstrcmpiA(lpszParam, "Unregserver") == 0) {
      m_nShellCommand = AppUnregister;
    } else if (lstrcmpiA(lpszParam, "dde") == 0) {
      m_nShellCommand = FileDDE;
    } else if (lstrcmpiA(lpszParam, "Embedding") == 0) {
      // Started by OLE: no splash, no file, no window until OLE asks.
      m_bRunEmbedded = TRUE;
      m_bShowSplash = FALSE;
    } else if (lstrcmpiA(lpszParam, "Automation") == 0) {
      m_bRunAutomated = TRUE;
      m_bShowSplash = FALSE;
    }
    return;
  }
  if (m_nShellCommand == FilePrintTo && m_nPrintToArgs > 0 && !m_strFileName.IsEmpty()) {
    CString* fields[3] = {&m_strPrinterName, &m_strDriverName, &m_strPortName};
    *fields[3 - m_nPrintToArgs] = lpszParam;
    --m_nPrintToArgs;
    return;
  }
  if (m_strFileName.IsEmpty()) {
    m_strFileName = lpszParam;
    if (m_nShellCommand == FileNew) m_nShellCommand = FileOpen;
  }
}

// --- CWinApp ----------------------------------------------------------------------------------------

CWinApp::CWinApp(LPCSTR lpszAppName) {
  g_pApp = this;
  if (lpszAppName) {
    m_strAppName = lpszAppName;
    m_pszAppName = m_strAppName;
  }
}

CWinApp::~CWinApp() {
  for (CDocTemplate* t : m_templateList) delete t;
  delete m_pRecentFileList;
  if (m_atomApp) ::GlobalDeleteAtom(m_atomApp);
  if (m_atomSystemTopic) ::GlobalDeleteAtom(m_atomSystemTopic);
  if (m_hDevMode) ::GlobalFree(m_hDevMode);
  if (m_hDevNames) ::GlobalFree(m_hDevNames);
  if (g_pApp == this) g_pApp = nullptr;
}

BOOL CWinApp::InitApplication() {
  // The program's name: the module's file name without folder and extension.
  char path[MAX_PATH];
  DWORD n = ::GetModuleFileNameA(m_hInstance, path, sizeof path);
  CString full(path, static_cast<int>(n));
  int slash = full.ReverseFind('\\');
  CString name = full.Mid(slash + 1);
  int dot = name.ReverseFind('.');
  if (dot > 0) name = name.Left(dot);
  m_strExeName = name;
  m_pszExeName = m_strExeName;
  if (!m_pszAppName) {
    if (!m_strAppName.LoadString(AFX_IDS_APP_TITLE)) m_strAppName = m_strExeName;
    m_pszAppName = m_strAppName;
  }
  if (!m_pszProfileName) {
    m_strProfileName = m_strExeName + ".INI";
    m_pszProfileName = m_strProfileName;
  }
  if (!m_pszHelpFilePath) {
    // The help file lies beside the program, under its name.
    int dot = full.ReverseFind('.');
    m_strHelpFilePath = (dot > slash ? full.Left(dot) : full) + ".HLP";
    m_pszHelpFilePath = m_strHelpFilePath;
  }
  return TRUE;
}

int CWinApp::Run() {
  if (!m_pMainWnd) ::PostQuitMessage(0);  // nothing to run: do not wait for messages forever
  return CWinThread::Run();
}

BOOL CWinApp::OnIdle(LONG lCount) { return CWinThread::OnIdle(lCount); }

int CWinApp::ExitInstance() {
  // No container may reach a class object of a program that is ending: COM would keep handing
  // out a server that is gone.
  COleObjectFactory::RevokeAll();
  SaveStdProfileSettings();
  return CWinThread::ExitInstance();
}

BOOL CWinApp::OnDDECommand(LPSTR lpszCommand) {
  // The framework's own: [open("file")] as the shell's open verb sends it.
  CString cmd(lpszCommand);
  if (cmd.Left(7).CompareNoCase("[open(\"") == 0) {
    int end = cmd.Find("\")]");
    if (end > 7) {
      OpenDocumentFile(cmd.Mid(7, end - 7));
      return TRUE;
    }
  }
  return FALSE;
}

void CWinApp::WinHelp(DWORD_PTR dwData, UINT nCmd) {
  CWnd* pMain = AfxGetMainWnd();
  ::WinHelpA(pMain ? pMain->m_hWnd : nullptr, m_pszHelpFilePath, nCmd, dwData);
}

void CWinApp::OnHelp() { WinHelp(0, HELP_FINDER); }

int CWinApp::DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT nIDPrompt) {
  if (g_messageBoxHook) return g_messageBoxHook(lpszPrompt, nType, nIDPrompt);
  CWnd* pMain = AfxGetMainWnd();
  HWND owner = pMain ? pMain->m_hWnd : nullptr;
  if (owner) {
    // The box is modal to the active window the user sees, not to a hidden main frame.
    HWND active = ::GetLastActivePopup(owner);
    if (active) owner = active;
  }
  if ((nType & MB_ICONMASK) == 0) {
    switch (nType & MB_TYPEMASK) {
      case MB_OK:
      case MB_OKCANCEL:
        nType |= MB_ICONEXCLAMATION;
        break;
      case MB_YESNO:
      case MB_YESNOCANCEL:
        nType |= MB_ICONQUESTION;
        break;
    }
  }
  return ::MessageBoxA(owner, lpszPrompt, m_pszAppName, nType);
}

void CWinApp::DoWaitCursor(int nCode) {
  m_nWaitCursorCount += nCode;
  if (m_nWaitCursorCount < 0) m_nWaitCursorCount = 0;
  if (m_nWaitCursorCount > 0) {
    HCURSOR old = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    if (nCode > 0 && m_nWaitCursorCount == 1) m_hcurWaitCursorRestore = old;
  } else {
    ::SetCursor(m_hcurWaitCursorRestore ? m_hcurWaitCursorRestore : ::LoadCursorA(nullptr, IDC_ARROW));
  }
}

// --- profile ----------------------------------------------------------------------------------------

UINT CWinApp::GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault) {
  return ::GetPrivateProfileIntA(lpszSection, lpszEntry, nDefault, m_pszProfileName);
}

CString CWinApp::GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszDefault) {
  // The profile functions cut values at the buffer: grow until the value fits.
  for (DWORD size = 256;; size *= 2) {
    CString value;
    DWORD n = ::GetPrivateProfileStringA(lpszSection, lpszEntry, lpszDefault ? lpszDefault : "",
                                         value.GetBuffer(static_cast<int>(size)), size, m_pszProfileName);
    value.ReleaseBuffer(static_cast<int>(n));
    if (n < size - 2 || size >= (1u << 20)) return value;
  }
}

BOOL CWinApp::WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue) {
  char buf[16];
  snprintf(buf, sizeof buf, "%d", nValue);
  return ::WritePrivateProfileStringA(lpszSection, lpszEntry, buf, m_pszProfileName);
}

BOOL CWinApp::WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue) {
  return ::WritePrivateProfileStringA(lpszSection, lpszEntry, lpszValue, m_pszProfileName);
}

void CWinApp::LoadStdProfileSettings(UINT nMaxMRU) {
  delete m_pRecentFileList;
  m_pRecentFileList = nullptr;
  if (nMaxMRU == 0) return;
  if (nMaxMRU > ID_FILE_MRU_FILE16 - ID_FILE_MRU_FILE1 + 1) nMaxMRU = ID_FILE_MRU_FILE16 - ID_FILE_MRU_FILE1 + 1;
  m_pRecentFileList = new CRecentFileList(0, "Recent File List", "File%d", static_cast<int>(nMaxMRU));
  m_pRecentFileList->ReadList();
}

void CWinApp::SaveStdProfileSettings() {
  if (m_pRecentFileList) m_pRecentFileList->WriteList();
}

void CWinApp::AddToRecentFileList(LPCSTR lpszPathName) {
  if (m_pRecentFileList) m_pRecentFileList->Add(lpszPathName);
}

BOOL CWinApp::OnOpenRecentFile(UINT nID) {
  if (!m_pRecentFileList) return FALSE;
  int index = static_cast<int>(nID - ID_FILE_MRU_FILE1);
  if (index >= m_pRecentFileList->GetSize() || (*m_pRecentFileList)[index].IsEmpty()) return FALSE;
  CString path = (*m_pRecentFileList)[index];
  // A file that cannot be opened any more leaves the list.
  if (!OpenDocumentFile(path)) m_pRecentFileList->Remove(index);
  return TRUE;
}

void CWinApp::OnUpdateRecentFileMenu(CCmdUI* pCmdUI) {
  if (!m_pRecentFileList) {
    pCmdUI->Enable(FALSE);
    return;
  }
  m_pRecentFileList->UpdateMenu(pCmdUI);
}

// --- command line -----------------------------------------------------------------------------------

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo) {
  // Arguments split at blanks; a double-quoted argument keeps its blanks.
  std::vector<CString> args;
  const char* p = m_lpCmdLine ? m_lpCmdLine : "";
  while (*p) {
    while (*p == ' ' || *p == '\t') ++p;
    if (!*p) break;
    CString arg;
    bool quoted = false;
    for (; *p && (quoted || (*p != ' ' && *p != '\t')); ++p) {
      if (*p == '"') {
        quoted = !quoted;
      } else {
        arg += *p;
      }
    }
    args.push_back(arg);
  }
  for (size_t i = 0; i < args.size(); ++i) {
    const char* a = args[i];
    BOOL flag = (a[0] == '/' || a[0] == '-') && a[1] != '\0';
    rCmdInfo.ParseParam(flag ? a + 1 : a, flag, i + 1 == args.size());
  }
}

namespace {
BOOL CommandLineHasSwitch(LPCSTR cmdLine, LPCSTR name) {
  if (!cmdLine) return FALSE;
  size_t n = strlen(name);
  for (const char* p = cmdLine; *p; ++p) {
    if ((*p == '/' || *p == '-') && _strnicmp(p + 1, name, n) == 0) {
      char after = p[1 + n];
      if (after == '\0' || after == ' ' || after == '\t') return TRUE;
    }
  }
  return FALSE;
}
}  // namespace

BOOL CWinApp::RunEmbedded() { return CommandLineHasSwitch(m_lpCmdLine, "Embedding"); }
BOOL CWinApp::RunAutomated() { return CommandLineHasSwitch(m_lpCmdLine, "Automation"); }

// --- documents --------------------------------------------------------------------------------------

void CWinApp::AddDocTemplate(CDocTemplate* pTemplate) {
  pTemplate->LoadTemplate();
  m_templateList.push_back(pTemplate);
}

POSITION CWinApp::GetFirstDocTemplatePosition() const {
  return m_templateList.empty() ? nullptr : AfxIndexToPosition(0);
}

CDocTemplate* CWinApp::GetNextDocTemplate(POSITION& pos) const {
  size_t i = AfxPositionToIndex(pos);
  pos = i + 1 < m_templateList.size() ? AfxIndexToPosition(i + 1) : nullptr;
  return m_templateList[i];
}

CDocument* CWinApp::OpenDocumentFile(LPCSTR lpszFileName) {
  // The template most sure of the file opens it; a document already open is brought forward.
  char full[MAX_PATH];
  if (!::GetFullPathNameA(lpszFileName, sizeof full, full, nullptr)) lstrcpynA(full, lpszFileName, MAX_PATH);
  CDocTemplate* best = nullptr;
  CDocument* open = nullptr;
  CDocTemplate::Confidence bestMatch = CDocTemplate::noAttempt;
  for (CDocTemplate* t : m_templateList) {
    CDocument* match = nullptr;
    CDocTemplate::Confidence c = t->MatchDocType(full, match);
    if (c > bestMatch) {
      bestMatch = c;
      best = t;
      if (c == CDocTemplate::yesAlreadyOpen) open = match;
    }
  }
  if (open) {
    POSITION pos = open->GetFirstViewPosition();
    if (pos) {
      CView* view = open->GetNextView(pos);
      if (CFrameWnd* frame = view->GetParentFrame()) frame->ActivateFrame();
    }
    return open;
  }
  if (!best) return nullptr;
  return best->OpenDocumentFile(full);
}

void CWinApp::CloseAllDocuments(BOOL bEndSession) {
  for (CDocTemplate* t : m_templateList) t->CloseAllDocuments(bEndSession);
}

BOOL CWinApp::SaveAllModified() {
  for (CDocTemplate* t : m_templateList) {
    if (!t->SaveAllModified()) return FALSE;
  }
  return TRUE;
}

int CWinApp::GetOpenDocumentCount() const {
  int n = 0;
  for (CDocTemplate* t : m_templateList) {
    for (POSITION pos = t->GetFirstDocPosition(); pos;) {
      t->GetNextDoc(pos);
      ++n;
    }
  }
  return n;
}

void CWinApp::OnFileNew() {
  if (!m_templateList.empty()) m_templateList.front()->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen() {
  char file[MAX_PATH * 4] = "";
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  CWnd* pMain = AfxGetMainWnd();
  ofn.hwndOwner = pMain ? pMain->m_hWnd : nullptr;
  ofn.lpstrFilter = "All Files (*.*)\0*.*\0";
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (::GetOpenFileNameA(&ofn)) OpenDocumentFile(file);
}

void CWinApp::OnAppExit() {
  if (CWnd* pMain = AfxGetMainWnd()) pMain->SendMessage(WM_CLOSE);
}

BOOL CWinApp::GetPrinterDeviceDefaults(PRINTDLGA* pPrintDlg) {
  if (!m_hDevNames) {
    PRINTDLGA pd = {};
    pd.lStructSize = sizeof pd;
    pd.Flags = PD_RETURNDEFAULT;
    if (!::PrintDlgA(&pd)) return FALSE;
    m_hDevMode = pd.hDevMode;
    m_hDevNames = pd.hDevNames;
  }
  pPrintDlg->hDevMode = m_hDevMode;
  pPrintDlg->hDevNames = m_hDevNames;
  return TRUE;
}

void CWinApp::SelectPrinter(HANDLE hDevNames, HANDLE hDevMode, BOOL bFreeOld) {
  if (bFreeOld) {
    if (m_hDevNames && m_hDevNames != hDevNames) ::GlobalFree(m_hDevNames);
    if (m_hDevMode && m_hDevMode != hDevMode) ::GlobalFree(m_hDevMode);
  }
  m_hDevNames = hDevNames;
  m_hDevMode = hDevMode;
}

// --- shell ------------------------------------------------------------------------------------------

void CWinApp::EnableShellOpen() {
  if (m_atomApp) return;
  m_atomApp = ::GlobalAddAtomA(m_pszExeName);
  m_atomSystemTopic = ::GlobalAddAtomA("system");
}

void CWinApp::RegisterShellFileTypes(BOOL) {
  // Each template with a file type id gets its type and open command under HKEY_CLASSES_ROOT,
  // and its extension points at the type.
  char module[MAX_PATH];
  ::GetModuleFileNameA(m_hInstance, module, sizeof module);
  for (CDocTemplate* t : m_templateList) {
    CString typeId, typeName, ext;
    if (!t->GetDocString(typeId, CDocTemplate::regFileTypeId) || typeId.IsEmpty()) continue;
    t->GetDocString(typeName, CDocTemplate::regFileTypeName);
    t->GetDocString(ext, CDocTemplate::filterExt);
    auto setKey = [](const CString& key, LPCSTR value) {
      HKEY h;
      if (::RegCreateKeyA(HKEY_CLASSES_ROOT, key, &h) != ERROR_SUCCESS) return;
      ::RegSetValueA(h, nullptr, REG_SZ, value, static_cast<DWORD>(lstrlenA(value)));
      ::RegCloseKey(h);
    };
    setKey(typeId, typeName);
    CString open = CString("\"") + module + "\" \"%1\"";
    setKey(typeId + "\\shell\\open\\command", open);
    if (m_atomApp) {
      setKey(typeId + "\\shell\\open\\ddeexec", "[open(\"%1\")]");
      setKey(typeId + "\\shell\\open\\ddeexec\\application", m_pszExeName);
      setKey(typeId + "\\shell\\open\\ddeexec\\topic", "system");
    }
    if (!ext.IsEmpty() && ext[0] == '.') setKey(ext, typeId);
  }
}

HICON CWinApp::LoadIcon(UINT nIDResource) const {
  return ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource));
}

HCURSOR CWinApp::LoadCursor(UINT nIDResource) const {
  return ::LoadCursorA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource));
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow) {
  CWinApp* app = AfxGetApp();
  if (!app || !AfxWinInit(hInstance, hPrevInstance, lpCmdLine, nCmdShow)) return -1;
  int result;
  if (!GuardedStep([&] { return app->InitInstance(); }, FALSE)) {
    // Start-up failed: take down what it made, then leave.
    if (CWnd* pMain = app->m_pMainWnd) {
      if (pMain->m_hWnd) pMain->DestroyWindow();
    }
    result = app->ExitInstance();
  } else {
    result = app->Run();
  }
  return result;
}
