// The raster dialogs and the settings sheet under Wine, opened through the commands that show
// them and driven by a timer as a person would: the rotate dialog's choices, texts and refusals;
// the properties tree; the save-as flow with its format list by colour class, the saved file read
// back, a format the library cannot write, and the refusal to overwrite an open file; the settings
// sheet's round trip, Cancel, range checks and folder rule.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "MainFrm.h"
#include "Raster.h"
#include "RotateDlg.h"
#include "SaveRaster.h"
#include "VLRApp.h"
#include "tests/app/win32/DocAppFixture.h"
#include "VLRDoc.h"
#include "VLRView.h"
#include "WinTestSupport.h"
#include "resource.h"
#include "zeri8v98.h"

namespace {

using vvtest::TempDir;

class CDialogsApp : public CTestDocApp {
 public:
  CDialogsApp() : CTestDocApp(800, 600) {}
};

// A BMP of 1 or 24 bits per pixel at 100 dpi: white, with a black square in the top-left
// quarter and, at 24 bits, a red right half.
std::string WriteBmp(const char* name, int w, int h, int bpp) {
  const int row = bpp == 1 ? (w + 31) / 32 * 4 : (w * 3 + 3) / 4 * 4;
  const uint32_t palette = bpp == 1 ? 8 : 0;
  std::vector<uint8_t> f;
  auto le = [&](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) f.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  const uint32_t ppm = 100 * 10000 / 254;
  f.push_back('B');
  f.push_back('M');
  le(54 + palette + row * h, 4);
  le(0, 4);
  le(54 + palette, 4);
  le(40, 4);
  le(w, 4);
  le(h, 4);
  le(1, 2);
  le(bpp, 2);
  le(0, 4);
  le(row * h, 4);
  le(ppm, 4);
  le(ppm, 4);
  le(bpp == 1 ? 2 : 0, 4);
  le(0, 4);
  if (bpp == 1) {
    le(0x000000, 4);  // index 0 black
    le(0xFFFFFF, 4);  // index 1 white
  }
  for (int y = h - 1; y >= 0; --y) {
    std::vector<uint8_t> line(row, 0);
    for (int x = 0; x < w; ++x) {
      const bool black = x >= w / 8 && x < w / 4 && y >= h / 8 && y < h / 4;
      if (bpp == 1) {
        if (!black) line[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      } else {
        const uint32_t c = black ? 0x000000 : x >= w / 2 ? 0xFF0000 : 0xFFFFFF;
        line[x * 3] = static_cast<uint8_t>(c);
        line[x * 3 + 1] = static_cast<uint8_t>(c >> 8);
        line[x * 3 + 2] = static_cast<uint8_t>(c >> 16);
      }
    }
    f.insert(f.end(), line.begin(), line.end());
  }
  const std::string path = TempDir() + name;
  FILE* out = fopen(path.c_str(), "wb");
  fwrite(f.data(), 1, f.size(), out);
  fclose(out);
  return path;
}

// The image's pixels as 0x00RRGGBB, through the raster's clipboard copy.
std::vector<uint32_t> Pixels(CRaster& raster) {
  HBITMAP bitmap = raster.CopyRegion(nullptr);
  std::vector<uint32_t> px;
  if (!bitmap) return px;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = raster.m_nWidth;
  bi.bmiHeader.biHeight = -raster.m_nHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  px.resize(static_cast<size_t>(raster.m_nWidth) * raster.m_nHeight);
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, bitmap, 0, raster.m_nHeight, px.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  DeleteObject(bitmap);
  for (uint32_t& p : px) p &= 0xFFFFFF;
  return px;
}

// --- driving modal windows -----------------------------------------------------------------------

std::string Caption(HWND h) {
  char text[256] = "";
  GetWindowTextA(h, text, sizeof text);
  return text;
}

std::string Text(HWND dlg, int id) {
  char text[512] = "";
  GetDlgItemTextA(dlg, id, text, sizeof text);
  return text;
}

// The system's file dialog: the one with a file-name box.
HWND FileNameBox(HWND dlg) {
  HWND edit = GetDlgItem(dlg, 0x47c);
  return edit ? edit : GetDlgItem(dlg, 0x480);
}

// A step waits for the window it expects to be the active one, then acts on it. Steps that never
// find their window give up after a while, cancelling whatever is open, so no test hangs.
struct Step {
  std::function<bool(HWND)> expects;
  std::function<void(HWND)> act;
};
std::vector<Step> g_steps;
size_t g_next = 0;
int g_idleTicks = 0;

void CALLBACK StepTimer(HWND, UINT, UINT_PTR, DWORD) {
  HWND active = GetActiveWindow();
  // A modal dialog is shown only once its queue is empty: wait for that.
  if (g_next < g_steps.size() && active && IsWindowVisible(active) && g_steps[g_next].expects(active)) {
    g_idleTicks = 0;
    g_steps[g_next++].act(active);
    return;
  }
  if (++g_idleTicks > 60 && active && active != AfxGetMainWnd()->m_hWnd) {
    g_idleTicks = 0;
    PostMessageA(active, WM_COMMAND, IDCANCEL, 0);
  }
}

void RunWithSteps(const std::function<void()>& run, std::vector<Step> steps) {
  g_steps = std::move(steps);
  g_next = 0;
  g_idleTicks = 0;
  UINT_PTR timer = SetTimer(nullptr, 0, 40, &StepTimer);
  run();
  KillTimer(nullptr, timer);
}

std::function<bool(HWND)> Titled(const char* caption) {
  return [caption](HWND h) { return Caption(h) == caption; };
}
bool IsFileDialog(HWND h) { return FileNameBox(h) != nullptr; }
// The system's question before it replaces an existing file.
bool IsReplacePrompt(HWND h) { return !IsFileDialog(h) && IsFileDialog(GetWindow(h, GW_OWNER)); }

void Click(HWND dlg, int id) { SendMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }
void Press(HWND dlg, int id) { PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dlg, id)); }

