// The two stores of the merged and floating cells: the delayed-range pool, the areas whose spans
// must be worked out again (with the rows of each already done), and the span-cell pool, the
// spans once worked out, kept in both directions so that the span holding a cell is found at
// once. Each is made per parameter object through its application-wide feature object and is
// stored with the parameter object.
// Not for: working out the spans (the merge and float features).
#ifndef GRID_CORE_GXSPANCELLPOOL_H
#define GRID_CORE_GXSPANCELLPOOL_H

#include "GXCellRange.h"
#include "GXFeatures.h"

// One queued area and the spans of its rows already done ([start i, end i], ascending).
class CGXDelayedRange : public CObject {
  DECLARE_SERIAL(CGXDelayedRange)

 public:
  CGXDelayedRange() = default;
  CGXDelayedRange(const CGXDelayedRange&) = delete;
  // The area, the done-row starts, then the ends; the done flag is not stored. Lists of unequal
  // length, or a span that ends before it starts, are damage.
  void Serialize(CArchive& ar) override;
  virtual void CopyFrom(const CGXDelayedRange& other);
  // Merges [first, last] into the rows done; TRUE unless they were all done already.
  BOOL MarkRowsDone(ROWCOL nFirst, ROWCOL nLast);

  CGXCellRange m_range;
  CDWordArray m_rowEnds;
  CDWordArray m_rowStarts;
  BOOL m_bDone = FALSE;
};

class CGXDelayedRangePool : public CObject {
  DECLARE_SERIAL(CGXDelayedRangePool)

 public:
  CGXDelayedRangePool() = default;
  ~CGXDelayedRangePool() override;
  CGXDelayedRangePool(const CGXDelayedRangePool&) = delete;
  // The entries as the framework stores an object array; every entry read must be a new
  // CGXDelayedRange.
  void Serialize(CArchive& ar) override;
  virtual void CopyFrom(const CGXDelayedRangePool& other);

  // Queues an area (absorbed by, or reusing, an entry where it can).
  void AddRange(const CGXCellRange& range);
  // Cuts the pending entries that straddle the area's left or right edge.
  void SplitAt(const CGXCellRange& range);
  // For each row of the area, the columns of pending work (first: -1 when none, last), marking
  // the rows done; TRUE when anything was collected.
  BOOL CollectPending(const CGXCellRange& range, CDWordArray& firstCols, CDWordArray& lastCols);
  void RemoveDone();
  int GetCount() const { return m_entries.GetSize(); }
  CGXDelayedRange* GetAt(int i) const { return static_cast<CGXDelayedRange*>(m_entries[i]); }

  CObArray m_entries;  // owned CGXDelayedRange, newest first
};

// Null or owned arrays of 32-bit values.
class CGXDWordArrayPtrArray : public CPtrArray {
  DECLARE_SERIAL(CGXDWordArrayPtrArray)

 public:
  CGXDWordArrayPtrArray() = default;
  ~CGXDWordArrayPtrArray() override;
  CGXDWordArrayPtrArray(const CGXDWordArrayPtrArray&) = delete;
  // WORD version 1, the entry count, (index, array) for each entry that is there, then -1. A
  // count of more than 16,777,216 entries, or an index that is not above the one before and
  // below the count, is damage.
  void Serialize(CArchive& ar) override;
  virtual void CopyFrom(const CGXDWordArrayPtrArray& other);
  CDWordArray* GetArray(int i) const { return i >= 0 && i < GetSize() ? static_cast<CDWordArray*>(GetAt(i)) : nullptr; }
  void DeleteAll();
  void RemoveArrays(int nFrom, int nCount);
};

class CGXSpanCellPool : public CObject {
  DECLARE_SERIAL(CGXSpanCellPool)

