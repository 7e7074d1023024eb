// The formula sheet as a grid's cell store: text as typed becoming numbers, texts and formulas,
// styles riding on engine cells, the grid's row, column and block operations moving references,
// sorting, names, undo records, copies from plain stores, the stored form, and a grid engine that
// recalculates and redraws the cells a change reaches.
#include "EngineState.h"
#include "FormulaEval.h"
#include "GXFormulaSheet.h"
#include "GXGridCore.h"
#include "GXGridParam.h"

#include "GridTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>

namespace {

std::string Str(const CString& s) { return std::string((const char*)s, (size_t)s.GetLength()); }

class FormulaSheetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sheet.SetRowCount(20);
    sheet.SetColCount(8);
  }
  // Stores text as the grid stores a typed value.
  BOOL Type(ROWCOL r, ROWCOL c, const char* text) {
    CGXStyle style;
    style.SetValue(text);
    return sheet.StoreStyleRowCol(r, c, &style, CGXStyle::modeOverride, 1);
  }
  std::string Shown(ROWCOL r, ROWCOL c) {
    CGXStyle style;
    if (!sheet.GetStyleRowCol(r, c, style, CGXStyle::modeCopy, 0))
      return "<none>";
    return Str(style.GetValue());
  }
  std::string Edit(ROWCOL r, ROWCOL c) { return Str(sheet.GetEditTextAt(r, c)); }
  CGXFormulaSheet sheet;
};

}  // namespace

TEST_F(FormulaSheetTest, TypedTextBecomesNumbersTextsAndFormulas) {
  static const struct {
    const char* typed;
    const char* shown;
    const char* edit;
    int valueType;  // of the grid style: 0 text, 1 number, 3 error
  } kCases[] = {
      {"12.5", "12.5", "12.5", 1},
      {" -3e2 ", "-300", "-300", 1},
      {"#n/a", "#N/A", "#N/A", 0},
      {"#N/A", "#N/A", "#N/A", 0},
      {"'123", "123", "'123", 0},
      {"hello", "hello", "'hello", 0},
      {"C:\\new", "C:\\new", "'C:\\new", 0},
      {"=0.1+0.2", "0.3", "=0.1+0.2", 1},
      {"=1/0", "Error!", "=1/0", 3},
      {"=NA()", "#N/A", "=NA()", 0},
      {"=\"a\\tb\"", "a\tb", "=\"a\\tb\"", 0},
      {"0x10", "0x10", "'0x10", 0},
      {"nan", "nan", "'nan", 0},
      {"", "", "", 0},
  };
  for (const auto& c : kCases) {
    ASSERT_TRUE(Type(2, 3, c.typed)) << c.typed;
    CGXStyle style;
    ASSERT_TRUE(sheet.GetStyleRowCol(2, 3, style, CGXStyle::modeCopy, 0)) << c.typed;
    EXPECT_EQ(Str(style.GetValue()), c.shown) << c.typed;
    EXPECT_EQ((int)style.GetValueType(), c.valueType) << c.typed;
    EXPECT_EQ(Edit(2, 3), c.edit) << c.typed;
    // The edit text comes as a formula value with value kind 1.
    CGXStyle edit;
    ASSERT_TRUE(sheet.GetStyleRowCol(2, 3, edit, CGXStyle::modeCopy, 1));
    EXPECT_EQ(Str(edit.GetValue()), c.edit) << c.typed;
    EXPECT_EQ(edit.GetValueType(), 2u) << c.typed;
  }
}

TEST_F(FormulaSheetTest, GridCoordinatesMapOntoEngineCells) {
  ASSERT_TRUE(Type(1, 1, "7"));
  EngineSheet* s = GetEngineSheet(sheet.GetEngineSheetNumber());
  EngineCell* a1 = FindEngineCell(s, 1, 0);
  ASSERT_NE(a1, nullptr);  // grid column 1 is engine column 0
  EXPECT_EQ(sheet.FindCell(1, 1), a1);
  EXPECT_EQ(sheet.GetValueTextAt(1, 1), "7");
  ASSERT_TRUE(Type(3, 2, "=A1*2"));
  EXPECT_EQ(Shown(3, 2), "14");
  EXPECT_EQ(Shown(4, 4), "<none>");
  // Beyond the engine's columns and rows nothing is stored.
  EXPECT_FALSE(sheet.SetNumberValue(1, 4097, 1));
  EXPECT_FALSE(sheet.SetNumberValue(8388608, 1, 1));
  EXPECT_TRUE(sheet.SetNumberValue(8388607, 4096, 1));
}

