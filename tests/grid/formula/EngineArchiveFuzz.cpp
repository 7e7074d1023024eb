// Arbitrary bytes as the stored form of an engine sheet: loading ends in the archive exception
// or in a sheet that displays, recalculates and stores again.
#include "EngineArchive.h"
#include "EngineState.h"
#include "FormulaEval.h"

#include "Archive.h"
#include "Exception.h"
#include "MemFile.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static int s_sheet = CreateEngineSheet();
  std::vector<BYTE> copy(data, data + size);
  CMemFile file(copy.data(), (UINT)copy.size());
  bool loaded = false;
  try {
    CArchive ar(&file, CArchive::load);
    SerializeEngineSheet(ar, s_sheet);
    loaded = true;
  } catch (CException* e) {
    e->Delete();
  }
  if (!loaded)
    return 0;
  EngineSheet* s = GetEngineSheet(s_sheet);
  RecalculateSheet(s_sheet, true);
  for (int p = 0; p < 3; p++)
    ForEachPoolCell(&s->pools[p], [&](EngineCell* c) {
      if (c->Is(ENGINE_FLAG_LINKED)) {
        EngineCellDisplayText(s_sheet, c);
        EngineCellEditText(s_sheet, c);
      }
    });
  CMemFile out;
  CArchive ar(&out, CArchive::store);
  SerializeEngineSheet(ar, s_sheet);
  ar.Close();
  return 0;
}
