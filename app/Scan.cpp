// The scanning commands of the application: Select source and Acquire through the imaging
// library's TWAIN interface, and Scan through an outside large-format scanning program.
#include "Scan.h"

#include <io.h>

#include "FileDialogEx.h"
#include "Helpers.h"
#include "MainFrm.h"
#include "Raster.h"
#include "SaveRaster.h"
#include "VLRApp.h"
#include "model/Config.h"
#include "model/ScanModel.h"
#include "resource.h"
#include "zeri8v98.h"

const char CScanRun::kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\RSF.EXE";

namespace {

// The imaging library's number for "no scanner source manager or source on this system".
const int kNoScanner = -18;

void ErrorBox(UINT nID, LPCSTR arg = nullptr) {
  CString text;
  if (arg)
    AfxFormatString1(text, nID, arg);
  else
    text.LoadString(nID);
  AfxMessageBox(text, MB_ICONSTOP);
}

BOOL FileExists(LPCSTR path) { return path && *path && _access(path, 0) == 0; }

CString FolderOf(const CString& path) {
  const int slash = path.ReverseFind('\\');
  return slash < 0 ? CString() : path.Left(slash);
}

// The scanner's own failures (none installed, no source) are told in the library's words; a
// cancelled or failed scan says nothing more.
void ShowScannerFailure(int nResult) {
  if (nResult != kNoScanner) return;
  AfxMessageBox(ImgGetErrorText(nResult), MB_ICONSTOP);
}

}  // namespace

CScanRun::~CScanRun() {}

void CScanRun::DeleteTemp() {
  if (!m_strTemp.IsEmpty()) ::DeleteFileA(m_strTemp);
  m_strTemp.Empty();
}

BOOL CScanRun::RunProgram() {
  // With no scanner chosen the command is disabled; reached anyway, it does nothing.
  if (ScannerRoadOf(m_config.m_nScanner) == ScannerRoad::None) return FALSE;
  char dir[MAX_PATH];
  char temp[MAX_PATH];
  if (!::GetTempPathA(sizeof dir, dir) || !::GetTempFileNameA(dir, "VLR", 0, temp)) return FALSE;
  m_strTemp = temp;
  m_strScanned.Empty();
  switch (ScannerRoadOf(m_config.m_nScanner)) {
    case ScannerRoad::Ostrel:
      return RunOstrel();
    case ScannerRoad::Rastrum:
      return RunRastrum();
    case ScannerRoad::None:
    case ScannerRoad::Unknown:
      break;
  }
  // An unknown scanner would only import the empty temporary file.
  CString number;
  number.Format("%d", m_config.m_nScanner);
  ErrorBox(IDS_SCAN_UNKNOWN_SCANNER, number);
  DeleteTemp();
  return FALSE;
}

BOOL CScanRun::RunOstrel() {
  // Ostrel's program needs its support library; loaded only to see that it is there.
  HINSTANCE lumiq = AfxLoadLibrary("Lumiq.dll");
  if (!lumiq) {
    ErrorBox(IDS_SCAN_NO_LUMIQ);
    DeleteTemp();
    return FALSE;
  }
  AfxFreeLibrary(lumiq);

  CString program = GetProgramDirPath("Ostrel.exe");
  CString cmd = m_strTemp;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessA(program, cmd.GetBuffer(cmd.GetLength() + 1), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &si, &pi)) {
    cmd.ReleaseBuffer();
    ErrorBox(IDS_SCAN_NO_OSTREL);
    DeleteTemp();
    return FALSE;
  }
  cmd.ReleaseBuffer();
  ::CloseHandle(pi.hThread);
  const BOOL waited = WaitPumping(pi.hProcess, FALSE);
  ::CloseHandle(pi.hProcess);
  if (!waited) {
    DeleteTemp();
    return FALSE;
  }
  m_strScanned = m_strTemp;
  return TRUE;
}

CString CScanRun::FindRastrum() {
  HKEY key;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAppPathKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    char value[MAX_PATH] = {};
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    const LONG r = ::RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    ::RegCloseKey(key);
    if (r == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
      value[sizeof value - 1] = '\0';
      CString program = RstwBesideAppPath(value);
      if (FileExists(program)) return program;
    }
  }
  if (FileExists(m_config.m_strRSTWPath)) return m_config.m_strRSTWPath;

  CString ask;
  ask.LoadString(IDS_SCAN_LOCATE_RSTW);
  if (AfxMessageBox(ask, MB_OKCANCEL | MB_ICONWARNING) != IDOK) return CString();
  for (;;) {
    CFileDialogEx dlg(TRUE, "EXE", "RSTW.EXE", OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY,
                      "RSTW.EXE (rstw.exe)|rstw.exe||", m_pMainWnd);
    if (dlg.DoModal() != IDOK) return CString();
    CString chosen = dlg.GetPathName();
    if (FileExists(chosen)) return chosen;
  }
}

