// The program's start-up, driven in this process through application objects of its own: the
// frame with its bars and tables, the embedded start, the command line's file list, VLFormat.ini,
// the settings through the real profile, the status-bar progress, the window placement, the
// splash, and the application's commands.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "AboutDlg.h"
#include "AppTestSupport.h"
#include "FileDialogEx.h"
#include "MainFrm.h"
#include "NeighbourServices.h"
#include "SplashWnd.h"
#include "VLRApp.h"
#include "vector/PenTable.h"
#include "vector/ToolkitSession.h"
#include "WinTestSupport.h"
#include "resource.h"

namespace {

const char kProgram[] = "app_win_shell_test";

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vvtest::MessageBoxes::Install();
    ResetProfile();
    DeleteFileA((vvapptest::ProgramDir() + "VLFormat.ini").c_str());
    folder_ = vvapptest::MakeTempFolder("vv_shell_test");
  }
  void TearDown() override {
    Stop();
    DeleteFileA((vvapptest::ProgramDir() + "VLFormat.ini").c_str());
  }

  static void ResetProfile() {
    std::string path = vvapptest::ProfilePath(kProgram);
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
    DeleteFileA(path.c_str());
  }
  static void SetProfile(const char* section, const char* key, const char* value) {
    WritePrivateProfileStringA(section, key, value, vvapptest::ProfilePath(kProgram).c_str());
  }
  static std::string Profile(const char* section, const char* key) {
    return vvapptest::ReadIni(vvapptest::ProfilePath(kProgram), section, key);
  }

  BOOL Start(const std::string& commandLine) {
    cmdLine_ = commandLine;
    app_ = new CVLRApp;
    if (!AfxWinInit(GetModuleHandleA(nullptr), nullptr, &cmdLine_[0], SW_SHOWNORMAL)) return FALSE;
    BOOL ok = app_->InitInstance();
    vvtest::Pump(30);
    return ok;
  }
  void Stop() {
    AfxOleSetUserCtrl(TRUE);
    if (!app_) return;
    if (app_->m_pMainWnd && app_->m_pMainWnd->m_hWnd) app_->m_pMainWnd->DestroyWindow();
    app_->m_pMainWnd = nullptr;
    vvtest::Pump(10);
    delete app_;
    app_ = nullptr;
  }
  CMainFrame* Frame() const { return app_->GetMainFrame(); }
  std::vector<std::string> OpenDocumentPaths() const {
    std::vector<std::string> paths;
    POSITION t = app_->GetFirstDocTemplatePosition();
    while (t) {
      CDocTemplate* tmpl = app_->GetNextDocTemplate(t);
      POSITION d = tmpl->GetFirstDocPosition();
      while (d) paths.push_back(static_cast<LPCSTR>(tmpl->GetNextDoc(d)->GetPathName()));
    }
    return paths;
  }
  std::string MakeTiff(const char* name) {
    std::string path = folder_ + name;
    EXPECT_TRUE(vvapptest::WriteTiff(path, 16, 8, 200));
    return path;
  }

  std::string cmdLine_;
  std::string folder_;
  CVLRApp* app_ = nullptr;
};

