// The small dialogs and controls of the application shell under Wine, driven by timer steps while
// the system runs their dialogs: the text entry dialog, the folder picker with the shell's folder
// browser and the old-style folder chooser, the file-name picker in both dialog styles with its
// replace question, the program's file dialog's record, and reading the registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <shlobj.h>

#include "AboutDlg.h"
#include "EnterText.h"
#include "FileDialogEx.h"
#include "GetFilenameControl.h"
#include "GetFolderControl.h"
#include "Helpers.h"
#include "resource.h"

namespace {

class CTestApp : public CWinApp {
 public:
  BOOL InitInstance() override { return TRUE; }
};

std::vector<std::string> g_boxes;
std::vector<int> g_answers;

int RecordMessageBox(LPCSTR text, UINT, UINT) {
  g_boxes.push_back(text ? text : "");
  if (g_answers.empty()) return IDOK;
  int a = g_answers.front();
  g_answers.erase(g_answers.begin());
  return a;
}

// Timer steps against a dialog the system runs, 100 ms apart. A step that returns false is
// tried again at the next tick (the dialog may not stand yet); after 20 s every dialog still
// open is cancelled, so a failing test ends instead of hanging.
std::vector<std::function<bool()>> g_steps;
size_t g_next = 0;
int g_ticks = 0;
HWND FindDialog();
void CALLBACK StepTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (++g_ticks > 200) {
    if (HWND d = FindDialog()) PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  if (g_next < g_steps.size() && g_steps[g_next]()) ++g_next;
}

void RunWithSteps(const std::function<void()>& run, std::vector<std::function<bool()>> steps) {
  g_steps = std::move(steps);
  g_next = 0;
  g_ticks = 0;
  UINT_PTR timer = SetTimer(nullptr, 0, 100, &StepTimer);
  run();
  KillTimer(nullptr, timer);
}

// The newest visible dialog window of this thread other than the given ones.
HWND g_exclude1 = nullptr, g_exclude2 = nullptr;
HWND FindDialog() {
  struct Search {
    HWND found = nullptr;
  } search;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND h, LPARAM lp) -> BOOL {
        char cls[16] = "";
        GetClassNameA(h, cls, sizeof cls);
        if (IsWindowVisible(h) && strcmp(cls, "#32770") == 0 && h != g_exclude1 && h != g_exclude2) {
          reinterpret_cast<Search*>(lp)->found = h;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string WindowText(HWND h) {
  char text[MAX_PATH] = "";
  GetWindowTextA(h, text, sizeof text);
  return text;
}

std::string TempFolder(const char* name) {
  char tmp[MAX_PATH];
  GetTempPathA(sizeof tmp, tmp);
  std::string dir = std::string(tmp) + name;
  CreateDirectoryA(dir.c_str(), nullptr);
  char full[MAX_PATH];
  GetLongPathNameA(dir.c_str(), full, sizeof full);
  return full;
}

// The hyperlink page's template holds a read-only edit control: the pickers' host.
class CPickerPage : public CDialog {
 public:
  CPickerPage() : CDialog(IDD_HLINK_PAGE) {}
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_FolderControl(pDX, IDC_HLINK_ADDRESS, m_folder, m_dwFolderFlags, "Select folder");
  }
  CGetFolderControl m_folder;
  DWORD m_dwFolderFlags = 0;
};

// The text entry template's edit control is writable: no picker can be made of it.
class CWritableHost : public CDialog {
 public:
  CWritableHost() : CDialog(IDD_ENTERTEXT) {}
  void DoDataExchange(CDataExchange* pDX) override { DDX_FolderControl(pDX, IDC_ENTER_TEXT, m_folder, 0, ""); }
  CGetFolderControl m_folder;
};

class SmallDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_boxes.clear();
    g_answers.clear();
    AfxSetMessageBoxHook(&RecordMessageBox);
    ASSERT_TRUE(AfxWinInit(GetModuleHandleA(nullptr), nullptr, cmdLine_, SW_SHOWNORMAL));
    ASSERT_TRUE(host_.CreateEx(0, AfxRegisterWndClass(0), "host", WS_POPUP | WS_VISIBLE, 0, 0, 500, 200, nullptr,
                               nullptr));
    g_exclude1 = g_exclude2 = nullptr;
  }
  void TearDown() override {
    host_.DestroyWindow();
    AfxSetMessageBoxHook(nullptr);
  }

