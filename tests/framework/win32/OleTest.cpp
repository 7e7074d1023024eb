// The framework's OLE server under Wine's real COM and registry: a template server whose
// documents are server documents hands COM a class object that makes them, writes the class's
// entries and takes them back; one whose documents cannot serve hands nothing and writes nothing
// (and removes what it left before); the object's storage round trip, a damaged storage refused,
// the document closed with its last reference, and the application lock that ends a program
// only OLE controls.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>

#include "Archive.h"
#include "DocTemplate.h"
#include "Document.h"
#include "FrameWnd.h"
#include "Ole.h"
#include "OleDoc.h"
#include "TestResource.h"
#include "View.h"
#include "WinApp.h"
#include "WinTestSupport.h"

namespace {

// {0C9D3E51-7A2B-4F16-9E84-35D1B7A6C201}
const CLSID kTestClsid = {0x0C9D3E51, 0x7A2B, 0x4F16, {0x9E, 0x84, 0x35, 0xD1, 0xB7, 0xA6, 0xC2, 0x01}};
const char kClassKey[] = "CLSID\\{0C9D3E51-7A2B-4F16-9E84-35D1B7A6C201}";

int g_serializedItems = -1;

}  // namespace

class CPlainDoc : public CDocument {
  DECLARE_DYNCREATE(CPlainDoc)
};
IMPLEMENT_DYNCREATE(CPlainDoc, CDocument)

class CTestServerDoc;

class CTestServerItem : public COleServerItem {
 public:
  explicit CTestServerItem(COleServerDoc* doc) : COleServerItem(doc, TRUE) {}
  BOOL OnDraw(CDC* pDC, CSize&) override {
    ::Rectangle(pDC->m_hDC, 0, 0, 10, 10);
    return TRUE;
  }
  BOOL OnGetExtent(DVASPECT aspect, CSize& size) override {
    if (aspect != DVASPECT_CONTENT) return FALSE;
    size = CSize(1234, 567);
    return TRUE;
  }
};

class CTestServerDoc : public COleServerDoc {
  DECLARE_DYNCREATE(CTestServerDoc)
 public:
  COleServerItem* OnGetEmbeddedItem() override { return new CTestServerItem(this); }
  void Serialize(CArchive& ar) override {
    COleServerDoc::Serialize(ar);
    if (!ar.IsStoring()) g_serializedItems = static_cast<int>(GetClientItems().size());
  }
};
IMPLEMENT_DYNCREATE(CTestServerDoc, COleServerDoc)

class CTestOleView : public CView {
  DECLARE_DYNCREATE(CTestOleView)
 public:
  void OnDraw(CDC*) override {}
};
IMPLEMENT_DYNCREATE(CTestOleView, CView)

namespace {

class CTestApp : public CWinApp {};

std::string ModulePath() {
  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, sizeof module);
  return module;
}

std::string QueryClassesValue(const std::string& key) {
  char value[MAX_PATH] = "";
  LONG size = sizeof value;
  if (RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), value, &size) != ERROR_SUCCESS) return "<none>";
  return value;
}

IStorage* MemoryStorage() {
  ILockBytes* bytes = nullptr;
  if (FAILED(CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes))) return nullptr;
  IStorage* stg = nullptr;
  StgCreateDocfileOnILockBytes(bytes, STGM_SHARE_EXCLUSIVE | STGM_CREATE | STGM_READWRITE, 0, &stg);
  bytes->Release();
  return stg;
}

class OleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(AfxWinInit(GetModuleHandleA(nullptr), nullptr, cmdLine_, SW_SHOWNORMAL));
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    vvtest::MessageBoxes::Install();
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kClassKey);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "VellTest.Document");
  }
  void TearDown() override {
    delete server_;
    server_ = nullptr;
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kClassKey);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "VellTest.Document");
    AfxOleSetUserCtrl(TRUE);
    OleUninitialize();
  }
  CDocTemplate* Connect(CRuntimeClass* docClass) {
    auto* t = new CMultiDocTemplate(IDR_TESTTYPE, docClass, RUNTIME_CLASS(CFrameWnd), RUNTIME_CLASS(CTestOleView));
    app_.AddDocTemplate(t);
    server_ = new COleTemplateServer;
    server_->ConnectTemplate(kTestClsid, t, FALSE);
    return t;
  }
  static int DocumentCount(CDocTemplate* t) {
    int n = 0;
    for (POSITION p = t->GetFirstDocPosition(); p; t->GetNextDoc(p)) ++n;
    return n;
  }

  char cmdLine_[1] = "";
  CTestApp app_;
  COleTemplateServer* server_ = nullptr;
};

