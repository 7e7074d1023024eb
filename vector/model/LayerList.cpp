// The named layer lists over their store. Slots "LL%08d" of the section "LayerLists" name the
// lists; each list's section is named like its slot and holds "NumLayers" and "Lay%d" entries
// "name|+" (on), "name|-" (off) or "name|" (neither).
#include "vector/model/LayerList.h"

#include <cstdio>
#include <vector>

namespace {

const char kSection[] = "LayerLists";
const char kCountKey[] = "NumLL";
const char kLayersKey[] = "NumLayers";

CString LayerKey(int i) {
  char key[24];
  std::snprintf(key, sizeof key, "Lay%d", i);
  return key;
}

CString Upper(CString s) {
  s.MakeUpper();
  return s;
}

}  // namespace

CLayerList::CLayerList(LayerListStore& store) : m_store(store), m_current(kStandard) {}

CString CLayerList::SlotKey(int slot) {
  char key[24];
  std::snprintf(key, sizeof key, "LL%08d", slot);
  return key;
}

int CLayerList::StateOf(const CString& text) {
  if (text.IsEmpty()) return StateNotListed;
  if (text[0] == '-') return StateOff;
  if (text[0] == '+') return StateOn;
  return StateNotListed;
}

void CLayerList::Load() {
  SelectList(kStandard);
  m_count = m_store.GetInt(kSection, kCountKey, 0);
  m_descriptions.RemoveAll();
  CString path = m_store.DescriptionFile();
  if (path.IsEmpty()) return;
  FILE* f = std::fopen(path, "rb");
  if (!f) return;
  std::vector<char> text(kMaxDescriptionFile);
  size_t n = std::fread(text.data(), 1, text.size(), f);
  std::fclose(f);
  SetDescriptions(text.data(), n);
}

void CLayerList::SetDescriptions(const char* text, size_t length) {
  m_descriptions.RemoveAll();
  ParseDescriptions(text, length, &m_descriptions);
}

void CLayerList::ParseDescriptions(const char* text, size_t length, CMapStringToString* map) {
  size_t start = 0;
  while (start < length) {
    size_t end = start;
    while (end < length && text[end] != '\n') ++end;
    // A zero byte cannot stand in a line of text: the line ends there.
    size_t stop = start;
    while (stop < end && text[stop] != 0) ++stop;
    CString line(text + start, int(stop - start));
    line.TrimLeft();
    line.TrimRight();
    if (!line.IsEmpty() && line[0] != ';') AddLine(line, map);
    start = end + 1;
  }
}

int CLayerList::NextToken(CString& out, CString& line, char separator) {
  int at = line.Find(separator);
  if (at < 0) {
    out = line;
    return 0;
  }
  out = line.Left(at);
  line = line.Mid(at + 1);
  return 1;
}

void CLayerList::AddLine(CString line, CMapStringToString* map) {
  CString name;
  if (!NextToken(name, line, '|')) {
    map->SetAt(Upper(line), line);
    return;
  }
  CString text;
  NextToken(text, line, '|');
  map->SetAt(Upper(name), text);
}

int CLayerList::SelectList(CString name) {
  if (name == kStandard) {
    m_current = name;
    return 1;
  }
  CString section = FindSection(name);
  if (section.IsEmpty()) return 0;
  int n = m_store.GetInt(section, kLayersKey, 0);
  if (n <= 0) return 0;
  m_named.RemoveAll();
  m_current = name;
  for (int i = 0; i < n; ++i) {
    // The state follows the last "|": a layer of an external reference ("PLAN|WALLS") carries
    // one of its own in its name.
    CString entry = m_store.GetString(section, LayerKey(i));
    int bar = entry.ReverseFind('|');
    if (bar < 0)
      m_named.SetAt(Upper(entry), entry);
    else
      m_named.SetAt(Upper(entry.Left(bar)), entry.Mid(bar + 1));
  }
  return 1;
}

int CLayerList::GetState(CString layer) const {
  CString value;
  const CMapStringToString& map = m_current == kStandard ? m_standard : m_named;
  if (!map.Lookup(Upper(layer), value)) return StateNotListed;
  return StateOf(value);
}

