// What the layer dialog does to a drawing and its named layer lists, without the dialog: the
// on/off state of each layer as the dialog shows it, showing and hiding all, choosing, saving and
// deleting layer settings, and the two ends of the dialog: OK stores the states in the drawing
// and as the user's layer states; Cancel puts back everything the dialog changed (the drawing's
// layers, the lists' selection, a saved list's old contents) and says whether the drawing
// changed, so that the picture is redrawn only then.
// Not for: the controls (DWGLayers.cpp), reading the drawing's layers (the caller's DwgLayerAccess).
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "Array.h"
#include "Map.h"
#include "Str.h"
#include "vector/model/LayerList.h"

// The state of one layer of a drawing, as the toolkit keeps it.
struct DwgLayerState {
  int16_t on = 0;
  int16_t frozen = 0;
  int16_t vp_frozen = 0;
  int16_t locked = 0;
  bool operator==(const DwgLayerState& o) const {
    return on == o.on && frozen == o.frozen && vp_frozen == o.vp_frozen && locked == o.locked;
  }
};

// The drawing's layers in their order.
class DwgLayerAccess {
 public:
  virtual ~DwgLayerAccess() = default;
  virtual int Count() = 0;
  virtual CString Name(int index) = 0;
  virtual DwgLayerState State(int index) = 0;
  virtual void SetState(int index, const DwgLayerState& state) = 0;
};

// Switches the layers that the current list names (on or off, thawed, the rest kept); layers it
// does not name are left alone.
void ApplyLayerList(const CLayerList& lists, DwgLayerAccess& layers);
// A layer counts as shown when it is on and not frozen.
inline bool IsShown(const DwgLayerState& s) { return s.on != 0 && s.frozen == 0; }

class CDwgLayersModel {
 public:
  // The text of the built-in list in the combo box (string 218).
  static constexpr const char* kStandardText = "< Standard >";

  // The states start from the user's layer states when there are any, else from the drawing.
  // Everything it is given is borrowed and outlives it.
  CDwgLayersModel(DwgLayerAccess& layers, CLayerList& lists, CMapStringToString& userStates,
                  CString& currentListName);

  int LayerCount() const { return static_cast<int>(m_on.size()); }
  CString LayerName(int index) { return m_layers.Name(index); }
  bool IsOn(int index) const { return m_on[static_cast<size_t>(index)]; }
  void Toggle(int index) { m_on[static_cast<size_t>(index)] = !m_on[static_cast<size_t>(index)]; }
  void ShowAll() { m_on.assign(m_on.size(), true); }
  void HideAll() { m_on.assign(m_on.size(), false); }
  // The states anew: from the user's layer states when asked and there are any, else from the
  // drawing.
  void Refill(bool fromUserStates);

  // The combo box: "< Standard >" first, then the named lists in slot order; and the entry of
  // the drawing object's current list name (case ignored), else 0.
  void SettingNames(CStringArray& names);
  int CurrentSettingIndex();

  // Choosing entry `name` ("< Standard >" for the built-in list): the list becomes current and is
  // applied to the drawing, and the states are read back from it. True when "Delete" may be
  // pressed (a named list).
  bool SelectSetting(const CString& name);
  void DeleteSetting(const CString& name);
  // A name the lists cannot take: the built-in list's key or its combo text, case ignored.
  static bool IsReservedName(const CString& name);
  bool SettingExists(const CString& name) { return m_lists.HasLayers(name) != 0; }
  // Saves the dialog's states under `name`, makes the list current and applies it.
  void SaveSetting(const CString& name);
  // The dialog's states as "ON"/"OFF" by layer name; with apply the drawing's layers are set to
  // them too. The user's layer states are emptied first.
  void StoreLayerStates(CMapStringToString& map, bool apply);

  // OK: the states go into the drawing and the user's layer states; the chosen combo text
  // becomes the current list name (and the caller stores it as "LLSet").
  void Ok(const CString& chosenText);
  // Cancel: everything back as it was when the dialog opened. True when the drawing's layers had
  // changed (and so its picture must be drawn anew).
  bool Cancel();

 private:
  struct SavedList {
    CString name;
    bool existed = false;
    CMapStringToString states;  // "ON"/"OFF"/"" by layer name
  };

  DwgLayerAccess& m_layers;
  CLayerList& m_lists;
  CMapStringToString& m_userStates;
  CString& m_currentListName;
  std::vector<bool> m_on;

  // As the dialog found them.
  std::vector<DwgLayerState> m_startStates;
  CMapStringToString m_startUserStates;
  CString m_startListName;
  CString m_startCurrentList;
  std::deque<SavedList> m_saves;  // in the order they were made
};
