// Windows as objects: the handle maps (permanent and temporary objects), subclassing a window
// the object did not create, message-map dispatch with typed arguments, and windows that delete
// themselves when they go.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FrameworkWin.h"

namespace {

std::vector<std::string> g_log;

class CProbeWnd : public CWnd {
 public:
  bool* m_pDeleted = nullptr;
  ~CProbeWnd() override {
    if (m_pDeleted) *m_pDeleted = true;
  }
  void OnSize(UINT nType, int cx, int cy) {
    g_log.push_back("size " + std::to_string(nType) + " " + std::to_string(cx) + "x" + std::to_string(cy));
    Default();
  }
  void OnLButtonDown(UINT nFlags, CPoint point) {
    g_log.push_back("down " + std::to_string(nFlags) + " " + std::to_string(point.x) + "," + std::to_string(point.y));
  }
  void OnTimer(UINT_PTR nIDEvent) { g_log.push_back("timer " + std::to_string(nIDEvent)); }
  LRESULT OnPrivate(WPARAM wParam, LPARAM lParam) { return static_cast<LRESULT>(wParam + lParam); }
  LRESULT OnRegistered(WPARAM wParam, LPARAM) { return static_cast<LRESULT>(wParam * 2); }
  void PostNcDestroy() override {
    g_log.push_back("gone");
    if (m_pDeleted) delete this;
  }
  DECLARE_MESSAGE_MAP()
};

const UINT WM_PROBE_PRIVATE = WM_APP + 5;
UINT g_registered = RegisterWindowMessageA("VellviewProbeMessage");

BEGIN_MESSAGE_MAP(CProbeWnd, CWnd)
  ON_WM_SIZE()
  ON_WM_LBUTTONDOWN()
  ON_WM_TIMER()
  ON_MESSAGE(WM_PROBE_PRIVATE, OnPrivate)
  ON_REGISTERED_MESSAGE(g_registered, OnRegistered)
END_MESSAGE_MAP()

class CTestApp : public CWinApp {
 public:
  BOOL InitInstance() override { return TRUE; }
};

class WndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log.clear();
    ASSERT_TRUE(AfxWinInit(GetModuleHandleA(nullptr), nullptr, cmdLine_, SW_SHOWNORMAL));
  }
  char cmdLine_[1] = "";
  CTestApp app_;
};

TEST_F(WndTest, MessagesReachTheirHandlersWithTheirArguments) {
  CProbeWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(0), "probe", WS_POPUP, 0, 0, 50, 40, nullptr, nullptr));
  EXPECT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);
  g_log.clear();
  wnd.SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(120, 80));
  wnd.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(-3, 7));  // coordinates are signed
  wnd.SendMessage(WM_TIMER, 9, 0);
  EXPECT_EQ(g_log, (std::vector<std::string>{"size 0 120x80", "down 1 -3,7", "timer 9"}));
  EXPECT_EQ(wnd.SendMessage(WM_PROBE_PRIVATE, 2, 3), 5);
  EXPECT_EQ(wnd.SendMessage(g_registered, 21, 0), 42);
  // A message without an entry goes to the default procedure.
  wnd.SetWindowText("renamed");
  CString text;
  wnd.GetWindowText(text);
  EXPECT_EQ(text, "renamed");
  HWND h = wnd.m_hWnd;
  wnd.DestroyWindow();
  EXPECT_EQ(wnd.m_hWnd, nullptr);
  EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
}

