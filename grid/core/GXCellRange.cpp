// Cell ranges: normalising setters, intersection and union; range lists: lookups, spans, following
// row and column changes, and the archive forms.
#include "GXCellRange.h"

#include <algorithm>

namespace {

const WORD kRangeListSchema = 1;

// Row and column arithmetic that may dip below zero before it is clamped.
ROWCOL ClampRowCol(int64_t value) {
  return value < 0 ? 0 : (ROWCOL)value;
}

}  // namespace

CGXCellRange::CGXCellRange(const CGXCellRange* pRange) {
  if (pRange != nullptr)
    *this = *pRange;
}

CGXCellRange::CGXCellRange(ROWCOL nTop, ROWCOL nLeft, ROWCOL nBottom, ROWCOL nRight) {
  SetCells(nTop, nLeft, nBottom, nRight);
}

CGXCellRange& CGXCellRange::SetCells(ROWCOL nTop, ROWCOL nLeft, ROWCOL nBottom, ROWCOL nRight) {
  m_nType = rtCells;
  top = std::min(nTop, nBottom);
  bottom = std::max(nTop, nBottom);
  left = std::min(nLeft, nRight);
  right = std::max(nLeft, nRight);
  m_bValid = TRUE;
  return *this;
}

CGXCellRange& CGXCellRange::SetRows(ROWCOL nFirst, ROWCOL nLast) {
  m_nType = rtRows;
  top = std::min(nFirst, nLast);
  bottom = std::max(nFirst, nLast);
  left = right = 0;
  m_bValid = TRUE;
  return *this;
}

CGXCellRange& CGXCellRange::SetCols(ROWCOL nFirst, ROWCOL nLast) {
  m_nType = rtCols;
  left = std::min(nFirst, nLast);
  right = std::max(nFirst, nLast);
  top = bottom = 0;
  m_bValid = TRUE;
  return *this;
}

CGXCellRange& CGXCellRange::SetTable() {
  m_nType = rtTable;
  m_bValid = TRUE;
  return *this;
}

CGXCellRange& CGXCellRange::ExpandToCells(ROWCOL nTop, ROWCOL nLeft, ROWCOL nBottom, ROWCOL nRight) {
  switch (m_nType) {
    case rtRows:
      left = nLeft;
      right = nRight;
      break;
    case rtCols:
      top = nTop;
      bottom = nBottom;
      break;
    case rtTable:
      top = nTop;
      left = nLeft;
      bottom = nBottom;
      right = nRight;
      break;
    default:
      break;
  }
  m_nType = rtCells;
  return *this;
}

BOOL CGXCellRange::IsCellInRange(ROWCOL nRow, ROWCOL nCol) const {
  if (!m_bValid)
    return FALSE;
  switch (m_nType) {
    case rtTable:
      return TRUE;
    case rtRows:
      return nRow >= top && nRow <= bottom;
    case rtCols:
      return nCol >= left && nCol <= right;
    default:
      return nRow >= top && nRow <= bottom && nCol >= left && nCol <= right;
  }
}

BOOL CGXCellRange::IntersectRanges(const CGXCellRange& a, const CGXCellRange& b) {
  CGXCellRange r;
  if (a.IsTable() || b.IsTable()) {
    r = a.IsTable() ? b : a;
    r.m_nType = a.IsTable() ? b.m_nType : a.m_nType;
    r.m_bValid = TRUE;
  } else if ((a.IsRows() && b.IsCols()) || (a.IsCols() && b.IsRows())) {
    const CGXCellRange& rows = a.IsRows() ? a : b;
    const CGXCellRange& cols = a.IsRows() ? b : a;
    r.SetCells(rows.top, cols.left, rows.bottom, cols.right);
  } else if (a.IsCols() || b.IsCols()) {
    const CGXCellRange& other = a.IsCols() ? b : a;
    r.left = std::max(a.left, b.left);
    r.right = std::min(a.right, b.right);
    r.top = other.top;
    r.bottom = other.bottom;
    r.m_nType = other.m_nType;
    r.m_bValid = r.right >= r.left;
  } else if (a.IsRows() || b.IsRows()) {
    const CGXCellRange& other = a.IsRows() ? b : a;
    r.top = std::max(a.top, b.top);
    r.bottom = std::min(a.bottom, b.bottom);
    r.left = other.left;
    r.right = other.right;
    r.m_nType = other.m_nType;
    r.m_bValid = r.bottom >= r.top;
  } else {
    r.top = std::max(a.top, b.top);
    r.left = std::max(a.left, b.left);
    r.bottom = std::min(a.bottom, b.bottom);
    r.right = std::min(a.right, b.right);
    r.m_nType = rtCells;
    r.m_bValid = r.top <= r.bottom && r.left <= r.right;
  }
  *this = r;
  return m_bValid;
}

