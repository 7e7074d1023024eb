// The raster document and its view under Wine: a generated image opened through the document
// shows at a known zoom with the expected pixels; the zoom stack, zoom lock and scroll arithmetic
// against tables; update hints; pending shell files worked off whether an open succeeds or
// fails; temporary copies removed on every road; progress arithmetic; a repaint during a zoom
// drag leaves no stray band.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "MainFrm.h"
#include "FileDialogEx.h"
#include "Raster.h"
#include "TestData.h"
#include "Tool.h"
#include "VLRApp.h"
#include "tests/app/win32/DocAppFixture.h"
#include "VLRDoc.h"
#include "VLRView.h"
#include "Vlr.h"
#include "ZoomGlasTool.h"
#include "resource.h"

namespace {

using vvtest::Pump;
using vvtest::TempDir;

// The application as the program builds it for documents: settings, main frame, one template.
class CDocViewApp : public CTestDocApp {
 public:
  CDocViewApp() : CTestDocApp(900, 700) {}
  BOOL InitInstance() override {
    if (!CTestDocApp::InitInstance()) return FALSE;
    static_cast<CMainFrame*>(m_pMainWnd)->m_bProgressLive = TRUE;
    return TRUE;
  }
};

// A 24-bit BMP: the left half red, the right half blue, with a black square in the top-left
// quarter; resolution given in dots per inch.
const uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kBlack = 0x000000, kGrey = 0xC0C0C0;

uint32_t TestPixel(int x, int y, int w, int h) {
  if (x >= w / 8 && x < w / 4 && y >= h / 8 && y < h / 4) return kBlack;
  return x < w / 2 ? kRed : kBlue;
}

std::string WriteTestBmp(const char* name, int w, int h, int dpi) {
  const int row = (w * 3 + 3) / 4 * 4;
  std::vector<uint8_t> f;
  auto le = [&](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) f.push_back((uint8_t)(v >> (8 * i)));
  };
  const uint32_t ppm = (uint32_t)(dpi * 10000 / 254);
  f.push_back('B');
  f.push_back('M');
  le(54 + row * h, 4);
  le(0, 4);
  le(54, 4);
  le(40, 4);
  le(w, 4);
  le(h, 4);
  le(1, 2);
  le(24, 2);
  le(0, 4);
  le(row * h, 4);
  le(ppm, 4);
  le(ppm, 4);
  le(0, 4);
  le(0, 4);
  for (int y = h - 1; y >= 0; --y) {
    for (int x = 0; x < w; ++x) {
      uint32_t c = TestPixel(x, y, w, h);
      f.push_back((uint8_t)c);
      f.push_back((uint8_t)(c >> 8));
      f.push_back((uint8_t)(c >> 16));
    }
    for (int i = w * 3; i < row; ++i) f.push_back(0);
  }
  std::string path = TempDir() + name;
  FILE* out = fopen(path.c_str(), "wb");
  fwrite(f.data(), 1, f.size(), out);
  fclose(out);
  return path;
}

std::string WriteJunk(const char* name) {
  std::string path = TempDir() + name;
  FILE* out = fopen(path.c_str(), "wb");
  fputs("this is no picture of any kind\n", out);
  fclose(out);
  return path;
}

int Centre(int a, int b) { return (int)(((int64_t)a + b) / 2); }

