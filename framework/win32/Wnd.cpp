// CWnd: the handle maps, creation through a CBT hook (so the object sees the window's first
// message, WM_NCCREATE, and windows of system classes can be ours too), the window procedure
// that sends messages through the message maps, and the wrappers that are more than one call.
#include "Wnd.h"

#include "Dialog.h"
#include "FrameWnd.h"
#include "Gdi.h"
#include "HandleMap.h"
#include "Menu.h"
#include "WinApp.h"

// Handlers are called through their own member-pointer type, cast back from the one type the
// map stores (see CmdTarget.h).
#pragma GCC diagnostic ignored "-Wcast-function-type"

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

const char kAfxWnd[] = "AfxWnd";
const char kAfxFrameOrView[] = "AfxFrameOrView";

void AfxDeleteGdiTempMaps();

namespace {

// The maps live until the process ends and are never destroyed: static window objects such as
// CWnd::wndNoTopMost are destroyed at exit in no order we control, and their destructors still
// look themselves up here.
CHandleMap<HWND, CWnd>& WndMap() {
  static auto* map = new CHandleMap<HWND, CWnd>;
  return *map;
}

CHandleMap<HMENU, CMenu>& MenuMap() {
  static auto* map = new CHandleMap<HMENU, CMenu>;
  return *map;
}

// The window object waiting for its window, and the hook that hands it over. One GUI thread.
CWnd* g_pWndInit = nullptr;
HHOOK g_hHookCbt = nullptr;
// The message being handled, for Default(); saved and restored around nested messages.
MSG g_lastMsg = {};

}  // namespace


void AfxDeleteTempMaps() {
  WndMap().DeleteTemp();
  MenuMap().DeleteTemp();
  AfxDeleteGdiTempMaps();
}

LRESULT CALLBACK AfxCbtHookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && g_pWndInit) {
    HWND hWnd = reinterpret_cast<HWND>(wParam);
    CWnd* pWnd = g_pWndInit;
    g_pWndInit = nullptr;
    pWnd->Attach(hWnd);
    WNDPROC old = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    if (old != &AfxWndProc) pWnd->m_pfnSuper = old;
  }
  return ::CallNextHookEx(g_hHookCbt, code, wParam, lParam);
}

void AfxHookWindowCreate(CWnd* pWnd) {
  if (!g_hHookCbt) g_hHookCbt = ::SetWindowsHookExA(WH_CBT, &AfxCbtHookProc, nullptr, ::GetCurrentThreadId());
  g_pWndInit = pWnd;
}

BOOL AfxUnhookWindowCreate() {
  if (g_pWndInit) {
    g_pWndInit = nullptr;
    return FALSE;
  }
  return TRUE;
}

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
  if (!pWnd) return ::DefWindowProcA(hWnd, message, wParam, lParam);
  MSG saved = g_lastMsg;
  g_lastMsg.hwnd = hWnd;
  g_lastMsg.message = message;
  g_lastMsg.wParam = wParam;
  g_lastMsg.lParam = lParam;
  LRESULT result = AfxCallGuarded(hWnd, message, [&] { return pWnd->WindowProc(message, wParam, lParam); });
  if (message == WM_NCDESTROY) {
    // The window is gone: give the procedure back, forget the handle, then let the object
    // delete itself if it owns itself.
    if (pWnd->m_pfnSuper &&
        reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hWnd, GWLP_WNDPROC)) == &AfxWndProc) {
      ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pWnd->m_pfnSuper));
    }
    pWnd->Detach();
    pWnd->PostNcDestroy();
  }
  g_lastMsg = saved;
  return result;
}

LRESULT AfxProcessWndProcException(CException* e, UINT message, HWND hWnd) {
  if (!e->IsKindOf(RUNTIME_CLASS(CUserException))) e->ReportError(MB_ICONSTOP);
  if (message == WM_CREATE) return -1;
  if (message == WM_PAINT) ::ValidateRect(hWnd, nullptr);
  return 0;
}

LPCSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon) {
  static char name[96];
  wsprintfA(name, "Afx:%p:%x:%p:%p:%p", static_cast<void*>(AfxGetInstanceHandle()), nClassStyle,
            static_cast<void*>(hCursor), static_cast<void*>(hbrBackground), static_cast<void*>(hIcon));
  WNDCLASSA wc = {};
  if (::GetClassInfoA(AfxGetInstanceHandle(), name, &wc)) return name;
  wc.style = nClassStyle;
  wc.lpfnWndProc = &::DefWindowProcA;
  wc.hInstance = AfxGetInstanceHandle();
  wc.hIcon = hIcon;
  wc.hCursor = hCursor;
  wc.hbrBackground = hbrBackground;
  wc.lpszClassName = name;
  if (!::RegisterClassA(&wc)) AfxThrowResourceException();
  return name;
}

void AfxRegisterDefaultClasses() {
  HINSTANCE h = AfxGetInstanceHandle();
  WNDCLASSA wc = {};
  if (!::GetClassInfoA(h, kAfxWnd, &wc)) {
    wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &::DefWindowProcA;
    wc.hInstance = h;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kAfxWnd;
    ::RegisterClassA(&wc);
  }
  if (!::GetClassInfoA(h, kAfxFrameOrView, &wc)) {
    wc = {};
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = &::DefWindowProcA;
    wc.hInstance = h;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kAfxFrameOrView;
    ::RegisterClassA(&wc);
  }
}

// --- handle maps -----------------------------------------------------------------------------------

CWnd::~CWnd() {
  if (m_hWnd && FromHandlePermanent(m_hWnd) == this) {
    // Still attached: take the window down with the object, as its owner expects.
    ::DestroyWindow(m_hWnd);
    if (m_hWnd) Detach();
  }
}

CWnd* CWnd::FromHandle(HWND hWnd) {
  if (!hWnd) return nullptr;
  if (CWnd* p = WndMap().LookupPermanent(hWnd)) return p;
  // Temporary objects are plain CWnds; they never own the handle.
  return WndMap().FromHandle(hWnd);
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) { return WndMap().LookupPermanent(hWnd); }

BOOL CWnd::Attach(HWND hWnd) {
  if (!hWnd) return FALSE;
  m_hWnd = hWnd;
  WndMap().SetPermanent(hWnd, this);
  return TRUE;
}

HWND CWnd::Detach() {
  HWND h = m_hWnd;
  if (h) WndMap().RemovePermanent(h);
  m_hWnd = nullptr;
  return h;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
  if (!Attach(hWnd)) return FALSE;
  WNDPROC old = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
  if (old != &AfxWndProc) m_pfnSuper = old;
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
  HWND h = ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID));
  return h ? SubclassWindow(h) : FALSE;
}

HWND CWnd::UnsubclassWindow() {
  if (m_pfnSuper) ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  m_pfnSuper = nullptr;
  return Detach();
}

// --- creation ---------------------------------------------------------------------------------------

BOOL CWnd::PreCreateWindow(CREATESTRUCTA& cs) {
  if (!cs.lpszClass) {
    AfxRegisterDefaultClasses();
    cs.lpszClass = kAfxWnd;
  }
  return TRUE;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, int x, int y,
                    int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam) {
  CREATESTRUCTA cs = {};
  cs.dwExStyle = dwExStyle;
  cs.lpszClass = lpszClassName;
  cs.lpszName = lpszWindowName;
  cs.style = static_cast<LONG>(dwStyle);
  cs.x = x;
  cs.y = y;
  cs.cx = nWidth;
  cs.cy = nHeight;
  cs.hwndParent = hWndParent;
  cs.hMenu = nIDorHMenu;
  cs.hInstance = AfxGetInstanceHandle();
  cs.lpCreateParams = lpParam;
  if (!PreCreateWindow(cs)) {
    PostNcDestroy();
    return FALSE;
  }
  AfxHookWindowCreate(this);
  HWND hWnd = ::CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x, cs.y,
                                cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
  if (!AfxUnhookWindowCreate()) PostNcDestroy();  // no window was ever made for this object
  return hWnd != nullptr;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                    CWnd* pParentWnd, UINT nID, LPVOID lpParam) {
  return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top,
                  AfxCreateExtent(rect.left, rect.right), AfxCreateExtent(rect.top, rect.bottom), AfxSafeHwnd(pParentWnd), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)),
                  lpParam);
}

