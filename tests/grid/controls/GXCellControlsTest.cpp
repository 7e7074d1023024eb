// The windowless cells and the edit family, bound to cells of a windowless grid: typing, keys that stay
// in the cell or go to the grid, storing and cancelling, check boxes and radio buttons by click and space,
// the spin arithmetic and the arrows' repeat, the progress bar's arithmetic, the bitmap reader's checks
// and the password cell.
#include "ControlTestSupport.h"

#include <climits>
#include <cstring>

namespace {

// --- static and header cells ----------------------------------------------------------------------------

TEST_F(ControlTest, StaticTextMarginsAndTinyHeaders) {
  CGXStatic text(&grid);
  CGXStyle left, right;
  right.SetHAlign(2);
  const CRect cell(0, 0, 100, 20);
  EXPECT_EQ(text.GetCellRect(1, 1, &cell, &left), CRect(2, 0, 99, 20));
  EXPECT_EQ(text.GetCellRect(1, 1, &cell, &right), CRect(2, 0, 97, 20));
  EXPECT_EQ(text.AddBorders(CSize(10, 10), left), CSize(10 + 5 + 1, 11));
  CGXHeader header(&grid);
  RecordingSurface surface;
  CGXStyle value;
  value.SetValue("A");
  header.Draw(surface, CRect(0, 0, 1, 20), 0, 1, value);
  EXPECT_TRUE(surface.fills.empty());
  EXPECT_TRUE(surface.texts.empty());
  header.Draw(surface, CRect(0, 0, 40, 20), 0, 1, value);
  EXPECT_EQ(surface.texts, std::vector<std::string>{"A"});
}

// --- edit cell ---------------------------------------------------------------------------------------

TEST_F(ControlTest, TypingIntoAnInactiveEditCellReplacesItsText) {
  SetCell(2, 1, GX_IDS_CTRL_EDIT, "123");
  CGXControl* p = MakeCurrent(2, 1);
  EXPECT_FALSE(p->IsActive());
  Type("7");
  EXPECT_TRUE(p->IsActive());
  EXPECT_EQ(EditText(p), "7");
  int s = -1, e = -1;
  static_cast<CGXEditControl*>(p)->GetSel(s, e);
  EXPECT_EQ(s, 1);
  EXPECT_EQ(e, 1);
  Type("8");
  Key(GX_VK_RETURN);
  EXPECT_EQ(Value(2, 1), "78");
  EXPECT_EQ(grid.Count("store 2,1=78"), 1);
}

TEST_F(ControlTest, EscapeThrowsTheEditAway) {
  SetCell(2, 1, GX_IDS_CTRL_EDIT, "123");
  CGXControl* p = MakeCurrent(2, 1);
  Type("45");
  Key(GX_VK_ESCAPE);
  EXPECT_FALSE(p->IsActive());
  EXPECT_EQ(EditText(p), "123");
  EXPECT_TRUE(grid.ChangeCurrentCell(3, 1));
  EXPECT_EQ(Value(2, 1), "123");
  EXPECT_EQ(grid.Count("store"), 0);
}

TEST_F(ControlTest, EditKeysStayInTheCellOrGoToTheGrid) {
  SetCell(2, 2, GX_IDS_CTRL_EDIT, "abc");
  CGXControl* p = MakeCurrent(2, 2);
  Key(GX_VK_END);  // starts editing with the caret at the end
  EXPECT_TRUE(p->IsActive());
  Key(GX_VK_LEFT);
  Key(GX_VK_LEFT);
  Type("X");
  EXPECT_EQ(EditText(p), "aXbc");
  Type("\b");
  EXPECT_EQ(EditText(p), "abc");
  Key(GX_VK_DELETE);
  EXPECT_EQ(EditText(p), "ac");
  Key(GX_VK_RIGHT);  // to the end, still inside
  ROWCOL r = 0, c = 0;
  grid.GetActiveCell(r, c);
  EXPECT_EQ(RecordingGrid::Rc(r, c), "2,2");
  Key(GX_VK_RIGHT);  // at the end: the grid moves on and stores
  grid.GetActiveCell(r, c);
  EXPECT_EQ(RecordingGrid::Rc(r, c), "2,3");
  EXPECT_EQ(Value(2, 2), "ac");
}

TEST_F(ControlTest, DeleteEmptiesAnEditableCellOnly) {
  SetCell(2, 1, GX_IDS_CTRL_EDIT, "abc");
  CGXControl* p = MakeCurrent(2, 1);
  Key(GX_VK_DELETE);
  EXPECT_TRUE(p->GetModify());
  EXPECT_EQ(EditText(p), "");
  grid.CommitCurrentCell(FALSE);
  CGXStyle ro;
  ro.SetReadOnly(TRUE);
  grid.SetStyleRange(CGXCellRange(2, 1, 2, 1), ro);
  p = MakeCurrent(2, 1);
  Key(GX_VK_DELETE);
  Type("z");
  EXPECT_FALSE(p->GetModify());
  EXPECT_EQ(EditText(p), "abc");
}

TEST_F(ControlTest, TypingStopsAtTheMaximumLength) {
  CGXStyle style;
  style.SetControl(GX_IDS_CTRL_EDIT).SetMaxLength(3);
  grid.SetStyleRange(CGXCellRange(1, 1, 1, 1), style);
  CGXControl* p = MakeCurrent(1, 1);
  Type("abcdef");
  EXPECT_EQ(EditText(p), "abc");
}

TEST_F(ControlTest, ReplaceAllKeepsTheTextAroundEachMatch) {
  struct Case {
    const char* pszText;
    int nFrom;
    const char* pszFind;
    const char* pszReplace;
    BOOL bMatchCase;
    int nCount;
    const char* pszResult;
  } cases[] = {
      {"abXcdXe", 0, "X", "--", TRUE, 2, "ab--cd--e"},
      {"abXcdXe", 3, "X", "-", TRUE, 1, "abXcd-e"},
      {"Hello hello", 0, "HELLO", "bye", FALSE, 2, "bye bye"},
      {"Hello hello", 0, "HELLO", "bye", TRUE, 0, "Hello hello"},
      {"aaa", 0, "a", "aa", TRUE, 3, "aaaaaa"},
      {"short", 0, "", "x", TRUE, 0, "short"},
      {"xy", 9, "x", "z", TRUE, 0, "xy"},
  };
  for (const Case& c : cases) {
    CString s = c.pszText;
    EXPECT_EQ(GXReplaceAllText(s, c.nFrom, c.pszFind, c.pszReplace, c.bMatchCase), c.nCount) << c.pszText;
    EXPECT_EQ(std::string(s), c.pszResult);
  }
  // Far longer than any fixed buffer.
  CString sLong(CString('x', 5000));
  EXPECT_EQ(GXReplaceAllText(sLong, 0, "x", "yy", TRUE), 5000);
  EXPECT_EQ(sLong.GetLength(), 10000);
}

std::string g_clipboard;
BOOL FakeSet(CGXGridCore*, const CString& s) {
  g_clipboard = (LPCTSTR)s;
  return TRUE;
}
BOOL FakeGet(CGXGridCore*, CString& s) {
  s = g_clipboard.c_str();
  return !g_clipboard.empty();
}

TEST_F(ControlTest, EditCellCopiesCutsAndPastesItsSelection) {
  GXSetClipboardProcs(&FakeSet, &FakeGet);
  g_clipboard.clear();
  SetCell(2, 1, GX_IDS_CTRL_EDIT, "hello world");
  auto* p = static_cast<CGXEditControl*>(MakeCurrent(2, 1));
  EXPECT_FALSE(p->Copy());  // not editing: whole cells are the grid's business
  Key(GX_VK_END);
  p->SetSel(0, 5);
  Type("\x03");  // Ctrl+C
  EXPECT_EQ(g_clipboard, "hello");
  Type("\x18");  // Ctrl+X
  EXPECT_EQ(EditText(p), " world");
  Key(GX_VK_END);
  Type("\x16");  // Ctrl+V
  EXPECT_EQ(EditText(p), " worldhello");
  p->SetSel(0, 1);
  Key(GX_VK_DELETE, GX_MK_SHIFT);  // Shift+Delete cuts
  EXPECT_EQ(g_clipboard, " ");
  Key(GX_VK_INSERT, GX_MK_SHIFT);  // Shift+Insert pastes
  EXPECT_EQ(EditText(p), " worldhello");
  // The password cell keeps its text off the clipboard.
  SetCell(3, 1, GX_IDS_CTRL_PASSWORD, "secret");
  CGXControl* pPassword = MakeCurrent(3, 1);
  Key(GX_VK_END);
  static_cast<CGXEditControl*>(pPassword)->SetSel(0, -1);
  g_clipboard = "before";
  Type("\x03");
  Type("\x18");
  EXPECT_EQ(g_clipboard, "before");
  EXPECT_EQ(EditText(pPassword), "secret");
  GXSetClipboardProcs(nullptr, nullptr);
}

// --- check boxes ---------------------------------------------------------------------------------------

TEST_F(ControlTest, CheckBoxStatesAndToggles) {
  struct Case {
    const char* pszValue;
    BOOL bTriState;
    const char* pszChecked;
    int nFrame;
    const char* pszNext;
  } cases[] = {
      {"1", FALSE, "", 1, "0"},  {"0", FALSE, "", 0, "1"},   {"", FALSE, "", 0, "1"},
      {"yes", FALSE, "", 0, "1"}, {"Y", FALSE, "Y", 1, "0"}, {"y", FALSE, "Y", 0, "Y"},
      {"0", TRUE, "", 0, ""},    {"", TRUE, "", 4, "1"},     {"2", TRUE, "", 4, "1"},
  };
  CGXCheckBox& box = *static_cast<CGXCheckBox*>(grid.GetRegisteredControl(CGXStyle().SetControl(52516)));
  for (const Case& c : cases) {
    CGXStyle style;
    style.SetValue(c.pszValue).SetTriState(c.bTriState);
    if (*c.pszChecked != 0)
      style.SetCustomAttr(GX_IDS_UA_CHECKBOX_CHECKED, c.pszChecked);
    EXPECT_EQ(CGXCheckBox::FrameOfState(box.GetState(5, 1, style)), c.nFrame) << c.pszValue << " " << c.bTriState;
    EXPECT_EQ(std::string(CGXCheckBox::ToggledValue(c.pszValue, style)), c.pszNext) << c.pszValue;
  }
  CGXStyle checkedY;
  checkedY.SetCustomAttr(GX_IDS_UA_CHECKBOX_CHECKED, "Y");
  CString s = "y";
  EXPECT_TRUE(box.ConvertControlTextToValue(s, 1, 1, &checkedY));
  EXPECT_EQ(std::string(s), "y");
  CGXStyle tri;
  tri.SetTriState(TRUE);
  s = "maybe";
  box.ConvertControlTextToValue(s, 1, 1, &tri);
  EXPECT_EQ(std::string(s), "");
}

TEST_F(ControlTest, CheckBoxBoxPlacement) {
  CGXCheckBox box(&grid);
  RecordingSurface m;
  struct Case {
    CRect cell;
    const char* pszCaption;
    UINT nAlign;
    CRect box;
  } cases[] = {
      {CRect(0, 0, 100, 10), "", 0, CRect(3, 3, 16, 10)},            // squeezed into a low cell
      {CRect(0, 0, 100, 20), "", 1 | 4, CRect(43, 3, 56, 16)},
      {CRect(0, 0, 100, 20), "abc", 2, CRect(60, 3, 73, 16)},        // 19 + 21 wide block at the right
      {CRect(0, 0, 100, 20), "", 8, CRect(3, 7, 16, 20)},
  };
  for (const Case& c : cases) {
    const CRect r = box.ComputeCheckBoxRect(m, c.cell, c.pszCaption, c.nAlign);
    EXPECT_EQ(r, c.box) << c.nAlign << " " << c.pszCaption;
  }
}

TEST_F(ControlTest, CheckBoxTogglesByClickAndSpaceAndIgnoresReadOnly) {
  SetCell(2, 1, GX_IDS_CTRL_CHECKBOX, "0");
  MakeCurrent(2, 1);
  Click(CPoint(108, 45));
  EXPECT_EQ(Value(2, 1), "1");
  EXPECT_EQ(grid.Count("button 2,1"), 1);
  Type(" ");
  EXPECT_EQ(Value(2, 1), "0");
  // Pressing on the box and releasing outside it does nothing.
  grid.HandleLeftButtonDown(0, CPoint(108, 45));
  grid.HandleMouseMove(0x40, CPoint(160, 45));
  grid.HandleLeftButtonUp(0, CPoint(160, 45));
  EXPECT_EQ(Value(2, 1), "0");
  // A double click toggles twice.
  Click(CPoint(108, 45));
  grid.HandleLeftButtonDblClk(0, CPoint(108, 45));
  EXPECT_EQ(Value(2, 1), "0");
  CGXStyle ro;
  ro.SetReadOnly(TRUE);
  grid.SetStyleRange(CGXCellRange(2, 1, 2, 1), ro);
  MakeCurrent(3, 1);
  MakeCurrent(2, 1);
  Click(CPoint(108, 45));
  Type(" ");
  EXPECT_EQ(Value(2, 1), "0");
}

TEST_F(ControlTest, CheckBoxWithModifyStateStoresOnlyWhenTheCellIsLeft) {
  SetCell(2, 1, GX_IDS_CTRL_CHECKBOXEX, "0");
  CGXControl* p = MakeCurrent(2, 1);
  Click(CPoint(108, 45));
  EXPECT_EQ(Value(2, 1), "0");
  EXPECT_TRUE(p->GetModify());
  EXPECT_EQ(grid.Count("modify 2,1"), 1);
  EXPECT_TRUE(grid.ChangeCurrentCell(3, 1));
  EXPECT_EQ(Value(2, 1), "1");
  MakeCurrent(2, 1);
  Type(" ");
  Key(GX_VK_ESCAPE);
  MakeCurrent(3, 1);
  EXPECT_EQ(Value(2, 1), "1");
}

// --- radio buttons -------------------------------------------------------------------------------------

TEST_F(ControlTest, RadioItemsAndIndexes) {
  EXPECT_EQ(GXRadioItems("a\r\n\nb\rc").size(), 3u);
  EXPECT_EQ(GXRadioItems("").size(), 0u);
  EXPECT_EQ(GXRadioIndex(""), -1);
  EXPECT_EQ(GXRadioIndex("x"), 0);
  EXPECT_EQ(GXRadioIndex("2"), 2);
}

TEST_F(ControlTest, RadioButtonsChooseByClickAndSpace) {
  // Lines 14 high (the fallback measurer's 15 here): items at y 36, 51, 66 in cell (2, 1), 100 wide.
  grid.StoreRowHeight(2, 60);
  SetCell(2, 1, GX_IDS_CTRL_RADIOBTN, "2", "one\n\ntwo\nthree");
  MakeCurrent(2, 1);
  Type(" ");
  EXPECT_EQ(Value(2, 1), "0");
  Click(CPoint(100 + 18 + 5, 36 + 15 + 5));  // on the text of "two"
  EXPECT_EQ(Value(2, 1), "1");
  Click(CPoint(100 + 18 + 60, 36 + 30 + 5));  // right of the text of "three"
  EXPECT_EQ(Value(2, 1), "1");
  const int nStores = grid.Count("store");
  Click(CPoint(100 + 5, 36 + 15 + 5));  // the selected button again: no store, still a click
  EXPECT_EQ(grid.Count("store"), nStores);
  EXPECT_EQ(grid.Count("button 2,1"), 2);
  SetCell(2, 1, GX_IDS_CTRL_RADIOBTN, "");
  MakeCurrent(3, 1);
  MakeCurrent(2, 1);
  Type(" ");
  EXPECT_EQ(Value(2, 1), "0");
}

TEST_F(ControlTest, RadioButtonExKeepsTheChoiceUntilStored) {
  grid.StoreRowHeight(2, 60);
  SetCell(2, 1, GX_IDS_CTRL_RADIOBTNEX, "0", "one\ntwo", {{GX_IDS_UA_RADIOBUTTONTEXTALIGN, "1"}});
  CGXControl* p = MakeCurrent(2, 1);
  Type(" ");
  EXPECT_EQ(Value(2, 1), "0");
  EXPECT_TRUE(p->GetModify());
  Key(GX_VK_DELETE);
  EXPECT_TRUE(grid.ChangeCurrentCell(3, 1));
  EXPECT_EQ(Value(2, 1), "");
}

// --- spin, hot spot and arrows --------------------------------------------------------------------------

TEST_F(ControlTest, SpinSteps) {
  struct Case {
    const char* pszText;
    BOOL bUp;
    const char *pszMin, *pszMax, *pszWrap, *pszStart;
    long nResult;
  } cases[] = {
      {"10", TRUE, "1", "10", "1", "", 1},   {"1", FALSE, "1", "10", "1", "", 10},
      {"10", TRUE, "1", "10", "0", "", 10},  {"1", FALSE, "1", "10", "0", "", 1},
      {"", TRUE, "", "", "", "5", 5},        {"", FALSE, "", "", "", "5", 5},
      {"abc", TRUE, "", "", "", "", 1},      {"50", FALSE, "1", "10", "0", "", 10},
      {"50", TRUE, "1", "10", "0", "", 10},  {"50", TRUE, "1", "10", "1", "", 1},
      {"-3", FALSE, "", "", "", "", -4},
      {"99999999999999999999", TRUE, "", "", "", "", LONG_MAX},  // no overflow past the largest
  };
  for (const Case& c : cases) {
    CGXStyle style;
    style.SetCustomAttr(GX_IDS_UA_SPINBOUND_MIN, c.pszMin)
        .SetCustomAttr(GX_IDS_UA_SPINBOUND_MAX, c.pszMax)
        .SetCustomAttr(GX_IDS_UA_SPINBOUND_WRAP, c.pszWrap)
        .SetCustomAttr(GX_IDS_UA_SPINSTART, c.pszStart);
    EXPECT_EQ(GXSpinStep(c.pszText, c.bUp, GXReadSpinBounds(style)), c.nResult) << c.pszText << " " << c.bUp;
  }
}

TEST_F(ControlTest, SpinArrowRows) {
  GXARROWROW rows[4];
  ASSERT_EQ(GXSpinArrowRows(CRect(0, 0, 14, 6), TRUE, FALSE, rows), 3);
  EXPECT_EQ(rows[0].nWidth, 1);
  EXPECT_EQ(rows[2].nWidth, 5);
  ASSERT_EQ(GXSpinArrowRows(CRect(0, 0, 14, 6), FALSE, FALSE, rows), 3);
  EXPECT_EQ(rows[0].nWidth, 7);
  EXPECT_EQ(rows[2].nWidth, 3);
  EXPECT_EQ(GXSpinArrowRows(CRect(0, 0, 14, 4), TRUE, FALSE, rows), 0);
  EXPECT_EQ(GXSpinArrowRows(CRect(0, 0, 14, 9), TRUE, FALSE, rows), 4);
}

DWORD g_nFakeTicks = 0;
DWORD FakeTicks() { return g_nFakeTicks; }

TEST_F(ControlTest, SpinArrowsStepTheCellAndRepeatWhileHeld) {
  GXSetTickCountProc(&FakeTicks);
  g_nFakeTicks = 1000;
  SetCell(2, 1, GX_IDS_CTRL_SPINEDIT, "5", nullptr, {{GX_IDS_UA_SPINBOUND_MAX, "100"}});
  CGXControl* p = MakeCurrent(2, 1);
  // Cell (2, 1) is (100, 36)-(200, 54); the arrows stand in its right 15 pixels, the up arrow on top.
  const CPoint up(192, 40), down(192, 50);
  grid.HandleLeftButtonDown(0, up);  // the press is the first click
  EXPECT_EQ(EditText(p), "6");
  g_nFakeTicks += 499;
  grid.HandleMouseMove(0, up);
  EXPECT_EQ(EditText(p), "6");
  g_nFakeTicks += 1;
  grid.HandleMouseMove(0, up);
  EXPECT_EQ(EditText(p), "7");
  g_nFakeTicks += 150;
  grid.HandleMouseMove(0, up);
  EXPECT_EQ(EditText(p), "8");
  g_nFakeTicks += 144;
  grid.HandleMouseMove(0, up);
  EXPECT_EQ(EditText(p), "8");  // the next delay is 145
  g_nFakeTicks += 1;
  grid.HandleMouseMove(0, up);
  EXPECT_EQ(EditText(p), "9");
  grid.HandleLeftButtonUp(0, up);
  Click(down);
  EXPECT_EQ(EditText(p), "8");
  Key(GX_VK_RETURN);
  EXPECT_EQ(Value(2, 1), "8");
  GXSetTickCountProc(nullptr);
}

TEST_F(ControlTest, HotSpotButtonTellsTheGridAndLeavesTheValue) {
  SetCell(2, 1, GX_IDS_CTRL_HOTSPOT, "v");
  MakeCurrent(2, 1);
  Click(CPoint(190, 42));
  EXPECT_EQ(grid.Count("button 2,1"), 1);
  EXPECT_EQ(Value(2, 1), "v");
  CGXHotSpotEdit hot(&grid, GX_IDS_CTRL_HOTSPOT);
  hot.InitChildren(1, 1, CRect(0, 0, 100, 10));
  EXPECT_EQ(hot.m_pHotSpotButton->GetRect(), CRect(86, 0, 99, 10));  // cut to a low cell
}

// --- progress, bitmap, password, push button -------------------------------------------------------------

TEST_F(ControlTest, ProgressBarWidths) {
  struct Case {
    long nValue, nLower, nUpper;
    int nWidth, nFilled;
  } cases[] = {
      {50, 0, 100, 101, 50}, {-5, 0, 100, 100, 0},   {100, 0, 100, 100, 100}, {150, 0, 100, 100, 100},
      {5, 5, 5, 100, 100},   {4, 5, 5, 100, 0},      {0, 0, 0, 80, 80},       {50, 100, 0, 100, 0},
      {0, 100, 0, 100, 100}, {50, 0, 100, 0, 0},
      {LONG_MAX, LONG_MIN, LONG_MAX, 100, 100}, {LONG_MIN, LONG_MIN, LONG_MAX, 100, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GXProgressFilledWidth(c.nValue, c.nLower, c.nUpper, c.nWidth), c.nFilled)
        << c.nValue << " in " << c.nLower << ".." << c.nUpper;
  EXPECT_EQ(std::string(GXFormatProgressCaption("%d%%", 42)), "42%");
  EXPECT_EQ(std::string(GXFormatProgressCaption("%s %n %d", 7)), "%s %n 7");
}

TEST_F(ControlTest, ProgressCellKeepsStoredValuesInsideItsBounds) {
  SetCell(2, 1, GX_IDS_CTRL_PROGRESS, "10", nullptr,
          {{GX_IDS_UA_PROGRESS_LOW, "0"}, {GX_IDS_UA_PROGRESS_HIGH, "100"}, {GX_IDS_UA_PROGRESS_CAPTION, "%d%%"}});
  CGXControl* p = grid.GetRegisteredControl(CGXStyle().SetControl(GX_IDS_CTRL_PROGRESS));
  CGXStyle value;
  value.SetValue("150");
  EXPECT_TRUE(p->StoreStyle(2, 1, &value, CGXStyle::modeOverride, 0, nullptr));
  EXPECT_EQ(Value(2, 1), "100");
  CGXStyle style;
  grid.ComposeStyleRowCol(2, 1, style);
  RecordingSurface surface;
  style.SetValue("42");
  p->Draw(surface, CRect(0, 0, 101, 18), 2, 1, style);
  ASSERT_FALSE(surface.fills.empty());
  EXPECT_EQ(surface.fills[0].rect, CRect(0, 0, 42, 18));
  ASSERT_FALSE(surface.texts.empty());
  EXPECT_EQ(surface.texts[0], "42%");
}

// A BMP file of 2 by 2 pixels, 24 bits: 14 + 40 header bytes and two rows of 8 bytes.
std::vector<BYTE> TinyBmp() {
  std::vector<BYTE> b(14 + 40 + 16, 0);
  b[0] = 'B';
  b[1] = 'M';
  b[10] = 54;
  b[14] = 40;
  b[18] = 2;
  b[22] = 2;
  b[26] = 1;
  b[28] = 24;
  return b;
}

TEST_F(ControlTest, BitmapBytesAreCheckedBeforeUse) {
  std::vector<BYTE> prefixed(78, 0x11);
  const std::vector<BYTE> bmp = TinyBmp();
  prefixed.insert(prefixed.end(), bmp.begin(), bmp.end());
  struct Case {
    const char* pszName;
    std::vector<BYTE> bytes;
    BOOL bKeep;
    BOOL bOk;
    int nSize;
  } cases[] = {
      {"whole", bmp, FALSE, TRUE, 56},
      {"with file header", bmp, TRUE, TRUE, 70},
      {"after a database header", prefixed, FALSE, TRUE, 56},
      {"no signature", std::vector<BYTE>(100, 0), FALSE, FALSE, 0},
      {"signature at the end", {0, 'B', 'M'}, FALSE, FALSE, 0},
      {"cut in the info header", std::vector<BYTE>(bmp.begin(), bmp.begin() + 40), FALSE, FALSE, 0},
      {"cut in the bits", std::vector<BYTE>(bmp.begin(), bmp.end() - 1), FALSE, FALSE, 0},
  };
  std::vector<BYTE> huge = bmp;
  huge[18] = 0xFF;  // width 255: rows past the end
  huge[22] = 0xFF;
  for (const Case& c : cases) {
    CByteArray out;
    EXPECT_EQ(GXCreateDIBFromBytes(c.bytes.data(), c.bytes.size(), c.bKeep, out), c.bOk) << c.pszName;
    EXPECT_EQ((int)out.GetSize(), c.nSize) << c.pszName;
  }
  CByteArray out;
  EXPECT_FALSE(GXCreateDIBFromBytes(huge.data(), huge.size(), FALSE, out));
  std::vector<BYTE> bigHeader = bmp;
  bigHeader[14] = 0xF0;  // an information header longer than the bytes
  EXPECT_FALSE(GXCreateDIBFromBytes(bigHeader.data(), bigHeader.size(), FALSE, out));
  EXPECT_FALSE(GXCreateDIBFromBytes(nullptr, 10, FALSE, out));
}

TEST_F(ControlTest, PasswordCellShowsMaskAndCannotCut) {
  SetCell(2, 1, GX_IDS_CTRL_PASSWORD, "secret");
  CGXControl* p = grid.GetRegisteredControl(CGXStyle().SetControl(GX_IDS_CTRL_PASSWORD));
  CGXStyle style;
  grid.ComposeStyleRowCol(2, 1, style);
  EXPECT_EQ(std::string(p->GetControlText(2, 1, style)), "******");
  p = MakeCurrent(2, 1);
  Key(GX_VK_END);
  EXPECT_EQ(EditText(p), "secret");  // the edit holds the real text
  EXPECT_TRUE(p->Copy());
  EXPECT_FALSE(p->Cut());
  EXPECT_EQ(EditText(p), "secret");
  CString s;
  EXPECT_FALSE(p->GetSelectedText(s));
  EXPECT_EQ(std::string(s), "");
  RecordingSurface surface;
  p->Draw(surface, CRect(100, 36, 199, 53), 2, 1, style);
  ASSERT_FALSE(surface.texts.empty());
  EXPECT_EQ(surface.texts[0], "******");
}

TEST_F(ControlTest, PushButtonClickTellsTheGrid) {
  SetCell(2, 1, GX_IDS_CTRL_PUSHBTN, nullptr, "Go");
  MakeCurrent(2, 1);
  grid.HandleLeftButtonDown(0, CPoint(150, 45));
  grid.HandleLeftButtonUp(0, CPoint(250, 45));  // released outside: no click
  EXPECT_EQ(grid.Count("button"), 0);
  Click(CPoint(150, 45));
  EXPECT_EQ(grid.Count("button 2,1"), 1);
  // Space clicks on release.
  grid.DispatchGridKeys(GX_WM_KEYDOWN, ' ', 1, 0);
  EXPECT_EQ(grid.Count("button 2,1"), 1);
  grid.DispatchGridKeys(GX_WM_KEYUP, ' ', 1, 0);
  EXPECT_EQ(grid.Count("button 2,1"), 2);
  RecordingSurface surface;
  CGXStyle style;
  grid.ComposeStyleRowCol(2, 1, style);
  grid.GetActiveCellControl()->Draw(surface, CRect(100, 36, 199, 53), 2, 1, style);
  ASSERT_FALSE(surface.texts.empty());
  EXPECT_EQ(surface.texts.back(), "Go");
}

}  // namespace