int TempCopies() {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((TempDir() + "VLR*.tmp").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return 0;
  int n = 0;
  do ++n;
  while (FindNextFileA(h, &fd));
  FindClose(h);
  return n;
}

// The view's client area as 0x00RRGGBB pixels.
struct Shot {
  int w = 0, h = 0;
  std::vector<uint32_t> px;
  uint32_t At(int x, int y) const { return px[(size_t)y * w + x] & 0xFFFFFF; }
};

Shot Capture(CWnd* wnd) {
  Shot s;
  RECT rc;
  ::GetClientRect(wnd->m_hWnd, &rc);
  s.w = rc.right;
  s.h = rc.bottom;
  HDC wdc = ::GetDC(wnd->m_hWnd);
  HDC mem = ::CreateCompatibleDC(wdc);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = s.w;
  bi.bmiHeader.biHeight = -s.h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = ::CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(mem, dib);
  ::BitBlt(mem, 0, 0, s.w, s.h, wdc, 0, 0, SRCCOPY);
  ::GdiFlush();
  s.px.assign(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + (size_t)s.w * s.h);
  ::SelectObject(mem, old);
  ::DeleteObject(dib);
  ::DeleteDC(mem);
  ::ReleaseDC(wnd->m_hWnd, wdc);
  return s;
}

std::vector<std::string> g_messages;
std::vector<int> g_answers;  // given in turn to the next boxes; IDOK once none is left

int RecordMessageBox(LPCSTR text, UINT, UINT) {
  g_messages.push_back(text ? text : "");
  if (g_answers.empty()) return IDOK;
  const int answer = g_answers.front();
  g_answers.erase(g_answers.begin());
  return answer;
}

class DocViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_messages.clear();
    g_answers.clear();
    AfxSetMessageBoxHook(&RecordMessageBox);
    CVLRView::s_rcLockedZoom.SetRectEmpty();
    app_ = new CDocViewApp;
    ASSERT_TRUE(AfxWinInit(GetModuleHandleA(nullptr), nullptr, cmdLine_, SW_SHOWNORMAL));
    ASSERT_TRUE(app_->InitInstance());
    frame_ = app_->GetMainFrame();
  }
  void TearDown() override {
    CVLRView::s_rcLockedZoom.SetRectEmpty();
    vvtest::DestroyTestDocApp(app_);
  }

  CVLRDoc* Open(const std::string& path) {
    CDocument* doc = app_->OpenDocumentFile(path.c_str());
    Pump(60);
    return static_cast<CVLRDoc*>(doc);
  }

  static CVLRView* ViewOf(CDocument* doc) {
    POSITION pos = doc->GetFirstViewPosition();
    return pos ? static_cast<CVLRView*>(doc->GetNextView(pos)) : nullptr;
  }

  int DocumentCount() const {
    int n = 0;
    POSITION tp = app_->GetFirstDocTemplatePosition();
    while (tp) {
      CDocTemplate* t = app_->GetNextDocTemplate(tp);
      POSITION dp = t->GetFirstDocPosition();
      while (dp) {
        t->GetNextDoc(dp);
        ++n;
      }
    }
    return n;
  }

  // Repaints the view now and lets the paint finish.
  static void Repaint(CVLRView* view) {
    view->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Pump(20);
  }

  char cmdLine_[1] = {0};
  CDocViewApp* app_ = nullptr;
  CMainFrame* frame_ = nullptr;
};

// 400 x 200 pixels at 100 dpi: 2540 units a pixel, an extent of 1,016,000 x 508,000 units.
TEST_F(DocViewTest, RasterShowsFittedAndCentredWithTheExpectedPixels) {
  CVLRDoc* doc = Open(WriteTestBmp("vv_docview.bmp", 400, 200, 100));
  ASSERT_NE(nullptr, doc);
  ASSERT_TRUE(doc->IsRaster());
  EXPECT_EQ(400, doc->m_pRaster->m_nWidth);
  EXPECT_EQ(100, doc->m_pRaster->m_nResolution);
  CVLRView* view = ViewOf(doc);
  ASSERT_NE(nullptr, view);
  Repaint(view);
  ASSERT_NE(nullptr, view->GetGraph());
  EXPECT_EQ(CRect(0, 0, 1016000, 508000), view->GetExtent());
  EXPECT_EQ(CTool::idZoomGlass, view->GetTool()->GetToolId());  // the first paint takes the zoom glass

  // The fit, worked out here: whole units a pixel along the limiting side, centred on the other.
  CRect client;
  view->GetClientRect(&client);
  const double ratioClient = (double)client.Height() / client.Width();
  const bool heightLimits = ratioClient < 0.5;
  const int factor = heightLimits ? (int)(508000.0 / client.Height() + 0.5) : (int)(1016000.0 / client.Width() + 0.5);
  EXPECT_EQ(factor, view->GetGraph()->GetFactorX());
  const int shownW = 1016000 / factor, shownH = 508000 / factor;
  const int left = heightLimits ? (client.Width() - shownW) / 2 : 0;
  const int top = heightLimits ? 0 : (client.Height() - shownH) / 2;

  Shot shot = Capture(view);
  ASSERT_GT(shot.w, 100);
  // Sample the middle of every eighth of the image, away from the colour edges.
  for (int i = 0; i < 8; ++i) {
    for (int j = 0; j < 8; ++j) {
      const int ix = 400 * (2 * i + 1) / 16, iy = 200 * (2 * j + 1) / 16;
      const int cx = left + (int)((double)ix * 2540 / factor), cy = top + (int)((double)iy * 2540 / factor);
      if (cx >= shot.w || cy >= shot.h) continue;
      EXPECT_EQ(TestPixel(ix, iy, 400, 200), shot.At(cx, cy)) << ix << "," << iy << " at " << cx << "," << cy;
    }
  }
  // Outside the image the light grey background.
  if (heightLimits && left > 2) {
    EXPECT_EQ(kGrey, shot.At(left / 2, client.Height() / 2));
  }
  if (!heightLimits && top > 2) {
    EXPECT_EQ(kGrey, shot.At(client.Width() / 2, top / 2));
  }
}