void ChooseFile(HWND dlg, const std::string& path) {
  SetWindowTextA(FileNameBox(dlg), path.c_str());
  PostMessageA(dlg, WM_COMMAND, IDOK, 0);
}

class RasterDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vvtest::MessageBoxes::Install();
    app_ = new CDialogsApp;
    ASSERT_TRUE(AfxWinInit(GetModuleHandleA(nullptr), nullptr, cmdLine_, SW_SHOWNORMAL));
    ASSERT_TRUE(app_->InitInstance());
  }
  void TearDown() override {
    app_->CloseAllDocuments(FALSE);
    if (app_->m_pMainWnd) app_->m_pMainWnd->DestroyWindow();
    vvtest::Pump(20);
    delete app_;
  }
  CVLRDoc* Open(const std::string& path) {
    CDocument* doc = app_->OpenDocumentFile(path.c_str());
    vvtest::Pump(30);
    return static_cast<CVLRDoc*>(doc);
  }
  static const std::vector<std::string>& Messages() { return vvtest::MessageBoxes::Get().texts; }

  char cmdLine_[1] = {0};
  CDialogsApp* app_ = nullptr;
};

// --- rotate ------------------------------------------------------------------------------------------

TEST_F(RasterDlgTest, RotateDialogOpensOnTheAnglesChoice) {
  struct Case {
    int angle;
    int checked;
    const char* text;
    bool editEnabled;
  };
  const Case cases[] = {
      {9000, IDC_ROTATE_90, "90.00", false},
      {18000, IDC_ROTATE_180, "180.00", false},
      {27000, IDC_ROTATE_270, "270.00", false},
      {4550, IDC_ROTATE_FREE, "45.50", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.angle);
    CRotate dlg;
    dlg.m_nAngle = c.angle;
    int checked = 0;
    std::string text;
    BOOL enabled = FALSE, focused = FALSE;
    DWORD selection = 0;
    INT_PTR result = 0;
    RunWithSteps([&] { result = dlg.DoModal(); },
                 {{Titled("Rotate raster"), [&](HWND h) {
                     for (int id = IDC_ROTATE_90; id <= IDC_ROTATE_FREE; ++id)
                       if (IsDlgButtonChecked(h, id)) checked = id;
                     text = Text(h, IDC_ROTATE_ANGLE);
                     enabled = IsWindowEnabled(GetDlgItem(h, IDC_ROTATE_ANGLE));
                     focused = GetFocus() == GetDlgItem(h, IDC_ROTATE_ANGLE);
                     selection = static_cast<DWORD>(SendDlgItemMessageA(h, IDC_ROTATE_ANGLE, EM_GETSEL, 0, 0));
                     Press(h, IDOK);
                   }}});
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(checked, c.checked);
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(enabled != FALSE, c.editEnabled);
    EXPECT_EQ(focused != FALSE, c.editEnabled);
    if (c.editEnabled) {
      EXPECT_EQ(HIWORD(selection), strlen(c.text));  // the text is selected
    }
    EXPECT_EQ(dlg.m_nAngle, c.angle);
  }
}

TEST_F(RasterDlgTest, RotateDialogGivesTheChosenAngle) {
  struct Case {
    int button;
    const char* freeText;  // typed after choosing, when not null
    int angle;
  };
  const Case cases[] = {
      {IDC_ROTATE_90, nullptr, 9000},     {IDC_ROTATE_180, nullptr, 18000},
      {IDC_ROTATE_270, nullptr, 27000},   {IDC_ROTATE_FREE, "12.25", 1225},
      {IDC_ROTATE_FREE, "-0.29", -29},    {IDC_ROTATE_FREE, nullptr, 4550},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    CRotate dlg;
    dlg.m_nAngle = 4550;
    BOOL editAfterClick = TRUE;
    RunWithSteps([&] { dlg.DoModal(); },
                 {{Titled("Rotate raster"), [&](HWND h) {
                     Click(h, c.button);
                     editAfterClick = IsWindowEnabled(GetDlgItem(h, IDC_ROTATE_ANGLE));
                     if (c.freeText) SetDlgItemTextA(h, IDC_ROTATE_ANGLE, c.freeText);
                     Press(h, IDOK);
                   }}});
    EXPECT_EQ(editAfterClick != FALSE, c.button == IDC_ROTATE_FREE);
    EXPECT_EQ(dlg.m_nAngle, c.angle);
  }
  EXPECT_TRUE(Messages().empty());
}

