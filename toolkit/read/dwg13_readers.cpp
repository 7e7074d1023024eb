// The reader set of DWG releases AC1012 to AC1015 (bit streams). Slots not filled yet fail, so
// such a drawing is refused with the reader's error rather than loaded in part.
#include "toolkit/read/dwg13_file.h"
#include "toolkit/read/readers.h"

namespace {

TkReaderOps make_set() {
  TkReaderOps s{};
  s.open = dwg_open_check;
  return s;
}

}  // namespace

const TkReaderOps* dwg13_reader_ops() {
  static const TkReaderOps set = make_set();
  return &set;
}
