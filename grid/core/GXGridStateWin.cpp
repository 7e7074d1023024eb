// The window-system half of the grid library's start-up: the clipboard formats, the version, the
// window classes, the system colours, the program's resources and the installed fonts.
#include <windows.h>

#include "GXControlFactory.h"
#include "GXFont.h"
#include "GXGridState.h"
#include "GXGridWnd.h"

#include "FrameworkWin.h"

#include <cstring>

// The long operations' window-system side (GXLongOperationWin.cpp).
void GXInstallWinLongOperationPlatform();
// The DIB pool's bitmaps (GXDIBPoolWin.cpp).
void GXInstallWinDIBPlatform();

namespace {

DWORD SysColor(int nIndex) {
  return ::GetSysColor(nIndex);
}

const BYTE* FindProgramResource(LPCTSTR pszName, LPCTSTR pszType, UINT* pnSize) {
  HINSTANCE hInst = AfxFindResourceHandle(pszName, pszType);
  HRSRC hRsrc = ::FindResourceA(hInst, pszName, pszType);
  if (hRsrc == nullptr) {
    hInst = ::GetModuleHandleA(nullptr);
    hRsrc = ::FindResourceA(hInst, pszName, pszType);
  }
  if (hRsrc == nullptr)
    return nullptr;
  HGLOBAL hGlobal = ::LoadResource(hInst, hRsrc);
  if (hGlobal == nullptr)
    return nullptr;
  *pnSize = ::SizeofResource(hInst, hRsrc);
  return static_cast<const BYTE*>(::LockResource(hGlobal));
}

// A window of the class "CGXGridWnd" that the library did not create: its first message gives it
// a grid window object, which takes over through its own window procedure.
LRESULT CALLBACK GridWndClassProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
  GX_ATTACHGRIDWND_PROC pfn = GXGetAttachGridWndProc();
  if (pfn != nullptr) {
    pfn(hWnd);
    WNDPROC pfnNew = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hWnd, GWLP_WNDPROC));
    if (pfnNew != nullptr && pfnNew != &GridWndClassProc)
      return ::CallWindowProcA(pfnNew, hWnd, nMsg, wParam, lParam);
  }
  return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);
}

// Registers a class unless a class of that name is already known; TRUE when it is there afterwards.
BOOL RegisterOnce(WNDCLASSA& wc) {
  WNDCLASSA existing;
  if (::GetClassInfoA(wc.hInstance, wc.lpszClassName, &existing))
    return TRUE;
  return ::RegisterClassA(&wc) != 0;
}

void NoteClass(LPCSTR pszName) {
  GX_GRID_STATE* pState = GXGetAppState();
  for (int i = 0; i < pState->m_windowClasses.GetSize(); ++i)
    if (pState->m_windowClasses[i] == pszName)
      return;
  pState->m_windowClasses.Add(pszName);
}

// A copy of a system control class under the library's name, global to the process.
void RegisterCopy(HINSTANCE hInst, LPCSTR pszSystem, LPCSTR pszName) {
  WNDCLASSA wc;
  if (::GetClassInfoA(hInst, pszName, &wc)) {
    NoteClass(pszName);
    return;
  }
  if (!::GetClassInfoA(nullptr, pszSystem, &wc))
    return;
  wc.style |= CS_GLOBALCLASS;
  wc.hInstance = hInst;
  wc.lpszClassName = pszName;
  if (::RegisterClassA(&wc))
    NoteClass(pszName);
}

void RegisterPlain(HINSTANCE hInst, LPCSTR pszName, UINT nStyle) {
  WNDCLASSA wc{};
  wc.style = nStyle;
  wc.lpfnWndProc = ::DefWindowProcA;
  wc.hInstance = hInst;
  wc.lpszClassName = pszName;
  if (RegisterOnce(wc))
    NoteClass(pszName);
}

