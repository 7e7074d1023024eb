// The annotation tools under Wine: each tool makes its object from mouse messages sent to the
// view of a raster document (Shift squares and constrains, ties vertical; a freehand click makes
// nothing; a drag moves by the integer delta and counts as a change); the annotations come back
// when the drawing is opened again; the text tool, the properties and text dialogs, the select
// tool's context menu and the view's delete commands.
#include <windows.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "AnnLayer.h"
#include "AnnObj.h"
#include "AnnResource.h"
#include "AnnotateWin.h"
#include "MainFrm.h"
#include "MeasureTools.h"
#include "TGraph.h"
#include "Tool.h"
#include "VLRApp.h"
#include "tests/app/win32/DocAppFixture.h"
#include "VLRDoc.h"
#include "VLRView.h"
#include "Vlr.h"
#include "resource.h"

namespace {

using vvtest::Pump;
using vvtest::TempDir;

class CToolsApp : public CTestDocApp {
 public:
  CToolsApp() : CTestDocApp(900, 700) {}
};

int g_nAnswer = IDYES;
std::vector<std::string> g_messages;

int AnswerMessageBox(LPCSTR text, UINT, UINT) {
  g_messages.push_back(text ? text : "");
  return g_nAnswer;
}

class AnnToolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_messages.clear();
    g_nAnswer = IDYES;
    AfxSetMessageBoxHook(&AnswerMessageBox);
    m_drawing = vvtest::WriteWhiteBmp("vv_ann_tools.bmp", 400, 200, 100);
    DeleteFileA((m_drawing + ".VLR").c_str());
    m_app = new CToolsApp;
    ASSERT_TRUE(AfxWinInit(GetModuleHandleA(nullptr), nullptr, m_cmdLine, SW_SHOWNORMAL));
    ASSERT_TRUE(m_app->InitInstance());
    Open();
  }
  void TearDown() override {
    g_nAnswer = IDNO;
    vvtest::DestroyTestDocApp(m_app);
    DeleteFileA((m_drawing + ".VLR").c_str());
    DeleteFileA(m_drawing.c_str());
  }

  void Open() {
    m_view = vvtest::OpenPainted(m_app, m_drawing);
    ASSERT_NE(nullptr, m_view);
    m_doc = m_view->GetDocument();
    ASSERT_NE(nullptr, m_view->GetGraph());
    ASSERT_NE(nullptr, m_doc->m_pVlr);
  }

  void Send(UINT msg, UINT keys, int x, int y) { vvtest::SendMouse(m_view, msg, keys, x, y); }
  void Drag(int x0, int y0, int x1, int y1, UINT keys = 0) { vvtest::DragMouse(m_view, x0, y0, x1, y1, keys); }

  CVlr& Set() { return *m_doc->m_pVlr; }
  CAnnObj* Last() { return static_cast<CAnnObj*>(Set().m_objects.GetTail()); }
  CPoint Doc(int x, int y) { return m_view->GetGraph()->ClientToDoc(x, y); }

  char m_cmdLine[1] = {0};
  std::string m_drawing;
  CToolsApp* m_app = nullptr;
  CVLRDoc* m_doc = nullptr;
  CVLRView* m_view = nullptr;
};

TEST_F(AnnToolsTest, DragToolsMakeTheirObjectsOnTheCurrentLayer) {
  ASSERT_NE(nullptr, Set().GetLayer(0)) << "a new set has layer 0";
  struct Case {
    int nTool;
    CRuntimeClass* pClass;
    CPoint from, to;
    UINT keys;
    CPoint end;  // client
  } const cases[] = {
      {CTool::idAnnLine, RUNTIME_CLASS(CAnnLine), {100, 100}, {160, 130}, 0, {160, 130}},
      // Shift with |dx| = |dy|: vertical.
      {CTool::idAnnLine, RUNTIME_CLASS(CAnnLine), {100, 100}, {140, 140}, MK_SHIFT, {100, 140}},
      // Shift squares a rectangle, and keeps the drag's direction.
      {CTool::idAnnRect, RUNTIME_CLASS(CAnnRect), {10, 10}, {40, 20}, MK_SHIFT, {20, 20}},
      {CTool::idAnnCircle, RUNTIME_CLASS(CAnnCircle), {200, 200}, {150, 170}, MK_SHIFT, {170, 170}},
  };
  for (const Case& c : cases) {
    m_view->SwitchTool(c.nTool);
    const int nBefore = Set().m_objects.GetCount();
    Drag(c.from.x, c.from.y, c.to.x, c.to.y, c.keys);
    ASSERT_EQ(nBefore + 1, Set().m_objects.GetCount()) << c.pClass->m_lpszClassName;
    CAnnSpan* pObj = static_cast<CAnnSpan*>(Last());
    ASSERT_TRUE(pObj->IsKindOf(c.pClass));
    EXPECT_EQ(0x000000FFu, pObj->m_crColour) << "the layer's colour";
    EXPECT_EQ(CAnnObj::fillFrame, pObj->m_nFillStyle);
    CRect client(c.from, c.end);
    if (c.nTool != CTool::idAnnLine) client.NormalizeRect();
    EXPECT_EQ(Doc(client.left, client.top), pObj->m_ptAnchor) << c.pClass->m_lpszClassName;
    EXPECT_EQ(Doc(client.right, client.bottom), pObj->GetEnd()) << c.pClass->m_lpszClassName;
  }
  EXPECT_TRUE(Set().m_bModified);
}

