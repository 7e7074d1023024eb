// The grid's own collections: hash maps keyed by row or column index (whose keys shift when rows or
// columns are inserted, removed or moved), by cell and by 8-byte keys, and the owned pointer arrays
// of styles that the cell store is made of.
//
// The hash maps follow the framework's layout: a table of buckets (17 unless InitHashTable sets
// another size, allocated at the first insertion), a new key at the head of its bucket's chain,
// and walking through the buckets in order and each chain from its head, which is the order in
// which a map is stored.
// Not for: the framework's own maps (Map.h).
#ifndef GRID_CORE_GXCOLLMAP_H
#define GRID_CORE_GXCOLLMAP_H

#include "Framework.h"

#include <vector>

class CGXStyle;

// A chained hash map; HASH gives the bucket before the modulo.
template <class KEY, class VALUE, UINT (*HASH)(const KEY&)>
class CGXHashMap {
 public:
  explicit CGXHashMap(UINT nHashSize = 17) : m_nHashTableSize(nHashSize == 0 ? 17 : nHashSize) {}
  ~CGXHashMap() { RemoveAll(); }
  CGXHashMap(const CGXHashMap&) = delete;
  CGXHashMap& operator=(const CGXHashMap&) = delete;

  int GetCount() const { return m_nCount; }
  BOOL IsEmpty() const { return m_nCount == 0; }
  UINT GetHashTableSize() const { return m_nHashTableSize; }

  BOOL Lookup(const KEY& key, VALUE& rValue) const {
    Assoc* p = Find(key);
    if (p == nullptr)
      return FALSE;
    rValue = p->value;
    return TRUE;
  }
  VALUE* LookupPtr(const KEY& key) {
    Assoc* p = Find(key);
    return p != nullptr ? &p->value : nullptr;
  }
  VALUE& operator[](const KEY& key) {
    Assoc* p = Find(key);
    if (p != nullptr)
      return p->value;
    if (m_buckets.empty())
      m_buckets.assign(m_nHashTableSize, nullptr);
    UINT nBucket = HASH(key) % m_nHashTableSize;
    p = new Assoc{m_buckets[nBucket], nBucket, key, VALUE()};
    m_buckets[nBucket] = p;
    ++m_nCount;
    return p->value;
  }
  BOOL RemoveKey(const KEY& key) {
    if (m_buckets.empty())
      return FALSE;
    UINT nBucket = HASH(key) % m_nHashTableSize;
    for (Assoc** pp = &m_buckets[nBucket]; *pp != nullptr; pp = &(*pp)->pNext) {
      if ((*pp)->key == key) {
        Assoc* p = *pp;
        *pp = p->pNext;
        delete p;
        --m_nCount;
        return TRUE;
      }
    }
    return FALSE;
  }
  void RemoveAll() {
    for (Assoc* p : m_buckets) {
      while (p != nullptr) {
        Assoc* pNext = p->pNext;
        delete p;
        p = pNext;
      }
    }
    m_buckets.clear();
    m_nCount = 0;
  }
  // Frees the table; the new one (of the new size) is allocated now or at the first insertion.
  void InitHashTable(UINT nHashSize, BOOL bAllocNow = TRUE) {
    RemoveAll();
    m_nHashTableSize = nHashSize == 0 ? 17 : nHashSize;
    if (bAllocNow)
      m_buckets.assign(m_nHashTableSize, nullptr);
  }
  POSITION GetStartPosition() const { return ToPosition(First(0)); }
  void GetNextAssoc(POSITION& pos, KEY& rKey, VALUE& rValue) const {
    Assoc* p = reinterpret_cast<Assoc*>(pos);
    rKey = p->key;
    rValue = p->value;
    Assoc* pNext = p->pNext != nullptr ? p->pNext : First(p->nBucket + 1);
    pos = ToPosition(pNext);
  }

 private:
  struct Assoc {
    Assoc* pNext;
    UINT nBucket;
    KEY key;
    VALUE value;
  };
  Assoc* Find(const KEY& key) const {
    if (m_buckets.empty())
      return nullptr;
    for (Assoc* p = m_buckets[HASH(key) % m_nHashTableSize]; p != nullptr; p = p->pNext)
      if (p->key == key)
        return p;
    return nullptr;
  }
  Assoc* First(UINT nFromBucket) const {
    for (UINT i = nFromBucket; i < m_buckets.size(); ++i)
      if (m_buckets[i] != nullptr)
        return m_buckets[i];
    return nullptr;
  }
  static POSITION ToPosition(Assoc* p) { return reinterpret_cast<POSITION>(p); }

  std::vector<Assoc*> m_buckets;
  UINT m_nHashTableSize;
  int m_nCount = 0;
};