BOOL CWnd::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                  UINT nID, CCreateContext* pContext) {
  return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID, pContext);
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  return ::DestroyWindow(m_hWnd);
}

// --- messages ---------------------------------------------------------------------------------------

const MSG* CWnd::GetCurrentMessage() { return &g_lastMsg; }

LRESULT CWnd::Default() { return DefWindowProc(g_lastMsg.message, g_lastMsg.wParam, g_lastMsg.lParam); }

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_pfnSuper) return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
  return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  return result;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  UINT nID = LOWORD(wParam);
  int nCode = HIWORD(wParam);
  if (lParam == 0) {
    // Menus and accelerators: an update handler that disables the command stops it.
    if (nID == 0) return FALSE;
    return AfxDispatchCommand(this, nID);
  }
  CWnd* pChild = FromHandlePermanent(reinterpret_cast<HWND>(lParam));
  if (pChild && pChild != this && pChild->OnChildNotify(WM_COMMAND, wParam, lParam, nullptr)) return TRUE;
  return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) {
  NMHDR* nm = reinterpret_cast<NMHDR*>(lParam);
  UINT nID = static_cast<UINT>(nm->idFrom);
  for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    if (const AFX_MSGMAP_ENTRY* e = FindEntry(map->lpEntries, WM_NOTIFY, nm->code, nID)) {
      *pResult = 0;
      (this->*reinterpret_cast<void (CCmdTarget::*)(NMHDR*, LRESULT*)>(e->pfn))(nm, pResult);
      return TRUE;
    }
  }
  return FALSE;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (message == WM_COMMAND) {
    if (OnCommand(wParam, lParam)) {
      *pResult = 0;
      return TRUE;
    }
    return FALSE;
  }
  if (message == WM_NOTIFY) return OnNotify(wParam, lParam, pResult);

  // The colour messages of every control kind share one handler.
  UINT lookup = message;
  if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) lookup = WM_CTLCOLORSTATIC;

  for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nSig != AfxSig_end; ++e) {
      if (e->nMessage == 0xC000 && e->nCode == 0) {
        // A registered message: the entry points at the variable holding its number.
        if (message < 0xC000 || *reinterpret_cast<const UINT*>(e->nSig) != message) continue;
        *pResult = (this->*reinterpret_cast<LRESULT (CCmdTarget::*)(WPARAM, LPARAM)>(e->pfn))(wParam, lParam);
        return TRUE;
      }
      if (e->nMessage == lookup && e->nMessage != WM_COMMAND && e->nMessage != WM_NOTIFY) {
        return DispatchMapEntry(e, message, wParam, lParam, pResult);
      }
    }
  }
  return FALSE;
}

