// The raster selection under Wine: the rectangle and polygon tools build it from mouse messages
// sent to the view of a raster document (replace, join with Shift, cut out with Ctrl), the view
// draws it in red and reports its area, a new length or area measurement removes it; the
// "Original scale" dialog behind Tools/Scale stores the scale on OK only.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "PointArray.h"
#include "ScaleDlg.h"
#include "TGraph.h"
#include "Tool.h"
#include "Vlr.h"
#include "tests/app/win32/DocViewFixture.h"

namespace {

using vvtest::MessageBoxes;

class RasAreaToolsTest : public DocViewFixture {
 protected:
  void SetUp() override {
    OpenDrawing(new CTestDocApp(900, 700), vvtest::WriteWhiteBmp("vv_ras_area.bmp", 400, 200, 100));
  }
  void TearDown() override {
    SetCtrlKey(false);
    DocViewFixture::TearDown();
  }

  void Click(int x, int y, UINT keys = 0) {
    Send(WM_LBUTTONDOWN, MK_LBUTTON | keys, x, y);
    Send(WM_LBUTTONUP, keys, x, y);
    Send(WM_MOUSEMOVE, keys, x + 3, y + 3);
  }
  void DragRect(int x0, int y0, int x1, int y1, UINT keys = 0) { vvtest::DragMouse(m_view, x0, y0, x1, y1, keys); }
  // The keyboard state the polygon tool reads at its double click.
  static void SetCtrlKey(bool down) {
    BYTE keys[256];
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = down ? 0x80 : 0;
    ::SetKeyboardState(keys);
  }

  const CPolyPolygon* Selection() { return m_doc->GetRasterSelection(); }
  CString FirstPane() {
    return static_cast<CMainFrame*>(m_app->m_pMainWnd)->m_wndStatusBar.GetPaneText(0);
  }

  // The red pixels of the window along a row from where a document point shows, and their
  // longest run.
  struct RedRow {
    int nRed = 0, nLongestRun = 0;
  };
  RedRow ReadRedRow(CPoint docStart, int nWidth) {
    const CPoint start = m_view->GetGraph()->DocToClient(docStart.x, docStart.y);
    const int x0 = start.x, y = start.y;
    CClientDC dc(m_view);
    RedRow row;
    int run = 0;
    for (int x = x0; x < x0 + nWidth; ++x) {
      run = ::GetPixel(dc.m_hDC, x, y) == RGB(255, 0, 0) ? run + 1 : 0;
      row.nRed += run > 0;
      if (run > row.nLongestRun) row.nLongestRun = run;
    }
    return row;
  }
};

TEST_F(RasAreaToolsTest, RectangleFollowsTheModifierKeys) {
  const struct Case {
    const char* name;
    bool bSelectionBefore;
    UINT keys;
    int nSize;  // of the second drag; 0 is a click
    int nMembers;
    UINT nLastValue;
  } cases[] = {
      {"a drag selects", false, 0, 60, 1, 1},
      {"a plain drag replaces", true, 0, 60, 1, 1},
      {"Shift joins", true, MK_SHIFT, 60, 2, 1},
      {"Ctrl cuts out", true, MK_CONTROL, 60, 2, 2},
      {"Ctrl over nothing selects", false, MK_CONTROL, 60, 1, 1},
      {"a plain click removes", true, 0, 0, 0, 0},
      {"a Shift click keeps", true, MK_SHIFT, 0, 1, 1},
      {"a Ctrl click keeps", true, MK_CONTROL, 0, 1, 1},
  };
  m_view->SwitchTool(CTool::idRasterRect);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_doc->DeleteRasterSelection();
    if (c.bSelectionBefore) DragRect(50, 40, 250, 160);
    DragRect(100, 60, 100 + c.nSize, 60 + c.nSize, c.keys);
    if (c.nMembers == 0) {
      EXPECT_EQ(nullptr, Selection());
      EXPECT_EQ(0, FirstPane().GetLength()) << "no selection, no area";
      continue;
    }
    ASSERT_NE(nullptr, Selection());
    EXPECT_EQ(c.nMembers, Selection()->GetSize());
    EXPECT_EQ(c.nLastValue, Selection()->GetValue(Selection()->GetSize() - 1));
  }
  EXPECT_EQ(CTool::idRasterRect, m_view->GetTool()->GetToolId()) << "the tool stays";
}

