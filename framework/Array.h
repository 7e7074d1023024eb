// CArray<TYPE, ARG_TYPE> and the framework's array classes (CByteArray, CWordArray, CDWordArray,
// CUIntArray, CPtrArray, CObArray, CStringArray): arrays indexed by int with the framework's
// growth rule and archive layouts.
//
// Growth: an array keeps a capacity (its "max size") beside its size. When SetSize, Add, SetAtGrow
// or InsertAt need more than the capacity, the new capacity is the old one plus the grow-by value
// (SetSize's second argument; 0 at construction), or, when grow-by is 0, plus size / 8 clamped to
// 4 .. 1024; when the needed size is larger still, exactly the needed size. An empty array that
// is given a size gets exactly that capacity. New elements are value-initialised (zero for numbers
// and pointers). SetSize(0) and RemoveAll free the storage.
//
// Archive layouts: the count as CArchive::WriteCount writes it, then the elements: BYTE, WORD,
// DWORD or (CUIntArray) 4-byte values little-endian; CObArray each object as WriteObject writes
// it; CStringArray each string as CArchive writes strings. CArray<TYPE> writes each element's bytes
// as they lie in memory (SerializeElements, which a caller may specialise for its TYPE). Loading
// sets the size to the count (zero-filled) and reads the elements over it; missing bytes throw
// CArchiveException::endOfFile. CPtrArray is not serialisable.
// Not for: lists (List.h) or maps (Map.h).
#ifndef FRAMEWORK_ARRAY_H
#define FRAMEWORK_ARRAY_H

#include "Archive.h"
#include "Exception.h"
#include "Object.h"
#include "Str.h"

#include <type_traits>
#include <utility>
#include <vector>

// Reads or writes nCount elements as their memory bytes. A type whose stored form differs (or
// that holds pointers) specialises this for itself; for a type that is not trivially copyable and
// has no specialisation, serialising throws CNotSupportedException.
template <class TYPE>
void SerializeElements(CArchive& ar, TYPE* pElements, int nCount) {
  if constexpr (std::is_trivially_copyable<TYPE>::value) {
    UINT nBytes = (UINT)nCount * (UINT)sizeof(TYPE);
    if (ar.IsStoring()) {
      ar.Write(pElements, nBytes);
    } else if (ar.Read(pElements, nBytes) != nBytes) {
      AfxThrowArchiveException(CArchiveException::endOfFile, ar.m_strFileName);
    }
  } else {
    AfxThrowNotSupportedException();
  }
}

// Strings as CArchive writes them; objects as WriteObject writes them (read with ReadObject(null)).
template <>
inline void SerializeElements<CString>(CArchive& ar, CString* pElements, int nCount) {
  for (int i = 0; i < nCount; ++i) {
    if (ar.IsStoring())
      ar << pElements[i];
    else
      ar >> pElements[i];
  }
}

template <>
inline void SerializeElements<CObject*>(CArchive& ar, CObject** pElements, int nCount) {
  for (int i = 0; i < nCount; ++i) {
    if (ar.IsStoring())
      ar << pElements[i];
    else
      ar >> pElements[i];
  }
}

template <class TYPE, class ARG_TYPE>
class CArray : public CObject {
 public:
  CArray() = default;

  int GetSize() const { return (int)m_data.size(); }
  int GetUpperBound() const { return GetSize() - 1; }
  void SetSize(int nNewSize, int nGrowBy = -1);
  void FreeExtra();
  void RemoveAll() { SetSize(0); }

  TYPE GetAt(int nIndex) const { return m_data[(size_t)nIndex]; }
  void SetAt(int nIndex, ARG_TYPE newElement) { m_data[(size_t)nIndex] = newElement; }
  TYPE& ElementAt(int nIndex) { return m_data[(size_t)nIndex]; }
  const TYPE* GetData() const { return m_data.empty() ? nullptr : m_data.data(); }
  TYPE* GetData() { return m_data.empty() ? nullptr : m_data.data(); }
  TYPE operator[](int nIndex) const { return GetAt(nIndex); }
  TYPE& operator[](int nIndex) { return ElementAt(nIndex); }

  void SetAtGrow(int nIndex, ARG_TYPE newElement);
  int Add(ARG_TYPE newElement);
  int Append(const CArray& src);
  void Copy(const CArray& src);
  void InsertAt(int nIndex, ARG_TYPE newElement, int nCount = 1);
  void InsertAt(int nStartIndex, const CArray* pNewArray);
  void RemoveAt(int nIndex, int nCount = 1);

  // Loading sizes the array in steps of about a megabyte, so that a damaged count fails on the
  // archive's missing bytes before much memory is taken.
  void Serialize(CArchive& ar) override;

