// Device contexts and GDI objects as thin objects over their handles. A GDI object deletes its
// handle when the object goes away, unless it was detached or only wraps a handle it was given
// (a temporary object from FromHandle). Selecting an object returns the one it replaced as a
// temporary object, valid until the next idle time, as the drawing code expects.
#pragma once

#include "Win32Platform.h"

#include "Framework.h"

class CWnd;

class CGdiObject : public CObject {
  DECLARE_DYNCREATE(CGdiObject)
 public:
  HGDIOBJ m_hObject = nullptr;

  CGdiObject() = default;
  ~CGdiObject() override { DeleteObject(); }
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  static CGdiObject* FromHandle(HGDIOBJ h);
  BOOL Attach(HGDIOBJ h);
  HGDIOBJ Detach();
  BOOL DeleteObject();
  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  operator HGDIOBJ() const { return m_hObject; }
  int GetObject(int nCount, LPVOID lpObject) const { return ::GetObjectA(m_hObject, nCount, lpObject); }
  BOOL CreateStockObject(int nIndex) { return Attach(::GetStockObject(nIndex)); }
  BOOL UnrealizeObject() { return ::UnrealizeObject(m_hObject); }

  // For the temporary map: wrap without owning.
  void AttachTemporary(HGDIOBJ h) { m_hObject = h; }
  void DetachTemporary() { m_hObject = nullptr; }
};

class CPen : public CGdiObject {
  DECLARE_DYNAMIC(CPen)
 public:
  CPen() = default;
  CPen(int nPenStyle, int nWidth, COLORREF crColor) { CreatePen(nPenStyle, nWidth, crColor); }
  static CPen* FromHandle(HPEN h) { return static_cast<CPen*>(CGdiObject::FromHandle(h)); }
  BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor) {
    return Attach(::CreatePen(nPenStyle, nWidth, crColor));
  }
  BOOL CreatePen(int nPenStyle, int nWidth, const LOGBRUSH* pLogBrush) {
    return Attach(::ExtCreatePen(nPenStyle, nWidth, pLogBrush, 0, nullptr));
  }
  BOOL CreatePenIndirect(LOGPEN* p) { return Attach(::CreatePenIndirect(p)); }
  operator HPEN() const { return static_cast<HPEN>(m_hObject); }
};

class CBrush : public CGdiObject {
  DECLARE_DYNAMIC(CBrush)
 public:
  CBrush() = default;
  explicit CBrush(COLORREF crColor) { CreateSolidBrush(crColor); }
  static CBrush* FromHandle(HBRUSH h) { return static_cast<CBrush*>(CGdiObject::FromHandle(h)); }
  BOOL CreateSolidBrush(COLORREF c) { return Attach(::CreateSolidBrush(c)); }
  BOOL CreateHatchBrush(int nIndex, COLORREF c) { return Attach(::CreateHatchBrush(nIndex, c)); }
  BOOL CreatePatternBrush(class CBitmap* pBitmap);
  BOOL CreateBrushIndirect(const LOGBRUSH* p) { return Attach(::CreateBrushIndirect(p)); }
  BOOL CreateSysColorBrush(int nIndex) { return Attach(::GetSysColorBrush(nIndex)); }
  operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
};

class CFont : public CGdiObject {
  DECLARE_DYNAMIC(CFont)
 public:
  static CFont* FromHandle(HFONT h) { return static_cast<CFont*>(CGdiObject::FromHandle(h)); }
  BOOL CreateFontIndirect(const LOGFONTA* p) { return Attach(::CreateFontIndirectA(p)); }
  BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                  BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                  BYTE nQuality, BYTE nPitchAndFamily, LPCSTR lpszFacename) {
    return Attach(::CreateFontA(nHeight, nWidth, nEscapement, nOrientation, nWeight, bItalic, bUnderline,
                                cStrikeOut, nCharSet, nOutPrecision, nClipPrecision, nQuality, nPitchAndFamily,
                                lpszFacename));
  }
  // Size in tenths of a point on the screen (or on pDC when given).
  BOOL CreatePointFont(int nPointSize, LPCSTR lpszFaceName, class CDC* pDC = nullptr);
  int GetLogFont(LOGFONTA* p) const { return ::GetObjectA(m_hObject, sizeof *p, p); }
  operator HFONT() const { return static_cast<HFONT>(m_hObject); }
};