BOOL CScanRun::RunRastrum() {
  // Rastrum names its own file; the temporary one is not used.
  m_bSaveFirst = FALSE;
  DeleteTemp();
  CString program = FindRastrum();
  if (program.IsEmpty()) return FALSE;
  m_config.m_strRSTWPath = program;

  const CString folder = FolderOf(program);
  CString cmd = program + " -9 TEMP";
  char previous[MAX_PATH] = {};
  ::GetCurrentDirectoryA(sizeof previous, previous);
  ::SetCurrentDirectoryA(folder);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  const BOOL started = ::CreateProcessA(nullptr, cmd.GetBuffer(cmd.GetLength() + 1), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &si, &pi);
  cmd.ReleaseBuffer();
  if (!started) {
    ErrorBox(IDS_SCAN_NO_RASTRUM);
    ::SetCurrentDirectoryA(previous);
    return FALSE;
  }
  ::CloseHandle(pi.hThread);
  WaitPumping(pi.hProcess, TRUE);
  ::CloseHandle(pi.hProcess);
  ::SetCurrentDirectoryA(previous);

  const CString ini = folder + "\\RST.INI";
  CStdioFile file;
  if (!file.Open(ini, CFile::modeRead | CFile::shareDenyNone | CFile::typeText)) {
    ErrorBox(IDS_SCAN_NO_RSTINI, ini);
    return FALSE;
  }
  CString line, value;
  BOOL found = FALSE;
  while (!found && file.ReadString(line)) found = PrimaryFileOfLine(line, value);
  file.Close();
  if (CFrameWnd* frame = dynamic_cast<CFrameWnd*>(m_pMainWnd)) frame->ActivateFrame(-1);
  if (!found || value.IsEmpty()) return FALSE;
  m_strScanned = value;
  return TRUE;
}

BOOL CScanRun::WaitPumping(HANDLE hProcess, BOOL bMinimise) {
  if (m_pMainWnd && m_pMainWnd->m_hWnd) {
    m_pMainWnd->EnableWindow(FALSE);
    if (bMinimise) m_pMainWnd->ShowWindow(SW_MINIMIZE);
  }
  CWinApp* app = AfxGetApp();
  BOOL quit = FALSE;
  BOOL ok = TRUE;
  for (;;) {
    ::SleepEx(200, FALSE);
    MSG msg;
    while (!quit && ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!app || !app->PumpMessage()) quit = TRUE;
    }
    if (app) {
      LONG idle = 0;
      while (app->OnIdle(idle++)) {
      }
    }
    DWORD code = 0;
    if (!::GetExitCodeProcess(hProcess, &code)) {
      ok = FALSE;
      break;
    }
    if (code != STILL_ACTIVE) break;
  }
  if (m_pMainWnd && m_pMainWnd->m_hWnd) {
    m_pMainWnd->EnableWindow(TRUE);
    if (bMinimise) m_pMainWnd->ShowWindow(SW_RESTORE);
  }
  // The program's end is awaited before the loop ends; the quit asked meanwhile still comes.
  if (quit) ::PostQuitMessage(0);
  return ok;
}

// --- the commands ------------------------------------------------------------------------------

void CVLRApp::OnSelectSource() { ShowScannerFailure(CRaster::SelectSource(m_pMainWnd)); }

void CVLRApp::OnAcquire() {
  int result = 0;
  CRaster* raster = CRaster::FromScanner(m_pMainWnd, &result);
  if (!raster) {
    ShowScannerFailure(result);
    return;
  }
  CSaveRaster save;
  if (raster->IsValid() && save.SaveAs(raster)) {
    if (!OpenDocumentFile(save.m_strPath)) open_in_quick_view(save.m_strPath);
  }
  delete raster;
}

void CVLRApp::OnScan() {
  if (!m_pConfig) return;
  BOOL openAfter = TRUE;
  BOOL scanAgain = FALSE;
  CFrameWnd* frame = GetMainFrame();
  do {
    CScanRun run(*m_pConfig, m_pMainWnd);
    if (!run.RunProgram()) return;
    if (frame) frame->ActivateFrame(-1);
    CString scanned = run.m_strScanned;
    if (!FileExists(scanned)) {
      run.DeleteTemp();
      return;
    }
    if (run.m_bSaveFirst) {
      CRaster* raster = new CRaster(scanned);
      ::DeleteFileA(scanned);
      run.m_strTemp.Empty();
      if (!raster->IsValid()) {
        delete raster;
        ErrorBox(IDS_SCAN_UNSUPPORTED);
        return;
      }
      CSaveRaster save;
      save.m_bShowOptions = TRUE;
      save.m_bDisplayFile = openAfter;
      save.m_bScanAnother = scanAgain;
      const BOOL saved = save.SaveAs(raster);
      delete raster;
      if (!saved) return;
      openAfter = save.m_bDisplayFile;
      scanAgain = save.m_bScanAnother;
      scanned = save.m_strPath;
    }
    if (openAfter && !OpenDocumentFile(scanned)) open_in_quick_view(scanned);
    if (frame) frame->ActivateFrame(-1);
  } while (scanAgain);
}
