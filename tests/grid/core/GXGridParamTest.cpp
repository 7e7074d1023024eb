// The grid parameter object: its defaults, the ownership of its parts and its copy.
#include "GXGridParam.h"

#include "GridTestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(GridParam, Defaults) {
  CGXGridParam param;
  EXPECT_TRUE(param.IsSelectionAllowed(1));
  EXPECT_TRUE(param.IsSelectionAllowed(0x80));
  EXPECT_TRUE(param.IsColDragEnabled());
  EXPECT_TRUE(param.IsUndoEnabled());
  EXPECT_TRUE(param.GetUndoList().IsEmpty());
  EXPECT_TRUE(param.IsRowResizeAllowed(2));
  EXPECT_FALSE(param.IsRowResizeAllowed(1));
  EXPECT_FALSE(param.HasSpecialMode(0xFFFF));
  LONG n = 0;
  EXPECT_TRUE(param.m_rowHeights.Lookup(0, n));
  EXPECT_EQ(n, 1400);
  EXPECT_TRUE(param.m_colWidths.Lookup(0, n));
  EXPECT_EQ(n, 6000);
  EXPECT_EQ(param.m_rowHeights.GetHashTableSize(), 1021u);
  EXPECT_EQ(param.m_nMaxUndo, 512u);
  EXPECT_EQ(param.m_nEnterDirection, 4);
}

// Counts its own destruction.
class CCountedStylesMap : public CGXStylesMap {
 public:
  explicit CCountedStylesMap(int* pDeleted) : m_pDeleted(pDeleted) {}
  ~CCountedStylesMap() override { ++*m_pDeleted; }
  int* m_pDeleted;
};

TEST(GridParam, ReplacingPartsDeletesOnlyOwnedOnes) {
  int nDeleted = 0;
  CCountedStylesMap borrowed(&nDeleted);
  {
    CGXGridParam param;
    param.SetStylesMap(new CCountedStylesMap(&nDeleted), TRUE);
    param.SetStylesMap(&borrowed, FALSE);
    EXPECT_EQ(nDeleted, 1);
    param.SetStylesMap(new CCountedStylesMap(&nDeleted));
    EXPECT_EQ(nDeleted, 1);
  }
  EXPECT_EQ(nDeleted, 2);
}

TEST(GridParam, RedoListOwnsItsCommands) {
  CGXGridParam param;
  param.GetRedoList().AddTail(new CGXStyle);
  param.GetUndoList().AddTail(new CGXStyle);
  param.ClearRedoList();
  EXPECT_TRUE(param.GetRedoList().IsEmpty());
  EXPECT_EQ(param.GetUndoList().GetCount(), 1);
}

TEST(GridParam, CopyIsDeepForOwnedParts) {
  CGXGridParam a;
  CGXStylesMap* pMap = new CGXStylesMap;
  pMap->CreateStandardStyles();
  a.SetStylesMap(pMap);
  CGXData borrowed;
  a.SetData(&borrowed, FALSE);
  a.m_selection.AddRange(CGXCellRange(1, 1, 1, 1));
  a.m_selection.AddRange(CGXCellRange(2, 2, 2, 2));
  a.m_nFrozenCols = 3;
  CGXGridParam b;
  b = a;
  ASSERT_NE(b.GetStylesMap(), nullptr);
  EXPECT_NE(b.GetStylesMap(), a.GetStylesMap());
  EXPECT_EQ(b.GetStylesMap()->GetBaseStyleId("Row Header"), 2);
  EXPECT_EQ(b.GetData(), &borrowed);
  EXPECT_FALSE(b.m_bOwnData);
  EXPECT_EQ(b.m_nFrozenCols, 3u);
  EXPECT_EQ(*b.m_selection.GetRangeAt(b.m_selection.GetTailPosition()), CGXCellRange(2, 2, 2, 2));
  b = b;
  EXPECT_NE(b.GetStylesMap(), nullptr);
}

}  // namespace

