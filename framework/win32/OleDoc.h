// The OLE document classes: a document that holds embedded objects of other programs (container:
// COleDocument, COleClientItem) and a document that other programs embed (server: COleServerDoc,
// COleServerItem), with the in-place frame a server shows inside a container's window
// (COleIPFrameWnd with its COleResizeBar) and the application lock that keeps a server running
// while a container holds one of its objects.
// Not for: linking, automation through IDispatch, or drag and drop of OLE objects between
// documents (COleDropTarget only registers the frame as a target that refuses what it is offered).
#pragma once

#include "Win32Platform.h"
#include <ole2.h>

#include <vector>

#include "ControlBar.h"
#include "Document.h"
#include "FrameWnd.h"
#include "Gdi.h"

class COleDocument;
class COleServerDoc;

// The application's OLE lock: every object handed out to another program holds it. When it drops
// to zero in a program that OLE started (not the user), the program closes its main window and
// ends, so a container's release never leaves it running unseen.
void AfxOleLockApp();
void AfxOleUnlockApp();
LONG AfxOleGetLockCount();
// Whether the user controls the program (a start by hand) or only OLE does (an embedded or
// automated start): only a program that OLE controls ends with its last lock.
void AfxOleSetUserCtrl(BOOL bUserCtrl);
BOOL AfxOleGetUserCtrl();

// Framework commands of OLE editing.
enum : UINT {
  ID_CANCEL_EDIT_SRVR = 0xE12E,  // Escape in a server edited in place: ends its user interface
  AFX_IDW_RESIZE_BAR = 0xE803,
  AFX_IDC_RESIZE_BAR = 0xE803,
};

// An object of another program embedded in a container document. It owns its object (released
// with it) and answers the object's questions about its place through the virtuals below.
class COleClientItem : public CObject {
  DECLARE_DYNAMIC(COleClientItem)
 public:
  explicit COleClientItem(COleDocument* pContainerDoc = nullptr);
  ~COleClientItem() override;

  // Embeds a new object of the class (OleCreate), drawn from its cached picture.
  BOOL CreateNewItem(REFCLSID clsid);
  // Embeds the contents of a file (OleCreateFromFile): the class comes from the file.
  BOOL CreateFromFile(LPCSTR lpszFileName);
  // Embeds a static picture of the data (a metafile or bitmap the data object offers).
  BOOL CreateStaticFromData(IDataObject* pDataObject);

  // Draws the object's picture into the rectangle (logical units of the DC).
  BOOL Draw(CDC* pDC, LPCRECT lpBounds, DVASPECT nDrawAspect = DVASPECT_CONTENT);
  BOOL DoVerb(LONG nVerb, CWnd* pParentWnd = nullptr);
  BOOL GetExtent(LPSIZE lpSize, DVASPECT nDrawAspect = DVASPECT_CONTENT);
  // Ends the object's in-place state, if it has one.
  void Deactivate();
  void Close(OLECLOSE dwCloseOption = OLECLOSE_SAVEIFDIRTY);
  // Releases the object; the item stays in its document until it is deleted.
  void Release();

  COleDocument* GetDocument() const { return m_pDocument; }
  IOleObject* GetOleObject() const { return m_lpObject; }

  enum OLE_NOTIFICATION { OLE_CHANGED, OLE_SAVED, OLE_CLOSED, OLE_RENAMED, OLE_CHANGED_STATE, OLE_CHANGED_ASPECT };
  virtual void OnChange(OLE_NOTIFICATION nCode, DWORD dwParam);
  virtual BOOL OnChangeItemPosition(const CRect& rectPos);
  virtual void OnGetItemPosition(CRect& rPosition);
  virtual void OnDeactivateUI(BOOL bUndoable);
  virtual BOOL CanActivate();
  void Serialize(CArchive& ar) override;

 protected:
  friend class COleDocument;
  BOOL FinishCreate(HRESULT hr);

  COleDocument* m_pDocument = nullptr;  // borrowed: the document owns its items
  IOleObject* m_lpObject = nullptr;     // owned reference
  IStorage* m_lpStorage = nullptr;      // owned reference: the object's storage in memory
  DWORD m_dwConnection = 0;             // the object's advise connection to the site

 private:
  // The site the object talks to: client site and advise sink in one, living as long as the item.
  class XSite;
  XSite* m_pSite = nullptr;  // owned reference
};

// A document that holds client items. Its archive form is the items' (their count, then each).
class COleDocument : public CDocument {
  DECLARE_DYNAMIC(COleDocument)
 public:
  COleDocument() = default;
  ~COleDocument() override;

  void AddItem(COleClientItem* pItem);
  void RemoveItem(COleClientItem* pItem);
  const std::vector<COleClientItem*>& GetClientItems() const { return m_items; }
  void Serialize(CArchive& ar) override;
  // The document itself is edited in place in a container.
  virtual BOOL IsInPlaceActive() const { return FALSE; }
  // Ignored here: automation through IDispatch is not offered.
  void EnableAutomation() {}

 protected:
  std::vector<COleClientItem*> m_items;  // owned
};

class COleServerItem;

// A document that another program embeds. The COM object it hands out (IOleObject, IDataObject,
// IPersistStorage, IPersistFile, IOleInPlaceObject, IOleInPlaceActiveObject) lives inside the
// document; when the last outside reference goes, or the container closes it, the document closes.
class COleServerDoc : public COleDocument {
  DECLARE_DYNAMIC(COleServerDoc)
 public:
  COleServerDoc();
  ~COleServerDoc() override;

