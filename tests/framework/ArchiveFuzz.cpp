// libFuzzer target: arbitrary bytes read through CArchive as a count, a string and a sequence of
// objects whose fields hold every serialisable kind of collection. The only class that can be
// created is CFuzzNode (the framework's collection classes are made not creatable here), so every
// object the archive makes is a node, tracked from construction to destruction and freed after
// each input; a damaged input must end in a framework exception, never a crash or a leak.
#include "Framework.h"

#include <cstdint>
#include <set>
#include <vector>

namespace {
std::set<CObject*>& LiveNodes() {
  static std::set<CObject*> s_nodes;
  return s_nodes;
}
}  // namespace

class CFuzzNode : public CObject {
  DECLARE_SERIAL(CFuzzNode)

 public:
  CFuzzNode() { LiveNodes().insert(this); }
  ~CFuzzNode() override { LiveNodes().erase(this); }

  // The members hold other nodes without owning them: all nodes are freed by the harness.
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) {
      ar << m_name << m_value << m_pChild;
    } else {
      ar >> m_name >> m_value >> m_pChild;
    }
    m_list.Serialize(ar);
    m_words.Serialize(ar);
    m_strings.Serialize(ar);
    m_map.Serialize(ar);
    m_strMap.Serialize(ar);
    m_obMap.Serialize(ar);
    m_bytes.Serialize(ar);
  }

  CString m_name;
  DWORD m_value = 0;
  CObject* m_pChild = nullptr;
  CObList m_list;
  CDWordArray m_words;
  CStringArray m_strings;
  CMapWordToOb m_map;
  CMapStringToString m_strMap;
  CMapStringToOb m_obMap;
  CByteArray m_bytes;
};
IMPLEMENT_SERIAL(CFuzzNode, CObject, 1)

namespace {

bool MakeFrameworkClassesNotCreatable() {
  CRuntimeClass* classes[] = {
      RUNTIME_CLASS(CByteArray),   RUNTIME_CLASS(CWordArray),         RUNTIME_CLASS(CDWordArray),
      RUNTIME_CLASS(CObArray),     RUNTIME_CLASS(CStringArray),       RUNTIME_CLASS(CObList),
      RUNTIME_CLASS(CStringList),  RUNTIME_CLASS(CMapWordToOb),       RUNTIME_CLASS(CMapStringToString),
      RUNTIME_CLASS(CMapStringToOb),
  };
  for (CRuntimeClass* c : classes)
    c->m_pfnCreateObject = nullptr;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool s_init = MakeFrameworkClassesNotCreatable();
  (void)s_init;
  std::vector<BYTE> bytes(data, data + size);
  CMemFile file(bytes.data(), (UINT)bytes.size());
  {
    CArchive ar(&file, CArchive::load);
    TRY {
      ar.ReadCount();
      CString s;
      ar >> s;
      for (int i = 0; i < 64; ++i)
        ar.ReadObject(nullptr);
    }
    CATCH_ALL(e) {
    }
    END_CATCH_ALL
  }
  std::set<CObject*> nodes;
  nodes.swap(LiveNodes());
  for (CObject* p : nodes)
    delete p;
  LiveNodes().clear();
  return 0;
}
