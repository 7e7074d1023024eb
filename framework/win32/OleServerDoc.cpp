// The server side of OLE documents: the COM object a server document hands to containers (its
// embedding, picture, storage and in-place activation), the embedded item, the in-place frame and
// its resize bar, and the application lock that ends a program OLE started once nothing holds it.
#include "OleDoc.h"

#include <cstring>

#include "Archive.h"
#include "DocTemplate.h"
#include "MemFile.h"
#include "WinApp.h"

IMPLEMENT_DYNAMIC(COleServerDoc, COleDocument)
IMPLEMENT_DYNAMIC(COleServerItem, CObject)
IMPLEMENT_DYNAMIC(COleIPFrameWnd, CFrameWnd)
IMPLEMENT_DYNAMIC(COleResizeBar, CControlBar)

// --- the application lock ----------------------------------------------------------------------

namespace {
LONG g_nOleLocks = 0;
BOOL g_bUserCtrl = TRUE;
}  // namespace

void AfxOleLockApp() { ++g_nOleLocks; }

void AfxOleUnlockApp() {
  if (g_nOleLocks > 0) --g_nOleLocks;
  if (g_nOleLocks != 0 || g_bUserCtrl) return;
  // Nothing of this program is held any more and no user works with it: it ends.
  CWnd* main = AfxGetMainWnd();
  if (main && main->m_hWnd) {
    main->PostMessage(WM_CLOSE);
  } else {
    ::PostQuitMessage(0);
  }
}

LONG AfxOleGetLockCount() { return g_nOleLocks; }
void AfxOleSetUserCtrl(BOOL bUserCtrl) { g_bUserCtrl = bUserCtrl; }
BOOL AfxOleGetUserCtrl() { return g_bUserCtrl; }

// --- the COM object of a server document -------------------------------------------------------

namespace {

const LONG kExtentDefault = 3000;  // HIMETRIC, for an item that tells none

HRESULT CopyWide(LPCSTR text, LPOLESTR* out) {
  int n = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  *out = static_cast<LPOLESTR>(::CoTaskMemAlloc(sizeof(WCHAR) * static_cast<size_t>(n > 0 ? n : 1)));
  if (!*out) return E_OUTOFMEMORY;
  (*out)[0] = 0;
  if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, text, -1, *out, n);
  return S_OK;
}

CString Narrow(LPCOLESTR text) {
  CString s;
  if (!text) return s;
  int n = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return s;
  std::vector<char> buf(static_cast<size_t>(n));
  ::WideCharToMultiByte(CP_ACP, 0, text, -1, buf.data(), n, nullptr, nullptr);
  s = buf.data();
  return s;
}

CLSID ClassOf(COleServerDoc* doc) {
  CLSID clsid = CLSID_NULL;
  CDocTemplate* t = doc->GetDocTemplate();
  if (!t) return clsid;
  CString progId;
  t->GetDocString(progId, CDocTemplate::regFileTypeId);
  std::vector<WCHAR> wide(static_cast<size_t>(progId.GetLength()) + 1);
  ::MultiByteToWideChar(CP_ACP, 0, progId, -1, wide.data(), static_cast<int>(wide.size()));
  if (FAILED(::CLSIDFromProgID(wide.data(), &clsid))) clsid = CLSID_NULL;
  return clsid;
}

const WCHAR kContentsStream[] = L"Contents";

}  // namespace

