// The container side of OLE documents: a document's list of embedded objects, each object with
// its site (client site and advise sink), drawing through the object's cached picture, and the
// drop target that in-place frames register.
#include "OleDoc.h"

#include <algorithm>

#include "Archive.h"

IMPLEMENT_DYNAMIC(COleDocument, CDocument)
IMPLEMENT_DYNAMIC(COleClientItem, CObject)
IMPLEMENT_DYNAMIC(COleDropTarget, CCmdTarget)

// --- the container document --------------------------------------------------------------------

COleDocument::~COleDocument() {
  // Each item takes itself out of the list as it goes.
  while (!m_items.empty()) delete m_items.back();
}

void COleDocument::AddItem(COleClientItem* pItem) {
  if (std::find(m_items.begin(), m_items.end(), pItem) == m_items.end()) m_items.push_back(pItem);
  pItem->m_pDocument = this;
}

void COleDocument::RemoveItem(COleClientItem* pItem) {
  m_items.erase(std::remove(m_items.begin(), m_items.end(), pItem), m_items.end());
  if (pItem->m_pDocument == this) pItem->m_pDocument = nullptr;
}

void COleDocument::Serialize(CArchive& ar) {
  // The items' count and each item's own part. The objects' data stay in their storages, which
  // live as long as the document: a stored document keeps how many objects it held.
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<DWORD>(m_items.size()));
    for (COleClientItem* item : m_items) item->Serialize(ar);
  } else {
    DWORD n = ar.ReadCount();
    // Items are not rebuilt from an archive: their objects cannot come back without storages.
    (void)n;
  }
}

// --- the site of an embedded object ------------------------------------------------------------

class COleClientItem::XSite final : public IOleClientSite, public IAdviseSink {
 public:
  explicit XSite(COleClientItem* item) : m_pItem(item) {}
  COleClientItem* m_pItem;  // borrowed: null once the item went
  LONG m_nRefs = 1;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleClientSite) *ppv = static_cast<IOleClientSite*>(this);
    else if (riid == IID_IAdviseSink) *ppv = static_cast<IAdviseSink*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++m_nRefs); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG n = --m_nRefs;
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }

  STDMETHODIMP SaveObject() override {
    if (!m_pItem || !m_pItem->m_lpObject || !m_pItem->m_lpStorage) return E_FAIL;
    IPersistStorage* persist = nullptr;
    if (FAILED(m_pItem->m_lpObject->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&persist)))) {
      return E_FAIL;
    }
    HRESULT hr = ::OleSave(persist, m_pItem->m_lpStorage, TRUE);
    persist->SaveCompleted(nullptr);
    persist->Release();
    return hr;
  }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** ppmk) override {
    if (ppmk) *ppmk = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** pp) override {
    if (pp) *pp = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  STDMETHODIMP_(void) OnDataChange(FORMATETC*, STGMEDIUM*) override {}
  STDMETHODIMP_(void) OnViewChange(DWORD aspect, LONG) override {
    if (m_pItem) m_pItem->OnChange(COleClientItem::OLE_CHANGED, aspect);
  }
  STDMETHODIMP_(void) OnRename(IMoniker*) override {}
  STDMETHODIMP_(void) OnSave() override {
    if (m_pItem) m_pItem->OnChange(COleClientItem::OLE_SAVED, 0);
  }
  STDMETHODIMP_(void) OnClose() override {
    if (m_pItem) m_pItem->OnChange(COleClientItem::OLE_CLOSED, 0);
  }
};

// --- the embedded object -----------------------------------------------------------------------

COleClientItem::COleClientItem(COleDocument* pContainerDoc) : m_pSite(new XSite(this)) {
  if (pContainerDoc) pContainerDoc->AddItem(this);
}

COleClientItem::~COleClientItem() {
  Release();
  if (m_pDocument) m_pDocument->RemoveItem(this);
  m_pSite->m_pItem = nullptr;
  m_pSite->Release();
}

