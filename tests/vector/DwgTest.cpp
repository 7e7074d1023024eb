// The vector drawing object under Wine, in-process with the program's toolkit resources: opening
// and fitting shared drawings, refusing a file of a release outside the readers, one regeneration
// for two paints of the same rectangles, black-and-white drawing, snap geometry gathered by a
// pass, and the print copy (a copy that cannot be opened leaves the shown drawing whole); the
// pass's reference locator and text hook on drawings of their own.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "TestData.h"
#include "toolkit/core/display_state.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/load.h"
#include "toolkit/core/symtab.h"
#include "vector/Dwg.h"
#include "vector/DwgDrawContext.h"
#include "vector/model/LocatorPaths.h"
#include "toolkit/display/regen.h"
#include "vector/Dwg.h"
#include "vector/DwgDrawContext.h"
#include "vector/ToolkitSession.h"

namespace {

class CCountingHost : public DwgHost {
 public:
  DwgSettings settings;
  int passes = 0;  // every pass clears the status text once at its end
  DwgSettings Settings() override { return settings; }
  void SetProgress(int) override {}
  void SetStatusText(const char*) override { ++passes; }
  CString ProgramFile(const char* name) override { return GetModuleRelativePath(name); }
  CStringArray* FontSubstitutions() override { return &fonts; }
  CStringArray fonts;
};

// A screen-compatible canvas the drawing paints into.
class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h) {
    screen_ = ::GetDC(nullptr);
    dc_.Attach(::CreateCompatibleDC(screen_));
    bitmap_ = ::CreateCompatibleBitmap(screen_, w, h);
    old_ = ::SelectObject(dc_.m_hDC, bitmap_);
    RECT all = {0, 0, w, h};
    ::FillRect(dc_.m_hDC, &all, static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH)));
  }
  ~Canvas() {
    ::SelectObject(dc_.m_hDC, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_.Detach());
    ::ReleaseDC(nullptr, screen_);
  }
  CDC* dc() { return &dc_; }
  std::set<COLORREF> Colours() {
    std::set<COLORREF> c;
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) c.insert(::GetPixel(dc_.m_hDC, x, y) & 0xFFFFFF);
    return c;
  }

 private:
  int w_, h_;
  HDC screen_;
  CDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

class DwgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VV_REQUIRE_TESTDATA();
    ASSERT_TRUE(InitDwgToolkitOnce(::GetModuleHandleA(nullptr)));
    SetDwgHost(&host_);
  }
  void TearDown() override { SetDwgHost(nullptr); }

  // Paints the whole drawing into the canvas at its proportions.
  void Paint(CDwg& dwg, Canvas& canvas, int w, BOOL direct = FALSE) {
    RECT extent;
    dwg.GetExtentsRect(&extent);
    RECT device = {0, 0, w, int(double(w) * extent.bottom / extent.right)};
    dwg.Draw(canvas.dc(), device, extent, nullptr, direct);
  }

  CCountingHost host_;
};

TEST_F(DwgTest, OpensAndFitsTheLargerSideToTenMillionUnits) {
  for (const char* file : {"dxf/r11_entities-2d.dxf", "dwg/2000_entities-2d.dwg", "dwg/r2.6_entities.dwg"}) {
    SCOPED_TRACE(file);
    CDwg dwg(vvtest::TestDataPath(file).c_str(), nullptr);
    ASSERT_NE(dwg.GetDrawing(), nullptr);
    RECT extent;
    dwg.GetExtentsRect(&extent);
    EXPECT_EQ(extent.left, 0);
    EXPECT_EQ(extent.top, 0);
    EXPECT_GE(std::max(extent.right, extent.bottom), 9999999);
    EXPECT_LE(std::max(extent.right, extent.bottom), 10000000);
    EXPECT_GT(std::min(extent.right, extent.bottom), 0);
    EXPECT_NEAR(dwg.m_dScale, 1e7 / std::max(dwg.m_dWindowWidth, dwg.m_dWindowHeight), 1e-6 * dwg.m_dScale);
  }
  CDwg r12(vvtest::TestDataPath("dxf/r11_entities-2d.dxf").c_str(), nullptr);
  EXPECT_EQ(std::string(r12.GetVersionText()), "AutoCAD R11/R12");
  CDwg r26(vvtest::TestDataPath("dwg/r2.6_entities.dwg").c_str(), nullptr);
  EXPECT_EQ(std::string(r26.GetVersionText()), "AutoCAD 2.6");
  EXPECT_EQ(r26.m_nViewMode, 0);  // older than AC1009: model space whatever its TILEMODE
}

