// The commands a vector drawing offers, under Wine, driven as a user would: the layer dialog
// turns a layer off (the next paint lacks it) and its Cancel puts a saved setting and the
// drawing's layers back; the properties dialog shows the drawing's release and size; dark
// background and black and white change what is painted; model space to the limits; snapping to
// a line end; "Copy vectors" puts a metafile on the clipboard that replays to the drawing's
// lines; a raster region copy gives a bitmap of the selection's bounds; "#THUMB#" leaves a
// bitmap and the path on the clipboard.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "PointArray.h"
#include "tests/app/win32/DocViewFixture.h"
#include "vector/Dwg.h"
#include "vector/ToolkitSession.h"
#include "vector/VectorResource.h"

namespace {

// A release 12 drawing: a red line on layer RED, a blue one on layer BLUE, a frame on layer 0.
std::string WriteTwoLayerDxf(const char* name) {
  const std::string path = vvtest::TempDir() + name + std::to_string(GetCurrentProcessId()) + ".dxf";
  FILE* f = fopen(path.c_str(), "w");
  auto g = [f](int code, const char* value) { fprintf(f, "%3d\n%s\n", code, value); };
  auto line = [&](const char* layer, const char* x1, const char* y1, const char* x2, const char* y2) {
    g(0, "LINE");
    g(8, layer);
    g(10, x1);
    g(20, y1);
    g(30, "0.0");
    g(11, x2);
    g(21, y2);
    g(31, "0.0");
  };
  g(0, "SECTION");
  g(2, "HEADER");
  g(9, "$ACADVER");
  g(1, "AC1009");
  g(9, "$EXTMIN");
  g(10, "0.0");
  g(20, "0.0");
  g(30, "0.0");
  g(9, "$EXTMAX");
  g(10, "100.0");
  g(20, "100.0");
  g(30, "0.0");
  g(9, "$LIMMIN");
  g(10, "0.0");
  g(20, "0.0");
  g(9, "$LIMMAX");
  g(10, "200.0");
  g(20, "200.0");
  g(0, "ENDSEC");
  g(0, "SECTION");
  g(2, "TABLES");
  g(0, "TABLE");
  g(2, "LAYER");
  g(70, "3");
  for (const char* layer : {"0", "RED", "BLUE"}) {
    g(0, "LAYER");
    g(2, layer);
    g(70, "0");
    g(62, layer[0] == 'R' ? "1" : layer[0] == 'B' ? "5" : "7");
    g(6, "CONTINUOUS");
  }
  g(0, "ENDTAB");
  g(0, "ENDSEC");
  g(0, "SECTION");
  g(2, "ENTITIES");
  line("RED", "10.0", "10.0", "90.0", "90.0");
  line("BLUE", "10.0", "90.0", "90.0", "10.0");
  line("0", "0.0", "0.0", "100.0", "0.0");
  line("0", "100.0", "0.0", "100.0", "100.0");
  g(0, "ENDSEC");
  g(0, "EOF");
  fclose(f);
  return path;
}

// Steps that act on the dialog they expect to be active; a step that never finds its window
// gives up and cancels what is open, so no test waits for a person.
struct Step {
  std::function<bool(HWND)> expects;
  std::function<void(HWND)> act;
};
std::vector<Step> g_steps;
size_t g_next = 0;
int g_idle = 0;

std::string Caption(HWND h) {
  char text[256] = {};
  GetWindowTextA(h, text, sizeof text);
  return text;
}

void CALLBACK StepTimer(HWND, UINT, UINT_PTR, DWORD) {
  HWND active = GetActiveWindow();
  if (g_next < g_steps.size() && active && IsWindowVisible(active) && g_steps[g_next].expects(active)) {
    g_idle = 0;
    g_steps[g_next++].act(active);
    return;
  }
  if (++g_idle > 80 && active && active != AfxGetMainWnd()->m_hWnd) {
    g_idle = 0;
    PostMessageA(active, WM_COMMAND, IDCANCEL, 0);
  }
}

void RunWithSteps(const std::function<void()>& run, std::vector<Step> steps) {
  g_steps = std::move(steps);
  g_next = 0;
  g_idle = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 40, &StepTimer);
  run();
  KillTimer(nullptr, timer);
  EXPECT_EQ(g_next, g_steps.size()) << "a dialog step was not reached";
}

