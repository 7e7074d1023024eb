// The application object without windows: the profile in the INI file named after the
// program, the command line, the recent-file list with its profile section and menu items, and
// message boxes from the string table.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "Menu.h"
#include "TestResource.h"
#include "WinApp.h"
#include "WinTestSupport.h"

namespace {

class CTestApp : public CWinApp {
 public:
  BOOL InitInstance() override { return TRUE; }
};

std::string WindowsDir() {
  char dir[MAX_PATH];
  UINT n = GetWindowsDirectoryA(dir, sizeof dir);
  return std::string(dir, n);
}

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(AfxWinInit(GetModuleHandleA(nullptr), nullptr, cmdLine_, SW_SHOWNORMAL));
    profilePath_ = WindowsDir() + "\\" + app_.m_pszProfileName;
    DeleteFileA(profilePath_.c_str());
    vvtest::MessageBoxes::Install();
  }
  void TearDown() override { DeleteFileA(profilePath_.c_str()); }

  char cmdLine_[1] = "";
  CTestApp app_;
  std::string profilePath_;
};

TEST_F(AppTest, ProfileAndHelpFileAreNamedAfterTheProgram) {
  EXPECT_STREQ(app_.m_pszExeName, "framework_win_app_test");
  EXPECT_STREQ(app_.m_pszProfileName, "framework_win_app_test.INI");
  // The help file is the program's own path with ".HLP" for its extension.
  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, sizeof module);
  std::string help(module);
  help = help.substr(0, help.size() - 4) + ".HLP";
  EXPECT_STREQ(app_.m_pszHelpFilePath, help.c_str());
  EXPECT_EQ(app_.m_pszRegistryKey, nullptr);
  ASSERT_TRUE(app_.WriteProfileInt("Config", "Resolution", 400));
  EXPECT_NE(GetFileAttributesA(profilePath_.c_str()), INVALID_FILE_ATTRIBUTES) << profilePath_;
}

TEST_F(AppTest, ProfileValuesRoundTrip) {
  ASSERT_TRUE(app_.WriteProfileInt("Config", "Resolution", 400));
  ASSERT_TRUE(app_.WriteProfileInt("Config", "Offset", -25));
  ASSERT_TRUE(app_.WriteProfileString("Config", "RedlineDir", "C:\\Redline"));
  EXPECT_EQ(app_.GetProfileInt("Config", "Resolution", 0), 400u);
  EXPECT_EQ(static_cast<int>(app_.GetProfileInt("Config", "Offset", 0)), -25);
  EXPECT_EQ(app_.GetProfileInt("Config", "Missing", 77), 77u);
  EXPECT_EQ(app_.GetProfileString("Config", "RedlineDir"), "C:\\Redline");
  EXPECT_EQ(app_.GetProfileString("Config", "Missing", "none"), "none");
  EXPECT_EQ(app_.GetProfileString("Config", "Missing"), "");

  // Values longer than a first guess at the buffer come back whole.
  std::string longValue(3000, 'x');
  longValue += "end";
  ASSERT_TRUE(app_.WriteProfileString("Config", "Long", longValue.c_str()));
  EXPECT_EQ(std::string(app_.GetProfileString("Config", "Long")), longValue);

  // Writing a null value removes the key; a null key removes the section.
  ASSERT_TRUE(app_.WriteProfileString("Config", "RedlineDir", nullptr));
  EXPECT_EQ(app_.GetProfileString("Config", "RedlineDir", "gone"), "gone");
  ASSERT_TRUE(app_.WriteProfileString("Config", nullptr, nullptr));
  EXPECT_EQ(app_.GetProfileInt("Config", "Resolution", 5), 5u);
}

struct CommandLineCase {
  const char* cmdLine;
  BOOL showSplash;
  BOOL embedded;
  BOOL automated;
  int shellCommand;
  const char* fileName;
};

const CommandLineCase kCommandLines[] = {
    {"", TRUE, FALSE, FALSE, CCommandLineInfo::FileNew, ""},
    {"a.tif", TRUE, FALSE, FALSE, CCommandLineInfo::FileOpen, "a.tif"},
    {"\"C:\\My Drawings\\b.dwg\" /T", TRUE, FALSE, FALSE, CCommandLineInfo::FileOpen, "C:\\My Drawings\\b.dwg"},
    {"/Embedding", FALSE, TRUE, FALSE, CCommandLineInfo::FileNew, ""},
    {"-Embedding", FALSE, TRUE, FALSE, CCommandLineInfo::FileNew, ""},
    {"/Automation", FALSE, FALSE, TRUE, CCommandLineInfo::FileNew, ""},
    {"/p c.cal", TRUE, FALSE, FALSE, CCommandLineInfo::FilePrint, "c.cal"},
    {"/dde", TRUE, FALSE, FALSE, CCommandLineInfo::FileDDE, ""},
};

TEST_F(AppTest, ParseCommandLine) {
  for (const CommandLineCase& c : kCommandLines) {
    SCOPED_TRACE(c.cmdLine);
    std::string line = c.cmdLine;
    app_.m_lpCmdLine = &line[0];
    CCommandLineInfo info;
    app_.ParseCommandLine(info);
    EXPECT_EQ(info.m_bShowSplash, c.showSplash);
    EXPECT_EQ(info.m_bRunEmbedded, c.embedded);
    EXPECT_EQ(info.m_bRunAutomated, c.automated);
    EXPECT_EQ(info.m_nShellCommand, c.shellCommand);
    EXPECT_EQ(info.m_strFileName, c.fileName);
    EXPECT_EQ(app_.RunEmbedded(), c.embedded);
    EXPECT_EQ(app_.RunAutomated(), c.automated);
  }
  // A switch that only starts with the name is another switch.
  std::string line = "/EmbeddingX /Automations";
  app_.m_lpCmdLine = &line[0];
  EXPECT_FALSE(app_.RunEmbedded());
  EXPECT_FALSE(app_.RunAutomated());
  app_.m_lpCmdLine = nullptr;
}