BOOL CGXCellRange::UnionRanges(const CGXCellRange& a, const CGXCellRange& b) {
  if (a.IsTable() || b.IsTable() || (a.IsRows() && b.IsCols()) || (a.IsCols() && b.IsRows()))
    SetTable();
  else if (a.IsCols() || b.IsCols())
    SetCols(std::min(a.left, b.left), std::max(a.right, b.right));
  else if (a.IsRows() || b.IsRows())
    SetRows(std::min(a.top, b.top), std::max(a.bottom, b.bottom));
  else
    SetCells(std::min(a.top, b.top), std::min(a.left, b.left), std::max(a.bottom, b.bottom),
             std::max(a.right, b.right));
  return m_bValid;
}

void WriteRangeToArchive(CArchive& ar, const CGXCellRange& range) {
  ar << (DWORD)range.top << (DWORD)range.left << (DWORD)range.bottom << (DWORD)range.right;
  ar << (BYTE)range.m_nType << (BYTE)(range.m_bValid ? 1 : 0);
}

void ReadRangeFromArchive(CArchive& ar, CGXCellRange& range) {
  DWORD top, left, bottom, right;
  BYTE type, valid;
  ar >> top >> left >> bottom >> right >> type >> valid;
  range.top = top;
  range.left = left;
  range.bottom = bottom;
  range.right = right;
  range.m_nType = type;
  range.m_bValid = valid;
}

IMPLEMENT_SERIAL(CGXRangeList, CPtrList, 0)

CGXRangeList::~CGXRangeList() {
  DeleteAll();
}

CGXRangeList& CGXRangeList::operator=(const CGXRangeList& other) {
  if (&other == this)
    return *this;
  DeleteAll();
  for (POSITION pos = other.GetHeadPosition(); pos != nullptr;) {
    const CGXCellRange* pRange = static_cast<const CGXCellRange*>(other.GetNext(pos));
    if (pRange->IsValid())
      AddRange(*pRange);
  }
  return *this;
}

POSITION CGXRangeList::AddRange(const CGXCellRange& range) {
  CGXCellRange* pRange = new CGXCellRange(range);
  try {
    return AddTail(pRange);
  } catch (...) {
    delete pRange;
    throw;
  }
}

void CGXRangeList::DeleteAll() {
  for (POSITION pos = GetHeadPosition(); pos != nullptr;)
    delete static_cast<CGXCellRange*>(GetNext(pos));
  RemoveAll();
}

void CGXRangeList::DeleteAt(POSITION pos) {
  delete GetRangeAt(pos);
  RemoveAt(pos);
}

void CGXRangeList::RemoveInvalidRanges() {
  for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
    POSITION posThis = pos;
    CGXCellRange* pRange = static_cast<CGXCellRange*>(GetNext(pos));
    if (!pRange->IsValid())
      DeleteAt(posThis);
  }
}

BOOL CGXRangeList::IsCellInList(ROWCOL nRow, ROWCOL nCol, POSITION posExcept) const {
  for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
    POSITION posThis = pos;
    const CGXCellRange* pRange = static_cast<const CGXCellRange*>(GetNext(pos));
    if (posThis != posExcept && pRange->IsCellInRange(nRow, nCol))
      return TRUE;
  }
  return FALSE;
}

POSITION CGXRangeList::FindRange(ROWCOL nRow, ROWCOL nCol) const {
  for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
    POSITION posThis = pos;
    if (static_cast<const CGXCellRange*>(GetNext(pos))->IsCellInRange(nRow, nCol))
      return posThis;
  }
  return nullptr;
}

