// The window system's bitmaps for the DIB pool: bitmap resources copied into packed DIBs in global
// memory, freed with GlobalFree; bitmap objects freed with DeleteObject.
#include <windows.h>

#include "GXDIBPool.h"

#include "FrameworkWin.h"

#include <cstring>

namespace {

class CGXWinDIBPlatform : public CGXDIBPlatform {
 public:
  void* LoadDIBResource(LPCTSTR pszName, UINT nId, int& nKind) override {
    LPCSTR pszResource = pszName != nullptr ? pszName : MAKEINTRESOURCEA(nId);
    HINSTANCE hInst = AfxFindResourceHandle(pszResource, (LPCSTR)RT_BITMAP);
    HRSRC hRsrc = hInst != nullptr ? ::FindResourceA(hInst, pszResource, (LPCSTR)RT_BITMAP) : nullptr;
    if (hRsrc == nullptr) {
      hInst = ::GetModuleHandleA(nullptr);
      hRsrc = ::FindResourceA(hInst, pszResource, (LPCSTR)RT_BITMAP);
    }
    if (hRsrc == nullptr)
      return nullptr;
    const DWORD nSize = ::SizeofResource(hInst, hRsrc);
    HGLOBAL hRes = ::LoadResource(hInst, hRsrc);
    const void* pRes = hRes != nullptr ? ::LockResource(hRes) : nullptr;
    if (pRes == nullptr || nSize < sizeof(BITMAPINFOHEADER))
      return nullptr;
    HGLOBAL hDIB = ::GlobalAlloc(GMEM_MOVEABLE, nSize);
    if (hDIB == nullptr)
      return nullptr;
    void* p = ::GlobalLock(hDIB);
    std::memcpy(p, pRes, nSize);
    ::GlobalUnlock(hDIB);
    nKind = gxDibGlobal;
    return hDIB;
  }

  void FreeDIB(void* hDIB, int nKind) override {
    if (nKind == gxDibGlobal)
      ::GlobalFree(static_cast<HGLOBAL>(hDIB));
    else
      ::DeleteObject(static_cast<HGDIOBJ>(hDIB));
  }

  BOOL ReadHeader(void* hDIB, int nKind, LONG& nWidth, LONG& nHeight, int& nColors) override {
    if (nKind == gxDibObject) {
      BITMAP bm;
      if (::GetObjectA(static_cast<HGDIOBJ>(hDIB), sizeof bm, &bm) == 0)
        return FALSE;
      nWidth = bm.bmWidth;
      nHeight = bm.bmHeight;
      nColors = 0;
      return TRUE;
    }
    if (::GlobalSize(static_cast<HGLOBAL>(hDIB)) < sizeof(BITMAPINFOHEADER))
      return FALSE;
    const BITMAPINFOHEADER* p = static_cast<const BITMAPINFOHEADER*>(::GlobalLock(static_cast<HGLOBAL>(hDIB)));
    if (p == nullptr)
      return FALSE;
    nWidth = p->biWidth;
    nHeight = p->biHeight < 0 ? -p->biHeight : p->biHeight;
    nColors = p->biClrUsed != 0 ? (int)p->biClrUsed : (p->biBitCount <= 8 ? 1 << p->biBitCount : 0);
    ::GlobalUnlock(static_cast<HGLOBAL>(hDIB));
    return TRUE;
  }
};

}  // namespace

void GXInstallWinDIBPlatform() {
  static CGXWinDIBPlatform s_platform;
  GXSetDIBPlatform(&s_platform);
}