class COleServerDoc::XObject final : public IOleObject,
                               public IDataObject,
                               public IPersistStorage,
                               public IPersistFile,
                               public IOleInPlaceObject,
                               public IOleInPlaceActiveObject {
 public:
  explicit XObject(COleServerDoc* doc) : m_pDoc(doc) {}
  ~XObject() {
    if (m_pClientSite) m_pClientSite->Release();
    if (m_pOleAdvise) m_pOleAdvise->Release();
    if (m_pDataAdvise) m_pDataAdvise->Release();
    if (m_pStorage) m_pStorage->Release();
  }

  COleServerDoc* m_pDoc;  // borrowed: null once the document went
  LONG m_nRefs = 0;
  IOleClientSite* m_pClientSite = nullptr;
  IOleAdviseHolder* m_pOleAdvise = nullptr;
  IDataAdviseHolder* m_pDataAdvise = nullptr;
  IStorage* m_pStorage = nullptr;
  SIZEL m_extent = {0, 0};  // set by the container; zero: the item's own

  // --- IUnknown --------------------------------------------------------------------------------
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleObject) *ppv = static_cast<IOleObject*>(this);
    else if (riid == IID_IDataObject) *ppv = static_cast<IDataObject*>(this);
    else if (riid == IID_IPersistStorage || riid == IID_IPersist) *ppv = static_cast<IPersistStorage*>(this);
    else if (riid == IID_IPersistFile) *ppv = static_cast<IPersistFile*>(this);
    else if (riid == IID_IOleInPlaceObject || riid == IID_IOleWindow) *ppv = static_cast<IOleInPlaceObject*>(this);
    else if (riid == IID_IOleInPlaceActiveObject) *ppv = static_cast<IOleInPlaceActiveObject*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++m_nRefs); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG n = --m_nRefs;
    if (n == 0) {
      if (m_pDoc) {
        m_pDoc->OnFinalRelease();
      } else {
        delete this;
      }
    }
    return static_cast<ULONG>(n);
  }

  // --- IOleObject ------------------------------------------------------------------------------
  STDMETHODIMP SetClientSite(IOleClientSite* site) override {
    if (site) site->AddRef();
    if (m_pClientSite) m_pClientSite->Release();
    m_pClientSite = site;
    return S_OK;
  }
  STDMETHODIMP GetClientSite(IOleClientSite** site) override {
    if (!site) return E_POINTER;
    *site = m_pClientSite;
    if (m_pClientSite) m_pClientSite->AddRef();
    return S_OK;
  }
  STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP Close(DWORD saveOption) override {
    if (!m_pDoc) return S_OK;
    AddRef();  // the document may close while this runs
    if (saveOption == OLECLOSE_SAVEIFDIRTY && m_pClientSite && m_pDoc->IsModified()) m_pClientSite->SaveObject();
    m_pDoc->DeactivateInPlace();
    if (m_pOleAdvise) m_pOleAdvise->SendOnClose();
    SetClientSite(nullptr);
    // The document goes when the container lets go of the object (its handler does so on close).
    Release();
    return S_OK;
  }
  STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** ppmk) override {
    if (ppmk) *ppmk = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetClipboardData(DWORD, IDataObject** ppv) override {
    if (ppv) *ppv = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT) override {
    if (!m_pDoc) return E_UNEXPECTED;
    if (site && !m_pClientSite) SetClientSite(site);
    switch (verb) {
      case OLEIVERB_HIDE:
        m_pDoc->DeactivateInPlace();
        return S_OK;
      case OLEIVERB_PRIMARY:
      case OLEIVERB_SHOW:
      case OLEIVERB_INPLACEACTIVATE:
      case OLEIVERB_UIACTIVATE:
        return m_pDoc->ActivateInPlace(m_pClientSite, verb != OLEIVERB_INPLACEACTIVATE);
      case OLEIVERB_OPEN:
        // Open editing in a window of its own is not offered: in place is the only editing.
        return OLEOBJ_S_CANNOT_DOVERB_NOW;
      default:
        return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
    }
  }
  STDMETHODIMP EnumVerbs(IEnumOLEVERB** ppEnum) override {
    CLSID clsid = m_pDoc ? ClassOf(m_pDoc) : CLSID_NULL;
    return ::OleRegEnumVerbs(clsid, ppEnum);
  }
  STDMETHODIMP Update() override { return S_OK; }
  STDMETHODIMP IsUpToDate() override { return S_OK; }
  STDMETHODIMP GetUserClassID(CLSID* pClsid) override { return GetClassID(pClsid); }
  STDMETHODIMP GetUserType(DWORD form, LPOLESTR* out) override {
    CLSID clsid = m_pDoc ? ClassOf(m_pDoc) : CLSID_NULL;
    return ::OleRegGetUserType(clsid, form, out);
  }
  STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override {
    if (aspect != DVASPECT_CONTENT || !size) return E_FAIL;
    m_extent = *size;
    return S_OK;
  }
  STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override {
    if (!size) return E_POINTER;
    if (!m_pDoc) return E_UNEXPECTED;
    CSize s(0, 0);
    COleServerItem* item = m_pDoc->GetEmbeddedItem();
    if (!item || !item->OnGetExtent(static_cast<DVASPECT>(aspect), s)) {
      if (aspect != DVASPECT_CONTENT) return E_FAIL;
      s = m_extent.cx ? CSize(m_extent.cx, m_extent.cy) : CSize(kExtentDefault, kExtentDefault);
    }
    size->cx = s.cx;
    size->cy = s.cy;
    return S_OK;
  }
  STDMETHODIMP Advise(IAdviseSink* sink, DWORD* conn) override {
    if (!m_pOleAdvise && FAILED(::CreateOleAdviseHolder(&m_pOleAdvise))) return E_OUTOFMEMORY;
    return m_pOleAdvise->Advise(sink, conn);
  }
  STDMETHODIMP Unadvise(DWORD conn) override {
    return m_pOleAdvise ? m_pOleAdvise->Unadvise(conn) : OLE_E_NOCONNECTION;
  }
  STDMETHODIMP EnumAdvise(IEnumSTATDATA** ppEnum) override {
    if (ppEnum) *ppEnum = nullptr;
    return m_pOleAdvise ? m_pOleAdvise->EnumAdvise(ppEnum) : E_FAIL;
  }
  STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override {
    CLSID clsid = m_pDoc ? ClassOf(m_pDoc) : CLSID_NULL;
    if (SUCCEEDED(::OleRegGetMiscStatus(clsid, aspect, status))) return S_OK;
    *status = 0;
    return S_OK;
  }
  STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // --- IDataObject -----------------------------------------------------------------------------
  static bool IsPicture(const FORMATETC* f) {
    return f && f->cfFormat == CF_METAFILEPICT && (f->tymed & TYMED_MFPICT) && f->dwAspect == DVASPECT_CONTENT;
  }
  STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (!format || !medium) return E_POINTER;
    if (!IsPicture(format)) return DV_E_FORMATETC;
    if (!m_pDoc) return E_UNEXPECTED;
    COleServerItem* item = m_pDoc->GetEmbeddedItem();
    HGLOBAL pict = item ? item->GetMetafilePict() : nullptr;
    if (!pict) return E_OUTOFMEMORY;
    medium->tymed = TYMED_MFPICT;
    medium->hMetaFilePict = pict;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return DV_E_FORMATETC; }
  STDMETHODIMP QueryGetData(FORMATETC* format) override { return IsPicture(format) ? S_OK : DV_E_FORMATETC; }
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    if (out) out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
  }
  STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC** ppEnum) override {
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    return OLE_S_USEREG;  // the class's registered formats
  }
  STDMETHODIMP DAdvise(FORMATETC* format, DWORD advf, IAdviseSink* sink, DWORD* conn) override {
    if (!m_pDataAdvise && FAILED(::CreateDataAdviseHolder(&m_pDataAdvise))) return E_OUTOFMEMORY;
    return m_pDataAdvise->Advise(static_cast<IDataObject*>(this), format, advf, sink, conn);
  }
  STDMETHODIMP DUnadvise(DWORD conn) override {
    return m_pDataAdvise ? m_pDataAdvise->Unadvise(conn) : OLE_E_NOCONNECTION;
  }
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA** ppEnum) override {
    if (ppEnum) *ppEnum = nullptr;
    return m_pDataAdvise ? m_pDataAdvise->EnumAdvise(ppEnum) : OLE_E_ADVISENOTSUPPORTED;
  }

  // --- IPersistStorage and IPersistFile --------------------------------------------------------
  STDMETHODIMP GetClassID(CLSID* pClsid) override {
    if (!pClsid) return E_POINTER;
    *pClsid = m_pDoc ? ClassOf(m_pDoc) : CLSID_NULL;
    return S_OK;
  }
  STDMETHODIMP IsDirty() override { return m_pDoc && m_pDoc->IsModified() ? S_OK : S_FALSE; }
  STDMETHODIMP InitNew(IStorage* stg) override {
    KeepStorage(stg);
    return S_OK;
  }
  STDMETHODIMP Load(IStorage* stg) override {
    if (!m_pDoc || !stg) return E_INVALIDARG;
    KeepStorage(stg);
    IStream* stream = nullptr;
    if (FAILED(stg->OpenStream(kContentsStream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream))) {
      return S_OK;  // an object saved before it held anything
    }
    // The stored form is small (the document's item list); a stream larger than this is not ours.
    const ULONG kMaxContents = 1 << 20;
    STATSTG stat = {};
    HRESULT hr = stream->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(hr) || stat.cbSize.QuadPart > kMaxContents) {
      stream->Release();
      return STG_E_READFAULT;
    }
    ULONG size = static_cast<ULONG>(stat.cbSize.QuadPart), got = 0;
    std::vector<BYTE> bytes(size ? size : 1);
    hr = stream->Read(bytes.data(), size, &got);
    stream->Release();
    if (FAILED(hr) || got != size) return STG_E_READFAULT;
    try {
      CMemFile file(bytes.data(), size);
      CArchive ar(&file, CArchive::load);
      m_pDoc->Serialize(ar);
      ar.Close();
    } catch (CException* e) {
      e->Delete();
      return STG_E_READFAULT;
    }
    return S_OK;
  }
  STDMETHODIMP Save(IStorage* stg, BOOL) override {
    if (!m_pDoc || !stg) return E_INVALIDARG;
    CMemFile file;
    try {
      CArchive ar(&file, CArchive::store);
      m_pDoc->Serialize(ar);
      ar.Close();
    } catch (CException* e) {
      e->Delete();
      return STG_E_WRITEFAULT;
    }
    IStream* stream = nullptr;
    HRESULT hr = stg->CreateStream(kContentsStream, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream);
    if (FAILED(hr)) return hr;
    const ULONG size = static_cast<ULONG>(file.GetLength());
    BYTE* bytes = file.Detach();
    ULONG written = 0;
    hr = stream->Write(bytes, size, &written);
    free(bytes);
    stream->Release();
    if (FAILED(hr) || written != size) return STG_E_WRITEFAULT;
    CLSID clsid;
    GetClassID(&clsid);
    ::WriteClassStg(stg, clsid);
    return S_OK;
  }
  STDMETHODIMP SaveCompleted(IStorage* stg) override {
    if (stg) KeepStorage(stg);
    if (m_pOleAdvise) m_pOleAdvise->SendOnSave();
    return S_OK;
  }
  STDMETHODIMP HandsOffStorage() override {
    KeepStorage(nullptr);
    return S_OK;
  }
  STDMETHODIMP Load(LPCOLESTR fileName, DWORD) override {
    if (!m_pDoc) return E_UNEXPECTED;
    CString path = Narrow(fileName);
    if (path.IsEmpty() || !m_pDoc->OnOpenDocument(path)) return STG_E_FILENOTFOUND;
    m_pDoc->SetPathName(path, FALSE);
    SendDataChange();
    return S_OK;
  }
  STDMETHODIMP Save(LPCOLESTR, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP SaveCompleted(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP GetCurFile(LPOLESTR* out) override {
    if (!out) return E_POINTER;
    return CopyWide(m_pDoc ? static_cast<LPCSTR>(m_pDoc->GetPathName()) : "", out);
  }

  // --- IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject --------------------------------
  STDMETHODIMP GetWindow(HWND* phwnd) override {
    if (!phwnd) return E_POINTER;
    COleIPFrameWnd* frame = m_pDoc ? m_pDoc->m_pInPlaceFrame : nullptr;
    *phwnd = frame ? frame->m_hWnd : nullptr;
    return *phwnd ? S_OK : E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP InPlaceDeactivate() override {
    if (m_pDoc) m_pDoc->DeactivateInPlace();
    return S_OK;
  }
  STDMETHODIMP UIDeactivate() override {
    if (m_pDoc) m_pDoc->OnDeactivateUI(FALSE);
    return S_OK;
  }
  STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT) override {
    COleIPFrameWnd* frame = m_pDoc ? m_pDoc->m_pInPlaceFrame : nullptr;
    if (!frame || !pos) return E_UNEXPECTED;
    frame->MoveWindow(pos);
    return S_OK;
  }
  STDMETHODIMP ReactivateAndUndo() override { return INPLACE_E_NOTUNDOABLE; }
  STDMETHODIMP TranslateAccelerator(LPMSG) override { return S_FALSE; }
  STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }

  void SendDataChange() {
    if (m_pDataAdvise) m_pDataAdvise->SendOnDataChange(static_cast<IDataObject*>(this), 0, 0);
  }

 private:
  void KeepStorage(IStorage* stg) {
    if (stg) stg->AddRef();
    if (m_pStorage) m_pStorage->Release();
    m_pStorage = stg;
  }
};

