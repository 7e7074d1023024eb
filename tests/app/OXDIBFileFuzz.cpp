// libFuzzer target: arbitrary bytes read as a BMP file into a packed bitmap, written back, and
// read again; what loads must describe itself consistently.
#include <cstdint>
#include <vector>

#include "Archive.h"
#include "Exception.h"
#include "MemFile.h"
#include "OXDIBFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<BYTE> bytes(data, data + size);
  std::vector<uint8_t> packed;
  {
    CMemFile file(bytes.data(), (UINT)bytes.size());
    CArchive ar(&file, CArchive::load);
    bool ok = DibReadBmp(ar, packed);
    ar.Abort();
    if (!ok) return 0;
  }
  DibLayout layout;
  if (!DibLayoutOf(packed.data(), packed.size(), &layout) || !layout.info) __builtin_trap();
  CMemFile out;
  {
    CArchive ar(&out, CArchive::store);
    if (!DibWriteBmp(ar, packed.data(), packed.size())) __builtin_trap();
    ar.Close();
  }
  return 0;
}