class CBitmap : public CGdiObject {
  DECLARE_DYNAMIC(CBitmap)
 public:
  static CBitmap* FromHandle(HBITMAP h) { return static_cast<CBitmap*>(CGdiObject::FromHandle(h)); }
  BOOL LoadBitmap(UINT nIDResource);
  BOOL LoadBitmap(LPCSTR lpszResourceName);
  BOOL CreateBitmap(int w, int h, UINT nPlanes, UINT nBitcount, const void* bits) {
    return Attach(::CreateBitmap(w, h, nPlanes, nBitcount, bits));
  }
  BOOL CreateCompatibleBitmap(class CDC* pDC, int w, int h);
  int GetBitmap(BITMAP* p) const { return ::GetObjectA(m_hObject, sizeof *p, p); }
  operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
};

class CPalette : public CGdiObject {
  DECLARE_DYNAMIC(CPalette)
 public:
  static CPalette* FromHandle(HPALETTE h) { return static_cast<CPalette*>(CGdiObject::FromHandle(h)); }
  BOOL CreatePalette(const LOGPALETTE* p) { return Attach(::CreatePalette(p)); }
  BOOL CreateHalftonePalette(class CDC* pDC);
  int GetEntryCount() const {
    WORD n = 0;
    ::GetObjectA(m_hObject, sizeof n, &n);
    return n;
  }
  UINT GetPaletteEntries(UINT start, UINT n, LPPALETTEENTRY p) const {
    return ::GetPaletteEntries(static_cast<HPALETTE>(m_hObject), start, n, p);
  }
  operator HPALETTE() const { return static_cast<HPALETTE>(m_hObject); }
};

class CRgn : public CGdiObject {
  DECLARE_DYNAMIC(CRgn)
 public:
  static CRgn* FromHandle(HRGN h) { return static_cast<CRgn*>(CGdiObject::FromHandle(h)); }
  BOOL CreateRectRgn(int x1, int y1, int x2, int y2) { return Attach(::CreateRectRgn(x1, y1, x2, y2)); }
  BOOL CreateRectRgnIndirect(const RECT* r) { return Attach(::CreateRectRgnIndirect(r)); }
  BOOL CreateEllipticRgn(int x1, int y1, int x2, int y2) { return Attach(::CreateEllipticRgn(x1, y1, x2, y2)); }
  BOOL CreatePolygonRgn(const POINT* p, int n, int mode) { return Attach(::CreatePolygonRgn(p, n, mode)); }
  BOOL CreatePolyPolygonRgn(const POINT* p, const INT* counts, int n, int mode) {
    return Attach(::CreatePolyPolygonRgn(p, counts, n, mode));
  }
  int CombineRgn(const CRgn* a, const CRgn* b, int mode) {
    return ::CombineRgn(static_cast<HRGN>(m_hObject), static_cast<HRGN>(a->m_hObject),
                        b ? static_cast<HRGN>(b->m_hObject) : nullptr, mode);
  }
  BOOL PtInRegion(int x, int y) const { return ::PtInRegion(static_cast<HRGN>(m_hObject), x, y); }
  BOOL PtInRegion(POINT p) const { return PtInRegion(p.x, p.y); }
  int GetRgnBox(LPRECT r) const { return ::GetRgnBox(static_cast<HRGN>(m_hObject), r); }
  int OffsetRgn(int dx, int dy) { return ::OffsetRgn(static_cast<HRGN>(m_hObject), dx, dy); }
  void SetRectRgn(int x1, int y1, int x2, int y2) { ::SetRectRgn(static_cast<HRGN>(m_hObject), x1, y1, x2, y2); }
  operator HRGN() const { return static_cast<HRGN>(m_hObject); }
};

// A device context. m_hAttribDC answers questions (extents, caps); m_hDC takes the output. They
// are the same handle except where a derived class separates them.
class CDC : public CObject {
  DECLARE_DYNCREATE(CDC)
 public:
  HDC m_hDC = nullptr;
  HDC m_hAttribDC = nullptr;
  BOOL m_bPrinting = FALSE;

