// The delayed-range pool and the span-cell pool, with their feature objects.
#include "GXSpanCellPool.h"

#include "GXGridState.h"

#include <algorithm>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

IMPLEMENT_SERIAL(CGXDelayedRange, CObject, 0)
IMPLEMENT_SERIAL(CGXDelayedRangePool, CObject, 0)
IMPLEMENT_SERIAL(CGXDWordArrayPtrArray, CPtrArray, 0)
IMPLEMENT_SERIAL(CGXSpanCellPool, CObject, 0)

namespace {

const DWORD kNone = 0xFFFFFFFF;
// The largest store an archive may ask for: 16,777,216 entries (128 MB of pointers).
const DWORD kMaxStoredEntries = 0x1000000;
// Rows and columns from 2^31 on are not kept.
const ROWCOL kFirstTooLarge = 0x80000000u;

[[noreturn]] void Damaged(CArchive& ar) {
  AfxThrowArchiveException(CArchiveException::generic, ar.m_strFileName);
}

bool Meets(const CGXCellRange& a, const CGXCellRange& b) {
  return a.top <= b.bottom && b.top <= a.bottom && a.left <= b.right && b.left <= a.right;
}

bool Contains(const CGXCellRange& outer, const CGXCellRange& inner) {
  return outer.top <= inner.top && inner.bottom <= outer.bottom && outer.left <= inner.left &&
         inner.right <= outer.right;
}

bool ContainsCell(const CGXCellRange& r, ROWCOL nRow, ROWCOL nCol) {
  return nRow >= r.top && nRow <= r.bottom && nCol >= r.left && nCol <= r.right;
}

}  // namespace

// --- a delayed range -------------------------------------------------------------------------

void CGXDelayedRange::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    WriteRangeToArchive(ar, m_range);
    m_rowStarts.Serialize(ar);
    m_rowEnds.Serialize(ar);
    return;
  }
  ReadRangeFromArchive(ar, m_range);
  m_rowStarts.Serialize(ar);
  m_rowEnds.Serialize(ar);
  if (m_rowStarts.GetSize() != m_rowEnds.GetSize())
    Damaged(ar);
  for (int i = 0; i < m_rowStarts.GetSize(); ++i)
    if (m_rowStarts[i] > m_rowEnds[i] || (i > 0 && m_rowStarts[i] <= m_rowEnds[i - 1]))
      Damaged(ar);
  m_bDone = FALSE;
}

void CGXDelayedRange::CopyFrom(const CGXDelayedRange& other) {
  if (&other == this)
    return;
  m_bDone = other.m_bDone;
  m_range = other.m_range;
  m_rowStarts.InsertAt(0, &other.m_rowStarts);
  m_rowEnds.InsertAt(0, &other.m_rowEnds);
}

BOOL CGXDelayedRange::MarkRowsDone(ROWCOL nFirst, ROWCOL nLast) {
  if (nLast < nFirst)
    std::swap(nFirst, nLast);
  std::vector<std::pair<DWORD, DWORD>> spans;
  for (int i = 0; i < m_rowStarts.GetSize(); ++i) {
    if (m_rowStarts[i] <= nFirst && m_rowEnds[i] >= nLast)
      return FALSE;  // done already
    spans.push_back({m_rowStarts[i], m_rowEnds[i]});
  }
  // The new span joins every span it overlaps or touches; the list stays sorted.
  std::vector<std::pair<DWORD, DWORD>> merged;
  std::pair<DWORD, DWORD> add{nFirst, nLast};
  bool placed = false;
  for (const auto& s : spans) {
    bool touches = (uint64_t)s.first <= (uint64_t)add.second + 1 && (uint64_t)s.second + 1 >= (uint64_t)add.first;
    if (touches) {
      add.first = std::min(add.first, s.first);
      add.second = std::max(add.second, s.second);
    } else if (s.first > add.second) {
      if (!placed) {
        merged.push_back(add);
        placed = true;
      }
      merged.push_back(s);
    } else {
      merged.push_back(s);
    }
  }
  if (!placed)
    merged.push_back(add);
  m_rowStarts.SetSize((int)merged.size());
  m_rowEnds.SetSize((int)merged.size());
  for (size_t i = 0; i < merged.size(); ++i) {
    m_rowStarts[(int)i] = merged[i].first;
    m_rowEnds[(int)i] = merged[i].second;
  }
  if (merged.size() == 1 && merged[0].first <= m_range.top && merged[0].second >= m_range.bottom)
    m_bDone = TRUE;
  return TRUE;
}