BOOL CWnd::DispatchMapEntry(const AFX_MSGMAP_ENTRY* e, UINT message, WPARAM wParam, LPARAM lParam,
                            LRESULT* pResult) {
  const CPoint point(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
  LRESULT r = 0;
  switch (e->nSig) {
    case AfxSig_vv:
      (this->*e->pfn)();
      break;
    case AfxSig_bv:
      r = (this->*reinterpret_cast<BOOL (CCmdTarget::*)()>(e->pfn))();
      break;
    case AfxSig_lwl:
      r = (this->*reinterpret_cast<LRESULT (CCmdTarget::*)(WPARAM, LPARAM)>(e->pfn))(wParam, lParam);
      break;
    case AfxSig_is:
      r = (this->*reinterpret_cast<int (CCmdTarget::*)(LPCREATESTRUCT)>(e->pfn))(
          reinterpret_cast<LPCREATESTRUCT>(lParam));
      break;
    case AfxSig_vwii:
      (this->*reinterpret_cast<void (CCmdTarget::*)(UINT, int, int)>(e->pfn))(
          static_cast<UINT>(wParam), static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
      break;
    case AfxSig_vii:
      (this->*reinterpret_cast<void (CCmdTarget::*)(int, int)>(e->pfn))(static_cast<short>(LOWORD(lParam)),
                                                                        static_cast<short>(HIWORD(lParam)));
      break;
    case AfxSig_bD:
      r = (this->*reinterpret_cast<BOOL (CCmdTarget::*)(CDC*)>(e->pfn))(
          CDC::FromHandle(reinterpret_cast<HDC>(wParam)));
      break;
    case AfxSig_vt:
      (this->*reinterpret_cast<void (CCmdTarget::*)(UINT_PTR)>(e->pfn))(wParam);
      break;
    case AfxSig_vbw:
      (this->*reinterpret_cast<void (CCmdTarget::*)(BOOL, UINT)>(e->pfn))(static_cast<BOOL>(wParam),
                                                                          static_cast<UINT>(lParam));
      break;
    case AfxSig_vwWb:
      (this->*reinterpret_cast<void (CCmdTarget::*)(UINT, CWnd*, BOOL)>(e->pfn))(
          LOWORD(wParam), CWnd::FromHandle(reinterpret_cast<HWND>(lParam)), HIWORD(wParam));
      break;
    case AfxSig_vMwb:
      (this->*reinterpret_cast<void (CCmdTarget::*)(CMenu*, UINT, BOOL)>(e->pfn))(
          CMenu::FromHandle(reinterpret_cast<HMENU>(wParam)), LOWORD(lParam), HIWORD(lParam));
      break;
    case AfxSig_vW:
      (this->*reinterpret_cast<void (CCmdTarget::*)(CWnd*)>(e->pfn))(
          CWnd::FromHandle(reinterpret_cast<HWND>(wParam)));
      break;
    case AfxSig_bWww:
      r = (this->*reinterpret_cast<BOOL (CCmdTarget::*)(CWnd*, UINT, UINT)>(e->pfn))(
          CWnd::FromHandle(reinterpret_cast<HWND>(wParam)), LOWORD(lParam), HIWORD(lParam));
      break;
    case AfxSig_vwwS:
      (this->*reinterpret_cast<void (CCmdTarget::*)(UINT, UINT, CScrollBar*)>(e->pfn))(
          LOWORD(wParam), HIWORD(wParam),
          reinterpret_cast<CScrollBar*>(CWnd::FromHandle(reinterpret_cast<HWND>(lParam))));
      break;
    case AfxSig_vwww:
      (this->*reinterpret_cast<void (CCmdTarget::*)(UINT, UINT, UINT)>(e->pfn))(
          static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
      break;
    case AfxSig_vwp:
      (this->*reinterpret_cast<void (CCmdTarget::*)(UINT, CPoint)>(e->pfn))(static_cast<UINT>(wParam), point);
      break;
    case AfxSig_bwsp:
      r = (this->*reinterpret_cast<BOOL (CCmdTarget::*)(UINT, short, CPoint)>(e->pfn))(
          LOWORD(wParam), static_cast<short>(HIWORD(wParam)), point);
      break;
    case AfxSig_vWp:
      (this->*reinterpret_cast<void (CCmdTarget::*)(CWnd*, CPoint)>(e->pfn))(
          CWnd::FromHandle(reinterpret_cast<HWND>(wParam)), point);
      break;
    case AfxSig_vis:
      (this->*reinterpret_cast<void (CCmdTarget::*)(int, LPDRAWITEMSTRUCT)>(e->pfn))(
          static_cast<int>(wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
      r = TRUE;
      break;
    case AfxSig_vh:
      (this->*reinterpret_cast<void (CCmdTarget::*)(HDROP)>(e->pfn))(reinterpret_cast<HDROP>(wParam));
      break;
    case AfxSig_hDWw:
      r = reinterpret_cast<LRESULT>((this->*reinterpret_cast<HBRUSH (CCmdTarget::*)(CDC*, CWnd*, UINT)>(e->pfn))(
          CDC::FromHandle(reinterpret_cast<HDC>(wParam)), CWnd::FromHandle(reinterpret_cast<HWND>(lParam)),
          message - WM_CTLCOLORMSGBOX));
      break;
    case AfxSig_vs:
      (this->*reinterpret_cast<void (CCmdTarget::*)(MINMAXINFO*)>(e->pfn))(reinterpret_cast<MINMAXINFO*>(lParam));
      break;
    case AfxSig_vwl:
      (this->*reinterpret_cast<void (CCmdTarget::*)(UINT, LPARAM)>(e->pfn))(static_cast<UINT>(wParam), lParam);
      break;
    case AfxSig_vbWW:
      // An MDI child is told whether it becomes active, and which child gains and which loses.
      (this->*reinterpret_cast<void (CCmdTarget::*)(BOOL, CWnd*, CWnd*)>(e->pfn))(
          reinterpret_cast<HWND>(lParam) == m_hWnd, CWnd::FromHandle(reinterpret_cast<HWND>(lParam)),
          CWnd::FromHandle(reinterpret_cast<HWND>(wParam)));
      break;
    default:
      return FALSE;
  }
  *pResult = r;
  return TRUE;
}

// --- relatives --------------------------------------------------------------------------------------

CWnd* CWnd::GetOwner() const {
  if (m_hWndOwner) return FromHandle(m_hWndOwner);
  return GetParent();
}

CWnd* CWnd::GetTopLevelParent() const {
  HWND h = m_hWnd;
  for (HWND p; (::GetWindowLongPtrA(h, GWL_STYLE) & WS_CHILD) && (p = ::GetParent(h)) != nullptr;) h = p;
  return FromHandle(h);
}

CWnd* CWnd::GetParentOwner() const {
  HWND h = m_hWnd;
  for (HWND p; (::GetWindowLongPtrA(h, GWL_STYLE) & WS_CHILD) && (p = ::GetParent(h)) != nullptr;) h = p;
  return FromHandle(h);
}

CFrameWnd* CWnd::GetParentFrame() const {
  for (HWND h = ::GetParent(m_hWnd); h; h = ::GetParent(h)) {
    CWnd* p = FromHandlePermanent(h);
    if (p && p->IsKindOf(RUNTIME_CLASS(CFrameWnd))) return static_cast<CFrameWnd*>(p);
  }
  return nullptr;
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep) {
  for (HWND child = ::GetTopWindow(m_hWnd); child; child = ::GetNextWindow(child, GW_HWNDNEXT)) {
    ::SendMessageA(child, message, wParam, lParam);
    if (bDeep && ::GetTopWindow(child)) {
      CWnd* p = FromHandle(child);
      p->SendMessageToDescendants(message, wParam, lParam, bDeep);
    }
  }
}

// --- wrappers ---------------------------------------------------------------------------------------

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
  DWORD style = GetStyle();
  DWORD changed = (style & ~dwRemove) | dwAdd;
  if (style == changed) return FALSE;
  ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(changed));
  if (nFlags) ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
  return TRUE;
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
  DWORD style = GetExStyle();
  DWORD changed = (style & ~dwRemove) | dwAdd;
  if (style == changed) return FALSE;
  ::SetWindowLongPtrA(m_hWnd, GWL_EXSTYLE, static_cast<LONG_PTR>(changed));
  if (nFlags) ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
  return TRUE;
}

BOOL CWnd::SetWindowPos(const CWnd* pInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
  return ::SetWindowPos(m_hWnd, AfxSafeHwnd(pInsertAfter), x, y, cx, cy, nFlags);
}

const CWnd CWnd::wndTop(HWND_TOP);
const CWnd CWnd::wndBottom(HWND_BOTTOM);
const CWnd CWnd::wndTopMost(HWND_TOPMOST);
const CWnd CWnd::wndNoTopMost(HWND_NOTOPMOST);

void CWnd::ClientToScreen(LPRECT r) const {
  ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(r));
  ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(r) + 1);
}

void CWnd::ScreenToClient(LPRECT r) const {
  ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(r));
  ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(r) + 1);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
  HWND center = pAlternateOwner ? pAlternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
  if (GetStyle() & WS_CHILD) center = ::GetParent(m_hWnd);
  RECT area, rc, own;
  ::GetWindowRect(m_hWnd, &rc);
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  if (center && ::IsWindowVisible(center) && !::IsIconic(center)) {
    ::GetWindowRect(center, &own);
  } else {
    own = area;
  }
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  int x = (own.left + own.right - w) / 2, y = (own.top + own.bottom - h) / 2;
  if (GetStyle() & WS_CHILD) {
    POINT p = {x, y};
    ::ScreenToClient(::GetParent(m_hWnd), &p);
    x = p.x;
    y = p.y;
  } else {
    // Keep the window on the work area.
    if (x + w > area.right) x = area.right - w;
    if (x < area.left) x = area.left;
    if (y + h > area.bottom) y = area.bottom - h;
    if (y < area.top) y = area.top;
  }
  ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWnd::GetWindowText(CString& s) const {
  int n = ::GetWindowTextLengthA(m_hWnd);
  ::GetWindowTextA(m_hWnd, s.GetBuffer(n), n + 1);
  s.ReleaseBuffer();
}

