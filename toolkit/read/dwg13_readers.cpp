// The reader set of DWG releases AC1012 to AC1015 (bit streams). Not built yet: every
// operation fails, so such a file is refused with the reader's error.
#include "toolkit/read/readers.h"

const TkReaderOps* dwg13_reader_ops() {
  static const TkReaderOps set{};
  return &set;
}
