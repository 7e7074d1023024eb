// The DXF reader set (text and binary). Not built yet: every operation fails, so such a file is
// refused with the reader's error.
#include "toolkit/read/readers.h"

const TkReaderOps* tk_dxf_reader_ops() {
  static const TkReaderOps set{};
  return &set;
}