// --- the delayed-range pool ------------------------------------------------------------------

CGXDelayedRangePool::~CGXDelayedRangePool() {
  for (int i = 0; i < m_entries.GetSize(); ++i)
    delete m_entries[i];
}

void CGXDelayedRangePool::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount((DWORD)m_entries.GetSize());
    for (int i = 0; i < m_entries.GetSize(); ++i)
      ar.WriteObject(m_entries[i]);
    return;
  }
  for (int i = 0; i < m_entries.GetSize(); ++i)
    delete m_entries[i];
  m_entries.RemoveAll();
  DWORD n = ar.ReadCount();
  for (DWORD i = 0; i < n; ++i) {
    CObject* p = ar.ReadNewObject(RUNTIME_CLASS(CGXDelayedRange));
    if (p == nullptr)
      Damaged(ar);
    try {
      m_entries.Add(p);
    } catch (...) {
      delete p;
      throw;
    }
  }
}

void CGXDelayedRangePool::CopyFrom(const CGXDelayedRangePool& other) {
  if (&other == this)
    return;
  RemoveDone();
  for (int i = 0; i < other.GetCount(); ++i) {
    auto* p = new CGXDelayedRange;
    try {
      p->CopyFrom(*other.GetAt(i));
      m_entries.Add(p);
    } catch (...) {
      delete p;
      throw;
    }
  }
}

void CGXDelayedRangePool::AddRange(const CGXCellRange& range) {
  try {
    int nReuse = -1;
    for (int i = 0; i < GetCount(); ++i) {
      CGXDelayedRange* e = GetAt(i);
      if (e->m_bDone) {
        if (nReuse < 0)
          nReuse = i;
        continue;
      }
      if (Contains(range, e->m_range)) {
        e->m_bDone = TRUE;
        e->m_rowStarts.RemoveAll();
        e->m_rowEnds.RemoveAll();
        if (nReuse < 0)
          nReuse = i;
        continue;
      }
      if (e->m_rowStarts.GetSize() == 0) {
        if (e->m_range.right + 1 == range.left)
          e->m_range.right = range.right;
        if (e->m_range.bottom + 1 == range.top)
          e->m_range.bottom = range.bottom;
        if (ContainsCell(e->m_range, range.top, range.left) && ContainsCell(e->m_range, range.bottom, range.right))
          return;  // absorbed
      }
    }
    if (nReuse >= 0) {
      CGXDelayedRange* e = GetAt(nReuse);
      e->m_bDone = FALSE;
      e->m_range = range;
      e->m_rowStarts.RemoveAll();
      e->m_rowEnds.RemoveAll();
      return;
    }
    auto* p = new CGXDelayedRange;
    p->m_range = range;
    try {
      m_entries.InsertAt(0, p);
    } catch (...) {
      delete p;
      throw;
    }
  } catch (CMemoryException* e) {
    e->Delete();
  }
}

void CGXDelayedRangePool::SplitAt(const CGXCellRange& range) {
  try {
    const int n = GetCount();
    for (int i = 0; i < n; ++i) {
      CGXDelayedRange* e = GetAt(i);
      if (e->m_bDone || !Meets(e->m_range, range))
        continue;
      if (e->m_range.left < range.left) {
        auto* p = new CGXDelayedRange;
        try {
          p->CopyFrom(*e);
          p->m_range.right = range.left - 1;
          m_entries.Add(p);
        } catch (...) {
          delete p;
          throw;
        }
        e->m_range.left = range.left;
      }
      if (e->m_range.right > range.right) {
        auto* p = new CGXDelayedRange;
        try {
          p->CopyFrom(*e);
          p->m_range.left = range.right + 1;
          m_entries.Add(p);
        } catch (...) {
          delete p;
          throw;
        }
        e->m_range.right = range.right;
      }
    }
  } catch (CMemoryException* e) {
    e->Delete();
  }
}

