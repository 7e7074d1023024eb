// CVLRApp: Vellview's one application object. It starts the program (InitInstance), owns the
// settings record, the File Open dialog, the paper-format table and the files still to open
// after a DDE "#OPENFILE#" of several files, and handles the application-level commands and the
// shell's DDE commands. The framework's message loop and idle processing run unchanged.
#pragma once

#include "FrameworkWin.h"
#include "Ole.h"

#include "model/Config.h"

class CMainFrame;
class CFileDialogEx;
class CCalsHeaderDlg;

// The application's profile as the settings record reads and writes it.
class CAppProfile : public CConfigProfile {
 public:
  int GetInt(const char* section, const char* key, int nDefault) override;
  CString GetString(const char* section, const char* key, const char* lpszDefault) override;
  void WriteInt(const char* section, const char* key, int nValue) override;
  void WriteString(const char* section, const char* key, const char* lpszValue) override;
};

struct DdePrintArgs;

class CVLRApp : public CWinApp {
 public:
  CVLRApp();
  ~CVLRApp() override;

  BOOL InitInstance() override;
  // "#EXIT#" ends the message loop with documents still open: they close here, each asking
  // about changed annotations as every other close does, before the program goes.
  int ExitInstance() override;
  BOOL PreTranslateMessage(MSG* pMsg) override;
  BOOL OnDDECommand(LPSTR lpszCommand) override;
  void WinHelp(DWORD_PTR dwData, UINT nCmd = HELP_CONTEXT) override;

  // Fills the paper-format arrays from VLFormat.ini beside the program.
  void load_paper_formats();
  // Hands a file that no document accepts to the system quick viewer ("UseQuickView").
  void open_in_quick_view(LPCSTR path);
  // Opens the files of the pending DDE list, to its end. The document calls it at the end of its
  // open; a file that opens no document goes to the quick viewer and the list goes on with the
  // next, so neither a bad file nor one already open strands the rest.
  void OpenNextPendingFile();

  CMainFrame* GetMainFrame() const;

  CCalsHeaderDlg* m_pCalsHeaderDlg;  // owned; null while the dialog is closed
  CStringArray m_paperNames;         // one name per paper format
  CWordArray m_paperSizes;           // width, height (mm) per paper format
  int m_nThumbnail;                  // 1 only while "#THUMB#" opens a file
  UINT m_cfAnnotation;               // clipboard format "VELLVIEW_ANNOTATION"
  CString m_strPendingOpen;          // files still to open after "#OPENFILE#", ";"-separated
  COleTemplateServer m_server;
  CFileDialogEx* m_pFileOpenDlg;     // owned, kept for the life of the process
  CConfig* m_pConfig;                // owned

  void OnFileOpen();
  void OnAlwaysOnTop();
  void OnUpdateAlwaysOnTop(CCmdUI* pCmdUI);
  void OnCalsHeader();
  void OnUpdateCalsHeader(CCmdUI* pCmdUI);
  void OnUpdateScan(CCmdUI* pCmdUI);
  // Scanning (Scan.cpp).
  void OnSelectSource();
  void OnAcquire();
  void OnScan();
  void OnAppAbout();
  void OnPenWidths();
  void OnToolsSettings();

  DECLARE_MESSAGE_MAP()

 private:
  void OpenCommandLineFiles();
  void MakeThumbnail(const CString& path);
  void PrintFromShell(const DdePrintArgs& args);
  CAppProfile m_profile;
};

inline CVLRApp* GetVLRApp() { return static_cast<CVLRApp*>(AfxGetApp()); }
