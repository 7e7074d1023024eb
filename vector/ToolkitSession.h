// CToolkitSession: starts the drawing toolkit once for the process and stops it at exit. The
// program carries the toolkit's init data and two shape fonts as RCDATA resources 101 to 103;
// the session writes the fonts to temporary files, hands the toolkit readers over the init
// data, and starts the core, both reader sets and the display block.
// Not for: opening drawings (the vector drawing object) or the pen widths of a drawing.
#pragma once

#include <windows.h>

#include <cstdint>

#include "Str.h"

class CToolkitSession {
 public:
  CToolkitSession();
  virtual ~CToolkitSession();
  CToolkitSession(const CToolkitSession&) = delete;
  CToolkitSession& operator=(const CToolkitSession&) = delete;

  // Starts what is not started yet; the module's resources are read (null: the program).
  void Init(HINSTANCE module);

  BOOL IsInitialised() const { return m_bInitialised; }
  BOOL IsCoreStarted() const { return m_bCoreStarted; }
  uint16_t GetStatus() const { return m_nStatus; }
  const CString& GetOemFontPath() const { return m_strOemFont; }
  const CString& GetAnsiFontPath() const { return m_strAnsiFont; }

  // The init-data hooks: a byte stream over RCDATA 101. Reads stop at the resource's end.
  static int16_t OpenInitData();
  static int ReadInitDataByte();
  static size_t ReadInitDataBlock(void* buffer, size_t n);
  static void DoNothing();

 private:
  HINSTANCE m_hModule = nullptr;
  CString m_strOemFont;   // temporary file holding RCDATA 102
  CString m_strAnsiFont;  // temporary file holding RCDATA 103
  BOOL m_bCoreStarted = FALSE;
  BOOL m_bInitialised = FALSE;
  uint16_t m_nStatus = 0;  // the core's start-up status; 65534 when the display block failed
};

// The process's one session.
CToolkitSession& GetToolkitSession();
// Starts the toolkit unless it is started; nonzero when it is.
// The toolkit's critical-error report (installed with the host layer at start-up): a message box
// with the failure's text.
void OnDwgCriticalError(int16_t kind);

BOOL InitDwgToolkitOnce(HINSTANCE module);
// The program module's folder (with its final "\") followed by name.
CString GetModuleRelativePath(const CString& name);