TEST_F(AppTest, RecentFileListKeepsFourNewestFirstInItsProfileSection) {
  app_.LoadStdProfileSettings(4);
  for (const char* f : {"C:\\a.tif", "C:\\b.dwg", "C:\\c.dxf", "C:\\d.cal", "C:\\e.plt"}) app_.AddToRecentFileList(f);
  // Opening a listed file again (in another case) moves it up instead of listing it twice.
  app_.AddToRecentFileList("c:\\C.DXF");
  app_.SaveStdProfileSettings();

  const char* expected[] = {"c:\\C.DXF", "C:\\e.plt", "C:\\d.cal", "C:\\b.dwg"};
  for (int i = 0; i < 4; ++i) {
    std::string key = "File" + std::to_string(i + 1);
    EXPECT_EQ(app_.GetProfileString("Recent File List", key.c_str()), expected[i]) << key;
  }
  EXPECT_EQ(app_.GetProfileString("Recent File List", "File5", "none"), "none");

  // A new start reads the list back.
  app_.LoadStdProfileSettings(4);
  CMenu menu;
  ASSERT_TRUE(menu.CreatePopupMenu());
  menu.AppendMenu(MF_STRING, ID_FILE_OPEN, "&Open...");
  menu.AppendMenu(MF_STRING, ID_FILE_MRU_FILE1, "Recent File");
  menu.AppendMenu(MF_SEPARATOR);
  menu.AppendMenu(MF_STRING, ID_APP_EXIT, "E&xit");
  CCmdUI state;
  state.m_pMenu = &menu;
  state.m_nIndex = 1;
  state.m_nID = ID_FILE_MRU_FILE1;
  state.m_nIndexMax = menu.GetMenuItemCount();
  ASSERT_TRUE(app_.OnCmdMsg(ID_FILE_MRU_FILE1, CN_UPDATE_COMMAND_UI, &state, nullptr));
  ASSERT_EQ(menu.GetMenuItemCount(), 7u);
  const char* items[] = {"&1 c:\\C.DXF", "&2 C:\\e.plt", "&3 C:\\d.cal", "&4 C:\\b.dwg"};
  for (int i = 0; i < 4; ++i) {
    CString text;
    menu.GetMenuString(1 + i, text, MF_BYPOSITION);
    EXPECT_EQ(text, items[i]);
    EXPECT_EQ(menu.GetMenuItemID(1 + i), ID_FILE_MRU_FILE1 + i);
  }
  EXPECT_EQ(menu.GetMenuItemID(6), static_cast<UINT>(ID_APP_EXIT));
  // The walk over the menu goes on after the inserted items.
  EXPECT_EQ(state.m_nIndex, 4u);
}

TEST_F(AppTest, EmptyRecentFileListLeavesTheItemDisabled) {
  app_.LoadStdProfileSettings(4);
  CMenu menu;
  ASSERT_TRUE(menu.CreatePopupMenu());
  menu.AppendMenu(MF_STRING, ID_FILE_MRU_FILE1, "Recent File");
  CCmdUI state;
  state.m_pMenu = &menu;
  state.m_nID = ID_FILE_MRU_FILE1;
  app_.OnCmdMsg(ID_FILE_MRU_FILE1, CN_UPDATE_COMMAND_UI, &state, nullptr);
  EXPECT_EQ(menu.GetMenuItemCount(), 1u);
  EXPECT_TRUE(menu.GetMenuState(0, MF_BYPOSITION) & MF_GRAYED);
}

TEST_F(AppTest, MessageBoxesComeFromTheStringTableThroughTheHook) {
  vvtest::MessageBoxes::Get().answers.push_back(IDNO);
  EXPECT_EQ(AfxMessageBox(ID_CMD_DOC, MB_YESNO), IDNO);
  CString filled;
  AfxFormatString1(filled, IDS_TEMPLATE_MESSAGE, "a.tif");
  EXPECT_EQ(filled, "Cannot open 'a.tif': a.tif is locked.");
  EXPECT_EQ(AfxMessageBox(filled), IDOK);
  ASSERT_EQ(vvtest::MessageBoxes::Get().texts.size(), 2u);
  EXPECT_EQ(vvtest::MessageBoxes::Get().texts[0], "Does the document's part\nDocument");
  EXPECT_EQ(vvtest::MessageBoxes::Get().texts[1], "Cannot open 'a.tif': a.tif is locked.");
}

TEST_F(AppTest, SubStringsOfADocumentString) {
  const char* full = "\nTest\nTest\nTest Files (*.tst)\n.tst\nVellTest.Document\nVellTest Document";
  const char* parts[] = {"", "Test", "Test", "Test Files (*.tst)", ".tst", "VellTest.Document", "VellTest Document"};
  for (int i = 0; i < 7; ++i) {
    CString s;
    EXPECT_TRUE(AfxExtractSubString(s, full, i));
    EXPECT_EQ(s, parts[i]);
  }
  CString s;
  EXPECT_FALSE(AfxExtractSubString(s, full, 7));
  EXPECT_TRUE(s.IsEmpty());
}

TEST_F(AppTest, WaitCursorsNest) {
  {
    CWaitCursor outer;
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_WAIT));
    {
      CWaitCursor inner;
    }
    // The inner one ending leaves the outer one's wait cursor.
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_WAIT));
  }
  EXPECT_NE(GetCursor(), LoadCursorA(nullptr, IDC_WAIT));
}

}  // namespace
