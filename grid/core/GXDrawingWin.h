// The grid library's drawing helpers that need the window system: solid fills in packed grid colours,
// edge rectangles, the fill-pattern bitmaps and bitmaps whose button colours follow the system colours.
// Not for: the text layout (GXTextLayout.h) or the engine's painting.
#ifndef GRID_CORE_GXDRAWINGWIN_H
#define GRID_CORE_GXDRAWINGWIN_H

#include <windows.h>

#include "Framework.h"

// A packed grid colour as an RGB value: a high byte from 65 to 254 is a system colour.
COLORREF GXColorToRGB(DWORD dwPacked);
void FillSolidRectXY(HDC hDC, int x, int y, int cx, int cy, DWORD dwPacked);
void FillSolidRect(HDC hDC, const RECT& rect, DWORD dwPacked);
// DrawEdge over the rectangle; with adjust the rectangle is also adjusted, and its sides are drawn.
BOOL DrawEdgeRect(HDC hDC, int x1, int y1, int x2, int y2, UINT nEdge, BOOL bAdjust);
// The cached 8 by 8 bitmap of a fill pattern; null for an index outside 0 to 40.
HBITMAP GXGetPatternBitmap(int nIndex);
// A screen bitmap from the bytes of a packed bitmap (header, colour table, bits), with black, dark grey,
// light grey and white mapped to the current button colours; null when the bytes are not a bitmap the
// header describes.
HBITMAP GXCreateSysColorBitmap(const BYTE* pBytes, DWORD nSize);
// The same from a bitmap resource of the program; FALSE when it is missing or unreadable.
BOOL LoadSysColorBitmap(HBITMAP& hBitmap, LPCSTR pszResourceName);

#endif  // GRID_CORE_GXDRAWINGWIN_H