TEST_F(AnnToolsTest, FreehandClickMakesNothingAndEndsTheTool) {
  m_view->SwitchTool(CTool::idAnnLine);
  m_view->SwitchTool(CTool::idAnnPen);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 50, 50);
  Send(WM_LBUTTONUP, 0, 50, 50);
  EXPECT_EQ(0, Set().m_objects.GetCount());
  EXPECT_EQ(CTool::idAnnLine, m_view->GetTool()->GetToolId()) << "back to the tool before";

  m_view->SwitchTool(CTool::idAnnPen);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 50, 50);
  Send(WM_MOUSEMOVE, MK_LBUTTON, 60, 55);
  Send(WM_MOUSEMOVE, MK_LBUTTON, 70, 70);
  Send(WM_LBUTTONUP, 0, 70, 70);
  ASSERT_EQ(1, Set().m_objects.GetCount());
  CAnnFreehand* pStroke = static_cast<CAnnFreehand*>(Last());
  ASSERT_TRUE(pStroke->IsKindOf(RUNTIME_CLASS(CAnnFreehand)));
  EXPECT_EQ(Doc(50, 50), pStroke->m_ptAnchor);
  EXPECT_EQ(2, pStroke->m_points.GetSize()) << "the two moves, after the anchor";
}

TEST_F(AnnToolsTest, PolygonEndsAtDoubleClick) {
  m_view->SwitchTool(CTool::idAnnPolygon);
  for (CPoint p : {CPoint(20, 20), CPoint(80, 20), CPoint(80, 60)}) {
    Send(WM_LBUTTONDOWN, MK_LBUTTON, p.x, p.y);
    Send(WM_LBUTTONUP, 0, p.x, p.y);
    Send(WM_MOUSEMOVE, 0, p.x + 5, p.y + 5);
  }
  Send(WM_LBUTTONDBLCLK, MK_LBUTTON, 80, 60);
  ASSERT_EQ(1, Set().m_objects.GetCount());
  CAnnPolygon* pPolygon = static_cast<CAnnPolygon*>(Last());
  ASSERT_TRUE(pPolygon->IsKindOf(RUNTIME_CLASS(CAnnPolygon)));
  EXPECT_EQ(Doc(20, 20), pPolygon->m_ptAnchor);
  EXPECT_EQ(2, pPolygon->m_points.GetSize());
}

TEST_F(AnnToolsTest, SelectDragMovesByTheDeltaAndCountsAsChange) {
  m_view->SwitchTool(CTool::idAnnRect);
  Drag(100, 100, 200, 160);
  ASSERT_EQ(1, Set().m_objects.GetCount());
  CAnnObj* pRect = Last();
  const CPoint anchor = pRect->m_ptAnchor;
  const CPoint client = m_view->GetGraph()->DocToClient(anchor.x, anchor.y);
  Set().m_bModified = FALSE;

  m_view->SwitchTool(CTool::idAnnSelect);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 100, 130);  // on the left edge
  EXPECT_EQ(pRect, Set().m_pSelected);
  Send(WM_MOUSEMOVE, MK_LBUTTON, 102, 134);  // still on the outline band: the move starts
  Send(WM_MOUSEMOVE, MK_LBUTTON, 105, 137);
  Send(WM_LBUTTONUP, 0, 105, 137);
  EXPECT_EQ(Doc(client.x + 5, client.y + 7), pRect->m_ptAnchor);
  EXPECT_EQ(0x000000FFu, pRect->m_crColour) << "the colour is back after the drag";
  EXPECT_TRUE(Set().m_bModified) << "a moved object is saved or asked about at close";

  // A click into nothing deselects.
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 400, 400);
  Send(WM_LBUTTONUP, 0, 400, 400);
  EXPECT_EQ(nullptr, Set().m_pSelected);
}

// Edit Copy takes the selected object; each Edit Paste adds an independent copy where the mouse
// is, with the same shape and colour, and leaves the clipboard as it was.
TEST_F(AnnToolsTest, CopyThenPasteTwiceGivesTwoObjectsAtTheMouse) {
  m_view->SwitchTool(CTool::idAnnRect);
  Drag(100, 100, 200, 160);
  m_view->SwitchTool(CTool::idAnnSelect);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 100, 130);
  Send(WM_LBUTTONUP, 0, 100, 130);
  CAnnObj* pOriginal = Set().m_pSelected;
  ASSERT_NE(nullptr, pOriginal);
  m_view->SendMessage(WM_COMMAND, ID_EDIT_COPY);
  ASSERT_TRUE(AnnHasClipboardObject());
  Set().m_bModified = FALSE;

  const CPoint targets[] = {CPoint(300, 250), CPoint(40, 320)};
  for (CPoint target : targets) {
    CPoint screen = target;
    m_view->ClientToScreen(&screen);
    ASSERT_TRUE(::SetCursorPos(screen.x, screen.y));
    m_view->SendMessage(WM_COMMAND, ID_EDIT_PASTE);
  }
  ASSERT_EQ(3, Set().m_objects.GetCount());
  POSITION pos = Set().m_objects.GetHeadPosition();
  Set().m_objects.GetNext(pos);
  for (CPoint target : targets) {
    CAnnObj* pPasted = static_cast<CAnnObj*>(Set().m_objects.GetNext(pos));
    EXPECT_NE(pOriginal, pPasted);
    EXPECT_TRUE(pPasted->IsKindOf(RUNTIME_CLASS(CAnnRect)));
    EXPECT_EQ(Doc(target.x, target.y), pPasted->m_ptAnchor);
    EXPECT_EQ(pOriginal->m_crColour, pPasted->m_crColour);
    EXPECT_EQ(pOriginal->m_nLayerId, pPasted->m_nLayerId);
  }
  EXPECT_TRUE(Set().m_bModified);
  EXPECT_TRUE(AnnHasClipboardObject()) << "pasting leaves the clipboard's data";
}

