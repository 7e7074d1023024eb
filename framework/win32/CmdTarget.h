// Command targets and message maps: how a window message or a command finds its handler.
// Each class that handles messages has a static table of entries (the message map) chained to its
// base class's table; an entry carries a signature code so the handler is called with the
// arguments its type promises. Command routing between view, document, frame and application is
// the job of the OnCmdMsg overrides of those classes, not of this file.
#pragma once

#include "Win32Platform.h"

#include "Framework.h"

class CCmdTarget;
class CCmdUI;
class CWnd;
class CDC;
class CMenu;
class CScrollBar;

// Command notification codes beside the controls' own (BN_CLICKED, EN_CHANGE, ...).
const int CN_COMMAND = 0;
const int CN_UPDATE_COMMAND_UI = -1;

// Framework-private messages.
const UINT WM_IDLEUPDATECMDUI = 0x0363;  // wParam: disable commands without handlers
const UINT WM_INITIALUPDATE = 0x0364;

// The handler kinds an entry can name; the dispatcher casts the stored pointer back to the
// member type its kind names before calling it.
enum AfxSig {
  AfxSig_end = 0,
  AfxSig_vv,        // void ()
  AfxSig_bv,        // BOOL ()
  AfxSig_vw,        // void (UINT) - command ranges
  AfxSig_bw,        // BOOL (UINT) - command ranges that may pass the command on
  AfxSig_cmdui,     // void (CCmdUI*)
  AfxSig_cmduiw,    // void (CCmdUI*, UINT)
  AfxSig_lwl,       // LRESULT (WPARAM, LPARAM)
  AfxSig_notify,    // void (NMHDR*, LRESULT*)
  AfxSig_is,        // int (LPCREATESTRUCT)
  AfxSig_vwii,      // void (UINT, int, int)
  AfxSig_bD,        // BOOL (CDC*)
  AfxSig_vt,        // void (UINT_PTR)
  AfxSig_vbw,       // void (BOOL, UINT)
  AfxSig_vwWb,      // void (UINT, CWnd*, BOOL)
  AfxSig_vMwb,      // void (CMenu*, UINT, BOOL)
  AfxSig_vW,        // void (CWnd*)
  AfxSig_bWww,      // BOOL (CWnd*, UINT, UINT)
  AfxSig_vwwS,      // void (UINT, UINT, CScrollBar*)
  AfxSig_vwww,      // void (UINT, UINT, UINT)
  AfxSig_vwp,       // void (UINT, CPoint)
  AfxSig_bwsp,      // BOOL (UINT, short, CPoint)
  AfxSig_vWp,       // void (CWnd*, CPoint)
  AfxSig_vis,       // void (int, LPDRAWITEMSTRUCT)
  AfxSig_vh,        // void (HDROP)
  AfxSig_hDWw,      // HBRUSH (CDC*, CWnd*, UINT)
  AfxSig_vs,        // void (MINMAXINFO*)
  AfxSig_vii,       // void (int, int)
  AfxSig_vwl,       // void (UINT, LPARAM)
  AfxSig_vbWW,      // void (BOOL, CWnd*, CWnd*)
};

typedef void (CCmdTarget::*AFX_PMSG)();

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // WM_COMMAND, WM_NOTIFY or the window message; 0xC000+ for registered ones
  UINT nCode;     // command or notification code
  UINT nID;       // first control or command id
  UINT nLastID;   // last id of a range
  UINT_PTR nSig;  // AfxSig, or for registered messages a pointer to the message number
  AFX_PMSG pfn;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

// Set by a caller that only asks whether a handler exists (menu auto-disabling).
struct AFX_CMDHANDLERINFO {
  CCmdTarget* pTarget;
  AFX_PMSG pmf;
};

class CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)
 public:
  CCmdTarget() = default;

  // Looks the command up in this object's map; the classes that route to others override it.
  virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

  void BeginWaitCursor();
  void EndWaitCursor();
  void RestoreWaitCursor();

  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;

 protected:
  static const AFX_MSGMAP_ENTRY* FindEntry(const AFX_MSGMAP_ENTRY* entries, UINT nMessage, UINT nCode,
                                           UINT nID);
  // Calls a command or update handler found for nID/nCode.
  BOOL DispatchCmdMsg(UINT nID, int nCode, const AFX_MSGMAP_ENTRY* entry, void* pExtra);

};