  CDC() = default;
  ~CDC() override;
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  static CDC* FromHandle(HDC h);
  BOOL Attach(HDC h);
  HDC Detach();
  HDC GetSafeHdc() const { return m_hDC; }
  operator HDC() const { return m_hDC; }
  BOOL CreateCompatibleDC(CDC* pDC) { return Attach(::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr)); }
  BOOL CreateDC(LPCSTR driver, LPCSTR device, LPCSTR output, const DEVMODEA* init) {
    return Attach(::CreateDCA(driver, device, output, init));
  }
  BOOL CreateIC(LPCSTR driver, LPCSTR device, LPCSTR output, const DEVMODEA* init) {
    return Attach(::CreateICA(driver, device, output, init));
  }
  BOOL DeleteDC();
  BOOL IsPrinting() const { return m_bPrinting; }
  int SaveDC() { return ::SaveDC(m_hDC); }
  BOOL RestoreDC(int n) { return ::RestoreDC(m_hDC, n); }
  int GetDeviceCaps(int n) const { return ::GetDeviceCaps(m_hAttribDC, n); }
  CWnd* GetWindow() const;

  // --- selection ----------------------------------------------------------------------------------
  CPen* SelectObject(CPen* p) { return static_cast<CPen*>(SelectGdiObject(p)); }
  CBrush* SelectObject(CBrush* p) { return static_cast<CBrush*>(SelectGdiObject(p)); }
  CFont* SelectObject(CFont* p) { return static_cast<CFont*>(SelectGdiObject(p)); }
  CBitmap* SelectObject(CBitmap* p) { return static_cast<CBitmap*>(SelectGdiObject(p)); }
  int SelectObject(CRgn* p) { return ::SelectClipRgn(m_hDC, p ? static_cast<HRGN>(p->m_hObject) : nullptr); }
  CGdiObject* SelectStockObject(int nIndex) { return CGdiObject::FromHandle(::SelectObject(m_hDC, ::GetStockObject(nIndex))); }
  CPalette* SelectPalette(CPalette* p, BOOL bForceBackground);
  UINT RealizePalette() { return ::RealizePalette(m_hDC); }

  // --- attributes ---------------------------------------------------------------------------------
  int SetROP2(int n) { return ::SetROP2(m_hDC, n); }
  int GetROP2() const { return ::GetROP2(m_hAttribDC); }
  int SetBkMode(int n) { return ::SetBkMode(m_hDC, n); }
  COLORREF SetBkColor(COLORREF c) { return ::SetBkColor(m_hDC, c); }
  COLORREF GetBkColor() const { return ::GetBkColor(m_hAttribDC); }
  COLORREF SetTextColor(COLORREF c) { return ::SetTextColor(m_hDC, c); }
  COLORREF GetTextColor() const { return ::GetTextColor(m_hAttribDC); }
  UINT SetTextAlign(UINT n) { return ::SetTextAlign(m_hDC, n); }
  int SetStretchBltMode(int n) { return ::SetStretchBltMode(m_hDC, n); }
  int SetPolyFillMode(int n) { return ::SetPolyFillMode(m_hDC, n); }
  CPoint SetBrushOrg(int x, int y);
  int SetMapMode(int n) { return ::SetMapMode(m_hDC, n); }
  int GetMapMode() const { return ::GetMapMode(m_hAttribDC); }
  CPoint SetWindowOrg(int x, int y);
  CPoint SetWindowOrg(POINT p) { return SetWindowOrg(p.x, p.y); }
  CPoint GetWindowOrg() const;
  CSize SetWindowExt(int x, int y);
  CSize SetWindowExt(SIZE s) { return SetWindowExt(s.cx, s.cy); }
  CSize GetWindowExt() const;
  CPoint SetViewportOrg(int x, int y);
  CPoint SetViewportOrg(POINT p) { return SetViewportOrg(p.x, p.y); }
  CPoint GetViewportOrg() const;
  CSize SetViewportExt(int x, int y);
  CSize SetViewportExt(SIZE s) { return SetViewportExt(s.cx, s.cy); }
  CSize GetViewportExt() const;
  CPoint OffsetViewportOrg(int dx, int dy);
  void LPtoDP(LPPOINT p, int n = 1) const { ::LPtoDP(m_hAttribDC, p, n); }
  void LPtoDP(LPRECT r) const { ::LPtoDP(m_hAttribDC, reinterpret_cast<LPPOINT>(r), 2); }
  void DPtoLP(LPPOINT p, int n = 1) const { ::DPtoLP(m_hAttribDC, p, n); }
  void DPtoLP(LPRECT r) const { ::DPtoLP(m_hAttribDC, reinterpret_cast<LPPOINT>(r), 2); }

  // --- clipping -----------------------------------------------------------------------------------
  int SelectClipRgn(CRgn* p) { return SelectObject(p); }
  int SelectClipRgn(CRgn* p, int mode) {
    return ::ExtSelectClipRgn(m_hDC, p ? static_cast<HRGN>(p->m_hObject) : nullptr, mode);
  }
  int IntersectClipRect(int x1, int y1, int x2, int y2) { return ::IntersectClipRect(m_hDC, x1, y1, x2, y2); }
  int IntersectClipRect(const RECT* r) { return IntersectClipRect(r->left, r->top, r->right, r->bottom); }
  int ExcludeClipRect(int x1, int y1, int x2, int y2) { return ::ExcludeClipRect(m_hDC, x1, y1, x2, y2); }
  int ExcludeClipRect(const RECT* r) { return ExcludeClipRect(r->left, r->top, r->right, r->bottom); }
  int GetClipBox(LPRECT r) const { return ::GetClipBox(m_hDC, r); }
  BOOL RectVisible(const RECT* r) const { return ::RectVisible(m_hDC, r); }

  // --- output -------------------------------------------------------------------------------------
  BOOL BitBlt(int x, int y, int w, int h, CDC* pSrc, int xSrc, int ySrc, DWORD rop) {
    return ::BitBlt(m_hDC, x, y, w, h, pSrc ? pSrc->m_hDC : nullptr, xSrc, ySrc, rop);
  }
  BOOL StretchBlt(int x, int y, int w, int h, CDC* pSrc, int xSrc, int ySrc, int wSrc, int hSrc, DWORD rop) {
    return ::StretchBlt(m_hDC, x, y, w, h, pSrc ? pSrc->m_hDC : nullptr, xSrc, ySrc, wSrc, hSrc, rop);
  }
  BOOL PatBlt(int x, int y, int w, int h, DWORD rop) { return ::PatBlt(m_hDC, x, y, w, h, rop); }
  void FillSolidRect(const RECT* r, COLORREF c);
  void FillSolidRect(int x, int y, int w, int h, COLORREF c);
  void FillRect(const RECT* r, CBrush* b) { ::FillRect(m_hDC, r, static_cast<HBRUSH>(b->m_hObject)); }
  void FrameRect(const RECT* r, CBrush* b) { ::FrameRect(m_hDC, r, static_cast<HBRUSH>(b->m_hObject)); }
  void InvertRect(const RECT* r) { ::InvertRect(m_hDC, r); }
  void DrawFocusRect(const RECT* r) { ::DrawFocusRect(m_hDC, r); }
  void Draw3dRect(const RECT* r, COLORREF topLeft, COLORREF bottomRight);
  BOOL DrawEdge(LPRECT r, UINT edge, UINT flags) { return ::DrawEdge(m_hDC, r, edge, flags); }
  BOOL DrawIcon(int x, int y, HICON h) { return ::DrawIcon(m_hDC, x, y, h); }
  COLORREF SetPixel(int x, int y, COLORREF c) { return ::SetPixel(m_hDC, x, y, c); }
  COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
  CPoint MoveTo(int x, int y);
  CPoint MoveTo(POINT p) { return MoveTo(p.x, p.y); }
  BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
  BOOL LineTo(POINT p) { return LineTo(p.x, p.y); }
  CPoint GetCurrentPosition() const;
  BOOL Polyline(const POINT* p, int n) { return ::Polyline(m_hDC, p, n); }
  BOOL Polygon(const POINT* p, int n) { return ::Polygon(m_hDC, p, n); }
  BOOL PolyPolygon(const POINT* p, const INT* counts, int n) { return ::PolyPolygon(m_hDC, p, counts, n); }
  BOOL PolyBezier(const POINT* p, int n) { return ::PolyBezier(m_hDC, p, n); }
  BOOL Rectangle(int x1, int y1, int x2, int y2) { return ::Rectangle(m_hDC, x1, y1, x2, y2); }
  BOOL Rectangle(const RECT* r) { return Rectangle(r->left, r->top, r->right, r->bottom); }
  BOOL RoundRect(int x1, int y1, int x2, int y2, int w, int h) { return ::RoundRect(m_hDC, x1, y1, x2, y2, w, h); }
  BOOL Ellipse(int x1, int y1, int x2, int y2) { return ::Ellipse(m_hDC, x1, y1, x2, y2); }
  BOOL Ellipse(const RECT* r) { return Ellipse(r->left, r->top, r->right, r->bottom); }
  BOOL Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    return ::Arc(m_hDC, x1, y1, x2, y2, x3, y3, x4, y4);
  }
  BOOL Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    return ::Pie(m_hDC, x1, y1, x2, y2, x3, y3, x4, y4);
  }
  BOOL FillRgn(CRgn* r, CBrush* b) { return ::FillRgn(m_hDC, *r, *b); }
  BOOL FrameRgn(CRgn* r, CBrush* b, int w, int h) { return ::FrameRgn(m_hDC, *r, *b, w, h); }
  BOOL PaintRgn(CRgn* r) { return ::PaintRgn(m_hDC, *r); }
  BOOL TextOut(int x, int y, LPCSTR s, int n) { return ::TextOutA(m_hDC, x, y, s, n); }
  BOOL TextOut(int x, int y, const CString& s) { return TextOut(x, y, s, s.GetLength()); }
  BOOL ExtTextOut(int x, int y, UINT opts, const RECT* r, LPCSTR s, UINT n, const INT* dx) {
    return ::ExtTextOutA(m_hDC, x, y, opts, r, s, n, dx);
  }
  int DrawText(LPCSTR s, int n, LPRECT r, UINT format) { return ::DrawTextA(m_hDC, s, n, r, format); }
  int DrawText(const CString& s, LPRECT r, UINT format) { return DrawText(s, s.GetLength(), r, format); }
  CSize GetTextExtent(LPCSTR s, int n) const;
  CSize GetTextExtent(const CString& s) const { return GetTextExtent(s, s.GetLength()); }
  BOOL GetTextMetrics(TEXTMETRICA* p) const { return ::GetTextMetricsA(m_hAttribDC, p); }
  int StartDoc(DOCINFOA* p) { return ::StartDocA(m_hDC, p); }
  int StartPage() { return ::StartPage(m_hDC); }
  int EndPage() { return ::EndPage(m_hDC); }
  int EndDoc() { return ::EndDoc(m_hDC); }
  int AbortDoc() { return ::AbortDoc(m_hDC); }
  int Escape(int nEscape, int nCount, LPCSTR in, LPVOID out) { return ::Escape(m_hDC, nEscape, nCount, in, out); }
  BOOL PlayMetaFile(HENHMETAFILE h, const RECT* r) { return ::PlayEnhMetaFile(m_hDC, h, r); }

  void AttachTemporary(HDC h) { m_hDC = m_hAttribDC = h; }
  void DetachTemporary() { m_hDC = m_hAttribDC = nullptr; }

 protected:
  CGdiObject* SelectGdiObject(CGdiObject* p);
};