BOOL CGXRangeList::IsColTouched(ROWCOL nCol) const {
  for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
    const CGXCellRange* pRange = static_cast<const CGXCellRange*>(GetNext(pos));
    if (!pRange->IsValid())
      continue;
    if (pRange->IsRows() || pRange->IsTable())
      return TRUE;
    if (nCol >= pRange->left && nCol <= pRange->right)
      return TRUE;
  }
  return FALSE;
}

BOOL CGXRangeList::IsRowTouched(ROWCOL nRow) const {
  for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
    const CGXCellRange* pRange = static_cast<const CGXCellRange*>(GetNext(pos));
    if (!pRange->IsValid())
      continue;
    if (pRange->IsCols() || pRange->IsTable())
      return TRUE;
    if (nRow >= pRange->top && nRow <= pRange->bottom)
      return TRUE;
  }
  return FALSE;
}

namespace {

// Inserts first..last into the spans, which stay sorted by their first value; an overlapping
// span is widened instead.
void InsertSpan(CDWordArray& firsts, CDWordArray& lasts, DWORD first, DWORD last) {
  for (int i = 0; i < firsts.GetSize(); ++i) {
    DWORD f = firsts[i], l = lasts[i];
    bool overlap = (first >= f && first <= l) || (last >= f && last <= l) || (f >= first && f <= last) ||
                   (l >= first && l <= last);
    if (overlap) {
      firsts[i] = std::min(f, first);
      lasts[i] = std::max(l, last);
      return;
    }
    if (f > first) {
      firsts.InsertAt(i, first);
      lasts.InsertAt(i, last);
      return;
    }
  }
  firsts.Add(first);
  lasts.Add(last);
}

// Spans of one direction: bRows picks rows (top..bottom, whole rows ranges count) over columns.
BOOL GetSpans(const CGXRangeList& list, bool bRows, ROWCOL nCount, CDWordArray& firsts, CDWordArray& lasts,
              BOOL bAll) {
  firsts.RemoveAll();
  lasts.RemoveAll();
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
    const CGXCellRange* pRange = list.GetRangeAt(pos);
    list.GetNext(pos);
    if (!pRange->IsValid())
      continue;
    bool bWhole = bRows ? pRange->IsRows() : pRange->IsCols();
    if (!bAll && !bWhole && !pRange->IsTable())
      continue;
    // Ranges of the other direction and the table reach the end.
    bool bOpen = bRows ? (pRange->IsCols() || pRange->IsTable()) : (pRange->IsRows() || pRange->IsTable());
    DWORD first = bRows ? pRange->top : pRange->left;
    DWORD last = bOpen ? nCount : (bRows ? pRange->bottom : pRange->right);
    InsertSpan(firsts, lasts, first, last);
  }
  // Spans that overlap or touch become one.
  for (int i = 0; i + 1 < firsts.GetSize();) {
    if ((uint64_t)firsts[i + 1] <= (uint64_t)lasts[i] + 1) {
      lasts[i] = std::max(lasts[i], lasts[i + 1]);
      firsts.RemoveAt(i + 1);
      lasts.RemoveAt(i + 1);
    } else {
      ++i;
    }
  }
  return firsts.GetSize();
}

}  // namespace

BOOL CGXRangeList::GetColSpans(ROWCOL nColCount, CDWordArray& firsts, CDWordArray& lasts, BOOL bAll) const {
  return GetSpans(*this, false, nColCount, firsts, lasts, bAll);
}

BOOL CGXRangeList::GetRowSpans(ROWCOL nRowCount, CDWordArray& firsts, CDWordArray& lasts, BOOL bAll) const {
  return GetSpans(*this, true, nRowCount, firsts, lasts, bAll);
}

namespace {

// The bounds of one direction of a range, so that rows and columns share one logic.
struct Bounds {
  ROWCOL* first;
  ROWCOL* last;
};

// Ranges of the other direction, and the table, do not follow a change of this direction.
bool Follows(const CGXCellRange& range, bool bRows) {
  return !range.IsTable() && (bRows ? !range.IsCols() : !range.IsRows());
}

Bounds BoundsOf(CGXCellRange& range, bool bRows) {
  return bRows ? Bounds{&range.top, &range.bottom} : Bounds{&range.left, &range.right};
}

void InsertLines(CGXRangeList& list, bool bRows, ROWCOL nAt, ROWCOL nCount) {
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
    CGXCellRange* pRange = static_cast<CGXCellRange*>(list.GetNext(pos));
    if (!Follows(*pRange, bRows))
      continue;
    Bounds b = BoundsOf(*pRange, bRows);
    if (*b.first >= nAt)
      *b.first += nCount;
    if (*b.last >= nAt)
      *b.last += nCount;
  }
}

