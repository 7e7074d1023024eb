// Helpers of the framework's Win32 test programs: pumping messages for a while or until
// something happened, and a message-box hook that records each box and answers it from a
// queue, so no test ever waits for a person.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "WinApp.h"
#include "Wnd.h"

namespace vvtest {

// Dispatches messages (through the application's PreTranslateMessage when there is one) until
// done() holds or the time is up; returns done().
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
  DWORD start = GetTickCount();
  MSG m;
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return done();
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) continue;
      CWinApp* app = AfxGetApp();
      if (app && app->PreTranslateMessage(&m)) continue;
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
    if (!done()) Sleep(1);
  }
  return true;
}

inline void Pump(DWORD ms = 50) {
  PumpUntil([] { return false; }, ms);
}

// The temporary folder, with its closing "\\".
inline std::string TempDir() {
  char dir[MAX_PATH];
  GetTempPathA(sizeof dir, dir);
  return dir;
}

// Records every framework message box; answers with the queued ids, IDOK when none is queued.
struct MessageBoxes {
  std::vector<std::string> texts;
  std::deque<int> answers;

  static MessageBoxes& Get() {
    static MessageBoxes boxes;
    return boxes;
  }
  static int Hook(LPCSTR text, UINT, UINT) {
    MessageBoxes& b = Get();
    b.texts.push_back(text ? text : "");
    if (b.answers.empty()) return IDOK;
    int a = b.answers.front();
    b.answers.pop_front();
    return a;
  }
  static void Install() {
    Get().texts.clear();
    Get().answers.clear();
    AfxSetMessageBoxHook(&Hook);
  }
};

}  // namespace vvtest
