// The cell control base: validation against a cell's minimum and maximum with its warning text, choice
// list look-ups, the stored value's conversion and maximum length, double-byte characters, class records
// and the factory's controls by id.
#include "ControlTestSupport.h"

#include "GXControlFactory.h"
#include "GXStylesMap.h"
#include "GridTestSupport.h"

#include <cstdio>

namespace {

TEST_F(ControlTest, ValidationRefusesOutOfRangeValuesWithTheWarningText) {
  struct Case {
    const char* pszMin;
    const char* pszMax;
    const char* pszText;
    bool bValid;
  } cases[] = {
      {"10", "20", "15", true},   {"10", "20", "9.5", false}, {"10", "20", "21", false},
      {"10", "", "abc", false},   // text that is no number counts as 0
      {"10", "20", "", true},     // an empty text is not range-checked
      {"", "20", "-5", true},     {"", "", "anything", true}, {"10", "20", "20", true},
  };
  for (const Case& c : cases) {
    SetCell(2, 2, GX_IDS_CTRL_EDIT, "12", nullptr,
            {{GX_IDS_UA_VALID_MIN, c.pszMin}, {GX_IDS_UA_VALID_MAX, c.pszMax}, {GX_IDS_UA_VALID_MSG, "Out of range"}});
    CGXControl* p = MakeCurrent(2, 2);
    ASSERT_NE(p, nullptr);
    grid.SetWarningText(nullptr);
    p->SetCurrentText(c.pszText);
    EXPECT_EQ(p->ValidateInput() != FALSE, c.bValid) << c.pszMin << ".." << c.pszMax << " " << c.pszText;
    EXPECT_EQ(std::string(grid.Warning()), c.bValid ? "" : "Out of range") << c.pszText;
    grid.CommitCurrentCell(FALSE);
  }
}

TEST_F(ControlTest, LeavingAnOutOfRangeCellKeepsItCurrentWithItsText) {
  SetCell(2, 2, GX_IDS_CTRL_EDIT, "12", nullptr, {{GX_IDS_UA_VALID_MAX, "20"}, {GX_IDS_UA_VALID_MSG, "Too big"}});
  MakeCurrent(2, 2);
  Type("99");
  EXPECT_FALSE(grid.ChangeCurrentCell(3, 2));
  ROWCOL r = 0, c = 0;
  ASSERT_TRUE(grid.GetActiveCell(r, c));
  EXPECT_EQ(RecordingGrid::Rc(r, c), "2,2");
  EXPECT_EQ(EditText(grid.GetActiveCellControl()), "99");
  EXPECT_EQ(Value(2, 2), "12");
  EXPECT_EQ(std::string(grid.m_sLastMessageBox), "Too big");
}

TEST_F(ControlTest, ChoiceListLookups) {
  CGXControl& base = *grid.GetRegisteredControl(CGXStyle().SetControl(GX_IDS_CTRL_EDIT));
  struct Find {
    const char* pszList;
    const char* pszText;
    BOOL bExact;
    int nIndex;
    const char* pszFound;
  } finds[] = {
      {"Abc\nab", "ab", FALSE, 1, "ab"},  // an equal line wins over an earlier prefix
      {"Abc\nabd", "ab", FALSE, 0, "Abc"},
      {"Abc\nabd", "ab", TRUE, -1, ""},
      {"one\r\ntwo\rthree", "THREE", TRUE, 2, "three"},
      {"one\ntwo", "", FALSE, -1, ""},
      {"", "x", FALSE, -1, ""},
  };
  for (const Find& f : finds) {
    CString s;
    EXPECT_EQ(base.FindChoiceListItem(s, f.pszText, f.pszList, f.bExact), f.nIndex) << f.pszList << "/" << f.pszText;
    EXPECT_EQ(std::string(s), f.pszFound);
  }
  struct Item {
    const char* pszList;
    int nIndex;
    BOOL bFound;
    const char* pszItem;
  } items[] = {{"a\nb", 3, FALSE, ""}, {"a\nb", 1, TRUE, "b"}, {"a\r\n\r\nc", 1, TRUE, ""},
               {"a\r\n\r\nc", 2, TRUE, "c"}, {"a", -1, FALSE, ""}, {nullptr, 0, FALSE, ""}};
  for (const Item& i : items) {
    CString s = "junk";
    EXPECT_EQ(base.GetChoiceListItem(s, i.pszList, i.nIndex), i.bFound) << i.nIndex;
    EXPECT_EQ(std::string(s), i.pszItem);
  }
}

TEST_F(ControlTest, SetControlTextCutsToTheMaximumLengthAndRespectsReadOnly) {
  CGXStyle style;
  style.SetControl(GX_IDS_CTRL_EDIT).SetMaxLength(5);
  grid.SetStyleRange(CGXCellRange(1, 1, 1, 2), style);
  CGXControl& edit = *grid.GetRegisteredControl(style);
  EXPECT_TRUE(edit.SetControlText(1, 1, "123456"));
  EXPECT_EQ(Value(1, 1), "12345");
  CGXStyle ro;
  ro.SetReadOnly(TRUE);
  grid.SetStyleRange(CGXCellRange(1, 2, 1, 2), ro);
  EXPECT_FALSE(edit.SetControlText(1, 2, "x"));
  EXPECT_EQ(Value(1, 2), "");
}

BOOL FakeLeadByte(BYTE c) { return c >= 0x81 && c <= 0x9F; }

// Records what reaches the character operations.
class CharRecorder : public CGXControl {
 public:
  explicit CharRecorder(CGXGridCore* pGrid) : CGXControl(pGrid) {}
  BOOL Char(UINT nChar, UINT, UINT) override {
    calls.push_back("char " + std::to_string(nChar));
    return TRUE;
  }
  BOOL CharString(const CString& s, UINT, UINT) override {
    calls.push_back("string " + std::to_string(s.GetLength()));
    return TRUE;
  }
  std::vector<std::string> calls;
};

TEST_F(ControlTest, ADoubleByteCharacterReachesCharStringOnce) {
  GXSetIsLeadByteProc(&FakeLeadByte);
  CharRecorder rec(&grid);
  EXPECT_TRUE(rec.ProcessKeys(0x102, 0x88, 1, 0));  // the lead byte is swallowed
  EXPECT_TRUE(rec.calls.empty());
  EXPECT_TRUE(rec.ProcessKeys(0x102, 0x40, 1, 0));
  EXPECT_TRUE(rec.ProcessKeys(0x102, 'a', 1, 0));
  GXSetIsLeadByteProc(nullptr);
  EXPECT_EQ(rec.calls, (std::vector<std::string>{"string 2", "char 97"}));
  EXPECT_FALSE(rec.ProcessKeys(0x200, 0, 1, 0));  // not a key message
}

TEST_F(ControlTest, TheFactoryMakesEachControlByItsId) {
  struct Case {
    WORD nId;
    const char* pszClass;
  } cases[] = {
      {52512, "CGXEditControl"}, {52513, "CGXStatic"},        {52514, "CGXPushbutton"},
      {52515, "CGXRadioButton"}, {52524, "CGXRadioButton"},   {52516, "CGXCheckBox"},
      {52523, "CGXCheckBox"},    {52517, "CGXComboBox"},      {52525, "CGXComboBox"},
      {52531, "CGXComboBox"},    {52518, "CGXHotSpotEdit"},   {52519, "CGXSpinEdit"},
      {52520, "CGXHeader"},      {52521, "CGXVScrollEdit"},   {52536, "CGXProgressCtrl"},
      {52537, "CGXPasswordControl"}, {52541, "CGXTabbedComboBox"}, {20128, "CGXDaoBitmap"},
      {20130, "CGXCheckBoxEx"},  {20131, "CGXCheckBoxEx"},    {20136, "CGXRadioButtonEx"},
      {20137, "CGXRadioButtonEx"}, {52530, "CGXEditControl"}, {4711, "CGXEditControl"},
  };
  for (const Case& c : cases) {
    CGXControl* p = grid.GetRegisteredControl(CGXStyle().SetControl(c.nId));
    ASSERT_NE(p, nullptr) << c.nId;
    EXPECT_STREQ(p->GetRuntimeClass()->pszName, c.pszClass) << c.nId;
  }
  CGXControl* pSpin = grid.GetRegisteredControl(CGXStyle().SetControl(52519));
  EXPECT_TRUE(pSpin->IsKindOf(&CGXStatic::classCGXStatic));
  EXPECT_TRUE(pSpin->IsKindOf(&CGXControl::classCGXControl));
  EXPECT_FALSE(pSpin->IsKindOf(&CGXCheckBox::classCGXCheckBox));
  EXPECT_EQ(pSpin->GetCellTipKind(1, 1, CGXStyle()), 0x7FFFFFFF);
}

#ifndef _WIN32
// Every attribute has a name in the string table.
int AnyAttributeName(UINT nID, LPTSTR lpszBuf, UINT nMaxBuf) {
  return std::snprintf(lpszBuf, nMaxBuf, "Attribute %u", nID);
}
#endif

TEST_F(ControlTest, EveryControlsAttributesAreRegistered) {
  CGXStylesMap map;
#ifndef _WIN32
  AfxSetLoadStringProc(&AnyAttributeName);
#endif
  GXRegisterCellControlAttributes(&map);
#ifndef _WIN32
  AfxSetLoadStringProc(&GridTestLoadString);
#endif
  for (WORD nId : {51011, 51012, 51013, 52570, 51019, 51020, 51014, 51015, 51016, 51021, 51025, 51026, 51027,
                   51057, 52568, 52569, 51028, 51029, 51030, 51031, 51033}) {
    void* p = nullptr;
    EXPECT_TRUE(map.GetCustomAttrMap().Lookup(nId, p)) << nId;
  }
}

}  // namespace
