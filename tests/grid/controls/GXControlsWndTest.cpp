// The cell controls in a real grid window under Wine, driven by messages as a user would: an edit cell
// takes typed text and stores it on Enter or when the grid loses the focus and cancels on Escape; a check
// box toggles by click and space; spin arrows step and repeat; a combo's list opens with Alt+Down or its
// button, is chosen from by keys and by a click in the list window, and closes when the focus leaves,
// storing once; a value outside the cell's minimum and maximum is refused with the cell's warning text.
#include <windows.h>

#include "GXControls.h"
#include "GXGridWnd.h"

#include "GridTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// A grid window that counts the values written into cells.
class CountingGridWnd : public CGXGridWnd {
 public:
  BOOL SetValueRange(const CGXCellRange& range, LPCTSTR pszValue, UINT flags) override {
    ++nStores;
    return CGXGridWnd::SetValueRange(range, pszValue, flags);
  }
  int nStores = 0;
};

DWORD g_nTicks = 0;
DWORD FakeTicks() { return g_nTicks; }

class ControlWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GXInstallCellControls();
    m_hParent = ::CreateWindowExA(0, "STATIC", "controls test", WS_POPUP | WS_VISIBLE, 0, 0, 700, 500, nullptr,
                                  nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(m_hParent, nullptr);
    m_hOther = ::CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 650, 0, 40, 20, m_hParent, nullptr,
                                 ::GetModuleHandleA(nullptr), nullptr);
    grid = std::make_unique<CountingGridWnd>();
    grid->m_bQuietMessages = TRUE;
    ASSERT_TRUE(grid->CreateEx(0, "GXWND", "", WS_CHILD | WS_VISIBLE, 0, 0, 640, 480, m_hParent,
                               reinterpret_cast<HMENU>(21400)));
    grid->SetUpGrid();
    ASSERT_TRUE(grid->SetRowCount(20));
    ASSERT_TRUE(grid->SetColCount(6));
    ::SetFocus(grid->m_hWnd);
    Pump();
  }
  void TearDown() override {
    if (grid != nullptr && grid->m_hWnd != nullptr)
      grid->DestroyWindow();
    grid.reset();
    ::DestroyWindow(m_hParent);
    GXSetTickCountProc(nullptr);
  }
  static void Pump() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
  }
  void SetCell(ROWCOL r, ROWCOL c, WORD nControl, const char* pszValue, const char* pszChoices = nullptr,
               std::vector<std::pair<WORD, const char*>> attrs = {}) {
    CGXStyle style;
    style.SetControl(nControl).SetValue(pszValue);
    if (pszChoices != nullptr)
      style.SetChoiceText(pszChoices);
    for (auto& a : attrs)
      style.SetCustomAttr(a.first, a.second);
    ASSERT_TRUE(grid->SetStyleRange(CGXCellRange(r, c, r, c), style));
  }
  void Key(UINT vk) {
    grid->SendMessage(WM_KEYDOWN, vk, 1);
    grid->SendMessage(WM_KEYUP, vk, 0xC0000001);
    Pump();
  }
  void AltDown() {
    grid->SendMessage(WM_SYSKEYDOWN, VK_DOWN, 0x20000001);
    grid->SendMessage(WM_SYSKEYUP, VK_DOWN, 0xE0000001);
    Pump();
  }
  void Type(const char* psz) {
    for (; *psz != 0; ++psz)
      grid->SendMessage(WM_CHAR, (WPARAM)(unsigned char)*psz, 1);
    Pump();
  }
  void Click(CPoint pt) {
    grid->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
    grid->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
    Pump();
  }
  CRect CellRect(ROWCOL r, ROWCOL c) { return grid->CalcRectFromRowCol(r, c); }
  std::string Value(ROWCOL r, ROWCOL c) { return (LPCTSTR)grid->GetValueRowCol(r, c); }
  HWND OpenList() { return ::FindWindowA(GXComboListClassName(), nullptr); }

  HWND m_hParent = nullptr;
  HWND m_hOther = nullptr;
  std::unique_ptr<CountingGridWnd> grid;
};

TEST_F(ControlWindowTest, EditCellTypesStoresAndCancels) {
  SetCell(2, 1, GX_IDS_CTRL_EDIT, "old");
  const CRect r = CellRect(2, 1);
  Click(r.CenterPoint());
  Type("new");
  Key(VK_RETURN);
  EXPECT_EQ(Value(2, 1), "new");
  ASSERT_TRUE(grid->ChangeCurrentCell(2, 1));
  Type("thrown away");
  Key(VK_ESCAPE);
  EXPECT_EQ(Value(2, 1), "new");
  Type("by focus");
  const int nStores = grid->nStores;
  ::SetFocus(m_hOther);
  Pump();
  EXPECT_EQ(Value(2, 1), "by focus");
  EXPECT_EQ(grid->nStores - nStores, 1);
}