// --- the server document -----------------------------------------------------------------------

BEGIN_MESSAGE_MAP(COleServerDoc, COleDocument)
  ON_COMMAND(ID_CANCEL_EDIT_SRVR, OnCancelEditSrvr)
END_MESSAGE_MAP()

COleServerDoc::COleServerDoc() : m_pObject(new XObject(this)) {}

COleServerDoc::~COleServerDoc() {
  m_bClosing = TRUE;
  DeactivateInPlace();
  if (XObject* object = m_pObject) {
    m_pObject = nullptr;
    // Outside references that remain (a container that never released) now point at nothing;
    // the object itself goes with the last of them, here when there is none.
    object->m_pDoc = nullptr;
    object->AddRef();
    if (object->m_nRefs > 1) ::CoDisconnectObject(static_cast<IOleObject*>(object), 0);
    object->Release();
  }
  delete m_pEmbeddedItem;
  m_pEmbeddedItem = nullptr;
}

IUnknown* COleServerDoc::GetInterface() {
  m_pObject->AddRef();
  return static_cast<IOleObject*>(m_pObject);
}

COleServerItem* COleServerDoc::GetEmbeddedItem() {
  if (!m_pEmbeddedItem) m_pEmbeddedItem = OnGetEmbeddedItem();
  return m_pEmbeddedItem;
}

