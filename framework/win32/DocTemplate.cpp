// Document templates: the document string, matching a file to a template, and making a new
// document with its frame and view.
#include "DocTemplate.h"

#include <algorithm>

#include "Document.h"
#include "FrameWnd.h"
#include "View.h"
#include "WinApp.h"

IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)
IMPLEMENT_DYNAMIC(CMultiDocTemplate, CDocTemplate)

CDocTemplate::CDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                           CRuntimeClass* pViewClass)
    : m_nIDResource(nIDResource), m_pDocClass(pDocClass), m_pFrameClass(pFrameClass), m_pViewClass(pViewClass) {}

CDocTemplate::~CDocTemplate() {
  if (m_hMenuShared) ::DestroyMenu(m_hMenuShared);
}

void CDocTemplate::LoadTemplate() {
  if (m_strDocStrings.IsEmpty()) m_strDocStrings.LoadString(m_nIDResource);
  HINSTANCE h = AfxGetResourceHandle();
  LPCSTR name = MAKEINTRESOURCEA(m_nIDResource);
  if (!m_hMenuShared && ::FindResourceA(h, name, reinterpret_cast<LPCSTR>(RT_MENU))) m_hMenuShared = ::LoadMenuA(h, name);
  if (!m_hAccelTable) m_hAccelTable = ::LoadAcceleratorsA(h, name);
}

BOOL CDocTemplate::GetDocString(CString& rString, DocStringIndex index) const {
  return AfxExtractSubString(rString, m_strDocStrings, static_cast<int>(index));
}

CDocTemplate::Confidence CDocTemplate::MatchDocType(LPCSTR lpszPathName, CDocument*& rpDocMatch) {
  rpDocMatch = nullptr;
  for (POSITION pos = GetFirstDocPosition(); pos;) {
    CDocument* doc = GetNextDoc(pos);
    if (doc->GetPathName().CompareNoCase(lpszPathName) == 0) {
      rpDocMatch = doc;
      return yesAlreadyOpen;
    }
  }
  CString ext;
  if (GetDocString(ext, filterExt) && !ext.IsEmpty()) {
    CString path(lpszPathName);
    // The extension may be given as ".ext" or "*.ext".
    if (ext[0] == '*') ext = ext.Mid(1);
    if (path.GetLength() >= ext.GetLength() && path.Right(ext.GetLength()).CompareNoCase(ext) == 0) {
      return yesAttemptNative;
    }
  }
  return yesAttemptForeign;
}

CDocument* CDocTemplate::CreateNewDocument() {
  if (!m_pDocClass) return nullptr;
  CDocument* doc = static_cast<CDocument*>(m_pDocClass->CreateObject());
  if (doc) AddDocument(doc);
  return doc;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther) {
  CCreateContext context;
  context.m_pCurrentFrame = pOther;
  context.m_pCurrentDoc = pDoc;
  context.m_pNewViewClass = m_pViewClass;
  context.m_pNewDocTemplate = this;
  if (!m_pFrameClass) return nullptr;
  CFrameWnd* frame = static_cast<CFrameWnd*>(m_pFrameClass->CreateObject());
  if (!frame) return nullptr;
  // A frame that fails to load has deleted itself already.
  if (!frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context)) return nullptr;
  return frame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible) {
  pFrame->InitialUpdateFrame(pDoc, bMakeVisible);
}

void CDocTemplate::AddDocument(CDocument* pDoc) { pDoc->m_pDocTemplate = this; }

void CDocTemplate::RemoveDocument(CDocument* pDoc) { pDoc->m_pDocTemplate = nullptr; }

BOOL CDocTemplate::SaveAllModified() {
  for (POSITION pos = GetFirstDocPosition(); pos;) {
    if (!GetNextDoc(pos)->SaveModified()) return FALSE;
  }
  return TRUE;
}

void CDocTemplate::CloseAllDocuments(BOOL) {
  // Each close removes the document from the list: take the first until none is left.
  while (POSITION pos = GetFirstDocPosition()) {
    CDocument* doc = GetNextDoc(pos);
    doc->OnCloseDocument();
    POSITION again = GetFirstDocPosition();
    if (again && GetNextDoc(again) == doc) RemoveDocument(doc);  // it refused to go: do not loop
  }
}

// --- MDI template ---------------------------------------------------------------------------------

CMultiDocTemplate::CMultiDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                                     CRuntimeClass* pViewClass)
    : CDocTemplate(nIDResource, pDocClass, pFrameClass, pViewClass) {}

CMultiDocTemplate::~CMultiDocTemplate() {
  // Documents still open at exit go with the template.
  std::vector<CDocument*> docs = m_docList;
  for (CDocument* d : docs) delete d;
}

void CMultiDocTemplate::AddDocument(CDocument* pDoc) {
  CDocTemplate::AddDocument(pDoc);
  m_docList.push_back(pDoc);
}

void CMultiDocTemplate::RemoveDocument(CDocument* pDoc) {
  CDocTemplate::RemoveDocument(pDoc);
  m_docList.erase(std::remove(m_docList.begin(), m_docList.end(), pDoc), m_docList.end());
}

POSITION CMultiDocTemplate::GetFirstDocPosition() const {
  return m_docList.empty() ? nullptr : AfxIndexToPosition(0);
}

CDocument* CMultiDocTemplate::GetNextDoc(POSITION& rPos) const {
  size_t i = AfxPositionToIndex(rPos);
  rPos = i + 1 < m_docList.size() ? AfxIndexToPosition(i + 1) : nullptr;
  return m_docList[i];
}

void CMultiDocTemplate::SetDefaultTitle(CDocument* pDocument) {
  CString name;
  if (!GetDocString(name, docName) || name.IsEmpty()) name = "Untitled";
  CString title;
  title.Format("%s%u", static_cast<LPCSTR>(name), ++m_nUntitledCount);
  pDocument->SetTitle(title);
}

CDocument* CMultiDocTemplate::OpenDocumentFile(LPCSTR lpszPathName, BOOL bMakeVisible) {
  CDocument* doc = CreateNewDocument();
  if (!doc) {
    AfxMessageBox("Failed to create empty document.");
    return nullptr;
  }
  // The document stays while its frame is built, even if a view comes and goes.
  BOOL autoDelete = doc->m_bAutoDelete;
  doc->m_bAutoDelete = FALSE;
  CFrameWnd* frame = CreateNewFrame(doc, nullptr);
  doc->m_bAutoDelete = autoDelete;
  if (!frame) {
    AfxMessageBox("Failed to create empty document.");
    delete doc;
    return nullptr;
  }
  if (!lpszPathName) {
    SetDefaultTitle(doc);
    if (!doc->OnNewDocument()) {
      frame->DestroyWindow();
      return nullptr;
    }
  } else {
    CWaitCursor wait;
    if (!doc->OnOpenDocument(lpszPathName)) {
      // The reader told the user already; destroying the frame closes the document.
      frame->DestroyWindow();
      return nullptr;
    }
    doc->SetPathName(lpszPathName);
  }
  InitialUpdateFrame(frame, doc, bMakeVisible);
  return doc;
}
