// The view's "zoom entire" under Wine: a drawing whose only content is the frame of its extents
// shows all four sides of the frame, whether the frame is wider, taller or as wide as the window;
// geometry on the extents' maximum x and y must not fall one pixel outside the picture.
// The view lost the top and bottom sides of a wide frame and the right side of a tall one: the
// drawing was painted into exactly the extents' rectangle, whose edges the sides fall on or half a
// pixel past.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/app/win32/DocViewFixture.h"
#include "vector/ToolkitSession.h"

namespace {

class CExtentsApp : public CTestDocApp {
 public:
  CExtentsApp() : CTestDocApp(700, 500) {}
  BOOL InitInstance() override {
    return InitDwgToolkitOnce(::GetModuleHandleA(nullptr)) && CTestDocApp::InitInstance();
  }
};

// A release 12 DXF of the rectangle (0, 0)-(w, h) as four lines, with those extents.
std::string WriteFrame(const char* name, double w, double h) {
  const std::string path = vvtest::TempDir() + name;
  FILE* f = std::fopen(path.c_str(), "w");
  std::fprintf(f,
               "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1009\n"
               "9\n$EXTMIN\n10\n0.0\n20\n0.0\n30\n0.0\n9\n$EXTMAX\n10\n%g\n20\n%g\n30\n0.0\n0\nENDSEC\n"
               "0\nSECTION\n2\nENTITIES\n",
               w, h);
  const double pts[5][2] = {{0, 0}, {w, 0}, {w, h}, {0, h}, {0, 0}};
  for (int i = 0; i < 4; ++i)
    std::fprintf(f, "0\nLINE\n8\n0\n10\n%g\n20\n%g\n30\n0.0\n11\n%g\n21\n%g\n31\n0.0\n", pts[i][0], pts[i][1],
                 pts[i + 1][0], pts[i + 1][1]);
  std::fputs("0\nENDSEC\n0\nEOF\n", f);
  std::fclose(f);
  return path;
}

class ViewExtentsTest : public DocViewFixture {};

struct FrameCase {
  const char* file;
  double w, h;
};

TEST_F(ViewExtentsTest, ZoomEntireShowsEverySideOfTheExtentsFrame) {
  static const FrameCase cases[] = {
      {"vv_extents_wide.dxf", 1000, 100},
      {"vv_extents_tall.dxf", 100, 1000},
      {"vv_extents_square.dxf", 500, 500},
  };
  OpenDrawing(new CExtentsApp, WriteFrame(cases[0].file, cases[0].w, cases[0].h));
  ASSERT_FALSE(HasFatalFailure());
  for (const FrameCase& c : cases) {
    SCOPED_TRACE(c.file);
    if (&c != &cases[0]) {
      m_doc->OnCloseDocument();
      const std::string path = WriteFrame(c.file, c.w, c.h);
      m_view = vvtest::OpenPainted(m_app, path);
      DeleteFileA(m_drawing.c_str());
      m_drawing = path;
      ASSERT_NE(nullptr, m_view);
      m_doc = m_view->GetDocument();
    }
    ASSERT_TRUE(m_doc->IsVector());
    m_view->ZoomEntire();
    vvtest::Pump(30);

    RECT rc;
    ::GetClientRect(m_view->m_hWnd, &rc);
    CClientDC dc(m_view);
    // The frame is drawn dark on the white sheet; what lies beside the sheet is grey.
    std::vector<std::vector<bool>> ink(rc.bottom, std::vector<bool>(rc.right));
    int left = rc.right, right = -1, top = rc.bottom, bottom = -1;
    for (int y = 0; y < rc.bottom; ++y)
      for (int x = 0; x < rc.right; ++x) {
        const COLORREF px = ::GetPixel(dc.m_hDC, x, y);
        if (GetRValue(px) + GetGValue(px) + GetBValue(px) > 3 * 100) continue;
        ink[y][x] = true;
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    ASSERT_GT(right - left, 20);
    ASSERT_GT(bottom - top, 20);
    // Each side of the box the ink spans is a side of the frame, drawn nearly whole.
    int n[4] = {0, 0, 0, 0};
    for (int x = left; x <= right; ++x) n[0] += ink[top][x], n[1] += ink[bottom][x];
    for (int y = top; y <= bottom; ++y) n[2] += ink[y][left], n[3] += ink[y][right];
    const int w = right - left + 1, h = bottom - top + 1;
    EXPECT_GE(n[0] * 10, w * 9) << "top side";
    EXPECT_GE(n[1] * 10, w * 9) << "bottom side";
    EXPECT_GE(n[2] * 10, h * 9) << "left side";
    EXPECT_GE(n[3] * 10, h * 9) << "right side";
  }
}

}  // namespace