// The state of one menu item or toolbar button while its update handler runs.
class CCmdUI {
 public:
  UINT m_nID = 0;
  UINT m_nIndex = 0;
  CMenu* m_pMenu = nullptr;     // the menu holding the item, or null for a bar
  CMenu* m_pSubMenu = nullptr;  // set when the item opens a popup
  CWnd* m_pOther = nullptr;     // the bar holding the button
  UINT m_nIndexMax = 0;
  BOOL m_bEnableChanged = FALSE;
  BOOL m_bContinueRouting = FALSE;

  virtual ~CCmdUI() = default;
  virtual void Enable(BOOL bOn = TRUE);
  virtual void SetCheck(int nCheck = 1);  // 0 off, 1 checked, 2 indeterminate
  virtual void SetRadio(BOOL bOn = TRUE);
  virtual void SetText(LPCSTR lpszText);
  void ContinueRouting() { m_bContinueRouting = TRUE; }

  // Asks the target's handlers; with no handler the item is disabled when bDisableIfNoHandler.
  BOOL DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHandler);
};

// A command through OnCmdMsg as the owner of a menu or bar sends it.
BOOL AfxDispatchCommand(CCmdTarget* target, UINT nID);

// --- message map macros -------------------------------------------------------------------------

#define DECLARE_MESSAGE_MAP()                         \
 public:                                              \
  static const AFX_MSGMAP* GetThisMessageMap();       \
  const AFX_MSGMAP* GetMessageMap() const override;   \
                                                      \
 protected:

// The entries live in a function so the handlers may be protected members of the class.
// Handlers are stored as one member-pointer type and cast back to their own type before the
// call (a defined round trip); the compiler's warning about the cast does not apply here.
#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                        \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  _Pragma("GCC diagnostic push")                                                    \
  _Pragma("GCC diagnostic ignored \"-Wcast-function-type\"")                        \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
    typedef theClass ThisClass;                                                     \
    typedef baseClass TheBaseClass;                                                 \
    (void)sizeof(ThisClass);                                                        \
    static const AFX_MSGMAP_ENTRY entries[] = {

// The type check happens in the inner cast: a handler of the wrong signature does not compile.
#define AFX_MSG_FN(type, fn) reinterpret_cast<AFX_PMSG>(static_cast<type>(&ThisClass::fn))

#define END_MESSAGE_MAP()                                                  \
    {0, 0, 0, 0, AfxSig_end, nullptr}};                                       \
    static const AFX_MSGMAP map = {&TheBaseClass::GetThisMessageMap, &entries[0]}; \
    return &map;                                                               \
  }                                                                            \
  _Pragma("GCC diagnostic pop")

#define ON_COMMAND(id, fn) {WM_COMMAND, CN_COMMAND, (UINT)(id), (UINT)(id), AfxSig_vv, AFX_MSG_FN(void (CCmdTarget::*)(), fn)},
#define ON_COMMAND_RANGE(id, idLast, fn) {WM_COMMAND, CN_COMMAND, (UINT)(id), (UINT)(idLast), AfxSig_vw, AFX_MSG_FN(void (CCmdTarget::*)(UINT), fn)},
#define ON_COMMAND_EX_RANGE(id, idLast, fn) {WM_COMMAND, CN_COMMAND, (UINT)(id), (UINT)(idLast), AfxSig_bw, AFX_MSG_FN(BOOL (CCmdTarget::*)(UINT), fn)},
#define ON_UPDATE_COMMAND_UI(id, fn) {WM_COMMAND, (UINT)CN_UPDATE_COMMAND_UI, (UINT)(id), (UINT)(id), AfxSig_cmdui, AFX_MSG_FN(void (CCmdTarget::*)(CCmdUI*), fn)},
#define ON_UPDATE_COMMAND_UI_RANGE(id, idLast, fn) {WM_COMMAND, (UINT)CN_UPDATE_COMMAND_UI, (UINT)(id), (UINT)(idLast), AfxSig_cmdui, AFX_MSG_FN(void (CCmdTarget::*)(CCmdUI*), fn)},
#define ON_CONTROL(code, id, fn) {WM_COMMAND, (UINT)(code), (UINT)(id), (UINT)(id), AfxSig_vv, AFX_MSG_FN(void (CCmdTarget::*)(), fn)},
#define ON_BN_CLICKED(id, fn) ON_CONTROL(BN_CLICKED, id, fn)
#define ON_BN_DOUBLECLICKED(id, fn) ON_CONTROL(BN_DOUBLECLICKED, id, fn)
#define ON_CBN_SELCHANGE(id, fn) ON_CONTROL(CBN_SELCHANGE, id, fn)
#define ON_LBN_SELCHANGE(id, fn) ON_CONTROL(LBN_SELCHANGE, id, fn)
#define ON_LBN_DBLCLK(id, fn) ON_CONTROL(LBN_DBLCLK, id, fn)
#define ON_EN_CHANGE(id, fn) ON_CONTROL(EN_CHANGE, id, fn)
#define ON_EN_KILLFOCUS(id, fn) ON_CONTROL(EN_KILLFOCUS, id, fn)
#define ON_NOTIFY(code, id, fn) {WM_NOTIFY, (UINT)(code), (UINT)(id), (UINT)(id), AfxSig_notify, AFX_MSG_FN(void (CCmdTarget::*)(NMHDR*, LRESULT*), fn)},
#define ON_MESSAGE(msg, fn) {(UINT)(msg), 0, 0, 0, AfxSig_lwl, AFX_MSG_FN(LRESULT (CCmdTarget::*)(WPARAM, LPARAM), fn)},
// The message number is known only at run time: the entry holds the address of the variable.
#define ON_REGISTERED_MESSAGE(nMessageVariable, fn) {0xC000, 0, 0, 0, (UINT_PTR)(&(nMessageVariable)), AFX_MSG_FN(LRESULT (CCmdTarget::*)(WPARAM, LPARAM), fn)},