TEST_F(FormulaSheetTest, ValueKindAndValueTypeDecideHowAValueIsRead) {
  CGXStyle text;
  text.SetValue("=1+1");
  ASSERT_TRUE(sheet.StoreStyleRowCol(1, 1, &text, CGXStyle::modeOverride, 0));
  EXPECT_EQ(Edit(1, 1), "'=1+1");  // not typed: a text
  CGXStyle number;
  number.SetValue("4.25");
  number.SetValueType(CGXStyle::valueNumber);
  ASSERT_TRUE(sheet.StoreStyleRowCol(1, 2, &number, CGXStyle::modeOverride, 0));
  double d = 0;
  sheet.GetNumberValue(1, 2, d);
  EXPECT_EQ(d, 4.25);
}

TEST_F(FormulaSheetTest, BadFormulaIsNotStoredAndLeavesItsMessage) {
  ASSERT_TRUE(Type(1, 2, "5"));
  sheet.ResetError();
  CString msg;
  EXPECT_FALSE(sheet.GetLastError(msg));
  EXPECT_FALSE(Type(1, 2, "=1+"));
  EXPECT_EQ(Shown(1, 2), "5");  // the old value stays
  ASSERT_TRUE(sheet.GetLastError(msg));
  EXPECT_EQ(Str(msg).rfind("Cell B1: ERROR: ", 0), 0u) << Str(msg);
  EXPECT_NE(Str(msg).find("(Pos "), std::string::npos) << Str(msg);
  sheet.ResetError();
  EXPECT_FALSE(sheet.GetLastError(msg));
  EXPECT_FALSE(sheet.SetFormula(1, 2, "1+1"));  // a formula begins with "="
}

TEST_F(FormulaSheetTest, StylesRideOnEngineCellsByMode) {
  CGXStyle red;
  red.SetInterior((DWORD)0x0000FF);
  red.SetValue("=2*3");
  ASSERT_TRUE(sheet.StoreStyleRowCol(2, 2, &red, CGXStyle::modeOverride, 1));
  CGXStyle got;
  ASSERT_TRUE(sheet.GetStyleRowCol(2, 2, got, CGXStyle::modeCopy, 0));
  EXPECT_TRUE(got.GetInclude(CGXStyle::gxInterior));
  EXPECT_EQ(Str(got.GetValue()), "6");

  // A value-only copy drops the attached style and keeps the value.
  CGXStyle value;
  value.SetValue("9");
  ASSERT_TRUE(sheet.StoreStyleRowCol(2, 2, &value, CGXStyle::modeCopy, 1));
  ASSERT_TRUE(sheet.GetStyleRowCol(2, 2, got, CGXStyle::modeCopy, 0));
  EXPECT_FALSE(got.GetInclude(CGXStyle::gxInterior));
  EXPECT_EQ(Str(got.GetValue()), "9");

  // Removing the value of a cell with a style keeps the style and empties the value.
  ASSERT_TRUE(sheet.StoreStyleRowCol(2, 2, &red, CGXStyle::modeOverride, 1));
  CGXStyle valueOnly;
  valueOnly.SetValue("");
  ASSERT_TRUE(sheet.StoreStyleRowCol(2, 2, &valueOnly, CGXStyle::modeRemove, 0));
  ASSERT_TRUE(sheet.GetStyleRowCol(2, 2, got, CGXStyle::modeCopy, 0));
  EXPECT_TRUE(got.GetInclude(CGXStyle::gxInterior));
  EXPECT_EQ(Str(got.GetValue()), "");
  // Without a style the cell goes.
  ASSERT_TRUE(Type(3, 3, "1"));
  ASSERT_TRUE(sheet.StoreStyleRowCol(3, 3, &valueOnly, CGXStyle::modeRemove, 0));
  EXPECT_EQ(sheet.FindCell(3, 3), nullptr);
  // Mode 4, an empty copy and a null style delete.
  ASSERT_TRUE(sheet.StoreStyleRowCol(2, 2, &red, CGXStyle::modeDelete, 0));
  EXPECT_EQ(sheet.FindCell(2, 2), nullptr);
  ASSERT_TRUE(Type(2, 2, "1"));
  CGXStyle empty;
  ASSERT_TRUE(sheet.StoreStyleRowCol(2, 2, &empty, CGXStyle::modeCopy, 0));
  EXPECT_EQ(sheet.FindCell(2, 2), nullptr);
  ASSERT_TRUE(Type(2, 2, "1"));
  ASSERT_TRUE(sheet.StoreStyleRowCol(2, 2, nullptr, CGXStyle::modeOverride, 0));
  EXPECT_EQ(sheet.FindCell(2, 2), nullptr);
  // A style without a value makes an empty cell to carry it.
  CGXStyle onlyRed;
  onlyRed.SetInterior((DWORD)0x0000FF);
  ASSERT_TRUE(sheet.StoreStyleRowCol(4, 4, &onlyRed, CGXStyle::modeOverride, 0));
  ASSERT_NE(sheet.FindCell(4, 4), nullptr);
  EXPECT_EQ(Shown(4, 4), "");
  // Headers and whole rows stay in the plain store.
  ASSERT_TRUE(sheet.StoreStyleRowCol(0, 3, &onlyRed, CGXStyle::modeOverride, 0));
  ASSERT_TRUE(sheet.StoreStyleRowCol(5, 0, &onlyRed, CGXStyle::modeOverride, -1));
  EXPECT_NE(sheet.GetStoredStyle(0, 3, 0), nullptr);
  EXPECT_NE(sheet.GetStoredStyle(5, 0, -1), nullptr);
}

