// The grid window: a framework window joined with the grid engine. It hands its messages to the engine's
// operations and gives the engine the window system it asks for (client area, painting, scroll bars,
// focus, capture, key states, message boxes); it draws through a device context.
// Not for: the engine's behaviour (GXGridCore.h).
#ifndef GRID_CORE_GXGRIDWND_H
#define GRID_CORE_GXGRIDWND_H

#include "GXGridCore.h"
#include "Wnd.h"

#include <map>
#include <string>

// Gives a window of the "CGXGridWnd" class that something else created (a custom control of a dialog
// template) a grid window object that deletes itself with the window.
void GXAttachGridWndObject(void* hWnd);

// Draws the engine's cells into a device context; fonts come from the window's font cache.
class CGXGdiSurface : public CGXGridSurface {
 public:
  CGXGdiSurface(HDC hDC, std::map<std::string, HFONT>* pFonts);
  ~CGXGdiSurface() override;
  CGXGdiSurface(const CGXGdiSurface&) = delete;
  CGXGdiSurface& operator=(const CGXGdiSurface&) = delete;

  CSize GetTextExtent(LPCTSTR psz, int nLength) override;
  GXTEXTMETRICS GetTextMetrics() override;
  BOOL IsRtlReading() override;
  void FillRect(const CRect& rect, DWORD rgb) override;
  void InvertRect(const CRect& rect) override;
  void DrawTextLine(int x, int y, LPCTSTR psz, int nLength, DWORD rgb, const CRect& clip) override;
  void SelectFont(const CGXFont& font, int nZoom) override;

 private:
  HDC m_hDC;
  std::map<std::string, HFONT>* m_pFonts;  // not owned
  HGDIOBJ m_hOldFont = nullptr;
  int m_nOldBkMode;
  BOOL m_bMetricsValid = FALSE;
  GXTEXTMETRICS m_metrics;
};

class CGXGridWnd : public CWnd, public CGXGridCore {
  DECLARE_DYNCREATE(CGXGridWnd)

 public:
  CGXGridWnd();
  ~CGXGridWnd() override;

  // Sets the scroll-bar modes from the window's styles and sets the engine up; raises the not-supported
  // exception when the library was not started.
  virtual void SetUpGrid();
  // Paints the grid into a device context (the paint handler, and printing or a test's bitmap).
  void DrawGrid(HDC hDC, const CRect& clip);

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void PostNcDestroy() override;
  // For a window the "CGXGridWnd" class made: messages the grid leaves go to the default procedure.
  void TakeOverClassProc();

  // The engine's window.
  void WndGetClientRect(CRect& rect) const override;
  BOOL WndIsVisible() const override;
  void WndInvalidateRect(const CRect* pRect, BOOL bErase) override;
  void WndUpdateWindow() override;
  void WndScrollWindow(int dx, int dy, const CRect& rect) override;
  void WndSetScrollRange(int nBar, int nMin, int nMax, UINT nPage, BOOL bRedraw) override;
  void WndSetScrollPos(int nBar, int nPos, BOOL bRedraw) override;
  int WndGetScrollPos(int nBar) const override;
  void WndShowScrollBar(int nBar, BOOL bShow) override;
  void WndSetFocus() override;
  void WndDrainKeyboardMessages() override;
  int WndMessageBox(LPCTSTR pszText) override;
  BOOL WndIsKeyDown(UINT nVirtKey) const override;
  void WndSetCapture(BOOL bCapture) override;
  BOOL WndSetTimer(UINT nId, UINT nMilliseconds) override;
  void WndKillTimer(UINT nId) override;
  BOOL WndPostTimer(UINT nId) override;
  BOOL WndHasCapture() const override;
  CGXTextMeasurer* WndGetMeasurer(const CGXFont* pFont) override;

  // Set for a grid window object that the "CGXGridWnd" window class made: it deletes itself.
  BOOL m_bAutoDelete = FALSE;
  // Message boxes are not shown but only kept while set (tests of windows nobody looks at).
  BOOL m_bQuietMessages = FALSE;
  // While set, a size change repaints nothing.
  BOOL m_bSizeLock = FALSE;

 private:
  void FreeFonts();
  std::map<std::string, HFONT> m_fonts;
  HDC m_hMeasureDC = nullptr;
  CGXGdiSurface* m_pMeasureSurface = nullptr;
};

#endif  // GRID_CORE_GXGRIDWND_H