TEST_F(OleTest, AServerTemplateRegistersAClassObjectThatMakesItsDocuments) {
  CDocTemplate* t = Connect(RUNTIME_CLASS(CTestServerDoc));
  EXPECT_TRUE(server_->CanServe());
  ASSERT_TRUE(COleObjectFactory::RegisterAll());
  ASSERT_TRUE(server_->UpdateRegistry(OAT_INPLACE_SERVER));
  const std::string cls = kClassKey;
  EXPECT_EQ(QueryClassesValue(cls + "\\LocalServer32"), ModulePath());
  EXPECT_EQ(QueryClassesValue(cls + "\\InprocHandler32"), "ole32.dll");
  EXPECT_EQ(QueryClassesValue(cls + "\\ProgID"), "VellTest.Document");
  EXPECT_EQ(QueryClassesValue(cls + "\\Insertable"), "");
  EXPECT_EQ(QueryClassesValue("VellTest.Document\\CLSID"), "{0C9D3E51-7A2B-4F16-9E84-35D1B7A6C201}");

  IOleObject* obj = nullptr;
  ASSERT_EQ(CoCreateInstance(kTestClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IOleObject, reinterpret_cast<void**>(&obj)),
            S_OK);
  EXPECT_EQ(DocumentCount(t), 1);
  SIZEL extent = {};
  ASSERT_EQ(obj->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
  EXPECT_EQ(extent.cx, 1234);
  EXPECT_EQ(extent.cy, 567);
  EXPECT_EQ(obj->GetExtent(DVASPECT_ICON, &extent), E_FAIL);
  CLSID clsid = {};
  EXPECT_EQ(obj->GetUserClassID(&clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, kTestClsid));

  // Saved into a storage and loaded by a second object: the document's archive goes round.
  IPersistStorage* persist = nullptr;
  ASSERT_EQ(obj->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&persist)), S_OK);
  IStorage* stg = MemoryStorage();
  ASSERT_NE(stg, nullptr);
  ASSERT_EQ(persist->Save(stg, FALSE), S_OK);
  persist->Release();
  IPersistStorage* second = nullptr;
  ASSERT_EQ(CoCreateInstance(kTestClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IPersistStorage,
                             reinterpret_cast<void**>(&second)),
            S_OK);
  g_serializedItems = -1;
  EXPECT_EQ(second->Load(stg), S_OK);
  EXPECT_EQ(g_serializedItems, 0);
  EXPECT_EQ(DocumentCount(t), 2);
  second->Release();
  stg->Release();
  EXPECT_EQ(DocumentCount(t), 1);

  // The last reference closes the document.
  obj->Release();
  EXPECT_EQ(DocumentCount(t), 0);

  // Taken back: COM offers the class no more from this program.
  COleObjectFactory::RevokeAll();
  IClassFactory* factory = nullptr;
  EXPECT_NE(CoGetClassObject(kTestClsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory)),
            S_OK);
  if (factory) factory->Release();
}

// A storage whose contents were cut short or are not this program's is refused, and the object
// stays usable.
TEST_F(OleTest, ADamagedStorageIsRefused) {
  Connect(RUNTIME_CLASS(CTestServerDoc));
  ASSERT_TRUE(COleObjectFactory::RegisterAll());
  static const struct {
    const char* name;
    std::string bytes;
  } cases[] = {{"count cut short", std::string("\xFF\xFF\x01", 3)}, {"one byte", std::string("\x05", 1)}};
  for (const auto& c : cases) {
    IPersistStorage* persist = nullptr;
    ASSERT_EQ(CoCreateInstance(kTestClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IPersistStorage,
                               reinterpret_cast<void**>(&persist)),
              S_OK);
    IStorage* stg = MemoryStorage();
    IStream* stream = nullptr;
    ASSERT_EQ(stg->CreateStream(L"Contents", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream), S_OK);
    ULONG written = 0;
    stream->Write(c.bytes.data(), static_cast<ULONG>(c.bytes.size()), &written);
    stream->Release();
    EXPECT_EQ(persist->Load(stg), STG_E_READFAULT) << c.name;
    IOleObject* obj = nullptr;
    ASSERT_EQ(persist->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&obj)), S_OK);
    SIZEL extent = {};
    EXPECT_EQ(obj->GetExtent(DVASPECT_CONTENT, &extent), S_OK) << c.name;
    obj->Release();
    persist->Release();
    stg->Release();
  }
}

// Documents that cannot serve: no class object, no entries, and entries this program left before
// are removed (another program's stay).
TEST_F(OleTest, ATemplateThatCannotServeOffersNothing) {
  const std::string server = std::string(kClassKey) + "\\LocalServer32";
  static const struct {
    const char* leftBy;
    bool staysAfter;
  } cases[] = {{"this", false}, {"C:\\other\\Server.exe", true}};
  Connect(RUNTIME_CLASS(CPlainDoc));
  EXPECT_FALSE(server_->CanServe());
  EXPECT_FALSE(COleObjectFactory::RegisterAll());
  for (const auto& c : cases) {
    const std::string value = std::string(c.leftBy) == "this" ? ModulePath() : c.leftBy;
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, server.c_str(), REG_SZ, value.c_str(), static_cast<DWORD>(value.size())),
              ERROR_SUCCESS);
    EXPECT_FALSE(server_->UpdateRegistry(OAT_INPLACE_SERVER)) << c.leftBy;
    EXPECT_EQ(QueryClassesValue(server) != "<none>", c.staysAfter) << c.leftBy;
  }
  IClassFactory* factory = nullptr;
  EXPECT_NE(CoGetClassObject(kTestClsid, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory)),
            S_OK);
  if (factory) factory->Release();
}

// The last lock of a program that only OLE controls ends it; a program the user started runs on.
TEST_F(OleTest, TheLastLockEndsOnlyAProgramOleControls) {
  for (BOOL userCtrl : {TRUE, FALSE}) {
    AfxOleSetUserCtrl(userCtrl);
    AfxOleLockApp();
    AfxOleLockApp();
    AfxOleUnlockApp();
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    AfxOleUnlockApp();
    EXPECT_EQ(AfxOleGetLockCount(), 0);
    EXPECT_EQ(PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE, !userCtrl) << userCtrl;
  }
}

}  // namespace
