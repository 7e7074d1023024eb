// Vector drawings as documents of the real Vellview.exe: every shared DWG and DXF drawing, and
// every shared HP-GL plot file, and a Calcomp plot stream made here, opens from the command line
// and through the shell's DDE command without a message box, and its view paints the drawing (white sheet, dark entities); a refused
// drawing, and a file of random bytes, shows the quick viewer's message (no empty drawing opens)
// and leaves the program serving.
#include <windows.h>
#include <dde.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "TestData.h"

namespace {

struct DdeLog {
  HWND server = nullptr;
  int executeAcks = 0;
  UINT_PTR lastStatus = 0;
};
DdeLog g_dde;

LRESULT CALLBACK ClientProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DDE_ACK) {
    if (!g_dde.server) {
      g_dde.server = reinterpret_cast<HWND>(wParam);
      GlobalDeleteAtom(LOWORD(lParam));
      GlobalDeleteAtom(HIWORD(lParam));
    } else {
      UINT_PTR data = 0;
      UnpackDDElParam(WM_DDE_ACK, lParam, &g_dde.lastStatus, &data);
      FreeDDElParam(WM_DDE_ACK, lParam);
      GlobalFree(reinterpret_cast<HGLOBAL>(data));
      ++g_dde.executeAcks;
    }
    return 0;
  }
  return DefWindowProcA(hWnd, msg, wParam, lParam);
}

void Pump(DWORD ms) {
  DWORD start = GetTickCount();
  MSG m;
  do {
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    Sleep(5);
  } while (GetTickCount() - start < ms);
}

std::string ProgramPath() {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string dir(self);
  dir = dir.substr(0, dir.find_last_of('\\') + 1);
  return dir + "..\\..\\app\\Vellview.exe";
}

void WriteProfile(const char* useQuickView) {
  char dir[MAX_PATH];
  GetWindowsDirectoryA(dir, sizeof dir);
  std::string ini = std::string(dir) + "\\Vellview.INI";
  WritePrivateProfileStringA("Config", "UseQuickView", useQuickView, ini.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
}

// Every drawing of the shared folders, as full paths.
std::vector<std::string> Drawings() {
  std::vector<std::string> paths;
  for (const char* folder : {"dxf", "dxf-binary", "dwg"})
    for (const std::string& name : vvtest::TestDataFiles(folder))
      if (name.find(".expected.json") == std::string::npos)
        paths.push_back(vvtest::TestDataPath(std::string(folder) + "/" + name));
  return paths;
}

// Every plot file of the shared folder, as full paths.
std::vector<std::string> PlotFiles() {
  std::vector<std::string> paths;
  for (const std::string& name : vvtest::TestDataFiles("hpgl"))
    paths.push_back(vvtest::TestDataPath("hpgl/" + name));
  return paths;
}

std::string FileName(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

struct FindBox {
  DWORD pid;
  HWND box;
};

// A dialog box (a message box) of the process, or null.
HWND MessageBoxOf(DWORD pid) {
  FindBox f = {pid, nullptr};
  EnumWindows(
      [](HWND w, LPARAM p) -> BOOL {
        auto* f = reinterpret_cast<FindBox*>(p);
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        char cls[64] = "";
        GetClassNameA(w, cls, sizeof cls);
        if (owner == f->pid && std::string(cls) == "#32770" && IsWindowVisible(w)) {
          f->box = w;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&f));
  return f.box;
}

std::string TextOfBox(HWND box) {
  std::string text;
  for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    char s[1024] = "";
    GetWindowTextA(c, s, sizeof s);
    text += s;
    text += "\n";
  }
  return text;
}

class Program {
 public:
  explicit Program(const std::string& arguments) {
    std::string cmd = "\"" + ProgramPath() + "\" " + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    started_ = CreateProcessA(ProgramPath().c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &si, &pi_) != 0;
  }
  ~Program() {
    if (!started_) return;
    if (WaitForSingleObject(pi_.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi_.hProcess, 1);
    WaitForSingleObject(pi_.hProcess, 10000);
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
  }
  bool Started() const { return started_; }
  DWORD Pid() const { return pi_.dwProcessId; }
  bool Running() const { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }

  // The main frame of the process once it stands.
  HWND MainWindow(DWORD ms = 60000) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
      FindBox f = {pi_.dwProcessId, nullptr};
      EnumWindows(
          [](HWND w, LPARAM p) -> BOOL {
            auto* f = reinterpret_cast<FindBox*>(p);
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == f->pid && FindWindowExA(w, nullptr, "MDICLIENT", nullptr)) {
              f->box = w;
              return FALSE;
            }
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&f));
      if (f.box) return f.box;
      Sleep(100);
    }
    return nullptr;
  }

 private:
  bool started_ = false;
  PROCESS_INFORMATION pi_ = {};
};

