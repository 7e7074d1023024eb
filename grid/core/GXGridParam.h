// The grid parameter object: everything about a grid that is not its window (its cell store,
// named base styles, properties, printer settings, selection and covered-cell ranges, undo and
// redo lists, permissions and default sizes). Several engines may share one; it is stored and
// loaded as a whole, which is how a finished grid layout is kept as a "GXLAYOUT" resource.
// Not for: the stored form (GXSerializeImp.cpp) or the engine's use of the switches.
#ifndef GRID_CORE_GXGRIDPARAM_H
#define GRID_CORE_GXGRIDPARAM_H

#include "GXCellRange.h"
#include "GXCollMap.h"
#include "GXData.h"
#include "GXPrintDevice.h"
#include "GXProperties.h"
#include "GXStylesMap.h"

struct GX_GRID_STATE;

class CGXGridParam : public CObject {
  DECLARE_SERIAL(CGXGridParam)

 public:
  // The span objects of the features that span cells: the floating cells' stores and delayed
  // ranges (screen and printing) and the merged cells' stores by rows and by columns and their
  // delayed ranges.
  enum {
    spanFloat = 0, spanFloatDelayed = 1, spanFloatPrint = 2, spanFloatPrintDelayed = 3,
    spanMergeRows = 4, spanMergeCols = 5, spanMergeDelayed = 6, spanCount = 7
  };

  CGXGridParam();
  ~CGXGridParam() override;
  CGXGridParam(const CGXGridParam&) = delete;

  void Serialize(CArchive& ar) override;
  // The copy through the parameter copy feature; nothing without it.
  virtual CGXGridParam& operator=(const CGXGridParam& other);
  void CopyFrom(const CGXGridParam& other) { *this = other; }

  void SetProperties(CGXProperties* pProperties, BOOL bOwned = TRUE);
  void SetStylesMap(CGXStylesMap* pStylesMap, BOOL bOwned = TRUE);
  void SetData(CGXData* pData, BOOL bOwned = TRUE);
  void SetPrintDevice(CGXPrintDevice* pDevice, BOOL bOwned = TRUE);
  CGXProperties* GetProperties() const { return m_pProperties; }
  CGXStylesMap* GetStylesMap() const { return m_pStylesMap; }
  CGXData* GetData() const { return m_pData; }
  CGXPrintDevice* GetPrintDevice() const { return m_pPrintDevice; }

  CObList& GetUndoList() { return m_undoList; }
  CObList& GetRedoList() { return m_redoList; }
  void ClearRedoList();
  void ClearUndoList();

  void CreateCoveredCellPool();
  void SyncCoveredCellPool();

  BOOL IsSelectionAllowed(WORD nBits) const { return (m_nAllowSelection & nBits) != 0; }
  BOOL IsRowResizeAllowed(WORD nBits) const { return (m_nAllowResizeRow & nBits) != 0; }
  BOOL IsColResizeAllowed(WORD nBits) const { return (m_nAllowResizeCol & nBits) != 0; }
  BOOL HasSpecialMode(WORD nBits) const { return (m_nSpecialMode & nBits) != 0; }
  BOOL IsColDragEnabled() const { return m_bColDrag; }
  BOOL IsRowDragEnabled() const { return m_bRowDrag; }
  void SetUndoEnabled(BOOL b) { m_bUndoEnabled = b; }
  BOOL IsUndoEnabled() const { return m_bUndoEnabled; }

  // A stored layout: one object of the class from a resource ("GXLAYOUT") of the program.
  static CGXGridParam* CreateFromResource(UINT nID);

