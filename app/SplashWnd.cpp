// The splash window.
#include "SplashWnd.h"

#include "resource.h"

IMPLEMENT_DYNAMIC(CSplashWnd, CWnd)

BOOL CSplashWnd::c_bShowSplashWnd = FALSE;
CSplashWnd* CSplashWnd::c_pSplashWnd = nullptr;

namespace {
const UINT_PTR kCloseTimer = 1;
const UINT kShowMs = 5000;
}  // namespace

BEGIN_MESSAGE_MAP(CSplashWnd, CWnd)
  ON_WM_CREATE()
  ON_WM_PAINT()
  ON_WM_TIMER()
END_MESSAGE_MAP()

CSplashWnd::~CSplashWnd() {
  if (m_hBitmap) ::DeleteObject(m_hBitmap);
  if (c_pSplashWnd == this) c_pSplashWnd = nullptr;
}

void CSplashWnd::EnableSplashScreen(BOOL bEnable) { c_bShowSplashWnd = bEnable; }

void CSplashWnd::ShowSplashScreen(CWnd* pParentWnd) {
  if (!c_bShowSplashWnd || c_pSplashWnd) return;
  c_pSplashWnd = new CSplashWnd;
  if (!c_pSplashWnd->Create(pParentWnd)) {
    delete c_pSplashWnd;
    c_pSplashWnd = nullptr;
  } else {
    c_pSplashWnd->UpdateWindow();
  }
}

BOOL CSplashWnd::PreTranslateAppMessage(MSG* pMsg) {
  if (!c_pSplashWnd || !c_pSplashWnd->m_hWnd) return FALSE;
  switch (pMsg->message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
      c_pSplashWnd->HideSplashScreen();
      break;
  }
  return FALSE;
}

BOOL CSplashWnd::Create(CWnd* pParentWnd) {
  m_hBitmap = static_cast<HBITMAP>(
      ::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDB_SPLASH), IMAGE_BITMAP, 0, 0, 0));
  if (!m_hBitmap) return FALSE;
  BITMAP bm;
  ::GetObjectA(m_hBitmap, sizeof bm, &bm);
  LPCSTR cls = AfxRegisterWndClass(0, ::LoadCursorA(nullptr, IDC_ARROW));
  return CreateEx(0, cls, nullptr, WS_POPUP | WS_VISIBLE, 0, 0, bm.bmWidth, bm.bmHeight, AfxSafeHwnd(pParentWnd),
                  nullptr);
}

int CSplashWnd::OnCreate(LPCREATESTRUCT lpcs) {
  if (CWnd::OnCreate(lpcs) == -1) return -1;
  CenterWindow();
  SetTimer(kCloseTimer, kShowMs);
  return 0;
}

void CSplashWnd::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(m_hWnd, &ps);
  HDC mem = ::CreateCompatibleDC(dc);
  HGDIOBJ old = ::SelectObject(mem, m_hBitmap);
  BITMAP bm;
  ::GetObjectA(m_hBitmap, sizeof bm, &bm);
  ::BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
  ::SelectObject(mem, old);
  ::DeleteDC(mem);
  ::EndPaint(m_hWnd, &ps);
}

void CSplashWnd::OnTimer(UINT_PTR) { HideSplashScreen(); }

void CSplashWnd::HideSplashScreen() {
  CWnd* main = AfxGetMainWnd();
  DestroyWindow();  // deletes this
  if (main && main->m_hWnd) main->UpdateWindow();
}
