// CList<TYPE, ARG_TYPE> and the framework's list classes (CPtrList, CObList, CStringList): doubly
// linked lists walked by POSITION, the address of a node (null past either end).
//
// Archive layouts: the count as CArchive::WriteCount writes it, then the elements from head to
// tail: CObList each object as WriteObject writes it, CStringList each string as CArchive writes
// strings; CList<TYPE> each element through SerializeElements (Array.h). Loading appends to the
// list. CPtrList is not serialisable.
// The block size of the framework's node allocator is accepted and has no effect: nodes are
// allocated one by one, which callers cannot tell apart.
// Not for: arrays (Array.h) or maps (Map.h).
#ifndef FRAMEWORK_LIST_H
#define FRAMEWORK_LIST_H

#include "Array.h"

template <class TYPE, class ARG_TYPE>
class CList : public CObject {
 public:
  explicit CList(int /*nBlockSize*/ = 10) {}
  ~CList() override { RemoveAll(); }

  int GetCount() const { return m_nCount; }
  BOOL IsEmpty() const { return m_nCount == 0; }

  TYPE& GetHead() { return m_pNodeHead->data; }
  TYPE GetHead() const { return m_pNodeHead->data; }
  TYPE& GetTail() { return m_pNodeTail->data; }
  TYPE GetTail() const { return m_pNodeTail->data; }
  TYPE RemoveHead();
  TYPE RemoveTail();
  POSITION AddHead(ARG_TYPE newElement);
  POSITION AddTail(ARG_TYPE newElement);
  void AddHead(const CList* pNewList);
  void AddTail(const CList* pNewList);
  void RemoveAll();

  POSITION GetHeadPosition() const { return ToPosition(m_pNodeHead); }
  POSITION GetTailPosition() const { return ToPosition(m_pNodeTail); }
  // The element at rPosition; rPosition moves to the next (previous) node, null past the end.
  TYPE& GetNext(POSITION& rPosition);
  TYPE GetNext(POSITION& rPosition) const;
  TYPE& GetPrev(POSITION& rPosition);
  TYPE GetPrev(POSITION& rPosition) const;
  TYPE& GetAt(POSITION position) { return ToNode(position)->data; }
  TYPE GetAt(POSITION position) const { return ToNode(position)->data; }
  void SetAt(POSITION pos, ARG_TYPE newElement) { ToNode(pos)->data = newElement; }
  void RemoveAt(POSITION position);
  POSITION InsertBefore(POSITION position, ARG_TYPE newElement);
  POSITION InsertAfter(POSITION position, ARG_TYPE newElement);

  // The first node holding searchValue after startAfter (from the head when null), or null.
  POSITION Find(ARG_TYPE searchValue, POSITION startAfter = nullptr) const;
  // The node at a zero-based index, or null when out of range.
  POSITION FindIndex(int nIndex) const;

  void Serialize(CArchive& ar) override;

 protected:
  struct CNode {
    CNode* pNext;
    CNode* pPrev;
    TYPE data;
  };
  static POSITION ToPosition(CNode* pNode) { return reinterpret_cast<POSITION>(pNode); }
  static CNode* ToNode(POSITION pos) { return reinterpret_cast<CNode*>(pos); }
  CNode* NewNode(CNode* pPrev, CNode* pNext, ARG_TYPE newElement);

  CNode* m_pNodeHead = nullptr;
  CNode* m_pNodeTail = nullptr;
  int m_nCount = 0;
};

template <class TYPE, class ARG_TYPE>
typename CList<TYPE, ARG_TYPE>::CNode* CList<TYPE, ARG_TYPE>::NewNode(CNode* pPrev, CNode* pNext,
                                                                      ARG_TYPE newElement) {
  CNode* pNode = new CNode{pNext, pPrev, TYPE(newElement)};
  ++m_nCount;
  return pNode;
}

template <class TYPE, class ARG_TYPE>
POSITION CList<TYPE, ARG_TYPE>::AddHead(ARG_TYPE newElement) {
  CNode* pNode = NewNode(nullptr, m_pNodeHead, newElement);
  if (m_pNodeHead != nullptr)
    m_pNodeHead->pPrev = pNode;
  else
    m_pNodeTail = pNode;
  m_pNodeHead = pNode;
  return ToPosition(pNode);
}

template <class TYPE, class ARG_TYPE>
POSITION CList<TYPE, ARG_TYPE>::AddTail(ARG_TYPE newElement) {
  CNode* pNode = NewNode(m_pNodeTail, nullptr, newElement);
  if (m_pNodeTail != nullptr)
    m_pNodeTail->pNext = pNode;
  else
    m_pNodeHead = pNode;
  m_pNodeTail = pNode;
  return ToPosition(pNode);
}

template <class TYPE, class ARG_TYPE>
void CList<TYPE, ARG_TYPE>::AddHead(const CList* pNewList) {
  // Walked from the tail, so the other list keeps its order at our head.
  for (CNode* p = pNewList->m_pNodeTail; p != nullptr; p = p->pPrev)
    AddHead(p->data);
}

template <class TYPE, class ARG_TYPE>
void CList<TYPE, ARG_TYPE>::AddTail(const CList* pNewList) {
  for (CNode* p = pNewList->m_pNodeHead; p != nullptr; p = p->pNext)
    AddTail(p->data);
}

template <class TYPE, class ARG_TYPE>
TYPE CList<TYPE, ARG_TYPE>::RemoveHead() {
  CNode* pOld = m_pNodeHead;
  TYPE value = pOld->data;
  RemoveAt(ToPosition(pOld));
  return value;
}