BOOL CGXDelayedRangePool::CollectPending(const CGXCellRange& range, CDWordArray& firstCols, CDWordArray& lastCols) {
  if (range.bottom < range.top || range.bottom - range.top >= kMaxStoredEntries)
    return FALSE;
  const int n = (int)(range.bottom - range.top + 1);
  firstCols.SetSize(n);
  lastCols.SetSize(n);
  for (int i = 0; i < n; ++i) {
    firstCols[i] = kNone;
    lastCols[i] = 0;
  }
  SplitAt(range);
  BOOL bAny = FALSE;
  for (int i = 0; i < GetCount(); ++i) {
    CGXDelayedRange* e = GetAt(i);
    if (e->m_bDone || !Meets(e->m_range, range))
      continue;
    const ROWCOL nTop = std::max(e->m_range.top, range.top), nBottom = std::min(e->m_range.bottom, range.bottom);
    if (!e->MarkRowsDone(nTop, nBottom))
      continue;
    for (ROWCOL r = nTop; r <= nBottom; ++r) {
      const int k = (int)(r - range.top);
      firstCols[k] = firstCols[k] == kNone ? e->m_range.left : std::min<DWORD>(firstCols[k], e->m_range.left);
      lastCols[k] = std::max<DWORD>(lastCols[k], e->m_range.right);
      if (r == nBottom)
        break;
    }
    bAny = TRUE;
  }
  if (bAny)
    RemoveDone();
  return bAny;
}

void CGXDelayedRangePool::RemoveDone() {
  for (int i = GetCount() - 1; i >= 0; --i) {
    if (GetAt(i)->m_bDone) {
      delete m_entries[i];
      m_entries.RemoveAt(i);
    }
  }
}

// --- arrays of 32-bit values -----------------------------------------------------------------

CGXDWordArrayPtrArray::~CGXDWordArrayPtrArray() {
  DeleteAll();
}

void CGXDWordArrayPtrArray::DeleteAll() {
  for (int i = 0; i < GetSize(); ++i)
    delete static_cast<CDWordArray*>(GetAt(i));
  RemoveAll();
}

void CGXDWordArrayPtrArray::RemoveArrays(int nFrom, int nCount) {
  if (nFrom < 0 || nFrom >= GetSize() || nCount <= 0)
    return;
  nCount = std::min(nCount, GetSize() - nFrom);
  for (int i = nFrom; i < nFrom + nCount; ++i)
    delete static_cast<CDWordArray*>(GetAt(i));
  RemoveAt(nFrom, nCount);
}

void CGXDWordArrayPtrArray::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << (WORD)1 << (DWORD)GetSize();
    for (int i = 0; i < GetSize(); ++i) {
      if (CDWordArray* p = GetArray(i)) {
        ar << (DWORD)i;
        p->Serialize(ar);
      }
    }
    ar << kNone;
    return;
  }
  WORD nVersion;
  ar >> nVersion;
  if (nVersion != 1)
    AfxThrowArchiveException(CArchiveException::badSchema, ar.m_strFileName);
  DWORD nCount;
  ar >> nCount;
  if (nCount > kMaxStoredEntries)
    Damaged(ar);
  DeleteAll();
  SetSize((int)nCount);
  int64_t nPrevious = -1;
  for (;;) {
    DWORD nIndex;
    ar >> nIndex;
    if (nIndex == kNone)
      break;
    if ((int64_t)nIndex <= nPrevious || nIndex >= nCount)
      Damaged(ar);
    nPrevious = nIndex;
    auto* p = new CDWordArray;
    SetAt((int)nIndex, p);
    p->Serialize(ar);
  }
}

void CGXDWordArrayPtrArray::CopyFrom(const CGXDWordArrayPtrArray& other) {
  if (&other == this)
    return;
  DeleteAll();
  SetSize(other.GetSize());
  for (int i = 0; i < other.GetSize(); ++i) {
    auto* p = new CDWordArray;
    SetAt(i, p);
    if (const CDWordArray* q = other.GetArray(i))
      p->Copy(*q);
  }
}

// --- the span-cell pool ----------------------------------------------------------------------

void CGXSpanCellPool::Serialize(CArchive& ar) {
  m_rowStore.Serialize(ar);
  m_colStore.Serialize(ar);
}

