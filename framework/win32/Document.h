// CDocument: the data behind one or more views. It knows its path and title, whether it was
// modified, and its views; it opens and saves itself through an archive (Serialize) unless a
// derived class reads and writes on its own. It belongs to its document template's list and,
// by default, closes and deletes itself when its last view goes.
#pragma once

#include <vector>

#include "CmdTarget.h"

class CView;
class CDocTemplate;
class CFrameWnd;

class CDocument : public CCmdTarget {
  DECLARE_DYNAMIC(CDocument)
 public:
  CDocument() = default;
  ~CDocument() override;

  const CString& GetTitle() const { return m_strTitle; }
  virtual void SetTitle(LPCSTR lpszTitle);
  const CString& GetPathName() const { return m_strPathName; }
  virtual void SetPathName(LPCSTR lpszPathName, BOOL bAddToMRU = TRUE);
  CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
  virtual BOOL IsModified() { return m_bModified; }
  virtual void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified; }

  void AddView(CView* pView);
  void RemoveView(CView* pView);
  POSITION GetFirstViewPosition() const;
  CView* GetNextView(POSITION& rPosition) const;
  void UpdateAllViews(CView* pSender, LPARAM lHint = 0L, CObject* pHint = nullptr);

  virtual BOOL OnNewDocument();
  virtual BOOL OnOpenDocument(LPCSTR lpszPathName);
  virtual BOOL OnSaveDocument(LPCSTR lpszPathName);
  virtual void OnCloseDocument();
  virtual void DeleteContents() {}
  virtual void OnChangedViewList();
  // Asks whether to save a modified document: FALSE when the user cancels or saving fails.
  virtual BOOL SaveModified();
  virtual BOOL CanCloseFrame(CFrameWnd* pFrame);
  virtual void PreCloseFrame(CFrameWnd* pFrame) { (void)pFrame; }
  virtual BOOL DoSave(LPCSTR lpszPathName, BOOL bReplace = TRUE);
  BOOL DoFileSave();

  void OnFileClose();
  // Sends the document's file as an attachment through the system's mail (Simple MAPI). Without
  // a mail system, or for a document that has no file yet, the user is told and nothing changes:
  // the document is never saved for it.
  void OnFileSendMail();
  void OnFileSave();
  void OnFileSaveAs();

  BOOL m_bAutoDelete = TRUE;
  BOOL m_bEmbedded = FALSE;

  DECLARE_MESSAGE_MAP()

 protected:
  friend class CDocTemplate;
  CString m_strTitle;
  CString m_strPathName;
  CDocTemplate* m_pDocTemplate = nullptr;  // borrowed: the template owns the document list
  std::vector<CView*> m_viewList;         // borrowed: views delete themselves with their windows
  BOOL m_bModified = FALSE;
};