std::function<bool(HWND)> Titled(const char* caption) {
  return [caption](HWND h) { return Caption(h) == caption; };
}

void Press(HWND dlg, int id) {
  PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dlg, id));
}

// Clicks a layer's line in the layer dialog's list, as the mouse would.
void ClickLayer(HWND dlg, const char* layer) {
  HWND list = GetDlgItem(dlg, IDC_DWGLAY_LIST);
  LVFINDINFOA find = {};
  find.flags = LVFI_STRING;
  find.psz = layer;
  const int item = (int)SendMessageA(list, LVM_FINDITEMA, (WPARAM)-1, (LPARAM)&find);
  ASSERT_GE(item, 0) << layer;
  LVITEMA state = {};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)item, (LPARAM)&state);
  NMITEMACTIVATE click = {};
  click.hdr.hwndFrom = list;
  click.hdr.idFrom = IDC_DWGLAY_LIST;
  click.hdr.code = NM_CLICK;
  click.iItem = item;
  SendMessageA(dlg, WM_NOTIFY, IDC_DWGLAY_LIST, (LPARAM)&click);
}

class VectorApp : public CTestDocApp {
 public:
  VectorApp() : CTestDocApp(900, 700) {}
  BOOL InitInstance() override {
    if (!InitDwgToolkitOnce(GetModuleHandleA(nullptr))) return FALSE;
    return CTestDocApp::InitInstance();
  }
};

class VectorCommandsTest : public DocViewFixture {
 protected:
  void SetUp() override { OpenDrawing(new VectorApp, WriteTwoLayerDxf("vvvec")); }

  // The colours of the view's client area as the screen shows them after a paint.
  int CountPixels(COLORREF colour) {
    m_view->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    vvtest::Pump(20);
    CRect client;
    m_view->GetClientRect(&client);
    HDC dc = GetDC(m_view->m_hWnd);
    int n = 0;
    for (int y = 0; y < client.bottom; y += 1)
      for (int x = 0; x < client.right; x += 1)
        if ((GetPixel(dc, x, y) & 0xFFFFFF) == colour) ++n;
    ReleaseDC(m_view->m_hWnd, dc);
    return n;
  }
  CConfig& Config() { return *GetVLRApp()->m_pConfig; }
};

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);

TEST_F(VectorCommandsTest, LayerDialogTurnsALayerOffAndTheNextPaintLacksIt) {
  ASSERT_TRUE(m_doc->IsVector());
  ASSERT_GT(CountPixels(kRed), 20);
  ASSERT_GT(CountPixels(kBlue), 20);
  RunWithSteps([&] { m_doc->OnDwgLayers(); }, {{Titled("DWG Layers"), [](HWND dlg) {
                                                  ClickLayer(dlg, "RED");
                                                  Press(dlg, IDOK);
                                                }}});
  EXPECT_EQ(CountPixels(kRed), 0);
  EXPECT_GT(CountPixels(kBlue), 20);
  CString state;
  ASSERT_TRUE(m_doc->m_pDwg->m_userLayerStates.Lookup("RED", state));
  EXPECT_EQ(std::string(state), "OFF");
  EXPECT_EQ(std::string(Config().m_strLLSet), "< Standard >");
}