namespace {

// The extent of the entries equal to the one at (i, j) from j on: TRUE with [first, last] when
// there is one.
bool SpanIn(const CGXDWordArrayPtrArray& store, ROWCOL i, ROWCOL j, ROWCOL& nFirst, ROWCOL& nLast) {
  const CDWordArray* p = store.GetArray((int)i);
  if (p == nullptr || (int64_t)j >= p->GetSize() || (*p)[(int)j] == kNone)
    return false;
  const DWORD v = (*p)[(int)j];
  int k = (int)j;
  while (k + 1 < p->GetSize() && (*p)[k + 1] == v)
    ++k;
  nFirst = v;
  nLast = (ROWCOL)k;
  return true;
}

// One direction of SetSpan: for each line i of [i1, i2], entries j1..j2 hold j1 (set) or the span
// starting there is cleared.
bool SetIn(CGXDWordArrayPtrArray& store, ROWCOL i1, ROWCOL i2, ROWCOL j1, ROWCOL j2, BOOL bSet) {
  bool changed = false;
  for (ROWCOL i = i1; i <= i2; ++i) {
    CDWordArray* p = store.GetArray((int)i);
    if (bSet) {
      if (p == nullptr) {
        if ((int64_t)i >= store.GetSize())
          store.SetSize((int)i + 1);
        p = new CDWordArray;
        store.SetAt((int)i, p);
      }
      const DWORD old = (int64_t)j1 < p->GetSize() ? (*p)[(int)j1] : kNone;
      while ((int64_t)p->GetSize() <= (int64_t)j2)
        p->Add(kNone);
      for (ROWCOL j = j1; j <= j2; ++j) {
        if ((*p)[(int)j] != j1)
          changed = true;
        (*p)[(int)j] = j1;
      }
      // What remains of the span that was there past the new end is no span any more.
      if (old != kNone)
        for (int k = (int)j2 + 1; k < p->GetSize() && (*p)[k] == old; ++k) {
          (*p)[k] = kNone;
          changed = true;
        }
    } else {
      if (p == nullptr || (int64_t)j1 >= p->GetSize() || (*p)[(int)j1] == kNone)
        continue;
      const DWORD v = (*p)[(int)j1];
      for (int k = (int)j1; k < p->GetSize() && (*p)[k] == v; ++k) {
        (*p)[k] = kNone;
        changed = true;
      }
    }
    if (i == i2)
      break;
  }
  return changed;
}

// Lines [at, at + count) get null arrays (only inside the store).
void InsertLines(CGXDWordArrayPtrArray& store, ROWCOL nAt, ROWCOL nCount) {
  if ((int64_t)nAt < store.GetSize())
    store.InsertAt((int)nAt, nullptr, (int)nCount);
}

// Every line that reaches position at gets count entries at it: -1 where no span continues
// across, else the value of the span that now covers them.
void InsertEntries(CGXDWordArrayPtrArray& store, ROWCOL nAt, ROWCOL nCount) {
  for (int i = 0; i < store.GetSize(); ++i)
    if (CDWordArray* p = store.GetArray(i))
      if ((int64_t)nAt < p->GetSize()) {
        p->InsertAt((int)nAt, kNone, (int)nCount);
        // The spans that start after the new entries start that much later.
        for (int k = (int)(nAt + nCount); k < p->GetSize(); ++k)
          if ((*p)[k] != kNone && (*p)[k] >= nAt)
            (*p)[k] += nCount;
      }
}

// Every line loses its entries from..to; the spans after them start that much earlier, and one
// that began among them now begins at from.
void RemoveEntries(CGXDWordArrayPtrArray& store, ROWCOL nFrom, ROWCOL nTo) {
  const uint64_t nRemoved = (uint64_t)nTo - nFrom + 1;
  for (int i = 0; i < store.GetSize(); ++i)
    if (CDWordArray* p = store.GetArray(i))
      if ((int64_t)nFrom < p->GetSize()) {
        int nCount = (int)std::min<int64_t>((int64_t)nRemoved, p->GetSize() - (int64_t)nFrom);
        p->RemoveAt((int)nFrom, nCount);
        for (int k = (int)nFrom; k < p->GetSize(); ++k)
          if ((*p)[k] != kNone && (*p)[k] >= nFrom)
            (*p)[k] = (*p)[k] > nTo ? (DWORD)((*p)[k] - nRemoved) : (DWORD)nFrom;
      }
}

template <class T>
void MoveBlock(T& a, int nFrom, int nCount, int nDest) {
  if (nFrom < 0 || nFrom >= a.GetSize() || nCount <= 0 || nDest == nFrom)
    return;
  nCount = std::min(nCount, a.GetSize() - nFrom);
  std::vector<typename std::remove_reference<decltype(a[0])>::type> block;
  for (int i = 0; i < nCount; ++i)
    block.push_back(a[nFrom + i]);
  a.RemoveAt(nFrom, nCount);
  if (nDest > a.GetSize())
    a.SetSize(nDest);
  for (int i = 0; i < nCount; ++i)
    a.InsertAt(nDest + i, block[(size_t)i]);
}

}  // namespace

