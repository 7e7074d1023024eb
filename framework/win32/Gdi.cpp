// Device contexts and GDI objects: the parts that are more than one call, and the temporary
// objects for handles returned by selection.
#include "Gdi.h"

#include "HandleMap.h"
#include "WinApp.h"
#include "Wnd.h"

IMPLEMENT_DYNCREATE(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CPen, CGdiObject)
IMPLEMENT_DYNAMIC(CBrush, CGdiObject)
IMPLEMENT_DYNAMIC(CFont, CGdiObject)
IMPLEMENT_DYNAMIC(CBitmap, CGdiObject)
IMPLEMENT_DYNAMIC(CPalette, CGdiObject)
IMPLEMENT_DYNAMIC(CRgn, CGdiObject)
IMPLEMENT_DYNCREATE(CDC, CObject)

namespace {
// Never destroyed, like the window maps: GDI objects held in statics may still be released
// through them while the process exits.
CHandleMap<HGDIOBJ, CGdiObject>& GdiMap() {
  static auto* map = new CHandleMap<HGDIOBJ, CGdiObject>;
  return *map;
}
CHandleMap<HDC, CDC>& DcMap() {
  static auto* map = new CHandleMap<HDC, CDC>;
  return *map;
}
}  // namespace

void AfxDeleteGdiTempMaps() {
  GdiMap().DeleteTemp();
  DcMap().DeleteTemp();
}

// --- GDI objects ----------------------------------------------------------------------------------

CGdiObject* CGdiObject::FromHandle(HGDIOBJ h) { return GdiMap().FromHandle(h); }

BOOL CGdiObject::Attach(HGDIOBJ h) {
  if (!h) return FALSE;
  DeleteObject();
  m_hObject = h;
  GdiMap().SetPermanent(h, this);
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ h = m_hObject;
  if (h) GdiMap().RemovePermanent(h);
  m_hObject = nullptr;
  return h;
}

BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  return ::DeleteObject(Detach());
}

BOOL CBrush::CreatePatternBrush(CBitmap* pBitmap) {
  return Attach(::CreatePatternBrush(static_cast<HBITMAP>(pBitmap->m_hObject)));
}

BOOL CFont::CreatePointFont(int nPointSize, LPCSTR lpszFaceName, CDC* pDC) {
  LOGFONTA lf = {};
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(lf.lfFaceName, lpszFaceName, LF_FACESIZE);
  HDC dc = pDC ? pDC->m_hAttribDC : ::GetDC(nullptr);
  // Tenths of a point to logical units of the device.
  POINT pt = {0, ::MulDiv(::GetDeviceCaps(dc, LOGPIXELSY), nPointSize, 720)};
  POINT origin = {0, 0};
  ::DPtoLP(dc, &pt, 1);
  ::DPtoLP(dc, &origin, 1);
  lf.lfHeight = -abs(pt.y - origin.y);
  if (!pDC) ::ReleaseDC(nullptr, dc);
  return CreateFontIndirect(&lf);
}

BOOL CBitmap::LoadBitmap(UINT nIDResource) { return LoadBitmap(MAKEINTRESOURCEA(nIDResource)); }

BOOL CBitmap::LoadBitmap(LPCSTR lpszResourceName) {
  return Attach(::LoadBitmapA(AfxFindResourceHandle(lpszResourceName, reinterpret_cast<LPCSTR>(RT_BITMAP)),
                              lpszResourceName));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int w, int h) {
  return Attach(::CreateCompatibleBitmap(pDC->m_hDC, w, h));
}

BOOL CPalette::CreateHalftonePalette(CDC* pDC) { return Attach(::CreateHalftonePalette(pDC->m_hDC)); }

// --- CDC ------------------------------------------------------------------------------------------------

CDC::~CDC() {
  if (m_hDC) DeleteDC();
}

CDC* CDC::FromHandle(HDC h) { return DcMap().FromHandle(h); }

BOOL CDC::Attach(HDC h) {
  if (!h) return FALSE;
  m_hDC = m_hAttribDC = h;
  DcMap().SetPermanent(h, this);
  return TRUE;
}

HDC CDC::Detach() {
  HDC h = m_hDC;
  if (h) DcMap().RemovePermanent(h);
  m_hDC = m_hAttribDC = nullptr;
  return h;
}

BOOL CDC::DeleteDC() {
  if (!m_hDC) return FALSE;
  return ::DeleteDC(Detach());
}

CWnd* CDC::GetWindow() const { return CWnd::FromHandle(::WindowFromDC(m_hDC)); }

CGdiObject* CDC::SelectGdiObject(CGdiObject* p) {
  if (!p || !p->m_hObject) return nullptr;
  return CGdiObject::FromHandle(::SelectObject(m_hDC, p->m_hObject));
}

CPalette* CDC::SelectPalette(CPalette* p, BOOL bForceBackground) {
  return CPalette::FromHandle(::SelectPalette(m_hDC, static_cast<HPALETTE>(p->m_hObject), bForceBackground));
}

CPoint CDC::SetBrushOrg(int x, int y) {
  POINT old;
  ::SetBrushOrgEx(m_hDC, x, y, &old);
  return CPoint(old.x, old.y);
}

CPoint CDC::SetWindowOrg(int x, int y) {
  POINT old;
  ::SetWindowOrgEx(m_hDC, x, y, &old);
  return CPoint(old.x, old.y);
}

