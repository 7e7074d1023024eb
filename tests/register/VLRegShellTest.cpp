// VLReg.exe as a user runs it, under Wine with its real registry, and the shell's road that its
// registration opens: the program is started, its boxes are set and OK pressed by messages, the
// message box it shows is read and answered; then HKEY_CLASSES_ROOT is read back, and a file of
// a registered type, opened through the shell, must land as a document in Vellview.
#include <windows.h>
#include <ddeml.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AppTestSupport.h"

namespace {

const char kTitle[] = "Orvane Vellora registration";
const char* const kKeys[] = {"Orvane Vellora", ".cal", ".dwg", ".dxf", ".tif", ".vlv"};

std::string FullPath(const std::string& path) {
  char full[MAX_PATH];
  DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  return n && n < sizeof full ? std::string(full) : path;
}

// The build's folder of the programs, with its closing "\".
std::string BuildAppDir() { return FullPath(vvapptest::ProgramDir() + "..\\..\\app\\"); }

bool WaitFor(bool (*done)(void*), void* context, DWORD ms) {
  DWORD start = GetTickCount();
  while (!done(context)) {
    if (GetTickCount() - start > ms) return false;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    Sleep(20);
  }
  return true;
}

// A visible dialog-class window of the process: the registration dialog (it has box 1001) or a
// message box (it has none).
struct DialogSearch {
  DWORD pid;
  bool registration;
  HWND found;
};
BOOL CALLBACK FindDialog(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<DialogSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  char cls[32] = "";
  GetClassNameA(w, cls, sizeof cls);
  if (pid != s->pid || !IsWindowVisible(w) || strcmp(cls, "#32770") != 0) return TRUE;
  if ((GetDlgItem(w, 1001) != nullptr) != s->registration) return TRUE;
  s->found = w;
  return FALSE;
}
HWND WaitForDialog(DWORD pid, bool registration) {
  DialogSearch s = {pid, registration, nullptr};
  WaitFor(
      [](void* c) {
        auto* s = static_cast<DialogSearch*>(c);
        EnumWindows(&FindDialog, reinterpret_cast<LPARAM>(s));
        return s->found != nullptr;
      },
      &s, 20000);
  return s.found;
}

// Asked of the window itself: GetWindowText of another process's edit gives its creation text.
std::string WindowText(HWND w) {
  char text[1024] = "";
  DWORD_PTR n = 0;
  SendMessageTimeoutA(w, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &n);
  return std::string(text, strnlen(text, sizeof text));
}

// The text of a message box: its longest static text.
std::string MessageBoxText(HWND box) {
  std::string text;
  for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    char cls[32] = "";
    GetClassNameA(c, cls, sizeof cls);
    std::string t = WindowText(c);
    if (_stricmp(cls, "Static") == 0 && t.size() > text.size()) text = t;
  }
  return text;
}

bool Checked(HWND dlg, int id) { return SendDlgItemMessageA(dlg, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// Types into the Other field as the edit would report it: the text changes, the dialog hears.
void SetOtherText(HWND dlg, const char* text) { SendDlgItemMessageA(dlg, 1006, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)); }

std::string ReadValue(const char* key, const char* name, DWORD* size = nullptr) {
  char data[1024] = "";
  DWORD n = sizeof data - 1;
  DWORD type = 0;
  HKEY h;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return "<no key>";
  LONG r = RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &n);
  RegCloseKey(h);
  if (r != ERROR_SUCCESS) return "<no value>";
  if (type != REG_SZ) return "<not REG_SZ>";
  if (size) *size = n;
  return std::string(data, strnlen(data, n));
}

bool KeyExists(const char* key) {
  HKEY h;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

// Deletes a key, or the key itself where it is a link to another.
void DeleteKey(const char* key) {
  RegDeleteTreeA(HKEY_CLASSES_ROOT, key);
  HKEY h;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key, REG_OPTION_OPEN_LINK, DELETE, &h) != ERROR_SUCCESS) return;
  typedef LONG(WINAPI * NtDeleteKeyProc)(HANDLE);
  auto ntDeleteKey = reinterpret_cast<NtDeleteKeyProc>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
  if (ntDeleteKey) ntDeleteKey(h);
  RegCloseKey(h);
}

void DeleteKeys() {
  for (const char* key : kKeys) DeleteKey(key);
}