TEST_F(WndTest, ForeignHandlesGetTemporaryObjectsUntilIdleTime) {
  HWND h = CreateWindowA("STATIC", "foreign", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
  CWnd* temp = CWnd::FromHandle(h);
  ASSERT_NE(temp, nullptr);
  EXPECT_EQ(temp->m_hWnd, h);
  EXPECT_EQ(CWnd::FromHandle(h), temp);
  AfxDeleteTempMaps();
  // The window outlives its temporary object.
  EXPECT_TRUE(IsWindow(h));

  // Subclassed, the window's messages go through the object's map, and back when released.
  CProbeWnd probe;
  ASSERT_TRUE(probe.SubclassWindow(h));
  EXPECT_EQ(CWnd::FromHandle(h), &probe);
  EXPECT_EQ(SendMessageA(h, WM_PROBE_PRIVATE, 1, 1), 2);
  char text[32];
  GetWindowTextA(h, text, sizeof text);
  EXPECT_STREQ(text, "foreign");  // the control's own procedure still answers the rest
  EXPECT_EQ(probe.UnsubclassWindow(), h);
  EXPECT_EQ(SendMessageA(h, WM_PROBE_PRIVATE, 1, 1), 0);
  EXPECT_EQ(probe.m_hWnd, nullptr);
  DestroyWindow(h);
}

TEST_F(WndTest, AWindowThatOwnsItselfIsDeletedWhenItGoes) {
  bool deleted = false;
  CProbeWnd* wnd = new CProbeWnd;
  wnd->m_pDeleted = &deleted;
  ASSERT_TRUE(wnd->CreateEx(0, AfxRegisterWndClass(0), "self", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  HWND h = wnd->m_hWnd;
  DestroyWindow(h);  // not through the object: the window's end still reaches it
  EXPECT_TRUE(deleted);
  EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
  EXPECT_EQ(g_log.back(), "gone");
}

TEST_F(WndTest, ChildControlsKnowTheirParentsAndRelatives) {
  CProbeWnd top;
  ASSERT_TRUE(top.CreateEx(0, AfxRegisterWndClass(0), "top", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr));
  CButton button;
  ASSERT_TRUE(button.Create("Press", BS_PUSHBUTTON | WS_VISIBLE, CRect(5, 5, 60, 25), &top, 77));
  CEdit edit;
  ASSERT_TRUE(edit.Create(WS_VISIBLE, CRect(5, 30, 60, 50), &top, 78));
  EXPECT_EQ(top.GetDlgItem(77), &button);
  EXPECT_EQ(button.GetParent(), &top);
  EXPECT_EQ(button.GetDlgCtrlID(), 77);
  EXPECT_EQ(edit.GetTopLevelParent(), &top);
  EXPECT_EQ(edit.GetParentFrame(), nullptr);
  edit.SetWindowText("12");
  edit.SetSel(0, -1);
  edit.ReplaceSel("34");
  CString text;
  edit.GetWindowText(text);
  EXPECT_EQ(text, "34");
  top.DestroyWindow();
  // Children went with their parent, and their objects know it.
  EXPECT_EQ(button.m_hWnd, nullptr);
  EXPECT_EQ(edit.m_hWnd, nullptr);
}

TEST_F(WndTest, ListAndComboTextsComeBackWhole) {
  CProbeWnd top;
  ASSERT_TRUE(top.CreateEx(0, AfxRegisterWndClass(0), "top", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr));
  CListBox list;
  ASSERT_TRUE(list.Create(LBS_NOTIFY, CRect(0, 0, 100, 100), &top, 1));
  CComboBox combo;
  ASSERT_TRUE(combo.Create(CBS_DROPDOWNLIST, CRect(0, 100, 100, 200), &top, 2));
  std::string longText(600, 'w');
  list.AddString("short");
  list.AddString(longText.c_str());
  combo.AddString(longText.c_str());
  CString s;
  list.GetText(1, s);
  EXPECT_EQ(std::string(s), longText);
  list.GetText(5, s);  // no such item
  EXPECT_TRUE(s.IsEmpty());
  combo.GetLBText(0, s);
  EXPECT_EQ(std::string(s), longText);

  CListCtrl view;
  ASSERT_TRUE(view.Create(LVS_REPORT, CRect(0, 0, 150, 150), &top, 3));
  view.InsertColumn(0, "Layer", LVCFMT_LEFT, 80);
  view.InsertColumn(1, "Colour", LVCFMT_LEFT, 60);
  for (int i = 0; i < 4; ++i) {
    view.InsertItem(i, ("L" + std::to_string(i)).c_str());
    view.SetItemText(i, 1, longText.c_str());
    view.SetItemData(i, 100 + i);
  }
  EXPECT_EQ(std::string(view.GetItemText(2, 1)), longText);
  EXPECT_EQ(view.GetItemText(2, 0), "L2");
  EXPECT_EQ(view.GetItemData(3), 103u);
  view.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  view.SetItemState(3, LVIS_SELECTED, LVIS_SELECTED);
  std::vector<int> selected;
  for (POSITION pos = view.GetFirstSelectedItemPosition(); pos;) selected.push_back(view.GetNextSelectedItem(pos));
  EXPECT_EQ(selected, (std::vector<int>{1, 3}));

  CTreeCtrl tree;
  ASSERT_TRUE(tree.Create(TVS_HASLINES, CRect(0, 0, 150, 150), &top, 4));
  HTREEITEM root = tree.InsertItem("Drawing");
  HTREEITEM child = tree.InsertItem("Version AC1015", root);
  tree.SetItemData(child, 7);
  EXPECT_EQ(tree.GetChildItem(root), child);
  EXPECT_EQ(tree.GetItemText(child), "Version AC1015");
  EXPECT_EQ(tree.GetItemData(child), 7u);
  EXPECT_EQ(tree.GetCount(), 2u);
  top.DestroyWindow();
}

}  // namespace
