// The grid library's start-up against Wine's window system: window classes and clipboard formats
// registered once, the string table, system colours, installed fonts, and a "CGXGridWnd" window
// that something else creates.
#include <windows.h>

#include "GXGridParam.h"
#include "GXStylesMap.h"

#include "GridTestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(GridStartUp, WindowClassesAndClipboardFormatsOnce) {
  GX_GRID_STATE* pState = GXGetAppState();
  ASSERT_TRUE(pState->m_bInitDone);
  HINSTANCE hInst = ::GetModuleHandleA(nullptr);
  WNDCLASSA wc;
  for (LPCSTR pszName : {"CGXGridWnd", "CGXTabBeam", "CGXTabWnd", "GXEDIT", "GXLISTBOX", "GXCOMBOBOX", "GXWND",
                         "GXNDBLCLKSWND", "GxMdiFrame"}) {
    EXPECT_TRUE(::GetClassInfoA(hInst, pszName, &wc)) << pszName;
  }
  ASSERT_TRUE(::GetClassInfoA(hInst, "CGXGridWnd", &wc));
  EXPECT_EQ(wc.style, (UINT)(CS_DBLCLKS | CS_GLOBALCLASS));
  ASSERT_TRUE(::GetClassInfoA(hInst, "GXEDIT", &wc));
  EXPECT_TRUE(wc.style & CS_GLOBALCLASS);

  char szName[64] = {};
  ASSERT_NE(pState->m_nStylesClipboardFormat, 0u);
  ::GetClipboardFormatNameA(pState->m_nStylesClipboardFormat, szName, sizeof(szName));
  char szExpected[64];
  wsprintfA(szExpected, "Grid Styles %08x", (unsigned)(UINT_PTR)hInst);
  EXPECT_STREQ(szName, szExpected);
  ::GetClipboardFormatNameA(pState->m_nDirectCopyClipboardFormat, szName, sizeof(szName));
  EXPECT_STREQ(szName, "GX_DIRECTCOPY");

  int nClasses = pState->m_windowClasses.GetSize();
  UINT nFormat = pState->m_nStylesClipboardFormat;
  InitGridLibrary(1536, 0, 0);
  EXPECT_EQ(pState->m_windowClasses.GetSize(), nClasses);
  EXPECT_EQ(pState->m_nStylesClipboardFormat, nFormat);
  EXPECT_FALSE(pState->m_sDragLineWndClass.IsEmpty());
}

TEST(GridStartUp, TextsColoursAndFonts) {
  GX_GRID_STATE* pState = GXGetAppState();
  EXPECT_STREQ(pState->m_sText[gxTextRemovingRows], "Removing rows ...");
  EXPECT_STREQ(pState->m_sText[gxTextMove], "Move");
  EXPECT_EQ(GXGetSysColorState()->GetColor(COLOR_WINDOW), ::GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(GXGetSysColorState()->GetColor(30), ::GetSysColor(30));
  const GX_SYSCOLOR_STATE* pColors = GXGetSysColorState();
  static const struct {
    DWORD GX_SYSCOLOR_STATE::*pField;
    int nIndex;
  } kNamed[] = {{&GX_SYSCOLOR_STATE::m_clrBtnFace, COLOR_BTNFACE},
                {&GX_SYSCOLOR_STATE::m_clrBtnShadow, COLOR_BTNSHADOW},
                {&GX_SYSCOLOR_STATE::m_clrBtnHilite, COLOR_BTNHIGHLIGHT},
                {&GX_SYSCOLOR_STATE::m_clrWindowFrame, COLOR_WINDOWFRAME},
                {&GX_SYSCOLOR_STATE::m_clr3DLight, COLOR_3DLIGHT},
                {&GX_SYSCOLOR_STATE::m_clr3DDkShadow, COLOR_3DDKSHADOW},
                {&GX_SYSCOLOR_STATE::m_clrWindowText, COLOR_WINDOWTEXT},
                {&GX_SYSCOLOR_STATE::m_clrWindow, COLOR_WINDOW},
                {&GX_SYSCOLOR_STATE::m_clrHighlight, COLOR_HIGHLIGHT},
                {&GX_SYSCOLOR_STATE::m_clrHighlightText, COLOR_HIGHLIGHTTEXT}};
  for (const auto& k : kNamed)
    EXPECT_EQ(pColors->*k.pField, ::GetSysColor(k.nIndex)) << k.nIndex;
  EXPECT_EQ(pColors->m_hArrowCursor, reinterpret_cast<UINT_PTR>(::LoadCursorA(nullptr, IDC_ARROW)));
  EXPECT_EQ(pColors->m_nBorderX, pState->m_bWin4 ? 2 : 1);
  EXPECT_STREQ(pState->m_sLongOperationText[0], "Processing...");
  EXPECT_STREQ(pState->m_sLongOperationText[3], "Do you want to abort the operation?");
  EXPECT_EQ(GXGetFaceNameTable()->LookupFaceName("Arial"), 0u);
  EXPECT_GT(GXGetFaceNameTable()->m_nLogPixelsY, 0);
  CGXStylesMap map;
  CGXControlFactory().RegisterControls(&map);
  for (WORD nId : GXRegisteredControlIds)
    EXPECT_FALSE(map.GetControlName(nId).IsEmpty()) << nId;
  EXPECT_STREQ(map.GetControlName(52543), "Date Time Control with popup calendar");
}

HWND g_hAttached = nullptr;

void AttachForTest(void* hWnd) {
  g_hAttached = static_cast<HWND>(hWnd);
}

TEST(GridStartUp, AGridWindowThatSomethingElseCreates) {
  GXSetAttachGridWndProc(&AttachForTest);
  HWND hWnd = ::CreateWindowA("CGXGridWnd", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, ::GetModuleHandleA(nullptr),
                              nullptr);
  ASSERT_NE(hWnd, nullptr);
  EXPECT_EQ(g_hAttached, hWnd);
  ::DestroyWindow(hWnd);
  GXSetAttachGridWndProc(nullptr);
}

TEST(GridStartUp, AMissingLayoutResource) {
  EXPECT_EQ(CGXGridParam::CreateFromResource(21395), nullptr);
}

}  // namespace