TEST_F(RasAreaToolsTest, RectangleIsTheDraggedDocumentRectangleDrawnInRed) {
  m_doc->m_pVlr->m_dScaleSecond = 1000.0;  // 1 : 1000, so the area shows in whole square metres
  m_view->SwitchTool(CTool::idRasterRect);
  DragRect(250, 160, 50, 40);  // dragged up and left
  ASSERT_NE(nullptr, Selection());
  const CPolygon& rect = Selection()->GetAt(0);
  ASSERT_EQ(4, rect.GetSize());
  EXPECT_EQ(Doc(50, 40), rect.GetAt(0));
  EXPECT_EQ(Doc(250, 40), rect.GetAt(1));
  EXPECT_EQ(Doc(250, 160), rect.GetAt(2));
  EXPECT_EQ(Doc(50, 160), rect.GetAt(3));

  // 100 dpi image pixels of 0.254 mm on the sheet, times 1000, in metres.
  const double w = (Doc(250, 40).x - Doc(50, 40).x) / 2540.0 * 0.254;
  const double h = (Doc(50, 160).y - Doc(50, 40).y) / 2540.0 * 0.254;
  char expected[80];
  std::snprintf(expected, sizeof expected, "Area: %.1f\xB2, Perimeter: %.1f", w * h, 2 * (w + h));
  EXPECT_STREQ(expected, FirstPane());

  // A hole cut out with Ctrl: its outline is dotted, finer than the dashes of the rest.
  DragRect(100, 80, 200, 140, MK_CONTROL);
  m_view->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  const RedRow joined = ReadRedRow(Selection()->GetAt(0).GetAt(0), 100);
  const RedRow cut = ReadRedRow(Selection()->GetAt(1).GetAt(0), 100);
  EXPECT_GT(joined.nRed, 20) << "the outline is drawn in red";
  EXPECT_LT(joined.nRed, 100) << "and dashed";
  EXPECT_GT(cut.nRed, 20);
  EXPECT_LT(cut.nLongestRun, joined.nLongestRun) << "the hole's outline is dotted";
}

// A positive hint draws the selection straight onto the window and asks for no repaint.
TEST_F(RasAreaToolsTest, PositiveHintDrawsTheSelectionWithoutRepaint) {
  CPolyPolygon* selection = new CPolyPolygon;
  CPolygon rect;
  rect.AddRect(Doc(50, 40).x, Doc(50, 40).y, Doc(250, 160).x, Doc(250, 160).y);
  selection->Add(rect, CPolyPolygon::combineUnion);
  m_doc->SetRasterSelection(selection);
  m_view->ValidateRect(nullptr);
  EXPECT_EQ(0, ReadRedRow(rect.GetAt(0), 100).nRed) << "nothing drawn yet";
  m_doc->UpdateAllViews(nullptr, 1, nullptr);
  RECT pending;
  EXPECT_FALSE(::GetUpdateRect(m_view->m_hWnd, &pending, FALSE));
  EXPECT_GT(ReadRedRow(rect.GetAt(0), 100).nRed, 20);
}

