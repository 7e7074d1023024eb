// Arbitrary bytes as the picture of a bitmap cell: a BMP file looked for inside them and checked before
// its device-independent bitmap is copied out.
#include "GXDaoBitmap.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CByteArray out;
  GXCreateDIBFromBytes(data, size, FALSE, out);
  GXCreateDIBFromBytes(data, size, TRUE, out);
  return 0;
}