TEST_F(DocViewTest, ZoomStackPushesPopsAndFallsBackToTheExtent) {
  CVLRDoc* doc = Open(WriteTestBmp("vv_zoom.bmp", 400, 200, 100));
  ASSERT_NE(nullptr, doc);
  CVLRView* view = ViewOf(doc);
  Repaint(view);
  const CRect first = view->GetZoomRect();
  struct Step {
    const char* what;
    CRect zoomTo;  // empty: zoom out
    int depth;
  };
  const Step steps[] = {
      {"in", CRect(100000, 50000, 300000, 150000), 1},
      {"in again", CRect(120000, 60000, 160000, 80000), 2},
      {"out", CRect(), 1},
      {"out", CRect(), 0},
      {"out with an empty stack", CRect(), 0},
  };
  std::vector<CRect> shown = {first};
  for (const Step& s : steps) {
    if (!s.zoomTo.IsRectEmpty()) {
      view->ZoomTo(s.zoomTo);
      shown.push_back(view->GetZoomRect());
      // The requested rectangle is what is shown, up to the rounding to whole units a pixel.
      const int slack = s.zoomTo.Width() / 100;
      EXPECT_LE(view->GetZoomRect().left, s.zoomTo.left + slack) << s.what;
      EXPECT_GE(view->GetZoomRect().right, s.zoomTo.right - slack) << s.what;
    } else {
      view->ZoomOut();
      if (shown.size() > 1) shown.pop_back();
      Pump(10);
    }
    EXPECT_EQ(s.depth, view->GetZoomDepth()) << s.what;
  }
  // Out with an empty stack shows the whole extent again.
  Repaint(view);
  EXPECT_EQ(first, view->GetZoomRect());

  view->ZoomTo(CRect(100000, 50000, 300000, 150000));
  view->ZoomTo(CRect(120000, 60000, 160000, 80000));
  view->ZoomEntire();
  EXPECT_EQ(0, view->GetZoomDepth());
  EXPECT_EQ(first, view->GetZoomRect());
}

// The zoom glass: a drag zooms to the dragged rectangle, a click without drag changes nothing,
// a right click goes back one level.
TEST_F(DocViewTest, ZoomGlassDragClickAndRightClick) {
  CVLRDoc* doc = Open(WriteTestBmp("vv_glass.bmp", 400, 200, 100));
  CVLRView* view = ViewOf(doc);
  Repaint(view);
  ASSERT_EQ(CTool::idZoomGlass, view->GetTool()->GetToolId());
  const CRect first = view->GetZoomRect();
  CTGraph* g = view->GetGraph();
  const CPoint a = g->ClientToDoc(50, 40), b = g->ClientToDoc(150, 90);

  view->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 60));
  view->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(60, 60));
  EXPECT_EQ(0, view->GetZoomDepth());
  EXPECT_EQ(first, view->GetZoomRect());

  view->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 90));
  view->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 60));
  view->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(50, 40));  // dragged up and left: normalised
  EXPECT_EQ(1, view->GetZoomDepth());
  const CRect zoomed = view->GetZoomRect();
  const int slack = (b.x - a.x) / 100;
  EXPECT_NEAR(Centre(a.x, b.x), Centre(zoomed.left, zoomed.right), slack);
  EXPECT_NEAR(Centre(a.y, b.y), Centre(zoomed.top, zoomed.bottom), slack);
  EXPECT_LE(zoomed.left, a.x + slack);
  EXPECT_GE(zoomed.right, b.x - slack);
  EXPECT_LT(zoomed.Width(), first.Width());

  view->SendMessage(WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(0, view->GetZoomDepth());
  view->SendMessage(WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
  Repaint(view);
  EXPECT_EQ(first, view->GetZoomRect());
  EXPECT_EQ(CTool::idZoomGlass, view->GetTool()->GetToolId());
}

// A repaint in the middle of a drag wipes the XOR band; the next move must not draw the old band
// again (which would leave its outline inverted on the picture).
TEST_F(DocViewTest, RepaintDuringADragLeavesNoStrayBand) {
  CVLRDoc* doc = Open(WriteTestBmp("vv_band.bmp", 400, 200, 100));
  CVLRView* view = ViewOf(doc);
  Repaint(view);
  const Shot clean = Capture(view);
  view->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 30));
  view->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(120, 80));
  Pump(10);
  const Shot banded = Capture(view);
  int changed = 0;
  for (int y = 30; y <= 80; ++y) changed += banded.At(120, y) != clean.At(120, y);
  ASSERT_GT(changed, 0) << "the band shows while dragging";
  // A white pen in XOR inverts every pixel it covers, dots and gaps alike; a black one would
  // leave its dots unchanged on any picture.
  int inverted = 0;
  for (int y = 31; y < 80; ++y) inverted += banded.At(120, y) == (clean.At(120, y) ^ 0xFFFFFFu);
  EXPECT_EQ(inverted, 49) << "every pixel of the band's edge is inverted";
  Repaint(view);
  EXPECT_FALSE(static_cast<CZoomGlasTool*>(view->GetTool())->IsBandShown());
  view->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(160, 110));
  Pump(10);
  const Shot after = Capture(view);
  for (int y = 35; y <= 75; ++y) EXPECT_EQ(clean.At(120, y), after.At(120, y)) << "old band at y " << y;
  view->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(30, 30));  // no width: no zoom
  EXPECT_EQ(0, view->GetZoomDepth());
}

