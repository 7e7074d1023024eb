// CLayerList: the named layer lists ("layer settings") of a vector drawing object: sets of layer
// on/off states saved under a name in the profile and applied to any drawing, the built-in list
// of the drawing's own states, and the layer descriptions of DWGLayer.lst. The lists' rules are
// portable; where they are stored is the store's (the program's profile, LayerListProfile.cpp).
// Not for: switching the drawing's layers (the vector drawing object does that from GetState).
#pragma once

#include <cstddef>
#include <cstdint>

#include "Array.h"
#include "Map.h"
#include "Str.h"

// Where the lists live: sections of keys as in the program's profile, and the description file.
class LayerListStore {
 public:
  virtual ~LayerListStore() = default;
  virtual int GetInt(const char* section, const char* key, int fallback) = 0;
  virtual CString GetString(const char* section, const char* key) = 0;
  // A null value removes the key.
  virtual void WriteString(const char* section, const char* key, const char* value) = 0;
  // The full path of DWGLayer.lst.
  virtual CString DescriptionFile() = 0;
};

// The program's profile and the DWGLayer.lst beside the program (Windows only).
LayerListStore& ProfileLayerListStore();

class CLayerList {
 public:
  enum { StateNotListed = 0, StateOff = 1, StateOn = 2, MaxLists = 5000 };
  static constexpr const char* kStandard = "##DWGLAGER.LST##";
  // DWGLayer.lst is read up to this size; a larger file keeps the descriptions of its start.
  static constexpr size_t kMaxDescriptionFile = 4 << 20;

  explicit CLayerList(LayerListStore& store);
  virtual ~CLayerList() = default;

  // Selects the built-in list, reads the list count and the descriptions.
  void Load();
  // One line "name|text[|...]": upper-cased name to text; a line without "|" maps its
  // upper-cased text to itself.
  void AddLine(CString line, CMapStringToString* map);
  // out := the text before the first separator, line := the text after it; 1 when a separator
  // was found. Without one out := line and 0.
  int NextToken(CString& out, CString& line, char separator);
  int SelectList(CString name);
  int GetState(CString layer) const;
  CString GetDescription(CString layer) const;
  void SetStandardState(const char* layer, int on);
  CString FindSection(CString name);
  CString AddListName(CString name);
  void GetListNames(CStringArray& names);
  int HasLayers(CString name);
  void DeleteList(CString name);
  // states: layer name to "ON" or "OFF" (anything else is stored as neither).
  void SaveList(CString name, CMapStringToString& states);
  // A stored list as SaveList takes it: layer name (as stored) to "ON", "OFF" or "" (neither).
  // 0 when there is no list of that name with layers.
  int ReadList(CString name, CMapStringToString& states);

  const CString& CurrentList() const { return m_current; }

  // DWGLayer.lst's text into the map, line by line: blanks around a line are dropped, empty
  // lines and lines beginning with ";" skipped.
  void ParseDescriptions(const char* text, size_t length, CMapStringToString* map);
  // The descriptions from DWGLayer.lst's text, replacing those held.
  void SetDescriptions(const char* text, size_t length);

 private:
  static CString SlotKey(int slot);
  static int StateOf(const CString& text);

  LayerListStore& m_store;  // not owned
  int m_count = 0;
  CString m_current;
  CMapStringToString m_descriptions;
  CMapStringToString m_named;
  CMapStringToString m_standard;
};