TEST_F(RasterDlgTest, RotateDialogRefusesAnAngleItCannotTake) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"abc", "Please enter a number."},
      {"", "Please enter a number."},
      {"360.01", "Please enter a number between -360 and 360."},
      {"1e30", "Please enter a number between -360 and 360."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    vvtest::MessageBoxes::Install();
    CRotate dlg;
    dlg.m_nAngle = 9000;
    bool stillOpen = false;
    INT_PTR result = 0;
    RunWithSteps([&] { result = dlg.DoModal(); },
                 {{Titled("Rotate raster"),
                   [&](HWND h) {
                     Click(h, IDC_ROTATE_FREE);
                     SetDlgItemTextA(h, IDC_ROTATE_ANGLE, c.text);
                     Press(h, IDOK);
                   }},
                  {Titled("Rotate raster"), [&](HWND h) {
                     stillOpen = IsWindowVisible(h);
                     Press(h, IDCANCEL);
                   }}});
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], c.message);
    EXPECT_EQ(dlg.m_nAngle, 9000);
  }
}

// The document's commands: the dialog opens on 90 degrees and its choice turns the raster; the
// mirrors move the black square to the opposite side and the opposite end.
TEST_F(RasterDlgTest, RotateAndMirrorCommandsOfTheDocument) {
  CVLRDoc* doc = Open(WriteBmp("vv_dlg_rotate.bmp", 40, 20, 24));
  ASSERT_NE(doc, nullptr);
  int opened = 0;
  RunWithSteps([&] { doc->OnRotate(); }, {{Titled("Rotate raster"), [&](HWND h) {
                                             opened = IsDlgButtonChecked(h, IDC_ROTATE_90);
                                             Click(h, IDC_ROTATE_270);
                                             Press(h, IDOK);
                                           }}});
  EXPECT_EQ(opened, BST_CHECKED);
  EXPECT_EQ(doc->m_pRaster->m_nWidth, 20);
  EXPECT_EQ(doc->m_pRaster->m_nHeight, 40);
  RunWithSteps([&] { doc->OnRotate(); }, {{Titled("Rotate raster"), [&](HWND h) { Press(h, IDOK); }}});
  EXPECT_EQ(doc->m_pRaster->m_nWidth, 40);

  // The black square lies in the top-left quarter at (5..9, 2..4).
  auto at = [&](int x, int y) { return Pixels(*doc->m_pRaster)[static_cast<size_t>(y) * 40 + x]; };
  ASSERT_EQ(at(6, 3), 0x000000u);
  doc->OnMirrorX();
  // Left to right: the square goes to (30..34, 2..4), the red half comes to the left.
  EXPECT_EQ(at(6, 3), 0xFF0000u);
  EXPECT_EQ(at(33, 3), 0x000000u);
  // Top to bottom: the square goes to (30..34, 15..17).
  doc->OnMirrorY();
  EXPECT_EQ(at(33, 16), 0x000000u);
  EXPECT_EQ(at(33, 3), 0xFFFFFFu);
}