struct ScrollCase {
  const char* name;
  int bar;
  UINT code;
  int thumb;
  int expectedDelta;  // in scroll positions, before clamping
};

// A zoom of 409,600 x 204,800 units: a horizontal line is 400 / 20 = 20 positions, a page 200;
// a vertical line 200 / 10 = 20, a page 100.
const ScrollCase kScrollCases[] = {
    {"line right", SB_HORZ, SB_LINEDOWN, 0, 20},
    {"line left", SB_HORZ, SB_LINEUP, 0, -20},
    {"page right", SB_HORZ, SB_PAGEDOWN, 0, 200},
    {"page left", SB_HORZ, SB_PAGEUP, 0, -200},
    {"line down", SB_VERT, SB_LINEDOWN, 0, 20},
    {"page up", SB_VERT, SB_PAGEUP, 0, -100},
    {"thumb", SB_HORZ, SB_THUMBPOSITION, 300, 0},
    {"tracking a raster", SB_VERT, SB_THUMBTRACK, 250, 0},
    {"ends", SB_HORZ, SB_ENDSCROLL, 0, 0},
};

TEST_F(DocViewTest, ScrollArithmeticInUnitsOf1024) {
  CVLRDoc* doc = Open(WriteTestBmp("vv_scroll.bmp", 400, 200, 100));
  CVLRView* view = ViewOf(doc);
  Repaint(view);
  for (const ScrollCase& c : kScrollCases) {
    view->ZoomEntire();
    // A zoom whose rectangle the window takes as it is: same proportions as the client area.
    CRect client;
    view->GetClientRect(&client);
    const int w = 409600, h = (int)((int64_t)w * client.Height() / client.Width());
    view->ZoomTo(CRect(300000, 150000, 300000 + w, 150000 + h));
    const CRect before = view->GetZoomRect();
    int lo = 0, hi = 0;
    view->GetScrollRange(c.bar, &lo, &hi);
    EXPECT_EQ(c.bar == SB_HORZ ? 0 : 0, lo);
    EXPECT_EQ(c.bar == SB_HORZ ? 1016000 / 1024 : 508000 / 1024, hi) << c.name;
    const int posBefore = view->GetScrollPos(c.bar);
    const int centreBefore = c.bar == SB_HORZ ? (before.left + before.right) / 2 : (before.top + before.bottom) / 2;
    EXPECT_EQ(centreBefore / 1024, posBefore) << c.name;
    const int size = c.bar == SB_HORZ ? before.Width() : before.Height();
    const int line = (size / 1024) / (c.bar == SB_HORZ ? 20 : 10);
    int expected = posBefore + (c.code == SB_LINEDOWN ? line : c.code == SB_LINEUP ? -line
                               : c.code == SB_PAGEDOWN ? line * (c.bar == SB_HORZ ? 10 : 5)
                               : c.code == SB_PAGEUP ? -line * (c.bar == SB_HORZ ? 10 : 5) : 0);
    if (c.code == SB_THUMBPOSITION || c.code == SB_THUMBTRACK) expected = c.thumb;
    if (c.code == SB_ENDSCROLL) expected = posBefore;
    if (c.bar == SB_HORZ) {
      EXPECT_EQ(20, line) << c.name;
    }
    expected = expected < lo ? lo : expected > hi ? hi : expected;
    view->SendMessage(c.bar == SB_HORZ ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(c.code, c.thumb), 0);
    const CRect after = view->GetZoomRect();
    EXPECT_EQ(expected, view->GetScrollPos(c.bar)) << c.name;
    if (c.code != SB_ENDSCROLL) {
      const int centreAfter = c.bar == SB_HORZ ? (after.left + after.right) / 2 : (after.top + after.bottom) / 2;
      EXPECT_NEAR(expected * 1024, centreAfter, 1) << c.name;
    }
    EXPECT_EQ(before.Width(), after.Width()) << c.name;
  }
  // Scrolling past the ends stops at the range.
  view->ZoomEntire();
  view->ZoomTo(CRect(0, 0, 409600, 204800));
  for (int i = 0; i < 20; ++i) view->SendMessage(WM_HSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(1016000 / 1024, view->GetScrollPos(SB_HORZ));
}

TEST_F(DocViewTest, ZoomLockIsTakenByEveryViewAtItsNextPaint) {
  CVLRDoc* first = Open(WriteTestBmp("vv_lock1.bmp", 400, 200, 100));
  CVLRDoc* second = Open(WriteTestBmp("vv_lock2.bmp", 200, 100, 50));  // the same extent, other pixels
  CVLRView* a = ViewOf(first);
  CVLRView* b = ViewOf(second);
  Repaint(a);
  Repaint(b);
  a->ZoomTo(CRect(254000, 127000, 508000, 254000));
  const CRect locked = a->GetZoomRect();
  a->SendMessage(WM_COMMAND, ID_VIEW_LOCKZOOM);
  EXPECT_TRUE(a->IsZoomLocked());
  EXPECT_EQ(CTool::idNone, a->GetTool()->GetToolId());
  // Ten-thousandths of the extent.
  const CRect expected((int)(locked.left * 10000.0 / 1016000 + 0.5), (int)(locked.top * 10000.0 / 508000 + 0.5),
                       (int)(locked.right * 10000.0 / 1016000 + 0.5), (int)(locked.bottom * 10000.0 / 508000 + 0.5));
  EXPECT_EQ(expected, CVLRView::s_rcLockedZoom);
  Repaint(b);
  EXPECT_TRUE(b->IsZoomLocked());
  EXPECT_EQ(1, b->GetZoomDepth());
  // b shows the locked part of its own extent, fitted into its window: whole units a pixel may
  // show up to half a unit a pixel less than asked.
  const int slack = locked.Width() / 100;
  EXPECT_NEAR(Centre(locked.left, locked.right), Centre(b->GetZoomRect().left, b->GetZoomRect().right), slack);
  EXPECT_LE(b->GetZoomRect().left, locked.left + slack);
  EXPECT_GE(b->GetZoomRect().right, locked.right - slack);
  // Zoom in, zoom out and entire image wait while a zoom is locked.
  struct Probe : CCmdUI {
    BOOL enabled = TRUE;
    void Enable(BOOL bOn) override { enabled = bOn; }
  } in, out, entire;
  b->OnUpdateZoomIn(&in);
  b->OnUpdateZoomOut(&out);
  b->OnUpdateViewEntire(&entire);
  EXPECT_FALSE(in.enabled);
  EXPECT_FALSE(out.enabled);
  EXPECT_FALSE(entire.enabled);

  a->SendMessage(WM_COMMAND, ID_VIEW_LOCKZOOM);
  EXPECT_TRUE(CVLRView::s_rcLockedZoom.IsRectEmpty());
  EXPECT_FALSE(a->IsZoomLocked());
  EXPECT_FALSE(b->IsZoomLocked());
  Probe again;
  b->OnUpdateZoomOut(&again);
  EXPECT_TRUE(again.enabled);
}

// Hints -1 and -3 drop the mapping (rebuilt at the next paint); -2 maximises the view's frame.
TEST_F(DocViewTest, UpdateHints) {
  CVLRDoc* doc = Open(WriteTestBmp("vv_hints.bmp", 400, 200, 100));
  CVLRView* view = ViewOf(doc);
  CMDIChildWnd* child = static_cast<CMDIChildWnd*>(view->GetParentFrame());
  EXPECT_TRUE(child->IsZoomed());  // the open ended with hint -2
  child->MDIRestore();
  Pump(10);
  EXPECT_FALSE(child->IsZoomed());
  const struct {
    LPARAM hint;
    bool dropsMapping;
    bool maximises;
  } cases[] = {{-1, true, false}, {-3, true, false}, {-2, false, true}, {0, false, false}, {7, false, false}};
  for (const auto& c : cases) {
    Repaint(view);
    ASSERT_NE(nullptr, view->GetGraph());
    doc->UpdateAllViews(nullptr, c.hint, nullptr);
    EXPECT_EQ(c.dropsMapping, view->GetGraph() == nullptr) << c.hint;
    EXPECT_EQ(c.maximises, (bool)child->IsZoomed()) << c.hint;
    if (child->IsZoomed()) child->MDIRestore();
    Pump(10);
  }
  // Rotating by 90 degrees rebuilds the mapping for the turned image.
  Repaint(view);
  doc->OnRotate90();
  EXPECT_EQ(nullptr, view->GetGraph());
  Repaint(view);
  EXPECT_EQ(CRect(0, 0, 508000, 1016000), view->GetExtent());
}

// A hint with a part of the document repaints that part of a raster, a pixel wider on each side,
// and nothing else of the hint counts: not even a hint number that would drop the mapping.
TEST_F(DocViewTest, RectangleHintRepaintsItsPartOfTheRaster) {
  CVLRDoc* doc = Open(WriteTestBmp("vv_rect_hint.bmp", 400, 200, 100));
  CVLRView* view = ViewOf(doc);
  Repaint(view);
  ASSERT_NE(nullptr, view->GetGraph());
  const CPoint a = view->GetGraph()->ClientToDoc(50, 40), b = view->GetGraph()->ClientToDoc(100, 80);
  for (LPARAM lHint : {0, -1}) {
    view->ValidateRect(nullptr);
    // Given right to left: the part is normalised.
    CDocRectHint hint(b.x, a.y, a.x, b.y);
    doc->UpdateAllViews(nullptr, lHint, &hint);
    CRect rc;
    EXPECT_TRUE(::GetUpdateRect(view->m_hWnd, &rc, FALSE)) << lHint;
    EXPECT_EQ(CRect(49, 39, 101, 81), rc) << lHint;
    EXPECT_NE(nullptr, view->GetGraph()) << lHint;
  }
  view->ValidateRect(nullptr);
  CDocRectHint outside(-1e300, -1e300, 1e300, std::nan(""));
  doc->UpdateAllViews(nullptr, 0, &outside);  // held at the edges, not undefined
  Pump(10);
}

// Files the shell sent in one "#OPENFILE#" open one after another, also past files no reader
// takes, whether the first file opened or not.
TEST_F(DocViewTest, PendingShellFilesAreWorkedOffWhateverEachOpenGives) {
  const std::string good1 = WriteTestBmp("vv_pend1.bmp", 40, 20, 100);
  const std::string good2 = WriteTestBmp("vv_pend2.bmp", 40, 20, 100);
  const std::string good3 = WriteTestBmp("vv_pend3.bmp", 40, 20, 100);
  const std::string junk = WriteJunk("vv_pend_junk.txt");
  const struct {
    const char* name;
    std::string first;
    std::string pending;
    int documents;
  } cases[] = {
      {"all open", good1, good2 + ";" + good3, 3},
      {"a bad file in the middle", good1, junk + ";" + good2, 2},
      {"the first fails", junk, good1 + ";" + good2, 2},
      {"empty pieces", good1, ";" + good2 + ";;", 2},
      {"missing file", good1, TempDir() + "vv_no_such_file.bmp;" + good3, 2},
  };
  for (const auto& c : cases) {
    app_->CloseAllDocuments(FALSE);
    Pump(10);
    ASSERT_EQ(0, DocumentCount());
    app_->m_strPendingOpen = c.pending.c_str();
    app_->OpenDocumentFile(c.first.c_str());
    Pump(30);
    EXPECT_EQ(c.documents, DocumentCount()) << c.name;
    EXPECT_TRUE(app_->m_strPendingOpen.IsEmpty()) << c.name;
  }
}

// A file of the list that is open already brings its document forward without an open of its
// own; the files after it still open.
TEST_F(DocViewTest, PendingShellFilesGoOnPastFilesAlreadyOpen) {
  const std::string a = WriteTestBmp("vv_open_a.bmp", 40, 20, 100);
  const std::string b = WriteTestBmp("vv_open_b.bmp", 40, 20, 100);
  const std::string c = WriteTestBmp("vv_open_c.bmp", 40, 20, 100);
  const std::string d = WriteTestBmp("vv_open_d.bmp", 40, 20, 100);
  ASSERT_NE(nullptr, Open(a));
  ASSERT_NE(nullptr, Open(b));
  app_->m_strPendingOpen = (a + ";" + b + ";" + d).c_str();
  app_->OpenDocumentFile(c.c_str());
  Pump(30);
  EXPECT_EQ(4, DocumentCount());
  EXPECT_TRUE(app_->m_strPendingOpen.IsEmpty());
}

// Changed annotations are offered for saving, once, whichever road closes their document; Yes
// writes the side file, No leaves none.
TEST_F(DocViewTest, EveryRoadThatClosesADocumentAsksOnceAboutChangedAnnotations) {
  const std::string path = WriteTestBmp("vv_close_ask.bmp", 40, 20, 100);
  const std::string side = path + ".VLR";
  const std::string question = "annotation information for " + path + " has been changed";
  const struct {
    const char* road;
    std::function<void(CVLRApp*, CVLRDoc*)> close;
  } roads[] = {
      {"menu", [](CVLRApp*, CVLRDoc* d) { ViewOf(d)->GetParentFrame()->SendMessage(WM_COMMAND, ID_FILE_CLOSE, 0); }},
      {"frame", [](CVLRApp*, CVLRDoc* d) { ViewOf(d)->GetParentFrame()->SendMessage(WM_CLOSE, 0, 0); }},
      {"DDE close one",
       [&path](CVLRApp* a, CVLRDoc*) { a->OnDDECommand(const_cast<LPSTR>(("#CLOSEFILE#|" + path).c_str())); }},
      {"DDE close all", [](CVLRApp* a, CVLRDoc*) { a->OnDDECommand(const_cast<LPSTR>("#CLOSEFILE#")); }},
      {"thumbnail", [&path](CVLRApp* a, CVLRDoc*) { a->OnDDECommand(const_cast<LPSTR>(("#THUMB#|" + path).c_str())); }},
      {"program end", [](CVLRApp* a, CVLRDoc*) { a->ExitInstance(); }},
  };
  for (const auto& r : roads) {
    for (int answer : {IDYES, IDNO}) {
      DeleteFileA(side.c_str());
      CVLRDoc* doc = Open(path);
      ASSERT_NE(nullptr, doc) << r.road;
      ASSERT_NE(nullptr, doc->m_pVlr) << r.road;
      doc->m_pVlr->SetModified();
      g_messages.clear();
      g_answers = {answer};
      r.close(app_, doc);
      Pump(20);
      EXPECT_EQ(0, DocumentCount()) << r.road;
      ASSERT_EQ(1u, g_messages.size()) << r.road;
      EXPECT_NE(std::string::npos, g_messages[0].find(question)) << r.road << ": " << g_messages[0];
      EXPECT_EQ(answer == IDYES, GetFileAttributesA(side.c_str()) != INVALID_FILE_ATTRIBUTES) << r.road;
    }
  }
  // Unchanged annotations close without a word.
  Open(path);
  g_messages.clear();
  app_->OnDDECommand(const_cast<LPSTR>("#CLOSEFILE#"));
  EXPECT_TRUE(g_messages.empty());
  DeleteFileA(side.c_str());
}

// File Open: several names chosen together each open a document, and the dialog lets go of the
// command's buffer afterwards (the next run must not write into a dead stack frame).
CFileDialogEx* g_openDialog = nullptr;
std::string g_typedNames;
bool g_typed = false;
void CALLBACK TypeNamesAndOpen(HWND, UINT, UINT_PTR, DWORD) {
  HWND dlg = g_openDialog ? g_openDialog->m_hWnd : nullptr;
  if (g_typed || !dlg || !IsWindowVisible(dlg)) return;
  HWND nameBox = GetDlgItem(dlg, 0x47c);  // the explorer dialog's name box
  if (!nameBox) nameBox = GetDlgItem(dlg, 0x480);
  SetWindowTextA(nameBox, g_typedNames.c_str());
  PostMessageA(dlg, WM_COMMAND, IDOK, 0);
  g_typed = true;
}

TEST_F(DocViewTest, FileOpenOpensEveryChosenNameAndLetsGoOfItsBuffer) {
  const std::string a = WriteTestBmp("vv_fileopen_a.bmp", 40, 20, 100);
  const std::string b = WriteTestBmp("vv_fileopen_b.bmp", 40, 20, 100);
  const std::string dir = TempDir();
  app_->m_pFileOpenDlg = new CFileDialogEx(TRUE, nullptr, nullptr,
                                           OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ALLOWMULTISELECT,
                                           "Bitmap (*.bmp)|*.bmp||", frame_);
  app_->m_pFileOpenDlg->m_ofn.lpstrInitialDir = dir.c_str();
  g_openDialog = app_->m_pFileOpenDlg;
  g_typedNames = "\"vv_fileopen_a.bmp\" \"vv_fileopen_b.bmp\"";
  g_typed = false;
  UINT_PTR timer = SetTimer(nullptr, 0, 100, &TypeNamesAndOpen);
  app_->OnFileOpen();
  KillTimer(nullptr, timer);
  Pump(30);
  EXPECT_TRUE(g_typed);
  std::vector<std::string> titles;
  POSITION tp = app_->GetFirstDocTemplatePosition();
  CDocTemplate* t = app_->GetNextDocTemplate(tp);
  for (POSITION dp = t->GetFirstDocPosition(); dp;) titles.push_back(static_cast<LPCSTR>(t->GetNextDoc(dp)->GetTitle()));
  std::sort(titles.begin(), titles.end());
  EXPECT_EQ(titles, (std::vector<std::string>{"vv_fileopen_a.bmp", "vv_fileopen_b.bmp"}));
  EXPECT_EQ(app_->m_pFileOpenDlg->m_ofn.lpstrFile, nullptr);
  EXPECT_EQ(app_->m_pFileOpenDlg->m_ofn.nMaxFile, 0u);
  g_openDialog = nullptr;
}

// The temporary copy the library reads is removed whether the load succeeds, the library does
// not know the file or the file can't be copied.
TEST_F(DocViewTest, TemporaryCopiesAreRemovedOnEveryRoad) {
  const int before = TempCopies();
  const std::string files[] = {WriteTestBmp("vv_temp.bmp", 40, 20, 100), WriteJunk("vv_temp_junk.dat"),
                               TempDir() + "vv_temp_missing.bmp"};
  for (const std::string& f : files) {
    CRaster raster(f.c_str());
    EXPECT_EQ(before, TempCopies()) << f;
    Open(f);
    EXPECT_EQ(before, TempCopies()) << f;
  }
  CRaster junk(files[1].c_str());
  EXPECT_LT(junk.m_hImage, 0);
}

// A failed save says why: the path and the imaging library's text in an error box, and the
// library's negative result to the caller.
TEST_F(DocViewTest, FailedRasterSaveShowsTheLibrarysText) {
  CRaster raster(WriteTestBmp("vv_save_fail.bmp", 40, 20, 100).c_str());
  ASSERT_TRUE(raster.IsValid());
  const struct {
    std::string path;
    int format;
    const char* text;
  } cases[] = {
      {TempDir() + "vv_no_such_folder\\x.bmp", 1, "The file cannot be written"},
      {TempDir() + "vv_save_fail.tif", 10, "The file format cannot hold the colour depth of this image"},
  };
  for (const auto& c : cases) {
    g_messages.clear();
    EXPECT_LT(raster.Save(c.path.c_str(), c.format), 0) << c.path;
    ASSERT_EQ(1u, g_messages.size()) << c.path;
    EXPECT_EQ(c.path + "\n\n" + c.text, g_messages[0]);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(c.path.c_str()));
  }
  g_messages.clear();
  const std::string saved = TempDir() + "vv_save_ok.bmp";
  EXPECT_EQ(0, raster.Save(saved.c_str(), 1));
  EXPECT_TRUE(g_messages.empty());
  DeleteFileA(saved.c_str());
}

