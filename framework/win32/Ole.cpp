// OLE server registration: the template server and the class registry entries.
#include "Ole.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "DocTemplate.h"
#include "OleDoc.h"
#include "WinApp.h"

IMPLEMENT_DYNAMIC(COleObjectFactory, CCmdTarget)
IMPLEMENT_DYNAMIC(COleTemplateServer, COleObjectFactory)

namespace {

std::vector<COleObjectFactory*>& Factories() {
  static std::vector<COleObjectFactory*> list;  // borrowed: each factory removes itself
  return list;
}

BOOL SetClassesKey(const CString& key, LPCSTR value, LPCSTR valueName = nullptr) {
  HKEY h;
  if (::RegCreateKeyA(HKEY_CLASSES_ROOT, key, &h) != ERROR_SUCCESS) return FALSE;
  LONG r = ::RegSetValueExA(h, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                            static_cast<DWORD>(lstrlenA(value) + 1));
  ::RegCloseKey(h);
  return r == ERROR_SUCCESS;
}

void DeleteClassesTree(const CString& key) { ::RegDeleteTreeA(HKEY_CLASSES_ROOT, key); }

}  // namespace

CString AfxStringFromCLSID(REFCLSID c) {
  CString s;
  s.Format("{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", static_cast<unsigned long>(c.Data1), c.Data2,
           c.Data3, c.Data4[0], c.Data4[1], c.Data4[2], c.Data4[3], c.Data4[4], c.Data4[5], c.Data4[6], c.Data4[7]);
  return s;
}

// The class object COM holds for a factory. It outlives the factory only as an empty shell: once
// the factory is gone it makes nothing.
class COleObjectFactory::XClassFactory final : public IClassFactory {
 public:
  explicit XClassFactory(COleObjectFactory* owner) : m_pOwner(owner) {}
  COleObjectFactory* m_pOwner;  // borrowed: null once the factory went
  LONG m_nRefs = 1;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++m_nRefs); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG n = --m_nRefs;
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    IUnknown* object = m_pOwner ? m_pOwner->OnCreateObject() : nullptr;
    if (!object) return E_OUTOFMEMORY;
    // The caller's reference is the one asked for; the creation reference goes (which closes a
    // document nobody took).
    HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) {
      AfxOleLockApp();
    } else {
      AfxOleUnlockApp();
    }
    return S_OK;
  }
};

COleObjectFactory::COleObjectFactory() { Factories().push_back(this); }

