// The Scan command's run of an outside scanning program: it reserves a temporary file, starts
// the program the "Scanner" setting names (Ostrel, which writes that file, or Rastrum's
// RSTW.EXE, which names its file in RST.INI) and waits for it with the main window disabled and
// messages pumped, so the window repaints and no command starts meanwhile.
// Not for: the import of the scanned file (CVLRApp::OnScan) or TWAIN scanning (CRaster).
#pragma once

#include "FrameworkWin.h"

class CConfig;

class CScanRun {
 public:
  CScanRun(CConfig& config, CWnd* pMainWnd) : m_config(config), m_pMainWnd(pMainWnd) {}
  ~CScanRun();

  // Steps up to the scanned file: TRUE with m_strScanned set; FALSE after a message (or the
  // user's Cancel, or a result file that names nothing), with the temporary file removed.
  BOOL RunProgram();
  // Removes the temporary file when it still exists.
  void DeleteTemp();

  CString m_strTemp;     // the reserved temporary file; empty once deleted
  CString m_strScanned;  // the file the program scanned into
  BOOL m_bSaveFirst = TRUE;

  // Where the Rastrum program's folder is registered for its installer.
  static const char kAppPathKey[];

 private:
  BOOL RunOstrel();
  BOOL RunRastrum();
  // The program's path, or empty when the user gave up looking for it.
  CString FindRastrum();
  // Waits for the process with the main window disabled (and minimised when bMinimise),
  // pumping messages every 200 ms; FALSE when the process could not be waited for.
  BOOL WaitPumping(HANDLE hProcess, BOOL bMinimise);

  CConfig& m_config;
  CWnd* m_pMainWnd;  // borrowed; may be null
};
