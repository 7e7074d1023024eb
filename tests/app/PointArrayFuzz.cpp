// libFuzzer target: arbitrary bytes read as a CPolygon, then as a CPolyPolygon, through the
// framework archive. A damaged input ends in an archive exception; whatever loads is measured so
// the area and length code runs over hostile coordinates too.
#include <cstdint>
#include <vector>

#include "Archive.h"
#include "Exception.h"
#include "MemFile.h"
#include "PointArray.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<BYTE> bytes(data, data + size);
  for (int kind = 0; kind < 2; ++kind) {
    CMemFile file(bytes.data(), (UINT)bytes.size());
    CArchive ar(&file, CArchive::load);
    try {
      if (kind == 0) {
        CPolygon p;
        p.Serialize(ar);
        (void)p.GetRawArea();
        (void)p.GetRawLength();
        (void)p.GetBounds();
      } else {
        CPolyPolygon pp;
        pp.Serialize(ar);
        (void)pp.GetRawLength();
        (void)pp.GetBounds();
        (void)pp.GetValue(pp.GetSize());
      }
    } catch (CException* e) {
      e->Delete();
    }
    ar.Abort();
  }
  return 0;
}
