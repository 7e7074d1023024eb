// The run-time class records of the map classes.
#include "Map.h"

IMPLEMENT_SERIAL(CMapWordToOb, CObject, 0)
IMPLEMENT_DYNAMIC(CMapWordToPtr, CObject)
IMPLEMENT_DYNAMIC(CMapPtrToWord, CObject)
IMPLEMENT_DYNAMIC(CMapPtrToPtr, CObject)
IMPLEMENT_SERIAL(CMapStringToString, CObject, 0)
IMPLEMENT_SERIAL(CMapStringToOb, CObject, 0)
IMPLEMENT_DYNAMIC(CMapStringToPtr, CObject)

void CMapWordToPtr::Serialize(CArchive&) {
  AfxThrowNotSupportedException();
}

void CMapPtrToWord::Serialize(CArchive&) {
  AfxThrowNotSupportedException();
}

void CMapPtrToPtr::Serialize(CArchive&) {
  AfxThrowNotSupportedException();
}

void CMapStringToPtr::Serialize(CArchive&) {
  AfxThrowNotSupportedException();
}