TEST_F(AnnToolsTest, AnnotationsReappearAfterCloseAndReopen) {
  m_view->SwitchTool(CTool::idAnnLine);
  Drag(30, 40, 90, 40);
  const CPoint anchor = Last()->m_ptAnchor;
  g_nAnswer = IDYES;
  m_doc->OnCloseDocument();
  ASSERT_EQ(1u, g_messages.size()) << "closing asks once about the changed annotations";
  EXPECT_NE(std::string::npos, g_messages[0].find(m_drawing)) << g_messages[0];
  Pump(20);
  Open();
  ASSERT_EQ(1, Set().m_objects.GetCount());
  EXPECT_TRUE(Last()->IsKindOf(RUNTIME_CLASS(CAnnLine)));
  EXPECT_EQ(anchor, Last()->m_ptAnchor);
  EXPECT_FALSE(Set().m_bModified);
}

// Reads a result dialog when it shows: its value texts, then again after the unit list is set
// to metres; then closes it.
struct DialogReading {
  std::string title;
  std::vector<std::string> texts;
};
DialogReading g_reading;

void CALLBACK ReadResultDialog(HWND, UINT, UINT_PTR, DWORD) {
  HWND dlg = ::FindWindowA(nullptr, g_reading.title.c_str());
  if (!dlg || !g_reading.texts.empty()) return;
  const int kUnit = 1401;
  auto readAll = [dlg]() {
    for (int id : {1402, 1403, 1404}) {
      char text[128] = {};
      if (::GetDlgItem(dlg, id) && ::GetDlgItemTextA(dlg, id, text, sizeof text) > 0) g_reading.texts.push_back(text);
    }
  };
  readAll();
  ::SendDlgItemMessageA(dlg, kUnit, CB_SETCURSEL, 3, 0);
  ::SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(kUnit, CBN_SELCHANGE), (LPARAM)::GetDlgItem(dlg, kUnit));
  readAll();
  ::SendMessageA(dlg, WM_COMMAND, IDOK, 0);
}

TEST_F(AnnToolsTest, LengthInTrueMillimetresThroughTheScale) {
  GetVLRApp()->m_pConfig->m_nDecimals = 0;
  Set().m_dScaleSecond = 100.0;  // 1 : 100
  m_view->SwitchTool(CTool::idLength);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
  Send(WM_LBUTTONUP, 0, 100, 100);
  Send(WM_MOUSEMOVE, 0, 200, 100);
  const CString status = static_cast<CMainFrame*>(m_app->m_pMainWnd)->m_wndStatusBar.GetPaneText(0);
  EXPECT_EQ(0, status.Find("Total length: 0 mm, Current length: ")) << (LPCSTR)status;
  for (CPoint p : {CPoint(300, 100)}) {
    Send(WM_LBUTTONDOWN, MK_LBUTTON, p.x, p.y);
    Send(WM_LBUTTONUP, 0, p.x, p.y);
  }
  // Across a zoom and back the measurement goes on.
  m_view->SwitchTool(CTool::idZoomGlass);
  m_view->SwitchTool(CTool::idLength);
  const CMeasureTool* tool = static_cast<const CMeasureTool*>(m_view->GetTool());
  EXPECT_EQ(2, tool->GetPoints().GetSize());
  g_reading = {"Length", {}};
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &ReadResultDialog);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 300, 100);  // the double click's first click
  Send(WM_LBUTTONUP, 0, 300, 100);
  Send(WM_LBUTTONDBLCLK, MK_LBUTTON, 300, 100);
  ::KillTimer(nullptr, timer);
  ASSERT_EQ(2u, g_reading.texts.size());
  // 200 client pixels in 100 dpi image pixels, 0.254 mm each, times 100.
  const double dMm = 200.0 * m_view->GetGraph()->GetFactorX() / 2540.0 * 25.4;
  char expected[32];
  std::snprintf(expected, sizeof expected, "%d mm", (int)(dMm + 0.5));
  EXPECT_EQ(expected, g_reading.texts[0]);
  std::snprintf(expected, sizeof expected, "%d m", (int)(dMm / 1000.0 + 0.5));
  EXPECT_EQ(expected, g_reading.texts[1]);
  EXPECT_EQ(0, GetVLRApp()->m_pConfig->m_nUnit) << "the list changes only the display";
  EXPECT_EQ(0, tool->GetPoints().GetSize()) << "cleared after the result";
}

TEST_F(AnnToolsTest, AreaNeedsThreePoints) {
  GetVLRApp()->m_pConfig->m_nDecimals = 0;
  m_view->SwitchTool(CTool::idArea);
  for (int round = 0; round < 2; ++round) {
    g_reading = {"Area", {}};
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &ReadResultDialog);
    const std::vector<CPoint> points = round == 0 ? std::vector<CPoint>{{50, 50}, {150, 50}}
                                                  : std::vector<CPoint>{{50, 50}, {150, 50}, {150, 150}};
    for (CPoint p : points) {
      Send(WM_LBUTTONDOWN, MK_LBUTTON, p.x, p.y);
      Send(WM_LBUTTONUP, 0, p.x, p.y);
    }
    Send(WM_LBUTTONDOWN, MK_LBUTTON, points.back().x, points.back().y);
    Send(WM_LBUTTONDBLCLK, MK_LBUTTON, points.back().x, points.back().y);
    Pump(120);
    ::KillTimer(nullptr, timer);
    if (round == 0) {
      EXPECT_TRUE(g_reading.texts.empty()) << "two points give no area";
    } else {
      ASSERT_EQ(4u, g_reading.texts.size());
      EXPECT_NE(std::string::npos, g_reading.texts[0].find(" mm\xB2")) << g_reading.texts[0];
      EXPECT_NE(std::string::npos, g_reading.texts[1].find(" mm")) << g_reading.texts[1];
      EXPECT_NE(std::string::npos, g_reading.texts[2].find(" m\xB2")) << g_reading.texts[2];
    }
  }
}

// Answers the distance dialog when it shows: first with a distance too small to take (the dialog
// must stay), then with the text of g_distanceText in metres. Takes the scale shown for review.
std::string g_distanceText;
int g_nDialogRounds = 0;
bool g_bStayedOpen = false;
bool g_bReviewed = false;