std::vector<std::string> Documents(HWND frame) {
  std::vector<std::string> titles;
  HWND mdi = FindWindowExA(frame, nullptr, "MDICLIENT", nullptr);
  for (HWND w = GetWindow(mdi, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    char title[MAX_PATH] = "";
    GetWindowTextA(w, title, sizeof title);
    if (title[0]) titles.push_back(title);
  }
  std::sort(titles.begin(), titles.end());
  return titles;
}

// What the view of the active document shows: how many pixels are white (the drawing's sheet)
// and how many dark (entities).
struct Painted {
  int white = 0;
  int dark = 0;  // anything neither sheet nor background
  std::set<COLORREF> colours;
};

Painted PaintedView(HWND frame) {
  Painted p;
  HWND mdi = FindWindowExA(frame, nullptr, "MDICLIENT", nullptr);
  HWND child = mdi ? GetWindow(mdi, GW_CHILD) : nullptr;
  HWND view = child ? GetWindow(child, GW_CHILD) : nullptr;
  if (!view) return p;
  RECT rc;
  GetClientRect(view, &rc);
  // The screen shows what the other process painted; its window DC does not read back here.
  POINT origin = {0, 0};
  ClientToScreen(view, &origin);
  HDC src = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(src);
  HBITMAP bmp = CreateCompatibleBitmap(src, rc.right, rc.bottom);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, rc.right, rc.bottom, src, origin.x, origin.y, SRCCOPY);
  for (int y = 0; y < rc.bottom; y += 1)
    for (int x = 0; x < rc.right; x += 1) {
      COLORREF c = GetPixel(mem, x, y);
      if (c == RGB(255, 255, 255)) {
        ++p.white;
      } else if (c != RGB(192, 192, 192)) {
        ++p.dark;
        p.colours.insert(c);
      }
    }
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, src);
  return p;
}

bool WaitFor(const std::function<bool()>& done, DWORD ms) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > ms) return false;
    Pump(50);
  }
  return true;
}

// Drawings whose only entities display generation does not draw yet (solids, multilines,
// helices; the toolkit's test renderer shows nothing of these either) or draws as a single dot
// show a white sheet.
bool Blank(const std::string& name) {
  for (const char* blank : {"2000_Cone.dwg", "2000_Multiline.dwg", "2000_Helix.dwg", "2000_Point.dwg",
                            "2000_ConstructionLine.dwg", "2000_PolyLine2D.dwg"})
    if (name == blank) return true;
  return false;
}

// Colours by colour number: the entities of these drawings are drawn in black (7), cyan (4)
// and yellow (2).
const struct {
  const char* file;
  std::vector<COLORREF> present;
} kColours[] = {
    {"r11_entities-2d.dxf", {RGB(0, 0, 0)}},
    {"2000_entities-2d.dwg", {RGB(0, 0, 0)}},
    {"example_2000.dwg", {RGB(0, 255, 255), RGB(255, 255, 0)}},
    {"example_2000.dxf", {RGB(0, 255, 255), RGB(255, 255, 0)}},
};

class DwgDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override { VV_REQUIRE_TESTDATA(); }

  // Talks to the program on the System topic; true when it answered.
  bool Connect() {
    g_dde = DdeLog();
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &ClientProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VVDwgDdeClient";
    RegisterClassA(&wc);
    if (!client_)
      client_ = CreateWindowA("VVDwgDdeClient", "client", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    DWORD start = GetTickCount();
    while (!g_dde.server && GetTickCount() - start < 60000) {
      ATOM app = GlobalAddAtomA("Vellview");
      ATOM topic = GlobalAddAtomA("System");
      DWORD_PTR result;
      SendMessageTimeoutA(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(client_),
                          MAKELPARAM(app, topic), SMTO_ABORTIFHUNG, 2000, &result);
      GlobalDeleteAtom(app);
      GlobalDeleteAtom(topic);
      if (!g_dde.server) Sleep(200);
    }
    return g_dde.server != nullptr;
  }

  // Posts a command; the answer is waited for by the caller.
  void Post(const std::string& command) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, command.size() + 1);
    memcpy(GlobalLock(h), command.c_str(), command.size() + 1);
    GlobalUnlock(h);
    PostMessageA(g_dde.server, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(client_),
                 PackDDElParam(WM_DDE_EXECUTE, 0, reinterpret_cast<UINT_PTR>(h)));
  }

  bool Execute(const std::string& command) {
    const int before = g_dde.executeAcks;
    Post(command);
    return WaitFor([&] { return g_dde.executeAcks > before; }, 60000);
  }

  void TearDown() override {
    if (client_) DestroyWindow(client_);
    client_ = nullptr;
  }

  HWND client_ = nullptr;
};

TEST_F(DwgDocumentTest, CommandLineOpensEveryDrawingWithoutAMessage) {
  WriteProfile("0");
  const std::vector<std::string> paths = Drawings();
  ASSERT_FALSE(paths.empty());
  std::string joined;
  std::vector<std::string> expected;
  for (const std::string& p : paths) {
    joined += (joined.empty() ? "" : ";") + p;
    expected.push_back(FileName(p));
  }
  std::sort(expected.begin(), expected.end());
  Program program(joined);
  ASSERT_TRUE(program.Started());
  HWND frame = program.MainWindow();
  ASSERT_NE(frame, nullptr);
  auto allOpen = [&] {
    const std::vector<std::string> now = Documents(frame);
    for (const std::string& name : expected)
      if (std::find(now.begin(), now.end(), name) == now.end()) return false;
    return true;
  };
  WaitFor([&] { return allOpen() || MessageBoxOf(program.Pid()) != nullptr; }, 240000);
  HWND box = MessageBoxOf(program.Pid());
  EXPECT_EQ(box, nullptr) << TextOfBox(box);
  const std::vector<std::string> opened = Documents(frame);
  for (const std::string& name : expected)
    EXPECT_TRUE(std::count(opened.begin(), opened.end(), name) == 1) << name;
  EXPECT_EQ(opened.size(), expected.size());
  Painted p;
  WaitFor(
      [&] {
        p = PaintedView(frame);
        return p.white > 1000 && p.dark > 10;
      },
      30000);
  EXPECT_GT(p.white, 1000);
  EXPECT_GT(p.dark, 10);
  EXPECT_TRUE(program.Running());
}

TEST_F(DwgDocumentTest, DdeOpensEachDrawingAndItsViewPaints) {
  WriteProfile("0");
  Program program("/T");
  ASSERT_TRUE(program.Started());
  HWND frame = program.MainWindow();
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(Connect());
  for (const std::string& path : Drawings()) {
    SCOPED_TRACE(path);
    ASSERT_TRUE(Execute("#OPENFILE#|" + path));
    HWND box = MessageBoxOf(program.Pid());
    EXPECT_EQ(box, nullptr) << TextOfBox(box);
    if (box) PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(Documents(frame), std::vector<std::string>{FileName(path)});
    // Under load the view may paint well after the open returns: wait for the picture the checks
    // expect (or the time-out), then check what stands on the screen.
    const bool blank = Blank(FileName(path));
    Painted p;
    WaitFor(
        [&] {
          p = PaintedView(frame);
          if (p.white <= 1000 || (!blank && p.dark <= 10)) return false;
          for (const auto& c : kColours)
            if (FileName(path) == c.file)
              for (COLORREF colour : c.present)
                if (!p.colours.count(colour)) return false;
          return true;
        },
        30000);
    EXPECT_GT(p.white, 1000) << "the sheet is not painted";
    if (!blank) {
      EXPECT_GT(p.dark, 10) << "no entity is drawn";
    }
    for (const auto& c : kColours) {
      if (FileName(path) != c.file) continue;
      for (COLORREF colour : c.present) EXPECT_TRUE(p.colours.count(colour)) << std::hex << colour;
    }
    ASSERT_TRUE(Execute("#CLOSEFILE#"));
  }
  EXPECT_TRUE(program.Running());
}

