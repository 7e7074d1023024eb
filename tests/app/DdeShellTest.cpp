// The shell's DDE commands as the shell sends them: a client window talks to the real
// Vellview.exe on the "System" topic and checks the answers, the documents' windows, the main
// window's state and the clipboard.
#include <windows.h>
#include <dde.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AppTestSupport.h"

namespace {

struct ClientLog {
  HWND server = nullptr;
  int initiateAcks = 0;
  int executeAcks = 0;
  UINT_PTR lastStatus = 0;
};
ClientLog g_log;

LRESULT CALLBACK ClientProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DDE_ACK) {
    if (!g_log.server) {
      g_log.server = reinterpret_cast<HWND>(wParam);
      GlobalDeleteAtom(LOWORD(lParam));
      GlobalDeleteAtom(HIWORD(lParam));
      ++g_log.initiateAcks;
    } else {
      UINT_PTR data = 0;
      UnpackDDElParam(WM_DDE_ACK, lParam, &g_log.lastStatus, &data);
      FreeDDElParam(WM_DDE_ACK, lParam);
      GlobalFree(reinterpret_cast<HGLOBAL>(data));
      ++g_log.executeAcks;
    }
    return 0;
  }
  return DefWindowProcA(hWnd, msg, wParam, lParam);
}

bool PumpUntil(bool (*done)(), DWORD ms) {
  DWORD start = GetTickCount();
  MSG m;
  while (!done()) {
    if (GetTickCount() - start > ms) return false;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    Sleep(5);
  }
  return true;
}

class DdeShellTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = vvapptest::MakeTempFolder("vv_dde_test");
    for (const char* name : {"a.tif", "b.tif", "c.tif", "d.tif"}) vvapptest::WriteTiff(folder_ + name, 16, 8, 100);
    // Files that open nothing must not wait on a message box of the quick viewer.
    std::string ini = vvapptest::ProfilePath("Vellview");
    WritePrivateProfileStringA("Config", "UseQuickView", "0", ini.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());

    std::string exe = vvapptest::ProgramDir() + "..\\..\\app\\Vellview.exe";
    std::string cmd = "\"" + exe + "\" /T";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    ASSERT_TRUE(CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process_));

    WNDCLASSA wc = {};
    wc.lpfnWndProc = &ClientProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VVShellDdeClient";
    RegisterClassA(&wc);
    client_ = CreateWindowA("VVShellDdeClient", "client", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    // The program answers once its main frame stands.
    DWORD start = GetTickCount();
    while (!g_log.server && GetTickCount() - start < 60000) {
      ATOM app = GlobalAddAtomA("Vellview");
      ATOM topic = GlobalAddAtomA("System");
      DWORD_PTR result;
      SendMessageTimeoutA(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(client_), MAKELPARAM(app, topic),
                          SMTO_ABORTIFHUNG, 2000, &result);
      GlobalDeleteAtom(app);
      GlobalDeleteAtom(topic);
      if (!g_log.server) Sleep(200);
    }
  }
  static void TearDownTestSuite() {
    if (process_.hProcess) {
      if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(process_.hProcess, 1);
      CloseHandle(process_.hThread);
      CloseHandle(process_.hProcess);
    }
    DestroyWindow(client_);
  }
  void SetUp() override { ASSERT_NE(g_log.server, nullptr) << "Vellview.exe did not answer on the System topic"; }

  // Posts the command and waits for its answer; true when the program handled it.
  static bool Execute(const std::string& command) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, command.size() + 1);
    memcpy(GlobalLock(h), command.c_str(), command.size() + 1);
    GlobalUnlock(h);
    static int before;
    before = g_log.executeAcks;
    EXPECT_TRUE(PostMessageA(g_log.server, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(client_),
                             PackDDElParam(WM_DDE_EXECUTE, 0, reinterpret_cast<UINT_PTR>(h))));
    EXPECT_TRUE(PumpUntil([] { return g_log.executeAcks > before; }, 30000)) << command;
    return (g_log.lastStatus & 0x8000) != 0;
  }

  // The titles of the document windows, sorted.
  static std::vector<std::string> Documents() {
    std::vector<std::string> titles;
    HWND mdi = FindWindowExA(g_log.server, nullptr, "MDICLIENT", nullptr);
    for (HWND w = GetWindow(mdi, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
      char title[MAX_PATH] = "";
      GetWindowTextA(w, title, sizeof title);
      titles.push_back(title);
    }
    std::sort(titles.begin(), titles.end());
    return titles;
  }

  static std::string folder_;
  static PROCESS_INFORMATION process_;
  static HWND client_;
};

std::string DdeShellTest::folder_;
PROCESS_INFORMATION DdeShellTest::process_ = {};
HWND DdeShellTest::client_ = nullptr;

using Titles = std::vector<std::string>;

