// The scanning commands under Wine, against a stand-in scanning program registered as the
// system registers the real one: the Rastrum road end to end (found through App Paths, run with
// " -9 TEMP", its RST.INI read, the scanned file opened), the result files that name nothing,
// the search that ends at the user's Cancel, the setting's path, the Ostrel road without and
// with its support library (messages pumped while it runs, an unreadable scan refused and
// removed), an unknown scanner setting refused, and Select source and Acquire with no TWAIN
// source that delivers.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "Helpers.h"
#include "MainFrm.h"
#include "Scan.h"
#include "VLRApp.h"
#include "VLRDoc.h"
#include "WinTestSupport.h"
#include "resource.h"
#include "tests/app/win32/DocAppFixture.h"
#include "zeri8v98.h"

namespace {

using vvtest::TempDir;

std::string TestFolder() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string s = path;
  return s.substr(0, s.rfind('\\'));
}

std::string LoadText(UINT id) {
  CString s;
  s.LoadString(id);
  return static_cast<LPCSTR>(s);
}

int CountTempFiles() {
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA((TempDir() + "VLR*.tmp").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return 0;
  int n = 0;
  do ++n;
  while (FindNextFileA(h, &data));
  FindClose(h);
  return n;
}

class ScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vvtest::MessageBoxes::Install();
    app_ = new CTestDocApp(800, 600);
    ASSERT_TRUE(AfxWinInit(GetModuleHandleA(nullptr), nullptr, cmdLine_, SW_SHOWNORMAL));
    ASSERT_TRUE(app_->InitInstance());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, CScanRun::kAppPathKey);
    rastrum_ = TempDir() + "vv_rastrum";
    CreateDirectoryA(rastrum_.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((TestFolder() + "\\scan_stub.exe").c_str(), (rastrum_ + "\\RSTW.EXE").c_str(), FALSE));
    SetEnvironmentVariableA("VV_SCAN_STUB_INI", nullptr);
  }
  void TearDown() override {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, CScanRun::kAppPathKey);
    vvtest::DestroyTestDocApp(app_);
    for (const char* name : {"RSTW.EXE", "RST.INI", "SCAN.BMP"}) DeleteFileA((rastrum_ + "\\" + name).c_str());
    RemoveDirectoryA(rastrum_.c_str());
    DeleteFileA((TestFolder() + "\\Lumiq.dll").c_str());
    DeleteFileA((TestFolder() + "\\Ostrel.exe").c_str());
  }
  // The installer's path under App Paths, as the Rastrum set-up leaves it.
  void RegisterRastrum() {
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, CScanRun::kAppPathKey, &key), ERROR_SUCCESS);
    const std::string value = rastrum_ + "\\RSF.EXE";
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
  }
  CConfig& Config() { return *app_->m_pConfig; }
  static const std::vector<std::string>& Messages() { return vvtest::MessageBoxes::Get().texts; }

  char cmdLine_[1] = {0};
  CTestDocApp* app_ = nullptr;
  std::string rastrum_;
};

TEST_F(ScanTest, RastrumFoundThroughAppPathsScansAndTheFileOpens) {
  RegisterRastrum();
  Config().m_nScanner = 1;
  Config().m_strRSTWPath = "";
  const int tempsBefore = CountTempFiles();
  app_->OnScan();
  vvtest::Pump(30);
  EXPECT_TRUE(Messages().empty()) << Messages()[0];
  EXPECT_STREQ(Config().m_strRSTWPath, (rastrum_ + "\\RSTW.EXE").c_str());
  EXPECT_EQ(CountTempFiles(), tempsBefore);
  EXPECT_TRUE(app_->m_pMainWnd->IsWindowEnabled());
  EXPECT_FALSE(app_->m_pMainWnd->IsIconic());
  // The scanned page is open as a document, with the stand-in's pixels.
  CVLRDoc* doc = static_cast<CVLRDoc*>(FindOpenDocument((rastrum_ + "\\SCAN.BMP").c_str()));
  ASSERT_NE(doc, nullptr);
}

TEST_F(ScanTest, ResultFilesThatNameNothingEndTheScan) {
  static const struct {
    const char* mode;
    bool message;
  } cases[] = {{"nokey", false}, {"bare", false}, {"none", true}};
  RegisterRastrum();
  Config().m_nScanner = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    vvtest::MessageBoxes::Get().texts.clear();
    SetEnvironmentVariableA("VV_SCAN_STUB_INI", c.mode);
    CScanRun run(Config(), app_->m_pMainWnd);
    EXPECT_FALSE(run.RunProgram());
    EXPECT_TRUE(run.m_strScanned.IsEmpty());
    if (c.message) {
      CString expected;
      AfxFormatString1(expected, IDS_SCAN_NO_RSTINI, (rastrum_ + "\\RST.INI").c_str());
      ASSERT_EQ(Messages().size(), 1u);
      EXPECT_EQ(Messages()[0], static_cast<LPCSTR>(expected));
    } else {
      EXPECT_TRUE(Messages().empty());
    }
  }
}