TEST_F(FormulaSheetTest, NumberFormatsAndDateFormattedNumbers) {
  EXPECT_EQ(sheet.GetNumberFormat(1, 1), 0u);
  ASSERT_TRUE(sheet.SetNumberFormat(1, 1, 11, 0));  // creates the cell
  UINT places = 99;
  EXPECT_EQ(sheet.GetNumberFormat(1, 1, &places), 11u);
  EXPECT_EQ(places, 0u);
  // A number typed into a date-formatted cell turns it into a plain number with 15 places.
  ASSERT_TRUE(Type(1, 1, "42"));
  EXPECT_EQ(sheet.GetNumberFormat(1, 1, &places), 3u);
  EXPECT_EQ(places, 15u);
}

TEST_F(FormulaSheetTest, RowAndColumnOperationsMoveReferences) {
  ASSERT_TRUE(Type(3, 1, "10"));
  ASSERT_TRUE(Type(1, 2, "=A3*2"));
  ASSERT_TRUE(sheet.InsertRows(2, 2));
  EXPECT_EQ(sheet.GetRowCount(), 22u);
  EXPECT_EQ(Edit(1, 2), "=A5*2");
  EXPECT_EQ(Shown(1, 2), "20");
  ASSERT_TRUE(sheet.InsertCols(1, 1));
  EXPECT_EQ(Edit(1, 3), "=B5*2");
  ASSERT_TRUE(sheet.MoveRows(5, 5, 8));
  EXPECT_EQ(Edit(1, 3), "=B8*2");
  ASSERT_TRUE(sheet.MoveCols(2, 2, 5));
  EXPECT_EQ(Edit(1, 2), "=E8*2");
  EXPECT_EQ(Shown(1, 2), "20");
  // Removing the referenced row loses the reference rather than pointing at what moved up.
  ASSERT_TRUE(Type(9, 5, "77"));
  ASSERT_TRUE(sheet.RemoveRows(8, 8));
  EXPECT_EQ(Edit(1, 2), "=??*2");
  EXPECT_EQ(Shown(1, 2), "Error!");
  EXPECT_EQ(Shown(8, 5), "77");
  ASSERT_TRUE(Type(1, 3, "=A1"));
  ASSERT_TRUE(sheet.RemoveCols(1, 1));
  EXPECT_EQ(Edit(1, 2), "=??");
}