inline UINT GXHashDWord(const DWORD& key) { return key >> 4; }

struct GXNdxKey {
  DWORD nIndex1;
  DWORD nIndex2;
  bool operator==(const GXNdxKey& o) const { return nIndex1 == o.nIndex1 && nIndex2 == o.nIndex2; }
};
inline UINT GXHashNdx(const GXNdxKey& key) {
  return ((key.nIndex2 & 0xFFFF) << 12) | ((key.nIndex1 & 0xFFFF) >> 4);
}

struct GXByte8Key {
  DWORD w0;
  DWORD w1;
  bool operator==(const GXByte8Key& o) const { return w0 == o.w0 && w1 == o.w1; }
};
inline UINT GXHashByte8(const GXByte8Key& key) { return key.w0; }

// Row or column index to a 32-bit number. Stored as a 16-bit count and the key/value pairs; a
// map of more entries than the count word holds is refused (CArchiveException::generic).
class CGXCollMapDWordToLong : public CObject {
  DECLARE_SERIAL(CGXCollMapDWordToLong)

 public:
  explicit CGXCollMapDWordToLong(int nBlockSize = 10);
  void Serialize(CArchive& ar) override;

  int GetCount() const { return m_map.GetCount(); }
  BOOL IsEmpty() const { return m_map.IsEmpty(); }
  BOOL Lookup(DWORD key, LONG& rValue) const { return m_map.Lookup(key, rValue); }
  LONG& operator[](DWORD key) { return m_map[key]; }
  void SetAt(DWORD key, LONG value) { m_map[key] = value; }
  BOOL RemoveKey(DWORD key) { return m_map.RemoveKey(key); }
  void RemoveAll() { m_map.RemoveAll(); }
  POSITION GetStartPosition() const { return m_map.GetStartPosition(); }
  void GetNextAssoc(POSITION& pos, DWORD& rKey, LONG& rValue) const { m_map.GetNextAssoc(pos, rKey, rValue); }
  void InitHashTable(UINT nHashSize, BOOL bAllocNow = TRUE) { m_map.InitHashTable(nHashSize, bAllocNow); }
  UINT GetHashTableSize() const { return m_map.GetHashTableSize(); }

 protected:
  CGXHashMap<DWORD, LONG, GXHashDWord> m_map;
};

// Row heights or column widths by index, with keys that follow inserted, removed and moved rows.
class CGXMapDWordToLong : public CGXCollMapDWordToLong {
  DECLARE_SERIAL(CGXMapDWordToLong)

 public:
  explicit CGXMapDWordToLong(int nBlockSize = 10) : CGXCollMapDWordToLong(nBlockSize) {}
  CGXMapDWordToLong& operator=(const CGXMapDWordToLong& other);

  void InsertKeys(DWORD nAt, DWORD nCount);
  void RemoveKeys(DWORD nFrom, DWORD nTo);
  void MoveKeys(DWORD nFrom, DWORD nTo, DWORD nDest);

 private:
  // Rebuilds the map with every key mapped through fn.
  template <class FN>
  void Rekey(FN fn);
};

// (index 1, index 2) to an object the map does not own.
class CMapNdxToOb : public CObject {
  DECLARE_SERIAL(CMapNdxToOb)

 public:
  explicit CMapNdxToOb(int nBlockSize = 10);
  // A 16-bit count, then index 1, index 2 and the object (as WriteObject writes it) per entry.
  // Loading hands over the objects it reads; DeleteAllObjects frees them.
  void Serialize(CArchive& ar) override;

  int GetCount() const { return m_map.GetCount(); }
  BOOL Lookup(DWORD n1, DWORD n2, CObject*& rValue) const { return m_map.Lookup(GXNdxKey{n1, n2}, rValue); }
  void SetAt(DWORD n1, DWORD n2, CObject* pValue) { m_map[GXNdxKey{n1, n2}] = pValue; }
  BOOL RemoveKey(DWORD n1, DWORD n2) { return m_map.RemoveKey(GXNdxKey{n1, n2}); }
  void RemoveAll() { m_map.RemoveAll(); }
  // Deletes every object and empties the map.
  void DeleteAllObjects();
  POSITION GetStartPosition() const { return m_map.GetStartPosition(); }
  void GetNextAssoc(POSITION& pos, DWORD& n1, DWORD& n2, CObject*& rValue) const;
  void InitHashTable(UINT nHashSize, BOOL bAllocNow = TRUE) { m_map.InitHashTable(nHashSize, bAllocNow); }

 protected:
  CGXHashMap<GXNdxKey, CObject*, GXHashNdx> m_map;
};

