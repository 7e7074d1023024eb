// A grid cell range (a block of cells, whole rows, whole columns or the table) and the owned list
// of ranges that holds selections and covered cells, with how a list follows inserted, removed and
// moved rows and columns, and the archive forms of both.
// Not for: the cells' contents (GXData.h) or drawing.
#ifndef GRID_CORE_GXCELLRANGE_H
#define GRID_CORE_GXCELLRANGE_H

#include "Framework.h"

// Row and column numbers: row 0 and column 0 are the headers.
typedef DWORD ROWCOL;

class CGXCellRange {
 public:
  enum { rtCells = 0, rtRows = 1, rtCols = 2, rtTable = 3 };

  CGXCellRange() = default;
  explicit CGXCellRange(const CGXCellRange* pRange);
  CGXCellRange(ROWCOL nTop, ROWCOL nLeft, ROWCOL nBottom, ROWCOL nRight);

  CGXCellRange& SetCells(ROWCOL nTop, ROWCOL nLeft, ROWCOL nBottom, ROWCOL nRight);
  CGXCellRange& SetRows(ROWCOL nFirst, ROWCOL nLast);
  CGXCellRange& SetCols(ROWCOL nFirst, ROWCOL nLast);
  CGXCellRange& SetTable();
  CGXCellRange& ExpandToCells(ROWCOL nTop, ROWCOL nLeft, ROWCOL nBottom, ROWCOL nRight);

  BOOL IsValid() const { return m_bValid != 0; }
  BOOL IsCells() const { return m_nType == rtCells; }
  BOOL IsRows() const { return m_nType == rtRows; }
  BOOL IsCols() const { return m_nType == rtCols; }
  BOOL IsTable() const { return m_nType == rtTable; }
  BOOL IsCellInRange(ROWCOL nRow, ROWCOL nCol) const;
  BOOL IntersectRanges(const CGXCellRange& a, const CGXCellRange& b);
  BOOL UnionRanges(const CGXCellRange& a, const CGXCellRange& b);

  bool operator==(const CGXCellRange& r) const {
    return m_nType == r.m_nType && top == r.top && left == r.left && bottom == r.bottom &&
           right == r.right && m_bValid == r.m_bValid;
  }

  DWORD m_nType = rtCells;
  ROWCOL top = 0;
  ROWCOL left = 0;
  ROWCOL bottom = 0;
  ROWCOL right = 0;
  BOOL m_bValid = FALSE;
};

// Stored form: top, left, bottom, right (DWORD each), type and valid (BYTE each): 18 bytes.
void WriteRangeToArchive(CArchive& ar, const CGXCellRange& range);
void ReadRangeFromArchive(CArchive& ar, CGXCellRange& range);

// A list of owned ranges, head first.
class CGXRangeList : public CPtrList {
  DECLARE_SERIAL(CGXRangeList)

 public:
  CGXRangeList() = default;
  ~CGXRangeList() override;
  CGXRangeList(const CGXRangeList&) = delete;

  // Copies the valid ranges in the other list's order, so that its last range (the one the engine
  // takes as current) stays last.
  CGXRangeList& operator=(const CGXRangeList& other);

  CGXCellRange* GetRangeAt(POSITION pos) const { return static_cast<CGXCellRange*>(GetAt(pos)); }
  POSITION AddRange(const CGXCellRange& range);  // a copy at the tail
  void DeleteAll();
  void DeleteAt(POSITION pos);
  void RemoveInvalidRanges();

  BOOL IsCellInList(ROWCOL nRow, ROWCOL nCol, POSITION posExcept = nullptr) const;
  POSITION FindRange(ROWCOL nRow, ROWCOL nCol) const;
  BOOL IsColTouched(ROWCOL nCol) const;
  BOOL IsRowTouched(ROWCOL nRow) const;
  BOOL GetColSpans(ROWCOL nColCount, CDWordArray& firsts, CDWordArray& lasts, BOOL bAll) const;
  BOOL GetRowSpans(ROWCOL nRowCount, CDWordArray& firsts, CDWordArray& lasts, BOOL bAll) const;

  void InsertRows(ROWCOL nAt, ROWCOL nCount);
  void InsertCols(ROWCOL nAt, ROWCOL nCount);
  void RemoveRows(ROWCOL nFrom, ROWCOL nTo, ROWCOL nNewCount);
  void RemoveCols(ROWCOL nFrom, ROWCOL nTo, ROWCOL nNewCount);
  void MoveRows(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest, ROWCOL nCount);
  void MoveCols(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest, ROWCOL nCount);

  // A 16-bit schema 1, a 32-bit count and the ranges; invalid ranges are dropped before storing.
  void Serialize(CArchive& ar) override;
};

#endif  // GRID_CORE_GXCELLRANGE_H