int CALLBACK EnumFace(const LOGFONTA* plf, const TEXTMETRICA*, DWORD nFontType, LPARAM lParam) {
  const ENUMLOGFONTEXA* pElf = reinterpret_cast<const ENUMLOGFONTEXA*>(plf);
  reinterpret_cast<CGXFaceNameTable*>(lParam)->AddSystemFace(
      plf->lfFaceName, reinterpret_cast<LPCSTR>(pElf->elfScript), plf->lfCharSet, plf->lfPitchAndFamily,
      (BYTE)nFontType);
  return 1;
}

const char* const kGridClasses[] = {"CGXGridWnd", "CGXTabBeam", "CGXTabWnd"};

}  // namespace

void GXRegisterGridWindowClasses(void* hInstance) {
  HINSTANCE hInst = static_cast<HINSTANCE>(hInstance);
  WNDCLASSA wc{};
  wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
  wc.lpfnWndProc = &GridWndClassProc;
  wc.hInstance = hInst;
  wc.lpszClassName = kGridClasses[0];
  if (!RegisterOnce(wc))
    AfxThrowResourceException();
  NoteClass(kGridClasses[0]);
  // The tab window's classes; its windows are the framework's and take over their procedure.
  RegisterPlain(hInst, kGridClasses[1], CS_DBLCLKS | CS_GLOBALCLASS);
  RegisterPlain(hInst, kGridClasses[2], CS_DBLCLKS | CS_GLOBALCLASS);
}

void GXUnregisterGridWindowClasses(void* hInstance) {
  for (LPCSTR pszName : kGridClasses)
    ::UnregisterClassA(pszName, static_cast<HINSTANCE>(hInstance));
}

void GXInitWindowSystem(GX_GRID_STATE* pState) {
  HINSTANCE hInst = AfxGetInstanceHandle();
  char szFormat[32];
  wsprintfA(szFormat, "Grid Styles %08x", (unsigned)(UINT_PTR)hInst);
  pState->m_nStylesClipboardFormat = ::RegisterClipboardFormatA(szFormat);
  pState->m_nDirectCopyClipboardFormat = ::RegisterClipboardFormatA("GX_DIRECTCOPY");
  pState->SetVersion(::GetVersion());
  GXSetSysColorProc(&SysColor);
  GXGetSysColorState()->m_hArrowCursor = reinterpret_cast<UINT_PTR>(::LoadCursorA(nullptr, IDC_ARROW));
  GXSetFindResourceProc(&FindProgramResource);
  GXInstallWinLongOperationPlatform();
  GXInstallWinDIBPlatform();
  if (GXGetAttachGridWndProc() == nullptr)
    GXSetAttachGridWndProc(&GXAttachGridWndObject);
  if (pState->m_sDragLineWndClass.IsEmpty())
    pState->m_sDragLineWndClass = AfxRegisterWndClass(CS_SAVEBITS);
  if (pState->m_pControlFactory != nullptr)
    pState->m_pControlFactory->RegisterWindowClasses(hInst);
  RegisterCopy(hInst, "edit", "GXEDIT");
  RegisterCopy(hInst, "listbox", "GXLISTBOX");
  RegisterCopy(hInst, "combobox", "GXCOMBOBOX");
  RegisterPlain(hInst, "GXWND", CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
  RegisterPlain(hInst, "GXNDBLCLKSWND", CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW);
  RegisterPlain(hInst, "GxMdiFrame", CS_GLOBALCLASS | CS_DBLCLKS);
}

void GXEnumSystemFaces(CGXFaceNameTable* pTable) {
  HDC hDC = ::CreateICA("DISPLAY", nullptr, nullptr, nullptr);
  if (hDC == nullptr)
    return;
  LOGFONTA lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  ::EnumFontFamiliesExA(hDC, &lf, reinterpret_cast<FONTENUMPROCA>(&EnumFace), reinterpret_cast<LPARAM>(pTable), 0);
  pTable->m_nLogPixelsY = ::GetDeviceCaps(hDC, LOGPIXELSY);
  pTable->m_nLogPixelsX = ::GetDeviceCaps(hDC, LOGPIXELSX);
  ::DeleteDC(hDC);
}