TEST_F(DwgTest, RefusedReleasesLeaveNoDrawing) {
  for (const std::string& name : vvtest::TestDataFiles("refused")) {
    CDwg dwg(vvtest::TestDataPath("refused/" + name).c_str(), nullptr);
    EXPECT_EQ(dwg.GetDrawing(), nullptr) << name;
    EXPECT_EQ(std::string(dwg.GetVersionText()), "");
  }
}

TEST_F(DwgTest, SamePaintTwiceRegeneratesOnceAndGathersSnapGeometry) {
  CDwg dwg(vvtest::TestDataPath("dxf/r11_entities-2d.dxf").c_str(), nullptr);
  ASSERT_NE(dwg.GetDrawing(), nullptr);
  Canvas canvas(400, 400);
  const int before = host_.passes;
  Paint(dwg, canvas, 300);
  Paint(dwg, canvas, 300);
  EXPECT_EQ(host_.passes - before, 1);
  Paint(dwg, canvas, 200);  // other rectangles: drawn anew
  EXPECT_EQ(host_.passes - before, 2);
  Paint(dwg, canvas, 200, TRUE);  // straight into the context, never from the cache
  EXPECT_EQ(host_.passes - before, 3);

  const DwgSnapGeometry& snap = dwg.GetSnapGeometry();
  ASSERT_FALSE(snap.points.empty());
  EXPECT_EQ(snap.points.size() % 2, 0u);
  // Lines of block definitions come in their block's own coordinates; the drawing's own lie in
  // the device space.
  RECT extent;
  dwg.GetExtentsRect(&extent);
  EXPECT_TRUE(std::any_of(snap.points.begin(), snap.points.end(), [&](const CPoint& p) {
    return p.x >= 0 && p.x <= extent.right && p.y >= 0 && p.y <= extent.bottom;
  }));
  CPoint snapped;
  const CPoint first = snap.points.front();
  ASSERT_TRUE(dwg.SnapToNearestPoint(first.x + 3, first.y - 2, &snapped));
  EXPECT_EQ(snapped, first);
}

TEST_F(DwgTest, ColoursByNumberAndBlackAndWhite) {
  const std::string path = vvtest::TestDataPath("dwg/example_2000.dwg");
  {
    CDwg dwg(path.c_str(), nullptr);
    ASSERT_NE(dwg.GetDrawing(), nullptr);
    Canvas canvas(300, 300);
    Paint(dwg, canvas, 300);
    std::set<COLORREF> colours = canvas.Colours();
    EXPECT_TRUE(colours.count(RGB(0, 255, 255)));  // colour 4
    EXPECT_TRUE(colours.count(RGB(255, 255, 0)));  // colour 2
  }
  host_.settings.black_white = 1;
  CDwg dwg(path.c_str(), nullptr);
  Canvas canvas(300, 300);
  Paint(dwg, canvas, 300);
  std::set<COLORREF> colours = canvas.Colours();
  EXPECT_TRUE(colours.count(RGB(0, 0, 0)));
  EXPECT_FALSE(colours.count(RGB(0, 255, 255)));
  EXPECT_FALSE(colours.count(RGB(255, 255, 0)));
  // A dark screen draws colour 7 white on black.
  host_.settings.dark = 1;
  dwg.DiscardCachedBitmap(TRUE);
  Canvas dark(300, 300);
  Paint(dwg, dark, 300);
  colours = dark.Colours();
  EXPECT_TRUE(colours.count(RGB(255, 255, 255)));
  EXPECT_TRUE(colours.count(RGB(0, 0, 0)));
}

TEST_F(DwgTest, ViewModesKeepTheDisplayFlagTrue) {
  CDwg dwg(vvtest::TestDataPath("dxf/r11_entities-2d.dxf").c_str(), nullptr);
  ASSERT_NE(dwg.GetDrawing(), nullptr);
  const int32_t mode = dwg.m_nViewMode;
  dwg.SetViewMode(7);  // no such mode: nothing changes
  EXPECT_EQ(dwg.m_nViewMode, mode);
  EXPECT_EQ(dwg.m_bDisplayOpen, 1);
  for (int m : {1, 0, 1, 0}) {
    dwg.SetViewMode(m);
    EXPECT_EQ(dwg.m_nViewMode, m);
    EXPECT_EQ(dwg.m_bDisplayOpen != 0, dwg.GetDrawing()->display != nullptr) << m;
  }
  Canvas canvas(200, 200);
  Paint(dwg, canvas, 200);
  EXPECT_GT(canvas.Colours().size(), 1u);
}