class CGXMapCellToOb : public CMapNdxToOb {
  DECLARE_SERIAL(CGXMapCellToOb)

 public:
  explicit CGXMapCellToOb(int nBlockSize = 10) : CMapNdxToOb(nBlockSize) {}
};

class CGXCollMapDWordToString : public CObject {
  DECLARE_SERIAL(CGXCollMapDWordToString)

 public:
  explicit CGXCollMapDWordToString(int nBlockSize = 10);
  void Serialize(CArchive& ar) override;

  int GetCount() const { return m_map.GetCount(); }
  BOOL Lookup(DWORD key, CString& rValue) const { return m_map.Lookup(key, rValue); }
  CString& operator[](DWORD key) { return m_map[key]; }
  BOOL RemoveKey(DWORD key) { return m_map.RemoveKey(key); }
  void RemoveAll() { m_map.RemoveAll(); }
  POSITION GetStartPosition() const { return m_map.GetStartPosition(); }
  void GetNextAssoc(POSITION& pos, DWORD& rKey, CString& rValue) const { m_map.GetNextAssoc(pos, rKey, rValue); }

 private:
  CGXHashMap<DWORD, CString, GXHashDWord> m_map;
};

class CGXMapByte8ToPtr : public CObject {
  DECLARE_DYNAMIC(CGXMapByte8ToPtr)

 public:
  explicit CGXMapByte8ToPtr(int /*nBlockSize*/ = 10) {}
  BOOL Lookup(DWORD w0, DWORD w1, void*& rValue) const { return m_map.Lookup(GXByte8Key{w0, w1}, rValue); }
  void SetAt(DWORD w0, DWORD w1, void* pValue) { m_map[GXByte8Key{w0, w1}] = pValue; }
  BOOL RemoveKey(DWORD w0, DWORD w1) { return m_map.RemoveKey(GXByte8Key{w0, w1}); }
  void RemoveAll() { m_map.RemoveAll(); }
  int GetCount() const { return m_map.GetCount(); }

 private:
  CGXHashMap<GXByte8Key, void*, GXHashByte8> m_map;
};

// Owned objects, deleted through their virtual destructor.
class CGXPtrArrayPtrArray : public CPtrArray {
  DECLARE_DYNAMIC(CGXPtrArrayPtrArray)

 public:
  CGXPtrArrayPtrArray() = default;
  ~CGXPtrArrayPtrArray() override { DeleteAll(); }
  void DeleteAll();
};

// Owned styles by index (null = none). Serialised through the grid-document serialisation feature.
class CGXStylePtrArray : public CPtrArray {
  DECLARE_DYNAMIC(CGXStylePtrArray)

 public:
  CGXStylePtrArray() = default;
  ~CGXStylePtrArray() override { DeleteAll(); }
  CGXStylePtrArray(const CGXStylePtrArray&) = delete;
  CGXStylePtrArray& operator=(const CGXStylePtrArray& other);
  void Serialize(CArchive& ar) override;

  CGXStyle* GetStyle(int i) const { return i >= 0 && i < GetSize() ? static_cast<CGXStyle*>(GetAt(i)) : nullptr; }
  void DeleteAll();
  void RemoveRange(int nFrom, int nCount);
  void MoveRange(int nFrom, int nCount, int nDest);
};

// Owned rows of styles by index (null = a row without stored cells).
class CGXStylePtrArrayPtrArray : public CPtrArray {
  DECLARE_DYNAMIC(CGXStylePtrArrayPtrArray)

 public:
  CGXStylePtrArrayPtrArray() = default;
  ~CGXStylePtrArrayPtrArray() override { DeleteAll(); }
  CGXStylePtrArrayPtrArray(const CGXStylePtrArrayPtrArray&) = delete;
  CGXStylePtrArrayPtrArray& operator=(const CGXStylePtrArrayPtrArray& other);
  void Serialize(CArchive& ar) override;

  CGXStylePtrArray* GetRow(int i) const {
    return i >= 0 && i < GetSize() ? static_cast<CGXStylePtrArray*>(GetAt(i)) : nullptr;
  }
  void DeleteAll();
  void RemoveRange(int nFrom, int nCount);
  void MoveRange(int nFrom, int nCount, int nDest);
};

// Free helpers: delete every object of the container, then empty it.
void GXDeleteAllObjects(CMapPtrToPtr& map);
void GXDeleteAllObjects(CObList& list);
void GXDeleteAllObjects(CObArray& array);

// Refuses a count that does not fit the 16-bit word of a stored record.
void GXCheckWordCount(CArchive& ar, int nCount);

#endif  // GRID_CORE_GXCOLLMAP_H