// The menu commands reach the dialogs through the message maps, Save As included: a raster is
// never saved through the framework's document save.
TEST_F(RasterDlgTest, MenuCommandsOpenTheirDialogs) {
  CVLRDoc* doc = Open(WriteBmp("vv_dlg_commands.bmp", 40, 20, 24));
  ASSERT_NE(doc, nullptr);
  struct Case {
    CCmdTarget* target;
    UINT command;
    const char* caption;
  };
  const Case cases[] = {
      {doc, ID_VIEW_ROTATE, "Rotate raster"},
      {doc, ID_FILE_PROPERTIES, "Properties"},
      {doc, ID_FILE_SAVE_AS, "Save raster - Select file format"},
      {app_, ID_TOOLS_SETTINGS, "Settings"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    bool shown = false;
    BOOL handled = FALSE;
    RunWithSteps([&] { handled = c.target->OnCmdMsg(c.command, CN_COMMAND, nullptr, nullptr); },
                 {{Titled(c.caption), [&](HWND h) {
                     shown = true;
                     PostMessageA(h, WM_COMMAND, IDCANCEL, 0);
                   }}});
    EXPECT_TRUE(handled);
    EXPECT_TRUE(shown);
  }
  EXPECT_EQ(doc->m_pRaster->m_nWidth, 40);  // nothing was turned

  // Save As is offered for a raster only.
  struct CRecordedUI : CCmdUI {
    int enabled = -1;
    void Enable(BOOL bOn) override {
      enabled = bOn ? 1 : 0;
      m_bEnableChanged = TRUE;
    }
  };
  CRecordedUI raster, none;
  raster.m_nID = none.m_nID = ID_FILE_SAVE_AS;
  raster.DoUpdate(doc, TRUE);
  CVLRDoc empty;
  none.DoUpdate(&empty, TRUE);
  EXPECT_EQ(raster.enabled, 1);
  EXPECT_EQ(none.enabled, 0);
}

// --- properties ------------------------------------------------------------------------------------

// The tree's texts, each indented by two blanks per level.
std::vector<std::string> TreeTexts(HWND tree, HTREEITEM item, int depth) {
  std::vector<std::string> texts;
  for (; item; item = TreeView_GetNextSibling(tree, item)) {
    char text[512] = "";
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
    texts.push_back(std::string(static_cast<size_t>(depth) * 2, ' ') + text);
    std::vector<std::string> children = TreeTexts(tree, TreeView_GetChild(tree, item), depth + 1);
    texts.insert(texts.end(), children.begin(), children.end());
  }
  return texts;
}

TEST_F(RasterDlgTest, PropertiesShowEveryFieldOfTheRaster) {
  struct Case {
    const char* name;
    int bpp;
    int format;  // put in place of the file's code; -1 keeps it
    const char* type;
    const char* colours;
  };
  const Case cases[] = {
      {"vv_props_24.bmp", 24, -1, "File type: Windows Bitmap uncompressed", "Number of colors (maximum): 16777216"},
      {"vv_props_1.bmp", 1, -1, "File type: Windows Bitmap uncompressed", "Number of colors (maximum): 2"},
      {"vv_props_cals.bmp", 1, 18, "File type: CALS", "Number of colors (maximum): 2"},
      {"vv_props_none.bmp", 24, 99, "File type: Undefined", "Number of colors (maximum): 16777216"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = WriteBmp(c.name, 48, 30, c.bpp);
    CVLRDoc* doc = Open(path);
    ASSERT_NE(doc, nullptr);
    if (c.format >= 0) doc->m_pRaster->m_nFormat = c.format;
    std::vector<std::string> texts;
    UINT rootState = 0;
    RunWithSteps([&] { doc->OnProperties(); }, {{Titled("Properties"), [&](HWND h) {
                                                   HWND tree = GetDlgItem(h, IDC_PROPERTIES_TREE);
                                                   HTREEITEM root = TreeView_GetRoot(tree);
                                                   rootState = TreeView_GetItemState(tree, root, TVIS_EXPANDED);
                                                   texts = TreeTexts(tree, root, 0);
                                                   Press(h, IDOK);
                                                 }}});
    const std::vector<std::string> expected = {
        "Raster properties",
        "  File name: " + path,
        "  Annotations file: " + path + ".VLR",
        std::string("  ") + c.type,
        "  Resolution: 100 dpi",
        std::string("  ") + c.colours,
        "  Size",
        "    Width: 48 pixels",
        "    Height: 30 pixels",
    };
    EXPECT_EQ(texts, expected);
    EXPECT_TRUE(rootState & TVIS_EXPANDED);
    doc->OnCloseDocument();
  }
}

// --- save as -----------------------------------------------------------------------------------------

std::vector<std::string> ListItems(HWND list) {
  std::vector<std::string> items;
  const int n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    char text[128] = "";
    SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    items.push_back(text);
  }
  return items;
}

bool Contains(const std::vector<std::string>& items, const char* item) {
  for (const std::string& s : items)
    if (s == item) return true;
  return false;
}

struct FormatListSeen {
  std::vector<std::string> items;
  std::string selected;
  bool optionsVisible = true;
  bool dialogEndsAboveOptions = false;
  int displayFile = -1, scanAnother = -1;
};

// Looks at the format list, chooses an item and presses OK.
Step ChooseFormat(FormatListSeen* seen, const char* item) {
  return {Titled("Save raster - Select file format"), [seen, item](HWND h) {
            HWND list = GetDlgItem(h, IDC_SRFORMAT_LIST);
            seen->items = ListItems(list);
            const int sel = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
            seen->selected = sel >= 0 && sel < static_cast<int>(seen->items.size()) ? seen->items[sel] : "";
            seen->optionsVisible = (GetWindowLongA(GetDlgItem(h, IDC_SRFORMAT_OPTIONS), GWL_STYLE) & WS_VISIBLE) != 0;
            RECT group, dialog;
            GetWindowRect(GetDlgItem(h, IDC_SRFORMAT_OPTIONS), &group);
            GetWindowRect(h, &dialog);
            seen->dialogEndsAboveOptions = dialog.bottom <= group.top;
            seen->displayFile = static_cast<int>(IsDlgButtonChecked(h, IDC_SRFORMAT_DISPLAY));
            seen->scanAnother = static_cast<int>(IsDlgButtonChecked(h, IDC_SRFORMAT_SCAN));
            // The options change to the opposite of what they showed.
            CheckDlgButton(h, IDC_SRFORMAT_DISPLAY, seen->displayFile ? BST_UNCHECKED : BST_CHECKED);
            CheckDlgButton(h, IDC_SRFORMAT_SCAN, seen->scanAnother ? BST_UNCHECKED : BST_CHECKED);
            SendMessageA(list, LB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(item));
            Press(h, IDOK);
          }};
}

TEST_F(RasterDlgTest, SaveAsOffersTheFormatsOfTheImagesColoursAndReadsBackEqual) {
  struct Case {
    const char* source;
    int bpp;
    const char* choice;
    const char* saved;
    int savedFormat;
    std::vector<const char*> offered, absent;
    size_t count;
  };
  const Case cases[] = {
      {"vv_save_1.bmp", 1, "CAL, CALS", "vv_saved_1.cal", 18,
       {"TIF, TIFF G4", "CAL, CALS", "EPS, Xerox EPS"}, {"JPG, JPEG", "TGA, TARGA", "XPM"}, 37},
      {"vv_save_1g4.bmp", 1, "TIF, TIFF G4", "vv_saved_1.tif", 10, {"TIF, TIFF G4"}, {"JPG, JPEG"}, 37},
      {"vv_save_24.bmp", 24, "PNG, PING", "vv_saved_24.png", 43,
       {"JPG, JPEG", "PNG, PING", "TGA, TARGA"}, {"TIF, TIFF G4", "CAL, CALS"}, 17},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    vvtest::MessageBoxes::Install();
    const std::string target = TempDir() + c.saved;
    DeleteFileA(target.c_str());
    CVLRDoc* doc = Open(WriteBmp(c.source, 64, 40, c.bpp));
    ASSERT_NE(doc, nullptr);
    FormatListSeen seen;
    std::string filterShown;
    RunWithSteps([&] { doc->OnSaveRasterAs(); },
                 {ChooseFormat(&seen, c.choice), {IsFileDialog, [&](HWND h) {
                                                    filterShown = Text(h, 0x470);  // the file type box
                                                    ChooseFile(h, target);
                                                  }}});
    EXPECT_EQ(seen.items.size(), c.count);
    for (const char* item : c.offered) EXPECT_TRUE(Contains(seen.items, item)) << item;
    for (const char* item : c.absent) EXPECT_FALSE(Contains(seen.items, item)) << item;
    EXPECT_EQ(seen.selected, "BMP, Windows Bitmap uncompressed");  // the BMP's own format
    EXPECT_FALSE(seen.optionsVisible);
    EXPECT_TRUE(seen.dialogEndsAboveOptions);
    EXPECT_TRUE(Messages().empty()) << Messages()[0];

    CRaster saved(target.c_str());
    ASSERT_TRUE(saved.IsValid());
    EXPECT_EQ(saved.m_nFormat, c.savedFormat);
    EXPECT_EQ(saved.m_nWidth, 64);
    EXPECT_EQ(saved.m_nHeight, 40);
    EXPECT_EQ(saved.m_nBitsPerPixel, c.bpp);
    EXPECT_TRUE(Pixels(saved) == Pixels(*doc->m_pRaster));
    DeleteFileA(target.c_str());
    doc->OnCloseDocument();
  }
}

// The scanning flow shows the options and keeps what the user chose there, even when the save
// dialog is then cancelled.
TEST_F(RasterDlgTest, FormatDialogOptionsShowWhenAskedAndTheirChoicesAreKept) {
  CRaster raster(WriteBmp("vv_save_options.bmp", 32, 16, 24).c_str());
  ASSERT_TRUE(raster.IsValid());
  CSaveRaster save;
  save.m_bShowOptions = TRUE;
  save.m_bScanAnother = TRUE;
  save.m_strPath = "C:\\earlier.tif";
  FormatListSeen seen;
  BOOL saved = TRUE;
  RunWithSteps([&] { saved = save.SaveAs(&raster); },
               {ChooseFormat(&seen, "JPG, JPEG"),
                {IsFileDialog, [](HWND h) { PostMessageA(h, WM_COMMAND, IDCANCEL, 0); }}});
  EXPECT_FALSE(saved);
  EXPECT_TRUE(seen.optionsVisible);
  EXPECT_FALSE(seen.dialogEndsAboveOptions);
  EXPECT_EQ(seen.displayFile, BST_UNCHECKED);
  EXPECT_EQ(seen.scanAnother, BST_CHECKED);
  EXPECT_TRUE(save.m_bDisplayFile);
  EXPECT_FALSE(save.m_bScanAnother);
  EXPECT_EQ(save.m_nColourClass, 16);
  EXPECT_EQ(save.m_nFormat, 1);
  EXPECT_STREQ(save.m_strPath, "C:\\earlier.tif");  // a cancel saves nothing and forgets nothing

  // Nothing is offered for a depth no format holds, and a failed raster is no image.
  raster.m_nBitsPerPixel = 2;
  EXPECT_FALSE(save.SaveAs(&raster));
  raster.m_nBitsPerPixel = 24;
  const int image = raster.m_hImage;
  raster.m_hImage = -5;
  EXPECT_FALSE(save.SaveAs(&raster));
  raster.m_hImage = image;  // freed with the object
  EXPECT_FALSE(save.SaveAs(nullptr));
}

// The library's own format preselects its row; Xerox EPS goes to the library as PostScript. A
// format the library cannot write is answered in the format dialog, before any file is named.
TEST_F(RasterDlgTest, SaveAsPreselectsTheFilesFormatAndRefusesAnUnwritableFormatBeforeTheFileDialog) {
  const std::string tif = TempDir() + "vv_save_pre.tif";
  {
    CRaster source(WriteBmp("vv_save_pre.bmp", 32, 16, 1).c_str());
    ASSERT_EQ(source.Save(tif.c_str(), 10), 0);
  }
  CVLRDoc* doc = Open(tif);
  ASSERT_NE(doc, nullptr);
  const std::string target = TempDir() + "vv_save_xerox.eps";
  DeleteFileA(target.c_str());
  FormatListSeen seen;
  RunWithSteps([&] { doc->OnSaveRasterAs(); },
               {ChooseFormat(&seen, "EPS, Xerox EPS"), {IsFileDialog, [&](HWND h) { ChooseFile(h, target); }}});
  EXPECT_EQ(seen.selected, "TIF, TIFF G4");
  EXPECT_TRUE(Messages().empty());
  {
    CRaster saved(target.c_str());
    ASSERT_TRUE(saved.IsValid());
    EXPECT_EQ(saved.m_nFormat, 14);
    EXPECT_TRUE(Pixels(saved) == Pixels(*doc->m_pRaster));
  }
  DeleteFileA(target.c_str());

  vvtest::MessageBoxes::Install();
  FormatListSeen again;
  RunWithSteps([&] { doc->OnSaveRasterAs(); },
               {ChooseFormat(&again, "KOFAX"),
                {Titled("Save raster - Select file format"), [](HWND h) { Press(h, IDCANCEL); }}});
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], ImgGetErrorText(-21));
  doc->OnCloseDocument();
  DeleteFileA(tif.c_str());
}