CPoint CDC::GetWindowOrg() const {
  POINT p;
  ::GetWindowOrgEx(m_hAttribDC, &p);
  return CPoint(p.x, p.y);
}

CSize CDC::SetWindowExt(int x, int y) {
  SIZE old;
  ::SetWindowExtEx(m_hDC, x, y, &old);
  return CSize(old.cx, old.cy);
}

CSize CDC::GetWindowExt() const {
  SIZE s;
  ::GetWindowExtEx(m_hAttribDC, &s);
  return CSize(s.cx, s.cy);
}

CPoint CDC::SetViewportOrg(int x, int y) {
  POINT old;
  ::SetViewportOrgEx(m_hDC, x, y, &old);
  return CPoint(old.x, old.y);
}

CPoint CDC::GetViewportOrg() const {
  POINT p;
  ::GetViewportOrgEx(m_hAttribDC, &p);
  return CPoint(p.x, p.y);
}

CSize CDC::SetViewportExt(int x, int y) {
  SIZE old;
  ::SetViewportExtEx(m_hDC, x, y, &old);
  return CSize(old.cx, old.cy);
}

CSize CDC::GetViewportExt() const {
  SIZE s;
  ::GetViewportExtEx(m_hAttribDC, &s);
  return CSize(s.cx, s.cy);
}

CPoint CDC::OffsetViewportOrg(int dx, int dy) {
  POINT old;
  ::OffsetViewportOrgEx(m_hDC, dx, dy, &old);
  return CPoint(old.x, old.y);
}

void CDC::FillSolidRect(const RECT* r, COLORREF c) {
  // ExtTextOut with an opaque rectangle fills without making a brush.
  ::SetBkColor(m_hDC, c);
  ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, r, nullptr, 0, nullptr);
}

void CDC::FillSolidRect(int x, int y, int w, int h, COLORREF c) {
  RECT r = {x, y, x + w, y + h};
  FillSolidRect(&r, c);
}

void CDC::Draw3dRect(const RECT* r, COLORREF topLeft, COLORREF bottomRight) {
  int w = r->right - r->left, h = r->bottom - r->top;
  FillSolidRect(r->left, r->top, w - 1, 1, topLeft);
  FillSolidRect(r->left, r->top, 1, h - 1, topLeft);
  FillSolidRect(r->right - 1, r->top, 1, h, bottomRight);
  FillSolidRect(r->left, r->bottom - 1, w, 1, bottomRight);
}

CPoint CDC::MoveTo(int x, int y) {
  POINT old;
  ::MoveToEx(m_hDC, x, y, &old);
  return CPoint(old.x, old.y);
}

CPoint CDC::GetCurrentPosition() const {
  POINT p;
  ::GetCurrentPositionEx(m_hAttribDC, &p);
  return CPoint(p.x, p.y);
}

CSize CDC::GetTextExtent(LPCSTR s, int n) const {
  SIZE size = {0, 0};
  ::GetTextExtentPoint32A(m_hAttribDC, s, n, &size);
  return CSize(size.cx, size.cy);
}

// --- window DCs -------------------------------------------------------------------------------------

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) { Attach(::BeginPaint(m_hWnd, &m_ps)); }

CPaintDC::~CPaintDC() {
  ::EndPaint(m_hWnd, &m_ps);
  Detach();
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(AfxSafeHwnd(pWnd)) { Attach(::GetDC(m_hWnd)); }

CClientDC::~CClientDC() { ::ReleaseDC(m_hWnd, Detach()); }

CWindowDC::CWindowDC(CWnd* pWnd) : m_hWnd(AfxSafeHwnd(pWnd)) { Attach(::GetWindowDC(m_hWnd)); }

CWindowDC::~CWindowDC() { ::ReleaseDC(m_hWnd, Detach()); }

CMetaFileDC::~CMetaFileDC() {
  if (!m_hDC) return;
  if (m_bPlain)
    ::DeleteMetaFile(Close());
  else
    ::DeleteEnhMetaFile(CloseEnhanced());
}

BOOL CMetaFileDC::Create(LPCSTR lpszFileName) {
  HDC h = ::CreateMetaFileA(lpszFileName);
  if (!h) return FALSE;
  Attach(h);
  m_bPlain = true;
  m_hScreen = ::GetDC(nullptr);
  m_hAttribDC = m_hScreen;
  return TRUE;
}

HMETAFILE CMetaFileDC::Close() {
  m_hAttribDC = m_hDC;
  HDC h = Detach();
  if (m_hScreen) {
    ::ReleaseDC(nullptr, m_hScreen);
    m_hScreen = nullptr;
  }
  m_bPlain = false;
  return h ? ::CloseMetaFile(h) : nullptr;
}

BOOL CMetaFileDC::CreateEnhanced(CDC* pDCRef, LPCSTR lpszFileName, const RECT* lpBounds, LPCSTR lpszDescription) {
  return Attach(::CreateEnhMetaFileA(pDCRef ? pDCRef->m_hDC : nullptr, lpszFileName, lpBounds, lpszDescription));
}

HENHMETAFILE CMetaFileDC::CloseEnhanced() {
  HDC h = Detach();
  return h ? ::CloseEnhMetaFile(h) : nullptr;
}