  char cmdLine_[1] = "";
  CTestApp app_;
  CWnd host_;
};

TEST_F(SmallDialogsTest, EnterTextKeepsABlankTextAndTrimsTheRest) {
  CEnterText dlg;
  dlg.m_strCaption = "Name of the layer setting";
  dlg.m_strText = "proposal";
  dlg.m_nMaxLength = 12;
  std::string caption, shown;
  LRESULT limit = 0;
  bool openAfterBlank = false;
  HWND focusAfterBlank = nullptr, edit = nullptr;
  INT_PTR result = IDCANCEL;
  RunWithSteps([&] { result = dlg.DoModal(); },
               {[&] {
                  if (!dlg.m_hWnd || !IsWindowVisible(dlg.m_hWnd)) return false;
                  caption = WindowText(GetDlgItem(dlg.m_hWnd, IDC_ENTER_CAPTION));
                  edit = GetDlgItem(dlg.m_hWnd, IDC_ENTER_TEXT);
                  shown = WindowText(edit);
                  limit = SendMessageA(edit, EM_GETLIMITTEXT, 0, 0);
                  SetWindowTextA(edit, "  \t ");
                  SendMessageA(dlg.m_hWnd, WM_COMMAND, IDOK, 0);
                  openAfterBlank = IsWindow(dlg.m_hWnd) && IsWindowVisible(dlg.m_hWnd);
                  focusAfterBlank = GetFocus();
                  SetWindowTextA(edit, "  new name  ");
                  SendMessageA(dlg.m_hWnd, WM_COMMAND, IDOK, 0);
                  return true;
                },
                [&] {
                  if (dlg.m_hWnd) dlg.EndDialog(IDCANCEL);
                  return true;
                }});
  EXPECT_EQ(caption, "Name of the layer setting");
  EXPECT_EQ(shown, "proposal");
  EXPECT_EQ(limit, 12);
  EXPECT_TRUE(openAfterBlank);
  EXPECT_EQ(focusAfterBlank, edit);
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(dlg.m_strText, "new name");
  EXPECT_TRUE(g_boxes.empty());
}

TEST_F(SmallDialogsTest, FolderPickerGetsItsButtonAndKeepsItsTextWhenCancelled) {
  CWritableHost writable;
  // The dialog's first exchange, at its start, fails with the framework's message.
  ASSERT_TRUE(writable.Create(IDD_ENTERTEXT, &host_));
  EXPECT_EQ(g_boxes, std::vector<std::string>{"Unsupported operation was attempted."});
  EXPECT_EQ(writable.m_folder.m_hWnd, nullptr);
  writable.DestroyWindow();

  CPickerPage page;
  ASSERT_TRUE(page.Create(IDD_HLINK_PAGE, &host_));
  ASSERT_NE(page.m_folder.m_hWnd, nullptr);
  EXPECT_EQ(page.m_folder.m_strTitle, "Select folder");
  // The button: right of the edit, as high, a quarter as wide, "..." in the page's font.
  HWND button = page.m_folder.m_button.m_hWnd;
  ASSERT_NE(button, nullptr);
  RECT e, b;
  GetWindowRect(page.m_folder.m_hWnd, &e);
  GetWindowRect(button, &b);
  EXPECT_EQ(b.left, e.right);
  EXPECT_EQ(b.top, e.top);
  EXPECT_EQ(b.bottom, e.bottom);
  EXPECT_EQ(b.right - b.left, (e.right - e.left) / 4);
  EXPECT_EQ(WindowText(button), "...");
  EXPECT_EQ(SendMessageA(button, WM_GETFONT, 0, 0), SendMessageA(page.m_hWnd, WM_GETFONT, 0, 0));
  // A second exchange leaves the picker as it is.
  ASSERT_TRUE(page.UpdateData(FALSE));
  EXPECT_EQ(page.m_folder.m_button.m_hWnd, button);

  const std::string start = TempFolder("vv_folder_start");
  SetWindowTextA(page.m_folder.m_hWnd, start.c_str());
  g_exclude1 = page.m_hWnd;
  std::string browserTitle;
  RunWithSteps([&] { SendMessageA(button, BM_CLICK, 0, 0); },
               {[&] {
                  HWND browser = FindDialog();
                  if (!browser) return false;
                  browserTitle = WindowText(browser);
                  PostMessageA(browser, WM_COMMAND, IDCANCEL, 0);
                  return true;
                }});
  EXPECT_FALSE(browserTitle.empty()) << "the folder browser did not show";
  EXPECT_EQ(WindowText(page.m_folder.m_hWnd), start);

  // Taken, the browser gives the folder it started at.
  SetWindowTextA(page.m_folder.m_hWnd, start.c_str());
  RunWithSteps([&] { SendMessageA(button, BM_CLICK, 0, 0); },
               {[&] {
                  HWND browser = FindDialog();
                  if (!browser) return false;
                  PostMessageA(browser, WM_COMMAND, IDOK, 0);
                  return true;
                }});
  EXPECT_EQ(_stricmp(WindowText(page.m_folder.m_hWnd).c_str(), start.c_str()), 0)
      << WindowText(page.m_folder.m_hWnd);
  page.DestroyWindow();
}