void RemoveLines(CGXRangeList& list, bool bRows, ROWCOL nFrom, ROWCOL nTo, ROWCOL nNewCount) {
  int64_t n = (int64_t)nTo - nFrom + 1;
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
    CGXCellRange* pRange = static_cast<CGXCellRange*>(list.GetNext(pos));
    if (!pRange->IsValid() || !Follows(*pRange, bRows))
      continue;
    Bounds b = BoundsOf(*pRange, bRows);
    if (*b.first >= nFrom && *b.last <= nTo) {
      pRange->m_bValid = FALSE;
      *b.last = std::min(*b.last, nNewCount);
      continue;
    }
    if (*b.first >= nFrom)
      *b.first = ClampRowCol(std::max<int64_t>(nFrom, (int64_t)std::max(nTo, *b.first) - n));
    if (*b.last >= nFrom)
      *b.last = ClampRowCol((int64_t)std::max(*b.last, nTo) - n);
    pRange->m_bValid = *b.last >= *b.first;
    *b.last = std::min(*b.last, nNewCount);
  }
}

void MoveLines(CGXRangeList& list, bool bRows, ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest, ROWCOL nCount) {
  int64_t n = (int64_t)nTo - nFrom + 1;
  int64_t d = nDest <= nFrom ? (int64_t)nDest : (int64_t)nDest + n;
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
    CGXCellRange* pRange = static_cast<CGXCellRange*>(list.GetNext(pos));
    if (!Follows(*pRange, bRows))
      continue;
    Bounds b = BoundsOf(*pRange, bRows);
    int64_t first = *b.first;
    int64_t shift = 0;
    if (first >= nFrom && first <= nTo)
      shift = nTo < d ? d - n - nFrom : d - nFrom;
    else if (first > nTo && first < d)
      shift = -n;
    else if (d < nFrom && first >= d && first < nFrom)
      shift = n;
    *b.first = ClampRowCol(first + shift);
    *b.last = ClampRowCol((int64_t)*b.last + shift);
    *b.last = std::min(*b.last, nCount);
    // A range that now begins beyond the count would be upside down: it holds nothing.
    if (*b.first > *b.last)
      pRange->m_bValid = FALSE;
  }
}

}  // namespace

void CGXRangeList::InsertRows(ROWCOL nAt, ROWCOL nCount) { InsertLines(*this, true, nAt, nCount); }
void CGXRangeList::InsertCols(ROWCOL nAt, ROWCOL nCount) { InsertLines(*this, false, nAt, nCount); }

void CGXRangeList::RemoveRows(ROWCOL nFrom, ROWCOL nTo, ROWCOL nNewCount) {
  RemoveLines(*this, true, nFrom, nTo, nNewCount);
}

void CGXRangeList::RemoveCols(ROWCOL nFrom, ROWCOL nTo, ROWCOL nNewCount) {
  RemoveLines(*this, false, nFrom, nTo, nNewCount);
}

void CGXRangeList::MoveRows(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest, ROWCOL nCount) {
  MoveLines(*this, true, nFrom, nTo, nDest, nCount);
}

void CGXRangeList::MoveCols(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest, ROWCOL nCount) {
  MoveLines(*this, false, nFrom, nTo, nDest, nCount);
}

void CGXRangeList::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    RemoveInvalidRanges();
    ar << kRangeListSchema << (DWORD)GetCount();
    for (POSITION pos = GetHeadPosition(); pos != nullptr;)
      WriteRangeToArchive(ar, *static_cast<CGXCellRange*>(GetNext(pos)));
    return;
  }
  WORD wSchema;
  ar >> wSchema;
  if (wSchema != kRangeListSchema)
    AfxThrowArchiveException(CArchiveException::badSchema, ar.m_strFileName);
  DWORD nCount;
  ar >> nCount;
  // The count is not trusted for an allocation: each range is read before it is added.
  for (DWORD i = 0; i < nCount; ++i) {
    CGXCellRange range;
    ReadRangeFromArchive(ar, range);
    AddRange(range);
  }
}