BOOL CGXSpanCellPool::GetSpan(ROWCOL nRow, ROWCOL nCol, CGXCellRange& range) const {
  if (nRow >= kFirstTooLarge || nCol >= kFirstTooLarge)
    return FALSE;
  ROWCOL nLeft = nCol, nRight = nCol, nTop = nRow, nBottom = nRow;
  bool bRow = SpanIn(m_rowStore, nRow, nCol, nLeft, nRight);
  bool bCol = SpanIn(m_colStore, nCol, nRow, nTop, nBottom);
  if (!bRow && !bCol)
    return FALSE;
  range.SetCells(nTop, nLeft, nBottom, nRight);
  return TRUE;
}

BOOL CGXSpanCellPool::SetSpan(ROWCOL nRow, ROWCOL nCol, ROWCOL nToRow, ROWCOL nToCol, BOOL bSet) {
  if (nToRow >= kFirstTooLarge || nToCol >= kFirstTooLarge || nRow > nToRow || nCol > nToCol)
    return FALSE;
  try {
    bool a = false, b = false;
    // A span one column wide is no span of a row.
    if (!(bSet && nCol == nToCol))
      a = SetIn(m_rowStore, nRow, nToRow, nCol, nToCol, bSet);
    if (!(bSet && nRow == nToRow))
      b = SetIn(m_colStore, nCol, nToCol, nRow, nToRow, bSet);
    return a || b;
  } catch (CMemoryException* e) {
    e->Delete();
    return FALSE;
  }
}

BOOL CGXSpanCellPool::InsertRows(ROWCOL nAt, ROWCOL nCount) {
  if (nCount == 0 || (uint64_t)nAt + nCount > 0x7FFFFFFF)
    return FALSE;
  InsertLines(m_rowStore, nAt, nCount);
  InsertEntries(m_colStore, nAt, nCount);
  return TRUE;
}

BOOL CGXSpanCellPool::RemoveRows(ROWCOL nFrom, ROWCOL nTo) {
  if (nTo < nFrom || nFrom >= kFirstTooLarge)
    return FALSE;
  m_rowStore.RemoveArrays((int)nFrom, (int)std::min<ROWCOL>(nTo - nFrom + 1, 0x7FFFFFFF));
  RemoveEntries(m_colStore, nFrom, nTo);
  return TRUE;
}

BOOL CGXSpanCellPool::MoveRows(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest) {
  if (nTo < nFrom || nTo >= kFirstTooLarge || nDest >= kFirstTooLarge)
    return FALSE;
  MoveBlock(m_rowStore, (int)nFrom, (int)(nTo - nFrom + 1), (int)nDest);
  for (int i = 0; i < m_colStore.GetSize(); ++i)
    if (CDWordArray* p = m_colStore.GetArray(i))
      MoveBlock(*p, (int)nFrom, (int)(nTo - nFrom + 1), (int)nDest);
  return TRUE;
}

BOOL CGXSpanCellPool::InsertCols(ROWCOL nAt, ROWCOL nCount) {
  if (nCount == 0 || (uint64_t)nAt + nCount > 0x7FFFFFFF)
    return FALSE;
  InsertLines(m_colStore, nAt, nCount);
  InsertEntries(m_rowStore, nAt, nCount);
  return TRUE;
}

BOOL CGXSpanCellPool::RemoveCols(ROWCOL nFrom, ROWCOL nTo) {
  if (nTo < nFrom || nFrom >= kFirstTooLarge)
    return FALSE;
  m_colStore.RemoveArrays((int)nFrom, (int)std::min<ROWCOL>(nTo - nFrom + 1, 0x7FFFFFFF));
  RemoveEntries(m_rowStore, nFrom, nTo);
  return TRUE;
}

