// CWnd: a thin object over an HWND. It ties a window handle to a C++ object (the handle maps),
// sends the window's messages through the object's message map, and wraps the Win32 window calls
// the application makes. It owns the window only when it created or subclassed it; a temporary
// object made by FromHandle for a foreign handle lives until the next idle time.
#pragma once

#include "CmdTarget.h"

class CFrameWnd;
class CFont;
class CScrollBar;
struct CCreateContext;
class CWnd;

// The handle of a window object that may be absent.
inline HWND AfxSafeHwnd(const CWnd* pWnd);

// Width or height of a creation rectangle; a rectangle starting at CW_USEDEFAULT leaves the size
// to the system too (computing it by subtraction would overflow).
inline int AfxCreateExtent(LONG from, LONG to) {
  return from == static_cast<LONG>(CW_USEDEFAULT) ? static_cast<int>(CW_USEDEFAULT) : static_cast<int>(to - from);
}

class CWnd : public CCmdTarget {
  DECLARE_DYNCREATE(CWnd)
 public:
  HWND m_hWnd = nullptr;

  CWnd() = default;
  ~CWnd() override;
  // The z-order markers SetWindowPos takes in place of a window.
  static const CWnd wndTop, wndBottom, wndTopMost, wndNoTopMost;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  // --- handle maps ------------------------------------------------------------------------------
  static CWnd* FromHandle(HWND hWnd);           // a temporary object for an unknown handle
  static CWnd* FromHandlePermanent(HWND hWnd);  // null unless an object owns the handle
  BOOL Attach(HWND hWnd);
  HWND Detach();
  BOOL SubclassWindow(HWND hWnd);
  BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
  HWND UnsubclassWindow();
  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }
  // For the temporary map: wrap without owning.
  void AttachTemporary(HWND h) { m_hWnd = h; }
  void DetachTemporary() { m_hWnd = nullptr; }

  // --- creation and destruction -----------------------------------------------------------------
  virtual BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                      CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr);
  BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, int x, int y,
                int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam = nullptr);
  BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID, LPVOID lpParam = nullptr);
  virtual BOOL DestroyWindow();
  virtual BOOL PreCreateWindow(CREATESTRUCTA& cs);

  // --- message handling -------------------------------------------------------------------------
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  // A control's notification to its parent (WM_COMMAND from a control), offered to the
  // control's own object first: TRUE when it took it, and the parent does not see it.
  virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  // Called after the last message; windows that own themselves delete this here.
  virtual void PostNcDestroy() {}
  // Passes the message being handled to the default procedure.
  LRESULT Default();
  static const MSG* GetCurrentMessage();

  // --- thin wrappers ----------------------------------------------------------------------------
  LRESULT SendMessage(UINT m, WPARAM w = 0, LPARAM l = 0) const { return ::SendMessageA(m_hWnd, m, w, l); }
  BOOL PostMessage(UINT m, WPARAM w = 0, LPARAM l = 0) const { return ::PostMessageA(m_hWnd, m, w, l); }
  void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, BOOL bDeep = TRUE);

  DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE)); }
  DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE)); }
  BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
  BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
  int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
  int SetDlgCtrlID(int nID) { return static_cast<int>(::SetWindowLongPtrA(m_hWnd, GWLP_ID, nID)); }
  CWnd* GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }
  CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
  CWnd* SetParent(CWnd* pNew) { return FromHandle(::SetParent(m_hWnd, AfxSafeHwnd(pNew))); }
  CWnd* GetOwner() const;
  void SetOwner(CWnd* pOwner) { m_hWndOwner = AfxSafeHwnd(pOwner); }
  CWnd* GetTopLevelParent() const;
  CWnd* GetParentOwner() const;
  CFrameWnd* GetParentFrame() const;
  CWnd* GetWindow(UINT nCmd) const { return FromHandle(::GetWindow(m_hWnd, nCmd)); }
  static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
  CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
  static CWnd* GetActiveWindow() { return FromHandle(::GetActiveWindow()); }
  static CWnd* GetDesktopWindow() { return FromHandle(::GetDesktopWindow()); }
  static CWnd* GetCapture() { return FromHandle(::GetCapture()); }
  CWnd* SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }
  static CWnd* FindWindow(LPCSTR cls, LPCSTR name) { return FromHandle(::FindWindowA(cls, name)); }

  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
  BOOL IsZoomed() const { return ::IsZoomed(m_hWnd); }
  BOOL IsChild(const CWnd* pWnd) const { return ::IsChild(m_hWnd, AfxSafeHwnd(pWnd)); }
  BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
  BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
  void MoveWindow(int x, int y, int w, int h, BOOL bRepaint = TRUE) { ::MoveWindow(m_hWnd, x, y, w, h, bRepaint); }
  void MoveWindow(const RECT* r, BOOL bRepaint = TRUE) {
    ::MoveWindow(m_hWnd, r->left, r->top, r->right - r->left, r->bottom - r->top, bRepaint);
  }
  BOOL SetWindowPos(const CWnd* pInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
  BOOL GetWindowPlacement(WINDOWPLACEMENT* p) const { p->length = sizeof *p; return ::GetWindowPlacement(m_hWnd, p); }
  BOOL SetWindowPlacement(const WINDOWPLACEMENT* p) { return ::SetWindowPlacement(m_hWnd, p); }
  void GetWindowRect(LPRECT r) const { ::GetWindowRect(m_hWnd, r); }
  void GetClientRect(LPRECT r) const { ::GetClientRect(m_hWnd, r); }
  void ClientToScreen(LPPOINT p) const { ::ClientToScreen(m_hWnd, p); }
  void ClientToScreen(LPRECT r) const;
  void ScreenToClient(LPPOINT p) const { ::ScreenToClient(m_hWnd, p); }
  void ScreenToClient(LPRECT r) const;
  void CenterWindow(CWnd* pAlternateOwner = nullptr);
  void BringWindowToTop() { ::BringWindowToTop(m_hWnd); }
  BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }

  void SetWindowText(LPCSTR s) { ::SetWindowTextA(m_hWnd, s); }
  int GetWindowText(LPSTR s, int n) const { return ::GetWindowTextA(m_hWnd, s, n); }
  void GetWindowText(CString& s) const;
  int GetWindowTextLength() const { return ::GetWindowTextLengthA(m_hWnd); }
  void SetDlgItemText(int nID, LPCSTR s) { ::SetDlgItemTextA(m_hWnd, nID, s); }
  int GetDlgItemText(int nID, CString& s) const;
  void SetDlgItemInt(int nID, UINT v, BOOL bSigned = TRUE) { ::SetDlgItemInt(m_hWnd, nID, v, bSigned); }
  UINT GetDlgItemInt(int nID, BOOL* ok = nullptr, BOOL bSigned = TRUE) const {
    return ::GetDlgItemInt(m_hWnd, nID, ok, bSigned);
  }
  void CheckDlgButton(int nID, UINT n) { ::CheckDlgButton(m_hWnd, nID, n); }
  UINT IsDlgButtonChecked(int nID) const { return ::IsDlgButtonChecked(m_hWnd, nID); }
  void CheckRadioButton(int first, int last, int check) { ::CheckRadioButton(m_hWnd, first, last, check); }
  LRESULT SendDlgItemMessage(int nID, UINT m, WPARAM w = 0, LPARAM l = 0) const {
    return ::SendDlgItemMessageA(m_hWnd, nID, m, w, l);
  }

  void Invalidate(BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
  void InvalidateRect(const RECT* r, BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, r, bErase); }
  void InvalidateRgn(HRGN rgn, BOOL bErase = TRUE) { ::InvalidateRgn(m_hWnd, rgn, bErase); }
  void ValidateRect(const RECT* r) { ::ValidateRect(m_hWnd, r); }
  void UpdateWindow() { ::UpdateWindow(m_hWnd); }
  BOOL RedrawWindow(const RECT* r = nullptr, HRGN rgn = nullptr,
                    UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE) {
    return ::RedrawWindow(m_hWnd, r, rgn, flags);
  }
  BOOL LockWindowUpdate() { return ::LockWindowUpdate(m_hWnd); }
  void UnlockWindowUpdate() { ::LockWindowUpdate(nullptr); }
  void ScrollWindow(int dx, int dy, const RECT* r = nullptr, const RECT* clip = nullptr) {
    ::ScrollWindow(m_hWnd, dx, dy, r, clip);
  }
  int SetScrollPos(int nBar, int nPos, BOOL bRedraw = TRUE) { return ::SetScrollPos(m_hWnd, nBar, nPos, bRedraw); }
  int GetScrollPos(int nBar) const { return ::GetScrollPos(m_hWnd, nBar); }
  void SetScrollRange(int nBar, int nMin, int nMax, BOOL bRedraw = TRUE) {
    ::SetScrollRange(m_hWnd, nBar, nMin, nMax, bRedraw);
  }
  void GetScrollRange(int nBar, LPINT pMin, LPINT pMax) const { ::GetScrollRange(m_hWnd, nBar, pMin, pMax); }
  BOOL SetScrollInfo(int nBar, LPSCROLLINFO p, BOOL bRedraw = TRUE) {
    ::SetScrollInfo(m_hWnd, nBar, p, bRedraw);
    return TRUE;
  }
  BOOL GetScrollInfo(int nBar, LPSCROLLINFO p) const { return ::GetScrollInfo(m_hWnd, nBar, p); }
  void ShowScrollBar(UINT nBar, BOOL bShow = TRUE) { ::ShowScrollBar(m_hWnd, nBar, bShow); }

  UINT_PTR SetTimer(UINT_PTR id, UINT ms, TIMERPROC proc = nullptr) { return ::SetTimer(m_hWnd, id, ms, proc); }
  BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }

  CDC* GetDC();
  CDC* GetWindowDC();
  int ReleaseDC(CDC* pDC);
  void SetFont(CFont* pFont, BOOL bRedraw = TRUE);
  CFont* GetFont() const;
  void DragAcceptFiles(BOOL bAccept = TRUE) { ::DragAcceptFiles(m_hWnd, bAccept); }
  BOOL OpenClipboard() { return ::OpenClipboard(m_hWnd); }
  CMenu* GetMenu() const;
  BOOL SetMenu(CMenu* pMenu);
  void DrawMenuBar() { ::DrawMenuBar(m_hWnd); }
  CMenu* GetSystemMenu(BOOL bRevert) const;
  int MessageBox(LPCSTR text, LPCSTR caption = nullptr, UINT type = MB_OK);
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
  virtual void DoDataExchange(class CDataExchange* pDX) { (void)pDX; }

  // --- default handlers, reached by derived classes' message maps ---------------------------------
  int OnCreate(LPCREATESTRUCT) { return static_cast<int>(Default()); }
  void OnDestroy() { Default(); }
  void OnClose() { Default(); }
  void OnSize(UINT, int, int) { Default(); }
  void OnMove(int, int) { Default(); }
  void OnPaint() { Default(); }
  BOOL OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
  void OnTimer(UINT_PTR) { Default(); }
  void OnShowWindow(BOOL, UINT) { Default(); }
  void OnActivate(UINT, CWnd*, BOOL) { Default(); }
  void OnInitMenuPopup(CMenu*, UINT, BOOL) { Default(); }
  void OnPaletteChanged(CWnd*) { Default(); }
  BOOL OnQueryNewPalette() { return static_cast<BOOL>(Default()); }
  BOOL OnSetCursor(CWnd*, UINT, UINT) { return static_cast<BOOL>(Default()); }
  void OnHScroll(UINT, UINT, CScrollBar*) { Default(); }
  void OnVScroll(UINT, UINT, CScrollBar*) { Default(); }
  void OnKeyDown(UINT, UINT, UINT) { Default(); }
  void OnKeyUp(UINT, UINT, UINT) { Default(); }
  void OnChar(UINT, UINT, UINT) { Default(); }
  void OnSysKeyDown(UINT, UINT, UINT) { Default(); }
  void OnMouseMove(UINT, CPoint) { Default(); }
  void OnLButtonDown(UINT, CPoint) { Default(); }
  void OnLButtonUp(UINT, CPoint) { Default(); }
  void OnLButtonDblClk(UINT, CPoint) { Default(); }
  void OnRButtonDown(UINT, CPoint) { Default(); }
  void OnRButtonUp(UINT, CPoint) { Default(); }
  void OnRButtonDblClk(UINT, CPoint) { Default(); }
  void OnMButtonDown(UINT, CPoint) { Default(); }
  void OnMButtonUp(UINT, CPoint) { Default(); }
  BOOL OnMouseWheel(UINT, short, CPoint) { return static_cast<BOOL>(Default()); }
  void OnContextMenu(CWnd*, CPoint) { Default(); }
  void OnDrawItem(int, LPDRAWITEMSTRUCT) { Default(); }
  void OnDropFiles(HDROP) { Default(); }
  HBRUSH OnCtlColor(CDC*, CWnd*, UINT) { return reinterpret_cast<HBRUSH>(Default()); }
  void OnSetFocus(CWnd*) { Default(); }
  void OnKillFocus(CWnd*) { Default(); }
  void OnGetMinMaxInfo(MINMAXINFO*) { Default(); }
  void OnSysCommand(UINT, LPARAM) { Default(); }
  void OnMDIActivate(BOOL, CWnd*, CWnd*) { Default(); }

  DECLARE_MESSAGE_MAP()

 protected:
  WNDPROC m_pfnSuper = nullptr;  // the procedure the window had before we subclassed it
  HWND m_hWndOwner = nullptr;    // set by SetOwner: where a bar sends its commands

 private:
  explicit CWnd(HWND hMarker) : m_hWnd(hMarker) {}
  friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
  friend LRESULT CALLBACK AfxCbtHookProc(int, WPARAM, LPARAM);
  BOOL DispatchMapEntry(const AFX_MSGMAP_ENTRY* e, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
};

