// The reader set of DWG releases AC1002 to AC1009 (byte records). Not built yet: every
// operation fails, so such a file is refused with the reader's error.
#include "toolkit/read/readers.h"

const TkReaderOps* dwg_old_reader_ops() {
  static const TkReaderOps set{};
  return &set;
}