TEST_F(ControlWindowTest, ValidationRefusesAValueOutOfRangeWithTheCellsMessage) {
  SetCell(2, 1, GX_IDS_CTRL_SPINEDIT, "5", nullptr,
          {{51011, "1"}, {51012, "10"}, {51013, "Enter 1 to 10"}});
  ASSERT_TRUE(grid->ChangeCurrentCell(2, 1));
  Type("42");
  Key(VK_RETURN);
  EXPECT_EQ(std::string(grid->m_sLastMessageBox), "Enter 1 to 10");
  EXPECT_EQ(Value(2, 1), "5");
  ROWCOL row = 0, col = 0;
  grid->GetActiveCell(row, col);
  EXPECT_EQ(row, 2u);
  EXPECT_EQ(col, 1u);
}

TEST_F(ControlWindowTest, CheckBoxTogglesByClickAndSpace) {
  SetCell(3, 2, GX_IDS_CTRL_CHECKBOX3D, "0");
  const CRect r = CellRect(3, 2);
  const CPoint box(r.left + 8, r.top + 8);
  Click(box);
  EXPECT_EQ(Value(3, 2), "1");
  grid->SendMessage(WM_CHAR, ' ', 1);
  EXPECT_EQ(Value(3, 2), "0");
  Click(CPoint(r.right - 5, r.top + 8));  // beside the box
  EXPECT_EQ(Value(3, 2), "0");
}

TEST_F(ControlWindowTest, SpinArrowsStepAndRepeat) {
  GXSetTickCountProc(&FakeTicks);
  g_nTicks = 10000;
  SetCell(4, 1, GX_IDS_CTRL_SPINEDIT, "7");
  const CRect r = CellRect(4, 1);
  ASSERT_TRUE(grid->ChangeCurrentCell(4, 1));
  const CPoint up(r.right - 8, r.top + 4);
  grid->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(up.x, up.y));
  g_nTicks += 500;
  grid->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(up.x, up.y));
  g_nTicks += 150;
  grid->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(up.x, up.y));
  grid->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(up.x, up.y));
  Key(VK_RETURN);
  EXPECT_EQ(Value(4, 1), "10");
}

TEST_F(ControlWindowTest, ComboListOpensAndIsChosenByKeys) {
  SetCell(2, 3, GX_IDS_CTRL_TEXTFIT, "Apple", "Apple\napricot\nBanana");
  ASSERT_TRUE(grid->ChangeCurrentCell(2, 3));
  AltDown();
  HWND hList = OpenList();
  ASSERT_NE(hList, nullptr);
  EXPECT_TRUE(::IsWindowVisible(hList));
  EXPECT_EQ(::GetFocus(), grid->m_hWnd);  // the list does not take the focus
  Key(VK_DOWN);
  Key(VK_DOWN);
  Key(VK_RETURN);  // takes the choice and closes
  EXPECT_EQ(OpenList(), nullptr);
  Key(VK_RETURN);  // stores
  EXPECT_EQ(Value(2, 3), "Banana");
  ASSERT_TRUE(grid->ChangeCurrentCell(2, 3));
  AltDown();
  ASSERT_NE(OpenList(), nullptr);
  AltDown();  // Alt+Down again closes
  EXPECT_EQ(OpenList(), nullptr);
}

TEST_F(ControlWindowTest, ComboListIsChosenByMouseAndClosesOnFocusLossStoringOnce) {
  SetCell(3, 3, GX_IDS_CTRL_ONEBASED_EX, "1", "Apple\napricot\nBanana");
  const CRect r = CellRect(3, 3);
  Click(r.CenterPoint());
  Click(CPoint(r.right - 8, r.top + r.Height() / 2));  // the arrow button
  HWND hList = OpenList();
  ASSERT_NE(hList, nullptr);
  RECT lr;
  ::GetClientRect(hList, &lr);
  auto* pCombo = static_cast<CGXComboBox*>(grid->GetActiveCellControl());
  const int h = pCombo->m_nTextHeight;
  ::SendMessageA(hList, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, h * 2 + h / 2));
  ::SendMessageA(hList, WM_LBUTTONUP, 0, MAKELPARAM(5, h * 2 + h / 2));
  Pump();
  EXPECT_EQ(OpenList(), nullptr);
  CString s;
  pCombo->GetCurrentText(s);
  EXPECT_EQ(std::string(s), "Banana");
  Click(CPoint(r.right - 8, r.top + r.Height() / 2));
  ASSERT_NE(OpenList(), nullptr);
  Key(VK_UP);
  const int nStores = grid->nStores;
  ::SetFocus(m_hOther);
  Pump();
  EXPECT_EQ(OpenList(), nullptr);
  EXPECT_EQ(grid->nStores - nStores, 1);
  EXPECT_EQ(Value(3, 3), "2");
}

}  // namespace
