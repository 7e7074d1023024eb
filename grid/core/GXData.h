// The cell store of a grid: the row and column counts and the styles stored for single cells,
// whole rows and whole columns, sparse in both directions. A formula-keeping store derives from it
// and gives the hooks their meaning; here they answer neutrally.
// Not for: composing a cell's effective style (the engine) or copying and sorting cell blocks
// (application-wide features the store forwards to).
#ifndef GRID_CORE_GXDATA_H
#define GRID_CORE_GXDATA_H

#include "GXCellRange.h"
#include "GXCollMap.h"
#include "GXStyle.h"

struct GX_GRID_STATE;
class CGXGridCore;

class CGXData : public CObject {
  DECLARE_SERIAL(CGXData)

 public:
  CGXData();
  ~CGXData() override;
  CGXData(const CGXData&) = delete;

  void Serialize(CArchive& ar) override;
  virtual void FreeAll();
  virtual CGXData& operator=(const CGXData& other);
  virtual void InitParam(CObject* pParam);
  virtual ROWCOL GetRowCount() const;
  virtual ROWCOL GetColCount() const;
  virtual BOOL SetRowCount(ROWCOL nRows);
  virtual BOOL SetColCount(ROWCOL nCols);
  virtual BOOL InsertRows(ROWCOL nRow, ROWCOL nCount);
  virtual BOOL InsertCols(ROWCOL nCol, ROWCOL nCount);
  virtual BOOL RemoveRows(ROWCOL nFromRow, ROWCOL nToRow);
  virtual BOOL RemoveCols(ROWCOL nFromCol, ROWCOL nToCol);
  virtual BOOL MoveRows(ROWCOL nFromRow, ROWCOL nToRow, ROWCOL nDestRow);
  virtual BOOL MoveCols(ROWCOL nFromCol, ROWCOL nToCol, ROWCOL nDestCol);
  virtual BOOL CopyCells(CGXCellRange range, ROWCOL nDestRow, ROWCOL nDestCol);
  virtual BOOL MoveCells(CGXCellRange range, ROWCOL nDestRow, ROWCOL nDestCol, CObject** ppUndoInfo, int a, int b);
  virtual BOOL StoreStyleRowCol(ROWCOL nRow, ROWCOL nCol, const CGXStyle* pStyle, int nMode, int nType);
  virtual BOOL GetStyleRowCol(ROWCOL nRow, ROWCOL nCol, CGXStyle& style, int nMode, int nType) const;
  virtual BOOL SortRows(void* a, void* b);
  virtual BOOL SortCols(void* a, void* b);
  // The hooks of the formula-keeping store, neutral here.
  virtual BOOL GetUpdateFlag(ROWCOL nRow, ROWCOL nCol);
  virtual void SetUpdateFlag(ROWCOL nRow, ROWCOL nCol, BOOL bFlag);
  virtual void AddRecalcRange(const CGXCellRange& range);
  virtual void Recalc(BOOL bForce);
  virtual void ResetError();
  virtual BOOL GetError(CString& sError);
  virtual CObject* GetUndoInfo();
  virtual BOOL ApplyUndoInfo(CObject* pInfo, BOOL bUndo, int nPhase);
  virtual BOOL EnableUndoInfo(BOOL bEnable);
  virtual BOOL ApplyOldRange(void* a, void* b, void* c);
  virtual BOOL IsCellRecalced(ROWCOL nRow, ROWCOL nCol);
  virtual BOOL MergeUndoInfo(void* a, void* b, void* c);

  // The store's own names for the two style operations.
  BOOL PutCellStyle(ROWCOL nRow, ROWCOL nCol, const CGXStyle* pStyle, int nMode, int nType) {
    return StoreStyleRowCol(nRow, nCol, pStyle, nMode, nType);
  }
  BOOL ComposeCellStyle(ROWCOL nRow, ROWCOL nCol, CGXStyle& style, int nMode, int nType) const {
    return GetStyleRowCol(nRow, nCol, style, nMode, nType);
  }
  // The stored style of a cell (type 0) or a row or column (type -1), or null.
  const CGXStyle* GetStoredStyle(ROWCOL nRow, ROWCOL nCol, int nType) const;

  // The first grid engine registered for this store, or null.
  CGXGridCore* GetFirstGrid() const;

  ROWCOL m_nRows = 0;
  ROWCOL m_nCols = 0;
  CGXStylePtrArray m_rowStyles;
  CGXStylePtrArray m_colStyles;
  CGXStylePtrArrayPtrArray m_cells;
  CGXStyle m_scratch1;
  CGXStyle m_scratch2;
  GX_GRID_STATE* m_pAppState;
};

#endif  // GRID_CORE_GXDATA_H