struct Program {
  PROCESS_INFORMATION pi = {};
  bool Start(const std::string& exe) {
    std::string cmd = "\"" + exe + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    return CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != 0;
  }
  // True when it ended by itself within the time.
  bool Ended(DWORD ms = 10000) { return WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0; }
  ~Program() {
    if (!pi.hProcess) return;
    if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
};

// Runs VLReg.exe of that folder, lets setUp act on its dialog, presses OK and returns the text
// of the message box that follows, which it answers.
template <typename SetUp>
std::string RegisterFrom(const std::string& dir, SetUp setUp) {
  Program vlreg;
  if (!vlreg.Start(dir + "VLReg.exe")) return "<not started>";
  HWND dlg = WaitForDialog(vlreg.pi.dwProcessId, true);
  if (!dlg) return "<no dialog>";
  setUp(dlg);
  PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
  HWND box = WaitForDialog(vlreg.pi.dwProcessId, false);
  if (!box) return "<no message box>";
  std::string text = WindowText(box) + ": " + MessageBoxText(box);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  if (!vlreg.Ended()) return "<still running after the message>";
  return text;
}

// A top-level window with an MDI client that shows a document of that title (and, when pid is
// not 0, belongs to that process).
struct DocumentSearch {
  DWORD pid;
  const char* title;
  HWND frame;
};
BOOL CALLBACK FindDocument(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<DocumentSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (s->pid && pid != s->pid) return TRUE;
  HWND mdi = FindWindowExA(w, nullptr, "MDICLIENT", nullptr);
  if (!mdi) return TRUE;
  if (!s->title) {
    s->frame = w;
    return FALSE;
  }
  for (HWND c = GetWindow(mdi, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (WindowText(c) == s->title) {
      s->frame = w;
      return FALSE;
    }
  }
  return TRUE;
}
HWND WaitForDocument(DWORD pid, const char* title, DWORD ms) {
  DocumentSearch s = {pid, title, nullptr};
  WaitFor(
      [](void* c) {
        auto* s = static_cast<DocumentSearch*>(c);
        EnumWindows(&FindDocument, reinterpret_cast<LPARAM>(s));
        return s->frame != nullptr;
      },
      &s, ms);
  return s.frame;
}

HDDEDATA CALLBACK IgnoreDde(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

// True once a program answers a DDE client on the application and topic the registration names.
bool WaitForDdeServer(DWORD ms) {
  DWORD instance = 0;
  if (DdeInitializeA(&instance, &IgnoreDde, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) return false;
  HSZ service = DdeCreateStringHandleA(instance, "Vellview", CP_WINANSI);
  HSZ topic = DdeCreateStringHandleA(instance, "System", CP_WINANSI);
  bool answered = false;
  DWORD start = GetTickCount();
  while (!answered && GetTickCount() - start < ms) {
    HCONV conversation = DdeConnect(instance, service, topic, nullptr);
    answered = conversation != nullptr;
    if (answered) {
      DdeDisconnect(conversation);
    } else {
      Sleep(100);
    }
  }
  DdeFreeStringHandle(instance, service);
  DdeFreeStringHandle(instance, topic);
  DdeUninitialize(instance);
  return answered;
}

int CountFrames() {
  int n = 0;
  EnumWindows(
      [](HWND w, LPARAM lp) {
        if (IsWindowVisible(w) && FindWindowExA(w, nullptr, "MDICLIENT", nullptr)) ++*reinterpret_cast<int*>(lp);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&n));
  return n;
}

// Opens the file as the shell opens a double-clicked one; true when the shell took it.
bool ShellOpen(const std::string& path) {
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = "open";
  info.lpFile = path.c_str();
  info.nShow = SW_SHOWNORMAL;
  return ShellExecuteExA(&info) != 0;
}

void CloseFrame(HWND frame) {
  DWORD pid = 0;
  GetWindowThreadProcessId(frame, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
  PostMessageA(frame, WM_CLOSE, 0, 0);
  if (process) {
    if (WaitForSingleObject(process, 15000) != WAIT_OBJECT_0) TerminateProcess(process, 1);
    CloseHandle(process);
  }
}

class VLRegShellTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    DeleteKeys();
    folder_ = vvapptest::MakeTempFolder("vlreg_test");
    // Files that open nothing must not wait on a message box of the quick viewer.
    std::string ini = vvapptest::ProfilePath("Vellview");
    WritePrivateProfileStringA("Config", "UseQuickView", "0", ini.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
  }
  static void TearDownTestSuite() { DeleteKeys(); }

  static std::string folder_;
};
std::string VLRegShellTest::folder_;

TEST_F(VLRegShellTest, WithoutVellviewBesideItTellsSoAndWritesNothing) {
  std::string alone = vvapptest::MakeTempFolder("vlreg_alone");
  ASSERT_TRUE(CopyFileA((BuildAppDir() + "VLReg.exe").c_str(), (alone + "VLReg.exe").c_str(), FALSE));
  Program vlreg;
  ASSERT_TRUE(vlreg.Start(alone + "VLReg.exe"));
  HWND box = WaitForDialog(vlreg.pi.dwProcessId, false);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(WindowText(box), kTitle);
  EXPECT_EQ(MessageBoxText(box),
            "Can not find Vellview.exe!\n\nOrvane Vellora must be in the same directory as this program (VLReg.exe).");
  // The registration dialog never showed.
  DialogSearch s = {vlreg.pi.dwProcessId, true, nullptr};
  EnumWindows(&FindDialog, reinterpret_cast<LPARAM>(&s));
  EXPECT_EQ(s.found, nullptr);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(vlreg.Ended());
  for (const char* key : kKeys) EXPECT_FALSE(KeyExists(key)) << key;
  DeleteFileA((alone + "VLReg.exe").c_str());
  RemoveDirectoryA(alone.c_str());
}

// The About box comes from the system menu; Cancel ends the program without a word or a write.
TEST_F(VLRegShellTest, AboutBoxFromTheSystemMenuAndCancelWritesNothing) {
  DeleteKeys();
  Program vlreg;
  ASSERT_TRUE(vlreg.Start(BuildAppDir() + "VLReg.exe"));
  HWND dlg = WaitForDialog(vlreg.pi.dwProcessId, true);
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(WindowText(dlg), kTitle);
  PostMessageA(dlg, WM_SYSCOMMAND, 0x0010, 0);
  HWND about = WaitForDialog(vlreg.pi.dwProcessId, false);
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(WindowText(about), "About Orvane Vellora registration");
  PostMessageA(about, WM_COMMAND, IDOK, 0);
  PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDCANCEL)));
  EXPECT_TRUE(vlreg.Ended());
  for (const char* key : kKeys) EXPECT_FALSE(KeyExists(key)) << key;
}

// An extension that is none is refused before anything is written, and the user may correct
// it; Other checked by hand with nothing typed registers no key ".".
TEST_F(VLRegShellTest, AnOtherTypeThatIsNoExtensionIsRefusedAndAnEmptyOneSkipped) {
  DeleteKeys();
  Program vlreg;
  ASSERT_TRUE(vlreg.Start(BuildAppDir() + "VLReg.exe"));
  HWND dlg = WaitForDialog(vlreg.pi.dwProcessId, true);
  ASSERT_NE(dlg, nullptr);
  SetOtherText(dlg, "a.b");
  PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
  HWND box = WaitForDialog(vlreg.pi.dwProcessId, false);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box),
            "The other file type .a.b is not a file extension.\n\nIt may hold one dot, at its start, and none of the "
            "characters \\ / : * ? < > | or quotes.");
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_FALSE(vlreg.Ended(500)) << "the dialog stays for the correction";
  EXPECT_TRUE(IsWindowVisible(dlg));
  EXPECT_FALSE(KeyExists("Orvane Vellora"));

  SetOtherText(dlg, "");
  for (int id : {1001, 1002, 1003, 1004}) SendDlgItemMessageA(dlg, id, BM_SETCHECK, BST_UNCHECKED, 0);
  SendDlgItemMessageA(dlg, 1005, BM_SETCHECK, BST_CHECKED, 0);
  PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
  box = WaitForDialog(vlreg.pi.dwProcessId, false);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), "Registration finished!");
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(vlreg.Ended());
  EXPECT_EQ(ReadValue("Orvane Vellora\\shell\\open\\ddeexec", ""), "#OPENFILE#|%1");
  EXPECT_FALSE(KeyExists("."));
  for (const char* key : {".cal", ".dwg", ".dxf", ".tif"}) EXPECT_FALSE(KeyExists(key)) << key;
  DeleteKeys();
}