TEST_F(DwgDocumentTest, RefusedDrawingShowsTheQuickViewMessageAndTheProgramGoesOn) {
  WriteProfile("1");
  Program program("/T");
  ASSERT_TRUE(program.Started());
  HWND frame = program.MainWindow();
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(Connect());
  for (const std::string& name : vvtest::TestDataFiles("refused")) {
    SCOPED_TRACE(name);
    const std::string path = vvtest::TestDataPath("refused/" + name);
    const int before = g_dde.executeAcks;
    Post("#OPENFILE#|" + path);
    // No quick viewer under Wine: its message names the file.
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = MessageBoxOf(program.Pid())) != nullptr; }, 60000));
    EXPECT_NE(TextOfBox(box).find("QuickView need to be installed to be able to view '" + path + "'!"),
              std::string::npos)
        << TextOfBox(box);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return g_dde.executeAcks > before; }, 60000));
    EXPECT_TRUE(Documents(frame).empty());
  }
  // Still serving: a drawing opens after the refused ones.
  const std::vector<std::string> drawings = Drawings();
  ASSERT_FALSE(drawings.empty());
  ASSERT_TRUE(Execute("#OPENFILE#|" + drawings.front()));
  EXPECT_EQ(Documents(frame), std::vector<std::string>{FileName(drawings.front())});
  EXPECT_TRUE(program.Running());
  WriteProfile("0");
}

TEST_F(DwgDocumentTest, PlotFilesOpenAsDrawingsFromTheCommandLineAndThroughDde) {
  WriteProfile("0");
  const std::vector<std::string> paths = PlotFiles();
  ASSERT_FALSE(paths.empty());
  std::string joined;
  std::vector<std::string> expected;
  for (const std::string& p : paths) {
    joined += (joined.empty() ? "" : ";") + p;
    expected.push_back(FileName(p));
  }
  std::sort(expected.begin(), expected.end());
  {
    Program program(joined);
    ASSERT_TRUE(program.Started());
    HWND frame = program.MainWindow();
    ASSERT_NE(frame, nullptr);
    WaitFor([&] { return Documents(frame) == expected || MessageBoxOf(program.Pid()) != nullptr; }, 240000);
    HWND box = MessageBoxOf(program.Pid());
    EXPECT_EQ(box, nullptr) << TextOfBox(box);
    EXPECT_EQ(Documents(frame), expected);
    EXPECT_TRUE(program.Running());
  }
  Program program("/T");
  ASSERT_TRUE(program.Started());
  HWND frame = program.MainWindow();
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(Connect());
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    ASSERT_TRUE(Execute("#OPENFILE#|" + path));
    HWND box = MessageBoxOf(program.Pid());
    EXPECT_EQ(box, nullptr) << TextOfBox(box);
    if (box) PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(Documents(frame), std::vector<std::string>{FileName(path)});
    Painted p;
    WaitFor(
        [&] {
          p = PaintedView(frame);
          return p.white > 1000 && (p.dark > 10 || FileName(path) == "bz.hp");
        },
        30000);
    EXPECT_GT(p.white, 1000) << "the sheet is not painted";
    // bz.hp plots only with BZ, an HP-GL/2 Bezier curve that is not among the converter's
    // instructions: its drawing is an empty page.
    if (FileName(path) != "bz.hp") {
      EXPECT_GT(p.dark, 10) << "nothing of the plot is drawn";
    }
    ASSERT_TRUE(Execute("#CLOSEFILE#"));
  }
  EXPECT_TRUE(program.Running());
}