// Inverting repaints with the complementary colours; rotating by 270 and back by 90 gives the
// picture back; the launch command takes the document's path for every "%1".
TEST_F(DocViewTest, RasterCommandsAndTheLaunchCommandLine) {
  const std::string path = WriteTestBmp("vv_commands.bmp", 400, 200, 100);
  CVLRDoc* doc = Open(path);
  ASSERT_NE(nullptr, doc);
  CVLRView* view = ViewOf(doc);
  Repaint(view);
  const Shot before = Capture(view);
  doc->OnViewInvert();
  Repaint(view);
  const Shot inverted = Capture(view);
  int compared = 0;
  for (int y = 10; y < before.h; y += 37)
    for (int x = 10; x < before.w; x += 41) {
      if (before.At(x, y) == kGrey) continue;
      EXPECT_EQ(0xFFFFFFu ^ before.At(x, y), inverted.At(x, y)) << x << "," << y;
      ++compared;
    }
  EXPECT_GT(compared, 20);
  doc->OnViewInvert();
  doc->OnRotate270();
  EXPECT_EQ(200, doc->m_pRaster->m_nWidth);
  EXPECT_EQ(400, doc->m_pRaster->m_nHeight);
  doc->OnRotate90();
  Repaint(view);
  const Shot back = Capture(view);
  for (int y = 10; y < before.h; y += 37)
    for (int x = 10; x < before.w; x += 41) EXPECT_EQ(before.At(x, y), back.At(x, y)) << x << "," << y;

  const struct {
    const char* launch;
    std::string expected;
  } cases[] = {
      {"viewer.exe", "viewer.exe"},
      {"viewer.exe \"%1\"", "viewer.exe \"" + path + "\""},
      {"copy %1 %1.bak", "copy " + path + " " + path + ".bak"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_STREQ(c.expected.c_str(), doc->LaunchCommandLine(c.launch)) << c.launch;
}

TEST(RasterProgress, PercentOfCallsIncludingAZeroTotal) {
  const struct {
    int32_t counter, total, percent;
  } cases[] = {
      {0, 50, 1},    {0, 0, 1},    {1, 200, 1},     {1, 50, 2},    {25, 50, 50},
      {50, 50, 100}, {75, 50, 100}, {3, 0, 100},    {3, -5, 100},  {INT32_MAX, 1, 100},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.percent, CRaster::ProgressPercent(c.counter, c.total)) << c.counter << "/" << c.total;
}

TEST_F(DocViewTest, PagesOfAMultiPageFile) {
  VV_REQUIRE_TESTDATA();
  CVLRDoc* doc = Open(vvtest::TestDataPath("raster/multipage_3.tif"));
  ASSERT_NE(nullptr, doc);
  ASSERT_EQ(3, doc->m_pRaster->m_nPages);
  EXPECT_FALSE(doc->m_pRaster->LoadPage(3));  // the page count itself is no page
  EXPECT_EQ(0, doc->m_pRaster->m_nCurPage);
  doc->OnNextPage();
  EXPECT_EQ(1, doc->m_pRaster->m_nCurPage);
  CString text;
  frame_->m_wndStatusText.GetWindowText(text);
  EXPECT_STREQ("Page 2 of 3", text);
  doc->OnPrevPage();
  frame_->m_wndStatusText.GetWindowText(text);
  EXPECT_STREQ("Page 1 of 3", text);
}

TEST(Tools, FactoryAndShiftConstraint) {
  for (int id : {-1, 0, 15, 1000}) {
    CTool* t = CTool::Create(id);
    EXPECT_EQ(0, t->GetToolId()) << id;
    BOOL handled = TRUE;
    EXPECT_TRUE(t->OnLButtonDown(nullptr, 1, 2, 0));
    EXPECT_TRUE(t->OnRButtonUp(nullptr, 1, 2, 0, &handled));
    EXPECT_FALSE(handled);
    delete t;
  }
  CTool* glass = CTool::Create(3);
  EXPECT_EQ(3, glass->GetToolId());
  EXPECT_TRUE(glass->IsKindOf(RUNTIME_CLASS(CZoomGlasTool)));
  delete glass;
  const struct {
    POINT start, end, result;
  } cases[] = {
      {{0, 0}, {5, 5}, {0, 5}},      // a tie is vertical
      {{0, 0}, {-5, 5}, {0, 5}},
      {{10, 10}, {30, 12}, {30, 10}},  // mostly across: horizontal
      {{10, 10}, {12, -30}, {10, -30}},
  };
  for (const auto& c : cases) EXPECT_EQ(CPoint(c.result), CTool::ConstrainToAxis(c.start, c.end));
}

}  // namespace