template <class TYPE, class ARG_TYPE>
TYPE CList<TYPE, ARG_TYPE>::RemoveTail() {
  CNode* pOld = m_pNodeTail;
  TYPE value = pOld->data;
  RemoveAt(ToPosition(pOld));
  return value;
}

template <class TYPE, class ARG_TYPE>
void CList<TYPE, ARG_TYPE>::RemoveAll() {
  for (CNode* p = m_pNodeHead; p != nullptr;) {
    CNode* pNext = p->pNext;
    delete p;
    p = pNext;
  }
  m_pNodeHead = m_pNodeTail = nullptr;
  m_nCount = 0;
}

template <class TYPE, class ARG_TYPE>
TYPE& CList<TYPE, ARG_TYPE>::GetNext(POSITION& rPosition) {
  CNode* pNode = ToNode(rPosition);
  rPosition = ToPosition(pNode->pNext);
  return pNode->data;
}

template <class TYPE, class ARG_TYPE>
TYPE CList<TYPE, ARG_TYPE>::GetNext(POSITION& rPosition) const {
  CNode* pNode = ToNode(rPosition);
  rPosition = ToPosition(pNode->pNext);
  return pNode->data;
}

template <class TYPE, class ARG_TYPE>
TYPE& CList<TYPE, ARG_TYPE>::GetPrev(POSITION& rPosition) {
  CNode* pNode = ToNode(rPosition);
  rPosition = ToPosition(pNode->pPrev);
  return pNode->data;
}

template <class TYPE, class ARG_TYPE>
TYPE CList<TYPE, ARG_TYPE>::GetPrev(POSITION& rPosition) const {
  CNode* pNode = ToNode(rPosition);
  rPosition = ToPosition(pNode->pPrev);
  return pNode->data;
}

template <class TYPE, class ARG_TYPE>
void CList<TYPE, ARG_TYPE>::RemoveAt(POSITION position) {
  CNode* pOld = ToNode(position);
  if (pOld->pPrev != nullptr)
    pOld->pPrev->pNext = pOld->pNext;
  else
    m_pNodeHead = pOld->pNext;
  if (pOld->pNext != nullptr)
    pOld->pNext->pPrev = pOld->pPrev;
  else
    m_pNodeTail = pOld->pPrev;
  delete pOld;
  --m_nCount;
}

template <class TYPE, class ARG_TYPE>
POSITION CList<TYPE, ARG_TYPE>::InsertBefore(POSITION position, ARG_TYPE newElement) {
  if (position == nullptr)
    return AddHead(newElement);
  CNode* pOld = ToNode(position);
  CNode* pNode = NewNode(pOld->pPrev, pOld, newElement);
  if (pOld->pPrev != nullptr)
    pOld->pPrev->pNext = pNode;
  else
    m_pNodeHead = pNode;
  pOld->pPrev = pNode;
  return ToPosition(pNode);
}

template <class TYPE, class ARG_TYPE>
POSITION CList<TYPE, ARG_TYPE>::InsertAfter(POSITION position, ARG_TYPE newElement) {
  if (position == nullptr)
    return AddTail(newElement);
  CNode* pOld = ToNode(position);
  CNode* pNode = NewNode(pOld, pOld->pNext, newElement);
  if (pOld->pNext != nullptr)
    pOld->pNext->pPrev = pNode;
  else
    m_pNodeTail = pNode;
  pOld->pNext = pNode;
  return ToPosition(pNode);
}

template <class TYPE, class ARG_TYPE>
POSITION CList<TYPE, ARG_TYPE>::Find(ARG_TYPE searchValue, POSITION startAfter) const {
  CNode* pNode = startAfter == nullptr ? m_pNodeHead : ToNode(startAfter)->pNext;
  for (; pNode != nullptr; pNode = pNode->pNext) {
    if (pNode->data == searchValue)
      return ToPosition(pNode);
  }
  return nullptr;
}

template <class TYPE, class ARG_TYPE>
POSITION CList<TYPE, ARG_TYPE>::FindIndex(int nIndex) const {
  if (nIndex < 0 || nIndex >= m_nCount)
    return nullptr;
  CNode* pNode = m_pNodeHead;
  while (nIndex-- > 0)
    pNode = pNode->pNext;
  return ToPosition(pNode);
}

template <class TYPE, class ARG_TYPE>
void CList<TYPE, ARG_TYPE>::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteCount((DWORD)m_nCount);
    for (CNode* p = m_pNodeHead; p != nullptr; p = p->pNext)
      SerializeElements<TYPE>(ar, &p->data, 1);
    return;
  }
  for (DWORD nCount = ar.ReadCount(); nCount > 0; --nCount) {
    TYPE newData{};
    SerializeElements<TYPE>(ar, &newData, 1);
    AddTail(newData);
  }
}

class CPtrList : public CList<void*, void*> {
  DECLARE_DYNAMIC(CPtrList)

 public:
  explicit CPtrList(int nBlockSize = 10) : CList(nBlockSize) {}
  void Serialize(CArchive& ar) override;  // not serialisable: throws CNotSupportedException
};

// Holds pointers it does not own.
class CObList : public CList<CObject*, CObject*> {
  DECLARE_SERIAL(CObList)

 public:
  explicit CObList(int nBlockSize = 10) : CList(nBlockSize) {}
};

class CStringList : public CList<CString, LPCTSTR> {
  DECLARE_SERIAL(CStringList)

 public:
  explicit CStringList(int nBlockSize = 10) : CList(nBlockSize) {}
};

#endif  // FRAMEWORK_LIST_H