 protected:
  std::vector<TYPE> m_data;
  int m_nMaxSize = 0;
  int m_nGrowBy = 0;
};

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::SetSize(int nNewSize, int nGrowBy) {
  if (nGrowBy != -1)
    m_nGrowBy = nGrowBy;
  if (nNewSize <= 0) {
    std::vector<TYPE>().swap(m_data);
    m_nMaxSize = 0;
    return;
  }
  if (m_nMaxSize == 0) {
    m_data.reserve((size_t)nNewSize);
    m_nMaxSize = nNewSize;
  } else if (nNewSize > m_nMaxSize) {
    int nGrow = m_nGrowBy;
    if (nGrow == 0) {
      nGrow = GetSize() / 8;
      nGrow = nGrow < 4 ? 4 : (nGrow > 1024 ? 1024 : nGrow);
    }
    int nNewMax = nNewSize < m_nMaxSize + nGrow ? m_nMaxSize + nGrow : nNewSize;
    m_data.reserve((size_t)nNewMax);
    m_nMaxSize = nNewMax;
  }
  m_data.resize((size_t)nNewSize);
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::FreeExtra() {
  if (GetSize() != m_nMaxSize) {
    std::vector<TYPE>(m_data.begin(), m_data.end()).swap(m_data);
    m_nMaxSize = GetSize();
  }
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::SetAtGrow(int nIndex, ARG_TYPE newElement) {
  if (nIndex >= GetSize())
    SetSize(nIndex + 1, -1);
  m_data[(size_t)nIndex] = newElement;
}

template <class TYPE, class ARG_TYPE>
int CArray<TYPE, ARG_TYPE>::Add(ARG_TYPE newElement) {
  int nIndex = GetSize();
  SetAtGrow(nIndex, newElement);
  return nIndex;
}

template <class TYPE, class ARG_TYPE>
int CArray<TYPE, ARG_TYPE>::Append(const CArray& src) {
  int nOldSize = GetSize();
  std::vector<TYPE> copy(src.m_data);  // src may be *this
  SetSize(nOldSize + (int)copy.size());
  for (size_t i = 0; i < copy.size(); ++i)
    m_data[(size_t)nOldSize + i] = copy[i];
  return nOldSize;
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::Copy(const CArray& src) {
  if (this == &src)
    return;
  SetSize(src.GetSize());
  for (size_t i = 0; i < src.m_data.size(); ++i)
    m_data[i] = src.m_data[i];
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::InsertAt(int nIndex, ARG_TYPE newElement, int nCount) {
  TYPE value = newElement;  // newElement may refer into the array
  if (nIndex >= GetSize()) {
    SetSize(nIndex + nCount, -1);
  } else {
    int nOldSize = GetSize();
    SetSize(nOldSize + nCount, -1);
    std::move_backward(m_data.begin() + nIndex, m_data.begin() + nOldSize, m_data.end());
  }
  for (int i = 0; i < nCount; ++i)
    m_data[(size_t)(nIndex + i)] = value;
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::InsertAt(int nStartIndex, const CArray* pNewArray) {
  std::vector<TYPE> copy(pNewArray->m_data);  // pNewArray may be this
  if (copy.empty())
    return;
  InsertAt(nStartIndex, copy[0], (int)copy.size());
  for (size_t i = 0; i < copy.size(); ++i)
    m_data[(size_t)nStartIndex + i] = copy[i];
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::RemoveAt(int nIndex, int nCount) {
  m_data.erase(m_data.begin() + nIndex, m_data.begin() + nIndex + nCount);
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteCount((DWORD)GetSize());
    SerializeElements<TYPE>(ar, GetData(), GetSize());
    return;
  }
  DWORD nCount = ar.ReadCount();
  if (nCount > 0x7FFFFFFF)
    AfxThrowArchiveException(CArchiveException::badIndex, ar.m_strFileName);
  const DWORD kStep = (DWORD)(1048576 / sizeof(TYPE) + 1);
  DWORD nDone = 0;
  do {
    DWORD n = nCount - nDone < kStep ? nCount - nDone : kStep;
    SetSize((int)(nDone + n));
    SerializeElements<TYPE>(ar, GetData() + nDone, (int)n);
    nDone += n;
  } while (nDone < nCount);
}

class CByteArray : public CArray<BYTE, BYTE> {
  DECLARE_SERIAL(CByteArray)
};

class CWordArray : public CArray<WORD, WORD> {
  DECLARE_SERIAL(CWordArray)
};

class CDWordArray : public CArray<DWORD, DWORD> {
  DECLARE_SERIAL(CDWordArray)
};

// Written as 4-byte values, but not creatable by class (as in the framework): it is read back
// through its own Serialize, not through ReadObject.
class CUIntArray : public CArray<UINT, UINT> {
  DECLARE_DYNAMIC(CUIntArray)
};

class CPtrArray : public CArray<void*, void*> {
  DECLARE_DYNAMIC(CPtrArray)

 public:
  void Serialize(CArchive& ar) override;  // not serialisable: throws CNotSupportedException
};

// Holds pointers it does not own.
class CObArray : public CArray<CObject*, CObject*> {
  DECLARE_SERIAL(CObArray)
};

class CStringArray : public CArray<CString, LPCTSTR> {
  DECLARE_SERIAL(CStringArray)
};

#endif  // FRAMEWORK_ARRAY_H