void CALLBACK AnswerDistanceDialog(HWND, UINT, UINT_PTR, DWORD) {
  if (HWND review = ::FindWindowA(nullptr, "Original scale")) {
    g_bReviewed = true;
    ::SendMessageA(review, WM_COMMAND, IDOK, 0);
    return;
  }
  HWND dlg = ::FindWindowA(nullptr, "Enter the distance between the points");
  if (!dlg) return;
  const int kEdit = 1400, kUnit = 1401;
  if (g_nDialogRounds == 0) {
    ::SetDlgItemTextA(dlg, kEdit, "0,00001");
    ::SendMessageA(dlg, WM_COMMAND, IDOK, 0);
  } else if (g_nDialogRounds == 1) {
    g_bStayedOpen = true;
    ::SetDlgItemTextA(dlg, kEdit, g_distanceText.c_str());
    ::SendDlgItemMessageA(dlg, kUnit, CB_SETCURSEL, 3, 0);
    ::SendMessageA(dlg, WM_COMMAND, IDOK, 0);
  }
  ++g_nDialogRounds;
}

TEST_F(AnnToolsTest, ScaleCheckOffersAndStoresTheScale) {
  GetVLRApp()->m_pConfig->m_nDecimals = 0;
  m_view->SwitchTool(CTool::idAnnLine);
  m_view->SwitchTool(CTool::idScaleCheck);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
  Send(WM_LBUTTONUP, 0, 100, 100);
  Send(WM_MOUSEMOVE, 0, 300, 100);
  const CString status = static_cast<CMainFrame*>(m_app->m_pMainWnd)->m_wndStatusBar.GetPaneText(0);
  EXPECT_EQ(0, status.Find("Length: ")) << (LPCSTR)status;
  // 200 client pixels on the sheet (100 dpi image pixels of 0.254 mm); a true distance 100 times
  // that, typed in metres with a decimal comma.
  const double dSheetMm = 200.0 * m_view->GetGraph()->GetFactorX() / 2540.0 * 0.254;
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", dSheetMm * 100.0 / 1000.0);
  g_distanceText = text;
  for (char& ch : g_distanceText)
    if (ch == '.') ch = ',';
  g_nDialogRounds = 0;
  g_bStayedOpen = false;
  g_bReviewed = false;
  g_messages.clear();
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &AnswerDistanceDialog);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 300, 100);
  ::KillTimer(nullptr, timer);
  EXPECT_TRUE(g_bStayedOpen) << "a distance of 0,00001 is not taken";
  ASSERT_EQ(1u, g_messages.size());
  EXPECT_EQ("The scale was calculated to 1 : 100, it is currently 1 : 1.\nDo you want to change the scale to the "
            "calculated value?",
            g_messages[0]);
  EXPECT_EQ(1.0, Set().m_dScaleFirst);
  EXPECT_NEAR(100.0, Set().m_dScaleSecond, 0.01);
  EXPECT_EQ(0, Set().m_nScaleUnit);
  EXPECT_TRUE(Set().m_bModified);
  EXPECT_TRUE(g_bReviewed) << "the stored scale is shown in the scale dialog";
  EXPECT_EQ(CTool::idAnnLine, m_view->GetTool()->GetToolId()) << "the tool ends";
}

TEST_F(AnnToolsTest, MeasuringCommandsOfTheView) {
  m_view->SwitchTool(CTool::idArea);
  for (CPoint p : {CPoint(50, 50), CPoint(150, 50), CPoint(150, 150)}) {
    Send(WM_LBUTTONDOWN, MK_LBUTTON, p.x, p.y);
    Send(WM_LBUTTONUP, 0, p.x, p.y);
  }
  const CMeasureTool* tool = static_cast<const CMeasureTool*>(m_view->GetTool());
  m_view->SendMessage(WM_COMMAND, ID_MEASURE_UNDO);
  EXPECT_EQ(2, tool->GetPoints().GetSize());
  m_view->SendMessage(WM_COMMAND, ID_MEASURE_CANCEL);
  EXPECT_EQ(0, tool->GetPoints().GetSize());

  g_messages.clear();
  g_nAnswer = IDOK;
  m_view->SendMessage(WM_COMMAND, ID_TOOLS_CHECKSCALE);
  ASSERT_EQ(1u, g_messages.size());
  EXPECT_EQ(0u, g_messages[0].find("To let the computer calculate the scale"));
  EXPECT_EQ(CTool::idScaleCheck, m_view->GetTool()->GetToolId());
}

// Drives the layer dialogs by a list of steps: each step waits for its window (the list, or the
// dialog of one layer) and then posts a button press, naming the layer first when it is one.
struct LayerStep {
  const char* window;
  int nButton;
  const char* name;
};
std::vector<LayerStep> g_steps;
size_t g_nStep = 0;

void CALLBACK DriveLayerDialogs(HWND, UINT, UINT_PTR, DWORD) {
  if (g_nStep >= g_steps.size()) return;
  const LayerStep& step = g_steps[g_nStep];
  HWND editor = ::FindWindowA(nullptr, "Create/Edit Annotation layers");
  HWND dlg = ::FindWindowA(nullptr, step.window);
  if (!dlg || (editor && dlg != editor)) return;
  if (step.name) ::SetDlgItemTextA(dlg, IDC_ANN_NAME, step.name);
  ::PostMessageA(dlg, WM_COMMAND, step.nButton, 0);
  ++g_nStep;
}

void RunLayerDialog(CVlr& set, std::vector<LayerStep> steps) {
  g_steps = std::move(steps);
  g_nStep = 0;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 40, &DriveLayerDialogs);
  AnnEditLayers(set, AfxGetMainWnd());
  ::KillTimer(nullptr, timer);
}

const char* const kList = "Annotation layers";
const char* const kEditor = "Create/Edit Annotation layers";

