// The window-system side of long operations: the tick count, the main frame's status line, the wait
// cursor, pumping the thread's messages while dropping the user's input, and the ESC question.
#include <windows.h>

#include "GXLongOperationImp.h"

#include "FrameworkWin.h"

namespace {

class CGXWinLongOperationPlatform : public CGXLongOperationPlatform {
 public:
  DWORD GetTickCount() override { return ::GetTickCount(); }

  BOOL FindFrameWindow() override {
    CWnd* pMain = AfxGetMainWnd();
    CFrameWnd* pFrame = dynamic_cast<CFrameWnd*>(pMain);
    m_hFrame = pFrame != nullptr ? pFrame->m_hWnd : nullptr;
    return m_hFrame != nullptr;
  }

  void SetFrameStatusText(LPCTSTR pszText) override {
    if (m_hFrame != nullptr && ::IsWindow(m_hFrame))
      ::SendMessageA(m_hFrame, WM_SETMESSAGESTRING, 0, (LPARAM)pszText);
  }

  void BeginWaitCursor() override { m_hOldCursor = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT)); }

  void EndWaitCursor() override { ::SetCursor(m_hOldCursor != nullptr ? m_hOldCursor : ::LoadCursor(nullptr, IDC_ARROW)); }

  // Painting and timers go on; the user's keys, clicks and commands are dropped, except that ESC and
  // Ctrl+Break ask to cancel. The number of messages per call is bounded so that a window that keeps
  // posting cannot hold the operation.
  BOOL PumpMessages() override {
    BOOL bCancel = FALSE;
    MSG msg;
    for (int n = 0; n < 1000 && ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); ++n) {
      if (msg.message == WM_QUIT)
        break;
      if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        break;
      if (msg.message == WM_KEYDOWN && (msg.wParam == VK_ESCAPE || msg.wParam == VK_CANCEL))
        bCancel = TRUE;
      const bool bInput = (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) ||
                          (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) ||
                          (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCMBUTTONDBLCLK) ||
                          msg.message == WM_COMMAND;
      if (bInput) {
        ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
        continue;
      }
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
    return bCancel;
  }

  int AskAbort(LPCTSTR pszQuestion, BOOL bRollback) override {
    const UINT nType = bRollback ? MB_ABORTRETRYIGNORE | MB_ICONQUESTION : MB_YESNO | MB_ICONQUESTION;
    return ::MessageBoxA(m_hFrame, pszQuestion, AfxGetAppName(), nType | MB_TASKMODAL);
  }

 private:
  HWND m_hFrame = nullptr;
  HCURSOR m_hOldCursor = nullptr;
};

}  // namespace

void GXInstallWinLongOperationPlatform() {
  static CGXWinLongOperationPlatform s_platform;
  GXSetLongOperationPlatform(&s_platform);
}
