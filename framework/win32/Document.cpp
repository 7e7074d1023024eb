// CDocument: views, titles and paths, the modified flag, and opening, saving and closing through
// the archive. Failures are told to the user in a message box and leave the document as it was.
#include "Document.h"

#include <algorithm>

#include "Archive.h"
#include "DocTemplate.h"
#include "File.h"
#include "FrameWnd.h"
#include "View.h"
#include "WinApp.h"

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)

namespace {
// File/Send, as the resource scripts number it.
const UINT kFileSendMailCommand = 0xE108;
}  // namespace

BEGIN_MESSAGE_MAP(CDocument, CCmdTarget)
  ON_COMMAND(ID_FILE_CLOSE, OnFileClose)
  ON_COMMAND(ID_FILE_SAVE, OnFileSave)
  ON_COMMAND(ID_FILE_SAVE_AS, OnFileSaveAs)
  ON_COMMAND(kFileSendMailCommand, OnFileSendMail)
END_MESSAGE_MAP()

CDocument::~CDocument() {
  // Views that outlive the document must not point at it.
  for (CView* v : m_viewList) v->m_pDocument = nullptr;
  if (m_pDocTemplate) m_pDocTemplate->RemoveDocument(this);
}

void CDocument::SetTitle(LPCSTR lpszTitle) {
  m_strTitle = lpszTitle;
  for (CView* v : m_viewList) {
    if (CFrameWnd* f = v->GetParentFrame()) f->OnUpdateFrameTitle(TRUE);
  }
}

void CDocument::SetPathName(LPCSTR lpszPathName, BOOL bAddToMRU) {
  char full[MAX_PATH];
  DWORD n = ::GetFullPathNameA(lpszPathName, sizeof full, full, nullptr);
  m_strPathName = (n > 0 && n < sizeof full) ? CString(full) : CString(lpszPathName);
  // The title is the file's name without its folder.
  int slash = std::max(m_strPathName.ReverseFind('\\'), m_strPathName.ReverseFind('/'));
  SetTitle(m_strPathName.Mid(slash + 1));
  if (bAddToMRU) AfxGetApp()->AddToRecentFileList(m_strPathName);
}

void CDocument::AddView(CView* pView) {
  m_viewList.push_back(pView);
  pView->m_pDocument = this;
  OnChangedViewList();
}

void CDocument::RemoveView(CView* pView) {
  auto it = std::find(m_viewList.begin(), m_viewList.end(), pView);
  if (it == m_viewList.end()) return;
  m_viewList.erase(it);
  pView->m_pDocument = nullptr;
  OnChangedViewList();
}

POSITION CDocument::GetFirstViewPosition() const {
  return m_viewList.empty() ? nullptr : AfxIndexToPosition(0);
}

CView* CDocument::GetNextView(POSITION& rPosition) const {
  size_t i = AfxPositionToIndex(rPosition);
  rPosition = i + 1 < m_viewList.size() ? AfxIndexToPosition(i + 1) : nullptr;
  return m_viewList[i];
}

void CDocument::UpdateAllViews(CView* pSender, LPARAM lHint, CObject* pHint) {
  // A copy: a view may close itself in its update.
  std::vector<CView*> views = m_viewList;
  for (CView* v : views) {
    if (v != pSender) v->OnUpdate(pSender, lHint, pHint);
  }
}

void CDocument::OnChangedViewList() {
  // The last view gone: the document goes too.
  if (m_viewList.empty() && m_bAutoDelete) OnCloseDocument();
}

BOOL CDocument::OnNewDocument() {
  DeleteContents();
  m_strPathName.Empty();
  SetModifiedFlag(FALSE);
  return TRUE;
}

namespace {
void ReportFileError(CException* e, LPCSTR lpszPathName, LPCSTR lpszDefault) {
  char text[512] = "";
  if (!e || !e->GetErrorMessage(text, sizeof text)) {
    CString s;
    s.Format(lpszDefault, lpszPathName);
    lstrcpynA(text, s, sizeof text);
  }
  AfxMessageBox(text, MB_ICONEXCLAMATION);
}
}  // namespace