// The document's own file, and the file of another open document, are refused and the save dialog
// comes back; the files stay as they were.
TEST_F(RasterDlgTest, SaveAsRefusesAnOpenFileAndAsksAgain) {
  const std::string own = WriteBmp("vv_save_own.bmp", 32, 16, 24);
  const std::string other = WriteBmp("vv_save_other.bmp", 32, 16, 24);
  CVLRDoc* doc = Open(own);
  ASSERT_NE(doc, nullptr);
  ASSERT_NE(Open(other), nullptr);
  WIN32_FILE_ATTRIBUTE_DATA before = {};
  GetFileAttributesExA(own.c_str(), GetFileExInfoStandard, &before);
  FormatListSeen seen;
  bool askedAgain = false;
  auto replace = [](HWND h) { PostMessageA(h, WM_COMMAND, IDYES, 0); };
  RunWithSteps([&] { doc->OnSaveRasterAs(); },
               {ChooseFormat(&seen, "TIF, TIFF uncompressed"),
                {IsFileDialog, [&](HWND h) { ChooseFile(h, own); }},
                {IsReplacePrompt, replace},
                {IsFileDialog, [&](HWND h) { ChooseFile(h, other); }},
                {IsReplacePrompt, replace},
                {IsFileDialog, [&](HWND h) {
                   askedAgain = true;
                   PostMessageA(h, WM_COMMAND, IDCANCEL, 0);
                 }}});
  EXPECT_TRUE(askedAgain);
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_EQ(Messages()[0], "It is not allowed to overwrite an open file!");
  EXPECT_EQ(Messages()[1], "It is not allowed to overwrite an open file!");
  WIN32_FILE_ATTRIBUTE_DATA after = {};
  GetFileAttributesExA(own.c_str(), GetFileExInfoStandard, &after);
  EXPECT_EQ(CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime), 0);
  EXPECT_EQ(after.nFileSizeLow, before.nFileSizeLow);
}

