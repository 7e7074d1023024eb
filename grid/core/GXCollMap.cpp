// The grid's collections: key shifting, the stored forms of the index maps, and the owned pointer
// arrays with their range removal, block moves and deep copies.
#include "GXCollMap.h"

#include "GXGridState.h"
#include "GXStyle.h"

#include <algorithm>
#include <utility>

namespace {

// Where the block from..from+n-1 moved so that it begins at dest puts the element at i; the
// elements between shift the other way.
int64_t MovedIndex(int64_t i, int64_t from, int64_t n, int64_t dest) {
  if (i >= from && i < from + n)
    return i - from + dest;
  if (dest > from && i >= from + n && i < dest + n)
    return i - n;
  if (dest < from && i >= dest && i < from)
    return i + n;
  return i;
}

// Moves a block of an owned pointer array by rebuilding it from the moved indexes; trailing
// empty elements the move leaves behind are dropped.
void MovePointerBlock(CPtrArray& array, int nFrom, int nCount, int nDest) {
  int nSize = array.GetSize();
  if (nDest == nFrom || nCount <= 0 || (nFrom >= nSize && nDest >= nSize))
    return;
  std::vector<std::pair<int64_t, void*>> moved;
  int64_t nNewSize = nSize;
  for (int i = 0; i < nSize; ++i) {
    void* p = array[i];
    if (p == nullptr)
      continue;
    int64_t j = MovedIndex(i, nFrom, nCount, nDest);
    moved.emplace_back(j, p);
    nNewSize = std::max(nNewSize, j + 1);
  }
  if (nNewSize > 0x7FFFFFFF)
    AfxThrowMemoryException();
  CPtrArray result;
  result.SetSize((int)nNewSize);
  for (auto& e : moved)
    result[(int)e.first] = e.second;
  // Nothing can fail from here on: every pointer moves into the array in one piece.
  array.SetSize((int)nNewSize);
  for (int i = 0; i < (int)nNewSize; ++i)
    array[i] = result[i];
  int nLast = array.GetSize();
  while (nLast > nSize && array[nLast - 1] == nullptr)
    --nLast;
  array.SetSize(nLast);
}

void RemovePointerRange(CPtrArray& array, int nFrom, int nCount, void (*pfnDelete)(void*)) {
  if (nFrom < 0 || nCount <= 0)
    return;
  int64_t nLast = std::min<int64_t>(array.GetSize() - 1, (int64_t)nFrom + nCount - 1);
  if (nFrom > nLast)
    return;
  for (int64_t i = nFrom; i <= nLast; ++i)
    pfnDelete(array[(int)i]);
  array.RemoveAt(nFrom, (int)(nLast - nFrom + 1));
}

void DeleteStyle(void* p) { delete static_cast<CGXStyle*>(p); }
void DeleteStyleRow(void* p) { delete static_cast<CGXStylePtrArray*>(p); }

}  // namespace

void GXCheckWordCount(CArchive& ar, int nCount) {
  if (nCount < 0 || nCount > 0xFFFF)
    AfxThrowArchiveException(CArchiveException::generic, ar.m_strFileName);
}

// --- index maps ---------------------------------------------------------------------------------

IMPLEMENT_SERIAL(CGXCollMapDWordToLong, CObject, 0)

CGXCollMapDWordToLong::CGXCollMapDWordToLong(int /*nBlockSize*/) {}

void CGXCollMapDWordToLong::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    GXCheckWordCount(ar, GetCount());
    ar << (WORD)GetCount();
    for (POSITION pos = GetStartPosition(); pos != nullptr;) {
      DWORD key;
      LONG value;
      GetNextAssoc(pos, key, value);
      ar << key << (DWORD)value;
    }
    return;
  }
  WORD nCount;
  ar >> nCount;
  for (WORD i = 0; i < nCount; ++i) {
    DWORD key, value;
    ar >> key >> value;
    m_map[key] = (LONG)value;
  }
}

IMPLEMENT_SERIAL(CGXMapDWordToLong, CGXCollMapDWordToLong, 0)