BOOL CGXSpanCellPool::MoveCols(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest) {
  if (nTo < nFrom || nTo >= kFirstTooLarge || nDest >= kFirstTooLarge)
    return FALSE;
  MoveBlock(m_colStore, (int)nFrom, (int)(nTo - nFrom + 1), (int)nDest);
  for (int i = 0; i < m_rowStore.GetSize(); ++i)
    if (CDWordArray* p = m_rowStore.GetArray(i))
      MoveBlock(*p, (int)nFrom, (int)(nTo - nFrom + 1), (int)nDest);
  return TRUE;
}

void CGXSpanCellPool::CopyFrom(const CGXSpanCellPool& other) {
  if (&other == this)
    return;
  m_colStore.CopyFrom(other.m_colStore);
  m_rowStore.CopyFrom(other.m_rowStore);
}

// --- the feature objects -----------------------------------------------------------------------

CGXDelayedRangePool* CGXDelayedRangePoolImp::CreateCopy(const CGXDelayedRangePool* pSource) {
  auto* p = new CGXDelayedRangePool;
  if (pSource != nullptr) {
    try {
      p->CopyFrom(*pSource);
    } catch (...) {
      delete p;
      throw;
    }
  }
  return p;
}

void CGXDelayedRangePoolImp::CopyPool(CGXDelayedRangePool* pTarget, const CGXDelayedRangePool* pSource) {
  if (pTarget != nullptr && pSource != nullptr)
    pTarget->CopyFrom(*pSource);
}

CGXSpanCellPool* CGXSpanCellPoolImp::CreateCopy(const CGXSpanCellPool* pSource) {
  auto* p = new CGXSpanCellPool;
  if (pSource != nullptr) {
    try {
      p->CopyFrom(*pSource);
    } catch (...) {
      delete p;
      throw;
    }
  }
  return p;
}

void CGXSpanCellPoolImp::CopyPool(CGXSpanCellPool* pTarget, const CGXSpanCellPool* pSource) {
  if (pTarget != nullptr && pSource != nullptr)
    pTarget->CopyFrom(*pSource);
}

void CGXSpanCellPoolImp::InsertRows(CGXSpanCellPool* p, ROWCOL a, ROWCOL n) {
  if (p != nullptr)
    p->InsertRows(a, n);
}
void CGXSpanCellPoolImp::RemoveRows(CGXSpanCellPool* p, ROWCOL a, ROWCOL b) {
  if (p != nullptr)
    p->RemoveRows(a, b);
}
void CGXSpanCellPoolImp::MoveRows(CGXSpanCellPool* p, ROWCOL a, ROWCOL b, ROWCOL d) {
  if (p != nullptr)
    p->MoveRows(a, b, d);
}
void CGXSpanCellPoolImp::InsertCols(CGXSpanCellPool* p, ROWCOL a, ROWCOL n) {
  if (p != nullptr)
    p->InsertCols(a, n);
}
void CGXSpanCellPoolImp::RemoveCols(CGXSpanCellPool* p, ROWCOL a, ROWCOL b) {
  if (p != nullptr)
    p->RemoveCols(a, b);
}
void CGXSpanCellPoolImp::MoveCols(CGXSpanCellPool* p, ROWCOL a, ROWCOL b, ROWCOL d) {
  if (p != nullptr)
    p->MoveCols(a, b, d);
}

void InstallDelayedRangePoolImp() {
  GX_GRID_STATE* pState = GXGetAppState();
  if (pState->m_pDelayedRangePoolImp != nullptr)
    return;
  pState->m_pDelayedRangePoolImp = new CGXDelayedRangePoolImp;
  pState->AddAppAutoDelete(pState->m_pDelayedRangePoolImp);
}

void InstallSpanCellPoolImp() {
  GX_GRID_STATE* pState = GXGetAppState();
  if (pState->m_pSpanCellPoolImp != nullptr)
    return;
  pState->m_pSpanCellPoolImp = new CGXSpanCellPoolImp;
  pState->AddAppAutoDelete(pState->m_pSpanCellPoolImp);
}
