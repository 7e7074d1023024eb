// Arbitrary bytes as a stored grid layout: the parameter object with its styles, cell store,
// properties and printer settings, read as CGXGridParam::CreateFromResource reads a layout.
#include "GXControlFactory.h"
#include "GXGridParam.h"
#include "GXGridState.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool s_bStarted = (InitGridLibrary(1536, 0, 0), true);
  (void)s_bStarted;
  CObject* pObject = ReadObjectFromBytes(data, (UINT)size, RUNTIME_CLASS(CGXGridParam));
  if (pObject != nullptr) {
    // What was read can be stored again.
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    try {
      pObject->Serialize(ar);
      ar.Close();
    } catch (CException* e) {
      e->Delete();
    }
    delete pObject;
  }
  return 0;
}