TEST_F(SmallDialogsTest, OldStyleFolderChooserShowsOnlyFoldersAndGivesTheFolder) {
  const std::string start = TempFolder("vv_folder_old");
  CString path = start.c_str();
  bool fileListHidden = false, typesHidden = false;
  std::string name;
  BOOL chosen = FALSE;
  RunWithSteps([&] { chosen = ChooseFolder(path, &host_, kChooseFolderOldStyle, "Select folder"); },
               {[&] {
                  HWND dlg = FindDialog();
                  if (!dlg) return false;
                  fileListHidden = !IsWindowVisible(GetDlgItem(dlg, 0x460));
                  typesHidden = !IsWindowVisible(GetDlgItem(dlg, 0x470));
                  name = WindowText(GetDlgItem(dlg, 0x480));
                  PostMessageA(dlg, WM_COMMAND, IDOK, 0);
                  return true;
                }});
  EXPECT_TRUE(fileListHidden);
  EXPECT_TRUE(typesHidden);
  EXPECT_EQ(name, "Junk");
  EXPECT_TRUE(chosen);
  EXPECT_EQ(_stricmp(path, start.c_str()), 0) << path;

  // Cancelled: the path stays.
  CString kept = start.c_str();
  RunWithSteps([&] { chosen = ChooseFolder(kept, &host_, kChooseFolderOldStyle, ""); },
               {[&] {
                  HWND dlg = FindDialog();
                  if (!dlg) return false;
                  PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
                  return true;
                }});
  EXPECT_FALSE(chosen);
  EXPECT_EQ(kept, start.c_str());
}