TEST_F(FormulaSheetTest, CopyAndMoveCellsAdjustRelativeReferences) {
  ASSERT_TRUE(Type(1, 1, "2"));
  ASSERT_TRUE(Type(2, 1, "3"));
  ASSERT_TRUE(Type(1, 2, "=A1*10"));
  ASSERT_TRUE(sheet.CopyCells(CGXCellRange(1, 2, 1, 2), 2, 2));
  EXPECT_EQ(Edit(2, 2), "=A2*10");
  EXPECT_EQ(Shown(2, 2), "30");
  ASSERT_TRUE(sheet.MoveCells(CGXCellRange(1, 1, 2, 1), 5, 4, nullptr, 0, 0));
  EXPECT_EQ(sheet.FindCell(1, 1), nullptr);
  EXPECT_EQ(Edit(1, 2), "=D5*10");
  EXPECT_EQ(Edit(2, 2), "=D6*10");
  EXPECT_EQ(Shown(2, 2), "30");
}

TEST_F(FormulaSheetTest, SortingRowsCarriesSingleRowReferences) {
  ASSERT_TRUE(Type(1, 1, "30"));
  ASSERT_TRUE(Type(2, 1, "10"));
  ASSERT_TRUE(Type(3, 1, "20"));
  ASSERT_TRUE(Type(1, 3, "=A2"));
  CGXCellRange rows;
  rows.SetRows(1, 3);
  CDWordArray order;
  order.Add(1);  // new row 1 is old row 2
  order.Add(2);
  order.Add(0);
  ASSERT_TRUE(sheet.SortRows(&rows, &order));
  EXPECT_EQ(Shown(1, 1), "10");
  EXPECT_EQ(Shown(2, 1), "20");
  EXPECT_EQ(Shown(3, 1), "30");
  // The formula moved from row 1 to row 3, and its reference follows the 10 to row 1.
  EXPECT_EQ(Edit(3, 3), "=A1");
  EXPECT_EQ(Shown(3, 3), "10");
  CDWordArray bad;
  bad.Add(0);
  bad.Add(0);
  bad.Add(1);
  EXPECT_FALSE(sheet.SortRows(&rows, &bad));
  EXPECT_FALSE(sheet.SortRows(&rows, nullptr));
}

TEST_F(FormulaSheetTest, RangeNamesInGridCoordinatesWithUndo) {
  ASSERT_TRUE(Type(1, 1, "1"));
  ASSERT_TRUE(Type(2, 1, "2"));
  ASSERT_TRUE(sheet.SetRangeName("Pair", CGXCellRange(1, 1, 2, 1)));
  CGXCellRange r;
  ASSERT_TRUE(sheet.GetRangeName("pair", r));
  EXPECT_EQ(r.top, 1u);
  EXPECT_EQ(r.left, 1u);
  EXPECT_EQ(r.bottom, 2u);
  EXPECT_EQ(r.right, 1u);
  ASSERT_TRUE(Type(3, 2, "=SUM(Pair)"));
  EXPECT_EQ(Shown(3, 2), "3");
  CObject* pUndo = nullptr;
  ASSERT_TRUE(sheet.DeleteRangeName("Pair", &pUndo, TRUE));
  ASSERT_NE(pUndo, nullptr);
  EXPECT_FALSE(sheet.GetRangeName("Pair", r));
  EXPECT_FALSE(sheet.DeleteRangeName("Pair"));
  ASSERT_TRUE(sheet.SetRangeName(nullptr, CGXCellRange(), pUndo));
  EXPECT_TRUE(sheet.GetRangeName("Pair", r));
  EXPECT_EQ(Shown(3, 2), "3");
  delete pUndo;
  CGXStyle notARecord;
  EXPECT_FALSE(sheet.SetRangeName(nullptr, CGXCellRange(), &notARecord));
}

