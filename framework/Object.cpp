// The run-time class records: the list of registered classes, derivation tests and creation.
#include "Object.h"

#include <cstring>

namespace {
// Zero-initialised before any static constructor runs, so AFX_CLASSINIT may link into it at any time.
CRuntimeClass* g_pFirstClass = nullptr;
}  // namespace

CRuntimeClass CObject::classCObject = {"CObject", (int)sizeof(CObject), 0xFFFF, nullptr, nullptr,
                                       nullptr};
static AFX_CLASSINIT _init_CObject(&CObject::classCObject);

AFX_CLASSINIT::AFX_CLASSINIT(CRuntimeClass* pNewClass) {
  pNewClass->m_pNextClass = g_pFirstClass;
  g_pFirstClass = pNewClass;
}

CObject* CRuntimeClass::CreateObject() {
  if (m_pfnCreateObject == nullptr)
    return nullptr;
  return m_pfnCreateObject();
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const {
  for (const CRuntimeClass* p = this; p != nullptr; p = p->m_pBaseClass) {
    if (p == pBaseClass)
      return TRUE;
  }
  return FALSE;
}

CRuntimeClass* CRuntimeClass::FromName(LPCSTR lpszClassName) {
  for (CRuntimeClass* p = g_pFirstClass; p != nullptr; p = p->m_pNextClass) {
    if (std::strcmp(p->m_lpszClassName, lpszClassName) == 0)
      return p;
  }
  return nullptr;
}

CObject* CRuntimeClass::CreateObject(LPCSTR lpszClassName) {
  CRuntimeClass* pClass = FromName(lpszClassName);
  return pClass != nullptr ? pClass->CreateObject() : nullptr;
}

CRuntimeClass* CObject::GetRuntimeClass() const {
  return RUNTIME_CLASS(CObject);
}

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const {
  return GetRuntimeClass()->IsDerivedFrom(pClass);
}

BOOL CObject::IsSerializable() const {
  return GetRuntimeClass()->m_wSchema != 0xFFFF;
}

void CObject::Serialize(CArchive&) {}