TEST_F(SmallDialogsTest, FilenamePickerAsksBeforeTakingAnExistingFileInBothStyles) {
  const std::string folder = TempFolder("vv_filename_pick");
  const std::string existing = folder + "\\plan.tif";
  HANDLE f = CreateFileA(existing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  CloseHandle(f);
  CString question;
  AfxFormatString1(question, IDS_FILE_EXISTS, existing.c_str());

  for (DWORD style : {DWORD(0), kFilenameOldStyle}) {
    SCOPED_TRACE(style ? "old style" : "explorer style");
    CDialog page(IDD_HLINK_PAGE);
    ASSERT_TRUE(page.Create(IDD_HLINK_PAGE, &host_));
    g_exclude1 = page.m_hWnd;
    CGetFilenameControl picker;
    ASSERT_TRUE(picker.SubclassEdit(IDC_HLINK_ADDRESS, &page, kFilenameOverwritePrompt | style, "tif",
                                    "TIFF (*.tif)|*.tif|All files (*.*)|*.*||"));
    g_boxes.clear();
    g_answers = {IDNO, IDYES};
    std::string okCaption;
    bool openAfterNo = false;
    RunWithSteps([&] { SendMessageA(picker.m_button.m_hWnd, BM_CLICK, 0, 0); },
                 {[&] {
                    HWND dlg = FindDialog();
                    if (!dlg) return false;
                    okCaption = WindowText(GetDlgItem(dlg, IDOK));
                    HWND nameBox = GetDlgItem(dlg, 0x47c);  // the explorer dialog's name box
                    if (!nameBox) nameBox = GetDlgItem(dlg, 0x480);
                    SetWindowTextA(nameBox, existing.c_str());
                    SendMessageA(dlg, WM_COMMAND, IDOK, 0);
                    openAfterNo = IsWindow(dlg) && IsWindowVisible(dlg);
                    if (openAfterNo) PostMessageA(dlg, WM_COMMAND, IDOK, 0);
                    return true;
                  }});
    EXPECT_EQ(okCaption, "OK");
    EXPECT_TRUE(openAfterNo);
    EXPECT_EQ(g_boxes, (std::vector<std::string>{std::string(question), std::string(question)}));
    EXPECT_EQ(_stricmp(WindowText(picker.m_hWnd).c_str(), existing.c_str()), 0) << WindowText(picker.m_hWnd);
    page.DestroyWindow();
  }
  DeleteFileA(existing.c_str());
}

TEST_F(SmallDialogsTest, FileDialogExKeepsTheOlderRecordAfterItsRun) {
  CFileDialogEx dlg(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST, nullptr, &host_);
  g_exclude1 = nullptr;
  INT_PTR result = IDOK;
  bool ownerDisabled = false;
  RunWithSteps([&] { result = dlg.DoModal(); },
               {[&] {
                  HWND d = FindDialog();
                  if (!d) return false;
                  ownerDisabled = !IsWindowEnabled(host_.m_hWnd);
                  PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
                  return true;
                }});
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(IsWindowEnabled(host_.m_hWnd));
  EXPECT_EQ(dlg.m_ofn.lStructSize, CFileDialogEx::kOldRecordSize);
  EXPECT_LT(CFileDialogEx::kOldRecordSize, sizeof(OPENFILENAMEA));
}

TEST_F(SmallDialogsTest, RegistryStringsOfAnyLength) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\VellviewTest", &key), ERROR_SUCCESS);
  const std::string longText(10000, 'v');
  RegSetValueExA(key, "Short", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\Scan"), 8);
  RegSetValueExA(key, "Long", 0, REG_SZ, reinterpret_cast<const BYTE*>(longText.c_str()),
                 static_cast<DWORD>(longText.size() + 1));
  RegSetValueExA(key, "Empty", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
  // Stored without its closing zero.
  RegSetValueExA(key, "Unclosed", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3);
  DWORD number = 5;
  RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  RegCloseKey(key);

  HKEY opened = nullptr;
  ASSERT_TRUE(OpenRegKey(HKEY_CURRENT_USER, "Software\\VellviewTest", opened));
  const struct {
    const char* name;
    BOOL found;
    std::string value;
  } cases[] = {
      {"Short", TRUE, "C:\\Scan"}, {"Long", TRUE, longText}, {"Empty", TRUE, ""},
      {"Unclosed", TRUE, "abc"},   {"Missing", FALSE, "untouched"}, {"Number", FALSE, "untouched"},
  };
  for (const auto& c : cases) {
    CString value = "untouched";
    EXPECT_EQ(ReadRegString(opened, c.name, value), c.found) << c.name;
    EXPECT_EQ(std::string(value), c.value) << c.name;
  }
  CloseRegKey(opened);
  EXPECT_EQ(opened, nullptr);
  CloseRegKey(opened);  // a closed key stays closed
  HKEY missing = reinterpret_cast<HKEY>(1);
  EXPECT_FALSE(OpenRegKey(HKEY_CURRENT_USER, "Software\\VellviewTest\\NoSuchKey", missing));
  EXPECT_EQ(missing, nullptr);
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\VellviewTest");
}

}  // namespace

// The About box's "Add to Favorites" and "Add to Desktop" make shell links that the shell reads
// back with their target.
TEST(HyperlinkShortcut, AShellLinkKeepsItsTarget) {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, sizeof windows);
  const std::string target = std::string(windows) + "\\notepad.exe";
  char tmp[MAX_PATH];
  GetTempPathA(sizeof tmp, tmp);
  const std::string link = std::string(tmp) + "vvlink" + std::to_string(GetCurrentProcessId()) + ".lnk";
  ASSERT_TRUE(CHLinkCtrl::CreateShellLink(target.c_str(), link.c_str(), "Vellora"));
  IShellLinkA* shell = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                         reinterpret_cast<void**>(&shell))));
  IPersistFile* file = nullptr;
  ASSERT_TRUE(SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
  WCHAR wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
  EXPECT_TRUE(SUCCEEDED(file->Load(wide, STGM_READ)));
  char path[MAX_PATH] = {};
  EXPECT_TRUE(SUCCEEDED(shell->GetPath(path, MAX_PATH, nullptr, 0)));
  EXPECT_EQ(0, lstrcmpiA(path, target.c_str()));
  file->Release();
  shell->Release();
  DeleteFileA(link.c_str());
  CoUninitialize();
}
