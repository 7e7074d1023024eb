// The file dialog's results (single and multiple selections, read without running past the
// buffer), the filter it hands the system, a real open dialog driven by a timer, and a property
// sheet whose page checks its data before the sheet may close.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "CommonDialogs.h"
#include "TestResource.h"
#include "WinApp.h"
#include "WinTestSupport.h"

namespace {

class CTestApp : public CWinApp {
 public:
  BOOL InitInstance() override { return TRUE; }
};

class CommonDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vvtest::MessageBoxes::Install();
    ASSERT_TRUE(AfxWinInit(GetModuleHandleA(nullptr), nullptr, cmdLine_, SW_SHOWNORMAL));
  }
  char cmdLine_[1] = "";
  CTestApp app_;
};

struct SelectionCase {
  const char* name;
  bool multi;
  std::string buffer;  // as the system leaves it, zeros included
  std::vector<std::string> paths;
};

TEST_F(CommonDialogTest, SelectedPathsInTheDialogsOrder) {
  const SelectionCase cases[] = {
      {"single", false, std::string("C:\\dir\\a.tif\0", 13), {"C:\\dir\\a.tif"}},
      {"one of a multiple selection", true, std::string("C:\\dir\\a.tif\0\0", 14), {"C:\\dir\\a.tif"}},
      {"several", true, std::string("C:\\dir\0a.tif\0b plan.dwg\0\0", 25), {"C:\\dir\\a.tif", "C:\\dir\\b plan.dwg"}},
      {"in a root folder", true, std::string("C:\\\0a.tif\0b.dwg\0\0", 17), {"C:\\a.tif", "C:\\b.dwg"}},
      // A buffer full to its last byte, without the closing zeros: nothing is read past it.
      {"without its last zeros", true, std::string("C:\\d\0abc", 8), {"C:\\d\\abc"}},
  };
  for (const SelectionCase& c : cases) {
    SCOPED_TRACE(c.name);
    CFileDialog dlg(TRUE, nullptr, nullptr, c.multi ? OFN_ALLOWMULTISELECT : 0);
    std::vector<char> buffer(c.buffer.begin(), c.buffer.end());
    dlg.m_ofn.lpstrFile = buffer.data();
    dlg.m_ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    std::vector<std::string> got;
    for (POSITION pos = dlg.GetStartPosition(); pos;) got.push_back(std::string(dlg.GetNextPathName(pos)));
    EXPECT_EQ(got, c.paths);
    EXPECT_EQ(std::string(dlg.GetPathName()), c.paths[0]);
  }
  CFileDialog empty(TRUE);
  EXPECT_EQ(empty.GetStartPosition(), nullptr);
  EXPECT_TRUE(empty.GetPathName().IsEmpty());
}

TEST_F(CommonDialogTest, FilterPartsAreSeparatedByZeros) {
  CFileDialog dlg(TRUE, nullptr, nullptr, 0, "All files (*.*)|*.*|DWG (*.dwg)|*.dwg||");
  const char expected[] = "All files (*.*)\0*.*\0DWG (*.dwg)\0*.dwg\0\0";
  EXPECT_EQ(std::string(dlg.m_ofn.lpstrFilter, sizeof expected - 1), std::string(expected, sizeof expected - 1));
  EXPECT_EQ(dlg.GetFileName(), "");
}

// Timer steps against a dialog the system runs.
std::vector<std::function<void()>> g_steps;
size_t g_next = 0;
void CALLBACK StepTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (g_next < g_steps.size()) g_steps[g_next++]();
}

INT_PTR RunWithSteps(const std::function<INT_PTR()>& run, std::vector<std::function<void()>> steps) {
  g_steps = std::move(steps);
  g_next = 0;
  UINT_PTR timer = SetTimer(nullptr, 0, 100, &StepTimer);
  INT_PTR result = run();
  KillTimer(nullptr, timer);
  return result;
}

TEST_F(CommonDialogTest, OpenDialogReturnsTheChosenFile) {
  char dir[MAX_PATH];
  GetTempPathA(sizeof dir, dir);
  std::string path = std::string(dir) + "vv file dialog.tif";
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  CloseHandle(f);

  CFileDialog dlg(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
  HWND seen = nullptr;
  INT_PTR result = RunWithSteps([&] { return dlg.DoModal(); },
                                {[&] {
                                  // The dialog's window is the object's while it runs.
                                  seen = dlg.m_hWnd;
                                  if (!seen) return;
                                  HWND edit = GetDlgItem(seen, 0x47c);  // the file-name box
                                  if (!edit) edit = GetDlgItem(seen, 0x480);
                                  SetWindowTextA(edit, path.c_str());
                                  PostMessageA(seen, WM_COMMAND, IDOK, 0);
                                },
                                 [&] {
                                   // Still open: give up rather than hang.
                                   if (dlg.m_hWnd) PostMessageA(dlg.m_hWnd, WM_COMMAND, IDCANCEL, 0);
                                 }});
  ASSERT_NE(seen, nullptr);
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(_stricmp(dlg.GetPathName(), path.c_str()), 0) << dlg.GetPathName();
  EXPECT_EQ(dlg.GetFileExt(), "tif");
  EXPECT_EQ(dlg.GetFileTitle(), "vv file dialog");
  EXPECT_EQ(dlg.m_hWnd, nullptr);
  DeleteFileA(path.c_str());
}

class CNumberPage : public CPropertyPage {
 public:
  CNumberPage() : CPropertyPage(IDD_VALUES) {}
  int m_number = 42;
  int m_applied = 0;
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, IDC_NUMBER, m_number);
    DDV_MinMaxInt(pDX, m_number, 5, 1200);
  }
  BOOL OnApply() override {
    ++m_applied;
    return CPropertyPage::OnApply();
  }
};

TEST_F(CommonDialogTest, PropertySheetKeepsAPageWhoseDataFailsItsCheck) {
  CNumberPage first, second;
  CPropertySheet sheet("Settings");
  sheet.AddPage(&first);
  sheet.AddPage(&second);
  bool stillOpen = false;
  std::string shown;
  INT_PTR result = RunWithSteps([&] { return sheet.DoModal(); },
                                {[&] {
                                   char text[16] = "";
                                   GetDlgItemTextA(first.m_hWnd, IDC_NUMBER, text, sizeof text);
                                   shown = text;
                                   SetDlgItemTextA(first.m_hWnd, IDC_NUMBER, "4");
                                   sheet.EndDialog(IDOK);
                                 },
                                 [&] {
                                   stillOpen = sheet.m_hWnd && IsWindow(sheet.m_hWnd);
                                   SetDlgItemTextA(first.m_hWnd, IDC_NUMBER, "6");
                                   sheet.EndDialog(IDOK);
                                 },
                                 [&] {
                                   if (sheet.m_hWnd) sheet.EndDialog(IDCANCEL);
                                 }});
  EXPECT_EQ(shown, "42");
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(first.m_number, 6);
  EXPECT_EQ(first.m_applied, 1);
  ASSERT_EQ(vvtest::MessageBoxes::Get().texts.size(), 1u);
  EXPECT_EQ(vvtest::MessageBoxes::Get().texts[0], "Please enter an integer between 5 and 1200.");
  EXPECT_EQ(first.m_hWnd, nullptr);
}

}  // namespace
