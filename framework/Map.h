// CMap<KEY, ARG_KEY, VALUE, ARG_VALUE> and the framework's map classes (CMapWordToOb,
// CMapWordToPtr, CMapPtrToWord, CMapPtrToPtr, CMapStringToString, CMapStringToOb,
// CMapStringToPtr): hash tables with chains, laid out as the framework lays them out, because
// the order in which a map is walked is the order in which it is stored.
//
// The table has 17 buckets unless InitHashTable (on an empty map) sets another size; it is
// allocated at the first insertion. A key goes to bucket HashKey(key) % size, where HashKey is
// key >> 4 for WORD and pointer keys, and for strings h = h * 33 + c over the chars (as signed
// chars, from h = 0, modulo 2^32). A new key is put at the head of its bucket's chain. Walking
// (GetStartPosition, GetNextAssoc) goes through the buckets in order and each chain from its
// head, so within a bucket the newest key comes first.
//
// Archive layouts: the count as CArchive::WriteCount writes it, then each entry in walking order:
// its key (WORD: 2 bytes; string: as CArchive writes strings) and its value (object: as
// WriteObject writes it; string: as CArchive writes strings). Loading sets each entry read, in
// order. The maps with pointer keys or values are not serialisable.
// The block size of the framework's node allocator is accepted and has no effect.
// Not for: arrays (Array.h) or lists (List.h).
#ifndef FRAMEWORK_MAP_H
#define FRAMEWORK_MAP_H

#include "Array.h"

inline UINT HashKey(WORD key) {
  return (UINT)key >> 4;
}

inline UINT HashKey(const void* key) {
  return (UINT)((uintptr_t)key >> 4);
}

