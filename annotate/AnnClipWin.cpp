// Copying one annotation object to the clipboard and pasting it into a set at a new anchor.
#include "AnnClip.h"
#include "AnnObj.h"
#include "AnnotateWin.h"
#include "SharedFile.h"
#include "Vlr.h"

namespace {

UINT AnnotationFormat() { return ::RegisterClipboardFormatA("VELLVIEW_ANNOTATION"); }

HWND Owner() {
  CWnd* main = AfxGetMainWnd();
  return main ? main->m_hWnd : nullptr;
}

}  // namespace

BOOL AnnCopyToClipboard(const CAnnObj& obj) {
  CSharedFile file(GMEM_DDESHARE | GMEM_MOVEABLE, 4096);
  try {
    CArchive ar(&file, CArchive::store, 4096);
    AnnStoreClip(ar, obj);
    ar.Close();
  } catch (CException* e) {
    e->Delete();
    return FALSE;
  }
  HGLOBAL hData = file.Detach();
  if (!::OpenClipboard(Owner())) {
    ::GlobalFree(hData);
    return FALSE;
  }
  ::EmptyClipboard();
  if (!::SetClipboardData(AnnotationFormat(), hData)) ::GlobalFree(hData);
  ::CloseClipboard();
  return TRUE;
}

BOOL AnnPasteFromClipboard(CVlr& set, int x, int y) {
  if (!::OpenClipboard(Owner())) return FALSE;
  HGLOBAL hData = ::GetClipboardData(AnnotationFormat());
  CAnnObj* pObj = nullptr;
  if (hData) {
    CSharedFile file;
    file.SetHandle(hData, FALSE);
    try {
      CArchive ar(&file, CArchive::load, 4096);
      pObj = AnnLoadClip(ar);
      ar.Close();
    } catch (CException* e) {
      e->Delete();
    }
    file.Detach();  // the block stays the clipboard's
  }
  ::CloseClipboard();
  if (!pObj) return FALSE;
  pObj->m_ptAnchor = CPoint(x, y);
  set.Add(pObj);
  return TRUE;
}

BOOL AnnHasClipboardObject() { return ::IsClipboardFormatAvailable(AnnotationFormat()); }