  GX_GRID_STATE* m_pAppState;
  BOOL m_bNumberedRowHeaders = TRUE;
  BOOL m_bNumberedColHeaders = TRUE;
  DWORD m_nPercent = 100;
  BOOL m_bFocusOnClick = FALSE;
  BOOL m_bTransparentBackground = FALSE;
  WORD m_nCount1 = 3;
  WORD m_nCount2 = 3;
  WORD m_nActivateFlags = 1;
  WORD m_nAllowSelection = 255;
  BOOL m_bColDrag = TRUE;
  BOOL m_bRowDrag = TRUE;
  WORD m_nAllowResizeRow = 178;
  WORD m_nAllowResizeCol = 178;
  WORD m_nSpecialMode = 0;
  BOOL m_bSwitch1 = TRUE;
  BOOL m_bLockReadOnly = TRUE;
  BOOL m_bOptimizedResize = TRUE;
  WORD m_nFloatCellsMode = 0;
  WORD m_nMergeCellsMode = 0;
  BOOL m_bNoZoom = FALSE;
  WORD m_nInvertCurrentCell = 2;
  WORD m_nPreload = 0;
  ROWCOL m_nHeaderRows = 0;
  ROWCOL m_nHeaderCols = 0;
  BOOL m_bLockFirstScrolled = TRUE;
  CString m_sText;
  ROWCOL m_nFrozenRows = 0;
  ROWCOL m_nFrozenCols = 0;
  BOOL m_bRestoreCurrentCell = FALSE;
  ROWCOL m_nCurrentRow = 1;
  ROWCOL m_nCurrentCol = 1;
  DWORD m_nMaxUndo = 512;
  // What undo saves of removed rows (columns): bit 1 their row (column) styles, bit 2 their cells.
  WORD m_nUndoSaveFlags = 3;
  // Where the freeze menu put a frozen block and where it stood before, for the matching unfreeze.
  ROWCOL m_nFreezeFirstCol = 0, m_nFreezeColCount = 0, m_nFreezeFormerCol = 0;
  ROWCOL m_nFreezeFirstRow = 0, m_nFreezeRowCount = 0, m_nFreezeFormerRow = 0;
  WORD m_nEnterDirection = 4;
  CGXRangeList m_selection;
  CGXRangeList m_coveredCells;
  CObject* m_pCoveredCellPool = nullptr;     // owned
  CObject* m_pSpan[spanCount] = {};          // owned
  BOOL m_bOwnProperties = FALSE;
  CGXProperties* m_pProperties = nullptr;
  BOOL m_bOwnStylesMap = FALSE;
  CGXStylesMap* m_pStylesMap = nullptr;
  BOOL m_bOwnData = FALSE;
  CGXData* m_pData = nullptr;
  BOOL m_bOwnPrintDevice = FALSE;
  CGXPrintDevice* m_pPrintDevice = nullptr;
  BOOL m_bReadOnly = FALSE;
  DWORD m_nOptionWord = 1;
  // Direct copy and move of cells: the copy and cut switches put the direct-copy marker on the
  // clipboard; a formula sheet turns all four on.
  BOOL m_bDirectCopyPaste = FALSE;
  BOOL m_bDirectCutPaste = FALSE;
  BOOL m_bDirectDragDrop = FALSE;
  WORD m_nDirectOptions = 0;
  CObList m_undoList;  // owns its commands
  CObList m_redoList;  // owns its commands
  LONG m_nTransNesting = 0;
  BOOL m_bUndoEnabled = TRUE;
  CByteArray m_hiddenRows;
  CByteArray m_hiddenCols;
  CGXMapDWordToLong m_rowHeights;
  CGXMapDWordToLong m_colWidths;
  LONG m_nDefaultRowHeight = 1200;
  LONG m_nDefaultColWidth = 10000;
  BOOL m_bLockUpdate = FALSE;
  BOOL m_bGridLinesRightBottom = FALSE;
  WORD m_nGridLineStyle = 0;
  BOOL m_bSelectionFollowsCurrentCell = FALSE;
  BOOL m_bSpreadsheetFill = FALSE;
  BOOL m_bInitialized = FALSE;
  BOOL m_bMarking = FALSE;
  BOOL m_bCutMarking = FALSE;
  CGXRangeList m_markedRanges;
  CGXRangeList m_recalcedCells;
  CObArray m_owned1;  // owns its objects
  CObArray m_owned2;  // owns its objects
  CMapPtrToPtr m_pointerMap;
};

// One object of the class from a file, through a loading archive; null when the object read is of
// another class (it is deleted) or reading raised a framework exception.
CObject* ReadObjectFromFile(CFile* pFile, const CRuntimeClass* pClass);
// One object of the class from the bytes of a stored object; the same failures give null.
CObject* ReadObjectFromBytes(const BYTE* pBytes, UINT nSize, const CRuntimeClass* pClass);
// One object of the class from a resource of the program (the Windows build finds it); null when
// the resource is missing or cannot be read.
CObject* LoadObjectFromResource(LPCTSTR pszName, LPCTSTR pszType, const CRuntimeClass* pClass);

#endif  // GRID_CORE_GXGRIDPARAM_H
