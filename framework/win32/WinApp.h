// The application object and what hangs off it: the message loop with idle-time command UI, the
// profile (an INI file named after the program in the Windows directory), the recent-file list,
// the command line, the document templates, the shell's DDE "System" conversation and the
// global Afx... helpers. The one CWinApp object of a program is made as a static object; the
// framework's WinMain (AppMain.cpp) starts it.
#pragma once

#include <vector>

#include "CmdTarget.h"

class CWnd;
class CDocTemplate;
class CDocument;
class CRecentFileList;

class CWinThread : public CCmdTarget {
  DECLARE_DYNAMIC(CWinThread)
 public:
  CWnd* m_pMainWnd = nullptr;  // borrowed: the main frame deletes itself when its window goes

  virtual BOOL InitInstance() { return FALSE; }
  virtual int Run();
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  virtual BOOL PumpMessage();
  virtual BOOL OnIdle(LONG lCount);
  virtual BOOL IsIdleMessage(MSG* pMsg);
  virtual int ExitInstance();
  virtual CWnd* GetMainWnd() { return m_pMainWnd; }

 protected:
  MSG m_msgCur = {};
  POINT m_ptCursorLast = {-1, -1};
  UINT m_nMsgLast = 0;
};

// What the command line asked for. ParseParam sees each argument once, flags without their
// leading "/" or "-".
class CCommandLineInfo : public CObject {
 public:
  enum { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppUnregister, FileNothing = -1 };
  BOOL m_bShowSplash = TRUE;
  BOOL m_bRunEmbedded = FALSE;
  BOOL m_bRunAutomated = FALSE;
  int m_nShellCommand = FileNew;
  CString m_strFileName;
  CString m_strPrinterName;
  CString m_strDriverName;
  CString m_strPortName;

  virtual void ParseParam(LPCSTR lpszParam, BOOL bFlag, BOOL bLast);

 private:
  int m_nPrintToArgs = 0;  // arguments still expected after /pt
};

// Observes and answers the framework's message boxes instead of showing them: programs that run
// unattended (the tests) install one. Returns the button id the box would have returned.
typedef int (*AFX_MESSAGEBOX_HOOK)(LPCSTR lpszText, UINT nType, UINT nIDHelp);
void AfxSetMessageBoxHook(AFX_MESSAGEBOX_HOOK hook);

class CWinApp : public CWinThread {
  DECLARE_DYNAMIC(CWinApp)
 public:
  explicit CWinApp(LPCSTR lpszAppName = nullptr);
  ~CWinApp() override;

  HINSTANCE m_hInstance = nullptr;
  LPSTR m_lpCmdLine = nullptr;  // the text after the program name, as passed
  int m_nCmdShow = SW_SHOWNORMAL;
  LPCSTR m_pszAppName = nullptr;
  LPCSTR m_pszExeName = nullptr;
  LPCSTR m_pszProfileName = nullptr;   // "<exe name>.INI" unless the program sets another
  LPCSTR m_pszRegistryKey = nullptr;   // never set: the profile is the INI file
  LPCSTR m_pszHelpFilePath = nullptr;  // "<program path without extension>.HLP" unless set
  CRecentFileList* m_pRecentFileList = nullptr;  // owned
  ATOM m_atomApp = 0;                  // set by EnableShellOpen
  ATOM m_atomSystemTopic = 0;

  // --- running ----------------------------------------------------------------------------------
  BOOL InitApplication();
  int Run() override;
  BOOL OnIdle(LONG lCount) override;
  int ExitInstance() override;
  virtual BOOL OnDDECommand(LPSTR lpszCommand);
  virtual void WinHelp(DWORD_PTR dwData, UINT nCmd = HELP_CONTEXT);
  virtual int DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT nIDPrompt);
  virtual void DoWaitCursor(int nCode);  // 1 begin, -1 end, 0 restore
  BOOL Enable3dControls() { return TRUE; }  // the system draws 3-D controls itself

  // --- profile ----------------------------------------------------------------------------------
  UINT GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault);
  CString GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszDefault = nullptr);
  BOOL WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue);
  BOOL WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue);
  void LoadStdProfileSettings(UINT nMaxMRU = 4);
  void SaveStdProfileSettings();
  virtual void AddToRecentFileList(LPCSTR lpszPathName);

  // --- command line -----------------------------------------------------------------------------
  void ParseCommandLine(CCommandLineInfo& rCmdInfo);
  BOOL RunEmbedded();
  BOOL RunAutomated();

  // --- documents --------------------------------------------------------------------------------
  void AddDocTemplate(CDocTemplate* pTemplate);  // the application owns it from now on
  POSITION GetFirstDocTemplatePosition() const;
  CDocTemplate* GetNextDocTemplate(POSITION& pos) const;
  virtual CDocument* OpenDocumentFile(LPCSTR lpszFileName);
  void CloseAllDocuments(BOOL bEndSession);
  BOOL SaveAllModified();
  int GetOpenDocumentCount() const;
  BOOL GetPrinterDeviceDefaults(PRINTDLGA* pPrintDlg);
  // Makes the printer of these handles the application's; the application owns them from now on.
  void SelectPrinter(HANDLE hDevNames, HANDLE hDevMode, BOOL bFreeOld = TRUE);

  // --- shell ------------------------------------------------------------------------------------
  void EnableShellOpen();
  void RegisterShellFileTypes(BOOL bCompat = FALSE);

  // --- resources --------------------------------------------------------------------------------
  HICON LoadIcon(UINT nIDResource) const;
  HICON LoadStandardIcon(LPCSTR lpszIconName) const { return ::LoadIconA(nullptr, lpszIconName); }
  HCURSOR LoadCursor(UINT nIDResource) const;
  HCURSOR LoadStandardCursor(LPCSTR lpszCursorName) const { return ::LoadCursorA(nullptr, lpszCursorName); }

  // Command handlers the application's message map binds.
  void OnFileNew();
  void OnFileOpen();
  // The printer set-up dialog over the application's printer; its choice becomes the default.
  void OnFilePrintSetup();
  void OnAppExit();
  void OnHelp();
  BOOL OnOpenRecentFile(UINT nID);
  void OnUpdateRecentFileMenu(CCmdUI* pCmdUI);

  DECLARE_MESSAGE_MAP()

 protected:
  std::vector<CDocTemplate*> m_templateList;  // owned
  HANDLE m_hDevMode = nullptr;
  HANDLE m_hDevNames = nullptr;
  int m_nWaitCursorCount = 0;
  HCURSOR m_hcurWaitCursorRestore = nullptr;

 private:
  CString m_strExeName;
  CString m_strProfileName;
  CString m_strHelpFilePath;
  CString m_strAppName;
};

