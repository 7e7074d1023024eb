// A real grid window under Wine over a stored layout whose cell store is a formula sheet: it shows
// the computed values, and typing a new value into a referenced cell recalculates the formulas
// that read it, redraws their cells (and not the unrelated ones) and paints the new values.
#include <windows.h>

#include "GXEditStandIn.h"
#include "GXFormulaSheet.h"
#include "GXGridWnd.h"

#include "GridTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

namespace {

// The grid painted into a 32-bit bitmap of the client area's size.
class Picture {
 public:
  Picture(CGXGridWnd& grid, int w, int h) : m_w(w), m_pixels((size_t)w * (size_t)h) {
    HDC hScreen = ::GetDC(nullptr);
    HDC hDC = ::CreateCompatibleDC(hScreen);
    ::ReleaseDC(nullptr, hScreen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* pBits = nullptr;
    HBITMAP hBitmap = ::CreateDIBSection(hDC, &bi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    HGDIOBJ hOld = ::SelectObject(hDC, hBitmap);
    grid.DrawGrid(hDC, CRect(0, 0, w, h));
    ::GdiFlush();
    memcpy(m_pixels.data(), pBits, m_pixels.size() * sizeof(DWORD));
    ::SelectObject(hDC, hOld);
    ::DeleteObject(hBitmap);
    ::DeleteDC(hDC);
  }
  // The pixels inside a rectangle, row by row.
  std::vector<DWORD> Block(const CRect& r) const {
    std::vector<DWORD> out;
    for (int y = r.top + 1; y < r.bottom - 1; ++y)
      for (int x = r.left + 1; x < r.right - 1; ++x)
        out.push_back(m_pixels[(size_t)y * (size_t)m_w + (size_t)x]);
    return out;
  }

 private:
  int m_w;
  std::vector<DWORD> m_pixels;
};

// A grid window that notes the cells it is asked to redraw one by one.
class NotingGridWnd : public CGXGridWnd {
 public:
  void RedrawRowCol(const CGXCellRange& range, UINT flags) override {
    if (range.IsCells() && range.top == range.bottom && range.left == range.right)
      redrawn.insert({range.top, range.left});
    CGXGridWnd::RedrawRowCol(range, flags);
  }
  std::set<std::pair<ROWCOL, ROWCOL>> redrawn;
};

// A layout as a program keeps it: a parameter object whose cell store is a formula sheet with
// A1 = 2, B1 = A1*3, C2 = B1+A1 and an unrelated constant E5 = 9.
std::vector<BYTE> StoredLayout() {
  CGXGridParam param;
  auto* pSheet = new CGXFormulaSheet;
  param.SetData(pSheet, TRUE);
  pSheet->InitParam(&param);
  pSheet->SetRowCount(30);
  pSheet->SetColCount(8);
  static const struct {
    ROWCOL r, c;
    const char* text;
  } kCells[] = {{1, 1, "2"}, {1, 2, "=A1*3"}, {2, 3, "=B1+A1"}, {5, 5, "9"}};
  for (const auto& cell : kCells)
    EXPECT_TRUE(pSheet->SetExpressionValue(cell.r, cell.c, cell.text)) << cell.text;
  param.SetStylesMap(new CGXStylesMap(RUNTIME_CLASS(CGXStyle)), TRUE);
  param.GetStylesMap()->CreateStandardStyles();
  param.SetProperties(new CGXProperties, TRUE);
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    ar.WriteObject(&param);
    ar.Close();
  }
  std::vector<BYTE> bytes((size_t)file.GetLength());
  file.SeekToBegin();
  file.Read(bytes.data(), (UINT)bytes.size());
  return bytes;
}

class FormulaGridWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GXInstallControlStandIns();
    std::vector<BYTE> layout = StoredLayout();
    CObject* pParam = ReadObjectFromBytes(layout.data(), (UINT)layout.size(), RUNTIME_CLASS(CGXGridParam));
    ASSERT_NE(pParam, nullptr);
    m_hParent = ::CreateWindowExA(0, "STATIC", "formula grid test", WS_POPUP | WS_VISIBLE, 0, 0, 700, 500, nullptr,
                                  nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(m_hParent, nullptr);
    grid = std::make_unique<NotingGridWnd>();
    grid->m_bQuietMessages = TRUE;
    grid->AttachParam(static_cast<CGXGridParam*>(pParam), TRUE);
    ASSERT_TRUE(grid->CreateEx(0, "GXWND", "", WS_CHILD | WS_VISIBLE, 0, 0, 640, 480, m_hParent,
                               reinterpret_cast<HMENU>(21600)));
    grid->SetUpGrid();
    ::SetFocus(grid->m_hWnd);
    Pump();
  }
  void TearDown() override {
    if (grid != nullptr && grid->m_hWnd != nullptr)
      grid->DestroyWindow();
    grid.reset();
    if (m_hParent != nullptr)
      ::DestroyWindow(m_hParent);
  }
  static void Pump() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
  }
  void Key(UINT vk) {
    grid->SendMessage(WM_KEYDOWN, vk, 1);
    grid->SendMessage(WM_KEYUP, vk, 0xC0000001);
  }
  void Type(const char* psz) {
    for (; *psz != 0; ++psz)
      grid->SendMessage(WM_CHAR, (WPARAM)(unsigned char)*psz, 1);
  }
  HWND m_hParent = nullptr;
  std::unique_ptr<NotingGridWnd> grid;
};

}  // namespace