TEST_F(AnnToolsTest, LayersCreatedInOneSessionGetDistinctIds) {
  RunLayerDialog(Set(), {{kList, IDC_ANN_NEW, nullptr},
                         {kEditor, IDOK, "A"},
                         {kList, IDC_ANN_NEW, nullptr},
                         {kEditor, IDOK, "B"},
                         {kList, IDOK, nullptr}});
  EXPECT_EQ(5u, g_nStep);
  ASSERT_EQ(3, Set().m_layers.GetCount());
  EXPECT_STREQ("A", Set().GetLayer(1)->m_strName);
  EXPECT_STREQ("B", Set().GetLayer(2)->m_strName);
  EXPECT_EQ(2, Set().m_nCurrentLayer);
  EXPECT_TRUE(Set().m_bModified);
}

TEST_F(AnnToolsTest, HideAllAndCancel) {
  RunLayerDialog(Set(), {{kList, IDC_ANN_HIDE_ALL, nullptr}, {kList, IDCANCEL, nullptr}});
  EXPECT_EQ(1u, Set().GetLayer(0)->m_nVisible) << "Cancel undoes the dialog's edits";
  EXPECT_FALSE(Set().m_bModified);
  RunLayerDialog(Set(), {{kList, IDC_ANN_REMOVE, nullptr}, {kList, IDC_ANN_HIDE_ALL, nullptr}, {kList, IDOK, nullptr}});
  EXPECT_EQ(0u, Set().GetLayer(0)->m_nVisible);
  ASSERT_EQ(1u, g_messages.size());
  EXPECT_EQ("The last layer can not be deleted!", g_messages[0]);
}

TEST_F(AnnToolsTest, TextHeightFromADraggedLine) {
  GetVLRApp()->m_pConfig->m_nDecimals = 0;
  m_view->SwitchTool(CTool::idAnnTextHeight);
  g_messages.clear();
  Drag(100, 100, 100, 150);
  // 50 client pixels in 100 dpi image pixels of 0.254 mm, at 1 : 1.
  const int nMm = (int)(50.0 * m_view->GetGraph()->GetFactorY() / 2540.0 * 0.254 + 0.5);
  EXPECT_EQ(nMm, GetVLRApp()->m_pConfig->m_nTextHeight);
  ASSERT_EQ(1u, g_messages.size());
  EXPECT_EQ("The text height is now set to " + std::to_string(nMm) + " mm.", g_messages[0]);
  EXPECT_EQ(0, Set().m_objects.GetCount());
}

TEST_F(AnnToolsTest, TextOfTheOlderFormIsConvertedAtItsFirstDrawing) {
  AnnLogFont font{};
  std::snprintf(font.lfFaceName, sizeof font.lfFaceName, "Arial");
  font.lfWeight = 400;
  // The older form, divided by the image scale: 100 pixels of 100 dpi, 25.4 mm at 1 : 1.
  CAnnText* pText = new CAnnText(Doc(50, 50), "Note", font, -254000, 0, 0);
  Set().Add(pText);
  m_view->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  Pump(20);
  ASSERT_EQ(2540.0, m_view->GetGraph()->GetImageScale());
  EXPECT_EQ(25, pText->m_nHeight);
  // Drawn, so it is hit where it was drawn.
  ASSERT_FALSE(pText->m_rcLast.IsRectEmpty());
  EXPECT_EQ(pText, Set().HitTest(*m_view->GetGraph(), pText->m_rcLast.left + 1, pText->m_rcLast.top + 1));
}

// Drives modal windows by a list of steps: each step waits until a window of its class and title
// is up and enabled (not behind a dialog of its own) and then acts on it.
struct WindowStep {
  const char* className;  // null for any
  const char* title;      // null for any
  std::function<void(HWND)> act;
};
std::vector<WindowStep> g_windowSteps;
size_t g_nWindowStep = 0;

void CALLBACK DriveWindows(HWND, UINT, UINT_PTR, DWORD) {
  if (g_nWindowStep >= g_windowSteps.size()) return;
  const WindowStep& step = g_windowSteps[g_nWindowStep];
  HWND hWnd = ::FindWindowA(step.className, step.title);
  if (!hWnd || !::IsWindowEnabled(hWnd)) return;
  ++g_nWindowStep;
  step.act(hWnd);
}

// Runs the action (which opens the windows) with the steps driving them; the number of steps
// taken.
size_t RunWindows(const std::function<void()>& action, std::vector<WindowStep> steps) {
  g_windowSteps = std::move(steps);
  g_nWindowStep = 0;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 40, &DriveWindows);
  action();
  // Commands of a context menu arrive after the menu has closed.
  vvtest::PumpUntil([] { return g_nWindowStep >= g_windowSteps.size(); }, 3000);
  Pump(40);
  ::KillTimer(nullptr, timer);
  return g_nWindowStep;
}

std::string ItemText(HWND hDlg, int nId) {
  char text[256] = {};
  ::GetDlgItemTextA(hDlg, nId, text, sizeof text);
  return text;
}

void Press(HWND hDlg, int nId) { ::PostMessageA(hDlg, WM_COMMAND, nId, 0); }

const char* const kTextDialog = "Enter annotation text";
const char* const kPropsDialog = "Annotation properties";