int CWnd::GetDlgItemText(int nID, CString& s) const {
  s.Empty();
  HWND h = ::GetDlgItem(m_hWnd, nID);
  if (!h) return 0;
  FromHandle(h)->GetWindowText(s);
  return s.GetLength();
}

CDC* CWnd::GetDC() { return CDC::FromHandle(::GetDC(m_hWnd)); }
CDC* CWnd::GetWindowDC() { return CDC::FromHandle(::GetWindowDC(m_hWnd)); }
int CWnd::ReleaseDC(CDC* pDC) { return ::ReleaseDC(m_hWnd, pDC->m_hDC); }

void CWnd::SetFont(CFont* pFont, BOOL bRedraw) {
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(pFont ? pFont->m_hObject : nullptr), bRedraw);
}

CFont* CWnd::GetFont() const {
  return CFont::FromHandle(reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0)));
}

CMenu* CWnd::GetMenu() const { return CMenu::FromHandle(::GetMenu(m_hWnd)); }
BOOL CWnd::SetMenu(CMenu* pMenu) { return ::SetMenu(m_hWnd, pMenu ? pMenu->m_hMenu : nullptr); }
CMenu* CWnd::GetSystemMenu(BOOL bRevert) const { return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert)); }

int CWnd::MessageBox(LPCSTR text, LPCSTR caption, UINT type) {
  return AfxGetApp() ? AfxGetApp()->DoMessageBox(text, type, 0) : ::MessageBoxA(m_hWnd, text, caption, type);
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange dx(this, bSaveAndValidate);
  try {
    DoDataExchange(&dx);
  } catch (CUserException* e) {
    // A validation failed: it already told the user and put the focus on the field.
    e->Delete();
    return FALSE;
  } catch (CException* e) {
    // Anything else (a control that could not be attached, no memory) is told here; the
    // exchange failed all the same.
    e->ReportError(MB_ICONEXCLAMATION);
    e->Delete();
    return FALSE;
  }
  return TRUE;
}