// --- settings sheet --------------------------------------------------------------------------------

// Every value the sheet edits, by name.
std::vector<std::string> SheetValues(const CConfig& c) {
  std::vector<std::string> v;
  auto add = [&](const char* name, const std::string& value) { v.push_back(std::string(name) + "=" + value); };
  auto num = [&](const char* name, int value) { add(name, std::to_string(value)); };
  num("RotateCals", c.m_nRotateCals);
  num("ShowRedline", c.m_nShowRedline);
  num("Decimals", c.m_nDecimals);
  num("Alias", c.m_nAlias);
  num("ViewDwg", c.m_nViewDwg);
  num("Left", c.m_nPaperLeft);
  num("Top", c.m_nPaperTop);
  num("Unit", c.m_nUnit);
  num("UseRedlineDir", c.m_nUseRedlineDir);
  add("RedlineDir", std::string(c.m_strRedlineDir));
  num("UseQuickView", c.m_nUseQuickView);
  num("AllowDpi", c.m_nAllowDpi);
  num("Dpi", c.m_nDpi);
  num("ForceDpi", c.m_nForceDpi);
  num("Format", c.m_nRasterFormat);
  num("Port", c.m_nRasterPort);
  num("UsePrim", c.m_nUsePrim);
  num("UseSnd", c.m_nUseSnd);
  num("Dpi2", c.m_nDpi2);
  num("Prim", c.m_nPrim);
  num("Snd", c.m_nSnd);
  num("SWCopies", c.m_nSWCopies);
  num("Scanner", c.m_nScanner);
  add("SHXDir", std::string(c.m_strSHXDir));
  num("UseShx", c.m_nUseShx);
  num("XrefMissingWarning", c.m_nXrefMissingWarning);
  num("XrefShowText", c.m_nXrefShowText);
  add("LaunchApp", std::string(c.m_strLaunchApp));
  return v;
}