TEST_F(AnnToolsTest, TextToolPlacesTheTextOfTheDialog) {
  CConfig* config = GetVLRApp()->m_pConfig;
  config->m_nDecimals = 0;
  config->m_nUnit = 1;  // cm
  config->m_nTextHeight = 12;
  m_view->SwitchTool(CTool::idAnnText);
  std::string shownHeight, shownFont;
  const size_t nSteps = RunWindows([&] { Send(WM_LBUTTONDOWN, MK_LBUTTON, 120, 80); },
                                   {{nullptr, kTextDialog,
                                     [&](HWND dlg) {
                                       shownHeight = ItemText(dlg, IDC_ANN_HEIGHT);
                                       shownFont = ItemText(dlg, IDC_ANN_FONT_NAME);
                                       Press(dlg, IDOK);  // no text yet: the dialog stays
                                     }},
                                    {nullptr, kTextDialog, [](HWND dlg) {
                                       ::SetDlgItemTextA(dlg, IDC_ANN_TEXT, "Gate\r\nNorth");
                                       ::SetDlgItemTextA(dlg, IDC_ANN_HEIGHT, "2,5");
                                       Press(dlg, IDOK);
                                     }}});
  EXPECT_EQ(2u, nSteps);
  EXPECT_EQ("1 cm", shownHeight) << "the default height in the default unit";
  EXPECT_EQ("Arial Regular", shownFont);
  ASSERT_EQ(1, Set().m_objects.GetCount());
  CAnnText* pText = static_cast<CAnnText*>(Last());
  ASSERT_TRUE(pText->IsKindOf(RUNTIME_CLASS(CAnnText)));
  EXPECT_STREQ("Gate\r\nNorth", pText->m_strText);
  EXPECT_EQ(25, pText->m_nHeight) << "2,5 cm typed";
  EXPECT_STREQ("Arial", pText->GetFaceName());
  EXPECT_EQ(400, pText->m_logFont.lfWeight);
  EXPECT_EQ(0x000000FFu, pText->m_crColour) << "the layer's colour";
  EXPECT_EQ(Set().m_nCurrentLayer, pText->m_nLayerId);
  EXPECT_EQ(Doc(120, 80), pText->m_ptAnchor);
  EXPECT_EQ(25, config->m_nTextHeight) << "the next text starts from this height";
  EXPECT_EQ(CTool::idAnnText, m_view->GetTool()->GetToolId());
}

TEST_F(AnnToolsTest, CancelledTextDialogEndsTheTextTool) {
  CConfig* config = GetVLRApp()->m_pConfig;
  config->m_nDecimals = 0;
  config->m_nUnit = 3;  // m: each press of the spin is a metre
  config->m_nTextHeight = 12;
  m_view->SwitchTool(CTool::idAnnLine);
  m_view->SwitchTool(CTool::idAnnText);
  std::vector<std::string> shown;
  const size_t nSteps = RunWindows([&] { Send(WM_LBUTTONDOWN, MK_LBUTTON, 120, 80); },
                                   {{nullptr, kTextDialog, [&](HWND dlg) {
                                       shown.push_back(ItemText(dlg, IDC_ANN_HEIGHT));
                                       ::SendDlgItemMessageA(dlg, IDC_ANN_HEIGHT, WM_KEYDOWN, VK_UP, 0);
                                       shown.push_back(ItemText(dlg, IDC_ANN_HEIGHT));
                                       ::SendDlgItemMessageA(dlg, IDC_ANN_HEIGHT, WM_KEYDOWN, VK_DOWN, 0);
                                       ::SendDlgItemMessageA(dlg, IDC_ANN_HEIGHT, WM_KEYDOWN, VK_DOWN, 0);
                                       shown.push_back(ItemText(dlg, IDC_ANN_HEIGHT));
                                       Press(dlg, IDCANCEL);
                                     }}});
  EXPECT_EQ(1u, nSteps);
  EXPECT_EQ((std::vector<std::string>{"0 m", "1 m", "0 m"}), shown) << "12 mm, 1012 mm, then the least height";
  EXPECT_EQ(0, Set().m_objects.GetCount());
  EXPECT_EQ(12, config->m_nTextHeight);
  EXPECT_EQ(CTool::idAnnLine, m_view->GetTool()->GetToolId()) << "back to the tool before";
}

// The dialog may not be shown yet when it is found, so the controls' own style tells.
bool HasVisibleStyle(HWND hDlg, int nId) {
  const HWND hItem = ::GetDlgItem(hDlg, nId);
  return hItem && (::GetWindowLongA(hItem, GWL_STYLE) & WS_VISIBLE) != 0;
}

TEST_F(AnnToolsTest, FontDialogOfTheTextOffersNoSize) {
  GetVLRApp()->m_pConfig->m_nTextHeight = 12;
  m_view->SwitchTool(CTool::idAnnText);
  bool bSizeShown = true, bFaceShown = false;
  const size_t nSteps =
      RunWindows([&] { Send(WM_LBUTTONDOWN, MK_LBUTTON, 120, 80); },
                 {{nullptr, kTextDialog, [](HWND dlg) { Press(dlg, IDC_ANN_SELECT_FONT); }},
                  {nullptr, "Font",
                   [&](HWND dlg) {
                     bSizeShown = HasVisibleStyle(dlg, cmb3) || HasVisibleStyle(dlg, stc3);
                     bFaceShown = HasVisibleStyle(dlg, cmb1);
                     Press(dlg, IDOK);
                   }},
                  {nullptr, kTextDialog, [&](HWND dlg) { Press(dlg, IDCANCEL); }}});
  EXPECT_EQ(3u, nSteps);
  EXPECT_FALSE(bSizeShown) << "a text's size comes from its height";
  EXPECT_TRUE(bFaceShown);
  EXPECT_EQ(0, Set().m_objects.GetCount());
}

// A rectangle from (100, 100) to (200, 160) and a line from (250, 50) to (350, 50), the rectangle
// selected with the select tool current.
class AnnEditTest : public AnnToolsTest {
 protected:
  void SetUp() override {
    AnnToolsTest::SetUp();
    m_view->SwitchTool(CTool::idAnnRect);
    Drag(100, 100, 200, 160);
    m_view->SwitchTool(CTool::idAnnLine);
    Drag(250, 50, 350, 50);
    ASSERT_EQ(2, Set().m_objects.GetCount());
    m_rect = static_cast<CAnnObj*>(Set().m_objects.GetHead());
    m_line = Last();
    m_view->SwitchTool(CTool::idAnnSelect);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 100, 130);
    Send(WM_LBUTTONUP, 0, 100, 130);
    ASSERT_EQ(m_rect, Set().m_pSelected);
    Set().m_bModified = FALSE;
  }

  void Command(UINT nId) { m_view->SendMessage(WM_COMMAND, nId); }

  CAnnObj* m_rect = nullptr;
  CAnnObj* m_line = nullptr;
};