TEST_F(ShellTest, StartUpBuildsTheFrameItsBarsAndTheTables) {
  ASSERT_TRUE(Start("/T"));
  CMainFrame* frame = Frame();
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(frame->IsWindowVisible());
  EXPECT_EQ(frame->m_wndToolBar.GetCount(), 13);
  EXPECT_EQ(frame->m_wndAnnotationBar.GetCount(), 14);
  EXPECT_EQ(frame->m_wndToolBar.GetItemID(0), static_cast<UINT>(ID_FILE_OPEN));
  CString caption;
  frame->m_wndToolBar.GetWindowText(caption);
  EXPECT_STREQ(caption, "Main");
  frame->m_wndAnnotationBar.GetWindowText(caption);
  EXPECT_STREQ(caption, "Annotations");
  // The annotation bar sits in the main bar's row, to its right.
  CRect mainRect, annRect;
  frame->m_wndToolBar.GetWindowRect(&mainRect);
  frame->m_wndAnnotationBar.GetWindowRect(&annRect);
  EXPECT_EQ(annRect.top, mainRect.top);
  EXPECT_GE(annRect.left, mainRect.right);
  // One button thick: the bars were not broken into columns.
  EXPECT_LT(mainRect.Height(), 40);

  ASSERT_EQ(frame->m_wndStatusBar.GetCount(), 3);
  UINT id, style;
  int width;
  frame->m_wndStatusBar.GetPaneInfo(1, id, style, width);
  EXPECT_EQ(id, static_cast<UINT>(ID_INDICATOR_PROGRESS));
  EXPECT_EQ(width, 0);
  frame->m_wndStatusBar.GetPaneInfo(2, id, style, width);
  EXPECT_EQ(id, static_cast<UINT>(ID_INDICATOR_TEXT));
  EXPECT_EQ(width, 200);
  EXPECT_FALSE(frame->m_wndProgress.IsWindowVisible());
  EXPECT_TRUE(frame->m_wndStatusText.IsWindowVisible());
  EXPECT_EQ(frame->m_wndProgress.SendMessage(PBM_GETRANGE, FALSE, 0), 100);
  EXPECT_TRUE(frame->m_bProgressLive);

  EXPECT_EQ(frame->m_wndMDIClient.GetBackgroundColour(), RGB(128, 128, 128));
  EXPECT_EQ(frame->m_wndMDIClient.GetBackgroundMode(), 1);
  EXPECT_EQ(frame->m_wndMDIClient.GetBitmapSize().cx, 240);
  EXPECT_EQ(frame->m_wndMDIClient.GetBitmapSize().cy, 160);
  {
    // The picture paints centred on the grey: its rectangle holds colours of its own.
    CRect rc;
    frame->m_wndMDIClient.GetClientRect(&rc);
    frame->m_wndMDIClient.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HDC dc = ::GetDC(frame->m_wndMDIClient.m_hWnd);
    int own = 0;
    for (int y = rc.Height() / 2 - 70; y < rc.Height() / 2 + 70; y += 7)
      for (int x = rc.Width() / 2 - 110; x < rc.Width() / 2 + 110; x += 11)
        own += (::GetPixel(dc, x, y) & 0xFFFFFF) != RGB(128, 128, 128);
    ::ReleaseDC(frame->m_wndMDIClient.m_hWnd, dc);
    EXPECT_GT(own, 0);
  }

  ASSERT_NE(app_->m_pConfig, nullptr);
  ASSERT_NE(app_->m_pFileOpenDlg, nullptr);
  EXPECT_EQ(app_->m_pFileOpenDlg->m_ofn.Flags & 0x1A00u, 0x1A00u);
  EXPECT_EQ(app_->m_cfAnnotation, RegisterClipboardFormatA("VELLVIEW_ANNOTATION"));
  // The grid library started with the program: the class of the dialogs' grid controls is there.
  WNDCLASSA gridClass;
  EXPECT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "CGXGridWnd", &gridClass));
  EXPECT_EQ(app_->m_paperNames.GetSize(), 4);
  EXPECT_EQ(CSplashWnd::GetShown(), nullptr);  // "/T"

  // The class object serves the document's OLE class, so the entries offer it to containers,
  // with this program as its server.
  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, sizeof module);
  char server[MAX_PATH] = "";
  LONG size = sizeof server;
  EXPECT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, "CLSID\\{5B1C7A42-93D0-4E6F-A2B8-0C4D6E8F1A37}\\LocalServer32", server,
                           &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(server, module);
  char clsid[64] = "";
  size = sizeof clsid;
  EXPECT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, "Vellora.Document\\CLSID", clsid, &size), ERROR_SUCCESS);
  EXPECT_STREQ(clsid, "{5B1C7A42-93D0-4E6F-A2B8-0C4D6E8F1A37}");
  EXPECT_TRUE(vvtest::MessageBoxes::Get().texts.empty());
}

// A start by a container (or an automation client) returns at once with the class object handed
// to COM, before any file of the command line opens and without showing the main window; the
// object it serves is an empty document of the program's class.
TEST_F(ShellTest, AnEmbeddedOrAutomatedStartServesTheClassAtOnce) {
  const std::string tif = MakeTiff("embedded.tif");
  const CLSID clsid = {0x5B1C7A42, 0x93D0, 0x4E6F, {0xA2, 0xB8, 0x0C, 0x4D, 0x6E, 0x8F, 0x1A, 0x37}};
  for (const char* sw : {"/Embedding", "-Automation"}) {
    vvtest::MessageBoxes::Install();
    // The second piece names an existing file, which a normal start would open.
    ASSERT_TRUE(Start(std::string(sw) + " ;" + tif)) << sw;
    EXPECT_TRUE(OpenDocumentPaths().empty()) << sw;
    ASSERT_NE(app_->m_pMainWnd, nullptr) << sw;
    EXPECT_FALSE(app_->m_pMainWnd->IsWindowVisible()) << sw;
    EXPECT_TRUE(vvtest::MessageBoxes::Get().texts.empty()) << sw;
    EXPECT_EQ(app_->m_pFileOpenDlg, nullptr) << sw;
    // Only OLE controls the program now; the test keeps it from ending when the object goes.
    EXPECT_FALSE(AfxOleGetUserCtrl()) << sw;
    AfxOleSetUserCtrl(TRUE);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(CoGetClassObject(clsid, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(&factory)),
              S_OK)
        << sw;
    IOleObject* obj = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(&obj)), S_OK) << sw;
    factory->Release();
    EXPECT_EQ(OpenDocumentPaths().size(), 1u) << sw;
    SIZEL extent = {};
    EXPECT_EQ(obj->GetExtent(DVASPECT_CONTENT, &extent), S_OK) << sw;
    EXPECT_EQ(extent.cx, 3000) << sw;
    EXPECT_EQ(extent.cy, 3000) << sw;
    // The last reference closes the document.
    obj->Release();
    EXPECT_TRUE(OpenDocumentPaths().empty()) << sw;
    Stop();
  }
}

