// One annotation object as clipboard bytes.
#include "AnnClip.h"

#include <memory>
#include <vector>

#include "AnnObj.h"
#include "Archive.h"

void AnnStoreClip(CArchive& ar, const CAnnObj& obj) {
  ar.WriteCount(1);
  ar.WriteObject(&obj);
}

CAnnObj* AnnLoadClip(CArchive& ar) {
  // Every element is read, as the array's reader would, so that the bytes are checked whole; only
  // the first is kept. A back reference gives an element already held, which is not kept twice.
  std::vector<std::unique_ptr<CObject>> elements;
  CObject* pFirst = nullptr;
  for (DWORD nCount = ar.ReadCount(); nCount > 0; --nCount) {
    CObject* pObj = ar.ReadObject(RUNTIME_CLASS(CAnnObj));
    bool bHeld = pObj == nullptr;
    for (const auto& held : elements) bHeld = bHeld || held.get() == pObj;
    if (!bHeld) elements.emplace_back(pObj);
    if (pFirst == nullptr) pFirst = pObj;
  }
  for (auto& held : elements) {
    if (held.get() == pFirst) return static_cast<CAnnObj*>(held.release());
  }
  return nullptr;
}