TEST_F(FormulaSheetTest, UndoRecordPutsBackWhatAMoveOverwrote) {
  ASSERT_TRUE(Type(1, 1, "1"));
  ASSERT_TRUE(Type(1, 2, "=2*3"));
  ASSERT_TRUE(Type(1, 3, "=B1+1"));
  EXPECT_EQ(sheet.SetUndoMode(1), 0);
  CObject* pInfo = nullptr;
  ASSERT_TRUE(sheet.MoveCells(CGXCellRange(1, 1, 1, 1), 1, 2, &pInfo, 0, 0));
  ASSERT_NE(pInfo, nullptr);
  EXPECT_EQ(Shown(1, 2), "1");
  EXPECT_EQ(Shown(1, 3), "2");
  EXPECT_TRUE(sheet.ApplyUndoInfo(pInfo, 0, FALSE));
  EXPECT_EQ(Edit(1, 2), "=2*3");
  EXPECT_EQ(Shown(1, 3), "7");
  delete pInfo;
  EXPECT_EQ(sheet.SetUndoMode(0), 1);
  CGXStyle notARecord;
  EXPECT_FALSE(sheet.ApplyUndoInfo(&notARecord, 0, FALSE));
  EXPECT_FALSE(sheet.ApplyUndoInfo(nullptr, 0, FALSE));
  EXPECT_EQ(sheet.DetachUndoInfo(), nullptr);
}

TEST_F(FormulaSheetTest, ChangedFlagsFollowRecalculation) {
  ASSERT_TRUE(Type(1, 1, "1"));
  ASSERT_TRUE(Type(1, 2, "=A1+1"));
  ASSERT_TRUE(Type(1, 3, "=B1+1"));
  EXPECT_EQ(Shown(1, 3), "3");
  for (ROWCOL c = 1; c <= 3; c++)
    sheet.SetUpdateFlag(1, c, FALSE);
  ASSERT_TRUE(Type(1, 1, "5"));
  sheet.Recalc(FALSE);
  EXPECT_TRUE(sheet.GetUpdateFlag(1, 1));
  EXPECT_TRUE(sheet.GetUpdateFlag(1, 2));
  EXPECT_TRUE(sheet.GetUpdateFlag(1, 3));
  EXPECT_EQ(Shown(1, 3), "7");
  EXPECT_FALSE(sheet.GetUpdateFlag(4, 4));  // no cell
  // Manual recalculation leaves dependents alone until a forced one.
  ASSERT_TRUE(sheet.SetManualRecalc(TRUE));
  EXPECT_TRUE(sheet.GetManualRecalc());
  EXPECT_FALSE(sheet.SetIterationLimit(101));
  EXPECT_TRUE(sheet.SetIterationLimit(3));
  EXPECT_EQ(sheet.GetIterationLimit(), 3);
}

TEST_F(FormulaSheetTest, ComputeExpressionOutsideAnyCell) {
  ASSERT_TRUE(Type(1, 1, "6"));
  CString out;
  EXPECT_TRUE(sheet.ComputeExpression(out, "=A1*7"));
  EXPECT_EQ(out, "42");
  EXPECT_FALSE(sheet.ComputeExpression(out, "=1/0"));
  EXPECT_EQ(out, "Error!");
  CString before = "untouched";
  out = before;
  EXPECT_FALSE(sheet.ComputeExpression(out, "=(("));
}

TEST_F(FormulaSheetTest, AssignmentFromPlainAndFormulaStores) {
  CGXData plain;
  CGXStyle style;
  style.SetValue("=3*4");
  plain.StoreStyleRowCol(2, 2, &style, CGXStyle::modeCopy, 0);
  CGXStyle red;
  red.SetInterior((DWORD)0x0000FF).SetValue("abc");
  plain.StoreStyleRowCol(3, 1, &red, CGXStyle::modeCopy, 0);
  CGXStyle header;
  header.SetValue("H");
  plain.StoreStyleRowCol(3, 0, &header, CGXStyle::modeCopy, 0);
  sheet = plain;
  EXPECT_EQ(sheet.GetRowCount(), 3u);
  EXPECT_EQ(Shown(2, 2), "12");
  EXPECT_EQ(Shown(3, 1), "abc");
  CGXStyle got;
  ASSERT_TRUE(sheet.GetStyleRowCol(3, 1, got, CGXStyle::modeCopy, 0));
  EXPECT_TRUE(got.GetInclude(CGXStyle::gxInterior));
  // The header cell stays in the plain store; the moved cells leave it.
  EXPECT_NE(sheet.GetStoredStyle(3, 0, 0), nullptr);
  EXPECT_EQ(sheet.GetStoredStyle(3, 1, 0), nullptr);
  EXPECT_EQ(sheet.GetStoredStyle(2, 2, 0), nullptr);

  CGXFormulaSheet copy;
  ASSERT_TRUE(sheet.SetRangeName("N", CGXCellRange(2, 2, 2, 2)));
  ASSERT_TRUE(Type(4, 4, "=N+1"));
  sheet.SetIterationLimit(7);
  copy = sheet;
  EXPECT_EQ(copy.GetIterationLimit(), 7);
  EXPECT_EQ(copy.GetValueTextAt(4, 4), "13");
  EXPECT_EQ(copy.GetRowCount(), sheet.GetRowCount());
  // The copy is its own: changing the original leaves it.
  ASSERT_TRUE(Type(2, 2, "100"));
  EXPECT_EQ(copy.GetValueTextAt(2, 2), "12");
  copy = copy;
  EXPECT_EQ(copy.GetValueTextAt(4, 4), "13");
}