TEST_F(RasAreaToolsTest, PolygonClosesWithThreePointsOrMore) {
  m_view->SwitchTool(CTool::idRasterRect);
  DragRect(10, 10, 300, 180);
  m_view->SwitchTool(CTool::idRasterPolygon);
  // Two points: the old selection went with the first click, the polygon goes at the double click.
  Click(20, 20);
  Click(120, 20);
  Send(WM_LBUTTONDBLCLK, MK_LBUTTON, 120, 20);
  EXPECT_EQ(nullptr, Selection());

  const CPoint points[] = {{20, 20}, {120, 20}, {120, 100}};
  for (CPoint p : points) Click(p.x, p.y);
  Send(WM_LBUTTONDBLCLK, MK_LBUTTON, 120, 100);
  ASSERT_NE(nullptr, Selection());
  ASSERT_EQ(1, Selection()->GetSize());
  const CPolygon& polygon = Selection()->GetAt(0);
  ASSERT_EQ(3, polygon.GetSize());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Doc(points[i].x, points[i].y), polygon.GetAt(i));

  // Ctrl at the first click keeps the selection, Ctrl held at the double click cuts out.
  Click(40, 25, MK_CONTROL);
  Click(100, 25);
  Click(100, 60);
  SetCtrlKey(true);
  Send(WM_LBUTTONDBLCLK, MK_LBUTTON | MK_CONTROL, 100, 60);
  SetCtrlKey(false);
  ASSERT_EQ(2, Selection()->GetSize());
  EXPECT_EQ(2u, Selection()->GetValue(1));
  EXPECT_EQ(CTool::idRasterPolygon, m_view->GetTool()->GetToolId());
}

// Reads the open context menu's items, then closes it.
std::vector<std::string> g_menuItems;
void CALLBACK ReadContextMenu(HWND, UINT, UINT_PTR, DWORD) {
  HWND menu = ::FindWindowA("#32768", nullptr);
  if (!menu || !g_menuItems.empty()) return;
  HMENU hMenu = (HMENU)::SendMessageA(menu, MN_GETHMENU, 0, 0);
  for (int i = 0; i < ::GetMenuItemCount(hMenu); ++i) {
    char text[64] = {};
    ::GetMenuStringA(hMenu, (UINT)i, text, sizeof text, MF_BYPOSITION);
    g_menuItems.push_back(text);
  }
  ::EndMenu();
}

TEST_F(RasAreaToolsTest, PolygonContextMenuAndItsCommands) {
  m_view->SwitchTool(CTool::idRasterPolygon);
  Click(20, 20);
  Click(120, 20);
  g_menuItems.clear();
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &ReadContextMenu);
  Send(WM_RBUTTONUP, 0, 120, 20);
  ::KillTimer(nullptr, timer);
  EXPECT_EQ((std::vector<std::string>{"Close the &polygon", "&Cancel"}), g_menuItems);

  // The menu's owner is the main frame, which hands the commands to the view.
  CWnd* frame = m_app->m_pMainWnd;
  frame->SendMessage(WM_COMMAND, ID_RASTER_CANCELPOLYGON);
  Click(30, 30);
  Click(130, 30);
  Click(130, 110);
  Click(30, 110);
  frame->SendMessage(WM_COMMAND, ID_RASTER_CLOSEPOLYGON);
  ASSERT_NE(nullptr, Selection());
  EXPECT_EQ(4, Selection()->GetAt(0).GetSize()) << "only the points after the cancel";
}

TEST_F(RasAreaToolsTest, StartingAMeasurementRemovesTheSelection) {
  for (int nTool : {CTool::idLength, CTool::idArea}) {
    m_view->SwitchTool(CTool::idRasterRect);
    DragRect(50, 40, 250, 160);
    ASSERT_NE(nullptr, Selection());
    m_view->SwitchTool(nTool);
    Click(100, 100);
    EXPECT_EQ(nullptr, Selection()) << nTool;
    m_view->SendMessage(WM_COMMAND, ID_MEASURE_CANCEL);
  }
}

// Drives the "Original scale" dialog: each time it is found, the handler gets it and the round.
std::function<void(HWND, int)> g_onScaleDialog;
int g_nScaleRound = 0;
void CALLBACK DriveScaleDialog(HWND, UINT, UINT_PTR, DWORD) {
  HWND dlg = ::FindWindowA(nullptr, "Original scale");
  if (dlg && ::IsWindowVisible(dlg)) g_onScaleDialog(dlg, g_nScaleRound++);
}

void RunScaleDialog(const std::function<void()>& open, std::function<void(HWND, int)> onDialog) {
  g_onScaleDialog = std::move(onDialog);
  g_nScaleRound = 0;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &DriveScaleDialog);
  open();
  ::KillTimer(nullptr, timer);
}