inline UINT HashKey(LPCTSTR key) {
  UINT nHash = 0;
  while (*key)
    nHash = (nHash << 5) + nHash + (UINT)(int)(signed char)*key++;
  return nHash;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
class CMap : public CObject {
 public:
  explicit CMap(int /*nBlockSize*/ = 10) {}
  ~CMap() override { RemoveAll(); }

  int GetCount() const { return m_nCount; }
  BOOL IsEmpty() const { return m_nCount == 0; }

  BOOL Lookup(ARG_KEY key, VALUE& rValue) const;
  // The value of key, inserted (value-initialised) when it is not there yet.
  VALUE& operator[](ARG_KEY key);
  void SetAt(ARG_KEY key, ARG_VALUE newValue) { (*this)[key] = newValue; }
  BOOL RemoveKey(ARG_KEY key);
  // Frees every entry and the table; the table size stays.
  void RemoveAll();

  // BEFORE_START_POSITION, or null for an empty map.
  POSITION GetStartPosition() const { return m_nCount == 0 ? nullptr : BEFORE_START_POSITION; }
  // The entry at rNextPosition; rNextPosition moves to the next, null after the last.
  void GetNextAssoc(POSITION& rNextPosition, KEY& rKey, VALUE& rValue) const;

  UINT GetHashTableSize() const { return m_nHashTableSize; }
  // Only on an empty map. With bAllocNow FALSE the table is allocated at the first insertion.
  void InitHashTable(UINT hashSize, BOOL bAllocNow = TRUE);

  void Serialize(CArchive& ar) override;

 protected:
  struct CAssoc {
    CAssoc* pNext;
    UINT nHashValue;  // the bucket
    KEY key;
    VALUE value;
  };
  CAssoc* GetAssocAt(ARG_KEY key, UINT& nHash) const;

  std::vector<CAssoc*> m_pHashTable;  // empty until allocated
  UINT m_nHashTableSize = 17;
  int m_nCount = 0;
};

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
typename CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::CAssoc* CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::GetAssocAt(
    ARG_KEY key, UINT& nHash) const {
  nHash = HashKey(key) % m_nHashTableSize;
  if (m_pHashTable.empty())
    return nullptr;
  for (CAssoc* pAssoc = m_pHashTable[nHash]; pAssoc != nullptr; pAssoc = pAssoc->pNext) {
    if (pAssoc->key == key)
      return pAssoc;
  }
  return nullptr;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
BOOL CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::Lookup(ARG_KEY key, VALUE& rValue) const {
  UINT nHash;
  CAssoc* pAssoc = GetAssocAt(key, nHash);
  if (pAssoc == nullptr)
    return FALSE;
  rValue = pAssoc->value;
  return TRUE;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
VALUE& CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::operator[](ARG_KEY key) {
  UINT nHash;
  CAssoc* pAssoc = GetAssocAt(key, nHash);
  if (pAssoc == nullptr) {
    if (m_pHashTable.empty())
      InitHashTable(m_nHashTableSize);
    pAssoc = new CAssoc{m_pHashTable[nHash], nHash, KEY(key), VALUE()};
    m_pHashTable[nHash] = pAssoc;
    ++m_nCount;
  }
  return pAssoc->value;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
BOOL CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::RemoveKey(ARG_KEY key) {
  if (m_pHashTable.empty())
    return FALSE;
  CAssoc** ppAssocPrev = &m_pHashTable[HashKey(key) % m_nHashTableSize];
  for (CAssoc* pAssoc = *ppAssocPrev; pAssoc != nullptr; pAssoc = pAssoc->pNext) {
    if (pAssoc->key == key) {
      *ppAssocPrev = pAssoc->pNext;
      delete pAssoc;
      --m_nCount;
      return TRUE;
    }
    ppAssocPrev = &pAssoc->pNext;
  }
  return FALSE;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
void CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::RemoveAll() {
  for (CAssoc* pAssoc : m_pHashTable) {
    while (pAssoc != nullptr) {
      CAssoc* pNext = pAssoc->pNext;
      delete pAssoc;
      pAssoc = pNext;
    }
  }
  std::vector<CAssoc*>().swap(m_pHashTable);
  m_nCount = 0;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
void CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::GetNextAssoc(POSITION& rNextPosition, KEY& rKey,
                                                        VALUE& rValue) const {
  CAssoc* pAssocRet = reinterpret_cast<CAssoc*>(rNextPosition);
  if (rNextPosition == BEFORE_START_POSITION) {
    pAssocRet = nullptr;
    for (UINT nBucket = 0; nBucket < m_pHashTable.size() && pAssocRet == nullptr; ++nBucket)
      pAssocRet = m_pHashTable[nBucket];
  }
  CAssoc* pAssocNext = pAssocRet->pNext;
  for (UINT nBucket = pAssocRet->nHashValue + 1; pAssocNext == nullptr && nBucket < m_pHashTable.size();
       ++nBucket)
    pAssocNext = m_pHashTable[nBucket];
  rNextPosition = reinterpret_cast<POSITION>(pAssocNext);
  rKey = pAssocRet->key;
  rValue = pAssocRet->value;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
void CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::InitHashTable(UINT hashSize, BOOL bAllocNow) {
  ASSERT(m_nCount == 0 && hashSize > 0);
  m_nHashTableSize = hashSize;
  m_pHashTable.assign(bAllocNow ? hashSize : 0, nullptr);
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
void CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteCount((DWORD)m_nCount);
    for (CAssoc* pAssoc : m_pHashTable) {
      for (; pAssoc != nullptr; pAssoc = pAssoc->pNext) {
        SerializeElements<KEY>(ar, &pAssoc->key, 1);
        SerializeElements<VALUE>(ar, &pAssoc->value, 1);
      }
    }
    return;
  }
  for (DWORD nCount = ar.ReadCount(); nCount > 0; --nCount) {
    KEY newKey{};
    VALUE newValue{};
    SerializeElements<KEY>(ar, &newKey, 1);
    SerializeElements<VALUE>(ar, &newValue, 1);
    SetAt(newKey, newValue);
  }
}

// Holds object pointers it does not own.
class CMapWordToOb : public CMap<WORD, WORD, CObject*, CObject*> {
  DECLARE_SERIAL(CMapWordToOb)

 public:
  explicit CMapWordToOb(int nBlockSize = 10) : CMap(nBlockSize) {}
};

class CMapWordToPtr : public CMap<WORD, WORD, void*, void*> {
  DECLARE_DYNAMIC(CMapWordToPtr)

 public:
  explicit CMapWordToPtr(int nBlockSize = 10) : CMap(nBlockSize) {}
  void Serialize(CArchive& ar) override;  // not serialisable: throws CNotSupportedException
};

class CMapPtrToWord : public CMap<void*, void*, WORD, WORD> {
  DECLARE_DYNAMIC(CMapPtrToWord)

 public:
  explicit CMapPtrToWord(int nBlockSize = 10) : CMap(nBlockSize) {}
  void Serialize(CArchive& ar) override;  // not serialisable: throws CNotSupportedException
};

class CMapPtrToPtr : public CMap<void*, void*, void*, void*> {
  DECLARE_DYNAMIC(CMapPtrToPtr)

 public:
  explicit CMapPtrToPtr(int nBlockSize = 10) : CMap(nBlockSize) {}
  void Serialize(CArchive& ar) override;  // not serialisable: throws CNotSupportedException
};

class CMapStringToString : public CMap<CString, LPCTSTR, CString, LPCTSTR> {
  DECLARE_SERIAL(CMapStringToString)

 public:
  explicit CMapStringToString(int nBlockSize = 10) : CMap(nBlockSize) {}
};

// Holds object pointers it does not own.
class CMapStringToOb : public CMap<CString, LPCTSTR, CObject*, CObject*> {
  DECLARE_SERIAL(CMapStringToOb)

 public:
  explicit CMapStringToOb(int nBlockSize = 10) : CMap(nBlockSize) {}
};

class CMapStringToPtr : public CMap<CString, LPCTSTR, void*, void*> {
  DECLARE_DYNAMIC(CMapStringToPtr)

 public:
  explicit CMapStringToPtr(int nBlockSize = 10) : CMap(nBlockSize) {}
  void Serialize(CArchive& ar) override;  // not serialisable: throws CNotSupportedException
};

#endif  // FRAMEWORK_MAP_H
