// The window-system drawing helpers.
#include "GXDrawingWin.h"

#include "GXGridState.h"
#include "GXTextLayout.h"

#include <vector>

COLORREF GXColorToRGB(DWORD dwPacked) {
  const DWORD nHigh = dwPacked >> 24;
  if (nHigh >= 65 && nHigh <= 254)
    return GXGetSysColorState()->GetColor((int)(254 - nHigh)) & 0xFFFFFF;
  return dwPacked & 0xFFFFFF;
}

void FillSolidRectXY(HDC hDC, int x, int y, int cx, int cy, DWORD dwPacked) {
  const RECT r{x, y, x + cx, y + cy};
  const COLORREF old = ::SetBkColor(hDC, GXColorToRGB(dwPacked));
  ::ExtTextOutA(hDC, 0, 0, ETO_OPAQUE, &r, "", 0, nullptr);
  ::SetBkColor(hDC, old);
}

void FillSolidRect(HDC hDC, const RECT& rect, DWORD dwPacked) {
  FillSolidRectXY(hDC, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, dwPacked);
}

BOOL DrawEdgeRect(HDC hDC, int x1, int y1, int x2, int y2, UINT nEdge, BOOL bAdjust) {
  RECT r{x1, y1, x2, y2};
  return ::DrawEdge(hDC, &r, nEdge, GXEdgeRectFlags(bAdjust));
}

namespace {

// The pattern bitmaps live until the process ends.
struct PatternBitmaps {
  ~PatternBitmaps() {
    for (HBITMAP h : bitmaps)
      if (h != nullptr)
        ::DeleteObject(h);
  }
  HBITMAP bitmaps[GX_PATTERN_COUNT] = {};
};

PatternBitmaps& Patterns() {
  static PatternBitmaps s_patterns;
  return s_patterns;
}

DWORD SysColor(int nIndex) { return GXGetSysColorState()->GetColor(nIndex); }

}  // namespace

HBITMAP GXGetPatternBitmap(int nIndex) {
  const BYTE* pRows = GXGetPatternRows(nIndex);
  if (pRows == nullptr)
    return nullptr;
  HBITMAP& h = Patterns().bitmaps[nIndex];
  if (h == nullptr) {
    WORD scanLines[8];  // monochrome bitmaps take word-aligned scan lines
    for (int i = 0; i < 8; ++i)
      scanLines[i] = pRows[i];
    h = ::CreateBitmap(8, 8, 1, 1, scanLines);
  }
  return h;
}

HBITMAP GXCreateSysColorBitmap(const BYTE* pBytes, DWORD nSize) {
  GXDIBLAYOUT layout;
  if (!GXGetDibLayout(pBytes, nSize, layout))
    return nullptr;
  // The header (whatever its size) and colour table are copied so that the colours can change.
  std::vector<BYTE> info(pBytes, pBytes + layout.nBitsOffset);
  GXMapSysColorTable(info.data() + layout.nColorTableOffset, layout.nColors, &SysColor);
  const BITMAPINFO* pInfo = reinterpret_cast<const BITMAPINFO*>(info.data());
  const LONG nHeight = layout.nHeight < 0 ? -layout.nHeight : layout.nHeight;
  // The bits must be all there for the rows the header promises.
  const uint64_t nStride = (((uint64_t)layout.nWidth * layout.nBitCount + 31) / 32) * 4;
  if (layout.nBitCount == 0 || pInfo->bmiHeader.biCompression != BI_RGB ||
      (uint64_t)layout.nBitsOffset + nStride * (uint64_t)nHeight > nSize)
    return nullptr;
  HDC hScreen = ::GetDC(nullptr);
  HBITMAP hBitmap = ::CreateCompatibleBitmap(hScreen, layout.nWidth, nHeight);
  HDC hMem = ::CreateCompatibleDC(hScreen);
  ::ReleaseDC(nullptr, hScreen);
  if (hBitmap == nullptr || hMem == nullptr) {
    if (hBitmap != nullptr)
      ::DeleteObject(hBitmap);
    if (hMem != nullptr)
      ::DeleteDC(hMem);
    return nullptr;
  }
  HGDIOBJ hOld = ::SelectObject(hMem, hBitmap);
  ::StretchDIBits(hMem, 0, 0, layout.nWidth, nHeight, 0, 0, layout.nWidth, nHeight, pBytes + layout.nBitsOffset, pInfo,
                  DIB_RGB_COLORS, SRCCOPY);
  ::SelectObject(hMem, hOld);
  ::DeleteDC(hMem);
  return hBitmap;
}

BOOL LoadSysColorBitmap(HBITMAP& hBitmap, LPCSTR pszResourceName) {
  HMODULE hModule = ::GetModuleHandleA(nullptr);
  HRSRC hRsrc = ::FindResourceA(hModule, pszResourceName, MAKEINTRESOURCEA(2) /* RT_BITMAP */);
  if (hRsrc == nullptr)
    return FALSE;
  HGLOBAL hGlobal = ::LoadResource(hModule, hRsrc);
  const BYTE* pBytes = hGlobal != nullptr ? static_cast<const BYTE*>(::LockResource(hGlobal)) : nullptr;
  if (pBytes == nullptr)
    return FALSE;
  HBITMAP h = GXCreateSysColorBitmap(pBytes, ::SizeofResource(hModule, hRsrc));
  if (h == nullptr)
    return FALSE;
  hBitmap = h;
  return TRUE;
}