namespace {
// A storage in memory for one object.
IStorage* NewMemoryStorage() {
  ILockBytes* bytes = nullptr;
  if (FAILED(::CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes))) return nullptr;
  IStorage* stg = nullptr;
  HRESULT hr = ::StgCreateDocfileOnILockBytes(bytes, STGM_SHARE_EXCLUSIVE | STGM_CREATE | STGM_READWRITE, 0, &stg);
  bytes->Release();
  return SUCCEEDED(hr) ? stg : nullptr;
}
}  // namespace

BOOL COleClientItem::FinishCreate(HRESULT hr) {
  if (FAILED(hr) || !m_lpObject) {
    Release();
    return FALSE;
  }
  m_lpObject->Advise(static_cast<IAdviseSink*>(m_pSite), &m_dwConnection);
  IViewObject* view = nullptr;
  if (SUCCEEDED(m_lpObject->QueryInterface(IID_IViewObject, reinterpret_cast<void**>(&view)))) {
    view->SetAdvise(DVASPECT_CONTENT, 0, static_cast<IAdviseSink*>(m_pSite));
    view->Release();
  }
  ::OleSetContainedObject(m_lpObject, TRUE);
  return TRUE;
}

BOOL COleClientItem::CreateNewItem(REFCLSID clsid) {
  Release();
  m_lpStorage = NewMemoryStorage();
  if (!m_lpStorage) return FALSE;
  HRESULT hr = ::OleCreate(clsid, IID_IOleObject, OLERENDER_DRAW, nullptr, static_cast<IOleClientSite*>(m_pSite),
                           m_lpStorage, reinterpret_cast<void**>(&m_lpObject));
  return FinishCreate(hr);
}

BOOL COleClientItem::CreateFromFile(LPCSTR lpszFileName) {
  Release();
  m_lpStorage = NewMemoryStorage();
  if (!m_lpStorage || !lpszFileName) return FALSE;
  WCHAR wide[MAX_PATH];
  if (!::MultiByteToWideChar(CP_ACP, 0, lpszFileName, -1, wide, MAX_PATH)) return FALSE;
  HRESULT hr = ::OleCreateFromFile(CLSID_NULL, wide, IID_IOleObject, OLERENDER_DRAW, nullptr,
                                   static_cast<IOleClientSite*>(m_pSite), m_lpStorage,
                                   reinterpret_cast<void**>(&m_lpObject));
  return FinishCreate(hr);
}

BOOL COleClientItem::CreateStaticFromData(IDataObject* pDataObject) {
  Release();
  m_lpStorage = NewMemoryStorage();
  if (!m_lpStorage || !pDataObject) return FALSE;
  // A static object is a picture: the metafile form when the data offers one, else the bitmap.
  HRESULT hr = E_FAIL;
  for (CLIPFORMAT cf : {CLIPFORMAT(CF_METAFILEPICT), CLIPFORMAT(CF_ENHMETAFILE), CLIPFORMAT(CF_DIB)}) {
    FORMATETC fmt = {cf, nullptr, DVASPECT_CONTENT, -1,
                     cf == CF_METAFILEPICT ? DWORD(TYMED_MFPICT) : cf == CF_ENHMETAFILE ? DWORD(TYMED_ENHMF) : DWORD(TYMED_HGLOBAL)};
    if (pDataObject->QueryGetData(&fmt) != S_OK) continue;
    hr = ::OleCreateStaticFromData(pDataObject, IID_IOleObject, OLERENDER_FORMAT, &fmt,
                                   static_cast<IOleClientSite*>(m_pSite), m_lpStorage,
                                   reinterpret_cast<void**>(&m_lpObject));
    if (SUCCEEDED(hr)) break;
  }
  return FinishCreate(hr);
}

BOOL COleClientItem::Draw(CDC* pDC, LPCRECT lpBounds, DVASPECT nDrawAspect) {
  if (!m_lpObject || !pDC || !lpBounds) return FALSE;
  return SUCCEEDED(::OleDraw(m_lpObject, nDrawAspect, pDC->m_hDC, lpBounds));
}

