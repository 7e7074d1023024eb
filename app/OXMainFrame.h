// COXMainFrame: an MDI frame base that keeps a window-placement record, subclasses the MDI
// client as COXMDIClient (a background colour and bitmap behind the document windows) and
// passes palette changes on to the active view. COXMDIClient paints that background: centred,
// tiled or stretched, from a cache of the client's size for the last two.
#pragma once

#include "FrameworkWin.h"
#include "OXDIB.h"

// The view realises its palette on this message; the MDI client on the other.
const UINT WM_VV_REALIZEPAL = 0x469;
const UINT WM_VV_CLIENT_REALIZEPAL = 0x468;

class COXMDIClient : public CWnd {
  DECLARE_DYNAMIC(COXMDIClient)
 public:
  enum { ModeCentre = 1, ModeTile = 2, ModeStretch = 3 };

  COXMDIClient();
  ~COXMDIClient() override;

  // Colour and mode always; the bitmap (copied, the caller keeps its own) only once the client
  // has its memory DCs. FALSE when the bitmap could not be cached (it is dropped).
  BOOL SetBackground(COLORREF colour, int mode, HBITMAP bitmap);
  COLORREF GetBackgroundColour() const { return m_clrBackground; }
  int GetBackgroundMode() const { return m_nMode; }
  CSize GetBitmapSize() const { return CSize(m_nBitmapWidth, m_nBitmapHeight); }

  BOOL OnEraseBkgnd(CDC* pDC);
  void OnSize(UINT nType, int cx, int cy);
  LRESULT OnRealizePalette(WPARAM wParam, LPARAM lParam);

  DECLARE_MESSAGE_MAP()

 private:
  BOOL BuildCache(int width, int height);
  void DropBitmap();
  void DropCache();

  COXDIB m_dib;                   // the background picture as given
  HBITMAP m_hBitmap = nullptr;    // owned: the device bitmap made of it, in the source DC
  HPALETTE m_hPalette = nullptr;  // the picture's palette (owned by m_dib); null without one
  HBITMAP m_hCache = nullptr;     // owned: the picture tiled or stretched to the client size
  COLORREF m_clrBackground;
  int m_nMode = ModeCentre;
  int m_nClientWidth = 0;
  int m_nClientHeight = 0;
  int m_nBitmapWidth = 0;
  int m_nBitmapHeight = 0;
  HGDIOBJ m_hOldSource = nullptr;  // selected into the DCs before ours, put back at the end
  HGDIOBJ m_hOldCache = nullptr;
  HDC m_hdcSource = nullptr;  // owned
  HDC m_hdcCache = nullptr;   // owned
  BOOL m_bDCsMissing = TRUE;
};

class COXMainFrame : public CMDIFrameWnd {
  DECLARE_DYNAMIC(COXMainFrame)
 public:
  WINDOWPLACEMENT* m_pPlacement = nullptr;  // borrowed; null unless a derived frame sets it
  COXMDIClient m_wndMDIClient;

  BOOL SetBackground(COLORREF colour, int mode, HBITMAP bitmap) {
    return m_wndMDIClient.SetBackground(colour, mode, bitmap);
  }
  BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext) override;

  void OnPaletteChanged(CWnd* pFocusWnd);
  BOOL OnQueryNewPalette();
  void OnClose();
  void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);

  DECLARE_MESSAGE_MAP()
};