CGXMapDWordToLong& CGXMapDWordToLong::operator=(const CGXMapDWordToLong& other) {
  if (&other == this)
    return *this;
  RemoveAll();
  for (POSITION pos = other.GetStartPosition(); pos != nullptr;) {
    DWORD key;
    LONG value;
    other.GetNextAssoc(pos, key, value);
    m_map[key] = value;
  }
  return *this;
}

template <class FN>
void CGXMapDWordToLong::Rekey(FN fn) {
  std::vector<std::pair<DWORD, LONG>> pairs;
  pairs.reserve((size_t)GetCount());
  for (POSITION pos = GetStartPosition(); pos != nullptr;) {
    DWORD key;
    LONG value;
    GetNextAssoc(pos, key, value);
    int64_t newKey = fn((int64_t)key);
    if (newKey >= 0 && newKey <= 0xFFFFFFFF)
      pairs.emplace_back((DWORD)newKey, value);
  }
  RemoveAll();
  for (auto& p : pairs)
    m_map[p.first] = p.second;
}

void CGXMapDWordToLong::InsertKeys(DWORD nAt, DWORD nCount) {
  Rekey([&](int64_t k) { return k >= nAt ? k + nCount : k; });
}

void CGXMapDWordToLong::RemoveKeys(DWORD nFrom, DWORD nTo) {
  int64_t n = (int64_t)nTo - nFrom + 1;
  Rekey([&](int64_t k) -> int64_t {
    if (k >= nFrom && k <= nTo)
      return -1;
    return k > nTo ? k - n : k;
  });
}

void CGXMapDWordToLong::MoveKeys(DWORD nFrom, DWORD nTo, DWORD nDest) {
  if (nDest == nFrom || nTo < nFrom)
    return;
  int64_t n = (int64_t)nTo - nFrom + 1;
  Rekey([&](int64_t k) { return MovedIndex(k, nFrom, n, nDest); });
}

IMPLEMENT_SERIAL(CMapNdxToOb, CObject, 0)

CMapNdxToOb::CMapNdxToOb(int /*nBlockSize*/) {}

void CMapNdxToOb::GetNextAssoc(POSITION& pos, DWORD& n1, DWORD& n2, CObject*& rValue) const {
  GXNdxKey key;
  m_map.GetNextAssoc(pos, key, rValue);
  n1 = key.nIndex1;
  n2 = key.nIndex2;
}

void CMapNdxToOb::DeleteAllObjects() {
  for (POSITION pos = GetStartPosition(); pos != nullptr;) {
    DWORD n1, n2;
    CObject* p;
    GetNextAssoc(pos, n1, n2, p);
    delete p;
  }
  RemoveAll();
}

void CMapNdxToOb::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    GXCheckWordCount(ar, GetCount());
    ar << (WORD)GetCount();
    for (POSITION pos = GetStartPosition(); pos != nullptr;) {
      DWORD n1, n2;
      CObject* p;
      GetNextAssoc(pos, n1, n2, p);
      ar << n1 << n2;
      ar.WriteObject(p);
    }
    return;
  }
  WORD nCount;
  ar >> nCount;
  for (WORD i = 0; i < nCount; ++i) {
    DWORD n1, n2;
    ar >> n1 >> n2;
    CObject* p = ar.ReadNewObject(nullptr);
    CObject* pOld = nullptr;
    if (Lookup(n1, n2, pOld))
      delete pOld;
    SetAt(n1, n2, p);
  }
}

IMPLEMENT_SERIAL(CGXMapCellToOb, CMapNdxToOb, 0)

IMPLEMENT_SERIAL(CGXCollMapDWordToString, CObject, 0)

CGXCollMapDWordToString::CGXCollMapDWordToString(int /*nBlockSize*/) {}