TEST_F(FormulaGridWindowTest, ShowsComputedValuesAndRecalculatesAfterAnEdit) {
  ASSERT_TRUE(grid->GetParam()->GetData()->IsKindOf(RUNTIME_CLASS(CGXFormulaSheet)));
  EXPECT_EQ(grid->GetRowCount(), 30u);
  EXPECT_STREQ(grid->GetValueRowCol(1, 2), "6");
  EXPECT_STREQ(grid->GetValueRowCol(2, 3), "8");
  const CRect b1 = grid->CalcRectFromRowCol(1, 2), c2 = grid->CalcRectFromRowCol(2, 3);
  const CRect e5 = grid->CalcRectFromRowCol(5, 5), empty = grid->CalcRectFromRowCol(7, 7);
  Picture before(*grid, 640, 480);
  // A computed value is drawn: its cell differs from an empty one.
  EXPECT_NE(before.Block(c2), before.Block(empty));

  ASSERT_TRUE(grid->ChangeCurrentCell(1, 1));
  Pump();
  grid->redrawn.clear();
  Type("5");
  Key(VK_RETURN);
  EXPECT_STREQ(grid->GetValueRowCol(1, 1), "5");
  EXPECT_STREQ(grid->GetValueRowCol(1, 2), "15");
  EXPECT_STREQ(grid->GetValueRowCol(2, 3), "20");
  // The window redraws the formula cells the edit reached, not the unrelated ones.
  EXPECT_EQ(grid->redrawn.count({2, 3}), 1u);
  EXPECT_EQ(grid->redrawn.count({1, 2}), 1u);
  EXPECT_EQ(grid->redrawn.count({5, 5}), 0u);
  EXPECT_EQ(grid->redrawn.count({7, 7}), 0u);
  Pump();

  Picture after(*grid, 640, 480);
  EXPECT_NE(after.Block(b1), before.Block(b1));
  EXPECT_NE(after.Block(c2), before.Block(c2));
  EXPECT_EQ(after.Block(e5), before.Block(e5));

  // A new formula typed into a cell is computed at once and follows later edits too.
  ASSERT_TRUE(grid->ChangeCurrentCell(3, 1));
  Type("=C2*2");
  Key(VK_RETURN);
  EXPECT_STREQ(grid->GetValueRowCol(3, 1), "40");
  ASSERT_TRUE(grid->ChangeCurrentCell(1, 1));
  Type("1");
  Key(VK_RETURN);
  EXPECT_STREQ(grid->GetValueRowCol(3, 1), "8");
  Pump();
}