// Entries that an earlier installation left, naming another program as the class's server, are
// taken over by a normal start; the shell's file type under the same program identifier stays.
TEST_F(ShellTest, OleEntriesOfAnotherServerAreTakenOver) {
  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, sizeof module);
  const char* classKey = "CLSID\\{5B1C7A42-93D0-4E6F-A2B8-0C4D6E8F1A37}";
  const char other[] = "C:\\old\\Vellview.exe";
  ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, (std::string(classKey) + "\\LocalServer32").c_str(), REG_SZ, other,
                         static_cast<DWORD>(strlen(other))),
            ERROR_SUCCESS);
  ASSERT_TRUE(Start(""));
  char server[MAX_PATH] = "";
  LONG size = sizeof server;
  ASSERT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, (std::string(classKey) + "\\LocalServer32").c_str(), server, &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(server, module);
  HKEY key;
  EXPECT_EQ(RegOpenKeyA(HKEY_CLASSES_ROOT, "Vellora.Document\\Insertable", &key), ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyA(HKEY_CLASSES_ROOT, "Vellora.Document", &key), ERROR_SUCCESS);
  RegCloseKey(key);
  Stop();
}

TEST_F(ShellTest, TheCommandLineOpensEachExistingFileOfItsList) {
  const std::string a = MakeTiff("a.tif");
  const std::string b = MakeTiff("b.tif");
  struct Case {
    std::string line;
    std::vector<std::string> opened;
  };
  const Case cases[] = {
      {a + ";" + b, {a, b}},
      {a + ";;" + b, {a, b}},
      {"\"" + a + "\"", {}},
      {a + ";" + folder_ + "missing.tif", {a}},
      {" " + a, {}},  // pieces are not trimmed
  };
  for (const Case& c : cases) {
    vvtest::MessageBoxes::Install();
    ASSERT_TRUE(Start(c.line)) << c.line;
    std::vector<std::string> paths = OpenDocumentPaths();
    ASSERT_EQ(paths.size(), c.opened.size()) << c.line;
    for (size_t i = 0; i < paths.size(); ++i) EXPECT_EQ(_stricmp(paths[i].c_str(), c.opened[i].c_str()), 0) << c.line;
    EXPECT_TRUE(vvtest::MessageBoxes::Get().texts.empty()) << c.line;
    Stop();
  }
}

// Files dropped on the main window open as documents, as the shell's drag and drop hands them over.
TEST_F(ShellTest, DroppedFilesOpen) {
  const std::string a = MakeTiff("drop a.tif");
  const std::string b = MakeTiff("drop-b.tif");
  ASSERT_TRUE(Start("/T"));
  EXPECT_TRUE(GetWindowLongA(Frame()->m_hWnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  std::string names = a + '\0' + b + '\0' + '\0';
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + names.size());
  DROPFILES* drop = static_cast<DROPFILES*>(GlobalLock(h));
  drop->pFiles = sizeof(DROPFILES);
  memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size());
  GlobalUnlock(h);
  Frame()->SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(h));  // the frame frees the drop
  std::vector<std::string> paths = OpenDocumentPaths();
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(_stricmp(paths[0].c_str(), a.c_str()), 0);
  EXPECT_EQ(_stricmp(paths[1].c_str(), b.c_str()), 0);
}