COleObjectFactory::~COleObjectFactory() {
  if (m_dwRegister) ::CoRevokeClassObject(m_dwRegister);
  if (m_pClassFactory) {
    m_pClassFactory->m_pOwner = nullptr;
    m_pClassFactory->Release();
  }
  auto& list = Factories();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

BOOL COleObjectFactory::RegisterAll() {
  // A connected factory that cannot serve is reported, so that the start COM asked for can fail
  // at once instead of leaving its container waiting.
  CWinApp* app = AfxGetApp();
  if (app && (app->RunEmbedded() || app->RunAutomated())) AfxOleSetUserCtrl(FALSE);
  BOOL ok = TRUE;
  for (COleObjectFactory* f : Factories()) {
    if (!f->m_bConnected) continue;
    if (!f->CanServe()) {
      ok = FALSE;
      continue;
    }
    if (f->m_dwRegister) continue;
    if (!f->m_pClassFactory) f->m_pClassFactory = new XClassFactory(f);
    if (FAILED(::CoRegisterClassObject(f->m_clsid, f->m_pClassFactory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                       &f->m_dwRegister))) {
      f->m_dwRegister = 0;
      ok = FALSE;
    }
  }
  return ok;
}

void COleObjectFactory::RevokeAll() {
  for (COleObjectFactory* f : Factories()) {
    if (f->m_dwRegister) ::CoRevokeClassObject(f->m_dwRegister);
    f->m_dwRegister = 0;
  }
}

BOOL COleObjectFactory::UpdateRegistryAll(BOOL bRegister) {
  BOOL ok = TRUE;
  for (COleObjectFactory* f : Factories())
    if (f->m_bConnected && !f->UpdateRegistry(bRegister)) ok = FALSE;
  return ok;
}

BOOL COleObjectFactory::UpdateRegistry(BOOL bRegister) {
  if (!m_bConnected || m_strProgID.IsEmpty()) return FALSE;
  CString clsid = AfxStringFromCLSID(m_clsid);
  CString classKey = "CLSID\\" + clsid;
  if (!bRegister) {
    DeleteClassesTree(classKey);
    DeleteClassesTree(m_strProgID);
    return TRUE;
  }
  char module[MAX_PATH];
  ::GetModuleFileNameA(AfxGetInstanceHandle(), module, sizeof module);
  if (!CanServe()) {
    RemoveStaleEntries(module);
    return FALSE;
  }
  BOOL ok = SetClassesKey(m_strProgID, m_strTypeName);
  ok &= SetClassesKey(m_strProgID + "\\CLSID", clsid);
  ok &= SetClassesKey(classKey, m_strTypeName);
  ok &= SetClassesKey(classKey + "\\ProgID", m_strProgID);
  ok &= SetClassesKey(classKey + "\\LocalServer32", module);
  // Containers reach the object through the system's handler, which keeps its picture in the
  // container's process (drawing without the server running).
  ok &= SetClassesKey(classKey + "\\InprocHandler32", "ole32.dll");
  return ok;
}

void COleTemplateServer::ConnectTemplate(REFCLSID clsid, CDocTemplate* pDocTemplate, BOOL bMultiInstance) {
  m_clsid = clsid;
  m_pDocTemplate = pDocTemplate;
  m_bMultiInstance = bMultiInstance;
  m_bConnected = pDocTemplate != nullptr;
  if (pDocTemplate) {
    pDocTemplate->GetDocString(m_strProgID, CDocTemplate::regFileTypeId);
    pDocTemplate->GetDocString(m_strTypeName, CDocTemplate::regFileTypeName);
  }
}

void COleObjectFactory::RemoveStaleEntries(LPCSTR module) {
  const CString clsid = AfxStringFromCLSID(m_clsid);
  const CString classKey = "CLSID\\" + clsid;
  char server[MAX_PATH] = {};
  LONG size = sizeof server;
  if (::RegQueryValueA(HKEY_CLASSES_ROOT, classKey + "\\LocalServer32", server, &size) != ERROR_SUCCESS) return;
  server[sizeof server - 1] = '\0';
  // Only what this program wrote: another program's server of the class stays.
  if (lstrcmpiA(server, module) != 0) return;
  DeleteClassesTree(classKey);
  // The program identifier's own key also carries the shell's file type: only its OLE parts go.
  char progClsid[64] = {};
  size = sizeof progClsid;
  if (!m_strProgID.IsEmpty() &&
      ::RegQueryValueA(HKEY_CLASSES_ROOT, m_strProgID + "\\CLSID", progClsid, &size) == ERROR_SUCCESS &&
      lstrcmpiA(progClsid, clsid) == 0) {
    DeleteClassesTree(m_strProgID + "\\CLSID");
    DeleteClassesTree(m_strProgID + "\\Insertable");
  }
}

BOOL COleTemplateServer::CanServe() const {
  CRuntimeClass* docClass = m_pDocTemplate ? m_pDocTemplate->GetDocClass() : nullptr;
  return docClass && docClass->IsDerivedFrom(RUNTIME_CLASS(COleServerDoc));
}

IUnknown* COleTemplateServer::OnCreateObject() {
  if (!CanServe()) return nullptr;
  COleServerDoc* doc = dynamic_cast<COleServerDoc*>(m_pDocTemplate->CreateNewDocument());
  if (!doc) return nullptr;
  doc->m_bEmbedded = TRUE;
  m_pDocTemplate->SetDefaultTitle(doc);
  return doc->GetInterface();
}

BOOL COleTemplateServer::UpdateRegistry(OLE_APPTYPE nAppType) {
  if (nAppType == OAT_UNKNOWN) return FALSE;
  if (!COleObjectFactory::UpdateRegistry(TRUE)) return FALSE;
  if (nAppType == OAT_INPLACE_SERVER || nAppType == OAT_SERVER) {
    // Servers are offered in the containers' Insert Object lists.
    SetClassesKey(m_strProgID + "\\Insertable", "");
    SetClassesKey("CLSID\\" + AfxStringFromCLSID(m_clsid) + "\\Insertable", "");
  }
  return TRUE;
}
