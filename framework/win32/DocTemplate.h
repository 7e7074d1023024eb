// Document templates: which document, frame and view classes make up one kind of document, the
// resources they share (menu, accelerators, the "\n"-separated document string) and the list of
// open documents of that kind. CMultiDocTemplate opens each document in its own MDI child frame.
#pragma once

#include <vector>

#include "CmdTarget.h"

class CDocument;
class CFrameWnd;

class CDocTemplate : public CCmdTarget {
  DECLARE_DYNAMIC(CDocTemplate)
 public:
  enum DocStringIndex { windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName };
  enum Confidence { noAttempt, maybeAttemptForeign, maybeAttemptNative, yesAttemptForeign, yesAttemptNative,
                    yesAlreadyOpen };

  CDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass, CRuntimeClass* pViewClass);
  ~CDocTemplate() override;

  virtual void LoadTemplate();
  virtual BOOL GetDocString(CString& rString, DocStringIndex index) const;
  virtual Confidence MatchDocType(LPCSTR lpszPathName, CDocument*& rpDocMatch);
  virtual CDocument* CreateNewDocument();
  virtual CFrameWnd* CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther);
  virtual void InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible = TRUE);
  virtual CDocument* OpenDocumentFile(LPCSTR lpszPathName, BOOL bMakeVisible = TRUE) = 0;
  virtual void SetDefaultTitle(CDocument* pDocument) = 0;
  virtual void AddDocument(CDocument* pDoc);
  virtual void RemoveDocument(CDocument* pDoc);
  virtual POSITION GetFirstDocPosition() const = 0;
  virtual CDocument* GetNextDoc(POSITION& rPos) const = 0;
  virtual BOOL SaveAllModified();
  virtual void CloseAllDocuments(BOOL bEndSession);

  UINT GetResourceId() const { return m_nIDResource; }
  CRuntimeClass* GetViewClass() const { return m_pViewClass; }
  CRuntimeClass* GetDocClass() const { return m_pDocClass; }
  // The menus (and frame class) of OLE editing: a container's in-place menu, and a server's
  // embedded and in-place menus. Kept for the OLE document classes that use them.
  void SetContainerInfo(UINT nIDOleInPlaceContainer) { m_nIDOleInPlaceContainer = nIDOleInPlaceContainer; }
  void SetServerInfo(UINT nIDOleEmbedding, UINT nIDOleInPlaceServer = 0, CRuntimeClass* pOleFrameClass = nullptr) {
    m_nIDOleEmbedding = nIDOleEmbedding;
    m_nIDOleInPlaceServer = nIDOleInPlaceServer;
    m_pOleFrameClass = pOleFrameClass;
  }
  UINT m_nIDOleInPlaceContainer = 0;
  UINT m_nIDOleEmbedding = 0;
  UINT m_nIDOleInPlaceServer = 0;
  CRuntimeClass* m_pOleFrameClass = nullptr;
  HMENU m_hMenuShared = nullptr;   // owned
  HACCEL m_hAccelTable = nullptr;  // a resource: needs no freeing

 protected:
  UINT m_nIDResource;
  CRuntimeClass* m_pDocClass;
  CRuntimeClass* m_pFrameClass;
  CRuntimeClass* m_pViewClass;
  CString m_strDocStrings;
};

class CMultiDocTemplate : public CDocTemplate {
  DECLARE_DYNAMIC(CMultiDocTemplate)
 public:
  CMultiDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                    CRuntimeClass* pViewClass);
  ~CMultiDocTemplate() override;

  CDocument* OpenDocumentFile(LPCSTR lpszPathName, BOOL bMakeVisible = TRUE) override;
  void SetDefaultTitle(CDocument* pDocument) override;
  void AddDocument(CDocument* pDoc) override;
  void RemoveDocument(CDocument* pDoc) override;
  POSITION GetFirstDocPosition() const override;
  CDocument* GetNextDoc(POSITION& rPos) const override;

 protected:
  std::vector<CDocument*> m_docList;  // borrowed: documents delete themselves
  UINT m_nUntitledCount = 0;
};

// POSITION values over a vector: index + 1, null at the end.
inline POSITION AfxIndexToPosition(size_t index) { return reinterpret_cast<POSITION>(index + 1); }
inline size_t AfxPositionToIndex(POSITION pos) { return reinterpret_cast<size_t>(pos) - 1; }