// Ids the framework gives meaning to (commands, bars, strings); resource scripts use the same.
enum : UINT {
  AFX_IDS_APP_TITLE = 0xE000,
  AFX_IDS_IDLEMESSAGE = 0xE001,
  AFX_IDS_HELPMODEMESSAGE = 0xE002,
  ID_FILE_NEW = 0xE100,
  ID_FILE_OPEN = 0xE101,
  ID_FILE_CLOSE = 0xE102,
  ID_FILE_SAVE = 0xE103,
  ID_FILE_SAVE_AS = 0xE104,
  ID_FILE_MRU_FILE1 = 0xE110,
  ID_FILE_MRU_FILE16 = 0xE11F,
  ID_WINDOW_NEW = 0xE130,
  ID_WINDOW_ARRANGE = 0xE131,
  ID_WINDOW_CASCADE = 0xE132,
  ID_WINDOW_TILE_HORZ = 0xE133,
  ID_WINDOW_TILE_VERT = 0xE134,
  ID_APP_ABOUT = 0xE140,
  ID_APP_EXIT = 0xE141,
  ID_HELP_INDEX = 0xE142,
  ID_HELP_FINDER = 0xE143,
  ID_HELP = 0xE146,
  ID_NEXT_PANE = 0xE150,
  ID_PREV_PANE = 0xE151,
  ID_INDICATOR_CAPS = 0xE700,
  ID_INDICATOR_NUM = 0xE701,
  ID_INDICATOR_SCRL = 0xE702,
  ID_VIEW_TOOLBAR = 0xE800,
  ID_VIEW_STATUS_BAR = 0xE801,
  AFX_IDW_TOOLBAR = 0xE800,
  AFX_IDW_STATUS_BAR = 0xE801,
  AFX_IDW_DOCKBAR_TOP = 0xE81B,
  AFX_IDW_DOCKBAR_LEFT = 0xE81C,
  AFX_IDW_DOCKBAR_RIGHT = 0xE81D,
  AFX_IDW_DOCKBAR_BOTTOM = 0xE81E,
  AFX_IDW_PANE_FIRST = 0xE900,
  AFX_IDW_PANE_LAST = 0xE9FF,
  AFX_IDM_FIRST_MDICHILD = 0xFF00,
  ID_SEPARATOR = 0,
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hInstResource);
HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType);
LPCSTR AfxGetAppName();
// Sets up the application object for this module; WinMain calls it, and so do tests that drive
// an application object without the framework's WinMain.
BOOL AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);

int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = (UINT)-1);
// Replaces each "%1" of the string-table entry nIDS with lpsz1.
void AfxFormatString1(CString& rString, UINT nIDS, LPCSTR lpsz1);
void AfxFormatString2(CString& rString, UINT nIDS, LPCSTR lpsz1, LPCSTR lpsz2);
// Replaces "%1".."%9" in lpszFormat by the strings given.
void AfxFormatStrings(CString& rString, LPCSTR lpszFormat, LPCSTR const* rglpsz, int nString);
BOOL AfxOleInit();
// A library by name along the system's search path; null when it cannot be loaded.
HINSTANCE AfxLoadLibrary(LPCSTR lpszModuleName);
BOOL AfxFreeLibrary(HINSTANCE hInstLib);
// The n-th "\n"-separated part of a string-table entry (status prompt, tooltip, template parts).
BOOL AfxExtractSubString(CString& rString, LPCSTR lpszFullString, int iSubString, char chSep = '\n');

class CWaitCursor {
 public:
  CWaitCursor() { AfxGetApp()->DoWaitCursor(1); }
  ~CWaitCursor() { AfxGetApp()->DoWaitCursor(-1); }
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;
  void Restore() { AfxGetApp()->DoWaitCursor(0); }
};
