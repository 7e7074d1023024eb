// An in-memory profile for the named layer lists: sections of keys, as the program's profile
// holds them.
#pragma once

#include <cstdlib>
#include <map>
#include <string>

#include "vector/model/LayerList.h"

class MemoryStore : public LayerListStore {
 public:
  int GetInt(const char* section, const char* key, int fallback) override {
    auto v = Find(section, key);
    return v ? std::atoi(v->c_str()) : fallback;
  }
  CString GetString(const char* section, const char* key) override {
    auto v = Find(section, key);
    return v ? CString(v->c_str()) : CString();
  }
  void WriteString(const char* section, const char* key, const char* value) override {
    if (value)
      sections[section][key] = value;
    else
      sections[section].erase(key);
  }
  CString DescriptionFile() override { return description_file.c_str(); }

  const std::string* Find(const char* section, const char* key) const {
    auto s = sections.find(section);
    if (s == sections.end()) return nullptr;
    auto k = s->second.find(key);
    return k == s->second.end() ? nullptr : &k->second;
  }
  std::map<std::string, std::map<std::string, std::string>> sections;
  std::string description_file;
};
