// DWGLayer.lst as any bytes: parsed into descriptions and looked up, never read past its end.
#include <cstddef>
#include <cstdint>

#include "vector/model/LayerList.h"

namespace {

class NoStore : public LayerListStore {
 public:
  int GetInt(const char*, const char*, int fallback) override { return fallback; }
  CString GetString(const char*, const char*) override { return CString(); }
  void WriteString(const char*, const char*, const char*) override {}
  CString DescriptionFile() override { return CString(); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  NoStore store;
  CLayerList lists(store);
  CMapStringToString map;
  lists.ParseDescriptions(reinterpret_cast<const char*>(data), size, &map);
  lists.SetDescriptions(reinterpret_cast<const char*>(data), size);
  POSITION pos = map.GetStartPosition();
  while (pos) {
    CString key, value;
    map.GetNextAssoc(pos, key, value);
    lists.GetDescription(key);
  }
  return 0;
}
