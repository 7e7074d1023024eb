// Scanning through the system's TWAIN source manager (Wine's own) against a data source of the
// tests' own (TwainTestSource.cpp), installed where the manager loads sources for the cases:
// the raster acquired holds the source's bitonal page pixel for pixel, and Acquire saves the page
// through the save-raster dialogs and opens it as a new raster document.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "Helpers.h"
#include "Raster.h"
#include "VLRApp.h"
#include "VLRDoc.h"
#include "WinTestSupport.h"
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

// Where Wine's source manager looks for sources: it loads the sources it knows by name from its
// folder, and the scanner-access source's name is free where that source is not installed. The
// test source takes that place while the cases run.
std::string SourcePath() {
  char win[MAX_PATH];
  GetWindowsDirectoryA(win, sizeof win);
  return std::string(win) + (sizeof(void*) == 8 ? "\\twain_64" : "\\twain_32");
}

std::string ReadAll(const std::string& path) {
  std::string bytes;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return bytes;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
  fclose(f);
  return bytes;
}

bool IsBlackSquare(int x, int y) { return (x / 8 + y / 8) % 2 == 0; }

// Answers the dialogs of the save road as a person would: the format dialog with its first
// choice, the file dialog with the path given; any other dialog (a source selection) with OK.
class DialogAnswerer {
 public:
  explicit DialogAnswerer(std::string path) : path_(std::move(path)), thread_([this] { Run(); }) {}
  ~DialogAnswerer() {
    stop_ = true;
    thread_.join();
  }
  int answered() const { return answered_; }

 private:
  static BOOL CALLBACK Answer(HWND hwnd, LPARAM lp) {
    auto* self = reinterpret_cast<DialogAnswerer*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[16] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (pid != GetCurrentProcessId() || std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
    // The file dialog has its file name box (edt1, or the combo box cmb13 that holds it).
    for (int id : {0x480, 0x47C}) {
      if (HWND name = GetDlgItem(hwnd, id)) SetWindowTextA(name, self->path_.c_str());
    }
    PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
    ++self->answered_;
    return TRUE;
  }
  void Run() {
    while (!stop_) {
      EnumWindows(Answer, reinterpret_cast<LPARAM>(this));
      Sleep(300);
    }
  }
  std::string path_;
  std::atomic<bool> stop_{false};
  std::atomic<int> answered_{0};
  std::thread thread_;
};

class TwainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vvtest::MessageBoxes::Install();
    const std::string folder = SourcePath();
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string ours = TestFolder() + "\\twain_test_source.dll";
    const std::string place = folder + "\\sane.ds";
    // The manager keeps a source it loaded until its process ends, so an earlier run may have left
    // ours there; a real scanner-access source is never replaced.
    if (GetFileAttributesA(place.c_str()) != INVALID_FILE_ATTRIBUTES && ReadAll(place) != ReadAll(ours)) {
      GTEST_SKIP() << "a scanner-access source is installed";
    }
    CopyFileA(ours.c_str(), place.c_str(), FALSE);
    ASSERT_EQ(ReadAll(place), ReadAll(ours));
    installed_ = true;
    app_ = new CTestDocApp(800, 600);
    ASSERT_TRUE(AfxWinInit(GetModuleHandleA(nullptr), nullptr, cmdLine_, SW_SHOWNORMAL));
    ASSERT_TRUE(app_->InitInstance());
  }
  void TearDown() override {
    if (app_) vvtest::DestroyTestDocApp(app_);
    if (installed_) {
      // The manager holds the loaded source until the process ends: it is moved out of the
      // manager's way (every other program of the prefix would find it) and removed when it can.
      const std::string place = SourcePath() + "\\sane.ds";
      const std::string gone = TempDir() + "vv_twain_test_source_" + std::to_string(GetCurrentProcessId()) + ".ds";
      if (!DeleteFileA(place.c_str()) && MoveFileExA(place.c_str(), gone.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(gone.c_str());
      }
    }
  }
  static const std::vector<std::string>& Messages() { return vvtest::MessageBoxes::Get().texts; }

  char cmdLine_[1] = {0};
  CTestDocApp* app_ = nullptr;
  bool installed_ = false;
};

TEST_F(TwainTest, TheAcquiredRasterHoldsTheSourcesPage) {
  int result = 1;
  CRaster* raster = CRaster::FromScanner(app_->m_pMainWnd, &result);
  ASSERT_NE(raster, nullptr) << ImgGetErrorText(result);
  EXPECT_EQ(result, 0);
  ImgInfoBlock info = {};
  ASSERT_GE(ImgGetInfo(raster->m_hImage, &info), 0);
  EXPECT_EQ(info.width, 64);
  EXPECT_EQ(info.height, 48);
  EXPECT_EQ(info.bitsPerPixel, 1);

  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 64, 48);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bmp);
  ASSERT_GE(ImgDrawToDc(raster->m_hImage, dc, 0, 0, 64, 48), 0);
  int wrong = 0;
  for (int y = 4; y < 48; y += 8)
    for (int x = 4; x < 64; x += 8) {
      const bool black = (GetPixel(dc, x, y) & 0xFFFFFF) == 0;
      wrong += black != IsBlackSquare(x, y);
    }
  EXPECT_EQ(wrong, 0);
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  delete raster;
}

TEST_F(TwainTest, AcquireSavesThePageAndOpensItAsANewDocument) {
  const std::string path = TempDir() + "vv_twain_page.tif";
  DeleteFileA(path.c_str());
  {
    DialogAnswerer answerer(path);
    app_->OnAcquire();
    vvtest::Pump(30);
  }
  EXPECT_TRUE(Messages().empty()) << Messages()[0];
  CVLRDoc* doc = static_cast<CVLRDoc*>(FindOpenDocument(path.c_str()));
  ASSERT_NE(doc, nullptr);
  ASSERT_TRUE(doc->IsRaster());
  EXPECT_EQ(doc->m_pRaster->m_nWidth, 64);
  EXPECT_EQ(doc->m_pRaster->m_nHeight, 48);
  app_->CloseAllDocuments(FALSE);
  DeleteFileA(path.c_str());
}

}  // namespace