TEST_F(VectorCommandsTest, CancelPutsBackASavedSettingAndTheLayersItSwitched) {
  auto savesHiddenThenCancels = [](HWND dlg) {
    Press(dlg, IDC_DWGLAY_HIDEALL);
    Press(dlg, IDC_DWGLAY_SAVE);
  };
  RunWithSteps([&] { m_doc->OnDwgLayers(); },
               {{Titled("DWG Layers"), savesHiddenThenCancels},
                {Titled("Text"),
                 [](HWND dlg) {
                   SetDlgItemTextA(dlg, 1026, "VVCancelled");
                   Press(dlg, IDOK);
                 }},
                {Titled("DWG Layers"),
                 [](HWND dlg) {
                   // The saved setting is current and has switched every layer off.
                   char chosen[64] = {};
                   GetDlgItemTextA(dlg, IDC_DWGLAY_SETTING, chosen, sizeof chosen);
                   EXPECT_STREQ(chosen, "VVCancelled");
                   Press(dlg, IDCANCEL);
                 }}});
  EXPECT_FALSE(m_doc->m_pDwg->GetLayerLists()->HasLayers("VVCancelled"));
  EXPECT_EQ(std::string(m_doc->m_pDwg->m_strCurrentLayerList), CLayerList::kStandard);
  EXPECT_TRUE(m_doc->m_pDwg->m_userLayerStates.IsEmpty());
  EXPECT_GT(CountPixels(kRed), 20);  // drawn anew with the layers back on
}

TEST_F(VectorCommandsTest, PropertiesShowTheReleaseAndTheSize) {
  std::vector<std::string> lines;
  RunWithSteps([&] { m_doc->OnProperties(); }, {{Titled("Properties"), [&lines](HWND dlg) {
                                                   HWND tree = GetDlgItem(dlg, IDC_DWGPROP_TREE);
                                                   std::function<void(HTREEITEM)> walk = [&](HTREEITEM item) {
                                                     for (; item; item = TreeView_GetNextSibling(tree, item)) {
                                                       char text[260] = {};
                                                       TVITEMA tv = {};
                                                       tv.mask = TVIF_TEXT;
                                                       tv.hItem = item;
                                                       tv.pszText = text;
                                                       tv.cchTextMax = sizeof text;
                                                       SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&tv);
                                                       lines.push_back(text);
                                                       walk(TreeView_GetChild(tree, item));
                                                     }
                                                   };
                                                   walk(TreeView_GetRoot(tree));
                                                   Press(dlg, IDOK);
                                                 }}});
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "Vector properties");
  EXPECT_EQ(lines[1], "File name: " + m_drawing);
  EXPECT_EQ(lines[3], "File type: AutoCAD R11/R12");
  EXPECT_EQ(lines[4], "Size");
  EXPECT_EQ(lines[5].rfind("Width: ", 0), 0u);
  EXPECT_NE(lines[5].find(" drawing units"), std::string::npos);
}

TEST_F(VectorCommandsTest, DarkBackgroundAndBlackAndWhiteChangeThePens) {
  const int white = CountPixels(RGB(255, 255, 255));
  ASSERT_GT(white, 1000);
  m_doc->OnDarkDwg();
  EXPECT_EQ(Config().m_nDarkDWG, 1);
  EXPECT_GT(CountPixels(RGB(0, 0, 0)), white / 2);
  m_doc->OnDarkDwg();
  m_doc->OnBwDwg();
  EXPECT_EQ(CountPixels(kRed), 0);
  EXPECT_EQ(CountPixels(kBlue), 0);
  m_doc->OnBwDwg();
  EXPECT_GT(CountPixels(kRed), 20);
}

TEST_F(VectorCommandsTest, ModelSpaceToTheLimitsAndBack) {
  m_view->SendMessage(WM_COMMAND, ID_VIEW_MODEL_LIMITS);
  EXPECT_EQ(m_doc->m_pDwg->m_nViewMode, 1);
  EXPECT_GT(CountPixels(kRed), 5);  // the limits are twice the extents: the lines are smaller
  m_view->SendMessage(WM_COMMAND, ID_VIEW_MODEL_EXTENTS);
  EXPECT_EQ(m_doc->m_pDwg->m_nViewMode, 0);
  EXPECT_GT(CountPixels(kRed), 20);
}