inline HWND AfxSafeHwnd(const CWnd* pWnd) { return pWnd ? pWnd->m_hWnd : nullptr; }

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// What a procedure the system calls does with a framework exception a handler let out, so that
// it never unwinds through the system's frames: the user is told (unless it is a user exception,
// which has told them already) and the message gets the answer that keeps the program sound:
// -1 for WM_CREATE (the window is not made), the window validated for WM_PAINT (else the paint
// comes back forever), 0 for the rest. The caller deletes the exception.
LRESULT AfxProcessWndProcException(CException* e, UINT message, HWND hWnd);
// Runs handler() for a message a procedure of ours was called with, under that rule.
template <class Handler>
LRESULT AfxCallGuarded(HWND hWnd, UINT message, Handler handler) {
  try {
    return static_cast<LRESULT>(handler());
  } catch (CException* e) {
    LRESULT result = AfxProcessWndProcException(e, message, hWnd);
    e->Delete();
    return result;
  }
}

// The next window created on this thread is attached to pWnd from its first message on.
void AfxHookWindowCreate(CWnd* pWnd);
// Returns FALSE when no window was created since the hook was set.
BOOL AfxUnhookWindowCreate();
// Deletes the temporary objects made by FromHandle (windows, DCs, GDI objects, menus).
void AfxDeleteTempMaps();
// Registers once and returns a window class of the given look whose procedure is DefWindowProc.
LPCSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = nullptr, HBRUSH hbrBackground = nullptr,
                           HICON hIcon = nullptr);

// The framework's own window classes (their procedure is DefWindowProc; the hook subclasses them).
extern const char kAfxWnd[];
extern const char kAfxFrameOrView[];
void AfxRegisterDefaultClasses();