TEST_F(ShellTest, PaperFormatsComeFromVLFormatIni) {
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, const char*>> lines;  // null: no file at all
    bool noFile;
    std::vector<std::string> names;
    std::vector<int> sizes;
  };
  const std::vector<std::string> builtIn = {"A1 (594 x 841 mm)", "A2 (594 x 420 mm)", "A3 (297 x 420 mm)",
                                            "A4 (297 x 210 mm)"};
  const std::vector<int> builtInSizes = {594, 841, 594, 420, 297, 420, 297, 210};
  const Case cases[] = {
      {"missing", {}, true, builtIn, builtInSizes},
      {"empty section", {}, false, builtIn, builtInSizes},
      {"valid", {{"1", "297,210,A4 landscape"}, {"2", " 210,297,A4 portrait "}}, false,
       {"A4 landscape", "A4 portrait"}, {297, 210, 210, 297}},
      {"malformed second", {{"1", "420,297,A3"}, {"2", "297,210,"}, {"3", "1,1,never"}}, false, {"A3"}, {420, 297}},
      {"width only", {{"1", "297,210,A4"}, {"2", "594"}}, false, {"A4"}, {297, 210}},
      {"malformed first", {{"1", "nonsense"}}, false, builtIn, builtInSizes},
      {"gap", {{"1", "100,200,Small"}, {"3", "300,400,Far"}}, false, {"Small"}, {100, 200}},
      // Width 0 is the entry that prints without fitting: it stays, and so do the lines after it.
      {"unfitted", {{"1", "0,0,Original size"}, {"2", "297,210,A4"}}, false, {"Original size", "A4"}, {0, 0, 297, 210}},
  };
  ASSERT_TRUE(Start("/T"));
  const std::string ini = vvapptest::ProgramDir() + "VLFormat.ini";
  for (const Case& c : cases) {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
    DeleteFileA(ini.c_str());
    if (!c.noFile) {
      FILE* f = fopen(ini.c_str(), "w");
      ASSERT_NE(f, nullptr);
      fputs("[Output]\n", f);
      for (const auto& l : c.lines) fprintf(f, "%s=%s\n", l.first, l.second);
      fclose(f);
    }
    app_->load_paper_formats();
    ASSERT_EQ(app_->m_paperNames.GetSize(), static_cast<INT_PTR>(c.names.size())) << c.name;
    ASSERT_EQ(app_->m_paperSizes.GetSize(), 2 * app_->m_paperNames.GetSize()) << c.name;
    for (size_t i = 0; i < c.names.size(); ++i) EXPECT_STREQ(app_->m_paperNames[i], c.names[i].c_str()) << c.name;
    for (size_t i = 0; i < c.sizes.size(); ++i) EXPECT_EQ(app_->m_paperSizes[i], c.sizes[i]) << c.name << " " << i;
  }
}

TEST_F(ShellTest, SettingsAreReadAtStartAndWrittenOnlyAtExit) {
  SetProfile("Config", "SnapType", "3");
  SetProfile("Config", "SHXDir", "  C:\\Fonts  ");
  SetProfile("Config", "CALSExt", "");
  SetProfile("PaperHead", "Scale2", "0.5");
  SetProfile("RasterPrinting", "Dpi", "300");
  ASSERT_TRUE(Start("/T"));
  CConfig* cfg = app_->m_pConfig;
  EXPECT_EQ(cfg->m_nSnapType, 1);
  EXPECT_STREQ(cfg->m_strSHXDir, "C:\\Fonts\\");
  EXPECT_STREQ(cfg->m_strCALSExt, "CAL");
  EXPECT_EQ(cfg->m_strCALSDir.CompareNoCase(vvapptest::ProgramDir().c_str()), 0);
  EXPECT_DOUBLE_EQ(cfg->m_dScale2, 0.5);
  EXPECT_EQ(cfg->m_nDpi, 300);
  EXPECT_EQ(cfg->m_nPrintChoice, -1);
  cfg->m_nUnit = 5;
  cfg->m_nPrintChoice = 2;
  EXPECT_EQ(Profile("Config", "Unit"), "<missing>");
  Stop();
  EXPECT_EQ(Profile("Config", "Unit"), "5");
  EXPECT_EQ(Profile("Config", "SnapType"), "1");
  EXPECT_EQ(Profile("Config", "SHXDir"), "C:\\Fonts\\");
  EXPECT_EQ(Profile("PaperHead", "Scale2"), "0.500000");
  EXPECT_EQ(Profile("RasterPrinting", "Dpi"), "300");
  ASSERT_TRUE(Start("/T"));
  EXPECT_EQ(app_->m_pConfig->m_nUnit, 5);
  EXPECT_DOUBLE_EQ(app_->m_pConfig->m_dScale2, 0.5);
  EXPECT_EQ(app_->m_pConfig->m_nPrintChoice, -1);
}