class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* pWnd);
  ~CPaintDC() override;
  PAINTSTRUCT m_ps;

 protected:
  HWND m_hWnd;
};

class CClientDC : public CDC {
 public:
  explicit CClientDC(CWnd* pWnd);
  ~CClientDC() override;

 protected:
  HWND m_hWnd;
};

class CWindowDC : public CDC {
 public:
  explicit CWindowDC(CWnd* pWnd);
  ~CWindowDC() override;

 protected:
  HWND m_hWnd;
};

// Records drawing into a metafile: a plain Windows metafile (the clipboard's CF_METAFILEPICT
// form of a vector copy) or an enhanced one. A plain metafile answers no questions about a
// device, so its attribute context is the screen's while it records.
class CMetaFileDC : public CDC {
 public:
  CMetaFileDC() = default;
  ~CMetaFileDC() override;
  // lpszFileName null: the metafile is kept in memory.
  BOOL Create(LPCSTR lpszFileName = nullptr);
  HMETAFILE Close();
  BOOL CreateEnhanced(CDC* pDCRef, LPCSTR lpszFileName, const RECT* lpBounds, LPCSTR lpszDescription);
  HENHMETAFILE CloseEnhanced();

 private:
  bool m_bPlain = false;
  HDC m_hScreen = nullptr;  // owned while a plain metafile records
};