BOOL CDocument::OnOpenDocument(LPCSTR lpszPathName) {
  CFile file;
  CFileException fe;
  if (!file.Open(lpszPathName, CFile::modeRead | CFile::shareDenyWrite, &fe)) {
    ReportFileError(&fe, lpszPathName, "Failed to open document %s.");
    return FALSE;
  }
  DeleteContents();
  SetModifiedFlag(TRUE);  // while loading: a failure leaves a document that is not clean
  try {
    CArchive ar(&file, CArchive::load | CArchive::bNoFlushOnDelete);
    ar.m_pDocument = this;
    Serialize(ar);
    ar.Close();
  } catch (CException* e) {
    file.Abort();
    DeleteContents();
    ReportFileError(e, lpszPathName, "Unexpected file format in %s.");
    e->Delete();
    return FALSE;
  }
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::OnSaveDocument(LPCSTR lpszPathName) {
  CFile file;
  CFileException fe;
  if (!file.Open(lpszPathName, CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive, &fe)) {
    ReportFileError(&fe, lpszPathName, "Failed to save document %s.");
    return FALSE;
  }
  try {
    CArchive ar(&file, CArchive::store | CArchive::bNoFlushOnDelete);
    ar.m_pDocument = this;
    Serialize(ar);
    ar.Close();
    file.Close();
  } catch (CException* e) {
    file.Abort();
    ReportFileError(e, lpszPathName, "Failed to save document %s.");
    e->Delete();
    return FALSE;
  }
  SetModifiedFlag(FALSE);
  return TRUE;
}

void CDocument::OnCloseDocument() {
  // Destroying the frames destroys the views; keep the document alive until that is done.
  BOOL autoDelete = m_bAutoDelete;
  m_bAutoDelete = FALSE;
  while (!m_viewList.empty()) {
    CView* v = m_viewList.front();
    CFrameWnd* f = v->GetParentFrame();
    if (f) {
      PreCloseFrame(f);
      f->DestroyWindow();
    } else {
      v->DestroyWindow();
    }
    // A view whose window could not go leaves the list by hand, so the loop ends.
    if (!m_viewList.empty() && m_viewList.front() == v) RemoveView(v);
  }
  m_bAutoDelete = autoDelete;
  DeleteContents();
  if (m_bAutoDelete) delete this;
}

BOOL CDocument::SaveModified() {
  if (!IsModified()) return TRUE;
  CString name = m_strPathName.IsEmpty() ? m_strTitle : m_strPathName;
  CString prompt;
  prompt.Format("Save changes to %s?", static_cast<LPCSTR>(name));
  switch (AfxMessageBox(prompt, MB_YESNOCANCEL)) {
    case IDCANCEL: return FALSE;
    case IDYES: return DoFileSave();
    default: return TRUE;
  }
}

BOOL CDocument::CanCloseFrame(CFrameWnd* pFrame) {
  // Only the last frame showing the document asks to save it.
  for (CView* v : m_viewList) {
    if (v->GetParentFrame() != pFrame) return TRUE;
  }
  return SaveModified();
}

BOOL CDocument::DoSave(LPCSTR lpszPathName, BOOL bReplace) {
  CString path = lpszPathName ? lpszPathName : "";
  if (path.IsEmpty()) {
    char file[MAX_PATH];
    lstrcpynA(file, m_strTitle, sizeof file);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    CWnd* pMain = AfxGetMainWnd();
    ofn.hwndOwner = pMain ? pMain->m_hWnd : nullptr;
    ofn.lpstrFilter = "All Files (*.*)\0*.*\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    if (!::GetSaveFileNameA(&ofn)) return FALSE;
    path = file;
  }
  if (!OnSaveDocument(path)) return FALSE;
  if (bReplace) SetPathName(path);
  return TRUE;
}

BOOL CDocument::DoFileSave() { return DoSave(m_strPathName.IsEmpty() ? nullptr : static_cast<LPCSTR>(m_strPathName)); }

void CDocument::OnFileClose() {
  if (!SaveModified()) return;
  OnCloseDocument();
}

void CDocument::OnFileSave() { DoFileSave(); }
void CDocument::OnFileSaveAs() { DoSave(nullptr); }
