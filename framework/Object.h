// CObject, the root of the framework's classes, and CRuntimeClass, the run-time class record that
// every class declared with the DECLARE_/IMPLEMENT_ macros carries: its name, size, schema, base
// class and a creation function. The records of classes that can be created are linked in one list
// so that an archive or a document template finds a class by its name.
// Not for: serialisation itself (Archive.h) or messages (the Win32 half's CCmdTarget).
#ifndef FRAMEWORK_OBJECT_H
#define FRAMEWORK_OBJECT_H

#include "FrameworkTypes.h"

#include <cassert>

class CObject;
class CArchive;

#define ASSERT(f) assert(f)
#define VERIFY(f) ((void)(f))
#define ASSERT_VALID(p) ((void)0)
#define TRACE(...) ((void)0)
#define UNUSED(x) ((void)(x))
#define UNUSED_ALWAYS(x) ((void)(x))

struct CRuntimeClass {
  LPCSTR m_lpszClassName;
  int m_nObjectSize;
  UINT m_wSchema;  // 0xFFFF for a class that is not serialisable
  CObject* (*m_pfnCreateObject)();  // null for a class that cannot be created by class
  CRuntimeClass* m_pBaseClass;
  CRuntimeClass* m_pNextClass;  // the list of all registered classes

  CObject* CreateObject();
  BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;

  // The registered class of that name (exact comparison), or null.
  static CRuntimeClass* FromName(LPCSTR lpszClassName);
  // A new object of the class of that name, or null when none is registered or it cannot be created.
  static CObject* CreateObject(LPCSTR lpszClassName);
};

// A static of this type in IMPLEMENT_DYNAMIC links its class into the list of all classes.
struct AFX_CLASSINIT {
  explicit AFX_CLASSINIT(CRuntimeClass* pNewClass);
};

class CObject {
 public:
  virtual ~CObject() = default;
  virtual CRuntimeClass* GetRuntimeClass() const;
  BOOL IsKindOf(const CRuntimeClass* pClass) const;
  BOOL IsSerializable() const;
  virtual void Serialize(CArchive& ar);
  virtual void AssertValid() const {}

  static CRuntimeClass classCObject;

 protected:
  CObject() = default;

 private:
  // Framework objects are not copied unless a class says so.
  CObject(const CObject&) = delete;
  CObject& operator=(const CObject&) = delete;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name) \
 public:                            \
  static CRuntimeClass class##class_name; \
  CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
  DECLARE_DYNAMIC(class_name)         \
  static CObject* CreateObject();

#define DECLARE_SERIAL(class_name) \
  DECLARE_DYNCREATE(class_name)    \
  friend CArchive& operator>>(CArchive& ar, class_name*& pOb);

#define IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, pfnNew)                     \
  CRuntimeClass class_name::class##class_name = {#class_name, (int)sizeof(class_name), wSchema, \
                                                 pfnNew, RUNTIME_CLASS(base_class_name),        \
                                                 nullptr};                                      \
  static AFX_CLASSINIT _init_##class_name(&class_name::class##class_name);                      \
  CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
  IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                 \
  CObject* class_name::CreateObject() { return new class_name; }         \
  IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, class_name::CreateObject)

#define IMPLEMENT_SERIAL(class_name, base_class_name, wSchema)           \
  CObject* class_name::CreateObject() { return new class_name; }         \
  IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, class_name::CreateObject) \
  CArchive& operator>>(CArchive& ar, class_name*& pOb) {                 \
    pOb = static_cast<class_name*>(ar.ReadObject(RUNTIME_CLASS(class_name))); \
    return ar;                                                           \
  }

#endif  // FRAMEWORK_OBJECT_H