BOOL COleClientItem::DoVerb(LONG nVerb, CWnd* pParentWnd) {
  if (!m_lpObject) return FALSE;
  CRect pos;
  OnGetItemPosition(pos);
  HRESULT hr = m_lpObject->DoVerb(nVerb, nullptr, static_cast<IOleClientSite*>(m_pSite), 0,
                                  pParentWnd ? pParentWnd->m_hWnd : nullptr, &pos);
  return SUCCEEDED(hr);
}

BOOL COleClientItem::GetExtent(LPSIZE lpSize, DVASPECT nDrawAspect) {
  if (!m_lpObject || !lpSize) return FALSE;
  SIZEL s = {};
  if (FAILED(m_lpObject->GetExtent(nDrawAspect, &s))) return FALSE;
  lpSize->cx = s.cx;
  lpSize->cy = s.cy;
  return TRUE;
}

void COleClientItem::Deactivate() {
  if (!m_lpObject) return;
  IOleInPlaceObject* ip = nullptr;
  if (SUCCEEDED(m_lpObject->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&ip)))) {
    ip->InPlaceDeactivate();
    ip->Release();
  }
}

void COleClientItem::Close(OLECLOSE dwCloseOption) {
  if (m_lpObject) m_lpObject->Close(dwCloseOption);
}

void COleClientItem::Release() {
  if (m_lpObject) {
    if (m_dwConnection) m_lpObject->Unadvise(m_dwConnection);
    m_dwConnection = 0;
    m_lpObject->Close(OLECLOSE_NOSAVE);
    m_lpObject->Release();
    m_lpObject = nullptr;
  }
  if (m_lpStorage) {
    m_lpStorage->Release();
    m_lpStorage = nullptr;
  }
}

void COleClientItem::OnChange(OLE_NOTIFICATION, DWORD) {}

BOOL COleClientItem::OnChangeItemPosition(const CRect&) { return TRUE; }

void COleClientItem::OnGetItemPosition(CRect& rPosition) { rPosition.SetRectEmpty(); }

void COleClientItem::OnDeactivateUI(BOOL) {}

BOOL COleClientItem::CanActivate() { return m_lpObject != nullptr; }

void COleClientItem::Serialize(CArchive&) {}

// --- the drop target ---------------------------------------------------------------------------

class COleDropTarget::XDropTarget final : public IDropTarget {
 public:
  LONG m_nRefs = 1;
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDropTarget) return E_NOINTERFACE;
    *ppv = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++m_nRefs); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG n = --m_nRefs;
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }
  STDMETHODIMP DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override { return Refuse(effect); }
  STDMETHODIMP DragOver(DWORD, POINTL, DWORD* effect) override { return Refuse(effect); }
  STDMETHODIMP DragLeave() override { return S_OK; }
  STDMETHODIMP Drop(IDataObject*, DWORD, POINTL, DWORD* effect) override { return Refuse(effect); }

 private:
  static HRESULT Refuse(DWORD* effect) {
    if (effect) *effect = DROPEFFECT_NONE;
    return S_OK;
  }
};

COleDropTarget::COleDropTarget() : m_pTarget(new XDropTarget) {}

COleDropTarget::~COleDropTarget() {
  Revoke();
  m_pTarget->Release();
}

BOOL COleDropTarget::Register(CWnd* pWnd) {
  if (!pWnd || !pWnd->m_hWnd) return FALSE;
  Revoke();
  if (FAILED(::RegisterDragDrop(pWnd->m_hWnd, m_pTarget))) return FALSE;
  m_hWnd = pWnd->m_hWnd;
  return TRUE;
}

void COleDropTarget::Revoke() {
  if (m_hWnd) ::RevokeDragDrop(m_hWnd);
  m_hWnd = nullptr;
}