 public:
  CGXSpanCellPool() = default;
  CGXSpanCellPool(const CGXSpanCellPool&) = delete;
  // The row-direction store, then the column-direction store.
  void Serialize(CArchive& ar) override;
  // The span that holds the cell; FALSE when there is none.
  virtual BOOL GetSpan(ROWCOL nRow, ROWCOL nCol, CGXCellRange& range) const;
  // Sets (or with bSet FALSE clears) the span whose top-left cell is (row, col); TRUE when a store
  // changed.
  virtual BOOL SetSpan(ROWCOL nRow, ROWCOL nCol, ROWCOL nToRow, ROWCOL nToCol, BOOL bSet);
  virtual BOOL InsertRows(ROWCOL nAt, ROWCOL nCount);
  virtual BOOL RemoveRows(ROWCOL nFrom, ROWCOL nTo);
  virtual BOOL MoveRows(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest);
  virtual BOOL InsertCols(ROWCOL nAt, ROWCOL nCount);
  virtual BOOL RemoveCols(ROWCOL nFrom, ROWCOL nTo);
  virtual BOOL MoveCols(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest);
  virtual void CopyFrom(const CGXSpanCellPool& other);

  CGXDWordArrayPtrArray m_colStore;  // by column; each by row: the span's first row, or -1
  CGXDWordArrayPtrArray m_rowStore;  // by row; each by column: the span's first column, or -1
};

// The application-wide feature objects that make the pools.
class CGXAbstractDelayedRangePoolImp : public CGXAbstractFeature {
 public:
  virtual CGXDelayedRangePool* CreateCopy(const CGXDelayedRangePool* pSource) = 0;
  virtual CGXDelayedRangePool* CreatePool() = 0;
  virtual void CopyPool(CGXDelayedRangePool* pTarget, const CGXDelayedRangePool* pSource) = 0;
};

class CGXDelayedRangePoolImp : public CGXAbstractDelayedRangePoolImp {
 public:
  CGXDelayedRangePool* CreateCopy(const CGXDelayedRangePool* pSource) override;
  CGXDelayedRangePool* CreatePool() override { return new CGXDelayedRangePool; }
  void CopyPool(CGXDelayedRangePool* pTarget, const CGXDelayedRangePool* pSource) override;
};

class CGXAbstractSpanCellPoolImp : public CGXAbstractFeature {
 public:
  virtual CGXSpanCellPool* CreateCopy(const CGXSpanCellPool* pSource) = 0;
  virtual CGXSpanCellPool* CreatePool() = 0;
  virtual void CopyPool(CGXSpanCellPool* pTarget, const CGXSpanCellPool* pSource) = 0;
  virtual void InsertRows(CGXSpanCellPool* pPool, ROWCOL nAt, ROWCOL nCount) = 0;
  virtual void RemoveRows(CGXSpanCellPool* pPool, ROWCOL nFrom, ROWCOL nTo) = 0;
  virtual void MoveRows(CGXSpanCellPool* pPool, ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest) = 0;
  virtual void InsertCols(CGXSpanCellPool* pPool, ROWCOL nAt, ROWCOL nCount) = 0;
  virtual void RemoveCols(CGXSpanCellPool* pPool, ROWCOL nFrom, ROWCOL nTo) = 0;
  virtual void MoveCols(CGXSpanCellPool* pPool, ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest) = 0;
};

class CGXSpanCellPoolImp : public CGXAbstractSpanCellPoolImp {
 public:
  CGXSpanCellPool* CreateCopy(const CGXSpanCellPool* pSource) override;
  CGXSpanCellPool* CreatePool() override { return new CGXSpanCellPool; }
  void CopyPool(CGXSpanCellPool* pTarget, const CGXSpanCellPool* pSource) override;
  void InsertRows(CGXSpanCellPool* pPool, ROWCOL nAt, ROWCOL nCount) override;
  void RemoveRows(CGXSpanCellPool* pPool, ROWCOL nFrom, ROWCOL nTo) override;
  void MoveRows(CGXSpanCellPool* pPool, ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest) override;
  void InsertCols(CGXSpanCellPool* pPool, ROWCOL nAt, ROWCOL nCount) override;
  void RemoveCols(CGXSpanCellPool* pPool, ROWCOL nFrom, ROWCOL nTo) override;
  void MoveCols(CGXSpanCellPool* pPool, ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest) override;
};

// Install the feature objects once (stored in the library's state, freed at exit).
void InstallDelayedRangePoolImp();
void InstallSpanCellPoolImp();

#endif  // GRID_CORE_GXSPANCELLPOOL_H