// --- menus ------------------------------------------------------------------------------------------

IMPLEMENT_DYNCREATE(CMenu, CObject)

CMenu* CMenu::FromHandle(HMENU h) { return MenuMap().FromHandle(h); }

BOOL CMenu::Attach(HMENU h) {
  if (!h) return FALSE;
  m_hMenu = h;
  MenuMap().SetPermanent(h, this);
  return TRUE;
}

HMENU CMenu::Detach() {
  HMENU h = m_hMenu;
  if (h) MenuMap().RemovePermanent(h);
  m_hMenu = nullptr;
  return h;
}

BOOL CMenu::DestroyMenu() {
  if (!m_hMenu) return FALSE;
  return ::DestroyMenu(Detach());
}

BOOL CMenu::LoadMenu(UINT nIDResource) {
  LPCSTR name = MAKEINTRESOURCEA(nIDResource);
  return Attach(::LoadMenuA(AfxFindResourceHandle(name, reinterpret_cast<LPCSTR>(RT_MENU)), name));
}

int CMenu::GetMenuString(UINT nID, CString& s, UINT nFlags) const {
  char buf[256];
  int n = ::GetMenuStringA(m_hMenu, nID, buf, sizeof buf, nFlags);
  s = CString(buf, n);
  return n;
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, const RECT* lpRect) {
  return ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, AfxSafeHwnd(pWnd), lpRect);
}
