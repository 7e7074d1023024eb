// The shell's DDE conversation with the main frame, driven by a client window as the shell
// drives it: initiate on the "System" topic, execute command strings, terminate. The
// application's OnDDECommand must see each string exactly; an unknown one is answered as not
// handled.
#include <windows.h>
#include <dde.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FrameWnd.h"
#include "TestResource.h"
#include "WinApp.h"
#include "WinTestSupport.h"

namespace {

class CTestApp : public CWinApp {
 public:
  std::vector<std::string> commands;
  BOOL InitInstance() override {
    CMDIFrameWnd* frame = new CMDIFrameWnd;
    if (!frame->LoadFrame(IDR_MAINFRAME)) return FALSE;
    m_pMainWnd = frame;
    EnableShellOpen();
    return TRUE;
  }
  BOOL OnDDECommand(LPSTR lpszCommand) override {
    commands.push_back(lpszCommand);
    if (strncmp(lpszCommand, "#OPENFILE#", 10) == 0) return TRUE;
    return CWinApp::OnDDECommand(lpszCommand);
  }
};

// What the client window saw.
struct ClientLog {
  HWND server = nullptr;
  std::string ackApp, ackTopic;
  int initiateAcks = 0;
  int executeAcks = 0;
  UINT_PTR lastStatus = 0;
  UINT_PTR lastData = 0;
  bool terminated = false;
};
ClientLog g_log;

std::string AtomName(ATOM a) {
  char name[256];
  UINT n = GlobalGetAtomNameA(a, name, sizeof name);
  return std::string(name, n);
}

LRESULT CALLBACK ClientProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DDE_ACK:
      if (!g_log.server || g_log.initiateAcks == 0) {
        // The answer to the initiate: sent, with the server's atoms, which the client deletes.
        g_log.server = reinterpret_cast<HWND>(wParam);
        g_log.ackApp = AtomName(LOWORD(lParam));
        g_log.ackTopic = AtomName(HIWORD(lParam));
        GlobalDeleteAtom(LOWORD(lParam));
        GlobalDeleteAtom(HIWORD(lParam));
        ++g_log.initiateAcks;
      } else {
        UnpackDDElParam(WM_DDE_ACK, lParam, &g_log.lastStatus, &g_log.lastData);
        FreeDDElParam(WM_DDE_ACK, lParam);
        ++g_log.executeAcks;
      }
      return 0;
    case WM_DDE_TERMINATE:
      g_log.terminated = true;
      return 0;
  }
  return DefWindowProcA(hWnd, msg, wParam, lParam);
}

class DdeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log = ClientLog();
    vvtest::MessageBoxes::Install();
    app_ = new CTestApp;
    ASSERT_TRUE(AfxWinInit(GetModuleHandleA(nullptr), nullptr, cmdLine_, SW_SHOWNORMAL));
    ASSERT_TRUE(app_->InitInstance());
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &ClientProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VVDdeTestClient";
    RegisterClassA(&wc);
    client_ = CreateWindowA("VVDdeTestClient", "client", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(client_, nullptr);
  }
  void TearDown() override {
    DestroyWindow(client_);
    if (app_->m_pMainWnd) app_->m_pMainWnd->DestroyWindow();
    vvtest::Pump(10);
    delete app_;
  }

  // Broadcasts the initiate as the shell does; the answer arrives during the call.
  void Initiate(const char* appName, const char* topic) {
    ATOM aApp = appName ? GlobalAddAtomA(appName) : 0;
    ATOM aTopic = topic ? GlobalAddAtomA(topic) : 0;
    DWORD_PTR result;
    SendMessageTimeoutA(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(client_), MAKELPARAM(aApp, aTopic),
                        SMTO_ABORTIFHUNG, 2000, &result);
    if (aApp) GlobalDeleteAtom(aApp);
    if (aTopic) GlobalDeleteAtom(aTopic);
  }

  // Posts one command string and waits for its acknowledgement; true when it was handled.
  bool Execute(const std::string& command) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, command.size() + 1);
    memcpy(GlobalLock(h), command.c_str(), command.size() + 1);
    GlobalUnlock(h);
    int before = g_log.executeAcks;
    EXPECT_TRUE(PostMessageA(g_log.server, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(client_),
                             PackDDElParam(WM_DDE_EXECUTE, 0, reinterpret_cast<UINT_PTR>(h))));
    EXPECT_TRUE(vvtest::PumpUntil([&] { return g_log.executeAcks > before; }));
    // The acknowledgement gives the command block back to its owner, the client.
    EXPECT_EQ(g_log.lastData, reinterpret_cast<UINT_PTR>(h));
    GlobalFree(h);
    return (g_log.lastStatus & 0x8000) != 0;
  }

  char cmdLine_[1] = "";
  CTestApp* app_ = nullptr;
  HWND client_ = nullptr;
};

TEST_F(DdeTest, TheShellsConversationOnTheSystemTopic) {
  Initiate("framework_win_dde_test", "System");
  ASSERT_EQ(g_log.initiateAcks, 1);
  EXPECT_EQ(g_log.server, app_->m_pMainWnd->m_hWnd);
  EXPECT_EQ(_stricmp(g_log.ackApp.c_str(), "framework_win_dde_test"), 0) << g_log.ackApp;
  EXPECT_EQ(_stricmp(g_log.ackTopic.c_str(), "System"), 0) << g_log.ackTopic;

  const std::string open = "#OPENFILE#|C:\\Drawings\\a plan.tif;C:\\b.dwg";
  EXPECT_TRUE(Execute(open));
  EXPECT_FALSE(Execute("#NOSUCHCOMMAND#|x"));
  ASSERT_EQ(app_->commands.size(), 2u);
  EXPECT_EQ(app_->commands[0], open);
  EXPECT_EQ(app_->commands[1], "#NOSUCHCOMMAND#|x");

  PostMessageA(g_log.server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(client_), 0);
  EXPECT_TRUE(vvtest::PumpUntil([] { return g_log.terminated; }));
}

TEST_F(DdeTest, OnlyTheProgramAndTopicItServesAreAnswered) {
  Initiate("framework_win_dde_test", "Other");
  Initiate("SomeOtherProgram", "System");
  EXPECT_EQ(g_log.initiateAcks, 0);
  // A client that names no program (a wildcard) finds the server by its topic.
  Initiate(nullptr, "system");
  EXPECT_EQ(g_log.initiateAcks, 1);
}

}  // namespace
