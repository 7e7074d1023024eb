// A windowless grid for the cell-control tests: the real engine with the cell controls installed, 10
// rows by 4 columns of 100 by 18 pixels, whose hooks record what the controls tell it; a surface that
// records what is drawn; and helpers to set a cell's style and drive keys and the mouse.
#ifndef TESTS_GRID_CONTROLS_CONTROLTESTSUPPORT_H
#define TESTS_GRID_CONTROLS_CONTROLTESTSUPPORT_H

#include "GXControls.h"
#include "GXUserAttribute.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class RecordingGrid : public CGXGridCore {
 public:
  void OnModifyCell(ROWCOL nRow, ROWCOL nCol) override { log.push_back("modify " + Rc(nRow, nCol)); }
  BOOL OnClickedButtonRowCol(ROWCOL nRow, ROWCOL nCol) override {
    log.push_back("button " + Rc(nRow, nCol));
    return FALSE;
  }
  BOOL OnStartEditing(ROWCOL nRow, ROWCOL nCol) override {
    (void)nRow, (void)nCol;
    return bAllowEditing;
  }
  BOOL SetValueRange(const CGXCellRange& range, LPCTSTR pszValue, UINT flags) override {
    log.push_back("store " + Rc(range.top, range.left) + "=" + pszValue);
    return CGXGridCore::SetValueRange(range, pszValue, flags);
  }
  CString Warning() const { return m_sWarningText; }
  static std::string Rc(ROWCOL r, ROWCOL c) { return std::to_string(r) + "," + std::to_string(c); }
  int Count(const std::string& prefix) const {
    int n = 0;
    for (const std::string& s : log)
      n += s.compare(0, prefix.size(), prefix) == 0;
    return n;
  }

  std::vector<std::string> log;
  BOOL bAllowEditing = TRUE;
};

// Every character 7 pixels wide, lines 14 pixels.
class RecordingSurface : public CGXGridSurface {
 public:
  CSize GetTextExtent(LPCTSTR, int nLength) override { return CSize(7 * nLength, 14); }
  GXTEXTMETRICS GetTextMetrics() override {
    GXTEXTMETRICS tm;
    tm.nHeight = 14;
    tm.nAveCharWidth = 7;
    tm.nMaxCharWidth = 12;
    return tm;
  }
  void FillRect(const CRect& rect, DWORD rgb) override { fills.push_back({rect, rgb}); }
  void InvertRect(const CRect& rect) override { inverts.push_back(rect); }
  void DrawTextLine(int, int, LPCTSTR psz, int n, DWORD, const CRect&) override {
    texts.push_back(std::string(psz, (size_t)n));
  }
  void SelectFont(const CGXFont&, int) override {}
  struct Fill {
    CRect rect;
    DWORD rgb;
  };
  std::vector<Fill> fills;
  std::vector<CRect> inverts;
  std::vector<std::string> texts;
};

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GXInstallCellControls();
    grid.InitialSetUp();
    ASSERT_TRUE(grid.SetRowCount(10));
    ASSERT_TRUE(grid.SetColCount(4));
    grid.StoreRowHeight(0, 18);
    grid.StoreColWidth(0, 100);
  }
  // Gives a cell a control and optionally a value, choice list and user attributes.
  void SetCell(ROWCOL r, ROWCOL c, WORD nControl, const char* pszValue = nullptr, const char* pszChoices = nullptr,
               std::vector<std::pair<WORD, const char*>> attrs = {}) {
    CGXStyle style;
    style.SetControl(nControl);
    if (pszValue != nullptr)
      style.SetValue(pszValue);
    if (pszChoices != nullptr)
      style.SetChoiceText(pszChoices);
    for (auto& a : attrs)
      style.SetCustomAttr(a.first, a.second);
    ASSERT_TRUE(grid.SetStyleRange(CGXCellRange(r, c, r, c), style));
  }
  CGXControl* MakeCurrent(ROWCOL r, ROWCOL c) {
    EXPECT_TRUE(grid.ChangeCurrentCell(r, c));
    return grid.GetActiveCellControl();
  }
  void Key(UINT nKey, UINT nMods = 0) {
    grid.m_nHeadlessKeys = nMods;
    grid.DispatchGridKeys(GX_WM_KEYDOWN, nKey, 1, 0);
    grid.m_nHeadlessKeys = 0;
  }
  void SysKey(UINT nKey) {
    grid.m_nHeadlessKeys = 0x10000;
    grid.DispatchGridKeys(GX_WM_SYSKEYDOWN, nKey, 1, 0);
    grid.m_nHeadlessKeys = 0;
  }
  void Type(const char* psz) {
    for (; *psz != 0; ++psz)
      grid.DispatchGridKeys(GX_WM_CHAR, (UINT)(unsigned char)*psz, 1, 0);
  }
  void Click(CPoint pt) {
    grid.HandleLeftButtonDown(0, pt);
    grid.HandleLeftButtonUp(0, pt);
  }
  std::string Value(ROWCOL r, ROWCOL c) { return (LPCTSTR)grid.GetValueRowCol(r, c); }
  std::string EditText(CGXControl* p) {
    CString s;
    p->GetCurrentText(s);
    return (LPCTSTR)s;
  }

  RecordingGrid grid;
};

#endif  // TESTS_GRID_CONTROLS_CONTROLTESTSUPPORT_H
