// Arbitrary bytes as a stored formula sheet (its class record, schema, the plain store's part and
// the engine sheet): loading ends in a framework exception (no object) or in a sheet whose cells
// the grid can read, recalculate and store again.
#include "GXFormulaSheet.h"
#include "GXGridParam.h"
#include "GXControlFactory.h"
#include "GXGridState.h"

#include "EngineState.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool s_bStarted = (InitGridLibrary(1536, 0, 0), true);
  (void)s_bStarted;
  std::unique_ptr<CObject> pObject(ReadObjectFromBytes(data, (UINT)size, RUNTIME_CLASS(CGXFormulaSheet)));
  if (pObject == nullptr)
    return 0;
  auto* pSheet = static_cast<CGXFormulaSheet*>(pObject.get());
  pSheet->Recalc(TRUE);
  EngineSheet* s = GetEngineSheet(pSheet->GetEngineSheetNumber());
  std::vector<std::pair<ROWCOL, ROWCOL>> cells;
  for (int p = 0; p < 3; p++)
    ForEachPoolCell(&s->pools[p], [&](EngineCell* c) {
      if (c->Is(ENGINE_FLAG_LINKED))
        cells.push_back({c->row, (ROWCOL)c->col + 1});
    });
  for (const auto& rc : cells) {
    CGXStyle style;
    pSheet->GetStyleRowCol(rc.first, rc.second, style, CGXStyle::modeCopy, 0);
    pSheet->GetStyleRowCol(rc.first, rc.second, style, CGXStyle::modeCopy, 1);
  }
  CMemFile out;
  CArchive ar(&out, CArchive::store);
  try {
    ar.WriteObject(pSheet);
    ar.Close();
  } catch (CException* e) {
    e->Delete();
  }
  return 0;
}