TEST_F(FormulaSheetTest, InitParamTurnsOnDirectCopy) {
  CGXGridParam param;
  sheet.InitParam(&param);
  EXPECT_TRUE(param.m_bDirectCopyPaste);
  EXPECT_TRUE(param.m_bDirectCutPaste);
  EXPECT_TRUE(param.m_bDirectDragDrop);
  EXPECT_EQ(param.m_nDirectOptions, 1);
  CGXStyle notAParam;
  sheet.InitParam(&notAParam);  // ignored
}

// --- stored form ---------------------------------------------------------------------------------

TEST_F(FormulaSheetTest, GoldenBytes) {
  ASSERT_TRUE(Type(1, 1, "1.5"));
  ASSERT_TRUE(Type(1, 2, "=A1*2"));
  Bytes saved = Store([&](CArchive& ar) { sheet.Serialize(ar); });
  // The plain store's part, as a plain store of the same size writes it.
  CGXData plain;
  plain.SetRowCount(20);
  plain.SetColCount(8);
  Bytes data = Store([&](CArchive& ar) { plain.Serialize(ar); });
  ASSERT_FALSE(data.empty());
  ByteString expected;
  expected.Le(1, 2);  // schema
  expected.bytes.insert(expected.bytes.end(), data.begin(), data.end());
  expected.Le(0, 2).Le(0, 2).Le(0, 2).Le(0, 2).Le(0, 2);  // settings
  expected.Le(0, 2);                                      // no names
  expected.B({1, 1, 3, 0x08}).Le(1, 4).Le(0, 4).Le(0, 2);  // A1: number constant, changed, no style
  expected.B({0, 0, 0, 0, 0, 0, 0xF8, 0x3F});              // 1.5
  expected.B({1, 3, 3, 0x0A}).Le(1, 4).Le(1, 4).Le(0, 2);  // B1: formula, current and changed
  expected.B({5}).Text("=A1*2");
  expected.B({0, 0, 0, 0, 0, 0, 0x08, 0x40});  // 3
  expected.B({0});                             // end
  EXPECT_EQ(saved, expected.bytes);
}

TEST_F(FormulaSheetTest, StoredAndLoadedThroughTheParameterObject) {
  ASSERT_TRUE(Type(1, 1, "2"));
  ASSERT_TRUE(Type(2, 1, std::string(600, 'x').c_str()));
  ASSERT_TRUE(Type(3, 3, "=A1*512"));
  CGXStyle red;
  red.SetInterior((DWORD)0x0000FF);
  ASSERT_TRUE(sheet.StoreStyleRowCol(3, 3, &red, CGXStyle::modeOverride, 0));
  ASSERT_TRUE(sheet.SetRangeName("Top", CGXCellRange(1, 1, 1, 1)));
  sheet.SetBlanksAreZero(TRUE);

  CGXGridParam param;
  auto* pSheet = new CGXFormulaSheet;
  *pSheet = sheet;
  param.SetData(pSheet, TRUE);
  param.SetStylesMap(new CGXStylesMap(RUNTIME_CLASS(CGXStyle)), TRUE);
  param.SetProperties(new CGXProperties, TRUE);
  Bytes bytes = Store([&](CArchive& ar) { ar.WriteObject(&param); });
  std::unique_ptr<CObject> pLoaded(ReadObjectFromBytes(bytes.data(), (UINT)bytes.size(), RUNTIME_CLASS(CGXGridParam)));
  ASSERT_NE(pLoaded, nullptr);
  auto* pData = static_cast<CGXGridParam*>(pLoaded.get())->GetData();
  ASSERT_NE(pData, nullptr);
  ASSERT_TRUE(pData->IsKindOf(RUNTIME_CLASS(CGXFormulaSheet)));
  auto* pOut = static_cast<CGXFormulaSheet*>(pData);
  EXPECT_EQ(pOut->GetValueTextAt(3, 3), "1024");
  EXPECT_EQ(pOut->GetEditTextAt(3, 3), "=A1*512");
  EXPECT_EQ(pOut->GetValueTextAt(2, 1).GetLength(), 600);  // kept whole
  EXPECT_TRUE(pOut->GetBlanksAreZero());
  CGXCellRange r;
  EXPECT_TRUE(pOut->GetRangeName("Top", r));
  CGXStyle got;
  ASSERT_TRUE(pOut->GetStyleRowCol(3, 3, got, CGXStyle::modeCopy, 0));
  EXPECT_TRUE(got.GetInclude(CGXStyle::gxInterior));
  EXPECT_EQ(pOut->GetRowCount(), 20u);
}

