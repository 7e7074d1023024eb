// Measuring on a vector drawing under Wine: lengths count in drawing units through the drawing
// scale and its unit (no raster resolution), and the scale check takes the unit chosen in its
// distance dialog as the drawing's unit, names it in its offer and stores it. A drawing is also
// repainted whole for an update that names a part of it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "MeasureTools.h"
#include "TGraph.h"
#include "Tool.h"
#include "Vlr.h"
#include "tests/app/win32/DocViewFixture.h"
#include "vector/ToolkitSession.h"

namespace {

using vvtest::MessageBoxes;

class CDrawingApp : public CTestDocApp {
 public:
  CDrawingApp() : CTestDocApp(900, 700) {}
  BOOL InitInstance() override {
    return InitDwgToolkitOnce(::GetModuleHandleA(nullptr)) && CTestDocApp::InitInstance();
  }
};

// A release 12 DXF of two lines over 1000 x 500 drawing units.
std::string WriteDrawing() {
  const std::string path = vvtest::TempDir() + "vv_drawing_measure.dxf";
  FILE* f = std::fopen(path.c_str(), "w");
  std::fputs("0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1009\n"
             "9\n$EXTMIN\n10\n0.0\n20\n0.0\n30\n0.0\n9\n$EXTMAX\n10\n1000.0\n20\n500.0\n30\n0.0\n0\nENDSEC\n"
             "0\nSECTION\n2\nENTITIES\n"
             "0\nLINE\n8\n0\n10\n0.0\n20\n0.0\n30\n0.0\n11\n1000.0\n21\n500.0\n31\n0.0\n"
             "0\nLINE\n8\n0\n10\n0.0\n20\n500.0\n30\n0.0\n11\n1000.0\n21\n0.0\n31\n0.0\n"
             "0\nENDSEC\n0\nEOF\n",
             f);
  std::fclose(f);
  return path;
}

class DrawingMeasureTest : public DocViewFixture {
 protected:
  void SetUp() override {
    OpenDrawing(new CDrawingApp, WriteDrawing());
    if (HasFatalFailure()) return;
    ASSERT_TRUE(m_doc->IsVector());
    GetVLRApp()->m_pConfig->m_nDecimals = 0;
  }