TEST_F(ScanTest, RastrumFromTheSettingOrAskedForUntilCancel) {
  Config().m_nScanner = 1;
  // Nothing registered, no setting: the user is asked, and Cancel ends it with the setting kept.
  Config().m_strRSTWPath = "";
  vvtest::MessageBoxes::Get().answers.push_back(IDCANCEL);
  {
    CScanRun run(Config(), app_->m_pMainWnd);
    EXPECT_FALSE(run.RunProgram());
  }
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], LoadText(IDS_SCAN_LOCATE_RSTW));
  EXPECT_STREQ(Config().m_strRSTWPath, "");

  // The setting's program is taken when nothing is registered.
  vvtest::MessageBoxes::Get().texts.clear();
  Config().m_strRSTWPath = (rastrum_ + "\\RSTW.EXE").c_str();
  CScanRun run(Config(), app_->m_pMainWnd);
  EXPECT_TRUE(run.RunProgram());
  EXPECT_STREQ(run.m_strScanned, (rastrum_ + "\\SCAN.BMP").c_str());
  EXPECT_FALSE(run.m_bSaveFirst);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ScanTest, RefusalsLeaveNoTemporaryFile) {
  static const struct {
    int scanner;
    const char* expected;  // null: the Lumiq message
  } cases[] = {{2, nullptr}, {7, "7"}, {-1, "-1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scanner);
    vvtest::MessageBoxes::Get().texts.clear();
    Config().m_nScanner = c.scanner;
    const int before = CountTempFiles();
    app_->OnScan();
    EXPECT_EQ(CountTempFiles(), before);
    ASSERT_EQ(Messages().size(), 1u);
    if (c.expected) {
      CString expected;
      AfxFormatString1(expected, IDS_SCAN_UNKNOWN_SCANNER, c.expected);
      EXPECT_EQ(Messages()[0], static_cast<LPCSTR>(expected));
    } else {
      EXPECT_EQ(Messages()[0], LoadText(IDS_SCAN_NO_LUMIQ));
    }
  }
  // No scanner chosen: nothing at all.
  vvtest::MessageBoxes::Get().texts.clear();
  Config().m_nScanner = 0;
  app_->OnScan();
  EXPECT_TRUE(Messages().empty());
}

int g_ticks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++g_ticks; }

TEST_F(ScanTest, OstrelRunsWithMessagesPumpedAndAnUnreadableScanIsRefused) {
  ASSERT_TRUE(CopyFileA((TestFolder() + "\\lumiq_stub.dll").c_str(), (TestFolder() + "\\Lumiq.dll").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((TestFolder() + "\\scan_stub.exe").c_str(), (TestFolder() + "\\Ostrel.exe").c_str(), FALSE));
  Config().m_nScanner = 2;
  const int before = CountTempFiles();
  g_ticks = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, CountTick);
  app_->OnScan();
  KillTimer(nullptr, timer);
  // The stand-in pauses 700 ms: the timer's messages came meanwhile.
  EXPECT_GT(g_ticks, 0);
  EXPECT_TRUE(app_->m_pMainWnd->IsWindowEnabled());
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], LoadText(IDS_SCAN_UNSUPPORTED));
  EXPECT_EQ(CountTempFiles(), before);
}

TEST_F(ScanTest, OstrelThatCannotStartIsToldAndLeavesNoTemporaryFile) {
  ASSERT_TRUE(CopyFileA((TestFolder() + "\\lumiq_stub.dll").c_str(), (TestFolder() + "\\Lumiq.dll").c_str(), FALSE));
  Config().m_nScanner = 2;
  const int before = CountTempFiles();
  app_->OnScan();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], LoadText(IDS_SCAN_NO_OSTREL));
  EXPECT_EQ(CountTempFiles(), before);
}

// Cancels the source manager's selection dialog when one appears, as a person would.
class DialogCanceller {
 public:
  DialogCanceller() : thread_([this] { Run(); }) {}
  ~DialogCanceller() {
    stop_ = true;
    thread_.join();
  }

 private:
  static BOOL CALLBACK Cancel(HWND hwnd, LPARAM) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[16] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (pid == GetCurrentProcessId() && std::strcmp(cls, "#32770") == 0 && IsWindowVisible(hwnd))
      PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
  }
  void Run() {
    while (!stop_) {
      EnumWindows(Cancel, 0);
      Sleep(50);
    }
  }
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// No source can deliver here (Wine's manager lists none that opens, or there is no manager):
// both commands end at once; a missing scanner is told in the library's words, a cancelled
// choice is not, and nothing opens.
TEST_F(ScanTest, SelectSourceAndAcquireWithoutASourceEndAtOnce) {
  DialogCanceller canceller;
  app_->OnSelectSource();
  app_->OnAcquire();
  EXPECT_LE(Messages().size(), 2u);
  for (const std::string& m : Messages()) EXPECT_EQ(m, ImgGetErrorText(-18));
  POSITION pos = app_->GetFirstDocTemplatePosition();
  ASSERT_NE(pos, nullptr);
  EXPECT_EQ(app_->GetNextDocTemplate(pos)->GetFirstDocPosition(), nullptr);
}

}  // namespace