void COleServerDoc::OnFinalRelease() {
  if (m_bClosing) return;
  m_bClosing = TRUE;
  // The document goes with its last reference: OnCloseDocument deletes it (and the object).
  OnCloseDocument();
}

namespace {
// Converts a rectangle of the container's frame client into the frame's own client coordinates.
RECT BorderRect(HWND frame) {
  RECT r = {};
  ::GetClientRect(frame, &r);
  return r;
}
}  // namespace

HRESULT COleServerDoc::ActivateInPlace(IOleClientSite* pSite, BOOL bUIActivate) {
  if (!pSite) return E_INVALIDARG;
  if (!m_pInPlaceFrame) {
    IOleInPlaceSite* site = nullptr;
    if (FAILED(pSite->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&site))) || !site) {
      return OLEOBJ_S_CANNOT_DOVERB_NOW;
    }
    if (site->CanInPlaceActivate() != S_OK) {
      site->Release();
      return OLEOBJ_S_CANNOT_DOVERB_NOW;
    }
    HWND parent = nullptr;
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* uiDoc = nullptr;
    RECT pos = {}, clip = {};
    OLEINPLACEFRAMEINFO info = {};
    info.cb = sizeof info;
    site->OnInPlaceActivate();
    if (FAILED(site->GetWindow(&parent)) || FAILED(site->GetWindowContext(&frame, &uiDoc, &pos, &clip, &info))) {
      if (frame) frame->Release();
      if (uiDoc) uiDoc->Release();
      site->OnInPlaceDeactivate();
      site->Release();
      return E_FAIL;
    }
    CDocTemplate* tmpl = GetDocTemplate();
    CRuntimeClass* frameClass = tmpl ? tmpl->m_pOleFrameClass : nullptr;
    COleIPFrameWnd* ip = frameClass ? dynamic_cast<COleIPFrameWnd*>(frameClass->CreateObject()) : new COleIPFrameWnd;
    if (!ip) ip = new COleIPFrameWnd;
    ip->m_pServerDoc = this;
    HWND containerFrame = nullptr;
    frame->GetWindow(&containerFrame);
    ip->m_containerFrame.AttachTemporary(containerFrame);
    CCreateContext context;
    context.m_pCurrentDoc = this;
    context.m_pNewDocTemplate = tmpl;
    context.m_pNewViewClass = tmpl ? tmpl->GetViewClass() : nullptr;
    LPCSTR cls = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, IDC_ARROW),
                                     reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), nullptr);
    CWnd parentWnd;
    parentWnd.AttachTemporary(parent);
    BOOL created = ip->Create(cls, "", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, pos, &parentWnd, nullptr, 0,
                              &context);
    parentWnd.DetachTemporary();
    if (!created) {
      // A frame whose creation failed went with its window (PostNcDestroy), or was never made.
      frame->Release();
      if (uiDoc) uiDoc->Release();
      site->OnInPlaceDeactivate();
      site->Release();
      return E_FAIL;
    }
    if (tmpl && tmpl->m_nIDOleInPlaceServer) {
      ip->m_hAccelTable = ::LoadAcceleratorsA(AfxGetResourceHandle(), MAKEINTRESOURCEA(tmpl->m_nIDOleInPlaceServer));
    }
    ip->SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE);
    ip->ShowWindow(SW_SHOW);
    m_pInPlaceFrame = ip;
    m_pInPlaceSite = site;
    m_pContainerFrame = frame;
    m_pContainerDoc = uiDoc;
  }
  if (bUIActivate && !m_bUIActive) {
    m_pInPlaceSite->OnUIActivate();
    if (!m_pInPlaceFrame->OnCreateControlBars(&m_pInPlaceFrame->m_containerFrame, nullptr)) {
      m_pInPlaceSite->OnUIDeactivate(FALSE);
      DeactivateInPlace();
      return E_FAIL;
    }
    // The bars sit at the top of the container's frame, in the space the container grants.
    int height = 0;
    for (CControlBar* bar : m_pInPlaceFrame->m_containerFrame.Bars()) {
      CRect r;
      bar->GetWindowRect(&r);
      height += r.Height();
    }
    BORDERWIDTHS widths = {0, height, 0, 0};
    if (height && m_pContainerFrame->RequestBorderSpace(&widths) == S_OK) {
      m_pContainerFrame->SetBorderSpace(&widths);
    } else {
      m_pContainerFrame->SetBorderSpace(nullptr);
    }
    RECT client = BorderRect(m_pInPlaceFrame->m_containerFrame.m_hWnd);
    int y = 0;
    for (CControlBar* bar : m_pInPlaceFrame->m_containerFrame.Bars()) {
      CRect r;
      bar->GetWindowRect(&r);
      bar->SetWindowPos(nullptr, 0, y, client.right - client.left, r.Height(), SWP_NOZORDER | SWP_SHOWWINDOW);
      y += r.Height();
    }
    if (m_pContainerDoc) m_pContainerDoc->SetBorderSpace(nullptr);
    MergeMenus();
    m_pContainerFrame->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(m_pObject), L"");
    if (m_pContainerDoc) m_pContainerDoc->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(m_pObject), L"");
    m_bUIActive = TRUE;
    m_pInPlaceFrame->SetFocus();
  }
  return S_OK;
}

