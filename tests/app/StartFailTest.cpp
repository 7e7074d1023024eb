// Start-up failures and their messages, in a program that carries the program's resources but
// not the toolkit's data: OLE that cannot start, a main frame without its resources, and the
// toolkit without its shape fonts each end the start with their own message.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>

#include "VLRApp.h"
#include "WinTestSupport.h"
#include "vector/ToolkitSession.h"

namespace {

class StartFailTest : public ::testing::Test {
 protected:
  void SetUp() override { vvtest::MessageBoxes::Install(); }
  void TearDown() override {
    if (app_) {
      if (app_->m_pMainWnd && app_->m_pMainWnd->m_hWnd) app_->m_pMainWnd->DestroyWindow();
      app_->m_pMainWnd = nullptr;
      vvtest::Pump(10);
      delete app_;
    }
  }
  BOOL Start() {
    app_ = new CVLRApp;
    EXPECT_TRUE(AfxWinInit(GetModuleHandleA(nullptr), nullptr, cmdLine_, SW_SHOWNORMAL));
    return app_->InitInstance();
  }
  const std::vector<std::string>& Messages() const { return vvtest::MessageBoxes::Get().texts; }

  char cmdLine_[3] = "/T";
  CVLRApp* app_ = nullptr;
};

TEST_F(StartFailTest, OleThatCannotStart) {
  // A thread already in the multithreaded apartment cannot take OLE's single-threaded one.
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  EXPECT_FALSE(Start());
  CoUninitialize();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "OLE initialization failed.  Make sure that the OLE libraries are the correct version.");
  EXPECT_EQ(app_->m_pMainWnd, nullptr);
}

TEST_F(StartFailTest, AMainFrameWithoutItsResources) {
  HINSTANCE own = AfxGetResourceHandle();
  AfxSetResourceHandle(GetModuleHandleA("kernel32.dll"));
  EXPECT_FALSE(Start());
  AfxSetResourceHandle(own);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "Can not load mainframe");
  EXPECT_EQ(app_->m_pMainWnd, nullptr);
  EXPECT_EQ(app_->m_pConfig, nullptr);
}

TEST_F(StartFailTest, TheToolkitWithoutItsFonts) {
  EXPECT_FALSE(Start());
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "Can not init DWG/DXF reader");
  EXPECT_FALSE(GetToolkitSession().IsCoreStarted());
  // The frame was made before the toolkit was asked; the settings were not read.
  EXPECT_NE(app_->m_pMainWnd, nullptr);
  EXPECT_EQ(app_->m_pConfig, nullptr);
}

}  // namespace