CString CLayerList::GetDescription(CString layer) const {
  layer.MakeUpper();
  int bar = layer.ReverseFind('|');
  if (bar >= 0) layer = layer.Mid(bar + 1);
  int dollar = layer.ReverseFind('$');
  if (dollar >= 0) layer = layer.Mid(dollar + 1);
  CString text;
  if (!m_descriptions.Lookup(layer, text)) return CString();
  if (!text.IsEmpty() && (text[0] == '+' || text[0] == '-')) text = text.Mid(1);
  return text;
}

void CLayerList::SetStandardState(const char* layer, int on) {
  m_standard.SetAt(Upper(layer), on ? "+" : "-");
}

CString CLayerList::FindSection(CString name) {
  int count = m_store.GetInt(kSection, kCountKey, 0);
  for (int slot = 0, seen = 0; slot < MaxLists && seen < count; ++slot) {
    CString value = m_store.GetString(kSection, SlotKey(slot));
    if (value.IsEmpty()) continue;
    ++seen;
    if (value.CompareNoCase(name) == 0) return SlotKey(slot);
  }
  return CString();
}

CString CLayerList::AddListName(CString name) {
  for (int slot = 0; slot < MaxLists; ++slot) {
    CString key = SlotKey(slot);
    if (!m_store.GetString(kSection, key).IsEmpty()) continue;
    m_store.WriteString(kSection, key, name);
    m_count = m_store.GetInt(kSection, kCountKey, 0) + 1;
    char count[16];
    std::snprintf(count, sizeof count, "%d", m_count);
    m_store.WriteString(kSection, kCountKey, count);
    return key;
  }
  return CString();
}

void CLayerList::GetListNames(CStringArray& names) {
  int count = m_store.GetInt(kSection, kCountKey, 0);
  for (int slot = 0, seen = 0; slot < MaxLists && seen < count; ++slot) {
    CString value = m_store.GetString(kSection, SlotKey(slot));
    if (value.IsEmpty()) continue;
    ++seen;
    names.Add(value);
  }
}

int CLayerList::HasLayers(CString name) {
  CString section = FindSection(name);
  return !section.IsEmpty() && m_store.GetInt(section, kLayersKey, 0) > 0;
}

void CLayerList::DeleteList(CString name) {
  CString section = FindSection(name);
  if (section.IsEmpty()) return;
  int n = m_store.GetInt(section, kLayersKey, 0);
  m_store.WriteString(section, kLayersKey, nullptr);
  if (m_current.CompareNoCase(name) == 0) m_current = kStandard;
  for (int i = 0; i < n; ++i) m_store.WriteString(section, LayerKey(i), nullptr);
  // A list without layers goes too: kept, it could be neither selected nor deleted, and every
  // save under its name would take one more slot.
  m_store.WriteString(kSection, section, nullptr);
  m_count = m_store.GetInt(kSection, kCountKey, 0) - 1;
  if (m_count < 0) m_count = 0;
  char count[16];
  std::snprintf(count, sizeof count, "%d", m_count);
  m_store.WriteString(kSection, kCountKey, count);
}

int CLayerList::ReadList(CString name, CMapStringToString& states) {
  states.RemoveAll();
  CString section = FindSection(name);
  if (section.IsEmpty()) return 0;
  const int n = m_store.GetInt(section, kLayersKey, 0);
  for (int i = 0; i < n; ++i) {
    CString entry = m_store.GetString(section, LayerKey(i));
    const int bar = entry.ReverseFind('|');
    const CString state = bar < 0 ? CString() : entry.Mid(bar + 1);
    states.SetAt(bar < 0 ? entry : entry.Left(bar), state.Left(1) == "+" ? "ON" : state.Left(1) == "-" ? "OFF" : "");
  }
  return n > 0 ? 1 : 0;
}

void CLayerList::SaveList(CString name, CMapStringToString& states) {
  DeleteList(name);
  CString section = AddListName(name);
  if (section.IsEmpty()) return;
  int i = 0;
  POSITION pos = states.GetStartPosition();
  while (pos) {
    CString layer, state;
    states.GetNextAssoc(pos, layer, state);
    CString entry = layer + "|";
    if (state == "ON") entry += "+";
    else if (state == "OFF") entry += "-";
    m_store.WriteString(section, LayerKey(i++), entry);
  }
  char count[16];
  std::snprintf(count, sizeof count, "%d", i);
  m_store.WriteString(section, kLayersKey, count);
}