void COleServerDoc::MergeMenus() {
  CDocTemplate* tmpl = GetDocTemplate();
  if (!tmpl || !tmpl->m_nIDOleInPlaceServer || !m_pContainerFrame) return;
  HMENU own = ::LoadMenuA(AfxGetResourceHandle(), MAKEINTRESOURCEA(tmpl->m_nIDOleInPlaceServer));
  if (!own) return;
  HMENU shared = ::CreateMenu();
  OLEMENUGROUPWIDTHS widths = {};
  if (!shared || FAILED(m_pContainerFrame->InsertMenus(shared, &widths))) {
    if (shared) ::DestroyMenu(shared);
    ::DestroyMenu(own);
    return;
  }
  // The server's popups go into the object group (after the container's File, Edit and
  // Container groups); the last one, Help, into the window group's place at the end.
  const int count = ::GetMenuItemCount(own);
  int at = static_cast<int>(widths.width[0] + widths.width[1] + widths.width[2]);
  for (int i = 0; i < count; ++i) {
    char text[64] = "";
    ::GetMenuStringA(own, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    HMENU popup = ::GetSubMenu(own, i);
    const bool help = i == count - 1 && count > 1;
    const int pos = help ? ::GetMenuItemCount(shared) : at++;
    ::InsertMenuA(shared, static_cast<UINT>(pos), MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(popup), text);
    ++widths.width[help ? 5 : 3];
  }
  // The popups now belong to the shared menu; the emptied own menu goes.
  while (::GetMenuItemCount(own) > 0) ::RemoveMenu(own, 0, MF_BYPOSITION);
  ::DestroyMenu(own);
  m_hSharedMenu = shared;
  m_hOleMenu = ::OleCreateMenuDescriptor(shared, &widths);
  m_pContainerFrame->SetMenu(shared, m_hOleMenu, m_pInPlaceFrame ? m_pInPlaceFrame->m_hWnd : nullptr);
}

void COleServerDoc::UnmergeMenus() {
  if (!m_hSharedMenu) return;
  if (m_pContainerFrame) {
    m_pContainerFrame->SetMenu(nullptr, nullptr, nullptr);
    // The container takes its own popups back; what is left (the server's) goes with the menu.
    m_pContainerFrame->RemoveMenus(m_hSharedMenu);
  }
  if (m_hOleMenu) ::OleDestroyMenuDescriptor(m_hOleMenu);
  m_hOleMenu = nullptr;
  ::DestroyMenu(m_hSharedMenu);
  m_hSharedMenu = nullptr;
}

void COleServerDoc::OnDeactivateUI(BOOL bUndoable) {
  if (!m_bUIActive) return;
  m_bUIActive = FALSE;
  if (m_pInPlaceFrame) {
    // The bars were made on the container's frame: they go, the in-place window stays.
    const std::vector<CControlBar*> bars = m_pInPlaceFrame->m_containerFrame.Bars();
    for (CControlBar* bar : bars) bar->DestroyWindow();
    m_pInPlaceFrame->m_containerFrame.ForgetBars();
  }
  if (m_pContainerFrame) m_pContainerFrame->SetActiveObject(nullptr, nullptr);
  if (m_pContainerDoc) m_pContainerDoc->SetActiveObject(nullptr, nullptr);
  UnmergeMenus();
  if (m_pInPlaceSite) m_pInPlaceSite->OnUIDeactivate(bUndoable);
}

void COleServerDoc::DeactivateInPlace() {
  OnDeactivateUI(FALSE);
  if (!m_pInPlaceFrame) return;
  COleIPFrameWnd* frame = m_pInPlaceFrame;
  m_pInPlaceFrame = nullptr;
  frame->m_pServerDoc = nullptr;
  frame->DestroyWindow();
  IOleInPlaceSite* site = m_pInPlaceSite;
  m_pInPlaceSite = nullptr;
  if (m_pContainerFrame) m_pContainerFrame->Release();
  m_pContainerFrame = nullptr;
  if (m_pContainerDoc) m_pContainerDoc->Release();
  m_pContainerDoc = nullptr;
  if (site) {
    site->OnInPlaceDeactivate();
    site->Release();
  }
}

// --- the embedded item -------------------------------------------------------------------------

COleServerItem::COleServerItem(COleServerDoc* pServerDoc, BOOL bAutoDelete)
    : m_bAutoDelete(bAutoDelete), m_pDocument(pServerDoc) {}

BOOL COleServerItem::IsEmbeddedItem() const {
  return m_pDocument && m_pDocument->GetEmbeddedItem() == this;
}

BOOL COleServerItem::OnGetExtent(DVASPECT, CSize&) { return FALSE; }

HGLOBAL COleServerItem::GetMetafilePict() {
  CSize size(0, 0);
  if (!OnGetExtent(DVASPECT_CONTENT, size)) size = CSize(kExtentDefault, kExtentDefault);
  CMetaFileDC dc;
  if (!dc.Create()) return nullptr;
  BOOL drawn = OnDraw(&dc, size);
  HMETAFILE mf = dc.Close();
  if (!mf) return nullptr;
  if (!drawn) {
    ::DeleteMetaFile(mf);
    return nullptr;
  }
  HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, sizeof(METAFILEPICT));
  METAFILEPICT* p = h ? static_cast<METAFILEPICT*>(::GlobalLock(h)) : nullptr;
  if (!p) {
    if (h) ::GlobalFree(h);
    ::DeleteMetaFile(mf);
    return nullptr;
  }
  p->mm = MM_ANISOTROPIC;
  p->xExt = size.cx;
  p->yExt = size.cy;
  p->hMF = mf;
  ::GlobalUnlock(h);
  return h;
}