  // Drawing units between two client points, as the tools measure them.
  double DrawingUnits(CPoint a, CPoint b) {
    const CPoint da = m_view->GetGraph()->ClientToDoc(a.x, a.y), db = m_view->GetGraph()->ClientToDoc(b.x, b.y);
    const double d = std::hypot((double)db.x - da.x, (double)db.y - da.y);
    return std::floor(d + 0.5) / m_view->GetGraph()->GetImageScale();
  }
  CString StatusText() {
    return static_cast<CMainFrame*>(m_app->m_pMainWnd)->m_wndStatusBar.GetPaneText(0);
  }
};

TEST_F(DrawingMeasureTest, LengthCountsDrawingUnitsThroughTheScale) {
  m_doc->m_pVlr->m_nScaleUnit = 3;  // the drawing's units are metres
  m_view->SwitchTool(CTool::idLength);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
  Send(WM_LBUTTONUP, 0, 100, 100);
  Send(WM_MOUSEMOVE, 0, 400, 100);
  const double dUnits = DrawingUnits({100, 100}, {400, 100});
  ASSERT_GT(dUnits, 10.0);
  // Metres of the drawing in millimetres; a raster's resolution has no part in it.
  char expected[96];
  std::snprintf(expected, sizeof expected, "Total length: 0 mm, Current length: %ld mm", (long)(dUnits * 1000.0 + 0.5));
  EXPECT_STREQ(expected, StatusText());
  m_view->SendMessage(WM_COMMAND, ID_MEASURE_CANCEL);
}

TEST_F(DrawingMeasureTest, TextHeightCountsDrawingUnits) {
  m_view->SwitchTool(CTool::idAnnTextHeight);
  MessageBoxes::Get().answers = {IDOK};
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
  Send(WM_MOUSEMOVE, MK_LBUTTON, 100, 300);
  Send(WM_LBUTTONUP, 0, 100, 300);
  // Millimetres of the drawing at 1 : 1, as many as the line has drawing units.
  const long nExpected = (long)(DrawingUnits({100, 100}, {100, 300}) + 0.5);
  ASSERT_GT(nExpected, 10);
  EXPECT_EQ(nExpected, GetVLRApp()->m_pConfig->m_nTextHeight);
  ASSERT_EQ(1u, MessageBoxes::Get().texts.size());
  char expected[64];
  std::snprintf(expected, sizeof expected, "The text height is now set to %ld mm.", nExpected);
  EXPECT_EQ(expected, MessageBoxes::Get().texts[0]);
}

// Vectors may reach out of any part of a drawing, so a hint with a part redraws the whole view,
// at once.
TEST_F(DrawingMeasureTest, RectangleHintRedrawsTheWholeDrawingAtOnce) {
  CClientDC dc(m_view);
  const COLORREF crPainted = ::GetPixel(dc.m_hDC, 5, 5);
  ::SetPixel(dc.m_hDC, 5, 5, RGB(1, 2, 3));
  ASSERT_EQ(RGB(1, 2, 3), ::GetPixel(dc.m_hDC, 5, 5));
  m_view->ValidateRect(nullptr);
  const CPoint a = Doc(400, 300), b = Doc(410, 310);
  CDocRectHint hint(a.x, a.y, b.x, b.y);
  m_doc->UpdateAllViews(nullptr, 0, &hint);
  EXPECT_FALSE(::GetUpdateRect(m_view->m_hWnd, nullptr, FALSE)) << "painted, not left for later";
  EXPECT_EQ(crPainted, ::GetPixel(dc.m_hDC, 5, 5)) << "far from the part, and still repainted";
}

// Answers the distance dialog with a distance in metres, then reads the review of the stored
// scale and takes it.
std::string g_distance;
bool g_bUnitShown = false;
int g_nReviewUnit = -2;
void CALLBACK AnswerDialogs(HWND, UINT, UINT_PTR, DWORD) {
  if (HWND dlg = ::FindWindowA(nullptr, "Enter the distance between the points")) {
    ::SetDlgItemTextA(dlg, 1400, g_distance.c_str());
    ::SendDlgItemMessageA(dlg, 1401, CB_SETCURSEL, 3, 0);
    ::SendMessageA(dlg, WM_COMMAND, IDOK, 0);
  } else if (HWND review = ::FindWindowA(nullptr, "Original scale")) {
    if (!::IsWindowVisible(review)) return;
    HWND unit = ::GetDlgItem(review, IDC_SCALE_UNIT);
    g_bUnitShown = ::IsWindowVisible(unit) != FALSE;
    g_nReviewUnit = (int)::SendMessageA(unit, CB_GETCURSEL, 0, 0);
    ::SendMessageA(review, WM_COMMAND, IDOK, 0);
  }
}

TEST_F(DrawingMeasureTest, ScaleCheckTakesTheDialogsUnitAsTheDrawingsUnit) {
  m_view->SwitchTool(CTool::idScaleCheck);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
  Send(WM_LBUTTONUP, 0, 100, 100);
  Send(WM_MOUSEMOVE, 0, 400, 100);
  // The drawing's units taken as metres; the true distance a hundred times that.
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", DrawingUnits({100, 100}, {400, 100}) * 100.0);
  g_distance = text;
  g_bUnitShown = false;
  g_nReviewUnit = -2;
  MessageBoxes::Get().answers = {IDYES};
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &AnswerDialogs);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 400, 100);
  ::KillTimer(nullptr, timer);
  ASSERT_EQ(1u, MessageBoxes::Get().texts.size());
  EXPECT_EQ("The scale was calculated to 1 m : 100 m, it is currently 1 m : 1 m.\nDo you want to change the scale "
            "to the calculated value?",
            MessageBoxes::Get().texts[0]);
  const CVlr& set = *m_doc->m_pVlr;
  EXPECT_EQ(1.0, set.m_dScaleFirst);
  EXPECT_NEAR(100.0, set.m_dScaleSecond, 0.001);
  EXPECT_EQ(3, set.m_nScaleUnit);
  EXPECT_TRUE(g_bUnitShown) << "a drawing's scale is reviewed with its unit";
  EXPECT_EQ(3, g_nReviewUnit);
}

}  // namespace