TEST_F(DdeShellTest, OpenFileWorksOffItsListAndCloseFileClosesOneOrAll) {
  EXPECT_TRUE(Execute("#OPENFILE#|" + folder_ + "a.tif;" + folder_ + "b.tif;" + folder_ + "c.tif"));
  EXPECT_EQ(Documents(), (Titles{"a.tif", "b.tif", "c.tif"}));

  // The path compares without regard to case.
  std::string upper = folder_ + "B.TIF";
  EXPECT_TRUE(Execute("#CLOSEFILE#|" + upper));
  EXPECT_EQ(Documents(), (Titles{"a.tif", "c.tif"}));
  EXPECT_TRUE(Execute("#CLOSEFILE#|" + folder_ + "not-open.tif"));
  EXPECT_EQ(Documents(), (Titles{"a.tif", "c.tif"}));
  EXPECT_TRUE(Execute("#CLOSEFILE#"));
  EXPECT_EQ(Documents(), Titles{});

  // A first file that opens nothing does not strand the rest of the list.
  EXPECT_TRUE(Execute("#OPENFILE#|" + folder_ + "missing.tif;" + folder_ + "b.tif;;" + folder_ + "d.tif"));
  EXPECT_EQ(Documents(), (Titles{"b.tif", "d.tif"}));
  EXPECT_TRUE(Execute("#CLOSEFILE#"));
}

// Files of the list that are open already are brought forward and the list goes on past them.
TEST_F(DdeShellTest, OpenFileGoesOnPastFilesAlreadyOpen) {
  EXPECT_TRUE(Execute("#OPENFILE#|" + folder_ + "a.tif;" + folder_ + "b.tif"));
  EXPECT_EQ(Documents(), (Titles{"a.tif", "b.tif"}));
  EXPECT_TRUE(Execute("#OPENFILE#|" + folder_ + "c.tif;" + folder_ + "a.tif;" + folder_ + "b.tif;" + folder_ +
                      "d.tif"));
  EXPECT_EQ(Documents(), (Titles{"a.tif", "b.tif", "c.tif", "d.tif"}));
  EXPECT_TRUE(Execute("#CLOSEFILE#"));
}

TEST_F(DdeShellTest, CommandsTooShortForTheirFieldsAreRefused) {
  for (const char* command : {"#THUMB#", "#OPENFILE#", "#PRINT#", "#SLEEP#"}) {
    EXPECT_FALSE(Execute(command)) << command;
  }
  EXPECT_FALSE(Execute("#NOSUCHCOMMAND#|x"));
  // Still serving.
  EXPECT_TRUE(Execute("#OPENFILE#|" + folder_ + "a.tif"));
  EXPECT_EQ(Documents(), Titles{"a.tif"});
  EXPECT_TRUE(Execute("#PRINT#|" + folder_ + "a.tif;0"));
  EXPECT_TRUE(Execute("#PRINT#|" + folder_ + "nothing-open.tif;2;1;1;1;1;text"));
  EXPECT_TRUE(Execute("#CLOSEFILE#"));
}

TEST_F(DdeShellTest, WindowCommandsMoveTheMainWindowAndFallThrough) {
  EXPECT_FALSE(Execute("#MAXIMIZEWINDOW#"));
  EXPECT_TRUE(IsZoomed(g_log.server));
  EXPECT_FALSE(Execute("#MINIMIZEWINDOW#"));
  EXPECT_TRUE(IsIconic(g_log.server));
  EXPECT_FALSE(Execute("#RESTOREWINDOW#"));
  EXPECT_FALSE(IsIconic(g_log.server));
  EXPECT_TRUE(IsWindowVisible(g_log.server));
}

TEST_F(DdeShellTest, SleepHoldsTheProgramForItsTime) {
  DWORD start = GetTickCount();
  EXPECT_FALSE(Execute("#SLEEP#|300|and more"));
  EXPECT_GE(GetTickCount() - start, 300u);
}

TEST_F(DdeShellTest, ThumbOfAFileNoDocumentTakesIsItsShellIcon) {
  // A folder opens as no document.
  std::string path = folder_.substr(0, folder_.size() - 1);
  EXPECT_TRUE(Execute("#THUMB#|" + path));
  ASSERT_TRUE(OpenClipboard(client_));
  HBITMAP bmp = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  ASSERT_NE(bmp, nullptr);
  BITMAP bm = {};
  GetObjectA(bmp, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 128);
  EXPECT_EQ(bm.bmHeight, 128);
  HGLOBAL text = GetClipboardData(CF_TEXT);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::string(static_cast<const char*>(GlobalLock(text))), path);
  GlobalUnlock(text);
  // The program need not serve the clipboard any longer.
  EmptyClipboard();
  CloseClipboard();
  // A file a document takes is opened and closed again.
  EXPECT_TRUE(Execute("#THUMB#|" + folder_ + "a.tif"));
  EXPECT_EQ(Documents(), Titles{});
}

// Last: the program ends.
TEST_F(DdeShellTest, ZExitEndsTheProgramAndAnswersAsHandled) {
  EXPECT_TRUE(Execute("#EXIT#"));
  ASSERT_EQ(WaitForSingleObject(process_.hProcess, 30000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(process_.hProcess, &code);
  EXPECT_EQ(code, 0u);
}

}  // namespace