#define AFX_WM_ENTRY(msg, sig, type, fn) {msg, 0, 0, 0, sig, AFX_MSG_FN(type, fn)},
#define ON_WM_CREATE() AFX_WM_ENTRY(WM_CREATE, AfxSig_is, int (CCmdTarget::*)(LPCREATESTRUCT), OnCreate)
#define ON_WM_DESTROY() AFX_WM_ENTRY(WM_DESTROY, AfxSig_vv, void (CCmdTarget::*)(), OnDestroy)
#define ON_WM_CLOSE() AFX_WM_ENTRY(WM_CLOSE, AfxSig_vv, void (CCmdTarget::*)(), OnClose)
#define ON_WM_SIZE() AFX_WM_ENTRY(WM_SIZE, AfxSig_vwii, void (CCmdTarget::*)(UINT, int, int), OnSize)
#define ON_WM_MOVE() AFX_WM_ENTRY(WM_MOVE, AfxSig_vii, void (CCmdTarget::*)(int, int), OnMove)
#define ON_WM_PAINT() AFX_WM_ENTRY(WM_PAINT, AfxSig_vv, void (CCmdTarget::*)(), OnPaint)
#define ON_WM_ERASEBKGND() AFX_WM_ENTRY(WM_ERASEBKGND, AfxSig_bD, BOOL (CCmdTarget::*)(CDC*), OnEraseBkgnd)
#define ON_WM_TIMER() AFX_WM_ENTRY(WM_TIMER, AfxSig_vt, void (CCmdTarget::*)(UINT_PTR), OnTimer)
#define ON_WM_SHOWWINDOW() AFX_WM_ENTRY(WM_SHOWWINDOW, AfxSig_vbw, void (CCmdTarget::*)(BOOL, UINT), OnShowWindow)
#define ON_WM_ACTIVATE() AFX_WM_ENTRY(WM_ACTIVATE, AfxSig_vwWb, void (CCmdTarget::*)(UINT, CWnd*, BOOL), OnActivate)
#define ON_WM_INITMENUPOPUP() AFX_WM_ENTRY(WM_INITMENUPOPUP, AfxSig_vMwb, void (CCmdTarget::*)(CMenu*, UINT, BOOL), OnInitMenuPopup)
#define ON_WM_PALETTECHANGED() AFX_WM_ENTRY(WM_PALETTECHANGED, AfxSig_vW, void (CCmdTarget::*)(CWnd*), OnPaletteChanged)
#define ON_WM_QUERYNEWPALETTE() AFX_WM_ENTRY(WM_QUERYNEWPALETTE, AfxSig_bv, BOOL (CCmdTarget::*)(), OnQueryNewPalette)
#define ON_WM_SETCURSOR() AFX_WM_ENTRY(WM_SETCURSOR, AfxSig_bWww, BOOL (CCmdTarget::*)(CWnd*, UINT, UINT), OnSetCursor)
#define ON_WM_HSCROLL() AFX_WM_ENTRY(WM_HSCROLL, AfxSig_vwwS, void (CCmdTarget::*)(UINT, UINT, CScrollBar*), OnHScroll)
#define ON_WM_VSCROLL() AFX_WM_ENTRY(WM_VSCROLL, AfxSig_vwwS, void (CCmdTarget::*)(UINT, UINT, CScrollBar*), OnVScroll)
#define ON_WM_KEYDOWN() AFX_WM_ENTRY(WM_KEYDOWN, AfxSig_vwww, void (CCmdTarget::*)(UINT, UINT, UINT), OnKeyDown)
#define ON_WM_KEYUP() AFX_WM_ENTRY(WM_KEYUP, AfxSig_vwww, void (CCmdTarget::*)(UINT, UINT, UINT), OnKeyUp)
#define ON_WM_CHAR() AFX_WM_ENTRY(WM_CHAR, AfxSig_vwww, void (CCmdTarget::*)(UINT, UINT, UINT), OnChar)
#define ON_WM_SYSKEYDOWN() AFX_WM_ENTRY(WM_SYSKEYDOWN, AfxSig_vwww, void (CCmdTarget::*)(UINT, UINT, UINT), OnSysKeyDown)
#define ON_WM_MOUSEMOVE() AFX_WM_ENTRY(WM_MOUSEMOVE, AfxSig_vwp, void (CCmdTarget::*)(UINT, CPoint), OnMouseMove)
#define ON_WM_LBUTTONDOWN() AFX_WM_ENTRY(WM_LBUTTONDOWN, AfxSig_vwp, void (CCmdTarget::*)(UINT, CPoint), OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_WM_ENTRY(WM_LBUTTONUP, AfxSig_vwp, void (CCmdTarget::*)(UINT, CPoint), OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_WM_ENTRY(WM_LBUTTONDBLCLK, AfxSig_vwp, void (CCmdTarget::*)(UINT, CPoint), OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() AFX_WM_ENTRY(WM_RBUTTONDOWN, AfxSig_vwp, void (CCmdTarget::*)(UINT, CPoint), OnRButtonDown)
#define ON_WM_RBUTTONUP() AFX_WM_ENTRY(WM_RBUTTONUP, AfxSig_vwp, void (CCmdTarget::*)(UINT, CPoint), OnRButtonUp)
#define ON_WM_RBUTTONDBLCLK() AFX_WM_ENTRY(WM_RBUTTONDBLCLK, AfxSig_vwp, void (CCmdTarget::*)(UINT, CPoint), OnRButtonDblClk)
#define ON_WM_MBUTTONDOWN() AFX_WM_ENTRY(WM_MBUTTONDOWN, AfxSig_vwp, void (CCmdTarget::*)(UINT, CPoint), OnMButtonDown)
#define ON_WM_MBUTTONUP() AFX_WM_ENTRY(WM_MBUTTONUP, AfxSig_vwp, void (CCmdTarget::*)(UINT, CPoint), OnMButtonUp)
#define ON_WM_MOUSEWHEEL() AFX_WM_ENTRY(WM_MOUSEWHEEL, AfxSig_bwsp, BOOL (CCmdTarget::*)(UINT, short, CPoint), OnMouseWheel)
#define ON_WM_CONTEXTMENU() AFX_WM_ENTRY(WM_CONTEXTMENU, AfxSig_vWp, void (CCmdTarget::*)(CWnd*, CPoint), OnContextMenu)
#define ON_WM_DRAWITEM() AFX_WM_ENTRY(WM_DRAWITEM, AfxSig_vis, void (CCmdTarget::*)(int, LPDRAWITEMSTRUCT), OnDrawItem)
#define ON_WM_DROPFILES() AFX_WM_ENTRY(WM_DROPFILES, AfxSig_vh, void (CCmdTarget::*)(HDROP), OnDropFiles)
#define ON_WM_CTLCOLOR() AFX_WM_ENTRY(WM_CTLCOLORSTATIC, AfxSig_hDWw, HBRUSH (CCmdTarget::*)(CDC*, CWnd*, UINT), OnCtlColor)
#define ON_WM_SETFOCUS() AFX_WM_ENTRY(WM_SETFOCUS, AfxSig_vW, void (CCmdTarget::*)(CWnd*), OnSetFocus)
#define ON_WM_KILLFOCUS() AFX_WM_ENTRY(WM_KILLFOCUS, AfxSig_vW, void (CCmdTarget::*)(CWnd*), OnKillFocus)
#define ON_WM_GETMINMAXINFO() AFX_WM_ENTRY(WM_GETMINMAXINFO, AfxSig_vs, void (CCmdTarget::*)(MINMAXINFO*), OnGetMinMaxInfo)
#define ON_WM_SYSCOMMAND() AFX_WM_ENTRY(WM_SYSCOMMAND, AfxSig_vwl, void (CCmdTarget::*)(UINT, LPARAM), OnSysCommand)
#define ON_WM_MDIACTIVATE() AFX_WM_ENTRY(WM_MDIACTIVATE, AfxSig_vbWW, void (CCmdTarget::*)(BOOL, CWnd*, CWnd*), OnMDIActivate)
