// CSplashWnd: the picture shown while the program starts. It closes itself after five seconds
// or at the first key or mouse press anywhere in the program, and deletes itself with its window.
#pragma once

#include "FrameworkWin.h"

class CSplashWnd : public CWnd {
  DECLARE_DYNAMIC(CSplashWnd)
 public:
  static void EnableSplashScreen(BOOL bEnable = TRUE);
  static void ShowSplashScreen(CWnd* pParentWnd = nullptr);
  // Hides the splash on a key or mouse press; FALSE always (the message goes on).
  static BOOL PreTranslateAppMessage(MSG* pMsg);
  static CSplashWnd* GetShown() { return c_pSplashWnd; }

  ~CSplashWnd() override;
  void PostNcDestroy() override { delete this; }

  int OnCreate(LPCREATESTRUCT lpcs);
  void OnPaint();
  void OnTimer(UINT_PTR nIDEvent);

  DECLARE_MESSAGE_MAP()

 private:
  CSplashWnd() = default;
  BOOL Create(CWnd* pParentWnd);
  void HideSplashScreen();

  HBITMAP m_hBitmap = nullptr;  // owned
  static BOOL c_bShowSplashWnd;
  static CSplashWnd* c_pSplashWnd;
};