namespace {

TEST(GridState, EngineRegistry) {
  GX_GRID_STATE state;
  int objectA, objectB;
  CGXGridCore* pGrid1 = reinterpret_cast<CGXGridCore*>(0x1000);
  CGXGridCore* pGrid2 = reinterpret_cast<CGXGridCore*>(0x2000);
  state.RegisterGridForData(&objectA, pGrid1);
  state.RegisterGridForData(&objectA, pGrid2);
  state.RegisterGridForData(&objectB, pGrid1);
  EXPECT_EQ(state.GetFirstGridOfData(&objectA), pGrid1);
  state.UnregisterGrid(pGrid1);
  EXPECT_EQ(state.GetFirstGridOfData(&objectA), pGrid2);
  EXPECT_EQ(state.GetGridsOfData(&objectB), nullptr);
  state.UnregisterGrid(pGrid2);
  EXPECT_EQ(state.m_dataToGrids.GetCount(), 0);
  state.AddTabWindow(&objectA);
  state.AddTabWindow(&objectA);
  EXPECT_EQ(state.m_tabWindows.GetCount(), 1);
}

TEST(GridState, VersionFlags) {
  GX_GRID_STATE state;
  state.SetVersion(0x80000A03);  // 3.10, not NT
  EXPECT_TRUE(state.m_bWin32s);
  EXPECT_TRUE(state.m_bBeforeWin4);
  EXPECT_EQ(state.m_dwVersion, 0x30Au);
  state.SetVersion(0x0105);  // 5.1, NT
  EXPECT_FALSE(state.m_bNotNT);
  EXPECT_TRUE(state.m_bWin4);
  EXPECT_FALSE(state.m_bWin32s);
}

TEST(GridState, ColourTableNamesItsColoursAndBorderWidths) {
  const GX_SYSCOLOR_PROC pfnPlatform = GXGetSysColorProc();
  GXSetSysColorProc([](int nIndex) -> DWORD { return 0x010101u * (DWORD)nIndex; });
  GX_GRID_STATE* pState = GXGetAppState();
  const BOOL bWin4 = pState->m_bWin4;
  pState->m_bWin4 = FALSE;
  GX_SYSCOLOR_STATE colors;
  EXPECT_EQ(colors.m_nBorderX, 1);
  EXPECT_EQ(colors.m_nBorderY, 1);
  static const struct {
    DWORD GX_SYSCOLOR_STATE::*pField;
    int nIndex;
  } kNamed[] = {{&GX_SYSCOLOR_STATE::m_clrBtnFace, 15},     {&GX_SYSCOLOR_STATE::m_clrBtnShadow, 16},
                {&GX_SYSCOLOR_STATE::m_clrBtnHilite, 20},   {&GX_SYSCOLOR_STATE::m_clrWindowFrame, 6},
                {&GX_SYSCOLOR_STATE::m_clr3DLight, 22},     {&GX_SYSCOLOR_STATE::m_clr3DDkShadow, 21},
                {&GX_SYSCOLOR_STATE::m_clrWindowText, 8},   {&GX_SYSCOLOR_STATE::m_clrWindow, 5},
                {&GX_SYSCOLOR_STATE::m_clrHighlight, 13},   {&GX_SYSCOLOR_STATE::m_clrHighlightText, 14}};
  for (const auto& k : kNamed)
    EXPECT_EQ(colors.*k.pField, 0x010101u * (DWORD)k.nIndex) << k.nIndex;
  pState->m_bWin4 = TRUE;
  colors.Refresh();
  EXPECT_EQ(colors.m_nBorderX, 2);
  pState->m_bWin4 = bWin4;
  GXSetSysColorProc(pfnPlatform);
}

TEST(GridState, LongOperationsNestWithoutTheirFeature) {
  CGXAbstractLongOperationImp* pImp = GXGetAppState()->m_pLongOperationImp;
  GXGetAppState()->m_pLongOperationImp = nullptr;
  int nLevel = GXGetAppState()->m_nLongOperationLevel;
  {
    CGXLongOperation outer;
    CGXLongOperation inner;
    EXPECT_EQ(GXGetAppState()->m_nLongOperationLevel, nLevel + 2);
    BOOL bAbort = TRUE;
    EXPECT_FALSE(inner.CheckAbort(&bAbort));
    EXPECT_FALSE(bAbort);
  }
  EXPECT_EQ(GXGetAppState()->m_nLongOperationLevel, nLevel);
  GXGetAppState()->m_pLongOperationImp = pImp;
}

}  // namespace