// Keys the registry refuses: a document-type key below a volatile one (the registry keeps no
// lasting key under a passing one), an extension key that links to nowhere.
TEST_F(VLRegShellTest, ARefusedKeyEndsTheRunAndTheMessageSaysWhatWasNotWritten) {
  DeleteKeys();
  HKEY h;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "Orvane Vellora", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &h, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(h);
  EXPECT_EQ(RegisterFrom(BuildAppDir(), [](HWND) {}), std::string(kTitle) + ": Registration failed!");
  EXPECT_EQ(ReadValue("Orvane Vellora", ""), "Orvane Vellora");  // written before the refusal
  EXPECT_FALSE(KeyExists("Orvane Vellora\\shell"));
  EXPECT_FALSE(KeyExists(".cal"));
  DeleteKeys();

  // A link to a key that is not there: creating the key through it fails.
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, ".dxf", 0, nullptr, REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &h, nullptr),
            ERROR_SUCCESS);
  const wchar_t target[] = L"\\Registry\\Machine\\Software\\Classes\\Vellview test nowhere\\.dxf";
  RegSetValueExW(h, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target), sizeof target - 2);
  RegCloseKey(h);
  EXPECT_EQ(RegisterFrom(BuildAppDir(), [](HWND) {}),
            std::string(kTitle) + ": Registration incomplete!\n\nThese file types were not registered: .dxf, .tif");
  EXPECT_EQ(ReadValue(".dwg", "Content Type"), "image/x-dwg");
  EXPECT_EQ(ReadValue(".dxf", ""), "<no key>");
  EXPECT_FALSE(KeyExists(".tif"));
  DeleteKeys();
  EXPECT_FALSE(KeyExists(".dxf"));
}