void Answer(HWND dlg, const char* first, const char* second, int nButton) {
  ::SetDlgItemTextA(dlg, IDC_SCALE_FIRST, first);
  ::SetDlgItemTextA(dlg, IDC_SCALE_SECOND, second);
  ::SendMessageA(dlg, WM_COMMAND, nButton, 0);
}

TEST_F(RasAreaToolsTest, ToolsScaleOnARasterStoresOnOkWithUnitZero) {
  CVlr& set = *m_doc->m_pVlr;
  set.m_nScaleUnit = 3;
  bool bUnitShown = true;
  RunScaleDialog([this] { m_view->SendMessage(WM_COMMAND, ID_TOOLS_SCALE); },
                 [&](HWND dlg, int round) {
                   if (round == 0) {
                     bUnitShown = ::IsWindowVisible(::GetDlgItem(dlg, IDC_SCALE_UNIT));
                     Answer(dlg, "0.5", "250", IDOK);  // below the range: the dialog stays
                   } else if (round == 1) {
                     Answer(dlg, "1", "250", IDOK);
                   }
                 });
  EXPECT_FALSE(bUnitShown) << "a raster's scale has no unit";
  EXPECT_EQ(2, g_nScaleRound);
  EXPECT_EQ((std::vector<std::string>{"Please enter a number between 1 and 100000."}), MessageBoxes::Get().texts);
  EXPECT_EQ(1.0, set.m_dScaleFirst);
  EXPECT_EQ(250.0, set.m_dScaleSecond);
  EXPECT_EQ(0, set.m_nScaleUnit);
  EXPECT_TRUE(set.m_bPresent);
  EXPECT_TRUE(set.m_bModified);

  set.m_bModified = FALSE;
  RunScaleDialog([this] { m_view->SendMessage(WM_COMMAND, ID_TOOLS_SCALE); },
                 [](HWND dlg, int) { Answer(dlg, "1", "500", IDCANCEL); });
  EXPECT_EQ(250.0, set.m_dScaleSecond) << "Cancel stores nothing";
  EXPECT_FALSE(set.m_bModified);
}

TEST_F(RasAreaToolsTest, ScaleDialogWithAUnitIsTallerByTheUnitList) {
  struct Reading {
    bool bShown = false;
    int nDialogHeight = 0, nListHeight = 0;
  } withUnit, without;
  auto read = [](Reading& r) {
    return [&r](HWND dlg, int round) {
      if (round != 0) return;
      RECT d, l;
      ::GetWindowRect(dlg, &d);
      ::GetWindowRect(::GetDlgItem(dlg, IDC_SCALE_UNIT), &l);
      r = {::IsWindowVisible(::GetDlgItem(dlg, IDC_SCALE_UNIT)) != FALSE, (int)(d.bottom - d.top),
           (int)(l.bottom - l.top)};
      ::SendDlgItemMessageA(dlg, IDC_SCALE_UNIT, CB_SETCURSEL, 1, 0);
      ::SendMessageA(dlg, WM_COMMAND, IDOK, 0);
    };
  };
  CScale dlg(m_app->m_pMainWnd);
  dlg.m_dSecond = 250.0;
  dlg.m_nUnit = 3;
  RunScaleDialog([&] { EXPECT_EQ(IDOK, dlg.DoModal()); }, read(withUnit));
  EXPECT_TRUE(withUnit.bShown);
  EXPECT_EQ(1, dlg.m_nUnit) << "the unit chosen in the list";
  EXPECT_STREQ("1.0 : 250.0 cm", dlg.GetScaleText());

  CScale noUnit(m_app->m_pMainWnd);
  RunScaleDialog([&] { EXPECT_EQ(IDOK, noUnit.DoModal()); }, read(without));
  EXPECT_FALSE(without.bShown);
  EXPECT_EQ(-1, noUnit.m_nUnit);
  EXPECT_EQ(withUnit.nDialogHeight - withUnit.nListHeight, without.nDialogHeight);
}

}  // namespace
