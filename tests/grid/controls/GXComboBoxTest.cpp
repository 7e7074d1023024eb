// The combo cells: text fit and display choice conversions, the list opened with Alt+Down or the arrow
// button and chosen from by keys and clicks, read-only cells, and the multi-column cell's key and text
// columns.
#include "ControlTestSupport.h"

namespace {

const char* const kFruit = "Apple\napricot\nBanana";

TEST_F(ControlTest, ComboConversionsByMode) {
  struct Case {
    WORD nId;
    const char* pszTyped;
    const char* pszStored;  // nullptr: refused by validation
  } cases[] = {
      {GX_IDS_CTRL_TEXTFIT, "ap", "Apple"},      {GX_IDS_CTRL_TEXTFIT, "APRICOT", "apricot"},
      {GX_IDS_CTRL_TEXTFIT, "x", ""},  // a character no choice begins with is not taken
      {GX_IDS_CTRL_ONEBASED_EX, "banana", "3"},
      {GX_IDS_CTRL_ZEROBASED_EX, "ban", "2"},    {GX_IDS_CTRL_COMBOBOX, "free text", "free text"},
  };
  for (const Case& c : cases) {
    SetCell(2, 1, c.nId, "", kFruit);
    MakeCurrent(2, 1);
    Type(c.pszTyped);
    const BOOL bLeft = grid.ChangeCurrentCell(3, 1);
    EXPECT_EQ(bLeft != FALSE, c.pszStored != nullptr) << c.nId << " " << c.pszTyped;
    if (c.pszStored != nullptr)
      EXPECT_EQ(Value(2, 1), c.pszStored) << c.nId << " " << c.pszTyped;
    else
      grid.CommitCurrentCell(FALSE);
    grid.ChangeCurrentCell(4, 1);
  }
  // Text that matches no choice converts to nothing and does not validate.
  SetCell(2, 1, GX_IDS_CTRL_TEXTFIT, "", kFruit);
  CGXControl* p = MakeCurrent(2, 1);
  EXPECT_FALSE(p->ValidateText("x"));
  CString s = "x";
  EXPECT_TRUE(p->ConvertControlTextToValue(s, 2, 1, nullptr));
  EXPECT_EQ(std::string(s), "");
}

TEST_F(ControlTest, ComboDisplayTexts) {
  struct Case {
    WORD nId;
    const char* pszValue;
    const char* pszShown;
  } cases[] = {
      {GX_IDS_CTRL_ONEBASED_EX, "2", "apricot"}, {GX_IDS_CTRL_ONEBASED_EX, "0", ""},
      {GX_IDS_CTRL_ZEROBASED_EX, "2", "Banana"}, {GX_IDS_CTRL_ZEROBASED_EX, "7", ""},
      {GX_IDS_CTRL_ZEROBASED, "1", "1"},         {GX_IDS_CTRL_TEXTFIT, "Banana", "Banana"},
  };
  for (const Case& c : cases) {
    CGXStyle style;
    style.SetControl(c.nId).SetValue(c.pszValue).SetChoiceText(kFruit);
    EXPECT_EQ(std::string(grid.GetRegisteredControl(style)->GetControlText(1, 1, style)), c.pszShown)
        << c.nId << " " << c.pszValue;
  }
}

TEST_F(ControlTest, ComboIndexesAreNotCutTo16Bits) {
  CString sList;
  for (int i = 0; i <= 65537; ++i) {
    CString s;
    s.Format("L%d\n", i);
    sList += s;
  }
  CGXStyle style;
  style.SetControl(GX_IDS_CTRL_ZEROBASED_EX).SetValue("65537").SetChoiceText(sList);
  EXPECT_EQ(std::string(grid.GetRegisteredControl(style)->GetControlText(1, 1, style)), "L65537");
}

TEST_F(ControlTest, ComboListOpensWithAltDownAndIsChosenByKeys) {
  SetCell(2, 1, GX_IDS_CTRL_TEXTFIT, "apricot", kFruit);
  auto* p = static_cast<CGXComboBox*>(MakeCurrent(2, 1));
  SysKey(GX_VK_DOWN);
  ASSERT_TRUE(p->IsDroppedDown());
  EXPECT_TRUE(p->IsActive());
  EXPECT_EQ(p->GetListSel(), 1);
  Key(GX_VK_DOWN);  // the new selection goes into the edit at once
  EXPECT_EQ(EditText(p), "Banana");
  EXPECT_TRUE(p->IsDroppedDown());
  Key(GX_VK_ESCAPE);  // closes, keeping that text
  EXPECT_FALSE(p->IsDroppedDown());
  EXPECT_EQ(EditText(p), "Banana");
  SysKey(GX_VK_DOWN);
  Key(GX_VK_UP);
  Key(GX_VK_RETURN);
  EXPECT_FALSE(p->IsDroppedDown());
  EXPECT_EQ(EditText(p), "apricot");
  Key(GX_VK_RETURN);
  EXPECT_EQ(Value(2, 1), "apricot");
  EXPECT_EQ(grid.Count("store 2,1="), 1);
}

TEST_F(ControlTest, ComboListClickChoosesAndLosingFocusStoresOnce) {
  SetCell(2, 1, GX_IDS_CTRL_ONEBASED_EX, "1", kFruit);
  auto* p = static_cast<CGXComboBox*>(MakeCurrent(2, 1));
  Click(CPoint(192, 42));  // the arrow button at the cell's right edge
  ASSERT_TRUE(p->IsDroppedDown());
  p->OnListClick(2);
  EXPECT_FALSE(p->IsDroppedDown());
  EXPECT_EQ(EditText(p), "Banana");
  Click(CPoint(192, 42));
  ASSERT_TRUE(p->IsDroppedDown());
  const int nStores = grid.Count("store");
  grid.HandleKillFocus(FALSE);
  EXPECT_FALSE(p->IsDroppedDown());
  EXPECT_EQ(grid.Count("store") - nStores, 1);
  EXPECT_EQ(Value(2, 1), "3");
}

TEST_F(ControlTest, ComboListSelectionFollowsTheMode) {
  SetCell(2, 1, GX_IDS_CTRL_ZEROBASED, "1", kFruit);
  auto* p = static_cast<CGXComboBox*>(MakeCurrent(2, 1));
  EXPECT_EQ(EditText(p), "1");
  p->ShowDropDown(TRUE);
  EXPECT_EQ(p->GetListSel(), 1);
  EXPECT_EQ(p->DropDownHeight(16), 3 * 16 + 8);
  p->ShowDropDown(FALSE);
  SetCell(3, 1, GX_IDS_CTRL_COMBOBOX, "", "");
  p = static_cast<CGXComboBox*>(MakeCurrent(3, 1));
  p->ShowDropDown(TRUE);
  EXPECT_EQ(p->GetListSel(), -1);
  EXPECT_EQ(p->DropDownHeight(16), 8);  // an empty list is half an item high
  p->OnListSelect();                    // nothing selected: nothing taken
  EXPECT_EQ(EditText(p), "");
}

TEST_F(ControlTest, ReadOnlyComboKeepsItsText) {
  SetCell(2, 1, GX_IDS_CTRL_COMBOBOX, "keep", kFruit);
  CGXStyle ro;
  ro.SetReadOnly(TRUE);
  grid.SetStyleRange(CGXCellRange(2, 1, 2, 1), ro);
  auto* p = static_cast<CGXComboBox*>(MakeCurrent(2, 1));
  p->SetActive(TRUE);
  EXPECT_FALSE(p->ReplaceSel("changed"));
  EXPECT_EQ(EditText(p), "keep");
  p->ShowDropDown(TRUE);  // a read-only cell opens its list, but picking changes nothing
  p->OnListClick(2);
  EXPECT_EQ(EditText(p), "keep");
  EXPECT_FALSE(p->GetModify());
}

// --- multi-column ---------------------------------------------------------------------------------------

const char* const kColours = "Code\tName\n1\tRed\n2\tGreen\n3\tRedwood";

TEST_F(ControlTest, TabFieldsAndEntries) {
  struct Field {
    const char* pszLine;
    int n;
    int nMax;
    const char* pszField;
  } fields[] = {{"a\tb\tc", 1, 127, "b"}, {"a\tb\tc", 3, 127, ""}, {"abcdef", 0, 3, "abc"}, {"\t\t", 1, 127, ""}};
  for (const Field& f : fields)
    EXPECT_EQ(std::string(GXGetTabField(f.pszLine, f.n, f.nMax)), f.pszField) << f.pszLine << " " << f.n;
  CString sLine;
  EXPECT_EQ(GXFindChoiceListEntry("2", 0, kColours, TRUE, sLine, TRUE), 1);
  EXPECT_EQ(std::string(sLine), "2\tGreen");
  EXPECT_EQ(GXFindChoiceListEntry("gr", 1, kColours, TRUE, sLine, FALSE), 1);
  EXPECT_EQ(GXFindChoiceListEntry("Code", 0, kColours, TRUE, sLine, TRUE), -1);  // the title is no entry
  CString sKey;
  // An exact text wins over an earlier entry that only begins with it.
  EXPECT_TRUE(GXTabbedKeyForText("Red", "1\tRedwood\n2\tRed", 0, 1, FALSE, sKey));
  EXPECT_EQ(std::string(sKey), "2");
  EXPECT_TRUE(GXTabbedKeyForText("red", "1\tRedwood\n2\tRed", 0, 1, FALSE, sKey));
  EXPECT_EQ(std::string(sKey), "1");
  EXPECT_FALSE(GXTabbedKeyForText("Blue", "1\tRedwood\n2\tRed", 0, 1, FALSE, sKey));
}

TEST_F(ControlTest, MultiColumnComboStoresTheKeyAndShowsTheText) {
  SetCell(2, 1, GX_IDS_CTRL_TABBED_COMBO, "2", kColours,
          {{GX_IDS_UA_TABLIST_KEYCOL, "0"}, {GX_IDS_UA_TABLIST_TEXTCOL, "1"}, {GX_IDS_UA_TABLIST_TITLES, "1"}});
  CGXStyle style;
  grid.ComposeStyleRowCol(2, 1, style);
  CGXControl* p = grid.GetRegisteredControl(style);
  EXPECT_EQ(std::string(p->GetControlText(2, 1, style)), "Green");
  p = MakeCurrent(2, 1);
  EXPECT_EQ(EditText(p), "Green");
  p->SetActive(TRUE);
  p->SetCurrentText("Red");
  EXPECT_TRUE(grid.ChangeCurrentCell(3, 1));
  EXPECT_EQ(Value(2, 1), "1");
  // A prefix passes validation while typing but is never stored as if it were a name of the line.
  p = MakeCurrent(2, 1);
  EXPECT_TRUE(p->ValidateText("Gr"));
  CString s = "Gr";
  EXPECT_FALSE(p->ConvertControlTextToValue(s, 2, 1, nullptr));
  EXPECT_TRUE(p->ValidateText("Gr"));
  s = "Gr";
  EXPECT_FALSE(p->ConvertControlTextToValue(s, 2, 1, nullptr));
  Type("Gr");
  EXPECT_FALSE(grid.ChangeCurrentCell(3, 1));
  grid.CommitCurrentCell(FALSE);
  EXPECT_EQ(Value(2, 1), "1");
}

TEST_F(ControlTest, WindowedMultiColumnValueTakesAnExactTextBeforeAPrefix) {
  const char* const kTrees = "1\tRedwood\n2\tRed\n3\tOak";
  struct Case {
    WORD nId;
    const char* pszTyped;
    BOOL bOk;
    const char* pszKey;
  } cases[] = {
      {GX_IDS_CTRL_TABBED_DROPDOWN, "Red", TRUE, "2"},   {GX_IDS_CTRL_TABBED_DROPDOWN, "Redw", TRUE, "1"},
      {GX_IDS_CTRL_TABBED_DROPDOWN, "o", TRUE, "3"},
      {GX_IDS_CTRL_TABBED_DROPDOWN, "Pine", TRUE, ""},  // refused as typed
      {GX_IDS_CTRL_TABBED_COMBO, "Red", TRUE, "2"},      {GX_IDS_CTRL_TABBED_COMBO, "Redw", FALSE, ""},
  };
  for (const Case& c : cases) {
    SetCell(2, 1, c.nId, "", kTrees, {{GX_IDS_UA_TABLIST_TEXTCOL, "1"}});
    CGXControl* p = MakeCurrent(2, 1);
    p->SetActive(TRUE);
    p->SetCurrentText(c.pszTyped);
    CString s;
    EXPECT_EQ(p->GetValue(s), c.bOk) << c.nId << " " << c.pszTyped;
    EXPECT_EQ(std::string(s), c.pszKey) << c.nId << " " << c.pszTyped;
    grid.CommitCurrentCell(FALSE);
    MakeCurrent(3, 1);
  }
}

}  // namespace