void CGXCollMapDWordToString::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    GXCheckWordCount(ar, GetCount());
    ar << (WORD)GetCount();
    for (POSITION pos = GetStartPosition(); pos != nullptr;) {
      DWORD key;
      CString value;
      GetNextAssoc(pos, key, value);
      ar << key << value;
    }
    return;
  }
  WORD nCount;
  ar >> nCount;
  for (WORD i = 0; i < nCount; ++i) {
    DWORD key;
    CString value;
    ar >> key >> value;
    m_map[key] = value;
  }
}

IMPLEMENT_DYNAMIC(CGXMapByte8ToPtr, CObject)

// --- pointer arrays -----------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CGXPtrArrayPtrArray, CPtrArray)

void CGXPtrArrayPtrArray::DeleteAll() {
  for (int i = 0; i < GetSize(); ++i)
    delete static_cast<CObject*>(GetAt(i));
  RemoveAll();
}

IMPLEMENT_DYNAMIC(CGXStylePtrArray, CPtrArray)

void CGXStylePtrArray::DeleteAll() {
  for (int i = 0; i < GetSize(); ++i)
    delete static_cast<CGXStyle*>(GetAt(i));
  RemoveAll();
}

CGXStylePtrArray& CGXStylePtrArray::operator=(const CGXStylePtrArray& other) {
  if (&other == this)
    return *this;
  DeleteAll();
  SetSize(other.GetSize());
  for (int i = 0; i < other.GetSize(); ++i)
    if (const CGXStyle* p = other.GetStyle(i))
      SetAt(i, p->Clone());
  return *this;
}

void CGXStylePtrArray::Serialize(CArchive& ar) {
  if (CGXAbstractGridDocSerializeImp* p = GXGetAppState()->m_pGridDocSerializeImp)
    p->SerializeStyleArray(this, ar);
}

void CGXStylePtrArray::RemoveRange(int nFrom, int nCount) {
  RemovePointerRange(*this, nFrom, nCount, DeleteStyle);
}

void CGXStylePtrArray::MoveRange(int nFrom, int nCount, int nDest) {
  MovePointerBlock(*this, nFrom, nCount, nDest);
}

IMPLEMENT_DYNAMIC(CGXStylePtrArrayPtrArray, CPtrArray)

void CGXStylePtrArrayPtrArray::DeleteAll() {
  for (int i = 0; i < GetSize(); ++i)
    delete static_cast<CGXStylePtrArray*>(GetAt(i));
  RemoveAll();
}

CGXStylePtrArrayPtrArray& CGXStylePtrArrayPtrArray::operator=(const CGXStylePtrArrayPtrArray& other) {
  if (&other == this)
    return *this;
  DeleteAll();
  SetSize(other.GetSize());
  for (int i = 0; i < other.GetSize(); ++i) {
    if (const CGXStylePtrArray* pRow = other.GetRow(i)) {
      CGXStylePtrArray* pCopy = new CGXStylePtrArray;
      SetAt(i, pCopy);
      *pCopy = *pRow;
    }
  }
  return *this;
}

void CGXStylePtrArrayPtrArray::Serialize(CArchive& ar) {
  if (CGXAbstractGridDocSerializeImp* p = GXGetAppState()->m_pGridDocSerializeImp)
    p->SerializeCellRows(this, ar);
}

void CGXStylePtrArrayPtrArray::RemoveRange(int nFrom, int nCount) {
  RemovePointerRange(*this, nFrom, nCount, DeleteStyleRow);
}

void CGXStylePtrArrayPtrArray::MoveRange(int nFrom, int nCount, int nDest) {
  MovePointerBlock(*this, nFrom, nCount, nDest);
}

// --- free helpers -------------------------------------------------------------------------------

void GXDeleteAllObjects(CMapPtrToPtr& map) {
  for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
    void* pKey;
    void* pValue;
    map.GetNextAssoc(pos, pKey, pValue);
    delete static_cast<CObject*>(pValue);
  }
  map.RemoveAll();
}

void GXDeleteAllObjects(CObList& list) {
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;)
    delete list.GetNext(pos);
  list.RemoveAll();
}

void GXDeleteAllObjects(CObArray& array) {
  for (int i = 0; i < array.GetSize(); ++i)
    delete array[i];
  array.RemoveAll();
}
