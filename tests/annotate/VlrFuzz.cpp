// libFuzzer target: arbitrary bytes read as an annotation side file, as the clipboard's
// annotation object and as the annotation folder's index file. A damaged input ends in an
// archive exception with nothing half-read left in the set; whatever loads is hit-tested and
// stored again, so the geometry and the writer run over hostile coordinates, texts and fonts too.
#include <cstdint>
#include <vector>

#include "AnnClip.h"
#include "AnnObj.h"
#include "Archive.h"
#include "Exception.h"
#include "Map.h"
#include "MemFile.h"
#include "TGraph.h"
#include "Vlr.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<BYTE> bytes(data, data + size);
  {
    CVlr set;
    set.m_strDrawingPath = "C:\\plans\\plan.tif";
    CMemFile file(bytes.data(), (UINT)bytes.size());
    CArchive ar(&file, CArchive::load);
    try {
      set.Serialize(ar);
    } catch (CException* e) {
      e->Delete();
    }
    ar.Abort();
    CTGraph graph;
    graph.Fit({0, 0, 100, 100}, {0, 0, 1000, 1000}, 1.0);
    (void)set.HitTest(graph, 10, 10);
    POSITION pos = set.m_objects.GetHeadPosition();
    while (pos != nullptr) (void)static_cast<CAnnObj*>(set.m_objects.GetNext(pos))->GetClientBounds(graph);
    CMemFile out;
    CArchive store(&out, CArchive::store);
    set.Serialize(store);
    store.Close();
  }
  {
    CMemFile file(bytes.data(), (UINT)bytes.size());
    CArchive ar(&file, CArchive::load);
    try {
      delete AnnLoadClip(ar);
    } catch (CException* e) {
      e->Delete();
    }
    ar.Abort();
  }
  {
    CMapStringToString index;
    CMemFile file(bytes.data(), (UINT)bytes.size());
    CArchive ar(&file, CArchive::load);
    try {
      index.Serialize(ar);
    } catch (CException* e) {
      e->Delete();
    }
    ar.Abort();
  }
  return 0;
}