TEST_F(VLRegShellTest, RegistersTheChosenTypesWithTheOpenAndDdeCommands) {
  // What another program left in one of the keys stays, except the two values VLReg sets.
  HKEY dwg;
  ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, ".dwg\\OpenWithProgids", &dwg), ERROR_SUCCESS);
  RegCloseKey(dwg);
  ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, ".dwg", &dwg), ERROR_SUCCESS);
  RegSetValueExA(dwg, "", 0, REG_SZ, reinterpret_cast<const BYTE*>("Other.Viewer"), 13);
  RegSetValueExA(dwg, "PerceivedType", 0, REG_SZ, reinterpret_cast<const BYTE*>("image"), 6);
  RegCloseKey(dwg);

  std::string message = RegisterFrom(BuildAppDir(), [](HWND dlg) {
    // The dialog starts with the four known types chosen, Other cleared, the field empty and
    // taking three characters.
    for (int id : {1001, 1002, 1003, 1004}) EXPECT_TRUE(Checked(dlg, id)) << id;
    EXPECT_FALSE(Checked(dlg, 1005));
    EXPECT_EQ(WindowText(GetDlgItem(dlg, 1006)), "");
    EXPECT_EQ(SendDlgItemMessageA(dlg, 1006, EM_GETLIMITTEXT, 0, 0), 3);
    // Typing checks Other and loses the blanks at the ends; emptying the field clears it.
    SetOtherText(dlg, " v ");
    EXPECT_EQ(WindowText(GetDlgItem(dlg, 1006)), "v");
    EXPECT_TRUE(Checked(dlg, 1005));
    SetOtherText(dlg, "");
    EXPECT_FALSE(Checked(dlg, 1005));
    SetOtherText(dlg, "vlv");
    EXPECT_TRUE(Checked(dlg, 1005));
    SendDlgItemMessageA(dlg, 1003, BM_SETCHECK, BST_UNCHECKED, 0);  // no CALS files
  });
  EXPECT_EQ(message, std::string(kTitle) + ": Registration finished!");

  const std::string program = BuildAppDir() + "Vellview.exe";
  static const struct {
    const char* key;
    const char* name;
    const char* data;  // null: the program's open command
  } values[] = {
      {"Orvane Vellora", "", "Orvane Vellora"},
      {"Orvane Vellora\\shell\\open\\command", "", nullptr},
      {"Orvane Vellora\\shell\\open\\ddeexec", "", "#OPENFILE#|%1"},
      {"Orvane Vellora\\shell\\open\\ddeexec\\Application", "", "Vellview"},
      {"Orvane Vellora\\shell\\open\\ddeexec\\topic", "", "System"},
      {".dwg", "", "Orvane Vellora"},
      {".dwg", "Content Type", "image/x-dwg"},
      {".dwg", "PerceivedType", "image"},
      {".dxf", "", "Orvane Vellora"},
      {".dxf", "Content Type", "image/x-dxf"},
      {".tif", "", "Orvane Vellora"},
      {".tif", "Content Type", "image/tiff"},
      {".vlv", "", "Orvane Vellora"},
      {".vlv", "Content Type", "image/x-orvanevl"},
  };
  for (const auto& v : values) {
    std::string expected = v.data ? v.data : "\"" + program + "\" \"%1\" /T";
    DWORD size = 0;
    EXPECT_EQ(ReadValue(v.key, v.name, &size), expected) << v.key << " " << v.name;
    EXPECT_EQ(size, expected.size() + 1) << v.key << " " << v.name << ": the text ends with its zero";
  }
  EXPECT_TRUE(KeyExists(".dwg\\OpenWithProgids"));
  EXPECT_FALSE(KeyExists(".cal"));
}

