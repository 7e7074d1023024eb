// The document's first form: a file that can be read opens as a document.
#include "VLRDoc.h"

#include "VLRApp.h"

IMPLEMENT_DYNCREATE(CVLRDoc, CDocument)

BOOL CVLRDoc::OnNewDocument() { return CDocument::OnNewDocument(); }

BOOL CVLRDoc::OnOpenDocument(LPCSTR lpszPathName) {
  HANDLE f = ::CreateFileA(lpszPathName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  const BOOL readable = f != INVALID_HANDLE_VALUE;
  if (readable) ::CloseHandle(f);
  // The next pending DDE file opens whether this one opened or not.
  GetVLRApp()->OpenNextPendingFile();
  if (!readable) return FALSE;
  UpdateAllViews(nullptr, -2, nullptr);
  return TRUE;
}
