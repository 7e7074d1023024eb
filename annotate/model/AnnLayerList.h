// CAnnLayerList: what the annotation-layer dialog works on. It edits copies of the set's layers
// and gives them to the set only when the dialog closes with OK, so Cancel leaves the set as it
// was; new layers take ids that neither the set nor the copies use, so two layers created in one
// session never share an id. Emptying a layer deletes its objects in the set at once, as the
// dialog's question warns.
// Not for: the controls, the timer and the messages of the dialog (Windows side).
#pragma once

#include <vector>

#include "Map.h"
#include "Str.h"

class CAnnLayer;
class CVlr;

class CAnnLayerList {
 public:
  explicit CAnnLayerList(CVlr& set);  // the set is borrowed
  ~CAnnLayerList();
  CAnnLayerList(const CAnnLayerList&) = delete;
  CAnnLayerList& operator=(const CAnnLayerList&) = delete;

  // The ids of the layers the list shows (those with a name), in the map's order. When the
  // current layer is not among them, the first becomes current.
  std::vector<WORD> BuildList();
  CAnnLayer* GetLayer(WORD nId) const;
  WORD GetCurrent() const { return m_nCurrent; }
  void SetCurrent(WORD nId) { m_nCurrent = nId; }

  void ToggleVisible(WORD nId);
  void SetAllVisible(BOOL bVisible);
  // A new layer, which becomes current; its id.
  WORD Create(LPCSTR lpszName, BOOL bVisible, DWORD crColour);

  enum RemoveResult { removed, lastLayer, notEmpty };
  // A removed layer loses its name and is dropped at Commit.
  RemoveResult Remove(WORD nId);
  // Deletes the layer's objects from the set now.
  void Empty(WORD nId);

  // OK: the set's layers become the named copies, its current layer the list's.
  void Commit();

 private:
  CVlr& m_set;
  CMapWordToOb m_layers;  // owned copies until Commit hands them to the set
  WORD m_nCurrent;
};