TEST_F(AnnEditTest, PropertiesDialogStoresColourAndFillOnOkOnly) {
  bool bFrameChecked = false;
  RunWindows([&] { Command(ID_ANNOTATION_PROPERTIES); },
             {{nullptr, kPropsDialog, [&](HWND dlg) {
                 bFrameChecked = ::IsDlgButtonChecked(dlg, IDC_ANN_FILL_FIRST) == BST_CHECKED;
                 ::SendDlgItemMessageA(dlg, IDC_ANN_FILL_LAST, BM_CLICK, 0, 0);
                 Press(dlg, IDCANCEL);
               }}});
  EXPECT_TRUE(bFrameChecked) << "style -2 is the first radio";
  EXPECT_EQ(CAnnObj::fillFrame, m_rect->m_nFillStyle);
  EXPECT_FALSE(Set().m_bModified) << "Cancel changes nothing";

  // The system's colour dialog takes the colour by its red, green and blue fields.
  const size_t nSteps = RunWindows([&] { Command(ID_ANNOTATION_PROPERTIES); },
                                   {{nullptr, kPropsDialog, [](HWND dlg) {
                                       ::SendDlgItemMessageA(dlg, IDC_ANN_FILL_LAST, BM_CLICK, 0, 0);
                                       Press(dlg, IDC_ANN_SELECT_COLOUR);
                                     }},
                                    {"#32770", "Color", [](HWND dlg) {
                                       ::SetDlgItemTextA(dlg, 706, "0");
                                       ::SetDlgItemTextA(dlg, 707, "128");
                                       ::SetDlgItemTextA(dlg, 708, "255");
                                       Press(dlg, IDOK);
                                     }},
                                    {nullptr, kPropsDialog, [](HWND dlg) { Press(dlg, IDOK); }}});
  EXPECT_EQ(3u, nSteps);
  EXPECT_EQ(5, m_rect->m_nFillStyle) << "\"Diagonal cr&osses\"";
  EXPECT_EQ((DWORD)RGB(0, 128, 255), m_rect->m_crColour);
  EXPECT_TRUE(Set().m_bModified) << "an edited object is saved or asked about at close";
}

TEST_F(AnnEditTest, LineHasNoFillToChoose) {
  Set().m_pSelected = m_line;
  bool bAnyEnabled = false;
  RunWindows([&] { Command(ID_ANNOTATION_PROPERTIES); },
             {{nullptr, kPropsDialog, [&](HWND dlg) {
                 for (int nId = IDC_ANN_FILL_FIRST; nId <= IDC_ANN_FILL_LAST; ++nId)
                   bAnyEnabled = bAnyEnabled || ::IsWindowEnabled(::GetDlgItem(dlg, nId));
                 Press(dlg, IDOK);
               }}});
  EXPECT_FALSE(bAnyEnabled);
  EXPECT_EQ(CAnnObj::fillFrame, m_line->m_nFillStyle);
  EXPECT_TRUE(Set().m_bModified);
}

// The right button over an object selects it and opens the menu; its items are the view's
// commands, picked here by their mnemonics.
TEST_F(AnnEditTest, ContextMenuDeletesAndEditsTheObjectUnderTheMouse) {
  std::vector<std::string> items;
  auto pick = [&items](char key) {
    return WindowStep{"#32768", nullptr, [&items, key](HWND menu) {
                        HMENU hMenu = (HMENU)::SendMessageA(menu, 0x01E1 /* MN_GETHMENU */, 0, 0);
                        items.clear();
                        for (int i = 0; i < ::GetMenuItemCount(hMenu); ++i) {
                          char text[64] = {};
                          ::GetMenuStringA(hMenu, i, text, sizeof text, MF_BYPOSITION);
                          items.push_back(text);
                        }
                        ::PostMessageA(menu, WM_CHAR, key, 0);
                      }};
  };
  EXPECT_EQ(2u, RunWindows([&] { Send(WM_RBUTTONUP, 0, 300, 50); },
                           {pick('p'), {nullptr, kPropsDialog, [](HWND dlg) {
                              ::SendDlgItemMessageA(dlg, IDC_ANN_FILL_FIRST, BM_CLICK, 0, 0);
                              Press(dlg, IDOK);
                            }}}));
  EXPECT_EQ((std::vector<std::string>{"&Delete", "&Properties", "", "&Copy", "P&aste"}), items);
  EXPECT_EQ(m_line, Set().m_pSelected) << "the object under the mouse";
  EXPECT_TRUE(Set().m_bModified);

  EXPECT_EQ(1u, RunWindows([&] { Send(WM_RBUTTONUP, 0, 150, 100); }, {pick('d')}));
  ASSERT_EQ(1, Set().m_objects.GetCount());
  EXPECT_EQ(m_line, Set().m_objects.GetHead()) << "the rectangle under the mouse went";
  EXPECT_EQ(nullptr, Set().m_pSelected);

  // Beside every object with none selected there is no menu.
  EXPECT_EQ(0u, RunWindows([&] { Send(WM_RBUTTONUP, 0, 500, 400); }, {pick('d')}));
  EXPECT_EQ(1, Set().m_objects.GetCount());
}

// What a menu item shows after the view's update handler.
class CRecordedCmdUI : public CCmdUI {
 public:
  void Enable(BOOL bOn) override {
    m_bEnabled = bOn;
    m_bEnableChanged = TRUE;
  }
  BOOL m_bEnabled = TRUE;
};

