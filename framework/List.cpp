// The run-time class records of the list classes.
#include "List.h"

IMPLEMENT_DYNAMIC(CPtrList, CObject)
IMPLEMENT_SERIAL(CObList, CObject, 0)
IMPLEMENT_SERIAL(CStringList, CObject, 0)

void CPtrList::Serialize(CArchive&) {
  AfxThrowNotSupportedException();
}