  virtual COleServerItem* OnGetEmbeddedItem() = 0;
  // The document's embedded item, made on first use; the document keeps it.
  COleServerItem* GetEmbeddedItem();
  // The COM object, with a reference for the caller.
  IUnknown* GetInterface();

  BOOL IsInPlaceActive() const override { return m_pInPlaceFrame != nullptr; }
  BOOL IsUIActive() const { return m_bUIActive; }
  class COleIPFrameWnd* GetInPlaceFrame() const { return m_pInPlaceFrame; }
  // Ends the in-place user interface (toolbar, shared menu) and tells the container so; the
  // in-place window stays until the container deactivates the object.
  virtual void OnDeactivateUI(BOOL bUndoable);
  void OnCancelEditSrvr() { OnDeactivateUI(FALSE); }
  // An embedded document outlives its in-place view: its container's references decide.
  void OnChangedViewList() override {
    if (!m_bEmbedded) COleDocument::OnChangedViewList();
  }

  DECLARE_MESSAGE_MAP()

 private:
  class XObject;
  friend class XObject;
  friend class COleIPFrameWnd;
  HRESULT ActivateInPlace(IOleClientSite* pSite, BOOL bUIActivate);
  void DeactivateInPlace();
  // The shared menu: the container's groups with the server's in-place menu in between.
  void MergeMenus();
  void UnmergeMenus();
  // The last outside reference went: the document closes unless the user holds it.
  void OnFinalRelease();

  XObject* m_pObject = nullptr;                 // owned: the COM object's identity
  COleServerItem* m_pEmbeddedItem = nullptr;    // owned
  class COleIPFrameWnd* m_pInPlaceFrame = nullptr;  // owned: deletes itself with its window
  IOleInPlaceSite* m_pInPlaceSite = nullptr;    // owned reference while in place
  IOleInPlaceFrame* m_pContainerFrame = nullptr;  // owned reference while in place
  IOleInPlaceUIWindow* m_pContainerDoc = nullptr;  // owned reference while in place; may be null
  HMENU m_hSharedMenu = nullptr;  // owned while the user interface is active
  HOLEMENU m_hOleMenu = nullptr;  // owned while the user interface is active
  BOOL m_bUIActive = FALSE;
  BOOL m_bClosing = FALSE;
};

// The embedded item of a server document: its extent and picture for the container.
class COleServerItem : public CObject {
  DECLARE_DYNAMIC(COleServerItem)
 public:
  COleServerItem(COleServerDoc* pServerDoc, BOOL bAutoDelete);
  ~COleServerItem() override = default;

  COleServerDoc* GetDocument() const { return m_pDocument; }
  BOOL IsEmbeddedItem() const;
  // The picture for the container, in HIMETRIC of the given size.
  virtual BOOL OnDraw(CDC* pDC, CSize& rSize) = 0;
  // The object's size in HIMETRIC; FALSE when the item has none for the aspect.
  virtual BOOL OnGetExtent(DVASPECT nDrawAspect, CSize& rSize);
  // The item's picture as a metafile picture in global memory; null when drawing failed.
  HGLOBAL GetMetafilePict();

  BOOL m_bAutoDelete;

 protected:
  COleServerDoc* m_pDocument;  // borrowed: the document owns its embedded item
};

// The bar a server shows around its in-place window so the user can resize it.
class COleResizeBar : public CControlBar {
  DECLARE_DYNAMIC(COleResizeBar)
 public:
  BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE, UINT nID = AFX_IDW_RESIZE_BAR);
  CSize CalcFixedLayout(BOOL, BOOL) override { return CSize(0, 0); }
  void OnUpdateCmdUI(CFrameWnd*, BOOL) override {}
};

// Registers a window as a drop target. Offered data is refused: objects are not dropped into
// in-place frames.
class COleDropTarget : public CCmdTarget {
  DECLARE_DYNAMIC(COleDropTarget)
 public:
  COleDropTarget();
  ~COleDropTarget() override;
  BOOL Register(CWnd* pWnd);
  void Revoke();

 private:
  class XDropTarget;
  XDropTarget* m_pTarget = nullptr;  // owned reference
  HWND m_hWnd = nullptr;
};

// The frame of a server document edited in place: a child of the container's window, holding the
// document's view; its control bars live on the container's frame.
class COleIPFrameWnd : public CFrameWnd {
  DECLARE_DYNAMIC(COleIPFrameWnd)
 public:
  COleIPFrameWnd() = default;
  ~COleIPFrameWnd() override;

  // Makes the server's control bars on the container's frame (pWndFrame) and document window
  // (pWndDoc, null when the container has none); FALSE fails the activation.
  virtual BOOL OnCreateControlBars(CFrameWnd* pWndFrame, CFrameWnd* pWndDoc);
  // The container's frame as a window of this program (not owned by it).
  CFrameWnd* GetContainerFrame() { return &m_containerFrame; }

  COleServerDoc* m_pServerDoc = nullptr;  // borrowed
  void RecalcLayout(BOOL bNotify = TRUE) override;
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
  void PostNcDestroy() override;

 protected:
  friend class COleServerDoc;
  // Wraps the container's frame window without owning it. The server's bars made on it are
  // listed here; they are laid out at its top in the border space the container grants, not by
  // the wrapper (the container lays out its own windows).
  class CContainerFrameWnd : public CFrameWnd {
   public:
    ~CContainerFrameWnd() override { DetachTemporary(); }
    const std::vector<CControlBar*>& Bars() const { return m_listControlBars; }
    void RecalcLayout(BOOL) override {}
    void ForgetBars() { m_listControlBars.clear(); }
  };
  CContainerFrameWnd m_containerFrame;
};