// --- the in-place frame and its resize bar -----------------------------------------------------

BOOL COleResizeBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) {
  LPCSTR cls = AfxRegisterWndClass(0, ::LoadCursorA(nullptr, IDC_SIZENWSE), nullptr, nullptr);
  CRect r;
  pParentWnd->GetClientRect(&r);
  // A hatched border around the frame's client: the frame's own window holds it as a child.
  return CWnd::Create(cls, "", dwStyle | WS_CHILD, r, pParentWnd, nID);
}

COleIPFrameWnd::~COleIPFrameWnd() = default;

BOOL COleIPFrameWnd::OnCreateControlBars(CFrameWnd*, CFrameWnd*) { return TRUE; }

void COleIPFrameWnd::RecalcLayout(BOOL bNotify) {
  CFrameWnd::RecalcLayout(bNotify);
  // The resize bar lies under the whole client; the view sits inside its border.
  HWND bar = ::GetDlgItem(m_hWnd, AFX_IDW_RESIZE_BAR);
  if (!bar) return;
  CRect r;
  GetClientRect(&r);
  ::SetWindowPos(bar, HWND_BOTTOM, 0, 0, r.Width(), r.Height(), SWP_NOACTIVATE);
  if (HWND pane = ::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST)) {
    const int border = 4;
    ::SetWindowPos(pane, HWND_TOP, border, border, r.Width() - 2 * border, r.Height() - 2 * border, SWP_NOACTIVATE);
  }
}

BOOL COleIPFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  // The server document first: the in-place commands (Escape) are its own.
  if (m_pServerDoc && m_pServerDoc->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  return CFrameWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

void COleIPFrameWnd::PostNcDestroy() {
  if (m_pServerDoc && m_pServerDoc->m_pInPlaceFrame == this) m_pServerDoc->m_pInPlaceFrame = nullptr;
  CFrameWnd::PostNcDestroy();
}