TEST_F(AnnEditTest, EditDeleteOnlyWithTheSelectToolAndTextOnlyWithAHeight) {
  struct Case {
    UINT nCommand;
    int nTool;
    bool bSelected;
    int nTextHeight;
    bool bEnabled;
  } const cases[] = {
      {ID_EDIT_DELETE, CTool::idAnnSelect, true, 0, true},
      {ID_EDIT_DELETE, CTool::idAnnSelect, false, 0, false},
      {ID_EDIT_DELETE, CTool::idAnnLine, true, 0, false},
      {ID_REDLINE_TEXT, CTool::idAnnSelect, true, 0, false},
      {ID_REDLINE_TEXT, CTool::idAnnSelect, true, 5, true},
  };
  for (const Case& c : cases) {
    m_view->SwitchTool(c.nTool);
    Set().m_pSelected = c.bSelected ? m_rect : nullptr;
    GetVLRApp()->m_pConfig->m_nTextHeight = c.nTextHeight;
    CRecordedCmdUI state;
    state.m_nID = c.nCommand;
    state.DoUpdate(m_view, FALSE);
    EXPECT_EQ(c.bEnabled, state.m_bEnabled != FALSE) << c.nCommand << " tool " << c.nTool;
  }

  // The command itself keeps to the same rule: the Delete key of another tool deletes nothing.
  m_view->SwitchTool(CTool::idAnnLine);
  Set().m_pSelected = m_rect;
  Command(ID_EDIT_DELETE);
  EXPECT_EQ(2, Set().m_objects.GetCount());
  m_view->SwitchTool(CTool::idAnnSelect);
  Command(ID_EDIT_DELETE);
  ASSERT_EQ(1, Set().m_objects.GetCount());
  EXPECT_EQ(m_line, Set().m_objects.GetHead());
  EXPECT_TRUE(Set().m_bModified);
}

TEST_F(AnnEditTest, EditedTextKeepsItsHeightAsTheDefault) {
  AnnLogFont font{};
  std::snprintf(font.lfFaceName, sizeof font.lfFaceName, "Arial");
  font.lfWeight = 400;
  CAnnText* pText = new CAnnText(Doc(50, 250), "Old", font, 10, 0, 0);
  Set().Add(pText);
  Set().m_pSelected = pText;
  GetVLRApp()->m_pConfig->m_nDecimals = 0;
  GetVLRApp()->m_pConfig->m_nUnit = 0;
  std::string shownText;
  RunWindows([&] { Command(ID_ANNOTATION_PROPERTIES); },
             {{nullptr, kTextDialog, [&](HWND dlg) {
                 shownText = ItemText(dlg, IDC_ANN_TEXT);
                 ::SetDlgItemTextA(dlg, IDC_ANN_TEXT, "New");
                 ::SetDlgItemTextA(dlg, IDC_ANN_HEIGHT, "14 mm");
                 Press(dlg, IDOK);
               }}});
  EXPECT_EQ("Old", shownText);
  EXPECT_STREQ("New", pText->m_strText);
  EXPECT_EQ(14, pText->m_nHeight);
  EXPECT_TRUE(pText->m_bGrown) << "taller: the whole view repaints";
  EXPECT_EQ(14, GetVLRApp()->m_pConfig->m_nTextHeight);
}

TEST(AnnToolFactory, NumbersMakeTheirTools) {
  const struct {
    int nId;
    const char* className;
  } cases[] = {{4, "CAnnSelectTool"}, {5, "CAnnPenTool"},     {6, "CAnnLineTool"}, {7, "CAnnCircTool"},
               {8, "CAnnRectTool"},   {9, "CAnnPolygonTool"}, {12, "CLengthTool"}, {13, "CAreaTool"},
               {10, "CAnnTextTool"},   {11, "CAnnTextHTool"},   {14, "CScaleCheckTool"},
               {1, "CRasArrowTool"},   {2, "CRasPolygonTool"}};
  for (const auto& c : cases) {
    CTool* pTool = CTool::Create(c.nId);
    EXPECT_STREQ(c.className, pTool->GetRuntimeClass()->m_lpszClassName);
    EXPECT_EQ(c.nId, pTool->GetToolId());
    delete pTool;
    CObject* pByName = CRuntimeClass::CreateObject(c.className);
    EXPECT_NE(nullptr, pByName) << "creatable by class name";
    delete pByName;
  }
}

TEST_F(AnnToolsTest, PasteTwiceGivesTwoObjectsAtTheirAnchors) {
  ASSERT_TRUE(::OpenClipboard(nullptr));
  ::EmptyClipboard();
  ::CloseClipboard();
  EXPECT_FALSE(AnnPasteFromClipboard(Set(), 0, 0)) << "no annotation on the clipboard";

  CAnnLayer* layer = Set().GetLayer(0);
  CAnnRect rect(RECT{100, 200, 400, 600}, layer, 0);
  rect.m_nFillStyle = 3;
  ASSERT_TRUE(AnnCopyToClipboard(rect));
  ASSERT_TRUE(AnnPasteFromClipboard(Set(), 1000, 2000));
  ASSERT_TRUE(AnnPasteFromClipboard(Set(), 5000, 7000)) << "the clipboard still holds it";
  ASSERT_EQ(2, Set().m_objects.GetCount());
  CAnnRect* first = static_cast<CAnnRect*>(Set().m_objects.GetHead());
  CAnnRect* second = static_cast<CAnnRect*>(Set().m_objects.GetTail());
  ASSERT_NE(first, second);
  ASSERT_TRUE(second->IsKindOf(RUNTIME_CLASS(CAnnRect)));
  EXPECT_EQ(CPoint(1000, 2000), first->m_ptAnchor);
  EXPECT_EQ(CPoint(5000, 7000), second->m_ptAnchor);
  EXPECT_EQ(300, second->m_nDx);
  EXPECT_EQ(3, second->m_nFillStyle);
  EXPECT_TRUE(Set().m_bModified);
}

}  // namespace
