// Long operations: the feature that gives the long-operation brackets (GXGridState.h) their behaviour:
// nested levels with a status text each, a status-bar line with a percentage or a spinner, the wait
// cursor, pumping the window's messages while the operation works, and ESC, which asks whether to
// abort (and, where the operation offers it, whether to roll back). Everything the window system does
// for it goes through CGXLongOperationPlatform, so the feature runs and is tested without a window.
// Not for: the operations themselves, which set the percent and test the abort.
#ifndef GRID_CORE_GXLONGOPERATIONIMP_H
#define GRID_CORE_GXLONGOPERATIONIMP_H

#include "GXGridState.h"

// Nesting beyond this many levels is counted but has no text of its own.
enum { GX_LONGOP_MAXLEVEL = 64 };

// The process-wide record of the running long operation.
struct GX_LONGOP_STATE {
  DWORD nFirstDelay = 750;       // ms after a level starts before the first feedback
  DWORD nRepeatInterval = 1500;  // ms between later feedbacks
  BOOL bAskBeforeAbort = TRUE;
  CString sDefaultText = "Processing...";
  CString sDoneText = "Done.";
  CString sCancelHint = "Press ESC to cancel";
  int nPercent = -1;
  int nLevel = 0;
  int nTextLevelLimit = -1;
  BOOL bWaitCursor = FALSE;
  BOOL bCancelRequested = FALSE;
  BOOL bAborted = FALSE;
  BOOL bRollbackRequested = FALSE;
  BOOL bCancelAllowed = TRUE;
  BOOL bRollbackOffered = TRUE;
  CString sAbortQuestion = "Do you want to abort the operation?";
  LPCTSTR apszLevelText[GX_LONGOP_MAXLEVEL] = {};
  BYTE abLevelTextOwned[GX_LONGOP_MAXLEVEL] = {};
  char szStatusLine[128] = {};
  int nSpinner = 0;
  BOOL bFrameWindow = FALSE;  // a frame window shows the status line
};

GX_LONGOP_STATE* GXGetLongOperationState();

// What the long operations need of the window system. The default answers from a steady clock and
// does nothing else (no frame, no messages, no questions).
class CGXLongOperationPlatform {
 public:
  virtual ~CGXLongOperationPlatform() = default;
  virtual DWORD GetTickCount();
  // Whether the main window is a frame window that can show a status line.
  virtual BOOL FindFrameWindow() { return FALSE; }
  virtual void SetFrameStatusText(LPCTSTR pszText) { (void)pszText; }
  virtual void BeginWaitCursor() {}
  virtual void EndWaitCursor() {}
  // Dispatches the waiting messages except keyboard, mouse and command messages, which it drops; TRUE
  // when ESC or Ctrl+Break was among them.
  virtual BOOL PumpMessages() { return FALSE; }
  // The abort question: with rollback, 3 for Abort, 4 for Retry, 5 for Ignore; else 6 for Yes, 7 for No.
  virtual int AskAbort(LPCTSTR pszQuestion, BOOL bRollback) {
    (void)pszQuestion;
    (void)bRollback;
    return 7;
  }
};

// Installs the platform the feature uses (null: the default); the caller keeps ownership.
void GXSetLongOperationPlatform(CGXLongOperationPlatform* pPlatform);

class CGXLongOperationImp : public CGXAbstractLongOperationImp {
 public:
  void Begin(CGXLongOperation* pOp) override;
  void End(CGXLongOperation* pOp) override;
  void FreeStatusText(CGXLongOperation* pOp) override;
  BOOL SetStatusText(CGXLongOperation* pOp, LPCTSTR pszText, BOOL bCopy) override;
  BOOL CheckAbort(CGXLongOperation* pOp, BOOL* pbAbort) override;
  BOOL ShowProgress(CGXLongOperation* pOp) override;
  void ProcessMessages(CGXLongOperation* pOp) override;

 private:
  BOOL TooEarly(const CGXLongOperation* pOp, DWORD nNow) const;
  void SendStatusLine(const CGXLongOperation* pOp, BOOL bWithHint);
};

void InstallLongOperationImp();

#endif  // GRID_CORE_GXLONGOPERATIONIMP_H