// Every key of the settings record, spelt and placed as the profile has them, with a value other
// than its default: written into a real Vellview.INI, read by the record, and written back by it
// under the same key and section. A key the record misspells or puts in another section reads
// its default here and fails.
TEST(SettingsProfile, EveryKeyRoundTripsThroughARealVellviewIni) {
  struct Key {
    const char* section;
    const char* key;
    const char* written;  // the value stored before the start
    int CConfig::*intField;
    CString CConfig::*stringField;
    double CConfig::*realField;
    const char* back;  // the value the record writes back; null: as written
  };
  auto I = [](const char* s, const char* k, const char* v, int CConfig::*f) {
    return Key{s, k, v, f, nullptr, nullptr, nullptr};
  };
  auto S = [](const char* s, const char* k, const char* v, CString CConfig::*f) {
    return Key{s, k, v, nullptr, f, nullptr, nullptr};
  };
  auto R = [](const char* s, const char* k, const char* v, double CConfig::*f, const char* back) {
    return Key{s, k, v, nullptr, nullptr, f, back};
  };
  const char* C = "Config";
  const char* H = "PaperHead";
  const char* P = "RasterPrinting";
  const Key keys[] = {
      I(C, "ViewDwg", "2", &CConfig::m_nViewDwg), I(C, "DarkDWG", "1", &CConfig::m_nDarkDWG),
      I(C, "SnapType", "2", &CConfig::m_nSnapType), I(C, "SnapSize", "3", &CConfig::m_nSnapSize),
      I(C, "Unit", "7", &CConfig::m_nUnit), I(C, "Decimals", "4", &CConfig::m_nDecimals),
      I(C, "BWDWG", "1", &CConfig::m_nBWDWG), S(C, "SHXDir", "C:\\Fonts\\Shx\\", &CConfig::m_strSHXDir),
      I(C, "UseShx", "0", &CConfig::m_nUseShx), I(C, "XrefMissingWarning", "0", &CConfig::m_nXrefMissingWarning),
      I(C, "XrefShowText", "0", &CConfig::m_nXrefShowText),
      S(C, "RedlineDir", "D:\\Redline\\", &CConfig::m_strRedlineDir),
      I(C, "UseRedlineDir", "1", &CConfig::m_nUseRedlineDir), I(C, "Alias", "2", &CConfig::m_nAlias),
      I(C, "TextHeight", "35", &CConfig::m_nTextHeight), I(C, "RotateCals", "0", &CConfig::m_nRotateCals),
      I(C, "UseQuickView", "0", &CConfig::m_nUseQuickView), I(C, "ShowRedline", "0", &CConfig::m_nShowRedline),
      I(C, "Scanner", "2", &CConfig::m_nScanner), S(C, "RSTWPath", "C:\\Scan\\rstw.exe", &CConfig::m_strRSTWPath),
      I(C, "OnTop", "1", &CConfig::m_nOnTop), I(C, "Dlp", "0", &CConfig::m_nDlp),
      I(C, "UsePrevLSet", "1", &CConfig::m_nUsePrevLSet), S(C, "LLSet", "Plot layers", &CConfig::m_strLLSet),
      S(C, "CALSDir", "E:\\Cals", &CConfig::m_strCALSDir), S(C, "CALSExt", "CLS", &CConfig::m_strCALSExt),
      S(C, "CALSSpec", "Military", &CConfig::m_strCALSSpec),
      S(C, "LaunchApp", "editor.exe \"%1\"", &CConfig::m_strLaunchApp),
      I(H, "Use", "0", &CConfig::m_nHeadUse), I(H, "FileName", "0", &CConfig::m_nHeadFileName),
      I(H, "Time", "0", &CConfig::m_nHeadTime), I(H, "Scale", "0", &CConfig::m_nHeadScale),
      I(H, "Text", "0", &CConfig::m_nHeadText), S(H, "UserText", "Checked by us", &CConfig::m_strHeadUserText),
      I(H, "All", "0", &CConfig::m_nPrintAll), I(H, "Fit", "0", &CConfig::m_nPrintFit),
      R(H, "Scale1", "2.5", &CConfig::m_dScale1, "2.500000"), R(H, "Scale2", "0.25", &CConfig::m_dScale2, "0.250000"),
      I(H, "Copies", "3", &CConfig::m_nCopies), I(H, "What", "2", &CConfig::m_nPrintWhat),
      I(H, "Size", "4", &CConfig::m_nPaperSize), I(H, "Left", "0", &CConfig::m_nPaperLeft),
      I(H, "Top", "2", &CConfig::m_nPaperTop), I(H, "PenType", "1", &CConfig::m_nPenType),
      I(H, "PenWidth", "3", &CConfig::m_nPenWidth), I(P, "Format", "2", &CConfig::m_nRasterFormat),
      I(P, "Port", "1", &CConfig::m_nRasterPort), I(P, "Printer", "5", &CConfig::m_nRasterPrinter),
      I(P, "ForceDpi", "0", &CConfig::m_nForceDpi), I(P, "Dpi", "300", &CConfig::m_nDpi),
      I(P, "AllowDpi", "0", &CConfig::m_nAllowDpi), I(P, "Dpi2", "150", &CConfig::m_nDpi2),
      I(P, "UsePrim", "0", &CConfig::m_nUsePrim), I(P, "Prim", "841", &CConfig::m_nPrim),
      I(P, "UseSnd", "0", &CConfig::m_nUseSnd), I(P, "Snd", "420", &CConfig::m_nSnd),
      I(P, "SWCopies", "2", &CConfig::m_nSWCopies),
  };
  const std::string ini = vvapptest::ProfilePath("Vellview");
  const std::string saved = ini + ".vvsaved";
  MoveFileExA(ini.c_str(), saved.c_str(), MOVEFILE_REPLACE_EXISTING);
  for (const Key& k : keys) WritePrivateProfileStringA(k.section, k.key, k.written, ini.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());

  CVLRApp* app = new CVLRApp;
  app->m_pszProfileName = "Vellview.INI";
  char cmdLine[1] = "";
  ASSERT_TRUE(AfxWinInit(GetModuleHandleA(nullptr), nullptr, cmdLine, SW_SHOWNORMAL));
  CAppProfile profile;
  CConfig* config = new CConfig(&profile, "C:\\Program\\");
  // What each key reads when the profile has none of them.
  struct CEmptyProfile : CConfigProfile {
    int GetInt(const char*, const char*, int nDefault) override { return nDefault; }
    CString GetString(const char*, const char*, const char* lpszDefault) override { return lpszDefault; }
    void WriteInt(const char*, const char*, int) override {}
    void WriteString(const char*, const char*, const char*) override {}
  } empty;
  const CConfig defaults(&empty, "C:\\Program\\");
  for (const Key& k : keys) {
    SCOPED_TRACE(std::string(k.section) + "/" + k.key);
    if (k.intField) {
      EXPECT_EQ(config->*k.intField, atoi(k.written));
      EXPECT_NE(defaults.*k.intField, atoi(k.written)) << "the value must differ from the default";
    } else if (k.stringField) {
      EXPECT_STREQ(config->*k.stringField, k.written);
    } else {
      EXPECT_DOUBLE_EQ(config->*k.realField, atof(k.written));
    }
  }
  // Written back, under the same keys, only when the record goes.
  for (const Key& k : keys) WritePrivateProfileStringA(k.section, k.key, nullptr, ini.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
  delete config;
  for (const Key& k : keys) {
    EXPECT_EQ(vvapptest::ReadIni(ini, k.section, k.key), k.back ? k.back : k.written) << k.section << "/" << k.key;
  }
  delete app;
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
  DeleteFileA(ini.c_str());
  MoveFileExA(saved.c_str(), ini.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// The toolkit's session, in a child run of this program so that its exit is seen: started twice
// it starts once, its two shape fonts are temporary ".SHX" files holding the bytes of resources
// 102 and 103, and both are gone when the program has ended.
std::string ResourceBytes(int id) {
  HRSRC res = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));
  if (!res) return std::string();
  const char* p = static_cast<const char*>(LockResource(LoadResource(nullptr, res)));
  return std::string(p, SizeofResource(nullptr, res));
}

std::string FileBytes(const char* path) {
  std::string bytes;
  FILE* f = fopen(path, "rb");
  for (int c; f && (c = fgetc(f)) != EOF;) bytes += static_cast<char>(c);
  if (f) fclose(f);
  return bytes;
}

TEST(ToolkitSessionChild, DISABLED_StartsOnceWithItsFontsWritten) {
  const char* report = getenv("VV_TOOLKIT_REPORT");
  ASSERT_NE(report, nullptr);
  ASSERT_TRUE(InitDwgToolkitOnce(nullptr));
  const CString oem = GetToolkitSession().GetOemFontPath();
  const CString ansi = GetToolkitSession().GetAnsiFontPath();
  ASSERT_TRUE(InitDwgToolkitOnce(nullptr));
  EXPECT_TRUE(GetToolkitSession().IsInitialised());
  EXPECT_EQ(GetToolkitSession().GetOemFontPath(), oem);
  EXPECT_EQ(GetToolkitSession().GetAnsiFontPath(), ansi);
  EXPECT_NE(oem, ansi);
  for (const CString* path : {&oem, &ansi}) EXPECT_EQ(path->Right(4), ".SHX") << static_cast<LPCSTR>(*path);
  const std::string oemBytes = ResourceBytes(102), ansiBytes = ResourceBytes(103);
  EXPECT_FALSE(oemBytes.empty());
  EXPECT_EQ(FileBytes(oem), oemBytes);
  EXPECT_EQ(FileBytes(ansi), ansiBytes);
  FILE* out = fopen(report, "w");
  ASSERT_NE(out, nullptr);
  fprintf(out, "%s\n%s\n", static_cast<LPCSTR>(oem), static_cast<LPCSTR>(ansi));
  fclose(out);
}

TEST(ToolkitSession, StartsOnceAndRemovesItsFontsAtExit) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  char tmp[MAX_PATH];
  GetTempPathA(sizeof tmp, tmp);
  const std::string report = std::string(tmp) + "vv_toolkit_report.txt";
  DeleteFileA(report.c_str());
  SetEnvironmentVariableA("VV_TOOLKIT_REPORT", report.c_str());
  std::string cmd = std::string("\"") + self +
                    "\" --gtest_also_run_disabled_tests --gtest_filter=ToolkitSessionChild.*";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(CreateProcessA(self, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  ASSERT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  EXPECT_EQ(code, 0u) << "the child run failed";
  char oem[MAX_PATH] = "", ansi[MAX_PATH] = "";
  FILE* in = fopen(report.c_str(), "r");
  ASSERT_NE(in, nullptr);
  ASSERT_EQ(fscanf(in, "%259[^\n]\n%259[^\n]", oem, ansi), 2);
  fclose(in);
  DeleteFileA(report.c_str());
  EXPECT_EQ(GetFileAttributesA(oem), INVALID_FILE_ATTRIBUTES) << oem;
  EXPECT_EQ(GetFileAttributesA(ansi), INVALID_FILE_ATTRIBUTES) << ansi;
}

TEST_F(ShellTest, ProgressShowsOnlyAfterStartUpAndSwapsThePanes) {
  ASSERT_TRUE(Start("/T"));
  CMainFrame* frame = Frame();
  frame->m_bProgressLive = FALSE;
  frame->SetProgress(50);
  EXPECT_FALSE(frame->m_wndProgress.IsWindowVisible());
  frame->m_bProgressLive = TRUE;
  struct Step {
    int percent;
    bool visible;
    int pane1, pane2;
  };
  const Step steps[] = {
      {0, false, 0, 200}, {50, true, 195, 0}, {70, true, 195, 0}, {0, false, 0, 195}, {0, false, 0, 195},
  };
  for (const Step& s : steps) {
    frame->SetProgress(s.percent);
    EXPECT_EQ(frame->m_wndProgress.IsWindowVisible() != FALSE, s.visible) << s.percent;
    EXPECT_EQ(frame->m_wndStatusText.IsWindowVisible() != FALSE, !s.visible) << s.percent;
    UINT id, style;
    int w1, w2;
    frame->m_wndStatusBar.GetPaneInfo(1, id, style, w1);
    frame->m_wndStatusBar.GetPaneInfo(2, id, style, w2);
    EXPECT_EQ(w1, s.pane1) << s.percent;
    EXPECT_EQ(w2, s.pane2) << s.percent;
    if (s.visible) {
      EXPECT_EQ(frame->m_wndProgress.SendMessage(PBM_GETPOS), s.percent);
    }
  }
  frame->SetStatusText("Loading");
  CString text;
  frame->m_wndStatusText.GetWindowText(text);
  EXPECT_STREQ(text, "Loading");
}

TEST_F(ShellTest, TheSavedPlacementIsAppliedOnlyWhenWholeAndOnScreen) {
  struct Case {
    const char* name;
    int values[6];
    bool applied;
  };
  const int sx = GetSystemMetrics(SM_CXSCREEN) - GetSystemMetrics(SM_CXICON);
  const Case cases[] = {
      {"whole", {2, 1, 100, 80, 700, 580}, true},
      {"a zero", {2, 1, 0, 80, 700, 580}, false},
      {"off the screen", {2, 1, sx + 1, 80, sx + 600, 580}, false},
      {"at the edge", {2, 1, sx, 80, sx + 600, 580}, true},
  };
  const char* keys[] = {"Flags", "ShowCmd", "Left", "Top", "Right", "Bottom"};
  for (const Case& c : cases) {
    ResetProfile();
    for (int i = 0; i < 6; ++i) SetProfile("WindowPlacement", keys[i], std::to_string(c.values[i]).c_str());
    ASSERT_TRUE(Start("/T")) << c.name;
    WINDOWPLACEMENT wp;
    Frame()->GetWindowPlacement(&wp);
    bool applied = wp.rcNormalPosition.left == c.values[2] && wp.rcNormalPosition.top == c.values[3] &&
                   wp.rcNormalPosition.right == c.values[4] && wp.rcNormalPosition.bottom == c.values[5];
    EXPECT_EQ(applied, c.applied) << c.name;
    Stop();
  }
  // Closing the frame keeps its placement and the bars' state.
  ResetProfile();
  ASSERT_TRUE(Start("/T"));
  Frame()->MoveWindow(120, 90, 640, 480);
  Frame()->SendMessage(WM_CLOSE);
  vvtest::Pump(20);
  app_->m_pMainWnd = nullptr;
  EXPECT_EQ(Profile("WindowPlacement", "Left"), "120");
  EXPECT_EQ(Profile("WindowPlacement", "Bottom"), "570");
  EXPECT_EQ(Profile("Toolbars-Summary", "Bars"), "3");
}

TEST_F(ShellTest, TheSplashShowsUnlessAskedNotToAndClosesOnAKey) {
  ASSERT_TRUE(Start(""));
  ASSERT_NE(CSplashWnd::GetShown(), nullptr);
  MSG key = {};
  key.message = WM_KEYDOWN;
  EXPECT_FALSE(CSplashWnd::PreTranslateAppMessage(&key));
  EXPECT_EQ(CSplashWnd::GetShown(), nullptr);
  Stop();
  ASSERT_TRUE(Start("x.tif /t"));
  EXPECT_EQ(CSplashWnd::GetShown(), nullptr);
}

// The background picture (240 x 160, a white sheet with a blue frame inside) sits in the middle of
// the MDI client, also after the frame changed its size.
TEST_F(ShellTest, TheBackgroundPictureIsCentredInTheClient) {
  ASSERT_TRUE(Start("/T"));
  COXMDIClient& client = Frame()->m_wndMDIClient;
  for (int width : {900, 700}) {
    Frame()->MoveWindow(0, 0, width, 600);
    client.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    vvtest::Pump(20);
    CRect rc;
    client.GetClientRect(&rc);
    HDC dc = GetDC(client.m_hWnd);
    const int cx = rc.Width() / 2, cy = rc.Height() / 2;
    EXPECT_EQ(GetPixel(dc, cx - 40, cy - 40) & 0xFFFFFF, RGB(255, 255, 255)) << width;  // on the sheet
    EXPECT_EQ(GetPixel(dc, cx - 110, cy - 70) & 0xFFFFFF, RGB(128, 128, 128)) << width;  // the picture's grey
    EXPECT_EQ(GetPixel(dc, 5, 5) & 0xFFFFFF, RGB(128, 128, 128)) << width;  // the background colour
    ReleaseDC(client.m_hWnd, dc);
  }
}

// Every picture of both toolbars has a transparent background, so that its greyed form is the
// picture's outline and not a solid grey square.
TEST_F(ShellTest, ToolbarPicturesHaveATransparentBackground) {
  ASSERT_TRUE(Start("/T"));
  for (CToolBar* bar : {&Frame()->m_wndToolBar, &Frame()->m_wndAnnotationBar}) {
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(bar->SendMessage(TB_GETIMAGELIST));
    ASSERT_NE(images, nullptr);
    const int count = ImageList_GetImageCount(images);
    ASSERT_GT(count, 8);
    for (int i = 0; i < count; ++i) {
      HICON icon = ImageList_GetIcon(images, i, ILD_NORMAL);
      ASSERT_NE(icon, nullptr);
      ICONINFO info = {};
      ASSERT_TRUE(GetIconInfo(icon, &info));
      HDC dc = CreateCompatibleDC(nullptr);
      HGDIOBJ old = SelectObject(dc, info.hbmMask);
      int transparent = 0;
      for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 16; ++x) transparent += (GetPixel(dc, x, y) & 0xFFFFFF) != 0;
      SelectObject(dc, old);
      DeleteDC(dc);
      DeleteObject(info.hbmMask);
      DeleteObject(info.hbmColor);
      DestroyIcon(icon);
      EXPECT_GT(transparent, 40) << "picture " << i;
      EXPECT_LT(transparent, 16 * 15) << "picture " << i;
    }
  }
}

TEST_F(ShellTest, AlwaysOnTopAndTheCalsHeaderToggle) {
  ASSERT_TRUE(Start("/T"));
  CMainFrame* frame = Frame();
  for (int round = 0; round < 2; ++round) {
    frame->SendMessage(WM_COMMAND, ID_VIEW_ONTOP);
    EXPECT_EQ(app_->m_pConfig->m_nOnTop, round == 0 ? 1 : 0);
    EXPECT_EQ((frame->GetExStyle() & WS_EX_TOPMOST) != 0, round == 0);
  }
  frame->SendMessage(WM_COMMAND, ID_TOOLS_CALSHEADER);
  ASSERT_NE(app_->m_pCalsHeaderDlg, nullptr);
  EXPECT_TRUE(app_->m_pCalsHeaderDlg->IsWindowVisible());
  frame->SendMessage(WM_COMMAND, ID_TOOLS_CALSHEADER);
  EXPECT_EQ(app_->m_pCalsHeaderDlg, nullptr);
}

// The pen lists come from the profile section the table is given.
TEST_F(ShellTest, PenWidthsFromTheProfile) {
  SetProfile("ProgramDefault", "Penlist1", std::string(254, '1').c_str());  // 0x11 = 17
  SetProfile("Other", "Penlist2", std::string(254, '2').c_str());
  ASSERT_TRUE(Start("/T"));
  CPenTable t;
  t.Init("ProgramDefault", 1.0);
  EXPECT_EQ(t.GetWidth(0), 17);
  EXPECT_EQ(t.GetWidth(200), 20);
  t.Init("Other", 1.0);  // no first list: every pen 18, whatever the second holds
  EXPECT_EQ(t.GetWidth(0), 18);
  EXPECT_EQ(t.GetWidth(200), 18);
  t.Init("", 2.0);
  EXPECT_EQ(t.GetWidth(0), 36);
}

TEST(VersionInfo, TheProgramsVersionRecord) {
  CVersionInfo info(nullptr);
  EXPECT_STREQ(info.GetTranslationKey(), "040904E4");
  EXPECT_STREQ(info.GetValue("ProductName"), "Vellora");
  EXPECT_STREQ(info.GetValue("ProductVersion"), "1.0.0.1");
  EXPECT_STREQ(info.GetValue("NoSuchValue"), "");
}

}  // namespace
