// The layer dialog's work on a drawing and its layer lists.
#include "vector/model/LayerDialogModel.h"

void ApplyLayerList(const CLayerList& lists, DwgLayerAccess& layers) {
  const int n = layers.Count();
  for (int i = 0; i < n; ++i) {
    const int state = lists.GetState(layers.Name(i));
    if (state != CLayerList::StateOff && state != CLayerList::StateOn) continue;
    DwgLayerState s = layers.State(i);
    s.on = state == CLayerList::StateOn ? 1 : 0;
    s.frozen = 0;
    layers.SetState(i, s);
  }
}

CDwgLayersModel::CDwgLayersModel(DwgLayerAccess& layers, CLayerList& lists, CMapStringToString& userStates,
                                 CString& currentListName)
    : m_layers(layers), m_lists(lists), m_userStates(userStates), m_currentListName(currentListName) {
  const int n = m_layers.Count();
  for (int i = 0; i < n; ++i) m_startStates.push_back(m_layers.State(i));
  POSITION pos = m_userStates.GetStartPosition();
  while (pos) {
    CString key, value;
    m_userStates.GetNextAssoc(pos, key, value);
    m_startUserStates.SetAt(key, value);
  }
  m_startListName = m_currentListName;
  m_startCurrentList = m_lists.CurrentList();
  Refill(true);
}

void CDwgLayersModel::Refill(bool fromUserStates) {
  const bool fromUser = fromUserStates && !m_userStates.IsEmpty();
  const int n = m_layers.Count();
  m_on.assign(static_cast<size_t>(n), false);
  for (int i = 0; i < n; ++i) {
    CString value;
    m_on[static_cast<size_t>(i)] =
        fromUser ? (m_userStates.Lookup(m_layers.Name(i), value) && value == "ON") : IsShown(m_layers.State(i));
  }
}

void CDwgLayersModel::SettingNames(CStringArray& names) {
  names.RemoveAll();
  names.Add(kStandardText);
  CStringArray lists;
  m_lists.GetListNames(lists);
  for (int i = 0; i < lists.GetSize(); ++i) names.Add(lists.GetAt(i));
}

int CDwgLayersModel::CurrentSettingIndex() {
  CStringArray names;
  SettingNames(names);
  for (int i = 0; i < names.GetSize(); ++i)
    if (names.GetAt(i).CompareNoCase(m_currentListName) == 0) return i;
  return 0;
}

bool CDwgLayersModel::SelectSetting(const CString& name) {
  const bool standard = name == kStandardText;
  m_lists.SelectList(standard ? CString(CLayerList::kStandard) : name);
  ApplyLayerList(m_lists, m_layers);
  Refill(false);
  return !standard;
}

void CDwgLayersModel::DeleteSetting(const CString& name) {
  if (name == kStandardText) return;
  m_lists.DeleteList(name);
  m_lists.SelectList(CLayerList::kStandard);
  m_currentListName = CLayerList::kStandard;
  ApplyLayerList(m_lists, m_layers);
  Refill(false);
}

bool CDwgLayersModel::IsReservedName(const CString& name) {
  return name.CompareNoCase(CLayerList::kStandard) == 0 || name.CompareNoCase(kStandardText) == 0;
}

void CDwgLayersModel::SaveSetting(const CString& name) {
  // The first save under a name keeps what was there before, for Cancel.
  bool known = false;
  for (const SavedList& s : m_saves) known = known || s.name.CompareNoCase(name) == 0;
  if (!known) {
    m_saves.emplace_back();
    m_saves.back().name = name;
    m_saves.back().existed = m_lists.ReadList(name, m_saves.back().states) != 0;
  }
  CMapStringToString states;
  StoreLayerStates(states, false);
  m_lists.SaveList(name, states);
  m_lists.SelectList(name);
  m_currentListName = name;
  ApplyLayerList(m_lists, m_layers);
  Refill(false);
}

void CDwgLayersModel::StoreLayerStates(CMapStringToString& map, bool apply) {
  m_userStates.RemoveAll();
  map.RemoveAll();
  const int n = m_layers.Count();
  for (int i = 0; i < n && i < LayerCount(); ++i) {
    const bool on = IsOn(i);
    if (apply) {
      DwgLayerState s = m_layers.State(i);
      s.on = on ? 1 : 0;
      s.frozen = 0;
      m_layers.SetState(i, s);
    }
    map.SetAt(m_layers.Name(i), on ? "ON" : "OFF");
  }
}

void CDwgLayersModel::Ok(const CString& chosenText) {
  StoreLayerStates(m_userStates, true);
  m_currentListName = chosenText;
}

bool CDwgLayersModel::Cancel() {
  // Lists saved in the dialog get their old contents back, or go when they were new.
  for (auto it = m_saves.rbegin(); it != m_saves.rend(); ++it) {
    if (it->existed)
      m_lists.SaveList(it->name, it->states);
    else
      m_lists.DeleteList(it->name);
  }
  m_saves.clear();
  if (!m_lists.SelectList(m_startCurrentList)) m_lists.SelectList(CLayerList::kStandard);
  m_currentListName = m_startListName;
  m_userStates.RemoveAll();
  POSITION pos = m_startUserStates.GetStartPosition();
  while (pos) {
    CString key, value;
    m_startUserStates.GetNextAssoc(pos, key, value);
    m_userStates.SetAt(key, value);
  }
  bool changed = false;
  const int n = m_layers.Count();
  for (int i = 0; i < n && i < static_cast<int>(m_startStates.size()); ++i) {
    if (m_layers.State(i) == m_startStates[static_cast<size_t>(i)]) continue;
    m_layers.SetState(i, m_startStates[static_cast<size_t>(i)]);
    changed = true;
  }
  return changed;
}