HWND ShowPage(HWND sheet, int index) {
  SendMessageA(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
  return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

void Check(HWND page, int id, bool on) { CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED); }
void Combo(HWND page, int id, int index) { SendDlgItemMessageA(page, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

// What the pages show, in the order of SheetValues.
std::vector<std::string> PagesShown(HWND sheet) {
  std::vector<std::string> v;
  auto check = [&](HWND p, const char* name, int id) {
    v.push_back(std::string(name) + "=" + std::to_string(IsDlgButtonChecked(p, id)));
  };
  auto combo = [&](HWND p, const char* name, int id) {
    v.push_back(std::string(name) + "=" + std::to_string(SendDlgItemMessageA(p, id, CB_GETCURSEL, 0, 0)));
  };
  auto text = [&](HWND p, const char* name, int id) { v.push_back(std::string(name) + "=" + Text(p, id)); };
  HWND p = ShowPage(sheet, 0);
  check(p, "RotateCals", IDC_SET1_ROTATECALS);
  check(p, "ShowRedline", IDC_SET1_SHOWREDLINE);
  check(p, "Decimals", IDC_SET1_DECIMALS);
  combo(p, "Alias", IDC_SET1_ALIAS);
  combo(p, "ViewDwg", IDC_SET1_VIEWDWG);
  text(p, "Left", IDC_SET1_LEFT);
  text(p, "Top", IDC_SET1_TOP);
  combo(p, "Unit", IDC_SET1_UNIT);
  check(p, "UseRedlineDir", IDC_SET1_USEREDLINEDIR);
  text(p, "RedlineDir", IDC_SET1_REDLINEDIR);
  check(p, "UseQuickView", IDC_SET1_USEQUICKVIEW);
  p = ShowPage(sheet, 1);
  check(p, "AllowDpi", IDC_SET2_ALLOWDPI);
  text(p, "Dpi", IDC_SET2_DPI);
  check(p, "ForceDpi", IDC_SET2_FORCEDPI);
  combo(p, "Format", IDC_SET2_FORMAT);
  combo(p, "Port", IDC_SET2_PORT);
  check(p, "UsePrim", IDC_SET2_USEPRIM);
  check(p, "UseSnd", IDC_SET2_USESND);
  text(p, "Dpi2", IDC_SET2_DPI2);
  text(p, "Prim", IDC_SET2_PRIM);
  text(p, "Snd", IDC_SET2_SND);
  check(p, "SWCopies", IDC_SET2_SWCOPIES);
  p = ShowPage(sheet, 2);
  combo(p, "Scanner", IDC_SET3_SCANNER);
  p = ShowPage(sheet, 3);
  text(p, "SHXDir", IDC_SET4_SHXDIR);
  check(p, "UseShx", IDC_SET4_USESHX);
  check(p, "XrefMissingWarning", IDC_SET4_XREFWARNING);
  check(p, "XrefShowText", IDC_SET4_XREFTEXT);
  text(p, "LaunchApp", IDC_SET4_LAUNCHAPP);
  return v;
}

// Changes every value on every page.
void ChangeEveryValue(HWND sheet) {
  HWND p = ShowPage(sheet, 0);
  Check(p, IDC_SET1_ROTATECALS, false);
  Check(p, IDC_SET1_SHOWREDLINE, false);
  Check(p, IDC_SET1_DECIMALS, false);
  Combo(p, IDC_SET1_ALIAS, 2);
  Combo(p, IDC_SET1_VIEWDWG, 1);
  SetDlgItemTextA(p, IDC_SET1_LEFT, "9999");
  SetDlgItemTextA(p, IDC_SET1_TOP, "0");
  Combo(p, IDC_SET1_UNIT, 9);
  Check(p, IDC_SET1_USEREDLINEDIR, true);
  SetDlgItemTextA(p, IDC_SET1_REDLINEDIR, "  C:\\notes  ");
  Check(p, IDC_SET1_USEQUICKVIEW, true);
  p = ShowPage(sheet, 1);
  Check(p, IDC_SET2_ALLOWDPI, false);
  SetDlgItemTextA(p, IDC_SET2_DPI, "1200");
  Check(p, IDC_SET2_FORCEDPI, false);
  Combo(p, IDC_SET2_FORMAT, 1);
  Combo(p, IDC_SET2_PORT, 8);
  Check(p, IDC_SET2_USEPRIM, false);
  Check(p, IDC_SET2_USESND, false);
  SetDlgItemTextA(p, IDC_SET2_DPI2, "10");
  SetDlgItemTextA(p, IDC_SET2_PRIM, "3000");
  SetDlgItemTextA(p, IDC_SET2_SND, "1");
  Check(p, IDC_SET2_SWCOPIES, true);
  p = ShowPage(sheet, 2);
  Combo(p, IDC_SET3_SCANNER, 0);
  p = ShowPage(sheet, 3);
  SetDlgItemTextA(p, IDC_SET4_SHXDIR, "D:/fonts/");
  Check(p, IDC_SET4_USESHX, false);
  Check(p, IDC_SET4_XREFWARNING, false);
  Check(p, IDC_SET4_XREFTEXT, false);
  SetDlgItemTextA(p, IDC_SET4_LAUNCHAPP, "viewer.exe \"%1\"");
}

void PressSheet(HWND sheet, int button) { PostMessageA(sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0); }

class SettingsSheetTest : public RasterDlgTest {
 protected:
  void SetUp() override {
    RasterDlgTest::SetUp();
    CConfig& c = *app_->m_pConfig;
    c.m_nScanner = 2;
    c.m_nRasterPort = 3;
    c.m_strRedlineDir = "C:\\redline\\";
    c.m_strSHXDir = "C:\\shx\\";
    c.m_strLaunchApp = "app.exe";
    c.m_nPaperLeft = 12;
    c.m_nPaperTop = 34;
    c.m_nUnit = 6;
  }
};

TEST_F(SettingsSheetTest, OkCopiesEveryValueBackAndCancelNone) {
  const std::vector<std::string> original = SheetValues(*app_->m_pConfig);
  std::vector<std::string> shown;
  RunWithSteps([&] { app_->OnToolsSettings(); }, {{Titled("Settings"), [&](HWND h) {
                                                     shown = PagesShown(h);
                                                     ChangeEveryValue(h);
                                                     PressSheet(h, PSBTN_CANCEL);
                                                   }}});
  EXPECT_EQ(shown, original);
  EXPECT_EQ(SheetValues(*app_->m_pConfig), original);

  RunWithSteps([&] { app_->OnToolsSettings(); }, {{Titled("Settings"), [&](HWND h) {
                                                     ChangeEveryValue(h);
                                                     PressSheet(h, PSBTN_OK);
                                                   }}});
  const std::vector<std::string> expected = {
      "RotateCals=0", "ShowRedline=0", "Decimals=0", "Alias=2", "ViewDwg=1", "Left=9999", "Top=0",
      "Unit=9", "UseRedlineDir=1", "RedlineDir=C:\\notes\\", "UseQuickView=1", "AllowDpi=0", "Dpi=1200",
      "ForceDpi=0", "Format=1", "Port=8", "UsePrim=0", "UseSnd=0", "Dpi2=10", "Prim=3000", "Snd=1",
      "SWCopies=1", "Scanner=0", "SHXDir=D:/fonts/", "UseShx=0", "XrefMissingWarning=0", "XrefShowText=0",
      "LaunchApp=viewer.exe \"%1\"",
  };
  EXPECT_EQ(SheetValues(*app_->m_pConfig), expected);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(SettingsSheetTest, OutOfRangeNumbersAreRefusedAndThePageStays) {
  struct Case {
    int control;
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {IDC_SET2_DPI, "5", "Please enter an integer between 10 and 1200."},
      {IDC_SET2_DPI, "1201", "Please enter an integer between 10 and 1200."},
      {IDC_SET2_DPI2, "5", "Please enter an integer between 10 and 1200."},
      {IDC_SET2_PRIM, "0", "Please enter an integer between 1 and 3000."},
      {IDC_SET2_SND, "3001", "Please enter an integer between 1 and 3000."},
  };
  const std::vector<std::string> original = SheetValues(*app_->m_pConfig);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    vvtest::MessageBoxes::Install();
    bool stillOpen = false;
    HWND focus = nullptr, field = nullptr;
    RunWithSteps([&] { app_->OnToolsSettings(); },
                 {{Titled("Settings"),
                   [&](HWND h) {
                     HWND page = ShowPage(h, 1);
                     Check(page, IDC_SET2_SWCOPIES, true);  // a change that must not be stored
                     SetDlgItemTextA(page, c.control, c.text);
                     PressSheet(h, PSBTN_OK);
                   }},
                  {Titled("Settings"), [&](HWND h) {
                     stillOpen = IsWindowVisible(h);
                     HWND page = reinterpret_cast<HWND>(SendMessageA(h, PSM_GETCURRENTPAGEHWND, 0, 0));
                     focus = GetFocus();
                     field = GetDlgItem(page, c.control);
                     PressSheet(h, PSBTN_CANCEL);
                   }}});
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(focus, field);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], c.message);
    EXPECT_EQ(SheetValues(*app_->m_pConfig), original);
  }
}

// The four checks of the raster printer page each govern their number and its spin.
TEST_F(SettingsSheetTest, PrinterPageEnablesNumbersByTheirChecks) {
  struct Governed {
    int check, edit, spin;
  };
  const Governed governed[] = {
      {IDC_SET2_FORCEDPI, IDC_SET2_DPI, IDC_SET2_DPI_SPIN},
      {IDC_SET2_ALLOWDPI, IDC_SET2_DPI2, IDC_SET2_DPI2_SPIN},
      {IDC_SET2_USEPRIM, IDC_SET2_PRIM, IDC_SET2_PRIM_SPIN},
      {IDC_SET2_USESND, IDC_SET2_SND, IDC_SET2_SND_SPIN},
  };
  std::vector<int> opened, clicked, spinRanges;
  RunWithSteps([&] { app_->OnToolsSettings(); }, {{Titled("Settings"), [&](HWND h) {
                                                     HWND page = ShowPage(h, 1);
                                                     for (const Governed& g : governed) {
                                                       opened.push_back(IsWindowEnabled(GetDlgItem(page, g.edit)));
                                                       Click(page, g.check);
                                                       clicked.push_back(IsWindowEnabled(GetDlgItem(page, g.edit)) +
                                                                         IsWindowEnabled(GetDlgItem(page, g.spin)));
                                                       const LRESULT range = SendDlgItemMessageA(
                                                           page, g.spin, UDM_GETRANGE, 0, 0);
                                                       spinRanges.push_back(HIWORD(range));
                                                       spinRanges.push_back(LOWORD(range));
                                                     }
                                                     PressSheet(h, PSBTN_CANCEL);
                                                   }}});
  // Every check is on by default; one click turns it off with its number and spin.
  EXPECT_EQ(opened, std::vector<int>({1, 1, 1, 1}));
  EXPECT_EQ(clicked, std::vector<int>({0, 0, 0, 0}));
  EXPECT_EQ(spinRanges, std::vector<int>({10, 1200, 10, 1200, 1, 3000, 1, 3000}));
}

// The two folders and the command line each get a "..." button at their right.
TEST_F(SettingsSheetTest, PickersSitBesideTheirFields) {
  const std::pair<int, int> fields[] = {{0, IDC_SET1_REDLINEDIR}, {3, IDC_SET4_SHXDIR}, {3, IDC_SET4_LAUNCHAPP}};
  std::vector<int> found;
  RunWithSteps([&] { app_->OnToolsSettings(); }, {{Titled("Settings"), [&](HWND h) {
                                                     for (const auto& f : fields) {
                                                       HWND page = ShowPage(h, f.first);
                                                       RECT e;
                                                       GetWindowRect(GetDlgItem(page, f.second), &e);
                                                       int buttons = 0;
                                                       for (HWND c = GetWindow(page, GW_CHILD); c;
                                                            c = GetWindow(c, GW_HWNDNEXT)) {
                                                         char text[8] = "";
                                                         GetWindowTextA(c, text, sizeof text);
                                                         RECT b;
                                                         GetWindowRect(c, &b);
                                                         if (!strcmp(text, "...") && b.left == e.right && b.top == e.top)
                                                           ++buttons;
                                                       }
                                                       found.push_back(buttons);
                                                     }
                                                     PressSheet(h, PSBTN_CANCEL);
                                                   }}});
  EXPECT_EQ(found, std::vector<int>({1, 1, 1}));
}

}  // namespace