TEST_F(DwgTest, PrintCopyThatCannotOpenLeavesTheShownDrawingWhole) {
  char dir[MAX_PATH];
  ::GetTempPathA(sizeof dir, dir);
  const std::string copy = std::string(dir) + "vv_print_copy.dxf";
  ASSERT_TRUE(::CopyFileA(vvtest::TestDataPath("dxf/r11_entities-2d.dxf").c_str(), copy.c_str(), FALSE));
  CDwg dwg(copy.c_str(), nullptr);
  TkDrawing* shown = dwg.GetDrawing();
  ASSERT_NE(shown, nullptr);

  // The file is there: the copy is drawn while printing, the shown drawing comes back after.
  dwg.ReloadForPrinting();
  EXPECT_NE(dwg.GetDrawing(), shown);
  EXPECT_EQ(dwg.GetKeptDrawing(), shown);
  dwg.RestoreAfterPrinting();
  EXPECT_EQ(dwg.GetDrawing(), shown);
  EXPECT_EQ(dwg.GetKeptDrawing(), nullptr);

  // The file cannot be opened again (the open drawing holds it; its path now names nothing):
  // printing goes on with the shown drawing, and giving it back frees nothing.
  dwg.m_strPath = std::string(dir).append("vv_print_copy_gone.dxf").c_str();
  dwg.ReloadForPrinting();
  EXPECT_EQ(dwg.GetDrawing(), shown);
  EXPECT_EQ(dwg.GetKeptDrawing(), nullptr);
  dwg.RestoreAfterPrinting();
  EXPECT_EQ(dwg.GetDrawing(), shown);
  Canvas canvas(300, 300);
  Paint(dwg, canvas, 300);
  EXPECT_TRUE(canvas.Colours().count(RGB(0, 0, 0)));
  dwg.CloseDrawing();
  ::DeleteFileA(copy.c_str());
}

}  // namespace

// The pass's locators and text hook called as the toolkit calls them, on a drawing of their own.
class DwgHookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitDwgToolkitOnce(::GetModuleHandleA(nullptr)));
    SetDwgHost(&host_);
    g_dwgContext = DwgDrawContext();
  }
  void TearDown() override {
    g_dwgContext = DwgDrawContext();
    SetDwgHost(nullptr);
  }
  CCountingHost host_;
};

// A missing reference, with no question to ask, is given the empty substitute drawing in the
// temporary folder, made on first need and opened like any drawing.
TEST_F(DwgHookTest, MissingReferenceGetsTheEmptySubstituteMadeOnFirstNeed) {
  char dir[MAX_PATH];
  ASSERT_NE(0u, ::GetTempPathA(sizeof dir, dir));
  const std::string substitute = std::string(dir) + "EMPTXREF.DWG";
  ::DeleteFileA(substitute.c_str());
  g_dwgContext.thumbnail = true;
  char result[kXrefPathSize] = "";
  DwgFindXrefCallback("C:\\nowhere\\vv_missing_reference.dwg", result, 0);
  EXPECT_STREQ(substitute.c_str(), result);
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(substitute.c_str()));
  CDwg empty(substitute.c_str(), nullptr);
  EXPECT_NE(empty.GetDrawing(), nullptr);
}

// A fit TEXT gets the width factor that spans its two points; a ratio outside 0.1 to 10 leaves
// it alone, and a second pass over the mended text changes nothing.
TEST_F(DwgHookTest, FitTextWidthFactorSpansItsTwoPoints) {
  TkDrawing* drawing = tk_new_drawing(nullptr, nullptr, 0, TK_VERSION_AC1014);
  ASSERT_NE(drawing, nullptr);
  TkHandle standard{};
  ASSERT_TRUE(tk_style_find(drawing, "Standard", &standard));
  DwgSnapGeometry snap;
  g_dwgContext.snap = &snap;
  g_dwgContext.drawing = drawing;
  auto text = [&](double second_x, double width_factor) {
    static TkEntityData data;
    std::memset(&data, 0, sizeof data);
    tk_data_put<double>(&data, TK_TEXT_ATTRS, 10.0);
    tk_data_put<double>(&data, TK_TEXT_ATTRS + 16, width_factor);
    tk_data_put<uint8_t>(&data, TK_TEXT_ATTRS + 33, 5);
    tk_data_put<TkHandle>(&data, TK_TEXT_ATTRS + 56, standard);
    tk_data_put<double>(&data, 64, second_x);
    std::strcpy(tk_data_text(&data, TK_TEXT_STRING), "FIT TEXT");
    TkEntityHeader header{};
    header.kind = TK_TEXT;
    DwgTextEntityHook(&header, &data, 0);
    return tk_data_get<double>(&data, TK_TEXT_ATTRS + 16);
  };
  const double factor = text(100.0, 1.0);
  ASSERT_GT(factor, 0.1);
  ASSERT_LT(factor, 10.0);
  EXPECT_NE(factor, 1.0);
  const double natural = 100.0 / factor;  // the text's width at width factor 1
  EXPECT_NEAR(factor, text(100.0, factor), 1e-9);
  EXPECT_NEAR(2.0, text(2 * natural, 1.0), 1e-6);
  EXPECT_EQ(1.0, text(12 * natural, 1.0));
  EXPECT_EQ(1.0, text(0.05 * natural, 1.0));
  tk_close_drawing(drawing);
}