// A Calcomp 906/907 plot of a square and its diagonal, pen 7, in steps of 200.
std::string CalcompSquare() {
  const char bias = '"';
  std::string s = "&&&&CALCOMP DEVICE CONTROL\r\n^^^^END OF FILE\r\n  !!!\"";
  auto put = [&](std::initializer_list<int> values) {
    for (int v : values) s += char(v + bias);
  };
  put({1, 0, 0, 1});
  // Pen 7, down; moves of two bytes each way at radix 64 (200 = 3 * 64 + 8).
  put({4, 7, 2});
  put({34, 3, 8});      // (+200, 0)
  s += "\r\n!!";        // a line break, with sync characters the decoder drops
  put({32, 3, 8});      // (0, +200)
  put({33, 3, 8});      // (-200, 0)
  put({35, 3, 8});      // (0, -200)
  put({20, 3, 8, 3, 8});  // (+200, +200)
  return s;
}

TEST_F(DwgDocumentTest, CalcompPlotOpensAsADrawingFromTheCommandLineAndThroughDde) {
  char dir[MAX_PATH];
  GetTempPathA(sizeof dir, dir);
  const std::string name = "vv_square_" + std::to_string(GetCurrentProcessId()) + ".907";
  const std::string path = std::string(dir) + name;
  const std::string bytes = CalcompSquare();
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(f, bytes.data(), DWORD(bytes.size()), &written, nullptr);
  CloseHandle(f);
  WriteProfile("0");
  for (bool dde : {false, true}) {
    SCOPED_TRACE(dde ? "DDE" : "command line");
    Program program(dde ? "/T" : path);
    ASSERT_TRUE(program.Started());
    HWND frame = program.MainWindow();
    ASSERT_NE(frame, nullptr);
    if (dde) {
      ASSERT_TRUE(Connect());
      ASSERT_TRUE(Execute("#OPENFILE#|" + path));
    }
    WaitFor([&] { return !Documents(frame).empty() || MessageBoxOf(program.Pid()) != nullptr; }, 60000);
    HWND box = MessageBoxOf(program.Pid());
    EXPECT_EQ(box, nullptr) << TextOfBox(box);
    EXPECT_EQ(Documents(frame), std::vector<std::string>{name});
    Painted p;
    WaitFor(
        [&] {
          p = PaintedView(frame);
          return p.white > 1000 && p.dark > 10;
        },
        30000);
    EXPECT_GT(p.white, 1000) << "the sheet is not painted";
    EXPECT_GT(p.dark, 10) << "nothing of the plot is drawn";
    EXPECT_TRUE(program.Running());
  }
  DeleteFileA(path.c_str());
}

// Bytes that no reader takes and that hold no plot instruction are refused: the program does not
// open them as an empty converted drawing.
TEST_F(DwgDocumentTest, RandomBytesAreRefusedNotOpenedAsAnEmptyDrawing) {
  char dir[MAX_PATH];
  GetTempPathA(sizeof dir, dir);
  const std::string path = std::string(dir) + "vv_random_" + std::to_string(GetCurrentProcessId()) + ".bin";
  std::string bytes(4096, '\0');
  uint32_t x = 12345;
  for (char& c : bytes) {
    x = x * 1103515245u + 12345u;
    c = char(x >> 24);
  }
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(f, bytes.data(), DWORD(bytes.size()), &written, nullptr);
  CloseHandle(f);
  WriteProfile("1");
  Program program("/T");
  ASSERT_TRUE(program.Started());
  HWND frame = program.MainWindow();
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(Connect());
  const int before = g_dde.executeAcks;
  Post("#OPENFILE#|" + path);
  HWND box = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (box = MessageBoxOf(program.Pid())) != nullptr; }, 60000));
  EXPECT_NE(TextOfBox(box).find("QuickView need to be installed to be able to view '" + path + "'!"),
            std::string::npos)
      << TextOfBox(box);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitFor([&] { return g_dde.executeAcks > before; }, 60000));
  EXPECT_TRUE(Documents(frame).empty());
  EXPECT_TRUE(program.Running());
  WriteProfile("0");
  DeleteFileA(path.c_str());
}

}  // namespace