TEST_F(FormulaSheetTest, DamagedStoredFormsAreRefused) {
  ASSERT_TRUE(Type(1, 1, "1.5"));
  ASSERT_TRUE(Type(1, 2, "=A1*2"));
  Bytes saved = Store([&](CArchive& ar) { sheet.Serialize(ar); });
  // Another schema.
  Bytes schema2 = saved;
  schema2[0] = 2;
  CGXFormulaSheet other;
  try {
    Load(schema2, [&](CArchive& ar) { other.Serialize(ar); });
    ADD_FAILURE() << "schema 2 loaded";
  } catch (CArchiveException* e) {
    EXPECT_EQ(e->m_cause, CArchiveException::badSchema);
    e->Delete();
  }
  // Every cut of the bytes fails with an exception, never a crash.
  for (size_t n = 0; n < saved.size(); n++) {
    Bytes cut(saved.begin(), saved.begin() + (long)n);
    CGXFormulaSheet target;
    bool thrown = false;
    try {
      Load(cut, [&](CArchive& ar) { target.Serialize(ar); });
    } catch (CException* e) {
      thrown = true;
      e->Delete();
    }
    EXPECT_TRUE(thrown) << n;
  }
}

// --- with a grid engine --------------------------------------------------------------------------

namespace {

class NullSurface : public CGXGridSurface {
 public:
  CSize GetTextExtent(LPCTSTR, int nLength) override { return CSize(7 * nLength, 14); }
  GXTEXTMETRICS GetTextMetrics() override {
    GXTEXTMETRICS tm;
    tm.nHeight = 14;
    tm.nExternalLeading = 2;
    tm.nAscent = 11;
    tm.nAveCharWidth = 7;
    tm.nMaxCharWidth = 12;
    return tm;
  }
  void FillRect(const CRect&, DWORD) override {}
  void InvertRect(const CRect&) override {}
  void DrawTextLine(int, int, LPCTSTR psz, int n, DWORD, const CRect&) override {
    texts.push_back(std::string(psz, (size_t)n));
  }
  void SelectFont(const CGXFont&, int) override {}
  std::vector<std::string> texts;
};

}  // namespace

// Records the cells the engine redraws one by one.
class RecordingGrid : public CGXGridCore {
 public:
  void RedrawRowCol(const CGXCellRange& range, UINT flags) override {
    if (range.IsCells() && range.top == range.bottom && range.left == range.right)
      redrawn.insert({range.top, range.left});
    CGXGridCore::RedrawRowCol(range, flags);
  }
  std::set<std::pair<ROWCOL, ROWCOL>> redrawn;
};