// The screen view records display lists: a pan or a zoom inside what was recorded is redrawn
// from them (no entity is read), a zoom past their resolution regenerates.
TEST_F(DwgTest, PansByReplayAndZoomsPastTheRecordingByRegenerating) {
  CDwg dwg(vvtest::TestDataPath("dxf/r11_entities-2d.dxf").c_str(), nullptr);
  ASSERT_NE(dwg.GetDrawing(), nullptr);
  ASSERT_EQ(dwg.GetDrawing()->display->recording, 1);
  Canvas canvas(400, 400);
  RECT extent;
  dwg.GetExtentsRect(&extent);
  const RECT device = {0, 0, 300, int(300.0 * extent.bottom / extent.right)};
  dwg.Draw(canvas.dc(), device, extent, nullptr, TRUE);
  ASSERT_EQ(dwg.GetDrawing()->display->lists_valid, 1);
  const size_t colours = canvas.Colours().size();

  // Half the drawing's size, moved off its centre: the same device, inside the recorded space.
  const RECT panned = {extent.right / 8, extent.bottom / 3, extent.right / 8 + extent.right / 2,
                       extent.bottom / 3 + extent.bottom / 2};
  Canvas second(400, 400);
  tk_regen.entities_done = -12345;
  dwg.Draw(second.dc(), device, panned, nullptr, TRUE);
  EXPECT_EQ(tk_regen.entities_done, -12345) << "redrawn without reading the drawing";
  EXPECT_EQ(dwg.GetDrawing()->display->lists_valid, 1);
  EXPECT_GT(second.Colours().size(), 1u);
  EXPECT_GT(colours, 1u);

  // A two-hundredth of the width: past the recorded resolution (32,000 / 300 device units).
  const RECT deep = {extent.right / 2, extent.bottom / 2, extent.right / 2 + extent.right / 200,
                     extent.bottom / 2 + extent.bottom / 200};
  Canvas third(400, 400);
  dwg.Draw(third.dc(), device, deep, nullptr, TRUE);
  EXPECT_NE(tk_regen.entities_done, -12345);
  EXPECT_EQ(dwg.GetDrawing()->display->lists_valid, 1);
}

// Device coordinates reach ten million at deep zooms while GDI may carry 16 bits: segments are
// cut to what it holds before they are narrowed, so no line wraps across the window.
TEST(DwgDeviceClip, SegmentsAreCutToSixteenBitCoordinates) {
  const struct {
    int64_t in[4];
    bool kept;
    int64_t out[4];
  } cases[] = {
      {{10, 20, 300, 400}, true, {10, 20, 300, 400}},
      {{0, 100, 10000000, 100}, true, {0, 100, 32000, 100}},
      {{-10000000, -10000000, 10000000, 10000000}, true, {-32000, -32000, 32000, 32000}},
      {{40000, 0, 10000000, 5}, false, {}},
      {{100, -10000000, 100, 50}, true, {100, -32000, 100, 50}},
  };
  for (const auto& c : cases) {
    int64_t x0 = c.in[0], y0 = c.in[1], x1 = c.in[2], y1 = c.in[3];
    EXPECT_EQ(DwgClipToDevice(&x0, &y0, &x1, &y1), c.kept) << c.in[2];
    if (!c.kept) continue;
    EXPECT_EQ(x0, c.out[0]);
    EXPECT_EQ(y0, c.out[1]);
    EXPECT_EQ(x1, c.out[2]);
    EXPECT_EQ(y1, c.out[3]);
  }
}