TEST_F(VectorCommandsTest, SnappingTakesTheNearestLineEndWithinTheSnapSize) {
  CountPixels(kRed);  // a pass gathers the snap geometry
  const auto& points = m_doc->m_pDwg->GetSnapGeometry().points;
  ASSERT_FALSE(points.empty());
  const CPoint end = points[0];
  const CPoint at = m_view->GetGraph()->DocToClient(end.x, end.y);
  Config().m_nSnapType = 1;
  Config().m_nSnapSize = 2;
  EXPECT_EQ(m_view->ClientToDocSnapped(at.x + 4, at.y - 3), end);  // within 6 pixels
  EXPECT_NE(m_view->ClientToDocSnapped(at.x + 9, at.y), end);       // beyond them
  Config().m_nSnapType = 0;
  EXPECT_EQ(m_view->ClientToDocSnapped(at.x + 4, at.y - 3), Doc(at.x + 4, at.y - 3));
}

int CALLBACK CountLines(HDC, HANDLETABLE*, METARECORD* record, int, LPARAM count) {
  if (record->rdFunction == META_LINETO) ++*reinterpret_cast<int*>(count);
  if (record->rdFunction == META_POLYLINE) *reinterpret_cast<int*>(count) += record->rdParm[0] - 1;
  return 1;
}

TEST_F(VectorCommandsTest, CopyVectorsPutsAMetafileThatReplaysToTheDrawingsLines) {
  m_view->ZoomEntire();
  m_view->SendMessage(WM_COMMAND, ID_EDIT_COPYVECTORS);
  ASSERT_TRUE(OpenClipboard(nullptr));
  HGLOBAL data = GetClipboardData(CF_METAFILEPICT);
  ASSERT_NE(data, nullptr);
  METAFILEPICT* picture = static_cast<METAFILEPICT*>(GlobalLock(data));
  EXPECT_EQ(picture->mm, MM_TEXT);
  EXPECT_EQ(std::max(picture->xExt, picture->yExt), 4096);
  int lines = 0;
  HDC screen = GetDC(nullptr);
  EnumMetaFile(screen, picture->hMF, &CountLines, reinterpret_cast<LPARAM>(&lines));
  ReleaseDC(nullptr, screen);
  GlobalUnlock(data);
  CloseClipboard();
  EXPECT_EQ(lines, 4);
}

TEST_F(VectorCommandsTest, ThumbCommandLeavesABitmapAndThePath) {
  // Another file: the thumbnail closes the document it opens.
  const std::string other = WriteTwoLayerDxf("vvthumb");
  std::string command = "#THUMB#|" + other;
  ASSERT_TRUE(m_app->OnDDECommand(&command[0]));
  ASSERT_TRUE(OpenClipboard(nullptr));
  HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  ASSERT_NE(bitmap, nullptr);
  BITMAP bm = {};
  GetObjectA(bitmap, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 128);
  EXPECT_EQ(bm.bmHeight, 128);
  HGLOBAL text = GetClipboardData(CF_TEXT);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::string(static_cast<const char*>(GlobalLock(text))), other);
  GlobalUnlock(text);
  CloseClipboard();
  DeleteFileA(other.c_str());
}

class RasterCopyTest : public DocViewFixture {
 protected:
  void SetUp() override {
    OpenDrawing(new CTestDocApp(900, 700), vvtest::WriteWhiteBmp(("vvcopy" + std::to_string(GetCurrentProcessId()) + ".bmp").c_str(), 400, 300, 100));
  }
};

TEST_F(RasterCopyTest, RegionCopyGivesABitmapOfTheSelectionsBounds) {
  ASSERT_TRUE(m_doc->IsRaster());
  const CPoint a = m_view->GetGraph()->ImageToDoc(50, 40), b = m_view->GetGraph()->ImageToDoc(150, 100);
  CPolygon rect;
  rect.AddRect(a.x, a.y, b.x, b.y);
  CPolyPolygon* selection = new CPolyPolygon;
  selection->Add(rect, CPolyPolygon::combineUnion);
  m_doc->SetRasterSelection(selection);
  m_view->SendMessage(WM_COMMAND, ID_EDIT_COPY);
  ASSERT_TRUE(OpenClipboard(nullptr));
  HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  ASSERT_NE(bitmap, nullptr);
  BITMAP bm = {};
  GetObjectA(bitmap, sizeof bm, &bm);
  CloseClipboard();
  EXPECT_NEAR(bm.bmWidth, 100, 1);
  EXPECT_NEAR(bm.bmHeight, 60, 1);
}

}  // namespace