TEST(FormulaSheetGridTest, EditsRecalculateAndRedrawTheCellsTheyReach) {
  RecordingGrid grid;
  auto* pParam = new CGXGridParam;
  auto* pSheet = new CGXFormulaSheet;
  pParam->SetData(pSheet, TRUE);
  pSheet->InitParam(pParam);
  grid.AttachParam(pParam, TRUE);
  grid.InitialSetUp();
  ASSERT_TRUE(grid.SetRowCount(10));
  ASSERT_TRUE(grid.SetColCount(5));
  ASSERT_TRUE(grid.SetValueRange(CGXCellRange(1, 1, 1, 1), "2"));
  ASSERT_TRUE(grid.SetValueRange(CGXCellRange(1, 2, 1, 2), "=A1*3"));
  ASSERT_TRUE(grid.SetValueRange(CGXCellRange(4, 4, 4, 4), "=B1+A1"));
  ASSERT_TRUE(grid.SetValueRange(CGXCellRange(5, 5, 5, 5), "=D4*10"));
  ASSERT_TRUE(grid.SetValueRange(CGXCellRange(3, 3, 3, 3), "7"));
  EXPECT_STREQ(grid.GetValueRowCol(1, 2), "6");
  EXPECT_STREQ(grid.GetValueRowCol(4, 4), "8");
  NullSurface first;
  grid.OnGridDraw(first, grid.GetGridRect());
  EXPECT_NE(std::find(first.texts.begin(), first.texts.end(), "80"), first.texts.end());
  EXPECT_FALSE(pSheet->GetUpdateFlag(4, 4));  // drawn
  EXPECT_FALSE(pSheet->GetUpdateFlag(3, 3));

  grid.redrawn.clear();
  ASSERT_TRUE(grid.SetValueRange(CGXCellRange(1, 1, 1, 1), "5"));
  // The edited cell and those that depend on it, directly or through others, are redrawn; the
  // unrelated constant is not.
  EXPECT_EQ(grid.redrawn.count({1, 1}), 1u);
  EXPECT_EQ(grid.redrawn.count({1, 2}), 1u);
  EXPECT_EQ(grid.redrawn.count({4, 4}), 1u);
  EXPECT_EQ(grid.redrawn.count({5, 5}), 1u);
  EXPECT_EQ(grid.redrawn.count({3, 3}), 0u);
  NullSurface second;
  grid.OnGridDraw(second, grid.GetGridRect());
  for (const char* shown : {"5", "15", "20", "200", "7"})
    EXPECT_NE(std::find(second.texts.begin(), second.texts.end(), shown), second.texts.end()) << shown;
  EXPECT_FALSE(pSheet->GetUpdateFlag(5, 5));

  // A plain store redraws only the edited cell.
  RecordingGrid plain;
  plain.InitialSetUp();
  ASSERT_TRUE(plain.SetRowCount(10));
  ASSERT_TRUE(plain.SetColCount(5));
  ASSERT_TRUE(plain.SetValueRange(CGXCellRange(2, 2, 2, 2), "=A1"));
  ASSERT_TRUE(plain.SetValueRange(CGXCellRange(1, 1, 1, 1), "5"));
  EXPECT_EQ(plain.redrawn, (std::set<std::pair<ROWCOL, ROWCOL>>{{2, 2}, {1, 1}}));
  EXPECT_STREQ(plain.GetValueRowCol(2, 2), "=A1");
}

TEST_F(FormulaSheetTest, CellStyleNamingAnObjectReadBeforeIsRefused) {
  ASSERT_TRUE(Type(1, 1, "1.5"));
  Bytes bytes = Store([&](CArchive& ar) { ar.WriteObject(&sheet); });
  // A1's record ends its position with the null object; make it name the sheet itself (the
  // archive's second entry, after the sheet's class).
  const Bytes record = {1, 1, 3, 0x08, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  auto it = std::search(bytes.begin(), bytes.end(), record.begin(), record.end());
  ASSERT_NE(it, bytes.end());
  *(it + 12) = 2;
  std::unique_ptr<CObject> pLoaded(ReadObjectFromBytes(bytes.data(), (UINT)bytes.size(), RUNTIME_CLASS(CGXFormulaSheet)));
  EXPECT_EQ(pLoaded, nullptr);
  // As written, it loads.
  *(it + 12) = 0;
  pLoaded.reset(ReadObjectFromBytes(bytes.data(), (UINT)bytes.size(), RUNTIME_CLASS(CGXFormulaSheet)));
  ASSERT_NE(pLoaded, nullptr);
  EXPECT_EQ(static_cast<CGXFormulaSheet*>(pLoaded.get())->GetValueTextAt(1, 1), "1.5");
}