TEST_F(VLRegShellTest, TheShellHandsARegisteredFileToTheRunningVellview) {
  ASSERT_EQ(ReadValue(".tif", ""), "Orvane Vellora") << "the previous test registers .tif";
  Program vellview;
  ASSERT_TRUE(vellview.Start(BuildAppDir() + "Vellview.exe"));
  HWND frame = WaitForDocument(vellview.pi.dwProcessId, nullptr, 60000);
  ASSERT_NE(frame, nullptr) << "Vellview's main window did not come";
  ASSERT_TRUE(WaitForDdeServer(30000)) << "Vellview does not answer on the System topic";

  ASSERT_TRUE(vvapptest::WriteTiff(folder_ + "shell.tif", 16, 8, 100));
  ASSERT_TRUE(vvapptest::WriteTiff(folder_ + "other.vlv", 16, 8, 50));
  EXPECT_TRUE(ShellOpen(folder_ + "shell.tif"));
  EXPECT_EQ(WaitForDocument(vellview.pi.dwProcessId, "shell.tif", 20000), frame);
  EXPECT_TRUE(ShellOpen(folder_ + "other.vlv"));
  EXPECT_EQ(WaitForDocument(vellview.pi.dwProcessId, "other.vlv", 20000), frame);
  // The DDE command takes a document path with blanks as it stands.
  ASSERT_TRUE(vvapptest::WriteTiff(folder_ + "with blank.tif", 16, 8, 150));
  EXPECT_TRUE(ShellOpen(folder_ + "with blank.tif"));
  EXPECT_EQ(WaitForDocument(vellview.pi.dwProcessId, "with blank.tif", 20000), frame);
  // Handed over, not started again: the one frame is the running program's.
  EXPECT_EQ(CountFrames(), 1);
  CloseFrame(frame);
  EXPECT_TRUE(vellview.Ended(1000));
}

// Installed in a folder whose path has blanks: the shell starts Vellview from there by the open
// command and then hands it the file.
TEST_F(VLRegShellTest, AProgramPathWithBlanksStartsVellviewThroughTheShell) {
  std::string dir = vvapptest::MakeTempFolder("vlreg blank dir");
  for (const char* file : {"VLReg.exe", "Vellview.exe", "zeri8v98.dll"}) {
    ASSERT_TRUE(CopyFileA((BuildAppDir() + file).c_str(), (dir + file).c_str(), FALSE)) << file;
  }
  std::string message = RegisterFrom(dir, [](HWND) {});
  EXPECT_EQ(message, std::string(kTitle) + ": Registration finished!");
  EXPECT_EQ(ReadValue("Orvane Vellora\\shell\\open\\command", ""), "\"" + dir + "Vellview.exe\" \"%1\" /T");

  ASSERT_TRUE(vvapptest::WriteTiff(folder_ + "started.tif", 16, 8, 200));
  ASSERT_EQ(CountFrames(), 0) << "a Vellview runs already";
  EXPECT_TRUE(ShellOpen(folder_ + "started.tif"));
  HWND frame = WaitForDocument(0, "started.tif", 60000);
  ASSERT_NE(frame, nullptr) << "the shell did not start Vellview from " << dir;
  DWORD pid = 0;
  GetWindowThreadProcessId(frame, &pid);
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  char image[MAX_PATH] = "";
  DWORD n = sizeof image;
  if (process) {
    QueryFullProcessImageNameA(process, 0, image, &n);
    CloseHandle(process);
  }
  EXPECT_EQ(_stricmp(image, (dir + "Vellview.exe").c_str()), 0) << image;
  CloseFrame(frame);
  for (const char* file : {"VLReg.exe", "Vellview.exe", "zeri8v98.dll"}) DeleteFileA((dir + file).c_str());
  RemoveDirectoryA(dir.c_str());
}

}  // namespace
